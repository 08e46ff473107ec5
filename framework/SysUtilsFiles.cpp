// File names, files and folders, system errors. The name functions are portable; the file
// system calls use the Windows API on Windows and POSIX elsewhere.
#include <cerrno>
#include <cstring>

#include "framework/SysUtils.h"

#ifdef _WIN32
#include "framework/WinApi.h"
#else
#include <dirent.h>
#include <fnmatch.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

#ifdef _WIN32
const char PathDelim = '\\';
const char* const PathDelimiters = "\\:";
#else
const char PathDelim = '/';
const char* const PathDelimiters = "/";
#endif

// ---------------------------------------------------------------------------------------
// Names

AnsiString ExtractFilePath(const AnsiString& FileName) {
  return Copy(FileName, 1, LastDelimiter(PathDelimiters, FileName));
}

AnsiString ExtractFileDir(const AnsiString& FileName) {
  int i = LastDelimiter(PathDelimiters, FileName);
  // Keep the separator of a root ("C:\", "\", "/").
  if (i > 1 && FileName[static_cast<size_t>(i) - 1] == PathDelim &&
      AnsiString(PathDelimiters).find(FileName[static_cast<size_t>(i) - 2]) == AnsiString::npos)
    --i;
  return Copy(FileName, 1, i);
}

AnsiString ExtractFileName(const AnsiString& FileName) {
  int i = LastDelimiter(PathDelimiters, FileName);
  return FileName.substr(static_cast<size_t>(i));
}

AnsiString ExtractFileExt(const AnsiString& FileName) {
  int i = LastDelimiter(AnsiString(".") + PathDelimiters, FileName);
  if (i > 0 && FileName[static_cast<size_t>(i) - 1] == '.')
    return FileName.substr(static_cast<size_t>(i) - 1);
  return AnsiString();
}

AnsiString ExtractFileDrive(const AnsiString& FileName) {
#ifdef _WIN32
  if (FileName.size() >= 2 && FileName[1] == ':') return FileName.substr(0, 2);
  if (FileName.size() >= 2 && FileName[0] == '\\' && FileName[1] == '\\') {
    // \\server\share
    size_t server = FileName.find('\\', 2);
    if (server == AnsiString::npos || server == 2) return AnsiString();
    size_t share = FileName.find('\\', server + 1);
    return FileName.substr(0, share == AnsiString::npos ? FileName.size() : share);
  }
#endif
  return AnsiString();
}

AnsiString ChangeFileExt(const AnsiString& FileName, const AnsiString& Extension) {
  int i = LastDelimiter(AnsiString(".") + PathDelimiters, FileName);
  if (i == 0 || FileName[static_cast<size_t>(i) - 1] != '.') i = static_cast<int>(FileName.size()) + 1;
  return Copy(FileName, 1, i - 1) + Extension;
}

AnsiString IncludeTrailingPathDelimiter(const AnsiString& S) {
  if (!S.empty() && S.back() == PathDelim) return S;
  return S + PathDelim;
}

AnsiString ExcludeTrailingPathDelimiter(const AnsiString& S) {
  if (!S.empty() && S.back() == PathDelim) return S.substr(0, S.size() - 1);
  return S;
}

// ---------------------------------------------------------------------------------------
// System errors

uint32_t GetLastOSError() {
#ifdef _WIN32
  return GetLastError();
#else
  return static_cast<uint32_t>(errno);
#endif
}

AnsiString SysErrorMessage(uint32_t ErrorCode) {
#ifdef _WIN32
  char* buffer = nullptr;
  DWORD length = FormatMessageA(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                                    FORMAT_MESSAGE_IGNORE_INSERTS,
                                nullptr, ErrorCode, 0, reinterpret_cast<char*>(&buffer), 0,
                                nullptr);
  AnsiString text = buffer && length ? AnsiString(buffer, length) : AnsiString();
  if (buffer) LocalFree(buffer);
#else
  AnsiString text = std::strerror(static_cast<int>(ErrorCode));
#endif
  while (!text.empty() && (static_cast<unsigned char>(text.back()) <= ' ' || text.back() == '.'))
    text.pop_back();
  return text;
}

void RaiseLastOSError(uint32_t LastError) {
  if (LastError == 0) {
    EOSError error("A call to an OS function failed");
    throw error;
  }
  EOSError error("System Error.  Code: %d.\r\n%s",
                 {static_cast<int>(LastError), SysErrorMessage(LastError)});
  error.ErrorCode = LastError;
  throw error;
}

void RaiseLastOSError() { RaiseLastOSError(GetLastOSError()); }

// ---------------------------------------------------------------------------------------
// Files and folders

#ifdef _WIN32

