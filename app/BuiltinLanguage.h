// The program's built-in language: the English language file, built into the program.
#pragma once

#include "framework/System.h"

// The text of "langs\English.lan" as it was when the program was built.
AnsiString BuiltinLanguageText();
