// Fuzzes the ini reader: whatever the text, it must read without crashing, every key it
// lists must read back its value, and writing the content out and reading it again must
// give the same content.
#include <cstddef>
#include <cstdint>

#include "framework/IniFiles.h"

namespace {
void Check(bool condition) {
  if (!condition) __builtin_trap();
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  TMemIniFile ini;
  ini.SetText(AnsiString(reinterpret_cast<const char*>(data), size));

  TStringList sections, keys, values;
  ini.ReadSections(&sections);
  for (int s = 0; s < sections.GetCount(); ++s) {
    AnsiString section = sections.Get(s);
    ini.ReadSection(section, &keys);
    ini.ReadSectionValues(section, &values);
    Check(keys.GetCount() == values.GetCount());
    for (int k = 0; k < keys.GetCount(); ++k) {
      Check(ini.ValueExists(section, keys.Get(k)));
      Check(values.Get(k) == keys.Get(k) + "=" + ini.ReadString(section, keys.Get(k), "\x01"));
      ini.ReadInteger(section, keys.Get(k), 0);
    }
  }

  TStringList first, second;
  ini.GetStrings(&first);
  TMemIniFile again;
  again.SetStrings(&first);
  again.GetStrings(&second);
  Check(first.Equals(&second));
  return 0;
}
