// GIF: animations written by PIL and ImageMagick decoded frame by frame, the block
// structure and LZW edge cases on hand-made files, composition across colour tables and
// disposal methods, continuing from the last decoded frame, and every encoder option.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "image/Raster.h"
#include "image/RasterGIF.h"
#include "image/RasterStream.h"
#include "tests/image/AllocationMeter.h"
#include "tests/image/TestPictures.h"

namespace {

using Bytes = std::vector<uint8_t>;

void Put16(Bytes& b, uint16_t v) {
  b.push_back(uint8_t(v));
  b.push_back(uint8_t(v >> 8));
}

// LZW codes of a list of indices, the plainest valid way: a clear code, then one literal
// code a pixel, with a clear code before the decoder's table would make the codes grow.
Bytes LiteralCodes(const std::vector<int>& indices, int minCodeSize) {
  const int clear = 1 << minCodeSize;
  const int size = minCodeSize + 1;
  Bytes out;
  uint32_t bits = 0;
  int held = 0;
  auto put = [&](int code) {
    bits |= uint32_t(code) << held;
    held += size;
    while (held >= 8) {
      out.push_back(uint8_t(bits));
      bits >>= 8;
      held -= 8;
    }
  };
  int sinceClear = 0;
  put(clear);
  for (int index : indices) {
    if (sinceClear == clear - 2) {
      put(clear);
      sinceClear = 0;
    }
    put(index);
    ++sinceClear;
  }
  put(clear + 1);
  if (held > 0) out.push_back(uint8_t(bits));
  return out;
}

struct Image {
  int left = 0, top = 0, width = 1, height = 1;
  std::vector<int> indices;
  std::vector<uint8_t> localTable;  // red, green, blue triples; empty = none
  bool interlaced = false;
  int disposal = 0;
  int transparent = -1;
  int delay = 0;
  bool control = true;
  int minCodeSize = 0;  // 0 = from the table
};

int TableBits(size_t entries) {
  int bits = 0;
  while ((2u << bits) < entries) ++bits;
  return bits;
}

void PutImage(Bytes& b, const Image& image, size_t globalEntries) {
  if (image.control) {
    b.insert(b.end(), {0x21, 0xF9, 4,
                       uint8_t((image.disposal << 2) | (image.transparent >= 0 ? 1 : 0))});
    Put16(b, uint16_t(image.delay));
    b.push_back(uint8_t(image.transparent >= 0 ? image.transparent : 0));
    b.push_back(0);
  }
  b.push_back(0x2C);
  Put16(b, uint16_t(image.left));
  Put16(b, uint16_t(image.top));
  Put16(b, uint16_t(image.width));
  Put16(b, uint16_t(image.height));
  const size_t entries = image.localTable.size() / 3;
  uint8_t flags = image.interlaced ? 0x40 : 0;
  if (entries) flags |= uint8_t(0x80 | TableBits(entries));
  b.push_back(flags);
  b.insert(b.end(), image.localTable.begin(), image.localTable.end());
  const int s = image.minCodeSize ? image.minCodeSize
                                  : std::max(2, TableBits(entries ? entries : globalEntries) + 1);
  b.push_back(uint8_t(s));
  const Bytes codes = LiteralCodes(image.indices, std::min(s, 8));
  for (size_t i = 0; i < codes.size(); i += 255) {
    const size_t n = std::min<size_t>(255, codes.size() - i);
    b.push_back(uint8_t(n));
    b.insert(b.end(), codes.begin() + long(i), codes.begin() + long(i + n));
  }
  b.push_back(0);
}

Bytes MakeGif(int width, int height, const std::vector<uint8_t>& globalTable,
              const std::vector<Image>& images, const Bytes& extensions = {}) {
  Bytes b = {'G', 'I', 'F', '8', '9', 'a'};
  Put16(b, uint16_t(width));
  Put16(b, uint16_t(height));
  const size_t entries = globalTable.size() / 3;
  b.push_back(entries ? uint8_t(0x80 | TableBits(entries)) : 0);
  b.push_back(0);
  b.push_back(0);
  b.insert(b.end(), globalTable.begin(), globalTable.end());
  b.insert(b.end(), extensions.begin(), extensions.end());
  for (const Image& image : images) PutImage(b, image, entries);
  b.push_back(0x3B);
  return b;
}

// A table of n colours: entry i is (i * 10, 100 + i, 200 - i) unless given.
std::vector<uint8_t> Table(int n, int shift = 0) {
  std::vector<uint8_t> t;
  for (int i = 0; i < n; ++i) {
    t.push_back(uint8_t(i * 10 + shift));
    t.push_back(uint8_t(100 + i));
    t.push_back(uint8_t(200 - i));
  }
  return t;
}

uint32_t Hex(RGBQUAD q) { return uint32_t(q.rgbRed) << 16 | uint32_t(q.rgbGreen) << 8 | q.rgbBlue; }

// The colour at (x, row counted from the top) with its alpha as the engine sees it.
uint32_t At(const CRaster& r, int x, int top) {
  const std::vector<uint8_t> rgba = ToRgba(r);
  const size_t i = (size_t(top) * size_t(r.GetWidth()) + size_t(x)) * 4;
  return uint32_t(rgba[i + 3]) << 24 | uint32_t(rgba[i]) << 16 | uint32_t(rgba[i + 1]) << 8 |
         rgba[i + 2];
}

bool DecodeFrame(CRaster& r, const Bytes& file, int frame) {
  r.SelectFrame(frame);
  return r.DecodeMemory(file.data(), file.size(), IMAGE_FORMAT_GIF);
}

Bytes Encode(CRaster& picture, int option) {
  picture.SetFormatOption(option, IMAGE_FORMAT_GIF);
  uint8_t* buffer = nullptr;
  size_t size = 0;
  Bytes out;
  if (picture.EncodeMemory(buffer, size, IMAGE_FORMAT_GIF)) out.assign(buffer, buffer + size);
  CRaster::FreeBuffer(buffer);
  return out;
}

struct Animation {
  std::string file;
  int frames;
  std::vector<int> delays;
};

std::vector<Animation> Animations() {
  std::vector<Animation> list;
  std::ifstream in(std::string(IMAGE_FIXTURE_DIR) + "/animations.txt");
  std::string file, delays;
  int frames;
  while (in >> file >> frames >> delays) {
    Animation a{file, frames, {}};
    std::stringstream s(delays);
    for (std::string d; std::getline(s, d, ',');) a.delays.push_back(std::stoi(d));
    list.push_back(a);
  }
  return list;
}

}  // namespace

