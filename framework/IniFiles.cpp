#include "framework/IniFiles.h"

namespace {
AnsiString Fold(const AnsiString& name) { return AnsiUpperCase(name); }
}  // namespace

// ---------------------------------------------------------------------------------------
// TCustomIniFile

int TCustomIniFile::ReadInteger(const AnsiString& Section, const AnsiString& Ident,
                                int Default) {
  AnsiString text = ReadString(Section, Ident, AnsiString());
  if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X'))
    text = "$" + text.substr(2);
  return StrToIntDef(text, Default);
}

void TCustomIniFile::WriteInteger(const AnsiString& Section, const AnsiString& Ident, int Value) {
  WriteString(Section, Ident, IntToStr(Value));
}

bool TCustomIniFile::ReadBool(const AnsiString& Section, const AnsiString& Ident, bool Default) {
  return ReadInteger(Section, Ident, Default ? 1 : 0) != 0;
}

void TCustomIniFile::WriteBool(const AnsiString& Section, const AnsiString& Ident, bool Value) {
  WriteString(Section, Ident, Value ? "1" : "0");
}

double TCustomIniFile::ReadFloat(const AnsiString& Section, const AnsiString& Ident,
                                 double Default) {
  return StrToFloatDef(ReadString(Section, Ident, AnsiString()), Default);
}

void TCustomIniFile::WriteFloat(const AnsiString& Section, const AnsiString& Ident,
                                double Value) {
  WriteString(Section, Ident, FloatToStr(Value));
}

bool TCustomIniFile::SectionExists(const AnsiString& Section) {
  TStringList keys;
  ReadSection(Section, &keys);
  return keys.GetCount() > 0;
}

bool TCustomIniFile::ValueExists(const AnsiString& Section, const AnsiString& Ident) {
  TStringList keys;
  ReadSection(Section, &keys);
  return keys.IndexOf(Ident) >= 0;
}

// ---------------------------------------------------------------------------------------
// TMemIniFile

void TMemIniFile::TSection::Reindex() {
  Keys.clear();
  for (size_t i = 0; i < Lines.size(); ++i)
    if (Lines[i].IsKey) Keys.emplace(Fold(Lines[i].Name), i);  // keeps the first
}

TMemIniFile::TMemIniFile(const AnsiString& FileName) : TCustomIniFile(FileName) { LoadValues(); }

TMemIniFile::~TMemIniFile() = default;

void TMemIniFile::LoadValues() {
  Clear();
  if (FFileName.empty() || !FileExists(FFileName)) return;
  TStringList lines;
  lines.LoadFromFile(FFileName);
  SetStrings(&lines);
}

void TMemIniFile::Clear() {
  FPreamble.clear();
  FSections.clear();
  FSectionIndex.clear();
}

TMemIniFile::TSection* TMemIniFile::FindSection(const AnsiString& Name) const {
  auto found = FSectionIndex.find(Fold(Name));
  return found == FSectionIndex.end() ? nullptr : FSections[found->second].get();
}

TMemIniFile::TSection* TMemIniFile::AddSection(const AnsiString& Name) {
  if (TSection* existing = FindSection(Name)) return existing;
  auto section = std::make_unique<TSection>();
  section->Name = Name;
  FSectionIndex.emplace(Fold(Name), FSections.size());
  FSections.push_back(std::move(section));
  return FSections.back().get();
}

void TMemIniFile::SetStrings(TStrings* List) {
  Clear();
  TSection* section = nullptr;
  int count = List->GetCount();
  for (int i = 0; i < count; ++i) {
    AnsiString line = Trim(List->Get(i));
    if (line.empty()) continue;
    if (line[0] != ';' && line.size() >= 2 && line[0] == '[' && line.back() == ']') {
      section = AddSection(line.substr(1, line.size() - 2));
      continue;
    }
    TLine entry{line, AnsiString(), false};
    size_t separator = line.find('=');
    if (line[0] != ';' && separator != AnsiString::npos && separator > 0) {
      entry.Name = Trim(line.substr(0, separator));
      entry.Value = Trim(line.substr(separator + 1));
      entry.IsKey = !entry.Name.empty();
      if (!entry.IsKey) entry.Name = line;
    }
    if (!section) {
      FPreamble.push_back(line);
      continue;
    }
    section->Lines.push_back(std::move(entry));
    if (section->Lines.back().IsKey)
      section->Keys.emplace(Fold(section->Lines.back().Name), section->Lines.size() - 1);
  }
}

void TMemIniFile::SetText(const AnsiString& Text) {
  TStringList lines;
  lines.SetText(Text);
  SetStrings(&lines);
}

void TMemIniFile::GetStrings(TStrings* List) const {
  UpdateWhile(List, [&] {
    List->Clear();
    for (const AnsiString& line : FPreamble) List->Add(line);
    for (const auto& section : FSections) {
      List->Add("[" + section->Name + "]");
      for (const TLine& line : section->Lines)
        List->Add(line.IsKey ? line.Name + "=" + line.Value : line.Name);
      List->Add(AnsiString());
    }
  });
}

