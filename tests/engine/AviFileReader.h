// A small reader of the AVI files the engine records, for the tests: the RIFF lists walked
// chunk by chunk (every size checked against the file), the main header, each stream's
// header and format, and the data chunks of the "movi" lists in file order.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace avi_test {

struct AviStream {
  std::string type;  // "vids", "auds"
  uint32_t scale = 0;
  uint32_t rate = 0;
  uint32_t length = 0;
  // Video streams: the bitmap header's fields.
  int32_t width = 0;
  int32_t height = 0;
  uint16_t bitCount = 0;
  uint32_t compression = 0;
};

struct AviChunk {
  int stream = -1;  // from the chunk id's two digits
  std::string id;   // "00db", "00dc", "01wb"
  uint64_t offset = 0;  // of the chunk's data in the file
  uint32_t size = 0;
};

struct AviFile {
  bool valid = false;
  std::string error;   // why the file is not valid
  uint64_t riffEnd = 0;  // the end of the last RIFF list in the file
  uint32_t microSecPerFrame = 0;
  uint32_t width = 0;
  uint32_t height = 0;
  std::vector<AviStream> streams;
  std::vector<AviChunk> chunks;  // data chunks of every stream, in file order
  std::vector<uint8_t> bytes;    // the whole file

  // The data chunks of one stream.
  std::vector<AviChunk> ChunksOf(int stream) const;
  const uint8_t* Data(const AviChunk& chunk) const { return bytes.data() + chunk.offset; }
};

AviFile ReadAviFile(const std::string& path);
AviFile ParseAvi(std::vector<uint8_t> bytes);

}  // namespace avi_test
