// Streams: the common operations, file handles (Windows API or POSIX), memory and texts.
#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <new>

#include "framework/Classes.h"

#ifdef _WIN32
#include "framework/WinApi.h"
#else
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace {

[[noreturn]] void InvalidOperation() { throw EStreamError("Invalid stream operation"); }

// base + offset, or EStreamError when it leaves the 64-bit range.
int64_t AddOffset(int64_t base, int64_t offset) {
  int64_t result;
  if (__builtin_add_overflow(base, offset, &result)) throw EStreamError("Stream seek error");
  return result;
}

}  // namespace

// ---------------------------------------------------------------------------------------
// TStream

void TStream::ReadBuffer(void* Buffer, int64_t Count) {
  if (Count < 0 || (Count != 0 && Read(Buffer, Count) != Count))
    throw EReadError("Stream read error");
}

void TStream::WriteBuffer(const void* Buffer, int64_t Count) {
  if (Count < 0 || (Count != 0 && Write(Buffer, Count) != Count))
    throw EWriteError("Stream write error");
}

int64_t TStream::CopyFrom(TStream* Source, int64_t Count) {
  if (Count < 0) throw EReadError("Stream read error");
  if (Count == 0) {
    Source->SetPosition(0);
    Count = Source->GetSize();
  }
  const int64_t kBufferSize = 0xF000;
  std::unique_ptr<char[]> buffer(new char[static_cast<size_t>(std::min(Count, kBufferSize)) + 1]);
  int64_t left = Count;
  while (left > 0) {
    int64_t n = std::min(left, kBufferSize);
    Source->ReadBuffer(buffer.get(), n);
    WriteBuffer(buffer.get(), n);
    left -= n;
  }
  return Count;
}

int64_t TStream::GetSize() {
  int64_t position = Seek(0, soCurrent);
  int64_t size = Seek(0, soEnd);
  Seek(position, soBeginning);
  return size;
}

void TStream::SetSize(int64_t) { InvalidOperation(); }

// ---------------------------------------------------------------------------------------
// THandleStream, TFileStream

#ifdef _WIN32

namespace {
HANDLE AsHandle(NativeInt handle) { return reinterpret_cast<HANDLE>(handle); }
constexpr DWORD kChunk = 1u << 30;
}  // namespace

int64_t THandleStream::Read(void* Buffer, int64_t Count) {
  int64_t total = 0;
  while (total < Count) {
    DWORD n = static_cast<DWORD>(std::min<int64_t>(Count - total, kChunk));
    DWORD read = 0;
    if (!ReadFile(AsHandle(FHandle), static_cast<char*>(Buffer) + total, n, &read, nullptr))
      break;
    total += read;
    if (read < n) break;
  }
  return total;
}

int64_t THandleStream::Write(const void* Buffer, int64_t Count) {
  int64_t total = 0;
  while (total < Count) {
    DWORD n = static_cast<DWORD>(std::min<int64_t>(Count - total, kChunk));
    DWORD written = 0;
    if (!WriteFile(AsHandle(FHandle), static_cast<const char*>(Buffer) + total, n, &written,
                   nullptr))
      break;
    total += written;
    if (written < n) break;
  }
  return total;
}

int64_t THandleStream::Seek(int64_t Offset, TSeekOrigin Origin) {
  static const DWORD kMethods[] = {FILE_BEGIN, FILE_CURRENT, FILE_END};
  LARGE_INTEGER distance, position;
  distance.QuadPart = Offset;
  if (!SetFilePointerEx(AsHandle(FHandle), distance, &position, kMethods[Origin]))
    throw EStreamError("Stream seek error");
  return position.QuadPart;
}

void THandleStream::SetSize(int64_t NewSize) {
  Seek(NewSize, soBeginning);
  if (!SetEndOfFile(AsHandle(FHandle))) RaiseLastOSError();
}

TFileStream::TFileStream(const AnsiString& AFileName, uint16_t Mode)
    : THandleStream(reinterpret_cast<NativeInt>(INVALID_HANDLE_VALUE)), FFileName(AFileName) {
  static const DWORD kShare[] = {0, 0, FILE_SHARE_READ, FILE_SHARE_WRITE,
                                 FILE_SHARE_READ | FILE_SHARE_WRITE};
  unsigned shareIndex = (Mode & 0xF0u) >> 4;
  DWORD share = shareIndex < 5 ? kShare[shareIndex] : 0;
  HANDLE handle;
  if ((Mode & fmCreate) == fmCreate) {
    handle = CreateFileA(AFileName.c_str(), GENERIC_READ | GENERIC_WRITE, share, nullptr,
                         CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
      DWORD error = GetLastError();
      throw EFCreateError("Cannot create file \"%s\". %s",
                          {ExpandFileName(AFileName), SysErrorMessage(error)});
    }
  } else {
    static const DWORD kAccess[] = {GENERIC_READ, GENERIC_WRITE, GENERIC_READ | GENERIC_WRITE};
    unsigned access = Mode & 3u;
    if (access > 2) {
      throw EFOpenError("Cannot open file \"%s\". %s",
                        {ExpandFileName(AFileName), SysErrorMessage(ERROR_INVALID_PARAMETER)});
    }
    handle = CreateFileA(AFileName.c_str(), kAccess[access], share, nullptr, OPEN_EXISTING,
                         FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
      DWORD error = GetLastError();
      throw EFOpenError("Cannot open file \"%s\". %s",
                        {ExpandFileName(AFileName), SysErrorMessage(error)});
    }
  }
  FHandle = reinterpret_cast<NativeInt>(handle);
}

