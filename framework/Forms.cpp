// TCustomForm: the form window, showing and closing, modal loops, activation and focus,
// dialog keys, MDI.
#include "framework/Forms.h"

#include <algorithm>

#include "framework/ControlsPrivate.h"
#include "framework/Scopes.h"
#include "framework/TypInfo.h"

namespace {

// The windows of the thread that a modal form disables (and enables again).
struct TTaskWindows {
  HWND Active;
  std::vector<HWND> Disabled;
};

BOOL CALLBACK DisableTaskWindow(HWND Wnd, LPARAM Data) {
  auto* list = reinterpret_cast<TTaskWindows*>(Data);
  if (Wnd != list->Active && IsWindowVisible(Wnd) && IsWindowEnabled(Wnd)) {
    list->Disabled.push_back(Wnd);
    EnableWindow(Wnd, FALSE);
  }
  return TRUE;
}

std::vector<HWND> DisableTaskWindows(HWND Active) {
  TTaskWindows list{Active, {}};
  EnumThreadWindows(GetCurrentThreadId(), &DisableTaskWindow, reinterpret_cast<LPARAM>(&list));
  return list.Disabled;
}

void EnableTaskWindows(const std::vector<HWND>& Windows) {
  for (HWND wnd : Windows)
    if (IsWindow(wnd)) EnableWindow(wnd, TRUE);
}

// Another visible top-level window of the thread to activate when the active form hides.
struct TTopMost {
  HWND Exclude;
  HWND Found;
};

BOOL CALLBACK FindTopMost(HWND Wnd, LPARAM Data) {
  auto* find = reinterpret_cast<TTopMost*>(Data);
  if (Wnd != find->Exclude && Application && Wnd != Application->GetHandle() && IsWindowVisible(Wnd) &&
      IsWindowEnabled(Wnd) && !(GetWindowLongPtrA(Wnd, GWL_EXSTYLE) & WS_EX_TOPMOST)) {
    find->Found = Wnd;
    return FALSE;
  }
  return TRUE;
}

HWND FindTopMostWindow(HWND Exclude) {
  TTopMost find{Exclude, nullptr};
  EnumThreadWindows(GetCurrentThreadId(), &FindTopMost, reinterpret_cast<LPARAM>(&find));
  return find.Found;
}

// Counts focus changes: a focus message whose handler moved the focus elsewhere stops the
// change that sent it.
int g_FocusCount = 0;

bool SendFocusMessage(HWND Wnd, UINT Msg) {
  const int count = g_FocusCount;
  SendMessageA(Wnd, Msg, 0, 0);
  return g_FocusCount == count;
}

}  // namespace

TCustomForm::TCustomForm(TComponent* AOwner)
    : TWinControl(AOwner), FIcon(std::make_unique<TIcon>()), FCanvas(std::make_unique<TControlCanvas>()) {
  FControlStyle = {csAcceptsControls, csCaptureMouse, csClickEvents, csSetCaption, csDoubleClicks};
  FVisible = false;
  FParentColor = false;
  FParentFont = false;
  FColor = clBtnFace;
  GetBrush()->SetColor(FColor);
  FLeft = 100;
  FTop = 100;
  FWidth = 320;
  FHeight = 240;
  FCanvas->SetControl(this);
  FIcon->SetWidth(GetSystemMetrics(SM_CXSMICON));
  FIcon->SetHeight(GetSystemMetrics(SM_CYSMICON));
  FIcon->OnChange = [this](TObject* Sender) { IconChanged(Sender); };
  if (Screen) Screen->AddForm(this);
}

TCustomForm::~TCustomForm() {
  if (Screen) Screen->RemoveForm(this);
}

void TCustomForm::AfterConstruction() {
  TWinControl::AfterConstruction();
  DoCreate();
}

void TCustomForm::BeforeDestruction() {
  if (!FDestroyFired) {
    FDestroyFired = true;
    try {
      if (FFormStyle != fsMDIChild) Hide();
      DoDestroy();
    } catch (...) {
      if (Application) Application->HandleException(this);
    }
  }
  if (Application && Application->FMainForm == this) Application->FMainForm = nullptr;
  TWinControl::BeforeDestruction();
  if (Screen) Screen->RemoveForm(this);
}

void TCustomForm::DoCreate() {
  if (OnCreate) OnCreate(this);
}

void TCustomForm::DoDestroy() {
  if (OnDestroy) OnDestroy(this);
}

