#include "engine/filters/ImageFilters.h"

#include <algorithm>
#include <cstdlib>

#include "engine/base/PackageFile.h"
#include "engine/base/SortedStringArray.h"
#include "engine/base/TextUtils.h"
#include "engine/effects/PropertyIds.h"

namespace {

inline BYTE* PixelRow(CDibSurface& picture, int row) {
  return picture.GetBits() + size_t(row) * size_t(picture.GetStride());
}

inline int Clamp255(int64_t v) { return v < 0 ? 0 : v > 255 ? 255 : static_cast<int>(v); }

// Storage rows of a top-down rectangle: first (its bottom line) to end - 1 (its top line).
inline int FirstRow(const CDibSurface& picture, const RECT& rect) {
  return picture.GetHeight() - rect.bottom;
}
inline int EndRow(const CDibSurface& picture, const RECT& rect) {
  return picture.GetHeight() - rect.top;
}

}  // namespace

// ---------------------------------------------------------------------------------------
// Colour matrix

CColorMatrixFilter::CColorMatrixFilter() : m_c{255, 255, 0, 0, 0, 0, 255, 0, 0, 0, 0, 255} {}

std::string CColorMatrixFilter::GetText() const {
  CSortedStringArray items;
  for (int32_t c : m_c) items.Add(IntToText(c));
  return items.Join(',', 0, true);
}

void CColorMatrixFilter::SetText(const std::string& text) {
  CSortedStringArray items;
  if (items.Split(text, ',', '"', false) < kCoefficientCount) return;
  for (int i = 0; i < kCoefficientCount; ++i) m_c[i] = ParseInt(items[i], 0);
}

HRESULT CColorMatrixFilter::GetProperty(int32_t id, std::string& value) {
  if (id != PROP_COLOR_MATRIX) return E_FAIL;
  value = GetText();
  return S_OK;
}

HRESULT CColorMatrixFilter::SetProperty(int32_t id, const std::string& value) {
  if (id != PROP_COLOR_MATRIX) return E_FAIL;
  SetText(value);
  NotifyChange(id);
  return S_OK;
}

HRESULT CColorMatrixFilter::Load(CPackageFile* package) {
  if (!package) return E_POINTER;
  SetText(package->GetText(PROP_COLOR_MATRIX, std::string()));
  return S_OK;
}

HRESULT CColorMatrixFilter::Save(CPackageFile* package) {
  if (!package) return E_POINTER;
  package->SetText(PROP_COLOR_MATRIX, GetText());
  return S_OK;
}

HRESULT CColorMatrixFilter::AnnounceProperties() { return NotifyChange(PROP_COLOR_MATRIX); }

void CColorMatrixFilter::Filter(CDibSurface& picture, const RECT& rect, const RECT&) {
  // The coefficients are any 32-bit numbers: every product and sum is taken in 64 bits,
  // and each product is shifted on its own (rounding toward minus infinity).
  int64_t c[kCoefficientCount];
  for (int i = 0; i < kCoefficientCount; ++i) c[i] = m_c[i];
  const int first = FirstRow(picture, rect), end = EndRow(picture, rect);
  for (int row = first; row < end; ++row) {
    BYTE* p = PixelRow(picture, row) + size_t(rect.left) * 3;
    for (LONG x = rect.left; x < rect.right; ++x, p += 3) {
      const int64_t b = p[0], g = p[1], r = p[2];
      const int64_t red = c[0] + ((r * c[1]) >> 8) + ((g * c[2]) >> 8) + ((b * c[3]) >> 8);
      const int64_t green = c[4] + ((r * c[5]) >> 8) + ((g * c[6]) >> 8) + ((b * c[7]) >> 8);
      const int64_t blue = c[8] + ((r * c[9]) >> 8) + ((g * c[10]) >> 8) + ((b * c[11]) >> 8);
      p[0] = BYTE(Clamp255(blue));
      p[1] = BYTE(Clamp255(green));
      p[2] = BYTE(Clamp255(red));
    }
  }
}

// ---------------------------------------------------------------------------------------
// Edge

