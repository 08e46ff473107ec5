#include "app/EngineWnd.h"

#include "app/BuiltinLanguage.h"
#include "app/EngineLibrary.h"
#include "app/EngineWndRules.h"
#include "app/Instance.h"
#include "app/Main.h"
#include "app/SPTools.h"
#include "app/Settings.h"
#include "engine/effects/PropertyIds.h"
#include "skin/data/DefaultStoredSkin.h"
#include "skin/data/PngImage.h"
#include "skin/data/PngImageList.h"
#include "skin/data/SkinData.h"
#include "skin/data/SkinResStrings.h"
#include "skin/data/SkinStore.h"
#include "skin/data/spMultiLang.h"
#include "skin/data/spMultiLangData.h"

TfrmEngineWndLumetra* frmEngineWndLumetra = nullptr;

TEngineExports LibraryEngineExports() { return {&CreateEngine, &FindDevice, &InstallDevice}; }

TEngineExports TfrmEngineWndLumetra::EngineExports = LibraryEngineExports();
TDefaultCamDialogProc TfrmEngineWndLumetra::DefaultCamDialog;
std::function<bool(const AnsiString&)> TfrmEngineWndLumetra::RestartProgram =
    [](const AnsiString& CommandLine) { return RunProcess(AnsiString(), CommandLine, false, 0); };

namespace {

// The kinds of effects in the order the engine lists them.
const char* const kCategories[] = {"Background", "Transform", "Mask", "Frame",
                                   "Emotion",    "Text",      "Favorites"};
constexpr int kMaxIcons = 70;
constexpr UINT kMainThreadInterval = 300;

AnsiString IconFile(const AnsiString& ProgramFolder, int Number) {
  return ProgramFolder + "res\\images\\il_" + IntToStrPad(Number, 2, '0') + ".png";
}

}  // namespace

