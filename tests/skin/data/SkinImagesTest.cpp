// The skin image builders on real GDI. The source picture codes each pixel's own
// coordinates in its colour, so every pixel of a built picture tells where it came from:
// the tables below are the copy, tile and cut arithmetic of each builder.
#include <gtest/gtest.h>

#include <vector>

#include "skin/data/SkinImages.h"
#include "tests/skin/data/SkinDrawSupport.h"

namespace {

// Source pixel (x, y) is (3x, 3y, 50).
TBitmapPtr CodedSource() {
  return MakeBitmap(64, 64, [](int x, int y) { return Rgb(3 * x, 3 * y, 50); });
}

// Where a built pixel came from: its source coordinates, or (-1, -1) for a pixel that no
// source pixel made (the white a new picture starts with).
TPoint SourceOf(TBitmap* B, int X, int Y) {
  const TColor c = PixelOf(B, X, Y);
  if ((c >> 16 & 0xFF) != 50) return Point(-1, -1);
  return Point((c & 0xFF) / 3, (c >> 8 & 0xFF) / 3);
}

struct TSample {
  int x, y;    // in the built picture
  int sx, sy;  // in the source, (-1, -1) for untouched
};

void ExpectSamples(TBitmap* B, const std::vector<TSample>& Samples, const char* What) {
  for (const TSample& s : Samples)
    EXPECT_EQ(Point(s.sx, s.sy), SourceOf(B, s.x, s.y)) << What << " at " << s.x << "," << s.y;
}

// The nine-part geometry of the tests: a 30 x 24 part at (10, 20) of the source, built
// at 50 x 40.
struct TNinePart {
  TRect R = Rect(10, 20, 40, 44);
  TRect ClRect = Rect(4, 3, 25, 20);
  TPoint LT = Point(6, 5), RT = Point(22, 6), LB = Point(8, 17), RB = Point(21, 16);
  int NewW = 50, NewH = 40;
  TRect NewClRect = Rect(4, 3, 45, 36);
  TPoint NewLT = Point(6, 5), NewRT = Point(42, 6), NewLB = Point(8, 33), NewRB = Point(41, 32);
};

}  // namespace

TEST(SkinImages, HorizontalStripsCopyTheirCapsAndTileOrStretchTheMiddle) {
  TBitmapPtr sb = CodedSource();
  const TRect r = Rect(2, 3, 22, 9);  // caps of 5, a middle of 10 (source columns 7..16)
  TBitmapPtr b(new TBitmap);
  // NewW 33: tiles at 5, 15 and 25, the last cut at 28.
  CreateHSkinImage(5, 5, b.get(), sb.get(), r, 33, 99, false);
  EXPECT_EQ(33, b->GetWidth());
  EXPECT_EQ(6, b->GetHeight());
  ExpectSamples(b.get(),
                {{0, 0, 2, 3},
                 {4, 5, 6, 8},
                 {5, 0, 7, 3},
                 {14, 1, 16, 4},
                 {15, 2, 7, 5},
                 {25, 0, 7, 3},
                 {27, 0, 9, 3},
                 {28, 0, 17, 3},
                 {32, 5, 21, 8}},
                "NewW 33");
  SaveShot(b.get(), "hskin_33");
  // NewW 40: three whole tiles; the fourth, at 35, would be empty.
  CreateHSkinImage(5, 5, b.get(), sb.get(), r, 40, 0, false);
  ExpectSamples(b.get(), {{34, 0, 16, 3}, {35, 0, 17, 3}, {39, 5, 21, 8}}, "NewW 40");
  // Stretched: the caps stay, the middle's ends meet the caps.
  CreateHSkinImage(5, 5, b.get(), sb.get(), r, 60, 0, true);
  ExpectSamples(b.get(), {{4, 0, 6, 3}, {5, 0, 7, 3}, {54, 2, 16, 5}, {55, 0, 17, 3}}, "stretch");
  SaveShot(b.get(), "hskin_stretch");
  // A middle of width 0 counts as 1.
  CreateHSkinImage(10, 10, b.get(), sb.get(), r, 25, 0, false);
  ExpectSamples(b.get(), {{9, 0, 11, 3}, {10, 0, 12, 3}, {14, 0, 12, 3}, {15, 0, 12, 3}},
                "middle 0");

  // Without a right cap the middle runs to the right edge.
  CreateHSkinImageNoRight(5, 5, b.get(), sb.get(), r, 33, 0, false);
  ExpectSamples(b.get(), {{4, 0, 6, 3}, {25, 0, 7, 3}, {32, 0, 14, 3}}, "no right");
  // The middle alone: tiles from 0 reach the right edge exactly.
  CreateHSkinImageMiddle(4, 5, b.get(), sb.get(), r, 22, 0, false);
  EXPECT_EQ(22, b->GetWidth());
  ExpectSamples(b.get(), {{0, 0, 6, 3}, {10, 0, 16, 3}, {11, 0, 6, 3}, {21, 0, 16, 3}}, "middle");
  CreateHSkinImageMiddle(5, 5, b.get(), sb.get(), r, 40, 0, true);
  ExpectSamples(b.get(), {{0, 0, 7, 3}, {39, 0, 16, 3}}, "middle stretched");
}

