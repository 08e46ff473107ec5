// The skinned control bases, windowed and windowless: how the record's geometry decides
// the kind of picture and the size, where skin rectangles move to at a new size, the plain
// look, the skin picture (fixed, nine parts, three parts, border paint mode, tiling), the
// window region from the mask, blending with the parent's image, the mouse events, the
// parent-background notification, and the size and centring in a tool bar.
#include <gtest/gtest.h>

#include "skin/controls/SkinPanels.h"
#include "tests/framework/GdiCount.h"
#include "tests/skin/controls/BaseTestSkin.h"

namespace {

struct TKindCase {
  TRect SkinRect;
  TPoint RT, LB, RB;
  int Kind;
};

}  // namespace

TEST(SkinBase, ImageKindFollowsTheRecordsPointsInTheirOrder) {
  const TKindCase cases[] = {
      {TRect(0, 0, 0, 10), TPoint(5, 0), TPoint(0, 5), TPoint(5, 5), kSkinImageNone},
      {TRect(0, 0, 10, -1), TPoint(), TPoint(), TPoint(), kSkinImageNone},
      {TRect(0, 0, 10, 10), TPoint(5, 1), TPoint(1, 5), TPoint(5, 5), kSkinImageNineParts},
      {TRect(0, 0, 10, 10), TPoint(5, 0), TPoint(), TPoint(5, 0), kSkinImageHorz},
      {TRect(0, 0, 10, 10), TPoint(0, 0), TPoint(0, 5), TPoint(0, 5), kSkinImageVert},
      {TRect(0, 0, 10, 10), TPoint(), TPoint(), TPoint(), kSkinImageFixed},
      {TRect(0, 0, 10, 10), TPoint(), TPoint(3, 0), TPoint(), kSkinImageVert},
  };
  for (const TKindCase& c : cases)
    EXPECT_EQ(c.Kind, TspSkinGeometry::SkinImageKindOf(c.SkinRect, c.RT, c.LB, c.RB))
        << RectText(c.SkinRect).c_str() << " RT " << PointText(c.RT).c_str();
}

namespace {

struct TSizeCase {
  const char* Record;
  int AskW, AskH;
  int W, H;
};

}  // namespace

TEST(SkinBase, TheSkinFixesTheSizeByTheKindOfPicture) {
  TBaseSkinFixture f;
  // Fixed pictures take their part's size, nine parts any size, three parts keep the
  // height (side by side) or the width (stacked).
  const TSizeCase cases[] = {
      {"fixed", 70, 70, 20, 10},  {"nine", 77, 33, 77, 33}, {"hbar", 90, 40, 90, 10},
      {"vbar", 40, 90, 10, 90},   {"none", 33, 44, 33, 44}, {"nopicture", 60, 60, 60, 60},
      {"label", 50, 40, 20, 10},
  };
  for (const TSizeCase& c : cases) {
    auto* control = f.AddCustom(c.Record, TRect(5, 5, 5 + c.AskW, 5 + c.AskH));
    EXPECT_EQ(c.W, control->GetWidth()) << c.Record;
    EXPECT_EQ(c.H, control->GetHeight()) << c.Record;
    control->SetBounds(5, 5, c.AskW + 3, c.AskH + 3);
    int w = c.AskW + 3, h = c.AskH + 3;
    control->CalcSize(w, h);
    EXPECT_EQ(w, control->GetWidth()) << c.Record;
    EXPECT_EQ(h, control->GetHeight()) << c.Record;
  }
  // Without a record the size stays as set, and DefaultWidth / DefaultHeight apply.
  auto* plain = f.AddCustom("no such record", TRect(0, 0, 30, 30));
  plain->SetDefaultWidth(44);
  plain->SetDefaultHeight(-3);
  EXPECT_EQ(44, plain->GetWidth());
  EXPECT_EQ(30, plain->GetHeight());
}

namespace {

struct TMapCase {
  TRect Skin;      // relative to the record's SkinRect (30 x 30, corners 5)
  TRect AtSize;    // at 50 x 40
};

}  // namespace

