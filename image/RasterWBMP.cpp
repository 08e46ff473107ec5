// Wireless bitmaps: type byte 0, a fixed header byte, width and height as multi-byte
// integers, then the rows from the top, (width + 7) / 8 bytes each, most significant bit
// first. Files whose sides are below 128 have single-byte sizes.
#include "image/RasterWBMP.h"

#include <vector>

#include "image/StreamFields.h"

namespace {

// A multi-byte integer: seven bits a byte, most significant first, the top bit set on
// every byte but the last. False when the stream ends inside it or it passes 31 bits.
bool ReadMultiByte(CRasterStream* stream, uint32_t& value) {
  value = 0;
  for (int i = 0; i < 5; ++i) {
    const int b = stream->GetChar();
    if (b < 0) return false;
    value = (value << 7) | uint32_t(b & 0x7F);
    if (value > 0x7FFFFFFF) return false;
    if (!(b & 0x80)) return true;
  }
  return false;
}

void PutMultiByte(std::vector<uint8_t>& out, uint32_t value) {
  uint8_t groups[5];
  int n = 0;
  do {
    groups[n++] = uint8_t(value & 0x7F);
    value >>= 7;
  } while (value != 0);
  while (n > 1) out.push_back(uint8_t(0x80 | groups[--n]));
  out.push_back(groups[0]);
}

}  // namespace

bool CRasterWBMP::Decode(CRasterStream* stream) {
  if (!stream) return false;
  auto fail = [this](const char* text) {
    SetLastError(text);
    return false;
  };
  const int type = stream->GetChar();
  if (type < 0) return fail("Not a WBMP");
  if (type != 0) return fail("Unsupported WBMP type");
  if (stream->GetChar() < 0) return fail("Corrupted WBMP");  // the fixed header byte
  uint32_t width = 0, height = 0;
  if (!ReadMultiByte(stream, width) || !ReadMultiByte(stream, height)) return fail("Corrupted WBMP");
  if (width == 0 || height == 0) return fail("Corrupted WBMP");
  const size_t rowBytes = (size_t(width) + 7) / 8;
  // Every row must be there.
  const int64_t left = BytesLeft(stream);
  if (left >= 0 && uint64_t(left) < uint64_t(rowBytes) * height) return fail("Corrupted WBMP");

  if (!Create(int32_t(width), int32_t(height), 1, IMAGE_FORMAT_WBMP)) return fail("WBMP Create failed");
  SetGreyPalette();
  if (m_info.cancelRequest != 0) return fail("Cancelled");
  CRasterRowIterator rows;
  rows.Attach(this);
  rows.MoveToTop();
  for (uint32_t i = 0; i < height; ++i) {
    if (!ReadBytes(stream, rows.GetRowAddress(), rowBytes)) return fail("Corrupted WBMP");
    rows.MoveDown();
  }
  m_info.frameCount = 1;
  return true;
}

bool CRasterWBMP::Encode(CRasterStream* stream) {
  if (CheckEncodeTarget(stream)) return false;
  const int32_t width = GetWidth();
  const int32_t height = GetHeight();
  if (width > 255 || height > 255 || GetBitDepth() != 1) {
    SetLastError("Can't save this image as WBMP");
    return false;
  }
  std::vector<uint8_t> out = {0, 0};
  PutMultiByte(out, uint32_t(width));
  PutMultiByte(out, uint32_t(height));
  // A set bit is white: a picture whose first entry is the brighter one is written
  // inverted, so that its colours survive.
  const bool invert = CompareColorBrightness(GetPaletteEntry(0), GetPaletteEntry(1)) > 0;
  const size_t rowBytes = (size_t(width) + 7) / 8;
  for (int32_t y = height - 1; y >= 0; --y) {
    const uint8_t* row = GetRowPointer(y);
    for (size_t i = 0; i < rowBytes; ++i) out.push_back(invert ? uint8_t(~row[i]) : row[i]);
  }
  if (!WriteBytes(stream, out.data(), out.size())) {
    SetLastError("Can't save this image as WBMP");
    return false;
  }
  return true;
}
