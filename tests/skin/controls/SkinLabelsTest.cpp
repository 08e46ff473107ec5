// Labels, bevels and the link controls: the font and colour they take with and without a
// skin, the embossed disabled text, the text label's size, the bevel's shapes in the skin's
// colours and its place in a tool bar, the link's hot colour and underline, and what a
// click does without a URL.
#include <gtest/gtest.h>

#include "skin/controls/SkinExCtrls.h"
#include "skin/controls/SkinLabels.h"
#include "skin/controls/SkinPanels.h"
#include "tests/skin/controls/BaseTestSkin.h"

namespace {

constexpr TColor kLabelColor = Rgb(200, 30, 30);
constexpr TColor kActiveColor = Rgb(30, 30, 220);
constexpr TColor kSkinHighlight = Rgb(250, 240, 100);
constexpr TColor kSkinShadow = Rgb(20, 100, 20);
constexpr TColor kLight = Rgb(255, 200, 0);
constexpr TColor kDark = Rgb(0, 80, 160);
constexpr TColor kFormColor = Rgb(40, 40, 40);

void BuildLabelSkin(TTestSkin& Skin) {
  Skin.AddPicture(4, 4, clWhite);
  Skin.AddControl("stdlabel", "stdlabel",
                  {{"fontname", "Arial"}, {"fontheight", "20"}, {"fontstyle", "fsbold"},
                   {"fontcolor", IntToStr(kLabelColor)}, {"activefontcolor", IntToStr(kActiveColor)}});
  Skin.AddControl("bevel", "bevel",
                  {{"lightcolor", IntToStr(kLight)}, {"darkcolor", IntToStr(kDark)}});
  Skin.AddControl("otherclass", "bevel", {{"lightcolor", "255"}});
  Skin.SetSkinColor("cbtnhighlight", kSkinHighlight);
  Skin.SetSkinColor("cbtnshadow", kSkinShadow);
}

bool Shows(TControl* C, TColor Color) { return ControlShows(C, Color); }

struct TLabelFixture : TSkinFormFixture {
  explicit TLabelFixture(bool Loaded = true)
      : TSkinFormFixture(BuildLabelSkin, Loaded, 400, 200, kFormColor) {}
};

}  // namespace

TEST(SkinLabels, FontAndColourWithAndWithoutSkin) {
  TLabelFixture f;
  auto add = [&](int Y, TspSkinData* Data, bool UseSkinFont) {
    auto* l = new TspSkinStdLabel(f.Form.get());
    l->SetParent(f.Form.get());
    l->SetLeft(10);
    l->SetTop(Y);
    l->GetDefaultFont()->SetColor(clLime);
    l->GetFont()->SetColor(clYellow);
    l->SetUseSkinFont(UseSkinFont);
    l->SetSkinData(Data);
    l->SetCaption("Label text");
    return l;
  };
  auto* plainDefault = add(10, nullptr, true);
  auto* plainFont = add(40, nullptr, false);
  auto* skinned = add(70, f.Data.get(), true);
  auto* own = add(100, f.Data.get(), true);
  own->SetUseSkinColor(false);
  ShowAndPaint(f.Form.get());
  Screenshot(f.Form->GetHandle(), "labels");
  EXPECT_TRUE(Shows(plainDefault, clLime));
  EXPECT_TRUE(Shows(plainFont, clYellow));
  EXPECT_TRUE(Shows(skinned, kLabelColor));
  EXPECT_TRUE(Shows(own, clYellow));
  // The skin's font (height 20, bold) makes the auto-sized label taller.
  EXPECT_GT(skinned->GetHeight(), plainDefault->GetHeight());
  // Changing DefaultFont alone does not repaint.
  plainDefault->GetDefaultFont()->SetColor(clAqua);
  PumpFor(20);
  EXPECT_FALSE(Shows(plainDefault, clAqua));
}

