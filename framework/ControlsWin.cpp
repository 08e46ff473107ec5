// TWinControl: the window, its native procedure and the message path, children and
// alignment, painting, reflection, focus and keys.
#include <algorithm>
#include <climits>
#include <optional>

#include "framework/ControlsPrivate.h"
#include "framework/Forms.h"
#include "framework/Scopes.h"

#include <commctrl.h>

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

// Child window ids, unique in the process, so that a parent finds the child that an
// owner-draw message (which carries only the id) is about, also while the child is made.
int NextChildId() {
  static int next = 0x100;
  if (++next > 0x7FFF0000) next = 0x100;
  return next;
}

// The window the mouse is being tracked over (for WM_MOUSELEAVE).
HWND g_TrackedWindow = nullptr;

void TrackMouse(HWND Wnd) {
  if (g_TrackedWindow == Wnd) return;
  TRACKMOUSEEVENT tme = {sizeof(tme), TME_LEAVE, Wnd, 0};
  if (TrackMouseEvent(&tme)) g_TrackedWindow = Wnd;
}

template <class T>
void RemoveFrom(std::vector<T*>& list, T* item) {
  list.erase(std::remove(list.begin(), list.end(), item), list.end());
}

}  // namespace

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
    SetPropA(Wnd, ControlProp(), control);
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

// ---------------------------------------------------------------------------------------
// TWinControl

TWinControl::TWinControl(TComponent* AOwner) : TControl(AOwner), FBrush(std::make_unique<TBrush>()) {
  FBrush->SetColor(FColor);
}

TWinControl::~TWinControl() = default;

void TWinControl::BeforeDestruction() {
  if (FTearingDown) return;
  FTearingDown = true;
  Destroying();
  if (FParent) RemoveFocus(true);
  if (FHandle) DestroyWindowHandle();
  // Children go with their parent (whoever owns them).
  while (!FControls.empty() || !FWinControls.empty()) {
    TControl* child = !FWinControls.empty() ? static_cast<TControl*>(FWinControls.back()) : FControls.back();
    Remove(child);
    child->Free();
  }
  TControl::BeforeDestruction();
}

HWND TWinControl::GetHandle() {
  HandleNeeded();
  return FHandle;
}

void TWinControl::HandleNeeded() {
  if (FHandle) return;
  if (FParent) FParent->HandleNeeded();
  CreateHandle();
}

void TWinControl::SetParentWindow(HWND Value) {
  if (FParent || FParentWindow == Value) return;
  if (FHandle && FParentWindow && Value) {
    ::SetParent(FHandle, Value);
  } else {
    DestroyHandle();
  }
  FParentWindow = Value;
  UpdateControlState();
}

void TWinControl::CreateParams(TCreateParams& Params) {
  Params = TCreateParams();
  Params.Caption = FText;
  Params.Style = WS_CHILD | WS_CLIPSIBLINGS;
  if (FControlStyle.Contains(csAcceptsControls)) {
    Params.Style |= WS_CLIPCHILDREN;
    Params.ExStyle |= WS_EX_CONTROLPARENT;
  }
  if (!FEnabled) Params.Style |= WS_DISABLED;
  if (FTabStop) Params.Style |= WS_TABSTOP;
  Params.X = FLeft;
  Params.Y = FTop;
  Params.Width = FWidth;
  Params.Height = FHeight;
  Params.WndParent = FParent ? FParent->GetHandle() : FParentWindow;
  Params.WindowClass.style = CS_VREDRAW | CS_HREDRAW | CS_DBLCLKS;
  Params.WindowClass.lpfnWndProc = &DefWindowProcA;
  Params.WindowClass.hCursor = LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
  Params.WindowClass.hbrBackground = nullptr;
  Params.WindowClass.hInstance = FrameworkInstance();
  Params.WinClassName = ClassName();
}

void TWinControl::CreateSubClass(TCreateParams& Params, const char* ControlClassName) {
  static const bool initialised = [] {
    INITCOMMONCONTROLSEX icc = {sizeof(icc), ICC_WIN95_CLASSES | ICC_STANDARD_CLASSES};
    return InitCommonControlsEx(&icc) != FALSE;
  }();
  (void)initialised;
  if (!ControlClassName) return;
  HINSTANCE instance = Params.WindowClass.hInstance;
  if (!GetClassInfoA(FrameworkInstance(), ControlClassName, &Params.WindowClass) &&
      !GetClassInfoA(nullptr, ControlClassName, &Params.WindowClass))
    throw EInvalidOperation("Unknown window class %s", {AnsiString(ControlClassName)});
  Params.WindowClass.hInstance = instance;
  Params.WindowClass.style &= ~(CS_OWNDC | CS_CLASSDC | CS_PARENTDC | CS_GLOBALCLASS);
  Params.WindowClass.style |= CS_VREDRAW | CS_HREDRAW;
}

void TWinControl::CreateWnd() {
  TCreateParams params;
  CreateParams(params);
  if ((params.Style & WS_CHILD) && !params.WndParent)
    throw EInvalidOperation("Control '%s' has no parent window", {GetName()});
  FDefWndProc = params.WindowClass.lpfnWndProc;
  WNDCLASSA existing = {};
  const bool registered = GetClassInfoA(params.WindowClass.hInstance, params.WinClassName.c_str(), &existing);
  if (!registered || existing.lpfnWndProc != &InitWndProc) {
    if (registered) UnregisterClassA(params.WinClassName.c_str(), params.WindowClass.hInstance);
    WNDCLASSA wc = params.WindowClass;
    wc.lpfnWndProc = &InitWndProc;
    wc.lpszClassName = params.WinClassName.c_str();
    if (!RegisterClassA(&wc)) RaiseLastOSError();
  }
  {
    TStateScope<TControlState, TControlStateFlag> creating(FControlState, csCreating);
    TValueScope<TWinControl*> creation(t_CreationControl, this);
    CreateWindowHandle(params);
  }
  if (!FHandle) RaiseLastOSError();
  FText.clear();  // the window holds the text now
  UpdateBounds();
  Perform(WM_SETFONT, reinterpret_cast<NativeUInt>(FFont->GetHandle()), 1);
  if (FAutoSize) AdjustSize();
}

void TWinControl::CreateWindowHandle(const TCreateParams& Params) {
  HMENU id = nullptr;
  if (Params.Style & WS_CHILD) {
    FChildId = NextChildId();
    id = reinterpret_cast<HMENU>(static_cast<INT_PTR>(FChildId));
  }
  HWND wnd = CreateWindowExA(Params.ExStyle, Params.WinClassName.c_str(), Params.Caption.c_str(),
                             Params.Style, Params.X, Params.Y, Params.Width, Params.Height,
                             Params.WndParent, id, Params.WindowClass.hInstance, Params.Param);
  if (wnd && !FHandle) {
    // A window whose creation sent no message (never with the system's classes).
    FHandle = wnd;
    SetPropA(wnd, ControlProp(), this);
  }
}

