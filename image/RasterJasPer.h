// The JPEG-2000 family: JPEG-2000 files and code streams (format ids 11 and 12) through
// OpenJPEG, and three small formats written here, PGX grey pictures (13), PNM pictures
// (14) and Sun raster pictures (15). All of them decode into components and share the
// rules that make the picture of them (RasterComponents.h); all write grey pictures as
// one component and true-colour pictures as three.
#pragma once

#include "image/RasterComponents.h"

// JPEG-2000 files and code streams. Its objects are made with format id 0: decoding
// recognises either kind from the content and the picture carries the id of what it
// found; encoding writes the kind the id names. (The family's class keeps its historical
// name.)
class CRasterJasPer : public CRasterComponentFormat {
 public:
  CRasterJasPer() : CRasterComponentFormat(IMAGE_FORMAT_UNKNOWN) {}
  // Format id 11 or 12, or 0 to accept either.
  bool Decode(CRasterStream* stream, int32_t formatId);
  bool Encode(CRasterStream* stream, int32_t formatId);
  // The compression ratio a quality (1-100) asks for: 100 / quality, 0 (lossless) at 100.
  static double CompressionRatio(int32_t quality);
};

// PGX: "PG", the byte order ("ML" most significant byte first, "LM" least), an optional
// sign, the depth, width and height, then the samples of one grey component.
class CRasterPGX : public CRasterComponentFormat {
 public:
  CRasterPGX() : CRasterComponentFormat(IMAGE_FORMAT_PGX) {}
  bool Decode(CRasterStream* stream);
  // Grey pictures only.
  bool Encode(CRasterStream* stream);
};

// PNM: bitmaps, grey maps and pixel maps (P1 to P6), plain or raw, any maximum value.
class CRasterPNM : public CRasterComponentFormat {
 public:
  CRasterPNM() : CRasterComponentFormat(IMAGE_FORMAT_PNM) {}
  bool Decode(CRasterStream* stream);
  // Grey pictures as raw grey maps (P5), true-colour ones as raw pixel maps (P6).
  bool Encode(CRasterStream* stream);
};

// Sun raster: 1-, 8-, 24- and 32-bit pictures, plain or byte-encoded, with or without a
// colour map.
class CRasterRAS : public CRasterComponentFormat {
 public:
  CRasterRAS() : CRasterComponentFormat(IMAGE_FORMAT_RAS) {}
  bool Decode(CRasterStream* stream);
  // Grey pictures at 8 bits, true-colour ones at 24 bits, uncompressed.
  bool Encode(CRasterStream* stream);
};
