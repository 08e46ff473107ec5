// Icon and cursor files: one picture of the directory per decode, its AND mask turned into
// transparency or alpha; single-picture icons written back.
#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "image/RasterBMP.h"
#include "image/StreamFields.h"

namespace {

bool SameColour(RGBQUAD a, RGBQUAD b) {
  return a.rgbBlue == b.rgbBlue && a.rgbGreen == b.rgbGreen && a.rgbRed == b.rgbRed;
}

}  // namespace

bool CRasterICO::Decode(CRasterStream* stream) {
  if (!stream) return false;
  const int64_t start = stream->Tell();
  const int32_t wanted = m_info.frameToDecode;

  uint8_t directory[6];
  if (!ReadBytes(stream, directory, sizeof directory)) return false;
  const uint16_t reserved = LoadU16(directory);
  const uint16_t type = LoadU16(directory + 2);
  const uint16_t count = LoadU16(directory + 4);
  if (reserved != 0 || (type != 1 && type != 2)) return false;
  m_info.frameCount = count;
  uint8_t entry[16] = {};
  for (uint32_t i = 0; i < count; ++i) {
    uint8_t e[16];
    if (!ReadBytes(stream, e, sizeof e)) return false;
    if (int32_t(i) == wanted) std::memcpy(entry, e, sizeof e);
  }
  if (wanted < 0 || wanted >= count) return false;

  const int32_t width = entry[0];
  const int32_t height = entry[1];
  if (!stream->Seek(start + int64_t(LoadU32(entry + 12)), SEEK_SET)) return false;
  uint8_t header[40];
  if (!ReadBytes(stream, header, sizeof header)) return false;
  const uint16_t bitCount = LoadU16(header + 14);
  const uint32_t colorsUsed = LoadU32(header + 32);
  if (bitCount != 1 && bitCount != 4 && bitCount != 8 && bitCount != 24 && bitCount != 32)
    return false;
  // Sizes come from the picture being made, never from the file's size fields.
  if (!Create(width, height, bitCount, IMAGE_FORMAT_ICO)) return false;

  const uint32_t fileEntries = colorsUsed ? colorsUsed : (bitCount <= 8 ? 1u << bitCount : 0);
  const uint32_t entries = std::min(fileEntries, GetPaletteSize());
  if (entries > 0) {
    RGBQUAD quads[256];
    ReadOrClear(stream, reinterpret_cast<uint8_t*>(quads), size_t(entries) * 4);
    for (uint32_t i = 0; i < entries; ++i) quads[i].rgbReserved = 0;
    SetPaletteFromQuads(quads, entries);
  }
  if (fileEntries > entries) stream->Seek(int64_t(fileEntries - entries) * 4, SEEK_CUR);

  const size_t w = size_t(width);
  const size_t h = size_t(height);
  if (bitCount > 24) {
    std::vector<uint8_t> source(w * h * 4);
    ReadOrClear(stream, source.data(), source.size());
    if (!CreateAlphaPlane()) return false;
    for (size_t y = 0; y < h; ++y) {
      const uint8_t* in = source.data() + y * w * 4;
      uint8_t* out = GetRowPointer(int32_t(y));
      for (size_t x = 0; x < w; ++x) {
        out[3 * x] = in[4 * x];
        out[3 * x + 1] = in[4 * x + 1];
        out[3 * x + 2] = in[4 * x + 2];
        SetAlpha(int32_t(x), int32_t(y), in[4 * x + 3]);
      }
    }
  } else {
    ReadOrClear(stream, GetPixels(), size_t(GetRowBytes()) * h);
  }

  const size_t maskRow = (w + 31) / 32 * 4;
  std::vector<uint8_t> mask(maskRow * h);
  if (ReadOrClear(stream, mask.data(), mask.size()) == 0) return true;

  if (std::all_of(mask.begin(), mask.end(), [](uint8_t b) { return b == 0xFF; })) {
    SetTransparentIndex(0);
    Invert();
    return true;
  }

  const bool hadAlpha = HasAlphaPlane();
  if (!hadAlpha && !CreateAlphaPlane()) return false;
  auto masked = [&](size_t x, size_t y) {
    return (mask[y * maskRow + x / 8] >> (7 - (x % 8))) & 1;
  };
  bool anyMasked = false;
  for (size_t y = 0; y < h; ++y)
    for (size_t x = 0; x < w; ++x)
      if (masked(x, y)) {
        SetAlpha(int32_t(x), int32_t(y), 0);
        anyMasked = true;
      }
  if (!anyMasked && !hadAlpha) DeleteAlphaPlane();

  if (bitCount == 24) {
    if (anyMasked) {
      bool first = true, shared = true;
      RGBQUAD colour = {};
      for (size_t y = 0; y < h && shared; ++y)
        for (size_t x = 0; x < w && shared; ++x) {
          if (!masked(x, y)) continue;
          const RGBQUAD c = GetPixelColor(int32_t(x), int32_t(y), false);
          if (first) {
            colour = c;
            first = false;
          } else if (!SameColour(c, colour)) {
            shared = false;
          }
        }
      if (shared) {
        SetTransparentColor(colour);
        SetTransparentIndex(0);
        DeleteAlphaPlane();
      }
    }
  } else if (bitCount <= 8) {
    bool used[256] = {};
    for (size_t y = 0; y < h; ++y)
      for (size_t x = 0; x < w; ++x) used[GetPixelIndexFast(int32_t(x), int32_t(y))] = true;
    int32_t unused = -1;
    for (uint32_t i = 0; i < GetPaletteSize(); ++i)
      if (!used[i]) {
        unused = int32_t(i);
        break;
      }
    if (unused >= 0) {
      for (size_t y = 0; y < h; ++y)
        for (size_t x = 0; x < w; ++x)
          if (masked(x, y)) SetPixelIndex(int32_t(x), int32_t(y), uint8_t(unused));
      if (anyMasked) SetTransparentIndex(unused);
      DeleteAlphaPlane();
    }
  }
  return true;
}

