// Pictures and the drawing board end to end, through the engine library as the program
// loads it and the stand-in camera: an animated strip effect shows its frames at their
// delays in the frames a messenger's capture graph receives; a playlist of a picture and a
// clip alternates them; pen, eraser, fill, undo and redo sent as preview mouse input leave
// exactly the expected pixels in the frames the engine sends; a saved board reloads as an
// image effect with the same pixels.
#include <dshow.h>
#include <windows.h>

#include <gtest/gtest.h>

#include "tests/engine/CameraTestSupport.h"
#include "tests/engine/EngineOnCamera.h"

#include <algorithm>
#include <cstdlib>
#include <cstdio>
#include <functional>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "EngineClient.h"
#include "engine/effects/PropertyIds.h"
#include "platform/dshow/BaseRenderer.h"
#include "platform/vcam/VcamDevice.h"
#include "tests/platform/dshow/AviWriter.h"

namespace {

using engine_client::Engine;

constexpr int kWidth = 320;
constexpr int kHeight = 240;
constexpr int kRate = 20;
constexpr int kMainSource = -1;
constexpr int kBoard = -2;
constexpr UINT kMouseMove = 0x200;
constexpr UINT kButtonDown = 0x201;
constexpr UINT kButtonUp = 0x202;

struct Bgr {
  BYTE b, g, r;
  bool operator==(const Bgr& o) const { return b == o.b && g == o.g && r == o.r; }
  bool operator!=(const Bgr& o) const { return !(*this == o); }
  // As a COLORREF text, 0x00BBGGRR.
  std::string Colorref() const { return std::to_string(Value()); }
  DWORD Value() const { return (DWORD(b) << 16) | (DWORD(g) << 8) | r; }
};

std::ostream& operator<<(std::ostream& out, const Bgr& c) {
  char text[16];
  snprintf(text, sizeof(text), "#%02X%02X%02X", c.r, c.g, c.b);
  return out << text;
}

constexpr Bgr kMain = {0x80, 0x40, 0x20};
constexpr Bgr kRed = {0x00, 0x00, 0xFF};
constexpr Bgr kGreen = {0x00, 0xFF, 0x00};
constexpr Bgr kBlue = {0xFF, 0x00, 0x00};

std::string TempPath(const std::string& name) {
  char temp[MAX_PATH];
  GetTempPathA(MAX_PATH, temp);
  return std::string(temp) + "pictures e2e " + std::to_string(GetCurrentProcessId()) + " " + name;
}

void Put16(std::vector<BYTE>& out, uint32_t v) {
  for (int i = 0; i < 2; ++i) out.push_back(BYTE(v >> (8 * i)));
}
void Put32(std::vector<BYTE>& out, uint32_t v) {
  for (int i = 0; i < 4; ++i) out.push_back(BYTE(v >> (8 * i)));
}

// A 24-bit BMP of bands of equal height, each one solid colour, the first at the top.
bool WriteBands(const std::string& path, int width, int bandHeight, const std::vector<Bgr>& bands) {
  const int height = bandHeight * int(bands.size());
  const uint32_t stride = uint32_t((width * 3 + 3) & ~3);
  std::vector<BYTE> file;
  file.push_back('B');
  file.push_back('M');
  Put32(file, 54 + stride * uint32_t(height));
  Put32(file, 0);
  Put32(file, 54);
  Put32(file, 40);
  Put32(file, uint32_t(width));
  Put32(file, uint32_t(height));
  Put16(file, 1);
  Put16(file, 24);
  for (int i = 0; i < 6; ++i) Put32(file, 0);
  for (int row = height - 1; row >= 0; --row) {  // bottom-up
    const Bgr c = bands[size_t(row / bandHeight)];
    for (int x = 0; x < width; ++x) file.insert(file.end(), {c.b, c.g, c.r});
    file.resize(file.size() + (stride - uint32_t(width) * 3), 0);
  }
  FILE* f = fopen(path.c_str(), "wb");
  if (!f) return false;
  const bool ok = fwrite(file.data(), 1, file.size(), f) == file.size();
  return fclose(f) == 0 && ok;
}

// One frame the engine sent to the camera.
struct Frame {
  int32_t width = 0, height = 0;
  uint32_t count = 0;
  std::vector<uint8_t> pixels;  // rows bottom-up, width * 3 bytes, blue, green, red

