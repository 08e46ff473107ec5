// The engine window: its creation steps and the engine's calls in their order, the
// program without an engine, the driver question, texts and languages, message boxes with
// their show-again answers, engine events, the two engine messages, the folder switch,
// effects, stream settings, the icon list and the skin.
#include "tests/app/EngineWndSupport.h"

#include "framework/Graphics.h"

#include "app/Instance.h"
#include "engine/effects/PropertyIds.h"
#include "skin/data/PngImage.h"
#include "skin/data/PngImageList.h"
#include "skin/data/SkinData.h"

namespace {

std::vector<std::string> EngineCallsAfterCreation(const TFakeEngine& Engine) {
  std::vector<std::string> calls;
  for (const std::string& call : Engine.Calls)
    if (call != "Tick") calls.push_back(call);
  return calls;
}

void PumpFor(DWORD Ms) {
  const DWORD start = GetTickCount();
  while (GetTickCount() - start < Ms) {
    Application->ProcessMessages();
    Sleep(10);
  }
}

}  // namespace

TEST_F(EngineWndTest, CreationSetsUpTheEngineInOrderAndDestructionReleasesIt) {
  PresetSettings("Stream.Width=640\r\nStream.Height=480\r\nStream.Rate=15\r\nEffect.MultiEffects=Mask,Text\r\n"
                 "Effect.sort=0\r\n");
  DevicePresent = true;
  ASSERT_TRUE(Create()->HasEngine());
  EXPECT_EQ((std::vector<std::string>{"FindDevice(root\\TaviscoVCam)"}), DeviceCalls);
  const std::vector<std::string> expected = {
      "SetHostVersion(16896)",  // 4.2.0.0 packed
      "SetNotifyWindow(window)",
      "SetOwnerWindow(window)",
      "SetOutputSize(640x480)",
      "SetFrameRate(15)",
      "Initialize(Tavisco Camera)",
      "SetKindOrder(Background|Transform|Mask|Frame|Emotion|Text|Favorites)",
      "SetKindMultiple(Mask,-1)",
      "SetKindMultiple(Text,-1)",
      "SetSortByKind(0)",
  };
  EXPECT_EQ(expected, EngineCallsAfterCreation(*Engine));
  EXPECT_EQ(Window->GetHandle(), Engine->NotifyWindow);
  EXPECT_EQ(640, Window->GetStreamWidth());
  EXPECT_EQ(15, Window->GetStreamRate());
  EXPECT_FALSE(Window->GetVisible());

  // The 300 ms timer ticks the engine on this thread.
  PumpFor(700);
  EXPECT_GE(std::count(Engine->Calls.begin(), Engine->Calls.end(), "Tick"), 1);

  Engine->Calls.clear();
  Window->Free();
  Window = nullptr;
  EXPECT_EQ((std::vector<std::string>{"SetNotifyWindow(null)", "Release"}), Engine->Calls);
}

TEST_F(EngineWndTest, FirstRunChoosesTheWritableAllUsersFolderAndCountsTheRun) {
  Create();
  TSettings& settings = *GetSettings();
  EXPECT_TRUE(settings.HasAllUsersFlag());
  EXPECT_TRUE(settings.GetAllUsersFlag());
  EXPECT_TRUE(Window->GetAllUsers());
  EXPECT_EQ(settings.GetAllUsersFolder(), settings.GetConfigFolder());
  EXPECT_TRUE(FileExists(settings.GetConfigFolder() + "Setting.dat"));
  EXPECT_EQ("1", settings.ReadString("RunTimes", ""));
  EXPECT_EQ("English", settings.ReadString("Language", ""));
  EXPECT_NE(nullptr, Window->GetFavorites());
  EXPECT_NE(nullptr, Window->GetRemoveEffect());
}

