// The engine end to end, as the program and a messenger use it: the stand-in camera is
// installed through the library's exports, an engine is set up and initialised with the
// camera's name, its main source is a solid colour and a text effect is added. A capture
// graph opened on the camera, as a messenger builds one, receives that picture; the
// library sends it at about the set rate; the preview window on the display shows the same
// picture; a new output size reaches the camera. Without the camera the engine composes
// and previews and sends nothing.
#include <dshow.h>
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "EngineClient.h"
#include "engine/effects/PropertyIds.h"
#include "platform/vcam/VcamDevice.h"
#include "tests/engine/CameraTestSupport.h"

namespace {

using camera_test::Captured;
using camera_test::CaptureFromCamera;
using camera_test::kCameraName;
using camera_test::kHardwareId;
using engine_client::Engine;
using engine_client::EngineObject;
using engine_client::Library;
using engine_client::NotifyWindow;

constexpr int kRate = 20;

// The main source: red 0x20, green 0x40, blue 0x80; the text: opaque yellow.
constexpr DWORD kMainColour = 0x804020;
constexpr BYTE kMainBgr[3] = {0x80, 0x40, 0x20};
constexpr DWORD kTextColour = 0x00FFFF;

bool IsMainColour(const BYTE* bgr) {
  return bgr[0] == kMainBgr[0] && bgr[1] == kMainBgr[1] && bgr[2] == kMainBgr[2];
}

// The text's yellow, allowing for the edges GDI smooths.
bool IsTextColour(const BYTE* bgr) { return bgr[0] < 60 && bgr[1] > 200 && bgr[2] > 200; }

int CountTextPixels(const Captured& picture) {
  int count = 0;
  for (int y = 0; y < picture.header.biHeight; ++y) {
    for (int x = 0; x < picture.header.biWidth; ++x) count += IsTextColour(picture.At(x, y));
  }
  return count;
}

// The preview window's client area as the display shows it.
Captured ReadWindow(HWND window) {
  RECT client;
  GetClientRect(window, &client);
  Captured out;
  out.header.biSize = sizeof(BITMAPINFOHEADER);
  out.header.biWidth = client.right;
  out.header.biHeight = client.bottom;
  out.header.biPlanes = 1;
  out.header.biBitCount = 24;
  out.pixels.resize(size_t(((client.right * 24 + 31) / 32) * 4) * size_t(client.bottom));
  HDC dc = GetDC(window);
  HDC memory = CreateCompatibleDC(dc);
  HBITMAP bitmap = CreateCompatibleBitmap(dc, client.right, client.bottom);
  HGDIOBJ old = SelectObject(memory, bitmap);
  BitBlt(memory, 0, 0, client.right, client.bottom, dc, 0, 0, SRCCOPY);
  SelectObject(memory, old);
  BITMAPINFO info = {};
  info.bmiHeader = out.header;
  GetDIBits(memory, bitmap, 0, UINT(client.bottom), out.pixels.data(), &info, DIB_RGB_COLORS);
  DeleteObject(bitmap);
  DeleteDC(memory);
  ReleaseDC(window, dc);
  return out;
}

// The window the program hands to the engine as its preview.
class PreviewWindow {
 public:
  PreviewWindow(int width, int height) {
    WNDCLASSA wc = {};
    wc.lpfnWndProc = DefWindowProcA;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = "EngineEndToEndPreview";
    wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
    RegisterClassA(&wc);
    m_window = CreateWindowExA(WS_EX_TOPMOST, wc.lpszClassName, "preview", WS_POPUP | WS_VISIBLE,
                               40, 40, width, height, nullptr, nullptr, wc.hInstance, nullptr);
  }
  ~PreviewWindow() { DestroyWindow(m_window); }
  HWND Handle() const { return m_window; }

 private:
  HWND m_window = nullptr;
};

class EngineEndToEnd : public ::testing::Test {
 protected:
  void SetUp() override {
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    ASSERT_TRUE(library.Loaded());
    library.RemoveDevice(kHardwareId);  // a run that was killed may have left its camera
  }
  void TearDown() override {
    library.RemoveDevice(kHardwareId);
    CoUninitialize();
  }

