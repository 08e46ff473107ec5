// A compositor under test: a sink that records what the compositor reports, and a fixture
// that builds, sizes, initialises and starts a compositor with solid colour sources.
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "EngineTestSupport.h"
#include "engine/api/EngineSink.h"
#include "engine/api/VDEngine.h"
#include "engine/base/ModuleValues.h"
#include "engine/compositor/EffectCompositor.h"

namespace test_support {

// A message the compositor posted: the message and its parameters as the program reads them.
struct Posted {
  UINT message;
  int32_t wParam;
  int32_t lParam;
  bool operator==(const Posted& o) const {
    return message == o.message && wParam == o.wParam && lParam == o.lParam;
  }
};

inline std::ostream& operator<<(std::ostream& os, const Posted& p) {
  return os << "{0x" << std::hex << p.message << std::dec << ", " << p.wParam << ", " << p.lParam
            << "}";
}

class FakeSink : public IVDEngineSink {
 public:
  LRESULT SendHostMessage(UINT message, WPARAM wParam, LPARAM lParam) override {
    return PostHostMessage(message, wParam, lParam);
  }
  LRESULT PostHostMessage(UINT message, WPARAM wParam, LPARAM lParam) override {
    std::lock_guard<std::mutex> lock(m_lock);
    m_posts.push_back({message, int32_t(INT_PTR(wParam)), int32_t(lParam)});
    return 1;
  }
  void ReportEvent(int32_t code, const std::string& text) override {
    std::lock_guard<std::mutex> lock(m_lock);
    m_events.emplace_back(code, text);
  }
  HWND GetNotifyWindow() override { return nullptr; }
  HWND GetOwnerWindow() override { return nullptr; }
  int32_t GetOutputWidth() override { return width; }
  int32_t GetOutputHeight() override { return height; }
  // No such camera: the compositor composes and sends nothing.
  std::string GetCameraName() override { return "Compositor Test Camera"; }

  // The posts of one message since the last call, which forgets every post.
  std::vector<Posted> Take(UINT message) {
    std::lock_guard<std::mutex> lock(m_lock);
    std::vector<Posted> taken;
    for (const Posted& p : m_posts) {
      if (p.message == message) taken.push_back(p);
    }
    m_posts.clear();
    return taken;
  }
  std::vector<std::pair<int32_t, std::string>> Events() {
    std::lock_guard<std::mutex> lock(m_lock);
    return m_events;
  }

  int32_t width = 320;
  int32_t height = 240;

 private:
  std::mutex m_lock;
  std::vector<Posted> m_posts;
  std::vector<std::pair<int32_t, std::string>> m_events;
};

// "@color:0x..." for a colour reference 0x00BBGGRR.
inline std::string ColourPath(DWORD colour) {
  char text[32];
  std::snprintf(text, sizeof(text), "@color:0x%06lX", static_cast<unsigned long>(colour));
  return text;
}

// Blue, green, red of a colour reference as a 24-bit pixel reads.
inline Bgra Rgb24(DWORD colour) { return FromColourRef(colour, -1); }

class CompositorTest : public ::testing::Test {
 protected:
  void SetUp() override { m_previousSize = GetModuleOutputSize(); }
  void TearDown() override {
    compositor.reset();
    SetModuleOutputSize(m_previousSize.cx, m_previousSize.cy);
  }

  // Builds and starts a compositor as the engine does.
  void Start(int rate = 0, int width = 320, int height = 240) {
    sink.width = width;
    sink.height = height;
    SetModuleOutputSize(width, height);
    compositor = std::make_unique<CEffectCompositor>(&sink);
    ASSERT_EQ(compositor->SetOutputSize(width, height), S_OK);
    ASSERT_EQ(compositor->SetFrameRate(rate), S_OK);
    ASSERT_EQ(compositor->LoadStockImages(), S_OK);
    ASSERT_EQ(compositor->Start(), S_OK);
    compositor->SetKindMultiple("Multi", TRUE);
    sink.Take(0);
  }

  // One frame now, as a streaming source would ask for it (frame rate 0).
  void Compose() {
    compositor->SetRefreshEnabled(TRUE);
    ASSERT_EQ(compositor->Refresh(), S_OK);
  }

  Bgra Out(int x, int y) {
    return PixelAt(const_cast<CDibSurface&>(compositor->GetOutputPicture()), x, y);
  }
  Bgra Preview(int x, int y) {
    return PixelAt(const_cast<CDibSurface&>(compositor->GetPreviewPicture()), x, y);
  }

  // Adds a whole-frame colour effect of a kind that may occur many times; its id.
  int32_t AddColour(DWORD colour, const char* kind = "Multi") {
    EXPECT_EQ(compositor->AddEffect(ColourPath(colour).c_str(), kind, nullptr, nullptr), S_OK);
    return compositor->GetSelectedEffect();
  }

  std::string Property(int32_t module, int32_t id) {
    std::string value;
    EXPECT_EQ(compositor->GetProperty(module, id, value), S_OK) << module << " " << id;
    return value;
  }

  FakeSink sink;
  std::unique_ptr<CEffectCompositor> compositor;

 private:
  SIZE m_previousSize = {0, 0};
};

}  // namespace test_support
