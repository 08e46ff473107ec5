// Capture device lists against Wine's real system device enumerator, with filters
// registered in the video and audio input categories under chosen friendly names.
// Wine keeps registry keys sorted by name, so the instance names set the order.
#include <windows.h>
#include <dshow.h>

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "engine/device/CaptureDevices.h"

namespace {

// Any class id serves: the lists read only the monikers' names, they bind no filter.
const CLSID kTestFilter = {0x7d3f1a20, 0x5b1c, 0x4e8a, {0x9c, 0x31, 0x2f, 0x60, 0x11, 0x8e, 0xa4, 0x07}};

std::wstring Wide(const std::string& s) { return std::wstring(s.begin(), s.end()); }

// One device registered for the scope of a test.
class ScopedDevice {
 public:
  ScopedDevice(const CLSID& category, const std::string& instance, const std::string& friendlyName)
      : category_(category), instance_(Wide(instance)) {
    CoCreateInstance(CLSID_FilterMapper2, nullptr, CLSCTX_INPROC_SERVER, IID_IFilterMapper2,
                     reinterpret_cast<void**>(&mapper_));
    REGFILTER2 filter = {};
    filter.dwVersion = 1;
    filter.dwMerit = MERIT_DO_NOT_USE;
    registered_ = mapper_ && SUCCEEDED(mapper_->RegisterFilter(kTestFilter, Wide(friendlyName).c_str(),
                                                               nullptr, &category_, instance_.c_str(),
                                                               &filter));
  }
  ~ScopedDevice() {
    if (registered_) mapper_->UnregisterFilter(&category_, instance_.c_str(), kTestFilter);
    if (mapper_) mapper_->Release();
  }
  bool Registered() const { return registered_; }
  std::string DisplayName(const char* categoryText) const {
    return std::string("@device:sw:") + categoryText + "\\" + std::string(instance_.begin(), instance_.end());
  }

 private:
  CLSID category_;
  std::wstring instance_;
  IFilterMapper2* mapper_ = nullptr;
  bool registered_ = false;
};

constexpr const char* kVideoCategory = "{860BB310-5D01-11D0-BD3B-00A0C911CE86}";
constexpr const char* kAudioCategory = "{33D9A762-90C8-11D0-BD43-00A0C911CE86}";
constexpr const char* kCamera = "Tavisco Test Camera";

class CaptureDevices : public ::testing::Test {
 protected:
  void SetUp() override { CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED); }
  void TearDown() override { CoUninitialize(); }

  std::unique_ptr<ScopedDevice> AddVideo(const std::string& instance, const std::string& name) {
    auto device = std::make_unique<ScopedDevice>(CLSID_VideoInputDeviceCategory, instance, name);
    EXPECT_TRUE(device->Registered()) << name;
    return device;
  }
};

}  // namespace

TEST_F(CaptureDevices, NamesDifferingOnlyInCaseAreNumbered) {
  auto a = AddVideo("cdt-1", "Test Webcam");
  auto b = AddVideo("cdt-2", "test webcam");
  auto c = AddVideo("cdt-3", "TEST WEBCAM");
  auto d = AddVideo("cdt-4", "Other Cam");
  const CCaptureDeviceList list = EnumVideoInputDevices(kCamera);
  ASSERT_EQ(list.friendlyNames.size(), list.displayNames.size());
  ASSERT_EQ(list.GetCount(), 4u);
  EXPECT_EQ(list.friendlyNames[0], "Test Webcam");
  EXPECT_EQ(list.friendlyNames[1], "test webcam (2)");
  EXPECT_EQ(list.friendlyNames[2], "TEST WEBCAM (3)");
  EXPECT_EQ(list.friendlyNames[3], "Other Cam");
  EXPECT_EQ(list.displayNames[1], b->DisplayName(kVideoCategory));
  EXPECT_TRUE(list.cameraDisplayName.empty());
}

