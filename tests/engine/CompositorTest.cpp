// The compositor's frame pump: what a frame contains and in which order it is drawn,
// effects off, finished effects, segmentation of the main source, the timer and its rate,
// the bounded lock of the frame thread, resizing, stock pictures and the host operations.
#include "engine/compositor/EffectCompositor.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <new>
#include <thread>

#include "CompositorSupport.h"
#include "engine/effects/Effect.h"
#include "engine/effects/PropertyIds.h"

namespace {

// Allocations through operator new of at least this many bytes fail with std::bad_alloc,
// as they do when the machine has no memory left for them: on the thread whose id is
// g_refusingThread, or on every thread while that id is kEveryThread.
constexpr DWORD kNoThread = 0;
constexpr DWORD kEveryThread = ~DWORD{0};
std::atomic<DWORD> g_refusingThread{kNoThread};
std::atomic<size_t> g_refusedSize{0};

}  // namespace

void* operator new(size_t size) {
  const DWORD refusing = g_refusingThread.load(std::memory_order_relaxed);
  if (refusing != kNoThread && size >= g_refusedSize.load(std::memory_order_relaxed) &&
      (refusing == kEveryThread || refusing == GetCurrentThreadId()))
    throw std::bad_alloc();
  for (;;) {
    if (void* block = std::malloc(size ? size : 1)) return block;
    const std::new_handler handler = std::get_new_handler();
    if (!handler) throw std::bad_alloc();
    handler();
  }
}

