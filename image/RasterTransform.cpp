// Whole-picture changes of CRaster: mirroring, quarter turns and the reduction to 1, 4 or
// 8 bits per pixel with an optional error diffusion. Each makes a new picture beside the
// old one and moves it in, so a failure leaves the picture as it was.
#include <algorithm>
#include <cstring>

#include "image/Raster.h"

namespace {

constexpr int32_t kTile = 64;


uint8_t ClampChannel(int32_t v) { return uint8_t(std::min(255, std::max(0, v))); }

}  // namespace

bool CRaster::MirrorHorizontal() {
  if (!m_block) return false;
  CRaster copy(*this, false, false, true);
  if (!copy.HasPixels()) return false;
  const int32_t w = GetWidth();
  const int32_t h = GetHeight();
  for (int32_t y = 0; y < h; ++y) {
    const uint8_t* in = GetRowPointer(y);
    uint8_t* out = copy.GetRowPointer(y);
    switch (GetBitDepth()) {
      case 24:
        for (int32_t x = 0; x < w; ++x) std::memcpy(out + 3 * (w - 1 - x), in + 3 * x, 3);
        break;
      case 8:
        for (int32_t x = 0; x < w; ++x) out[w - 1 - x] = in[x];
        break;
      default:
        for (int32_t x = 0; x < w; ++x) copy.SetPixelIndex(x, y, GetPixelIndexFast(w - 1 - x, y));
        break;
    }
  }
  if (copy.HasAlphaPlane() && !copy.MirrorAlphaPlane()) return false;
  copy.SetContinuation(TakeContinuation());
  if (copy.GetContinuation()) copy.GetContinuation()->PictureTurned();
  return MoveFrom(copy);
}

bool CRaster::RotateCounterClockwise(CRaster* output) { return Rotate(output, false); }

bool CRaster::RotateClockwise(CRaster* output) { return Rotate(output, true); }

bool CRaster::Rotate(CRaster* output, bool clockwise) {
  if (!m_block) return false;
  const int32_t w = GetWidth();   // source
  const int32_t h = GetHeight();
  CRaster turned;
  turned.CopyInfoFrom(*this);
  if (!turned.Create(h, w, GetBitDepth(), GetFormatId())) {
    SetLastError(turned.GetLastError());
    return false;
  }
  turned.SetPaletteFromQuads(GetPalette(), 256);
  if (m_alpha && !turned.CreateAlphaPlane()) return false;
  const int32_t tw = h;  // destination
  const int32_t th = w;
  // Destination (dx, dy) shows source (sx, sy).
  auto source = [&](int32_t dx, int32_t dy, int32_t& sx, int32_t& sy) {
    if (clockwise) {
      sx = w - 1 - dy;
      sy = dx;
    } else {
      sx = dy;
      sy = h - 1 - dx;
    }
  };
  const int32_t depth = GetBitDepth();
  if (depth == 1) {
    turned.Clear(0);
    for (int32_t dy = 0; dy < th; ++dy) {
      uint8_t* row = turned.GetRowPointer(dy);
      for (int32_t dx = 0; dx < tw; ++dx) {
        int32_t sx, sy;
        source(dx, dy, sx, sy);
        if (GetPixelIndexFast(sx, sy)) row[dx >> 3] |= uint8_t(0x80 >> (dx & 7));
      }
    }
  } else {
    // Tiles of 64 x 64 destination pixels keep reads and writes near each other.
    for (int32_t ty = 0; ty < th; ty += kTile) {
      for (int32_t tx = 0; tx < tw; tx += kTile) {
        for (int32_t dy = ty; dy < std::min(th, ty + kTile); ++dy) {
          for (int32_t dx = tx; dx < std::min(tw, tx + kTile); ++dx) {
            int32_t sx, sy;
            source(dx, dy, sx, sy);
            if (depth == 24)
              std::memcpy(turned.GetPixelAddress(dx, dy), GetPixelAddress(sx, sy), 3);
            else
              turned.SetPixelIndex(dx, dy, GetPixelIndexFast(sx, sy));
          }
        }
      }
      m_info.progress = int32_t(int64_t(std::min(th, ty + kTile)) * 100 / th);
    }
  }
  if (m_alpha)
    for (int32_t dy = 0; dy < th; ++dy)
      for (int32_t dx = 0; dx < tw; ++dx) {
        int32_t sx, sy;
        source(dx, dy, sx, sy);
        turned.SetAlpha(dx, dy, GetAlphaFast(sx, sy));
      }
  turned.m_info.progress = m_info.progress;
  if (output) return output->MoveFrom(turned);
  turned.SetContinuation(TakeContinuation());
  if (turned.GetContinuation()) turned.GetContinuation()->PictureTurned();
  return MoveFrom(turned);
}