bool CRasterICO::Encode(CRasterStream* stream) {
  if (CheckEncodeTarget(stream)) return false;
  const int32_t width = GetWidth();
  const int32_t height = GetHeight();
  if (width > 255 || height > 255) {
    SetLastError("Can't save this image as icon");
    return false;
  }
  if (GetBitDepth() <= 8 && !IsPaletted()) return false;

  const size_t w = size_t(width);
  const size_t h = size_t(height);
  const size_t maskRow = (w + 31) / 32 * 4;
  const size_t maskSize = maskRow * h;
  const bool as32 = GetBitDepth() == 24 && HasAlphaPlane();
  const uint16_t bitCount = as32 ? 32 : uint16_t(GetBitDepth());
  const size_t pixelBytes = as32 ? w * h * 4 : size_t(GetRowBytes()) * h;

  uint8_t head[6 + 16 + 40] = {};
  StoreU16(head, 0);
  StoreU16(head + 2, 1);
  StoreU16(head + 4, 1);
  uint8_t* entry = head + 6;
  entry[0] = uint8_t(width);
  entry[1] = uint8_t(height);
  entry[2] = uint8_t(GetPaletteSize());
  entry[3] = 0;
  StoreU16(entry + 4, 0);
  StoreU16(entry + 6, bitCount);
  StoreU32(entry + 8, uint32_t(pixelBytes + GetPaletteBytes() + maskSize + 40));
  StoreU32(entry + 12, 22);
  uint8_t* info = head + 22;
  StoreU32(info, 40);
  StoreU32(info + 4, uint32_t(width));
  StoreU32(info + 8, uint32_t(height * 2));
  StoreU16(info + 12, 1);
  StoreU16(info + 14, bitCount);
  StoreU32(info + 16, BI_RGB);
  StoreU32(info + 20, uint32_t(pixelBytes));

  std::vector<uint8_t> mask(maskSize, 0);
  const bool paletteAlpha = HasPaletteAlpha();
  const RGBQUAD transparent = GetTransparentColor();
  for (size_t y = 0; y < h; ++y)
    for (size_t x = 0; x < w; ++x) {
      const RGBQUAD c = GetPixelColor(int32_t(x), int32_t(y), false);
      const bool clear = (HasAlphaPlane() && GetAlphaFast(int32_t(x), int32_t(y)) == 0) ||
                         (paletteAlpha && c.rgbReserved == 0) ||
                         (HasTransparentColor() && SameColour(c, transparent));
      if (clear) mask[y * maskRow + x / 8] |= uint8_t(0x80 >> (x % 8));
    }

  bool ok = WriteBytes(stream, head, sizeof head);
  if (ok && IsPaletted())
    ok = WriteBytes(stream, reinterpret_cast<const uint8_t*>(GetPalette()), GetPaletteBytes());
  if (ok && as32) {
    std::vector<uint8_t> row(w * 4);
    for (size_t y = 0; ok && y < h; ++y) {
      const uint8_t* in = GetRowPointer(int32_t(y));
      for (size_t x = 0; x < w; ++x) {
        row[4 * x] = in[3 * x];
        row[4 * x + 1] = in[3 * x + 1];
        row[4 * x + 2] = in[3 * x + 2];
        row[4 * x + 3] = GetAlphaFast(int32_t(x), int32_t(y));
      }
      ok = WriteBytes(stream, row.data(), row.size());
    }
  } else if (ok) {
    ok = WriteBytes(stream, GetPixels(), pixelBytes);
  }
  if (ok) ok = WriteBytes(stream, mask.data(), mask.size());
  if (!ok) {
    SetLastError("Write Error");
    return false;
  }
  return true;
}
