// The image object: creation and its limits, copying, moving and shared views, plain
// accessors and the row cursor.
#include <gtest/gtest.h>

#include <cstring>

#include "image/Raster.h"

TEST(Raster, CreateRefusesZeroAndNegativeSides) {
  for (auto [w, h] : {std::pair{0, 5}, {5, 0}, {-3, 5}, {5, -1}, {INT32_MIN, INT32_MIN}}) {
    CRaster r;
    EXPECT_EQ(nullptr, r.Create(w, h, 24, 0)) << w << "x" << h;
    EXPECT_STREQ("CRaster::Create : width and height must be greater than zero", r.GetLastError());
    EXPECT_FALSE(r.HasPixels());
  }
}

TEST(Raster, DepthsRoundUpToHeldDepths) {
  struct Case {
    int asked, depth;
    uint32_t colours;
  };
  for (const Case& c : {Case{0, 1, 2}, Case{1, 1, 2}, Case{2, 4, 16}, Case{4, 4, 16},
                        Case{5, 8, 256}, Case{8, 8, 256}, Case{16, 24, 0}, Case{32, 24, 0}}) {
    CRaster r(4, 4, c.asked, 0);
    ASSERT_TRUE(r.HasPixels()) << c.asked;
    EXPECT_EQ(c.depth, r.GetBitDepth()) << c.asked;
    EXPECT_EQ(c.colours, r.GetPaletteSize()) << c.asked;
  }
}

TEST(Raster, RowBytesArePaddedToFourBytes) {
  CRaster r(10, 3, 24, 0);
  EXPECT_EQ(32u, r.GetRowBytes());
  EXPECT_EQ(96u, r.GetHeader().biSizeImage);
  EXPECT_EQ(40u + 96u, r.GetBlockSize());
  CRaster mono(10, 3, 1, 0);
  EXPECT_EQ(4u, mono.GetRowBytes());
  EXPECT_EQ(40u + 8u + 12u, mono.GetBlockSize());
}

TEST(Raster, MemoryLimitCountsPaddedRowsIn64Bits) {
  CRaster big;
  EXPECT_EQ(nullptr, big.Create(20000, 20000, 24, 0));
  EXPECT_STREQ("RASTER_MAX_MEMORY exceeded", big.GetLastError());
  // Sizes whose unpadded 32-bit product wraps around are refused too.
  EXPECT_EQ(nullptr, big.Create(65536, 65536, 24, 0));
  EXPECT_STREQ("RASTER_MAX_MEMORY exceeded", big.GetLastError());
  EXPECT_EQ(nullptr, big.Create(INT32_MAX, 1, 24, 0));
  // 1 x 64,000,001 at 24 bits is 192,000,003 bytes unpadded but 256,000,004 padded.
  EXPECT_EQ(nullptr, big.Create(1, 64000001, 24, 0));
  EXPECT_STREQ("RASTER_MAX_MEMORY exceeded", big.GetLastError());
}

TEST(Raster, EightThousandSquarePassesTheLimit) {
  CRaster r;
  EXPECT_NE(nullptr, r.Create(8000, 8000, 24, 0));
}

TEST(Raster, InitializeSetsResolutionDefaults) {
  CRaster r;
  EXPECT_EQ(96, r.GetDpiX());
  EXPECT_EQ(96, r.GetDpiY());
  EXPECT_EQ(3780, r.GetHeader().biXPelsPerMeter);
  EXPECT_EQ(3780, r.GetHeader().biYPelsPerMeter);
  EXPECT_EQ(-1, r.GetTransparentIndex());
  EXPECT_EQ(90, r.GetQuality());
  EXPECT_EQ(255, r.GetAlphaMaximum());
  r.SetDpiX(0);
  EXPECT_EQ(96, r.GetDpiX());
  r.SetDpiY(72);
  EXPECT_EQ(2835, r.GetHeader().biYPelsPerMeter);
  r.SetDpiX(INT32_MAX);  // pels per metre beyond 32 bits stay at the largest value
  EXPECT_EQ(INT32_MAX, r.GetDpiX());
  EXPECT_EQ(INT32_MAX, r.GetHeader().biXPelsPerMeter);
}

