// The effects bitmap on real DIB sections: its layout, copies in and out, the transitions
// between two pictures with their exact column and row rules, the looks of inactive
// windows with their formulas, and the turns and flips.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <memory>
#include <vector>

#include "framework/SysUtils.h"
#include "skin/data/EffectBmp.h"
#include "tests/skin/data/SkinDrawSupport.h"

namespace {

// A colour as the effects bitmap hands it out: blue in the lowest byte.
constexpr uint32_t Bgr(int R, int G, int B) { return uint32_t(B | G << 8 | R << 16); }
int RedOf(uint32_t C) { return int(C >> 16 & 0xFF); }
int GreenOf(uint32_t C) { return int(C >> 8 & 0xFF); }
int BlueOf(uint32_t C) { return int(C & 0xFF); }

using TEffectPtr = std::unique_ptr<TspEffectBmp>;

// A picture whose pixel (x, y) is Pattern(x, y).
template <class F>
TEffectPtr Pattern(int W, int H, F&& Colour) {
  TEffectPtr bmp(new TspEffectBmp(W, H));
  for (int y = 0; y < H; ++y)
    for (int x = 0; x < W; ++x) bmp->SetPixel(x, y, Colour(x, y));
  return bmp;
}

// This picture: grey levels rising by column; the other: falling, and distinct per row.
TEffectPtr SelfPicture(int W, int H) {
  return Pattern(W, H, [](int x, int y) { return Bgr(10 + 20 * x, 15 + 20 * x, 20 + 3 * y); });
}
TEffectPtr OtherPicture(int W, int H) {
  return Pattern(W, H, [](int x, int y) { return Bgr(250 - 13 * x, 240 - 7 * y, 5 + 11 * x); });
}

int RoundEven(double V) { return int(std::nearbyint(V)); }

// A pixel blended with K: K of self, 1 - K of other, per channel.
uint32_t Blend(uint32_t S, uint32_t O, double K) {
  auto ch = [K](int s, int o) { return RoundEven(K * s + (1 - K) * o); };
  return Bgr(ch(RedOf(S), RedOf(O)), ch(GreenOf(S), GreenOf(O)), ch(BlueOf(S), BlueOf(O)));
}

// Every pixel of two pictures, compared.
void ExpectSamePicture(const TspEffectBmp& Expected, const TspEffectBmp& Actual, const char* What) {
  ASSERT_EQ(Expected.GetWidth(), Actual.GetWidth());
  ASSERT_EQ(Expected.GetHeight(), Actual.GetHeight());
  for (int y = 0; y < Expected.GetHeight(); ++y)
    for (int x = 0; x < Expected.GetWidth(); ++x)
      ASSERT_EQ(Expected.GetPixel(x, y), Actual.GetPixel(x, y)) << What << " at " << x << "," << y;
}

}  // namespace

TEST(EffectBmp, HoldsATopDown24BitDibWithRowsPaddedToFourBytes) {
  for (int w : {1, 2, 3, 4, 5, 7}) {
    TspEffectBmp bmp(w, 3);
    ASSERT_NE(nullptr, bmp.GetDibHandle());
    const BITMAPINFOHEADER& h = bmp.GetDibInfo().bmiHeader;
    EXPECT_EQ(40u, h.biSize);
    EXPECT_EQ(w, h.biWidth);
    EXPECT_EQ(-3, h.biHeight);
    EXPECT_EQ(1, h.biPlanes);
    EXPECT_EQ(24, h.biBitCount);
    EXPECT_EQ(DWORD(BI_RGB), h.biCompression);
    EXPECT_EQ(0u, h.biSizeImage);
    const int row = w * 3 + w % 4;
    EXPECT_EQ(0, row % 4);
    EXPECT_EQ(row * 3, bmp.GetImageSize());
    EXPECT_EQ(bmp.GetPixelBits() + 2 * row, bmp.GetLinePtr(2));
    // Pixels start at zero; a colour's low byte is the first byte of the pixel (blue).
    EXPECT_EQ(0u, bmp.GetPixel(w - 1, 2));
    bmp.SetPixel(w - 1, 1, 0xAA112233);
    const uint8_t* p = bmp.GetLinePtr(1) + 3 * (w - 1);
    EXPECT_EQ(0x33, p[0]);
    EXPECT_EQ(0x22, p[1]);
    EXPECT_EQ(0x11, p[2]);
    EXPECT_EQ(0x112233u, bmp.GetPixel(w - 1, 1));
  }
  // Rows copy out and in as Width x 3 bytes.
  TEffectPtr bmp = SelfPicture(5, 2);
  std::vector<uint8_t> line(15);
  bmp->GetLine(1, line.data());
  EXPECT_EQ(BlueOf(bmp->GetPixel(4, 1)), line[12]);
  line[0] = 7;
  bmp->SetLine(0, line.data());
  EXPECT_EQ(7, BlueOf(bmp->GetPixel(0, 0)));
  EXPECT_EQ(bmp->GetPixel(4, 1), bmp->GetPixel(4, 0));
  // Coordinates outside read 0 and write nothing; a size the system cannot make gives a
  // picture that every operation leaves alone.
  EXPECT_EQ(0u, bmp->GetPixel(-1, 0));
  EXPECT_EQ(0u, bmp->GetPixel(5, 0));
  bmp->SetPixel(0, 2, 0xFFFFFF);
  TspEffectBmp none(0, 4);
  EXPECT_EQ(nullptr, none.GetDibHandle());
  none.Invert();
  none.Morph(bmp.get(), 0.5);
  bmp->Morph(&none, 0.5);
  none.SplitBlur(1);
}

