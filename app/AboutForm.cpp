#include "app/AboutForm.h"

#include <cstddef>

#include "app/EngineWnd.h"
#include "app/FormSupport.h"
#include "app/SPTools.h"
#include "app/Settings.h"
#include "skin/data/PngImage.h"
#include "skin/data/spMultiLang.h"
#include "skin/data/spMultiLangData.h"

extern const unsigned char kBuiltinLogo[];
extern const size_t kBuiltinLogoSize;

namespace {

const char* const kLogoPicture = "res\\images\\logo.png";
// The constant holding the product's web address (its home page).
const char* const kWebAddressConst = "URL.home";

// A PNG picture read from the bytes; empty when they are no picture.
void LoadPng(TPicture* Picture, const AnsiString& Bytes) {
  TMemoryStream stream;
  stream.WriteBuffer(Bytes.data(), static_cast<int64_t>(Bytes.size()));
  stream.SetPosition(0);
  TPNGObject png;
  png.LoadFromStream(&stream);
  Picture->SetGraphic(&png);
}

}  // namespace

AnsiString BuiltinLogoPng() {
  return AnsiString(reinterpret_cast<const char*>(kBuiltinLogo), kBuiltinLogoSize);
}

TLinkImage::TLinkImage(TComponent* AOwner) : TImage(AOwner) {}

void TLinkImage::SetURL(const AnsiString& Value) {
  FURL = Value;
  SetCursor(Trim(Value).empty() ? crDefault : crHandPoint);
}

void TLinkImage::Click() {
  TImage::Click();
  if (!Trim(FURL).empty()) {
    TCustomForm* form = GetParentForm(this);
    OpenUrlInBrowser(form && form->HandleAllocated() ? form->GetHandle() : nullptr, FURL);
  }
}

TfrmAboutForm::TfrmAboutForm(TComponent* AOwner) : TForm(AOwner) {
  TComponentLoading loading(this);
  SetName("frmAboutForm");
  SetCaption("About Lumetra");
  SetBorderStyle(bsDialog);
  SetPosition(poMainFormCenter);
  SetClientWidth(372);
  SetClientHeight(168);
  smLanguage = CreateFormLanguage(this);

  imgLogo = new TLinkImage(this);
  imgLogo->SetName("imgLogo");
  imgLogo->SetBounds(16, 16, 80, 80);
  imgLogo->SetCenter(true);
  imgLogo->SetProportional(true);
  imgLogo->SetTransparent(true);
  try {
    LoadPng(imgLogo->GetPicture(), BuiltinLogoPng());
  } catch (const Exception&) {
  }
  imgLogo->SetParent(this);

  lbAbout = new TLabel(this);
  lbAbout->SetName("lbAbout");
  lbAbout->SetCaption("Lumetra");
  lbAbout->GetFont()->SetHeight(-24);
  lbAbout->GetFont()->SetStyle(TFontStyles{fsBold});
  lbAbout->SetAutoSize(true);
  lbAbout->SetLeft(112);
  lbAbout->SetTop(14);
  lbAbout->SetParent(this);

  lbVersion = new TLabel(this);
  lbVersion->SetName("lbVersion");
  lbVersion->SetCaption("Version %1");
  lbVersion->SetAutoSize(true);
  lbVersion->SetLeft(114);
  lbVersion->SetTop(50);
  lbVersion->SetParent(this);

  lbCopyRight = new TLabel(this);
  lbCopyRight->SetName("lbCopyRight");
  lbCopyRight->SetCaption("Copyright (C) ");
  lbCopyRight->SetAutoSize(true);
  lbCopyRight->SetLeft(114);
  lbCopyRight->SetTop(70);
  lbCopyRight->SetParent(this);

  lbTranslater = new TLabel(this);
  lbTranslater->SetName("lbTranslater");
  lbTranslater->SetCaption("");
  lbTranslater->SetAutoSize(true);
  lbTranslater->SetLeft(114);
  lbTranslater->SetTop(92);
  lbTranslater->SetParent(this);

  btnOK = new TButton(this);
  btnOK->SetName("btnOK");
  btnOK->SetCaption("&OK");
  btnOK->SetModalResult(mrOk);
  btnOK->SetDefault(true);
  btnOK->SetCancel(true);
  btnOK->SetBounds(280, 130, 78, 26);
  btnOK->SetParent(this);

  OnCreate = [this](TObject* Sender) { FormCreate(Sender); };
  loading.Finish();
}

void TfrmAboutForm::FormCreate(TObject*) {
  // A logo file that cannot be read leaves the built-in logo.
  try {
    imgLogo->GetPicture()->LoadFromFile(ProgramFolder() + kLogoPicture);
  } catch (const Exception&) {
  }
  TSettings* settings = GetSettings();
  if (settings) imgLogo->SetURL(settings->ReadConst(kWebAddressConst));

  AnsiString version = lbVersion->GetCaption();
  smLanguage->GetValue(ClassName(), lbVersion->GetName(), "Lines", version);
  lbVersion->SetCaption(FormatArgs(version, {settings ? settings->GetVersionText() : AnsiString()}));

  if (settings) lbCopyRight->SetCaption(lbCopyRight->GetCaption() + settings->ReadConst("App.Copyright"));

  if (frmEngineWndLumetra && frmEngineWndLumetra->smdCurrent) {
    TspMultiLangData* data = frmEngineWndLumetra->smdCurrent;
    const AnsiString language = data->GetLanguage();
    if (!language.empty() && language != "English")
      lbTranslater->SetCaption(language + " is tranlated by \r\n" + data->GetTranslator());
  }
}
