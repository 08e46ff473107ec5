// The Windows half of the program's free routines: the program file, processes, the
// registry, shell folders, windows and security checks.
#include "framework/WinApi.h"

#include <shellapi.h>
#include <shlobj.h>

#include <cstring>
#include <memory>
#include <vector>

#include "app/SPTools.h"

namespace {

constexpr DWORD kPathBuffer = MAX_PATH;  // 260 characters, as the stored paths are

// The folder part of a path with its trailing backslash.
AnsiString FolderOf(const AnsiString& Path) {
  const size_t at = Path.find_last_of("\\/:");
  return at == AnsiString::npos ? AnsiString() : Path.substr(0, at + 1);
}

// A registry key opened for reading, closed when it goes.
class TRegKey {
 public:
  TRegKey(HKEY Root, const AnsiString& Key, REGSAM Access) {
    if (RegOpenKeyExA(Root, Key.c_str(), 0, Access, &FKey) != ERROR_SUCCESS) FKey = nullptr;
  }
  ~TRegKey() {
    if (FKey) RegCloseKey(FKey);
  }
  TRegKey(const TRegKey&) = delete;
  TRegKey& operator=(const TRegKey&) = delete;
  HKEY Get() const { return FKey; }

 private:
  HKEY FKey = nullptr;
};

const char kShellFolders[] = "Software\\MicroSoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";

// Removes the context-help button of the folder dialog and preselects the initial folder.
int CALLBACK BrowseCallback(HWND Window, UINT Message, LPARAM, LPARAM Data) {
  if (Message == BFFM_INITIALIZED) {
    SetWindowLongPtrA(Window, GWL_EXSTYLE,
                      GetWindowLongPtrA(Window, GWL_EXSTYLE) & ~LONG_PTR(WS_EX_CONTEXTHELP));
    const char* folder = reinterpret_cast<const char*>(Data);
    if (folder && *folder) SendMessageA(Window, BFFM_SETSELECTIONA, TRUE, Data);
  }
  return 0;
}

}  // namespace

AnsiString GetExeFileName() {
  char path[kPathBuffer + 1] = {};
  const DWORD length = GetModuleFileNameA(nullptr, path, kPathBuffer);
  return AnsiString(path, length < kPathBuffer ? length : kPathBuffer);
}

AnsiString GetLongPath(const AnsiString& Path) {
  char buffer[kPathBuffer] = {};
  const DWORD length = GetLongPathNameA(Path.c_str(), buffer, kPathBuffer);
  if (length == 0 || length >= kPathBuffer) return Path;
  return AnsiString(buffer, length);
}

AnsiString GetExeFolder() {
  return IncludeBackslash(GetLongPath(FolderOf(GetExeFileName())));
}

bool BackupFileDated(const AnsiString& FileName) {
  if (FileName.empty()) return false;
  const AnsiString stem = FileName + "." + FormatDateTime("yyyymmdd", Date());
  for (int n = 0; n <= 10000; ++n) {
    const AnsiString candidate = stem + (n > 0 ? "." + IntToStr(n) : AnsiString()) + ".bak";
    if (GetFileAttributesA(candidate.c_str()) != INVALID_FILE_ATTRIBUTES) continue;
    return CopyFileA(FileName.c_str(), candidate.c_str(), TRUE) != 0;
  }
  return false;
}

AnsiString GetFirstCdromDrive() {
  const DWORD drives = GetLogicalDrives();
  for (int letter = 0; letter < 26; ++letter) {
    if (!TestBit(drives, letter)) continue;
    const AnsiString root = AnsiString(1, char('A' + letter)) + ":\\";
    if (GetDriveTypeA(root.c_str()) == DRIVE_CDROM) return root;
  }
  return AnsiString();
}

AnsiString BrowseForFolder(HWND Owner, const AnsiString& InitialFolder, const AnsiString& Title) {
  char display[kPathBuffer + 1] = {};
  BROWSEINFOA info = {};
  info.hwndOwner = Owner;
  info.pszDisplayName = display;
  info.lpszTitle = Title.c_str();
  info.lpfn = BrowseCallback;
  info.lParam = reinterpret_cast<LPARAM>(InitialFolder.c_str());
  PIDLIST_ABSOLUTE list = SHBrowseForFolderA(&info);
  if (!list) return AnsiString();
  char path[kPathBuffer + 1] = {};
  const bool ok = SHGetPathFromIDListA(list, path) != FALSE;
  CoTaskMemFree(list);
  return ok ? AnsiString(path) : AnsiString();
}

