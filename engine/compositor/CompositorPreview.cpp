// The compositor's side of the preview: the window handed over by the program, into which
// every composed frame is painted, and the mouse input that arrives from it, which edits
// the effects (CPreviewEditor) or draws on the drawing board.
#include "engine/compositor/EffectCompositor.h"
#include "engine/effects/Effect.h"

HRESULT CEffectCompositor::SetPreviewWindow(HWND window) {
  // The frame thread paints under the lock: it never sees a released device context.
  CMutexLock lock(m_mutex, INFINITE);
  m_previewWindow.SetWindow(window);
  return S_OK;
}

int32_t CEffectCompositor::PreviewMouse(BOOL drawingBoard, UINT message, int32_t x, int32_t y) {
  if (!drawingBoard) return OnMouse(message, x, y);
  CMutexLock lock(m_mutex, INFINITE);
  return m_drawingBoard ? m_drawingBoard->MouseInput(message, x, y) : 0;
}

int32_t CEffectCompositor::OnMouse(UINT message, int32_t x, int32_t y) {
  // Every step reads the lists and may change the selected effect's rectangle: none
  // overlaps a frame.
  CMutexLock lock(m_mutex, INFINITE);
  m_changed = FALSE;
  return m_editor.OnMouse(message, x, y);
}

size_t CEffectCompositor::CEditHost::UserEffectCount() { return m_compositor.m_userEffects.size(); }

CEffect* CEffectCompositor::CEditHost::UserEffectAt(size_t index) {
  return m_compositor.m_userEffects[index].get();
}

size_t CEffectCompositor::CEditHost::LayerCount() { return m_compositor.m_layers.size(); }

CEffect* CEffectCompositor::CEditHost::LayerAt(size_t index) {
  return m_compositor.m_layers[index].get();
}

CEffect* CEffectCompositor::CEditHost::GetSelection() { return m_compositor.m_selected; }

void CEffectCompositor::CEditHost::SetSelection(CEffect* effect) {
  m_compositor.m_selected = effect;
  m_compositor.m_changed = TRUE;
}

void CEffectCompositor::CEditHost::PostEffectsChanged(BOOL selectionChanged) {
  m_compositor.PostEffectsChanged(selectionChanged);
}
