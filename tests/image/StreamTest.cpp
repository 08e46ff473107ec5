// The file and memory streams: reads cut to what is there, seek rules, growth by pages.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <vector>

#include "image/Raster.h"
#include "image/RasterStream.h"

TEST(RasterMemoryStream, ReadCountsWholeItems) {
  uint8_t bytes[9] = {1, 2, 3, 4, 5, 6, 7, 8, 9};
  CRasterMemoryStream s(bytes, sizeof bytes);
  uint8_t out[40] = {};
  EXPECT_EQ(2u, s.Read(out, 4, 10));
  EXPECT_EQ(9, out[8]);
  EXPECT_EQ(9, s.Tell());
  EXPECT_TRUE(s.Eof());
  EXPECT_EQ(0u, s.Read(out, 1, 1));
  EXPECT_EQ(-1, s.GetChar());
}

TEST(RasterMemoryStream, SeekRules) {
  uint8_t bytes[4] = {0xFF, 2, 3, 4};
  CRasterMemoryStream s(bytes, sizeof bytes);
  EXPECT_TRUE(s.Seek(-5, SEEK_SET));
  EXPECT_EQ(0, s.Tell());
  EXPECT_EQ(0xFF, s.GetChar());  // a byte, not -1
  EXPECT_FALSE(s.Seek(0, 3));
  EXPECT_TRUE(s.Seek(-1, SEEK_END));
  EXPECT_EQ(4, s.GetChar());
  EXPECT_TRUE(s.Seek(10, SEEK_END));
  EXPECT_EQ(1, s.Error());
  EXPECT_TRUE(s.Eof());
}

TEST(RasterMemoryStream, GrowsByWholePagesBeyondWhatIsNeeded) {
  const uint8_t data[4096] = {};
  CRasterMemoryStream a;
  ASSERT_TRUE(a.Open());
  EXPECT_EQ(4096u, a.Write(data, 1, 4096));
  EXPECT_EQ(8192u, a.GetCapacity());
  CRasterMemoryStream b;
  ASSERT_TRUE(b.Open());
  EXPECT_EQ(1u, b.Write(data, 4095, 1));
  EXPECT_EQ(4096u, b.GetCapacity());
  EXPECT_EQ(4095, b.Size());
}

TEST(RasterMemoryStream, GapLeftBySeekingPastTheEndReadsAsZeros) {
  // Seek well past the end (across a page boundary) and write there, by both write
  // operations. Freed blocks full of other bytes beforehand make it likely that the new
  // pages held something (the sanitizer build fills fresh blocks anyway).
  for (const bool byChar : {false, true}) {
    SCOPED_TRACE(byChar ? "PutChar" : "Write");
    {
      CRasterMemoryStream old;
      ASSERT_TRUE(old.Open());
      const std::vector<uint8_t> filler(8000, 0xAB);
      ASSERT_EQ(filler.size(), old.Write(filler.data(), 1, filler.size()));
    }
    CRasterMemoryStream s;
    ASSERT_TRUE(s.Open());
    ASSERT_TRUE(s.PutChar(1));
    ASSERT_TRUE(s.Seek(5000, SEEK_CUR));
    const uint8_t last = 9;
    if (byChar)
      ASSERT_TRUE(s.PutChar(last));
    else
      ASSERT_EQ(1u, s.Write(&last, 1, 1));
    ASSERT_EQ(5002, s.Size());
    ASSERT_TRUE(s.Seek(0, SEEK_SET));
    std::vector<uint8_t> back(5002, 0xEE);
    ASSERT_EQ(back.size(), s.Read(back.data(), 1, back.size()));
    EXPECT_EQ(1, back.front());
    EXPECT_EQ(9, back.back());
    for (size_t i = 1; i + 1 < back.size(); ++i)
      if (back[i] != 0) {
        ADD_FAILURE() << "byte " << i << " of the gap is " << int(back[i]);
        break;
      }
  }
}

TEST(RasterMemoryStream, WriteAfterSeekingPastTheEndRaisesTheSize) {
  CRasterMemoryStream s;
  ASSERT_TRUE(s.Open());
  ASSERT_TRUE(s.PutChar(7));
  ASSERT_TRUE(s.Seek(10, SEEK_END));
  const uint8_t b[2] = {5, 6};
  EXPECT_EQ(2u, s.Write(b, 1, 2));
  EXPECT_EQ(13, s.Size());
  EXPECT_EQ(0, s.Error());
  uint8_t* buffer = s.GetBuffer(true);
  EXPECT_EQ(7, buffer[0]);
  EXPECT_EQ(6, buffer[12]);
  CRaster::FreeBuffer(buffer);
}

TEST(RasterMemoryStream, OpenRefusesAnAttachedBufferAndCallerBuffersNeverGrow) {
  uint8_t bytes[4] = {1, 2, 3, 4};
  CRasterMemoryStream s(bytes, sizeof bytes);
  EXPECT_FALSE(s.Open());
  EXPECT_EQ(4, s.Size());
  const uint8_t more[8] = {};
  EXPECT_EQ(0u, s.Write(more, 1, 8));  // would pass the caller's buffer
  EXPECT_EQ(1, bytes[0]);
  EXPECT_TRUE(s.Close());  // not owned: nothing freed
  EXPECT_EQ(4, s.Size());
}

TEST(RasterMemoryStream, EmptyStreamAnswersWithoutABuffer) {
  CRasterMemoryStream s;
  uint8_t b = 0;
  EXPECT_EQ(0u, s.Read(&b, 1, 1));
  EXPECT_EQ(0u, s.Write(&b, 1, 1));
  EXPECT_FALSE(s.Seek(0, SEEK_SET));
  EXPECT_EQ(-1, s.Tell());
  EXPECT_EQ(-1, s.Size());
  EXPECT_TRUE(s.Eof());
  EXPECT_EQ(-1, s.Error());
  EXPECT_FALSE(s.PutChar(1));
}

TEST(RasterFileStream, SizeKeepsThePositionAndHandlesStayOpen) {
  FILE* f = std::tmpfile();
  ASSERT_NE(nullptr, f);
  {
    CRasterFileStream s(f);
    const char text[] = "hello image";
    EXPECT_EQ(11u, s.Write(text, 1, 11));
    EXPECT_TRUE(s.Seek(3, SEEK_SET));
    EXPECT_EQ(11, s.Size());
    EXPECT_EQ(3, s.Tell());
    EXPECT_EQ('l', s.GetChar());
    EXPECT_TRUE(s.Close());  // not owned: the handle stays open
  }
  EXPECT_EQ(0, std::fseek(f, 0, SEEK_SET));
  EXPECT_EQ('h', std::fgetc(f));
  std::fclose(f);
}

TEST(RasterFileStream, NoHandleGivesTheDefaultAnswers) {
  CRasterFileStream s(nullptr);
  uint8_t b = 0;
  EXPECT_EQ(0u, s.Read(&b, 1, 1));
  EXPECT_FALSE(s.Seek(0, SEEK_SET));
  EXPECT_EQ(0, s.Tell());
  EXPECT_EQ(-1, s.Size());
  EXPECT_FALSE(s.Flush());
  EXPECT_TRUE(s.Eof());
  EXPECT_EQ(-1, s.Error());
  EXPECT_FALSE(s.PutChar(1));
  EXPECT_EQ(-1, s.GetChar());
  EXPECT_TRUE(s.Close());
}
