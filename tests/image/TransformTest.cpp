// Mirroring, quarter turns and bit-depth reduction: every depth at odd sizes against the
// plain pixel mapping, alpha planes following the pixels, and the reduction rules.
#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "image/Raster.h"
#include "tests/image/TestPictures.h"

namespace {

RGBQUAD Rgb(uint8_t r, uint8_t g, uint8_t b) {
  RGBQUAD q = {};
  q.rgbRed = r;
  q.rgbGreen = g;
  q.rgbBlue = b;
  return q;
}

uint32_t Bits(RGBQUAD q) {
  return uint32_t(q.rgbBlue) | uint32_t(q.rgbGreen) << 8 | uint32_t(q.rgbRed) << 16 |
         uint32_t(q.rgbReserved) << 24;
}

// A picture of the shape with an alpha plane of varied values at every depth.
void Make(CRaster& picture, const PictureShape& shape) {
  FillPicture(picture, shape);
  picture.CreateAlphaPlane();
  for (int y = 0; y < shape.height; ++y)
    for (int x = 0; x < shape.width; ++x) picture.SetAlpha(x, y, uint8_t(x * 7 + y * 13));
}

}  // namespace

TEST(RasterTransform, TurnsAndMirrorsMoveEveryPixelAndItsAlpha) {
  struct Operation {
    const char* name;
    bool (*apply)(CRaster&);
    bool swapsSides;
    // The source pixel that destination (x, y) shows, for a source of w x h.
    void (*source)(int x, int y, int w, int h, int& sx, int& sy);
  };
  const Operation operations[] = {
      {"counter-clockwise", [](CRaster& r) { return r.RotateCounterClockwise(); }, true,
       [](int x, int y, int, int h, int& sx, int& sy) {
         sx = y;
         sy = h - 1 - x;
       }},
      {"clockwise", [](CRaster& r) { return r.RotateClockwise(); }, true,
       [](int x, int y, int w, int, int& sx, int& sy) {
         sx = w - 1 - y;
         sy = x;
       }},
      {"mirror", [](CRaster& r) { return r.MirrorHorizontal(); }, false,
       [](int x, int y, int w, int, int& sx, int& sy) {
         sx = w - 1 - x;
         sy = y;
       }},
      {"flip", [](CRaster& r) { return r.FlipVertical(); }, false,
       [](int x, int y, int, int h, int& sx, int& sy) {
         sx = x;
         sy = h - 1 - y;
       }},
  };
  for (int depth : {1, 4, 8, 24})
    for (const auto& [w, h] : std::vector<std::pair<int, int>>{{3, 2}, {5, 7}, {17, 3}, {65, 70}})
      for (const Operation& op : operations) {
        SCOPED_TRACE(std::string(op.name) + " " + std::to_string(depth) + " bits " +
                     std::to_string(w) + "x" + std::to_string(h));
        CRaster original, turned;
        Make(original, {depth, w, h, Extra::kNone});
        Make(turned, {depth, w, h, Extra::kNone});
        turned.SetDpiX(123);
        ASSERT_TRUE(op.apply(turned));
        ASSERT_EQ(op.swapsSides ? h : w, turned.GetWidth());
        ASSERT_EQ(op.swapsSides ? w : h, turned.GetHeight());
        EXPECT_EQ(depth, turned.GetBitDepth());
        EXPECT_EQ(123, turned.GetDpiX());
        ASSERT_TRUE(turned.HasAlphaPlane());
        for (int y = 0; y < turned.GetHeight(); ++y)
          for (int x = 0; x < turned.GetWidth(); ++x) {
            int sx, sy;
            op.source(x, y, w, h, sx, sy);
            ASSERT_EQ(Bits(original.GetPixelColor(sx, sy, true)), Bits(turned.GetPixelColor(x, y, true)))
                << x << "," << y;
          }
      }
}

TEST(RasterTransform, TurningBackRestoresAndOutputLeavesThePictureAsItWas) {
  CRaster picture, output;
  Make(picture, {24, 5, 3, Extra::kNone});
  const std::vector<uint8_t> before = ToRgba(picture);
  ASSERT_TRUE(picture.RotateClockwise(&output));
  EXPECT_EQ(5, picture.GetWidth());
  EXPECT_EQ(before, ToRgba(picture));
  EXPECT_EQ(3, output.GetWidth());
  ASSERT_TRUE(output.RotateCounterClockwise());
  EXPECT_EQ(before, ToRgba(output));
  // The top left of a 3 x 2 picture lands at the bottom left when turned left.
  CRaster small(3, 2, 8, 0);
  small.SetPixelIndex(0, 1, 9);
  ASSERT_TRUE(small.RotateCounterClockwise());
  EXPECT_EQ(9, small.GetPixelIndex(0, 0));
  CRaster empty;
  EXPECT_FALSE(empty.RotateClockwise());
  EXPECT_FALSE(empty.MirrorHorizontal());
  EXPECT_FALSE(empty.ReduceBitDepth(8, false, nullptr, 0));
}

