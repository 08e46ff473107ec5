// The narrow interface through which the compositor and its effects report back to the
// engine object: messages to the program's notify window, events, and the engine's windows,
// output size and camera name. The engine implements it and hands it to the compositor.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

class IVDEngineSink {
 public:
  // SendMessage / PostMessage result towards the notify window; -1 when there is none.
  // Both may be called from any thread.
  virtual LRESULT SendHostMessage(UINT message, WPARAM wParam, LPARAM lParam) = 0;
  virtual LRESULT PostHostMessage(UINT message, WPARAM wParam, LPARAM lParam) = 0;
  // Keeps code and text as the last event, then posts WM_ENGINE_EVENT (1, code). Any
  // thread; never blocks.
  virtual void ReportEvent(int32_t code, const std::string& text) = 0;
  virtual HWND GetNotifyWindow() = 0;
  virtual HWND GetOwnerWindow() = 0;
  virtual int32_t GetOutputWidth() = 0;
  virtual int32_t GetOutputHeight() = 0;
  virtual std::string GetCameraName() = 0;

 protected:
  ~IVDEngineSink() = default;
};
