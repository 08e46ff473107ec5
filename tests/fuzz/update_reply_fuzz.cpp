// Fuzzes the reading of update replies and the query encoding: whatever the reply, reading
// it must not crash, a reply read as good must carry the magic word, every answer rule must
// give an answer; an encoded value holds only unreserved characters and percent escapes and
// decodes back to the value.
#include <cstddef>
#include <cstdint>

#include "app/UpdateRules.h"
#include "framework/Classes.h"

namespace {
void Check(bool condition) {
  if (!condition) __builtin_trap();
}
int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const AnsiString text(reinterpret_cast<const char*>(data), size);
  const TUpdateReply reply = ReadUpdateReply(0, true, text, "Tavisco");
  if (!reply.Failed) {
    TStringList lines;
    lines.SetText(text);
    Check(SameText(lines.GetValue("magicword"), "Tavisco"));
    Check(reply.Info == lines.GetValue("info") && reply.Page == lines.GetValue("page"));
  }
  Check(ReadUpdateReply(1, true, text, "Tavisco").Failed);
  for (int rules = 0; rules < 16; ++rules) {
    TUpdateAnswerRules r;
    r.Manual = rules & 1;
    r.AutoCheckUpdate = rules & 2;
    r.NoAutoCheck = rules & 4;
    r.Embedded = rules & 8;
    const TUpdateAnswer answer = ChooseUpdateAnswer(reply, r);
    if (reply.Failed || r.Embedded) Check(answer == TUpdateAnswer::None);
    Check(!ReportsUpdateFailure(reply, r) || (reply.Failed && r.Manual));
  }

  const AnsiString encoded = EncodeQueryValue(text);
  AnsiString decoded;
  for (size_t i = 0; i < encoded.size(); ++i) {
    const char c = encoded[i];
    if (c == '%') {
      Check(i + 2 < encoded.size());
      const int high = HexValue(encoded[i + 1]), low = HexValue(encoded[i + 2]);
      Check(high >= 0 && low >= 0);
      decoded += static_cast<char>(high * 16 + low);
      i += 2;
    } else {
      Check((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ||
            c == '-' || c == '.' || c == '_' || c == '~');
      decoded += c;
    }
  }
  Check(decoded == text);
  return 0;
}
