#include "app/FormRules.h"

#include <algorithm>
#include <cstdlib>

#include "app/SPTools.h"

namespace {

// Whether two ranges overlap: an end of either lies inside the other, ends included.
bool RangesOverlap(int A1, int A2, int B1, int B2) {
  auto inside = [](int V, int Lo, int Hi) { return V >= Lo && V <= Hi; };
  return inside(A1, B1, B2) || inside(A2, B1, B2) || inside(B1, A1, A2) || inside(B2, A1, A2);
}

}  // namespace

TMagnetDock FindMagnetDock(const TRect& Box, const TRect& Main, int Distance) {
  const bool vertical = RangesOverlap(Box.Top, Box.Bottom, Main.Top, Main.Bottom);
  const bool horizontal = RangesOverlap(Box.Left, Box.Right, Main.Left, Main.Right);
  if (std::abs(Box.Right - Main.Left) < Distance && vertical) return {msLeft, Box.Top - Main.Top};
  if (std::abs(Box.Left - Main.Right) < Distance && vertical) return {msRight, Box.Top - Main.Top};
  if (std::abs(Box.Bottom - Main.Top) < Distance && horizontal) return {msAbove, Box.Left - Main.Left};
  if (std::abs(Box.Top - Main.Bottom) < Distance && horizontal) return {msBelow, Box.Left - Main.Left};
  return {};
}

TMagnetDock StoredMagnetDock(int Side, int Offset) {
  if (Side < msAbove || Side > msLeft) return {};
  return {static_cast<TMagnetSide>(Side), std::max(-32768, std::min(Offset, 32767))};
}

int StoredBoxSize(int Value, int Default) { return Value >= 1 && Value <= 8192 ? Value : Default; }

TPoint MagnetPlace(TMagnetSide Side, int Offset, int BoxWidth, int BoxHeight, const TRect& Main) {
  switch (Side) {
    case msAbove: return TPoint(Main.Left + Offset, Main.Top - BoxHeight);
    case msRight: return TPoint(Main.Right, Main.Top + Offset);
    case msBelow: return TPoint(Main.Left + Offset, Main.Bottom);
    case msLeft: return TPoint(Main.Left - BoxWidth, Main.Top + Offset);
    case msNone: break;
  }
  return TPoint(Main.Left, Main.Top);
}

int ScalePreviewCoordinate(int Value, int OutputSize, int ClientSize) {
  if (ClientSize == 0) return Value;
  return static_cast<int>(static_cast<int64_t>(Value) * OutputSize / ClientSize);
}

TSize WebcamSourceSizeOf(int Index) {
  switch (Index) {
    case 0: return TSize(176, 144);
    case 2: return TSize(352, 288);
    case 3: return TSize(640, 480);
    default: return TSize(320, 240);
  }
}

AnsiString MediaSliderHint(int PositionMs, int LengthMs) {
  return "   " + SecondsToTimeText(PositionMs / 1000) + " / " + SecondsToTimeText(LengthMs / 1000);
}