TFileStream::~TFileStream() {
  if (AsHandle(FHandle) != INVALID_HANDLE_VALUE) CloseHandle(AsHandle(FHandle));
}

#else  // POSIX

int64_t THandleStream::Read(void* Buffer, int64_t Count) {
  int64_t total = 0;
  while (total < Count) {
    ssize_t n = ::read(static_cast<int>(FHandle), static_cast<char*>(Buffer) + total,
                       static_cast<size_t>(std::min<int64_t>(Count - total, 1 << 30)));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    total += n;
  }
  return total;
}

int64_t THandleStream::Write(const void* Buffer, int64_t Count) {
  int64_t total = 0;
  while (total < Count) {
    ssize_t n = ::write(static_cast<int>(FHandle), static_cast<const char*>(Buffer) + total,
                        static_cast<size_t>(std::min<int64_t>(Count - total, 1 << 30)));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    total += n;
  }
  return total;
}

int64_t THandleStream::Seek(int64_t Offset, TSeekOrigin Origin) {
  static const int kWhence[] = {SEEK_SET, SEEK_CUR, SEEK_END};
  off_t position = ::lseek(static_cast<int>(FHandle), static_cast<off_t>(Offset), kWhence[Origin]);
  if (position < 0) throw EStreamError("Stream seek error");
  return static_cast<int64_t>(position);
}

void THandleStream::SetSize(int64_t NewSize) {
  Seek(NewSize, soBeginning);
  if (::ftruncate(static_cast<int>(FHandle), static_cast<off_t>(NewSize)) != 0)
    RaiseLastOSError();
}

TFileStream::TFileStream(const AnsiString& AFileName, uint16_t Mode)
    : THandleStream(-1), FFileName(AFileName) {
  bool create = (Mode & fmCreate) == fmCreate;
  int flags = O_CLOEXEC;
  if (create) {
    flags |= O_RDWR | O_CREAT | O_TRUNC;
  } else {
    static const int kAccess[] = {O_RDONLY, O_WRONLY, O_RDWR, -1};
    if (kAccess[Mode & 3u] < 0) {
      throw EFOpenError("Cannot open file \"%s\". %s",
                        {ExpandFileName(AFileName), SysErrorMessage(EINVAL)});
    }
    flags |= kAccess[Mode & 3u];
  }
  int fd = ::open(AFileName.c_str(), flags, 0666);
  int error = errno;
  struct stat info;
  if (fd >= 0 && ::fstat(fd, &info) == 0 && S_ISDIR(info.st_mode)) {
    ::close(fd);
    fd = -1;
    error = EISDIR;
  }
  if (fd < 0) {
    if (create)
      throw EFCreateError("Cannot create file \"%s\". %s",
                          {ExpandFileName(AFileName), SysErrorMessage(static_cast<uint32_t>(error))});
    throw EFOpenError("Cannot open file \"%s\". %s",
                      {ExpandFileName(AFileName), SysErrorMessage(static_cast<uint32_t>(error))});
  }
  FHandle = fd;
}

TFileStream::~TFileStream() {
  if (FHandle >= 0) ::close(static_cast<int>(FHandle));
}

#endif

// ---------------------------------------------------------------------------------------
// Memory streams

void TCustomMemoryStream::SetPointer(void* Ptr, int64_t Size) {
  FMemory = Ptr;
  FSize = Size;
}

int64_t TCustomMemoryStream::Read(void* Buffer, int64_t Count) {
  if (FPosition < 0 || Count <= 0 || FPosition >= FSize) return 0;
  int64_t n = std::min(Count, FSize - FPosition);
  std::memcpy(Buffer, static_cast<char*>(FMemory) + FPosition, static_cast<size_t>(n));
  FPosition += n;
  return n;
}

int64_t TCustomMemoryStream::Write(const void*, int64_t) {
  throw EStreamError("Can't write to a read-only memory stream");
}

int64_t TCustomMemoryStream::Seek(int64_t Offset, TSeekOrigin Origin) {
  int64_t base = Origin == soBeginning ? 0 : Origin == soCurrent ? FPosition : FSize;
  int64_t position = AddOffset(base, Offset);
  if (position < 0) throw EStreamError("Stream seek error");
  FPosition = position;
  return FPosition;
}

void TCustomMemoryStream::SaveToStream(TStream* Stream) {
  if (FSize > 0) Stream->WriteBuffer(FMemory, FSize);
}

void TCustomMemoryStream::SaveToFile(const AnsiString& FileName) {
  TFileStream stream(FileName, fmCreate);
  SaveToStream(&stream);
}

TMemoryStream::~TMemoryStream() { Clear(); }

