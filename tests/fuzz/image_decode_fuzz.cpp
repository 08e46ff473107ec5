// Fuzzes one image decoder (chosen at build time by IMAGE_FUZZ_FORMAT), or the format
// detection over the whole chain of decoders (IMAGE_FORMAT_UNKNOWN): whatever the bytes,
// decoding must stay inside them and either fail leaving the caller's picture as it was,
// or give a picture whose buffers are whole and which writes back and reads again to the
// same pixels. Pictures of any size are decoded: the run's memory and time limits report
// a small input that costs too much.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

#include <zlib.h>

#include "image/Raster.h"

namespace {

void Check(bool condition) {
  if (!condition) __builtin_trap();
}

// Touches every pixel, palette entry and alpha byte, so that a buffer shorter than the
// picture claims shows up under the address sanitizer.
uint32_t Sum(const CRaster& picture) {
  uint32_t sum = 0;
  for (int32_t y = 0; y < picture.GetHeight(); ++y)
    for (int32_t x = 0; x < picture.GetWidth(); ++x) {
      const RGBQUAD c = picture.GetPixelColor(x, y, true);
      sum += c.rgbBlue + c.rgbGreen + c.rgbRed + c.rgbReserved;
      sum += picture.IsPixelTransparent(x, y);
    }
  return sum;
}

bool SameColours(const CRaster& a, const CRaster& b) {
  if (a.GetWidth() != b.GetWidth() || a.GetHeight() != b.GetHeight()) return false;
  for (int32_t y = 0; y < a.GetHeight(); ++y)
    for (int32_t x = 0; x < a.GetWidth(); ++x) {
      const RGBQUAD p = a.GetPixelColor(x, y, false), q = b.GetPixelColor(x, y, false);
      if (p.rgbBlue != q.rgbBlue || p.rgbGreen != q.rgbGreen || p.rgbRed != q.rgbRed) return false;
    }
  return true;
}

// Gives every whole chunk of a PNG its right CRC, so that mutations reach the chunk
// parsers and the pixel code instead of ending at the CRC check.
std::vector<uint8_t> WithChunkCrcs(const uint8_t* data, size_t size) {
  std::vector<uint8_t> bytes(data, data + size);
  size_t offset = 8;
  while (offset + 12 <= bytes.size()) {
    const uint8_t* p = bytes.data() + offset;
    const uint64_t length =
        uint64_t(p[0]) << 24 | uint64_t(p[1]) << 16 | uint64_t(p[2]) << 8 | p[3];
    if (offset + 12 + length > bytes.size()) break;
    const uLong crc = crc32(0, p + 4, uInt(length + 4));
    uint8_t* out = bytes.data() + offset + 8 + length;
    for (int i = 0; i < 4; ++i) out[i] = uint8_t(crc >> (24 - 8 * i));
    offset += 12 + length;
  }
  return bytes;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::vector<uint8_t> fixed;
  if (IMAGE_FUZZ_FORMAT == IMAGE_FORMAT_PNG) {
    fixed = WithChunkCrcs(data, size);
    data = fixed.data();
  }
  CRaster picture(2, 2, 8, 0);
  picture.Clear(7);
  if (!picture.DecodeMemory(data, size, IMAGE_FUZZ_FORMAT)) {
    Check(picture.HasPixels() && picture.GetWidth() == 2 && picture.GetPixelIndex(1, 1) == 7);
    Check(std::strlen(picture.GetLastError()) < 256);
    return 0;
  }
  Check(picture.HasPixels());
  // (A JPEG-2000 file may turn out to be a bare code stream.)
  const int32_t format = picture.GetFormatId();
  if (IMAGE_FUZZ_FORMAT == IMAGE_FORMAT_UNKNOWN)
    Check(format > IMAGE_FORMAT_UNKNOWN && format < IMAGE_FORMAT_COUNT);
  else
    Check(format == IMAGE_FUZZ_FORMAT ||
          (IMAGE_FUZZ_FORMAT == IMAGE_FORMAT_JP2 && format == IMAGE_FORMAT_JPC));
  Check(picture.GetWidth() > 0 && picture.GetHeight() > 0);
  // Large pictures are not worth a pixel walk and a round trip at every step.
  if (uint64_t(picture.GetWidth()) * uint64_t(picture.GetHeight()) > 256 * 256) return 0;
  Sum(picture);

  if (format == IMAGE_FORMAT_GIF && picture.GetFrameCount() > 1) {
    // Played frame after frame, each frame goes on from the last one; it must be the
    // frame that a decode from the start gives.
    const int32_t frames = std::min(picture.GetFrameCount(), 48);
    for (int32_t k = 1; k < frames; ++k) {
      picture.SelectFrame(k);
      Check(picture.DecodeMemory(data, size, format));
      Sum(picture);
    }
    CRaster fresh;
    fresh.SelectFrame(frames - 1);
    Check(fresh.DecodeMemory(data, size, format));
    Check(SameColours(picture, fresh));
    Check(picture.HasAlphaPlane() == fresh.HasAlphaPlane());
    for (int32_t y = 0; y < picture.GetHeight(); ++y)
      for (int32_t x = 0; x < picture.GetWidth(); ++x)
        Check(picture.IsPixelTransparent(x, y) == fresh.IsPixelTransparent(x, y));
  }

  // What was read writes back in the same format and reads again to the same colours
  // (a BMP keeps colours only; an icon larger than 255 pixels cannot be written). TIFF is
  // written with LZW and JPEG-2000 losslessly, so that the colours can be compared.
  if (format == IMAGE_FORMAT_TIF) picture.SetFormatOption(5, IMAGE_FORMAT_TIF);
  picture.SetQuality(100);
  uint8_t* encoded = nullptr;
  size_t encodedSize = 0;
  if (!picture.EncodeMemory(encoded, encodedSize, format)) {
    // An icon larger than 255 pixels, a quantized JPEG (paletted, not grey), a Targa below
    // 8 bits, a WBMP wider than 255, a grey frame of the JPEG-2000 family whose palette is
    // not the identity.
    Check(format == IMAGE_FORMAT_ICO || format == IMAGE_FORMAT_JPG ||
          format == IMAGE_FORMAT_TGA || format == IMAGE_FORMAT_WBMP ||
          format >= IMAGE_FORMAT_JP2);
    return 0;
  }
  CRaster again;
  bool ok = again.DecodeMemory(encoded, encodedSize, format);
  if (ok && again.GetFrameCount() > 1) {
    // A true-colour GIF is a mosaic of tiles: its last frame shows the whole picture.
    again.SelectFrame(again.GetFrameCount() - 1);
    ok = again.DecodeMemory(encoded, encodedSize, format);
  }
  CRaster::FreeBuffer(encoded);
  Check(ok);
  Check(again.GetBitDepth() == picture.GetBitDepth());
  // (JPEG is lossy: its colours are not compared; a 1-bit TIFF is written black and white.)
  if (format != IMAGE_FORMAT_ICO && format != IMAGE_FORMAT_JPG &&
      !(format == IMAGE_FORMAT_TIF && picture.GetBitDepth() == 1))
    Check(SameColours(picture, again));
  return 0;
}
