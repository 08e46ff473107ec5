// The driver channel finds the camera by its friendly name, derives the device path from
// its display name and sends the size and the pixels of each picture; the stand-in
// camera's shared frame buffer shows what arrived.
#include <windows.h>
#include <dshow.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/base/DibSurface.h"
#include "engine/device/DriverChannel.h"
#include "platform/vcam/VcamDevice.h"
#include "platform/vcam/VcamProtocol.h"

namespace {

constexpr const char* kCamera = "Tavisco Channel Test Camera";

// Registers an instance in the video input category for the scope of a test.
class ScopedVideoDevice {
 public:
  ScopedVideoDevice(const wchar_t* instance, const wchar_t* friendlyName) : instance_(instance) {
    CLSIDFromString(vcam::kFilterClsidTextW, &clsid_);
    CoCreateInstance(CLSID_FilterMapper2, nullptr, CLSCTX_INPROC_SERVER, IID_IFilterMapper2,
                     reinterpret_cast<void**>(&mapper_));
    REGFILTER2 filter = {};
    filter.dwVersion = 1;
    filter.dwMerit = MERIT_DO_NOT_USE;
    ok_ = mapper_ && SUCCEEDED(mapper_->RegisterFilter(clsid_, friendlyName, nullptr,
                                                       &CLSID_VideoInputDeviceCategory,
                                                       instance_.c_str(), &filter));
  }
  ~ScopedVideoDevice() {
    if (ok_) mapper_->UnregisterFilter(&CLSID_VideoInputDeviceCategory, instance_.c_str(), clsid_);
    if (mapper_) mapper_->Release();
  }
  bool ok() const { return ok_; }

 private:
  std::wstring instance_;
  CLSID clsid_ = {};
  IFilterMapper2* mapper_ = nullptr;
  bool ok_ = false;
};

// A picture whose every byte tells its position, so misplaced rows show.
void Paint(CDibSurface& s) {
  for (int y = 0; y < s.GetHeight(); ++y) {
    BYTE* row = s.GetBits() + size_t(y) * s.GetStride();
    for (int x = 0; x < s.GetWidth() * 3; ++x) row[x] = BYTE(x * 13 + y * 7 + 1);
  }
}

std::vector<uint8_t> PackedRows(const CDibSurface& s) {
  std::vector<uint8_t> out;
  for (int y = 0; y < s.GetHeight(); ++y) {
    const BYTE* row = s.GetBits() + size_t(y) * s.GetStride();
    out.insert(out.end(), row, row + size_t(s.GetWidth()) * 3);
  }
  return out;
}

class DriverChannel : public ::testing::Test {
 protected:
  void SetUp() override { CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED); }
  void TearDown() override { CoUninitialize(); }

  void ExpectReceived(const CDibSurface& picture) {
    vcam::FrameBuffer reader;
    ASSERT_TRUE(reader.Open());
    std::vector<uint8_t> pixels;
    int32_t w = 0, h = 0;
    uint32_t count = 0;
    ASSERT_TRUE(reader.ReadFrame(pixels, w, h, count));
    EXPECT_EQ(w, picture.GetWidth());
    EXPECT_EQ(h, picture.GetHeight());
    EXPECT_EQ(pixels, PackedRows(picture));
  }
};

}  // namespace

TEST_F(DriverChannel, SendsEachPictureWithItsSizeToTheStandInCamera) {
  ScopedVideoDevice camera(vcam::kFilterClsidTextW, L"Tavisco Channel Test Camera");
  ASSERT_TRUE(camera.ok());
  CDriverChannel channel(kCamera);
  ASSERT_TRUE(channel.IsOpen());
  EXPECT_EQ(channel.GetDevicePath(), vcam::kDevicePath);

  // 320 x 240, then a size change, then a width whose rows GDI pads.
  for (SIZE size : {SIZE{320, 240}, SIZE{176, 144}, SIZE{426, 240}}) {
    CDibSurface picture;
    ASSERT_TRUE(picture.Create(size.cx, size.cy, 24));
    Paint(picture);
    EXPECT_EQ(channel.SendFrame(picture), 0);
    ExpectReceived(picture);
  }
}

// A channel whose camera cannot be found drops its frames: the camera keeps showing the
// last frame that reached it.
TEST_F(DriverChannel, WithoutTheCameraFramesAreDropped) {
  ScopedVideoDevice camera(vcam::kFilterClsidTextW, L"Tavisco Channel Test Camera");
  ASSERT_TRUE(camera.ok());
  CDriverChannel working(kCamera);
  ASSERT_TRUE(working.IsOpen());
  CDibSurface delivered;
  ASSERT_TRUE(delivered.Create(176, 144, 24));
  Paint(delivered);
  working.SendFrame(delivered);
  vcam::FrameBuffer reader;
  ASSERT_TRUE(reader.Open());
  std::vector<uint8_t> pixels;
  int32_t w = 0, h = 0;
  uint32_t before = 0;
  ASSERT_TRUE(reader.ReadFrame(pixels, w, h, before));

  CDriverChannel channel("No Such Camera Anywhere");
  EXPECT_FALSE(channel.IsOpen());
  CDibSurface dropped;
  ASSERT_TRUE(dropped.Create(320, 240, 24));
  dropped.FillWhite();
  EXPECT_EQ(channel.SendFrame(dropped), 0);
  EXPECT_EQ(channel.SendFrame(320, 240, dropped.GetBits()), 0);

  uint32_t after = 0;
  ASSERT_TRUE(reader.ReadFrame(pixels, w, h, after));
  EXPECT_EQ(after, before) << "no frame arrived";
  EXPECT_EQ(w, 176);
  EXPECT_EQ(h, 144);
  EXPECT_EQ(pixels, PackedRows(delivered));
}

TEST_F(DriverChannel, ACameraWhoseDisplayNameIsNoDevicePathStaysClosed) {
  ScopedVideoDevice other(L"SomeSoftwareCamera", L"Tavisco Channel Test Camera");
  ASSERT_TRUE(other.ok());
  CDriverChannel channel(kCamera);
  EXPECT_FALSE(channel.IsOpen());
  EXPECT_EQ(channel.GetDevicePath(), "860BB310-5D01-11D0-BD3B-00A0C911CE86}\\SomeSoftwareCamera");
}
