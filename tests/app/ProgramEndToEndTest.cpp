// Tavisco.exe started as a user starts it, against the real engine library and the
// stand-in camera: frames of the configured size and rate reach a capture graph on the
// camera, the settings files after a first and a second run, "oem.dat" over "const.dat",
// a second instance handing over and ending, the quit switch and message, the installer
// switches, the show-again answer of the quit question, a language file's texts, a
// restart while the running instance still waits for the update server, and the program
// embedded in a host.
#include "framework/WinApi.h"

#include <commctrl.h>
#include <objbase.h>

#include <gtest/gtest.h>

#include <functional>

#include "app/EngineLibrary.h"
#include "app/Instance.h"
#include "app/SPTools.h"
#include "platform/vcam/VcamDevice.h"
#include "tests/app/PlayerClips.h"
#include "tests/app/StandInCamera.h"
#include "tests/app/ProgramRun.h"
#include "tests/app/WebTestServer.h"
#include "tests/engine/CameraTestSupport.h"
#include "tests/framework/ControlTestSupport.h"

namespace {

constexpr const char* kHardwareId = "root\\TaviscoVCam";

AnsiString WindowText(HWND Wnd) {
  char text[512] = {};
  GetWindowTextA(Wnd, text, sizeof(text));
  return text;
}

// A visible window of the process with the class, waited for; null after the time.
HWND WaitForProcessWindow(DWORD ProcessId, const char* ClassName, DWORD TimeoutMs = 15000) {
  const DWORD start = GetTickCount();
  do {
    for (HWND wnd : ProcessWindows(ProcessId, ClassName))
      if (IsWindowVisible(wnd)) return wnd;
    Sleep(30);
  } while (GetTickCount() - start < TimeoutMs);
  return nullptr;
}

// Waits until the condition holds or the time is up; whether it holds.
bool WaitFor(const std::function<bool()>& Condition, DWORD TimeoutMs) {
  const DWORD start = GetTickCount();
  while (!Condition()) {
    if (GetTickCount() - start >= TimeoutMs) return false;
    Sleep(30);
  }
  return true;
}

// The rows of the playlist of a main window of another process (-1 without the list).
int ListRows(HWND Main) {
  HWND list = FindChildWindow(Main, "TListView", nullptr);
  return list ? int(SendMessageA(list, LVM_GETITEMCOUNT, 0, 0)) : -1;
}

// A child window of a window of another process, by class and text (null: any text).
HWND ChildOf(HWND Parent, const char* ClassName, const char* Text) { return FindChildWindow(Parent, ClassName, Text); }

class ProgramEndToEnd : public ::testing::Test {
 protected:
  void SetUp() override {
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    ASSERT_TRUE(InstallStandInCamera());
    ASSERT_TRUE(Buffer.Open());
  }
  void TearDown() override {
    Buffer.Close();
    RemoveDevice(kHardwareId);
    CoUninitialize();
  }

  // Starts the program and waits for its main window.
  HWND StartProgram(const AnsiString& Arguments = AnsiString()) {
    EXPECT_TRUE(Program.Start(Arguments));
    HWND main = Program.WaitForMainWindow();
    EXPECT_TRUE(main) << "the main window answers with the run's id";
    return main;
  }

  uint32_t FramesWritten() {
    std::vector<uint8_t> pixels;
    int32_t width = 0, height = 0;
    uint32_t count = 0;
    return Buffer.ReadFrame(pixels, width, height, count) ? count : 0;
  }

  TProgramRun Program;
  vcam::FrameBuffer Buffer;
};

}  // namespace

