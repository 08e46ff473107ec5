// The video file source: samples scaled into a picture that covers the output, rows read by
// their real layout, the 200 ms limit on the picture, the state taken over from the file
// graph, position, seeking, volume and mute. Samples are handed in directly or come from
// clips the tests write (the frame number coded in the pixels) and from GStreamer's clip
// with sound.
#include "engine/elements/VideoSource.h"

#include <dshow.h>
#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <iterator>
#include <memory>
#include <mutex>
#include <ostream>
#include <thread>
#include <vector>

#include "engine/base/PackageFile.h"
#include "engine/effects/Effect.h"
#include "engine/effects/PropertyIds.h"
#include "engine/elements/SourceProxy.h"
#include "engine/graphs/FilePlayerGraph.h"
#include "tests/engine/EngineTestSupport.h"
#include "tests/engine/GraphTestSupport.h"
#include "tests/platform/dshow/TestFilters.h"

using graph_test::WaitUntil;

namespace {

constexpr int kClipWidth = 64;
constexpr int kClipHeight = 48;
constexpr int kRate = 20;

struct ElementDeleter {
  void operator()(IFrameElement* element) const {
    if (element) element->Release();
  }
};

// The compositor as the element meets it: the output size, and a refresh that may be asked
// from streaming threads. Like the compositor without a frame rate, a refresh can draw the
// main source at once (onRefresh).
class CRefreshHost : public test_support::FakeEffectHost {
 public:
  HRESULT Refresh() override {
    ++refreshCount;
    if (onRefresh) onRefresh();
    return S_OK;
  }
  std::atomic<int> refreshCount{0};
  std::function<void()> onRefresh;
};

// A file graph that remembers the volumes it was given.
class CSpyGraph : public graph_test::CProbeGraph {
 public:
  using CProbeGraph::CProbeGraph;
  HRESULT SetVolume(int32_t volume) override {
    volumes.push_back(volume);
    return CProbeGraph::SetVolume(volume);
  }
  std::vector<int32_t> volumes;
};

// The element with a graph the tests can look into, which also records every sample it is
// handed (with its coded frame number) before drawing it.
class CTestVideoSource : public CVideoSource {
 public:
  CSpyGraph* Spy() { return static_cast<CSpyGraph*>(GetGraph()); }
  HRESULT OnFrame(const BITMAPINFOHEADER* header, const BYTE* bits, const GUID& subtype) override {
    if (header && bits) samples.OnFrame(header, bits, subtype);
    return CVideoSource::OnFrame(header, bits, subtype);
  }
  graph_test::CRecordingSink samples;

 protected:
  std::unique_ptr<CFilePlayerGraph> MakeGraph() override {
    return std::make_unique<CSpyGraph>(this);
  }
};

using VideoPtr = std::unique_ptr<CTestVideoSource, ElementDeleter>;

// ---------------------------------------------------------------------------------------
// Samples and pictures

struct Bgr {
  int b, g, r;
  bool operator==(const Bgr& o) const { return b == o.b && g == o.g && r == o.r; }
};
using ColourAt = std::function<Bgr(int x, int y)>;

// A colour that differs between neighbours in both directions, so that a row read from the
// wrong place shows.
Bgr Pattern(int x, int y) {
  return {(x * 7 + y * 3) & 255, (x * 5 ^ y * 11) & 255, (x + y * 13) & 255};
}

// A sample as a renderer hands it on: rows padded to 4 bytes, the padding and the fourth
// byte of 32-bit pixels filled with 0xEE.
struct Sample {
  BITMAPINFOHEADER header{};
  GUID subtype = GUID_NULL;
  std::vector<BYTE> bits;
};

Sample MakeSample(const GUID& subtype, int width, int height, bool topDown,
                  const ColourAt& colour) {
  Sample s;
  s.subtype = subtype;
  const int bytes = IsEqualGUID(subtype, MEDIASUBTYPE_RGB32) ? 4 : 3;
  const size_t stride = (static_cast<size_t>(width) * bytes + 3) / 4 * 4;
  s.bits.assign(stride * height, 0xEE);
  for (int y = 0; y < height; ++y) {
    const size_t row = topDown ? y : height - 1 - y;
    for (int x = 0; x < width; ++x) {
      const Bgr c = colour(x, y);
      BYTE* p = &s.bits[row * stride + static_cast<size_t>(x) * bytes];
      p[0] = BYTE(c.b);
      p[1] = BYTE(c.g);
      p[2] = BYTE(c.r);
    }
  }
  s.header.biSize = sizeof(BITMAPINFOHEADER);
  s.header.biWidth = width;
  s.header.biHeight = topDown ? -height : height;
  s.header.biPlanes = 1;
  s.header.biBitCount = WORD(bytes * 8);
  s.header.biCompression = BI_RGB;
  s.header.biSizeImage = DWORD(s.bits.size());
  return s;
}

Bgr PixelOf(CDibSurface& picture, int x, int y) {
  const test_support::Bgra p = test_support::PixelAt(picture, x, y);
  return {p[0], p[1], p[2]};
}

// The picture GDI makes of a correctly laid out picture of the same pixels at that size.
void ReferenceScale(int width, int height, int bitsPerPixel, const ColourAt& colour, SIZE size,
                    CDibSurface& out) {
  CDibSurface source;
  ASSERT_TRUE(source.Create(width, height, bitsPerPixel));
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      BYTE* p = test_support::At(source, x, y);
      const Bgr c = colour(x, y);
      p[0] = BYTE(c.b);
      p[1] = BYTE(c.g);
      p[2] = BYTE(c.r);
      if (bitsPerPixel == 32) p[3] = 0xEE;
    }
  }
  ASSERT_TRUE(out.Create(size.cx, size.cy, 24));
  HDC dc = out.GetDC();
  SetStretchBltMode(dc, HALFTONE);
  SetBrushOrgEx(dc, 0, 0, nullptr);
  StretchDIBits(dc, 0, 0, size.cx, size.cy, 0, 0, width, height, source.GetBits(),
                reinterpret_cast<const BITMAPINFO*>(source.GetHeader()), DIB_RGB_COLORS, SRCCOPY);
  GdiFlush();
}

