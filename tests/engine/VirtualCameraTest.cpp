// The virtual camera end to end: the camera installer puts the stand-in camera in place,
// FindDevice sees it, the driver channel opens it by its friendly name and sends frames,
// and a separate capture graph, built as a messenger builds one, receives those frames
// pixel for pixel. Removing it makes FindDevice false again.
#include <windows.h>
#include <dshow.h>
#include <initguid.h>
#include <devguid.h>
#include <setupapi.h>

#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <vector>

#include "engine/base/DibSurface.h"
#include "engine/base/SystemUtils.h"
#include "engine/device/CaptureDevices.h"
#include "engine/device/DeviceSetup.h"
#include "engine/device/DriverChannel.h"
#include "tests/engine/CameraTestSupport.h"

namespace {

using camera_test::kCameraName;
using camera_test::kHardwareId;

void Paint(CDibSurface& s, int seed) {
  for (int y = 0; y < s.GetHeight(); ++y) {
    BYTE* row = s.GetBits() + size_t(y) * s.GetStride();
    for (int x = 0; x < s.GetWidth() * 3; ++x) row[x] = BYTE(x * 3 + y * 11 + seed);
  }
}

// A root device with a list of hardware ids, made and removed through SetupAPI.
class ScopedRootDevice {
 public:
  explicit ScopedRootDevice(const std::vector<std::string>& ids) {
    set_ = SetupDiCreateDeviceInfoList(&GUID_DEVCLASS_IMAGE, nullptr);
    dev_.cbSize = sizeof(dev_);
    std::vector<BYTE> list;
    for (const std::string& id : ids) {
      list.insert(list.end(), id.begin(), id.end());
      list.push_back(0);
    }
    list.push_back(0);
    ok_ = set_ != INVALID_HANDLE_VALUE &&
          SetupDiCreateDeviceInfoA(set_, "Image", &GUID_DEVCLASS_IMAGE, "test device", nullptr,
                                   DICD_GENERATE_ID, &dev_) &&
          SetupDiSetDeviceRegistryPropertyA(set_, &dev_, SPDRP_HARDWAREID, list.data(),
                                            DWORD(list.size())) &&
          SetupDiCallClassInstaller(DIF_REGISTERDEVICE, set_, &dev_);
  }
  ~ScopedRootDevice() {
    if (ok_) SetupDiRemoveDevice(set_, &dev_);
    if (set_ != INVALID_HANDLE_VALUE) SetupDiDestroyDeviceInfoList(set_);
  }
  bool ok() const { return ok_; }

 private:
  HDEVINFO set_ = INVALID_HANDLE_VALUE;
  SP_DEVINFO_DATA dev_ = {};
  bool ok_ = false;
};

class VirtualCamera : public ::testing::Test {
 protected:
  void SetUp() override {
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    RemoveDevice(kHardwareId);  // a run that was killed may have left its camera behind
  }
  void TearDown() override {
    RemoveDevice(kHardwareId);  // whatever happened, leave no camera behind
    CoUninitialize();
  }
};

}  // namespace

TEST_F(VirtualCamera, InstallsSendsFramesToAnotherGraphAndRemoves) {
  ASSERT_FALSE(FindDevice(kHardwareId));
  EXPECT_NE(GetDeviceDiagnostic().find("EnumDeviceInfo FAILURE:(0x00000103)"), std::string::npos)
      << GetDeviceDiagnostic();

  // The INF path goes to the installer unquoted: put it in a folder with blanks.
  const std::string folder = GetTempFolder() + "Tavisco camera test folder " +
                             std::to_string(GetCurrentProcessId()) + "\\";
  ASSERT_EQ(CreateDirectoryPath(folder), S_OK);
  const std::string inf = folder + "TaviscoCam.inf";
  ASSERT_TRUE(CopyFileA((GetProgramFolder() + "TaviscoCam.inf").c_str(), inf.c_str(), FALSE));
  EXPECT_EQ(InstallDevice(inf.c_str(), kHardwareId), 1);
  ASSERT_TRUE(FindDevice(kHardwareId));
  EXPECT_TRUE(FindDevice("ROOT\\TAVISCOVCAM")) << "hardware ids compare without regard to case";

  const CCaptureDeviceList devices = EnumVideoInputDevices(kCameraName);
  EXPECT_FALSE(devices.cameraDisplayName.empty());

  CDriverChannel channel(kCameraName);
  ASSERT_TRUE(channel.IsOpen());
  for (SIZE size : {SIZE{320, 240}, SIZE{176, 144}}) {
    SCOPED_TRACE(size.cx);
    CDibSurface picture;
    ASSERT_TRUE(picture.Create(size.cx, size.cy, 24));
    Paint(picture, size.cx);
    channel.SendFrame(picture);

    camera_test::Captured frame;
    ASSERT_TRUE(camera_test::CaptureFromCamera(frame));
    EXPECT_EQ(frame.header.biWidth, size.cx);
    EXPECT_EQ(frame.header.biHeight, size.cy);
    ASSERT_EQ(frame.pixels.size(), picture.GetBitsSize());
    EXPECT_TRUE(std::equal(frame.pixels.begin(), frame.pixels.end(), picture.GetBits()))
        << "pixel-exact";
  }

  EXPECT_EQ(RemoveDevice(kHardwareId), 1);
  EXPECT_FALSE(FindDevice(kHardwareId));
  EXPECT_TRUE(EnumVideoInputDevices(kCameraName).cameraDisplayName.empty());
  DeleteFileA(inf.c_str());
  RemoveDirectoryA(folder.c_str());
}

TEST_F(VirtualCamera, FindDeviceMatchesAnyIdOfADevicesList) {
  ScopedRootDevice device({"TaviscoTest\\First", "TaviscoTest\\Second"});
  ASSERT_TRUE(device.ok());
  EXPECT_TRUE(FindDevice("TaviscoTest\\First"));
  EXPECT_TRUE(FindDevice("taviscotest\\second"));
  EXPECT_FALSE(FindDevice("TaviscoTest\\Sec"));
  EXPECT_FALSE(FindDevice("TaviscoTest\\Third"));
}

TEST_F(VirtualCamera, InstallerFailuresStillAnswerOne) {
  EXPECT_EQ(InstallDevice("C:\\no such folder\\missing.inf", kHardwareId), 1);
  EXPECT_FALSE(FindDevice(kHardwareId));
}
