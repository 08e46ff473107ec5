#include "app/VolumeForm.h"

#include "app/EngineWnd.h"
#include "app/FormSupport.h"
#include "framework/Scopes.h"
#include "skin/data/PngImageList.h"

namespace {

// The icon of the mute button in the engine window's icon list.
constexpr int kMuteIcon = 6;

}  // namespace

TfrmVolumeForm::TfrmVolumeForm(TComponent* AOwner) : TForm(AOwner) {
  TComponentLoading loading(this);
  SetName("frmVolumeForm");
  SetBorderStyle(bsNone);
  SetClientWidth(148);
  SetClientHeight(36);
  CreateFormLanguage(this);

  pn1 = new TPanel(this);
  pn1->SetName("pn1");
  pn1->SetCaption("");
  pn1->SetAlign(alClient);
  pn1->SetParent(this);

  btnMute = new TSpeedButton(this);
  btnMute->SetName("btnMute");
  btnMute->SetBounds(6, 6, 24, 24);
  btnMute->SetHint("Mute");
  btnMute->SetShowHint(true);
  btnMute->SetFlat(true);
  btnMute->SetShowCaption(false);
  if (frmEngineWndLumetra) btnMute->SetImageList(frmEngineWndLumetra->liIconsPng);
  btnMute->SetImageIndex(kMuteIcon);
  btnMute->OnClick = [this](TObject* Sender) { btnMuteClick(Sender); };
  btnMute->SetParent(pn1);

  tbVolume = new TTrackBar(this);
  tbVolume->SetName("tbVolume");
  tbVolume->SetBounds(34, 4, 108, 28);
  tbVolume->SetMinValue(0);
  tbVolume->SetMaxValue(100);
  tbVolume->SetFrequency(10);
  tbVolume->SetPageSize(10);
  tbVolume->OnChange = [this](TObject* Sender) { tbVolumeChange(Sender); };
  tbVolume->OnMouseUp = [this](TObject* Sender, TMouseButton Button, TShiftState Shift, int X, int Y) {
    tbVolumeMouseUp(Sender, Button, Shift, X, Y);
  };
  tbVolume->SetParent(pn1);

  OnDeactivate = [this](TObject* Sender) { FormDeactivate(Sender); };
  loading.Finish();
}

void TfrmVolumeForm::PopupAt(const TPoint& ScreenPoint, int Volume) {
  SetBounds(ScreenPoint.X, ScreenPoint.Y, GetWidth(), GetHeight());
  // Showing the player's volume is no change of it: sending it back would also unmute.
  {
    TFlagScope showing(FShowingValue);
    tbVolume->SetValue(Volume);
  }
  Show();
  SetForegroundWindow(GetHandle());
}

void TfrmVolumeForm::SetVolume(bool Mute, int Volume) {
  if (OnSetVolume) OnSetVolume(Mute, Volume);
}

void TfrmVolumeForm::tbVolumeChange(TObject*) {
  if (!FShowingValue) SetVolume(false, tbVolume->GetValue());
}

void TfrmVolumeForm::btnMuteClick(TObject*) {
  // Muted: the click sets the volume (which unmutes); otherwise it mutes.
  SetVolume(btnMute->GetTag() == 0, tbVolume->GetValue());
  Hide();
}

void TfrmVolumeForm::tbVolumeMouseUp(TObject*, TMouseButton, TShiftState, int, int) { Hide(); }

void TfrmVolumeForm::FormDeactivate(TObject*) { Hide(); }
