// PCX: round trips, the coded bytes the encoder writes, every plane layout the decoder
// reads, and damaged files.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "image/Raster.h"
#include "tests/image/TestPictures.h"

namespace {

using Bytes = std::vector<uint8_t>;

struct PcxParts {
  uint8_t manufacturer = 10;
  uint8_t encoding = 1;
  uint8_t bits = 8;
  uint16_t xMin = 0, yMin = 0, xMax = 1, yMax = 1;
  uint8_t planes = 1;
  uint16_t bytesPerLine = 2;
  Bytes headerPalette;  // up to 48 bytes
  Bytes data;
};

Bytes MakePcx(const PcxParts& p) {
  Bytes b(128, 0);
  b[0] = p.manufacturer;
  b[1] = 5;
  b[2] = p.encoding;
  b[3] = p.bits;
  auto put16 = [&b](size_t at, uint16_t v) {
    b[at] = uint8_t(v);
    b[at + 1] = uint8_t(v >> 8);
  };
  put16(4, p.xMin);
  put16(6, p.yMin);
  put16(8, p.xMax);
  put16(10, p.yMax);
  put16(12, 72);
  put16(14, 150);
  for (size_t i = 0; i < p.headerPalette.size() && i < 48; ++i) b[16 + i] = p.headerPalette[i];
  b[65] = p.planes;
  put16(66, p.bytesPerLine);
  b.insert(b.end(), p.data.begin(), p.data.end());
  return b;
}

uint32_t Hex(RGBQUAD q) { return uint32_t(q.rgbRed) << 16 | uint32_t(q.rgbGreen) << 8 | q.rgbBlue; }

Bytes Palette256() {
  Bytes b = {12};
  for (int i = 0; i < 256; ++i) b.insert(b.end(), {uint8_t(i), uint8_t(255 - i), uint8_t(i / 2)});
  return b;
}

}  // namespace

TEST(Pcx, RoundTripsEveryDepth) {
  for (const PictureShape& shape : AllDepthsAndWidths(5)) {
    if (shape.depth < 24 && shape.extra != Extra::kNone) continue;
    SCOPED_TRACE(Describe(shape));
    CRaster picture;
    FillPicture(picture, shape);
    if (shape.depth == 1) {
      // One bit is black and white.
      picture.SetPaletteEntry(0, 0, 0, 0, 0);
      picture.SetPaletteEntry(1, 255, 255, 255, 0);
    }
    const Bytes file = Encoded(picture, IMAGE_FORMAT_PCX);
    ASSERT_FALSE(file.empty()) << picture.GetLastError();
    CRaster back;
    ASSERT_TRUE(back.DecodeMemory(file.data(), file.size(), IMAGE_FORMAT_PCX)) << back.GetLastError();
    EXPECT_EQ(IMAGE_FORMAT_PCX, back.GetFormatId());
    EXPECT_EQ(picture.GetBitDepth(), back.GetBitDepth());
    EXPECT_EQ(shape.extra == Extra::kTransparency, back.HasAlphaPlane());
    EXPECT_EQ("", CompareRgba(ToRgba(picture), ToRgba(back), shape.width));
    EXPECT_EQ(picture.GetDpiX(), back.GetDpiX());
  }
}

