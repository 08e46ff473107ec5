// PNG: round trips per depth and transparency, the colour types with alpha, tRNS,
// resolution, what saving does to the palette, and damaged files.
#include <gtest/gtest.h>
#include <png.h>
#include <zlib.h>

#include <cstring>
#include <vector>

#include "image/Raster.h"
#include "image/RasterPNG.h"
#include "tests/image/TestPictures.h"

namespace {

using Bytes = std::vector<uint8_t>;

void PutBe32(Bytes& b, uint32_t v) {
  for (int i = 3; i >= 0; --i) b.push_back(uint8_t(v >> (8 * i)));
}

void Chunk(Bytes& file, const char* type, const Bytes& data) {
  PutBe32(file, uint32_t(data.size()));
  const size_t start = file.size();
  file.insert(file.end(), type, type + 4);
  file.insert(file.end(), data.begin(), data.end());
  PutBe32(file, uint32_t(crc32(0, file.data() + start, uInt(file.size() - start))));
}

// A PNG file made chunk by chunk: IHDR, the extra chunks, the rows (each with its filter
// byte 0) deflated into one IDAT, IEND.
Bytes MakePng(uint32_t width, uint32_t height, uint8_t bitDepth, uint8_t colourType,
              const std::vector<Bytes>& rows,
              const std::vector<std::pair<const char*, Bytes>>& extra = {}) {
  Bytes file = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  Bytes ihdr;
  PutBe32(ihdr, width);
  PutBe32(ihdr, height);
  ihdr.insert(ihdr.end(), {bitDepth, colourType, 0, 0, 0});
  Chunk(file, "IHDR", ihdr);
  for (const auto& [type, data] : extra) Chunk(file, type, data);
  Bytes raw;
  for (const Bytes& row : rows) {
    raw.push_back(0);
    raw.insert(raw.end(), row.begin(), row.end());
  }
  uLongf size = compressBound(uLong(raw.size()));
  Bytes packed(size);
  compress(packed.data(), &size, raw.data(), uLong(raw.size()));
  packed.resize(size);
  Chunk(file, "IDAT", packed);
  Chunk(file, "IEND", {});
  return file;
}

uint32_t Hex(RGBQUAD q) { return uint32_t(q.rgbRed) << 16 | uint32_t(q.rgbGreen) << 8 | q.rgbBlue; }

bool Decode(CRaster& r, const Bytes& file) {
  return r.DecodeMemory(file.data(), file.size(), IMAGE_FORMAT_PNG);
}

Bytes Encode(CRaster& r) {
  uint8_t* buffer = nullptr;
  size_t size = 0;
  if (!r.EncodeMemory(buffer, size, IMAGE_FORMAT_PNG)) return {};
  Bytes out(buffer, buffer + size);
  CRaster::FreeBuffer(buffer);
  return out;
}

}  // namespace

class PngRoundTrip : public ::testing::TestWithParam<std::tuple<PictureShape, bool>> {};

TEST_P(PngRoundTrip, DecodesToTheSamePixelsAndAlpha) {
  const auto [shape, interlaced] = GetParam();
  CRaster picture;
  FillPicture(picture, shape);
  const std::vector<uint8_t> expected = ToRgba(picture);
  picture.SetFormatOption(interlaced ? PNG_OPTION_INTERLACED : 0, IMAGE_FORMAT_PNG);
  const Bytes file = Encode(picture);
  ASSERT_FALSE(file.empty()) << picture.GetLastError();
  CRaster back;
  ASSERT_TRUE(Decode(back, file)) << back.GetLastError();
  EXPECT_EQ(IMAGE_FORMAT_PNG, back.GetFormatId());
  EXPECT_EQ(picture.GetBitDepth(), back.GetBitDepth());
  EXPECT_EQ(interlaced ? PNG_OPTION_INTERLACED : 0, back.GetFormatOption(IMAGE_FORMAT_PNG));
  EXPECT_EQ("", CompareRgba(expected, ToRgba(back), shape.width));
}

