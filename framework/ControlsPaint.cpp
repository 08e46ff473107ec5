// Controls that paint themselves (windowless and windowed), the hint window, and dragging.
#include <algorithm>
#include <cstdlib>

#include "framework/ControlsPrivate.h"
#include "framework/Forms.h"

// ---------------------------------------------------------------------------------------
// TGraphicControl

TGraphicControl::TGraphicControl(TComponent* AOwner)
    : TControl(AOwner), FCanvas(std::make_unique<TControlCanvas>()) {
  FCanvas->SetControl(this);
}

TGraphicControl::~TGraphicControl() = default;

void TGraphicControl::Dispatch(TMessage& Message) {
  if (Message.Msg == WM_PAINT)
    WMPaint(Message);
  else
    TControl::Dispatch(Message);
}

void TGraphicControl::WMPaint(TMessage& Message) {
  if (Message.WParam == 0 || GetComponentState().Contains(csDestroying)) return;
  FCanvas->PaintOn(reinterpret_cast<HDC>(Message.WParam), [this] { Paint(); });
}

// ---------------------------------------------------------------------------------------
// TCustomControl

TCustomControl::TCustomControl(TComponent* AOwner)
    : TWinControl(AOwner), FCanvas(std::make_unique<TControlCanvas>()) {
  FCanvas->SetControl(this);
}

TCustomControl::~TCustomControl() = default;

void TCustomControl::Dispatch(TMessage& Message) {
  if (Message.Msg == WM_PAINT)
    WMPaint(Message);
  else
    TWinControl::Dispatch(Message);
}

void TCustomControl::WMPaint(TMessage& Message) { CustomPaint(Message); }

void TCustomControl::PaintWindow(HDC DC) {
  FCanvas->PaintOn(DC, [this] {
    FCanvas->GetBrush()->SetColor(FColor);
    Paint();
  });
}

// ---------------------------------------------------------------------------------------
// THintWindow

THintWindow::THintWindow(TComponent* AOwner) : TCustomControl(AOwner) {
  SetColor(clInfoBk);
  if (Screen) SetFont(Screen->GetHintFont());
  SetVisible(false);
}

void THintWindow::CreateParams(TCreateParams& Params) {
  TCustomControl::CreateParams(Params);
  Params.Style = WS_POPUP | WS_BORDER;
  Params.ExStyle = WS_EX_TOOLWINDOW | WS_EX_TOPMOST;
  Params.WindowClass.style |= CS_SAVEBITS | CS_DROPSHADOW;
  Params.WndParent = Application ? Application->GetHandle() : nullptr;
}

TRect THintWindow::CalcHintRect(int MaxWidth, const AnsiString& AHint, void*) {
  RECT r = {0, 0, MaxWidth, 0};
  GetCanvas()->SetFont(FFont.get());
  DrawTextA(GetCanvas()->GetHandle(), AHint.c_str(), -1, &r,
            DT_CALCRECT | DT_LEFT | DT_WORDBREAK | DT_NOPREFIX);
  r.right += 6;
  r.bottom += 2;
  return FromRECT(r);
}

void THintWindow::ActivateHint(TRect Rect, const AnsiString& AHint) {
  SetCaption(AHint);
  Rect.Bottom += 4;
  UpdateBoundsRect(Rect);
  const int w = Rect.Width(), h = Rect.Height();
  RECT work = {0, 0, GetSystemMetrics(SM_CXVIRTUALSCREEN), GetSystemMetrics(SM_CYVIRTUALSCREEN)};
  if (Rect.Top + h > work.bottom) Rect.Top = work.bottom - h;
  if (Rect.Left + w > work.right) Rect.Left = work.right - w;
  if (Rect.Left < work.left) Rect.Left = work.left;
  if (Rect.Top < work.top) Rect.Top = work.top;
  SetWindowPos(GetHandle(), HWND_TOPMOST, Rect.Left, Rect.Top, w, h, SWP_SHOWWINDOW | SWP_NOACTIVATE);
  Invalidate();
}

