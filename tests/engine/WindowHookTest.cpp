// Window hooks on real windows: the order in which chained hooks and the window's own
// procedure see a message, removal in any order, delegates, and the removal of every hook
// when the window is destroyed.
#include "engine/compositor/WindowHook.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

namespace {

using ::testing::ElementsAre;
using ::testing::ElementsAreArray;

constexpr UINT kProbe = WM_APP + 7;
constexpr LRESULT kWindowAnswer = 42;

// Who saw what, in order.
std::vector<std::string>& Log() {
  static std::vector<std::string> log;
  return log;
}

class LoggingHook : public CWindowHook {
 public:
  explicit LoggingHook(std::string name) : m_name(std::move(name)) {}

  LRESULT WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) override {
    if (message == kProbe) Log().push_back(m_name);
    return CWindowHook::WindowProc(window, message, wParam, lParam);
  }
  void OnBeforeUnhook() override { Log().push_back(m_name + " before unhook"); }
  void OnAfterUnhook() override { Log().push_back(m_name + " after unhook"); }

 private:
  std::string m_name;
};

// A delegate that logs, then hands the message to its hook's default handling.
class LoggingDelegate : public IWindowHookDelegate {
 public:
  LoggingDelegate(std::string name, CWindowHook& hook) : m_name(std::move(name)), m_hook(hook) {}

  LRESULT HandleMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) override {
    if (message == kProbe) Log().push_back(m_name);
    return m_hook.WindowProc(window, message, wParam, lParam);
  }
  void OnBeforeUnhook() override {
    Log().push_back(m_name + " before unhook, hooked " + std::to_string(m_hook.IsHooked()));
  }
  void OnAfterUnhook() override {
    Log().push_back(m_name + " after unhook, hooked " + std::to_string(m_hook.IsHooked()));
  }

 private:
  std::string m_name;
  CWindowHook& m_hook;
};

// A hidden window whose own procedure logs the probe message and WM_NCDESTROY.
class HookedWindow {
 public:
  HookedWindow() {
    WNDCLASSA wc = {};
    wc.lpfnWndProc = &OwnProc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = "WindowHookTestWindow";
    RegisterClassA(&wc);  // fails harmlessly once registered
    m_window = CreateWindowExA(0, wc.lpszClassName, "hooked", WS_POPUP, 0, 0, 50, 50, nullptr,
                               nullptr, wc.hInstance, nullptr);
    Log().clear();
  }
  ~HookedWindow() { Destroy(); }
  HookedWindow(const HookedWindow&) = delete;
  HookedWindow& operator=(const HookedWindow&) = delete;

  HWND Handle() const { return m_window; }
  void Destroy() {
    if (m_window) DestroyWindow(m_window);
    m_window = nullptr;
  }
  LRESULT Probe() const { return SendMessageA(m_window, kProbe, 0, 0); }
  bool HasOwnProcedure() const {
    return GetWindowLongPtrA(m_window, GWLP_WNDPROC) == reinterpret_cast<LONG_PTR>(&OwnProc);
  }

  // Called when the window's own procedure receives WM_NCDESTROY.
  static inline std::function<void()> onNcDestroy;

 private:
  static LRESULT CALLBACK OwnProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == kProbe) {
      Log().push_back("window");
      return kWindowAnswer;
    }
    if (msg == WM_NCDESTROY) {
      Log().push_back("window NCDESTROY");
      if (onNcDestroy) onNcDestroy();
    }
    return DefWindowProcA(hwnd, msg, wp, lp);
  }

  HWND m_window = nullptr;
};

TEST(WindowHook, NewerHookSeesEachMessageFirstAndPassesItDown) {
  HookedWindow window;
  LoggingHook older("older"), newer("newer");
  ASSERT_TRUE(older.HookWindow(window.Handle()));
  ASSERT_TRUE(newer.HookWindow(window.Handle()));
  EXPECT_FALSE(window.HasOwnProcedure());

  EXPECT_EQ(window.Probe(), kWindowAnswer);
  EXPECT_THAT(Log(), ElementsAre("newer", "older", "window"));
  EXPECT_EQ(newer.GetWindow(), window.Handle());
  EXPECT_TRUE(older.IsValid());
}

