// Dialogs: the system's open-file dialog (filters, several files at once), the system's
// folder browser, and a plain message dialog (icon, text, a row of buttons and an
// optional "do not show again" check box) that stands in for the skinned one until it
// exists. What a message says, which buttons it offers and what the program keeps of the
// check box are the program's concern: the dialog shows them and reports the choice.
#pragma once

#include <memory>

#include "framework/Forms.h"

// ---------------------------------------------------------------------------------------
// Open dialog

enum TOpenOption {
  ofReadOnly, ofOverwritePrompt, ofHideReadOnly, ofNoChangeDir, ofShowHelp, ofNoValidate,
  ofAllowMultiSelect, ofExtensionDifferent, ofPathMustExist, ofFileMustExist, ofCreatePrompt,
  ofShareAware, ofNoReadOnlyReturn, ofNoTestFileCreate, ofNoNetworkButton, ofNoLongNames,
  ofOldStyleDialog, ofNoDereferenceLinks, ofEnableIncludeNotify, ofEnableSizing,
  ofDontAddToRecent, ofForceShowHidden
};
using TOpenOptions = TSet<TOpenOption>;

class TCommonDialog : public TComponent {
 public:
  explicit TCommonDialog(TComponent* AOwner) : TComponent(AOwner) {}
  // Shows the dialog modally; true when the user confirmed it.
  virtual bool Execute() = 0;
  TNotifyEvent OnShow;
  TNotifyEvent OnClose;

 protected:
  // The window the dialog belongs to: the active form's, else the application's.
  HWND OwnerWindow() const;
};

class TOpenDialog : public TCommonDialog {
 public:
  explicit TOpenDialog(TComponent* AOwner);
  ~TOpenDialog() override;

  AnsiString GetTitle() const { return FTitle; }
  void SetTitle(const AnsiString& Value) { FTitle = Value; }
  // Pairs of a description and its patterns: "Pictures (*.png;*.bmp)|*.png;*.bmp|All|*.*";
  // an empty pair (the "||" at the end) ends the list.
  AnsiString GetFilter() const { return FFilter; }
  void SetFilter(const AnsiString& Value) { FFilter = Value; }
  // The chosen filter, counted from 1.
  int GetFilterIndex() const { return FFilterIndex; }
  void SetFilterIndex(int Value) { FFilterIndex = Value; }
  // The file shown first, and the first file chosen (with its folder).
  AnsiString GetFileName() const { return FFileName; }
  void SetFileName(const AnsiString& Value) { FFileName = Value; }
  // Every file chosen, with its folder.
  TStrings* GetFiles() const { return FFiles.get(); }
  AnsiString GetInitialDir() const { return FInitialDir; }
  void SetInitialDir(const AnsiString& Value) { FInitialDir = Value; }
  AnsiString GetDefaultExt() const { return FDefaultExt; }
  void SetDefaultExt(const AnsiString& Value) { FDefaultExt = Value; }
  TOpenOptions GetOptions() const { return FOptions; }
  void SetOptions(TOpenOptions Value) { FOptions = Value; }

  bool Execute() override;
  // The system's answer in the file-name buffer, split into files: one full name, or a
  // folder followed by names in it (each NUL-ended, a second NUL at the end).
  static void SplitFileNames(const char* Buffer, size_t Size, TStrings* Files);
  // The filter as the system takes it (NUL between the parts, two at the end).
  static AnsiString SystemFilter(const AnsiString& Filter);

 private:
  AnsiString FTitle;
  AnsiString FFilter;
  int FFilterIndex = 1;
  AnsiString FFileName;
  std::unique_ptr<TStringList> FFiles;
  AnsiString FInitialDir;
  AnsiString FDefaultExt;
  TOpenOptions FOptions{ofHideReadOnly, ofEnableSizing};
};

// Shows the system's folder browser with Caption above the folders and Directory chosen
// at first; true and the chosen folder in Directory when the user confirmed a folder of
// the file system. Flags are the browser's BIF_ flags (0: none).
bool SelectDirectory(const AnsiString& Caption, AnsiString& Directory, HWND Owner = nullptr, unsigned Flags = 0);

// ---------------------------------------------------------------------------------------
// Message dialog

enum TMsgDlgType { mtWarning, mtError, mtInformation, mtConfirmation, mtCustom };
enum TMsgDlgBtn { mbYes, mbNo, mbOK, mbCancel, mbAbort, mbRetry, mbIgnore, mbAll, mbNoToAll, mbYesToAll, mbHelp };
using TMsgDlgButtons = TSet<TMsgDlgBtn>;

// The name, caption and modal result of a button kind ("Yes", "&Yes", mrYes ...).
const char* MsgDlgButtonName(TMsgDlgBtn Button);
const char* MsgDlgButtonCaption(TMsgDlgBtn Button);
TModalResult MsgDlgButtonResult(TMsgDlgBtn Button);

// The settings of a message dialog, read at every MessageDlg.
class TMessageDialog : public TComponent {
 public:
  explicit TMessageDialog(TComponent* AOwner);
  ~TMessageDialog() override;
  // Offer the check box that stops the message.
  bool GetShowAgainFlag() const { return FShowAgainFlag; }
  void SetShowAgainFlag(bool Value) { FShowAgainFlag = Value; }
  // In: the box starts unticked while true. Out: true unless the user ticked the box.
  bool GetShowAgainFlagValue() const { return FShowAgainFlagValue; }
  void SetShowAgainFlagValue(bool Value) { FShowAgainFlagValue = Value; }
  // The check box's caption ("Do not display this message again").
  AnsiString GetShowAgainCaption() const { return FShowAgainCaption; }
  void SetShowAgainCaption(const AnsiString& Value) { FShowAgainCaption = Value; }
  TFont* GetDefaultFont() const { return FDefaultFont.get(); }
  void SetDefaultFont(TFont* Value) { FDefaultFont->Assign(Value); }
  TFont* GetDefaultButtonFont() const { return FDefaultButtonFont.get(); }
  void SetDefaultButtonFont(TFont* Value) { FDefaultButtonFont->Assign(Value); }

  // Builds the dialog (centred on the screen): the type's icon, the text, the buttons of
  // the set in their order (OK, else Yes, else Retry is the default button; Cancel, else
  // No, else OK the cancel button) and the check box when asked for; shows it modally and
  // frees it. The result is the modal result of the button pressed, mrCancel when the
  // dialog was closed otherwise.
  int MessageDlg(const AnsiString& Msg, const AnsiString& Caption, TMsgDlgType DlgType, TMsgDlgButtons Buttons,
                 int HelpCtx);

 private:
  bool FShowAgainFlag = false;
  bool FShowAgainFlagValue = false;
  AnsiString FShowAgainCaption;
  std::unique_ptr<TFont> FDefaultFont;
  std::unique_ptr<TFont> FDefaultButtonFont;
};

// A message dialog with the application's title as its caption and no check box.
int MessageDlg(const AnsiString& Msg, TMsgDlgType DlgType, TMsgDlgButtons Buttons, int HelpCtx);
