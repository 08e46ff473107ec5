// TControl: bounds, alignment requests, visibility, fonts and colours, the mouse, actions,
// and the helpers that find controls.
#include "framework/Controls.h"

#include <algorithm>

#include "framework/ControlsPrivate.h"
#include "framework/Forms.h"

namespace {

const TAnchors kAnchorAlign[] = {
    {akLeft, akTop},                    // alNone
    {akLeft, akTop, akRight},           // alTop
    {akLeft, akRight, akBottom},        // alBottom
    {akLeft, akTop, akBottom},          // alLeft
    {akRight, akTop, akBottom},         // alRight
    {akLeft, akTop, akRight, akBottom}, // alClient
    {akLeft, akTop},                    // alCustom
};

// The windowless control that has the mouse captured through its parent's window.
TControl* g_CaptureControl = nullptr;

}  // namespace

TAnchors AnchorsOfAlign(TAlign Align) { return kAnchorAlign[Align]; }

TShiftState KeysToShiftState(uint32_t Keys) {
  TShiftState result;
  if (Keys & MK_SHIFT) result.Include(ssShift);
  if (Keys & MK_CONTROL) result.Include(ssCtrl);
  if (Keys & MK_LBUTTON) result.Include(ssLeft);
  if (Keys & MK_RBUTTON) result.Include(ssRight);
  if (Keys & MK_MBUTTON) result.Include(ssMiddle);
  if (GetKeyState(VK_MENU) < 0) result.Include(ssAlt);
  return result;
}

TShiftState KeyDataToShiftState(int32_t KeyData) {
  TShiftState result;
  if (GetKeyState(VK_SHIFT) < 0) result.Include(ssShift);
  if (GetKeyState(VK_CONTROL) < 0) result.Include(ssCtrl);
  if (KeyData & 0x20000000) result.Include(ssAlt);  // context code: Alt is down
  return result;
}

TShiftState KeyboardStateToShiftState() {
  TShiftState result;
  if (GetKeyState(VK_SHIFT) < 0) result.Include(ssShift);
  if (GetKeyState(VK_CONTROL) < 0) result.Include(ssCtrl);
  if (GetKeyState(VK_MENU) < 0) result.Include(ssAlt);
  if (GetKeyState(VK_LBUTTON) < 0) result.Include(ssLeft);
  if (GetKeyState(VK_RBUTTON) < 0) result.Include(ssRight);
  if (GetKeyState(VK_MBUTTON) < 0) result.Include(ssMiddle);
  return result;
}

// ---------------------------------------------------------------------------------------
// TSizeConstraints

void TSizeConstraints::Assign(TPersistent* Source) {
  if (auto* other = dynamic_cast<TSizeConstraints*>(Source)) {
    FMinWidth = other->FMinWidth;
    FMinHeight = other->FMinHeight;
    FMaxWidth = other->FMaxWidth;
    FMaxHeight = other->FMaxHeight;
    Change();
    return;
  }
  TPersistent::Assign(Source);
}

void TSizeConstraints::Change() {
  if (OnChange) OnChange(this);
}

void TSizeConstraints::SetMinWidth(int Value) {
  if (Value == FMinWidth) return;
  FMinWidth = Value;
  if (FMaxWidth > 0 && FMinWidth > FMaxWidth) FMaxWidth = FMinWidth;
  Change();
}

void TSizeConstraints::SetMinHeight(int Value) {
  if (Value == FMinHeight) return;
  FMinHeight = Value;
  if (FMaxHeight > 0 && FMinHeight > FMaxHeight) FMaxHeight = FMinHeight;
  Change();
}

void TSizeConstraints::SetMaxWidth(int Value) {
  if (Value == FMaxWidth) return;
  FMaxWidth = Value;
  if (FMaxWidth > 0 && FMinWidth > FMaxWidth) FMinWidth = FMaxWidth;
  Change();
}

void TSizeConstraints::SetMaxHeight(int Value) {
  if (Value == FMaxHeight) return;
  FMaxHeight = Value;
  if (FMaxHeight > 0 && FMinHeight > FMaxHeight) FMinHeight = FMaxHeight;
  Change();
}

// ---------------------------------------------------------------------------------------
// TControlCanvas

namespace {

// Kept to the end of the process: forms freed at exit still give their contexts back.
std::vector<TControlCanvas*>& ControlCanvases() {
  static auto* list = new std::vector<TControlCanvas*>;
  return *list;
}

}  // namespace

TControlCanvas::~TControlCanvas() { FreeHandle(); }

void TControlCanvas::SetControl(TControl* Value) {
  if (FControl == Value) return;
  FreeHandle();
  FControl = Value;
}

