// The compositor's side of the preview: the window handed over by the program, painting
// every composed frame into it, and the mouse input that arrives from it. The window is
// kept in its simplest form here: its device context is taken when it is handed over and
// each frame is stretched into its whole client area with HALFTONE. Mouse editing of
// effects in the preview is not part of this build: the mouse input changes nothing.
#include "engine/compositor/EffectCompositor.h"

HRESULT CEffectCompositor::SetPreviewWindow(HWND window) {
  // The frame thread paints under the lock: it never sees a released device context.
  CMutexLock lock(m_mutex, INFINITE);
  AttachPreviewWindow(window);
  return S_OK;
}

void CEffectCompositor::AttachPreviewWindow(HWND window) {
  if (m_previewDc) ReleaseDC(m_previewWindow, m_previewDc);
  m_previewDc = nullptr;
  m_previewWindow = window;
  if (m_previewWindow) m_previewDc = GetDC(m_previewWindow);
}

void CEffectCompositor::PaintPreviewWindow(CDibSurface& picture) {
  if (!m_previewDc) return;
  HDC source = picture.GetDC();
  if (!source) return;
  RECT client = {0, 0, 0, 0};
  GetClientRect(m_previewWindow, &client);
  SetStretchBltMode(m_previewDc, HALFTONE);
  SetBrushOrgEx(m_previewDc, 0, 0, nullptr);
  StretchBlt(m_previewDc, 0, 0, client.right - client.left, client.bottom - client.top, source, 0,
             0, picture.GetWidth(), picture.GetHeight(), SRCCOPY);
  GdiFlush();
}

int32_t CEffectCompositor::PreviewMouse(BOOL, UINT, int32_t, int32_t) { return 0; }
