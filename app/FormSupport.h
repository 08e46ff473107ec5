// What the program's smaller windows share: their controls' placing, their language
// component linked to the engine window's language data and the program folder their
// pictures lie in. Windows only.
#pragma once

#include "framework/System.h"

class TCustomForm;
class TspMultiLang;
struct TMessage;

// A control of the form made as a form resource would make it: owned by the form, named,
// placed and put into its parent.
template <class T, class TOwnerForm, class TParent>
T* Place(TOwnerForm* Form, TParent* Parent, const char* Name, int Left, int Top, int Width, int Height) {
  T* control = new T(Form);
  control->SetName(Name);
  control->SetBounds(Left, Top, Width, Height);
  control->SetParent(Parent);
  return control;
}

// Makes the window's language component "smLanguage" (call it while the window is being
// built, so that the texts are applied once it is loaded). Without an engine window it
// is made unlinked and changes nothing.
TspMultiLang* CreateFormLanguage(TCustomForm* Form);

// A drop of files on one of the program's windows (WM_DROPFILES): the window comes to the
// front, the dropped names are collected and handed to the engine window's dropped-files
// hook; the drop is finished.
void HandleDroppedFiles(TCustomForm* Form, TMessage& Message);

// The program's folder as the settings know it (with a trailing backslash); the folder of
// the program file when there are no settings.
AnsiString ProgramFolder();

