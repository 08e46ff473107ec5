// Windows bitmap files: every information header size in use, bare DIBs without a file
// header, RLE8 and RLE4, 16-bit pixels with or without colour masks, and 32-bit pixels.
#include "image/RasterBMP.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>

#include "image/StreamFields.h"

namespace {

constexpr uint16_t kBitmapType = 0x4D42;  // "BM"

bool IsHeldBitCount(uint32_t bits) {
  return bits == 1 || bits == 4 || bits == 8 || bits == 16 || bits == 24 || bits == 32;
}

// One channel of a 16-bit pixel: where its bits lie and how many there are.
struct MaskChannel {
  uint32_t mask = 0;
  int shift = 0;
  int width = 0;
};

bool DescribeMask(uint32_t mask, MaskChannel& channel) {
  if (mask == 0) return false;
  int shift = 0;
  while (!((mask >> shift) & 1)) ++shift;
  int width = 0;
  for (uint32_t m = mask; m; m &= m - 1) ++width;
  if (width > 8) return false;
  channel.mask = mask;
  channel.shift = shift;
  channel.width = width;
  return true;
}

uint8_t ChannelValue(uint32_t pixel, const MaskChannel& c) {
  return uint8_t((((pixel & c.mask) >> c.shift) << (8 - c.width)) & 0xFF);
}

int64_t AbsoluteHeight(int32_t height) { return height < 0 ? -int64_t(height) : int64_t(height); }

// Bytes of the padded rows a header describes; -1 when negative or beyond 32 bits.
int64_t RowsSize(const BITMAPINFOHEADER& header) {
  const int64_t rowBytes = ((int64_t(header.biBitCount) * header.biWidth + 31) / 32) * 4;
  const int64_t height = AbsoluteHeight(header.biHeight);
  if (rowBytes < 0) return -1;
  if (height != 0 && rowBytes > int64_t(UINT32_MAX) / height) return -1;
  return rowBytes * height;
}

// Bytes of one row that RLE data may address: the whole padded row, since encoders may
// write the padding as part of a run.
size_t RowEnd(const CRaster& image) { return image.GetRowBytes(); }

void DecodeRle8(CRaster& image, CRasterStream* stream) {
  const size_t rowEnd = RowEnd(image);
  int64_t y = 0;
  size_t p = 0;
  for (;;) {
    if (y >= image.GetHeight()) return;
    uint8_t* row = image.GetRowPointer(int32_t(y));
    const int count = stream->GetChar();
    if (count < 0) return;
    if (count > 0) {
      const int value = stream->GetChar();
      if (value < 0) return;
      for (int i = 0; i < count; ++i) {
        if (p >= rowEnd) return;  // a run across the end of a row ends the picture
        row[p++] = uint8_t(value);
      }
      continue;
    }
    const int code = stream->GetChar();
    if (code < 0) return;
    if (code == 0) {
      p = 0;
      ++y;
    } else if (code == 1) {
      return;
    } else if (code == 2) {
      const int dx = stream->GetChar();
      const int dy = stream->GetChar();
      if (dx < 0 || dy < 0) return;
      p += size_t(dx);
      y += dy;
    } else {
      for (int i = 0; i < code; ++i) {
        const int value = stream->GetChar();
        if (value < 0) return;
        if (p < rowEnd) row[p] = uint8_t(value);
        ++p;
      }
      if (code & 1) stream->GetChar();
    }
  }
}

// RLE4 works in pixels: pixel x is the high nibble of byte x / 2 when x is even. The two
// nibbles of a run's value alternate starting with the high one, wherever the run begins.
void DecodeRle4(CRaster& image, CRasterStream* stream) {
  const size_t rowEnd = RowEnd(image);
  int64_t y = 0;
  uint64_t x = 0;
  auto put = [&](uint8_t* row, uint8_t nibble) {
    const size_t p = size_t(x >> 1);
    if (p < rowEnd) {
      if (x & 1)
        row[p] = uint8_t((row[p] & 0xF0) | (nibble & 0x0F));
      else
        row[p] = uint8_t((row[p] & 0x0F) | (nibble << 4));
    }
    ++x;
  };
  for (;;) {
    if (y >= image.GetHeight()) return;
    uint8_t* row = image.GetRowPointer(int32_t(y));
    const int count = stream->GetChar();
    if (count < 0) return;
    if (count > 0) {
      const int value = stream->GetChar();
      if (value < 0) return;
      for (int i = 0; i < count; ++i) put(row, uint8_t((i & 1) ? (value & 0x0F) : (value >> 4)));
      continue;
    }
    const int code = stream->GetChar();
    if (code < 0) return;
    if (code == 0) {
      x = 0;
      ++y;
    } else if (code == 1) {
      return;
    } else if (code == 2) {
      const int dx = stream->GetChar();
      const int dy = stream->GetChar();
      if (dx < 0 || dy < 0) return;
      x += uint64_t(dx);
      y += dy;
    } else {
      int value = 0;
      for (int i = 0; i < code; ++i) {
        if (!(i & 1)) {
          value = stream->GetChar();
          if (value < 0) return;
        }
        put(row, uint8_t((i & 1) ? (value & 0x0F) : (value >> 4)));
      }
      if ((code + 1) & 2) stream->GetChar();
    }
  }
}

// Whether the stream holds the pixel data the header declares, so that a tiny file cannot
// make the decoder allocate a huge picture. Uncompressed rows must all be there except the
// padding of the last row; RLE data must be able to expand to the picture (a run of two
// bytes gives at most 255 pixels). Left to Create when the sizes are beyond what it
// takes anyway; passed when the stream cannot tell its size.
bool DataCanFillPicture(CRasterStream* stream, const BITMAPINFOHEADER& header, int64_t start,
                        uint32_t dataOffset, uint32_t entrySize) {
  const int64_t width = header.biWidth;
  const int64_t height = AbsoluteHeight(header.biHeight);
  const int64_t rows = RowsSize(header);
  // (A 32-bit file's rows are 4/3 of the 24-bit picture's: beyond twice the limit the
  // picture is beyond it too.)
  if (width <= 0 || height <= 0 || rows < 0 || uint64_t(rows) > 2 * CRaster::kMaxMemory)
    return true;
  const int64_t size = stream->Size();
  const int64_t here = stream->Tell();
  if (size < 0 || here < 0) return true;
  int64_t dataStart = start + int64_t(dataOffset);
  if (dataOffset == 0) {
    dataStart = here + int64_t(header.biClrUsed) * entrySize;
    if (header.biCompression == BI_BITFIELDS && header.biSize == 40) dataStart += 12;
  }
  const int64_t available = size - dataStart;
  if (available <= 0) return false;
  const int64_t bits = header.biBitCount;
  if (bits <= 8 && (header.biCompression == BI_RLE8 || header.biCompression == BI_RLE4))
    return width * height <= (available + 1) / 2 * 255;
  int64_t rowBytes = ((bits * width + 31) / 32) * 4;
  int64_t lastRow = (bits * width + 7) / 8;
  if (bits == 16) rowBytes = (width + 1) / 2 * 4;
  if (bits == 32) rowBytes = lastRow = width * 4;
  return rowBytes * (height - 1) + lastRow <= available;
}

}  // namespace

