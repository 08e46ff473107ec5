// The preview box beside the main window (the switch, showing and hiding with the main
// window, docking to its sides, its size), the preview window in it (handed to the engine,
// mouse input in output pixels), and the volume pop-up, against the engine window with a
// fake engine and a main window stand-in, driven by real input.
#include "tests/app/FormsTestSupport.h"

#include <shlobj.h>

#include "tests/framework/ControlTestSupport.h"

namespace {

// The calls of the fake engine's preview mouse, as "message,x,y".
std::vector<std::string> MouseCalls(const TFakeEngine& Engine) {
  std::vector<std::string> calls;
  for (const std::string& call : Engine.CallsStartingWith("PreviewMouse(0,")) {
    calls.push_back(call.substr(15, call.size() - 16));
  }
  return calls;
}

std::string Mouse(UINT Message, int X, int Y) {
  return std::to_string(Message) + "," + std::to_string(X) + "," + std::to_string(Y);
}

// A drop of files onto a window, as the shell hands it over.
HGLOBAL MakeDrop(const std::vector<std::string>& Files) {
  std::string names;
  for (const std::string& f : Files) names += f + '\0';
  names += '\0';
  HGLOBAL memory = GlobalAlloc(GHND, sizeof(DROPFILES) + names.size());
  auto* drop = static_cast<DROPFILES*>(GlobalLock(memory));
  drop->pFiles = sizeof(DROPFILES);
  drop->fWide = FALSE;
  memcpy(reinterpret_cast<char*>(drop) + sizeof(DROPFILES), names.data(), names.size());
  GlobalUnlock(memory);
  return memory;
}

class PreviewBoxTest : public FormsTest {
 protected:
  void SetUp() override {
    FormsTest::SetUp();
    CreateWindows();
    Main->Show();
    SetForegroundWindow(Main->GetHandle());
    PumpFor(100);
  }
};

}  // namespace

TEST_F(PreviewBoxTest, SwitchShowsTheBoxBesideTheMainWindowAndHandsThePreviewToTheEngine) {
  TFailOnException failures;
  TSettings& settings = *GetSettings();
  // Default settings: docked on the right (side 1) at offset 0, client 320 x 270.
  Main->SetPreviewVisible(true);
  TfrmPreviewBoxForm* box = Main->Box;
  ASSERT_NE(nullptr, box);
  PumpFor(200);
  EXPECT_TRUE(IsWindowVisible(box->GetHandle()));
  EXPECT_EQ(10, Main->btnShowPreview0->GetImageIndex());
  EXPECT_TRUE(Main->acShowPreview->GetChecked());
  EXPECT_EQ("1", settings.ReadString("MainForm.PreviewSize", ""));
  EXPECT_EQ("Preview Box", box->GetCaption());
  EXPECT_EQ("Orign Size", box->mi100Size->GetCaption());
  EXPECT_EQ(320, box->GetClientWidth());
  EXPECT_EQ(270, box->GetClientHeight());
  EXPECT_EQ(msRight, box->GetMagnetSide());
  EXPECT_EQ(Main->GetLeft() + Main->GetWidth(), box->GetLeft());
  EXPECT_EQ(Main->GetTop(), box->GetTop());

  // The preview window fills the part above the 30-pixel slider panel and is the engine's.
  TfrmPreviewForm* preview = box->frmPreview;
  ASSERT_NE(nullptr, preview);
  EXPECT_EQ(30, box->pnSlider0->GetHeight());
  EXPECT_EQ(320, preview->GetClientWidth());
  EXPECT_EQ(240, preview->GetClientHeight());
  EXPECT_EQ(box->pnPreview->GetHandle(), GetParent(preview->GetHandle()));
  EXPECT_EQ(preview->GetHandle(), Engine->PreviewWindow);
  Screenshot(box->GetHandle(), "preview-box");

  // Off: the box hides; on again: the same box.
  Main->SetPreviewVisible(false);
  PumpFor(50);
  EXPECT_FALSE(IsWindowVisible(box->GetHandle()));
  EXPECT_EQ(11, Main->btnShowPreview0->GetImageIndex());
  EXPECT_EQ("0", settings.ReadString("MainForm.PreviewSize", ""));
  Main->SetPreviewVisible(true);
  EXPECT_EQ(box, Main->Box);
  EXPECT_TRUE(IsWindowVisible(box->GetHandle()));
  EXPECT_EQ(preview->GetHandle(), Engine->PreviewWindow);

  // Resizing the box keeps its client size in the settings, and the preview fills it.
  box->SetBounds(box->GetLeft(), box->GetTop(), box->GetWidth() + 40, box->GetHeight() + 20);
  PumpFor(50);
  EXPECT_EQ(IntToStr(box->GetClientWidth()), settings.ReadString("Preivew.ClientWidth", ""));
  EXPECT_EQ(IntToStr(box->GetClientHeight()), settings.ReadString("Preivew.ClientHeight", ""));
  EXPECT_EQ(box->pnPreview->GetClientWidth(), preview->GetClientWidth());
  EXPECT_EQ(box->GetClientHeight() - 30, preview->GetClientHeight());

  // "Orign Size": the output size above the slider.
  box->mi100Size->Click();
  EXPECT_EQ(320, box->GetClientWidth());
  EXPECT_EQ(270, box->GetClientHeight());
  GetSettings()->Write(Setting::StreamWidth, 640);
  GetSettings()->Write(Setting::StreamHeight, 480);
  Window->ApplyStreamSettings();
  box->UpdateSize();
  EXPECT_EQ(640, box->GetClientWidth());
  EXPECT_EQ(510, box->GetClientHeight());
  EXPECT_EQ(640, preview->GetClientWidth());
  EXPECT_EQ(480, preview->GetClientHeight());

  // Going, the box takes its preview window along and the engine stops painting into it.
  box->Free();
  Main->Box = nullptr;
  EXPECT_EQ(nullptr, Engine->PreviewWindow);
  for (int i = 0; i < Application->GetComponentCount(); ++i)
    EXPECT_EQ(nullptr, dynamic_cast<TfrmPreviewForm*>(Application->GetComponent(i)));
}

