#include "engine/base/Random.h"

#include <atomic>
#include <cstdlib>

namespace {

int32_t RuntimeRandom() { return static_cast<int32_t>(std::rand() & kRandomMax); }

std::atomic<RandomGenerator> g_generator{&RuntimeRandom};

}  // namespace

int32_t NextRandom() { return g_generator.load(std::memory_order_relaxed)() & kRandomMax; }

RandomGenerator SetRandomGenerator(RandomGenerator generator) {
  return g_generator.exchange(generator ? generator : &RuntimeRandom);
}
