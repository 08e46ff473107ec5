// Helpers shared by the effect and source tests: pixel access on surfaces, a clock the test
// drives, and a host that records what effects ask of it.
#pragma once

#include <windows.h>

#include <array>
#include <string>
#include <utility>
#include <vector>

#include "engine/base/DibSurface.h"
#include "engine/base/EngineClock.h"
#include "engine/effects/EffectHost.h"

namespace test_support {

using Bgra = std::array<int, 4>;

// Pixel (x, y) counted from the top, as rectangles count.
inline BYTE* At(CDibSurface& s, int x, int y) {
  return s.GetBits() + size_t(s.GetHeight() - 1 - y) * s.GetStride() +
         size_t(x) * s.GetBytesPerPixel();
}

// Blue, green, red and alpha (-1 for 24-bit surfaces).
inline Bgra PixelAt(CDibSurface& s, int x, int y) {
  const BYTE* p = At(s, x, y);
  return {p[0], p[1], p[2], s.GetBytesPerPixel() == 4 ? p[3] : -1};
}

inline void Fill(CDibSurface& s, const Bgra& c) {
  for (int y = 0; y < s.GetHeight(); ++y) {
    for (int x = 0; x < s.GetWidth(); ++x) {
      BYTE* p = At(s, x, y);
      for (int i = 0; i < s.GetBytesPerPixel(); ++i) p[i] = BYTE(c[i]);
    }
  }
}

// Blue, green, red of a colour reference 0x00BBGGRR, alpha as given.
inline Bgra FromColourRef(DWORD colour, int alpha) {
  return {int((colour >> 16) & 0xFF), int((colour >> 8) & 0xFF), int(colour & 0xFF), alpha};
}

// Drives the engine clock while it lives; the previous clock comes back afterwards.
class ScopedFakeClock {
 public:
  explicit ScopedFakeClock(uint32_t start = 100000) {
    Now() = start;
    m_previous = SetClockFunction(&Read);
  }
  ~ScopedFakeClock() { SetClockFunction(m_previous); }
  ScopedFakeClock(const ScopedFakeClock&) = delete;
  ScopedFakeClock& operator=(const ScopedFakeClock&) = delete;

  void Advance(uint32_t ms) { Now() += ms; }

 private:
  static uint32_t& Now() {
    static uint32_t now = 0;
    return now;
  }
  static uint32_t Read() { return Now(); }
  ClockFunction m_previous;
};

class FakeEffectHost : public IEffectHost {
 public:
  HRESULT Refresh() override {
    ++refreshes;
    return S_OK;
  }
  HRESULT SetRefreshEnabled(BOOL enabled) override {
    refreshEnabled.push_back(enabled);
    return S_OK;
  }
  HRESULT PostNotify(int32_t effectId, int32_t propertyId) override {
    notifications.emplace_back(effectId, propertyId);
    return S_OK;
  }
  HRESULT CopyOutputFrame(CDibSurface* destination) override {
    ++copies;
    if (destination && destination->GetBits()) Fill(*destination, outputColour);
    return S_OK;
  }
  HRESULT Notify(int32_t code, const std::string& text) override {
    events.emplace_back(code, text);
    return S_OK;
  }
  int32_t GetOutputWidth() override { return width; }
  int32_t GetOutputHeight() override { return height; }
  CDibSurface* GetStockImage(int32_t index) override {
    return index >= 0 && index < 4 ? &stock[index] : nullptr;
  }
  std::string GetCameraName() override { return "Test Camera"; }

  // The property ids posted for one effect, in order.
  std::vector<int32_t> PropertiesOf(int32_t effectId) const {
    std::vector<int32_t> ids;
    for (const auto& n : notifications) {
      if (n.first == effectId) ids.push_back(n.second);
    }
    return ids;
  }

  int refreshes = 0;
  int copies = 0;
  std::vector<BOOL> refreshEnabled;
  std::vector<std::pair<int32_t, int32_t>> notifications;
  std::vector<std::pair<int32_t, std::string>> events;
  Bgra outputColour = {0, 0, 255, 255};
  int32_t width = 320;
  int32_t height = 240;
  CDibSurface stock[4];
};

}  // namespace test_support
