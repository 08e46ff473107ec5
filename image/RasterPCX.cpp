// PCX files: a 128-byte header, then every line as its planes one after another, each
// plane as long as the header's bytes per line, run-length coded (a byte with its two top
// bits set counts the byte after it); 8-bit single-plane files end with the byte 12 and a
// 256-colour palette.
#include "image/RasterPCX.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "image/StreamFields.h"

namespace {

constexpr size_t kHeaderSize = 128;
constexpr uint8_t kPaletteSignature = 12;

// How the planes of a line make the picture's pixels.
enum class Layout {
  kTrueColour,  // 3 or 4 planes of 8 bits: red, green, blue (and alpha)
  kPacked,      // 1 plane of 1, 2, 4 or 8 bits per pixel
  kPlanar,      // 2 to 4 planes of 1 bit: plane i gives bit i of the index
};

// Stored row y from one decoded line (the planes one after another).
void StoreLine(CRaster& image, Layout layout, const uint8_t* line, size_t bytesPerLine,
               int planes, int bits, int32_t y) {
  const int32_t width = image.GetWidth();
  switch (layout) {
    case Layout::kTrueColour: {
      uint8_t* row = image.GetRowPointer(y);
      const uint8_t* red = line;
      const uint8_t* green = line + bytesPerLine;
      const uint8_t* blue = line + 2 * bytesPerLine;
      for (int32_t x = 0; x < width; ++x) {
        row[3 * x] = blue[x];
        row[3 * x + 1] = green[x];
        row[3 * x + 2] = red[x];
      }
      if (planes == 4) {
        const uint8_t* alpha = line + 3 * bytesPerLine;
        std::memcpy(image.GetAlphaPointer(0, y), alpha, size_t(width));
      }
      break;
    }
    case Layout::kPacked:
      for (int32_t x = 0; x < width; ++x) {
        uint8_t index;
        switch (bits) {
          case 8:
            index = line[x];
            break;
          case 4:
            index = (line[x >> 1] >> (x & 1 ? 0 : 4)) & 0x0F;
            break;
          case 2:
            index = (line[x >> 2] >> (6 - 2 * (x & 3))) & 0x03;
            break;
          default:
            index = (line[x >> 3] >> (7 - (x & 7))) & 0x01;
            break;
        }
        image.SetPixelIndex(x, y, index);
      }
      break;
    case Layout::kPlanar:
      for (int32_t x = 0; x < width; ++x) {
        uint8_t index = 0;
        for (int i = 0; i < planes; ++i)
          index |= uint8_t(((line[size_t(i) * bytesPerLine + (x >> 3)] >> (7 - (x & 7))) & 1) << i);
        image.SetPixelIndex(x, y, index);
      }
      break;
  }
}

// The byte packer of the encoder: runs of equal bytes of one line, at most 63 long. A
// closing value of -1 writes the last run, -2 also adds a 0 byte (odd widths).
class BytePacker {
 public:
  explicit BytePacker(std::vector<uint8_t>& out) : m_out(out) {}
  void Put(int value) {
    if (value != m_last && m_count != 0) {
      WriteRun();
      m_count = 0;
    } else if (m_count == 63) {
      m_out.push_back(255);
      m_out.push_back(uint8_t(m_last));
      m_count = 0;
    }
    if (value == -2) m_out.push_back(0);
    m_last = value;
    ++m_count;
  }
  // Starts a new line.
  void Reset() {
    m_last = 0;
    m_count = 0;
  }

 private:
  void WriteRun() {
    if (m_count == 1 && m_last < 192) {
      m_out.push_back(uint8_t(m_last));
    } else {
      m_out.push_back(uint8_t(192 + m_count));
      m_out.push_back(uint8_t(m_last));
    }
  }
  std::vector<uint8_t>& m_out;
  int m_last = 0;
  int m_count = 0;
};

// The line coder of the encoder: a whole plane line in runs of at most 63 equal bytes.
void CodeLine(const uint8_t* line, size_t length, std::vector<uint8_t>& out) {
  size_t i = 0;
  while (i < length) {
    size_t run = 1;
    while (i + run < length && run < 63 && line[i + run] == line[i]) ++run;
    if (run > 1 || line[i] >= 192) out.push_back(uint8_t(192 + run));
    out.push_back(line[i]);
    i += run;
  }
}

}  // namespace

