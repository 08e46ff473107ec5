#include "tests/image/AllocationMeter.h"

#include <algorithm>
#include <atomic>
#include <cstddef>
#include <cstdlib>
#include <new>

namespace {

// Each block carries its size in a header of the largest fundamental alignment.
constexpr size_t kHeader = alignof(std::max_align_t);

std::atomic<uint64_t> g_held{0};
std::atomic<uint64_t> g_peak{0};

void* Take(size_t size) noexcept {
  void* raw = std::malloc(size + kHeader);
  if (!raw) return nullptr;
  *static_cast<size_t*>(raw) = size;
  const uint64_t held = g_held.fetch_add(size, std::memory_order_relaxed) + size;
  uint64_t peak = g_peak.load(std::memory_order_relaxed);
  while (held > peak && !g_peak.compare_exchange_weak(peak, held, std::memory_order_relaxed)) {
  }
  return static_cast<char*>(raw) + kHeader;
}

void* TakeOrThrow(size_t size) {
  for (;;) {
    if (void* p = Take(size)) return p;
    const std::new_handler handler = std::get_new_handler();
    if (!handler) throw std::bad_alloc();
    handler();
  }
}

void Give(void* p) noexcept {
  if (!p) return;
  void* raw = static_cast<char*>(p) - kHeader;
  g_held.fetch_sub(*static_cast<size_t*>(raw), std::memory_order_relaxed);
  std::free(raw);
}

}  // namespace

AllocationMeter::AllocationMeter() : m_start(g_held.load()) { g_peak.store(m_start); }

uint64_t AllocationMeter::PeakBytes() const {
  const uint64_t peak = g_peak.load();
  return peak > m_start ? peak - m_start : 0;
}

void* operator new(size_t size) { return TakeOrThrow(size); }
void* operator new[](size_t size) { return TakeOrThrow(size); }
void* operator new(size_t size, const std::nothrow_t&) noexcept { return Take(size); }
void* operator new[](size_t size, const std::nothrow_t&) noexcept { return Take(size); }
void operator delete(void* p) noexcept { Give(p); }
void operator delete[](void* p) noexcept { Give(p); }
void operator delete(void* p, size_t) noexcept { Give(p); }
void operator delete[](void* p, size_t) noexcept { Give(p); }
void operator delete(void* p, const std::nothrow_t&) noexcept { Give(p); }
void operator delete[](void* p, const std::nothrow_t&) noexcept { Give(p); }
