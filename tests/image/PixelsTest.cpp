// Palettes, pixels, alpha plane and selection.
#include <gtest/gtest.h>

#include "image/Raster.h"

namespace {

RGBQUAD Rgb(uint8_t r, uint8_t g, uint8_t b, uint8_t a = 0) {
  RGBQUAD q;
  q.rgbRed = r;
  q.rgbGreen = g;
  q.rgbBlue = b;
  q.rgbReserved = a;
  return q;
}

uint32_t Hex(RGBQUAD q) { return uint32_t(q.rgbRed) << 16 | uint32_t(q.rgbGreen) << 8 | q.rgbBlue; }

}  // namespace

TEST(RasterPalette, DefaultPalettesByDepth) {
  CRaster four(2, 2, 4, 0);
  four.SetDefaultPalette();
  EXPECT_EQ(0x800000u, Hex(four.GetPaletteEntry(1)));
  EXPECT_EQ(0xFFFFFFu, Hex(four.GetPaletteEntry(15)));
  CRaster eight(2, 2, 8, 0);
  eight.SetDefaultPalette();
  struct Entry {
    uint32_t index, rgb;
  };
  for (const Entry& e :
       {Entry{0, 0x000000}, Entry{9, 0xA6CAF0}, Entry{40, 0xFE0000}, Entry{76, 0xFE00FE},
        Entry{112, 0x0000FE}, Entry{148, 0x00FEFE}, Entry{184, 0x00FE00}, Entry{220, 0xFEFE00},
        Entry{226, 0xF2F2F2}, Entry{242, 0x323232}, Entry{246, 0xFFFBF0}, Entry{248, 0x808080},
        Entry{249, 0xFF0000}, Entry{255, 0xFFFFFF}})
    EXPECT_EQ(e.rgb, Hex(eight.GetPaletteEntry(e.index))) << e.index;
}

TEST(RasterPalette, GreyPaletteSteps) {
  CRaster four(2, 2, 4, 0);
  four.SetGreyPalette();
  for (uint32_t i = 0; i < 16; ++i) EXPECT_EQ(i * 0x11, four.GetPaletteEntry(i).rgbGreen);
  CRaster eight(2, 2, 8, 0);
  eight.SetGreyPalette();
  EXPECT_TRUE(eight.IsIdentityGrey());
  CRaster mono(2, 2, 1, 0);
  mono.SetGreyPalette();
  EXPECT_EQ(255, mono.GetPaletteEntry(1).rgbBlue);
  EXPECT_FALSE(mono.IsIdentityGrey());
}

TEST(RasterPalette, EntriesBeyondTheColoursUsedAreIgnored) {
  CRaster r(2, 2, 4, 0);
  r.SetPaletteEntry(20, 1, 2, 3, 4);
  EXPECT_EQ(0u, Hex(r.GetPaletteEntry(20)));
  uint8_t red, green, blue;
  EXPECT_FALSE(r.GetPaletteEntry(16, red, green, blue));
  r.SetPaletteEntry(256 + 3, 7, 8, 9, 0);  // taken modulo 256
  EXPECT_TRUE(r.GetPaletteEntry(3, red, green, blue));
  EXPECT_EQ(7, red);
  CRaster rgb(2, 2, 24, 0);
  EXPECT_EQ(nullptr, rgb.GetPalette());
}

TEST(RasterPalette, NearestIndexPrefersLowerIndexAndRecomputesAfterChanges) {
  CRaster r(2, 2, 1, 0);
  r.SetPaletteEntry(0, 0, 0, 0, 0);
  r.SetPaletteEntry(1, 20, 20, 20, 0);
  EXPECT_EQ(0, r.FindNearestIndex(Rgb(10, 10, 10)));
  r.SetPaletteEntry(0, 200, 200, 200, 0);
  EXPECT_EQ(1, r.FindNearestIndex(Rgb(10, 10, 10)));
  r.SetImportantColors(1);  // only entry 0 is searched
  r.SetPaletteEntry(1, 20, 20, 20, 0);
  EXPECT_EQ(0, r.FindNearestIndex(Rgb(10, 10, 10)));
}

