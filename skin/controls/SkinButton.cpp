#include <algorithm>

#include "framework/ActnList.h"
#include "framework/Forms.h"
#include "framework/Menus.h"
#include "skin/controls/SkinButtons.h"
#include "skin/data/EffectBmp.h"
#include "skin/data/SPUtils.h"
#include "skin/data/SkinDraw.h"
#include "skin/data/SkinImages.h"

namespace {

constexpr unsigned kMorphInterval = 20;
constexpr double kMorphStep = 0.2;
constexpr unsigned kRepeatDelay = 500;
constexpr TColor kDownFill = TColor(0xB59385);
constexpr TColor kHotFill = TColor(0xD2BDB6);

// Frame N (from 1) of an animation strip: side by side when the strip is wider than one
// picture, else stacked.
TRect AnimationFrame(const TRect& Strip, const TRect& SkinRect, int Count, int N) {
  if (Count <= 0) return Strip;
  if (RectWidth(Strip) > RectWidth(SkinRect)) {
    const int w = RectWidth(Strip) / Count;
    return Rect(Strip.Left + (N - 1) * w, Strip.Top, Strip.Left + N * w, Strip.Bottom);
  }
  const int h = RectHeight(Strip) / Count;
  return Rect(Strip.Left, Strip.Top + (N - 1) * h, Strip.Right, Strip.Top + N * h);
}

void MorphByKind(TspEffectBmp& From, const TspEffectBmp& To, int Kind, double Kf) {
  switch (Kind) {
    case 1: From.MorphGrad(&To, Kf); break;
    case 2: From.MorphLeftGrad(&To, Kf); break;
    case 3: From.MorphRightGrad(&To, Kf); break;
    case 4: From.MorphLeftSlide(&To, Kf); break;
    case 5: From.MorphRightSlide(&To, Kf); break;
    case 6: From.MorphPush(&To, Kf); break;
    default: From.Morph(&To, Kf); break;
  }
}

void FrameAndFill(TCanvas* Canvas, const TRect& R, TColor Frame, TColor Fill) {
  Canvas->GetBrush()->SetStyle(bsSolid);
  Canvas->GetBrush()->SetColor(Frame);
  Canvas->FrameRect(R);
  Canvas->GetBrush()->SetColor(Fill);
  Canvas->FillRect(Rect(R.Left + 1, R.Top + 1, R.Right - 1, R.Bottom - 1));
}

}  // namespace

TspSkinButton::TspSkinButton(TComponent* AOwner)
    : TspSkinCustomControl(AOwner), FGlyph(std::make_unique<TBitmap>()) {
  SetSkinDataName("button");
  SetBounds(GetLeft(), GetTop(), 75, 25);
  SetCanFocused(true);
}

TspSkinButton::~TspSkinButton() {
  FMorphTimer.reset();
  FRepeatTimer.reset();
  FAnimateTimer.reset();
}

// ---------------------------------------------------------------------------------------
// Properties

void TspSkinButton::SetImageList(TCustomImageList* Value) {
  ReplaceComponentReference(this, FImageList, Value);
}

void TspSkinButton::SetImageIndex(int Value) {
  if (FImageIndex == Value) return;
  FImageIndex = Value;
  Repaint();
}

void TspSkinButton::SetCanFocused(bool Value) {
  FCanFocused = Value;
  SetTabStop(Value);
}

void TspSkinButton::SetGroupIndex(int Value) {
  FGroupIndex = Value;
  if (Value != 0) SetCanFocused(false);
}

void TspSkinButton::SetGlyph(TBitmap* Value) {
  FGlyph->Assign(Value);
  Repaint();
}

void TspSkinButton::SetNumGlyphs(int Value) {
  FNumGlyphs = std::clamp(Value, 1, 4);
  Repaint();
}

void TspSkinButton::SetMargin(int Value) {
  if (Value < -1 || Value == FMargin) return;
  FMargin = Value;
  Repaint();
}

