// Labels, edits, buttons, check boxes and radio buttons.
#include "framework/StdCtrls.h"

#include <algorithm>
#include <cstring>

#include "framework/Forms.h"
#include "framework/SysUtils.h"
#include "framework/TypInfo.h"

#include <shellapi.h>

TOwnerDrawState OwnerDrawStateOf(UINT ItemState) {
  // The ODS_ bits up to ODS_NOFOCUSRECT are the flags in their order; ODS_COMBOBOXEDIT
  // is bit 12, as odComboBoxEdit is.
  return TOwnerDrawState::FromBits(ItemState & (0x3FFu | ODS_COMBOBOXEDIT));
}

// ---------------------------------------------------------------------------------------
// TCustomLabel

TCustomLabel::TCustomLabel(TComponent* AOwner) : TGraphicControl(AOwner) {
  SetControlStyle(GetControlStyle() + TControlStyle{csOpaque, csReplicatable});
  SetBounds(GetLeft(), GetTop(), 65, 17);
  FAutoSize = true;
}

void TCustomLabel::PublishProperties(TPropList& Props) const {
  TGraphicControl::PublishProperties(Props);
  Props.String("Caption", &TControl::GetCaption, &TControl::SetCaption, "TCaption");
  Props.String("Hint", &TControl::GetHint, &TControl::SetHint);
}

void TCustomLabel::SetAlignment(TAlignment Value) {
  if (FAlignment == Value) return;
  FAlignment = Value;
  Invalidate();
}

void TCustomLabel::SetLayout(TTextLayout Value) {
  if (FLayout == Value) return;
  FLayout = Value;
  Invalidate();
}

void TCustomLabel::SetWordWrap(bool Value) {
  if (FWordWrap == Value) return;
  FWordWrap = Value;
  AdjustBounds();
  Invalidate();
}

void TCustomLabel::SetShowAccelChar(bool Value) {
  if (FShowAccelChar == Value) return;
  FShowAccelChar = Value;
  Invalidate();
}

void TCustomLabel::SetTransparent(bool Value) {
  if (GetTransparent() == Value) return;
  TControlStyle style = GetControlStyle();
  if (Value)
    style.Exclude(csOpaque);
  else
    style.Include(csOpaque);
  SetControlStyle(style);
  Invalidate();
}

void TCustomLabel::SetFocusControl(TWinControl* Value) { ReplaceComponentReference(this, FFocusControl, Value); }

void TCustomLabel::Notification(TComponent* AComponent, TOperation Operation) {
  TGraphicControl::Notification(AComponent, Operation);
  if (Operation == opRemove && AComponent == FFocusControl) FFocusControl = nullptr;
}

void TCustomLabel::SetAutoSize(bool Value) {
  if (FAutoSize == Value) return;
  FAutoSize = Value;
  AdjustBounds();
}

AnsiString TCustomLabel::GetLabelText() { return GetCaption(); }

void TCustomLabel::DoDrawText(TRect& Rect, int Flags) {
  GetCanvas()->SetFont(GetFont());
  DrawLabelText(Rect, Flags);
}

namespace {
const int kAlignments[] = {DT_LEFT, DT_RIGHT, DT_CENTER};

// Draws a label's text in R of DC with the DC's font: embossed is a copy one pixel down
// and right in Highlight under the text in Shadow; otherwise the text in the DC's colour.
void DrawLabelLines(HDC DC, const AnsiString& Text, RECT R, UINT Flags, bool Embossed, COLORREF Highlight,
                    COLORREF Shadow) {
  if (Embossed) {
    const COLORREF color = GetTextColor(DC);
    OffsetRect(&R, 1, 1);
    SetTextColor(DC, Highlight);
    DrawTextA(DC, Text.c_str(), -1, &R, Flags);
    OffsetRect(&R, -1, -1);
    SetTextColor(DC, Shadow);
    DrawTextA(DC, Text.c_str(), -1, &R, Flags);
    SetTextColor(DC, color);
  } else {
    DrawTextA(DC, Text.c_str(), -1, &R, Flags);
  }
}
}  // namespace

