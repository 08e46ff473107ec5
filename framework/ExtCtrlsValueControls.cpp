// The plain speed button, slider and spin edit.
#include <algorithm>
#include <cmath>

#include "framework/ExtCtrls.h"
#include "framework/Forms.h"
#include "framework/Menus.h"
#include "framework/SysUtils.h"
#include "framework/TypInfo.h"

namespace {

// A frame of one colour around a rectangle filled with another.
void FramedBox(TCanvas* Canvas, TRect Rect, TColor Frame, TColor Fill) {
  Frame3D(Canvas, Rect, Frame, Frame, 1);
  Canvas->GetBrush()->SetStyle(bsSolid);
  Canvas->GetBrush()->SetColor(Fill);
  Canvas->FillRect(Rect);
}

// A small filled triangle pointing up or down, centred in Rect.
void DrawArrow(TCanvas* Canvas, const TRect& Rect, bool Up, TColor Color) {
  const int cx = (Rect.Left + Rect.Right) / 2, cy = (Rect.Top + Rect.Bottom) / 2;
  Canvas->GetPen()->SetColor(Color);
  Canvas->GetBrush()->SetStyle(bsSolid);
  Canvas->GetBrush()->SetColor(Color);
  if (Up)
    Canvas->Polygon({TPoint(cx - 3, cy + 1), TPoint(cx + 3, cy + 1), TPoint(cx, cy - 2)});
  else
    Canvas->Polygon({TPoint(cx - 3, cy - 1), TPoint(cx + 3, cy - 1), TPoint(cx, cy + 2)});
}

constexpr TColor kPressedFrame = 0x800000;
constexpr TColor kPressedFill = 0xB59385;
constexpr TColor kHotFill = 0xD2BDB6;

}  // namespace

// ---------------------------------------------------------------------------------------
// TSpeedButton

TSpeedButton::TSpeedButton(TComponent* AOwner) : TGraphicControl(AOwner) {
  SetControlStyle(TControlStyle{csCaptureMouse, csOpaque, csDoubleClicks});
  SetBounds(GetLeft(), GetTop(), 25, 25);
}

void TSpeedButton::PublishProperties(TPropList& Props) const {
  TGraphicControl::PublishProperties(Props);
  Props.String("Caption", &TControl::GetCaption, &TControl::SetCaption, "TCaption");
  Props.String("Hint", &TControl::GetHint, &TControl::SetHint);
}

void TSpeedButton::SetDown(bool Value) {
  FDown = Value;
  Invalidate();
  if (FGroupIndex != 0 && Value && !FAllowAllUp && GetParent()) {
    TWinControl* parent = GetParent();
    for (int i = 0; i < parent->GetControlCount(); ++i) {
      auto* other = dynamic_cast<TSpeedButton*>(parent->GetControl(i));
      if (other && other != this && other->FGroupIndex == FGroupIndex && other->FDown) other->SetDown(false);
    }
  }
}

void TSpeedButton::SetFlat(bool Value) {
  if (FFlat == Value) return;
  FFlat = Value;
  Invalidate();
}

void TSpeedButton::SetImageList(TCustomImageList* Value) {
  if (ReplaceComponentReference(this, FImageList, Value)) Invalidate();
}

void TSpeedButton::SetImageIndex(int Value) {
  FImageIndex = Value;
  if (FImageList) Invalidate();
}

void TSpeedButton::SetShowCaption(bool Value) {
  if (FShowCaption == Value) return;
  FShowCaption = Value;
  Invalidate();
}

void TSpeedButton::Notification(TComponent* AComponent, TOperation Operation) {
  TGraphicControl::Notification(AComponent, Operation);
  if (Operation == opRemove && AComponent == FImageList) FImageList = nullptr;
}

void TSpeedButton::ButtonClick() { TGraphicControl::Click(); }

void TSpeedButton::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) {
  TGraphicControl::MouseDown(Button, Shift, X, Y);
  if (Button != mbLeft || !GetEnabled()) return;
  if (!FDown) {
    FHot = true;
    SetDown(true);
    if (FGroupIndex != 0) ButtonClick();
    FWasDown = false;
  } else if (FGroupIndex != 0) {
    FWasDown = true;
  }
}