TEST_F(ProgramEndToEnd, TheEngineWindowsSettingsReachTheCameraAsFramesOfTheirSizeAndRate) {
  Program.PresetSettings("Stream.Width=352\r\nStream.Height=288\r\nStream.Rate=15\r\n");
  HWND main = StartProgram();
  ASSERT_TRUE(main);
  // A messenger opens the camera once the program runs: the engine's frames are there.
  const DWORD started = GetTickCount();
  while (FramesWritten() == 0 && GetTickCount() - started < 15000) Sleep(20);
  const uint32_t seen = FramesWritten();
  while (FramesWritten() == seen && GetTickCount() - started < 15000) Sleep(20);
  camera_test::CameraCapture capture;
  ASSERT_TRUE(capture.Start());
  const DWORD start = GetTickCount();
  while (capture.Grabber()->Samples() < 3 && GetTickCount() - start < 15000) Sleep(50);
  ASSERT_GE(capture.Grabber()->Samples(), 3);
  const camera_test::Captured frame = capture.Last();
  EXPECT_EQ(352, frame.header.biWidth);
  EXPECT_EQ(288, std::abs(frame.header.biHeight));
  int32_t width = 0, height = 0;
  EXPECT_TRUE(Buffer.GetSize(width, height));
  EXPECT_EQ(352, width);
  EXPECT_EQ(288, height);

  // The engine composes at the configured rate: about 15 frames a second.
  const uint32_t first = FramesWritten();
  const DWORD from = GetTickCount();
  Sleep(3000);
  const double rate = (FramesWritten() - first) * 1000.0 / double(GetTickCount() - from);
  EXPECT_GT(rate, 15 * 0.6);
  EXPECT_LT(rate, 15 * 1.3);

  Screenshot(main, "tavisco-main-window");
  capture.Stop();
  SendMessageA(main, WM_MAIN_COMMAND, 0, 0);
  EXPECT_EQ(0, Program.WaitForExit());
}

// A first run writes the settings it touches and counts itself; WM_MAIN_COMMAND with
// WParam 0 and the switch s end the running program, which saves its playback settings.
TEST_F(ProgramEndToEnd, SettingsAfterAFirstAndASecondRunAndTheTwoWaysToEndIt) {
  Program.PresetSettings();
  HWND main = StartProgram();
  ASSERT_TRUE(main);
  SendMessageA(main, WM_MAIN_COMMAND, 1, 0);  // other values are ignored
  Sleep(300);
  EXPECT_TRUE(Program.Running());
  SendMessageA(main, WM_MAIN_COMMAND, 0, 0);
  EXPECT_EQ(0, Program.WaitForExit());

  struct Expected {
    const char* key;
    const char* value;
  };
  const Expected firstRun[] = {
      {"RunTimes", "1"},          {"Language", "English"}, {"Skin", "Default"},
      {"Effect.sort", "1"},       {"FirstTimeRun", "0"},
      {"Video.Volume", "50"},     {"Video.Mute", "0"},     {"Video.Loop", "1"},
  };
  TMemIniFile* settings = Program.ReadSettings();
  for (const Expected& e : firstRun) {
    EXPECT_TRUE(settings->ValueExists("setting", e.key)) << e.key;
    EXPECT_EQ(e.value, settings->ReadString("setting", e.key, "missing")) << e.key;
  }
  TMemIniFile flag(Program.UserFolder() + "UserFlag.ini");
  EXPECT_EQ("0", flag.ReadString("Flag", "AllUsers", ""));  // as the test left it

  // The second run counts itself; "-s" from a new process ends it, and it saves the
  // playback settings again on the way (the key taken out in between comes back).
  settings->DeleteKey("setting", "Video.Volume");
  settings->UpdateFile();
  ASSERT_TRUE(StartProgram());
  EXPECT_EQ(0, Program.RunToEnd("-s"));
  EXPECT_EQ(0, Program.WaitForExit());
  settings = Program.ReadSettings();
  EXPECT_EQ("2", settings->ReadString("setting", "RunTimes", ""));
  EXPECT_EQ("50", settings->ReadString("setting", "Video.Volume", "missing"));

  // "-s" with nothing running ends at once.
  EXPECT_EQ(0, Program.RunToEnd("/S"));
}

