// Windowed controls: their windows made (from CreateParams, tied to the control by the
// first message), shown as the control and its parents say, destroyed and made again;
// their children and the order of their windows.
#include <algorithm>

#include "framework/ControlsPrivate.h"
#include "framework/Forms.h"
#include "framework/Scopes.h"

#include <commctrl.h>

namespace {

// Child window ids, unique in the process, so that a parent finds the child that an
// owner-draw message (which carries only the id) is about, also while the child is made.
int NextChildId() {
  static int next = 0x100;
  if (++next > 0x7FFF0000) next = 0x100;
  return next;
}

}  // namespace

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
    TValueScope<TWinControl*> creation(CreationControl(), this);
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
    AttachWindow(wnd, this);
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
