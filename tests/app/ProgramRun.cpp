#include "tests/app/ProgramRun.h"

#include "app/Instance.h"
#include "app/SPTools.h"
#include "tests/app/OfflineUpdate.h"

namespace {

// What the program needs beside it, as the build leaves it in the test program's folder.
const char* const kProgramFiles[] = {"Tavisco.exe", "Quorvix.dll",    "drvinst.exe", "TaviscoCam.inf",
                                     "TaviscoCam.dll", "langs\\English.lan", "skins\\Default.skn"};

void CopyInto(const AnsiString& From, const AnsiString& To) {
  ForceDirectories(ExtractFilePath(To));
  CopyFileA(From.c_str(), To.c_str(), FALSE);
}

}  // namespace

std::vector<HWND> ProcessWindows(DWORD ProcessId, const char* ClassName) {
  struct TSearch {
    DWORD Process;
    const char* ClassName;
    std::vector<HWND> Found;
  } search{ProcessId, ClassName, {}};
  EnumWindows(
      [](HWND Wnd, LPARAM Data) -> BOOL {
        auto* s = reinterpret_cast<TSearch*>(Data);
        DWORD pid = 0;
        GetWindowThreadProcessId(Wnd, &pid);
        char name[128] = {};
        GetClassNameA(Wnd, name, sizeof(name));
        if (pid == s->Process && lstrcmpiA(name, s->ClassName) == 0) s->Found.push_back(Wnd);
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&search));
  return search.Found;
}

TProgramRun::TProgramRun() {
  static int counter = 0;
  const int n = counter++;
  FConfigPath = "TaviscoTests\\Program-" + IntToStr(GetCurrentProcessId()) + "-" + IntToStr(n);
  FAppId = 30000 + static_cast<int>((GetCurrentProcessId() * 16 + n) % 30000);
  FUserFolder = IncludeBackslash(GetShellFolder("AppData")) + FConfigPath + "\\";
  FAllUsersFolder = IncludeBackslash(GetCommonShellFolder("Common AppData")) + FConfigPath + "\\";
  RemoveFolderTree(FUserFolder);
  RemoveFolderTree(FAllUsersFolder);
  const AnsiString source = GetExeFolder();
  for (const char* file : kProgramFiles) CopyInto(source + file, FFolder.File(file));
  TStringList resources;
  FindFilesRecursive(source + "res", &resources, "*.*", true);
  for (int i = 0; i < resources.GetCount(); ++i)
    CopyInto(resources.Get(i), FFolder.Path() + resources.Get(i).substr(source.size()));
  WriteConst();
}

TProgramRun::~TProgramRun() {
  if (Running()) {
    TerminateProcess(FProcess.hProcess, 1);
    WaitForSingleObject(FProcess.hProcess, 5000);
  }
  if (FProcess.hProcess) CloseHandle(FProcess.hProcess);
  if (FProcess.hThread) CloseHandle(FProcess.hThread);
  FSettings.reset();
  RemoveFolderTree(FUserFolder);
  RemoveFolderTree(FAllUsersFolder);
}

void TProgramRun::WriteConst(const AnsiString& Extra) {
  char guid[64];
  snprintf(guid, sizeof(guid), "{7A1C0E55-0000-4000-8000-%012d}", FAppId);
  WriteWholeFile(FFolder.File("const.dat"),
                 "[const]\r\nApp.ConfigPath=" + FConfigPath + "\r\nApp.Ver=1.0.0.0\r\nApp.SubVer=0\r\nApp.ID=" +
                     IntToStr(FAppId) + "\r\nApp.GUID=" + guid +
                     "\r\nDriver.InfFileName=TaviscoCam.inf\r\nDriver.HardwareID=root\\TaviscoVCam\r\n"
                     "Driver.FriendName=Tavisco Virtual Camera\r\nLanguage.Force=\r\n"
                     "PictureFilter=*.bmp;*.png\r\nFlashFilter=*.swf\r\nVideoFilter=*.avi\r\n" +
                     WithOfflineUpdate(Extra));
}

void TProgramRun::PresetSettings(const AnsiString& Extra) {
  ForceDirectories(FUserFolder);
  WriteWholeFile(FUserFolder + "UserFlag.ini", "[Flag]\r\nAllUsers=0\r\n");
  WriteWholeFile(FUserFolder + "Setting.dat", "[setting]\r\nFirstTimeRun=0\r\n" + Extra);
}

TMemIniFile* TProgramRun::ReadSettings() {
  FSettings = std::make_unique<TMemIniFile>(FUserFolder + "Setting.dat");
  return FSettings.get();
}

bool TProgramRun::Launch(const AnsiString& CommandLine, const AnsiString& WorkingFolder, PROCESS_INFORMATION& Info) {
  STARTUPINFOA startup = {};
  startup.cb = sizeof(startup);
  std::string line = CommandLine;
  return CreateProcessA(nullptr, &line[0], nullptr, nullptr, FALSE, 0, nullptr,
                        WorkingFolder.empty() ? nullptr : WorkingFolder.c_str(), &startup, &Info) != 0;
}

bool TProgramRun::Start(const AnsiString& Arguments, const AnsiString& WorkingFolder) {
  if (FProcess.hProcess) CloseHandle(FProcess.hProcess);
  if (FProcess.hThread) CloseHandle(FProcess.hThread);
  FProcess = {};
  const AnsiString line = "\"" + ExePath() + "\"" + (Arguments.empty() ? "" : " " + Arguments);
  return Launch(line, WorkingFolder.empty() ? FFolder.Path() : WorkingFolder, FProcess);
}

int TProgramRun::RunToEnd(const AnsiString& Arguments, DWORD TimeoutMs, const AnsiString& WorkingFolder) {
  PROCESS_INFORMATION info = {};
  const AnsiString line = "\"" + ExePath() + "\"" + (Arguments.empty() ? "" : " " + Arguments);
  if (!Launch(line, WorkingFolder.empty() ? FFolder.Path() : WorkingFolder, info)) return -1;
  DWORD code = DWORD(-1);
  if (WaitForSingleObject(info.hProcess, TimeoutMs) == WAIT_OBJECT_0) {
    GetExitCodeProcess(info.hProcess, &code);
  } else {
    TerminateProcess(info.hProcess, 1);
  }
  CloseHandle(info.hProcess);
  CloseHandle(info.hThread);
  return int(code);
}

HWND TProgramRun::WaitForMainWindow(DWORD TimeoutMs) {
  const DWORD start = GetTickCount();
  do {
    if (HWND found = FindRunningInstance(FAppId)) return found;
    if (!Running()) return nullptr;
    Sleep(20);
  } while (GetTickCount() - start < TimeoutMs);
  return nullptr;
}

int TProgramRun::WaitForExit(DWORD TimeoutMs) {
  if (!FProcess.hProcess || WaitForSingleObject(FProcess.hProcess, TimeoutMs) != WAIT_OBJECT_0) return -1;
  DWORD code = 0;
  GetExitCodeProcess(FProcess.hProcess, &code);
  return int(code);
}

bool TProgramRun::Running() const {
  return FProcess.hProcess && WaitForSingleObject(FProcess.hProcess, 0) == WAIT_TIMEOUT;
}

AnsiString TProgramRun::InstallerLog() const {
  return FileExists(FFolder.File("drvinst.log")) ? ReadWholeFile(FFolder.File("drvinst.log")) : AnsiString();
}
