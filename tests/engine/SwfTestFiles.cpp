#include "tests/engine/SwfTestFiles.h"

#include <zlib.h>

#include <cstdio>
#include <cstring>

namespace swf_test {
namespace {

class BitWriter {
 public:
  void Put(uint32_t value, int bits) {
    for (int i = bits - 1; i >= 0; --i) {
      if (m_used == 0) m_bytes.push_back(0);
      if ((value >> i) & 1u) m_bytes.back() |= uint8_t(0x80u >> m_used);
      m_used = (m_used + 1) % 8;
    }
  }
  std::vector<uint8_t> Take() { return m_bytes; }

 private:
  std::vector<uint8_t> m_bytes;
  int m_used = 0;
};

int BitsFor(int32_t value) {
  int bits = 1;
  while (bits < 32 && (value < -(int64_t(1) << (bits - 1)) || value >= (int64_t(1) << (bits - 1))))
    ++bits;
  return bits;
}

void PutU16(std::vector<uint8_t>& out, uint16_t v) {
  out.push_back(uint8_t(v));
  out.push_back(uint8_t(v >> 8));
}

void PutU32(std::vector<uint8_t>& out, uint32_t v) {
  for (int i = 0; i < 4; ++i) out.push_back(uint8_t(v >> (8 * i)));
}

}  // namespace

std::vector<uint8_t> BuildSwf(const SwfLayout& layout) {
  int bits = layout.fieldBits;
  if (bits == 0) {
    for (int32_t v : {layout.xMin, layout.xMax, layout.yMin, layout.yMax})
      if (BitsFor(v) > bits) bits = BitsFor(v);
  }
  BitWriter rect;
  rect.Put(uint32_t(bits), 5);
  for (int32_t v : {layout.xMin, layout.xMax, layout.yMin, layout.yMax}) rect.Put(uint32_t(v), bits);
  std::vector<uint8_t> body = rect.Take();
  PutU16(body, uint16_t(layout.framesPerSecond * 256 + 0.5));
  PutU16(body, layout.frameCount);
  // SetBackgroundColor (tag 9, 3 bytes), then filler in a tag the player skips (tag 255,
  // long form), then End.
  PutU16(body, uint16_t(9 << 6 | 3));
  body.insert(body.end(), {0x20, 0x40, 0x60});
  // The file: 8 bytes of signature and length, the body so far, the filler tag's 6 bytes
  // of header, the filler and the 2 bytes of End.
  const size_t framing = 8 + body.size() + 6 + 2;
  const size_t filler = layout.fileSize > framing ? layout.fileSize - framing : 0;
  PutU16(body, uint16_t(255 << 6 | 0x3F));
  PutU32(body, uint32_t(filler));
  uint32_t seed = 12345;
  for (size_t i = 0; i < filler; ++i) {
    seed = seed * 1103515245u + 12345u;
    body.push_back(uint8_t(seed >> 16));
  }
  PutU16(body, 0);

  const char* signature = layout.signature;
  if (layout.compressed && std::strcmp(signature, "FWS") == 0) signature = "CWS";
  std::vector<uint8_t> file(signature, signature + 3);
  file.push_back(10);  // version
  PutU32(file, uint32_t(8 + body.size()));
  if (!layout.compressed) {
    file.insert(file.end(), body.begin(), body.end());
    return file;
  }
  uLongf packedSize = compressBound(uLong(body.size()));
  std::vector<uint8_t> packed(packedSize);
  compress2(packed.data(), &packedSize, body.data(), uLong(body.size()), 9);
  file.insert(file.end(), packed.begin(), packed.begin() + long(packedSize));
  return file;
}

bool WriteBytes(const std::string& path, const std::vector<uint8_t>& bytes) {
  FILE* out = std::fopen(path.c_str(), "wb");
  if (!out) return false;
  const bool ok = std::fwrite(bytes.data(), 1, bytes.size(), out) == bytes.size();
  return std::fclose(out) == 0 && ok;
}

}  // namespace swf_test