void TSpeedButton::MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) {
  if (Button == mbLeft && GetEnabled()) {
    const bool over = PtInRect(GetClientRect(), TPoint(X, Y));
    if (FGroupIndex == 0) {
      if (over && FDown) {
        SetDown(false);
        ButtonClick();
      } else {
        FDown = false;
      }
    } else if (FWasDown && FAllowAllUp && over) {
      SetDown(false);
      ButtonClick();
    }
    FWasDown = false;
  }
  TGraphicControl::MouseUp(Button, Shift, X, Y);
}

void TSpeedButton::Paint() {
  TCanvas* canvas = GetCanvas();
  const bool downLook = FDown && (FGroupIndex != 0 || FHot);
  if (downLook)
    FramedBox(canvas, GetClientRect(), kPressedFrame, kPressedFill);
  else if (FHot && GetEnabled())
    FramedBox(canvas, GetClientRect(), kPressedFrame, kHotFill);
  else
    FramedBox(canvas, GetClientRect(), clBtnShadow, clBtnFace);
  const int shift = FDown && FHot ? 1 : 0;
  const bool hasImage = FImageList && FImageIndex >= 0 && FImageIndex < FImageList->GetCount();
  const AnsiString caption = FShowCaption ? GetCaption() : AnsiString();
  canvas->SetFont(GetFont());
  if (!GetEnabled()) canvas->GetFont()->SetColor(clBtnShadow);
  canvas->GetBrush()->SetStyle(bsClear);
  const TSize text = caption.empty() ? TSize() : canvas->TextExtent(StripHotkey(caption));
  const int imageH = hasImage ? FImageList->GetHeight() : 0;
  const int gap = hasImage && !caption.empty() ? 2 : 0;
  int y = (GetHeight() - imageH - gap - text.cy) / 2 + shift;
  if (hasImage) {
    FImageList->Draw(canvas, (GetWidth() - FImageList->GetWidth()) / 2 + shift, y, FImageIndex, GetEnabled());
    y += imageH + gap;
  }
  if (!caption.empty()) {
    RECT r = {shift, y, GetWidth() + shift, y + text.cy};
    DrawTextA(canvas->GetHandle(), caption.c_str(), -1, &r, DT_CENTER | DT_SINGLELINE);
  }
}

void TSpeedButton::Dispatch(TMessage& Message) {
  switch (Message.Msg) {
    case CM_MOUSEENTER:
    case CM_MOUSELEAVE:
      TGraphicControl::Dispatch(Message);
      FHot = Message.Msg == CM_MOUSEENTER;
      if (GetEnabled()) Invalidate();
      break;
    case CM_ENABLEDCHANGED:
      FHot = false;
      TGraphicControl::Dispatch(Message);
      break;
    case CM_TEXTCHANGED:
      Invalidate();
      break;
    case CM_DIALOGCHAR:
      if (IsAccel(static_cast<uint16_t>(Message.WParam), GetCaption()) && GetEnabled() && GetVisible() &&
          GetParent() && GetParent()->GetShowing()) {
        ButtonClick();
        Message.Result = 1;
        break;
      }
      TGraphicControl::Dispatch(Message);
      break;
    default:
      TGraphicControl::Dispatch(Message);
      break;
  }
}

// ---------------------------------------------------------------------------------------
// TSlider

namespace {
// The thumb and ruler of the plain slider: a thumb of 9 x 17 pixels (17 x 9 upright), a
// ruler 8 pixels thick, 6 pixels from every edge.
constexpr int kMargin = 6;
constexpr int kThumbLong = 17;
constexpr int kThumbShort = 9;
constexpr int kRuler = 8;
}  // namespace

TSlider::TSlider(TComponent* AOwner) : TCustomControl(AOwner) {
  SetControlStyle(TControlStyle{csCaptureMouse, csClickEvents, csOpaque, csDoubleClicks});
  SetBounds(GetLeft(), GetTop(), 150, 40);
  SetTabStop(true);
}

int TSlider::RulerLength() const {
  if (FOrientation == soHorizontal) return std::max(0, FWidth - 2 * kMargin) - kThumbShort;
  return std::max(0, FHeight - 2 * kMargin) - kThumbShort;
}

int TSlider::ValueToOffset(int Value) const {
  const double range = double(FMaxValue) - double(FMinValue);
  const double part = range > 0 ? (double(Value) - double(FMinValue)) / range : 0.0;
  int offset = static_cast<int>(Round(RulerLength() * part)) + kMargin;
  if (FOrientation == soVertical) offset = FHeight - offset - kThumbShort;
  return std::max(offset, kMargin);
}

