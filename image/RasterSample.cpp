// Sampling a picture at real coordinates: sixteen interpolation kernels and six rules for
// samples that fall outside the picture. Weights are not normalised; summed channels are
// clamped instead. Kernel constants are single precision, as the kernels are defined.
#include <algorithm>
#include <cmath>

#include "image/Raster.h"

namespace {

constexpr float kPi = 3.14159265f;


RGBQUAD Background(const RGBQUAD* background) {
  return background ? *background : MakeQuad(255, 255, 255, 0);
}

// Bessel function of the first kind, order one, in single precision.
float BesselJ1(float x) {
  const float ax = std::fabs(x);
  if (ax < 8.0f) {
    const float y = x * x;
    const float a = x * (72362614232.0f +
                         y * (-7895059235.0f +
                              y * (242396853.1f +
                                   y * (-2972611.439f + y * (15704.48260f + y * (-30.16036606f))))));
    const float b = 144725228442.0f +
                    y * (2300535178.0f +
                         y * (18583304.74f + y * (99447.43394f + y * (376.9991397f + y * 1.0f))));
    return a / b;
  }
  const float z = 8.0f / ax;
  const float y = z * z;
  const float xx = ax - 2.356194491f;
  const float a =
      1.0f + y * (0.183105e-2f + y * (-0.3516396496e-4f + y * (0.2457520174e-5f + y * (-0.240337019e-6f))));
  const float b = 0.04687499995f +
                  y * (-0.2002690873e-3f + y * (0.8449199096e-5f + y * (-0.88228987e-6f + y * 0.105787412e-6f)));
  const float ans = std::sqrt(0.636619772f / ax) * (std::cos(xx) * a - z * std::sin(xx) * b);
  return x < 0 ? -ans : ans;
}

float Positive(float u) { return u > 0 ? u : 0; }

float Kernel(int32_t method, float t) {
  const float a = std::fabs(t);
  switch (method) {
    case INTERPOLATION_BSPLINE: {
      if (t > 2) return 0;
      const float p2 = Positive(t + 2), p1 = Positive(t + 1), p0 = Positive(t), pm = Positive(t - 1);
      return (p2 * p2 * p2 - 4 * p1 * p1 * p1 + 6 * p0 * p0 * p0 - 4 * pm * pm * pm) * 0.16666667f;
    }
    case INTERPOLATION_CUBIC:
      if (a < 1) return 1 - 2 * t * t + a * a * a;
      if (a < 2) return 4 - 8 * a + 5 * t * t - a * a * a;
      return 0;
    case INTERPOLATION_CUBIC_HALF: {
      const float h = -0.5f;
      if (a < 1) return (h + 2) * a * a * a - (h + 3) * t * t + 1;
      if (a < 2) return h * a * a * a - 5 * h * t * t + 8 * h * a - 4 * h;
      return 0;
    }
    case INTERPOLATION_LANCZOS: {
      if (a > 6) return 0;
      if (t == 0) return 1;
      const float u = kPi * t / 6, v = kPi * t;
      return (std::sin(u) / u) * (std::sin(v) / v);
    }
    case INTERPOLATION_BOX:
      return t >= -0.5f && t < 0.5f ? 1.0f : 0.0f;
    case INTERPOLATION_HERMITE:
      return t >= -1 && t < 1 ? 2 * a * a * a - 3 * t * t + 1 : 0;
    case INTERPOLATION_DAMPED_HERMITE:
      return t >= -1 && t < 1 ? 0.92f * (2 * a * a * a - 3 * t * t) + 1 : 0;
    case INTERPOLATION_SINC:
      return t == 0 ? 1 : std::sin(kPi * t) / (kPi * t);
    case INTERPOLATION_BLACKMAN:
      return 0.42f + 0.5f * std::cos(kPi * t) + 0.08f * std::cos(2 * kPi * t);
    case INTERPOLATION_BESSEL:
      return t == 0 ? 0.7853982f : BesselJ1(kPi * t) / (2 * t);
    case INTERPOLATION_GAUSSIAN:
      return std::exp(-2 * t * t) * 0.7978846f;
    case INTERPOLATION_QUADRATIC:
      if (t < -1.5f) return 0;
      if (t < -0.5f) return 0.5f * (t + 1.5f) * (t + 1.5f);
      if (t < 0.5f) return 0.75f - t * t;
      if (t < 1.5f) return 0.5f * (t - 1.5f) * (t - 1.5f);
      return 0;
    case INTERPOLATION_MITCHELL:
      if (a < 1) return 1.1666666f * a * a * a - 2 * t * t + 0.8888889f;
      if (a < 2) return -0.3888889f * a * a * a + 2 * t * t - 3.3333333f * a + 1.7777778f;
      return 0;
    case INTERPOLATION_CATMULL_ROM:
      if (a < 1) return (3 * a * a * a - 5 * t * t + 2) / 2;
      if (a < 2) return (-a * a * a + 5 * t * t - 8 * a + 4) / 2;
      return 0;
    default:
      return 0;
  }
}

// The integer part toward zero, one less for negative values.
int32_t Floorish(float v) {
  const float limited = std::max(-2147483520.0f, std::min(v, 2147483520.0f));
  return int32_t(limited) - (v < 0 ? 1 : 0);
}

uint8_t ClampByte(float v) { return uint8_t(std::min(255.0f, std::max(0.0f, v))); }

}  // namespace

