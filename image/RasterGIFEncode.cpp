// GIF encoding: GIF89a with a hashed LZW coder, a literal coder (one code a pixel) or a run
// coder that writes a valid LZW code stream without building a dictionary. Pictures above
// 8 bits are written as a mosaic of 17 x 15 tiles, each with its own 256-entry table.
#include <algorithm>
#include <cstring>
#include <vector>

#include "image/RasterGIF.h"
#include "image/RasterStream.h"
#include "image/StreamFields.h"

namespace {

constexpr int kMaxBits = 12;
constexpr int kMaxCode = 1 << kMaxBits;  // 4096
constexpr int kHashSize = 5003;

// The pixels of a picture top line first, as palette indices.
class PixelWalker {
 public:
  explicit PixelWalker(const CRaster& picture)
      : m_picture(picture),
        m_row(picture.GetHeight() - 1),
        m_left(int64_t(picture.GetWidth()) * picture.GetHeight()) {}
  int Next() {
    if (m_left <= 0) return -1;
    --m_left;
    const int index = m_picture.GetPixelIndex(m_x, m_row);
    if (++m_x >= m_picture.GetWidth()) {
      m_x = 0;
      --m_row;
    }
    return index;
  }

 private:
  const CRaster& m_picture;
  int32_t m_x = 0;
  int32_t m_row;
  int64_t m_left;
};

// Codes packed little-endian into data sub-blocks of at most `packetSize` bytes.
class CodeWriter {
 public:
  CodeWriter(CRasterStream* stream, size_t packetSize) : m_stream(stream), m_packetSize(packetSize) {}

  void Put(uint32_t code, int size) {
    m_bits |= code << m_held;
    m_held += size;
    while (m_held >= 8) {
      Byte(uint8_t(m_bits));
      m_bits >>= 8;
      m_held -= 8;
    }
  }
  // The remaining bits and the pending packet.
  void Finish() {
    if (m_held > 0) Byte(uint8_t(m_bits));
    m_bits = 0;
    m_held = 0;
    Flush();
  }
  bool Failed() const { return m_failed; }

 private:
  void Byte(uint8_t b) {
    m_packet[m_count++] = b;
    if (m_count >= m_packetSize) Flush();
  }
  void Flush() {
    if (m_count == 0) return;
    const uint8_t n = uint8_t(m_count);
    if (!WriteBytes(m_stream, &n, 1) || !WriteBytes(m_stream, m_packet, m_count)) m_failed = true;
    m_count = 0;
  }

  CRasterStream* m_stream;
  size_t m_packetSize;
  uint32_t m_bits = 0;
  int m_held = 0;
  uint8_t m_packet[255];
  size_t m_count = 0;
  bool m_failed = false;
};

// The code-size bookkeeping shared by the LZW and literal coders: codes grow one bit when
// the next free code passes the largest code of the current size, and return to the
// initial size after a clear code.
class GrowingCodes {
 public:
  GrowingCodes(CodeWriter& out, int initialBits)
      : m_out(out),
        m_initial(initialBits),
        m_size(initialBits),
        m_largest((1 << initialBits) - 1),
        clear(1 << (initialBits - 1)),
        end(clear + 1),
        next(clear + 2) {}

  void Write(int code) {
    m_out.Put(uint32_t(code), m_size);
    if (next > m_largest || m_clearFlag) {
      if (m_clearFlag) {
        m_size = m_initial;
        m_largest = (1 << m_size) - 1;
        m_clearFlag = false;
      } else {
        ++m_size;
        m_largest = m_size == kMaxBits ? kMaxCode : (1 << m_size) - 1;
      }
    }
    if (code == end) m_out.Finish();
  }
  void Clear() {
    next = clear + 2;
    m_clearFlag = true;
    Write(clear);
  }

 private:
  CodeWriter& m_out;
  int m_initial;
  int m_size;
  int m_largest;
  bool m_clearFlag = false;

