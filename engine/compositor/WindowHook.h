// CWindowHook: subclasses a window that the engine does not own, so that an engine object
// sees its messages before the window's own procedure. Several hooks may chain on one
// window: the newest receives each message first and passes it on to the one hooked before
// it by its default handling, the oldest to the window's original procedure. Hooks can be
// removed in any order; when the window is destroyed, every hook is removed, newest first,
// before the window's procedure sees WM_NCDESTROY.
//
// Messages may go to a delegate instead of the hook's own WindowProc; the delegate passes
// a message on by calling the hook's CWindowHook::WindowProc. Hooks run on the thread that
// owns the window.
#pragma once

#include <windows.h>

// Receiver of a hooked window's messages in place of the hook itself.
class IWindowHookDelegate {
 public:
  virtual LRESULT HandleMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) = 0;
  // Around the removal of the hook when its window is destroyed.
  virtual void OnBeforeUnhook() = 0;
  virtual void OnAfterUnhook() = 0;

 protected:
  ~IWindowHookDelegate() = default;
};

class CWindowHook {
 public:
  CWindowHook() = default;
  // Unhooks when hooked.
  virtual ~CWindowHook();
  CWindowHook(const CWindowHook&) = delete;
  CWindowHook& operator=(const CWindowHook&) = delete;

  // Hooks the window, with an optional delegate that receives its messages; FALSE when
  // this hook is already hooked, the handle is not a window, or the window cannot be
  // subclassed (another process's window). A null window unhooks; TRUE.
  virtual BOOL HookWindow(HWND window, IWindowHookDelegate* delegate = nullptr);
  virtual BOOL IsValid() const;
  // Around the removal of the hook when its window is destroyed (when it has no delegate).
  virtual void OnBeforeUnhook() {}
  virtual void OnAfterUnhook() {}
  virtual BOOL IsHooked() const;
  virtual BOOL IsWindow() const;
  // Invalidates the whole client area, with erasing.
  virtual void Invalidate();
  // Post and send to the hooked window; 0 when it is not a valid window.
  virtual LRESULT PostMessage(UINT message, WPARAM wParam, LPARAM lParam);
  virtual LRESULT SendMessage(UINT message, WPARAM wParam, LPARAM lParam);
  // The default handling: the hook installed before this one (its delegate, when it has
  // one), else the window's original procedure; 0 once the window no longer exists.
  virtual LRESULT WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

  HWND GetWindow() const { return m_window; }

 private:
  // The procedure installed on every hooked window.
  static LRESULT CALLBACK HookProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  // Dispatches to the hook's delegate, or to its WindowProc.
  LRESULT Deliver(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  // Removes every hook of a window being destroyed, newest first.
  static void UnhookAll(HWND window);

  HWND m_window = nullptr;
  WNDPROC m_previousProc = nullptr;
  CWindowHook* m_next = nullptr;
  IWindowHookDelegate* m_delegate = nullptr;
};
