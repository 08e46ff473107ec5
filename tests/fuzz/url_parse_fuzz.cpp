// Fuzzes the URL splitter and the file names taken from addresses and Content-Disposition
// values: whatever the text, parsing must not crash, must give a port number, must give the
// same parts twice, and file names must never carry a folder part.
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "app/EwbUrl.h"
#include "app/WebDownloadTools.h"

namespace {
void Check(bool condition) {
  if (!condition) __builtin_trap();
}
bool IsPlainName(const AnsiString& Name) {
  return Name.find_first_of("/\\:<>\"|?*") == AnsiString::npos && Name != "." && Name != "..";
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const AnsiString text(reinterpret_cast<const char*>(data), size);
  TUrl url;
  url.ParseUrl(text);
  Check(url.GetPort() >= 0 && url.GetPort() <= 65535);
  Check(url.GetUrl() == text);
  TUrl again;
  again.ParseUrl(text);
  Check(again.GetHostName() == url.GetHostName() && again.GetPath() == url.GetPath() &&
        again.GetDocument() == url.GetDocument() && again.GetParameters() == url.GetParameters() &&
        again.GetFragment() == url.GetFragment() && again.GetPassword() == url.GetPassword());
  if (url.GetUserName().empty()) Check(url.GetPassword().empty());
  // The fragment was cut off the document or the parameters.
  Check(url.GetDocument().find('#') == AnsiString::npos || !url.GetFragment().empty() ||
        url.GetProtocol().empty());

  const AnsiString slashed = TUrl::EnsureTrailingSlash(text);
  Check(TUrl::EnsureTrailingSlash(slashed) == slashed);
  Check(ForwardSlashes(text).find('\\') == AnsiString::npos);
  const int position = LastPosBefore("/", text, static_cast<int>(size % 97) - 1);
  Check(position >= 0 && position <= static_cast<int>(size));
  if (position > 0) Check(text[static_cast<size_t>(position - 1)] == '/');

  Check(IsPlainName(FileNameFromContentDisposition(text)));
  Check(IsPlainName(PlainFileName(text)));
  Check(PlainFileName(PlainFileName(text)) == PlainFileName(text));
  return 0;
}
