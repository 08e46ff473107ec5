// Copies of the screen: a window of a known colour on the display is found again in the
// copy at its place.
#include <gtest/gtest.h>

#include "skin/data/SkinRegions.h"
#include "tests/skin/data/SkinDrawSupport.h"

namespace {

LRESULT CALLBACK PaintRed(HWND Wnd, UINT Msg, WPARAM WParam, LPARAM LParam) {
  if (Msg == WM_PAINT) {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(Wnd, &ps);
    HBRUSH brush = CreateSolidBrush(RGB(220, 30, 40));
    RECT r;
    GetClientRect(Wnd, &r);
    FillRect(dc, &r, brush);
    DeleteObject(brush);
    EndPaint(Wnd, &ps);
    return 0;
  }
  return DefWindowProcA(Wnd, Msg, WParam, LParam);
}

}  // namespace

TEST(SkinScreen, CopyScreenToBitmapTakesTheScreenAreaAtThePoint) {
  WNDCLASSA wc = {};
  wc.lpfnWndProc = PaintRed;
  wc.hInstance = GetModuleHandleA(nullptr);
  wc.lpszClassName = "SkinScreenRed";
  RegisterClassA(&wc);
  HWND wnd = CreateWindowExA(WS_EX_TOPMOST | WS_EX_TOOLWINDOW, "SkinScreenRed", "", WS_POPUP, 100,
                             80, 60, 40, nullptr, nullptr, wc.hInstance, nullptr);
  ASSERT_NE(nullptr, wnd);
  ShowWindow(wnd, SW_SHOWNOACTIVATE);
  UpdateWindow(wnd);
  MSG msg;
  for (int i = 0; i < 50; ++i) {
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
    Sleep(10);
  }
  TBitmapPtr shot = FilledBitmap(80, 60, clWhite);
  CopyScreenToBitmap(90, 70, shot.get());
  SaveShot(shot.get(), "screen_copy");
  EXPECT_EQ(Rgb(220, 30, 40), PixelOf(shot.get(), 10, 10));  // the window's top-left pixel
  EXPECT_EQ(Rgb(220, 30, 40), PixelOf(shot.get(), 69, 49));  // its bottom-right pixel
  EXPECT_NE(Rgb(220, 30, 40), PixelOf(shot.get(), 9, 10));
  EXPECT_NE(Rgb(220, 30, 40), PixelOf(shot.get(), 70, 49));
  EXPECT_NE(Rgb(220, 30, 40), PixelOf(shot.get(), 69, 50));
  DestroyWindow(wnd);
  // An empty bitmap takes nothing.
  TBitmapPtr empty(new TBitmap);
  CopyScreenToBitmap(0, 0, empty.get());
  EXPECT_TRUE(empty->GetEmpty());
}
