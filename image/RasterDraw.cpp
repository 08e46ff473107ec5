// Drawing a picture onto a Windows device context: unscaled pictures without
// transparency straight from the pixel block, scaled ones through a DIB of the visible
// area, and pictures with transparency or alpha composed over what the device shows.
#include <windows.h>

#include <algorithm>
#include <cmath>
#include <cstring>

#include "image/Raster.h"

namespace {

// A 24-bit bottom-up DIB section of w x h on a memory context compatible with `dc`.
struct DibArea {
  HDC memory = nullptr;
  HBITMAP bitmap = nullptr;
  HGDIOBJ previous = nullptr;
  uint8_t* bits = nullptr;
  int32_t stride = 0;
  BITMAPINFO info = {};

  DibArea(HDC dc, int32_t w, int32_t h) {
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = w;
    info.bmiHeader.biHeight = h;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 24;
    info.bmiHeader.biCompression = BI_RGB;
    stride = ((w * 24 + 31) / 32) * 4;
    memory = CreateCompatibleDC(dc);
    void* p = nullptr;
    if (memory) bitmap = CreateDIBSection(memory, &info, DIB_RGB_COLORS, &p, nullptr, 0);
    if (bitmap) {
      bits = static_cast<uint8_t*>(p);
      previous = SelectObject(memory, bitmap);
    }
  }
  ~DibArea() {
    if (previous) SelectObject(memory, previous);
    if (bitmap) DeleteObject(bitmap);
    if (memory) DeleteDC(memory);
  }
  DibArea(const DibArea&) = delete;
  DibArea& operator=(const DibArea&) = delete;
};

}  // namespace

