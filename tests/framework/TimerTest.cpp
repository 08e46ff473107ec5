// The timer: it fires at its interval (within the system's timer steps) only while
// messages are handled, stops when disabled or given no interval, and may be disabled or
// freed inside its own OnTimer while other timers go on.
#include <gtest/gtest.h>

#include "framework/ExtCtrls.h"
#include "tests/framework/FormTestSupport.h"

TEST(Timer, FiresAtItsIntervalOnlyWhileMessagesAreHandled) {
  TOwned<TTimer> timer(new TTimer(nullptr));
  int ticks = 0;
  timer->OnTimer = [&](TObject* Sender) {
    EXPECT_EQ(timer.get(), Sender);
    ++ticks;
  };
  timer->SetInterval(50);
  const DWORD start = GetTickCount();
  PumpFor(400);
  const DWORD elapsed = GetTickCount() - start;
  // The system's timers step by about 10 ms and the clock by 16: a tick either way.
  EXPECT_GE(ticks, int(elapsed / 66) - 1);
  EXPECT_LE(ticks, int(elapsed / 50) + 1);

  // Nothing fires while no message is handled; afterwards the waiting ticks come as one.
  ticks = 0;
  Sleep(300);
  EXPECT_EQ(0, ticks);
  Application->ProcessMessages();
  EXPECT_LE(ticks, 1);

  // Disabled, or without an interval, it stops; enabled again it goes on.
  struct Case {
    const char* name;
    bool enabled;
    unsigned interval;
    bool fires;
  };
  const Case cases[] = {
      {"disabled", false, 30, false},
      {"no interval", true, 0, false},
      {"enabled again", true, 30, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    timer->SetEnabled(c.enabled);
    timer->SetInterval(c.interval);
    Application->ProcessMessages();
    ticks = 0;
    PumpFor(150);
    EXPECT_EQ(c.fires, ticks > 0);
  }
}

TEST(Timer, MayBeDisabledOrFreedInsideItsOwnHandler) {
  TOwned<TTimer> steady(new TTimer(nullptr));
  int steadyTicks = 0;
  steady->SetInterval(20);
  steady->OnTimer = [&](TObject*) { ++steadyTicks; };

  TOwned<TTimer> once(new TTimer(nullptr));
  int onceTicks = 0;
  once->SetInterval(20);
  once->OnTimer = [&](TObject*) {
    ++onceTicks;
    once->SetEnabled(false);
  };

  auto* doomed = new TTimer(nullptr);
  int doomedTicks = 0;
  bool freed = false;
  doomed->SetInterval(20);
  // The handler's captures live in the timer it frees.
  doomed->OnTimer = [doomed, &doomedTicks, &freed](TObject* Sender) {
    EXPECT_EQ(doomed, Sender);
    ++doomedTicks;
    doomed->Free();
    freed = true;
  };

  PumpFor(250);
  EXPECT_EQ(1, onceTicks);
  EXPECT_FALSE(once->GetEnabled());
  EXPECT_TRUE(freed);
  EXPECT_EQ(1, doomedTicks);
  EXPECT_GE(steadyTicks, 4);
}
