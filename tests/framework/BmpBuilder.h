// Bitmap and icon files built byte by byte for the tests, so that every header kind and
// every damage can be written down exactly.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <vector>

#include "framework/GraphicsBmp.h"

struct TBmpLayout {
  uint32_t headerSize = 40;
  int32_t width = 1;
  int32_t height = 1;
  uint16_t bits = 24;
  uint32_t compression = 0;
  uint32_t clrUsed = 0;
  std::vector<uint8_t> masks;  // 12 bytes: after a 40-byte header, else inside the header
  std::vector<uint8_t> table;  // the colour table as stored
  std::vector<uint8_t> pixels;
};

inline void PutLE(std::vector<uint8_t>& out, uint32_t value, int bytes) {
  for (int i = 0; i < bytes; ++i) out.push_back(uint8_t(value >> (8 * i)));
}

// A whole bitmap file with a right file size and pixel offset.
inline std::vector<uint8_t> BuildBmp(const TBmpLayout& s) {
  std::vector<uint8_t> info;
  if (s.headerSize == 12) {
    PutLE(info, 12, 4);
    PutLE(info, uint32_t(s.width), 2);
    PutLE(info, uint32_t(s.height), 2);
    PutLE(info, 1, 2);
    PutLE(info, s.bits, 2);
  } else {
    PutLE(info, s.headerSize, 4);
    PutLE(info, uint32_t(s.width), 4);
    PutLE(info, uint32_t(s.height), 4);
    PutLE(info, 1, 2);
    PutLE(info, s.bits, 2);
    PutLE(info, s.compression, 4);
    PutLE(info, uint32_t(s.pixels.size()), 4);
    PutLE(info, 0, 4);
    PutLE(info, 0, 4);
    PutLE(info, s.clrUsed, 4);
    PutLE(info, 0, 4);
    if (s.headerSize > 40) {
      info.insert(info.end(), s.masks.begin(), s.masks.end());
      info.resize(s.headerSize, 0);
    } else {
      info.insert(info.end(), s.masks.begin(), s.masks.end());
    }
  }
  const uint32_t offBits = uint32_t(14 + info.size() + s.table.size());
  std::vector<uint8_t> file = {'B', 'M'};
  PutLE(file, uint32_t(offBits + s.pixels.size()), 4);
  PutLE(file, 0, 4);
  PutLE(file, offBits, 4);
  file.insert(file.end(), info.begin(), info.end());
  file.insert(file.end(), s.table.begin(), s.table.end());
  file.insert(file.end(), s.pixels.begin(), s.pixels.end());
  return file;
}

struct TBgr {
  uint8_t b, g, r;
};

// A 24-bit picture from pixels listed bottom row first, left to right.
inline TBmpLayout Layout24(int32_t width, int32_t height, std::initializer_list<TBgr> pixels) {
  TBmpLayout s;
  s.width = width;
  s.height = height;
  s.bits = 24;
  const size_t stride = TDibImage::RowBytes(width, 24);
  s.pixels.assign(stride * size_t(height), 0);
  size_t i = 0;
  for (const TBgr& p : pixels) {
    size_t row = i / size_t(width), col = i % size_t(width);
    uint8_t* at = s.pixels.data() + row * stride + col * 3;
    at[0] = p.b;
    at[1] = p.g;
    at[2] = p.r;
    ++i;
  }
  return s;
}

// One picture of an icon file: information header (twice the height), 32-bit colour
// pixels all of Bgra, and an all-opaque mask.
inline std::vector<uint8_t> IconPicture(int width, int height, uint32_t bgra = 0xFF0000FFu) {
  std::vector<uint8_t> p;
  PutLE(p, 40, 4);
  PutLE(p, uint32_t(width), 4);
  PutLE(p, uint32_t(height * 2), 4);
  PutLE(p, 1, 2);
  PutLE(p, 32, 2);
  PutLE(p, 0, 4);
  const size_t maskBytes = TDibImage::RowBytes(width, 1) * size_t(height);
  PutLE(p, uint32_t(size_t(width) * size_t(height) * 4 + maskBytes), 4);
  for (int i = 0; i < 4; ++i) PutLE(p, 0, 4);
  for (int i = 0; i < width * height; ++i) PutLE(p, bgra, 4);
  p.resize(p.size() + maskBytes, 0);
  return p;
}

struct TIconEntry {
  int width, height, bits;
  std::vector<uint8_t> picture;
};

inline std::vector<uint8_t> BuildIcon(const std::vector<TIconEntry>& pictures) {
  std::vector<uint8_t> file;
  PutLE(file, 0, 2);
  PutLE(file, 1, 2);
  PutLE(file, uint32_t(pictures.size()), 2);
  uint32_t offset = uint32_t(6 + 16 * pictures.size());
  for (const TIconEntry& p : pictures) {
    file.push_back(uint8_t(p.width >= 256 ? 0 : p.width));
    file.push_back(uint8_t(p.height >= 256 ? 0 : p.height));
    file.push_back(0);
    file.push_back(0);
    PutLE(file, 1, 2);
    PutLE(file, uint32_t(p.bits), 2);
    PutLE(file, uint32_t(p.picture.size()), 4);
    PutLE(file, offset, 4);
    offset += uint32_t(p.picture.size());
  }
  for (const TIconEntry& p : pictures) file.insert(file.end(), p.picture.begin(), p.picture.end());
  return file;
}
