// The player end to end: the engine window with the real engine library and the main
// window, in this process, driven by real input (menus, the open dialog, the list); a
// messenger's capture graph on the stand-in camera watches clips whose pixels code their
// frame numbers. Two clips added through the dialog play one after the other with the
// playing row marked, a path with "&" and "," plays, and a missing file in the list shows
// the engine's error text while the list goes on.
#include <objbase.h>

#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <string>
#include <thread>
#include <vector>

#include "app/EngineLibrary.h"
#include "app/EngineWnd.h"
#include "app/MainForm.h"
#include "app/PreviewBoxForm.h"
#include "app/SPTools.h"
#include "app/Settings.h"
#include "engine/effects/PropertyIds.h"
#include "platform/vcam/VcamDevice.h"
#include "tests/app/ScopedVideoDevice.h"
#include "tests/app/StandInCamera.h"
#include "tests/app/EngineWndSupport.h"
#include "tests/app/PlayerClips.h"
#include "tests/engine/CameraTestSupport.h"
#include "tests/framework/ControlTestSupport.h"
#include "tests/framework/FormTestSupport.h"
#include "tests/framework/TestFolder.h"

namespace {

constexpr const char* kHardwareId = kStandInCameraId;
constexpr int kWidth = kClipWidth, kHeight = kClipHeight;

class PlayerEndToEnd : public ::testing::Test {
 protected:
  void SetUp() override {
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    ASSERT_TRUE(InstallStandInCamera());
    ASSERT_TRUE(Buffer.Open());
    static int counter = 0;
    FConfigPath = "TaviscoTests\\Player-" + IntToStr(GetCurrentProcessId()) + "-" + IntToStr(counter++);
    WriteWholeFile(Program.File("const.dat"),
                   "[const]\r\nApp.ConfigPath=" + FConfigPath +
                       "\r\nApp.Ver=4.2.0.0\r\nApp.ID=1234\r\nDriver.HardwareID=" + kHardwareId +
                       "\r\nDriver.InfFileName=TaviscoCam.inf\r\nDriver.FriendName=" + camera_test::kCameraName +
                       "\r\nVideoFilter=*.avi\r\nPictureFilter=*.png\r\nFlashFilter=*.swf\r\nMediaExts=.avi\r\n" +
                       kOfflineUpdateConst);
    CreateSettings(Program.Path());
    // The program's icons, as they lie beside the program.
    ForceDirectories(Program.File("res\\images"));
    for (int n = 1; n <= 16; ++n) {
      const AnsiString name = "res\\images\\il_" + IntToStrPad(n, 2, '0') + ".png";
      CopyFileA((GetExeFolder() + name).c_str(), Program.File(name).c_str(), FALSE);
    }
    ASSERT_TRUE(WritePlayerClips(Clips.Path()));
    FSavedExports = TfrmEngineWndLumetra::EngineExports;
    TfrmEngineWndLumetra::EngineExports = LibraryEngineExports();
  }

  void TearDown() override {
    Capture.Stop();
    if (Main) Main->Free();
    if (EngineWnd) EngineWnd->Free();
    TfrmEngineWndLumetra::EngineExports = FSavedExports;
    const AnsiString folders[] = {GetSettings()->GetPerUserFolder(), GetSettings()->GetAllUsersFolder()};
    FreeSettings();
    for (const AnsiString& folder : folders)
      if (folder.find(FConfigPath) != AnsiString::npos) RemoveFolderTree(folder);
    Buffer.Close();
    RemoveStandInCamera();
    CoUninitialize();
  }

