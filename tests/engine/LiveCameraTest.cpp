// A live camera as the main source, end to end: the engine library loaded as the program
// loads it opens the test camera of the test filter DLL through the system's device
// monikers and capture graph builder, and the frames it sends reach the virtual camera's
// frame buffer. The test camera's behaviour (sizes it accepts, depth, row order, failing
// to run) and its picture are chosen per test.
#include <dshow.h>
#include <windows.h>

#include <gdiplus.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "EngineClient.h"
#include "engine/effects/PropertyIds.h"
#include "platform/vcam/VcamDevice.h"
#include "tests/engine/CameraTestSupport.h"
#include "tests/engine/TestCameraClient.h"
#include "tests/platform/dshow/TestFilters.h"

namespace {

using camera_test::Captured;
using camera_test::kCameraName;
using camera_test::kHardwareId;
using camera_test::ProgramFolder;
using camera_test::TestCameraClient;
using engine_client::Engine;
using engine_client::EngineObject;
using engine_client::kEngineEvent;
using engine_client::Library;
using engine_client::NotifyWindow;
using engine_client::Text;

constexpr int kMainSource = -1;
constexpr int kCameraFailed = 1009;
const std::string kTestCamera = TEST_CAMERA_DISPLAY_NAME;

struct Bgr {
  BYTE b, g, r;
};

// A picture for the test camera: 24-bit, rows top-down, no padding.
struct Picture {
  int width = 0, height = 0;
  std::vector<BYTE> pixels;
  Picture(int w, int h, const std::function<Bgr(int x, int y)>& colour)
      : width(w), height(h), pixels(size_t(w) * h * 3) {
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x) {
        const Bgr c = colour(x, y);
        BYTE* p = &pixels[(size_t(y) * w + x) * 3];
        p[0] = c.b;
        p[1] = c.g;
        p[2] = c.r;
      }
  }
};

// Quarters of distinct colours: a picture shown upside down, mirrored or with skewed rows
// puts the wrong colour near the corners.
Bgr Quarter(int x, int y, int w, int h) {
  const bool right = x >= w / 2, bottom = y >= h / 2;
  if (!bottom) return right ? Bgr{0, 255, 0} : Bgr{0, 0, 255};  // green | red
  return right ? Bgr{255, 255, 255} : Bgr{255, 0, 0};           // white | blue
}

// A frame of the virtual camera's buffer.
struct Frame {
  std::vector<uint8_t> pixels;  // bottom-up rows of width x 3 bytes
  int32_t width = 0, height = 0;
  uint32_t count = 0;
  const BYTE* At(int x, int y) const {
    return pixels.data() + (size_t(height - 1 - y) * size_t(width) + size_t(x)) * 3;
  }
  bool Near(int x, int y, Bgr c, int tolerance) const {
    const BYTE* p = At(x, y);
    return std::abs(p[0] - c.b) <= tolerance && std::abs(p[1] - c.g) <= tolerance &&
           std::abs(p[2] - c.r) <= tolerance;
  }
  Captured AsCaptured() const {
    Captured c;
    c.header.biWidth = width;
    c.header.biHeight = height;
    c.pixels = pixels;
    return c;
  }
};

std::string Describe(const Frame& f, int x, int y) {
  const BYTE* p = f.At(x, y);
  char text[64];
  snprintf(text, sizeof(text), "(%d,%d) = #%02X%02X%02X", x, y, p[2], p[1], p[0]);
  return text;
}

// A second entry in the video input category that makes the test camera's filter too,
// under a name that sorts first, so that it is the default device.
class OtherCameraEntry {
 public:
  OtherCameraEntry() {
    CoCreateInstance(CLSID_FilterMapper2, nullptr, CLSCTX_INPROC_SERVER, IID_IFilterMapper2,
                     reinterpret_cast<void**>(&m_mapper));
    if (!m_mapper) return;
    m_mapper->UnregisterFilter(&CLSID_VideoInputDeviceCategory, kInstance, CLSID_TestCamera);
    REGFILTER2 filter = {};
    filter.dwVersion = 1;
    filter.dwMerit = MERIT_DO_NOT_USE;
    m_registered = SUCCEEDED(m_mapper->RegisterFilter(CLSID_TestCamera, L"Other Camera", nullptr,
                                                      &CLSID_VideoInputDeviceCategory, kInstance,
                                                      &filter));
  }
  ~OtherCameraEntry() {
    if (m_registered)
      m_mapper->UnregisterFilter(&CLSID_VideoInputDeviceCategory, kInstance, CLSID_TestCamera);
    if (m_mapper) m_mapper->Release();
  }
  bool Registered() const { return m_registered; }

 private:
  static constexpr const wchar_t* kInstance = L"AAA Other Camera";
  IFilterMapper2* m_mapper = nullptr;
  bool m_registered = false;
};

