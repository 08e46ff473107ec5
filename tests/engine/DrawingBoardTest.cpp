// The drawing board: pen, eraser and fill strokes driven through its mouse input, leaving
// exact pixels; undo and redo; resizing with the output; its properties and cursors; and
// a saved board coming back as a picture. The board sets the mouse cursor, so these tests
// hold the display.
#include "engine/elements/DrawingBoard.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "EngineTestSupport.h"
#include "engine/base/PackageFile.h"
#include "engine/base/SystemUtils.h"
#include "engine/effects/Effect.h"
#include "engine/effects/PropertyIds.h"
#include "engine/elements/ImageSource.h"

namespace {

using test_support::Bgra;
using test_support::FakeEffectHost;
using test_support::PixelAt;
using ::testing::ElementsAre;

struct ElementDeleter {
  void operator()(IFrameElement* e) const { e->Release(); }
};
using BoardPtr = std::unique_ptr<CDrawingBoard, ElementDeleter>;

constexpr int kWidth = 40;
constexpr int kHeight = 32;
constexpr int32_t kRed = 0x0000FF;    // colour reference of pure red
constexpr int32_t kGreen = 0x00FF00;  // pure green
const Bgra kClear = {0, 0, 0, 0};
const Bgra kRedPixel = {0, 0, 255, 255};
const Bgra kGreenPixel = {0, 255, 0, 255};

BoardPtr MakeBoard(int width = kWidth, int height = kHeight) {
  BoardPtr board(new CDrawingBoard());
  EXPECT_EQ(board->SetFrameSize(width, height), S_OK);
  return board;
}

std::string Get(IFrameElement& e, int32_t id) {
  std::string value = "unset";
  EXPECT_EQ(e.GetProperty(id, value), S_OK) << id;
  return value;
}

void Set(IFrameElement& e, int32_t id, const std::string& value) {
  EXPECT_EQ(e.SetProperty(id, value), S_OK) << id;
}

void Put(CDibSurface& s, int x, int y, const Bgra& c) {
  BYTE* p = test_support::At(s, x, y);
  for (int i = 0; i < 4; ++i) p[i] = BYTE(c[i]);
}

// Presses the left button at the first point, moves through the others and releases at
// the last.
void Stroke(IFrameElement& e, const std::vector<POINT>& points) {
  ASSERT_FALSE(points.empty());
  e.MouseInput(WM_LBUTTONDOWN, points.front().x, points.front().y);
  for (size_t i = 1; i < points.size(); ++i) e.MouseInput(WM_MOUSEMOVE, points[i].x, points[i].y);
  e.MouseInput(WM_LBUTTONUP, points.back().x, points.back().y);
}

// Every pixel of the board: `inside(x, y)` ones are `paint`, all others `rest`; an
// expectation of kAny is not checked.
const Bgra kAny = {-1, -1, -1, -1};
template <typename Inside>
void ExpectPixels(CDibSurface& s, Inside inside, const Bgra& paint, const Bgra& rest,
                  const char* what) {
  int wrong = 0;
  for (int y = 0; y < s.GetHeight(); ++y) {
    for (int x = 0; x < s.GetWidth(); ++x) {
      const Bgra expected = inside(x, y) ? paint : rest;
      if (expected == kAny) continue;
      if (PixelAt(s, x, y) != expected && ++wrong <= 5) {
        ADD_FAILURE() << what << ": pixel " << x << "," << y;
      }
    }
  }
  EXPECT_EQ(wrong, 0) << what;
}

std::vector<uint8_t> PixelsOf(CDibSurface& s) {
  return std::vector<uint8_t>(s.GetBits(), s.GetBits() + s.GetBitsSize());
}

TEST(DrawingBoard, NewBoardHasItsDefaultsAndNoPictureYet) {
  BoardPtr board(new CDrawingBoard());
  EXPECT_EQ(Get(*board, PROP_BOARD_COLOR), std::to_string(0xFFFF00));
  EXPECT_EQ(Get(*board, PROP_BOARD_TOOL), "0");
  EXPECT_EQ(Get(*board, PROP_BOARD_PEN_SIZE), "2");
  EXPECT_EQ(Get(*board, PROP_BOARD_CLEAR), "1");
  EXPECT_EQ(Get(*board, PROP_BOARD_UNDO), "0");
  EXPECT_EQ(Get(*board, PROP_BOARD_REDO), "0");
  int32_t w = -1, h = -1;
  EXPECT_EQ(board->GetSize(&w, &h), S_OK);
  EXPECT_EQ(w, 0);
  EXPECT_EQ(h, 0);
  CFrameLock lock;
  EXPECT_EQ(board->LockFrame(nullptr, &lock), S_OK);
  EXPECT_EQ(lock.picture, nullptr);
  // Without a picture the mouse draws nothing and nothing breaks.
  Stroke(*board, {{1, 1}, {5, 5}});
  Set(*board, PROP_BOARD_CLEAR, "1");
  Set(*board, PROP_BOARD_UNDO, "1");
  CPackageFile package(kEffectFileTag);
  EXPECT_EQ(board->Save(&package), E_FAIL);
  EXPECT_TRUE(package.GetItems().empty());
  // The board cannot be loaded or opened.
  EXPECT_EQ(board->Load(&package), E_FAIL);
  EXPECT_EQ(board->Open("picture.png"), E_FAIL);
  EXPECT_FALSE(board->IsFilter());
  EXPECT_EQ(board->Render(nullptr, RECT{0, 0, 1, 1}), E_FAIL);
}

TEST(DrawingBoard, FirstFrameSizeMakesATransparentBoardOfThatSize) {
  BoardPtr board = MakeBoard();
  CFrameLock lock;
  ASSERT_EQ(board->LockFrame(nullptr, &lock), S_OK);
  ASSERT_EQ(lock.picture, &board->GetBoard());
  EXPECT_EQ(lock.picture->GetWidth(), kWidth);
  EXPECT_EQ(lock.picture->GetHeight(), kHeight);
  EXPECT_EQ(lock.picture->GetBitsPerPixel(), 32);
  EXPECT_TRUE(lock.source.right == 0 && lock.source.bottom == 0) << "the whole picture";
  ExpectPixels(
      *lock.picture, [](int, int) { return false; }, kClear, kClear, "new board");
  // The same size again keeps the drawing.
  Put(board->GetBoard(), 3, 3, kRedPixel);
  EXPECT_EQ(board->SetFrameSize(kWidth, kHeight), S_OK);
  EXPECT_EQ(PixelAt(board->GetBoard(), 3, 3), kRedPixel);
  EXPECT_EQ(board->SetFrameSize(0, 10), E_FAIL);
  EXPECT_EQ(board->GetBoard().GetWidth(), kWidth);
}

TEST(DrawingBoard, PenOfSizeZeroDrawsOnePixelLinesUpToTheLastPoint) {
  BoardPtr board = MakeBoard();
  Set(*board, PROP_BOARD_COLOR, std::to_string(kRed));
  Set(*board, PROP_BOARD_PEN_SIZE, "0");
  Stroke(*board, {{10, 12}, {20, 12}, {20, 20}});
  // The line ends before each point it goes to, as GDI draws lines.
  ExpectPixels(
      board->GetBoard(),
      [](int x, int y) {
        return (y == 12 && x >= 10 && x <= 20) || (x == 20 && y >= 12 && y < 20);
      },
      kRedPixel, kClear, "pen size 0");
}

TEST(DrawingBoard, PenDrawsOpaqueLinesAsWideAsTwoToThePenSize) {
  for (int size : {1, 2, 3}) {
    BoardPtr board = MakeBoard();
    Set(*board, PROP_BOARD_COLOR, std::to_string(kRed));
    Set(*board, PROP_BOARD_PEN_SIZE, std::to_string(size));
    Stroke(*board, {{8, 16}, {32, 16}});
    CDibSurface& s = board->GetBoard();
    // Across the middle of the line exactly 1 << size rows are painted, around its row.
    int painted = 0;
    for (int y = 0; y < kHeight; ++y) {
      const Bgra p = PixelAt(s, 20, y);
      if (p != kClear) {
        EXPECT_EQ(p, kRedPixel) << "size " << size << " row " << y;
        ++painted;
      }
    }
    EXPECT_EQ(painted, 1 << size) << "size " << size;
    EXPECT_EQ(PixelAt(s, 20, 16), kRedPixel) << "size " << size;
    // Nothing beyond the pen's reach.
    const int reach = 1 << size;
    ExpectPixels(
        s,
        [&](int x, int y) {
          return x >= 8 - reach && x <= 32 + reach && std::abs(y - 16) <= reach;
        },
        kAny, kClear, "outside the pen's reach");
  }
}

TEST(DrawingBoard, PenKeepsTheAlphaOfEverythingItDoesNotTouch) {
  BoardPtr board = MakeBoard();
  CDibSurface& s = board->GetBoard();
  Put(s, 2, 2, Bgra{10, 20, 30, 255});
  Put(s, 3, 2, Bgra{10, 20, 30, 100});
  Put(s, 4, 2, Bgra{10, 20, 30, 0});
  // A stroke crossing an opaque green pixel paints it opaque red as well.
  Put(s, 15, 10, kGreenPixel);
  Set(*board, PROP_BOARD_COLOR, std::to_string(kRed));
  Set(*board, PROP_BOARD_PEN_SIZE, "0");
  Stroke(*board, {{10, 10}, {20, 10}});
  EXPECT_EQ(PixelAt(s, 2, 2), (Bgra{10, 20, 30, 255}));
  EXPECT_EQ(PixelAt(s, 3, 2), (Bgra{10, 20, 30, 100}));
  EXPECT_EQ(PixelAt(s, 4, 2), (Bgra{10, 20, 30, 0}));
  EXPECT_EQ(PixelAt(s, 15, 10), kRedPixel);
  EXPECT_EQ(PixelAt(s, 12, 10), kRedPixel);
  EXPECT_EQ(PixelAt(s, 12, 11), kClear);
}

TEST(DrawingBoard, EraserClearsSquaresAroundEveryPointOfTheStroke) {
  struct Case {
    int size;
    POINT from, to;
    int left, top, right, bottom;  // the cleared pixels, inclusive
  };
  for (const Case& c :
       {// Size 2: squares of 9 x 9 around (20, 20) .. (23, 20).
        Case{2, {20, 20}, {24, 20}, 16, 16, 27, 24},
        // Size 0: single pixels.
        Case{0, {20, 20}, {24, 20}, 20, 20, 23, 20}, Case{0, {5, 7}, {5, 10}, 5, 7, 5, 9},
        // Size 1: squares of 5 x 5, clipped to the board at its corner.
        Case{1, {1, 1}, {0, 0}, 0, 0, 3, 3},
        Case{3,
             {kWidth - 1, kHeight - 1},
             {kWidth + 5, kHeight - 1},
             kWidth - 9,
             kHeight - 9,
             kWidth - 1,
             kHeight - 1}}) {
    BoardPtr board = MakeBoard();
    test_support::Fill(board->GetBoard(), kGreenPixel);
    Set(*board, PROP_BOARD_TOOL, "1");
    Set(*board, PROP_BOARD_PEN_SIZE, std::to_string(c.size));
    Stroke(*board, {c.from, c.to});
    ExpectPixels(
        board->GetBoard(),
        [&](int x, int y) { return x >= c.left && x <= c.right && y >= c.top && y <= c.bottom; },
        kClear, kGreenPixel, ("eraser size " + std::to_string(c.size)).c_str());
  }
}

TEST(DrawingBoard, FillPaintsTheFourConnectedAreaOfTheColourAtThePoint) {
  BoardPtr board = MakeBoard();
  CDibSurface& s = board->GetBoard();
  // A red box (6, 6) .. (16, 16); its inside holds an opaque black pixel, and a green pixel
  // sits diagonally outside a corner with a gap of one pixel.
  auto onBox = [](int x, int y) {
    return (x >= 6 && x <= 16 && (y == 6 || y == 16)) || (y >= 6 && y <= 16 && (x == 6 || x == 16));
  };
  for (int y = 0; y < kHeight; ++y)
    for (int x = 0; x < kWidth; ++x)
      if (onBox(x, y)) Put(s, x, y, kRedPixel);
  Put(s, 10, 10, Bgra{0, 0, 0, 255});
  Set(*board, PROP_BOARD_TOOL, "2");
  Set(*board, PROP_BOARD_COLOR, std::to_string(kGreen));
  Stroke(*board, {{8, 8}});
  // The transparent inside and the opaque black pixel: the colour is black for both.
  ExpectPixels(
      s, [&](int x, int y) { return x > 6 && x < 16 && y > 6 && y < 16; }, kGreenPixel, kAny,
      "inside");
  ExpectPixels(s, onBox, kRedPixel, kAny, "the box");
  ExpectPixels(
      s, [](int x, int y) { return x < 6 || y < 6 || x > 16 || y > 16; }, kClear, kAny,
      "outside the box");

  // Filling the box itself reaches all of its edge, and no further.
  Set(*board, PROP_BOARD_COLOR, std::to_string(0x123456));
  Stroke(*board, {{16, 16}});
  const Bgra blue = test_support::FromColourRef(0x123456, 255);
  ExpectPixels(
      s, [&](int x, int y) { return onBox(x, y); }, blue, kAny, "box");
  EXPECT_EQ(PixelAt(s, 10, 10), kGreenPixel);
  EXPECT_EQ(PixelAt(s, 0, 0), kClear);
}

TEST(DrawingBoard, FillDoesNotCrossDiagonalGaps) {
  BoardPtr board = MakeBoard(8, 8);
  CDibSurface& s = board->GetBoard();
  // A diagonal wall from (0, 3) to (3, 0) cuts off the corner.
  for (int i = 0; i < 4; ++i) Put(s, i, 3 - i, kRedPixel);
  Set(*board, PROP_BOARD_TOOL, "2");
  Set(*board, PROP_BOARD_COLOR, std::to_string(kGreen));
  Stroke(*board, {{0, 0}});
  ExpectPixels(
      s, [](int x, int y) { return x + y < 3; }, kGreenPixel, kAny, "corner");
  EXPECT_EQ(PixelAt(s, 3, 3), kClear);
}

TEST(DrawingBoard, FillInTheColourAlreadyThereMakesItOpaqueAndEnds) {
  BoardPtr board = MakeBoard(8, 8);
  CDibSurface& s = board->GetBoard();
  // Half of the board black and transparent, the rest red at half alpha.
  for (int y = 0; y < 8; ++y)
    for (int x = 4; x < 8; ++x) Put(s, x, y, Bgra{0, 0, 255, 128});
  Set(*board, PROP_BOARD_TOOL, "2");
  Set(*board, PROP_BOARD_COLOR, std::to_string(kRed));
  Stroke(*board, {{5, 5}});
  ExpectPixels(
      s, [](int x, int) { return x >= 4; }, kRedPixel, kClear, "red half");
  // A release outside the board fills nothing.
  Stroke(*board, {{-1, 3}});
  Stroke(*board, {{8, 3}});
  ExpectPixels(
      s, [](int x, int) { return x >= 4; }, kRedPixel, kClear, "after clicks outside");
}

TEST(DrawingBoard, AStrokeKeepsTheToolItStartedWith) {
  BoardPtr board = MakeBoard(8, 8);
  Set(*board, PROP_BOARD_COLOR, std::to_string(kRed));
  Set(*board, PROP_BOARD_PEN_SIZE, "0");
  // Started as a fill, released as a pen: the fill happens.
  Set(*board, PROP_BOARD_TOOL, "2");
  board->MouseInput(WM_LBUTTONDOWN, 1, 1);
  Set(*board, PROP_BOARD_TOOL, "0");
  board->MouseInput(WM_MOUSEMOVE, 6, 1);
  EXPECT_EQ(PixelAt(board->GetBoard(), 3, 1), kClear) << "no pen line";
  board->MouseInput(WM_LBUTTONUP, 6, 1);
  EXPECT_FALSE(board->IsDrawing());
  ExpectPixels(
      board->GetBoard(), [](int, int) { return true; }, kRedPixel, kRedPixel, "filled");

  // Started as a pen, released as a fill: no fill.
  BoardPtr other = MakeBoard(8, 8);
  Set(*other, PROP_BOARD_COLOR, std::to_string(kRed));
  other->MouseInput(WM_LBUTTONDOWN, 1, 1);
  Set(*other, PROP_BOARD_TOOL, "2");
  other->MouseInput(WM_LBUTTONUP, 1, 1);
  EXPECT_EQ(PixelAt(other->GetBoard(), 5, 5), kClear);
  // Moves without the button pressed draw nothing.
  other->MouseInput(WM_MOUSEMOVE, 1, 1);
  Set(*other, PROP_BOARD_TOOL, "0");
  other->MouseInput(WM_MOUSEMOVE, 6, 6);
  ExpectPixels(
      other->GetBoard(), [](int, int) { return false; }, kClear, kClear, "untouched");
}

TEST(DrawingBoard, OtherToolsDrawNothingAndKeepNoUndoState) {
  BoardPtr board = MakeBoard(8, 8);
  Set(*board, PROP_BOARD_TOOL, "9");
  EXPECT_EQ(Get(*board, PROP_BOARD_TOOL), "9");
  Stroke(*board, {{1, 1}, {6, 6}});
  ExpectPixels(
      board->GetBoard(), [](int, int) { return false; }, kClear, kClear, "tool 9");
  EXPECT_EQ(Get(*board, PROP_BOARD_UNDO), "0");
  EXPECT_EQ(board->MouseInput(WM_RBUTTONDOWN, 1, 1), S_OK);
}

// The pen size reads back as it was set; the pen is 1 << (size mod 32) pixels wide, as far as
// that reaches on the board, and the eraser's squares follow the same reading.
TEST(DrawingBoard, PenSizeReadsBackAsSetAndWidensThePenModuloThirtyTwo) {
  BoardPtr board = MakeBoard();
  struct Setting {
    const char* written;
    const char* readBack;
  };
  for (const Setting& c :
       {Setting{"3", "3"}, Setting{"0", "0"}, Setting{"6", "6"}, Setting{"32", "32"},
        Setting{"2147483647", "2147483647"}, Setting{"-1", "-1"},
        Setting{"-2147483648", "-2147483648"}, Setting{"big", "0"}}) {
    Set(*board, PROP_BOARD_PEN_SIZE, c.written);
    EXPECT_EQ(Get(*board, PROP_BOARD_PEN_SIZE), c.readBack) << c.written;
  }

  struct Case {
    int size;
    int painted;  // rows painted across the line at x = 20
    int erased;   // side of the square the eraser clears around a point
  };
  const Case cases[] = {{32, 1, 1},      {33, 2, 5},       {36, 16, 33},
                        {4, 16, 33},     {31, kHeight, 0}, {-1, kHeight, 0},
                        {INT32_MAX, kHeight, 0}, {-32, 1, 1}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.size);
    BoardPtr pen = MakeBoard();
    Set(*pen, PROP_BOARD_COLOR, std::to_string(kRed));
    Set(*pen, PROP_BOARD_PEN_SIZE, std::to_string(c.size));
    Stroke(*pen, {{8, 16}, {32, 16}});
    int painted = 0;
    for (int y = 0; y < kHeight; ++y) painted += PixelAt(pen->GetBoard(), 20, y) == kRedPixel;
    EXPECT_EQ(painted, c.painted);

    BoardPtr eraser = MakeBoard();
    test_support::Fill(eraser->GetBoard(), kGreenPixel);
    Set(*eraser, PROP_BOARD_TOOL, "1");
    Set(*eraser, PROP_BOARD_PEN_SIZE, std::to_string(c.size));
    Stroke(*eraser, {{20, 16}, {21, 16}});
    const int r = c.erased / 2;
    ExpectPixels(
        eraser->GetBoard(),
        [&](int x, int y) { return c.erased == 0 || (std::abs(x - 20) <= r && std::abs(y - 16) <= r); },
        kClear, kGreenPixel, "erased square");
  }
}