// Without an engine (the library made none) the program goes on, and every call that
// needs the engine answers empty or false.
TEST_F(EngineWndTest, WithoutAnEngineEveryEngineCallAnswersEmptyOrFalse) {
  GiveEngine = false;
  Create();
  EXPECT_FALSE(Window->HasEngine());
  EXPECT_TRUE(DeviceCalls.empty());  // set-up ends where the engine is missing
  AnsiString value = "kept";
  EXPECT_FALSE(Window->GetProperty(-1, 0x1015, value));
  EXPECT_EQ("kept", value);
  EXPECT_EQ("", Window->GetProperty(-1, 0x1015));
  EXPECT_FALSE(Window->SetProperty(-1, 0x1015, "18"));
  TStringList sources;
  EXPECT_FALSE(Window->GetSourceList(&sources));
  EXPECT_EQ(0, sources.GetCount());
  EXPECT_FALSE(Window->SetStreamSize(320, 240));
  EXPECT_FALSE(Window->SetStreamRate(20));
  EXPECT_FALSE(Window->EnableEffect("Mask", true));
  Window->SetEffectSort(false);
  Window->PreviewMouse(WM_LBUTTONDOWN, 1, 2);
  Window->SetPreviewWindow(Window->GetHandle());
  GetSettings()->Write(Setting::StreamWidth, 640);
  Window->ApplyStreamSettings();
  SendMessageA(Window->GetHandle(), WM_ENGINE_EVENT, 1, 1013);
  SendMessageA(Window->GetHandle(), WM_ENGINE_PROPERTY_CHANGED, 0, PROP_SEGMENT_READY);
  PumpFor(400);  // the timer finds no engine to tick
  EXPECT_TRUE(Engine->Calls.empty());
  // The settings still record what the user chose.
  EXPECT_EQ("Mask", GetSettings()->ReadString("Effect.MultiEffects", ""));
  EXPECT_EQ("0", GetSettings()->ReadString("Effect.sort", ""));
}

// A missing driver is offered for installation with plain system message boxes; the INF
// file is the one beside the program, whatever the working folder is.
TEST_F(EngineWndTest, AMissingDriverIsOfferedAndInstalledFromTheProgramFolder) {
  struct Case {
    int answer;
    bool installWorks;
    std::vector<std::string> texts;
  };
  const std::string question = "Lumetra Capture Driver is not correctly installed. Fix it?";
  const Case cases[] = {
      {IDYES, true, {question, "Lumetra Capture Driver has been installed successfully."}},
      {IDYES, false, {question, "Lumetra Capture Driver Installation Error!"}},
      {IDNO, true, {question}},
  };
  char oldFolder[MAX_PATH] = {};
  GetCurrentDirectoryA(MAX_PATH, oldFolder);
  SetCurrentDirectoryA(GetSettings()->GetAllUsersFolder().substr(0, 3).c_str());  // another folder
  for (const Case& c : cases) {
    SCOPED_TRACE(c.answer);
    DevicePresent = false;
    InstallWorks = c.installWorks;
    DeviceCalls.clear();
    TBoxAnswerer answers([&](const TShownBox& Box, bool&) { return Box.Text == question ? c.answer : IDOK; });
    Create();
    std::vector<std::string> texts;
    for (const TShownBox& box : answers.Shown) {
      EXPECT_EQ("Lumetra", box.Caption);
      texts.push_back(box.Text);
    }
    EXPECT_EQ(c.texts, texts);
    if (c.answer == IDYES) {
      ASSERT_EQ(3u, DeviceCalls.size());
      EXPECT_EQ("InstallDevice(" + GetSettings()->GetProgramFolder() + "Driver\\TaviscoVCam.inf,root\\TaviscoVCam)",
                DeviceCalls[1]);
    } else {
      EXPECT_EQ(1u, DeviceCalls.size());
    }
    // The engine is set up whatever the answer.
    EXPECT_FALSE(Engine->CallsStartingWith("Initialize").empty());
    Window->Free();
    Window = nullptr;
    Engine->Calls.clear();
  }
  SetCurrentDirectoryA(oldFolder);
}

