// Wireless bitmaps (format id 9): type 0, one bit per pixel, 1 = white, rows from the top;
// width and height are the format's multi-byte integers (seven bits a byte, the top bit
// set on every byte but the last).
#pragma once

#include "image/Raster.h"

class CRasterWBMP : public CRaster {
 public:
  CRasterWBMP() : CRaster(IMAGE_FORMAT_WBMP) {}
  bool Decode(CRasterStream* stream);
  // Pictures of 1 bit per pixel up to 255 pixels wide and high.
  bool Encode(CRasterStream* stream);
};
