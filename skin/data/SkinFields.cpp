#include "skin/data/SkinFields.h"

#include "skin/data/SPUtils.h"

namespace {

const char* const kStretchTypes[] = {"stfull", "sthorz", "stvert"};
const char* const kMorphKinds[] = {"mkdefault",       "mkgradient",  "mkleftgradient",
                                   "mkrightgradient", "mkleftslide", "mkrightslide",
                                   "mkpush"};
const char* const kInactiveEffects[] = {"iebrightness", "iedarkness",  "iegrayscale",
                                        "ienoise",      "iesplitblur", "ieinvert"};
const char* const kFramesPlacements[] = {"fphorizontal", "fpvertical"};
const char* const kRegulatorKinds[] = {"rkround", "rkhorizontal", "rkvertical"};
const char* const kGaugeKinds[] = {"gkhorizontal", "gkvertical"};
const char* const kCommands[] = {"cmclose",   "cmmaximize", "cmminimize",      "cmsysmenu",
                                 "cmdefault", "cmrollup",   "cmminimizetotray"};

const char* WordOf(uint8_t Value, const TspSkinWords& Words) {
  return Words.Words[Value < Words.Count ? Value : Words.Other];
}

}  // namespace

const TspSkinWords kStretchTypeWords = {kStretchTypes, 3, stFull, stHorz};
const TspSkinWords kMorphKindWords = {kMorphKinds, 7, mkDefault, mkDefault};
const TspSkinWords kInactiveEffectWords = {kInactiveEffects, 6, ieBrightness, ieGrayScale};
const TspSkinWords kFramesPlacementWords = {kFramesPlacements, 2, fpHorizontal, fpVertical};
const TspSkinWords kRegulatorKindWords = {kRegulatorKinds, 3, rkRound, rkVertical};
const TspSkinWords kGaugeKindWords = {kGaugeKinds, 2, gkHorizontal, gkVertical};
const TspSkinWords kCommandWords = {kCommands, 7, cmDefault, cmMinimizeToTray};

uint8_t ReadSkinWord(TCustomIniFile* Ini, const AnsiString& Section, const AnsiString& Key,
                     const TspSkinWords& Words) {
  const AnsiString value = Ini->ReadString(Section, Key, Words.Words[Words.Default]);
  for (uint8_t i = 0; i < Words.Count; ++i)
    if (value == Words.Words[i]) return i;
  return Words.Other;
}

void WriteSkinWord(TCustomIniFile* Ini, const AnsiString& Section, const AnsiString& Key,
                   uint8_t Value, const TspSkinWords& Words) {
  Ini->WriteString(Section, Key, WordOf(Value, Words));
}

TspStretchType ReadStretchType(TCustomIniFile* Ini, const AnsiString& Section,
                               const AnsiString& Key) {
  return static_cast<TspStretchType>(ReadSkinWord(Ini, Section, Key, kStretchTypeWords));
}
void WriteStretchType(TCustomIniFile* Ini, const AnsiString& Section, const AnsiString& Key,
                      TspStretchType Value) {
  WriteSkinWord(Ini, Section, Key, Value, kStretchTypeWords);
}
TspMorphKind ReadMorphKind(TCustomIniFile* Ini, const AnsiString& Section, const AnsiString& Key) {
  return static_cast<TspMorphKind>(ReadSkinWord(Ini, Section, Key, kMorphKindWords));
}
void WriteMorphKind(TCustomIniFile* Ini, const AnsiString& Section, const AnsiString& Key,
                    TspMorphKind Value) {
  WriteSkinWord(Ini, Section, Key, Value, kMorphKindWords);
}
TspInactiveEffect ReadInactiveEffect(TCustomIniFile* Ini, const AnsiString& Section,
                                     const AnsiString& Key) {
  return static_cast<TspInactiveEffect>(ReadSkinWord(Ini, Section, Key, kInactiveEffectWords));
}

// ---------------------------------------------------------------------------------------
// TspSkinIniReader