TEST(DrawingBoard, ColourIsTakenAsGiven) {
  BoardPtr board = MakeBoard(8, 8);
  Set(*board, PROP_BOARD_COLOR, "-1");
  EXPECT_EQ(Get(*board, PROP_BOARD_COLOR), "-1");
  // Only blue, green and red of the value are drawn.
  Set(*board, PROP_BOARD_COLOR, std::to_string(0x7F0000FF));
  Set(*board, PROP_BOARD_TOOL, "2");
  Stroke(*board, {{2, 2}});
  EXPECT_EQ(PixelAt(board->GetBoard(), 2, 2), kRedPixel);
}

TEST(DrawingBoard, UndoAndRedoExchangeTheBoardWithTheBackup) {
  FakeEffectHost host;
  CEffect effect;
  effect.SetHost(&host);
  effect.SetId(-3);
  ASSERT_EQ(effect.SetProperty(PROP_SOURCE_TYPE, "19"), S_OK);
  auto* board = dynamic_cast<CDrawingBoard*>(effect.GetSourceProxy().GetElement());
  ASSERT_NE(board, nullptr);
  ASSERT_EQ(board->SetFrameSize(16, 16), S_OK);
  Set(*board, PROP_BOARD_PEN_SIZE, "0");
  Set(*board, PROP_BOARD_COLOR, std::to_string(kRed));

  Stroke(*board, {{0, 2}, {16, 2}});
  const std::vector<uint8_t> first = PixelsOf(board->GetBoard());
  host.notifications.clear();
  Set(*board, PROP_BOARD_COLOR, std::to_string(kGreen));
  Stroke(*board, {{0, 9}, {16, 9}});
  const std::vector<uint8_t> second = PixelsOf(board->GetBoard());
  EXPECT_NE(first, second);
  EXPECT_EQ(Get(*board, PROP_BOARD_UNDO), "1");
  EXPECT_EQ(Get(*board, PROP_BOARD_REDO), "0");

  host.notifications.clear();
  Set(*board, PROP_BOARD_UNDO, "1");
  EXPECT_EQ(PixelsOf(board->GetBoard()), first);
  EXPECT_EQ(Get(*board, PROP_BOARD_UNDO), "0");
  EXPECT_EQ(Get(*board, PROP_BOARD_REDO), "1");
  EXPECT_THAT(host.PropertiesOf(-3), ElementsAre(PROP_BOARD_UNDO, PROP_BOARD_REDO));

  Set(*board, PROP_BOARD_REDO, "1");
  EXPECT_EQ(PixelsOf(board->GetBoard()), second);
  EXPECT_EQ(Get(*board, PROP_BOARD_UNDO), "1");
  EXPECT_EQ(Get(*board, PROP_BOARD_REDO), "0");

  // Undo twice without a new stroke exchanges the pictures again.
  Set(*board, PROP_BOARD_UNDO, "1");
  Set(*board, PROP_BOARD_UNDO, "1");
  EXPECT_EQ(PixelsOf(board->GetBoard()), second);

  // A new stroke keeps the state before it, and redo is gone.
  Set(*board, PROP_BOARD_REDO, "1");
  Stroke(*board, {{3, 0}, {3, 16}});
  EXPECT_EQ(Get(*board, PROP_BOARD_REDO), "0");
  Set(*board, PROP_BOARD_UNDO, "1");
  EXPECT_EQ(PixelsOf(board->GetBoard()), first) << "the state before the last stroke";
}

