// Sampling: every kernel at points inside, at the border and outside, against a plain
// reference sum written out here; the overflow modes and coordinate wrapping.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <vector>

#include "image/Raster.h"
#include "tests/image/TestPictures.h"

namespace {

RGBQUAD Quad(uint8_t b, uint8_t g, uint8_t r, uint8_t a) {
  RGBQUAD q;
  q.rgbBlue = b;
  q.rgbGreen = g;
  q.rgbRed = r;
  q.rgbReserved = a;
  return q;
}

// J1 by its power series (the kernel only needs |x| up to 2 pi).
double BesselJ1(double x) {
  double term = x / 2, sum = 0;
  for (int m = 0; m < 40; ++m) {
    sum += term;
    term *= -(x / 2) * (x / 2) / ((m + 1.0) * (m + 2.0));
  }
  return sum;
}

// The kernels as their formulas read, in double precision.
double Reference(int method, double t) {
  const double a = std::fabs(t), pi = 3.14159265358979;
  auto p = [](double u) { return u > 0 ? u : 0; };
  switch (method) {
    case INTERPOLATION_BSPLINE:
      return t > 2 ? 0
                   : (std::pow(p(t + 2), 3) - 4 * std::pow(p(t + 1), 3) + 6 * std::pow(p(t), 3) -
                      4 * std::pow(p(t - 1), 3)) / 6;
    case INTERPOLATION_CUBIC:
      return a < 1 ? 1 - 2 * t * t + a * a * a : a < 2 ? 4 - 8 * a + 5 * t * t - a * a * a : 0;
    case INTERPOLATION_CUBIC_HALF:
      return a < 1 ? 1.5 * a * a * a - 2.5 * t * t + 1
                   : a < 2 ? -0.5 * a * a * a + 2.5 * t * t - 4 * a + 2 : 0;
    case INTERPOLATION_LANCZOS:
      return a > 6 ? 0 : t == 0 ? 1 : std::sin(pi * t / 6) / (pi * t / 6) * std::sin(pi * t) / (pi * t);
    case INTERPOLATION_BOX:
      return t >= -0.5 && t < 0.5;
    case INTERPOLATION_HERMITE:
      return t >= -1 && t < 1 ? 2 * a * a * a - 3 * t * t + 1 : 0;
    case INTERPOLATION_DAMPED_HERMITE:
      return t >= -1 && t < 1 ? 0.92 * (2 * a * a * a - 3 * t * t) + 1 : 0;
    case INTERPOLATION_SINC:
      return t == 0 ? 1 : std::sin(pi * t) / (pi * t);
    case INTERPOLATION_BLACKMAN:
      return 0.42 + 0.5 * std::cos(pi * t) + 0.08 * std::cos(2 * pi * t);
    case INTERPOLATION_BESSEL:
      return t == 0 ? pi / 4 : BesselJ1(pi * t) / (2 * t);
    case INTERPOLATION_GAUSSIAN:
      return std::exp(-2 * t * t) * std::sqrt(2 / pi);
    case INTERPOLATION_QUADRATIC:
      return t < -1.5 ? 0 : t < -0.5 ? 0.5 * (t + 1.5) * (t + 1.5) : t < 0.5 ? 0.75 - t * t
                                       : t < 1.5 ? 0.5 * (t - 1.5) * (t - 1.5) : 0;
    case INTERPOLATION_MITCHELL:
      return a < 1 ? (7 * a * a * a - 12 * t * t + 16.0 / 3) / 6
                   : a < 2 ? (-7.0 / 3 * a * a * a + 12 * t * t - 20 * a + 32.0 / 3) / 6 : 0;
    case INTERPOLATION_CATMULL_ROM:
      return a < 1 ? (3 * a * a * a - 5 * t * t + 2) / 2 : a < 2 ? (-a * a * a + 5 * t * t - 8 * a + 4) / 2 : 0;
    default:
      return 0;
  }
}

// The colour of (x, y) under an overflow mode, written out from the rules.
RGBQUAD Pixel(const CRaster& r, int x, int y, int mode, RGBQUAD background) {
  const int w = r.GetWidth(), h = r.GetHeight();
  if (x < 0 || y < 0 || x >= w || y >= h) {
    switch (mode) {
      case OVERFLOW_WRAP:
        x = ((x % w) + w) % w;
        y = ((y % h) + h) % h;
        break;
      case OVERFLOW_REPEAT:
        x = std::min(std::max(x, 0), w - 1);
        y = std::min(std::max(y, 0), h - 1);
        break;
      case OVERFLOW_MIRROR:
        x = x < 0 ? -x % w : x >= w ? w - x % w - 1 : x;
        y = y < 0 ? -y % h : y >= h ? h - y % h - 1 : y;
        break;
      case OVERFLOW_TRANSPARENT:
        if (r.HasAlphaPlane()) background.rgbReserved = 0;
        return background;
      default:
        return background;
    }
  }
  RGBQUAD c = r.GetPixelColor(x, y, true);
  if (!r.HasAlphaPlane()) c.rgbReserved = r.IsPaletted() ? c.rgbReserved : 0;
  return c;
}

RGBQUAD ReferenceSample(const CRaster& r, double x, double y, int method, int mode,
                        RGBQUAD background) {
  const int n = method == INTERPOLATION_LANCZOS ? 12 : 4;
  const int first = method == INTERPOLATION_LANCZOS ? 5 : 1;
  const int xi = int(std::floor(x)), yi = int(std::floor(y));
  double sum[4] = {};
  for (int j = 0; j < n; ++j)
    for (int i = 0; i < n; ++i) {
      const double weight = Reference(method, xi - first + i - x) * Reference(method, yi - first + j - y);
      const RGBQUAD c = Pixel(r, xi - first + i, yi - first + j, mode, background);
      sum[0] += weight * c.rgbBlue;
      sum[1] += weight * c.rgbGreen;
      sum[2] += weight * c.rgbRed;
      sum[3] += weight * c.rgbReserved;
    }
  auto clamp = [](double v) { return uint8_t(std::min(255.0, std::max(0.0, v))); };
  return Quad(clamp(sum[0]), clamp(sum[1]), clamp(sum[2]), r.HasAlphaPlane() ? clamp(sum[3]) : 0);
}

}  // namespace

