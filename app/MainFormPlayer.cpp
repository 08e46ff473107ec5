// The main window's player half: the first show, adding to the playlist (dialog, folder,
// disc, address), removing, moving and jumping, the list's mouse, keys, dragging and
// drawing, play, pause and stop, loop modes, volume and mute, the position poll,
// "play.lst" and the quit question.
#include "app/MainForm.h"

#include <commctrl.h>

#include <algorithm>

#include "app/EngineWnd.h"
#include "app/FormRules.h"
#include "app/PreviewBoxForm.h"
#include "app/VolumeForm.h"
#include "app/ListText.h"
#include "app/SPTools.h"
#include "app/Settings.h"
#include "engine/effects/PropertyIds.h"
#include "skin/data/SkinRegions.h"

namespace {

constexpr int kRemoveColumnWidth = 22;
constexpr int kQuitQuestionId = 5;
const char* const kPlayListFile = "play.lst";

// The playlist's row colours.
const TColor kSelectedRowColor = static_cast<TColor>(RGB(10, 36, 106));
const TColor kCurrentRowColor = static_cast<TColor>(RGB(177, 110, 70));

TPoint CursorPos() {
  POINT p = {};
  GetCursorPos(&p);
  return FromPOINT(p);
}

}  // namespace

// ---------------------------------------------------------------------------------------
// First show

void TfrmMainFormLumetra::FormShow(TObject*) {
  if (!FFirstShowDone) {
    InitOnFirstShow();
    return;
  }
  // Every later show: the preview box shows again beside the window.
  if (FPreviewBox) FPreviewBox->MainFormShown();
}

void TfrmMainFormLumetra::InitOnFirstShow() {
  TSettings* settingsObject = GetSettings();
  if (!settingsObject || !frmEngineWndLumetra) return;
  TSettings& settings = *settingsObject;
  TfrmEngineWndLumetra& engine = *frmEngineWndLumetra;
  const int left = settings.ReadInteger(Setting::MainFormLeft, GetLeft());
  const int top = settings.ReadInteger(Setting::MainFormTop, GetTop());
  const int width = settings.ReadInteger(Setting::MainFormWidth.Key,
                                         settings.ReadConstInt("MainForm.Width", Setting::MainFormWidth.Default));
  const int height = settings.ReadInteger(Setting::MainFormHeight.Key,
                                          settings.ReadConstInt("MainForm.Height", Setting::MainFormHeight.Default));
  engine.LoadSkin(settings.Read(Setting::Skin));
  // A stored size that is no size (0, or negative from a damaged file) keeps the design size.
  const bool sized = width > 0 && height > 0;
  SetBounds(left, top, sized ? width : GetWidth(), sized ? height : GetHeight());
  // A place kept from another screen layout (a monitor since removed) comes back onto the
  // work area of the monitor nearest to it.
  if (HandleAllocated()) SetBoundsRect(KeepInsideArea(GetBoundsRect(), GetNearestMonitorArea(GetHandle(), true)));
  SetModuleId(MODULE_MAIN_SOURCE);
  SetMainProperty(PROP_SOURCE_TYPE, "18");
  BindControls();
  SetBindingActive(true);
  RestorePlaybackSettings();
  CloseSplash();
  if (GetScreenColorDepth() != 32) engine.ShowErrorMessage(1006, AnsiString());
  if (settings.Read(Setting::FirstTimeRun)) {
    acSetDefault->Execute();
    settings.Write(Setting::FirstTimeRun, false);
  }
  // The user's list comes back before the update check, which dispatches messages for
  // up to its time-out: a quit arriving meanwhile then keeps that list.
  RestorePlayList();
  engine.AutoCheckForUpdate();
  FFirstShowDone = true;
  SetPreviewVisible(settings.Read(Setting::MainFormPreviewSize));
}

// ---------------------------------------------------------------------------------------
// Adding

void TfrmMainFormLumetra::AddFilesAndPlay(const AnsiString& Paths) {
  SetMainProperty(PROP_PLAYLIST_ADD, Paths);
  SetMainProperty(PROP_PLAYER_PLAY, "1");
}