void TspSkinButton::SetSpacing(int Value) {
  FSpacing = Value;
  Repaint();
}

void TspSkinButton::SetLayout(TspButtonLayout Value) {
  if (FLayout == Value) return;
  FLayout = Value;
  Repaint();
}

void TspSkinButton::SetDefault(bool Value) {
  FDefault = Value;
  if (!HandleAllocated() || !FCanFocused) return;
  if (TCustomForm* form = GetParentForm(this))
    form->Perform(CM_FOCUSCHANGED, 0, reinterpret_cast<NativeInt>(form->GetActiveControl()));
}

void TspSkinButton::SetDown(bool Value) {
  FDown = Value;
  if (MorphingEnabled()) {
    FMorphFactor = 1;
    if (Value) {
      StopMorph();
    } else if (!FMorphTimer) {
      FMorphTimer = std::make_unique<TTimer>(nullptr);
      FMorphTimer->SetInterval(kMorphInterval);
      FMorphTimer->OnTimer = [this](TObject*) { MorphTick(); };
    }
  }
  Repaint();
  if (FGroupIndex == 0 || !Value || FAllowAllUp || !GetParent()) return;
  TWinControl* parent = GetParent();
  for (int i = 0; i < parent->GetControlCount(); ++i) {
    auto* other = dynamic_cast<TspSkinButton*>(parent->GetControl(i));
    if (other && other != this && other->FGroupIndex == FGroupIndex && other->FDown)
      other->SetDown(false);
  }
}

// ---------------------------------------------------------------------------------------
// Skin

bool TspSkinButton::EffectsEnabled() const {
  TspSkinData* data = GetSkinDataComponent();
  return data && !data->GetEmpty() && data->GetEnableSkinEffects();
}

bool TspSkinButton::MorphingEnabled() const { return FMorphing && EffectsEnabled(); }

void TspSkinButton::GetSkinData() {
  TspSkinCustomControl::GetSkinData();
  auto* record = dynamic_cast<TspDataSkinButtonControl*>(SkinRecord());
  if (!record) {
    FMorphing = false;
    FAnimateSkinRect = NullRect();
    FActiveSkinRect = FDownSkinRect = SkinRect;
    FDisabledSkinRect = FFocusedSkinRect = NullRect();
    FFrameCount = 0;
    FShowFocus = false;
    return;
  }
  if (!FUseSkinSize && record->MaskPictureIndex != -1) MaskPicture = nullptr;
  FFontName = record->FontName;
  FFontStyle = record->FontStyle;
  FFontHeight = record->FontHeight;
  FFontColor = record->FontColor;
  FActiveFontColor = record->ActiveFontColor;
  FDownFontColor = record->DownFontColor;
  FDisabledFontColor = record->DisabledFontColor;
  if (FDisabledFontColor == FFontColor) FDisabledFontColor = TColor(0x808080);
  FActiveSkinRect = IsNullRect(record->ActiveSkinRect) ? SkinRect : record->ActiveSkinRect;
  FDownSkinRect = IsNullRect(record->DownSkinRect) ? FActiveSkinRect : record->DownSkinRect;
  FMorphing = record->Morphing;
  FMorphKind = record->MorphKind;
  FDisabledSkinRect = record->DisabledSkinRect;
  FFocusedSkinRect = record->FocusedSkinRect;
  FAnimateSkinRect = record->AnimateSkinRect;
  FFrameCount = record->FrameCount;
  FFrameInterval = record->AnimateInterval;
  FShowFocus = record->ShowFocus;
  if (EffectsEnabled() && FAnimateTimer && FAnimateFrame > 0 && FAnimateFrame <= FFrameCount) {
    const TRect frame = AnimationFrame(FAnimateSkinRect, SkinRect, FFrameCount, FAnimateFrame);
    if (FAnimateForward)
      FActiveSkinRect = frame;
    else
      SkinRect = frame;
  }
}