CEdgeFilter::CEdgeFilter() {
  AddColorSetting(PROP_EDGE_COLOR, &m_edgeColour);
  AddColorSetting(PROP_EDGE_BACKGROUND, &m_background);
}

HRESULT CEdgeFilter::SetFrameSize(int32_t width, int32_t height) {
  MakeWorkingCopy(m_copy, width, height);
  return S_OK;
}

void CEdgeFilter::Filter(CDibSurface& picture, const RECT& rect, const RECT&) {
  // Without a copy of the picture's size there is nothing to read from: the frame stays.
  if (!IsSameFrame(m_copy, picture)) return;
  CopyFrame(m_copy, picture);
  const size_t stride = size_t(picture.GetStride());
  const int edge[3] = {ColorByte(m_edgeColour, 0), ColorByte(m_edgeColour, 1),
                       ColorByte(m_edgeColour, 2)};
  const bool ownBase = m_background == -1;
  const int base[3] = {ColorByte(m_background, 0), ColorByte(m_background, 1),
                       ColorByte(m_background, 2)};
  const int first = FirstRow(picture, rect), end = EndRow(picture, rect);
  for (int y = first + 1; y < end; ++y) {
    const BYTE* here = m_copy.GetBits() + size_t(y) * stride;
    const BYTE* below = here - stride;  // one row lower on screen
    BYTE* out = PixelRow(picture, y);
    for (LONG x = rect.left; x + 1 < rect.right; ++x) {
      const BYTE* p = here + size_t(x) * 3;
      const BYTE* q = below + size_t(x) * 3;
      int s = 0;
      for (int c = 0; c < 3; ++c) s += std::abs(p[c] - q[c + 3]) + std::abs(p[c + 3] - q[c]);
      int e = 2 * s;
      if (e < 100) e = 0;
      if (e > 255) e = 255;
      BYTE* o = out + size_t(x) * 3;
      for (int c = 0; c < 3; ++c) {
        const int b = ownBase ? p[c] : base[c];
        o[c] = BYTE((e * edge[c] + (255 - e) * b) >> 8);
      }
    }
  }
}

// ---------------------------------------------------------------------------------------
// Emboss

CEmbossFilter::CEmbossFilter() {
  AddColorSetting(PROP_EMBOSS_LIGHT_COLOR, &m_light);
  AddColorSetting(PROP_EMBOSS_SHADOW_COLOR, &m_shadow);
  AddColorSetting(PROP_EMBOSS_BASE_COLOR, &m_base);
  AddColorSetting(PROP_EMBOSS_DIRECTION, &m_direction);
}

HRESULT CEmbossFilter::SetFrameSize(int32_t width, int32_t height) {
  MakeWorkingCopy(m_copy, width, height);
  return S_OK;
}

