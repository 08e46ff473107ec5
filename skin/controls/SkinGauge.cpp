#include "skin/controls/SkinGauge.h"

#include <algorithm>
#include <cmath>

#include "framework/Scopes.h"
#include "framework/SysUtils.h"
#include "skin/data/EffectBmp.h"
#include "skin/data/SPUtils.h"
#include "skin/data/SkinDraw.h"

namespace {

double Fraction(int Value, int Min, int Max) {
  if (Max == Min) return 0.0;
  return double(Value - Min) / double(Max - Min);
}

}  // namespace

TspSkinGauge::TspSkinGauge(TComponent* AOwner) : TspSkinCustomControl(AOwner) {
  SetBounds(GetLeft(), GetTop(), 100, 20);
  SetSkinDataName("gauge");
}

TspSkinGauge::~TspSkinGauge() {
  if (FPauseTimer) FPauseTimer->OnTimer = nullptr;
  if (FFrameTimer) FFrameTimer->OnTimer = nullptr;
}

void TspSkinGauge::Dispatch(TMessage& Message) {
  if (Message.Msg == WM_ERASEBKGND) {
    // Outside WM_PAINT (a copy of the control) the whole control goes into the context.
    if (!GetInPaint() && Message.WParam)
      static_cast<TControlCanvas*>(GetCanvas())->PaintOn(reinterpret_cast<HDC>(Message.WParam),
                                                          [this] { Paint(); });
    Message.Result = 1;
    return;
  }
  TspSkinCustomControl::Dispatch(Message);
}

void TspSkinGauge::GetSkinData() {
  TspSkinCustomControl::GetSkinData();
  auto* record = dynamic_cast<TspDataSkinGaugeControl*>(SkinRecord());
  if (!record) return;
  FProgressRect = record->ProgressRect;
  FProgressArea = record->ProgressArea;
  FBeginOffset = record->BeginOffset;
  FEndOffset = record->EndOffset;
  FFontName = record->FontName;
  FFontStyle = record->FontStyle;
  FFontHeight = record->FontHeight;
  FFontColor = record->FontColor;
  FProgressTransparent = record->ProgressTransparent;
  FProgressTransparentColor = record->ProgressTransparentColor;
  FProgressStretch = record->ProgressStretch;
  FAnimationRect = record->ProgressAnimationSkinRect;
  FAnimationFrames = record->ProgressAnimationCountFrames;
  FAnimationInterval = record->ProgressAnimationTimerInterval;
  FVertical = record->Vertical;
  if (!FUseSkinSize) MaskPicture = nullptr;
}

void TspSkinGauge::CalcSize(int& W, int& H) {
  const int askedW = W;
  const int askedH = H;
  TspSkinCustomControl::CalcSize(W, H);
  FProgressAreaNow = FProgressArea;
  if (HasRecord() && SkinImageKind > kSkinImageFixed) {
    if (FVertical)
      FProgressAreaNow.Bottom += H - RectHeight(SkinRect);
    else
      FProgressAreaNow.Right += W - RectWidth(SkinRect);
  }
  if (!FUseSkinSize) {
    W = askedW;
    H = askedH;
  }
}

void TspSkinGauge::ChangeSkinData() {
  const bool running = FFrameTimer != nullptr;
  if (running) StopProgressAnimation();
  TspSkinCustomControl::ChangeSkinData();
  if (running) StartProgressAnimation();
}

// ---------------------------------------------------------------------------------------
// Properties

void TspSkinGauge::SetTextAlphaBlend(bool Value) {
  FTextAlphaBlend = Value;
  if (HasRecord() && TextShown()) Repaint();
}

void TspSkinGauge::SetTextAlphaBlendValue(uint8_t Value) {
  FTextAlphaBlendValue = Value;
  if (HasRecord() && FTextAlphaBlend && TextShown()) Repaint();
}

void TspSkinGauge::SetProgressText(const AnsiString& Value) {
  FProgressText = Value;
  Repaint();
}

void TspSkinGauge::SetShowProgressText(bool Value) {
  FShowProgressText = Value;
  Repaint();
}

void TspSkinGauge::SetShowPercent(bool Value) {
  FShowPercent = Value;
  Repaint();
}

void TspSkinGauge::SetMinValue(int Value) {
  FMinValue = Value;
  if (FValue < FMinValue) FValue = FMinValue;
  Repaint();
}

void TspSkinGauge::SetMaxValue(int Value) {
  FMaxValue = Value;
  if (FValue > FMaxValue) FValue = FMaxValue;
  Repaint();
}

