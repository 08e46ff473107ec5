// The main window in the small form the start-up needs until the full main window takes
// its place: the window other instances find and talk to. It answers the instance
// messages, closes without a question when asked to, runs the first-show steps that
// concern the engine (stored skin, playlist source, playback settings, the splash window
// closed, the saved playlist) and saves the playback settings when it closes. Windows only.
#pragma once

#include "framework/Forms.h"

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

  bool FQuit = false;
  bool FFirstShowDone = false;
};

extern TfrmMainFormLumetra* frmMainFormLumetra;