bool CRasterBMP::ReadInfoHeader(CRasterStream* stream, BITMAPINFOHEADER& header, bool& core) {
  core = false;
  uint8_t b[40];
  if (!stream || !ReadBytes(stream, b, sizeof b)) return false;
  std::memset(&header, 0, sizeof header);
  header.biSize = LoadU32(b);
  if (header.biSize == 12) {
    core = true;
    header.biWidth = LoadU16(b + 4);
    header.biHeight = LoadU16(b + 6);
    header.biPlanes = LoadU16(b + 8);
    header.biBitCount = LoadU16(b + 10);
    if (!stream->Seek(-28, SEEK_CUR)) return false;
  } else if (header.biSize >= 40) {
    header.biWidth = LoadI32(b + 4);
    header.biHeight = LoadI32(b + 8);
    header.biPlanes = LoadU16(b + 12);
    header.biBitCount = LoadU16(b + 14);
    header.biCompression = LoadU32(b + 16);
    header.biSizeImage = LoadU32(b + 20);
    header.biXPelsPerMeter = LoadI32(b + 24);
    header.biYPelsPerMeter = LoadI32(b + 28);
    header.biClrUsed = LoadU32(b + 32);
    header.biClrImportant = LoadU32(b + 36);
    if (header.biSize == 64) {
      if (!stream->Seek(24, SEEK_CUR)) return false;
    } else if (header.biSize > 40) {
      // Later header versions are taken only for plain pictures whose image size says
      // the rows are what a 40-byte header would describe.
      if (RowsSize(header) != int64_t(header.biSizeImage) || header.biPlanes != 1 ||
          header.biCompression != BI_RGB || header.biClrUsed != 0)
        return false;
      if (!stream->Seek(int64_t(header.biSize) - 40, SEEK_CUR)) return false;
    }
  } else {
    return false;
  }
  if (header.biSizeImage == 0) {
    const int64_t size = RowsSize(header);
    header.biSizeImage = size > 0 ? uint32_t(size) : 0;
  }
  if (header.biClrUsed == 0)
    header.biClrUsed = header.biBitCount <= 8 ? 1u << header.biBitCount : 0;
  return true;
}

