#include "skin/controls/SkinLabels.h"

#include "skin/controls/SkinPanels.h"
#include "skin/data/SPUtils.h"

namespace {

const UINT kTextAlignments[] = {DT_LEFT, DT_RIGHT, DT_CENTER};

// Draws Text in R of DC; a disabled label is embossed (a copy one pixel down and right in
// Highlight under the text in Shadow).
void DrawLabelTextOn(HDC DC, const AnsiString& Text, RECT R, UINT Flags, bool Enabled,
                     TColor Highlight, TColor Shadow) {
  if (Enabled) {
    DrawTextA(DC, Text.c_str(), -1, &R, Flags);
    return;
  }
  const COLORREF color = GetTextColor(DC);
  OffsetRect(&R, 1, 1);
  SetTextColor(DC, ColorToRGB(Highlight));
  DrawTextA(DC, Text.c_str(), -1, &R, Flags);
  OffsetRect(&R, -1, -1);
  SetTextColor(DC, ColorToRGB(Shadow));
  DrawTextA(DC, Text.c_str(), -1, &R, Flags);
  SetTextColor(DC, color);
}

// What the line break that ends a text label's text adds to its measured height: the
// height of one empty line where DrawText counts it (as Windows does), nothing where it
// does not.
int TrailingBreakHeight(HDC DC, UINT Flags) {
  RECT one = {0, 0, 1000, 0};
  RECT broken = one;
  DrawTextA(DC, "A", -1, &one, Flags | DT_CALCRECT);
  DrawTextA(DC, "A\r\n", -1, &broken, Flags | DT_CALCRECT);
  return (broken.bottom - broken.top) - (one.bottom - one.top);
}

}  // namespace

// ---------------------------------------------------------------------------------------
// TspSkinLabelSkin

TspSkinLabelSkin::TspSkinLabelSkin(TComponent* AOwner)
    : Owner(AOwner), DefaultFont(std::make_unique<TFont>()) {}

void TspSkinLabelSkin::GetSkinData() {
  if (!SkinData || SkinData->GetEmpty()) {
    SkinIndex = -1;
    return;
  }
  SkinIndex = SkinData->GetControlIndex(SkinDataName);
  auto* record = dynamic_cast<TspDataSkinStdLabelControl*>(SkinData->ControlRecords.Find(SkinIndex));
  if (!record) return;
  Skin.FontName = record->FontName;
  Skin.FontStyle = record->FontStyle;
  Skin.FontHeight = record->FontHeight;
  Skin.FontColor = record->FontColor;
}

void TspSkinLabelSkin::ChooseFont(TCanvas* Canvas, TFont* Font) const {
  TFont* font = Canvas->GetFont();
  if (SkinIndex == -1) {
    font->Assign(UseSkinFont ? DefaultFont.get() : Font);
  } else {
    if (UseSkinFont) {
      font->Assign(Font);
      font->SetName(Skin.FontName);
      font->SetStyle(Skin.FontStyle);
      font->SetHeight(Skin.FontHeight);
    } else {
      font->Assign(Font);
    }
    font->SetColor(UseSkinColor ? Skin.FontColor : Font->GetColor());
  }
  if (SkinData && SkinData->GetResourceStrData())
    font->SetCharset(SkinData->GetResourceStrData()->GetCharSet());
  else
    font->SetCharset(DefaultFont->GetCharset());
}

TColor TspSkinLabelSkin::HighlightColor() const {
  return SkinIndex == -1 ? clBtnHighlight : SkinData->SkinColors->cBtnHighLight;
}

TColor TspSkinLabelSkin::ShadowColor() const {
  return SkinIndex == -1 ? clBtnShadow : SkinData->SkinColors->cBtnShadow;
}

bool TspSkinLabelSkin::SetSkinDataRef(TspSkinData* Value) {
  ReplaceComponentReference(Owner, SkinData, Value);
  return Value != nullptr;
}

void TspSkinLabelSkin::Forget(TComponent* AComponent) {
  if (AComponent == SkinData) {
    SkinData = nullptr;
    SkinIndex = -1;
  }
}

// ---------------------------------------------------------------------------------------
// TspSkinStdLabel

TspSkinStdLabel::TspSkinStdLabel(TComponent* AOwner) : TCustomLabel(AOwner), FSkin(this) {
  SetTransparent(true);
}

TspSkinStdLabel::~TspSkinStdLabel() = default;

void TspSkinStdLabel::SetSkinData(TspSkinData* Value) {
  if (FSkin.SetSkinDataRef(Value)) ChangeSkinData();
}

void TspSkinStdLabel::SetEllipsType(TspEllipsType Value) {
  if (FEllipsType == Value) return;
  FEllipsType = Value;
  Invalidate();
}

void TspSkinStdLabel::ChangeSkinData() {
  FSkin.GetSkinData();
  if (GetAutoSize()) AdjustBounds();
  Invalidate();
}

void TspSkinStdLabel::Notification(TComponent* AComponent, TOperation Operation) {
  TCustomLabel::Notification(AComponent, Operation);
  if (Operation == opRemove) FSkin.Forget(AComponent);
}

