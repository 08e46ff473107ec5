// Reading and writing package files on Windows.
#include "engine/base/PackageFile.h"

#include <windows.h>

#include <new>

namespace {

// The failure code of a system error. An error of 0 (a call failed without saying why)
// still reports a failure.
HRESULT FailureFromSystemError(DWORD error) {
  const LONG code = static_cast<LONG>(error);
  if (code > 0) return static_cast<HRESULT>(0x80070000u | (error & 0xFFFFu));
  return code < 0 ? static_cast<HRESULT>(code) : E_FAIL;
}

class FileHandle {
 public:
  explicit FileHandle(HANDLE handle) : m_handle(handle) {}
  FileHandle(const FileHandle&) = delete;
  FileHandle& operator=(const FileHandle&) = delete;
  ~FileHandle() { Close(); }

  bool IsValid() const { return m_handle != INVALID_HANDLE_VALUE; }
  HANDLE Get() const { return m_handle; }
  void Close() {
    if (IsValid()) CloseHandle(m_handle);
    m_handle = INVALID_HANDLE_VALUE;
  }

 private:
  HANDLE m_handle;
};

// ReadFile and WriteFile move at most a DWORD at a time; files are moved in chunks.
constexpr DWORD kChunkSize = 1u << 24;

bool ReadWhole(HANDLE file, std::vector<uint8_t>& bytes) {
  LARGE_INTEGER fileSize;
  if (!GetFileSizeEx(file, &fileSize) || fileSize.QuadPart < 0 ||
      static_cast<uint64_t>(fileSize.QuadPart) > SIZE_MAX) {
    return false;
  }
  bytes.resize(static_cast<size_t>(fileSize.QuadPart));
  size_t done = 0;
  while (done < bytes.size()) {
    const size_t left = bytes.size() - done;
    const DWORD chunk = left < kChunkSize ? static_cast<DWORD>(left) : kChunkSize;
    DWORD read = 0;
    if (!ReadFile(file, bytes.data() + done, chunk, &read, nullptr) || read == 0) return false;
    done += read;
  }
  return true;
}

bool WriteWhole(HANDLE file, const std::vector<uint8_t>& bytes) {
  size_t done = 0;
  while (done < bytes.size()) {
    const size_t left = bytes.size() - done;
    const DWORD chunk = left < kChunkSize ? static_cast<DWORD>(left) : kChunkSize;
    DWORD written = 0;
    if (!WriteFile(file, bytes.data() + done, chunk, &written, nullptr) || written == 0) {
      return false;
    }
    done += written;
  }
  return true;
}

}  // namespace

HRESULT CPackageFile::Open(const std::string& path) {
  FileHandle file(CreateFileA(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file.IsValid()) return FailureFromSystemError(GetLastError());

  std::vector<uint8_t> bytes;
  bool read = false;
  try {
    read = ReadWhole(file.Get(), bytes);
  } catch (const std::bad_alloc&) {
    read = false;
  }
  file.Close();
  if (!read) {
    std::vector<Item>().swap(m_items);
    return E_FAIL;
  }
  const HRESULT result = LoadFromMemory(bytes.data(), bytes.size());
  if (result == S_OK) m_path = path;
  return result;
}

HRESULT CPackageFile::Save(const std::string& path) const {
  // Serialized before the file is created, so that a package that cannot be written does
  // not cost the file that is there.
  std::vector<uint8_t> bytes;
  if (Serialize(bytes) != S_OK) return E_FAIL;

  FileHandle file(CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file.IsValid()) return FailureFromSystemError(GetLastError());
  if (!WriteWhole(file.Get(), bytes)) return E_FAIL;
  return S_OK;
}
