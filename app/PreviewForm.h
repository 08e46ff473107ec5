// The preview window: a borderless window the engine paints each output frame into,
// docked in the preview box. Its left-button presses, releases and mouse moves go to the
// engine in output pixels (effect editing); losing the focus ends an edit. Windows only.
#pragma once

#include "framework/Forms.h"

class TfrmPreviewForm : public TForm {
 public:
  explicit TfrmPreviewForm(TComponent* AOwner);

  void Dispatch(TMessage& Message) override;

 protected:
  // Every message goes to the engine window's preview hook first.
  void WndProc(TMessage& Message) override;

 private:
  void FormShow(TObject* Sender);
  void FormHide(TObject* Sender);
  void FormDestroy(TObject* Sender);
  void FormDeactivate(TObject* Sender);
  void WMLButtonDown(TMessage& Message);
  void WMLButtonUp(TMessage& Message);
  void WMMouseMove(TMessage& Message);
  void WMKillFocus(TMessage& Message);
  // The mouse message to the engine, its point in output pixels.
  void ForwardMouse(const TMessage& Message);
  // The window the engine paints the output into (null: none).
  void HandToEngine(HWND Window);

  bool FHanded = false;
};