TEST_F(PreviewBoxTest, BoxFollowsTheMainWindowAndHidesWithIt) {
  TFailOnException failures;
  Main->SetPreviewVisible(true);
  TfrmPreviewBoxForm* box = Main->Box;
  ASSERT_NE(nullptr, box);

  // Moved and resized, the main window takes the docked box along on its side.
  Main->SetBounds(100, 120, 350, 420);
  PumpFor(50);
  EXPECT_EQ(450, box->GetLeft());
  EXPECT_EQ(120, box->GetTop());

  // Hidden (to the tray) the main window takes the box along; shown again, the box comes
  // back only while the switch is on.
  Main->Hide();
  PumpFor(50);
  EXPECT_FALSE(IsWindowVisible(box->GetHandle()));
  Main->Show();
  PumpFor(50);
  EXPECT_TRUE(IsWindowVisible(box->GetHandle()));
  Main->SetPreviewVisible(false);
  Main->Hide();
  Main->Show();
  PumpFor(50);
  EXPECT_FALSE(IsWindowVisible(box->GetHandle()));
  // The switch does nothing while the main window is hidden.
  Main->Hide();
  Main->SetPreviewVisible(true);
  EXPECT_FALSE(box->GetVisible());
  Main->Show();
  EXPECT_TRUE(box->GetVisible());

  // Shown again while the main window stays on top, the box stays on top too.
  Main->SetPreviewVisible(false);
  SetStayOnTop(Main->GetHandle(), true);
  Main->SetPreviewVisible(true);
  EXPECT_TRUE(GetWindowLongA(box->GetHandle(), GWL_EXSTYLE) & WS_EX_TOPMOST);
  SetStayOnTop(Main->GetHandle(), false);
  Main->SetPreviewVisible(false);
  Main->SetPreviewVisible(true);
  EXPECT_FALSE(GetWindowLongA(box->GetHandle(), GWL_EXSTYLE) & WS_EX_TOPMOST);

  // Closing the box turns the switch off.
  box->Close();
  PumpFor(50);
  EXPECT_FALSE(Main->PreviewShown);
  EXPECT_FALSE(box->GetVisible());
  EXPECT_FALSE(Main->acShowPreview->GetChecked());
}

