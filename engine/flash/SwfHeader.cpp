#include "engine/flash/SwfHeader.h"

#include <zlib.h>

#include <cstring>

namespace {

constexpr size_t kSignatureSize = 8;  // signature, version, file length
// A compressed header is inflated into this many bytes: enough for the largest frame
// rectangle (17 bytes) and the frame rate and count.
constexpr size_t kInflatedHeadSize = 32;

bool SignatureIs(const uint8_t* data, char first) {
  auto upper = [](uint8_t c) { return c >= 'a' && c <= 'z' ? uint8_t(c - 'a' + 'A') : c; };
  return upper(data[0]) == uint8_t(first) && upper(data[1]) == 'W' && upper(data[2]) == 'S';
}

// Bits taken most significant first.
class BitReader {
 public:
  BitReader(const uint8_t* data, size_t size) : m_data(data), m_bits(uint64_t(size) * 8) {}
  bool Has(uint64_t count) const { return m_position + count <= m_bits; }
  uint32_t Unsigned(unsigned count) {
    uint32_t value = 0;
    for (unsigned i = 0; i < count; ++i, ++m_position)
      value = value << 1 | ((m_data[m_position / 8] >> (7 - m_position % 8)) & 1u);
    return value;
  }
  int32_t Signed(unsigned count) {
    if (count == 0) return 0;
    const uint32_t value = Unsigned(count);
    const uint32_t sign = 1u << (count - 1);
    return static_cast<int32_t>(static_cast<int64_t>(value ^ sign) - static_cast<int64_t>(sign));
  }
  size_t WholeBytes() const { return static_cast<size_t>((m_position + 7) / 8); }

 private:
  const uint8_t* m_data;
  uint64_t m_bits;
  uint64_t m_position = 0;
};

// Inflates the start of a zlib stream into `out`; the number of bytes made, or -1 when
// the stream is damaged. A stream cut short is no error: only its start is wanted.
long InflateStart(const uint8_t* data, size_t size, uint8_t* out, size_t capacity) {
  z_stream stream;
  std::memset(&stream, 0, sizeof(stream));
  if (inflateInit(&stream) != Z_OK) return -1;
  stream.next_in = const_cast<Bytef*>(data);
  stream.avail_in = static_cast<uInt>(size);
  stream.next_out = out;
  stream.avail_out = static_cast<uInt>(capacity);
  const int result = inflate(&stream, Z_SYNC_FLUSH);
  const long made = static_cast<long>(stream.total_out);
  inflateEnd(&stream);
  if (result != Z_OK && result != Z_STREAM_END && result != Z_BUF_ERROR) return -1;
  return made;
}

}  // namespace

HRESULT ParseSwfHeader(const uint8_t* data, size_t size, SwfHeader* header) {
  if (!header || (!data && size != 0)) return E_POINTER;
  if (size > kSwfHeadSize) size = kSwfHeadSize;
  if (size <= kSignatureSize) return E_FAIL;

  SwfHeader parsed;
  const uint8_t* head = data + kSignatureSize;
  size_t headSize = size - kSignatureSize;
  uint8_t inflated[kInflatedHeadSize];
  if (SignatureIs(data, 'C')) {
    const long made = InflateStart(head, headSize, inflated, sizeof(inflated));
    if (made < 0) return E_FAIL;
    head = inflated;
    headSize = static_cast<size_t>(made);
    parsed.compressed = true;
  } else if (!SignatureIs(data, 'F')) {
    return E_FAIL;
  }

  BitReader bits(head, headSize);
  if (!bits.Has(5)) return E_FAIL;
  const unsigned fieldSize = bits.Unsigned(5);
  if (!bits.Has(uint64_t(fieldSize) * 4)) return E_FAIL;
  const int32_t xMin = bits.Signed(fieldSize);
  const int32_t xMax = bits.Signed(fieldSize);
  const int32_t yMin = bits.Signed(fieldSize);
  const int32_t yMax = bits.Signed(fieldSize);
  parsed.left = xMin / 20;
  parsed.right = xMax / 20;
  parsed.top = yMin / 20;
  parsed.bottom = yMax / 20;
  const int64_t width = int64_t(parsed.right) - parsed.left;
  const int64_t height = int64_t(parsed.bottom) - parsed.top;
  if (width <= 0 || height <= 0 || width > kMaxSwfSide || height > kMaxSwfSide) return E_FAIL;

  const size_t timing = bits.WholeBytes();
  if (timing + 4 <= headSize) {
    parsed.hasTiming = true;
    parsed.frameRate = static_cast<uint16_t>(head[timing] | head[timing + 1] << 8);
    parsed.frameCount = static_cast<uint16_t>(head[timing + 2] | head[timing + 3] << 8);
  }
  *header = parsed;
  return S_OK;
}
