// Sun raster files: eight 32-bit big-endian header fields (magic, width, height, depth,
// data length, type, colour-map type, colour-map length), the colour map (all reds, all
// greens, all blues), then the rows from the top, each padded to 16 bits. Types: 0 and 1
// plain, 2 byte-encoded (0x80 n v: n + 1 copies of v; 0x80 0: the byte 0x80), 3 plain with
// red first. 1-bit pixels: 1 is black; 24 and 32 bits: blue, green, red (a pad byte first
// at 32 bits), red first in type 3.
#include "image/RasterJasPer.h"

#include <new>
#include <vector>

#include "image/StreamFields.h"

namespace {

constexpr uint32_t kMagic = 0x59A66A95;
constexpr uint32_t kTypeOld = 0;
constexpr uint32_t kTypeStandard = 1;
constexpr uint32_t kTypeByteEncoded = 2;
constexpr uint32_t kTypeRgb = 3;
constexpr uint32_t kMapNone = 0;
constexpr uint32_t kMapEqualRgb = 1;

uint32_t LoadBigU32(const uint8_t* p) {
  return uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | p[3];
}

void StoreBigU32(uint8_t* p, uint32_t v) {
  for (int i = 0; i < 4; ++i) p[i] = uint8_t(v >> (24 - 8 * i));
}

// The data bytes, plain or byte-encoded.
class RasData {
 public:
  RasData(CStreamByteReader& in, bool encoded) : m_in(in), m_encoded(encoded) {}
  // Fills `n` bytes; false when the data ends first.
  bool Read(uint8_t* p, size_t n) {
    if (!m_encoded) return m_in.Read(p, n) == n;
    for (size_t i = 0; i < n; ++i) {
      if (m_repeat == 0) {
        const int c = m_in.Get();
        if (c < 0) return false;
        if (c != 0x80) {
          m_value = uint8_t(c);
          m_repeat = 1;
        } else {
          const int count = m_in.Get();
          if (count < 0) return false;
          if (count == 0) {
            m_value = 0x80;
            m_repeat = 1;
          } else {
            const int value = m_in.Get();
            if (value < 0) return false;
            m_value = uint8_t(value);
            m_repeat = uint32_t(count) + 1;
          }
        }
      }
      p[i] = m_value;
      --m_repeat;
    }
    return true;
  }

 private:
  CStreamByteReader& m_in;
  bool m_encoded;
  uint32_t m_repeat = 0;
  uint8_t m_value = 0;
};

}  // namespace