  Bgr At(int x, int y) const {
    const uint8_t* p = pixels.data() + size_t(height - 1 - y) * size_t(width) * 3 + size_t(x) * 3;
    return {p[0], p[1], p[2]};
  }
};

// {4C0E8B21-93D7-4A6F-B1E5-7D2A96C3F058}
const CLSID kTimelineClsid = {
    0x4c0e8b21, 0x93d7, 0x4a6f, {0xb1, 0xe5, 0x7d, 0x2a, 0x96, 0xc3, 0xf0, 0x58}};

// A renderer that notes, for every RGB24 sample a messenger would show, when it came and
// the colour at the middle of the picture.
class CTimelineRenderer : public CBaseRenderer {
 public:
  struct Sample {
    double ms;
    Bgr centre;
  };
  explicit CTimelineRenderer(HRESULT* phr)
      : CBaseRenderer(kTimelineClsid, L"Timeline", nullptr, phr) {
    QueryPerformanceFrequency(&m_frequency);
  }
  HRESULT CheckMediaType(const CMediaType* mt) override {
    return IsEqualGUID(*mt->Subtype(), MEDIASUBTYPE_RGB24) &&
                   IsEqualGUID(*mt->FormatType(), FORMAT_VideoInfo) &&
                   mt->FormatLength() >= sizeof(VIDEOINFOHEADER)
               ? S_OK
               : E_INVALIDARG;
  }
  HRESULT SetMediaType(const CMediaType* mt) override {
    m_header = reinterpret_cast<const VIDEOINFOHEADER*>(mt->Format())->bmiHeader;
    return S_OK;
  }
  HRESULT DoRenderSample(IMediaSample* sample) override {
    BYTE* data = nullptr;
    if (FAILED(sample->GetPointer(&data))) return E_FAIL;
    const int w = m_header.biWidth, h = std::abs(m_header.biHeight);
    const size_t stride = size_t(((w * 24 + 31) / 32) * 4);
    const size_t offset = size_t(h - 1 - h / 2) * stride + size_t(w / 2) * 3;
    if (offset + 3 > size_t(sample->GetActualDataLength())) return S_OK;
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    CAutoLock lock(&m_lock);
    m_samples.push_back({1000.0 * double(now.QuadPart) / double(m_frequency.QuadPart),
                         {data[offset], data[offset + 1], data[offset + 2]}});
    return S_OK;
  }
  std::vector<Sample> Samples() {
    CAutoLock lock(&m_lock);
    return m_samples;
  }

