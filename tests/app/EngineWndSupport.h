// What the engine window's tests share: a program folder of the test's own with its
// constants, the settings singleton made over it, a fake engine handed in through the
// exports, and answers to the message boxes the window shows (given on the main thread
// from a timer while the box's own message loop runs).
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "framework/ExtCtrls.h"
#include "framework/Forms.h"
#include "framework/StdCtrls.h"

#include "app/EngineWnd.h"
#include "app/SPTools.h"
#include "app/Settings.h"
#include "tests/app/FakeEngine.h"
#include "tests/app/OfflineUpdate.h"
#include "tests/framework/TestFolder.h"

// What a message box showed.
struct TShownBox {
  std::string Caption;
  std::string Text;
  bool OffersStop = false;  // the check box that stops the message
};

// Answers every message box that shows while it lives: the framework's message dialog
// (TMessageForm) and the system's (class #32770) of this thread. Answer gives the result
// for the box (and may ask to tick the stop box).
class TBoxAnswerer {
 public:
  using TAnswer = std::function<int(const TShownBox& Box, bool& TickStop)>;
  explicit TBoxAnswerer(TAnswer Answer) : FAnswer(std::move(Answer)), FTimer(new TTimer(nullptr)) {
    FTimer->SetInterval(30);
    FTimer->OnTimer = [this](TObject*) { Look(); };
  }
  ~TBoxAnswerer() { FTimer->Free(); }
  TBoxAnswerer(const TBoxAnswerer&) = delete;
  TBoxAnswerer& operator=(const TBoxAnswerer&) = delete;

  std::vector<TShownBox> Shown;

 private:
  void Look() {
    for (int i = 0; i < Screen->GetCustomFormCount(); ++i) {
      TCustomForm* form = Screen->GetCustomForm(i);
      if (form->ClassName() != "TMessageForm" || !form->GetVisible() || form->GetModalResult() != mrNone)
        continue;
      TShownBox box;
      box.Caption = form->GetCaption();
      if (auto* label = dynamic_cast<TLabel*>(form->FindComponent("Message"))) box.Text = label->GetCaption();
      auto* check = dynamic_cast<TCheckBox*>(form->FindComponent("checkbox"));
      box.OffersStop = check != nullptr;
      bool tick = false;
      const int result = FAnswer(box, tick);
      if (check && tick) check->SetChecked(true);
      Shown.push_back(box);
      form->SetModalResult(result);
      return;
    }
    const DWORD thread = GetCurrentThreadId();
    for (HWND wnd = FindWindowExA(nullptr, nullptr, "#32770", nullptr); wnd;
         wnd = FindWindowExA(nullptr, wnd, "#32770", nullptr)) {
      if (GetWindowThreadProcessId(wnd, nullptr) != thread || !IsWindowVisible(wnd)) continue;
      char caption[256] = {}, text[1024] = {};
      GetWindowTextA(wnd, caption, sizeof(caption));
      GetDlgItemTextA(wnd, 0xFFFF, text, sizeof(text));
      TShownBox box{caption, text, false};
      bool tick = false;
      const int result = FAnswer(box, tick);
      Shown.push_back(box);
      PostMessageA(wnd, WM_COMMAND, MAKEWPARAM(result, BN_CLICKED), 0);
      ShowWindow(wnd, SW_HIDE);  // answered: not seen twice
      return;
    }
  }

  TAnswer FAnswer;
  TTimer* FTimer;
};

// A program folder with constants, the settings singleton over it (its configuration
// folders are the test's own), the library's exports replaced by a fake engine and fake
// device functions.
class EngineWndTest : public ::testing::Test {
 protected:
  void SetUp() override {
    static int counter = 0;
    FConfigPath = "TaviscoTests\\EngineWnd-" + IntToStr(GetCurrentProcessId()) + "-" + IntToStr(counter++);
    WriteConst("");
    Engine = new TFakeEngine;
    gTest = this;
    FSavedExports = TfrmEngineWndLumetra::EngineExports;
    TfrmEngineWndLumetra::EngineExports = {&FakeCreateEngine, &FakeFindDevice, &FakeInstallDevice};
    MakeSettings();
    RemoveFolders();
  }

