// The about box: the product's logo (a link to the product's web address), name,
// version, copyright line and, for a translated language, its translator. The main window
// shows it modally. Windows only.
#pragma once

#include "framework/ExtCtrls.h"
#include "framework/Forms.h"
#include "framework/StdCtrls.h"

class TspMultiLang;

// A picture that works as a link: the hand cursor over it, and a click opens URL with
// the system's browser (nothing without an address).
class TLinkImage : public TImage {
 public:
  explicit TLinkImage(TComponent* AOwner);
  AnsiString GetURL() const { return FURL; }
  void SetURL(const AnsiString& Value);
  void Click() override;

 private:
  AnsiString FURL;
};

class TfrmAboutForm : public TForm {
 public:
  explicit TfrmAboutForm(TComponent* AOwner);

  TLinkImage* imgLogo = nullptr;
  TLabel* lbAbout = nullptr;
  TLabel* lbCopyRight = nullptr;
  TLabel* lbVersion = nullptr;
  TLabel* lbTranslater = nullptr;
  TButton* btnOK = nullptr;
  TspMultiLang* smLanguage = nullptr;

 private:
  void FormCreate(TObject* Sender);
};

// The picture the logo shows when "res\images\logo.png" cannot be read: the same logo as
// the program was built with.
AnsiString BuiltinLogoPng();