  // Settings of a later start, then the windows as the start-up makes them; the first
  // show runs. The messenger's capture graph starts once the camera has frames.
  void StartPlayer(const std::string& Settings, const std::string& PlayList = "") {
    TSettings& settings = *GetSettings();
    ForceDirectories(settings.GetAllUsersFolder());
    WriteWholeFile(settings.GetAllUsersFolder() + "Setting.dat",
                   "[setting]\r\nFirstTimeRun=0\r\nStream.Width=64\r\nStream.Height=48\r\nStream.Rate=20\r\n" +
                       Settings);
    if (!PlayList.empty()) WriteWholeFile(settings.GetAllUsersFolder() + "play.lst", PlayList);
    EngineWnd = new TfrmEngineWndLumetra(Application);
    ASSERT_TRUE(EngineWnd->HasEngine());
    Main = new TfrmMainFormLumetra(Application);
    Main->SetBounds(60, 60, 484, 580);
    Main->Show();
    ASSERT_TRUE(PumpUntil([&] {
      std::vector<uint8_t> frame;
      int32_t width = 0, height = 0;
      uint32_t count = 0;
      return Buffer.ReadFrame(frame, width, height, count) && width == kWidth && height == kHeight;
    }));
    ASSERT_TRUE(Capture.Start());
  }

  // The row the list marks as playing (-1: none).
  int MarkedRow() {
    TListItems* rows = Main->valueMediaPlayList->GetItems();
    for (int i = 0; i < rows->GetCount(); ++i)
      if (rows->GetItem(i)->GetImageIndex() == 1) return i;
    return -1;
  }

  // Runs the program until the camera showed the runs asked for, noting for each clip the
  // row the list marked while the camera showed it.
  std::string PlayUntil(const std::string& Wanted, DWORD TimeoutMs = 30000) {
    PumpUntil(
        [&] {
          const std::vector<int64_t> indices = Capture.Grabber()->Indices();
          if (!indices.empty()) {
            const char clip = ClipOf(indices.back());
            if (clip != '-') MarkedWhile[clip].push_back(MarkedRow());
          }
          return ClipRuns(indices).compare(0, Wanted.size(), Wanted) == 0;
        },
        TimeoutMs);
    return ClipRuns(Capture.Grabber()->Indices());
  }

  // Whether the list marked the row most of the time the camera showed the clip (the
  // list follows the engine's notice, which comes a moment after the switch).
  bool MostlyMarked(char Clip, int Row) {
    const std::vector<int>& rows = MarkedWhile[Clip];
    if (rows.empty()) return false;
    return std::count(rows.begin(), rows.end(), Row) * 2 > static_cast<long>(rows.size());
  }

  TTestFolder Program;
  TTestFolder Clips;
  vcam::FrameBuffer Buffer;
  camera_test::CameraCapture Capture;
  TfrmEngineWndLumetra* EngineWnd = nullptr;
  TfrmMainFormLumetra* Main = nullptr;
  std::map<char, std::vector<int>> MarkedWhile;

 private:
  AnsiString FConfigPath;
  TEngineExports FSavedExports{};
};

// The screen point of a control's centre.
TPoint Centre(TControl* Control) {
  return ScreenPoint(Control, Control->GetWidth() / 2, Control->GetHeight() / 2);
}

}  // namespace