void TWinControl::CreateHandle() {
  if (FHandle) return;
  CreateWnd();
  if (FParent)
    SetWindowPos(FHandle, FParent->PrecedingWindow(this), 0, 0, 0, 0,
                 SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  for (int i = 0; i < GetControlCount(); ++i) GetControl(i)->UpdateAnchorRules();
}

HWND TWinControl::PrecedingWindow(TWinControl* Control) {
  auto found = std::find(FWinControls.begin(), FWinControls.end(), Control);
  if (found != FWinControls.end())
    for (auto it = found + 1; it != FWinControls.end(); ++it)
      if ((*it)->FHandle) return (*it)->FHandle;
  return HWND_TOP;
}

void TWinControl::DestroyHandle() {
  if (!FHandle) return;
  for (TWinControl* child : FWinControls) child->DestroyHandle();
  DestroyWnd();
}

void TWinControl::DestroyWnd() {
  FText = GetText();  // kept for the next window
  TControlCanvas::FreeHandlesOf(FHandle);
  DestroyWindowHandle();
}

void TWinControl::DestroyWindowHandle() {
  FControlState.Include(csDestroyingHandle);
  HWND wnd = FHandle;
  BOOL ok = DestroyWindow(wnd);
  FControlState.Exclude(csDestroyingHandle);
  if (!ok && IsWindow(wnd)) RaiseLastOSError();
  FHandle = nullptr;
  FShowing = false;
}

void TWinControl::RecreateWnd() {
  if (FHandle) Perform(CM_RECREATEWND, 0, 0);
}

void TWinControl::CMRecreateWnd(TMessage&) {
  const bool wasFocused = Focused();
  {
    TStateScope<TControlState, TControlStateFlag> recreating(FControlState, csRecreating);
    DestroyHandle();
    UpdateControlState();
  }
  if (wasFocused && FHandle) ::SetFocus(FHandle);
}

void TWinControl::UpdateControlState() {
  TWinControl* control = this;
  while (control->FParent) {
    control = control->FParent;
    if (!control->FShowing) return;
  }
  if (dynamic_cast<TCustomForm*>(control) || control->FParentWindow || control->IsPopupWindow())
    UpdateShowing();
}

bool TWinControl::IsPopupWindow() {
  if (FParent || FParentWindow || dynamic_cast<TCustomForm*>(this)) return false;
  if (FHandle) return (GetWindowLongPtrA(FHandle, GWL_STYLE) & WS_CHILD) == 0;
  TCreateParams params;
  CreateParams(params);
  return (params.Style & WS_CHILD) == 0;
}

void TWinControl::UpdateShowing() {
  const bool show = FVisible;
  if (show) {
    if (!FHandle) CreateHandle();
    std::vector<TWinControl*> children = FWinControls;
    for (TWinControl* child : children) child->UpdateShowing();
  }
  if (FHandle && FShowing != show) {
    FShowing = show;
    try {
      Perform(CM_SHOWINGCHANGED, 0, 0);
    } catch (...) {
      FShowing = !show;
      throw;
    }
  }
}

void TWinControl::CMShowingChanged(TMessage&) {
  // ShowWindow rather than SetWindowPos: it sends WM_SHOWWINDOW, on which some native
  // controls do work of their own (Wine's list view makes its header there).
  ShowWindow(FHandle, FShowing ? SW_SHOWNA : SW_HIDE);
}

void TWinControl::CMVisibleChanged(TMessage& Message) {
  if (!FVisible && FParent) RemoveFocus(false);
  UpdateControlState();
}

void TWinControl::CMEnabledChanged(TMessage& Message) {
  if (!GetEnabled() && FParent) RemoveFocus(false);
  if (FHandle) EnableWindow(FHandle, GetEnabled());
  Invalidate();
}

void TWinControl::CMFontChanged(TMessage& Message) {
  TControl::CMFontChanged(Message);
  if (FHandle) Perform(WM_SETFONT, reinterpret_cast<NativeUInt>(FFont->GetHandle()), 0);
  NotifyControls(CM_PARENTFONTCHANGED);
}

void TWinControl::CMColorChanged(TMessage& Message) {
  TControl::CMColorChanged(Message);
  FBrush->SetColor(FColor);
  NotifyControls(CM_PARENTCOLORCHANGED);
}

void TWinControl::CMCursorChanged(TMessage&) {
  if (GetCapture()) return;
  POINT p;
  GetCursorPos(&p);
  if (FHandle && FindDragTarget(FromPOINT(p), false) == this)
    Perform(WM_SETCURSOR, reinterpret_cast<NativeUInt>(FHandle), HTCLIENT);
}

void TWinControl::CMInvalidate(TMessage& Message) {
  if (FHandle && Message.WParam == 0)
    InvalidateRect(FHandle, nullptr, !FControlStyle.Contains(csOpaque));
}

void TWinControl::NotifyControls(uint32_t Msg) {
  TMessage message;
  message.Msg = Msg;
  Broadcast(message);
}

void TWinControl::Broadcast(TMessage& Message) {
  // Children may go while told: a copy of the list, checked before each.
  std::vector<TControl*> children;
  for (int i = 0; i < GetControlCount(); ++i) children.push_back(GetControl(i));
  for (TControl* child : children) {
    if (!ContainsControl(child) || child->FParent != this) continue;
    TWndMethod proc = child->WindowProc;
    proc(Message);
    if (Message.Result != 0) return;
  }
}

// ---------------------------------------------------------------------------------------
// Children

int TWinControl::GetControlCount() const {
  return static_cast<int>(FControls.size() + FWinControls.size());
}

TControl* TWinControl::GetControl(int Index) const {
  if (Index < 0 || Index >= GetControlCount())
    throw EListError("List index out of bounds (%d)", {Index});
  const size_t i = static_cast<size_t>(Index);
  if (i < FControls.size()) return FControls[i];
  return FWinControls[i - FControls.size()];
}

void TWinControl::Insert(TControl* AControl) {
  if (auto* windowed = dynamic_cast<TWinControl*>(AControl)) {
    FWinControls.push_back(windowed);
    FTabList.push_back(windowed);
  } else {
    FControls.push_back(AControl);
  }
  AControl->FParent = this;
}

void TWinControl::Remove(TControl* AControl) {
  if (auto* windowed = dynamic_cast<TWinControl*>(AControl)) {
    RemoveFrom(FTabList, windowed);
    RemoveFrom(FWinControls, windowed);
  } else {
    RemoveFrom(FControls, AControl);
  }
  AControl->FParent = nullptr;
}

void TWinControl::InsertControl(TControl* AControl) {
  if (!FControlStyle.Contains(csAcceptsControls) && !dynamic_cast<TCustomForm*>(this))
    throw EInvalidOperation("Control '%s' cannot hold other controls", {GetName()});
  Perform(CM_CONTROLLISTCHANGE, reinterpret_cast<NativeUInt>(AControl), 1);
  Insert(AControl);
  AControl->Perform(CM_PARENTCOLORCHANGED, 0, 0);
  AControl->Perform(CM_PARENTFONTCHANGED, 0, 0);
  AControl->Perform(CM_PARENTSHOWHINTCHANGED, 0, 0);
  if (auto* windowed = dynamic_cast<TWinControl*>(AControl))
    windowed->UpdateControlState();
  else if (FHandle)
    AControl->Invalidate();
  AlignControl(AControl);
  Perform(CM_CONTROLCHANGE, reinterpret_cast<NativeUInt>(AControl), 1);
}

void TWinControl::RemoveControl(TControl* AControl) {
  Perform(CM_CONTROLCHANGE, reinterpret_cast<NativeUInt>(AControl), 0);
  if (auto* windowed = dynamic_cast<TWinControl*>(AControl)) {
    windowed->RemoveFocus(true);
    windowed->DestroyHandle();
  } else if (FHandle) {
    AControl->InvalidateControl(AControl->FVisible, false);
  }
  Remove(AControl);
  Perform(CM_CONTROLLISTCHANGE, reinterpret_cast<NativeUInt>(AControl), 0);
  Realign();
}

void TWinControl::SetParent(TWinControl* AParent) {
  if (FParent == AParent) return;
  TControl::SetParent(AParent);
}

bool TWinControl::ContainsControl(TControl* Control) const {
  while (Control && Control != this) Control = Control->FParent;
  return Control != nullptr;
}

TControl* TWinControl::ControlAtPos(const TPoint& Pos, bool AllowDisabled, bool AllowWinControls) {
  auto hit = [&](TControl* control) {
    TPoint p(Pos.X - control->FLeft, Pos.Y - control->FTop);
    return PtInRect(TRect(0, 0, control->FWidth, control->FHeight), p) && control->FVisible &&
           (control->GetEnabled() || AllowDisabled) &&
           control->Perform(CM_HITTEST, 0, PointToLParam(p)) != 0;
  };
  if (AllowWinControls)
    for (auto it = FWinControls.rbegin(); it != FWinControls.rend(); ++it)
      if (hit(*it)) return *it;
  for (auto it = FControls.rbegin(); it != FControls.rend(); ++it)
    if (hit(*it)) return *it;
  return nullptr;
}

void TWinControl::SetZOrder(bool TopMost) {
  if (FParent) {
    auto& list = FParent->FWinControls;
    auto found = std::find(list.begin(), list.end(), this);
    if (found != list.end()) {
      list.erase(found);
      if (TopMost)
        list.push_back(this);
      else
        list.insert(list.begin(), this);
    }
  }
  // Without SWP_NOACTIVATE: an MDI child brought to the front becomes the active one.
  if (FHandle) SetWindowPos(FHandle, TopMost ? HWND_TOP : HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
}

// ---------------------------------------------------------------------------------------
// Bounds and alignment

TRect TWinControl::GetClientRect() {
  if (!FHandle) return TControl::GetClientRect();
  RECT r = {};
  ::GetClientRect(FHandle, &r);
  return FromRECT(r);
}

TPoint TWinControl::GetClientOrigin() {
  POINT p = {0, 0};
  ::ClientToScreen(GetHandle(), &p);
  return FromPOINT(p);
}

void TWinControl::SetBounds(int ALeft, int ATop, int AWidth, int AHeight) {
  // The size is limited first, so that new limits apply to an unchanged size too.
  if (CheckNewSize(AWidth, AHeight) &&
      (ALeft != FLeft || ATop != FTop || AWidth != FWidth || AHeight != FHeight)) {
    if (FHandle && !IsIconic(FHandle)) {
      SetWindowPos(FHandle, nullptr, ALeft, ATop, AWidth, AHeight, SWP_NOZORDER | SWP_NOACTIVATE);
    } else {
      FLeft = ALeft;
      FTop = ATop;
      FWidth = AWidth;
      FHeight = AHeight;
      if (FHandle) {
        WINDOWPLACEMENT placement = {};
        placement.length = sizeof(placement);
        GetWindowPlacement(FHandle, &placement);
        placement.rcNormalPosition = ToRECT(GetBoundsRect());
        SetWindowPlacement(FHandle, &placement);
      }
    }
    UpdateAnchorRules();
    RequestAlign();
  }
}

void TWinControl::UpdateBounds() {
  RECT r = {};
  if (IsIconic(FHandle)) {
    WINDOWPLACEMENT placement = {};
    placement.length = sizeof(placement);
    GetWindowPlacement(FHandle, &placement);
    r = placement.rcNormalPosition;
  } else {
    GetWindowRect(FHandle, &r);
  }
  if (GetWindowLongPtrA(FHandle, GWL_STYLE) & WS_CHILD) {
    if (HWND parent = ::GetParent(FHandle)) MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&r), 2);
  }
  FLeft = r.left;
  FTop = r.top;
  FWidth = r.right - r.left;
  FHeight = r.bottom - r.top;
  UpdateAnchorRules();
}

