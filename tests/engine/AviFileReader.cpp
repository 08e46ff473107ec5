#include "tests/engine/AviFileReader.h"

#include <cstdio>

namespace avi_test {
namespace {

uint32_t U32(const std::vector<uint8_t>& b, uint64_t at) {
  return uint32_t(b[at]) | uint32_t(b[at + 1]) << 8 | uint32_t(b[at + 2]) << 16 |
         uint32_t(b[at + 3]) << 24;
}
uint16_t U16(const std::vector<uint8_t>& b, uint64_t at) {
  return uint16_t(b[at] | b[at + 1] << 8);
}
std::string Four(const std::vector<uint8_t>& b, uint64_t at) {
  return std::string(reinterpret_cast<const char*>(&b[at]), 4);
}

class Parser {
 public:
  explicit Parser(AviFile& file) : f(file), b(file.bytes) {}

  bool Run() {
    uint64_t at = 0;
    bool any = false;
    while (at + 12 <= b.size()) {
      if (Four(b, at) != "RIFF") break;
      const uint64_t end = at + 8 + U32(b, at + 4);
      if (end > b.size()) return Fail("a RIFF list runs past the end of the file");
      const std::string form = Four(b, at + 8);
      if (form != (any ? "AVIX" : "AVI ")) return Fail("not an AVI RIFF form: " + form);
      if (!List(at + 12, end)) return false;
      any = true;
      f.riffEnd = end;
      at = end + (end & 1);
    }
    if (!any) return Fail("no RIFF list");
    if (!sawHeader) return Fail("no main header");
    return true;
  }

 private:
  bool Fail(const std::string& why) {
    f.error = why;
    return false;
  }

  // The chunks between `at` and `end`.
  bool List(uint64_t at, uint64_t end, const std::string& listType = std::string()) {
    while (at + 8 <= end) {
      const std::string id = Four(b, at);
      const uint32_t size = U32(b, at + 4);
      const uint64_t data = at + 8;
      if (data + size > end) return Fail("chunk " + id + " runs past its list");
      if (id == "LIST") {
        if (size < 4) return Fail("a LIST without type");
        const std::string type = Four(b, data);
        if (type == "strl") streamIndex = int(f.streams.size()), f.streams.emplace_back();
        if (!List(data + 4, data + size, type)) return false;
      } else if (id == "avih") {
        if (size < 40) return Fail("short main header");
        f.microSecPerFrame = U32(b, data);
        f.width = U32(b, data + 32);
        f.height = U32(b, data + 36);
        sawHeader = true;
      } else if (id == "strh" && listType == "strl") {
        if (size < 36) return Fail("short stream header");
        AviStream& s = f.streams[size_t(streamIndex)];
        s.type = Four(b, data);
        s.scale = U32(b, data + 20);
        s.rate = U32(b, data + 24);
        s.length = U32(b, data + 32);
      } else if (id == "strf" && listType == "strl") {
        AviStream& s = f.streams[size_t(streamIndex)];
        if (s.type == "vids") {
          if (size < 40) return Fail("short bitmap header");
          s.width = int32_t(U32(b, data + 4));
          s.height = int32_t(U32(b, data + 8));
          s.bitCount = U16(b, data + 14);
          s.compression = U32(b, data + 16);
        }
      } else if (listType == "movi" || listType == "rec ") {
        const bool digits = id[0] >= '0' && id[0] <= '9' && id[1] >= '0' && id[1] <= '9';
        if (digits) {
          AviChunk chunk;
          chunk.stream = (id[0] - '0') * 10 + (id[1] - '0');
          chunk.id = id;
          chunk.offset = data;
          chunk.size = size;
          if (chunk.stream >= int(f.streams.size())) return Fail("data of an unknown stream: " + id);
          f.chunks.push_back(chunk);
        }
      }
      at = data + size + (size & 1);
    }
    return true;
  }

  AviFile& f;
  const std::vector<uint8_t>& b;
  int streamIndex = -1;
  bool sawHeader = false;
};

}  // namespace

std::vector<AviChunk> AviFile::ChunksOf(int stream) const {
  std::vector<AviChunk> out;
  for (const AviChunk& c : chunks)
    if (c.stream == stream) out.push_back(c);
  return out;
}

AviFile ParseAvi(std::vector<uint8_t> bytes) {
  AviFile file;
  file.bytes = std::move(bytes);
  Parser parser(file);
  file.valid = parser.Run();
  return file;
}

AviFile ReadAviFile(const std::string& path) {
  std::vector<uint8_t> bytes;
  if (FILE* in = std::fopen(path.c_str(), "rb")) {
    uint8_t buffer[65536];
    size_t n;
    while ((n = std::fread(buffer, 1, sizeof(buffer), in)) > 0)
      bytes.insert(bytes.end(), buffer, buffer + n);
    std::fclose(in);
  } else {
    AviFile file;
    file.error = "the file cannot be opened";
    return file;
  }
  return ParseAvi(std::move(bytes));
}

}  // namespace avi_test
