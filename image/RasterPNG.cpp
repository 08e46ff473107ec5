// PNG through libpng 1.6.
//
// libpng reports errors by longjmp back to the setjmp point of the call that started the
// work. Each setjmp point sits in a function (RunDecode, RunEncode) whose locals and whose
// callees that can reach libpng hold only trivially destructible values, so the jump never
// skips a C++ destructor; the functions that own resources call them and clean up after.
#include "image/RasterPNG.h"

#include <png.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>

#include "image/RasterStream.h"
#include "image/StreamFields.h"

namespace {

// Largest side libpng accepts from a header, and the most it allocates for one ancillary
// chunk.
constexpr png_uint_32 kMaxSide = 1000000;
constexpr png_alloc_size_t kMaxChunkBytes = 8000000;

struct PngIo {
  CRasterStream* stream;
};

void ReadData(png_structp png, png_bytep data, size_t length) {
  PngIo* io = static_cast<PngIo*>(png_get_io_ptr(png));
  if (io->stream->Read(data, 1, length) != length) png_error(png, "Read Error");
}

void WriteData(png_structp png, png_bytep data, size_t length) {
  PngIo* io = static_cast<PngIo*>(png_get_io_ptr(png));
  if (io->stream->Write(data, 1, length) != length) png_error(png, "Write Error");
}

void FlushData(png_structp png) {
  PngIo* io = static_cast<PngIo*>(png_get_io_ptr(png));
  if (!io->stream->Flush()) png_error(png, "Flush Error");
}

// Copies libpng's message into the picture's last-error text (the error pointer; none
// for the encoder, whose failures all read "Error saving PNG file") and jumps back.
void OnError(png_structp png, png_const_charp message) {
  char* target = static_cast<char*>(png_get_error_ptr(png));
  if (target) {
    std::strncpy(target, message ? message : "", 255);
    target[255] = '\0';
  }
  png_longjmp(png, 1);
}

void OnWarning(png_structp, png_const_charp) {}

// Walks the chunk lengths from the signature to IEND without reading their data: a length
// beyond the bytes that remain means a damaged or truncated file, refused before libpng
// allocates anything for it. The stream returns to where it was.
bool ChunkLengthsFit(CRasterStream* stream) {
  const int64_t start = stream->Tell();
  const int64_t size = stream->Size();
  if (start < 0 || size < 0) return true;  // nothing to check against
  bool fits = true;
  uint8_t signature[8];
  if (ReadBytes(stream, signature, sizeof signature) && png_sig_cmp(signature, 0, 8) == 0) {
    int64_t offset = start + 8;
    for (;;) {
      uint8_t head[8];
      if (offset + 8 > size || !stream->Seek(offset, SEEK_SET) ||
          !ReadBytes(stream, head, sizeof head))
        break;  // libpng reports the short read
      const uint32_t length =
          uint32_t(head[0]) << 24 | uint32_t(head[1]) << 16 | uint32_t(head[2]) << 8 | head[3];
      if (length > PNG_UINT_31_MAX || offset + 12 + int64_t(length) > size) {
        fits = false;
        break;
      }
      if (std::memcmp(head + 4, "IEND", 4) == 0) break;
      offset += 12 + int64_t(length);
    }
  }
  stream->Seek(start, SEEK_SET);
  return fits;
}

struct PngDecodeState {
  CRasterPNG* image;
  png_structp png;
  png_infop info;
  uint8_t* row;  // malloc'd; freed by the caller
  PngIo io;
};

bool RunDecode(PngDecodeState& st) {
  if (setjmp(png_jmpbuf(st.png))) return false;
  png_structp png = st.png;
  png_infop info = st.info;
  CRasterPNG& image = *st.image;

  png_set_read_fn(png, &st.io, ReadData);
  png_set_user_limits(png, kMaxSide, kMaxSide);
  png_set_chunk_malloc_max(png, kMaxChunkBytes);
  png_read_info(png, info);

  png_uint_32 width = 0, height = 0;
  int bitDepth = 0, colorType = 0, interlace = 0;
  png_get_IHDR(png, info, &width, &height, &bitDepth, &colorType, &interlace, nullptr, nullptr);

  png_bytep trans = nullptr;
  int transCount = 0;
  png_color_16p transColor = nullptr;
  const bool hasTrns = png_get_tRNS(png, info, &trans, &transCount, &transColor) != 0;
  const bool paletteType = colorType == PNG_COLOR_TYPE_PALETTE;
  const bool colourType = (colorType & PNG_COLOR_MASK_COLOR) != 0;

  // Alpha is kept for every colour type that carries it. A colour key of a 16-bit file
  // becomes alpha too, so that stripping to 8 bits cannot widen it to other colours.
  bool alpha = (colorType & PNG_COLOR_MASK_ALPHA) != 0;
  if (bitDepth == 16 && hasTrns && !paletteType) {
    png_set_tRNS_to_alpha(png);
    alpha = true;
  }
  if (bitDepth == 16) png_set_strip_16(png);
  const int sampleDepth = bitDepth == 16 ? 8 : bitDepth;
  int depth;
  if (alpha) {
    if (!colourType) png_set_gray_to_rgb(png);
    png_set_bgr(png);
    depth = 24;
  } else if (colourType && !paletteType) {
    png_set_bgr(png);
    depth = 24;
  } else {
    depth = sampleDepth;
  }
  const int passes = png_set_interlace_handling(png);
  png_read_update_info(png, info);

  if (!image.Create(int32_t(width), int32_t(height), depth, IMAGE_FORMAT_PNG)) return false;
  const uint64_t expectedRow = alpha         ? uint64_t(width) * 4
                               : depth == 24 ? uint64_t(width) * 3
                                             : (uint64_t(width) * uint64_t(sampleDepth) + 7) / 8;
  if (png_get_rowbytes(png, info) != expectedRow) png_error(png, "Unexpected PNG row layout");

  png_uint_32 resX = 0, resY = 0;
  int unit = PNG_RESOLUTION_UNKNOWN;
  png_get_pHYs(png, info, &resX, &resY, &unit);
  if (unit == PNG_RESOLUTION_METER) {
    image.SetDpiX(int32_t(std::floor(resX * 0.0254 + 0.5)));
    image.SetDpiY(int32_t(std::floor(resY * 0.0254 + 0.5)));
  } else {
    image.SetDpiX(int32_t(std::min<png_uint_32>(resX, INT32_MAX)));
    image.SetDpiY(int32_t(std::min<png_uint_32>(resY, INT32_MAX)));
  }

  png_colorp plte = nullptr;
  int plteCount = 0;
  if (png_get_PLTE(png, info, &plte, &plteCount) && plte && plteCount > 0) {
    uint8_t triples[256 * 3];
    const int n = std::min(plteCount, 256);
    for (int i = 0; i < n; ++i) {
      triples[3 * i] = plte[i].red;
      triples[3 * i + 1] = plte[i].green;
      triples[3 * i + 2] = plte[i].blue;
    }
    image.SetPaletteFromTriples(triples, uint32_t(n));
  } else if (bitDepth == 2) {
    for (uint32_t i = 0; i < 4; ++i) {
      const uint8_t v = uint8_t(85 * i);
      image.SetPaletteEntry(i, v, v, v, 0);
    }
  } else {
    image.SetGreyPalette();
  }

  png_color_16p background = nullptr;
  const bool hasBackground = png_get_bKGD(png, info, &background) != 0 && background;
  if (paletteType && hasTrns && trans && transCount > 0) {
    const uint32_t n = std::min<uint32_t>(image.GetPaletteSize(), uint32_t(transCount));
    RGBQUAD* palette = image.GetPalette();
    for (uint32_t i = 0; i < n; ++i) palette[i].rgbReserved = trans[i];
    if (transCount == 1 && trans[0] == 0) {
      image.SetTransparentIndex(0);
    } else {
      image.EnablePaletteAlpha(true);
      for (uint32_t i = n; i < image.GetPaletteSize(); ++i) palette[i].rgbReserved = 255;
    }
  } else if (!alpha && hasTrns && transColor) {
    if (!colourType) {
      if (transColor->gray < (1u << sampleDepth)) image.SetTransparentIndex(transColor->gray);
    } else {
      RGBQUAD key = {};
      key.rgbRed = uint8_t(transColor->red);
      key.rgbGreen = uint8_t(transColor->green);
      key.rgbBlue = uint8_t(transColor->blue);
      image.SetTransparentColor(key);
      image.SetTransparentIndex(0);
    }
  } else if (alpha && hasBackground) {
    const int shift = bitDepth == 16 ? 8 : 0;
    RGBQUAD colour = {};
    if (colourType) {
      colour.rgbRed = uint8_t(background->red >> shift);
      colour.rgbGreen = uint8_t(background->green >> shift);
      colour.rgbBlue = uint8_t(background->blue >> shift);
    } else {
      colour.rgbRed = colour.rgbGreen = colour.rgbBlue = uint8_t(background->gray >> shift);
    }
    image.SetTransparentColor(colour);
  }

  if (alpha) {
    if (!image.CreateAlphaPlane()) png_error(png, "Out of memory");
    st.row = static_cast<uint8_t*>(std::calloc(size_t(width) * 4 + 10, 1));
    if (!st.row) png_error(png, "Out of memory");
  }
  if (image.GetCancelRequest() != 0) {
    image.SetLastError("Cancelled");
    return false;
  }
  image.SetFormatOption(passes > 1 ? PNG_OPTION_INTERLACED : 0, IMAGE_FORMAT_PNG);

  const int32_t w = int32_t(width);
  const int32_t h = int32_t(height);
  for (int pass = 0; pass < passes; ++pass) {
    for (int32_t line = 0; line < h; ++line) {
      if (image.GetCancelRequest() != 0) {
        image.SetLastError("Cancelled");
        return false;
      }
      const int32_t y = h - 1 - line;
      uint8_t* target = image.GetRowPointer(y);
      if (alpha) {
        uint8_t* buffer = st.row;
        if (pass > 0) {
          for (int32_t x = 0; x < w; ++x) {
            buffer[4 * x] = target[3 * x];
            buffer[4 * x + 1] = target[3 * x + 1];
            buffer[4 * x + 2] = target[3 * x + 2];
            buffer[4 * x + 3] = image.GetAlphaFast(x, y);
          }
        }
        png_read_row(png, buffer, nullptr);
        for (int32_t x = 0; x < w; ++x) {
          target[3 * x] = buffer[4 * x];
          target[3 * x + 1] = buffer[4 * x + 1];
          target[3 * x + 2] = buffer[4 * x + 2];
          image.SetAlpha(x, y, buffer[4 * x + 3]);
        }
      } else {
        // The row layout is the picture's own: libpng fills it in place, and the passes of
        // an interlaced file add their pixels to what the earlier passes left.
        png_read_row(png, target, nullptr);
      }
    }
  }
  if (!alpha && bitDepth == 2)
    for (int32_t y = 0; y < h; ++y) CRasterPNG::ExpandTwoBitRow(image.GetRowPointer(y), w);
  png_read_end(png, nullptr);
  return true;
}

struct PngEncodeState {
  CRasterPNG* image;
  CRaster* caller;  // the picture being saved, when the image is a view of it
  png_structp png;
  png_infop info;
  uint8_t* row;  // malloc'd; freed by the caller
  PngIo io;
};

bool RunEncode(PngEncodeState& st) {
  if (setjmp(png_jmpbuf(st.png))) return false;
  png_structp png = st.png;
  png_infop info = st.info;
  CRasterPNG& image = *st.image;

  png_set_write_fn(png, &st.io, WriteData, FlushData);
  const int32_t w = image.GetWidth();
  const int32_t h = image.GetHeight();
  const int interlace = image.GetFormatOption(IMAGE_FORMAT_PNG) == PNG_OPTION_INTERLACED
                            ? PNG_INTERLACE_ADAM7
                            : PNG_INTERLACE_NONE;
  png_color_16 background = {};
  background.red = background.green = background.blue = 255;
  if (image.HasTransparentColor()) {
    const RGBQUAD t = image.GetTransparentColor();
    background.red = t.rgbRed;
    background.green = t.rgbGreen;
    background.blue = t.rgbBlue;
  }

  // Any picture with an alpha plane is written with alpha, paletted ones included (an
  // icon decoded with its mask keeps its transparent pixels).
  const bool writeAlpha = image.HasAlphaPlane() || (!image.IsPaletted() && image.HasTransparentColor());
  const bool keyToAlpha = !image.IsPaletted() && image.HasTransparentColor();
  if (writeAlpha) {
    png_set_IHDR(png, info, png_uint_32(w), png_uint_32(h), 8, PNG_COLOR_TYPE_RGB_ALPHA, interlace,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_set_bKGD(png, info, &background);
  } else if (image.IsPaletted()) {
    uint8_t trans[256];
    int transCount = 0;
    int32_t index = image.GetTransparentIndex();
    if (index >= int32_t(image.GetPaletteSize())) index = -1;
    if (index >= 0) {
      if (index != 0) {
        // Through the view this reorders the caller's palette and pixels as well.
        image.ExchangeIndices(0, uint8_t(index));
        image.SetTransparentIndex(0);
        if (st.caller) {
          st.caller->SetTransparentIndex(0);
          st.caller->ForgetNearestColor();
        }
      }
      trans[0] = 0;
      transCount = 1;
    }
    uint32_t n = image.GetPaletteSize();
    if (n > 2 && int64_t(w) * h < 65536) {
      uint32_t largest = 0;
      for (int32_t y = 0; y < h; ++y)
        for (int32_t x = 0; x < w; ++x)
          largest = std::max<uint32_t>(largest, image.GetPixelIndexFast(x, y));
      n = largest + 1;
    }
    const RGBQUAD* palette = image.GetPalette();
    if (image.IsPaletteAlphaEnabled()) {
      for (uint32_t i = 0; i < n; ++i) trans[i] = palette[i].rgbReserved;
      transCount = int(n);
    }
    png_color plte[256];
    for (uint32_t i = 0; i < n; ++i) {
      plte[i].red = palette[i].rgbRed;
      plte[i].green = palette[i].rgbGreen;
      plte[i].blue = palette[i].rgbBlue;
    }
    png_set_IHDR(png, info, png_uint_32(w), png_uint_32(h), image.GetBitDepth(),
                 PNG_COLOR_TYPE_PALETTE, interlace, PNG_COMPRESSION_TYPE_DEFAULT,
                 PNG_FILTER_TYPE_DEFAULT);
    png_set_PLTE(png, info, plte, int(n));
    if (transCount > 0) png_set_tRNS(png, info, trans, transCount, nullptr);
    RGBQUAD white = {};
    white.rgbBlue = white.rgbGreen = white.rgbRed = 255;
    background.index = image.HasTransparentColor() ? 0 : image.FindNearestIndex(white);
    if (background.index < n) png_set_bKGD(png, info, &background);
  } else {
    png_set_IHDR(png, info, png_uint_32(w), png_uint_32(h), 8, PNG_COLOR_TYPE_RGB, interlace,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_set_bKGD(png, info, &background);
  }
  const BITMAPINFOHEADER& header = image.GetHeader();
  png_set_pHYs(png, info, png_uint_32(std::max<int32_t>(header.biXPelsPerMeter, 0)),
               png_uint_32(std::max<int32_t>(header.biYPelsPerMeter, 0)), PNG_RESOLUTION_METER);
  png_write_info(png, info);

  const int passes = png_set_interlace_handling(png);
  st.row = static_cast<uint8_t*>(std::malloc(size_t(w) * 4 + size_t(image.GetRowBytes())));
  if (!st.row) png_error(png, "Out of memory");
  const RGBQUAD key = image.GetTransparentColor();
  const uint32_t alphaMaximum = image.GetAlphaMaximum();
  for (int pass = 0; pass < passes; ++pass) {
    for (int32_t line = 0; line < h; ++line) {
      const int32_t y = h - 1 - line;
      const uint8_t* source = image.GetRowPointer(y);
      uint8_t* row = st.row;
      if (writeAlpha) {
        // A colour key without a plane is a plane of 255 with 0 at the key, and the plane
        // is scaled by the alpha maximum either way.
        for (int32_t x = 0; x < w; ++x) {
          const RGBQUAD c = image.GetPixelColorFast(x, y);
          uint32_t a = image.HasAlphaPlane() ? image.GetAlphaFast(x, y) : 255;
          if (keyToAlpha && c.rgbBlue == key.rgbBlue && c.rgbGreen == key.rgbGreen &&
              c.rgbRed == key.rgbRed)
            a = 0;
          row[4 * x] = c.rgbRed;
          row[4 * x + 1] = c.rgbGreen;
          row[4 * x + 2] = c.rgbBlue;
          row[4 * x + 3] = uint8_t(a * alphaMaximum / 255);
        }
        png_write_row(png, row);
      } else if (image.IsPaletted()) {
        png_write_row(png, source);
      } else {
        std::memcpy(row, source, image.GetRowBytes());
        image.SwapRedBlue(row, image.GetRowBytes());
        png_write_row(png, row);
      }
    }
  }
  png_write_end(png, info);
  return true;
}

}  // namespace

void CRasterPNG::ExpandTwoBitRow(uint8_t* row, int32_t width) {
  if (!row) return;
  for (int32_t x = width - 1; x >= 0; --x) {
    const uint8_t value = (row[x >> 2] >> (6 - 2 * (x & 3))) & 3;
    uint8_t& b = row[x >> 1];
    if (x & 1)
      b = uint8_t((b & 0xF0) | value);
    else
      b = uint8_t((b & 0x0F) | (value << 4));
  }
}

bool CRasterPNG::Decode(CRasterStream* stream) {
  if (!stream) return false;
  if (!ChunkLengthsFit(stream)) {
    SetLastError("Read Error");
    return false;
  }
  PngDecodeState st = {};
  st.image = this;
  st.io.stream = stream;
  st.png = png_create_read_struct(PNG_LIBPNG_VER_STRING, m_info.lastError, OnError, OnWarning);
  if (!st.png) {
    SetLastError("Failed to create PNG structure");
    return false;
  }
  st.info = png_create_info_struct(st.png);
  if (!st.info) {
    png_destroy_read_struct(&st.png, nullptr, nullptr);
    SetLastError("Failed to initialize PNG info structure");
    return false;
  }
  const bool ok = RunDecode(st);
  std::free(st.row);
  png_destroy_read_struct(&st.png, &st.info, nullptr);
  return ok;
}

bool CRasterPNG::Encode(CRasterStream* stream) {
  if (CheckEncodeTarget(stream)) return false;
  PngEncodeState st = {};
  st.image = this;
  st.caller = SharedSource();
  st.io.stream = stream;
  st.png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, OnError, OnWarning);
  if (!st.png) {
    SetLastError("Failed to create PNG structure");
    return false;
  }
  st.info = png_create_info_struct(st.png);
  if (!st.info) {
    png_destroy_write_struct(&st.png, nullptr);
    SetLastError("Failed to initialize PNG info structure");
    return false;
  }
  const bool ok = RunEncode(st);
  std::free(st.row);
  png_destroy_write_struct(&st.png, &st.info);
  if (!ok) SetLastError("Error saving PNG file");
  return ok;
}