void TControlCanvas::CreateHandle() {
  if (!FControl) return;
  if (!FDeviceContext) {
    FDeviceContext = FControl->GetDeviceContext(FWindowHandle);
    if (!FDeviceContext) return;
    ControlCanvases().push_back(this);
  }
  SetHandle(FDeviceContext);
  UpdateTextFlags();
}

void TControlCanvas::FreeHandle() {
  if (!FDeviceContext) return;
  SetHandle(nullptr);
  ReleaseDC(FWindowHandle, FDeviceContext);
  FDeviceContext = nullptr;
  FWindowHandle = nullptr;
  auto& list = ControlCanvases();
  list.erase(std::remove(list.begin(), list.end(), this), list.end());
}

void TControlCanvas::UpdateTextFlags() {}

void TControlCanvas::PaintOn(HDC DC, const std::function<void()>& Paint) {
  Lock();
  try {
    SetHandle(DC);
    if (FControl) SetFont(FControl->GetFont());
    Paint();
  } catch (...) {
    SetHandle(nullptr);
    Unlock();
    throw;
  }
  SetHandle(nullptr);
  Unlock();
}

void FreeDeviceContexts() {
  std::vector<TControlCanvas*> list = ControlCanvases();
  for (TControlCanvas* canvas : list) {
    auto& current = ControlCanvases();
    if (std::find(current.begin(), current.end(), canvas) == current.end()) continue;
    if (canvas->TryLock()) {
      if (canvas->GetLockCount() == 1) canvas->FreeHandle();
      canvas->Unlock();
    }
  }
}

void TControlCanvas::FreeHandlesOf(HWND Wnd) {
  std::vector<TControlCanvas*> list = ControlCanvases();
  for (TControlCanvas* canvas : list)
    if (canvas->FDeviceContext && canvas->FWindowHandle == Wnd) canvas->FreeHandle();
}

// ---------------------------------------------------------------------------------------
// TControlActionLink

void TControlActionLink::AssignClient(TObject* AClient) { FClient = dynamic_cast<TControl*>(AClient); }

// ---------------------------------------------------------------------------------------
// TControl

TControl::TControl(TComponent* AOwner)
    : TComponent(AOwner),
      FFont(std::make_unique<TFont>()),
      FConstraints(std::make_unique<TSizeConstraints>(this)) {
  WindowProc = [this](TMessage& Message) { WndProc(Message); };
  FControlStyle = {csCaptureMouse, csClickEvents, csSetCaption, csDoubleClicks};
  FFont->OnChange = [this](TObject* Sender) { FontChanged(Sender); };
  FConstraints->OnChange = [this](TObject* Sender) { DoConstraintsChange(Sender); };
}

TControl::~TControl() = default;

void TControl::BeforeDestruction() {
  if (FDestroyed) return;
  FDestroyed = true;
  Destroying();
  if (Application) Application->ControlDestroyed(this);
  DragControlDestroyed(this);
  if (g_CaptureControl == this) SetCaptureControl(nullptr);
  SetParent(nullptr);
  FActionLink.reset();
  TComponent::BeforeDestruction();
}

void TControl::SetName(const AnsiString& Value) {
  TComponent* owner = GetOwner();
  const bool changeText = FControlStyle.Contains(csSetCaption) &&
                          !GetComponentState().Contains(csLoading) && GetName() == GetText() &&
                          !(dynamic_cast<TControl*>(owner) && owner->GetComponentState().Contains(csLoading));
  TComponent::SetName(Value);
  if (changeText) SetText(Value);
}

void TControl::SetParent(TWinControl* AParent) {
  if (FParent == AParent) return;
  if (AParent == this) throw EInvalidOperation("A control cannot have itself as its parent");
  if (FParent) FParent->RemoveControl(this);
  if (AParent) {
    AParent->InsertControl(this);
    UpdateAnchorRules();
  }
}

void TControl::SetBounds(int ALeft, int ATop, int AWidth, int AHeight) {
  // The size is limited first, so that new limits apply to an unchanged size too.
  if (CheckNewSize(AWidth, AHeight) &&
      (ALeft != FLeft || ATop != FTop || AWidth != FWidth || AHeight != FHeight)) {
    InvalidateControl(FVisible, false);
    FLeft = ALeft;
    FTop = ATop;
    FWidth = AWidth;
    FHeight = AHeight;
    UpdateAnchorRules();
    Invalidate();
    Perform(WM_WINDOWPOSCHANGED, 0, 0);
    RequestAlign();
    if (!GetComponentState().Contains(csLoading)) Resize();
  }
}

void TControl::UpdateBoundsRect(const TRect& R) {
  FLeft = R.Left;
  FTop = R.Top;
  FWidth = R.Width();
  FHeight = R.Height();
}

