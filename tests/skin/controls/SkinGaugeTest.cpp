// The gauge: its value rules, the plain look, the filled part from the skin (tiled,
// stretched, with caps, vertical from the bottom), the text, and the progress animation,
// whose timers are never freed inside their own handler.
#include <gtest/gtest.h>

#include <algorithm>
#include <climits>

#include "skin/controls/SkinGauge.h"
#include "skin/data/SPUtils.h"
#include "tests/skin/controls/BaseTestSkin.h"

namespace {

constexpr TColor kTrough = Rgb(70, 70, 90);
constexpr TColor kBarA = Rgb(0, 160, 0);
constexpr TColor kBarB = Rgb(0, 90, 200);
constexpr TColor kCap = Rgb(220, 220, 0);
constexpr TColor kFrameColor = Rgb(230, 100, 0);

// Picture 0: a 40 x 20 trough (nine parts, borders 2); a 10 x 16 progress piece whose left
// half and right half differ, with 2-pixel caps of their own colour at both ends; an
// animation strip of 4 frames.
void BuildGaugeSkin(TTestSkin& Skin) {
  const int p = Skin.AddPicture(120, 60, kTrough);
  Skin.FillRect(p, TRect(50, 0, 55, 16), kBarA);
  Skin.FillRect(p, TRect(55, 0, 60, 16), kBarB);
  Skin.FillRect(p, TRect(70, 0, 72, 16), kCap);
  Skin.FillRect(p, TRect(72, 0, 78, 16), kBarA);
  Skin.FillRect(p, TRect(78, 0, 80, 16), kCap);
  Skin.FillRect(p, TRect(0, 30, 40, 46), kFrameColor);
  const TSkinKeys trough = With({{"pictureindex", "0"}}, NinePartKeys(TRect(0, 0, 40, 20), 2, 2, 2, 2));
  Skin.AddControl("gauge", "gauge",
                  With(trough, {{"progressarea", "2,2,38,18"}, {"progressrect", "50,0,60,16"}}));
  Skin.AddControl("stretched", "gauge",
                  With(trough, {{"progressarea", "2,2,38,18"}, {"progressrect", "50,0,60,16"},
                                {"progressstretch", "1"}}));
  Skin.AddControl("capped", "gauge",
                  With(trough, {{"progressarea", "2,2,38,18"}, {"progressrect", "70,0,80,16"},
                                {"beginoffset", "2"}, {"endoffset", "2"}}));
  Skin.AddControl("vgauge", "gauge",
                  {{"pictureindex", "0"}, {"skinrect", "0,0,20,40"}, {"lefttoppoint", "2,2"},
                   {"righttoppoint", "18,2"}, {"leftbottompoint", "2,38"},
                   {"rightbottompoint", "18,38"}, {"clientrect", "2,2,18,38"},
                   {"progressarea", "2,2,18,38"}, {"progressrect", "50,0,60,16"}, {"vertical", "1"}});
  Skin.AddControl("animated", "gauge",
                  With(trough, {{"progressarea", "2,2,38,18"}, {"progressrect", "50,0,60,16"},
                                {"progressanimationskinrect", "0,30,40,46"},
                                {"progressanimationcountframes", "4"},
                                {"progressanimationtimerinterval", "250"}}));
}

struct TGaugeFixture : TSkinFormFixture {
  explicit TGaugeFixture(bool Loaded = true) : TSkinFormFixture(BuildGaugeSkin, Loaded, 400, 200) {}
  TspSkinGauge* Add(const AnsiString& Record, const TRect& R) {
    return TSkinFormFixture::Add<TspSkinGauge>(R, Record);
  }
};

}  // namespace

TEST(SkinGauge, ValueRules) {
  TGaugeFixture f(false);
  auto* g = f.Add("gauge", TRect(0, 0, 100, 20));
  EXPECT_EQ(50, g->GetValue());
  g->SetValue(150);
  EXPECT_EQ(100, g->GetValue());
  g->SetValue(-5);
  EXPECT_EQ(0, g->GetValue());
  g->SetValue(70);
  g->SetMaxValue(60);
  EXPECT_EQ(60, g->GetValue());
  g->SetMinValue(65);
  EXPECT_EQ(65, g->GetValue());
  // Equal bounds: an empty bar and "0%".
  g->SetMaxValue(65);
  g->SetShowPercent(true);
  EXPECT_EQ("0%", g->GaugeText());
  EXPECT_EQ(TRect(1, 1, 1, 19), g->CalcProgressRect(TRect(1, 1, 99, 19)));
  g->SetShowProgressText(true);
  g->SetProgressText("Done ");
  EXPECT_EQ("Done 0%", g->GaugeText());
  g->SetProgressAnimationPause(-1);
  EXPECT_EQ(1000, g->GetProgressAnimationPause());
}

