// Fuzzes the three string-list texts (lines, comma text, delimited text). The first two
// bytes choose the delimiter and the quote character. Whatever the text, reading it must
// not crash, and every list must come back unchanged from the text it writes.
#include <cstddef>
#include <cstdint>

#include "framework/Classes.h"

namespace {

void Check(bool condition) {
  if (!condition) __builtin_trap();
}

bool SameItems(const TStrings& a, const TStrings& b) {
  if (a.GetCount() != b.GetCount()) return false;
  for (int i = 0; i < a.GetCount(); ++i)
    if (a.Get(i) != b.Get(i)) return false;
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 2) return 0;
  const char delimiter = static_cast<char>(data[0]);
  const char quote = static_cast<char>(data[1]);
  const AnsiString text(reinterpret_cast<const char*>(data + 2), size - 2);

  TStringList lines, back;
  lines.SetText(text);
  for (int i = 0; i < lines.GetCount(); ++i)
    Check(lines.Get(i).find_first_of("\r\n") == AnsiString::npos);
  back.SetText(lines.GetText());
  Check(SameItems(lines, back));

  TStringList comma;
  comma.SetCommaText(text);
  back.SetCommaText(comma.GetCommaText());
  Check(SameItems(comma, back));
  // The lines as items of a comma text, whatever bytes they hold.
  back.SetCommaText(lines.GetCommaText());
  Check(SameItems(lines, back));

  TStringList delimited;
  delimited.SetDelimiter(delimiter);
  delimited.SetQuoteChar(quote);
  delimited.SetDelimitedText(text);  // any pair must read without harm
  if (delimiter != quote && static_cast<unsigned char>(quote) > ' ') {
    back.SetDelimiter(delimiter);
    back.SetQuoteChar(quote);
    back.SetDelimitedText(delimited.GetDelimitedText());
    Check(SameItems(delimited, back));
    lines.SetDelimiter(delimiter);
    lines.SetQuoteChar(quote);
    back.SetDelimitedText(lines.GetDelimitedText());
    Check(SameItems(lines, back));
  }
  return 0;
}
