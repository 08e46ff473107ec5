// The desktop is open before a test program starts: no test program starts the desktop
// process itself, which would keep the program's output open after the program ended
// (see desktop_keeper.cpp).
#include <windows.h>

#include <tlhelp32.h>

#include <gtest/gtest.h>

namespace {

// Running processes of the program named `name` (the desktop process is explorer.exe).
int ProcessesNamed(const char* name) {
  HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
  if (snapshot == INVALID_HANDLE_VALUE) return -1;
  int count = 0;
  PROCESSENTRY32 entry = {};
  entry.dwSize = sizeof(entry);
  for (BOOL more = Process32First(snapshot, &entry); more; more = Process32Next(snapshot, &entry)) {
    if (lstrcmpiA(entry.szExeFile, name) == 0) ++count;
  }
  CloseHandle(snapshot);
  return count;
}

// Counted when the program starts, before any test touches the desktop.
const int g_desktopProcessesAtStart = ProcessesNamed("explorer.exe");

}  // namespace

TEST(Harness, TheDesktopIsOpenBeforeTheTestProgramStarts) {
  EXPECT_GE(g_desktopProcessesAtStart, 1)
      << "no desktop process when the test program started: the first program that needs "
         "the desktop starts it and hands it its output, which then stays open after the "
         "program has ended";
}
