// The tool bar's scroll buttons as the user meets them: their plain look at rest, hot and
// pressed, their look from the skin's "resizebutton" record, scrolling while the pointer
// only rests on a button (HotScroll) and stopping when it comes back to the row, and a
// scrolled bar that grows giving the growth back to its row before the buttons go.
#include <gtest/gtest.h>

#include "skin/controls/SkinPanels.h"
#include "tests/skin/controls/BaseTestSkin.h"

namespace {

const TColor kFace = TColor(ColorToRGB(clBtnFace));
const TColor kShadow = TColor(ColorToRGB(clBtnShadow));
const TColor kText = TColor(ColorToRGB(clBtnText));
constexpr TColor kNavy = TColor(0x800000);
constexpr TColor kHotFace = TColor(0xD2BDB6);
constexpr TColor kDownFace = TColor(0xB59385);
// The "resizebutton" record's three looks, 12 x 20 each, borders 2, and its arrow colours.
constexpr TColor kRestLook = Rgb(90, 120, 90);
constexpr TColor kHotLook = Rgb(200, 160, 40);
constexpr TColor kDownLook = Rgb(40, 40, 160);
constexpr TColor kRestArrow = Rgb(255, 255, 255);
constexpr TColor kHotArrow = Rgb(0, 0, 0);
constexpr TColor kDownArrow = Rgb(255, 0, 0);

void BuildToolBarSkin(TTestSkin& Skin) {
  BuildBaseSkin(Skin);
  const int p = Skin.AddPicture(40, 20, kRestLook);
  Skin.FillRect(p, TRect(12, 0, 24, 20), kHotLook);
  Skin.FillRect(p, TRect(24, 0, 36, 20), kDownLook);
  Skin.AddControl("resizebutton", "button",
                  With(With({{"pictureindex", IntToStr(p)}}, NinePartKeys(TRect(0, 0, 12, 20), 2, 2, 2, 2)),
                       {{"activeskinrect", "12,0,24,20"},
                        {"downskinrect", "24,0,36,20"},
                        {"fontcolor", IntToStr(kRestArrow)},
                        {"activefontcolor", IntToStr(kHotArrow)},
                        {"downfontcolor", IntToStr(kDownArrow)}}));
  Skin.AddControl("toolpanel", "panel",
                  With({{"pictureindex", "0"}}, NinePartKeys(TRect(20, 0, 50, 30), 5, 5, 5, 5)));
}

struct TToolBarFixture : TSkinFormFixture {
  explicit TToolBarFixture(bool Loaded) : TSkinFormFixture(BuildToolBarSkin, Loaded, 400, 200) {}
  // The pointer is left off the form, where no later test program's window appears.
  ~TToolBarFixture() {
    TInputDriver input;
    input.Add([] { MoveMouseTo(1200, 1000); });
    input.Run();
  }
  // A scrolling tool bar at (10, 10) of W x 20 with five 40-pixel children (a 200-pixel row).
  TspSkinToolBar* AddScrollingBar(int W) {
    Bar = Add<TspSkinToolBar>(TRect(10, 10, 10 + W, 30));
    Bar->SetCanScroll(true);
    Bar->SetScrollTimerInterval(20);
    for (int i = 0; i < 5; ++i) {
      auto* c = new TspSkinPanel(Form.get());
      c->SetParent(Bar);
      c->SetBounds(i * 40, 2, 40, 16);
      Children.push_back(c);
    }
    // The pointer starts off the form, wherever an earlier program left it.
    TInputDriver input;
    input.Add([] { MoveMouseTo(1200, 1000); });
    input.Run();
    Show();
    Bar->UpdateScroll();
    PumpFor(20);
    return Bar;
  }
  // A point of the bar's window (not client) on the screen.
  TPoint WindowPoint(int X, int Y) const {
    return ScreenPoint(Form.get(), Bar->GetLeft() + X, Bar->GetTop() + Y);
  }
  TspSkinToolBar* Bar = nullptr;
  std::vector<TControl*> Children;
};

// What a scroll button shows: its frame (top-left pixel) and its face (a pixel inside the
// frame, away from the arrow).
struct TButtonLook {
  TColor Frame, Face;
};

}  // namespace

