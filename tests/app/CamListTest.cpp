// The capture-device list of the default-camera dialog against Wine's system device
// enumerator, with devices registered in the video input category under chosen names.
// Wine lists the registered devices in the order of their instance names: the tests' own
// begin with "!", so they come first even when a killed run left a device behind.
#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "app/CamList.h"
#include "tests/app/ScopedVideoDevice.h"

namespace {

class CamList : public ::testing::Test {
 protected:
  void SetUp() override { CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED); }
  void TearDown() override {
    FDevices.clear();
    CoUninitialize();
  }
  const TScopedVideoDevice& Add(const AnsiString& Instance, const AnsiString& Name) {
    FDevices.push_back(std::make_unique<TScopedVideoDevice>(Instance, AnsiToWide(Name)));
    EXPECT_TRUE(FDevices.back()->Registered()) << Name;
    return *FDevices.back();
  }

  std::vector<std::unique_ptr<TScopedVideoDevice>> FDevices;
};

}  // namespace

TEST_F(CamList, DuplicateNamesTakeTheListPositionOfTheLastEqualName) {
  // Five devices all named Cam: the number is the position (from 0) of the last earlier
  // Cam, and only positions above 1 give a suffix.
  for (int i = 0; i < 5; ++i) Add(Format("!clt-dup-%d", {i}), "Cam");
  Add("!clt-dup-5", "Other");
  Add("!clt-dup-6", "Cam");
  TCapDeviceList list;
  EnumCapDevices(CLSID_VideoInputDeviceCategory, &list);
  const char* expected[] = {"Cam", "Cam", "Cam", "Cam (2)", "Cam (3)", "Other", "Cam (4)"};
  ASSERT_GE(list.GetCount(), 7);
  for (int i = 0; i < 7; ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(i == 5 ? "Other" : "Cam", list.GetDevice(i)->GetFriendlyName());
    EXPECT_EQ(expected[i], list.GetDevice(i)->GetName());
    EXPECT_EQ(FDevices[i]->DisplayName(), list.GetDevice(i)->GetDisplayName());
    EXPECT_NE(nullptr, list.GetDevice(i)->GetMoniker());
  }
  TCapDeviceList ours;  // the first seven only
  for (int i = 0; i < 7; ++i)
    ours.Add(new TCapDeviceInfo(list.GetDevice(i)->GetFriendlyName(), list.GetDevice(i)->GetName(),
                                list.GetDevice(i)->GetDisplayName()));
  EXPECT_EQ(6, IndexOfCapDevice("Cam", &ours));
  EXPECT_EQ(5, IndexOfCapDevice("Other", &ours));
  EXPECT_EQ(-1, IndexOfCapDevice("cam", &ours));  // exact comparison
  EXPECT_EQ(-1, IndexOfCapDevice("Cam (2)", &ours));

  // Names are looked up among the video input devices by Name.
  EXPECT_EQ(0, GetCapDeviceIndex("Cam"));
  EXPECT_EQ(4, GetCapDeviceIndex("Cam (3)"));
  EXPECT_EQ(-1, GetCapDeviceIndex("No Such Camera"));
  EXPECT_EQ(FDevices[3]->DisplayName(), GetCapDevicePath("Cam (2)"));
  EXPECT_EQ("", GetCapDevicePath("No Such Camera"));

  // A second enumeration into the same list starts afresh.
  const int count = list.GetCount();
  EnumCapDevices(CLSID_VideoInputDeviceCategory, &list);
  EXPECT_EQ(count, list.GetCount());
}

TEST_F(CamList, BlankNamesAreLeftOutAndNamesKeepTheirLetters) {
  Add("!clt-name-1", "   ");
  Add("!clt-name-2", "Cam\xE9ra \xAB\xBB 'q' \"d\"");
  Add("!clt-name-3", AnsiString(300, 'L'));
  TCapDeviceList list;
  EnumCapDevices(CLSID_VideoInputDeviceCategory, &list);
  ASSERT_GE(list.GetCount(), 2);
  EXPECT_EQ("Cam\xE9ra \xAB\xBB 'q' \"d\"", list.GetDevice(0)->GetName());
  EXPECT_EQ(AnsiString(300, 'L'), list.GetDevice(1)->GetName());
  EXPECT_EQ(1, GetCapDeviceIndex(AnsiString(300, 'L')));
  EXPECT_EQ(FDevices[1]->DisplayName(), GetCapDevicePath("Cam\xE9ra \xAB\xBB 'q' \"d\""));
}

TEST_F(CamList, ACategoryWithoutDevicesGivesAnEmptyList) {
  // A category no device is registered in: the enumerator has nothing to list.
  const GUID kNoCategory = {0x3b9e0c55, 0x1d7a, 0x4f2e, {0x8a, 0x61, 0x0c, 0x4d, 0x92, 0x17, 0xe3, 0x58}};
  TCapDeviceList list;
  list.Add(new TCapDeviceInfo("stale", "stale", AnsiString("@device:sw:x")));
  EnumCapDevices(kNoCategory, &list);
  EXPECT_EQ(0, list.GetCount());
  EXPECT_EQ(-1, GetCapDeviceIndex("No Camera Has This Name"));
  EXPECT_EQ("", GetCapDevicePath("No Camera Has This Name"));
}

TEST(CamListTexts, NamingRuleAndMonikerPrefix) {
  // The naming rule over a list made by hand: names only, no devices.
  TCapDeviceList list;
  const char* names[] = {"A", "A", "B", "A", "A", "B", "B"};
  const char* expected[] = {"A", "A", "B", "A", "A (3)", "B (2)", "B (5)"};
  for (int i = 0; i < 7; ++i) {
    const AnsiString name = CapDeviceName(names[i], &list);
    EXPECT_EQ(expected[i], name) << i;
    list.Add(new TCapDeviceInfo(names[i], name, AnsiString()));
  }

  const struct {
    AnsiString In, Out;
  } cases[] = {
      {"@device:pnp:\\\\?\\usb#vid_046d&pid_0825#6&1&0#{65e8773d-8f56-11d0-a3b9-00a0c9223196}\\global",
       "\\\\?\\usb#vid_046d&pid_0825#6&1&0#{65e8773d-8f56-11d0-a3b9-00a0c9223196}\\global"},
      {"@device:sw:{860BB310-5D01-11D0-BD3B-00A0C911CE86}\\Cam",
       "{860BB310-5D01-11D0-BD3B-00A0C911CE86}\\Cam"},
      {"a:b:c:d", "c:d"},
      {"one:two", "two"},
      {"no colon", "no colon"},
      {"::", ""},
      {"", ""},
  };
  for (const auto& c : cases) EXPECT_EQ(c.Out, StripMonikerPrefix(c.In)) << c.In;
}
