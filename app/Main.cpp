#include "app/Main.h"

#include "framework/WinApi.h"

#include "app/EngineLibrary.h"
#include "app/Instance.h"
#include "app/SPTools.h"
#include "app/Settings.h"

namespace {

std::vector<AnsiString> Params() {
  std::vector<AnsiString> params;
  for (int i = 0; i <= ParamCount(); ++i) params.push_back(ParamStr(i));
  return params;
}

// The settings object from the first statement of start-up to the very end: it is freed
// only after every window (whose handlers write settings while they go) has gone.
struct TSettingsLifetime {
  TSettingsLifetime() { CreateSettings(); }
  ~TSettingsLifetime() { FreeSettings(); }
};

}  // namespace

int RunApplication() {
  TSettingsLifetime lifetime;
  TSettings& settings = *GetSettings();
  const TStartupRequest request = ParseCommandLine(Params());
  const AnsiString hardwareId = settings.ReadConst("Driver.HardwareID");
  const int appId = settings.ReadConstInt("App.ID", 0);
  switch (request.Action) {
    case TStartupAction::InstallDriver:
      InstallDevice((GetExeFolder() + settings.ReadConst("Driver.InfFileName")).c_str(),
                    hardwareId.c_str());
      return 0;
    case TStartupAction::RemoveDriver:
      RemoveDevice(hardwareId.c_str());
      return 0;
    case TStartupAction::StopRunning:
      QuitRunningInstance(appId);
      return 0;
    case TStartupAction::Start:
      break;
  }

  EmbedHostWnd = 0;
  const AnsiString guid = settings.ReadConst("App.GUID");
  if (request.Restart) {
    QuitRunningInstance(appId);
    Sleep(2000);
  } else if (request.Embed) {
    QuitRunningInstance(appId);
    EmbedHostWnd = request.EmbedHostWnd;
    EmbedHostName = request.EmbedHostName;
    EmbedExtraParam = request.EmbedExtraParam;
    if (!IsWindow(reinterpret_cast<HWND>(EmbedHostWnd))) return 0;
    CreateSingleInstanceMutex(EmbedMutexName(guid));
    QuitRunningInstance(appId);
  }

  if (CreateSingleInstanceMutex(SingleInstanceMutexName(guid))) {
    RunUserInterface(request);
  } else {
    ActivateRunningInstance(appId);
    if (!request.FileArgument.empty()) SendToRunningInstance(appId, request.FileArgument);
  }
  return 0;
}
