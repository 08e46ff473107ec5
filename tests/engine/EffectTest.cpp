// The effect document: identity and defaults, property routing and stored forms, drawing
// with the entrance transition, blend modes and face attachment, effect files, the
// thumbnail and the preview.
#include "engine/effects/Effect.h"
#include "engine/vision/BackgroundSegmenter.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include "EngineTestSupport.h"
#include "engine/base/ModuleValues.h"
#include "engine/base/PackageFile.h"
#include "engine/base/SystemUtils.h"
#include "engine/effects/PropertyIds.h"
#include "engine/elements/FrameContext.h"

namespace {

using test_support::Bgra;
using test_support::FakeEffectHost;
using test_support::FromColourRef;
using test_support::PixelAt;
using test_support::ScopedFakeClock;
using ::testing::ElementsAre;

class ScopedOutputSize {
 public:
  ScopedOutputSize(int w, int h) : m_previous(GetModuleOutputSize()) { SetModuleOutputSize(w, h); }
  ~ScopedOutputSize() { SetModuleOutputSize(m_previous.cx, m_previous.cy); }

 private:
  SIZE m_previous;
};

std::string Get(CEffect& effect, int32_t id) {
  std::string value = "unset";
  EXPECT_EQ(effect.GetProperty(id, value), S_OK) << id;
  return value;
}

// A 24-bit output picture of one grey.
struct Output {
  Output(int w, int h, int grey = 100) {
    EXPECT_TRUE(picture.Create(w, h, 24));
    test_support::Fill(picture, Bgra{grey, grey, grey, 255});
    context.output = &picture;
  }
  Bgra At(int x, int y) { return PixelAt(picture, x, y); }
  CDibSurface picture;
  CFrameContext context;
};

// A temporary file removed at the end of the test.
class TempFile {
 public:
  explicit TempFile(const std::string& extension) {
    m_path = GetTempFolder() + "effect_test_" + std::to_string(GetCurrentProcessId()) + "_" +
             std::to_string(s_counter++) + "." + extension;
  }
  ~TempFile() { DeleteFileA(m_path.c_str()); }
  const std::string& Path() const { return m_path; }

