#include "app/InputUrlForm.h"

#include "app/FormSupport.h"

TfrmInputUrlForm::TfrmInputUrlForm(TComponent* AOwner) : TForm(AOwner) {
  TComponentLoading loading(this);
  SetName("frmInputUrlForm");
  SetCaption("Input URL");
  SetBorderStyle(bsDialog);
  SetPosition(poMainFormCenter);
  SetClientWidth(499);
  SetClientHeight(96);
  smLanguage = CreateFormLanguage(this);

  lbURL = new TLabel(this);
  lbURL->SetName("lbURL");
  lbURL->SetCaption("URL");
  lbURL->SetBounds(16, 20, 40, 16);
  lbURL->SetParent(this);

  edURL = new TEdit(this);
  edURL->SetName("edURL");
  edURL->SetText("");
  edURL->SetBounds(60, 16, 425, 22);
  edURL->SetTabOrder(0);
  edURL->SetParent(this);
  lbURL->SetFocusControl(edURL);

  btnOK = new TButton(this);
  btnOK->SetName("btnOK");
  btnOK->SetCaption("&OK");
  btnOK->SetModalResult(mrOk);
  btnOK->SetDefault(true);
  btnOK->SetBounds(322, 56, 78, 26);
  btnOK->SetParent(this);

  btnCancel = new TButton(this);
  btnCancel->SetName("btnCancel");
  btnCancel->SetCaption("&Cancel");
  btnCancel->SetModalResult(mrCancel);
  btnCancel->SetCancel(true);
  btnCancel->SetBounds(407, 56, 78, 26);
  btnCancel->SetParent(this);

  SetActiveControl(edURL);
  loading.Finish();
}
