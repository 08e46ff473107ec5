// BMP: round trips per depth and width, the header variants, RLE, 16- and 32-bit pixels,
// and damaged files.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "image/Raster.h"
#include "image/RasterBMP.h"
#include "image/RasterStream.h"
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

struct BmpParts {
  int32_t width = 2;
  int32_t height = 2;
  uint16_t bits = 24;
  uint32_t compression = 0;
  uint32_t headerSize = 40;
  uint32_t imageSize = 0;
  uint32_t coloursUsed = 0;
  Bytes afterHeader;  // masks
  Bytes palette;
  Bytes pixels;
  bool fileHeader = true;
};

Bytes MakeBmp(const BmpParts& p) {
  Bytes info;
  if (p.headerSize == 12) {
    Put32(info, 12);
    Put16(info, uint16_t(p.width));
    Put16(info, uint16_t(p.height));
    Put16(info, 1);
    Put16(info, p.bits);
  } else {
    Put32(info, p.headerSize);
    Put32(info, uint32_t(p.width));
    Put32(info, uint32_t(p.height));
    Put16(info, 1);
    Put16(info, p.bits);
    Put32(info, p.compression);
    Put32(info, p.imageSize);
    Put32(info, 2835);
    Put32(info, 2835);
    Put32(info, p.coloursUsed);
    Put32(info, 0);
    info.resize(p.headerSize, 0);
  }
  Bytes out;
  const uint32_t offset = uint32_t(14 + info.size() + p.afterHeader.size() + p.palette.size());
  if (p.fileHeader) {
    Put16(out, 0x4D42);
    Put32(out, uint32_t(offset + p.pixels.size()));
    Put32(out, 0);
    Put32(out, offset);
  }
  for (const Bytes* part :
       {static_cast<const Bytes*>(&info), &p.afterHeader, &p.palette, &p.pixels})
    out.insert(out.end(), part->begin(), part->end());
  return out;
}

uint32_t Hex(RGBQUAD q) { return uint32_t(q.rgbRed) << 16 | uint32_t(q.rgbGreen) << 8 | q.rgbBlue; }

Bytes GreyPalette(int n, int entrySize = 4) {
  Bytes b;
  for (int i = 0; i < n; ++i) {
    const uint8_t v = uint8_t(i * 255 / (n - 1));
    for (int c = 0; c < entrySize; ++c) b.push_back(c < 3 ? v : 0);
  }
  return b;
}

}  // namespace

class BmpRoundTrip : public ::testing::TestWithParam<PictureShape> {};

TEST_P(BmpRoundTrip, DecodesToTheSamePixels) {
  CRaster picture;
  FillPicture(picture, GetParam());
  const std::vector<uint8_t> expected = Opaque(ToRgba(picture));
  uint8_t* buffer = nullptr;
  size_t size = 0;
  ASSERT_TRUE(picture.EncodeMemory(buffer, size, IMAGE_FORMAT_BMP)) << picture.GetLastError();
  CRaster back;
  const bool ok = back.DecodeMemory(buffer, size, IMAGE_FORMAT_BMP);
  CRaster::FreeBuffer(buffer);
  ASSERT_TRUE(ok) << back.GetLastError();
  EXPECT_EQ(IMAGE_FORMAT_BMP, back.GetFormatId());
  EXPECT_EQ(picture.GetBitDepth(), back.GetBitDepth());
  EXPECT_EQ("", CompareRgba(expected, ToRgba(back), GetParam().width));
}

INSTANTIATE_TEST_SUITE_P(Bmp, BmpRoundTrip, ::testing::ValuesIn(AllDepthsAndWidths(7)),
                         [](const auto& info) { return Describe(info.param); });

TEST(Bmp, BareDibPixelsFollowThePalette) {
  BmpParts p;
  p.bits = 8;
  p.width = 3;
  p.height = 1;
  p.fileHeader = false;
  p.palette = GreyPalette(256);
  p.pixels = {0, 128, 255, 0};
  const Bytes file = MakeBmp(p);
  CRaster r;
  ASSERT_TRUE(r.DecodeMemory(file.data(), file.size(), IMAGE_FORMAT_BMP)) << r.GetLastError();
  EXPECT_EQ(128, r.GetPixelIndex(1, 0));
  EXPECT_EQ(255, r.GetPixelColor(2, 0, false).rgbRed);
}

