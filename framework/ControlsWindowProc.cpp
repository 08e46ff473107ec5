// The window procedure of the framework's windows: which control a window belongs to, the
// one trampoline every native window procedure of the framework hands its messages over
// with, the hooks on windows without a control, and the program's own hidden windows.
#include <algorithm>
#include <memory>

#include "framework/ControlsPrivate.h"
#include "framework/Forms.h"

namespace {

// The window property that names a window's control.
const char* ControlProp() {
  static const ATOM atom = GlobalAddAtomA("TavFrameworkControl");
  return MAKEINTATOM(atom);
}

// The control whose window is being made on this thread: its window's first message
// (sent from inside CreateWindowEx) ties the window to it.
thread_local TWinControl* t_CreationControl = nullptr;

// The native messages being handled on this thread, innermost first: a control whose
// window was made again while it handled a message no longer passes that message on to
// the new window.
struct TNativeFrame {
  HWND Wnd;
  TWinControl* Control;
  TNativeFrame* Outer;
};
thread_local TNativeFrame* t_NativeFrames = nullptr;

}  // namespace

TWinControl*& CreationControl() { return t_CreationControl; }

void AttachWindow(HWND Wnd, TWinControl* Control) { SetPropA(Wnd, ControlProp(), Control); }

void DetachWindow(HWND Wnd) { RemovePropA(Wnd, ControlProp()); }

bool IsMessageOfFormerWindow(TWinControl* Control, HWND Current) {
  for (TNativeFrame* frame = t_NativeFrames; frame; frame = frame->Outer)
    if (frame->Control == Control) return frame->Wnd != Current;
  return false;
}

HINSTANCE FrameworkInstance() {
  static HINSTANCE instance = [] {
    HMODULE module = nullptr;
    GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                       reinterpret_cast<LPCSTR>(&InitWndProc), &module);
    return module ? module : GetModuleHandleA(nullptr);
  }();
  return instance;
}

TWinControl* FindControl(HWND Handle) {
  if (!Handle) return nullptr;
  // Windows of other programs built on the framework carry the same property, with a
  // pointer into their own memory.
  DWORD process = 0;
  GetWindowThreadProcessId(Handle, &process);
  if (process != GetCurrentProcessId()) return nullptr;
  return static_cast<TWinControl*>(GetPropA(Handle, ControlProp()));
}

bool IsVCLControl(HWND Handle) { return FindControl(Handle) != nullptr; }

void DeliverMessage(const TWndMethod& Method, TMessage& Message, TObject* Sender) {
  try {
    TWndMethod proc = Method;
    proc(Message);
  } catch (...) {
    if (Application) Application->HandleException(Sender);
  }
}

// Runs one native message through the control's WindowProc; an exception stops here.
void RunNativeMessage(TWinControl* Control, HWND Wnd, TMessage& Message) {
  TNativeFrame frame{Wnd, Control, t_NativeFrames};
  t_NativeFrames = &frame;
  DeliverMessage(Control->WindowProc, Message, Control);
  t_NativeFrames = frame.Outer;
  // The control may be gone now (a released form): nothing of it is touched here.
  FreeDeviceContexts();
  FreeMemoryContexts();
}

LRESULT CALLBACK InitWndProc(HWND Wnd, UINT Msg, WPARAM WParam, LPARAM LParam) {
  TWinControl* control = FindControl(Wnd);
  if (!control) {
    control = t_CreationControl;
    if (!control) return DefWindowProcA(Wnd, Msg, WParam, LParam);
    t_CreationControl = nullptr;
    control->FHandle = Wnd;
    AttachWindow(Wnd, control);
  }
  TMessage message = MessageOf(Msg, WParam, LParam);
  RunNativeMessage(control, Wnd, message);
  return message.Result;
}

// ---------------------------------------------------------------------------------------
// TWindowProcHook

namespace {

// The hooks on one window, oldest first, and the procedure the window had before the
// first of them. The window's procedure is the shared HookProc while the chain exists;
// the newest hook sees a message first and each passes it on to the one before it, the
// oldest to the window's own procedure.
struct THookChain {
  WNDPROC NativeProc = nullptr;
  std::vector<TWindowProcHook*> Hooks;
};

const char* HookProp() {
  static const ATOM atom = GlobalAddAtomA("TavFrameworkWindowHook");
  return MAKEINTATOM(atom);
}

THookChain* HookChainOf(HWND Wnd) { return static_cast<THookChain*>(GetPropA(Wnd, HookProp())); }

}  // namespace

