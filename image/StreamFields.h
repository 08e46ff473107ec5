// Little-endian fields read from and written to a CRasterStream one by one, as the file
// formats lay them out.
#pragma once

#include <algorithm>
#include <cstdint>

#include "image/RasterStream.h"

inline uint16_t LoadU16(const uint8_t* p) { return uint16_t(p[0] | p[1] << 8); }
inline uint32_t LoadU32(const uint8_t* p) {
  return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}
inline int32_t LoadI32(const uint8_t* p) { return static_cast<int32_t>(LoadU32(p)); }
inline void StoreU16(uint8_t* p, uint16_t v) {
  p[0] = uint8_t(v);
  p[1] = uint8_t(v >> 8);
}
inline void StoreU32(uint8_t* p, uint32_t v) {
  for (int i = 0; i < 4; ++i) p[i] = uint8_t(v >> (8 * i));
}

// Reads exactly n bytes; false on a short read.
inline bool ReadBytes(CRasterStream* s, uint8_t* p, size_t n) { return s->Read(p, 1, n) == n; }
inline bool WriteBytes(CRasterStream* s, const uint8_t* p, size_t n) {
  return n == 0 || s->Write(p, 1, n) == n;
}
inline bool ReadU16(CRasterStream* s, uint16_t& v) {
  uint8_t b[2];
  if (!ReadBytes(s, b, 2)) return false;
  v = LoadU16(b);
  return true;
}
inline bool ReadU32(CRasterStream* s, uint32_t& v) {
  uint8_t b[4];
  if (!ReadBytes(s, b, 4)) return false;
  v = LoadU32(b);
  return true;
}
inline bool WriteU16(CRasterStream* s, uint16_t v) {
  uint8_t b[2];
  StoreU16(b, v);
  return WriteBytes(s, b, 2);
}
inline bool WriteU32(CRasterStream* s, uint32_t v) {
  uint8_t b[4];
  StoreU32(b, v);
  return WriteBytes(s, b, 4);
}

// Reads up to n bytes and clears what the stream could not give; returns the bytes read.
inline size_t ReadOrClear(CRasterStream* s, uint8_t* p, size_t n) {
  size_t got = 0;
  while (got < n) {
    const size_t r = s->Read(p + got, 1, n - got);
    if (r == 0) break;
    got += r;
  }
  for (size_t i = got; i < n; ++i) p[i] = 0;
  return got;
}

// Bytes between the stream's position and its end; -1 when the stream cannot tell.
inline int64_t BytesLeft(CRasterStream* s) {
  const int64_t size = s->Size();
  const int64_t here = s->Tell();
  if (size < 0 || here < 0) return -1;
  return size > here ? size - here : 0;
}

// Whether nothing is left to read (a file stream knows its end before a read meets it).
inline bool AtEnd(CRasterStream* s) {
  const int64_t left = BytesLeft(s);
  return left >= 0 ? left == 0 : s->Eof();
}

// Reads a stream a byte at a time through a buffer of its own (for run-length and text
// formats). The stream's position runs ahead of what was taken.
class CStreamByteReader {
 public:
  explicit CStreamByteReader(CRasterStream* stream) : m_stream(stream) {}
  // The next byte, or -1 at the end.
  int Get() {
    if (m_position == m_end && !Fill()) return -1;
    return m_buffer[m_position++];
  }
  // The next byte without taking it, or -1 at the end.
  int Peek() {
    if (m_position == m_end && !Fill()) return -1;
    return m_buffer[m_position];
  }
  // Up to n bytes; returns how many were taken.
  size_t Read(uint8_t* p, size_t n) {
    size_t got = 0;
    while (got < n) {
      if (m_position == m_end && !Fill()) break;
      const size_t take = std::min(n - got, m_end - m_position);
      for (size_t i = 0; i < take; ++i) p[got + i] = m_buffer[m_position + i];
      m_position += take;
      got += take;
    }
    return got;
  }
  bool AtEnd() { return m_position == m_end && ::AtEnd(m_stream); }
  // Bytes not yet taken, in the buffer and in the stream; -1 when the stream cannot tell.
  int64_t Left() {
    const int64_t rest = BytesLeft(m_stream);
    return rest < 0 ? -1 : rest + int64_t(m_end - m_position);
  }

 private:
  bool Fill() {
    m_position = 0;
    m_end = m_stream->Read(m_buffer, 1, sizeof m_buffer);
    return m_end > 0;
  }

  CRasterStream* m_stream;
  uint8_t m_buffer[4096];
  size_t m_position = 0;
  size_t m_end = 0;
};

// A decimal number starting at the reader's position (text headers such as PNM's and
// PGX's); false when no digit is there or the number passes `limit`.
inline bool ReadDecimal(CStreamByteReader& in, uint32_t limit, uint32_t& value) {
  int c = in.Peek();
  if (c < '0' || c > '9') return false;
  uint64_t v = 0;
  while (c >= '0' && c <= '9') {
    v = v * 10 + uint32_t(c - '0');
    if (v > limit) return false;
    in.Get();
    c = in.Peek();
  }
  value = uint32_t(v);
  return true;
}
