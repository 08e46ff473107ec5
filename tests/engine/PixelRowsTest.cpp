// The row kernels of the picture blends against the plain per-pixel rules, at every row
// length around the widths the fast paths work in, and with pixels in runs of transparent,
// opaque and half-transparent ones.
#include "engine/base/PixelRows.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <random>
#include <vector>

namespace {

std::vector<uint8_t> RandomPixels(std::mt19937& random, size_t count, int bpp) {
  std::vector<uint8_t> pixels(count * size_t(bpp));
  int left = 0, kind = 0;
  for (size_t i = 0; i < count; ++i) {
    if (left-- <= 0) {
      left = int(random() % 40);
      kind = int(random() % 3);
    }
    for (int c = 0; c < bpp; ++c) pixels[i * bpp + c] = uint8_t(random());
    if (bpp == 4) pixels[i * 4 + 3] = kind == 0 ? 0 : kind == 1 ? 255 : uint8_t(random());
  }
  return pixels;
}

void ReferenceRow(PixelRule rule, const uint8_t* s, int sb, uint8_t* d, int db, size_t count,
                  bool weigh) {
  const int n = std::min(sb, db);
  for (size_t i = 0; i < count; ++i, s += sb, d += db) {
    if (rule == PixelRule::kAdd) {
      for (int c = 0; c < n; ++c) d[c] = uint8_t(std::min(255, s[c] + d[c]));
      continue;
    }
    const int alpha = sb == 4 ? s[3] : 255;
    const int luma = (s[0] + s[1] + s[2]) / 3;
    int a = alpha;
    if (rule == PixelRule::kLuma) a = weigh && sb == 4 ? luma * alpha / 255 : luma;
    if (rule == PixelRule::kInverseLuma)
      a = weigh && sb == 4 ? alpha * (255 - luma) / 255 : 255 - luma;
    for (int c = 0; c < n; ++c) d[c] = uint8_t((s[c] * a + d[c] * (255 - a)) / 255);
  }
}

}  // namespace

TEST(PixelRows, Div255IsExactForEveryProductOfTwoBytes) {
  for (uint32_t x = 0; x <= 255 * 255; ++x) ASSERT_EQ(Div255(x), x / 255) << x;
}

TEST(PixelRows, BlendRowsGiveThePixelsOfTheRules) {
  std::mt19937 random(5);
  const PixelRule rules[] = {PixelRule::kAlpha, PixelRule::kLuma, PixelRule::kInverseLuma,
                             PixelRule::kAdd};
  // The SSSE3 kernels where the processor has them, and the SSE2 ones.
  const bool shuffles = UsePixelByteShuffles(true);
  for (bool useShuffles : {shuffles, false}) {
    UsePixelByteShuffles(useShuffles);
    for (PixelRule rule : rules) {
      for (int sb : {3, 4}) {
        for (int db : {3, 4}) {
          for (bool weigh : {false, true}) {
            for (size_t count = 0; count <= 70; ++count) {
              for (int round = 0; round < 6; ++round) {
                const std::vector<uint8_t> source = RandomPixels(random, count, sb);
                // One spare pixel after the row: nothing may be written there.
                std::vector<uint8_t> dest = RandomPixels(random, count + 1, db);
                std::vector<uint8_t> want = dest;
                ReferenceRow(rule, source.data(), sb, want.data(), db, count, weigh);
                BlendPixelRow(rule, source.data(), sb, dest.data(), db, count, weigh);
                ASSERT_EQ(dest, want)
                    << "rule " << int(rule) << " " << sb << "->" << db << " weigh " << weigh
                    << " count " << count << " byte shuffles " << useShuffles;
              }
            }
          }
        }
      }
    }
  }
  UsePixelByteShuffles(true);
}

TEST(PixelRows, ExpandAndAdjustActAsA32BitCopyWouldBeChanged) {
  std::mt19937 random(9);
  for (int sb : {3, 4}) {
    const size_t count = 19;
    const std::vector<uint8_t> source = RandomPixels(random, count, sb);
    std::vector<uint8_t> mask(count);
    for (uint8_t& m : mask) m = uint8_t(random());
    for (int brightness : {-300, -20, 0, 35, 255}) {
      for (uint32_t alpha : {0u, 77u, 255u}) {
        std::vector<uint8_t> out(count * 4 + 4, 0xA5);
        ExpandPixelRow(source.data(), sb, out.data(), count);
        AdjustPixelRow(out.data(), count, mask.data(), alpha, &brightness);
        for (size_t i = 0; i < count; ++i) {
          int a = sb == 4 ? source[i * 4 + 3] : 255;
          a = a * mask[i] / 255;
          if (alpha != 255) a = a * int(alpha) / 255;
          for (int c = 0; c < 3; ++c) {
            const int want =
                std::clamp(source[i * sb + c] + std::clamp(brightness, -255, 255), 0, 255);
            ASSERT_EQ(out[i * 4 + c], want) << sb << " " << i << " " << c;
          }
          ASSERT_EQ(out[i * 4 + 3], a) << sb << " " << i;
        }
        for (size_t i = count * 4; i < out.size(); ++i) ASSERT_EQ(out[i], 0xA5);
      }
    }
  }
}

