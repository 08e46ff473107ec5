// The effect layout: sizes, placements (also animated), presets, keep-aspect fitting, the
// property ids with their stored forms, and the effect-file items.
#include "engine/effects/EffectLayout.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <climits>
#include <ostream>
#include <string>
#include <tuple>
#include <vector>

#include "engine/base/PackageFile.h"
#include "engine/effects/PropertyIds.h"
#include "engine/effects/PropertyNotify.h"

namespace {

using ::testing::ElementsAre;

class NotifyRecorder : public IPropertyNotify {
 public:
  HRESULT NotifyChange(int32_t id) override {
    ids.push_back(id);
    return S_OK;
  }
  std::vector<int32_t> ids;
};

struct Rect {
  int left, top, right, bottom;
  bool operator==(const Rect& o) const {
    return left == o.left && top == o.top && right == o.right && bottom == o.bottom;
  }
};
std::ostream& operator<<(std::ostream& os, const Rect& r) {
  return os << "(" << r.left << ", " << r.top << ", " << r.right << ", " << r.bottom << ")";
}
Rect Of(const RECT& r) { return {r.left, r.top, r.right, r.bottom}; }

// A layout in a frame of the given size with a source of the given size.
void Place(CEffectLayout& layout, int frameW, int frameH, int sourceW, int sourceH) {
  layout.SetFrameRect(RECT{0, 0, frameW, frameH});
  layout.SetSourceSize(sourceW, sourceH);
}

std::string Get(CEffectLayout& layout, int32_t id) {
  std::string value = "unset";
  EXPECT_EQ(layout.GetProperty(id, value), S_OK) << id;
  return value;
}

void Set(CEffectLayout& layout, int32_t id, const std::string& value) {
  ASSERT_EQ(layout.SetProperty(id, value), S_OK) << id;
}

TEST(EffectLayout, DefaultShowsTheSourceAtItsOwnSizeTopLeft) {
  CEffectLayout layout;
  Place(layout, 320, 240, 200, 100);
  layout.Compute(false);
  EXPECT_EQ(Of(layout.GetPlacementRect()), (Rect{0, 0, 200, 100}));
  EXPECT_EQ(Of(layout.GetDrawnRect()), (Rect{0, 0, 200, 100}));
}

struct PresetCase {
  int preset;
  Rect placement;
  Rect drawn;
};

class EffectLayoutPreset : public ::testing::TestWithParam<PresetCase> {};

TEST_P(EffectLayoutPreset, PlacesA200x100SourceIn320x240) {
  const PresetCase& c = GetParam();
  CEffectLayout layout;
  Place(layout, 320, 240, 200, 100);
  layout.Compute(false);
  layout.ApplyPreset(c.preset);
  EXPECT_EQ(Of(layout.GetPlacementRect()), c.placement);
  EXPECT_EQ(Of(layout.GetDrawnRect()), c.drawn);
}

INSTANTIATE_TEST_SUITE_P(
    AllPresets, EffectLayoutPreset,
    ::testing::Values(PresetCase{0, {0, 0, 320, 240}, {0, 0, 320, 240}},
                      PresetCase{1, {6, 4, 153, 114}, {6, 4, 153, 114}},
                      PresetCase{2, {6, 124, 153, 234}, {6, 124, 153, 234}},
                      PresetCase{3, {166, 4, 313, 114}, {166, 4, 313, 114}},
                      PresetCase{4, {166, 124, 313, 234}, {166, 124, 313, 234}},
                      PresetCase{5, {86, 64, 233, 174}, {86, 64, 233, 174}},
                      // Bounce at speed 3 starts at the far end of the free space, at the bottom.
                      PresetCase{6, {120, 140, 320, 240}, {120, 140, 320, 240}},
                      PresetCase{7, {60, 70, 260, 170}, {60, 70, 260, 170}},
                      PresetCase{8, {3, 3, 203, 103}, {3, 3, 203, 103}},
                      PresetCase{9, {0, 0, 320, 240}, {0, 40, 320, 200}},
                      PresetCase{10, {0, 0, 200, 100}, {0, 0, 200, 100}},
                      PresetCase{11, {0, 0, 200, 100}, {0, 0, 200, 100}},
                      PresetCase{12, {0, 0, 200, 100}, {0, 0, 200, 100}},
                      PresetCase{-1, {0, 0, 200, 100}, {0, 0, 200, 100}}));

TEST(EffectLayout, PresetsSetTheirFlags) {
  CEffectLayout layout;
  layout.ApplyPreset(8);
  EXPECT_EQ(layout.GetFaceAttach(), 1);
  layout.ApplyPreset(9);
  EXPECT_TRUE(layout.GetKeepAspect());
  EXPECT_FALSE(layout.GetTextFit());
  layout.ApplyPreset(11);
  EXPECT_TRUE(layout.GetTextFit());
  EXPECT_EQ(Get(layout, PROP_LAYOUT_TEXT_FIT), "1");
}

TEST(EffectLayout, Preset4IsTheBottomRightQuarterOf320x240) {
  CEffectLayout layout;
  Place(layout, 320, 240, 0, 0);
  layout.ApplyPreset(4);
  EXPECT_EQ(Of(layout.GetPlacementRect()), (Rect{166, 124, 166 + 147, 124 + 110}));
}

TEST(EffectLayout, KeepAspectFitsAndCentresTheSource) {
  struct Case {
    int sourceW, sourceH;
    Rect drawn;
  };
  for (const Case& c : {Case{400, 300, {0, 0, 320, 240}}, Case{300, 300, {40, 0, 280, 240}},
                        Case{0, 0, {0, 0, 320, 240}}}) {
    CEffectLayout layout;
    Place(layout, 320, 240, c.sourceW, c.sourceH);
    layout.ApplyPreset(9);
    EXPECT_EQ(Of(layout.GetPlacementRect()), (Rect{0, 0, 320, 240}));
    EXPECT_EQ(Of(layout.GetDrawnRect()), c.drawn) << c.sourceW << "x" << c.sourceH;
  }
}

struct MotionCase {
  int value;      // x value
  int width;      // effect width in pixels
  int elapsed;    // ms
  int expectedX;  // left edge
};

std::ostream& operator<<(std::ostream& os, const MotionCase& c) {
  return os << "x value " << c.value << ", width " << c.width << ", " << c.elapsed << " ms";
}

int MovingLeft(int mode, const MotionCase& c) {
  CEffectLayout layout;
  Place(layout, 320, 240, 0, 0);
  layout.SetSize(c.width, 50, SIZE_PIXELS, SIZE_PIXELS);
  EXPECT_EQ(layout.SetProperty(PROP_LAYOUT_X_MODE, std::to_string(mode)), S_OK);
  EXPECT_EQ(layout.SetProperty(PROP_LAYOUT_X, std::to_string(c.value)), S_OK);
  layout.SetElapsed(c.elapsed);
  layout.Compute(false);
  EXPECT_EQ(layout.GetPlacementRect().right - layout.GetPlacementRect().left, c.width);
  return layout.GetPlacementRect().left;
}

class EffectLayoutBounce : public ::testing::TestWithParam<MotionCase> {};

TEST_P(EffectLayoutBounce, MovesBackAndForthAcrossTheFreeSpace) {
  EXPECT_EQ(MovingLeft(PLACE_BOUNCE, GetParam()), GetParam().expectedX);
}

INSTANTIATE_TEST_SUITE_P(
    Times, EffectLayoutBounce,
    ::testing::Values(MotionCase{10, 120, 0, 200}, MotionCase{10, 120, 1000, 100},
                      MotionCase{10, 120, 2000, 0}, MotionCase{10, 120, 3000, 100},
                      MotionCase{10, 120, 4000, 200}, MotionCase{10, 120, 500, 150},
                      // The speed is limited to 1..10 pixels per 100 ms.
                      MotionCase{50, 120, 1000, 100}, MotionCase{-4, 120, 1000, 190},
                      // Wider than the frame: it sweeps from 0 to -(400 - 320).
                      MotionCase{10, 400, 0, 0}, MotionCase{10, 400, 800, -80},
                      MotionCase{10, 400, 400, -40},
                      // No free space at all: it stands at 0.
                      MotionCase{10, 320, 1234, 0}));

class EffectLayoutScroll : public ::testing::TestWithParam<MotionCase> {};

TEST_P(EffectLayoutScroll, RunsAcrossTheFrameAndStartsAgain) {
  EXPECT_EQ(MovingLeft(PLACE_SCROLL, GetParam()), GetParam().expectedX);
}

INSTANTIATE_TEST_SUITE_P(Times, EffectLayoutScroll,
                         ::testing::Values(
                             // Leftwards from the right edge, 10 pixels per second, span 320 + 80.
                             MotionCase{-1, 80, 0, 320}, MotionCase{-1, 80, 1000, 310},
                             MotionCase{-1, 80, 39000, -70}, MotionCase{-1, 80, 40000, 320},
                             MotionCase{-1, 80, 41000, 310},
                             // Setting the value 0 in scroll mode stores -1.
                             MotionCase{0, 80, 1000, 310},
                             // Rightwards from the left edge.
                             MotionCase{2, 80, 0, 0}, MotionCase{2, 80, 1000, 20},
                             MotionCase{2, 80, 19000, 380}, MotionCase{2, 80, 20000, 0},
                             // Faster than 10 is held at 10.
                             MotionCase{25, 80, 1000, 100}, MotionCase{-25, 80, 1000, 220}));

TEST(EffectLayout, ScrollSpanOfZeroStandsAtZero) {
  CEffectLayout layout;
  layout.SetFrameRect(RECT{0, 0, 0, 240});
  layout.SetSize(0, 10, SIZE_PIXELS, SIZE_PIXELS);
  layout.SetProperty(PROP_LAYOUT_X_MODE, "6");
  layout.SetElapsed(5000);
  layout.Compute(false);
  EXPECT_EQ(layout.GetPlacementRect().left, 0);
}

TEST(EffectLayout, RandomPlacementStaysInsideAndMovesOnlyWhenAsked) {
  CEffectLayout layout;
  Place(layout, 320, 240, 0, 0);
  layout.SetSize(120, 40, SIZE_PIXELS, SIZE_PIXELS);
  layout.SetProperty(PROP_LAYOUT_X_MODE, "4");
  layout.SetProperty(PROP_LAYOUT_Y_MODE, "4");
  bool moved = false;
  int lastLeft = -1;
  for (int i = 0; i < 50; ++i) {
    layout.Compute(true);
    const RECT r = layout.GetPlacementRect();
    EXPECT_GE(r.left, 0);
    EXPECT_LT(r.left, 200);
    EXPECT_GE(r.top, 0);
    EXPECT_LT(r.top, 200);
    if (lastLeft >= 0 && r.left != lastLeft) moved = true;
    lastLeft = r.left;
    layout.SetElapsed(i * 100);
    layout.Compute(false);
    EXPECT_EQ(layout.GetPlacementRect().left, lastLeft);
  }
  EXPECT_TRUE(moved);
}

TEST(EffectLayout, CentringRoundsDownWhenTheEffectIsWiderThanTheFrame) {
  CEffectLayout layout;
  Place(layout, 320, 240, 0, 0);
  layout.SetSize(321, 10, SIZE_PIXELS, SIZE_PIXELS);
  layout.SetProperty(PROP_LAYOUT_X_MODE, "2");
  EXPECT_EQ(layout.GetPlacementRect().left, -1);
}

TEST(EffectLayout, OtherModesStandAtTheNearEdgeOrFillTheFrame) {
  CEffectLayout layout;
  layout.SetFrameRect(RECT{0, 0, 320, 240});
  layout.SetSize(30, 20, 9, SIZE_PIXELS);
  layout.SetProperty(PROP_LAYOUT_X, "77");
  layout.SetProperty(PROP_LAYOUT_X_MODE, "42");
  EXPECT_EQ(Of(layout.GetPlacementRect()), (Rect{0, 0, 320, 20}));
}

TEST(EffectLayout, FaceScaleReadsAndWritesTheComplementOfTheStoredValue) {
  CEffectLayout layout;
  EXPECT_EQ(Get(layout, PROP_LAYOUT_FACE_SCALE), "0");
  Set(layout, PROP_LAYOUT_FACE_SCALE, "30");
  EXPECT_EQ(Get(layout, PROP_LAYOUT_FACE_SCALE), "30");
  EXPECT_EQ(layout.GetFaceScaleStored(), 70);

  CPackageFile package(MakePackageTag("FCEC"));
  ASSERT_EQ(layout.Save(package), S_OK);
  EXPECT_EQ(package.Find(PROP_LAYOUT_FACE_SCALE), nullptr) << "written only when attached";
  Set(layout, PROP_LAYOUT_FACE_ATTACH, "1");
  ASSERT_EQ(layout.Save(package), S_OK);
  EXPECT_EQ(package.GetInt(PROP_LAYOUT_FACE_SCALE, -1), 70);
}

TEST(EffectLayout, PropertiesReadBackInDecimalAndFlagsAsOneOrZero) {
  CEffectLayout layout;
  layout.SetFrameRect(RECT{0, 0, 320, 240});
  Set(layout, PROP_LAYOUT_WIDTH, "64");
  Set(layout, PROP_LAYOUT_HEIGHT, "-12");
  Set(layout, PROP_LAYOUT_Y, "9");
  Set(layout, PROP_LAYOUT_WIDTH_MODE, "0");
  Set(layout, PROP_LAYOUT_HEIGHT_MODE, "7");
  Set(layout, PROP_LAYOUT_SHOW_WITHOUT_FACE, "5");
  Set(layout, PROP_LAYOUT_KEEP_ASPECT, "-3");
  EXPECT_EQ(Get(layout, PROP_LAYOUT_WIDTH), "64");
  EXPECT_EQ(Get(layout, PROP_LAYOUT_HEIGHT), "-12");
  EXPECT_EQ(Get(layout, PROP_LAYOUT_Y), "9");
  EXPECT_EQ(Get(layout, PROP_LAYOUT_WIDTH_MODE), "0");
  EXPECT_EQ(Get(layout, PROP_LAYOUT_HEIGHT_MODE), "7");
  EXPECT_EQ(Get(layout, PROP_LAYOUT_SHOW_WITHOUT_FACE), "1");
  EXPECT_EQ(Get(layout, PROP_LAYOUT_KEEP_ASPECT), "1");
  Set(layout, PROP_LAYOUT_X, "not a number");
  EXPECT_EQ(Get(layout, PROP_LAYOUT_X), "0");

  std::string value = "kept";
  EXPECT_EQ(layout.GetProperty(PROP_LIFETIME_MODE, value), E_FAIL);
  EXPECT_EQ(layout.SetProperty(PROP_LAYOUT_PRESET + 100, "1"), E_FAIL);
  EXPECT_EQ(layout.GetProperty(PROP_LAYOUT_PRESET, value), E_FAIL) << "the preset is write-only";
  EXPECT_EQ(value, "kept");
}

TEST(EffectLayout, PositionModeSettingAdjustsTheValue) {
  struct Case {
    int mode;
    int value;
    int expected;
  };
  for (const Case& c : {Case{0, 55, 0}, Case{5, 55, 10}, Case{6, -55, -10}, Case{5, 0, -1},
                        Case{6, 0, -1}, Case{7, 55, 55}, Case{3, -7, -7}}) {
    NotifyRecorder notify;
    CEffectLayout layout(&notify);
    Set(layout, PROP_LAYOUT_Y, std::to_string(c.value));
    notify.ids.clear();
    Set(layout, PROP_LAYOUT_Y_MODE, std::to_string(c.mode));
    EXPECT_EQ(Get(layout, PROP_LAYOUT_Y), std::to_string(c.expected)) << "mode " << c.mode;
    EXPECT_THAT(notify.ids, ElementsAre(PROP_LAYOUT_Y_MODE, PROP_LAYOUT_Y));
  }
}

TEST(EffectLayout, KeepAspectCarriesAPixelWidthChangeOverToTheHeight) {
  NotifyRecorder notify;
  CEffectLayout layout(&notify);
  Place(layout, 320, 240, 0, 0);
  layout.SetPlacementRect(RECT{10, 10, 210, 110});
  layout.Compute(false);
  Set(layout, PROP_LAYOUT_KEEP_ASPECT, "1");
  notify.ids.clear();
  Set(layout, PROP_LAYOUT_WIDTH, "100");
  EXPECT_EQ(Get(layout, PROP_LAYOUT_HEIGHT), "50");
  EXPECT_THAT(notify.ids, ElementsAre(PROP_LAYOUT_HEIGHT, PROP_LAYOUT_WIDTH));
  notify.ids.clear();
  Set(layout, PROP_LAYOUT_HEIGHT, "100");
  EXPECT_EQ(Get(layout, PROP_LAYOUT_WIDTH), "200");
  EXPECT_THAT(notify.ids, ElementsAre(PROP_LAYOUT_WIDTH, PROP_LAYOUT_HEIGHT));

  // In percent modes the other side is left alone.
  Set(layout, PROP_LAYOUT_WIDTH_MODE, "1");
  Set(layout, PROP_LAYOUT_WIDTH, "30");
  EXPECT_EQ(Get(layout, PROP_LAYOUT_HEIGHT), "100");
}

TEST(EffectLayout, KeepAspectWithAnEmptyPlacementChangesOnlyTheSideWritten) {
  CEffectLayout layout;
  layout.SetSize(0, 0, SIZE_PIXELS, SIZE_PIXELS);
  layout.SetKeepAspect(TRUE);
  layout.Compute(false);
  Set(layout, PROP_LAYOUT_WIDTH, "80");
  Set(layout, PROP_LAYOUT_HEIGHT, "60");
  EXPECT_EQ(Get(layout, PROP_LAYOUT_WIDTH), "80");
  EXPECT_EQ(Get(layout, PROP_LAYOUT_HEIGHT), "60");
}

TEST(EffectLayout, QuarterAndFullRectanglesPlaceInPixels) {
  NotifyRecorder notify;
  CEffectLayout layout(&notify);
  Place(layout, 320, 240, 50, 50);
  Set(layout, PROP_LAYOUT_QUARTER_RECT, "");
  EXPECT_EQ(Of(layout.GetPlacementRect()), (Rect{165, 120, 315, 230}));
  EXPECT_EQ(Get(layout, PROP_LAYOUT_X_MODE), "0");
  EXPECT_EQ(Get(layout, PROP_LAYOUT_WIDTH_MODE), "0");
  EXPECT_THAT(notify.ids, ElementsAre(PROP_LAYOUT_X_MODE, PROP_LAYOUT_Y_MODE, PROP_LAYOUT_X,
                                      PROP_LAYOUT_Y, PROP_LAYOUT_WIDTH, PROP_LAYOUT_HEIGHT));
  Set(layout, PROP_LAYOUT_FULL_RECT, "");
  EXPECT_EQ(Of(layout.GetPlacementRect()), (Rect{0, 0, 320, 240}));
}

TEST(EffectLayout, PresetPropertyNotifiesEveryPlacementSetting) {
  NotifyRecorder notify;
  CEffectLayout layout(&notify);
  Set(layout, PROP_LAYOUT_PRESET, "3");
  EXPECT_THAT(notify.ids,
              ElementsAre(PROP_LAYOUT_X_MODE, PROP_LAYOUT_Y_MODE, PROP_LAYOUT_X, PROP_LAYOUT_Y,
                          PROP_LAYOUT_WIDTH_MODE, PROP_LAYOUT_HEIGHT_MODE, PROP_LAYOUT_WIDTH,
                          PROP_LAYOUT_HEIGHT));
  notify.ids.clear();
  Set(layout, PROP_LAYOUT_KEEP_ASPECT, "1");
  EXPECT_THAT(notify.ids, ElementsAre(PROP_LAYOUT_KEEP_ASPECT, PROP_LAYOUT_TEXT_FIT));
}

TEST(EffectLayout, OldWholeFrameSizeBecomesPercentOfTheFrame) {
  CEffectLayout layout;
  layout.SetSize(320, 240, SIZE_PIXELS, SIZE_PIXELS);
  layout.UpgradeOldSize();
  EXPECT_EQ(layout.GetWidthMode(), SIZE_PERCENT_OF_FRAME);
  EXPECT_EQ(layout.GetHeightMode(), SIZE_PERCENT_OF_FRAME);
  EXPECT_EQ(layout.GetWidth(), 100);
  EXPECT_EQ(layout.GetHeight(), 100);
  Place(layout, 640, 480, 10, 10);
  layout.Compute(false);
  EXPECT_EQ(Of(layout.GetPlacementRect()), (Rect{0, 0, 640, 480}));

  for (const auto& [w, h, mode] : {std::tuple{320, 200, 0}, std::tuple{320, 240, 1}}) {
    CEffectLayout other;
    other.SetSize(w, h, mode, SIZE_PIXELS);
    other.UpgradeOldSize();
    EXPECT_EQ(other.GetWidth(), w);
    EXPECT_EQ(other.GetWidthMode(), mode);
  }
}

TEST(EffectLayout, SavesItsItemsInFileOrderAndLoadsThemBack) {
  CEffectLayout layout;
  layout.SetSize(11, 22, 0, 1);
  Set(layout, PROP_LAYOUT_X_MODE, "7");
  Set(layout, PROP_LAYOUT_Y_MODE, "3");
  Set(layout, PROP_LAYOUT_X, "33");
  Set(layout, PROP_LAYOUT_Y, "44");
  Set(layout, PROP_LAYOUT_FACE_ATTACH, "1");
  Set(layout, PROP_LAYOUT_FACE_SCALE, "-20");
  Set(layout, PROP_LAYOUT_SHOW_WITHOUT_FACE, "1");
  Set(layout, PROP_LAYOUT_KEEP_ASPECT, "1");

  CPackageFile package(MakePackageTag("FCEC"));
  ASSERT_EQ(layout.Save(package), S_OK);
  std::vector<uint32_t> ids;
  for (const auto& item : package.GetItems()) {
    EXPECT_EQ(item.type, CPackageFile::kTypeInt);
    ids.push_back(item.id);
  }
  EXPECT_THAT(ids,
              ElementsAre(4110, 4111, 4106, 4107, 4100, 4101, 4115, 4116, 4097, 4098, 4118, 4126));
  EXPECT_EQ(package.GetInt(4111, 0), 120);

  CEffectLayout loaded;
  ASSERT_EQ(loaded.Load(package), S_OK);
  for (int32_t id : {4097, 4098, 4100, 4101, 4106, 4107, 4110, 4111, 4115, 4116, 4118, 4126}) {
    EXPECT_EQ(Get(loaded, id), Get(layout, id)) << id;
  }
}

TEST(EffectLayout, LoadingKeepsValuesOfMissingItemsExceptTheSizeModes) {
  CPackageFile package(MakePackageTag("FCEC"));
  package.SetInt(PROP_LAYOUT_WIDTH, 320);
  package.SetInt(PROP_LAYOUT_FACE_ATTACH, 0);
  package.SetInt(PROP_LAYOUT_FACE_SCALE, 10);
  package.SetText(PROP_LAYOUT_X, "12");  // not an integer item: ignored
  CEffectLayout layout;
  Set(layout, PROP_LAYOUT_X, "5");
  Set(layout, PROP_LAYOUT_FACE_SCALE, "40");
  ASSERT_EQ(layout.Load(package), S_OK);
  EXPECT_EQ(Get(layout, PROP_LAYOUT_WIDTH), "320");
  EXPECT_EQ(Get(layout, PROP_LAYOUT_HEIGHT), "100");
  EXPECT_EQ(Get(layout, PROP_LAYOUT_X), "5");
  EXPECT_EQ(Get(layout, PROP_LAYOUT_WIDTH_MODE), "0");
  EXPECT_EQ(Get(layout, PROP_LAYOUT_HEIGHT_MODE), "0");
  EXPECT_EQ(Get(layout, PROP_LAYOUT_FACE_SCALE), "40") << "read only for attached effects";

  package.SetInt(PROP_LAYOUT_FACE_ATTACH, 1);
  ASSERT_EQ(layout.Load(package), S_OK);
  EXPECT_EQ(Get(layout, PROP_LAYOUT_FACE_SCALE), "90");
}

TEST(EffectLayout, ExtremeValuesGiveRectanglesInsideTheIntegerRange) {
  struct Case {
    int width, height, widthMode, heightMode, xMode, yMode, x, y;
  };
  const Case cases[] = {
      {INT_MAX, INT_MAX, 1, 2, 0, 0, INT_MAX, INT_MIN},
      {INT_MIN, INT_MIN, 0, 1, 7, 7, INT_MIN, INT_MAX},
      {INT_MAX, -5, 0, 0, 5, 6, INT_MAX, INT_MIN},
      {-100, 50, 0, 0, 2, 3, 0, 0},
      {50, 50, 2, 2, 4, 4, 0, 0},
  };
  for (const Case& c : cases) {
    CEffectLayout layout;
    Place(layout, 320, 240, INT_MAX, 1000);
    layout.SetSize(c.width, c.height, c.widthMode, c.heightMode);
    layout.SetProperty(PROP_LAYOUT_X_MODE, std::to_string(c.xMode));
    layout.SetProperty(PROP_LAYOUT_Y_MODE, std::to_string(c.yMode));
    layout.SetProperty(PROP_LAYOUT_X, std::to_string(c.x));
    layout.SetProperty(PROP_LAYOUT_Y, std::to_string(c.y));
    layout.SetKeepAspect(TRUE);
    layout.SetElapsed(INT_MAX);
    layout.Compute(true);
    const RECT r = layout.GetPlacementRect();
    EXPECT_GE(int64_t{r.right} - r.left, 0);
    EXPECT_LE(int64_t{r.right} - r.left, CEffectLayout::kMaxSide);
    EXPECT_GE(int64_t{r.bottom} - r.top, 0);
    EXPECT_LE(int64_t{r.bottom} - r.top, CEffectLayout::kMaxSide);
  }
  // The face scale complement of the smallest integer stays in range.
  CEffectLayout layout;
  Set(layout, PROP_LAYOUT_FACE_SCALE, std::to_string(INT_MIN));
  EXPECT_EQ(layout.GetFaceScaleStored(), INT_MAX);
}

}  // namespace