class GifAnimations : public ::testing::TestWithParam<Animation> {};

TEST_P(GifAnimations, DecodeToTheFramesImageMagickComposes) {
  const Animation& a = GetParam();
  const Bytes file = ReadFileBytes(std::string(IMAGE_FIXTURE_DIR) + "/" + a.file);
  ASSERT_FALSE(file.empty());
  CRaster played;  // frame after frame into one picture, as the engine plays them
  for (int k = 0; k < a.frames; ++k) {
    SCOPED_TRACE(k);
    const Bytes reference =
        ReadFileBytes(std::string(IMAGE_FIXTURE_DIR) + "/" + a.file + "." + std::to_string(k) + ".rgba");
    ASSERT_GE(reference.size(), 8u);
    const int width = reference[0] | reference[1] << 8;
    const std::vector<uint8_t> expected(reference.begin() + 8, reference.end());
    CRaster fresh;  // the same frame decoded from the start
    for (CRaster* r : {&played, &fresh}) {
      ASSERT_TRUE(DecodeFrame(*r, file, k));
      EXPECT_EQ(a.frames, r->GetFrameCount());
      EXPECT_EQ(a.delays[size_t(k)], r->GetFrameDelay());
      EXPECT_EQ(IMAGE_FORMAT_GIF, r->GetFormatId());
      ASSERT_EQ(width, r->GetWidth());
      EXPECT_EQ("", CompareRgba(expected, ToRgba(*r), width));
    }
  }
  // Back to the first frame (a loop), and through the path with detection.
  ASSERT_TRUE(DecodeFrame(played, file, 0));
  const std::string path = std::string(IMAGE_FIXTURE_DIR) + "/" + a.file;
  CRaster loaded;
  loaded.SelectFrame(a.frames - 1);
  ASSERT_TRUE(loaded.Load(path.c_str(), IMAGE_FORMAT_UNKNOWN));
  EXPECT_EQ(IMAGE_FORMAT_GIF, loaded.GetFormatId());
}

INSTANTIATE_TEST_SUITE_P(Fixtures, GifAnimations, ::testing::ValuesIn(Animations()),
                         [](const auto& info) {
                           std::string name = info.param.file;
                           for (char& c : name)
                             if (!isalnum(static_cast<unsigned char>(c))) c = '_';
                           return name;
                         });