int TSlider::OffsetToValue(int Offset) const {
  if (FOrientation == soVertical) Offset = FHeight - Offset - kThumbShort;
  const int length = RulerLength();
  const int v = length > 0 ? static_cast<int>(Round(double(Offset - kMargin) * (double(FMaxValue) - FMinValue) / length))
                           : 0;
  return std::min(std::max(v, 0) + FMinValue, FMaxValue);
}

TRect TSlider::ThumbRect() const {
  const int offset = ValueToOffset(FValue);
  if (FOrientation == soHorizontal) return Bounds(offset, kMargin, kThumbShort, kThumbLong);
  return Bounds(kMargin, offset, kThumbLong, kThumbShort);
}

void TSlider::SetValue(int Value) {
  Value = std::max(std::min(Value, FMaxValue), FMinValue);
  if (Value == FValue) return;
  FValue = Value;
  Invalidate();
  Change();
}

void TSlider::SetMinValue(int Value) {
  if (FMinValue == Value) return;
  FMinValue = Value;
  Invalidate();
  SetValue(FValue);
}

void TSlider::SetMaxValue(int Value) {
  if (FMaxValue == Value) return;
  FMaxValue = Value;
  Invalidate();
  SetValue(FValue);
}

void TSlider::SetIncrement(int Value) {
  if (Value <= 0 || Value == FIncrement) return;
  FIncrement = Value;
  SetValue(FValue);
  Invalidate();
}

void TSlider::SetOrientation(TSliderOrientation Value) {
  if (FOrientation == Value) return;
  FOrientation = Value;
  if (!GetComponentState().Contains(csLoading)) SetBounds(GetLeft(), GetTop(), GetHeight(), GetWidth());
  Invalidate();
}

void TSlider::Change() {
  if (OnChange) OnChange(this);
}

void TSlider::Changed() {
  if (OnChanged) OnChanged(this);
}

void TSlider::ChangeValue(int Kind) {
  int v = FValue;
  switch (Kind) {
    case 1: v = FMinValue; break;
    case 2: v = FMaxValue; break;
    case 3: v = static_cast<int>(Round(double(FValue) / FIncrement)) * FIncrement + FIncrement; break;
    case 4: v = static_cast<int>(Round(double(FValue) / FIncrement)) * FIncrement - FIncrement; break;
    default: return;
  }
  v = std::max(std::min(v, FMaxValue), FMinValue);
  if (v != FValue) SetValue(v);
}

int TSlider::JumpKind(int X, int Y) const {
  const TRect thumb = ThumbRect();
  if (FOrientation == soHorizontal) {
    if (X < thumb.Left) return 4;
    if (X > thumb.Right) return 3;
  } else {
    if (Y < thumb.Top) return 3;
    if (Y > thumb.Bottom) return 4;
  }
  return 0;
}

void TSlider::StopTracking() {
  if (!FRulerTracking) return;
  if (FTimer && HandleAllocated()) KillTimer(GetHandle(), 1);
  FTimer = false;
  FRulerTracking = false;
  Changed();
}

void TSlider::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) {
  TCustomControl::MouseDown(Button, Shift, X, Y);
  if (Button != mbLeft || Shift.Contains(ssDouble)) return;
  if (CanFocus()) SetFocus();
  const TRect thumb = ThumbRect();
  if (PtInRect(thumb, TPoint(X, Y))) {
    FThumbTracking = true;
    FHitOffset = FOrientation == soHorizontal ? X - thumb.Left : Y - thumb.Top;
    Invalidate();
    return;
  }
  TRect ruler = FOrientation == soHorizontal
                    ? TRect(kMargin, kMargin - 3, FWidth - kMargin, kMargin + kThumbLong + 3)
                    : TRect(kMargin - 3, kMargin, kMargin + kThumbLong + 3, FHeight - kMargin);
  if (!PtInRect(ruler, TPoint(X, Y))) return;
  FRulerTracking = true;
  FTrackPoint = TPoint(X, Y);
  FJumpKind = JumpKind(X, Y);
  if (FJumpKind == 0) return;
  ChangeValue(FJumpKind);
  FTimer = SetTimer(GetHandle(), 1, 400, nullptr) != 0;
}

