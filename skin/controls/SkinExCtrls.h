// Unit SkinExCtrls, the link controls: a label in the skin's label font that changes
// colour while the mouse is over it, is underlined, shows the hand cursor and opens its URL
// with the system shell when clicked; and an image with the hand cursor that does the same.
#pragma once

#include <memory>

#include "framework/ExtCtrls.h"
#include "framework/StdCtrls.h"
#include "skin/data/SkinData.h"

class TspSkinLinkLabel : public TCustomLabel {
 public:
  explicit TspSkinLinkLabel(TComponent* AOwner);
  ~TspSkinLinkLabel() override;
  void Dispatch(TMessage& Message) override;
  void Click() override;

  bool GetUseUnderLine() const { return FUseUnderLine; }
  void SetUseUnderLine(bool Value);
  bool GetUseSkinFont() const { return FUseSkinFont; }
  void SetUseSkinFont(bool Value) { FUseSkinFont = Value; }
  TColor GetDefaultActiveFontColor() const { return FDefaultActiveFontColor; }
  void SetDefaultActiveFontColor(TColor Value) { FDefaultActiveFontColor = Value; }
  AnsiString GetURL() const { return FURL; }
  void SetURL(const AnsiString& Value) { FURL = Value; }
  TFont* GetDefaultFont() const { return FDefaultFont.get(); }
  // Copies the font; no repaint.
  void SetDefaultFont(TFont* Value) { FDefaultFont->Assign(Value); }
  TspSkinData* GetSkinDataComponent() const { return FSkinData; }
  void SetSkinData(TspSkinData* Value);
  AnsiString GetSkinDataName() const { return FSkinDataName; }
  void SetSkinDataName(const AnsiString& Value) { FSkinDataName = Value; }
  bool GetHot() const { return FHot; }
  int GetSkinIndex() const { return FSkinIndex; }

  void GetSkinData();
  void ChangeSkinData();

 protected:
  void DoDrawText(TRect& Rect, int Flags) override;
  void Notification(TComponent* AComponent, TOperation Operation) override;

 private:
  bool FUseUnderLine = true;
  bool FUseSkinFont = true;
  TColor FDefaultActiveFontColor = TColor(0xFF0000);
  AnsiString FURL;
  std::unique_ptr<TFont> FDefaultFont;
  TspSkinData* FSkinData = nullptr;
  AnsiString FSkinDataName = "stdlabel";
  bool FHot = false;
  int FSkinIndex = -1;
  AnsiString FFontName = "Arial";
  TFontStyles FFontStyle;
  int FFontHeight = 14;
  TColor FFontColor = 0;
  TColor FActiveFontColor = TColor(0xFF0000);
};

class TspSkinLinkImage : public TImage {
 public:
  explicit TspSkinLinkImage(TComponent* AOwner);
  void Click() override;
  AnsiString GetURL() const { return FURL; }
  void SetURL(const AnsiString& Value) { FURL = Value; }

 private:
  AnsiString FURL;
};

// Opens URL with the system shell (the verb "open"); nothing for an empty URL. The shell's
// answer is not looked at.
void OpenLinkURL(const AnsiString& URL);