 private:
  static inline int s_counter = 0;
  std::string m_path;
};

Bgra Rgb(const Bgra& c) { return {c[0], c[1], c[2], -1}; }

TEST(Effect, FreshEffectHasItsIdentityDefaults) {
  SetHostVersion(0x12345678);
  CEffect effect;
  SetHostVersion(0);
  EXPECT_EQ(Get(effect, PROP_EFFECT_NAME), "Unknow");
  EXPECT_EQ(Get(effect, PROP_EFFECT_CATEGORY), "Misc");
  EXPECT_EQ(Get(effect, PROP_EFFECT_KIND), "Frame");
  EXPECT_EQ(Get(effect, PROP_EFFECT_EXTRA), "Unknow");
  EXPECT_EQ(Get(effect, PROP_EFFECT_VERSION), "16777216");
  EXPECT_EQ(Get(effect, PROP_EFFECT_APP_VERSION), std::to_string(0x5600));
  EXPECT_EQ(Get(effect, PROP_EFFECT_BLEND_MODE), "0");
  EXPECT_EQ(Get(effect, PROP_EFFECT_BACKGROUND), "0");
  EXPECT_EQ(Get(effect, PROP_SEGMENT_ENABLE), "0");
  EXPECT_EQ(Get(effect, PROP_EFFECT_FILE_PATH), "");
  EXPECT_EQ(Get(effect, PROP_SOURCE_TYPE), "0");
  EXPECT_TRUE(effect.HasNoElement());
  EXPECT_FALSE(effect.IsOnTop());
  EXPECT_FALSE(effect.IsStarted());
  EXPECT_FALSE(effect.IsExpired());
}

TEST(Effect, TransitionLevelFallsOverTheFirstTwoSeconds) {
  ScopedFakeClock clock;
  CEffect effect;
  effect.Start();
  struct Case {
    uint32_t at;
    int level;
  };
  uint32_t now = 0;
  for (const Case& c : {Case{0, 256}, Case{1, 256}, Case{1000, 128}, Case{1500, 64}, Case{1999, 1},
                        Case{2000, 0}, Case{60000, 0}}) {
    clock.Advance(c.at - now);
    now = c.at;
    effect.GetLifetime().Update(false);
    EXPECT_EQ(effect.GetTransitionLevel(), c.level) << c.at << " ms";
  }
}

struct RoutingCase {
  int32_t id;
  const char* value;
  const char* readBack;
};

class EffectRouting : public ::testing::TestWithParam<RoutingCase> {};

TEST_P(EffectRouting, EachPartAnswersItsOwnIdsAndNotifiesThroughTheEffect) {
  const RoutingCase& c = GetParam();
  ScopedOutputSize size(8, 8);
  FakeEffectHost host;
  CEffect effect;
  effect.SetHost(&host);
  effect.SetId(5);
  ASSERT_EQ(effect.OpenFile("@color:0x000001"), S_OK);
  host.notifications.clear();
  ASSERT_EQ(effect.SetProperty(c.id, c.value), S_OK);
  EXPECT_EQ(Get(effect, c.id), c.readBack);
  const std::vector<int32_t> posted = host.PropertiesOf(5);
  EXPECT_NE(std::find(posted.begin(), posted.end(), c.id), posted.end())
      << "the change of " << c.id << " is posted under the effect's id";
}

INSTANTIATE_TEST_SUITE_P(
    Holders, EffectRouting,
    ::testing::Values(
        // Layout.
        RoutingCase{PROP_LAYOUT_WIDTH, "64", "64"}, RoutingCase{PROP_LAYOUT_X_MODE, "2", "2"},
        RoutingCase{PROP_LAYOUT_FACE_SCALE, "30", "30"},
        // Lifetime.
        RoutingCase{PROP_LIFETIME_DURATION, "7", "7"},
        RoutingCase{PROP_LIFETIME_TRANSITION, "3", "3"},
        // Source proxy and element.
        RoutingCase{PROP_COLOR_VALUE, "255", "255"}, RoutingCase{PROP_SOURCE_TYPE, "7", "7"},
        // The effect itself.
        RoutingCase{PROP_EFFECT_NAME, "Hat", "Hat"},
        RoutingCase{PROP_EFFECT_CATEGORY, "Fun", "Fun"},
        RoutingCase{PROP_EFFECT_EXTRA, "x|y", "x|y"}, RoutingCase{PROP_EFFECT_VERSION, "12", "12"},
        RoutingCase{PROP_EFFECT_VERSION, "none", "0"},
        RoutingCase{PROP_EFFECT_APP_VERSION, "512", "512"},
        RoutingCase{PROP_EFFECT_KIND, "Emotion", "Emotion"},
        RoutingCase{PROP_EFFECT_BLEND_MODE, "2", "2"},
        RoutingCase{PROP_EFFECT_BLEND_MODE, "4", "0"},
        RoutingCase{PROP_EFFECT_BLEND_MODE, "-1", "0"},
        RoutingCase{PROP_EFFECT_BACKGROUND, "9", "1"}, RoutingCase{PROP_SEGMENT_ENABLE, "1", "1"}));

TEST(Effect, IdsNoPartKnowsFail) {
  CEffect effect;
  std::string value = "kept";
  EXPECT_EQ(effect.GetProperty(0x7777, value), E_FAIL);
  EXPECT_EQ(effect.SetProperty(0x7777, "1"), E_FAIL);
  EXPECT_EQ(effect.SetProperty(PROP_EFFECT_FILE_PATH, "C:\\x.efc"), E_FAIL);
  EXPECT_EQ(effect.GetProperty(PROP_COLOR_VALUE, value), E_FAIL) << "no element";
  EXPECT_EQ(value, "kept");
  EXPECT_EQ(Get(effect, PROP_EFFECT_SAVE_AS), "");
  EXPECT_EQ(Get(effect, PROP_EFFECT_MAKE_THUMBNAIL), "");
}

TEST(Effect, SegmentationSwitchesOnceAndReportsASecondSwitchAsNothingDone) {
  FakeEffectHost host;
  CEffect effect;
  effect.SetHost(&host);
  EXPECT_EQ(effect.SetProperty(PROP_SEGMENT_ENABLE, "1"), S_OK);
  CBackgroundSegmenter* segmenter = effect.GetSegmenter();
  ASSERT_NE(segmenter, nullptr);
  EXPECT_EQ(effect.SetProperty(PROP_SEGMENT_ENABLE, "1"), S_FALSE);
  EXPECT_EQ(effect.GetSegmenter(), segmenter) << "one segmenter";
  EXPECT_TRUE(effect.IsSegmentationOn());
  EXPECT_EQ(effect.SetProperty(PROP_SEGMENT_ENABLE, "0"), S_OK);
  EXPECT_FALSE(effect.IsSegmentationOn());
  EXPECT_EQ(effect.GetSegmenter(), nullptr);
  EXPECT_THAT(host.PropertiesOf(0),
              ElementsAre(PROP_SEGMENT_READY, PROP_SEGMENT_ENABLE, PROP_SEGMENT_ENABLE));
}

TEST(Effect, RefreshRequestsReachTheHostOnlyFromTheMainSource) {
  FakeEffectHost host;
  CEffect effect;
  effect.SetHost(&host);
  EXPECT_EQ(effect.RequestRefresh(), S_FALSE);
  EXPECT_EQ(effect.SetRefreshEnabled(TRUE), S_FALSE);
  EXPECT_EQ(host.refreshes, 0);
  effect.SetMainSource(TRUE);
  EXPECT_EQ(effect.RequestRefresh(), S_OK);
  EXPECT_EQ(effect.SetRefreshEnabled(TRUE), S_OK);
  EXPECT_EQ(host.refreshes, 1);
  EXPECT_THAT(host.refreshEnabled, ElementsAre(TRUE));

  host.width = 352;
  host.height = 288;
  int32_t w = 0, h = 0;
  effect.GetOutputSize(&w, &h);
  EXPECT_EQ(w, 352);
  EXPECT_EQ(h, 288);
  EXPECT_EQ(effect.NotifyHost(1013, "C:\\bad.avi"), S_OK);
  ASSERT_EQ(host.events.size(), 1u);
  EXPECT_EQ(host.events[0].first, 1013);

  CEffect alone;
  alone.GetOutputSize(&w, &h);
  EXPECT_EQ(w, 0);
  EXPECT_EQ(h, 0);
  EXPECT_EQ(alone.NotifyHost(1009, "cam"), S_OK);
}

TEST(Effect, StartRestartsTheClockOnceAndPlaysTheElement) {
  ScopedFakeClock clock;
  ScopedOutputSize size(8, 8);
  CEffect effect;
  ASSERT_EQ(effect.OpenFile("@color:0x000001"), S_OK);
  clock.Advance(5000);
  ASSERT_EQ(effect.Start(), S_OK);
  EXPECT_TRUE(effect.IsStarted());
  EXPECT_EQ(effect.GetSourceProxy().GetState(), STATE_PLAYING);
  EXPECT_EQ(effect.GetLifetime().GetElapsed(), 0);
  clock.Advance(300);
  effect.GetLifetime().Update(false);
  EXPECT_EQ(effect.Start(), S_OK);
  EXPECT_EQ(effect.GetLifetime().GetElapsed(), 300) << "a second start changes nothing";
  effect.Stop();
  EXPECT_FALSE(effect.IsStarted());
  effect.Start();
  EXPECT_EQ(effect.GetLifetime().GetElapsed(), 0);
}

TEST(Effect, ResetRestoresIdentityAndDropsTheElement) {
  ScopedOutputSize size(8, 8);
  CEffect effect;
  ASSERT_EQ(effect.OpenFile("@color:0x000001"), S_OK);
  effect.SetId(9);
  effect.SetProperty(PROP_EFFECT_NAME, "Name");
  effect.SetProperty(PROP_EFFECT_BLEND_MODE, "3");
  effect.SetProperty(PROP_EFFECT_BACKGROUND, "1");
  effect.SetProperty(PROP_LAYOUT_WIDTH, "77");
  effect.SetOnTop(TRUE);
  effect.Start();
  ASSERT_EQ(effect.Reset(), S_OK);
  EXPECT_EQ(Get(effect, PROP_EFFECT_NAME), "Unknow");
  EXPECT_EQ(effect.GetBlendMode(), 0);
  EXPECT_FALSE(effect.IsBackground());
  EXPECT_FALSE(effect.IsOnTop());
  EXPECT_FALSE(effect.IsStarted());
  EXPECT_TRUE(effect.HasNoElement());
  EXPECT_EQ(effect.GetId(), 9);
  EXPECT_EQ(Get(effect, PROP_LAYOUT_WIDTH), "77");
  EXPECT_EQ(effect.GetFilePath(), "@color:0x000001");
}

// --- Drawing -------------------------------------------------------------------------

constexpr DWORD kColour = 0x3060C0;  // red 0xC0, green 0x60, blue 0x30

// An effect showing a 4 x 4 square of kColour at (2, 1) of the output.
void MakeSquare(CEffect& effect) {
  SetModuleOutputSize(4, 4);
  ASSERT_EQ(effect.OpenFile("@color:0x3060C0"), S_OK);
  effect.SetRect(RECT{2, 1, 6, 5});
  effect.Start();
}

int Mix(int s, int d, int a) { return std::min(255, (s * a + d * (255 - a)) / 255); }

struct BlendCase {
  int mode;
  std::function<int(int s, int d, int luma)> rule;
  const char* name;
};

class EffectBlend : public ::testing::TestWithParam<BlendCase> {};

TEST_P(EffectBlend, DrawsEachChannelByTheModesRule) {
  const BlendCase& c = GetParam();
  ScopedFakeClock clock;
  ScopedOutputSize size(4, 4);
  CEffect effect;
  MakeSquare(effect);
  effect.SetProperty(PROP_EFFECT_BLEND_MODE, std::to_string(c.mode));
  clock.Advance(5000);
  Output out(8, 6, 100);
  ASSERT_EQ(effect.Render(&out.context), S_OK);
  const Bgra s = FromColourRef(kColour, 255);
  const int luma = (s[0] + s[1] + s[2]) / 3;
  const Bgra expected = {c.rule(s[0], 100, luma), c.rule(s[1], 100, luma), c.rule(s[2], 100, luma),
                         -1};
  for (int y = 1; y < 5; ++y)
    for (int x = 2; x < 6; ++x) EXPECT_EQ(out.At(x, y), expected) << c.name << " " << x << "," << y;
  EXPECT_EQ(out.At(1, 1), (Bgra{100, 100, 100, -1})) << "outside the square";
  EXPECT_EQ(out.At(6, 5), (Bgra{100, 100, 100, -1}));
}

INSTANTIATE_TEST_SUITE_P(
    Modes, EffectBlend,
    ::testing::Values(BlendCase{0, [](int s, int, int) { return s; }, "alpha"},
                      BlendCase{1, [](int s, int d, int l) { return Mix(s, d, l); }, "luma"},
                      BlendCase{2, [](int s, int d, int l) { return Mix(s, d, 255 - l); },
                                "inverse luma"},
                      BlendCase{3, [](int s, int d, int) { return std::min(255, s + d); }, "add"}));

struct TransitionCase {
  int transition;
  uint32_t at;  // ms after the start
  std::function<int(int s, int d)> rule;
  const char* name;
};

class EffectTransition : public ::testing::TestWithParam<TransitionCase> {};

TEST_P(EffectTransition, EntranceChangesBrightnessOrAlphaByTheLevel) {
  const TransitionCase& c = GetParam();
  ScopedFakeClock clock;
  ScopedOutputSize size(4, 4);
  CEffect effect;
  MakeSquare(effect);
  effect.SetProperty(PROP_LIFETIME_TRANSITION, std::to_string(c.transition));  // restarts
  clock.Advance(c.at);
  Output out(8, 6, 100);
  ASSERT_EQ(effect.Render(&out.context), S_OK);
  const Bgra s = FromColourRef(kColour, 255);
  EXPECT_EQ(out.At(3, 2), (Bgra{c.rule(s[0], 100), c.rule(s[1], 100), c.rule(s[2], 100), -1}))
      << c.name << " at " << c.at;
}

int Clamp(int v) { return std::max(0, std::min(255, v)); }

INSTANTIATE_TEST_SUITE_P(
    Times, EffectTransition,
    ::testing::Values(
        TransitionCase{1, 1000, [](int s, int) { return Clamp(s + 128); }, "brighten"},
        TransitionCase{1, 1999, [](int s, int) { return Clamp(s + 1); }, "brighten"},
        TransitionCase{1, 0, [](int s, int) { return Clamp(s + 255); }, "brighten"},
        TransitionCase{2, 1000, [](int s, int) { return Clamp(s - 128); }, "darken"},
        TransitionCase{2, 1500, [](int s, int) { return Clamp(s - 64); }, "darken"},
        TransitionCase{3, 1000, [](int s, int d) { return Mix(s, d, 127); }, "fade in"},
        TransitionCase{3, 0, [](int, int d) { return d; }, "fade in"},
        TransitionCase{3, 2000, [](int s, int) { return s; }, "fade in"},
        TransitionCase{1, 2500, [](int s, int) { return s; }, "brighten"},
        TransitionCase{0, 500, [](int s, int) { return s; }, "none"},
        TransitionCase{9, 500, [](int s, int) { return s; }, "unknown"}));

TEST(Effect, PausedEffectsKeepTheirAnimatedPlace) {
  ScopedFakeClock clock;
  ScopedOutputSize size(4, 4);
  CEffect effect;
  MakeSquare(effect);
  effect.SetFrameRect(RECT{0, 0, 104, 50});
  effect.SetProperty(PROP_LAYOUT_X_MODE, "6");  // scroll ...
  effect.SetProperty(PROP_LAYOUT_X, "-1");      // ... leftwards, 10 pixels a second
  Output out(104, 50);
  clock.Advance(1000);
  effect.Render(&out.context);
  EXPECT_EQ(effect.GetRect().left, 94);
  effect.SetPaused(TRUE);
  clock.Advance(3000);
  effect.Render(&out.context);
  EXPECT_EQ(effect.GetRect().left, 94);
  effect.SetPaused(FALSE);
  clock.Advance(1000);
  effect.Render(&out.context);
  EXPECT_EQ(effect.GetRect().left, 84);
}

TEST(Effect, RenderWithoutPictureDrawsNothingAndSaysSo) {
  CEffect effect;
  Output out(8, 6);
  EXPECT_EQ(effect.Render(&out.context), S_FALSE);
  EXPECT_EQ(out.At(0, 0), (Bgra{100, 100, 100, -1}));
  EXPECT_EQ(effect.Render(nullptr), E_POINTER);
}

TEST(Effect, MainSourceWithoutElementShowsStockPictureTwo) {
  FakeEffectHost host;
  ASSERT_TRUE(host.stock[2].Create(4, 4, 32));
  test_support::Fill(host.stock[2], Bgra{10, 20, 30, 255});
  CEffect effect;
  effect.SetHost(&host);
  effect.SetMainSource(TRUE);
  effect.SetFrameRect(RECT{0, 0, 16, 12});
  effect.ApplyPreset(9);
  Output out(16, 12);
  EXPECT_EQ(effect.Render(&out.context), S_OK);
  EXPECT_EQ(out.At(0, 0), (Bgra{10, 20, 30, -1}));
  EXPECT_EQ(out.At(15, 11), (Bgra{10, 20, 30, -1}));

  // Without a host nothing is drawn.
  CEffect lonely;
  lonely.SetMainSource(TRUE);
  Output blank(16, 12);
  EXPECT_EQ(lonely.Render(&blank.context), S_OK);
  EXPECT_EQ(blank.At(5, 5), (Bgra{100, 100, 100, -1}));
}

class EffectFace : public ::testing::Test {
 protected:
  // A 16 x 12 square of kColour attached to the face, with the blend mode "add".
  void SetUp() override {
    SetModuleOutputSize(16, 12);
    ASSERT_EQ(effect.OpenFile("@color:0x3060C0"), S_OK);
    effect.SetProperty(PROP_EFFECT_BLEND_MODE, "3");
    effect.SetFrameRect(RECT{0, 0, 80, 60});
    effect.SetRect(RECT{0, 0, 16, 12});
    effect.ApplyPreset(8);  // face attachment, placed at (3, 3)
    clock.Advance(5000);
  }
  void TearDown() override { SetModuleOutputSize(320, 240); }

