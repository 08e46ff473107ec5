// The bitmap and icon file layouts read and written field by field: every header kind and
// pixel layout the reader knows, broken files refused with a clear error, and what the
// writer writes read back the same.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "framework/GraphicsBmp.h"
#include "tests/framework/BmpBuilder.h"

namespace {

// The colour index or the packed pixel value at (x, y), y counted from the top.
uint32_t PixelAt(const TDibImage& image, int x, int y) {
  const size_t stride = TDibImage::RowBytes(image.Width, image.BitCount);
  const uint8_t* row = image.Bits.data() + size_t(image.Height - 1 - y) * stride;
  switch (image.BitCount) {
    case 1: return (row[x / 8] >> (7 - x % 8)) & 1;
    case 4: return (row[x / 2] >> (x % 2 ? 0 : 4)) & 0xF;
    case 8: return row[x];
    case 16: return uint32_t(row[x * 2] | row[x * 2 + 1] << 8);
    case 24: return uint32_t(row[x * 3] | row[x * 3 + 1] << 8 | row[x * 3 + 2] << 16);
    default:
      return uint32_t(row[x * 4] | row[x * 4 + 1] << 8 | row[x * 4 + 2] << 16 |
                      uint32_t(row[x * 4 + 3]) << 24);
  }
}

}  // namespace

