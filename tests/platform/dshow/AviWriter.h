// A minimal writer of uncompressed RGB24 AVI files for the tests: one video stream,
// frames of the FrameByte pattern, an index; every field written little-endian, one by one.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct AviClip {
  int width = 64;
  int height = 48;
  int frames = 20;
  uint32_t rate = 10;       // frames per second
  uint32_t firstIndex = 0;  // the number coded in the first frame
};

std::vector<uint8_t> BuildAvi(const AviClip& avi);
// Writes the file; false when it cannot be written.
bool WriteAvi(const std::wstring& path, const AviClip& avi);