bool CRasterBMP::Decode(CRasterStream* stream) {
  if (!stream) return false;
  const int64_t start = stream->Tell();
  auto fail = [this](const char* text) {
    SetLastError(text);
    return false;
  };

  uint8_t fileHeader[14];
  if (!ReadBytes(stream, fileHeader, sizeof fileHeader)) return fail("Not a BMP");
  uint32_t dataOffset = LoadU32(fileHeader + 10);
  if (LoadU16(fileHeader) != kBitmapType) {
    // A bare DIB: the information header comes first and the pixels follow the palette.
    if (!stream->Seek(start, SEEK_SET)) return fail("Not a BMP");
    dataOffset = 0;
  }

  BITMAPINFOHEADER header;
  bool core = false;
  if (!ReadInfoHeader(stream, header, core)) return fail("Error reading BMP info");
  if (!IsHeldBitCount(header.biBitCount)) return fail("Error reading BMP info");
  if (header.biHeight == INT32_MIN) return fail("Error reading BMP info");
  const bool topDown = header.biHeight < 0;
  const int32_t height = topDown ? -header.biHeight : header.biHeight;

  if (m_info.cancelRequest == -1) {
    m_header.biWidth = header.biWidth;
    m_header.biHeight = height;
    SetLastError("output dimensions returned");
    return true;
  }

  // A palette can hold no more colours than the depth gives (256 for the deeper pictures,
  // whose optional colour table is only skipped).
  const uint32_t bits = header.biBitCount;
  if (header.biClrUsed > (bits <= 8 ? (1u << bits) : 256u)) return fail("Error reading BMP info");
  const uint32_t entrySize = core ? 3 : 4;
  const uint32_t compression = header.biCompression;
  if (!DataCanFillPicture(stream, header, start, dataOffset, entrySize))
    return fail("Not enough pixel data in BMP file");

  if (!Create(header.biWidth, height, header.biBitCount, IMAGE_FORMAT_BMP))
    return fail("Can't allocate memory");
  m_header.biXPelsPerMeter = header.biXPelsPerMeter;
  m_header.biYPelsPerMeter = header.biYPelsPerMeter;
  m_info.dpiX = int32_t(std::floor(header.biXPelsPerMeter * 0.0254 + 0.5));
  m_info.dpiY = int32_t(std::floor(header.biYPelsPerMeter * 0.0254 + 0.5));

  if (m_info.cancelRequest != 0) return fail("Cancelled");
  // The palette: as many entries as the picture holds; further entries of the file are
  // skipped, missing ones stay black.
  const uint32_t fileEntries = header.biClrUsed;
  const uint32_t entries = std::min(fileEntries, GetPaletteSize());
  if (entries > 0) {
    uint8_t raw[256 * 4];
    ReadOrClear(stream, raw, size_t(entries) * entrySize);
    RGBQUAD* palette = GetPalette();
    for (uint32_t i = 0; i < entries; ++i) {
      palette[i].rgbBlue = raw[i * entrySize];
      palette[i].rgbGreen = raw[i * entrySize + 1];
      palette[i].rgbRed = raw[i * entrySize + 2];
      palette[i].rgbReserved = 0;
    }
    ForgetNearestColor();
  }
  if (fileEntries > entries && dataOffset == 0)
    stream->Seek(int64_t(fileEntries - entries) * entrySize, SEEK_CUR);
  if (m_info.cancelRequest != 0) return fail("Cancelled");

  const size_t imageSize = size_t(GetRowBytes()) * size_t(height);
  auto seekToData = [&] {
    if (dataOffset != 0) stream->Seek(start + int64_t(dataOffset), SEEK_SET);
  };

  if (bits <= 8) {
    seekToData();
    if (compression == BI_RGB) {
      ReadOrClear(stream, GetPixels(), imageSize);
    } else if (compression == BI_RLE8 || compression == BI_RLE4) {
      // Pixels the data never reaches are defined: index 0.
      std::memset(GetPixels(), 0, imageSize);
      if (compression == BI_RLE8)
        DecodeRle8(*this, stream);
      else
        DecodeRle4(*this, stream);
    } else {
      return fail("compression type not supported");
    }
  } else if (bits == 16) {
    uint32_t red = 0x7C00, green = 0x03E0, blue = 0x001F;
    if (compression == BI_BITFIELDS) {
      if (!ReadU32(stream, red) || !ReadU32(stream, green) || !ReadU32(stream, blue))
        return fail("Error reading BMP info");
    }
    MaskChannel channel;
    if (!DescribeMask(red, channel) || !DescribeMask(green, channel) ||
        !DescribeMask(blue, channel))
      return fail("Error reading BMP info");
    seekToData();
    const size_t sourceRow = size_t((uint64_t(header.biWidth) + 1) / 2 * 4);
    ReadOrClear(stream, GetPixels(), sourceRow * size_t(height));
    ExpandPackedPixels(GetPixels(), red, green, blue, 16);
  } else if (bits == 24) {
    if (compression != BI_RGB) return fail("unknown compression");
    seekToData();
    ReadOrClear(stream, GetPixels(), imageSize);
  } else {
    if (compression != BI_RGB && compression != BI_BITFIELDS) return fail("unknown compression");
    // In a bare DIB the three masks of a bitfields header come before the pixels.
    if (compression == BI_BITFIELDS && dataOffset == 0 && header.biSize == 40)
      stream->Seek(12, SEEK_CUR);
    seekToData();
    // Row by row through one row buffer: no second copy of the picture.
    const size_t sourceRow = size_t(header.biWidth) * 4;
    uint8_t* source = static_cast<uint8_t*>(std::malloc(sourceRow));
    if (!source) return fail("can't allocate memory");
    for (int32_t y = 0; y < height; ++y) {
      ReadOrClear(stream, source, sourceRow);
      uint8_t* out = GetRowPointer(y);
      for (size_t x = 0; x < size_t(header.biWidth); ++x) {
        out[3 * x] = source[4 * x];
        out[3 * x + 1] = source[4 * x + 1];
        out[3 * x + 2] = source[4 * x + 2];
      }
    }
    std::free(source);
  }

  if (topDown) FlipVertical();
  return true;
}

