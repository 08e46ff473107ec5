// The user interface's start and end: the windows are made in their order and, when the
// main window closes, freed again (the main window first) while the settings object still
// exists, so that what they write on their way out is kept.
#include "tests/app/EngineWndSupport.h"

#include "app/Instance.h"
#include "app/Main.h"
#include "app/MainForm.h"
#include "app/SplashForm.h"

TEST_F(EngineWndTest, TheWindowsGoBeforeTheSettingsTheMainWindowFirst) {
  PresetSettings("FirstTimeRun=0\r\n");
  std::vector<std::string> freed;
  bool hooked = false;
  auto* timer = new TTimer(nullptr);
  timer->SetInterval(50);
  timer->OnTimer = [&](TObject*) {
    if (hooked || !frmMainFormLumetra || !frmEngineWndLumetra || !frmMainFormLumetra->GetVisible()) return;
    hooked = true;
    // What the windows write on their way out, as a window that saves its place would.
    for (TForm* form : {static_cast<TForm*>(frmMainFormLumetra), static_cast<TForm*>(frmEngineWndLumetra)}) {
      const std::string name = form->GetName();
      TNotifyEvent before = form->OnDestroy;
      form->OnDestroy = [&freed, name, before](TObject* Sender) {
        freed.push_back(name);
        if (TSettings* settings = GetSettings()) settings->WriteString("Leaving." + name, "1");
        if (before) before(Sender);
      };
    }
    EXPECT_EQ(nullptr, frmSplashForm);  // gone at the main window's first show
    PostMessageA(frmMainFormLumetra->GetHandle(), WM_MAIN_COMMAND, 0, 0);
  };
  auto savedDialog = TfrmEngineWndLumetra::DefaultCamDialog;
  TfrmEngineWndLumetra::DefaultCamDialog = nullptr;
  RunUserInterface(TStartupRequest());
  timer->Free();
  // The engine window opens the default-camera dialog of the program.
  EXPECT_TRUE(TfrmEngineWndLumetra::DefaultCamDialog);
  TfrmEngineWndLumetra::DefaultCamDialog = savedDialog;

  EXPECT_TRUE(hooked);
  EXPECT_EQ((std::vector<std::string>{"frmMainFormLumetra", "frmEngineWndLumetra"}), freed);
  EXPECT_EQ(nullptr, frmMainFormLumetra);
  EXPECT_EQ(nullptr, frmEngineWndLumetra);
  ASSERT_NE(nullptr, GetSettings());
  EXPECT_EQ("1", GetSettings()->ReadString("Leaving.frmMainFormLumetra", ""));
  EXPECT_EQ("1", GetSettings()->ReadString("Leaving.frmEngineWndLumetra", ""));
  // Written through: the file has them too.
  TMemIniFile file(GetSettings()->GetConfigFolder() + "Setting.dat");
  EXPECT_EQ("1", file.ReadString("setting", "Leaving.frmMainFormLumetra", ""));
  // The engine was released on the way.
  EXPECT_FALSE(Engine->CallsStartingWith("Release").empty());
}
