#pragma once
// Engine helpers over the Windows API: the unnamed mutex that guards the compositor and
// every element picture, the desktop and cursor, running a program, whole-file reads and
// writes, temporary files, folders, the program's own path, and three registry helpers.
// Texts are 8-bit strings in the process's ANSI code page.

#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <string>

// An unnamed Windows mutex. The owner creates it once and keeps it as long as the data it
// guards; the handle is closed on destruction.
class CMutexHandle {
 public:
  CMutexHandle() = default;
  ~CMutexHandle();
  CMutexHandle(const CMutexHandle&) = delete;
  CMutexHandle& operator=(const CMutexHandle&) = delete;

  // Makes the mutex (not owned). True when there is a mutex afterwards; a second call
  // keeps the existing one.
  bool Create();
  // Waits up to `milliseconds` (INFINITE for no limit). True when the caller now owns the
  // mutex, also when its previous owner ended without releasing it; false without a
  // mutex, on time-out or on error.
  bool Wait(DWORD milliseconds);
  // Releases one ownership taken by a successful Wait.
  void Release();

 private:
  HANDLE m_handle = nullptr;
};

// Holds a CMutexHandle for one scope when the wait succeeds.
class CMutexLock {
 public:
  CMutexLock(CMutexHandle& mutex, DWORD milliseconds)
      : m_mutex(mutex), m_locked(mutex.Wait(milliseconds)) {}
  ~CMutexLock() {
    if (m_locked) m_mutex.Release();
  }
  CMutexLock(const CMutexLock&) = delete;
  CMutexLock& operator=(const CMutexLock&) = delete;

  bool IsLocked() const { return m_locked; }

 private:
  CMutexHandle& m_mutex;
  bool m_locked;
};

// Window rectangle of the desktop's "Progman" window, else of the desktop window.
RECT GetDesktopRect();
// The cursor handle the system reports for the screen now; null when it cannot tell.
HCURSOR GetCurrentCursor();

// Runs a command line and waits for the program to end. S_OK only when it started and
// ended with exit code 0; E_FAIL otherwise.
HRESULT RunProcessAndWait(const std::string& commandLine);

// Reads up to `count` bytes from the start of a file. E_FAIL when the file cannot be opened
// or read; `bytesRead` (optional) receives the number of bytes placed in the buffer.
HRESULT ReadFileBytes(const std::string& path, void* buffer, size_t count,
                      size_t* bytesRead = nullptr);
// Creates or truncates a file and writes `count` bytes. E_FAIL when it cannot be created or
// not every byte was written.
HRESULT WriteFileBytes(const std::string& path, const void* buffer, size_t count);
// Size of a file; 0 for an empty path or a file that cannot be opened.
uint64_t GetFileSize64(const std::string& path);
// The whole file as text up to its first zero byte; empty when it cannot be read.
std::string ReadTextFile(const std::string& path);

// The user's temporary folder, ending with "\"; empty on failure.
std::string GetTempFolder();
// GetTempFileNameA in `folder`; with `unique` 0 the system creates the (empty) file. Empty
// on failure.
std::string MakeTempFileName(const std::string& folder, const std::string& prefix, UINT unique);
// A new empty file in the temporary folder; empty on failure.
std::string NewTempFile();
// Creates a folder and every missing folder above it. S_OK for an empty path or an existing
// folder.
HRESULT CreateDirectoryPath(const std::string& folder);
// Creates the folder that will hold `filePath`.
HRESULT CreateFolderForFile(const std::string& filePath);

// The long form of a path; the path unchanged when the system cannot give one.
std::string GetLongPath(const std::string& path);
// Full path of the running program's executable (not of this library).
std::string GetProgramPath();
// File name of the running program's executable.
std::string GetProgramFileName();
// Folder of the running program's executable, in long form, without a trailing "\".
std::string GetProgramDirectory();
// GetProgramDirectory() + "\"; run-time files ("res\...", the driver installer) lie below it.
std::string GetProgramFolder();

// An 8-bit text of the process's code page as UTF-16, and back (up to the first zero; a
// null text gives an empty one).
std::wstring WidenText(const std::string& text);
std::string NarrowText(const wchar_t* text);

// Writes `text` as a REG_SZ value (creating the key), or deletes the value when `text` is
// null. False when the key cannot be opened or the write or delete fails.
bool RegWriteString(HKEY root, const std::string& subKey, const std::string& valueName,
                    const char* text);
// True when the key and the value exist.
bool RegValueExists(HKEY root, const std::string& subKey, const std::string& valueName);
// A REG_SZ value as text (up to its first zero); `defaultText` when the key or value is
// missing, is of another type, or cannot be read.
std::string RegReadString(HKEY root, const std::string& subKey, const std::string& valueName,
                          const std::string& defaultText);
