// The preview window on the test display: frames painted from another thread (as the frame
// pump paints them) appear stretched over the whole client area, and handing over a null or
// a new window moves the painting; the compositor paints every frame it composes into the
// window the program gave it. Colours are read back from the screen.
#include "engine/compositor/PreviewWindow.h"

#include <gtest/gtest.h>

#include <thread>
#include <vector>

#include "CompositorSupport.h"
#include "EngineTestSupport.h"
#include "engine/base/DibSurface.h"

namespace {

using test_support::At;

// A topmost popup that never paints itself, so that what the preview draws stays shown.
// With its own device context, GetDC hands out the very context the preview keeps.
class TestWindow {
 public:
  TestWindow(int left, int top, int width, int height, bool ownDC = false)
      : m_left(left), m_top(top) {
    const char* className = ownDC ? "PreviewWindowTestOwnDC" : "PreviewWindowTestWindow";
    WNDCLASSA wc = {};
    wc.style = ownDC ? CS_OWNDC : 0;
    wc.lpfnWndProc = &WndProc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = className;
    RegisterClassA(&wc);  // fails harmlessly once registered
    m_window = CreateWindowExA(0, className, "preview", WS_POPUP, left, top, width, height, nullptr,
                               nullptr, wc.hInstance, nullptr);
    // Shown without activation: Wine then leaves the window to itself, and destroying it
    // does not wait for a window manager that the test display does not have.
    SetWindowPos(m_window, HWND_TOPMOST, 0, 0, 0, 0,
                 SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE | SWP_SHOWWINDOW);
    PumpMessages();
  }
  ~TestWindow() {
    if (m_window) DestroyWindow(m_window);
  }
  TestWindow(const TestWindow&) = delete;
  TestWindow& operator=(const TestWindow&) = delete;

  HWND Handle() const { return m_window; }

  // The screen colour at a client point.
  COLORREF ScreenColourAt(int x, int y) const {
    PumpMessages();
    HDC screen = GetDC(nullptr);
    const COLORREF colour = GetPixel(screen, m_left + x, m_top + y);
    ReleaseDC(nullptr, screen);
    return colour;
  }

  struct Spot {
    int x, y;
    COLORREF colour;
  };

  // Waits until the screen shows every colour at its client point, then reports the
  // points that differ (none after success); gives up after two seconds.
  std::vector<Spot> WaitForColours(const std::vector<Spot>& expected) const {
    std::vector<Spot> wrong;
    for (int attempt = 0; attempt < 100; ++attempt) {
      wrong.clear();
      for (const Spot& s : expected) {
        const COLORREF seen = ScreenColourAt(s.x, s.y);
        if (seen != s.colour) wrong.push_back({s.x, s.y, seen});
      }
      if (wrong.empty()) break;
      Sleep(20);
    }
    return wrong;
  }

  bool WaitForColour(int x, int y, COLORREF colour) const {
    return WaitForColours({{x, y, colour}}).empty();
  }

  static void PumpMessages() {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
  }

 private:
  static LRESULT CALLBACK WndProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_ERASEBKGND) return 1;
    if (msg == WM_PAINT) {
      ValidateRect(hwnd, nullptr);
      return 0;
    }
    return DefWindowProcA(hwnd, msg, wp, lp);
  }

  HWND m_window = nullptr;
  int m_left;
  int m_top;
};

void FillRectColour(CDibSurface& picture, const RECT& rect, COLORREF colour) {
  for (int y = rect.top; y < rect.bottom; ++y) {
    for (int x = rect.left; x < rect.right; ++x) {
      BYTE* p = At(picture, x, y);
      p[0] = GetBValue(colour);
      p[1] = GetGValue(colour);
      p[2] = GetRValue(colour);
    }
  }
}

constexpr COLORREF kRed = RGB(220, 30, 30);
constexpr COLORREF kGreen = RGB(30, 200, 60);
constexpr COLORREF kBlue = RGB(20, 40, 230);
constexpr COLORREF kWhite = RGB(255, 255, 255);

// A 320 x 240 frame in four quarters: red top left, green top right, blue bottom left,
// white bottom right.
void MakeQuarters(CDibSurface& picture) {
  ASSERT_TRUE(picture.Create(320, 240, 24));
  FillRectColour(picture, {0, 0, 160, 120}, kRed);
  FillRectColour(picture, {160, 0, 320, 120}, kGreen);
  FillRectColour(picture, {0, 120, 160, 240}, kBlue);
  FillRectColour(picture, {160, 120, 320, 240}, kWhite);
}

void MakeSolid(CDibSurface& picture, COLORREF colour) {
  ASSERT_TRUE(picture.Create(320, 240, 24));
  FillRectColour(picture, picture.GetRect(), colour);
}