TEST(GifAnimations, FixturesExist) { EXPECT_GE(Animations().size(), 3u); }

TEST(Gif, DepthFollowsTheSizeOfTheTable) {
  for (const auto& [colours, depth] : std::vector<std::pair<int, int>>{{2, 1}, {16, 4}, {32, 8}}) {
    SCOPED_TRACE(colours);
    Image image;
    image.width = 3;
    image.indices = {0, 1, colours - 1};
    const Bytes file = MakeGif(3, 1, Table(colours), {image});
    CRaster r;
    ASSERT_TRUE(DecodeFrame(r, file, 0));
    EXPECT_EQ(depth, r.GetBitDepth());
    EXPECT_EQ(1, r.GetFrameCount());
    EXPECT_EQ(colours - 1, r.GetPixelIndex(2, 0));
    const int last = colours - 1;
    EXPECT_EQ(uint32_t(uint8_t(last * 10)) << 16 | uint32_t(100 + last) << 8 | uint32_t(200 - last),
              Hex(r.GetPaletteEntry(uint32_t(last))));
  }
}

TEST(Gif, InterlacedLinesGoToTheirPasses) {
  Image image;
  image.height = 10;
  image.interlaced = true;
  // The data holds lines 0, 8, 4, 2, 6, 1, 3, 5, 7, 9 in this order.
  image.indices = {0, 8, 4, 2, 6, 1, 3, 5, 7, 9};
  const Bytes file = MakeGif(1, 10, Table(16), {image});
  CRaster r;
  ASSERT_TRUE(DecodeFrame(r, file, 0));
  for (int line = 0; line < 10; ++line) EXPECT_EQ(line, r.GetPixelIndex(0, 9 - line)) << line;
}

TEST(Gif, ExtensionsGiveDelayLoopCountAndComment) {
  Bytes extensions = {0x21, 0xFF, 11, 'A', 'N', 'Y', 'T', 'H', 'I', 'N', 'G', '1', '.', '0',
                      3, 1, 0x03, 0x02, 0};
  const std::string comment = "made by hand";
  extensions.insert(extensions.end(), {0x21, 0xFE, uint8_t(comment.size())});
  extensions.insert(extensions.end(), comment.begin(), comment.end());
  extensions.push_back(0);
  Image image;
  image.indices = {1};
  image.delay = 12;
  const Bytes file = MakeGif(1, 1, Table(4), {image}, extensions);
  CRasterGIF gif;
  CRasterMemoryStream stream(const_cast<uint8_t*>(file.data()), file.size());
  ASSERT_TRUE(gif.Decode(&stream));
  EXPECT_EQ(0x0203, gif.GetLoopCount());  // bytes 1-2 of the first sub-block
  EXPECT_STREQ("made by hand", gif.GetComment());
  EXPECT_EQ(12, gif.GetFrameDelay());
  // A loop count of 0 (loop for ever) is stored too, over the one read before.
  extensions[16] = extensions[17] = 0;
  const Bytes forever = MakeGif(1, 1, Table(4), {image}, extensions);
  CRasterMemoryStream again(const_cast<uint8_t*>(forever.data()), forever.size());
  ASSERT_TRUE(gif.Decode(&again));
  EXPECT_EQ(0, gif.GetLoopCount());
}

TEST(Gif, FrameOutOfRangeFailsAndTellsTheCount) {
  Image image;
  image.indices = {1};
  const Bytes file = MakeGif(1, 1, Table(4), {image, image, image});
  CRaster r(2, 2, 24, 0);
  EXPECT_FALSE(DecodeFrame(r, file, 3));
  EXPECT_EQ(3, r.GetFrameCount());
  EXPECT_TRUE(r.HasPixels());
  EXPECT_EQ(2, r.GetWidth());
  EXPECT_FALSE(DecodeFrame(r, file, -1));
  r.SetCancelRequest(-1);
  CRaster size;
  size.SetCancelRequest(-1);
  EXPECT_TRUE(size.DecodeMemory(file.data(), file.size(), IMAGE_FORMAT_GIF));
  EXPECT_EQ(1, size.GetWidth());
  EXPECT_FALSE(size.HasPixels());
}