TEST(PixelRows, BilinearDivisionRoundsDownForEveryNumeratorOfTheScaling) {
  std::mt19937 random(13);
  std::vector<uint64_t> divisors = {1,
                                    2,
                                    3,
                                    7,
                                    255,
                                    256,
                                    257,
                                    640 * 480,
                                    1280 * 720,
                                    1920 * 1080,
                                    3840 * 2160,
                                    CBilinearDivisor::kFastDivisor,
                                    CBilinearDivisor::kFastDivisor - 1,
                                    CBilinearDivisor::kFastDivisor + 1,
                                    uint64_t{1} << 40};
  for (int i = 0; i < 200; ++i) divisors.push_back(1 + random() % CBilinearDivisor::kFastDivisor);
  for (uint64_t m : divisors) {
    CBilinearDivisor divisor;
    ASSERT_TRUE(divisor.Init(m));
    EXPECT_EQ(divisor.IsFast(), m <= CBilinearDivisor::kFastDivisor) << m;
    // Multiples, their neighbours and the largest numerator a scaling makes.
    for (uint64_t q = 0; q <= 255; ++q) {
      for (uint64_t n : {q * m, q * m + m - 1, q * m + m / 2}) {
        ASSERT_EQ(divisor.Divide(n), n / m) << n << " / " << m;
      }
    }
    for (int i = 0; i < 200; ++i) {
      const uint64_t n = (uint64_t(random()) << 20 ^ random()) % (256 * m);
      ASSERT_EQ(divisor.Divide(n), n / m) << n << " / " << m;
    }
  }
  CBilinearDivisor none;
  EXPECT_FALSE(none.Init(0));
}

TEST(PixelRows, InterpolatedRowsFollowTheWeightedSums) {
  std::mt19937 random(21);
  struct Case {
    uint32_t sw, dw, dh, v;
  };
  const Case cases[] = {{7, 19, 5, 3},      {19, 7, 3, 0},  {40, 40, 9, 8},
                        {3, 640, 480, 479}, {640, 3, 2, 1}, {1, 5, 1, 0}};
  for (const Case& c : cases) {
    const size_t width = c.sw;
    std::vector<uint8_t> row0 = RandomPixels(random, width, 4);
    std::vector<uint8_t> row1 = RandomPixels(random, width, 4);
    // A transparent stretch and a stretch of one opaque colour.
    for (size_t x = 0; x < width / 3; ++x) {
      for (int ch = 0; ch < 4; ++ch)
        row1[x * 4 + ch] = row0[x * 4 + ch] = uint8_t(ch == 3 ? 0 : 9 * ch);
    }
    for (size_t x = width / 2; x < width * 3 / 4; ++x) {
      for (int ch = 0; ch < 4; ++ch)
        row1[x * 4 + ch] = row0[x * 4 + ch] = uint8_t(ch == 3 ? 255 : 40 + ch);
    }
    CBilinearDivisor divisor;
    ASSERT_TRUE(divisor.Init(uint64_t(c.dw) * c.dh));
    BilinearRow row;
    row.row0 = row0.data();
    row.row1 = row1.data();
    row.lastColumn = int64_t(width) - 1;
    row.stepWhole = c.sw / c.dw;
    row.stepRest = c.sw % c.dw;
    row.dw = c.dw;
    row.dh = c.dh;
    row.v = c.v;
    std::vector<uint8_t> out(size_t(c.dw) * 4);
    InterpolatePixelRow(row, divisor, out.data(), c.dw);
    const uint64_t m = uint64_t(c.dw) * c.dh;
    for (uint32_t j = 0; j < c.dw; ++j) {
      const int64_t col = int64_t(uint64_t(j) * c.sw / c.dw),
                    u = int64_t(uint64_t(j) * c.sw % c.dw);
      const int64_t col1 = std::min<int64_t>(col + 1, int64_t(width) - 1);
      const uint8_t* p00 = &row0[size_t(col) * 4];
      const uint8_t* p01 = &row0[size_t(col1) * 4];
      const uint8_t* p10 = &row1[size_t(col) * 4];
      const uint8_t* p11 = &row1[size_t(col1) * 4];
      const bool transparent = (p00[3] | p01[3] | p10[3] | p11[3]) == 0;
      if (transparent) {
        // Nothing shows: the alpha blend leaves the destination alone whatever the colour.
        ASSERT_EQ(out[j * 4 + 3], 0) << c.sw << "->" << c.dw << " column " << j;
        continue;
      }
      for (int ch = 0; ch < 4; ++ch) {
        const uint64_t n = (c.dw - u) * (c.dh - c.v) * p00[ch] + (c.dw - u) * c.v * p10[ch] +
                           u * (c.dh - c.v) * p01[ch] + u * c.v * p11[ch] + m / 2;
        ASSERT_EQ(out[j * 4 + ch], int(n / m))
            << c.sw << "->" << c.dw << " column " << j << " channel " << ch;
      }
    }
  }
}