 private:
  CCritSec m_lock;
  LARGE_INTEGER m_frequency = {};
  std::vector<Sample> m_samples;
  BITMAPINFOHEADER m_header = {};
};

// Runs a capture graph on the camera for a while and returns what its renderer noted.
std::vector<CTimelineRenderer::Sample> CaptureTimeline(DWORD milliseconds) {
  std::vector<CTimelineRenderer::Sample> none;
  CComPtr<IBaseFilter> camera = camera_test::BindCamera();
  EXPECT_TRUE(camera) << "the camera is among the capture devices";
  if (!camera) return none;
  HRESULT hr = S_OK;
  CTimelineRenderer* renderer = new CTimelineRenderer(&hr);
  CComPtr<IBaseFilter> rendererFilter;
  renderer->NonDelegatingQueryInterface(IID_IBaseFilter, reinterpret_cast<void**>(&rendererFilter));
  CComPtr<IGraphBuilder> graph;
  CComPtr<ICaptureGraphBuilder2> builder;
  CComPtr<IMediaControl> control;
  if (FAILED(CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER, IID_IGraphBuilder,
                              reinterpret_cast<void**>(&graph))) ||
      FAILED(CoCreateInstance(CLSID_CaptureGraphBuilder2, nullptr, CLSCTX_INPROC_SERVER,
                              IID_ICaptureGraphBuilder2, reinterpret_cast<void**>(&builder))))
    return none;
  builder->SetFiltergraph(graph);
  graph->AddFilter(camera, L"Camera");
  graph->AddFilter(rendererFilter, L"Timeline");
  hr = builder->RenderStream(&PIN_CATEGORY_CAPTURE, &MEDIATYPE_Video, camera, nullptr,
                             rendererFilter);
  EXPECT_EQ(hr, S_OK) << "the capture pin connects to the renderer";
  if (FAILED(hr)) return none;
  graph->QueryInterface(IID_IMediaControl, reinterpret_cast<void**>(&control));
  control->Run();
  Sleep(milliseconds);
  control->Stop();
  return renderer->Samples();
}

class PicturesEndToEnd : public camera_test::EngineOnCamera {
 protected:
  PicturesEndToEnd() : EngineOnCamera(kWidth, kHeight, kRate) {}

  void SetUp() override {
    EngineOnCamera::SetUp();
    if (HasFatalFailure()) return;
    char colour[32];
    snprintf(colour, sizeof(colour), "@color:0x%06lX", static_cast<unsigned long>(kMain.Value()));
    ASSERT_EQ(VD(Eng(), OpenElementFile, kMainSource, colour), TRUE);
  }

  // The first frame sent after this call that satisfies the condition, within the timeout.
  bool WaitForFrame(Frame& frame, const std::function<bool(const Frame&)>& condition,
                    DWORD timeout = 3000) {
    uint32_t first = 0;
    int32_t w = 0, h = 0;
    std::vector<uint8_t> ignored;
    buffer.ReadFrame(ignored, w, h, first);
    const DWORD start = GetTickCount();
    while (GetTickCount() - start < timeout) {
      Run(20);
      if (buffer.ReadFrame(frame.pixels, frame.width, frame.height, frame.count) &&
          frame.count != first && frame.width == kWidth && frame.height == kHeight &&
          frame.pixels.size() == size_t(kWidth) * kHeight * 3 && condition(frame))
        return true;
    }
    return false;
  }

  void Mouse(UINT message, int x, int y) {
    EXPECT_EQ(VD(Eng(), PreviewMouse, TRUE, message, x, y), 0);
  }
  void SetBoard(int property, const std::string& value) {
    ASSERT_EQ(VD(Eng(), SetProperty, kBoard, property, value.c_str()), TRUE) << property;
  }
};

// The expected picture as a function of the point.
using Expected = std::function<Bgr(int x, int y)>;

// The number of pixels that differ, the first of them described.
int Differences(const Frame& frame, const Expected& expected, std::string* first) {
  int count = 0;
  for (int y = 0; y < frame.height; ++y) {
    for (int x = 0; x < frame.width; ++x) {
      const Bgr want = expected(x, y);
      const Bgr got = frame.At(x, y);
      if (got != want && count++ == 0 && first) {
        std::ostringstream text;
        text << "at " << x << "," << y << ": " << got << " instead of " << want;
        *first = text.str();
      }
    }
  }
  return count;
}

