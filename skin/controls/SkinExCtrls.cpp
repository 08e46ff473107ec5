#include "skin/controls/SkinExCtrls.h"

#include <shellapi.h>

TspSkinLinkLabel::TspSkinLinkLabel(TComponent* AOwner)
    : TCustomLabel(AOwner), FDefaultFont(std::make_unique<TFont>()) {
  FDefaultFont->SetName("Arial");
  FDefaultFont->SetHeight(14);
  FDefaultFont->SetStyle(TFontStyles{fsUnderline});
  SetFont(FDefaultFont.get());
  SetTransparent(true);
  SetCursor(crHandPoint);
}

TspSkinLinkLabel::~TspSkinLinkLabel() = default;

void TspSkinLinkLabel::Notification(TComponent* AComponent, TOperation Operation) {
  TCustomLabel::Notification(AComponent, Operation);
  if (Operation == opRemove && AComponent == FSkinData) {
    FSkinData = nullptr;
    FSkinIndex = -1;
  }
}

void TspSkinLinkLabel::SetUseUnderLine(bool Value) {
  if (FUseUnderLine == Value) return;
  FUseUnderLine = Value;
  Invalidate();
}

void TspSkinLinkLabel::SetSkinData(TspSkinData* Value) {
  ReplaceComponentReference(this, FSkinData, Value);
  if (Value) ChangeSkinData();
}

void TspSkinLinkLabel::GetSkinData() {
  FSkinIndex = !FSkinData || FSkinData->GetEmpty() ? -1 : FSkinData->GetControlIndex(FSkinDataName);
  if (FSkinIndex == -1) return;
  auto* record = dynamic_cast<TspDataSkinStdLabelControl*>(FSkinData->ControlRecords.Find(FSkinIndex));
  if (!record) return;
  FFontName = record->FontName;
  FFontStyle = record->FontStyle;
  FFontHeight = record->FontHeight;
  FFontColor = record->FontColor;
  FActiveFontColor = record->ActiveFontColor;
}

void TspSkinLinkLabel::ChangeSkinData() {
  GetSkinData();
  Invalidate();
}

void TspSkinLinkLabel::Dispatch(TMessage& Message) {
  switch (Message.Msg) {
    case CM_MOUSEENTER:
    case CM_MOUSELEAVE:
      TCustomLabel::Dispatch(Message);
      FHot = Message.Msg == CM_MOUSEENTER;
      Invalidate();
      return;
    default:
      TCustomLabel::Dispatch(Message);
  }
}

void TspSkinLinkLabel::Click() {
  TCustomLabel::Click();
  OpenLinkURL(FURL);
}

void TspSkinLinkLabel::DoDrawText(TRect& Rect, int Flags) {
  GetSkinData();
  TFont* font = GetCanvas()->GetFont();
  if (FSkinIndex == -1) {
    font->Assign(FUseSkinFont ? FDefaultFont.get() : GetFont());
    if (FHot) font->SetColor(FDefaultActiveFontColor);
    TFontStyles style = font->GetStyle();
    style.Include(fsUnderline);
    font->SetStyle(style);
  } else {
    if (FUseSkinFont) {
      font->Assign(GetFont());
      font->SetName(FFontName);
      font->SetStyle(FFontStyle);
      font->SetHeight(FFontHeight);
    } else {
      font->Assign(GetFont());
    }
    TFontStyles style = font->GetStyle();
    if (FUseUnderLine)
      style.Include(fsUnderline);
    else
      style.Exclude(fsUnderline);
    font->SetStyle(style);
    font->SetColor(FHot ? FActiveFontColor : FFontColor);
  }
  if (FSkinData && FSkinData->GetResourceStrData())
    font->SetCharset(FSkinData->GetResourceStrData()->GetCharSet());
  else
    font->SetCharset(FDefaultFont->GetCharset());
  TColor highlight = clBtnHighlight;
  TColor shadow = clBtnShadow;
  if (GetEnabled()) {
    TFontStyles style = font->GetStyle();
    if (FUseUnderLine)
      style.Include(fsUnderline);
    else
      style.Exclude(fsUnderline);
    font->SetStyle(style);
  } else if (FSkinIndex != -1) {
    highlight = FSkinData->SkinColors->cBtnHighLight;
    shadow = FSkinData->SkinColors->cBtnShadow;
  }
  DrawLabelText(Rect, Flags, highlight, shadow);
}

TspSkinLinkImage::TspSkinLinkImage(TComponent* AOwner) : TImage(AOwner) {
  SetAutoSize(true);
  SetCursor(crHandPoint);
}

void TspSkinLinkImage::Click() {
  TImage::Click();
  OpenLinkURL(FURL);
}

void OpenLinkURL(const AnsiString& URL) {
  if (URL.empty()) return;
  ShellExecuteA(nullptr, "open", URL.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
}
