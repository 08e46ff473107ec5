// What the virtual camera understands: the two device I/O control requests the engine
// sends per frame, and the stand-in camera's identity and shared frame buffer.
#pragma once

#include <cstdint>

// Device type 0x122, FILE_READ_ACCESS, METHOD_BUFFERED; functions 0x18 and 0x11.
constexpr uint32_t IOCTL_VCAM_SET_SIZE = 0x1224060;     // 8 bytes: int32 width, int32 height
constexpr uint32_t IOCTL_VCAM_WRITE_FRAME = 0x1224044;  // width * height * 3 bytes, BGR, bottom-up

namespace vcam {

// The stand-in camera is a DirectShow capture source filter registered in the video
// input category under this class id (also its instance name there).
constexpr const char* kFilterClsidText = "{5C2E7A14-8F3B-4D62-A1C9-7E40B3D5F218}";
constexpr const wchar_t* kFilterClsidTextW = L"{5C2E7A14-8F3B-4D62-A1C9-7E40B3D5F218}";

// Its moniker display name is "@device:sw:" + category + "\" + instance; the engine
// drops the first 12 characters to get a device path, which gives this text.
constexpr const char* kDevicePath =
    "860BB310-5D01-11D0-BD3B-00A0C911CE86}\\{5C2E7A14-8F3B-4D62-A1C9-7E40B3D5F218}";

// Shared frame buffer between the engine (writer) and every process that opens the
// camera (readers). Fixed-width fields only, so 32- and 64-bit processes agree.
constexpr const char* kMappingName = "Local\\TaviscoVirtualCamera.Frame";
constexpr const char* kMutexName = "Local\\TaviscoVirtualCamera.Lock";
constexpr uint32_t kMagic = 0x4D414356;  // "VCAM"
constexpr int32_t kMaxWidth = 1920;
constexpr int32_t kMaxHeight = 1080;
constexpr uint32_t kMaxFrameBytes = uint32_t(kMaxWidth) * kMaxHeight * 3;

struct SharedHeader {
  uint32_t magic;
  uint32_t headerSize;
  int32_t width;        // from the last size request
  int32_t height;
  uint32_t frameBytes;  // bytes of the last frame written (width * height * 3)
  uint32_t frameCount;  // frames written since the buffer was made
  uint32_t reserved[2];
};
static_assert(sizeof(SharedHeader) == 32, "shared header layout");

constexpr uint32_t kMappingSize = sizeof(SharedHeader) + kMaxFrameBytes;

}  // namespace vcam
