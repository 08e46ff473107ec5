#include "engine/base/ModuleValues.h"

#include <atomic>
#include <cstdint>

namespace {

// Width in the high and height in the low 32 bits, so that a reader never sees the width
// of one size with the height of another.
std::atomic<uint64_t> g_outputSize{(uint64_t{320} << 32) | 240u};
std::atomic<int> g_hostVersion{0};
#ifdef _WIN32
std::atomic<HWND> g_ownerWindow{nullptr};
#endif
std::atomic<bool> g_realMediaSource{true};
std::atomic<bool> g_flvSplitter{true};

}  // namespace

SIZE GetModuleOutputSize() {
  const uint64_t packed = g_outputSize.load();
  SIZE size;
  size.cx = static_cast<LONG>(static_cast<int32_t>(static_cast<uint32_t>(packed >> 32)));
  size.cy = static_cast<LONG>(static_cast<int32_t>(static_cast<uint32_t>(packed)));
  return size;
}

void SetModuleOutputSize(int width, int height) {
  g_outputSize.store((uint64_t{static_cast<uint32_t>(width)} << 32) |
                     static_cast<uint32_t>(height));
}

int GetHostVersion() { return g_hostVersion.load(); }

void SetHostVersion(int version) { g_hostVersion.store(version); }

#ifdef _WIN32
HWND GetModuleOwnerWindow() { return g_ownerWindow.load(); }

void SetModuleOwnerWindow(HWND window) { g_ownerWindow.store(window); }
#endif

bool IsModuleSourceFilterEnabled(int kind) {
  switch (kind) {
    case SOURCE_FILTER_REALMEDIA:
      return g_realMediaSource.load();
    case SOURCE_FILTER_FLV:
      return g_flvSplitter.load();
    default:
      return false;
  }
}

void SetModuleSourceFilter(int kind, bool enable) {
  switch (kind) {
    case SOURCE_FILTER_REALMEDIA:
      g_realMediaSource.store(enable);
      break;
    case SOURCE_FILTER_FLV:
      g_flvSplitter.store(enable);
      break;
    default:
      break;
  }
}
