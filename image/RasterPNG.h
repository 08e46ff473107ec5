// PNG pictures (format id 4) through libpng: every colour type and bit depth read into the
// 1-, 4-, 8- or 24-bit layout with an alpha plane where the file carries alpha, and
// pictures written back with palette, transparency, background colour, resolution and
// alpha.
#pragma once

#include "image/Raster.h"

// PNG format option: write an interlaced file; a decode stores whether the file was.
constexpr int32_t PNG_OPTION_INTERLACED = 1;

class CRasterPNG : public CRaster {
 public:
  CRasterPNG() : CRaster(IMAGE_FORMAT_PNG) {}
  bool Decode(CRasterStream* stream);
  bool Encode(CRasterStream* stream);
  // Widens a row of 2-bit pixels in place to 4-bit pixels, from the last pixel backward.
  static void ExpandTwoBitRow(uint8_t* row, int32_t width);
};
