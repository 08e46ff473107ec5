// Icons: round trips, the AND mask turned into transparency or alpha, directory errors.
#include <gtest/gtest.h>

#include <vector>

#include "image/Raster.h"
#include "image/RasterBMP.h"
#include "tests/image/TestPictures.h"

namespace {

using Bytes = std::vector<uint8_t>;

void Put32(Bytes& b, uint32_t v) {
  for (int i = 0; i < 4; ++i) b.push_back(uint8_t(v >> (8 * i)));
}
void Put16(Bytes& b, uint16_t v) {
  b.push_back(uint8_t(v));
  b.push_back(uint8_t(v >> 8));
}

// A one-picture icon file around the given palette, pixel and mask bytes.
Bytes MakeIcon(uint8_t width, uint8_t height, uint16_t bits, const Bytes& palette,
               const Bytes& pixels, const Bytes& mask, uint16_t type = 1, uint16_t count = 1) {
  Bytes b;
  Put16(b, 0);
  Put16(b, type);
  Put16(b, count);
  for (uint16_t i = 0; i < count; ++i) {
    b.push_back(width);
    b.push_back(height);
    b.push_back(0);
    b.push_back(0);
    Put16(b, 1);
    Put16(b, bits);
    Put32(b, uint32_t(40 + palette.size() + pixels.size() + mask.size()));
    Put32(b, uint32_t(6 + 16 * count));
  }
  Put32(b, 40);
  Put32(b, width);
  Put32(b, uint32_t(height) * 2);
  Put16(b, 1);
  Put16(b, bits);
  for (int i = 0; i < 6; ++i) Put32(b, 0);
  b.insert(b.end(), palette.begin(), palette.end());
  b.insert(b.end(), pixels.begin(), pixels.end());
  b.insert(b.end(), mask.begin(), mask.end());
  return b;
}

// What an icon keeps of a picture: colours, and alpha where there is any.
std::vector<uint8_t> IconView(const CRaster& picture) { return ToRgba(picture); }

}  // namespace

class IcoRoundTrip : public ::testing::TestWithParam<PictureShape> {};

TEST_P(IcoRoundTrip, DecodesToTheSamePixelsAndTransparency) {
  CRaster picture;
  FillPicture(picture, GetParam());
  const std::vector<uint8_t> expected = IconView(picture);
  uint8_t* buffer = nullptr;
  size_t size = 0;
  ASSERT_TRUE(picture.EncodeMemory(buffer, size, IMAGE_FORMAT_ICO)) << picture.GetLastError();
  CRaster back;
  const bool ok = back.DecodeMemory(buffer, size, IMAGE_FORMAT_ICO);
  CRaster::FreeBuffer(buffer);
  ASSERT_TRUE(ok) << back.GetLastError();
  EXPECT_EQ(IMAGE_FORMAT_ICO, back.GetFormatId());
  EXPECT_EQ(1, back.GetFrameCount());
  EXPECT_EQ("", CompareRgba(expected, ToRgba(back), GetParam().width));
}

INSTANTIATE_TEST_SUITE_P(Ico, IcoRoundTrip, ::testing::ValuesIn(AllDepthsAndWidths(6)),
                         [](const auto& info) { return Describe(info.param); });

TEST(Ico, ThirtyTwoBitIconOfWidthFiveKeepsEveryRowInPlace) {
  Bytes pixels;
  for (int y = 0; y < 2; ++y)
    for (int x = 0; x < 5; ++x) {
      pixels.insert(pixels.end(), {uint8_t(x), uint8_t(y), 7, uint8_t(100 + 10 * x + y)});
    }
  const Bytes file = MakeIcon(5, 2, 32, {}, pixels, Bytes(8, 0));
  CRaster r;
  ASSERT_TRUE(r.DecodeMemory(file.data(), file.size(), IMAGE_FORMAT_ICO));
  ASSERT_TRUE(r.HasAlphaPlane());
  for (int y = 0; y < 2; ++y)
    for (int x = 0; x < 5; ++x) {
      EXPECT_EQ(x, r.GetPixelColor(x, y, false).rgbBlue);
      EXPECT_EQ(y, r.GetPixelColor(x, y, false).rgbGreen);
      EXPECT_EQ(100 + 10 * x + y, r.GetAlpha(x, y));
    }
}

