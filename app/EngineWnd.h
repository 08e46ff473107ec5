// The engine window: a hidden form made at start-up before the main window. It owns the
// engine for the whole run, receives the engine's messages, ticks the engine on the main
// thread and holds what every window shares: the language components, the skin data, the
// icon list, the message box and the open-media dialog. Every other window reaches the
// engine, the localized texts, message boxes, the skin and the icons through it.
// Windows only.
#pragma once

#include <functional>
#include <memory>
#include <vector>

#include "framework/Dialogs.h"
#include "framework/ExtCtrls.h"
#include "framework/Forms.h"
#include "framework/IniFiles.h"

#include "app/EngineLink.h"
#include "app/UpdateCheck.h"

class TSettings;
class TspMultiLangConfig;
class TspMultiLangData;
class TspMultiLang;
class TspSkinData;
class TspCompressedStoredSkin;
class TspResourceStrData;
class TspPngImageList;
class TfrmEngineWndLumetra;

// The engine library's exports the engine window uses. The program binds them at load
// time; tests may hand in others.
struct TEngineExports {
  IVDEngine*(WINAPI* CreateEngine)();
  BOOL(WINAPI* FindDevice)(const char* HardwareId);
  int(WINAPI* InstallDevice)(const char* InfFile, const char* HardwareId);
};
// The library's own exports.
TEngineExports LibraryEngineExports();

// Shows the default-camera dialog owned by the engine window, telling it whether this is
// the first run, modally, and frees it. The dialog's unit fills it in.
using TDefaultCamDialogProc = std::function<void(TfrmEngineWndLumetra* Owner, bool FirstRun)>;

// The fewest frames a second the engine is given.
constexpr int kMinStreamRate = 1;

class TfrmEngineWndLumetra : public TForm {
 public:
  // Builds the form; its creation handler makes and sets up the engine (FormCreate).
  explicit TfrmEngineWndLumetra(TComponent* AOwner);
  ~TfrmEngineWndLumetra() override;

  // The exports the next engine window uses (the library's by default).
  static TEngineExports EngineExports;
  // The default-camera dialog (nothing happens while it is not set).
  static TDefaultCamDialogProc DefaultCamDialog;
  // Starts the program again with the command line given (no file, no wait); whether it
  // started. RunProcess by default.
  static std::function<bool(const AnsiString& CommandLine)> RestartProgram;

  // --- The engine. Every call checks for the engine: without one they answer empty or
  // false and do nothing.
  bool HasEngine() const { return FEngine.Exists(); }
  TEngineLink& GetEngine() { return FEngine; }
  // The engine's text of the property into Value (unchanged without an engine); whether
  // the engine answered.
  bool GetProperty(int Module, int PropertyId, AnsiString& Value,
                   const AnsiString& Argument = AnsiString());
  AnsiString GetProperty(int Module, int PropertyId, const AnsiString& Argument = AnsiString());
  bool SetProperty(int Module, int PropertyId, const AnsiString& Value);
  // Two texts per capture device: its name, then its device path.
  bool GetSourceList(TStrings* List);
  void PreviewMouse(UINT Message, int X, int Y);
  void SetPreviewWindow(HWND Window);
  bool SetStreamSize(int Width, int Height);
  bool SetStreamRate(int Rate);
  // Takes "Stream.Width", "Stream.Height" and "Stream.Rate" from the settings and passes
  // what changed to the engine; a new size is announced through OnStreamSizeChanged.
  void ApplyStreamSettings();
  // Whether several effects of the kind may be on at once; kept in "Effect.MultiEffects".
  bool EnableEffect(const AnsiString& Kind, bool On);
  // User effects ordered by kind; kept in "Effect.sort".
  void SetEffectSort(bool On);
  bool GetEffectSort() const { return FEffectSort; }

  // --- Texts. The localized text of an id ([ResString]: current language, then the
  // built-in one, else the id itself).
  using TForm::GetText;
  AnsiString GetText(const AnsiString& Id);
  // Every key of a language section as name=value: built-in first, the current language
  // over it.
  void GetSectionText(const AnsiString& Section, TStrings* Strings);

