#include "app/BuiltinLanguage.h"

#include <cstddef>

extern const unsigned char kBuiltinEnglish[];
extern const size_t kBuiltinEnglishSize;

AnsiString BuiltinLanguageText() {
  return AnsiString(reinterpret_cast<const char*>(kBuiltinEnglish), kBuiltinEnglishSize);
}
