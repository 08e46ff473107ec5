// The engine's connection to the virtual camera: finds the camera by its friendly name,
// opens its device and sends it every composed picture.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include "platform/vcam/VcamProtocol.h"

class CDibSurface;

class CDriverChannel {
 public:
  explicit CDriverChannel(const std::string& cameraName);
  ~CDriverChannel();
  CDriverChannel(const CDriverChannel&) = delete;
  CDriverChannel& operator=(const CDriverChannel&) = delete;

  // Sends the size, then the pixels of the picture; always 0. Without a device the frame
  // is dropped.
  HRESULT SendFrame(const CDibSurface& picture);
  // The same for a raw 24-bit picture: rows bottom-up, width * 3 bytes each.
  HRESULT SendFrame(int width, int height, const void* pixels);

  bool IsOpen() const { return device_ != INVALID_HANDLE_VALUE; }
  const std::string& GetDevicePath() const { return devicePath_; }

 private:
  HANDLE device_ = INVALID_HANDLE_VALUE;
  std::string devicePath_;
  // Rows packed for the device when the picture pads them, kept from frame to frame.
  std::vector<uint8_t> packed_;
};