void TspSkinStdLabel::DoDrawText(TRect& Rect, int Flags) {
  FSkin.GetSkinData();
  if (FEllipsType == spetEndEllips) Flags |= DT_END_ELLIPSIS;
  if (FEllipsType == spetPathEllips) Flags |= DT_PATH_ELLIPSIS;
  FSkin.ChooseFont(GetCanvas(), GetFont());
  DrawLabelText(Rect, Flags, FSkin.HighlightColor(), FSkin.ShadowColor());
}

// ---------------------------------------------------------------------------------------
// TspSkinTextLabel

TspSkinTextLabel::TspSkinTextLabel(TComponent* AOwner)
    : TGraphicControl(AOwner), FSkin(this), FLines(std::make_unique<TStringList>()) {
  TControlStyle style = GetControlStyle();
  style.Exclude(csOpaque);
  style.Include(csReplicatable);
  SetControlStyle(style);
  SetBounds(GetLeft(), GetTop(), 65, 65);
  FAutoSize = true;
  FLines->OnChange = [this](TObject* Sender) { LinesChanged(Sender); };
}

TspSkinTextLabel::~TspSkinTextLabel() { FLines->OnChange = nullptr; }

void TspSkinTextLabel::Dispatch(TMessage& Message) {
  if (Message.Msg == CM_FONTCHANGED) {
    TGraphicControl::Dispatch(Message);
    AdjustBounds();
    Invalidate();
    return;
  }
  TGraphicControl::Dispatch(Message);
}

void TspSkinTextLabel::SetSkinData(TspSkinData* Value) {
  if (FSkin.SetSkinDataRef(Value)) ChangeSkinData();
}

void TspSkinTextLabel::ChangeSkinData() {
  FSkin.GetSkinData();
  if (FAutoSize) AdjustBounds();
  Invalidate();
}

void TspSkinTextLabel::Notification(TComponent* AComponent, TOperation Operation) {
  TGraphicControl::Notification(AComponent, Operation);
  if (Operation == opRemove) FSkin.Forget(AComponent);
}

void TspSkinTextLabel::Loaded() {
  TGraphicControl::Loaded();
  AdjustBounds();
}

void TspSkinTextLabel::LinesChanged(TObject*) {
  if (FAutoSize) AdjustBounds();
  Invalidate();
}

void TspSkinTextLabel::SetLines(TStrings* Value) {
  FLines->Assign(Value);
  Invalidate();
}

void TspSkinTextLabel::SetAlignment(TAlignment Value) {
  if (FAlignment == Value) return;
  FAlignment = Value;
  Invalidate();
}

void TspSkinTextLabel::SetAutoSize(bool Value) {
  if (FAutoSize == Value) return;
  FAutoSize = Value;
  AdjustBounds();
}

void TspSkinTextLabel::SetLayout(TTextLayout Value) {
  if (FLayout == Value) return;
  FLayout = Value;
  Invalidate();
}

void TspSkinTextLabel::SetWordWrap(bool Value) {
  if (FWordWrap == Value) return;
  FWordWrap = Value;
  AdjustBounds();
  Invalidate();
}

AnsiString TspSkinTextLabel::GetLabelText() {
  AnsiString text;
  for (int i = 0; i < FLines->GetCount(); ++i) text += FLines->Get(i) + "\r\n";
  return text;
}

void TspSkinTextLabel::Paint() {
  TCanvas* canvas = GetCanvas();
  FSkin.GetSkinData();
  FSkin.ChooseFont(canvas, GetFont());
  canvas->GetBrush()->SetStyle(bsClear);
  UINT flags = DT_EXPANDTABS | (FWordWrap ? DT_WORDBREAK : 0) | kTextAlignments[FAlignment];
  const AnsiString text = GetLabelText();
  HDC dc = canvas->GetHandle();
  RECT r = ToRECT(GetClientRect());
  if (FLayout != tlTop) {
    RECT calc = r;
    DrawTextA(dc, text.c_str(), -1, &calc, flags | DT_CALCRECT);
    const int h = (calc.bottom - calc.top) - TrailingBreakHeight(dc, flags);
    const int shift = FLayout == tlBottom ? GetHeight() - h : (GetHeight() - h) / 2;
    OffsetRect(&r, 0, shift);
  }
  DrawLabelTextOn(dc, text, r, flags, GetEnabled(), FSkin.HighlightColor(), FSkin.ShadowColor());
}

void TspSkinTextLabel::AdjustBounds() {
  const TComponentState state = GetComponentState();
  if (state.Contains(csReading) || state.Contains(csLoading) || !FAutoSize) return;
  FSkin.GetSkinData();
  TBitmap probe;
  probe.SetSize(1, 1);
  TCanvas* canvas = probe.GetCanvas();
  FSkin.ChooseFont(canvas, GetFont());
  RECT r = ToRECT(GetClientRect());
  const AnsiString text = GetLabelText();
  const UINT flags = DT_EXPANDTABS | (FWordWrap ? DT_WORDBREAK : 0);
  int extra = 0;
  {
    TWindowDC screen;
    HGDIOBJ old = SelectObject(screen, canvas->GetFont()->GetHandle());
    DrawTextA(screen, text.c_str(), -1, &r, DT_CALCRECT | flags);
    extra = TrailingBreakHeight(screen, flags);
    SelectObject(screen, old);
  }
  const int w = r.right - r.left;
  const int h = (r.bottom - r.top) - extra;
  int x = GetLeft();
  if (FAlignment == taRightJustify) x += GetWidth() - w;
  SetBounds(x, GetTop(), w, h);
}

