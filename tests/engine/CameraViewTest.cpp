// The camera's digital zoom and pan: the part of the picture that is shown.
#include "engine/elements/CameraView.h"

#include <gtest/gtest.h>

#include <ostream>

namespace {

struct Rect {
  LONG left, top, right, bottom;
  bool operator==(const Rect& o) const {
    return left == o.left && top == o.top && right == o.right && bottom == o.bottom;
  }
};
std::ostream& operator<<(std::ostream& os, const Rect& r) {
  return os << "(" << r.left << ", " << r.top << ", " << r.right << ", " << r.bottom << ")";
}

TEST(CameraView, ZoomAndPanRectangles) {
  struct Case {
    int width, height, zoom, panX, panY;
    Rect shown;
  };
  const Case cases[] = {
      {320, 240, 100, 0, 0, {0, 0, 320, 240}},
      {320, 240, 100, 100, -100, {0, 0, 320, 240}},  // nothing to pan at full view
      {320, 240, 200, 0, 0, {80, 60, 240, 180}},
      {320, 240, 200, 100, 0, {0, 60, 160, 180}},
      {320, 240, 200, -100, 0, {160, 60, 320, 180}},
      {320, 240, 200, 0, 100, {80, 0, 240, 120}},
      {320, 240, 200, 50, -50, {40, 90, 200, 210}},
      {320, 240, 400, 0, 0, {120, 90, 200, 150}},
      {320, 240, 400, -100, -100, {240, 180, 320, 240}},
      {320, 240, 300, 0, 0, {107, 80, 213, 160}},  // truncating divisions
      {640, 480, 150, 33, -77, {72, 141, 498, 461}},
      // Out-of-range values act as their limits.
      {320, 240, 50, 0, 0, {0, 0, 320, 240}},
      {320, 240, 1000, 300, -300, {0, 180, 80, 240}},
      {1, 1, 400, 0, 0, {0, 0, 0, 0}},
  };
  for (const Case& c : cases) {
    const RECT r = CameraViewRect(c.width, c.height, c.zoom, c.panX, c.panY);
    EXPECT_EQ((Rect{r.left, r.top, r.right, r.bottom}), c.shown)
        << c.width << "x" << c.height << " zoom " << c.zoom << " pan " << c.panX << "," << c.panY;
  }
}

}  // namespace