namespace {

// While it lives, allocations of `bytes` or more fail on the thread (kEveryThread: on all).
class ScopedRefusedAllocations {
 public:
  ScopedRefusedAllocations(size_t bytes, DWORD thread) {
    g_refusedSize = bytes;
    g_refusingThread = thread;
  }
  ~ScopedRefusedAllocations() { g_refusingThread = kNoThread; }
  ScopedRefusedAllocations(const ScopedRefusedAllocations&) = delete;
  ScopedRefusedAllocations& operator=(const ScopedRefusedAllocations&) = delete;
};

using test_support::Bgra;
using test_support::CompositorTest;
using test_support::PixelAt;
using test_support::Posted;
using test_support::Rgb24;
using test_support::ScopedFakeClock;

constexpr DWORD kBlue = 0xFF0000;
constexpr DWORD kGreen = 0x00FF00;
constexpr DWORD kRed = 0x0000FF;
constexpr DWORD kYellow = 0x00FFFF;
constexpr DWORD kWhite = 0xFFFFFF;
const Bgra kBlack = {0, 0, 0, -1};

using Compositor = CompositorTest;

TEST_F(Compositor, MainSourceAloneFillsTheOutputAndThePreview) {
  Start();
  ASSERT_EQ(compositor->OpenElementFile(MODULE_MAIN_SOURCE, test_support::ColourPath(kBlue)), S_OK);
  Compose();
  for (POINT p : {POINT{0, 0}, POINT{319, 239}, POINT{160, 120}}) {
    EXPECT_EQ(Out(p.x, p.y), Rgb24(kBlue));
    EXPECT_EQ(Preview(p.x, p.y), Rgb24(kBlue));
  }
  EXPECT_FALSE(compositor->IsDriverOpen()) << "no such camera: frames are composed, not sent";
}

TEST_F(Compositor, MainSourceWithoutElementShowsTheNoSourcePicture) {
  Start();
  Compose();
  CDibSurface* noSource = compositor->GetStockImage(2);
  ASSERT_TRUE(noSource && noSource->GetBits());
  for (POINT p : {POINT{20, 20}, POINT{300, 220}}) {
    const Bgra stock = PixelAt(*noSource, p.x, p.y);
    const Bgra out = Out(p.x, p.y);
    for (int i = 0; i < 3; ++i) EXPECT_NEAR(out[i], stock[i], 2) << p.x << "," << p.y;
  }
  EXPECT_NE(Out(20, 20), kBlack);
}

TEST_F(Compositor, DrawsBackgroundsThenMainSourceThenEffectsLayersAndOnTopEffects) {
  Start();
  ASSERT_EQ(compositor->OpenElementFile(MODULE_MAIN_SOURCE, test_support::ColourPath(kBlue)), S_OK);

  const int32_t background = AddColour(kGreen);
  ASSERT_EQ(compositor->SetProperty(background, PROP_EFFECT_BACKGROUND, "1"), S_OK);
  Compose();
  EXPECT_EQ(Out(10, 10), Rgb24(kBlue)) << "the main source covers a background effect";

  AddColour(kRed);
  Compose();
  EXPECT_EQ(Out(10, 10), Rgb24(kRed)) << "a user effect covers the main source";

  // Layer 0 sits at 52 % of the frame (its bottom-right quarter preset).
  ASSERT_EQ(compositor->OpenElementFile(MODULE_LAYER_BASE, test_support::ColourPath(kYellow)),
            S_OK);
  Compose();
  EXPECT_EQ(Out(10, 10), Rgb24(kRed));
  EXPECT_EQ(Out(300, 230), Rgb24(kYellow)) << "a layer covers the user effects";

  const int32_t onTop = AddColour(kWhite);
  ASSERT_EQ(compositor->SetEffectOnTop(onTop, TRUE), S_OK);
  Compose();
  EXPECT_EQ(Out(10, 10), Rgb24(kWhite));
  EXPECT_EQ(Out(300, 230), Rgb24(kWhite)) << "an on-top effect covers the layers";

  ASSERT_EQ(compositor->SetProperty(onTop, PROP_EFFECT_BACKGROUND, "1"), S_OK);
  Compose();
  EXPECT_EQ(Out(10, 10), Rgb24(kRed)) << "on top and background: drawn with the backgrounds";
  EXPECT_EQ(Out(300, 230), Rgb24(kYellow));
}

TEST_F(Compositor, EffectsOffGiveBlackFramesWithoutRenderingOrExpiring) {
  ScopedFakeClock clock;
  Start();
  ASSERT_EQ(compositor->OpenElementFile(MODULE_MAIN_SOURCE, test_support::ColourPath(kBlue)), S_OK);
  const int32_t timed = AddColour(kRed);
  ASSERT_EQ(compositor->SetProperty(timed, PROP_LIFETIME_MODE, "2"), S_OK);
  ASSERT_EQ(compositor->SetProperty(timed, PROP_LIFETIME_DURATION, "1"), S_OK);

  ASSERT_EQ(compositor->EnableEffects(FALSE), S_OK);
  for (int i = 0; i < 3; ++i) {
    clock.Advance(1000);
    Compose();
  }
  EXPECT_EQ(Out(10, 10), kBlack);
  EXPECT_EQ(Out(319, 239), kBlack);
  CMutexLock lock(compositor->GetLock(), INFINITE);
  EXPECT_EQ(compositor->GetUserEffectCount(), 1u) << "nothing is rendered, so nothing expires";
  EXPECT_EQ(compositor->GetFinishedCount(), 0u);
}

TEST_F(Compositor, ExpiredEffectIsDrawnOnceMoreThenFinishedAndDeletedByTheTick) {
  ScopedFakeClock clock;
  Start();
  ASSERT_EQ(compositor->OpenElementFile(MODULE_MAIN_SOURCE, test_support::ColourPath(kBlue)), S_OK);
  const int32_t timed = AddColour(kRed);
  ASSERT_EQ(compositor->SetProperty(timed, PROP_LIFETIME_MODE, "2"), S_OK);
  ASSERT_EQ(compositor->SetProperty(timed, PROP_LIFETIME_DURATION, "1"), S_OK);
  Compose();
  sink.Take(0);

  clock.Advance(1500);
  Compose();
  EXPECT_EQ(Out(10, 10), Rgb24(kRed)) << "drawn in the frame in which it expires";
  {
    CMutexLock lock(compositor->GetLock(), INFINITE);
    EXPECT_EQ(compositor->GetUserEffectCount(), 0u);
    EXPECT_EQ(compositor->GetFinishedCount(), 1u);
  }
  EXPECT_EQ(sink.Take(WM_ENGINE_EVENT), (std::vector<Posted>{{WM_ENGINE_EVENT, 0, 1}}))
      << "the selected effect left: the selection changed";
  EXPECT_EQ(compositor->GetSelectedEffect(), 0);

  Compose();
  EXPECT_EQ(Out(10, 10), Rgb24(kBlue));
  ASSERT_EQ(compositor->Tick(), S_OK);
  CMutexLock lock(compositor->GetLock(), INFINITE);
  EXPECT_EQ(compositor->GetFinishedCount(), 0u);
}

TEST_F(Compositor, BackgroundEffectSwitchesSegmentationOfTheMainSource) {
  Start();
  ASSERT_EQ(compositor->OpenElementFile(MODULE_MAIN_SOURCE, test_support::ColourPath(kBlue)), S_OK);
  Compose();
  EXPECT_EQ(Property(MODULE_MAIN_SOURCE, PROP_SEGMENT_ENABLE), "0");

  const int32_t background = AddColour(kGreen);
  ASSERT_EQ(compositor->SetProperty(background, PROP_EFFECT_BACKGROUND, "1"), S_OK);
  Compose();
  EXPECT_EQ(Property(MODULE_MAIN_SOURCE, PROP_SEGMENT_ENABLE), "1");

  ASSERT_EQ(compositor->RemoveBackgroundEffects(), S_FALSE);
  Compose();
  EXPECT_EQ(Property(MODULE_MAIN_SOURCE, PROP_SEGMENT_ENABLE), "0");
}

TEST_F(Compositor, TimerPeriodFollowsTheRateHeldWithin0To1000) {
  Start(25);
  const struct {
    int rate;
    int heldRate;
    UINT period;
  } cases[] = {{25, 25, 40},    {30, 30, 33},         {0, 0, 66},         {1000, 1000, 1},
               {1001, 1000, 1}, {INT32_MAX, 1000, 1}, {INT32_MIN, 0, 66}, {-5, 0, 66}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.rate);
    ASSERT_EQ(compositor->SetFrameRate(c.rate), S_OK);
    EXPECT_EQ(compositor->GetFrameRate(), c.heldRate);
    EXPECT_EQ(compositor->GetTimerPeriod(), c.period);
    EXPECT_TRUE(compositor->IsRunning()) << "the timer never silently stops";
  }
}

