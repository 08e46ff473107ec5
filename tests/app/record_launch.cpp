// A small program for the process tests: it writes how it was started into the file named
// by its first argument: its command line, its working folder and whether it was asked to
// start hidden, one per line. With "sleep=MS" as second argument it then waits that long.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

int main(int argc, char** argv) {
  if (argc < 2) return 1;
  char folder[MAX_PATH * 2] = {};
  GetCurrentDirectoryA(sizeof(folder), folder);
  STARTUPINFOA startup = {};
  startup.cb = sizeof(startup);
  GetStartupInfoA(&startup);
  const bool hidden =
      (startup.dwFlags & STARTF_USESHOWWINDOW) != 0 && startup.wShowWindow == SW_HIDE;
  if (std::FILE* out = std::fopen(argv[1], "wb")) {
    std::fprintf(out, "%s\n%s\n%s\n", GetCommandLineA(), folder, hidden ? "hidden" : "shown");
    std::fclose(out);
  }
  if (argc > 2 && std::strncmp(argv[2], "sleep=", 6) == 0) Sleep(DWORD(std::atoi(argv[2] + 6)));
  return 0;
}
