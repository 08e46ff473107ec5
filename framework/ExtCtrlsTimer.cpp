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
    static HWND wnd = AllocateHWnd(&HandleMessage);
    return wnd;
  }
  static void HandleMessage(TMessage& Message) {
    if (Message.Msg != WM_TIMER) {
      Message.Result = DefWindowProcA(Get(), Message.Msg, Message.WParam, Message.LParam);
      return;
    }
    auto found = Timers().find(Message.WParam);
    if (found != Timers().end()) found->second->Timer();  // the timer may be gone afterwards
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

