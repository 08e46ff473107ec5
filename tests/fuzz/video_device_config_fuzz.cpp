// Fuzzes the messenger configuration patch: the first byte picks how much of the input is
// the device name (escaped as it is written), the rest is the configuration text. A patched
// text must keep everything outside the device element's content, hold the escaped name
// there, and give back the original text when patched again with the old content.
#include <cstddef>
#include <cstdint>

#include "app/DefaultCamFiles.h"

namespace {
void Check(bool condition) {
  if (!condition) __builtin_trap();
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  const size_t nameLength = data[0] < size ? data[0] : size - 1;
  const AnsiString device =
      XmlEscapeText(AnsiString(reinterpret_cast<const char*>(data + 1), nameLength));
  const AnsiString text(reinterpret_cast<const char*>(data + 1 + nameLength),
                        size - 1 - nameLength);
  Check(device.find('<') == AnsiString::npos);

  AnsiString out = "untouched";
  if (!PatchVideoDevice(text, device, out)) {
    Check(out == "untouched");
    return 0;
  }
  const size_t video = text.find("<Video>");
  const size_t content = text.find("<Device>", video) + 8;
  const size_t end = text.find("</Device>", content);
  Check(video != AnsiString::npos && end != AnsiString::npos);
  Check(end + 9 <= text.find("</Video>", video));
  Check(out == text.substr(0, content) + device + text.substr(end));

  AnsiString back;
  Check(PatchVideoDevice(out, text.substr(content, end - content), back));
  Check(back == text);
  return 0;
}
