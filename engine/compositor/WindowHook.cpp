#include "engine/compositor/WindowHook.h"

#include <mutex>
#include <unordered_map>
#include <unordered_set>

namespace {

// The process-wide tables: each hooked window's newest hook, and the hooks alive now.
// The lock guards only the tables; no procedure is called while it is held.
struct HookTables {
  std::mutex lock;
  std::unordered_map<HWND, CWindowHook*> newest;
  std::unordered_set<const CWindowHook*> live;
};

HookTables& Tables() {
  static HookTables tables;
  return tables;
}

CWindowHook* NewestHookOf(HWND window) {
  HookTables& tables = Tables();
  std::lock_guard<std::mutex> guard(tables.lock);
  auto it = tables.newest.find(window);
  return it == tables.newest.end() ? nullptr : it->second;
}

bool IsLive(const CWindowHook* hook) {
  HookTables& tables = Tables();
  std::lock_guard<std::mutex> guard(tables.lock);
  return tables.live.count(hook) != 0;
}

}  // namespace

CWindowHook::~CWindowHook() {
  if (IsHooked()) HookWindow(nullptr);
}

BOOL CWindowHook::HookWindow(HWND window, IWindowHookDelegate* delegate) {
  HookTables& tables = Tables();
  if (window) {
    if (m_window || !::IsWindow(window)) return FALSE;
    std::lock_guard<std::mutex> guard(tables.lock);
    auto it = tables.newest.find(window);
    if (it != tables.newest.end()) {
      m_next = it->second;
      m_previousProc = m_next->m_previousProc;
      it->second = this;
    } else {
      SetLastError(0);
      const LONG_PTR previous =
          SetWindowLongPtrA(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&HookProc));
      if (previous == 0 && GetLastError() != 0) return FALSE;
      m_next = nullptr;
      m_previousProc = reinterpret_cast<WNDPROC>(previous);
      tables.newest.emplace(window, this);
    }
    m_window = window;
    m_delegate = delegate;
    tables.live.insert(this);
    return TRUE;
  }

  std::lock_guard<std::mutex> guard(tables.lock);
  if (m_window) {
    auto it = tables.newest.find(m_window);
    if (it != tables.newest.end()) {
      if (it->second == this) {
        if (m_next) {
          it->second = m_next;
        } else {
          tables.newest.erase(it);
          SetWindowLongPtrA(m_window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(m_previousProc));
        }
      } else {
        for (CWindowHook* hook = it->second; hook; hook = hook->m_next) {
          if (hook->m_next == this) {
            hook->m_next = m_next;
            break;
          }
        }
      }
    }
  }
  tables.live.erase(this);
  m_window = nullptr;
  m_previousProc = nullptr;
  m_next = nullptr;
  m_delegate = nullptr;
  return TRUE;
}

BOOL CWindowHook::IsValid() const { return IsWindow(); }

BOOL CWindowHook::IsHooked() const { return m_window ? TRUE : FALSE; }

BOOL CWindowHook::IsWindow() const { return ::IsWindow(m_window); }

void CWindowHook::Invalidate() { InvalidateRect(m_window, nullptr, TRUE); }

LRESULT CWindowHook::PostMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  return IsValid() ? ::PostMessageA(m_window, message, wParam, lParam) : 0;
}

LRESULT CWindowHook::SendMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  return IsValid() ? ::SendMessageA(m_window, message, wParam, lParam) : 0;
}

LRESULT CWindowHook::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (!::IsWindow(window)) return 0;
  if (m_next) return m_next->Deliver(window, message, wParam, lParam);
  // A hook removed while one of its messages was on its way has no procedure left to call.
  if (!m_previousProc) return 0;
  return CallWindowProcA(m_previousProc, window, message, wParam, lParam);
}

LRESULT CWindowHook::Deliver(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (m_delegate) return m_delegate->HandleMessage(window, message, wParam, lParam);
  return WindowProc(window, message, wParam, lParam);
}

void CWindowHook::UnhookAll(HWND window) {
  while (CWindowHook* hook = NewestHookOf(window)) {
    IWindowHookDelegate* delegate = hook->m_delegate;
    if (delegate) {
      delegate->OnBeforeUnhook();
    } else {
      hook->OnBeforeUnhook();
    }
    // The notification may have removed or deleted the hook itself; then it is done.
    if (!IsLive(hook) || hook->m_window != window) continue;
    hook->HookWindow(nullptr);
    if (delegate) {
      delegate->OnAfterUnhook();
    } else {
      hook->OnAfterUnhook();
    }
  }
}

LRESULT CALLBACK CWindowHook::HookProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  CWindowHook* hook = NewestHookOf(window);
  if (!hook) return 0;
  if (message == WM_NCDESTROY) {
    const WNDPROC previous = hook->m_previousProc;
    UnhookAll(window);
    return CallWindowProcA(previous, window, message, wParam, lParam);
  }
  return hook->Deliver(window, message, wParam, lParam);
}
