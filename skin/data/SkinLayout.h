// The arithmetic behind skinned painting that needs no drawing: where the pieces of a
// tiled skin part go, where a button puts its glyph and caption, which rectangles a mask
// picture's black pixels make and the region data block they form. Portable (no Windows
// header), so it also builds natively for the sanitizer runs.
#pragma once

#include <cstdint>
#include <vector>

#include "framework/Types.h"

// ---------------------------------------------------------------------------------------
// Tiling

// One piece of a tiled span: it starts at Pos and is Length long (the source piece
// shortened on its far side to that length).
struct TTilePiece {
  int Pos;
  int Length;
  bool operator==(const TTilePiece& Other) const {
    return Pos == Other.Pos && Length == Other.Length;
  }
};

// The pieces that tile a span from A to B with a source of length W: pieces
// i = 0 .. (B - A) div W start at A + i x W, the last cut so that nothing passes B.
// Pieces without length (the last one when B - A is a multiple of W, any piece of a
// reversed span) and sources without length give nothing.
std::vector<TTilePiece> TileCut(int A, int B, int W);

// ---------------------------------------------------------------------------------------
// Button layout

// Where a glyph stands relative to the caption.
enum TspButtonLayout { blGlyphLeft = 0, blGlyphRight = 1, blGlyphTop = 2, blGlyphBottom = 3 };

// Places a glyph and a caption in R: Margin is the glyph's distance from the edge on its
// side (-1 centres glyph and caption together), Spacing the distance between them (0
// without a glyph). A layout value outside the four leaves the outputs as they were.
void CalcButtonLayout(int Layout, const TRect& R, int GlyphWidth, int GlyphHeight, int TextWidth,
                      int TextHeight, int Spacing, int Margin, int& TextX, int& TextY, int& GlyphX,
                      int& GlyphY);

// ---------------------------------------------------------------------------------------
// Mask regions

// The rectangles of the pure black pixels (all three bytes 0) of a 24-bit picture, one
// per horizontal run, in scan order (rows from the top, runs from the left), shifted by
// the offsets. Row(y) gives the first byte of row y (3 bytes per pixel).
template <class RowFn>
void CollectMaskRuns(int Width, int Height, RowFn&& Row, int OffsetX, int OffsetY,
                     std::vector<TRect>& Rects) {
  for (int y = 0; y < Height; ++y) {
    const uint8_t* p = Row(y);
    int x = 0;
    while (x < Width) {
      if (p[3 * x] + p[3 * x + 1] + p[3 * x + 2] > 0) {
        ++x;
        continue;
      }
      int x2 = x + 1;
      while (x2 < Width && p[3 * x2] == 0 && p[3 * x2 + 1] == 0 && p[3 * x2 + 2] == 0) ++x2;
      Rects.emplace_back(x + OffsetX, y + OffsetY, x2 + OffsetX, y + OffsetY + 1);
      x = x2;
    }
  }
}

// Size of the region data header.
constexpr uint32_t kRgnDataHeaderSize = 32;
// The header's type for rectangles (RDH_RECTANGLES).
constexpr uint32_t kRgnDataRectangles = 1;

// The platform's region data block (RGNDATA): a 32-byte header (dwSize 32, iType 1,
// nCount, nRgnSize 0, rcBound) followed by the rectangles as four 32-bit integers each,
// every field little-endian.
std::vector<uint8_t> BuildRegionData(const std::vector<TRect>& Rects, const TRect& Bound);
