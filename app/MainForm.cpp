// The main window: its components as the form carries them, the source menus, the menus
// and actions, always-on-top, the caption, its place on the screen, dropped files, the
// instance messages and the dialogs it opens. The player half is MainFormPlayer.cpp.
#include "app/MainForm.h"

#include <shellapi.h>

#include <memory>
#include <vector>

#include "app/AboutForm.h"
#include "app/EngineWnd.h"
#include "app/FormSupport.h"
#include "app/InputUrlForm.h"
#include "app/Instance.h"
#include "app/ListText.h"
#include "app/OptionsForm.h"
#include "app/PreviewBoxForm.h"
#include "app/VolumeForm.h"
#include "app/SPTools.h"
#include "app/Settings.h"
#include "app/SplashForm.h"
#include "engine/effects/PropertyIds.h"
#include "skin/data/PngImageList.h"
#include "skin/data/spMultiLang.h"

TfrmMainFormLumetra* frmMainFormLumetra = nullptr;

namespace {

constexpr int kFileSourceImage = 14;
constexpr int kDeviceImage = 15;
constexpr int kRollUpCommand = 5;  // the frame's roll-up caption button
constexpr int kButtonSize = 28;

// The pictures of the playlist rows, 20 x 20 with alpha: a plain row, the current row and
// the remove mark of the second column.
void DrawListIcons(TImageList* List) {
  const int size = 20;
  auto make = [&](auto&& Pixel) {
    TBitmap picture;
    picture.SetPixelFormat(pf32bit);
    picture.SetSize(size, size);
    TDibImage dib = picture.GetDib();
    for (int y = 0; y < size; ++y)
      for (int x = 0; x < size; ++x) {
        const uint32_t p = Pixel(x, y);
        uint8_t* at = &dib.Bits[(size_t(size - 1 - y) * size + size_t(x)) * 4];
        at[0] = uint8_t(p), at[1] = uint8_t(p >> 8), at[2] = uint8_t(p >> 16), at[3] = uint8_t(p >> 24);
      }
    picture.SetDib(dib);
    List->Add(&picture, nullptr);
  };
  // A small grey film frame.
  make([](int x, int y) -> uint32_t {
    const bool frame = x >= 5 && x <= 14 && y >= 6 && y <= 13;
    const bool hole = x >= 7 && x <= 12 && y >= 8 && y <= 11;
    return frame && !hole ? 0xFF8C96A0u : 0u;
  });
  // A play triangle in the band's light colour.
  make([](int x, int y) -> uint32_t {
    const int dy = y < 10 ? 10 - y : y - 9;
    return x >= 6 && x <= 15 && (x - 6) <= 2 * (6 - dy) && dy <= 6 ? 0xFFFFF0C8u : 0u;
  });
  // A red cross.
  make([](int x, int y) -> uint32_t {
    const int a = x - y, b = x + y - 19;
    const bool inside = x >= 5 && x <= 14 && y >= 5 && y <= 14;
    return inside && ((a >= -1 && a <= 1) || (b >= -1 && b <= 1)) ? 0xFFD03030u : 0u;
  });
}

}  // namespace

// ---------------------------------------------------------------------------------------
// Building the form

TfrmMainFormLumetra::TfrmMainFormLumetra(TComponent* AOwner) : TfrmBasePropertiesForm(AOwner) {
  TComponentLoading loading(this);
  SetName("frmMainFormLumetra");
  SetBorderStyle(bsSizeable);
  SetBorderIcons(TBorderIcons{biSystemMenu, biMinimize});
  SetBounds(200, 100, Setting::MainFormWidth.Default, Setting::MainFormHeight.Default);
  OnCreate = [this](TObject* Sender) { FormCreate(Sender); };
  OnShow = [this](TObject* Sender) { FormShow(Sender); };
  OnHide = [this](TObject* Sender) { FormHide(Sender); };
  OnResize = [this](TObject* Sender) { FormResize(Sender); };
  OnCloseQuery = [this](TObject* Sender, bool& CanClose) { FormCloseQuery(Sender, CanClose); };

  BuildActions();
  BuildMenus();
  BuildControls();

  smLanguage = CreateFormLanguage(this);
  smLanguage->OnChangeLanguage = [this](TObject* Sender) { smLanguageChangeLanguage(Sender); };

  frmMainFormLumetra = this;
  if (frmEngineWndLumetra) frmEngineWndLumetra->SetMainForm(this);
  loading.Finish();
}

