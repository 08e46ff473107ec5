#include "app/Instance.h"

#include "framework/WinApi.h"

#include "app/Main.h"
#include "app/SPTools.h"

const char* const kMainWindowClassName = "TfrmMainFormLumetra";

// The embedded mode of this run, set by the start-up (Main.cpp) and read by the windows.
NativeInt EmbedHostWnd = 0;
AnsiString EmbedHostName;
AnsiString EmbedExtraParam;

namespace {

struct TFindState {
  int AppId;
  HWND Found;
};

BOOL CALLBACK FindMainWindow(HWND Window, LPARAM Data) {
  TFindState* state = reinterpret_cast<TFindState*>(Data);
  char name[64] = {};
  if (GetClassNameA(Window, name, sizeof(name)) == 0 || lstrcmpA(name, kMainWindowClassName) != 0)
    return TRUE;
  // A window that hangs must not hang the new instance for ever.
  DWORD_PTR answer = 0;
  if (SendMessageTimeoutA(Window, WM_INSTANCE_IDENTIFY, 0, 0, SMTO_ABORTIFHUNG, 5000, &answer) &&
      static_cast<int>(answer) == state->AppId) {
    state->Found = Window;
    return FALSE;
  }
  return TRUE;
}

}  // namespace

AnsiString SingleInstanceMutexName(const AnsiString& AppGuid) { return "Global\\" + AppGuid; }

AnsiString EmbedMutexName(const AnsiString& AppGuid) {
  return SingleInstanceMutexName(AppGuid) + "_EMBED";
}

HWND FindRunningInstance(int AppId) {
  TFindState state = {AppId, nullptr};
  EnumWindows(FindMainWindow, reinterpret_cast<LPARAM>(&state));
  return state.Found;
}

void QuitRunningInstance(int AppId) {
  if (HWND window = FindRunningInstance(AppId)) SendMessageA(window, WM_INSTANCE_QUIT, 0, 0);
}

bool QuitRunningInstanceAndWait(int AppId, uint32_t TimeoutMs) {
  HWND window = FindRunningInstance(AppId);
  if (!window) return true;
  DWORD processId = 0;
  GetWindowThreadProcessId(window, &processId);
  // Opened before the question, so that the process is still the one asked.
  HANDLE process = OpenProcess(SYNCHRONIZE, FALSE, processId);
  SendMessageA(window, WM_INSTANCE_QUIT, 0, 0);
  if (!process) return !IsWindow(window);
  const bool ended = WaitForSingleObject(process, TimeoutMs) == WAIT_OBJECT_0;
  CloseHandle(process);
  return ended;
}

void ActivateRunningInstance(int AppId) {
  if (HWND window = FindRunningInstance(AppId)) ForceForegroundWindow(window);
}

void SendToRunningInstance(int AppId, const AnsiString& Text) {
  HWND window = FindRunningInstance(AppId);
  if (!window) return;
  COPYDATASTRUCT data = {};
  data.dwData = 0;
  data.cbData = static_cast<DWORD>(Text.size());
  data.lpData = const_cast<char*>(Text.data());
  SendMessageA(window, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&data));
}
