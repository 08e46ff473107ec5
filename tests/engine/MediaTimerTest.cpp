#include "engine/base/MediaTimer.h"

#include <gtest/gtest.h>
#include <mmsystem.h>

#include <atomic>
#include <memory>

namespace {

// What the ticks of a timer left behind; it outlives the timer so that a test can look at
// it after destruction.
struct TickLog {
  std::atomic<int> ticks{0};
  std::atomic<UINT> lastId{0};
  std::atomic<DWORD> lastThread{0};
  std::atomic<bool> inTick{false};
  std::atomic<int> tickSleep{0};  // ms each tick takes
};

class CountingTimer : public CMediaTimer {
 public:
  explicit CountingTimer(TickLog& log, UINT resolution = 1) : CMediaTimer(resolution), log_(log) {}
  ~CountingTimer() override { Stop(); }

  void OnTimer(UINT timerId) override {
    log_.inTick = true;
    log_.lastId = timerId;
    log_.lastThread = GetCurrentThreadId();
    if (log_.tickSleep > 0) Sleep(log_.tickSleep);
    ++log_.ticks;
    log_.inTick = false;
  }

 private:
  TickLog& log_;
};

// Leaves the stopping to the base class destructor. Its tick touches only a log that
// outlives it.
TickLog* g_baseStopLog = nullptr;

class BaseStoppedTimer : public CMediaTimer {
 public:
  BaseStoppedTimer() : CMediaTimer(1) {}
  void OnTimer(UINT) override { ++g_baseStopLog->ticks; }
};

bool WaitUntil(const std::atomic<bool>& flag, DWORD limitMs) {
  const DWORD start = timeGetTime();
  while (!flag) {
    if (timeGetTime() - start > limitMs) return false;
    Sleep(1);
  }
  return true;
}

TIMECAPS DevCaps() {
  TIMECAPS caps = {};
  EXPECT_EQ(timeGetDevCaps(&caps, sizeof(caps)), static_cast<MMRESULT>(TIMERR_NOERROR));
  return caps;
}

// The ticks expected in the time that really passed since `start` (on the timer's own
// clock): a loaded machine wakes a sleeping test late, and a fixed sleep would count the
// ticks of that extra time as too many.
int TicksIn(DWORD start, UINT periodMs) { return int((timeGetTime() - start) / periodMs); }

TEST(MediaTimer, TicksAboutOncePerPeriod) {
  TickLog log;
  CountingTimer timer(log);
  const DWORD start = timeGetTime();
  ASSERT_TRUE(timer.Start(20));
  EXPECT_TRUE(timer.IsRunning());
  Sleep(1000);
  const int ticks = log.ticks;
  const int expected = TicksIn(start, 20);
  timer.Stop();
  EXPECT_NEAR(ticks, expected, expected * 0.4);  // about 50, +- 40 %
}

TEST(MediaTimer, TicksOnAnotherThreadWithItsTimerId) {
  TickLog log;
  CountingTimer timer(log);
  ASSERT_TRUE(timer.Start(10));
  Sleep(200);
  timer.Stop();
  ASSERT_GT(log.ticks.load(), 0);
  EXPECT_NE(log.lastThread.load(), GetCurrentThreadId());
  EXPECT_NE(log.lastId.load(), 0u);
}

TEST(MediaTimer, StartWhileRunningFailsAndKeepsTheRunningTimer) {
  TickLog log;
  CountingTimer timer(log);
  ASSERT_TRUE(timer.Start(20));
  Sleep(100);
  const UINT firstId = log.lastId;
  EXPECT_FALSE(timer.Start(500));
  EXPECT_TRUE(timer.IsRunning());

  const int before = log.ticks;
  const DWORD start = timeGetTime();
  Sleep(1000);
  const int during = log.ticks - before;
  const int expected = TicksIn(start, 20);
  timer.Stop();
  EXPECT_NEAR(during, expected, expected * 0.4);  // still the 20 ms timer, not a 500 ms one
  EXPECT_EQ(log.lastId.load(), firstId);
}

TEST(MediaTimer, StopOnAnIdleTimerDoesNothing) {
  TickLog log;
  CountingTimer timer(log);
  timer.Stop();
  timer.Stop();
  EXPECT_FALSE(timer.IsRunning());
  ASSERT_TRUE(timer.Start(10));
  timer.Stop();
  timer.Stop();
  EXPECT_FALSE(timer.IsRunning());
}

TEST(MediaTimer, StopWaitsForARunningTickAndEndsTheTicks) {
  TickLog log;
  log.tickSleep = 150;
  CountingTimer timer(log);
  ASSERT_TRUE(timer.Start(10));
  ASSERT_TRUE(WaitUntil(log.inTick, 2000));

  timer.Stop();
  EXPECT_FALSE(log.inTick.load());  // the tick in progress has returned
  const int ticks = log.ticks;
  EXPECT_GE(ticks, 1);
  Sleep(300);
  EXPECT_EQ(log.ticks.load(), ticks);
}

TEST(MediaTimer, RestartsAfterStop) {
  TickLog log;
  CountingTimer timer(log);
  ASSERT_TRUE(timer.Start(10));
  timer.Stop();
  ASSERT_TRUE(timer.Start(10));
  const int before = log.ticks;
  Sleep(200);
  timer.Stop();
  EXPECT_GT(log.ticks.load(), before);
}

TEST(MediaTimer, DestroyingARunningTimerStopsIt) {
  TickLog log;
  g_baseStopLog = &log;
  auto timer = std::make_unique<BaseStoppedTimer>();
  ASSERT_TRUE(timer->Start(10));
  Sleep(100);
  timer.reset();
  const int ticks = log.ticks;
  EXPECT_GT(ticks, 0);
  Sleep(200);
  EXPECT_EQ(log.ticks.load(), ticks);
  g_baseStopLog = nullptr;
}

TEST(MediaTimer, ResolutionIsClampedToTheSystemRange) {
  const TIMECAPS caps = DevCaps();
  struct ResolutionCase {
    UINT requested;
    UINT expected;
  };
  const ResolutionCase cases[] = {
      {0, caps.wPeriodMin},
      {1, caps.wPeriodMin > 1 ? caps.wPeriodMin : 1},
      {caps.wPeriodMax, caps.wPeriodMax},
      {caps.wPeriodMax + 1, caps.wPeriodMax},
      {0xFFFFFFFFu, caps.wPeriodMax},
  };
  for (const ResolutionCase& c : cases) {
    TickLog log;
    CountingTimer timer(log, c.requested);
    EXPECT_EQ(timer.GetResolution(), c.expected) << "requested " << c.requested;
  }
}

TEST(MediaTimer, PeriodZeroIsRefusedAndLeavesTheTimerIdle) {
  TickLog log;
  CountingTimer timer(log);
  EXPECT_FALSE(timer.Start(0));
  EXPECT_FALSE(timer.IsRunning());
  Sleep(50);
  EXPECT_EQ(log.ticks.load(), 0);
  EXPECT_TRUE(timer.Start(10));  // the refusal left nothing behind
  timer.Stop();
}

}  // namespace
