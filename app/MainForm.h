// The main window: the playlist of the main source and the player (play, pause, stop,
// loop modes, volume and mute, the position poll, "play.lst", the first show and the quit
// question), and around it the choice of the main source (the file playlist or a capture
// device), the menus and actions, always-on-top, the caption, the window's place, dropped
// files and the dialogs the window opens. Its controls are bound to the main source's
// properties (module -1). It reaches the engine only through the engine window. Windows
// only.
#pragma once

#include <cstdint>

#include "framework/ActnList.h"
#include "framework/ComCtrls.h"
#include "framework/ExtCtrls.h"
#include "framework/ImgList.h"
#include "framework/Menus.h"
#include "framework/StdCtrls.h"

#include "app/BasePropertiesForm.h"

class TspMultiLang;
class TfrmPreviewBoxForm;
class TfrmVolumeForm;

class TfrmMainFormLumetra : public TfrmBasePropertiesForm {
 public:
  explicit TfrmMainFormLumetra(TComponent* AOwner);
  ~TfrmMainFormLumetra() override;

  // --- Player (playlist and playback).
  // Adds the paths (a "|" list in the engine's list text) to the playlist and plays.
  void AddFilesAndPlay(const AnsiString& Paths);
  // Adds the media files of a folder (by the constant "MediaExts") and plays.
  void AddFolder(const AnsiString& Folder);
  // "play.lst" of the configuration folder: the playlist rows as the engine wrote them,
  // written beside the file and moved over it; whether that worked (it never throws).
  bool SavePlayList();
  void RestorePlayList();
  // Whether "play.lst" has been read back at the first show (until then the rows are not
  // the user's list, and closing keeps the file as it is).
  bool GetPlayListRestored() const { return FPlayListRestored; }
  // "Video.Volume", "Video.Mute" and "Video.Loop" into the engine, and back.
  void RestorePlaybackSettings();
  void SavePlaybackSettings();
  // The volume button's picture by the engine's volume and mute.
  void UpdateVolumeButton();
  // Mutes, or sets the volume.
  void SetVolume(bool Mute, int Volume);
  // The preview box's position slider: the user starts moving it (the poll stops), and
  // releases it (the player seeks there and the poll goes on).
  void valueMediaSliderChange(TObject* Sender);
  void valueMediaSliderChanged(TObject* Sender);
  // The rows' property changes, then the loop, volume and position pictures.
  void PropertyChanged(int32_t PropertyId) override;

  // --- Sources, window and dialogs.
  // The source menus: the file playlist, then one item per capture device.
  void BuildSourceMenu();
  void SetStayOnTop(bool On);
  bool GetStayOnTop() const { return FStayOnTop; }
  // Around every modal dialog the window opens: top-most off, then as it was.
  void SuspendStayOnTop();
  void ResumeStayOnTop();
  // The output size changed: the preview box takes it.
  void StreamSizeChanged();
  // Sets the quit flag and closes: no question is asked.
  void CloseApp();
  bool GetFirstShowDone() const { return FFirstShowDone; }
  bool GetQuitting() const { return FQuit; }
  // The frame's object events (Command: the frame's standard command, 5 the roll-up
  // caption button): the roll-up button works as the always-on-top switch.
  void spSkinForm1ObjectCommand(int Command, bool& Cancel);
  void spSkinForm1GetObjectRestoreMode(int Command, bool& RestoreMode);

  // The preview switch: the preview box (made at the first switch-on and kept) shows
  // beside the window while it is on.
  void SetPreviewVisible(bool On);
  bool GetPreviewVisible() const { return FPreviewVisible; }
  TfrmPreviewBoxForm* GetPreviewBox() const { return FPreviewBox; }
  TfrmVolumeForm* GetVolumeForm() const { return FVolumeForm; }

