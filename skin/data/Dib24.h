// A 24-bit top-down DIB section: rows padded to 4 bytes (Width x 3 + Width mod 4), row 0
// the top one, 3 bytes per pixel in blue, green, red order. The effects bitmap and the
// mask scanner's copy are made of one.
#pragma once

#include <cstdint>

#include "framework/Graphics.h"

class TspDib24 : public TObject {
 public:
  ~TspDib24() override;

  HBITMAP GetDibHandle() const { return FDibHandle; }
  int GetWidth() const { return FWidth; }
  int GetHeight() const { return FHeight; }
  // Bytes of the pixel block: a row length times the height.
  int GetImageSize() const { return FImageSize; }
  uint8_t* GetPixelBits() const { return FPixelBits; }
  const BITMAPINFO& GetDibInfo() const { return FDibInfo; }
  // Bytes from one row to the next.
  int GetRowBytes() const { return FWidth * 3 + FWidth % 4; }

 protected:
  TspDib24() = default;
  // The DIB section of W x H (header biSize 40, biHeight -H, 24 bits, BI_RGB, no colour
  // table); a size the system cannot make leaves no pixels.
  void CreateDib(int W, int H);
  // The DIB at the bitmap's size with the bitmap's pixels, read through DC.
  void CreateFromBitmap(HBITMAP Bitmap, HDC DC);

  HBITMAP FDibHandle = nullptr;
  int FWidth = 0;
  int FHeight = 0;
  int FImageSize = 0;
  uint8_t* FPixelBits = nullptr;
  BITMAPINFO FDibInfo = {};
};