class LiveCamera : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    Gdiplus::GdiplusStartupInput input;
    Gdiplus::GdiplusStartup(&s_gdiplus, &input, nullptr);
  }
  static void TearDownTestSuite() { Gdiplus::GdiplusShutdown(s_gdiplus); }

  void SetUp() override {
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    ASSERT_TRUE(camera.Loaded());
    {
      Library library;
      ASSERT_TRUE(library.Loaded());
      ASSERT_TRUE(camera_test::InstallCamera(library));
    }
    ASSERT_TRUE(camera.Register());
    ASSERT_TRUE(buffer.Open());
  }
  void TearDown() override {
    camera.Unregister();
    {
      Library library;
      library.RemoveDevice(kHardwareId);
    }
    CoUninitialize();
  }

  // Sets up and initialises the engine as the program does.
  void StartEngine(Engine* e, int rate, int width = 320, int height = 240) {
    VD(e, SetNotifyWindow, notify.Handle());
    ASSERT_EQ(VD(e, SetOutputSize, width, height), 1);
    ASSERT_EQ(VD(e, SetFrameRate, rate), 1);
    VD(e, Initialize, kCameraName);
  }

  static std::string Get(Engine* e, int property) {
    Text value;
    VD(e, GetProperty, kMainSource, property, nullptr, &value);
    return value.value;
  }

  // The next frame the engine sends after frame number `after` (of the given size, when
  // one is given), within the time-out.
  bool NextFrame(Frame& frame, uint32_t after, DWORD timeoutMs = 3000, int width = 0,
                 int height = 0) {
    const DWORD start = GetTickCount();
    do {
      notify.Pump(5);
      if (buffer.ReadFrame(frame.pixels, frame.width, frame.height, frame.count) &&
          frame.count != after && (width == 0 || (frame.width == width && frame.height == height)))
        return true;
    } while (GetTickCount() - start < timeoutMs);
    return false;
  }
  // A frame that shows what the camera delivers once the picture has settled.
  bool SettledFrame(Frame& frame, int width, int height) {
    Frame first;
    if (!NextFrame(first, 0, 5000, width, height)) return false;
    Sleep(400);
    return NextFrame(frame, first.count, 3000, width, height);
  }

  // The last engine event, when one arrived.
  bool LastEvent(Engine* e, int& code, std::string& text) {
    notify.Pump(50);
    if (notify.Take(kEngineEvent).empty()) return false;
    Text holder;
    VD(e, GetLastEvent, &code, &holder);
    text = holder.value;
    return true;
  }

  // The stock picture the engine shows for a camera that cannot be opened.
  static Captured StockPicture(int width, int height) {
    return camera_test::ScaledPicture(ProgramFolder() + "res\\images\\source2.png", width, height);
  }

  static ULONG_PTR s_gdiplus;
  TestCameraClient camera;
  NotifyWindow notify;
  vcam::FrameBuffer buffer;
};

ULONG_PTR LiveCamera::s_gdiplus = 0;

TEST_F(LiveCamera, FramesArriveInOrderWithAndWithoutAFrameRate) {
  Library library;
  ASSERT_TRUE(library.Loaded());
  struct Case {
    int rate;
    double low, high;  // frames a second the engine sends
  };
  // Without a frame rate every camera frame (30 a second) composes one frame.
  for (const Case& c : {Case{0, 18, 36}, Case{15, 9, 19}}) {
    SCOPED_TRACE("rate " + std::to_string(c.rate));
    EngineObject engine(library);
    StartEngine(engine.get(), c.rate);
    ASSERT_EQ(VD(engine.get(), OpenElementFile, kMainSource, ("@cam:" + kTestCamera).c_str()),
              TRUE);
    EXPECT_EQ(Get(engine.get(), PROP_CAMERA_DEVICE), "@cam:" + kTestCamera);
    Frame frame;
    ASSERT_TRUE(NextFrame(frame, 0, 5000, 320, 240)) << "the camera's frames reach the output";
    const TestCameraStats stats = camera.Stats();
    EXPECT_EQ(stats.acceptedWidth, 320);
    EXPECT_EQ(stats.acceptedHeight, 240);
    EXPECT_EQ(stats.streamingWidth, 320);

    // The numbered frames come through whole and in order.
    std::vector<int64_t> numbers;
    const uint32_t firstCount = frame.count;
    const DWORD start = GetTickCount();
    while (GetTickCount() - start < 2000) {
      if (!NextFrame(frame, frame.count, 1000)) break;
      numbers.push_back(DecodeFrame(frame.pixels.data(), frame.pixels.size(), 320, 240, 3));
    }
    const double rate = (frame.count - firstCount) * 1000.0 / (GetTickCount() - start);
    EXPECT_GE(rate, c.low) << "frames a second";
    EXPECT_LE(rate, c.high) << "frames a second";
    ASSERT_GE(numbers.size(), 10u);
    for (size_t i = 0; i < numbers.size(); ++i) {
      EXPECT_GE(numbers[i], 0) << "frame " << i << " is a whole camera frame";
      if (i > 0) {
        EXPECT_GE(numbers[i], numbers[i - 1]) << "frame " << i;
      }
    }
    EXPECT_GT(numbers.back(), numbers.front() + 10);
  }
}