TEST(SkinLabels, DisabledTextIsEmbossed) {
  TLabelFixture f;
  auto* plain = new TspSkinStdLabel(f.Form.get());
  plain->SetParent(f.Form.get());
  plain->SetBounds(10, 10, 100, 30);
  plain->SetCaption("Off");
  plain->SetEnabled(false);
  auto* skinned = new TspSkinTextLabel(f.Form.get());
  skinned->SetParent(f.Form.get());
  skinned->SetLeft(150);
  skinned->SetTop(10);
  skinned->GetLines()->Add("Off");
  skinned->SetSkinData(f.Data.get());
  skinned->SetEnabled(false);
  ShowAndPaint(f.Form.get());
  EXPECT_TRUE(Shows(plain, TColor(ColorToRGB(clBtnHighlight))));
  EXPECT_TRUE(Shows(plain, TColor(ColorToRGB(clBtnShadow))));
  EXPECT_TRUE(Shows(skinned, kSkinHighlight));
  EXPECT_TRUE(Shows(skinned, kSkinShadow));
}

TEST(SkinLabels, TextLabelTakesTheHeightOfItsLines) {
  TLabelFixture f;
  auto* one = new TspSkinTextLabel(f.Form.get());
  one->SetParent(f.Form.get());
  one->GetLines()->Add("one");
  auto* three = new TspSkinTextLabel(f.Form.get());
  three->SetParent(f.Form.get());
  three->SetTop(50);
  three->GetLines()->Add("one");
  three->GetLines()->Add("two");
  three->GetLines()->Add("three");
  EXPECT_EQ(3 * one->GetHeight(), three->GetHeight());
  // A skin whose label record is missing draws as without skin; one whose record is of
  // another class keeps the font it had.
  one->SetSkinDataName("nothing");
  one->SetSkinData(f.Data.get());
  EXPECT_EQ(-1, one->GetSkinIndex());
  three->SetSkinData(f.Data.get());
  const int skinnedHeight = three->GetHeight();
  three->SetSkinDataName("otherclass");
  three->ChangeSkinData();
  EXPECT_NE(-1, three->GetSkinIndex());
  EXPECT_EQ(skinnedHeight, three->GetHeight());
}

TEST(SkinBevel, ShapesInTheSkinsColours) {
  TLabelFixture f;
  auto add = [&](TBevelShape Shape, TBevelStyle Style, bool Divider, int X) {
    auto* b = new TspSkinBevel(f.Form.get());
    b->SetParent(f.Form.get());
    b->SetBounds(X, 10, 40, 30);
    b->SetShape(Shape);
    b->SetStyle(Style);
    b->SetDividerMode(Divider);
    b->SetSkinData(f.Data.get());
    return b;
  };
  auto* box = add(bsBox, bsLowered, false, 10);
  auto* raised = add(bsBox, bsRaised, false, 60);
  auto* frame = add(bsFrame, bsLowered, false, 110);
  auto* top = add(bsTopLine, bsLowered, false, 160);
  auto* right = add(bsRightLine, bsLowered, false, 210);
  auto* divider = add(bsTopLine, bsLowered, true, 260);
  auto* vdivider = add(bsBox, bsLowered, true, 310);
  ShowAndPaint(f.Form.get());
  Screenshot(f.Form->GetHandle(), "bevels");
  struct TFact {
    TControl* C;
    int X, Y;
    TColor Color;
  };
  const TFact facts[] = {
      {box, 0, 0, kDark},         {box, 39, 29, kLight},      {box, 38, 28, kFormColor},
      {box, 20, 0, kDark},        {box, 39, 10, kLight},      {raised, 0, 10, kLight},
      {raised, 39, 10, kDark},    {frame, 0, 0, kDark},       {frame, 1, 1, kLight},
      {frame, 38, 28, kDark},     {frame, 39, 29, kDark},     {top, 10, 0, kDark},
      {top, 10, 1, kLight},       {top, 10, 2, kFormColor},   {right, 38, 10, kDark},
      {right, 39, 10, kLight},    {divider, 10, 14, kDark},   {divider, 10, 15, kLight},
      {divider, 10, 0, kFormColor}, {vdivider, 19, 10, kDark}, {vdivider, 20, 10, kLight},
  };
  for (const TFact& fact : facts)
    EXPECT_EQ(fact.Color, ControlPixel(fact.C, fact.X, fact.Y))
        << fact.C->GetLeft() << ": " << fact.X << "," << fact.Y;
  // Without skin data the system's colours come back.
  box->SetSkinData(nullptr);
  RepaintNow(box);
  EXPECT_EQ(TColor(ColorToRGB(clBtnShadow)), ControlPixel(box, 0, 0));
  EXPECT_EQ(TColor(ColorToRGB(clBtnHighlight)), ControlPixel(box, 39, 29));
}