void THintWindow::ActivateHintData(const TRect& Rect, const AnsiString& AHint, void*) {
  ActivateHint(Rect, AHint);
}

bool THintWindow::IsHintMsg(const MSG& Msg) {
  const UINT m = Msg.message;
  return (m >= WM_KEYFIRST && m <= WM_KEYLAST) || m == CM_ACTIVATE || m == CM_DEACTIVATE ||
         m == CM_APPKEYDOWN || m == CM_APPSYSCOMMAND || m == WM_COMMAND ||
         (m > WM_MOUSEMOVE && m <= WM_MOUSELAST) || m == WM_NCMOUSEMOVE;
}

void THintWindow::ReleaseHandle() { DestroyHandle(); }

void THintWindow::Paint() {
  RECT r = ToRECT(GetClientRect());
  r.left += 2;
  r.top += 2;
  TCanvas* canvas = GetCanvas();
  canvas->GetFont()->SetColor(Screen ? Screen->GetHintFont()->GetColor() : clInfoText);
  HDC dc = canvas->GetHandle();
  canvas->GetBrush()->SetStyle(bsClear);
  canvas->Refresh();
  SelectObject(dc, canvas->GetFont()->GetHandle());
  ::SetTextColor(dc, ColorToRGB(canvas->GetFont()->GetColor()));
  SetBkMode(dc, TRANSPARENT);
  AnsiString text = GetCaption();
  DrawTextA(dc, text.c_str(), -1, &r, DT_LEFT | DT_NOPREFIX | DT_WORDBREAK);
}

// ---------------------------------------------------------------------------------------
// Dragging

namespace {

// The drag under way: its control, where it started, the target under the cursor, and the
// hidden window that holds the mouse meanwhile.
struct TDragSession {
  TControl* Control = nullptr;
  TPoint Start;
  int Threshold = 0;
  bool Active = false;  // past the threshold
  TControl* Target = nullptr;
  bool Accepted = false;
  TPoint Pos;
  HWND Capture = nullptr;
};
TDragSession g_Drag;

LRESULT CALLBACK DragCaptureProc(HWND Wnd, UINT Msg, WPARAM WParam, LPARAM LParam);

HWND CreateDragCapture() {
  static const char* kClass = [] {
    WNDCLASSA wc = {};
    wc.lpfnWndProc = &DragCaptureProc;
    wc.hInstance = FrameworkInstance();
    wc.lpszClassName = "TDragCapture";
    RegisterClassA(&wc);
    return "TDragCapture";
  }();
  return CreateWindowExA(0, kClass, "", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr, FrameworkInstance(),
                         nullptr);
}

NativeInt SendDrag(TControl* Target, TDragMessage Message, const TPoint& Pos) {
  if (!Target) return 0;
  TDragRec rec{Pos, g_Drag.Control, Target};
  return Target->Perform(CM_DRAG, static_cast<NativeUInt>(Message), reinterpret_cast<NativeInt>(&rec));
}

void DragTo(const TPoint& Pos) {
  if (!g_Drag.Control) return;
  if (!g_Drag.Active) {
    if (std::abs(Pos.X - g_Drag.Start.X) < g_Drag.Threshold &&
        std::abs(Pos.Y - g_Drag.Start.Y) < g_Drag.Threshold)
      return;
    g_Drag.Active = true;
  }
  g_Drag.Pos = Pos;
  TControl* target = FindDragTarget(Pos, false);
  if (target != g_Drag.Target) {
    TControl* old = g_Drag.Target;
    g_Drag.Target = nullptr;
    SendDrag(old, dmDragLeave, Pos);
    g_Drag.Target = target;
    g_Drag.Accepted = SendDrag(target, dmDragEnter, Pos) != 0;
  }
  if (g_Drag.Target) g_Drag.Accepted = SendDrag(g_Drag.Target, dmDragMove, Pos) != 0;
  if (Screen)
    ::SetCursor(Screen->GetCursors(g_Drag.Accepted ? g_Drag.Control->GetDragCursor() : crNoDrop));
}

void DragCaptureMessage(HWND Wnd, TMessage& Message) {
  switch (Message.Msg) {
    case WM_MOUSEMOVE: {
      POINT p = ToPOINT(TWMMouse(Message).GetPos());
      ClientToScreen(Wnd, &p);
      DragTo(FromPOINT(p));
      return;
    }
    case WM_LBUTTONUP:
    case WM_RBUTTONUP:
      DragDone(true);
      return;
    case WM_CAPTURECHANGED:
      if (g_Drag.Capture == Wnd && reinterpret_cast<HWND>(Message.LParam) != Wnd) DragDone(false);
      return;
    case WM_CANCELMODE:
      DragDone(false);
      return;
    case CN_KEYDOWN:
      if (Message.WParam == VK_ESCAPE) DragDone(false);
      Message.Result = 1;
      return;
  }
  Message.Result = DefWindowProcA(Wnd, Message.Msg, Message.WParam, Message.LParam);
}

LRESULT CALLBACK DragCaptureProc(HWND Wnd, UINT Msg, WPARAM WParam, LPARAM LParam) {
  TMessage message = MessageOf(Msg, WParam, LParam);
  DeliverMessage([Wnd](TMessage& Message) { DragCaptureMessage(Wnd, Message); }, message, nullptr);
  return message.Result;
}

}  // namespace

