// Targa files: an 18-byte header, the ID field, an optional colour map and the pixel rows
// (bottom row first unless the descriptor says top-down), plain or in run-length packets
// that may run on from one row into the next.
#include "image/RasterTGA.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "image/StreamFields.h"

namespace {

constexpr uint8_t kDescriptorRightToLeft = 0x10;
constexpr uint8_t kDescriptorTopDown = 0x20;

struct TgaHeader {
  uint8_t idLength;
  uint8_t mapType;
  uint8_t imageType;
  uint16_t mapFirst;
  uint16_t mapLength;
  uint8_t mapEntryBits;
  uint16_t width;
  uint16_t height;
  uint8_t depth;
  uint8_t descriptor;
};

TgaHeader ParseHeader(const uint8_t* b) {
  TgaHeader h;
  h.idLength = b[0];
  h.mapType = b[1];
  h.imageType = b[2];
  h.mapFirst = LoadU16(b + 3);
  h.mapLength = LoadU16(b + 5);
  h.mapEntryBits = b[7];
  h.width = LoadU16(b + 12);
  h.height = LoadU16(b + 14);
  h.depth = b[16];
  h.descriptor = b[17];
  return h;
}

bool IsColourMapped(uint8_t type) { return type == 1 || type == 9; }
bool IsGrey(uint8_t type) { return type == 3 || type == 11; }
bool IsRunLength(uint8_t type) { return type >= 9; }

// Bytes of one colour-map entry of the given size in bits; 0 for sizes the format lacks.
uint32_t EntryBytes(uint8_t bits) {
  switch (bits) {
    case 15:
    case 16:
      return 2;
    case 24:
      return 3;
    case 32:
      return 4;
    default:
      return 0;
  }
}

// A 15- or 16-bit pixel: blue in bits 0-4, green 5-9, red 10-14, each shifted 3 bits up.
RGBQUAD WidenWord(uint16_t w) {
  return MakeQuad(uint8_t((w & 0x1F) << 3), uint8_t(((w >> 5) & 0x1F) << 3),
                  uint8_t(((w >> 10) & 0x1F) << 3));
}

// Writes `count` file pixels (bytesPerPixel bytes each) into stored row y from column x.
void StorePixels(CRaster& image, int32_t y, int32_t x, const uint8_t* pixels, int32_t count,
                 uint32_t bytesPerPixel) {
  uint8_t* row = image.GetRowPointer(y);
  for (int32_t k = 0; k < count; ++k) {
    const uint8_t* p = pixels + size_t(k) * bytesPerPixel;
    const int32_t column = x + k;
    switch (bytesPerPixel) {
      case 1:
        row[column] = p[0];
        break;
      case 2: {
        const RGBQUAD c = WidenWord(LoadU16(p));
        row[3 * column] = c.rgbBlue;
        row[3 * column + 1] = c.rgbGreen;
        row[3 * column + 2] = c.rgbRed;
        break;
      }
      default:
        row[3 * column] = p[0];
        row[3 * column + 1] = p[1];
        row[3 * column + 2] = p[2];
        if (bytesPerPixel == 4) image.SetAlpha(column, y, p[3]);
        break;
    }
  }
}

// A run-length packet that a row left unfinished: the next row goes on with it.
struct Packet {
  int32_t left = 0;  // pixels still to come; 0 = none
  bool run = false;
  uint8_t value[4] = {};
};

// Fills stored row y from run-length packets, going on with `packet`; a packet that runs
// past the row's end is kept for the next row. A file that ends inside the row leaves the
// rest of the row as it is.
void ExpandCompressedLine(CRaster& image, CRasterStream* stream, int32_t y, uint32_t bytesPerPixel,
                          Packet& packet, std::vector<uint8_t>& buffer) {
  const int32_t width = image.GetWidth();
  int32_t x = 0;
  while (x < width) {
    if (packet.left == 0) {
      const int header = stream->GetChar();
      if (header < 0) return;
      packet.run = (header & 0x80) != 0;
      packet.left = (header & 0x7F) + 1;
      if (packet.run && !ReadBytes(stream, packet.value, bytesPerPixel)) {
        packet.left = 0;
        return;
      }
    }
    const int32_t n = std::min(packet.left, width - x);
    if (packet.run) {
      for (int32_t k = 0; k < n; ++k) StorePixels(image, y, x + k, packet.value, 1, bytesPerPixel);
    } else {
      const size_t bytes = size_t(n) * bytesPerPixel;
      const size_t got = stream->Read(buffer.data(), 1, bytes);
      const int32_t whole = int32_t(got / bytesPerPixel);
      StorePixels(image, y, x, buffer.data(), whole, bytesPerPixel);
      if (got < bytes) {
        packet.left = 0;
        return;
      }
    }
    packet.left -= n;
    x += n;
  }
}

}  // namespace

