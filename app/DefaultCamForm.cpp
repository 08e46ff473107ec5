// The default-camera dialog.
#include "app/DefaultCamForm.h"

#include <memory>

#include "app/EngineWnd.h"
#include "app/FormSupport.h"
#include "app/Settings.h"
#include "framework/Scopes.h"
#include "skin/data/spMultiLang.h"

namespace {

constexpr int kGroupedRows = 12;  // rows 5-6 and 7-11 go together only with this many
constexpr int kVfwFirst = 5, kVfwLast = 6;
constexpr int kFlashFirst = 7, kFlashLast = 11;

}  // namespace

TfrmDefaultCam::TfrmDefaultCam(TComponent* AOwner)
    : TForm(AOwner), FStores(GetUserDefaultCamStores()) {
  TComponentLoading loading(this);
  SetName("frmDefaultCam");
  SetCaption("Set Lumetra As Default Webcam");
  SetBorderStyle(bsDialog);
  SetPosition(poMainFormCenter);
  SetClientWidth(342);
  SetClientHeight(370);

  lbSetDefaultInfo = Place<TLabel>(this, this, "lbSetDefaultInfo", 12, 12, 318, 16);
  lbSetDefaultInfo->SetCaption("Set Lumetra as default webcam of these applications");

  lvApplication = Place<TListView>(this, this, "lvApplication", 12, 34, 318, 212);
  lvApplication->SetViewStyle(vsReport);
  lvApplication->SetCheckboxes(true);
  lvApplication->SetShowColumnHeaders(false);
  lvApplication->SetRowSelect(true);
  TListColumn* column = lvApplication->GetColumns()->Add();
  column->SetCaption("Application");
  column->SetWidth(280);
  lvApplication->OnChange = [this](TObject* Sender, TListItem* Item, TItemChange Change) {
    lvApplicationChange(Sender, Item, Change);
  };

  // Fixed bounds: two lines for longer translations, and room for the whole line (under
  // Wine the underlined text draws a little wider than it measures).
  lbSetOthers = Place<TLinkLabel>(this, this, "lbSetOthers", 12, 254, 318, 32);
  lbSetOthers->SetAutoSize(false);
  lbSetOthers->SetWordWrap(true);
  lbSetOthers->SetCaption("Set other webcam applications which are not in the above list");
  lbSetOthers->OnClick = [this](TObject* Sender) { lbSetOthersClick(Sender); };

  lbSetDefaultHelp = Place<TLabel>(this, this, "lbSetDefaultHelp", 12, 292, 318, 32);
  lbSetDefaultHelp->SetAutoSize(false);
  lbSetDefaultHelp->SetWordWrap(true);
  lbSetDefaultHelp->SetCaption(
      "You can also change these settings by selecting Menu->Tools->Set Lumetra As Default.");
  lbSetDefaultHelp->SetVisible(false);

  btnOK = Place<TButton>(this, this, "btnOK", 174, 334, 75, 25);
  btnOK->SetCaption("&OK");
  btnOK->SetModalResult(mrOk);
  btnOK->SetDefault(true);
  btnOK->OnClick = [this](TObject* Sender) { btnOKClick(Sender); };
  btnCancel = Place<TButton>(this, this, "btnCancel", 255, 334, 75, 25);
  btnCancel->SetCaption("&Cancel");
  btnCancel->SetModalResult(mrCancel);
  btnCancel->SetCancel(true);

  smLanguage = CreateFormLanguage(this);
  smLanguage->OnChangeLanguage = [this](TObject* Sender) { smLanguageChangeLanguage(Sender); };

  OnCreate = [this](TObject* Sender) { FormCreate(Sender); };
  OnShow = [this](TObject* Sender) { FormShow(Sender); };
  loading.Finish();
}

void TfrmDefaultCam::SetFirstRun(bool Value) {
  FFirstRun = Value;
  lbSetDefaultHelp->SetVisible(Value);
}

