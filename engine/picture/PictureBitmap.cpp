#include "engine/picture/PictureBitmap.h"

#include <cstring>

#include "engine/base/DibSurface.h"
#include "engine/picture/PictureCopy.h"
#include "image/Raster.h"

HBITMAP MakeDibSection(const CRaster& picture) {
  if (!picture.HasPixels() || !picture.GetBlock()) return nullptr;
  HDC screen = GetDC(nullptr);
  HDC memory = CreateCompatibleDC(screen);
  if (screen) ReleaseDC(nullptr, screen);
  if (!memory) return nullptr;
  // The block starts with the header and the palette: a BITMAPINFO as GDI reads it.
  const auto* info = reinterpret_cast<const BITMAPINFO*>(picture.GetBlock());
  void* bits = nullptr;
  HBITMAP bitmap = CreateDIBSection(memory, info, DIB_RGB_COLORS, &bits, nullptr, 0);
  DeleteDC(memory);
  if (!bitmap) return nullptr;
  if (bits) {
    const uint64_t size = uint64_t(picture.GetRowBytes()) * uint64_t(picture.GetHeight());
    std::memcpy(bits, picture.GetPixels(), size_t(size));
    GdiFlush();
  }
  return bitmap;
}

bool DrawPictureInRect(const CRaster& picture, HDC dc, const RECT& rect) {
  const int width = rect.right - rect.left, height = rect.bottom - rect.top;
  if (!dc || !picture.HasPixels() || width <= 0 || height <= 0) return false;
  // Blue, green, red and alpha, the alpha premultiplied as the blend wants it.
  CDibSurface surface;
  if (!surface.Create(picture.GetWidth(), picture.GetHeight(), 32)) return false;
  CopyPictureToBand(picture, surface, surface.GetHeight() - 1, surface.GetHeight());
  bool opaque = true;
  for (int row = 0; row < surface.GetHeight(); ++row) {
    BYTE* p = surface.GetBits() + size_t(row) * size_t(surface.GetStride());
    for (int x = 0; x < surface.GetWidth(); ++x, p += 4) {
      const int a = p[3];
      if (a == 255) continue;
      opaque = false;
      for (int k = 0; k < 3; ++k) p[k] = BYTE((p[k] * a + 127) / 255);
    }
  }
  HDC source = surface.GetDC();
  if (!source) return false;
  if (opaque) {
    const int mode = SetStretchBltMode(dc, COLORONCOLOR);
    const BOOL ok = StretchBlt(dc, rect.left, rect.top, width, height, source, 0, 0,
                               surface.GetWidth(), surface.GetHeight(), SRCCOPY);
    SetStretchBltMode(dc, mode);
    return ok != FALSE;
  }
  BLENDFUNCTION blend = {AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
  return AlphaBlend(dc, rect.left, rect.top, width, height, source, 0, 0, surface.GetWidth(),
                    surface.GetHeight(), blend) != FALSE;
}
