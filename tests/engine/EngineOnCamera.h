// The fixture of the end-to-end tests that drive one engine through the library into the
// stand-in camera: the camera installed and its frame buffer open, and an engine made and
// initialised with the camera's name as the program does it, at the test's output size
// and frame rate. Files the test lists in `files` are deleted afterwards.
#pragma once

#include <objbase.h>
#include <windows.h>

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "platform/vcam/VcamDevice.h"
#include "tests/engine/CameraTestSupport.h"
#include "tests/engine/EngineClient.h"

namespace camera_test {

class EngineOnCamera : public ::testing::Test {
 protected:
  EngineOnCamera(int width, int height, int rate) : m_width(width), m_height(height), m_rate(rate) {}

  void SetUp() override {
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    ASSERT_TRUE(library.Loaded());
    ASSERT_TRUE(InstallCamera(library));
    ASSERT_TRUE(buffer.Open());
    engine.reset(new engine_client::EngineObject(library));
    engine_client::Engine* e = Eng();
    VD(e, SetNotifyWindow, notify.Handle());
    EXPECT_EQ(VD(e, SetOutputSize, m_width, m_height), 1);
    EXPECT_EQ(VD(e, SetFrameRate, m_rate), 1);
    VD(e, Initialize, kCameraName);
  }
  void TearDown() override {
    engine.reset();
    for (const std::string& path : files) DeleteFileA(path.c_str());
    if (library.Loaded()) library.RemoveDevice(kHardwareId);
    CoUninitialize();
  }

  engine_client::Engine* Eng() { return engine->get(); }

  // Keeps the program's side going: its messages and the engine's housekeeping tick.
  void Run(DWORD milliseconds) {
    const DWORD start = GetTickCount();
    do {
      notify.Pump(20);
      VD(Eng(), Tick);
    } while (GetTickCount() - start < milliseconds);
  }

  engine_client::Library library;
  engine_client::NotifyWindow notify;
  vcam::FrameBuffer buffer;
  std::unique_ptr<engine_client::EngineObject> engine;
  std::vector<std::string> files;

 private:
  const int m_width, m_height, m_rate;
};

}  // namespace camera_test