TfrmMainFormLumetra::~TfrmMainFormLumetra() {
  // The preview box lives as long as the window it stands beside.
  if (FPreviewBox) {
    TfrmPreviewBoxForm* box = FPreviewBox;
    FPreviewBox = nullptr;
    box->Free();
  }
  if (frmEngineWndLumetra && frmEngineWndLumetra->GetMainForm() == this) {
    frmEngineWndLumetra->SetMainForm(nullptr);
    frmEngineWndLumetra->OnStreamSizeChanged = nullptr;
  }
  if (frmMainFormLumetra == this) frmMainFormLumetra = nullptr;
}

void TfrmMainFormLumetra::BuildActions() {
  alMain = new TActionList(this);
  alMain->SetName("alMain");
  auto action = [this](TAction*& Field, const char* Name, const char* Caption, void (TfrmMainFormLumetra::*Execute)(TObject*)) {
    Field = new TAction(this);
    Field->SetName(Name);
    Field->SetCaption(Caption);
    Field->SetActionList(alMain);
    if (Execute) Field->OnExecute = [this, Execute](TObject* Sender) { (this->*Execute)(Sender); };
  };
  using F = TfrmMainFormLumetra;
  action(acAddDvd, "acAddDvd", "Add D&VD/VCD", &F::acAddDvdExecute);
  action(acPlayListAddFiles, "acPlayListAddFiles", "Add &File(s)", &F::acPlayListAddFilesExecute);
  action(acPlayListAddFolder, "acPlayListAddFolder", "Add &Folder", &F::acPlayListAddFolderExecute);
  action(acPlayListAddURL, "acPlayListAddURL", "Add &URL", &F::acPlayListAddURLExecute);
  action(acPlayListRemoveSelected, "acPlayListRemoveSelected", "Remove &Selected", &F::acPlayListRemoveSelectedExecute);
  acPlayListRemoveSelected->OnUpdate = [this](TObject* Sender) { acPlayListRemoveSelectedUpdate(Sender); };
  action(acPlayListRemoveAll, "acPlayListRemoveAll", "Remove &All", &F::acPlayListRemoveAllExecute);
  acPlayListRemoveAll->OnUpdate = [this](TObject* Sender) { acPlayListRemoveAllUpdate(Sender); };
  action(acSetDefault, "acSetDefault", "Set &Default", &F::acSetDefaultExecute);
  action(acExit, "acExit", "&Exit", &F::acExitExecute);
  action(acShowPreview, "acShowPreview", "Show &Preview", &F::acShowPreviewExecute);
  action(acAlwaysOnTop, "acAlwaysOnTop", "&Always On Top", &F::acAlwaysOnTopExecute);
  acAlwaysOnTop->OnUpdate = [this](TObject* Sender) { acAlwaysOnTopUpdate(Sender); };
  action(acOption, "acOption", "&Options", &F::acOptionExecute);
  action(acPlay, "acPlay", "&Play", &F::ValueChange);
  action(acPause, "acPause", "&Pause", &F::ValueChange);
  action(acStop, "acStop", "&Stop", &F::ValueChange);
  action(acUpdate, "acUpdate", "&Update...", &F::acUpdateExecute);
  action(acHelp, "acHelp", "", &F::acHelpExecute);
  action(acHome, "acHome", "Home &Page...", &F::acHomeExecute);
  action(acAbout, "acAbout", "About", &F::acAboutExecute);
  action(acOpenMainFrame, "acOpenMainFrame", "&Open Sarvendo...", &F::acOpenMainFrameExecute);
  action(acPlayListJumpTo, "acPlayListJumpTo", "&Jump to", &F::acPlayListJumpToExecute);
  action(acPlayListUp, "acPlayListUp", "&Up", &F::acPlayListUpExecute);
  action(acPlayListDown, "acPlayListDown", "&Down", &F::acPlayListDownExecute);
  action(acLoopNone, "acLoopNone", "No Repeating", &F::acLoopNoneExecute);
  action(acLoopItem, "acLoopItem", "Toggle Specific Item Repeating", &F::acLoopItemExecute);
  acLoopItem->SetVisible(false);
  action(acLoopList, "acLoopList", "Toggle Playlist Repeating", &F::acLoopListExecute);
}

TMenuItem* TfrmMainFormLumetra::NewItem(TMenuItem* Parent, const char* Name, const AnsiString& Caption,
                                        TBasicAction* Action) {
  auto* item = new TMenuItem(this);
  if (Name) item->SetName(Name);
  if (Action)
    item->SetAction(Action);
  else
    item->SetCaption(Caption);
  Parent->Add(item);
  return item;
}