TEST(Gif, ScreenLargerThanItsDataCanFillIsRefused) {
  // A 12000 x 12000 screen and one image as large, with under 10 KB of 3-bit codes.
  Image image;
  image.width = image.height = 12000;
  image.indices.assign(17000, 1);
  const Bytes file = MakeGif(12000, 12000, Table(2), {image});
  ASSERT_LT(file.size(), 10240u);
  EXPECT_EQ("", RefusedKeepingPicture(file, IMAGE_FORMAT_GIF, "GIF screen larger than its data can fill"));
  // A screen the data can fill decodes.
  image.width = image.height = 150;
  const Bytes small = MakeGif(150, 150, Table(2), {image});
  CRaster r;
  ASSERT_TRUE(r.DecodeMemory(small.data(), small.size(), IMAGE_FORMAT_GIF)) << r.GetLastError();
  EXPECT_EQ(150, r.GetWidth());
}

TEST(Gif, LocalTablesAreKeptAtTheirOwnSize) {
  // 20000 one-pixel frames, each with a local table of two entries unlike the one before.
  std::vector<Image> images(20000);
  for (size_t k = 0; k < images.size(); ++k) {
    images[k].indices = {1};
    images[k].control = false;
    images[k].localTable = {uint8_t(k), 0, 0, uint8_t(k >> 8), 0, 0};
  }
  const Bytes file = MakeGif(1, 1, {}, images);
  CRaster r;
  const AllocationMeter meter;
  ASSERT_TRUE(r.DecodeMemory(file.data(), file.size(), IMAGE_FORMAT_GIF)) << r.GetLastError();
  EXPECT_EQ(20000, r.GetFrameCount());
  // The frames' entries and their tables' six bytes, not 768 bytes a table.
  EXPECT_LT(meter.PeakBytes(), 5u << 20);
}

TEST(Gif, ImagesReachingPastTheScreenAreNotFrames) {
  // Frame 0 fills the 4 x 4 screen with index 1; the next image reaches 2 columns (then
  // 1 row) past the screen; the last one puts index 2 in the top left corner.
  Image first;
  first.width = first.height = 4;
  first.indices.assign(16, 1);
  Image wide;
  wide.left = 2;
  wide.width = 4;
  wide.indices.assign(4, 3);
  Image tall = wide;
  tall.left = 0;
  tall.top = 1;
  tall.width = 1;
  tall.height = 4;
  Image corner;
  corner.indices = {2};
  for (const Image& past : {wide, tall}) {
    const Bytes file = MakeGif(4, 4, Table(4), {first, past, corner});
    CRaster r;
    ASSERT_TRUE(DecodeFrame(r, file, 1)) << r.GetLastError();
    EXPECT_EQ(2, r.GetFrameCount());
    EXPECT_EQ(2, r.GetPixelIndex(0, 3));  // the corner image is frame 1
    for (int x = 1; x < 4; ++x) EXPECT_EQ(1, r.GetPixelIndex(x, 3 - past.top)) << x;
    EXPECT_EQ(1, r.GetPixelIndex(0, 1));
    EXPECT_FALSE(DecodeFrame(r, file, 2));
  }
}

TEST(Gif, BadCodeSizesAndDamagedDataLeaveTheRestUndrawn) {
  // Frame 0 draws index 1 everywhere; frame 1's data is unusable, so frame 1 shows frame
  // 0 where its own data did not reach.
  Image full;
  full.width = 4;
  full.indices = {1, 1, 1, 1};
  struct Case {
    const char* what;
    int minCodeSize;
    size_t pixels;  // pixels of frame 1 that the data holds
    int drawn;      // pixels of frame 1 expected to show index 2
  };
  for (const Case& c : {Case{"code size 10", 10, 4, 0}, Case{"code size 1", 1, 4, 0},
                        Case{"two of four pixels", 0, 2, 2}}) {
    SCOPED_TRACE(c.what);
    Image second = full;
    second.minCodeSize = c.minCodeSize;
    second.indices.assign(c.pixels, 2);
    const Bytes file = MakeGif(4, 1, Table(4), {full, second});
    CRaster r;
    ASSERT_TRUE(DecodeFrame(r, file, 1));
    for (int x = 0; x < 4; ++x) EXPECT_EQ(x < c.drawn ? 2 : 1, r.GetPixelIndex(x, 0)) << x;
  }
  // A file cut inside its data still decodes what is there.
  Image image;
  image.width = 300;
  image.indices.assign(300, 3);
  Bytes file = MakeGif(300, 1, Table(4), {image});
  file.resize(file.size() - 60);
  CRaster r;
  ASSERT_TRUE(DecodeFrame(r, file, 0));
  EXPECT_EQ(3, r.GetPixelIndex(0, 0));
}