void TfrmDefaultCam::FillApplicationList() {
  TStringList lines;
  lines.SetText(smLanguage->GetResString("strOtherApp"));
  TListItems* items = lvApplication->GetItems();
  items->BeginUpdate();
  try {
    items->Clear();
    for (int i = 0; i < lines.GetCount(); ++i) {
      TListItem* item = items->Add();
      item->SetCaption(lines.Get(i));
      item->SetChecked(false);
    }
  } catch (...) {
    items->EndUpdate();
    throw;
  }
  items->EndUpdate();
  FChecks.assign(size_t(items->GetCount()), false);
}

void TfrmDefaultCam::FormCreate(TObject*) {
  FillApplicationList();
  TSettings* settings = GetSettings();
  // Also hidden when the installation gives the link no address.
  lbSetOthers->SetVisible(!(settings && settings->ReadConstBool("nosetothers", false)) &&
                          !(frmEngineWndLumetra && !frmEngineWndLumetra->HasWebLink("setdefault")));
}

void TfrmDefaultCam::FormShow(TObject*) { SetRowChecks(0, lvApplication->GetItems()->GetCount() - 1, true); }

void TfrmDefaultCam::SetRowChecks(int First, int Last, bool Checked) {
  TFlagScope updating(FUpdating);
  TListItems* items = lvApplication->GetItems();
  FChecks.resize(size_t(items->GetCount()), false);
  for (int row = First; row <= Last && row < items->GetCount(); ++row) {
    items->GetItem(row)->SetChecked(Checked);
    FChecks[size_t(row)] = Checked;
  }
}

void TfrmDefaultCam::lbSetOthersClick(TObject*) {
  if (frmEngineWndLumetra) frmEngineWndLumetra->OpenWebLink("setdefault");
}

void TfrmDefaultCam::lvApplicationChange(TObject*, TListItem* Item, TItemChange Change) {
  if (Change != ctState || !Item) return;
  const int row = Item->GetIndex();
  const int count = lvApplication->GetItems()->GetCount();
  if (row < 0 || row >= count) return;
  FChecks.resize(size_t(count), false);
  // The same event tells of selection and focus: only a new check counts.
  const bool checked = Item->GetChecked();
  if (checked == FChecks[size_t(row)]) return;
  FChecks[size_t(row)] = checked;
  if (FUpdating || count < kGroupedRows) return;
  if (row >= kVfwFirst && row <= kVfwLast)
    SetRowChecks(kVfwFirst, kVfwLast, checked);
  else if (row >= kFlashFirst && row <= kFlashLast)
    SetRowChecks(kFlashFirst, kFlashLast, checked);
}

void TfrmDefaultCam::btnOKClick(TObject*) {
  TfrmEngineWndLumetra* engine = frmEngineWndLumetra;
  if (engine) engine->ShowMessageBox("MSGBOX_OtherAppClose", {}, 6, mtInformation, TMsgDlgButtons{mbOK}, 0);
  TSettings* settings = GetSettings();
  const AnsiString camera = settings ? settings->ReadConst("Driver.FriendName") : AnsiString();
  // Without the camera's name there is nothing to write: an empty name would only wipe
  // the other programs' choices.
  if (!camera.empty()) {
    TDefaultCamWriters writers(camera, FStores);
    TListItems* items = lvApplication->GetItems();
    for (const int row : TDefaultCamWriters::kRows)
      if (row < items->GetCount() && items->GetItem(row)->GetChecked()) writers.RunRow(row);
  }
  if (engine) engine->ShowMessageBox("MSGBOX_OtherAppRestart", {}, 7, mtInformation, TMsgDlgButtons{mbOK}, 0);
}

void TfrmDefaultCam::smLanguageChangeLanguage(TObject*) { FillApplicationList(); }

void RunDefaultCamDialog(TfrmEngineWndLumetra* Owner, bool FirstRun) {
  struct TFree {
    void operator()(TObject* Object) const { Object->Free(); }
  };
  std::unique_ptr<TfrmDefaultCam, TFree> dialog(new TfrmDefaultCam(Owner));
  dialog->SetFirstRun(FirstRun);
  dialog->ShowModal();
}
