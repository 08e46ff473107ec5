// TIFF through libtiff, connected to a CRasterStream by client procedures.
//
// Decoding takes one of two ways. Separated (CMYK), YCbCr and LogL/LogLuv pictures go
// through libtiff's RGBA reader. Grey, palette, RGB and CIE L*a*b* pictures of any sample
// depth are read strip by strip (or tile row by tile row) and their samples unpacked here,
// with alpha as it is stored (premultiplied alpha divided out). Both ways read the rows as
// they are stored and then turn the picture by the Orientation tag.
#include "image/RasterTIF.h"

#include <tiffio.h>

#include <algorithm>
#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <new>
#include <vector>

#include "image/StreamFields.h"

namespace {

// The most libtiff may allocate at once for one file, and the most the strip buffers may
// take; a picture within the image object's limit stays well inside both.
constexpr tmsize_t kMaxSingleAllocation = 512 * 1024 * 1024;
constexpr uint64_t kMaxBandBytes = 512ull * 1024 * 1024;

struct TiffFailure {
  const char* text;
};

[[noreturn]] void Fail(const char* text) { throw TiffFailure{text}; }

// What the client procedures work on: the stream and where the file starts in it, so that
// the file's offsets count from its first byte.
struct TiffClient {
  CRasterStream* stream;
  int64_t base;
};

tmsize_t TiffReadProc(thandle_t handle, void* buffer, tmsize_t size) {
  auto* client = static_cast<TiffClient*>(handle);
  if (size <= 0) return 0;
  return tmsize_t(client->stream->Read(buffer, 1, size_t(size)));
}

tmsize_t TiffWriteProc(thandle_t handle, void* buffer, tmsize_t size) {
  auto* client = static_cast<TiffClient*>(handle);
  if (size <= 0) return 0;
  return tmsize_t(client->stream->Write(buffer, 1, size_t(size)));
}

toff_t TiffSeekProc(thandle_t handle, toff_t offset, int origin) {
  auto* client = static_cast<TiffClient*>(handle);
  if (offset > toff_t(INT64_MAX) - toff_t(client->base)) return toff_t(-1);
  // Offsets from the current position or the end are signed values in an unsigned field.
  const int64_t signedOffset = int64_t(offset);
  const bool ok = origin == SEEK_SET ? client->stream->Seek(client->base + signedOffset, SEEK_SET)
                                     : client->stream->Seek(signedOffset, origin);
  if (!ok) return toff_t(-1);
  const int64_t position = client->stream->Tell() - client->base;
  return position < 0 ? toff_t(-1) : toff_t(position);
}

toff_t TiffSizeProc(thandle_t handle) {
  auto* client = static_cast<TiffClient*>(handle);
  const int64_t size = client->stream->Size() - client->base;
  return size < 0 ? 0 : toff_t(size);
}

int TiffCloseProc(thandle_t) { return 0; }  // the stream belongs to the caller

int TiffMapProc(thandle_t, void**, toff_t*) { return 0; }

void TiffUnmapProc(thandle_t, void*, toff_t) {}

// libtiff's messages are not shown: failures are reported by the texts of this class.
int QuietHandler(TIFF*, void*, const char*, const char*, va_list) { return 1; }

TIFF* TiffOpenClient(TiffClient* client, const char* mode) {
  static std::once_flag quiet;
  std::call_once(quiet, [] {
    TIFFSetErrorHandler(nullptr);
    TIFFSetWarningHandler(nullptr);
  });
  TIFFOpenOptions* options = TIFFOpenOptionsAlloc();
  if (!options) return nullptr;
  TIFFOpenOptionsSetMaxSingleMemAlloc(options, kMaxSingleAllocation);
  TIFFOpenOptionsSetErrorHandlerExtR(options, QuietHandler, nullptr);
  TIFFOpenOptionsSetWarningHandlerExtR(options, QuietHandler, nullptr);
  TIFF* tif = TIFFClientOpenExt("TIFF IMAGE", mode, client, TiffReadProc, TiffWriteProc,
                                TiffSeekProc, TiffCloseProc, TiffSizeProc, TiffMapProc,
                                TiffUnmapProc, options);
  TIFFOpenOptionsFree(options);
  return tif;
}

struct TiffCloser {
  void operator()(TIFF* tif) const { TIFFClose(tif); }
};
using TiffPtr = std::unique_ptr<TIFF, TiffCloser>;

// A sample of `bits` bits widened to a byte: 8 bits as they are, 16 bits by their high
// byte, other depths scaled.
uint8_t ToByte(uint32_t value, int bits) {
  if (bits == 8) return uint8_t(value);
  if (bits == 16) return uint8_t(value >> 8);
  const uint32_t top = (1u << bits) - 1;
  return uint8_t((std::min(value, top) * 255 + top / 2) / top);
}

// Unpacks `count` samples of `bits` bits (most significant bit first; 16-bit samples in
// the machine's order, as libtiff hands them over) into every `stride`-th value of `out`.
void UnpackSamples(const uint8_t* data, int bits, size_t count, uint32_t* out, size_t stride) {
  if (bits == 8) {
    for (size_t i = 0; i < count; ++i) out[i * stride] = data[i];
  } else if (bits == 16) {
    for (size_t i = 0; i < count; ++i) {
      uint16_t v;
      std::memcpy(&v, data + 2 * i, 2);
      out[i * stride] = v;
    }
  } else {
    uint64_t bit = 0;
    for (size_t i = 0; i < count; ++i) {
      uint32_t v = 0;
      for (int k = 0; k < bits; ++k, ++bit) v = (v << 1) | ((data[bit >> 3] >> (7 - (bit & 7))) & 1);
      out[i * stride] = v;
    }
  }
}

// Unpacks the first `used` samples of each of `width` pixels of `samples` samples into
// every `stride`-th value of `out` (the samples of a pixel side by side); samples beyond
// the used ones are passed over, so the work does not grow with their count.
void UnpackPixels(const uint8_t* data, int bits, size_t width, size_t samples, size_t used,
                  uint32_t* out, size_t stride) {
  if (used == samples) {
    UnpackSamples(data, bits, width * samples, out, stride);
    return;
  }
  const uint64_t pixelBits = uint64_t(samples) * uint64_t(bits);
  for (size_t x = 0; x < width; ++x) {
    const uint64_t first = x * pixelBits;
    for (size_t k = 0; k < used; ++k) {
      const uint64_t at = first + k * uint64_t(bits);
      uint32_t v;
      if (bits == 8) {
        v = data[at >> 3];
      } else if (bits == 16) {
        uint16_t w;
        std::memcpy(&w, data + (at >> 3), 2);
        v = w;
      } else {
        v = 0;
        for (int b = 0; b < bits; ++b)
          v = (v << 1) | ((data[(at + uint64_t(b)) >> 3] >> (7 - ((at + uint64_t(b)) & 7))) & 1);
      }
      out[(x * used + k) * stride] = v;
    }
  }
}

// The most bytes of decoded samples that one byte of data can give in a compression: a
// small file cannot hold a huge picture. CCITT codes are bounded by rows instead (see
// DataCanHoldPicture); 0 for schemes without a known bound.
uint64_t MostBytesPerDataByte(uint16_t compression) {
  switch (compression) {
    case COMPRESSION_NONE:
      return 1;
    case COMPRESSION_PACKBITS:
      return 64;  // two bytes repeat one byte 128 times
    case COMPRESSION_LZW:
      return 4096;  // a code of at least 8 bits stands for at most 4096 bytes
    case COMPRESSION_ADOBE_DEFLATE:
    case COMPRESSION_DEFLATE:
      return 1032;  // deflate's largest ratio
    case COMPRESSION_JPEG:
    case COMPRESSION_OJPEG:
      return 256;  // a block of 64 samples in at least two bits
    default:
      return 0;
  }
}

// Whether a file of `fileBytes` can hold the picture's stored samples; the first
// megabyte of samples is always allowed.
bool DataCanHoldPicture(uint16_t compression, uint64_t fileBytes, uint64_t storedBytes,
                        uint32_t height) {
  constexpr uint64_t kFree = uint64_t(1) << 20;
  if (compression == COMPRESSION_CCITTRLE || compression == COMPRESSION_CCITTRLEW ||
      compression == COMPRESSION_CCITTFAX3 || compression == COMPRESSION_CCITTFAX4)
    return uint64_t(height) <= fileBytes * 8 + 64;  // every row takes at least a bit
  const uint64_t ratio = MostBytesPerDataByte(compression);
  if (ratio == 0) return true;
  return storedBytes <= kFree || storedBytes / ratio <= fileBytes;
}

// Copies `bits` bits from bit `from` of `source` to bit `to` of `target`.
void CopyBits(const uint8_t* source, uint64_t from, uint8_t* target, uint64_t to, uint64_t bits) {
  if ((from & 7) == 0 && (to & 7) == 0) {
    std::memcpy(target + (to >> 3), source + (from >> 3), size_t(bits >> 3));
    from += bits & ~uint64_t(7);
    to += bits & ~uint64_t(7);
    bits &= 7;
  }
  for (uint64_t i = 0; i < bits; ++i) {
    const int b = (source[(from + i) >> 3] >> (7 - ((from + i) & 7))) & 1;
    uint8_t& t = target[(to + i) >> 3];
    const uint8_t mask = uint8_t(0x80 >> ((to + i) & 7));
    t = uint8_t(b ? (t | mask) : (t & ~mask));
  }
}

uint8_t ClampByte(double v) {
  if (!(v > 0)) return 0;
  if (v >= 255) return 255;
  return uint8_t(v);
}

// CIE L*a*b* bytes (a and b signed) to blue, green, red.
RGBQUAD LabToColour(uint8_t l, int8_t a, int8_t b) {
  const double fy = (l * 100.0 / 255.0 + 16.0) / 116.0;
  const double fx = fy + a / 500.0;
  const double fz = fy - b / 200.0;
  const double x = 0.95047 * fx * fx * fx;
  const double y = fy * fy * fy;
  const double z = 1.0883 * fz * fz * fz;
  double rgb[3] = {3.240479 * x - 1.53715 * y - 0.498535 * z,
                   -0.969256 * x + 1.875992 * y + 0.041556 * z,
                   0.055648 * x - 0.204043 * y + 1.057311 * z};
  for (double& v : rgb) v = v > 0.00304 ? 1.055 * std::pow(v, 0.41667) - 0.055 : 12.92 * v;
  return MakeQuad(ClampByte(rgb[2] * 255), ClampByte(rgb[1] * 255), ClampByte(rgb[0] * 255));
}

int32_t ToInt(double v) {
  if (!(v > INT32_MIN) || !(v < INT32_MAX)) return 0;
  return int32_t(v);
}

// Turns the picture from the order of its stored rows to the order the Orientation tag
// asks for.
bool ApplyOrientation(CRaster& image, uint16_t orientation) {
  switch (orientation) {
    case ORIENTATION_TOPRIGHT:
      return image.MirrorHorizontal();
    case ORIENTATION_BOTRIGHT:
      return image.FlipVertical() && image.MirrorHorizontal();
    case ORIENTATION_BOTLEFT:
      return image.FlipVertical();
    case ORIENTATION_LEFTTOP:  // rows are columns: the transpose
      return image.RotateClockwise() && image.MirrorHorizontal();
    case ORIENTATION_RIGHTTOP:  // the first row is the right-hand column
      return image.RotateClockwise();
    case ORIENTATION_RIGHTBOT:
      return image.RotateCounterClockwise() && image.MirrorHorizontal();
    case ORIENTATION_LEFTBOT:  // the first row is the left-hand column
      return image.RotateCounterClockwise();
    default:
      return true;
  }
}

// How the samples of a pixel read by the strip path become the picture's pixel.
enum class SampleKind {
  kIndex,         // grey level or palette index
  kMappedColour,  // palette index of more than 8 bits, looked up in the colour map
  kRgb,           // red, green, blue below 8 bits
  kLab,           // CIE L*a*b*
};

}  // namespace

