// The volume pop-up: a small borderless window under the main window's volume button
// with a mute button and a volume track bar (0..100). Moving the bar sets the volume, the
// mute button mutes or unmutes; the pop-up hides once the bar is released, the mute button
// was pressed or it lost the activation. Windows only.
#pragma once

#include <functional>

#include "framework/ComCtrls.h"
#include "framework/ExtCtrls.h"
#include "framework/Forms.h"

// Mute, or set the volume (which also unmutes).
using TSetVolumeEvent = std::function<void(bool Mute, int Volume)>;

class TfrmVolumeForm : public TForm {
 public:
  explicit TfrmVolumeForm(TComponent* AOwner);

  // Places the pop-up with its top-left corner at the screen point, shows the volume on
  // the bar without sending it anywhere, and shows the pop-up.
  void PopupAt(const TPoint& ScreenPoint, int Volume);

  // The main window's volume: tbVolumeChange sends (false, the bar's value), btnMuteClick
  // (Tag of btnMute is 0, the bar's value).
  TSetVolumeEvent OnSetVolume;

  TPanel* pn1 = nullptr;
  // Its Tag is 1 while the player is muted, 0 otherwise (kept by the main window).
  TSpeedButton* btnMute = nullptr;
  TTrackBar* tbVolume = nullptr;

 private:
  void FormDeactivate(TObject* Sender);
  void tbVolumeChange(TObject* Sender);
  void tbVolumeMouseUp(TObject* Sender, TMouseButton Button, TShiftState Shift, int X, int Y);
  void btnMuteClick(TObject* Sender);
  void SetVolume(bool Mute, int Volume);

  bool FShowingValue = false;
};
