#include "framework/Forms.h"
#include "skin/controls/SkinPanels.h"
#include "skin/data/SPUtils.h"

TspSkinStatusBar::TspSkinStatusBar(TComponent* AOwner) : TspSkinPanel(AOwner) {
  SetSkinDataName("statusbar");
  SetAlign(alBottom);
  SetHeight(21);
  SetBorderStyle(TspSkinBorderStyle::bvNone);
  SetBorderPaintMode(false);
}

void TspSkinStatusBar::SetSizeGrip(bool Value) {
  FSizeGrip = Value;
  Repaint();
  Realign();
}

void TspSkinStatusBar::SetSizeGripVisible(bool Value) {
  FGripShown = Value;
  Repaint();
  Realign();
}

void TspSkinStatusBar::SetSkinData(TspSkinData* Value) {
  TspSkinPanel::SetSkinData(Value);
  for (int i = 0; i < GetControlCount(); ++i)
    if (auto* child = dynamic_cast<TspSkinControl*>(GetControl(i))) child->SetSkinData(Value);
}

void TspSkinStatusBar::GetSkinData() {
  TspSkinPanel::GetSkinData();
  FGripperRect = NullRect();
  FGripperTransparent = false;
  auto* record = dynamic_cast<TspDataSkinPanelControl*>(SkinRecord());
  if (!record) return;
  FGripperRect = record->GripperRect;
  FGripperTransparent = record->GripperTransparent;
  FGripperTransparentColor = record->GripperTransparentColor;
}

void TspSkinStatusBar::AdjustClientRect(TRect& Rect) {
  TspSkinPanel::AdjustClientRect(Rect);
  if (!GripActive()) return;
  if (!Skinned() || IsNullRect(FGripperRect))
    Rect.Right -= RectHeight(Rect);
  else
    Rect.Right -= RectWidth(FGripperRect);
}

TRect TspSkinStatusBar::GetGripRect() {
  const TRect c = GetAdjustedClientRect();
  if (!Skinned() || IsNullRect(FGripperRect))
    return Rect(c.Right + 2, c.Top, c.Right + RectHeight(c), c.Bottom - 2);
  return Rect(c.Right, c.Bottom - RectHeight(FGripperRect), c.Right + RectWidth(FGripperRect),
              c.Bottom);
}

bool TspSkinStatusBar::InGrip(const TPoint& ScreenPoint) {
  return GripActive() && PtInRect(GetGripRect(), ScreenToClient(ScreenPoint));
}

void TspSkinStatusBar::Dispatch(TMessage& Message) {
  switch (Message.Msg) {
    case WM_NCHITTEST:
      if (!GripActive()) break;
      // The grip shows the sizing cursor of the form's bottom-right corner.
      TWMNCHitTest(Message).SetResult(InGrip(TWMNCHitTest(Message).GetPos()) ? HTBOTTOMRIGHT : HTCLIENT);
      return;
    case WM_NCLBUTTONDOWN:
    case WM_NCLBUTTONDBLCLK:
      if (Message.WParam == HTBOTTOMRIGHT && GripActive()) {
        // The form is sized, not the bar: the system's sizing loop of a child window would
        // move and size the bar inside the form.
        TCustomForm* form = GetParentForm(this);
        if (form && form->HandleAllocated() && !IsZoomed(form->GetHandle())) {
          ReleaseCapture();
          SendMessageA(form->GetHandle(), WM_SYSCOMMAND, SC_SIZE | WMSZ_BOTTOMRIGHT,
                       Message.LParam);
        }
        Message.Result = 0;
        return;
      }
      break;
    default:
      break;
  }
  TspSkinPanel::Dispatch(Message);
}

void TspSkinStatusBar::DrawGripLines(TCanvas* Canvas, const TRect& R, TColor Light, TColor Dark) {
  Canvas->GetPen()->SetWidth(1);
  for (int b = 3; R.Left + b + 2 <= R.Right; b += 3) {
    Canvas->GetPen()->SetColor(Dark);
    Canvas->MoveTo(R.Left + b, R.Bottom);
    Canvas->LineTo(R.Right, R.Top + b);
    Canvas->GetPen()->SetColor(Light);
    Canvas->MoveTo(R.Left + b + 1, R.Bottom);
    Canvas->LineTo(R.Right, R.Top + b + 1);
  }
}

void TspSkinStatusBar::CreateControlDefaultImage(TBitmap* B) {
  TspSkinPanel::CreateControlDefaultImage(B);
  if (GripActive()) DrawGripLines(B->GetCanvas(), GetGripRect(), clBtnHighlight, clBtnShadow);
}

void TspSkinStatusBar::CreateControlSkinImage(TBitmap* B) {
  TspSkinPanel::CreateControlSkinImage(B);
  if (!GripActive()) return;
  const TRect grip = GetGripRect();
  if (IsNullRect(FGripperRect)) {
    TspSkinColors* colors = GetSkinDataComponent()->SkinColors.get();
    DrawGripLines(B->GetCanvas(), grip, colors->cBtnHighLight, colors->cBtnShadow);
  } else if (FGripperTransparent) {
    DrawTransparentPiece(B->GetCanvas(), grip.Left, grip.Top, Picture, FGripperRect,
                         FGripperTransparentColor);
  } else if (PieceInPicture(Picture, FGripperRect)) {
    B->GetCanvas()->CopyRect(grip, Picture->GetCanvas(), FGripperRect);
  }
}
