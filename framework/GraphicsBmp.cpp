#include "framework/GraphicsBmp.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <limits>

namespace {

constexpr const char* kInvalidBitmap = "Bitmap image is not valid";
constexpr const char* kInvalidIcon = "Icon image is not valid";

// Compression kinds of the information header.
constexpr uint32_t kBiRgb = 0;
constexpr uint32_t kBiRle8 = 1;
constexpr uint32_t kBiRle4 = 2;
constexpr uint32_t kBiBitFields = 3;

constexpr size_t kCoreHeaderSize = 12;
constexpr size_t kInfoHeaderSize = 40;
constexpr size_t kMaxInfoHeaderSize = 124;  // BITMAPV5HEADER

[[noreturn]] void Invalid() { throw EInvalidGraphic(kInvalidBitmap); }

uint16_t U16(const uint8_t* p) { return uint16_t(p[0] | p[1] << 8); }
uint32_t U32(const uint8_t* p) {
  return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}
int32_t I32(const uint8_t* p) { return static_cast<int32_t>(U32(p)); }

void Put16(std::vector<uint8_t>& out, uint16_t v) {
  out.push_back(uint8_t(v));
  out.push_back(uint8_t(v >> 8));
}
void Put32(std::vector<uint8_t>& out, uint32_t v) {
  for (int i = 0; i < 4; ++i) out.push_back(uint8_t(v >> (8 * i)));
}

bool ValidBitCount(uint16_t bits) {
  return bits == 1 || bits == 4 || bits == 8 || bits == 16 || bits == 24 || bits == 32;
}

// Writes pixel Value at (x, row) of an 8- or 4-bit picture; outside the picture nothing.
void PutIndex(TDibImage& image, size_t rowBytes, int64_t x, int64_t row, uint8_t value) {
  if (x < 0 || row < 0 || x >= image.Width || row >= image.Height) return;
  uint8_t* line = image.Bits.data() + size_t(row) * rowBytes;
  if (image.BitCount == 8) {
    line[x] = value;
  } else {
    uint8_t& b = line[x / 2];
    if (x % 2 == 0)
      b = uint8_t((b & 0x0F) | (value << 4));
    else
      b = uint8_t((b & 0xF0) | (value & 0x0F));
  }
}

// Run-length decoding of 8- and 4-bit pictures into bottom-up rows; runs and deltas that
// leave the picture are cut off, a stream that ends early leaves the rest at index 0.
void DecodeRle(const uint8_t* data, size_t size, TDibImage& image) {
  const size_t rowBytes = TDibImage::RowBytes(image.Width, image.BitCount);
  const bool four = image.BitCount == 4;
  int64_t x = 0;
  int64_t row = 0;
  size_t i = 0;
  while (i + 1 < size) {
    const uint8_t count = data[i];
    const uint8_t value = data[i + 1];
    i += 2;
    if (count > 0) {
      for (int n = 0; n < count; ++n, ++x) {
        uint8_t pixel = four ? uint8_t((n % 2 == 0) ? value >> 4 : value & 0x0F) : value;
        PutIndex(image, rowBytes, x, row, pixel);
      }
      continue;
    }
    if (value == 0) {  // end of line
      x = 0;
      ++row;
    } else if (value == 1) {  // end of picture
      return;
    } else if (value == 2) {  // delta
      if (i + 1 >= size) return;
      x += data[i];
      row += data[i + 1];
      i += 2;
    } else {  // absolute run of `value` pixels, padded to a 16-bit boundary
      const size_t bytes = four ? (size_t(value) + 1) / 2 : value;
      if (i + bytes > size) return;
      for (int n = 0; n < value; ++n, ++x) {
        uint8_t pixel = four ? uint8_t((n % 2 == 0) ? data[i + n / 2] >> 4 : data[i + n / 2] & 0x0F)
                             : data[i + n];
        PutIndex(image, rowBytes, x, row, pixel);
      }
      i += bytes + (bytes & 1);
    }
    if (row >= image.Height) return;
  }
}

}  // namespace

