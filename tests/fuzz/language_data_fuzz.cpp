// Fuzzes the language data: whatever a language file holds, it loads without crashing, the
// stored form escapes it so that only line breaks and printable characters remain and
// decodes back to it ("+" aside, which reads as a blank), every key of every section is
// found with its value, and writing [Info] keeps every other text.
#include <cstddef>
#include <cstdint>

#include "skin/data/spMultiLangData.h"

namespace {
void Check(bool condition) {
  if (!condition) __builtin_trap();
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const AnsiString text(reinterpret_cast<const char*>(data), size);
  const AnsiString stored = EscapeLanguageText(text);
  for (char c : stored) {
    const unsigned char u = static_cast<unsigned char>(c);
    Check(u == '\r' || u == '\n' || (u >= 0x20 && u <= 0x7E));
  }
  AnsiString plusAsBlank = text;
  for (char& c : plusAsBlank) {
    if (c == '+') c = ' ';
  }
  Check(DecodeLanguageText(stored) == plusAsBlank);
  DecodeLanguageText(text);  // any text decodes

  TComponent* owner = new TComponent(nullptr);
  TspMultiLangData* language = new TspMultiLangData(owner);
  language->LoadFromText(text);
  TMemIniFile ini;
  ini.SetText(plusAsBlank);
  TStringList sections, keys;
  ini.ReadSections(&sections);
  for (int s = 0; s < sections.GetCount() && s < 50; ++s) {
    TStringList values;
    language->ReadSection(sections.Get(s), &values);
    ini.ReadSection(sections.Get(s), &keys);
    for (int k = 0; k < keys.GetCount() && k < 200; ++k) {
      AnsiString value;
      Check(language->FindValue(sections.Get(s), "", keys.Get(k), value));
      Check(value == ExpandLanguageTags(ini.ReadString(sections.Get(s), keys.Get(k), "")));
    }
  }
  const AnsiString language1 = language->GetLanguage();
  language->SetTranslator("fuzz");
  Check(language->GetTranslator() == "fuzz");
  Check(language->GetLanguage() == language1);
  owner->Free();
  return 0;
}
