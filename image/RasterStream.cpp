#include "image/RasterStream.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <limits>

namespace {

int SeekFile(FILE* file, int64_t offset, int origin) {
#ifdef _WIN32
  return _fseeki64(file, offset, origin);
#else
  return fseeko(file, static_cast<off_t>(offset), origin);
#endif
}

int64_t TellFile(FILE* file) {
#ifdef _WIN32
  return _ftelli64(file);
#else
  return static_cast<int64_t>(ftello(file));
#endif
}

// Positions of a memory stream stay far below the largest int64_t.
constexpr size_t kMaxPosition = size_t(1) << 48;

}  // namespace

// File stream.

CRasterFileStream::~CRasterFileStream() {
  if (m_owns && m_file) std::fclose(m_file);
}

bool CRasterFileStream::Close() {
  if (!m_file) return true;
  if (!m_owns) return true;
  const bool ok = std::fclose(m_file) == 0;
  m_file = nullptr;
  return ok;
}

size_t CRasterFileStream::Read(void* buffer, size_t itemSize, size_t count) {
  if (!m_file) return 0;
  return std::fread(buffer, itemSize, count, m_file);
}

size_t CRasterFileStream::Write(const void* buffer, size_t itemSize, size_t count) {
  if (!m_file) return 0;
  return std::fwrite(buffer, itemSize, count, m_file);
}

bool CRasterFileStream::Seek(int64_t offset, int origin) {
  if (!m_file) return false;
  return SeekFile(m_file, offset, origin) == 0;
}

int64_t CRasterFileStream::Tell() { return m_file ? TellFile(m_file) : 0; }

int64_t CRasterFileStream::Size() {
  if (!m_file) return -1;
  const int64_t position = TellFile(m_file);
  SeekFile(m_file, 0, SEEK_END);
  const int64_t end = TellFile(m_file);
  SeekFile(m_file, position, SEEK_SET);
  return end;
}

bool CRasterFileStream::Flush() { return m_file && std::fflush(m_file) == 0; }

bool CRasterFileStream::Eof() { return !m_file || std::feof(m_file) != 0; }

int32_t CRasterFileStream::Error() { return m_file ? std::ferror(m_file) : -1; }

bool CRasterFileStream::PutChar(uint8_t byte) { return m_file && std::fputc(byte, m_file) == byte; }

int CRasterFileStream::GetChar() { return m_file ? std::fgetc(m_file) : -1; }

// Memory stream.

CRasterMemoryStream::CRasterMemoryStream(uint8_t* buffer, size_t size)
    : m_buffer(buffer), m_size(size), m_owns(buffer == nullptr), m_capacity(size) {
  if (!buffer) m_size = m_capacity = 0;
}

CRasterMemoryStream::~CRasterMemoryStream() {
  if (m_owns) std::free(m_buffer);
}

bool CRasterMemoryStream::Open() {
  if (m_buffer) return false;
  m_size = m_capacity = m_position = 0;
  m_buffer = static_cast<uint8_t*>(std::malloc(1));
  m_owns = true;
  return m_buffer != nullptr;
}

uint8_t* CRasterMemoryStream::GetBuffer(bool detach) {
  if (detach) m_owns = false;
  return m_buffer;
}

bool CRasterMemoryStream::Close() {
  if (m_owns && m_buffer) {
    std::free(m_buffer);
    m_buffer = nullptr;
    m_size = 0;
  }
  return true;
}

size_t CRasterMemoryStream::Read(void* buffer, size_t itemSize, size_t count) {
  if (!m_buffer || !buffer) return 0;
  if (m_position >= m_size) return 0;
  if (itemSize == 0 || count == 0) return 0;
  const size_t available = m_size - m_position;
  // Cut to what is there; a product that would overflow asks for more than any buffer.
  size_t n = count > available / itemSize + 1 ? available : itemSize * count;
  n = std::min(n, available);
  std::memcpy(buffer, m_buffer + m_position, n);
  m_position += n;
  return n / itemSize;
}

size_t CRasterMemoryStream::Write(const void* buffer, size_t itemSize, size_t count) {
  if (!m_buffer || !buffer) return 0;
  if (itemSize == 0 || count == 0) return 0;
  if (count > kMaxPosition / itemSize) return 0;
  const size_t n = itemSize * count;
  if (m_position > kMaxPosition - n) return 0;
  if (m_capacity < m_position + n && !Grow(m_position + n)) return 0;
  ClearGap();
  std::memcpy(m_buffer + m_position, buffer, n);
  m_position += n;
  m_size = std::max(m_size, m_position);
  return count;
}

bool CRasterMemoryStream::Seek(int64_t offset, int origin) {
  if (!m_buffer) return false;
  int64_t base;
  switch (origin) {
    case SEEK_SET:
      base = 0;
      break;
    case SEEK_CUR:
      base = int64_t(m_position);
      break;
    case SEEK_END:
      base = int64_t(m_size);
      break;
    default:
      return false;
  }
  const int64_t limit = int64_t(kMaxPosition);
  offset = std::max(-limit, std::min(offset, limit));
  int64_t target = base + offset;
  if (target < 0) target = 0;
  if (target > limit) target = limit;
  m_position = size_t(target);
  return true;
}

int64_t CRasterMemoryStream::Tell() { return m_buffer ? int64_t(m_position) : -1; }

int64_t CRasterMemoryStream::Size() { return m_buffer ? int64_t(m_size) : -1; }

bool CRasterMemoryStream::Flush() { return m_buffer != nullptr; }

bool CRasterMemoryStream::Eof() { return !m_buffer || m_position >= m_size; }

int32_t CRasterMemoryStream::Error() {
  if (!m_buffer) return -1;
  return m_position > m_size ? 1 : 0;
}

bool CRasterMemoryStream::PutChar(uint8_t byte) {
  if (!m_buffer) return false;
  if (m_position >= kMaxPosition) return false;
  if (m_capacity < m_position + 1 && !Grow(m_position + 1)) return false;
  ClearGap();
  m_buffer[m_position++] = byte;
  m_size = std::max(m_size, m_position);
  return true;
}

int CRasterMemoryStream::GetChar() {
  if (!m_buffer || m_position >= m_size) return -1;
  return m_buffer[m_position++];
}

void CRasterMemoryStream::ClearGap() {
  if (m_position > m_size) std::memset(m_buffer + m_size, 0, m_position - m_size);
}

bool CRasterMemoryStream::Grow(size_t needed) {
  if (m_capacity >= needed) return true;
  // A caller's buffer is never reallocated: writing past it fails.
  if (m_buffer && !m_owns) return false;
  if (needed > kMaxPosition) return false;
  const size_t capacity = (needed & ~size_t(0xFFF)) + 4096;
  uint8_t* grown = static_cast<uint8_t*>(std::realloc(m_buffer, capacity));
  if (!grown) return false;
  m_buffer = grown;
  m_capacity = capacity;
  m_owns = true;
  return true;
}
