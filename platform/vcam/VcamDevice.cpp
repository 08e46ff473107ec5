#include "platform/vcam/VcamDevice.h"

#include <cstring>
#include <map>
#include <memory>
#include <mutex>

#include "platform/vcam/VcamProtocol.h"

namespace vcam {

namespace {
constexpr DWORD kLockTimeoutMs = 200;

SharedHeader* Header(uint8_t* view) { return reinterpret_cast<SharedHeader*>(view); }
}  // namespace

FrameBuffer::~FrameBuffer() { Close(); }

bool FrameBuffer::Open() {
  if (view_) return true;
  mutex_ = CreateMutexA(nullptr, FALSE, kMutexName);
  if (!mutex_) return false;
  if (!Lock()) {
    Close();
    return false;
  }
  mapping_ = CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, kMappingSize,
                                kMappingName);
  const bool existed = GetLastError() == ERROR_ALREADY_EXISTS;
  if (mapping_) {
    view_ = static_cast<uint8_t*>(MapViewOfFile(mapping_, FILE_MAP_ALL_ACCESS, 0, 0, kMappingSize));
  }
  if (view_ && (!existed || Header(view_)->magic != kMagic)) {
    SharedHeader* h = Header(view_);
    std::memset(h, 0, sizeof(*h));
    h->magic = kMagic;
    h->headerSize = sizeof(SharedHeader);
  }
  Unlock();
  if (!view_) {
    Close();
    return false;
  }
  return true;
}

void FrameBuffer::Close() {
  if (view_) UnmapViewOfFile(view_);
  view_ = nullptr;
  if (mapping_) CloseHandle(mapping_);
  mapping_ = nullptr;
  if (mutex_) CloseHandle(mutex_);
  mutex_ = nullptr;
}

bool FrameBuffer::Lock() const {
  const DWORD r = WaitForSingleObject(mutex_, kLockTimeoutMs);
  return r == WAIT_OBJECT_0 || r == WAIT_ABANDONED;  // abandoned: we own it now
}

void FrameBuffer::Unlock() const { ReleaseMutex(mutex_); }

bool FrameBuffer::SetSize(int32_t width, int32_t height) {
  if (!view_ || width <= 0 || height <= 0 || width > kMaxWidth || height > kMaxHeight) return false;
  if (!Lock()) return false;
  SharedHeader* h = Header(view_);
  h->width = width;
  h->height = height;
  Unlock();
  return true;
}

bool FrameBuffer::WriteFrame(const void* pixels, uint32_t bytes) {
  if (!view_ || !pixels) return false;
  if (!Lock()) return false;
  SharedHeader* h = Header(view_);
  const uint64_t expected = uint64_t(uint32_t(h->width)) * uint32_t(h->height) * 3;
  const bool ok = h->width > 0 && h->height > 0 && bytes == expected && bytes <= kMaxFrameBytes;
  if (ok) {
    std::memcpy(view_ + sizeof(SharedHeader), pixels, bytes);
    h->frameBytes = bytes;
    h->frameCount++;
  }
  Unlock();
  return ok;
}

bool FrameBuffer::ReadFrame(std::vector<uint8_t>& pixels, int32_t& width, int32_t& height,
                            uint32_t& frameCount) const {
  if (!view_ || !Lock()) return false;
  const SharedHeader* h = Header(view_);
  const bool ok = h->frameCount > 0 && h->frameBytes > 0 && h->frameBytes <= kMaxFrameBytes;
  if (ok) {
    // The size may have changed after the last frame: describe the frame by its bytes.
    width = h->width;
    height = h->height;
    if (uint64_t(uint32_t(width)) * uint32_t(height) * 3 != h->frameBytes) {
      width = height = 0;
    }
    frameCount = h->frameCount;
    pixels.assign(view_ + sizeof(SharedHeader), view_ + sizeof(SharedHeader) + h->frameBytes);
  }
  Unlock();
  return ok && width > 0;
}

