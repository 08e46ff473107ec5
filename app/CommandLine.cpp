#include "app/CommandLine.h"

#include "app/SPTools.h"

namespace {
bool HasSwitch(const std::vector<AnsiString>& Params, const char* Switch) {
  return FindCmdLineSwitch(Params, Switch, "-/", true);
}

AnsiString Argument(const std::vector<AnsiString>& Params, size_t Index) {
  return Index < Params.size() ? Params[Index] : AnsiString();
}
}  // namespace

bool IsSwitchArgument(const AnsiString& Argument) {
  return !Argument.empty() && (Argument[0] == '-' || Argument[0] == '/');
}

TStartupRequest ParseCommandLine(const std::vector<AnsiString>& Params) {
  TStartupRequest request;
  if (HasSwitch(Params, "i")) {
    request.Action = TStartupAction::InstallDriver;
  } else if (HasSwitch(Params, "u")) {
    request.Action = TStartupAction::RemoveDriver;
  } else if (HasSwitch(Params, "s")) {
    request.Action = TStartupAction::StopRunning;
  } else if (HasSwitch(Params, "r")) {
    request.Restart = true;
  } else if (HasSwitch(Params, "embed")) {
    request.Embed = true;
    // The window handle is written as a decimal number; a 64-bit handle fits 32 bits.
    request.EmbedHostWnd = SafeStrToInt(Argument(Params, 2), 0);
    request.EmbedHostName = Argument(Params, 3);
    request.EmbedExtraParam = Argument(Params, 4);
  }
  request.AutoRun = HasSwitch(Params, "autorun");
  const AnsiString first = Argument(Params, 1);
  if (!first.empty() && !IsSwitchArgument(first)) request.FileArgument = first;
  return request;
}
