// The JPEG-2000 family: JPEG-2000 files and code streams, PGX, PNM and Sun raster pictures;
// round trips, the component rules (colour, alpha, frames, other precisions), detection and
// the texts of what cannot be read or written.
#include <gtest/gtest.h>

#include <algorithm>

#include <cstring>
#include <string>
#include <vector>

#include "image/Raster.h"
#include "image/RasterJasPer.h"
#include "image/RasterStream.h"
#include "tests/image/TestPictures.h"

namespace {

using Bytes = std::vector<uint8_t>;

uint32_t Hex(RGBQUAD q) { return uint32_t(q.rgbRed) << 16 | uint32_t(q.rgbGreen) << 8 | q.rgbBlue; }

Bytes Text(const std::string& s) { return Bytes(s.begin(), s.end()); }

Bytes operator+(Bytes a, const Bytes& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

void GreyRamp(CRaster& picture, int width, int height) {
  picture.Create(width, height, 8, 0);
  picture.SetGreyPalette();
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) picture.SetPixelIndex(x, y, uint8_t(x * 13 + y * 7));
}

Bytes BigEndian32(std::initializer_list<uint32_t> values) {
  Bytes b;
  for (uint32_t v : values)
    for (int i = 3; i >= 0; --i) b.push_back(uint8_t(v >> (8 * i)));
  return b;
}

}  // namespace

TEST(Jpeg2000Family, RoundTripsGreyAndColour) {
  for (int32_t format : {IMAGE_FORMAT_JP2, IMAGE_FORMAT_JPC, IMAGE_FORMAT_PGX, IMAGE_FORMAT_PNM,
                         IMAGE_FORMAT_RAS})
    for (int width : {1, 3, 17, 33})
      for (bool colour : {false, true}) {
        if (format == IMAGE_FORMAT_PGX && colour) continue;
        SCOPED_TRACE("format " + std::to_string(format) + " width " + std::to_string(width) +
                     (colour ? " colour" : " grey"));
        CRaster picture;
        if (colour)
          FillPicture(picture, {24, width, 9, Extra::kNone});
        else
          GreyRamp(picture, width, 9);
        picture.SetQuality(100);  // lossless
        const Bytes file = Encoded(picture, format);
        ASSERT_FALSE(file.empty()) << picture.GetLastError();
        for (int32_t id : {format, IMAGE_FORMAT_UNKNOWN}) {
          CRaster back;
          ASSERT_TRUE(back.DecodeMemory(file.data(), file.size(), id)) << back.GetLastError();
          EXPECT_EQ(format, back.GetFormatId());
          EXPECT_EQ(colour ? 24 : 8, back.GetBitDepth());
          EXPECT_EQ("", CompareRgba(ToRgba(picture), ToRgba(back), width));
        }
      }
}

TEST(Jpeg2000Family, QualityAsksForACompressionRatio) {
  EXPECT_EQ(0.0, CRasterJasPer::CompressionRatio(100));
  EXPECT_DOUBLE_EQ(2.0, CRasterJasPer::CompressionRatio(50));
  EXPECT_DOUBLE_EQ(100.0 / 90, CRasterJasPer::CompressionRatio(90));
  CRaster picture;
  FillPicture(picture, {24, 64, 64, Extra::kNone});
  picture.SetQuality(100);
  const Bytes lossless = Encoded(picture, IMAGE_FORMAT_JP2);
  picture.SetQuality(10);
  const Bytes small = Encoded(picture, IMAGE_FORMAT_JP2);
  ASSERT_FALSE(small.empty());
  EXPECT_LT(small.size() * 3, lossless.size());
  CRaster back;
  ASSERT_TRUE(back.DecodeMemory(small.data(), small.size(), IMAGE_FORMAT_JP2));
  EXPECT_EQ(64, back.GetWidth());
}

