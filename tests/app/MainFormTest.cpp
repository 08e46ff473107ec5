// The main window over a fake engine: the first show's steps in their order, what each
// playlist command sends, the rows and pictures the engine's values give, the play and
// pause place, the source menus, always-on-top around modal dialogs, the caption, the
// window's place, dropped files, the instance messages and the quit question. The list's
// mouse and keys are driven by real input.
#include <shlobj.h>

#include <algorithm>
#include <cstring>
#include <set>
#include <thread>

#include "app/Instance.h"
#include "app/ListText.h"
#include "app/MainForm.h"
#include "app/PreviewBoxForm.h"
#include "app/VolumeForm.h"
#include "engine/effects/PropertyIds.h"
#include "tests/app/EngineWndSupport.h"
#include "tests/app/WebTestServer.h"
#include "tests/framework/ControlTestSupport.h"
#include "tests/framework/FormTestSupport.h"

namespace {

std::string Set(int32_t Id, const std::string& Value) {
  return "SetProperty(-1," + std::to_string(Id) + "," + Value + ")";
}

class MainFormTest : public EngineWndTest {
 protected:
  void TearDown() override {
    if (Main) Main->Free();
    Main = nullptr;
    TfrmEngineWndLumetra::DefaultCamDialog = nullptr;
    EngineWndTest::TearDown();
  }

  // The engine window, then the main window, shown (its first show runs). The settings
  // of a later start are written first; the first-run dialog is already done.
  TfrmMainFormLumetra* ShowMain(const std::string& Settings = "") {
    PresetSettings("FirstTimeRun=0\r\nMainForm.PreviewSize=0\r\n" + Settings);
    Create();
    Main = new TfrmMainFormLumetra(Application);
    // The display's colour depth may bring a warning at the first show: answered.
    TBoxAnswerer answers([this](const TShownBox& Box, bool&) {
      StartBoxes.push_back(Box.Text);
      return mrOk;
    });
    Main->Show();
    Pump(50);
    return Main;
  }

  // The property calls since the last look.
  std::vector<std::string> Sent() {
    std::vector<std::string> sent;
    for (size_t i = FSeen; i < Engine->Calls.size(); ++i)
      if (Engine->Calls[i].rfind("SetProperty(", 0) == 0) sent.push_back(Engine->Calls[i]);
    FSeen = Engine->Calls.size();
    return sent;
  }
  void Forget() { Sent(); }

  // The engine reports a change of a property of the main source.
  void Report(int32_t Id, const std::string& Value) {
    Engine->Properties[Id] = Value;
    Main->Perform(WM_ENGINE_PROPERTY_CHANGED, NativeUInt(MODULE_MAIN_SOURCE), Id);
  }

  void Select(const std::vector<int>& Rows) {
    TListItems* items = Main->valueMediaPlayList->GetItems();
    for (int i = 0; i < items->GetCount(); ++i) items->GetItem(i)->SetSelected(false);
    for (int row : Rows) items->GetItem(row)->SetSelected(true);
  }

  static void Pump(DWORD Ms) {
    const DWORD start = GetTickCount();
    while (GetTickCount() - start < Ms) {
      Application->ProcessMessages();
      Sleep(5);
    }
  }

  TfrmMainFormLumetra* Main = nullptr;
  std::vector<std::string> StartBoxes;

 private:
  size_t FSeen = 0;
};

}  // namespace

TEST_F(MainFormTest, FirstShowRunsItsStepsInOrder) {
  PresetSettings("");
  const AnsiString list = GetSettings()->GetAllUsersFolder() + "play.lst";
  ForceDirectories(GetSettings()->GetAllUsersFolder());
  WriteWholeFile(list, "C:\\a.avi\r\nD:\\Rock &A Roll&C live.mpg\r\n");
  ShowMain("MainForm.Left=120\r\nMainForm.Top=90\r\nMainForm.Width=500\r\nMainForm.Height=600\r\n"
           "Video.Volume=30\r\nVideo.Mute=0\r\nVideo.Loop=2\r\n");
  const std::vector<std::string> expected = {
      Set(PROP_SOURCE_TYPE, "18"),
      Set(PROP_PLAYER_VOLUME, "30"),
      Set(PROP_PLAYER_MUTE, "0"),
      Set(PROP_PLAYLIST_LOOP, "2"),
      Set(PROP_PLAYLIST_REMOVE, "-1"),
      // play.lst holds pieces as the engine wrote them: they go back unchanged.
      Set(PROP_PLAYLIST_ADD, "C:\\a.avi|\"D:\\Rock &A Roll&C live.mpg\""),
      Set(PROP_PLAYER_PLAY, "1"),
  };
  EXPECT_EQ(expected, Sent());
  EXPECT_EQ(TRect(120, 90, 620, 690), Main->GetBoundsRect());
  EXPECT_TRUE(Main->GetFirstShowDone());
  EXPECT_TRUE(Main->GetBindingActive());
  EXPECT_EQ(MODULE_MAIN_SOURCE, Main->GetModuleId());
  EXPECT_EQ("Lumetra  4.2.0.0", Main->GetCaption());

  // The bindings read the engine once active, in their order.
  std::vector<std::string> reads;
  for (const std::string& call : Engine->Calls)
    if (call.rfind("GetProperty(-1,", 0) == 0) reads.push_back(call);
  ASSERT_GE(reads.size(), 9u);
  const int32_t order[] = {PROP_PLAYLIST_ITEMS, PROP_PLAYLIST_INDEX, PROP_PLAYER_STOP,
                           PROP_PLAYER_PLAY,    PROP_PLAYER_PAUSE,   PROP_PLAYLIST_LOOP,
                           PROP_PLAYER_PLAY,    PROP_PLAYER_PAUSE,   PROP_PLAYER_STOP};
  for (int i = 0; i < 9; ++i) EXPECT_EQ("GetProperty(-1," + std::to_string(order[i]) + ",)", reads[i]) << i;

  // A later show runs none of it again.
  Forget();
  Main->Hide();
  Main->Show();
  Pump(50);
  EXPECT_TRUE(Sent().empty());
}

