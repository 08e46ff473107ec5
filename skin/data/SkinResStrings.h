// Unit SkinData, the skin's resource texts: TspResourceStrData holds the user-interface
// texts of the skinned parts (window menu, caption-button hints, edit menu, message
// boxes, the library's dialogs) as lines of name=text that a program can replace, for
// example from a language file. A skinned part asks for a text by name and falls back to
// the built-in texts of unit spconst when no resource texts are reachable. Portable: no
// Windows header.
#pragma once

#include <memory>

#include "framework/Classes.h"
#include "framework/UITypes.h"

class TspResourceStrData : public TComponent {
 public:
  explicit TspResourceStrData(TComponent* AOwner);
  ~TspResourceStrData() override;

  // Fills ResStrings with the 120 default lines.
  void InitDefaults();
  // The text of the first line whose name equals Name without regard to case: everything
  // after the first "=". Empty when no line has the name.
  AnsiString GetResStr(const AnsiString& Name) const;

  TStrings* GetResStrings() const { return FResStrings.get(); }
  // Replaces all lines by a copy of Lines (nothing is told to the skinned parts: the skin
  // data does that when its ResourceStrData is written).
  void SetResStrings(TStrings* Lines) { FResStrings->Assign(Lines); }
  // The character set of the texts, which skinned fonts take (1: the default set);
  // published.
  TFontCharset GetCharSet() const { return FCharSet; }
  void SetCharSet(TFontCharset Value) { FCharSet = Value; }

  void PublishProperties(TPropList& Props) const override;

 private:
  std::unique_ptr<TStringList> FResStrings;
  TFontCharset FCharSet = 1;
};

// The text a skinned part shows for a resource-text name: the answer of the resource texts
// when there are any (as it comes: a name their lines lack gives the empty text), else the
// built-in text of unit spconst (GetBuiltInResStr).
AnsiString GetEffectiveResStr(const TspResourceStrData* ResStrData, const AnsiString& Name);