TEST_F(Compositor, TimerComposesAboutTheRateAndNothingAtRateZero) {
  Start(50);
  const uint32_t before = compositor->GetFramesComposed();
  const DWORD start = GetTickCount();
  Sleep(1000);
  const uint32_t frames = compositor->GetFramesComposed() - before;
  // Against the time that really passed: a loaded machine wakes the test late.
  const uint32_t expected = (GetTickCount() - start) * 50 / 1000;  // about 50
  EXPECT_GE(frames, expected * 7 / 10);
  EXPECT_LE(frames, expected * 12 / 10);

  ASSERT_EQ(compositor->SetFrameRate(0), S_OK);
  const uint32_t idle = compositor->GetFramesComposed();
  Sleep(300);
  EXPECT_EQ(compositor->GetFramesComposed(), idle);
}

TEST_F(Compositor, TickGivesUpAfter500MsWhileTheLockIsHeld) {
  Start(50);
  Sleep(200);
  uint32_t during = 0;
  {
    CMutexLock lock(compositor->GetLock(), INFINITE);
    const uint32_t start = compositor->GetFramesComposed();
    Sleep(1200);
    during = compositor->GetFramesComposed() - start;
  }
  EXPECT_EQ(during, 0u);
  const uint32_t after = compositor->GetFramesComposed();
  const DWORD start = GetTickCount();
  while (compositor->GetFramesComposed() - after < 10u && GetTickCount() - start < 5000) Sleep(10);
  EXPECT_GE(compositor->GetFramesComposed() - after, 10u) << "the ticks compose again";
}

TEST_F(Compositor, RefreshComposesOnlyAtRateZeroWithRefreshOn) {
  Start(0);
  const uint32_t start = compositor->GetFramesComposed();
  compositor->SetRefreshEnabled(FALSE);
  EXPECT_EQ(compositor->Refresh(), S_FALSE);
  compositor->SetRefreshEnabled(TRUE);
  EXPECT_EQ(compositor->Refresh(), S_OK);
  EXPECT_EQ(compositor->GetFramesComposed(), start + 1);

  ASSERT_EQ(compositor->SetFrameRate(25), S_OK);
  compositor->SetRefreshEnabled(TRUE);
  EXPECT_EQ(compositor->Refresh(), S_FALSE) << "the timer composes";
}

TEST_F(Compositor, RefreshFromAnotherThreadWaitsAtMost500MsForTheLock) {
  Start(0);
  compositor->SetRefreshEnabled(TRUE);
  std::atomic<HRESULT> result{E_PENDING};
  std::atomic<DWORD> waited{0};
  {
    CMutexLock lock(compositor->GetLock(), INFINITE);
    std::thread streaming([&] {
      const DWORD begin = GetTickCount();
      result = compositor->Refresh();
      waited = GetTickCount() - begin;
    });
    streaming.join();  // returns although the lock stays held here
  }
  EXPECT_EQ(result, S_FALSE) << "the frame is skipped";
  EXPECT_GE(waited, 400u);
  EXPECT_LT(waited, 2000u);

  std::thread streaming([&] { result = compositor->Refresh(); });
  streaming.join();
  EXPECT_EQ(result, S_OK);
}

