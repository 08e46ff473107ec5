#include "engine/filters/WarpFilter.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>

#include "engine/base/PackageFile.h"
#include "engine/base/TextUtils.h"
#include "engine/effects/PropertyIds.h"

namespace {

// What setting a mode does, and the ranges its parameters are held to on set.
struct ModeRule {
  int32_t p1, p2;        // put in place by the mode
  bool setsP2;           // modes with one parameter leave p2 alone
  int32_t low1, high1;   // range of p1
  int32_t low2, high2;   // range of p2
  bool zeroIsOne;        // a held value of 0 becomes 1
  bool p2Settable;       // false: a set of p2 changes nothing
};

constexpr ModeRule kRules[CWarpFilter::kModeCount] = {
    {2, 2, true, 1, 32, 1, 24, false, true},               // tiles
    {2, 2, true, -32, 32, -24, 24, true, true},            // mirrored tiles
    {50, 200, true, -1000, 1000, -1000, 1000, true, true}, // zoom
    {0, 0, true, -160, 160, -120, 120, false, true},       // sphere lens
    {5, 32, true, 1, 1000, 1, 1000, false, true},          // waves
    {20, 0, false, 1, 32, 0, 0, false, false},             // swirl
    {20, 0, false, 1, 32, 0, 0, false, false},             // root lens
    {4, 50, true, 1, 32, 20, 100, false, true},            // nested frames
    {2, 2, true, -32, 32, -24, 24, true, true},            // mirrored bands
};

// The whole part of a floating value, toward zero; values beyond any picture are held far
// outside it, and a value that is not a number counts as 0.
int64_t Trunc(double v) {
  if (!(v == v)) return 0;
  constexpr double kFar = 1e9;
  if (v > kFar) return int64_t(kFar);
  if (v < -kFar) return -int64_t(kFar);
  return static_cast<int64_t>(v);
}

int64_t Limit(int64_t v, int64_t size) { return v < 0 ? 0 : v >= size ? size - 1 : v; }

// A position as a map entry; positions a 16-bit entry cannot hold lie outside every
// picture and become the outside mark.
int16_t Entry(int64_t v) {
  return v > INT16_MAX || v <= INT16_MIN ? CWarpFilter::kOutside : static_cast<int16_t>(v);
}

// Mirrored tiles and bands: the tile or band number t div size is odd with a positive
// count, or even with a negative one.
bool Mirrored(int64_t t, int64_t size, int32_t count) {
  const bool odd = (t / size) % 2 != 0;
  return count > 0 ? odd : count < 0 && !odd;
}

}  // namespace

CWarpFilter::CWarpFilter() {
  AddColorSetting(PROP_WARP_MODE, &m_mode);
  AddColorSetting(PROP_WARP_PARAM1, &m_p1);
  AddColorSetting(PROP_WARP_PARAM2, &m_p2);
}

HRESULT CWarpFilter::SetProperty(int32_t id, const std::string& text) {
  const int32_t value = ParseInt(text, 0);
  const bool known = m_mode >= 0 && m_mode < kModeCount;
  switch (id) {
    case PROP_WARP_MODE: {
      m_mode = value;
      if (m_mode >= 0 && m_mode < kModeCount) {
        const ModeRule& rule = kRules[m_mode];
        m_p1 = rule.p1;
        if (rule.setsP2) m_p2 = rule.p2;
      }
      m_rebuild = true;
      SetFrameSize(m_width, m_height);
      NotifyChange(PROP_WARP_MODE);
      NotifyChange(PROP_WARP_PARAM1);
      NotifyChange(PROP_WARP_PARAM2);
      return S_OK;
    }
    case PROP_WARP_PARAM1:
    case PROP_WARP_PARAM2: {
      if (known) {
        const ModeRule& rule = kRules[m_mode];
        const bool first = id == PROP_WARP_PARAM1;
        if (first || rule.p2Settable) {
          int32_t held = first ? LimitToRange(value, rule.low1, rule.high1)
                               : LimitToRange(value, rule.low2, rule.high2);
          if (held == 0 && rule.zeroIsOne) held = 1;
          (first ? m_p1 : m_p2) = held;
        }
        m_rebuild = true;
        SetFrameSize(m_width, m_height);
      }
      NotifyChange(id);
      return S_OK;
    }
    default:
      return E_FAIL;
  }
}