TfrmEngineWndLumetra::TfrmEngineWndLumetra(TComponent* AOwner) : TForm(AOwner) {
  TComponentLoading loading(this);
  SetName("frmEngineWndLumetra");
  SetCaption("frmEngineWndLumetra");
  OnCreate = [this](TObject* Sender) { FormCreate(Sender); };
  OnDestroy = [this](TObject* Sender) { FormDestroy(Sender); };

  spcConfig = new TspMultiLangConfig(this);
  spcConfig->SetName("spcConfig");
  spcConfig->SetExcludeEmptyProp(true);
  spcConfig->SetExcludeNumberEndProps(true);
  spcConfig->SetAutoApply(true);
  spcConfig->SetExcludeWithAction(true);
  {
    TStringList exclude;
    for (const char* prop :
         {"TWebBrowser:", "TspResourceStrData:", "TShockwaveFlash:", "TspSkinNotebook:", ".Text",
          "TWebDownload:", ":TComponentName", ".SkinDataName", ".EditSkinDataName",
          ".LabelSkinDataName", ".ButtonSkinDataName", ".BothSkinDataName",
          ".MessageLabelSkinDataName", ".Category", ".CompressedFileName",
          ".TrackBarSkinDataName", ".TabWidths", ".HeaderSkinDataName", ".LVHeaderSkinDataName"})
      exclude.Add(prop);
    spcConfig->SetExcludeProps(&exclude);
  }

  smdCurrent = new TspMultiLangData(this);
  smdCurrent->SetName("smdCurrent");
  smdDefault = new TspMultiLangData(this);
  smdDefault->SetName("smdDefault");
  smdDefault->SetTag(2);
  smdDefault->LoadFromText(BuiltinLanguageText());

  smLanguage = new TspMultiLang(this);
  smLanguage->SetName("smLanguage");
  smLanguage->SetDefaultData(smdDefault);
  smLanguage->SetData(smdCurrent);
  smLanguage->SetConfig(spcConfig);
  smLanguage->OnChangeLanguage = [this](TObject* Sender) { smLanguageChangeLanguage(Sender); };

  tmMainThread = new TTimer(this);
  tmMainThread->SetName("tmMainThread");
  tmMainThread->SetInterval(kMainThreadInterval);
  tmMainThread->OnTimer = [this](TObject*) { FEngine.Tick(); };

  spResourceStrData = new TspResourceStrData(this);
  spResourceStrData->SetName("spResourceStrData");
  spResourceStrData->InitDefaults();
  spCompressedStoredSkin = new TspCompressedStoredSkin(this);
  spCompressedStoredSkin->SetName("spCompressedStoredSkin");
  spCompressedStoredSkin->SetCompressedFileName("Default.skn");
  {
    TReadOnlyMemoryStream data(kDefaultStoredSkin, kDefaultStoredSkinSize);
    spCompressedStoredSkin->ReadCompressedData(&data);
  }
  spSkinData = new TspSkinData(this);
  spSkinData->SetName("spSkinData");
  spSkinData->SetSkinnableForm(true);
  spSkinData->SetEnableSkinEffects(true);
  spSkinData->SetCompressedStoredSkin(spCompressedStoredSkin);
  spSkinData->SetResourceStrData(spResourceStrData);
  spSkinData->SetSkinIndex(0);

  liIconsPng = new TspPngImageList(this);
  liIconsPng->SetName("liIconsPng");
  liIconsPng->SetPngWidth(20);
  liIconsPng->SetPngHeight(20);

  dlgMessage = new TMessageDialog(this);
  dlgMessage->SetName("dlgMessage");
  dlgMessage->SetShowAgainFlag(true);
  dlgMessage->SetShowAgainFlagValue(true);
  for (TFont* font : {dlgMessage->GetDefaultFont(), dlgMessage->GetDefaultButtonFont()}) {
    font->SetName("Arial");
    font->SetHeight(14);
  }

  dlgOpenMediaFile = new TOpenDialog(this);
  dlgOpenMediaFile->SetName("dlgOpenMediaFile");

  iedNetConnection = new TWebDownload(this);
  iedNetConnection->SetName("iedNetConnection");
  TUpdateCheckHost host;
  host.ShowMessageBox = [this](const AnsiString& TextId, TMsgDlgType DlgType, TMsgDlgButtons Buttons) {
    return ShowMessageBox(TextId, {}, 0, DlgType, Buttons, 0);
  };
  host.ShowErrorMessage = [this](int Code) { ShowErrorMessage(Code, AnsiString()); };
  host.OpenUrl = [this](const AnsiString& Address) { OpenUrl(Address); };
  host.EmbedHostName = [] { return EmbedHostName; };
  host.Embedded = [] { return EmbedHostWnd != 0; };
  FUpdateCheck = std::make_unique<TUpdateCheck>(iedNetConnection, nullptr, std::move(host));
  iedNetConnection->OnStreamComplete = [this](TBSCB* Sender, TStream* Stream, HRESULT Result) {
    iedNetConnectionComplete(Sender, Stream, Result);
  };

  frmEngineWndLumetra = this;
  loading.Finish();
}

TfrmEngineWndLumetra::~TfrmEngineWndLumetra() {
  if (frmEngineWndLumetra == this) frmEngineWndLumetra = nullptr;
}

// ---------------------------------------------------------------------------------------
// Creation and destruction

void TfrmEngineWndLumetra::FormCreate(TObject*) {
  FMultiEffects = std::make_unique<TStringList>();
  FCategories = std::make_unique<TStringList>();
  TSettings& settings = *GetSettings();

  ChooseSettingsFolder();
  settings.SelectConfigFolder(settings.GetAllUsersFlag());
  FAllUsers = settings.GetAllUsersFlag();
  OpenConfigFiles();

  const AnsiString forced = settings.ReadConst("Language.Force");
  LoadLanguage(!forced.empty() ? forced : settings.Read(Setting::Language));

  FEngine.Reset(EngineExports.CreateEngine ? EngineExports.CreateEngine() : nullptr);
  if (!FEngine.Exists()) return;  // the program runs without engine

  CheckDriver();
  FEngine.SetHostVersion(settings.GetPackedVersion());
  FEngine.SetNotifyWindow(GetHandle());
  FEngine.SetOwnerWindow(Application ? Application->GetHandle() : nullptr);
  FStreamWidth = settings.Read(Setting::StreamWidth);
  FStreamHeight = settings.Read(Setting::StreamHeight);
  FStreamRate = ReadStreamRate();
  FEngine.SetOutputSize(FStreamWidth, FStreamHeight);
  FEngine.SetFrameRate(FStreamRate);
  FEngine.Initialize(settings.ReadConst("Driver.FriendName"));

  for (const char* category : kCategories) FCategories->Add(category);
  FEngine.SetKindOrder(FCategories.get());

  TStringList multiple;
  multiple.SetCommaText(settings.Read(Setting::EffectMultiEffects));
  for (int i = 0; i < multiple.GetCount(); ++i) EnableEffect(multiple.Get(i), true);
  SetEffectSort(settings.Read(Setting::EffectSort));
  LoadIconList();
}

