#include "engine/compositor/PreviewWindow.h"

#include "engine/base/DibSurface.h"

CPreviewWindow::~CPreviewWindow() { ReleaseDeviceContext(); }

void CPreviewWindow::ReleaseDeviceContext() {
  if (m_dc) ReleaseDC(m_window, m_dc);
  m_dc = nullptr;
}

void CPreviewWindow::SetWindow(HWND window) {
  ReleaseDeviceContext();
  m_window = window;
  if (m_window) m_dc = GetDC(m_window);
}

HRESULT CPreviewWindow::Paint(CDibSurface& picture) {
  if (!m_dc) return S_OK;
  HDC source = picture.GetDC();
  if (!source) return S_OK;
  RECT client = {0, 0, 0, 0};
  GetClientRect(m_window, &client);
  SetStretchBltMode(m_dc, HALFTONE);
  // HALFTONE stretching reads the brush origin; keep it at the window's corner.
  SetBrushOrgEx(m_dc, 0, 0, nullptr);
  StretchBlt(m_dc, 0, 0, client.right - client.left, client.bottom - client.top, source, 0, 0,
             picture.GetWidth(), picture.GetHeight(), SRCCOPY);
  // The frame thread draws nothing else until the next frame: let this one show now.
  GdiFlush();
  return S_OK;
}
