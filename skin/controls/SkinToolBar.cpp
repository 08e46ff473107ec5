#include <algorithm>

#include "skin/controls/SkinLabels.h"
#include "skin/controls/SkinPanels.h"
#include "skin/data/SPUtils.h"
#include "skin/data/SkinDraw.h"
#include "skin/data/SkinImages.h"

namespace {

constexpr UINT_PTR kScrollTimerId = 1;

bool IsScrollHit(NativeInt Code) { return Code == kHitScrollLeft || Code == kHitScrollRight; }

}  // namespace

TspSkinToolBar::TspSkinToolBar(TComponent* AOwner) : TspSkinPanel(AOwner) {
  SetSkinDataName("toolpanel");
  SetHeight(25);
  SetDefaultHeight(0);
  SetBorderStyle(TspSkinBorderStyle::bvNone);
  SetBorderPaintMode(false);
}

TspSkinToolBar::~TspSkinToolBar() = default;

void TspSkinToolBar::Notification(TComponent* AComponent, TOperation Operation) {
  TspSkinPanel::Notification(AComponent, Operation);
  if (Operation != opRemove) return;
  if (AComponent == FImages) SetImages(nullptr);
  if (AComponent == FHotImages) SetHotImages(nullptr);
  if (AComponent == FDisabledImages) SetDisabledImages(nullptr);
}

void TspSkinToolBar::SetShowCaptions(bool Value) {
  if (FShowCaptions == Value) return;
  FShowCaptions = Value;
  if (FWidthWithCaptions != 0 && FWidthWithoutCaptions != 0)
    SetWidth(Value ? FWidthWithCaptions : FWidthWithoutCaptions);
}

void TspSkinToolBar::SetFlat(bool Value) { FFlat = Value; }

void TspSkinToolBar::SetImages(TCustomImageList* Value) {
  ReplaceComponentReference(this, FImages, Value);
  for (int i = 0; i < GetControlCount(); ++i)
    if (dynamic_cast<TspGraphicSkinControl*>(GetControl(i))) GetControl(i)->Repaint();
}

void TspSkinToolBar::SetHotImages(TCustomImageList* Value) {
  ReplaceComponentReference(this, FHotImages, Value);
}

void TspSkinToolBar::SetDisabledImages(TCustomImageList* Value) {
  ReplaceComponentReference(this, FDisabledImages, Value);
}

void TspSkinToolBar::SetSkinData(TspSkinData* Value) {
  TspSkinPanel::SetSkinData(Value);
  for (int i = 0; i < GetControlCount(); ++i)
    if (auto* bevel = dynamic_cast<TspSkinBevel*>(GetControl(i))) bevel->SetSkinData(Value);
}

void TspSkinToolBar::SetSkinDataName(const AnsiString& Value) { TspSkinPanel::SetSkinDataName(Value); }

void TspSkinToolBar::GetSkinData() {
  TspSkinPanel::GetSkinData();
  FButtonRecord = nullptr;
  if (Skinned()) {
    TspSkinData* data = GetSkinDataComponent();
    FButtonRecord = dynamic_cast<TspDataSkinButtonControl*>(
        data->ControlRecords.Find(data->GetControlIndex("resizebutton")));
  }
}

int TspSkinToolBar::ClientWidthNow() { return GetClientWidth(); }

void TspSkinToolBar::AdjustClientRect(TRect& Rect) {
  TspSkinPanel::AdjustClientRect(Rect);
  if (!FButtonsShown) return;
  const int cw = ClientWidthNow();
  const int ch = GetClientHeight();
  const TRect panel = Rect;
  Rect = ::Rect(-FPosition, 0, -FPosition + std::max(FExtent, cw), ch);
  if (!Skinned()) {
    Rect.Top = 1;
    Rect.Bottom = ch - 1;
  } else if (GetBorderStyle() != TspSkinBorderStyle::bvNone ||
             SkinImageKind != kSkinImageNineParts) {
    Rect.Top = NewClRect.Top;
    Rect.Bottom = NewClRect.Bottom;
  }
  (void)panel;
}