TEST(Gif, LocalTableServesOnlyItsOwnFrame) {
  // Frame 1 brings a table of its own; frame 2 uses the global table again, and frame 0's
  // pixels keep their colours under later frames.
  Image first;
  first.width = 3;
  first.indices = {1, 1, 1};
  Image second;
  second.left = 1;
  second.indices = {1};
  second.localTable = Table(4, 5);
  Image third;
  third.left = 2;
  third.indices = {2};
  const Bytes file = MakeGif(3, 1, Table(4), {first, second, third});
  CRaster r;
  for (int k = 0; k < 3; ++k) ASSERT_TRUE(DecodeFrame(r, file, k));
  EXPECT_EQ(24, r.GetBitDepth());  // composed in colour: the tables differ
  EXPECT_EQ(0xFF0A65C7u, At(r, 0, 0));  // global entry 1
  EXPECT_EQ(0xFF0F65C7u, At(r, 1, 0));  // frame 1's entry 1
  EXPECT_EQ(0xFF1466C6u, At(r, 2, 0));  // global entry 2
}

TEST(Gif, DeeperLaterFrameKeepsItsColours) {
  // A 2-colour screen table, then a frame with a 256-colour table of its own.
  Image first;
  first.width = 2;
  first.indices = {0, 1};
  Image second;
  second.width = 2;
  second.indices = {200, 255};
  second.localTable = Table(256);
  const Bytes file = MakeGif(2, 1, Table(2), {first, second});
  CRaster r;
  ASSERT_TRUE(DecodeFrame(r, file, 1));
  EXPECT_EQ(uint32_t(0xFF000000u | (200 * 10 & 255) << 16 | (100 + 200) % 256 << 8 | 0),
            At(r, 0, 0));
  EXPECT_EQ(uint32_t(0xFF000000u | (255 * 10 & 255) << 16 | (100 + 255) % 256 << 8 | (200 - 255 + 256)),
            At(r, 1, 0));
}

TEST(Gif, DisposalRestoresOnlyTheFramesRectangle) {
  // A 4 x 1 screen: frame 0 paints index 1 everywhere (transparent index 3 for the
  // animation); frame 1 paints index 2 at x = 1..2 and is disposed of by the method under
  // test; frame 2 paints index 0 at x = 3 only.
  struct Case {
    int disposal;
    uint8_t expected[4];
  };
  const Case cases[] = {
      {1, {1, 2, 2, 0}},  // left in place
      {2, {1, 3, 3, 0}},  // its rectangle cleared to the background only
      {3, {1, 1, 1, 0}},  // its rectangle as before it was drawn
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.disposal);
    Image first;
    first.width = 4;
    first.indices = {1, 1, 1, 1};
    first.transparent = 3;
    Image second;
    second.left = 1;
    second.width = 2;
    second.indices = {2, 2};
    second.transparent = 3;
    second.disposal = c.disposal;
    Image third;
    third.left = 3;
    third.indices = {0};
    third.transparent = 3;
    const Bytes file = MakeGif(4, 1, Table(4), {first, second, third});
    for (bool played : {true, false}) {
      CRaster r;
      if (played) {
        ASSERT_TRUE(DecodeFrame(r, file, 1));
      }
      ASSERT_TRUE(DecodeFrame(r, file, 2));
      ASSERT_EQ(4, r.GetBitDepth());
      EXPECT_EQ(3, r.GetTransparentIndex());
      for (int x = 0; x < 4; ++x) EXPECT_EQ(c.expected[x], r.GetPixelIndex(x, 0)) << x;
    }
  }
}

TEST(Gif, UncoveredScreenWithoutATransparentIndexIsTransparentInColour) {
  // The only frame covers half the screen and declares no transparency.
  Image image;
  image.width = 1;
  image.indices = {1};
  const Bytes file = MakeGif(2, 1, Table(4), {image});
  CRaster r;
  ASSERT_TRUE(DecodeFrame(r, file, 0));
  EXPECT_EQ(24, r.GetBitDepth());
  ASSERT_TRUE(r.HasAlphaPlane());
  EXPECT_EQ(0xFF0A65C7u, At(r, 0, 0));
  EXPECT_EQ(0u, At(r, 1, 0) >> 24);
}