void TWinControl::DisableAlign() { ++FAlignLevel; }

void TWinControl::EnableAlign() {
  if (--FAlignLevel == 0 && FControlState.Contains(csAlignmentNeeded)) Realign();
}

void TWinControl::Realign() { AlignControl(nullptr); }

void TWinControl::AlignControl(TControl* AControl) {
  if (!FHandle || GetComponentState().Contains(csDestroying)) return;
  if (FAlignLevel != 0) {
    FControlState.Include(csAlignmentNeeded);
    return;
  }
  // Alignment disabled meanwhile; the realignments asked for meanwhile are this one.
  TDepthScope disabled(FAlignLevel);
  FControlState.Exclude(csAlignmentNeeded);
  TStateScope<TControlState, TControlStateFlag> aligning(FControlState, csAlignmentNeeded);
  TRect rect = GetClientRect();
  AlignControls(AControl, rect);
}

void TWinControl::AdjustClientRect(TRect&) {}

void TWinControl::AlignControls(TControl* AControl, TRect& Rect) {
  bool work = false;
  for (int i = GetControlCount() - 1; i >= 0 && !work; --i) {
    TControl* c = GetControl(i);
    work = c->FAlign != alNone || c->FAnchors != TAnchors{akLeft, akTop};
  }
  if (work) {
    AdjustClientRect(Rect);
    std::vector<TControl*> list;

    auto insertBefore = [](TControl* c1, TControl* c2, TAlign align) {
      switch (align) {
        case alTop: return c1->FTop < c2->FTop;
        case alBottom: return c1->FTop + c1->FHeight >= c2->FTop + c2->FHeight;
        case alLeft: return c1->FLeft < c2->FLeft;
        case alRight: return c1->FLeft + c1->FWidth >= c2->FLeft + c2->FWidth;
        default: return false;
      }
    };

    auto doPosition = [&](TControl* control, TAlign align) {
      if (align == alNone || control->FAnchors != AnchorsOfAlign(align)) {
        if (control->FOriginalParentSize.X != 0 && control->FOriginalParentSize.Y != 0) {
          int newLeft = control->FLeft, newTop = control->FTop;
          int newWidth = control->FWidth, newHeight = control->FHeight;
          TPoint parentSize = GetClientRect().BottomRight();
          const TAnchors anchors = control->FAnchors;
          if (anchors.Contains(akRight)) {
            if (anchors.Contains(akLeft))
              newWidth = parentSize.X - (control->FOriginalParentSize.X - control->FAnchorRules.X);
            else
              newLeft = parentSize.X - (control->FOriginalParentSize.X - control->FAnchorRules.X);
          } else if (!anchors.Contains(akLeft)) {
            newLeft = MulDiv(control->FAnchorRules.X, parentSize.X, control->FOriginalParentSize.X) -
                      newWidth / 2;
          }
          if (anchors.Contains(akBottom)) {
            if (anchors.Contains(akTop))
              newHeight = parentSize.Y - (control->FOriginalParentSize.Y - control->FAnchorRules.Y);
            else
              newTop = parentSize.Y - (control->FOriginalParentSize.Y - control->FAnchorRules.Y);
          } else if (!anchors.Contains(akTop)) {
            newTop = MulDiv(control->FAnchorRules.Y, parentSize.Y, control->FOriginalParentSize.Y) -
                     newHeight / 2;
          }
          TFlagScope anchorMove(control->FAnchorMove);
          control->SetBounds(newLeft, newTop, newWidth, newHeight);
        }
        if (align == alNone) return;
      }
      int newWidth = Rect.Right - Rect.Left;
      if (newWidth < 0 || align == alLeft || align == alRight || align == alCustom)
        newWidth = control->FWidth;
      int newHeight = Rect.Bottom - Rect.Top;
      if (newHeight < 0 || align == alTop || align == alBottom || align == alCustom)
        newHeight = control->FHeight;
      int newLeft = Rect.Left, newTop = Rect.Top;
      switch (align) {
        case alTop: Rect.Top += newHeight; break;
        case alBottom:
          Rect.Bottom -= newHeight;
          newTop = Rect.Bottom;
          break;
        case alLeft: Rect.Left += newWidth; break;
        case alRight:
          Rect.Right -= newWidth;
          newLeft = Rect.Right;
          break;
        case alCustom:
          newLeft = control->FLeft;
          newTop = control->FTop;
          break;
        default: break;
      }
      {
        TFlagScope anchorMove(control->FAnchorMove);
        control->SetBounds(newLeft, newTop, newWidth, newHeight);
      }
      // A control that did not take the size it was given moves the rest of the area.
      if (control->FWidth != newWidth || control->FHeight != newHeight) {
        switch (align) {
          case alTop: Rect.Top -= newHeight - control->FHeight; break;
          case alBottom: Rect.Bottom += newHeight - control->FHeight; break;
          case alLeft: Rect.Left -= newWidth - control->FWidth; break;
          case alRight: Rect.Right += newWidth - control->FWidth; break;
          case alClient:
            Rect.Right += newWidth - control->FWidth;
            Rect.Bottom += newHeight - control->FHeight;
            break;
          default: break;
        }
      }
    };

    auto doAlign = [&](TAlign align) {
      list.clear();
      if (AControl && (align == alNone || AControl->FVisible) && AControl->FAlign == align)
        list.push_back(AControl);
      for (int i = 0; i < GetControlCount(); ++i) {
        TControl* control = GetControl(i);
        if (control->FAlign != align || (align != alNone && !control->FVisible)) continue;
        if (control == AControl) continue;
        size_t j = 0;
        while (j < list.size() && !insertBefore(control, list[j], align)) ++j;
        list.insert(list.begin() + static_cast<std::ptrdiff_t>(j), control);
      }
      std::vector<TControl*> ordered = list;
      for (TControl* control : ordered)
        if (control->FParent == this) doPosition(control, align);
    };

    doAlign(alTop);
    doAlign(alBottom);
    doAlign(alLeft);
    doAlign(alRight);
    doAlign(alClient);
    doAlign(alCustom);
    doAlign(alNone);  // anchored controls
  }
  if (FShowing && FAutoSize) AdjustSize();
}