TEST_F(Compositor, AFrameThatRunsOutOfMemoryIsSkippedAndReportedOnceForEachSize) {
  Start();
  ASSERT_EQ(compositor->OpenElementFile(MODULE_MAIN_SOURCE, test_support::ColourPath(kBlue)), S_OK);
  Compose();
  ASSERT_EQ(Preview(20, 20), Rgb24(kBlue));
  // Red in the top left quarter, and over everything a warp filter that mirrors the frame
  // left to right, whose map (4 bytes a pixel) is made on the first frame of each size.
  const int32_t red = AddColour(kRed);
  ASSERT_EQ(compositor->SetProperty(red, PROP_LAYOUT_PRESET, "1"), S_OK);
  const int32_t warp = MODULE_LAYER_BASE;
  for (const auto& setting : std::vector<std::pair<int32_t, const char*>>{
           {PROP_SOURCE_TYPE, "9"}, {PROP_LAYOUT_PRESET, "0"}, {PROP_WARP_MODE, "2"},
           {PROP_WARP_PARAM1, "-100"}, {PROP_WARP_PARAM2, "100"}})
    ASSERT_EQ(compositor->SetProperty(warp, setting.first, setting.second), S_OK);
  const std::pair<int32_t, std::string> report = {
      ENGINE_EVENT_FRAME_ERROR, "The frame could not be composed: not enough memory"};
  using Events = std::vector<std::pair<int32_t, std::string>>;
  const uint32_t composed = compositor->GetFramesComposed();
  compositor->SetRefreshEnabled(TRUE);
  {
    ScopedRefusedAllocations refused(320 * 240 * 2, GetCurrentThreadId());
    EXPECT_EQ(compositor->Refresh(), S_FALSE) << "the frame is skipped";
    EXPECT_EQ(compositor->GetFramesComposed(), composed);
    EXPECT_EQ(Preview(20, 20), Rgb24(kBlue)) << "the camera and the preview keep the last frame";
    EXPECT_EQ(sink.Events(), Events{report});
    // The map is not asked for again at this size: the filter leaves the frames alone.
    for (int frame = 0; frame < 2; ++frame) {
      EXPECT_EQ(compositor->Refresh(), S_OK);
      EXPECT_EQ(Preview(20, 20), Rgb24(kRed));
      EXPECT_EQ(Preview(300, 20), Rgb24(kBlue));
    }
    EXPECT_EQ(compositor->GetFramesComposed(), composed + 2);
    EXPECT_EQ(sink.Events(), Events{report}) << "reported once";
  }
  Compose();
  EXPECT_EQ(Preview(20, 20), Rgb24(kRed)) << "not even with memory, until the size changes";

  // A new size: the filter works again.
  sink.width = 352;
  sink.height = 288;
  ASSERT_EQ(compositor->SetOutputSize(352, 288), S_OK);
  Compose();
  EXPECT_EQ(Out(40, 20), Rgb24(kBlue));
  EXPECT_EQ(Out(330, 20), Rgb24(kRed)) << "mirrored";

  // A new size is a new situation: its first failure is reported again, also when the
  // timer thread composes, and the frames after it come without the filter.
  sink.width = 640;
  sink.height = 480;
  ASSERT_EQ(compositor->SetOutputSize(640, 480), S_OK);
  {
    ScopedRefusedAllocations refused(640 * 480 * 2, kEveryThread);
    const uint32_t before = compositor->GetFramesComposed();
    ASSERT_EQ(compositor->SetFrameRate(50), S_OK);
    const DWORD start = GetTickCount();
    while ((sink.Events().size() < 2 || compositor->GetFramesComposed() < before + 3) &&
           GetTickCount() - start < 5000)
      Sleep(10);
    ASSERT_EQ(compositor->SetFrameRate(0), S_OK);
    EXPECT_GE(compositor->GetFramesComposed(), before + 3);
  }
  EXPECT_EQ(sink.Events(), (Events{report, report}));
  Compose();
  EXPECT_EQ(Out(20, 20), Rgb24(kRed)) << "the filter leaves the frames of that size alone";
}