TEST(SkinBase, SkinRectanglesMoveWithTheCornerTheyLieIn) {
  TBaseSkinFixture f;
  auto* nine = f.AddCustom("nine", TRect(0, 0, 50, 40));  // dW 20, dH 10
  const TMapCase cases[] = {
      {TRect(1, 1, 4, 4), TRect(1, 1, 4, 4)},          // top-left corner
      {TRect(26, 1, 29, 4), TRect(46, 1, 49, 4)},      // top-right
      {TRect(1, 26, 4, 29), TRect(1, 36, 4, 39)},      // bottom-left
      {TRect(26, 26, 29, 29), TRect(46, 36, 49, 39)},  // bottom-right
      {TRect(1, 1, 28, 28), TRect(1, 1, 48, 38)},      // across all corners: grows both ways
      {TRect(1, 1, 28, 4), TRect(1, 1, 48, 4)},        // along the top
      {TRect(1, 27, 28, 29), TRect(1, 37, 48, 39)},    // along the bottom
      {TRect(1, 1, 4, 28), TRect(1, 1, 4, 38)},        // down the left side
      {TRect(27, 1, 29, 28), TRect(47, 1, 49, 38)},    // down the right side
      {TRect(10, 10, 20, 20), TRect(10, 10, 20, 20)},  // in the middle: stays
  };
  for (const TMapCase& c : cases)
    EXPECT_EQ(c.AtSize, nine->MapSkinRectToSize(c.Skin)) << RectText(c.Skin).c_str();
  auto* hbar = f.AddCustom("hbar", TRect(0, 60, 50, 70));  // dW 20
  EXPECT_EQ(TRect(0, 0, 50, 10), hbar->MapSkinRectToSize(TRect(0, 0, 30, 10)));
  EXPECT_EQ(TRect(47, 0, 49, 10), hbar->MapSkinRectToSize(TRect(27, 0, 29, 10)));
  EXPECT_EQ(TRect(2, 0, 4, 10), hbar->MapSkinRectToSize(TRect(2, 0, 4, 10)));
  auto* vbar = f.AddCustom("vbar", TRect(60, 0, 70, 50));  // dH 20
  EXPECT_EQ(TRect(0, 0, 10, 50), vbar->MapSkinRectToSize(TRect(0, 0, 10, 30)));
  EXPECT_EQ(TRect(0, 47, 10, 49), vbar->MapSkinRectToSize(TRect(0, 27, 10, 29)));
}

TEST(SkinBase, ThePlainLookWithoutSkinWithAnEmptySkinAndWithoutRecord) {
  TBaseSkinFixture f(false);
  auto* unbound = f.AddCustom("nine", TRect(10, 10, 60, 50));
  unbound->SetSkinData(nullptr);
  auto* empty = f.AddCustom("nine", TRect(70, 10, 120, 50));  // skin data not loaded
  auto* missing = f.AddCustom("nine", TRect(130, 10, 180, 50));
  missing->SetSkinDataName("nothing of that name");
  f.Show();
  for (TspSkinCustomControl* c : {unbound, empty, missing}) {
    EXPECT_EQ(-1, c->GetSkinIndex());
    EXPECT_EQ(TColor(ColorToRGB(clBtnFace)), ControlPixel(c, 0, 0));
    EXPECT_EQ(TColor(ColorToRGB(clBtnFace)), ControlPixel(c, 25, 20));
    EXPECT_EQ(TColor(ColorToRGB(clBtnFace)), ControlPixel(c, 49, 39));
  }
}

