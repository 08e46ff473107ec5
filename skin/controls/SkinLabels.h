// Unit SkinCtrls, the skinned labels and the bevel. They draw no skin picture: they take
// their font and text colour (labels, from the skin's "stdlabel" record) or their two line
// colours (the bevel, from its "bevel" record) from the skin, and fall back to the
// framework's look without one. They do not derive from the skinned bases: each holds its
// own SkinData, SkinDataName and skin index, and the form frame tells them of skin changes
// by their class (ChangeSkinData).
#pragma once

#include <memory>

#include "framework/ExtCtrls.h"
#include "framework/StdCtrls.h"
#include "skin/data/SkinData.h"

enum TspEllipsType { spetNone, spetEndEllips, spetPathEllips };

// The font values a label copies from a "stdlabel" record.
struct TspLabelSkinFont {
  AnsiString FontName = "Arial";
  TFontStyles FontStyle;
  int FontHeight = 14;
  TColor FontColor = 0;
};

// What the labels share: the skin data, the record name and index, the default font and
// the choice of font and colour.
class TspSkinLabelSkin {
 public:
  explicit TspSkinLabelSkin(TComponent* Owner);
  // Skin index -1 without skin data or an empty skin, else the record's position; the font
  // values are copied from a "stdlabel" record (one of another class keeps the old ones).
  void GetSkinData();
  // The canvas font: DefaultFont or Font without a record, the record's name, style and
  // height with one (UseSkinFont), its colour (UseSkinColor); the skin texts' character set.
  void ChooseFont(TCanvas* Canvas, TFont* Font) const;
  // The colours of the embossed text of a disabled label.
  TColor HighlightColor() const;
  TColor ShadowColor() const;
  bool SetSkinDataRef(TspSkinData* Value);
  void Forget(TComponent* AComponent);

  TComponent* Owner;
  TspSkinData* SkinData = nullptr;
  AnsiString SkinDataName = "stdlabel";
  int SkinIndex = -1;
  std::unique_ptr<TFont> DefaultFont;
  bool UseSkinFont = true;
  bool UseSkinColor = true;
  TspLabelSkinFont Skin;
};

// A framework label in the skin's label font, with an optional ellipsis.
class TspSkinStdLabel : public TCustomLabel {
 public:
  explicit TspSkinStdLabel(TComponent* AOwner);
  ~TspSkinStdLabel() override;

  TspSkinData* GetSkinDataComponent() const { return FSkin.SkinData; }
  void SetSkinData(TspSkinData* Value);
  AnsiString GetSkinDataName() const { return FSkin.SkinDataName; }
  void SetSkinDataName(const AnsiString& Value) { FSkin.SkinDataName = Value; }
  TFont* GetDefaultFont() const { return FSkin.DefaultFont.get(); }
  // Copies the font; no repaint.
  void SetDefaultFont(TFont* Value) { FSkin.DefaultFont->Assign(Value); }
  bool GetUseSkinFont() const { return FSkin.UseSkinFont; }
  void SetUseSkinFont(bool Value) { FSkin.UseSkinFont = Value; }
  bool GetUseSkinColor() const { return FSkin.UseSkinColor; }
  void SetUseSkinColor(bool Value) { FSkin.UseSkinColor = Value; }
  TspEllipsType GetEllipsType() const { return FEllipsType; }
  void SetEllipsType(TspEllipsType Value);
  int GetSkinIndex() const { return FSkin.SkinIndex; }

  void GetSkinData() { FSkin.GetSkinData(); }
  void ChangeSkinData();

 protected:
  void DoDrawText(TRect& Rect, int Flags) override;
  void Notification(TComponent* AComponent, TOperation Operation) override;

 private:
  TspSkinLabelSkin FSkin;
  TspEllipsType FEllipsType = spetNone;
};

// A multi-line label whose text is a list of lines.
class TspSkinTextLabel : public TGraphicControl {
 public:
  explicit TspSkinTextLabel(TComponent* AOwner);
  ~TspSkinTextLabel() override;
  void Dispatch(TMessage& Message) override;

  TspSkinData* GetSkinDataComponent() const { return FSkin.SkinData; }
  void SetSkinData(TspSkinData* Value);
  AnsiString GetSkinDataName() const { return FSkin.SkinDataName; }
  void SetSkinDataName(const AnsiString& Value) { FSkin.SkinDataName = Value; }
  TFont* GetDefaultFont() const { return FSkin.DefaultFont.get(); }
  void SetDefaultFont(TFont* Value) { FSkin.DefaultFont->Assign(Value); }
  bool GetUseSkinFont() const { return FSkin.UseSkinFont; }
  void SetUseSkinFont(bool Value) { FSkin.UseSkinFont = Value; }
  bool GetUseSkinColor() const { return FSkin.UseSkinColor; }
  void SetUseSkinColor(bool Value) { FSkin.UseSkinColor = Value; }
  int GetSkinIndex() const { return FSkin.SkinIndex; }

  TStrings* GetLines() const { return FLines.get(); }
  void SetLines(TStrings* Value);
  TAlignment GetAlignment() const { return FAlignment; }
  void SetAlignment(TAlignment Value);
  void SetAutoSize(bool Value) override;
  TTextLayout GetLayout() const { return FLayout; }
  void SetLayout(TTextLayout Value);
  bool GetWordWrap() const { return FWordWrap; }
  void SetWordWrap(bool Value);

  void GetSkinData() { FSkin.GetSkinData(); }
  void ChangeSkinData();
  // The lines as one text, each followed by a line break.
  virtual AnsiString GetLabelText();

 protected:
  void Loaded() override;
  void Notification(TComponent* AComponent, TOperation Operation) override;
  void Paint() override;
  virtual void AdjustBounds();

 private:
  void LinesChanged(TObject* Sender);
  TspSkinLabelSkin FSkin;
  std::unique_ptr<TStringList> FLines;
  TAlignment FAlignment = taLeftJustify;
  TTextLayout FLayout = tlTop;
  bool FWordWrap = false;
};

// The framework's bevel in the skin's light and dark colours, with a divider mode (a short
// two-pixel line across the middle). Inside a skinned tool bar it stays vertically centred.
class TspSkinBevel : public TBevel {
 public:
  explicit TspSkinBevel(TComponent* AOwner);
  ~TspSkinBevel() override;
  void SetBounds(int ALeft, int ATop, int AWidth, int AHeight) override;

  TspSkinData* GetSkinDataComponent() const { return FSkinData; }
  void SetSkinData(TspSkinData* Value);
  AnsiString GetSkinDataName() const { return FSkinDataName; }
  void SetSkinDataName(const AnsiString& Value) { FSkinDataName = Value; }
  bool GetDividerMode() const { return FDividerMode; }
  void SetDividerMode(bool Value);
  int GetSkinIndex() const { return FSkinIndex; }
  TColor GetLightColor() const { return FLightColor; }
  TColor GetDarkColor() const { return FDarkColor; }

  void ChangeSkinData();

 protected:
  void Paint() override;
  void Notification(TComponent* AComponent, TOperation Operation) override;
  void BevelRect(TCanvas* Canvas, const TRect& R, TColor Color1, TColor Color2);
  void BevelLine(TCanvas* Canvas, TColor Color, int X1, int Y1, int X2, int Y2);

 private:
  TspSkinData* FSkinData = nullptr;
  AnsiString FSkinDataName = "bevel";
  int FSkinIndex = -1;
  bool FDividerMode = false;
  TColor FLightColor = clBtnHighlight;
  TColor FDarkColor = clBtnShadow;
};
