// The small skin of the base tests and a form to put its controls on. Picture 0 holds the
// parts in known colours:
//   "fixed"  (0, 0, 20, 10) one colour, a fixed picture;
//   "nine"   (20, 0, 50, 30) nine parts with 5-pixel borders: four corner colours, four
//            side colours, a 20 x 20 client whose left half and right half differ;
//   "hbar"   (50, 0, 80, 10) three parts side by side, 5-pixel ends;
//   "vbar"   (80, 0, 90, 30) three parts stacked, 5-pixel ends.
// Picture 1 is a 20 x 10 mask whose left half is black; picture 2 a 30 x 30 mask, black but
// for its top-left 3 x 3 pixels; picture 3 a white mask.
#pragma once

#include "skin/controls/SkinControl.h"
#include "tests/skin/controls/TestSkin.h"

constexpr TColor kFixedColor = Rgb(200, 0, 0);
constexpr TColor kCornerTL = Rgb(250, 10, 10);
constexpr TColor kCornerTR = Rgb(10, 250, 10);
constexpr TColor kCornerBL = Rgb(10, 10, 250);
constexpr TColor kCornerBR = Rgb(250, 250, 10);
constexpr TColor kSideTop = Rgb(10, 250, 250);
constexpr TColor kSideBottom = Rgb(250, 10, 250);
constexpr TColor kSideLeft = Rgb(120, 60, 0);
constexpr TColor kSideRight = Rgb(0, 60, 120);
constexpr TColor kClientLeft = Rgb(180, 180, 180);
constexpr TColor kClientRight = Rgb(60, 60, 60);
constexpr TColor kBarStart = Rgb(0, 128, 0);
constexpr TColor kBarMiddle = Rgb(128, 128, 0);
constexpr TColor kBarEnd = Rgb(0, 0, 128);

// Draws the nine-part look at R (30 x 30, borders 5) into picture P of the skin.
inline void PaintNineParts(TTestSkin& Skin, int P, const TRect& R) {
  const int l = R.Left, t = R.Top, r = R.Right, b = R.Bottom;
  Skin.FillRect(P, TRect(l + 5, t + 5, l + 15, b - 5), kClientLeft);
  Skin.FillRect(P, TRect(l + 15, t + 5, r - 5, b - 5), kClientRight);
  Skin.FillRect(P, TRect(l + 5, t, r - 5, t + 5), kSideTop);
  Skin.FillRect(P, TRect(l + 5, b - 5, r - 5, b), kSideBottom);
  Skin.FillRect(P, TRect(l, t + 5, l + 5, b - 5), kSideLeft);
  Skin.FillRect(P, TRect(r - 5, t + 5, r, b - 5), kSideRight);
  Skin.FillRect(P, TRect(l, t, l + 5, t + 5), kCornerTL);
  Skin.FillRect(P, TRect(r - 5, t, r, t + 5), kCornerTR);
  Skin.FillRect(P, TRect(l, b - 5, l + 5, b), kCornerBL);
  Skin.FillRect(P, TRect(r - 5, b - 5, r, b), kCornerBR);
}

inline TSkinKeys With(TSkinKeys Keys, const TSkinKeys& More) {
  Keys.insert(Keys.end(), More.begin(), More.end());
  return Keys;
}

inline void BuildBaseSkin(TTestSkin& Skin) {
  const int p = Skin.AddPicture(120, 60, Rgb(1, 2, 3));
  Skin.FillRect(p, TRect(0, 0, 20, 10), kFixedColor);
  PaintNineParts(Skin, p, TRect(20, 0, 50, 30));
  Skin.FillRect(p, TRect(50, 0, 55, 10), kBarStart);
  Skin.FillRect(p, TRect(55, 0, 75, 10), kBarMiddle);
  Skin.FillRect(p, TRect(75, 0, 80, 10), kBarEnd);
  Skin.FillRect(p, TRect(80, 0, 90, 5), kBarStart);
  Skin.FillRect(p, TRect(80, 5, 90, 25), kBarMiddle);
  Skin.FillRect(p, TRect(80, 25, 90, 30), kBarEnd);
  const int mask = Skin.AddPicture(20, 10, clWhite);
  Skin.FillRect(mask, TRect(0, 0, 10, 10), clBlack);
  const int nineMask = Skin.AddPicture(30, 30, clBlack);
  Skin.FillRect(nineMask, TRect(0, 0, 3, 3), clWhite);
  const int whiteMask = Skin.AddPicture(30, 30, clWhite);

  const TSkinKeys picture = {{"pictureindex", "0"}};
  const TSkinKeys nine = With(picture, NinePartKeys(TRect(20, 0, 50, 30), 5, 5, 5, 5));
  Skin.AddControl("fixed", "button", With(picture, {{"skinrect", "0,0,20,10"}}));
  Skin.AddControl("nine", "button", nine);
  Skin.AddControl("hbar", "button",
                  With(picture, {{"skinrect", "50,0,80,10"}, {"lefttoppoint", "5,0"},
                                 {"righttoppoint", "25,0"}, {"clientrect", "5,0,25,10"}}));
  Skin.AddControl("vbar", "button",
                  With(picture, {{"skinrect", "80,0,90,30"}, {"lefttoppoint", "0,5"},
                                 {"leftbottompoint", "0,25"}, {"clientrect", "0,5,10,25"}}));
  Skin.AddControl("masked", "button",
                  With(picture, {{"skinrect", "0,0,20,10"},
                                 {"maskpictureindex", IntToStr(mask)}}));
  Skin.AddControl("ninemasked", "button", With(nine, {{"maskpictureindex", IntToStr(nineMask)}}));
  Skin.AddControl("whitemask", "button", With(nine, {{"maskpictureindex", IntToStr(whiteMask)}}));
  Skin.AddControl("fixedwhitemask", "button",
                  With(picture, {{"skinrect", "0,0,20,10"},
                                 {"maskpictureindex", IntToStr(whiteMask)}}));
  Skin.AddControl("ninehorz", "button",
                  With(nine, {{"stretcheffect", "1"}, {"stretchtype", "sthorz"}}));
  Skin.AddControl("ninevert", "button",
                  With(nine, {{"stretcheffect", "1"}, {"stretchtype", "stvert"}}));
  Skin.AddControl("ninefull", "button",
                  With(nine, {{"stretcheffect", "1"}, {"stretchtype", "stfull"}}));
  Skin.AddControl("none", "button", With(picture, {{"skinrect", "0,0,0,0"}}));
  Skin.AddControl("nopicture", "button", NinePartKeys(TRect(0, 0, 30, 30), 5, 5, 5, 5));
  Skin.AddControl("label", "stdlabel", {{"skinrect", "0,0,20,10"}});
}

// A form with the base skin loaded (or, with Loaded false, skin data that holds no skin).
struct TBaseSkinFixture : TSkinFormFixture {
  explicit TBaseSkinFixture(bool Loaded = true) : TSkinFormFixture(BuildBaseSkin, Loaded, 320, 200) {}
  TspSkinCustomControl* AddCustom(const AnsiString& Record, const TRect& Bounds) {
    return Add<TspSkinCustomControl>(Bounds, Record);
  }
  TspGraphicSkinCustomControl* AddGraphic(const AnsiString& Record, const TRect& Bounds) {
    return Add<TspGraphicSkinCustomControl>(Bounds, Record);
  }
};