TEST_F(LiveCamera, ZoomAndPanShowTheirPartOfThePicture) {
  // Blue counts the columns and green the rows of the camera picture.
  const Picture ramp(320, 240, [](int x, int y) {
    return Bgr{BYTE(x * 255 / 319), BYTE(y * 255 / 239), 0x40};
  });
  camera.SetPicture(ramp.pixels, ramp.width, ramp.height);
  Library library;
  EngineObject engine(library);
  StartEngine(engine.get(), 20);
  ASSERT_EQ(VD(engine.get(), OpenElementFile, kMainSource, ("@cam:" + kTestCamera).c_str()), TRUE);

  // Out-of-range values are brought into range.
  struct Clamp {
    int property;
    const char* value;
    const char* stored;
  };
  for (const Clamp& c : {Clamp{PROP_CAMERA_ZOOM, "50", "100"}, Clamp{PROP_CAMERA_ZOOM, "1000", "400"},
                         Clamp{PROP_CAMERA_PAN_X, "-300", "-100"},
                         Clamp{PROP_CAMERA_PAN_Y, "250", "100"}}) {
    EXPECT_EQ(VD(engine.get(), SetProperty, kMainSource, c.property, c.value), TRUE);
    EXPECT_EQ(Get(engine.get(), c.property), c.stored) << c.value;
  }

  struct View {
    int zoom, panX, panY;
    RECT shown;  // of the 320 x 240 camera picture
  };
  const View views[] = {
      {100, 0, 0, {0, 0, 320, 240}},      {200, 0, 0, {80, 60, 240, 180}},
      {200, 100, 0, {0, 60, 160, 180}},   {200, -100, 0, {160, 60, 320, 180}},
      {400, 0, 100, {120, 0, 200, 60}},   {400, -100, -100, {240, 180, 320, 240}},
  };
  for (const View& v : views) {
    SCOPED_TRACE("zoom " + std::to_string(v.zoom) + " pan " + std::to_string(v.panX) + "," +
                 std::to_string(v.panY));
    VD(engine.get(), SetProperty, kMainSource, PROP_CAMERA_ZOOM, std::to_string(v.zoom).c_str());
    VD(engine.get(), SetProperty, kMainSource, PROP_CAMERA_PAN_X, std::to_string(v.panX).c_str());
    VD(engine.get(), SetProperty, kMainSource, PROP_CAMERA_PAN_Y, std::to_string(v.panY).c_str());
    Frame frame;
    ASSERT_TRUE(SettledFrame(frame, 320, 240));
    // Output pixel (x, y) shows the camera pixel at the same place in the shown rectangle.
    const double sx = (v.shown.right - v.shown.left) / 320.0;
    const double sy = (v.shown.bottom - v.shown.top) / 240.0;
    for (POINT p : {POINT{4, 4}, POINT{315, 4}, POINT{160, 120}, POINT{4, 235}, POINT{315, 235}}) {
      const BYTE* bgr = frame.At(p.x, p.y);
      const double cameraX = bgr[0] * 319 / 255.0, cameraY = bgr[1] * 239 / 255.0;
      EXPECT_NEAR(cameraX, v.shown.left + (p.x + 0.5) * sx, 3.0) << Describe(frame, p.x, p.y);
      EXPECT_NEAR(cameraY, v.shown.top + (p.y + 0.5) * sy, 3.0) << Describe(frame, p.x, p.y);
    }
  }

  // Resetting the view returns to the whole picture and reports every view property.
  notify.TakeAll();
  EXPECT_EQ(VD(engine.get(), SetProperty, kMainSource, PROP_CAMERA_RESET_VIEW, "1"), TRUE);
  EXPECT_EQ(Get(engine.get(), PROP_CAMERA_ZOOM), "100");
  EXPECT_EQ(Get(engine.get(), PROP_CAMERA_PAN_X), "0");
  EXPECT_EQ(Get(engine.get(), PROP_CAMERA_PAN_Y), "0");
  std::vector<int> reported;
  for (const engine_client::Message& m : notify.Take(engine_client::kEnginePropertyChanged))
    reported.push_back(m.lParam);
  for (int id : {PROP_CAMERA_ZOOM, PROP_CAMERA_PAN_X, PROP_CAMERA_PAN_Y})
    EXPECT_NE(std::find(reported.begin(), reported.end(), id), reported.end()) << std::hex << id;
}