void TfrmMainFormLumetra::BuildMenus() {
  TCustomImageList* icons = frmEngineWndLumetra ? frmEngineWndLumetra->liIconsPng : nullptr;
  auto line = [this](TMenuItem* Parent) { NewItem(Parent, nullptr, "-"); };
  auto sourceItem = [this](TMenuItem* Parent, const char* Name) {
    TMenuItem* item = NewItem(Parent, Name, "Video File Source");
    item->SetImageIndex(kFileSourceImage);
    item->OnClick = [this](TObject* Sender) { miVideoFileSourceClick(Sender); };
    return item;
  };

  spsknmnmn0 = new TMainMenu(this);
  spsknmnmn0->SetName("spsknmnmn0");
  spsknmnmn0->SetImages(icons);
  TMenuItem* root = spsknmnmn0->GetItems();
  miFile = NewItem(root, "miFile", "&File");
  for (TAction* a : {acAddDvd, acPlayListAddFiles, acPlayListAddFolder, acPlayListAddURL}) NewItem(miFile, nullptr, "", a);
  line(miFile);
  NewItem(miFile, nullptr, "", acPlayListRemoveSelected);
  NewItem(miFile, nullptr, "", acPlayListRemoveAll);
  line(miFile);
  NewItem(miFile, nullptr, "", acSetDefault);
  line(miFile);
  NewItem(miFile, nullptr, "", acExit);
  miView = NewItem(root, "miView", "&View");
  NewItem(miView, nullptr, "", acShowPreview);
  NewItem(miView, nullptr, "", acAlwaysOnTop);
  miChooseSource = NewItem(miView, "miChooseSource", "Choose Video Source");
  miVideoFileSource = sourceItem(miChooseSource, "miVideoFileSource");
  line(miView);
  NewItem(miView, nullptr, "", acOption);
  miControl = NewItem(root, "miControl", "&Control");
  for (TAction* a : {acPlay, acPause, acStop}) NewItem(miControl, nullptr, "", a);
  miHelp = NewItem(root, "miHelp", "&Help");
  NewItem(miHelp, nullptr, "", acUpdate);
  line(miHelp);
  NewItem(miHelp, nullptr, "", acHome);
  NewItem(miHelp, nullptr, "", acAbout);
  SetMenu(spsknmnmn0);

  pmSource = new TPopupMenu(this);
  pmSource->SetName("pmSource");
  pmSource->SetImages(icons);
  miPopupVideoFileSource = sourceItem(pmSource->GetItems(), "miPopupVideoFileSource");

  pmTrayIcon = new TPopupMenu(this);
  pmTrayIcon->SetName("pmTrayIcon");
  pmTrayIcon->SetAlignment(paCenter);
  NewItem(pmTrayIcon->GetItems(), nullptr, "", acOpenMainFrame);
  NewItem(pmTrayIcon->GetItems(), nullptr, "", acHome);
  line(pmTrayIcon->GetItems());
  NewItem(pmTrayIcon->GetItems(), nullptr, "", acAbout);
  NewItem(pmTrayIcon->GetItems(), nullptr, "", acExit);
  line(pmTrayIcon->GetItems());

  pmSystem = new TPopupMenu(this);
  pmSystem->SetName("pmSystem");
  NewItem(pmSystem->GetItems(), nullptr, "", acAlwaysOnTop);
  line(pmSystem->GetItems());
  NewItem(pmSystem->GetItems(), nullptr, "", acHome);
  NewItem(pmSystem->GetItems(), nullptr, "", acOption);
  line(pmSystem->GetItems());
  NewItem(pmSystem->GetItems(), nullptr, "", acExit);

  pmPlayList = new TPopupMenu(this);
  pmPlayList->SetName("pmPlayList");
  for (TAction* a : {acPlayListJumpTo, acPlayListUp, acPlayListDown, acPlayListRemoveSelected})
    NewItem(pmPlayList->GetItems(), nullptr, "", a);
  pmPlayList->OnPopup = [this](TObject* Sender) { pmPlayListPopup(Sender); };

  pmAddFile = new TPopupMenu(this);
  pmAddFile->SetName("pmAddFile");
  for (TAction* a : {acPlayListAddFiles, acPlayListAddFolder, acAddDvd, acPlayListAddURL})
    NewItem(pmAddFile->GetItems(), nullptr, "", a);

  pmLoop = new TPopupMenu(this);
  pmLoop->SetName("pmLoop");
  for (TAction* a : {acLoopNone, acLoopItem, acLoopList}) NewItem(pmLoop->GetItems(), nullptr, "", a);
}

TPanel* TfrmMainFormLumetra::NewPanel(TWinControl* Parent, const char* Name, TAlign Align, int Height) {
  auto* panel = new TPanel(this);
  panel->SetName(Name);
  panel->SetParent(Parent);
  panel->SetAlign(Align);
  panel->SetHeight(Height);
  panel->SetBevelOuter(bvNone);
  panel->SetCaption("");
  return panel;
}