TEST_F(MainFormTest, PlaylistCommandsSendTheirValues) {
  ShowMain();
  Report(PROP_PLAYLIST_ITEMS, "0|a.avi|b.avi|c.avi|d.avi|e.avi");
  ASSERT_EQ(5, Main->valueMediaPlayList->GetItems()->GetCount());
  Forget();
  struct Case {
    const char* name;
    std::vector<int> rows;
    std::function<void()> run;
    std::vector<std::string> sent;
  };
  TfrmMainFormLumetra* m = Main;
  auto execute = [](TAction* Action) { return [Action] { Action->Execute(); }; };
  auto dropOn = [m](int Row) {
    return [m, Row] {
      const TRect r = m->valueMediaPlayList->GetItems()->GetItem(Row)->DisplayRect(drBounds);
      m->valueMediaPlayList->OnDragDrop(m->valueMediaPlayList, m->valueMediaPlayList, r.Left + 5, r.Top + 2);
    };
  };
  const Case cases[] = {
      {"up", {0, 2}, execute(Main->acPlayListUp), {Set(PROP_PLAYLIST_MOVE, "-1|0|2")}},
      {"down", {1}, execute(Main->acPlayListDown), {Set(PROP_PLAYLIST_MOVE, "1|1")}},
      {"up without a selection", {}, execute(Main->acPlayListUp), {}},
      {"remove selected", {1, 3}, execute(Main->acPlayListRemoveSelected), {Set(PROP_PLAYLIST_REMOVE, "1|3")}},
      {"remove selected without a selection", {}, execute(Main->acPlayListRemoveSelected), {}},
      {"remove all", {}, execute(Main->acPlayListRemoveAll), {Set(PROP_PLAYLIST_REMOVE, "-1")}},
      {"jump to", {2}, execute(Main->acPlayListJumpTo), {Set(PROP_PLAYLIST_INDEX, "2")}},
      {"jump without a selection", {}, execute(Main->acPlayListJumpTo), {}},
      {"drag 1 and 2 onto row 0", {1, 2}, dropOn(0), {Set(PROP_PLAYLIST_MOVE, "-1|1|2")}},
      {"drag 1 and 2 onto row 4", {1, 2}, dropOn(4), {Set(PROP_PLAYLIST_MOVE, "3|1|2")}},
      {"loop none", {}, execute(Main->acLoopNone), {Set(PROP_PLAYLIST_LOOP, "0")}},
      {"loop item", {}, execute(Main->acLoopItem), {Set(PROP_PLAYLIST_LOOP, "1")}},
      {"loop list", {}, execute(Main->acLoopList), {Set(PROP_PLAYLIST_LOOP, "2")}},
      {"mute", {}, [m] { m->SetVolume(true, 40); }, {Set(PROP_PLAYER_MUTE, "1")}},
      {"volume", {}, [m] { m->SetVolume(false, 40); }, {Set(PROP_PLAYER_VOLUME, "40")}},
      {"add", {}, [m] { m->AddFilesAndPlay("x.avi"); }, {Set(PROP_PLAYLIST_ADD, "x.avi"), Set(PROP_PLAYER_PLAY, "1")}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Select(c.rows);
    c.run();
    EXPECT_EQ(c.sent, Sent());
  }

  // Dragging accepts only the list's own rows onto a row.
  bool accept = true;
  const TRect row = Main->valueMediaPlayList->GetItems()->GetItem(1)->DisplayRect(drBounds);
  Main->valueMediaPlayList->OnDragOver(Main->valueMediaPlayList, Main->valueMediaPlayList, row.Left + 5, row.Top + 2,
                                       dsDragMove, accept);
  EXPECT_TRUE(accept);
  Main->valueMediaPlayList->OnDragOver(Main->valueMediaPlayList, Main->btnLoop, row.Left + 5, row.Top + 2, dsDragMove,
                                       accept);
  EXPECT_FALSE(accept);
  Main->valueMediaPlayList->OnDragOver(Main->valueMediaPlayList, Main->valueMediaPlayList, 5,
                                       Main->valueMediaPlayList->GetClientHeight() - 2, dsDragMove, accept);
  EXPECT_FALSE(accept) << "below the rows";

  // Remove Selected is enabled only with a selection, Remove All only with rows.
  Select({});
  Main->acPlayListRemoveSelected->Update();
  EXPECT_FALSE(Main->acPlayListRemoveSelected->GetEnabled());
  Select({3});
  Main->acPlayListRemoveSelected->Update();
  EXPECT_TRUE(Main->acPlayListRemoveSelected->GetEnabled());
  Main->acPlayListRemoveAll->Update();
  EXPECT_TRUE(Main->acPlayListRemoveAll->GetEnabled());
  Report(PROP_PLAYLIST_ITEMS, "-1");
  Main->acPlayListRemoveAll->Update();
  EXPECT_FALSE(Main->acPlayListRemoveAll->GetEnabled());
}

// New paths are escaped once for the engine; a folder gives its media files only.
TEST_F(MainFormTest, AddedPathsAreEscapedOnce) {
  WriteConst("MediaExts=.avi,.MPG,.wmv\r\n");
  MakeSettings();
  ShowMain();
  TTestFolder clips;
  for (const char* name : {"Tom & Jerry.avi", "Rock, Roll.mpg", "plain.wmv", "notes.txt", "noext"})
    WriteWholeFile(clips.File(name), "x");
  Forget();
  Main->AddFolder(clips.Path());
  const std::vector<std::string> sent = Sent();
  ASSERT_EQ(2u, sent.size());
  EXPECT_EQ(Set(PROP_PLAYER_PLAY, "1"), sent[1]);
  const std::string prefix = "SetProperty(-1," + std::to_string(PROP_PLAYLIST_ADD) + ",";
  ASSERT_EQ(0u, sent[0].rfind(prefix, 0));
  TStringList pieces;
  pieces.SetDelimiter('|');
  pieces.SetDelimitedText(sent[0].substr(prefix.size(), sent[0].size() - prefix.size() - 1));
  std::set<std::string> got;
  for (int i = 0; i < pieces.GetCount(); ++i) got.insert(pieces.Get(i));
  const std::set<std::string> want = {clips.File("Tom &A Jerry.avi"), clips.File("Rock&C Roll.mpg"),
                                      clips.File("plain.wmv")};
  EXPECT_EQ(want, got);
  // What the engine makes of them again is the file's own name.
  for (const std::string& piece : got) EXPECT_TRUE(FileExists(UnescapeListItem(piece))) << piece;

  // No folder chosen: nothing.
  Main->AddFolder("");
  EXPECT_TRUE(Sent().empty());
}

// Without a disc drive "Add DVD/VCD" adds nothing, also when the current folder holds the
// folders a disc would.
TEST_F(MainFormTest, AddingADiscWithoutADriveDoesNothing) {
  if (!GetFirstCdromDrive().empty()) GTEST_SKIP() << "this machine has a disc drive";
  ShowMain();
  TTestFolder here;
  ForceDirectories(here.File("VIDEO_TS"));
  ForceDirectories(here.File("MPEGAV"));
  WriteWholeFile(here.File("VIDEO_TS\\VTS_01_1.VOB"), "x");
  WriteWholeFile(here.File("MPEGAV\\AVSEQ01.DAT"), "x");
  char saved[MAX_PATH];
  GetCurrentDirectoryA(MAX_PATH, saved);
  SetCurrentDirectoryA(here.Path().c_str());
  Forget();
  Main->acAddDvd->Execute();
  SetCurrentDirectoryA(saved);
  EXPECT_TRUE(Sent().empty());
}

TEST_F(MainFormTest, EngineValuesGiveRowsAndPictures) {
  ShowMain();
  Report(PROP_PLAYLIST_ITEMS, "1|C:\\a.avi|D:\\Tom &A Jerry&C live.avi");
  TListItems* rows = Main->valueMediaPlayList->GetItems();
  ASSERT_EQ(2, rows->GetCount());
  EXPECT_EQ("1.  a.avi", rows->GetItem(0)->GetCaption());
  EXPECT_EQ("2.  Tom & Jerry, live.avi", rows->GetItem(1)->GetCaption());
  EXPECT_EQ("D:\\Tom &A Jerry&C live.avi", rows->GetItem(1)->GetSubItems()->Get(0));
  EXPECT_EQ(0, rows->GetItem(0)->GetImageIndex());
  EXPECT_EQ(1, rows->GetItem(1)->GetImageIndex());
  Report(PROP_PLAYLIST_INDEX, "0");
  EXPECT_EQ(1, rows->GetItem(0)->GetImageIndex());
  EXPECT_EQ(0, rows->GetItem(1)->GetImageIndex());
  Report(PROP_PLAYLIST_ITEMS, "0");
  EXPECT_EQ(0, rows->GetCount());

  // Volume: mute shows picture 6 whatever the volume; else 7, 8, 9 by thirds.
  struct Volume {
    const char* mute;
    const char* volume;
    int image;
  };
  const Volume volumes[] = {{"0", "0", 7},    {"0", "33", 7},   {"0", "34", 8}, {"0", "67", 8}, {"0", "68", 9},
                            {"0", "100", 9},  {"0", "250", 9},  {"0", "-5", 7}, {"0", "x", 7},  {"1", "100", 6},
                            {"1", "0", 6}};
  for (const Volume& v : volumes) {
    SCOPED_TRACE(std::string(v.mute) + "/" + v.volume);
    Engine->Properties[PROP_PLAYER_MUTE] = v.mute;
    Report(PROP_PLAYER_VOLUME, v.volume);
    EXPECT_EQ(v.image, Main->btnVolume->GetImageIndex());
  }

  // Loop: the picture, and the menu's item of the mode checked (the hidden one counts).
  const struct {
    const char* mode;
    int image;
    int checked;
  } loops[] = {{"0", 13, 0}, {"1", 12, 1}, {"2", 12, 2}};
  for (const auto& l : loops) {
    SCOPED_TRACE(l.mode);
    Report(PROP_PLAYLIST_LOOP, l.mode);
    EXPECT_EQ(l.image, Main->btnLoop->GetImageIndex());
    for (int i = 0; i < 3; ++i) EXPECT_EQ(i == l.checked, Main->pmLoop->GetItems()->GetItem(i)->GetChecked());
  }
  EXPECT_FALSE(Main->pmLoop->GetItems()->GetItem(1)->GetVisible());

  // Play and pause share one place: the command the player offers shows there; the
  // actions follow.
  const struct {
    const char* play;
    const char* pause;
    const char* stop;
  } states[] = {{"1", "0", "0"}, {"0", "1", "1"}, {"1", "0", "1"}};
  for (const auto& s : states) {
    SCOPED_TRACE(std::string(s.play) + s.pause + s.stop);
    Engine->Properties[PROP_PLAYER_PAUSE] = s.pause;
    Engine->Properties[PROP_PLAYER_STOP] = s.stop;
    Report(PROP_PLAYER_PLAY, s.play);
    Report(PROP_PLAYER_PAUSE, s.pause);
    Report(PROP_PLAYER_STOP, s.stop);
    const bool play = *s.play == '1', pause = *s.pause == '1', stop = *s.stop == '1';
    EXPECT_EQ(play, Main->btnMediaPlay->GetVisible());
    EXPECT_EQ(pause, Main->btnMediaPause->GetVisible());
    EXPECT_EQ(0, (play ? Main->btnMediaPlay : Main->btnMediaPause)->GetLeft());
    EXPECT_EQ(stop, Main->btnMediaStop->GetEnabled());
    EXPECT_EQ(play, Main->acPlay->GetEnabled());
    EXPECT_EQ(pause, Main->acPause->GetEnabled());
    EXPECT_EQ(stop, Main->acStop->GetEnabled());
  }

  // Another module's changes are not the main window's.
  Engine->Properties[PROP_PLAYLIST_ITEMS] = "0|x.avi";
  Main->Perform(WM_ENGINE_PROPERTY_CHANGED, NativeUInt(-3), PROP_PLAYLIST_ITEMS);
  EXPECT_EQ(0, rows->GetCount());
}

TEST_F(MainFormTest, PlayPauseAndStopSendTheirCommands) {
  ShowMain();
  Engine->Properties[PROP_PLAYER_STOP] = "1";
  Report(PROP_PLAYER_PLAY, "1");
  Report(PROP_PLAYER_STOP, "1");
  Forget();
  const struct {
    const char* name;
    TComponent* sender;
    std::string sent;
  } cases[] = {
      {"play button", Main->btnMediaPlay, Set(PROP_PLAYER_PLAY, "1")},
      {"pause button", Main->btnMediaPause, Set(PROP_PLAYER_PAUSE, "1")},
      {"stop button", Main->btnMediaStop, Set(PROP_PLAYER_STOP, "1")},
      {"play action", Main->acPlay, Set(PROP_PLAYER_PLAY, "1")},
      {"stop action", Main->acStop, Set(PROP_PLAYER_STOP, "1")},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Main->ValueChange(c.sender);
    EXPECT_EQ(std::vector<std::string>{c.sent}, Sent());
  }
}

TEST_F(MainFormTest, SourceMenusListTheCaptureDevicesAndSwitchSources) {
  Engine->Devices = {"Cam A", "@device:pnp:a", "Cam B", "@device:pnp:b"};
  ShowMain();
  for (TMenuItem* menu : {Main->pmSource->GetItems(), Main->miChooseSource}) {
    ASSERT_EQ(3, menu->GetCount());
    EXPECT_EQ("Video File Source", menu->GetItem(0)->GetCaption());
    EXPECT_EQ(14, menu->GetItem(0)->GetImageIndex());
    EXPECT_EQ("Cam B", menu->GetItem(2)->GetCaption());
    EXPECT_EQ("@device:pnp:b", menu->GetItem(2)->GetHint());
    EXPECT_EQ(15, menu->GetItem(2)->GetImageIndex());
  }
  Report(PROP_PLAYLIST_ITEMS, "0|C:\\a.avi|D:\\Tom &A Jerry.avi");
  Forget();

  // A device: the camera becomes the source and the rows go to play.lst.
  Main->pmSource->GetItems()->GetItem(2)->Click();
  EXPECT_EQ((std::vector<std::string>{Set(PROP_SOURCE_TYPE, "4"), Set(PROP_CAMERA_DEVICE, "@device:pnp:b")}), Sent());
  const AnsiString list = GetSettings()->GetConfigFolder() + "play.lst";
  EXPECT_EQ("C:\\a.avi\r\nD:\\Tom &A Jerry.avi\r\n", ReadWholeFile(list));

  // Back to the file playlist: play.lst comes back and plays.
  Main->miChooseSource->GetItem(0)->Click();
  EXPECT_EQ((std::vector<std::string>{Set(PROP_SOURCE_TYPE, "18"), Set(PROP_PLAYLIST_REMOVE, "-1"),
                                      Set(PROP_PLAYLIST_ADD, "C:\\a.avi|\"D:\\Tom &A Jerry.avi\""),
                                      Set(PROP_PLAYER_PLAY, "1")}),
            Sent());
  // Already the file playlist: nothing happens, play.lst is not read again.
  Main->btnSource->OnClick(Main->btnSource);
  EXPECT_TRUE(Sent().empty());
}

TEST_F(MainFormTest, WithoutCaptureDevicesTheSourceMenusHoldTheFileSourceOnly) {
  ShowMain();
  EXPECT_EQ(1, Main->pmSource->GetItems()->GetCount());
  EXPECT_EQ(1, Main->miChooseSource->GetCount());
}

TEST_F(MainFormTest, ModalDialogsSuspendAlwaysOnTop) {
  ShowMain();
  auto topMost = [this] { return (GetWindowLongA(Main->GetHandle(), GWL_EXSTYLE) & WS_EX_TOPMOST) != 0; };
  std::vector<bool> during;
  TfrmEngineWndLumetra::DefaultCamDialog = [&](TfrmEngineWndLumetra*, bool FirstRun) {
    during.push_back(topMost());
    during.push_back(FirstRun);
  };
  Main->acAlwaysOnTop->Execute();
  EXPECT_TRUE(Main->GetStayOnTop());
  EXPECT_TRUE(topMost());
  Main->acAlwaysOnTop->Update();
  EXPECT_TRUE(Main->acAlwaysOnTop->GetChecked());
  Main->acSetDefault->Execute();
  EXPECT_EQ((std::vector<bool>{false, false}), during) << "not top-most while the dialog shows; not the first run";
  EXPECT_TRUE(topMost());

  // The roll-up caption button is the always-on-top switch.
  bool cancel = false, restore = true;
  Main->spSkinForm1ObjectCommand(5, cancel);
  EXPECT_TRUE(cancel);
  EXPECT_FALSE(topMost());
  Main->spSkinForm1GetObjectRestoreMode(5, restore);
  EXPECT_FALSE(restore);
  cancel = false;
  Main->spSkinForm1ObjectCommand(0, cancel);
  EXPECT_FALSE(cancel) << "other commands are the frame's";
}

TEST_F(MainFormTest, ThePlaceIsKeptAfterTheFirstShowOnly) {
  PresetSettings("FirstTimeRun=0\r\nMainForm.PreviewSize=0\r\nMainForm.Left=40\r\nMainForm.Top=30\r\n");
  Create();
  Main = new TfrmMainFormLumetra(Application);
  Main->SetBounds(10, 10, 400, 500);  // before the first show: not kept
  EXPECT_EQ(40, GetSettings()->ReadInteger("MainForm.Left", 0));
  Main->Show();
  Pump(50);
  EXPECT_EQ(40, Main->GetLeft());
  Main->SetBounds(150, 160, 470, 520);
  Pump(50);
  TSettings& settings = *GetSettings();
  EXPECT_EQ(150, settings.ReadInteger("MainForm.Left", 0));
  EXPECT_EQ(160, settings.ReadInteger("MainForm.Top", 0));
  EXPECT_EQ(470, settings.ReadInteger("MainForm.Width", 0));
  EXPECT_EQ(520, settings.ReadInteger("MainForm.Height", 0));
  // Minimised, the window is elsewhere (-32000): that place is not kept.
  ShowWindow(Main->GetHandle(), SW_MINIMIZE);
  Pump(100);
  EXPECT_EQ(150, settings.ReadInteger("MainForm.Left", 0));
  EXPECT_EQ(160, settings.ReadInteger("MainForm.Top", 0));
  ShowWindow(Main->GetHandle(), SW_RESTORE);
  Pump(100);
}

// A place kept while another monitor was there comes back onto the work area; a place
// inside it stays.
TEST_F(MainFormTest, AKeptPlaceOffTheScreenComesBackOntoTheWorkArea) {
  const TRect area = FromRECT([] {
    RECT r = {};
    SystemParametersInfoA(SPI_GETWORKAREA, 0, &r, 0);
    return r;
  }());
  const struct {
    const char* what;
    int left, top;
    TPoint expected;
  } cases[] = {
      {"right of the screen", area.Right + 800, 100, TPoint(area.Right - 484, 100)},
      {"above and left of it", -3000, -2000, TPoint(area.Left, area.Top)},
      {"inside", area.Left + 30, area.Top + 20, TPoint(area.Left + 30, area.Top + 20)},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    ShowMain("MainForm.Left=" + std::to_string(c.left) + "\r\nMainForm.Top=" + std::to_string(c.top) +
             "\r\nMainForm.Width=484\r\nMainForm.Height=400\r\n");
    EXPECT_EQ(TRect(c.expected.X, c.expected.Y, c.expected.X + 484, c.expected.Y + 400), Main->GetBoundsRect());
    Main->Free();
    Main = nullptr;
    Window->Free();
    Window = nullptr;
  }
}

// Web links the installation gives no address are not offered: the home page (in the Help,
// tray and system menus), the decoder link and the update check; a redirect address
// serves every link but the update check.
TEST_F(MainFormTest, LinksWithoutAnAddressAreNotOffered) {
  const struct {
    const char* constants;
    bool home, decoder, update;
  } cases[] = {
      {"URL.update=\r\n", false, false, false},
      {"URL.update=http://127.0.0.1:9/update\r\nURL.home=http://home.example/\r\n", true, false, true},
      {"URL.update=\r\nURL.Redirect=http://redirect.example/r\r\n", true, true, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.constants);
    WriteConst(c.constants);
    MakeSettings();
    ShowMain();
    EXPECT_EQ(c.home, Main->acHome->GetVisible());
    EXPECT_EQ(c.decoder, Main->lblVideoDecoder->GetVisible());
    EXPECT_EQ(c.update, Main->acUpdate->GetVisible());
    Main->Free();
    Main = nullptr;
    Window->Free();
    Window = nullptr;
  }
}

TEST_F(MainFormTest, InstanceMessagesAndDroppedFiles) {
  ShowMain();
  EXPECT_EQ(1234, SendMessageA(Main->GetHandle(), WM_INSTANCE_IDENTIFY, 0, 0));
  std::vector<std::string> commandLines, dropped;
  Window->OnCommandLine = [&](const AnsiString& Text) { commandLines.push_back(Text); };
  Window->OnDroppedFiles = [&](TStrings* Files) {
    for (int i = 0; i < Files->GetCount(); ++i) dropped.push_back(Files->Get(i));
  };
  const char text[] = "C:\\clip one.avi";
  COPYDATASTRUCT data = {0, DWORD(strlen(text)), const_cast<char*>(text)};
  SendMessageA(Main->GetHandle(), WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&data));
  EXPECT_EQ(std::vector<std::string>{text}, commandLines);

  // A drop of two files, as the shell makes it.
  const char names[] = "C:\\a.avi\0D:\\Tom & Jerry.avi\0";
  HGLOBAL memory = GlobalAlloc(GHND, sizeof(DROPFILES) + sizeof(names) + 1);
  auto* drop = static_cast<DROPFILES*>(GlobalLock(memory));
  drop->pFiles = sizeof(DROPFILES);
  memcpy(reinterpret_cast<char*>(drop) + sizeof(DROPFILES), names, sizeof(names));
  GlobalUnlock(memory);
  SendMessageA(Main->GetHandle(), WM_DROPFILES, reinterpret_cast<WPARAM>(memory), 0);
  EXPECT_EQ((std::vector<std::string>{"C:\\a.avi", "D:\\Tom & Jerry.avi"}), dropped);

  // WM_MAIN_COMMAND 0 closes without the question and keeps the playback settings and
  // the playlist.
  Report(PROP_PLAYLIST_ITEMS, "0|C:\\a.avi|D:\\Tom &A Jerry.avi");
  Engine->Properties[PROP_PLAYER_VOLUME] = "64";
  Engine->Properties[PROP_PLAYLIST_LOOP] = "0";
  TBoxAnswerer answers([](const TShownBox&, bool&) { return mrCancel; });
  SendMessageA(Main->GetHandle(), WM_MAIN_COMMAND, 7, 0);
  EXPECT_TRUE(Main->GetVisible()) << "other commands are ignored";
  SendMessageA(Main->GetHandle(), WM_MAIN_COMMAND, 0, 0);
  EXPECT_FALSE(Main->GetVisible());
  EXPECT_TRUE(answers.Shown.empty());
  EXPECT_EQ("64", GetSettings()->ReadString("Video.Volume", ""));
  EXPECT_EQ("0", GetSettings()->ReadString("Video.Loop", ""));
  EXPECT_EQ("C:\\a.avi\r\nD:\\Tom &A Jerry.avi\r\n", ReadWholeFile(GetSettings()->GetConfigFolder() + "play.lst"));
}