  void InstallCamera() { ASSERT_TRUE(camera_test::InstallCamera(library)); }

  // Sets up and initialises the engine as the program does, with a colour main source and
  // the preview window.
  void StartEngine(Engine* e, HWND preview) {
    VD(e, SetNotifyWindow, notify.Handle());
    EXPECT_EQ(VD(e, SetOutputSize, 320, 240), 1);
    EXPECT_EQ(VD(e, SetFrameRate, kRate), 1);
    VD(e, Initialize, kCameraName);
    EXPECT_EQ(VD(e, SetPreviewWindow, preview), 0);
    char colour[32];
    snprintf(colour, sizeof(colour), "@color:0x%06lX", static_cast<unsigned long>(kMainColour));
    ASSERT_EQ(VD(e, OpenElementFile, -1, colour), TRUE);
  }

  // A text effect made into an effect file and added from it, centred in the frame.
  void AddTextEffect(Engine* e) {
    char temp[MAX_PATH];
    GetTempPathA(MAX_PATH, temp);
    const std::string path = std::string(temp) + "engine end to end text " +
                             std::to_string(GetCurrentProcessId()) + ".efc";
    ASSERT_EQ(VD(e, AddEffect, "@color:0x000000", nullptr, nullptr, nullptr), TRUE);
    const int draft = VD(e, GetSelectedEffect);
    ASSERT_EQ(VD(e, SetProperty, draft, PROP_SOURCE_TYPE, "7"), TRUE);
    ASSERT_EQ(VD(e, SetProperty, draft, PROP_TEXT, "TAVISCO"), TRUE);
    ASSERT_EQ(VD(e, SetProperty, draft, PROP_TEXT_SIZE, "48"), TRUE);
    ASSERT_EQ(VD(e, SetProperty, draft, PROP_TEXT_COLOR, std::to_string(kTextColour).c_str()),
              TRUE);
    ASSERT_EQ(VD(e, SetProperty, draft, PROP_TEXT_TRANSPARENCY, "0"), TRUE);
    ASSERT_EQ(VD(e, SaveEffect, draft, "Text", "Words", "Name", path.c_str()), TRUE);
    ASSERT_EQ(VD(e, RemoveEffect, draft), 0);

    ASSERT_EQ(VD(e, AddEffect, path.c_str(), nullptr, nullptr, nullptr), TRUE);
    const int text = VD(e, GetSelectedEffect);
    ASSERT_EQ(VD(e, SetProperty, text, PROP_LAYOUT_X_MODE, "2"), TRUE);
    ASSERT_EQ(VD(e, SetProperty, text, PROP_LAYOUT_Y_MODE, "2"), TRUE);
    DeleteFileA(path.c_str());
  }