TSpeedButton* TfrmMainFormLumetra::NewButton(TWinControl* Parent, const char* Name, int Left, int ImageIndex) {
  auto* button = new TSpeedButton(this);
  button->SetName(Name);
  button->SetParent(Parent);
  button->SetBounds(Left, 1, kButtonSize, kButtonSize);
  button->SetFlat(true);
  button->SetShowCaption(false);
  if (frmEngineWndLumetra) button->SetImageList(frmEngineWndLumetra->liIconsPng);
  button->SetImageIndex(ImageIndex);
  return button;
}

void TfrmMainFormLumetra::BuildControls() {
  ilListIcon = new TImageList(this);
  ilListIcon->SetName("ilListIcon");
  ilListIcon->SetSize(20, 20);
  DrawListIcons(ilListIcon);

  tmProcess = new TTimer(this);
  tmProcess->SetName("tmProcess");
  tmProcess->SetInterval(1000);
  tmProcess->OnTimer = [this](TObject* Sender) { tmProcessTimer(Sender); };

  // The menu bar: a button for each menu of the main menu, which drops it.
  spsknmnmnbr1 = NewPanel(this, "spsknmnmnbr1", alTop, 24);
  int left = 2;
  for (TMenuItem* top : {miFile, miView, miControl, miHelp}) {
    auto* button = new TSpeedButton(this);
    button->SetParent(spsknmnmnbr1);
    button->SetFlat(true);
    button->SetBounds(left, 1, 64, 22);
    button->SetCaption(top->GetCaption());
    button->OnClick = [this, top, button](TObject*) { PopupMainMenuItem(top, button); };
    left += 64;
  }

  pnSource = NewPanel(this, "pnSource", alTop, kButtonSize + 4);
  btnSource = NewButton(pnSource, "btnSource", 4, kFileSourceImage);
  btnSource->OnClick = [this](TObject* Sender) { btnSourceClick(Sender); };
  btnSourceMenu = NewButton(pnSource, "btnSourceMenu", 4 + kButtonSize, -1);
  btnSourceMenu->SetWidth(14);
  btnSourceMenu->SetShowCaption(true);
  btnSourceMenu->SetCaption("v");
  btnSourceMenu->OnClick = [this](TObject* Sender) { btnSourceMenuClick(Sender); };

  pnToolBar = NewPanel(this, "pnToolBar", alTop, kButtonSize + 4);
  btnPlayListAdd = NewButton(pnToolBar, "btnPlayListAdd", 4, 0);
  btnPlayListAdd->OnClick = [this](TObject* Sender) { btnPlayListAddClick(Sender); };
  btnPlayListRemoveAll0 = NewButton(pnToolBar, "btnPlayListRemoveAll0", 4 + kButtonSize, 1);
  btnPlayListRemoveAll0->SetAction(acPlayListRemoveAll);
  // Play and pause share one place; the one the player offers shows there.
  pnPlayPause = NewPanel(pnToolBar, "pnPlayPause", alNone, kButtonSize + 2);
  pnPlayPause->SetBounds(12 + 2 * kButtonSize, 0, kButtonSize, kButtonSize + 2);
  btnMediaPlay = NewButton(pnPlayPause, "btnMediaPlay", 0, 2);
  btnMediaPause = NewButton(pnPlayPause, "btnMediaPause", 0, 3);
  btnMediaPause->SetVisible(false);
  btnMediaStop = NewButton(pnToolBar, "btnMediaStop", 12 + 3 * kButtonSize, 4);
  for (TSpeedButton* b : {btnMediaPlay, btnMediaPause, btnMediaStop})
    b->OnClick = [this](TObject* Sender) { ValueChange(Sender); };
  btnVolume = NewButton(pnToolBar, "btnVolume", 20 + 4 * kButtonSize, 8);
  btnVolume->OnClick = [this](TObject* Sender) { btnVolumeClick(Sender); };
  btnLoop = NewButton(pnToolBar, "btnLoop", 20 + 5 * kButtonSize, 12);
  btnLoop->OnClick = [this](TObject* Sender) { btnLoopClick(Sender); };
  btnShowPreview0 = NewButton(pnToolBar, "btnShowPreview0", 20 + 6 * kButtonSize, 11);
  btnShowPreview0->SetAction(acShowPreview);

  pnBottom = NewPanel(this, "pnBottom", alBottom, 22);
  lblVideoDecoder = new TLinkLabel(this);
  lblVideoDecoder->SetName("lblVideoDecoder");
  lblVideoDecoder->SetParent(pnBottom);
  lblVideoDecoder->SetBounds(6, 4, 400, 16);
  lblVideoDecoder->SetCaption("Click Here if your video clips can't be played properly.");
  lblVideoDecoder->OnClick = [this](TObject* Sender) { lblVideoDecoderClick(Sender); };

  valueMediaPlayList = new TListView(this);
  valueMediaPlayList->SetName("valueMediaPlayList");
  valueMediaPlayList->SetParent(this);
  valueMediaPlayList->SetAlign(alClient);
  valueMediaPlayList->SetViewStyle(vsReport);
  valueMediaPlayList->GetColumns()->Add()->SetWidth(200);
  valueMediaPlayList->GetColumns()->Add()->SetWidth(30);
  valueMediaPlayList->SetShowColumnHeaders(false);
  valueMediaPlayList->SetMultiSelect(true);
  valueMediaPlayList->SetRowSelect(true);
  valueMediaPlayList->SetHideSelection(false);
  valueMediaPlayList->SetReadOnly(true);
  valueMediaPlayList->SetDragMode(dmAutomatic);
  valueMediaPlayList->SetSmallImages(ilListIcon);
  valueMediaPlayList->SetPopupMenu(pmPlayList);
  valueMediaPlayList->OnClick = [this](TObject* Sender) { valueMediaPlayListClick(Sender); };
  valueMediaPlayList->OnDblClick = [this](TObject* Sender) { valueMediaPlayListDblClick(Sender); };
  valueMediaPlayList->OnKeyUp = [this](TObject* Sender, uint16_t& Key, TShiftState Shift) {
    valueMediaPlayListKeyUp(Sender, Key, Shift);
  };
  valueMediaPlayList->OnDragOver = [this](TObject* Sender, TObject* Source, int X, int Y, TDragState State,
                                          bool& Accept) {
    valueMediaPlayListDragOver(Sender, Source, X, Y, State, Accept);
  };
  valueMediaPlayList->OnDragDrop = [this](TObject* Sender, TObject* Source, int X, int Y) {
    valueMediaPlayListDragDrop(Sender, Source, X, Y);
  };
  valueMediaPlayList->OnEditing = [this](TObject* Sender, TListItem* Item, bool& AllowEdit) {
    valueMediaPlayListEditing(Sender, Item, AllowEdit);
  };
  valueMediaPlayList->OnResize = [this](TObject* Sender) { valueMediaPlayListResize(Sender); };
  valueMediaPlayList->OnCustomDrawItem = [this](TCustomListView* Sender, TListItem* Item, TCustomDrawState State,
                                                bool& DefaultDraw) {
    valueMediaPlayListCustomDrawItem(Sender, Item, State, DefaultDraw);
  };
}

