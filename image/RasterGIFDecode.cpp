// GIF decoding: a scan of the block structure (frames, their tables, control blocks and
// data positions) done once per file, an LZW decoder that streams rows, and a canvas that
// composes the frames in turn and stays with the decoded picture.
#include <algorithm>
#include <cstring>
#include <memory>
#include <vector>

#include "image/RasterGIF.h"
#include "image/RasterStream.h"

namespace {

// Reads a stream through a buffer, by absolute offsets counted from where decoding began.
class GifReader {
 public:
  GifReader(CRasterStream* stream, int64_t start) : m_stream(stream), m_start(start) {}

  int64_t Tell() const { return m_position; }
  void Seek(int64_t position) {
    if (position >= m_bufferAt && position <= m_bufferAt + int64_t(m_filled)) {
      m_index = size_t(position - m_bufferAt);
    } else {
      m_bufferAt = position;
      m_filled = m_index = 0;
    }
    m_position = position;
  }
  // The next byte, or -1 at the end of the stream.
  int Byte() {
    if (m_index >= m_filled && !Refill()) return -1;
    ++m_position;
    return m_buffer[m_index++];
  }
  // Exactly n bytes, or false.
  bool Read(uint8_t* out, size_t n) { return ReadSome(out, n) == n; }
  // Up to n bytes: fewer only at the end of the stream.
  size_t ReadSome(uint8_t* out, size_t n) {
    size_t got = 0;
    while (n > 0) {
      if (m_index >= m_filled && !Refill()) return got;
      const size_t take = std::min(n, m_filled - m_index);
      std::memcpy(out, m_buffer + m_index, take);
      m_index += take;
      m_position += int64_t(take);
      out += take;
      n -= take;
      got += take;
    }
    return got;
  }
  void Skip(int64_t n) { Seek(m_position + n); }

 private:
  bool Refill() {
    m_bufferAt = m_position;
    m_filled = m_index = 0;
    if (!m_stream->Seek(m_start + m_position, SEEK_SET)) return false;
    m_filled = m_stream->Read(m_buffer, 1, sizeof m_buffer);
    return m_filled > 0;
  }

  CRasterStream* m_stream;
  int64_t m_start;
  int64_t m_position = 0;
  int64_t m_bufferAt = 0;
  size_t m_filled = 0;
  size_t m_index = 0;
  uint8_t m_buffer[16384];
};

struct ColourTable {
  uint8_t rgb[256 * 3] = {};
  uint32_t count = 0;  // 0 = none
};

// A colour table as the frames see it: the global one, or a local one kept at its own
// size in the animation's pool.
struct TableView {
  const uint8_t* rgb;
  uint32_t count;  // 0 = none

  bool SameAs(const TableView& other) const {
    return count == other.count && std::memcmp(rgb, other.rgb, size_t(count) * 3) == 0;
  }
};

struct LocalTable {
  size_t offset;   // of its red, green, blue bytes in the pool
  uint32_t count;  // entries
};

struct GifFrame {
  int32_t left = 0, top = 0, width = 0, height = 0;
  bool interlaced = false;
  int32_t table = -1;  // index into the animation's local tables, -1 = the global table
  int64_t data = 0;    // offset of the LZW minimum code size byte
  int32_t disposal = 0;
  bool transparent = false;
  uint8_t transparentIndex = 0;
  uint16_t delay = 0;  // hundredths of a second
  int64_t dataBytes = 0;
};

// The block structure of one file and the canvas of the last frame composed.
class GifAnimation : public CRasterContinuation {
 public:
  // Identity of the file the scan describes.
  int64_t size = -1;
  uint64_t fingerprint = 0;

  int32_t screenWidth = 0, screenHeight = 0;
  ColourTable global;
  std::vector<LocalTable> locals;
  std::vector<uint8_t> localBytes;  // the local tables' entries, one after the other
  std::vector<GifFrame> frames;
  int32_t loopCount = 0;
  char comment[256] = {};
  int32_t lastDisposal = 0;