TEST(Bmp, CoreHeaderPaletteHasThreeByteEntries) {
  BmpParts p;
  p.headerSize = 12;
  p.bits = 8;
  p.width = 2;
  p.height = 1;
  p.palette = GreyPalette(256, 3);
  p.palette[3 * 7] = 0x11;  // entry 7: blue 0x11
  p.pixels = {7, 255, 0, 0};
  const Bytes file = MakeBmp(p);
  CRaster r;
  ASSERT_TRUE(r.DecodeMemory(file.data(), file.size(), IMAGE_FORMAT_BMP)) << r.GetLastError();
  EXPECT_EQ(0x11, r.GetPixelColor(0, 0, false).rgbBlue);
  EXPECT_EQ(0, r.GetPaletteEntry(7).rgbReserved);
  EXPECT_EQ(0xFFFFFFu, Hex(r.GetPixelColor(1, 0, false)));
}

TEST(Bmp, SixteenBitPixelsWithDefaultAndGivenMasks) {
  BmpParts p;
  p.bits = 16;
  p.width = 1;
  p.height = 1;
  p.pixels = {0xFF, 0x7F, 0, 0};  // 0x7FFF in 5-5-5
  Bytes file = MakeBmp(p);
  CRaster r;
  ASSERT_TRUE(r.DecodeMemory(file.data(), file.size(), IMAGE_FORMAT_BMP)) << r.GetLastError();
  EXPECT_EQ(0xF8F8F8u, Hex(r.GetPixelColor(0, 0, false)));

  p.compression = 3;
  Put32(p.afterHeader, 0xF800);
  Put32(p.afterHeader, 0x07E0);
  Put32(p.afterHeader, 0x001F);
  p.pixels = {0xFF, 0xFF, 0, 0};
  file = MakeBmp(p);
  ASSERT_TRUE(r.DecodeMemory(file.data(), file.size(), IMAGE_FORMAT_BMP)) << r.GetLastError();
  const RGBQUAD c = r.GetPixelColor(0, 0, false);
  EXPECT_EQ(0xF8, c.rgbBlue);
  EXPECT_EQ(0xFC, c.rgbGreen);
  EXPECT_EQ(0xF8, c.rgbRed);
}

TEST(Bmp, SixteenBitMasksThatAreEmptyOrTooWideAreRefused) {
  for (uint32_t bad : {0x0u, 0xFFFFu, 0x1FF00u}) {
    BmpParts p;
    p.bits = 16;
    p.compression = 3;
    Put32(p.afterHeader, bad);
    Put32(p.afterHeader, 0x07E0);
    Put32(p.afterHeader, 0x001F);
    p.pixels = Bytes(8, 0xFF);
    const Bytes file = MakeBmp(p);
    CRaster r;
    EXPECT_FALSE(r.DecodeMemory(file.data(), file.size(), IMAGE_FORMAT_BMP)) << bad;
    EXPECT_STREQ("Error reading BMP info", r.GetLastError());
  }
}

TEST(Bmp, TopDownRowsPutTheFirstFileRowOnTop) {
  BmpParts p;
  p.width = 1;
  p.height = -2;
  p.pixels = {1, 1, 1, 0, 2, 2, 2, 0};
  const Bytes file = MakeBmp(p);
  CRaster r;
  ASSERT_TRUE(r.DecodeMemory(file.data(), file.size(), IMAGE_FORMAT_BMP)) << r.GetLastError();
  EXPECT_EQ(2, r.GetHeight());
  EXPECT_EQ(1, r.GetPixelColor(0, 1, false).rgbBlue);  // stored row 1 is the top line
  EXPECT_EQ(2, r.GetPixelColor(0, 0, false).rgbBlue);
}