TEST(EffectBmp, CopiesABitmapInAndDrawsItsPixelsOut) {
  for (TPixelFormat format : {pf24bit, pf32bit, pfDevice}) {
    TBitmapPtr source = MakeBitmap(
        6, 4, [](int x, int y) { return Rgb(40 * x, 60 * y, 200); }, format);
    TspEffectBmp bmp(source->GetHandle());
    ASSERT_EQ(6, bmp.GetWidth());
    ASSERT_EQ(4, bmp.GetHeight());
    for (int y = 0; y < 4; ++y)
      for (int x = 0; x < 6; ++x) EXPECT_EQ(Bgr(40 * x, 60 * y, 200), bmp.GetPixel(x, y));
    bmp.Invert();
    TBitmapPtr target = FilledBitmap(10, 8, clWhite);
    bmp.Draw(target->GetCanvas()->GetHandle(), 3, 2);
    EXPECT_EQ(clWhite, PixelOf(target.get(), 2, 2));
    EXPECT_EQ(Rgb(255, 255, 55), PixelOf(target.get(), 3, 2));
    EXPECT_EQ(Rgb(255 - 200, 255 - 180, 55), PixelOf(target.get(), 8, 5));
    EXPECT_EQ(clWhite, PixelOf(target.get(), 9, 5));
    EXPECT_EQ(clWhite, PixelOf(target.get(), 8, 6));
  }
}

TEST(EffectBmp, MorphBlendsByTheClampedFactor) {
  struct Case {
    double kf;
    double used;  // the factor after clamping
  };
  const Case cases[] = {{-0.5, 0},    {0, 0},     {0.2, 0.2},
                        {0.25, 0.25}, {0.5, 0.5}, {0.75, 0.75},
                        {1, 1},       {1.7, 1},   {std::numeric_limits<double>::quiet_NaN(), 0}};
  for (const Case& c : cases) {
    TEffectPtr self = SelfPicture(7, 3);
    TEffectPtr other = OtherPicture(7, 3);
    TEffectPtr expected = Pattern(7, 3, [&](int x, int y) {
      const uint32_t s = self->GetPixel(x, y), o = other->GetPixel(x, y);
      auto ch = [&](int a, int b) { return RoundEven((1 - c.used) * a + c.used * b); };
      return Bgr(ch(RedOf(s), RedOf(o)), ch(GreenOf(s), GreenOf(o)), ch(BlueOf(s), BlueOf(o)));
    });
    self->Morph(other.get(), c.kf);
    ExpectSamePicture(*expected, *self, "Morph");
  }
  // Kf 1.7 copies the other picture exactly; a picture one pixel wider changes nothing,
  // whatever the transition.
  for (int kind = mkDefault; kind <= mkPush; ++kind) {
    TEffectPtr self = SelfPicture(7, 3);
    TEffectPtr wider = OtherPicture(8, 3);
    TEffectPtr taller = OtherPicture(7, 4);
    self->MorphByKind(kind, wider.get(), 0.6);
    self->MorphByKind(kind, taller.get(), 0.6);
    ExpectSamePicture(*SelfPicture(7, 3), *self, "different size");
  }
  // Half and half: Round(0.5 x 10 + 0.5 x 251) = Round(130.5) = 130, the even neighbour.
  TEffectPtr a = Pattern(1, 1, [](int, int) { return Bgr(10, 11, 0); });
  TEffectPtr b = Pattern(1, 1, [](int, int) { return Bgr(251, 250, 0); });
  a->Morph(b.get(), 0.5);
  EXPECT_EQ(Bgr(130, 130, 0), a->GetPixel(0, 0));
}