TEST(Raster, ClearFillsByDepth) {
  CRaster mono(9, 2, 1, 0);
  mono.Clear(1);
  EXPECT_EQ(0xFF, mono.GetPixels()[0]);
  CRaster nibbles(9, 2, 4, 0);
  nibbles.Clear(0x13);
  EXPECT_EQ(0x33, nibbles.GetPixels()[0]);
  CRaster bytes(9, 2, 8, 0);
  bytes.Clear(0x13);
  EXPECT_EQ(0x13, bytes.GetPixels()[bytes.GetRowBytes() * 2 - 1]);
}

TEST(Raster, RowPointerOutsideThePictureIsNull) {
  CRaster r(5, 4, 8, 0);
  EXPECT_EQ(r.GetPixels(), r.GetRowPointer(0));
  EXPECT_EQ(r.GetPixels() + 3 * r.GetRowBytes(), r.GetRowPointer(3));
  EXPECT_EQ(nullptr, r.GetRowPointer(4));
  EXPECT_EQ(nullptr, r.GetRowPointer(-1));
  CRaster empty;
  EXPECT_EQ(nullptr, empty.GetRowPointer(0));
}

TEST(Raster, BlockHeaderIsWrittenFieldByField) {
  CRaster r(7, 3, 8, 0);
  const uint8_t* b = r.GetBlock();
  EXPECT_EQ(40, b[0]);
  EXPECT_EQ(7, b[4]);
  EXPECT_EQ(3, b[8]);
  EXPECT_EQ(1, b[12]);
  EXPECT_EQ(8, b[14]);
  EXPECT_EQ(0x00, b[32]);  // 256 colours used, little-endian
  EXPECT_EQ(0x01, b[33]);
  EXPECT_EQ(r.GetPixels(), r.GetBlock() + 40 + 256 * 4);
}

TEST(Raster, SharedViewRefusesDestroyAndCreate) {
  CRaster source(4, 4, 24, 0);
  source.Clear(7);
  {
    CRaster view;
    view.ShareFrom(&source);
    EXPECT_TRUE(view.IsSharedView());
    EXPECT_EQ(source.GetPixels(), view.GetPixels());
    EXPECT_FALSE(view.Destroy());
    EXPECT_EQ(nullptr, view.Create(2, 2, 8, 0));
    view.GetPixels()[0] = 99;  // writes reach the source
  }
  ASSERT_TRUE(source.HasPixels());
  EXPECT_EQ(99, source.GetPixels()[0]);
  EXPECT_EQ(7, source.GetPixels()[1]);
}

TEST(Raster, MoveLeavesTheSourceEmptyWithZeroHeader) {
  CRaster source(6, 2, 24, 3);
  source.CreateAlphaPlane();
  uint8_t* pixels = source.GetPixels();
  CRaster target;
  ASSERT_TRUE(target.MoveFrom(source));
  EXPECT_EQ(pixels, target.GetPixels());
  EXPECT_EQ(6, target.GetWidth());
  EXPECT_EQ(3, target.GetFormatId());
  EXPECT_TRUE(target.HasAlphaPlane());
  EXPECT_FALSE(source.HasPixels());
  EXPECT_FALSE(source.HasAlphaPlane());
  EXPECT_EQ(0, source.GetWidth());
  EXPECT_EQ(0u, source.GetHeader().biSize);
}

TEST(Raster, CopyKeepsPixelsPaletteAlphaAndSelectionOnRequest) {
  CRaster source(5, 3, 8, 2);
  source.SetPaletteEntry(3, 10, 20, 30, 0);
  source.Clear(3);
  source.CreateAlphaPlane();
  source.SetAlpha(1, 1, 17);
  source.SetTransparentIndex(3);

  CRaster full(source, true, true, true);
  EXPECT_EQ(0, std::memcmp(source.GetBlock(), full.GetBlock(), size_t(source.GetBlockSize())));
  EXPECT_EQ(17, full.GetAlpha(1, 1));
  EXPECT_EQ(3, full.GetTransparentIndex());
  EXPECT_EQ(2, full.GetFormatId());

  CRaster paletteOnly(source, false, false, false);
  EXPECT_EQ(30, paletteOnly.GetPaletteEntry(3).rgbBlue);
  EXPECT_FALSE(paletteOnly.HasAlphaPlane());
}

