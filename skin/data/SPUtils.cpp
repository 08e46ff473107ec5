#include "skin/data/SPUtils.h"

#include <algorithm>

namespace {

// The digits of up to Count comma-separated fields; everything but digits and commas is
// dropped, fields past Count are ignored.
template <size_t Count>
void SplitFields(const AnsiString& S, AnsiString (&Fields)[Count]) {
  size_t field = 0;
  for (char c : S) {
    if (c == ',') {
      ++field;
    } else if (c >= '0' && c <= '9' && field < Count) {
      Fields[field] += c;
    }
  }
}

const char* const kStyleWords[] = {"fsbold", "fsitalic", "fsunderline", "fsstrikeout"};
const TFontStyle kStyles[] = {fsBold, fsItalic, fsUnderline, fsStrikeOut};

// The number that Key names after Prefix (both without regard to case), when the rest of
// Key is a decimal number as the list readers write it (no sign, no leading zero); -1
// otherwise.
int64_t ListKeyIndex(const AnsiString& Key, const AnsiString& Prefix) {
  if (Key.size() <= Prefix.size() || !SameText(Key.substr(0, Prefix.size()), Prefix)) return -1;
  const AnsiString digits = Key.substr(Prefix.size());
  if (digits.size() > 10 || (digits.size() > 1 && digits[0] == '0')) return -1;
  int64_t value = 0;
  for (char c : digits) {
    if (c < '0' || c > '9') return -1;
    value = value * 10 + (c - '0');
  }
  return value;
}

}  // namespace

TPoint ParsePoint(const AnsiString& S) {
  AnsiString fields[2];
  SplitFields(S, fields);
  return TPoint(StrToInt(fields[0]), StrToInt(fields[1]));
}

TRect ParseRect(const AnsiString& S) {
  AnsiString fields[4];
  SplitFields(S, fields);
  return TRect(StrToInt(fields[0]), StrToInt(fields[1]), StrToInt(fields[2]), StrToInt(fields[3]));
}

TRect ReadRect(TCustomIniFile* Ini, const AnsiString& Section, const AnsiString& Key) {
  return ParseRect(Ini->ReadString(Section, Key, "0,0,0,0"));
}

TPoint ReadPoint(TCustomIniFile* Ini, const AnsiString& Section, const AnsiString& Key) {
  return ParsePoint(Ini->ReadString(Section, Key, "0,0"));
}

bool ReadBoolean(TCustomIniFile* Ini, const AnsiString& Section, const AnsiString& Key) {
  return Ini->ReadInteger(Section, Key, 0) == 1;
}

TFontStyles ReadFontStyles(TCustomIniFile* Ini, const AnsiString& Section, const AnsiString& Key) {
  const AnsiString value = Ini->ReadString(Section, Key, "");
  TFontStyles styles;
  for (size_t i = 0; i < 4; ++i)
    if (value.find(kStyleWords[i]) != AnsiString::npos) styles.Include(kStyles[i]);
  return styles;
}

TAlignment ReadAlignment(TCustomIniFile* Ini, const AnsiString& Section, const AnsiString& Key) {
  const AnsiString value = Ini->ReadString(Section, Key, "tacenter");
  if (value == "tacenter") return taCenter;
  if (value == "taleftjustify") return taLeftJustify;
  return taRightJustify;
}

int SkinListLength(TCustomIniFile* Ini, const AnsiString& Section, const AnsiString& KeyPrefix,
                   int Count) {
  if (Count <= 0) return 0;
  if (Count <= kSkinListFullCount) return Count;
  TStringList keys;
  Ini->ReadSection(Section, &keys);
  int64_t last = -1;
  for (int i = 0; i < keys.GetCount(); ++i) {
    const int64_t index = ListKeyIndex(keys.Get(i), KeyPrefix);
    if (index < Count) last = std::max(last, index);
  }
  return static_cast<int>(last + 1);
}

void ReadStrings(TCustomIniFile* Ini, const AnsiString& Section, const AnsiString& Prefix,
                 TStrings* Strings) {
  const AnsiString linePrefix = Prefix + "line";
  const int count =
      SkinListLength(Ini, Section, linePrefix, Ini->ReadInteger(Section, Prefix + "linecount", 0));
  for (int i = 0; i < count; ++i)
    Strings->Add(Ini->ReadString(Section, linePrefix + IntToStr(i), ""));
}

void ReadCountList(TCustomIniFile* Ini, const AnsiString& Section, const AnsiString& Prefix,
                   TStrings* List) {
  const int count =
      SkinListLength(Ini, Section, "", Ini->ReadInteger(Section, Prefix + "count", 0));
  for (int i = 0; i < count; ++i) List->Add(Ini->ReadString(Section, IntToStr(i), ""));
}

void WriteRect(TCustomIniFile* Ini, const AnsiString& Section, const AnsiString& Key,
               const TRect& R) {
  Ini->WriteString(Section, Key,
                   IntToStr(R.Left) + "," + IntToStr(R.Top) + "," + IntToStr(R.Right) + "," +
                       IntToStr(R.Bottom));
}

void WritePoint(TCustomIniFile* Ini, const AnsiString& Section, const AnsiString& Key,
                const TPoint& P) {
  Ini->WriteString(Section, Key, IntToStr(P.X) + "," + IntToStr(P.Y));
}

void WriteBoolean(TCustomIniFile* Ini, const AnsiString& Section, const AnsiString& Key, bool B) {
  Ini->WriteInteger(Section, Key, B ? 1 : 0);
}

void WriteFontStyles(TCustomIniFile* Ini, const AnsiString& Section, const AnsiString& Key,
                     TFontStyles Styles) {
  AnsiString value;
  for (size_t i = 0; i < 4; ++i) {
    if (!Styles.Contains(kStyles[i])) continue;
    if (!value.empty()) value += ',';
    value += kStyleWords[i];
  }
  Ini->WriteString(Section, Key, value);
}

void WriteAlignment(TCustomIniFile* Ini, const AnsiString& Section, const AnsiString& Key,
                    TAlignment A) {
  Ini->WriteString(Section, Key,
                   A == taCenter        ? "tacenter"
                   : A == taLeftJustify ? "taleftjustify"
                                        : "tarightjustify");
}

void WriteStrings(TCustomIniFile* Ini, const AnsiString& Section, const AnsiString& Prefix,
                  TStrings* Strings) {
  Ini->WriteInteger(Section, Prefix + "linecount", Strings->GetCount());
  for (int i = 0; i < Strings->GetCount(); ++i)
    Ini->WriteString(Section, Prefix + "line" + IntToStr(i), Strings->Get(i));
}
