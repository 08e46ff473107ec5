// Helpers of the form tests: objects freed at the end of a scope, running the message
// loop until something happened, real input sent from another thread (as a user's input
// arrives, so that key routing and modal loops see it as they would), pixels read back
// from the screen, and screenshots.
#pragma once

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "framework/Forms.h"

struct TFreeDeleter {
  void operator()(TObject* Object) const {
    if (Object) Object->Free();
  }
};
template <class T>
using TOwned = std::unique_ptr<T, TFreeDeleter>;

// Handles messages (idle work included) until Done answers true or the time is up;
// returns Done's last answer.
inline bool PumpUntil(const std::function<bool()>& Done, DWORD TimeoutMs = 5000) {
  const DWORD start = GetTickCount();
  while (!Done()) {
    if (GetTickCount() - start > TimeoutMs) return Done();
    // A timer wakes the idle wait so the time limit holds.
    UINT_PTR timer = SetTimer(nullptr, 0, 20, nullptr);
    Application->HandleMessage();
    KillTimer(nullptr, timer);
  }
  return true;
}

// Handles messages for a while.
inline void PumpFor(DWORD Ms) {
  const DWORD start = GetTickCount();
  PumpUntil([&] { return GetTickCount() - start >= Ms; }, Ms + 1000);
}

// Counts the idle passes of the application, so that input steps can wait until the
// program has seen what they did.
class TIdleCounter {
 public:
  TIdleCounter() {
    Application->OnIdle = [this](TObject*, bool& Done) {
      ++FCount;
      Done = true;
    };
  }
  ~TIdleCounter() { Application->OnIdle = nullptr; }
  int Count() const { return FCount.load(); }

 private:
  std::atomic<int> FCount{0};
};

// Runs input steps on another thread while this thread runs the message loop; each step
// is followed by a wait until the application has been idle twice (it has handled what
// the step caused).
class TInputDriver {
 public:
  using TStep = std::function<void()>;
  void Add(TStep Step) { FSteps.push_back(std::move(Step)); }
  void Run(DWORD TimeoutMs = 20000) {
    TIdleCounter idle;
    std::atomic<bool> finished{false};
    HWND app = Application->GetHandle();
    std::thread worker([&] {
      for (const TStep& step : FSteps) {
        step();
        WaitIdle(idle, app);
      }
      finished = true;
      PostMessageA(app, WM_NULL, 0, 0);
    });
    PumpUntil([&] { return finished.load(); }, TimeoutMs);
    worker.join();
    FSteps.clear();
  }

  static void WaitIdle(const TIdleCounter& Idle, HWND App) {
    for (int round = 0; round < 3; ++round) {
      const int seen = Idle.Count();
      const DWORD start = GetTickCount();
      while (Idle.Count() < seen + 1 && GetTickCount() - start < 2000) {
        PostMessageA(App, WM_NULL, 0, 0);
        Sleep(5);
      }
    }
  }

 private:
  std::vector<TStep> FSteps;
};

// Input as the user gives it (call these on the input thread).
inline void MoveMouseTo(int X, int Y) {
  const int w = GetSystemMetrics(SM_CXSCREEN), h = GetSystemMetrics(SM_CYSCREEN);
  INPUT in = {};
  in.type = INPUT_MOUSE;
  // The system maps an absolute move to dx * width / 65536 rounded down: the smallest dx
  // that reaches X gives X itself.
  in.mi.dx = (X * 65536 + w - 1) / w;
  in.mi.dy = (Y * 65536 + h - 1) / h;
  in.mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
  SendInput(1, &in, sizeof(in));
  // Wine moves the pointer through the X server and takes the position back from its
  // events; on a loaded machine the position of an earlier move can come back late. The
  // step ends once the system has reported the new position several times in a row.
  const DWORD start = GetTickCount();
  int steady = 0;
  while (steady < 3 && GetTickCount() - start < 2000) {
    POINT p;
    steady = GetCursorPos(&p) && std::abs(p.x - X) <= 1 && std::abs(p.y - Y) <= 1 ? steady + 1 : 0;
    Sleep(2);
  }
}

inline void MouseButton(bool Down, bool Right = false) {
  INPUT in = {};
  in.type = INPUT_MOUSE;
  in.mi.dwFlags = Right ? (Down ? MOUSEEVENTF_RIGHTDOWN : MOUSEEVENTF_RIGHTUP)
                        : (Down ? MOUSEEVENTF_LEFTDOWN : MOUSEEVENTF_LEFTUP);
  SendInput(1, &in, sizeof(in));
}

inline void KeyEvent(WORD Key, bool Down) {
  INPUT in = {};
  in.type = INPUT_KEYBOARD;
  in.ki.wVk = Key;
  in.ki.wScan = static_cast<WORD>(MapVirtualKeyA(Key, MAPVK_VK_TO_VSC));
  in.ki.dwFlags = Down ? 0 : KEYEVENTF_KEYUP;
  SendInput(1, &in, sizeof(in));
}

inline void TypeKey(WORD Key, std::initializer_list<WORD> Modifiers = {}) {
  for (WORD m : Modifiers) KeyEvent(m, true);
  KeyEvent(Key, true);
  KeyEvent(Key, false);
  for (WORD m : Modifiers) KeyEvent(m, false);
}

// The screen point of a client point of a control. Safe on the input thread: it makes no
// window (the control's windows must exist already).
inline TPoint ScreenPoint(TControl* Control, int X, int Y) {
  POINT p = {X, Y};
  TControl* at = Control;
  while (at && !dynamic_cast<TWinControl*>(at)) {
    p.x += at->GetLeft();
    p.y += at->GetTop();
    at = at->GetParent();
  }
  auto* windowed = static_cast<TWinControl*>(at);
  if (windowed && windowed->HandleAllocated()) ClientToScreen(windowed->GetHandle(), &p);
  return FromPOINT(p);
}

// The colour of a screen pixel, after the display has caught up.
inline TColor ScreenPixel(const TPoint& P) {
  GdiFlush();
  TWindowDC screen;
  return static_cast<TColor>(GetPixel(screen, P.X, P.Y));
}

// Writes the window's part of the screen to a bitmap file in the folder that
// TAVISCO_SCREENSHOTS names (nothing when it is not set).
inline void Screenshot(HWND Wnd, const std::string& Name) {
  char folder[MAX_PATH] = {};
  if (!GetEnvironmentVariableA("TAVISCO_SCREENSHOTS", folder, MAX_PATH)) return;
  RECT r;
  GetWindowRect(Wnd, &r);
  TOwned<TBitmap> shot(new TBitmap);
  shot->SetPixelFormat(pf24bit);
  shot->SetSize(r.right - r.left, r.bottom - r.top);
  TWindowDC screen;
  BitBlt(shot->GetCanvas()->GetHandle(), 0, 0, r.right - r.left, r.bottom - r.top, screen, r.left,
         r.top, SRCCOPY);
  shot->SaveToFile(std::string(folder) + "\\" + Name + ".bmp");
}