TEST(DrawingBoard, AClickWithoutMovementDrawsNothingButCanBeUndone) {
  FakeEffectHost host;
  CEffect effect;
  effect.SetHost(&host);
  effect.SetId(-3);
  effect.SetProperty(PROP_SOURCE_TYPE, "19");
  auto* board = dynamic_cast<CDrawingBoard*>(effect.GetSourceProxy().GetElement());
  ASSERT_NE(board, nullptr);
  board->SetFrameSize(8, 8);
  host.notifications.clear();
  Stroke(*board, {{4, 4}});
  ExpectPixels(
      board->GetBoard(), [](int, int) { return false; }, kClear, kClear, "click");
  EXPECT_EQ(Get(*board, PROP_BOARD_UNDO), "1");
  EXPECT_THAT(host.PropertiesOf(-3), ElementsAre(PROP_BOARD_UNDO, PROP_BOARD_REDO));
}

TEST(DrawingBoard, ClearCanBeUndoneAndRedone) {
  BoardPtr board = MakeBoard(8, 8);
  test_support::Fill(board->GetBoard(), kGreenPixel);
  Set(*board, PROP_BOARD_CLEAR, "1");
  ExpectPixels(
      board->GetBoard(), [](int, int) { return false; }, kClear, kClear, "cleared");
  Set(*board, PROP_BOARD_UNDO, "1");
  ExpectPixels(
      board->GetBoard(), [](int, int) { return true; }, kGreenPixel, kClear, "undone");
  Set(*board, PROP_BOARD_REDO, "1");
  ExpectPixels(
      board->GetBoard(), [](int, int) { return false; }, kClear, kClear, "redone");
}