  // --- Messages. The text of the id with "%1".."%9" replaced by the arguments, shown with
  // the main window's caption; nothing is shown before the main window exists (the result
  // is 0 then). A show-again id other than 0 offers the box that stops the message; once
  // stopped, the message answers DefaultResult, or when that is 0 the answer given when
  // it was stopped. Types: mtWarning, mtError, mtInformation, mtConfirmation. Results:
  // mrOk 1, mrCancel 2, mrYes 6, mrNo 7.
  int ShowMessageBox(const AnsiString& TextId, const std::vector<AnsiString>& Args, int ShowAgainId,
                     TMsgDlgType DlgType, TMsgDlgButtons Buttons, int DefaultResult);
  // The same for a text already made: shown as it is, never looked up nor formatted.
  int ShowMessageText(const AnsiString& Text, int ShowAgainId, TMsgDlgType DlgType,
                      TMsgDlgButtons Buttons, int DefaultResult);
  // An engine event: "ERRORMSG_<code>" with the engine's text in place of "%1" (the
  // engine's text alone when that gives nothing), shown as an error.
  void ShowErrorMessage(int Code, const AnsiString& EngineText);

  // The open-media dialog of a kind (0 all media, 1 pictures, 2 Flash, 3 pictures and
  // Flash). FileName: the file shown at first (the last one of the kind when empty) and
  // the chosen one; Files, when given, gets every chosen file appended. Whether the user
  // confirmed.
  bool OpenMediaDialog(const AnsiString& TitleId, int Kind, TStrings* Files, AnsiString& FileName,
                       bool MultiSelect);

  // "langs\<Name>.lan" of the program folder, when it exists, re-labels every form linked
  // to the language data; "Language" records the name in any case.
  void LoadLanguage(const AnsiString& Name);
  // "skins\<Name>.skn" of the program folder, else the stored default skin (the skin name
  // is empty then); "Skin" records the skin name.
  void LoadSkin(const AnsiString& Name);
  // Icons "res\images\il_01.png" up to "il_70.png", icon n at index n-1, until the first
  // missing file; the list stays empty when the first is missing or unreadable.
  void LoadIconList();
  // The default-camera dialog, told whether this is the first run ("FirstTimeRun").
  void ShowDefaultCamDialog();

  // --- Web links and the update check.
  // The address of a named link ("help", "home", "videodecoder", "setdefault", "update"):
  // the constant "URL." + name ("%exepath%" is the program folder), else "URL.Redirect";
  // a web address gets the query and "&ACTION=" + name when asked.
  AnsiString BuildWebLink(const AnsiString& Name, bool WithQuery);
  // The query that describes this installation (its values encoded).
  AnsiString BuildQueryString();
  // The named link with its query, in the user's browser.
  void OpenWebLink(const AnsiString& Name);
  // Whether the constants give the named link an address; links without one are hidden.
  bool HasWebLink(const AnsiString& Name);
  // The address in the user's browser, owned by the main window (this window before the
  // main window exists).
  void OpenUrl(const AnsiString& Address);
  // Sends the update request unless one runs (Manual: from the menu, which then shows
  // failures and "already the latest version"); returns when it has ended, dispatching
  // messages meanwhile.
  void CheckForUpdate(bool Manual);
  // The check at the end of the main window's first show.
  void AutoCheckForUpdate();
  // The completion event of iedNetConnection: "LastUpdateDate", then the reply's answer.
  void iedNetConnectionComplete(TBSCB* Sender, TStream* Stream, HRESULT Result);
  TUpdateCheck* GetUpdateCheck() const { return FUpdateCheck.get(); }

  // --- Accessors.
  // The main window: the one set by SetMainForm, else the application's main form; null
  // before it exists.
  TForm* GetMainForm() const;
  void SetMainForm(TForm* Value);
  // The main window's handle (owner of folder dialogs); null before it exists.
  HWND GetMainFormHandle() const;
  TSettings* GetSettings() const;
  bool GetAllUsers() const { return FAllUsers; }
  int GetStreamWidth() const { return FStreamWidth; }
  int GetStreamHeight() const { return FStreamHeight; }
  int GetStreamRate() const { return FStreamRate; }
  AnsiString GetLanguageName() const { return FLanguageName; }
  AnsiString GetSkinName() const { return FSkinName; }
  // The effect kinds in category order, and those that allow several effects at once.
  TStrings* GetCategories() const { return FCategories.get(); }
  TStrings* GetMultiEffects() const { return FMultiEffects.get(); }
  // "Favorites.dat" and "RemoveEffect.dat" of the configuration folder.
  TMemIniFile* GetFavorites() const { return FFavorites.get(); }
  TMemIniFile* GetRemoveEffect() const { return FRemoveEffect.get(); }

