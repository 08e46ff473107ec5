// The bitmap layouts the image library shares with GDI: the bitmap information header and
// the palette entry. On Windows they come from the system's GDI type header (not
// windows.h); elsewhere they are defined here with the same fields and fixed-width types,
// so the image library also builds natively for the sanitizer and fuzzing runs. Files are
// never read into these structures directly: codecs read and write them field by field.
#pragma once

#include <cstdint>

#include "engine/base/WinTypes.h"

#ifdef _WIN32
#include <wingdi.h>
#else
struct BITMAPINFOHEADER {
  uint32_t biSize;
  int32_t biWidth;
  int32_t biHeight;
  uint16_t biPlanes;
  uint16_t biBitCount;
  uint32_t biCompression;
  uint32_t biSizeImage;
  int32_t biXPelsPerMeter;
  int32_t biYPelsPerMeter;
  uint32_t biClrUsed;
  uint32_t biClrImportant;
};
struct RGBQUAD {
  uint8_t rgbBlue;
  uint8_t rgbGreen;
  uint8_t rgbRed;
  uint8_t rgbReserved;
};
#ifndef BI_RGB
#define BI_RGB 0L
#define BI_RLE8 1L
#define BI_RLE4 2L
#define BI_BITFIELDS 3L
#endif
#endif

static_assert(sizeof(BITMAPINFOHEADER) == 40, "the bitmap information header is 40 bytes");
static_assert(sizeof(RGBQUAD) == 4, "a palette entry is 4 bytes");

// A palette entry or colour quad from its bytes.
inline RGBQUAD MakeQuad(uint8_t blue, uint8_t green, uint8_t red, uint8_t fourth = 0) {
  RGBQUAD q;
  q.rgbBlue = blue;
  q.rgbGreen = green;
  q.rgbRed = red;
  q.rgbReserved = fourth;
  return q;
}

// Size of the bitmap information header in a pixel block and in files.
constexpr uint32_t kBitmapInfoHeaderSize = 40;
