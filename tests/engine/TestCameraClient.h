// The test camera of the test filter DLL as a test drives it: the DLL loaded into the
// test's process (where the engine's graphs make its filters), the camera registered as a
// video input device for the test's scope, its behaviour and picture chosen per test.
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/platform/dshow/TestCamera.h"

namespace camera_test {

class TestCameraClient {
 public:
  TestCameraClient() {
    char path[MAX_PATH];
    const DWORD n = GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string folder(path, n);
    folder = folder.substr(0, folder.rfind('\\') + 1);
    m_module = LoadLibraryA((folder + "dshow_test_filter.dll").c_str());
    if (!m_module) return;
    m_register = Find<TestCameraRegisterFunction>("TestCameraRegister");
    m_configure = Find<TestCameraConfigureFunction>("TestCameraConfigure");
    m_setPicture = Find<TestCameraSetPictureFunction>("TestCameraSetPicture");
    m_getStats = Find<TestCameraGetStatsFunction>("TestCameraGetStats");
  }
  ~TestCameraClient() {
    if (m_registered) m_register(FALSE);
    if (m_module) FreeLibrary(m_module);
  }
  TestCameraClient(const TestCameraClient&) = delete;
  TestCameraClient& operator=(const TestCameraClient&) = delete;

  bool Loaded() const { return m_module && m_register && m_configure && m_setPicture && m_getStats; }

  // Registers the camera (after taking away what an interrupted run may have left), with
  // the given behaviour and numbered frames.
  bool Register(const TestCameraSettings& settings = TestCameraSettings()) {
    if (!Loaded()) return false;
    m_register(FALSE);
    Configure(settings);
    SetPicture(nullptr, 0, 0);
    m_registered = SUCCEEDED(m_register(TRUE));
    return m_registered;
  }
  void Unregister() {
    if (m_registered) m_register(FALSE);
    m_registered = false;
  }
  void Configure(const TestCameraSettings& settings) { m_configure(&settings); }
  void SetPicture(const BYTE* pixels, int width, int height) { m_setPicture(pixels, width, height); }
  void SetPicture(const std::vector<BYTE>& pixels, int width, int height) {
    m_setPicture(pixels.data(), width, height);
  }
  TestCameraStats Stats() const {
    TestCameraStats stats = {};
    m_getStats(&stats);
    return stats;
  }

 private:
  template <typename F>
  F Find(const char* name) {
    return reinterpret_cast<F>(reinterpret_cast<void*>(GetProcAddress(m_module, name)));
  }

  HMODULE m_module = nullptr;
  TestCameraRegisterFunction m_register = nullptr;
  TestCameraConfigureFunction m_configure = nullptr;
  TestCameraSetPictureFunction m_setPicture = nullptr;
  TestCameraGetStatsFunction m_getStats = nullptr;
  bool m_registered = false;
};

}  // namespace camera_test