TEST_F(PreviewBoxTest, BoxDraggedNearASideDocksThereAndKeepsTheSideInTheSettings) {
  TFailOnException failures;
  TSettings& settings = *GetSettings();
  Main->SetBounds(400, 250, 300, 400);
  Main->SetPreviewVisible(true);
  TfrmPreviewBoxForm* box = Main->Box;
  ASSERT_NE(nullptr, box);
  const int w = box->GetWidth(), h = box->GetHeight();
  struct Case {
    const char* what;
    int left, top;  // where the box is moved
    TMagnetSide side;
    int offset;
    int dockedLeft, dockedTop;
  };
  const Case cases[] = {
      {"right edge 9 left of the main window", 400 - 9 - w, 300, msLeft, 50, 400 - w, 300},
      {"left edge 5 right of it", 705, 240, msRight, -10, 700, 240},
      {"bottom edge 7 above its top", 420, 250 - h - 7, msAbove, 20, 420, 250 - h},
      {"top edge 3 below its bottom", 380, 653, msBelow, -20, 380, 650},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    box->SetBounds(c.left, c.top, w, h);
    PumpFor(30);
    EXPECT_EQ(c.side, box->GetMagnetSide());
    EXPECT_EQ(c.offset, box->GetMagnetOffset());
    EXPECT_EQ(c.dockedLeft, box->GetLeft());
    EXPECT_EQ(c.dockedTop, box->GetTop());
    EXPECT_EQ(IntToStr(c.side), settings.ReadString("Preivew.MagnetFlag", ""));
    EXPECT_EQ(IntToStr(c.offset), settings.ReadString("Preivew.MagnetPos", ""));
    // The main window moves: the box keeps its side and offset.
    Main->SetBounds(Main->GetLeft() + 10, Main->GetTop() + 5, 300, 400);
    PumpFor(30);
    EXPECT_EQ(c.dockedLeft + 10, box->GetLeft());
    EXPECT_EQ(c.dockedTop + 5, box->GetTop());
    Main->SetBounds(400, 250, 300, 400);
    PumpFor(30);
  }

  // 10 pixels away is too far: undocked, where the user left it; the settings keep the
  // last side, so the next start docks there.
  box->SetBounds(400 - 10 - w, 300, w, h);
  PumpFor(30);
  EXPECT_EQ(msNone, box->GetMagnetSide());
  EXPECT_EQ(400 - 10 - w, box->GetLeft());
  EXPECT_EQ("2", settings.ReadString("Preivew.MagnetFlag", ""));
  Main->SetBounds(200, 250, 300, 400);  // an undocked box stays
  PumpFor(30);
  EXPECT_EQ(400 - 10 - w, box->GetLeft());

  // Dragged by its caption with the mouse, as a user does, next to the right side.
  Main->SetBounds(200, 250, 300, 400);
  box->SetBounds(700, 500, w, h);
  PumpFor(50);
  const int grabX = box->GetLeft() + w / 2, grabY = box->GetTop() + GetSystemMetrics(SM_CYSMCAPTION) / 2 + 2;
  TInputDriver input;
  input.Add([&] {
    MoveMouseTo(grabX, grabY);
    Sleep(50);
    MouseButton(true);
    for (int i = 1; i <= 10; ++i) {
      MoveMouseTo(grabX - i * (700 - 506) / 10, grabY - i * (500 - 300) / 10);
      Sleep(20);
    }
    MouseButton(false);
  });
  input.Run();
  PumpFor(100);
  EXPECT_EQ(msRight, box->GetMagnetSide()) << box->GetLeft() << "," << box->GetTop();
  EXPECT_EQ(500, box->GetLeft());
  Screenshot(box->GetHandle(), "preview-box-docked");
}