void TfrmMainFormLumetra::BindControls() {
  struct TBinding {
    TComponent* Control;
    int32_t Property;
    TPropertieKind Kind;
  };
  const TBinding bindings[] = {
      {valueMediaPlayList, PROP_PLAYLIST_ITEMS, pkPlayList}, {valueMediaPlayList, PROP_PLAYLIST_INDEX, pkListMark},
      {btnMediaStop, PROP_PLAYER_STOP, pkEnabled},           {btnMediaPlay, PROP_PLAYER_PLAY, pkVisibleSwap},
      {btnMediaPause, PROP_PLAYER_PAUSE, pkVisibleSwap},     {pmLoop, PROP_PLAYLIST_LOOP, pkMenuRadio},
      {acPlay, PROP_PLAYER_PLAY, pkActionEnabled},           {acPause, PROP_PLAYER_PAUSE, pkActionEnabled},
      {acStop, PROP_PLAYER_STOP, pkActionEnabled},
  };
  for (const TBinding& b : bindings) BindControl(b.Control, b.Property, b.Kind, 2);
}

void TfrmMainFormLumetra::FormCreate(TObject*) {
  if (frmEngineWndLumetra) {
    frmEngineWndLumetra->OnStreamSizeChanged = [this](TObject*) { StreamSizeChanged(); };
    // Links the installation gives no address are not offered.
    acHome->SetVisible(frmEngineWndLumetra->HasWebLink("home"));
    acUpdate->SetVisible(frmEngineWndLumetra->HasWebLink("update"));
    lblVideoDecoder->SetVisible(frmEngineWndLumetra->HasWebLink("videodecoder"));
  }
  // Started hidden: the splash window goes at once.
  if (Application && !Application->GetShowMainForm()) CloseSplash();
  BuildSourceMenu();
  smLanguageChangeLanguage(this);
}

