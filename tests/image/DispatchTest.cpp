// Format dispatch: detection, named formats without fallback, Load's fallback with the
// named decoder's text kept, memory and file wrappers.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "image/Raster.h"
#include "tests/image/ScratchName.h"
#include "tests/image/TestPictures.h"

namespace {

std::vector<uint8_t> EncodeSample(int32_t format) {
  CRaster picture;
  FillPicture(picture, {24, 6, 4, Extra::kNone});
  uint8_t* buffer = nullptr;
  size_t size = 0;
  if (!picture.EncodeMemory(buffer, size, format)) return {};
  std::vector<uint8_t> bytes(buffer, buffer + size);
  CRaster::FreeBuffer(buffer);
  return bytes;
}

std::string TempPath(const char* name) { return ScratchName("image_dispatch_", name); }

}  // namespace

TEST(RasterDispatch, DetectionFindsEachFormatAndKeepsItsId) {
  for (int32_t format : {IMAGE_FORMAT_BMP, IMAGE_FORMAT_PNG, IMAGE_FORMAT_ICO}) {
    const std::vector<uint8_t> bytes = EncodeSample(format);
    ASSERT_FALSE(bytes.empty()) << format;
    CRaster r;
    ASSERT_TRUE(r.DecodeMemory(bytes.data(), bytes.size(), IMAGE_FORMAT_UNKNOWN)) << format;
    EXPECT_EQ(format, r.GetFormatId());
    EXPECT_EQ(6, r.GetWidth());
  }
}

TEST(RasterDispatch, NamedFormatDoesNotFallBack) {
  const std::vector<uint8_t> bmp = EncodeSample(IMAGE_FORMAT_BMP);
  CRaster r;
  EXPECT_FALSE(r.DecodeMemory(bmp.data(), bmp.size(), IMAGE_FORMAT_PNG));
  EXPECT_STREQ("Not a PNG file", r.GetLastError());
  EXPECT_FALSE(r.HasPixels());
}

TEST(RasterDispatch, UnknownBytesAndIdsGiveTheDecodeText) {
  const uint8_t junk[64] = {1, 2, 3};
  for (int32_t id : {IMAGE_FORMAT_UNKNOWN, 16, -1}) {
    CRaster r;
    EXPECT_FALSE(r.DecodeMemory(junk, sizeof junk, id)) << id;
    EXPECT_STREQ("Decode: Unknown or wrong format", r.GetLastError()) << id;
  }
  // A format named: its decoder's own text, no detection.
  CRaster r;
  EXPECT_FALSE(r.DecodeMemory(junk, sizeof junk, IMAGE_FORMAT_PCX));
  EXPECT_STREQ("Can't read PCX image", r.GetLastError());
}

TEST(RasterDispatch, FailedDecodeKeepsTheCallersPicture) {
  CRaster r(2, 2, 24, 0);
  r.Clear(9);
  const uint8_t junk[16] = {};
  EXPECT_FALSE(r.DecodeMemory(junk, sizeof junk, IMAGE_FORMAT_UNKNOWN));
  ASSERT_TRUE(r.HasPixels());
  EXPECT_EQ(9, r.GetPixels()[0]);
}

TEST(RasterDispatch, EncodeChecks) {
  CRaster empty;
  uint8_t* buffer = nullptr;
  size_t size = 0;
  EXPECT_FALSE(empty.EncodeMemory(buffer, size, IMAGE_FORMAT_PNG));
  EXPECT_STREQ("null image!!!", empty.GetLastError());
  CRaster r(2, 2, 24, 0);
  EXPECT_FALSE(r.EncodeMemory(buffer, size, IMAGE_FORMAT_UNKNOWN));
  EXPECT_STREQ("Encode: Unknown format", r.GetLastError());
  uint8_t dummy = 0;
  buffer = &dummy;
  EXPECT_FALSE(r.EncodeMemory(buffer, size, IMAGE_FORMAT_PNG));
  EXPECT_STREQ("the buffer must be empty", r.GetLastError());
  EXPECT_EQ(&dummy, buffer);
  EXPECT_FALSE(r.Encode(nullptr, IMAGE_FORMAT_BMP));
  EXPECT_STREQ("null file handler", r.GetLastError());
}

TEST(RasterDispatch, LoadFallsBackToDetection) {
  const std::string path = TempPath("fallback.bin");
  ASSERT_TRUE(WriteFileBytes(path, EncodeSample(IMAGE_FORMAT_BMP)));
  CRaster r;
  ASSERT_TRUE(r.Load(path.c_str(), IMAGE_FORMAT_PNG));
  EXPECT_EQ(IMAGE_FORMAT_BMP, r.GetFormatId());
  CRaster out_of_range;
  EXPECT_TRUE(out_of_range.Load(path.c_str(), 16));
  std::remove(path.c_str());
}