TRect TControl::GetClientRect() { return TRect(0, 0, FWidth, FHeight); }

void TControl::SetClientWidth(int Value) {
  TRect client = GetClientRect();
  SetBounds(FLeft, FTop, FWidth - client.Width() + Value, FHeight);
}

void TControl::SetClientHeight(int Value) {
  TRect client = GetClientRect();
  SetBounds(FLeft, FTop, FWidth, FHeight - client.Height() + Value);
}

TPoint TControl::GetClientOrigin() {
  if (!FParent) throw EInvalidOperation("Control '%s' has no parent window", {GetName()});
  TPoint origin = FParent->GetClientOrigin();
  return TPoint(origin.X + FLeft, origin.Y + FTop);
}

TPoint TControl::ClientToScreen(const TPoint& Point) {
  TPoint origin = GetClientOrigin();
  return TPoint(Point.X + origin.X, Point.Y + origin.Y);
}

TPoint TControl::ScreenToClient(const TPoint& Point) {
  TPoint origin = GetClientOrigin();
  return TPoint(Point.X - origin.X, Point.Y - origin.Y);
}

void TControl::SetVisible(bool Value) {
  if (FVisible == Value) return;
  VisibleChanging();
  FVisible = Value;
  Perform(CM_VISIBLECHANGED, Value ? 1 : 0, 0);
  RequestAlign();
}

void TControl::Show() {
  if (FParent) FParent->Show();
  SetVisible(true);
}

void TControl::Hide() { SetVisible(false); }

void TControl::SetBiDiMode(TBiDiMode Value) {
  if (FBiDiMode == Value) return;
  FBiDiMode = Value;
  Invalidate();
}

uint32_t TControl::DrawTextBiDiModeFlags(uint32_t Flags) const {
  if (UseRightToLeftAlignment() && !(Flags & DT_CENTER)) {
    if (Flags & DT_RIGHT)
      Flags &= ~uint32_t(DT_RIGHT);  // DT_LEFT is no bit
    else
      Flags |= DT_RIGHT;
  }
  if (UseRightToLeftReading()) Flags |= DT_RTLREADING;
  return Flags;
}

void TControl::SetEnabled(bool Value) {
  if (FEnabled == Value) return;
  FEnabled = Value;
  Perform(CM_ENABLEDCHANGED, 0, 0);
}

AnsiString TControl::GetText() {
  NativeInt length = Perform(WM_GETTEXTLENGTH, 0, 0);
  if (length <= 0) return AnsiString();
  AnsiString text(static_cast<size_t>(length) + 1, '\0');
  NativeInt got = Perform(WM_GETTEXT, static_cast<NativeUInt>(text.size()),
                          reinterpret_cast<NativeInt>(&text[0]));
  text.resize(static_cast<size_t>(std::max<NativeInt>(0, std::min<NativeInt>(got, length))));
  return text;
}

void TControl::SetText(const AnsiString& Value) {
  if (GetText() == Value) return;
  Perform(WM_SETTEXT, 0, reinterpret_cast<NativeInt>(Value.c_str()));
  Perform(CM_TEXTCHANGED, 0, 0);
}

void TControl::FontChanged(TObject*) {
  FParentFont = false;
  Perform(CM_FONTCHANGED, 0, 0);
}

void TControl::SetParentFont(bool Value) {
  if (FParentFont == Value) return;
  FParentFont = Value;
  if (FParent && !GetComponentState().Contains(csReading)) Perform(CM_PARENTFONTCHANGED, 0, 0);
}

void TControl::SetColor(TColor Value) {
  if (FColor == Value) return;
  FColor = Value;
  FParentColor = false;
  Perform(CM_COLORCHANGED, 0, 0);
}

void TControl::SetParentColor(bool Value) {
  if (FParentColor == Value) return;
  FParentColor = Value;
  if (FParent && !GetComponentState().Contains(csReading)) Perform(CM_PARENTCOLORCHANGED, 0, 0);
}

void TControl::SetCursor(TCursor Value) {
  if (FCursor == Value) return;
  FCursor = Value;
  Perform(CM_CURSORCHANGED, 0, 0);
}

void TControl::SetShowHint(bool Value) {
  if (FShowHint == Value) return;
  FShowHint = Value;
  FParentShowHint = false;
  Perform(CM_SHOWHINTCHANGED, 0, 0);
}

void TControl::SetParentShowHint(bool Value) {
  if (FParentShowHint == Value) return;
  FParentShowHint = Value;
  if (FParent && !GetComponentState().Contains(csReading)) Perform(CM_PARENTSHOWHINTCHANGED, 0, 0);
}

