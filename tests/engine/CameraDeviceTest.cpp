// The camera element on the test camera of the test filter DLL: playing, pausing,
// stopping and playing again, and a device that cannot be opened.
#include <dshow.h>
#include <windows.h>

#include <gtest/gtest.h>

#include <memory>

#include "engine/effects/PropertyIds.h"
#include "engine/elements/CameraSource.h"
#include "engine/graphs/CameraGraph.h"
#include "platform/dshow/MediaType.h"
#include "tests/engine/TestCameraClient.h"
#include "tests/platform/dshow/TestFilters.h"

namespace {

struct ElementDeleter {
  void operator()(IFrameElement* e) const { e->Release(); }
};

class CameraDevice : public ::testing::Test {
 protected:
  void SetUp() override {
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    ASSERT_TRUE(camera.Loaded());
    ASSERT_TRUE(camera.Register());
  }
  void TearDown() override {
    camera.Unregister();
    CoUninitialize();
  }

  // The number of the frame the element's picture holds; -1 without one.
  static int64_t PictureNumber(CCameraSource& source) {
    CFrameLock lock;
    source.LockFrame(nullptr, &lock);
    int64_t number = -1;
    if (lock.picture && lock.picture->GetBits() && lock.picture->GetWidth() == 320)
      number = DecodeFrame(lock.picture->GetBits(), lock.picture->GetBitsSize(), 320, 240, 3);
    source.UnlockFrame();
    return number;
  }
  // Waits until the picture shows a frame numbered above `after`.
  static int64_t WaitForFrameAfter(CCameraSource& source, int64_t after, DWORD timeoutMs = 3000) {
    const DWORD start = GetTickCount();
    int64_t number = -1;
    while ((number = PictureNumber(source)) <= after && GetTickCount() - start < timeoutMs) Sleep(20);
    return number;
  }