TEST(EffectBmp, MorphRectBlendsInsideTheRectangleAgainstTheSourceOffset) {
  TEffectPtr self = SelfPicture(8, 6);
  TEffectPtr other = OtherPicture(8, 6);
  TEffectPtr before = SelfPicture(8, 6);
  self->MorphRect(other.get(), Rect(2, 1, 5, 3), 0.5, 4, 3);
  for (int y = 0; y < 6; ++y)
    for (int x = 0; x < 8; ++x) {
      const bool inside = x >= 2 && x < 5 && y >= 1 && y < 3;
      const uint32_t expected =
          inside ? Blend(before->GetPixel(x, y), other->GetPixel(4 + x - 2, 3 + y - 1), 0.5)
                 : before->GetPixel(x, y);
      EXPECT_EQ(expected, self->GetPixel(x, y)) << x << "," << y;
    }
  // Parts outside either picture are left out.
  TEffectPtr clipped = SelfPicture(8, 6);
  clipped->MorphRect(other.get(), Rect(-3, 4, 20, 9), 1, 6, 0);
  for (int y = 0; y < 6; ++y)
    for (int x = 0; x < 8; ++x) {
      const int sx = 6 + x + 3, sy = y - 4;
      const bool inside = y >= 4 && sx < 8;
      EXPECT_EQ(inside ? other->GetPixel(sx, sy) : before->GetPixel(x, y), clipped->GetPixel(x, y))
          << x << "," << y;
    }
}

namespace {

// Expected rows of the column transitions for one row: col(x) -> the pixel at x.
using TRowRule =
    std::function<uint32_t(int X, const TspEffectBmp& Self, const TspEffectBmp& Other, int Y)>;

void ExpectColumns(int Kind, int W, double Kf, const TRowRule& Rule, const char* What) {
  const int h = 3;
  TEffectPtr self = SelfPicture(W, h);
  TEffectPtr before = SelfPicture(W, h);
  TEffectPtr other = OtherPicture(W, h);
  self->MorphByKind(Kind, other.get(), Kf);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < W; ++x)
      ASSERT_EQ(Rule(x, *before, *other, y), self->GetPixel(x, y))
          << What << " Kf " << Kf << " width " << W << " at " << x << "," << y;
}

}  // namespace

TEST(EffectBmp, GradientTransitionsFadeFromTheirBandOrEdge) {
  // Horizontal gradient, width 9, Kf 0: X = 0, Half = 4, Step 0.25, L = R = 4. The centre
  // column shows the other picture and both sides fade back to this one.
  TRowRule hgradKf0 = [](int x, const TspEffectBmp& s, const TspEffectBmp& o, int y) {
    const double k = std::min(1.0, std::abs(x - 4) * 0.25);
    return Blend(s.GetPixel(x, y), o.GetPixel(x, y), k);
  };
  ExpectColumns(mkGradient, 9, 0, hgradKf0, "hgrad");
  // A factor of -1 or less is brought to 0 instead of reaching outside the picture.
  ExpectColumns(mkGradient, 9, -1, hgradKf0, "hgrad");
  ExpectColumns(mkGradient, 9, -7.5, hgradKf0, "hgrad");
  // Kf 1: every column shows the other picture.
  TRowRule other = [](int x, const TspEffectBmp&, const TspEffectBmp& o, int y) {
    return o.GetPixel(x, y);
  };
  ExpectColumns(mkGradient, 9, 1, other, "hgrad");
  ExpectColumns(mkGradient, 8, 3.5, other, "hgrad");
  // Width 10, Kf 0.4: X = 4, Half = 3, L = 3, R = 7.
  ExpectColumns(
      mkGradient, 10, 0.4,
      [](int x, const TspEffectBmp& s, const TspEffectBmp& o, int y) {
        if (x >= 3 && x <= 7) return o.GetPixel(x, y);
        // K grows by repeated additions of the step, as the transition adds it.
        double k = 0;
        for (int i = 0; i < (x < 3 ? 3 - x : x - 7); ++i) k = std::min(1.0, k + 1.0 / 3);
        return Blend(s.GetPixel(x, y), o.GetPixel(x, y), k);
      },
      "hgrad");

  // Left gradient, width 8, Kf 0.5: X = 4, Step 0.25, columns 0..4 fade in; a width of 1
  // gives a step of 1 and column 0 shows the other picture.
  ExpectColumns(
      mkLeftGradient, 8, 0.5,
      [](int x, const TspEffectBmp& s, const TspEffectBmp& o, int y) {
        if (x > 4) return s.GetPixel(x, y);
        return Blend(s.GetPixel(x, y), o.GetPixel(x, y), x * 0.25);
      },
      "leftgrad");
  ExpectColumns(mkLeftGradient, 1, 0.5, other, "leftgrad");
  ExpectColumns(mkLeftGradient, 1, -3, other, "leftgrad");
  // Right gradient, width 8, Kf 0.5: X = 4, Step 0.25 from column 7 down to 4.
  ExpectColumns(
      mkRightGradient, 8, 0.5,
      [](int x, const TspEffectBmp& s, const TspEffectBmp& o, int y) {
        if (x < 4) return s.GetPixel(x, y);
        return Blend(s.GetPixel(x, y), o.GetPixel(x, y), (7 - x) * 0.25);
      },
      "rightgrad");
}

