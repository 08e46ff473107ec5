// GIF pictures (format id 2): GIF87a and GIF89a streams read with the class's own LZW
// decoder, one composed frame of an animation per decode, and pictures written as GIF89a
// with one of three code-stream generators.
//
// Decoding composes frame k onto the logical screen over the frames before it, each frame
// in its own colour table, with the disposal methods restoring only the frame's rectangle.
// While every frame uses one colour table the result is a paletted picture (with the
// animation's transparent index where the canvas can show through); otherwise frames are
// composed in true colour and the result is a 24-bit picture with an alpha plane where
// needed. The canvas stays with the picture, so decoding the frames in turn costs one
// frame each, not all the frames before it.
#pragma once

#include <cstdint>
#include <vector>

#include "image/Raster.h"

// GIF format option: the code-stream generator of the encoder.
constexpr int32_t GIF_COMPRESSION_LZW = 0;
constexpr int32_t GIF_COMPRESSION_LITERAL = 1;
constexpr int32_t GIF_COMPRESSION_RUNS = 2;

class CRasterGIF : public CRaster {
 public:
  CRasterGIF() : CRaster(IMAGE_FORMAT_GIF) {}
  bool Decode(CRasterStream* stream);
  bool Encode(CRasterStream* stream);

  // What the extension blocks of the last decode carried.
  int32_t GetLoopCount() const { return m_loopCount; }
  int32_t GetDisposalMethod() const { return m_disposal; }
  const char* GetComment() const { return m_comment; }
  // The comment the encoder writes (at most 255 characters); null or empty for none.
  void SetComment(const char* text);
  void SetDisposalMethod(int32_t method) { m_disposal = method & 7; }

  // The LZW decoder alone: the concatenated data sub-blocks of one image into width x
  // height indices, rows in the order the data holds them; the pixels decoded.
  static int64_t DecodeImageData(const uint8_t* data, size_t size, int minCodeSize,
                                 int32_t width, int32_t height, uint8_t* indices);

 private:
  // Encoder parts.
  bool WriteHeader(CRasterStream* stream);
  bool WriteGraphicControl(CRasterStream* stream);
  bool WriteComment(CRasterStream* stream);
  bool WriteImage(CRasterStream* stream, bool localTable);
  bool EncodeTrueColor(CRasterStream* stream);

  int32_t m_loopCount = 0;
  int32_t m_disposal = 0;
  char m_comment[256] = {};
};
