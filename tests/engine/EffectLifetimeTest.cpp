// The effect lifetime on a clock the test drives: endless and timed effects, paused time,
// the clock restart on every setting, and the stored forms of the duration.
#include "engine/effects/EffectLifetime.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <climits>
#include <string>
#include <vector>

#include "engine/base/EngineClock.h"
#include "engine/base/PackageFile.h"
#include "engine/effects/PropertyIds.h"
#include "engine/effects/PropertyNotify.h"

namespace {

using ::testing::ElementsAre;

uint32_t g_now = 0;
uint32_t FakeClock() { return g_now; }

class NotifyRecorder : public IPropertyNotify {
 public:
  HRESULT NotifyChange(int32_t id) override {
    ids.push_back(id);
    return S_OK;
  }
  std::vector<int32_t> ids;
};

class EffectLifetimeTest : public ::testing::Test {
 protected:
  void SetUp() override {
    g_now = 5000;
    m_previous = SetClockFunction(&FakeClock);
  }
  void TearDown() override { SetClockFunction(m_previous); }

  // Moves the clock on and lets the lifetime see it.
  void Advance(CEffectLifetime& lifetime, uint32_t ms) {
    g_now += ms;
    lifetime.Update(false);
  }

  std::string Get(CEffectLifetime& lifetime, int32_t id) {
    std::string value;
    EXPECT_EQ(lifetime.GetProperty(id, value), S_OK) << id;
    return value;
  }

