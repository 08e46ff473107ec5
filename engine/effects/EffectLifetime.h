// An effect's clock and lifetime: endless or timed effects, the time spent paused that does
// not count, and the entrance transition that the effect applies during its first two
// seconds. The lifetime is a property holder (answering after the layout) and a section of
// the effect file. It reads the engine clock (GetClockMs).
#pragma once

#include <cstdint>
#include <string>

#include "engine/base/WinTypes.h"

class CPackageFile;
class IPropertyNotify;

// Lifetime modes.
constexpr int LIFETIME_DEFAULT = 0;  // use the default mode
constexpr int LIFETIME_ENDLESS = 1;
constexpr int LIFETIME_TIMED = 2;

// Entrance transitions.
constexpr int TRANSITION_NONE = 0;
constexpr int TRANSITION_BRIGHTEN = 1;
constexpr int TRANSITION_DARKEN = 2;
constexpr int TRANSITION_FADE_IN = 3;

class CEffectLifetime {
 public:
  // The longest duration, in milliseconds, that a duration in seconds can express.
  static constexpr int32_t kMaxDuration = INT32_MAX / 1000 * 1000;

  explicit CEffectLifetime(IPropertyNotify* effect = nullptr);
  CEffectLifetime(const CEffectLifetime&) = delete;
  CEffectLifetime& operator=(const CEffectLifetime&) = delete;
  virtual ~CEffectLifetime() = default;

  // Mode, duration in seconds and transition in decimal; E_FAIL for other ids.
  virtual HRESULT GetProperty(int32_t id, std::string& value);
  // Changes one setting, notifies, and restarts the clock; E_FAIL for other ids.
  virtual HRESULT SetProperty(int32_t id, const std::string& value);
  virtual HRESULT NotifyChange(int32_t id);

  void SetEffect(IPropertyNotify* effect) { m_effect = effect; }

  // Advances the clock (unless paused), or sets it back to 0 with `restart`; then decides
  // whether a timed effect has expired.
  void Update(bool restart);
  void SetPaused(BOOL paused) { m_paused = paused ? TRUE : FALSE; }
  void SetDefaultMode(int mode) { m_defaultMode = mode; }

  int GetEffectiveMode() const { return m_mode == LIFETIME_DEFAULT ? m_defaultMode : m_mode; }
  int GetElapsed() const { return m_elapsed; }
  BOOL IsExpired() const { return m_expired; }
  BOOL IsPaused() const { return m_paused; }
  int GetTransition() const { return m_transition; }
  int GetMode() const { return m_mode; }
  int GetDefaultMode() const { return m_defaultMode; }
  int GetDuration() const { return m_duration; }

  HRESULT Save(CPackageFile& package) const;
  HRESULT Load(const CPackageFile& package);

 private:
  int m_mode = LIFETIME_DEFAULT;
  int m_defaultMode = LIFETIME_ENDLESS;
  int m_duration = 10000;
  int m_transition = TRANSITION_NONE;
  uint32_t m_lastTime = 0;
  int m_elapsed = 0;
  BOOL m_expired = FALSE;
  BOOL m_paused = FALSE;
  IPropertyNotify* m_effect = nullptr;
};