struct CRasterTIF::Handle {
  TiffClient client;
  TIFF* tif = nullptr;
};

CRasterTIF::CRasterTIF() : CRaster(IMAGE_FORMAT_TIF) {}

CRasterTIF::~CRasterTIF() { CloseHandle(); }

void CRasterTIF::CloseHandle() {
  if (m_handle && m_handle->tif) TIFFClose(m_handle->tif);
  m_handle.reset();
}

bool CRasterTIF::Decode(CRasterStream* stream) {
  if (!stream) return false;
  TiffClient client{stream, std::max<int64_t>(stream->Tell(), 0)};
  try {
    TiffPtr handle(TiffOpenClient(&client, "rb"));
    TIFF* tif = handle.get();
    if (!tif) Fail("Error encountered while opening TIFF file");
    m_info.frameCount = int32_t(std::min<tdir_t>(TIFFNumberOfDirectories(tif), INT32_MAX));
    if (m_info.frameToDecode < 0 || !TIFFSetDirectory(tif, tdir_t(m_info.frameToDecode)))
      Fail("Error: page not present in TIFF file");

    uint32_t width = 0, height = 0, rowsPerStrip = 0xFFFFFFFF;
    uint16_t samples = 1, bits = 1, photometric = 0, orientation = 1, planar = PLANARCONFIG_CONTIG;
    uint16_t compression = COMPRESSION_NONE;
    TIFFGetField(tif, TIFFTAG_IMAGEWIDTH, &width);
    TIFFGetField(tif, TIFFTAG_IMAGELENGTH, &height);
    TIFFGetFieldDefaulted(tif, TIFFTAG_SAMPLESPERPIXEL, &samples);
    TIFFGetFieldDefaulted(tif, TIFFTAG_BITSPERSAMPLE, &bits);
    TIFFGetFieldDefaulted(tif, TIFFTAG_ROWSPERSTRIP, &rowsPerStrip);
    TIFFGetField(tif, TIFFTAG_PHOTOMETRIC, &photometric);
    TIFFGetFieldDefaulted(tif, TIFFTAG_ORIENTATION, &orientation);
    TIFFGetFieldDefaulted(tif, TIFFTAG_PLANARCONFIG, &planar);
    TIFFGetFieldDefaulted(tif, TIFFTAG_COMPRESSION, &compression);
    // No picture without pixels, samples or rows in a strip.
    if (width == 0 || height == 0 || width > INT32_MAX || height > INT32_MAX || samples == 0 ||
        bits == 0 || rowsPerStrip == 0)
      Fail("Corrupted TIFF file!");

    if (m_info.cancelRequest == -1) {
      m_header.biWidth = int32_t(width);
      m_header.biHeight = int32_t(height);
      Fail("output dimensions returned");
    }

    uint16_t unit = RESUNIT_INCH;
    TIFFGetFieldDefaulted(tif, TIFFTAG_RESOLUTIONUNIT, &unit);
    float resolution = 0;
    const double toInch = unit == RESUNIT_CENTIMETER ? 2.54 : 1.0;
    if (TIFFGetField(tif, TIFFTAG_XRESOLUTION, &resolution)) SetDpiX(ToInt(resolution * toInch + 0.5));
    if (TIFFGetField(tif, TIFFTAG_YRESOLUTION, &resolution)) SetDpiY(ToInt(resolution * toInch + 0.5));
    float position = 0;
    if (TIFFGetField(tif, TIFFTAG_XPOSITION, &position)) m_info.placementX = ToInt(position);
    if (TIFFGetField(tif, TIFFTAG_YPOSITION, &position)) m_info.placementY = ToInt(position);
    m_info.transparentIndex = -1;
    rowsPerStrip = std::min(rowsPerStrip, height);

    const bool rgbaPath = photometric == PHOTOMETRIC_SEPARATED || photometric == PHOTOMETRIC_YCBCR ||
                          photometric == PHOTOMETRIC_LOGL || photometric == PHOTOMETRIC_LOGLUV;
    const bool palette = photometric == PHOTOMETRIC_PALETTE;
    SampleKind kind = SampleKind::kIndex;
    int depth = 8;
    if (rgbaPath) {
      depth = 24;
    } else if (palette && bits > 8) {
      kind = SampleKind::kMappedColour;
      depth = 24;
    } else if (photometric == PHOTOMETRIC_RGB) {
      kind = SampleKind::kRgb;
      depth = 24;
    } else if (!palette && photometric != PHOTOMETRIC_MINISWHITE &&
               photometric != PHOTOMETRIC_MINISBLACK && samples >= 3) {
      kind = SampleKind::kLab;
      depth = 24;
    } else if (bits == 1 || bits == 2 || bits == 4) {
      depth = bits;  // 2 bits: a 4-bit picture with four colours
    } else if (palette && bits < 8) {
      depth = bits;  // 3, 5, 6, 7 bits: the next depth held
    }
    if (!rgbaPath && bits > 16) Fail("Corrupted TIFF file!");
    if (kind == SampleKind::kRgb && samples < 3) Fail("Corrupted TIFF file!");
    {
      const int64_t fileBytes = stream->Size() - client.base;
      const uint64_t storedBytes =
          (uint64_t(samples) * bits * width + 7) / 8 * uint64_t(height);
      if (fileBytes >= 0 && !DataCanHoldPicture(compression, uint64_t(fileBytes), storedBytes, height))
        Fail("TIFF picture larger than its data can hold");
    }

    if (m_info.cancelRequest > 0) Fail("Cancelled");
    if (!Create(int32_t(width), int32_t(height), depth, IMAGE_FORMAT_TIF))
      Fail("CRasterTIF can't create image");
    // The sample after the colour is alpha: the second of a grey or palette pixel, the
    // fourth of an RGB or L*a*b* pixel.
    const bool alpha = !rgbaPath && (kind == SampleKind::kIndex ? samples >= 2
                                     : kind != SampleKind::kMappedColour && samples >= 4);
    // Premultiplied alpha is divided out of the colours.
    bool premultiplied = false;
    if (alpha) {
      uint16_t extraCount = 0;
      uint16_t* extraInfo = nullptr;
      if (TIFFGetField(tif, TIFFTAG_EXTRASAMPLES, &extraCount, &extraInfo) && extraCount > 0 && extraInfo)
        premultiplied = extraInfo[0] == EXTRASAMPLE_ASSOCALPHA;
    }
    if (alpha && !CreateAlphaPlane()) Fail("CRasterTIF can't create image");
    SetFormatOption(compression, IMAGE_FORMAT_TIF);

    if (rgbaPath) {
      std::vector<uint32_t> raster;
      try {
        raster.resize(size_t(width) * size_t(height));
      } catch (const std::bad_alloc&) {
        Fail("No space for raster buffer");
      }
      char message[1024] = {};
      TIFFRGBAImage reader;
      if (!TIFFRGBAImageOK(tif, message) || !TIFFRGBAImageBegin(&reader, tif, 1, message))
        Fail("Corrupted TIFF file!");
      // The rows as stored, bottom row first; the orientation is applied below.
      reader.req_orientation = ORIENTATION_BOTLEFT;
      reader.orientation = ORIENTATION_TOPLEFT;
      const int got = TIFFRGBAImageGet(&reader, raster.data(), width, height);
      TIFFRGBAImageEnd(&reader);
      if (!got) Fail("Corrupted TIFF file!");
      for (uint32_t y = 0; y < height; ++y) {
        if (m_info.cancelRequest != 0) Fail("Cancelled");
        uint8_t* row = GetRowPointer(int32_t(y));
        const uint32_t* source = raster.data() + size_t(y) * width;
        for (uint32_t x = 0; x < width; ++x) {
          const uint32_t p = source[x];
          row[3 * x] = uint8_t(TIFFGetB(p));
          row[3 * x + 1] = uint8_t(TIFFGetG(p));
          row[3 * x + 2] = uint8_t(TIFFGetR(p));
        }
      }
      if (!ApplyOrientation(*this, orientation)) Fail("CRasterTIF can't create image");
      return true;
    }

    // The palette: grey levels by photometric, or the colour map.
    std::vector<RGBQUAD> map;
    if (palette) {
      uint16_t *red = nullptr, *green = nullptr, *blue = nullptr;
      if (!TIFFGetField(tif, TIFFTAG_COLORMAP, &red, &green, &blue) || !red || !green || !blue)
        Fail("Corrupted TIFF file!");
      const size_t entries = size_t(1) << bits;
      bool wide = false;
      for (size_t i = 0; i < entries; ++i) wide = wide || red[i] > 255 || green[i] > 255 || blue[i] > 255;
      map.resize(entries);
      for (size_t i = 0; i < entries; ++i) {
        auto narrow = [wide](uint16_t v) { return uint8_t(wide ? uint32_t(v) * 255 / 65535 : v & 0xFF); };
        map[i] = MakeQuad(narrow(blue[i]), narrow(green[i]), narrow(red[i]));
      }
      if (depth < 24) SetPaletteFromQuads(map.data(), uint32_t(std::min<size_t>(entries, GetPaletteSize())));
    } else if (depth < 24) {
      const uint32_t colours = depth == 1 ? 2 : bits == 2 ? 4 : depth == 4 ? 16 : 256;
      const uint32_t step = 255 / (colours - 1);
      const bool minIsWhite = photometric == PHOTOMETRIC_MINISWHITE;
      for (uint32_t i = 0; i < colours; ++i) {
        const uint8_t v = uint8_t(minIsWhite ? (i * step) ^ 255 : i * step);
        SetPaletteEntry(i, v, v, v, 0);
      }
    }

    // Bands: a strip, or a row of tiles; each plane of a band in a buffer of whole rows.
    const bool tiled = TIFFIsTiled(tif) != 0;
    uint32_t tileWidth = width, bandRows = rowsPerStrip;
    if (tiled) {
      TIFFGetField(tif, TIFFTAG_TILEWIDTH, &tileWidth);
      TIFFGetField(tif, TIFFTAG_TILELENGTH, &bandRows);
      if (tileWidth == 0 || bandRows == 0) Fail("Corrupted tiled TIFF file!");
    }
    // The samples that make the picture: the colour and the alpha after it; further
    // samples of the file are passed over (separate planes of them are not read).
    const uint32_t used = std::min<uint32_t>(
        samples, kind == SampleKind::kIndex ? (alpha ? 2 : 1)
                 : kind == SampleKind::kMappedColour ? 1
                                                    : (alpha ? 4 : 3));
    const bool separate = planar == PLANARCONFIG_SEPARATE && samples > 1;
    const uint32_t planes = separate ? used : 1;
    const uint32_t planeSamples = separate ? 1 : samples;
    const uint32_t planeUsed = separate ? 1 : used;
    const uint64_t pixelBits = uint64_t(planeSamples) * bits;
    const uint64_t lineBytes = (pixelBits * width + 7) / 8;
    // Large strips of one plane are read a row at a time rather than whole.
    constexpr uint64_t kLargeBand = 16ull * 1024 * 1024;
    const bool byRow = !tiled && planes == 1 && lineBytes * std::min(bandRows, height) > kLargeBand;
    if (byRow) bandRows = 1;
    const uint32_t bandHeight = std::min(bandRows, height);
    if (lineBytes * bandHeight * planes > kMaxBandBytes) Fail("CRasterTIF can't allocate memory");
    // Rows of single samples laid out as the picture's are copied whole.
    const bool wholeRows = kind == SampleKind::kIndex && planeSamples == 1 && !alpha &&
                           int(bits) == depth && (depth == 1 || depth == 4 || depth == 8);
    std::vector<std::vector<uint8_t>> band(planes);
    std::vector<uint8_t> tile;
    uint64_t tileLineBytes = 0;
    try {
      for (auto& plane : band) plane.resize(size_t(lineBytes * bandHeight));
      if (tiled) {
        tileLineBytes = (pixelBits * tileWidth + 7) / 8;
        const tmsize_t tileSize = TIFFTileSize(tif);
        if (tileSize <= 0 || uint64_t(tileSize) > kMaxBandBytes) Fail("CRasterTIF can't allocate memory");
        tile.resize(std::max<size_t>(size_t(tileSize), size_t(tileLineBytes * bandRows)));
      }
    } catch (const std::bad_alloc&) {
      Fail("CRasterTIF can't allocate memory");
    }

    std::vector<uint32_t> values(size_t(width) * used);
    for (uint32_t top = 0; top < height; top += bandRows) {
      if (m_info.cancelRequest != 0) Fail("Cancelled");
      const uint32_t rows = std::min(bandRows, height - top);
      for (uint32_t p = 0; p < planes; ++p) {
        std::vector<uint8_t>& plane = band[p];
        std::fill(plane.begin(), plane.end(), uint8_t(0));
        if (tiled) {
          for (uint32_t left = 0; left < width; left += tileWidth) {
            std::fill(tile.begin(), tile.end(), uint8_t(0));
            if (TIFFReadTile(tif, tile.data(), left, top, 0, uint16_t(p)) < 0)
              Fail("Corrupted tiled TIFF file!");
            const uint64_t columns = std::min(tileWidth, width - left);
            for (uint32_t r = 0; r < rows; ++r)
              CopyBits(tile.data() + r * tileLineBytes, 0, plane.data() + r * lineBytes,
                       uint64_t(left) * pixelBits, columns * pixelBits);
          }
        } else if (byRow) {
          if (TIFFReadScanline(tif, plane.data(), top, 0) < 0) Fail("Corrupted TIFF file!");
        } else {
          const uint32_t strip = TIFFComputeStrip(tif, top, uint16_t(p));
          if (TIFFReadEncodedStrip(tif, strip, plane.data(), tmsize_t(lineBytes * rows)) < 0)
            Fail("Corrupted TIFF file!");
        }
      }
      for (uint32_t r = 0; r < rows; ++r) {
        const int32_t y = int32_t(height - 1 - (top + r));
        uint8_t* row = GetRowPointer(y);
        if (wholeRows) {
          std::memcpy(row, band[0].data() + r * lineBytes, size_t(lineBytes));
          // The bits past the last pixel stay clear.
          const uint32_t tail = uint32_t((uint64_t(bits) * width) & 7);
          if (tail) row[lineBytes - 1] &= uint8_t(0xFF << (8 - tail));
          continue;
        }
        for (uint32_t p = 0; p < planes; ++p)
          UnpackPixels(band[p].data() + r * lineBytes, bits, width, planeSamples, planeUsed,
                       values.data() + p, planes);
        for (uint32_t x = 0; x < width; ++x) {
          const uint32_t* s = values.data() + size_t(x) * used;
          switch (kind) {
            case SampleKind::kIndex: {
              uint32_t index = s[0];
              if (depth == 8 && bits != 8 && !(palette && bits < 8)) index = ToByte(index, bits);
              SetPixelIndex(int32_t(x), y, uint8_t(index));
              break;
            }
            case SampleKind::kMappedColour: {
              const RGBQUAD c = map[std::min<size_t>(s[0], map.size() - 1)];
              row[3 * x] = c.rgbBlue;
              row[3 * x + 1] = c.rgbGreen;
              row[3 * x + 2] = c.rgbRed;
              break;
            }
            case SampleKind::kRgb:
              row[3 * x] = ToByte(s[2], bits);
              row[3 * x + 1] = ToByte(s[1], bits);
              row[3 * x + 2] = ToByte(s[0], bits);
              break;
            case SampleKind::kLab: {
              const RGBQUAD c = LabToColour(ToByte(s[0], bits), int8_t(ToByte(s[1], bits)),
                                            int8_t(ToByte(s[2], bits)));
              row[3 * x] = c.rgbBlue;
              row[3 * x + 1] = c.rgbGreen;
              row[3 * x + 2] = c.rgbRed;
              break;
            }
          }
          if (alpha) {
            const uint8_t a = ToByte(kind == SampleKind::kIndex ? s[1] : s[3], bits);
            SetAlpha(int32_t(x), y, a);
            if (premultiplied && depth == 24 && a != 0 && a != 255)
              for (int k = 0; k < 3; ++k) row[3 * x + k] = uint8_t(std::min(255, row[3 * x + k] * 255 / a));
          }
        }
      }
    }
    if (!ApplyOrientation(*this, orientation)) Fail("CRasterTIF can't create image");
    return true;
  } catch (const TiffFailure& failure) {
    SetLastError(failure.text);
    return std::strcmp(failure.text, "output dimensions returned") == 0;
  } catch (const std::bad_alloc&) {
    SetLastError("CRasterTIF can't allocate memory");
    return false;
  }
}