TWindowProcHook::TWindowProcHook(HWND Wnd) : FWnd(Wnd) {
  WindowProc = [this](TMessage& Message) { CallDefault(Message); };
  THookChain* chain = HookChainOf(Wnd);
  if (!chain) {
    auto made = std::make_unique<THookChain>();
    made->NativeProc = reinterpret_cast<WNDPROC>(GetWindowLongPtrA(Wnd, GWLP_WNDPROC));
    if (!SetPropA(Wnd, HookProp(), made.get())) RaiseLastOSError();
    SetWindowLongPtrA(Wnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&HookProc));
    chain = made.release();
  }
  FNativeProc = chain->NativeProc;
  chain->Hooks.push_back(this);
}

TWindowProcHook::~TWindowProcHook() {
  if (!FWnd) return;
  THookChain* chain = HookChainOf(FWnd);
  if (!chain) return;
  RemoveFrom(chain->Hooks, this);
  // The last hook gives the window its own procedure back, unless a stranger replaced the
  // procedure after the hooks did: then the chain stays, passing every message on.
  if (chain->Hooks.empty() &&
      reinterpret_cast<WNDPROC>(GetWindowLongPtrA(FWnd, GWLP_WNDPROC)) == &HookProc) {
    SetWindowLongPtrA(FWnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(chain->NativeProc));
    RemovePropA(FWnd, HookProp());
    delete chain;
  }
}

void TWindowProcHook::CallDefault(TMessage& Message) {
  if (!FWnd) {
    Message.Result = 0;
    return;
  }
  WNDPROC next = FNativeProc;
  if (THookChain* chain = HookChainOf(FWnd)) {
    auto found = std::find(chain->Hooks.begin(), chain->Hooks.end(), this);
    if (found != chain->Hooks.end() && found != chain->Hooks.begin()) {
      TWndMethod proc = (*(found - 1))->WindowProc;
      proc(Message);
      return;
    }
    next = chain->NativeProc;
  }
  Message.Result = CallWindowProcA(next, FWnd, Message.Msg, Message.WParam, Message.LParam);
}

LRESULT CALLBACK TWindowProcHook::HookProc(HWND Wnd, UINT Msg, WPARAM WParam, LPARAM LParam) {
  THookChain* chain = HookChainOf(Wnd);
  if (!chain) return DefWindowProcA(Wnd, Msg, WParam, LParam);
  TMessage message = MessageOf(Msg, WParam, LParam);
  if (chain->Hooks.empty())
    message.Result = CallWindowProcA(chain->NativeProc, Wnd, Msg, WParam, LParam);
  else
    DeliverMessage(chain->Hooks.back()->WindowProc, message, nullptr);
  if (Msg == WM_NCDESTROY) {
    // The window is gone: the hooks hold nothing any more. (The chain is looked up again:
    // the hooks may have gone meanwhile.)
    if (THookChain* left = HookChainOf(Wnd)) {
      for (TWindowProcHook* hook : left->Hooks) hook->FWnd = nullptr;
      RemovePropA(Wnd, HookProp());
      delete left;
    }
  }
  return message.Result;
}

// ---------------------------------------------------------------------------------------
// Windows of the program's own without a control

namespace {

LRESULT CALLBACK UtilWndProc(HWND Wnd, UINT Msg, WPARAM WParam, LPARAM LParam) {
  auto* method = reinterpret_cast<TWndMethod*>(GetWindowLongPtrA(Wnd, GWLP_USERDATA));
  if (!method) return DefWindowProcA(Wnd, Msg, WParam, LParam);
  TMessage message = MessageOf(Msg, WParam, LParam);
  DeliverMessage(*method, message, nullptr);
  return message.Result;
}

const char* UtilWindowClass() {
  static const char* name = [] {
    WNDCLASSA wc = {};
    wc.lpfnWndProc = &UtilWndProc;
    wc.hInstance = FrameworkInstance();
    wc.lpszClassName = "TPUtilWindow";
    RegisterClassA(&wc);
    return wc.lpszClassName;
  }();
  return name;
}

}  // namespace

HWND AllocateHWnd(const TWndMethod& Method) {
  HWND wnd = CreateWindowExA(WS_EX_TOOLWINDOW, UtilWindowClass(), "", WS_POPUP, 0, 0, 0, 0, nullptr,
                             nullptr, FrameworkInstance(), nullptr);
  if (!wnd) RaiseLastOSError();
  SetWindowLongPtrA(wnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(new TWndMethod(Method)));
  return wnd;
}

void DeallocateHWnd(HWND Wnd) {
  if (!Wnd || reinterpret_cast<WNDPROC>(GetWindowLongPtrA(Wnd, GWLP_WNDPROC)) != &UtilWndProc) return;
  auto* method = reinterpret_cast<TWndMethod*>(SetWindowLongPtrA(Wnd, GWLP_USERDATA, 0));
  DestroyWindow(Wnd);
  delete method;  // a message being handled runs on its own copy
}
