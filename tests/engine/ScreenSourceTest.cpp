// The screen source on the test display: the capture rectangle of each mode, the frame
// divider, and copies of a window of known colour with and without the mouse cursor. These
// tests read the screen and move the cursor, so they hold the display while they run.
#include "engine/elements/ScreenSource.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "EngineTestSupport.h"
#include "engine/base/ModuleValues.h"
#include "engine/base/PackageFile.h"
#include "engine/base/SystemUtils.h"
#include "engine/effects/PropertyIds.h"

namespace {

using test_support::Bgra;
using test_support::FromColourRef;
using test_support::PixelAt;
using ::testing::ElementsAre;

struct ElementDeleter {
  void operator()(IFrameElement* e) const { e->Release(); }
};
using ScreenPtr = std::unique_ptr<CScreenSource, ElementDeleter>;

ScreenPtr MakeScreen() { return ScreenPtr(new CScreenSource()); }

void Set(CScreenSource& screen, int32_t id, int value) {
  ASSERT_EQ(screen.SetProperty(id, std::to_string(value)), S_OK) << id;
}

std::string Get(CScreenSource& screen, int32_t id) {
  std::string value;
  EXPECT_EQ(screen.GetProperty(id, value), S_OK) << id;
  return value;
}

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

// A topmost window painted in one colour, placed where no other test window stands.
class ColourWindow {
 public:
  static constexpr int kLeft = 600;
  static constexpr int kTop = 400;
  static constexpr int kWidth = 96;
  static constexpr int kHeight = 72;

  ColourWindow() {
    WNDCLASSA wc = {};
    wc.lpfnWndProc = &WndProc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = "ScreenSourceTestWindow";
    wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
    RegisterClassA(&wc);
    m_window =
        CreateWindowExA(WS_EX_TOPMOST, wc.lpszClassName, "screen source", WS_POPUP | WS_VISIBLE,
                        kLeft, kTop, kWidth, kHeight, nullptr, nullptr, wc.hInstance, nullptr);
  }
  ~ColourWindow() {
    if (m_window) DestroyWindow(m_window);
    UnregisterClassA("ScreenSourceTestWindow", GetModuleHandleA(nullptr));
  }

  HWND Handle() const { return m_window; }

  // Paints the window in the colour and waits until the screen shows it.
  bool Paint(COLORREF colour) {
    s_colour = colour;
    InvalidateRect(m_window, nullptr, TRUE);
    UpdateWindow(m_window);
    GdiFlush();
    HDC screen = GetDC(nullptr);
    bool shown = false;
    for (int attempt = 0; attempt < 100 && !shown; ++attempt) {
      MSG msg;
      while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
      shown = GetPixel(screen, kLeft + kWidth / 2, kTop + kHeight / 2) == colour &&
              GetPixel(screen, kLeft + 1, kTop + 1) == colour;
      if (!shown) Sleep(20);
    }
    ReleaseDC(nullptr, screen);
    return shown;
  }

 private:
  static LRESULT CALLBACK WndProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_PAINT) {
      PAINTSTRUCT ps;
      HDC dc = BeginPaint(hwnd, &ps);
      HBRUSH brush = CreateSolidBrush(s_colour);
      RECT rc;
      GetClientRect(hwnd, &rc);
      FillRect(dc, &rc, brush);
      DeleteObject(brush);
      EndPaint(hwnd, &ps);
      return 0;
    }
    if (msg == WM_ERASEBKGND) return 1;
    return DefWindowProcA(hwnd, msg, wp, lp);
  }

  static inline COLORREF s_colour = RGB(0, 0, 0);
  HWND m_window = nullptr;
};

// Moves the mouse and waits until the system reports it there.
bool MoveCursor(int x, int y) {
  if (!SetCursorPos(x, y)) return false;
  for (int attempt = 0; attempt < 50; ++attempt) {
    POINT now = {};
    if (GetCursorPos(&now) && now.x == x && now.y == y) return true;
    Sleep(20);
  }
  return false;
}

constexpr COLORREF kFirst = RGB(200, 40, 10);
constexpr COLORREF kSecond = RGB(20, 180, 90);

