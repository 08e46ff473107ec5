// Format dispatch: detection, named formats without fallback, Load's fallback with the
// named decoder's text kept, memory and file wrappers.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "image/Raster.h"
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

std::string TempPath(const char* name) { return std::string("image_dispatch_") + name; }

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
  for (int32_t id : {IMAGE_FORMAT_UNKNOWN, 16, -1, IMAGE_FORMAT_GIF}) {
    CRaster r;
    EXPECT_FALSE(r.DecodeMemory(junk, sizeof junk, id)) << id;
    EXPECT_STREQ("Decode: Unknown or wrong format", r.GetLastError()) << id;
  }
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