TRect TCustomForm::GetClientRect() {
  if (FHandle) return TWinControl::GetClientRect();
  // Without a window: the bounds less the frame the window will have.
  TCreateParams params;
  CreateParams(params);
  RECT r = {0, 0, 0, 0};
  AdjustWindowRectEx(&r, params.Style, FALSE, params.ExStyle);
  return TRect(0, 0, std::max(0, FWidth - static_cast<int>(r.right - r.left)),
               std::max(0, FHeight - static_cast<int>(r.bottom - r.top)));
}

void TCustomForm::CreateParams(TCreateParams& Params) {
  TWinControl::CreateParams(Params);
  if (!FParent && !GetParentWindow()) {
    Params.WndParent = Application ? Application->GetHandle() : nullptr;
    Params.Style &= ~(WS_CHILD | WS_GROUP | WS_TABSTOP);
  }
  Params.WindowClass.style = CS_DBLCLKS;
  TBorderIcons icons = FBorderIcons;
  TFormBorderStyle style = FBorderStyle;
  if (FFormStyle == fsMDIChild && (style == bsNone || style == bsDialog)) style = bsSizeable;
  switch (style) {
    case bsNone:
      if (!FParent && !GetParentWindow()) Params.Style |= WS_POPUP;
      icons = TBorderIcons();
      break;
    case bsSingle:
    case bsToolWindow:
      Params.Style |= WS_CAPTION | WS_BORDER;
      break;
    case bsSizeable:
    case bsSizeToolWin:
      Params.Style |= WS_CAPTION | WS_THICKFRAME;
      break;
    case bsDialog:
      Params.Style |= WS_POPUP | WS_CAPTION;
      Params.ExStyle = WS_EX_DLGMODALFRAME | WS_EX_WINDOWEDGE;
      icons = icons * TBorderIcons{biSystemMenu, biHelp};
      Params.WindowClass.style |= CS_SAVEBITS | CS_BYTEALIGNWINDOW;
      break;
  }
  if (style == bsToolWindow || style == bsSizeToolWin) {
    Params.ExStyle = WS_EX_TOOLWINDOW;
    icons = icons * TBorderIcons{biSystemMenu};
  }
  if (style == bsSingle || style == bsSizeable || style == bsNone) {
    if (FFormStyle != fsMDIChild || icons.Contains(biSystemMenu)) {
      if (icons.Contains(biMinimize)) Params.Style |= WS_MINIMIZEBOX;
      if (icons.Contains(biMaximize)) Params.Style |= WS_MAXIMIZEBOX;
    }
    if (FWindowState == wsMinimized)
      Params.Style |= WS_MINIMIZE;
    else if (FWindowState == wsMaximized)
      Params.Style |= WS_MAXIMIZE;
  } else {
    FWindowState = wsNormal;
  }
  if (icons.Contains(biSystemMenu)) Params.Style |= WS_SYSMENU;
  if (icons.Contains(biHelp) &&
      (style == bsDialog || (!icons.Contains(biMinimize) && !icons.Contains(biMaximize))))
    Params.ExStyle |= WS_EX_CONTEXTHELP;
  if (FFormStyle == fsStayOnTop) Params.ExStyle |= WS_EX_TOPMOST;
  if (FFormStyle == fsMDIChild) {
    Params.WindowClass.lpfnWndProc = &DefMDIChildProcA;
    Params.ExStyle |= WS_EX_MDICHILD;
  }
}

void TCustomForm::CreateWindowHandle(const TCreateParams& Params) {
  if (FFormStyle != fsMDIChild) {
    TWinControl::CreateWindowHandle(Params);
    FFormState.Exclude(fsCreatedMDIChild);
    return;
  }
  TCustomForm* main = Application ? Application->GetMainForm() : nullptr;
  if (!main || !main->GetClientHandle())
    throw EInvalidOperation("Cannot create form. No MDI forms are currently active");
  MDICREATESTRUCTA create = {};
  create.szClass = Params.WinClassName.c_str();
  create.szTitle = Params.Caption.c_str();
  create.hOwner = Params.WindowClass.hInstance;
  create.x = Params.X;
  create.y = Params.Y;
  create.cx = Params.Width;
  create.cy = Params.Height;
  create.style = Params.Style;
  create.lParam = reinterpret_cast<LPARAM>(Params.Param);
  HWND wnd = reinterpret_cast<HWND>(
      SendMessageA(main->GetClientHandle(), WM_MDICREATE, 0, reinterpret_cast<LPARAM>(&create)));
  if (wnd && !FHandle) FHandle = wnd;
  FFormState.Include(fsCreatedMDIChild);
}