void TSlider::MouseMove(TShiftState Shift, int X, int Y) {
  if (FThumbTracking && Shift.Contains(ssLeft)) {
    const int length = RulerLength();
    int offset = (FOrientation == soHorizontal ? X : Y) - FHitOffset;
    offset = std::min(std::max(offset, kMargin), length + kMargin);
    SetValue(OffsetToValue(offset));
  } else if (FRulerTracking) {
    FTrackPoint = TPoint(X, Y);
  }
  TCustomControl::MouseMove(Shift, X, Y);
}

void TSlider::MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) {
  StopTracking();
  if (FThumbTracking && Button == mbLeft) {
    FThumbTracking = false;
    Invalidate();
    Changed();
  }
  TCustomControl::MouseUp(Button, Shift, X, Y);
}

void TSlider::KeyDown(uint16_t& Key, TShiftState Shift) {
  int kind = 0;
  if (!Shift.Contains(ssShift) && !Shift.Contains(ssCtrl) && !Shift.Contains(ssAlt)) {
    if (Key == VK_HOME) kind = 1;
    if (Key == VK_END) kind = 2;
    if (FOrientation == soHorizontal) {
      if (Key == VK_LEFT) kind = 4;
      if (Key == VK_RIGHT) kind = 3;
    } else {
      if (Key == VK_UP) kind = 3;
      if (Key == VK_DOWN) kind = 4;
    }
  }
  if (kind) {
    Key = 0;
    ChangeValue(kind);
    Changed();
  }
  TCustomControl::KeyDown(Key, Shift);
}

void TSlider::Paint() {
  TCanvas* canvas = GetCanvas();
  canvas->GetBrush()->SetStyle(bsSolid);
  canvas->GetBrush()->SetColor(GetColor());
  canvas->FillRect(GetClientRect());
  const bool horizontal = FOrientation == soHorizontal;
  TRect ruler = horizontal ? Bounds(kMargin, kMargin + (kThumbLong - kRuler) / 2, std::max(0, FWidth - 2 * kMargin), kRuler)
                           : Bounds(kMargin + (kThumbLong - kRuler) / 2, kMargin, kRuler, std::max(0, FHeight - 2 * kMargin));
  TRect groove = InflateRect(ruler, horizontal ? 0 : -2, horizontal ? -2 : 0);
  Frame3D(canvas, groove, clBtnShadow, clBtnHighlight, 1);
  // Ticks: every Increment (or a multiple of it, so that they stay 4 pixels apart).
  canvas->GetPen()->SetColor(clWindowText);
  const int length = RulerLength();
  if (FMaxValue > FMinValue && length > 0) {
    int step = FIncrement, count = 1, spacing = length;
    for (int m = 1; m < 1000; ++m) {
      step = m * FIncrement;
      count = static_cast<int>(Round(double(FMaxValue - FMinValue) / step)) + 1;
      spacing = count > 1 ? length / (count - 1) : length;
      if (spacing >= 4 || spacing >= length) break;
    }
    for (int i = 1; i <= count; ++i) {
      const int value = i == count ? FMaxValue : FMinValue + (i - 1) * step;
      const int tick = value == FMinValue || value == FMaxValue ? 5 : 3;
      const int p = ValueToOffset(value);
      if (horizontal) {
        canvas->MoveTo(p + kThumbShort / 2, kMargin + kThumbLong + 1);
        canvas->LineTo(p + kThumbShort / 2, kMargin + kThumbLong + 1 + tick);
      } else {
        canvas->MoveTo(kMargin + kThumbLong + 1, p + kThumbShort / 2);
        canvas->LineTo(kMargin + kThumbLong + 1 + tick, p + kThumbShort / 2);
      }
    }
  }
  if (Focused()) canvas->DrawFocusRect(InflateRect(GetClientRect(), -2, -2));
  TRect thumb = ThumbRect();
  const bool pressed = FThumbTracking || !GetEnabled();
  canvas->GetBrush()->SetColor(pressed ? clBtnShadow : clBtnFace);
  canvas->FillRect(thumb);
  Frame3D(canvas, thumb, clBtnHighlight, cl3DDkShadow, 1);
}