TEST_F(ProgramEndToEnd, OemConstantsWinOverConst) {
  Program.PresetSettings();
  const int oemId = Program.AppId() + 1;
  WriteWholeFile(Program.Folder().File("oem.dat"),
                 "[const]\r\nApp.ID=" + IntToStr(oemId) + "\r\nApp.Ver=9.8.7.6\r\n");
  ASSERT_TRUE(Program.Start());
  HWND main = nullptr;
  for (int i = 0; i < 400 && !main && Program.Running(); ++i, Sleep(50)) main = FindRunningInstance(oemId);
  ASSERT_TRUE(main) << "the main window answers with the id of oem.dat";
  EXPECT_EQ(nullptr, FindRunningInstance(Program.AppId()));
  EXPECT_EQ("Lumetra  9.8.7.6", WindowText(main));
  SendMessageA(main, WM_INSTANCE_QUIT, 0, 0);
  EXPECT_EQ(0, Program.WaitForExit());
}

TEST_F(ProgramEndToEnd, ASecondInstanceHandsOverItsFileAndEnds) {
  Program.PresetSettings();
  HWND main = StartProgram();
  ASSERT_TRUE(main);
  EXPECT_EQ(0, Program.RunToEnd("\"C:\\media files\\clip one.avi\""));
  EXPECT_EQ(0, Program.RunToEnd("-autorun"));
  EXPECT_TRUE(Program.Running());
  EXPECT_EQ(main, FindRunningInstance(Program.AppId()));  // still the only one
  EXPECT_EQ(1u, ProcessWindows(Program.ProcessId(), "TfrmMainFormLumetra").size());
  EXPECT_EQ(0, Program.RunToEnd("-s"));
  EXPECT_EQ(0, Program.WaitForExit());
}

// The switches i and u run the camera installer with the INF file beside the program,
// whatever the working folder; the installer logs its command line.
TEST_F(ProgramEndToEnd, TheInstallerSwitchesRunTheInstallerWithTheirCommandLines) {
  const struct {
    const char* args;
    AnsiString logged;
  } cases[] = {
      {"-i", "command: /i " + Program.Folder().File("TaviscoCam.inf") + " /n root\\TaviscoVCam"},
      {"/U", "command: /u /n root\\TaviscoVCam"},
      {"/I", "command: /i " + Program.Folder().File("TaviscoCam.inf") + " /n root\\TaviscoVCam"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.args);
    DeleteFileA(Program.Folder().File("drvinst.log").c_str());
    EXPECT_EQ(0, Program.RunToEnd(c.args, 30000, "C:\\"));
    EXPECT_NE(AnsiString::npos, Program.InstallerLog().find(c.logged)) << Program.InstallerLog();
  }
  EXPECT_TRUE(FindDevice(kHardwareId));
  EXPECT_FALSE(FileExists(Program.UserFolder() + "Setting.dat"));  // no user interface ran
}

// The quit question: Cancel keeps the program; OK with the stop box ticked ends it and is
// remembered, so that the next close ends at once.
TEST_F(ProgramEndToEnd, TheQuitQuestionsShowAgainAnswerIsStoredAndHonoured) {
  Program.PresetSettings();
  HWND main = StartProgram();
  ASSERT_TRUE(main);
  auto ask = [&](bool Tick, const char* Button) {
    PostMessageA(main, WM_CLOSE, 0, 0);
    HWND box = WaitForProcessWindow(Program.ProcessId(), "TMessageForm");
    if (!box) return false;
    EXPECT_EQ("Lumetra  1.0.0.0", WindowText(box));
    HWND check = ChildOf(box, "TCheckBox", nullptr);
    EXPECT_TRUE(check) << "the stop box is offered";
    if (Tick && check) PostMessageA(check, BM_CLICK, 0, 0);
    Sleep(400);  // the box ticked and painted
    Screenshot(box, "tavisco-quit-question");
    HWND button = ChildOf(box, "TButton", Button);
    EXPECT_TRUE(button) << Button;
    if (!button) return false;
    PostMessageA(button, BM_CLICK, 0, 0);
    return true;
  };
  ASSERT_TRUE(ask(false, "Cancel"));
  Sleep(500);
  EXPECT_TRUE(Program.Running());
  ASSERT_TRUE(ask(true, "OK"));
  EXPECT_EQ(0, Program.WaitForExit());
  TMemIniFile* settings = Program.ReadSettings();
  EXPECT_EQ("0", settings->ReadString("ShowAgain", "5", ""));
  EXPECT_EQ("1", settings->ReadString("ShowAgainModuleResult", "5", ""));

  main = StartProgram();
  ASSERT_TRUE(main);
  PostMessageA(main, WM_CLOSE, 0, 0);
  EXPECT_EQ(0, Program.WaitForExit());  // no question
}