TEST(SkinGauge, PlainLook) {
  TGaugeFixture f(false);
  auto* g = f.Add("gauge", TRect(10, 10, 110, 30));
  g->SetValue(50);
  auto* v = f.Add("vgauge", TRect(150, 10, 170, 110));
  v->SetVertical(true);
  v->SetValue(25);
  ShowAndPaint(f.Form.get());
  Screenshot(f.Form->GetHandle(), "gauge_plain");
  const TColor shadow = TColor(ColorToRGB(clBtnShadow));
  const TColor window = TColor(ColorToRGB(clWindow));
  EXPECT_EQ(shadow, ControlPixel(g, 0, 0));
  EXPECT_EQ(shadow, ControlPixel(g, 99, 19));
  EXPECT_EQ(TColor(0xD2BDB6), ControlPixel(g, 1, 10));
  EXPECT_EQ(TColor(0xD2BDB6), ControlPixel(g, 49, 10));  // 1 + trunc(0.5 x 98) = 50
  EXPECT_EQ(window, ControlPixel(g, 50, 10));
  // Vertical: filled from the bottom, a quarter of 98.
  EXPECT_EQ(TColor(0xD2BDB6), ControlPixel(v, 10, 98));
  EXPECT_EQ(TColor(0xD2BDB6), ControlPixel(v, 10, 99 - 24));
  EXPECT_EQ(window, ControlPixel(v, 10, 99 - 26));
}

TEST(SkinGauge, FilledPartFromTheSkin) {
  TGaugeFixture f;
  auto* tiled = f.Add("gauge", TRect(10, 10, 110, 30));  // area 96 wide: filled 48
  auto* stretched = f.Add("stretched", TRect(10, 40, 110, 60));
  auto* capped = f.Add("capped", TRect(10, 70, 110, 90));
  capped->SetValue(100);
  auto* vertical = f.Add("vgauge", TRect(150, 10, 170, 110));  // area 96 high
  ShowAndPaint(f.Form.get());
  Screenshot(f.Form->GetHandle(), "gauge_skin");
  // Tiled from the left in copies of 10: A B | A B | ...; past the filled part the trough.
  EXPECT_EQ(kBarA, ControlPixel(tiled, 2, 10));
  EXPECT_EQ(kBarB, ControlPixel(tiled, 2 + 7, 10));
  EXPECT_EQ(kBarA, ControlPixel(tiled, 2 + 12, 10));
  EXPECT_EQ(kBarB, ControlPixel(tiled, 2 + 47, 10));
  EXPECT_EQ(kTrough, ControlPixel(tiled, 2 + 49, 10));
  // Stretched once over 48 pixels: the left half A, the right half B.
  EXPECT_EQ(kBarA, ControlPixel(stretched, 2 + 20, 10));
  EXPECT_EQ(kBarB, ControlPixel(stretched, 2 + 28, 10));
  // The caps at both ends of the full bar, the middle between them.
  EXPECT_EQ(kCap, ControlPixel(capped, 2, 10));
  EXPECT_EQ(kCap, ControlPixel(capped, 2 + 95, 10));
  EXPECT_EQ(kBarA, ControlPixel(capped, 2 + 40, 10));
  // Vertical: from the bottom up, tiled upwards from the bottom edge.
  EXPECT_EQ(kTrough, ControlPixel(vertical, 10, 10));
  EXPECT_NE(kTrough, ControlPixel(vertical, 10, 97));
  EXPECT_NE(kTrough, ControlPixel(vertical, 10, 51));
}

TEST(SkinGauge, TheAnimationRunsAndItsTimersGoOnlyAfterTheirHandlers) {
  TGaugeFixture f;
  auto* g = f.Add("animated", TRect(10, 10, 110, 30));
  g->SetProgressAnimationPause(30);
  ShowAndPaint(f.Form.get());
  g->StartProgressAnimation();
  EXPECT_TRUE(g->AnimationRunning());
  ASSERT_TRUE(PumpUntil([&] { return g->GetAnimationFrame() == 2; }));
  RepaintNow(g);
  EXPECT_EQ(kFrameColor, ControlPixel(g, 10, 10));
  // A skin change restarts a running animation.
  g->ChangeSkinData();
  EXPECT_TRUE(g->AnimationRunning());
  // Stopped from inside a paint a frame tick asked for: the timer that is running its
  // handler is not freed under it.
  int stops = 0;
  g->OnGaugePaint = [&](TObject*, TCanvas*, TRect, TRect) {
    if (g->GetAnimationFrame() > 0 && g->AnimationRunning()) {
      ++stops;
      g->StopProgressAnimation();
    }
  };
  ASSERT_TRUE(PumpUntil([&] { return stops > 0; }));
  PumpFor(50);
  EXPECT_FALSE(g->AnimationRunning());
  EXPECT_EQ(0, g->GetAnimationFrame());
}