void TSlider::Dispatch(TMessage& Message) {
  switch (Message.Msg) {
    case WM_GETDLGCODE:
      Message.Result = DLGC_WANTARROWS;
      break;
    case WM_TIMER:
      if (Message.WParam == 1) {
        if (FRulerTracking && JumpKind(FTrackPoint.X, FTrackPoint.Y) == FJumpKind) ChangeValue(FJumpKind);
        break;
      }
      TCustomControl::Dispatch(Message);
      break;
    case CM_FOCUSCHANGED:
    case CM_ENABLEDCHANGED:
      Invalidate();
      TCustomControl::Dispatch(Message);
      break;
    default:
      TCustomControl::Dispatch(Message);
      break;
  }
}

// ---------------------------------------------------------------------------------------
// TSpinEdit

TSpinInnerEdit::TSpinInnerEdit(TSpinEdit* AOwner) : TCustomEdit(AOwner), FSpin(AOwner) {
  SetBorderStyle(bsNone);
  SetAutoSize(false);
  SetAutoSelect(false);
}

void TSpinInnerEdit::KeyDown(uint16_t& Key, TShiftState Shift) {
  if (Key == VK_UP) {
    Key = 0;
    FSpin->UpClick();
    return;
  }
  if (Key == VK_DOWN) {
    Key = 0;
    FSpin->DownClick();
    return;
  }
  TCustomEdit::KeyDown(Key, Shift);
}

void TSpinInnerEdit::KeyPress(char& Key) {
  const unsigned char c = static_cast<unsigned char>(Key);
  const bool allowed = c < ' ' || (c >= '0' && c <= '9') || c == '-' ||
                       (FSpin->GetValueType() == vtFloat && Key == FormatSettings.DecimalSeparator);
  if (!allowed) {
    Key = 0;
    return;
  }
  TCustomEdit::KeyPress(Key);
}

void TSpinInnerEdit::Dispatch(TMessage& Message) {
  if (Message.Msg == WM_MOUSEWHEEL) {
    // A turn towards the user steps up, away from the user down.
    if (TWMMouseWheel(Message).GetWheelDelta() < 0)
      FSpin->UpClick();
    else
      FSpin->DownClick();
    Message.Result = 1;
    return;
  }
  if (Message.Msg == WM_GETDLGCODE) {
    TCustomEdit::Dispatch(Message);
    Message.Result |= DLGC_WANTARROWS;
    return;
  }
  TCustomEdit::Dispatch(Message);
}

TSpinEdit::TSpinEdit(TComponent* AOwner) : TCustomControl(AOwner) {
  SetControlStyle(TControlStyle{csAcceptsControls, csCaptureMouse, csOpaque, csDoubleClicks});
  FEdit = new TSpinInnerEdit(this);
  FEdit->SetParent(this);
  FEdit->SetColor(clWindow);
  FEdit->OnChange = [this](TObject* Sender) { EditChange(Sender); };
  FEdit->OnExit = [this](TObject* Sender) { EditExit(Sender); };
  FChanging = true;
  SetText("0");
  FChanging = false;
  SetBounds(GetLeft(), GetTop(), 120, 20);
  AdjustEditorPosition();
}

double TSpinEdit::CheckValue(double Value) const {
  if (FMaxValue != 0 || FMinValue != 0) {
    if (Value < FMinValue) return FMinValue;
    if (Value > FMaxValue) return FMaxValue;
  }
  return Value;
}

AnsiString TSpinEdit::ValueText(double Value) const {
  if (FValueType == vtFloat) return Format("%.*f", {FDecimal, Value});
  return IntToStr(Round(Value));
}

bool TSpinEdit::IsNumText(const AnsiString& Text) const {
  if (Text.empty() || Text == "-") return false;
  const char separator = FormatSettings.DecimalSeparator;
  for (char c : Text)
    if (!((c >= '0' && c <= '9') || c == '-' || (FValueType == vtFloat && c == separator))) return false;
  const size_t minus = Text.find('-');
  if (minus != AnsiString::npos && (minus != 0 || Text.find('-', 1) != AnsiString::npos)) return false;
  if (FValueType == vtFloat) {
    const size_t point = Text.find(separator);
    if (point != AnsiString::npos && (point == 0 || Text.find(separator, point + 1) != AnsiString::npos)) return false;
  }
  return true;
}

void TSpinEdit::SetValue(double Value) {
  FValue = CheckValue(Value);
  const bool wasChanging = FChanging;
  FChanging = true;
  try {
    if (wasChanging)
      FEdit->SetText(ValueText(FValue));
    else
      SetText(ValueText(FValue));
  } catch (...) {
    FChanging = false;
    throw;
  }
  FChanging = false;
  if (!wasChanging) Change();
}

