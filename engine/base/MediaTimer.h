#pragma once
// One periodic Windows multimedia timer that calls OnTimer on every period from the
// system's timer thread. The system timer resolution is raised for the object's whole life.

#include <windows.h>

class CMediaTimer {
 public:
  // Raises the system timer resolution to `resolution` ms, clamped to what the system
  // supports.
  explicit CMediaTimer(UINT resolution);
  // Stops the timer and ends the raised resolution. A derived class whose OnTimer uses its
  // own members must call Stop() in its own destructor: by the time this destructor runs,
  // the derived part is gone and a tick must no longer reach it.
  virtual ~CMediaTimer();
  CMediaTimer(const CMediaTimer&) = delete;
  CMediaTimer& operator=(const CMediaTimer&) = delete;

  // Starts a periodic timer of `period` ms. FALSE when the timer is already running (it is
  // left alone) or the system refuses the timer; TRUE otherwise.
  BOOL Start(UINT period);
  // Kills the timer when it runs; on return no tick is in progress and none follows
  // (except on Windows 2000, whose kill does not wait). Never call it from OnTimer.
  void Stop();

  // Called on the multimedia-timer thread, never on the thread that started the timer.
  // The base does nothing: a tick that arrives while a derived object that did not stop
  // its timer is being destroyed lands here instead of on a pure call.
  virtual void OnTimer(UINT timerId) {}

  // The resolution in force, in ms.
  UINT GetResolution() const { return m_resolution; }
  bool IsRunning() const { return m_running != FALSE; }

 private:
  static void CALLBACK TimerProc(UINT timerId, UINT message, DWORD_PTR user, DWORD_PTR, DWORD_PTR);

  UINT m_timerId = 0;
  UINT m_resolution = 0;
  BOOL m_periodic = FALSE;
  BOOL m_running = FALSE;
  UINT m_killFlags = 0;
};