size_t TDibImage::RowBytes(int32_t Width, uint16_t BitCount) {
  return size_t(((uint64_t(Width < 0 ? 0 : Width) * BitCount + 31) / 32) * 4);
}

uint32_t BmpFileSize(const uint8_t* Header, size_t Size) {
  if (Size < kBmpFileHeaderSize || Header[0] != 'B' || Header[1] != 'M') Invalid();
  const uint32_t fileSize = U32(Header + 2);
  if (fileSize < kBmpFileHeaderSize + kCoreHeaderSize) Invalid();
  return fileSize;
}

void ReadBmpFile(const uint8_t* Data, size_t Size, TDibImage& Image) {
  BmpFileSize(Data, Size);
  const uint32_t offBits = U32(Data + 10);
  // A pixel offset inside the file header is no offset at all: the pixels follow the
  // colour table.
  size_t pixelOffset = offBits > kBmpFileHeaderSize ? offBits - kBmpFileHeaderSize : 0;
  ReadDib(Data + kBmpFileHeaderSize, Size - kBmpFileHeaderSize, Image, pixelOffset);
}

void ReadDib(const uint8_t* Data, size_t Size, TDibImage& Image, size_t PixelOffset) {
  if (Size < 4) Invalid();
  const size_t headerSize = U32(Data);
  TDibImage image;
  uint32_t compression = kBiRgb;
  uint32_t colorsUsed = 0;
  size_t tableEntrySize = 4;
  size_t tableOffset = headerSize;
  bool topDown = false;
  if (headerSize == kCoreHeaderSize) {
    if (Size < kCoreHeaderSize) Invalid();
    image.Width = U16(Data + 4);
    image.Height = U16(Data + 6);
    if (U16(Data + 8) != 1) Invalid();
    image.BitCount = U16(Data + 10);
    tableEntrySize = 3;
  } else if (headerSize == kInfoHeaderSize || headerSize == 52 || headerSize == 56 ||
             headerSize == 64 || headerSize == 108 || headerSize == kMaxInfoHeaderSize) {
    // The information header and its longer kinds (with masks, OS/2, version 4 and 5).
    if (Size < headerSize) Invalid();
    image.Width = I32(Data + 4);
    const int32_t height = I32(Data + 8);
    if (height == std::numeric_limits<int32_t>::min()) Invalid();
    topDown = height < 0;
    image.Height = topDown ? -height : height;
    if (U16(Data + 12) != 1) Invalid();
    image.BitCount = U16(Data + 14);
    compression = U32(Data + 16);
    image.XPelsPerMeter = I32(Data + 24);
    image.YPelsPerMeter = I32(Data + 28);
    colorsUsed = U32(Data + 32);
    // The OS/2 header's compression numbers mean other things (Huffman, 24-bit runs).
    if (headerSize == 64 && compression != kBiRgb) Invalid();
    if (compression == kBiBitFields) {
      // The masks follow a 40-byte header; longer headers hold them themselves.
      const uint8_t* masks = Data + kInfoHeaderSize;
      if (headerSize == kInfoHeaderSize) {
        if (Size < kInfoHeaderSize + 12) Invalid();
        tableOffset += 12;
      }
      image.RedMask = U32(masks);
      image.GreenMask = U32(masks + 4);
      image.BlueMask = U32(masks + 8);
      image.BitFields = true;
    }
  } else {
    Invalid();
  }

  if (image.Width <= 0 || image.Height <= 0 || !ValidBitCount(image.BitCount)) Invalid();
  switch (compression) {
    case kBiRgb:
      break;
    case kBiRle8:
      if (image.BitCount != 8 || topDown) Invalid();
      break;
    case kBiRle4:
      if (image.BitCount != 4 || topDown) Invalid();
      break;
    case kBiBitFields:
      if (image.BitCount != 16 && image.BitCount != 32) Invalid();
      break;
    default:
      Invalid();
  }

  const size_t rowBytes = TDibImage::RowBytes(image.Width, image.BitCount);
  const uint64_t pixelBytes = uint64_t(rowBytes) * uint64_t(image.Height);
  if (pixelBytes > kMaxDibBytes) Invalid();

  // The colour table: the colours the header says are used (all when it says 0) for
  // pictures of up to 8 bits; a table before pixels of more bits is skipped.
  size_t tableEntries = 0;
  size_t paletteEntries = 0;
  if (image.BitCount <= 8) {
    const size_t maxEntries = size_t(1) << image.BitCount;
    tableEntries = colorsUsed == 0 ? maxEntries : colorsUsed;
    if (tableEntries > 256 * 256) Invalid();
    paletteEntries = std::min(tableEntries, maxEntries);
  } else {
    if (colorsUsed > 256 * 256) Invalid();
    tableEntries = colorsUsed;
  }
  const uint64_t tableEnd = uint64_t(tableOffset) + uint64_t(tableEntries) * tableEntrySize;
  if (uint64_t(tableOffset) + uint64_t(paletteEntries) * tableEntrySize > Size) Invalid();
  image.Palette.resize(paletteEntries * 4);
  for (size_t i = 0; i < paletteEntries; ++i) {
    const uint8_t* entry = Data + tableOffset + i * tableEntrySize;
    image.Palette[i * 4] = entry[0];
    image.Palette[i * 4 + 1] = entry[1];
    image.Palette[i * 4 + 2] = entry[2];
    image.Palette[i * 4 + 3] = 0;
  }

  const uint64_t pixelStart = PixelOffset != 0 ? uint64_t(PixelOffset) : tableEnd;
  if (pixelStart < headerSize || pixelStart > Size) Invalid();
  const uint8_t* pixels = Data + pixelStart;
  const size_t available = Size - size_t(pixelStart);
  image.Bits.assign(size_t(pixelBytes), 0);
  if (compression == kBiRle8 || compression == kBiRle4) {
    DecodeRle(pixels, available, image);
  } else {
    if (available < pixelBytes) Invalid();
    if (topDown) {
      for (int32_t row = 0; row < image.Height; ++row)
        std::memcpy(image.Bits.data() + size_t(image.Height - 1 - row) * rowBytes,
                    pixels + size_t(row) * rowBytes, rowBytes);
    } else {
      std::memcpy(image.Bits.data(), pixels, size_t(pixelBytes));
    }
  }
  Image = std::move(image);
}