TEST_F(LiveCamera, DevicesThatCannotBeOpenedRaiseTheEventAndShowTheStockPicture) {
  Library library;
  EngineObject engine(library);
  StartEngine(engine.get(), 20);
  const Captured stock = StockPicture(320, 240);
  TestCameraSettings failing;
  failing.failRun = 1;
  struct Case {
    const char* what;
    std::string device;
    bool failRun;
  };
  // Names that are not device monikers are never parsed: the parser would bind files,
  // class objects, addresses and scripts.
  const Case cases[] = {
      {"unknown device", "@device:sw:{860BB310-5D01-11D0-BD3B-00A0C911CE86}\\NoSuchCamera", false},
      {"unknown device with prefix",
       "@cam:@device:sw:{860BB310-5D01-11D0-BD3B-00A0C911CE86}\\NoSuchCamera", false},
      {"file", ProgramFolder() + "TaviscoCam.inf", false},
      {"class object", "clsid:6D1F3A52-8E0B-4C61-9A77-2B5E31C0D430:", false},
      {"address", "http://localhost/camera", false},
      {"script", "script:" + ProgramFolder() + "none.sct", false},
      {"device that cannot run", kTestCamera, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    // A working camera first, so that the stock picture replaces its frames.
    camera.Configure(TestCameraSettings());
    ASSERT_EQ(VD(engine.get(), SetProperty, kMainSource, PROP_SOURCE_TYPE, "0"), TRUE);
    ASSERT_EQ(VD(engine.get(), OpenElementFile, kMainSource, ("@cam:" + kTestCamera).c_str()),
              TRUE);
    Frame working;
    ASSERT_TRUE(NextFrame(working, 0, 5000, 320, 240));
    if (c.failRun) camera.Configure(failing);
    notify.TakeAll();
    const int runsBefore = camera.Stats().runRequests;  // the working camera's
    EXPECT_EQ(VD(engine.get(), SetProperty, kMainSource, PROP_CAMERA_DEVICE, c.device.c_str()),
              TRUE);
    int code = 0;
    std::string text;
    ASSERT_TRUE(LastEvent(engine.get(), code, text)) << camera.Stats().runRequests << " runs, "
                                                     << camera.Stats().framesDelivered << " frames";
    EXPECT_EQ(code, kCameraFailed);
    EXPECT_EQ(text, c.device);
    if (!c.failRun) {
      EXPECT_EQ(camera.Stats().runRequests, runsBefore) << "nothing was run";
    }
    Frame frame;
    ASSERT_TRUE(SettledFrame(frame, 320, 240));
    EXPECT_LT(camera_test::MeanDifference(frame.AsCaptured(), stock), 4.0);
  }
  // A name in other letter cases is still a device moniker.
  camera.Configure(TestCameraSettings());
  std::string upper = kTestCamera;
  upper.replace(0, 8, "@DEVICE:");
  notify.TakeAll();
  EXPECT_EQ(VD(engine.get(), SetProperty, kMainSource, PROP_CAMERA_DEVICE, upper.c_str()), TRUE);
  int code = 0;
  std::string text;
  EXPECT_FALSE(LastEvent(engine.get(), code, text)) << code << " " << text;
  Frame frame;
  ASSERT_TRUE(SettledFrame(frame, 320, 240));
  EXPECT_GE(DecodeFrame(frame.pixels.data(), frame.pixels.size(), 320, 240, 3), 0);
}

TEST_F(LiveCamera, ACameraOpenedByANameNoDeviceHasStaysAndShowsTheStockPicture) {
  // The way effect files and the source menu open a camera: as the main source's file.
  Library library;
  EngineObject engine(library);
  StartEngine(engine.get(), 20);
  const Captured stock = StockPicture(320, 240);
  const std::string cases[] = {
      "@cam:@device:sw:{860BB310-5D01-11D0-BD3B-00A0C911CE86}\\NoSuchCamera",
      "@CAM:No Such Camera",
  };
  for (const std::string& path : cases) {
    SCOPED_TRACE(path);
    // A working camera first, so that its frames must give way to the stock picture.
    ASSERT_EQ(VD(engine.get(), OpenElementFile, kMainSource, ("@cam:" + kTestCamera).c_str()),
              TRUE);
    Frame working;
    ASSERT_TRUE(NextFrame(working, 0, 5000, 320, 240));
    notify.TakeAll();
    // The camera cannot play, so the open reports failure; the element stays all the same.
    EXPECT_EQ(VD(engine.get(), OpenElementFile, kMainSource, path.c_str()), FALSE);
    int code = 0;
    std::string text;
    ASSERT_TRUE(LastEvent(engine.get(), code, text));
    EXPECT_EQ(code, kCameraFailed);
    EXPECT_EQ(text, path);
    EXPECT_EQ(Get(engine.get(), PROP_SOURCE_TYPE), "4") << "the failed camera is the source";
    EXPECT_EQ(Get(engine.get(), PROP_CAMERA_DEVICE), path);
    Frame frame;
    ASSERT_TRUE(SettledFrame(frame, 320, 240));
    EXPECT_LT(camera_test::MeanDifference(frame.AsCaptured(), stock), 4.0)
        << Describe(frame, 160, 120) << ": the stock picture, not black";
  }
}

TEST_F(LiveCamera, ARecordingThatCannotStartLeavesTheFileItWouldHaveReplaced) {
  // The engine's camera is the test camera here, which the recording captures.
  Library library;
  EngineObject engine(library);
  VD(engine.get(), SetNotifyWindow, notify.Handle());
  ASSERT_EQ(VD(engine.get(), SetOutputSize, 320, 240), 1);
  ASSERT_EQ(VD(engine.get(), SetFrameRate, 20), 1);
  const std::string cameraName(TEST_CAMERA_NAME, TEST_CAMERA_NAME + wcslen(TEST_CAMERA_NAME));
  VD(engine.get(), Initialize, cameraName.c_str());

  char temp[MAX_PATH];
  GetTempPathA(MAX_PATH, temp);
  const std::string path =
      std::string(temp) + "kept recording " + std::to_string(GetCurrentProcessId()) + ".avi";
  const std::string old = "an earlier recording the user keeps";
  {
    FILE* out = fopen(path.c_str(), "wb");
    ASSERT_NE(out, nullptr);
    fwrite(old.data(), 1, old.size(), out);
    fclose(out);
  }
  const auto content = [&path] {
    std::string text;
    if (FILE* in = fopen(path.c_str(), "rb")) {
      char buffer[256];
      size_t n;
      while ((n = fread(buffer, 1, sizeof(buffer), in)) > 0) text.append(buffer, n);
      fclose(in);
    }
    return text;
  };

  // The graph is built (the file named) but the camera refuses to run.
  TestCameraSettings failing;
  failing.failRun = 1;
  camera.Configure(failing);
  notify.TakeAll();
  EXPECT_EQ(VD(engine.get(), StartRecording, path.c_str(), "NONE"), FALSE);
  int code = 0;
  std::string text;
  ASSERT_TRUE(LastEvent(engine.get(), code, text));
  EXPECT_EQ(code, 1001);
  EXPECT_TRUE(content() == old) << "the failed start keeps the file";
  EXPECT_EQ(VD(engine.get(), StopRecording), TRUE);
  EXPECT_TRUE(content() == old);
  EXPECT_EQ(GetFileAttributesA((path + ".part").c_str()), INVALID_FILE_ATTRIBUTES)
      << "nothing of the failed start is left";

  // A start that works replaces it with the recording.
  camera.Configure(TestCameraSettings());
  ASSERT_EQ(VD(engine.get(), StartRecording, path.c_str(), "NONE"), TRUE);
  const DWORD start = GetTickCount();
  while (GetTickCount() - start < 1000) notify.Pump(50);
  EXPECT_EQ(VD(engine.get(), StopRecording), TRUE);
  EXPECT_EQ(content().compare(0, 4, "RIFF"), 0);
  EXPECT_EQ(GetFileAttributesA((path + ".part").c_str()), INVALID_FILE_ATTRIBUTES);
  DeleteFileA(path.c_str());
}

TEST_F(LiveCamera, AnEmptyNamePicksTheTestCameraNeverTheEnginesOwn) {
  Library library;
  EngineObject engine(library);
  StartEngine(engine.get(), 20);
  ASSERT_EQ(VD(engine.get(), OpenElementFile, kMainSource, "@cam:"), TRUE);
  EXPECT_EQ(Get(engine.get(), PROP_CAMERA_DEVICE), kTestCamera);
  Frame frame;
  ASSERT_TRUE(SettledFrame(frame, 320, 240));
  EXPECT_GE(DecodeFrame(frame.pixels.data(), frame.pixels.size(), 320, 240, 3), 0);

  // With only the engine's own camera left, nothing is opened and nothing is wrong.
  camera.Unregister();
  notify.TakeAll();
  ASSERT_EQ(VD(engine.get(), OpenElementFile, kMainSource, "@cam:"), TRUE);
  EXPECT_EQ(Get(engine.get(), PROP_CAMERA_DEVICE), "@cam:");
  int code = 0;
  std::string text;
  EXPECT_FALSE(LastEvent(engine.get(), code, text)) << code << " " << text;
  ASSERT_TRUE(SettledFrame(frame, 320, 240));
  EXPECT_TRUE(std::all_of(frame.pixels.begin(), frame.pixels.end(), [](uint8_t b) { return b == 0; }))
      << "an empty camera shows nothing";
}

TEST_F(LiveCamera, FormatRefusalsDepthsAndRowLayoutsStillShowTheUprightPicture) {
  struct Case {
    const char* what;
    TestCameraFormatPolicy policy;
    bool rgb32, topDown;
    std::vector<SIZE> sizes;
    SIZE accepted;   // 0 x 0: no request accepted
    SIZE streaming;  // what the camera delivers
  };
  // Every size has the output's proportions, so that the picture fills the output.
  const std::vector<SIZE> kSizes = {{640, 480}, {320, 240}, {160, 120}};
  const SIZE kPadded = {322, 242};  // rows of 966 bytes, padded to 968
  const Case cases[] = {
      {"the output size", TEST_CAMERA_ACCEPT_LISTED, false, false, kSizes, {160, 120}, {160, 120}},
      {"only 320 x 240", TEST_CAMERA_ACCEPT_320, false, false, kSizes, {320, 240}, {320, 240}},
      {"its own format", TEST_CAMERA_REFUSE_ALL, false, false, kSizes, {0, 0}, {640, 480}},
      {"32-bit only", TEST_CAMERA_ACCEPT_LISTED, true, false, kSizes, {0, 0}, {640, 480}},
      {"top-down rows", TEST_CAMERA_ACCEPT_LISTED, false, true, kSizes, {160, 120}, {160, 120}},
      {"padded rows", TEST_CAMERA_REFUSE_ALL, false, false, {kPadded}, {0, 0}, kPadded},
      {"padded top-down rows", TEST_CAMERA_REFUSE_ALL, false, true, {kPadded}, {0, 0}, kPadded},
  };
  const Picture quarters(320, 240, [](int x, int y) { return Quarter(x, y, 320, 240); });
  Library library;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    TestCameraSettings settings;
    settings.policy = c.policy;
    settings.rgb32Only = c.rgb32;
    settings.topDown = c.topDown;
    settings.sizeCount = int32_t(c.sizes.size());
    for (size_t i = 0; i < c.sizes.size(); ++i) {
      settings.sizes[i][0] = c.sizes[i].cx;
      settings.sizes[i][1] = c.sizes[i].cy;
    }
    camera.Configure(settings);
    camera.SetPicture(quarters.pixels, quarters.width, quarters.height);

    EngineObject engine(library);
    StartEngine(engine.get(), 20, 160, 120);
    ASSERT_EQ(VD(engine.get(), OpenElementFile, kMainSource, ("@cam:" + kTestCamera).c_str()),
              TRUE);
    Frame frame;
    ASSERT_TRUE(SettledFrame(frame, 160, 120));
    const TestCameraStats stats = camera.Stats();
    EXPECT_EQ(stats.acceptedWidth, c.accepted.cx);
    EXPECT_EQ(stats.acceptedHeight, c.accepted.cy);
    EXPECT_EQ(stats.streamingWidth, c.streaming.cx);
    EXPECT_EQ(stats.streamingHeight, c.streaming.cy);
    // Near every corner of every quarter, at the top and bottom rows: skewed rows would
    // move the bottom rows' colours sideways.
    for (POINT p : {POINT{4, 4}, POINT{75, 4}, POINT{85, 4}, POINT{155, 4}, POINT{4, 55},
                    POINT{155, 55}, POINT{4, 65}, POINT{155, 65}, POINT{4, 115}, POINT{75, 115},
                    POINT{85, 115}, POINT{155, 115}}) {
      EXPECT_TRUE(frame.Near(p.x, p.y, Quarter(p.x, p.y, 160, 120), 24)) << Describe(frame, p.x, p.y);
    }
  }
}