void TspSkinGauge::SetValue(int Value) {
  Value = std::max(Value, FMinValue);
  Value = std::min(Value, FMaxValue);
  if (Value == FValue) return;
  FValue = Value;
  Invalidate();
}

void TspSkinGauge::SetVertical(bool Value) {
  FVertical = Value;
  Repaint();
}

// ---------------------------------------------------------------------------------------
// Animation

void TspSkinGauge::StartProgressAnimation() {
  GetSkinData();
  if (!HasRecord() || IsNullRect(FAnimationRect)) return;
  ReleaseTimers();
  FPauseTimer = std::make_unique<TTimer>(nullptr);
  FPauseTimer->SetInterval(static_cast<unsigned>(FProgressAnimationPause));
  FPauseTimer->OnTimer = [this](TObject*) {
    TDepthScope inTimer(FInTimer);
    StartRun();
  };
  FFrameTimer = std::make_unique<TTimer>(nullptr);
  FFrameTimer->SetInterval(static_cast<unsigned>(std::max(FAnimationInterval, 1)));
  FFrameTimer->OnTimer = [this](TObject*) {
    TDepthScope inTimer(FInTimer);
    FrameTick();
  };
  StartRun();
}

void TspSkinGauge::StopProgressAnimation() {
  FFrame = 0;
  if (!FFrameTimer) return;
  ReleaseTimers();
}

void TspSkinGauge::ReleaseTimers() {
  for (auto* timer : {&FPauseTimer, &FFrameTimer}) {
    if (!*timer) continue;
    (*timer)->SetEnabled(false);
    (*timer)->OnTimer = nullptr;
    // A timer is never freed inside its own handler: it goes once the handler returns.
    if (FInTimer > 0)
      FReleased.push_back(std::move(*timer));
    else
      timer->reset();
  }
  if (FInTimer == 0) FReleased.clear();
}

void TspSkinGauge::StartRun() {
  if (!FFrameTimer) return;
  FPauseTimer->SetEnabled(false);
  FFrame = 0;
  FFrameTimer->SetEnabled(true);
  Repaint();
}

void TspSkinGauge::EndRun() {
  if (!FFrameTimer) return;
  FPauseTimer->SetEnabled(true);
  FFrameTimer->SetEnabled(false);
  FFrame = 0;
  Repaint();
}

void TspSkinGauge::FrameTick() {
  ++FFrame;
  if (FFrame > FAnimationFrames) EndRun();
  Repaint();
}

// ---------------------------------------------------------------------------------------
// Painting

TRect TspSkinGauge::CalcProgressRect(const TRect& Area) const {
  const double x = Fraction(FValue, FMinValue, FMaxValue);
  if (!FVertical)
    return Rect(Area.Left, Area.Top, Area.Left + int(std::trunc(x * RectWidth(Area))), Area.Bottom);
  return Rect(Area.Left, Area.Bottom - int(std::trunc(x * RectHeight(Area))), Area.Right,
              Area.Bottom);
}

AnsiString TspSkinGauge::GaugeText() const {
  AnsiString text;
  if (FShowProgressText) text = FProgressText;
  if (FShowPercent)
    text += IntToStr(int(std::trunc(Fraction(FValue, FMinValue, FMaxValue) * 100))) + "%";
  return text;
}

void TspSkinGauge::DrawGaugeText(TCanvas* Canvas) {
  const AnsiString text = GaugeText();
  if (text.empty()) return;
  TFont* font = Canvas->GetFont();
  if (!HasRecord()) {
    font->Assign(GetDefaultFont());
  } else {
    if (GetUseSkinFont()) {
      font->SetName(FFontName);
      font->SetHeight(FFontHeight);
      font->SetStyle(FFontStyle);
    } else {
      font->Assign(GetDefaultFont());
    }
    font->SetColor(FFontColor);
  }
  ApplySkinCharset(font);
  Canvas->GetBrush()->SetStyle(bsClear);
  const TSize extent = Canvas->TextExtent(text);
  const int w = GetWidth();
  const int h = GetHeight();
  if (!FVertical) {
    Canvas->TextOut(w / 2 - extent.cx / 2, h / 2 - extent.cy / 2, text);
    return;
  }
  // Upwards: the same font turned by 90 degrees.
  LOGFONTA lf = {};
  GetObjectA(font->GetHandle(), sizeof(lf), &lf);
  lf.lfEscapement = lf.lfOrientation = 900;
  HFONT turned = CreateFontIndirectA(&lf);
  HDC dc = Canvas->GetHandle();
  HGDIOBJ old = SelectObject(dc, turned);
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, ColorToRGB(font->GetColor()));
  TextOutA(dc, w / 2 - extent.cy / 2, extent.cx / 2 + h / 2, text.c_str(), int(text.size()));
  SelectObject(dc, old);
  DeleteObject(turned);
}