TControl* DragControl() { return g_Drag.Control; }

void DragControlDestroyed(TControl* Control) {
  if (g_Drag.Target == Control) {
    g_Drag.Target = nullptr;
    g_Drag.Accepted = false;
  }
  if (g_Drag.Control == Control) DragDone(false);
}

void DragInitControl(TControl* Control, bool Immediate, int Threshold) {
  if (g_Drag.Control) return;
  POINT p;
  GetCursorPos(&p);
  g_Drag = TDragSession();
  g_Drag.Control = Control;
  g_Drag.Start = FromPOINT(p);
  g_Drag.Threshold = Threshold < 0 ? GetSystemMetrics(SM_CXDRAG) : Threshold;
  g_Drag.Capture = CreateDragCapture();
  SetCapture(g_Drag.Capture);
  if (Immediate) {
    g_Drag.Active = true;
    DragTo(g_Drag.Start);
  }
}

void DragDone(bool Drop) {
  if (!g_Drag.Control) return;
  TDragSession drag = g_Drag;
  g_Drag = TDragSession();
  if (drag.Capture) {
    if (GetCapture() == drag.Capture) ReleaseCapture();
    DestroyWindow(drag.Capture);
  }
  if (!drag.Active) return;  // the mouse never moved far enough: no drag at all
  TControl* target = drag.Accepted ? drag.Target : nullptr;
  if (drag.Target && !target) SendDrag(drag.Target, dmDragLeave, drag.Pos);
  if (target && Drop) {
    TDragRec rec{drag.Pos, drag.Control, target};
    target->Perform(CM_DRAG, dmDragDrop, reinterpret_cast<NativeInt>(&rec));
  } else {
    target = nullptr;
  }
  if (Screen) ::SetCursor(Screen->GetCursors(crDefault));
  TPoint p = target ? target->ScreenToClient(drag.Pos) : TPoint();
  drag.Control->DoEndDrag(target, p.X, p.Y);
}

void TControl::BeginDrag(bool Immediate, int Threshold) {
  if (dynamic_cast<TCustomForm*>(this)) throw EInvalidOperation("A form cannot be dragged");
  if (!DragControl()) DragInitControl(this, Immediate, Threshold);
}

void TControl::EndDrag(bool Drop) {
  if (Dragging()) DragDone(Drop);
}

bool TControl::Dragging() const { return DragControl() == this; }
