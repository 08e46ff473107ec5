// Fuzzes the PNG picture's chunk reader: whatever the bytes, the strict picture either
// raises one of its errors keeping the picture it had, or holds a whole picture; the
// quiet picture never raises. A picture read writes back and reads again to the same
// pixels.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

#include "skin/data/PngChunks.h"

namespace {

void Check(bool condition) {
  if (!condition) __builtin_trap();
}

// Touches every pixel and alpha byte, so that a buffer shorter than the picture claims
// shows up under the address sanitizer.
uint32_t Sum(TPngImageCore& Core) {
  uint32_t sum = 0;
  for (int y = 0; y < Core.GetPngHeight(); ++y) {
    const uint8_t* alpha = Core.AlphaRowAddress(y);
    for (int x = 0; x < Core.GetPngWidth(); ++x)
      sum += Core.ReadPixel(x, y) + (alpha ? alpha[x] : 0);
  }
  return sum + uint32_t(Core.TransparencyKind()) + Core.PngTransparentColor();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
  const std::string bytes(reinterpret_cast<const char*>(Data), Size);
  TPngImageCore quiet(false);
  {
    TStringStream stream(bytes);
    quiet.LoadChunks(&stream);  // raises nothing
  }
  Sum(quiet);

  TPngImageCore strict(true);
  bool read = true;
  try {
    TStringStream stream(bytes);
    strict.LoadChunks(&stream);
  } catch (const EPNGError&) {
    read = false;
  } catch (const EReadError&) {
    read = false;
  }
  if (!read) {
    Check(strict.GetChunkList().GetCount() == 0);  // it had nothing and keeps nothing
    return 0;
  }
  Check(strict.HasHeader());
  const uint32_t sum = Sum(strict);
  if (uint64_t(strict.GetPngWidth()) * uint64_t(strict.GetPngHeight()) > 1000000) return 0;

  TStringStream written;
  strict.SaveChunks(&written);
  TPngImageCore back(true);
  TStringStream again(written.GetDataString());
  back.LoadChunks(&again);
  Check(back.GetPngWidth() == strict.GetPngWidth() && back.GetPngHeight() == strict.GetPngHeight());
  Check(Sum(back) == sum);
  return 0;
}