  ScopedFakeClock clock;
  CEffect effect;
};

TEST_F(EffectFace, WithoutFaceItIsHiddenUnlessAskedToShow) {
  Output out(80, 60);
  EXPECT_TRUE(effect.IsFaceAttached());
  EXPECT_EQ(effect.Render(&out.context), S_OK);
  EXPECT_EQ(out.At(8, 8), (Bgra{100, 100, 100, -1}));

  effect.SetProperty(PROP_LAYOUT_SHOW_WITHOUT_FACE, "1");
  EXPECT_EQ(effect.Render(&out.context), S_OK);
  EXPECT_EQ(Rgb(out.At(8, 8)), Rgb(FromColourRef(kColour, 255))) << "alpha drawing, not add";
  EXPECT_EQ(out.At(2, 2), (Bgra{100, 100, 100, -1}));
}

TEST_F(EffectFace, WithAFaceItIsScaledAndTurnedAroundIt) {
  Output out(80, 60);
  out.context.faceFound = 1;
  out.context.faceX = 40;
  out.context.faceY = 30;
  out.context.faceSize = 8;  // scale = 8 * 400 / (100 * 16) = 2: a 32 x 24 picture
  out.context.faceAngle = 0;
  EXPECT_EQ(effect.Render(&out.context), S_OK);
  const Bgra colour = Rgb(FromColourRef(kColour, 255));
  EXPECT_EQ(Rgb(out.At(40, 30)), colour);
  EXPECT_EQ(Rgb(out.At(30, 24)), colour);
  EXPECT_EQ(Rgb(out.At(50, 36)), colour);
  EXPECT_EQ(out.At(20, 30), (Bgra{100, 100, 100, -1})) << "beyond the scaled picture";
  EXPECT_EQ(out.At(8, 8), (Bgra{100, 100, 100, -1})) << "not at the layout's place";

  // The face is found again in the next frame at another place.
  Output next(80, 60);
  next.context = out.context;
  next.context.output = &next.picture;
  next.context.faceX = 20;
  next.context.faceY = 20;
  next.context.faceSize = 4;
  effect.Render(&next.context);
  EXPECT_EQ(Rgb(next.At(20, 20)), colour);
  EXPECT_EQ(next.At(40, 30), (Bgra{100, 100, 100, -1}));
}

TEST_F(EffectFace, WithAFaceAndNoScaleItIsDrawnAtItsPlace) {
  effect.SetProperty(PROP_LAYOUT_FACE_SCALE, "100");  // stored 0
  Output out(80, 60);
  out.context.faceFound = 1;
  out.context.faceX = 40;
  out.context.faceY = 30;
  out.context.faceSize = 8;
  EXPECT_EQ(effect.Render(&out.context), S_OK);
  EXPECT_EQ(Rgb(out.At(8, 8)), Rgb(FromColourRef(kColour, 255)));
  EXPECT_EQ(out.At(40, 30), (Bgra{100, 100, 100, -1}));
}

// --- Files -----------------------------------------------------------------------------

TEST(Effect, OpeningASourcePathFitsTheLayoutToIt) {
  ScopedOutputSize size(24, 16);
  FakeEffectHost host;
  CEffect effect;
  effect.SetHost(&host);
  effect.SetFrameRect(RECT{0, 0, 320, 240});
  effect.SetProperty(PROP_EFFECT_NAME, "Old name");
  ASSERT_EQ(effect.OpenFile("@color:0x00FF00"), S_OK);
  EXPECT_EQ(Get(effect, PROP_EFFECT_NAME), "Unknow") << "the effect was reset";
  EXPECT_EQ(Get(effect, PROP_SOURCE_TYPE), "3");
  EXPECT_EQ(Get(effect, PROP_LAYOUT_WIDTH), "24");
  EXPECT_EQ(Get(effect, PROP_LAYOUT_HEIGHT), "16");
  EXPECT_EQ(Get(effect, PROP_LAYOUT_WIDTH_MODE), "0");
  EXPECT_EQ(Get(effect, PROP_LAYOUT_HEIGHT_MODE), "0");
  EXPECT_EQ(effect.GetFilePath(), "@color:0x00FF00");
  EXPECT_EQ(Get(effect, PROP_EFFECT_FILE_PATH), "@color:0x00FF00");
}

TEST(Effect, AFailedSourceOpenLeavesAResetEffectWithoutElement) {
  ScopedOutputSize size(8, 8);
  CEffect effect;
  ASSERT_EQ(effect.OpenFile("@color:0x00FF00"), S_OK);
  effect.SetProperty(PROP_EFFECT_NAME, "Named");
  EXPECT_EQ(effect.OpenFile("C:\\no\\such\\picture.png"), E_FAIL);
  EXPECT_EQ(effect.GetSourceProxy().GetElement(), nullptr);
  EXPECT_EQ(Get(effect, PROP_EFFECT_NAME), "Unknow");
  EXPECT_TRUE(FAILED(effect.OpenFile("C:\\no\\such\\file.efc")));
}

// An effect with every stored setting changed from its default.
void Decorate(CEffect& effect) {
  ASSERT_EQ(effect.OpenFile("@color:0x123456"), S_OK);
  effect.SetName("Sunny");
  effect.SetCategory("Weather");
  effect.SetKind("Mask");
  effect.SetProperty(PROP_EFFECT_EXTRA, "extra text");
  effect.SetProperty(PROP_EFFECT_BLEND_MODE, "3");
  effect.SetProperty(PROP_EFFECT_BACKGROUND, "1");
  effect.SetProperty(PROP_EFFECT_VERSION, "5");
  effect.SetProperty(PROP_LAYOUT_PRESET, "4");
  effect.SetProperty(PROP_LAYOUT_KEEP_ASPECT, "1");
  effect.SetProperty(PROP_LIFETIME_MODE, "2");
  effect.SetProperty(PROP_LIFETIME_DURATION, "5");
  effect.SetProperty(PROP_LIFETIME_TRANSITION, "2");
}

TEST(Effect, SavesItsItemsInFileOrder) {
  ScopedOutputSize size(8, 8);
  SetHostVersion(0x0102ABCD);
  CEffect effect;
  Decorate(effect);
  CPackageFile package(kEffectFileTag);
  ASSERT_EQ(effect.Save(package), S_OK);
  SetHostVersion(0);
  std::vector<uint32_t> ids;
  for (const auto& item : package.GetItems()) ids.push_back(item.id);
  EXPECT_THAT(ids, ElementsAre(0, 1, 8, 3, 4, 5, 10, 4138, 6, 4139, 4110, 4106, 4107, 4100, 4101,
                               4115, 4116, 4097, 4098, 4118, 4126, 12, 13, 4104, 4117, 0x1010));
  EXPECT_EQ(package.GetText(0, ""), "Sunny");
  EXPECT_EQ(package.GetText(8, ""), "Mask");
  EXPECT_EQ(package.GetInt(4, 0), 0x1000000) << "whatever the version property says";
  EXPECT_EQ(package.GetInt(5, 0), 0xAB00);
  EXPECT_EQ(package.Find(10)->type, CPackageFile::kTypeBytes);
  EXPECT_EQ(package.GetInt(6, 0), 18);
  EXPECT_EQ(package.GetInt(13, 0), 5000);
  EXPECT_EQ(package.GetInt(4117, 0), 3);
}

TEST(Effect, EffectFileRoundTripsThroughSaveToFileAndOpenFile) {
  ScopedOutputSize size(8, 8);
  TempFile file("EFC");
  CEffect effect;
  Decorate(effect);
  ASSERT_EQ(effect.SaveToFile(file.Path()), S_OK);
  EXPECT_EQ(effect.GetFilePath(), GetLongPath(file.Path()));

  CEffect loaded;
  loaded.SetProperty(PROP_EFFECT_NAME, "to be replaced");
  ASSERT_EQ(loaded.OpenFile(file.Path()), S_OK);
  EXPECT_EQ(loaded.GetFilePath(), GetLongPath(file.Path()));
  for (int32_t id : {0,    1,    3,    8,    4138, 4139, 4097, 4098, 4100,   4101,
                     4106, 4107, 4115, 4116, 4126, 12,   13,   4104, 0x1015, 0x1010}) {
    EXPECT_EQ(Get(loaded, id), Get(effect, id)) << id;
  }
  EXPECT_EQ(Get(loaded, PROP_EFFECT_VERSION), "16777216");
  EXPECT_FALSE(loaded.IsStarted());
}

TEST(Effect, PackagesOfAnotherTagAreRefused) {
  TempFile file("efc");
  CPackageFile other(MakePackageTag("ABCD"));
  other.SetInt(PROP_LEGACY_KIND, 18);
  ASSERT_EQ(other.Save(file.Path()), S_OK);
  CEffect effect;
  EXPECT_EQ(effect.OpenFile(file.Path()), E_FAIL);
  EXPECT_EQ(effect.LoadElementFromFile(file.Path()), E_FAIL);
  EXPECT_EQ(effect.GetFilePath(), "");
}

// A package as older versions wrote it: a 320 x 240 pixel layout, a colour element.
CPackageFile OldPackage(const char* kind, bool withVersion) {
  CPackageFile package(kEffectFileTag);
  package.SetText(PROP_EFFECT_KIND, kind);
  if (withVersion) package.SetInt(PROP_EFFECT_VERSION, 0x1000000);
  package.SetInt(PROP_LAYOUT_WIDTH, 320);
  package.SetInt(PROP_LAYOUT_HEIGHT, 240);
  package.SetInt(PROP_LIFETIME_MODE, 0);
  package.SetInt(PROP_LIFETIME_DURATION, 10000);
  package.SetInt(PROP_LEGACY_KIND, 18);
  package.SetInt(PROP_SOURCE_TYPE, ELEMENT_COLOR);
  package.SetInt(PROP_COLOR_VALUE, 0xFF);
  return package;
}

TEST(Effect, OldFilesPlayFullFrameAndOldEmotionsEndAfterTheirDuration) {
  ScopedFakeClock clock;
  ScopedOutputSize size(8, 8);
  CPackageFile old = OldPackage("eMoTiOn", false);
  CEffect effect;
  ASSERT_EQ(effect.Load(old), S_OK);
  EXPECT_EQ(Get(effect, PROP_EFFECT_VERSION), "0");
  EXPECT_EQ(Get(effect, PROP_LAYOUT_WIDTH_MODE), "1");
  EXPECT_EQ(Get(effect, PROP_LAYOUT_WIDTH), "100");
  EXPECT_EQ(effect.GetLifetime().GetEffectiveMode(), LIFETIME_TIMED);
  effect.Start();
  effect.SetFrameRect(RECT{0, 0, 640, 480});
  Output out(640, 480);
  clock.Advance(10001);
  effect.Render(&out.context);
  EXPECT_EQ(Rgb(out.At(639, 479)), (Bgra{0, 0, 255, -1})) << "the whole frame";
  EXPECT_TRUE(effect.IsExpired());

  CPackageFile current = OldPackage("Emotion", true);
  CEffect modern;
  ASSERT_EQ(modern.Load(current), S_OK);
  EXPECT_EQ(Get(modern, PROP_LAYOUT_WIDTH_MODE), "0");
  EXPECT_EQ(modern.GetLifetime().GetEffectiveMode(), LIFETIME_ENDLESS);

  CPackageFile oldFrame = OldPackage("Frame", false);
  CEffect frame;
  ASSERT_EQ(frame.Load(oldFrame), S_OK);
  EXPECT_EQ(frame.GetLifetime().GetEffectiveMode(), LIFETIME_ENDLESS);
}

TEST(Effect, LoadingRangeChecksTheEffectsOwnItems) {
  ScopedOutputSize size(8, 8);
  CPackageFile package = OldPackage("Frame", true);
  package.SetInt(PROP_EFFECT_BLEND_MODE, 77);
  package.SetInt(PROP_EFFECT_BACKGROUND, -2);
  CEffect effect;
  ASSERT_EQ(effect.Load(package), S_OK);
  EXPECT_EQ(effect.GetBlendMode(), 0);
  EXPECT_TRUE(effect.IsBackground());
}

TEST(Effect, TextElementsGetTheTextLayout) {
  CPackageFile package(kEffectFileTag);
  package.SetInt(PROP_LEGACY_KIND, 6);
  package.SetText(PROP_TEXT, "Hello");
  CEffect effect;
  ASSERT_EQ(effect.Load(package), S_OK);
  EXPECT_EQ(Get(effect, PROP_SOURCE_TYPE), "7");
  EXPECT_EQ(Get(effect, PROP_LAYOUT_TEXT_FIT), "1");
  EXPECT_EQ(Get(effect, PROP_LAYOUT_WIDTH_MODE), "2");
  EXPECT_EQ(Get(effect, PROP_TEXT), "Hello");
}

TEST(Effect, AnElementThatCannotLoadFailsTheLoad) {
  CPackageFile package(kEffectFileTag);
  package.SetInt(PROP_LEGACY_KIND, 5);
  CEffect effect;
  EXPECT_EQ(effect.Load(package), E_FAIL);
  EXPECT_EQ(effect.GetSourceProxy().GetElement(), nullptr);
}

TEST(Effect, AnEffectWithoutElementIsNotWrittenToAFile) {
  TempFile file("efc");
  CEffect effect;
  EXPECT_EQ(effect.SaveToFile(file.Path()), E_FAIL);
  EXPECT_EQ(GetFileAttributesA(file.Path().c_str()), INVALID_FILE_ATTRIBUTES);
  EXPECT_EQ(effect.GetFilePath(), "");
}

TEST(Effect, SaveAsPropertyWritesTheFile) {
  ScopedOutputSize size(8, 8);
  TempFile file("efc");
  CEffect effect;
  ASSERT_EQ(effect.OpenFile("@color:0x00FF00"), S_OK);
  ASSERT_EQ(effect.SetProperty(PROP_EFFECT_SAVE_AS, file.Path()), S_OK);
  EXPECT_NE(GetFileAttributesA(file.Path().c_str()), INVALID_FILE_ATTRIBUTES);
}

TEST(Effect, LoadElementFromFileTakesOnlyTheSource) {
  ScopedOutputSize size(8, 8);
  TempFile file("efc");
  CEffect source;
  Decorate(source);
  ASSERT_EQ(source.SaveToFile(file.Path()), S_OK);

  CEffect effect;
  effect.SetProperty(PROP_EFFECT_NAME, "Mine");
  effect.SetProperty(PROP_LIFETIME_DURATION, "42");
  effect.Start();
  ASSERT_EQ(effect.LoadElementFromFile(file.Path()), S_OK);
  EXPECT_EQ(Get(effect, PROP_EFFECT_NAME), "Mine");
  EXPECT_EQ(Get(effect, PROP_LIFETIME_DURATION), "42");
  EXPECT_EQ(Get(effect, PROP_COLOR_VALUE), std::to_string(0x123456));
  EXPECT_FALSE(effect.IsStarted());
  EXPECT_EQ(effect.GetFilePath(), "");
}

// --- Thumbnail and preview --------------------------------------------------------------

TEST(Effect, ThumbnailOfTheOutputCopiesTheHostsFrameOrStaysWhite) {
  CEffect alone;
  ASSERT_EQ(alone.MakeThumbnail(-1), S_OK);
  CDibSurface& white = alone.GetThumbnail();
  ASSERT_EQ(white.GetWidth(), 72);
  ASSERT_EQ(white.GetHeight(), 54);
  EXPECT_EQ(white.GetBitsPerPixel(), 24);
  EXPECT_EQ(PixelAt(white, 0, 0), (Bgra{255, 255, 255, -1}));
  EXPECT_EQ(PixelAt(white, 71, 53), (Bgra{255, 255, 255, -1}));

  FakeEffectHost host;
  host.outputColour = {1, 2, 3, 255};
  CEffect hosted;
  hosted.SetHost(&host);
  ASSERT_EQ(hosted.SetProperty(PROP_EFFECT_MAKE_THUMBNAIL, "-1"), S_OK);
  EXPECT_EQ(host.copies, 1);
  EXPECT_EQ(PixelAt(hosted.GetThumbnail(), 36, 27), (Bgra{1, 2, 3, -1}));
}

TEST(Effect, ThumbnailFitsTheSourceOnTheColourOrCoversItForFaceEffects) {
  ScopedOutputSize size(16, 6);  // wider than the thumbnail: 72 x 27, centred
  CEffect effect;
  ASSERT_EQ(effect.OpenFile("@color:0x3060C0"), S_OK);
  ASSERT_EQ(effect.MakeThumbnail(0x0000FF), S_OK);
  CDibSurface& thumb = effect.GetThumbnail();
  const Bgra red = {0, 0, 255, -1};
  const Bgra colour = Rgb(FromColourRef(kColour, 255));
  EXPECT_EQ(PixelAt(thumb, 36, 5), red);
  EXPECT_EQ(PixelAt(thumb, 36, 12), red);
  EXPECT_EQ(PixelAt(thumb, 36, 14), colour);
  EXPECT_EQ(PixelAt(thumb, 0, 27), colour);
  EXPECT_EQ(PixelAt(thumb, 71, 38), colour);
  EXPECT_EQ(PixelAt(thumb, 36, 50), red);
  // The file keeps the thumbnail as PNG: it decodes to the same picture.
  CDibSurface decoded;
  ASSERT_EQ(decoded.LoadPicture(effect.GetThumbnailBytes().data(),
                                int64_t(effect.GetThumbnailBytes().size())),
            S_OK);
  ASSERT_EQ(decoded.GetWidth(), 72);
  ASSERT_EQ(decoded.GetHeight(), 54);
  EXPECT_EQ(PixelAt(decoded, 36, 5), (Bgra{0, 0, 255, 255}));
  EXPECT_EQ(PixelAt(decoded, 0, 27), (Bgra{colour[0], colour[1], colour[2], 255}));

  effect.ApplyPreset(8);
  ASSERT_EQ(effect.MakeThumbnail(0x0000FF), S_OK);
  EXPECT_EQ(PixelAt(effect.GetThumbnail(), 36, 1), colour);
  EXPECT_EQ(PixelAt(effect.GetThumbnail(), 0, 53), colour);

  // Without a picture the effect picture is drawn on the colour: its corners are clear.
  CEffect empty;
  ASSERT_EQ(empty.MakeThumbnail(0x00FF00), S_OK);
  EXPECT_EQ(PixelAt(empty.GetThumbnail(), 2, 2), (Bgra{0, 255, 0, -1}));
  EXPECT_NE(PixelAt(empty.GetThumbnail(), 36, 27), (Bgra{0, 255, 0, -1}));
  EXPECT_FALSE(empty.GetThumbnailBytes().empty());
}

TEST(Effect, PaintPreviewStretchesThePictureOrFillsBlack) {
  ScopedOutputSize size(4, 4);
  CDibSurface target;
  ASSERT_TRUE(target.Create(40, 20, 24));
  test_support::Fill(target, Bgra{100, 100, 100, 255});
  CEffect effect;
  ASSERT_EQ(effect.OpenFile("@color:0x3060C0"), S_OK);
  ASSERT_EQ(effect.PaintPreview(target.GetDC(), 2, 2, 16, 8), S_OK);
  GdiFlush();
  EXPECT_EQ(PixelAt(target, 10, 5), Rgb(FromColourRef(kColour, 255)));
  EXPECT_EQ(PixelAt(target, 25, 5), (Bgra{100, 100, 100, -1}));

  CEffect empty;
  ASSERT_EQ(empty.PaintPreview(target.GetDC(), 20, 10, 10, 5), S_OK);
  GdiFlush();
  EXPECT_EQ(PixelAt(target, 25, 12), (Bgra{0, 0, 0, -1}));
  EXPECT_EQ(PixelAt(target, 31, 12), (Bgra{100, 100, 100, -1}));
}

}  // namespace
