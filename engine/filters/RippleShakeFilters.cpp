#include "engine/filters/RippleShakeFilters.h"

#include <algorithm>
#include <new>

#include "engine/base/Random.h"
#include "engine/effects/PropertyIds.h"

// ---------------------------------------------------------------------------------------
// Water surface

bool CRippleMap::Create(int width, int height) {
  m_a.clear();
  m_b.clear();
  m_width = m_height = 0;
  m_selector = 0;
  if (width <= 0 || height <= 0 || width > CDibSurface::kMaxSide ||
      height > CDibSurface::kMaxSide)
    return false;
  const size_t cells = size_t(width) * size_t(height);
  try {
    m_a.assign(cells, 0);
    m_b.assign(cells, 0);
  } catch (const std::bad_alloc&) {
    m_a.clear();
    m_b.clear();
    return false;
  }
  m_width = width;
  m_height = height;
  return true;
}

void CRippleMap::Drop(int x, int y, int radius, int strength, int buffer) {
  if (m_width < 3 || m_height < 3 || radius <= 0) return;
  std::vector<int32_t>& cells = buffer ? m_b : m_a;
  const int64_t r = radius;
  const int64_t top = std::max<int64_t>(1, int64_t{y} - r);
  const int64_t bottom = std::min<int64_t>(m_height - 2, int64_t{y} + r - 1);
  const int64_t left = std::max<int64_t>(1, int64_t{x} - r);
  const int64_t right = std::min<int64_t>(m_width - 2, int64_t{x} + r - 1);
  for (int64_t row = top; row <= bottom; ++row) {
    const int64_t v = row - y;
    for (int64_t column = left; column <= right; ++column) {
      const int64_t u = column - x;
      if (u * u + v * v < r * r) cells[size_t(row * m_width + column)] += strength;
    }
  }
}

void CRippleMap::Step(int selector, int dampingShift) {
  if (m_width < 3 || m_height < 3) return;
  const std::vector<int32_t>& source = selector ? m_a : m_b;
  std::vector<int32_t>& dest = selector ? m_b : m_a;
  const int64_t w = m_width;
  for (int64_t row = 1; row < m_height - 1; ++row) {
    const int32_t* s = source.data() + row * w;
    int32_t* d = dest.data() + row * w;
    for (int64_t c = 1; c < w - 1; ++c) {
      const int64_t sum = int64_t{s[c - 1]} + s[c + 1] + s[c - w] + s[c + w] + s[c - w - 1] +
                          s[c - w + 1] + s[c + w - 1] + s[c + w + 1];
      const int64_t f = (sum >> 2) - d[c];
      d[c] = static_cast<int32_t>(f - (f >> dampingShift));
    }
  }
}

void CRippleMap::Refract(const BYTE* source, BYTE* dest, size_t stride) const {
  if (m_width < 3 || m_height < 3) return;
  // The surface the last step wrote: the one the next step reads.
  const std::vector<int32_t>& heights = m_selector ? m_a : m_b;
  const int64_t w = m_width, h = m_height;
  for (int64_t row = 1; row < h - 1; ++row) {
    const int32_t* cell = heights.data() + row * w;
    BYTE* out = dest + size_t(row) * stride;
    for (int64_t c = 1; c < w - 1; ++c) {
      const int64_t dx = int64_t{cell[c]} - cell[c + 1];
      const int64_t dy = int64_t{cell[c]} - cell[c + w];
      // The cell index i + (dy >> 3) * W + (dx >> 3), as a row and a column of the
      // pictures (whose rows may be padded).
      int64_t sourceRow = row + (dy >> 3);
      int64_t sourceColumn = c + (dx >> 3);
      if (sourceColumn < 0 || sourceColumn >= w) {
        const int64_t index = sourceRow * w + sourceColumn;
        if (index <= 0 || index >= w * h) continue;
        sourceRow = index / w;
        sourceColumn = index % w;
      } else if (sourceRow < 0 || sourceRow >= h || (sourceRow == 0 && sourceColumn == 0)) {
        continue;
      }
      const BYTE* in = source + size_t(sourceRow) * stride + size_t(sourceColumn) * 3;
      BYTE* o = out + size_t(c) * 3;
      for (int k = 0; k < 3; ++k) {
        const int64_t v = in[k] - dx;
        o[k] = BYTE(v < 0 ? 0 : v > 255 ? 255 : v);
      }
    }
  }
}