TEST_F(PicturesEndToEnd, AnimatedStripEffectShowsItsFramesAtTheirDelaysInTheCamera) {
  const std::string strip = TempPath("strip.bmp");
  files.push_back(strip);
  ASSERT_TRUE(WriteBands(strip, 40, 40, {kRed, kGreen, kBlue}));
  Engine* e = Eng();
  ASSERT_EQ(VD(e, AddEffect, "@color:0x000000", nullptr, nullptr, nullptr), TRUE);
  const int effect = VD(e, GetSelectedEffect);
  ASSERT_EQ(VD(e, SetProperty, effect, PROP_SOURCE_TYPE, "1"), TRUE);
  ASSERT_EQ(VD(e, SetProperty, effect, PROP_IMAGE_LOAD, ("3|300,600,900|" + strip).c_str()), TRUE);
  ASSERT_EQ(VD(e, SetProperty, effect, PROP_LAYOUT_X_MODE, "2"), TRUE);
  ASSERT_EQ(VD(e, SetProperty, effect, PROP_LAYOUT_Y_MODE, "2"), TRUE);
  engine_client::Text count;
  ASSERT_EQ(VD(e, GetProperty, effect, PROP_IMAGE_FRAME_COUNT, "", &count), TRUE);
  EXPECT_EQ(count.value, "3");
  Run(300);

  const auto samples = CaptureTimeline(5500);
  ASSERT_GT(samples.size(), 40u) << "the capture graph receives frames";

  // Runs of one colour in the middle of the picture.
  struct Span {
    Bgr colour;
    double start, end;
  };
  std::vector<Span> spans;
  for (const auto& s : samples) {
    if (spans.empty() || spans.back().colour != s.centre) {
      if (!spans.empty()) spans.back().end = s.ms;
      spans.push_back({s.centre, s.ms, s.ms});
    }
  }
  spans.back().end = samples.back().ms;
  const std::vector<Bgr> order = {kRed, kGreen, kBlue};
  const double delays[] = {300, 600, 900};
  ASSERT_GE(spans.size(), 5u);
  // Each frame's time on screen, averaged over its whole showings, and each whole pass of
  // the animation (from one showing of the first frame to the next).
  int measured[3] = {0, 0, 0};
  double shown[3] = {0, 0, 0};
  double passStart = -1;
  int passes = 0;
  for (size_t i = 0; i < spans.size(); ++i) {
    const auto at = std::find(order.begin(), order.end(), spans[i].colour);
    ASSERT_NE(at, order.end()) << "only the strip's frames show: " << spans[i].colour;
    const size_t frame = size_t(at - order.begin());
    if (i + 1 < spans.size()) {
      EXPECT_EQ(spans[i + 1].colour, order[(frame + 1) % 3]) << "the frames follow in order";
    }
    // A pass is measured between two whole showings of the first frame; the first span
    // may be cut by the start of the capture, so it starts no pass.
    if (frame == 0 && i > 0) {
      if (passStart >= 0) {
        EXPECT_NEAR(spans[i].start - passStart, 1800, 250) << "one pass of the animation";
        ++passes;
      }
      passStart = spans[i].start;
    }
    if (i == 0 || i + 1 == spans.size()) continue;  // cut by the start or end of the capture
    shown[frame] += spans[i].end - spans[i].start;
    ++measured[frame];
  }
  EXPECT_GE(passes, 1);
  for (int frame = 0; frame < 3; ++frame) {
    ASSERT_GE(measured[frame], 1) << "frame " << frame << " shown whole at least once";
    EXPECT_NEAR(shown[frame] / measured[frame], delays[frame], 0.3 * delays[frame] + 60)
        << "frame " << frame << " stays for its delay";
  }
}