 public:
  const int clear;
  const int end;
  int next;
};

void CompressLzw(PixelWalker& pixels, CodeWriter& out, int initialBits) {
  GrowingCodes codes(out, initialBits);
  int shift = 0;
  for (long f = kHashSize; f < 65536; f *= 2) ++shift;
  shift = 8 - shift;
  std::vector<int32_t> hash(kHashSize, -1);
  std::vector<uint16_t> table(kHashSize, 0);
  codes.Write(codes.clear);
  int prefix = pixels.Next();
  if (prefix < 0) {
    codes.Write(codes.end);
    return;
  }
  for (int c = pixels.Next(); c >= 0; c = pixels.Next()) {
    const int32_t key = (int32_t(c) << kMaxBits) + prefix;
    int i = (c << shift) ^ prefix;
    if (hash[size_t(i)] == key) {
      prefix = table[size_t(i)];
      continue;
    }
    bool found = false;
    if (hash[size_t(i)] >= 0) {
      const int step = i == 0 ? 1 : kHashSize - i;
      for (;;) {
        i -= step;
        if (i < 0) i += kHashSize;
        if (hash[size_t(i)] == key) {
          prefix = table[size_t(i)];
          found = true;
          break;
        }
        if (hash[size_t(i)] <= 0) break;
      }
    }
    if (found) continue;
    codes.Write(prefix);
    if (codes.next < kMaxCode) {
      table[size_t(i)] = uint16_t(codes.next++);
      hash[size_t(i)] = key;
    } else {
      std::fill(hash.begin(), hash.end(), -1);
      codes.Clear();
    }
    prefix = c;
  }
  codes.Write(prefix);
  codes.Write(codes.end);
}

void CompressLiteral(PixelWalker& pixels, CodeWriter& out, int initialBits) {
  GrowingCodes codes(out, initialBits);
  codes.Write(codes.clear);
  for (int c = pixels.Next(); c >= 0; c = pixels.Next()) {
    codes.Write(c);
    if (codes.next > kMaxCode - 1)
      codes.Clear();
    else
      ++codes.next;
  }
  codes.Write(codes.end);
}

// The run coder: runs of one index become codes whose (never built) table entries the
// decoder makes for itself: after a clear, the codes base, base + 1, ... stand for runs of
// 2, 3, ... of the pixel that followed the clear, as long as the encoder keeps the
// decoder's table in step by counting its codes and clearing before the table fills.
class RunCoder {
 public:
  RunCoder(CodeWriter& out, int initialBits)
      : m_out(out),
        m_bitsStart(initialBits),
        m_clear(1 << (initialBits - 1)),
        m_end(m_clear + 1),
        m_base(m_clear + 2),
        m_bumpStart(m_clear - 1),
        m_clearStart(initialBits <= 3 ? 9 : m_clear - 2),
        m_maxCodes(kMaxCode - (m_clear + 3)) {}

  void Run(PixelWalker& pixels) {
    DidClear();
    Output(m_clear);
    for (;;) {
      const int c = pixels.Next();
      if (m_runLength > 0 && c != m_runPixel) Flush();
      if (c < 0) break;
      if (c == m_runPixel) {
        ++m_runLength;
      } else {
        m_runPixel = c;
        m_runLength = 1;
      }
    }
    Output(m_end);
    m_out.Finish();
  }