const TMemIniFile::TLine* TMemIniFile::FindKey(const AnsiString& Section,
                                               const AnsiString& Ident) const {
  TSection* section = FindSection(Section);
  if (!section) return nullptr;
  auto found = section->Keys.find(Fold(Ident));
  return found == section->Keys.end() ? nullptr : &section->Lines[found->second];
}

AnsiString TMemIniFile::ReadString(const AnsiString& Section, const AnsiString& Ident,
                                   const AnsiString& Default) {
  const TLine* line = FindKey(Section, Ident);
  return line ? line->Value : Default;
}

void TMemIniFile::WriteString(const AnsiString& Section, const AnsiString& Ident,
                              const AnsiString& Value) {
  TSection* section = AddSection(Section);
  auto found = section->Keys.find(Fold(Ident));
  if (found != section->Keys.end()) {
    section->Lines[found->second].Value = Value;
    return;
  }
  section->Lines.push_back(TLine{Ident, Value, true});
  section->Keys.emplace(Fold(Ident), section->Lines.size() - 1);
}

void TMemIniFile::ListKeys(const AnsiString& Section, TStrings* Strings, bool WithValues) const {
  UpdateWhile(Strings, [&] {
    Strings->Clear();
    TSection* section = FindSection(Section);
    if (!section) return;
    for (size_t i = 0; i < section->Lines.size(); ++i) {
      const TLine& line = section->Lines[i];
      if (!line.IsKey || section->Keys.at(Fold(line.Name)) != i) continue;  // a later twin
      Strings->Add(WithValues ? line.Name + "=" + line.Value : line.Name);
    }
  });
}

void TMemIniFile::ReadSection(const AnsiString& Section, TStrings* Strings) {
  ListKeys(Section, Strings, false);
}

void TMemIniFile::ReadSections(TStrings* Strings) {
  UpdateWhile(Strings, [&] {
    Strings->Clear();
    for (const auto& section : FSections) Strings->Add(section->Name);
  });
}

void TMemIniFile::ReadSectionValues(const AnsiString& Section, TStrings* Strings) {
  ListKeys(Section, Strings, true);
}

void TMemIniFile::EraseSection(const AnsiString& Section) {
  auto found = FSectionIndex.find(Fold(Section));
  if (found == FSectionIndex.end()) return;
  FSections.erase(FSections.begin() + static_cast<std::ptrdiff_t>(found->second));
  FSectionIndex.clear();
  for (size_t i = 0; i < FSections.size(); ++i)
    FSectionIndex.emplace(Fold(FSections[i]->Name), i);
}

void TMemIniFile::DeleteKey(const AnsiString& Section, const AnsiString& Ident) {
  TSection* section = FindSection(Section);
  if (!section) return;
  auto found = section->Keys.find(Fold(Ident));
  if (found == section->Keys.end()) return;
  section->Lines.erase(section->Lines.begin() + static_cast<std::ptrdiff_t>(found->second));
  section->Reindex();
}

bool TMemIniFile::ValueExists(const AnsiString& Section, const AnsiString& Ident) {
  return FindKey(Section, Ident) != nullptr;
}

void TMemIniFile::UpdateFile() {
  if (FFileName.empty()) return;
  TStringList lines;
  GetStrings(&lines);
  lines.SaveToFile(FFileName);
}

void TMemIniFile::Rename(const AnsiString& FileName, bool Reload) {
  FFileName = FileName;
  if (Reload) LoadValues();
}

// ---------------------------------------------------------------------------------------
// TIniFile

TIniFile::TIniFile(const AnsiString& FileName) : TCustomIniFile(FileName) {}

TIniFile::~TIniFile() = default;

TMemIniFile& TIniFile::Current() {
  // Read every time: another program may have changed the file in between, and a file
  // time need not change with it.
  FCache = std::make_unique<TMemIniFile>(FFileName);
  return *FCache;
}

void TIniFile::Store() { FCache->UpdateFile(); }

AnsiString TIniFile::ReadString(const AnsiString& Section, const AnsiString& Ident,
                                const AnsiString& Default) {
  return Current().ReadString(Section, Ident, Default);
}

void TIniFile::WriteString(const AnsiString& Section, const AnsiString& Ident,
                           const AnsiString& Value) {
  Current().WriteString(Section, Ident, Value);
  Store();
}

void TIniFile::ReadSection(const AnsiString& Section, TStrings* Strings) {
  Current().ReadSection(Section, Strings);
}

void TIniFile::ReadSections(TStrings* Strings) { Current().ReadSections(Strings); }

void TIniFile::ReadSectionValues(const AnsiString& Section, TStrings* Strings) {
  Current().ReadSectionValues(Section, Strings);
}

void TIniFile::EraseSection(const AnsiString& Section) {
  Current().EraseSection(Section);
  Store();
}

void TIniFile::DeleteKey(const AnsiString& Section, const AnsiString& Ident) {
  Current().DeleteKey(Section, Ident);
  Store();
}

bool TIniFile::ValueExists(const AnsiString& Section, const AnsiString& Ident) {
  return Current().ValueExists(Section, Ident);
}