TEST(Gif, NextFrameGoesOnFromTheCanvasOfTheLastDecode) {
  // A file longer than what identifies it (its first and last 4096 bytes): frame 0's data
  // lies between them. Decoding frame 1 right after frame 0 goes on from the canvas and
  // never reads frame 0 again, which this test sees by changing frame 0's data in between.
  const std::string padding(250, 'x');
  Bytes head;
  for (int i = 0; i < 20; ++i) {
    head.insert(head.end(), {0x21, 0xFE, uint8_t(padding.size())});
    head.insert(head.end(), padding.begin(), padding.end());
    head.push_back(0);
  }
  Image first;
  first.width = 2;
  first.indices = {1, 1};
  Image second;
  second.left = 1;
  second.indices = {2};
  Bytes file = MakeGif(2, 1, Table(4), {first});
  file.pop_back();  // the trailer
  file.insert(file.begin() + 13 + 12, head.begin(), head.end());
  PutImage(file, second, 4);
  Image third = second;
  third.indices = {0};
  PutImage(file, third, 4);
  for (int i = 0; i < 20; ++i) {
    file.insert(file.end(), {0x21, 0xFE, uint8_t(padding.size())});
    file.insert(file.end(), padding.begin(), padding.end());
    file.push_back(0);
  }
  file.push_back(0x3B);
  Bytes changed = file;
  // Frame 0's one data sub-block: indices 1, 1 become 3, 3.
  const Bytes oldCodes = LiteralCodes({1, 1}, 2);
  const Bytes newCodes = LiteralCodes({3, 3}, 2);
  const auto at = std::search(changed.begin() + 5000, changed.end(), oldCodes.begin(), oldCodes.end());
  ASSERT_NE(changed.end(), at);
  std::copy(newCodes.begin(), newCodes.end(), at);

  CRaster r;
  ASSERT_TRUE(DecodeFrame(r, file, 0));
  ASSERT_TRUE(DecodeFrame(r, changed, 1));
  EXPECT_EQ(1, r.GetPixelIndex(0, 0));  // from the canvas of the first decode
  EXPECT_EQ(2, r.GetPixelIndex(1, 0));
  ASSERT_TRUE(DecodeFrame(r, changed, 2));  // and on again
  EXPECT_EQ(1, r.GetPixelIndex(0, 0));
  EXPECT_EQ(0, r.GetPixelIndex(1, 0));
  CRaster fresh;
  ASSERT_TRUE(DecodeFrame(fresh, changed, 1));
  EXPECT_EQ(3, fresh.GetPixelIndex(0, 0));
  // Another file into the same picture starts afresh.
  Image other;
  other.indices = {0};
  const Bytes small = MakeGif(1, 1, Table(4), {other, other});
  ASSERT_TRUE(DecodeFrame(r, small, 1));
  EXPECT_EQ(1, r.GetWidth());
}

// Encoding.

TEST(GifEncode, EveryCoderDecodesBackToTheSameIndices) {
  std::vector<PictureShape> shapes = {{8, 1, 5000, Extra::kNone},  // forces table resets
                                      {8, 120, 90, Extra::kNone},   {4, 33, 7, Extra::kNone},
                                      {1, 17, 9, Extra::kNone},     {8, 5, 3, Extra::kTransparency},
                                      {4, 1, 1, Extra::kNone}};
  for (int option : {GIF_COMPRESSION_LZW, GIF_COMPRESSION_LITERAL, GIF_COMPRESSION_RUNS})
    for (const PictureShape& shape : shapes) {
      SCOPED_TRACE(Describe(shape) + " option " + std::to_string(option));
      CRaster picture;
      FillPicture(picture, shape);
      // Long runs too, of several lengths.
      for (int y = 0; y < shape.height; y += 3)
        for (int x = 0; x < shape.width; ++x) picture.SetPixelIndex(x, y, uint8_t(y % 2));
      const Bytes file = Encode(picture, option);
      ASSERT_FALSE(file.empty()) << picture.GetLastError();
      CRaster back;
      ASSERT_TRUE(back.DecodeMemory(file.data(), file.size(), IMAGE_FORMAT_GIF));
      ASSERT_EQ(picture.GetBitDepth(), back.GetBitDepth());
      EXPECT_EQ("", CompareRgba(ToRgba(picture), ToRgba(back), shape.width));
    }
}

