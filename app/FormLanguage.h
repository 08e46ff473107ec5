// The language component each of the program's windows carries: it takes its texts from
// the engine window's language data and options, re-labels the window when it is built
// and again whenever another language is loaded. Windows only.
#pragma once

class TCustomForm;
class TspMultiLang;

// Makes the window's language component "smLanguage" (call it while the window is being
// built, so that the texts are applied once it is loaded). Without an engine window it
// is made unlinked and changes nothing.
TspMultiLang* CreateFormLanguage(TCustomForm* Form);