void TspSkinGauge::CreateControlDefaultImage(TBitmap* B) {
  TCanvas* canvas = B->GetCanvas();
  const TRect all(0, 0, GetWidth(), GetHeight());
  canvas->GetBrush()->SetStyle(bsSolid);
  canvas->GetBrush()->SetColor(clWindow);
  canvas->FillRect(all);
  canvas->GetBrush()->SetColor(clBtnShadow);
  canvas->FrameRect(all);
  const TRect area(1, 1, GetWidth() - 1, GetHeight() - 1);
  FProgressAreaNow = area;
  const TRect p = CalcProgressRect(area);
  if (OnGaugePaint) {
    OnGaugePaint(this, canvas, area, p);
    return;
  }
  if (!IsNullRect(p)) {
    canvas->GetBrush()->SetStyle(bsSolid);
    canvas->GetBrush()->SetColor(TColor(0xD2BDB6));
    canvas->FillRect(p);
  }
  DrawGaugeText(canvas);
}

void TspSkinGauge::CreateControlSkinImage(TBitmap* B) {
  int w = GetWidth();
  int h = GetHeight();
  CalcSize(w, h);
  TspSkinCustomControl::CreateControlSkinImage(B);
  // A progress area reaching outside the control (only a broken skin has one) is cut to it.
  TRect area;
  if (!IntersectRect(area, FProgressAreaNow, Rect(0, 0, B->GetWidth(), B->GetHeight())))
    area = NullRect();
  if (area != FProgressAreaNow && !IsNullRect(area)) FProgressAreaNow = area;
  const TRect p = CalcProgressRect(FProgressAreaNow);
  if (OnGaugePaint) {
    OnGaugePaint(this, B->GetCanvas(), FProgressAreaNow, p);
    return;
  }
  if (RectWidth(p) > 0 && RectHeight(p) > 0 && !DrawFilledPart(B, p)) return;
  if (!FUseSkinSize) return;
  if (!FTextAlphaBlend || !TextShown()) {
    DrawGaugeText(B->GetCanvas());
    return;
  }
  TspEffectBmp plain(B->GetHandle());
  DrawGaugeText(B->GetCanvas());
  TspEffectBmp withText(B->GetHandle());
  withText.Morph(&plain, 1.0 - FTextAlphaBlendValue / 255.0);
  withText.Draw(B->GetCanvas()->GetHandle(), 0, 0);
}

bool TspSkinGauge::DrawFilledPart(TBitmap* B, const TRect& P) {
  if (!PieceInPicture(Picture, FProgressRect)) return true;
  const int pw = RectWidth(P);
  const int ph = RectHeight(P);
  const bool animating = FFrameTimer && FFrameTimer->GetEnabled() && FFrame > 0 &&
                         FAnimationFrames > 0 && PieceInPicture(Picture, FAnimationRect);
  // The filled part depends on its size, the frame shown and the record's values only.
  TImageKey key = ImageKey(Picture, FProgressRect, pw, ph, kFilledPartImage);
  key.Cl = Rect(FBeginOffset, FEndOffset, FProgressStretch, FVertical);
  key.NewCl = Rect(animating ? FFrame : 0, FAnimationFrames, 0, 0);
  key.NewLT = FAnimationRect.TopLeft();
  key.NewRB = FAnimationRect.BottomRight();
  TBitmap* part = FindSkinImage(key);
  if (!part) {
    part = PaintBitmapIn(FPartBitmap, pw, ph);
    // A source without length ends the drawing: no caps, no text.
    if (!ComposeFilledPart(part, animating)) return false;
    part = KeepSkinImage(key, part);
    if (!part) return true;
  }
  if (FProgressTransparent)
    TransparentBlt(B->GetCanvas()->GetHandle(), P.Left, P.Top, pw, ph, part->GetCanvas()->GetHandle(),
                   0, 0, pw, ph, ColorToRGB(FProgressTransparentColor));
  else
    CopyBitmapTo(B->GetCanvas()->GetHandle(), P.Left, P.Top, part);
  return true;
}