TEST(Raster, CreateFromPixelsTakesBottomUpAndTopDownRows) {
  // Two rows of 2 pixels, 32 bits: blue, green, red, alpha.
  const uint8_t pixels[] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16};
  CRaster up;
  ASSERT_TRUE(up.CreateFromPixels(pixels, 2, 2, 32, 8, false));
  EXPECT_EQ(24, up.GetBitDepth());
  EXPECT_EQ(1, up.GetPixelColor(0, 0, true).rgbBlue);
  EXPECT_EQ(4, up.GetAlpha(0, 0));
  EXPECT_EQ(16, up.GetAlpha(1, 1));
  CRaster down;
  ASSERT_TRUE(down.CreateFromPixels(pixels, 2, 2, 32, 8, true));
  EXPECT_EQ(9, down.GetPixelColor(0, 0, true).rgbBlue);
  EXPECT_EQ(4, down.GetAlpha(0, 1));

  const uint8_t grey[] = {0, 255, 0, 0};
  CRaster eight;
  ASSERT_TRUE(eight.CreateFromPixels(grey, 2, 2, 8, 2, false));
  EXPECT_EQ(255, eight.GetPixelColor(1, 0, false).rgbRed);
  CRaster refused;
  EXPECT_FALSE(refused.CreateFromPixels(grey, 2, 2, 16, 4, false));
  EXPECT_FALSE(refused.CreateFromPixels(nullptr, 2, 2, 8, 4, false));
}

TEST(Raster, CreateFromPixelsRefusesShortThirtyTwoBitRowsAndKeepsThePicture) {
  const uint8_t pixels[16] = {};
  CRaster kept(3, 1, 8, 0);
  kept.Clear(42);
  EXPECT_FALSE(kept.CreateFromPixels(pixels, 2, 2, 32, 7, false));
  ASSERT_TRUE(kept.HasPixels());
  EXPECT_EQ(3, kept.GetWidth());
  EXPECT_EQ(8, kept.GetBitDepth());
  EXPECT_EQ(42, kept.GetPixelIndex(2, 0));
}

TEST(Raster, FormatOptionsByIdAndOwnId) {
  CRaster r(IMAGE_FORMAT_PNG);
  EXPECT_FALSE(r.SetFormatOption(1, 16));
  EXPECT_TRUE(r.SetFormatOption(5, 0));
  EXPECT_EQ(5, r.GetFormatOption(IMAGE_FORMAT_PNG));
  EXPECT_EQ(5, r.GetFormatOption(0));
  EXPECT_EQ(0, r.GetFormatOption(16));
}

TEST(Raster, TransparentColourAccessors) {
  CRaster r(2, 2, 8, 0);
  r.SetPaletteEntry(4, 1, 2, 3, 0);
  RGBQUAD key = {9, 8, 7, 200};
  r.SetTransparentColor(key);
  EXPECT_FALSE(r.HasTransparentColor());
  r.SetTransparentIndex(4);
  EXPECT_TRUE(r.HasTransparentColor());
  EXPECT_EQ(3, r.GetTransparentColor().rgbBlue);  // paletted: the entry of the index
  CRaster rgb(2, 2, 24, 0);
  rgb.SetTransparentColor(key);
  rgb.SetTransparentIndex(0);
  EXPECT_EQ(9, rgb.GetTransparentColor().rgbBlue);
  EXPECT_EQ(0, rgb.GetTransparentColor().rgbReserved);
}

TEST(RasterRowIterator, WalksRowsTopDownAndStoresClippedRows) {
  CRaster r(3, 3, 8, 0);
  r.Clear(0);
  CRasterRowIterator it;
  it.Attach(&r);
  EXPECT_EQ(r.GetRowPointer(0), it.GetRowAddress());
  it.MoveToTop();
  EXPECT_EQ(2, it.GetRow());
  const uint8_t line[8] = {1, 2, 3, 4, 5, 6, 7, 8};
  it.StoreRow(line, 8);  // cut to the row bytes (4)
  EXPECT_EQ(4, r.GetRowPointer(2)[3]);
  EXPECT_EQ(0, r.GetRowPointer(1)[0]);
  EXPECT_EQ(r.GetRowPointer(2), it.SetRow(7));  // outside: stays
  EXPECT_TRUE(it.MoveDown());
  EXPECT_TRUE(it.MoveDown());
  EXPECT_FALSE(it.MoveDown());
  EXPECT_EQ(nullptr, it.GetRowAddress());
}