TEST(DrawingBoard, UndoWithoutBackupChangesNoPixels) {
  BoardPtr board = MakeBoard(8, 8);
  Put(board->GetBoard(), 1, 1, kRedPixel);
  Set(*board, PROP_BOARD_UNDO, "1");
  EXPECT_EQ(PixelAt(board->GetBoard(), 1, 1), kRedPixel);
  EXPECT_EQ(Get(*board, PROP_BOARD_REDO), "1");
}

TEST(DrawingBoard, ANewOutputSizeScalesTheDrawingAndDropsUndo) {
  BoardPtr board = MakeBoard(32, 24);
  CDibSurface& s = board->GetBoard();
  for (int y = 8; y < 16; ++y)
    for (int x = 8; x < 16; ++x) Put(s, x, y, kRedPixel);
  Stroke(*board, {{0, 0}});
  ASSERT_EQ(Get(*board, PROP_BOARD_UNDO), "1");

  ASSERT_EQ(board->SetFrameSize(64, 48), S_OK);
  CDibSurface& big = board->GetBoard();
  EXPECT_EQ(big.GetWidth(), 64);
  EXPECT_EQ(big.GetHeight(), 48);
  for (int y = 17; y < 31; ++y)
    for (int x = 17; x < 31; ++x) ASSERT_EQ(PixelAt(big, x, y), kRedPixel) << x << "," << y;
  for (const POINT p : {POINT{5, 5}, POINT{40, 20}, POINT{24, 40}, POINT{63, 47}})
    EXPECT_EQ(PixelAt(big, p.x, p.y), kClear) << p.x << "," << p.y;
  EXPECT_EQ(Get(*board, PROP_BOARD_UNDO), "0");
  EXPECT_EQ(Get(*board, PROP_BOARD_REDO), "0");
  int32_t w = 0, h = 0;
  board->GetSize(&w, &h);
  EXPECT_EQ(w, 64);
  EXPECT_EQ(h, 48);

  // The backup of the old size is not exchanged with the new board.
  const std::vector<uint8_t> before = PixelsOf(big);
  Set(*board, PROP_BOARD_UNDO, "1");
  EXPECT_EQ(PixelsOf(board->GetBoard()), before);
}