  // --- Components, as the form carries them.
  TActionList* alMain = nullptr;
  TAction* acAddDvd = nullptr;
  TAction* acPlayListAddFiles = nullptr;
  TAction* acPlayListAddFolder = nullptr;
  TAction* acPlayListAddURL = nullptr;
  TAction* acPlayListRemoveSelected = nullptr;
  TAction* acPlayListRemoveAll = nullptr;
  TAction* acSetDefault = nullptr;
  TAction* acExit = nullptr;
  TAction* acShowPreview = nullptr;
  TAction* acAlwaysOnTop = nullptr;
  TAction* acOption = nullptr;
  TAction* acPlay = nullptr;
  TAction* acPause = nullptr;
  TAction* acStop = nullptr;
  TAction* acUpdate = nullptr;
  TAction* acHelp = nullptr;
  TAction* acHome = nullptr;
  TAction* acAbout = nullptr;
  TAction* acOpenMainFrame = nullptr;
  TAction* acPlayListJumpTo = nullptr;
  TAction* acPlayListUp = nullptr;
  TAction* acPlayListDown = nullptr;
  TAction* acLoopNone = nullptr;
  TAction* acLoopItem = nullptr;
  TAction* acLoopList = nullptr;

  TMainMenu* spsknmnmn0 = nullptr;
  TMenuItem* miFile = nullptr;
  TMenuItem* miView = nullptr;
  TMenuItem* miControl = nullptr;
  TMenuItem* miHelp = nullptr;
  TMenuItem* miChooseSource = nullptr;
  TMenuItem* miVideoFileSource = nullptr;
  TPopupMenu* pmSource = nullptr;
  TMenuItem* miPopupVideoFileSource = nullptr;
  TPopupMenu* pmTrayIcon = nullptr;
  TPopupMenu* pmSystem = nullptr;
  TPopupMenu* pmPlayList = nullptr;
  TPopupMenu* pmAddFile = nullptr;
  TPopupMenu* pmLoop = nullptr;

  TImageList* ilListIcon = nullptr;
  TTimer* tmProcess = nullptr;
  TPanel* spsknmnmnbr1 = nullptr;  // the menu bar
  TPanel* pnSource = nullptr;
  TSpeedButton* btnSource = nullptr;
  TSpeedButton* btnSourceMenu = nullptr;
  TPanel* pnToolBar = nullptr;
  TSpeedButton* btnPlayListAdd = nullptr;
  TSpeedButton* btnPlayListRemoveAll0 = nullptr;
  TPanel* pnPlayPause = nullptr;
  TSpeedButton* btnMediaPlay = nullptr;
  TSpeedButton* btnMediaPause = nullptr;
  TSpeedButton* btnMediaStop = nullptr;
  TSpeedButton* btnVolume = nullptr;
  TSpeedButton* btnLoop = nullptr;
  TSpeedButton* btnShowPreview0 = nullptr;
  TListView* valueMediaPlayList = nullptr;
  TPanel* pnBottom = nullptr;
  TLinkLabel* lblVideoDecoder = nullptr;
  TspMultiLang* smLanguage = nullptr;

  // Playlist handlers.
  void acPlayListAddFilesExecute(TObject* Sender);
  void acPlayListAddFolderExecute(TObject* Sender);
  void acAddDvdExecute(TObject* Sender);
  void acPlayListAddURLExecute(TObject* Sender);
  void acPlayListRemoveSelectedExecute(TObject* Sender);
  void acPlayListRemoveSelectedUpdate(TObject* Sender);
  void acPlayListRemoveAllExecute(TObject* Sender);
  void acPlayListRemoveAllUpdate(TObject* Sender);
  void acPlayListUpExecute(TObject* Sender);
  void acPlayListDownExecute(TObject* Sender);
  void acPlayListJumpToExecute(TObject* Sender);
  void acLoopNoneExecute(TObject* Sender);
  void acLoopItemExecute(TObject* Sender);
  void acLoopListExecute(TObject* Sender);
  void btnVolumeClick(TObject* Sender);
  void btnLoopClick(TObject* Sender);
  void btnPlayListAddClick(TObject* Sender);
  void tmProcessTimer(TObject* Sender);
  // Source, window and dialog handlers.
  void miVideoFileSourceClick(TObject* Sender);
  void btnSourceClick(TObject* Sender);
  void btnSourceMenuClick(TObject* Sender);
  void acAboutExecute(TObject* Sender);
  void acOptionExecute(TObject* Sender);
  void acSetDefaultExecute(TObject* Sender);
  void acAlwaysOnTopExecute(TObject* Sender);
  void acAlwaysOnTopUpdate(TObject* Sender);
  void acShowPreviewExecute(TObject* Sender);
  void acHelpExecute(TObject* Sender);
  void acHomeExecute(TObject* Sender);
  void acUpdateExecute(TObject* Sender);
  void acExitExecute(TObject* Sender);
  void acOpenMainFrameExecute(TObject* Sender);
  void lblVideoDecoderClick(TObject* Sender);