TEST_F(PicturesEndToEnd, PlaylistOfAPictureAndAClipAlternatesThem) {
  constexpr Bgr kPicture = {0x30, 0xC0, 0x90};
  const std::string picture = TempPath("picture.bmp");
  const std::string clip = TempPath("clip.avi");
  files.push_back(picture);
  files.push_back(clip);
  ASSERT_TRUE(WriteBands(picture, 64, 48, {kPicture}));
  AviClip avi;  // 64 x 48
  avi.frames = 15;
  avi.rate = 10;  // 1.5 s
  ASSERT_TRUE(WriteAvi(std::wstring(clip.begin(), clip.end()), avi));

  Engine* e = Eng();
  ASSERT_EQ(VD(e, SetProperty, kMainSource, PROP_SOURCE_TYPE, "18"), TRUE);
  ASSERT_EQ(VD(e, SetProperty, kMainSource, PROP_PLAYLIST_IMAGE_SECONDS, "1"), TRUE);
  ASSERT_EQ(VD(e, SetProperty, kMainSource, PROP_PLAYLIST_LOOP_ALL, "1"), TRUE);
  ASSERT_EQ(VD(e, SetProperty, kMainSource, PROP_PLAYLIST_ADD, (picture + "|" + clip).c_str()),
            TRUE);
  ASSERT_EQ(VD(e, SetProperty, kMainSource, PROP_PLAYER_PLAY, "1"), TRUE);
  // When the list moved to each item: the picture's turn is its picture time.
  std::vector<std::pair<std::string, DWORD>> moves = {{"0", GetTickCount()}};

  // The middle of the frames sent: the picture's colour or the clip.
  struct Span {
    bool picture;
    DWORD start, end;
    int changes;  // how often the middle changed while the clip played
    Bgr previous;
  };
  std::vector<Span> spans;
  const DWORD start = GetTickCount();
  uint32_t last = 0;
  Frame frame;
  while (GetTickCount() - start < 9000) {
    notify.Pump(20);
    const DWORD beforeTick = GetTickCount();
    VD(e, Tick);
    engine_client::Text index;
    if (VD(e, GetProperty, kMainSource, PROP_PLAYLIST_INDEX, "", &index) &&
        index.value != moves.back().first)
      moves.push_back({index.value, beforeTick});
    if (!buffer.ReadFrame(frame.pixels, frame.width, frame.height, frame.count) ||
        frame.count == last || frame.width != kWidth || frame.height != kHeight)
      continue;
    last = frame.count;
    const Bgr centre = frame.At(kWidth / 2, kHeight / 2);
    if (centre == kMain) continue;  // before the list's first item shows
    const bool isPicture = centre == kPicture;
    const DWORD now = GetTickCount();
    if (spans.empty() || spans.back().picture != isPicture)
      spans.push_back({isPicture, now, now, 0, centre});
    spans.back().end = now;
    spans.back().changes += spans.back().previous != centre;
    spans.back().previous = centre;
  }
  ASSERT_GE(spans.size(), 4u) << "picture and clip take turns";
  EXPECT_TRUE(spans.front().picture) << "the list starts with the picture";
  int pictures = 0, clips = 0;
  for (size_t i = 1; i + 1 < spans.size(); ++i) {
    const double length = double(spans[i + 1].start - spans[i].start);
    if (spans[i].picture) {
      // On screen until the clip's first frame replaces it, which also waits for the
      // clip's graph to be built: never shorter than the picture time.
      EXPECT_GE(length, 900) << "the picture stays for the list's picture time";
      ++pictures;
    } else {
      EXPECT_NEAR(length, 1600, 700) << "the clip plays to its end";
      EXPECT_GE(spans[i].changes, 5) << "the clip's frames move on";
      ++clips;
    }
  }
  EXPECT_GE(pictures, 1);
  EXPECT_GE(clips, 1);
  int turns = 0;
  for (size_t i = 0; i + 1 < moves.size(); ++i) {
    EXPECT_EQ(moves[i + 1].first, moves[i].first == "0" ? "1" : "0") << "the list loops";
    if (moves[i].first != "0") continue;
    EXPECT_NEAR(double(moves[i + 1].second - moves[i].second), 1050, 250)
        << "the list moves on after the picture time";
    ++turns;
  }
  EXPECT_GE(turns, 2);
}

