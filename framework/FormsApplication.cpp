// TApplication: the application window, the message loop, key routing, idle work,
// exception reports and hints. TScreen: forms, focus bookkeeping, cursors. The unit makes
// both objects when the program starts and frees them when it ends.
#include <algorithm>

#include "framework/ControlsPrivate.h"
#include "framework/Forms.h"

#include <commctrl.h>

TApplication* Application = nullptr;
TScreen* Screen = nullptr;

namespace {

constexpr UINT_PTR kHintTimer = 0x4854;
enum { htShowHint = 1, htHideHint = 2 };

struct TFormsUnit {
  TFormsUnit() {
    INITCOMMONCONTROLSEX icc = {sizeof(icc), ICC_WIN95_CLASSES | ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&icc);
    Screen = new TScreen(nullptr);
    Application = new TApplication(nullptr);
  }
  ~TFormsUnit() {
    FreeAndNil(Application);
    FreeAndNil(Screen);
  }
};
TFormsUnit g_FormsUnit;

// The hint of a control or of its nearest parent that has one.
AnsiString HintOf(TControl* Control) {
  for (; Control; Control = Control->GetParent())
    if (!Control->GetHint().empty()) return Control->GetHint();
  return AnsiString();
}

// The control whose hint shows for a control: itself or its nearest parent with ShowHint.
TControl* GetHintControl(TControl* Control) {
  while (Control && !Control->GetShowHint()) Control = Control->GetParent();
  return Control;
}

}  // namespace

AnsiString GetShortHint(const AnsiString& Hint) {
  size_t bar = Hint.find('|');
  return bar == AnsiString::npos ? Hint : Hint.substr(0, bar);
}

AnsiString GetLongHint(const AnsiString& Hint) {
  size_t bar = Hint.find('|');
  return bar == AnsiString::npos ? Hint : Hint.substr(bar + 1);
}

// ---------------------------------------------------------------------------------------
// TScreen

namespace {

struct TSystemCursor {
  TCursor Index;
  LPCSTR Id;
};
const TSystemCursor kSystemCursors[] = {
    {crDefault, IDC_ARROW},       {crArrow, IDC_ARROW},       {crCross, IDC_CROSS},
    {crIBeam, IDC_IBEAM},         {crSizeNESW, IDC_SIZENESW}, {crSizeNS, IDC_SIZENS},
    {crSizeNWSE, IDC_SIZENWSE},   {crSizeWE, IDC_SIZEWE},     {crUpArrow, IDC_UPARROW},
    {crHourGlass, IDC_WAIT},      {crDrag, IDC_ARROW},        {crNoDrop, IDC_NO},
    {crHSplit, IDC_SIZEWE},       {crVSplit, IDC_SIZENS},     {crMultiDrag, IDC_ARROW},
    {crSQLWait, IDC_WAIT},        {crNo, IDC_NO},             {crAppStart, IDC_APPSTARTING},
    {crHelp, IDC_HELP},           {crHandPoint, IDC_HAND},    {crSizeAll, IDC_SIZEALL},
};

HCURSOR SystemCursor(TCursor Index) {
  for (const TSystemCursor& c : kSystemCursors)
    if (c.Index == Index) return LoadCursorA(nullptr, c.Id);
  return nullptr;
}

}  // namespace

TScreen::TScreen(TComponent* AOwner) : TComponent(AOwner), FHintFont(std::make_unique<TFont>()) {
  TWindowDC screen;
  FPixelsPerInch = GetDeviceCaps(screen, LOGPIXELSY);
  if (FPixelsPerInch <= 0) FPixelsPerInch = 96;
  NONCLIENTMETRICSA metrics = {};
  metrics.cbSize = sizeof(metrics);
  if (SystemParametersInfoA(SPI_GETNONCLIENTMETRICS, sizeof(metrics), &metrics, 0)) {
    TGdiHandle<HFONT> font(CreateFontIndirectA(&metrics.lfStatusFont));
    if (font) FHintFont->SetHandle(font.get());
  }
  FHintFont->SetColor(clInfoText);
  FCursors[crNone] = nullptr;
}

TScreen::~TScreen() {
  for (auto& owned : FOwnedCursors)
    if (owned.second) DestroyCursor(owned.second);
}

