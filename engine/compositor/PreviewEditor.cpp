#include "engine/compositor/PreviewEditor.h"

#include "engine/compositor/GripZone.h"
#include "engine/effects/Effect.h"

namespace {

void ShowSystemCursor(int cursorId) {
  if (cursorId) SetCursor(LoadCursorA(nullptr, MAKEINTRESOURCEA(cursorId)));
}

}  // namespace

int32_t CPreviewEditor::OnMouse(UINT message, int32_t x, int32_t y) {
  const POINT point = {x, y};
  switch (message) {
    case 0:
      EndEdit();
      return 0;
    case WM_MOUSEMOVE:
      OnMove(point);
      return 0;
    case WM_LBUTTONDOWN:
      OnPress(point);
      return 0;
    case WM_LBUTTONUP:
      if (!m_editing) return 1;
      m_dragging = FALSE;
      return 0;
    case WM_RBUTTONUP:
      return m_editing ? 0 : 1;
    default:
      return 0;
  }
}

CEffect* CPreviewEditor::FindEffectAt(const POINT& point) {
  for (size_t i = m_host.UserEffectCount(); i-- > 0;) {
    CEffect* effect = m_host.UserEffectAt(i);
    if (effect && PointInRect(effect->GetRect(), point)) return effect;
  }
  for (size_t i = m_host.LayerCount(); i-- > 0;) {
    CEffect* layer = m_host.LayerAt(i);
    if (layer && !layer->HasNoElement() && PointInRect(layer->GetRect(), point)) return layer;
  }
  return nullptr;
}

void CPreviewEditor::OnMove(const POINT& point) {
  if (!m_editing) {
    if (FindEffectAt(point)) ShowSystemCursor(kCursorHand);
    return;
  }
  if (!TargetExists()) {
    EndEdit();
    return;
  }
  if (!m_dragging) {
    ShowSystemCursor(GripZoneCursor(HitZone(m_currentRect, point, kGripMargin)));
    return;
  }
  if (point.x == m_dragStart.x && point.y == m_dragStart.y) return;
  if (m_zone == GRIP_NONE) return;
  const RECT rect = DragRect(m_startRect, m_zone, int64_t{point.x} - m_dragStart.x,
                             int64_t{point.y} - m_dragStart.y);
  m_target->SetRect(rect);
  m_currentRect = m_target->GetRect();
  m_host.PostEffectsChanged(FALSE);
}

void CPreviewEditor::OnPress(const POINT& point) {
  m_zone = GRIP_NONE;
  BOOL changed = FALSE;
  CEffect* effect = m_host.GetSelection();
  if (!effect || !PointInRect(effect->GetRect(), point)) {
    effect = FindEffectAt(point);
    if (effect) {
      m_host.SetSelection(effect);
      changed = TRUE;
    }
  }
  if (!effect) {
    // Empty space: the selection stays, the edit ends, nothing is posted.
    EndEdit();
    return;
  }
  m_editing = TRUE;
  m_dragging = TRUE;
  m_dragStart = point;
  m_target = effect;
  m_targetId = effect->GetId();
  m_startRect = m_currentRect = effect->GetRect();
  m_zone = HitZone(m_startRect, point, kGripMargin);
  m_host.PostEffectsChanged(changed);
}

bool CPreviewEditor::TargetExists() {
  // Compared by address and id: ids are never given twice, so an effect made at the address
  // of a deleted one is not taken for it, and the target itself is never read.
  auto isTarget = [this](CEffect* effect) {
    return effect && effect == m_target && effect->GetId() == m_targetId;
  };
  for (size_t i = 0; i < m_host.UserEffectCount(); ++i) {
    if (isTarget(m_host.UserEffectAt(i))) return true;
  }
  for (size_t i = 0; i < m_host.LayerCount(); ++i) {
    if (isTarget(m_host.LayerAt(i))) return true;
  }
  return false;
}

void CPreviewEditor::EndEdit() {
  m_editing = FALSE;
  m_dragging = FALSE;
  m_zone = GRIP_NONE;
  m_target = nullptr;
  m_targetId = 0;
}