TEST_F(LiveCamera, AResizeOpensTheSameCameraAgainAtTheNewSize) {
  OtherCameraEntry other;  // the default device from now on
  ASSERT_TRUE(other.Registered());
  Library library;
  EngineObject engine(library);
  StartEngine(engine.get(), 20);
  ASSERT_EQ(VD(engine.get(), OpenElementFile, kMainSource, ("@cam:" + kTestCamera).c_str()), TRUE);
  // The main source fills the frame at any size.
  ASSERT_EQ(VD(engine.get(), SetProperty, kMainSource, PROP_LAYOUT_PRESET, "0"), TRUE);
  Frame frame;
  ASSERT_TRUE(SettledFrame(frame, 320, 240));
  EXPECT_EQ(camera.Stats().streamingWidth, 320);

  ASSERT_EQ(VD(engine.get(), SetOutputSize, 176, 144), 1);
  ASSERT_TRUE(SettledFrame(frame, 176, 144));
  const TestCameraStats stats = camera.Stats();
  EXPECT_EQ(stats.acceptedWidth, 176);
  EXPECT_EQ(stats.acceptedHeight, 144);
  EXPECT_EQ(stats.streamingWidth, 176);
  EXPECT_EQ(Get(engine.get(), PROP_CAMERA_DEVICE), "@cam:" + kTestCamera)
      << "the chosen camera, not the default one";
  EXPECT_GE(DecodeFrame(frame.pixels.data(), frame.pixels.size(), 176, 144, 3), 0);
}

