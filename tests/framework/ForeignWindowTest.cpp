// Windows of other programs built on the framework carry the same window property as the
// framework's own windows, holding a pointer into that program's memory: they are no
// controls here (finding controls under the mouse must not follow it).
#include <gtest/gtest.h>

#include "framework/Controls.h"

TEST(Controls, WindowsOfOtherProgramsAreNoControlsEvenWithTheProperty) {
  HWND foreign = GetDesktopWindow();
  DWORD process = 0;
  GetWindowThreadProcessId(foreign, &process);
  if (process == GetCurrentProcessId()) GTEST_SKIP() << "the desktop window is this program's";
  ASSERT_TRUE(SetPropA(foreign, "TavFrameworkControl", reinterpret_cast<HANDLE>(uintptr_t(0x1234))));
  EXPECT_EQ(nullptr, FindControl(foreign));
  EXPECT_FALSE(IsVCLControl(foreign));
  RemovePropA(foreign, "TavFrameworkControl");
}