// Every pixel of the two pictures is the same (the row padding is not compared).
void ExpectSamePicture(CDibSurface& actual, CDibSurface& expected) {
  ASSERT_EQ(actual.GetWidth(), expected.GetWidth());
  ASSERT_EQ(actual.GetHeight(), expected.GetHeight());
  for (int y = 0; y < actual.GetHeight(); ++y) {
    for (int x = 0; x < actual.GetWidth(); ++x) {
      const Bgr a = PixelOf(actual, x, y), e = PixelOf(expected, x, y);
      ASSERT_TRUE(a == e) << "pixel " << x << "," << y << ": " << a.b << " " << a.g << " " << a.r
                          << " instead of " << e.b << " " << e.g << " " << e.r;
    }
  }
}

// The coded frame number of a picture of the clip's own size, -1 when it is not intact.
int64_t CodedFrame(CDibSurface& picture) {
  if (!picture.GetBits() || picture.GetWidth() != kClipWidth || picture.GetHeight() != kClipHeight)
    return -1;
  return DecodeFrame(picture.GetBits(), picture.GetBitsSize(), kClipWidth, kClipHeight, 3);
}

class VideoSourceTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(SUCCEEDED(com.hr));
    SetOutput(kClipWidth, kClipHeight);
    effect.SetHost(&host);
    effect.SetMainSource(TRUE);
    source.reset(new CTestVideoSource());
    source->SetOwner(&effect);
  }

  void TearDown() override {
    source.reset();
    graph_test::RemoveScratchFolder();
  }

  void SetOutput(int width, int height) {
    host.width = width;
    host.height = height;
  }

  // A clip of coded 64 x 48 frames at 20 a second in the scratch folder.
  std::string Clip(const char* name, int frames) {
    const std::string path = graph_test::ScratchFolder() + name;
    EXPECT_TRUE(graph_test::WriteCodedClip(path, frames, kRate));
    return path;
  }

  HRESULT Deliver(const Sample& s) { return source->OnFrame(&s.header, s.bits.data(), s.subtype); }

  // The element's picture as the compositor sees it, run on the picture under the lock.
  void WithPicture(const std::function<void(CDibSurface*)>& use) {
    CFrameLock lock;
    EXPECT_EQ(S_OK, source->LockFrame(nullptr, &lock));
    use(lock.picture);
    EXPECT_EQ(S_OK, source->UnlockFrame());
  }

  SIZE PictureSize() {
    int32_t w = -1, h = -1;
    EXPECT_EQ(S_OK, source->GetSize(&w, &h));
    return SIZE{w, h};
  }

  // Draws the picture on every refresh, as the compositor without a frame rate does, and
  // records its coded frame number.
  void RecordFramesOnRefresh() {
    host.onRefresh = [this] {
      WithPicture([this](CDibSurface* picture) {
        std::lock_guard<std::mutex> guard(m_shownLock);
        m_shown.push_back(picture ? CodedFrame(*picture) : -1);
      });
    };
  }
  std::vector<int64_t> Shown() {
    std::lock_guard<std::mutex> guard(m_shownLock);
    return m_shown;
  }

  // The state after a timing call, which takes the graph's state over.
  int32_t SyncedState() {
    int32_t position = 0, duration = 0;
    source->GetTime(&position, &duration);
    return source->GetState();
  }
  bool WaitForState(int32_t state, DWORD timeoutMs) {
    return WaitUntil([&] { return SyncedState() == state; }, timeoutMs);
  }
  bool WaitForRefreshes(int count, DWORD timeoutMs) {
    return WaitUntil([&] { return host.refreshCount.load() >= count; }, timeoutMs);
  }

  ComScope com;
  CRefreshHost host;
  CEffect effect;
  VideoPtr source;  // goes first: its graph may still call the host

 private:
  std::mutex m_shownLock;
  std::vector<int64_t> m_shown;
};

