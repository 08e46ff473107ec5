// Panels, status bars and tool bars: the plain frames and caption band, every skinned
// painting path (borders and client, tiled client, background picture, transparent and
// group looks), the caption with check box, glyph and roll-up arrow, checked mode enabling
// the children, rolling up and down, the status bar's grip (the form grows when it is
// dragged), and the tool bar's centring and scrolling with its non-client buttons.
#include <gtest/gtest.h>

#include "framework/ExtCtrls.h"
#include "skin/controls/SkinPanels.h"
#include "tests/skin/controls/BaseTestSkin.h"

namespace {

const TColor kFace = TColor(ColorToRGB(clBtnFace));
const TColor kShadow = TColor(ColorToRGB(clBtnShadow));
const TColor kHighlight = TColor(ColorToRGB(clBtnHighlight));
const TColor kText = TColor(ColorToRGB(clBtnText));
constexpr TColor kBackground = Rgb(30, 90, 30);
constexpr TColor kCaptionColor = Rgb(250, 250, 250);
constexpr TColor kCheckColor = Rgb(0, 200, 200);
constexpr TColor kUncheckColor = Rgb(200, 0, 200);
constexpr TColor kGripColor = Rgb(255, 128, 0);

// The base skin with panel records: "nine" as a panel, one with a caption rectangle and
// check pieces, one with a background picture, a status bar with a grip picture.
void BuildPanelSkin(TTestSkin& Skin) {
  BuildBaseSkin(Skin);
  const int bg = Skin.AddPicture(16, 16, kBackground);
  Skin.FillRect(bg, TRect(8, 0, 16, 16), kClientRight);
  // Check pieces on picture 0 (each 8 x 8, bottom-left pixel transparent), grip 6 x 6.
  Skin.FillRect(0, TRect(0, 40, 8, 48), kCheckColor);
  Skin.FillRect(0, TRect(0, 47, 1, 48), Rgb(1, 2, 3));
  Skin.FillRect(0, TRect(10, 40, 18, 48), kUncheckColor);
  Skin.FillRect(0, TRect(10, 47, 11, 48), Rgb(1, 2, 3));
  Skin.FillRect(0, TRect(20, 40, 26, 46), kGripColor);
  const TSkinKeys nine = With({{"pictureindex", "0"}}, NinePartKeys(TRect(20, 0, 50, 30), 5, 5, 5, 5));
  Skin.AddControl("panel", "panel", nine);
  Skin.AddControl("captionpanel", "panel",
                  With(nine, {{"captionrect", "5,0,25,5"}, {"fontcolor", IntToStr(kCaptionColor)},
                              {"alignment", "taleftjustify"}, {"checkimagerect", "0,40,8,48"},
                              {"uncheckimagerect", "10,40,18,48"}}));
  Skin.AddControl("bgpanel", "panel", With(nine, {{"bgpictureindex", IntToStr(bg)}}));
  Skin.AddControl("statusbar", "panel",
                  With(nine, {{"gripperrect", "20,40,26,46"}, {"grippertransparent", "0"}}));
  Skin.AddControl("toolpanel", "panel", nine);
  Skin.AddControl("stdlabel", "stdlabel", {{"fontcolor", IntToStr(kCaptionColor)}});
}

struct TPanelFixture : TSkinFormFixture {
  explicit TPanelFixture(bool Loaded = true) : TSkinFormFixture(BuildPanelSkin, Loaded, 400, 300) {}
};

struct TPixelFact {
  int X, Y;
  TColor Color;
};

void ExpectPixels(TControl* C, std::initializer_list<TPixelFact> Facts, const char* What) {
  for (const TPixelFact& f : Facts)
    EXPECT_EQ(f.Color, ControlPixel(C, f.X, f.Y)) << What << " at " << f.X << "," << f.Y;
}

}  // namespace