TEST_F(EngineWndTest, TextsComeFromTheCurrentLanguageThenTheBuiltInOne) {
  ForceDirectories(Program.File("langs"));
  WriteWholeFile(Program.File("langs\\Pirate.lan"),
                 "[Info]\r\nLanguage=Pirate\r\n[ResString]\r\nstrAppName=Lumetra Ahoy\r\n"
                 "MSGBOX_QuitApp=Abandon<br>ship?\r\nstrEmpty=\r\n[SkinRes]\r\nCLOSEBUTTON_HINT=Scuttle\r\n");
  Create();
  EXPECT_EQ("Lumetra", Window->GetText("strAppName"));
  EXPECT_EQ("Picture Files", Window->GetText("strPictureFiles"));
  EXPECT_EQ("noSuchId", Window->GetText("noSuchId"));

  Window->LoadLanguage("Pirate");
  EXPECT_EQ("Pirate", Window->GetLanguageName());
  EXPECT_EQ("Pirate", GetSettings()->ReadString("Language", ""));
  EXPECT_EQ("Lumetra Ahoy", Window->GetText("strAppName"));
  EXPECT_EQ("Abandon\r\nship?", Window->GetText("MSGBOX_QuitApp"));
  EXPECT_EQ("", Window->GetText("strEmpty"));                 // found, empty
  EXPECT_EQ("Picture Files", Window->GetText("strPictureFiles"));  // from the built-in one
  // The skin's texts take the language's [SkinRes] over their defaults.
  TStringList section;
  Window->GetSectionText("ResString", &section);
  EXPECT_EQ("Lumetra Ahoy", section.GetValue("strAppName"));
  EXPECT_EQ("Picture Files", section.GetValue("strPictureFiles"));
  EXPECT_EQ("Scuttle", Window->spResourceStrData->GetResStr("CLOSEBUTTON_HINT"));

  // A missing file keeps the texts; the setting still records the name.
  Window->LoadLanguage("Klingon");
  EXPECT_EQ("Klingon", GetSettings()->ReadString("Language", ""));
  EXPECT_EQ("Lumetra Ahoy", Window->GetText("strAppName"));
}

TEST_F(EngineWndTest, AForcedLanguageWinsOverTheSetting) {
  WriteConst("Language.Force=Missing\r\n");
  MakeSettings();
  PresetSettings("Language=Pirate\r\n");
  Create();
  EXPECT_EQ("Missing", GetSettings()->ReadString("Language", ""));
  EXPECT_EQ("Lumetra", Window->GetText("strAppName"));
}

