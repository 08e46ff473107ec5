// TIFF: round trips with the tags the encoder writes, pages, and files made here with
// libtiff for every sample layout the decoder reads (depths from 1 to 16 bits, palettes,
// alpha, strips and tiles, separate planes, orientation), and damaged files.
#include <gtest/gtest.h>
#include <tiffio.h>

#include <chrono>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "image/Raster.h"
#include "image/RasterStream.h"
#include "image/RasterTIF.h"
#include "tests/image/AllocationMeter.h"
#include "tests/image/ScratchName.h"
#include "tests/image/TestPictures.h"

namespace {

using Bytes = std::vector<uint8_t>;

std::string Scratch(const char* what) {
  return ScratchName("image_tiff_", std::string(what) + ".tif");
}

uint32_t Hex(RGBQUAD q) { return uint32_t(q.rgbRed) << 16 | uint32_t(q.rgbGreen) << 8 | q.rgbBlue; }

// Writes a one-page file with libtiff: `tags` sets the fields, the rows are given top
// first (their bytes as the file holds them).
Bytes MakeTiff(const std::function<void(TIFF*)>& tags, const std::vector<Bytes>& rows,
               bool tiled = false) {
  const std::string path = Scratch("made");
  TIFF* tif = TIFFOpen(path.c_str(), "w");
  if (!tif) return {};
  tags(tif);
  if (tiled) {
    const tmsize_t size = TIFFTileSize(tif);
    for (ttile_t t = 0; t < TIFFNumberOfTiles(tif); ++t) {
      Bytes tile(size_t(size), 0);
      if (t < rows.size()) tile = rows[t];
      tile.resize(size_t(size), 0);
      TIFFWriteEncodedTile(tif, t, tile.data(), size);
    }
  } else {
    for (uint32_t y = 0; y < rows.size(); ++y) {
      Bytes row = rows[y];
      TIFFWriteScanline(tif, row.data(), y, 0);
    }
  }
  TIFFClose(tif);
  Bytes bytes = ReadFileBytes(path);
  std::remove(path.c_str());
  return bytes;
}

void Basic(TIFF* tif, uint32_t w, uint32_t h, uint16_t bits, uint16_t samples, uint16_t photometric) {
  TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, w);
  TIFFSetField(tif, TIFFTAG_IMAGELENGTH, h);
  TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, bits);
  TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, samples);
  TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, photometric);
  TIFFSetField(tif, TIFFTAG_PLANARCONFIG, uint16_t(PLANARCONFIG_CONTIG));
  TIFFSetField(tif, TIFFTAG_ROWSPERSTRIP, h);
}

// The tags of the first page of a file, read back with libtiff.
struct Tags {
  uint16_t bits = 0, samples = 0, photometric = 0, compression = 0, extraCount = 0, extra = 0;
  uint16_t predictor = 1;
  uint32_t rowsPerStrip = 0;
  float xResolution = 0;
};

Tags ReadTags(const Bytes& file) {
  const std::string path = Scratch("tags");
  WriteFileBytes(path, file);
  Tags t;
  TIFF* tif = TIFFOpen(path.c_str(), "r");
  if (tif) {
    uint16_t* extra = nullptr;
    TIFFGetField(tif, TIFFTAG_BITSPERSAMPLE, &t.bits);
    TIFFGetField(tif, TIFFTAG_SAMPLESPERPIXEL, &t.samples);
    TIFFGetField(tif, TIFFTAG_PHOTOMETRIC, &t.photometric);
    TIFFGetField(tif, TIFFTAG_COMPRESSION, &t.compression);
    TIFFGetField(tif, TIFFTAG_ROWSPERSTRIP, &t.rowsPerStrip);
    TIFFGetField(tif, TIFFTAG_PREDICTOR, &t.predictor);
    TIFFGetField(tif, TIFFTAG_XRESOLUTION, &t.xResolution);
    if (TIFFGetField(tif, TIFFTAG_EXTRASAMPLES, &t.extraCount, &extra) && extra) t.extra = extra[0];
    TIFFClose(tif);
  }
  std::remove(path.c_str());
  return t;
}

