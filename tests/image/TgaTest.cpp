// Targa: round trips, the header rules, colour maps of every entry size, run-length packets
// across rows and past the picture's end, orientation bits and damaged files.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "image/Raster.h"
#include "tests/image/TestPictures.h"

namespace {

using Bytes = std::vector<uint8_t>;

struct TgaParts {
  uint8_t type = 2;
  uint8_t mapType = 0;
  uint16_t mapFirst = 0;
  uint16_t mapLength = 0;
  uint8_t mapBits = 0;
  uint16_t width = 2;
  uint16_t height = 2;
  uint8_t depth = 24;
  uint8_t descriptor = 0;
  Bytes id;
  Bytes map;
  Bytes data;
};

Bytes MakeTga(const TgaParts& p) {
  Bytes b = {uint8_t(p.id.size()), p.mapType, p.type, uint8_t(p.mapFirst), uint8_t(p.mapFirst >> 8),
             uint8_t(p.mapLength), uint8_t(p.mapLength >> 8), p.mapBits, 0, 0, 0, 0,
             uint8_t(p.width), uint8_t(p.width >> 8), uint8_t(p.height), uint8_t(p.height >> 8),
             p.depth, p.descriptor};
  for (const Bytes* part : {&p.id, &p.map, &p.data}) b.insert(b.end(), part->begin(), part->end());
  return b;
}

uint32_t Hex(RGBQUAD q) { return uint32_t(q.rgbRed) << 16 | uint32_t(q.rgbGreen) << 8 | q.rgbBlue; }

// Colour of pixel (x, row from the top).
uint32_t At(const CRaster& r, int x, int top) { return Hex(r.GetPixelColor(x, r.GetHeight() - 1 - top, false)); }

}  // namespace

TEST(Tga, RoundTripsEveryDepthItWrites) {
  for (int depth : {8, 24})
    for (int width : {1, 3, 17, 33})
      for (Extra extra : {Extra::kNone, Extra::kTransparency}) {
        if (depth == 8 && extra != Extra::kNone) continue;
        const PictureShape shape{depth, width, 5, extra};
        SCOPED_TRACE(Describe(shape));
        CRaster picture;
        FillPicture(picture, shape);
        const Bytes file = Encoded(picture, IMAGE_FORMAT_TGA);
        ASSERT_FALSE(file.empty()) << picture.GetLastError();
        EXPECT_EQ(extra == Extra::kTransparency ? 32 : depth, file[16]);
        CRaster back;
        ASSERT_TRUE(back.DecodeMemory(file.data(), file.size(), IMAGE_FORMAT_TGA)) << back.GetLastError();
        EXPECT_EQ(IMAGE_FORMAT_TGA, back.GetFormatId());
        EXPECT_EQ(depth, back.GetBitDepth());
        EXPECT_EQ("", CompareRgba(ToRgba(picture), ToRgba(back), width));
      }
}

TEST(Tga, EncodingRefusesDepthsBelowEightAndScalesAlphaByTheMaximum) {
  for (int depth : {1, 4}) {
    CRaster picture(3, 3, depth, 0);
    EXPECT_TRUE(Encoded(picture, IMAGE_FORMAT_TGA).empty());
    EXPECT_STREQ("Bit depth must be 8 or 24", picture.GetLastError());
  }
  CRaster picture(2, 1, 24, 0);
  picture.Clear(0x40);
  picture.CreateAlphaPlane();
  picture.SetAlpha(0, 0, 255);
  picture.SetAlpha(1, 0, 100);
  picture.SetAlphaMaximum(128);
  const Bytes file = Encoded(picture, IMAGE_FORMAT_TGA);
  ASSERT_EQ(18u + 8u, file.size());
  EXPECT_EQ(0, file[17]);  // bottom row first
  EXPECT_EQ(128, file[18 + 3]);
  EXPECT_EQ(100 * 128 / 255, file[18 + 7]);
}