std::vector<uint8_t> WriteBmpFile(const TDibImage& Image) {
  if (Image.Width <= 0 || Image.Height <= 0 || !ValidBitCount(Image.BitCount))
    throw EInvalidGraphic(kInvalidBitmap);
  const size_t rowBytes = TDibImage::RowBytes(Image.Width, Image.BitCount);
  const uint64_t pixelBytes = uint64_t(rowBytes) * uint64_t(Image.Height);
  const bool bitFields = Image.BitFields && (Image.BitCount == 16 || Image.BitCount == 32);
  const size_t paletteEntries = Image.BitCount <= 8 ? Image.Palette.size() / 4 : 0;
  if (Image.Bits.size() != pixelBytes || paletteEntries > (size_t(1) << Image.BitCount))
    throw EInvalidGraphic(kInvalidBitmap);
  const uint64_t offBits =
      kBmpFileHeaderSize + kInfoHeaderSize + (bitFields ? 12 : 0) + paletteEntries * 4;
  const uint64_t fileSize = offBits + pixelBytes;
  if (fileSize > std::numeric_limits<uint32_t>::max()) throw EInvalidGraphic(kInvalidBitmap);

  std::vector<uint8_t> out;
  out.reserve(size_t(fileSize));
  out.push_back('B');
  out.push_back('M');
  Put32(out, uint32_t(fileSize));
  Put32(out, 0);
  Put32(out, uint32_t(offBits));
  Put32(out, kInfoHeaderSize);
  Put32(out, uint32_t(Image.Width));
  Put32(out, uint32_t(Image.Height));
  Put16(out, 1);
  Put16(out, Image.BitCount);
  Put32(out, bitFields ? kBiBitFields : kBiRgb);
  Put32(out, uint32_t(pixelBytes));
  Put32(out, uint32_t(Image.XPelsPerMeter));
  Put32(out, uint32_t(Image.YPelsPerMeter));
  Put32(out, uint32_t(paletteEntries));
  Put32(out, 0);
  if (bitFields) {
    Put32(out, Image.RedMask);
    Put32(out, Image.GreenMask);
    Put32(out, Image.BlueMask);
  }
  for (size_t i = 0; i < paletteEntries; ++i) {
    out.push_back(Image.Palette[i * 4]);
    out.push_back(Image.Palette[i * 4 + 1]);
    out.push_back(Image.Palette[i * 4 + 2]);
    out.push_back(0);
  }
  out.insert(out.end(), Image.Bits.begin(), Image.Bits.end());
  return out;
}

