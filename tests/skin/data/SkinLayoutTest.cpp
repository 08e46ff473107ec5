// The arithmetic of skinned painting: tiles and their cuts, glyph and caption places, the
// runs of a mask's black pixels and the region data block they make.
#include <gtest/gtest.h>

#include <vector>

#include "skin/data/SkinLayout.h"

TEST(SkinLayout, TilesStartAtTheSpanAndCutTheLastPieceAtItsEnd) {
  struct Case {
    int a, b, w;
    std::vector<TTilePiece> pieces;
  };
  const Case cases[] = {
      // A middle of 10 between caps of 5 in a strip of 33: tiles at 5, 15, 25, the last cut at 28.
      {5, 28, 10, {{5, 10}, {15, 10}, {25, 3}}},
      // A strip of 40: the span is a multiple of the piece; the fourth piece at 35 is empty.
      {5, 35, 10, {{5, 10}, {15, 10}, {25, 10}}},
      {0, 7, 3, {{0, 3}, {3, 3}, {6, 1}}},
      {0, 0, 3, {}},
      {4, 5, 10, {{4, 1}}},
      // Reversed spans and sources without length give nothing.
      {10, 3, 4, {}},
      {10, 7, 4, {}},
      {0, 10, 0, {}},
      {0, 10, -2, {}},
      {-6, 2, 4, {{-6, 4}, {-2, 4}}},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(c.pieces, TileCut(c.a, c.b, c.w)) << c.a << ".." << c.b << " by " << c.w;
  }
}

TEST(SkinLayout, ButtonLayoutPlacesGlyphAndCaptionByLayoutAndMargin) {
  struct Case {
    int layout;
    TRect r;
    int gw, gh, tw, th, spacing, margin;
    int textX, textY, glyphX, glyphY;
  };
  const Case cases[] = {
      // Centred, glyph left: hw = (16 + 40 + 4) div 2 = 30, cx = 50.
      {blGlyphLeft, Rect(0, 0, 100, 30), 16, 16, 40, 13, 4, -1, 40, 9, 20, 7},
      {blGlyphRight, Rect(0, 0, 100, 30), 16, 16, 40, 13, 4, -1, 20, 9, 64, 7},
      // With a margin the glyph keeps its distance from its edge.
      {blGlyphLeft, Rect(10, 5, 110, 35), 16, 16, 40, 13, 4, 3, 33, 14, 13, 12},
      {blGlyphRight, Rect(10, 5, 110, 35), 16, 16, 40, 13, 4, 3, 47, 14, 91, 12},
      // Above and below: hh = (13 + 16 + 4) div 2 = 16, cy = 40.
      {blGlyphTop, Rect(0, 0, 60, 80), 16, 16, 40, 13, 4, -1, 10, 43, 22, 24},
      {blGlyphBottom, Rect(0, 0, 60, 80), 16, 16, 40, 13, 4, -1, 10, 24, 22, 40},
      {blGlyphTop, Rect(0, 0, 60, 80), 16, 16, 40, 13, 4, 2, 10, 22, 22, 2},
      {blGlyphBottom, Rect(0, 0, 60, 80), 16, 16, 40, 13, 4, 2, 10, 45, 22, 62},
      // Without a glyph the spacing counts as 0: hw = 40 div 2.
      {blGlyphLeft, Rect(0, 0, 100, 30), 0, 0, 40, 13, 4, -1, 30, 9, 30, 15},
      {blGlyphLeft, Rect(0, 0, 100, 30), 0, 0, 40, 13, 9, 5, 5, 9, 5, 15},
      // Odd sizes: div truncates toward zero, also for negative halves.
      {blGlyphLeft, Rect(0, 0, 7, 5), 3, 3, 2, 1, 1, -1, 4, 2, 0, 1},
      {blGlyphLeft, Rect(0, 0, -7, -5), 3, 3, 2, 1, 1, -1, -2, -2, -6, -3},
  };
  for (const Case& c : cases) {
    int tx = -999, ty = -999, gx = -999, gy = -999;
    CalcButtonLayout(c.layout, c.r, c.gw, c.gh, c.tw, c.th, c.spacing, c.margin, tx, ty, gx, gy);
    EXPECT_EQ(c.textX, tx) << "layout " << c.layout << " margin " << c.margin;
    EXPECT_EQ(c.textY, ty) << "layout " << c.layout << " margin " << c.margin;
    EXPECT_EQ(c.glyphX, gx) << "layout " << c.layout << " margin " << c.margin;
    EXPECT_EQ(c.glyphY, gy) << "layout " << c.layout << " margin " << c.margin;
  }
  // Any other layout leaves the outputs as they were.
  int tx = 1, ty = 2, gx = 3, gy = 4;
  CalcButtonLayout(4, Rect(0, 0, 10, 10), 1, 1, 1, 1, 0, -1, tx, ty, gx, gy);
  EXPECT_EQ(1, tx);
  EXPECT_EQ(2, ty);
  EXPECT_EQ(3, gx);
  EXPECT_EQ(4, gy);
}