bool RunProcessEx(const AnsiString& FileName, const AnsiString& Parameters, bool Hide, bool Wait,
                  uint32_t TimeoutMs) {
  AnsiString application, folder, commandLine;
  if (!FileName.empty()) {
    application = ExpandRelativePath(GetExeFileName(), FileName);
    folder = FolderOf(application);
    commandLine = "\"" + application + "\" " + Parameters;
  } else {
    commandLine = Parameters;
  }
  std::vector<char> line(commandLine.begin(), commandLine.end());
  line.push_back('\0');
  STARTUPINFOA startup = {};
  startup.cb = sizeof(startup);
  if (Hide) {
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_HIDE;
  }
  PROCESS_INFORMATION process = {};
  if (!CreateProcessA(application.empty() ? nullptr : application.c_str(), line.data(), nullptr,
                      nullptr, FALSE, 0, nullptr, folder.empty() ? nullptr : folder.c_str(),
                      &startup, &process))
    return false;
  if (Wait) WaitForSingleObjectEx(process.hProcess, TimeoutMs, TRUE);
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  return true;
}

bool RunProcess(const AnsiString& FileName, const AnsiString& Parameters, bool Wait,
                uint32_t TimeoutMs) {
  return RunProcessEx(FileName, Parameters, Wait, Wait, TimeoutMs);
}

AnsiString RegReadString(HKEY Root, const AnsiString& Key, const AnsiString& Name,
                         const AnsiString& Default) {
  TRegKey key(Root, Key, KEY_READ);
  if (!key.Get()) return Default;
  DWORD type = 0, size = 0;
  if (RegQueryValueExA(key.Get(), Name.c_str(), nullptr, &type, nullptr, &size) != ERROR_SUCCESS ||
      (type != REG_SZ && type != REG_EXPAND_SZ))
    return Default;
  // The value may grow between the two calls: ask again until it fits.
  std::vector<BYTE> data;
  LONG status;
  do {
    data.assign(size_t(size) + 2, 0);
    size = DWORD(data.size());
    status = RegQueryValueExA(key.Get(), Name.c_str(), nullptr, &type, data.data(), &size);
  } while (status == ERROR_MORE_DATA);
  if (status != ERROR_SUCCESS || (type != REG_SZ && type != REG_EXPAND_SZ)) return Default;
  const char* text = reinterpret_cast<const char*>(data.data());
  return AnsiString(text, strnlen(text, data.size()));
}

namespace {
void RegWriteValue(HKEY Root, const AnsiString& Key, const AnsiString& Name, DWORD Type,
                   const void* Data, DWORD Size) {
  HKEY key = nullptr;
  if (RegCreateKeyExA(Root, Key.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr) !=
      ERROR_SUCCESS)
    return;
  RegSetValueExA(key, Name.c_str(), 0, Type, static_cast<const BYTE*>(Data), Size);
  RegCloseKey(key);
}
}  // namespace

void RegWriteString(HKEY Root, const AnsiString& Key, const AnsiString& Name,
                    const AnsiString& Value) {
  RegWriteValue(Root, Key, Name, REG_SZ, Value.c_str(), DWORD(Value.size() + 1));
}

void RegWriteInteger(HKEY Root, const AnsiString& Key, const AnsiString& Name, int Value) {
  const DWORD value = static_cast<DWORD>(Value);
  RegWriteValue(Root, Key, Name, REG_DWORD, &value, sizeof(value));
}

AnsiString GetShellFolder(const AnsiString& Name) {
  const AnsiString folder = RegReadString(HKEY_CURRENT_USER, kShellFolders, Name, AnsiString());
  return folder.empty() ? GetCommonShellFolder(Name) : folder;
}

AnsiString GetCommonShellFolder(const AnsiString& Name) {
  return RegReadString(HKEY_LOCAL_MACHINE, kShellFolders, Name, AnsiString());
}

void SetStayOnTop(HWND Window, bool On) {
  SetWindowPos(Window, On ? HWND_TOPMOST : HWND_NOTOPMOST, 0, 0, 0, 0,
               SWP_NOMOVE | SWP_NOSIZE | SWP_NOOWNERZORDER);
}

bool ForceForegroundWindow(HWND Window) {
  if (IsIconic(Window)) ShowWindow(Window, SW_RESTORE);
  ShowWindow(Window, SW_SHOW);
  if (GetForegroundWindow() == Window) return true;
  // Every system this program runs on is of the NT family above version 4: the foreground
  // lock applies, so borrow the input of the foreground window's thread first.
  bool done = false;
  const DWORD foregroundThread = GetWindowThreadProcessId(GetForegroundWindow(), nullptr);
  const DWORD windowThread = GetWindowThreadProcessId(Window, nullptr);
  if (foregroundThread && AttachThreadInput(windowThread, foregroundThread, TRUE)) {
    BringWindowToTop(Window);
    SetForegroundWindow(Window);
    AttachThreadInput(windowThread, foregroundThread, FALSE);
    done = GetForegroundWindow() == Window;
  }
  if (!done) {
    DWORD timeout = 0;
    SystemParametersInfoA(SPI_GETFOREGROUNDLOCKTIMEOUT, 0, &timeout, 0);
    SystemParametersInfoA(SPI_SETFOREGROUNDLOCKTIMEOUT, 0, nullptr, SPIF_SENDCHANGE);
    BringWindowToTop(Window);
    SetForegroundWindow(Window);
    SystemParametersInfoA(SPI_SETFOREGROUNDLOCKTIMEOUT, 0,
                          reinterpret_cast<void*>(static_cast<uintptr_t>(timeout)),
                          SPIF_SENDCHANGE);
  }
  return GetForegroundWindow() == Window;
}

