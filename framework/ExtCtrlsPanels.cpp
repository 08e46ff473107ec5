// Panels and bevels.
#include "framework/ExtCtrls.h"
#include "framework/TypInfo.h"

// ---------------------------------------------------------------------------------------
// TCustomPanel

TCustomPanel::TCustomPanel(TComponent* AOwner) : TCustomControl(AOwner) {
  SetControlStyle(TControlStyle{csAcceptsControls, csCaptureMouse, csClickEvents, csSetCaption, csOpaque,
                                csDoubleClicks, csReplicatable});
  SetBounds(GetLeft(), GetTop(), 185, 41);
  SetColor(clBtnFace);
}

void TCustomPanel::PublishProperties(TPropList& Props) const {
  TCustomControl::PublishProperties(Props);
  Props.String("Caption", &TControl::GetCaption, &TControl::SetCaption, "TCaption");
  Props.String("Hint", &TControl::GetHint, &TControl::SetHint);
}

void TCustomPanel::CreateParams(TCreateParams& Params) {
  TCustomControl::CreateParams(Params);
  if (FBorderStyle == bsSingle) Params.ExStyle |= WS_EX_CLIENTEDGE;
}

void TCustomPanel::EdgesChanged() {
  Realign();
  Invalidate();
}

void TCustomPanel::SetAlignment(TAlignment Value) {
  if (FAlignment == Value) return;
  FAlignment = Value;
  Invalidate();
}

void TCustomPanel::SetBevelInner(TBevelCut Value) {
  if (FBevelInner == Value) return;
  FBevelInner = Value;
  EdgesChanged();
}

void TCustomPanel::SetBevelOuter(TBevelCut Value) {
  if (FBevelOuter == Value) return;
  FBevelOuter = Value;
  EdgesChanged();
}

void TCustomPanel::SetBevelWidth(int Value) {
  if (FBevelWidth == Value || Value < 1) return;
  FBevelWidth = Value;
  EdgesChanged();
}

void TCustomPanel::SetBorderWidth(int Value) {
  if (FBorderWidth == Value || Value < 0) return;
  FBorderWidth = Value;
  EdgesChanged();
}

void TCustomPanel::SetBorderStyle(TBorderStyle Value) {
  if (FBorderStyle == Value) return;
  FBorderStyle = Value;
  RecreateWnd();
}

void TCustomPanel::AdjustClientRect(TRect& Rect) {
  TCustomControl::AdjustClientRect(Rect);
  int inset = FBorderWidth;
  if (FBevelOuter != bvNone) inset += FBevelWidth;
  if (FBevelInner != bvNone) inset += FBevelWidth;
  Rect = InflateRect(Rect, -inset, -inset);
}

namespace {
void BevelColors(TBevelCut Bevel, TColor& Top, TColor& Bottom) {
  Top = Bevel == bvLowered ? clBtnShadow : clBtnHighlight;
  Bottom = Bevel == bvLowered ? clBtnHighlight : clBtnShadow;
}
}  // namespace

void TCustomPanel::Paint() {
  TCanvas* canvas = GetCanvas();
  TRect rect = GetClientRect();
  TColor top, bottom;
  if (FBevelOuter != bvNone) {
    BevelColors(FBevelOuter, top, bottom);
    Frame3D(canvas, rect, top, bottom, FBevelWidth);
  }
  Frame3D(canvas, rect, GetColor(), GetColor(), FBorderWidth);
  if (FBevelInner != bvNone) {
    BevelColors(FBevelInner, top, bottom);
    Frame3D(canvas, rect, top, bottom, FBevelWidth);
  }
  canvas->GetBrush()->SetColor(GetColor());
  canvas->GetBrush()->SetStyle(bsSolid);
  canvas->FillRect(rect);
  canvas->GetBrush()->SetStyle(bsClear);
  canvas->SetFont(GetFont());
  static const UINT kAlign[] = {DT_LEFT, DT_RIGHT, DT_CENTER};
  const AnsiString caption = GetCaption();
  RECT r = ToRECT(rect);
  DrawTextA(canvas->GetHandle(), caption.c_str(), -1, &r,
            DT_EXPANDTABS | DT_VCENTER | DT_SINGLELINE | kAlign[FAlignment]);
}

void TCustomPanel::Dispatch(TMessage& Message) {
  if (Message.Msg == CM_TEXTCHANGED) Invalidate();
  TCustomControl::Dispatch(Message);
}

// ---------------------------------------------------------------------------------------
// TBevel

TBevel::TBevel(TComponent* AOwner) : TGraphicControl(AOwner) {
  SetControlStyle(GetControlStyle() + TControlStyle{csReplicatable});
  SetBounds(GetLeft(), GetTop(), 50, 50);
}

void TBevel::SetShape(TBevelShape Value) {
  if (FShape == Value) return;
  FShape = Value;
  Invalidate();
}

void TBevel::SetStyle(TBevelStyle Value) {
  if (FStyle == Value) return;
  FStyle = Value;
  Invalidate();
}

void TBevel::Paint() {
  TCanvas* canvas = GetCanvas();
  canvas->GetPen()->SetWidth(1);
  canvas->GetPen()->SetStyle(psSolid);
  TColor first = FStyle == bsLowered ? clBtnShadow : clBtnHighlight;
  TColor second = FStyle == bsLowered ? clBtnHighlight : clBtnShadow;
  const int w = GetWidth(), h = GetHeight();
  // A rectangle's top and left sides in one colour, its bottom and right in the other.
  auto bevelRect = [canvas](const TRect& R, TColor Top, TColor Bottom) {
    canvas->GetPen()->SetColor(Top);
    canvas->Polyline({TPoint(R.Left, R.Bottom), TPoint(R.Left, R.Top), TPoint(R.Right, R.Top)});
    canvas->GetPen()->SetColor(Bottom);
    canvas->Polyline({TPoint(R.Right, R.Top), TPoint(R.Right, R.Bottom), TPoint(R.Left, R.Bottom)});
  };
  auto bevelLine = [canvas](TColor C, int X1, int Y1, int X2, int Y2) {
    canvas->GetPen()->SetColor(C);
    canvas->MoveTo(X1, Y1);
    canvas->LineTo(X2, Y2);
  };
  switch (FShape) {
    case bsBox: bevelRect(TRect(0, 0, w - 1, h - 1), first, second); break;
    case bsFrame:
      bevelRect(TRect(1, 1, w - 1, h - 1), second, second);
      bevelRect(TRect(0, 0, w - 2, h - 2), first, first);
      break;
    case bsTopLine:
      bevelLine(first, 0, 0, w, 0);
      bevelLine(second, 0, 1, w, 1);
      break;
    case bsBottomLine:
      bevelLine(first, 0, h - 2, w, h - 2);
      bevelLine(second, 0, h - 1, w, h - 1);
      break;
    case bsLeftLine:
      bevelLine(first, 0, 0, 0, h);
      bevelLine(second, 1, 0, 1, h);
      break;
    case bsRightLine:
      bevelLine(first, w - 2, 0, w - 2, h);
      bevelLine(second, w - 1, 0, w - 1, h);
      break;
    case bsSpacer: break;
  }
}