TEST(BmpFile, ReadsEveryHeaderAndPixelLayoutItKnows) {
  struct Probe {
    int x, y;
    uint32_t value;
  };
  struct Case {
    const char* name;
    TBmpLayout layout;
    int width, height, bits;
    std::vector<Probe> probes;
    int paletteCount;
  };
  std::vector<Case> cases;

  {  // 24 bits, bottom-up, rows padded: 3 pixels of 3 bytes make 12-byte rows
    TBmpLayout s = Layout24(3, 2, {{1, 2, 3}, {4, 5, 6}, {7, 8, 9}, {10, 11, 12}, {13, 14, 15}, {16, 17, 18}});
    cases.push_back({"24-bit bottom-up", s, 3, 2, 24,
                     {{0, 1, 0x030201}, {2, 1, 0x090807}, {0, 0, 0x0C0B0A}, {2, 0, 0x121110}}, 0});
  }
  {  // the same pixels top-down
    TBmpLayout s = Layout24(3, 2, {{1, 2, 3}, {4, 5, 6}, {7, 8, 9}, {10, 11, 12}, {13, 14, 15}, {16, 17, 18}});
    s.height = -2;
    cases.push_back({"24-bit top-down", s, 3, 2, 24, {{0, 0, 0x030201}, {2, 1, 0x121110}}, 0});
  }
  {  // the old 12-byte header: 3-byte colour entries
    TBmpLayout s;
    s.headerSize = 12;
    s.width = 2;
    s.height = 1;
    s.bits = 8;
    s.table = std::vector<uint8_t>(256 * 3, 0);
    s.table[5 * 3 + 2] = 200;  // entry 5: red 200
    s.pixels = {5, 0, 0, 0};
    cases.push_back({"core header", s, 2, 1, 8, {{0, 0, 5}, {1, 0, 0}}, 256});
  }
  {  // a short colour table (2 of 16 colours used)
    TBmpLayout s;
    s.width = 3;
    s.height = 1;
    s.bits = 4;
    s.clrUsed = 2;
    s.table = {0, 0, 0, 0, 255, 255, 255, 0};
    s.pixels = {0x10, 0x10, 0, 0};
    cases.push_back({"4-bit, two colours", s, 3, 1, 4, {{0, 0, 1}, {1, 0, 0}, {2, 0, 1}}, 2});
  }
  {  // 1 bit, 9 pixels across two bytes
    TBmpLayout s;
    s.width = 9;
    s.height = 1;
    s.bits = 1;
    s.table = {0, 0, 0, 0, 255, 255, 255, 0};
    s.pixels = {0x81, 0x80, 0, 0};
    cases.push_back({"1-bit", s, 9, 1, 1, {{0, 0, 1}, {1, 0, 0}, {7, 0, 1}, {8, 0, 1}}, 2});
  }
  {  // 16 bits 5-6-5 with masks after a 40-byte header
    TBmpLayout s;
    s.width = 1;
    s.height = 1;
    s.bits = 16;
    s.compression = 3;
    s.masks = {0x00, 0xF8, 0, 0, 0xE0, 0x07, 0, 0, 0x1F, 0, 0, 0};
    s.pixels = {0x1F, 0xF8, 0, 0};
    cases.push_back({"16-bit 565", s, 1, 1, 16, {{0, 0, 0xF81F}}, 0});
  }
  {  // a 108-byte header with its own masks, 32 bits with alpha
    TBmpLayout s;
    s.headerSize = 108;
    s.width = 1;
    s.height = 1;
    s.bits = 32;
    s.compression = 3;
    s.masks = {0, 0, 0xFF, 0, 0, 0xFF, 0, 0, 0xFF, 0, 0, 0};
    s.pixels = {0x10, 0x20, 0x30, 0x80};
    cases.push_back({"V4 header 32-bit", s, 1, 1, 32, {{0, 0, 0x80302010}}, 0});
  }
  {  // run-length 8: a run, an absolute run with padding, end of line, delta, end
    TBmpLayout s;
    s.width = 6;
    s.height = 3;
    s.bits = 8;
    s.compression = 1;
    s.table = std::vector<uint8_t>(256 * 4, 0);
    s.pixels = {3, 7,          // 7 7 7
                0, 3, 1, 2, 3, 0,  // absolute 1 2 3 (padded)
                0, 0,          // end of line
                0, 2, 2, 1,    // delta: 2 right, 1 up (row 2)
                2, 9,          // 9 9 at x 2..3
                0, 1};
    cases.push_back({"RLE8", s, 6, 3, 8,
                     {{0, 2, 7}, {2, 2, 7}, {3, 2, 1}, {5, 2, 3}, {0, 1, 0}, {2, 0, 9}, {3, 0, 9},
                      {4, 0, 0}},
                     256});
  }
  {  // run-length 4: alternating nibbles and an odd absolute run
    TBmpLayout s;
    s.width = 5;
    s.height = 1;
    s.bits = 4;
    s.compression = 2;
    s.table = std::vector<uint8_t>(16 * 4, 0);
    s.pixels = {3, 0xAB, 0, 3, 0x12, 0x30, 0, 1};
    cases.push_back({"RLE4", s, 5, 1, 4, {{0, 0, 0xA}, {1, 0, 0xB}, {2, 0, 0xA}, {3, 0, 1}, {4, 0, 2}},
                     16});
  }
  {  // a table before pixels of 24 bits is skipped
    TBmpLayout s = Layout24(1, 1, {{9, 8, 7}});
    s.clrUsed = 2;
    s.table = std::vector<uint8_t>(8, 0xEE);
    cases.push_back({"24-bit with a table", s, 1, 1, 24, {{0, 0, 0x070809}}, 0});
  }

  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::vector<uint8_t> file = BuildBmp(c.layout);
    EXPECT_EQ(file.size(), BmpFileSize(file.data(), file.size()));
    TDibImage image;
    ASSERT_NO_THROW(ReadBmpFile(file.data(), file.size(), image));
    EXPECT_EQ(c.width, image.Width);
    EXPECT_EQ(c.height, image.Height);
    EXPECT_EQ(c.bits, image.BitCount);
    EXPECT_EQ(c.paletteCount, image.PaletteCount());
    for (const Probe& p : c.probes)
      EXPECT_EQ(p.value, PixelAt(image, p.x, p.y)) << "at " << p.x << "," << p.y;
  }
}