// A screen source copying the middle of the test window, without cursor.
ScreenPtr WindowCopier(int divider) {
  ScreenPtr screen = MakeScreen();
  screen->Open("@screen:");
  Set(*screen, PROP_SCREEN_CURSOR, 0);
  Set(*screen, PROP_SCREEN_LEFT, ColourWindow::kLeft + 16);
  Set(*screen, PROP_SCREEN_TOP, ColourWindow::kTop + 12);
  Set(*screen, PROP_SCREEN_WIDTH, 64);
  Set(*screen, PROP_SCREEN_HEIGHT, 48);
  Set(*screen, PROP_SCREEN_FRAME_DIVIDER, divider);
  return screen;
}

// Locks one frame and reports the colour at its centre (alpha -1: 24-bit picture).
Bgra NextFrameColour(CScreenSource& screen) {
  CFrameLock lock;
  EXPECT_EQ(screen.LockFrame(nullptr, &lock), S_OK);
  Bgra colour = {-1, -1, -1, -1};
  if (lock.picture && lock.picture->GetBits()) {
    EXPECT_EQ(lock.picture->GetBitsPerPixel(), 24);
    colour = PixelAt(*lock.picture, lock.picture->GetWidth() / 2, lock.picture->GetHeight() / 2);
  }
  screen.UnlockFrame();
  return colour;
}

const Bgra kBlack = {0, 0, 0, -1};

TEST(ScreenSource, NewSourceFollowsTheMouseAtTheOutputSize) {
  const SIZE previous = GetModuleOutputSize();
  SetModuleOutputSize(176, 144);
  ScreenPtr screen = MakeScreen();
  SetModuleOutputSize(previous.cx, previous.cy);
  EXPECT_EQ(Get(*screen, PROP_SCREEN_MODE), "2");
  EXPECT_EQ(Get(*screen, PROP_SCREEN_CURSOR), "1");
  EXPECT_EQ(Get(*screen, PROP_SCREEN_WIDTH), "176");
  EXPECT_EQ(Get(*screen, PROP_SCREEN_HEIGHT), "144");
  EXPECT_EQ(Get(*screen, PROP_SCREEN_LEFT), "0");
  EXPECT_EQ(Get(*screen, PROP_SCREEN_FRAME_DIVIDER), "2");
  EXPECT_EQ(Get(*screen, PROP_SCREEN_WINDOW), "0");
}

TEST(ScreenSource, CaptureRectangleOfEachMode) {
  ScreenPtr screen = MakeScreen();
  Set(*screen, PROP_SCREEN_WIDTH, 320);
  Set(*screen, PROP_SCREEN_HEIGHT, 240);
  Set(*screen, PROP_SCREEN_LEFT, 10);
  Set(*screen, PROP_SCREEN_TOP, 20);
  const POINT cursor = {1000, 500};
  EXPECT_EQ(Of(screen->GetCaptureRect(cursor)), (Rect{840, 380, 1160, 620})) << "around the mouse";
  Set(*screen, PROP_SCREEN_MODE, 1);
  EXPECT_EQ(Of(screen->GetCaptureRect(cursor)), (Rect{10, 20, 330, 260}));
  Set(*screen, PROP_SCREEN_MODE, 0);
  EXPECT_EQ(Of(screen->GetCaptureRect(cursor)), Of(GetDesktopRect()));

  ColourWindow window;
  Set(*screen, PROP_SCREEN_MODE, 3);
  Set(*screen, PROP_SCREEN_WINDOW, int(reinterpret_cast<LONG_PTR>(window.Handle())));
  EXPECT_EQ(Of(screen->GetCaptureRect(cursor)), (Rect{ColourWindow::kLeft, ColourWindow::kTop,
                                                      ColourWindow::kLeft + ColourWindow::kWidth,
                                                      ColourWindow::kTop + ColourWindow::kHeight}));
}

TEST(ScreenSource, EmptyRectanglesGiveNoPicture) {
  struct Case {
    int mode, width, height, window;
  };
  for (const Case& c : {Case{1, 0, 10, 0}, Case{1, 10, -5, 0}, Case{2, -320, 240, 0},
                        Case{3, 10, 10, 0}, Case{3, 10, 10, 0x7654321}}) {
    ScreenPtr screen = MakeScreen();
    Set(*screen, PROP_SCREEN_MODE, c.mode);
    Set(*screen, PROP_SCREEN_WIDTH, c.width);
    Set(*screen, PROP_SCREEN_HEIGHT, c.height);
    Set(*screen, PROP_SCREEN_WINDOW, c.window);
    Set(*screen, PROP_SCREEN_FRAME_DIVIDER, 1);
    CFrameLock lock;
    EXPECT_EQ(screen->LockFrame(nullptr, &lock), S_OK);
    EXPECT_EQ(lock.picture, nullptr) << "mode " << c.mode;
  }
}