TEST(SkinPanel, PlainFramesAndCaptionBand) {
  TPanelFixture f(false);
  auto* frame = f.Add<TspSkinPanel>(TRect(10, 10, 90, 70));
  auto* raised = f.Add<TspSkinPanel>(TRect(100, 10, 180, 70));
  raised->SetBorderStyle(TspSkinBorderStyle::bvRaised);
  auto* lowered = f.Add<TspSkinPanel>(TRect(190, 10, 270, 70));
  lowered->SetBorderStyle(TspSkinBorderStyle::bvLowered);
  auto* none = f.Add<TspSkinPanel>(TRect(280, 10, 360, 70));
  none->SetBorderStyle(TspSkinBorderStyle::bvNone);
  auto* caption = f.Add<TspSkinPanel>(TRect(10, 80, 170, 160));
  caption->SetCaptionMode(true);
  caption->SetCaption("Caption");
  auto* checked = f.Add<TspSkinPanel>(TRect(190, 80, 350, 160));
  checked->SetCaptionMode(true);
  checked->SetCheckedMode(true);
  checked->SetChecked(true);
  checked->SetRollUpMode(true);
  checked->SetCaption("Checked");
  f.Show();
  Screenshot(f.Form->GetHandle(), "panel_plain");
  ExpectPixels(frame, {{0, 0, kShadow}, {79, 59, kShadow}, {40, 30, kFace}, {1, 1, kFace}}, "frame");
  ExpectPixels(raised, {{0, 0, kHighlight}, {79, 0, kShadow}, {79, 59, kShadow}}, "raised");
  ExpectPixels(lowered, {{0, 0, kShadow}, {79, 59, kHighlight}}, "lowered");
  ExpectPixels(none, {{0, 0, kFace}, {79, 59, kFace}}, "none");
  // The band: shadow frame, then highlight / face, 22 pixels high.
  ExpectPixels(caption, {{0, 0, kShadow}, {1, 1, kHighlight}, {158, 20, kFace}, {159, 21, kShadow},
                         {80, 40, kFace}},
               "caption");
  // The 14 x 14 box at x = 5, centred in the band, with the tick.
  ExpectPixels(checked, {{5, 4, kShadow}, {18, 17, kShadow}, {10, 13, kText}}, "checked");
  EXPECT_EQ(TRect(1, 23, 159, 79), caption->GetAdjustedClientRect());
  EXPECT_EQ(TRect(0, 0, 80, 60), none->GetAdjustedClientRect());
}

TEST(SkinPanel, EveryPaintingPathWithASkin) {
  TPanelFixture f;
  // Borders and client (the default: border paint mode, frame style).
  auto* borders = f.Add<TspSkinPanel>(TRect(10, 10, 70, 60), "panel");
  // bvNone without caption: the client piece over the whole control.
  auto* tiled = f.Add<TspSkinPanel>(TRect(80, 10, 140, 60), "panel");
  tiled->SetBorderStyle(TspSkinBorderStyle::bvNone);
  // A background picture, tiled from (0, 0).
  auto* background = f.Add<TspSkinPanel>(TRect(150, 10, 210, 60), "bgpanel");
  // The whole image in one bitmap (border paint mode off).
  auto* whole = f.Add<TspSkinPanel>(TRect(220, 10, 280, 60), "panel");
  whole->SetBorderPaintMode(false);
  // Transparent: the parent's image in a frame of the picture's colour.
  auto* transparent = f.Add<TspSkinPanel>(TRect(10, 80, 70, 130), "panel");
  transparent->SetTransparentMode(true);
  auto* group = f.Add<TspSkinPanel>(TRect(80, 80, 180, 140), "panel");
  group->SetTransparentMode(true);
  group->SetCaptionMode(true);
  group->SetCaption("Group");
  f.Show();
  Screenshot(f.Form->GetHandle(), "panel_paths");
  ExpectPixels(borders, {{0, 0, kCornerTL}, {59, 49, kCornerBR}, {5, 10, kClientLeft}, {20, 10, kClientRight}},
               "borders");
  ExpectPixels(tiled, {{0, 0, kClientLeft}, {12, 0, kClientRight}, {20, 30, kClientLeft}}, "tiled");
  ExpectPixels(background, {{0, 0, kBackground}, {9, 0, kClientRight}, {17, 20, kBackground}},
               "background");
  ExpectPixels(whole, {{0, 0, kCornerTL}, {59, 49, kCornerBR}, {5, 10, kClientLeft}}, "whole");
  // The frame colour is the picture's pixel at the middle of the part's bottom row.
  const TColor frame = kSideBottom;
  const TColor form = Rgb(40, 40, 40);
  ExpectPixels(transparent, {{0, 0, frame}, {59, 49, frame}, {30, 25, form}}, "transparent");
  const int row = group->GetCaptionHitRect().Bottom;
  ExpectPixels(group, {{2, row / 2, frame}, {99, 59, frame}, {0, 59, frame}, {50, 40, form}}, "group");
  EXPECT_EQ(TRect(2, 2, 58, 48), transparent->GetAdjustedClientRect());
  // Children are placed in NewClRect when the panel is framed.
  EXPECT_EQ(TRect(5, 5, 55, 45), borders->GetAdjustedClientRect());
  EXPECT_EQ(TRect(0, 0, 60, 50), tiled->GetAdjustedClientRect());
}