TEST(RasterTransform, ReductionMapsToTheNearestDefaultEntries) {
  CRaster picture(2, 1, 24, 0);
  picture.SetPixelColor(0, 0, Rgb(255, 0, 0), false);
  picture.SetPixelColor(1, 0, Rgb(128, 128, 128), false);
  picture.SetTransparentIndex(3);
  ASSERT_TRUE(picture.ReduceBitDepth(8, false, nullptr, 0));
  EXPECT_EQ(8, picture.GetBitDepth());
  EXPECT_EQ(249, picture.GetPixelIndex(0, 0));
  EXPECT_EQ(248, picture.GetPixelIndex(1, 0));
  EXPECT_EQ(3, picture.GetTransparentIndex());  // the information block stays
  // Same depth without important colours: nothing to do; a deeper depth is refused.
  const std::vector<uint8_t> before = ToRgba(picture);
  EXPECT_TRUE(picture.ReduceBitDepth(8, false, nullptr, 0));
  EXPECT_EQ(before, ToRgba(picture));
  EXPECT_FALSE(picture.ReduceBitDepth(24, false, nullptr, 0));
  // A palette of the caller's, and 4 bits.
  CRaster four(2, 1, 24, 0);
  four.SetPixelColor(0, 0, Rgb(250, 250, 0), false);
  ASSERT_TRUE(four.ReduceBitDepth(4, false, nullptr, 0));
  EXPECT_EQ(11, four.GetPixelIndex(0, 0));  // FFFF00
  RGBQUAD mine[2] = {Rgb(10, 200, 10), Rgb(200, 10, 10)};
  CRaster one(1, 1, 24, 0);
  one.SetPixelColor(0, 0, Rgb(180, 0, 0), false);
  ASSERT_TRUE(one.ReduceBitDepth(1, false, mine, 0));
  EXPECT_EQ(1, one.GetPixelIndex(0, 0));
  EXPECT_EQ(Bits(mine[1]), Bits(one.GetPaletteEntry(1)));
}

TEST(RasterTransform, DiffusionSpreadsTheErrorOfEachPixel) {
  // A grey row to 1 bit: the first pixel turns white and its right neighbour gets 7/16 of
  // -127.
  CRaster grey(3, 1, 24, 0);
  for (int x = 0; x < 3; ++x) grey.SetPixelColor(x, 0, Rgb(128, 128, 128), false);
  CRaster probe(grey, true, false, false);
  ASSERT_TRUE(grey.ReduceBitDepth(1, true, nullptr, 0));
  EXPECT_EQ(1, grey.GetPixelIndex(0, 0));
  EXPECT_EQ(0, grey.GetPixelIndex(1, 0));  // 73 is nearer black

  // A gradient: the share of white pixels follows the brightness, row by row, where the
  // plain threshold gives none at all.
  const int w = 32, h = 8;
  CRaster gradient(w, h, 24, 0);
  int64_t brightness = 0;
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      const uint8_t v = uint8_t(x * 100 / (w - 1));  // all darker than the threshold
      gradient.SetPixelColor(x, y, Rgb(v, v, v), false);
      brightness += v;
    }
  CRaster plain(gradient, true, false, false);
  ASSERT_TRUE(gradient.ReduceBitDepth(1, true, nullptr, 0));
  ASSERT_TRUE(plain.ReduceBitDepth(1, false, nullptr, 0));
  int white = 0, plainWhite = 0;
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      white += gradient.GetPixelIndex(x, y);
      plainWhite += plain.GetPixelIndex(x, y);
    }
  const int expected = int(brightness / 255);
  EXPECT_NEAR(expected, white, h * 2);
  EXPECT_GT(std::abs(expected - plainWhite), h * 2);
  EXPECT_EQ(Bits(Rgb(255, 255, 255)), Bits(gradient.GetPaletteEntry(1)));
}

namespace {

// Error diffusion of a grey picture to black and white, worked out here from the rule for
// a set of four weights (sixteenths to the right, below left, below, below right).
std::vector<int> DiffusedGreys(std::vector<int> grey, int w, int h, const int (&weights)[4]) {
  std::vector<int> out(grey.size());
  const int offsets[4][2] = {{1, 0}, {-1, 1}, {0, 1}, {1, 1}};
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      const int v = grey[size_t(y * w + x)];
      const int stored = v >= 128 ? 255 : 0;  // the nearer of black and white
      out[size_t(y * w + x)] = stored ? 1 : 0;
      const int error = v - stored;
      for (int k = 0; k < 4; ++k) {
        const int nx = x + offsets[k][0], ny = y + offsets[k][1];
        if (nx < 0 || nx >= w || ny >= h) continue;
        int& n = grey[size_t(ny * w + nx)];
        n = std::min(255, std::max(0, n + error * weights[k] / 16));
      }
    }
  return out;
}

}  // namespace

TEST(RasterTransform, DiffusionWeightsAreSevenTwoFourAndOneSixteenths) {
  // A flat grey whose black and white pixels come out differently for the weights of the
  // rule, for the common Floyd-Steinberg weights and for all the error to the right.
  const int w = 12, h = 6;
  const std::vector<int> grey(size_t(w * h), 100);
  const int rule[4] = {7, 2, 4, 1}, common[4] = {7, 3, 5, 1}, right[4] = {16, 0, 0, 0};
  const std::vector<int> expected = DiffusedGreys(grey, w, h, rule);
  ASSERT_NE(expected, DiffusedGreys(grey, w, h, common));
  ASSERT_NE(expected, DiffusedGreys(grey, w, h, right));
  ASSERT_NE(DiffusedGreys(grey, w, h, common), DiffusedGreys(grey, w, h, right));

  CRaster picture(w, h, 24, 0);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      const uint8_t v = uint8_t(grey[size_t(y * w + x)]);
      picture.SetPixelColor(x, y, Rgb(v, v, v), false);
    }
  ASSERT_TRUE(picture.ReduceBitDepth(1, true, nullptr, 0));
  std::vector<int> got(size_t(w * h));
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) got[size_t(y * w + x)] = int(picture.GetPixelIndex(x, y));
  EXPECT_EQ(expected, got);
}