void TfrmMainFormLumetra::acPlayListAddFilesExecute(TObject*) {
  if (!frmEngineWndLumetra) return;
  TStringList files;
  AnsiString name;
  if (!frmEngineWndLumetra->OpenMediaDialog("DLGCAPTION_OpenAllMedia", 0, &files, name, true)) return;
  // New paths are escaped once for the engine's list text.
  AddFilesAndPlay(ListDelimitedText(&files, true));
}

void TfrmMainFormLumetra::acPlayListAddFolderExecute(TObject*) {
  AddFolder(BrowseForFolder(GetHandle(), AnsiString(), StripHotkey(acPlayListAddFolder->GetCaption())));
}

void TfrmMainFormLumetra::AddFolder(const AnsiString& Folder) {
  if (Folder.empty()) return;
  const AnsiString extensions = GetSettings() ? GetSettings()->ReadConst("MediaExts") : AnsiString();
  TStringList found, media;
  ListFiles(IncludeBackslash(Folder) + "*", &found, true);
  for (int i = 0; i < found.GetCount(); ++i)
    if (FileExtInList(found.Get(i), extensions)) media.Add(found.Get(i));
  AddFilesAndPlay(ListDelimitedText(&media, true));
}

void TfrmMainFormLumetra::acAddDvdExecute(TObject*) {
  // Without a disc drive there is nothing to add (the folders below would otherwise be
  // looked for relative to the current folder).
  const AnsiString drive = GetFirstCdromDrive();
  if (drive.empty()) return;
  TStringList files;
  FindFilesRecursive(drive + "VIDEO_TS", &files, "*.vob", true);
  FindFilesRecursive(drive + "MPEGAV", &files, "*.dat", true);
  AddFilesAndPlay(ListDelimitedText(&files, true));
}

void TfrmMainFormLumetra::btnPlayListAddClick(TObject*) { PopupBelow(pmAddFile, btnPlayListAdd); }

// ---------------------------------------------------------------------------------------
// Removing, moving, jumping

AnsiString TfrmMainFormLumetra::SelectedIndices() const {
  AnsiString indices;
  TListItems* items = valueMediaPlayList->GetItems();
  for (int i = 0; i < items->GetCount(); ++i)
    if (items->GetItem(i)->GetSelected()) indices += (indices.empty() ? "" : "|") + IntToStr(i);
  return indices;
}

void TfrmMainFormLumetra::acPlayListRemoveSelectedExecute(TObject*) {
  const AnsiString indices = SelectedIndices();
  if (!indices.empty()) SetMainProperty(PROP_PLAYLIST_REMOVE, indices);
}

void TfrmMainFormLumetra::acPlayListRemoveSelectedUpdate(TObject*) {
  acPlayListRemoveSelected->SetEnabled(valueMediaPlayList->GetSelCount() > 0);
}

void TfrmMainFormLumetra::acPlayListRemoveAllExecute(TObject*) { SetMainProperty(PROP_PLAYLIST_REMOVE, "-1"); }

void TfrmMainFormLumetra::acPlayListRemoveAllUpdate(TObject*) {
  acPlayListRemoveAll->SetEnabled(valueMediaPlayList->GetItems()->GetCount() > 0);
}

void TfrmMainFormLumetra::MoveSelected(int Delta) {
  const AnsiString indices = SelectedIndices();
  if (!indices.empty()) SetMainProperty(PROP_PLAYLIST_MOVE, IntToStr(Delta) + "|" + indices);
}

void TfrmMainFormLumetra::acPlayListUpExecute(TObject*) { MoveSelected(-1); }

void TfrmMainFormLumetra::acPlayListDownExecute(TObject*) { MoveSelected(1); }

void TfrmMainFormLumetra::acPlayListJumpToExecute(TObject*) {
  if (TListItem* item = valueMediaPlayList->GetSelected()) SetMainProperty(PROP_PLAYLIST_INDEX, IntToStr(item->GetIndex()));
}

// ---------------------------------------------------------------------------------------
// The list

void TfrmMainFormLumetra::valueMediaPlayListClick(TObject*) {
  if (!valueMediaPlayList->HandleAllocated()) return;
  POINT cursor;
  GetCursorPos(&cursor);
  ::ScreenToClient(valueMediaPlayList->GetHandle(), &cursor);
  LVHITTESTINFO hit = {};
  hit.pt = cursor;
  SendMessageA(valueMediaPlayList->GetHandle(), LVM_SUBITEMHITTEST, 0, reinterpret_cast<LPARAM>(&hit));
  // The remove mark in the second column: the click has selected its row.
  if (hit.iItem >= 0 && hit.iSubItem == 1) acPlayListRemoveSelected->Execute();
}