TEST(SkinBase, SkinnedControlsDrawTheirPartOfThePicture) {
  TBaseSkinFixture f;
  auto* fixed = f.AddCustom("fixed", TRect(10, 10, 30, 20));
  auto* nine = f.AddCustom("nine", TRect(10, 40, 60, 80));  // 50 x 40: client 40 x 30
  auto* hbar = f.AddCustom("hbar", TRect(80, 10, 140, 20));
  auto* vbar = f.AddCustom("vbar", TRect(80, 40, 90, 100));
  auto* windowless = f.AddGraphic("nine", TRect(150, 40, 200, 80));
  f.Show();
  Screenshot(f.Form->GetHandle(), "skin_base");
  struct TPixel {
    TControl* Control;
    int X, Y;
    TColor Color;
  };
  const TPixel pixels[] = {
      {fixed, 0, 0, kFixedColor},
      {fixed, 19, 9, kFixedColor},
      // Corners copied, sides tiled, the client's two halves repeated from its left edge:
      // 40 pixels of client hold two whole copies of the 20-pixel piece.
      {nine, 0, 0, kCornerTL},
      {nine, 49, 0, kCornerTR},
      {nine, 0, 39, kCornerBL},
      {nine, 49, 39, kCornerBR},
      {nine, 20, 2, kSideTop},
      {nine, 20, 37, kSideBottom},
      {nine, 2, 20, kSideLeft},
      {nine, 47, 20, kSideRight},
      {nine, 5, 10, kClientLeft},
      {nine, 16, 10, kClientRight},
      {nine, 26, 10, kClientLeft},
      {nine, 44, 30, kClientRight},
      {hbar, 0, 5, kBarStart},
      {hbar, 30, 5, kBarMiddle},
      {hbar, 59, 5, kBarEnd},
      {vbar, 5, 0, kBarStart},
      {vbar, 5, 30, kBarMiddle},
      {vbar, 5, 59, kBarEnd},
      {windowless, 0, 0, kCornerTL},
      {windowless, 49, 39, kCornerBR},
      {windowless, 26, 10, kClientLeft},
  };
  for (const TPixel& p : pixels)
    EXPECT_EQ(p.Color, ControlPixel(p.Control, p.X, p.Y)) << p.Control->GetName().c_str() << " "
                                                           << p.X << "," << p.Y;
}

TEST(SkinBase, BorderPaintModeGivesTheSamePictureAsTheWholeImage) {
  TBaseSkinFixture f;
  auto* whole = f.AddCustom("nine", TRect(10, 10, 65, 53));
  auto* parts = f.AddCustom("nine", TRect(80, 10, 135, 53));
  parts->SetBorderPaintMode(true);
  auto* unfilled = f.AddCustom("nine", TRect(150, 10, 205, 53));
  unfilled->SetBorderPaintMode(true);
  unfilled->SetFillClientArea(false);
  f.Show();
  for (int y = 0; y < 43; y += 3)
    for (int x = 0; x < 55; x += 3)
      EXPECT_EQ(ControlPixel(whole, x, y), ControlPixel(parts, x, y)) << x << "," << y;
  // Without the client fill the client keeps what the bitmap was made with; the borders
  // are there.
  EXPECT_EQ(kCornerTL, ControlPixel(unfilled, 0, 0));
  EXPECT_NE(kClientLeft, ControlPixel(unfilled, 6, 10));
  // Tiling starts at the client's left edge; one copy more than the width holds is drawn
  // and cut: 45 pixels of client end in the first 5 pixels of a third copy.
  EXPECT_EQ(kClientLeft, ControlPixel(parts, 5 + 40, 10));
  EXPECT_EQ(kClientLeft, ControlPixel(parts, 5 + 44, 10));
}

TEST(SkinBase, StretchTypesOfTheClient) {
  TBaseSkinFixture f;
  // sthorz: a strip of the piece's width, as high as the client, repeated to the right;
  // stvert: a strip as wide as the client, repeated downwards; stfull: stretched once.
  auto* horz = f.AddCustom("ninehorz", TRect(10, 10, 60, 70));  // client 40 x 50
  auto* vert = f.AddCustom("ninevert", TRect(70, 10, 120, 70));
  auto* full = f.AddCustom("ninefull", TRect(130, 10, 180, 70));
  auto* windowless = f.AddGraphic("ninehorz", TRect(190, 10, 240, 70));
  f.Show();
  for (TControl* c : std::initializer_list<TControl*>{horz, windowless}) {
    EXPECT_EQ(kClientLeft, ControlPixel(c, 6, 50));
    EXPECT_EQ(kClientRight, ControlPixel(c, 24, 50));
    EXPECT_EQ(kClientLeft, ControlPixel(c, 26, 50));
  }
  // stvert: each copy is the piece stretched across 40 pixels: its left half covers 20.
  EXPECT_EQ(kClientLeft, ControlPixel(vert, 5 + 18, 20));
  EXPECT_EQ(kClientRight, ControlPixel(vert, 5 + 22, 20));
  EXPECT_EQ(kClientLeft, ControlPixel(full, 5 + 18, 40));
  EXPECT_EQ(kClientRight, ControlPixel(full, 5 + 22, 40));
}

