// A small program for the process tests. Its exit code is its first argument. Further
// arguments:
//   sleep=MS   sleep that long before exiting
//   argc=N     exit with 99 unless the program received exactly N arguments (counting its
//              own name), to prove that a long command line arrived whole
#include <windows.h>

#include <cstdlib>
#include <cstring>

int main(int argc, char** argv) {
  for (int i = 2; i < argc; ++i) {
    if (std::strncmp(argv[i], "sleep=", 6) == 0) Sleep(static_cast<DWORD>(atoi(argv[i] + 6)));
    if (std::strncmp(argv[i], "argc=", 5) == 0 && atoi(argv[i] + 5) != argc) return 99;
  }
  return argc > 1 ? atoi(argv[1]) : 0;
}
