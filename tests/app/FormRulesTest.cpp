// Rules of the preview box, the preview window and the options dialog: docking to a side
// of the main window, preview points in output pixels, the sizes of the size list and the
// position slider's hint.
#include <gtest/gtest.h>

#include "app/FormRules.h"

namespace {

// The main window of the cases: 200 x 300 at (500, 400).
const TRect kMain(500, 400, 700, 700);

// A box of 100 x 80 with its top-left corner at (x, y).
TRect Box(int x, int y) { return TRect(x, y, x + 100, y + 80); }

}  // namespace

TEST(FormRules, BoxDocksToASideWithinTheSnapDistance) {
  struct Case {
    const char* what;
    TRect box;
    TMagnetSide side;
    int offset;
  };
  const Case cases[] = {
      // Left side: the box's right edge near the main window's left edge.
      {"right edge 9 left of the main window", Box(500 - 9 - 100, 450), msLeft, 50},
      {"right edge 10 left of it: too far", Box(500 - 10 - 100, 450), msNone, 0},
      {"right edge 9 into it", Box(500 + 9 - 100, 450), msLeft, 50},
      {"touching", Box(400, 420), msLeft, 20},
      {"heights overlap at one end only", Box(400, 700), msLeft, 300},
      {"box below the main window's bottom", Box(400, 720), msNone, 0},
      {"box ends at the main window's top", Box(400, 320), msLeft, -80},
      {"box above the main window", Box(400, 300), msNone, 0},
      // Right side.
      {"left edge 9 right of the main window", Box(709, 450), msRight, 50},
      {"left edge 10 right of it", Box(710, 450), msNone, 0},
      {"left edge on the right edge, above the top", Box(700, 330), msRight, -70},
      // Above and below.
      {"bottom edge 5 above the top", Box(520, 400 - 80 - 5), msAbove, 20},
      {"bottom edge 10 above the top", Box(520, 400 - 80 - 10), msNone, 0},
      {"top edge 3 below the bottom", Box(450, 703), msBelow, -50},
      {"widths overlap at the right end only", Box(700, 705), msBelow, 200},
      {"beside the bottom-right corner", Box(701, 705), msNone, 0},
      // Off a corner, touching it: the side whose range the box touches.
      {"just off the bottom-left corner", Box(400, 701), msBelow, -100},
      {"just off the top-left corner", Box(400, 319), msAbove, -100},
      {"far away", Box(0, 0), msNone, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const TMagnetDock dock = FindMagnetDock(c.box, kMain, 10);
    EXPECT_EQ(c.side, dock.Side);
    if (c.side != msNone) {
      EXPECT_EQ(c.offset, dock.Offset);
    }
  }
  // Near two edges of a narrow main window: the left side is tried before the right, the
  // right before above.
  const TRect narrowMain(500, 400, 505, 700);
  EXPECT_EQ(msLeft, FindMagnetDock(TRect(400, 450, 502, 530), narrowMain, 10).Side);
  EXPECT_EQ(msRight, FindMagnetDock(TRect(503, 330, 603, 405), narrowMain, 10).Side);
}

TEST(FormRules, DockedBoxSitsOnItsSideAtItsOffset) {
  struct Case {
    TMagnetSide side;
    int offset;
    TPoint expected;
  };
  const Case cases[] = {
      {msAbove, 20, TPoint(520, 320)},   // left + offset, top - box height
      {msRight, -30, TPoint(700, 370)},  // right, top + offset
      {msBelow, 0, TPoint(500, 700)},    // left + offset, bottom
      {msLeft, 50, TPoint(400, 450)},    // left - box width, top + offset
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.side);
    const TPoint p = MagnetPlace(c.side, c.offset, 100, 80, kMain);
    EXPECT_EQ(c.expected.X, p.X);
    EXPECT_EQ(c.expected.Y, p.Y);
    // Placed there, the box docks to the same side at the same offset again.
    const TMagnetDock dock = FindMagnetDock(TRect(p.X, p.Y, p.X + 100, p.Y + 80), kMain, 10);
    EXPECT_EQ(c.side, dock.Side);
    EXPECT_EQ(c.offset, dock.Offset);
  }
}