TEST_F(LiveCamera, SettingsPagesShowOnTheirOwnThreadAndOutliveTheLibrary) {
  {
    Library library;
    EngineObject engine(library);
    StartEngine(engine.get(), 20);
    ASSERT_EQ(VD(engine.get(), OpenElementFile, kMainSource, ("@cam:" + kTestCamera).c_str()),
              TRUE);
    const DWORD before = GetTickCount();
    EXPECT_EQ(VD(engine.get(), SetProperty, kMainSource, PROP_CAMERA_SHOW_SETTINGS, "1"), TRUE);
    EXPECT_LT(GetTickCount() - before, 1000u) << "the call does not wait for the pages";
    const DWORD start = GetTickCount();
    while (!camera.Stats().pageWindow && GetTickCount() - start < 10000) notify.Pump(20);
    ASSERT_NE(camera.Stats().pageWindow, nullptr) << "the device's page is shown";
    // The main thread goes on while the pages are open.
    EXPECT_EQ(VD(engine.get(), SetProperty, kMainSource, PROP_CAMERA_ZOOM, "200"), TRUE);
    Frame frame;
    EXPECT_TRUE(NextFrame(frame, 0, 3000, 320, 240));
  }
  // The engine is gone and the program released the library; the open pages still run
  // its code.
  const HWND page = camera.Stats().pageWindow;
  ASSERT_NE(page, nullptr);
  EXPECT_NE(GetModuleHandleA("Quorvix.dll"), nullptr) << "the pages hold the library";
  const HWND frameWindow = GetAncestor(page, GA_ROOT);
  ASSERT_NE(frameWindow, nullptr);
  PostMessageA(frameWindow, WM_COMMAND, IDCANCEL, 0);
  const DWORD start = GetTickCount();
  while (GetModuleHandleA("Quorvix.dll") && GetTickCount() - start < 10000) notify.Pump(20);
  EXPECT_EQ(GetModuleHandleA("Quorvix.dll"), nullptr) << "the library goes with the pages";
  EXPECT_EQ(camera.Stats().pageWindow, nullptr);
}

}  // namespace