bool CreateSingleInstanceMutex(const AnsiString& Name) {
  HANDLE mutex = CreateMutexA(nullptr, FALSE, Name.c_str());
  const DWORD error = GetLastError();
  if (!mutex) return error != ERROR_ACCESS_DENIED;  // another account's instance holds it
  if (error == ERROR_ALREADY_EXISTS) {
    CloseHandle(mutex);
    return false;
  }
  return true;  // stays open until the process ends
}

int GetScreenColorDepth() {
  HDC dc = CreateDCA("DISPLAY", nullptr, nullptr, nullptr);
  if (!dc) return 0;
  const int bits = GetDeviceCaps(dc, BITSPIXEL);
  DeleteDC(dc);
  return bits;
}

void GetDroppedFiles(uintptr_t Drop, TStrings* List) {
  HDROP drop = reinterpret_cast<HDROP>(Drop);
  const UINT count = DragQueryFileA(drop, 0xFFFFFFFF, nullptr, 0);
  char name[1025];
  for (UINT i = 0; i < count; ++i) {
    const UINT length = DragQueryFileA(drop, i, name, sizeof(name));
    List->Add(AnsiString(name, length < sizeof(name) ? length : sizeof(name) - 1));
  }
}

bool SaveLinesReplacing(TStrings* Lines, const AnsiString& FileName) {
  const AnsiString temporary = FileName + ".new";
  try {
    Lines->SaveToFile(temporary);
  } catch (const Exception&) {
    DeleteFileA(temporary.c_str());
    return false;
  }
  if (!MoveFileExA(temporary.c_str(), FileName.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
    DeleteFileA(temporary.c_str());
    return false;
  }
  return true;
}

bool OpenUrlInBrowser(HWND Owner, const AnsiString& Address) {
  AnsiString command =
      RegReadString(HKEY_CLASSES_ROOT, "HTTP\\shell\\open\\command", AnsiString(), AnsiString());
  if (command.empty()) {
    ShellExecuteA(Owner, "open", Address.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
    return false;
  }
  if (Pos("%1", command) > 0)
    command = StringReplace(command, "%1", Address, TReplaceFlags{rfReplaceAll, rfIgnoreCase});
  else
    command += "  \"" + Address + "\"";
  if (RunProcessEx(AnsiString(), command, false, false, 0)) return true;
  // A registered browser that cannot start (uninstalled, moved): the shell opens web
  // addresses with whatever handles them now.
  if (IsWebAddress(Address)) ShellExecuteA(Owner, "open", Address.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
  return false;
}

bool CheckFileAccess(uint32_t AccessMask, const AnsiString& Path) {
  const SECURITY_INFORMATION what =
      OWNER_SECURITY_INFORMATION | GROUP_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION;
  DWORD needed = 0;
  GetFileSecurityA(Path.c_str(), what, nullptr, 0, &needed);
  if (needed == 0) return false;
  std::vector<BYTE> descriptor(size_t(needed) + 4096);
  if (!GetFileSecurityA(Path.c_str(), what, descriptor.data(), DWORD(descriptor.size()), &needed))
    return false;
  if (!ImpersonateSelf(SecurityImpersonation)) return false;
  bool allowed = false;
  HANDLE token = nullptr;
  if (OpenThreadToken(GetCurrentThread(), TOKEN_QUERY | TOKEN_IMPERSONATE | TOKEN_DUPLICATE, TRUE,
                      &token)) {
    GENERIC_MAPPING mapping = {FILE_GENERIC_READ, FILE_GENERIC_WRITE, FILE_GENERIC_EXECUTE,
                               FILE_ALL_ACCESS};
    DWORD access = AccessMask;
    MapGenericMask(&access, &mapping);
    PRIVILEGE_SET privileges = {};
    DWORD privilegesSize = sizeof(privileges);
    DWORD granted = 0;
    BOOL status = FALSE;
    if (AccessCheck(descriptor.data(), token, access, &mapping, &privileges, &privilegesSize,
                    &granted, &status))
      allowed = status != FALSE;
    CloseHandle(token);
  }
  RevertToSelf();
  return allowed;
}