TEST(Bmp, ThirtyTwoBitPixelsLoseTheirFourthByte) {
  BmpParts p;
  p.bits = 32;
  p.width = 2;
  p.height = 1;
  p.pixels = {1, 2, 3, 4, 5, 6, 7, 8};
  const Bytes file = MakeBmp(p);
  CRaster r;
  ASSERT_TRUE(r.DecodeMemory(file.data(), file.size(), IMAGE_FORMAT_BMP)) << r.GetLastError();
  EXPECT_EQ(24, r.GetBitDepth());
  EXPECT_FALSE(r.HasAlphaPlane());
  EXPECT_EQ(0x070605u, Hex(r.GetPixelColor(1, 0, false)));
}

TEST(Bmp, Rle8RunAcrossTheRowEndEndsDecodingAndLeavesTheRestCleared) {
  BmpParts p;
  p.bits = 8;
  p.compression = 1;
  p.width = 4;
  p.height = 3;
  p.palette = GreyPalette(256);
  // Row 0: a run of 4 of index 9 then end of line; row 1: a run of 6 (crosses the end),
  // then what would fill row 2 had decoding gone on.
  p.pixels = {4, 9, 0, 0, 6, 7, 0, 0, 4, 5, 0, 1};
  const Bytes file = MakeBmp(p);
  CRaster r;
  ASSERT_TRUE(r.DecodeMemory(file.data(), file.size(), IMAGE_FORMAT_BMP)) << r.GetLastError();
  for (int x = 0; x < 4; ++x) EXPECT_EQ(9, r.GetPixelIndex(x, 0));
  for (int x = 0; x < 4; ++x) EXPECT_EQ(7, r.GetPixelIndex(x, 1));
  for (int x = 0; x < 4; ++x) EXPECT_EQ(0, r.GetPixelIndex(x, 2));
}

TEST(Bmp, Rle8LiteralsDeltasAndTruncationStayInsideThePicture) {
  BmpParts p;
  p.bits = 8;
  p.compression = 1;
  p.width = 4;
  p.height = 3;
  p.palette = GreyPalette(256);
  // A literal of 3 (padded), end of line, a delta of (1, 0), a run of 2, then the data
  // ends without an end-of-picture code.
  p.pixels = {0, 3, 1, 2, 3, 0, 0, 0, 0, 2, 1, 0, 2, 5};
  const Bytes file = MakeBmp(p);
  CRaster r;
  ASSERT_TRUE(r.DecodeMemory(file.data(), file.size(), IMAGE_FORMAT_BMP)) << r.GetLastError();
  EXPECT_EQ(1, r.GetPixelIndex(0, 0));
  EXPECT_EQ(3, r.GetPixelIndex(2, 0));
  EXPECT_EQ(0, r.GetPixelIndex(3, 0));  // never written: cleared
  EXPECT_EQ(5, r.GetPixelIndex(1, 1));
  EXPECT_EQ(5, r.GetPixelIndex(2, 1));
  EXPECT_EQ(0, r.GetPixelIndex(0, 2));
}