void TfrmEngineWndLumetra::FormDestroy(TObject*) {
  tmMainThread->SetEnabled(false);
  FCategories.reset();
  FFavorites.reset();
  FRemoveEffect.reset();
  FMultiEffects.reset();
  FEngine.Release();  // clears the engine's notify window first
}

void TfrmEngineWndLumetra::ChooseSettingsFolder() {
  TSettings& settings = *GetSettings();
  const bool canWrite = settings.CanWriteAllUsers();
  if (settings.HasAllUsersFlag()) {
    if (settings.GetAllUsersFlag() && !canWrite) {
      StartupMessageBox("MSGBOX_HavetoCurrentUser", MB_ICONINFORMATION | MB_OK);
      settings.SetAllUsersFlag(false);
    }
  } else if (canWrite) {
    settings.SetAllUsersFlag(true);
  } else {
    StartupMessageBox("MSGBOX_HavetoCurrentUser", MB_ICONINFORMATION | MB_OK);
    settings.SetAllUsersFlag(false);
  }
}

void TfrmEngineWndLumetra::OpenConfigFiles() {
  const AnsiString folder = GetSettings()->GetConfigFolder();
  FFavorites.reset();
  FRemoveEffect.reset();
  // As the settings file: one that cannot be read reads as empty and is left as it is.
  FFavorites = OpenIniFile(folder + "Favorites.dat");
  FRemoveEffect = OpenIniFile(folder + "RemoveEffect.dat");
}

void TfrmEngineWndLumetra::CheckDriver() {
  TSettings& settings = *GetSettings();
  const AnsiString hardwareId = settings.ReadConst("Driver.HardwareID");
  if (!EngineExports.FindDevice || EngineExports.FindDevice(hardwareId.c_str())) return;
  if (StartupMessageBox("MSGBOX_Drivernotinstalled", MB_ICONQUESTION | MB_YESNO) != IDYES) return;
  // The INF file lies beside the program, whatever the working folder.
  const AnsiString inf = CombinePath(settings.GetProgramFolder(), settings.ReadConst("Driver.InfFileName"));
  if (EngineExports.InstallDevice) EngineExports.InstallDevice(inf.c_str(), hardwareId.c_str());
  if (EngineExports.FindDevice(hardwareId.c_str()))
    StartupMessageBox("MSGBOX_InstallDriverOK", MB_ICONINFORMATION | MB_OK);
  else
    StartupMessageBox("MSGBOX_InstallDriverError", MB_ICONERROR | MB_OK);
}

// The start-up questions come before the main window exists: plain system message boxes.
int TfrmEngineWndLumetra::StartupMessageBox(const AnsiString& TextId, UINT Flags) {
  return MessageBoxA(GetHandle(), GetText(TextId).c_str(), GetText("strAppName").c_str(), Flags);
}

// ---------------------------------------------------------------------------------------
// The engine

bool TfrmEngineWndLumetra::GetProperty(int Module, int PropertyId, AnsiString& Value,
                                       const AnsiString& Argument) {
  return FEngine.GetProperty(Module, PropertyId, Value, Argument);
}

AnsiString TfrmEngineWndLumetra::GetProperty(int Module, int PropertyId, const AnsiString& Argument) {
  AnsiString value;
  FEngine.GetProperty(Module, PropertyId, value, Argument);
  return value;
}

bool TfrmEngineWndLumetra::SetProperty(int Module, int PropertyId, const AnsiString& Value) {
  return FEngine.SetProperty(Module, PropertyId, Value);
}

bool TfrmEngineWndLumetra::GetSourceList(TStrings* List) { return FEngine.GetSourceList(List); }

void TfrmEngineWndLumetra::PreviewMouse(UINT Message, int X, int Y) { FEngine.PreviewMouse(Message, X, Y); }

void TfrmEngineWndLumetra::SetPreviewWindow(HWND Window) { FEngine.SetPreviewWindow(Window); }

bool TfrmEngineWndLumetra::SetStreamSize(int Width, int Height) { return FEngine.SetOutputSize(Width, Height); }

