// The program's Windows routines: the program file, dated backups, processes, the
// registry, mutexes, dropped files and access checks.
#include <gtest/gtest.h>

#include "framework/WinApi.h"

#include <shellapi.h>
#include <shlobj.h>

#include "app/SPTools.h"
#include "tests/framework/TestFolder.h"

namespace {

AnsiString Today() { return FormatDateTime("yyyymmdd", Date()); }

// The lines the launch recorder wrote.
TStringList* ReadLaunch(const AnsiString& file, TStringList& lines) {
  lines.SetText(ReadWholeFile(file));
  return &lines;
}

const char kTestKey[] = "Software\\TaviscoTests\\SPTools";

}  // namespace

TEST(SPToolsWin, ProgramFileAndFolder) {
  const AnsiString exe = GetExeFileName();
  EXPECT_TRUE(SameText(ExtractFileName(exe), "app_tests.exe")) << exe;
  const AnsiString folder = GetExeFolder();
  ASSERT_FALSE(folder.empty());
  EXPECT_EQ('\\', folder.back());
  EXPECT_TRUE(FileExists(folder + "app_tests.exe"));
  EXPECT_EQ("C:\\no\\such\\path", GetLongPath("C:\\no\\such\\path"));

  // A short name is given its long form.
  TTestFolder temp;
  const AnsiString longName = temp.File("a folder with a long name");
  ForceDirectories(longName);
  char shortName[MAX_PATH] = {};
  if (GetShortPathNameA(longName.c_str(), shortName, MAX_PATH) > 0 && longName != shortName) {
    EXPECT_TRUE(SameText(longName, GetLongPath(shortName))) << shortName;
  }
}

TEST(SPToolsWin, DatedBackupsNeverOverwrite) {
  TTestFolder folder;
  const AnsiString file = folder.File("config.xml");
  WriteWholeFile(file, "first");
  ASSERT_TRUE(BackupFileDated(file));
  EXPECT_EQ("first", ReadWholeFile(file + "." + Today() + ".bak"));
  WriteWholeFile(file, "second");
  ASSERT_TRUE(BackupFileDated(file));
  EXPECT_EQ("first", ReadWholeFile(file + "." + Today() + ".bak"));
  EXPECT_EQ("second", ReadWholeFile(file + "." + Today() + ".1.bak"));
  WriteWholeFile(file, "third");
  ASSERT_TRUE(BackupFileDated(file));
  EXPECT_EQ("third", ReadWholeFile(file + "." + Today() + ".2.bak"));
  EXPECT_EQ("third", ReadWholeFile(file));

  EXPECT_FALSE(BackupFileDated(""));
  EXPECT_FALSE(BackupFileDated(folder.File("missing.xml")));
  EXPECT_FALSE(FileExists(folder.File("missing.xml") + "." + Today() + ".bak"));
}

TEST(SPToolsWin, RunProcessQuotesTheProgramAndStartsInItsFolder) {
  TTestFolder folder;
  const AnsiString out = folder.File("launch.txt");
  TStringList lines;

  // A file relative to the program's folder, waited for and hidden.
  ASSERT_TRUE(RunProcess("record_launch.exe", "\"" + out + "\" tail", true, 10000));
  ReadLaunch(out, lines);
  ASSERT_EQ(3, lines.GetCount());
  EXPECT_EQ("\"" + GetExeFolder() + "record_launch.exe\" \"" + out + "\" tail", lines.Get(0));
  EXPECT_TRUE(SameText(IncludeBackslash(lines.Get(1)), GetExeFolder())) << lines.Get(1);
  EXPECT_EQ("hidden", lines.Get(2));

  // Without a file the parameters are the whole command line; not waited for, shown.
  DeleteFile(out);
  const AnsiString command = "\"" + GetExeFolder() + "record_launch.exe\" \"" + out + "\"";
  ASSERT_TRUE(RunProcessEx("", command, false, false, 0));
  for (int i = 0; i < 200 && !FileExists(out); ++i) Sleep(50);
  Sleep(100);
  ReadLaunch(out, lines);
  ASSERT_EQ(3, lines.GetCount());
  EXPECT_EQ(command, lines.Get(0));
  EXPECT_EQ("shown", lines.Get(2));

  // Waiting stops at the time-out.
  const DWORD start = GetTickCount();
  ASSERT_TRUE(RunProcessEx("record_launch.exe", "\"" + out + "\" sleep=1500", true, true, 300));
  EXPECT_LT(GetTickCount() - start, 1200u);

  EXPECT_FALSE(RunProcess("no_such_program.exe", "", true, 1000));
}