TEST(RasterPalette, CreateForgetsTheNearestColourOfThePaletteItCleared) {
  CRaster r(2, 2, 8, 0);
  r.SetPaletteEntry(7, 200, 10, 10, 0);
  ASSERT_EQ(7, r.FindNearestIndex(Rgb(200, 10, 10)));
  ASSERT_TRUE(r.Create(2, 2, 8, 0));  // every entry black again
  EXPECT_EQ(0, r.FindNearestIndex(Rgb(200, 10, 10)));
}

TEST(RasterPalette, ImportantColoursByDepth) {
  CRaster mono(2, 2, 1, 0);
  mono.SetImportantColors(3);
  EXPECT_EQ(2u, mono.GetHeader().biClrImportant);
  CRaster eight(2, 2, 8, 0);
  eight.SetImportantColors(300);
  EXPECT_EQ(0u, eight.GetHeader().biClrImportant);
  eight.SetImportantColors(77);
  EXPECT_EQ(77u, eight.GetHeader().biClrImportant);
}

TEST(RasterPalette, ExchangeIndicesSwapsEntriesAndPixels) {
  CRaster r(3, 1, 4, 0);
  r.SetPaletteEntry(0, 1, 1, 1, 0);
  r.SetPaletteEntry(5, 5, 5, 5, 0);
  r.SetPixelIndex(0, 0, 0);
  r.SetPixelIndex(1, 0, 5);
  r.SetPixelIndex(2, 0, 3);
  r.ExchangeIndices(0, 5);
  EXPECT_EQ(5, r.GetPixelIndex(0, 0));
  EXPECT_EQ(0, r.GetPixelIndex(1, 0));
  EXPECT_EQ(3, r.GetPixelIndex(2, 0));
  EXPECT_EQ(5, r.GetPaletteEntry(0).rgbRed);
  EXPECT_EQ(1, r.GetPixelColor(0, 0, false).rgbRed);  // each pixel keeps its colour
}

TEST(RasterPalette, CompareColorBrightness) {
  EXPECT_EQ(255, CompareColorBrightness(Rgb(255, 255, 255), Rgb(0, 0, 0)));
  EXPECT_EQ(149 - 76, CompareColorBrightness(Rgb(0, 255, 0), Rgb(255, 0, 0)));
}

TEST(RasterPalette, SwapRedBlueProcessesWholeGroupsOnly) {
  CRaster r(5, 1, 24, 0);  // row bytes 16: five pixels and one padding byte
  uint8_t row[17];
  for (int i = 0; i < 17; ++i) row[i] = uint8_t(i);
  r.SwapRedBlue(row, r.GetRowBytes());
  EXPECT_EQ(2, row[0]);
  EXPECT_EQ(0, row[2]);
  EXPECT_EQ(14, row[12]);
  EXPECT_EQ(15, row[15]);  // the padding byte is not part of a pixel
  EXPECT_EQ(16, row[16]);  // nothing past the row bytes is touched
  uint8_t one[3] = {1, 2, 3};
  r.SwapRedBlue(one, 0);
  EXPECT_EQ(1, one[0]);
  r.SwapRedBlue(one, 2);
  EXPECT_EQ(1, one[0]);
}

TEST(RasterPixels, IndexOutsideFallsBackToOriginOrTransparentIndex) {
  CRaster r(4, 4, 8, 0);
  r.Clear(0);
  r.SetPixelIndex(0, 0, 9);
  EXPECT_EQ(9, r.GetPixelIndex(-1, 0));
  EXPECT_EQ(9, r.GetPixelIndex(0, 4));
  r.SetTransparentIndex(5);
  EXPECT_EQ(5, r.GetPixelIndex(-1, 0));
}

