// Hooks on windows without a control: several on one window stack, each passing what it
// does not take to the one hooked before it, and they go in any order, leaving the window
// with its own procedure once the last has gone.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "framework/Forms.h"

namespace {

constexpr UINT WM_PROBE = WM_USER + 77;

// The window's own answer to the probe is 1; every hook appends its digit.
LRESULT CALLBACK NativeProc(HWND Wnd, UINT Msg, WPARAM WParam, LPARAM LParam) {
  if (Msg == WM_PROBE) return 1;
  return DefWindowProcA(Wnd, Msg, WParam, LParam);
}

HWND MakeNativeWindow() {
  static const bool registered = [] {
    WNDCLASSA wc = {};
    wc.lpfnWndProc = &NativeProc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = "TavHookTestWindow";
    return RegisterClassA(&wc) != 0;
  }();
  EXPECT_TRUE(registered);
  return CreateWindowExA(0, "TavHookTestWindow", "", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                         GetModuleHandleA(nullptr), nullptr);
}

std::unique_ptr<TWindowProcHook> DigitHook(HWND Wnd, int Digit) {
  auto hook = std::make_unique<TWindowProcHook>(Wnd);
  TWindowProcHook* self = hook.get();
  hook->WindowProc = [self, Digit](TMessage& Message) {
    // A hook that is handed its own message again would go round for ever.
    static thread_local int depth = 0;
    if (depth > 16) {
      ADD_FAILURE() << "the message goes round in circles";
      return;
    }
    ++depth;
    self->CallDefault(Message);
    --depth;
    if (Message.Msg == WM_PROBE) Message.Result = Message.Result * 10 + Digit;
  };
  return hook;
}

WNDPROC ProcOf(HWND Wnd) { return reinterpret_cast<WNDPROC>(GetWindowLongPtrA(Wnd, GWLP_WNDPROC)); }

}  // namespace

TEST(WindowHooks, StackAndGoInEitherOrderGivingTheWindowItsOwnProcedureBack) {
  struct TCase {
    const char* Name;
    bool OlderFirst;         // which hook is destroyed first
    LRESULT AfterFirstGone;  // the probe's answer with the other hook left
  };
  const TCase cases[] = {{"older first", true, 13}, {"newer first", false, 12}};
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Name);
    HWND wnd = MakeNativeWindow();
    ASSERT_NE(nullptr, wnd);
    auto older = DigitHook(wnd, 2);
    EXPECT_EQ(12, SendMessageA(wnd, WM_PROBE, 0, 0));
    auto newer = DigitHook(wnd, 3);
    EXPECT_EQ(123, SendMessageA(wnd, WM_PROBE, 0, 0)) << "the newer hook sees the message first";
    EXPECT_EQ(TRUE, SendMessageA(wnd, WM_SETTEXT, 0, reinterpret_cast<LPARAM>("passed")));
    char text[16] = {};
    GetWindowTextA(wnd, text, sizeof(text));
    EXPECT_EQ(std::string("passed"), text) << "other messages reach the window's own procedure";
    if (c.OlderFirst)
      older.reset();
    else
      newer.reset();
    EXPECT_EQ(c.AfterFirstGone, SendMessageA(wnd, WM_PROBE, 0, 0));
    EXPECT_NE(&NativeProc, ProcOf(wnd)) << "one hook is still there";
    older.reset();
    newer.reset();
    EXPECT_EQ(1, SendMessageA(wnd, WM_PROBE, 0, 0));
    EXPECT_EQ(&NativeProc, ProcOf(wnd)) << "the window has its own procedure back";
    DestroyWindow(wnd);
  }
}

TEST(WindowHooks, HooksOutliveTheirWindowAndAHookMadeAgainStacksAnew) {
  HWND wnd = MakeNativeWindow();
  auto first = DigitHook(wnd, 4);
  auto second = DigitHook(wnd, 5);
  EXPECT_EQ(145, SendMessageA(wnd, WM_PROBE, 0, 0));
  second.reset();
  auto third = DigitHook(wnd, 6);
  EXPECT_EQ(146, SendMessageA(wnd, WM_PROBE, 0, 0));
  DestroyWindow(wnd);
  EXPECT_EQ(nullptr, first->GetHandle());
  EXPECT_EQ(nullptr, third->GetHandle());
  first.reset();
  third.reset();  // nothing left to unhook
}

TEST(WindowHooks, StackOnTheWindowsOfTheFrameworkItself) {
  // A form's window (its control still sees every message) and the application window
  // (its own hooks still see theirs), each hooked twice, as the tray icon and the skinned
  // frame both hook them.
  TForm* form = new TForm(nullptr);
  HWND formWnd = form->GetHandle();
  HWND appWnd = Application->GetHandle();
  const WNDPROC formProc = ProcOf(formWnd), appProc = ProcOf(appWnd);
  int appHookSaw = 0;
  const int appHook = Application->HookMainWindow([&](TMessage& Message) {
    if (Message.Msg == WM_PROBE) ++appHookSaw;
    return false;
  });
  {
    auto formOlder = DigitHook(formWnd, 7);
    auto appOlder = DigitHook(appWnd, 7);
    auto formNewer = DigitHook(formWnd, 8);
    auto appNewer = DigitHook(appWnd, 8);
    SendMessageA(formWnd, WM_SETTEXT, 0, reinterpret_cast<LPARAM>("hooked twice"));
    EXPECT_EQ("hooked twice", form->GetCaption()) << "the form's own handling still runs";
    SendMessageA(appWnd, WM_PROBE, 0, 0);
    EXPECT_EQ(1, appHookSaw) << "the application's hooks still run";
    formOlder.reset();
    appOlder.reset();
    SendMessageA(formWnd, WM_SETTEXT, 0, reinterpret_cast<LPARAM>("hooked once"));
    EXPECT_EQ("hooked once", form->GetCaption());
  }
  EXPECT_EQ(formProc, ProcOf(formWnd));
  EXPECT_EQ(appProc, ProcOf(appWnd));
  Application->UnhookMainWindow(appHook);
  form->Free();
}