void TSpinEdit::SetMinValue(double Value) {
  FMinValue = Value;
  if (FValue < Value) SetValue(Value);
}

void TSpinEdit::SetMaxValue(double Value) {
  FMaxValue = Value;
  if (FValue > Value) SetValue(Value);
}

void TSpinEdit::SetValueType(TValueType Value) {
  if (FValueType == Value) return;
  FValueType = Value;
  if (Value == vtInteger) {
    FIncrement = double(Round(FIncrement));
    if (FIncrement == 0) FIncrement = 1;
  }
}

void TSpinEdit::Change() {
  const bool wasChanging = FChanging;
  FChanging = true;
  try {
    if (OnChange) OnChange(this);
  } catch (...) {
    FChanging = wasChanging;
    throw;
  }
  FChanging = wasChanging;
}

void TSpinEdit::UpClick() {
  SetValue(FValue + FIncrement);
  if (OnUpButtonClick) OnUpButtonClick(this);
}

void TSpinEdit::DownClick() {
  SetValue(FValue - FIncrement);
  if (OnDownButtonClick) OnDownButtonClick(this);
}

void TSpinEdit::EditChange(TObject*) {
  FTextFromEdit = true;
  try {
    SetText(FEdit->GetText());
  } catch (...) {
    FTextFromEdit = false;
    throw;
  }
  FTextFromEdit = false;
}

void TSpinEdit::EditExit(TObject*) {
  // Leaving the field always shows the value.
  FChanging = true;
  try {
    FEdit->SetText(ValueText(FValue));
  } catch (...) {
    FChanging = false;
    throw;
  }
  FChanging = false;
}

void TSpinEdit::TextChanged() {
  if (!FTextFromEdit) FEdit->SetText(GetText());
  if (FChanging) return;
  const AnsiString text = FEdit->GetText();
  if (!IsNumText(text)) return;
  double typed = 0;
  if (FValueType == vtFloat) {
    if (!TryStrToFloat(text, typed)) return;
  } else {
    int whole = 0;
    if (!TryStrToInt(text, whole)) return;  // beyond the range of a whole number
    typed = whole;
  }
  const double value = CheckValue(typed);
  if (value != FValue) {
    FValue = value;
    Change();
  }
  // A number beyond a limit away from zero is replaced at once; one still below a
  // positive minimum (part of a longer number being typed) is left as it is.
  bool rewrite = value < 0 && typed < 0 ? value > typed : value < typed;
  if ((FMinValue > 0 && typed < 0) || (FMaxValue < 0 && typed > 0)) rewrite = true;
  if (rewrite) {
    FChanging = true;
    try {
      FEdit->SetText(ValueText(value));
    } catch (...) {
      FChanging = false;
      throw;
    }
    FChanging = false;
  }
}

void TSpinEdit::AdjustEditorPosition() {
  const int w = GetWidth(), h = GetHeight();
  FButtons[0].Rect = TRect(w - 17, 2, w - 2, h / 2);
  FButtons[1].Rect = TRect(w - 17, h / 2, w - 2, h - 2);
  TWindowDC screen;
  HGDIOBJ old = SelectObject(screen, FEdit->GetFont()->GetHandle());
  TEXTMETRICA metrics = {};
  GetTextMetricsA(screen, &metrics);
  SelectObject(screen, old);
  const int editHeight = std::min<int>(metrics.tmHeight, std::max(0, h - 4));
  FEdit->SetBounds(2, h / 2 - editHeight / 2, std::max(0, w - 19), editHeight);
}

void TSpinEdit::TestActive(int X, int Y) {
  const int old = FActiveButton;
  FActiveButton = -1;
  for (int i = 0; i < 2; ++i)
    if (PtInRect(FButtons[i].Rect, TPoint(X, Y))) {
      FActiveButton = i;
      break;
    }
  if (FCapturedButton != -1 && FActiveButton != FCapturedButton) FActiveButton = -1;
  if (FActiveButton == old) return;
  if (old != -1) ButtonLeave(old);
  if (FActiveButton != -1) ButtonEnter(FActiveButton);
}

void TSpinEdit::ButtonDown(int Index) {
  FButtons[Index].MouseIn = true;
  FButtons[Index].Down = true;
  Invalidate();
  FTimerMode = Index == 0 ? 2 : 1;
  FFirstTick = true;
  SetTimer(GetHandle(), 1, 500, nullptr);
}