void TCustomForm::DestroyWindowHandle() {
  if (FFormState.Contains(fsCreatedMDIChild)) {
    TCustomForm* main = Application ? Application->GetMainForm() : nullptr;
    if (main && main->GetClientHandle()) {
      HWND wnd = FHandle;
      FControlState.Include(csDestroyingHandle);
      SendMessageA(main->GetClientHandle(), WM_MDIDESTROY, reinterpret_cast<WPARAM>(wnd), 0);
      FControlState.Exclude(csDestroyingHandle);
      FHandle = nullptr;
      FShowing = false;
      return;
    }
  }
  FClientHook.reset();
  FClientHandle = nullptr;
  TWinControl::DestroyWindowHandle();
}

void TCustomForm::CreateWnd() {
  TWinControl::CreateWnd();
  SendMessageA(FHandle, WM_SETICON, ICON_BIG,
               FBorderStyle == bsDialog ? 0 : reinterpret_cast<LPARAM>(GetIconHandle()));
  if (FFormStyle == fsMDIForm) {
    CLIENTCREATESTRUCT client = {nullptr, 0xFF00};
    TRect r = GetClientRect();
    FClientHandle = CreateWindowExA(WS_EX_CLIENTEDGE, "MDICLIENT", nullptr,
                                    WS_CHILD | WS_VISIBLE | WS_GROUP | WS_TABSTOP | WS_CLIPCHILDREN |
                                        WS_HSCROLL | WS_VSCROLL | WS_CLIPSIBLINGS | MDIS_ALLCHILDSTYLES,
                                    0, 0, r.Width(), r.Height(), FHandle, nullptr, FrameworkInstance(),
                                    &client);
    if (!FClientHandle) RaiseLastOSError();
    // The client paints the form's colour and leaves the frame's keys to the form.
    FClientHook = std::make_unique<TWindowProcHook>(FClientHandle);
    TWindowProcHook* hook = FClientHook.get();
    FClientHook->WindowProc = [this, hook](TMessage& Message) {
      if (Message.Msg == WM_ERASEBKGND) {
        RECT r;
        ::GetClientRect(FClientHandle, &r);
        ::FillRect(reinterpret_cast<HDC>(Message.WParam), &r, GetBrush()->GetHandle());
        Message.Result = 1;
        return;
      }
      hook->CallDefault(Message);
    };
    Realign();
  }
}

HICON TCustomForm::GetIconHandle() {
  HICON icon = FIcon->GetEmpty() ? nullptr : FIcon->GetHandle();
  if (!icon && Application && !Application->GetIcon()->GetEmpty()) icon = Application->GetIcon()->GetHandle();
  return icon;
}

void TCustomForm::IconChanged(TObject*) {
  if (FHandle) Perform(CM_ICONCHANGED, 0, 0);
}

void TCustomForm::CMIconChanged(TMessage&) {
  if (FHandle && FBorderStyle != bsDialog)
    SendMessageA(FHandle, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(GetIconHandle()));
}

void TCustomForm::SetBorderIcons(TBorderIcons Value) {
  if (FBorderIcons == Value) return;
  FBorderIcons = Value;
  RecreateWnd();
}

void TCustomForm::SetBorderStyle(TFormBorderStyle Value) {
  if (FBorderStyle == Value) return;
  FBorderStyle = Value;
  RecreateWnd();
}