void DecodeInto(CRaster& r, const Bytes& file, int32_t frame = 0) {
  r.SelectFrame(frame);
  EXPECT_TRUE(r.DecodeMemory(file.data(), file.size(), IMAGE_FORMAT_TIF)) << r.GetLastError();
}

}  // namespace

TEST(Tiff, RoundTripsWithTheTagsOfEachDepth) {
  struct Expect {
    int depth;
    Extra extra;
    uint16_t samples, photometric, compression, extra_sample;
  } expects[] = {
      {1, Extra::kNone, 1, PHOTOMETRIC_MINISWHITE, COMPRESSION_CCITTFAX4, 0},
      {4, Extra::kNone, 1, PHOTOMETRIC_PALETTE, COMPRESSION_LZW, 0},
      {8, Extra::kNone, 1, PHOTOMETRIC_PALETTE, COMPRESSION_LZW, 0},
      {24, Extra::kNone, 3, PHOTOMETRIC_RGB, COMPRESSION_JPEG, 0},
      {24, Extra::kTransparency, 4, PHOTOMETRIC_RGB, COMPRESSION_JPEG, EXTRASAMPLE_UNASSALPHA},
  };
  for (const Expect& e : expects)
    for (int width : {1, 5, 17, 33}) {
      const PictureShape shape{e.depth, width, 19, e.extra};
      SCOPED_TRACE(Describe(shape));
      CRaster picture;
      FillPicture(picture, shape);
      if (e.depth == 1) {
        picture.SetPaletteEntry(0, 0, 0, 0, 0);
        picture.SetPaletteEntry(1, 255, 255, 255, 0);
      }
      const std::vector<uint8_t> before = ToRgba(picture);
      if (e.depth == 24) picture.SetFormatOption(COMPRESSION_LZW, IMAGE_FORMAT_TIF);
      const Bytes file = Encoded(picture, IMAGE_FORMAT_TIF);
      ASSERT_FALSE(file.empty()) << picture.GetLastError();
      const Tags tags = ReadTags(file);
      EXPECT_EQ(e.samples, tags.samples);
      EXPECT_EQ(e.photometric, tags.photometric);
      EXPECT_EQ(e.depth == 24 ? COMPRESSION_LZW : e.compression, tags.compression);
      EXPECT_EQ(e.extra_sample, tags.extra);
      EXPECT_EQ(e.depth >= 8 ? PREDICTOR_HORIZONTAL : PREDICTOR_NONE, tags.predictor);
      EXPECT_EQ(96.0f, tags.xResolution);
      // The caller's picture looks as it did, even where the encoder reordered it.
      EXPECT_EQ(before, ToRgba(picture));
      CRaster back;
    DecodeInto(back, file);
      EXPECT_EQ(IMAGE_FORMAT_TIF, back.GetFormatId());
      EXPECT_EQ(e.depth, back.GetBitDepth());
      EXPECT_EQ("", CompareRgba(before, ToRgba(back), width));
      // The default for true colour is JPEG: alpha survives exactly, colours nearly.
      if (e.depth == 24) {
        picture.SetFormatOption(0, IMAGE_FORMAT_TIF);
        picture.SetQuality(95);
        const Bytes jpeg = Encoded(picture, IMAGE_FORMAT_TIF);
        const Tags jpegTags = ReadTags(jpeg);
        EXPECT_EQ(COMPRESSION_JPEG, jpegTags.compression);
        EXPECT_EQ(0u, jpegTags.rowsPerStrip % 8);
        CRaster lossy;
    DecodeInto(lossy, jpeg);
        EXPECT_EQ(e.extra == Extra::kTransparency, lossy.HasAlphaPlane());
        EXPECT_EQ("", CompareRgbaWithin(before, ToRgba(lossy), width, 40));
      }
    }
  // Grey ramps are written as grey, with 2 samples when there is alpha.
  CRaster grey(7, 3, 8, 0);
  grey.SetGreyPalette();
  grey.SetPixelIndex(2, 1, 77);
  grey.CreateAlphaPlane();
  grey.SetAlpha(2, 1, 33);
  const Bytes file = Encoded(grey, IMAGE_FORMAT_TIF);
  const Tags tags = ReadTags(file);
  EXPECT_EQ(PHOTOMETRIC_MINISBLACK, tags.photometric);
  EXPECT_EQ(2, tags.samples);
  EXPECT_EQ(EXTRASAMPLE_UNASSALPHA, tags.extra);
  CRaster back;
    DecodeInto(back, file);
  EXPECT_EQ(77, back.GetPixelIndex(2, 1));
  EXPECT_EQ(33, back.GetAlpha(2, 1));
  EXPECT_EQ(255, back.GetAlpha(0, 0));
}

