// The byte streams every codec reads and writes through: an open runtime-library file or a
// block of memory. A memory stream either reads a caller's bytes (never owning them) or,
// opened empty, writes into a buffer that grows by whole 4096-byte pages and can be handed
// to the caller. Streams report failures only by their results; they write no text.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>

class CRasterStream {
 public:
  virtual ~CRasterStream() = default;
  virtual bool Close() = 0;
  virtual size_t Read(void* buffer, size_t itemSize, size_t count) = 0;
  virtual size_t Write(const void* buffer, size_t itemSize, size_t count) = 0;
  // origin 0 from the start, 1 from the current position, 2 from the end.
  virtual bool Seek(int64_t offset, int origin) = 0;
  virtual int64_t Tell() = 0;
  virtual int64_t Size() = 0;  // -1 when unknown
  virtual bool Flush() = 0;
  virtual bool Eof() = 0;
  virtual int32_t Error() = 0;
  virtual bool PutChar(uint8_t byte) { return Write(&byte, 1, 1) == 1; }
  virtual int GetChar() = 0;  // 0..255, or -1 at the end
};

class CRasterFileStream : public CRasterStream {
 public:
  // Holds the handle; owns it only when the handle is null.
  explicit CRasterFileStream(FILE* file = nullptr) : m_file(file), m_owns(file == nullptr) {}
  ~CRasterFileStream() override;
  CRasterFileStream(const CRasterFileStream&) = delete;
  CRasterFileStream& operator=(const CRasterFileStream&) = delete;

  bool Close() override;
  size_t Read(void* buffer, size_t itemSize, size_t count) override;
  size_t Write(const void* buffer, size_t itemSize, size_t count) override;
  bool Seek(int64_t offset, int origin) override;
  int64_t Tell() override;
  int64_t Size() override;
  bool Flush() override;
  bool Eof() override;
  int32_t Error() override;
  bool PutChar(uint8_t byte) override;
  int GetChar() override;

 private:
  FILE* m_file;
  bool m_owns;
};

class CRasterMemoryStream : public CRasterStream {
 public:
  // Over a caller's buffer (not owned), or empty when the buffer is null.
  CRasterMemoryStream(uint8_t* buffer = nullptr, size_t size = 0);
  ~CRasterMemoryStream() override;
  CRasterMemoryStream(const CRasterMemoryStream&) = delete;
  CRasterMemoryStream& operator=(const CRasterMemoryStream&) = delete;

  // An empty stream gets a buffer of its own to write into; false when one is attached.
  bool Open();
  // With detach the caller takes the buffer and frees it with CRaster::FreeBuffer.
  uint8_t* GetBuffer(bool detach);
  size_t GetCapacity() const { return m_capacity; }

  bool Close() override;
  size_t Read(void* buffer, size_t itemSize, size_t count) override;
  size_t Write(const void* buffer, size_t itemSize, size_t count) override;
  bool Seek(int64_t offset, int origin) override;
  int64_t Tell() override;
  int64_t Size() override;
  bool Flush() override;
  bool Eof() override;
  int32_t Error() override;
  bool PutChar(uint8_t byte) override;
  int GetChar() override;

 private:
  // Makes the capacity at least `needed`; false when it cannot (allocation failure, or a
  // caller's buffer, which is never reallocated).
  bool Grow(size_t needed);
  // Zeroes the bytes between the size and a position a seek left beyond it, before a
  // write there raises the size (the caller gets them with the rest).
  void ClearGap();

  uint8_t* m_buffer;
  size_t m_size;
  bool m_owns;
  size_t m_position = 0;
  size_t m_capacity;
};
