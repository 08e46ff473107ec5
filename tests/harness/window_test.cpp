// A real top-level window on the test display: painted through WM_PAINT with GDI and
// read back from the screen.
#include <windows.h>

#include <gtest/gtest.h>

namespace {

constexpr COLORREF kPaintColour = RGB(12, 200, 34);
constexpr int kSize = 64;

LRESULT CALLBACK PaintWndProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == WM_PAINT) {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(hwnd, &ps);
    HBRUSH brush = CreateSolidBrush(kPaintColour);
    RECT rc;
    GetClientRect(hwnd, &rc);
    FillRect(dc, &rc, brush);
    DeleteObject(brush);
    EndPaint(hwnd, &ps);
    SetPropA(hwnd, "painted", reinterpret_cast<HANDLE>(1));
    return 0;
  }
  return DefWindowProcA(hwnd, msg, wp, lp);
}

void PumpUntil(HWND hwnd, DWORD timeoutMs) {
  const DWORD start = GetTickCount();
  while (!GetPropA(hwnd, "painted") && GetTickCount() - start < timeoutMs) {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&msg);
      DispatchMessageA(&msg);
    }
    Sleep(10);
  }
}

}  // namespace

TEST(Harness, WindowPaintsAndReadsBackItsColour) {
  WNDCLASSA wc = {};
  wc.lpfnWndProc = PaintWndProc;
  wc.hInstance = GetModuleHandleA(nullptr);
  wc.lpszClassName = "HarnessPaintWindow";
  wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
  ASSERT_NE(RegisterClassA(&wc), 0);

  HWND hwnd = CreateWindowExA(WS_EX_TOPMOST, wc.lpszClassName, "harness", WS_POPUP | WS_VISIBLE,
                              40, 40, kSize, kSize, nullptr, nullptr, wc.hInstance, nullptr);
  ASSERT_NE(hwnd, nullptr);
  UpdateWindow(hwnd);
  PumpUntil(hwnd, 5000);
  ASSERT_TRUE(GetPropA(hwnd, "painted")) << "WM_PAINT never arrived";
  GdiFlush();

  // Read the colour back from the window's own device context.
  HDC dc = GetDC(hwnd);
  ASSERT_NE(dc, nullptr);
  COLORREF centre = CLR_INVALID;
  for (int attempt = 0; attempt < 50; ++attempt) {  // the X server may lag a moment
    centre = GetPixel(dc, kSize / 2, kSize / 2);
    if (centre == kPaintColour) break;
    Sleep(20);
  }
  EXPECT_EQ(centre, kPaintColour);
  EXPECT_EQ(GetPixel(dc, 1, kSize - 2), kPaintColour);
  ReleaseDC(hwnd, dc);

  // The screen sees the same pixels where the window stands.
  HDC screen = GetDC(nullptr);
  RECT rc;
  GetWindowRect(hwnd, &rc);
  EXPECT_EQ(GetPixel(screen, rc.left + kSize / 2, rc.top + kSize / 2), kPaintColour);
  EXPECT_EQ(GetDeviceCaps(screen, BITSPIXEL), 32) << "the test display is expected at 24-bit depth";
  ReleaseDC(nullptr, screen);

  RemovePropA(hwnd, "painted");
  DestroyWindow(hwnd);
  UnregisterClassA(wc.lpszClassName, wc.hInstance);
}