void TspSkinToolBar::SetBounds(int ALeft, int ATop, int AWidth, int AHeight) {
  const int oldWidth = GetWidth();
  TspSkinPanel::SetBounds(ALeft, ATop, AWidth, AHeight);
  if (FAdjustControls) {
    for (int i = 0; i < GetControlCount(); ++i) {
      TControl* child = GetControl(i);
      child->SetBounds(child->GetLeft(), child->GetTop(), child->GetWidth(), child->GetHeight());
    }
  }
  if (FCanScroll) {
    FGrowth = GetWidth() > oldWidth && oldWidth != 0 ? GetWidth() - oldWidth : 0;
    if (GetAlign() != alNone) UpdateScroll();
  }
}

void TspSkinToolBar::AlignControlsVertically() {
  const TRect r = GetAdjustedClientRect();
  for (int i = 0; i < GetControlCount(); ++i) {
    TControl* child = GetControl(i);
    if (dynamic_cast<TspSkinControl*>(child) || dynamic_cast<TspGraphicSkinControl*>(child))
      continue;
    if (child->GetAlign() != alNone) continue;
    const int top = r.Top + RectHeight(r) / 2 - child->GetHeight() / 2;
    if (child->GetTop() != top) child->SetTop(top);
  }
}

void TspSkinToolBar::UpdateScroll() {
  int m = 0;
  for (int i = 0; i < GetControlCount(); ++i) {
    TControl* child = GetControl(i);
    if (child->GetVisible()) m = std::max(m, child->GetLeft() + child->GetWidth());
  }
  const int w = ClientWidthNow();
  if (m == 0) {
    SetScrollButtonsVisible(false);
    return;
  }
  if (m + FPosition > w) {
    SetScrollButtonsVisible(true);
    const int n = FPosition + m - 1;
    if (FPosition > 0 && m < w && FGrowth > 0) {
      FGrowth = std::min(FGrowth, FPosition);
      FExtent = n;
      FPosition -= FGrowth;
      FMeasuredWidth = w;
      ScrollContent(-FGrowth);
    } else if (FGrowth == 0 && n < FExtent && FPosition > 0 && m < w) {
      FExtent = n;
      FPosition = m + FPosition - w;
      FMeasuredWidth = w;
      ScrollContent(m - w);
      FGrowth = 0;
    } else {
      FExtent = n;
      FMeasuredWidth = w;
      FGrowth = 0;
    }
    FApplied = FPosition;
    return;
  }
  if (FPosition > 0) ScrollContent(-FPosition);
  FGrowth = FExtent = FPosition = FMeasuredWidth = 0;
  FApplied = 0;
  SetScrollButtonsVisible(false);
}

void TspSkinToolBar::ScrollContent(int D) {
  if (D == 0) return;
  ScrollBy(-D, 0);
  Repaint();
}

void TspSkinToolBar::SetScrollButtonsVisible(bool Value) {
  if (FButtonsShown == Value) return;
  FButtonsShown = Value;
  if (!Value) FButtons[0] = FButtons[1] = TScrollButton();
  // The non-client area is worked out again only by a new window.
  if (HandleAllocated()) {
    StopScrollTimer();
    RecreateWnd();
    HandleNeeded();
  }
}

void TspSkinToolBar::ScrollStep(bool Right) {
  const int step = FScrollOffset != 0 ? FScrollOffset : ClientWidthNow();
  if (Right)
    FPosition = std::min(FPosition + step, FExtent - FMeasuredWidth + 1);
  else
    FPosition = std::max(FPosition - step, 0);
  if (FPosition < 0) FPosition = 0;
  if (FPosition == FApplied) {
    StopScrollTimer();
    return;
  }
  ScrollContent(FPosition - FApplied);
  FApplied = FPosition;
}

void TspSkinToolBar::StartScrollTimer() {
  if (!HandleAllocated()) return;
  KillTimer(GetHandle(), kScrollTimerId);
  SetTimer(GetHandle(), kScrollTimerId, static_cast<UINT>(FScrollTimerInterval), nullptr);
  FTimerRunning = true;
}

void TspSkinToolBar::StopScrollTimer() {
  if (HandleAllocated()) KillTimer(GetHandle(), kScrollTimerId);
  FTimerRunning = false;
  FDirection = 0;
}

void TspSkinToolBar::PaintScrollButtons() {
  if (!HandleAllocated()) return;
  SendMessageA(GetHandle(), WM_NCPAINT, 1, 0);
}