TEST(BmpFile, RefusesBrokenFilesAndKeepsTheImage) {
  const TBmpLayout good = Layout24(2, 2, {{1, 1, 1}, {2, 2, 2}, {3, 3, 3}, {4, 4, 4}});
  struct Case {
    const char* name;
    std::function<void(std::vector<uint8_t>&)> damage;
  };
  auto put32 = [](std::vector<uint8_t>& f, size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) f[at + i] = uint8_t(v >> (8 * i));
  };
  auto put16 = [](std::vector<uint8_t>& f, size_t at, uint16_t v) {
    f[at] = uint8_t(v);
    f[at + 1] = uint8_t(v >> 8);
  };
  const std::vector<Case> cases = {
      {"no signature", [](auto& f) { f[0] = 'X'; }},
      {"file size below any header", [&](auto& f) { put32(f, 2, 20); }},
      {"header size unknown", [&](auto& f) { put32(f, 14, 41); }},
      {"bit fields in a header too short for masks",
       [&](auto& f) { put32(f, 14, 44); put16(f, 28, 32); put32(f, 30, 3); }},
      {"OS/2 header with compression", [&](auto& f) { put32(f, 14, 64); put32(f, 30, 3); f.resize(f.size() + 24); }},
      {"header size larger than the file", [&](auto& f) { put32(f, 14, 124); f.resize(60); }},
      {"zero width", [&](auto& f) { put32(f, 18, 0); }},
      {"negative width", [&](auto& f) { put32(f, 18, 0xFFFFFFFE); }},
      {"zero height", [&](auto& f) { put32(f, 22, 0); }},
      {"smallest height", [&](auto& f) { put32(f, 22, 0x80000000u); }},
      {"two planes", [&](auto& f) { put16(f, 26, 2); }},
      {"seven bits", [&](auto& f) { put16(f, 28, 7); }},
      {"JPEG compression", [&](auto& f) { put32(f, 30, 4); }},
      {"RLE8 on 24 bits", [&](auto& f) { put32(f, 30, 1); }},
      {"bit fields on 24 bits", [&](auto& f) { put32(f, 30, 3); }},
      {"pixels cut short", [](auto& f) { f.resize(f.size() - 1); }},
      {"pixel offset past the end", [&](auto& f) { put32(f, 10, 4000); }},
      {"huge picture", [&](auto& f) { put32(f, 18, 100000); put32(f, 22, 100000); }},
      {"too many colours", [&](auto& f) { put16(f, 28, 8); put32(f, 46, 70000); }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::vector<uint8_t> file = BuildBmp(good);
    c.damage(file);
    TDibImage image;
    image.Width = 77;
    image.Bits = {1, 2, 3};
    try {
      ReadBmpFile(file.data(), file.size(), image);
      ADD_FAILURE() << "read";
    } catch (const EInvalidGraphic& e) {
      EXPECT_EQ("Bitmap image is not valid", e.Message);
    }
    EXPECT_EQ(77, image.Width);
    EXPECT_EQ(3u, image.Bits.size());
  }
  // An RLE picture that asks for a huge size from a few bytes is refused too.
  TBmpLayout rle;
  rle.width = 60000;
  rle.height = 60000;
  rle.bits = 8;
  rle.compression = 1;
  rle.table = std::vector<uint8_t>(1024, 0);
  rle.pixels = {0, 1};
  std::vector<uint8_t> file = BuildBmp(rle);
  TDibImage image;
  EXPECT_THROW(ReadBmpFile(file.data(), file.size(), image), EInvalidGraphic);
}