void CRippleMap::Update(const BYTE* source, BYTE* dest, size_t stride) {
  Refract(source, dest, stride);
  Step(m_selector, kDampingShift);
  m_selector = 1 - m_selector;
}

// ---------------------------------------------------------------------------------------
// Ripple

CRippleFilter::CRippleFilter() : m_vx(NextRandom() % 5), m_vy(NextRandom() % 5) {
  AddSetting(PROP_RIPPLE_RATE, &m_rate, 0, 100);
  AddSetting(PROP_RIPPLE_RADIUS, &m_radius, 1, 200);
}

HRESULT CRippleFilter::SetFrameSize(int32_t width, int32_t height) {
  MakeSizedBuffers(
      width, height,
      [&] {
        if (width <= 0 || height <= 0) {
          FitWorkingPicture(m_work, width, height);
          m_map.reset();
          return true;
        }
        if (!FitWorkingPicture(m_work, width, height)) return false;
        if (m_map && m_map->GetWidth() == width && m_map->GetHeight() == height) return true;
        m_map.reset(new (std::nothrow) CRippleMap());
        if (m_map && m_map->Create(width, height)) return true;
        m_map.reset();
        return false;
      },
      [&] {
        m_work.Free();
        m_map.reset();
      });
  return S_OK;
}

void CRippleFilter::Filter(CDibSurface& picture, const RECT& rect, const RECT&) {
  if (!IsSameFrame(m_work, picture) || !m_map || m_map->GetWidth() != picture.GetWidth() ||
      m_map->GetHeight() != picture.GetHeight())
    return;
  // The drop point wanders over the rectangle, turning back at its edges.
  m_x += m_vx;
  m_y += m_vy;
  if (m_x < rect.left) {
    m_x = rect.left;
    m_vx = NextRandom() % 5 + 1;
  } else if (m_x >= rect.right) {
    m_x = rect.right - 1;
    m_vx = -(NextRandom() % 5) - 1;
  }
  if (m_y < rect.top) {
    m_y = rect.top;
    m_vy = NextRandom() % 5 + 1;
  } else if (m_y >= rect.bottom) {
    m_y = rect.bottom - 1;
    m_vy = -(NextRandom() % 5) - 1;
  }
  // The point's y is taken as a row of the surface, whose rows are storage rows: drops land
  // on the vertical mirror of the point, which for a whole-frame rectangle wanders over
  // the same area.
  if (NextRandom() % 100 < m_rate) m_map->Drop(m_x, m_y, m_radius, m_radius, m_map->GetSelector());
  m_map->Update(picture.GetBits(), m_work.GetBits(), size_t(picture.GetStride()));
  CopyFrameRect(picture, rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top,
                m_work, rect.left, rect.top);
}

// ---------------------------------------------------------------------------------------
// Shake

CShakeFilter::CShakeFilter() {
  AddSetting(PROP_SHAKE_X, &m_x, 0, 100);
  AddSetting(PROP_SHAKE_Y, &m_y, 0, 100);
}

HRESULT CShakeFilter::SetFrameSize(int32_t width, int32_t height) {
  MakeWorkingCopy(m_copy, width, height);
  return S_OK;
}

void CShakeFilter::Filter(CDibSurface& picture, const RECT& rect, const RECT&) {
  if (!IsSameFrame(m_copy, picture)) return;
  const int dx = m_x != 0 ? NextRandom() % (2 * m_x) - m_x : 0;
  const int dy = m_y != 0 ? NextRandom() % (2 * m_y) - m_y : 0;
  if (dx == 0 && dy == 0) return;  // the picture onto itself
  CopyFrame(m_copy, picture);
  // Where the shifted source lies outside the picture, the picture stays as it was.
  CopyFrameRect(picture, rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top,
                m_copy, rect.left + dx, rect.top + dy);
}