TEST(SkinPanel, CaptionWithCheckBoxGlyphAndRollUpArrow) {
  TPanelFixture f;
  auto* panel = f.Add<TspSkinPanel>(TRect(10, 10, 210, 110), "captionpanel");
  panel->SetCaptionMode(true);
  panel->SetCheckedMode(true);
  panel->SetCaption("Caption");
  TOwned<TBitmap> glyph(new TBitmap);
  glyph->SetSize(6, 4);
  glyph->GetCanvas()->GetBrush()->SetColor(clLime);
  glyph->GetCanvas()->FillRect(TRect(0, 0, 6, 4));
  glyph->GetCanvas()->SetPixel(0, 3, clFuchsia);  // the transparent colour
  panel->SetGlyph(glyph.get());
  f.Show();
  Screenshot(f.Form->GetHandle(), "panel_caption");
  // The caption rectangle (5, 0, 25, 5) of a 30-pixel part spans the top at 200 pixels:
  // (5, 0, 195, 5). The unchecked piece sits at its left, then the glyph, then the text.
  const TRect hit = panel->GetCaptionHitRect();
  EXPECT_EQ(TRect(5, 0, 195, 5), hit);
  EXPECT_EQ(kUncheckColor, ControlPixel(panel, 5 + 3, 2));
  panel->SetChecked(true);
  RepaintNow(panel);
  EXPECT_EQ(kCheckColor, ControlPixel(panel, 5 + 3, 2));
  // The glyph follows the check piece (8 + 2) at the left (taLeftJustify).
  EXPECT_EQ(TColor(clLime), ControlPixel(panel, 15 + 3, 1));
}

TEST(SkinPanel, CheckedModeEnablesTheChildrenAndTheCaptionToggles) {
  TPanelFixture f(false);
  auto* panel = f.Add<TspSkinPanel>(TRect(10, 10, 210, 150));
  panel->SetCaptionMode(true);
  panel->SetCheckedMode(true);
  panel->SetRollUpMode(true);
  auto* child = f.Add<TspSkinPanel>(TRect(10, 40, 60, 80), "", panel);
  int checks = 0, rolls = 0;
  panel->OnChecked = [&](TObject*) { ++checks; };
  panel->OnChangeRollUpState = [&](TObject*) { ++rolls; };
  panel->SetChecked(false);
  EXPECT_FALSE(child->GetEnabled());
  EXPECT_EQ(1, checks);
  f.Show();
  // A click in the band toggles both the check and the roll-up state.
  TInputDriver input;
  const TPoint band = ScreenPoint(panel, 100, 10);
  input.Add([=] { MoveMouseTo(band.X, band.Y); });
  input.Add([] { MouseButton(true); });
  input.Add([] { MouseButton(false); });
  input.Run();
  EXPECT_TRUE(panel->GetChecked());
  EXPECT_TRUE(child->GetEnabled());
  EXPECT_TRUE(panel->GetRollUpState());
  EXPECT_EQ(2, checks);
  EXPECT_EQ(1, rolls);
  EXPECT_EQ(23, panel->GetHeight());
  EXPECT_EQ(140, panel->GetRealHeight());
  EXPECT_FALSE(child->GetVisible());
  // OnChecked fires on every assignment, also outside checked mode.
  panel->SetCheckedMode(false);
  panel->SetChecked(true);
  EXPECT_EQ(3, checks);
}

