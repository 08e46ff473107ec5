#include "skin/data/SkinLayout.h"

#include <algorithm>

std::vector<TTilePiece> TileCut(int A, int B, int W) {
  std::vector<TTilePiece> pieces;
  if (W <= 0) return pieces;
  const int64_t span = int64_t(B) - A;
  const int64_t n = span / W;  // truncates toward zero
  if (n < 0) return pieces;
  for (int64_t i = 0; i <= n; ++i) {
    const int64_t x = A + i * W;
    const int64_t cut = std::max<int64_t>(0, x + W - B);
    const int64_t length = W - cut;
    if (length > 0) pieces.push_back({int(x), int(length)});
  }
  return pieces;
}

void CalcButtonLayout(int Layout, const TRect& R, int GlyphWidth, int GlyphHeight, int TextWidth,
                      int TextHeight, int Spacing, int Margin, int& TextX, int& TextY, int& GlyphX,
                      int& GlyphY) {
  const int cx = R.Left + (R.Right - R.Left) / 2;
  const int cy = R.Top + (R.Bottom - R.Top) / 2;
  if (GlyphWidth == 0) Spacing = 0;
  const int hw = (GlyphWidth + TextWidth + Spacing) / 2;
  const int hh = (TextHeight + GlyphHeight + Spacing) / 2;
  switch (Layout) {
    case blGlyphLeft:
      if (Margin == -1) {
        GlyphX = cx - hw;
        TextX = cx + hw - TextWidth;
      } else {
        GlyphX = R.Left + Margin;
        TextX = GlyphX + GlyphWidth + Spacing;
      }
      GlyphY = cy - GlyphHeight / 2;
      TextY = cy - TextHeight / 2;
      break;
    case blGlyphRight:
      if (Margin == -1) {
        TextX = cx - hw;
        GlyphX = cx + hw - GlyphWidth;
      } else {
        GlyphX = R.Right - GlyphWidth - Margin;
        TextX = GlyphX - Spacing - TextWidth;
      }
      GlyphY = cy - GlyphHeight / 2;
      TextY = cy - TextHeight / 2;
      break;
    case blGlyphTop:
      if (Margin == -1) {
        GlyphY = cy - hh;
        TextY = cy + hh - TextHeight;
      } else {
        GlyphY = R.Top + Margin;
        TextY = GlyphY + GlyphHeight + Spacing;
      }
      GlyphX = cx - GlyphWidth / 2;
      TextX = cx - TextWidth / 2;
      break;
    case blGlyphBottom:
      if (Margin == -1) {
        TextY = cy - hh;
        GlyphY = cy + hh - GlyphHeight;
      } else {
        GlyphY = R.Bottom - GlyphHeight - Margin;
        TextY = GlyphY - Spacing - TextHeight;
      }
      GlyphX = cx - GlyphWidth / 2;
      TextX = cx - TextWidth / 2;
      break;
    default:
      break;
  }
}

namespace {

void PutInt32(std::vector<uint8_t>& Out, size_t At, int64_t Value) {
  const uint32_t v = uint32_t(Value);
  Out[At] = uint8_t(v);
  Out[At + 1] = uint8_t(v >> 8);
  Out[At + 2] = uint8_t(v >> 16);
  Out[At + 3] = uint8_t(v >> 24);
}

}  // namespace

std::vector<uint8_t> BuildRegionData(const std::vector<TRect>& Rects, const TRect& Bound) {
  std::vector<uint8_t> data(kRgnDataHeaderSize + 16 * Rects.size(), 0);
  PutInt32(data, 0, kRgnDataHeaderSize);
  PutInt32(data, 4, kRgnDataRectangles);
  PutInt32(data, 8, int64_t(Rects.size()));
  PutInt32(data, 12, 0);
  PutInt32(data, 16, Bound.Left);
  PutInt32(data, 20, Bound.Top);
  PutInt32(data, 24, Bound.Right);
  PutInt32(data, 28, Bound.Bottom);
  size_t at = kRgnDataHeaderSize;
  for (const TRect& r : Rects) {
    PutInt32(data, at, r.Left);
    PutInt32(data, at + 4, r.Top);
    PutInt32(data, at + 8, r.Right);
    PutInt32(data, at + 12, r.Bottom);
    at += 16;
  }
  return data;
}