TEST(SkinImages, VerticalStripCopiesItsCapsAndTilesTheMiddleDownwards) {
  TBitmapPtr sb = CodedSource();
  const TRect r = Rect(4, 2, 10, 22);  // caps of 3 and 7, a middle of 10 (rows 5..14)
  TBitmapPtr b(new TBitmap);
  CreateVSkinImage(3, 7, b.get(), sb.get(), r, 99, 31, false);
  EXPECT_EQ(6, b->GetWidth());
  EXPECT_EQ(31, b->GetHeight());
  // Tiles at 3, 13 and 23 (the last cut at 24), then the bottom cap from 24.
  ExpectSamples(b.get(),
                {{0, 0, 4, 2},
                 {5, 2, 9, 4},
                 {0, 3, 4, 5},
                 {1, 12, 5, 14},
                 {1, 13, 5, 5},
                 {0, 23, 4, 5},
                 {0, 24, 4, 15},
                 {5, 30, 9, 21}},
                "tiled");
  CreateVSkinImage(3, 7, b.get(), sb.get(), r, 0, 50, true);
  ExpectSamples(b.get(), {{0, 3, 4, 5}, {0, 42, 4, 14}, {0, 43, 4, 15}}, "stretched");
  SaveShot(b.get(), "vskin_stretch");
}