TEST(Bmp, Rle4RunsAndLiteralsGiveNibblesInOrder) {
  struct Case {
    const char* what;
    Bytes pixels;
    std::vector<int> expected;
  };
  const Case cases[] = {
      // A run of 3 of (1, 2), then a run of 3 of (3, 4): odd runs start with the high nibble.
      {"odd runs", {3, 0x12, 3, 0x34, 0, 1}, {1, 2, 1, 3, 4, 3}},
      // Five literal nibbles and one pad byte.
      {"literal nibbles", {0, 5, 0xAB, 0xCD, 0xE0, 0, 0, 1}, {0xA, 0xB, 0xC, 0xD, 0xE}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    BmpParts p;
    p.bits = 4;
    p.compression = 2;
    p.width = int(c.expected.size());
    p.height = 1;
    p.palette = GreyPalette(16);
    p.pixels = c.pixels;
    const Bytes file = MakeBmp(p);
    CRaster r;
    ASSERT_TRUE(r.DecodeMemory(file.data(), file.size(), IMAGE_FORMAT_BMP)) << r.GetLastError();
    for (int x = 0; x < int(c.expected.size()); ++x)
      EXPECT_EQ(c.expected[x], r.GetPixelIndex(x, 0)) << x;
  }
}

TEST(Bmp, ColourTableOfADeepBareDibIsSkipped) {
  BmpParts p;
  p.width = 1;
  p.height = 1;
  p.coloursUsed = 3;
  p.fileHeader = false;  // pixels must be found after the whole table
  p.palette = Bytes(3 * 4, 0x40);
  p.pixels = {1, 2, 3, 0};
  const Bytes file = MakeBmp(p);
  CRaster r;
  ASSERT_TRUE(r.DecodeMemory(file.data(), file.size(), IMAGE_FORMAT_BMP)) << r.GetLastError();
  EXPECT_EQ(0u, r.GetPaletteSize());
  EXPECT_EQ(0x030201u, Hex(r.GetPixelColor(0, 0, false)));
}

TEST(Bmp, LaterHeaderVersionsOnlyForPlainPictures) {
  BmpParts p;
  p.headerSize = 124;
  p.width = 1;
  p.height = 1;
  p.imageSize = 4;
  p.pixels = {1, 2, 3, 0};
  Bytes file = MakeBmp(p);
  CRaster r;
  ASSERT_TRUE(r.DecodeMemory(file.data(), file.size(), IMAGE_FORMAT_BMP)) << r.GetLastError();
  EXPECT_EQ(0x030201u, Hex(r.GetPixelColor(0, 0, false)));
  p.compression = 3;
  file = MakeBmp(p);
  EXPECT_FALSE(r.DecodeMemory(file.data(), file.size(), IMAGE_FORMAT_BMP));
  EXPECT_STREQ("Error reading BMP info", r.GetLastError());
}

TEST(Bmp, ResolutionFromPelsPerMetre) {
  BmpParts p;
  p.pixels = Bytes(16, 0);
  const Bytes file = MakeBmp(p);
  CRaster r;
  ASSERT_TRUE(r.DecodeMemory(file.data(), file.size(), IMAGE_FORMAT_BMP));
  EXPECT_EQ(72, r.GetDpiX());
  EXPECT_EQ(72, r.GetDpiY());
}

TEST(Bmp, DimensionsOnlyRequest) {
  BmpParts p;
  p.width = 40000;
  p.height = -30000;
  const Bytes file = MakeBmp(p);
  CRaster r;
  r.SetCancelRequest(-1);
  EXPECT_TRUE(r.DecodeMemory(file.data(), file.size(), IMAGE_FORMAT_BMP));
  EXPECT_EQ(40000, r.GetWidth());
  EXPECT_EQ(30000, r.GetHeight());
  EXPECT_FALSE(r.HasPixels());
  EXPECT_STREQ("output dimensions returned", r.GetLastError());
  const uint8_t junk[4] = {1, 2, 3, 4};
  EXPECT_FALSE(r.DecodeMemory(junk, sizeof junk, IMAGE_FORMAT_BMP));
}

struct BrokenBmp {
  const char* name;
  Bytes file;
  const char* error;
};

std::vector<BrokenBmp> BrokenBmps() {
  std::vector<BrokenBmp> cases;
  BmpParts ok;
  ok.pixels = Bytes(16, 0);
  const Bytes good = MakeBmp(ok);
  cases.push_back({"Empty", {}, "Not a BMP"});
  cases.push_back({"ShortFileHeader", Bytes(good.begin(), good.begin() + 10), "Not a BMP"});
  cases.push_back(
      {"ShortInfoHeader", Bytes(good.begin(), good.begin() + 30), "Error reading BMP info"});
  auto with = [&](auto change) {
    BmpParts p = ok;
    change(p);
    return MakeBmp(p);
  };
  cases.push_back(
      {"HeaderSize20", with([](BmpParts& p) { p.headerSize = 20; }), "Error reading BMP info"});
  cases.push_back({"BitCount2", with([](BmpParts& p) { p.bits = 2; }), "Error reading BMP info"});
  cases.push_back({"BitCount0", with([](BmpParts& p) { p.bits = 0; }), "Error reading BMP info"});
  cases.push_back({"BitCount64", with([](BmpParts& p) { p.bits = 64; }), "Error reading BMP info"});
  cases.push_back({"ZeroWidth", with([](BmpParts& p) { p.width = 0; }), "Can't allocate memory"});
  cases.push_back(
      {"NegativeWidth", with([](BmpParts& p) { p.width = -5; }), "Can't allocate memory"});
  cases.push_back({"HugeDimensions", with([](BmpParts& p) {
                     p.width = 0x7FFFFFFF;
                     p.height = 0x7FFFFFFF;
                   }),
                   "Can't allocate memory"});
  cases.push_back({"MostNegativeHeight", with([](BmpParts& p) { p.height = INT32_MIN; }),
                   "Error reading BMP info"});
  cases.push_back(
      {"Compression24", with([](BmpParts& p) { p.compression = 1; }), "unknown compression"});
  cases.push_back({"Compression32", with([](BmpParts& p) {
                     p.bits = 32;
                     p.compression = 2;
                   }),
                   "unknown compression"});
  cases.push_back({"Compression8", with([](BmpParts& p) {
                     p.bits = 8;
                     p.compression = 4;
                   }),
                   "compression type not supported"});
  // Headers that declare far more than the file holds are refused before allocating.
  const char* const shortData = "Not enough pixel data in BMP file";
  cases.push_back({"HugePictureIn54Bytes", with([](BmpParts& p) {
                     p.width = p.height = 9000;
                     p.pixels.clear();
                   }),
                   shortData});
  cases.push_back({"HugePictureInABareHeader", with([](BmpParts& p) {
                     p.width = p.height = 9000;
                     p.pixels.clear();
                     p.fileHeader = false;
                   }),
                   shortData});
  cases.push_back({"Huge32BitPicture", with([](BmpParts& p) {
                     p.bits = 32;
                     p.width = p.height = 9000;
                   }),
                   shortData});
  cases.push_back({"HugeRle8Picture", with([](BmpParts& p) {
                     p.bits = 8;
                     p.compression = 1;
                     p.width = p.height = 9000;
                     p.palette = GreyPalette(256);
                     p.pixels = {255, 1, 255, 1, 0, 1};
                   }),
                   shortData});
  cases.push_back({"PixelsCutBeforeTheLastRow", with([](BmpParts& p) {
                     p.pixels.resize(13);  // 2 x 2 at 24 bits: the top row needs 6
                   }),
                   shortData});
  cases.push_back({"NoPixelDataAtAll", with([](BmpParts& p) {
                     p.width = p.height = 1;
                     p.pixels.clear();
                   }),
                   shortData});
  cases.push_back({"PaletteLongerThanTheDepth", with([](BmpParts& p) {
                     p.bits = 1;
                     p.coloursUsed = 3;
                     p.palette = Bytes(3 * 4, 0x40);
                   }),
                   "Error reading BMP info"});
  cases.push_back({"BareHeaderWithFourBillionColours", with([](BmpParts& p) {
                     p.coloursUsed = 0xFFFFFFFFu;
                     p.fileHeader = false;
                   }),
                   "Error reading BMP info"});
  return cases;
}

class BmpBroken : public ::testing::TestWithParam<BrokenBmp> {};

TEST_P(BmpBroken, FailsWithItsTextAndKeepsTheCallersPicture) {
  CRaster r(3, 3, 8, 0);
  r.Clear(42);
  const Bytes& file = GetParam().file;
  EXPECT_FALSE(r.DecodeMemory(file.data(), file.size(), IMAGE_FORMAT_BMP));
  EXPECT_STREQ(GetParam().error, r.GetLastError());
  ASSERT_TRUE(r.HasPixels());
  EXPECT_EQ(42, r.GetPixelIndex(2, 2));
}

INSTANTIATE_TEST_SUITE_P(Bmp, BmpBroken, ::testing::ValuesIn(BrokenBmps()),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(Bmp, MissingPaddingOfTheLastRowIsAllowed) {
  struct Case {
    uint16_t bits;
    int32_t width;
    Bytes pixels;  // two rows, the top one without its padding
  };
  const Case cases[] = {
      {24, 1, {9, 9, 9, 0, 7, 7, 7}},
      {8, 1, {9, 0, 0, 0, 7}},
      {16, 1, {0xFF, 0x7F, 0, 0, 0, 0}},
      {32, 1, {9, 9, 9, 0, 7, 7, 7, 0}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.bits);
    BmpParts p;
    p.bits = c.bits;
    p.width = c.width;
    p.height = 2;
    if (c.bits == 8) p.palette = GreyPalette(256);
    p.pixels = c.pixels;
    const Bytes file = MakeBmp(p);
    CRaster r;
    ASSERT_TRUE(r.DecodeMemory(file.data(), file.size(), IMAGE_FORMAT_BMP)) << r.GetLastError();
    EXPECT_EQ(c.bits == 16 ? 0u : 0x070707u, Hex(r.GetPixelColor(0, 1, false)));
  }
}

TEST(Bmp, EncodeWritesTheFileHeaderAndTheBlock) {
  CRaster picture(3, 2, 4, 0);
  picture.SetDefaultPalette();
  picture.Clear(5);
  uint8_t* buffer = nullptr;
  size_t size = 0;
  ASSERT_TRUE(picture.EncodeMemory(buffer, size, IMAGE_FORMAT_BMP));
  EXPECT_EQ(14u + picture.GetBlockSize(), size);
  EXPECT_EQ('B', buffer[0]);
  EXPECT_EQ('M', buffer[1]);
  EXPECT_EQ(size, size_t(buffer[2] | buffer[3] << 8));
  EXPECT_EQ(14 + 40 + 64, buffer[10]);
  EXPECT_EQ(0, std::memcmp(buffer + 14, picture.GetBlock(), size_t(picture.GetBlockSize())));
  CRaster::FreeBuffer(buffer);
}

TEST(Bmp, SavedRowsHaveClearedPaddingWhateverTheHeapHeld) {
  struct Case {
    int depth, width;
  };
  for (const Case c : {Case{24, 3}, Case{8, 5}, Case{4, 3}, Case{1, 3}, Case{1, 17}}) {
    SCOPED_TRACE(std::to_string(c.depth) + " bits, " + std::to_string(c.width) + " wide");
    constexpr int kHeight = 4;
    // The heap blocks the new picture may take are left full of set bits.
    {
      std::vector<void*> dirty;
      const size_t colours = c.depth == 24 ? 0 : size_t(1) << c.depth;
      const size_t bytes = 40 + 4 * colours + size_t((c.width * c.depth + 31) / 32 * 4) * kHeight;
      for (int i = 0; i < 8; ++i) {
        void* block = std::malloc(bytes);
        std::memset(block, 0xA5, bytes);
        dirty.push_back(block);
      }
      for (void* block : dirty) std::free(block);
    }
    CRaster picture(c.width, kHeight, c.depth, 0);
    ASSERT_TRUE(picture.HasPixels());
    if (c.depth < 24) picture.SetGreyPalette();
    for (int y = 0; y < kHeight; ++y)
      for (int x = 0; x < c.width; ++x) {
        if (c.depth == 24)
          picture.SetPixelColor(x, y, RGBQUAD{1, 2, 3, 0}, false);
        else
          picture.SetPixelIndex(x, y, 1);
      }
    uint8_t* buffer = nullptr;
    size_t size = 0;
    ASSERT_TRUE(picture.EncodeMemory(buffer, size, IMAGE_FORMAT_BMP));
    const size_t rowBytes = size_t(picture.GetRowBytes());
    const size_t pixelsAt = size_t(buffer[10] | buffer[11] << 8);
    ASSERT_EQ(pixelsAt + rowBytes * kHeight, size);
    const size_t usedBits = size_t(c.width) * size_t(c.depth);
    for (int y = 0; y < kHeight; ++y) {
      const uint8_t* row = buffer + pixelsAt + size_t(y) * rowBytes;
      for (size_t bit = usedBits; bit < rowBytes * 8; ++bit)
        ASSERT_EQ(0, (row[bit / 8] >> (7 - bit % 8)) & 1) << "row " << y << ", bit " << bit;
    }
    CRaster::FreeBuffer(buffer);
  }
}