TEST(RasterDispatch, LoadKeepsTheNamedDecodersText) {
  const std::string path = TempPath("junk.bin");
  ASSERT_TRUE(WriteFileBytes(path, std::vector<uint8_t>(64, 'x')));
  CRaster r;
  EXPECT_FALSE(r.Load(path.c_str(), IMAGE_FORMAT_PNG));
  EXPECT_STREQ("Not a PNG file", r.GetLastError());
  EXPECT_FALSE(r.Load(path.c_str(), IMAGE_FORMAT_UNKNOWN));
  EXPECT_STREQ("Decode: Unknown or wrong format", r.GetLastError());
  std::remove(path.c_str());
  CRaster missing;
  EXPECT_FALSE(missing.Load(path.c_str(), IMAGE_FORMAT_UNKNOWN));
  EXPECT_STREQ("", missing.GetLastError());
}

TEST(RasterDispatch, SaveAndLoadThroughFiles) {
  const std::string path = TempPath("saved.png");
  CRaster picture;
  FillPicture(picture, {8, 9, 5, Extra::kTransparency});
  ASSERT_TRUE(picture.Save(path.c_str(), IMAGE_FORMAT_PNG));
  CRaster back;
  ASSERT_TRUE(back.Load(path.c_str(), IMAGE_FORMAT_PNG));
  EXPECT_EQ("", CompareRgba(ToRgba(picture), ToRgba(back), 9));
  std::remove(path.c_str());
  EXPECT_FALSE(picture.Save("no_such_folder/x.png", IMAGE_FORMAT_PNG));
}

TEST(RasterDispatch, OneObjectDecodesDifferentFilesWithoutCarryingState) {
  auto encode = [](CRaster& picture, int32_t format) {
    uint8_t* buffer = nullptr;
    size_t size = 0;
    std::vector<uint8_t> bytes;
    if (picture.EncodeMemory(buffer, size, format)) bytes.assign(buffer, buffer + size);
    CRaster::FreeBuffer(buffer);
    return bytes;
  };
  // A palette PNG with palette alpha at 300 dpi, one with a transparent index, and plain
  // 8-bit BMP and icon files.
  CRaster alphaSource(4, 2, 8, 0);
  alphaSource.SetDefaultPalette();
  for (int x = 0; x < 4; ++x) {
    alphaSource.SetPixelIndex(x, 0, uint8_t(x));
    alphaSource.SetPixelIndex(x, 1, uint8_t(x));
    RGBQUAD entry = alphaSource.GetPaletteEntry(uint32_t(x));
    entry.rgbReserved = uint8_t(60 * x);
    alphaSource.SetPaletteEntry(uint32_t(x), entry);
  }
  alphaSource.EnablePaletteAlpha(true);
  alphaSource.SetDpiX(300);
  alphaSource.SetDpiY(300);
  const std::vector<uint8_t> alphaPng = encode(alphaSource, IMAGE_FORMAT_PNG);
  CRaster keySource;
  FillPicture(keySource, {8, 4, 2, Extra::kTransparency});
  const std::vector<uint8_t> keyPng = encode(keySource, IMAGE_FORMAT_PNG);
  CRaster plain;
  FillPicture(plain, {8, 4, 2, Extra::kNone});
  const std::vector<uint8_t> bmp = encode(plain, IMAGE_FORMAT_BMP);
  const std::vector<uint8_t> ico = encode(plain, IMAGE_FORMAT_ICO);
  ASSERT_FALSE(alphaPng.empty() || keyPng.empty() || bmp.empty() || ico.empty());

  CRaster r;
  ASSERT_TRUE(r.DecodeMemory(alphaPng.data(), alphaPng.size(), IMAGE_FORMAT_PNG));
  ASSERT_TRUE(r.IsPaletteAlphaEnabled());
  ASSERT_EQ(300, r.GetDpiX());
  ASSERT_TRUE(r.DecodeMemory(bmp.data(), bmp.size(), IMAGE_FORMAT_BMP));
  EXPECT_FALSE(r.IsPaletteAlphaEnabled());
  EXPECT_EQ(-1, r.GetTransparentIndex());
  EXPECT_EQ(96, r.GetDpiX());
  // Saved again, the BMP's picture is opaque.
  const std::vector<uint8_t> again = encode(r, IMAGE_FORMAT_PNG);
  CRaster back;
  ASSERT_TRUE(back.DecodeMemory(again.data(), again.size(), IMAGE_FORMAT_PNG));
  EXPECT_EQ("", CompareRgba(Opaque(ToRgba(plain)), ToRgba(back), 4));

  ASSERT_TRUE(r.DecodeMemory(keyPng.data(), keyPng.size(), IMAGE_FORMAT_PNG));
  ASSERT_EQ(0, r.GetTransparentIndex());
  ASSERT_TRUE(r.DecodeMemory(alphaPng.data(), alphaPng.size(), IMAGE_FORMAT_PNG));
  ASSERT_TRUE(r.DecodeMemory(ico.data(), ico.size(), IMAGE_FORMAT_ICO));
  EXPECT_EQ(-1, r.GetTransparentIndex());
  EXPECT_FALSE(r.IsPaletteAlphaEnabled());
  EXPECT_EQ(96, r.GetDpiX());
  EXPECT_EQ(96, r.GetDpiY());
  // What the decode is asked with does travel: the frame to decode and the options.
  r.SelectFrame(3);
  EXPECT_FALSE(r.DecodeMemory(ico.data(), ico.size(), IMAGE_FORMAT_ICO));
  EXPECT_EQ(1, r.GetFrameCount());
}