void TSpinEdit::StopRepeat() {
  if (HandleAllocated()) KillTimer(GetHandle(), 1);
  FTimerMode = 0;
}

void TSpinEdit::ButtonUp(int Index) {
  StopRepeat();
  FButtons[Index].Down = false;
  if (Index != FActiveButton) FButtons[Index].MouseIn = false;
  Invalidate();
  if (!FButtons[Index].MouseIn) return;
  if (Index == 0)
    UpClick();
  else
    DownClick();
}

void TSpinEdit::ButtonEnter(int Index) {
  FButtons[Index].MouseIn = true;
  Invalidate();
  if (FButtons[Index].Down) SetTimer(GetHandle(), 1, 50, nullptr);
}

void TSpinEdit::ButtonLeave(int Index) {
  FButtons[Index].MouseIn = false;
  Invalidate();
  if (FButtons[Index].Down && HandleAllocated()) KillTimer(GetHandle(), 1);
}

void TSpinEdit::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) {
  TestActive(X, Y);
  if (FActiveButton != -1) {
    FCapturedButton = FActiveButton;
    ButtonDown(FActiveButton);
  }
  TCustomControl::MouseDown(Button, Shift, X, Y);
}

void TSpinEdit::MouseMove(TShiftState Shift, int X, int Y) {
  TCustomControl::MouseMove(Shift, X, Y);
  TestActive(X, Y);
}

void TSpinEdit::MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) {
  if (FCapturedButton != -1) ButtonUp(FCapturedButton);
  FCapturedButton = -1;
  TCustomControl::MouseUp(Button, Shift, X, Y);
}

void TSpinEdit::Paint() {
  TCanvas* canvas = GetCanvas();
  TRect r = GetClientRect();
  Frame3D(canvas, r, clBtnShadow, clBtnShadow, 1);
  Frame3D(canvas, r, clBtnFace, clBtnFace, 1);
  canvas->GetBrush()->SetStyle(bsSolid);
  canvas->GetBrush()->SetColor(clWindow);
  canvas->FillRect(r);
  for (int i = 0; i < 2; ++i) {
    const TSpinButton& b = FButtons[i];
    if (b.Down && b.MouseIn)
      FramedBox(canvas, b.Rect, kPressedFrame, kPressedFill);
    else if (b.MouseIn)
      FramedBox(canvas, b.Rect, kPressedFrame, kHotFill);
    else {
      canvas->GetBrush()->SetColor(clBtnFace);
      canvas->FillRect(b.Rect);
    }
    DrawArrow(canvas, b.Rect, i == 0, GetEnabled() ? clBlack : clBtnShadow);
  }
}

void TSpinEdit::Dispatch(TMessage& Message) {
  switch (Message.Msg) {
    case CM_TEXTCHANGED:
      TCustomControl::Dispatch(Message);
      TextChanged();
      break;
    case WM_SIZE:
      TCustomControl::Dispatch(Message);
      AdjustEditorPosition();
      break;
    case WM_TIMER:
      if (Message.WParam != 1) {
        TCustomControl::Dispatch(Message);
        break;
      }
      if (FFirstTick) {
        FFirstTick = false;
        KillTimer(GetHandle(), 1);
        SetTimer(GetHandle(), 1, 100, nullptr);
      } else if (FTimerMode == 1) {
        SetValue(FValue - FIncrement);
      } else if (FTimerMode == 2) {
        SetValue(FValue + FIncrement);
      }
      break;
    case CM_MOUSELEAVE:
      TCustomControl::Dispatch(Message);
      for (TSpinButton& b : FButtons)
        if (b.MouseIn) {
          b.MouseIn = false;
          Invalidate();
        }
      FActiveButton = -1;
      break;
    case CM_FOCUSCHANGED:
      TCustomControl::Dispatch(Message);
      if (TCMFocusChanged(Message).GetSender() == this && FEdit->HandleAllocated() && FEdit->CanFocus())
        FEdit->SetFocus();
      break;
    case CM_ENABLEDCHANGED:
      TCustomControl::Dispatch(Message);
      FEdit->GetFont()->SetColor(GetEnabled() ? clWindowText : clGrayText);
      FEdit->SetEnabled(GetEnabled());
      break;
    default:
      TCustomControl::Dispatch(Message);
      break;
  }
}