// ---------------------------------------------------------------------------------------
// Samples handed in directly

TEST_F(VideoSourceTest, PictureCoversTheOutputWithTheVideoProportions) {
  struct Case {
    int width, height, outputWidth, outputHeight, coverWidth, coverHeight;
  };
  const Case cases[] = {
      {1280, 720, 320, 240, 426, 240}, {480, 640, 320, 240, 320, 426},
      {640, 480, 320, 240, 320, 240},  {64, 48, 320, 240, 320, 240},
      {426, 240, 320, 240, 426, 240},  {1280, 720, 176, 144, 256, 144},
  };
  EXPECT_EQ(0, PictureSize().cx);
  EXPECT_EQ(0, PictureSize().cy);
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message()
                 << c.width << "x" << c.height << " on " << c.outputWidth << "x" << c.outputHeight);
    SetOutput(c.outputWidth, c.outputHeight);
    const Sample s = MakeSample(MEDIASUBTYPE_RGB24, c.width, c.height, false, Pattern);
    ASSERT_EQ(S_OK, Deliver(s));
    EXPECT_EQ(c.coverWidth, PictureSize().cx);
    EXPECT_EQ(c.coverHeight, PictureSize().cy);
    WithPicture([&](CDibSurface* picture) {
      ASSERT_NE(nullptr, picture);
      EXPECT_EQ(24, picture->GetBitsPerPixel());
      EXPECT_EQ(c.coverWidth, picture->GetWidth());
    });
  }
  // Every delivered frame asked the main source's host for a frame.
  EXPECT_EQ(static_cast<int>(std::size(cases)), host.refreshCount.load());
}

struct LayoutCase {
  const char* name;
  bool rgb32;
  int width;
  bool topDown;
};

void PrintTo(const LayoutCase& c, std::ostream* os) { *os << c.name; }

class VideoSourceLayout : public VideoSourceTest,
                          public ::testing::WithParamInterface<LayoutCase> {};

// Rows are as long as the sample's width needs, padded to 4 bytes; a picture of the
// sample's own size holds exactly its pixels, upright.
TEST_P(VideoSourceLayout, CopiesRowsByTheirRealLayout) {
  const LayoutCase& c = GetParam();
  constexpr int kHeight = 7;
  SetOutput(c.width, kHeight);  // the cover size is the sample's size
  const Sample s = MakeSample(c.rgb32 ? MEDIASUBTYPE_RGB32 : MEDIASUBTYPE_RGB24, c.width, kHeight,
                              c.topDown, Pattern);
  ASSERT_EQ(S_OK, Deliver(s));
  WithPicture([&](CDibSurface* picture) {
    ASSERT_NE(nullptr, picture);
    ASSERT_EQ(c.width, picture->GetWidth());
    ASSERT_EQ(kHeight, picture->GetHeight());
    for (int y = 0; y < kHeight; ++y)
      for (int x = 0; x < c.width; ++x)
        ASSERT_TRUE(PixelOf(*picture, x, y) == Pattern(x, y)) << x << "," << y;
  });
}

INSTANTIATE_TEST_SUITE_P(Samples, VideoSourceLayout,
                         ::testing::Values(LayoutCase{"Rgb24Width1", false, 1, false},
                                           LayoutCase{"Rgb24Width3", false, 3, false},
                                           LayoutCase{"Rgb24Width97", false, 97, false},
                                           LayoutCase{"Rgb24Width426", false, 426, false},
                                           LayoutCase{"Rgb24Width64", false, 64, false},
                                           LayoutCase{"Rgb24TopDown", false, 97, true},
                                           LayoutCase{"Rgb32Width97", true, 97, false},
                                           LayoutCase{"Rgb32Width426", true, 426, false},
                                           LayoutCase{"Rgb32TopDown", true, 426, true}),
                         [](const ::testing::TestParamInfo<LayoutCase>& info) {
                           return info.param.name;
                         });

struct ScaleCase {
  const char* name;
  bool rgb32;
  int width, height;
  bool topDown;
  int outputWidth, outputHeight;
  int coverWidth, coverHeight;
};

void PrintTo(const ScaleCase& c, std::ostream* os) { *os << c.name; }

class VideoSourceScale : public VideoSourceTest, public ::testing::WithParamInterface<ScaleCase> {};

