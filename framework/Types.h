// Points, sizes and rectangles as the framework and its users compute with them, and the
// rectangle arithmetic around them. Portable: no Windows header, so layout code (skin
// geometry, hit tests) also builds natively. A rectangle holds its left and top edges and
// the edges just past its right and bottom: a point is inside when
// Left <= X < Right and Top <= Y < Bottom.
#pragma once

#include <algorithm>
#include <cstdint>

struct TPoint {
  int32_t X = 0;
  int32_t Y = 0;
  constexpr TPoint() = default;
  constexpr TPoint(int32_t AX, int32_t AY) : X(AX), Y(AY) {}
  constexpr bool operator==(const TPoint& Other) const { return X == Other.X && Y == Other.Y; }
  constexpr bool operator!=(const TPoint& Other) const { return !(*this == Other); }
};

struct TSize {
  int32_t cx = 0;
  int32_t cy = 0;
  constexpr TSize() = default;
  constexpr TSize(int32_t ACx, int32_t ACy) : cx(ACx), cy(ACy) {}
  constexpr bool operator==(const TSize& Other) const { return cx == Other.cx && cy == Other.cy; }
  constexpr bool operator!=(const TSize& Other) const { return !(*this == Other); }
};

struct TRect {
  int32_t Left = 0;
  int32_t Top = 0;
  int32_t Right = 0;
  int32_t Bottom = 0;
  constexpr TRect() = default;
  constexpr TRect(int32_t ALeft, int32_t ATop, int32_t ARight, int32_t ABottom)
      : Left(ALeft), Top(ATop), Right(ARight), Bottom(ABottom) {}
  constexpr TRect(const TPoint& ATopLeft, const TPoint& ABottomRight)
      : Left(ATopLeft.X), Top(ATopLeft.Y), Right(ABottomRight.X), Bottom(ABottomRight.Y) {}
  constexpr int32_t Width() const { return Right - Left; }
  constexpr int32_t Height() const { return Bottom - Top; }
  constexpr TPoint TopLeft() const { return TPoint(Left, Top); }
  constexpr TPoint BottomRight() const { return TPoint(Right, Bottom); }
  constexpr bool operator==(const TRect& Other) const {
    return Left == Other.Left && Top == Other.Top && Right == Other.Right &&
           Bottom == Other.Bottom;
  }
  constexpr bool operator!=(const TRect& Other) const { return !(*this == Other); }
};

constexpr TPoint Point(int32_t X, int32_t Y) { return TPoint(X, Y); }
constexpr TRect Rect(int32_t Left, int32_t Top, int32_t Right, int32_t Bottom) {
  return TRect(Left, Top, Right, Bottom);
}
// The rectangle of that size whose top-left corner is (Left, Top).
constexpr TRect Bounds(int32_t Left, int32_t Top, int32_t Width, int32_t Height) {
  return TRect(Left, Top, Left + Width, Top + Height);
}

// Left <= X < Right and Top <= Y < Bottom.
constexpr bool PtInRect(const TRect& R, const TPoint& P) {
  return P.X >= R.Left && P.X < R.Right && P.Y >= R.Top && P.Y < R.Bottom;
}
// A rectangle without area: its width or its height is 0 or less.
constexpr bool IsRectEmpty(const TRect& R) { return R.Right <= R.Left || R.Bottom <= R.Top; }
constexpr TRect OffsetRect(const TRect& R, int32_t DX, int32_t DY) {
  return TRect(R.Left + DX, R.Top + DY, R.Right + DX, R.Bottom + DY);
}
// Grows the rectangle by DX on the left and right and by DY above and below (negative
// values shrink it).
constexpr TRect InflateRect(const TRect& R, int32_t DX, int32_t DY) {
  return TRect(R.Left - DX, R.Top - DY, R.Right + DX, R.Bottom + DY);
}
// The common part of both; false (and an all-zero Dest) when they do not overlap.
inline bool IntersectRect(TRect& Dest, const TRect& R1, const TRect& R2) {
  TRect r(std::max(R1.Left, R2.Left), std::max(R1.Top, R2.Top), std::min(R1.Right, R2.Right),
          std::min(R1.Bottom, R2.Bottom));
  if (IsRectEmpty(r)) {
    Dest = TRect();
    return false;
  }
  Dest = r;
  return true;
}
// The smallest rectangle holding both; an empty rectangle adds nothing. False when both
// are empty.
inline bool UnionRect(TRect& Dest, const TRect& R1, const TRect& R2) {
  if (IsRectEmpty(R1)) {
    Dest = IsRectEmpty(R2) ? TRect() : R2;
    return !IsRectEmpty(R2);
  }
  if (IsRectEmpty(R2)) {
    Dest = R1;
    return true;
  }
  Dest = TRect(std::min(R1.Left, R2.Left), std::min(R1.Top, R2.Top),
               std::max(R1.Right, R2.Right), std::max(R1.Bottom, R2.Bottom));
  return true;
}
constexpr TPoint CenterPoint(const TRect& R) {
  return TPoint(R.Left + (R.Right - R.Left) / 2, R.Top + (R.Bottom - R.Top) / 2);
}