TEST(SkinPanel, RollingUpAndDown) {
  TPanelFixture f;
  auto* panel = f.Add<TspSkinPanel>(TRect(10, 10, 110, 130), "panel");
  panel->SetRollUpMode(true);
  panel->GetConstraints()->SetMinHeight(50);
  panel->SetRollUpState(true);
  // Skinned: the height of the top and bottom borders.
  EXPECT_EQ(10, panel->GetHeight());
  EXPECT_EQ(120, panel->GetRealHeight());
  EXPECT_EQ(0, panel->GetConstraints()->GetMinHeight());
  panel->SetRollUpState(true);  // again: nothing
  EXPECT_EQ(120, panel->GetRealHeight());
  // A skin change keeps it rolled up and it still expands to the height it had.
  BeforeSkinChange(f.Form.get());
  AfterSkinChange(f.Form.get());
  EXPECT_EQ(10, panel->GetHeight());
  EXPECT_EQ(120, panel->GetRealHeight());
  panel->SetRollUpState(false);
  EXPECT_EQ(120, panel->GetHeight());
  EXPECT_EQ(-1, panel->GetRealHeight());
  EXPECT_EQ(0, panel->GetConstraints()->GetMinHeight());
  // Outside roll-up mode the last saved constraints come back.
  panel->SetRollUpMode(false);
  panel->SetRollUpState(true);
  EXPECT_FALSE(panel->GetRollUpState());
  EXPECT_EQ(0, panel->GetConstraints()->GetMinHeight());
  // Without a skin the band is DefaultCaptionHeight + 1 high.
  panel->SetSkinData(nullptr);
  panel->SetRollUpMode(true);
  panel->SetRollUpState(true);
  EXPECT_EQ(23, panel->GetHeight());
}

TEST(SkinPanel, WidthOrHeightZeroPaintsNothing) {
  TPanelFixture f;
  auto* panel = f.Add<TspSkinPanel>(TRect(10, 10, 10, 60), "panel");
  f.Show();
  EXPECT_EQ(Rgb(40, 40, 40), ControlPixel(f.Form.get(), 10, 20));
  (void)panel;
}

// ---------------------------------------------------------------------------------------
// Status bar

TEST(SkinStatusBar, TheGripPlainAndSkinned) {
  TPanelFixture f(false);
  auto* plain = f.Add<TspSkinStatusBar>(TRect(0, 0, 200, 21));
  plain->SetAlign(alNone);
  plain->SetBounds(10, 10, 200, 21);
  plain->SetSizeGrip(true);
  auto* right = new TspSkinPanel(f.Form.get());
  right->SetParent(plain);
  right->SetBorderStyle(TspSkinBorderStyle::bvNone);
  right->SetWidth(30);
  right->SetAlign(alRight);
  f.Show();
  Screenshot(f.Form->GetHandle(), "status_plain");
  // 21 pixels high: a grip of 19 x 19 at the right end, five pairs of lines.
  const TRect grip = plain->GetGripRect();
  EXPECT_EQ(TRect(181, 0, 200, 19), grip);
  ExpectPixels(plain, {{grip.Left + 4, 18, kShadow}, {grip.Left + 5, 18, kHighlight},
                       {grip.Left + 16, 6, kShadow}, {grip.Left + 1, 5, kFace}},
               "grip lines");
  // Right-aligned children stop left of the grip.
  EXPECT_EQ(200 - 21 - 30, right->GetLeft());
  // While the form is maximized the grip is neither drawn nor hit.
  plain->SetSizeGripVisible(false);
  EXPECT_EQ(200 - 30, right->GetLeft());
  RepaintNow(plain);
  EXPECT_EQ(kFace, ControlPixel(plain, grip.Left + 4, 18));
  const TPoint gripPoint = ScreenPoint(plain, grip.Left + 10, 10);
  EXPECT_EQ(HTCLIENT, SendMessageA(plain->GetHandle(), WM_NCHITTEST, 0,
                                   MAKELPARAM(gripPoint.X, gripPoint.Y)));
  plain->SetSizeGripVisible(true);
  EXPECT_EQ(HTBOTTOMRIGHT, SendMessageA(plain->GetHandle(), WM_NCHITTEST, 0,
                                        MAKELPARAM(gripPoint.X, gripPoint.Y)));
  const TPoint away = ScreenPoint(plain, 50, 10);
  EXPECT_EQ(HTCLIENT, SendMessageA(plain->GetHandle(), WM_NCHITTEST, 0, MAKELPARAM(away.X, away.Y)));

  // With a skin: the grip picture at the bottom right of the client rectangle.
  f.Skin.LoadInto(f.Data.get(), f.Folder);
  plain->ChangeSkinData();
  plain->SetBounds(10, 10, 200, 30);
  RepaintNow(plain);
  const TRect skinned = plain->GetGripRect();
  EXPECT_EQ(6, skinned.Width());
  EXPECT_EQ(kGripColor, ControlPixel(plain, skinned.Left + 2, skinned.Top + 2));
}

