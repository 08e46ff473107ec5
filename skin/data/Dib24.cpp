#include "skin/data/Dib24.h"

#include <cstdlib>

TspDib24::~TspDib24() {
  if (FDibHandle) DeleteObject(FDibHandle);
}

void TspDib24::CreateDib(int W, int H) {
  FDibInfo = {};
  BITMAPINFOHEADER& h = FDibInfo.bmiHeader;
  h.biSize = sizeof(BITMAPINFOHEADER);
  h.biWidth = W;
  h.biHeight = -H;
  h.biPlanes = 1;
  h.biBitCount = 24;
  h.biCompression = BI_RGB;
  if (W <= 0 || H <= 0) return;
  void* bits = nullptr;
  FDibHandle = CreateDIBSection(nullptr, &FDibInfo, DIB_RGB_COLORS, &bits, nullptr, 0);
  if (!FDibHandle || !bits) {
    if (FDibHandle) DeleteObject(FDibHandle);
    FDibHandle = nullptr;
    return;
  }
  FWidth = W;
  FHeight = H;
  FImageSize = GetRowBytes() * H;
  FPixelBits = static_cast<uint8_t*>(bits);
}

void TspDib24::CreateFromBitmap(HBITMAP Bitmap, HDC DC) {
  BITMAP info = {};
  if (!Bitmap || !GetObjectA(Bitmap, sizeof(info), &info)) return;
  CreateDib(info.bmWidth, std::abs(info.bmHeight));
  if (!FPixelBits) return;
  // A framework bitmap's canvas lets go of it, so that its pixels can be read.
  FreeMemoryContexts();
  GetDIBits(DC, Bitmap, 0, static_cast<UINT>(FHeight), FPixelBits, &FDibInfo, DIB_RGB_COLORS);
}
