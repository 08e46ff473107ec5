// The engine's pseudo-random numbers. Every random choice of the engine (new random
// positions of effects, snow flakes, ripple drops, shake offsets) draws from this one
// source, so that a test can put a generator of its own in place and know every number.
// By default the numbers come from the C runtime's rand(), which the engine never seeds.
#pragma once

#include <cstdint>

// The largest number a generator returns; numbers lie in 0 .. kRandomMax.
constexpr int32_t kRandomMax = 0x7FFF;

// A generator: returns the next number in 0 .. kRandomMax.
using RandomGenerator = int32_t (*)();

// The next number of the generator in force, held to 0 .. kRandomMax.
int32_t NextRandom();
// Puts a generator in place; null brings back the runtime's. Returns the previous one.
// Callers change it only while no frame is being composed (tests, before they start).
RandomGenerator SetRandomGenerator(RandomGenerator generator);