 private:
  ClockFunction m_previous = nullptr;
};

TEST_F(EffectLifetimeTest, NewLifetimeIsEndlessWithTenSecondsAndNoTransition) {
  CEffectLifetime lifetime;
  EXPECT_EQ(Get(lifetime, PROP_LIFETIME_MODE), "0");
  EXPECT_EQ(Get(lifetime, PROP_LIFETIME_DURATION), "10");
  EXPECT_EQ(Get(lifetime, PROP_LIFETIME_TRANSITION), "0");
  EXPECT_EQ(lifetime.GetEffectiveMode(), LIFETIME_ENDLESS);
  Advance(lifetime, 1000000);
  EXPECT_FALSE(lifetime.IsExpired());
  EXPECT_EQ(lifetime.GetElapsed(), 1000000) << "the clock starts when the lifetime is made";
}

TEST_F(EffectLifetimeTest, TimedModeSetsTenSecondsRestartsAndExpiresAfterIt) {
  NotifyRecorder notify;
  CEffectLifetime lifetime(&notify);
  lifetime.Update(true);
  Advance(lifetime, 3000);
  ASSERT_EQ(lifetime.SetProperty(PROP_LIFETIME_DURATION, "4"), S_OK);
  notify.ids.clear();
  ASSERT_EQ(lifetime.SetProperty(PROP_LIFETIME_MODE, "2"), S_OK);
  EXPECT_THAT(notify.ids, ElementsAre(PROP_LIFETIME_MODE, PROP_LIFETIME_DURATION));
  EXPECT_EQ(Get(lifetime, PROP_LIFETIME_DURATION), "10");
  EXPECT_EQ(lifetime.GetElapsed(), 0);
  Advance(lifetime, 10000);
  EXPECT_FALSE(lifetime.IsExpired()) << "expires only beyond the duration";
  Advance(lifetime, 1);
  EXPECT_TRUE(lifetime.IsExpired());
}

TEST_F(EffectLifetimeTest, PausedTimeDoesNotCount) {
  CEffectLifetime lifetime;
  lifetime.SetProperty(PROP_LIFETIME_MODE, "2");
  Advance(lifetime, 4000);
  lifetime.SetPaused(TRUE);
  EXPECT_TRUE(lifetime.IsPaused());
  Advance(lifetime, 60000);
  Advance(lifetime, 60000);
  EXPECT_EQ(lifetime.GetElapsed(), 4000);
  EXPECT_FALSE(lifetime.IsExpired());
  lifetime.SetPaused(FALSE);
  Advance(lifetime, 6000);
  EXPECT_EQ(lifetime.GetElapsed(), 10000);
  EXPECT_FALSE(lifetime.IsExpired());
  Advance(lifetime, 1);
  EXPECT_TRUE(lifetime.IsExpired());
}

TEST_F(EffectLifetimeTest, DefaultModeDecidesWhenTheModeIsZero) {
  CEffectLifetime lifetime;
  lifetime.SetDefaultMode(LIFETIME_TIMED);
  lifetime.SetProperty(PROP_LIFETIME_DURATION, "2");
  EXPECT_EQ(lifetime.GetEffectiveMode(), LIFETIME_TIMED);
  Advance(lifetime, 2001);
  EXPECT_TRUE(lifetime.IsExpired());
  lifetime.SetProperty(PROP_LIFETIME_MODE, "1");
  EXPECT_FALSE(lifetime.IsExpired());
  Advance(lifetime, 5000);
  EXPECT_FALSE(lifetime.IsExpired());
}

TEST_F(EffectLifetimeTest, UnknownModesLeaveTheExpiredFlagAlone) {
  CEffectLifetime lifetime;
  lifetime.SetProperty(PROP_LIFETIME_MODE, "2");
  lifetime.SetProperty(PROP_LIFETIME_DURATION, "1");
  Advance(lifetime, 1001);
  ASSERT_TRUE(lifetime.IsExpired());
  lifetime.SetProperty(PROP_LIFETIME_MODE, "7");
  Advance(lifetime, 1);
  EXPECT_TRUE(lifetime.IsExpired());
}

TEST_F(EffectLifetimeTest, EverySettingRestartsTheClock) {
  for (int32_t id : {PROP_LIFETIME_MODE, PROP_LIFETIME_DURATION, PROP_LIFETIME_TRANSITION}) {
    CEffectLifetime lifetime;
    Advance(lifetime, 1500);
    ASSERT_EQ(lifetime.SetProperty(id, "1"), S_OK);
    EXPECT_EQ(lifetime.GetElapsed(), 0) << id;
  }
}

TEST_F(EffectLifetimeTest, ClockWrapAroundCountsTheRealStep) {
  g_now = UINT32_MAX - 499;
  CEffectLifetime lifetime;
  lifetime.Update(true);
  Advance(lifetime, 1000);
  EXPECT_EQ(lifetime.GetElapsed(), 1000);
}

TEST_F(EffectLifetimeTest, RunningTimeStopsAtTheLargestValue) {
  CEffectLifetime lifetime;
  lifetime.Update(true);
  Advance(lifetime, 0x7FFFFFF0u);
  Advance(lifetime, 0x7FFFFFF0u);
  EXPECT_EQ(lifetime.GetElapsed(), INT32_MAX);
}

TEST_F(EffectLifetimeTest, DurationIsReadInSecondsAndStoredInMilliseconds) {
  struct Case {
    const char* written;
    int storedMs;
    const char* readBack;
  };
  for (const Case& c : {Case{"5", 5000, "5"}, Case{"0", 0, "0"}, Case{"-3", 0, "0"},
                        Case{"abc", 0, "0"}, Case{"2147483", 2147483000, "2147483"},
                        Case{"2147484", CEffectLifetime::kMaxDuration, "2147483"},
                        Case{"99999999999", CEffectLifetime::kMaxDuration, "2147483"}}) {
    CEffectLifetime lifetime;
    ASSERT_EQ(lifetime.SetProperty(PROP_LIFETIME_DURATION, c.written), S_OK);
    EXPECT_EQ(lifetime.GetDuration(), c.storedMs) << c.written;
    EXPECT_EQ(Get(lifetime, PROP_LIFETIME_DURATION), c.readBack) << c.written;
    CPackageFile package(MakePackageTag("FCEC"));
    lifetime.Save(package);
    EXPECT_EQ(package.GetInt(PROP_LIFETIME_DURATION, -1), c.storedMs) << c.written;
  }
}

TEST_F(EffectLifetimeTest, SavesModeDurationAndTransitionAndLoadsThemBack) {
  CEffectLifetime lifetime;
  lifetime.SetProperty(PROP_LIFETIME_MODE, "2");
  lifetime.SetProperty(PROP_LIFETIME_DURATION, "7");
  lifetime.SetProperty(PROP_LIFETIME_TRANSITION, "3");
  CPackageFile package(MakePackageTag("FCEC"));
  ASSERT_EQ(lifetime.Save(package), S_OK);
  std::vector<uint32_t> ids;
  for (const auto& item : package.GetItems()) ids.push_back(item.id);
  EXPECT_THAT(ids, ElementsAre(12, 13, 4104));
  EXPECT_EQ(package.GetInt(13, 0), 7000);

  CEffectLifetime loaded;
  ASSERT_EQ(loaded.Load(package), S_OK);
  EXPECT_EQ(loaded.GetMode(), 2);
  EXPECT_EQ(loaded.GetDuration(), 7000);
  EXPECT_EQ(loaded.GetTransition(), 3);
}

TEST_F(EffectLifetimeTest, SavesTheModeInForceWhenTheDefaultIsNotEndless) {
  // Mode 0 of an old face effect means "timed"; a file written now would read it as
  // endless, so the mode in force is written. Mode 0 under the usual default stays 0.
  struct Case {
    int mode, defaultMode, stored;
  };
  for (const Case& c : {Case{0, LIFETIME_TIMED, LIFETIME_TIMED}, Case{0, LIFETIME_ENDLESS, 0},
                        Case{1, LIFETIME_TIMED, 1}, Case{2, LIFETIME_ENDLESS, 2}}) {
    CEffectLifetime lifetime;
    if (c.mode != 0) lifetime.SetProperty(PROP_LIFETIME_MODE, std::to_string(c.mode));
    lifetime.SetDefaultMode(c.defaultMode);
    CPackageFile package(MakePackageTag("FCEC"));
    ASSERT_EQ(lifetime.Save(package), S_OK);
    EXPECT_EQ(package.GetInt(PROP_LIFETIME_MODE, -1), c.stored) << c.mode << " " << c.defaultMode;
    CEffectLifetime loaded;  // as a new file loads: endless by default
    ASSERT_EQ(loaded.Load(package), S_OK);
    EXPECT_EQ(loaded.GetEffectiveMode(), lifetime.GetEffectiveMode());
  }
}

TEST_F(EffectLifetimeTest, LoadingKeepsModeAndDurationButClearsAMissingTransition) {
  CEffectLifetime lifetime;
  lifetime.SetProperty(PROP_LIFETIME_MODE, "2");
  lifetime.SetProperty(PROP_LIFETIME_DURATION, "3");
  lifetime.SetProperty(PROP_LIFETIME_TRANSITION, "2");
  CPackageFile empty(MakePackageTag("FCEC"));
  ASSERT_EQ(lifetime.Load(empty), S_OK);
  EXPECT_EQ(lifetime.GetMode(), 2);
  EXPECT_EQ(lifetime.GetDuration(), 3000);
  EXPECT_EQ(lifetime.GetTransition(), 0);

  CPackageFile negative(MakePackageTag("FCEC"));
  negative.SetInt(PROP_LIFETIME_DURATION, -5000);
  ASSERT_EQ(lifetime.Load(negative), S_OK);
  EXPECT_EQ(lifetime.GetDuration(), 0);
}

TEST_F(EffectLifetimeTest, OtherIdsAreNotTheLifetimes) {
  CEffectLifetime lifetime;
  std::string value = "kept";
  EXPECT_EQ(lifetime.GetProperty(PROP_LAYOUT_WIDTH, value), E_FAIL);
  EXPECT_EQ(lifetime.SetProperty(PROP_EFFECT_NAME, "x"), E_FAIL);
  EXPECT_EQ(value, "kept");
}

}  // namespace