  // --- Hooks. They do nothing until assigned; the windows call the Do... methods.
  // An engine property changed to PROP_SEGMENT_READY.
  std::function<void()> OnSegmentReady;
  // The text a second instance handed over (WM_COPYDATA to the main window).
  std::function<void(const AnsiString& CommandLine)> OnCommandLine;
  // Every message of the preview window before it is handled.
  std::function<void(TMessage& Message)> OnPreviewWndProc;
  // Files dropped on the main window.
  std::function<void(TStrings* Files)> OnDroppedFiles;
  // The main window is closing for good.
  TNotifyEvent OnQuit;
  // An effect to download.
  std::function<void(const AnsiString& Address)> OnEffectDownload;
  // The output size changed (ApplyStreamSettings); the main window lets the preview
  // follow.
  TNotifyEvent OnStreamSizeChanged;
  virtual void DoSegmentReady();
  virtual void DoCommandLine(const AnsiString& CommandLine);
  virtual void DoPreviewWndProc(TMessage& Message);
  virtual void DoDroppedFiles(TStrings* Files);
  virtual void DoQuit();
  virtual void DoEffectDownload(const AnsiString& Address);
  virtual void DoStreamSizeChanged();

  // --- Components, as the form carries them.
  TspMultiLangConfig* spcConfig = nullptr;
  TspMultiLangData* smdCurrent = nullptr;
  TspMultiLangData* smdDefault = nullptr;
  TspMultiLang* smLanguage = nullptr;
  TTimer* tmMainThread = nullptr;
  TspSkinData* spSkinData = nullptr;
  TspCompressedStoredSkin* spCompressedStoredSkin = nullptr;
  TspResourceStrData* spResourceStrData = nullptr;
  TspPngImageList* liIconsPng = nullptr;
  TMessageDialog* dlgMessage = nullptr;
  TOpenDialog* dlgOpenMediaFile = nullptr;
  TWebDownload* iedNetConnection = nullptr;

 protected:
  void Dispatch(TMessage& Message) override;
  void Notification(TComponent* AComponent, TOperation Operation) override;

  // WM_ENGINE_EVENT: an event is waiting (WParam 1) - shown; the effect set changed
  // (WParam 0) - ignored.
  void WMEngineEvent(TMessage& Message);
  // WM_ENGINE_PROPERTY_CHANGED: the segment-ready hook for PROP_SEGMENT_READY, then the
  // message goes on to the main window (WParam the module, LParam the property).
  void WMEnginePropertyChanged(TMessage& Message);
  // WM_SWITCH_SETTINGS_FOLDER: records the folder choice (WParam 1 all users), starts the
  // program again with the switch r and closes the main window without its question
  // (WM_INSTANCE_QUIT to it).
  void WMSwitchSettingsFolder(TMessage& Message);

 private:
  void FormCreate(TObject* Sender);
  void FormDestroy(TObject* Sender);
  void ChooseSettingsFolder();
  void OpenConfigFiles();
  void CheckDriver();
  void ShowEngineError();
  void smLanguageChangeLanguage(TObject* Sender);
  int StartupMessageBox(const AnsiString& TextId, UINT Flags);
  // "Stream.Rate", raised to kMinStreamRate (and stored so) when below it.
  int ReadStreamRate();

  TEngineLink FEngine;
  std::unique_ptr<TStringList> FCategories;
  std::unique_ptr<TStringList> FMultiEffects;
  bool FAllUsers = false;
  bool FEffectSort = true;
  int FStreamWidth = 0;
  int FStreamHeight = 0;
  int FStreamRate = 0;
  AnsiString FLanguageName;
  AnsiString FSkinName;
  std::unique_ptr<TMemIniFile> FFavorites;
  std::unique_ptr<TMemIniFile> FRemoveEffect;
  TForm* FMainForm = nullptr;
  std::unique_ptr<TUpdateCheck> FUpdateCheck;
};

// The program's engine window while it exists (null otherwise).
extern TfrmEngineWndLumetra* frmEngineWndLumetra;