TEST_F(CaptureDevices, VirtualCameraIsLeftOutWhereverItStands) {
  for (int position = 0; position < 3; ++position) {
    SCOPED_TRACE(position);
    std::vector<std::unique_ptr<ScopedDevice>> devices;
    for (int i = 0; i < 3; ++i) {
      const std::string instance = "cdv-" + std::to_string(i);
      devices.push_back(AddVideo(instance, i == position ? kCamera : "Real Cam " + std::to_string(i)));
    }
    const CCaptureDeviceList list = EnumVideoInputDevices(kCamera);
    ASSERT_EQ(list.GetCount(), 2u);
    for (const std::string& name : list.friendlyNames) EXPECT_NE(name, kCamera);
    EXPECT_EQ(list.cameraDisplayName, devices[position]->DisplayName(kVideoCategory));
  }
}

TEST_F(CaptureDevices, VirtualCameraMatchesItsNameExactly) {
  auto a = AddVideo("cde-1", "tavisco test camera");  // differs only in case: a real device
  auto b = AddVideo("cde-2", kCamera);
  const CCaptureDeviceList list = EnumVideoInputDevices(kCamera);
  ASSERT_EQ(list.GetCount(), 1u);
  EXPECT_EQ(list.friendlyNames[0], "tavisco test camera");
  EXPECT_EQ(list.cameraDisplayName, b->DisplayName(kVideoCategory));
}

TEST_F(CaptureDevices, OnlyTheVirtualCameraGivesAnEmptyListAndDefaultZero) {
  auto camera = AddVideo("cdo-1", kCamera);
  const CCaptureDeviceList list = EnumVideoInputDevices(kCamera);
  EXPECT_EQ(list.GetCount(), 0u);
  EXPECT_FALSE(list.cameraDisplayName.empty());
  EXPECT_EQ(GetDefaultVideoDevice(list), 0);
}

TEST_F(CaptureDevices, AudioListPairsDisplayAndFriendlyNames) {
  ScopedDevice mic(CLSID_AudioInputDeviceCategory, "cda-1", "Test Microphone");
  ASSERT_TRUE(mic.Registered());
  const CCaptureDeviceList list = EnumAudioCaptureDevices();
  ASSERT_EQ(list.friendlyNames.size(), list.displayNames.size());
  bool found = false;
  for (size_t i = 0; i < list.GetCount(); ++i) {
    if (list.displayNames[i] == mic.DisplayName(kAudioCategory)) {
      EXPECT_EQ(list.friendlyNames[i], "Test Microphone");
      found = true;
    }
  }
  EXPECT_TRUE(found);
}

TEST(CaptureDeviceDefaults, PreferUsbForVideoAndPlugAndPlayForAudio) {
  struct Case {
    std::vector<std::string> displayNames;
    int video;
    int audio;
  };
  const Case cases[] = {
      {{}, 0, 0},
      {{"@device:sw:{x}\\capture card"}, 0, 0},
      {{"@device:pnp:\\\\?\\pci#card", "@device:pnp:\\\\?\\usb#vid_046d"}, 1, 0},
      {{"@device:sw:{x}\\a", "@device:pnp:\\\\?\\pci#b", "@device:sw:{x}\\c"}, 1, 1},
      {{"@device:sw:{x}\\a", "@device:sw:{x}\\usb cam"}, 1, 1},
      {{"@device:pnp:\\\\?\\USB#upper", "@device:sw:{x}\\b"}, 0, 0},  // "usb" is case-sensitive
  };
  for (const Case& c : cases) {
    CCaptureDeviceList list;
    list.displayNames = c.displayNames;
    list.friendlyNames.assign(c.displayNames.size(), "name");
    EXPECT_EQ(GetDefaultVideoDevice(list), c.video) << ::testing::PrintToString(c.displayNames);
    EXPECT_EQ(GetDefaultAudioDevice(list), c.audio) << ::testing::PrintToString(c.displayNames);
  }
}

TEST(CaptureDeviceNames, NumberingTakesTheFirstFreeNumber) {
  std::vector<std::string> names = {"Cam", "cam (2)"};
  AddUniqueFriendlyName(names, "CAM");
  EXPECT_EQ(names.back(), "CAM (3)");
  AddUniqueFriendlyName(names, "Other");
  EXPECT_EQ(names.back(), "Other");
  AddUniqueFriendlyName(names, "cam (2)");
  EXPECT_EQ(names.back(), "cam (2) (2)");
}
