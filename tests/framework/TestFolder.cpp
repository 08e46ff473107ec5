#include "tests/framework/TestFolder.h"

#include <atomic>
#include <cstdio>
#include <cstdlib>

#ifdef _WIN32
#include "framework/WinApi.h"
#else
#include <unistd.h>
#endif

namespace {

AnsiString SystemTemp() {
#ifdef _WIN32
  char buffer[MAX_PATH + 1];
  DWORD length = GetTempPathA(sizeof buffer, buffer);
  return IncludeTrailingPathDelimiter(AnsiString(buffer, length));
#else
  const char* tmp = std::getenv("TMPDIR");
  return IncludeTrailingPathDelimiter(tmp && *tmp ? tmp : "/tmp");
#endif
}

int ProcessId() {
#ifdef _WIN32
  return static_cast<int>(GetCurrentProcessId());
#else
  return static_cast<int>(getpid());
#endif
}

void RemoveTree(const AnsiString& folder) {
  TSearchRec entry;
  if (FindFirst(folder + "*", faAnyFile, entry) == 0) {
    do {
      if (entry.Name == "." || entry.Name == "..") continue;
      AnsiString path = folder + entry.Name;
      if (entry.Attr & faDirectory) {
        RemoveTree(IncludeTrailingPathDelimiter(path));
      } else {
        DeleteFile(path);
      }
    } while (FindNext(entry) == 0);
    FindClose(entry);
  }
  RemoveDir(ExcludeTrailingPathDelimiter(folder));
}

}  // namespace

void RemoveFolderTree(const AnsiString& folder) { RemoveTree(IncludeTrailingPathDelimiter(folder)); }

TTestFolder::TTestFolder() : TTestFolder(SystemTemp()) {}

TTestFolder::TTestFolder(const AnsiString& parent) {
  static std::atomic<int> counter{0};
  FPath = IncludeTrailingPathDelimiter(Format("%sfwtest-%d-%d", {parent, ProcessId(), counter++}));
  RemoveTree(FPath);
  ForceDirectories(FPath);
}

TTestFolder::~TTestFolder() { RemoveTree(FPath); }

AnsiString ReadWholeFile(const AnsiString& name) {
  AnsiString bytes;
  if (FILE* file = std::fopen(name.c_str(), "rb")) {
    char buffer[4096];
    size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, file)) > 0) bytes.append(buffer, n);
    std::fclose(file);
  }
  return bytes;
}

void WriteWholeFile(const AnsiString& name, const AnsiString& bytes) {
  if (FILE* file = std::fopen(name.c_str(), "wb")) {
    std::fwrite(bytes.data(), 1, bytes.size(), file);
    std::fclose(file);
  }
}