void CRaster::WrapCoordinates(int32_t& x, int32_t& y, int32_t mode) const {
  const int32_t w = GetWidth(), h = GetHeight();
  if (w <= 0 || h <= 0) return;
  auto wrap = [mode](int32_t& c, int32_t size) {
    if (c >= 0 && c < size) return;
    switch (mode) {
      case OVERFLOW_WRAP:
        c %= size;
        if (c < 0) c += size;
        break;
      case OVERFLOW_REPEAT:
        c = std::min(std::max(c, 0), size - 1);
        break;
      case OVERFLOW_MIRROR:
        c = c < 0 ? int32_t((-int64_t(c)) % size) : size - (c % size) - 1;
        break;
      default:
        break;
    }
  };
  wrap(x, w);
  wrap(y, h);
}

void CRaster::WrapCoordinates(float& x, float& y, int32_t mode) const {
  const int32_t w = GetWidth(), h = GetHeight();
  if (w <= 0 || h <= 0) return;
  auto wrap = [mode](float& c, int32_t size) {
    const float s = float(size);
    if (c >= 0 && c < s) return;
    if (!std::isfinite(c)) {
      c = 0;
      return;
    }
    switch (mode) {
      case OVERFLOW_WRAP:
        c = std::fmod(c, s);
        if (c < 0) c += s;
        break;
      case OVERFLOW_REPEAT:
        c = std::min(std::max(c, 0.0f), s - 1);
        break;
      case OVERFLOW_MIRROR:
        c = c < 0 ? std::fmod(-c, s) : s - (std::fmod(c, s) + 1);
        break;
      default:
        break;
    }
  };
  wrap(x, w);
  wrap(y, h);
}

RGBQUAD CRaster::GetColorOrOverflow(int32_t x, int32_t y, int32_t mode,
                                    const RGBQUAD* background) const {
  if (!m_block) return Background(background);
  if (ContainsPoint(x, y)) return GetPixelColorFast(x, y);
  switch (mode) {
    case OVERFLOW_TRANSPARENT_COLOR:
      if (m_info.transparentIndex < 0) return Background(background);
      if (GetBitDepth() < 24) return GetPaletteEntry(uint32_t(m_info.transparentIndex));
      return m_info.transparentColor;
    case OVERFLOW_TRANSPARENT:
      if (m_alpha) {
        RGBQUAD c = Background(background);
        c.rgbReserved = 0;
        return c;
      }
      if (m_info.transparentIndex >= 0) return GetTransparentColor();
      return Background(background);
    case OVERFLOW_WRAP:
    case OVERFLOW_REPEAT:
    case OVERFLOW_MIRROR:
      WrapCoordinates(x, y, mode);
      return GetPixelColorFast(x, y);
    default:
      return Background(background);
  }
}

