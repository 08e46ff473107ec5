// Windows bitmaps (format id 1) and single pictures of icon and cursor files (format id 5).
#pragma once

#include "image/Raster.h"

class CRasterBMP : public CRaster {
 public:
  CRasterBMP() : CRaster(IMAGE_FORMAT_BMP) {}
  bool Decode(CRasterStream* stream);
  bool Encode(CRasterStream* stream);
  // Reads and normalises an information header (40 bytes read first, then by its size
  // field); false when the read fails or the header is not one this decoder takes. Sets
  // `core` for a 12-byte header, whose palette entries are 3 bytes.
  static bool ReadInfoHeader(CRasterStream* stream, BITMAPINFOHEADER& header, bool& core);
};

class CRasterICO : public CRaster {
 public:
  CRasterICO() : CRaster(IMAGE_FORMAT_ICO) {}
  bool Decode(CRasterStream* stream);
  bool Encode(CRasterStream* stream);
};
