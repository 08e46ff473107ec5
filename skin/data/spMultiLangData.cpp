#include "skin/data/spMultiLangData.h"

#include <algorithm>

#include "framework/TypInfo.h"
#include "skin/data/spMultiLang.h"

namespace {

const char kInfoSection[] = "Info";

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

bool KeptAsIs(unsigned char c) {
  return c == '\r' || c == '\n' || (c >= 0x20 && c <= 0x24) || (c >= 0x26 && c <= 0x7E);
}

}  // namespace

AnsiString EscapeLanguageText(const AnsiString& Text) {
  static const char digits[] = "0123456789abcdef";
  AnsiString stored;
  stored.reserve(Text.size());
  for (char ch : Text) {
    const unsigned char c = static_cast<unsigned char>(ch);
    if (KeptAsIs(c)) {
      stored += ch;
    } else {
      stored += '%';
      stored += digits[c >> 4];
      stored += digits[c & 15];
    }
  }
  return stored;
}

AnsiString DecodeLanguageText(const AnsiString& Stored) {
  AnsiString text;
  text.reserve(Stored.size());
  for (size_t i = 0; i < Stored.size(); ++i) {
    const char c = Stored[i];
    if (c == '+') {
      text += ' ';
    } else if (c == '%' && i + 2 < Stored.size() && HexDigit(Stored[i + 1]) >= 0 &&
               HexDigit(Stored[i + 2]) >= 0) {
      text += static_cast<char>(HexDigit(Stored[i + 1]) * 16 + HexDigit(Stored[i + 2]));
      i += 2;
    } else {
      text += c;
    }
  }
  return text;
}

AnsiString ExpandLanguageTags(const AnsiString& Value) {
  const TReplaceFlags all{rfReplaceAll, rfIgnoreCase};
  return StringReplace(StringReplace(Value, "<BR>", "\r\n", all), "<SP>", " ", all);
}

TspMultiLangData::TspMultiLangData(TComponent* AOwner)
    : TComponent(AOwner), FData(new TStringList), FIni(new TMemIniFile) {
  FData->OnChange = [this](TObject* Sender) { DataChanged(Sender); };
}

TspMultiLangData::~TspMultiLangData() {
  // The linked components were told by Notification; forget them.
  FLinks.clear();
  FData->OnChange = nullptr;
}

void TspMultiLangData::PublishProperties(TPropList& Props) const {
  TComponent::PublishProperties(Props);
  Props.Object("Data", &TspMultiLangData::GetData);
}

void TspMultiLangData::DataChanged(TObject*) {
  if (!FStoring) FDataChanged = true;
}

void TspMultiLangData::SetData(TStrings* Value) {
  if (Value == FData.get()) return;
  if (Value)
    FData->Assign(Value);
  else
    FData->Clear();
  FDataChanged = true;
}

void TspMultiLangData::LoadFromText(const AnsiString& Text) {
  FData->SetText(EscapeLanguageText(Text));
  FDataChanged = true;
  Parse();
  NotifyLinks();
}

void TspMultiLangData::LoadFromFile(const AnsiString& FileName) {
  AnsiString text;
  try {
    TMemoryStream file;
    file.LoadFromFile(FileName);
    text.assign(static_cast<const char*>(file.GetMemory()), static_cast<size_t>(file.GetSize()));
  } catch (const Exception&) {
    text.clear();  // an unreadable file: every lookup falls back to the default data
  }
  LoadFromText(text);
}

void TspMultiLangData::Parse() {
  if (!FDataChanged) return;
  FIni->SetText(DecodeLanguageText(FData->GetText()));
  FDataChanged = false;
  FIniModified = false;
}

void TspMultiLangData::Store() {
  if (!FIniModified) return;
  TStringList lines;
  FIni->GetStrings(&lines);
  FStoring = true;
  FData->SetText(EscapeLanguageText(lines.GetText()));
  FStoring = false;
  FDataChanged = false;
  FIniModified = false;
}

bool TspMultiLangData::FindValue(const AnsiString& Section, const AnsiString& Prefix,
                                 const AnsiString& Name, AnsiString& Value) {
  Parse();
  const AnsiString key = Prefix.empty() ? Name : Prefix + "." + Name;
  if (!FIni->ValueExists(Section, key)) return false;
  Value = ExpandLanguageTags(FIni->ReadString(Section, key, AnsiString()));
  return true;
}

void TspMultiLangData::ReadSection(const AnsiString& Section, TStrings* Strings) {
  Parse();
  TStringList keys;
  FIni->ReadSection(Section, &keys);
  for (int i = 0; i < keys.GetCount(); ++i) {
    const AnsiString key = keys.Get(i);
    Strings->SetValue(key, ExpandLanguageTags(FIni->ReadString(Section, key, AnsiString())));
  }
}

AnsiString TspMultiLangData::GetLanguage() {
  Parse();
  return FIni->ReadString(kInfoSection, "Language", AnsiString());
}

AnsiString TspMultiLangData::GetVersion() {
  Parse();
  return FIni->ReadString(kInfoSection, "Version", AnsiString());
}

AnsiString TspMultiLangData::GetTranslator() {
  Parse();
  return FIni->ReadString(kInfoSection, "Translator", AnsiString());
}

void TspMultiLangData::WriteInfo(const AnsiString& Name, const AnsiString& Value) {
  Parse();
  FIni->WriteString(kInfoSection, Name, Value);
  FIniModified = true;
  Store();
}

void TspMultiLangData::SetLanguage(const AnsiString& Value) { WriteInfo("Language", Value); }
void TspMultiLangData::SetVersion(const AnsiString& Value) { WriteInfo("Version", Value); }
void TspMultiLangData::SetTranslator(const AnsiString& Value) { WriteInfo("Translator", Value); }

void TspMultiLangData::AssignTo(TPersistent* Dest) {
  TspMultiLangData* target = dynamic_cast<TspMultiLangData*>(Dest);
  if (!target) {
    TComponent::AssignTo(Dest);
    return;
  }
  target->SetLanguage(GetLanguage());
  target->SetVersion(GetVersion());
  target->SetTranslator(GetTranslator());
  Store();
  target->FData->Assign(FData.get());
  target->FDataChanged = true;
  target->Parse();
  target->NotifyLinks();
}

void TspMultiLangData::AddLink(TspMultiLang* Link) {
  if (!Link || std::find(FLinks.begin(), FLinks.end(), Link) != FLinks.end()) return;
  FLinks.push_back(Link);
  FreeNotification(Link);
}

void TspMultiLangData::RemoveLink(TspMultiLang* Link) {
  FLinks.erase(std::remove(FLinks.begin(), FLinks.end(), Link), FLinks.end());
}

void TspMultiLangData::NotifyLinks() {
  // A link's handler may load other data or free forms: walk a copy and skip links that
  // went away meanwhile.
  const std::vector<TspMultiLang*> links = FLinks;
  for (TspMultiLang* link : links) {
    if (std::find(FLinks.begin(), FLinks.end(), link) != FLinks.end()) link->Apply();
  }
}

void TspMultiLangData::Notification(TComponent* AComponent, TOperation Operation) {
  TComponent::Notification(AComponent, Operation);
  if (Operation != opRemove) return;
  // Compared as components: the link may be part way through its destruction.
  FLinks.erase(std::remove_if(FLinks.begin(), FLinks.end(),
                              [AComponent](TspMultiLang* link) {
                                return static_cast<TComponent*>(link) == AComponent;
                              }),
               FLinks.end());
}