TEST(SkinBevel, StaysCentredInAToolBar) {
  TLabelFixture f;
  auto* bar = new TspSkinToolBar(f.Form.get());
  bar->SetParent(f.Form.get());
  bar->SetBounds(0, 0, 300, 40);
  bar->SetAdjustControls(false);
  auto* bevel = new TspSkinBevel(f.Form.get());
  bevel->SetParent(bar);
  bevel->SetBounds(10, 0, 4, 20);
  EXPECT_EQ(10, bevel->GetTop());
  bevel->SetTop(33);
  EXPECT_EQ(10, bevel->GetTop());
}

TEST(SkinLinks, HotColourUnderlineAndClick) {
  TLabelFixture f;
  auto* plain = new TspSkinLinkLabel(f.Form.get());
  plain->SetParent(f.Form.get());
  plain->SetBounds(10, 10, 150, 30);
  plain->SetCaption("Plain link");
  plain->GetDefaultFont()->SetColor(clLime);
  auto* skinned = new TspSkinLinkLabel(f.Form.get());
  skinned->SetParent(f.Form.get());
  skinned->SetBounds(10, 60, 150, 30);
  skinned->SetCaption("Skinned link");
  skinned->SetSkinData(f.Data.get());
  auto* image = new TspSkinLinkImage(f.Form.get());
  image->SetParent(f.Form.get());
  image->SetBounds(200, 10, 20, 20);
  int clicks = 0, imageClicks = 0;
  skinned->OnClick = [&](TObject*) { ++clicks; };
  image->OnClick = [&](TObject*) { ++imageClicks; };
  TInputDriver input;
  input.Add([] { MoveMouseTo(700, 700); });  // off the form: nothing starts hot
  input.Run();
  ShowAndPaint(f.Form.get());
  EXPECT_EQ(crHandPoint, skinned->GetCursor());
  EXPECT_EQ(crHandPoint, image->GetCursor());
  EXPECT_TRUE(Shows(plain, clLime));
  EXPECT_TRUE(Shows(skinned, kLabelColor));
  const TPoint onPlain = ScreenPoint(plain, 5, 8);
  const TPoint onSkinned = ScreenPoint(skinned, 5, 8);
  input.Add([=] { MoveMouseTo(onPlain.X, onPlain.Y); });
  input.Run();
  EXPECT_TRUE(plain->GetHot());
  EXPECT_TRUE(Shows(plain, TColor(0xFF0000)));
  input.Add([=] { MoveMouseTo(onSkinned.X, onSkinned.Y); });
  input.Run();
  EXPECT_FALSE(plain->GetHot());
  EXPECT_TRUE(Shows(skinned, kActiveColor));
  // A click without a URL only runs OnClick.
  const TPoint onImage = ScreenPoint(image, 5, 5);
  input.Add([] { MouseButton(true); });
  input.Add([] { MouseButton(false); });
  input.Add([=] { MoveMouseTo(onImage.X, onImage.Y); });
  input.Add([] { MouseButton(true); });
  input.Add([] { MouseButton(false); });
  input.Run();
  EXPECT_EQ(1, clicks);
  EXPECT_EQ(1, imageClicks);
}