TEST(SkinImages, NinePartPictureCopiesCornersAndTilesSidesFromTheirSplitPoints) {
  TBitmapPtr sb = CodedSource();
  TNinePart g;
  TBitmapPtr b(new TBitmap);
  CreateSkinImage(g.LT, g.RT, g.LB, g.RB, g.ClRect, g.NewLT, g.NewRT, g.NewLB, g.NewRB, g.NewClRect,
                  b.get(), sb.get(), g.R, g.NewW, g.NewH, true, false, false, false, false, false,
                  stFull);
  SaveShot(b.get(), "nine_tiled");
  EXPECT_EQ(50, b->GetWidth());
  EXPECT_EQ(40, b->GetHeight());
  ExpectSamples(b.get(),
                {// top side: source columns 16..31, tiles at 6, 22, 38 (cut at 42)
                 {7, 1, 17, 21},
                 {23, 2, 17, 22},
                 {41, 0, 19, 20},
                 // the corners' horizontal pieces
                 {5, 2, 15, 22},
                 {42, 0, 32, 20},
                 {49, 2, 39, 22},
                 // left side: rows 25..36 of the source, four columns wide, tiles at 5, 17, 29
                 {2, 6, 12, 26},
                 {1, 18, 11, 26},
                 {3, 32, 13, 28},
                 // the corners' vertical pieces
                 {0, 4, 10, 24},
                 {45, 5, 35, 25},
                 {1, 39, 11, 43},
                 {47, 33, 37, 37},
                 // right side: rows 26..35, tiles at 6, 16, 26 (cut at 32)
                 {46, 7, 36, 27},
                 {49, 31, 39, 31},
                 // bottom side: columns 18..30, tiles at 8, 21, 34 (cut at 41)
                 {9, 37, 19, 41},
                 {40, 39, 24, 43},
                 // bottom corners' horizontal pieces
                 {7, 36, 17, 40},
                 {41, 38, 31, 42},
                 // client: 21 x 17 tiles at (4, 3), (25, 3), (4, 20), (25, 20), cut at 45 and 36
                 {5, 4, 15, 24},
                 {26, 21, 15, 24},
                 {44, 35, 33, 38},
                 {24, 19, 34, 39}},
                "tiled");

  // CreateSkinImage2 is the same builder.
  TBitmapPtr b2(new TBitmap);
  CreateSkinImage2(g.LT, g.RT, g.LB, g.RB, g.ClRect, g.NewLT, g.NewRT, g.NewLB, g.NewRB,
                   g.NewClRect, b2.get(), sb.get(), g.R, g.NewW, g.NewH, true, false, false, false,
                   false, false, stFull);
  for (int y = 0; y < 40; y += 3)
    for (int x = 0; x < 50; x += 2) ASSERT_EQ(PixelOf(b.get(), x, y), PixelOf(b2.get(), x, y));

  // Without the client the middle stays as a new picture starts (white).
  b.reset(new TBitmap);
  CreateSkinImage(g.LT, g.RT, g.LB, g.RB, g.ClRect, g.NewLT, g.NewRT, g.NewLB, g.NewRB, g.NewClRect,
                  b.get(), sb.get(), g.R, g.NewW, g.NewH, false, false, false, false, false, false,
                  stFull);
  ExpectSamples(b.get(), {{5, 4, -1, -1}, {44, 35, -1, -1}, {7, 1, 17, 21}}, "no client");

  // Coinciding corner points, or an empty source, only size the picture.
  TBitmapPtr empty(new TBitmap);
  b.reset(new TBitmap);
  CreateSkinImage(g.LT, g.RT, g.LB, Point(g.LT.X, 30), g.ClRect, g.NewLT, g.NewRT, g.NewLB, g.NewRB,
                  g.NewClRect, b.get(), sb.get(), g.R, 20, 10, true, false, false, false, false,
                  false, stFull);
  EXPECT_EQ(20, b->GetWidth());
  ExpectSamples(b.get(), {{0, 0, -1, -1}, {19, 9, -1, -1}}, "coinciding");
  b.reset(new TBitmap);
  CreateSkinImage(g.LT, g.RT, g.LB, g.RB, g.ClRect, g.NewLT, g.NewRT, g.NewLB, g.NewRB, g.NewClRect,
                  b.get(), empty.get(), g.R, 21, 11, true, false, false, false, false, false,
                  stFull);
  EXPECT_EQ(11, b->GetHeight());
  ExpectSamples(b.get(), {{0, 0, -1, -1}}, "empty source");
}