void TCustomForm::SetFormStyle(TFormStyle Value) {
  if (FFormStyle == Value) return;
  if (FHandle && (Value == fsMDIChild || FFormStyle == fsMDIChild || Value == fsMDIForm ||
                  FFormStyle == fsMDIForm)) {
    DestroyHandle();
    FFormStyle = Value;
    UpdateControlState();
    return;
  }
  FFormStyle = Value;
  if (FHandle)
    SetWindowPos(FHandle, Value == fsStayOnTop ? HWND_TOPMOST : HWND_NOTOPMOST, 0, 0, 0, 0,
                 SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

void TCustomForm::SetWindowState(TWindowState Value) {
  if (FWindowState == Value) return;
  FWindowState = Value;
  static const int kShow[] = {SW_SHOWNORMAL, SW_SHOWMINNOACTIVE, SW_SHOWMAXIMIZED};
  if (FShowing) ShowWindow(FHandle, kShow[Value]);
}

void TCustomForm::SetMenu(TMenu* Value) { ReplaceComponentReference(this, FMenu, Value); }

void TCustomForm::SetWindowMenu(TMenuItem* Value) { ReplaceComponentReference(this, FWindowMenu, Value); }

void TCustomForm::Notification(TComponent* AComponent, TOperation Operation) {
  TWinControl::Notification(AComponent, Operation);
  if (Operation != opRemove) return;
  if (AComponent == FMenu) FMenu = nullptr;
  if (AComponent == FWindowMenu) FWindowMenu = nullptr;
}

void TCustomForm::VisibleChanging() {
  if (FFormStyle == fsMDIChild && FVisible)
    throw EInvalidOperation("Cannot hide an MDI Child Form");
}

void TCustomForm::Show() {
  SetVisible(true);
  BringToFront();
}

void TCustomForm::Hide() { SetVisible(false); }

// ---------------------------------------------------------------------------------------
// Showing, closing, modal loops

void TCustomForm::CMShowingChanged(TMessage&) {
  if (FFormState.Contains(fsShowing))
    throw EInvalidOperation("Cannot change Visible in OnShow or OnHide");
  if (Application) Application->UpdateVisible();
  TStateScope<TFormState, TFormStateFlag> showing(FFormState, fsShowing);
  if (FShowing) {
    try {
      DoShow();
    } catch (...) {
      if (Application) Application->HandleException(this);
    }
    const int screenW = Screen ? Screen->GetWidth() : GetSystemMetrics(SM_CXSCREEN);
    const int screenH = Screen ? Screen->GetHeight() : GetSystemMetrics(SM_CYSCREEN);
    if (FPosition == poScreenCenter || (FPosition == poMainFormCenter && FFormStyle == fsMDIChild)) {
      int x, y;
      if (FFormStyle == fsMDIChild && Application && Application->GetMainForm()) {
        x = (Application->GetMainForm()->GetClientWidth() - FWidth) / 2;
        y = (Application->GetMainForm()->GetClientHeight() - FHeight) / 2;
      } else {
        x = (screenW - FWidth) / 2;
        y = (screenH - FHeight) / 2;
      }
      SetBounds(std::max(0, x), std::max(0, y), FWidth, FHeight);
    } else if (FPosition == poMainFormCenter || FPosition == poOwnerFormCenter) {
      TCustomForm* center = Application ? Application->GetMainForm() : nullptr;
      if (FPosition == poOwnerFormCenter)
        if (auto* owner = dynamic_cast<TCustomForm*>(GetOwner())) center = owner;
      int x, y;
      if (center && center != this) {
        x = (center->FWidth - FWidth) / 2 + center->FLeft;
        y = (center->FHeight - FHeight) / 2 + center->FTop;
      } else {
        x = (screenW - FWidth) / 2;
        y = (screenH - FHeight) / 2;
      }
      SetBounds(std::max(0, x), std::max(0, y), FWidth, FHeight);
    } else if (FPosition == poDesktopCenter && Screen) {
      int x = Screen->GetDesktopWidth() / 2 + Screen->GetDesktopLeft() - FWidth / 2;
      int y = Screen->GetDesktopHeight() / 2 + Screen->GetDesktopTop() - FHeight / 2;
      SetBounds(std::max(Screen->GetDesktopLeft(), x), std::max(Screen->GetDesktopTop(), y), FWidth,
                FHeight);
    }
    FPosition = poDesigned;
    static const int kShow[] = {SW_SHOWNORMAL, SW_SHOWMINNOACTIVE, SW_SHOWMAXIMIZED};
    if (FFormStyle == fsMDIChild) {
      ShowWindow(FHandle, kShow[FWindowState]);
      if (FWindowState == wsNormal) BringToFront();
    } else {
      ShowWindow(FHandle, kShow[FWindowState]);
    }
  } else {
    try {
      DoHide();
    } catch (...) {
      if (Application) Application->HandleException(this);
    }
    if (FFormStyle == fsMDIChild) {
      DestroyHandle();
    } else if (FFormState.Contains(fsModal)) {
      SetWindowPos(FHandle, nullptr, 0, 0, 0, 0,
                   SWP_HIDEWINDOW | SWP_NOSIZE | SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    } else {
      HWND next = nullptr;
      if (GetActiveWindow() == FHandle && !IsIconic(FHandle)) next = FindTopMostWindow(FHandle);
      if (next) {
        SetWindowPos(FHandle, nullptr, 0, 0, 0, 0,
                     SWP_HIDEWINDOW | SWP_NOSIZE | SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
        SetActiveWindow(next);
      } else {
        ShowWindow(FHandle, SW_HIDE);
      }
    }
  }
}

void TCustomForm::DoShow() {
  if (OnShow) OnShow(this);
}

void TCustomForm::DoHide() {
  if (OnHide) OnHide(this);
}

bool TCustomForm::CloseQuery() {
  bool canClose = true;
  if (FFormStyle == fsMDIForm) {
    for (int i = 0; i < GetMDIChildCount(); ++i)
      if (!GetMDIChild(i)->CloseQuery()) return false;
  }
  if (OnCloseQuery) OnCloseQuery(this, canClose);
  return canClose;
}

void TCustomForm::DoClose(TCloseAction& Action) {
  if (OnClose) OnClose(this, Action);
}

void TCustomForm::Close() {
  if (FFormState.Contains(fsModal)) {
    FModalResult = mrCancel;
    return;
  }
  if (!CloseQuery()) return;
  TCloseAction action = FFormStyle == fsMDIChild ? (FBorderIcons.Contains(biMinimize) ? caMinimize : caNone)
                                                 : caHide;
  DoClose(action);
  if (action == caNone) return;
  if (Application && Application->GetMainForm() == this)
    Application->Terminate();
  else if (action == caHide)
    Hide();
  else if (action == caMinimize)
    SetWindowState(wsMinimized);
  else
    Release();
}

void TCustomForm::Release() { PostMessageA(GetHandle(), CM_RELEASE, 0, 0); }

void TCustomForm::CMRelease(TMessage&) { Free(); }

void TCustomForm::CloseModal() {
  try {
    TCloseAction action = caNone;
    if (CloseQuery()) {
      action = caHide;
      DoClose(action);
    }
    if (action == caNone)
      FModalResult = mrNone;
    else if (action == caFree)
      Release();
  } catch (...) {
    FModalResult = mrNone;
    if (Application) Application->HandleException(this);
  }
}

// What a modal loop changes around its form, put back on every way out: the other windows
// of the thread disabled, the screen's focused form, the window active before, the focus
// count.
class TCustomForm::TModalLoopScope {
 public:
  explicit TModalLoopScope(TCustomForm* Form)
      : FActiveWindow(GetActiveWindow()), FFocusCount(g_FocusCount) {
    if (Screen) {
      Screen->FSaveFocusedList.insert(Screen->FSaveFocusedList.begin(), Screen->FFocusedForm);
      Screen->FFocusedForm = Form;
    }
    FDisabled = DisableTaskWindows(nullptr);
  }
  ~TModalLoopScope() {
    EnableTaskWindows(FDisabled);
    if (Screen) {
      if (!Screen->FSaveFocusedList.empty()) {
        Screen->FFocusedForm = Screen->FSaveFocusedList.front();
        Screen->FSaveFocusedList.erase(Screen->FSaveFocusedList.begin());
      } else {
        Screen->FFocusedForm = nullptr;
      }
    }
    if (FActiveWindow && IsWindow(FActiveWindow)) SetActiveWindow(FActiveWindow);
    g_FocusCount = FFocusCount;
  }
  TModalLoopScope(const TModalLoopScope&) = delete;
  TModalLoopScope& operator=(const TModalLoopScope&) = delete;
  // The active window moved elsewhere meanwhile: it is not activated again.
  void ForgetActiveWindow() { FActiveWindow = nullptr; }

 private:
  HWND FActiveWindow;
  int FFocusCount;
  std::vector<HWND> FDisabled;
};

int TCustomForm::ShowModal() {
  if (FVisible || !FEnabled || FFormState.Contains(fsModal) || FFormStyle == fsMDIChild)
    throw EInvalidOperation("Cannot make a visible window modal");
  if (HWND capture = GetCapture()) SendMessageA(capture, WM_CANCELMODE, 0, 0);
  ReleaseCapture();
  TStateScope<TFormState, TFormStateFlag> modal(FFormState, fsModal);
  TModalLoopScope loop(this);
  Show();
  // Hidden again on every way out of the loop; not from a destructor, since hiding may
  // raise (an OnHide) and an exception may be on its way already.
  try {
    SendMessageA(FHandle, CM_ACTIVATE, 0, 0);
    FModalResult = mrNone;
    do {
      Application->HandleMessage();
      if (Application->GetTerminated())
        FModalResult = mrCancel;
      else if (FModalResult != mrNone)
        CloseModal();
    } while (FModalResult == mrNone);
    if (FHandle) SendMessageA(FHandle, CM_DEACTIVATE, 0, 0);
    if (GetActiveWindow() != FHandle) loop.ForgetActiveWindow();
  } catch (...) {
    Hide();
    throw;
  }
  const TModalResult result = FModalResult;
  Hide();
  return result;
}

// ---------------------------------------------------------------------------------------
// Activation and focus

void TCustomForm::WMActivate(TMessage& Message) {
  if (FFormStyle != fsMDIForm) SetActive(LOWORD(Message.WParam) != WA_INACTIVE);
}

void TCustomForm::SetActive(bool Value) {
  FActive = Value;
  if (Value) {
    if (!FActiveControl) FActiveControl = FindNextControl(nullptr, true, true, false);
    SetWindowFocus();
  }
}

void TCustomForm::SetWindowFocus() {
  HWND focus = FActiveControl ? FActiveControl->GetHandle() : FHandle;
  if (focus && GetFocus() != focus) ::SetFocus(focus);
}

void TCustomForm::SetActiveControl(TWinControl* Control) {
  if (FActiveControl == Control) return;
  if (Control && !(Control != this && GetParentForm(Control) == this &&
                   (GetComponentState().Contains(csLoading) || Control->CanFocus())))
    throw EInvalidOperation("Cannot focus a disabled or invisible window");
  FActiveControl = Control;
  if (!GetComponentState().Contains(csLoading) && FActive) SetWindowFocus();
}

void TCustomForm::FocusControl(TWinControl* Control) {
  const bool wasActive = FActive;
  SetActiveControl(Control);
  if (!wasActive) SetFocus();
}

void TCustomForm::SetFocus() {
  if (!CanFocus()) throw EInvalidOperation("Cannot focus a disabled or invisible window");
  TWinControl::SetFocus();
}

bool TCustomForm::CanFocus() { return FVisible && GetEnabled(); }

bool TCustomForm::SetFocusedControl(TWinControl* Control) {
  ++g_FocusCount;
  FActiveControl = Control != this ? Control : nullptr;
  if (Screen) {
    Screen->FActiveControl = Control;
    Screen->FActiveCustomForm = this;
    Screen->MoveFormToFocusFront(this);
    Screen->FActiveForm = dynamic_cast<TForm*>(this);
  }
  if (Control->FControlState.Contains(csFocusing)) return false;
  {
    TStateScope<TControlState, TControlStateFlag> focusing(Control->FControlState, csFocusing);
    if (Screen && Screen->FFocusedForm != this) {
      if (TCustomForm* previous = Screen->FFocusedForm) {
        Screen->FFocusedForm = nullptr;
        if (previous->FHandle && !SendFocusMessage(previous->FHandle, CM_DEACTIVATE)) return false;
      }
      Screen->FFocusedForm = this;
      if (!SendFocusMessage(FHandle, CM_ACTIVATE)) return false;
    }
    if (!FFocusedControl) FFocusedControl = this;
    if (FFocusedControl != Control) {
      while (FFocusedControl && !FFocusedControl->ContainsControl(Control)) {
        HWND wnd = FFocusedControl->FHandle;
        FFocusedControl = FFocusedControl->GetParent();
        if (wnd && !SendFocusMessage(wnd, CM_EXIT)) return false;
      }
      while (FFocusedControl != Control) {
        TWinControl* next = Control;
        while (next->GetParent() != FFocusedControl) next = next->GetParent();
        FFocusedControl = next;
        if (!SendFocusMessage(next->GetHandle(), CM_ENTER)) return false;
      }
      Perform(CM_FOCUSCHANGED, 0, TCMFocusChanged::LParamOf(Control));
    }
  }
  if (Screen) Screen->UpdateLastActive();
  return true;
}

void TCustomForm::DefocusControl(TWinControl* Control, bool Removing) {
  if (Removing && Control->ContainsControl(FFocusedControl)) FFocusedControl = Control->GetParent();
  if (Control->ContainsControl(FActiveControl)) SetActiveControl(nullptr);
}

void TCustomForm::CMActivate(TMessage&) {
  if (!GetComponentState().Contains(csReading))
    Activate();
  else
    FFormState.Include(fsActivated);
}

void TCustomForm::CMDeactivate(TMessage&) {
  if (!GetComponentState().Contains(csReading)) Deactivate();
}

void TCustomForm::Activate() {
  if (OnActivate) OnActivate(this);
}

void TCustomForm::Deactivate() {
  if (OnDeactivate) OnDeactivate(this);
}

void TCustomForm::SendCancelMode(TControl* Sender) {
  if (FActive && FActiveControl)
    FActiveControl->Perform(CM_CANCELMODE, 0, TCMCancelMode::LParamOf(Sender));
  if (FFormStyle == fsMDIForm)
    if (TCustomForm* child = GetActiveMDIChild()) child->SendCancelMode(Sender);
}

void TCustomForm::CMDialogKey(TMessage& Message) {
  if (GetKeyState(VK_MENU) >= 0) {
    switch (Message.WParam) {
      case VK_TAB:
        if (GetKeyState(VK_CONTROL) >= 0) {
          SelectNext(FActiveControl, GetKeyState(VK_SHIFT) >= 0, true);
          Message.Result = 1;
          return;
        }
        break;
      case VK_LEFT:
      case VK_RIGHT:
      case VK_UP:
      case VK_DOWN:
        if (FActiveControl) {
          TWinControl* parent = FActiveControl->GetParent();
          if (parent) {
            parent->SelectNext(FActiveControl, Message.WParam == VK_RIGHT || Message.WParam == VK_DOWN,
                               false);
            Message.Result = 1;
          }
          return;
        }
        break;
    }
  }
  TWinControl::CMDialogKey(Message);
}

bool TCustomForm::IsShortCut(TWMKey& Message) {
  bool handled = false;
  if (OnShortCut) OnShortCut(Message, handled);
  if (!handled && FMenu) handled = FMenu->IsShortCut(Message);
  return handled;
}

void TCustomForm::PublishProperties(TPropList& Props) const {
  TWinControl::PublishProperties(Props);
  Props.String("Caption", &TControl::GetCaption, &TControl::SetCaption, "TCaption");
  Props.String("Hint", &TControl::GetHint, &TControl::SetHint);
}

void TCustomForm::UpdateActions() {
  if (!FShowing) return;
  InitiateAction();
  if (FMenu) FMenu->GetItems()->InitiateActions();
  std::function<void(TWinControl*)> traverse = [&traverse](TWinControl* container) {
    if (!container->GetShowing()) return;
    for (int i = 0; i < container->GetControlCount(); ++i) {
      TControl* control = container->GetControl(i);
      if (control->GetControlStyle().Contains(csActionClient) && control->GetVisible())
        control->InitiateAction();
      if (auto* windowed = dynamic_cast<TWinControl*>(control)) traverse(windowed);
    }
  };
  traverse(this);
}

// ---------------------------------------------------------------------------------------
// Messages

void TCustomForm::Dispatch(TMessage& Message) {
  switch (Message.Msg) {
    case WM_ACTIVATE: WMActivate(Message); break;
    case WM_CLOSE: WMClose(Message); break;
    case WM_SYSCOMMAND: WMSysCommand(Message); break;
    case WM_SIZE: WMSize(Message); break;
    case WM_GETMINMAXINFO: WMGetMinMaxInfo(Message); break;
    case WM_PAINT: WMPaintForm(Message); break;
    case WM_ERASEBKGND: WMEraseBkgnd(Message); break;
    case WM_QUERYENDSESSION: WMQueryEndSession(Message); break;
    case CM_ACTIVATE: CMActivate(Message); break;
    case CM_DEACTIVATE: CMDeactivate(Message); break;
    case CM_DIALOGKEY: CMDialogKey(Message); break;
    case CM_SHOWINGCHANGED: CMShowingChanged(Message); break;
    case CM_RELEASE: CMRelease(Message); break;
    case CM_ICONCHANGED: CMIconChanged(Message); break;
    default: TWinControl::Dispatch(Message); break;
  }
}

void TCustomForm::DefaultHandler(TMessage& Message) {
  if (FHandle && FFormStyle == fsMDIForm) {
    // The frame procedure resizes the client itself except on WM_SIZE, where the
    // alignment places it.
    HWND client = Message.Msg == WM_SIZE ? nullptr : FClientHandle;
    Message.Result = DefFrameProcA(FHandle, client, Message.Msg, Message.WParam, Message.LParam);
    return;
  }
  TWinControl::DefaultHandler(Message);
}

void TCustomForm::WMClose(TMessage&) { Close(); }

void TCustomForm::WMQueryEndSession(TMessage& Message) { Message.Result = CloseQuery() ? 1 : 0; }

void TCustomForm::WMSysCommand(TMessage& Message) {
  const UINT command = Message.WParam & 0xFFF0;
  if (command == SC_MINIMIZE && Application && Application->GetMainForm() == this) {
    Application->Minimize();
    return;
  }
  if (command != SC_MOVE || GetAlign() == alNone || FWindowState == wsMinimized) DefaultHandler(Message);
  if ((command == SC_MINIMIZE || command == SC_RESTORE) && GetAlign() != alNone) RequestAlign();
}

void TCustomForm::WMSize(TMessage& Message) {
  switch (Message.WParam) {
    case SIZE_RESTORED: FWindowState = wsNormal; break;
    case SIZE_MINIMIZED: FWindowState = wsMinimized; break;
    case SIZE_MAXIMIZED: FWindowState = wsMaximized; break;
  }
  TWinControl::WMSize(Message);
}

void TCustomForm::WMGetMinMaxInfo(TMessage& Message) {
  auto* info = reinterpret_cast<MINMAXINFO*>(Message.LParam);
  TSizeConstraints* c = GetConstraints();
  if (info) {
    if (c->GetMinWidth() > 0) info->ptMinTrackSize.x = c->GetMinWidth();
    if (c->GetMinHeight() > 0) info->ptMinTrackSize.y = c->GetMinHeight();
    if (c->GetMaxWidth() > 0) info->ptMaxTrackSize.x = c->GetMaxWidth();
    if (c->GetMaxHeight() > 0) info->ptMaxTrackSize.y = c->GetMaxHeight();
  }
  DefaultHandler(Message);
}

void TCustomForm::WMPaintForm(TMessage& Message) {
  if (FHandle && IsIconic(FHandle))
    DefaultHandler(Message);
  else
    CustomPaint(Message);
}

void TCustomForm::WMEraseBkgnd(TMessage& Message) {
  if (FFormStyle == fsMDIForm) {
    DefaultHandler(Message);
    return;
  }
  TWinControl::WMEraseBkgnd(Message);
}

void TCustomForm::PaintWindow(HDC DC) {
  FCanvas->PaintOn(DC, [this] {
    FCanvas->GetBrush()->SetColor(GetColor());
    Paint();
  });
}

void TCustomForm::Paint() {
  if (OnPaint) OnPaint(this);
}

void TCustomForm::AlignControls(TControl* AControl, TRect& Rect) {
  TWinControl::AlignControls(AControl, Rect);
  if (FClientHandle)
    SetWindowPos(FClientHandle, HWND_BOTTOM, Rect.Left, Rect.Top, Rect.Width(), Rect.Height(), 0);
}

// ---------------------------------------------------------------------------------------
// MDI

TCustomForm* TCustomForm::GetActiveMDIChild() {
  if (FFormStyle != fsMDIForm || !FClientHandle) return nullptr;
  HWND active = reinterpret_cast<HWND>(SendMessageA(FClientHandle, WM_MDIGETACTIVE, 0, 0));
  return dynamic_cast<TCustomForm*>(FindControl(active));
}

int TCustomForm::GetMDIChildCount() {
  int count = 0;
  if (FFormStyle == fsMDIForm && FClientHandle && Screen)
    for (int i = 0; i < Screen->GetCustomFormCount(); ++i)
      if (Screen->GetCustomForm(i)->FFormStyle == fsMDIChild) ++count;
  return count;
}

TCustomForm* TCustomForm::GetMDIChild(int Index) {
  if (FFormStyle == fsMDIForm && FClientHandle && Screen)
    for (int i = 0; i < Screen->GetCustomFormCount(); ++i) {
      TCustomForm* form = Screen->GetCustomForm(i);
      if (form->FFormStyle == fsMDIChild && Index-- == 0) return form;
    }
  return nullptr;
}

void TCustomForm::Cascade() {
  if (FClientHandle) SendMessageA(FClientHandle, WM_MDICASCADE, 0, 0);
}

void TCustomForm::Tile() {
  if (FClientHandle) SendMessageA(FClientHandle, WM_MDITILE, MDITILE_HORIZONTAL, 0);
}

void TCustomForm::ArrangeIcons() {
  if (FClientHandle) SendMessageA(FClientHandle, WM_MDIICONARRANGE, 0, 0);
}

void TCustomForm::Next() {
  if (FClientHandle) SendMessageA(FClientHandle, WM_MDINEXT, 0, 0);
}

void TCustomForm::Previous() {
  if (FClientHandle) SendMessageA(FClientHandle, WM_MDINEXT, 0, 1);
}