bool TspSkinGauge::ComposeFilledPart(TBitmap* Part, bool Animating) {
  const int pw = Part->GetWidth();
  const int ph = Part->GetHeight();
  HDC dc = Part->GetCanvas()->GetHandle();
  HDC pic = Picture->GetCanvas()->GetHandle();
  SetStretchBltMode(dc, COLORONCOLOR);
  const int b = std::max(FBeginOffset, 0);
  const int e = std::max(FEndOffset, 0);
  const int length = FVertical ? ph : pw;
  const TRect pr = FProgressRect;
  if (length - b - e > 0) {
    const TRect middle = FVertical ? Rect(0, b, pw, ph - e) : Rect(b, 0, pw - e, ph);
    TRect source = pr;
    const bool animating = Animating;
    if (animating) {
      if (RectWidth(FAnimationRect) > RectWidth(pr)) {
        const int len = RectWidth(FAnimationRect) / FAnimationFrames;
        source = Rect(FAnimationRect.Left + (FFrame - 1) * len, FAnimationRect.Top,
                      FAnimationRect.Left + FFrame * len, FAnimationRect.Bottom);
      } else {
        const int len = RectHeight(FAnimationRect) / FAnimationFrames;
        source = Rect(FAnimationRect.Left, FAnimationRect.Top + (FFrame - 1) * len,
                      FAnimationRect.Right, FAnimationRect.Top + FFrame * len);
      }
    }
    source = FVertical ? Rect(source.Left, source.Top + b, source.Right, source.Bottom - e)
                       : Rect(source.Left + b, source.Top, source.Right - e, source.Bottom);
    const int sourceLength = FVertical ? RectHeight(source) : RectWidth(source);
    if (sourceLength <= 0 || IsNullRect(source)) return false;
    if (FProgressStretch || animating) {
      StretchBlt(dc, middle.Left, middle.Top, RectWidth(middle), RectHeight(middle), pic,
                 source.Left, source.Top, RectWidth(source), RectHeight(source), SRCCOPY);
    } else {
      TSavedDC saved(dc);
      IntersectClipRect(dc, middle.Left, middle.Top, middle.Right, middle.Bottom);
      const int copies = (FVertical ? RectHeight(middle) : RectWidth(middle)) / sourceLength;
      for (int k = 0; k <= copies; ++k) {
        if (FVertical)
          StretchBlt(dc, middle.Left, middle.Bottom - (k + 1) * sourceLength, RectWidth(middle),
                     sourceLength, pic, source.Left, source.Top, RectWidth(source), sourceLength,
                     SRCCOPY);
        else
          StretchBlt(dc, middle.Left + k * sourceLength, middle.Top, sourceLength,
                     RectHeight(middle), pic, source.Left, source.Top, sourceLength,
                     RectHeight(source), SRCCOPY);
      }
    }
  }
  // The two caps always come from the progress picture.
  if (FVertical) {
    if (b > 0 && b <= RectHeight(pr))
      StretchBlt(dc, 0, 0, pw, std::min(b, ph), pic, pr.Left, pr.Top, RectWidth(pr),
                 std::min(b, ph), SRCCOPY);
    if (e > 0 && e <= RectHeight(pr))
      StretchBlt(dc, 0, ph - std::min(e, ph), pw, std::min(e, ph), pic, pr.Left,
                 pr.Bottom - std::min(e, ph), RectWidth(pr), std::min(e, ph), SRCCOPY);
  } else {
    if (b > 0 && b <= RectWidth(pr))
      StretchBlt(dc, 0, 0, std::min(b, pw), ph, pic, pr.Left, pr.Top, std::min(b, pw),
                 RectHeight(pr), SRCCOPY);
    if (e > 0 && e <= RectWidth(pr))
      StretchBlt(dc, pw - std::min(e, pw), 0, std::min(e, pw), ph, pic,
                 pr.Right - std::min(e, pw), pr.Top, std::min(e, pw), RectHeight(pr), SRCCOPY);
  }
  return true;
}

void TspSkinGauge::Paint() {
  GetSkinData();
  if (FUseSkinSize || !HasRecord()) {
    TspSkinCustomControl::Paint();
    return;
  }
  // Built at the skin's size and stretched; the text goes on the stretched picture.
  const int w = GetWidth();
  const int h = GetHeight();
  if (w <= 0 || h <= 0) return;
  std::unique_ptr<TBitmap> skin = NewPaintBitmap(w, h);
  CreateControlSkinImage(skin.get());
  std::unique_ptr<TBitmap> image = NewPaintBitmap(w, h);
  SetStretchBltMode(image->GetCanvas()->GetHandle(), COLORONCOLOR);
  StretchBlt(image->GetCanvas()->GetHandle(), 0, 0, w, h, skin->GetCanvas()->GetHandle(), 0, 0,
             skin->GetWidth(), skin->GetHeight(), SRCCOPY);
  DrawGaugeText(image->GetCanvas());
  HDC dc = GetCanvas()->GetHandle();
  if (GetAlphaBlend())
    DrawBlendedWithParent(this, dc, image.get(), GetAlphaBlendValue());
  else
    CopyBitmapTo(dc, 0, 0, image.get());
}