bool CRasterTGA::Decode(CRasterStream* stream) {
  if (!stream) return false;
  auto fail = [this](const char* text) {
    SetLastError(text);
    return false;
  };
  uint8_t raw[18];
  if (!ReadBytes(stream, raw, sizeof raw)) return fail("Not a TGA");
  const TgaHeader h = ParseHeader(raw);
  const uint8_t type = h.imageType;
  if (!((type >= 1 && type <= 3) || (type >= 9 && type <= 11))) return fail("Unknown TGA image type");
  if (h.width == 0 || h.height == 0 || h.depth == 0 || h.mapLength > 256) return fail("bad TGA header");
  if (h.depth != 8 && h.depth != 15 && h.depth != 16 && h.depth != 24 && h.depth != 32)
    return fail("bad TGA header");
  // Indices and grey levels are single bytes; true colour has no 8-bit form. A colour map
  // has entries of a size the format knows and fits the 256 palette entries from its
  // first index on.
  if ((IsColourMapped(type) || IsGrey(type)) != (h.depth == 8)) return fail("bad TGA header");
  const uint32_t entryBytes = EntryBytes(h.mapEntryBits);
  const bool hasMap = h.mapType == 1 && h.mapLength > 0;
  if (IsColourMapped(type) && !hasMap) return fail("bad TGA header");
  if (hasMap && (entryBytes == 0 || uint32_t(h.mapFirst) + h.mapLength > 256))
    return fail("bad TGA header");

  if (h.idLength > 0 && !stream->Seek(h.idLength, SEEK_CUR)) return fail("corrupted TGA");

  const uint32_t bytesPerPixel = (h.depth + 7) / 8;
  const int32_t width = h.width;
  const int32_t height = h.height;
  // A file too short to reach the last row would fail there: it fails before the picture
  // is made.
  const int64_t left = BytesLeft(stream);
  if (left >= 0) {
    const int64_t data = left - (hasMap ? int64_t(h.mapLength) * entryBytes : 0);
    const int64_t rowsBefore = int64_t(height - 1) * width;
    const int64_t reach = IsRunLength(type) ? (data / (1 + bytesPerPixel) + 1) * 128
                                            : data / bytesPerPixel + (data > 0 ? 1 : 0);
    if (data <= 0 || reach <= rowsBefore) return fail("corrupted TGA");
  }

  if (!Create(width, height, h.depth, IMAGE_FORMAT_TGA)) return fail("TGA Create failed");
  if (h.depth == 32 && !CreateAlphaPlane()) return fail("TGA Create failed");
  // Rows a short file does not reach stay black (transparent where there is alpha).
  Clear(0);
  if (h.depth == 32) std::memset(GetAlphaPointer(0, 0), 0, size_t(width) * size_t(height));
  if (m_info.cancelRequest != 0) return fail("Cancelled");

  if (hasMap) {
    std::vector<uint8_t> map(size_t(h.mapLength) * entryBytes);
    if (!ReadBytes(stream, map.data(), map.size())) return fail("corrupted TGA");
    if (IsColourMapped(type)) {
      for (uint32_t i = 0; i < h.mapLength; ++i) {
        const uint8_t* e = map.data() + size_t(i) * entryBytes;
        const RGBQUAD c = entryBytes == 2 ? WidenWord(LoadU16(e)) : MakeQuad(e[0], e[1], e[2]);
        SetPaletteEntry(h.mapFirst + i, c);
      }
    }
  }
  if (IsGrey(type)) SetGreyPalette();

  const bool topDown = (h.descriptor & kDescriptorTopDown) != 0;
  std::vector<uint8_t> buffer(size_t(width) * bytesPerPixel);
  Packet packet;
  for (int32_t i = 0; i < height; ++i) {
    if (m_info.cancelRequest != 0) return fail("Cancelled");
    // A run carried over from the last row needs no bytes of its own.
    const bool carriedRun = packet.left > 0 && packet.run;
    if (!carriedRun && AtEnd(stream)) return fail("corrupted TGA");
    const int32_t y = topDown ? height - 1 - i : i;
    if (IsRunLength(type)) {
      ExpandCompressedLine(*this, stream, y, bytesPerPixel, packet, buffer);
    } else {
      const size_t got = stream->Read(buffer.data(), 1, buffer.size());
      StorePixels(*this, y, 0, buffer.data(), int32_t(got / bytesPerPixel), bytesPerPixel);
    }
  }
  if ((h.descriptor & kDescriptorRightToLeft) && !MirrorHorizontal()) return fail("TGA Create failed");
  m_info.frameCount = 1;
  return true;
}