TEST(FormRules, StoredDockingAndSizesAreCheckedBeforeUse) {
  struct Case {
    int side, offset;
    TMagnetSide expectedSide;
    int expectedOffset;
  };
  const Case cases[] = {
      {0, 20, msAbove, 20},       {3, -40, msLeft, -40},   {1, 0, msRight, 0},
      {-1, 50, msNone, 0},        {4, 50, msNone, 0},      {-2147483647 - 1, 0, msNone, 0},
      {2, 2147483647, msBelow, 32767}, {2, -2147483647 - 1, msBelow, -32768},
  };
  for (const Case& c : cases) {
    const TMagnetDock dock = StoredMagnetDock(c.side, c.offset);
    EXPECT_EQ(c.expectedSide, dock.Side) << c.side;
    EXPECT_EQ(c.expectedOffset, dock.Offset) << c.side << " " << c.offset;
  }
  // The largest offset placed on any side stays far from overflowing.
  const TRect main(-30000, -30000, 30000, 30000);
  EXPECT_EQ(-30000 + 32767, MagnetPlace(msBelow, 32767, 100, 80, main).X);

  struct SizeCase {
    int value, expected;
  };
  const SizeCase sizes[] = {{320, 320}, {1, 1}, {8192, 8192}, {0, 270}, {-5, 270}, {8193, 270}, {2147483647, 270}};
  for (const SizeCase& c : sizes) EXPECT_EQ(c.expected, StoredBoxSize(c.value, 270)) << c.value;
}

TEST(FormRules, PreviewPointsAreScaledToOutputPixels) {
  struct Case {
    int value, output, client, expected;
  };
  const Case cases[] = {
      {160, 640, 320, 320},   // a 320-wide preview of a 640-wide output
      {120, 480, 240, 240},
      {319, 640, 320, 638},
      {100, 176, 320, 55},    // 55.0
      {101, 176, 320, 55},    // 55.55: towards zero
      {-5, 640, 320, -10},    // captured moves left of the window
      {-3, 176, 320, -1},     // -1.65: towards zero
      {77, 640, 0, 77},       // no client area: unscaled
      {32767, 640, 1, 20970880},  // no overflow on the way
  };
  for (const Case& c : cases)
    EXPECT_EQ(c.expected, ScalePreviewCoordinate(c.value, c.output, c.client))
        << c.value << " " << c.output << " " << c.client;
}

TEST(FormRules, AWindowIsKeptInsideTheWorkArea) {
  const TRect area(0, 0, 1024, 738);
  const struct {
    const char* what;
    TRect window;
    TRect kept;
  } cases[] = {
      {"inside", TRect(100, 50, 584, 630), TRect(100, 50, 584, 630)},
      {"filling it exactly", area, area},
      {"left of it", TRect(-2000, 50, -1516, 630), TRect(0, 50, 484, 630)},
      {"right of it (a removed second monitor)", TRect(1500, 100, 1984, 680), TRect(540, 100, 1024, 680)},
      {"above it", TRect(100, -700, 584, -120), TRect(100, 0, 584, 580)},
      {"below it", TRect(100, 5000, 584, 5580), TRect(100, 158, 584, 738)},
      {"half out at the bottom right", TRect(900, 600, 1384, 1180), TRect(540, 158, 1024, 738)},
      {"larger than it", TRect(-50, -50, 1200, 900), area},
      {"far out, any integer", TRect(2147483000, -2147483000, 2147483100, -2147482900), TRect(924, 0, 1024, 100)},
  };
  for (const auto& c : cases) EXPECT_EQ(c.kept, KeepInsideArea(c.window, area)) << c.what;
  // An area away from the origin (a monitor left of the main one).
  EXPECT_EQ(TRect(-1280, 0, -796, 580), KeepInsideArea(TRect(-3000, -10, -2516, 570), TRect(-1280, 0, 0, 1024)));
}

TEST(FormRules, SizeListItemsGiveTheirOutputSizes) {
  struct Case {
    int index, width, height;
  };
  const Case cases[] = {{0, 176, 144}, {1, 320, 240}, {2, 352, 288}, {3, 640, 480},
                        {-1, 320, 240}, {4, 320, 240}, {1000, 320, 240}};
  for (const Case& c : cases) {
    const TSize size = WebcamSourceSizeOf(c.index);
    EXPECT_EQ(c.width, size.cx) << c.index;
    EXPECT_EQ(c.height, size.cy) << c.index;
  }
}

TEST(FormRules, SliderHintShowsPositionAndLength) {
  EXPECT_EQ("   00:00 / 00:00", MediaSliderHint(0, 0));
  EXPECT_EQ("   00:01 / 01:00", MediaSliderHint(1999, 60000));
  EXPECT_EQ("   59:59 / 01:00:00", MediaSliderHint(3599999, 3600000));
}