  void TearDown() override {
    if (Window) Window->Free();
    Window = nullptr;
    RemoveFolders();
    FreeSettings();
    TfrmEngineWndLumetra::EngineExports = FSavedExports;
    delete Engine;
    gTest = nullptr;
  }

  void WriteConst(const std::string& Extra) {
    WriteWholeFile(Program.File("const.dat"),
                   "[const]\r\nApp.ConfigPath=" + FConfigPath +
                       "\r\nApp.Ver=4.2.0.0\r\nApp.ID=1234\r\nDriver.HardwareID=root\\TaviscoVCam\r\n"
                       "Driver.InfFileName=Driver\\TaviscoVCam.inf\r\nDriver.FriendName=Tavisco Camera\r\n"
                       "PictureFilter=*.png;*.jpg\r\nFlashFilter=*.swf\r\nVideoFilter=*.avi\r\n" +
                       WithOfflineUpdate(Extra));
  }
  void MakeSettings() {
    FreeSettings();
    CreateSettings(Program.Path());
    FFolders = {GetSettings()->GetPerUserFolder(), GetSettings()->GetAllUsersFolder()};
  }
  void RemoveFolders() {
    for (const AnsiString& folder : FFolders) {
      ASSERT_NE(AnsiString::npos, folder.find(FConfigPath)) << folder;
      RemoveFolderTree(folder);
    }
  }
  // The settings a later start would read, written before the window exists.
  void PresetSettings(const std::string& Lines) {
    TSettings& settings = *GetSettings();
    ForceDirectories(settings.GetAllUsersFolder());
    WriteWholeFile(settings.GetAllUsersFolder() + "Setting.dat", "[setting]\r\n" + Lines);
  }

  TfrmEngineWndLumetra* Create() {
    Window = new TfrmEngineWndLumetra(Application);
    return Window;
  }

  static IVDEngine* WINAPI FakeCreateEngine() { return gTest->GiveEngine ? gTest->Engine : nullptr; }
  static BOOL WINAPI FakeFindDevice(const char* Id) {
    gTest->DeviceCalls.push_back("FindDevice(" + std::string(Id) + ")");
    return gTest->DevicePresent;
  }
  static int WINAPI FakeInstallDevice(const char* Inf, const char* Id) {
    gTest->DeviceCalls.push_back("InstallDevice(" + std::string(Inf) + "," + Id + ")");
    gTest->DevicePresent = gTest->InstallWorks;
    return 0;
  }

  // The configuration folder's name under the user's and the machine's folders.
  const AnsiString& ConfigPath() const { return FConfigPath; }

  static EngineWndTest* gTest;
  TTestFolder Program;
  TFakeEngine* Engine = nullptr;
  bool GiveEngine = true;
  bool DevicePresent = true;
  bool InstallWorks = true;
  std::vector<std::string> DeviceCalls;
  TfrmEngineWndLumetra* Window = nullptr;

 private:
  AnsiString FConfigPath;
  std::vector<AnsiString> FFolders;
  TEngineExports FSavedExports{};
};

inline EngineWndTest* EngineWndTest::gTest = nullptr;

// A main window stand-in with a caption, recording the messages the engine window hands it.
class TRecordingMainForm : public TForm {
 public:
  explicit TRecordingMainForm(TComponent* AOwner) : TForm(AOwner) {
    TComponentLoading loading(this);
    SetCaption("Lumetra  4.2.0.0");
    loading.Finish();
  }
  std::vector<std::string> Seen;

 protected:
  void Dispatch(TMessage& Message) override {
    if (Message.Msg == WM_ENGINE_PROPERTY_CHANGED || Message.Msg == 0x7EB)
      Seen.push_back(std::to_string(Message.Msg) + ":" + std::to_string(NativeInt(Message.WParam)) + ":" +
                     std::to_string(Message.LParam));
    TForm::Dispatch(Message);
  }
};