bool CRaster::ExpandPackedPixels(const uint8_t* source, uint32_t redMask, uint32_t greenMask,
                                 uint32_t blueMask, int bits) {
  if (!source || !HasPixels() || GetBitDepth() != 24) return false;
  const int64_t width = GetWidth();
  const int64_t height = GetHeight();
  if (bits == 16) {
    MaskChannel r, g, b;
    if (!DescribeMask(redMask, r) || !DescribeMask(greenMask, g) || !DescribeMask(blueMask, b))
      return false;
    const size_t sourceRow = size_t((width + 1) / 2 * 4);
    for (int64_t y = height - 1; y >= 0; --y) {
      const uint8_t* in = source + size_t(y) * sourceRow;
      uint8_t* out = GetRowPointer(int32_t(y));
      for (int64_t x = width - 1; x >= 0; --x) {
        const uint32_t w = LoadU16(in + 2 * x);
        out[3 * x] = ChannelValue(w, b);
        out[3 * x + 1] = ChannelValue(w, g);
        out[3 * x + 2] = ChannelValue(w, r);
      }
    }
    return true;
  }
  if (bits == 32) {
    const size_t sourceRow = size_t(width) * 4;
    for (int64_t y = height - 1; y >= 0; --y) {
      const uint8_t* in = source + size_t(y) * sourceRow;
      uint8_t* out = GetRowPointer(int32_t(y));
      for (int64_t x = width - 1; x >= 0; --x) {
        out[3 * x] = in[4 * x];
        out[3 * x + 1] = in[4 * x + 1];
        out[3 * x + 2] = in[4 * x + 2];
      }
    }
    return true;
  }
  return false;
}

bool CRasterBMP::Encode(CRasterStream* stream) {
  if (CheckEncodeTarget(stream)) return false;
  StoreHeaderInBlock();
  const uint64_t blockSize = GetBlockSize();
  uint8_t fileHeader[14];
  StoreU16(fileHeader, kBitmapType);
  StoreU32(fileHeader + 2, uint32_t(blockSize + 14));
  StoreU16(fileHeader + 6, 0);
  StoreU16(fileHeader + 8, 0);
  StoreU32(fileHeader + 10, 14 + kBitmapInfoHeaderSize + GetPaletteBytes());
  if (!WriteBytes(stream, fileHeader, sizeof fileHeader) ||
      !WriteBytes(stream, GetBlock(), size_t(blockSize))) {
    SetLastError("Write Error");
    return false;
  }
  return true;
}