TEST_F(PlayerEndToEnd, TwoClipsAddedThroughTheDialogPlayInOrderWithThePlayingRowMarked) {
  TFailOnException failures;
  // The open dialog starts in the clips' folder (the last file chosen).
  StartPlayer("OD.0=" + Clips.File(kClipA.file) + "\r\nMainForm.PreviewSize=1\r\n");
  const TPoint loop = Centre(Main->btnLoop), add = Centre(Main->btnPlayListAdd);
  TInputDriver input;
  // The loop menu: the second shown item repeats the whole list.
  input.Add([&] { ClickAt(loop.X, loop.Y); });
  input.Add([] {
    Sleep(200);
    TypeKey(VK_DOWN);
    TypeKey(VK_DOWN);
    TypeKey(VK_RETURN);
  });
  // The add menu, "Add File(s)" by its key, then the dialog: both clips.
  input.Add([&] {
    ClickAt(add.X, add.Y);
    Sleep(200);
    TypeKey('F');
    HWND dialog = WaitForTopWindow("#32770", "Open Media Files", 10000);
    if (!dialog) return;
    Sleep(300);
    const std::string names = std::string("\"") + kClipA.file + "\" \"" + kClipB.file + "\"";
    HWND combo = GetDlgItem(dialog, 0x47C);
    HWND edit = combo ? FindWindowExA(combo, nullptr, "Edit", nullptr) : nullptr;
    if (!edit) edit = GetDlgItem(dialog, 0x480);
    if (!edit) edit = FindChildWindow(dialog, "Edit", nullptr);
    SendMessageA(edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(names.c_str()));
    PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(dialog, IDOK)));
  });
  input.Run(40000);
  AnsiString loopMode;
  EngineWnd->GetProperty(MODULE_MAIN_SOURCE, PROP_PLAYLIST_LOOP, loopMode);
  EXPECT_EQ("2", loopMode);

  const std::string runs = PlayUntil("AB");
  EXPECT_EQ(0u, runs.find("AB")) << runs;
  TListItems* rows = Main->valueMediaPlayList->GetItems();
  ASSERT_EQ(2, rows->GetCount());
  EXPECT_EQ("1.  clip one.avi", rows->GetItem(0)->GetCaption());
  EXPECT_EQ("2.  Tom & Jerry, live.avi", rows->GetItem(1)->GetCaption());
  EXPECT_TRUE(MostlyMarked('A', 0));
  EXPECT_TRUE(MostlyMarked('B', 1));

  // The marked row shows as the playing one.
  PlayUntil("ABA");
  Main->valueMediaPlayList->ClearSelection();
  Main->valueMediaPlayList->Repaint();
  PumpFor(100);
  RECT r;
  GetWindowRect(Main->GetHandle(), &r);
  ScreenshotRect(r, "main_window_playing");
  if (TForm* box = Main->GetPreviewBox()) {
    GetWindowRect(box->GetHandle(), &r);
    ScreenshotRect(r, "preview_box_playing");
  }
  const int marked = MarkedRow();
  ASSERT_GE(marked, 0);
  const TRect row = rows->GetItem(marked)->DisplayRect(drBounds);
  EXPECT_EQ(static_cast<TColor>(RGB(177, 110, 70)),
            ScreenPixel(Main->valueMediaPlayList->ClientToScreen(TPoint(row.Right - 40, row.Top + 2))));
}

TEST_F(PlayerEndToEnd, AMissingFileShowsTheEnginesTextAndTheListGoesOn) {
  TFailOnException failures;
  const AnsiString missing = Clips.File("not there.avi");
  std::vector<std::string> shown;
  TBoxAnswerer answers([&](const TShownBox& Box, bool&) {
    shown.push_back(Box.Text);
    return mrOk;
  });
  // The list restored at the first show: one clip, a file that is gone, another clip.
  StartPlayer("Video.Loop=2\r\nMainForm.PreviewSize=0\r\n",
              Clips.File(kClipA.file) + "\r\n" + missing + "\r\n" + Clips.File("Tom &A Jerry&C live.avi") + "\r\n");
  const std::string runs = PlayUntil("AB");
  EXPECT_EQ(0u, runs.find("AB")) << runs;
  PumpUntil([&] { return !shown.empty(); }, 5000);
  ASSERT_FALSE(shown.empty());
  EXPECT_EQ("The Media File \"" + missing + "\" Error.", shown[0]);
  EXPECT_EQ(3, Main->valueMediaPlayList->GetItems()->GetCount());
}