// A language file names the product and words the driver question, with a line break.
TEST_F(ProgramEndToEnd, ALanguageFileRelabelsTheCaptionAndBreaksTheMessagesLine) {
  RemoveDevice(kHardwareId);
  Program.PresetSettings("Language=Pirate\r\n");
  ForceDirectories(Program.Folder().File("langs"));
  WriteWholeFile(Program.Folder().File("langs\\Pirate.lan"),
                 "[Info]\r\nLanguage=Pirate\r\n[ResString]\r\nstrAppName=Piratecam\r\n"
                 "MSGBOX_Drivernotinstalled=No camera aboard.<BR>Fix it?\r\n");
  ASSERT_TRUE(Program.Start());
  HWND question = WaitForProcessWindow(Program.ProcessId(), "#32770");
  ASSERT_TRUE(question);
  Sleep(300);  // painted, for the picture
  EXPECT_EQ("Piratecam", WindowText(question));
  char text[256] = {};
  GetDlgItemTextA(question, 0xFFFF, text, sizeof(text));
  EXPECT_EQ("No camera aboard.\r\nFix it?", AnsiString(text));
  Screenshot(question, "tavisco-driver-question");
  PostMessageA(question, WM_COMMAND, IDNO, 0);
  HWND main = Program.WaitForMainWindow();
  ASSERT_TRUE(main);
  EXPECT_EQ("Piratecam  1.0.0.0", WindowText(main));
  EXPECT_FALSE(FindDevice(kHardwareId));  // No: nothing installed
  SendMessageA(main, WM_INSTANCE_QUIT, 0, 0);
  EXPECT_EQ(0, Program.WaitForExit());
}

// The restart that the settings-folder switch starts (the switch r) while the running
// instance is still in its first show, waiting for the update server: that instance can
// end only once the check is over, and the new one waits for it rather than giving up.
// "play.lst" keeps its list through the quit that came during the check, and through the
// new instance's run.
TEST_F(ProgramEndToEnd, ARestartWaitsForTheOldInstanceWhichKeepsItsPlaylist) {
  TWebTestServer server;
  ASSERT_NE(0, server.Port());
  server.Answer("/update", 200, "magicword=Tavisco\r\nResult=0\r\n", 4);
  Program.WriteConst("App.MagicWord=Tavisco\r\nURL.update=" + server.Url("/update") + "\r\n");
  Program.PresetSettings("MainForm.PreviewSize=0\r\nStream.Width=64\r\nStream.Height=48\r\n");
  ASSERT_TRUE(WritePlayerClips(Program.Folder().Path()));
  const AnsiString list = Program.UserFolder() + "play.lst";
  WriteWholeFile(list, Program.Folder().File(kClipA.file) + "\r\n" + Program.Folder().File("Tom &A Jerry&C live.avi") +
                           "\r\n");
  auto listKept = [&] {
    TStringList lines;
    lines.SetText(ReadWholeFile(list));
    return lines.GetCount() == 2 && lines.Get(0).find("clip one.avi") != AnsiString::npos &&
           lines.Get(1).find("Tom &A Jerry&C live.avi") != AnsiString::npos;
  };
  ASSERT_TRUE(StartProgram());
  ASSERT_TRUE(WaitFor([&] { return !server.Requests().empty(); }, 20000)) << "the first show asks for updates";
  HANDLE old = OpenProcess(SYNCHRONIZE, FALSE, Program.ProcessId());
  ASSERT_TRUE(old);
  ASSERT_TRUE(Program.Start("-r"));
  EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(old, 30000)) << "the old instance ends";
  CloseHandle(old);
  EXPECT_TRUE(listKept()) << ReadWholeFile(list);
  HWND main = Program.WaitForMainWindow(30000);
  ASSERT_TRUE(main) << "the new instance runs";
  EXPECT_TRUE(WaitFor([&] { return ListRows(main) == 2; }, 20000)) << "and plays the list again";
  SendMessageA(main, WM_MAIN_COMMAND, 0, 0);
  EXPECT_EQ(0, Program.WaitForExit(30000));
  EXPECT_TRUE(listKept()) << ReadWholeFile(list);
}

