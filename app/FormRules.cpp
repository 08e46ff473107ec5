#include "app/FormRules.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <utility>

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

TRect KeepInsideArea(const TRect& Window, const TRect& Area) {
  // Sizes in 64 bits: the stored place may hold any integer.
  auto place = [](int64_t Start, int64_t Size, int64_t AreaStart, int64_t AreaSize) {
    Size = std::max<int64_t>(0, std::min(Size, AreaSize));
    Start = std::max(AreaStart, std::min(Start, AreaStart + AreaSize - Size));
    return std::pair<int, int>(int(Start), int(Size));
  };
  const auto [left, width] = place(Window.Left, int64_t(Window.Right) - Window.Left, Area.Left,
                                   int64_t(Area.Right) - Area.Left);
  const auto [top, height] = place(Window.Top, int64_t(Window.Bottom) - Window.Top, Area.Top,
                                   int64_t(Area.Bottom) - Area.Top);
  return TRect(left, top, left + width, top + height);
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