TEST_F(PreviewBoxTest, PreviewMouseReachesTheEngineInOutputPixels) {
  TFailOnException failures;
  GetSettings()->Write(Setting::StreamWidth, 640);
  GetSettings()->Write(Setting::StreamHeight, 480);
  Window->ApplyStreamSettings();
  Main->SetPreviewVisible(true);
  TfrmPreviewBoxForm* box = Main->Box;
  ASSERT_NE(nullptr, box);
  TfrmPreviewForm* preview = box->frmPreview;
  ASSERT_EQ(320, preview->GetClientWidth());
  ASSERT_EQ(240, preview->GetClientHeight());
  SetForegroundWindow(box->GetHandle());
  PumpFor(100);
  const TPoint at = ScreenPoint(preview, 160, 120);
  const TPoint to = ScreenPoint(preview, 200, 150);
  const TPoint outside = ScreenPoint(preview, 330, 250);  // beyond the preview: captured
  Engine->Calls.clear();
  TInputDriver input;
  input.Add([&] { MoveMouseTo(at.X, at.Y); });
  input.Add([&] { MouseButton(true); });
  input.Add([&] { MoveMouseTo(to.X, to.Y); });
  input.Add([&] { MoveMouseTo(outside.X, outside.Y); });
  input.Add([&] { MouseButton(false); });
  input.Run();
  const std::vector<std::string> calls = MouseCalls(*Engine);
  auto has = [&](const std::string& call) { return std::find(calls.begin(), calls.end(), call) != calls.end(); };
  EXPECT_TRUE(has(Mouse(WM_LBUTTONDOWN, 320, 240)));
  EXPECT_TRUE(has(Mouse(WM_MOUSEMOVE, 400, 300)));
  EXPECT_TRUE(has(Mouse(WM_MOUSEMOVE, 660, 500)));  // outside, while captured
  EXPECT_TRUE(has(Mouse(WM_LBUTTONUP, 660, 500)));
  EXPECT_EQ(preview->GetHandle(), GetFocus());

  // Leaving the preview (another window takes the focus) ends the edit: message 0.
  Engine->Calls.clear();
  SetForegroundWindow(Main->GetHandle());
  SetFocus(Main->GetHandle());
  PumpFor(100);
  const std::vector<std::string> afterLeaving = MouseCalls(*Engine);
  EXPECT_NE(afterLeaving.end(), std::find(afterLeaving.begin(), afterLeaving.end(), Mouse(0, 0, 0)));

  // Every message of the preview goes to the engine window's hook first.
  std::vector<UINT> hooked;
  Window->OnPreviewWndProc = [&](TMessage& Message) { hooked.push_back(Message.Msg); };
  SendMessageA(preview->GetHandle(), WM_USER + 77, 0, 0);
  Window->OnPreviewWndProc = nullptr;
  EXPECT_EQ((std::vector<UINT>{WM_USER + 77}), hooked);
}

TEST_F(PreviewBoxTest, SliderForwardsToTheMainWindowAndShowsThePositionAfterASeek) {
  TFailOnException failures;
  Main->SetPreviewVisible(true);
  TfrmPreviewBoxForm* box = Main->Box;
  ASSERT_NE(nullptr, box);
  box->valueMediaSlider->SetMaxValue(125000);
  box->valueMediaSlider->SetValue(0);
  Main->SliderChanges = Main->SliderReleases = 0;
  PumpFor(50);
  const TRect thumb = box->valueMediaSlider->ThumbRect();
  const TPoint grab = ScreenPoint(box->valueMediaSlider, (thumb.Left + thumb.Right) / 2, (thumb.Top + thumb.Bottom) / 2);
  const int ruler = box->valueMediaSlider->GetWidth();
  TInputDriver input;
  input.Add([&] { MoveMouseTo(grab.X, grab.Y); });
  input.Add([&] { MouseButton(true); });
  input.Add([&] { MoveMouseTo(grab.X + ruler / 4, grab.Y); });
  input.Add([&] { MoveMouseTo(grab.X + ruler / 2, grab.Y); });
  input.Add([&] { MouseButton(false); });
  input.Run();
  EXPECT_GE(Main->SliderChanges, 1);
  EXPECT_EQ(1, Main->SliderReleases);
  const int value = box->valueMediaSlider->GetValue();
  EXPECT_GT(value, 0);
  EXPECT_EQ(MediaSliderHint(value, 125000), box->valueMediaSlider->GetHint());
  EXPECT_EQ("   ", box->valueMediaSlider->GetHint().substr(0, 3));
  EXPECT_NE(AnsiString::npos, box->valueMediaSlider->GetHint().find(" / 02:05"));
}

