// The program's smaller windows against the real engine library and the stand-in camera:
// the preview window shows the engine's output, a drag in it moves an effect by output
// pixels, the volume pop-up's value reaches the player, and the options' size reaches the
// camera.
#include <objbase.h>

#include "tests/app/StandInCamera.h"
#include "tests/app/FormsTestSupport.h"

#include "tests/engine/CameraTestSupport.h"
#include "tests/framework/ControlTestSupport.h"

#include "app/EngineLibrary.h"
#include "app/OptionsForm.h"
#include "platform/vcam/VcamDevice.h"

namespace {

constexpr const char* kHardwareId = "root\\TaviscoVCam";
constexpr COLORREF kBlue = RGB(0, 0, 255);

// The engine window over the real engine library with the stand-in camera installed.
class FormsOnEngineTest : public FormsTest {
 protected:
  void SetUp() override {
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    FormsTest::SetUp();
    TfrmEngineWndLumetra::EngineExports = LibraryEngineExports();
    WriteWholeFile(Program.File("const.dat"),
                   "[const]\r\nApp.ConfigPath=" + ConfigPath() +
                       "\r\nApp.Ver=4.2.0.0\r\nApp.ID=1234\r\nDriver.HardwareID=" + kHardwareId +
                       "\r\nDriver.InfFileName=TaviscoCam.inf\r\nDriver.FriendName=" + camera_test::kCameraName +
                       "\r\n" + kOfflineUpdateConst);
    MakeSettings();
    ASSERT_TRUE(InstallStandInCamera());
  }
  void TearDown() override {
    FormsTest::TearDown();
    RemoveDevice(kHardwareId);
    CoUninitialize();
  }

  // The engine composes for a while; its messages are handled meanwhile.
  static void Run(DWORD Ms) { PumpFor(Ms); }

  IVDEngine* Engine() { return Window->GetEngine().Get(); }

  // The picture a messenger's capture graph on the camera shows after a few frames, the
  // program's messages handled meanwhile.
  static bool Capture(camera_test::Captured& Frame) {
    camera_test::CameraCapture capture;
    if (!capture.Start()) return false;
    const DWORD start = GetTickCount();
    while (capture.Grabber()->Samples() < 3 && GetTickCount() - start < 10000) Run(50);
    EXPECT_GE(capture.Grabber()->Samples(), 3);
    Frame = capture.Last();
    return capture.Grabber()->Samples() >= 3;
  }

  // The preview box shown beside the main window.
  TfrmPreviewBoxForm* ShowPreview() {
    CreateWindows();
    EXPECT_TRUE(Window->HasEngine());
    Main->Show();
    Main->SetPreviewVisible(true);
    SetForegroundWindow(Main->Box->GetHandle());
    Run(300);
    return Main->Box;
  }
};

bool Near(COLORREF A, COLORREF B, int Tolerance) {
  return std::abs(GetRValue(A) - GetRValue(B)) <= Tolerance && std::abs(GetGValue(A) - GetGValue(B)) <= Tolerance &&
         std::abs(GetBValue(A) - GetBValue(B)) <= Tolerance;
}

}  // namespace

TEST_F(FormsOnEngineTest, PreviewShowsTheOutputAndADragMovesAnEffectByOutputPixels) {
  TFailOnException failures;
  PresetSettings("Stream.Width=640\r\nStream.Height=480\r\nStream.Rate=20\r\n");
  TfrmPreviewBoxForm* box = ShowPreview();
  ASSERT_NE(nullptr, box);
  TfrmPreviewForm* preview = box->frmPreview;
  ASSERT_EQ(320, preview->GetClientWidth());
  ASSERT_EQ(240, preview->GetClientHeight());

  // A blue main source fills the preview.
  ASSERT_TRUE(Engine()->OpenElementFile(-1, "@color:0xFF0000"));
  // A green effect at (100, 100) - (200, 150) of the 640 x 480 output.
  ASSERT_TRUE(Engine()->AddEffect("@color:0x00FF00", nullptr, nullptr, nullptr));
  const int effect = Engine()->GetSelectedEffect();
  for (auto [id, value] : {std::pair{PROP_LAYOUT_WIDTH_MODE, "0"}, {PROP_LAYOUT_HEIGHT_MODE, "0"},
                           {PROP_LAYOUT_WIDTH, "100"}, {PROP_LAYOUT_HEIGHT, "50"}, {PROP_LAYOUT_X_MODE, "0"},
                           {PROP_LAYOUT_Y_MODE, "0"}, {PROP_LAYOUT_X, "100"}, {PROP_LAYOUT_Y, "100"}})
    ASSERT_TRUE(Window->SetProperty(effect, id, value)) << id;
  Run(500);
  EXPECT_TRUE(Near(kBlue, ColorToRGB(ScreenPixel(ScreenPoint(preview, 20, 200))), 24));
  EXPECT_TRUE(Near(RGB(0, 255, 0), ColorToRGB(ScreenPixel(ScreenPoint(preview, 75, 62))), 24));
  Screenshot(box->GetHandle(), "preview-box-engine");

  // Pressed at preview (75, 62), output (150, 124): inside the effect, away from its
  // edges; moved by preview (20, 10), output (40, 20).
  const TPoint press = ScreenPoint(preview, 75, 62);
  const TPoint release = ScreenPoint(preview, 95, 72);
  TInputDriver input;
  input.Add([&] { MoveMouseTo(press.X, press.Y); });
  input.Add([&] { MouseButton(true); });
  input.Add([&] { MoveMouseTo((press.X + release.X) / 2, (press.Y + release.Y) / 2); });
  input.Add([&] { MoveMouseTo(release.X, release.Y); });
  input.Add([&] { MouseButton(false); });
  input.Run();
  Run(300);
  EXPECT_EQ("140", Window->GetProperty(effect, PROP_LAYOUT_X));
  EXPECT_EQ("120", Window->GetProperty(effect, PROP_LAYOUT_Y));
  EXPECT_EQ("100", Window->GetProperty(effect, PROP_LAYOUT_WIDTH));
  // The moved effect shows where it went.
  EXPECT_TRUE(Near(RGB(0, 255, 0), ColorToRGB(ScreenPixel(ScreenPoint(preview, 115, 80))), 24));
  EXPECT_TRUE(Near(kBlue, ColorToRGB(ScreenPixel(ScreenPoint(preview, 55, 55))), 24));
  Screenshot(box->GetHandle(), "preview-box-engine-moved");
}