void TControl::SetPopupMenu(TPopupMenu* Value) {
  if (FPopupMenu == Value) return;
  if (FPopupMenu) FPopupMenu->RemoveFreeNotification(this);
  FPopupMenu = Value;
  if (Value) Value->FreeNotification(this);
}

TBasicAction* TControl::GetAction() const { return FActionLink ? FActionLink->GetAction() : nullptr; }

void TControl::SetAction(TBasicAction* Value) {
  if (!Value) {
    if (TBasicAction* old = GetAction()) old->RemoveFreeNotification(this);
    FActionLink.reset();
    FControlStyle.Exclude(csActionClient);
    return;
  }
  FControlStyle.Include(csActionClient);
  if (!FActionLink) FActionLink.reset(CreateActionLink());
  if (TBasicAction* old = GetAction(); old && old != Value) old->RemoveFreeNotification(this);
  FActionLink->SetAction(Value);
  FActionLink->OnChange = [this](TObject* Sender) { DoActionChange(Sender); };
  ActionChange(Value, Value->GetComponentState().Contains(csLoading));
  Value->FreeNotification(this);
}

void TControl::DoActionChange(TObject* Sender) {
  if (Sender == GetAction()) ActionChange(Sender, false);
}

void TControl::ActionChange(TObject* Sender, bool CheckDefaults) {
  auto* action = dynamic_cast<TCustomAction*>(Sender);
  if (!action) return;
  if (!CheckDefaults || GetCaption().empty() || GetCaption() == GetName()) SetCaption(action->GetCaption());
  if (!CheckDefaults || FEnabled) SetEnabled(action->GetEnabled());
  if (!CheckDefaults || FHint.empty()) SetHint(action->GetHint());
  if (!CheckDefaults || FVisible) SetVisible(action->GetVisible());
}

void TControl::InitiateAction() {
  if (FActionLink) FActionLink->Update();
}

void TControl::SetAlign(TAlign Value) {
  if (FAlign != Value) {
    TAlign old = FAlign;
    FAlign = Value;
    SetAnchors(kAnchorAlign[Value]);
    if (!GetComponentState().Contains(csLoading)) {
      bool oldVertical = old == alTop || old == alBottom;
      bool newHorizontal = Value == alLeft || Value == alRight;
      if (oldVertical == newHorizontal && old != alNone && old != alClient && Value != alNone &&
          Value != alClient)
        SetBounds(FLeft, FTop, FHeight, FWidth);  // a bar turned on its side
      else
        AdjustSize();
    }
  }
  RequestAlign();
}

void TControl::SetAnchors(TAnchors Value) {
  if (FAnchors == Value) return;
  FAnchors = Value;
  if (!GetComponentState().Contains(csLoading)) UpdateAnchorRules();
}

void TControl::UpdateAnchorRules() {
  if (FAnchorMove || GetComponentState().Contains(csLoading)) return;
  if (FAnchors == TAnchors{akLeft, akTop}) {
    FOriginalParentSize = TPoint();
    return;
  }
  if (FAnchors.Contains(akRight))
    FAnchorRules.X = FAnchors.Contains(akLeft) ? FWidth : FLeft;
  else
    FAnchorRules.X = FLeft + FWidth / 2;
  if (FAnchors.Contains(akBottom))
    FAnchorRules.Y = FAnchors.Contains(akTop) ? FHeight : FTop;
  else
    FAnchorRules.Y = FTop + FHeight / 2;
  if (FParent) FOriginalParentSize = FParent->GetClientRect().BottomRight();
}

void TControl::SetAutoSize(bool Value) {
  if (FAutoSize == Value) return;
  FAutoSize = Value;
  if (Value) AdjustSize();
}

void TControl::AdjustSize() {
  if (!GetComponentState().Contains(csLoading)) {
    int w = FWidth, h = FHeight;
    if (FAutoSize) CanAutoSize(w, h);
    SetBounds(FLeft, FTop, w, h);
  }
}

bool TControl::CanResize(int& NewWidth, int& NewHeight) {
  bool result = true;
  if (OnCanResize) OnCanResize(this, NewWidth, NewHeight, result);
  return result;
}

bool TControl::CanAutoSize(int&, int&) { return true; }

void TControl::ConstrainedResize(int& MinWidth, int& MinHeight, int& MaxWidth, int& MaxHeight) {
  if (OnConstrainedResize) OnConstrainedResize(this, MinWidth, MinHeight, MaxWidth, MaxHeight);
}

