// The update check and the web links of the engine window: the address of every web link
// the program opens (with the query that describes the installation), opening an address
// in the user's browser, and the update request with what its answer shows. The engine
// window holds one TUpdateCheck with its download component (iedNetConnection) and
// forwards its own operations of the same names to it. Windows only.
#pragma once

#include <functional>

#include "app/UpdateRules.h"
#include "app/WebDownload.h"
#include "framework/Dialogs.h"

class TSettings;

// What the update check needs of the window that carries it.
struct TUpdateCheckHost {
  // The engine window's message box: the text id, its dialog type and buttons; the modal
  // result (0 when nothing could be shown).
  std::function<int(const AnsiString& TextId, TMsgDlgType DlgType, TMsgDlgButtons Buttons)>
      ShowMessageBox;
  // The engine window's error message of a code.
  std::function<void(int Code)> ShowErrorMessage;
  // Opens an address in the user's browser.
  std::function<void(const AnsiString& Address)> OpenUrl;
  // The host program when the program runs embedded in one (its name goes into the query
  // and no answer is shown); empty otherwise.
  std::function<AnsiString()> EmbedHostName;
  std::function<bool()> Embedded;
};

class TUpdateCheck {
 public:
  // Sets the download component up for the update request (stream download, time-out,
  // header, user agent) and takes its completion event. Without a settings object the
  // program's one is used (GetSettings) each time one is needed.
  TUpdateCheck(TWebDownload* Connection, TSettings* Settings, TUpdateCheckHost Host);
  TUpdateCheck(const TUpdateCheck&) = delete;
  TUpdateCheck& operator=(const TUpdateCheck&) = delete;

  // The address of a named link ("help", "home", "videodecoder", "setdefault", "update"),
  // with the query appended when asked and the address is a web address.
  AnsiString BuildWebLink(const AnsiString& Name, bool WithQuery) const;
  // The query that describes this installation (values encoded).
  AnsiString BuildQueryString() const;
  // The named link with its query, opened through the host.
  void OpenWebLink(const AnsiString& Name);
  // Whether the constants give the named link an address (else it opens nothing and the
  // windows hide it).
  bool HasWebLink(const AnsiString& Name) const;

  // Sends the update request unless one runs or the installation has no update address
  // ("URL.update"); Manual marks a check from the menu (which
  // then reports failures and up-to-date answers for the rest of the run). Returns when
  // the request has ended; the in-progress flag is clear again by then.
  void CheckForUpdate(bool Manual);
  // The check at the end of the main window's first show.
  void AutoCheckForUpdate() { CheckForUpdate(false); }
  // The download component's completion event.
  void ConnectionComplete(TBSCB* Sender, TStream* Stream, HRESULT Result);

  bool GetInProgress() const { return FInProgress; }
  bool GetManual() const { return FManual; }

 private:
  TSettings* Settings() const;
  void ShowAnswer(const TUpdateReply& Reply, const TUpdateAnswerRules& Rules);

  TWebDownload* FConnection;
  TSettings* FSettings;
  TUpdateCheckHost FHost;
  bool FInProgress = false;
  bool FManual = false;
};

// The system's version for the query: major "_" minor "_" service-pack text.
AnsiString SystemVersionText();
// The stored channel of the installation (HKEY_LOCAL_MACHINE "Software\" + RegPath, value
// "CHL", "unknow" when missing), as the query sends it.
AnsiString ChannelText(const AnsiString& RegPath);