void TspSkinButton::CalcSize(int& W, int& H) {
  if (FUseSkinSize || SkinImageKind == kSkinImageNineParts || !HasRecord()) {
    TspSkinCustomControl::CalcSize(W, H);
    return;
  }
  NewClRect = ClRect;
  NewClRect.Right += W - RectWidth(SkinRect);
  NewClRect.Bottom += H - RectHeight(SkinRect);
}

void TspSkinButton::ChangeSkinData() {
  StopAnimation();
  StopMorph();
  TspSkinCustomControl::ChangeSkinData();
  if (MorphingEnabled() && HasRecord() && (IsFocusedButton() || FHot)) FMorphFactor = 1;
}

void TspSkinButton::Notification(TComponent* AComponent, TOperation Operation) {
  TspSkinCustomControl::Notification(AComponent, Operation);
  if (Operation == opRemove && AComponent == FImageList) FImageList = nullptr;
}

void TspSkinButton::CreateWnd() {
  TspSkinCustomControl::CreateWnd();
  FActiveDefault = FDefault;
}

void TspSkinButton::ActionChange(TObject* Sender, bool CheckDefaults) {
  TspSkinCustomControl::ActionChange(Sender, CheckDefaults);
  auto* action = dynamic_cast<TCustomAction*>(Sender);
  if (!action || !FGlyph->GetEmpty()) return;
  TCustomImageList* images = action->GetImages();
  const int index = action->GetImageIndex();
  if (!images || index < 0 || index >= images->GetCount()) return;
  FGlyph->SetSize(images->GetWidth(), images->GetHeight());
  TCanvas* canvas = FGlyph->GetCanvas();
  canvas->GetBrush()->SetStyle(bsSolid);
  canvas->GetBrush()->SetColor(clFuchsia);
  canvas->FillRect(Rect(0, 0, images->GetWidth(), images->GetHeight()));
  images->Draw(canvas, 0, 0, index, true);
  Repaint();
}

// ---------------------------------------------------------------------------------------
// Painting

bool TspSkinButton::IsFocusedButton() { return FCanFocused && HandleAllocated() && Focused(); }

bool TspSkinButton::ShowsDown() {
  return FDown && (FGroupIndex != 0 || FHot || (IsFocusedButton() && !FPressed));
}

int TspSkinButton::GlyphNumber(bool ADown, bool AMouseIn) const {
  if (ADown && AMouseIn && FNumGlyphs > 2) return 3;
  if (AMouseIn && FNumGlyphs > 3) return 4;
  if (!GetEnabled() && FNumGlyphs > 1) return 2;
  return 1;
}

void TspSkinButton::DrawContent(TCanvas* Canvas, const TRect& R, bool Pressed, int GlyphNum) {
  Canvas->GetBrush()->SetStyle(bsClear);
  if (FImageList && FImageIndex >= 0 && FImageIndex < FImageList->GetCount())
    DrawImageAndText(Canvas, R, FMargin, FSpacing, FLayout, GetCaption(), FImageIndex, FImageList,
                     Pressed, GetEnabled(), false, 0);
  else
    DrawGlyphAndText(Canvas, R, FMargin, FSpacing, FLayout, GetCaption(), FGlyph.get(), FNumGlyphs,
                     GlyphNum, Pressed, false, 0);
}

