#include "engine/filters/MotionFilters.h"

#include <algorithm>
#include <cstdlib>
#include <utility>

#include "engine/base/Random.h"
#include "engine/effects/PropertyIds.h"

namespace {

inline BYTE* PixelAt(CDibSurface& picture, int row, LONG column) {
  return picture.GetBits() + size_t(row) * size_t(picture.GetStride()) + size_t(column) * 3;
}

inline int Difference(const BYTE* a, const BYTE* b) {
  return std::abs(a[0] - b[0]) + std::abs(a[1] - b[1]) + std::abs(a[2] - b[2]);
}

bool HasCells(const std::vector<int32_t>& cells, const CDibSurface& picture) {
  return cells.size() == size_t(picture.GetWidth()) * size_t(picture.GetHeight());
}

}  // namespace

// ---------------------------------------------------------------------------------------
// Motion fire

CMotionFireFilter::CMotionFireFilter() {
  AddColorSetting(PROP_FIRE_HOT_COLOR, &m_hot);
  AddColorSetting(PROP_FIRE_COOL_COLOR, &m_cool);
  AddColorSetting(PROP_FIRE_BACKGROUND, &m_background);
}

HRESULT CMotionFireFilter::SetFrameSize(int32_t width, int32_t height) {
  MakeSizedBuffers(
      width, height,
      [&] {
        const bool same = m_previous.GetBits() && m_previous.GetWidth() == width &&
                          m_previous.GetHeight() == height;
        if (same || width <= 0 || height <= 0) return true;
        if (!FitWorkingPicture(m_previous, width, height)) return false;
        const size_t cells = size_t(width) * size_t(height);
        m_heat.resize(cells, 0);
        m_previousHeat.resize(cells, 0);
        return true;
      },
      [&] {
        m_previous.Free();
        std::vector<int32_t>().swap(m_heat);
        std::vector<int32_t>().swap(m_previousHeat);
      });
  return S_OK;
}

void CMotionFireFilter::Filter(CDibSurface& picture, const RECT& rect, const RECT&) {
  if (!IsSameFrame(m_previous, picture) || !HasCells(m_heat, picture) ||
      !HasCells(m_previousHeat, picture))
    return;
  const int64_t W = picture.GetWidth();
  const int first = picture.GetHeight() - rect.bottom, end = picture.GetHeight() - rect.top;
  const LONG L = rect.left, R = rect.right;

  // Motion against the previous frame makes heat.
  for (int row = first; row < end; ++row) {
    const BYTE* p = PixelAt(picture, row, L);
    const BYTE* q = PixelAt(m_previous, row, L);
    int32_t* heat = &m_heat[size_t(row * W + L)];
    for (LONG c = L; c < R; ++c, p += 3, q += 3) {
      const int m = 2 * Difference(p, q);
      *heat++ = m > 64 ? m : 0;
    }
  }
  CopyFrame(m_previous, picture);

  // Flames: new heat plus the heat that rises from the row below and its neighbours; the
  // sideways terms exist only above the rectangle's bottom row.
  const int hot[3] = {ColorByte(m_hot, 0), ColorByte(m_hot, 1), ColorByte(m_hot, 2)};
  const int cool[3] = {ColorByte(m_cool, 0), ColorByte(m_cool, 1), ColorByte(m_cool, 2)};
  const bool ownBase = m_background == -1;
  const int base[3] = {ColorByte(m_background, 0), ColorByte(m_background, 1),
                       ColorByte(m_background, 2)};
  // The flame colour of every heat: J * cool / 255 + A * hot / 255 per channel, J = 255 - A.
  for (int a = 0; a < 256; ++a) {
    for (int k = 0; k < 3; ++k) m_colours[a * 3 + k] = (255 - a) * cool[k] / 255 + a * hot[k] / 255;
  }
  const auto burn = [&](BYTE* p, int32_t a) {
    const int j = 255 - a;
    const int* colour = &m_colours[a * 3];
    for (int k = 0; k < 3; ++k) {
      const int b = ownBase ? p[k] : base[k];
      p[k] = BYTE((a * colour[k] + j * b) >> 8);
    }
  };
  for (int row = first; row < end; ++row) {
    BYTE* p = PixelAt(picture, row, L);
    int32_t* heat = &m_heat[size_t(row * W)];
    const int32_t* previous = &m_previousHeat[size_t(row * W)];
    if (row == first) {
      for (LONG c = L; c < R; ++c, p += 3) {
        const int32_t a = std::min((previous[c] + 5 * heat[c]) / 2, 255);
        heat[c] = a;
        burn(p, a);
      }
      continue;
    }
    const int32_t* below = previous - W;
    for (LONG c = L; c < R; ++c, p += 3) {
      int32_t a = previous[c] + 5 * heat[c] + 8 * below[c];
      if (c - 1 >= L && c + 1 < R) {
        a = (a + 5 * below[c - 1] + 5 * below[c + 1]) / 20;
      } else {
        int32_t divisor = 10;
        if (c - 1 >= L) {
          a += 5 * below[c - 1];
          divisor += 5;
        }
        if (c + 1 < R) {
          a += 5 * below[c + 1];
          divisor += 5;
        }
        a /= divisor;
      }
      a = std::min(a, 255);
      heat[c] = a;
      burn(p, a);
    }
  }
  // The heat of this frame is the previous heat of the next. Cells outside the rectangle
  // are never read, and the next frame writes every heat cell it reads first, so the two
  // arrays can simply change places.
  std::swap(m_heat, m_previousHeat);
}