void TWinControl::ScrollBy(int DeltaX, int DeltaY) {
  const bool visible = FHandle && IsWindowVisible(FHandle);
  if (visible) ScrollWindow(FHandle, DeltaX, DeltaY, nullptr, nullptr);
  for (int i = 0; i < GetControlCount(); ++i) {
    TControl* control = GetControl(i);
    if (!control->IsWindowed() || !static_cast<TWinControl*>(control)->FHandle) {
      control->FLeft += DeltaX;
      control->FTop += DeltaY;
    } else if (!visible) {
      static_cast<TWinControl*>(control)->SetBounds(control->FLeft + DeltaX, control->FTop + DeltaY,
                                                    control->FWidth, control->FHeight);
    } else {
      static_cast<TWinControl*>(control)->UpdateBounds();
    }
  }
  Realign();
}

// ---------------------------------------------------------------------------------------
// Painting

void TWinControl::Invalidate() { Perform(CM_INVALIDATE, 0, 0); }

void TWinControl::Update() {
  if (FHandle) UpdateWindow(FHandle);
}

void TWinControl::Repaint() {
  Invalidate();
  Update();
}

HDC TWinControl::GetDeviceContext(HWND& WindowHandle) {
  WindowHandle = GetHandle();
  HDC dc = GetDC(WindowHandle);
  if (!dc) throw EOutOfResources("Out of system resources");
  return dc;
}