  // How the frames are composed: on an index canvas when every frame uses one table
  // (depth, and the transparent index when the canvas can show through), else in colour.
  bool indexed = true;
  int32_t depth = 8;
  bool seeThrough = false;  // the canvas may show the background somewhere
  int32_t transparentIndex = -1;

  std::vector<uint8_t> canvas;  // indexed: one byte a pixel; else blue, green, red, alpha
  std::vector<uint8_t> saved;   // the rectangle under the composed frame, for disposal 3
  int32_t composed = -1;        // the frame the canvas shows; -1 none

  TableView Local(size_t k) const {
    return TableView{localBytes.data() + locals[k].offset, locals[k].count};
  }
  TableView TableOf(const GifFrame& f) const {
    return f.table < 0 ? TableView{global.rgb, global.count} : Local(size_t(f.table));
  }
  size_t PixelBytes() const { return indexed ? 1 : 4; }
};

// FNV-1a over 8-byte words (the tail byte by byte).
uint64_t Fnv(uint64_t h, const uint8_t* p, size_t n) {
  size_t i = 0;
  for (; i + 8 <= n; i += 8) {
    uint64_t word;
    std::memcpy(&word, p + i, 8);
    h = (h ^ word) * 0x100000001B3ull;
  }
  for (; i < n; ++i) h = (h ^ p[i]) * 0x100000001B3ull;
  return h;
}

// The size of the stream from the start, and a hash of its first and last bytes: enough
// to tell whether a later decode reads the same file.
bool Identify(GifReader& in, int64_t streamSize, int64_t& size, uint64_t& fingerprint) {
  if (streamSize < 0) return false;
  size = streamSize;
  uint8_t block[4096];
  uint64_t h = Fnv(0xCBF29CE484222325ull, reinterpret_cast<const uint8_t*>(&size), sizeof size);
  const size_t head = size_t(std::min<int64_t>(size, sizeof block));
  in.Seek(0);
  if (!in.Read(block, head)) return false;
  h = Fnv(h, block, head);
  in.Seek(size - int64_t(head));
  if (!in.Read(block, head)) return false;
  fingerprint = Fnv(h, block, head);
  return true;
}

// Skips data sub-blocks up to and including the zero-length terminator, counting their
// bytes; false when the stream ends first.
bool SkipSubBlocks(GifReader& in, int64_t* bytes = nullptr) {
  for (;;) {
    const int n = in.Byte();
    if (n < 0) return false;
    if (n == 0) return true;
    in.Skip(n);
    if (bytes) *bytes += n;
  }
}

bool ReadTable(GifReader& in, uint8_t flags, ColourTable& table) {
  table.count = 1u << ((flags & 7) + 1);
  return in.Read(table.rgb, size_t(table.count) * 3);
}

// Walks the blocks after the header and global table: extensions, images, the trailer.
// A byte that introduces no block is passed over up to the next zero byte.
void ScanBlocks(GifReader& in, GifAnimation& a) {
  GifFrame pending;  // control-block values for the next image
  bool resync = false;
  for (;;) {
    const int b = in.Byte();
    if (b < 0 || b == 0x3B) return;
    if (resync) {
      if (b == 0) resync = false;
      continue;
    }
    if (b == 0x21) {
      const int label = in.Byte();
      if (label < 0) return;
      if (label == 0xFF) {
        // Application extension: an 11-byte identifier, then the loop count in the first
        // sub-block.
        uint8_t id[12];
        if (in.Byte() != 11 || !in.Read(id, 11)) return;
        const int n = in.Byte();
        if (n < 0) return;
        uint8_t sub[255];
        if (!in.Read(sub, size_t(n))) return;
        if (n > 2) a.loopCount = sub[1] | sub[2] << 8;
        if (n > 0 && !SkipSubBlocks(in)) return;
        continue;
      }
      const int n = in.Byte();
      if (n < 0) return;
      uint8_t sub[255];
      if (!in.Read(sub, size_t(n))) return;
      if (label == 0xF9 && n == 4) {
        pending.disposal = (sub[0] >> 2) & 7;
        pending.transparent = (sub[0] & 1) != 0;
        pending.transparentIndex = sub[3];
        pending.delay = uint16_t(sub[1] | sub[2] << 8);
        a.lastDisposal = pending.disposal;
      } else if (label == 0xFE) {
        std::memcpy(a.comment, sub, size_t(n));
        a.comment[n] = '\0';
      }
      if (n > 0 && !SkipSubBlocks(in)) return;
      continue;
    }
    if (b == 0x2C) {
      uint8_t d[9];
      if (!in.Read(d, sizeof d)) return;
      GifFrame f = pending;
      pending = GifFrame();
      f.left = d[0] | d[1] << 8;
      f.top = d[2] | d[3] << 8;
      f.width = d[4] | d[5] << 8;
      f.height = d[6] | d[7] << 8;
      f.interlaced = (d[8] & 0x40) != 0;
      if (f.left + f.width > a.screenWidth || f.top + f.height > a.screenHeight) {
        // An image reaching past the screen is not one of the frames: its table and data
        // are passed over as bytes that introduce no block, up to the next zero byte.
        resync = true;
        continue;
      }
      if (d[8] & 0x80) {
        ColourTable table;
        if (!ReadTable(in, d[8], table)) return;
        // Consecutive frames often repeat one local table: keep it once.
        const TableView read{table.rgb, table.count};
        const bool repeated =
            !a.locals.empty() && a.Local(a.locals.size() - 1).SameAs(read);
        if (!repeated) {
          a.locals.push_back(LocalTable{a.localBytes.size(), table.count});
          a.localBytes.insert(a.localBytes.end(), table.rgb, table.rgb + size_t(table.count) * 3);
        }
        f.table = int32_t(a.locals.size() - 1);
      }
      f.data = in.Tell();
      const bool complete = in.Byte() >= 0 && SkipSubBlocks(in, &f.dataBytes);
      a.frames.push_back(f);
      if (!complete) return;
      continue;
    }
    if (b != 0) resync = true;
  }
}

// The most pixels that LZW data of `bytes` bytes can give. The smallest codes (3 bits, a
// minimum code size of 2) leave the most table entries; the n-th code after a clear code
// stands for at most n pixels, and once the table is full every code (12 bits) for at
// most as many as its longest entry.
uint64_t MostLzwPixels(uint64_t bytes) {
  struct Step {
    uint64_t bits, pixels;  // spent and given after the codes up to this one
  };
  static const std::vector<Step> steps = [] {
    std::vector<Step> list;
    uint64_t bits = 0, pixels = 0;
    int codeSize = 3, limit = 8, next = 6;
    for (uint64_t n = 1;; ++n) {
      bits += uint64_t(codeSize);
      pixels += n;
      list.push_back(Step{bits, pixels});
      if (next >= 4096) break;
      if (n > 1) ++next;
      if (next >= limit && codeSize < 12) {
        ++codeSize;
        limit <<= 1;
      }
    }
    return list;
  }();
  const uint64_t budget = std::min<uint64_t>(bytes, uint64_t(1) << 40) * 8;
  const Step& last = steps.back();
  if (budget >= last.bits) return last.pixels + (budget - last.bits) / 12 * uint64_t(steps.size());
  const auto it = std::upper_bound(steps.begin(), steps.end(), budget,
                                   [](uint64_t b, const Step& s) { return b < s.bits; });
  return it == steps.begin() ? 0 : (it - 1)->pixels;
}

// Whether the screen is a size the file's data could fill: its frames can cover no more
// than their sizes and their data's reach. Screens up to a megapixel pass whatever they
// hold, so a tiny file cannot make the decoder allocate a huge canvas.
bool ScreenFitsData(const GifAnimation& a) {
  const uint64_t screen = uint64_t(a.screenWidth) * uint64_t(a.screenHeight);
  uint64_t reach = uint64_t(1) << 20;
  for (const GifFrame& f : a.frames) {
    reach += std::min(uint64_t(f.width) * uint64_t(f.height), MostLzwPixels(uint64_t(f.dataBytes)));
    if (reach >= screen) return true;
  }
  return reach >= screen;
}

int32_t DepthFor(uint32_t colours) { return colours <= 2 ? 1 : colours <= 16 ? 4 : 8; }

// Chooses how the frames are composed (see GifAnimation).
void ChooseComposition(GifAnimation& a) {
  const GifFrame& first = a.frames.front();
  const size_t last = a.frames.size() - 1;
  a.seeThrough = first.transparent || first.left > 0 || first.top > 0 ||
                 first.left + first.width < a.screenWidth ||
                 first.top + first.height < a.screenHeight;
  for (size_t k = 0; k < last; ++k)
    if (a.frames[k].disposal == 2 || (k == 0 && a.frames[k].disposal == 3)) a.seeThrough = true;

  const TableView table = a.TableOf(first);
  bool oneTable = table.count > 0;
  for (const GifFrame& f : a.frames)
    if (!a.TableOf(f).SameAs(table)) oneTable = false;
  a.indexed = oneTable;
  a.depth = DepthFor(table.count);
  a.transparentIndex = -1;
  if (a.indexed && a.seeThrough) {
    // One index must stand for the background in every frame.
    for (const GifFrame& f : a.frames)
      if (!f.transparent || f.transparentIndex != first.transparentIndex) a.indexed = false;
    if (first.transparentIndex >= (1u << a.depth)) a.indexed = false;
    if (a.indexed) a.transparentIndex = first.transparentIndex;
  }
}

// Streams the LZW codes of one image into its rows.
class LzwDecoder {
 public:
  // Decodes `data` (the concatenated sub-blocks) with minimum code size `s`, calling
  // row(lineNumber, indices) for each complete row in the order the data holds them and
  // once for a last partial row; stops at the end code, a bad code, the end of the data
  // or after `rows` rows.
  template <typename Row>
  static void Run(const uint8_t* data, size_t size, int s, int32_t width, int32_t rows,
                  std::vector<uint8_t>& line, Row&& row) {
    if (s < 2 || s > 8 || width <= 0 || rows <= 0) return;
    uint16_t prefix[4096];
    uint8_t suffix[4096];
    uint8_t first[4096];
    uint16_t length[4096];
    uint8_t string[4096];
    const int clear = 1 << s;
    const int end = clear + 1;
    for (int i = 0; i < clear; ++i) {
      suffix[i] = first[i] = uint8_t(i);
      length[i] = 1;
      prefix[i] = 0;
    }
    int codeSize = s + 1;
    int limit = 1 << codeSize;
    int next = clear + 2;
    int old = -1;
    line.assign(size_t(width), 0);
    size_t fill = 0;
    int32_t done = 0;
    size_t pos = 0;
    uint32_t bits = 0;
    int held = 0;
    for (;;) {
      while (held < codeSize) {
        if (pos >= size) goto finish;
        bits |= uint32_t(data[pos++]) << held;
        held += 8;
      }
      const int code = int(bits & ((1u << codeSize) - 1));
      bits >>= codeSize;
      held -= codeSize;
      if (code == clear) {
        codeSize = s + 1;
        limit = 1 << codeSize;
        next = clear + 2;
        old = -1;
        continue;
      }
      if (code == end) break;
      int out;
      if (old < 0) {
        if (code > clear) break;  // nothing to build on yet
        out = code;
      } else if (code < next) {
        out = code;
        if (next < 4096) {
          prefix[next] = uint16_t(old);
          suffix[next] = first[code];
          first[next] = first[old];
          length[next] = uint16_t(length[old] + 1);
          ++next;
        }
      } else if (code == next && next < 4096) {
        prefix[next] = uint16_t(old);
        suffix[next] = first[old];
        first[next] = first[old];
        length[next] = uint16_t(length[old] + 1);
        ++next;
        out = code;
      } else {
        break;  // a code the table cannot have yet: the data is damaged
      }
      if (next >= limit && codeSize < 12) {
        ++codeSize;
        limit <<= 1;
      }
      old = code;
      // The string of `out`, last byte first, then into the rows.
      const int n = length[out];
      int c = out;
      for (int i = n - 1; i >= 0; --i) {
        string[i] = suffix[c];
        c = prefix[c];
      }
      for (int i = 0; i < n;) {
        const size_t take = std::min(size_t(n - i), size_t(width) - fill);
        std::memcpy(line.data() + fill, string + i, take);
        fill += take;
        i += int(take);
        if (fill == size_t(width)) {
          row(done, line.data(), width);
          fill = 0;
          if (++done == rows) return;
        }
      }
    }
  finish:
    if (fill > 0) row(done, line.data(), int32_t(fill));
  }
};

// The frame row that the n-th row of the data fills.
int32_t InterlacedRow(int32_t n, int32_t height) {
  const int32_t pass1 = (height + 7) / 8;
  if (n < pass1) return n * 8;
  n -= pass1;
  const int32_t pass2 = (height + 3) / 8;
  if (n < pass2) return 4 + n * 8;
  n -= pass2;
  const int32_t pass3 = (height + 1) / 4;
  if (n < pass3) return 2 + n * 4;
  n -= pass3;
  return 1 + n * 2;
}

struct Rect {
  int32_t left, top, right, bottom;  // clipped to the screen
};

Rect Clip(const GifAnimation& a, const GifFrame& f) {
  Rect r;
  r.left = std::min(f.left, a.screenWidth);
  r.top = std::min(f.top, a.screenHeight);
  r.right = std::min(f.left + f.width, a.screenWidth);
  r.bottom = std::min(f.top + f.height, a.screenHeight);
  return r;
}

void FillBackground(GifAnimation& a, const Rect& r) {
  const size_t bytes = a.PixelBytes();
  const uint8_t value = a.indexed ? uint8_t(std::max(a.transparentIndex, 0)) : 0;
  for (int32_t y = r.top; y < r.bottom; ++y)
    std::memset(a.canvas.data() + (size_t(y) * size_t(a.screenWidth) + size_t(r.left)) * bytes,
                value, size_t(r.right - r.left) * bytes);
}

// Copies the rectangle out of the canvas (save) or back into it (restore).
void MoveRectangle(GifAnimation& a, const Rect& r, bool save) {
  const size_t bytes = a.PixelBytes();
  if (r.right <= r.left || r.bottom <= r.top) return;
  const size_t span = size_t(r.right - r.left) * bytes;
  if (save) a.saved.resize(span * size_t(r.bottom - r.top));
  if (a.saved.size() != span * size_t(r.bottom - r.top)) return;
  for (int32_t y = r.top; y < r.bottom; ++y) {
    uint8_t* c = a.canvas.data() + (size_t(y) * size_t(a.screenWidth) + size_t(r.left)) * bytes;
    uint8_t* s = a.saved.data() + size_t(y - r.top) * span;
    if (save)
      std::memcpy(s, c, span);
    else
      std::memcpy(c, s, span);
  }
}

// Draws frame k's pixels over the canvas; false when the stream fails.
void DrawFrame(GifReader& in, GifAnimation& a, const GifFrame& f, std::vector<uint8_t>& data,
               std::vector<uint8_t>& line) {
  in.Seek(f.data);
  const int s = in.Byte();
  if (s < 0) return;
  data.clear();
  for (;;) {
    const int n = in.Byte();
    if (n <= 0) break;
    const size_t at = data.size();
    data.resize(at + size_t(n));
    const size_t got = in.ReadSome(data.data() + at, size_t(n));
    if (got < size_t(n)) {  // the file ends inside this sub-block
      data.resize(at + got);
      break;
    }
  }
  const Rect r = Clip(a, f);
  const TableView table = a.TableOf(f);
  const size_t bytes = a.PixelBytes();
  LzwDecoder::Run(data.data(), data.size(), s, f.width, f.height, line,
                  [&](int32_t n, const uint8_t* indices, int32_t count) {
                    const int32_t y = f.top + (f.interlaced ? InterlacedRow(n, f.height) : n);
                    if (y < r.top || y >= r.bottom) return;
                    const int32_t stop = std::min(r.right - f.left, count);
                    uint8_t* out = a.canvas.data() + size_t(y) * size_t(a.screenWidth) * bytes;
                    if (bytes == 1 && !f.transparent) {
                      if (stop > 0) std::memcpy(out + f.left, indices, size_t(stop));
                      return;
                    }
                    for (int32_t x = 0; x < stop; ++x) {
                      const uint8_t index = indices[x];
                      if (f.transparent && index == f.transparentIndex) continue;
                      uint8_t* p = out + size_t(f.left + x) * bytes;
                      if (bytes == 1) {
                        *p = index;
                      } else if (index < table.count) {
                        p[0] = table.rgb[3 * index + 2];
                        p[1] = table.rgb[3 * index + 1];
                        p[2] = table.rgb[3 * index];
                        p[3] = 255;
                      } else {
                        p[0] = p[1] = p[2] = 0;
                        p[3] = 255;
                      }
                    }
                  });
}

}  // namespace