TEST(RasterPixels, FourBitIndexKeepsTheOtherNibble) {
  CRaster r(4, 1, 4, 0);
  r.Clear(0);
  r.SetPixelIndex(0, 0, 0xA);
  r.SetPixelIndex(1, 0, 0x1F);
  EXPECT_EQ(0xAF, r.GetPixels()[0]);
  EXPECT_EQ(0xA, r.GetPixelIndex(0, 0));
  EXPECT_EQ(0xF, r.GetPixelIndex(1, 0));
}

TEST(RasterPixels, OneBitIndexIsBitSevenMinusX) {
  CRaster r(10, 1, 1, 0);
  r.Clear(0);
  r.SetPixelIndex(0, 0, 1);
  r.SetPixelIndex(9, 0, 3);
  EXPECT_EQ(0x80, r.GetPixels()[0]);
  EXPECT_EQ(0x40, r.GetPixels()[1]);
  EXPECT_EQ(1, r.GetPixelIndex(9, 0));
  EXPECT_EQ(0, r.GetPixelIndex(8, 0));
}

TEST(RasterPixels, ColourOutsideA24BitPictureIsTheOriginWithAlpha) {
  CRaster r(3, 3, 24, 0);
  r.Clear(0);
  r.SetPixelColor(0, 0, Rgb(10, 20, 30), false);
  r.CreateAlphaPlane();
  r.SetAlpha(0, 0, 77);
  const RGBQUAD c = r.GetPixelColor(5, 5, true);
  EXPECT_EQ(0x0A141Eu, Hex(c));
  EXPECT_EQ(77, c.rgbReserved);
  r.SetTransparentColor(Rgb(1, 2, 3));
  r.SetTransparentIndex(0);
  EXPECT_EQ(0x010203u, Hex(r.GetPixelColor(-1, 0, true)));
}

TEST(RasterPixels, SetPixelColorMapsToTheNearestPaletteEntry) {
  CRaster r(2, 1, 1, 0);
  r.SetGreyPalette();
  r.SetPixelColor(0, 0, Rgb(250, 240, 230), true);
  r.SetPixelColorRef(1, 0, 0x00101010);
  EXPECT_EQ(1, r.GetPixelIndex(0, 0));
  EXPECT_EQ(0, r.GetPixelIndex(1, 0));
  CRaster rgb(1, 1, 24, 0);
  rgb.SetPixelColorRef(0, 0, 0x00332211);  // red in the low byte
  EXPECT_EQ(0x112233u, Hex(rgb.GetPixelColor(0, 0, false)));
}

TEST(RasterPixels, TransparencyByKeyIndexOrAlpha) {
  CRaster rgb(2, 1, 24, 0);
  rgb.SetPixelColor(0, 0, Rgb(255, 0, 255), false);
  rgb.SetPixelColor(1, 0, Rgb(1, 0, 255), false);
  rgb.CreateAlphaPlane();
  rgb.SetAlpha(1, 0, 0);
  EXPECT_FALSE(rgb.IsPixelTransparent(0, 0));
  EXPECT_TRUE(rgb.IsPixelTransparent(1, 0));  // alpha 0, no key
  rgb.SetTransparentColor(Rgb(255, 0, 255));
  rgb.SetTransparentIndex(0);
  EXPECT_TRUE(rgb.IsPixelTransparent(0, 0));  // the key decides now
  EXPECT_FALSE(rgb.IsPixelTransparent(1, 0));
  CRaster pal(2, 1, 8, 0);
  pal.Clear(0);
  pal.SetPixelIndex(1, 0, 4);
  pal.SetTransparentIndex(4);
  EXPECT_TRUE(pal.IsPixelTransparent(1, 0));
  EXPECT_FALSE(pal.IsPixelTransparent(0, 0));
}

