// The system helpers that read the machine's display state: the cursor of the foreground
// thread. The foreground window and its cursor are the display's, so these tests run in a
// program that holds it.
#include "engine/base/SystemUtils.h"

#include <gtest/gtest.h>

TEST(CurrentCursor, IsTheCursorSetByTheForegroundThread) {
  // The 64-bit structure holds a pointer-sized handle; a size of 20 would be refused (or,
  // where the size is not checked, overrun).
#ifdef _WIN64
  static_assert(sizeof(CURSORINFO) == 24, "64-bit CURSORINFO");
#else
  static_assert(sizeof(CURSORINFO) == 20, "32-bit CURSORINFO");
#endif
  HWND window = CreateWindowExA(0, "STATIC", "cursor", WS_POPUP | WS_VISIBLE, 0, 0, 100, 100,
                                nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
  ASSERT_NE(window, nullptr);
  SetForegroundWindow(window);
  HCURSOR cross = LoadCursor(nullptr, IDC_CROSS);
  ASSERT_NE(cross, nullptr);
  SetCursor(cross);

  CURSORINFO info = {};
  info.cbSize = sizeof(info);
  ASSERT_TRUE(GetCursorInfo(&info));
  EXPECT_EQ(GetCurrentCursor(), info.hCursor);
  EXPECT_EQ(GetCurrentCursor(), cross);
  DestroyWindow(window);
}
