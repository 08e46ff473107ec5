// Instances of the program talk to each other through messages to the main window, which
// is found by its window class name and asked for the product's id. Windows only.
#pragma once

#include <cstdint>

#include "framework/SysUtils.h"

struct HWND__;
typedef HWND__* HWND;

// Messages of the program's windows.
constexpr uint32_t WM_INSTANCE_QUIT = 0x7EB;  // to the main window: close without the quit question
constexpr uint32_t WM_SWITCH_SETTINGS_FOLDER = 0x7EC;  // to the engine window: WParam 1 all users, 0 current user
constexpr uint32_t WM_MAIN_COMMAND = 0x7F0;   // to the main window: WParam 0 closes without the question
constexpr uint32_t WM_INSTANCE_IDENTIFY = 0x857;  // answered with the constant "App.ID"

// The main window's class name, by which a running instance is found.
extern const char* const kMainWindowClassName;  // "TfrmMainFormLumetra"

// "Global\" + the application GUID; the embedded mode's mutex adds "_EMBED".
AnsiString SingleInstanceMutexName(const AnsiString& AppGuid);
AnsiString EmbedMutexName(const AnsiString& AppGuid);

// The first top-level window of the main window's class (in the system's order) that
// answers WM_INSTANCE_IDENTIFY with AppId; null when none does.
HWND FindRunningInstance(int AppId);
// Sends WM_INSTANCE_QUIT to the running instance, if any; returns once it was handled.
void QuitRunningInstance(int AppId);
// The same, then waits up to TimeoutMs for that instance's process to end (it holds the
// single-instance mutex until then); whether none runs any more.
bool QuitRunningInstanceAndWait(int AppId, uint32_t TimeoutMs);
// Brings the running instance's main window to the front, if there is one.
void ActivateRunningInstance(int AppId);
// Hands the text to the running instance with WM_COPYDATA, if there is one.
void SendToRunningInstance(int AppId, const AnsiString& Text);