bool TfrmEngineWndLumetra::SetStreamRate(int Rate) { return FEngine.SetFrameRate(Rate); }

void TfrmEngineWndLumetra::ApplyStreamSettings() {
  TSettings& settings = *GetSettings();
  const int width = settings.Read(Setting::StreamWidth);
  const int height = settings.Read(Setting::StreamHeight);
  const int rate = ReadStreamRate();
  if (width != FStreamWidth || height != FStreamHeight) {
    FStreamWidth = width;
    FStreamHeight = height;
    SetStreamSize(width, height);
    DoStreamSizeChanged();
  }
  if (rate != FStreamRate) {
    FStreamRate = rate;
    SetStreamRate(rate);
  }
}

int TfrmEngineWndLumetra::ReadStreamRate() {
  // At 0 frames a second (or fewer) the engine would compose nothing and the camera would
  // stop: such a stored rate is raised to the least one, and kept so.
  TSettings& settings = *GetSettings();
  const int rate = settings.Read(Setting::StreamRate);
  if (rate >= kMinStreamRate) return rate;
  settings.Write(Setting::StreamRate, kMinStreamRate);
  return kMinStreamRate;
}

bool TfrmEngineWndLumetra::EnableEffect(const AnsiString& Kind, bool On) {
  if (!FMultiEffects) FMultiEffects = std::make_unique<TStringList>();
  const int index = FMultiEffects->IndexOf(Kind);
  if (On && index < 0) FMultiEffects->Add(Kind);
  if (!On && index >= 0) FMultiEffects->Delete(index);
  GetSettings()->Write(Setting::EffectMultiEffects, FMultiEffects->GetCommaText());
  return FEngine.SetKindMultiple(Kind, On);
}

void TfrmEngineWndLumetra::SetEffectSort(bool On) {
  FEffectSort = On;
  FEngine.SetSortByKind(On);
  GetSettings()->Write(Setting::EffectSort, On);
}

// ---------------------------------------------------------------------------------------
// Texts and messages

AnsiString TfrmEngineWndLumetra::GetText(const AnsiString& Id) { return smLanguage->GetResString(Id); }

void TfrmEngineWndLumetra::GetSectionText(const AnsiString& Section, TStrings* Strings) {
  ReadLanguageSection(smLanguage, Section, Strings);
}

int TfrmEngineWndLumetra::ShowMessageBox(const AnsiString& TextId, const std::vector<AnsiString>& Args,
                                         int ShowAgainId, TMsgDlgType DlgType, TMsgDlgButtons Buttons,
                                         int DefaultResult) {
  return ShowMessageText(FormatArgs(GetText(TextId), Args), ShowAgainId, DlgType, Buttons, DefaultResult);
}

int TfrmEngineWndLumetra::ShowMessageText(const AnsiString& Text, int ShowAgainId, TMsgDlgType DlgType,
                                          TMsgDlgButtons Buttons, int DefaultResult) {
  TForm* main = GetMainForm();
  if (!main) return 0;
  return ShowWithShowAgain(*GetSettings(), ShowAgainId, DefaultResult, [&](bool OfferStop, bool& StopRequested) {
    dlgMessage->SetShowAgainFlag(OfferStop);
    dlgMessage->SetShowAgainFlagValue(true);
    const int result = dlgMessage->MessageDlg(Text, main->GetCaption(), DlgType, Buttons, 0);
    StopRequested = OfferStop && !dlgMessage->GetShowAgainFlagValue();
    return result;
  });
}

void TfrmEngineWndLumetra::ShowErrorMessage(int Code, const AnsiString& EngineText) {
  // The text is made once here; shown as it is, so a "%1" or "%%" of a path stays.
  const AnsiString text = EngineEventText(Code, EngineText, [this](const AnsiString& Id) { return GetText(Id); });
  ShowMessageText(text, 0, mtError, TMsgDlgButtons{mbOK}, 0);
}