TEST(SkinToolBarButtons, PlainLookAtRestHotAndPressed) {
  TToolBarFixture f(false);
  f.AddScrollingBar(100);
  ASSERT_TRUE(f.Bar->GetScrollButtonsShown());
  // Button 1 is the window's last 12 columns: (88, 0, 100, 20); its arrow points right,
  // centred in the inset rectangle (1, 1, 11, 19).
  const TPoint frame = f.WindowPoint(88, 0);
  const TPoint face = f.WindowPoint(88 + 2, 2);
  auto look = [&] {
    return TButtonLook{ScreenPixel(frame), ScreenPixel(face)};
  };
  auto arrowShown = [&](TColor Color) {
    for (int y = 5; y < 15; ++y)
      for (int x = 88 + 3; x < 88 + 9; ++x)
        if (ScreenPixel(f.WindowPoint(x, y)) == Color) return true;
    return false;
  };
  Screenshot(f.Form->GetHandle(), "toolbar_buttons_plain");
  TButtonLook rest = look();
  EXPECT_EQ(kShadow, rest.Frame);
  EXPECT_EQ(kFace, rest.Face);
  EXPECT_TRUE(arrowShown(kText));

  // Hot: the pointer on the button, no press.
  TButtonLook hot{}, pressed{}, back{};
  bool hotArrow = false;
  const TPoint on = f.WindowPoint(94, 10);
  const TPoint row = f.WindowPoint(40, 10);
  TInputDriver input;
  input.Add([=] { MoveMouseTo(row.X, row.Y); });
  input.Add([=] { MoveMouseTo(on.X, on.Y); });
  input.Add([&] {
    hot = look();
    hotArrow = arrowShown(kText);
  });
  input.Add([] { MouseButton(true); });
  input.Add([&] { pressed = look(); });
  input.Add([] { MouseButton(false); });
  input.Add([=] { MoveMouseTo(row.X, row.Y); });
  input.Add([&] { back = look(); });
  input.Run();
  EXPECT_EQ(kNavy, hot.Frame);
  EXPECT_EQ(kHotFace, hot.Face);
  EXPECT_TRUE(hotArrow);
  EXPECT_EQ(kNavy, pressed.Frame);
  EXPECT_EQ(kDownFace, pressed.Face);
  // Back in the row the button is at rest again.
  EXPECT_EQ(kShadow, back.Frame);
  EXPECT_EQ(kFace, back.Face);
  EXPECT_FALSE(f.Bar->GetScrollButtonHot(1));
}

TEST(SkinToolBarButtons, LooksFromTheSkinsButtonRecord) {
  TToolBarFixture f(true);
  f.AddScrollingBar(100);
  ASSERT_TRUE(f.Bar->GetScrollButtonsShown());
  // The record's pictures are 12 x 20 with 2-pixel borders: the button (12 x 20) shows one
  // whole; a point of its face away from the arrow shows the look.
  const TPoint face = f.WindowPoint(88 + 1, 2);
  Screenshot(f.Form->GetHandle(), "toolbar_buttons_skin");
  EXPECT_EQ(kRestLook, ScreenPixel(face));
  TColor hot = 0, pressed = 0, back = 0;
  const TPoint on = f.WindowPoint(94, 10);
  const TPoint row = f.WindowPoint(40, 10);
  TInputDriver input;
  input.Add([=] { MoveMouseTo(row.X, row.Y); });
  input.Add([=] { MoveMouseTo(on.X, on.Y); });
  input.Add([&] { hot = ScreenPixel(face); });
  input.Add([] { MouseButton(true); });
  input.Add([&] { pressed = ScreenPixel(face); });
  input.Add([] { MouseButton(false); });
  input.Add([=] { MoveMouseTo(row.X, row.Y); });
  input.Add([&] { back = ScreenPixel(face); });
  input.Run();
  EXPECT_EQ(kHotLook, hot);
  EXPECT_EQ(kDownLook, pressed);
  EXPECT_EQ(kRestLook, back);
  // The left button at rest, with the arrow in the record's font colour.
  bool arrow = false;
  for (int y = 5; y < 15; ++y)
    for (int x = 3; x < 9; ++x)
      if (ScreenPixel(f.WindowPoint(x, y)) == kRestArrow) arrow = true;
  EXPECT_TRUE(arrow);
}