TEST(SkinBase, TheMaskShapesTheWindow) {
  TBaseSkinFixture f;
  auto* masked = f.AddCustom("masked", TRect(20, 20, 40, 30));
  auto* nine = f.AddCustom("ninemasked", TRect(60, 20, 110, 70));
  f.Show();
  EXPECT_TRUE(masked->HasWindowRegion());
  const TPoint inside = ScreenPoint(masked, 5, 5);
  const TPoint outside = ScreenPoint(masked, 15, 5);
  EXPECT_EQ(masked->GetHandle(), WindowFromPoint(ToPOINT(inside)));
  EXPECT_EQ(f.Form->GetHandle(), WindowFromPoint(ToPOINT(outside)));
  // The nine-part mask cuts the top-left corner's first 3 x 3 pixels away at any size.
  EXPECT_EQ(f.Form->GetHandle(), WindowFromPoint(ToPOINT(ScreenPoint(nine, 1, 1))));
  EXPECT_EQ(nine->GetHandle(), WindowFromPoint(ToPOINT(ScreenPoint(nine, 4, 4))));
  EXPECT_EQ(nine->GetHandle(), WindowFromPoint(ToPOINT(ScreenPoint(nine, 48, 48))));
  nine->SetBounds(60, 20, 80, 70);
  PumpFor(20);
  EXPECT_EQ(nine->GetHandle(), WindowFromPoint(ToPOINT(ScreenPoint(nine, 78, 68))));
  EXPECT_EQ(f.Form->GetHandle(), WindowFromPoint(ToPOINT(ScreenPoint(nine, 1, 1))));
  // A window made again gets its shape again.
  masked->RecreateWnd();
  masked->HandleNeeded();
  PumpFor(20);
  EXPECT_EQ(f.Form->GetHandle(), WindowFromPoint(ToPOINT(ScreenPoint(masked, 15, 5))));
  // Without a mask the window has no region.
  masked->SetSkinDataName("fixed");
  masked->ChangeSkinData();
  EXPECT_FALSE(masked->HasWindowRegion());
  EXPECT_EQ(masked->GetHandle(), WindowFromPoint(ToPOINT(ScreenPoint(masked, 15, 5))));
}

TEST(SkinBase, RegionsBelongToTheWindowOnceSet) {
  TBaseSkinFixture f;
  auto* nine = f.AddCustom("ninemasked", TRect(20, 20, 70, 70));
  f.Show();
  // Every resize replaces the region: the system frees the old one, the control frees
  // nothing that it gave away, and no region is left over.
  for (int i = 0; i < 5; ++i) nine->SetBounds(20, 20, 50 + i, 50);
  const int before = GdiObjectCount();
  for (int i = 0; i < 200; ++i) nine->SetBounds(20, 20, 50 + i % 7, 50 + i % 5);
  EXPECT_LE(GdiObjectCount(), before + 2);
  HRGN probe = CreateRectRgn(0, 0, 1, 1);
  EXPECT_NE(ERROR, GetWindowRgn(nine->GetHandle(), probe));
  RECT box;
  GetRgnBox(probe, &box);
  EXPECT_EQ(nine->GetWidth(), box.right);
  DeleteObject(probe);
  // A mask without black pixels would hide the window: it gets no region at all.
  auto* white = f.AddCustom("fixedwhitemask", TRect(100, 20, 120, 30));
  PumpFor(20);
  EXPECT_FALSE(white->HasWindowRegion());
  EXPECT_EQ(white->GetHandle(), WindowFromPoint(ToPOINT(ScreenPoint(white, 1, 1))));
}

