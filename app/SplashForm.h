// The start-up splash window: a borderless black window in the middle of the screen that
// shows "res\images\splash.png" and, over it, "res\images\splashoem.png" when that file
// exists. Made by the start-up before the engine window and closed by the main window at
// its first show. Windows only.
#pragma once

#include <memory>

#include "framework/Forms.h"

class TPNGObject;

class TfrmSplashForm : public TForm {
 public:
  explicit TfrmSplashForm(TComponent* AOwner);
  ~TfrmSplashForm() override;

  // Whether the splash picture could be read; a window without it is never shown.
  bool HasPicture() const;
  TPNGObject* GetSplashPicture() const { return FSplashPicture.get(); }
  // Empty when there is no overlay file or it could not be read.
  TPNGObject* GetOverlayPicture() const { return FOverlayPicture.get(); }

  void Dispatch(TMessage& Message) override;

 private:
  void FormCreate(TObject* Sender);
  void FormDestroy(TObject* Sender);
  void WMEraseBkgnd(TMessage& Message);

  std::unique_ptr<TPNGObject> FSplashPicture;
  std::unique_ptr<TPNGObject> FOverlayPicture;
};

// The splash window while it exists.
extern TfrmSplashForm* frmSplashForm;

// Makes the splash window (owned by the application), shows it and paints it at once.
// A splash picture that cannot be read skips the splash: nothing is shown and the result
// is null; start-up goes on without it.
TfrmSplashForm* ShowSplashForm();
// Closes and frees the splash window when it exists.
void CloseSplashForm();