TEST(SkinImages, NinePartPictureStretchesSidesAndFitsTheClientByStretchType) {
  TBitmapPtr sb = CodedSource();
  TNinePart g;
  TBitmapPtr b(new TBitmap);
  // All sides stretched, the client stretched over the whole new client rectangle.
  CreateSkinImage(g.LT, g.RT, g.LB, g.RB, g.ClRect, g.NewLT, g.NewRT, g.NewLB, g.NewRB, g.NewClRect,
                  b.get(), sb.get(), g.R, g.NewW, g.NewH, true, true, true, true, true, true,
                  stFull);
  SaveShot(b.get(), "nine_stretched");
  ExpectSamples(b.get(),
                {{6, 0, 16, 20},
                 {41, 2, 31, 22},  // top side: source columns 16..31
                 {0, 5, 10, 25},
                 {3, 32, 13, 36},  // left side: rows 25..36
                 {45, 6, 35, 26},
                 {49, 31, 39, 35},  // right side: rows 26..35
                 {8, 36, 18, 40},
                 {40, 39, 30, 43},  // bottom side: columns 18..30
                 {4, 3, 14, 23},
                 {44, 35, 34, 39},  // client ends
                 {5, 2, 15, 22},
                 {49, 0, 39, 20}},  // corners stay copies
                "stretched");

  // stHorz: the client as high as the new client rectangle, repeated across it every
  // 21 columns and clipped at its right edge.
  CreateSkinImage(g.LT, g.RT, g.LB, g.RB, g.ClRect, g.NewLT, g.NewRT, g.NewLB, g.NewRB, g.NewClRect,
                  b.get(), sb.get(), g.R, g.NewW, g.NewH, true, false, false, false, false, true,
                  stHorz);
  SaveShot(b.get(), "nine_sthorz");
  ExpectSamples(
      b.get(),
      {{4, 3, 14, 23}, {24, 3, 34, 23}, {25, 3, 14, 23}, {44, 35, 33, 39}, {45, 20, 35, 30}},
      "stHorz");
  for (int y = 3; y < 36; y += 4)
    for (int u = 0; u < 20; ++u)
      ASSERT_EQ(SourceOf(b.get(), 4 + u, y), SourceOf(b.get(), 25 + u, y)) << u << "," << y;

  // stVert: as wide as the new client rectangle, repeated downwards every 17 rows.
  CreateSkinImage(g.LT, g.RT, g.LB, g.RB, g.ClRect, g.NewLT, g.NewRT, g.NewLB, g.NewRB, g.NewClRect,
                  b.get(), sb.get(), g.R, g.NewW, g.NewH, true, false, false, false, false, true,
                  stVert);
  ExpectSamples(
      b.get(),
      {{4, 3, 14, 23}, {44, 19, 34, 39}, {44, 20, 34, 23}, {4, 35, 14, 38}, {20, 36, 30, 40}},
      "stVert");

  // An empty new client rectangle, or an unknown stretch type, draws no client: the
  // picture is the one built without the client.
  struct TClientCase {
    TRect newClRect;
    int stretchType;
  };
  const TClientCase clientCases[] = {
      {Rect(4, 3, 4, 36), stFull}, {Rect(4, 3, 45, 3), stHorz}, {Rect(4, 3, 45, 36), 7}};
  for (const TClientCase& c : clientCases) {
    TBitmapPtr with(new TBitmap), without(new TBitmap);
    CreateSkinImage(g.LT, g.RT, g.LB, g.RB, g.ClRect, g.NewLT, g.NewRT, g.NewLB, g.NewRB,
                    c.newClRect, with.get(), sb.get(), g.R, g.NewW, g.NewH, true, false, false,
                    false, false, true, c.stretchType);
    CreateSkinImage(g.LT, g.RT, g.LB, g.RB, g.ClRect, g.NewLT, g.NewRT, g.NewLB, g.NewRB,
                    c.newClRect, without.get(), sb.get(), g.R, g.NewW, g.NewH, false, false, false,
                    false, false, true, c.stretchType);
    for (int y = 0; y < g.NewH; ++y)
      for (int x = 0; x < g.NewW; ++x)
        ASSERT_EQ(PixelOf(without.get(), x, y), PixelOf(with.get(), x, y))
            << "type " << c.stretchType << " at " << x << "," << y;
  }
}

TEST(SkinImages, OpenRightPictureRunsTopBottomAndClientToTheRightEdge) {
  TBitmapPtr sb = CodedSource();
  TNinePart g;
  TBitmapPtr b(new TBitmap);
  CreateSkinImageOpenRight(g.LT, g.RT, g.LB, g.RB, g.ClRect, g.NewLT, g.NewRT, g.NewLB, g.NewRB,
                           g.NewClRect, b.get(), sb.get(), g.R, g.NewW, g.NewH, true, false, false,
                           false, false, false, stFull);
  SaveShot(b.get(), "open_right");
  ExpectSamples(b.get(),
                {{49, 1, 27, 21},   // the top tiles from 6 on: 6, 22, 38 (cut at 50)
                 {49, 4, 17, 24},   // the client tiles at 4, 25, 46 (cut at 50)
                 {49, 37, 20, 41},  // the bottom tiles at 8, 21, 34, 47
                 {0, 4, 10, 24},
                 {1, 39, 11, 43},
                 {5, 2, 15, 22}},
                "open right");
  // Nothing of a right column: no source column right of the client's (35) appears.
  for (int y = 0; y < 40; ++y)
    for (int x = 0; x < 50; ++x) ASSERT_LT(SourceOf(b.get(), x, y).X, 35) << x << "," << y;
}