int TScreen::GetFormCount() const {
  int count = 0;
  for (TCustomForm* form : FCustomForms)
    if (dynamic_cast<TForm*>(form)) ++count;
  return count;
}

TForm* TScreen::GetForm(int Index) const {
  if (Index >= 0)
    for (TCustomForm* form : FCustomForms)
      if (auto* asForm = dynamic_cast<TForm*>(form))
        if (Index-- == 0) return asForm;
  throw EListError("List index out of bounds (%d)", {Index});
}

TCustomForm* TScreen::GetCustomForm(int Index) const {
  if (Index < 0 || Index >= GetCustomFormCount())
    throw EListError("List index out of bounds (%d)", {Index});
  return FCustomForms[static_cast<size_t>(Index)];
}

void TScreen::AddForm(TCustomForm* AForm) { FCustomForms.push_back(AForm); }

void TScreen::RemoveForm(TCustomForm* AForm) {
  FCustomForms.erase(std::remove(FCustomForms.begin(), FCustomForms.end(), AForm), FCustomForms.end());
  FSaveFocusedList.erase(std::remove(FSaveFocusedList.begin(), FSaveFocusedList.end(), AForm),
                         FSaveFocusedList.end());
  if (static_cast<TCustomForm*>(FActiveForm) == AForm) FActiveForm = nullptr;
  if (FActiveCustomForm == AForm) FActiveCustomForm = nullptr;
  if (FFocusedForm == AForm) FFocusedForm = nullptr;
  if (FLastActiveCustomForm == AForm) FLastActiveCustomForm = nullptr;
  if (FActiveControl && GetParentForm(FActiveControl) == AForm) FActiveControl = nullptr;
  if (FLastActiveControl && GetParentForm(FLastActiveControl) == AForm) FLastActiveControl = nullptr;
}

void TScreen::ControlDestroyed(TControl* Control) {
  if (FActiveControl == Control) FActiveControl = nullptr;
  if (FLastActiveControl == Control) FLastActiveControl = nullptr;
}

void TScreen::MoveFormToFocusFront(TCustomForm* AForm) {
  auto found = std::find(FCustomForms.begin(), FCustomForms.end(), AForm);
  if (found == FCustomForms.end() || found == FCustomForms.begin()) return;
  FCustomForms.erase(found);
  FCustomForms.insert(FCustomForms.begin(), AForm);
}

void TScreen::UpdateLastActive() {
  if (FLastActiveCustomForm != FActiveCustomForm) {
    FLastActiveCustomForm = FActiveCustomForm;
    if (OnActiveFormChange) OnActiveFormChange(this);
  }
  if (FLastActiveControl != FActiveControl) {
    FLastActiveControl = FActiveControl;
    if (OnActiveControlChange) OnActiveControlChange(this);
  }
}

void TScreen::SetCursor(TCursor Value) {
  if (Value == FCursor) return;
  FCursor = Value;
  ++FCursorCount;
  if (Value == crDefault) {
    // The window under the mouse sets its own cursor again.
    POINT p;
    GetCursorPos(&p);
    HWND wnd = WindowFromPoint(p);
    if (wnd && GetWindowThreadProcessId(wnd, nullptr) == GetCurrentThreadId()) {
      LRESULT hit = SendMessageA(wnd, WM_NCHITTEST, 0, MAKELPARAM(p.x, p.y));
      SendMessageA(wnd, WM_SETCURSOR, reinterpret_cast<WPARAM>(wnd), MAKELPARAM(hit, WM_MOUSEMOVE));
    }
  } else {
    ::SetCursor(GetCursors(Value));
  }
}

HCURSOR TScreen::GetCursors(int Index) const {
  auto found = FCursors.find(Index);
  if (found != FCursors.end()) return found->second;
  if (HCURSOR system = SystemCursor(Index)) return system;
  return LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
}

void TScreen::SetCursors(int Index, HCURSOR Handle) {
  auto owned = FOwnedCursors.find(Index);
  if (owned != FOwnedCursors.end()) {
    if (owned->second && owned->second != Handle) DestroyCursor(owned->second);
    FOwnedCursors.erase(owned);
  }
  if (!Handle) {
    FCursors.erase(Index);
    return;
  }
  FCursors[Index] = Handle;
  FOwnedCursors[Index] = Handle;
}