void TspSkinToolBar::WndProc(TMessage& Message) {
  if (Message.Msg == WM_WINDOWPOSCHANGING && HandleAllocated() && GetAlign() == alNone)
    UpdateScroll();
  if (FCanScroll) {
    switch (Message.Msg) {
      case WM_NCHITTEST: {
        const TPoint p = ScreenToClient(TWMNCHitTest(Message).GetPos());
        if (FButtonsShown && p.X < 0) {
          Message.Result = kHitScrollLeft;
          return;
        }
        if (FButtonsShown && p.X > GetClientWidth()) {
          Message.Result = kHitScrollRight;
          return;
        }
        break;
      }
      case WM_SETCURSOR:
        if (IsScrollHit(static_cast<int16_t>(LOWORD(Message.LParam))))
          Message.LParam = MAKELPARAM(HTCLIENT, HIWORD(Message.LParam));
        break;
      case WM_NCMOUSEMOVE:
        if (Message.WParam == kHitScrollLeft && !FButtons[0].Hot) {
          FButtons[0].Hot = true;
          FButtons[1].Hot = false;
          PaintScrollButtons();
          if (FHotScroll) {
            FDirection = 1;
            StartScrollTimer();
          }
        } else if (Message.WParam == kHitScrollRight && !FButtons[1].Hot) {
          FButtons[1].Hot = true;
          FButtons[0].Hot = false;
          PaintScrollButtons();
          if (FHotScroll) {
            FDirection = 2;
            StartScrollTimer();
          }
        }
        break;
      case WM_NCLBUTTONDOWN:
      case WM_NCLBUTTONDBLCLK:
        if (IsScrollHit(Message.WParam)) {
          const int i = Message.WParam == kHitScrollLeft ? 0 : 1;
          FButtons[i].Pressed = true;
          PaintScrollButtons();
          FDirection = i + 1;
          StartScrollTimer();
        }
        break;
      case WM_NCLBUTTONUP:
        if (IsScrollHit(Message.WParam)) {
          const int i = Message.WParam == kHitScrollLeft ? 0 : 1;
          FButtons[i].Pressed = false;
          PaintScrollButtons();
          StopScrollTimer();
          ScrollStep(i == 1);
        }
        break;
      case WM_MOUSEMOVE:
        for (TScrollButton& button : FButtons) {
          if (FButtonsShown && button.Hot) {
            if (FDirection != 0) StopScrollTimer();
            button.Hot = false;
            PaintScrollButtons();
            break;
          }
        }
        break;
      default:
        break;
    }
  }
  TspSkinPanel::WndProc(Message);
}

void TspSkinToolBar::Dispatch(TMessage& Message) {
  switch (Message.Msg) {
    case WM_TIMER:
      TspSkinPanel::Dispatch(Message);
      if (FCanScroll && Message.WParam == kScrollTimerId) {
        if (FDirection == 1)
          ScrollStep(false);
        else if (FDirection == 2)
          ScrollStep(true);
      }
      return;
    case WM_NCCALCSIZE:
      if (FCanScroll) {
        GetSkinData();
        if (FButtonsShown) {
          RECT& r = TWMNCCalcSize(Message).GetClientRect();
          r.left += kToolBarScrollButtonWidth;
          r.right -= kToolBarScrollButtonWidth;
        }
      }
      Message.Result = 0;
      return;
    case WM_NCPAINT:
      if (FCanScroll && FButtonsShown && HandleAllocated()) {
        HDC dc = GetWindowDC(GetHandle());
        DrawScrollButton(dc, 0);
        DrawScrollButton(dc, 1);
        ReleaseDC(GetHandle(), dc);
      }
      Message.Result = 0;
      return;
    case WM_SIZE:
      TspSkinPanel::Dispatch(Message);
      if (FCanScroll && FButtonsShown) {
        FButtons[0].Rect = Rect(0, 0, kToolBarScrollButtonWidth, GetHeight());
        FButtons[1].Rect = Rect(GetWidth() - kToolBarScrollButtonWidth, 0, GetWidth(), GetHeight());
        PaintScrollButtons();
      }
      return;
    case WM_WINDOWPOSCHANGING:
      TspSkinPanel::Dispatch(Message);
      if (HandleAllocated() && FAdjustControls) AlignControlsVertically();
      return;
    case CM_MOUSELEAVE: {
      TspSkinPanel::Dispatch(Message);
      if (!FCanScroll || !HandleAllocated()) return;
      POINT p;
      GetCursorPos(&p);
      if (WindowFromPoint(p) == GetHandle()) return;
      for (TScrollButton& button : FButtons) {
        if (button.Hot) {
          button.Hot = false;
          break;
        }
      }
      if (FDirection != 0) StopScrollTimer();
      PaintScrollButtons();
      return;
    }
    default:
      TspSkinPanel::Dispatch(Message);
  }
}