TEST(GifEncode, HeaderTableAndControlBlockBytes) {
  CRaster eight(3, 2, 8, 0);
  eight.SetDefaultPalette();
  eight.Clear(7);
  Bytes file = Encode(eight, GIF_COMPRESSION_LZW);
  ASSERT_GE(file.size(), 13u + 768 + 8 + 10 + 1);
  EXPECT_EQ(0, std::memcmp(file.data(), "GIF89a", 6));
  EXPECT_EQ(0xE7, file[10]);
  const uint8_t control[] = {0x21, 0xF9, 4, 0, 0, 0, 0xFF, 0};
  EXPECT_EQ(0, std::memcmp(file.data() + 13 + 768, control, sizeof control));
  EXPECT_EQ(0x2C, file[13 + 768 + 8]);
  EXPECT_EQ(8, file[13 + 768 + 8 + 10]);
  EXPECT_EQ(0x3B, file.back());

  CRaster one(3, 2, 1, 0);
  one.SetTransparentIndex(1);
  file = Encode(one, GIF_COMPRESSION_LZW);
  EXPECT_EQ(0x80, file[10]);
  EXPECT_EQ(1, file[13 + 6 + 3]);  // transparency flag
  EXPECT_EQ(1, file[13 + 6 + 6]);  // transparent index
  EXPECT_EQ(2, file[13 + 6 + 8 + 10]);
}

TEST(GifEncode, RunsAreFarSmallerThanLiteralsForOneColour) {
  CRaster picture(100, 100, 8, 0);
  picture.SetDefaultPalette();
  picture.Clear(9);
  const size_t literal = Encode(picture, GIF_COMPRESSION_LITERAL).size();
  const Bytes runs = Encode(picture, GIF_COMPRESSION_RUNS);
  EXPECT_LT(runs.size() * 10, literal);
  CRaster back;
  ASSERT_TRUE(back.DecodeMemory(runs.data(), runs.size(), IMAGE_FORMAT_GIF));
  EXPECT_EQ(9, back.GetPixelIndex(57, 33));
}

TEST(GifEncode, TrueColourPicturesBecomeAnExactMosaicOfTiles) {
  CRaster picture;
  FillPicture(picture, {24, 40, 20, Extra::kNone});
  const Bytes file = Encode(picture, GIF_COMPRESSION_LZW);
  ASSERT_FALSE(file.empty());
  EXPECT_EQ(0x11, file[10]);
  // Six image descriptors: widths 17, 17, 6 and heights 15, 5, each placed at its tile.
  std::vector<std::vector<int>> tiles;
  for (size_t i = 13; i + 10 < file.size(); ++i)
    if (file[i] == 0x2C && file[i - 1] == 0 && file[i - 8] == 0x21 && file[i - 7] == 0xF9)
      tiles.push_back({file[i + 1] | file[i + 2] << 8, file[i + 3] | file[i + 4] << 8,
                       file[i + 5] | file[i + 6] << 8, file[i + 7] | file[i + 8] << 8});
  const std::vector<std::vector<int>> expected = {{0, 0, 17, 15},  {17, 0, 17, 15}, {34, 0, 6, 15},
                                                  {0, 15, 17, 5},  {17, 15, 17, 5}, {34, 15, 6, 5}};
  EXPECT_EQ(expected, tiles);
  for (int frame : {5}) {
    CRaster back;
    ASSERT_TRUE(DecodeFrame(back, file, frame));
    EXPECT_EQ(6, back.GetFrameCount());
    EXPECT_EQ("", CompareRgba(ToRgba(picture), ToRgba(back), 40));
  }
}

TEST(GifEncode, TrueColourTransparentColourIsEntryZeroOfEveryTile) {
  CRaster picture;
  FillPicture(picture, {24, 20, 3, Extra::kNone});
  const RGBQUAD key = picture.GetPixelColor(4, 1, false);
  picture.SetTransparentColor(key);
  picture.SetTransparentIndex(0);
  const Bytes file = Encode(picture, GIF_COMPRESSION_LZW);
  size_t blocks = 0;
  for (size_t i = 13; i + 8 < file.size(); ++i)
    if (file[i] == 0x21 && file[i + 1] == 0xF9 && file[i + 2] == 4) {
      ++blocks;
      EXPECT_EQ(1, file[i + 3] & 1);
      EXPECT_EQ(0, file[i + 6]);
      // The local table follows the descriptor: entry 0 is the key.
      const size_t table = i + 8 + 10;
      EXPECT_EQ(key.rgbRed, file[table]);
      EXPECT_EQ(key.rgbGreen, file[table + 1]);
      EXPECT_EQ(key.rgbBlue, file[table + 2]);
    }
  EXPECT_EQ(2u, blocks);
  CRaster back;
  ASSERT_TRUE(DecodeFrame(back, file, 1));
  std::vector<uint8_t> expected = ToRgba(picture);
  EXPECT_EQ("", CompareRgba(expected, ToRgba(back), 20));
  EXPECT_EQ(0u, At(back, 4, 1) >> 24);
}

