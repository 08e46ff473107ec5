#include "engine/base/MediaTimer.h"

#include <mmsystem.h>

namespace {

// Windows 2000 (NT 5.0) does not know the synchronous kill; elsewhere a kill waits for a
// callback in progress.
UINT KillFlagsForThisSystem() {
#if defined(__GNUC__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
#endif
  OSVERSIONINFOEXA version = {};
  version.dwOSVersionInfoSize = sizeof(version);
  if (!GetVersionExA(reinterpret_cast<OSVERSIONINFOA*>(&version))) {
    version = OSVERSIONINFOEXA{};
    version.dwOSVersionInfoSize = sizeof(OSVERSIONINFOA);
    if (!GetVersionExA(reinterpret_cast<OSVERSIONINFOA*>(&version))) {
      return TIME_KILL_SYNCHRONOUS;
    }
  }
#if defined(__GNUC__)
#pragma GCC diagnostic pop
#endif
  const bool windows2000 = version.dwPlatformId == VER_PLATFORM_WIN32_NT &&
                           version.dwMajorVersion == 5 && version.dwMinorVersion == 0;
  return windows2000 ? 0 : TIME_KILL_SYNCHRONOUS;
}

}  // namespace

CMediaTimer::CMediaTimer(UINT resolution) : m_killFlags(KillFlagsForThisSystem()) {
  TIMECAPS caps = {};
  if (timeGetDevCaps(&caps, sizeof(caps)) == TIMERR_NOERROR) {
    if (resolution < caps.wPeriodMin) resolution = caps.wPeriodMin;
    if (resolution > caps.wPeriodMax) resolution = caps.wPeriodMax;
  }
  m_resolution = resolution;
  timeBeginPeriod(m_resolution);
}

CMediaTimer::~CMediaTimer() {
  Stop();
  timeEndPeriod(m_resolution);
}

BOOL CMediaTimer::Start(UINT period) {
  if (m_running) return FALSE;
  m_periodic = TRUE;
  const MMRESULT id =
      timeSetEvent(period, m_resolution, &CMediaTimer::TimerProc, reinterpret_cast<DWORD_PTR>(this),
                   TIME_PERIODIC | TIME_CALLBACK_FUNCTION | m_killFlags);
  if (id == 0) return FALSE;
  m_timerId = id;
  m_running = TRUE;
  return TRUE;
}

void CMediaTimer::Stop() {
  if (!m_running) return;
  timeKillEvent(m_timerId);
  m_timerId = 0;
  m_running = FALSE;
}

void CALLBACK CMediaTimer::TimerProc(UINT timerId, UINT, DWORD_PTR user, DWORD_PTR, DWORD_PTR) {
  reinterpret_cast<CMediaTimer*>(user)->OnTimer(timerId);
}
