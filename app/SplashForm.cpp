#include "app/SplashForm.h"

#include "app/FormSupport.h"
#include "skin/data/PngImage.h"

TfrmSplashForm* frmSplashForm = nullptr;

namespace {

const char* const kSplashPicture = "res\\images\\splash.png";
const char* const kOverlayPicture = "res\\images\\splashoem.png";

}  // namespace

TfrmSplashForm::TfrmSplashForm(TComponent* AOwner) : TForm(AOwner) {
  TComponentLoading loading(this);
  SetName("frmSplashForm");
  SetBorderStyle(bsNone);
  SetColor(clBlack);
  SetPosition(poScreenCenter);
  SetClientWidth(320);
  SetClientHeight(60);
  OnCreate = [this](TObject* Sender) { FormCreate(Sender); };
  OnDestroy = [this](TObject* Sender) { FormDestroy(Sender); };
  loading.Finish();
}

TfrmSplashForm::~TfrmSplashForm() = default;

void TfrmSplashForm::FormCreate(TObject*) {
  // A picture that cannot be read is left out: the caller then shows no splash.
  auto splash = std::make_unique<TPNGObject>();
  try {
    splash->LoadFromFile(ProgramFolder() + kSplashPicture);
  } catch (const Exception&) {
    return;
  }
  FSplashPicture = std::move(splash);
  const AnsiString overlay = ProgramFolder() + kOverlayPicture;
  if (FileExists(overlay)) {
    FOverlayPicture = std::make_unique<TPNGObject>();
    try {
      FOverlayPicture->LoadFromFile(overlay);
    } catch (const Exception&) {
      FOverlayPicture.reset();
    }
  }
  SetClientWidth(FSplashPicture->GetWidth());
  SetClientHeight(FSplashPicture->GetHeight());
}

void TfrmSplashForm::FormDestroy(TObject*) {
  FSplashPicture.reset();
  FOverlayPicture.reset();
}

bool TfrmSplashForm::HasPicture() const { return FSplashPicture && !FSplashPicture->GetEmpty(); }

void TfrmSplashForm::Dispatch(TMessage& Message) {
  switch (Message.Msg) {
    case WM_ERASEBKGND: WMEraseBkgnd(Message); break;
    default: TForm::Dispatch(Message);
  }
}

void TfrmSplashForm::WMEraseBkgnd(TMessage& Message) {
  auto* canvas = static_cast<TControlCanvas*>(GetCanvas());
  canvas->PaintOn(reinterpret_cast<HDC>(Message.WParam), [&] {
    if (FSplashPicture) canvas->Draw(0, 0, FSplashPicture.get());
    if (FOverlayPicture && !FOverlayPicture->GetEmpty()) canvas->Draw(0, 0, FOverlayPicture.get());
  });
  Message.Result = 0;
}

TfrmSplashForm* ShowSplashForm() {
  CloseSplashForm();
  auto* splash = new TfrmSplashForm(Application);
  if (!splash->HasPicture()) {
    splash->Free();
    return nullptr;
  }
  frmSplashForm = splash;
  splash->Show();
  splash->Update();
  return splash;
}

void CloseSplashForm() {
  if (!frmSplashForm) return;
  TfrmSplashForm* splash = frmSplashForm;
  frmSplashForm = nullptr;
  splash->Close();
  splash->Free();
}