TEST(EffectBmp, VerticalGradientFadesRowsAroundTheMiddleBand) {
  // A picture narrower than high takes the vertical gradient: height 9, Kf 0: Y = 0,
  // Half = (9 - 1 - 0) div 2 = 4, Step 0.25, T = B = 4.
  const int w = 3, h = 9;
  for (double kf : {0.0, -2.0}) {
    TEffectPtr self = SelfPicture(w, h);
    TEffectPtr before = SelfPicture(w, h);
    TEffectPtr other = OtherPicture(w, h);
    self->MorphGrad(other.get(), kf);
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x) {
        const double k = std::min(1.0, std::abs(y - 4) * 0.25);
        ASSERT_EQ(Blend(before->GetPixel(x, y), other->GetPixel(x, y), k), self->GetPixel(x, y))
            << x << "," << y << " Kf " << kf;
      }
  }
  // Kf 1: Y = 9, Half = (9 - 1 - 9) div 2 = 0, so the step is 0 and every row shows the
  // other picture.
  TEffectPtr self = SelfPicture(w, h);
  TEffectPtr other = OtherPicture(w, h);
  self->MorphVGrad(other.get(), 1);
  ExpectSamePicture(*other, *self, "vgrad Kf 1");
}

TEST(EffectBmp, SlidesAndPushMoveColumnsOfBothPictures) {
  TRowRule otherRule = [](int x, const TspEffectBmp&, const TspEffectBmp& o, int y) {
    return o.GetPixel(x, y);
  };
  // Push at Kf 0: the picture moves right by one column, and column 0 shows the other
  // picture's last column.
  ExpectColumns(
      mkPush, 6, 0,
      [](int x, const TspEffectBmp& s, const TspEffectBmp& o, int y) {
        return x == 0 ? o.GetPixel(5, y) : s.GetPixel(x - 1, y);
      },
      "push");
  // Push at Kf 0.5, width 8: X = 4; columns 4..7 take old columns 0..3 (column j takes
  // max(j - 5, 0)); columns 0..4 take the other's columns 3..7.
  ExpectColumns(
      mkPush, 8, 0.5,
      [](int x, const TspEffectBmp& s, const TspEffectBmp& o, int y) {
        if (x <= 4) return o.GetPixel(3 + x, y);
        return s.GetPixel(std::max(x - 5, 0), y);
      },
      "push");
  ExpectColumns(mkPush, 8, 1, otherRule, "push");
  // Left slide at Kf 0 still replaces column 0 (X is at least 1) with the other's last.
  ExpectColumns(
      mkLeftSlide, 6, 0,
      [](int x, const TspEffectBmp& s, const TspEffectBmp& o, int y) {
        return x == 0 ? o.GetPixel(5, y) : s.GetPixel(x, y);
      },
      "leftslide");
  // Left slide at Kf 0.5, width 8: X = 4, the other's columns 4..7 cover columns 0..3.
  ExpectColumns(
      mkLeftSlide, 8, 0.5,
      [](int x, const TspEffectBmp& s, const TspEffectBmp& o, int y) {
        return x < 4 ? o.GetPixel(4 + x, y) : s.GetPixel(x, y);
      },
      "leftslide");
  // Right slide at Kf 0.5, width 8: the other's columns 0..3 cover columns 4..7.
  ExpectColumns(
      mkRightSlide, 8, 0.5,
      [](int x, const TspEffectBmp& s, const TspEffectBmp& o, int y) {
        return x >= 4 ? o.GetPixel(x - 4, y) : s.GetPixel(x, y);
      },
      "rightslide");
  // Kf 1: X = Width - 1, so the other's columns 1..7 cover columns 0..6.
  ExpectColumns(
      mkLeftSlide, 8, 1,
      [](int x, const TspEffectBmp& s, const TspEffectBmp& o, int y) {
        return x < 7 ? o.GetPixel(x + 1, y) : s.GetPixel(x, y);
      },
      "leftslide");
}