bool TfrmEngineWndLumetra::OpenMediaDialog(const AnsiString& TitleId, int Kind, TStrings* Files,
                                           AnsiString& FileName, bool MultiSelect) {
  TSettings& settings = *GetSettings();
  const AnsiString lastKey = Setting::OpenDialogPrefix + IntToStr(Kind);
  dlgOpenMediaFile->SetTitle(GetText(TitleId));
  dlgOpenMediaFile->SetFilter(MediaFilter(Kind, settings.ReadConst("PictureFilter"), settings.ReadConst("FlashFilter"),
                                          settings.ReadConst("VideoFilter"),
                                          [this](const AnsiString& Id) { return GetText(Id); }));
  dlgOpenMediaFile->SetFileName(!FileName.empty() ? FileName : settings.ReadString(lastKey, AnsiString()));
  if (MultiSelect) {
    TOpenOptions options = dlgOpenMediaFile->GetOptions();
    options << ofAllowMultiSelect;
    dlgOpenMediaFile->SetOptions(options);
  }
  if (!dlgOpenMediaFile->Execute()) return false;
  FileName = dlgOpenMediaFile->GetFileName();
  settings.WriteString(lastKey, FileName);
  if (Files) Files->AddStrings(dlgOpenMediaFile->GetFiles());
  return true;
}

// ---------------------------------------------------------------------------------------
// Language, skin and icons

void TfrmEngineWndLumetra::LoadLanguage(const AnsiString& Name) {
  FLanguageName = Name;
  const AnsiString file = GetSettings()->GetProgramFolder() + "langs\\" + Name + ".lan";
  if (FileExists(file)) smdCurrent->LoadFromFile(file);
  GetSettings()->Write(Setting::Language, Name);
}

void TfrmEngineWndLumetra::smLanguageChangeLanguage(TObject*) {
  GetSectionText("skinres", spResourceStrData->GetResStrings());
  spSkinData->SetResourceStrData(spResourceStrData);
}

void TfrmEngineWndLumetra::LoadSkin(const AnsiString& Name) {
  const AnsiString file = GetSettings()->GetProgramFolder() + "skins\\" + Name + ".skn";
  if (FileExists(file)) spSkinData->SetCompressedStoredSkin(nullptr);
  if (FileExists(file) && spSkinData->LoadFromCompressedFile(file)) {
    FSkinName = Name;
  } else {
    // No skin file, or one that cannot be read: the stored default skin.
    spSkinData->SetCompressedStoredSkin(spCompressedStoredSkin);
    FSkinName.clear();
  }
  GetSettings()->Write(Setting::Skin, FSkinName);
}

void TfrmEngineWndLumetra::LoadIconList() {
  liIconsPng->GetPngImages()->Clear();
  const AnsiString folder = GetSettings()->GetProgramFolder();
  // Icon n keeps index n-1 whatever the others hold: a picture that cannot be read leaves
  // an empty one in its place. The list takes the size of the first picture read.
  std::vector<std::unique_ptr<TspPngImage>> pictures;
  const TspPngImage* sized = nullptr;
  for (int n = 1; n <= kMaxIcons; ++n) {
    const AnsiString file = IconFile(folder, n);
    if (!FileExists(file)) break;
    auto picture = std::make_unique<TspPngImage>();
    try {
      picture->LoadFromFile(file);
    } catch (const Exception&) {
      picture = std::make_unique<TspPngImage>();
    }
    if (!sized && !picture->GetEmpty()) sized = picture.get();
    pictures.push_back(std::move(picture));
  }
  if (!sized) return;
  liIconsPng->SetPngWidth(sized->GetWidth());
  liIconsPng->SetPngHeight(sized->GetHeight());
  for (const auto& picture : pictures) liIconsPng->GetPngImages()->Add()->SetPngImage(picture.get());
}

void TfrmEngineWndLumetra::ShowDefaultCamDialog() {
  if (DefaultCamDialog) DefaultCamDialog(this, GetSettings()->Read(Setting::FirstTimeRun));
}

// ---------------------------------------------------------------------------------------
// Web links and the update check

AnsiString TfrmEngineWndLumetra::BuildWebLink(const AnsiString& Name, bool WithQuery) {
  return FUpdateCheck->BuildWebLink(Name, WithQuery);
}

AnsiString TfrmEngineWndLumetra::BuildQueryString() { return FUpdateCheck->BuildQueryString(); }

void TfrmEngineWndLumetra::OpenWebLink(const AnsiString& Name) {
  const AnsiString address = BuildWebLink(Name, true);
  if (!address.empty()) OpenUrl(address);
}

bool TfrmEngineWndLumetra::HasWebLink(const AnsiString& Name) { return FUpdateCheck->HasWebLink(Name); }

