// Palette, pixel and colour operations of CRaster.
#include <algorithm>
#include <cstring>

#include "image/Raster.h"

namespace {

uint32_t QuadBits(RGBQUAD q) {
  return uint32_t(q.rgbBlue) | uint32_t(q.rgbGreen) << 8 | uint32_t(q.rgbRed) << 16 |
         uint32_t(q.rgbReserved) << 24;
}


// The default palettes, 0xRRGGBB.
constexpr uint32_t kDefault16[16] = {0x000000, 0x800000, 0x008000, 0x808000, 0x000080, 0x800080,
                                     0x008080, 0xC0C0C0, 0x808080, 0xFF0000, 0x00FF00, 0xFFFF00,
                                     0x0000FF, 0xFF00FF, 0x00FFFF, 0xFFFFFF};

constexpr uint32_t kDefault256[256] = {
    0x000000, 0x800000, 0x008000, 0x808000, 0x000080, 0x800080, 0x008080, 0xC0C0C0, 0xC0DCC0,
    0xA6CAF0, 0xFFF0D4, 0xFFE2B1, 0xFFD48E, 0xFFC66B, 0xFFB848, 0xFFAA25, 0xFFAA00, 0xDC9200,
    0xB97A00, 0x966200, 0x734A00, 0x503200, 0xFFE3D4, 0xFFC7B1, 0xFFAB8E, 0xFF8F6B, 0xFF7348,
    0xFF5725, 0xFF5500, 0xDC4900, 0xB93D00, 0x963100, 0x732500, 0x501900, 0xFFD4D4, 0xFFB1B1,
    0xFF8E8E, 0xFF6B6B, 0xFF4848, 0xFF2525, 0xFE0000, 0xDC0000, 0xB90000, 0x960000, 0x730000,
    0x500000, 0xFFD4E3, 0xFFB1C7, 0xFF8EAB, 0xFF6B8F, 0xFF4873, 0xFF2557, 0xFF0055, 0xDC0049,
    0xB9003D, 0x960031, 0x730025, 0x500019, 0xFFD4F0, 0xFFB1E2, 0xFF8ED4, 0xFF6BC6, 0xFF48B8,
    0xFF25AA, 0xFF00AA, 0xDC0092, 0xB9007A, 0x960062, 0x73004A, 0x500032, 0xFFD4FF, 0xFFB1FF,
    0xFF8EFF, 0xFF6BFF, 0xFF48FF, 0xFF25FF, 0xFE00FE, 0xDC00DC, 0xB900B9, 0x960096, 0x730073,
    0x500050, 0xF0D4FF, 0xE2B1FF, 0xD48EFF, 0xC66BFF, 0xB848FF, 0xAA25FF, 0xAA00FF, 0x9200DC,
    0x7A00B9, 0x620096, 0x4A0073, 0x320050, 0xE3D4FF, 0xC7B1FF, 0xAB8EFF, 0x8F6BFF, 0x7348FF,
    0x5725FF, 0x5500FF, 0x4900DC, 0x3D00B9, 0x310096, 0x250073, 0x190050, 0xD4D4FF, 0xB1B1FF,
    0x8E8EFF, 0x6B6BFF, 0x4848FF, 0x2525FF, 0x0000FE, 0x0000DC, 0x0000B9, 0x000096, 0x000073,
    0x000050, 0xD4E3FF, 0xB1C7FF, 0x8EABFF, 0x6B8FFF, 0x4873FF, 0x2557FF, 0x0055FF, 0x0049DC,
    0x003DB9, 0x003196, 0x002573, 0x001950, 0xD4F0FF, 0xB1E2FF, 0x8ED4FF, 0x6BC6FF, 0x48B8FF,
    0x25AAFF, 0x00AAFF, 0x0092DC, 0x007AB9, 0x006296, 0x004A73, 0x003250, 0xD4FFFF, 0xB1FFFF,
    0x8EFFFF, 0x6BFFFF, 0x48FFFF, 0x25FFFF, 0x00FEFE, 0x00DCDC, 0x00B9B9, 0x009696, 0x007373,
    0x005050, 0xD4FFF0, 0xB1FFE2, 0x8EFFD4, 0x6BFFC6, 0x48FFB8, 0x25FFAA, 0x00FFAA, 0x00DC92,
    0x00B97A, 0x009662, 0x00734A, 0x005032, 0xD4FFE3, 0xB1FFC7, 0x8EFFAB, 0x6BFF8F, 0x48FF73,
    0x25FF57, 0x00FF55, 0x00DC49, 0x00B93D, 0x009631, 0x007325, 0x005019, 0xD4FFD4, 0xB1FFB1,
    0x8EFF8E, 0x6BFF6B, 0x48FF48, 0x25FF25, 0x00FE00, 0x00DC00, 0x00B900, 0x009600, 0x007300,
    0x005000, 0xE3FFD4, 0xC7FFB1, 0xABFF8E, 0x8FFF6B, 0x73FF48, 0x57FF25, 0x55FF00, 0x49DC00,
    0x3DB900, 0x319600, 0x257300, 0x195000, 0xF0FFD4, 0xE2FFB1, 0xD4FF8E, 0xC6FF6B, 0xB8FF48,
    0xAAFF25, 0xAAFF00, 0x92DC00, 0x7AB900, 0x629600, 0x4A7300, 0x325000, 0xFFFFD4, 0xFFFFB1,
    0xFFFF8E, 0xFFFF6B, 0xFFFF48, 0xFFFF25, 0xFEFE00, 0xDCDC00, 0xB9B900, 0x969600, 0x737300,
    0x505000, 0xF2F2F2, 0xE6E6E6, 0xDADADA, 0xCECECE, 0xC2C2C2, 0xB6B6B6, 0xAAAAAA, 0x9E9E9E,
    0x929292, 0x868686, 0x7A7A7A, 0x6E6E6E, 0x626262, 0x565656, 0x4A4A4A, 0x3E3E3E, 0x323232,
    0x262626, 0x1A1A1A, 0x0E0E0E, 0xFFFBF0, 0xA0A0A4, 0x808080, 0xFF0000, 0x00FF00, 0xFFFF00,
    0x0000FF, 0xFF00FF, 0x00FFFF, 0xFFFFFF};

}  // namespace