TRect TScreen::GetWorkAreaRect() const {
  RECT r = {};
  SystemParametersInfoA(SPI_GETWORKAREA, 0, &r, 0);
  return FromRECT(r);
}

// ---------------------------------------------------------------------------------------
// TApplication

TApplication::TApplication(TComponent* AOwner) : TComponent(AOwner), FIcon(std::make_unique<TIcon>()) {
  static const char* kClass = [] {
    WNDCLASSA wc = {};
    wc.lpfnWndProc = &TApplication::AppWndProc;
    wc.hInstance = FrameworkInstance();
    wc.hIcon = LoadIconA(nullptr, reinterpret_cast<LPCSTR>(IDI_APPLICATION));
    wc.hCursor = LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
    wc.lpszClassName = "TApplication";
    RegisterClassA(&wc);
    return "TApplication";
  }();
  AnsiString title = ChangeFileExt(ExtractFileName(GetExeName()), "");
  FHandle = CreateWindowExA(0, kClass, title.c_str(),
                            WS_POPUP | WS_CAPTION | WS_CLIPSIBLINGS | WS_SYSMENU | WS_MINIMIZEBOX,
                            GetSystemMetrics(SM_CXSCREEN) / 2, GetSystemMetrics(SM_CYSCREEN) / 2, 0, 0,
                            nullptr, nullptr, FrameworkInstance(), this);
  if (FHandle) {
    SetWindowLongPtrA(FHandle, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    HMENU menu = GetSystemMenu(FHandle, FALSE);
    DeleteMenu(menu, SC_MAXIMIZE, MF_BYCOMMAND);
    DeleteMenu(menu, SC_SIZE, MF_BYCOMMAND);
  }
}

TApplication::~TApplication() = default;

void TApplication::BeforeDestruction() {
  CancelHint();
  // The hint window is one of the application's components: freed here, before the rest.
  FreeAndNil(FHintWindow);
  FMainForm = nullptr;
  TComponent::BeforeDestruction();
  if (FHandle) {
    SetWindowLongPtrA(FHandle, GWLP_USERDATA, 0);
    DestroyWindow(FHandle);
    FHandle = nullptr;
  }
}

void TApplication::Notification(TComponent* AComponent, TOperation Operation) {
  TComponent::Notification(AComponent, Operation);
  if (Operation != opRemove) return;
  if (AComponent == FHintWindow) {
    FHintWindow = nullptr;
    FHintWindowMadeBy = nullptr;
  }
  if (AComponent == FMainForm) FMainForm = nullptr;
}

AnsiString TApplication::GetExeName() const {
  char path[MAX_PATH];
  DWORD n = GetModuleFileNameA(nullptr, path, MAX_PATH);
  return AnsiString(path, n);
}

AnsiString TApplication::GetTitle() const {
  if (!FHandle) return AnsiString();
  char title[512];
  int n = GetWindowTextA(FHandle, title, sizeof(title));
  return AnsiString(title, static_cast<size_t>(std::max(0, n)));
}

void TApplication::SetTitle(const AnsiString& Value) {
  if (FHandle) SetWindowTextA(FHandle, Value.c_str());
}

void TApplication::SetHint(const AnsiString& Value) {
  if (FHint == Value) return;
  FHint = Value;
  if (OnHint) OnHint(this);
}

LRESULT CALLBACK TApplication::AppWndProc(HWND Wnd, UINT Msg, WPARAM WParam, LPARAM LParam) {
  auto* app = reinterpret_cast<TApplication*>(GetWindowLongPtrA(Wnd, GWLP_USERDATA));
  if (!app) return DefWindowProcA(Wnd, Msg, WParam, LParam);
  TMessage message = MessageOf(Msg, WParam, LParam);
  DeliverMessage([app](TMessage& Message) { app->WndProc(Message); }, message, app);
  return message.Result;
}

void TApplication::WndProc(TMessage& Message) {
  // The latest hook first; a hook may unhook itself (or another) meanwhile.
  std::vector<std::pair<int, TWindowHook>> hooks = FWindowHooks;
  for (auto it = hooks.rbegin(); it != hooks.rend(); ++it)
    if (it->second(Message)) return;
  auto callDefault = [&] {
    Message.Result = DefWindowProcA(FHandle, Message.Msg, Message.WParam, Message.LParam);
  };
  switch (Message.Msg) {
    case WM_SYSCOMMAND:
      switch (Message.WParam & 0xFFF0) {
        case SC_MINIMIZE: Minimize(); break;
        case SC_RESTORE: Restore(); break;
        default: callDefault(); break;
      }
      return;
    case WM_CLOSE:
      if (FMainForm) FMainForm->Close();
      return;
    case WM_ACTIVATEAPP:
      callDefault();
      FActive = Message.WParam != 0;
      if (FActive) {
        if (OnActivate) OnActivate(this);
      } else {
        CancelHint();
        if (OnDeactivate) OnDeactivate(this);
      }
      return;
    case WM_SETFOCUS:
      PostMessageA(FHandle, CM_ENTER, 0, 0);
      callDefault();
      return;
    case CM_ENTER:
      // Focus that lands on the application window goes on to the form that had it.
      if (!IsIconic(FHandle) && GetFocus() == FHandle && Screen) {
        TCustomForm* form = Screen->GetFocusedForm();
        if (!form) form = FMainForm;
        if (form && form->FHandle && IsWindowVisible(form->FHandle) && IsWindowEnabled(form->FHandle))
          ::SetFocus(form->FHandle);
      }
      return;
    case WM_QUERYENDSESSION:
      Message.Result = 1;
      return;
    case WM_TIMER:
      if (Message.WParam == kHintTimer) {
        HintTimerExpired();
        return;
      }
      callDefault();
      return;
    case CM_APPKEYDOWN: {
      TWMKey key(Message);
      Message.Result = IsShortCut(key) ? 1 : 0;
      return;
    }
    case CM_APPSYSCOMMAND:
      Message.Result = 0;
      return;
    default:
      callDefault();
      return;
  }
}

int TApplication::HookMainWindow(const TWindowHook& Hook) {
  FWindowHooks.emplace_back(++FNextHook, Hook);
  return FNextHook;
}

void TApplication::UnhookMainWindow(int Hook) {
  FWindowHooks.erase(std::remove_if(FWindowHooks.begin(), FWindowHooks.end(),
                                    [Hook](const auto& h) { return h.first == Hook; }),
                     FWindowHooks.end());
}

void TApplication::UpdateVisible() {
  if (!FHandle || !Screen) return;
  bool visible = false;
  for (int i = 0; i < Screen->GetFormCount() && !visible; ++i) {
    TForm* form = Screen->GetForm(i);
    visible = form->GetVisible() && !form->GetParent() &&
              (!form->GetParentWindow() || !IsWindowVisible(form->GetParentWindow()));
  }
  if ((IsWindowVisible(FHandle) != FALSE) != visible)
    SetWindowPos(FHandle, nullptr, 0, 0, 0, 0,
                 SWP_NOSIZE | SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE |
                     (visible ? SWP_SHOWWINDOW : SWP_HIDEWINDOW));
}

void TApplication::Minimize() {
  if (IsIconic(FHandle)) return;
  SetActiveWindow(FHandle);
  // Windows hides the windows a minimised window owns; Wine leaves them: hidden here (and
  // shown again on Restore) on both.
  ShowOwnedPopups(FHandle, FALSE);
  FOwnedHidden = true;
  ShowWindow(FHandle, SW_MINIMIZE);
  if (OnMinimize) OnMinimize(this);
}

void TApplication::Restore() {
  // The owned windows hidden by Minimize come back also when someone else restored the
  // application window first (coming back from the tray does).
  if (!IsIconic(FHandle) && !FOwnedHidden) return;
  FOwnedHidden = false;
  SetActiveWindow(FHandle);
  ShowWindow(FHandle, SW_RESTORE);
  ShowOwnedPopups(FHandle, TRUE);
  if (Screen && Screen->GetFocusedForm() && Screen->GetFocusedForm()->FHandle)
    SetActiveWindow(Screen->GetFocusedForm()->FHandle);
  else if (FMainForm && FMainForm->FHandle)
    SetActiveWindow(FMainForm->FHandle);
  if (OnRestore) OnRestore(this);
}

bool TApplication::HelpContext(int Context) {
  bool callHelp = true;
  if (!OnHelp) return false;
  return OnHelp(HELP_CONTEXT, Context, callHelp);
}

void TApplication::BringToFront() {
  if (!FHandle) return;
  HWND popup = GetLastActivePopup(FHandle);
  if (popup && IsWindowVisible(popup) && IsWindowEnabled(popup)) SetForegroundWindow(popup);
}

int TApplication::MessageBox(const AnsiString& Text, const AnsiString& Caption, UINT Flags) {
  HWND active = GetActiveWindow();
  // The box shows modally over every window of the program.
  std::vector<HWND> disabled;
  EnumThreadWindows(
      GetCurrentThreadId(),
      [](HWND wnd, LPARAM data) -> BOOL {
        auto* list = reinterpret_cast<std::vector<HWND>*>(data);
        if (IsWindowVisible(wnd) && IsWindowEnabled(wnd)) {
          list->push_back(wnd);
          EnableWindow(wnd, FALSE);
        }
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&disabled));
  int result = MessageBoxA(FHandle, Text.c_str(), Caption.c_str(), Flags);
  for (HWND wnd : disabled)
    if (IsWindow(wnd)) EnableWindow(wnd, TRUE);
  if (active && IsWindow(active)) SetActiveWindow(active);
  return result;
}

void TApplication::ShowException(Exception& E) {
  AnsiString message = E.Message;
  if (!message.empty() && static_cast<unsigned char>(message.back()) > '.') message += '.';
  MessageBox(message, GetTitle(), MB_OK | MB_ICONSTOP);
}

void TApplication::HandleException(TObject* Sender) {
  if (HWND capture = GetCapture()) SendMessageA(capture, WM_CANCELMODE, 0, 0);
  std::exception_ptr current = std::current_exception();
  if (!current) return;
  auto report = [this, Sender](Exception& e) {
    try {
      if (OnException)
        OnException(Sender, e);
      else
        ShowException(e);
    } catch (...) {
      // A report that fails itself ends here: the loop goes on.
    }
  };
  try {
    std::rethrow_exception(current);
  } catch (EAbort&) {
  } catch (Exception& e) {
    report(e);
  } catch (std::exception& e) {
    Exception wrapped(e.what());
    report(wrapped);
  } catch (...) {
    Exception wrapped("Unknown exception");
    report(wrapped);
  }
}

// ---------------------------------------------------------------------------------------
// The message loop

void TApplication::Run() {
  FTerminate = false;
  if (!FMainForm) return;
  if (FShowMainForm) {
    if (FMainForm->GetWindowState() == wsMinimized)
      Minimize();
    else
      FMainForm->SetVisible(true);
  }
  do {
    try {
      HandleMessage();
    } catch (...) {
      HandleException(this);
    }
  } while (!FTerminate);
}

void TApplication::Terminate() { PostQuitMessage(0); }

bool TApplication::ProcessMessage(MSG& Msg) {
  if (!PeekMessageA(&Msg, nullptr, 0, 0, PM_REMOVE)) return false;
  if (Msg.message == WM_QUIT) {
    FTerminate = true;
    return true;
  }
  bool handled = false;
  if (OnMessage) OnMessage(Msg, handled);
  if (!IsHintMsg(Msg) && !handled && !IsMDIMsg(Msg) && !IsKeyMsg(Msg)) {
    TranslateMessage(&Msg);
    DispatchMessageA(&Msg);
  }
  return true;
}

void TApplication::ProcessMessages() {
  MSG msg;
  while (ProcessMessage(msg)) {
  }
}

void TApplication::HandleMessage() {
  MSG msg;
  if (!ProcessMessage(msg)) Idle(msg);
}

void TApplication::Idle(const MSG&) {
  TControl* control = DoMouseIdle();
  if (FShowHint && !FMouseControl) CancelHint();
  SetHint(GetLongHint(HintOf(control)));
  bool done = true;
  try {
    if (OnIdle) OnIdle(this, done);
    if (done) DoActionIdle();
  } catch (...) {
    HandleException(this);
  }
  if (done) WaitMessage();
}

TControl* TApplication::DoMouseIdle() {
  POINT p;
  GetCursorPos(&p);
  TControl* result = FindDragTarget(FromPOINT(p), true);
  TControl* capture = GetCaptureControl();
  if (FMouseControl != result) {
    // The control left is told before the control entered; while the mouse is captured
    // only the capturing control hears of it.
    if ((FMouseControl && !capture) || (capture && FMouseControl == capture))
      FMouseControl->Perform(CM_MOUSELEAVE, 0, 0);
    FMouseControl = result;
    if ((FMouseControl && !capture) || (capture && FMouseControl == capture))
      FMouseControl->Perform(CM_MOUSEENTER, 0, 0);
  }
  return result;
}

void TApplication::DoActionIdle() {
  if (!Screen) return;
  std::vector<TCustomForm*> forms;
  for (int i = 0; i < Screen->GetCustomFormCount(); ++i) forms.push_back(Screen->GetCustomForm(i));
  for (TCustomForm* form : forms) {
    bool stillThere = false;
    for (int i = 0; i < Screen->GetCustomFormCount() && !stillThere; ++i)
      stillThere = Screen->GetCustomForm(i) == form;
    if (stillThere && form->FHandle && IsWindowVisible(form->FHandle) && IsWindowEnabled(form->FHandle))
      form->UpdateActions();
  }
}

bool TApplication::IsKeyMsg(MSG& Msg) {
  if (Msg.message < WM_KEYFIRST || Msg.message > WM_KEYLAST) return false;
  HWND wnd = GetCapture();
  if (!wnd) {
    wnd = Msg.hwnd;
    if (FMainForm && wnd == FMainForm->GetClientHandle()) {
      wnd = FMainForm->FHandle;
    } else {
      // The nearest window with a control: windows without one do not know CN_ messages.
      HWND found = wnd;
      while (found && !IsVCLControl(found)) found = GetParent(found);
      if (found) wnd = found;
    }
    return wnd && SendMessageA(wnd, CN_BASE + Msg.message, Msg.wParam, Msg.lParam) != 0;
  }
  if (reinterpret_cast<HINSTANCE>(GetWindowLongPtrA(wnd, GWLP_HINSTANCE)) == FrameworkInstance())
    return SendMessageA(wnd, CN_BASE + Msg.message, Msg.wParam, Msg.lParam) != 0;
  return false;
}

bool TApplication::IsMDIMsg(MSG& Msg) {
  if (!FMainForm || FMainForm->GetFormStyle() != fsMDIForm || !Screen) return false;
  TCustomForm* active = Screen->GetActiveCustomForm();
  if (!active || active->GetFormStyle() != fsMDIChild) return false;
  return TranslateMDISysAccel(FMainForm->GetClientHandle(), &Msg) != FALSE;
}

bool TApplication::IsShortCut(TWMKey& Message) {
  bool handled = false;
  if (OnShortCut) OnShortCut(Message, handled);
  if (!handled && FMainForm && FMainForm->FHandle && IsWindowEnabled(FMainForm->FHandle))
    handled = FMainForm->IsShortCut(Message);
  return handled;
}

void TApplication::ControlDestroyed(TControl* Control) {
  if (FMouseControl == Control) FMouseControl = nullptr;
  if (FHintControl == Control) CancelHint();
  if (Screen) Screen->ControlDestroyed(Control);
}

// ---------------------------------------------------------------------------------------
// Hints

void TApplication::SetShowHint(bool Value) {
  if (FShowHint == Value) return;
  FShowHint = Value;
  if (!Value) {
    CancelHint();
    FreeAndNil(FHintWindow);
    FHintWindowMadeBy = nullptr;
  }
}

bool TApplication::IsHintMsg(MSG& Msg) {
  if (FHintWindow && FHintWindow->IsHintMsg(Msg)) CancelHint();
  return false;
}

void TApplication::HintMouseMessage(TControl* Control, TMessage& Message) {
  TPoint screen;
  try {
    screen = Control->ClientToScreen(PointFromLParam(Message.LParam));
  } catch (const EInvalidOperation&) {
    return;  // a control without a parent has no place on the screen
  }
  TControl* control = GetHintControl(FindDragTarget(screen, true));
  if (!control || !control->GetShowHint()) {
    CancelHint();
    return;
  }
  if (control != FHintControl || !PtInRect(FHintCursorRect, screen)) {
    const bool wasActive = FHintActive;
    int pause = wasActive ? FHintShortPause : FHintPause;
    control->Perform(CM_HINTSHOWPAUSE, wasActive ? 1 : 0, reinterpret_cast<NativeInt>(&pause));
    CancelHint();
    FHintActive = wasActive;
    FHintControl = control;
    StartHintTimer(pause, htShowHint);
  }
}

void TApplication::StartHintTimer(int Value, int Mode) {
  StopHintTimer();
  FTimer = SetTimer(FHandle, kHintTimer, static_cast<UINT>(std::max(Value, 1)), nullptr);
  if (!FTimer)
    CancelHint();
  else
    FTimerMode = Mode;
}

void TApplication::StopHintTimer() {
  if (FTimer) {
    KillTimer(FHandle, kHintTimer);
    FTimer = 0;
  }
}

void TApplication::HintTimerExpired() {
  const int mode = FTimerMode;
  StopHintTimer();
  POINT p;
  GetCursorPos(&p);
  if (mode == htShowHint)
    ActivateHint(FromPOINT(p));
  else
    CancelHint();
}

void TApplication::ActivateHint(const TPoint& CursorPos) {
  FHintActive = false;
  THintInfo info;
  if (FShowHint && FHintControl && FHintControl == FindDragTarget(CursorPos, true)) {
    info.HintControl = FHintControl;
    info.HintPos = CursorPos;
    info.HintPos.Y += GetSystemMetrics(SM_CYCURSOR) / 2 + 4;
    info.HintMaxWidth = Screen ? Screen->GetWidth() : GetSystemMetrics(SM_CXSCREEN);
    info.HintColor = FHintColor;
    info.CursorRect = FHintControl->GetClientRect();
    info.CursorPos = FHintControl->ScreenToClient(CursorPos);
    info.HintStr = GetShortHint(HintOf(FHintControl));
    info.ReshowTimeout = 0;
    info.HideTimeout = FHintHidePause;
    bool canShow = FHintControl->Perform(CM_HINTSHOW, 0, reinterpret_cast<NativeInt>(&info)) == 0;
    if (canShow && OnShowHint) OnShowHint(info.HintStr, canShow, info);
    FHintActive = canShow && FHintControl;
    if (FHintActive && !info.HintStr.empty()) {
      if (!FHintWindow || FHintWindowMadeBy != FHintWindowClass) {
        FreeAndNil(FHintWindow);
        FHintWindow = FHintWindowClass(this);
        FHintWindowMadeBy = FHintWindowClass;
      }
      FHintWindow->SetColor(info.HintColor);
      TRect rect = FHintWindow->CalcHintRect(info.HintMaxWidth, info.HintStr, info.HintData);
      rect = OffsetRect(rect, info.HintPos.X, info.HintPos.Y);
      FHintCursorRect = TRect(FHintControl->ClientToScreen(info.CursorRect.TopLeft()),
                              FHintControl->ClientToScreen(info.CursorRect.BottomRight()));
      FHintWindow->ActivateHintData(rect, info.HintStr, info.HintData);
      if (info.ReshowTimeout > 0)
        StartHintTimer(info.ReshowTimeout, htShowHint);
      else
        StartHintTimer(info.HideTimeout, htHideHint);
      return;
    }
  }
  if (info.ReshowTimeout > 0)
    StartHintTimer(info.ReshowTimeout, htShowHint);
  else
    CancelHint();
}

void TApplication::HideHint() {
  if (FHintWindow && FHintWindow->HandleAllocated() && IsWindowVisible(FHintWindow->GetHandle()))
    ShowWindow(FHintWindow->GetHandle(), SW_HIDE);
}

void TApplication::CancelHint() {
  if (!FHintControl) return;
  HideHint();
  FHintControl = nullptr;
  FHintActive = false;
  StopHintTimer();
}
