// Device access for the virtual camera. The engine's driver channel opens the camera's
// device path and sends it requests through these three calls. For a real device path
// ("\\?\..." or "\\.\...") they are exactly CreateFileA, DeviceIoControl and CloseHandle.
// For the stand-in camera's path they reach the shared frame buffer that the stand-in
// capture filter serves to other programs. Any other path fails to open.
#pragma once

#include <windows.h>

#include <cstdint>
#include <vector>

HANDLE VcamCreateFile(LPCSTR path, DWORD access, DWORD share, LPSECURITY_ATTRIBUTES security,
                      DWORD disposition, DWORD flags, HANDLE templateFile);
BOOL VcamDeviceIoControl(HANDLE device, DWORD code, LPVOID in, DWORD inSize, LPVOID out,
                         DWORD outSize, LPDWORD returned, LPOVERLAPPED overlapped);
BOOL VcamCloseHandle(HANDLE handle);

namespace vcam {

// The named shared memory that carries the newest frame and its size. Made by whichever
// side opens it first; guarded by a named mutex between processes.
class FrameBuffer {
 public:
  FrameBuffer() = default;
  ~FrameBuffer();
  FrameBuffer(const FrameBuffer&) = delete;
  FrameBuffer& operator=(const FrameBuffer&) = delete;

  bool Open();
  void Close();
  bool IsOpen() const { return view_ != nullptr; }

  // Writer side: validate and store a size request, then a frame of exactly that size.
  bool SetSize(int32_t width, int32_t height);
  bool WriteFrame(const void* pixels, uint32_t bytes);

  // Reader side: the newest frame (BGR, bottom-up rows of width * 3 bytes). Returns
  // false when nothing was written yet or the lock could not be had in time.
  bool ReadFrame(std::vector<uint8_t>& pixels, int32_t& width, int32_t& height,
                 uint32_t& frameCount) const;
  // The size of the last size request, 0 x 0 before any.
  bool GetSize(int32_t& width, int32_t& height) const;

  HANDLE MappingHandle() const { return mapping_; }

 private:
  bool Lock() const;
  void Unlock() const;

  HANDLE mapping_ = nullptr;
  HANDLE mutex_ = nullptr;
  uint8_t* view_ = nullptr;
};

}  // namespace vcam