TEST_F(PicturesEndToEnd, BoardStrokesFillUndoAndRedoLeaveTheExpectedPixelsAndSaveAsAnImage) {
  Frame frame;
  std::string first;
  const auto matches = [&first](const Expected& expected) {
    return [expected, &first](const Frame& f) { return Differences(f, expected, &first) == 0; };
  };
  ASSERT_TRUE(WaitForFrame(frame, matches([](int, int) { return kMain; })))
      << "the empty board leaves the main source: " << first;

  // A one-pixel red pen line along row 30 from x 20 to 100 (the end point not drawn) ...
  SetBoard(PROP_BOARD_COLOR, kRed.Colorref());
  SetBoard(PROP_BOARD_TOOL, "0");
  SetBoard(PROP_BOARD_PEN_SIZE, "0");
  Mouse(kButtonDown, 20, 30);
  Mouse(kMouseMove, 60, 30);
  Mouse(kMouseMove, 100, 30);
  Mouse(kButtonUp, 100, 30);
  // ... crossed by the eraser at size 1 (squares of 5 x 5) down column 60.
  SetBoard(PROP_BOARD_TOOL, "1");
  SetBoard(PROP_BOARD_PEN_SIZE, "1");
  Mouse(kButtonDown, 60, 10);
  Mouse(kMouseMove, 60, 50);
  Mouse(kButtonUp, 60, 50);
  const auto isLine = [](int x, int y) {
    return y == 30 && x >= 20 && x < 100 && (x < 58 || x > 62);
  };
  const Expected strokes = [&](int x, int y) { return isLine(x, y) ? kRed : kMain; };
  EXPECT_TRUE(WaitForFrame(frame, matches(strokes))) << "pen and eraser: " << first;

  // Green fill in the empty part of the board: everything but the line.
  SetBoard(PROP_BOARD_COLOR, kGreen.Colorref());
  SetBoard(PROP_BOARD_TOOL, "2");
  Mouse(kButtonDown, 200, 200);
  Mouse(kButtonUp, 200, 200);
  const Expected filled = [&](int x, int y) { return isLine(x, y) ? kRed : kGreen; };
  EXPECT_TRUE(WaitForFrame(frame, matches(filled))) << "fill: " << first;

  engine_client::Text available;
  ASSERT_EQ(VD(Eng(), GetProperty, kBoard, PROP_BOARD_UNDO, "", &available), TRUE);
  EXPECT_EQ(available.value, "1");
  SetBoard(PROP_BOARD_UNDO, "1");
  EXPECT_TRUE(WaitForFrame(frame, matches(strokes))) << "undo takes the fill back: " << first;
  SetBoard(PROP_BOARD_REDO, "1");
  EXPECT_TRUE(WaitForFrame(frame, matches(filled))) << "redo fills again: " << first;

  // Saved, cleared and loaded back as an image effect: the same picture.
  const std::string saved = TempPath("board.efc");
  files.push_back(saved);
  ASSERT_EQ(VD(Eng(), SaveEffect, kBoard, "Drawing", "Boards", "Board", saved.c_str()), TRUE);
  SetBoard(PROP_BOARD_CLEAR, "1");
  EXPECT_TRUE(WaitForFrame(frame, matches([](int, int) { return kMain; }))) << "cleared: " << first;
  ASSERT_EQ(VD(Eng(), AddEffect, saved.c_str(), nullptr, nullptr, nullptr), TRUE);
  const int effect = VD(Eng(), GetSelectedEffect);
  engine_client::Text type;
  ASSERT_EQ(VD(Eng(), GetProperty, effect, PROP_SOURCE_TYPE, "", &type), TRUE);
  EXPECT_EQ(type.value, "1") << "an image effect";
  engine_client::Text delays;
  ASSERT_EQ(VD(Eng(), GetProperty, effect, PROP_IMAGE_FRAME_DELAYS, "", &delays), TRUE);
  EXPECT_EQ(delays.value, "1000") << "one frame of a second";
  EXPECT_TRUE(WaitForFrame(frame, matches(filled))) << "reloaded: " << first;
}

}  // namespace