namespace {
bool Attributes(const AnsiString& name, DWORD& attributes) {
  attributes = GetFileAttributesA(name.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES;
}

TDateTime FileTimeToDateTime(const FILETIME& time) {
  FILETIME local;
  SYSTEMTIME t;
  if (!FileTimeToLocalFileTime(&time, &local) || !FileTimeToSystemTime(&local, &t)) return 0;
  TDateTime date, clock;
  if (!TryEncodeDate(t.wYear, t.wMonth, t.wDay, date) ||
      !TryEncodeTime(t.wHour, t.wMinute, t.wSecond, t.wMilliseconds, clock))
    return 0;
  return date + clock;
}
}  // namespace

AnsiString ExpandFileName(const AnsiString& FileName) {
  char buffer[MAX_PATH * 4];
  char* part = nullptr;
  DWORD length = GetFullPathNameA(FileName.c_str(), sizeof buffer, buffer, &part);
  if (length == 0 || length >= sizeof buffer) return FileName;
  return AnsiString(buffer, length);
}

bool FileExists(const AnsiString& FileName) {
  DWORD attributes;
  return Attributes(FileName, attributes) && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool DirectoryExists(const AnsiString& Directory) {
  DWORD attributes;
  return Attributes(Directory, attributes) && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool CreateDir(const AnsiString& Dir) { return CreateDirectoryA(Dir.c_str(), nullptr) != 0; }

bool RemoveDir(const AnsiString& Dir) { return RemoveDirectoryA(Dir.c_str()) != 0; }

bool DeleteFile(const AnsiString& FileName) { return DeleteFileA(FileName.c_str()) != 0; }

bool RenameFile(const AnsiString& OldName, const AnsiString& NewName) {
  return MoveFileA(OldName.c_str(), NewName.c_str()) != 0;
}

AnsiString GetCurrentDir() {
  char buffer[MAX_PATH * 4];
  DWORD length = GetCurrentDirectoryA(sizeof buffer, buffer);
  return length && length < sizeof buffer ? AnsiString(buffer, length) : AnsiString();
}

bool SetCurrentDir(const AnsiString& Dir) { return SetCurrentDirectoryA(Dir.c_str()) != 0; }

int64_t FileSizeOf(const AnsiString& FileName) {
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (!GetFileAttributesExA(FileName.c_str(), GetFileExInfoStandard, &data) ||
      (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
    return -1;
  return (static_cast<int64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

bool FileAge(const AnsiString& FileName, TDateTime& FileDateTime) {
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (!GetFileAttributesExA(FileName.c_str(), GetFileExInfoStandard, &data) ||
      (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
    return false;
  FileDateTime = FileTimeToDateTime(data.ftLastWriteTime);
  return true;
}

struct TSearchState {
  HANDLE Handle = INVALID_HANDLE_VALUE;
  WIN32_FIND_DATAA Data{};
  ~TSearchState() {
    if (Handle != INVALID_HANDLE_VALUE) ::FindClose(Handle);
  }
};

namespace {
// Skips entries with excluded attributes and fills F with the current one.
int FindMatching(TSearchRec& F) {
  TSearchState& state = *F.State;
  while (state.Data.dwFileAttributes & static_cast<DWORD>(F.ExcludeAttr)) {
    if (!FindNextFileA(state.Handle, &state.Data)) return static_cast<int>(GetLastError());
  }
  F.Name = state.Data.cFileName;
  F.Attr = static_cast<int>(state.Data.dwFileAttributes);
  F.Size = (static_cast<int64_t>(state.Data.nFileSizeHigh) << 32) | state.Data.nFileSizeLow;
  F.TimeStamp = FileTimeToDateTime(state.Data.ftLastWriteTime);
  return 0;
}
}  // namespace

int FindFirst(const AnsiString& Path, int Attr, TSearchRec& F) {
  F.ExcludeAttr = ~Attr & (faHidden | faSysFile | faVolumeID | faDirectory);
  F.State = std::make_shared<TSearchState>();
  F.State->Handle = FindFirstFileA(Path.c_str(), &F.State->Data);
  if (F.State->Handle == INVALID_HANDLE_VALUE) {
    int error = static_cast<int>(GetLastError());
    F.State.reset();
    return error;
  }
  int result = FindMatching(F);
  if (result != 0) F.State.reset();
  return result;
}

int FindNext(TSearchRec& F) {
  if (!F.State) return ERROR_NO_MORE_FILES;
  if (!FindNextFileA(F.State->Handle, &F.State->Data)) return static_cast<int>(GetLastError());
  return FindMatching(F);
}

#else  // POSIX

namespace {
bool Stat(const AnsiString& name, struct stat& info) { return ::stat(name.c_str(), &info) == 0; }

TDateTime UnixToDateTime(time_t seconds) {
  tm local{};
  localtime_r(&seconds, &local);
  TDateTime date, clock;
  if (!TryEncodeDate(local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, date) ||
      !TryEncodeTime(local.tm_hour, local.tm_min, local.tm_sec > 59 ? 59 : local.tm_sec, 0,
                     clock))
    return 0;
  return date + clock;
}

constexpr int kNoMoreFiles = 18;
}  // namespace

AnsiString ExpandFileName(const AnsiString& FileName) {
  if (!FileName.empty() && FileName[0] == '/') return FileName;
  return IncludeTrailingPathDelimiter(GetCurrentDir()) + FileName;
}

bool FileExists(const AnsiString& FileName) {
  struct stat info;
  return Stat(FileName, info) && !S_ISDIR(info.st_mode);
}

bool DirectoryExists(const AnsiString& Directory) {
  struct stat info;
  return Stat(Directory, info) && S_ISDIR(info.st_mode);
}

bool CreateDir(const AnsiString& Dir) { return ::mkdir(Dir.c_str(), 0777) == 0; }

bool RemoveDir(const AnsiString& Dir) { return ::rmdir(Dir.c_str()) == 0; }

bool DeleteFile(const AnsiString& FileName) { return ::unlink(FileName.c_str()) == 0; }

bool RenameFile(const AnsiString& OldName, const AnsiString& NewName) {
  // Like the Windows call, never replaces an existing file.
  if (FileExists(NewName) || DirectoryExists(NewName)) return false;
  return ::rename(OldName.c_str(), NewName.c_str()) == 0;
}

AnsiString GetCurrentDir() {
  char buffer[4096];
  return ::getcwd(buffer, sizeof buffer) ? AnsiString(buffer) : AnsiString();
}

bool SetCurrentDir(const AnsiString& Dir) { return ::chdir(Dir.c_str()) == 0; }

int64_t FileSizeOf(const AnsiString& FileName) {
  struct stat info;
  if (!Stat(FileName, info) || S_ISDIR(info.st_mode)) return -1;
  return static_cast<int64_t>(info.st_size);
}

bool FileAge(const AnsiString& FileName, TDateTime& FileDateTime) {
  struct stat info;
  if (!Stat(FileName, info) || S_ISDIR(info.st_mode)) return false;
  FileDateTime = UnixToDateTime(info.st_mtim.tv_sec) +
                 static_cast<double>(info.st_mtim.tv_nsec / 1000000) / 86400000.0;
  return true;
}

struct TSearchState {
  DIR* Dir = nullptr;
  AnsiString Folder;
  AnsiString Mask;
  ~TSearchState() {
    if (Dir) ::closedir(Dir);
  }
};

namespace {
int FindMatching(TSearchRec& F) {
  TSearchState& state = *F.State;
  while (dirent* entry = ::readdir(state.Dir)) {
    AnsiString name = entry->d_name;
    if (::fnmatch(state.Mask.c_str(), name.c_str(), FNM_CASEFOLD) != 0) continue;
    struct stat info;
    if (!Stat(state.Folder + name, info)) continue;
    int attr = S_ISDIR(info.st_mode) ? faDirectory : faArchive;
    if (name.size() > 1 && name[0] == '.' && name != "..") attr |= faHidden;
    if (!(info.st_mode & S_IWUSR)) attr |= faReadOnly;
    if (attr & F.ExcludeAttr) continue;
    F.Name = name;
    F.Attr = attr;
    F.Size = S_ISDIR(info.st_mode) ? 0 : static_cast<int64_t>(info.st_size);
    F.TimeStamp = UnixToDateTime(info.st_mtime);
    return 0;
  }
  return kNoMoreFiles;
}
}  // namespace

int FindFirst(const AnsiString& Path, int Attr, TSearchRec& F) {
  F.ExcludeAttr = ~Attr & (faHidden | faSysFile | faVolumeID | faDirectory);
  auto state = std::make_shared<TSearchState>();
  state->Folder = ExtractFilePath(Path);
  state->Mask = ExtractFileName(Path);
  if (state->Mask == "*.*") state->Mask = "*";
  state->Dir = ::opendir(state->Folder.empty() ? "." : state->Folder.c_str());
  if (!state->Dir) return ENOENT;
  F.State = state;
  int result = FindMatching(F);
  if (result != 0) {
    F.State.reset();
    return ENOENT;
  }
  return 0;
}

int FindNext(TSearchRec& F) {
  if (!F.State) return kNoMoreFiles;
  return FindMatching(F);
}

#endif

void FindClose(TSearchRec& F) { F.State.reset(); }

bool ForceDirectories(const AnsiString& Dir) {
  AnsiString path = ExcludeTrailingPathDelimiter(Dir);
  if (path.empty()) throw EInOutError("Unable to create directory");
  // Walk up to the first folder that exists, then create the rest downwards.
  std::vector<AnsiString> missing;
  while (!path.empty() && !DirectoryExists(path)) {
    missing.push_back(path);
    AnsiString parent = ExtractFileDir(path);
    if (parent == path) break;  // a root that does not exist
    path = parent;
  }
  for (auto it = missing.rbegin(); it != missing.rend(); ++it)
    if (!CreateDir(*it) && !DirectoryExists(*it)) return false;
  return true;
}