void TfrmMainFormLumetra::valueMediaPlayListDblClick(TObject*) {
  const TPoint at = valueMediaPlayList->ScreenToClient(CursorPos());
  if (valueMediaPlayList->GetItemAt(at.X, at.Y)) acPlayListJumpTo->Execute();
}

void TfrmMainFormLumetra::valueMediaPlayListKeyUp(TObject*, uint16_t& Key, TShiftState) {
  switch (Key) {
    case VK_RETURN:
      acPlayListJumpTo->Execute();
      break;
    case VK_SPACE:
      if (acPlay->GetEnabled())
        acPlay->Execute();
      else
        acPause->Execute();
      break;
    case VK_DELETE:
      acPlayListRemoveSelected->Execute();
      break;
    default:
      break;
  }
}

void TfrmMainFormLumetra::pmPlayListPopup(TObject*) {
  // The list's menu is for its rows: none opens beside them.
  const TPoint at = valueMediaPlayList->ScreenToClient(CursorPos());
  if (!valueMediaPlayList->GetItemAt(at.X, at.Y)) Abort();
}

void TfrmMainFormLumetra::valueMediaPlayListDragOver(TObject*, TObject* Source, int X, int Y, TDragState,
                                                     bool& Accept) {
  Accept = Source == valueMediaPlayList && valueMediaPlayList->GetItemAt(X, Y) != nullptr;
}

void TfrmMainFormLumetra::valueMediaPlayListDragDrop(TObject*, TObject* Source, int X, int Y) {
  if (Source != valueMediaPlayList) return;
  TListItem* target = valueMediaPlayList->GetItemAt(X, Y);
  TListItem* first = valueMediaPlayList->GetSelected();
  if (!target || !first) return;
  SetMainProperty(PROP_PLAYLIST_MOVE, IntToStr(target->GetIndex() - first->GetIndex()) + "|" + SelectedIndices());
}

void TfrmMainFormLumetra::valueMediaPlayListEditing(TObject*, TListItem*, bool& AllowEdit) { AllowEdit = false; }

void TfrmMainFormLumetra::valueMediaPlayListResize(TObject*) {
  TListColumns* columns = valueMediaPlayList->GetColumns();
  if (columns->GetCount() < 2) return;
  columns->GetItem(0)->SetWidth(std::max(0, valueMediaPlayList->GetClientWidth() - kRemoveColumnWidth));
  columns->GetItem(1)->SetWidth(kRemoveColumnWidth);
}

void TfrmMainFormLumetra::valueMediaPlayListCustomDrawItem(TCustomListView* Sender, TListItem* Item,
                                                           TCustomDrawState State, bool& DefaultDraw) {
  DefaultDraw = false;
  TCanvas* canvas = Sender->GetCanvas();
  const TRect row = Item->DisplayRect(drBounds);
  const bool selected = State.Contains(cdsSelected);
  canvas->GetBrush()->SetStyle(bsSolid);
  canvas->GetBrush()->SetColor(selected ? kSelectedRowColor : Sender->GetColor());
  canvas->GetFont()->SetColor(selected ? clWhite : Sender->GetFont()->GetColor());
  canvas->FillRect(row);
  if (Item->GetImageIndex() != 0) {
    TRect band = row;
    if (selected) {
      band.Top += 4;
      band.Bottom -= 4;
    }
    canvas->GetBrush()->SetColor(kCurrentRowColor);
    canvas->FillRect(band);
  }
  const TRect icon = Item->DisplayRect(drIcon);
  if (TCustomImageList* images = Sender->GetSmallImages()) {
    images->Draw(canvas, icon.Left, icon.Top, Item->GetImageIndex());
    if (Item->GetStateIndex() >= 0) images->Draw(canvas, icon.Left, icon.Top, Item->GetStateIndex());
  }
  TRect label = Item->DisplayRect(drLabel);
  label.Left += 4;
  canvas->GetBrush()->SetStyle(bsClear);
  const AnsiString caption = Item->GetCaption();
  RECT text = ToRECT(label);
  DrawTextA(canvas->GetHandle(), caption.c_str(), static_cast<int>(caption.size()), &text,
            DT_SINGLELINE | DT_END_ELLIPSIS | DT_NOPREFIX | DT_VCENTER | DT_LEFT);
  if (TCustomImageList* images = Sender->GetSmallImages()) {
    const TRect remove = Item->SubItemRect(1);
    images->Draw(canvas, remove.Left, remove.Top, 2);
  }
}