std::vector<std::tuple<PictureShape, bool>> PngShapes() {
  std::vector<std::tuple<PictureShape, bool>> shapes;
  for (int depth : {1, 4, 8, 24})
    for (int width : {1, 3, 5, 17, 33})
      for (Extra extra : {Extra::kNone, Extra::kTransparency, Extra::kPaletteAlpha}) {
        if (depth == 24 && extra == Extra::kPaletteAlpha) continue;
        shapes.push_back({PictureShape{depth, width, 7, extra}, width == 17});
      }
  return shapes;
}

INSTANTIATE_TEST_SUITE_P(Png, PngRoundTrip, ::testing::ValuesIn(PngShapes()), [](const auto& info) {
  return Describe(std::get<0>(info.param)) + (std::get<1>(info.param) ? "_interlaced" : "");
});

TEST(Png, RgbaKeepsAlphaAndWritesColourTypeSix) {
  const Bytes file = MakePng(2, 1, 8, 6, {{10, 20, 30, 40, 50, 60, 70, 255}});
  CRaster r;
  ASSERT_TRUE(Decode(r, file)) << r.GetLastError();
  EXPECT_EQ(24, r.GetBitDepth());
  ASSERT_TRUE(r.HasAlphaPlane());
  EXPECT_EQ(0x0A141Eu, Hex(r.GetPixelColor(0, 0, false)));
  EXPECT_EQ(40, r.GetAlpha(0, 0));
  const Bytes again = Encode(r);
  ASSERT_GT(again.size(), 26u);
  EXPECT_EQ(6, again[25]);  // IHDR colour type
}

TEST(Png, GreyWithAlphaKeepsAlphaAtEightAndSixteenBits) {
  CRaster r;
  ASSERT_TRUE(Decode(r, MakePng(2, 1, 8, 4, {{100, 0, 200, 128}}))) << r.GetLastError();
  ASSERT_TRUE(r.HasAlphaPlane());
  EXPECT_EQ(0x646464u, Hex(r.GetPixelColor(0, 0, false)));
  EXPECT_EQ(0, r.GetAlpha(0, 0));
  EXPECT_EQ(128, r.GetAlpha(1, 0));
  ASSERT_TRUE(Decode(r, MakePng(1, 1, 16, 4, {{0xAB, 0xCD, 0x12, 0x34}}))) << r.GetLastError();
  ASSERT_TRUE(r.HasAlphaPlane());
  EXPECT_EQ(0xABABABu, Hex(r.GetPixelColor(0, 0, false)));
  EXPECT_EQ(0x12, r.GetAlpha(0, 0));
}

TEST(Png, SixteenBitRgbaKeepsItsAlpha) {
  CRaster r;
  ASSERT_TRUE(Decode(r, MakePng(1, 1, 16, 6, {{0x11, 0, 0x22, 0, 0x33, 0, 0x44, 0x99}})));
  EXPECT_EQ(0x112233u, Hex(r.GetPixelColor(0, 0, false)));
  EXPECT_EQ(0x44, r.GetAlpha(0, 0));
}

TEST(Png, SixteenBitRgbIsStrippedToEightBits) {
  CRaster r;
  ASSERT_TRUE(Decode(r, MakePng(1, 1, 16, 2, {{0x11, 0xFF, 0x22, 0xFF, 0x33, 0xFF}})));
  EXPECT_EQ(24, r.GetBitDepth());
  EXPECT_FALSE(r.HasAlphaPlane());
  EXPECT_EQ(0x112233u, Hex(r.GetPixelColor(0, 0, false)));
}

TEST(Png, TwoBitGreyBecomesFourBitWithFourGreys) {
  CRaster r;
  ASSERT_TRUE(Decode(r, MakePng(5, 1, 2, 0, {{0x1B, 0x80}}))) << r.GetLastError();  // 0 1 2 3 2
  EXPECT_EQ(4, r.GetBitDepth());
  const int expected[] = {0, 1, 2, 3, 2};
  for (int x = 0; x < 5; ++x) EXPECT_EQ(expected[x], r.GetPixelIndex(x, 0)) << x;
  EXPECT_EQ(85, r.GetPaletteEntry(1).rgbRed);
  EXPECT_EQ(170, r.GetPaletteEntry(2).rgbGreen);
  EXPECT_EQ(255, r.GetPaletteEntry(3).rgbBlue);
}