TEST(SkinStatusBar, DraggingTheGripSizesTheForm) {
  TPanelFixture f(false);
  f.Form->SetBorderStyle(bsSizeable);
  f.Form->SetBounds(60, 60, 300, 200);
  auto* bar = f.Add<TspSkinStatusBar>(TRect(0, 0, 100, 21));
  bar->SetSizeGrip(true);
  f.Show();
  const int width = f.Form->GetWidth();
  const int height = f.Form->GetHeight();
  const TRect grip = bar->GetGripRect();
  const TPoint start = ScreenPoint(bar, grip.Left + 9, grip.Top + 9);
  TInputDriver input;
  input.Add([=] { MoveMouseTo(start.X, start.Y); });
  input.Add([] { MouseButton(true); });
  input.Add([=] { MoveMouseTo(start.X + 20, start.Y + 15); });
  input.Add([=] { MoveMouseTo(start.X + 40, start.Y + 30); });
  input.Add([] { MouseButton(false); });
  input.Run(60000);
  PumpFor(50);
  EXPECT_NEAR(width + 40, f.Form->GetWidth(), 3);
  EXPECT_NEAR(height + 30, f.Form->GetHeight(), 3);
  // The bar stayed at the bottom of the form, full width.
  EXPECT_EQ(f.Form->GetClientWidth(), bar->GetWidth());
  EXPECT_EQ(f.Form->GetClientHeight(), bar->GetTop() + bar->GetHeight());
}

// ---------------------------------------------------------------------------------------
// Tool bar

TEST(SkinToolBar, CentresItsChildren) {
  TPanelFixture f;
  auto* bar = f.Add<TspSkinToolBar>(TRect(0, 0, 300, 40), "toolpanel");
  // A plain child with Align alNone is centred; one aligned left is not.
  auto* plain = new TPanel(f.Form.get());
  plain->SetParent(bar);
  plain->SetBounds(10, 0, 20, 10);
  auto* left = new TPanel(f.Form.get());
  left->SetParent(bar);
  left->SetWidth(20);
  left->SetAlign(alLeft);
  f.Show();
  const TRect r = bar->GetAdjustedClientRect();
  EXPECT_EQ(r.Top + r.Height() / 2 - 5, plain->GetTop());
  EXPECT_EQ(r.Top, left->GetTop());
}

