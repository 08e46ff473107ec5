#include "engine/effects/EffectLifetime.h"

#include "engine/base/EngineClock.h"
#include "engine/base/PackageFile.h"
#include "engine/base/TextUtils.h"
#include "engine/effects/PropertyIds.h"
#include "engine/effects/PropertyNotify.h"

namespace {

// Durations are whole milliseconds from 0 to the largest number of whole seconds.
int LimitDuration(int64_t milliseconds) {
  if (milliseconds < 0) return 0;
  return milliseconds > CEffectLifetime::kMaxDuration ? CEffectLifetime::kMaxDuration
                                                      : static_cast<int>(milliseconds);
}

}  // namespace

// The clock starts at construction, so that an effect drawn before it was started does not
// count the time since the clock's zero.
CEffectLifetime::CEffectLifetime(IPropertyNotify* effect)
    : m_lastTime(GetClockMs()), m_effect(effect) {}

HRESULT CEffectLifetime::NotifyChange(int32_t id) {
  return m_effect ? m_effect->NotifyChange(id) : S_OK;
}

void CEffectLifetime::Update(bool restart) {
  const uint32_t now = GetClockMs();
  if (restart) {
    m_elapsed = 0;
  } else if (!m_paused) {
    // The step is taken modulo 2^32, so a wrap of the clock costs nothing; the running time
    // stops at the largest value instead of turning negative after 24 days.
    const int64_t elapsed = int64_t{m_elapsed} + static_cast<uint32_t>(now - m_lastTime);
    m_elapsed = elapsed > INT32_MAX ? INT32_MAX : static_cast<int>(elapsed);
  }
  m_lastTime = now;

  const int mode = GetEffectiveMode();
  if (mode == LIFETIME_ENDLESS) {
    m_expired = FALSE;
  } else if (mode == LIFETIME_TIMED && !m_paused) {
    m_expired = m_duration < m_elapsed ? TRUE : FALSE;
  }
}

HRESULT CEffectLifetime::SetProperty(int32_t id, const std::string& text) {
  const int value = ParseInt(text, 0);
  switch (id) {
    case PROP_LIFETIME_MODE:
      m_mode = value;
      if (value == LIFETIME_TIMED) m_duration = 10000;
      NotifyChange(PROP_LIFETIME_MODE);
      NotifyChange(PROP_LIFETIME_DURATION);
      break;
    case PROP_LIFETIME_DURATION:
      m_duration = LimitDuration(int64_t{value} * 1000);
      NotifyChange(id);
      break;
    case PROP_LIFETIME_TRANSITION:
      m_transition = value;
      NotifyChange(id);
      break;
    default:
      return E_FAIL;
  }
  Update(true);
  return S_OK;
}

HRESULT CEffectLifetime::GetProperty(int32_t id, std::string& value) {
  switch (id) {
    case PROP_LIFETIME_MODE:
      value = IntToText(m_mode);
      return S_OK;
    case PROP_LIFETIME_DURATION:
      value = IntToText(m_duration / 1000);
      return S_OK;
    case PROP_LIFETIME_TRANSITION:
      value = IntToText(m_transition);
      return S_OK;
    default:
      return E_FAIL;
  }
}

HRESULT CEffectLifetime::Save(CPackageFile& package) const {
  // A file is always written as a new one, which times a mode of 0 as endless. A mode of 0
  // that means something else here (an old face effect that ends after its duration) is
  // written as the mode in force, so that the copy ends as the original does.
  const int mode = m_mode == LIFETIME_DEFAULT && m_defaultMode != LIFETIME_ENDLESS
                       ? m_defaultMode
                       : m_mode;
  package.SetInt(PROP_LIFETIME_MODE, mode);
  package.SetInt(PROP_LIFETIME_DURATION, m_duration);
  package.SetInt(PROP_LIFETIME_TRANSITION, m_transition);
  return S_OK;
}

HRESULT CEffectLifetime::Load(const CPackageFile& package) {
  m_mode = package.GetInt(PROP_LIFETIME_MODE, m_mode);
  m_duration = LimitDuration(package.GetInt(PROP_LIFETIME_DURATION, m_duration));
  m_transition = package.GetInt(PROP_LIFETIME_TRANSITION, TRANSITION_NONE);
  return S_OK;
}
