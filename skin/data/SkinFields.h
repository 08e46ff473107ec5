// Unit SkinData, its value words and fields: the enumerations that skin files write as
// words, and the field visitor through which every record of a skin (control and object
// records, the popup and hint windows, the colours, the frame of skinned forms) names its
// keys once for reading, writing and copying. Portable: no Windows header.
#pragma once

#include <cstdint>
#include <memory>
#include <typeinfo>
#include <vector>

#include "framework/Classes.h"
#include "framework/IniFiles.h"
#include "framework/Types.h"
#include "framework/UITypes.h"
#include "skin/data/SkinKinds.h"

// ---------------------------------------------------------------------------------------
// Enumerations of the skin file (the numbers are those the words stand for)

// How the frames of a picture strip follow each other.
enum TspFramesPlacement : uint8_t { fpHorizontal, fpVertical };
// How a regulator's frames are chosen: turned round, moved across or moved down.
enum TspRegulatorKind : uint8_t { rkRound, rkHorizontal, rkVertical };
enum TspGaugeKind : uint8_t { gkHorizontal, gkVertical };
// The window command of a caption button, animation or main-menu bar button.
enum TStdCommand : uint8_t {
  cmClose,
  cmMaximize,
  cmMinimize,
  cmSysMenu,
  cmDefault,
  cmRollUp,
  cmMinimizeToTray
};

// The words of one enumeration: Words[n] is the word of the number n. Words are compared
// exactly and case-sensitively; a missing key reads as Default, any other text as Other.
struct TspSkinWords {
  const char* const* Words;
  uint8_t Count;
  uint8_t Default;
  uint8_t Other;
};

extern const TspSkinWords kStretchTypeWords;
extern const TspSkinWords kMorphKindWords;
extern const TspSkinWords kInactiveEffectWords;
extern const TspSkinWords kFramesPlacementWords;
extern const TspSkinWords kRegulatorKindWords;
extern const TspSkinWords kGaugeKindWords;
extern const TspSkinWords kCommandWords;

uint8_t ReadSkinWord(TCustomIniFile* Ini, const AnsiString& Section, const AnsiString& Key,
                     const TspSkinWords& Words);
// The word of the number (the word of Other for a number without one).
void WriteSkinWord(TCustomIniFile* Ini, const AnsiString& Section, const AnsiString& Key,
                   uint8_t Value, const TspSkinWords& Words);

TspStretchType ReadStretchType(TCustomIniFile* Ini, const AnsiString& Section,
                               const AnsiString& Key);
void WriteStretchType(TCustomIniFile* Ini, const AnsiString& Section, const AnsiString& Key,
                      TspStretchType Value);
TspMorphKind ReadMorphKind(TCustomIniFile* Ini, const AnsiString& Section, const AnsiString& Key);
void WriteMorphKind(TCustomIniFile* Ini, const AnsiString& Section, const AnsiString& Key,
                    TspMorphKind Value);
TspInactiveEffect ReadInactiveEffect(TCustomIniFile* Ini, const AnsiString& Section,
                                     const AnsiString& Key);

// ---------------------------------------------------------------------------------------
// Fields

// Receives the fields of a record one by one, each with its key and the default a missing
// key reads as. Records list their fields in VisitFields, parent fields first; the ini
// reader, the ini writer and the field list below are visitors.
class TspSkinFieldVisitor {
 public:
  virtual ~TspSkinFieldVisitor() = default;
  virtual void Integer(const char* Key, int32_t& Field, int32_t Default) = 0;
  // Integers holding a colour.
  virtual void Color(const char* Key, TColor& Field, TColor Default) = 0;
  // Missing: False.
  virtual void Boolean(const char* Key, bool& Field) = 0;
  // Missing: 0,0,0,0 and 0,0.
  virtual void Rect(const char* Key, TRect& Field) = 0;
  virtual void Point(const char* Key, TPoint& Field) = 0;
  virtual void Text(const char* Key, AnsiString& Field, const char* Default) = 0;
  // Missing: no style.
  virtual void FontStyles(const char* Key, TFontStyles& Field) = 0;
  // Missing: centred.
  virtual void Alignment(const char* Key, TAlignment& Field) = 0;
  virtual void Word(const char* Key, uint8_t& Field, const TspSkinWords& Words) = 0;
  // A string list under the keys Key + "linecount", Key + "line0", ...
  virtual void Strings(const char* Key, TStrings& Field) = 0;

  // An enumeration of one byte, visited in place as its number.
  template <class E>
  void Enum(const char* Key, E& Field, const TspSkinWords& Words) {
    static_assert(sizeof(E) == 1, "skin enumerations are one byte");
    Word(Key, *reinterpret_cast<uint8_t*>(&Field), Words);
  }
};

// Reads every field from the section.
class TspSkinIniReader : public TspSkinFieldVisitor {
 public:
  TspSkinIniReader(TCustomIniFile* Ini, const AnsiString& Section) : FIni(Ini), FSection(Section) {}
  void Integer(const char* Key, int32_t& Field, int32_t Default) override;
  void Color(const char* Key, TColor& Field, TColor Default) override;
  void Boolean(const char* Key, bool& Field) override;
  void Rect(const char* Key, TRect& Field) override;
  void Point(const char* Key, TPoint& Field) override;
  void Text(const char* Key, AnsiString& Field, const char* Default) override;
  void FontStyles(const char* Key, TFontStyles& Field) override;
  void Alignment(const char* Key, TAlignment& Field) override;
  void Word(const char* Key, uint8_t& Field, const TspSkinWords& Words) override;
  void Strings(const char* Key, TStrings& Field) override;