TEST(SkinToolBarButtons, HotScrollMovesTheRowWhileThePointerRestsOnAButton) {
  TToolBarFixture f(false);
  f.AddScrollingBar(100);
  f.Bar->SetHotScroll(true);
  const TPoint on = f.WindowPoint(94, 10);
  const TPoint row = f.WindowPoint(40, 10);
  TInputDriver input;
  input.Add([=] { MoveMouseTo(row.X, row.Y); });
  input.Add([=] { MoveMouseTo(on.X, on.Y); });
  input.Add([] { Sleep(300); });
  input.Add([=] { MoveMouseTo(row.X, row.Y); });
  input.Run();
  // The row scrolled to its end without a press, and the pointer's return stopped it.
  TControl* last = f.Children.back();
  EXPECT_EQ(f.Bar->GetClientWidth(), last->GetLeft() + last->GetWidth());
  EXPECT_EQ(0, f.Bar->GetScrollDirection());
  EXPECT_FALSE(f.Bar->GetScrollButtonHot(1));
}

TEST(SkinToolBarButtons, AScrolledBarThatGrowsGivesTheGrowthToItsRowFirst) {
  TToolBarFixture f(false);
  f.AddScrollingBar(100);  // client 76 of a 200-pixel row
  // Scrolled to the end: position 124 (extent 199 - client 76 + 1).
  const TPoint on = f.WindowPoint(94, 10);
  TInputDriver input;
  input.Add([=] { MoveMouseTo(on.X, on.Y); });
  input.Add([] { MouseButton(true); });
  input.Add([] { Sleep(300); });
  input.Add([] { MouseButton(false); });
  input.Run();
  ASSERT_EQ(124, f.Bar->GetScrollPosition());
  // 50 pixels wider: the row moves right by 50, still scrolled.
  f.Bar->SetBounds(10, 10, 150, 20);
  f.Bar->UpdateScroll();
  PumpFor(20);
  EXPECT_TRUE(f.Bar->GetScrollButtonsShown());
  EXPECT_EQ(74, f.Bar->GetScrollPosition());
  EXPECT_EQ(126, f.Bar->GetClientWidth());
  TControl* last = f.Children.back();
  EXPECT_EQ(126, last->GetLeft() + last->GetWidth());
  EXPECT_EQ(-74, f.Children.front()->GetLeft());
  // Wide enough for the whole row: back to the start, no buttons.
  f.Bar->SetBounds(10, 10, 250, 20);
  f.Bar->UpdateScroll();
  PumpFor(20);
  EXPECT_FALSE(f.Bar->GetScrollButtonsShown());
  EXPECT_EQ(0, f.Bar->GetScrollPosition());
  EXPECT_EQ(0, f.Children.front()->GetLeft());
  EXPECT_EQ(250, f.Bar->GetClientWidth());
}

TEST(SkinToolBarButtons, WithoutScrollingAnOverflowingRowStillGetsTheScrolledClient) {
  TToolBarFixture f(false);
  auto* bar = f.Add<TspSkinToolBar>(TRect(10, 10, 110, 30));
  for (int i = 0; i < 3; ++i) {
    auto* c = new TspSkinPanel(f.Form.get());
    c->SetParent(bar);
    c->SetBounds(i * 50, 2, 50, 16);
  }
  f.Show();
  bar->UpdateScroll();
  PumpFor(20);
  // No buttons are painted or hit, the client keeps its width, the client rectangle runs
  // over the whole row from position 0.
  EXPECT_EQ(100, bar->GetClientWidth());
  EXPECT_EQ(TRect(0, 1, 149, 19), bar->GetAdjustedClientRect());
  const TPoint end = ScreenPoint(bar, 95, 10);
  EXPECT_EQ(HTCLIENT, SendMessageA(bar->GetHandle(), WM_NCHITTEST, 0, MAKELPARAM(end.X, end.Y)));
}