TEST_F(Compositor, ResizingMakesNewPicturesAndRefusesSizesThatAreNotPositive) {
  Start();
  ASSERT_EQ(compositor->OpenElementFile(MODULE_MAIN_SOURCE, test_support::ColourPath(kBlue)), S_OK);
  const int32_t effect = AddColour(kRed);
  ASSERT_EQ(compositor->SetProperty(effect, PROP_LAYOUT_PRESET, "4"), S_OK);

  sink.width = 176;
  sink.height = 144;
  ASSERT_EQ(compositor->SetOutputSize(176, 144), S_OK);
  Compose();
  EXPECT_EQ(compositor->GetOutputPicture().GetWidth(), 176);
  EXPECT_EQ(compositor->GetOutputPicture().GetHeight(), 144);
  EXPECT_EQ(compositor->GetPreviewPicture().GetWidth(), 176);
  {
    CMutexLock lock(compositor->GetLock(), INFINITE);
    const RECT r = compositor->FindModule(effect)->GetRect();
    EXPECT_EQ(r.left, 176 * 52 / 100) << "placed in the new frame";
  }

  for (SIZE bad : {SIZE{0, 144}, SIZE{176, 0}, SIZE{-320, 240}, SIZE{320, -1}}) {
    EXPECT_EQ(compositor->SetOutputSize(bad.cx, bad.cy), E_INVALIDARG);
  }
  EXPECT_EQ(compositor->SetOutputSize(CDibSurface::kMaxSide + 1, 16), E_OUTOFMEMORY);
  Compose();
  EXPECT_EQ(compositor->GetOutputPicture().GetWidth(), 176) << "the old size stays";
  EXPECT_EQ(compositor->GetOutputPicture().GetHeight(), 144);
}

TEST_F(Compositor, StockPicturesAreTheFourSourcePicturesOfTheProgramFolder) {
  Start();
  for (int i = 0; i < 4; ++i) {
    CDibSurface* stock = compositor->GetStockImage(i);
    ASSERT_NE(stock, nullptr);
    EXPECT_EQ(stock->GetWidth(), 320) << i;
    EXPECT_EQ(stock->GetHeight(), 240) << i;
    EXPECT_EQ(stock->GetBitsPerPixel(), 32) << i;
  }
  EXPECT_EQ(compositor->GetStockImage(4), nullptr);
  EXPECT_EQ(compositor->GetStockImage(-1), nullptr);
}

TEST_F(Compositor, ThumbnailOfTheOutputCopiesTheLastFrame) {
  Start();
  ASSERT_EQ(compositor->OpenElementFile(MODULE_MAIN_SOURCE, test_support::ColourPath(kGreen)),
            S_OK);
  const int32_t effect = AddColour(kRed);
  ASSERT_EQ(compositor->SetProperty(effect, PROP_LAYOUT_PRESET, "4"), S_OK);
  Compose();
  ASSERT_EQ(compositor->SetProperty(effect, PROP_EFFECT_MAKE_THUMBNAIL, "-1"), S_OK);
  CMutexLock lock(compositor->GetLock(), INFINITE);
  CDibSurface& thumbnail = compositor->FindModule(effect)->GetThumbnail();
  EXPECT_EQ(PixelAt(thumbnail, 5, 5), Rgb24(kGreen));
  EXPECT_EQ(PixelAt(thumbnail, 66, 50), Rgb24(kRed));
}

TEST_F(Compositor, PropertyChangesArePostedWithTheEffectsIds) {
  Start();
  const int32_t effect = AddColour(kRed);
  sink.Take(0);
  const struct {
    int32_t module;
    int32_t postedAs;
  } cases[] = {{MODULE_MAIN_SOURCE, -1},
               {MODULE_DRAWING_BOARD, EFFECT_ID_DRAWING_BOARD},
               {MODULE_LAYER_BASE - 1, -17},
               {effect, effect}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.module);
    ASSERT_EQ(compositor->SetProperty(c.module, PROP_EFFECT_NAME, "renamed"), S_OK);
    EXPECT_EQ(sink.Take(WM_ENGINE_PROPERTY_CHANGED),
              (std::vector<Posted>{{WM_ENGINE_PROPERTY_CHANGED, c.postedAs, PROP_EFFECT_NAME}}));
  }
}

TEST_F(Compositor, EventsOfEffectsReachTheSink) {
  Start();
  ASSERT_EQ(compositor->Notify(ENGINE_EVENT_MEDIA_ERROR, "C:\\missing.avi"), S_OK);
  ASSERT_EQ(sink.Events().size(), 1u);
  EXPECT_EQ(sink.Events()[0].first, ENGINE_EVENT_MEDIA_ERROR);
  EXPECT_EQ(sink.Events()[0].second, "C:\\missing.avi");
  EXPECT_EQ(compositor->GetCameraName(), "Compositor Test Camera");
  EXPECT_EQ(compositor->GetOutputWidth(), 320);
  EXPECT_EQ(compositor->GetOutputHeight(), 240);
}

}  // namespace