// ---------------------------------------------------------------------------------------
// Loop, volume, position

void TfrmMainFormLumetra::btnLoopClick(TObject*) { PopupBelow(pmLoop, btnLoop); }

void TfrmMainFormLumetra::acLoopNoneExecute(TObject*) { SetMainProperty(PROP_PLAYLIST_LOOP, "0"); }

void TfrmMainFormLumetra::acLoopItemExecute(TObject*) { SetMainProperty(PROP_PLAYLIST_LOOP, "1"); }

void TfrmMainFormLumetra::acLoopListExecute(TObject*) { SetMainProperty(PROP_PLAYLIST_LOOP, "2"); }

void TfrmMainFormLumetra::btnVolumeClick(TObject*) {
  if (!FVolumeForm) {
    FVolumeForm = new TfrmVolumeForm(this);
    FVolumeForm->OnSetVolume = [this](bool Mute, int Volume) { SetVolume(Mute, Volume); };
  }
  UpdateVolumeButton();
  const TPoint below = btnVolume->ClientToScreen(TPoint(0, btnVolume->GetHeight()));
  FVolumeForm->PopupAt(below, SafeStrToInt(GetMainProperty(PROP_PLAYER_VOLUME), 0));
}

void TfrmMainFormLumetra::UpdateVolumeButton() {
  const bool muted = SafeStrToInt(GetMainProperty(PROP_PLAYER_MUTE), 0) != 0;
  if (muted) {
    btnVolume->SetImageIndex(6);
  } else {
    // Three pictures for 0..100; a volume beyond that range shows the nearer end.
    const int volume = std::clamp(SafeStrToInt(GetMainProperty(PROP_PLAYER_VOLUME), 0), 0, 100);
    btnVolume->SetImageIndex(7 + volume / 34);
  }
  if (FVolumeForm) FVolumeForm->btnMute->SetTag(muted ? 1 : 0);
}

void TfrmMainFormLumetra::SetVolume(bool Mute, int Volume) {
  if (Mute)
    SetMainProperty(PROP_PLAYER_MUTE, "1");
  else
    SetMainProperty(PROP_PLAYER_VOLUME, IntToStr(Volume));
  UpdateVolumeButton();
}

void TfrmMainFormLumetra::PropertyChanged(int32_t PropertyId) {
  TfrmBasePropertiesForm::PropertyChanged(PropertyId);
  // Before the first show no engine value reaches the controls.
  if (!GetBindingActive()) return;
  switch (PropertyId) {
    case PROP_PLAYLIST_LOOP:
      btnLoop->SetImageIndex(SafeStrToInt(GetMainProperty(PROP_PLAYLIST_LOOP), 0) != 0 ? 12 : 13);
      break;
    case PROP_PLAYER_MUTE:
    case PROP_PLAYER_VOLUME:
      UpdateVolumeButton();
      break;
    case PROP_PLAYER_POSITION:
      // The position slider lives in the preview box.
      if (FPreviewBox)
        SetControlValue(FPreviewBox->valueMediaSlider, GetMainProperty(PROP_PLAYER_POSITION), PROP_PLAYER_POSITION,
                        pkSlider);
      break;
    default:
      break;
  }
}

void TfrmMainFormLumetra::tmProcessTimer(TObject*) {
  tmProcess->SetEnabled(false);
  PropertyChanged(PROP_PLAYER_POSITION);
  tmProcess->SetEnabled(true);
}

void TfrmMainFormLumetra::valueMediaSliderChange(TObject*) {
  if (!GetWritingControl()) tmProcess->SetEnabled(false);
}

