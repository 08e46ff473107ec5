// The start-up's windows besides the engine window, in the small form the start-up needs
// until the full windows replace them: the splash window (black, centred, no border) and
// the main window that other instances find and talk to. The main window here answers the
// instance messages, closes without a question when asked to, runs the first-show steps
// that concern the engine (stored skin, playlist source, playback settings, the saved
// playlist) and saves the playback settings when it closes. Windows only.
#pragma once

#include "framework/Forms.h"

class TfrmSplashForm : public TForm {
 public:
  explicit TfrmSplashForm(TComponent* AOwner);
  ~TfrmSplashForm() override;
};

class TfrmMainFormLumetra : public TForm {
 public:
  explicit TfrmMainFormLumetra(TComponent* AOwner);
  ~TfrmMainFormLumetra() override;
  // Sets the quit flag and closes: no question is asked.
  void CloseApp();
  // Adds the paths (a delimited text) to the playlist and plays it.
  void AddFilesAndPlay(const AnsiString& Paths);
  void RestorePlayList();
  void RestorePlaybackSettings();
  void SavePlaybackSettings();

 protected:
  void Dispatch(TMessage& Message) override;

 private:
  void FormShow(TObject* Sender);
  void FormCloseQuery(TObject* Sender, bool& CanClose);
  void InitOnFirstShow();
  void CloseSplash();

  bool FQuit = false;
  bool FFirstShowDone = false;
};

extern TfrmSplashForm* frmSplashForm;
extern TfrmMainFormLumetra* frmMainFormLumetra;
