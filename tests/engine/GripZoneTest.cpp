// The geometry of mouse editing: grip zones with the margin, their cursors, and the
// rectangles that dragging each grip makes, with the clamps that keep a rectangle grippable.
#include "engine/compositor/GripZone.h"

#include <gtest/gtest.h>

#include <limits>
#include <ostream>

namespace {

constexpr LONG kMax = std::numeric_limits<LONG>::max();
constexpr LONG kMin = std::numeric_limits<LONG>::min();
const RECT kBox = {100, 100, 200, 150};

struct Rect {
  LONG left, top, right, bottom;
  bool operator==(const Rect& o) const {
    return left == o.left && top == o.top && right == o.right && bottom == o.bottom;
  }
};
std::ostream& operator<<(std::ostream& os, const Rect& r) {
  return os << "(" << r.left << ", " << r.top << ", " << r.right << ", " << r.bottom << ")";
}
Rect Of(const RECT& r) { return {r.left, r.top, r.right, r.bottom}; }

TEST(GripZone, ZoneOfEachPartOfTheRectangleWithTheMargin) {
  struct Case {
    RECT rect;
    POINT point;
    int zone;
  };
  const Case cases[] = {
      {kBox, {195, 145}, GRIP_BOTTOM_RIGHT},
      {kBox, {105, 145}, GRIP_BOTTOM_LEFT},
      {kBox, {195, 105}, GRIP_TOP_RIGHT},
      {kBox, {105, 105}, GRIP_TOP_LEFT},
      {kBox, {150, 148}, GRIP_BOTTOM},
      {kBox, {150, 102}, GRIP_TOP},
      {kBox, {198, 120}, GRIP_RIGHT},
      {kBox, {101, 120}, GRIP_LEFT},
      {kBox, {150, 120}, GRIP_MOVE},
      // The edges themselves: left and top inside, right and bottom outside.
      {kBox, {100, 100}, GRIP_TOP_LEFT},
      {kBox, {199, 149}, GRIP_BOTTOM_RIGHT},
      {kBox, {200, 120}, GRIP_NONE},
      {kBox, {150, 150}, GRIP_NONE},
      {kBox, {99, 120}, GRIP_NONE},
      {kBox, {150, 99}, GRIP_NONE},
      // Exactly one margin from an edge is no longer near it.
      {kBox, {192, 120}, GRIP_MOVE},
      {kBox, {193, 120}, GRIP_RIGHT},
      {kBox, {108, 120}, GRIP_MOVE},
      {kBox, {107, 120}, GRIP_LEFT},
      // Narrower than two margins: every point is near both sides, so no corner.
      {{100, 100, 110, 150}, {105, 145}, GRIP_BOTTOM},
      {{100, 100, 110, 150}, {105, 120}, GRIP_RIGHT},
      {{100, 100, 200, 110}, {195, 105}, GRIP_BOTTOM},
      {{100, 100, 101, 101}, {100, 100}, GRIP_BOTTOM},
      // Empty and inverted rectangles hold no point.
      {{100, 100, 100, 150}, {100, 120}, GRIP_NONE},
      {{200, 150, 100, 100}, {150, 120}, GRIP_NONE},
      // The extremes of the coordinate range do not overflow.
      {{kMin, kMin, kMax, kMax}, {0, 0}, GRIP_MOVE},
      {{kMin, kMin, kMax, kMax}, {kMax - 1, 0}, GRIP_RIGHT},
      {{kMin, kMin, kMax, kMax}, {kMin, kMin}, GRIP_TOP_LEFT},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(HitZone(c.rect, c.point, kGripMargin), c.zone)
        << Of(c.rect) << " at (" << c.point.x << ", " << c.point.y << ")";
  }
}

TEST(GripZone, CursorOfEachZone) {
  const int expected[] = {0,
                          kCursorSizeAll,
                          kCursorSizeWE,
                          kCursorSizeWE,
                          kCursorSizeNS,
                          kCursorSizeNS,
                          kCursorSizeNWSE,
                          kCursorSizeNESW,
                          kCursorSizeNESW,
                          kCursorSizeNWSE};
  for (int zone = 0; zone <= 9; ++zone) EXPECT_EQ(GripZoneCursor(zone), expected[zone]) << zone;
  EXPECT_EQ(GripZoneCursor(10), 0);
  EXPECT_EQ(GripZoneCursor(-1), 0);
  EXPECT_EQ(kCursorSizeAll, 32646);
  EXPECT_EQ(kCursorHand, 32649);
}

TEST(GripZone, DraggingEachGripWithItsClamps) {
  struct Case {
    const char* what;
    int zone;
    int64_t dx, dy;
    Rect expected;
  };
  const Case cases[] = {
      {"move", GRIP_MOVE, 10, -5, {110, 95, 210, 145}},
      {"move far off", GRIP_MOVE, -500, 400, {-400, 500, -300, 550}},
      {"right out", GRIP_RIGHT, 20, 99, {100, 100, 220, 150}},
      {"right in", GRIP_RIGHT, -99, 0, {100, 100, 101, 150}},
      {"right onto the left edge keeps 1", GRIP_RIGHT, -100, 0, {100, 100, 101, 150}},
      {"right across the left edge", GRIP_RIGHT, -150, 0, {100, 100, 102, 150}},
      {"left out", GRIP_LEFT, -30, 99, {70, 100, 200, 150}},
      {"left in", GRIP_LEFT, 99, 0, {199, 100, 200, 150}},
      {"left onto the right edge keeps 1", GRIP_LEFT, 100, 0, {199, 100, 200, 150}},
      {"left across the right edge", GRIP_LEFT, 150, 0, {198, 100, 200, 150}},
      {"top out", GRIP_TOP, 99, -20, {100, 80, 200, 150}},
      {"top in", GRIP_TOP, 0, 49, {100, 149, 200, 150}},
      {"top onto the bottom edge", GRIP_TOP, 0, 50, {100, 148, 200, 150}},
      {"top across the bottom edge", GRIP_TOP, 0, 80, {100, 148, 200, 150}},
      {"bottom out", GRIP_BOTTOM, 99, 20, {100, 100, 200, 170}},
      {"bottom in", GRIP_BOTTOM, 0, -49, {100, 100, 200, 101}},
      {"bottom onto the top edge", GRIP_BOTTOM, 0, -50, {100, 100, 200, 102}},
      {"bottom across the top edge", GRIP_BOTTOM, 0, -80, {100, 100, 200, 102}},
      {"bottom-right", GRIP_BOTTOM_RIGHT, 10, 20, {100, 100, 210, 170}},
      {"bottom-left", GRIP_BOTTOM_LEFT, 150, -80, {198, 100, 200, 102}},
      {"top-right", GRIP_TOP_RIGHT, -150, 80, {100, 148, 102, 150}},
      {"top-left", GRIP_TOP_LEFT, -10, -20, {90, 80, 200, 150}},
      {"no grip", GRIP_NONE, 10, 10, {100, 100, 200, 150}},
      {"unknown grip", 10, 10, 10, {100, 100, 200, 150}},
      {"moves beyond the range are held",
       GRIP_MOVE,
       int64_t{1} << 40,
       -(int64_t{1} << 40),
       {kMax, kMin, kMax, kMin}},
      {"a huge delta from a mouse at the range's end",
       GRIP_RIGHT,
       int64_t{kMax} - kMin,
       0,
       {100, 100, kMax, 150}},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Of(DragRect(kBox, c.zone, c.dx, c.dy)), c.expected) << c.what;
  }
}

}  // namespace