TEST(EffectBmp, InactiveLooksFollowTheirFormulas) {
  struct Case {
    const char* what;
    std::function<void(TspEffectBmp&)> effect;
    uint32_t in, out;
  };
  const Case cases[] = {
      // Round(0.5 x 0 + 255 x 0.5) = Round(127.5) = 128; white stays white.
      {"brightness", [](TspEffectBmp& b) { b.ChangeBrightness(0.5); }, Bgr(0, 0, 0),
       Bgr(128, 128, 128)},
      {"brightness", [](TspEffectBmp& b) { b.ChangeBrightness(0.5); }, Bgr(255, 255, 255),
       Bgr(255, 255, 255)},
      {"brightness", [](TspEffectBmp& b) { b.ChangeBrightness(0.5); }, Bgr(100, 1, 3),
       Bgr(178, 128, 129)},
      {"brightness", [](TspEffectBmp& b) { b.ChangeBrightness(-1); }, Bgr(100, 1, 3),
       Bgr(100, 1, 3)},
      {"brightness", [](TspEffectBmp& b) { b.ChangeBrightness(4); }, Bgr(100, 1, 3),
       Bgr(255, 255, 255)},
      {"darkness", [](TspEffectBmp& b) { b.ChangeDarkness(0.3); }, Bgr(200, 5, 255),
       Bgr(140, 4, 178)},
      {"darkness", [](TspEffectBmp& b) { b.ChangeDarkness(0.5); }, Bgr(5, 7, 255), Bgr(2, 4, 128)},
      {"darkness", [](TspEffectBmp& b) { b.ChangeDarkness(2); }, Bgr(5, 7, 255), Bgr(0, 0, 0)},
      // 0.3 x 255 = 76.5: pure red turns 76 in every channel; white stays 255.
      {"grey", [](TspEffectBmp& b) { b.GrayScale(); }, Bgr(255, 0, 0), Bgr(76, 76, 76)},
      {"grey", [](TspEffectBmp& b) { b.GrayScale(); }, Bgr(255, 255, 255), Bgr(255, 255, 255)},
      {"grey", [](TspEffectBmp& b) { b.GrayScale(); }, Bgr(0, 100, 200), Bgr(81, 81, 81)},
      {"invert", [](TspEffectBmp& b) { b.Invert(); }, Bgr(0, 100, 255), Bgr(255, 155, 0)},
      {"noise 0", [](TspEffectBmp& b) { b.AddNoise(0); }, Bgr(9, 8, 7), Bgr(9, 8, 7)},
      {"noise -5", [](TspEffectBmp& b) { b.AddNoise(-5); }, Bgr(9, 8, 7), Bgr(9, 8, 7)},
      {"noise 1", [](TspEffectBmp& b) { b.AddNoise(1); }, Bgr(9, 8, 7), Bgr(9, 8, 7)},
      {"blur 0", [](TspEffectBmp& b) { b.SplitBlur(0); }, Bgr(9, 8, 7), Bgr(9, 8, 7)},
  };
  for (const Case& c : cases) {
    TEffectPtr bmp = Pattern(3, 2, [&c](int, int) { return c.in; });
    c.effect(*bmp);
    for (int y = 0; y < 2; ++y)
      for (int x = 0; x < 3; ++x)
        EXPECT_EQ(c.out, bmp->GetPixel(x, y)) << c.what << std::hex << " " << c.in;
  }
}

