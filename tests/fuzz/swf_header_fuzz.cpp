// Fuzzes the Flash movie header reader: whatever the bytes, it reads only the first 300 of
// them, and a size it gives is a real picture size.
#include <cstddef>
#include <cstdint>

#include "engine/flash/SwfHeader.h"

namespace {

void Check(bool condition) {
  if (!condition) __builtin_trap();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  SwfHeader header;
  header.left = 12345;
  if (ParseSwfHeader(data, size, &header) != S_OK) {
    Check(header.left == 12345);
    return 0;
  }
  Check(header.Width() > 0 && header.Width() <= kMaxSwfSide);
  Check(header.Height() > 0 && header.Height() <= kMaxSwfSide);
  // The same first bytes give the same header, whatever follows them.
  SwfHeader again;
  Check(ParseSwfHeader(data, size < kSwfHeadSize ? size : kSwfHeadSize, &again) == S_OK);
  Check(again.left == header.left && again.top == header.top && again.right == header.right &&
        again.bottom == header.bottom && again.frameCount == header.frameCount);
  return 0;
}