 protected:
  bool ReadProperty(int Module, int32_t PropertyId, AnsiString& Value) override;
  bool WriteProperty(int Module, int32_t PropertyId, const AnsiString& Value) override;
  void Dispatch(TMessage& Message) override;
  void CreateWnd() override;
  void Notification(TComponent* AComponent, TOperation Operation) override;

 private:
  // Runs a modal dialog of the window's with always-on-top suspended; Closed sees the
  // dialog and its modal result before it is freed.
  template <class TDialog, class F>
  void ShowDialog(F&& Closed);
  void BuildActions();
  void BuildMenus();
  void BuildControls();
  TMenuItem* NewItem(TMenuItem* Parent, const char* Name, const AnsiString& Caption, TBasicAction* Action = nullptr);
  TPanel* NewPanel(TWinControl* Parent, const char* Name, TAlign Align, int Height);
  TSpeedButton* NewButton(TWinControl* Parent, const char* Name, int Left, int ImageIndex);
  void BindControls();
  void FormCreate(TObject* Sender);
  void FormShow(TObject* Sender);
  void FormHide(TObject* Sender);
  void FormResize(TObject* Sender);
  void FormCloseQuery(TObject* Sender, bool& CanClose);
  void smLanguageChangeLanguage(TObject* Sender);
  void InitOnFirstShow();
  void CloseSplash();
  // The main source's property through the engine window.
  AnsiString GetMainProperty(int32_t PropertyId);
  void SetMainProperty(int32_t PropertyId, const AnsiString& Value);
  // The selected rows' indices joined by "|"; empty when none is selected.
  AnsiString SelectedIndices() const;
  void MoveSelected(int Delta);
  // Pops a menu up below a control (screen coordinates of its bottom-left corner).
  void PopupBelow(TPopupMenu* Menu, TControl* Control);
  void PopupMainMenuItem(TMenuItem* Item, TControl* Button);
  void SaveBounds(bool Moved);
  // An error box naming "play.lst" when it could not be written.
  void ReportPlayListNotSaved();

  // Playlist list handlers.
  void valueMediaPlayListClick(TObject* Sender);
  void valueMediaPlayListDblClick(TObject* Sender);
  void valueMediaPlayListKeyUp(TObject* Sender, uint16_t& Key, TShiftState Shift);
  void pmPlayListPopup(TObject* Sender);
  void valueMediaPlayListDragOver(TObject* Sender, TObject* Source, int X, int Y, TDragState State, bool& Accept);
  void valueMediaPlayListDragDrop(TObject* Sender, TObject* Source, int X, int Y);
  void valueMediaPlayListEditing(TObject* Sender, TListItem* Item, bool& AllowEdit);
  void valueMediaPlayListResize(TObject* Sender);
  void valueMediaPlayListCustomDrawItem(TCustomListView* Sender, TListItem* Item, TCustomDrawState State,
                                        bool& DefaultDraw);

  void WMMove(TMessage& Message);
  void WMDropFiles(TMessage& Message);
  void WMCopyData(TMessage& Message);

  bool FFirstShowDone = false;
  bool FQuit = false;
  bool FPlayListRestored = false;
  bool FStayOnTop = false;
  bool FSavedStayOnTop = false;
  bool FPreviewVisible = false;
  TfrmPreviewBoxForm* FPreviewBox = nullptr;
  TfrmVolumeForm* FVolumeForm = nullptr;
};

extern TfrmMainFormLumetra* frmMainFormLumetra;