TEST_P(VideoSourceScale, ScaledPictureMatchesAReferenceScale) {
  const ScaleCase& c = GetParam();
  SetOutput(c.outputWidth, c.outputHeight);
  const Sample s = MakeSample(c.rgb32 ? MEDIASUBTYPE_RGB32 : MEDIASUBTYPE_RGB24, c.width, c.height,
                              c.topDown, Pattern);
  ASSERT_EQ(S_OK, Deliver(s));
  CDibSurface expected;
  ReferenceScale(c.width, c.height, c.rgb32 ? 32 : 24, Pattern, SIZE{c.coverWidth, c.coverHeight},
                 expected);
  WithPicture([&](CDibSurface* picture) {
    ASSERT_NE(nullptr, picture);
    ExpectSamePicture(*picture, expected);
  });
}

INSTANTIATE_TEST_SUITE_P(
    Samples, VideoSourceScale,
    ::testing::Values(ScaleCase{"Rgb24Twice", false, 213, 120, false, 320, 240, 426, 240},
                      ScaleCase{"Rgb24OddWidthTopDown", false, 97, 31, true, 320, 240, 750, 240},
                      ScaleCase{"Rgb32Down", true, 1282, 722, false, 320, 240, 426, 240},
                      ScaleCase{"Rgb32Up", true, 426, 240, false, 640, 480, 852, 480}),
    [](const ::testing::TestParamInfo<ScaleCase>& info) { return info.param.name; });

// Four solid quarters keep their colours away from the seams at any scale, whatever the
// scaling filter; rows read from the wrong place would mix them.
TEST_F(VideoSourceTest, QuartersOfASampleKeepTheirColoursWhenScaled) {
  const Bgr quarters[4] = {{200, 10, 10}, {10, 200, 10}, {10, 10, 200}, {200, 200, 10}};
  constexpr int kWidth = 213, kHeight = 120;
  const ColourAt colour = [&](int x, int y) {
    return quarters[(y < kHeight / 2 ? 0 : 2) + (x < kWidth / 2 ? 0 : 1)];
  };
  for (bool rgb32 : {false, true}) {
    SCOPED_TRACE(rgb32 ? "RGB32" : "RGB24");
    SetOutput(320, 240);  // covered by 426 x 240, about twice the sample
    ASSERT_EQ(S_OK, Deliver(MakeSample(rgb32 ? MEDIASUBTYPE_RGB32 : MEDIASUBTYPE_RGB24, kWidth,
                                       kHeight, false, colour)));
    WithPicture([&](CDibSurface* picture) {
      ASSERT_NE(nullptr, picture);
      ASSERT_EQ(426, picture->GetWidth());
      ASSERT_EQ(240, picture->GetHeight());
      for (int y = 0; y < 240; ++y) {
        if (y > 110 && y < 130) continue;  // the horizontal seam
        for (int x = 0; x < 426; ++x) {
          if (x > 203 && x < 223) continue;  // the vertical seam
          const Bgr expected = quarters[(y < 120 ? 0 : 2) + (x < 213 ? 0 : 1)];
          ASSERT_TRUE(PixelOf(*picture, x, y) == expected) << x << "," << y;
        }
      }
    });
  }
}

TEST_F(VideoSourceTest, AFrameWaitsAtMost200msForAHeldPictureAndIsDropped) {
  const Bgr red = {0, 0, 255}, green = {0, 255, 0};
  ASSERT_EQ(S_OK,
            Deliver(MakeSample(MEDIASUBTYPE_RGB24, 64, 48, false, [&](int, int) { return red; })));
  const Sample greenSample =
      MakeSample(MEDIASUBTYPE_RGB24, 64, 48, false, [&](int, int) { return green; });
  const int refreshesBefore = host.refreshCount.load();

  // The compositor holds the picture while another thread delivers a frame.
  CFrameLock lock;
  ASSERT_EQ(S_OK, source->LockFrame(nullptr, &lock));
  std::atomic<LONGLONG> waited{-1};
  std::thread streaming([&] {
    const LONGLONG begin = NowMs();
    Deliver(greenSample);
    waited = NowMs() - begin;
  });
  const bool gaveUp = WaitUntil([&] { return waited.load() >= 0; }, 5000);
  ASSERT_NE(nullptr, lock.picture);
  EXPECT_TRUE(PixelOf(*lock.picture, 10, 10) == red) << "the held picture was not written";
  EXPECT_EQ(S_OK, source->UnlockFrame());
  streaming.join();
  EXPECT_TRUE(gaveUp) << "the frame waited for the picture without limit";
  EXPECT_GE(waited.load(), 180);
  EXPECT_LT(waited.load(), 2000);
  // The dropped frame still asked for a refresh.
  EXPECT_EQ(refreshesBefore + 1, host.refreshCount.load());
  WithPicture([&](CDibSurface* picture) { EXPECT_TRUE(PixelOf(*picture, 10, 10) == red); });

  // Once the picture is free the next frame is drawn.
  std::thread later([&] { Deliver(greenSample); });
  later.join();
  WithPicture([&](CDibSurface* picture) { EXPECT_TRUE(PixelOf(*picture, 10, 10) == green); });
}