bool CRasterRAS::Decode(CRasterStream* stream) {
  if (!stream) return false;
  auto fail = [this]() {
    SetLastError("error: cannot load image data");
    return false;
  };
  uint8_t header[32];
  if (!ReadBytes(stream, header, sizeof header) || LoadBigU32(header) != kMagic) return fail();
  const int32_t width = int32_t(LoadBigU32(header + 4));
  const int32_t height = int32_t(LoadBigU32(header + 8));
  const uint32_t depth = LoadBigU32(header + 12);
  const uint32_t type = LoadBigU32(header + 20);
  const uint32_t mapType = LoadBigU32(header + 24);
  const uint32_t mapLength = LoadBigU32(header + 28);
  if (width <= 0 || height <= 0) return fail();
  if (depth != 1 && depth != 8 && depth != 24 && depth != 32) return fail();
  if (type != kTypeOld && type != kTypeStandard && type != kTypeByteEncoded && type != kTypeRgb) return fail();
  if (mapType != kMapNone && mapType != kMapEqualRgb && mapType != 2) return fail();
  if (mapType == kMapNone && mapLength != 0) return fail();
  if (mapLength > 3 * 256 || (mapType == kMapEqualRgb && mapLength % 3 != 0)) return fail();
  const bool colours = depth >= 24;
  // A colour map may turn the indices into three components (see below): counted as three.
  const bool mayMap = mapType == kMapEqualRgb && mapLength > 0 && depth <= 8;
  const uint64_t samples = uint64_t(width) * uint64_t(height) * (colours || mayMap ? 3 : 1);
  if (samples * 4 > kMaxComponentBytes) return SetLastError("error: cannot allocate memory"), false;
  const uint64_t rowBytes = (uint64_t(width) * depth + 15) / 16 * 2;

  CStreamByteReader in(stream);
  uint8_t map[3 * 256] = {};
  if (in.Read(map, mapLength) != mapLength) return fail();
  const uint32_t entries = mapType == kMapEqualRgb ? mapLength / 3 : 0;
  const bool bigger = type == kTypeByteEncoded;
  const int64_t left = in.Left();
  // Byte-encoded data gives at most 256 bytes for 3.
  if (left >= 0 && uint64_t(left) * (bigger ? 86 : 1) < rowBytes * uint64_t(height)) return fail();

  // With a colour map, indices become colours, unless the map is the grey ramp.
  bool mapped = entries > 0 && depth <= 8;
  if (mapped && entries == (1u << depth)) {
    bool ramp = true;
    for (uint32_t i = 0; i < entries && ramp; ++i) {
      const uint32_t v = i * 255 / (entries - 1);
      ramp = map[i] == v && map[entries + i] == v && map[2 * entries + i] == v;
    }
    mapped = !ramp;
  }
  RasterComponents list;
  list.space = colours || mapped ? ComponentSpace::kRgb : ComponentSpace::kGrey;
  list.components.resize(colours || mapped ? 3 : 1);
  try {
    for (RasterComponent& c : list.components) c.Allocate(width, height, depth == 1 && !mapped ? 1 : 8);
  } catch (const std::bad_alloc&) {
    return SetLastError("error: cannot allocate memory"), false;
  }
  RasData data(in, type == kTypeByteEncoded);
  std::vector<uint8_t> row(static_cast<size_t>(rowBytes));
  for (int32_t y = 0; y < height; ++y) {
    if (!data.Read(row.data(), row.size())) return fail();
    for (int32_t x = 0; x < width; ++x) {
      const size_t i = size_t(y) * size_t(width) + size_t(x);
      if (colours) {
        const uint8_t* p = row.data() + size_t(x) * (depth / 8) + (depth == 32 ? 1 : 0);
        const bool rgb = type == kTypeRgb;
        list.components[0].owned[i] = rgb ? p[0] : p[2];
        list.components[1].owned[i] = p[1];
        list.components[2].owned[i] = rgb ? p[2] : p[0];
        continue;
      }
      uint32_t index = depth == 8 ? row[size_t(x)] : (row[size_t(x) >> 3] >> (7 - (x & 7))) & 1;
      if (mapped) {
        if (index >= entries) index = entries - 1;
        for (int ch = 0; ch < 3; ++ch) list.components[size_t(ch)].owned[i] = map[size_t(ch) * entries + index];
      } else {
        // Without a colour map a set bit is black.
        list.components[0].owned[i] = int32_t(depth == 1 && entries == 0 ? 1 - index : index);
      }
    }
  }
  return BuildFromComponents(list, IMAGE_FORMAT_RAS);
}

bool CRasterRAS::Encode(CRasterStream* stream) {
  if (CheckEncodeTarget(stream)) return false;
  RasterComponents list;
  if (!ComponentsFromPicture(list)) return false;
  const int32_t w = GetWidth();
  const int32_t h = GetHeight();
  const bool grey = list.components.size() == 1;
  const uint32_t depth = grey ? 8 : 24;
  const size_t rowBytes = (size_t(w) * depth + 15) / 16 * 2;
  if (uint64_t(rowBytes) * uint64_t(h) > UINT32_MAX) {
    SetLastError("error: cannot encode image\n");
    return false;
  }
  std::vector<uint8_t> out(32 + rowBytes * size_t(h), 0);
  StoreBigU32(out.data(), kMagic);
  StoreBigU32(out.data() + 4, uint32_t(w));
  StoreBigU32(out.data() + 8, uint32_t(h));
  StoreBigU32(out.data() + 12, depth);
  StoreBigU32(out.data() + 16, uint32_t(rowBytes * size_t(h)));
  StoreBigU32(out.data() + 20, kTypeStandard);
  for (int32_t y = 0; y < h; ++y) {
    uint8_t* row = out.data() + 32 + size_t(y) * rowBytes;
    for (int32_t x = 0; x < w; ++x) {
      const size_t i = size_t(y) * size_t(w) + size_t(x);
      if (grey) {
        row[x] = uint8_t(list.components[0].owned[i]);
      } else {
        row[3 * x] = uint8_t(list.components[2].owned[i]);
        row[3 * x + 1] = uint8_t(list.components[1].owned[i]);
        row[3 * x + 2] = uint8_t(list.components[0].owned[i]);
      }
    }
  }
  if (!WriteBytes(stream, out.data(), out.size())) {
    SetLastError("error: cannot encode image\n");
    return false;
  }
  return true;
}