  camera_test::TestCameraClient camera;
};

TEST_F(CameraDevice, PlaysPausesStopsAndPlaysAgain) {
  std::unique_ptr<CCameraSource, ElementDeleter> source(new CCameraSource("Engine Camera"));
  EXPECT_EQ(source->Pause(), S_OK) << "pausing a stopped camera changes nothing";
  EXPECT_EQ(source->GetState(), STATE_STOPPED);

  ASSERT_EQ(source->Open(std::string("@cam:") + TEST_CAMERA_DISPLAY_NAME), S_OK);
  ASSERT_FALSE(source->IsFailed());
  ASSERT_NE(source->GetGraph(), nullptr);
  EXPECT_EQ(source->GetState(), STATE_PLAYING) << "a camera plays from the moment it opens";
  EXPECT_EQ(source->GetGraph()->GetFriendlyName(), "Tavisco Test Camera");
  int32_t width = 0, height = 0;
  source->GetSize(&width, &height);
  EXPECT_EQ(width, 320);  // the output size it asked for
  EXPECT_EQ(height, 240);
  int64_t number = WaitForFrameAfter(*source, -1);
  ASSERT_GE(number, 0);

  EXPECT_EQ(source->Pause(), S_OK);
  EXPECT_EQ(source->GetState(), STATE_PAUSED);
  EXPECT_EQ(source->Play(), S_OK);
  number = WaitForFrameAfter(*source, number);
  EXPECT_GE(number, 0) << "a paused camera runs on";

  // A stopped graph delivers nothing more, even when run again: the camera opens its
  // device again, and its frames count from the start once more.
  EXPECT_EQ(source->Stop(), S_OK);
  EXPECT_EQ(source->GetState(), STATE_STOPPED);
  EXPECT_EQ(source->Stop(), S_FALSE);
  Sleep(300);
  const int64_t frozen = PictureNumber(*source);
  EXPECT_EQ(source->Play(), S_OK);
  EXPECT_EQ(source->GetState(), STATE_PLAYING);
  const DWORD start = GetTickCount();
  while (PictureNumber(*source) == frozen && GetTickCount() - start < 3000) Sleep(20);
  EXPECT_NE(PictureNumber(*source), frozen) << "the picture moves again";
}

TEST_F(CameraDevice, AFailedCameraRefusesToPlayUntilAnotherDeviceIsSet) {
  std::unique_ptr<CCameraSource, ElementDeleter> source(new CCameraSource("Engine Camera"));
  ASSERT_EQ(source->Open("@cam:@device:sw:{860BB310-5D01-11D0-BD3B-00A0C911CE86}\\Nothing"), S_OK);
  EXPECT_TRUE(source->IsFailed());
  EXPECT_EQ(source->GetGraph(), nullptr) << "a camera that failed keeps no graph";
  EXPECT_EQ(source->Play(), E_FAIL);
  CFrameLock lock;
  EXPECT_EQ(source->LockFrame(nullptr, &lock), E_FAIL) << "no host, no stock picture";
  source->UnlockFrame();

  ASSERT_EQ(source->SetProperty(PROP_CAMERA_DEVICE, TEST_CAMERA_DISPLAY_NAME), S_OK);
  EXPECT_FALSE(source->IsFailed());
  EXPECT_EQ(source->Play(), S_OK);
  EXPECT_GE(WaitForFrameAfter(*source, -1), 0);
}

TEST_F(CameraDevice, TheFormatAskedForIsRgb24AtTheSizeInAVideoInfoBlock) {
  AM_MEDIA_TYPE* mt = MakeCaptureFormat(176, 144);
  ASSERT_NE(mt, nullptr);
  EXPECT_TRUE(IsEqualGUID(mt->majortype, MEDIATYPE_Video));
  EXPECT_TRUE(IsEqualGUID(mt->subtype, MEDIASUBTYPE_RGB24));
  EXPECT_TRUE(IsEqualGUID(mt->formattype, FORMAT_VideoInfo));
  EXPECT_TRUE(mt->bFixedSizeSamples);
  EXPECT_FALSE(mt->bTemporalCompression);
  EXPECT_EQ(mt->lSampleSize, 176u * 3 * 144);
  ASSERT_EQ(mt->cbFormat, sizeof(VIDEOINFO));
  const VIDEOINFOHEADER* info = reinterpret_cast<const VIDEOINFOHEADER*>(mt->pbFormat);
  EXPECT_EQ(info->AvgTimePerFrame, 333333);
  EXPECT_EQ(info->dwBitRate, 176u * 3 * 144 * 240);
  EXPECT_EQ(info->bmiHeader.biSize, sizeof(BITMAPINFOHEADER));
  EXPECT_EQ(info->bmiHeader.biWidth, 176);
  EXPECT_EQ(info->bmiHeader.biHeight, 144);
  EXPECT_EQ(info->bmiHeader.biBitCount, 24);
  EXPECT_EQ(info->bmiHeader.biSizeImage, 176u * 3 * 144);
  DeleteMediaType(mt);
  // Rows are padded to 4 bytes.
  mt = MakeCaptureFormat(162, 10);
  ASSERT_NE(mt, nullptr);
  EXPECT_EQ(reinterpret_cast<const VIDEOINFOHEADER*>(mt->pbFormat)->bmiHeader.biSizeImage, 488u * 10);
  DeleteMediaType(mt);
  EXPECT_EQ(MakeCaptureFormat(0, 240), nullptr);
  EXPECT_EQ(MakeCaptureFormat(320, -1), nullptr);

  for (const char* name : {"@device:sw:x", "@DEVICE:cm:y", "@Device:"})
    EXPECT_TRUE(IsDeviceMonikerName(name)) << name;
  for (const char* name : {"", "@cam:@device:sw:x", "device:sw:x", "C:\\camera.avi",
                           "clsid:6D1F3A52-8E0B-4C61-9A77-2B5E31C0D430:", "@devic"})
    EXPECT_FALSE(IsDeviceMonikerName(name)) << name;
}

}  // namespace