TEST(GifEncode, SidesBeyondTheSixteenBitFieldsAreRefused) {
  for (const auto& [width, height] : std::vector<std::pair<int, int>>{{65536, 1}, {1, 65536}, {70000, 2}}) {
    SCOPED_TRACE(std::to_string(width) + " x " + std::to_string(height));
    CRaster picture(width, height, 1, 0);
    uint8_t* buffer = nullptr;
    size_t size = 0;
    EXPECT_FALSE(picture.EncodeMemory(buffer, size, IMAGE_FORMAT_GIF));
    EXPECT_STREQ("Write Error in GIF file", picture.GetLastError());
    CRaster::FreeBuffer(buffer);
  }
  // The largest side the fields hold is written, and reads back.
  CRaster wide(65535, 1, 1, 0);
  wide.SetPixelIndex(65534, 0, 1);
  const Bytes file = Encode(wide, GIF_COMPRESSION_LZW);
  ASSERT_FALSE(file.empty());
  EXPECT_EQ(0xFF, file[6]);
  EXPECT_EQ(0xFF, file[7]);
  CRaster back;
  ASSERT_TRUE(back.DecodeMemory(file.data(), file.size(), IMAGE_FORMAT_GIF)) << back.GetLastError();
  EXPECT_EQ(65535, back.GetWidth());
  EXPECT_EQ(1, back.GetPixelIndex(65534, 0));
}

TEST(GifEncode, FailedWritesReportTheGifText) {
  CRaster picture(2, 2, 8, 0);
  EXPECT_FALSE(picture.Save("/nonexistent-folder/x.gif", IMAGE_FORMAT_GIF));
  CRaster empty;
  uint8_t* buffer = nullptr;
  size_t size = 0;
  EXPECT_FALSE(empty.EncodeMemory(buffer, size, IMAGE_FORMAT_GIF));
  EXPECT_STREQ("null image!!!", empty.GetLastError());
}

namespace {

// Takes the first `room` bytes written; every write after them fails, and the stream
// reports an error from then on, as a full disk does.
class FullStream : public CRasterStream {
 public:
  explicit FullStream(size_t room) : m_room(room) {}
  bool Close() override { return true; }
  size_t Read(void*, size_t, size_t) override { return 0; }
  size_t Write(const void*, size_t itemSize, size_t count) override {
    const size_t bytes = itemSize * count;
    if (m_written + bytes > m_room) {
      m_failed = true;
      return 0;
    }
    m_written += bytes;
    return count;
  }
  bool Seek(int64_t, int) override { return false; }
  int64_t Tell() override { return int64_t(m_written); }
  int64_t Size() override { return int64_t(m_written); }
  bool Flush() override { return !m_failed; }
  bool Eof() override { return true; }
  int32_t Error() override { return m_failed ? 1 : 0; }
  int GetChar() override { return -1; }

 private:
  size_t m_room;
  size_t m_written = 0;
  bool m_failed = false;
};

}  // namespace

TEST(GifEncode, WritesThatFailAnywhereReportTheGifText) {
  CRaster paletted;
  FillPicture(paletted, {8, 40, 30, Extra::kNone});
  CRaster colour;
  FillPicture(colour, {24, 40, 30, Extra::kNone});
  for (CRaster* picture : {&paletted, &colour}) {
    for (int option : {GIF_COMPRESSION_LZW, GIF_COMPRESSION_LITERAL, GIF_COMPRESSION_RUNS}) {
      const size_t whole = Encode(*picture, option).size();
      ASSERT_GT(whole, 100u);
      for (size_t room : {size_t(0), size_t(5), size_t(13), whole / 2, whole - 1}) {
        SCOPED_TRACE(std::to_string(picture->GetBitDepth()) + " bits, option " + std::to_string(option) +
                     ", room " + std::to_string(room));
        FullStream full(room);
        picture->SetLastError("");
        EXPECT_FALSE(picture->Encode(&full, IMAGE_FORMAT_GIF));
        EXPECT_STREQ("Write Error in GIF file", picture->GetLastError());
      }
      FullStream enough(whole);
      EXPECT_TRUE(picture->Encode(&enough, IMAGE_FORMAT_GIF)) << picture->GetLastError();
    }
  }
}