TEST_F(VideoSourceTest, SamplesThatDescribeNoRgbPictureChangeNothing) {
  const Bgr blue = {255, 0, 0};
  const Sample good = MakeSample(MEDIASUBTYPE_RGB24, 64, 48, false, [&](int, int) { return blue; });
  ASSERT_EQ(S_OK, Deliver(good));
  struct Case {
    const char* name;
    std::function<void(Sample&)> spoil;
  };
  const Case cases[] = {
      {"a YUV subtype", [](Sample& s) { s.subtype = MEDIASUBTYPE_YUY2; }},
      {"RGB24 with a 32-bit header", [](Sample& s) { s.header.biBitCount = 32; }},
      {"RGB32 with a 24-bit header", [](Sample& s) { s.subtype = MEDIASUBTYPE_RGB32; }},
      {"a compressed header", [](Sample& s) { s.header.biCompression = BI_RLE8; }},
      {"no width", [](Sample& s) { s.header.biWidth = 0; }},
      {"a negative width", [](Sample& s) { s.header.biWidth = -64; }},
      {"no height", [](Sample& s) { s.header.biHeight = 0; }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Sample spoilt = MakeSample(MEDIASUBTYPE_RGB24, 64, 48, false, Pattern);
    c.spoil(spoilt);
    const int refreshes = host.refreshCount.load();
    EXPECT_EQ(S_OK, Deliver(spoilt));
    EXPECT_EQ(refreshes + 1, host.refreshCount.load());
    EXPECT_EQ(64, PictureSize().cx);
    WithPicture([&](CDibSurface* picture) {
      EXPECT_TRUE(PixelOf(*picture, 5, 5) == blue);
      EXPECT_TRUE(PixelOf(*picture, 60, 40) == blue);
    });
  }
  EXPECT_EQ(S_OK, source->OnFrame(nullptr, nullptr, MEDIASUBTYPE_RGB24));
}

TEST_F(VideoSourceTest, WithoutOwnerOrOutputSizeNothingIsDrawnOrRefreshed) {
  const Sample s = MakeSample(MEDIASUBTYPE_RGB24, 64, 48, false, Pattern);
  SetOutput(0, 240);
  EXPECT_EQ(S_OK, Deliver(s));
  SetOutput(320, 0);
  EXPECT_EQ(S_OK, Deliver(s));
  SetOutput(320, 240);
  source->SetOwner(nullptr);
  EXPECT_EQ(S_OK, Deliver(s));
  EXPECT_EQ(0, host.refreshCount.load());
  EXPECT_EQ(0, PictureSize().cx);
  EXPECT_EQ(0, PictureSize().cy);
  WithPicture([](CDibSurface* picture) {
    ASSERT_NE(nullptr, picture);
    EXPECT_EQ(nullptr, picture->GetBits());
  });
}

// ---------------------------------------------------------------------------------------
// The element without a playing file

TEST_F(VideoSourceTest, HasNoPropertiesAndKeepsItsPathInThePackage) {
  for (int32_t id : {0, PROP_VIDEO_PATH, PROP_SOURCE_TYPE, 0x5008, 0x10000001, -1}) {
    std::string value = "kept";
    EXPECT_EQ(E_FAIL, source->GetProperty(id, value)) << id;
    EXPECT_EQ("kept", value);
    EXPECT_EQ(E_FAIL, source->SetProperty(id, "1")) << id;
  }
  EXPECT_FALSE(source->IsFilter());
  EXPECT_EQ(E_FAIL, source->Render(nullptr, RECT{0, 0, 1, 1}));

  const std::string path = graph_test::ScratchFolder() + "no such clip.avi";
  EXPECT_EQ(S_OK, source->Open(path));
  EXPECT_EQ(path, source->GetSourcePath());
  CPackageFile package(kEffectFileTag);
  ASSERT_EQ(S_OK, source->Save(&package));
  ASSERT_EQ(1u, package.GetItems().size());
  EXPECT_EQ(path, package.GetText(PROP_VIDEO_PATH, ""));

  VideoPtr loaded(new CTestVideoSource());
  ASSERT_EQ(S_OK, loaded->Load(&package));
  EXPECT_EQ(path, loaded->GetSourcePath());
  ASSERT_NE(nullptr, loaded->GetGraph());
  EXPECT_EQ(path, loaded->GetGraph()->GetName());

  CPackageFile empty(kEffectFileTag);
  ASSERT_EQ(S_OK, loaded->Load(&empty));
  EXPECT_EQ("", loaded->GetSourcePath());
  EXPECT_EQ(E_POINTER, loaded->Load(nullptr));
  EXPECT_EQ(E_POINTER, loaded->Save(nullptr));
}

TEST_F(VideoSourceTest, WithoutGraphItIsStoppedWithoutTimeOrPicture) {
  EXPECT_EQ(nullptr, source->GetGraph());
  int32_t position = -1, duration = -1;
  EXPECT_EQ(S_OK, source->GetTime(&position, &duration));
  EXPECT_EQ(0, position);
  EXPECT_EQ(0, duration);
  EXPECT_EQ(S_OK, source->GetTime(nullptr, nullptr));
  for (auto operation : {&CVideoSource::Play, &CVideoSource::Pause, &CVideoSource::Stop}) {
    EXPECT_EQ(S_OK, (source.get()->*operation)());
    EXPECT_EQ(STATE_STOPPED, source->GetState());
  }
  EXPECT_EQ(S_OK, source->SetPosition(1000));
  EXPECT_FALSE(source->IsFinished());
  EXPECT_EQ(S_OK, source->SetMute(TRUE));
  EXPECT_TRUE(source->GetMute());
  EXPECT_EQ(S_OK, source->SetVolume(30));
  EXPECT_EQ(30, source->GetVolume());
  EXPECT_FALSE(source->GetMute());
  WithPicture([](CDibSurface* picture) {
    ASSERT_NE(nullptr, picture);
    EXPECT_EQ(nullptr, picture->GetBits());
  });
}

TEST_F(VideoSourceTest, AMissingFileOpensButNeverPlays) {
  const std::string missing = graph_test::ScratchFolder() + "gone\\clip.avi";
  EXPECT_EQ(S_OK, source->Open(missing));
  ASSERT_NE(nullptr, source->GetGraph());
  EXPECT_TRUE(source->Spy()->volumes.empty()) << "no volume for a graph that was not built";
  EXPECT_EQ(S_OK, source->Play());
  EXPECT_EQ(STATE_STOPPED, source->GetState());
  EXPECT_FALSE(WaitForRefreshes(1, 300));
  EXPECT_EQ(0, PictureSize().cx);
}

TEST_F(VideoSourceTest, TheProxyMakesAVideoElementForAMediaPath) {
  const std::string clip = Clip("clip.avi", 20);
  CSourceProxy proxy(&effect);
  ASSERT_EQ(S_OK, proxy.OpenPath(clip));
  EXPECT_EQ(ELEMENT_VIDEO, proxy.GetTypeCode());
  auto* video = dynamic_cast<CVideoSource*>(proxy.GetElement());
  ASSERT_NE(nullptr, video);
  EXPECT_EQ(clip, proxy.GetSourcePath());
  EXPECT_EQ(STATE_STOPPED, proxy.GetState());
  Watchdog watchdog(60000, "playing through the proxy");
  EXPECT_EQ(S_OK, proxy.Play());
  EXPECT_EQ(STATE_PLAYING, proxy.GetState());
  EXPECT_TRUE(WaitForRefreshes(3, 10000));
  proxy.Close();
}

// ---------------------------------------------------------------------------------------
// Playing clips

TEST_F(VideoSourceTest, PlaysTheClipIntoThePictureFrameByFrameInOrder) {
  Watchdog watchdog(60000, "playing the clip");
  RecordFramesOnRefresh();
  ASSERT_EQ(S_OK, source->Open(Clip("clip.avi", 20)));
  EXPECT_EQ(STATE_STOPPED, source->GetState());
  ASSERT_EQ(S_OK, source->Play());
  EXPECT_EQ(STATE_PLAYING, source->GetState());
  ASSERT_TRUE(WaitForState(STATE_FINISHED, 15000));
  EXPECT_TRUE(source->IsFinished());
  std::vector<int64_t> expected;
  for (int i = 0; i < 20; ++i) expected.push_back(i);
  EXPECT_EQ(expected, Shown());
  EXPECT_EQ(kClipWidth, PictureSize().cx);
  EXPECT_EQ(kClipHeight, PictureSize().cy);
}

TEST_F(VideoSourceTest, PlayedFramesAreScaledToCoverTheOutput) {
  Watchdog watchdog(60000, "playing the clip scaled");
  SetOutput(320, 200);  // wider than the clip's 4:3: covered by 320 x 240
  std::mutex lock;
  std::vector<std::pair<int64_t, bool>> checked;  // sample number, picture as expected
  host.onRefresh = [&] {
    const std::vector<int64_t> samples = source->samples.Indices();
    const int64_t index = samples.empty() ? -1 : samples.back();
    const ColourAt coded = [&](int x, int y) {
      // The clip's coded pixels, byte by byte as FillFrame lays them out, rows bottom-up.
      const uint32_t row = kClipHeight - 1 - y;
      return Bgr{FrameByte(uint32_t(index), row, x * 3), FrameByte(uint32_t(index), row, x * 3 + 1),
                 FrameByte(uint32_t(index), row, x * 3 + 2)};
    };
    CDibSurface expected;
    ReferenceScale(kClipWidth, kClipHeight, 24, coded, SIZE{320, 240}, expected);
    WithPicture([&](CDibSurface* picture) {
      bool same = picture && picture->GetWidth() == 320 && picture->GetHeight() == 240;
      for (int y = 0; same && y < 240; ++y)
        for (int x = 0; same && x < 320; ++x)
          same = PixelOf(*picture, x, y) == PixelOf(expected, x, y);
      std::lock_guard<std::mutex> guard(lock);
      checked.emplace_back(index, same);
    });
  };
  ASSERT_EQ(S_OK, source->Open(Clip("clip.avi", 20)));
  ASSERT_EQ(S_OK, source->Play());
  ASSERT_TRUE(WaitForState(STATE_FINISHED, 15000));
  std::lock_guard<std::mutex> guard(lock);
  ASSERT_EQ(20u, checked.size());
  for (size_t i = 0; i < checked.size(); ++i) {
    EXPECT_EQ(static_cast<int64_t>(i), checked[i].first);
    EXPECT_TRUE(checked[i].second) << "frame " << i;
  }
}

TEST_F(VideoSourceTest, StateFollowsTheGraphThroughPauseResumeEndAndStop) {
  Watchdog watchdog(60000, "pausing and resuming");
  RecordFramesOnRefresh();
  ASSERT_EQ(S_OK, source->Open(Clip("clip.avi", 40)));
  ASSERT_EQ(S_OK, source->Play());
  for (int cycle = 0; cycle < 2; ++cycle) {
    SCOPED_TRACE(cycle);
    ASSERT_TRUE(WaitForRefreshes(host.refreshCount.load() + 3, 10000));
    ASSERT_EQ(S_OK, source->Pause());
    EXPECT_EQ(STATE_PAUSED, source->GetState());
    OAFilterState graphState = State_Stopped;
    EXPECT_EQ(S_OK, source->Spy()->WaitForGraphState(10000, &graphState));
    const int held = host.refreshCount.load();
    // Three frame times without a frame.
    EXPECT_FALSE(WaitForRefreshes(held + 1, 150));
    EXPECT_EQ(STATE_PAUSED, SyncedState());
    ASSERT_EQ(S_OK, source->Play());
    EXPECT_EQ(STATE_PLAYING, source->GetState());
  }
  ASSERT_TRUE(WaitForState(STATE_FINISHED, 15000));
  // The frames went on in order through the pauses, to the last.
  std::vector<int64_t> expected;
  for (int i = 0; i < 40; ++i) expected.push_back(i);
  EXPECT_EQ(expected, Shown());
  ASSERT_EQ(S_OK, source->Stop());
  EXPECT_EQ(STATE_STOPPED, source->GetState());
  EXPECT_FALSE(source->IsFinished());
}

TEST_F(VideoSourceTest, SeeksAndAnswersPositionAndDurationInMilliseconds) {
  Watchdog watchdog(60000, "seeking");
  RecordFramesOnRefresh();
  ASSERT_EQ(S_OK, source->Open(Clip("clip.avi", 20)));
  int32_t position = -1, duration = -1;
  ASSERT_TRUE(WaitUntil(
      [&] { return source->GetTime(&position, &duration) == S_OK && duration != 0; }, 5000));
  EXPECT_EQ(1000, duration);
  EXPECT_EQ(0, position);

  ASSERT_EQ(S_OK, source->Pause());
  OAFilterState graphState = State_Stopped;
  ASSERT_EQ(S_OK, source->Spy()->WaitForGraphState(10000, &graphState));
  ASSERT_EQ(S_OK, source->SetPosition(500));
  ASSERT_EQ(S_OK, source->Spy()->WaitForGraphState(10000, &graphState));
  EXPECT_EQ(STATE_PAUSED, source->GetState());
  ASSERT_EQ(S_OK, source->GetTime(&position, &duration));
  EXPECT_EQ(500, position);
  EXPECT_EQ(1000, duration);
  EXPECT_EQ(E_INVALIDARG, source->SetPosition(-1));

  ASSERT_EQ(S_OK, source->Play());
  ASSERT_TRUE(WaitForState(STATE_FINISHED, 15000));
  std::vector<int64_t> expected;
  for (int i = 10; i < 20; ++i) expected.push_back(i);
  EXPECT_EQ(expected, Shown());
  ASSERT_EQ(S_OK, source->GetTime(&position, &duration));
  EXPECT_GE(position, 900);
  EXPECT_LE(position, 1000);
}

TEST_F(VideoSourceTest, HoldingThePictureDropsFramesWhilePlaybackGoesOn) {
  Watchdog watchdog(60000, "holding the picture");
  ASSERT_EQ(S_OK, source->Open(Clip("clip.avi", 40)));
  ASSERT_EQ(S_OK, source->Play());
  ASSERT_TRUE(WaitForRefreshes(3, 10000));
  CFrameLock lock;
  ASSERT_EQ(S_OK, source->LockFrame(nullptr, &lock));
  ASSERT_NE(nullptr, lock.picture);
  const int64_t held = CodedFrame(*lock.picture);
  EXPECT_GE(held, 0);
  // Frames keep arriving and giving up on the picture: each asks for a refresh.
  const int before = host.refreshCount.load();
  EXPECT_TRUE(WaitForRefreshes(before + 2, 3000));
  EXPECT_EQ(held, CodedFrame(*lock.picture));
  ASSERT_EQ(S_OK, source->UnlockFrame());
  // The graph was never blocked: it plays to its end, and the last frame is drawn.
  ASSERT_TRUE(WaitForState(STATE_FINISHED, 15000));
  WithPicture([&](CDibSurface* picture) { EXPECT_EQ(39, CodedFrame(*picture)); });
}

TEST_F(VideoSourceTest, ReopeningReplacesAPlayingGraph) {
  Watchdog watchdog(60000, "reopening");
  RecordFramesOnRefresh();
  ASSERT_EQ(S_OK, source->Open(Clip("first.avi", 40)));
  ASSERT_EQ(S_OK, source->Play());
  ASSERT_TRUE(WaitForRefreshes(3, 10000));
  const std::string second = Clip("second.avi", 10);
  ASSERT_EQ(S_OK, source->Open(second));
  EXPECT_EQ(STATE_STOPPED, source->GetState());
  EXPECT_EQ(second, source->GetGraph()->GetName());
  const int stopped = host.refreshCount.load();
  EXPECT_FALSE(WaitForRefreshes(stopped + 1, 300)) << "the first graph still delivers";
  ASSERT_EQ(S_OK, source->Play());
  ASSERT_TRUE(WaitForState(STATE_FINISHED, 15000));
  const std::vector<int64_t> shown = Shown();
  ASSERT_GE(shown.size(), 10u);
  std::vector<int64_t> tail(shown.end() - 10, shown.end());
  std::vector<int64_t> expected;
  for (int i = 0; i < 10; ++i) expected.push_back(i);
  EXPECT_EQ(expected, tail);
}

TEST_F(VideoSourceTest, ReleasingAPlayingElementEndsDeliveryAtOnce) {
  Watchdog watchdog(60000, "releasing while playing");
  ASSERT_EQ(S_OK, source->Open(Clip("clip.avi", 40)));
  ASSERT_EQ(S_OK, source->Play());
  ASSERT_TRUE(WaitForRefreshes(3, 10000));
  source.reset();
  const int delivered = host.refreshCount.load();
  EXPECT_FALSE(WaitForRefreshes(delivered + 1, 300));
}

// Sound clips: only play, volume and stop (seeking with sound does not finish under Wine's
// null audio device).
TEST_F(VideoSourceTest, VolumeAndMuteReachTheAudioRenderer) {
  Watchdog watchdog(60000, "playing with sound");
  const std::string clip = graph_test::BuildClip("sound.avi");
  ASSERT_EQ(S_OK, source->Open(clip));
  CSpyGraph* graph = source->Spy();
  ASSERT_NE(nullptr, graph);
  EXPECT_EQ(std::vector<int32_t>{50}, graph->volumes) << "the default volume";
  EXPECT_EQ(VolumeToAttenuation(50), graph->ReadVolume());

  struct Step {
    const char* name;
    std::function<void()> act;
    int32_t sent;  // the volume the graph is given
    BOOL muted;
  };
  const Step steps[] = {
      {"mute", [&] { source->SetMute(TRUE); }, 0, TRUE},
      {"volume while muted", [&] { source->SetVolume(70); }, 70, FALSE},
      {"mute again", [&] { source->SetMute(TRUE); }, 0, TRUE},
      {"unmute", [&] { source->SetMute(FALSE); }, 70, FALSE},
      {"volume", [&] { source->SetVolume(1); }, 1, FALSE},
  };
  for (const Step& step : steps) {
    SCOPED_TRACE(step.name);
    step.act();
    ASSERT_FALSE(graph->volumes.empty());
    EXPECT_EQ(step.sent, graph->volumes.back());
    EXPECT_EQ(VolumeToAttenuation(step.sent), graph->ReadVolume());
    EXPECT_EQ(step.muted, source->GetMute());
  }

  // A new graph starts with the element's setting: silent while muted.
  source->SetMute(TRUE);
  ASSERT_EQ(S_OK, source->Open(clip));
  EXPECT_EQ(std::vector<int32_t>{0}, source->Spy()->volumes);
  EXPECT_EQ(-10000, source->Spy()->ReadVolume());

  ASSERT_EQ(S_OK, source->Play());
  EXPECT_TRUE(WaitForRefreshes(3, 10000));
  EXPECT_EQ(STATE_PLAYING, SyncedState());
  const LONGLONG begin = NowMs();
  ASSERT_EQ(S_OK, source->Stop());
  EXPECT_LT(NowMs() - begin, 5000);
  EXPECT_EQ(STATE_STOPPED, source->GetState());
}

}  // namespace