TEST(Pcx, EncoderWritesTheRunsOfTheFormat) {
  // A 3-pixel-wide 8-bit picture: bytes per line 4 and a 0 byte closing every line.
  CRaster narrow(3, 2, 8, 0);
  narrow.SetGreyPalette();
  narrow.Clear(5);
  Bytes file = Encoded(narrow, IMAGE_FORMAT_PCX);
  ASSERT_GE(file.size(), 128u + 769u);
  EXPECT_EQ(4, file[66] | file[67] << 8);
  EXPECT_EQ(1, file[65]);
  EXPECT_EQ(0, file[68]);  // palette information: a palette
  const Bytes lines(file.begin() + 128, file.end() - 769);
  EXPECT_EQ((Bytes{195, 5, 0, 195, 5, 0}), lines);
  EXPECT_EQ(12, file[file.size() - 769]);
  // A run of 100 equal bytes: 63 and 37.
  CRaster wide(100, 1, 8, 0);
  wide.Clear(9);
  file = Encoded(wide, IMAGE_FORMAT_PCX);
  EXPECT_EQ((Bytes{255, 9, 192 + 37, 9}), Bytes(file.begin() + 128, file.begin() + 132));
  // A single byte of 200 is a run of one.
  CRaster single(2, 1, 8, 0);
  single.SetPixelIndex(0, 0, 200);
  single.SetPixelIndex(1, 0, 3);
  file = Encoded(single, IMAGE_FORMAT_PCX);
  EXPECT_EQ((Bytes{193, 200, 3}), Bytes(file.begin() + 128, file.begin() + 131));
  // 4-bit pictures are four planes of 1 bit with the palette in the header.
  CRaster sixteen(4, 1, 4, 0);
  sixteen.SetPaletteEntry(3, 10, 20, 30, 0);
  file = Encoded(sixteen, IMAGE_FORMAT_PCX);
  EXPECT_EQ(4, file[65]);
  EXPECT_EQ(1, file[3]);
  EXPECT_EQ((Bytes{10, 20, 30}), Bytes(file.begin() + 16 + 9, file.begin() + 16 + 12));
}