void TfrmMainFormLumetra::CreateWnd() {
  TfrmBasePropertiesForm::CreateWnd();
  DragAcceptFiles(GetHandle(), TRUE);
}

void TfrmMainFormLumetra::CloseSplash() { CloseSplashForm(); }

// ---------------------------------------------------------------------------------------
// Engine properties

bool TfrmMainFormLumetra::ReadProperty(int Module, int32_t PropertyId, AnsiString& Value) {
  return frmEngineWndLumetra && frmEngineWndLumetra->GetProperty(Module, PropertyId, Value);
}

bool TfrmMainFormLumetra::WriteProperty(int Module, int32_t PropertyId, const AnsiString& Value) {
  return frmEngineWndLumetra && frmEngineWndLumetra->SetProperty(Module, PropertyId, Value);
}

AnsiString TfrmMainFormLumetra::GetMainProperty(int32_t PropertyId) {
  AnsiString value;
  ReadProperty(MODULE_MAIN_SOURCE, PropertyId, value);
  return value;
}

void TfrmMainFormLumetra::SetMainProperty(int32_t PropertyId, const AnsiString& Value) {
  WriteProperty(MODULE_MAIN_SOURCE, PropertyId, Value);
}

// ---------------------------------------------------------------------------------------
// Sources

void TfrmMainFormLumetra::BuildSourceMenu() {
  TStringList devices;
  if (frmEngineWndLumetra) frmEngineWndLumetra->GetSourceList(&devices);
  for (int i = 0; i + 1 < devices.GetCount(); i += 2) {
    for (TMenuItem* parent : {pmSource->GetItems(), miChooseSource}) {
      TMenuItem* item = NewItem(parent, nullptr, devices.Get(i));
      item->SetHint(devices.Get(i + 1));
      item->SetImageIndex(kDeviceImage);
      item->OnClick = [this](TObject* Sender) { miVideoFileSourceClick(Sender); };
    }
  }
}

void TfrmMainFormLumetra::miVideoFileSourceClick(TObject* Sender) {
  auto* item = dynamic_cast<TMenuItem*>(Sender);
  if (!item) return;
  if (item->GetImageIndex() == kFileSourceImage) {
    btnSourceClick(Sender);
  } else if (item->GetImageIndex() == kDeviceImage) {
    // "play.lst" takes the rows of the playlist being left; from one camera to another the
    // rows still shown are no list the engine holds, and the file keeps the one saved.
    const bool leavingPlayList = FPlayListRestored && GetMainProperty(PROP_SOURCE_TYPE) == "18";
    SetMainProperty(PROP_SOURCE_TYPE, "4");
    SetMainProperty(PROP_CAMERA_DEVICE, item->GetHint());
    if (leavingPlayList && !SavePlayList()) ReportPlayListNotSaved();
  }
}

void TfrmMainFormLumetra::btnSourceClick(TObject*) {
  if (GetMainProperty(PROP_SOURCE_TYPE) == "18") return;
  SetMainProperty(PROP_SOURCE_TYPE, "18");
  RestorePlayList();
}

void TfrmMainFormLumetra::btnSourceMenuClick(TObject*) { PopupBelow(pmSource, btnSource); }

// ---------------------------------------------------------------------------------------
// Menus

void TfrmMainFormLumetra::PopupBelow(TPopupMenu* Menu, TControl* Control) {
  const TPoint at = Control->ClientToScreen(TPoint(0, Control->GetHeight()));
  Menu->Popup(at.X, at.Y);
}

void TfrmMainFormLumetra::PopupMainMenuItem(TMenuItem* Item, TControl* Button) {
  // The items of the menu go into a popup menu while it shows and come back afterwards.
  TPopupMenu popup(nullptr);
  popup.SetImages(spsknmnmn0->GetImages());
  std::vector<TMenuItem*> items;
  while (Item->GetCount() > 0) {
    items.push_back(Item->GetItem(0));
    Item->Delete(0);
  }
  for (TMenuItem* child : items) popup.GetItems()->Add(child);
  struct TPutBack {
    TPopupMenu& Popup;
    TMenuItem* Item;
    std::vector<TMenuItem*>& Items;
    ~TPutBack() {
      for (TMenuItem* child : Items) {
        const int at = Popup.GetItems()->IndexOf(child);
        if (at >= 0) Popup.GetItems()->Delete(at);
        Item->Add(child);
      }
    }
  } putBack{popup, Item, items};
  PopupBelow(&popup, Button);
}

// ---------------------------------------------------------------------------------------
// Always on top, dialogs and links

