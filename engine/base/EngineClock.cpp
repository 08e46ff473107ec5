#include "engine/base/EngineClock.h"

#include <atomic>

#ifdef _WIN32
#include <windows.h>

#include <mmsystem.h>  // after windows.h, whose types it uses
#else
#include <chrono>
#endif

namespace {

uint32_t SystemClockMs() {
#ifdef _WIN32
  return timeGetTime();
#else
  const auto since = std::chrono::steady_clock::now().time_since_epoch();
  return static_cast<uint32_t>(
      std::chrono::duration_cast<std::chrono::milliseconds>(since).count());
#endif
}

std::atomic<ClockFunction> g_clock{&SystemClockMs};

}  // namespace

uint32_t GetClockMs() { return g_clock.load()(); }

ClockFunction SetClockFunction(ClockFunction clock) {
  return g_clock.exchange(clock ? clock : &SystemClockMs);
}