bool TControl::CheckNewSize(int& NewWidth, int& NewHeight) {
  int w = NewWidth, h = NewHeight;
  if (!CanResize(w, h)) return false;
  if (FAutoSize) {
    int aw = w, ah = h;
    if (CanAutoSize(aw, ah)) {
      w = aw;
      h = ah;
    }
  }
  int minW = std::max(0, FConstraints->GetMinWidth());
  int minH = std::max(0, FConstraints->GetMinHeight());
  int maxW = std::max(0, FConstraints->GetMaxWidth());
  int maxH = std::max(0, FConstraints->GetMaxHeight());
  ConstrainedResize(minW, minH, maxW, maxH);
  if (maxW > 0 && w > maxW)
    w = maxW;
  else if (minW > 0 && w < minW)
    w = minW;
  if (maxH > 0 && h > maxH)
    h = maxH;
  else if (minH > 0 && h < minH)
    h = minH;
  NewWidth = std::max(0, w);
  NewHeight = std::max(0, h);
  return true;
}

void TControl::DoConstraintsChange(TObject*) { AdjustSize(); }

void TControl::RequestAlign() {
  if (FParent) FParent->AlignControl(this);
}

void TControl::Resize() {
  if (OnResize) OnResize(this);
}

bool TControl::GetMouseCapture() { return GetCaptureControl() == this; }

void TControl::SetMouseCapture(bool Value) {
  if (GetMouseCapture() != Value) SetCaptureControl(Value ? this : nullptr);
}

void TControl::InvalidateControl(bool IsVisible, bool IsOpaque) {
  if (!IsVisible || !FParent || !FParent->HandleAllocated()) return;
  RECT r = ToRECT(GetBoundsRect());
  InvalidateRect(FParent->FHandle, &r,
                 !(IsOpaque || FParent->GetControlStyle().Contains(csOpaque)));
}

void TControl::Invalidate() { InvalidateControl(FVisible, FControlStyle.Contains(csOpaque)); }

void TControl::Repaint() {
  if (!FVisible || !FParent || !FParent->HandleAllocated()) return;
  if (FControlStyle.Contains(csOpaque)) {
    TWindowDC dc(FParent->FHandle);
    IntersectClipRect(dc, FLeft, FTop, FLeft + FWidth, FTop + FHeight);
    FParent->PaintControls(dc, this);
  } else {
    Invalidate();
    Update();
  }
}

void TControl::Update() {
  if (FParent) FParent->Update();
}

void TControl::BringToFront() { SetZOrder(true); }
void TControl::SendToBack() { SetZOrder(false); }

void TControl::SetZOrder(bool TopMost) {
  if (!FParent) return;
  auto& list = FParent->FControls;
  auto found = std::find(list.begin(), list.end(), this);
  if (found == list.end()) return;
  list.erase(found);
  if (TopMost)
    list.push_back(this);
  else
    list.insert(list.begin(), this);
  InvalidateControl(FVisible, true);
}

HDC TControl::GetDeviceContext(HWND& WindowHandle) {
  if (!FParent) throw EInvalidOperation("Control '%s' has no parent window", {GetName()});
  HDC dc = FParent->GetDeviceContext(WindowHandle);
  SetViewportOrgEx(dc, FLeft, FTop, nullptr);
  IntersectClipRect(dc, 0, 0, FWidth, FHeight);
  return dc;
}

void TControl::SendCancelMode(TControl* Sender) {
  for (TControl* control = this; control; control = control->FParent)
    if (auto* form = dynamic_cast<TCustomForm*>(control)) form->SendCancelMode(Sender);
}

void TControl::Loaded() {
  TComponent::Loaded();
  if (TBasicAction* action = GetAction()) ActionChange(action, true);
  UpdateAnchorRules();
}

void TControl::Notification(TComponent* AComponent, TOperation Operation) {
  TComponent::Notification(AComponent, Operation);
  if (Operation != opRemove) return;
  if (AComponent == FPopupMenu) FPopupMenu = nullptr;
  if (FActionLink && AComponent == FActionLink->GetAction()) SetAction(nullptr);
}

NativeInt TControl::Perform(uint32_t Msg, NativeUInt WParam, NativeInt LParam) {
  TMessage message;
  message.Msg = Msg;
  message.WParam = WParam;
  message.LParam = LParam;
  // A copy: a handler may replace WindowProc while it runs.
  TWndMethod proc = WindowProc;
  proc(message);
  return message.Result;
}

