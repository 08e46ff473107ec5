// Pictures into surfaces and surfaces into encoded pictures.
#include <algorithm>

#include "engine/base/DibSurface.h"
#include "engine/picture/PictureCopy.h"
#include "image/Raster.h"

bool DecodePicture(CRaster& picture, const void* source, int64_t size) {
  if (!source) return false;
  if (size == -1) return picture.Load(static_cast<const char*>(source), IMAGE_FORMAT_UNKNOWN);
  if (size < 0) return false;
  return picture.DecodeMemory(static_cast<const uint8_t*>(source), size_t(size), IMAGE_FORMAT_PNG);
}

void CopyPictureToBand(const CRaster& picture, CDibSurface& surface, int bandTop, int bandHeight) {
  if (!picture.HasPixels() || !surface.GetBits() || surface.GetBitsPerPixel() != 32) return;
  const bool quadAlpha = picture.HasAlphaPlane() || picture.HasPaletteAlpha();
  const bool keyed = !quadAlpha && picture.HasTransparentColor();
  const int width = std::min(picture.GetWidth(), surface.GetWidth());
  const int lines = std::min(picture.GetHeight(), bandHeight);
  for (int line = 0; line < lines; ++line) {
    const int row = bandTop - line;
    if (row < 0 || row >= surface.GetHeight()) continue;
    const int y = picture.GetHeight() - 1 - line;
    BYTE* out = surface.GetBits() + size_t(row) * size_t(surface.GetStride());
    for (int x = 0; x < width; ++x) {
      const RGBQUAD c = picture.GetPixelColor(x, y, true);
      BYTE alpha = 255;
      if (quadAlpha)
        alpha = c.rgbReserved;
      else if (keyed && picture.IsPixelTransparent(x, y))
        alpha = 0;
      out[4 * x] = c.rgbBlue;
      out[4 * x + 1] = c.rgbGreen;
      out[4 * x + 2] = c.rgbRed;
      out[4 * x + 3] = alpha;
    }
  }
}

HRESULT CDibSurface::LoadPicture(const void* source, int64_t size) {
  CRaster picture;
  if (!DecodePicture(picture, source, size) || !picture.HasPixels()) return E_FAIL;
  if (!Create(picture.GetWidth(), picture.GetHeight(), 32)) return E_FAIL;
  CopyPictureToBand(picture, *this, GetHeight() - 1, GetHeight());
  return S_OK;
}

HRESULT CDibSurface::EncodePicture(uint8_t** buffer, uint32_t* size, int formatId) const {
  if (!buffer || !size || !bits_) return E_FAIL;
  const int bpp = GetBitsPerPixel();
  CRaster picture;
  // Rows are read with the surface's own padded stride.
  if (!picture.CreateFromPixels(bits_, GetWidth(), GetHeight(), bpp, GetStride(), false))
    return E_FAIL;
  uint8_t* encoded = nullptr;
  size_t length = 0;
  if (!picture.EncodeMemory(encoded, length, formatId)) return E_FAIL;
  if (length > UINT32_MAX) {
    CRaster::FreeBuffer(encoded);
    return E_FAIL;
  }
  *buffer = encoded;
  *size = static_cast<uint32_t>(length);
  return S_OK;
}

void CDibSurface::FreeEncoded(uint8_t* buffer) { CRaster::FreeBuffer(buffer); }
