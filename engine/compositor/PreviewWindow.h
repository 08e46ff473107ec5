// The window in which the host program shows the engine's output. The compositor paints
// every composed frame into it from the frame thread, through a device context that the
// main thread took when the window was handed over.
#pragma once

#include <windows.h>

class CDibSurface;

class CPreviewWindow {
 public:
  CPreviewWindow() = default;
  // Releases the device context of the window.
  virtual ~CPreviewWindow();
  CPreviewWindow(const CPreviewWindow&) = delete;
  CPreviewWindow& operator=(const CPreviewWindow&) = delete;

  // Releases the device context of the previous window, then keeps the new window and its
  // device context. A null window stops all painting. Not safe against a Paint running at
  // the same time: the owner serialises the two (the compositor holds its lock for both).
  virtual void SetWindow(HWND window);

  // Stretches the whole picture into the whole client area with HALFTONE, whatever the
  // aspect ratios. Does nothing without a window or without pixels; always 0.
  HRESULT Paint(CDibSurface& picture);

  HWND GetWindow() const { return m_window; }

 private:
  void ReleaseDeviceContext();

  HWND m_window = nullptr;
  HDC m_dc = nullptr;
};
