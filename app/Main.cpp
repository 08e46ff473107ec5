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

// How long a replacing start waits for the instance it replaces to end, and then for its
// mutex to be free.
constexpr uint32_t kReplaceWaitMs = 20000;
constexpr uint32_t kMutexWaitMs = 3000;

// The single-instance mutex, asked for again until it is free or the time is up (0: once).
bool TakeSingleInstanceMutex(const AnsiString& Name, uint32_t TimeoutMs) {
  const DWORD start = GetTickCount();
  while (!CreateSingleInstanceMutex(Name)) {
    if (GetTickCount() - start >= TimeoutMs) return false;
    Sleep(50);
  }
  return true;
}

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
  // A start that replaces the running instance (a restart, or a host embedding the
  // program) waits for it to end: it holds the single-instance mutex until its process
  // has gone, however long its closing takes (bounded).
  bool replacing = false;
  if (request.Restart) {
    QuitRunningInstanceAndWait(appId, kReplaceWaitMs);
    replacing = true;
  } else if (request.Embed) {
    QuitRunningInstanceAndWait(appId, kReplaceWaitMs);
    EmbedHostWnd = request.EmbedHostWnd;
    EmbedHostName = request.EmbedHostName;
    EmbedExtraParam = request.EmbedExtraParam;
    if (!IsWindow(reinterpret_cast<HWND>(EmbedHostWnd))) return 0;
    CreateSingleInstanceMutex(EmbedMutexName(guid));
    QuitRunningInstanceAndWait(appId, kReplaceWaitMs);
    replacing = true;
  }

  if (TakeSingleInstanceMutex(SingleInstanceMutexName(guid), replacing ? kMutexWaitMs : 0)) {
    RunUserInterface(request);
  } else {
    ActivateRunningInstance(appId);
    if (!request.FileArgument.empty()) SendToRunningInstance(appId, request.FileArgument);
  }
  return 0;
}
