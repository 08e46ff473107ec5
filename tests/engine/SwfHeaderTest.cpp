// The Flash movie header: the frame rectangle of uncompressed and compressed movies, the
// rate and count behind it, and the headers that give no usable size.
#include "engine/flash/SwfHeader.h"

#include <gtest/gtest.h>

#include <vector>

#include "tests/engine/SwfTestFiles.h"

namespace {

using swf_test::BuildSwf;
using swf_test::SwfLayout;

struct SizeCase {
  const char* name;
  SwfLayout layout;
  int32_t left, top, right, bottom;
};

TEST(SwfHeader, ReadsTheFrameRectangleOfBothForms) {
  SwfLayout plain;  // (0, 0, 11000, 8000) twips
  SwfLayout packed;
  packed.compressed = true;
  SwfLayout offset;
  offset.xMin = -205;  // -10.25 px: truncated towards 0
  offset.xMax = 6405;
  offset.yMin = 41;
  offset.yMax = 2059;
  SwfLayout wide;  // a wider field than the values need
  wide.fieldBits = 31;
  SwfLayout lower;
  lower.signature[0] = 'f';
  lower.signature[1] = 'w';
  lower.signature[2] = 's';
  SwfLayout largest;
  largest.xMax = 4096 * 20;
  largest.yMax = 4096 * 20;
  largest.compressed = true;
  const SizeCase cases[] = {
      {"uncompressed", plain, 0, 0, 550, 400},
      {"compressed", packed, 0, 0, 550, 400},
      {"negative start", offset, -10, 2, 320, 102},
      {"31-bit fields", wide, 0, 0, 550, 400},
      {"lower case signature", lower, 0, 0, 550, 400},
      {"largest", largest, 0, 0, 4096, 4096},
  };
  for (const SizeCase& c : cases) {
    SCOPED_TRACE(c.name);
    const std::vector<uint8_t> file = BuildSwf(c.layout);
    SwfHeader header;
    ASSERT_EQ(ParseSwfHeader(file.data(), file.size(), &header), S_OK);
    EXPECT_EQ(header.left, c.left);
    EXPECT_EQ(header.top, c.top);
    EXPECT_EQ(header.right, c.right);
    EXPECT_EQ(header.bottom, c.bottom);
    EXPECT_EQ(header.compressed, c.layout.compressed);
    EXPECT_TRUE(header.hasTiming);
    EXPECT_EQ(header.frameRate, 25 * 256);
    EXPECT_EQ(header.frameCount, 50);
  }
}

TEST(SwfHeader, GivesNoSizeForBadHeaders) {
  struct BadCase {
    const char* name;
    std::vector<uint8_t> bytes;
  };
  std::vector<BadCase> cases;
  SwfLayout other;
  other.signature[0] = 'Z';
  cases.push_back({"another signature", BuildSwf(other)});
  SwfLayout empty;
  empty.xMax = 0;
  cases.push_back({"no width", BuildSwf(empty)});
  SwfLayout flipped;
  flipped.yMin = 8000;
  flipped.yMax = 0;
  cases.push_back({"negative height", BuildSwf(flipped)});
  SwfLayout huge;
  huge.xMax = 4097 * 20;
  huge.compressed = true;
  cases.push_back({"too wide", BuildSwf(huge)});
  // A field size of 0: every value is 0.
  cases.push_back({"zero-bit fields", {'F', 'W', 'S', 10, 0, 4, 0, 0, 0x00, 0x19, 0x01, 0x00}});

  // A compressed header whose stream is garbage: no size at all, not a made-up one.
  std::vector<uint8_t> garbage = {'C', 'W', 'S', 10, 0, 4, 0, 0};
  for (int i = 0; i < 400; ++i) garbage.push_back(uint8_t(i * 37 + 11));
  cases.push_back({"garbage after CWS", garbage});
  std::vector<uint8_t> damaged = BuildSwf([] {
    SwfLayout s;
    s.compressed = true;
    return s;
  }());
  damaged[8] ^= 0xFF;  // the zlib header
  cases.push_back({"damaged zlib header", damaged});

  // Bytes that end inside the rectangle: 5 + 4 x 31 bits need 17 bytes after byte 8.
  SwfLayout wide;
  wide.fieldBits = 31;
  std::vector<uint8_t> cut = BuildSwf(wide);
  cut.resize(8 + 16);
  cases.push_back({"cut inside the rectangle", cut});
  cases.push_back({"signature only", {'F', 'W', 'S', 10, 0, 0, 0, 0}});
  cases.push_back({"nothing", {}});

  for (const BadCase& c : cases) {
    SCOPED_TRACE(c.name);
    SwfHeader header;
    header.left = 77;
    EXPECT_EQ(ParseSwfHeader(c.bytes.data(), c.bytes.size(), &header), E_FAIL);
    EXPECT_EQ(header.left, 77);  // untouched
  }
  SwfHeader header;
  EXPECT_EQ(ParseSwfHeader(nullptr, 10, &header), E_POINTER);
}

TEST(SwfHeader, LooksAtTheFirst300BytesOnly) {
  SwfLayout wide;
  wide.fieldBits = 31;
  std::vector<uint8_t> file = BuildSwf(wide);
  // The rectangle ends within the first 300 bytes; whatever follows them is not read.
  SwfHeader header;
  EXPECT_EQ(ParseSwfHeader(file.data(), kSwfHeadSize, &header), S_OK);
  EXPECT_EQ(header.Width(), 550);
  EXPECT_EQ(header.Height(), 400);

  // Rate and count cut off: the size is still there.
  file.resize(8 + 17 + 2);
  EXPECT_EQ(ParseSwfHeader(file.data(), file.size(), &header), S_OK);
  EXPECT_FALSE(header.hasTiming);
  EXPECT_EQ(header.Width(), 550);
}

}  // namespace