TEST(SkinImages, StretchSkinImageKeepsTheCornersOfTheInnerRectangle) {
  TBitmapPtr sb = CodedSource();
  TBitmapPtr b(new TBitmap);
  b->SetSize(40, 30);
  // A 20 x 12 part at (5, 6) with fixed corners of 4 x 3 (inner rectangle (4, 3, 16, 9)).
  CreateStretchSkinImage(b.get(), sb.get(), Rect(5, 6, 25, 18), Rect(4, 3, 16, 9), true);
  EXPECT_EQ(40, b->GetWidth());
  EXPECT_EQ(30, b->GetHeight());
  ExpectSamples(b.get(),
                {{0, 0, 5, 6},
                 {3, 2, 8, 8},
                 {36, 0, 21, 6},
                 {39, 29, 24, 17},
                 {0, 27, 5, 15},
                 {4, 0, 9, 6},
                 {35, 0, 20, 6},
                 {4, 3, 9, 9},
                 {35, 26, 20, 14}},
                "stretch skin image");
}

TEST(SkinImages, BorderImagesCutTheFourFrameBorders) {
  TBitmapPtr sb = CodedSource();
  TNinePart g;
  TBitmapPtr left(new TBitmap), top(new TBitmap), right(new TBitmap), bottom(new TBitmap);
  CreateSkinBorderImages(g.LT, g.RT, g.LB, g.RB, g.ClRect, g.NewLT, g.NewRT, g.NewLB, g.NewRB,
                         g.NewClRect, left.get(), top.get(), right.get(), bottom.get(), sb.get(),
                         g.R, g.NewW, g.NewH, false, false, false, false);
  EXPECT_EQ(TSize(50, 3), TSize(top->GetWidth(), top->GetHeight()));
  EXPECT_EQ(TSize(50, 4), TSize(bottom->GetWidth(), bottom->GetHeight()));
  EXPECT_EQ(TSize(4, 33), TSize(left->GetWidth(), left->GetHeight()));
  EXPECT_EQ(TSize(5, 33), TSize(right->GetWidth(), right->GetHeight()));
  SaveShot(top.get(), "border_top");
  SaveShot(left.get(), "border_left");
  // Top: tiles of columns 16..31 from the border's own origin, corners copied over them.
  ExpectSamples(top.get(),
                {{0, 0, 10, 20},
                 {5, 2, 15, 22},
                 {6, 0, 22, 20},
                 {16, 1, 16, 21},
                 {41, 0, 25, 20},
                 {42, 0, 32, 20},
                 {49, 2, 39, 22}},
                "top");
  // Bottom: the source band is its last 4 rows; tiles of columns 18..30 from 0.
  ExpectSamples(bottom.get(),
                {{0, 0, 10, 40},
                 {7, 3, 17, 43},
                 {8, 0, 26, 40},
                 {13, 0, 18, 40},
                 {41, 0, 31, 40},
                 {49, 3, 39, 43}},
                "bottom");
  // Left: rows 25..36 tiled from 0, the piece above the split (rows 23..24) at the top
  // and below it (rows 37..39) at the bottom.
  ExpectSamples(left.get(),
                {{0, 0, 10, 23},
                 {3, 1, 13, 24},
                 {0, 2, 10, 27},
                 {0, 12, 10, 25},
                 {2, 29, 12, 30},
                 {0, 30, 10, 37},
                 {3, 32, 13, 39}},
                "left");
  // Right: rows 26..35 tiled, rows 23..25 above and 36..39 below.
  ExpectSamples(right.get(),
                {{0, 0, 35, 23},
                 {4, 2, 39, 25},
                 {0, 3, 35, 29},
                 {0, 10, 35, 26},
                 {0, 29, 35, 36},
                 {4, 32, 39, 39}},
                "right");

  // A new client top of 0 leaves the top border as it was, and its old height counts in
  // the heights of the sides.
  TRect flat = g.NewClRect;
  flat.Top = 0;
  TBitmapPtr left2(new TBitmap), top2 = MakeBitmap(7, 6, [](int, int) { return Rgb(1, 2, 3); }),
                                 right2(new TBitmap), bottom2(new TBitmap);
  CreateSkinBorderImages(g.LT, g.RT, g.LB, g.RB, g.ClRect, g.NewLT, g.NewRT, g.NewLB, g.NewRB, flat,
                         left2.get(), top2.get(), right2.get(), bottom2.get(), sb.get(), g.R,
                         g.NewW, g.NewH, false, false, false, false);
  EXPECT_EQ(TSize(7, 6), TSize(top2->GetWidth(), top2->GetHeight()));
  EXPECT_EQ(Rgb(1, 2, 3), PixelOf(top2.get(), 3, 3));
  EXPECT_EQ(40 - 4 - 6, left2->GetHeight());

  // Stretched sides.
  CreateSkinBorderImages(g.LT, g.RT, g.LB, g.RB, g.ClRect, g.NewLT, g.NewRT, g.NewLB, g.NewRB,
                         g.NewClRect, left.get(), top.get(), right.get(), bottom.get(), sb.get(),
                         g.R, g.NewW, g.NewH, true, true, true, true);
  ExpectSamples(top.get(), {{6, 0, 16, 20}, {41, 2, 31, 22}, {5, 0, 15, 20}}, "top stretched");
  ExpectSamples(left.get(), {{0, 2, 10, 25}, {0, 1, 10, 24}}, "left stretched");
}