TEST(Png, PaletteTransparencyAsIndexOrPaletteAlpha) {
  const Bytes plte = {255, 0, 0, 0, 255, 0, 0, 0, 255};
  CRaster r;
  ASSERT_TRUE(Decode(r, MakePng(3, 1, 8, 3, {{0, 1, 2}}, {{"PLTE", plte}, {"tRNS", {0}}})));
  EXPECT_EQ(0, r.GetTransparentIndex());
  EXPECT_FALSE(r.IsPaletteAlphaEnabled());
  EXPECT_FALSE(r.HasPaletteAlpha());
  ASSERT_TRUE(Decode(r, MakePng(3, 1, 8, 3, {{0, 1, 2}}, {{"PLTE", plte}, {"tRNS", {0, 128}}})));
  EXPECT_TRUE(r.IsPaletteAlphaEnabled());
  EXPECT_EQ(0, r.GetPaletteEntry(0).rgbReserved);
  EXPECT_EQ(128, r.GetPaletteEntry(1).rgbReserved);
  EXPECT_EQ(255, r.GetPaletteEntry(2).rgbReserved);
  EXPECT_EQ(255, r.GetPaletteEntry(200).rgbReserved);
}

TEST(Png, ColourKeyBecomesTheTransparentColour) {
  CRaster r;
  ASSERT_TRUE(Decode(r, MakePng(2, 1, 8, 2, {{1, 2, 3, 4, 5, 6}}, {{"tRNS", {0, 4, 0, 5, 0, 6}}})));
  EXPECT_FALSE(r.HasAlphaPlane());
  EXPECT_TRUE(r.HasTransparentColor());
  EXPECT_EQ(0x040506u, Hex(r.GetTransparentColor()));
  EXPECT_FALSE(r.IsPixelTransparent(0, 0));
  EXPECT_TRUE(r.IsPixelTransparent(1, 0));
  ASSERT_TRUE(Decode(r, MakePng(2, 1, 8, 0, {{7, 9}}, {{"tRNS", {0, 9}}})));
  EXPECT_EQ(9, r.GetTransparentIndex());
  EXPECT_TRUE(r.IsPixelTransparent(1, 0));
  // A 16-bit key matches exactly: only the keyed pixel is transparent.
  ASSERT_TRUE(Decode(r, MakePng(2, 1, 16, 2, {{1, 1, 2, 2, 3, 3, 1, 0, 2, 2, 3, 3}},
                                {{"tRNS", {1, 1, 2, 2, 3, 3}}})));
  ASSERT_TRUE(r.HasAlphaPlane());
  EXPECT_EQ(0, r.GetAlpha(0, 0));
  EXPECT_EQ(255, r.GetAlpha(1, 0));
}

TEST(Png, ResolutionFromPhys) {
  Bytes phys;
  PutBe32(phys, 2835);
  PutBe32(phys, 2835);
  phys.push_back(1);
  CRaster r;
  ASSERT_TRUE(Decode(r, MakePng(1, 1, 8, 0, {{0}}, {{"pHYs", phys}})));
  EXPECT_EQ(72, r.GetDpiX());
  ASSERT_TRUE(Decode(r, MakePng(1, 1, 8, 0, {{0}})));
  EXPECT_EQ(96, r.GetDpiX());
  // Without a unit the raw values are the resolution, however large (found by fuzzing).
  phys.clear();
  PutBe32(phys, 0xFA000B13);
  PutBe32(phys, 0x7FFFFFFF);
  phys.push_back(0);
  ASSERT_TRUE(Decode(r, MakePng(1, 1, 8, 0, {{0}}, {{"pHYs", phys}})));
  EXPECT_EQ(INT32_MAX, r.GetDpiX());
  EXPECT_EQ(INT32_MAX, r.GetHeader().biXPelsPerMeter);
}