bool CRasterTGA::Encode(CRasterStream* stream) {
  if (CheckEncodeTarget(stream)) return false;
  const int32_t depth = GetBitDepth();
  if (depth < 8) {
    SetLastError("Bit depth must be 8 or 24");
    return false;
  }
  const int32_t width = GetWidth();
  const int32_t height = GetHeight();
  if (width > 0xFFFF || height > 0xFFFF) {
    SetLastError("Can't save this image as TGA");
    return false;
  }
  const bool paletted = depth == 8;
  const bool alpha = !paletted && HasAlphaPlane();
  uint8_t header[18] = {};
  header[1] = paletted ? 1 : 0;
  header[2] = paletted ? 1 : 2;
  StoreU16(header + 5, paletted ? 256 : 0);
  header[7] = paletted ? 24 : 0;
  StoreU16(header + 12, uint16_t(width));
  StoreU16(header + 14, uint16_t(height));
  header[16] = uint8_t(alpha ? 32 : depth);
  auto fail = [this]() {
    SetLastError("cannot write TGA file");
    return false;
  };
  if (!WriteBytes(stream, header, sizeof header)) return fail();
  if (paletted) {
    uint8_t map[256 * 3];
    const RGBQUAD* palette = GetPalette();
    for (int i = 0; i < 256; ++i) {
      map[3 * i] = palette[i].rgbBlue;
      map[3 * i + 1] = palette[i].rgbGreen;
      map[3 * i + 2] = palette[i].rgbRed;
    }
    if (!WriteBytes(stream, map, sizeof map)) return fail();
  }
  const uint32_t alphaMaximum = GetAlphaMaximum();
  std::vector<uint8_t> row(size_t(width) * 4);
  for (int32_t y = 0; y < height; ++y) {
    const uint8_t* source = GetRowPointer(y);
    size_t bytes;
    if (alpha) {
      for (int32_t x = 0; x < width; ++x) {
        row[4 * x] = source[3 * x];
        row[4 * x + 1] = source[3 * x + 1];
        row[4 * x + 2] = source[3 * x + 2];
        row[4 * x + 3] = uint8_t(GetAlphaFast(x, y) * alphaMaximum / 255);
      }
      bytes = size_t(width) * 4;
    } else {
      bytes = size_t(width) * (paletted ? 1 : 3);
      std::memcpy(row.data(), source, bytes);
    }
    if (!WriteBytes(stream, row.data(), bytes)) return fail();
  }
  return true;
}
