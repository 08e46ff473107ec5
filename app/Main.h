// The program's start-up: what the command line asks for, one user interface per machine,
// and the order in which the windows are made and freed. Windows only.
#pragma once

#include "app/CommandLine.h"

// The host application in embedded mode: its window (0 when not embedded), its name (sent
// with the update query) and a fourth argument kept unread.
extern NativeInt EmbedHostWnd;
extern AnsiString EmbedHostName;
extern AnsiString EmbedExtraParam;

// The whole start-up; the program's exit code.
int RunApplication();

// The user interface of the first instance: the framework's application, the splash
// window, the engine window and the main window, the message loop until the main window
// closes, then the windows freed (the main window first, then the engine window). The
// settings object outlives them.
void RunUserInterface(const TStartupRequest& Request);