TEST(SkinImages, NinePartButtonKeepsItsBorderWidthsAtAnySize) {
  // A 24 x 18 button: a black outline, a light top-left and a dark bottom-right bevel of
  // two pixels, a face shaded from top to bottom.
  auto button = [](int x, int y) {
    if (x == 0 || y == 0 || x == 23 || y == 17) return Rgb(0, 0, 0);
    if (x <= 2 || y <= 2) return (x >= 21 || y >= 15) ? Rgb(128, 128, 128) : Rgb(255, 255, 255);
    if (x >= 21 || y >= 15) return Rgb(128, 128, 128);
    return Rgb(90 + 10 * y, 120 + 8 * y, 200);
  };
  TBitmapPtr sb = MakeBitmap(24, 18, button);
  const TRect cl = Rect(3, 3, 21, 15);
  const TRect newCl = Rect(3, 3, 117, 37);
  for (bool stretch : {false, true}) {
    TBitmapPtr b(new TBitmap);
    CreateSkinImage(Point(3, 3), Point(21, 3), Point(3, 15), Point(21, 15), cl, Point(3, 3),
                    Point(117, 3), Point(3, 37), Point(117, 37), newCl, b.get(), sb.get(),
                    Rect(0, 0, 24, 18), 120, 40, true, stretch, stretch, stretch, stretch, stretch,
                    stFull);
    SaveShot(b.get(), stretch ? "button_stretched" : "button_tiled");
    for (int y : {1, 20, 38}) {
      EXPECT_EQ(Rgb(0, 0, 0), PixelOf(b.get(), 0, y));
      EXPECT_EQ(Rgb(0, 0, 0), PixelOf(b.get(), 119, y));
    }
    for (int x : {1, 60, 118}) {
      EXPECT_EQ(Rgb(0, 0, 0), PixelOf(b.get(), x, 0));
      EXPECT_EQ(Rgb(0, 0, 0), PixelOf(b.get(), x, 39));
    }
    EXPECT_EQ(Rgb(255, 255, 255), PixelOf(b.get(), 2, 20));
    EXPECT_EQ(Rgb(255, 255, 255), PixelOf(b.get(), 60, 1));
    EXPECT_EQ(Rgb(128, 128, 128), PixelOf(b.get(), 117, 20));
    EXPECT_EQ(Rgb(128, 128, 128), PixelOf(b.get(), 60, 38));
    // The face: its top row at the top of the client either way; tiled, it repeats every
    // 12 rows (the third copy cut after 10); stretched, its last row reaches the bottom.
    EXPECT_EQ(button(5, 3), PixelOf(b.get(), 60, 3));
    EXPECT_EQ(button(5, stretch ? 14 : 12), PixelOf(b.get(), 60, 36));
    if (!stretch) {
      EXPECT_EQ(button(5, 3), PixelOf(b.get(), 60, 15));
    }
  }
}