void TControl::WndProc(TMessage& Message) {
  if (Message.Msg >= WM_MOUSEFIRST && Message.Msg <= WM_MOUSELAST && Message.Msg != WM_MOUSEWHEEL &&
      Message.Msg != WM_MOUSEHWHEEL) {
    if (!FControlStyle.Contains(csDoubleClicks)) {
      switch (Message.Msg) {
        case WM_LBUTTONDBLCLK:
        case WM_RBUTTONDBLCLK:
        case WM_MBUTTONDBLCLK:
          Message.Msg -= WM_LBUTTONDBLCLK - WM_LBUTTONDOWN;
          break;
      }
    }
    switch (Message.Msg) {
      case WM_MOUSEMOVE:
        if (Application) Application->HintMouseMessage(this, Message);
        break;
      case WM_LBUTTONDOWN:
      case WM_LBUTTONDBLCLK:
        if (FDragMode == dmAutomatic) {
          BeginDrag(false);
          return;
        }
        FControlState.Include(csLButtonDown);
        break;
      case WM_LBUTTONUP:
        FControlState.Exclude(csLButtonDown);
        break;
    }
  }
  Dispatch(Message);
}

void TControl::Dispatch(TMessage& Message) {
  switch (Message.Msg) {
    case WM_LBUTTONDOWN: WMLButtonDown(Message); break;
    case WM_RBUTTONDOWN: WMRButtonDown(Message); break;
    case WM_MBUTTONDOWN: WMMButtonDown(Message); break;
    case WM_LBUTTONDBLCLK: WMLButtonDblClk(Message); break;
    case WM_RBUTTONDBLCLK: WMRButtonDblClk(Message); break;
    case WM_LBUTTONUP: WMLButtonUp(Message); break;
    case WM_RBUTTONUP: WMRButtonUp(Message); break;
    case WM_MBUTTONUP: WMMButtonUp(Message); break;
    case WM_MOUSEMOVE: WMMouseMove(Message); break;
    case WM_CANCELMODE: WMCancelMode(Message); break;
    case WM_CONTEXTMENU: WMContextMenu(Message); break;
    case WM_WINDOWPOSCHANGED: WMWindowPosChanged(Message); break;
    case CM_VISIBLECHANGED: CMVisibleChanged(Message); break;
    case CM_ENABLEDCHANGED: CMEnabledChanged(Message); break;
    case CM_FONTCHANGED: CMFontChanged(Message); break;
    case CM_COLORCHANGED: CMColorChanged(Message); break;
    case CM_PARENTFONTCHANGED: CMParentFontChanged(Message); break;
    case CM_PARENTCOLORCHANGED: CMParentColorChanged(Message); break;
    case CM_PARENTSHOWHINTCHANGED: CMParentShowHintChanged(Message); break;
    case CM_HITTEST: CMHitTest(Message); break;
    case CM_DRAG: CMDrag(Message); break;
    case CM_MOUSEWHEEL: CMMouseWheel(Message); break;
    default: TComponent::Dispatch(Message); break;
  }
}

void TControl::DefaultHandler(TMessage& Message) {
  switch (Message.Msg) {
    case WM_GETTEXT: {
      if (Message.WParam == 0 || !Message.LParam) {
        Message.Result = 0;
        break;
      }
      size_t n = std::min(FText.size(), static_cast<size_t>(Message.WParam) - 1);
      char* buffer = reinterpret_cast<char*>(Message.LParam);
      std::copy(FText.begin(), FText.begin() + static_cast<std::ptrdiff_t>(n), buffer);
      buffer[n] = '\0';
      Message.Result = static_cast<NativeInt>(n);
      break;
    }
    case WM_GETTEXTLENGTH:
      Message.Result = static_cast<NativeInt>(FText.size());
      break;
    case WM_SETTEXT:
      FText = Message.LParam ? AnsiString(reinterpret_cast<const char*>(Message.LParam)) : AnsiString();
      Message.Result = 1;
      break;
    default:
      break;
  }
}

void TControl::DoMouseDown(TMessage& Message, TMouseButton Button, TShiftState Shift) {
  if (FControlStyle.Contains(csNoStdEvents)) return;
  TWMMouse mouse(Message);
  MouseDown(Button, KeysToShiftState(mouse.GetKeys()) + Shift, mouse.GetXPos(), mouse.GetYPos());
}

void TControl::DoMouseUp(TMessage& Message, TMouseButton Button) {
  if (FControlStyle.Contains(csNoStdEvents)) return;
  TWMMouse mouse(Message);
  MouseUp(Button, KeysToShiftState(mouse.GetKeys()), mouse.GetXPos(), mouse.GetYPos());
}

void TControl::WMLButtonDown(TMessage& Message) {
  SendCancelMode(this);
  DefaultHandler(Message);
  if (FControlStyle.Contains(csCaptureMouse)) SetMouseCapture(true);
  if (FControlStyle.Contains(csClickEvents)) FControlState.Include(csClicked);
  DoMouseDown(Message, mbLeft, {});
}

