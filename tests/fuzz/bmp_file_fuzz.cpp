// Fuzzes the framework's bitmap and icon file readers: whatever the bytes, reading must
// not crash; a bitmap it reads has the size its rows need and writes out as a file that
// reads back to the same picture; an icon directory lists only pictures inside the file.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "framework/GraphicsBmp.h"

namespace {
void Check(bool condition) {
  if (!condition) __builtin_trap();
}

// Pictures the reader accepts may be up to hundreds of megabytes (run-length files say
// their size in a few bytes); the fuzzer skips those whose information header (at either
// place it may start) asks for more than 16 MB, to keep each run short.
bool Small(const uint8_t* data, size_t size) {
  for (size_t at : {size_t(0), kBmpFileHeaderSize}) {
    if (size < at + 16) continue;
    const uint8_t* p = data + at;
    uint32_t header = uint32_t(p[0] | p[1] << 8 | p[2] << 16) | uint32_t(p[3]) << 24;
    if (header < 40) continue;
    int64_t w = int32_t(uint32_t(p[4] | p[5] << 8 | p[6] << 16) | uint32_t(p[7]) << 24);
    int64_t h = int32_t(uint32_t(p[8] | p[9] << 8 | p[10] << 16) | uint32_t(p[11]) << 24);
    int64_t bits = p[14] | p[15] << 8;
    if (w < 0) w = -w;
    if (h < 0) h = -h;
    if (double(w) * double(h) * double(bits) / 8 > double(16 << 20)) return false;
  }
  return true;
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (!Small(data, size)) return 0;
  TDibImage image;
  bool read = false;
  try {
    if (size >= kBmpFileHeaderSize && BmpFileSize(data, size) <= size) {
      ReadBmpFile(data, BmpFileSize(data, size), image);
      read = true;
    }
  } catch (const EInvalidGraphic&) {
  }
  if (!read) {
    try {
      ReadDib(data, size, image);
      read = true;
    } catch (const EInvalidGraphic&) {
    }
  }
  if (read) {
    Check(image.Bits.size() == TDibImage::RowBytes(image.Width, image.BitCount) * size_t(image.Height));
    Check(image.PaletteCount() <= (image.BitCount <= 8 ? 1 << image.BitCount : 0));
    std::vector<uint8_t> file = WriteBmpFile(image);
    TDibImage back;
    ReadBmpFile(file.data(), file.size(), back);
    Check(back.Bits == image.Bits && back.Palette == image.Palette && back.Width == image.Width &&
          back.Height == image.Height && back.BitCount == image.BitCount);
  }
  try {
    std::vector<TIconDirEntry> entries = ReadIconDirectory(data, size);
    Check(!entries.empty());
    for (const TIconDirEntry& e : entries) Check(uint64_t(e.Offset) + e.Size <= size);
    Check(BestIconEntry(entries, 32, 32) < entries.size());
  } catch (const EInvalidGraphic&) {
  }
  return 0;
}