namespace {

constexpr TColor kTextColor = Rgb(250, 20, 120);

// The smallest rectangle around the control's pixels of a colour on the screen (empty when
// none shows).
TRect ColourBox(TControl* C, TColor Color) {
  const int w = C->GetWidth();
  const int h = C->GetHeight();
  GdiFlush();
  const TPoint origin = ScreenPoint(C, 0, 0);
  TOwned<TBitmap> copy(new TBitmap);
  copy->SetPixelFormat(pf24bit);
  copy->SetSize(w, h);
  {
    TWindowDC screen;
    BitBlt(copy->GetCanvas()->GetHandle(), 0, 0, w, h, screen, origin.X, origin.Y, SRCCOPY);
  }
  TRect box(INT_MAX, INT_MAX, INT_MIN, INT_MIN);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x)
      if (copy->GetCanvas()->GetPixel(x, y) == Color) {
        box.Left = std::min(box.Left, x);
        box.Top = std::min(box.Top, y);
        box.Right = std::max(box.Right, x + 1);
        box.Bottom = std::max(box.Bottom, y + 1);
      }
  return box.Left == INT_MAX ? TRect() : box;
}

}  // namespace

TEST(SkinGauge, TextOpacityVerticalTextAndAnySizeWithoutTheSkinsSize) {
  TGaugeFixture f;
  const TSkinKeys trough = {{"pictureindex", "0"}};
  f.Skin.AddControl("texted", "gauge",
                    With(With(trough, NinePartKeys(TRect(0, 0, 40, 20), 2, 2, 2, 2)),
                         {{"progressarea", "2,2,38,18"}, {"progressrect", "50,0,60,16"},
                          {"fontcolor", IntToStr(kTextColor)}, {"fontheight", "14"}}));
  f.Skin.AddControl("vtexted", "gauge",
                    {{"pictureindex", "0"}, {"skinrect", "0,0,20,40"}, {"lefttoppoint", "2,2"},
                     {"righttoppoint", "18,2"}, {"leftbottompoint", "2,38"},
                     {"rightbottompoint", "18,38"}, {"clientrect", "2,2,18,38"},
                     {"progressarea", "2,2,18,38"}, {"progressrect", "50,0,60,16"},
                     {"vertical", "1"}, {"fontcolor", IntToStr(kTextColor)}});
  // Three parts side by side: the skin fixes the height at 20.
  f.Skin.AddControl("hbar", "gauge",
                    {{"pictureindex", "0"}, {"skinrect", "0,0,40,20"}, {"lefttoppoint", "2,0"},
                     {"righttoppoint", "38,0"}, {"clientrect", "2,0,38,20"},
                     {"progressarea", "2,2,38,18"}, {"progressrect", "50,0,60,16"},
                     {"progressstretch", "1"}});
  f.Skin.LoadInto(f.Data.get(), f.Folder);
  auto* plainText = f.Add("texted", TRect(10, 10, 130, 30));
  auto* hidden = f.Add("texted", TRect(10, 40, 130, 60));
  hidden->SetTextAlphaBlend(true);
  hidden->SetTextAlphaBlendValue(0);
  auto* opaque = f.Add("texted", TRect(10, 70, 130, 90));
  opaque->SetTextAlphaBlend(true);
  opaque->SetTextAlphaBlendValue(255);
  auto* vertical = f.Add("vtexted", TRect(150, 10, 170, 130));
  auto* anySize = f.Add("hbar", TRect(200, 10, 300, 50));
  anySize->SetUseSkinSize(false);
  anySize->SetBounds(200, 10, 100, 40);
  for (TspSkinGauge* g : {plainText, hidden, opaque, vertical}) {
    g->SetShowPercent(true);
    g->SetValue(30);
  }
  f.Show();
  Screenshot(f.Form->GetHandle(), "gauge_text");
  // "30%" across the middle of the bar in the record's font colour.
  const TRect across = ColourBox(plainText, kTextColor);
  ASSERT_FALSE(IsNullRect(across));
  EXPECT_GT(across.Width(), across.Height());
  EXPECT_NEAR(60, (across.Left + across.Right) / 2, 3);
  // Opacity 0 leaves no text; 255 shows it as drawn.
  EXPECT_FALSE(ControlShows(hidden, kTextColor));
  EXPECT_EQ(across, ColourBox(opaque, kTextColor));
  // The vertical bar's text runs upwards: taller than wide, centred on the bar.
  const TRect up = ColourBox(vertical, kTextColor);
  ASSERT_FALSE(IsNullRect(up));
  EXPECT_GT(up.Height(), up.Width());
  EXPECT_NEAR(60, (up.Top + up.Bottom) / 2, 4);
  // Without the skin's size the gauge keeps 100 x 40; the skin image (100 x 20) is
  // stretched over it: the trough's rows double, the filled part (30 of 96) stays left.
  EXPECT_EQ(40, anySize->GetHeight());
  EXPECT_EQ(kTrough, ControlPixel(anySize, 50, 1));
  EXPECT_EQ(kBarA, ControlPixel(anySize, 10, 20));
  EXPECT_EQ(kTrough, ControlPixel(anySize, 60, 20));
}