void TspSkinToolBar::DrawScrollButton(HDC DC, int Index) {
  const TScrollButton& button = FButtons[Index];
  const int bw = RectWidth(button.Rect);
  const int bh = RectHeight(button.Rect);
  if (bw <= 0 || bh <= 0) return;
  std::unique_ptr<TBitmap> image = NewPaintBitmap(bw, bh);
  TCanvas* canvas = image->GetCanvas();
  GetSkinData();
  const bool down = button.Hot && (button.Pressed || FHotScroll);
  TRect arrowRect(0, 0, bw, bh);
  TColor arrow = clBtnText;
  TBitmap* pic = FButtonRecord ? GetSkinDataComponent()->GetActivePicture(FButtonRecord->PictureIndex)
                               : nullptr;
  if (FButtonRecord && PieceInPicture(pic, FButtonRecord->SkinRect)) {
    const TspDataSkinButtonControl* r = FButtonRecord;
    TRect source = r->SkinRect;
    arrow = r->FontColor;
    if (!IsNullRect(r->DownSkinRect) && down) {
      source = r->DownSkinRect;
      arrow = r->DownFontColor;
    } else if (button.Hot && !IsNullRect(r->ActiveSkinRect)) {
      source = r->ActiveSkinRect;
      arrow = r->ActiveFontColor;
    }
    if (PieceInPicture(pic, source) && RectWidth(source) == RectWidth(r->SkinRect) &&
        RectHeight(source) == RectHeight(r->SkinRect)) {
      const int dw = bw - RectWidth(r->SkinRect);
      const int dh = bh - RectHeight(r->SkinRect);
      CreateSkinImage(r->LTPoint, r->RTPoint, r->LBPoint, r->RBPoint, r->ClRect, r->LTPoint,
                      Point(r->RTPoint.X + dw, r->RTPoint.Y), Point(r->LBPoint.X, r->LBPoint.Y + dh),
                      Point(r->RBPoint.X + dw, r->RBPoint.Y + dh),
                      Rect(r->ClRect.Left, r->ClRect.Top, r->ClRect.Right + dw, r->ClRect.Bottom + dh),
                      image.get(), pic, source, bw, bh, true, r->LeftStretch, r->TopStretch,
                      r->RightStretch, r->BottomStretch, r->StretchEffect, r->StretchType);
    }
  } else {
    TColor frame = clBtnShadow;
    TColor face = clBtnFace;
    if (down) {
      frame = 0x800000;
      face = 0xB59385;
    } else if (button.Hot) {
      frame = 0x800000;
      face = 0xD2BDB6;
    }
    canvas->GetBrush()->SetColor(frame);
    canvas->FrameRect(arrowRect);
    arrowRect = Rect(1, 1, bw - 1, bh - 1);
    canvas->GetBrush()->SetColor(face);
    canvas->FillRect(arrowRect);
  }
  DrawArrowImage(canvas, arrowRect, arrow, Index == 0 ? 1 : 2);
  CopyBitmapTo(DC, button.Rect.Left, button.Rect.Top, image.get());
}

void TspSkinToolBar::CreateControlSkinImage(TBitmap* B) {
  if (FButtonsShown && SkinImageKind == kSkinImageHorz) {
    const int left = LTPt.X;
    const int right = RectWidth(SkinRect) - RTPt.X;
    if (PieceInPicture(Picture, SkinRect) && left >= 0 && right >= 0 &&
        left + right <= RectWidth(SkinRect))
      CreateHSkinImageMiddle(left, right, B, Picture, SkinRect, GetWidth(), GetHeight(),
                             StretchEffect);
    return;
  }
  TspSkinPanel::CreateControlSkinImage(B);
}