void TfrmMainFormLumetra::SetStayOnTop(bool On) {
  FStayOnTop = On;
  if (HandleAllocated()) ::SetStayOnTop(GetHandle(), On);
  if (FPreviewBox && FPreviewBox->GetVisible()) ::SetStayOnTop(FPreviewBox->GetHandle(), On);
}

template <class TDialog, class F>
void TfrmMainFormLumetra::ShowDialog(F&& Closed) {
  SuspendStayOnTop();
  struct TResume {
    TfrmMainFormLumetra* Form;
    ~TResume() { Form->ResumeStayOnTop(); }
  } resume{this};
  std::unique_ptr<TDialog, void (*)(TDialog*)> dialog(new TDialog(this), [](TDialog* D) { D->Free(); });
  const int result = dialog->ShowModal();
  Closed(*dialog, result);
}

void TfrmMainFormLumetra::SuspendStayOnTop() {
  FSavedStayOnTop = FStayOnTop;
  SetStayOnTop(false);
}

void TfrmMainFormLumetra::ResumeStayOnTop() { SetStayOnTop(FSavedStayOnTop); }

void TfrmMainFormLumetra::acAlwaysOnTopExecute(TObject*) { SetStayOnTop(!FStayOnTop); }

void TfrmMainFormLumetra::acAlwaysOnTopUpdate(TObject*) { acAlwaysOnTop->SetChecked(FStayOnTop); }

void TfrmMainFormLumetra::spSkinForm1ObjectCommand(int Command, bool& Cancel) {
  if (Command != kRollUpCommand) return;
  SetStayOnTop(!FStayOnTop);
  Cancel = true;
}

void TfrmMainFormLumetra::spSkinForm1GetObjectRestoreMode(int Command, bool& RestoreMode) {
  if (Command == kRollUpCommand) RestoreMode = FStayOnTop;
}

void TfrmMainFormLumetra::acSetDefaultExecute(TObject*) {
  if (!frmEngineWndLumetra) return;
  SuspendStayOnTop();
  struct TResume {
    TfrmMainFormLumetra* Form;
    ~TResume() { Form->ResumeStayOnTop(); }
  } resume{this};
  frmEngineWndLumetra->ShowDefaultCamDialog();
}

void TfrmMainFormLumetra::acAboutExecute(TObject*) {
  ShowDialog<TfrmAboutForm>([](TfrmAboutForm&, int) {});
}

void TfrmMainFormLumetra::acOptionExecute(TObject*) {
  ShowDialog<TfrmOptionForm>([](TfrmOptionForm&, int) {});
}

void TfrmMainFormLumetra::acPlayListAddURLExecute(TObject*) {
  bool confirmed = false;
  TStringList paths;
  ShowDialog<TfrmInputUrlForm>([&](TfrmInputUrlForm& Dialog, int Result) {
    confirmed = Result == mrOk;
    paths.Add(Dialog.GetUrl());
  });
  // The address is one new path: escaped once, as a list of one.
  if (confirmed) AddFilesAndPlay(ListDelimitedText(&paths, true));
}

void TfrmMainFormLumetra::acHelpExecute(TObject*) {
  if (frmEngineWndLumetra) frmEngineWndLumetra->OpenWebLink("help");
}

void TfrmMainFormLumetra::acHomeExecute(TObject*) {
  if (frmEngineWndLumetra) frmEngineWndLumetra->OpenWebLink("home");
}

void TfrmMainFormLumetra::lblVideoDecoderClick(TObject*) {
  if (frmEngineWndLumetra) frmEngineWndLumetra->OpenWebLink("videodecoder");
}

void TfrmMainFormLumetra::acUpdateExecute(TObject*) {
  if (frmEngineWndLumetra) frmEngineWndLumetra->CheckForUpdate(true);
}

void TfrmMainFormLumetra::acExitExecute(TObject*) { Close(); }

void TfrmMainFormLumetra::acOpenMainFrameExecute(TObject*) {
  // Out of the tray: the window shows again and comes to the front.
  if (Application) Application->Restore();
  Show();
  ForceForegroundWindow(GetHandle());
}

void TfrmMainFormLumetra::acShowPreviewExecute(TObject*) { SetPreviewVisible(!FPreviewVisible); }