TEST(SkinBase, BlendingWithTheParentsImage) {
  TBaseSkinFixture f;
  struct TCase {
    int Alpha;
    TColor Expected;
  };
  // kFixedColor (200, 0, 0) over the form's (40, 40, 40).
  const TCase cases[] = {{255, kFixedColor}, {0, Rgb(40, 40, 40)}, {128, Rgb(120, 20, 20)}};
  int x = 10;
  std::vector<std::pair<TControl*, TColor>> checks;
  for (const TCase& c : cases) {
    auto* windowed = f.AddCustom("fixed", TRect(x, 10, x + 20, 20));
    windowed->SetAlphaBlendValue(uint8_t(c.Alpha));
    windowed->SetAlphaBlend(true);
    auto* windowless = f.AddGraphic("fixed", TRect(x, 30, x + 20, 40));
    windowless->SetAlphaBlendValue(uint8_t(c.Alpha));
    windowless->SetAlphaBlend(true);
    checks.emplace_back(windowed, c.Expected);
    checks.emplace_back(windowless, c.Expected);
    x += 30;
  }
  f.Show();
  for (const auto& check : checks) {
    const TColor seen = ControlPixel(check.first, 10, 5);
    for (int shift : {0, 8, 16})
      EXPECT_NEAR(int(check.second >> shift & 0xFF), int(seen >> shift & 0xFF), 2)
          << std::hex << seen << " for " << check.second;
  }
}

TEST(SkinBase, ParentBackgroundChangesReachTheChildren) {
  TBaseSkinFixture f;
  auto* outer = f.AddCustom("nine", TRect(10, 10, 110, 110));
  outer->SetControlStyle(outer->GetControlStyle() + TControlStyle{csAcceptsControls});
  struct TCounting : TspSkinCustomControl {
    using TspSkinCustomControl::TspSkinCustomControl;
    int Told = 0;
    void Dispatch(TMessage& M) override {
      if (M.Msg == WM_SKIN_PARENT_BG_CHANGED) ++Told;
      TspSkinCustomControl::Dispatch(M);
    }
  };
  struct TCountingGraphic : TspGraphicSkinCustomControl {
    using TspGraphicSkinCustomControl::TspGraphicSkinCustomControl;
    int Told = 0;
    void Dispatch(TMessage& M) override {
      if (M.Msg == WM_SKIN_PARENT_BG_CHANGED) ++Told;
      TspGraphicSkinCustomControl::Dispatch(M);
    }
  };
  auto* windowed = new TCounting(f.Form.get());
  windowed->SetParent(outer);
  windowed->SetBounds(5, 5, 20, 20);
  auto* windowless = new TCountingGraphic(f.Form.get());
  windowless->SetParent(outer);
  windowless->SetBounds(30, 5, 20, 20);
  f.Show();
  SendMessageA(outer->GetHandle(), WM_SKIN_PARENT_BG_CHANGED, 0, 0);
  EXPECT_EQ(1, windowed->Told);
  EXPECT_EQ(1, windowless->Told);
  // A stretched skin tells the children after every SetBounds, also without a change.
  outer->SetSkinDataName("ninefull");
  outer->ChangeSkinData();
  const int told = windowed->Told;
  outer->SetBounds(outer->GetLeft(), outer->GetTop(), outer->GetWidth(), outer->GetHeight());
  EXPECT_EQ(told + 1, windowed->Told);
}