TEST(ScreenSource, AbsurdSizesGiveNoPictureRatherThanAHugeOne) {
  ScreenPtr screen = MakeScreen();
  Set(*screen, PROP_SCREEN_MODE, 1);
  Set(*screen, PROP_SCREEN_WIDTH, 2000000000);
  Set(*screen, PROP_SCREEN_HEIGHT, 2000000000);
  Set(*screen, PROP_SCREEN_LEFT, 2000000000);
  CFrameLock lock;
  EXPECT_EQ(screen->LockFrame(nullptr, &lock), S_OK);
  EXPECT_EQ(lock.picture, nullptr);
}

TEST(ScreenSource, DividerSaysWhichFramesTakeANewCopy) {
  struct Case {
    int divider;
    std::vector<int> copies;  // 1-based LockFrame calls that copy, among the first nine
  };
  const Case cases[] = {
      {2, {2, 4, 6, 8}},
      {3, {2, 5, 8}},
      {1, {1, 2, 3, 4, 5, 6, 7, 8, 9}},
      {0, {1, 2, 3, 4, 5, 6, 7, 8, 9}},
      {-2, {2, 4, 6, 8}},
      {-1, {1, 2, 3, 4, 5, 6, 7, 8, 9}},
      {INT32_MIN, {2}},
  };
  for (const Case& c : cases) {
    std::vector<int> copies;
    for (uint32_t counter = 0; counter < 9; ++counter) {
      if (CScreenSource::IsCopyFrame(counter, c.divider)) copies.push_back(int(counter) + 1);
    }
    EXPECT_EQ(copies, c.copies) << "divider " << c.divider;
  }
}

TEST(ScreenSource, CopiesTheScreenOnTheDividersFrames) {
  ColourWindow window;
  ASSERT_TRUE(window.Paint(kFirst));
  ScreenPtr screen = WindowCopier(2);
  EXPECT_EQ(NextFrameColour(*screen), kBlack) << "the first frame takes no copy";
  EXPECT_EQ(NextFrameColour(*screen), FromColourRef(kFirst, -1));
  ASSERT_TRUE(window.Paint(kSecond));
  EXPECT_EQ(NextFrameColour(*screen), FromColourRef(kFirst, -1)) << "the last copy is shown";
  EXPECT_EQ(NextFrameColour(*screen), FromColourRef(kSecond, -1));
  int32_t w = 0, h = 0;
  screen->GetSize(&w, &h);
  EXPECT_EQ(w, 64);
  EXPECT_EQ(h, 48);
}

TEST(ScreenSource, DividerOneCopiesEveryFrame) {
  ColourWindow window;
  ASSERT_TRUE(window.Paint(kFirst));
  ScreenPtr screen = WindowCopier(1);
  EXPECT_EQ(NextFrameColour(*screen), FromColourRef(kFirst, -1));
  ASSERT_TRUE(window.Paint(kSecond));
  EXPECT_EQ(NextFrameColour(*screen), FromColourRef(kSecond, -1));
  ASSERT_TRUE(window.Paint(kFirst));
  EXPECT_EQ(NextFrameColour(*screen), FromColourRef(kFirst, -1));
}

TEST(ScreenSource, PictureFollowsTheSizeOfTheRectangle) {
  ColourWindow window;
  ASSERT_TRUE(window.Paint(kFirst));
  ScreenPtr screen = WindowCopier(1);
  NextFrameColour(*screen);
  Set(*screen, PROP_SCREEN_WIDTH, 30);
  Set(*screen, PROP_SCREEN_HEIGHT, 10);
  EXPECT_EQ(NextFrameColour(*screen), FromColourRef(kFirst, -1));
  int32_t w = 0, h = 0;
  screen->GetSize(&w, &h);
  EXPECT_EQ(w, 30);
  EXPECT_EQ(h, 10);
}

TEST(ScreenSource, WindowModeCopiesTheWindow) {
  ColourWindow window;
  ASSERT_TRUE(window.Paint(kSecond));
  ScreenPtr screen = MakeScreen();
  Set(*screen, PROP_SCREEN_MODE, 3);
  Set(*screen, PROP_SCREEN_CURSOR, 0);
  Set(*screen, PROP_SCREEN_FRAME_DIVIDER, 1);
  Set(*screen, PROP_SCREEN_WINDOW, int(reinterpret_cast<LONG_PTR>(window.Handle())));
  EXPECT_EQ(NextFrameColour(*screen), FromColourRef(kSecond, -1));
  int32_t w = 0, h = 0;
  screen->GetSize(&w, &h);
  EXPECT_EQ(w, ColourWindow::kWidth);
  EXPECT_EQ(h, ColourWindow::kHeight);
}