TEST(RasterAlpha, PlaneOperations) {
  CRaster r(3, 2, 24, 0);
  EXPECT_EQ(0, r.GetAlpha(0, 0));
  ASSERT_TRUE(r.CreateAlphaPlane());
  EXPECT_EQ(255, r.GetAlpha(2, 1));
  r.SetAlpha(0, 0, 1);
  r.SetAlpha(2, 1, 2);
  r.SetAlpha(3, 0, 9);  // outside: ignored
  EXPECT_EQ(nullptr, r.GetAlphaPointer(3, 0));
  ASSERT_TRUE(r.FlipAlphaPlane());
  EXPECT_EQ(1, r.GetAlpha(0, 1));
  ASSERT_TRUE(r.MirrorAlphaPlane());
  EXPECT_EQ(1, r.GetAlpha(2, 1));
  EXPECT_EQ(2, r.GetAlpha(0, 0));
  CRaster other(3, 2, 8, 0);
  r.SetAlphaMaximum(100);
  EXPECT_TRUE(other.CopyAlphaPlane(r));
  EXPECT_EQ(100, other.GetAlphaMaximum());
  CRaster wrongSize(2, 2, 8, 0);
  EXPECT_FALSE(wrongSize.CopyAlphaPlane(r));
  r.DeleteAlphaPlane();
  EXPECT_EQ(2, r.GetColorKind());
}

TEST(RasterSelection, ClearSelectionSetsTheEmptyBox) {
  CRaster r(10, 20, 8, 0);
  EXPECT_TRUE(r.ClearSelection());
  const RECT box = r.GetSelectionBox();
  EXPECT_EQ(10, box.left);
  EXPECT_EQ(0, box.top);
  EXPECT_EQ(0, box.right);
  EXPECT_EQ(20, box.bottom);
  EXPECT_TRUE(r.IsSelected(9, 19));
  EXPECT_FALSE(r.IsSelected(10, 0));
}

TEST(RasterTransform, FlipVerticalTwiceRestoresPixelsAndAlpha) {
  CRaster r(3, 3, 24, 0);
  for (int y = 0; y < 3; ++y)
    for (int x = 0; x < 3; ++x) r.SetPixelColor(x, y, Rgb(uint8_t(x), uint8_t(y), 0), false);
  r.CreateAlphaPlane();
  r.SetAlpha(0, 0, 5);
  ASSERT_TRUE(r.FlipVertical());
  EXPECT_EQ(2, r.GetPixelColor(0, 0, false).rgbGreen);
  EXPECT_EQ(5, r.GetAlpha(0, 2));
  ASSERT_TRUE(r.FlipVertical());
  EXPECT_EQ(0, r.GetPixelColor(0, 0, false).rgbGreen);
  EXPECT_EQ(5, r.GetAlpha(0, 0));
}

TEST(RasterTransform, InvertByKindOfPicture) {
  CRaster rgb(1, 1, 24, 0);
  rgb.SetPixelColor(0, 0, Rgb(0, 255, 0), false);
  rgb.SetTransparentColor(Rgb(0, 255, 0));
  ASSERT_TRUE(rgb.Invert());
  EXPECT_EQ(0xFF00FFu, Hex(rgb.GetPixelColor(0, 0, false)));
  EXPECT_EQ(0xFF00FFu, Hex(rgb.GetTransparentColor()));
  CRaster colour(1, 1, 4, 0);
  colour.SetPaletteEntry(0, 10, 0, 0, 0);
  colour.SetPixelIndex(0, 0, 0);
  ASSERT_TRUE(colour.Invert());
  EXPECT_EQ(245, colour.GetPaletteEntry(0).rgbRed);
  EXPECT_EQ(0, colour.GetPixelIndex(0, 0));
  CRaster grey(1, 1, 8, 0);
  grey.SetGreyPalette();
  grey.SetPixelIndex(0, 0, 10);
  ASSERT_TRUE(grey.Invert());
  EXPECT_EQ(245, grey.GetPixelIndex(0, 0));
}