RGBQUAD CRaster::SampleInterpolated(float x, float y, int32_t method, int32_t mode,
                                    const RGBQUAD* background) const {
  const int32_t w = GetWidth(), h = GetHeight();
  if (!m_block) return Background(background);
  if (method == INTERPOLATION_NEAREST) {
    const float nx = std::max(-2147483520.0f, std::min(x + 0.5f, 2147483520.0f));
    const float ny = std::max(-2147483520.0f, std::min(y + 0.5f, 2147483520.0f));
    return GetColorOrOverflow(int32_t(nx), int32_t(ny), mode, background);
  }
  const bool wide = method == INTERPOLATION_LANCZOS;
  const bool bilinear = method < INTERPOLATION_BSPLINE || method > INTERPOLATION_CATMULL_ROM;
  // Too far outside: one overflow sample, or the coordinates wrapped into the picture.
  const int32_t before = bilinear ? 1 : wide ? 6 : 2;
  const int32_t after = bilinear ? 0 : wide ? 5 : 1;
  int32_t xi = Floorish(x), yi = Floorish(y);
  if (xi + before < 0 || xi - after >= w || yi + before < 0 || yi - after >= h) {
    if (mode >= OVERFLOW_BACKGROUND && mode <= OVERFLOW_TRANSPARENT)
      return GetColorOrOverflow(-999, -999, mode, background);
    WrapCoordinates(x, y, mode);
    xi = Floorish(x);
    yi = Floorish(y);
  }
  const bool direct24 = GetBitDepth() == 24;

  if (bilinear) {
    if (xi < 0 || yi < 0 || xi + 1 >= w || yi + 1 >= h || !direct24) {
      const float dx = x - float(xi), dy = y - float(yi);
      const float w11 = dx * dy, w10 = dx - w11, w01 = dy - w11, w00 = (1 - dx) - w01;
      const RGBQUAD c00 = GetColorOrOverflow(xi, yi, mode, background);
      const RGBQUAD c10 = GetColorOrOverflow(xi + 1, yi, mode, background);
      const RGBQUAD c01 = GetColorOrOverflow(xi, yi + 1, mode, background);
      const RGBQUAD c11 = GetColorOrOverflow(xi + 1, yi + 1, mode, background);
      auto mix = [&](uint8_t RGBQUAD::*channel) {
        return uint8_t(int32_t(w00 * float(c00.*channel) + w10 * float(c10.*channel) +
                               w01 * float(c01.*channel) + w11 * float(c11.*channel)));
      };
      return MakeQuad(mix(&RGBQUAD::rgbBlue), mix(&RGBQUAD::rgbGreen), mix(&RGBQUAD::rgbRed),
                  m_alpha ? mix(&RGBQUAD::rgbReserved) : 0);
    }
    const int32_t fx = int32_t((x - float(xi)) * 256), fy = int32_t((y - float(yi)) * 256);
    const int32_t w11 = (fx * fy) >> 8, w01 = fy - w11, w10 = fx - w11, w00 = 256 - fx - fy + w11;
    const uint8_t* p00 = GetPixelAddress(xi, yi);
    const uint8_t* p01 = GetPixelAddress(xi, yi + 1);
    uint8_t out[4] = {};
    for (int c = 0; c < 3; ++c)
      out[c] = uint8_t((w00 * p00[c] + w10 * p00[3 + c] + w01 * p01[c] + w11 * p01[3 + c]) >> 8);
    if (m_alpha)
      out[3] = uint8_t((w00 * GetAlphaFast(xi, yi) + w10 * GetAlphaFast(xi + 1, yi) +
                        w01 * GetAlphaFast(xi, yi + 1) + w11 * GetAlphaFast(xi + 1, yi + 1)) >> 8);
    return MakeQuad(out[0], out[1], out[2], out[3]);
  }

  // Kernels over 4 x 4 (Lanczos: 12 x 12) neighbours.
  const int32_t n = wide ? 12 : 4;
  const int32_t first = wide ? 5 : 1;
  float wx[12], wy[12];
  for (int32_t i = 0; i < n; ++i) {
    wx[i] = Kernel(method, float(xi - first + i) - x);
    wy[i] = Kernel(method, float(yi - first + i) - y);
  }
  const bool inside = direct24 && xi - first >= 0 && yi - first >= 0 && xi + (n - first) < w &&
                      yi + (n - first) < h;
  float sum[4] = {};
  for (int32_t j = 0; j < n; ++j)
    for (int32_t i = 0; i < n; ++i) {
      const int32_t sx = xi - first + i, sy = yi - first + j;
      const float weight = wy[j] * wx[i];
      RGBQUAD c;
      if (inside) {
        const uint8_t* p = GetPixelAddress(sx, sy);
        c = MakeQuad(p[0], p[1], p[2], m_alpha ? GetAlphaFast(sx, sy) : 0);
      } else {
        c = GetColorOrOverflow(sx, sy, mode, background);
      }
      sum[0] += weight * c.rgbBlue;
      sum[1] += weight * c.rgbGreen;
      sum[2] += weight * c.rgbRed;
      sum[3] += weight * c.rgbReserved;
    }
  return MakeQuad(ClampByte(sum[0]), ClampByte(sum[1]), ClampByte(sum[2]),
              m_alpha ? ClampByte(sum[3]) : 0);
}