void TMemoryStream::Clear() {
  std::free(FMemory);
  FMemory = nullptr;
  FCapacity = 0;
  FSize = 0;
  FPosition = 0;
}

void TMemoryStream::SetCapacity(int64_t NewCapacity) {
  if (NewCapacity <= FCapacity) return;
  // Grow by a quarter at least, in 8 KiB steps, so that appending stays linear.
  int64_t grown = std::max(NewCapacity, FCapacity + FCapacity / 4);
  if (grown <= INT64_MAX - 0x1FFF) grown = (grown + 0x1FFF) & ~int64_t{0x1FFF};
  void* memory = nullptr;
  if (static_cast<uint64_t>(grown) <= static_cast<uint64_t>(PTRDIFF_MAX))
    memory = std::realloc(FMemory, static_cast<size_t>(grown));
  if (!memory) throw EStreamError("Out of memory while expanding memory stream");
  FMemory = memory;
  FCapacity = grown;
}

void TMemoryStream::SetSize(int64_t NewSize) {
  if (NewSize < 0) throw EStreamError("Invalid stream size");
  SetCapacity(NewSize);
  if (NewSize > FSize)
    std::memset(static_cast<char*>(FMemory) + FSize, 0, static_cast<size_t>(NewSize - FSize));
  FSize = NewSize;
  if (FPosition > NewSize) FPosition = NewSize;
}

int64_t TMemoryStream::Write(const void* Buffer, int64_t Count) {
  if (FPosition < 0 || Count <= 0) return 0;
  int64_t end = AddOffset(FPosition, Count);
  if (end > FSize) {
    int64_t position = FPosition;
    SetSize(end);  // the gap from the old end to the position reads as zeros
    FPosition = position;
  }
  std::memcpy(static_cast<char*>(FMemory) + FPosition, Buffer, static_cast<size_t>(Count));
  FPosition = end;
  return Count;
}

void TMemoryStream::LoadFromStream(TStream* Stream) {
  Stream->SetPosition(0);
  int64_t count = Stream->GetSize();
  SetSize(count);
  if (count > 0) Stream->ReadBuffer(FMemory, count);
}

void TMemoryStream::LoadFromFile(const AnsiString& FileName) {
  TFileStream stream(FileName, fmOpenRead | fmShareDenyWrite);
  LoadFromStream(&stream);
}

// ---------------------------------------------------------------------------------------
// TStringStream

int64_t TStringStream::Read(void* Buffer, int64_t Count) {
  int64_t size = static_cast<int64_t>(FDataString.size());
  if (FPosition < 0 || Count <= 0 || FPosition >= size) return 0;
  int64_t n = std::min(Count, size - FPosition);
  std::memcpy(Buffer, FDataString.data() + FPosition, static_cast<size_t>(n));
  FPosition += n;
  return n;
}

int64_t TStringStream::Write(const void* Buffer, int64_t Count) {
  if (FPosition < 0 || Count <= 0) return 0;
  int64_t end = AddOffset(FPosition, Count);
  if (static_cast<uint64_t>(end) > FDataString.max_size()) return 0;
  if (end > static_cast<int64_t>(FDataString.size())) FDataString.resize(static_cast<size_t>(end));
  std::memcpy(&FDataString[static_cast<size_t>(FPosition)], Buffer, static_cast<size_t>(Count));
  FPosition = end;
  return Count;
}

int64_t TStringStream::Seek(int64_t Offset, TSeekOrigin Origin) {
  int64_t base = Origin == soBeginning  ? 0
                 : Origin == soCurrent ? FPosition
                                       : static_cast<int64_t>(FDataString.size());
  int64_t position = AddOffset(base, Offset);
  if (position < 0) throw EStreamError("Stream seek error");
  FPosition = position;
  return FPosition;
}

void TStringStream::SetSize(int64_t NewSize) {
  if (NewSize < 0) throw EStreamError("Invalid stream size");
  FDataString.resize(static_cast<size_t>(NewSize));
  if (FPosition > NewSize) FPosition = NewSize;
}

AnsiString TStringStream::ReadString(int64_t Count) {
  int64_t size = static_cast<int64_t>(FDataString.size());
  if (Count <= 0 || FPosition < 0 || FPosition >= size) return AnsiString();
  int64_t n = std::min(Count, size - FPosition);
  AnsiString result = FDataString.substr(static_cast<size_t>(FPosition), static_cast<size_t>(n));
  FPosition += n;
  return result;
}

// ---------------------------------------------------------------------------------------
// TResourceStream

#ifdef _WIN32
TResourceStream::TResourceStream(void* Instance, const AnsiString& ResName, const char* ResType) {
  HMODULE module = static_cast<HMODULE>(Instance);
  HRSRC info = FindResourceA(module, ResName.c_str(), ResType ? ResType : RT_RCDATA);
  HGLOBAL data = info ? LoadResource(module, info) : nullptr;
  void* memory = data ? LockResource(data) : nullptr;
  if (!memory) throw EResNotFound("Resource %s not found", {ResName});
  SetPointer(memory, SizeofResource(module, info));
}
#endif