TEST(SPToolsWin, RegistryHelpersReadWriteAndSwallowErrors) {
  RegDeleteTreeA(HKEY_CURRENT_USER, kTestKey);
  EXPECT_EQ("default", RegReadString(HKEY_CURRENT_USER, kTestKey, "Name", "default"));
  RegWriteString(HKEY_CURRENT_USER, kTestKey, "Name", "value text");
  EXPECT_EQ("value text", RegReadString(HKEY_CURRENT_USER, kTestKey, "Name", "default"));
  RegWriteString(HKEY_CURRENT_USER, kTestKey, "Empty", "");
  EXPECT_EQ("", RegReadString(HKEY_CURRENT_USER, kTestKey, "Empty", "default"));
  RegWriteInteger(HKEY_CURRENT_USER, kTestKey, "Number", -1);
  DWORD value = 0, size = sizeof(value), type = 0;
  ASSERT_EQ(ERROR_SUCCESS, RegGetValueA(HKEY_CURRENT_USER, kTestKey, "Number", RRF_RT_ANY, &type,
                                        &value, &size));
  EXPECT_EQ(DWORD(REG_DWORD), type);
  EXPECT_EQ(0xFFFFFFFFu, value);
  // A value of another type reads as the default.
  EXPECT_EQ("default", RegReadString(HKEY_CURRENT_USER, kTestKey, "Number", "default"));
  // A key that cannot be written is skipped without complaint.
  RegWriteString(HKEY_CURRENT_USER, "Software\\TaviscoTests\\SPTools\\\x01bad", "", "x");
  RegDeleteTreeA(HKEY_CURRENT_USER, kTestKey);

  EXPECT_FALSE(GetShellFolder("AppData").empty());
  EXPECT_FALSE(GetCommonShellFolder("Common AppData").empty());
  EXPECT_EQ("", GetCommonShellFolder("No Such Folder"));
}

TEST(SPToolsWin, SingleInstanceMutexExistsOnce) {
  const AnsiString name = "Local\\TaviscoTestMutex" + IntToStr(GetCurrentProcessId());
  EXPECT_TRUE(CreateSingleInstanceMutex(name));
  EXPECT_FALSE(CreateSingleInstanceMutex(name));
  EXPECT_FALSE(CreateSingleInstanceMutex(name));
  HANDLE other = OpenMutexA(SYNCHRONIZE, FALSE, name.c_str());
  EXPECT_NE(nullptr, other);  // the first stays open
  if (other) CloseHandle(other);
}

TEST(SPToolsWin, DroppedFilesInDropOrder) {
  const char names[] = "C:\\a.avi\0D:\\folder with blanks\\b.png\0\0";
  HGLOBAL memory = GlobalAlloc(GHND, sizeof(DROPFILES) + sizeof(names));
  DROPFILES* drop = static_cast<DROPFILES*>(GlobalLock(memory));
  drop->pFiles = sizeof(DROPFILES);
  drop->fWide = FALSE;
  memcpy(reinterpret_cast<char*>(drop) + sizeof(DROPFILES), names, sizeof(names));
  GlobalUnlock(memory);
  TStringList files;
  GetDroppedFiles(reinterpret_cast<uintptr_t>(memory), &files);
  EXPECT_EQ("C:\\a.avi\r\nD:\\folder with blanks\\b.png\r\n", files.GetText());
  GlobalFree(memory);
}

TEST(SPToolsWin, AccessChecksAndTheDisplay) {
  TTestFolder folder;
  EXPECT_TRUE(CheckFileAccess(GENERIC_WRITE, ExcludeTrailingPathDelimiter(folder.Path())));
  EXPECT_TRUE(CheckFileAccess(GENERIC_READ, ExcludeTrailingPathDelimiter(folder.Path())));
  EXPECT_FALSE(CheckFileAccess(GENERIC_WRITE, folder.File("missing")));
  EXPECT_GT(GetScreenColorDepth(), 0);

  // Always on top and back, without moving the window.
  HWND window = CreateWindowExA(0, "STATIC", "", WS_POPUP, 10, 20, 30, 40, nullptr, nullptr,
                                nullptr, nullptr);
  ASSERT_NE(nullptr, window);
  SetStayOnTop(window, true);
  EXPECT_TRUE(GetWindowLongPtrA(window, GWL_EXSTYLE) & WS_EX_TOPMOST);
  SetStayOnTop(window, false);
  EXPECT_FALSE(GetWindowLongPtrA(window, GWL_EXSTYLE) & WS_EX_TOPMOST);
  RECT bounds;
  GetWindowRect(window, &bounds);
  EXPECT_EQ(10, bounds.left);
  EXPECT_EQ(60, bounds.bottom);
  DestroyWindow(window);
}