void TControl::WMRButtonDown(TMessage& Message) {
  DefaultHandler(Message);
  DoMouseDown(Message, mbRight, {});
}

void TControl::WMMButtonDown(TMessage& Message) {
  DefaultHandler(Message);
  DoMouseDown(Message, mbMiddle, {});
}

void TControl::WMLButtonDblClk(TMessage& Message) {
  SendCancelMode(this);
  DefaultHandler(Message);
  if (FControlStyle.Contains(csCaptureMouse)) SetMouseCapture(true);
  if (FControlStyle.Contains(csClickEvents)) DblClick();
  DoMouseDown(Message, mbLeft, {ssDouble});
}

void TControl::WMRButtonDblClk(TMessage& Message) {
  DefaultHandler(Message);
  DoMouseDown(Message, mbRight, {ssDouble});
}

void TControl::WMLButtonUp(TMessage& Message) {
  DefaultHandler(Message);
  if (FControlStyle.Contains(csCaptureMouse)) SetMouseCapture(false);
  if (FControlState.Contains(csClicked)) {
    FControlState.Exclude(csClicked);
    if (PtInRect(GetClientRect(), TWMMouse(Message).GetPos())) Click();
  }
  DoMouseUp(Message, mbLeft);
}

void TControl::WMRButtonUp(TMessage& Message) {
  DefaultHandler(Message);
  DoMouseUp(Message, mbRight);
}

void TControl::WMMButtonUp(TMessage& Message) {
  DefaultHandler(Message);
  DoMouseUp(Message, mbMiddle);
}

void TControl::WMMouseMove(TMessage& Message) {
  DefaultHandler(Message);
  if (FControlStyle.Contains(csNoStdEvents)) return;
  TWMMouse mouse(Message);
  MouseMove(KeysToShiftState(mouse.GetKeys()), mouse.GetXPos(), mouse.GetYPos());
}

void TControl::WMCancelMode(TMessage& Message) {
  DefaultHandler(Message);
  if (GetMouseCapture()) {
    SetMouseCapture(false);
    if (FControlState.Contains(csLButtonDown)) {
      FControlState.Exclude(csLButtonDown);
      FControlState.Exclude(csClicked);
    }
  }
}

void TControl::WMContextMenu(TMessage& Message) {
  if (Message.Result != 0) return;
  TPoint pos = PointFromLParam(Message.LParam);
  const bool fromKeyboard = pos.X == -1 && pos.Y == -1;
  TPoint client = fromKeyboard ? TPoint(FWidth / 2, FHeight / 2) : ScreenToClient(pos);
  if (!PtInRect(GetClientRect(), client)) {
    DefaultHandler(Message);
    return;
  }
  bool handled = false;
  DoContextPopup(client, handled);
  Message.Result = handled ? 1 : 0;
  if (handled) return;
  TPopupMenu* menu = FPopupMenu;
  if (menu && menu->GetAutoPopup()) {
    SendCancelMode(nullptr);
    menu->SetPopupComponent(this);
    if (fromKeyboard) pos = ClientToScreen(TPoint(0, 0));
    menu->Popup(pos.X, pos.Y);
    Message.Result = 1;
  }
  if (Message.Result == 0) DefaultHandler(Message);
}

void TControl::DoContextPopup(const TPoint& MousePos, bool& Handled) {
  if (OnContextPopup) OnContextPopup(this, MousePos, Handled);
}

void TControl::WMWindowPosChanged(TMessage& Message) { DefaultHandler(Message); }

void TControl::CMVisibleChanged(TMessage&) {
  InvalidateControl(true, FVisible && FControlStyle.Contains(csOpaque));
}

void TControl::CMEnabledChanged(TMessage&) { Invalidate(); }
void TControl::CMFontChanged(TMessage&) { Invalidate(); }
void TControl::CMColorChanged(TMessage&) { Invalidate(); }

void TControl::CMParentFontChanged(TMessage& Message) {
  if (!FParentFont) return;
  if (Message.WParam != 0)
    SetFont(reinterpret_cast<TFont*>(Message.LParam));
  else if (FParent)
    SetFont(FParent->GetFont());
  FParentFont = true;
}

void TControl::CMParentColorChanged(TMessage& Message) {
  if (!FParentColor) return;
  if (Message.WParam != 0)
    SetColor(static_cast<TColor>(Message.LParam));
  else if (FParent)
    SetColor(FParent->GetColor());
  FParentColor = true;
}

void TControl::CMParentShowHintChanged(TMessage&) {
  if (!FParentShowHint || !FParent) return;
  SetShowHint(FParent->GetShowHint());
  FParentShowHint = true;
}

