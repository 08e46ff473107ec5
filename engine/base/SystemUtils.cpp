#include "engine/base/SystemUtils.h"

#include "engine/base/TextUtils.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <vector>

namespace {

// Closes a file handle on scope exit.
class CFileHandle {
 public:
  explicit CFileHandle(HANDLE handle) : m_handle(handle) {}
  ~CFileHandle() {
    if (IsValid()) CloseHandle(m_handle);
  }
  CFileHandle(const CFileHandle&) = delete;
  CFileHandle& operator=(const CFileHandle&) = delete;

  bool IsValid() const { return m_handle != INVALID_HANDLE_VALUE && m_handle != nullptr; }
  HANDLE Get() const { return m_handle; }

 private:
  HANDLE m_handle;
};

// Closes a registry key on scope exit.
class CRegKey {
 public:
  CRegKey() = default;
  ~CRegKey() {
    if (m_key) RegCloseKey(m_key);
  }
  CRegKey(const CRegKey&) = delete;
  CRegKey& operator=(const CRegKey&) = delete;

  HKEY* Receive() { return &m_key; }
  HKEY Get() const { return m_key; }

 private:
  HKEY m_key = nullptr;
};

HANDLE OpenForReading(const std::string& path, DWORD share) {
  return CreateFileA(path.c_str(), GENERIC_READ, share, nullptr, OPEN_EXISTING,
                     FILE_ATTRIBUTE_NORMAL, nullptr);
}

bool IsExistingFolder(const std::string& path) {
  const DWORD attributes = GetFileAttributesA(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

// ReadFile limits one call to a DWORD count.
constexpr size_t kMaxChunk = 1u << 30;

}  // namespace

// ---------------------------------------------------------------------------------------
// CMutexHandle

CMutexHandle::~CMutexHandle() {
  if (m_handle) CloseHandle(m_handle);
}

bool CMutexHandle::Create() {
  if (!m_handle) m_handle = CreateMutexA(nullptr, FALSE, nullptr);
  return m_handle != nullptr;
}

bool CMutexHandle::Wait(DWORD milliseconds) {
  if (!m_handle) return false;
  const DWORD result = WaitForSingleObjectEx(m_handle, milliseconds, FALSE);
  // An abandoned mutex is owned by the caller now, exactly as after a normal wait; treating
  // it as not acquired would leave it locked for good (and unreleasable by anyone else).
  return result == WAIT_OBJECT_0 || result == WAIT_ABANDONED;
}

void CMutexHandle::Release() {
  if (m_handle) ReleaseMutex(m_handle);
}

// ---------------------------------------------------------------------------------------
// Desktop and cursor

RECT GetDesktopRect() {
  RECT rect = {};
  HWND desktop = GetDesktopWindow();
  HWND shell = FindWindowExA(desktop, nullptr, "Progman", nullptr);
  if (!GetWindowRect(shell ? shell : desktop, &rect)) rect = RECT{};
  return rect;
}

HCURSOR GetCurrentCursor() {
  CURSORINFO info = {};
  info.cbSize = sizeof(info);
  if (!GetCursorInfo(&info)) return nullptr;
  return info.hCursor;
}

// ---------------------------------------------------------------------------------------
// Processes

HRESULT RunProcessAndWait(const std::string& commandLine) {
  if (commandLine.empty()) return E_FAIL;
  // CreateProcessA may write into the command line, so it gets its own buffer, as long as
  // the text needs.
  std::vector<char> buffer(commandLine.begin(), commandLine.end());
  buffer.push_back('\0');

  STARTUPINFOA startup = {};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION process = {};
  if (!CreateProcessA(nullptr, buffer.data(), nullptr, nullptr, TRUE, NORMAL_PRIORITY_CLASS,
                      nullptr, nullptr, &startup, &process)) {
    return E_FAIL;
  }
  CloseHandle(process.hThread);
  DWORD exitCode = 1;
  const bool ended = WaitForSingleObject(process.hProcess, INFINITE) == WAIT_OBJECT_0 &&
                     GetExitCodeProcess(process.hProcess, &exitCode);
  CloseHandle(process.hProcess);
  return ended && exitCode == 0 ? S_OK : E_FAIL;
}

// ---------------------------------------------------------------------------------------
// Files

HRESULT ReadFileBytes(const std::string& path, void* buffer, size_t count, size_t* bytesRead) {
  if (bytesRead) *bytesRead = 0;
  CFileHandle file(OpenForReading(path, FILE_SHARE_READ));
  if (!file.IsValid()) return E_FAIL;
  if (count > 0 && !buffer) return E_FAIL;

  size_t total = 0;
  while (total < count) {
    const DWORD chunk = static_cast<DWORD>(std::min(count - total, kMaxChunk));
    DWORD got = 0;
    if (!ReadFile(file.Get(), static_cast<char*>(buffer) + total, chunk, &got, nullptr)) {
      if (bytesRead) *bytesRead = total;
      return E_FAIL;
    }
    if (got == 0) break;  // end of file
    total += got;
  }
  if (bytesRead) *bytesRead = total;
  return S_OK;
}

HRESULT WriteFileBytes(const std::string& path, const void* buffer, size_t count) {
  if (count > 0 && !buffer) return E_FAIL;
  CFileHandle file(CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                               FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file.IsValid()) return E_FAIL;

  size_t total = 0;
  while (total < count) {
    const DWORD chunk = static_cast<DWORD>(std::min(count - total, kMaxChunk));
    DWORD written = 0;
    if (!WriteFile(file.Get(), static_cast<const char*>(buffer) + total, chunk, &written,
                   nullptr) ||
        written == 0) {
      return E_FAIL;
    }
    total += written;
  }
  return S_OK;
}

uint64_t GetFileSize64(const std::string& path) {
  if (path.empty()) return 0;
  CFileHandle file(OpenForReading(path, FILE_SHARE_READ | FILE_SHARE_WRITE));
  LARGE_INTEGER size = {};
  if (!file.IsValid() || !GetFileSizeEx(file.Get(), &size) || size.QuadPart < 0) return 0;
  return static_cast<uint64_t>(size.QuadPart);
}

std::string ReadTextFile(const std::string& path) {
  CFileHandle file(OpenForReading(path, FILE_SHARE_READ));
  if (!file.IsValid()) return std::string();

  // Read until the end or the first zero byte; the reported size is not trusted.
  std::string text;
  try {
    std::vector<char> chunk(64 * 1024);
    for (;;) {
      DWORD got = 0;
      if (!ReadFile(file.Get(), chunk.data(), static_cast<DWORD>(chunk.size()), &got, nullptr) ||
          got == 0) {
        break;
      }
      const char* zero = static_cast<const char*>(std::memchr(chunk.data(), '\0', got));
      if (zero) {
        text.append(chunk.data(), static_cast<size_t>(zero - chunk.data()));
        break;
      }
      text.append(chunk.data(), got);
    }
  } catch (const std::bad_alloc&) {
    return std::string();
  }
  return text;
}

std::string GetTempFolder() {
  std::vector<char> buffer(MAX_PATH + 1);
  for (int attempt = 0; attempt < 4; ++attempt) {
    const DWORD length = GetTempPathA(static_cast<DWORD>(buffer.size()), buffer.data());
    if (length == 0) return std::string();
    if (length < buffer.size()) return std::string(buffer.data(), length);
    buffer.assign(length + 1, '\0');  // the answer is the size needed
  }
  return std::string();
}

std::string MakeTempFileName(const std::string& folder, const std::string& prefix, UINT unique) {
  // GetTempFileNameA writes at most MAX_PATH characters and fails when the name would not fit.
  char name[MAX_PATH + 1] = {};
  if (!GetTempFileNameA(folder.c_str(), prefix.c_str(), unique, name)) return std::string();
  name[MAX_PATH] = '\0';
  return name;
}

std::string NewTempFile() {
  const std::string folder = GetTempFolder();
  if (folder.empty()) return std::string();
  return MakeTempFileName(folder, std::string(), 0);
}

HRESULT CreateDirectoryPath(const std::string& folder) {
  // Walk up to the first folder that exists, then create the missing ones top down.
  std::vector<std::string> missing;
  for (std::string current = folder; !current.empty() && !IsExistingFolder(current);
       current = DirectoryOfPath(current)) {
    missing.push_back(current);
  }
  for (auto it = missing.rbegin(); it != missing.rend(); ++it) {
    // A folder that appeared meanwhile (made by someone else) is as good as a new one.
    if (!CreateDirectoryA(it->c_str(), nullptr) && !IsExistingFolder(*it)) return E_FAIL;
  }
  return S_OK;
}

HRESULT CreateFolderForFile(const std::string& filePath) {
  return CreateDirectoryPath(DirectoryOfPath(filePath));
}

// ---------------------------------------------------------------------------------------
// Paths and the program folder

std::string GetLongPath(const std::string& path) {
  std::vector<char> buffer(MAX_PATH + 1);
  for (int attempt = 0; attempt < 4; ++attempt) {
    const DWORD length =
        GetLongPathNameA(path.c_str(), buffer.data(), static_cast<DWORD>(buffer.size()));
    if (length == 0) return path;
    if (length < buffer.size()) return std::string(buffer.data(), length);
    buffer.assign(length + 1, '\0');  // the answer is the size needed
  }
  return path;
}

std::string GetProgramPath() {
  // GetModuleFileNameA truncates silently and returns the buffer size when it is too small.
  for (DWORD size = MAX_PATH + 1; size <= 64 * 1024; size *= 2) {
    std::vector<char> buffer(size);
    const DWORD length = GetModuleFileNameA(nullptr, buffer.data(), size);
    if (length == 0) return std::string();
    if (length < size) return std::string(buffer.data(), length);
  }
  return std::string();
}

std::string GetProgramFileName() { return FileNameOfPath(GetProgramPath()); }

std::string GetProgramDirectory() { return DirectoryOfPath(GetLongPath(GetProgramPath())); }

std::string GetProgramFolder() { return GetProgramDirectory() + "\\"; }

// ---------------------------------------------------------------------------------------
// Registry

bool RegWriteString(HKEY root, const std::string& subKey, const std::string& valueName,
                    const char* text) {
  CRegKey key;
  if (RegCreateKeyExA(root, subKey.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                      KEY_READ | KEY_CREATE_SUB_KEY | KEY_SET_VALUE, nullptr, key.Receive(),
                      nullptr) != ERROR_SUCCESS) {
    return false;
  }
  if (!text) return RegDeleteValueA(key.Get(), valueName.c_str()) == ERROR_SUCCESS;

  const size_t size = std::strlen(text) + 1;  // with the terminating zero
  if (size > MAXDWORD) return false;
  return RegSetValueExA(key.Get(), valueName.c_str(), 0, REG_SZ,
                        reinterpret_cast<const BYTE*>(text),
                        static_cast<DWORD>(size)) == ERROR_SUCCESS;
}

bool RegValueExists(HKEY root, const std::string& subKey, const std::string& valueName) {
  CRegKey key;
  if (RegOpenKeyExA(root, subKey.c_str(), 0, KEY_READ, key.Receive()) != ERROR_SUCCESS) {
    return false;
  }
  return RegQueryValueExA(key.Get(), valueName.c_str(), nullptr, nullptr, nullptr, nullptr) ==
         ERROR_SUCCESS;
}

std::string RegReadString(HKEY root, const std::string& subKey, const std::string& valueName,
                          const std::string& defaultText) {
  CRegKey key;
  if (RegOpenKeyExA(root, subKey.c_str(), 0, KEY_READ, key.Receive()) != ERROR_SUCCESS) {
    return defaultText;
  }
  // The stored value need not end with a zero, and it may change between the size query
  // and the read; the buffer always keeps one zero byte beyond what the system may fill.
  try {
    for (int attempt = 0; attempt < 4; ++attempt) {
      DWORD type = 0;
      DWORD size = 0;
      if (RegQueryValueExA(key.Get(), valueName.c_str(), nullptr, &type, nullptr, &size) !=
              ERROR_SUCCESS ||
          type != REG_SZ) {
        return defaultText;
      }
      if (size == 0) return std::string();
      std::vector<char> buffer(static_cast<size_t>(size) + 1, '\0');
      DWORD got = size;
      const LONG result = RegQueryValueExA(key.Get(), valueName.c_str(), nullptr, &type,
                                           reinterpret_cast<BYTE*>(buffer.data()), &got);
      if (result == ERROR_MORE_DATA) continue;
      if (result != ERROR_SUCCESS || type != REG_SZ) return defaultText;
      const size_t filled = std::min<size_t>(got, size);
      const char* text = buffer.data();
      const char* zero = static_cast<const char*>(std::memchr(text, '\0', filled));
      return std::string(text, zero ? zero : text + filled);
    }
  } catch (const std::bad_alloc&) {
  }
  return defaultText;
}

std::wstring WidenText(const std::string& text) {
  if (text.empty() || text.size() > size_t(INT32_MAX)) return std::wstring();
  const int length =
      MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
  if (length <= 0) return std::wstring();
  std::wstring wide(static_cast<size_t>(length), L'\0');
  MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), &wide[0], length);
  return wide;
}

std::string NarrowText(const wchar_t* text) {
  if (!text) return std::string();
  const int n = WideCharToMultiByte(CP_ACP, 0, text, -1, nullptr, 0, nullptr, nullptr);
  if (n <= 1) return std::string();
  std::string out(static_cast<size_t>(n), '\0');
  WideCharToMultiByte(CP_ACP, 0, text, -1, &out[0], n, nullptr, nullptr);
  out.resize(static_cast<size_t>(n - 1));
  return out;
}