TEST_F(EngineWndTest, MessageBoxesWaitForTheMainWindowAndRememberStoppedAnswers) {
  Create();
  // No main window yet: nothing is shown, the answer is 0.
  int reply = mrOk;
  TBoxAnswerer answers([&](const TShownBox&, bool& Tick) {
    Tick = true;
    return reply;
  });
  EXPECT_EQ(0, Window->ShowMessageBox("MSGBOX_QuitApp", {}, 5, mtConfirmation, TMsgDlgButtons{mbOK, mbCancel}, 1));
  EXPECT_TRUE(answers.Shown.empty());

  auto* main = new TRecordingMainForm(nullptr);
  Window->SetMainForm(main);
  // Id 0: no stop box, nothing remembered. Arguments fill %1.
  EXPECT_EQ(mrOk, Window->ShowMessageBox("ERRORMSG_1013", {"C:\\clip.avi"}, 0, mtError, TMsgDlgButtons{mbOK}, 0));
  ASSERT_EQ(1u, answers.Shown.size());
  EXPECT_EQ("The Media File \"C:\\clip.avi\" Error.", answers.Shown[0].Text);
  EXPECT_EQ("Lumetra  4.2.0.0", answers.Shown[0].Caption);
  EXPECT_FALSE(answers.Shown[0].OffersStop);

  // Id 5 stopped with OK: stored, then answered without showing (default result 1).
  EXPECT_EQ(mrOk, Window->ShowMessageBox("MSGBOX_QuitApp", {}, 5, mtConfirmation, TMsgDlgButtons{mbOK, mbCancel}, 1));
  ASSERT_EQ(2u, answers.Shown.size());
  EXPECT_TRUE(answers.Shown[1].OffersStop);
  EXPECT_EQ("Would you like to quit Lumetra?", answers.Shown[1].Text);
  EXPECT_FALSE(GetSettings()->GetShowAgain(5));
  EXPECT_EQ(mrOk, GetSettings()->GetShowAgainResult(5));
  EXPECT_EQ(mrOk, Window->ShowMessageBox("MSGBOX_QuitApp", {}, 5, mtConfirmation, TMsgDlgButtons{mbOK, mbCancel}, 1));
  EXPECT_EQ(2u, answers.Shown.size());

  answers.Shown.clear();

  // Id 6 stopped with Cancel and default 0: the remembered answer comes back.
  reply = mrCancel;
  EXPECT_EQ(mrCancel, Window->ShowMessageBox("MSGBOX_OtherAppClose", {}, 6, mtInformation, TMsgDlgButtons{mbOK}, 0));
  EXPECT_EQ(mrCancel, Window->ShowMessageBox("MSGBOX_OtherAppClose", {}, 6, mtInformation, TMsgDlgButtons{mbOK}, 0));
  EXPECT_EQ(1u, answers.Shown.size());
  main->Free();
  EXPECT_EQ(nullptr, Window->GetMainForm());
}

// An engine event shows its localized text once, made with the engine's text as it is:
// a path holding "%1" or "%%" is not formatted again, a text equal to an id is not
// looked up again.
TEST_F(EngineWndTest, EngineEventsShowTheirTextLiterally) {
  ForceDirectories(Program.File("langs"));
  WriteWholeFile(Program.File("langs\\Quiet.lan"), "[ResString]\r\nERRORMSG_1009=\r\n");
  Create();
  Window->LoadLanguage("Quiet");
  auto* main = new TRecordingMainForm(nullptr);
  Window->SetMainForm(main);
  TBoxAnswerer answers([](const TShownBox&, bool&) { return mrOk; });
  struct Case {
    int code;
    std::string engineText;
    std::string shown;  // empty: nothing shown
  };
  const Case cases[] = {
      {1013, "C:\\50%% off %1.avi", "The Media File \"C:\\50%% off %1.avi\" Error."},
      {1001, "disk full", "Record Error: \r\ndisk full"},
      {1009, "strAppName", "strAppName"},  // an empty language text: the engine's text as it is
      {4321, "x", "ERRORMSG_4321"},        // no text anywhere: the id
      {0, "nothing", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.code);
    answers.Shown.clear();
    Engine->EventCode = c.code;
    Engine->EventText = c.engineText;
    SendMessageA(Window->GetHandle(), WM_ENGINE_EVENT, 1, c.code);
    if (c.shown.empty()) {
      EXPECT_TRUE(answers.Shown.empty());
    } else {
      ASSERT_EQ(1u, answers.Shown.size());
      EXPECT_EQ(c.shown, answers.Shown[0].Text);
      EXPECT_FALSE(answers.Shown[0].OffersStop);
    }
  }
  // WParam 0 (the effect set changed) is no event to show.
  Engine->EventCode = 1013;
  answers.Shown.clear();
  Engine->Calls.clear();
  SendMessageA(Window->GetHandle(), WM_ENGINE_EVENT, 0, 0);
  EXPECT_TRUE(answers.Shown.empty());
  EXPECT_TRUE(Engine->CallsStartingWith("GetLastEvent").empty());
  main->Free();
}