TEST(Tiff, OneBitPicturesAreWrittenMinIsWhite) {
  CRaster picture(9, 2, 1, 0);
  picture.SetPaletteEntry(0, 0, 0, 0, 0);
  picture.SetPaletteEntry(1, 255, 255, 255, 0);
  picture.Clear(0);
  picture.SetPixelIndex(4, 1, 1);
  const Bytes file = Encoded(picture, IMAGE_FORMAT_TIF);
  // The entries were exchanged and the bits inverted in the caller's picture.
  EXPECT_EQ(0xFFFFFFu, Hex(picture.GetPaletteEntry(0)));
  EXPECT_EQ(0, picture.GetPixelIndex(4, 1));
  EXPECT_EQ(1, picture.GetPixelIndex(0, 0));
  const Tags tags = ReadTags(file);
  EXPECT_EQ(PHOTOMETRIC_MINISWHITE, tags.photometric);
  EXPECT_EQ(COMPRESSION_CCITTFAX4, tags.compression);
  CRaster back;
    DecodeInto(back, file);
  EXPECT_EQ(0xFFFFFFu, Hex(back.GetPixelColor(4, 1, false)));
  EXPECT_EQ(0u, Hex(back.GetPixelColor(0, 0, false)));
}

TEST(Tiff, PagesAreCountedAndChosen) {
  CRasterTIF writer;
  CRasterMemoryStream stream;
  ASSERT_TRUE(stream.Open());
  for (int page = 0; page < 3; ++page) {
    CRaster picture(4 + page, 3, 8, 0);
    picture.SetGreyPalette();
    picture.Clear(uint8_t(10 * (page + 1)));
    writer.ShareFrom(&picture);
    ASSERT_TRUE(writer.Encode(&stream, page < 2)) << writer.GetLastError();
  }
  const Bytes file(stream.GetBuffer(false), stream.GetBuffer(false) + stream.Size());
  for (int page = 0; page < 3; ++page) {
    CRaster r;
    DecodeInto(r, file, page);
    EXPECT_EQ(3, r.GetFrameCount());
    EXPECT_EQ(4 + page, r.GetWidth());
    EXPECT_EQ(10 * (page + 1), r.GetPixelIndex(0, 0));
  }
  CRaster missing;
  missing.SelectFrame(3);
  EXPECT_FALSE(missing.DecodeMemory(file.data(), file.size(), IMAGE_FORMAT_TIF));
  EXPECT_STREQ("Error: page not present in TIFF file", missing.GetLastError());
  EXPECT_EQ(3, missing.GetFrameCount());
  // The pages carry their numbers and names.
  const std::string pages = Scratch("pages");
  WriteFileBytes(pages, file);
  TIFF* tif = TIFFOpen(pages.c_str(), "r");
  ASSERT_TRUE(tif);
  int page = 1;
  do {
    uint16_t number = 0, count = 0;
    uint32_t type = 0;
    char* name = nullptr;
    EXPECT_TRUE(TIFFGetField(tif, TIFFTAG_PAGENUMBER, &number, &count));
    EXPECT_EQ(page, number);
    EXPECT_TRUE(TIFFGetField(tif, TIFFTAG_SUBFILETYPE, &type));
    EXPECT_EQ(uint32_t(FILETYPE_PAGE), type);
    ASSERT_TRUE(TIFFGetField(tif, TIFFTAG_PAGENAME, &name));
    EXPECT_EQ("Page " + std::to_string(page), name);
    ++page;
  } while (TIFFReadDirectory(tif));
  TIFFClose(tif);
  std::remove(pages.c_str());
  EXPECT_EQ(4, page);
}