bool CRasterPCX::Decode(CRasterStream* stream) {
  if (!stream) return false;
  auto fail = [this](const char* text) {
    SetLastError(text);
    return false;
  };
  uint8_t header[kHeaderSize];
  if (!ReadBytes(stream, header, sizeof header)) return fail("Can't read PCX image");
  if (header[0] != 10) return fail("Error: Not a PCX file");
  if (header[2] != 1) return fail("PCX file has unknown encoding scheme");
  const int bits = header[3];
  const int64_t width = int64_t(LoadU16(header + 8)) - LoadU16(header + 4) + 1;
  const int64_t height = int64_t(LoadU16(header + 10)) - LoadU16(header + 6) + 1;
  const int planes = header[65];
  const size_t bytesPerLine = LoadU16(header + 66);
  if (planes > 4) return fail("Can't handle image with more than 4 planes");
  // An inverted box, no planes or a depth the format lacks describe no picture.
  if (width <= 0 || height <= 0 || planes == 0) return fail("corrupted PCX");
  if (bits != 1 && bits != 2 && bits != 4 && bits != 8) return fail("corrupted PCX");

  Layout layout;
  int depth;
  if (planes >= 3 && bits == 8) {
    layout = Layout::kTrueColour;
    depth = 24;
  } else if (planes == 1) {
    layout = Layout::kPacked;
    depth = bits;
  } else if (bits == 1) {
    layout = Layout::kPlanar;
    depth = planes;  // 2 to 4 bits of index: a 16-colour picture
  } else {
    return fail("Can't handle more than 1 bit per pixel");
  }
  // Every plane line must hold the row's pixels.
  const uint64_t rowBytes =
      layout == Layout::kTrueColour ? uint64_t(width) : (uint64_t(width) * bits + 7) / 8;
  if (bytesPerLine < rowBytes) return fail("corrupted PCX");
  const uint64_t lineBytes = uint64_t(bytesPerLine) * uint64_t(planes);
  const uint64_t total = lineBytes * uint64_t(height);
  // Two coded bytes give at most 63 bytes: a file too short for the data fails before the
  // picture is made.
  const int64_t left = BytesLeft(stream);
  if (left >= 0 && (uint64_t(left) + 1) / 2 * 63 < total) return fail("corrupted PCX");

  if (!Create(int32_t(width), int32_t(height), depth, IMAGE_FORMAT_PCX)) return false;
  if (planes == 4 && layout == Layout::kTrueColour && !CreateAlphaPlane())
    return fail("CRaster::Create can't allocate memory");
  Clear(0);
  SetDpiX(LoadU16(header + 12));
  SetDpiY(LoadU16(header + 14));
  if (m_info.cancelRequest != 0) return fail("Cancelled");

  CStreamByteReader reader(stream);
  std::vector<uint8_t> line(static_cast<size_t>(lineBytes));
  uint64_t missing = total;  // bytes still to decode
  uint32_t repeat = 0;       // run carried into the next line
  uint8_t value = 0;
  for (int64_t m = 0; m < height; ++m) {
    if (m_info.cancelRequest != 0) return fail("Cancelled");
    size_t p = 0;
    while (p < line.size()) {
      if (repeat == 0) {
        if (reader.AtEnd()) return fail("corrupted PCX");
        const int code = reader.Get();
        if (code < 0) return fail("corrupted PCX");
        if ((code & 0xC0) == 0xC0) {
          repeat = uint32_t(code & 0x3F);
          if (repeat > missing) return fail("repeat count spans end of image");
          if (reader.AtEnd()) return fail("corrupted PCX");
          const int next = reader.Get();
          if (next < 0) return fail("corrupted PCX");
          value = uint8_t(next);
          if (repeat == 0) continue;
        } else {
          repeat = 1;
          value = uint8_t(code);
        }
      }
      const size_t n = std::min<size_t>(repeat, line.size() - p);
      std::memset(line.data() + p, value, n);
      p += n;
      repeat -= uint32_t(n);
      missing -= n;
    }
    StoreLine(*this, layout, line.data(), bytesPerLine, planes, bits, int32_t(height - 1 - m));
  }

  // The palette: the header's 16 entries, or the 256 after the data.
  uint8_t table[256 * 3] = {};
  std::memcpy(table, header + 16, 48);
  if (layout == Layout::kPacked && bits == 8) {
    if (reader.Get() != kPaletteSignature) return fail("bad color map signature");
    reader.Read(table, sizeof table);
  } else if (layout == Layout::kPacked && bits == 1) {
    std::memset(table, 0, 3);
    std::memset(table + 3, 255, 3);
  }
  for (uint32_t i = 0; i < GetPaletteSize(); ++i)
    SetPaletteEntry(i, table[3 * i], table[3 * i + 1], table[3 * i + 2], 0);
  m_info.frameCount = 1;
  return true;
}