TEST(BmpFile, WritesFilesThatReadBackTheSame) {
  for (uint16_t bits : {1, 4, 8, 16, 24, 32}) {
    SCOPED_TRACE(bits);
    TDibImage image;
    image.Width = 5;
    image.Height = 3;
    image.BitCount = bits;
    image.XPelsPerMeter = 2835;
    if (bits <= 8)
      for (int i = 0; i < (1 << bits); ++i)
        image.Palette.insert(image.Palette.end(), {uint8_t(i), uint8_t(255 - i), uint8_t(i / 2), 0});
    if (bits == 16) {
      image.BitFields = true;
      image.RedMask = 0xF800;
      image.GreenMask = 0x07E0;
      image.BlueMask = 0x001F;
    }
    image.Bits.resize(TDibImage::RowBytes(5, bits) * 3);
    for (size_t i = 0; i < image.Bits.size(); ++i) image.Bits[i] = uint8_t(i * 37 + 11);
    std::vector<uint8_t> file = WriteBmpFile(image);
    ASSERT_GE(file.size(), 54u);
    EXPECT_EQ('B', file[0]);
    EXPECT_EQ(file.size(), BmpFileSize(file.data(), file.size()));
    const uint32_t offBits = uint32_t(file[10] | file[11] << 8 | file[12] << 16 | file[13] << 24);
    EXPECT_EQ(54u + (bits == 16 ? 12 : 0) + image.Palette.size(), offBits);
    TDibImage back;
    ReadBmpFile(file.data(), file.size(), back);
    EXPECT_EQ(image.Width, back.Width);
    EXPECT_EQ(image.Height, back.Height);
    EXPECT_EQ(image.BitCount, back.BitCount);
    EXPECT_EQ(image.Palette, back.Palette);
    EXPECT_EQ(image.Bits, back.Bits);
    EXPECT_EQ(image.BitFields, back.BitFields);
    EXPECT_EQ(image.GreenMask, back.GreenMask);
    EXPECT_EQ(2835, back.XPelsPerMeter);
  }
  TDibImage inconsistent;
  inconsistent.Width = 4;
  inconsistent.Height = 4;
  inconsistent.BitCount = 24;
  inconsistent.Bits.resize(10);
  EXPECT_THROW(WriteBmpFile(inconsistent), EInvalidGraphic);
}

TEST(IconFile, DirectoryKeepsEntriesInsideTheFileAndPicksTheNearestSize) {
  std::vector<uint8_t> picture16 = IconPicture(16, 16);
  std::vector<uint8_t> picture32 = IconPicture(32, 32);
  std::vector<uint8_t> file = BuildIcon({{16, 16, 32, picture16}, {32, 32, 32, picture32}});
  std::vector<TIconDirEntry> entries = ReadIconDirectory(file.data(), file.size());
  ASSERT_EQ(2u, entries.size());
  EXPECT_EQ(16, entries[0].Width);
  EXPECT_EQ(32, entries[1].Height);
  EXPECT_EQ(1u, BestIconEntry(entries, 32, 32));
  EXPECT_EQ(0u, BestIconEntry(entries, 20, 20));
  EXPECT_EQ(1u, BestIconEntry(entries, 48, 48));

  // An entry pointing past the end is left out; with none left the file is refused.
  std::vector<uint8_t> cut(file.begin(), file.end() - 10);
  EXPECT_EQ(1u, ReadIconDirectory(cut.data(), cut.size()).size());
  std::vector<uint8_t> wrongType = file;
  wrongType[2] = 3;
  EXPECT_THROW(ReadIconDirectory(wrongType.data(), wrongType.size()), EInvalidGraphic);
  std::vector<uint8_t> manyEntries = file;
  manyEntries[4] = 200;
  EXPECT_THROW(ReadIconDirectory(manyEntries.data(), manyEntries.size()), EInvalidGraphic);
  std::vector<uint8_t> header(file.begin(), file.begin() + 5);
  EXPECT_THROW(ReadIconDirectory(header.data(), header.size()), EInvalidGraphic);

  std::vector<uint8_t> single = WriteIconFile(picture32, 32, 32, 32);
  std::vector<TIconDirEntry> one = ReadIconDirectory(single.data(), single.size());
  ASSERT_EQ(1u, one.size());
  EXPECT_EQ(22u, one[0].Offset);
  EXPECT_EQ(picture32.size(), one[0].Size);
}