 private:
  TCustomIniFile* FIni;
  AnsiString FSection;
};

// Writes every field into the section, in the notation its reader reads.
class TspSkinIniWriter : public TspSkinFieldVisitor {
 public:
  TspSkinIniWriter(TCustomIniFile* Ini, const AnsiString& Section) : FIni(Ini), FSection(Section) {}
  void Integer(const char* Key, int32_t& Field, int32_t Default) override;
  void Color(const char* Key, TColor& Field, TColor Default) override;
  void Boolean(const char* Key, bool& Field) override;
  void Rect(const char* Key, TRect& Field) override;
  void Point(const char* Key, TPoint& Field) override;
  void Text(const char* Key, AnsiString& Field, const char* Default) override;
  void FontStyles(const char* Key, TFontStyles& Field) override;
  void Alignment(const char* Key, TAlignment& Field) override;
  void Word(const char* Key, uint8_t& Field, const TspSkinWords& Words) override;
  void Strings(const char* Key, TStrings& Field) override;

 private:
  TCustomIniFile* FIni;
  AnsiString FSection;
};

// The fields of one record as a list: their keys, kinds and places. Two lists of records
// of one class pair field by field, which copies and compares records.
class TspSkinFieldList : public TspSkinFieldVisitor {
 public:
  enum TKind {
    fkInteger,
    fkBoolean,
    fkRect,
    fkPoint,
    fkText,
    fkFontStyles,
    fkAlignment,
    fkWord,
    fkStrings
  };
  struct TField {
    const char* Key;
    TKind Kind;
    void* Place;
    const TspSkinWords* Words;  // the words of an fkWord field
  };
  void Integer(const char* Key, int32_t& Field, int32_t Default) override;
  void Color(const char* Key, TColor& Field, TColor Default) override;
  void Boolean(const char* Key, bool& Field) override;
  void Rect(const char* Key, TRect& Field) override;
  void Point(const char* Key, TPoint& Field) override;
  void Text(const char* Key, AnsiString& Field, const char* Default) override;
  void FontStyles(const char* Key, TFontStyles& Field) override;
  void Alignment(const char* Key, TAlignment& Field) override;
  void Word(const char* Key, uint8_t& Field, const TspSkinWords& Words) override;
  void Strings(const char* Key, TStrings& Field) override;

  const std::vector<TField>& Fields() const { return FFields; }
  // Copies every field of Source into this list's places (both lists of the same class).
  void AssignFrom(const TspSkinFieldList& Source) const;
  // The keys whose values differ (both lists of the same class).
  std::vector<AnsiString> Differences(const TspSkinFieldList& Other) const;
  // The value of a field as text, for comparing and showing.
  static AnsiString ValueText(const TField& Field);

 private:
  void Add(const char* Key, TKind Kind, void* Place, const TspSkinWords* Words = nullptr) {
    FFields.push_back(TField{Key, Kind, Place, Words});
  }
  std::vector<TField> FFields;
};

// Something of a skin that names its fields, read from and written to one section.
class TspSkinFieldOwner {
 public:
  virtual ~TspSkinFieldOwner() = default;
  virtual void VisitFields(TspSkinFieldVisitor& Visitor) = 0;
};

// Copies every field of Source into Dest, two objects of the same class.
void CopySkinFields(TspSkinFieldOwner& Source, TspSkinFieldOwner& Dest);

// ---------------------------------------------------------------------------------------
// Type words of the record lists

// One row of a list's type table: the word, the class it makes, and the test whether a
// record is exactly of that class.
template <class Base>
struct TspRecordType {
  const char* Word;
  std::unique_ptr<Base> (*Create)(const AnsiString& IDName);
  bool (*Is)(const Base* Record);

  template <class T>
  static constexpr TspRecordType Of(const char* Word) {
    return TspRecordType{Word, &MakeRecord<T>, &IsRecord<T>};
  }

 private:
  template <class T>
  static std::unique_ptr<Base> MakeRecord(const AnsiString& IDName) {
    return std::make_unique<T>(IDName);
  }
  template <class T>
  static bool IsRecord(const Base* Record) {
    return typeid(*Record) == typeid(T);
  }
};

// The record of the first row whose word equals TypeWord exactly; nullptr when none does.
template <class Base, size_t N>
std::unique_ptr<Base> CreateRecordOfType(const TspRecordType<Base> (&Types)[N],
                                         const AnsiString& TypeWord, const AnsiString& IDName) {
  for (const TspRecordType<Base>& type : Types)
    if (TypeWord == type.Word) return type.Create(IDName);
  return nullptr;
}
// The word of the row of the record's own class; empty when it has none.
template <class Base, size_t N>
AnsiString TypeWordOfRecord(const TspRecordType<Base> (&Types)[N], const Base* Record) {
  for (const TspRecordType<Base>& type : Types)
    if (type.Is(Record)) return type.Word;
  return AnsiString();
}
