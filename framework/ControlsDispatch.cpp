// Windowed controls: painting (their own, the windowless children's, a double buffer,
// into a context), and the message path (WndProc, Dispatch, DefaultHandler, reflection of
// the children's notifications, the window messages handled here).
#include <algorithm>
#include <optional>

#include "framework/ControlsPrivate.h"
#include "framework/Forms.h"
#include "framework/Scopes.h"

namespace {

// The window the mouse is being tracked over. The system posts WM_MOUSELEAVE once per
// TrackMouseEvent request, so a window asks once when the mouse comes in and again after
// the leave. The leave matters when the mouse goes to another program's window: no other
// message would wake the message loop then, and only its idle work tells the control
// under the mouse before that it has been left (CM_MOUSELEAVE).
HWND g_TrackedWindow = nullptr;

void TrackMouse(HWND Wnd) {
  if (g_TrackedWindow == Wnd) return;
  TRACKMOUSEEVENT tme = {sizeof(tme), TME_LEAVE, Wnd, 0};
  if (TrackMouseEvent(&tme)) g_TrackedWindow = Wnd;
}

}  // namespace

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
      // A window that lets the mouse through (HTTRANSPARENT) still takes it over its
      // windowless children: they get their mouse messages only through this window,
      // and the system would hand them to the window below.
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
      // The capture control is one for the whole program and may still name a windowless
      // control of another window: only a child of this window, while this window holds
      // the capture for it, is told.
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
  // While this window holds the capture the mouse belongs to the windowless child it
  // holds it for (a child of this window, see WM_CANCELMODE), wherever the mouse is.
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
  if (IsMessageOfFormerWindow(this, FHandle)) return;
  if (Message.Msg == WM_CONTEXTMENU && FParent) {
    Message.Result = FParent->Perform(Message.Msg, Message.WParam, Message.LParam);
    if (Message.Result != 0) return;
  }
  // Reflected messages are CN_BASE plus the window message. Two answers of the skin
  // toolkit's windows (48202, 48203) fall in that range, as CN_BASE + WM_COPYDATA and
  // + WM_CANCELJOURNAL: the framework reflects neither, so a number never means both.
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
  if (wnd) DetachWindow(wnd);
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