// "play.lst" is the user's list: a quit that arrives during the first show before that
// list is back (while the first-run dialog is open) keeps the file as it was, and one that
// arrives while the update check waits for its answer keeps the list read back before.
TEST_F(MainFormTest, AQuitDuringTheFirstShowKeepsPlayLst) {
  TWebTestServer server;
  ASSERT_NE(0, server.Port());
  const std::string saved = "C:\\a.avi\r\nD:\\b&Cc.mpg\r\n";
  const struct {
    const char* name;
    bool duringDialog;
  } cases[] = {{"while the first-run dialog is open", true}, {"while the update check waits", false}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    WriteConst("URL.update=" + std::string(server.Url("/slow")) + "\r\n");
    MakeSettings();
    server.Answer("/slow", 200, "magicword=Tavisco\r\n", 3);
    server.ClearRequests();
    PresetSettings(std::string("MainForm.PreviewSize=0\r\nFirstTimeRun=") + (c.duringDialog ? "1" : "0") + "\r\n");
    const AnsiString list = GetSettings()->GetAllUsersFolder() + "play.lst";
    WriteWholeFile(list, saved);
    // The engine's playlist: what was added, after a removal of all.
    Engine->Properties.clear();
    Engine->OnSetProperty = [this](int, int Id, const std::string& Value) {
      if (Id == PROP_PLAYLIST_REMOVE && Value == "-1") Engine->Properties[PROP_PLAYLIST_ITEMS] = "-1";
      if (Id == PROP_PLAYLIST_ADD) Engine->Properties[PROP_PLAYLIST_ITEMS] = "0|" + Value;
    };
    Create();
    Main = new TfrmMainFormLumetra(Application);
    bool quitSent = false;
    auto quit = [&] {
      quitSent = true;
      SendMessageA(Main->GetHandle(), WM_INSTANCE_QUIT, 0, 0);
    };
    TfrmEngineWndLumetra::DefaultCamDialog = [&](TfrmEngineWndLumetra*, bool) {
      if (c.duringDialog) quit();
    };
    // Another instance asks this one to quit once the update request has reached the server.
    TOwned<TTimer> watch(new TTimer(nullptr));
    watch->SetInterval(20);
    watch->OnTimer = [&](TObject*) {
      if (!c.duringDialog && !quitSent && !server.Requests().empty()) quit();
    };
    TBoxAnswerer answers([](const TShownBox&, bool&) { return mrOk; });
    Main->Show();
    Pump(50);
    EXPECT_TRUE(quitSent);
    EXPECT_FALSE(Main->GetVisible());
    EXPECT_TRUE(Main->GetFirstShowDone());
    EXPECT_EQ(saved, ReadWholeFile(list));
    Main->Free();
    Main = nullptr;
    Window->Free();
    Window = nullptr;
    Engine->OnSetProperty = nullptr;
  }
}