TEST(Tiff, SizeOnlyRequestAndResolution) {
  const Bytes file = MakeTiff(
      [](TIFF* tif) {
        Basic(tif, 3, 2, 8, 1, PHOTOMETRIC_MINISBLACK);
        TIFFSetField(tif, TIFFTAG_RESOLUTIONUNIT, uint16_t(RESUNIT_CENTIMETER));
        TIFFSetField(tif, TIFFTAG_XRESOLUTION, 100.0f);
        TIFFSetField(tif, TIFFTAG_YRESOLUTION, 40.0f);
        TIFFSetField(tif, TIFFTAG_XPOSITION, 12.7f);
        TIFFSetField(tif, TIFFTAG_YPOSITION, 3.0f);
      },
      {{1, 2, 3}, {4, 5, 6}});
  CRaster size;
  size.SetCancelRequest(-1);
  EXPECT_TRUE(size.DecodeMemory(file.data(), file.size(), IMAGE_FORMAT_TIF));
  EXPECT_STREQ("output dimensions returned", size.GetLastError());
  EXPECT_EQ(3, size.GetWidth());
  EXPECT_EQ(2, size.GetHeight());
  EXPECT_FALSE(size.HasPixels());
  CRaster r;
  DecodeInto(r, file);
  EXPECT_EQ(254, r.GetDpiX());
  EXPECT_EQ(102, r.GetDpiY());
  CRaster cancelled;
  cancelled.SetCancelRequest(1);
  EXPECT_FALSE(cancelled.DecodeMemory(file.data(), file.size(), IMAGE_FORMAT_TIF));
  EXPECT_STREQ("Cancelled", cancelled.GetLastError());
}