 private:
  void Output(int code) { m_out.Put(uint32_t(code), m_bits); }
  void DidClear() {
    m_bits = m_bitsStart;
    m_bump = m_bumpStart;
    m_nextClear = m_clearStart;
    m_count = 0;
    m_tableMax = 0;
    m_justCleared = true;
  }
  void Plain(int code) {
    m_justCleared = false;
    Output(code);
    ++m_count;
    if (m_count >= m_bump) {
      ++m_bits;
      m_bump += 1 << (m_bits - 1);
    }
    if (m_count >= m_nextClear) {
      Output(m_clear);
      DidClear();
    }
  }
  static uint32_t IntegerSqrt(uint32_t x) {
    if (x < 2) return x;
    uint32_t r = 1;
    for (uint32_t v = x; v; v >>= 2) r <<= 1;
    for (;;) {
      const uint32_t v = (x / r + r) / 2;
      if (v == r || v == r + 1) return r;
      r = v;
    }
  }
  // Codes needed for a run of n after a clear: 1 + 2 + ... per table of m entries.
  uint32_t Triangle(uint32_t n) const {
    const uint32_t m = uint32_t(m_maxCodes);
    const uint32_t perTable = m * (m + 1) / 2;
    uint32_t cost = 0;
    while (n >= perTable) {
      cost += m;
      n -= perTable;
    }
    if (n > 0) {
      uint32_t s = IntegerSqrt(n);
      while (s * (s + 1) >= 2 * n) --s;
      while (s * (s + 1) < 2 * n) ++s;
      cost += s;
    }
    return cost;
  }
  void ResetNextClear() {
    m_nextClear = m_clearStart;
    if (m_count >= m_nextClear) {
      Output(m_clear);
      DidClear();
    }
  }
  void FromClear(int n) {
    m_nextClear = m_maxCodes;
    m_tablePixel = m_runPixel;
    int k = 1;
    while (n > 0) {
      if (k == 1) {
        m_tableMax = 1;
        Plain(m_runPixel);
        --n;
      } else if (n >= k) {
        m_tableMax = k;
        Plain(m_base + k - 2);
        n -= k;
      } else if (n == 1) {
        ++m_tableMax;
        Plain(m_runPixel);
        n = 0;
      } else {
        ++m_tableMax;
        Plain(m_base + n - 2);
        n = 0;
      }
      k = m_count == 0 ? 1 : k + 1;
    }
    ResetNextClear();
  }
  void ClearOrRepeat(int n) {
    if (1 + int(Triangle(uint32_t(n))) < n) {
      Output(m_clear);
      DidClear();
      FromClear(n);
    } else {
      for (; n > 0; --n) Plain(m_runPixel);
    }
  }
  void WithTable(int n) {
    int repeats = n / m_tableMax;
    int leftover = n % m_tableMax;
    int extra = leftover ? 1 : 0;
    if (m_count + repeats + extra > m_maxCodes) {
      repeats = m_maxCodes - m_count;
      leftover = n - repeats * m_tableMax;
      extra = 1 + int(Triangle(uint32_t(leftover)));
    }
    if (1 + int(Triangle(uint32_t(n))) < repeats + extra) {
      Output(m_clear);
      DidClear();
      FromClear(n);
      return;
    }
    m_nextClear = m_maxCodes;
    for (; repeats > 0; --repeats) Plain(m_base + m_tableMax - 2);
    if (leftover) {
      if (m_justCleared)
        FromClear(leftover);
      else if (leftover == 1)
        Plain(m_runPixel);
      else
        Plain(m_base + leftover - 2);
    }
    ResetNextClear();
  }
  void Flush() {
    if (m_runLength == 1)
      Plain(m_runPixel);
    else if (m_justCleared)
      FromClear(m_runLength);
    else if (m_tableMax < 2 || m_tablePixel != m_runPixel)
      ClearOrRepeat(m_runLength);
    else
      WithTable(m_runLength);
    m_runLength = 0;
  }

  CodeWriter& m_out;
  const int m_bitsStart;
  const int m_clear;
  const int m_end;
  const int m_base;
  const int m_bumpStart;
  const int m_clearStart;
  const int m_maxCodes;
  int m_bits = 0;
  int m_bump = 0;
  int m_nextClear = 0;
  int m_count = 0;
  int m_tableMax = 0;
  int m_tablePixel = -1;
  bool m_justCleared = true;
  int m_runPixel = -1;
  int m_runLength = 0;
};

}  // namespace

bool CRasterGIF::WriteHeader(CRasterStream* stream) {
  uint8_t h[13];
  std::memcpy(h, "GIF89a", 6);
  StoreU16(h + 6, uint16_t(GetWidth()));
  StoreU16(h + 8, uint16_t(GetHeight()));
  if (IsPaletted()) {
    const int d = GetBitDepth() - 1;
    h[10] = uint8_t(0x80 | ((d & 3) << 5) | d);
  } else {
    h[10] = 0x11;
  }
  h[11] = 0;
  h[12] = 0;
  bool ok = WriteBytes(stream, h, sizeof h);
  for (uint32_t i = 0; ok && IsPaletted() && i < GetPaletteSize(); ++i) {
    const RGBQUAD c = GetPaletteEntry(i);
    const uint8_t rgb[3] = {c.rgbRed, c.rgbGreen, c.rgbBlue};
    ok = WriteBytes(stream, rgb, 3);
  }
  return ok;
}

bool CRasterGIF::WriteGraphicControl(CRasterStream* stream) {
  const uint8_t b[8] = {0x21,
                        0xF9,
                        4,
                        uint8_t(((m_disposal << 2) & 0x1F) | (HasTransparentColor() ? 1 : 0)),
                        uint8_t(m_info.frameDelay),
                        uint8_t(m_info.frameDelay >> 8),
                        uint8_t(GetTransparentIndex()),
                        0};
  return WriteBytes(stream, b, sizeof b);
}

bool CRasterGIF::WriteComment(CRasterStream* stream) {
  const size_t n = std::strlen(m_comment);
  if (n == 0) return true;
  const uint8_t head[3] = {0x21, 0xFE, uint8_t(n)};
  const uint8_t end = 0;
  return WriteBytes(stream, head, 3) &&
         WriteBytes(stream, reinterpret_cast<const uint8_t*>(m_comment), n) &&
         WriteBytes(stream, &end, 1);
}

