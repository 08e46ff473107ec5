// Little-endian fields read from and written to a CRasterStream one by one, as the file
// formats lay them out.
#pragma once

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
