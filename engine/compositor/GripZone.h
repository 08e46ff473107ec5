// Geometry of editing an effect's rectangle with the mouse: which part of the rectangle a
// point grips (the inside, an edge or a corner, within a margin), the cursor that shows
// it, and the rectangle that a drag of that grip makes from the rectangle at the press.
//
// Rectangles are top-down, right and bottom exclusive: a point lies in one when
// left <= x < right and top <= y < bottom. Arithmetic is done in 64 bits and results are
// held within the 32-bit range.
#pragma once

#include <cstdint>

#include "engine/base/WinTypes.h"

// Grip zones.
constexpr int GRIP_NONE = 0;  // outside the rectangle
constexpr int GRIP_MOVE = 1;  // inside, away from the edges
constexpr int GRIP_RIGHT = 2;
constexpr int GRIP_LEFT = 3;
constexpr int GRIP_TOP = 4;
constexpr int GRIP_BOTTOM = 5;
constexpr int GRIP_BOTTOM_RIGHT = 6;
constexpr int GRIP_BOTTOM_LEFT = 7;
constexpr int GRIP_TOP_RIGHT = 8;
constexpr int GRIP_TOP_LEFT = 9;

// The system cursors of the zones (IDC_ values).
constexpr int kCursorHand = 32649;
constexpr int kCursorSizeAll = 32646;
constexpr int kCursorSizeWE = 32644;
constexpr int kCursorSizeNS = 32645;
constexpr int kCursorSizeNWSE = 32642;
constexpr int kCursorSizeNESW = 32643;

// The margin within which a point grips an edge.
constexpr int kGripMargin = 8;

bool PointInRect(const RECT& rect, const POINT& point);

// The zone of the point in the rectangle: GRIP_NONE outside; an edge when the point lies
// within `margin` of it; a corner when it is near one horizontal and one vertical edge and
// not near the opposite ones (in a rectangle narrower than two margins every point is
// near both sides, and the zone falls back to an edge or the inside).
int HitZone(const RECT& rect, const POINT& point, int margin);

// The cursor id of a zone; 0 for GRIP_NONE and unknown zones (the cursor stays as it is).
int GripZoneCursor(int zone);

// The rectangle that a drag by (dx, dy) of the zone's grip makes of `start`: the inside
// moves the whole rectangle; an edge or corner moves its edges. An edge dragged across the
// opposite one stops 2 pixels beyond it, and the rectangle never gets narrower or lower
// than 1 pixel, so that it can still be gripped. GRIP_NONE and unknown zones give `start`.
RECT DragRect(const RECT& start, int zone, int64_t dx, int64_t dy);
