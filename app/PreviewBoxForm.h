// The preview box: a sizeable window beside the main window that holds the preview
// window above the media position slider. It is shown while the main window is visible
// and the user wants it, and it docks to a side of the main window: dragged within 10
// pixels of a side it snaps to it, and from then on it follows the main window on that
// side at the same offset (the side and offset are kept in the settings). Windows only.
#pragma once

#include "framework/ExtCtrls.h"
#include "framework/Forms.h"
#include "framework/Menus.h"

#include "app/FormRules.h"

class TfrmPreviewForm;
class TspMultiLang;

class TfrmPreviewBoxForm : public TForm {
 public:
  explicit TfrmPreviewBoxForm(TComponent* AOwner);

  // The main window the box stays beside.
  void AttachToMainForm(TForm* MainForm);
  TForm* GetMainForm() const { return FMainForm; }
  // The main window's preview switch: the box shows when it is on and the main window is
  // visible, and takes its place beside it.
  void ShowBox(bool On);
  bool GetWantVisible() const { return FWantVisible; }
  // The client area takes the engine's output size (plus the slider).
  void UpdateSize();
  // Docks to the main window when the box lies within the snap distance of a side.
  void DockToMainForm();
  // The main window moved, was resized or shown: the box takes its place beside it.
  void FollowMainForm();
  // The main window was shown again / hidden.
  void MainFormShown();
  void MainFormHidden();

  TMagnetSide GetMagnetSide() const { return FMagnetSide; }
  int GetMagnetOffset() const { return FMagnetOffset; }

  void Dispatch(TMessage& Message) override;

  // The main window's handlers: the preview switch went off by closing the box, the user
  // moves the position slider, and released it.
  TNotifyEvent OnCloseBox;
  TNotifyEvent OnMediaSliderChange;
  TNotifyEvent OnMediaSliderChanged;

  TPopupMenu* pmPreview = nullptr;
  TMenuItem* mi100Size = nullptr;
  TPanel* pnPreview = nullptr;
  TPanel* pnSlider0 = nullptr;
  TSlider* valueMediaSlider = nullptr;
  TfrmPreviewForm* frmPreview = nullptr;
  TspMultiLang* smLanguage = nullptr;

 protected:
  void CreateWnd() override;
  void Notification(TComponent* AComponent, TOperation Operation) override;

 private:
  void FormCreate(TObject* Sender);
  void FormDestroy(TObject* Sender);
  void FormResize(TObject* Sender);
  void FormClose(TObject* Sender, TCloseAction& Action);
  void pnPreviewResize(TObject* Sender);
  void mi100SizeClick(TObject* Sender);
  void valueMediaSliderChange(TObject* Sender);
  void valueMediaSliderChanged(TObject* Sender);
  void WMMove(TMessage& Message);
  void WMDropFiles(TMessage& Message);
  // Shows the box exactly while the main window is visible and the switch is on.
  void UpdateVisibility();
  // Moves the box to a side of the main window.
  void PlaceAt(const TPoint& TopLeft);

  bool FWantVisible = false;
  TForm* FMainForm = nullptr;
  TMagnetSide FMagnetSide = msNone;
  int FMagnetOffset = 0;
  int FSnapDistance = 10;
  bool FGuard = false;
};