TEST(SkinToolBar, ScrollsAnOverflowingRowWithItsButtons) {
  TPanelFixture f(false);
  auto* bar = f.Add<TspSkinToolBar>(TRect(10, 10, 110, 30));
  bar->SetCanScroll(true);
  bar->SetScrollTimerInterval(20);
  std::vector<TControl*> children;
  for (int i = 0; i < 5; ++i) {
    auto* c = new TspSkinPanel(f.Form.get());
    c->SetParent(bar);
    c->SetBounds(i * 40, 2, 40, 16);
    children.push_back(c);
  }
  f.Show();
  bar->UpdateScroll();
  PumpFor(20);
  ASSERT_TRUE(bar->GetScrollButtonsShown());
  EXPECT_EQ(76, bar->GetClientWidth());
  EXPECT_EQ(TRect(88, 0, 100, 20), bar->GetScrollButtonRect(1));
  Screenshot(f.Form->GetHandle(), "toolbar_scroll");
  // The buttons are hit in the non-client area.
  const POINT rightButton = ToPOINT(ScreenPoint(f.Form.get(), 10 + 94, 20));
  const POINT leftButton = ToPOINT(ScreenPoint(f.Form.get(), 10 + 6, 20));
  EXPECT_EQ(kHitScrollRight, SendMessageA(bar->GetHandle(), WM_NCHITTEST, 0,
                                          MAKELPARAM(rightButton.x, rightButton.y)));
  EXPECT_EQ(kHitScrollLeft, SendMessageA(bar->GetHandle(), WM_NCHITTEST, 0,
                                         MAKELPARAM(leftButton.x, leftButton.y)));
  // Holding the right button scrolls until the content's right edge meets the client's.
  TInputDriver input;
  input.Add([=] { MoveMouseTo(rightButton.x, rightButton.y); });
  input.Add([] { MouseButton(true); });
  input.Add([] { Sleep(400); });
  input.Add([] { MouseButton(false); });
  input.Run();
  TControl* last = children.back();
  EXPECT_EQ(bar->GetClientWidth(), last->GetLeft() + last->GetWidth());
  EXPECT_EQ(0, bar->GetScrollDirection());
  // The left button brings the start back.
  input.Add([=] { MoveMouseTo(leftButton.x, leftButton.y); });
  input.Add([] { MouseButton(true); });
  input.Add([] { Sleep(400); });
  input.Add([] { MouseButton(false); });
  input.Run();
  EXPECT_EQ(0, bar->GetScrollPosition());
  EXPECT_EQ(0, children.front()->GetLeft());
  // Everything fits again: the buttons go.
  bar->SetBounds(10, 10, 260, 20);
  bar->UpdateScroll();
  EXPECT_FALSE(bar->GetScrollButtonsShown());
  EXPECT_EQ(260, bar->GetClientWidth());
}

TEST(SkinToolBar, ScrollPropertiesIgnoreValuesOutOfRange) {
  TPanelFixture f(false);
  auto* bar = f.Add<TspSkinToolBar>(TRect(0, 0, 100, 25));
  bar->SetScrollOffset(-4);
  bar->SetScrollTimerInterval(0);
  EXPECT_EQ(0, bar->GetScrollOffset());
  EXPECT_EQ(50, bar->GetScrollTimerInterval());
  bar->SetWidthWithCaptions(0);
  bar->SetWidthWithoutCaptions(80);
  bar->SetShowCaptions(true);
  EXPECT_EQ(100, bar->GetWidth());
  bar->SetWidthWithCaptions(140);
  bar->SetShowCaptions(false);
  EXPECT_EQ(80, bar->GetWidth());
  bar->SetShowCaptions(true);
  EXPECT_EQ(140, bar->GetWidth());
}

TEST(SkinToolBar, ScrolledBarsOfThreePartsShowTheirMiddleEvenWhenItHasNoWidth) {
  TPanelFixture f(false);
  // Three parts side by side whose ends take the whole part: the middle counts as one
  // column (the ends' meeting column) instead of dividing by nothing.
  f.Skin.AddControl("nomiddle", "panel",
                    {{"pictureindex", "0"}, {"skinrect", "50,0,80,10"}, {"lefttoppoint", "15,0"},
                     {"righttoppoint", "15,0"}});
  f.Skin.AddControl("bar", "panel",
                    {{"pictureindex", "0"}, {"skinrect", "50,0,80,10"}, {"lefttoppoint", "5,0"},
                     {"righttoppoint", "25,0"}});
  f.Skin.LoadInto(f.Data.get(), f.Folder);
  for (const char* record : {"bar", "nomiddle"}) {
    SCOPED_TRACE(record);
    auto* bar = f.Add<TspSkinToolBar>(TRect(10, 10, 110, 20), record);
    bar->SetCanScroll(true);
    for (int i = 0; i < 3; ++i) {
      auto* c = new TspSkinPanel(f.Form.get());
      c->SetParent(bar);
      c->SetBounds(i * 60, 0, 50, 10);
    }
    ShowAndPaint(f.Form.get());
    bar->UpdateScroll();
    PumpFor(20);
    ASSERT_TRUE(bar->GetScrollButtonsShown());
    RepaintNow(bar);
    // Only the middle is repeated across the scrolled bar (between two children here).
    EXPECT_EQ(kBarMiddle, ControlPixel(bar, 55, 5));
    bar->Free();
  }
}