// Embedded in a host program: a handle that is no window ends the start at once; given a
// window, the running instance makes way, no splash window shows, the embedded mode's
// mutex is held, the update query names the host, and the answer is never shown.
TEST_F(ProgramEndToEnd, EmbeddedInAHostProgram) {
  TWebTestServer server;
  ASSERT_NE(0, server.Port());
  server.Answer("/update", 200, "magicword=Tavisco\r\nResult=0\r\n");
  Program.WriteConst("App.MagicWord=Tavisco\r\nURL.update=" + server.Url("/update") + "\r\n");
  Program.PresetSettings();
  for (const char* args : {"-embed 0 Host", "-embed none Host", "/EMBED 1 Host"}) {
    SCOPED_TRACE(args);
    EXPECT_EQ(0, Program.RunToEnd(args));
  }
  EXPECT_FALSE(Program.ReadSettings()->ValueExists("setting", "RunTimes")) << "no user interface ran";

  HWND host = CreateWindowA("STATIC", "Host", WS_OVERLAPPEDWINDOW, 0, 0, 200, 100, nullptr, nullptr, nullptr, nullptr);
  ASSERT_TRUE(host);
  ASSERT_TRUE(StartProgram());
  ASSERT_TRUE(WaitFor([&] { return !server.Requests().empty(); }, 20000));
  HANDLE old = OpenProcess(SYNCHRONIZE, FALSE, Program.ProcessId());
  ASSERT_TRUE(old);
  // An announcement: a program that is not embedded would show it.
  server.ClearRequests();
  server.Answer("/update", 200, "magicword=Tavisco\r\nResult=1\r\ninfo=A new version is out\r\n");
  ASSERT_TRUE(Program.Start("-embed " + IntToStr(reinterpret_cast<NativeInt>(host)) + " \"Host App\" extra"));
  EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(old, 30000)) << "the running instance makes way";
  CloseHandle(old);
  bool splash = false;
  auto splashShown = [&] {
    for (HWND wnd : ProcessWindows(Program.ProcessId(), "TfrmSplashForm"))
      if (IsWindowVisible(wnd)) splash = true;
  };
  HWND main = nullptr;
  WaitFor(
      [&] {
        splashShown();
        main = FindRunningInstance(Program.AppId());
        return main || !Program.Running();
      },
      30000);
  ASSERT_TRUE(main);
  ASSERT_TRUE(WaitFor(
      [&] {
        splashShown();
        return !server.Requests().empty();
      },
      20000));
  const std::vector<TRecordedRequest> requests = server.Requests();
  EXPECT_NE(std::string::npos, requests[0].Line.find("&CONT=Host%20App&")) << requests[0].Line;
  char guid[64];
  snprintf(guid, sizeof(guid), "Global\\{7A1C0E55-0000-4000-8000-%012d}_EMBED", Program.AppId());
  HANDLE embedMutex = OpenMutexA(SYNCHRONIZE, FALSE, guid);
  EXPECT_TRUE(embedMutex) << "the embedded mode's mutex";
  if (embedMutex) CloseHandle(embedMutex);
  // The answer came at once; whatever it would show would be up by now.
  EXPECT_FALSE(WaitFor([&] { return WaitForProcessWindow(Program.ProcessId(), "TMessageForm", 0) != nullptr; }, 2000))
      << "no answer shown";
  EXPECT_FALSE(splash) << "no splash window";
  Screenshot(main, "tavisco-embedded");
  SendMessageA(main, WM_MAIN_COMMAND, 0, 0);
  EXPECT_EQ(0, Program.WaitForExit(30000));
  DestroyWindow(host);
}