int64_t CRasterGIF::DecodeImageData(const uint8_t* data, size_t size, int minCodeSize,
                                    int32_t width, int32_t height, uint8_t* indices) {
  int64_t decoded = 0;
  std::vector<uint8_t> line;
  LzwDecoder::Run(data, size, minCodeSize, width, height, line,
                  [&](int32_t n, const uint8_t* row, int32_t count) {
                    std::memcpy(indices + size_t(n) * size_t(width), row, size_t(count));
                    decoded += count;
                  });
  return decoded;
}

void CRasterGIF::SetComment(const char* text) {
  std::strncpy(m_comment, text ? text : "", sizeof m_comment - 1);
  m_comment[sizeof m_comment - 1] = '\0';
}

bool CRasterGIF::Decode(CRasterStream* stream) {
  // The state of the caller's last decode, when it was one of ours; dropped unless this
  // decode succeeds.
  std::unique_ptr<CRasterContinuation> taken = TakeContinuation();
  if (!stream) return false;
  const int64_t start = stream->Tell();
  if (start < 0) return false;
  GifReader in(stream, start);
  uint8_t header[13];
  if (!in.Read(header, sizeof header) || std::memcmp(header, "GIF8", 4) != 0) return false;
  int32_t screenWidth = header[6] | header[7] << 8;
  int32_t screenHeight = header[8] | header[9] << 8;
  if (m_info.cancelRequest == -1) {
    m_header.biWidth = screenWidth;
    m_header.biHeight = screenHeight;
    return true;
  }

  std::unique_ptr<GifAnimation> a(dynamic_cast<GifAnimation*>(taken.get()));
  if (a) taken.release();
  int64_t size = -1;
  uint64_t fingerprint = 0;
  const int64_t streamSize = stream->Size();
  const bool known = streamSize >= start && Identify(in, streamSize - start, size, fingerprint);
  if (!a || !known || a->size != size || a->fingerprint != fingerprint) {
    a.reset(new GifAnimation);
    a->size = size;
    a->fingerprint = fingerprint;
    a->screenWidth = screenWidth;
    a->screenHeight = screenHeight;
    in.Seek(13);
    if ((header[10] & 0x80) && !ReadTable(in, header[10], a->global)) return false;
    ScanBlocks(in, *a);
    if (!a->frames.empty()) ChooseComposition(*a);
  }
  if (!ScreenFitsData(*a)) {
    SetLastError("GIF screen larger than its data can fill");
    return false;
  }
  m_loopCount = a->loopCount;
  m_disposal = a->lastDisposal;
  std::memcpy(m_comment, a->comment, sizeof m_comment);
  const int32_t count = int32_t(std::min<size_t>(a->frames.size(), INT32_MAX));
  m_info.frameCount = count;
  const int32_t target = m_info.frameToDecode;
  if (target < 0 || target >= count) return false;

  const size_t bytes = a->PixelBytes();
  const uint64_t canvasBytes = uint64_t(a->screenWidth) * uint64_t(a->screenHeight) * bytes;
  if (canvasBytes == 0) return false;
  if (canvasBytes > kMaxMemory) {
    SetLastError("RASTER_MAX_MEMORY exceeded");
    return false;
  }
  if (a->composed > target || a->canvas.size() != canvasBytes) {
    a->canvas.assign(size_t(canvasBytes), 0);
    a->composed = -1;
    FillBackground(*a, Rect{0, 0, a->screenWidth, a->screenHeight});
  }
  std::vector<uint8_t> data, line;
  while (a->composed < target) {
    if (m_info.cancelRequest > 0) return false;
    if (a->composed >= 0) {
      const GifFrame& shown = a->frames[size_t(a->composed)];
      if (shown.disposal == 2) FillBackground(*a, Clip(*a, shown));
      if (shown.disposal == 3) MoveRectangle(*a, Clip(*a, shown), false);
    }
    const GifFrame& f = a->frames[size_t(a->composed + 1)];
    if (f.disposal == 3) MoveRectangle(*a, Clip(*a, f), true);
    DrawFrame(in, *a, f, data, line);
    ++a->composed;
  }
  if (m_info.cancelRequest > 0) return false;

  // The picture of the composed canvas.
  const int32_t w = a->screenWidth;
  const int32_t h = a->screenHeight;
  const bool alpha = !a->indexed && a->seeThrough;
  if (!Create(w, h, a->indexed ? a->depth : 24, IMAGE_FORMAT_GIF)) return false;
  if (alpha && !CreateAlphaPlane()) return false;
  if (a->indexed) {
    const TableView table = a->TableOf(a->frames[size_t(target)]);
    RGBQUAD* palette = GetPalette();
    for (uint32_t i = 0; i < GetPaletteSize(); ++i) {
      if (i < table.count) {
        palette[i].rgbRed = table.rgb[3 * i];
        palette[i].rgbGreen = table.rgb[3 * i + 1];
        palette[i].rgbBlue = table.rgb[3 * i + 2];
      } else if (a->transparentIndex >= 0) {
        palette[i].rgbRed = palette[i].rgbGreen = palette[i].rgbBlue = 255;
      }
      palette[i].rgbReserved = 0;
    }
    ForgetNearestColor();
    SetTransparentIndex(a->transparentIndex);
  }
  for (int32_t line = 0; line < h; ++line) {
    const uint8_t* src = a->canvas.data() + size_t(line) * size_t(w) * bytes;
    const int32_t y = h - 1 - line;
    uint8_t* out = GetRowPointer(y);
    if (a->indexed) {
      if (a->depth == 8) {
        std::memcpy(out, src, size_t(w));
      } else {
        std::memset(out, 0, GetRowBytes());
        for (int32_t x = 0; x < w; ++x) SetPixelIndex(x, y, src[x]);
      }
    } else {
      uint8_t* plane = alpha ? GetAlphaPointer(0, y) : nullptr;
      for (int32_t x = 0; x < w; ++x) {
        out[3 * x] = src[4 * x];
        out[3 * x + 1] = src[4 * x + 1];
        out[3 * x + 2] = src[4 * x + 2];
        if (plane) plane[x] = src[4 * x + 3];
      }
    }
  }
  m_info.frameDelay = a->frames[size_t(target)].delay;
  m_info.frameCount = count;
  SetContinuation(std::move(a));
  return true;
}