namespace {

// A 24-bit picture of rows given as text: '#' black, '.' white, 'r' dark (1, 0, 0).
struct TMaskRows {
  int Width = 0;
  std::vector<std::vector<uint8_t>> Rows;
  explicit TMaskRows(const std::vector<const char*>& Lines) {
    for (const char* line : Lines) {
      std::vector<uint8_t> row;
      Width = 0;
      for (const char* p = line; *p; ++p, ++Width) {
        const uint8_t b = *p == '#' ? 0 : *p == 'r' ? 1 : 255;
        const uint8_t g = *p == '#' || *p == 'r' ? 0 : 255;
        row.insert(row.end(), {b, g, g});
      }
      Rows.push_back(row);
    }
  }
  std::vector<TRect> Runs(int OffsetX, int OffsetY) const {
    std::vector<TRect> rects;
    CollectMaskRuns(
        Width, int(Rows.size()), [this](int y) { return Rows[size_t(y)].data(); }, OffsetX, OffsetY,
        rects);
    return rects;
  }
};

int32_t Int32At(const std::vector<uint8_t>& Data, size_t At) {
  return int32_t(uint32_t(Data[At]) | uint32_t(Data[At + 1]) << 8 | uint32_t(Data[At + 2]) << 16 |
                 uint32_t(Data[At + 3]) << 24);
}

}  // namespace

TEST(SkinLayout, MaskRunsAreTheHorizontalRunsOfPureBlackPixels) {
  struct Case {
    std::vector<const char*> rows;
    int ox, oy;
    std::vector<TRect> rects;
  };
  const Case cases[] = {
      // Row 0 black from x = 3 to x = 7.
      {{"...#####..", ".........."}, 0, 0, {Rect(3, 0, 8, 1)}},
      {{"...#####..", ".........."}, 10, 20, {Rect(13, 20, 18, 21)}},
      // A dark pixel (1, 0, 0) breaks a run and belongs to nothing.
      {{"##r##"}, 0, 0, {Rect(0, 0, 2, 1), Rect(3, 0, 5, 1)}},
      // Runs reach the right edge; scan order is rows from the top, runs from the left.
      {{"#..##", "#####", "....."}, 0, 0, {Rect(0, 0, 1, 1), Rect(3, 0, 5, 1), Rect(0, 1, 5, 2)}},
      {{".....", "....."}, 0, 0, {}},
      {{"#"}, -2, -3, {Rect(-2, -3, -1, -2)}},
  };
  for (const Case& c : cases) EXPECT_EQ(c.rects, TMaskRows(c.rows).Runs(c.ox, c.oy));
}

TEST(SkinLayout, RegionDataHasItsHeaderThenTheRectangles) {
  const std::vector<TRect> rects = {Rect(3, 0, 8, 1), Rect(-1, 2, 4, 3)};
  const std::vector<uint8_t> data = BuildRegionData(rects, Rect(5, 6, 15, 16));
  ASSERT_EQ(32u + 16u * 2u, data.size());
  const int32_t header[] = {32, 1, 2, 0, 5, 6, 15, 16};
  for (size_t i = 0; i < 8; ++i) EXPECT_EQ(header[i], Int32At(data, 4 * i)) << "field " << i;
  const int32_t body[] = {3, 0, 8, 1, -1, 2, 4, 3};
  for (size_t i = 0; i < 8; ++i) EXPECT_EQ(body[i], Int32At(data, 32 + 4 * i)) << "value " << i;

  // No rectangles: the header alone, with a count of 0.
  const std::vector<uint8_t> empty = BuildRegionData({}, Rect(0, 0, 4, 4));
  ASSERT_EQ(32u, empty.size());
  EXPECT_EQ(0, Int32At(empty, 8));
  EXPECT_EQ(4, Int32At(empty, 24));

  // Many more runs than a fixed buffer of 10001 would hold: all are kept.
  std::vector<const char*> lines(2, nullptr);
  std::string pattern;
  for (int i = 0; i < 6000; ++i) pattern += "#.";
  lines[0] = pattern.c_str();
  lines[1] = pattern.c_str();
  const std::vector<TRect> runs = TMaskRows(lines).Runs(0, 0);
  ASSERT_EQ(12000u, runs.size());
  EXPECT_EQ(Rect(11998, 1, 11999, 2), runs.back());
  EXPECT_EQ(32u + 16u * 12000u, BuildRegionData(runs, Rect(0, 0, 12000, 2)).size());
}