bool CRasterGIF::WriteImage(CRasterStream* stream, bool localTable) {
  uint8_t d[10];
  d[0] = 0x2C;
  StoreU16(d + 1, uint16_t(m_info.placementX));
  StoreU16(d + 3, uint16_t(m_info.placementY));
  StoreU16(d + 5, uint16_t(GetWidth()));
  StoreU16(d + 7, uint16_t(GetHeight()));
  d[9] = localTable ? uint8_t(0x80 | (GetBitDepth() - 1)) : 0;
  if (!WriteBytes(stream, d, sizeof d)) return false;
  for (uint32_t i = 0; localTable && i < GetPaletteSize(); ++i) {
    const RGBQUAD c = GetPaletteEntry(i);
    const uint8_t rgb[3] = {c.rgbRed, c.rgbGreen, c.rgbBlue};
    if (!WriteBytes(stream, rgb, 3)) return false;
  }
  const uint8_t codeSize = uint8_t(std::max(2, int(GetBitDepth())));
  if (!WriteBytes(stream, &codeSize, 1)) return false;
  PixelWalker pixels(*this);
  const int option = GetFormatOption(IMAGE_FORMAT_GIF);
  if (option == GIF_COMPRESSION_RUNS) {
    CodeWriter out(stream, 255);
    RunCoder(out, codeSize + 1).Run(pixels);
    if (out.Failed()) return false;
  } else {
    CodeWriter out(stream, 254);
    if (option == GIF_COMPRESSION_LITERAL)
      CompressLiteral(pixels, out, codeSize + 1);
    else
      CompressLzw(pixels, out, codeSize + 1);
    if (out.Failed()) return false;
  }
  const uint8_t terminator = 0;
  return WriteBytes(stream, &terminator, 1);
}

bool CRasterGIF::EncodeTrueColor(CRasterStream* stream) {
  if (!WriteHeader(stream) || !WriteComment(stream)) return false;
  CRasterGIF tile;
  const int32_t w = GetWidth();
  const int32_t h = GetHeight();
  const bool transparent = GetTransparentIndex() >= 0;
  const RGBQUAD key = GetTransparentColor();
  for (int32_t y0 = 0; y0 < h; y0 += 15) {
    for (int32_t x0 = 0; x0 < w; x0 += 17) {
      const int32_t tw = std::min(17, w - x0);
      const int32_t th = std::min(15, h - y0);
      if (tw != tile.GetWidth() || th != tile.GetHeight() || !tile.HasPixels()) {
        if (!tile.Create(tw, th, 8, IMAGE_FORMAT_UNKNOWN)) {
          SetLastError(tile.GetLastError());
          return false;
        }
      }
      if (transparent) {
        tile.SetTransparentIndex(0);
        tile.SetPaletteEntry(0, key);
      }
      for (int32_t i = 0; i < th; ++i)
        for (int32_t j = 0; j < tw; ++j)
          tile.SetPaletteEntry(uint32_t(17 * i + 1 + j), GetPixelColor(x0 + j, h - y0 - th + i, true));
      for (int32_t i = 0; i < th; ++i)
        for (int32_t j = 0; j < tw; ++j)
          tile.SetPixelIndex(j, i, tile.FindNearestIndex(tile.GetPaletteEntry(uint32_t(17 * i + 1 + j))));
      tile.SetPlacement(x0, y0);
      if (!tile.WriteGraphicControl(stream) || !tile.WriteImage(stream, true)) return false;
    }
  }
  const uint8_t trailer = 0x3B;
  return WriteBytes(stream, &trailer, 1);
}

bool CRasterGIF::Encode(CRasterStream* stream) {
  if (CheckEncodeTarget(stream)) return false;
  // The screen and image sizes are 16-bit fields.
  if (GetWidth() > 65535 || GetHeight() > 65535) {
    SetLastError("Write Error in GIF file");
    return false;
  }
  bool ok;
  if (GetBitDepth() > 8) {
    ok = EncodeTrueColor(stream);
  } else {
    const uint8_t trailer = 0x3B;
    ok = WriteHeader(stream) && WriteGraphicControl(stream) && WriteComment(stream) &&
         WriteImage(stream, false) && WriteBytes(stream, &trailer, 1);
  }
  stream->Flush();
  if (!ok || stream->Error() != 0) {
    SetLastError("Write Error in GIF file");
    return false;
  }
  return true;
}