TEST(RasterSample, KernelsMatchAPlainSumOfTheirWeights) {
  CRaster picture;
  FillPicture(picture, {24, 20, 16, Extra::kTransparency});  // with an alpha plane
  const RGBQUAD background = Quad(10, 20, 30, 200);
  struct Point {
    float x, y;
  };
  // Inside, at the border, partly and wholly outside (kept within the too-far bounds).
  const Point points[] = {{9.3f, 7.6f}, {0.25f, 0.5f}, {18.7f, 14.9f}, {-0.4f, 3.2f}, {5.5f, 15.8f}};
  for (int method = INTERPOLATION_BSPLINE; method <= INTERPOLATION_CATMULL_ROM; ++method)
    for (int mode : {OVERFLOW_BACKGROUND, OVERFLOW_TRANSPARENT, OVERFLOW_WRAP, OVERFLOW_REPEAT,
                     OVERFLOW_MIRROR})
      for (const Point& p : points) {
        SCOPED_TRACE("method " + std::to_string(method) + " mode " + std::to_string(mode) + " at " +
                     std::to_string(p.x) + "," + std::to_string(p.y));
        const RGBQUAD got = picture.SampleInterpolated(p.x, p.y, method, mode, &background);
        const RGBQUAD want = ReferenceSample(picture, p.x, p.y, method, mode, background);
        EXPECT_NEAR(want.rgbBlue, got.rgbBlue, 2);
        EXPECT_NEAR(want.rgbGreen, got.rgbGreen, 2);
        EXPECT_NEAR(want.rgbRed, got.rgbRed, 2);
        EXPECT_NEAR(want.rgbReserved, got.rgbReserved, 2);
      }
}

