// Fuzzes the decompression stream: whatever the bytes, reading must end with the data or
// with a decompression error, never produce more than the limit, and what it produced must
// compress and decompress to the same bytes again.
#include <cstddef>
#include <cstdint>

#include "framework/ZLib.h"

namespace {
void Check(bool condition) {
  if (!condition) __builtin_trap();
}
constexpr int64_t kLimit = 4 << 20;
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  TReadOnlyMemoryStream source(data, static_cast<int64_t>(size));
  TMemoryStream output;
  try {
    TDecompressionStream z(&source, kLimit);
    char buffer[4096];
    while (int64_t n = z.Read(buffer, sizeof buffer)) output.WriteBuffer(buffer, n);
  } catch (const EDecompressionError&) {
    Check(output.GetSize() <= kLimit);
    return 0;
  }
  Check(output.GetSize() <= kLimit);
  Check(source.GetPosition() <= static_cast<int64_t>(size));

  TMemoryStream compressed;
  {
    TCompressionStream z(zcMax, &compressed);
    z.WriteBuffer(output.GetMemory(), output.GetSize());
    z.Finish();
  }
  compressed.SetPosition(0);
  TDecompressionStream again(&compressed, kLimit);
  TMemoryStream roundTrip;
  char buffer[4096];
  while (int64_t n = again.Read(buffer, sizeof buffer)) roundTrip.WriteBuffer(buffer, n);
  Check(roundTrip.GetSize() == output.GetSize());
  for (int64_t i = 0; i < output.GetSize(); ++i)
    Check(static_cast<const char*>(roundTrip.GetMemory())[i] ==
          static_cast<const char*>(output.GetMemory())[i]);
  return 0;
}