TCustomLabel::TInkMargins TCustomLabel::MeasureInk(HFONT Font, const AnsiString& Text, int Width, int Height,
                                                   UINT Flags, bool Embossed) {
  if (Width <= 0 || Height <= 0) return {};
  TMemoryDC dc(CreateCompatibleDC(nullptr));
  if (!dc) return {};
  HGDIOBJ oldFont = SelectObject(dc.get(), Font);
  TEXTMETRICA tm = {};
  GetTextMetricsA(dc.get(), &tm);
  // Room around the box for what reaches out of it: a glyph's overhang, and the drift of
  // the glyphs' places over a long line.
  const int slack = std::max<int>(4, tm.tmHeight) + Width / 8;
  const int64_t w = int64_t(Width) + 2 * slack, h = int64_t(Height) + 2 * slack;
  if (w * h > 4000000) {
    SelectObject(dc.get(), oldFont);
    return {};
  }
  void* bits = nullptr;
  TGdiHandle<HBITMAP> dib(CreateDib32(int(w), int(h), bits));
  HGDIOBJ oldBitmap = SelectObject(dc.get(), dib.get());
  std::memset(bits, 0xFF, size_t(w * h) * 4);
  SetBkMode(dc.get(), TRANSPARENT);
  SetTextColor(dc.get(), RGB(0, 0, 0));
  const RECT box = {slack, slack, slack + Width, slack + Height};
  DrawLabelLines(dc.get(), Text, box, Flags | DT_NOCLIP, Embossed, RGB(0, 0, 0), RGB(0, 0, 0));
  GdiFlush();
  int left = int(w), right = -1, bottom = -1;
  const auto* pixels = static_cast<const uint32_t*>(bits);
  for (int y = 0; y < int(h); ++y)
    for (int x = 0; x < int(w); ++x)
      if ((pixels[size_t(y) * size_t(w) + size_t(x)] & 0xFFFFFFu) != 0xFFFFFFu) {
        left = std::min(left, x);
        right = std::max(right, x);
        bottom = y;
      }
  SelectObject(dc.get(), oldBitmap);
  SelectObject(dc.get(), oldFont);
  TInkMargins margins;
  if (right < 0) return margins;
  margins.Left = std::max(0, slack - left);
  margins.Right = std::max(0, right + 1 - int(box.right));
  margins.Bottom = std::max(0, bottom + 1 - int(box.bottom));
  return margins;
}

void TCustomLabel::DrawLabelText(TRect& Rect, int Flags, TColor Highlight, TColor Shadow) {
  AnsiString text = GetLabelText();
  if ((Flags & DT_CALCRECT) && (text.empty() || (FShowAccelChar && text == "&"))) text += ' ';
  if (!FShowAccelChar) Flags |= DT_NOPREFIX;
  TCanvas* canvas = GetCanvas();
  HDC dc = canvas->GetHandle();
  RECT r = ToRECT(Rect);
  if (Flags & DT_CALCRECT) {
    // DrawText's measure is where the glyphs advance to; what they draw can reach further
    // (under Wine the glyphs are placed a little wider apart than measured, italics lean
    // out, the embossed copy sits a pixel off). The ink drawn as Paint draws it decides.
    DrawTextA(dc, text.c_str(), -1, &r, UINT(Flags));
    const UINT drawFlags = (UINT(Flags) & ~UINT(DT_CALCRECT | DT_RIGHT | DT_CENTER)) | kAlignments[FAlignment];
    FInk = MeasureInk(canvas->GetFont()->GetHandle(), text, r.right - r.left, r.bottom - r.top, drawFlags,
                      !GetEnabled());
    r.right += FInk.Left + FInk.Right;
    r.bottom += FInk.Bottom;
    Rect = FromRECT(r);
    return;
  }
  // The text goes where it was measured; what reaches past that stays inside the label.
  r.left += FInk.Left;
  r.right -= FInk.Right;
  DrawLabelLines(dc, text, r, UINT(Flags) | DT_NOCLIP, !GetEnabled(), ColorToRGB(Highlight),
                 ColorToRGB(Shadow));
  Rect = FromRECT(r);
}