void TspSkinButton::Paint() {
  GetSkinData();
  if (!HasRecord()) {
    TspSkinCustomControl::Paint();
    return;
  }
  const int w = GetWidth();
  const int h = GetHeight();
  if (w < 1 || h < 1) return;
  int cw = w, ch = h;
  CalcSize(cw, ch);
  TBitmap* image = PaintBitmapIn(FPaintBitmap, w, h);
  HDC dc = GetCanvas()->GetHandle();
  if (MorphingEnabled() && FMorphFactor != 0 && FMorphFactor != 1 && GetEnabled()) {
    CreateButtonImage(image, SkinRect, false, false);
    std::unique_ptr<TBitmap> active = NewPaintBitmap(w, h);
    CreateButtonImage(active.get(), FActiveSkinRect, false, true);
    TspEffectBmp from(image->GetHandle());
    TspEffectBmp to(active->GetHandle());
    MorphByKind(from, to, FMorphKind, FMorphFactor);
    if (GetAlphaBlend()) {
      std::unique_ptr<TBitmap> back = NewPaintBitmap(w, h);
      GetParentImage(this, back->GetCanvas());
      TspEffectBmp behind(back->GetHandle());
      from.Morph(&behind, 1.0 - GetAlphaBlendValue() / 255.0);
    }
    from.Draw(dc, 0, 0);
    return;
  }
  TRect source = SkinRect;
  bool down = false, in = false;
  if (!GetEnabled() && !IsNullRect(FDisabledSkinRect)) {
    source = FDisabledSkinRect;
  } else if (ShowsDown()) {
    source = FDownSkinRect;
    down = in = true;
  } else if (IsFocusedButton() && !IsNullRect(FFocusedSkinRect) && !FAnimateTimer) {
    source = FFocusedSkinRect;
    in = true;
  } else if (IsFocusedButton() || FHot || (MorphingEnabled() && FMorphFactor == 1)) {
    source = FActiveSkinRect;
    in = true;
  }
  CreateButtonImage(image, source, down, in);
  if (GetAlphaBlend())
    DrawBlendedWithParent(this, dc, image, GetAlphaBlendValue());
  else
    CopyBitmapTo(dc, 0, 0, image);
}

void TspSkinButton::CreateButtonImage(TBitmap* B, const TRect& R, bool ADown, bool AMouseIn) {
  TRect text;
  if (FUseSkinSize || SkinImageKind == kSkinImageNineParts) {
    CreateSkinImageFromRect(B, Picture, R);
    text = NewClRect;
  } else {
    const int bw = B->GetWidth();
    const int bh = B->GetHeight();
    if (PieceInPicture(Picture, R)) {
      if (SkinImageKind == kSkinImageFixed) {
        HDC dc = B->GetCanvas()->GetHandle();
        SetStretchBltMode(dc, COLORONCOLOR);
        StretchBlt(dc, 0, 0, bw, bh, Picture->GetCanvas()->GetHandle(), R.Left, R.Top,
                   RectWidth(R), RectHeight(R), SRCCOPY);
      } else if (SkinImageKind == kSkinImageHorz || SkinImageKind == kSkinImageVert) {
        CreateStretchSkinImage(B, Picture, R, ClRect, true);
      }
    }
    text = ClRect;
    text.Right += bw - RectWidth(R);
    text.Bottom += bh - RectHeight(R);
  }
  TCanvas* canvas = B->GetCanvas();
  TFont* font = canvas->GetFont();
  if (GetUseSkinFont()) {
    font->SetName(FFontName);
    font->SetHeight(FFontHeight);
    font->SetStyle(FFontStyle);
  } else {
    font->Assign(GetDefaultFont());
  }
  ApplySkinCharset(font);
  if (!GetEnabled() || FUseSkinFontColor) {
    if (!GetEnabled())
      font->SetColor(FDisabledFontColor);
    else if (ADown && AMouseIn)
      font->SetColor(FDownFontColor);
    else if (AMouseIn)
      font->SetColor(FActiveFontColor);
    else
      font->SetColor(FFontColor);
  } else {
    font->SetColor(GetDefaultFont()->GetColor());
  }
  if (FShowFocus && IsFocusedButton()) {
    canvas->GetBrush()->SetStyle(bsSolid);
    canvas->GetBrush()->SetColor(GetSkinDataComponent()->SkinColors->cBtnFace);
    canvas->DrawFocusRect(text);
    canvas->GetBrush()->SetStyle(bsClear);
  }
  bool drawDefault = true;
  if (OnPaint) OnPaint(this, canvas, text, ADown, AMouseIn, drawDefault);
  if (!drawDefault) return;
  DrawContent(canvas, text, ADown && AMouseIn, GlyphNumber(ADown, AMouseIn));
}