TEST(Png, SavingWritesOnlyThePaletteEntriesInUse) {
  CRaster picture(100, 100, 8, 0);
  picture.SetDefaultPalette();
  for (int y = 0; y < 100; ++y)
    for (int x = 0; x < 100; ++x) picture.SetPixelIndex(x, y, uint8_t((x + y) % 10));
  const Bytes file = Encode(picture);
  const uint8_t plte[] = {'P', 'L', 'T', 'E'};
  auto it = std::search(file.begin(), file.end(), plte, plte + 4);
  ASSERT_NE(file.end(), it);
  const size_t length = size_t(it[-1]) | size_t(it[-2]) << 8;
  EXPECT_EQ(30u, length);
}

TEST(Png, SavingMovesTheTransparentIndexToZeroInTheCallersPicture) {
  CRaster picture(4, 1, 8, 0);
  picture.SetDefaultPalette();
  for (int x = 0; x < 4; ++x) picture.SetPixelIndex(x, 0, uint8_t(x * 3));
  picture.SetTransparentIndex(6);
  const uint32_t entry0 = Hex(picture.GetPaletteEntry(0));
  const uint32_t entry6 = Hex(picture.GetPaletteEntry(6));
  const RGBQUAD colour6 = picture.GetPaletteEntry(6);
  ASSERT_EQ(6, picture.FindNearestIndex(colour6));
  ASSERT_FALSE(Encode(picture).empty());
  EXPECT_EQ(0, picture.FindNearestIndex(colour6));  // not the answer from before the exchange
  EXPECT_EQ(0, picture.GetTransparentIndex());
  EXPECT_EQ(entry6, Hex(picture.GetPaletteEntry(0)));
  EXPECT_EQ(entry0, Hex(picture.GetPaletteEntry(6)));
  EXPECT_EQ(0, picture.GetPixelIndex(2, 0));
  EXPECT_EQ(6, picture.GetPixelIndex(0, 0));
}

TEST(Png, TransparentColourSavesAsAlphaWithoutAddingAPlane) {
  CRaster picture(2, 1, 24, 0);
  RGBQUAD magenta = {255, 0, 255, 0};
  RGBQUAD green = {0, 255, 0, 0};
  picture.SetPixelColor(0, 0, magenta, false);
  picture.SetPixelColor(1, 0, green, false);
  picture.SetTransparentColor(magenta);
  picture.SetTransparentIndex(0);
  const Bytes file = Encode(picture);
  EXPECT_FALSE(picture.HasAlphaPlane());
  CRaster back;
  ASSERT_TRUE(Decode(back, file));
  ASSERT_TRUE(back.HasAlphaPlane());
  EXPECT_EQ(0, back.GetAlpha(0, 0));
  EXPECT_EQ(255, back.GetAlpha(1, 0));
}

TEST(Png, AlphaMaximumScalesTheWrittenAlpha) {
  // Pixel 0 is the colour key where there is one; pixel 1 is opaque either way.
  struct Case {
    const char* what;
    bool plane;
    bool key;
  };
  for (const Case& c : {Case{"alpha plane", true, false}, Case{"colour key, no plane", false, true},
                        Case{"plane and key", true, true}}) {
    SCOPED_TRACE(c.what);
    CRaster picture(2, 1, 24, 0);
    picture.SetPixelColor(0, 0, RGBQUAD{255, 0, 255, 0}, false);
    picture.SetPixelColor(1, 0, RGBQUAD{0, 255, 0, 0}, false);
    if (c.plane) picture.CreateAlphaPlane();
    if (c.key) {
      picture.SetTransparentColor(RGBQUAD{255, 0, 255, 0});
      picture.SetTransparentIndex(0);
    }
    picture.SetAlphaMaximum(127);
    CRaster back;
    ASSERT_TRUE(Decode(back, Encode(picture)));
    EXPECT_EQ(c.key ? 0 : 127, back.GetAlpha(0, 0));
    EXPECT_EQ(127, back.GetAlpha(1, 0));
  }
}

