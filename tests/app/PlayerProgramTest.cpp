// Tavisco.exe's player across a restart, driven as a user drives it: the window moved and
// sized, the loop menu, the volume pop-up, the add menu and the open dialog through real
// input, then the
// program closed and started again. The second run comes back where the first left:
// the window's place and size, the playlist (which plays again on the camera), the loop
// mode and the volume.
#include "framework/WinApi.h"

#include <commctrl.h>
#include <objbase.h>

#include <gtest/gtest.h>

#include "app/EngineLibrary.h"
#include "app/Instance.h"
#include "app/SPTools.h"
#include "platform/vcam/VcamDevice.h"
#include "tests/app/StandInCamera.h"
#include "tests/app/PlayerClips.h"
#include "tests/app/ProgramRun.h"
#include "tests/engine/CameraTestSupport.h"
#include "tests/framework/ControlTestSupport.h"
#include "tests/framework/FormTestSupport.h"

namespace {

// Where the main window keeps its controls, in client coordinates: the tool bar below the
// menu bar and the source row, its buttons 28 pixels wide.
constexpr int kToolBarMiddle = 24 + 32 + 1 + 14;
constexpr int kAddButtonMiddle = 4 + 14;
constexpr int kLoopButtonMiddle = 20 + 5 * 28 + 14;
constexpr int kVolumeButtonMiddle = 20 + 4 * 28 + 14;

TPoint OnScreen(HWND Window, int X, int Y) {
  POINT p = {X, Y};
  ClientToScreen(Window, &p);
  return FromPOINT(p);
}

// A visible dialog of the process with that title, waited for; null after the time.
HWND WaitForDialog(DWORD ProcessId, const char* Title, DWORD TimeoutMs = 10000) {
  const DWORD start = GetTickCount();
  do {
    for (HWND wnd : ProcessWindows(ProcessId, "#32770")) {
      char text[256] = {};
      GetWindowTextA(wnd, text, sizeof(text));
      if (IsWindowVisible(wnd) && AnsiString(text) == Title) return wnd;
    }
    Sleep(30);
  } while (GetTickCount() - start < TimeoutMs);
  return nullptr;
}

class PlayerProgram : public ::testing::Test {
 protected:
  void SetUp() override {
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    ASSERT_TRUE(InstallStandInCamera());
    ASSERT_TRUE(WritePlayerClips(Program.Folder().Path()));
  }
  void TearDown() override {
    Capture.Stop();
    RemoveStandInCamera();
    CoUninitialize();
  }

  // Runs until the camera showed the clips in that order; what it showed.
  std::string WatchCamera(const std::string& Wanted, DWORD TimeoutMs = 30000) {
    const DWORD start = GetTickCount();
    while (GetTickCount() - start < TimeoutMs) {
      if (ClipRuns(Capture.Grabber()->Indices()).find(Wanted) != std::string::npos) break;
      Sleep(50);
    }
    return ClipRuns(Capture.Grabber()->Indices());
  }

  int ListRows(HWND Main) {
    HWND list = FindChildWindow(Main, "TListView", nullptr);
    return list ? int(SendMessageA(list, LVM_GETITEMCOUNT, 0, 0)) : -1;
  }

  TProgramRun Program;
  camera_test::CameraCapture Capture;
};

}  // namespace

TEST_F(PlayerProgram, ARestartComesBackWithThePlaceThePlaylistTheLoopModeAndTheVolume) {
  // The open dialog starts in the clips' folder (the last file chosen there).
  Program.PresetSettings("OD.0=" + Program.Folder().File(kClipA.file) + "\r\nStream.Width=64\r\nStream.Height=48\r\n");
  ASSERT_TRUE(Program.Start());
  HWND main = Program.WaitForMainWindow();
  ASSERT_TRUE(main);
  Sleep(500);
  // The user moves and sizes the window.
  SetWindowPos(main, nullptr, 150, 120, 500, 600, SWP_NOZORDER | SWP_NOACTIVATE);
  SetForegroundWindow(main);
  Sleep(300);
  // The loop menu's second item repeats the list; the add menu's first item opens the
  // dialog, where both clips are chosen.
  const TPoint loop = OnScreen(main, kLoopButtonMiddle, kToolBarMiddle);
  ClickAt(loop.X, loop.Y);
  Sleep(400);
  TypeKey(VK_DOWN);
  TypeKey(VK_DOWN);
  TypeKey(VK_RETURN);
  Sleep(400);
  // The volume pop-up: its bar to the top.
  const TPoint volume = OnScreen(main, kVolumeButtonMiddle, kToolBarMiddle);
  ClickAt(volume.X, volume.Y);
  Sleep(400);
  TypeKey(VK_END);
  Sleep(200);
  TypeKey(VK_ESCAPE);
  SetForegroundWindow(main);
  Sleep(300);
  const TPoint add = OnScreen(main, kAddButtonMiddle, kToolBarMiddle);
  ClickAt(add.X, add.Y);
  Sleep(400);
  TypeKey('F');
  HWND dialog = WaitForDialog(Program.ProcessId(), "Open Media Files");
  ASSERT_TRUE(dialog);
  Sleep(300);
  HWND edit = FindChildWindow(dialog, "Edit", nullptr);
  ASSERT_TRUE(edit);
  const std::string names = std::string("\"") + kClipA.file + "\" \"" + kClipB.file + "\"";
  SendMessageA(edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(names.c_str()));
  PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(dialog, IDOK)));

  ASSERT_TRUE(Capture.Start());
  std::string runs = WatchCamera("ABA");
  EXPECT_NE(std::string::npos, runs.find("ABA")) << "the two clips, then the first again: " << runs;
  EXPECT_EQ(2, ListRows(main));
  Capture.Stop();
  SendMessageA(main, WM_MAIN_COMMAND, 0, 0);
  ASSERT_EQ(0, Program.WaitForExit());

  TMemIniFile* settings = Program.ReadSettings();
  EXPECT_EQ("2", settings->ReadString("setting", "Video.Loop", ""));
  EXPECT_EQ("100", settings->ReadString("setting", "Video.Volume", ""));
  EXPECT_EQ("150", settings->ReadString("setting", "MainForm.Left", ""));
  EXPECT_EQ("600", settings->ReadString("setting", "MainForm.Height", ""));

  // The second run: the same place and size, the playlist plays again, list repeating.
  ASSERT_TRUE(Program.Start());
  main = Program.WaitForMainWindow();
  ASSERT_TRUE(main);
  RECT r = {};
  for (int i = 0; i < 40 && ListRows(main) != 2; ++i) Sleep(100);
  GetWindowRect(main, &r);
  EXPECT_EQ(150, r.left);
  EXPECT_EQ(120, r.top);
  EXPECT_EQ(500, r.right - r.left);
  EXPECT_EQ(600, r.bottom - r.top);
  EXPECT_EQ(2, ListRows(main));
  ASSERT_TRUE(Capture.Start());
  runs = WatchCamera("BA");
  EXPECT_NE(std::string::npos, runs.find("BA")) << "played again, the list repeating: " << runs;
  ScreenshotRect(r, "tavisco-player-restarted");
  SendMessageA(main, WM_MAIN_COMMAND, 0, 0);
  ASSERT_EQ(0, Program.WaitForExit());
  // What the engine held when the second run closed came from the first run.
  settings = Program.ReadSettings();
  EXPECT_EQ("2", settings->ReadString("setting", "Video.Loop", ""));
  EXPECT_EQ("100", settings->ReadString("setting", "Video.Volume", ""));
}