HRESULT CWarpFilter::Load(CPackageFile* package) {
  if (!package) return E_POINTER;
  m_mode = package->GetInt(PROP_WARP_MODE, m_mode);
  m_p1 = package->GetInt(PROP_WARP_PARAM1, m_p1);
  m_p2 = package->GetInt(PROP_WARP_PARAM2, m_p2);
  m_rebuild = true;  // a map built before no longer fits the loaded settings
  return S_OK;
}

HRESULT CWarpFilter::SetFrameSize(int32_t width, int32_t height) {
  MakeSizedBuffers(
      width, height,
      [&] {
        if (FitWorkingPicture(m_copy, width, height)) {
          m_width = width;
          m_height = height;
        } else if (width <= 0 || height <= 0) {
          m_width = m_height = 0;
        } else {
          return false;
        }
        const size_t entries = size_t(m_width) * size_t(m_height) * 2;
        if (m_map.size() != entries || m_rebuild) {
          m_map.resize(entries, 0);
          BuildMap(m_width, m_height);
        }
        m_rebuild = false;
        return true;
      },
      [&] {
        m_copy.Free();
        std::vector<int16_t>().swap(m_map);
        m_width = m_height = 0;
        m_rebuild = true;
      });
  return S_OK;
}

void CWarpFilter::BuildMap(int width, int height) {
  if (width <= 0 || height <= 0 || m_mode < 0 || m_mode >= kModeCount) return;
  const int64_t W = width, H = height, halfW = W / 2, halfH = H / 2;
  int16_t* entry = m_map.data();
  const auto put = [&entry](int64_t x, int64_t y) {
    *entry++ = Entry(x);
    *entry++ = Entry(y);
  };
  switch (m_mode) {
    case 0:  // tiles
      if (m_p1 <= 0) m_p1 = 1;
      if (m_p2 <= 0) m_p2 = 1;
      for (int64_t i = 0; i < H; ++i)
        for (int64_t j = 0; j < W; ++j) put((m_p1 * j) % W, (m_p2 * i) % H);
      break;
    case 1:  // mirrored tiles: every tile shows the whole picture reduced
      for (int64_t i = 0; i < H; ++i) {
        const int64_t ti = std::llabs(m_p2) * i;
        int64_t y = ti % H;
        if (Mirrored(ti, H, m_p2)) y = H - y - 1;
        for (int64_t j = 0; j < W; ++j) {
          const int64_t tj = std::llabs(m_p1) * j;
          int64_t x = tj % W;
          if (Mirrored(tj, W, m_p1)) x = W - x - 1;
          put(x, y);
        }
      }
      break;
    case 8:  // mirrored bands: the picture at its size, mirrored in every other band
      for (int64_t i = 0; i < H; ++i) {
        const int64_t y = Mirrored(std::llabs(m_p2) * i, H, m_p2) ? H - i - 1 : i;
        for (int64_t j = 0; j < W; ++j)
          put(Mirrored(std::llabs(m_p1) * j, W, m_p1) ? W - j - 1 : j, y);
      }
      break;
    case 2: {  // zoom about the centre; a negative scale mirrors the zoomed picture
      if (m_p1 == 0) m_p1 = 1;
      if (m_p2 == 0) m_p2 = 1;
      const int64_t s1 = std::llabs(m_p1), s2 = std::llabs(m_p2);
      for (int64_t i = 0; i < H; ++i) {
        int64_t y = halfH + (100 * i - 100 * halfH) / s2;
        if (m_p2 < 0) y = H - y - 1;
        for (int64_t j = 0; j < W; ++j) {
          int64_t x = halfW + (100 * j - 100 * halfW) / s1;
          if (m_p1 < 0) x = W - x - 1;
          put(x, y);
        }
      }
      break;
    }
    case 3: {  // sphere lens
      const int64_t cx = m_p1 + halfW, cy = m_p2 + halfH;
      // A lens centred at or beyond the top left corner has no positive radius: 1.
      const double r = double(std::max<int64_t>(1, std::max(cx, cy)));
      for (int64_t i = 0; i < H; ++i) {
        for (int64_t j = 0; j < W; ++j) {
          const double u = double(j - cx), v = double(i - cy);
          const double a = std::atan2(v, u);
          const double d = (u * u + v * v) / r;
          put(Limit(cx + Trunc(d * std::cos(a)), W), Limit(cy + Trunc(d * std::sin(a)), H));
        }
      }
      break;
    }
    case 4: {  // waves
      if (m_p1 < 1) m_p1 = 1;
      if (m_p2 < 1) m_p2 = 1;
      const double tau = double(6.2831855f);
      for (int64_t i = 0; i < H; ++i) {
        const int64_t dx = Trunc(m_p1 * std::sin(double(i) * tau / m_p2));
        for (int64_t j = 0; j < W; ++j) {
          const int64_t dy = Trunc(m_p1 * std::cos(double(j) * tau / m_p2));
          put(Limit(j + dx, W), Limit(i + dy, H));
        }
      }
      break;
    }
    case 5:    // swirl
    case 6: {  // root lens
      m_p1 = LimitToRange(m_p1, 1, m_mode == 5 ? 100 : 32);
      for (int64_t i = 0; i < H; ++i) {
        for (int64_t j = 0; j < W; ++j) {
          const double u = double(j - halfW), v = double(i - halfH);
          const double d = std::sqrt(u * u + v * v);
          double a = std::atan2(v, u);
          double c = d;
          if (m_mode == 5)
            a += m_p1 * 0.001 * d;
          else
            c = m_p1 * std::sqrt(d);
          put(Limit(halfW + Trunc(c * std::cos(a)), W), Limit(halfH + Trunc(c * std::sin(a)), H));
        }
      }
      break;
    }
    case 7: {  // nested frames
      m_p1 = LimitToRange(m_p1, 1, 10);
      m_p2 = LimitToRange(m_p2, 20, 100);
      double fx = (double(W) - double(W) * m_p2 * 0.01) / m_p1 * 0.5;
      double fy = (double(H) - m_p2 * double(H) * 0.01) / m_p1 * 0.5;
      if (fx == 0) fx = 1;
      if (fy == 0) fy = 1;
      for (int64_t i = 0; i < H; ++i) {
        for (int64_t j = 0; j < W; ++j) {
          const int64_t o = std::min(std::min(Trunc(double(j) / fx), Trunc(double(i) / fy)),
                                     std::min(Trunc(double(W - j) / fx), Trunc(double(H - i) / fy)));
          const int64_t k = std::min<int64_t>(o, m_p1 - 1);
          const int64_t w2 = Trunc(double(W) - fx * double(k) * 2);
          const int64_t h2 = Trunc(double(H) - fy * double(k) * 2);
          const int64_t x = w2 == 0 ? W - 1 : Trunc((double(j) - fx * double(k)) * double(W) / double(w2));
          const int64_t y = h2 == 0 ? H - 1 : Trunc((double(i) - fy * double(k)) * double(H) / double(h2));
          put(Limit(x, W), Limit(y, H));
        }
      }
      break;
    }
    default:
      break;
  }
}

