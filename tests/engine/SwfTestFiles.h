// Flash movie files for the tests: a header with the frame rectangle, rate and count, a
// few tags, and filler of bytes that do not compress.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace swf_test {

struct SwfLayout {
  bool compressed = false;
  // The frame rectangle in twips; 0 bits: the fewest the values need.
  int32_t xMin = 0, xMax = 11000, yMin = 0, yMax = 8000;
  int fieldBits = 0;
  double framesPerSecond = 25;
  uint16_t frameCount = 50;
  // The length of the uncompressed file (at least what the header and tags need); the
  // filler keeps a compressed one about as long.
  size_t fileSize = 1200;
  char signature[4] = "FWS";  // "CWS" when compressed, unless set otherwise
};

std::vector<uint8_t> BuildSwf(const SwfLayout& layout);
// Writes bytes to a file; false when it cannot.
bool WriteBytes(const std::string& path, const std::vector<uint8_t>& bytes);

}  // namespace swf_test