TEST(Pcx, DecodesEveryPlaneLayout) {
  struct Case {
    const char* name;
    PcxParts parts;
    int depth;
    std::vector<uint8_t> indices;  // top row, left to right; empty for true colour
  };
  Bytes sixteen;
  for (int i = 0; i < 16; ++i) sixteen.insert(sixteen.end(), {uint8_t(i * 16), uint8_t(i), uint8_t(255 - i)});
  PcxParts planar4;  // 4 planes of 1 bit: 4 pixels, indices 1, 2, 4, 15
  planar4.bits = 1;
  planar4.planes = 4;
  planar4.xMax = 3;
  planar4.yMax = 0;
  planar4.bytesPerLine = 2;
  planar4.headerPalette = sixteen;
  planar4.data = {0x90, 0, 0x50, 0, 0x30, 0, 0x10, 0};
  PcxParts planar2 = planar4;  // 2 planes: indices up to 3 need a 4-bit picture
  planar2.planes = 2;
  planar2.data = {0xA0, 0, 0x60, 0};
  PcxParts packed2;  // one plane of 2 bits
  packed2.bits = 2;
  packed2.xMax = 3;
  packed2.yMax = 0;
  packed2.bytesPerLine = 2;
  packed2.headerPalette = sixteen;
  packed2.data = {0x1B, 0};  // 0, 1, 2, 3
  PcxParts packed4 = packed2;
  packed4.bits = 4;
  packed4.data = {0x12, 0xC1, 0xEF};
  PcxParts mono = packed2;  // 1 bit, 1 plane: black and white whatever the header holds
  mono.bits = 1;
  mono.data = {0x50, 0};
  const Case cases[] = {
      {"4 planes of 1 bit", planar4, 4, {1, 2, 4, 15}},
      {"2 planes of 1 bit", planar2, 4, {1, 2, 3, 0}},
      {"1 plane of 2 bits", packed2, 4, {0, 1, 2, 3}},
      {"1 plane of 4 bits", packed4, 4, {1, 2, 14, 15}},
      {"1 plane of 1 bit", mono, 1, {0, 1, 0, 1}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const Bytes file = MakePcx(c.parts);
    CRaster r;
    ASSERT_TRUE(r.DecodeMemory(file.data(), file.size(), IMAGE_FORMAT_PCX)) << r.GetLastError();
    EXPECT_EQ(c.depth, r.GetBitDepth());
    for (size_t x = 0; x < c.indices.size(); ++x) EXPECT_EQ(c.indices[x], r.GetPixelIndex(int(x), 0)) << x;
    if (c.depth == 4) EXPECT_EQ(0xF00FF0u, Hex(r.GetPaletteEntry(15)));
    if (c.depth == 1) EXPECT_EQ(0xFFFFFFu, Hex(r.GetPaletteEntry(1)));
    EXPECT_EQ(72, r.GetDpiX());
    EXPECT_EQ(150, r.GetDpiY());
  }
  // Three and four planes of 8 bits: red, green, blue (and alpha).
  PcxParts colour;
  colour.planes = 4;
  colour.xMax = 0;
  colour.yMax = 0;
  colour.bytesPerLine = 2;
  colour.data = {10, 0, 20, 0, 30, 0, 40, 0};
  Bytes file = MakePcx(colour);
  CRaster r;
  ASSERT_TRUE(r.DecodeMemory(file.data(), file.size(), IMAGE_FORMAT_PCX)) << r.GetLastError();
  EXPECT_EQ(24, r.GetBitDepth());
  EXPECT_EQ(0x0A141Eu, Hex(r.GetPixelColor(0, 0, false)));
  ASSERT_TRUE(r.HasAlphaPlane());
  EXPECT_EQ(40, r.GetAlpha(0, 0));
  // A 256-colour file: rows from the top, the palette after the data; runs may cross lines.
  PcxParts indexed;
  indexed.xMax = 1;
  indexed.yMax = 1;
  indexed.data = {7, 0xC3, 9};
  const Bytes tail = Palette256();
  indexed.data.insert(indexed.data.end(), tail.begin(), tail.end());
  file = MakePcx(indexed);
  ASSERT_TRUE(r.DecodeMemory(file.data(), file.size(), IMAGE_FORMAT_PCX)) << r.GetLastError();
  EXPECT_EQ(7, r.GetPixelIndex(0, 1));
  EXPECT_EQ(9, r.GetPixelIndex(1, 1));
  EXPECT_EQ(9, r.GetPixelIndex(0, 0));
  EXPECT_EQ(0x07F803u, Hex(r.GetPixelColor(0, 1, false)));
}

TEST(Pcx, RefusesDamagedFiles) {
  PcxParts good;
  good.data = {1, 2, 3, 4};
  const Bytes tail = Palette256();
  good.data.insert(good.data.end(), tail.begin(), tail.end());
  struct Case {
    const char* name;
    Bytes file;
    const char* error;
  };
  std::vector<Case> cases;
  cases.push_back({"nothing", {}, "Can't read PCX image"});
  PcxParts p = good;
  p.manufacturer = 11;
  cases.push_back({"manufacturer", MakePcx(p), "Error: Not a PCX file"});
  p = good;
  p.encoding = 0;
  cases.push_back({"encoding", MakePcx(p), "PCX file has unknown encoding scheme"});
  p = good;
  p.planes = 5;
  cases.push_back({"five planes", MakePcx(p), "Can't handle image with more than 4 planes"});
  p = good;
  p.bits = 4;
  p.planes = 2;
  cases.push_back({"two planes of 4 bits", MakePcx(p), "Can't handle more than 1 bit per pixel"});
  p = good;
  p.data[4] = 11;
  cases.push_back({"colour map signature", MakePcx(p), "bad color map signature"});
  p = good;
  p.data = {1, 2, 3, 0xC5, 4};
  cases.push_back({"run past the end", MakePcx(p), "repeat count spans end of image"});
  p = good;
  p.data = {1, 2, 3};
  cases.push_back({"truncated", MakePcx(p), "corrupted PCX"});
  p = good;
  p.bytesPerLine = 1;  // shorter than the row's two pixels
  cases.push_back({"short plane lines", MakePcx(p), "corrupted PCX"});
  p = good;
  p.xMin = 5;  // an inverted box
  cases.push_back({"inverted box", MakePcx(p), "corrupted PCX"});
  p = good;
  p.bits = 3;
  cases.push_back({"3 bits", MakePcx(p), "corrupted PCX"});
  p = good;
  p.xMax = 40000;  // a line far longer than the data
  p.bytesPerLine = 40000;
  cases.push_back({"too little data", MakePcx(p), "corrupted PCX"});
  for (const Case& c : cases)
    EXPECT_EQ("", RefusedKeepingPicture(c.file, IMAGE_FORMAT_PCX, c.error)) << c.name;
  CRaster cancelled;
  cancelled.SetCancelRequest(1);
  const Bytes file = MakePcx(good);
  EXPECT_FALSE(cancelled.DecodeMemory(file.data(), file.size(), IMAGE_FORMAT_PCX));
  EXPECT_STREQ("Cancelled", cancelled.GetLastError());
}