TEST(Ico, EightBitIconTakesTheLowestUnusedIndexForItsMask) {
  // Pixels use indexes 0..199; the masked pixel becomes index 200.
  const int w = 20, h = 10;
  Bytes palette(256 * 4, 0);
  Bytes pixels;
  for (int i = 0; i < w * h; ++i) pixels.push_back(uint8_t(i));
  Bytes mask(4 * h, 0);
  mask[0] = 0x80;  // pixel (0, 0)
  const Bytes file = MakeIcon(w, h, 8, palette, pixels, mask);
  CRaster r;
  ASSERT_TRUE(r.DecodeMemory(file.data(), file.size(), IMAGE_FORMAT_ICO));
  EXPECT_EQ(200, r.GetTransparentIndex());
  EXPECT_FALSE(r.HasAlphaPlane());
  EXPECT_EQ(200, r.GetPixelIndex(0, 0));
  EXPECT_TRUE(r.IsPixelTransparent(0, 0));
  EXPECT_FALSE(r.IsPixelTransparent(1, 0));
}

TEST(Ico, TwentyFourBitMaskOfOneColourBecomesTheTransparentColour) {
  Bytes pixels = {9, 9, 9, 1, 2, 3, 9, 9, 9, 0, 0, 0};  // one row of 3 pixels, padded
  Bytes mask = {0xA0, 0, 0, 0};                         // pixels 0 and 2
  const Bytes file = MakeIcon(3, 1, 24, {}, pixels, mask);
  CRaster r;
  ASSERT_TRUE(r.DecodeMemory(file.data(), file.size(), IMAGE_FORMAT_ICO));
  EXPECT_EQ(0, r.GetTransparentIndex());
  EXPECT_EQ(9, r.GetTransparentColor().rgbRed);
  EXPECT_FALSE(r.HasAlphaPlane());
  EXPECT_TRUE(r.IsPixelTransparent(2, 0));
}

TEST(Ico, MissingMaskLeavesThePictureOpaque) {
  const Bytes file = MakeIcon(1, 1, 24, {}, {1, 2, 3, 0}, {});
  CRaster r;
  ASSERT_TRUE(r.DecodeMemory(file.data(), file.size(), IMAGE_FORMAT_ICO));
  EXPECT_FALSE(r.HasAlphaPlane());
  EXPECT_FALSE(r.HasTransparentColor());
}

TEST(Ico, SecondEntryByFrameToDecodeAndFrameCountOnFailure) {
  // Two different pictures: 1 x 1 of colour 030201, then 2 x 1 of colour 0C0B0A.
  const Bytes first = MakeIcon(1, 1, 24, {}, {1, 2, 3, 0}, Bytes(4, 0));
  const Bytes second = MakeIcon(2, 1, 24, {}, {10, 11, 12, 10, 11, 12, 0, 0}, Bytes(4, 0));
  const size_t firstImage = first.size() - 22;
  Bytes file = {0, 0, 1, 0, 2, 0};
  file.insert(file.end(), first.begin() + 6, first.begin() + 22);
  file.insert(file.end(), second.begin() + 6, second.begin() + 22);
  file[6 + 12] = 38;  // entry 0 at 6 + 2 * 16
  const uint32_t secondOffset = uint32_t(38 + firstImage);
  for (int i = 0; i < 4; ++i) file[22 + 12 + i] = uint8_t(secondOffset >> (8 * i));
  file.insert(file.end(), first.begin() + 22, first.end());
  file.insert(file.end(), second.begin() + 22, second.end());
  CRaster r;
  r.SelectFrame(1);
  ASSERT_TRUE(r.DecodeMemory(file.data(), file.size(), IMAGE_FORMAT_ICO));
  EXPECT_EQ(2, r.GetFrameCount());
  EXPECT_EQ(2, r.GetWidth());
  EXPECT_EQ(12, r.GetPixelColor(1, 0, false).rgbRed);
  r.SelectFrame(0);
  ASSERT_TRUE(r.DecodeMemory(file.data(), file.size(), IMAGE_FORMAT_ICO));
  EXPECT_EQ(1, r.GetWidth());
  EXPECT_EQ(3, r.GetPixelColor(0, 0, false).rgbRed);
  CRaster missing;
  missing.SelectFrame(5);
  EXPECT_FALSE(missing.DecodeMemory(file.data(), file.size(), IMAGE_FORMAT_ICO));
  EXPECT_EQ(2, missing.GetFrameCount());
}