TEST_F(PreviewBoxTest, FilesDroppedOnTheBoxGoToTheEngineWindowsHook) {
  TFailOnException failures;
  Main->SetPreviewVisible(true);
  TfrmPreviewBoxForm* box = Main->Box;
  ASSERT_NE(nullptr, box);
  EXPECT_TRUE(GetWindowLongA(box->GetHandle(), GWL_EXSTYLE) & WS_EX_ACCEPTFILES);
  std::vector<std::string> dropped;
  Window->OnDroppedFiles = [&](TStrings* Files) {
    for (int i = 0; i < Files->GetCount(); ++i) dropped.push_back(Files->Get(i));
  };
  SendMessageA(box->GetHandle(), WM_DROPFILES, reinterpret_cast<WPARAM>(MakeDrop({"C:\\a b.avi", "D:\\c.png"})), 0);
  EXPECT_EQ((std::vector<std::string>{"C:\\a b.avi", "D:\\c.png"}), dropped);
  Window->OnDroppedFiles = nullptr;
}

// ---------------------------------------------------------------------------------------
// Volume pop-up

TEST_F(PreviewBoxTest, VolumePopupSetsTheVolumeMutesAndHides) {
  TFailOnException failures;
  Engine->Properties[PROP_PLAYER_VOLUME] = "50";
  Engine->Properties[PROP_PLAYER_MUTE] = "0";
  Main->btnVolumeClick();
  TfrmVolumeForm* popup = Main->Volume;
  ASSERT_NE(nullptr, popup);
  PumpFor(100);
  EXPECT_TRUE(IsWindowVisible(popup->GetHandle()));
  EXPECT_EQ(148, popup->GetClientWidth());
  EXPECT_EQ(36, popup->GetClientHeight());
  EXPECT_EQ(0, GetWindowLongA(popup->GetHandle(), GWL_STYLE) & WS_CAPTION);
  const TPoint under = Main->btnVolume->ClientToScreen(TPoint(0, Main->btnVolume->GetHeight()));
  EXPECT_EQ(under.X, popup->GetLeft());
  EXPECT_EQ(under.Y, popup->GetTop());
  EXPECT_EQ(50, popup->tbVolume->GetValue());
  EXPECT_EQ("Mute", popup->btnMute->GetHint());
  EXPECT_EQ(0, popup->btnMute->GetTag());
  EXPECT_EQ(8, Main->btnVolume->GetImageIndex());  // 50: the middle picture
  Screenshot(popup->GetHandle(), "volume");

  // Showing the volume sent nothing to the engine.
  const std::string setVolume = "SetProperty(-1," + std::to_string(PROP_PLAYER_VOLUME) + ",";
  EXPECT_TRUE(Engine->CallsStartingWith(setVolume).empty());

  // A click on the bar sets the volume; its release hides the pop-up.
  const HWND bar = popup->tbVolume->GetHandle();
  TInputDriver input;
  input.Add([&] { ClickVolumeBar(bar); });
  input.Run();
  PumpFor(100);
  EXPECT_FALSE(popup->GetVisible());
  const int clicked = SafeStrToInt(Engine->Properties[PROP_PLAYER_VOLUME].c_str(), -1);
  EXPECT_GT(clicked, 50);
  EXPECT_EQ(clicked, popup->tbVolume->GetValue());
  EXPECT_EQ(7 + clicked / 34, Main->btnVolume->GetImageIndex());

  // The mute button mutes and hides; pressed while muted it sets the volume again.
  Main->btnVolumeClick();
  PumpFor(100);
  const TPoint mute = ScreenPoint(popup->btnMute, 12, 12);
  input.Add([&] { ClickAt(mute.X, mute.Y); });
  input.Run();
  EXPECT_EQ("1", Engine->Properties[PROP_PLAYER_MUTE]);
  EXPECT_FALSE(popup->GetVisible());
  EXPECT_EQ(6, Main->btnVolume->GetImageIndex());
  EXPECT_EQ(1, popup->btnMute->GetTag());

  // Opening the pop-up while muted sends no volume (which would unmute the player); the
  // mute button then sets the volume shown.
  Engine->Properties[PROP_PLAYER_VOLUME] = "20";
  const size_t volumeCalls = Engine->CallsStartingWith(setVolume).size();
  Main->btnVolumeClick();
  PumpFor(100);
  EXPECT_EQ(20, popup->tbVolume->GetValue());
  EXPECT_EQ(volumeCalls, Engine->CallsStartingWith(setVolume).size());
  input.Add([&] { ClickAt(mute.X, mute.Y); });
  input.Run();
  ASSERT_EQ(volumeCalls + 1, Engine->CallsStartingWith(setVolume).size());
  EXPECT_EQ(setVolume + "20)", Engine->CallsStartingWith(setVolume).back());
  EXPECT_FALSE(popup->GetVisible());

  // Losing the activation hides it.
  Main->btnVolumeClick();
  PumpFor(100);
  ASSERT_TRUE(popup->GetVisible());
  SetForegroundWindow(Main->GetHandle());
  PumpFor(100);
  EXPECT_FALSE(popup->GetVisible());
}