TEST_F(EngineWndTest, PropertyChangesGoOnToTheMainWindowAndTheSegmentHookHearsItsOwn) {
  Create();
  int segmentReady = 0;
  Window->OnSegmentReady = [&] { ++segmentReady; };
  SendMessageA(Window->GetHandle(), WM_ENGINE_PROPERTY_CHANGED, WPARAM(-1), 0x1015);  // no main window yet
  auto* main = new TRecordingMainForm(nullptr);
  Window->SetMainForm(main);
  SendMessageA(Window->GetHandle(), WM_ENGINE_PROPERTY_CHANGED, 7, PROP_SEGMENT_READY);
  SendMessageA(Window->GetHandle(), WM_ENGINE_PROPERTY_CHANGED, WPARAM(-1), 0x1015);
  EXPECT_EQ(1, segmentReady);
  EXPECT_EQ((std::vector<std::string>{"2026:7:24577", "2026:-1:4117"}), main->Seen);
  main->Free();
}

TEST_F(EngineWndTest, SwitchingTheSettingsFolderRecordsItRestartsAndClosesTheMainWindow) {
  Create();
  std::vector<std::string> restarts;
  auto savedRestart = TfrmEngineWndLumetra::RestartProgram;
  TfrmEngineWndLumetra::RestartProgram = [&](const AnsiString& CommandLine) {
    restarts.push_back(CommandLine);
    return true;
  };
  auto* main = new TRecordingMainForm(nullptr);
  Window->SetMainForm(main);
  SendMessageA(Window->GetHandle(), WM_SWITCH_SETTINGS_FOLDER, 0, 0);
  EXPECT_FALSE(GetSettings()->GetAllUsersFlag());
  ASSERT_EQ(1u, restarts.size());
  EXPECT_EQ("\"" + GetExeFileName() + "\" -r", restarts[0]);
  EXPECT_EQ((std::vector<std::string>{"2027:0:0"}), main->Seen);  // WM_INSTANCE_QUIT
  SendMessageA(Window->GetHandle(), WM_SWITCH_SETTINGS_FOLDER, 1, 0);
  EXPECT_TRUE(GetSettings()->GetAllUsersFlag());
  TfrmEngineWndLumetra::RestartProgram = savedRestart;
  main->Free();
}

TEST_F(EngineWndTest, EffectKindsAndSortingAreKeptInTheSettings) {
  Create();
  Engine->Calls.clear();
  EXPECT_TRUE(Window->EnableEffect("Frame", true));
  EXPECT_TRUE(Window->EnableEffect("Frame", true));  // once in the list
  EXPECT_TRUE(Window->EnableEffect("Text", true));
  EXPECT_EQ("Frame,Text", GetSettings()->ReadString("Effect.MultiEffects", ""));
  EXPECT_TRUE(Window->EnableEffect("Frame", false));
  EXPECT_EQ("Text", GetSettings()->ReadString("Effect.MultiEffects", ""));
  Window->SetEffectSort(false);
  EXPECT_FALSE(Window->GetEffectSort());
  EXPECT_EQ("0", GetSettings()->ReadString("Effect.sort", ""));
  EXPECT_EQ((std::vector<std::string>{"SetKindMultiple(Frame,-1)", "SetKindMultiple(Frame,-1)",
                                      "SetKindMultiple(Text,-1)", "SetKindMultiple(Frame,0)", "SetSortByKind(0)"}),
            EngineCallsAfterCreation(*Engine));
}

