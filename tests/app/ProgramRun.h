// Drives Tavisco.exe as a user would: a program folder of its own (the program, the engine
// library, the camera installer and the run-time files copied beside it, with constants
// that keep its settings folders, its id and its mutex apart from any other run), started
// with a command line, found by its main window, asked to quit, and its settings files
// read back. Shared by the program's end-to-end tests and its benchmark. Windows only.
#pragma once

#include "framework/WinApi.h"

#include <memory>
#include <string>
#include <vector>

#include "framework/IniFiles.h"
#include "tests/framework/TestFolder.h"

class TProgramRun {
 public:
  // Copies the program and its files from the folder of the running test program.
  TProgramRun();
  // Ends a program still running, removes its settings folders.
  ~TProgramRun();
  TProgramRun(const TProgramRun&) = delete;
  TProgramRun& operator=(const TProgramRun&) = delete;

  const TTestFolder& Folder() const { return FFolder; }
  AnsiString ExePath() const { return FFolder.File("Tavisco.exe"); }
  int AppId() const { return FAppId; }
  // The per-user folder, which holds "UserFlag.ini" and, with AllUsers=0, the settings.
  AnsiString UserFolder() const { return FUserFolder; }
  AnsiString AllUsersFolder() const { return FAllUsersFolder; }

  // "const.dat" with the run's own keys and any extra lines.
  void WriteConst(const AnsiString& Extra = AnsiString());
  // Pre-empts the first-run questions: the settings stay with the current user and the
  // default-camera dialog was already offered. Extra lines go into [setting].
  void PresetSettings(const AnsiString& Extra = AnsiString());
  // "Setting.dat" of the per-user folder as it is now.
  TMemIniFile* ReadSettings();

  // Starts the program with the arguments (a working folder other than its own when
  // given); false when it could not be started.
  bool Start(const AnsiString& Arguments = AnsiString(), const AnsiString& WorkingFolder = AnsiString());
  // Runs another instance to its end; its exit code, or -1 when it did not end in time.
  int RunToEnd(const AnsiString& Arguments, DWORD TimeoutMs = 30000,
               const AnsiString& WorkingFolder = AnsiString());
  // The main window of the running program (answering with the run's id), waiting for it
  // up to the time given; null when none showed.
  HWND WaitForMainWindow(DWORD TimeoutMs = 20000);
  // Waits for the started program to end; its exit code, or -1 when it did not end.
  int WaitForExit(DWORD TimeoutMs = 20000);
  bool Running() const;
  HANDLE Process() const { return FProcess.hProcess; }
  DWORD ProcessId() const { return FProcess.dwProcessId; }
  // The text of "drvinst.log" beside the program (empty when none).
  AnsiString InstallerLog() const;

 private:
  static bool Launch(const AnsiString& CommandLine, const AnsiString& WorkingFolder, PROCESS_INFORMATION& Info);

  TTestFolder FFolder;
  AnsiString FConfigPath;
  AnsiString FUserFolder;
  AnsiString FAllUsersFolder;
  int FAppId = 0;
  PROCESS_INFORMATION FProcess = {};
  std::unique_ptr<TMemIniFile> FSettings;
};

// The windows of a process with the class name, in the system's order.
std::vector<HWND> ProcessWindows(DWORD ProcessId, const char* ClassName);