TEST(DrawingBoard, AnnouncesItsSixPropertiesAndLeavesOtherIds) {
  FakeEffectHost host;
  CEffect effect;
  effect.SetHost(&host);
  effect.SetId(-3);
  effect.GetSourceProxy().CreateElement(ELEMENT_DRAWING_BOARD);
  IFrameElement* board = effect.GetSourceProxy().GetElement();
  ASSERT_NE(board, nullptr);
  host.notifications.clear();
  EXPECT_EQ(board->AnnounceProperties(), S_OK);
  EXPECT_THAT(host.PropertiesOf(-3),
              ElementsAre(PROP_BOARD_COLOR, PROP_BOARD_TOOL, PROP_BOARD_CLEAR, PROP_BOARD_PEN_SIZE,
                          PROP_BOARD_UNDO, PROP_BOARD_REDO));
  host.notifications.clear();
  Set(*board, PROP_BOARD_COLOR, "5");
  Set(*board, PROP_BOARD_TOOL, "1");
  Set(*board, PROP_BOARD_PEN_SIZE, "1");
  EXPECT_THAT(host.PropertiesOf(-3),
              ElementsAre(PROP_BOARD_COLOR, PROP_BOARD_TOOL, PROP_BOARD_PEN_SIZE));
  std::string value = "kept";
  for (int32_t id : {PROP_IMAGE_FRAME_COUNT, PROP_COLOR_VALUE, 0x1025}) {
    EXPECT_EQ(board->GetProperty(id, value), E_FAIL) << id;
    EXPECT_EQ(board->SetProperty(id, "1"), E_FAIL) << id;
  }
  EXPECT_EQ(value, "kept");
}

