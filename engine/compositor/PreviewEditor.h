// CPreviewEditor: grabbing an effect in the preview with the mouse, moving it and resizing
// it by its edges and corners. The program forwards the preview window's mouse messages in
// output pixels; hovering over an effect shows the hand cursor, a press on an effect selects
// it and starts an edit, dragging while the left button is held changes its rectangle, and
// after the release the edge cursors keep showing until the program ends the edit
// (message 0) or a press lands on empty space.
//
// The editor works on the effects its host shows it. The host (the compositor) holds its
// lock for every call, so an edit step never overlaps a frame. The edit keeps to the effect
// the press grabbed, also when the program selects another one meanwhile; only when that
// effect is gone from the host's lists (removed) does the edit end, without touching any
// effect.
#pragma once

#include <windows.h>

#include <cstddef>
#include <cstdint>

class CEffect;

// What the editor needs of the compositor.
class IPreviewEditHost {
 public:
  // The user effects in drawing order, and the extra layers.
  virtual size_t UserEffectCount() = 0;
  virtual CEffect* UserEffectAt(size_t index) = 0;
  virtual size_t LayerCount() = 0;
  virtual CEffect* LayerAt(size_t index) = 0;
  // The selected effect (a user effect or an extra layer), or null.
  virtual CEffect* GetSelection() = 0;
  // Makes the effect the selected one.
  virtual void SetSelection(CEffect* effect) = 0;
  // WM_ENGINE_EVENT, WParam 0, LParam 1 when the selection changed, else 0.
  virtual void PostEffectsChanged(BOOL selectionChanged) = 0;

 protected:
  ~IPreviewEditHost() = default;
};

class CPreviewEditor {
 public:
  explicit CPreviewEditor(IPreviewEditHost& host) : m_host(host) {}
  CPreviewEditor(const CPreviewEditor&) = delete;
  CPreviewEditor& operator=(const CPreviewEditor&) = delete;

  // One mouse message in output pixels: 0 ends the edit, WM_MOUSEMOVE, WM_LBUTTONDOWN,
  // WM_LBUTTONUP, WM_RBUTTONUP. Returns 1 for a button release that finds no edit active
  // (the program may then handle it itself), else 0.
  int32_t OnMouse(UINT message, int32_t x, int32_t y);

  // The effect under the point: the user effects from the last to the first, then the
  // extra layers from the last to the first, skipping layers without element; null when
  // none.
  CEffect* FindEffectAt(const POINT& point);

  // An edit is active: the compositor outlines the selected effect and keeps expired
  // effects until it ends.
  BOOL IsEditing() const { return m_editing; }
  BOOL IsDragging() const { return m_dragging; }
  int GetGripZone() const { return m_zone; }
  // The edited effect's rectangle as it was at the press, and as it is now.
  const RECT& GetStartRect() const { return m_startRect; }
  const RECT& GetCurrentRect() const { return m_currentRect; }

 private:
  void OnMove(const POINT& point);
  void OnPress(const POINT& point);
  // The edited effect is still among the host's user effects and extra layers.
  bool TargetExists();
  void EndEdit();

  IPreviewEditHost& m_host;
  BOOL m_editing = FALSE;
  BOOL m_dragging = FALSE;
  int m_zone = 0;
  POINT m_dragStart = {0, 0};
  RECT m_startRect = {0, 0, 0, 0};
  RECT m_currentRect = {0, 0, 0, 0};
  // The effect the edit works on, and its id: ids are never given twice, so an effect
  // made at the address of a deleted one is not taken for it.
  CEffect* m_target = nullptr;
  int32_t m_targetId = 0;
};