// A "play.lst" that cannot be written never holds anything up: a switch to a camera
// switches and says so, closing says so and closes, and a quit asked for by another
// process closes without a word. The old file stays whole.
TEST_F(MainFormTest, AnUnwritablePlayLstIsReportedAndHoldsNothingUp) {
  Engine->Devices = {"Cam A", "@device:pnp:a"};
  ShowMain();
  const AnsiString list = GetSettings()->GetConfigFolder() + "play.lst";
  WriteWholeFile(list, "C:\\old.avi\r\n");
  HANDLE lock = CreateFileA(list.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(INVALID_HANDLE_VALUE, lock);
  const std::string notSaved = "The playlist could not be saved to \"" + list + "\".";
  std::vector<std::string> shown;
  TBoxAnswerer answers([&](const TShownBox& Box, bool&) {
    shown.push_back(Box.Text);
    return mrOk;
  });
  Report(PROP_PLAYLIST_ITEMS, "0|C:\\a.avi");
  Forget();
  Main->pmSource->GetItems()->GetItem(1)->Click();
  EXPECT_EQ((std::vector<std::string>{Set(PROP_SOURCE_TYPE, "4"), Set(PROP_CAMERA_DEVICE, "@device:pnp:a")}), Sent());
  EXPECT_EQ(std::vector<std::string>{notSaved}, shown);

  // Back to the file playlist: a list that cannot be read is left alone.
  Main->miChooseSource->GetItem(0)->Click();
  EXPECT_EQ(std::vector<std::string>{Set(PROP_SOURCE_TYPE, "18")}, Sent());
  Report(PROP_PLAYLIST_ITEMS, "0|C:\\a.avi");

  shown.clear();
  Main->acExit->Execute();
  EXPECT_FALSE(Main->GetVisible());
  EXPECT_EQ((std::vector<std::string>{"Would you like to quit Lumetra?", notSaved}), shown);

  shown.clear();
  Main->Show();
  Pump(50);
  SendMessageA(Main->GetHandle(), WM_INSTANCE_QUIT, 0, 0);
  EXPECT_FALSE(Main->GetVisible());
  EXPECT_TRUE(shown.empty());

  CloseHandle(lock);
  EXPECT_EQ("C:\\old.avi\r\n", ReadWholeFile(list));
  EXPECT_FALSE(FileExists(list + ".new"));
}

// From one camera to another "play.lst" keeps the list saved when the playlist was left,
// whatever rows the window shows meanwhile.
TEST_F(MainFormTest, ASwitchFromCameraToCameraKeepsPlayLst) {
  Engine->Devices = {"Cam A", "@device:pnp:a", "Cam B", "@device:pnp:b"};
  ShowMain();
  const AnsiString list = GetSettings()->GetConfigFolder() + "play.lst";
  Report(PROP_PLAYLIST_ITEMS, "0|C:\\a.avi|C:\\b.avi");
  Main->pmSource->GetItems()->GetItem(1)->Click();
  EXPECT_EQ("C:\\a.avi\r\nC:\\b.avi\r\n", ReadWholeFile(list));
  // The camera holds no playlist: its answer empties the rows.
  Report(PROP_PLAYLIST_ITEMS, "-1");
  Forget();
  Main->pmSource->GetItems()->GetItem(2)->Click();
  EXPECT_EQ((std::vector<std::string>{Set(PROP_SOURCE_TYPE, "4"), Set(PROP_CAMERA_DEVICE, "@device:pnp:b")}), Sent());
  EXPECT_EQ("C:\\a.avi\r\nC:\\b.avi\r\n", ReadWholeFile(list));
  // Closing while a camera is the source keeps it too.
  SendMessageA(Main->GetHandle(), WM_INSTANCE_QUIT, 0, 0);
  EXPECT_EQ("C:\\a.avi\r\nC:\\b.avi\r\n", ReadWholeFile(list));
}

TEST_F(MainFormTest, TheQuitQuestionDecidesAndCanBeStopped) {
  ShowMain("Video.Volume=20\r\n");
  Engine->Properties.erase(PROP_PLAYER_VOLUME);  // the engine does not answer: the value stays
  int reply = mrCancel;
  bool tick = false;
  TBoxAnswerer answers([&](const TShownBox&, bool& Tick) {
    Tick = tick;
    return reply;
  });
  Main->acExit->Execute();
  ASSERT_EQ(1u, answers.Shown.size());
  EXPECT_EQ("Would you like to quit Lumetra?", answers.Shown[0].Text);
  EXPECT_TRUE(answers.Shown[0].OffersStop);
  EXPECT_TRUE(Main->GetVisible()) << "Cancel keeps the window";
  reply = mrOk;
  tick = true;
  Main->acExit->Execute();
  EXPECT_FALSE(Main->GetVisible());
  EXPECT_EQ("20", GetSettings()->ReadString("Video.Volume", ""));
  // Stopped with OK: later closes quit at once.
  Main->Show();
  Pump(50);
  Main->Close();
  EXPECT_FALSE(Main->GetVisible());
  EXPECT_EQ(2u, answers.Shown.size());
}

// The list under real input: the remove mark, double clicks, keys, the right button, and
// dragging rows; its rows drawn as the player shows them.
TEST_F(MainFormTest, TheListUnderRealInput) {
  ShowMain();
  Main->SetBounds(100, 100, 484, 580);
  Report(PROP_PLAYLIST_ITEMS, "1|C:\\a.avi|C:\\b.avi|C:\\c.avi|C:\\d.avi");
  Engine->Properties[PROP_PLAYER_PLAY] = "1";
  Report(PROP_PLAYER_PLAY, "1");
  Pump(100);
  TListView* list = Main->valueMediaPlayList;
  auto rowPoint = [list](int Row, int Column) {
    const TRect r = Column == 0 ? list->GetItems()->GetItem(Row)->DisplayRect(drLabel)
                                : list->GetItems()->GetItem(Row)->SubItemRect(1);
    return list->ClientToScreen(TPoint((r.Left + r.Right) / 2, (r.Top + r.Bottom) / 2));
  };
  auto click = [](TPoint P, bool Right = false) {
    MoveMouseTo(P.X, P.Y);
    MouseButton(true, Right);
    MouseButton(false, Right);
  };
  struct Case {
    const char* name;
    std::function<void()> input;
    std::vector<std::string> sent;
  };
  const TPoint row0 = rowPoint(0, 0), row2 = rowPoint(2, 0), remove1 = rowPoint(1, 1), row3 = rowPoint(3, 0);
  const Case cases[] = {
      {"the remove mark removes its row", [&] { click(remove1); }, {Set(PROP_PLAYLIST_REMOVE, "1")}},
      {"a double click jumps", [&] {
         click(row2);
         click(row2);
       },
       {Set(PROP_PLAYLIST_INDEX, "2")}},
      {"Enter jumps", [&] {
         click(row3);
         TypeKey(VK_RETURN);
       },
       {Set(PROP_PLAYLIST_INDEX, "3")}},
      {"Delete removes", [&] { TypeKey(VK_DELETE); }, {Set(PROP_PLAYLIST_REMOVE, "3")}},
      {"Space plays while play is offered", [&] { TypeKey(VK_SPACE); }, {Set(PROP_PLAYER_PLAY, "1")}},
      {"dragging row 3 (selected) onto row 0", [&] {
         Sleep(GetDoubleClickTime() + 50);  // a press, not the second of a double click
         MoveMouseTo(row3.X, row3.Y);
         MouseButton(true);
         for (int step = 1; step <= 8; ++step) {
           MoveMouseTo(row3.X, row3.Y + (row0.Y - row3.Y) * step / 8);
           Sleep(20);
         }
         MouseButton(false);
       },
       {Set(PROP_PLAYLIST_MOVE, "-3|3")}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Forget();
    TInputDriver input;
    input.Add(c.input);
    input.Run();
    Pump(50);
    EXPECT_EQ(c.sent, Sent());
  }

  // The right button opens the row menu over a row only.
  bool shown = false;
  Main->pmPlayList->OnPopup = [&, handler = Main->pmPlayList->OnPopup](TObject* Sender) {
    handler(Sender);
    shown = true;
  };
  const TPoint empty = list->ClientToScreen(TPoint(40, list->GetClientHeight() - 8));
  TInputDriver input;
  input.Add([&] { click(empty, true); });
  input.Run();
  EXPECT_FALSE(shown);
  input.Add([&] { click(row0, true); });
  input.Add([] { TypeKey(VK_ESCAPE); });
  input.Run();
  EXPECT_TRUE(shown);

  // Drawing: the current row's band, a selected row's colour, the selected current row
  // with the band inset.
  Select({2});
  list->Repaint();
  Pump(100);
  Screenshot(Main->GetHandle(), "main_window_list");
  auto pixelAt = [list](int Row, int DY) {
    const TRect r = list->GetItems()->GetItem(Row)->DisplayRect(drBounds);
    return ScreenPixel(list->ClientToScreen(TPoint(r.Right - 40, (DY < 0 ? r.Bottom : r.Top) + DY)));
  };
  const TColor band = static_cast<TColor>(RGB(177, 110, 70)), selected = static_cast<TColor>(RGB(10, 36, 106));
  EXPECT_EQ(band, pixelAt(1, 1)) << "the current row";
  EXPECT_EQ(selected, pixelAt(2, 1)) << "a selected row";
  Select({1});
  list->Repaint();
  Pump(100);
  EXPECT_EQ(selected, pixelAt(1, 1)) << "selected current row: the selection shows above the band";
  EXPECT_EQ(band, pixelAt(1, 5));
}

// A language file re-labels the window: the caption from its product name, the actions and
// with them their buttons and menu items, the menus; the loop mode stays checked.
TEST_F(MainFormTest, ALanguageFileRelabelsTheWindow) {
  ForceDirectories(Program.File("langs"));
  WriteWholeFile(Program.File("langs\\Test.lan"),
                 "[ResString]\r\nstrAppName=Lumina\r\n[TfrmMainFormLumetra]\r\nacPlay.Caption=&Spielen\r\n"
                 "miFile.Caption=&Datei\r\nacLoopList.Caption=Alles wiederholen\r\n");
  ShowMain();
  Report(PROP_PLAYLIST_LOOP, "2");
  ASSERT_TRUE(Main->pmLoop->GetItems()->GetItem(2)->GetChecked());
  Window->LoadLanguage("Test");
  EXPECT_EQ("Lumina  4.2.0.0", Main->GetCaption());
  EXPECT_EQ("&Spielen", Main->acPlay->GetCaption());
  EXPECT_EQ("&Spielen", Main->miControl->GetItem(0)->GetCaption());
  EXPECT_EQ("&Datei", Main->miFile->GetCaption());
  EXPECT_EQ("&Datei", Main->spsknmnmnbr1->GetControl(0)->GetCaption());
  EXPECT_EQ("Alles wiederholen", Main->pmLoop->GetItems()->GetItem(2)->GetCaption());
  EXPECT_TRUE(Main->pmLoop->GetItems()->GetItem(2)->GetChecked());
}

// The preview switch makes the preview box once and shows or hides it beside the window;
// the position poll writes the player's position into its slider, and moving the slider
// seeks.
TEST_F(MainFormTest, ThePreviewBoxFollowsTheSwitchAndItsSliderSeeks) {
  ShowMain();
  Engine->Properties[PROP_PLAYER_POSITION] = "1500|60000";
  EXPECT_FALSE(Main->GetPreviewBox());
  Main->acShowPreview->Execute();
  TfrmPreviewBoxForm* box = Main->GetPreviewBox();
  ASSERT_TRUE(box);
  EXPECT_TRUE(box->GetVisible());
  EXPECT_TRUE(Main->acShowPreview->GetChecked());
  EXPECT_EQ(10, Main->btnShowPreview0->GetImageIndex());
  EXPECT_EQ("1", GetSettings()->ReadString("MainForm.PreviewSize", ""));
  // The poll, once a second.
  Pump(1300);
  TSlider* slider = box->valueMediaSlider;
  EXPECT_EQ(60000, slider->GetMaxValue());
  EXPECT_EQ(1500, slider->GetValue());
  EXPECT_TRUE(slider->GetEnabled());

  // The user drags the slider's thumb: the poll stops meanwhile, the release seeks.
  Forget();
  const TRect thumb = slider->ThumbRect();
  const TPoint from = slider->ClientToScreen(TPoint((thumb.Left + thumb.Right) / 2, (thumb.Top + thumb.Bottom) / 2));
  const TPoint to = slider->ClientToScreen(TPoint(slider->ValueToOffset(30000) + (thumb.Right - thumb.Left) / 2,
                                                  (thumb.Top + thumb.Bottom) / 2));
  bool pollStopped = false;
  TInputDriver input;
  input.Add([&] {
    MoveMouseTo(from.X, from.Y);
    MouseButton(true);
    for (int step = 1; step <= 6; ++step) MoveMouseTo(from.X + (to.X - from.X) * step / 6, to.Y);
  });
  input.Add([&] { pollStopped = !Main->tmProcess->GetEnabled(); });
  input.Add([] { MouseButton(false); });
  input.Run();
  EXPECT_TRUE(pollStopped);
  EXPECT_TRUE(Main->tmProcess->GetEnabled());
  const std::vector<std::string> sent = Sent();
  ASSERT_EQ(1u, sent.size());
  const std::string prefix = "SetProperty(-1," + std::to_string(PROP_PLAYER_POSITION) + ",";
  ASSERT_EQ(0u, sent[0].rfind(prefix, 0)) << sent[0];
  const int seek = std::stoi(sent[0].substr(prefix.size()));
  EXPECT_NEAR(30000, seek, 6000) << "where the thumb was let go";

  // Always on top reaches the box; hiding the window hides the box, showing shows it.
  Main->SetStayOnTop(true);
  EXPECT_TRUE(GetWindowLongA(box->GetHandle(), GWL_EXSTYLE) & WS_EX_TOPMOST);
  Main->SetStayOnTop(false);
  EXPECT_FALSE(GetWindowLongA(box->GetHandle(), GWL_EXSTYLE) & WS_EX_TOPMOST);
  Main->Hide();
  EXPECT_FALSE(box->GetVisible());
  Main->Show();
  Pump(50);
  EXPECT_TRUE(box->GetVisible());

  // Switched off: hidden and kept; the box's own close switches it off too.
  Main->acShowPreview->Execute();
  EXPECT_FALSE(box->GetVisible());
  EXPECT_EQ(box, Main->GetPreviewBox());
  EXPECT_EQ(11, Main->btnShowPreview0->GetImageIndex());
  EXPECT_EQ("0", GetSettings()->ReadString("MainForm.PreviewSize", ""));
  Main->acShowPreview->Execute();
  ASSERT_TRUE(box->OnCloseBox);
  box->OnCloseBox(box);
  EXPECT_FALSE(Main->GetPreviewVisible());
}

// The volume pop-up opens below its button with the player's volume; its bar and mute
// button reach the player through the main window.
TEST_F(MainFormTest, TheVolumePopupSetsTheVolumeAndMutes) {
  ShowMain("Video.Volume=40\r\n");
  Engine->Properties[PROP_PLAYER_MUTE] = "0";
  Main->btnVolume->OnClick(Main->btnVolume);
  TfrmVolumeForm* popup = Main->GetVolumeForm();
  ASSERT_TRUE(popup);
  EXPECT_TRUE(popup->GetVisible());
  EXPECT_EQ(40, popup->tbVolume->GetValue());
  const TPoint below = Main->btnVolume->ClientToScreen(TPoint(0, Main->btnVolume->GetHeight()));
  EXPECT_EQ(below.X, popup->GetLeft());
  EXPECT_EQ(below.Y, popup->GetTop());
  EXPECT_EQ(0, popup->btnMute->GetTag());
  Forget();
  popup->tbVolume->SetValue(75);
  EXPECT_EQ(std::vector<std::string>{Set(PROP_PLAYER_VOLUME, "75")}, Sent());
  EXPECT_EQ(9, Main->btnVolume->GetImageIndex());
  // Mute: the button's Tag follows the player.
  Report(PROP_PLAYER_MUTE, "1");
  EXPECT_EQ(1, popup->btnMute->GetTag());
  EXPECT_EQ(6, Main->btnVolume->GetImageIndex());
  Main->btnVolume->OnClick(Main->btnVolume);
  EXPECT_EQ(popup, Main->GetVolumeForm()) << "made once";
}

// The address dialog: what the user types is added as one path, escaped once.
TEST_F(MainFormTest, TheAddressDialogAddsItsAddressEscapedOnce) {
  ShowMain();
  Forget();
  const char* address = "http://127.0.0.1/clips/Tom & Jerry, live.flv";
  std::thread user([&] {
    HWND dialog = WaitForTopWindow("TfrmInputUrlForm", nullptr, 10000);
    if (!dialog) return;
    Sleep(200);
    SendMessageA(FindChildWindow(dialog, "TEdit", nullptr), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(address));
    PostMessageA(FindChildWindow(dialog, "TButton", "&OK"), BM_CLICK, 0, 0);
  });
  Main->acPlayListAddURL->Execute();
  user.join();
  EXPECT_EQ((std::vector<std::string>{Set(PROP_PLAYLIST_ADD, "\"http://127.0.0.1/clips/Tom &A Jerry&C live.flv\""),
                                      Set(PROP_PLAYER_PLAY, "1")}),
            Sent());
  // Cancelled: nothing.
  std::thread cancel([&] {
    if (HWND dialog = WaitForTopWindow("TfrmInputUrlForm", nullptr, 10000))
      PostMessageA(FindChildWindow(dialog, "TButton", "&Cancel"), BM_CLICK, 0, 0);
  });
  Main->acPlayListAddURL->Execute();
  cancel.join();
  EXPECT_TRUE(Sent().empty());
}

// Options opened while always-on-top is on: the window and the preview box drop their
// top-most state while the dialog shows and take it back afterwards; About likewise.
TEST_F(MainFormTest, OptionsAndAboutSuspendAlwaysOnTopOfTheWindowAndThePreviewBox) {
  ShowMain();
  Main->SetPreviewVisible(true);
  Main->SetStayOnTop(true);
  TfrmPreviewBoxForm* box = Main->GetPreviewBox();
  ASSERT_TRUE(box && box->GetVisible());
  auto topMost = [](HWND Wnd) { return (GetWindowLongA(Wnd, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0; };
  const HWND main = Main->GetHandle(), boxWnd = box->GetHandle();
  EXPECT_TRUE(topMost(main));
  EXPECT_TRUE(topMost(boxWnd));
  for (const char* dialogClass : {"TfrmOptionForm", "TfrmAboutForm"}) {
    SCOPED_TRACE(dialogClass);
    bool seen = false, mainOnTop = true, boxOnTop = true;
    std::thread user([&] {
      HWND dialog = WaitForTopWindow(dialogClass, nullptr, 10000);
      if (!dialog) return;
      seen = true;
      mainOnTop = topMost(main);
      boxOnTop = topMost(boxWnd);
      PostMessageA(dialog, WM_CLOSE, 0, 0);
    });
    if (std::string(dialogClass) == "TfrmOptionForm")
      Main->acOption->Execute();
    else
      Main->acAbout->Execute();
    user.join();
    EXPECT_TRUE(seen);
    EXPECT_FALSE(mainOnTop);
    EXPECT_FALSE(boxOnTop);
    EXPECT_TRUE(topMost(main));
    EXPECT_TRUE(topMost(boxWnd));
  }
}
