// The pixel filters as elements: made by the factory for types 8-17, their settings with
// defaults, ranges and announcements, and their items in effect files, including values a
// file holds that the filters' arithmetic could not take.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "tests/engine/EngineTestSupport.h"
#include "FilterTestSupport.h"
#include "engine/base/PackageFile.h"
#include "engine/effects/Effect.h"
#include "engine/effects/PropertyIds.h"
#include "engine/filters/WarpFilter.h"

namespace {

using filter_test::MakeFilter;
using test_support::FakeEffectHost;
using Settings = std::vector<std::pair<int32_t, std::string>>;

struct TypeCase {
  int32_t code;
  Settings defaults;  // every own id in announcement and save order, with its default text
};

const std::vector<TypeCase>& Types() {
  static const std::vector<TypeCase> types = {
      {ELEMENT_COLOR_MATRIX, {{PROP_COLOR_MATRIX, "255,255,0,0,0,0,255,0,0,0,0,255"}}},
      {ELEMENT_WARP, {{PROP_WARP_MODE, "0"}, {PROP_WARP_PARAM1, "2"}, {PROP_WARP_PARAM2, "2"}}},
      {ELEMENT_MOTION_FIRE,
       {{PROP_FIRE_HOT_COLOR, "65535"}, {PROP_FIRE_COOL_COLOR, "255"}, {PROP_FIRE_BACKGROUND, "-1"}}},
      {ELEMENT_EDGE, {{PROP_EDGE_COLOR, "255"}, {PROP_EDGE_BACKGROUND, "0"}}},
      {ELEMENT_MOSAIC, {{PROP_MOSAIC_BLOCK, "8"}}},
      {ELEMENT_EMBOSS,
       {{PROP_EMBOSS_LIGHT_COLOR, "16777215"},
        {PROP_EMBOSS_SHADOW_COLOR, "0"},
        {PROP_EMBOSS_BASE_COLOR, "8421504"},
        {PROP_EMBOSS_DIRECTION, "7"}}},
      {ELEMENT_TRAIL, {{PROP_TRAIL_LENGTH, "7"}}},
      {ELEMENT_RIPPLE, {{PROP_RIPPLE_RATE, "10"}, {PROP_RIPPLE_RADIUS, "50"}}},
      {ELEMENT_SNOW, {{PROP_SNOW_COLOR, "16777215"}, {PROP_SNOW_RATE, "10"}}},
      {ELEMENT_SHAKE, {{PROP_SHAKE_X, "5"}, {PROP_SHAKE_Y, "5"}}},
  };
  return types;
}

std::vector<int32_t> IdsOf(const Settings& settings) {
  std::vector<int32_t> ids;
  for (const auto& s : settings) ids.push_back(s.first);
  return ids;
}

TEST(FilterSettings, EveryFilterTypeIsMadeWithItsDefaultsAndAnnouncesThemInOrder) {
  for (const TypeCase& t : Types()) {
    SCOPED_TRACE("type " + std::to_string(t.code));
    FakeEffectHost host;
    CEffect effect;
    effect.SetHost(&host);
    effect.SetId(4);
    ASSERT_TRUE(SUCCEEDED(effect.SetProperty(PROP_SOURCE_TYPE, std::to_string(t.code))));
    CSourceProxy& proxy = effect.GetSourceProxy();
    ASSERT_NE(proxy.GetElement(), nullptr);
    std::vector<int32_t> announced = {PROP_SOURCE_TYPE};
    for (int32_t id : IdsOf(t.defaults)) announced.push_back(id);
    EXPECT_EQ(host.PropertiesOf(4), announced);

    EXPECT_TRUE(proxy.IsFilter());
    int32_t w = -1, h = -1;
    EXPECT_EQ(proxy.GetSize(&w, &h), S_OK);
    EXPECT_EQ(w, 0);
    EXPECT_EQ(h, 0);
    CFrameLock lock;
    EXPECT_EQ(proxy.LockFrame(nullptr, &lock), S_FALSE);
    EXPECT_EQ(lock.picture, nullptr);
    EXPECT_EQ(proxy.UnlockFrame(), S_OK);
    EXPECT_EQ(proxy.GetElement()->Open("C:\\anything.efc"), S_OK);
    for (const auto& d : t.defaults) {
      std::string value;
      EXPECT_EQ(proxy.GetProperty(d.first, value), S_OK) << d.first;
      EXPECT_EQ(value, d.second) << d.first;
    }
    // Ids of other holders are left to them.
    std::string value;
    EXPECT_EQ(proxy.GetElement()->GetProperty(PROP_TEXT, value), E_FAIL);
    EXPECT_EQ(proxy.GetElement()->SetProperty(PROP_TEXT, "1"), E_FAIL);
    const int32_t foreign = t.code == ELEMENT_MOSAIC ? PROP_SHAKE_X : PROP_MOSAIC_BLOCK;
    EXPECT_EQ(proxy.GetElement()->GetProperty(foreign, value), E_FAIL);
  }
}

TEST(FilterSettings, SetValuesAreHeldToTheirRangesAndAnnounced) {
  struct Case {
    int32_t code;
    Settings before;  // applied first
    int32_t id;
    const char* text;
    Settings after;  // every value read back afterwards
    std::vector<int32_t> notified;
  };
  const std::vector<Case> cases = {
      {ELEMENT_MOSAIC, {}, PROP_MOSAIC_BLOCK, "0", {{PROP_MOSAIC_BLOCK, "1"}}, {PROP_MOSAIC_BLOCK}},
      {ELEMENT_MOSAIC, {}, PROP_MOSAIC_BLOCK, "500", {{PROP_MOSAIC_BLOCK, "100"}}, {PROP_MOSAIC_BLOCK}},
      {ELEMENT_MOSAIC, {}, PROP_MOSAIC_BLOCK, "many", {{PROP_MOSAIC_BLOCK, "1"}}, {PROP_MOSAIC_BLOCK}},
      {ELEMENT_TRAIL, {}, PROP_TRAIL_LENGTH, "-1", {{PROP_TRAIL_LENGTH, "1"}}, {PROP_TRAIL_LENGTH}},
      {ELEMENT_TRAIL, {}, PROP_TRAIL_LENGTH, "25", {{PROP_TRAIL_LENGTH, "20"}}, {PROP_TRAIL_LENGTH}},
      {ELEMENT_SNOW, {}, PROP_SNOW_RATE, "0", {{PROP_SNOW_RATE, "1"}}, {PROP_SNOW_RATE}},
      {ELEMENT_SNOW, {}, PROP_SNOW_RATE, "101", {{PROP_SNOW_RATE, "100"}}, {PROP_SNOW_RATE}},
      {ELEMENT_SNOW, {}, PROP_SNOW_COLOR, "-7", {{PROP_SNOW_COLOR, "-7"}}, {PROP_SNOW_COLOR}},
      {ELEMENT_RIPPLE, {}, PROP_RIPPLE_RATE, "-5", {{PROP_RIPPLE_RATE, "0"}}, {PROP_RIPPLE_RATE}},
      {ELEMENT_RIPPLE, {}, PROP_RIPPLE_RADIUS, "0", {{PROP_RIPPLE_RADIUS, "1"}}, {PROP_RIPPLE_RADIUS}},
      {ELEMENT_RIPPLE, {}, PROP_RIPPLE_RADIUS, "300", {{PROP_RIPPLE_RADIUS, "200"}}, {PROP_RIPPLE_RADIUS}},
      {ELEMENT_SHAKE, {}, PROP_SHAKE_X, "-1", {{PROP_SHAKE_X, "0"}}, {PROP_SHAKE_X}},
      {ELEMENT_SHAKE, {}, PROP_SHAKE_Y, "101", {{PROP_SHAKE_Y, "100"}}, {PROP_SHAKE_Y}},
      {ELEMENT_EMBOSS, {}, PROP_EMBOSS_DIRECTION, "12", {{PROP_EMBOSS_DIRECTION, "12"}}, {PROP_EMBOSS_DIRECTION}},
      {ELEMENT_EDGE, {}, PROP_EDGE_BACKGROUND, "-1", {{PROP_EDGE_BACKGROUND, "-1"}}, {PROP_EDGE_BACKGROUND}},
      {ELEMENT_MOTION_FIRE, {}, PROP_FIRE_BACKGROUND, "0", {{PROP_FIRE_BACKGROUND, "0"}}, {PROP_FIRE_BACKGROUND}},
      // The colour matrix: twelve items or nothing changes; quoted items are items too.
      {ELEMENT_COLOR_MATRIX, {}, PROP_COLOR_MATRIX, "1,2,3,4,5,6,7,8,9,10,11",
       {{PROP_COLOR_MATRIX, "255,255,0,0,0,0,255,0,0,0,0,255"}}, {PROP_COLOR_MATRIX}},
      {ELEMENT_COLOR_MATRIX, {}, PROP_COLOR_MATRIX, "\"1\",2,3,4,5,6,7,8,9,10,11,-12,13",
       {{PROP_COLOR_MATRIX, "1,2,3,4,5,6,7,8,9,10,11,-12"}}, {PROP_COLOR_MATRIX}},
      // The warp's mode puts its own parameters in place; parameters follow the mode's ranges.
      {ELEMENT_WARP, {}, PROP_WARP_MODE, "2",
       {{PROP_WARP_MODE, "2"}, {PROP_WARP_PARAM1, "50"}, {PROP_WARP_PARAM2, "200"}},
       {PROP_WARP_MODE, PROP_WARP_PARAM1, PROP_WARP_PARAM2}},
      {ELEMENT_WARP, {{PROP_WARP_MODE, "2"}}, PROP_WARP_PARAM1, "0", {{PROP_WARP_PARAM1, "1"}}, {PROP_WARP_PARAM1}},
      {ELEMENT_WARP, {{PROP_WARP_MODE, "2"}}, PROP_WARP_PARAM2, "-2000", {{PROP_WARP_PARAM2, "-1000"}}, {PROP_WARP_PARAM2}},
      {ELEMENT_WARP, {{PROP_WARP_MODE, "0"}}, PROP_WARP_PARAM2, "30", {{PROP_WARP_PARAM2, "24"}}, {PROP_WARP_PARAM2}},
      {ELEMENT_WARP, {{PROP_WARP_MODE, "1"}}, PROP_WARP_PARAM1, "-40", {{PROP_WARP_PARAM1, "-32"}}, {PROP_WARP_PARAM1}},
      {ELEMENT_WARP, {{PROP_WARP_MODE, "3"}}, PROP_WARP_PARAM2, "-200", {{PROP_WARP_PARAM2, "-120"}}, {PROP_WARP_PARAM2}},
      {ELEMENT_WARP, {{PROP_WARP_MODE, "7"}}, PROP_WARP_PARAM2, "10", {{PROP_WARP_PARAM2, "20"}}, {PROP_WARP_PARAM2}},
      {ELEMENT_WARP, {{PROP_WARP_MODE, "7"}}, PROP_WARP_MODE, "5",
       {{PROP_WARP_MODE, "5"}, {PROP_WARP_PARAM1, "20"}, {PROP_WARP_PARAM2, "50"}},
       {PROP_WARP_MODE, PROP_WARP_PARAM1, PROP_WARP_PARAM2}},
      {ELEMENT_WARP, {{PROP_WARP_MODE, "5"}}, PROP_WARP_PARAM2, "9", {{PROP_WARP_PARAM2, "2"}}, {PROP_WARP_PARAM2}},
      {ELEMENT_WARP, {{PROP_WARP_MODE, "9"}}, PROP_WARP_PARAM1, "5",
       {{PROP_WARP_MODE, "9"}, {PROP_WARP_PARAM1, "2"}}, {PROP_WARP_PARAM1}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE("type " + std::to_string(c.code) + " id " + std::to_string(c.id) + " text " +
                 c.text);
    FakeEffectHost host;
    CEffect effect;
    effect.SetHost(&host);
    effect.SetId(9);
    ASSERT_TRUE(SUCCEEDED(effect.SetProperty(PROP_SOURCE_TYPE, std::to_string(c.code))));
    CSourceProxy& proxy = effect.GetSourceProxy();
    for (const auto& s : c.before) ASSERT_EQ(proxy.SetProperty(s.first, s.second), S_OK);
    host.notifications.clear();
    EXPECT_EQ(proxy.SetProperty(c.id, c.text), S_OK);
    for (const auto& a : c.after) {
      std::string value;
      EXPECT_EQ(proxy.GetProperty(a.first, value), S_OK);
      EXPECT_EQ(value, a.second) << "id " << a.first;
    }
    EXPECT_EQ(host.PropertiesOf(9), c.notified);
  }
}

// The effect file items of a filter, from a package as an effect file holds them.
CPackageFile FilterPackage(int32_t code, const std::vector<std::pair<int32_t, int32_t>>& values,
                           const char* matrix = nullptr) {
  CPackageFile package(kEffectFileTag);
  package.SetInt(PROP_LEGACY_KIND, 18);
  package.SetInt(PROP_SOURCE_TYPE, code);
  for (const auto& v : values) package.SetInt(uint32_t(v.first), v.second);
  if (matrix) package.SetText(PROP_COLOR_MATRIX, matrix);
  return package;
}

TEST(FilterSettings, EveryTypeSavesItsItemsInOrderAndLoadsThemBack) {
  // Values other than the defaults, within the ranges.
  const std::vector<std::pair<int32_t, Settings>> changed = {
      {ELEMENT_COLOR_MATRIX, {{PROP_COLOR_MATRIX, "-1,2,-3,4,-5,6,-7,8,-9,10,-11,12"}}},
      {ELEMENT_WARP, {{PROP_WARP_MODE, "4"}, {PROP_WARP_PARAM1, "9"}, {PROP_WARP_PARAM2, "40"}}},
      {ELEMENT_MOTION_FIRE,
       {{PROP_FIRE_HOT_COLOR, "1"}, {PROP_FIRE_COOL_COLOR, "2"}, {PROP_FIRE_BACKGROUND, "3"}}},
      {ELEMENT_EDGE, {{PROP_EDGE_COLOR, "4"}, {PROP_EDGE_BACKGROUND, "-1"}}},
      {ELEMENT_MOSAIC, {{PROP_MOSAIC_BLOCK, "17"}}},
      {ELEMENT_EMBOSS,
       {{PROP_EMBOSS_LIGHT_COLOR, "5"},
        {PROP_EMBOSS_SHADOW_COLOR, "6"},
        {PROP_EMBOSS_BASE_COLOR, "7"},
        {PROP_EMBOSS_DIRECTION, "3"}}},
      {ELEMENT_TRAIL, {{PROP_TRAIL_LENGTH, "12"}}},
      {ELEMENT_RIPPLE, {{PROP_RIPPLE_RATE, "0"}, {PROP_RIPPLE_RADIUS, "199"}}},
      {ELEMENT_SNOW, {{PROP_SNOW_COLOR, "8"}, {PROP_SNOW_RATE, "99"}}},
      {ELEMENT_SHAKE, {{PROP_SHAKE_X, "0"}, {PROP_SHAKE_Y, "100"}}},
  };
  for (const auto& c : changed) {
    SCOPED_TRACE("type " + std::to_string(c.first));
    auto filter = MakeFilter(c.first, c.second);
    ASSERT_TRUE(filter);
    CPackageFile package(kEffectFileTag);
    ASSERT_EQ(filter->Save(&package), S_OK);
    std::vector<uint32_t> saved;
    for (const auto& item : package.GetItems()) saved.push_back(item.id);
    std::vector<uint32_t> expected;
    for (int32_t id : IdsOf(c.second)) expected.push_back(uint32_t(id));
    EXPECT_EQ(saved, expected);

    package.SetInt(PROP_LEGACY_KIND, 18);
    package.SetInt(PROP_SOURCE_TYPE, c.first);
    CSourceProxy proxy;
    ASSERT_EQ(proxy.Load(&package), S_OK);
    EXPECT_EQ(proxy.GetTypeCode(), c.first);
    for (const auto& s : c.second) {
      std::string value;
      EXPECT_EQ(proxy.GetProperty(s.first, value), S_OK);
      EXPECT_EQ(value, s.second) << "id " << s.first;
    }
  }
}

TEST(FilterSettings, LoadedValuesAreHeldToTheRangesTheArithmeticNeeds) {
  struct Case {
    int32_t code;
    std::vector<std::pair<int32_t, int32_t>> stored;
    Settings loaded;
  };
  const std::vector<Case> cases = {
      // Block size 0 and trail length -1 would divide by zero.
      {ELEMENT_MOSAIC, {{PROP_MOSAIC_BLOCK, 0}}, {{PROP_MOSAIC_BLOCK, "1"}}},
      {ELEMENT_MOSAIC, {{PROP_MOSAIC_BLOCK, -2147483647 - 1}}, {{PROP_MOSAIC_BLOCK, "1"}}},
      {ELEMENT_TRAIL, {{PROP_TRAIL_LENGTH, -1}}, {{PROP_TRAIL_LENGTH, "1"}}},
      {ELEMENT_TRAIL, {{PROP_TRAIL_LENGTH, 2147483647}}, {{PROP_TRAIL_LENGTH, "20"}}},
      {ELEMENT_SNOW, {{PROP_SNOW_RATE, 100000}}, {{PROP_SNOW_RATE, "100"}}},
      {ELEMENT_RIPPLE, {{PROP_RIPPLE_RATE, -3}, {PROP_RIPPLE_RADIUS, 0}},
       {{PROP_RIPPLE_RATE, "0"}, {PROP_RIPPLE_RADIUS, "1"}}},
      {ELEMENT_SHAKE, {{PROP_SHAKE_X, 500}, {PROP_SHAKE_Y, -500}},
       {{PROP_SHAKE_X, "100"}, {PROP_SHAKE_Y, "0"}}},
      // Colours and directions have no range; a missing item keeps the default.
      {ELEMENT_EMBOSS, {{PROP_EMBOSS_DIRECTION, 99}},
       {{PROP_EMBOSS_DIRECTION, "99"}, {PROP_EMBOSS_BASE_COLOR, "8421504"}}},
      // The warp keeps what the file says; its map builders guard their own parameters.
      {ELEMENT_WARP, {{PROP_WARP_MODE, 9}, {PROP_WARP_PARAM1, -5000}},
       {{PROP_WARP_MODE, "9"}, {PROP_WARP_PARAM1, "-5000"}, {PROP_WARP_PARAM2, "2"}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE("type " + std::to_string(c.code));
    CPackageFile package = FilterPackage(c.code, c.stored);
    CSourceProxy proxy;
    ASSERT_EQ(proxy.Load(&package), S_OK);
    for (const auto& s : c.loaded) {
      std::string value;
      EXPECT_EQ(proxy.GetProperty(s.first, value), S_OK);
      EXPECT_EQ(value, s.second) << "id " << s.first;
    }
  }
  // A colour matrix item of fewer than twelve numbers leaves the defaults.
  CPackageFile short_matrix = FilterPackage(ELEMENT_COLOR_MATRIX, {}, "1,2,3");
  CSourceProxy proxy;
  ASSERT_EQ(proxy.Load(&short_matrix), S_OK);
  std::string value;
  ASSERT_EQ(proxy.GetProperty(PROP_COLOR_MATRIX, value), S_OK);
  EXPECT_EQ(value, "255,255,0,0,0,0,255,0,0,0,0,255");
}

}  // namespace