void TWinControl::WMPaint(TMessage& Message) {
  if (!FDoubleBuffered || Message.WParam != 0) {
    if (!FControlState.Contains(csCustomPaint) && FControls.empty())
      DefaultHandler(Message);
    else
      PaintHandler(Message);
    return;
  }
  TPaintDC paint(FHandle);
  HDC dc = paint.GetDC();
  const RECT& r = paint.GetPaintRect();
  if (r.right > r.left && r.bottom > r.top) {
    // Declared in this order, the bitmap is let go by the context before either is deleted.
    TGdiHandle<HBITMAP> bitmap(CreateCompatibleBitmap(dc, r.right - r.left, r.bottom - r.top));
    TMemoryDC memory(CreateCompatibleDC(dc));
    TSelectedObject selected(memory.get(), bitmap.get());
    SetWindowOrgEx(memory.get(), r.left, r.top, nullptr);
    Perform(WM_ERASEBKGND, reinterpret_cast<NativeUInt>(memory.get()),
            reinterpret_cast<NativeInt>(memory.get()));
    TMessage copy = Message;
    copy.WParam = reinterpret_cast<NativeUInt>(memory.get());
    WMPaint(copy);
    BitBlt(dc, r.left, r.top, r.right - r.left, r.bottom - r.top, memory.get(), r.left, r.top, SRCCOPY);
  }
}

void TWinControl::PaintHandler(TMessage& Message) {
  std::optional<TPaintDC> paint;
  HDC dc = reinterpret_cast<HDC>(Message.WParam);
  if (!dc) dc = paint.emplace(FHandle).GetDC();
  if (FControls.empty()) {
    PaintWindow(dc);
  } else {
    TSavedDC saved(dc);
    int clip = SIMPLEREGION;
    for (TControl* control : FControls) {
      if (control->FVisible && control->FControlStyle.Contains(csOpaque)) {
        clip = ExcludeClipRect(dc, control->FLeft, control->FTop, control->FLeft + control->FWidth,
                               control->FTop + control->FHeight);
        if (clip == NULLREGION) break;
      }
    }
    if (clip != NULLREGION) PaintWindow(dc);
  }
  PaintControls(dc, nullptr);
}

void TWinControl::CustomPaint(TMessage& Message) {
  TStateScope<TControlState, TControlStateFlag> custom(FControlState, csCustomPaint);
  TWinControl::WMPaint(Message);
}

void TWinControl::PaintWindow(HDC DC) {
  TMessage message;
  message.Msg = WM_PAINT;
  message.WParam = reinterpret_cast<NativeUInt>(DC);
  DefaultHandler(message);
}

void TWinControl::PaintControls(HDC DC, TControl* First) {
  size_t i = 0;
  if (First) {
    auto found = std::find(FControls.begin(), FControls.end(), First);
    if (found != FControls.end()) i = static_cast<size_t>(found - FControls.begin());
  }
  for (; i < FControls.size(); ++i) {
    TControl* control = FControls[i];
    RECT r = ToRECT(control->GetBoundsRect());
    if (!control->FVisible || !RectVisible(DC, &r)) continue;
    std::optional<TStateScope<TControlState, TControlStateFlag>> copy;
    if (FControlState.Contains(csPaintCopy)) copy.emplace(control->FControlState, csPaintCopy);
    TSavedDC saved(DC);
    POINT origin;
    GetWindowOrgEx(DC, &origin);
    SetWindowOrgEx(DC, origin.x - control->FLeft, origin.y - control->FTop, nullptr);
    IntersectClipRect(DC, 0, 0, control->FWidth, control->FHeight);
    control->Perform(WM_PAINT, reinterpret_cast<NativeUInt>(DC), 0);
  }
}

void TWinControl::PaintTo(HDC DC, int X, int Y, bool WithChildren) {
  TStateScope<TControlState, TControlStateFlag> copy(FControlState, csPaintCopy);
  TSavedDC saved(DC);
  POINT origin;
  GetWindowOrgEx(DC, &origin);
  SetWindowOrgEx(DC, origin.x - X, origin.y - Y, nullptr);
  IntersectClipRect(DC, 0, 0, FWidth, FHeight);
  // The frame (a border, an edge) where the window has one, then the client area at its
  // place in the window.
  POINT client = {0, 0};
  if (FHandle) {
    RECT window;
    GetWindowRect(FHandle, &window);
    ::ClientToScreen(FHandle, &client);
    client.x -= window.left;
    client.y -= window.top;
    if (client.x != 0 || client.y != 0)
      Perform(WM_PRINT, reinterpret_cast<NativeUInt>(DC), PRF_NONCLIENT);
  }
  SetWindowOrgEx(DC, origin.x - X - client.x, origin.y - Y - client.y, nullptr);
  const TRect clientRect = GetClientRect();
  IntersectClipRect(DC, 0, 0, clientRect.Width(), clientRect.Height());
  Perform(WM_ERASEBKGND, reinterpret_cast<NativeUInt>(DC), reinterpret_cast<NativeInt>(DC));
  if (!WithChildren) {
    PaintWindow(DC);
    return;
  }
  Perform(WM_PAINT, reinterpret_cast<NativeUInt>(DC), 0);
  // The windowed children, the bottom one first.
  std::vector<TWinControl*> children = FWinControls;
  for (TWinControl* child : children)
    if (child->FVisible && ContainsControl(child)) child->PaintTo(DC, child->FLeft, child->FTop);
}

void TWinControl::WMEraseBkgnd(TMessage& Message) {
  if (!FDoubleBuffered || Message.WParam == static_cast<NativeUInt>(Message.LParam)) {
    RECT r = ToRECT(GetClientRect());
    ::FillRect(reinterpret_cast<HDC>(Message.WParam), &r, FBrush->GetHandle());
  }
  Message.Result = 1;
}

// ---------------------------------------------------------------------------------------
// The message path

void TWinControl::WndProc(TMessage& Message) {
  switch (Message.Msg) {
    case WM_SETFOCUS: {
      TCustomForm* form = GetParentForm(this);
      if (form && !form->SetFocusedControl(this)) return;
      break;
    }
    case WM_KILLFOCUS:
      if (FControlState.Contains(csFocusing)) return;
      break;
    case WM_NCHITTEST:
      TControl::WndProc(Message);
      if (Message.Result == HTTRANSPARENT &&
          ControlAtPos(ScreenToClient(TWMNCHitTest(Message).GetPos()), false))
        Message.Result = HTCLIENT;
      return;
    case WM_MOUSEMOVE:
    case WM_NCMOUSEMOVE:
      if (FHandle) TrackMouse(FHandle);
      break;
    case WM_MOUSELEAVE:
      if (g_TrackedWindow == FHandle) g_TrackedWindow = nullptr;
      break;
    case WM_CANCELMODE:
      if (FHandle && GetCapture() == FHandle && CurrentCaptureControl() &&
          CurrentCaptureControl()->FParent == this)
        CurrentCaptureControl()->Perform(WM_CANCELMODE, 0, 0);
      break;
    default:
      if (Message.Msg >= WM_KEYFIRST && Message.Msg <= WM_KEYLAST && Dragging()) return;
      break;
  }
  if (Message.Msg >= WM_MOUSEFIRST && Message.Msg <= WM_MOUSELAST && Message.Msg != WM_MOUSEWHEEL &&
      Message.Msg != WM_MOUSEHWHEEL && IsControlMouseMsg(Message)) {
    // The message was a windowless child's; the window still gets its default handling
    // (unless the child answered or the window went meanwhile).
    if (Message.Result == 0 && FHandle)
      DefWindowProcA(FHandle, Message.Msg, Message.WParam, Message.LParam);
    return;
  }
  TControl::WndProc(Message);
}

