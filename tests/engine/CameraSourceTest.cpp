// The camera element without a device: samples of every row layout land upright in its
// picture, unusable samples change nothing, and its view properties and rectangle.
#include "engine/elements/CameraSource.h"

#include <dshow.h>
#include <windows.h>

#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "engine/base/PackageFile.h"
#include "engine/effects/PropertyIds.h"

namespace {

struct ElementDeleter {
  void operator()(IFrameElement* e) const { e->Release(); }
};
using CameraPtr = std::unique_ptr<CCameraSource, ElementDeleter>;

CameraPtr NewCamera() { return CameraPtr(new CCameraSource("Engine Camera")); }

// The colour of picture pixel (x, y), y counted from the top.
BYTE Channel(int x, int y, int c) { return BYTE(x * 7 + y * 13 + c * 101); }

// A sample of a width x height picture as a device lays it out.
struct Sample {
  BITMAPINFOHEADER header = {};
  std::vector<BYTE> bits;
  Sample(int width, int height, int bitCount, bool topDown) {
    header.biSize = sizeof(header);
    header.biWidth = width;
    header.biHeight = topDown ? -height : height;
    header.biPlanes = 1;
    header.biBitCount = WORD(bitCount);
    header.biCompression = BI_RGB;
    const int bytes = bitCount / 8;
    const size_t stride = (size_t(width) * bytes + 3) & ~size_t(3);
    bits.assign(stride * height, 0xEE);  // the padding too
    for (int row = 0; row < height; ++row) {
      const int y = topDown ? row : height - 1 - row;
      for (int x = 0; x < width; ++x)
        for (int c = 0; c < bytes; ++c)
          bits[row * stride + size_t(x) * bytes + c] = c < 3 ? Channel(x, y, c) : 0x55;
    }
  }
};

// Every pixel of the camera's picture against the expected colours.
void ExpectPicture(CCameraSource& camera, int width, int height) {
  CFrameLock lock;
  ASSERT_EQ(camera.LockFrame(nullptr, &lock), S_OK);
  CDibSurface* picture = lock.picture;
  ASSERT_NE(picture, nullptr);
  ASSERT_NE(picture->GetBits(), nullptr);
  EXPECT_EQ(picture->GetWidth(), width);
  EXPECT_EQ(picture->GetHeight(), height);
  EXPECT_EQ(picture->GetBitsPerPixel(), 24);
  int wrong = 0;
  for (int y = 0; y < height && y < picture->GetHeight(); ++y) {
    const BYTE* row = picture->GetBits() + size_t(picture->GetHeight() - 1 - y) * picture->GetStride();
    for (int x = 0; x < width && x < picture->GetWidth(); ++x)
      for (int c = 0; c < 3; ++c) wrong += row[x * 3 + c] != Channel(x, y, c);
  }
  EXPECT_EQ(wrong, 0);
  camera.UnlockFrame();
}

TEST(CameraSource, SamplesOfEveryRowLayoutLandUpright) {
  struct Case {
    const char* what;
    int width, height, bitCount;
    bool topDown;
    GUID subtype;
  };
  const Case cases[] = {
      {"24-bit", 64, 48, 24, false, MEDIASUBTYPE_RGB24},
      {"24-bit top-down", 64, 48, 24, true, MEDIASUBTYPE_RGB24},
      {"24-bit padded rows", 7, 5, 24, false, MEDIASUBTYPE_RGB24},
      {"24-bit padded top-down rows", 7, 5, 24, true, MEDIASUBTYPE_RGB24},
      {"32-bit", 6, 4, 32, false, MEDIASUBTYPE_RGB32},
      {"32-bit top-down", 6, 4, 32, true, MEDIASUBTYPE_RGB32},
  };
  CameraPtr camera = NewCamera();
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Sample sample(c.width, c.height, c.bitCount, c.topDown);
    ASSERT_EQ(camera->OnFrame(&sample.header, sample.bits.data(), c.subtype), S_OK);
    ExpectPicture(*camera, c.width, c.height);
  }
}