std::vector<TIconDirEntry> ReadIconDirectory(const uint8_t* Data, size_t Size) {
  if (Size < 6 || U16(Data) != 0 || (U16(Data + 2) != 1 && U16(Data + 2) != 2))
    throw EInvalidGraphic(kInvalidIcon);
  const size_t count = U16(Data + 4);
  if (count == 0 || 6 + count * 16 > Size) throw EInvalidGraphic(kInvalidIcon);
  std::vector<TIconDirEntry> entries;
  for (size_t i = 0; i < count; ++i) {
    const uint8_t* e = Data + 6 + i * 16;
    TIconDirEntry entry;
    entry.Width = e[0] == 0 ? 256 : e[0];
    entry.Height = e[1] == 0 ? 256 : e[1];
    entry.ColorCount = e[2];
    entry.BitCount = U16(e + 6);
    entry.Size = U32(e + 8);
    entry.Offset = U32(e + 12);
    if (entry.Offset < 6 + count * 16 || uint64_t(entry.Offset) + entry.Size > Size ||
        entry.Size < kInfoHeaderSize)
      continue;
    const uint8_t* picture = Data + entry.Offset;
    static const uint8_t kPng[8] = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
    if (std::memcmp(picture, kPng, 8) == 0) {
      if (entry.BitCount == 0) entry.BitCount = 32;
    } else {
      const uint32_t header = U32(picture);
      if (header < kInfoHeaderSize || header > entry.Size) continue;
      if (entry.BitCount == 0) entry.BitCount = U16(picture + 14);
    }
    entries.push_back(entry);
  }
  if (entries.empty()) throw EInvalidGraphic(kInvalidIcon);
  return entries;
}

size_t BestIconEntry(const std::vector<TIconDirEntry>& Entries, int Width, int Height) {
  size_t best = 0;
  for (size_t i = 1; i < Entries.size(); ++i) {
    const auto& a = Entries[i];
    const auto& b = Entries[best];
    const int da = std::abs(a.Width - Width) + std::abs(a.Height - Height);
    const int db = std::abs(b.Width - Width) + std::abs(b.Height - Height);
    if (da < db || (da == db && a.BitCount > b.BitCount)) best = i;
  }
  return best;
}

std::vector<uint8_t> WriteIconFile(const std::vector<uint8_t>& Picture, int Width, int Height,
                                   int BitCount) {
  std::vector<uint8_t> out;
  Put16(out, 0);
  Put16(out, 1);
  Put16(out, 1);
  out.push_back(uint8_t(Width >= 256 ? 0 : Width));
  out.push_back(uint8_t(Height >= 256 ? 0 : Height));
  out.push_back(0);
  out.push_back(0);
  Put16(out, 1);
  Put16(out, uint16_t(BitCount));
  Put32(out, uint32_t(Picture.size()));
  Put32(out, 6 + 16);
  out.insert(out.end(), Picture.begin(), Picture.end());
  return out;
}