TEST(Tiff, DecodesEverySampleLayout) {
  uint16_t map16[3][65536];
  for (int i = 0; i < 65536; ++i) {
    map16[0][i] = uint16_t(i);
    map16[1][i] = uint16_t(65535 - i);
    map16[2][i] = uint16_t(i / 2);
  }
  struct Case {
    const char* name;
    Bytes file;
    int depth;
    std::vector<uint32_t> topRow;  // colours of the top row's first pixels
    std::vector<int> alpha;        // alpha of the top row's first pixels, when any
  };
  const std::vector<Case> cases = {
      {"8-bit grey, min is white: an inverted ramp",
       MakeTiff([](TIFF* t) { Basic(t, 3, 1, 8, 1, PHOTOMETRIC_MINISWHITE); }, {{0, 100, 255}}), 8,
       {0xFFFFFF, 0x9B9B9B, 0x000000}, {}},
      {"2-bit grey", MakeTiff([](TIFF* t) { Basic(t, 4, 1, 2, 1, PHOTOMETRIC_MINISBLACK); }, {{0x1B}}), 4,
       {0x000000, 0x555555, 0xAAAAAA, 0xFFFFFF}, {}},
      {"4-bit grey", MakeTiff([](TIFF* t) { Basic(t, 2, 1, 4, 1, PHOTOMETRIC_MINISBLACK); }, {{0x1F}}), 4,
       {0x111111, 0xFFFFFF}, {}},
      {"16-bit grey in one strip",
       MakeTiff([](TIFF* t) { Basic(t, 3, 2, 16, 1, PHOTOMETRIC_MINISBLACK); },
                {{0x00, 0x00, 0x01, 0x80, 0xFF, 0xFF}, {0, 0, 0, 0, 0, 0}}),
       8, {0x000000, 0x808080, 0xFFFFFF}, {}},
      {"1-bit palette",
       MakeTiff(
           [&](TIFF* t) {
             Basic(t, 3, 1, 1, 1, PHOTOMETRIC_PALETTE);
             TIFFSetField(t, TIFFTAG_COLORMAP, map16[0], map16[1], map16[2]);
           },
           {{0x40}}),
       1, {0x00FF00, 0x00FE00, 0x00FF00}, {}},
      {"2-bit palette",
       MakeTiff(
           [&](TIFF* t) {
             Basic(t, 4, 1, 2, 1, PHOTOMETRIC_PALETTE);
             uint16_t r[4] = {0, 65535, 0, 0}, g[4] = {0, 0, 65535, 0}, b[4] = {0, 0, 0, 65535};
             TIFFSetField(t, TIFFTAG_COLORMAP, r, g, b);
           },
           {{0x1B}}),
       4, {0x000000, 0xFF0000, 0x00FF00, 0x0000FF}, {}},
      {"8-bit palette with an 8-bit map",
       MakeTiff(
           [&](TIFF* t) {
             Basic(t, 2, 1, 8, 1, PHOTOMETRIC_PALETTE);
             uint16_t r[256] = {}, g[256] = {}, b[256] = {};
             r[5] = 200;
             g[6] = 17;
             TIFFSetField(t, TIFFTAG_COLORMAP, r, g, b);
           },
           {{5, 6}}),
       8, {0xC80000, 0x001100}, {}},
      {"16-bit palette",
       MakeTiff(
           [&](TIFF* t) {
             Basic(t, 2, 1, 16, 1, PHOTOMETRIC_PALETTE);
             TIFFSetField(t, TIFFTAG_COLORMAP, map16[0], map16[1], map16[2]);
           },
           {{0x00, 0x00, 0xFF, 0xFF}}),
       24, {0x00FF00, 0xFF007F}, {}},
      {"grey and alpha",
       MakeTiff(
           [](TIFF* t) {
             Basic(t, 2, 1, 8, 2, PHOTOMETRIC_MINISBLACK);
             const uint16_t extra[1] = {EXTRASAMPLE_UNASSALPHA};
             TIFFSetField(t, TIFFTAG_EXTRASAMPLES, uint16_t(1), extra);
           },
           {{50, 255, 200, 10}}),
       8, {0x323232, 0xC8C8C8}, {255, 10}},
      {"RGB of 4 bits",
       MakeTiff([](TIFF* t) { Basic(t, 2, 1, 4, 3, PHOTOMETRIC_RGB); }, {{0xF0, 0x08, 0x1F}}), 24,
       {0xFF0000, 0x8811FF}, {}},
      {"RGB of 1 bit", MakeTiff([](TIFF* t) { Basic(t, 2, 1, 1, 3, PHOTOMETRIC_RGB); }, {{0x98}}), 24,
       {0xFF0000, 0xFFFF00}, {}},
      {"RGBA, unassociated",
       MakeTiff(
           [](TIFF* t) {
             Basic(t, 2, 1, 8, 4, PHOTOMETRIC_RGB);
             const uint16_t extra[1] = {EXTRASAMPLE_UNASSALPHA};
             TIFFSetField(t, TIFFTAG_EXTRASAMPLES, uint16_t(1), extra);
           },
           {{200, 100, 50, 7, 1, 2, 3, 255}}),
       24, {0xC86432, 0x010203}, {7, 255}},
      {"RGBA, premultiplied",
       MakeTiff(
           [](TIFF* t) {
             Basic(t, 1, 1, 8, 4, PHOTOMETRIC_RGB);
             const uint16_t extra[1] = {EXTRASAMPLE_ASSOCALPHA};
             TIFFSetField(t, TIFFTAG_EXTRASAMPLES, uint16_t(1), extra);
           },
           {{50, 25, 0, 128}}),
       24, {0x633100}, {128}},
      {"RGB of 16 bits",
       MakeTiff([](TIFF* t) { Basic(t, 1, 1, 16, 3, PHOTOMETRIC_RGB); }, {{0xFF, 0xFF, 0x80, 0x80, 0x01, 0x01}}),
       24, {0xFF8001}, {}},
      {"grey tiles",
       MakeTiff(
           [](TIFF* t) {
             Basic(t, 20, 3, 8, 1, PHOTOMETRIC_MINISBLACK);
             TIFFSetField(t, TIFFTAG_TILEWIDTH, uint32_t(16));
             TIFFSetField(t, TIFFTAG_TILELENGTH, uint32_t(16));
           },
           {Bytes(256, 9), Bytes(256, 200)}, true),
       8, {0x090909, 0x090909}, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ASSERT_FALSE(c.file.empty());
    CRaster r;
    DecodeInto(r, c.file);
    EXPECT_EQ(c.depth, r.GetBitDepth());
    const int32_t top = r.GetHeight() - 1;
    for (size_t x = 0; x < c.topRow.size(); ++x)
      EXPECT_EQ(c.topRow[x], Hex(r.GetPixelColor(int32_t(x), top, false))) << "pixel " << x;
    EXPECT_EQ(!c.alpha.empty(), r.HasAlphaPlane());
    for (size_t x = 0; x < c.alpha.size(); ++x) EXPECT_EQ(c.alpha[x], r.GetAlpha(int32_t(x), top)) << "alpha " << x;
  }
  // The second tile column of the tiled file.
  CRaster tiles;
  DecodeInto(tiles, cases.back().file);
  EXPECT_EQ(200, tiles.GetPixelIndex(19, 0));
}

TEST(Tiff, OrientationTurnsThePicture) {
  // 3 x 2 stored rows: A B C / D E F.
  const Bytes rows[2] = {{1, 2, 3}, {4, 5, 6}};
  struct Case {
    uint16_t orientation;
    int width;
    std::vector<int> shown;  // rows from the top
  } cases[] = {
      {1, 3, {1, 2, 3, 4, 5, 6}}, {2, 3, {3, 2, 1, 6, 5, 4}}, {3, 3, {6, 5, 4, 3, 2, 1}},
      {4, 3, {4, 5, 6, 1, 2, 3}}, {5, 2, {1, 4, 2, 5, 3, 6}}, {6, 2, {4, 1, 5, 2, 6, 3}},
      {7, 2, {6, 3, 5, 2, 4, 1}}, {8, 2, {3, 6, 2, 5, 1, 4}},
  };
  for (const Case& c : cases)
    for (bool rgb : {false, true}) {
      SCOPED_TRACE(std::to_string(c.orientation) + (rgb ? " RGB" : " grey"));
      std::vector<Bytes> data;
      for (const Bytes& row : rows) {
        Bytes out;
        for (uint8_t v : row)
          for (int k = 0; k < (rgb ? 3 : 1); ++k) out.push_back(v);
        data.push_back(out);
      }
      const Bytes file = MakeTiff(
          [&](TIFF* t) {
            Basic(t, 3, 2, 8, rgb ? 3 : 1, rgb ? PHOTOMETRIC_RGB : PHOTOMETRIC_MINISBLACK);
            TIFFSetField(t, TIFFTAG_ORIENTATION, c.orientation);
          },
          data);
      CRaster r;
      DecodeInto(r, file);
      ASSERT_EQ(c.width, r.GetWidth());
      std::vector<int> shown;
      for (int y = r.GetHeight() - 1; y >= 0; --y)
        for (int x = 0; x < r.GetWidth(); ++x) shown.push_back(r.GetPixelColor(x, y, false).rgbRed);
      EXPECT_EQ(c.shown, shown);
    }
}

TEST(Tiff, RefusesDamagedFiles) {
  // LZW data of nothing but ones: the codes are not in the table.
  Bytes damaged = MakeTiff(
      [](TIFF* t) {
        Basic(t, 4, 4, 8, 1, PHOTOMETRIC_MINISBLACK);
        TIFFSetField(t, TIFFTAG_COMPRESSION, uint16_t(COMPRESSION_LZW));
      },
      {Bytes(4, 1), Bytes(4, 2), Bytes(4, 3), Bytes(4, 4)});
  for (size_t i = 8; i < 14 && i < damaged.size(); ++i) damaged[i] = 0xFF;
  Bytes noWidth = MakeTiff([](TIFF* t) { Basic(t, 0, 4, 8, 1, PHOTOMETRIC_MINISBLACK); }, {});
  struct Case {
    const char* name;
    Bytes file;
    const char* error;
  };
  const Case cases[] = {
      {"nothing", {}, "Error encountered while opening TIFF file"},
      {"not a TIFF", Bytes(64, 'x'), "Error encountered while opening TIFF file"},
      {"damaged strip", damaged, "Corrupted TIFF file!"},
  };
  for (const Case& c : cases)
    EXPECT_EQ("", RefusedKeepingPicture(c.file, IMAGE_FORMAT_TIF, c.error)) << c.name;
  if (!noWidth.empty()) {
    CRaster r;
    EXPECT_FALSE(r.DecodeMemory(noWidth.data(), noWidth.size(), IMAGE_FORMAT_TIF));
  }
  CRaster empty;
  EXPECT_TRUE(Encoded(empty, IMAGE_FORMAT_TIF).empty());
  EXPECT_STREQ("null image!!!", empty.GetLastError());
  CRaster badCodec(4, 4, 8, 0);
  badCodec.SetFormatOption(COMPRESSION_CCITTFAX4, IMAGE_FORMAT_TIF);
  EXPECT_TRUE(Encoded(badCodec, IMAGE_FORMAT_TIF).empty());
  EXPECT_STREQ("Error saving TIFF file", badCodec.GetLastError());
}

namespace {

// One row written `count` times, for pictures too large to list row by row.
Bytes MakeTiffOfOneRow(const std::function<void(TIFF*)>& tags, Bytes row, uint32_t count) {
  const std::string path = Scratch("rows");
  TIFF* tif = TIFFOpen(path.c_str(), "w");
  if (!tif) return {};
  tags(tif);
  for (uint32_t y = 0; y < count; ++y)
    if (TIFFWriteScanline(tif, row.data(), y, 0) < 0) break;
  TIFFClose(tif);
  Bytes bytes = ReadFileBytes(path);
  std::remove(path.c_str());
  return bytes;
}

}  // namespace

TEST(Tiff, SamplesBeyondTheColourAndAlphaCostNoMemory) {
  // A grey picture with alpha and 2046 further samples a pixel: 32 MB of samples in one
  // row, compressed to a few kilobytes.
  constexpr uint32_t kWidth = 16384;
  constexpr uint16_t kSamples = 2048;
  Bytes row(size_t(kWidth) * kSamples, 0);
  for (uint32_t x = 0; x < kWidth; ++x) {
    row[size_t(x) * kSamples] = uint8_t(x);  // grey
    row[size_t(x) * kSamples + 1] = 255;     // alpha
  }
  const Bytes file = MakeTiffOfOneRow(
      [](TIFF* t) {
        Basic(t, kWidth, 1, 8, kSamples, PHOTOMETRIC_MINISBLACK);
        std::vector<uint16_t> extra(kSamples - 1, EXTRASAMPLE_UNSPECIFIED);
        extra[0] = EXTRASAMPLE_UNASSALPHA;
        TIFFSetField(t, TIFFTAG_EXTRASAMPLES, uint16_t(extra.size()), extra.data());
        TIFFSetField(t, TIFFTAG_COMPRESSION, uint16_t(COMPRESSION_ADOBE_DEFLATE));
      },
      row, 1);
  ASSERT_FALSE(file.empty());
  ASSERT_LT(file.size(), 1u << 20);
  CRaster r;
  const AllocationMeter meter;
  ASSERT_TRUE(r.DecodeMemory(file.data(), file.size(), IMAGE_FORMAT_TIF)) << r.GetLastError();
  // The row as the file holds it, and no more.
  EXPECT_LT(meter.PeakBytes(), uint64_t(kWidth) * kSamples + (8u << 20));
  EXPECT_EQ(int32_t(kWidth), r.GetWidth());
  EXPECT_EQ(0x050505u, Hex(r.GetPixelColor(5, 0, false)));
  EXPECT_EQ(0xC8C8C8u, Hex(r.GetPixelColor(200, 0, false)));
}

TEST(Tiff, LargeFaxPagesAreReadRowByRowAndCopiedWhole) {
  // 65535 x 16000 white pixels in a single strip of G4 data of a few kilobytes.
  constexpr uint32_t kWidth = 65535, kHeight = 16000;
  const Bytes file = MakeTiffOfOneRow(
      [](TIFF* t) {
        Basic(t, kWidth, kHeight, 1, 1, PHOTOMETRIC_MINISWHITE);
        TIFFSetField(t, TIFFTAG_COMPRESSION, uint16_t(COMPRESSION_CCITTFAX4));
      },
      Bytes((kWidth + 7) / 8, 0), kHeight);
  ASSERT_FALSE(file.empty());
  ASSERT_LT(file.size(), 8000u);
  CRaster r;
  const auto start = std::chrono::steady_clock::now();
  const AllocationMeter meter;
  ASSERT_TRUE(r.DecodeMemory(file.data(), file.size(), IMAGE_FORMAT_TIF)) << r.GetLastError();
  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  // Neither a buffer of the whole strip nor a walk pixel by pixel.
  EXPECT_LT(meter.PeakBytes(), 4u << 20);
  // Walking the page pixel by pixel took minutes under the sanitizers; row copies take a
  // few seconds. The bound only tells the two apart, with room for a loaded machine.
  EXPECT_LT(seconds, 60.0);
  EXPECT_EQ(int32_t(kWidth), r.GetWidth());
  EXPECT_EQ(int32_t(kHeight), r.GetHeight());
  EXPECT_EQ(1, r.GetBitDepth());
  EXPECT_EQ(0xFFFFFFu, Hex(r.GetPixelColor(kWidth - 1, kHeight - 1, false)));
  EXPECT_EQ(0xFFFFFFu, Hex(r.GetPixelColor(0, 0, false)));
}

TEST(Tiff, PictureLargerThanItsDataCanHoldIsRefused) {
  // 12000 x 12000 plain grey samples, with one row of them in the file.
  const Bytes file = MakeTiff([](TIFF* t) { Basic(t, 12000, 12000, 8, 1, PHOTOMETRIC_MINISBLACK); },
                              {Bytes(12000, 9)});
  ASSERT_FALSE(file.empty());
  EXPECT_EQ("", RefusedKeepingPicture(file, IMAGE_FORMAT_TIF, "TIFF picture larger than its data can hold"));
  // A fax page may be as wide as it likes, but not have more rows than bits.
  const Bytes fax = MakeTiffOfOneRow(
      [](TIFF* t) {
        Basic(t, 64, 8, 1, 1, PHOTOMETRIC_MINISWHITE);
        TIFFSetField(t, TIFFTAG_COMPRESSION, uint16_t(COMPRESSION_CCITTFAX4));
      },
      Bytes(8, 0), 8);
  ASSERT_FALSE(fax.empty());
  Bytes tall = fax;
  // The length tag (257) as a short or long: 8 rows become 60000.
  ASSERT_EQ('I', tall[0]);
  bool changed = false;
  const size_t dir = size_t(tall[4] | tall[5] << 8 | tall[6] << 16 | tall[7] << 24);
  const uint16_t count = uint16_t(tall[dir] | tall[dir + 1] << 8);
  for (uint16_t i = 0; i < count; ++i) {
    uint8_t* e = tall.data() + dir + 2 + 12 * i;
    if ((e[0] | e[1] << 8) == 257) {
      e[8] = uint8_t(60000 & 0xFF);
      e[9] = uint8_t(60000 >> 8);
      changed = true;
    }
  }
  ASSERT_TRUE(changed);
  EXPECT_EQ("", RefusedKeepingPicture(tall, IMAGE_FORMAT_TIF, "TIFF picture larger than its data can hold"));
}
