// The placeable header of Windows metafiles and the sizes worked out from it (portable).
#include <algorithm>

#include "image/RasterWMF.h"
#include "image/StreamFields.h"

namespace {

constexpr uint32_t kPlaceableKey = 0x9AC6CDD7;
constexpr size_t kPlaceableSize = 22;
constexpr size_t kMetafileHeaderSize = 18;

// A side in pixels: box units at the resolution, 64-bit.
int64_t Pixels(int32_t units, int32_t dpi, uint16_t unitsPerInch) {
  return int64_t(units) * dpi / unitsPerInch;
}

}  // namespace

WmfPlaceableKind ReadWmfPlaceableHeader(CRasterStream* stream, WmfPlaceableHeader& header) {
  const int64_t start = stream->Tell();
  uint8_t b[kPlaceableSize];
  if (start < 0 || !ReadBytes(stream, b, sizeof b)) return WmfPlaceableKind::kNotPlaceable;
  if (LoadU32(b) != kPlaceableKey) return WmfPlaceableKind::kNotPlaceable;
  uint16_t checksum = 0;
  for (size_t i = 0; i < 20; i += 2) checksum ^= LoadU16(b + i);
  if (checksum != LoadU16(b + 20)) return WmfPlaceableKind::kNotPlaceable;
  header.left = int16_t(LoadU16(b + 6));
  header.top = int16_t(LoadU16(b + 8));
  header.right = int16_t(LoadU16(b + 10));
  header.bottom = int16_t(LoadU16(b + 12));
  header.unitsPerInch = LoadU16(b + 14);
  if (header.unitsPerInch < 1 || header.unitsPerInch > 2540) return WmfPlaceableKind::kNotPlaceable;
  // An empty or inverted box (the checksum is easy to make) describes no picture.
  if (header.right <= header.left || header.bottom <= header.top) return WmfPlaceableKind::kEmpty;
  uint8_t m[kMetafileHeaderSize];
  if (!ReadBytes(stream, m, sizeof m)) return WmfPlaceableKind::kNotPlaceable;
  const uint16_t type = LoadU16(m);
  if (type != 1 && type != 2) return WmfPlaceableKind::kNotPlaceable;
  header.metafileBytes = uint64_t(LoadU32(m + 6)) * 2;
  const int64_t size = stream->Size();
  if (size < 0 || header.metafileBytes > uint64_t(std::max<int64_t>(size - start - int64_t(kPlaceableSize), 0)))
    return WmfPlaceableKind::kNotPlaceable;
  return WmfPlaceableKind::kPlaceable;
}

bool WmfPictureSize(const WmfPlaceableHeader& header, int32_t dpiX, int32_t dpiY, int32_t& width,
                    int32_t& height) {
  if (header.unitsPerInch == 0) return false;
  const int64_t w = Pixels(int32_t(header.right) - header.left, dpiX, header.unitsPerInch);
  const int64_t h = Pixels(int32_t(header.bottom) - header.top, dpiY, header.unitsPerInch);
  if (w <= 0 || h <= 0 || w > INT32_MAX || h > INT32_MAX) return false;
  width = int32_t(w);
  height = int32_t(h);
  return true;
}

bool WmfConversionExtents(const WmfPlaceableHeader& header, int32_t dpiX, int32_t dpiY,
                          int32_t& xExtent, int32_t& yExtent) {
  int32_t x = 0, y = 0;
  if (!WmfPictureSize(header, dpiX, dpiY, x, y)) return false;
  int64_t wx = x, wy = y;
  if (wx < 6554) {
    for (int i = 0; i < 10 && wy < 6554; ++i) {
      wx *= 10;
      wy *= 10;
      if (wx >= 6553) break;
    }
  }
  if (wx > INT32_MAX || wy > INT32_MAX) return false;
  xExtent = int32_t(wx);
  yExtent = int32_t(wy);
  return true;
}

void ShrinkMetafile(int32_t& width, int32_t& height) {
  // A long thin picture keeps a side of one pixel rather than coming out empty.
  if (width > 4000) {
    height = int32_t(std::max<int64_t>(int64_t(height) * 4000 / width, 1));
    width = 4000;
  }
  if (height > 4000) {
    width = int32_t(std::max<int64_t>(int64_t(width) * 4000 / height, 1));
    height = 4000;
  }
}

bool CRasterWMF::Encode(CRasterStream* stream) {
  if (stream) SetLastError("Save WMF not supported");
  return false;
}