TEST(RasterSample, BilinearNearestAndFarOutside) {
  CRaster picture(3, 2, 24, 0);
  picture.SetPixelColor(0, 0, Quad(0, 0, 0, 0), false);
  picture.SetPixelColor(1, 0, Quad(100, 100, 100, 0), false);
  picture.SetPixelColor(0, 1, Quad(200, 200, 200, 0), false);
  picture.SetPixelColor(1, 1, Quad(40, 40, 40, 0), false);
  // Halfway between four pixels: (0 + 100 + 200 + 40) / 4, on both paths (the exact one at
  // the border, the fixed-point one inside is checked against it on a wider picture).
  EXPECT_EQ(85, picture.SampleInterpolated(0.5f, 0.5f, INTERPOLATION_BILINEAR, OVERFLOW_REPEAT, nullptr).rgbBlue);
  CRaster wide;
  FillPicture(wide, {24, 9, 9, Extra::kNone});
  CRaster paletted;
  FillPicture(paletted, {8, 9, 9, Extra::kNone});
  for (float x : {2.25f, 4.5f, 6.75f}) {
    const RGBQUAD fixed = wide.SampleInterpolated(x, 3.5f, INTERPOLATION_BILINEAR, OVERFLOW_REPEAT, nullptr);
    const RGBQUAD exact = wide.SampleInterpolated(x, 3.5f, 0, OVERFLOW_REPEAT, nullptr);  // 0: bilinear
    EXPECT_NEAR(exact.rgbRed, fixed.rgbRed, 1);
    const RGBQUAD a = wide.GetPixelColor(int(x), 3, false), b = wide.GetPixelColor(int(x) + 1, 3, false);
    const RGBQUAD c = wide.GetPixelColor(int(x), 4, false), d = wide.GetPixelColor(int(x) + 1, 4, false);
    const float fx = x - int(x);
    const double want = 0.5 * ((1 - fx) * a.rgbRed + fx * b.rgbRed) + 0.5 * ((1 - fx) * c.rgbRed + fx * d.rgbRed);
    EXPECT_NEAR(want, fixed.rgbRed, 1.5);
    EXPECT_EQ(paletted.GetPixelColor(int(x + 0.5f), 4, false).rgbRed,
              paletted.SampleInterpolated(x, 3.6f, INTERPOLATION_NEAREST, OVERFLOW_BACKGROUND, nullptr).rgbRed);
  }
  const RGBQUAD background = Quad(1, 2, 3, 4);
  EXPECT_EQ(1, picture.SampleInterpolated(-5, 0, INTERPOLATION_BILINEAR, OVERFLOW_BACKGROUND, &background).rgbBlue);
  const RGBQUAD white = picture.SampleInterpolated(-5, 0, INTERPOLATION_LANCZOS, OVERFLOW_BACKGROUND, nullptr);
  EXPECT_EQ(255, white.rgbRed);
  EXPECT_EQ(0, white.rgbReserved);
}

TEST(RasterSample, OverflowModesAndWrapping) {
  CRaster picture(4, 3, 8, 0);
  picture.SetDefaultPalette();
  for (int x = 0; x < 4; ++x)
    for (int y = 0; y < 3; ++y) picture.SetPixelIndex(x, y, uint8_t(10 * y + x));
  struct Case {
    int x, y, mode, wx, wy;
  };
  const Case cases[] = {
      {-1, 0, OVERFLOW_MIRROR, 1, 0},  {4, 0, OVERFLOW_MIRROR, 3, 0}, {5, -2, OVERFLOW_MIRROR, 2, 2},
      {-1, 0, OVERFLOW_WRAP, 3, 0},    {9, 7, OVERFLOW_WRAP, 1, 1},   {-7, 5, OVERFLOW_REPEAT, 0, 2},
      {2, 1, OVERFLOW_BACKGROUND, 2, 1}, {-1, 9, OVERFLOW_BACKGROUND, -1, 9},
  };
  for (const Case& c : cases) {
    int x = c.x, y = c.y;
    picture.WrapCoordinates(x, y, c.mode);
    EXPECT_EQ(c.wx, x) << c.x << "," << c.y << " mode " << c.mode;
    EXPECT_EQ(c.wy, y) << c.x << "," << c.y << " mode " << c.mode;
  }
  float fx = -0.5f, fy = 3.5f;
  picture.WrapCoordinates(fx, fy, OVERFLOW_MIRROR);
  EXPECT_FLOAT_EQ(0.5f, fx);
  EXPECT_FLOAT_EQ(3 - (0.5f + 1), fy);

  const RGBQUAD background = Quad(9, 8, 7, 6);
  EXPECT_EQ(9, picture.GetColorOrOverflow(-1, 0, OVERFLOW_TRANSPARENT_COLOR, &background).rgbBlue);
  picture.SetTransparentIndex(12);
  const RGBQUAD entry = picture.GetPaletteEntry(12);
  EXPECT_EQ(entry.rgbRed, picture.GetColorOrOverflow(-1, 0, OVERFLOW_TRANSPARENT_COLOR, &background).rgbRed);
  EXPECT_EQ(entry.rgbRed, picture.GetColorOrOverflow(-1, 0, OVERFLOW_TRANSPARENT, &background).rgbRed);
  picture.CreateAlphaPlane();
  const RGBQUAD cleared = picture.GetColorOrOverflow(-1, 0, OVERFLOW_TRANSPARENT, &background);
  EXPECT_EQ(9, cleared.rgbBlue);
  EXPECT_EQ(0, cleared.rgbReserved);
  EXPECT_EQ(picture.GetPaletteEntry(21).rgbRed,
            picture.GetColorOrOverflow(5, 2, OVERFLOW_WRAP, nullptr).rgbRed);
  CRaster empty;
  EXPECT_EQ(255, empty.GetColorOrOverflow(0, 0, OVERFLOW_WRAP, nullptr).rgbRed);
}
