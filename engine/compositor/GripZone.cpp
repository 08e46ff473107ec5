#include "engine/compositor/GripZone.h"

#include <algorithm>
#include <limits>

namespace {

LONG ClampToLong(int64_t value) {
  return LONG(std::clamp<int64_t>(value, std::numeric_limits<LONG>::min(),
                                  std::numeric_limits<LONG>::max()));
}

}  // namespace

bool PointInRect(const RECT& rect, const POINT& point) {
  return rect.left <= point.x && point.x < rect.right && rect.top <= point.y &&
         point.y < rect.bottom;
}

int HitZone(const RECT& rect, const POINT& point, int margin) {
  if (!PointInRect(rect, point)) return GRIP_NONE;
  const int64_t x = point.x, y = point.y;
  const bool nearRight = x > int64_t{rect.right} - margin;
  const bool nearLeft = x < int64_t{rect.left} + margin;
  const bool nearBottom = y > int64_t{rect.bottom} - margin;
  const bool nearTop = y < int64_t{rect.top} + margin;
  if (nearRight && !nearLeft) {
    if (nearBottom && !nearTop) return GRIP_BOTTOM_RIGHT;
    if (nearTop && !nearBottom) return GRIP_TOP_RIGHT;
  }
  if (nearLeft && !nearRight) {
    if (nearBottom && !nearTop) return GRIP_BOTTOM_LEFT;
    if (nearTop && !nearBottom) return GRIP_TOP_LEFT;
  }
  if (nearBottom) return GRIP_BOTTOM;
  if (nearTop) return GRIP_TOP;
  if (nearRight) return GRIP_RIGHT;
  if (nearLeft) return GRIP_LEFT;
  return GRIP_MOVE;
}

int GripZoneCursor(int zone) {
  switch (zone) {
    case GRIP_MOVE:
      return kCursorSizeAll;
    case GRIP_RIGHT:
    case GRIP_LEFT:
      return kCursorSizeWE;
    case GRIP_TOP:
    case GRIP_BOTTOM:
      return kCursorSizeNS;
    case GRIP_BOTTOM_RIGHT:
    case GRIP_TOP_LEFT:
      return kCursorSizeNWSE;
    case GRIP_BOTTOM_LEFT:
    case GRIP_TOP_RIGHT:
      return kCursorSizeNESW;
    default:
      return 0;
  }
}

RECT DragRect(const RECT& start, int zone, int64_t dx, int64_t dy) {
  if (zone < GRIP_MOVE || zone > GRIP_TOP_LEFT) return start;
  const int64_t l = start.left, t = start.top, r = start.right, b = start.bottom;
  int64_t left = l, top = t, right = r, bottom = b;
  if (zone == GRIP_MOVE) {
    left += dx;
    right += dx;
    top += dy;
    bottom += dy;
  }
  if (zone == GRIP_RIGHT || zone == GRIP_BOTTOM_RIGHT || zone == GRIP_TOP_RIGHT) {
    right = r + dx;
    if (right < l) {
      right = l + 2;
    } else if (right == l) {
      right = l + 1;
    }
  }
  if (zone == GRIP_LEFT || zone == GRIP_BOTTOM_LEFT || zone == GRIP_TOP_LEFT) {
    left = l + dx;
    if (left > r) {
      left = r - 2;
    } else if (left == r) {
      left = r - 1;
    }
  }
  if (zone == GRIP_TOP || zone == GRIP_TOP_RIGHT || zone == GRIP_TOP_LEFT) {
    top = t + dy;
    if (top >= b) top = b - 2;
  }
  if (zone == GRIP_BOTTOM || zone == GRIP_BOTTOM_RIGHT || zone == GRIP_BOTTOM_LEFT) {
    bottom = b + dy;
    if (t >= bottom) bottom = t + 2;
  }
  return RECT{ClampToLong(left), ClampToLong(top), ClampToLong(right), ClampToLong(bottom)};
}