void TspSkinButton::CreateControlDefaultImage(TBitmap* B) {
  TCanvas* canvas = B->GetCanvas();
  const TRect r(0, 0, GetWidth(), GetHeight());
  canvas->GetBrush()->SetStyle(bsSolid);
  canvas->GetBrush()->SetColor(clBtnFace);
  canvas->FillRect(r);
  canvas->GetFont()->Assign(GetDefaultFont());
  ApplySkinCharset(canvas->GetFont());
  if (!GetEnabled()) canvas->GetFont()->SetColor(clBtnShadow);
  const bool downLook = ShowsDown();
  if (downLook)
    FrameAndFill(canvas, r, clNavy, kDownFill);
  else if (FHot || IsFocusedButton())
    FrameAndFill(canvas, r, clNavy, kHotFill);
  else
    FrameAndFill(canvas, r, clBtnShadow, clBtnFace);
  bool drawDefault = true;
  if (OnPaint) OnPaint(this, canvas, r, FDown, FHot, drawDefault);
  if (!drawDefault) return;
  const bool imageShown = FImageList && FImageIndex >= 0 && FImageIndex < FImageList->GetCount();
  DrawContent(canvas, r, imageShown ? FDown && FHot : downLook, GlyphNumber(FDown, FHot));
}

// ---------------------------------------------------------------------------------------
// The fade, the frame animation and the repeated clicks

void TspSkinButton::UpdateHotLook() {
  if (MorphingEnabled() && HasRecord()) {
    if (!FMorphTimer) {
      FMorphTimer = std::make_unique<TTimer>(nullptr);
      FMorphTimer->SetInterval(kMorphInterval);
      FMorphTimer->OnTimer = [this](TObject*) { MorphTick(); };
    }
    return;
  }
  Repaint();
}

void TspSkinButton::StopMorph() {
  // The timer may be running this very handler: the framework lets a timer go inside its
  // own OnTimer, and nothing here touches it afterwards.
  FMorphTimer.reset();
}

void TspSkinButton::MorphTick() {
  const bool lit = FHot || IsFocusedButton();
  if (!HasRecord() || !MorphingEnabled()) {
    FMorphFactor = lit ? 1 : 0;
    StopMorph();
    return;
  }
  if (lit && FMorphFactor < 1) {
    FMorphFactor += kMorphStep;
    Repaint();
  } else if (!lit && FMorphFactor > 0) {
    FMorphFactor -= kMorphStep;
    Repaint();
  } else {
    FMorphFactor = lit ? 1 : 0;
    StopMorph();
    Repaint();
  }
}

bool TspSkinButton::CanAnimate() {
  GetSkinData();
  return HasRecord() && EffectsEnabled() && !IsNullRect(FAnimateSkinRect) && FFrameCount > 0;
}

void TspSkinButton::StartAnimation(bool Forward) {
  if (!CanAnimate()) return;
  StopAnimation();
  FAnimateForward = Forward;
  FAnimateFrame = Forward ? 1 : FFrameCount;
  FAnimateTimer = std::make_unique<TTimer>(nullptr);
  FAnimateTimer->SetInterval(static_cast<unsigned>(FFrameInterval > 0 ? FFrameInterval : 25));
  FAnimateTimer->OnTimer = [this](TObject*) { AnimationTick(); };
}

void TspSkinButton::StopAnimation() {
  FAnimateFrame = 0;
  FAnimateTimer.reset();
}

void TspSkinButton::AnimationTick() {
  if (FAnimateForward) {
    if (FAnimateFrame <= FFrameCount) {
      ++FAnimateFrame;
      Repaint();
    }
    if (FAnimateFrame > FFrameCount) StopAnimation();
  } else {
    if (FAnimateFrame >= 0) {
      --FAnimateFrame;
      Repaint();
    }
    if (FAnimateFrame <= 0) StopAnimation();
  }
}