TEST(Jpeg2000Family, RefusesWhatItCannotWrite) {
  CRaster colourPalette(4, 4, 8, 0);
  colourPalette.SetDefaultPalette();
  for (int32_t format : {IMAGE_FORMAT_JP2, IMAGE_FORMAT_JPC, IMAGE_FORMAT_PNM, IMAGE_FORMAT_RAS, IMAGE_FORMAT_PGX}) {
    EXPECT_TRUE(Encoded(colourPalette, format).empty());
    EXPECT_STREQ("JasPer can save only RGB or GrayScale images", colourPalette.GetLastError());
  }
  CRaster colour(4, 4, 24, 0);
  EXPECT_TRUE(Encoded(colour, IMAGE_FORMAT_PGX).empty());
  EXPECT_STREQ("PGX can save only GrayScale images", colour.GetLastError());
  CRaster empty;
  EXPECT_TRUE(Encoded(empty, IMAGE_FORMAT_JP2).empty());
  EXPECT_STREQ("null image!!!", empty.GetLastError());
}

TEST(Jpeg2000Family, ComponentRules) {
  struct Case {
    const char* name;
    int32_t format;
    Bytes file;
    int depth;
    int frames;
    std::vector<uint32_t> topRow;
  };
  const std::vector<Case> cases = {
      {"PGX of 8 bits", IMAGE_FORMAT_PGX, Text("PG ML + 8 3 1\n") + Bytes{0, 128, 255}, 8, 1,
       {0x000000, 0x808080, 0xFFFFFF}},
      {"PGX of 12 bits, shown in colour", IMAGE_FORMAT_PGX, Text("PG ML + 12 2 1\n") + Bytes{0x0F, 0xFF, 0x08, 0x00},
       24, 1, {0xFFFFFF, 0x808080}},
      {"PGX signed, least significant byte first", IMAGE_FORMAT_PGX, Text("PG LM - 16 2 1\n") + Bytes{0x00, 0x80, 0xFF, 0x7F},
       24, 1, {0x000000, 0xFFFFFF}},
      {"PGX of 4 bits", IMAGE_FORMAT_PGX, Text("PGML+4 2 1\n") + Bytes{15, 1}, 4, 1, {0xFFFFFF, 0x111111}},
      {"plain bitmap", IMAGE_FORMAT_PNM, Text("P1\n# comment\n3 1\n1 0 1\n"), 1, 1, {0x000000, 0xFFFFFF, 0x000000}},
      {"raw bitmap", IMAGE_FORMAT_PNM, Text("P4 10 1\n") + Bytes{0x80, 0x40}, 1, 1, {0x000000, 0xFFFFFF}},
      {"plain grey map of 15", IMAGE_FORMAT_PNM, Text("P2 2 1 15\n15 1\n"), 4, 1, {0xFFFFFF, 0x111111}},
      {"raw grey map of 100", IMAGE_FORMAT_PNM, Text("P5 2 1 100\n") + Bytes{100, 50}, 24, 1, {0xFFFFFF, 0x808080}},
      {"raw pixel map of 16 bits", IMAGE_FORMAT_PNM, Text("P6 1 1 65535\n") + Bytes{0xFF, 0xFF, 0x80, 0x80, 0, 0},
       24, 1, {0xFF8000}},
      {"plain pixel map", IMAGE_FORMAT_PNM, Text("P3 1 1 255 10 20 30"), 24, 1, {0x0A141E}},
      {"Sun raster of 1 bit", IMAGE_FORMAT_RAS,
       BigEndian32({0x59A66A95, 3, 1, 1, 2, 1, 0, 0}) + Bytes{0xA0, 0x00}, 1, 1, {0x000000, 0xFFFFFF, 0x000000}},
      {"Sun raster of 8 bits with a colour map", IMAGE_FORMAT_RAS,
       BigEndian32({0x59A66A95, 2, 1, 8, 2, 1, 1, 6}) + Bytes{255, 0, 0, 255, 0, 0} + Bytes{1, 0}, 24, 1,
       {0x00FF00, 0xFF0000}},
      {"Sun raster of 24 bits, byte-encoded", IMAGE_FORMAT_RAS,
       BigEndian32({0x59A66A95, 2, 1, 24, 6, 2, 0, 0}) + Bytes{0x80, 0x02, 0x11, 0x80, 0x00, 0x22, 0x33}, 24, 1,
       {0x111111, 0x332280}},
      {"Sun raster of 32 bits, red first", IMAGE_FORMAT_RAS,
       BigEndian32({0x59A66A95, 1, 1, 32, 4, 3, 0, 0}) + Bytes{0, 1, 2, 3}, 24, 1, {0x010203}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    for (int32_t id : {c.format, IMAGE_FORMAT_UNKNOWN}) {
      CRaster r;
      ASSERT_TRUE(r.DecodeMemory(c.file.data(), c.file.size(), id)) << r.GetLastError();
      EXPECT_EQ(c.format, r.GetFormatId());
      EXPECT_EQ(c.depth, r.GetBitDepth());
      EXPECT_EQ(c.frames, r.GetFrameCount());
      for (size_t x = 0; x < c.topRow.size(); ++x)
        EXPECT_EQ(c.topRow[x], Hex(r.GetPixelColor(int32_t(x), r.GetHeight() - 1, false))) << "pixel " << x;
    }
  }
}

TEST(Jpeg2000Family, FramesOfSingleComponents) {
  const Bytes file = Text("PG ML + 8 2 1\n") + Bytes{1, 2};
  CRasterPGX pgx;
  pgx.SelectFrame(1);
  CRasterMemoryStream stream(const_cast<uint8_t*>(file.data()), file.size());
  EXPECT_FALSE(pgx.Decode(&stream));
  EXPECT_STREQ("wrong frame!", pgx.GetLastError());
  EXPECT_EQ(1, pgx.GetFrameCount());
  CRaster r;
  r.SelectFrame(1);
  EXPECT_FALSE(r.DecodeMemory(file.data(), file.size(), IMAGE_FORMAT_PGX));
  EXPECT_STREQ("wrong frame!", r.GetLastError());
}

TEST(Jpeg2000Family, RefusesDamagedFiles) {
  struct Case {
    const char* name;
    int32_t format;
    Bytes file;
  };
  const Bytes jp2Head = {0x00, 0x00, 0x00, 0x0C, 0x6A, 0x50, 0x20, 0x20, 0x0D, 0x0A, 0x87, 0x0A};
  const std::vector<Case> cases = {
      {"JPEG-2000 signature only", IMAGE_FORMAT_JP2, jp2Head},
      {"code stream start only", IMAGE_FORMAT_JPC, Bytes{0xFF, 0x4F, 0xFF, 0x51, 0, 0}},
      {"not JPEG-2000", IMAGE_FORMAT_JP2, Text("hello world, this is text")},
      {"PGX without size", IMAGE_FORMAT_PGX, Text("PG ML + 8\n")},
      {"PGX of 17 bits", IMAGE_FORMAT_PGX, Text("PG ML + 17 1 1\n") + Bytes{0, 0, 0, 0}},
      {"PGX cut short", IMAGE_FORMAT_PGX, Text("PG ML + 8 4 4\n") + Bytes{1, 2}},
      {"PNM P7", IMAGE_FORMAT_PNM, Text("P7 1 1 255\n") + Bytes{1}},
      {"PNM zero width", IMAGE_FORMAT_PNM, Text("P5 0 1 255\n")},
      {"PNM maximum 0", IMAGE_FORMAT_PNM, Text("P5 1 1 0\n") + Bytes{1}},
      {"PNM cut short", IMAGE_FORMAT_PNM, Text("P6 100 100 255\n") + Bytes(30, 1)},
      {"PNM plain letters", IMAGE_FORMAT_PNM, Text("P2 2 1 255\n1 x\n")},
      {"Sun raster negative height", IMAGE_FORMAT_RAS, BigEndian32({0x59A66A95, 1, 0xFFFFFFFF, 8, 0, 1, 0, 0})},
      {"Sun raster of 4 bits", IMAGE_FORMAT_RAS, BigEndian32({0x59A66A95, 1, 1, 4, 2, 1, 0, 0}) + Bytes{0, 0}},
      {"Sun raster cut short", IMAGE_FORMAT_RAS, BigEndian32({0x59A66A95, 40, 40, 24, 0, 1, 0, 0}) + Bytes(10, 0)},
  };
  for (const Case& c : cases)
    EXPECT_EQ("", RefusedKeepingPicture(c.file, c.format, "error: cannot load image data"))
        << c.name;
}

TEST(Jpeg2000Family, ColourMappedSunRasterCountsItsThreeComponents) {
  // 16384 x 5000 pixels of 1 bit in 120 KB of byte-encoded runs, with a two-entry colour
  // map: three components of 82 M samples each are more than the decoder takes.
  Bytes file = BigEndian32({0x59A66A95, 16384, 5000, 1, 0, 2, 1, 6}) + Bytes{0, 255, 0, 255, 0, 255};
  const uint64_t data = 16384 / 8 * 5000;
  for (uint64_t done = 0; done < data; done += 256) file.insert(file.end(), {0x80, 0xFF, 0x00});
  EXPECT_EQ("", RefusedKeepingPicture(file, IMAGE_FORMAT_RAS, "error: cannot allocate memory"));
  // The same rows without a colour map are one grey component, and decode.
  Bytes grey = BigEndian32({0x59A66A95, 16384, 500, 1, 0, 2, 0, 0});
  for (uint64_t done = 0; done < data / 10; done += 256) grey.insert(grey.end(), {0x80, 0xFF, 0x00});
  CRaster r;
  ASSERT_TRUE(r.DecodeMemory(grey.data(), grey.size(), IMAGE_FORMAT_RAS)) << r.GetLastError();
  EXPECT_EQ(16384, r.GetWidth());
}

TEST(Jpeg2000Family, TileGridLargerThanItsDataCanHoldIsRefused) {
  // A 32 x 16 code stream of one tile, its height raised to 16400: 1025 tiles of 32 x 16,
  // of which the data holds one.
  CRaster picture;
  FillPicture(picture, {24, 32, 16, Extra::kNone});
  uint8_t* buffer = nullptr;
  size_t size = 0;
  ASSERT_TRUE(picture.EncodeMemory(buffer, size, IMAGE_FORMAT_JPC));
  Bytes file(buffer, buffer + size);
  CRaster::FreeBuffer(buffer);
  ASSERT_EQ(0xFF, file[2]);
  ASSERT_EQ(0x51, file[3]);  // the image and tile size segment
  auto field = [&file](size_t at) {
    return uint32_t(file[at]) << 24 | uint32_t(file[at + 1]) << 16 | uint32_t(file[at + 2]) << 8 | file[at + 3];
  };
  ASSERT_EQ(32u, field(8));   // width
  ASSERT_EQ(32u, field(24));  // tile width
  ASSERT_EQ(16u, field(28));  // tile height
  CRaster whole;
  ASSERT_TRUE(whole.DecodeMemory(file.data(), file.size(), IMAGE_FORMAT_JPC)) << whole.GetLastError();
  file[14] = 0x40;  // height 0x4010
  file[15] = 0x10;
  EXPECT_EQ("", RefusedKeepingPicture(file, IMAGE_FORMAT_JPC, "error: cannot load image data"));

  // The same in a file, with a grid of 60000 tiles (the codec itself takes up to 65535).
  CRaster again;
  FillPicture(again, {24, 32, 16, Extra::kNone});
  buffer = nullptr;
  ASSERT_TRUE(again.EncodeMemory(buffer, size, IMAGE_FORMAT_JP2));
  Bytes jp2(buffer, buffer + size);
  CRaster::FreeBuffer(buffer);
  const Bytes siz = {0xFF, 0x4F, 0xFF, 0x51};
  const auto at = std::search(jp2.begin(), jp2.end(), siz.begin(), siz.end());
  ASSERT_NE(jp2.end(), at);
  at[12] = 0x00;  // height 960000
  at[13] = 0x0E;
  at[14] = 0xA6;
  at[15] = 0x00;
  EXPECT_EQ("", RefusedKeepingPicture(jp2, IMAGE_FORMAT_JP2, "error: cannot load image data"));
}