TEST(DrawingBoard, LoadsItsThreeCursorsAndShowsTheOneOfTheTool) {
  BoardPtr board = MakeBoard(8, 8);
  const struct {
    int32_t tool;
    DWORD hotX, hotY;
  } cursors[] = {{BOARD_TOOL_PEN, 1, 30}, {BOARD_TOOL_ERASER, 16, 16}, {BOARD_TOOL_FILL, 28, 30}};
  for (const auto& c : cursors) {
    HCURSOR cursor = board->GetToolCursor(c.tool);
    ASSERT_NE(cursor, nullptr) << "tool " << c.tool;
    ICONINFO info = {};
    ASSERT_TRUE(GetIconInfo(cursor, &info));
    EXPECT_FALSE(info.fIcon);
    EXPECT_EQ(info.xHotspot, c.hotX) << "tool " << c.tool;
    EXPECT_EQ(info.yHotspot, c.hotY) << "tool " << c.tool;
    if (info.hbmColor) DeleteObject(info.hbmColor);
    if (info.hbmMask) DeleteObject(info.hbmMask);

    Set(*board, PROP_BOARD_TOOL, std::to_string(c.tool));
    board->MouseInput(WM_MOUSEMOVE, 1, 1);
    EXPECT_EQ(GetCursor(), cursor) << "tool " << c.tool;
  }
  // Another tool leaves the cursor as it is.
  HCURSOR arrow = LoadCursor(nullptr, IDC_ARROW);
  SetCursor(arrow);
  Set(*board, PROP_BOARD_TOOL, "3");
  board->MouseInput(WM_MOUSEMOVE, 1, 1);
  EXPECT_EQ(GetCursor(), arrow);
  EXPECT_EQ(board->GetToolCursor(3), nullptr);
}