// The screen as the source: its address given in the address dialog; the camera then shows
// the desktop (here a red window over all of it).
TEST_F(PlayerEndToEnd, TheScreenGivenInTheAddressDialogShowsTheDesktop) {
  TFailOnException failures;
  StartPlayer("MainForm.PreviewSize=0\r\n");
  std::thread user([&] {
    HWND dialog = WaitForTopWindow("TfrmInputUrlForm", nullptr, 10000);
    if (!dialog) return;
    Sleep(200);
    SendMessageA(FindChildWindow(dialog, "TEdit", nullptr), WM_SETTEXT, 0, reinterpret_cast<LPARAM>("@screen:"));
    PostMessageA(FindChildWindow(dialog, "TButton", "&OK"), BM_CLICK, 0, 0);
  });
  Main->acPlayListAddURL->Execute();
  user.join();
  ASSERT_TRUE(PumpUntil([&] { return Main->valueMediaPlayList->GetItems()->GetCount() == 1; }));
  EXPECT_EQ("1.  @screen:", Main->valueMediaPlayList->GetItems()->GetItem(0)->GetCaption());

  TOwned<TForm> cover(new TForm(Application));
  cover->SetBorderStyle(bsNone);
  cover->SetColor(clRed);
  cover->SetBounds(0, 0, Screen->GetWidth(), Screen->GetHeight());
  cover->Show();
  SetWindowPos(cover->GetHandle(), HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  auto mostlyRed = [&] {
    const camera_test::Captured frame = Capture.Last();
    if (frame.pixels.empty()) return false;
    int red = 0, all = 0;
    for (int y = 0; y < frame.header.biHeight; y += 4)
      for (int x = 0; x < frame.header.biWidth; x += 4, ++all) {
        const BYTE* p = frame.At(x, y);
        if (p[2] > 200 && p[1] < 60 && p[0] < 60) ++red;
      }
    return red * 10 > all * 9;
  };
  EXPECT_TRUE(PumpUntil(mostlyRed, 10000)) << "the camera shows the red desktop";
}

// From the playlist to a camera and on to another: "play.lst" keeps the list the playlist
// had (the second switch leaves no playlist, whatever rows the window shows then), and
// back on the playlist it plays again.
TEST_F(PlayerEndToEnd, ASwitchFromOneCameraToAnotherKeepsPlayLst) {
  TFailOnException failures;
  TScopedVideoDevice cameraA("TaviscoTestCameraA", L"Test Camera A"), cameraB("TaviscoTestCameraB", L"Test Camera B");
  ASSERT_TRUE(cameraA.Registered());
  ASSERT_TRUE(cameraB.Registered());
  // The test cameras deliver nothing: the engine says so, and the box is answered.
  TBoxAnswerer answers([](const TShownBox&, bool&) { return mrOk; });
  StartPlayer("Video.Loop=2\r\nMainForm.PreviewSize=0\r\n",
              Clips.File(kClipA.file) + "\r\n" + Clips.File("Tom &A Jerry&C live.avi") + "\r\n");
  ASSERT_TRUE(PumpUntil([&] { return Main->valueMediaPlayList->GetItems()->GetCount() == 2; }));
  auto deviceItem = [&](const char* Caption) -> TMenuItem* {
    TMenuItem* items = Main->pmSource->GetItems();
    for (int i = 0; i < items->GetCount(); ++i)
      if (items->GetItem(i)->GetCaption() == Caption) return items->GetItem(i);
    return nullptr;
  };
  TMenuItem* itemA = deviceItem("Test Camera A");
  TMenuItem* itemB = deviceItem("Test Camera B");
  ASSERT_TRUE(itemA && itemB) << "the source menu lists both cameras";
  const AnsiString list = GetSettings()->GetConfigFolder() + "play.lst";
  auto sourceType = [&] { return EngineWnd->GetProperty(MODULE_MAIN_SOURCE, PROP_SOURCE_TYPE); };

  itemA->Click();
  EXPECT_EQ("4", sourceType());
  PumpFor(500);  // the engine's notices of the switch reach the window
  const AnsiString saved = ReadWholeFile(list);
  TStringList lines;
  lines.SetText(saved);
  ASSERT_EQ(2, lines.GetCount()) << saved;
  EXPECT_NE(AnsiString::npos, lines.Get(0).find("clip one.avi"));
  EXPECT_NE(AnsiString::npos, lines.Get(1).find("Tom &A Jerry&C live.avi"));

  itemB->Click();
  EXPECT_EQ("4", sourceType());
  PumpFor(500);
  EXPECT_EQ(saved, ReadWholeFile(list));

  // Back to the playlist: the list plays again.
  Capture.Stop();
  Main->miChooseSource->GetItem(0)->Click();
  EXPECT_EQ("18", sourceType());
  ASSERT_TRUE(Capture.Start());
  const std::string runs = PlayUntil("AB");
  EXPECT_NE(std::string::npos, runs.find("AB")) << runs;
  EXPECT_EQ(2, Main->valueMediaPlayList->GetItems()->GetCount());
}