TEST(EffectBmp, NoiseShiftsThePixelsChannelsTogetherWithinItsRange) {
  RandSeed = 1234;
  TEffectPtr bmp = Pattern(40, 30, [](int, int) { return Bgr(128, 20, 240); });
  bmp->AddNoise(50);
  int low = 1000, high = -1000;
  for (int y = 0; y < 30; ++y)
    for (int x = 0; x < 40; ++x) {
      const uint32_t c = bmp->GetPixel(x, y);
      const int n = RedOf(c) - 128;
      low = std::min(low, n);
      high = std::max(high, n);
      // The same value went to every channel, clamped there.
      ASSERT_EQ(std::clamp(20 + n, 0, 255), GreenOf(c));
      ASSERT_EQ(std::clamp(240 + n, 0, 255), BlueOf(c));
    }
  // Random(50) - 25 lies in -25 .. 24, and 1200 draws reach both ends.
  EXPECT_EQ(-25, low);
  EXPECT_EQ(24, high);
}

TEST(EffectBmp, SplitBlurAveragesFourNeighboursInPlace) {
  const int w = 5, h = 4;
  auto colour = [](int x, int y) { return Bgr(13 * x + 40 * y, 200 - 30 * y, 7 * x * y); };
  for (int amount : {1, 2, 4, 9, -1}) {
    TEffectPtr bmp = Pattern(w, h, colour);
    // The model: rows from the top, pixels from the left, in place; neighbours outside
    // the picture (an amount not below the size) are brought to its edge.
    std::vector<uint32_t> px(size_t(w * h));
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x) px[size_t(y * w + x)] = colour(x, y);
    auto inside = [](int v, int size) { return std::clamp(v, 0, size - 1); };
    for (int i = 0; i < h; ++i) {
      const int up = inside(i - amount < 0 ? i : i - amount, h);
      const int down = inside(i + amount >= h ? h - i : i + amount, h);
      for (int j = 0; j < w; ++j) {
        const int l = inside(j - amount < 0 ? j : j - amount, w);
        const int r = inside(j + amount >= w ? w - j : j + amount, w);
        const uint32_t a = px[size_t(up * w + l)], b = px[size_t(down * w + l)],
                       c = px[size_t(up * w + r)], d = px[size_t(down * w + r)];
        uint32_t out = 0;
        for (int shift : {0, 8, 16}) {
          const uint32_t sum =
              (a >> shift & 0xFF) + (b >> shift & 0xFF) + (c >> shift & 0xFF) + (d >> shift & 0xFF);
          out |= (sum >> 2) << shift;
        }
        px[size_t(i * w + j)] = out;
      }
    }
    bmp->SplitBlur(amount);
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x)
        ASSERT_EQ(px[size_t(y * w + x)], bmp->GetPixel(x, y))
            << "amount " << amount << " at " << x << "," << y;
  }
  // With Amount 1 the last row takes its lower samples from row 1 (Height - i). Only row
  // 1 is lit (200); column 1 of the rows becomes 125, 65, 29 and then, from rows 2 and 1,
  // (30 + 56 + 32 + 62) div 4 = 45 (a lower row 3 would give less).
  TEffectPtr one =
      Pattern(3, 4, [](int, int y) { return y == 1 ? Bgr(200, 200, 200) : Bgr(0, 0, 0); });
  one->SplitBlur(1);
  const int rows[] = {125, 65, 29, 45};
  for (int y = 0; y < 4; ++y) EXPECT_EQ(Bgr(rows[y], rows[y], rows[y]), one->GetPixel(1, y)) << y;
}

TEST(EffectBmp, TurnsAndFlipsWriteIntoAPictureOfTheRightSize) {
  TEffectPtr src = Pattern(3, 2, [](int x, int y) { return Bgr(x, y, 7); });
  TspEffectBmp ccw(2, 3), cw(2, 3), flip(3, 2), wrong(3, 2);
  src->Rotate90CCW(&ccw);
  src->Rotate90CW(&cw);
  src->FlipVertical(&flip);
  src->Rotate90CW(&wrong);
  for (int y = 0; y < 2; ++y)
    for (int x = 0; x < 3; ++x) {
      EXPECT_EQ(src->GetPixel(x, y), ccw.GetPixel(y, 3 - 1 - x));
      EXPECT_EQ(src->GetPixel(x, y), cw.GetPixel(2 - 1 - y, x));
      EXPECT_EQ(src->GetPixel(x, y), flip.GetPixel(x, 2 - 1 - y));
      EXPECT_EQ(0u, wrong.GetPixel(x, y));
    }
}