// Palette.

uint32_t CRaster::GetPaletteBytes() const { return m_block ? GetPaletteSize() * 4 : 0; }

RGBQUAD* CRaster::GetPalette() const {
  if (!m_block || !IsPaletted()) return nullptr;
  return reinterpret_cast<RGBQUAD*>(m_block + kBitmapInfoHeaderSize);
}

RGBQUAD CRaster::GetPaletteEntry(uint32_t index) const {
  const RGBQUAD* palette = GetPalette();
  index %= 256;
  if (!palette || index >= GetPaletteSize()) return MakeQuad(0, 0, 0, 0);
  return palette[index];
}

bool CRaster::GetPaletteEntry(uint32_t index, uint8_t& red, uint8_t& green, uint8_t& blue) const {
  const RGBQUAD* palette = GetPalette();
  index %= 256;
  if (!palette || index >= GetPaletteSize()) return false;
  red = palette[index].rgbRed;
  green = palette[index].rgbGreen;
  blue = palette[index].rgbBlue;
  return true;
}

void CRaster::SetPaletteEntry(uint32_t index, uint8_t red, uint8_t green, uint8_t blue,
                              uint8_t alpha) {
  SetPaletteEntry(index, MakeQuad(blue, green, red, alpha));
}

void CRaster::SetPaletteEntry(uint32_t index, RGBQUAD color) {
  RGBQUAD* palette = GetPalette();
  index %= 256;
  if (!palette || index >= GetPaletteSize()) return;
  palette[index] = color;
  m_info.nearestValid = false;
}

void CRaster::SetPaletteFromChannels(uint32_t count, const uint8_t* red, const uint8_t* green,
                                     const uint8_t* blue) {
  RGBQUAD* palette = GetPalette();
  if (!palette || !red) return;
  if (!green) green = red;
  if (!blue) blue = green;
  const uint32_t n = std::min(count, GetPaletteSize());
  for (uint32_t i = 0; i < n; ++i) {
    palette[i].rgbRed = red[i];
    palette[i].rgbGreen = green[i];
    palette[i].rgbBlue = blue[i];
  }
  m_info.nearestValid = false;
}

void CRaster::SetPaletteFromTriples(const uint8_t* triples, uint32_t count) {
  RGBQUAD* palette = GetPalette();
  if (!palette || !triples) return;
  const uint32_t n = std::min(count, GetPaletteSize());
  for (uint32_t i = 0; i < n; ++i) {
    palette[i].rgbRed = triples[3 * i];
    palette[i].rgbGreen = triples[3 * i + 1];
    palette[i].rgbBlue = triples[3 * i + 2];
  }
  m_info.nearestValid = false;
}

void CRaster::SetPaletteFromQuads(const RGBQUAD* quads, uint32_t count) {
  RGBQUAD* palette = GetPalette();
  if (!palette || !quads) return;
  const uint32_t n = std::min(count, GetPaletteSize());
  std::memmove(palette, quads, size_t(n) * 4);
  m_info.nearestValid = false;
}