bool FrameBuffer::GetSize(int32_t& width, int32_t& height) const {
  if (!view_ || !Lock()) return false;
  width = Header(view_)->width;
  height = Header(view_)->height;
  Unlock();
  return true;
}

}  // namespace vcam

namespace {

// Open stand-in devices, keyed by the handle handed out (the mapping's own handle, so it
// never collides with another open handle of the process).
std::mutex gDevicesLock;
std::map<HANDLE, std::unique_ptr<vcam::FrameBuffer>>& Devices() {
  static std::map<HANDLE, std::unique_ptr<vcam::FrameBuffer>> devices;
  return devices;
}

bool IsDevicePath(const char* path) {
  return std::strncmp(path, "\\\\?\\", 4) == 0 || std::strncmp(path, "\\\\.\\", 4) == 0;
}

}  // namespace

HANDLE VcamCreateFile(LPCSTR path, DWORD access, DWORD share, LPSECURITY_ATTRIBUTES security,
                      DWORD disposition, DWORD flags, HANDLE templateFile) {
  if (!path) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return INVALID_HANDLE_VALUE;
  }
  if (lstrcmpiA(path, vcam::kDevicePath) == 0) {
    auto device = std::make_unique<vcam::FrameBuffer>();
    if (!device->Open()) {
      SetLastError(ERROR_FILE_NOT_FOUND);
      return INVALID_HANDLE_VALUE;
    }
    HANDLE h = device->MappingHandle();
    std::lock_guard<std::mutex> lock(gDevicesLock);
    Devices()[h] = std::move(device);
    return h;
  }
  // Only device paths are opened: a path that is not one (say, the rest of a display
  // name of some other kind of device) must never open a file relative to the folder.
  if (!IsDevicePath(path)) {
    SetLastError(ERROR_BAD_PATHNAME);
    return INVALID_HANDLE_VALUE;
  }
  return CreateFileA(path, access, share, security, disposition, flags, templateFile);
}

BOOL VcamDeviceIoControl(HANDLE device, DWORD code, LPVOID in, DWORD inSize, LPVOID out,
                         DWORD outSize, LPDWORD returned, LPOVERLAPPED overlapped) {
  vcam::FrameBuffer* buffer = nullptr;
  {
    std::lock_guard<std::mutex> lock(gDevicesLock);
    auto it = Devices().find(device);
    if (it != Devices().end()) buffer = it->second.get();
  }
  if (!buffer) {
    return DeviceIoControl(device, code, in, inSize, out, outSize, returned, overlapped);
  }
  if (returned) *returned = 0;
  bool ok = false;
  if (code == IOCTL_VCAM_SET_SIZE && in && inSize == 8) {
    const uint8_t* b = static_cast<const uint8_t*>(in);
    const int32_t w = int32_t(uint32_t(b[0]) | uint32_t(b[1]) << 8 | uint32_t(b[2]) << 16 |
                              uint32_t(b[3]) << 24);
    const int32_t h = int32_t(uint32_t(b[4]) | uint32_t(b[5]) << 8 | uint32_t(b[6]) << 16 |
                              uint32_t(b[7]) << 24);
    ok = buffer->SetSize(w, h);
  } else if (code == IOCTL_VCAM_WRITE_FRAME && in) {
    ok = buffer->WriteFrame(in, inSize);
  }
  if (!ok) SetLastError(ERROR_INVALID_PARAMETER);
  return ok ? TRUE : FALSE;
}

BOOL VcamCloseHandle(HANDLE handle) {
  std::unique_ptr<vcam::FrameBuffer> device;
  {
    std::lock_guard<std::mutex> lock(gDevicesLock);
    auto it = Devices().find(handle);
    if (it != Devices().end()) {
      device = std::move(it->second);
      Devices().erase(it);
    }
  }
  if (device) {
    device->Close();
    return TRUE;
  }
  return CloseHandle(handle);
}