TEST(Ico, BrokenIconsFailWithoutTextOfTheirOwn) {
  const Bytes good = MakeIcon(2, 2, 8, Bytes(1024, 0), Bytes(8, 0), Bytes(8, 0));
  std::vector<std::pair<const char*, Bytes>> cases = {
      {"type 3", MakeIcon(2, 2, 8, {}, {}, {}, 3)},
      {"no entries", MakeIcon(2, 2, 8, {}, {}, {}, 1, 0)},
      {"bit count 16", MakeIcon(2, 2, 16, {}, Bytes(8, 0), Bytes(8, 0))},
      {"bit count 7", MakeIcon(2, 2, 7, {}, Bytes(8, 0), Bytes(8, 0))},
      {"directory cut", Bytes(good.begin(), good.begin() + 12)},
      {"header cut", Bytes(good.begin(), good.begin() + 40)},
  };
  Bytes farOffset = good;
  farOffset[18] = 0xFF;  // entry offset far beyond the file
  farOffset[19] = 0x7F;
  cases.push_back({"offset outside", farOffset});
  for (const auto& [name, file] : cases) {
    CRaster r(2, 2, 24, 0);
    EXPECT_FALSE(r.DecodeMemory(file.data(), file.size(), IMAGE_FORMAT_ICO)) << name;
    EXPECT_STREQ("", r.GetLastError()) << name;
    EXPECT_TRUE(r.HasPixels()) << name;
  }
  // A width byte of 0 (a 256-pixel icon) fails in the picture's creation.
  const Bytes wide = MakeIcon(0, 2, 8, Bytes(1024, 0), Bytes(8, 0), Bytes(8, 0));
  CRaster r;
  EXPECT_FALSE(r.DecodeMemory(wide.data(), wide.size(), IMAGE_FORMAT_ICO));
  EXPECT_STREQ("CRaster::Create : width and height must be greater than zero", r.GetLastError());
}

TEST(Ico, TruncatedPixelsAndMaskAreDefined) {
  const Bytes good = MakeIcon(4, 4, 24, {}, Bytes(48, 0x77), Bytes(16, 0));
  const Bytes cut(good.begin(), good.end() - 40);
  CRaster r;
  ASSERT_TRUE(r.DecodeMemory(cut.data(), cut.size(), IMAGE_FORMAT_ICO));
  EXPECT_EQ(0x77, r.GetPixelColor(0, 0, false).rgbRed);
  EXPECT_EQ(0, r.GetPixelColor(3, 3, false).rgbRed);
}

TEST(Ico, EncodeRefusesPicturesLargerThan255) {
  CRaster big(300, 300, 24, 0);
  uint8_t* buffer = nullptr;
  size_t size = 0;
  EXPECT_FALSE(big.EncodeMemory(buffer, size, IMAGE_FORMAT_ICO));
  EXPECT_STREQ("Can't save this image as icon", big.GetLastError());
  EXPECT_EQ(nullptr, buffer);
}