void TfrmMainFormLumetra::SetPreviewVisible(bool On) {
  btnShowPreview0->SetImageIndex(On ? 10 : 11);
  acShowPreview->SetChecked(On);
  if (On == FPreviewVisible) return;
  FPreviewVisible = On;
  if (On) {
    if (!FPreviewBox) {
      FPreviewBox = new TfrmPreviewBoxForm(Application);
      FPreviewBox->FreeNotification(this);
      FPreviewBox->OnCloseBox = [this](TObject*) { SetPreviewVisible(false); };
      FPreviewBox->OnMediaSliderChange = [this](TObject* Sender) { valueMediaSliderChange(Sender); };
      FPreviewBox->OnMediaSliderChanged = [this](TObject* Sender) { valueMediaSliderChanged(Sender); };
    }
    FPreviewBox->AttachToMainForm(this);
    FPreviewBox->ShowBox(true);
    PropertyChanged(PROP_PLAYER_POSITION);
  } else if (FPreviewBox) {
    FPreviewBox->ShowBox(false);
  }
  if (GetSettings()) GetSettings()->Write(Setting::MainFormPreviewSize, On);
}

void TfrmMainFormLumetra::StreamSizeChanged() {
  if (FPreviewBox) FPreviewBox->UpdateSize();
}

void TfrmMainFormLumetra::Notification(TComponent* AComponent, TOperation Operation) {
  if (Operation == opRemove) {
    if (AComponent == FPreviewBox) FPreviewBox = nullptr;
    if (AComponent == FVolumeForm) FVolumeForm = nullptr;
  }
  TfrmBasePropertiesForm::Notification(AComponent, Operation);
}

// ---------------------------------------------------------------------------------------
// Caption, place and size

void TfrmMainFormLumetra::smLanguageChangeLanguage(TObject*) {
  if (!frmEngineWndLumetra || !GetSettings()) return;
  SetCaption(frmEngineWndLumetra->GetText("strAppName") + "  " + GetSettings()->GetVersionText());
  // The menu bar's buttons show the menus' captions.
  int i = 0;
  for (TMenuItem* top : {miFile, miView, miControl, miHelp})
    if (i < spsknmnmnbr1->GetControlCount()) spsknmnmnbr1->GetControl(i++)->SetCaption(top->GetCaption());
  // The loop menu's items took their actions' new captions, and with them the actions'
  // check: the loop mode is checked again.
  PropertyChanged(PROP_PLAYLIST_LOOP);
}

void TfrmMainFormLumetra::SaveBounds(bool Moved) {
  if (!FFirstShowDone || !HandleAllocated() || IsIconic(GetHandle()) || !GetSettings()) return;
  // A window that is minimised or hidden to the tray has no place of its own to keep.
  if (!IsWindowVisible(GetHandle())) return;
  TSettings& settings = *GetSettings();
  if (Moved) {
    settings.WriteInteger(Setting::MainFormLeft, GetLeft());
    settings.WriteInteger(Setting::MainFormTop, GetTop());
  } else {
    settings.Write(Setting::MainFormWidth, GetWidth());
    settings.Write(Setting::MainFormHeight, GetHeight());
  }
  if (FPreviewBox) FPreviewBox->FollowMainForm();
}

void TfrmMainFormLumetra::FormResize(TObject*) { SaveBounds(false); }

void TfrmMainFormLumetra::WMMove(TMessage& Message) {
  TfrmBasePropertiesForm::Dispatch(Message);
  SaveBounds(true);
}

void TfrmMainFormLumetra::FormHide(TObject*) {
  if (FPreviewBox) FPreviewBox->MainFormHidden();
}

// ---------------------------------------------------------------------------------------
// Messages

void TfrmMainFormLumetra::CloseApp() {
  FQuit = true;
  Close();
}

void TfrmMainFormLumetra::WMDropFiles(TMessage& Message) { HandleDroppedFiles(this, Message); }

void TfrmMainFormLumetra::WMCopyData(TMessage& Message) {
  const auto* data = reinterpret_cast<const COPYDATASTRUCT*>(Message.LParam);
  if (data && data->lpData && data->cbData > 0 && frmEngineWndLumetra)
    frmEngineWndLumetra->DoCommandLine(AnsiString(static_cast<const char*>(data->lpData), data->cbData));
  Message.Result = 1;
}

void TfrmMainFormLumetra::Dispatch(TMessage& Message) {
  switch (Message.Msg) {
    case WM_INSTANCE_IDENTIFY:
      Message.Result = GetSettings() ? GetSettings()->ReadConstInt("App.ID", 0) : 0;
      break;
    case WM_INSTANCE_QUIT:
      CloseApp();
      break;
    case WM_MAIN_COMMAND:
      if (Message.WParam == 0) CloseApp();
      break;
    case WM_COPYDATA:
      WMCopyData(Message);
      break;
    case WM_DROPFILES:
      WMDropFiles(Message);
      break;
    case WM_MOVE:
      WMMove(Message);
      break;
    default:
      TfrmBasePropertiesForm::Dispatch(Message);
      break;
  }
}