void CWarpFilter::Filter(CDibSurface& picture, const RECT& rect, const RECT& destination) {
  if (!IsSameFrame(m_copy, picture)) return;
  const int64_t W = m_width, H = m_height;
  if (m_map.size() != size_t(W) * size_t(H) * 2) return;
  CopyFrame(m_copy, picture);
  const int64_t width = picture.GetWidth(), height = picture.GetHeight();
  const size_t stride = size_t(picture.GetStride());
  const int64_t left = destination.left, top = destination.top;
  for (int64_t Y = rect.top; Y < rect.bottom; ++Y) {
    BYTE* out = picture.GetBits() + size_t(height - 1 - Y) * stride;
    const int64_t i = Y - top;
    for (int64_t X = rect.left; X < rect.right; ++X) {
      BYTE* o = out + size_t(X) * 3;
      const int64_t j = X - left;
      if (j >= 0 && j < W && i >= 0 && i < H) {
        const int16_t* e = &m_map[size_t(i * W + j) * 2];
        if (e[0] != kOutside && e[1] != kOutside) {
          const int64_t sx = left + e[0], sy = top + e[1];
          if (sx >= 0 && sx < width && sy >= 0 && sy < height) {
            const BYTE* s = m_copy.GetBits() + size_t(height - 1 - sy) * stride + size_t(sx) * 3;
            o[0] = s[0];
            o[1] = s[1];
            o[2] = s[2];
            continue;
          }
        }
      }
      o[0] = o[1] = o[2] = 0;
    }
  }
}