void TspSkinButton::StartRepeat() {
  StopRepeat();
  FRepeatTimer = std::make_unique<TTimer>(nullptr);
  FRepeatTimer->SetInterval(kRepeatDelay);
  FRepeatTimer->OnTimer = [this](TObject*) {
    // The first click comes after the delay, the next ones every RepeatInterval.
    if (FRepeatTimer->GetInterval() == kRepeatDelay)
      FRepeatTimer->SetInterval(static_cast<unsigned>(std::max(FRepeatInterval, 1)));
    ButtonClick();
  };
}

void TspSkinButton::StopRepeat() { FRepeatTimer.reset(); }

// ---------------------------------------------------------------------------------------
// Mouse, keys and focus

void TspSkinButton::ButtonClick() {
  if (FCanFocused)
    if (TCustomForm* form = GetParentForm(this)) form->SetModalResult(FModalResult);
  TControl::Click();
}

void TspSkinButton::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) {
  TspSkinCustomControl::MouseDown(Button, Shift, X, Y);
  if (Button != mbLeft) return;
  StopAnimation();
  FPressed = true;
  if (!FDown) {
    FHot = true;
    SetDown(true);
    if (FRepeatMode && FGroupIndex == 0)
      StartRepeat();
    else if (FGroupIndex != 0)
      ButtonClick();
    FWasDown = false;
  } else if (FGroupIndex != 0) {
    FWasDown = true;
  }
}

void TspSkinButton::MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) {
  if (Button == mbLeft) {
    FPressed = false;
    // Released over the button (the pointer may have left it while it was held).
    const bool over = PtInRect(GetClientRect(), Point(X, Y));
    if (FGroupIndex == 0) {
      if (over) {
        const bool wasDown = FDown;
        SetDown(false);
        StopRepeat();
        if (wasDown) ButtonClick();
      } else {
        FDown = false;
        StopRepeat();
      }
    } else if (FDown && FAllowAllUp && FWasDown && over) {
      SetDown(false);
      ButtonClick();
    }
  }
  if (HandleAllocated() && GetVisible()) TspSkinCustomControl::MouseUp(Button, Shift, X, Y);
}

bool TspSkinButton::LookFollowsHot() {
  if (FGroupIndex != 0) return !FDown;
  return !IsFocusedButton() || FDown;
}

void TspSkinButton::MouseEnter() {
  FHot = true;
  if (LookFollowsHot()) {
    if (FDown) {
      if (MorphingEnabled()) FMorphFactor = 1;
      Repaint();
    } else {
      StartAnimation(true);
      UpdateHotLook();
    }
  }
  if (FDown && FRepeatMode && FGroupIndex == 0) StartRepeat();
}

void TspSkinButton::MouseLeave() {
  // The highlighted default button stays lit while Return would press it.
  if (!(FCanFocused && FDefault && FActiveDefault && !IsFocusedButton())) FHot = false;
  if (LookFollowsHot()) {
    StartAnimation(false);
    UpdateHotLook();
  }
  if (FDown && FRepeatMode && FRepeatTimer && FGroupIndex == 0) StopRepeat();
}

void TspSkinButton::FocusChanged(TWinControl* Focused) {
  auto* button = dynamic_cast<TspSkinButton*>(Focused);
  FActiveDefault = button ? button == this : FDefault;
  if (!FDefault || !FCanFocused) return;
  if (button) {
    if (button != this) {
      FHot = false;
      UpdateHotLook();
    }
  } else {
    FHot = true;
    if (MorphingEnabled()) FMorphFactor = 1;
    Repaint();
  }
}

