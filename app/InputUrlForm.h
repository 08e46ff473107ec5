// The dialog in which the user types an address to add to the playlist. The main window
// shows it modally and, on OK, takes the address with GetUrl. Windows only.
#pragma once

#include "framework/Forms.h"
#include "framework/StdCtrls.h"

class TspMultiLang;

class TfrmInputUrlForm : public TForm {
 public:
  explicit TfrmInputUrlForm(TComponent* AOwner);

  // The address as typed.
  AnsiString GetUrl() { return edURL->GetText(); }

  TLabel* lbURL = nullptr;
  TEdit* edURL = nullptr;
  TButton* btnOK = nullptr;
  TButton* btnCancel = nullptr;
  TspMultiLang* smLanguage = nullptr;
};