TEST(ScreenSource, AroundTheMouseCopiesWhereTheMouseIs) {
  ColourWindow window;
  ASSERT_TRUE(window.Paint(kFirst));
  ScreenPtr screen = MakeScreen();
  Set(*screen, PROP_SCREEN_CURSOR, 0);
  Set(*screen, PROP_SCREEN_FRAME_DIVIDER, 1);
  Set(*screen, PROP_SCREEN_WIDTH, 40);
  Set(*screen, PROP_SCREEN_HEIGHT, 30);
  ASSERT_TRUE(MoveCursor(ColourWindow::kLeft + 48, ColourWindow::kTop + 36));
  EXPECT_EQ(NextFrameColour(*screen), FromColourRef(kFirst, -1));
}

// Pixels of the copy that differ from the window's colour.
int PixelsNotOf(CDibSurface& picture, COLORREF colour) {
  const Bgra expected = FromColourRef(colour, -1);
  int n = 0;
  for (int y = 0; y < picture.GetHeight(); ++y)
    for (int x = 0; x < picture.GetWidth(); ++x) n += PixelAt(picture, x, y) != expected;
  return n;
}

TEST(ScreenSource, DrawsTheCursorAtItsHotSpotWhenAsked) {
  ColourWindow window;
  ASSERT_TRUE(window.Paint(kFirst));
  HCURSOR arrow = LoadCursor(nullptr, IDC_ARROW);
  SetCursor(arrow);
  const POINT at = {ColourWindow::kLeft + 40, ColourWindow::kTop + 30};
  ASSERT_TRUE(MoveCursor(at.x, at.y));
  if (!GetCurrentCursor()) GTEST_SKIP() << "the system reports no cursor on this display";

  ScreenPtr screen = WindowCopier(1);  // copies (616, 412) .. (680, 460)
  CFrameLock lock;
  ASSERT_EQ(screen->LockFrame(nullptr, &lock), S_OK);
  ASSERT_NE(lock.picture, nullptr);
  EXPECT_EQ(PixelsNotOf(*lock.picture, kFirst), 0) << "cursor off";
  screen->UnlockFrame();

  Set(*screen, PROP_SCREEN_CURSOR, 1);
  CFrameLock withCursor;
  ASSERT_EQ(screen->LockFrame(nullptr, &withCursor), S_OK);
  CDibSurface& picture = *withCursor.picture;
  ASSERT_GT(PixelsNotOf(picture, kFirst), 0) << "the cursor shows";

  // Everything the cursor changed lies in the cursor's box placed at its hot spot.
  ICONINFO info = {};
  ASSERT_TRUE(GetIconInfo(GetCurrentCursor(), &info));
  BITMAP mask = {};
  GetObject(info.hbmMask, sizeof(mask), &mask);
  const int cursorWidth = mask.bmWidth;
  const int cursorHeight = info.hbmColor ? mask.bmHeight : mask.bmHeight / 2;
  if (info.hbmMask) DeleteObject(info.hbmMask);
  if (info.hbmColor) DeleteObject(info.hbmColor);
  const int left = at.x - int(info.xHotspot) - (ColourWindow::kLeft + 16);
  const int top = at.y - int(info.yHotspot) - (ColourWindow::kTop + 12);
  const Bgra colour = FromColourRef(kFirst, -1);
  for (int y = 0; y < picture.GetHeight(); ++y)
    for (int x = 0; x < picture.GetWidth(); ++x) {
      const bool inside = x >= left && x < left + cursorWidth && y >= top && y < top + cursorHeight;
      if (!inside) {
        ASSERT_EQ(PixelAt(picture, x, y), colour) << x << "," << y;
      }
    }
  screen->UnlockFrame();

  // A cursor outside the rectangle is not drawn.
  ASSERT_TRUE(MoveCursor(10, 10));
  CFrameLock away;
  ASSERT_EQ(screen->LockFrame(nullptr, &away), S_OK);
  EXPECT_EQ(PixelsNotOf(*away.picture, kFirst), 0);
  screen->UnlockFrame();
}