namespace {

// The portrait the face tests use, as the test camera takes pictures.
Picture PortraitPicture() {
  const Captured file =
      camera_test::ScaledPicture(ProgramFolder() + "fixtures\\portrait.bmp", 320, 240);
  Picture picture(320, 240, [&](int x, int y) {
    const BYTE* p = file.At(x, y);
    return Bgr{p[0], p[1], p[2]};
  });
  return picture;
}

// The pixels of a frame in a colour (each channel within a tolerance) and their centre.
struct Spot {
  int count = 0;
  double x = 0, y = 0;
};
Spot Find(const Frame& frame, Bgr colour, int tolerance) {
  Spot spot;
  for (int y = 0; y < frame.height; ++y)
    for (int x = 0; x < frame.width; ++x)
      if (frame.Near(x, y, colour, tolerance)) {
        ++spot.count;
        spot.x += x;
        spot.y += y;
      }
  if (spot.count) {
    spot.x /= spot.count;
    spot.y /= spot.count;
  }
  return spot;
}

class LiveCameraEffects : public LiveCamera {
 protected:
  // A colour effect added through the library; its id.
  int AddColourEffect(Engine* e, const char* colour) {
    EXPECT_EQ(VD(e, AddEffect, (std::string("@color:") + colour).c_str(), nullptr, nullptr, nullptr),
              TRUE);
    return VD(e, GetSelectedEffect);
  }
};

TEST_F(LiveCameraEffects, AFaceAttachedEffectSitsBetweenTheEyesOfThePortrait) {
  const Picture portrait = PortraitPicture();
  camera.SetPicture(portrait.pixels, portrait.width, portrait.height);
  Library library;
  EngineObject engine(library);
  StartEngine(engine.get(), 20);
  ASSERT_EQ(VD(engine.get(), OpenElementFile, kMainSource, ("@cam:" + kTestCamera).c_str()), TRUE);
  // A small magenta square on the face: the colour picture (the output's size) drawn at
  // the eye distance x 400 / (stored scale x its width), about ten pixels wide.
  const int id = AddColourEffect(engine.get(), "0xFF00FF");
  ASSERT_GT(id, 0);
  ASSERT_EQ(VD(engine.get(), SetProperty, id, PROP_LAYOUT_FACE_ATTACH, "1"), TRUE);
  ASSERT_EQ(VD(engine.get(), SetProperty, id, PROP_LAYOUT_FACE_SCALE, "-3140"), TRUE);
  const Bgr magenta = {255, 0, 255};

  Frame frame;
  ASSERT_TRUE(SettledFrame(frame, 320, 240));
  Spot spot = Find(frame, magenta, 40);
  EXPECT_GT(spot.count, 20) << "the effect is drawn on the face";
  EXPECT_LT(spot.count, 400);
  EXPECT_NEAR(spot.x, 160, 6) << "between the eyes";
  EXPECT_NEAR(spot.y, 86, 6);

  // Without a face the effect is not drawn.
  const Picture grey(320, 240, [](int, int) { return Bgr{128, 128, 128}; });
  camera.SetPicture(grey.pixels, grey.width, grey.height);
  Sleep(500);
  ASSERT_TRUE(SettledFrame(frame, 320, 240));
  EXPECT_EQ(Find(frame, magenta, 40).count, 0);
}

TEST_F(LiveCameraEffects, ABackgroundEffectShowsBehindThePerson) {
  Library library;
  EngineObject engine(library);
  StartEngine(engine.get(), 20);
  ASSERT_EQ(VD(engine.get(), OpenElementFile, kMainSource, ("@cam:" + kTestCamera).c_str()), TRUE);
  const int background = AddColourEffect(engine.get(), "0xFF0000");  // blue
  ASSERT_EQ(VD(engine.get(), SetProperty, background, PROP_EFFECT_BACKGROUND, "1"), TRUE);
  ASSERT_EQ(VD(engine.get(), SetProperty, background, PROP_LAYOUT_PRESET, "0"), TRUE);
  // The main source segments from the next frame on.
  Text ready;
  const DWORD start = GetTickCount();
  while (!VD(engine.get(), GetProperty, kMainSource, PROP_SEGMENT_READY, nullptr, &ready) &&
         GetTickCount() - start < 3000)
    notify.Pump(20);
  ASSERT_EQ(ready.value, "0");
  const Bgr blue = {255, 0, 0}, red = {0, 0, 220}, green = {0, 200, 0};

  // Method 1: a green screen keyed at its top left.
  const Picture keyed(320, 240, [](int x, int y) {
    return (x - 160) * (x - 160) + (y - 120) * (y - 120) < 60 * 60 ? Bgr{0, 0, 220} : Bgr{0, 200, 0};
  });
  camera.SetPicture(keyed.pixels, keyed.width, keyed.height);
  Frame frame;
  ASSERT_TRUE(SettledFrame(frame, 320, 240));
  EXPECT_TRUE(frame.Near(4, 4, green, 8)) << "no key point yet: the whole picture";
  for (const auto& setting : {std::make_pair(PROP_SEGMENT_METHOD, "1"),
                              std::make_pair(PROP_SEGMENT_KEY_X, "50"),
                              std::make_pair(PROP_SEGMENT_KEY_Y, "50")})
    ASSERT_EQ(VD(engine.get(), SetProperty, kMainSource, setting.first, setting.second), TRUE);
  ASSERT_TRUE(SettledFrame(frame, 320, 240));
  for (POINT p : {POINT{4, 4}, POINT{315, 4}, POINT{4, 235}, POINT{315, 235}, POINT{160, 30}})
    EXPECT_TRUE(frame.Near(p.x, p.y, blue, 8)) << Describe(frame, p.x, p.y);
  EXPECT_TRUE(frame.Near(160, 120, red, 8)) << Describe(frame, 160, 120);

  // Method 0: the empty scene captured, then someone steps in.
  const Picture scene(320, 240, [](int x, int y) {
    return Bgr{BYTE(60 + x / 4), BYTE(90 + y / 4), BYTE(70 + (x + y) % 40)};
  });
  camera.SetPicture(scene.pixels, scene.width, scene.height);
  ASSERT_EQ(VD(engine.get(), SetProperty, kMainSource, PROP_SEGMENT_METHOD, "0"), TRUE);
  ASSERT_TRUE(SettledFrame(frame, 320, 240));
  ASSERT_EQ(VD(engine.get(), SetProperty, kMainSource, PROP_SEGMENT_CAPTURE, "1"), TRUE);
  ASSERT_TRUE(SettledFrame(frame, 320, 240));
  EXPECT_TRUE(frame.Near(160, 120, blue, 8)) << "the empty scene is background";
  const Picture visitor(320, 240, [&](int x, int y) {
    if ((x - 160) * (x - 160) + (y - 140) * (y - 140) < 70 * 70) return Bgr{20, 20, 200};
    const BYTE* p = &scene.pixels[(size_t(y) * 320 + x) * 3];
    return Bgr{p[0], p[1], p[2]};
  });
  camera.SetPicture(visitor.pixels, visitor.width, visitor.height);
  ASSERT_TRUE(SettledFrame(frame, 320, 240));
  EXPECT_TRUE(frame.Near(160, 140, Bgr{20, 20, 200}, 8)) << Describe(frame, 160, 140);
  for (POINT p : {POINT{4, 4}, POINT{315, 4}, POINT{4, 235}, POINT{300, 200}})
    EXPECT_TRUE(frame.Near(p.x, p.y, blue, 8)) << Describe(frame, p.x, p.y);
}

}  // namespace