bool TWinControl::IsControlMouseMsg(TMessage& Message) {
  TControl* control = nullptr;
  if (FHandle && GetCapture() == FHandle) {
    if (CurrentCaptureControl() && CurrentCaptureControl()->FParent == this)
      control = CurrentCaptureControl();
  } else {
    control = ControlAtPos(PointFromLParam(Message.LParam), false);
  }
  if (!control) return false;
  TPoint p = PointFromLParam(Message.LParam);
  p.X -= control->FLeft;
  p.Y -= control->FTop;
  Message.Result = control->Perform(Message.Msg, Message.WParam, PointToLParam(p));
  return true;
}

void TWinControl::Dispatch(TMessage& Message) {
  switch (Message.Msg) {
    case WM_PAINT: WMPaint(Message); break;
    case WM_ERASEBKGND: WMEraseBkgnd(Message); break;
    case WM_COMMAND: WMCommand(Message); break;
    case WM_NOTIFY: WMNotify(Message); break;
    case WM_DRAWITEM: WMDrawItem(Message); break;
    case WM_MEASUREITEM: WMMeasureItem(Message); break;
    case WM_COMPAREITEM: WMCompareItem(Message); break;
    case WM_DELETEITEM: WMDeleteItem(Message); break;
    case WM_HSCROLL:
    case WM_VSCROLL: WMScroll(Message); break;
    case WM_SIZE: WMSize(Message); break;
    case WM_MOVE: WMMove(Message); break;
    case WM_WINDOWPOSCHANGED: WMWindowPosChanged(Message); break;
    case WM_WINDOWPOSCHANGING: WMWindowPosChanging(Message); break;
    case WM_SETCURSOR: WMSetCursor(Message); break;
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN: WMKeyDown(Message); break;
    case WM_KEYUP:
    case WM_SYSKEYUP: WMKeyUp(Message); break;
    case WM_CHAR: WMChar(Message); break;
    case WM_NCDESTROY: WMNCDestroy(Message); break;
    case WM_KILLFOCUS: WMKillFocus(Message); break;
    case WM_CONTEXTMENU: WMContextMenu(Message); break;
    case WM_MOUSEWHEEL: WMMouseWheel(Message); break;
    case CN_KEYDOWN: CNKeyDown(Message); break;
    case CN_KEYUP: CNKeyUp(Message); break;
    case CN_CHAR: CNChar(Message); break;
    case CN_SYSKEYDOWN: CNSysKeyDown(Message); break;
    case CN_SYSCHAR: CNSysChar(Message); break;
    case CM_SHOWINGCHANGED: CMShowingChanged(Message); break;
    case CM_VISIBLECHANGED: CMVisibleChanged(Message); break;
    case CM_ENABLEDCHANGED: CMEnabledChanged(Message); break;
    case CM_FONTCHANGED: CMFontChanged(Message); break;
    case CM_COLORCHANGED: CMColorChanged(Message); break;
    case CM_SHOWHINTCHANGED: NotifyControls(CM_PARENTSHOWHINTCHANGED); break;
    case CM_DIALOGKEY: CMDialogKey(Message); break;
    case CM_DIALOGCHAR: CMDialogChar(Message); break;
    case CM_FOCUSCHANGED: CMFocusChanged(Message); break;
    case CM_ENTER: CMEnter(Message); break;
    case CM_EXIT: CMExit(Message); break;
    case CM_RECREATEWND: CMRecreateWnd(Message); break;
    case CM_CHILDKEY: CMChildKey(Message); break;
    case CM_CURSORCHANGED: CMCursorChanged(Message); break;
    case CM_INVALIDATE: CMInvalidate(Message); break;
    default: TControl::Dispatch(Message); break;
  }
}

void TWinControl::DefaultHandler(TMessage& Message) {
  if (!FHandle) {
    TControl::DefaultHandler(Message);
    return;
  }
  // A window made again while this very message was being handled does not get it.
  for (TNativeFrame* frame = t_NativeFrames; frame; frame = frame->Outer) {
    if (frame->Control != this) continue;
    if (frame->Wnd != FHandle) return;
    break;
  }
  if (Message.Msg == WM_CONTEXTMENU && FParent) {
    Message.Result = FParent->Perform(Message.Msg, Message.WParam, Message.LParam);
    if (Message.Result != 0) return;
  }
  if (Message.Msg >= WM_CTLCOLORMSGBOX && Message.Msg <= WM_CTLCOLORSTATIC) {
    if (TWinControl* child = FindControl(reinterpret_cast<HWND>(Message.LParam))) {
      Message.Result = child->Perform(CN_BASE + Message.Msg, Message.WParam, Message.LParam);
      return;
    }
  } else if (Message.Msg >= CN_CTLCOLORMSGBOX && Message.Msg <= CN_CTLCOLORSTATIC) {
    HDC dc = reinterpret_cast<HDC>(Message.WParam);
    ::SetTextColor(dc, ColorToRGB(FFont->GetColor()));
    SetBkColor(dc, ColorToRGB(FBrush->GetColor()));
    Message.Result = reinterpret_cast<NativeInt>(FBrush->GetHandle());
    return;
  }
  Message.Result = CallWindowProcA(FDefWndProc, FHandle, Message.Msg, Message.WParam, Message.LParam);
}

// Reflection: a parent hands what its children's notifications mean to the children.
namespace {
bool ReflectTo(HWND Child, TMessage& Message) {
  TWinControl* control = FindControl(Child);
  if (!control) return false;
  Message.Result = control->Perform(CN_BASE + Message.Msg, Message.WParam, Message.LParam);
  return true;
}
}  // namespace

void TWinControl::WMCommand(TMessage& Message) {
  if (!Message.LParam || !ReflectTo(reinterpret_cast<HWND>(Message.LParam), Message))
    DefaultHandler(Message);
}

void TWinControl::WMNotify(TMessage& Message) {
  auto* header = reinterpret_cast<NMHDR*>(Message.LParam);
  if (!header || !ReflectTo(header->hwndFrom, Message)) DefaultHandler(Message);
}

void TWinControl::WMDrawItem(TMessage& Message) {
  auto* item = reinterpret_cast<DRAWITEMSTRUCT*>(Message.LParam);
  if (!item || item->CtlType == ODT_MENU || !ReflectTo(item->hwndItem, Message)) DefaultHandler(Message);
}