TEST(ScreenSource, OpenCopiesAFixedRectangleWithTheCursor) {
  ScreenPtr screen = MakeScreen();
  Set(*screen, PROP_SCREEN_CURSOR, 0);
  EXPECT_EQ(screen->Open("@screen:ignored text"), S_OK);
  EXPECT_EQ(Get(*screen, PROP_SCREEN_MODE), "1");
  EXPECT_EQ(Get(*screen, PROP_SCREEN_CURSOR), "1");
  EXPECT_EQ(screen->GetSourceText(), "@screen:ignored text");
}

TEST(ScreenSource, ModeAndCursorAreClampedTheRestIsTakenAsWritten) {
  struct Case {
    int32_t id;
    const char* written;
    const char* readBack;
  };
  for (const Case& c :
       {Case{PROP_SCREEN_MODE, "-1", "0"}, Case{PROP_SCREEN_MODE, "9", "3"},
        Case{PROP_SCREEN_CURSOR, "5", "1"}, Case{PROP_SCREEN_CURSOR, "-5", "0"},
        Case{PROP_SCREEN_LEFT, "-200", "-200"}, Case{PROP_SCREEN_WIDTH, "-3", "-3"},
        Case{PROP_SCREEN_FRAME_DIVIDER, "0", "0"}, Case{PROP_SCREEN_FRAME_DIVIDER, "-4", "-4"},
        Case{PROP_SCREEN_WINDOW, "12345", "12345"}, Case{PROP_SCREEN_TOP, "x", "0"}}) {
    ScreenPtr screen = MakeScreen();
    ASSERT_EQ(screen->SetProperty(c.id, c.written), S_OK);
    EXPECT_EQ(Get(*screen, c.id), c.readBack) << c.id << " " << c.written;
  }
  ScreenPtr screen = MakeScreen();
  std::string value = "kept";
  EXPECT_EQ(screen->GetProperty(0x4002, value), E_FAIL);
  EXPECT_EQ(screen->SetProperty(PROP_TEXT, "x"), E_FAIL);
  EXPECT_EQ(value, "kept");
}

TEST(ScreenSource, SavesItsItemsWithoutTheWindowAndLoadsThemBack) {
  ScreenPtr screen = MakeScreen();
  Set(*screen, PROP_SCREEN_MODE, 1);
  Set(*screen, PROP_SCREEN_CURSOR, 0);
  Set(*screen, PROP_SCREEN_LEFT, 11);
  Set(*screen, PROP_SCREEN_TOP, 22);
  Set(*screen, PROP_SCREEN_WIDTH, 33);
  Set(*screen, PROP_SCREEN_HEIGHT, 44);
  Set(*screen, PROP_SCREEN_WINDOW, 55);
  Set(*screen, PROP_SCREEN_FRAME_DIVIDER, 6);
  CPackageFile package(MakePackageTag("FCEC"));
  ASSERT_EQ(screen->Save(&package), S_OK);
  std::vector<uint32_t> ids;
  for (const auto& item : package.GetItems()) ids.push_back(item.id);
  EXPECT_THAT(ids, ElementsAre(0x4000, 0x4001, 0x4003, 0x4004, 0x4005, 0x4006, 0x4008));

  ScreenPtr loaded = MakeScreen();
  Set(*loaded, PROP_SCREEN_WINDOW, 77);
  loaded->Open("@screen:");
  ASSERT_EQ(loaded->Load(&package), S_OK);
  for (int32_t id : {0x4000, 0x4001, 0x4003, 0x4004, 0x4005, 0x4006, 0x4008}) {
    EXPECT_EQ(Get(*loaded, id), Get(*screen, id)) << id;
  }
  EXPECT_EQ(Get(*loaded, PROP_SCREEN_WINDOW), "0");
  EXPECT_EQ(loaded->GetSourceText(), "");

  CPackageFile odd(MakePackageTag("FCEC"));
  odd.SetInt(PROP_SCREEN_MODE, 12);
  odd.SetInt(PROP_SCREEN_CURSOR, -3);
  ScreenPtr clamped = MakeScreen();
  ASSERT_EQ(clamped->Load(&odd), S_OK);
  EXPECT_EQ(Get(*clamped, PROP_SCREEN_MODE), "3");
  EXPECT_EQ(Get(*clamped, PROP_SCREEN_CURSOR), "0");
  EXPECT_EQ(Get(*clamped, PROP_SCREEN_FRAME_DIVIDER), "2") << "missing items keep their value";
}

}  // namespace
