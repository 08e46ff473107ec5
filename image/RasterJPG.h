// JPEG pictures (format id 3) through the IJG interface of libjpeg-turbo: the format
// option bits mapped onto the codec's parameters, grey, colour and CMYK files read into
// the picture's rows, the resolution taken from EXIF or JFIF, and files written with the
// EXIF and comment sections of the file the picture was loaded from.
#pragma once

#include <memory>

#include "image/Raster.h"
#include "image/RasterExif.h"

// Format option bits.
constexpr int32_t JPEG_OPTION_BASELINE = 0x1;
constexpr int32_t JPEG_OPTION_ARITHMETIC = 0x2;
constexpr int32_t JPEG_OPTION_GREY = 0x4;
constexpr int32_t JPEG_OPTION_OPTIMIZE = 0x8;
constexpr int32_t JPEG_OPTION_PROGRESSIVE = 0x10;
constexpr int32_t JPEG_OPTION_SMOOTHING = 0x40;
constexpr int32_t JPEG_OPTION_DECODE_GREY = 0x80;
constexpr int32_t JPEG_OPTION_QUANTIZE = 0x100;
constexpr int32_t JPEG_OPTION_DITHER = 0x200;
constexpr int32_t JPEG_OPTION_ONE_PASS = 0x400;
constexpr int32_t JPEG_OPTION_NO_FANCY_UPSAMPLING = 0x800;

class CRasterJPG : public CRaster {
 public:
  CRasterJPG();
  ~CRasterJPG() override;
  bool Decode(CRasterStream* stream);
  bool Encode(CRasterStream* stream);
  // Reads the marker sections before the image data into the EXIF reader (the stream
  // returns to where it was); true when they hold EXIF data.
  bool ReadExif(CRasterStream* stream);
  // The EXIF data of the last decode (of this object, or of the picture it views); null
  // when there was none.
  const CRasterExifRecord* GetExifRecord() const;

  int32_t GetSmoothing() const { return m_smoothing; }
  void SetSmoothing(int32_t value) { m_smoothing = value; }
  int32_t GetDither() const { return m_dither; }
  void SetDither(int32_t value) { m_dither = value; }

  // What a decoded picture keeps of its file: the EXIF reader with the file's EXIF and
  // comment sections, and the record they fill.
  class Metadata;

 private:
  std::unique_ptr<Metadata> m_metadata;
  int32_t m_smoothing = 0;
  int32_t m_dither = 1;  // ordered dithering when asked to dither
};