// ---------------------------------------------------------------------------------------
// Trail

CTrailFilter::CTrailFilter() {
  AddSetting(PROP_TRAIL_LENGTH, &m_length, kMinLength, kMaxLength);
}

HRESULT CTrailFilter::SetFrameSize(int32_t width, int32_t height) {
  MakeWorkingCopy(m_history, width, height);
  return S_OK;
}

void CTrailFilter::Filter(CDibSurface& picture, const RECT& rect, const RECT&) {
  if (!IsSameFrame(m_history, picture)) return;
  const int k = std::max(kMinLength, std::min(kMaxLength, m_length));
  const int first = picture.GetHeight() - rect.bottom, end = picture.GetHeight() - rect.top;
  const size_t bytes = size_t(rect.right - rect.left) * 3;
  for (int row = first; row < end; ++row) {
    BYTE* p = PixelAt(picture, row, rect.left);
    BYTE* h = PixelAt(m_history, row, rect.left);
    for (size_t i = 0; i < bytes; ++i) {
      const BYTE v = BYTE((p[i] + k * h[i]) / (k + 1));
      p[i] = v;
      h[i] = v;
    }
  }
}

// ---------------------------------------------------------------------------------------
// Snow

CSnowFilter::CSnowFilter() {
  AddColorSetting(PROP_SNOW_COLOR, &m_colour);
  AddSetting(PROP_SNOW_RATE, &m_rate, 1, 100);
}

HRESULT CSnowFilter::SetFrameSize(int32_t width, int32_t height) {
  if (width <= 0 || height <= 0) return S_OK;
  MakeSizedBuffers(
      width, height,
      [&] {
        const size_t cells = size_t(width) * size_t(height);
        if (m_flakes.size() != cells) m_flakes.assign(cells, 0);
        if (m_edges.size() != cells) m_edges.resize(cells, 0);
        m_width = width;
        m_height = height;
        return true;
      },
      [&] {
        std::vector<int32_t>().swap(m_flakes);
        std::vector<int32_t>().swap(m_edges);
        m_width = m_height = 0;
      });
  return S_OK;
}

void CSnowFilter::Filter(CDibSurface& picture, const RECT& rect, const RECT&) {
  if (picture.GetWidth() != m_width || picture.GetHeight() != m_height ||
      !HasCells(m_flakes, picture) || !HasCells(m_edges, picture))
    return;
  const int64_t W = m_width;
  const int first = m_height - rect.bottom, end = m_height - rect.top;
  const LONG L = rect.left, R = rect.right;

  // Edges: a strong change against the pixel one row lower.
  for (int row = first + 1; row < end; ++row) {
    const BYTE* p = PixelAt(picture, row, L);
    const BYTE* q = PixelAt(picture, row - 1, L);
    int32_t* edge = &m_edges[size_t(row * W + L)];
    for (LONG c = L; c < R; ++c, p += 3, q += 3) *edge++ = Difference(p, q) > 40 ? 255 : 0;
  }

  // New flakes along the top line, away from its first and last two columns. A rectangle
  // narrower than three pixels has no room for them.
  if (end - first > 1 && R - L >= 3) {
    for (int i = 0; i < m_rate; ++i) {
      const LONG c = L + NextRandom() % (R - L - 2);
      const size_t cell = size_t((end - 1) * W + c);
      if (m_edges[cell] == 0) m_flakes[cell] = 255;
    }
  }

  // Falling, bottom up: each flake moves one row down with a little sideways jitter, fading
  // one step; flakes pile up above edges and on the bottom line.
  for (int row = first; row < end - 1; ++row) {
    int32_t* flakes = m_flakes.data() + row * W;
    const int32_t* edges = m_edges.data() + row * W;
    for (LONG c = L + 1; c < R - 1; ++c) {
      const int32_t r = NextRandom();
      if (edges[c] != 0) {
        flakes[c] = 0;
        continue;
      }
      int32_t& above = flakes[W + c + (r % 5 - 2) / 2];
      const int32_t a = std::max(above - 1, 0);
      const int32_t f = std::max(flakes[c] - 1, 0);
      const int32_t v = std::min(a + f, 255);
      above = a + f - v;
      flakes[c] = v;
    }
  }

  const int colour[3] = {ColorByte(m_colour, 0), ColorByte(m_colour, 1), ColorByte(m_colour, 2)};
  for (int row = first; row < end - 1; ++row) {
    const int32_t* flakes = m_flakes.data() + row * W;
    BYTE* p = PixelAt(picture, row, L + 1);
    for (LONG c = L + 1; c < R - 1; ++c, p += 3) {
      const int32_t w = flakes[c];
      if (w == 0) continue;
      for (int k = 0; k < 3; ++k) p[k] = BYTE((p[k] * (255 - w) + w * colour[k]) >> 8);
    }
  }
}