TEST_F(EngineWndTest, StreamSettingsPassOnlyWhatChanged) {
  Create();
  int sizeChanges = 0;
  Window->OnStreamSizeChanged = [&](TObject*) { ++sizeChanges; };
  struct Case {
    int width, height, rate;
    std::vector<std::string> calls;
    int sizeChanges;
  };
  const Case cases[] = {
      {320, 240, 20, {}, 0},
      {640, 480, 20, {"SetOutputSize(640x480)"}, 1},
      {640, 480, 30, {"SetFrameRate(30)"}, 1},
      {160, 120, 5, {"SetOutputSize(160x120)", "SetFrameRate(5)"}, 2},
      // No rate (or a negative one) would stop the camera: the least rate instead.
      {160, 120, 0, {"SetFrameRate(1)"}, 2},
      {160, 120, -4, {}, 2},
      {160, 120, 5, {"SetFrameRate(5)"}, 2},
  };
  for (const Case& c : cases) {
    Engine->Calls.clear();
    GetSettings()->Write(Setting::StreamWidth, c.width);
    GetSettings()->Write(Setting::StreamHeight, c.height);
    GetSettings()->Write(Setting::StreamRate, c.rate);
    Window->ApplyStreamSettings();
    EXPECT_EQ(c.calls, EngineCallsAfterCreation(*Engine));
    EXPECT_EQ(c.sizeChanges, sizeChanges);
  }
  EXPECT_EQ(160, Window->GetStreamWidth());
  EXPECT_EQ(5, Window->GetStreamRate());
}

// A stored rate of 0 is raised to 1 at the start, where the engine gets it, and kept so.
TEST_F(EngineWndTest, AStoredRateOfNoFramesIsRaisedAtTheStart) {
  PresetSettings("Stream.Rate=0\r\n");
  Create();
  EXPECT_EQ((std::vector<std::string>{"SetFrameRate(1)"}), Engine->CallsStartingWith("SetFrameRate"));
  EXPECT_EQ(1, Window->GetStreamRate());
  EXPECT_EQ("1", GetSettings()->ReadString("Stream.Rate", ""));
}

TEST_F(EngineWndTest, EngineCallsPassThrough) {
  Engine->Devices = {"Cam One", "@device:one", "Cam Two", "@device:two"};
  Engine->Properties[0x1015] = "18";
  Create();
  TStringList sources;
  EXPECT_TRUE(Window->GetSourceList(&sources));
  EXPECT_EQ("Cam One\r\n@device:one\r\nCam Two\r\n@device:two\r\n", sources.GetText());
  EXPECT_EQ("18", Window->GetProperty(-1, 0x1015));
  EXPECT_TRUE(Window->SetProperty(-1, 0x1016, "2"));
  Engine->Calls.clear();
  Window->PreviewMouse(WM_MOUSEMOVE, 10, 20);
  Window->SetPreviewWindow(nullptr);
  EXPECT_EQ((std::vector<std::string>{"PreviewMouse(0,512,10,20)", "SetPreviewWindow(null)"}), Engine->Calls);
}

TEST_F(EngineWndTest, IconsLoadInOrderUpToSeventyAndNoneWithoutTheFirst) {
  ForceDirectories(Program.File("res\\images"));
  auto writeIcon = [&](int n) {
    TBitmap bitmap;
    bitmap.SetWidth(16);
    bitmap.SetHeight(16);
    TspPngImage png;
    png.AssignFromBitmapHandle(bitmap.GetHandle(), false, 0);
    png.SaveToFile(Program.File("res\\images\\il_" + IntToStrPad(n, 2, '0') + ".png"));
  };
  Create();
  EXPECT_EQ(0, Window->liIconsPng->GetCount());  // no first icon
  for (int n = 1; n <= 71; ++n) writeIcon(n);
  Window->LoadIconList();
  EXPECT_EQ(70, Window->liIconsPng->GetCount());
  EXPECT_EQ(16, Window->liIconsPng->GetWidth());
  DeleteFileA(Program.File("res\\images\\il_04.png").c_str());
  Window->LoadIconList();
  EXPECT_EQ(3, Window->liIconsPng->GetCount());
  writeIcon(4);
  // A picture that cannot be read stays an empty icon in its place; every other icon keeps
  // its index, and the list takes the size of the first one read.
  auto empties = [this] {
    std::vector<int> found;
    TspPngImageItems* items = Window->liIconsPng->GetPngImages();
    for (int i = 0; i < items->GetCount(); ++i)
      if (items->GetItem(i)->GetPngImage()->GetEmpty()) found.push_back(i);
    return found;
  };
  WriteWholeFile(Program.File("res\\images\\il_02.png"), "not a picture");
  Window->LoadIconList();
  EXPECT_EQ(70, Window->liIconsPng->GetCount());
  EXPECT_EQ(std::vector<int>{1}, empties());
  WriteWholeFile(Program.File("res\\images\\il_01.png"), "not a picture");
  Window->LoadIconList();
  EXPECT_EQ(70, Window->liIconsPng->GetCount());
  EXPECT_EQ((std::vector<int>{0, 1}), empties());
  EXPECT_EQ(16, Window->liIconsPng->GetWidth());
}

