// Targa pictures (format id 7): colour-mapped, true-colour and grey pictures, plain or
// run-length encoded, at 8, 15, 16, 24 and 32 bits per pixel; written uncompressed as
// 8-bit colour-mapped or 24- and 32-bit true-colour files.
#pragma once

#include "image/Raster.h"

class CRasterTGA : public CRaster {
 public:
  CRasterTGA() : CRaster(IMAGE_FORMAT_TGA) {}
  bool Decode(CRasterStream* stream);
  bool Encode(CRasterStream* stream);
};