void TspSkinIniReader::Integer(const char* Key, int32_t& Field, int32_t Default) {
  Field = FIni->ReadInteger(FSection, Key, Default);
}
void TspSkinIniReader::Color(const char* Key, TColor& Field, TColor Default) {
  Field = FIni->ReadInteger(FSection, Key, Default);
}
void TspSkinIniReader::Boolean(const char* Key, bool& Field) {
  Field = ReadBoolean(FIni, FSection, Key);
}
void TspSkinIniReader::Rect(const char* Key, TRect& Field) {
  Field = ReadRect(FIni, FSection, Key);
}
void TspSkinIniReader::Point(const char* Key, TPoint& Field) {
  Field = ReadPoint(FIni, FSection, Key);
}
void TspSkinIniReader::Text(const char* Key, AnsiString& Field, const char* Default) {
  Field = FIni->ReadString(FSection, Key, Default);
}
void TspSkinIniReader::FontStyles(const char* Key, TFontStyles& Field) {
  Field = ReadFontStyles(FIni, FSection, Key);
}
void TspSkinIniReader::Alignment(const char* Key, TAlignment& Field) {
  Field = ReadAlignment(FIni, FSection, Key);
}
void TspSkinIniReader::Word(const char* Key, uint8_t& Field, const TspSkinWords& Words) {
  Field = ReadSkinWord(FIni, FSection, Key, Words);
}
void TspSkinIniReader::Strings(const char* Key, TStrings& Field) {
  ReadStrings(FIni, FSection, Key, &Field);
}

// ---------------------------------------------------------------------------------------
// TspSkinIniWriter

void TspSkinIniWriter::Integer(const char* Key, int32_t& Field, int32_t) {
  FIni->WriteInteger(FSection, Key, Field);
}
void TspSkinIniWriter::Color(const char* Key, TColor& Field, TColor) {
  FIni->WriteInteger(FSection, Key, Field);
}
void TspSkinIniWriter::Boolean(const char* Key, bool& Field) {
  WriteBoolean(FIni, FSection, Key, Field);
}
void TspSkinIniWriter::Rect(const char* Key, TRect& Field) {
  WriteRect(FIni, FSection, Key, Field);
}
void TspSkinIniWriter::Point(const char* Key, TPoint& Field) {
  WritePoint(FIni, FSection, Key, Field);
}
void TspSkinIniWriter::Text(const char* Key, AnsiString& Field, const char*) {
  FIni->WriteString(FSection, Key, Field);
}
void TspSkinIniWriter::FontStyles(const char* Key, TFontStyles& Field) {
  WriteFontStyles(FIni, FSection, Key, Field);
}
void TspSkinIniWriter::Alignment(const char* Key, TAlignment& Field) {
  WriteAlignment(FIni, FSection, Key, Field);
}
void TspSkinIniWriter::Word(const char* Key, uint8_t& Field, const TspSkinWords& Words) {
  WriteSkinWord(FIni, FSection, Key, Field, Words);
}
void TspSkinIniWriter::Strings(const char* Key, TStrings& Field) {
  WriteStrings(FIni, FSection, Key, &Field);
}

// ---------------------------------------------------------------------------------------
// TspSkinFieldList

void TspSkinFieldList::Integer(const char* Key, int32_t& Field, int32_t) {
  Add(Key, fkInteger, &Field);
}
void TspSkinFieldList::Color(const char* Key, TColor& Field, TColor) {
  Add(Key, fkInteger, &Field);
}
void TspSkinFieldList::Boolean(const char* Key, bool& Field) { Add(Key, fkBoolean, &Field); }
void TspSkinFieldList::Rect(const char* Key, TRect& Field) { Add(Key, fkRect, &Field); }
void TspSkinFieldList::Point(const char* Key, TPoint& Field) { Add(Key, fkPoint, &Field); }
void TspSkinFieldList::Text(const char* Key, AnsiString& Field, const char*) {
  Add(Key, fkText, &Field);
}
void TspSkinFieldList::FontStyles(const char* Key, TFontStyles& Field) {
  Add(Key, fkFontStyles, &Field);
}
void TspSkinFieldList::Alignment(const char* Key, TAlignment& Field) {
  Add(Key, fkAlignment, &Field);
}
void TspSkinFieldList::Word(const char* Key, uint8_t& Field, const TspSkinWords& Words) {
  Add(Key, fkWord, &Field, &Words);
}
void TspSkinFieldList::Strings(const char* Key, TStrings& Field) { Add(Key, fkStrings, &Field); }