// Paints on a thread of its own, as the frame pump does.
HRESULT PaintOnFrameThread(CPreviewWindow& preview, CDibSurface& picture) {
  HRESULT result = E_FAIL;
  std::thread([&] { result = preview.Paint(picture); }).join();
  return result;
}

TEST(PreviewWindow, StretchesTheWholeFrameOverTheClientAreaOfAnySize) {
  struct Case {
    int width, height;
  };
  const Case cases[] = {{320, 240}, {160, 120}, {640, 480}, {100, 300}, {400, 60}};
  CDibSurface picture;
  MakeQuarters(picture);
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.width << " x " << c.height);
    TestWindow window(40, 40, c.width, c.height);
    CPreviewWindow preview;
    preview.SetWindow(window.Handle());
    ASSERT_EQ(PaintOnFrameThread(preview, picture), S_OK);

    // The quarters' centres, and the corners of the client area showing the corners of
    // the frame: nothing is cut off, and no border is left for a kept aspect ratio.
    const int w = c.width, h = c.height;
    const auto wrong = window.WaitForColours({{w / 4, h / 4, kRed},
                                              {3 * w / 4, h / 4, kGreen},
                                              {w / 4, 3 * h / 4, kBlue},
                                              {3 * w / 4, 3 * h / 4, kWhite},
                                              {0, 0, kRed},
                                              {w - 1, 0, kGreen},
                                              {0, h - 1, kBlue},
                                              {w - 1, h - 1, kWhite}});
    for (const auto& s : wrong) {
      ADD_FAILURE() << "(" << s.x << ", " << s.y << ") shows 0x" << std::hex << s.colour;
    }
  }
}

TEST(PreviewWindow, StretchesWithHalftone) {
  TestWindow window(40, 40, 160, 120, /*ownDC=*/true);
  HDC dc = GetDC(window.Handle());
  SetStretchBltMode(dc, COLORONCOLOR);
  CDibSurface picture;
  MakeQuarters(picture);
  CPreviewWindow preview;
  preview.SetWindow(window.Handle());
  ASSERT_EQ(PaintOnFrameThread(preview, picture), S_OK);
  EXPECT_EQ(GetStretchBltMode(dc), HALFTONE);
  ReleaseDC(window.Handle(), dc);
}

TEST(PreviewWindow, NullWindowStopsPaintingAndANewWindowTakesOver) {
  TestWindow first(40, 40, 160, 120);
  TestWindow second(240, 40, 160, 120);
  CDibSurface red, green;
  MakeSolid(red, kRed);
  MakeSolid(green, kGreen);

  CPreviewWindow preview;
  EXPECT_EQ(preview.GetWindow(), nullptr);
  EXPECT_EQ(PaintOnFrameThread(preview, red), S_OK) << "without a window nothing is painted";

  preview.SetWindow(first.Handle());
  ASSERT_EQ(PaintOnFrameThread(preview, red), S_OK);
  ASSERT_TRUE(first.WaitForColour(80, 60, kRed));

  preview.SetWindow(nullptr);
  EXPECT_EQ(preview.GetWindow(), nullptr);
  EXPECT_EQ(PaintOnFrameThread(preview, green), S_OK);
  Sleep(100);
  EXPECT_EQ(first.ScreenColourAt(80, 60), kRed);

  preview.SetWindow(second.Handle());
  EXPECT_EQ(preview.GetWindow(), second.Handle());
  ASSERT_EQ(PaintOnFrameThread(preview, green), S_OK);
  EXPECT_TRUE(second.WaitForColour(80, 60, kGreen));
  EXPECT_EQ(first.ScreenColourAt(80, 60), kRed);

  // A picture without pixels paints nothing.
  CDibSurface empty;
  EXPECT_EQ(PaintOnFrameThread(preview, empty), S_OK);
  Sleep(100);
  EXPECT_EQ(second.ScreenColourAt(80, 60), kGreen);
}

using CompositorPreview = test_support::CompositorTest;

TEST_F(CompositorPreview, EveryFramePaintsTheWindowTheProgramGave) {
  Start();
  TestWindow window(40, 40, 160, 120);
  ASSERT_EQ(compositor->SetPreviewWindow(window.Handle()), S_OK);
  ASSERT_EQ(compositor->OpenElementFile(MODULE_MAIN_SOURCE, test_support::ColourPath(kBlue)), S_OK);
  Compose();
  EXPECT_TRUE(window.WaitForColours({{80, 60, kBlue}, {0, 0, kBlue}, {159, 119, kBlue}}).empty());

  ASSERT_EQ(compositor->SetPreviewWindow(nullptr), S_OK);
  ASSERT_EQ(compositor->OpenElementFile(MODULE_MAIN_SOURCE, test_support::ColourPath(kGreen)),
            S_OK);
  Compose();
  Sleep(100);
  EXPECT_EQ(window.ScreenColourAt(80, 60), kBlue) << "without a window nothing is painted";
}

}  // namespace
