#include "engine/elements/FrameElement.h"

#include <algorithm>

#include "engine/base/DibSurface.h"
#include "engine/base/EngineClock.h"
#include "engine/effects/Effect.h"

HRESULT CFrameElement::NotifyChange(int32_t id) {
  return m_owner ? m_owner->NotifyChange(id) : S_OK;
}

void CFrameElement::Release() { delete this; }

HRESULT CFrameElement::SetOwner(CEffect* owner) {
  m_owner = owner;
  return S_OK;
}

HRESULT CFrameElement::OnIdle() { return S_OK; }

void CFrameElement::UpdateClock() {
  if (m_state != STATE_PLAYING) return;
  const uint32_t now = GetClockMs();
  // The step is taken modulo 2^32 (a wrap of the clock costs nothing); the position stops
  // at the largest value instead of turning negative.
  const int64_t elapsed = int64_t{m_elapsed} + static_cast<uint32_t>(now - m_lastClock);
  m_elapsed = elapsed > INT32_MAX ? INT32_MAX : static_cast<int32_t>(elapsed);
  if (m_duration >= 0 && m_elapsed >= m_duration) m_state = STATE_FINISHED;
  m_lastClock = now;
}

HRESULT CFrameElement::GetTime(int32_t* position, int32_t* duration) {
  UpdateClock();
  if (position) *position = m_elapsed;
  if (duration) *duration = m_duration;
  return S_OK;
}

HRESULT CFrameElement::SetPosition(int32_t milliseconds) {
  UpdateClock();
  m_elapsed = milliseconds;
  return S_OK;
}

HRESULT CFrameElement::SetVolume(int32_t volume) {
  m_volume = volume;
  m_mute = FALSE;
  return S_OK;
}

HRESULT CFrameElement::Play() {
  if (m_owner) m_owner->SetRefreshEnabled(FALSE);
  if (m_state == STATE_PLAYING) {
    UpdateClock();
    if (m_state == STATE_PLAYING) return S_FALSE;
  }
  m_lastClock = GetClockMs();
  m_state = STATE_PLAYING;
  return S_OK;
}

HRESULT CFrameElement::Pause() {
  if (m_state != STATE_PLAYING) return S_FALSE;
  UpdateClock();
  if (m_state != STATE_PLAYING) return S_FALSE;
  m_state = STATE_PAUSED;
  return S_OK;
}

HRESULT CFrameElement::Stop() {
  UpdateClock();
  if (m_state == STATE_STOPPED) return S_FALSE;
  m_state = STATE_STOPPED;
  return S_OK;
}

int32_t CFrameElement::GetState() { return m_state; }

HRESULT CFrameElement::SetFlags(int32_t flags) {
  m_flags = flags;
  return S_OK;
}

int32_t CFrameElement::GetFlags() { return m_flags; }

BOOL CFrameElement::IsFinished() { return m_state == STATE_FINISHED ? TRUE : FALSE; }

HRESULT CFrameElement::SetDuration(int32_t milliseconds) {
  m_duration = milliseconds;
  return S_OK;
}

HRESULT CFrameElement::SetMute(BOOL mute) {
  m_mute = mute;
  return S_OK;
}

BOOL CFrameElement::GetMute() { return m_mute; }

HRESULT CFrameElement::MouseInput(UINT, int32_t, int32_t) { return S_OK; }

HRESULT CFrameElement::SetFrameSize(int32_t, int32_t) { return S_OK; }

std::string CFrameElement::GetSourcePath() { return std::string(); }

HRESULT CFrameElement::AnnounceProperties() { return S_OK; }

bool ClipToPicture(RECT& rect, const CDibSurface& picture) {
  rect.left = std::max<LONG>(0, rect.left);
  rect.top = std::max<LONG>(0, rect.top);
  rect.right = std::min<LONG>(picture.GetWidth(), rect.right);
  rect.bottom = std::min<LONG>(picture.GetHeight(), rect.bottom);
  return rect.left < rect.right && rect.top < rect.bottom;
}