void CRaster::SetGreyPalette() {
  RGBQUAD* palette = GetPalette();
  const uint32_t n = GetPaletteSize();
  if (!palette || n < 2) return;
  const uint32_t step = 255 / (n - 1);
  for (uint32_t i = 0; i < n; ++i) {
    const uint8_t v = uint8_t(i * step);
    palette[i].rgbRed = palette[i].rgbGreen = palette[i].rgbBlue = v;
  }
  m_info.nearestValid = false;
}

void CRaster::SetDefaultPalette() {
  RGBQUAD* palette = GetPalette();
  if (!palette) return;
  const uint32_t* table = nullptr;
  uint32_t n = 0;
  if (GetBitDepth() == 4) {
    table = kDefault16;
    n = 16;
  } else if (GetBitDepth() == 8) {
    table = kDefault256;
    n = 256;
  } else {
    return;
  }
  n = std::min(n, GetPaletteSize());
  for (uint32_t i = 0; i < n; ++i)
    palette[i] = MakeQuad(uint8_t(table[i]), uint8_t(table[i] >> 8), uint8_t(table[i] >> 16), 0);
  m_info.nearestValid = false;
}

bool CRaster::IsIdentityGrey() const {
  const RGBQUAD* palette = GetPalette();
  if (!palette || GetPaletteSize() != 256) return false;
  for (uint32_t i = 0; i < 256; ++i)
    if (palette[i].rgbBlue != i || palette[i].rgbGreen != i || palette[i].rgbRed != i) return false;
  return true;
}

bool CRaster::HasPaletteAlpha() const {
  const RGBQUAD* palette = GetPalette();
  if (!palette) return false;
  for (uint32_t i = 0; i < GetPaletteSize(); ++i)
    if (palette[i].rgbReserved != 0) return true;
  return false;
}

void CRaster::ExchangeIndices(uint8_t a, uint8_t b) {
  RGBQUAD* palette = GetPalette();
  if (!palette || a >= GetPaletteSize() || b >= GetPaletteSize()) return;
  std::swap(palette[a], palette[b]);
  m_info.nearestValid = false;
  for (int32_t y = 0; y < GetHeight(); ++y)
    for (int32_t x = 0; x < GetWidth(); ++x) {
      const uint8_t index = GetPixelIndexFast(x, y);
      if (index == a)
        SetPixelIndex(x, y, b);
      else if (index == b)
        SetPixelIndex(x, y, a);
    }
}

void CRaster::SetImportantColors(uint32_t count) {
  if (count == 0 || count > 256) {
    m_header.biClrImportant = 0;
    return;
  }
  switch (GetBitDepth()) {
    case 1:
      m_header.biClrImportant = std::min<uint32_t>(count, 2);
      break;
    case 4:
      m_header.biClrImportant = std::min<uint32_t>(count, 16);
      break;
    case 8:
      m_header.biClrImportant = count;
      break;
    default:
      break;
  }
}

uint8_t CRaster::FindNearestIndex(RGBQUAD color) {
  const RGBQUAD* palette = GetPalette();
  if (!palette) return 0;
  const uint32_t bits = QuadBits(color);
  if (m_info.nearestValid && m_info.nearestColor == bits) return m_info.nearestIndex;
  m_info.nearestColor = bits;
  m_info.nearestValid = true;
  uint32_t n = m_header.biClrImportant ? m_header.biClrImportant : GetPaletteSize();
  n = std::min(n, GetPaletteSize());
  int64_t best = 200000;
  uint32_t bestIndex = 0;
  for (uint32_t i = 0; i < n; ++i) {
    const int64_t dg = int64_t(palette[i].rgbGreen) - color.rgbGreen;
    const int64_t db = int64_t(palette[i].rgbBlue) - color.rgbBlue;
    const int64_t dr = int64_t(palette[i].rgbRed) - color.rgbRed;
    const int64_t d = dg * dg + db * db + dr * dr;
    if (d == 0) {
      bestIndex = i;
      break;
    }
    if (d < best) {
      best = d;
      bestIndex = i;
    }
  }
  m_info.nearestIndex = uint8_t(bestIndex);
  return m_info.nearestIndex;
}

int32_t CompareColorBrightness(RGBQUAD a, RGBQUAD b) {
  const int32_t ba = (601 * a.rgbGreen + 306 * a.rgbRed + 117 * a.rgbBlue) >> 10;
  const int32_t bb = (601 * b.rgbGreen + 306 * b.rgbRed + 117 * b.rgbBlue) >> 10;
  return ba - bb;
}

void CRaster::SwapRedBlue(uint8_t* bytes, int64_t length) const {
  if (!bytes || GetBitDepth() != 24 || length <= 0) return;
  length = std::min<int64_t>(length, m_info.rowBytes);
  // Whole groups only: the padding at the end of a row is not a pixel.
  const int64_t groups = length / 3;
  for (int64_t i = 0; i < groups; ++i) std::swap(bytes[3 * i], bytes[3 * i + 2]);
}