TEST(Tga, DecodesTheHeaderVariants) {
  struct Case {
    const char* name;
    TgaParts parts;
    int depth;
    std::vector<uint32_t> topRowsColours;  // row by row from the top
  };
  TgaParts topDown;  // 32 bits, top row first: colours and alpha in the same order
  topDown.depth = 32;
  topDown.height = 2;
  topDown.width = 1;
  topDown.descriptor = 0x28;
  topDown.data = {1, 2, 3, 10, 4, 5, 6, 200};
  TgaParts word;
  word.depth = 16;
  word.width = 2;
  word.height = 1;
  word.data = {0xFF, 0x7F, 0x1F, 0x00};  // white, then blue
  TgaParts mapped16;  // 16-bit colour-map entries keep the pixel data in place
  mapped16.type = 1;
  mapped16.mapType = 1;
  mapped16.mapLength = 2;
  mapped16.mapBits = 16;
  mapped16.depth = 8;
  mapped16.width = 2;
  mapped16.height = 1;
  mapped16.map = {0x00, 0x7C, 0xE0, 0x03};  // red, green
  mapped16.data = {1, 0};
  TgaParts first = mapped16;  // entries from index 3 on
  first.mapFirst = 3;
  first.mapBits = 24;
  first.map = {0, 0, 255, 0, 255, 0};
  first.data = {4, 3};
  TgaParts mirrored = word;
  mirrored.descriptor = 0x10;
  TgaParts grey;
  grey.type = 3;
  grey.depth = 8;
  grey.width = 2;
  grey.height = 1;
  grey.id = {'h', 'i'};
  grey.data = {0, 200};
  TgaParts mapOnTrueColour = word;  // a colour map before true-colour pixels is skipped
  mapOnTrueColour.mapType = 1;
  mapOnTrueColour.mapLength = 3;
  mapOnTrueColour.mapBits = 32;
  mapOnTrueColour.map = Bytes(12, 0x55);
  const Case cases[] = {
      {"top-down 32-bit", topDown, 24, {0x030201, 0x060504}},
      {"16-bit words", word, 24, {0xF8F8F8, 0x0000F8}},
      {"16-bit colour map", mapped16, 8, {0x00F800}},
      {"colour map from index 3", first, 8, {0x00FF00}},
      {"right to left", mirrored, 24, {0x0000F8}},
      {"grey with an ID field", grey, 8, {0x000000}},
      {"colour map before true colour", mapOnTrueColour, 24, {0xF8F8F8}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const Bytes file = MakeTga(c.parts);
    CRaster r;
    ASSERT_TRUE(r.DecodeMemory(file.data(), file.size(), IMAGE_FORMAT_TGA)) << r.GetLastError();
    EXPECT_EQ(c.depth, r.GetBitDepth());
    for (size_t i = 0; i < c.topRowsColours.size(); ++i) {
      const bool byRow = c.parts.width == 1;
      EXPECT_EQ(c.topRowsColours[i], byRow ? At(r, 0, int(i)) : At(r, int(i), 0)) << "pixel " << i;
    }
  }
  // The alpha of the top-down file follows its pixels.
  const Bytes file = MakeTga(topDown);
  CRaster r;
  ASSERT_TRUE(r.DecodeMemory(file.data(), file.size(), IMAGE_FORMAT_TGA));
  EXPECT_EQ(10, r.GetAlpha(0, 1));
  EXPECT_EQ(200, r.GetAlpha(0, 0));
  // Grey files read through the grey palette.
  const Bytes greyFile = MakeTga(grey);
  ASSERT_TRUE(r.DecodeMemory(greyFile.data(), greyFile.size(), IMAGE_FORMAT_TGA));
  EXPECT_EQ(0xC8C8C8u, At(r, 1, 0));
}

TEST(Tga, RunLengthPacketsCarryOverRowsButNotPastThePicture) {
  // 5 x 2, bottom row first: a literal packet of 1, then a run of 10 starting 4 pixels
  // before the end of the first row: it fills those 4 and the whole next row (5), the
  // rest of the run ends with the picture.
  TgaParts p;
  p.type = 10;
  p.width = 5;
  p.height = 2;
  p.data = {0x00, 1, 1, 1, 0x89, 9, 9, 9};
  Bytes file = MakeTga(p);
  CRaster r;
  ASSERT_TRUE(r.DecodeMemory(file.data(), file.size(), IMAGE_FORMAT_TGA)) << r.GetLastError();
  EXPECT_EQ(0x010101u, Hex(r.GetPixelColor(0, 0, false)));
  for (int x = 1; x < 5; ++x) EXPECT_EQ(0x090909u, Hex(r.GetPixelColor(x, 0, false)));
  for (int x = 0; x < 5; ++x) EXPECT_EQ(0x090909u, Hex(r.GetPixelColor(x, 1, false)));
  // A literal packet across the row end goes on in the next row.
  p.data = {0x00, 1, 1, 1, 0x05, 2, 2, 2, 3, 3, 3, 4, 4, 4, 5, 5, 5, 6, 6, 6, 7, 7, 7, 0x02, 8, 8, 8, 8, 8, 8, 8, 8, 8};
  file = MakeTga(p);
  ASSERT_TRUE(r.DecodeMemory(file.data(), file.size(), IMAGE_FORMAT_TGA)) << r.GetLastError();
  EXPECT_EQ(0x050505u, Hex(r.GetPixelColor(4, 0, false)));
  EXPECT_EQ(0x060606u, Hex(r.GetPixelColor(0, 1, false)));
  EXPECT_EQ(0x070707u, Hex(r.GetPixelColor(1, 1, false)));
  EXPECT_EQ(0x080808u, Hex(r.GetPixelColor(4, 1, false)));
}

TEST(Tga, RefusesBadHeadersAndShortFiles) {
  struct Case {
    const char* name;
    Bytes file;
    const char* error;
  };
  TgaParts longMap;
  longMap.type = 1;
  longMap.depth = 8;
  longMap.mapType = 1;
  longMap.mapLength = 257;
  longMap.mapBits = 24;
  longMap.map = Bytes(257 * 3, 0);
  longMap.data = Bytes(4, 0);
  TgaParts past = longMap;  // entries from 200 on do not fit 256
  past.mapLength = 60;
  past.mapFirst = 200;
  past.map = Bytes(60 * 3, 0);
  TgaParts zeroWidth;
  zeroWidth.width = 0;
  TgaParts depth12;
  depth12.depth = 12;
  TgaParts mappedDeep = longMap;  // colour-mapped pixels are bytes
  mappedDeep.mapLength = 2;
  mappedDeep.depth = 16;
  TgaParts badEntry = longMap;
  badEntry.mapLength = 2;
  badEntry.mapBits = 12;
  TgaParts shortRows;
  shortRows.width = 4;
  shortRows.height = 3;
  shortRows.data = Bytes(12, 7);  // one row of three
  TgaParts unknown;
  unknown.type = 4;
  const Case cases[] = {
      {"nothing", {}, "Not a TGA"},
      {"type 4", MakeTga(unknown), "Unknown TGA image type"},
      {"colour map of 257", MakeTga(longMap), "bad TGA header"},
      {"colour map past 256", MakeTga(past), "bad TGA header"},
      {"zero width", MakeTga(zeroWidth), "bad TGA header"},
      {"depth 12", MakeTga(depth12), "bad TGA header"},
      {"16-bit indices", MakeTga(mappedDeep), "bad TGA header"},
      {"12-bit map entries", MakeTga(badEntry), "bad TGA header"},
      {"rows missing", MakeTga(shortRows), "corrupted TGA"},
  };
  for (const Case& c : cases)
    EXPECT_EQ("", RefusedKeepingPicture(c.file, IMAGE_FORMAT_TGA, c.error)) << c.name;
  // A last row cut short keeps what it has; the rest stays black.
  TgaParts cut;
  cut.width = 2;
  cut.height = 2;
  cut.data = {1, 1, 1, 2, 2, 2, 3, 3, 3};
  const Bytes file = MakeTga(cut);
  CRaster r;
  ASSERT_TRUE(r.DecodeMemory(file.data(), file.size(), IMAGE_FORMAT_TGA)) << r.GetLastError();
  EXPECT_EQ(0x030303u, Hex(r.GetPixelColor(0, 1, false)));
  EXPECT_EQ(0u, Hex(r.GetPixelColor(1, 1, false)));
}

TEST(Tga, CancelRequestStopsDecoding) {
  TgaParts p;
  p.data = Bytes(12, 1);
  const Bytes file = MakeTga(p);
  for (int32_t request : {1, -1}) {
    CRaster r;
    r.SetCancelRequest(request);
    EXPECT_FALSE(r.DecodeMemory(file.data(), file.size(), IMAGE_FORMAT_TGA));
    EXPECT_STREQ("Cancelled", r.GetLastError());
  }
}