bool CRaster::ReduceBitDepth(int32_t depth, bool diffusion, const RGBQUAD* palette,
                             uint32_t importantColors) {
  if (!m_block || depth > GetBitDepth()) return false;
  if (depth == GetBitDepth() &&
      (importantColors == 0 ||
       (m_header.biClrImportant != 0 && m_header.biClrImportant < importantColors)))
    return true;
  if (depth != 1 && depth != 4 && depth != 8) return false;
  CRaster reduced;
  reduced.CopyInfoFrom(*this);
  if (!reduced.Create(GetWidth(), GetHeight(), depth, GetFormatId())) {
    SetLastError(reduced.GetLastError());
    return false;
  }
  if (importantColors != 0) reduced.SetImportantColors(importantColors);
  reduced.CopySelection(*this);
  reduced.CopyAlphaPlane(*this);
  auto blackAndWhite = [&reduced] {
    reduced.SetPaletteEntry(0, MakeQuad(0, 0, 0));
    reduced.SetPaletteEntry(1, MakeQuad(255, 255, 255));
  };
  if (palette)
    reduced.SetPaletteFromQuads(palette, depth == 1 ? 2 : depth == 4 ? 16 : 256);
  else if (depth == 1)
    blackAndWhite();
  else
    reduced.SetDefaultPalette();

  const int32_t w = GetWidth();
  const int32_t h = GetHeight();
  for (int32_t y = 0; y < h && m_info.cancelRequest == 0; ++y) {
    m_info.progress = int32_t(int64_t(y) * 100 / h);
    for (int32_t x = 0; x < w; ++x) {
      const RGBQUAD c = GetPixelColor(x, y, true);
      reduced.SetPixelColor(x, y, c, false);
      if (!diffusion) continue;
      const RGBQUAD stored = reduced.GetPixelColor(x, y, false);
      const int32_t er = int32_t(c.rgbRed) - stored.rgbRed;
      const int32_t eg = int32_t(c.rgbGreen) - stored.rgbGreen;
      const int32_t eb = int32_t(c.rgbBlue) - stored.rgbBlue;
      // Seven, two, four and one sixteenths, to the right and to the row above.
      static const int32_t kShare[4][3] = {{1, 0, 7}, {-1, 1, 2}, {0, 1, 4}, {1, 1, 1}};
      for (const auto& s : kShare) {
        const int32_t nx = x + s[0], ny = y + s[1];
        if (!ContainsPoint(nx, ny)) continue;
        RGBQUAD p = GetPixelColor(nx, ny, false);
        p.rgbRed = ClampChannel(p.rgbRed + er * s[2] / 16);
        p.rgbGreen = ClampChannel(p.rgbGreen + eg * s[2] / 16);
        p.rgbBlue = ClampChannel(p.rgbBlue + eb * s[2] / 16);
        SetPixelColor(nx, ny, p, false);
      }
    }
  }
  if (GetBitDepth() == 1) blackAndWhite();
  reduced.SetContinuation(TakeContinuation());
  return MoveFrom(reduced);
}