// ---------------------------------------------------------------------------------------
// TspSkinBevel

TspSkinBevel::TspSkinBevel(TComponent* AOwner) : TBevel(AOwner) {}

TspSkinBevel::~TspSkinBevel() = default;

void TspSkinBevel::Notification(TComponent* AComponent, TOperation Operation) {
  TBevel::Notification(AComponent, Operation);
  if (Operation == opRemove && AComponent == FSkinData) {
    FSkinData = nullptr;
    FSkinIndex = -1;
  }
}

void TspSkinBevel::SetSkinData(TspSkinData* Value) {
  ReplaceComponentReference(this, FSkinData, Value);
  ChangeSkinData();
}

void TspSkinBevel::SetDividerMode(bool Value) {
  FDividerMode = Value;
  Repaint();
}

void TspSkinBevel::ChangeSkinData() {
  FSkinIndex = !FSkinData || FSkinData->GetEmpty() ? -1 : FSkinData->GetControlIndex(FSkinDataName);
  if (FSkinIndex == -1) {
    FLightColor = clBtnHighlight;
    FDarkColor = clBtnShadow;
  } else if (auto* record =
                 dynamic_cast<TspDataSkinBevel*>(FSkinData->ControlRecords.Find(FSkinIndex))) {
    FLightColor = record->LightColor;
    FDarkColor = record->DarkColor;
  }
  Repaint();
}

void TspSkinBevel::SetBounds(int ALeft, int ATop, int AWidth, int AHeight) {
  ATop = CentredTopInToolBar(GetParent(), ATop, AHeight, true);
  TBevel::SetBounds(ALeft, ATop, AWidth, AHeight);
}

void TspSkinBevel::BevelRect(TCanvas* Canvas, const TRect& R, TColor Color1, TColor Color2) {
  Canvas->GetPen()->SetColor(Color1);
  Canvas->Polyline({Point(R.Left, R.Bottom), Point(R.Left, R.Top), Point(R.Right, R.Top)});
  Canvas->GetPen()->SetColor(Color2);
  Canvas->Polyline({Point(R.Right, R.Top), Point(R.Right, R.Bottom), Point(R.Left, R.Bottom)});
}

void TspSkinBevel::BevelLine(TCanvas* Canvas, TColor Color, int X1, int Y1, int X2, int Y2) {
  Canvas->GetPen()->SetColor(Color);
  Canvas->MoveTo(X1, Y1);
  Canvas->LineTo(X2, Y2);
}

void TspSkinBevel::Paint() {
  TCanvas* canvas = GetCanvas();
  canvas->GetPen()->SetStyle(psSolid);
  canvas->GetPen()->SetMode(pmCopy);
  canvas->GetPen()->SetColor(clBlack);
  canvas->GetBrush()->SetStyle(bsSolid);
  canvas->GetPen()->SetWidth(1);
  TColor color1 = GetStyle() == bsLowered ? FDarkColor : FLightColor;
  TColor color2 = GetStyle() == bsLowered ? FLightColor : FDarkColor;
  const int w = GetWidth();
  const int h = GetHeight();
  if (FDividerMode) {
    switch (GetShape()) {
      case bsTopLine:
      case bsBottomLine:
        BevelRect(canvas, Rect(2, h / 2 - 1, w - 2, h / 2), color1, color2);
        break;
      case bsBox:
      case bsFrame:
      case bsLeftLine:
      case bsRightLine:
        BevelRect(canvas, Rect(w / 2 - 1, 2, w / 2, h - 2), color1, color2);
        break;
      case bsSpacer:
        break;
    }
    return;
  }
  switch (GetShape()) {
    case bsBox:
      BevelRect(canvas, Rect(0, 0, w - 1, h - 1), color1, color2);
      break;
    case bsFrame:
      BevelRect(canvas, Rect(1, 1, w - 1, h - 1), color2, color1);
      BevelRect(canvas, Rect(0, 0, w - 2, h - 2), color1, color1);
      break;
    case bsTopLine:
      BevelLine(canvas, color1, 0, 0, w, 0);
      BevelLine(canvas, color2, 0, 1, w, 1);
      break;
    case bsBottomLine:
      BevelLine(canvas, color1, 0, h - 2, w, h - 2);
      BevelLine(canvas, color2, 0, h - 1, w, h - 1);
      break;
    case bsLeftLine:
      BevelLine(canvas, color1, 0, 0, 0, h);
      BevelLine(canvas, color2, 1, 0, 1, h);
      break;
    case bsRightLine:
      BevelLine(canvas, color1, w - 2, 0, w - 2, h);
      BevelLine(canvas, color2, w - 1, 0, w - 1, h);
      break;
    case bsSpacer:
      break;
  }
}