// The board as the engine keeps it: a whole-frame effect whose element has type 19.
class BoardEffect : public ::testing::Test {
 protected:
  void SetUp() override {
    effect.SetHost(&host);
    ASSERT_EQ(effect.SetProperty(PROP_SOURCE_TYPE, "19"), S_OK);
    effect.SetFrameRect(RECT{0, 0, kWidth, kHeight});
    effect.ApplyPreset(0);
    ASSERT_TRUE(output.Create(kWidth, kHeight, 24));
    context.output = &output;
    Compose();
  }
  void Compose() {
    test_support::Fill(output, Bgra{100, 100, 100, 255});
    ASSERT_EQ(effect.Render(&context), S_OK);
  }
  CDrawingBoard& Board() {
    return *dynamic_cast<CDrawingBoard*>(effect.GetSourceProxy().GetElement());
  }

  test_support::ScopedFakeClock clock;
  FakeEffectHost host;
  CEffect effect;
  CDibSurface output;
  CFrameContext context;
};

TEST_F(BoardEffect, StrokesShowOverThePictureBelow) {
  effect.SetProperty(PROP_BOARD_COLOR, std::to_string(kRed));
  effect.SetProperty(PROP_BOARD_PEN_SIZE, "0");
  effect.MouseInput(WM_LBUTTONDOWN, 5, 7);
  effect.MouseInput(WM_MOUSEMOVE, 30, 7);
  effect.MouseInput(WM_LBUTTONUP, 30, 7);
  effect.SetProperty(PROP_BOARD_TOOL, "2");
  effect.SetProperty(PROP_BOARD_COLOR, std::to_string(kGreen));
  effect.MouseInput(WM_LBUTTONDOWN, 3, 20);
  effect.MouseInput(WM_LBUTTONUP, 3, 20);
  Compose();
  EXPECT_EQ(PixelAt(output, 10, 7), (Bgra{0, 0, 255, -1}));
  EXPECT_EQ(PixelAt(output, 3, 20), (Bgra{0, 255, 0, -1}));
  effect.SetProperty(PROP_BOARD_UNDO, "1");
  Compose();
  EXPECT_EQ(PixelAt(output, 10, 7), (Bgra{0, 0, 255, -1}));
  EXPECT_EQ(PixelAt(output, 3, 20), (Bgra{100, 100, 100, -1}));
}