void TWinControl::WMMeasureItem(TMessage& Message) {
  auto* item = reinterpret_cast<MEASUREITEMSTRUCT*>(Message.LParam);
  if (item && item->CtlType != ODT_MENU) {
    // Sent while the child is being made, before the parent could look its window up:
    // the child is found by its id.
    for (TWinControl* child : FWinControls) {
      if (child->FChildId != 0 && static_cast<UINT>(child->FChildId) == item->CtlID) {
        Message.Result = child->Perform(CN_MEASUREITEM, Message.WParam, Message.LParam);
        return;
      }
    }
  }
  DefaultHandler(Message);
}

void TWinControl::WMCompareItem(TMessage& Message) {
  auto* item = reinterpret_cast<COMPAREITEMSTRUCT*>(Message.LParam);
  if (!item || !ReflectTo(item->hwndItem, Message)) DefaultHandler(Message);
}

void TWinControl::WMDeleteItem(TMessage& Message) {
  auto* item = reinterpret_cast<DELETEITEMSTRUCT*>(Message.LParam);
  if (!item || !ReflectTo(item->hwndItem, Message)) DefaultHandler(Message);
}

void TWinControl::WMScroll(TMessage& Message) {
  if (!Message.LParam || !ReflectTo(reinterpret_cast<HWND>(Message.LParam), Message))
    DefaultHandler(Message);
}

void TWinControl::WMSize(TMessage& Message) {
  UpdateBounds();
  DefaultHandler(Message);
  Realign();
  if (!GetComponentState().Contains(csLoading)) Resize();
}

void TWinControl::WMMove(TMessage& Message) {
  DefaultHandler(Message);
  UpdateBounds();
}

void TWinControl::WMWindowPosChanging(TMessage& Message) {
  // Sizes the system gives the window (the user's dragging too) keep to the limits.
  WINDOWPOS* pos = TWMWindowPosMsg(Message).GetWindowPos();
  if (pos && !(pos->flags & SWP_NOSIZE) &&
      !GetComponentState().Contains(csDestroying) && !GetComponentState().Contains(csReading)) {
    int w = pos->cx, h = pos->cy;
    if (!CheckNewSize(w, h)) {
      pos->flags |= SWP_NOSIZE;
    } else {
      pos->cx = w;
      pos->cy = h;
    }
  }
  DefaultHandler(Message);
}

void TWinControl::WMWindowPosChanged(TMessage& Message) {
  if (!FControlState.Contains(csDestroyingHandle) && FHandle) UpdateBounds();
  DefaultHandler(Message);
}

void TWinControl::WMSetCursor(TMessage& Message) {
  if (reinterpret_cast<HWND>(Message.WParam) == FHandle &&
      static_cast<int16_t>(LOWORD(Message.LParam)) == HTCLIENT) {
    TCursor cursor = Screen ? Screen->GetCursor() : crDefault;
    if (cursor == crDefault) {
      POINT p;
      GetCursorPos(&p);
      if (TControl* control = ControlAtPos(ScreenToClient(FromPOINT(p)), false))
        cursor = control->GetCursor();
      if (cursor == crDefault) cursor = GetCursor();
    }
    if (cursor != crDefault && Screen) {
      ::SetCursor(Screen->GetCursors(cursor));
      Message.Result = 1;
      return;
    }
  }
  DefaultHandler(Message);
}

void TWinControl::WMNCDestroy(TMessage& Message) {
  HWND wnd = FHandle;
  DefaultHandler(Message);
  if (wnd) RemovePropA(wnd, ControlProp());
  if (g_TrackedWindow == wnd) g_TrackedWindow = nullptr;
  if (FHandle == wnd) {
    FHandle = nullptr;
    FShowing = false;
  }
}

void TWinControl::WMKillFocus(TMessage& Message) { DefaultHandler(Message); }

void TWinControl::WMContextMenu(TMessage& Message) {
  if (Message.Result != 0) return;
  // A windowless child under the point answers first.
  TPoint pos = PointFromLParam(Message.LParam);
  if (!(pos.X == -1 && pos.Y == -1) && FHandle)
    if (TControl* child = ControlAtPos(ScreenToClient(pos), false))
      Message.Result = child->Perform(WM_CONTEXTMENU, 0, Message.LParam);
  if (Message.Result == 0) TControl::WMContextMenu(Message);
}

void TWinControl::WMMouseWheel(TMessage& Message) {
  if (Perform(CM_MOUSEWHEEL, Message.WParam, Message.LParam) == 0) DefaultHandler(Message);
}

// ---------------------------------------------------------------------------------------
// Focus and tab order

bool TWinControl::CanFocus() {
  TCustomForm* form = GetParentForm(this);
  if (!form) return false;
  for (TControl* control = this; control != form; control = control->FParent)
    if (!control->FVisible || !control->GetEnabled()) return false;
  return true;
}

bool TWinControl::Focused() const { return FHandle && GetFocus() == FHandle; }

void TWinControl::SetFocus() {
  if (TCustomForm* form = GetParentForm(this))
    form->FocusControl(this);
  else if (FParentWindow)
    ::SetFocus(GetHandle());
  else
    ValidParentForm(this);
}

void TWinControl::RemoveFocus(bool Removing) {
  if (TCustomForm* form = GetParentForm(this)) form->DefocusControl(this, Removing);
}

int TWinControl::GetTabOrder() const {
  if (!FParent) return -1;
  auto& list = FParent->FTabList;
  auto found = std::find(list.begin(), list.end(), this);
  return found == list.end() ? -1 : static_cast<int>(found - list.begin());
}

void TWinControl::SetTabOrder(int Value) {
  int current = GetTabOrder();
  if (current < 0) return;
  auto& list = FParent->FTabList;
  Value = std::max(0, std::min(Value, static_cast<int>(list.size()) - 1));
  if (Value == current) return;
  list.erase(list.begin() + current);
  list.insert(list.begin() + Value, this);
}

void TWinControl::SetTabStop(bool Value) {
  if (FTabStop == Value) return;
  FTabStop = Value;
  if (FHandle) {
    LONG_PTR style = GetWindowLongPtrA(FHandle, GWL_STYLE);
    SetWindowLongPtrA(FHandle, GWL_STYLE, Value ? style | WS_TABSTOP : style & ~LONG_PTR(WS_TABSTOP));
  }
  Perform(CM_TABSTOPCHANGED, 0, 0);
}

void TWinControl::GetTabOrderList(std::vector<TWinControl*>& List) {
  for (TWinControl* control : FTabList) {
    List.push_back(control);
    control->GetTabOrderList(List);
  }
}

