#include "app/OptionsForm.h"

#include <algorithm>
#include <cmath>

#include "app/EngineWnd.h"
#include "app/FormSupport.h"
#include "app/FormRules.h"
#include "app/Instance.h"
#include "app/Settings.h"
#include "framework/Scopes.h"

TfrmOptionForm::TfrmOptionForm(TComponent* AOwner) : TForm(AOwner) {
  TComponentLoading loading(this);
  SetName("frmOptionForm");
  SetCaption("Lumetra Options");
  SetBorderStyle(bsDialog);
  SetPosition(poMainFormCenter);
  SetClientWidth(360);
  SetClientHeight(214);
  smLanguage = CreateFormLanguage(this);

  lbWebcamSourceSize = Place<TLabel>(this, this, "lbWebcamSourceSize", 16, 20, 150, 16);
  lbWebcamSourceSize->SetCaption("Webcam source size");
  cbWebcamSourceSize = Place<TComboBox>(this, this, "cbWebcamSourceSize", 184, 16, 160, 22);
  cbWebcamSourceSize->SetStyle(csDropDownList);
  for (const char* size : {"176x144", "320x240", "352x288", "640x480"})
    cbWebcamSourceSize->GetItems()->Add(size);
  lbWebcamSourceSize->SetFocusControl(cbWebcamSourceSize);

  lbWebcamRate = Place<TLabel>(this, this, "lbWebcamRate", 16, 52, 150, 16);
  lbWebcamRate->SetCaption("Webcam source rate");
  edSourceRate = Place<TSpinEdit>(this, this, "edSourceRate", 184, 48, 80, 22);
  edSourceRate->SetValueType(vtInteger);
  edSourceRate->SetMinValue(kMinStreamRate);
  edSourceRate->SetMaxValue(30);
  edSourceRate->SetIncrement(1);

  lbSettingfor = Place<TLabel>(this, this, "lbSettingfor", 16, 84, 150, 16);
  lbSettingfor->SetCaption("Adopt the settings of");
  cbAllUsers = Place<TComboBox>(this, this, "cbAllUsers", 184, 80, 160, 22);
  cbAllUsers->SetStyle(csDropDownList);
  cbAllUsers->GetItems()->SetText("All Users\r\nCurrent User\r\n");
  cbAllUsers->OnChange = [this](TObject* Sender) { cbAllUsersChange(Sender); };
  lbSettingfor->SetFocusControl(cbAllUsers);

  cbAutoUpdate = Place<TCheckBox>(this, this, "cbAutoUpdate", 16, 114, 328, 20);
  cbAutoUpdate->SetCaption("Automaticaly check updates when Lumetra starts");

  btnClearShowAgainFlag = Place<TButton>(this, this, "btnClearShowAgainFlag", 16, 142, 170, 26);
  btnClearShowAgainFlag->SetCaption("Clear Show Again Flag");
  btnClearShowAgainFlag->OnClick = [this](TObject* Sender) { btnClearShowAgainFlagClick(Sender); };

  pnButtons = Place<TPanel>(this, this, "pnButtons", 0, 0, 360, 40);
  pnButtons->SetAlign(alBottom);
  pnButtons->SetBevelOuter(bvNone);
  pnButtons->SetCaption("");
  btnOk = Place<TButton>(this, pnButtons, "btnOk", 180, 6, 78, 26);
  btnOk->SetCaption("&OK");
  btnOk->SetModalResult(mrOk);
  btnOk->SetDefault(true);
  btnOk->OnClick = [this](TObject* Sender) { btnOkClick(Sender); };
  btnCancel = Place<TButton>(this, pnButtons, "btnCancel", 266, 6, 78, 26);
  btnCancel->SetCaption("Cancel");
  btnCancel->SetModalResult(mrCancel);
  btnCancel->SetCancel(true);

  OnCreate = [this](TObject* Sender) { FormCreate(Sender); };
  loading.Finish();
}

void TfrmOptionForm::FormCreate(TObject*) {
  TSettings* settings = GetSettings();
  cbAutoUpdate->SetVisible(settings && settings->ReadConstBool("Menu.ShowUpdate", false));
  LoadOptions();
}

void TfrmOptionForm::LoadOptions() {
  TSettings* settings = GetSettings();
  if (!settings) return;
  TFlagScope loading(FLoading);
  cbAutoUpdate->SetChecked(settings->Read(Setting::AutoCheckUpdate));
  cbWebcamSourceSize->SetItemIndex(settings->Read(Setting::WebcamSourceSize));
  edSourceRate->SetValue(settings->Read(Setting::StreamRate));
  cbAllUsers->SetItemIndex(frmEngineWndLumetra && frmEngineWndLumetra->GetAllUsers() ? 0 : 1);
}

void TfrmOptionForm::SaveOptions() {
  TSettings* settings = GetSettings();
  if (!settings) return;
  settings->Write(Setting::AutoCheckUpdate, cbAutoUpdate->GetChecked());
  const int sizeIndex = cbWebcamSourceSize->GetItemIndex();
  settings->Write(Setting::WebcamSourceSize, sizeIndex);
  settings->Write(Setting::StreamRate,
                  std::max(kMinStreamRate, static_cast<int>(std::ceil(edSourceRate->GetValue()))));
  const TSize size = WebcamSourceSizeOf(sizeIndex);
  settings->Write(Setting::StreamWidth, size.cx);
  settings->Write(Setting::StreamHeight, size.cy);
  if (frmEngineWndLumetra) frmEngineWndLumetra->ApplyStreamSettings();
}

void TfrmOptionForm::btnOkClick(TObject*) { SaveOptions(); }

void TfrmOptionForm::btnClearShowAgainFlagClick(TObject*) {
  if (TSettings* settings = GetSettings()) settings->ClearShowAgain();
}

void TfrmOptionForm::cbAllUsersChange(TObject*) {
  if (FLoading || !frmEngineWndLumetra) return;
  const bool allUsers = cbAllUsers->GetItemIndex() == 0;
  const int answer = frmEngineWndLumetra->ShowMessageBox(
      allUsers ? "MSGBOX_SetAllUsers" : "MSGBOX_SetCurrentUser", {}, 0, mtConfirmation,
      TMsgDlgButtons{mbOK, mbCancel}, 0);
  if (answer != mrOk) return;
  Close();
  PostMessageA(frmEngineWndLumetra->GetHandle(), WM_SWITCH_SETTINGS_FOLDER, allUsers ? 1 : 0, 0);
}
