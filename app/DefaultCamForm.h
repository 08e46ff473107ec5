// The default-camera dialog: a check-box list of other programs (messengers, video-chat
// programs, Flash web sites), all checked when it shows; OK writes the virtual camera's
// name into the settings store of every checked program (DefaultCamWriters.h). Opened
// modally by the engine window. Windows only.
#pragma once

#include "framework/ComCtrls.h"
#include "framework/Forms.h"
#include "framework/StdCtrls.h"

#include "app/DefaultCamWriters.h"

class TspMultiLang;
class TfrmEngineWndLumetra;

class TfrmDefaultCam : public TForm {
 public:
  explicit TfrmDefaultCam(TComponent* AOwner);

  // Whether this is the program's first run: only then the help line shows.
  bool GetFirstRun() const { return FFirstRun; }
  void SetFirstRun(bool Value);
  // One unchecked row per line of the language text "strOtherApp".
  void FillApplicationList();
  // Where OK writes (the stores of the user running the program unless set).
  const TDefaultCamStores& GetStores() const { return FStores; }
  void SetStores(const TDefaultCamStores& Value) { FStores = Value; }

  TLabel* lbSetDefaultInfo = nullptr;
  TListView* lvApplication = nullptr;
  TLinkLabel* lbSetOthers = nullptr;
  TLabel* lbSetDefaultHelp = nullptr;
  TButton* btnOK = nullptr;
  TButton* btnCancel = nullptr;
  TspMultiLang* smLanguage = nullptr;

 private:
  void FormCreate(TObject* Sender);
  void FormShow(TObject* Sender);
  void lbSetOthersClick(TObject* Sender);
  // A row's check changed: rows 5 and 6 and rows 7 to 11 go together, when the list has
  // those rows (12 or more).
  void lvApplicationChange(TObject* Sender, TListItem* Item, TItemChange Change);
  void btnOKClick(TObject* Sender);
  void smLanguageChangeLanguage(TObject* Sender);
  void SetRowChecks(int First, int Last, bool Checked);

  bool FUpdating = false;  // set while the dialog itself checks rows
  bool FFirstRun = false;
  std::vector<bool> FChecks;  // each row's check as last seen
  TDefaultCamStores FStores;
};

// Makes the dialog owned by the engine window, tells it whether this is the first run,
// shows it modally and frees it: the engine window's DefaultCamDialog in the program.
void RunDefaultCamDialog(TfrmEngineWndLumetra* Owner, bool FirstRun);