TWinControl* TWinControl::FindNextControl(TWinControl* CurControl, bool GoForward, bool CheckTabStop,
                                          bool CheckParent) {
  std::vector<TWinControl*> list;
  GetTabOrderList(list);
  if (list.empty()) return nullptr;
  const int count = static_cast<int>(list.size());
  auto found = std::find(list.begin(), list.end(), CurControl);
  int start = found == list.end() ? (GoForward ? count - 1 : 0) : static_cast<int>(found - list.begin());
  int i = start;
  do {
    if (GoForward) {
      if (++i == count) i = 0;
    } else {
      if (i == 0) i = count;
      --i;
    }
    TWinControl* candidate = list[static_cast<size_t>(i)];
    if (candidate->CanFocus() && (!CheckTabStop || candidate->FTabStop) &&
        (!CheckParent || candidate->FParent == this))
      return candidate;
  } while (i != start);
  return nullptr;
}

void TWinControl::SelectNext(TWinControl* CurControl, bool GoForward, bool CheckTabStop) {
  if (TWinControl* next = FindNextControl(CurControl, GoForward, CheckTabStop, !CheckTabStop))
    next->SetFocus();
}

void TWinControl::DoEnter() {
  if (OnEnter) OnEnter(this);
}

void TWinControl::DoExit() {
  if (OnExit) OnExit(this);
}

void TWinControl::CMEnter(TMessage&) { DoEnter(); }
void TWinControl::CMExit(TMessage&) { DoExit(); }
void TWinControl::CMFocusChanged(TMessage& Message) { Broadcast(Message); }
void TWinControl::CMDialogKey(TMessage& Message) { Broadcast(Message); }
void TWinControl::CMDialogChar(TMessage& Message) { Broadcast(Message); }

void TWinControl::CMChildKey(TMessage& Message) {
  if (FParent) {
    TWndMethod proc = FParent->WindowProc;
    proc(Message);
  }
}

// ---------------------------------------------------------------------------------------
// Keys

void TWinControl::KeyDown(uint16_t& Key, TShiftState Shift) {
  if (OnKeyDown) OnKeyDown(this, Key, Shift);
}

void TWinControl::KeyUp(uint16_t& Key, TShiftState Shift) {
  if (OnKeyUp) OnKeyUp(this, Key, Shift);
}

void TWinControl::KeyPress(char& Key) {
  if (OnKeyPress) OnKeyPress(this, Key);
}

bool TWinControl::DoKeyEvent(TMessage& Message, bool (TWinControl::*FormFirst)(TMessage&),
                             void (TWinControl::*Handler)(uint16_t&, TShiftState)) {
  TCustomForm* form = GetParentForm(this);
  if (form && form != this && form->GetKeyPreview() && (form->*FormFirst)(Message)) return true;
  if (!FControlStyle.Contains(csNoStdEvents)) {
    TWMKey key(Message);
    uint16_t code = key.GetCharCode();
    (this->*Handler)(code, KeyDataToShiftState(key.GetKeyData()));
    key.SetCharCode(code);
    if (code == 0) return true;
  }
  return false;
}

bool TWinControl::DoKeyDown(TMessage& Message) {
  return DoKeyEvent(Message, &TWinControl::DoKeyDown, &TWinControl::KeyDown);
}

bool TWinControl::DoKeyUp(TMessage& Message) {
  return DoKeyEvent(Message, &TWinControl::DoKeyUp, &TWinControl::KeyUp);
}

bool TWinControl::DoKeyPress(TMessage& Message) {
  TCustomForm* form = GetParentForm(this);
  if (form && form != this && form->GetKeyPreview() && form->DoKeyPress(Message)) return true;
  if (!FControlStyle.Contains(csNoStdEvents)) {
    TWMKey key(Message);
    char ch = static_cast<char>(key.GetCharCode());
    KeyPress(ch);
    key.SetCharCode(static_cast<uint8_t>(ch));
    if (ch == 0) return true;
  }
  return false;
}

void TWinControl::WMKeyDown(TMessage& Message) {
  if (!DoKeyDown(Message)) DefaultHandler(Message);
}

void TWinControl::WMKeyUp(TMessage& Message) {
  if (!DoKeyUp(Message)) DefaultHandler(Message);
}

void TWinControl::WMChar(TMessage& Message) {
  if (!DoKeyPress(Message)) DefaultHandler(Message);
}

bool TWinControl::IsMenuKey(TMessage& Message) {
  TWMKey key(Message);
  for (TControl* control = this; control; control = control->FParent)
    if (TPopupMenu* menu = control->GetPopupMenu(); menu && menu->IsShortCut(key)) return true;
  if (TCustomForm* form = GetParentForm(this); form && form->IsShortCut(key)) return true;
  if (Application &&
      SendMessageA(Application->GetHandle(), CM_APPKEYDOWN, Message.WParam, Message.LParam) != 0)
    return true;
  return false;
}

void TWinControl::CNKeyDown(TMessage& Message) {
  Message.Result = 1;
  if (IsMenuKey(Message)) return;
  if (Perform(CM_CHILDKEY, Message.WParam, reinterpret_cast<NativeInt>(this)) != 0) return;
  UINT mask = 0;
  switch (Message.WParam) {
    case VK_TAB: mask = DLGC_WANTTAB; break;
    case VK_LEFT:
    case VK_RIGHT:
    case VK_UP:
    case VK_DOWN: mask = DLGC_WANTARROWS; break;
    case VK_RETURN:
    case VK_EXECUTE:
    case VK_ESCAPE:
    case VK_CANCEL: mask = DLGC_WANTALLKEYS; break;
  }
  if (mask != 0 && Perform(CM_WANTSPECIALKEY, Message.WParam, 0) == 0 &&
      (Perform(WM_GETDLGCODE, 0, 0) & mask) == 0) {
    if (TCustomForm* form = GetParentForm(this);
        form && form->Perform(CM_DIALOGKEY, Message.WParam, Message.LParam) != 0)
      return;
  }
  Message.Result = 0;
}

void TWinControl::CNKeyUp(TMessage& Message) { Message.Result = 0; }

void TWinControl::CNChar(TMessage& Message) {
  Message.Result = 1;
  if ((Perform(WM_GETDLGCODE, 0, 0) & DLGC_WANTCHARS) == 0) {
    if (TCustomForm* form = GetParentForm(this);
        form && form->Perform(CM_DIALOGCHAR, Message.WParam, Message.LParam) != 0)
      return;
  }
  Message.Result = 0;
}

void TWinControl::CNSysKeyDown(TMessage& Message) {
  Message.Result = 1;
  if (IsMenuKey(Message)) return;
  Message.Result = 0;
}

void TWinControl::CNSysChar(TMessage& Message) {
  if (Message.WParam != VK_SPACE) {
    if (TCustomForm* form = GetParentForm(this))
      Message.Result = form->Perform(CM_DIALOGCHAR, Message.WParam, Message.LParam);
  }
}
