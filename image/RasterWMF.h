// Windows metafiles (format id 10): metafiles with an Aldus placeable header and enhanced
// metafiles, rendered through GDI at the screen's resolution and colour depth. They cannot
// be written. The placeable header is read by portable code; rendering needs Windows.
#pragma once

#include <cstdint>

#include "image/Raster.h"

// What the placeable header and the metafile header after it say.
struct WmfPlaceableHeader {
  int16_t left = 0;
  int16_t top = 0;
  int16_t right = 0;
  int16_t bottom = 0;
  uint16_t unitsPerInch = 0;
  uint64_t metafileBytes = 0;  // the metafile after the 22-byte placeable header
};

enum class WmfPlaceableKind {
  kNotPlaceable,  // not a placeable metafile: tried as an enhanced one
  kEmpty,         // a placeable metafile whose box is empty or inverted
  kPlaceable,
};

// Reads the 22-byte placeable header and the 18-byte metafile header after it from the
// stream's position: key, checksum, units per inch (1 to 2540), metafile type (1 or 2) and
// a size within the stream. An empty or inverted box is answered before anything else is
// worked out from it.
WmfPlaceableKind ReadWmfPlaceableHeader(CRasterStream* stream, WmfPlaceableHeader& header);

// The picture size of a placeable metafile at the given resolution; false when a side
// comes out at 0 pixels.
bool WmfPictureSize(const WmfPlaceableHeader& header, int32_t dpiX, int32_t dpiY, int32_t& width,
                    int32_t& height);

// The extents the metafile is converted with: the picture size, and when its width is
// below 6554, both sides multiplied by 10 while the height is below 6554 and until the
// width reaches 6553 (at most ten times); false when a side is not positive.
bool WmfConversionExtents(const WmfPlaceableHeader& header, int32_t dpiX, int32_t dpiY,
                          int32_t& xExtent, int32_t& yExtent);

// Sizes above 4000 pixels brought down to 4000, keeping the aspect ratio; a side that
// would shrink below one pixel keeps one.
void ShrinkMetafile(int32_t& width, int32_t& height);

class CRasterWMF : public CRaster {
 public:
  CRasterWMF() : CRaster(IMAGE_FORMAT_WMF) {}
#ifdef _WIN32
  // A non-zero largest width or height replaces the picture's size.
  bool Decode(CRasterStream* stream, int32_t largestWidth = 0, int32_t largestHeight = 0);
#endif
  bool Encode(CRasterStream* stream);
};