// Pixels.

uint8_t CRaster::GetPixelIndexFast(int32_t x, int32_t y) const {
  const uint8_t* row = m_pixels + size_t(y) * m_info.rowBytes;
  switch (GetBitDepth()) {
    case 8:
      return row[x];
    case 4:
      return (x & 1) ? (row[x >> 1] & 0x0F) : uint8_t(row[x >> 1] >> 4);
    case 1:
      return (row[x >> 3] >> (7 - (x & 7))) & 1;
    default:
      return 0;
  }
}

uint8_t CRaster::GetPixelIndex(int32_t x, int32_t y) const {
  if (!m_block || !IsPaletted()) return 0;
  if (!ContainsPoint(x, y)) {
    if (m_info.transparentIndex >= 0) return uint8_t(m_info.transparentIndex);
    return GetPixelIndexFast(0, 0);
  }
  return GetPixelIndexFast(x, y);
}

void CRaster::SetPixelIndex(int32_t x, int32_t y, uint8_t index) {
  if (!m_block || !IsPaletted() || !ContainsPoint(x, y)) return;
  uint8_t* row = m_pixels + size_t(y) * m_info.rowBytes;
  switch (GetBitDepth()) {
    case 8:
      row[x] = index;
      break;
    case 4: {
      uint8_t& b = row[x >> 1];
      if (x & 1)
        b = uint8_t((b & 0xF0) | (index & 0x0F));
      else
        b = uint8_t((b & 0x0F) | ((index & 0x0F) << 4));
      break;
    }
    case 1: {
      uint8_t& b = row[x >> 3];
      const uint8_t mask = uint8_t(0x80 >> (x & 7));
      b = (index & 1) ? uint8_t(b | mask) : uint8_t(b & ~mask);
      break;
    }
    default:
      break;
  }
}

RGBQUAD CRaster::GetPixelColorFast(int32_t x, int32_t y) const {
  if (IsPaletted()) return GetPaletteEntry(GetPixelIndexFast(x, y));
  const uint8_t* p = m_pixels + size_t(y) * m_info.rowBytes + size_t(x) * 3;
  return MakeQuad(p[0], p[1], p[2], m_alpha ? GetAlphaFast(x, y) : 0);
}

RGBQUAD CRaster::GetPixelColor(int32_t x, int32_t y, bool withAlpha) const {
  RGBQUAD color = m_info.transparentColor;
  if (m_block && ContainsPoint(x, y)) {
    if (IsPaletted()) {
      color = GetPaletteEntry(GetPixelIndexFast(x, y));
    } else {
      const uint8_t* p = m_pixels + size_t(y) * m_info.rowBytes + size_t(x) * 3;
      color = MakeQuad(p[0], p[1], p[2], m_info.transparentColor.rgbReserved);
    }
    if (withAlpha && m_alpha) color.rgbReserved = GetAlphaFast(x, y);
    return color;
  }
  if (m_info.transparentIndex < 0) {
    if (m_block) return GetPixelColor(0, 0, true);
    return color;
  }
  if (GetBitDepth() < 24) return GetPaletteEntry(uint32_t(m_info.transparentIndex));
  return color;
}

void CRaster::SetPixelColor(int32_t x, int32_t y, RGBQUAD color, bool setAlpha) {
  if (!m_block || !ContainsPoint(x, y)) return;
  if (IsPaletted()) {
    SetPixelIndex(x, y, FindNearestIndex(color));
    return;
  }
  uint8_t* p = m_pixels + size_t(y) * m_info.rowBytes + size_t(x) * 3;
  p[0] = color.rgbBlue;
  p[1] = color.rgbGreen;
  p[2] = color.rgbRed;
  if (setAlpha) SetAlpha(x, y, color.rgbReserved);
}

void CRaster::SetPixelColorRef(int32_t x, int32_t y, uint32_t colorRef) {
  SetPixelColor(x, y, MakeQuad(uint8_t(colorRef >> 16), uint8_t(colorRef >> 8), uint8_t(colorRef), 0),
                false);
}

uint8_t* CRaster::GetPixelAddress(int32_t x, int32_t y) const {
  if (!m_block || IsPaletted()) return nullptr;
  return m_pixels + size_t(y) * m_info.rowBytes + size_t(x) * 3;
}

bool CRaster::IsPixelTransparent(int32_t x, int32_t y) const {
  if (!m_block) return false;
  if (m_info.transparentIndex >= 0) {
    if (GetBitDepth() >= 24)
      return QuadBits(GetPixelColor(x, y, false)) == QuadBits(m_info.transparentColor);
    return GetPixelIndex(x, y) == uint32_t(m_info.transparentIndex);
  }
  if (m_alpha) return GetAlpha(x, y) == 0;
  return false;
}
