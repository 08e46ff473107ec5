#include "app/MainWndStartup.h"

#include "app/EngineWnd.h"
#include "app/Instance.h"
#include "app/SPTools.h"
#include "app/Settings.h"
#include "app/SplashForm.h"
#include "engine/effects/PropertyIds.h"

TfrmMainFormLumetra* frmMainFormLumetra = nullptr;

namespace {
constexpr int kMainSource = MODULE_MAIN_SOURCE;
}

// ---------------------------------------------------------------------------------------
// Main window

TfrmMainFormLumetra::TfrmMainFormLumetra(TComponent* AOwner) : TForm(AOwner) {
  TComponentLoading loading(this);
  SetName("frmMainFormLumetra");
  SetBorderStyle(bsSingle);
  SetBounds(200, 100, 484, 580);
  OnShow = [this](TObject* Sender) { FormShow(Sender); };
  OnCloseQuery = [this](TObject* Sender, bool& CanClose) { FormCloseQuery(Sender, CanClose); };
  frmMainFormLumetra = this;
  if (frmEngineWndLumetra) {
    SetCaption(frmEngineWndLumetra->GetText("strAppName") + "  " + GetSettings()->GetVersionText());
    frmEngineWndLumetra->SetMainForm(this);
  }
  loading.Finish();
  // Started hidden: the splash window goes at once.
  if (Application && !Application->GetShowMainForm()) CloseSplashForm();
}

TfrmMainFormLumetra::~TfrmMainFormLumetra() {
  if (frmMainFormLumetra == this) frmMainFormLumetra = nullptr;
}

void TfrmMainFormLumetra::CloseApp() {
  FQuit = true;
  Close();
}

void TfrmMainFormLumetra::FormShow(TObject*) {
  if (!FFirstShowDone) InitOnFirstShow();
}

void TfrmMainFormLumetra::InitOnFirstShow() {
  TSettings& settings = *GetSettings();
  TfrmEngineWndLumetra& engine = *frmEngineWndLumetra;
  const int left = settings.ReadInteger(Setting::MainFormLeft, GetLeft());
  const int top = settings.ReadInteger(Setting::MainFormTop, GetTop());
  const int width = settings.ReadInteger(Setting::MainFormWidth.Key,
                                         settings.ReadConstInt("MainForm.Width", Setting::MainFormWidth.Default));
  const int height = settings.ReadInteger(
      Setting::MainFormHeight.Key, settings.ReadConstInt("MainForm.Height", Setting::MainFormHeight.Default));
  engine.LoadSkin(settings.Read(Setting::Skin));
  SetBounds(left, top, width != 0 && height != 0 ? width : GetWidth(), width != 0 && height != 0 ? height : GetHeight());
  engine.SetProperty(kMainSource, PROP_SOURCE_TYPE, "18");
  RestorePlaybackSettings();
  CloseSplashForm();
  if (GetScreenColorDepth() != 32) engine.ShowErrorMessage(1006, AnsiString());
  if (settings.Read(Setting::FirstTimeRun)) {
    engine.ShowDefaultCamDialog();
    settings.Write(Setting::FirstTimeRun, false);
  }
  FFirstShowDone = true;
  RestorePlayList();
}

void TfrmMainFormLumetra::AddFilesAndPlay(const AnsiString& Paths) {
  frmEngineWndLumetra->SetProperty(kMainSource, PROP_PLAYLIST_ADD, Paths);
  frmEngineWndLumetra->SetProperty(kMainSource, PROP_PLAYER_PLAY, "1");
}

void TfrmMainFormLumetra::RestorePlayList() {
  const AnsiString file = GetSettings()->GetConfigFolder() + "play.lst";
  if (!FileExists(file)) return;
  frmEngineWndLumetra->SetProperty(kMainSource, PROP_PLAYLIST_REMOVE, "-1");
  TStringList lines;
  lines.LoadFromFile(file);
  lines.SetDelimiter('|');
  lines.SetQuoteChar('"');
  AddFilesAndPlay(lines.GetDelimitedText());
}

void TfrmMainFormLumetra::RestorePlaybackSettings() {
  TSettings& settings = *GetSettings();
  frmEngineWndLumetra->SetProperty(kMainSource, PROP_PLAYER_VOLUME, settings.Read(Setting::VideoVolume));
  frmEngineWndLumetra->SetProperty(kMainSource, PROP_PLAYER_MUTE, settings.Read(Setting::VideoMute));
  frmEngineWndLumetra->SetProperty(kMainSource, PROP_PLAYLIST_LOOP, settings.Read(Setting::VideoLoop));
}

void TfrmMainFormLumetra::SavePlaybackSettings() {
  TSettings& settings = *GetSettings();
  settings.Write(Setting::VideoVolume, frmEngineWndLumetra->GetProperty(kMainSource, PROP_PLAYER_VOLUME));
  settings.Write(Setting::VideoMute, frmEngineWndLumetra->GetProperty(kMainSource, PROP_PLAYER_MUTE));
  settings.Write(Setting::VideoLoop, frmEngineWndLumetra->GetProperty(kMainSource, PROP_PLAYLIST_LOOP));
}

void TfrmMainFormLumetra::FormCloseQuery(TObject*, bool& CanClose) {
  if (!FQuit)
    CanClose = frmEngineWndLumetra->ShowMessageBox("MSGBOX_QuitApp", {}, 5, mtConfirmation,
                                                   TMsgDlgButtons{mbOK, mbCancel}, 1) == mrOk;
  if (!CanClose) return;
  SavePlaybackSettings();
  frmEngineWndLumetra->DoQuit();
}

void TfrmMainFormLumetra::Dispatch(TMessage& Message) {
  switch (Message.Msg) {
    case WM_INSTANCE_IDENTIFY:
      Message.Result = GetSettings()->ReadConstInt("App.ID", 0);
      break;
    case WM_INSTANCE_QUIT:
      CloseApp();
      break;
    case WM_MAIN_COMMAND:
      if (Message.WParam == 0) CloseApp();
      break;
    case WM_COPYDATA: {
      const auto* data = reinterpret_cast<const COPYDATASTRUCT*>(Message.LParam);
      if (data && data->lpData && data->cbData > 0)
        frmEngineWndLumetra->DoCommandLine(AnsiString(static_cast<const char*>(data->lpData), data->cbData));
      Message.Result = 1;
      break;
    }
    default:
      TForm::Dispatch(Message);
      break;
  }
}
