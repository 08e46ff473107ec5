// PCX pictures (format id 8): run-length-coded rows split into colour planes, with a
// 16-colour palette in the header or a 256-colour palette after the pixel data. Read with
// 1 to 4 planes; written as 1-bit, 4-bit (four planes), 8-bit and 24-bit files (24-bit with
// an alpha plane as four planes).
#pragma once

#include "image/Raster.h"

class CRasterPCX : public CRaster {
 public:
  CRasterPCX() : CRaster(IMAGE_FORMAT_PCX) {}
  bool Decode(CRasterStream* stream);
  bool Encode(CRasterStream* stream);
};