void CEmbossFilter::Filter(CDibSurface& picture, const RECT& rect, const RECT&) {
  if (!IsSameFrame(m_copy, picture)) return;
  CopyFrame(m_copy, picture);
  const int64_t stride = picture.GetStride();
  const int first = FirstRow(picture, rect), end = EndRow(picture, rect);
  const BYTE base[3] = {BYTE(ColorByte(m_base, 0)), BYTE(ColorByte(m_base, 1)),
                        BYTE(ColorByte(m_base, 2))};
  const auto paint = [&base](BYTE* p) {
    p[0] = base[0];
    p[1] = base[1];
    p[2] = base[2];
  };
  // The border of the rectangle in the base colour.
  for (LONG x = rect.left; x < rect.right; ++x) {
    paint(PixelRow(picture, first) + size_t(x) * 3);
    paint(PixelRow(picture, end - 1) + size_t(x) * 3);
  }
  for (int y = first; y < end; ++y) {
    paint(PixelRow(picture, y) + size_t(rect.left) * 3);
    paint(PixelRow(picture, y) + size_t(rect.right - 1) * 3);
  }

  // The neighbour as displayed: 0 below, 1 below-left, 2 left, 3 above-left, 4 above,
  // 5 above-right, 6 right, 7 below-right (storage rows run bottom-up, so "below" is the
  // previous storage row). Any other direction compares a pixel with itself.
  static const int kColumn[8] = {0, -1, -1, -1, 0, 1, 1, 1};
  static const int kRow[8] = {-1, -1, 0, 1, 1, 1, 0, -1};
  const bool known = m_direction >= 0 && m_direction < 8;
  const int64_t offset =
      known ? kRow[m_direction] * stride + int64_t{kColumn[m_direction]} * 3 : 0;
  const int light[3] = {ColorByte(m_light, 0), ColorByte(m_light, 1), ColorByte(m_light, 2)};
  const int shadow[3] = {ColorByte(m_shadow, 0), ColorByte(m_shadow, 1), ColorByte(m_shadow, 2)};
  for (int y = first + 1; y < end - 1; ++y) {
    const BYTE* row = m_copy.GetBits() + size_t(y) * size_t(stride);
    BYTE* out = PixelRow(picture, y);
    for (LONG x = rect.left + 1; x < rect.right - 1; ++x) {
      const BYTE* p = row + size_t(x) * 3;
      const BYTE* n = p + offset;
      int d = 2 * ((p[0] + p[1] + p[2]) - (n[0] + n[1] + n[2]));
      d = std::max(-255, std::min(255, d));
      int strength = std::abs(d);
      if (strength < 32) strength = 0;
      const int* colour = d >= 0 ? light : shadow;
      BYTE* o = out + size_t(x) * 3;
      for (int c = 0; c < 3; ++c) o[c] = BYTE((strength * colour[c] + (255 - strength) * base[c]) >> 8);
    }
  }
}

// ---------------------------------------------------------------------------------------
// Mosaic

CMosaicFilter::CMosaicFilter() { AddSetting(PROP_MOSAIC_BLOCK, &m_block, kMinBlock, kMaxBlock); }

void CMosaicFilter::Filter(CDibSurface& picture, const RECT& rect, const RECT&) {
  const int n = std::max(kMinBlock, std::min(kMaxBlock, m_block));
  if (n == 1) return;  // every block is one pixel: its own average
  // Blocks are laid from the rectangle's left edge and its bottom line.
  const int first = FirstRow(picture, rect), end = EndRow(picture, rect);
  const size_t columns = size_t((rect.right - rect.left + n - 1) / n);
  if (m_sums.size() < columns * 4) m_sums.resize(columns * 4);
  for (int band = first; band < end; band += n) {
    const int bandEnd = std::min(end, band + n);
    std::fill(m_sums.begin(), m_sums.begin() + ptrdiff_t(columns * 4), 0u);
    for (int y = band; y < bandEnd; ++y) {
      const BYTE* p = PixelRow(picture, y) + size_t(rect.left) * 3;
      uint32_t* sum = m_sums.data();
      for (LONG x = rect.left; x < rect.right; x += n, sum += 4) {
        const LONG blockEnd = std::min<LONG>(rect.right, x + n);
        uint32_t b = 0, g = 0, r = 0;
        for (LONG i = x; i < blockEnd; ++i, p += 3) {
          b += p[0];
          g += p[1];
          r += p[2];
        }
        sum[0] += b;
        sum[1] += g;
        sum[2] += r;
        sum[3] += uint32_t(blockEnd - x);
      }
    }
    for (size_t i = 0; i < columns; ++i) {
      uint32_t* sum = &m_sums[i * 4];
      for (int c = 0; c < 3; ++c) sum[c] /= sum[3];
    }
    for (int y = band; y < bandEnd; ++y) {
      BYTE* p = PixelRow(picture, y) + size_t(rect.left) * 3;
      const uint32_t* sum = m_sums.data();
      for (LONG x = rect.left; x < rect.right; x += n, sum += 4) {
        const LONG blockEnd = std::min<LONG>(rect.right, x + n);
        for (LONG i = x; i < blockEnd; ++i, p += 3) {
          p[0] = BYTE(sum[0]);
          p[1] = BYTE(sum[1]);
          p[2] = BYTE(sum[2]);
        }
      }
    }
  }
}