TEST_F(FormsOnEngineTest, VolumePopupValueReachesThePlayer) {
  TFailOnException failures;
  CreateWindows();
  Main->Show();
  ASSERT_TRUE(Window->SetProperty(-1, PROP_SOURCE_TYPE, "18"));  // the playlist
  ASSERT_TRUE(Window->SetProperty(-1, PROP_PLAYER_VOLUME, "50"));
  Run(100);

  Main->btnVolumeClick();
  TfrmVolumeForm* popup = Main->Volume;
  ASSERT_NE(nullptr, popup);
  Run(200);
  EXPECT_EQ(50, popup->tbVolume->GetValue());
  const HWND bar = popup->tbVolume->GetHandle();
  TInputDriver input;
  input.Add([&] { ClickVolumeBar(bar); });
  input.Run();
  Run(100);
  const int value = popup->tbVolume->GetValue();
  EXPECT_GT(value, 50);
  EXPECT_EQ(IntToStr(value), Window->GetProperty(-1, PROP_PLAYER_VOLUME));
  EXPECT_EQ("0", Window->GetProperty(-1, PROP_PLAYER_MUTE));

  // Mute, then open the pop-up again: the player stays muted until the mute button is
  // pressed once more.
  Main->btnVolumeClick();
  Run(100);
  const TPoint mute = ScreenPoint(popup->btnMute, 12, 12);
  input.Add([&] { ClickAt(mute.X, mute.Y); });
  input.Run();
  EXPECT_EQ("1", Window->GetProperty(-1, PROP_PLAYER_MUTE));
  Main->btnVolumeClick();
  Run(100);
  EXPECT_EQ("1", Window->GetProperty(-1, PROP_PLAYER_MUTE));
  EXPECT_EQ(value, popup->tbVolume->GetValue());
  input.Add([&] { ClickAt(mute.X, mute.Y); });
  input.Run();
  EXPECT_EQ("0", Window->GetProperty(-1, PROP_PLAYER_MUTE));
  EXPECT_EQ(IntToStr(value), Window->GetProperty(-1, PROP_PLAYER_VOLUME));
}

TEST_F(FormsOnEngineTest, OptionsOkWithTheThirdSizeMakesTheCameraDeliverIt) {
  TFailOnException failures;
  CreateWindows();
  Main->Show();
  ASSERT_TRUE(Engine()->OpenElementFile(-1, "@color:0xFF0000"));
  Run(300);
  camera_test::Captured before;
  ASSERT_TRUE(Capture(before));
  EXPECT_EQ(320, before.header.biWidth);

  TOwned<TfrmOptionForm> options(new TfrmOptionForm(Main));
  options->cbWebcamSourceSize->SetItemIndex(2);
  options->edSourceRate->SetValue(15);
  options->btnOk->Click();
  EXPECT_EQ(mrOk, options->GetModalResult());
  Run(300);

  camera_test::Captured frame;
  ASSERT_TRUE(Capture(frame));
  EXPECT_EQ(352, frame.header.biWidth);
  EXPECT_EQ(288, std::abs(frame.header.biHeight));
  ASSERT_EQ(size_t(352 * 3 * 288), frame.pixels.size());
  const BYTE* middle = frame.At(176, 144);
  EXPECT_GT(middle[0], 200);  // blue
  EXPECT_LT(middle[2], 50);
}