void TfrmEngineWndLumetra::OpenUrl(const AnsiString& Address) {
  HWND owner = GetMainFormHandle();
  OpenUrlInBrowser(owner ? owner : GetHandle(), Address);
}

void TfrmEngineWndLumetra::CheckForUpdate(bool Manual) { FUpdateCheck->CheckForUpdate(Manual); }

void TfrmEngineWndLumetra::AutoCheckForUpdate() { FUpdateCheck->AutoCheckForUpdate(); }

void TfrmEngineWndLumetra::iedNetConnectionComplete(TBSCB* Sender, TStream* Stream, HRESULT Result) {
  FUpdateCheck->ConnectionComplete(Sender, Stream, Result);
}

// ---------------------------------------------------------------------------------------
// Accessors and hooks

TForm* TfrmEngineWndLumetra::GetMainForm() const {
  if (FMainForm) return FMainForm;
  TForm* main = Application ? Application->GetMainForm() : nullptr;
  return main != this ? main : nullptr;
}

void TfrmEngineWndLumetra::SetMainForm(TForm* Value) {
  if (FMainForm == Value) return;
  if (FMainForm) FMainForm->RemoveFreeNotification(this);
  FMainForm = Value;
  if (FMainForm) FMainForm->FreeNotification(this);
}

HWND TfrmEngineWndLumetra::GetMainFormHandle() const {
  TForm* main = GetMainForm();
  return main ? main->GetHandle() : nullptr;
}

TSettings* TfrmEngineWndLumetra::GetSettings() const { return ::GetSettings(); }

void TfrmEngineWndLumetra::Notification(TComponent* AComponent, TOperation Operation) {
  if (Operation == opRemove && AComponent == FMainForm) FMainForm = nullptr;
  TForm::Notification(AComponent, Operation);
}

void TfrmEngineWndLumetra::DoSegmentReady() {
  if (OnSegmentReady) OnSegmentReady();
}
void TfrmEngineWndLumetra::DoCommandLine(const AnsiString& CommandLine) {
  if (OnCommandLine) OnCommandLine(CommandLine);
}
void TfrmEngineWndLumetra::DoPreviewWndProc(TMessage& Message) {
  if (OnPreviewWndProc) OnPreviewWndProc(Message);
}
void TfrmEngineWndLumetra::DoDroppedFiles(TStrings* Files) {
  if (OnDroppedFiles) OnDroppedFiles(Files);
}
void TfrmEngineWndLumetra::DoQuit() {
  if (OnQuit) OnQuit(this);
}
void TfrmEngineWndLumetra::DoEffectDownload(const AnsiString& Address) {
  if (OnEffectDownload) OnEffectDownload(Address);
}
void TfrmEngineWndLumetra::DoStreamSizeChanged() {
  if (OnStreamSizeChanged) OnStreamSizeChanged(this);
}

// ---------------------------------------------------------------------------------------
// Messages

void TfrmEngineWndLumetra::Dispatch(TMessage& Message) {
  switch (Message.Msg) {
    case WM_ENGINE_EVENT: WMEngineEvent(Message); break;
    case WM_ENGINE_PROPERTY_CHANGED: WMEnginePropertyChanged(Message); break;
    case WM_SWITCH_SETTINGS_FOLDER: WMSwitchSettingsFolder(Message); break;
    default: TForm::Dispatch(Message); break;
  }
}

void TfrmEngineWndLumetra::WMEngineEvent(TMessage& Message) {
  if ((Message.WParam & 0xFF) == 1) ShowEngineError();
}

void TfrmEngineWndLumetra::ShowEngineError() {
  int code = 0;
  AnsiString text;
  if (!FEngine.GetLastEvent(code, text) || code == 0) return;
  ShowErrorMessage(code, text);
}

void TfrmEngineWndLumetra::WMEnginePropertyChanged(TMessage& Message) {
  if (Message.LParam == PROP_SEGMENT_READY) DoSegmentReady();
  if (TForm* main = GetMainForm()) main->Perform(Message.Msg, Message.WParam, Message.LParam);
}

void TfrmEngineWndLumetra::WMSwitchSettingsFolder(TMessage& Message) {
  GetSettings()->SetAllUsersFlag(Message.WParam != 0);
  if (RestartProgram) RestartProgram("\"" + GetExeFileName() + "\" -r");
  if (TForm* main = GetMainForm()) main->Perform(WM_INSTANCE_QUIT, 0, 0);
}