TEST(SkinBase, MouseEnterAndLeaveFireTheEvents) {
  TBaseSkinFixture f;
  auto* windowed = f.AddCustom("nine", TRect(10, 10, 60, 60));
  auto* windowless = f.AddGraphic("nine", TRect(80, 10, 130, 60));
  auto* disabled = f.AddGraphic("nine", TRect(150, 10, 200, 60));
  disabled->SetEnabled(false);
  std::vector<std::string> log;
  auto watch = [&](auto* C, const char* Name) {
    C->OnMouseEnter = [&log, Name](TObject*) { log.push_back(std::string("enter ") + Name); };
    C->OnMouseLeave = [&log, Name](TObject*) { log.push_back(std::string("leave ") + Name); };
  };
  watch(windowed, "w");
  watch(windowless, "g");
  watch(disabled, "d");
  f.Show();
  TInputDriver input;
  const TPoint away = ScreenPoint(f.Form.get(), 250, 150);
  const TPoint w = ScreenPoint(windowed, 20, 20);
  const TPoint g = ScreenPoint(windowless, 20, 20);
  const TPoint d = ScreenPoint(disabled, 20, 20);
  input.Add([=] { MoveMouseTo(away.X, away.Y); });
  input.Add([=] { MoveMouseTo(w.X, w.Y); });
  input.Add([=] { MoveMouseTo(g.X, g.Y); });
  input.Add([=] { MoveMouseTo(d.X, d.Y); });
  input.Add([=] { MoveMouseTo(away.X, away.Y); });
  input.Run();
  // Test programs that do not hold the display may open a window under the pointer for a
  // moment: the control under it is then left and entered again. Such a pair is not a
  // visit of its own.
  for (size_t i = 1; i < log.size();) {
    if (log[i - 1].rfind("leave ", 0) == 0 && log[i].rfind("enter ", 0) == 0 &&
        log[i - 1].substr(6) == log[i].substr(6))
      log.erase(log.begin() + static_cast<std::ptrdiff_t>(i - 1), log.begin() + static_cast<std::ptrdiff_t>(i + 1));
    else
      ++i;
  }
  const std::vector<std::string> expected = {"enter w", "leave w", "enter g",
                                             "leave g", "enter d", "leave d"};
  EXPECT_EQ(expected, log);
}

TEST(SkinBase, ChildrenOfAToolBarThatAdjustsStayCentred) {
  TBaseSkinFixture f;
  auto* bar = new TspSkinToolBar(f.Form.get());
  bar->SetParent(f.Form.get());
  bar->SetBounds(0, 0, 300, 40);
  auto* windowed = new TspSkinCustomControl(f.Form.get());
  windowed->SetParent(bar);
  windowed->SetBounds(5, 0, 30, 10);
  auto* windowless = new TspGraphicSkinCustomControl(f.Form.get());
  windowless->SetParent(bar);
  windowless->SetBounds(50, 33, 30, 20);
  EXPECT_EQ(15, windowed->GetTop());
  EXPECT_EQ(10, windowless->GetTop());
  bar->SetAdjustControls(false);
  windowless->SetTop(3);
  EXPECT_EQ(3, windowless->GetTop());
}

TEST(SkinBase, TheDefaultSkinsPicturesShowAtTheCorners) {
  TOwned<TForm> form(NewTestForm(320, 200));
  TOwned<TspSkinData> data(new TspSkinData(nullptr));
  LoadDefaultSkin(data.get());
  // A nine-part control shows the corners of its part of the picture at its own corners,
  // at any size.
  for (const char* record : {"button", "panel", "edit"}) {
    SCOPED_TRACE(record);
    auto* c = new TspSkinCustomControl(form.get());
    c->SetSkinDataName(record);
    c->SetParent(form.get());
    c->SetBounds(20, 20, 130, 70);
    c->SetSkinData(data.get());
    auto* g = new TspGraphicSkinCustomControl(form.get());
    g->SetSkinDataName(record);
    g->SetParent(form.get());
    g->SetBounds(170, 20, 130, 70);
    g->SetSkinData(data.get());
    ShowAndPaint(form.get());
    auto* rec = dynamic_cast<TspDataSkinCustomControl*>(
        data->ControlRecords.Find(data->GetControlIndex(record)));
    ASSERT_NE(nullptr, rec);
    TBitmap* pic = data->GetActivePicture(rec->PictureIndex);
    ASSERT_NE(nullptr, pic);
    const TRect r = rec->SkinRect;
    auto picturePixel = [&](int X, int Y) { return pic->GetCanvas()->GetPixel(X, Y); };
    for (TControl* control : std::initializer_list<TControl*>{c, g}) {
      EXPECT_EQ(picturePixel(r.Left, r.Top), ControlPixel(control, 0, 0));
      EXPECT_EQ(picturePixel(r.Right - 1, r.Top), ControlPixel(control, 129, 0));
      EXPECT_EQ(picturePixel(r.Left, r.Bottom - 1), ControlPixel(control, 0, 69));
      EXPECT_EQ(picturePixel(r.Right - 1, r.Bottom - 1), ControlPixel(control, 129, 69));
    }
    Screenshot(form->GetHandle(), std::string("default_skin_") + record);
    c->Free();
    g->Free();
  }
}
