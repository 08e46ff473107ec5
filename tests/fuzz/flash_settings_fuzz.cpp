// Fuzzes the Flash Player settings patch: the first byte picks the length of the camera
// name (up to 300 bytes, so names that do not fit are tried too), the rest is the file.
// A patched file must hold the name in place of the old string, with everything before and
// after it unchanged and its length field equal to its size less 6; patching it again with
// the old string must give back the file (but for that field).
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
  const size_t nameLength = data[0] * 300 / 255;
  const AnsiString file(reinterpret_cast<const char*>(data + 1), size - 1);
  const AnsiString name(nameLength, 'n');

  AnsiString out = "untouched";
  if (!PatchFlashSettings(file, name, out)) {
    Check(out == "untouched");
    return 0;
  }
  Check(name.size() <= 255);
  const size_t low = file.find("defaultcamera", 6) + 15;
  const size_t old = static_cast<uint8_t>(file[low]);
  Check(low + 1 + old <= file.size());
  Check(out.size() == file.size() - old + name.size());
  uint32_t field = 0;
  for (int i = 2; i < 6; ++i) field = (field << 8) | static_cast<uint8_t>(out[i]);
  Check(field == out.size() - 6);
  Check(out.compare(6, low - 6, file, 6, low - 6) == 0);
  Check(static_cast<uint8_t>(out[low]) == name.size());
  Check(out.compare(low + 1, name.size(), name) == 0);
  Check(out.compare(low + 1 + name.size(), AnsiString::npos, file, low + 1 + old, AnsiString::npos) == 0);

  AnsiString back;
  Check(PatchFlashSettings(out, file.substr(low + 1, old), back));
  Check(back.size() == file.size());
  Check(back.compare(6, AnsiString::npos, file, 6, AnsiString::npos) == 0);
  Check(back.compare(0, 2, file, 0, 2) == 0);
  return 0;
}