TEST(CameraSource, UnusableSamplesLeaveThePicture) {
  CameraPtr camera = NewCamera();
  Sample good(8, 6, 24, false);
  ASSERT_EQ(camera->OnFrame(&good.header, good.bits.data(), MEDIASUBTYPE_RGB24), S_OK);

  Sample bad(8, 6, 24, false);
  for (BYTE& b : bad.bits) b = 0;
  struct Case {
    const char* what;
    LONG width, height;
    WORD bitCount;
    DWORD compression;
    GUID subtype;
  };
  const Case cases[] = {
      {"another subtype", 8, 6, 24, BI_RGB, MEDIASUBTYPE_YUY2},
      {"a depth that is not the subtype's", 8, 6, 32, BI_RGB, MEDIASUBTYPE_RGB24},
      {"compressed", 8, 6, 24, BI_RLE8, MEDIASUBTYPE_RGB24},
      {"no width", 0, 6, 24, BI_RGB, MEDIASUBTYPE_RGB24},
      {"no height", 8, 0, 24, BI_RGB, MEDIASUBTYPE_RGB24},
      {"a width no picture can have", 1 << 20, 1, 24, BI_RGB, MEDIASUBTYPE_RGB24},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    BITMAPINFOHEADER header = bad.header;
    header.biWidth = c.width;
    header.biHeight = c.height;
    header.biBitCount = c.bitCount;
    header.biCompression = c.compression;
    ASSERT_EQ(camera->OnFrame(&header, bad.bits.data(), c.subtype), S_OK);
    ExpectPicture(*camera, 8, 6);
  }
  EXPECT_EQ(camera->OnFrame(nullptr, bad.bits.data(), MEDIASUBTYPE_RGB24), S_OK);
  EXPECT_EQ(camera->OnFrame(&bad.header, nullptr, MEDIASUBTYPE_RGB24), S_OK);
  ExpectPicture(*camera, 8, 6);
}

TEST(CameraSource, ViewPropertiesAndTheRectangleItHandsOut) {
  CameraPtr camera = NewCamera();
  Sample sample(320, 240, 24, false);
  ASSERT_EQ(camera->OnFrame(&sample.header, sample.bits.data(), MEDIASUBTYPE_RGB24), S_OK);

  struct Case {
    int32_t id;
    const char* value;
    const char* stored;
  };
  const Case cases[] = {
      {PROP_CAMERA_ZOOM, "50", "100"},   {PROP_CAMERA_ZOOM, "1000", "400"},
      {PROP_CAMERA_ZOOM, "junk", "400"}, {PROP_CAMERA_ZOOM, "200", "200"},
      {PROP_CAMERA_PAN_X, "-300", "-100"}, {PROP_CAMERA_PAN_X, "100", "100"},
      {PROP_CAMERA_PAN_Y, "101", "100"},   {PROP_CAMERA_PAN_Y, "0", "0"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(camera->SetProperty(c.id, c.value), S_OK);
    std::string value;
    EXPECT_EQ(camera->GetProperty(c.id, value), S_OK);
    EXPECT_EQ(value, c.stored) << std::hex << c.id << " " << c.value;
  }
  CFrameLock lock;
  ASSERT_EQ(camera->LockFrame(nullptr, &lock), S_OK);
  EXPECT_EQ(lock.source.left, 0);
  EXPECT_EQ(lock.source.top, 60);
  EXPECT_EQ(lock.source.right, 160);
  EXPECT_EQ(lock.source.bottom, 180);
  camera->UnlockFrame();

  EXPECT_EQ(camera->SetProperty(PROP_CAMERA_RESET_VIEW, "1"), S_OK);
  lock = CFrameLock();
  ASSERT_EQ(camera->LockFrame(nullptr, &lock), S_OK);
  EXPECT_EQ(lock.source.right, 0) << "the whole picture at zoom 100";
  camera->UnlockFrame();

  // Ids the camera does not know, and the write-only ones, are declined.
  std::string value;
  EXPECT_EQ(camera->GetProperty(PROP_CAMERA_SHOW_SETTINGS, value), E_FAIL);
  EXPECT_EQ(camera->GetProperty(PROP_CAMERA_RESET_VIEW, value), E_FAIL);
  EXPECT_EQ(camera->GetProperty(PROP_TEXT, value), E_FAIL);
  EXPECT_EQ(camera->SetProperty(PROP_TEXT, "x"), E_FAIL);
  EXPECT_EQ(camera->SetProperty(PROP_CAMERA_SHOW_SETTINGS, "1"), E_FAIL) << "no device";

  // The device name is the package item; a name that is no device moniker is not opened.
  EXPECT_EQ(camera->SetProperty(PROP_CAMERA_DEVICE, "@cam:no camera"), S_OK);
  EXPECT_TRUE(camera->IsFailed());
  CPackageFile package(MakePackageTag("FCEC"));
  EXPECT_EQ(camera->Save(&package), S_OK);
  EXPECT_EQ(package.GetText(PROP_CAMERA_DEVICE, "none"), "@cam:no camera");
}

}  // namespace