  Library library;
  NotifyWindow notify;
};

TEST_F(EngineEndToEnd, CameraAndPreviewShowTheColourWithTheTextAtTheSetRate) {
  InstallCamera();
  PreviewWindow preview(320, 240);
  notify.Pump(200);  // the window is shown before the engine paints into it
  vcam::FrameBuffer buffer;
  ASSERT_TRUE(buffer.Open());
  {
    EngineObject engine(library);
    StartEngine(engine.get(), preview.Handle());
    AddTextEffect(engine.get());
    Sleep(500);

    // The engine sends about the set rate.
    std::vector<uint8_t> frame;
    int32_t width = 0, height = 0;
    uint32_t before = 0, after = 0;
    ASSERT_TRUE(buffer.ReadFrame(frame, width, height, before));
    Sleep(2000);
    ASSERT_TRUE(buffer.ReadFrame(frame, width, height, after));
    const double rate = (after - before) / 2.0;
    EXPECT_GE(rate, kRate * 0.6) << rate << " frames a second";
    EXPECT_LE(rate, kRate * 1.3) << rate << " frames a second";

    // A messenger's capture graph sees the colour with the text.
    Captured camera;
    ASSERT_TRUE(CaptureFromCamera(camera));
    ASSERT_EQ(camera.header.biWidth, 320);
    ASSERT_EQ(camera.header.biHeight, 240);
    ASSERT_EQ(camera.pixels.size(), 320u * 240 * 3);
    for (POINT p : {POINT{2, 2}, POINT{317, 2}, POINT{2, 237}, POINT{317, 237}}) {
      EXPECT_TRUE(IsMainColour(camera.At(p.x, p.y))) << p.x << "," << p.y;
    }
    const int textPixels = CountTextPixels(camera);
    EXPECT_GT(textPixels, 300) << "the text is drawn";
    EXPECT_LT(textPixels, 320 * 240 / 3);
    EXPECT_TRUE(IsMainColour(camera.At(160, 20))) << "the centred text leaves the top free";

    // The preview window on the display shows the same picture.
    const Captured shown = ReadWindow(preview.Handle());
    ASSERT_EQ(shown.header.biWidth, 320);
    for (POINT p : {POINT{2, 2}, POINT{317, 237}, POINT{160, 20}}) {
      const BYTE* bgr = shown.At(p.x, p.y);
      for (int i = 0; i < 3; ++i) EXPECT_NEAR(bgr[i], kMainBgr[i], 4) << p.x << "," << p.y;
    }
    const int shownText = CountTextPixels(shown);
    EXPECT_GT(shownText, textPixels / 2);
    EXPECT_LT(shownText, textPixels * 2);

    // A new output size reaches the camera with the next frame.
    ASSERT_EQ(VD(engine.get(), SetOutputSize, 176, 144), 1);
    Sleep(300);
    ASSERT_TRUE(buffer.GetSize(width, height));
    EXPECT_EQ(width, 176);
    EXPECT_EQ(height, 144);
    Captured smaller;
    ASSERT_TRUE(CaptureFromCamera(smaller));
    EXPECT_EQ(smaller.header.biWidth, 176);
    EXPECT_EQ(smaller.header.biHeight, 144);
    ASSERT_EQ(smaller.pixels.size(), 176u * 144 * 3);
    EXPECT_TRUE(IsMainColour(smaller.At(4, 4)));
    EXPECT_TRUE(IsMainColour(smaller.At(171, 139)));
    EXPECT_GT(CountTextPixels(smaller), 50);
  }
}

TEST_F(EngineEndToEnd, WithoutTheCameraTheEngineRunsAndPreviewsAndSendsNothing) {
  ASSERT_FALSE(library.FindDevice(kHardwareId));
  PreviewWindow preview(160, 120);
  notify.Pump(200);
  vcam::FrameBuffer buffer;
  ASSERT_TRUE(buffer.Open());
  std::vector<uint8_t> frame;
  int32_t width = 0, height = 0;
  uint32_t before = 0, after = 0;
  buffer.ReadFrame(frame, width, height, before);
  {
    EngineObject engine(library);
    StartEngine(engine.get(), preview.Handle());
    Sleep(800);

    // Half the size: the whole frame is stretched into the window.
    const Captured shown = ReadWindow(preview.Handle());
    ASSERT_EQ(shown.header.biWidth, 160);
    for (POINT p : {POINT{1, 1}, POINT{80, 60}, POINT{158, 118}}) {
      const BYTE* bgr = shown.At(p.x, p.y);
      for (int i = 0; i < 3; ++i) EXPECT_NEAR(bgr[i], kMainBgr[i], 4) << p.x << "," << p.y;
    }

    // Windows handed over again and again while frames are painted at a high rate: each
    // exchange waits for the frame in progress, and the last window takes over.
    PreviewWindow other(96, 72);
    notify.Pump(100);
    EXPECT_EQ(VD(engine.get(), SetFrameRate, 200), 1);
    for (int i = 0; i < 60; ++i) {
      const HWND windows[] = {preview.Handle(), nullptr, other.Handle()};
      EXPECT_EQ(VD(engine.get(), SetPreviewWindow, windows[i % 3]), 0);
      Sleep(i % 4);
    }
    Sleep(300);
    const Captured last = ReadWindow(other.Handle());
    for (int i = 0; i < 3; ++i) EXPECT_NEAR(last.At(48, 36)[i], kMainBgr[i], 4);
  }
  buffer.ReadFrame(frame, width, height, after);
  EXPECT_EQ(after, before) << "no frame reached the camera's buffer";
}

}  // namespace