// The frame leaves the board out only while nothing is on it: after every stroke, fill,
// clear, undo and redo the frame is exactly the board blended over the picture below.
TEST_F(BoardEffect, TheFrameLeavesOutOnlyABoardWithNothingOnIt) {
  auto click = [&](int x, int y) {
    effect.MouseInput(WM_LBUTTONDOWN, x, y);
    effect.MouseInput(WM_LBUTTONUP, x, y);
  };
  struct Step {
    const char* name;
    std::function<void()> act;
    bool blank;
  };
  const Step steps[] = {
      {"new board", [] {}, true},
      {"pen stroke",
       [&] {
         effect.SetProperty(PROP_BOARD_COLOR, std::to_string(kRed));
         effect.MouseInput(WM_LBUTTONDOWN, 5, 7);
         effect.MouseInput(WM_MOUSEMOVE, 30, 9);
         effect.MouseInput(WM_LBUTTONUP, 30, 9);
       },
       false},
      {"undo", [&] { effect.SetProperty(PROP_BOARD_UNDO, "1"); }, true},
      {"redo", [&] { effect.SetProperty(PROP_BOARD_REDO, "1"); }, false},
      {"clear", [&] { effect.SetProperty(PROP_BOARD_CLEAR, "1"); }, true},
      {"undo of the clear", [&] { effect.SetProperty(PROP_BOARD_UNDO, "1"); }, false},
      {"clear again", [&] { effect.SetProperty(PROP_BOARD_CLEAR, "1"); }, true},
      {"fill",
       [&] {
         effect.SetProperty(PROP_BOARD_TOOL, "2");
         click(3, 20);
       },
       false},
      {"eraser", [&] {
         effect.SetProperty(PROP_BOARD_TOOL, "1");
         effect.SetProperty(PROP_BOARD_PEN_SIZE, "1");
         effect.MouseInput(WM_LBUTTONDOWN, 0, 0);
         effect.MouseInput(WM_MOUSEMOVE, 39, 31);
         effect.MouseInput(WM_LBUTTONUP, 39, 31);
       },
       false},
  };
  for (const Step& step : steps) {
    SCOPED_TRACE(step.name);
    step.act();
    CFrameLock lock;
    ASSERT_EQ(Board().LockFrame(&context, &lock), S_OK);
    Board().UnlockFrame();
    ASSERT_NE(lock.picture, nullptr);
    EXPECT_EQ(lock.clear, step.blank);
    CDibSurface expected;
    ASSERT_TRUE(expected.Create(kWidth, kHeight, 24));
    test_support::Fill(expected, Bgra{100, 100, 100, 255});
    ASSERT_EQ(lock.picture->Blend(expected, expected.GetRect(), lock.picture->GetRect()), S_OK);
    Compose();
    EXPECT_EQ(PixelsOf(output), PixelsOf(expected));
    if (step.blank) {
      ExpectPixels(*lock.picture, [](int, int) { return false; }, kClear, kClear, step.name);
    }
  }
}

TEST_F(BoardEffect, ASavedBoardLoadsBackAsAStillPictureWithTheSamePixels) {
  effect.SetProperty(PROP_BOARD_COLOR, std::to_string(0x3366CC));
  effect.SetProperty(PROP_BOARD_PEN_SIZE, "2");
  effect.MouseInput(WM_LBUTTONDOWN, 4, 4);
  effect.MouseInput(WM_MOUSEMOVE, 30, 20);
  effect.MouseInput(WM_LBUTTONUP, 30, 20);
  effect.SetProperty(PROP_BOARD_TOOL, "1");
  effect.SetProperty(PROP_BOARD_PEN_SIZE, "1");
  effect.MouseInput(WM_LBUTTONDOWN, 10, 0);
  effect.MouseInput(WM_MOUSEMOVE, 10, 31);
  effect.MouseInput(WM_LBUTTONUP, 10, 31);
  const std::vector<uint8_t> drawn = PixelsOf(Board().GetBoard());

  // The board's own items: one frame of 1000 ms and the picture as PNG.
  CPackageFile items(kEffectFileTag);
  ASSERT_EQ(effect.GetSourceProxy().Save(&items), S_OK);
  EXPECT_EQ(items.GetInt(PROP_SOURCE_TYPE, -1), ELEMENT_IMAGE);
  EXPECT_EQ(items.GetInt(PROP_IMAGE_FRAME_COUNT, -1), 1);
  std::vector<uint8_t> delay;
  items.GetBytes(PROP_IMAGE_FRAME_DELAYS, delay);
  EXPECT_EQ(delay, (std::vector<uint8_t>{0xE8, 0x03, 0, 0}));

  const std::string path =
      GetTempFolder() + "board_test_" + std::to_string(GetCurrentProcessId()) + ".efc";
  ASSERT_EQ(effect.SaveToFile(path), S_OK);
  CEffect loaded;
  const HRESULT opened = loaded.OpenFile(path);
  DeleteFileA(path.c_str());
  ASSERT_EQ(opened, S_OK);
  EXPECT_EQ(loaded.GetSourceProxy().GetTypeCode(), ELEMENT_IMAGE);
  auto* image = dynamic_cast<CImageSource*>(loaded.GetSourceProxy().GetElement());
  ASSERT_NE(image, nullptr);
  std::string delays;
  image->GetProperty(PROP_IMAGE_FRAME_DELAYS, delays);
  EXPECT_EQ(delays, "1000");
  CFrameLock lock;
  ASSERT_EQ(image->LockFrame(nullptr, &lock), S_OK);
  ASSERT_NE(lock.picture, nullptr);
  EXPECT_EQ(lock.picture->GetWidth(), kWidth);
  EXPECT_EQ(lock.picture->GetHeight(), kHeight);
  EXPECT_EQ(PixelsOf(*lock.picture), drawn);
  image->UnlockFrame();
}

}  // namespace