bool CRasterTIF::Encode(CRasterStream* stream, bool append) {
  if (CheckEncodeTarget(stream)) return false;
  try {
    if (!m_handle) {
      m_handle.reset(new Handle{TiffClient{stream, std::max<int64_t>(stream->Tell(), 0)}, nullptr});
      m_handle->tif = TiffOpenClient(&m_handle->client, "a");
      if (!m_handle->tif) Fail("initialization fail");
    }
    m_multiPage = append || m_pages > 0;
    const int32_t page = ++m_pages;
    if (!EncodeBody(m_multiPage, page, page)) Fail("Error saving TIFF file");
    if (append) {
      if (!TIFFWriteDirectory(m_handle->tif)) Fail("Error saving TIFF directory");
    } else {
      // The last directory is written here, so that a failure to write it is reported.
      if (!TIFFFlush(m_handle->tif)) Fail("Error saving TIFF file");
      CloseHandle();
      m_multiPage = false;
      m_pages = 0;
    }
    return true;
  } catch (const TiffFailure& failure) {
    SetLastError(failure.text);
    CloseHandle();
    m_multiPage = false;
    m_pages = 0;
    return false;
  }
}

bool CRasterTIF::EncodeBody(bool multiPage, int32_t page, int32_t pageCount) {
  TIFF* tif = m_handle->tif;
  const int32_t width = GetWidth();
  const int32_t height = GetHeight();
  int bits = GetBitDepth();
  int samples = bits == 24 ? 3 : 1;
  if (bits == 24 && HasAlphaPlane()) {
    bits = 32;
    samples = 4;
  }
  const int bitsPerSample = bits / samples;
  uint16_t photometric;
  if (bits == 1) {
    // Written min-is-white: the brighter entry goes first, the bits follow it. Through the
    // view this changes the caller's picture too, without changing how it looks.
    if (CompareColorBrightness(GetPaletteEntry(0), GetPaletteEntry(1)) < 0) {
      ExchangeIndices(0, 1);
      if (SharedSource()) SharedSource()->ForgetNearestColor();
    }
    photometric = PHOTOMETRIC_MINISWHITE;
  } else if (bits == 4 || bits == 8) {
    // Grey only when the palette is the ramp that min-is-black reads back.
    const uint32_t colours = GetPaletteSize();
    const uint32_t step = 255 / (colours - 1);
    bool ramp = true;
    for (uint32_t i = 0; i < colours && ramp; ++i) {
      const RGBQUAD c = GetPaletteEntry(i);
      ramp = c.rgbRed == i * step && c.rgbGreen == i * step && c.rgbBlue == i * step;
    }
    photometric = ramp ? PHOTOMETRIC_MINISBLACK : PHOTOMETRIC_PALETTE;
    if (bits == 8 && HasAlphaPlane()) samples = 2;
  } else {
    photometric = PHOTOMETRIC_RGB;
  }

  TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, uint32_t(width));
  TIFFSetField(tif, TIFFTAG_IMAGELENGTH, uint32_t(height));
  TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, uint16_t(samples));
  TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, uint16_t(samples == 2 ? 8 : bitsPerSample));
  TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, photometric);
  TIFFSetField(tif, TIFFTAG_PLANARCONFIG, uint16_t(PLANARCONFIG_CONTIG));
  TIFFSetField(tif, TIFFTAG_ORIENTATION, uint16_t(ORIENTATION_TOPLEFT));
  if (samples == 2 || samples == 4) {
    // The last sample is alpha, not premultiplied into the colours.
    const uint16_t extra[1] = {EXTRASAMPLE_UNASSALPHA};
    TIFFSetField(tif, TIFFTAG_EXTRASAMPLES, uint16_t(1), extra);
  }
  uint32_t rowsPerStrip = TIFFDefaultStripSize(tif, uint32_t(-1));
  TIFFSetField(tif, TIFFTAG_RESOLUTIONUNIT, uint16_t(RESUNIT_INCH));
  TIFFSetField(tif, TIFFTAG_XRESOLUTION, float(GetDpiX()));
  TIFFSetField(tif, TIFFTAG_YRESOLUTION, float(GetDpiY()));
  if (multiPage) {
    TIFFSetField(tif, TIFFTAG_SUBFILETYPE, uint32_t(FILETYPE_PAGE));
    TIFFSetField(tif, TIFFTAG_PAGENUMBER, uint16_t(page), uint16_t(pageCount));
    char name[32];
    std::snprintf(name, sizeof name, "Page %d", page);
    TIFFSetField(tif, TIFFTAG_PAGENAME, name);
  } else {
    TIFFSetField(tif, TIFFTAG_SUBFILETYPE, uint32_t(0));
  }
  if (photometric == PHOTOMETRIC_PALETTE) {
    uint16_t red[256] = {}, green[256] = {}, blue[256] = {};
    for (uint32_t i = 0; i < std::min<uint32_t>(GetPaletteSize(), 256); ++i) {
      const RGBQUAD c = GetPaletteEntry(i);
      red[i] = uint16_t(c.rgbRed * 257);
      green[i] = uint16_t(c.rgbGreen * 257);
      blue[i] = uint16_t(c.rgbBlue * 257);
    }
    TIFFSetField(tif, TIFFTAG_COLORMAP, red, green, blue);
  }
  uint16_t compression = uint16_t(GetFormatOption(IMAGE_FORMAT_TIF));
  if (compression == 0)
    compression = bits == 1 ? COMPRESSION_CCITTFAX4
                  : bits <= 8 ? COMPRESSION_LZW
                              : COMPRESSION_JPEG;
  if (!TIFFSetField(tif, TIFFTAG_COMPRESSION, compression)) return false;
  if (compression == COMPRESSION_LZW && bits > 7) TIFFSetField(tif, TIFFTAG_PREDICTOR, uint16_t(PREDICTOR_HORIZONTAL));
  if (compression == COMPRESSION_JPEG) {
    TIFFSetField(tif, TIFFTAG_JPEGQUALITY, int(GetQuality()));
    rowsPerStrip = (rowsPerStrip + 7) / 8 * 8;
  }
  TIFFSetField(tif, TIFFTAG_ROWSPERSTRIP, rowsPerStrip);

  std::vector<uint8_t> line(size_t(width) * 4 + GetRowBytes());
  for (int32_t i = 0; i < height; ++i) {
    const int32_t y = height - 1 - i;
    const uint8_t* row = GetRowPointer(y);
    if (samples == 2) {
      for (int32_t x = 0; x < width; ++x) {
        line[2 * x] = row[x];
        line[2 * x + 1] = GetAlphaFast(x, y);
      }
    } else if (bits == 24) {
      for (int32_t x = 0; x < width; ++x) {
        line[3 * x] = row[3 * x + 2];
        line[3 * x + 1] = row[3 * x + 1];
        line[3 * x + 2] = row[3 * x];
      }
    } else if (bits == 32) {
      for (int32_t x = 0; x < width; ++x) {
        line[4 * x] = row[3 * x + 2];
        line[4 * x + 1] = row[3 * x + 1];
        line[4 * x + 2] = row[3 * x];
        line[4 * x + 3] = GetAlphaFast(x, y);
      }
    } else {
      std::memcpy(line.data(), row, GetRowBytes());
    }
    if (TIFFWriteScanline(tif, line.data(), uint32_t(i), 0) == -1) return false;
  }
  return true;
}