namespace {

constexpr TColor kBand = Rgb(60, 60, 110);
constexpr TColor kFrameStart = Rgb(240, 120, 0);
constexpr TColor kFrameMiddle = Rgb(200, 200, 120);
constexpr TColor kFrameEnd = Rgb(0, 120, 240);
constexpr TColor kMarkFrame = Rgb(120, 0, 60);

// Picture: a 60 x 60 panel whose top band is 20 pixels high (kBand), a 40 x 16 caption
// frame whose 4-pixel ends differ from its middle, a 10 x 16 mark frame, check pieces.
// Records "framed" (left), "framedright", "framedcentre": caption rectangle (4, 2, 56, 18),
// text rectangle of the frame (4, 0, 36, 16), so the frame is 8 pixels wider than the text.
void AddFramedCaptionRecords(TTestSkin& Skin) {
  const int p = Skin.AddPicture(120, 60, kClientLeft);
  Skin.FillRect(p, TRect(0, 0, 60, 20), kBand);
  Skin.FillRect(p, TRect(60, 0, 64, 16), kFrameStart);
  Skin.FillRect(p, TRect(64, 0, 96, 16), kFrameMiddle);
  Skin.FillRect(p, TRect(96, 0, 100, 16), kFrameEnd);
  Skin.FillRect(p, TRect(100, 0, 110, 16), kMarkFrame);
  const TSkinKeys keys = With(
      {{"pictureindex", IntToStr(p)}}, With(NinePartKeys(TRect(0, 0, 60, 60), 5, 20, 5, 5),
                                          {{"captionrect", "4,2,56,18"},
                                           {"fontcolor", IntToStr(kCaptionColor)},
                                           {"framerect", "60,0,100,16"},
                                           {"frametextrect", "4,0,36,16"},
                                           {"frameleftoffset", "4"},
                                           {"framerightoffset", "4"},
                                           {"markframerect", "100,0,110,16"}}));
  Skin.AddControl("framed", "panel", With(keys, {{"alignment", "taleftjustify"}}));
  Skin.AddControl("framedright", "panel", With(keys, {{"alignment", "tarightjustify"}}));
  Skin.AddControl("framedcentre", "panel", With(keys, {{"alignment", "tacenter"}}));
}

bool ShowsIn(TControl* C, const TRect& R, TColor Color) {
  for (int y = R.Top; y < R.Bottom; ++y)
    for (int x = R.Left; x < R.Right; ++x)
      if (ControlPixel(C, x, y) == Color) return true;
  return false;
}

int CaptionTextWidth(const AnsiString& Text) {
  TOwned<TBitmap> probe(new TBitmap);
  probe->SetSize(1, 1);
  TFont* font = probe->GetCanvas()->GetFont();
  font->SetName("Arial");
  font->SetHeight(14);
  return probe->GetCanvas()->TextWidth(Text);
}

}  // namespace

TEST(SkinPanel, CaptionFrameAndMarkFrameFollowTheAlignment) {
  TPanelFixture f;
  AddFramedCaptionRecords(f.Skin);
  f.Skin.LoadInto(f.Data.get(), f.Folder);
  const AnsiString text = "Ab";
  const int tw = CaptionTextWidth(text);
  struct TCase {
    const char* Record;
    bool RollUp;
    int FrameLeft;  // where the frame starts; it is tw + 8 wide
  };
  // Caption rectangle (4, 2, 56, 18) at any width of the panel's middle: the panels are 60
  // wide, so it stays. Roll-up mode takes 12 pixels off its right for the arrow box.
  const TCase cases[] = {
      {"framed", false, 4},
      {"framedright", false, 56 - tw - 8},
      {"framedcentre", false, 4 + 52 / 2 - tw / 2 - 4 - 2},
      {"framed", true, 4},
      {"framedright", true, 44 - tw - 8},
  };
  std::vector<TspSkinPanel*> panels;
  int x = 10;
  for (const TCase& c : cases) {
    auto* p = f.Add<TspSkinPanel>(TRect(x, 10, x + 60, 70), c.Record);
    p->SetCaptionMode(true);
    p->SetRollUpMode(c.RollUp);
    p->SetCaption(text);
    panels.push_back(p);
    x += 70;
  }
  f.Show();
  Screenshot(f.Form->GetHandle(), "panel_caption_frames");
  for (size_t i = 0; i < panels.size(); ++i) {
    const TCase& c = cases[i];
    SCOPED_TRACE(std::string(c.Record) + (c.RollUp ? " roll-up" : ""));
    TspSkinPanel* p = panels[i];
    EXPECT_EQ(kFrameStart, ControlPixel(p, c.FrameLeft + 1, 2 + 1));
    EXPECT_EQ(kFrameEnd, ControlPixel(p, c.FrameLeft + tw + 8 - 2, 2 + 1));
    if (!c.RollUp) {
      EXPECT_EQ(kBand, ControlPixel(p, c.FrameLeft + tw + 8 + 1, 3));
    } else {
      // The mark frame at the arrow box (44, 2, 54, 18), the arrow on it in the font colour.
      EXPECT_EQ(kMarkFrame, ControlPixel(p, 44, 3));
      EXPECT_TRUE(ShowsIn(p, TRect(44, 2, 54, 18), kCaptionColor));
    }
  }
}