bool CRaster::Draw(HDC dc, int32_t x, int32_t y, int32_t cx, int32_t cy, const RECT* clip,
                   bool smooth) {
  if (!m_block || !dc || cx == 0 || cy == 0 || !m_info.enabled) return false;
  const int32_t width = GetWidth(), height = GetHeight();
  if (cx < 0) cx = width;
  if (cy < 0) cy = height;

  RECT kept = {};
  if (clip) {
    GetClipBox(dc, &kept);
    HRGN region = CreateRectRgnIndirect(clip);
    ExtSelectClipRgn(dc, region, RGN_AND);
    DeleteObject(region);
  }
  RECT box = {};
  GetClipBox(dc, &box);
  const int32_t left = std::min(std::max(x, int32_t(box.left)), int32_t(box.right));
  const int32_t top = std::min(std::max(y, int32_t(box.top)), int32_t(box.bottom));
  const int32_t right = std::max(std::min(x + cx, int32_t(box.right)), int32_t(box.left));
  const int32_t bottom = std::max(std::min(y + cy, int32_t(box.bottom)), int32_t(box.top));
  const int32_t w = right - left, h = bottom - top;
  const bool unscaled = cx == width && cy == height;
  const float scaleX = float(width) / float(cx), scaleY = float(height) / float(cy);
  // The source pixel of DIB column j, row k (from the bottom).
  auto map = [&](int32_t j, int32_t k, float& fx, float& fy, int32_t& sx, int32_t& sy) {
    if (unscaled) {
      sx = left - x + j;
      sy = height + y - bottom + k;
      fx = float(sx);
      fy = float(sy);
      return;
    }
    fx = float(left - x + j) * scaleX;
    fy = float(height) - float(bottom - y - k) * scaleY;
    sx = std::max(0, int32_t(std::floor(fx)));
    sy = std::max(0, int32_t(std::floor(fy)));
    sx = std::min(sx, width - 1);
    sy = std::min(sy, height - 1);
  };

  const bool composite = m_info.transparentIndex != -1 || m_alpha || m_info.paletteAlphaEnabled;
  if (composite && w > 0 && h > 0) {
    const RGBQUAD key = GetTransparentColor();
    const int32_t keyIndex = m_info.transparentIndex;
    DibArea dib(dc, w, h);
    if (dib.bits) {
      BitBlt(dib.memory, 0, 0, w, h, dc, left, top, SRCCOPY);
      GdiFlush();
      for (int32_t k = 0; k < h; ++k) {
        uint8_t* out = dib.bits + size_t(k) * size_t(dib.stride);
        for (int32_t j = 0; j < w; ++j, out += 3) {
          float fx, fy;
          int32_t sx, sy;
          map(j, k, fx, fy, sx, sy);
          uint32_t a = ((m_alpha ? GetAlphaFast(sx, sy) : 255u) * (m_info.alphaMaximum + 1u)) >> 8;
          RGBQUAD c = GetPixelColorFast(sx, sy);
          if (!unscaled && smooth)
            c = SampleInterpolated(fx - 0.5f, fy - 0.5f, INTERPOLATION_BILINEAR, OVERFLOW_REPEAT,
                                   nullptr);
          if (IsPaletted() && m_info.paletteAlphaEnabled) a = (a * (c.rgbReserved + 1u)) >> 8;
          if (keyIndex >= 0) {
            if (IsPaletted()) {
              if (GetPixelIndexFast(sx, sy) == uint32_t(keyIndex)) continue;
            } else if (c.rgbBlue == key.rgbBlue && c.rgbGreen == key.rgbGreen &&
                       c.rgbRed == key.rgbRed) {
              continue;
            }
          }
          if (a == 0) continue;
          if (a == 255) {
            out[0] = c.rgbBlue;
            out[1] = c.rgbGreen;
            out[2] = c.rgbRed;
          } else {
            out[0] = uint8_t((c.rgbBlue * a + out[0] * (255 - a)) >> 8);
            out[1] = uint8_t((c.rgbGreen * a + out[1] * (255 - a)) >> 8);
            out[2] = uint8_t((c.rgbRed * a + out[2] * (255 - a)) >> 8);
          }
        }
      }
      SetDIBitsToDevice(dc, left, top, DWORD(w), DWORD(h), 0, 0, 0, UINT(h), dib.bits, &dib.info,
                        DIB_RGB_COLORS);
    }
  } else if (!composite && unscaled) {
    SetStretchBltMode(dc, COLORONCOLOR);
    SetDIBitsToDevice(dc, x, y, DWORD(width), DWORD(height), 0, 0, 0, UINT(height), m_pixels,
                      reinterpret_cast<const BITMAPINFO*>(m_block), DIB_RGB_COLORS);
  } else if (!composite && w > 0 && h > 0) {
    DibArea dib(dc, w, h);
    if (dib.bits) {
      for (int32_t k = 0; k < h; ++k) {
        uint8_t* out = dib.bits + size_t(k) * size_t(dib.stride);
        for (int32_t j = 0; j < w; ++j, out += 3) {
          float fx, fy;
          int32_t sx, sy;
          map(j, k, fx, fy, sx, sy);
          const RGBQUAD c = smooth ? SampleInterpolated(fx - 0.5f, fy - 0.5f, INTERPOLATION_BILINEAR,
                                                        OVERFLOW_REPEAT, nullptr)
                                   : GetPixelColorFast(sx, sy);
          out[0] = c.rgbBlue;
          out[1] = c.rgbGreen;
          out[2] = c.rgbRed;
        }
      }
      SetDIBitsToDevice(dc, left, top, DWORD(w), DWORD(h), 0, 0, 0, UINT(h), dib.bits, &dib.info,
                        DIB_RGB_COLORS);
    }
  }
  if (clip) {
    HRGN region = CreateRectRgnIndirect(&kept);
    ExtSelectClipRgn(dc, region, RGN_OR);
    DeleteObject(region);
  }
  return true;
}

bool CRaster::DrawInRect(HDC dc, const RECT& rect, const RECT* clip, bool smooth) {
  return Draw(dc, rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top, clip, smooth);
}

HBITMAP CRaster::MakeDeviceBitmap(HDC dc) const {
  if (!m_block) return nullptr;
  const BITMAPINFO* info = reinterpret_cast<const BITMAPINFO*>(m_block);
  if (dc) return CreateDIBitmap(dc, &info->bmiHeader, CBM_INIT, m_pixels, info, DIB_RGB_COLORS);
  HDC screen = GetDC(nullptr);
  HDC memory = CreateCompatibleDC(screen);
  ReleaseDC(nullptr, screen);
  void* bits = nullptr;
  HBITMAP bitmap = memory ? CreateDIBSection(memory, info, DIB_RGB_COLORS, &bits, nullptr, 0) : nullptr;
  if (bitmap && bits) std::memcpy(bits, m_pixels, m_header.biSizeImage);
  if (memory) DeleteDC(memory);
  return bitmap;
}
