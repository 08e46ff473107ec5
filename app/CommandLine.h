// What the program's command line asks for. The switches i, u, s, r, embed and autorun
// begin with "-" or "/" and are compared without regard to case; the first that applies
// in the order i, u, s decides, and r comes before embed. Portable: no Windows header.
#pragma once

#include <vector>

#include "framework/SysUtils.h"

enum class TStartupAction {
  InstallDriver,  // "i": install the virtual camera and end
  RemoveDriver,   // "u": remove it and end
  StopRunning,    // "s": ask a running instance to quit and end
  Start,          // everything else: start the user interface (or hand over to the running one)
};

struct TStartupRequest {
  TStartupAction Action = TStartupAction::Start;
  // "r": ask a running instance to quit, wait 2000 ms, then start.
  bool Restart = false;
  // "embed" (only without "r"): the host window as the second argument's number (0 when it
  // is not one), the host's name (third) and a fourth argument that is kept unread.
  bool Embed = false;
  NativeInt EmbedHostWnd = 0;
  AnsiString EmbedHostName;
  AnsiString EmbedExtraParam;
  // "autorun": the main window starts hidden.
  bool AutoRun = false;
  // The first argument when it is not a switch: a file for the running instance.
  AnsiString FileArgument;
};

// Params as ParamStr gives them: the program file first, then the arguments.
TStartupRequest ParseCommandLine(const std::vector<AnsiString>& Params);
// Whether an argument is a switch (begins with "-" or "/").
bool IsSwitchArgument(const AnsiString& Argument);
