#include "engine/device/DriverChannel.h"

#include <algorithm>
#include <cstdint>
#include <vector>

#include "engine/base/DibSurface.h"
#include "engine/device/CaptureDevices.h"
#include "platform/vcam/VcamDevice.h"

namespace {
// A plug-and-play device's display name is "@device:pnp:" followed by its device path.
constexpr size_t kDisplayNamePrefixLength = 12;
}  // namespace

CDriverChannel::CDriverChannel(const std::string& cameraName) {
  const CCaptureDeviceList devices = EnumVideoInputDevices(cameraName);
  if (devices.cameraDisplayName.size() <= kDisplayNamePrefixLength) return;
  devicePath_ = devices.cameraDisplayName.substr(kDisplayNamePrefixLength);
  device_ = VcamCreateFile(devicePath_.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
}

CDriverChannel::~CDriverChannel() {
  if (device_ != INVALID_HANDLE_VALUE) VcamCloseHandle(device_);
}

HRESULT CDriverChannel::SendFrame(int width, int height, const void* pixels) {
  if (device_ == INVALID_HANDLE_VALUE || !pixels || width <= 0 || height <= 0) return 0;
  const uint64_t bytes = uint64_t(uint32_t(width)) * uint32_t(height) * 3;
  if (bytes > 0xFFFFFFFFu) return 0;
  uint8_t size[8];
  for (int i = 0; i < 4; ++i) {
    size[i] = static_cast<uint8_t>(uint32_t(width) >> (8 * i));
    size[4 + i] = static_cast<uint8_t>(uint32_t(height) >> (8 * i));
  }
  DWORD returned = 0;
  // The driver's answers are not looked at; the next frame is sent as usual.
  VcamDeviceIoControl(device_, IOCTL_VCAM_SET_SIZE, size, sizeof(size), nullptr, 0, &returned,
                      nullptr);
  VcamDeviceIoControl(device_, IOCTL_VCAM_WRITE_FRAME, const_cast<void*>(pixels),
                      static_cast<DWORD>(bytes), nullptr, 0, &returned, nullptr);
  return 0;
}

HRESULT CDriverChannel::SendFrame(const CDibSurface& picture) {
  // The device takes 24-bit rows without padding; GDI pads rows to 4 bytes, so rows of
  // widths that are not a multiple of 4 are packed first.
  if (device_ == INVALID_HANDLE_VALUE || picture.GetBitsPerPixel() != 24 || !picture.GetBits())
    return 0;
  const int width = picture.GetWidth();
  const int height = picture.GetHeight();
  const size_t row = static_cast<size_t>(width) * 3;
  if (static_cast<size_t>(picture.GetStride()) == row) return SendFrame(width, height, picture.GetBits());
  packed_.resize(row * static_cast<size_t>(height));
  for (int y = 0; y < height; ++y)
    std::copy_n(picture.GetBits() + static_cast<size_t>(y) * picture.GetStride(), row,
                packed_.begin() + static_cast<ptrdiff_t>(y * row));
  return SendFrame(width, height, packed_.data());
}
