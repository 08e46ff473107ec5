// Fuzzes the placeable metafile header and the sizes worked out from it: whatever the
// bytes, reading stays inside them and every size that comes out is positive and bounded.
#include <cstddef>
#include <cstdint>
#include <initializer_list>

#include "image/RasterStream.h"
#include "image/RasterWMF.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  CRasterMemoryStream stream(const_cast<uint8_t*>(data), size);
  WmfPlaceableHeader header;
  if (ReadWmfPlaceableHeader(&stream, header) != WmfPlaceableKind::kPlaceable) return 0;
  if (header.right <= header.left || header.bottom <= header.top) __builtin_trap();
  if (header.metafileBytes > size) __builtin_trap();
  for (int32_t dpi : {1, 96, 120, 2540}) {
    int32_t w = 0, h = 0, x = 0, y = 0;
    if (WmfPictureSize(header, dpi, dpi, w, h)) {
      if (w <= 0 || h <= 0) __builtin_trap();
      ShrinkMetafile(w, h);
      if (w <= 0 || h <= 0 || w > 4000 || h > 4000) __builtin_trap();
    }
    if (WmfConversionExtents(header, dpi, dpi, x, y) && (x <= 0 || y <= 0)) __builtin_trap();
  }
  return 0;
}