// Sizes and docking read from the settings file are checked: out-of-reason values give the
// defaults, an unknown side leaves the box undocked where it was put.
TEST_F(FormsTest, PreviewBoxTakesOnlySaneStoredSizesAndSides) {
  TFailOnException failures;
  struct Case {
    const char* lines;
    int width, height;
    TMagnetSide side;
  };
  const Case cases[] = {
      {"Preivew.ClientWidth=400\r\nPreivew.ClientHeight=330\r\nPreivew.MagnetFlag=3\r\nPreivew.MagnetPos=-20\r\n",
       400, 330, msLeft},
      {"Preivew.ClientWidth=-20\r\nPreivew.ClientHeight=999999\r\nPreivew.MagnetFlag=7\r\nPreivew.MagnetPos=abc\r\n",
       320, 270, msNone},
      {"Preivew.ClientWidth=x\r\nPreivew.ClientHeight=0\r\nPreivew.MagnetFlag=-1\r\n", 320, 270, msNone},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.lines);
    PresetSettings(c.lines);
    CreateWindows();
    Main->SetBounds(400, 250, 300, 400);
    Main->Show();
    Main->SetPreviewVisible(true);
    TfrmPreviewBoxForm* box = Main->Box;
    ASSERT_NE(nullptr, box);
    PumpFor(50);
    EXPECT_EQ(c.width, box->GetClientWidth());
    EXPECT_EQ(c.height, box->GetClientHeight());
    EXPECT_EQ(c.side, box->GetMagnetSide());
    if (c.side == msLeft) {
      EXPECT_EQ(400 - box->GetWidth(), box->GetLeft());
      EXPECT_EQ(230, box->GetTop());
    }
    box->Free();
    Main->Free();
    Main = nullptr;
    Window->Free();
    Window = nullptr;
  }
}

TEST_F(PreviewBoxTest, PreviewMenuGivesTheBoxTheOutputSize) {
  TFailOnException failures;
  Main->SetPreviewVisible(true);
  TfrmPreviewBoxForm* box = Main->Box;
  ASSERT_NE(nullptr, box);
  box->SetBounds(box->GetLeft(), box->GetTop(), 500, 420);
  PumpFor(50);
  ASSERT_NE(320, box->GetClientWidth());
  const TPoint at = ScreenPoint(box->frmPreview, 100, 100);
  TInputDriver input;
  input.Add([&] { ClickAt(at.X, at.Y, true); });
  input.Add([&] {
    ASSERT_TRUE(WaitForTopWindow("#32768"));
    Sleep(200);
    TypeKey(VK_DOWN);
    TypeKey(VK_RETURN);
  });
  input.Run();
  PumpFor(50);
  EXPECT_EQ(320, box->GetClientWidth());
  EXPECT_EQ(270, box->GetClientHeight());
}
