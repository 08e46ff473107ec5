// The options dialog: the output picture size and frame rate, whether the start-up
// update answer is shown, which settings folder is used (per user or for all users), and
// clearing the remembered answers of the message boxes. OK stores the values and hands a
// new size or rate to the engine at once; choosing the other settings folder starts the
// program again. The main window shows it modally. Windows only.
#pragma once

#include "framework/ExtCtrls.h"
#include "framework/Forms.h"
#include "framework/StdCtrls.h"

class TspMultiLang;

class TfrmOptionForm : public TForm {
 public:
  explicit TfrmOptionForm(TComponent* AOwner);

  // The settings into the controls (their change handlers see the loading flag).
  void LoadOptions();
  // The controls into the settings, then the new size and rate to the engine.
  void SaveOptions();

  TLabel* lbWebcamRate = nullptr;
  TLabel* lbWebcamSourceSize = nullptr;
  TLabel* lbSettingfor = nullptr;
  TSpinEdit* edSourceRate = nullptr;
  TComboBox* cbWebcamSourceSize = nullptr;
  TCheckBox* cbAutoUpdate = nullptr;
  TButton* btnClearShowAgainFlag = nullptr;
  TComboBox* cbAllUsers = nullptr;
  TPanel* pnButtons = nullptr;
  TButton* btnOk = nullptr;
  TButton* btnCancel = nullptr;
  TspMultiLang* smLanguage = nullptr;

 private:
  void FormCreate(TObject* Sender);
  void btnOkClick(TObject* Sender);
  void btnClearShowAgainFlagClick(TObject* Sender);
  void cbAllUsersChange(TObject* Sender);

  bool FLoading = false;
};