void TControl::CMHitTest(TMessage& Message) { Message.Result = HTCLIENT; }

void TControl::CMDrag(TMessage& Message) {
  auto* rec = reinterpret_cast<TDragRec*>(Message.LParam);
  if (!rec) return;
  TPoint p = ScreenToClient(rec->Pos);
  bool accept = false;
  switch (static_cast<TDragMessage>(Message.WParam)) {
    case dmDragEnter:
    case dmDragLeave:
    case dmDragMove:
      DragOver(rec->Source, p.X, p.Y,
               Message.WParam == dmDragEnter   ? dsDragEnter
               : Message.WParam == dmDragLeave ? dsDragLeave
                                               : dsDragMove,
               accept);
      Message.Result = accept ? 1 : 0;
      break;
    case dmDragDrop:
      DragDrop(rec->Source, p.X, p.Y);
      break;
    default:
      break;
  }
}

void TControl::CMMouseWheel(TMessage& Message) {
  TWMMouseWheel wheel(Message);
  Message.Result = DoMouseWheel(KeysToShiftState(wheel.GetKeys()), wheel.GetWheelDelta(), wheel.GetPos()) ? 1 : 0;
}

bool TControl::DoMouseWheel(TShiftState Shift, int WheelDelta, TPoint MousePos) {
  bool handled = false;
  if (OnMouseWheel) OnMouseWheel(this, Shift, WheelDelta, MousePos, handled);
  return handled;
}

void TControl::DragOver(TObject* Source, int X, int Y, TDragState State, bool& Accept) {
  Accept = false;
  if (OnDragOver) {
    Accept = true;
    OnDragOver(this, Source, X, Y, State, Accept);
  }
}

void TControl::DragDrop(TObject* Source, int X, int Y) {
  if (OnDragDrop) OnDragDrop(this, Source, X, Y);
}

void TControl::DoEndDrag(TObject* Target, int X, int Y) {
  if (OnEndDrag) OnEndDrag(this, Target, X, Y);
}

void TControl::Click() {
  if (OnClick)
    OnClick(this);
  else if (FActionLink)
    FActionLink->Execute(this);
}

void TControl::DblClick() {
  if (OnDblClick) OnDblClick(this);
}

void TControl::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) {
  if (OnMouseDown) OnMouseDown(this, Button, Shift, X, Y);
}

void TControl::MouseMove(TShiftState Shift, int X, int Y) {
  if (OnMouseMove) OnMouseMove(this, Shift, X, Y);
}

void TControl::MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) {
  if (OnMouseUp) OnMouseUp(this, Button, Shift, X, Y);
}

// ---------------------------------------------------------------------------------------
// Capture and finding controls

TControl* GetCaptureControl() {
  TControl* result = FindControl(GetCapture());
  if (result && g_CaptureControl && g_CaptureControl->GetParent() == result) result = g_CaptureControl;
  return result;
}

void SetCaptureControl(TControl* Control) {
  ReleaseCapture();
  g_CaptureControl = nullptr;
  if (!Control) return;
  if (auto* windowed = dynamic_cast<TWinControl*>(Control)) {
    SetCapture(windowed->GetHandle());
    return;
  }
  if (!Control->GetParent()) return;
  g_CaptureControl = Control;
  SetCapture(Control->GetParent()->GetHandle());
}

TControl* CurrentCaptureControl() { return g_CaptureControl; }

TWinControl* FindVCLWindow(const TPoint& Pos) {
  for (HWND wnd = WindowFromPoint(ToPOINT(Pos)); wnd; wnd = GetParent(wnd))
    if (TWinControl* control = FindControl(wnd)) return control;
  return nullptr;
}

TControl* FindDragTarget(const TPoint& Pos, bool AllowDisabled) {
  TWinControl* window = FindVCLWindow(Pos);
  if (!window) return nullptr;
  TControl* result = window;
  // Down to the deepest child under the point: windows that are disabled are not found
  // by the system's search, and windowless children never are.
  for (TWinControl* container = window; container;) {
    TControl* child = container->ControlAtPos(container->ScreenToClient(Pos), AllowDisabled, true);
    if (!child) break;
    result = child;
    container = dynamic_cast<TWinControl*>(child);
  }
  return result;
}

TCustomForm* GetParentForm(TControl* Control) {
  if (!Control) return nullptr;
  while (Control->GetParent()) Control = Control->GetParent();
  return dynamic_cast<TCustomForm*>(Control);
}

TCustomForm* ValidParentForm(TControl* Control) {
  TCustomForm* form = GetParentForm(Control);
  if (!form)
    throw EInvalidOperation("Control '%s' has no parent window", {Control ? Control->GetName() : AnsiString()});
  return form;
}