bool CRasterPCX::Encode(CRasterStream* stream) {
  if (CheckEncodeTarget(stream)) return false;
  const int32_t width = GetWidth();
  const int32_t height = GetHeight();
  const int32_t depth = GetBitDepth();
  const bool paletted = IsPaletted();
  int bits;
  int planes;
  uint32_t bytesPerLine;
  if (depth >= 8) {
    bits = 8;
    planes = paletted ? 1 : HasAlphaPlane() ? 4 : 3;
    bytesPerLine = uint32_t(width);
  } else {
    bits = 1;
    planes = GetPaletteSize() == 16 ? 4 : 1;
    bytesPerLine = (uint32_t(width) + 7) / 8;
  }
  bytesPerLine += bytesPerLine & 1;
  if (width > 0x10000 || height > 0x10000 || bytesPerLine > 0xFFFF) {
    SetLastError("Can't save this image as PCX");
    return false;
  }

  uint8_t header[kHeaderSize] = {};
  header[0] = 10;
  header[1] = 5;
  header[2] = 1;
  header[3] = uint8_t(bits);
  StoreU16(header + 8, uint16_t(width - 1));
  StoreU16(header + 10, uint16_t(height - 1));
  StoreU16(header + 12, uint16_t(std::min(GetDpiX(), 0xFFFF)));
  StoreU16(header + 14, uint16_t(std::min(GetDpiY(), 0xFFFF)));
  const RGBQUAD* palette = GetPalette();
  if (bits == 1 && planes == 1) {
    std::memset(header + 19, 255, 3);  // entry 0 black, entry 1 white
  } else if (bits == 1) {
    for (int i = 0; i < 16; ++i) {
      header[16 + 3 * i] = palette[i].rgbRed;
      header[16 + 3 * i + 1] = palette[i].rgbGreen;
      header[16 + 3 * i + 2] = palette[i].rgbBlue;
    }
  }
  header[65] = uint8_t(planes);
  StoreU16(header + 66, uint16_t(bytesPerLine));
  StoreU16(header + 68, paletted ? 0 : 1);
  if (!WriteBytes(stream, header, sizeof header)) {
    SetLastError("cannot write PCX header");
    return false;
  }

  std::vector<uint8_t> coded;
  BytePacker packer(coded);
  const int closing = (width & 1) ? -2 : -1;
  std::vector<uint8_t> indices(static_cast<size_t>(width));
  std::vector<uint8_t> planeLine(bytesPerLine);
  const bool invert = depth == 1 && CompareColorBrightness(GetPaletteEntry(0), GetPaletteEntry(1)) > 0;
  for (int32_t m = 0; m < height; ++m) {
    const int32_t y = height - 1 - m;
    const uint8_t* row = GetRowPointer(y);
    if (depth == 8) {
      packer.Reset();
      for (int32_t x = 0; x < width; ++x) packer.Put(row[x]);
      packer.Put(closing);
    } else if (depth == 24) {
      for (int plane = 0; plane < planes; ++plane) {
        packer.Reset();
        for (int32_t x = 0; x < width; ++x)
          packer.Put(plane == 3 ? GetAlphaFast(x, y) : row[3 * x + 2 - plane]);
        packer.Put(closing);
      }
    } else {
      for (int32_t x = 0; x < width; ++x) {
        const uint8_t index = GetPixelIndexFast(x, y);
        indices[size_t(x)] = invert ? uint8_t(1 - index) : index;
      }
      for (int plane = 0; plane < planes; ++plane) {
        std::fill(planeLine.begin(), planeLine.end(), uint8_t(0));
        for (int32_t x = 0; x < width; ++x)
          if ((indices[size_t(x)] >> plane) & 1) planeLine[size_t(x) >> 3] |= uint8_t(0x80 >> (x & 7));
        CodeLine(planeLine.data(), planeLine.size(), coded);
      }
    }
  }
  if (depth == 8) {
    coded.push_back(kPaletteSignature);
    for (int i = 0; i < 256; ++i) {
      coded.push_back(palette[i].rgbRed);
      coded.push_back(palette[i].rgbGreen);
      coded.push_back(palette[i].rgbBlue);
    }
  }
  if (!WriteBytes(stream, coded.data(), coded.size())) {
    SetLastError("cannot write PCX file");
    return false;
  }
  return true;
}
