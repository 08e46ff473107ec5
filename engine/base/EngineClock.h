// The engine's millisecond clock: the system's multimedia time (timeGetTime) on Windows, a
// steady clock elsewhere. It wraps around after about 49.7 days; differences of two
// readings taken in unsigned 32-bit arithmetic stay right across the wrap.
//
// Element clocks and effect lifetimes read it through GetClockMs, so that their timing can
// be driven by a replacement clock (SetClockFunction) where a test needs exact times.
#pragma once

#include <cstdint>

using ClockFunction = uint32_t (*)();

// The current clock reading in milliseconds.
uint32_t GetClockMs();
// Makes `clock` the engine's clock; null restores the system clock. Returns the clock that
// was in force before. Safe to call while other threads read the clock.
ClockFunction SetClockFunction(ClockFunction clock);