void TspSkinButton::DialogKey(TMessage& Message) {
  const TShiftState shift = KeyDataToShiftState(static_cast<int32_t>(Message.LParam));
  if (Message.WParam == VK_RETURN && FActiveDefault && GetEnabled()) {
    ButtonClick();
    Message.Result = 1;
    return;
  }
  if (Message.WParam == VK_ESCAPE && FCancel && FCanFocused && !shift.Contains(ssShift) &&
      !shift.Contains(ssCtrl) && !shift.Contains(ssAlt) && CanFocus()) {
    ButtonClick();
    Message.Result = 1;
    return;
  }
  TspSkinCustomControl::Dispatch(Message);
}

void TspSkinButton::Dispatch(TMessage& Message) {
  switch (Message.Msg) {
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
      if (FCanFocused && HandleAllocated() && !Focused()) {
        FFocusing = true;
        ::SetFocus(GetHandle());
        FFocusing = false;
        if (!Focused()) return;  // the focus stayed elsewhere: the press is swallowed
      }
      TspSkinCustomControl::Dispatch(Message);
      return;
    case CN_COMMAND:
      if (FFocusing) return;
      TspSkinCustomControl::Dispatch(Message);
      return;
    case WM_KEYDOWN:
      if (FCanFocused) {
        if (Message.WParam == VK_SPACE) {
          SetDown(true);
          if (FRepeatMode) ButtonClick();
        } else if (Message.WParam == VK_RETURN) {
          ButtonClick();
        }
      }
      TspSkinCustomControl::Dispatch(Message);
      return;
    case WM_KEYUP:
      if (FCanFocused && Message.WParam == VK_SPACE) {
        SetDown(false);
        ButtonClick();
      }
      TspSkinCustomControl::Dispatch(Message);
      return;
    case CM_MOUSEENTER:
      TspSkinCustomControl::Dispatch(Message);  // OnMouseEnter
      MouseEnter();
      return;
    case CM_MOUSELEAVE:
      TspSkinCustomControl::Dispatch(Message);  // OnMouseLeave
      MouseLeave();
      return;
    case CM_TEXTCHANGED:
      TspSkinCustomControl::Dispatch(Message);
      if (HasRecord() || GetDrawDefault()) Repaint();
      return;
    case CM_FOCUSCHANGED:
      FocusChanged(reinterpret_cast<TWinControl*>(Message.LParam));
      TspSkinCustomControl::Dispatch(Message);
      return;
    case CM_ENABLEDCHANGED:
      TspSkinCustomControl::Dispatch(Message);
      if (MorphingEnabled()) {
        StopMorph();
        FMorphFactor = 0;
      }
      FHot = false;
      Repaint();
      return;
    case CM_DIALOGKEY:
      DialogKey(Message);
      return;
    case CM_DIALOGCHAR:
      if (IsAccel(static_cast<uint16_t>(Message.WParam), GetCaption()) && CanFocus() &&
          FCanFocused) {
        SetFocus();
        ButtonClick();
        Message.Result = 1;
        return;
      }
      TspSkinCustomControl::Dispatch(Message);
      return;
    case WM_SETFOCUS:
      TspSkinCustomControl::Dispatch(Message);
      if (FCanFocused) {
        StartAnimation(true);
        UpdateHotLook();
      }
      return;
    case WM_KILLFOCUS:
      if (FRepeatMode) StopRepeat();
      if (FGroupIndex == 0 && FDown) FDown = false;
      TspSkinCustomControl::Dispatch(Message);
      if (FCanFocused) {
        StartAnimation(false);
        UpdateHotLook();
      }
      return;
    case WM_ERASEBKGND:
      // Outside WM_PAINT (a copy of the control) the button paints itself into the context.
      if (!GetInPaint() && Message.WParam)
        static_cast<TControlCanvas*>(GetCanvas())
            ->PaintOn(reinterpret_cast<HDC>(Message.WParam), [this] { Paint(); });
      Message.Result = 1;
      return;
    default:
      TspSkinCustomControl::Dispatch(Message);
  }
}
