// Keeps the desktop of the test display open for as long as a test run lasts.
//
// Wine starts the desktop process (explorer.exe /desktop) for the first program that needs
// the desktop window, hands it that program's error output, and ends it about a second after
// the last program has left the desktop. Started by a test program, the desktop process keeps
// that program's output pipe open after the program has ended, for as long as other test
// programs use the desktop; CTest waits for the pipe to close, and the test that has passed
// runs into its time limit. Every test program that drew into a bitmap also waited for the
// desktop process to start and to end.
//
// The test harness starts this program before any test and ends it after the last: the
// desktop is started here, with the harness's log as its output, and stays open in between.
// It prints "ready" once the desktop window exists.
#include <windows.h>

#include <cstdio>

int main() {
  if (!GetDesktopWindow()) {
    std::fprintf(stderr, "desktop_keeper: no desktop window\n");
    return 1;
  }
  // A message queue of its own: the thread stays a user of the desktop, and answers what is
  // sent to every thread of the desktop.
  MSG msg;
  PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE);
  std::printf("ready\n");
  std::fflush(stdout);
  while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
    DispatchMessageA(&msg);
  }
  return 0;
}