void TCustomLabel::Paint() {
  TCanvas* canvas = GetCanvas();
  if (!GetTransparent()) {
    canvas->GetBrush()->SetColor(GetColor());
    canvas->GetBrush()->SetStyle(bsSolid);
    canvas->FillRect(GetClientRect());
  }
  canvas->GetBrush()->SetStyle(bsClear);
  TRect rect = GetClientRect();
  const int flags = DT_EXPANDTABS | (FWordWrap ? DT_WORDBREAK : 0) | kAlignments[FAlignment];
  if (FLayout != tlTop) {
    TRect calc = rect;
    DoDrawText(calc, flags | DT_CALCRECT);
    if (FLayout == tlBottom)
      rect = OffsetRect(rect, 0, GetHeight() - calc.Bottom);
    else
      rect = OffsetRect(rect, 0, (GetHeight() - calc.Bottom) / 2);
  }
  DoDrawText(rect, flags);
}

void TCustomLabel::AdjustBounds() {
  if (GetComponentState().Contains(csReading) || GetComponentState().Contains(csLoading) || !FAutoSize) return;
  TRect rect = GetClientRect();
  {
    TWindowDC screen;
    TCanvas* canvas = GetCanvas();
    canvas->Lock();
    canvas->SetHandle(screen);
    try {
      DoDrawText(rect, DT_EXPANDTABS | DT_CALCRECT | (FWordWrap ? DT_WORDBREAK : 0));
    } catch (...) {
      canvas->SetHandle(nullptr);
      canvas->Unlock();
      throw;
    }
    canvas->SetHandle(nullptr);
    canvas->Unlock();
  }
  int x = GetLeft();
  if (FAlignment == taRightJustify) x += GetWidth() - rect.Right;
  SetBounds(x, GetTop(), rect.Right, rect.Bottom);
}

void TCustomLabel::Loaded() {
  TGraphicControl::Loaded();
  AdjustBounds();
}