// "Favorites.dat" and "RemoveEffect.dat" as the settings file: one that exists but cannot
// be read reads as empty, and is neither in the way of the start nor written over.
TEST_F(EngineWndTest, ConfigFilesThatCannotBeReadReadAsEmptyAndStayAsTheyAre) {
  PresetSettings("");
  const AnsiString folder = GetSettings()->GetAllUsersFolder();
  std::vector<HANDLE> locks;
  for (const char* name : {"Favorites.dat", "RemoveEffect.dat"}) {
    WriteWholeFile(folder + name, "[Mask]\r\nOne=1\r\n");
    locks.push_back(CreateFileA((folder + name).c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
    ASSERT_NE(INVALID_HANDLE_VALUE, locks.back());
  }
  ASSERT_NO_THROW(Create());
  EXPECT_TRUE(Window->HasEngine());
  for (TMemIniFile* ini : {Window->GetFavorites(), Window->GetRemoveEffect()}) {
    ASSERT_TRUE(ini);
    EXPECT_FALSE(ini->SectionExists("Mask"));
    ini->WriteString("Mask", "Two", "2");
    ini->UpdateFile();
  }
  for (HANDLE lock : locks) CloseHandle(lock);
  for (const char* name : {"Favorites.dat", "RemoveEffect.dat"})
    EXPECT_EQ("[Mask]\r\nOne=1\r\n", ReadWholeFile(folder + name)) << name;
}

TEST_F(EngineWndTest, SkinsComeFromTheSkinsFolderElseTheStoredSkin) {
  Create();
  Window->LoadSkin("Default");  // no such file in this program folder
  EXPECT_EQ("", Window->GetSkinName());
  EXPECT_EQ("", GetSettings()->ReadString("Skin", "unset"));
  EXPECT_FALSE(Window->spSkinData->GetEmpty());
  ForceDirectories(Program.File("skins"));
  WriteWholeFile(Program.File("skins\\Broken.skn"), "not a skin");
  Window->LoadSkin("Broken");
  EXPECT_EQ("", Window->GetSkinName());
  EXPECT_FALSE(Window->spSkinData->GetEmpty());
}

TEST_F(EngineWndTest, TheDefaultCameraDialogIsToldWhetherThisIsTheFirstRun) {
  Create();
  std::vector<bool> shown;
  auto saved = TfrmEngineWndLumetra::DefaultCamDialog;
  Window->ShowDefaultCamDialog();  // no dialog yet: nothing
  TfrmEngineWndLumetra::DefaultCamDialog = [&](TfrmEngineWndLumetra* Owner, bool FirstRun) {
    EXPECT_EQ(Window, Owner);
    shown.push_back(FirstRun);
  };
  Window->ShowDefaultCamDialog();
  GetSettings()->Write(Setting::FirstTimeRun, false);
  Window->ShowDefaultCamDialog();
  EXPECT_EQ((std::vector<bool>{true, false}), shown);
  TfrmEngineWndLumetra::DefaultCamDialog = saved;
}