void TfrmMainFormLumetra::valueMediaSliderChanged(TObject* Sender) {
  tmProcess->SetEnabled(true);
  if (auto* slider = dynamic_cast<TSlider*>(Sender)) SetMainProperty(PROP_PLAYER_POSITION, IntToStr(slider->GetValue()));
}

// ---------------------------------------------------------------------------------------
// "play.lst" and the playback settings

bool TfrmMainFormLumetra::SavePlayList() {
  if (!GetSettings()) return false;
  TStringList lines;
  TListItems* items = valueMediaPlayList->GetItems();
  for (int i = 0; i < items->GetCount(); ++i) {
    TStrings* sub = items->GetItem(i)->GetSubItems();
    if (sub->GetCount() > 0) lines.Add(sub->Get(0));
  }
  return SaveLinesReplacing(&lines, GetSettings()->GetConfigFolder() + kPlayListFile);
}

void TfrmMainFormLumetra::ReportPlayListNotSaved() {
  if (!frmEngineWndLumetra || !GetSettings()) return;
  frmEngineWndLumetra->ShowMessageBox("MSGBOX_PlayListNotSaved", {GetSettings()->GetConfigFolder() + kPlayListFile},
                                      0, mtError, TMsgDlgButtons{mbOK}, 0);
}

void TfrmMainFormLumetra::RestorePlayList() {
  if (!GetSettings()) return;
  const AnsiString file = GetSettings()->GetConfigFolder() + kPlayListFile;
  FPlayListRestored = true;
  if (!FileExists(file)) return;
  TStringList lines;
  try {
    lines.LoadFromFile(file);
  } catch (const Exception&) {
    // A list that cannot be read is left as it is, on the disk and in the engine.
    return;
  }
  SetMainProperty(PROP_PLAYLIST_REMOVE, "-1");
  // The lines are pieces as the engine wrote them: they go back as they are.
  AddFilesAndPlay(ListDelimitedText(&lines, false));
}

void TfrmMainFormLumetra::RestorePlaybackSettings() {
  TSettings& settings = *GetSettings();
  SetMainProperty(PROP_PLAYER_VOLUME, settings.Read(Setting::VideoVolume));
  SetMainProperty(PROP_PLAYER_MUTE, settings.Read(Setting::VideoMute));
  SetMainProperty(PROP_PLAYLIST_LOOP, settings.Read(Setting::VideoLoop));
}

void TfrmMainFormLumetra::SavePlaybackSettings() {
  TSettings* settings = GetSettings();
  if (!settings) return;
  // Only what the engine answers is kept: without an answer the stored value stays.
  const TTextSetting* keys[] = {&Setting::VideoVolume, &Setting::VideoMute, &Setting::VideoLoop};
  const int32_t ids[] = {PROP_PLAYER_VOLUME, PROP_PLAYER_MUTE, PROP_PLAYLIST_LOOP};
  for (int i = 0; i < 3; ++i) {
    AnsiString value;
    if (ReadProperty(MODULE_MAIN_SOURCE, ids[i], value)) settings->Write(*keys[i], value);
  }
}

// ---------------------------------------------------------------------------------------
// Closing

void TfrmMainFormLumetra::FormCloseQuery(TObject*, bool& CanClose) {
  if (!frmEngineWndLumetra) return;
  if (!FQuit)
    CanClose = frmEngineWndLumetra->ShowMessageBox("MSGBOX_QuitApp", {}, kQuitQuestionId, mtConfirmation,
                                                   TMsgDlgButtons{mbOK, mbCancel}, 1) == mrOk;
  if (!CanClose) return;
  SavePlaybackSettings();
  // The playlist the user built stays for the next start (while a camera is the source,
  // "play.lst" already holds the rows saved at the switch). Before the first show has
  // read "play.lst" back the rows are not that list, and the file is kept as it is.
  if (FPlayListRestored && GetMainProperty(PROP_SOURCE_TYPE) == "18") {
    // The rows as the engine holds the list now (its notice may still be on its way).
    TfrmBasePropertiesForm::PropertyChanged(PROP_PLAYLIST_ITEMS);
    // A list that cannot be written does not keep the program open. A quit asked for by
    // another process (which waits for it) shows nothing.
    if (!SavePlayList() && !FQuit) ReportPlayListNotSaved();
  }
  frmEngineWndLumetra->DoQuit();
}