void TCustomLabel::Dispatch(TMessage& Message) {
  switch (Message.Msg) {
    case CM_TEXTCHANGED:
      FInk = {};
      Invalidate();
      AdjustBounds();
      break;
    case CM_FONTCHANGED:
    case CM_ENABLEDCHANGED:  // the embossed text of a disabled label reaches a pixel further
      FInk = {};
      TGraphicControl::Dispatch(Message);
      AdjustBounds();
      break;
    case CM_DIALOGCHAR:
      if (FFocusControl && GetEnabled() && FShowAccelChar &&
          IsAccel(static_cast<uint16_t>(Message.WParam), GetCaption()) && FFocusControl->CanFocus()) {
        FFocusControl->SetFocus();
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
// TLinkLabel

TLinkLabel::TLinkLabel(TComponent* AOwner) : TCustomLabel(AOwner) {
  SetTransparent(true);
  SetCursor(crHandPoint);
  TFontStyles style = GetFont()->GetStyle();
  GetFont()->SetStyle(style.Include(fsUnderline));
}

void TLinkLabel::SetUseUnderLine(bool Value) {
  if (FUseUnderLine == Value) return;
  FUseUnderLine = Value;
  Invalidate();
}

void TLinkLabel::DoDrawText(TRect& Rect, int Flags) {
  TCanvas* canvas = GetCanvas();
  canvas->SetFont(GetFont());
  if (GetEnabled()) {
    TFontStyles style = canvas->GetFont()->GetStyle();
    if (FUseUnderLine)
      style.Include(fsUnderline);
    else
      style.Exclude(fsUnderline);
    canvas->GetFont()->SetStyle(style);
    if (FHot) canvas->GetFont()->SetColor(FActiveFontColor);
  }
  DrawLabelText(Rect, Flags);
}

void TLinkLabel::Dispatch(TMessage& Message) {
  switch (Message.Msg) {
    case CM_MOUSEENTER:
    case CM_MOUSELEAVE:
      TCustomLabel::Dispatch(Message);
      FHot = Message.Msg == CM_MOUSEENTER;
      Invalidate();
      break;
    default:
      TCustomLabel::Dispatch(Message);
      break;
  }
}

void TLinkLabel::Click() {
  TCustomLabel::Click();
  if (!FURL.empty()) ShellExecuteA(nullptr, "open", FURL.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
}

// ---------------------------------------------------------------------------------------
// TCustomEdit

TCustomEdit::TCustomEdit(TComponent* AOwner) : TWinControl(AOwner) {
  SetControlStyle(TControlStyle{csCaptureMouse, csClickEvents, csSetCaption, csDoubleClicks, csFixedHeight});
  SetBounds(GetLeft(), GetTop(), 121, 21);
  SetTabStop(true);
  SetColor(clWindow);
  SetParentColor(false);
  FAutoSize = true;
}

void TCustomEdit::PublishProperties(TPropList& Props) const {
  TWinControl::PublishProperties(Props);
  Props.String("Hint", &TControl::GetHint, &TControl::SetHint);
  Props.String("Text", &TControl::GetText, &TControl::SetText, "TCaption");
}

void TCustomEdit::CreateParams(TCreateParams& Params) {
  TWinControl::CreateParams(Params);
  CreateSubClass(Params, "EDIT");
  Params.Style |= ES_AUTOHSCROLL | ES_AUTOVSCROLL;
  if (FBorderStyle == bsSingle) Params.ExStyle |= WS_EX_CLIENTEDGE;
  if (FReadOnly) Params.Style |= ES_READONLY;
  if (!FHideSelection) Params.Style |= ES_NOHIDESEL;
  if (FPasswordChar) Params.Style |= ES_PASSWORD;
  if (FCharCase == ecUpperCase) Params.Style |= ES_UPPERCASE;
  if (FCharCase == ecLowerCase) Params.Style |= ES_LOWERCASE;
}

void TCustomEdit::CreateWnd() {
  FCreating = true;
  try {
    TWinControl::CreateWnd();
  } catch (...) {
    FCreating = false;
    throw;
  }
  FCreating = false;
  FChangedText = GetText();
  Perform(EM_LIMITTEXT, NativeUInt(FMaxLength), 0);
  if (FPasswordChar) Perform(EM_SETPASSWORDCHAR, static_cast<unsigned char>(FPasswordChar), 0);
  Perform(EM_SETMODIFY, FModified ? 1 : 0, 0);
}

void TCustomEdit::DestroyWnd() {
  FModified = GetModified();
  TWinControl::DestroyWnd();
}

bool TCustomEdit::CanAutoSize(int& NewWidth, int& NewHeight) {
  TWindowDC screen;
  HGDIOBJ old = SelectObject(screen, GetFont()->GetHandle());
  TEXTMETRICA metrics = {};
  GetTextMetricsA(screen, &metrics);
  SelectObject(screen, old);
  NewHeight = metrics.tmHeight + (FBorderStyle == bsSingle ? GetSystemMetrics(SM_CYBORDER) * 8 : 2);
  return true;
}

void TCustomEdit::SetAutoSize(bool Value) {
  if (FAutoSize == Value) return;
  FAutoSize = Value;
  if (Value) AdjustSize();
}

void TCustomEdit::SetMaxLength(int Value) {
  if (FMaxLength == Value) return;
  FMaxLength = std::max(0, Value);
  if (HandleAllocated()) Perform(EM_LIMITTEXT, NativeUInt(FMaxLength), 0);
}

void TCustomEdit::SetReadOnly(bool Value) {
  if (FReadOnly == Value) return;
  FReadOnly = Value;
  if (HandleAllocated()) Perform(EM_SETREADONLY, Value ? 1 : 0, 0);
}

void TCustomEdit::SetPasswordChar(char Value) {
  if (FPasswordChar == Value) return;
  FPasswordChar = Value;
  RecreateWnd();
}

void TCustomEdit::SetCharCase(TEditCharCase Value) {
  if (FCharCase == Value) return;
  FCharCase = Value;
  RecreateWnd();
}

void TCustomEdit::SetBorderStyle(TBorderStyle Value) {
  if (FBorderStyle == Value) return;
  FBorderStyle = Value;
  RecreateWnd();
  if (FAutoSize) AdjustSize();
}

void TCustomEdit::SetHideSelection(bool Value) {
  if (FHideSelection == Value) return;
  FHideSelection = Value;
  RecreateWnd();
}

bool TCustomEdit::GetModified() {
  if (HandleAllocated()) FModified = Perform(EM_GETMODIFY, 0, 0) != 0;
  return FModified;
}

void TCustomEdit::SetModified(bool Value) {
  FModified = Value;
  if (HandleAllocated()) Perform(EM_SETMODIFY, Value ? 1 : 0, 0);
}

int TCustomEdit::GetSelStart() {
  DWORD start = 0, end = 0;
  SendMessageA(GetHandle(), EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
  return static_cast<int>(start);
}

void TCustomEdit::SetSelStart(int Value) { SendMessageA(GetHandle(), EM_SETSEL, WPARAM(Value), LPARAM(Value)); }

int TCustomEdit::GetSelLength() {
  DWORD start = 0, end = 0;
  SendMessageA(GetHandle(), EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
  return static_cast<int>(end - start);
}

void TCustomEdit::SetSelLength(int Value) {
  const int start = GetSelStart();
  SendMessageA(GetHandle(), EM_SETSEL, WPARAM(start), LPARAM(start + Value));
}

AnsiString TCustomEdit::GetSelText() {
  const AnsiString text = GetText();
  const int start = std::min(GetSelStart(), static_cast<int>(text.size()));
  const int length = std::min(GetSelLength(), static_cast<int>(text.size()) - start);
  return text.substr(size_t(start), size_t(std::max(0, length)));
}

void TCustomEdit::SetSelText(const AnsiString& Value) {
  SendMessageA(GetHandle(), EM_REPLACESEL, 0, reinterpret_cast<LPARAM>(Value.c_str()));
}

void TCustomEdit::SelectAll() {
  if (HandleAllocated()) SendMessageA(GetHandle(), EM_SETSEL, 0, -1);
}

void TCustomEdit::ClearSelection() { SendMessageA(GetHandle(), WM_CLEAR, 0, 0); }
void TCustomEdit::Clear() { SetText(AnsiString()); }
void TCustomEdit::CopyToClipboard() { SendMessageA(GetHandle(), WM_COPY, 0, 0); }
void TCustomEdit::CutToClipboard() { SendMessageA(GetHandle(), WM_CUT, 0, 0); }
void TCustomEdit::PasteFromClipboard() { SendMessageA(GetHandle(), WM_PASTE, 0, 0); }
void TCustomEdit::Undo() {
  if (HandleAllocated()) SendMessageA(GetHandle(), WM_UNDO, 0, 0);
}
bool TCustomEdit::CanUndo() { return HandleAllocated() && SendMessageA(GetHandle(), EM_CANUNDO, 0, 0) != 0; }

void TCustomEdit::Change() {
  if (OnChange) OnChange(this);
}

void TCustomEdit::Dispatch(TMessage& Message) {
  switch (Message.Msg) {
    case CN_COMMAND:
      // Some systems tell of a change when typing beyond MaxLength changed nothing.
      if (HIWORD(Message.WParam) == EN_CHANGE && !FCreating) {
        AnsiString text = GetText();
        if (text != FChangedText) {
          FChangedText = std::move(text);
          Change();
        }
      }
      break;
    case CM_ENTER:
      if (FAutoSelect && !GetControlState().Contains(csLButtonDown)) SelectAll();
      TWinControl::Dispatch(Message);
      break;
    case CM_FONTCHANGED:
      TWinControl::Dispatch(Message);
      if (FAutoSize) AdjustSize();
      break;
    default:
      TWinControl::Dispatch(Message);
      break;
  }
}

void TCustomMaskEdit::PublishProperties(TPropList& Props) const {
  TCustomEdit::PublishProperties(Props);
  Props.String("EditMask", &TCustomMaskEdit::GetEditMask, &TCustomMaskEdit::SetEditMask);
}

// ---------------------------------------------------------------------------------------
// TIntEdit

TIntEdit::TIntEdit(TComponent* AOwner) : TCustomEdit(AOwner) { SetText("0"); }

int TIntEdit::CheckValue(int Value) const {
  if (FMinValue == FMaxValue) return Value;
  if (Value < FMinValue) return FMinValue;
  if (Value > FMaxValue) return FMaxValue;
  return Value;
}

void TIntEdit::Change() {
  if (FWriting) return;
  int value = 0;
  if (TryStrToInt(Trim(GetText()), value)) FValue = CheckValue(value);
  TCustomEdit::Change();
}

void TIntEdit::KeyPress(char& Key) {
  TCustomEdit::KeyPress(Key);
  const unsigned char c = static_cast<unsigned char>(Key);
  if (c >= ' ' && !(c >= '0' && c <= '9') && c != '-') Key = 0;
}

void SetIntEditValue(TIntEdit* Control, int Value) {
  if (!Control) return;
  Value = Control->CheckValue(Value);
  Control->FValue = Value;
  Control->FWriting = true;
  try {
    Control->SetText(IntToStr(Value));
  } catch (...) {
    Control->FWriting = false;
    throw;
  }
  Control->FWriting = false;
}

// ---------------------------------------------------------------------------------------
// TButtonControl

TButtonControl::TButtonControl(TComponent* AOwner) : TWinControl(AOwner) {
  SetControlStyle(TControlStyle{csSetCaption, csDoubleClicks});
  SetTabStop(true);
}

void TButtonControl::PublishProperties(TPropList& Props) const {
  TWinControl::PublishProperties(Props);
  Props.String("Caption", &TControl::GetCaption, &TControl::SetCaption, "TCaption");
  Props.String("Hint", &TControl::GetHint, &TControl::SetHint);
}

void TButtonControl::SetWordWrap(bool Value) {
  if (FWordWrap == Value) return;
  FWordWrap = Value;
  RecreateWnd();
}

void TButtonControl::CreateParams(TCreateParams& Params) {
  TWinControl::CreateParams(Params);
  CreateSubClass(Params, "BUTTON");
  if (FWordWrap) Params.Style |= BS_MULTILINE;
}

void TButtonControl::ActionChange(TObject* Sender, bool CheckDefaults) {
  TWinControl::ActionChange(Sender, CheckDefaults);
  auto* action = dynamic_cast<TCustomAction*>(Sender);
  if (!action || (CheckDefaults && GetChecked()) || action->GetChecked() == GetChecked()) return;
  // A box follows its action's check without running the action again.
  FClicksDisabled = true;
  try {
    SetChecked(action->GetChecked());
  } catch (...) {
    FClicksDisabled = false;
    throw;
  }
  FClicksDisabled = false;
}

void TButtonControl::Click() {
  if (FClicksDisabled) return;
  TWinControl::Click();
}

// ---------------------------------------------------------------------------------------
// TButton

TButton::TButton(TComponent* AOwner) : TButtonControl(AOwner) { SetBounds(GetLeft(), GetTop(), 75, 25); }

void TButton::CreateParams(TCreateParams& Params) {
  TButtonControl::CreateParams(Params);
  Params.Style |= FActive ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON;
}

void TButton::SetDefault(bool Value) {
  if (FDefault == Value) return;
  FDefault = Value;
  if (!HandleAllocated()) {
    FActive = Value;
    return;
  }
  if (TCustomForm* form = GetParentForm(this))
    form->Perform(CM_FOCUSCHANGED, 0, TCMFocusChanged::LParamOf(form->GetActiveControl()));
  else
    SetButtonStyle(Value);
}

void TButton::SetButtonStyle(bool ADefault) {
  if (ADefault == FActive) return;
  FActive = ADefault;
  if (HandleAllocated())
    SendMessageA(GetHandle(), BM_SETSTYLE, ADefault ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON, 1);
}

void TButton::Click() {
  if (TCustomForm* form = GetParentForm(this)) form->SetModalResult(FModalResult);
  TButtonControl::Click();
}

void TButton::Dispatch(TMessage& Message) {
  switch (Message.Msg) {
    case CN_COMMAND:
      if (HIWORD(Message.WParam) == BN_CLICKED) Click();
      break;
    case CM_FOCUSCHANGED: {
      // The focused button answers Enter; while no button has the focus the default
      // button does.
      TWinControl* focused = TCMFocusChanged(Message).GetSender();
      SetButtonStyle(dynamic_cast<TButton*>(focused) ? focused == this : FDefault);
      TButtonControl::Dispatch(Message);
      break;
    }
    case CM_DIALOGKEY:
      if (((Message.WParam == VK_RETURN && FActive) || (Message.WParam == VK_ESCAPE && FCancel)) &&
          KeyDataToShiftState(static_cast<int32_t>(Message.LParam)).Empty() && CanFocus()) {
        Click();
        Message.Result = 1;
        break;
      }
      TButtonControl::Dispatch(Message);
      break;
    case CM_DIALOGCHAR:
      if (IsAccel(static_cast<uint16_t>(Message.WParam), GetCaption()) && CanFocus()) {
        Click();
        Message.Result = 1;
        break;
      }
      TButtonControl::Dispatch(Message);
      break;
    default:
      TButtonControl::Dispatch(Message);
      break;
  }
}

// ---------------------------------------------------------------------------------------
// TCustomCheckBox

TCustomCheckBox::TCustomCheckBox(TComponent* AOwner) : TButtonControl(AOwner) {
  SetBounds(GetLeft(), GetTop(), 97, 17);
}

void TCustomCheckBox::CreateParams(TCreateParams& Params) {
  TButtonControl::CreateParams(Params);
  Params.Style |= BS_3STATE;
  if (FAlignment == taLeftJustify) Params.Style |= BS_LEFTTEXT;
}

void TCustomCheckBox::CreateWnd() {
  TButtonControl::CreateWnd();
  UpdateCheck();
}

void TCustomCheckBox::UpdateCheck() {
  if (HandleAllocated()) SendMessageA(GetHandle(), BM_SETCHECK, static_cast<WPARAM>(FState), 0);
}

void TCustomCheckBox::SetChecked(bool Value) {
  if (Value)
    FState = cbChecked;
  else if (FState == cbChecked)
    FState = cbUnchecked;
  UpdateCheck();
  Click();
}

void TCustomCheckBox::SetState(TCheckBoxState Value) {
  FState = Value;
  UpdateCheck();
  Click();
}

void TCustomCheckBox::SetAlignment(TAlignment Value) {
  if (FAlignment == Value) return;
  FAlignment = Value;
  RecreateWnd();
}

void TCustomCheckBox::Toggle() {
  if (FAllowGrayed && FState == cbUnchecked)
    SetState(cbGrayed);
  else
    SetChecked(!GetChecked());
}

void TCustomCheckBox::Dispatch(TMessage& Message) {
  if (Message.Msg == CN_COMMAND) {
    if (HIWORD(Message.WParam) == BN_CLICKED) Toggle();
    return;
  }
  TButtonControl::Dispatch(Message);
}

// ---------------------------------------------------------------------------------------
// TRadioButton

TRadioButton::TRadioButton(TComponent* AOwner) : TButtonControl(AOwner) {
  SetBounds(GetLeft(), GetTop(), 113, 17);
}

void TRadioButton::CreateParams(TCreateParams& Params) {
  TButtonControl::CreateParams(Params);
  Params.Style |= BS_RADIOBUTTON;
  if (FAlignment == taLeftJustify) Params.Style |= BS_LEFTTEXT;
}

void TRadioButton::CreateWnd() {
  TButtonControl::CreateWnd();
  SendMessageA(GetHandle(), BM_SETCHECK, FChecked ? BST_CHECKED : BST_UNCHECKED, 0);
}

void TRadioButton::SetAlignment(TAlignment Value) {
  if (FAlignment == Value) return;
  FAlignment = Value;
  RecreateWnd();
}

void TRadioButton::SetChecked(bool Value) {
  FChecked = Value;
  if (HandleAllocated()) SendMessageA(GetHandle(), BM_SETCHECK, Value ? BST_CHECKED : BST_UNCHECKED, 0);
  if (Value && FGroupIndex != 0 && GetParent()) {
    TWinControl* parent = GetParent();
    for (int i = 0; i < parent->GetControlCount(); ++i) {
      auto* other = dynamic_cast<TRadioButton*>(parent->GetControl(i));
      if (other && other != this && other->FGroupIndex == FGroupIndex && other->FChecked)
        other->SetChecked(false);
    }
  }
  if (Value) Click();
}

void TRadioButton::Dispatch(TMessage& Message) {
  if (Message.Msg == CN_COMMAND) {
    if (HIWORD(Message.WParam) == BN_CLICKED && !FChecked) SetChecked(true);
    return;
  }
  TButtonControl::Dispatch(Message);
}