void TspSkinFieldList::AssignFrom(const TspSkinFieldList& Source) const {
  if (Source.FFields.size() != FFields.size())
    throw EConvertError("Cannot assign skin fields of another class");
  for (size_t i = 0; i < FFields.size(); ++i) {
    const TField& from = Source.FFields[i];
    const TField& to = FFields[i];
    if (from.Kind != to.Kind) throw EConvertError("Cannot assign skin fields of another class");
    switch (to.Kind) {
      case fkInteger:
        *static_cast<int32_t*>(to.Place) = *static_cast<const int32_t*>(from.Place);
        break;
      case fkBoolean:
        *static_cast<bool*>(to.Place) = *static_cast<const bool*>(from.Place);
        break;
      case fkRect:
        *static_cast<TRect*>(to.Place) = *static_cast<const TRect*>(from.Place);
        break;
      case fkPoint:
        *static_cast<TPoint*>(to.Place) = *static_cast<const TPoint*>(from.Place);
        break;
      case fkText:
        *static_cast<AnsiString*>(to.Place) = *static_cast<const AnsiString*>(from.Place);
        break;
      case fkFontStyles:
        *static_cast<TFontStyles*>(to.Place) = *static_cast<const TFontStyles*>(from.Place);
        break;
      case fkAlignment:
        *static_cast<TAlignment*>(to.Place) = *static_cast<const TAlignment*>(from.Place);
        break;
      case fkWord:
        *static_cast<uint8_t*>(to.Place) = *static_cast<const uint8_t*>(from.Place);
        break;
      case fkStrings:
        static_cast<TStrings*>(to.Place)->Assign(static_cast<TStrings*>(from.Place));
        break;
    }
  }
}

AnsiString TspSkinFieldList::ValueText(const TField& Field) {
  switch (Field.Kind) {
    case fkInteger:
      return IntToStr(*static_cast<const int32_t*>(Field.Place));
    case fkBoolean:
      return *static_cast<const bool*>(Field.Place) ? "1" : "0";
    case fkRect: {
      const TRect& r = *static_cast<const TRect*>(Field.Place);
      return IntToStr(r.Left) + "," + IntToStr(r.Top) + "," + IntToStr(r.Right) + "," +
             IntToStr(r.Bottom);
    }
    case fkPoint: {
      const TPoint& p = *static_cast<const TPoint*>(Field.Place);
      return IntToStr(p.X) + "," + IntToStr(p.Y);
    }
    case fkText:
      return *static_cast<const AnsiString*>(Field.Place);
    case fkFontStyles:
      return IntToStr(int64_t(static_cast<const TFontStyles*>(Field.Place)->ToBits()));
    case fkAlignment:
      return IntToStr(*static_cast<const TAlignment*>(Field.Place));
    case fkWord:
      return IntToStr(*static_cast<const uint8_t*>(Field.Place));
    case fkStrings:
      return static_cast<const TStrings*>(Field.Place)->GetText();
  }
  return AnsiString();
}

std::vector<AnsiString> TspSkinFieldList::Differences(const TspSkinFieldList& Other) const {
  std::vector<AnsiString> keys;
  if (Other.FFields.size() != FFields.size()) {
    keys.push_back("<field count>");
    return keys;
  }
  for (size_t i = 0; i < FFields.size(); ++i) {
    if (FFields[i].Kind != Other.FFields[i].Kind ||
        ValueText(FFields[i]) != ValueText(Other.FFields[i]))
      keys.push_back(FFields[i].Key);
  }
  return keys;
}

void CopySkinFields(TspSkinFieldOwner& Source, TspSkinFieldOwner& Dest) {
  TspSkinFieldList from, to;
  Source.VisitFields(from);
  Dest.VisitFields(to);
  to.AssignFrom(from);
}
