// The timer: window timers of a hidden window, one per TTimer.
#include <map>

#include "framework/ControlsPrivate.h"
#include "framework/ExtCtrls.h"
#include "framework/Forms.h"

// ---------------------------------------------------------------------------------------
// TTimer

// The hidden window every timer's messages go to; timers are found by their id.
struct TTimerWindow {
  static std::map<UINT_PTR, TTimer*>& Timers() {
    static auto* timers = new std::map<UINT_PTR, TTimer*>;
    return *timers;
  }
  static HWND Get() {
    static HWND wnd = [] {
      WNDCLASSA wc = {};
      wc.lpfnWndProc = &Proc;
      wc.hInstance = FrameworkInstance();
      wc.lpszClassName = "TTimerWindow";
      RegisterClassA(&wc);
      return CreateWindowExA(0, wc.lpszClassName, "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                             FrameworkInstance(), nullptr);
    }();
    return wnd;
  }
  static LRESULT CALLBACK Proc(HWND Wnd, UINT Msg, WPARAM WParam, LPARAM LParam) {
    if (Msg != WM_TIMER) return DefWindowProcA(Wnd, Msg, WParam, LParam);
    auto found = Timers().find(WParam);
    if (found == Timers().end()) return 0;
    try {
      found->second->Timer();  // the timer may be gone when this returns
    } catch (...) {
      if (Application) Application->HandleException(nullptr);
    }
    return 0;
  }
};

TTimer::TTimer(TComponent* AOwner) : TComponent(AOwner) {
  static UINT_PTR next = 0x100;
  FId = ++next;
  TTimerWindow::Timers()[FId] = this;
  UpdateTimer();
}

TTimer::~TTimer() {
  if (FRunning) KillTimer(TTimerWindow::Get(), FId);
  TTimerWindow::Timers().erase(FId);
}

void TTimer::BeforeDestruction() {
  FEnabled = false;
  UpdateTimer();
  TComponent::BeforeDestruction();
}

void TTimer::SetEnabled(bool Value) {
  if (FEnabled == Value) return;
  FEnabled = Value;
  UpdateTimer();
}

void TTimer::SetInterval(unsigned Value) {
  if (FInterval == Value) return;
  FInterval = Value;
  UpdateTimer();
}

void TTimer::UpdateTimer() {
  if (FRunning) KillTimer(TTimerWindow::Get(), FId);
  FRunning = false;
  if (FEnabled && FInterval > 0) {
    if (!SetTimer(TTimerWindow::Get(), FId, FInterval, nullptr))
      throw EOutOfResources("Not enough timers available");
    FRunning = true;
  }
}

void TTimer::Timer() {
  // A copy: the handler may free the timer, and with it OnTimer.
  TNotifyEvent handler = OnTimer;
  if (handler) handler(this);
}

