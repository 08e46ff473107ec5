// The file layouts behind the Graphics unit's bitmaps and icons: Windows bitmap files and
// their device-independent bitmaps, and the directory of icon files. Portable (no Windows
// header), so the readers also run natively under the sanitizers and the fuzzer. Every
// field is read and written one by one, little-endian; sizes are checked against the real
// buffer before anything is used.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "framework/SysUtils.h"

// A picture file or picture data that cannot be read (or a graphic operation that cannot
// be done).
class EInvalidGraphic : public Exception {
 public:
  using Exception::Exception;
};
class EInvalidGraphicOperation : public Exception {
 public:
  using Exception::Exception;
};

// A device-independent bitmap in the form the framework keeps it: rows bottom-up, each
// padded to 4 bytes, in one of the bit counts 1, 4, 8, 16, 24 or 32.
struct TDibImage {
  int32_t Width = 0;
  int32_t Height = 0;
  uint16_t BitCount = 0;
  // 16- and 32-bit pixels with colour masks (BI_BITFIELDS); without them 16-bit pixels are
  // 5-5-5 and 32-bit pixels are blue, green, red and a fourth byte.
  bool BitFields = false;
  uint32_t RedMask = 0;
  uint32_t GreenMask = 0;
  uint32_t BlueMask = 0;
  // 4 bytes per entry (blue, green, red, 0); at most 1 << BitCount entries, for 1, 4 and 8
  // bits only.
  std::vector<uint8_t> Palette;
  std::vector<uint8_t> Bits;
  int32_t XPelsPerMeter = 0;
  int32_t YPelsPerMeter = 0;

  int PaletteCount() const { return static_cast<int>(Palette.size() / 4); }
  // Bytes of one row of Width pixels of BitCount bits, padded to 4 bytes.
  static size_t RowBytes(int32_t Width, uint16_t BitCount);
};

// The largest picture the readers build (bytes of pixel rows), so that a small
// compressed file cannot ask for gigabytes.
constexpr uint64_t kMaxDibBytes = uint64_t(512) << 20;

constexpr size_t kBmpFileHeaderSize = 14;

// The size a bitmap file says it has (bfSize) from its first 14 bytes; raises
// EInvalidGraphic "Bitmap image is not valid" when they are no bitmap file header or the
// size is too small to hold one.
uint32_t BmpFileSize(const uint8_t* Header, size_t Size);
// Reads a whole bitmap file of Size bytes (its own size, as BmpFileSize gave it). Raises
// EInvalidGraphic "Bitmap image is not valid" for anything it cannot read; Image is only
// changed on success.
void ReadBmpFile(const uint8_t* Data, size_t Size, TDibImage& Image);
// Reads a device-independent bitmap (an information header, colour table and pixels, as
// resources and the clipboard keep them); PixelOffset is where the pixels start, 0 for
// right after the colour table.
void ReadDib(const uint8_t* Data, size_t Size, TDibImage& Image, size_t PixelOffset = 0);
// A whole bitmap file: file header, 40-byte information header, colour masks or table,
// pixels.
std::vector<uint8_t> WriteBmpFile(const TDibImage& Image);

// One picture of an icon (or cursor) file as its directory describes it.
struct TIconDirEntry {
  int Width = 0;   // 256 for a stored 0
  int Height = 0;
  int ColorCount = 0;
  int BitCount = 0;
  uint32_t Size = 0;
  uint32_t Offset = 0;
};
// The directory of an icon file of Size bytes: the entries whose pictures lie inside the
// file. Raises EInvalidGraphic "Icon image is not valid" when the data is no icon file or
// no entry is usable.
std::vector<TIconDirEntry> ReadIconDirectory(const uint8_t* Data, size_t Size);
// The entry that best fits the wanted size: the smallest difference in width and height,
// then the most bits per pixel.
size_t BestIconEntry(const std::vector<TIconDirEntry>& Entries, int Width, int Height);
// An icon file of one picture whose data is Picture (an icon resource: information
// header with twice the height, colour pixels, mask).
std::vector<uint8_t> WriteIconFile(const std::vector<uint8_t>& Picture, int Width, int Height,
                                   int BitCount);