TEST(Png, PalettedPictureWithAnAlphaPlaneIsWrittenWithAlpha) {
  // A 1-bit icon decoded with its mask: both indices in use, so the mask stays a plane.
  for (int depth : {1, 4, 8}) {
    SCOPED_TRACE(depth);
    CRaster picture(3, 2, depth, 0);
    picture.SetPaletteEntry(0, 0, 0, 0, 0);
    picture.SetPaletteEntry(1, 255, 255, 255, 0);
    for (int x = 0; x < 3; ++x)
      for (int y = 0; y < 2; ++y) picture.SetPixelIndex(x, y, uint8_t((x + y) & 1));
    ASSERT_TRUE(picture.CreateAlphaPlane());
    picture.SetAlpha(1, 0, 0);
    picture.SetAlpha(2, 1, 0);
    const std::vector<uint8_t> expected = ToRgba(picture);
    CRaster back;
    ASSERT_TRUE(Decode(back, Encode(picture)));
    ASSERT_TRUE(back.HasAlphaPlane());
    EXPECT_EQ(0, back.GetAlpha(1, 0));
    EXPECT_EQ(255, back.GetAlpha(0, 0));
    EXPECT_EQ("", CompareRgba(expected, ToRgba(back), 3));
  }
}

TEST(Png, DamagedFilesFailWithLibpngsTextAndKeepTheCallersPicture) {
  const Bytes good = MakePng(4, 4, 8, 2, std::vector<Bytes>(4, Bytes(12, 7)));
  Bytes badCrc = good;
  badCrc[29] ^= 0xFF;  // the IHDR CRC
  Bytes hugeChunk = good;
  hugeChunk[33] = 0x7F;  // IDAT length 0x7Fxxxxxx
  Bytes hugeSize = MakePng(1000001, 1, 8, 0, {{0}});
  Bytes zeroWidth = MakePng(0, 1, 8, 0, {{0}});
  Bytes badDepth = MakePng(1, 1, 3, 0, {{0}});
  struct Case {
    const char* name;
    Bytes file;
    const char* error;
  };
  const Case cases[] = {
      {"truncated", Bytes(good.begin(), good.end() - 20), "Read Error"},
      {"signature only", Bytes(good.begin(), good.begin() + 8), "Read Error"},
      {"not a png", Bytes(20, 'x'), "Not a PNG file"},
      {"chunk longer than the file", hugeChunk, "Read Error"},
      {"bad crc", badCrc, "IHDR: CRC error"},
      {"too wide", hugeSize, "Invalid IHDR data"},
      {"zero width", zeroWidth, "Invalid IHDR data"},
      {"bit depth 3", badDepth, "Invalid IHDR data"},
  };
  for (const Case& c : cases) {
    CRaster r(2, 2, 8, 0);
    r.Clear(5);
    EXPECT_FALSE(Decode(r, c.file)) << c.name;
    EXPECT_STREQ(c.error, r.GetLastError()) << c.name;
    ASSERT_TRUE(r.HasPixels()) << c.name;
    EXPECT_EQ(5, r.GetPixelIndex(1, 1)) << c.name;
  }
}

TEST(Png, TooLargeForMemoryFailsBeforeReadingRows) {
  CRaster r;
  EXPECT_FALSE(Decode(r, MakePng(100000, 100000, 8, 2, {{0}})));
  EXPECT_STREQ("RASTER_MAX_MEMORY exceeded", r.GetLastError());
}

TEST(Png, CancelRequestStopsDecoding) {
  CRaster r;
  r.SetCancelRequest(1);
  EXPECT_FALSE(Decode(r, MakePng(1, 1, 8, 0, {{0}})));
  EXPECT_STREQ("Cancelled", r.GetLastError());
}

TEST(Png, ExpandTwoBitRowWidensInPlace) {
  uint8_t row[4] = {0xE4, 0x40, 0, 0};  // 3 2 1 0 1
  CRasterPNG::ExpandTwoBitRow(row, 5);
  EXPECT_EQ(0x32, row[0]);
  EXPECT_EQ(0x10, row[1]);
  EXPECT_EQ(0x10, row[2] & 0xF0);
}
