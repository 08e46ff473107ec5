// The device-I/O layer of the virtual camera: which paths open, and what the stand-in
// device accepts.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "platform/vcam/VcamDevice.h"
#include "platform/vcam/VcamProtocol.h"

namespace {

std::vector<uint8_t> SizeRequest(int32_t w, int32_t h) {
  std::vector<uint8_t> b(8);
  for (int i = 0; i < 4; ++i) {
    b[i] = uint8_t(uint32_t(w) >> (8 * i));
    b[4 + i] = uint8_t(uint32_t(h) >> (8 * i));
  }
  return b;
}

BOOL Send(HANDLE h, DWORD code, std::vector<uint8_t> data) {
  DWORD returned = 1234;
  BOOL ok = VcamDeviceIoControl(h, code, data.empty() ? nullptr : data.data(), DWORD(data.size()),
                                nullptr, 0, &returned, nullptr);
  EXPECT_EQ(returned, 0u);
  return ok;
}

HANDLE OpenStandIn() {
  return VcamCreateFile(vcam::kDevicePath, GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
}

}  // namespace

TEST(VcamDevice, PathsThatAreNotDevicePathsNeverOpenAFile) {
  // A file with exactly that relative name exists in the current folder: it must not open.
  // (Its name is this process's own: other test processes run in the same folder.)
  const std::string name = "not-a-device-path-" + std::to_string(GetCurrentProcessId()) + ".bin";
  const char* relative = name.c_str();
  std::FILE* f = std::fopen(relative, "wb");
  ASSERT_NE(f, nullptr);
  std::fclose(f);
  for (const char* path : {relative, "860BB310-5D01-11D0-BD3B-00A0C911CE86}\\SomeOtherCamera", "",
                           "C:\\windows\\win.ini"}) {
    SetLastError(0);
    HANDLE h = VcamCreateFile(path, GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    EXPECT_EQ(h, INVALID_HANDLE_VALUE) << path;
    EXPECT_EQ(GetLastError(), DWORD(ERROR_BAD_PATHNAME)) << path;
  }
  EXPECT_EQ(VcamCreateFile(nullptr, GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr),
            INVALID_HANDLE_VALUE);
  std::remove(relative);
}

TEST(VcamDevice, RealDevicePathsGoToTheSystem) {
  // "\\.\NUL" is a device every system has.
  HANDLE h = VcamCreateFile("\\\\.\\NUL", GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(h, INVALID_HANDLE_VALUE);
  EXPECT_TRUE(VcamCloseHandle(h));
  EXPECT_EQ(VcamCreateFile("\\\\.\\NoSuchDeviceHere", GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0,
                           nullptr),
            INVALID_HANDLE_VALUE);
}

TEST(VcamDevice, StandInTakesTheSizeThenTheFrame) {
  HANDLE h = OpenStandIn();
  ASSERT_NE(h, INVALID_HANDLE_VALUE);
  EXPECT_NE(OpenStandIn(), INVALID_HANDLE_VALUE) << "the path is matched without regard to case";

  std::vector<uint8_t> frame(8 * 4 * 3);
  for (size_t i = 0; i < frame.size(); ++i) frame[i] = uint8_t(i * 7 + 1);
  EXPECT_TRUE(Send(h, IOCTL_VCAM_SET_SIZE, SizeRequest(8, 4)));
  EXPECT_TRUE(Send(h, IOCTL_VCAM_WRITE_FRAME, frame));

  vcam::FrameBuffer reader;
  ASSERT_TRUE(reader.Open());
  std::vector<uint8_t> pixels;
  int32_t w = 0, hgt = 0;
  uint32_t count = 0;
  ASSERT_TRUE(reader.ReadFrame(pixels, w, hgt, count));
  EXPECT_EQ(w, 8);
  EXPECT_EQ(hgt, 4);
  EXPECT_EQ(pixels, frame);

  // A frame of another size than the last size request is refused and changes nothing.
  std::vector<uint8_t> wrong(frame.size() - 3, 0xEE);
  EXPECT_FALSE(Send(h, IOCTL_VCAM_WRITE_FRAME, wrong));
  uint32_t after = 0;
  ASSERT_TRUE(reader.ReadFrame(pixels, w, hgt, after));
  EXPECT_EQ(after, count);
  EXPECT_EQ(pixels, frame);
  EXPECT_TRUE(VcamCloseHandle(h));
}

TEST(VcamDevice, StandInRefusesEverythingElse) {
  HANDLE h = OpenStandIn();
  ASSERT_NE(h, INVALID_HANDLE_VALUE);
  struct Case {
    DWORD code;
    std::vector<uint8_t> data;
  };
  const Case refused[] = {
      {IOCTL_VCAM_SET_SIZE, {}},                          // no buffer
      {IOCTL_VCAM_SET_SIZE, std::vector<uint8_t>(7)},     // short
      {IOCTL_VCAM_SET_SIZE, std::vector<uint8_t>(9)},     // long
      {IOCTL_VCAM_SET_SIZE, SizeRequest(0, 240)},         // empty
      {IOCTL_VCAM_SET_SIZE, SizeRequest(320, -240)},      // negative
      {IOCTL_VCAM_SET_SIZE, SizeRequest(100000, 100000)}, // larger than the buffer
      {0x1224048, SizeRequest(320, 240)},                 // unknown request
  };
  for (const Case& c : refused) {
    SetLastError(0);
    EXPECT_FALSE(Send(h, c.code, c.data)) << std::hex << c.code << " size " << c.data.size();
    EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_PARAMETER));
  }
  VcamCloseHandle(h);
}