TEST(WindowHook, HooksComeOffInAnyOrder) {
  struct Case {
    int first;  // hooked as the first, second or third: removed first
    std::vector<std::string> then;
  };
  const Case cases[] = {
      {0, {"newest", "middle", "window"}},
      {1, {"newest", "oldest", "window"}},
      {2, {"middle", "oldest", "window"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.first);
    HookedWindow window;
    LoggingHook oldest("oldest"), middle("middle"), newest("newest");
    LoggingHook* byName[] = {&oldest, &middle, &newest};
    for (LoggingHook* hook : byName) ASSERT_TRUE(hook->HookWindow(window.Handle()));

    LoggingHook* removed = byName[c.first];
    EXPECT_TRUE(removed->HookWindow(nullptr));
    EXPECT_FALSE(removed->IsHooked());
    EXPECT_EQ(window.Probe(), kWindowAnswer);
    EXPECT_THAT(Log(), ElementsAreArray(c.then));

    // Taking off the rest, newest first, gives the window its own procedure back.
    for (int i = 2; i >= 0; --i) byName[i]->HookWindow(nullptr);
    EXPECT_TRUE(window.HasOwnProcedure());
    Log().clear();
    EXPECT_EQ(window.Probe(), kWindowAnswer);
    EXPECT_THAT(Log(), ElementsAre("window"));
  }
}

TEST(WindowHook, DelegateReceivesTheMessagesInPlaceOfItsHook) {
  HookedWindow window;
  LoggingHook withDelegate("hook itself"), newer("newer");
  LoggingDelegate delegate("delegate", withDelegate);
  ASSERT_TRUE(withDelegate.HookWindow(window.Handle(), &delegate));
  ASSERT_TRUE(newer.HookWindow(window.Handle()));

  // The newer hook's default handling reaches the older hook's delegate, which passes the
  // message on through that hook's default handling.
  EXPECT_EQ(window.Probe(), kWindowAnswer);
  EXPECT_THAT(Log(), ElementsAre("newer", "delegate", "hook itself", "window"));
}

TEST(WindowHook, DestroyingTheWindowUnhooksEveryHookBeforeItsProcedureSeesNcDestroy) {
  HookedWindow window;
  LoggingHook plain("plain"), withDelegate("hook itself"), newest("newest");
  LoggingDelegate delegate("delegate", withDelegate);
  ASSERT_TRUE(plain.HookWindow(window.Handle()));
  ASSERT_TRUE(withDelegate.HookWindow(window.Handle(), &delegate));
  ASSERT_TRUE(newest.HookWindow(window.Handle()));

  std::vector<bool> hookedAtNcDestroy;
  HookedWindow::onNcDestroy = [&] {
    for (CWindowHook* hook :
         {static_cast<CWindowHook*>(&plain), static_cast<CWindowHook*>(&withDelegate),
          static_cast<CWindowHook*>(&newest)}) {
      hookedAtNcDestroy.push_back(hook->IsHooked() != FALSE);
    }
  };
  window.Destroy();
  HookedWindow::onNcDestroy = nullptr;

  EXPECT_THAT(Log(),
              ElementsAre("newest before unhook", "newest after unhook",
                          "delegate before unhook, hooked 1", "delegate after unhook, hooked 0",
                          "plain before unhook", "plain after unhook", "window NCDESTROY"));
  EXPECT_THAT(hookedAtNcDestroy, ElementsAre(false, false, false));
  // The hooks are free to hook another window.
  HookedWindow another;
  EXPECT_TRUE(plain.HookWindow(another.Handle()));
  EXPECT_EQ(another.Probe(), kWindowAnswer);
  EXPECT_THAT(Log(), ElementsAre("plain", "window"));
}

TEST(WindowHook, HookThatDisappearsWithItsNotificationIsSkipped) {
  // A hook deleted by its own before-unhook notification is not touched again, and the
  // hooks below it still come off.
  class SelfDeletingHook : public CWindowHook {
   public:
    void OnBeforeUnhook() override { delete this; }
  };
  HookedWindow window;
  LoggingHook plain("plain");
  ASSERT_TRUE(plain.HookWindow(window.Handle()));
  auto* selfDeleting = new SelfDeletingHook;
  ASSERT_TRUE(selfDeleting->HookWindow(window.Handle()));

  window.Destroy();
  EXPECT_FALSE(plain.IsHooked());
  EXPECT_THAT(Log(), ElementsAre("plain before unhook", "plain after unhook", "window NCDESTROY"));
}

TEST(WindowHook, DestructorRestoresTheWindowsOwnProcedure) {
  HookedWindow window;
  {
    LoggingHook hook("hook");
    ASSERT_TRUE(hook.HookWindow(window.Handle()));
    EXPECT_FALSE(window.HasOwnProcedure());
  }
  EXPECT_TRUE(window.HasOwnProcedure());
  EXPECT_EQ(window.Probe(), kWindowAnswer);
  EXPECT_THAT(Log(), ElementsAre("window"));
}

TEST(WindowHook, RefusesNonWindowsAndASecondWindow) {
  HookedWindow window, other;
  CWindowHook hook;
  EXPECT_FALSE(hook.HookWindow(reinterpret_cast<HWND>(0x1234)));
  EXPECT_FALSE(hook.IsHooked());
  EXPECT_FALSE(hook.IsValid());
  EXPECT_EQ(hook.SendMessage(kProbe, 0, 0), 0) << "not hooked: nothing is sent";
  EXPECT_EQ(hook.PostMessage(kProbe, 0, 0), 0);
  EXPECT_TRUE(Log().empty());

  ASSERT_TRUE(hook.HookWindow(window.Handle()));
  EXPECT_FALSE(hook.HookWindow(other.Handle())) << "already hooked";
  EXPECT_EQ(hook.GetWindow(), window.Handle());
  EXPECT_TRUE(other.HasOwnProcedure());
  EXPECT_EQ(hook.SendMessage(kProbe, 0, 0), kWindowAnswer);
  EXPECT_NE(hook.PostMessage(kProbe, 0, 0), 0);
  MSG msg;
  while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
  EXPECT_THAT(Log(), ElementsAre("window", "window"));
}

}  // namespace