TEST(SkinPanel, GroupLookWithCheckPieceAndRollUpArrow) {
  TPanelFixture f;
  auto* group = f.Add<TspSkinPanel>(TRect(10, 10, 160, 90), "captionpanel");
  group->SetTransparentMode(true);
  group->SetCaptionMode(true);
  group->SetCheckedMode(true);
  group->SetRollUpMode(true);
  group->SetCaption("Group");
  f.Show();
  Screenshot(f.Form->GetHandle(), "panel_group");
  const TRect row = group->GetCaptionHitRect();
  EXPECT_EQ(5, row.Left);
  const int h = row.Bottom;
  // The unchecked piece at x = 5, centred in the row; the caption and the arrow in the
  // "stdlabel" colour; the line to the right edge at half the row.
  EXPECT_EQ(kUncheckColor, ControlPixel(group, 5 + 3, h / 2));
  EXPECT_TRUE(ControlShows(group, kCaptionColor));
  EXPECT_EQ(kSideBottom, ControlPixel(group, 148, h / 2));
  group->SetChecked(true);
  RepaintNow(group);
  EXPECT_EQ(kCheckColor, ControlPixel(group, 5 + 3, h / 2));
}

TEST(SkinStatusBar, GripLinesInTheSkinsColoursWithoutAGripPicture) {
  TPanelFixture f;
  constexpr TColor kLight = Rgb(250, 230, 90);
  constexpr TColor kDark = Rgb(20, 90, 20);
  f.Skin.SetSkinColor("cbtnhighlight", kLight);
  f.Skin.SetSkinColor("cbtnshadow", kDark);
  f.Skin.AddControl("plaingrip", "panel",
                    With({{"pictureindex", "0"}}, NinePartKeys(TRect(20, 0, 50, 30), 5, 5, 5, 5)));
  f.Skin.LoadInto(f.Data.get(), f.Folder);
  auto* bar = f.Add<TspSkinStatusBar>(TRect(0, 0, 200, 21), "plaingrip");
  bar->SetAlign(alNone);
  bar->SetBounds(10, 10, 200, 21);
  bar->SetSizeGrip(true);
  f.Show();
  Screenshot(f.Form->GetHandle(), "status_skin_lines");
  // The whole bar is client (no border style, nine parts): the grip is the last 21 columns,
  // less 2 at the left and the bottom.
  const TRect grip = bar->GetGripRect();
  EXPECT_EQ(TRect(181, 0, 200, 19), grip);
  EXPECT_EQ(kDark, ControlPixel(bar, grip.Left + 4, 18));
  EXPECT_EQ(kLight, ControlPixel(bar, grip.Left + 5, 18));
  EXPECT_EQ(kClientLeft, ControlPixel(bar, 0, 0));  // the client piece over the whole bar
  // The grip is hit as the form's bottom-right corner.
  const TPoint in = ScreenPoint(bar, grip.Left + 10, 10);
  EXPECT_EQ(HTBOTTOMRIGHT, SendMessageA(bar->GetHandle(), WM_NCHITTEST, 0, MAKELPARAM(in.X, in.Y)));
}
