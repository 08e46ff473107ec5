// CDibSurface against real GDI: DIB sections, memory DCs, halftone stretching, and the
// integer blends, checked pixel by pixel. Pixels are addressed the way GDI lays them out:
// storage rows bottom-up, padded to 4 bytes.
#include "engine/base/DibSurface.h"
#include "engine/base/TextUtils.h"

#include <gtest/gtest.h>
#include <opencv2/core.hpp>

#include <array>
#include <climits>
#include <cmath>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

namespace {

using Bgra = std::array<int, 4>;
using Bgr = std::array<int, 3>;

// (x, y, x + width, y + height); a local helper, so the tests stand on their own.

// Pixel (x, y) counted from the top, as rectangles count.
BYTE* At(CDibSurface& s, int x, int y) {
  return s.GetBits() + size_t(s.GetHeight() - 1 - y) * s.GetStride() +
         size_t(x) * s.GetBytesPerPixel();
}

void Put(CDibSurface& s, int x, int y, const Bgra& c) {
  BYTE* p = At(s, x, y);
  for (int i = 0; i < s.GetBytesPerPixel(); ++i) p[i] = BYTE(c[i]);
}

Bgr Rgb(CDibSurface& s, int x, int y) {
  const BYTE* p = At(s, x, y);
  return {p[0], p[1], p[2]};
}

Bgra Rgba(CDibSurface& s, int x, int y) {
  const BYTE* p = At(s, x, y);
  return {p[0], p[1], p[2], s.GetBytesPerPixel() == 4 ? p[3] : -1};
}

void FillPixels(CDibSurface& s, const Bgra& c) {
  for (int y = 0; y < s.GetHeight(); ++y)
    for (int x = 0; x < s.GetWidth(); ++x) Put(s, x, y, c);
}

// A colour that differs from pixel to pixel.
Bgra Pattern(int x, int y) {
  return {(x * 7 + y * 3) & 0xFF, (x + y * 11 + 5) & 0xFF, (x * x + y + 9) & 0xFF, 255};
}

void FillPattern(CDibSurface& s) {
  for (int y = 0; y < s.GetHeight(); ++y)
    for (int x = 0; x < s.GetWidth(); ++x) Put(s, x, y, Pattern(x, y));
}

// Sets every row's padding bytes (between width * bpp and the stride) to `value`.
void FillPadding(CDibSurface& s, BYTE value) {
  const int used = s.GetWidth() * s.GetBytesPerPixel();
  for (int r = 0; r < s.GetHeight(); ++r)
    std::memset(s.GetBits() + size_t(r) * s.GetStride() + used, value, s.GetStride() - used);
}

// Number of padding bytes that do not hold `value`.
int PaddingChanged(CDibSurface& s, BYTE value) {
  const int used = s.GetWidth() * s.GetBytesPerPixel();
  int changed = 0;
  for (int r = 0; r < s.GetHeight(); ++r)
    for (int i = used; i < s.GetStride(); ++i)
      changed += s.GetBits()[size_t(r) * s.GetStride() + i] != value;
  return changed;
}

std::vector<BYTE> Snapshot(const CDibSurface& s) {
  return std::vector<BYTE>(s.GetBits(), s.GetBits() + s.GetBitsSize());
}

bool Inside(const RECT& r, int x, int y) {
  return x >= r.left && x < r.right && y >= r.top && y < r.bottom;
}

// Rectangles beyond the int range, inverted, far outside the pictures or reaching over
// their edges.
const RECT kHostileRects[] = {RECT{INT_MIN, INT_MIN, INT_MAX, INT_MAX},
                              RECT{INT_MAX - 1, INT_MAX - 1, INT_MAX, INT_MAX},
                              RECT{INT_MIN, INT_MIN, INT_MIN + 2, INT_MIN + 2},
                              RECT{-1000, -1000, 1000, 1000},
                              RECT{10, 10, -10, -10},
                              MakeRect(31, 31, 1, 1),
                              MakeRect(0, 0, 1, 1),
                              MakeRect(30, 0, 4, 2),
                              MakeRect(-2, 14, 4, 2),
                              MakeRect(15, 31, 4, 2)};

}  // namespace

// ---------------------------------------------------------------------------------------
// Creation and lifetime

TEST(DibSurface, CreateMakesBottomUpSectionWithPaddedRows) {
  struct Case {
    int width, height, bpp, stride;
  };
  const Case cases[] = {{426, 240, 24, 1280}, {3, 2, 24, 12},       {7, 5, 24, 24}, {4, 3, 24, 12},
                        {3, 2, 32, 12},       {426, 240, 32, 1704}, {1, 1, 24, 4}};
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.width) + "x" + std::to_string(c.height) + "x" +
                 std::to_string(c.bpp));
    CDibSurface s;
    ASSERT_TRUE(s.Create(c.width, c.height, c.bpp));
    const BITMAPINFOHEADER* h = s.GetHeader();
    ASSERT_NE(h, nullptr);
    EXPECT_EQ(h->biSize, sizeof(BITMAPINFOHEADER));
    EXPECT_EQ(h->biWidth, c.width);
    EXPECT_EQ(h->biHeight, c.height);
    EXPECT_EQ(h->biPlanes, 1);
    EXPECT_EQ(h->biBitCount, c.bpp);
    EXPECT_EQ(h->biCompression, DWORD(BI_RGB));
    EXPECT_EQ(h->biSizeImage, 0u);
    EXPECT_EQ(h->biClrUsed, 0u);
    EXPECT_NE(s.GetBits(), nullptr);
    EXPECT_EQ(s.GetStride(), c.stride);
    EXPECT_EQ(s.GetBitsSize(), size_t(c.stride) * c.height);
    EXPECT_EQ(s.GetBytesPerPixel(), c.bpp / 8);
    EXPECT_EQ(s.GetSize().cx, c.width);
    EXPECT_EQ(s.GetSize().cy, c.height);
    const RECT r = s.GetRect();
    EXPECT_EQ(r.left, 0);
    EXPECT_EQ(r.top, 0);
    EXPECT_EQ(r.right, c.width);
    EXPECT_EQ(r.bottom, c.height);

    // GDI agrees on the layout.
    DIBSECTION ds = {};
    ASSERT_EQ(GetObject(s.GetBitmap(), sizeof(ds), &ds), int(sizeof(ds)));
    EXPECT_EQ(ds.dsBm.bmWidthBytes, c.stride);
    EXPECT_EQ(ds.dsBm.bmBits, s.GetBits());
    EXPECT_EQ(ds.dsBmih.biHeight, c.height);  // positive: bottom-up
  }
}

TEST(DibSurface, CreateRejectsInvalidSizesAndKeepsTheOldPicture) {
  struct Case {
    int width, height, bpp;
  };
  const Case cases[] = {{0, 1, 24},         {1, 0, 32},         {-5, 5, 24},
                        {5, -5, 32},        {16385, 1, 32},     {1, 16385, 24},
                        {16384, 16384, 32}, {16384, 12000, 24}, {INT_MAX, INT_MAX, 32},
                        {8, 8, 16},         {8, 8, 8},          {8, 8, 0}};
  CDibSurface s;
  ASSERT_TRUE(s.Create(5, 4, 24));
  FillPattern(s);
  const std::vector<BYTE> before = Snapshot(s);
  BYTE* const bits = s.GetBits();
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.width) + "x" + std::to_string(c.height) + "x" +
                 std::to_string(c.bpp));
    EXPECT_FALSE(s.Create(c.width, c.height, c.bpp));
    EXPECT_EQ(s.GetBits(), bits);
    EXPECT_EQ(s.GetWidth(), 5);
    EXPECT_EQ(s.GetHeight(), 4);
    EXPECT_EQ(Snapshot(s), before);
  }
}

TEST(DibSurface, EmptySurfaceReportsZerosAndRefusesPixelWork) {
  CDibSurface empty;
  CDibSurface other;
  ASSERT_TRUE(other.Create(4, 4, 32));
  const RECT r = MakeRect(0, 0, 4, 4);

  EXPECT_EQ(empty.GetSize().cx, 0);
  EXPECT_EQ(empty.GetSize().cy, 0);
  EXPECT_EQ(empty.GetRect().right, 0);
  EXPECT_EQ(empty.GetBytesPerPixel(), 0);
  EXPECT_EQ(empty.GetStride(), 0);
  EXPECT_EQ(empty.GetBitsSize(), 0u);
  EXPECT_EQ(empty.GetHeader(), nullptr);
  EXPECT_EQ(empty.GetBits(), nullptr);
  EXPECT_EQ(empty.GetIplImage(), nullptr);
  EXPECT_EQ(empty.GetDC(), nullptr);
  EXPECT_EQ(empty.Detach(), nullptr);
  empty.Clear();
  empty.FillWhite();
  empty.Free();
  EXPECT_EQ(empty.InvertAlpha(), E_FAIL);
  BYTE block[64] = {};
  EXPECT_FALSE(empty.CopyBits(block, sizeof(block)));
  EXPECT_EQ(empty.Convert24To32(other), E_FAIL);
  EXPECT_EQ(empty.CopyRect(other, r, r), E_FAIL);
  EXPECT_EQ(other.CopyRect(empty, r, r), E_FAIL);

  const std::vector<BYTE> before = Snapshot(other);
  const int modes[] = {DRAW_ALPHA, DRAW_LUMA, DRAW_INVERSE_LUMA, DRAW_ADD, 0x4000};
  for (int mode : modes) {
    SCOPED_TRACE(mode);
    EXPECT_EQ(empty.BlendMode(other, r, r, mode), E_FAIL);
    EXPECT_EQ(other.BlendMode(empty, r, r, mode), E_FAIL);
    EXPECT_EQ(empty.BlendScaledMode(other, r, MakeRect(0, 0, 2, 2), mode), E_FAIL);
    EXPECT_EQ(other.BlendScaledMode(empty, r, MakeRect(0, 0, 2, 2), mode), E_FAIL);
    EXPECT_EQ(empty.Draw(other, r, r, mode, nullptr, 128, nullptr), E_FAIL);
    EXPECT_EQ(other.Draw(empty, r, r, mode, nullptr, 128, nullptr), E_FAIL);
  }
  EXPECT_EQ(empty.Blend(other, r, r), E_FAIL);
  EXPECT_EQ(empty.BlendScaled(other, r, r), E_FAIL);
  RotationParams p;
  p.dest = &other;
  p.source = r;
  EXPECT_EQ(empty.DrawRotated(p), E_FAIL);
  p.dest = &empty;
  EXPECT_EQ(other.DrawRotated(p), E_FAIL);
  EXPECT_EQ(Snapshot(other), before);
}

TEST(DibSurface, GdiDrawingThroughTheMemoryDcLandsOnBottomUpRows) {
  CDibSurface s;
  ASSERT_TRUE(s.Create(7, 5, 24));
  HDC dc = s.GetDC();
  ASSERT_NE(dc, nullptr);
  EXPECT_EQ(s.GetDC(), dc);  // made once, kept

  HBRUSH red = CreateSolidBrush(RGB(255, 0, 0));
  const RECT fill = MakeRect(1, 1, 2, 1);
  FillRect(dc, &fill, red);
  DeleteObject(red);
  GdiFlush();

  for (int y = 0; y < 5; ++y) {
    for (int x = 0; x < 7; ++x) {
      SCOPED_TRACE(std::to_string(x) + "," + std::to_string(y));
      // Top-down row y is storage row 4 - y.
      const BYTE* p = s.GetBits() + (4 - y) * s.GetStride() + x * 3;
      const Bgr expected = Inside(fill, x, y) ? Bgr{0, 0, 255} : Bgr{0, 0, 0};
      EXPECT_EQ((Bgr{p[0], p[1], p[2]}), expected);
    }
  }
  EXPECT_EQ(PaddingChanged(s, 0), 0);
  EXPECT_EQ(GetPixel(dc, 1, 1), RGB(255, 0, 0));
}

TEST(DibSurface, GdiDrawingOnAnOddWidthReachesTheLastColumnOfEachRow) {
  CDibSurface s;
  ASSERT_TRUE(s.Create(426, 240, 24));
  HBRUSH blue = CreateSolidBrush(RGB(0, 0, 255));
  const RECT column = MakeRect(425, 0, 1, 240);
  FillRect(s.GetDC(), &column, blue);
  DeleteObject(blue);
  GdiFlush();
  for (int r = 0; r < 240; ++r) {
    const BYTE* row = s.GetBits() + size_t(r) * 1280;
    ASSERT_EQ(row[1275], 255) << "row " << r;  // blue of pixel 425
    ASSERT_EQ(row[1272], 0) << "row " << r;    // blue of pixel 424
  }
  EXPECT_EQ(PaddingChanged(s, 0), 0);
}

TEST(DibSurface, DetachHandsOverTheBitmapAndEmptiesTheSurface) {
  CDibSurface s;
  ASSERT_TRUE(s.Create(6, 3, 32));
  ASSERT_NE(s.GetDC(), nullptr);
  ASSERT_NE(s.GetIplImage(), nullptr);
  HBITMAP bitmap = s.Detach();
  ASSERT_NE(bitmap, nullptr);
  EXPECT_EQ(s.GetBits(), nullptr);
  EXPECT_EQ(s.GetHeader(), nullptr);
  EXPECT_EQ(s.GetBitmap(), nullptr);
  EXPECT_EQ(s.GetIplImage(), nullptr);

  // The bitmap still exists and is selected nowhere: another DC can take it.
  BITMAP bm = {};
  ASSERT_EQ(GetObject(bitmap, sizeof(bm), &bm), int(sizeof(bm)));
  EXPECT_EQ(bm.bmWidth, 6);
  HDC dc = CreateCompatibleDC(nullptr);
  HGDIOBJ old = SelectObject(dc, bitmap);
  EXPECT_NE(old, nullptr);
  SelectObject(dc, old);
  DeleteDC(dc);
  EXPECT_TRUE(DeleteObject(bitmap));

  // Free after GetDC and re-creation start clean.
  ASSERT_TRUE(s.Create(2, 2, 24));
  ASSERT_NE(s.GetDC(), nullptr);
  s.Free();
  EXPECT_EQ(s.GetBits(), nullptr);
  EXPECT_EQ(s.GetDC(), nullptr);
}

TEST(DibSurface, ImageViewSharesThePixelsInStorageRowOrder) {
  struct Case {
    int bpp, type;
  };
  for (const Case& c : {Case{24, CV_8UC3}, Case{32, CV_8UC4}}) {
    SCOPED_TRACE(c.bpp);
    CDibSurface s;
    ASSERT_TRUE(s.Create(7, 3, c.bpp));
    cv::Mat* view = s.GetIplImage();
    ASSERT_NE(view, nullptr);
    EXPECT_EQ(s.GetIplImage(), view);
    EXPECT_EQ(view->rows, 3);
    EXPECT_EQ(view->cols, 7);
    EXPECT_EQ(view->type(), c.type);
    EXPECT_EQ(view->step[0], size_t(s.GetStride()));
    EXPECT_EQ(view->data, s.GetBits());
    // OpenCV's row 0 is the bottom row of the picture.
    view->ptr<BYTE>(0)[6 * s.GetBytesPerPixel()] = 77;
    EXPECT_EQ(At(s, 6, 2)[0], 77);

    ASSERT_TRUE(s.Create(9, 2, c.bpp));
    cv::Mat* again = s.GetIplImage();
    ASSERT_NE(again, nullptr);
    EXPECT_EQ(again->data, s.GetBits());
    EXPECT_EQ(again->cols, 9);
  }
}

// ---------------------------------------------------------------------------------------
// Whole-picture operations

TEST(DibSurface, CopyBitsTakesTheWholePaddedBufferAndRefusesShortBlocks) {
  CDibSurface s;
  ASSERT_TRUE(s.Create(7, 3, 24));
  std::vector<BYTE> block(s.GetBitsSize() + 5);
  for (size_t i = 0; i < block.size(); ++i) block[i] = BYTE(i * 13 + 1);

  EXPECT_FALSE(s.CopyBits(block.data(), s.GetBitsSize() - 1));
  EXPECT_FALSE(s.CopyBits(nullptr, block.size()));
  EXPECT_EQ(Snapshot(s), std::vector<BYTE>(s.GetBitsSize(), 0));

  EXPECT_TRUE(s.CopyBits(block.data(), block.size()));
  EXPECT_EQ(Snapshot(s), std::vector<BYTE>(block.begin(), block.begin() + s.GetBitsSize()));
}

TEST(DibSurface, CopyFromRecreatesOnlyWhenSizeOrDepthDiffer) {
  CDibSurface source;
  ASSERT_TRUE(source.Create(7, 3, 24));
  FillPattern(source);
  FillPadding(source, 0x3C);

  struct Case {
    const char* name;
    int width, height, bpp;  // 0: start empty
    bool keepsBitmap;
  };
  const Case cases[] = {{"empty", 0, 0, 0, false},
                        {"same", 7, 3, 24, true},
                        {"other width", 8, 3, 24, false},
                        {"other height", 7, 4, 24, false},
                        {"other depth", 7, 3, 32, false}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    CDibSurface s;
    if (c.width) {
      ASSERT_TRUE(s.Create(c.width, c.height, c.bpp));
    }
    HBITMAP before = s.GetBitmap();
    ASSERT_TRUE(s.CopyFrom(source));
    EXPECT_EQ(s.GetWidth(), 7);
    EXPECT_EQ(s.GetHeight(), 3);
    EXPECT_EQ(s.GetBitsPerPixel(), 24);
    EXPECT_EQ(s.GetBitmap() == before, c.keepsBitmap);
    EXPECT_EQ(Snapshot(s), Snapshot(source));
  }

  CDibSurface kept, empty;
  ASSERT_TRUE(kept.Create(2, 2, 32));
  FillPattern(kept);
  const std::vector<BYTE> before = Snapshot(kept);
  EXPECT_FALSE(kept.CopyFrom(empty));
  EXPECT_EQ(kept.GetWidth(), 2);
  EXPECT_EQ(Snapshot(kept), before);
}

TEST(DibSurface, ClearAndFillWhiteSetEveryByte) {
  CDibSurface s;
  ASSERT_TRUE(s.Create(7, 3, 24));
  FillPattern(s);
  s.FillWhite();
  EXPECT_EQ(Snapshot(s), std::vector<BYTE>(s.GetBitsSize(), 0xFF));
  s.Clear();
  EXPECT_EQ(Snapshot(s), std::vector<BYTE>(s.GetBitsSize(), 0));
}

TEST(DibSurface, InvertAlphaFlipsOnlyTheAlphaOfThirtyTwoBitPictures) {
  CDibSurface s;
  ASSERT_TRUE(s.Create(3, 1, 32));
  Put(s, 0, 0, {1, 2, 3, 0});
  Put(s, 1, 0, {4, 5, 6, 10});
  Put(s, 2, 0, {7, 8, 9, 255});
  EXPECT_EQ(s.InvertAlpha(), S_OK);
  EXPECT_EQ(Rgba(s, 0, 0), (Bgra{1, 2, 3, 255}));
  EXPECT_EQ(Rgba(s, 1, 0), (Bgra{4, 5, 6, 245}));
  EXPECT_EQ(Rgba(s, 2, 0), (Bgra{7, 8, 9, 0}));

  CDibSurface rgb;
  ASSERT_TRUE(rgb.Create(3, 2, 24));
  FillPattern(rgb);
  const std::vector<BYTE> before = Snapshot(rgb);
  EXPECT_EQ(rgb.InvertAlpha(), E_FAIL);
  EXPECT_EQ(Snapshot(rgb), before);
}

TEST(DibSurface, Convert24To32CopiesColoursWithOpaqueAlpha) {
  CDibSurface source, target;
  ASSERT_TRUE(source.Create(7, 3, 24));
  ASSERT_TRUE(target.Create(7, 3, 32));
  FillPattern(source);
  EXPECT_EQ(target.Convert24To32(source), S_OK);
  for (int y = 0; y < 3; ++y)
    for (int x = 0; x < 7; ++x) EXPECT_EQ(Rgba(target, x, y), Pattern(x, y)) << x << "," << y;
}

TEST(DibSurface, Convert24To32RefusesOtherDepthsAndSizes) {
  struct Case {
    const char* name;
    int targetW, targetH, targetBpp, sourceW, sourceH, sourceBpp;
  };
  const Case cases[] = {{"target 24-bit", 7, 3, 24, 7, 3, 24},
                        {"source 32-bit", 7, 3, 32, 7, 3, 32},
                        {"other width", 7, 3, 32, 6, 3, 24},
                        {"other height", 7, 3, 32, 7, 4, 24},
                        {"empty source", 7, 3, 32, 0, 0, 0}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    CDibSurface target, source;
    ASSERT_TRUE(target.Create(c.targetW, c.targetH, c.targetBpp));
    if (c.sourceW) {
      ASSERT_TRUE(source.Create(c.sourceW, c.sourceH, c.sourceBpp));
    }
    FillPattern(target);
    const std::vector<BYTE> before = Snapshot(target);
    EXPECT_EQ(target.Convert24To32(source), E_FAIL);
    EXPECT_EQ(Snapshot(target), before);
  }
}

// ---------------------------------------------------------------------------------------
// CopyRect

TEST(DibSurface, CopyRectCopiesRowsIntoPlaceOnOddWidths) {
  CDibSurface source, dest;
  ASSERT_TRUE(source.Create(7, 5, 24));
  ASSERT_TRUE(dest.Create(426, 240, 24));
  FillPattern(source);
  std::memset(dest.GetBits(), 0x11, dest.GetBitsSize());

  const RECT from = MakeRect(4, 1, 3, 4);    // reaches the source's last column
  const RECT to = MakeRect(423, 236, 3, 4);  // and the destination's last column and row
  ASSERT_EQ(source.CopyRect(dest, to, from), S_OK);
  for (int y = 230; y < 240; ++y) {
    for (int x = 415; x < 426; ++x) {
      const Bgr expected = Inside(to, x, y)
                               ? Bgr{Pattern(x - 419, y - 235)[0], Pattern(x - 419, y - 235)[1],
                                     Pattern(x - 419, y - 235)[2]}
                               : Bgr{0x11, 0x11, 0x11};
      EXPECT_EQ(Rgb(dest, x, y), expected) << x << "," << y;
    }
  }
  EXPECT_EQ(PaddingChanged(dest, 0x11), 0);
}

TEST(DibSurface, CopyRectWithinOneSurfaceHandlesOverlap) {
  CDibSurface s;
  ASSERT_TRUE(s.Create(5, 6, 32));
  FillPattern(s);
  ASSERT_EQ(s.CopyRect(s, MakeRect(1, 2, 4, 4), MakeRect(0, 0, 4, 4)), S_OK);
  for (int y = 2; y < 6; ++y)
    for (int x = 1; x < 5; ++x) EXPECT_EQ(Rgba(s, x, y), Pattern(x - 1, y - 2)) << x << "," << y;
}

TEST(DibSurface, CopyRectRefusesMismatchesAndRectanglesOutside) {
  struct Case {
    const char* name;
    int destBpp;
    RECT to, from;
  };
  const Case cases[] = {
      {"other depth", 32, MakeRect(0, 0, 2, 2), MakeRect(0, 0, 2, 2)},
      {"other width", 24, MakeRect(0, 0, 3, 2), MakeRect(0, 0, 2, 2)},
      {"other height", 24, MakeRect(0, 0, 2, 3), MakeRect(0, 0, 2, 2)},
      {"negative size", 24, RECT{3, 3, 1, 1}, RECT{3, 3, 1, 1}},
      {"destination past the right", 24, MakeRect(4, 0, 2, 2), MakeRect(0, 0, 2, 2)},
      {"destination past the bottom", 24, MakeRect(0, 4, 2, 2), MakeRect(0, 0, 2, 2)},
      {"destination left of 0", 24, MakeRect(-1, 0, 2, 2), MakeRect(0, 0, 2, 2)},
      {"source past the right", 24, MakeRect(0, 0, 2, 2), MakeRect(6, 0, 2, 2)},
      {"source above 0", 24, MakeRect(0, 0, 2, 2), MakeRect(0, -1, 2, 2)},
      {"huge", 24, RECT{INT_MIN, INT_MIN, 0, 0}, RECT{INT_MIN, INT_MIN, 0, 0}},
  };
  CDibSurface source;
  ASSERT_TRUE(source.Create(7, 5, 24));
  FillPattern(source);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    CDibSurface dest;
    ASSERT_TRUE(dest.Create(5, 5, c.destBpp));
    EXPECT_EQ(source.CopyRect(dest, c.to, c.from), E_FAIL);
    EXPECT_EQ(Snapshot(dest), std::vector<BYTE>(dest.GetBitsSize(), 0));
  }
}

// ---------------------------------------------------------------------------------------
// Blending by alpha

TEST(DibSurface, BlendMixesBySourceAlpha) {
  struct Case {
    Bgra source;
    Bgr dest;
    Bgr expected;
  };
  const Case cases[] = {
      {{200, 100, 0, 0}, {50, 50, 50}, {50, 50, 50}},     // transparent
      {{200, 100, 0, 255}, {50, 50, 50}, {200, 100, 0}},  // opaque
      {{200, 100, 0, 128}, {50, 50, 50}, {125, 75, 24}},  // (s*A + d*(255-A)) / 255
      {{255, 255, 255, 1}, {0, 0, 0}, {1, 1, 1}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.source[3]);
    CDibSurface source, dest;
    ASSERT_TRUE(source.Create(3, 2, 32));
    ASSERT_TRUE(dest.Create(3, 2, 24));
    FillPixels(source, c.source);
    FillPixels(dest, {c.dest[0], c.dest[1], c.dest[2], 0});
    EXPECT_EQ(source.Blend(dest, dest.GetRect(), source.GetRect()), S_OK);
    for (int y = 0; y < 2; ++y)
      for (int x = 0; x < 3; ++x) EXPECT_EQ(Rgb(dest, x, y), c.expected);
  }
}

TEST(DibSurface, BlendIntoThirtyTwoBitsAlsoMixesTheAlpha) {
  CDibSurface source, dest;
  ASSERT_TRUE(source.Create(1, 1, 32));
  ASSERT_TRUE(dest.Create(1, 1, 32));
  Put(source, 0, 0, {200, 100, 0, 128});
  Put(dest, 0, 0, {50, 50, 50, 0});
  EXPECT_EQ(source.Blend(dest, dest.GetRect(), source.GetRect()), S_OK);
  EXPECT_EQ(Rgba(dest, 0, 0), (Bgra{125, 75, 24, 64}));  // 128 * 128 / 255
}

// Every blend path writes exactly the pixels of the picture, at any width, and leaves the
// row padding alone.
TEST(DibSurface, BlendsAddressPaddedRowsExactly) {
  struct Op {
    const char* name;
    int sourceBpp;
    std::function<HRESULT(CDibSurface&, CDibSurface&, const RECT&)> run;
  };
  const int brightness0 = 0;
  const Op ops[] = {
      {"Blend", 32, [](CDibSurface& s, CDibSurface& d, const RECT& r) { return s.Blend(d, r, r); }},
      {"BlendScaled", 32,
       [](CDibSurface& s, CDibSurface& d, const RECT& r) { return s.BlendScaled(d, r, r); }},
      {"BlendScaledMode nearest", 32,
       [](CDibSurface& s, CDibSurface& d, const RECT& r) {
         return s.BlendScaledMode(d, r, r, 0x4000);
       }},
      {"BlendMode 24-bit source", 24,
       [](CDibSurface& s, CDibSurface& d, const RECT& r) { return s.BlendMode(d, r, r, 0x4000); }},
      {"Draw with brightness 0", 24,
       [&](CDibSurface& s, CDibSurface& d, const RECT& r) {
         return s.Draw(d, r, r, DRAW_ALPHA, nullptr, 255, &brightness0);
       }},
      {"Blend 24-bit source (GDI)", 24,
       [](CDibSurface& s, CDibSurface& d, const RECT& r) { return s.Blend(d, r, r); }},
  };
  const SIZE sizes[] = {{426, 240}, {3, 4}, {7, 5}, {1, 3}};
  for (const SIZE& size : sizes) {
    for (const Op& op : ops) {
      SCOPED_TRACE(std::string(op.name) + " " + std::to_string(size.cx));
      CDibSurface source, dest;
      ASSERT_TRUE(source.Create(size.cx, size.cy, op.sourceBpp));
      ASSERT_TRUE(dest.Create(size.cx, size.cy, 24));
      FillPattern(source);
      dest.Clear();
      FillPadding(dest, 0x5A);
      ASSERT_EQ(op.run(source, dest, dest.GetRect()), S_OK);
      int wrong = 0;
      for (int y = 0; y < size.cy; ++y) {
        for (int x = 0; x < size.cx; ++x) {
          const Bgra p = Pattern(x, y);
          wrong += Rgb(dest, x, y) != Bgr{p[0], p[1], p[2]};
        }
      }
      EXPECT_EQ(wrong, 0);
      EXPECT_EQ(PaddingChanged(dest, 0x5A), 0);
    }
  }
}

TEST(DibSurface, BlendClipsDestinationRectanglesToTheDestination) {
  struct Case {
    const char* name;
    RECT to;
  };
  const Case cases[] = {
      {"negative left and top", MakeRect(-2, -1, 4, 4)},
      {"past right and bottom", MakeRect(3, 3, 4, 4)},
      {"around everything", MakeRect(-1, -1, 4, 4)},
      {"wholly outside", MakeRect(10, 0, 4, 4)},
  };
  CDibSurface source;
  ASSERT_TRUE(source.Create(4, 4, 32));
  FillPattern(source);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    CDibSurface dest;
    ASSERT_TRUE(dest.Create(5, 5, 24));
    FillPadding(dest, 0x5A);
    EXPECT_EQ(source.Blend(dest, c.to, source.GetRect()), S_OK);
    for (int y = 0; y < 5; ++y) {
      for (int x = 0; x < 5; ++x) {
        const Bgra p = Pattern(x - c.to.left, y - c.to.top);
        const Bgr expected = Inside(c.to, x, y) ? Bgr{p[0], p[1], p[2]} : Bgr{0, 0, 0};
        EXPECT_EQ(Rgb(dest, x, y), expected) << x << "," << y;
      }
    }
    EXPECT_EQ(PaddingChanged(dest, 0x5A), 0);
  }
}

// Source rectangles that reach outside the source never read outside it: those pixels
// are simply not drawn. Every blend form, including the scaling ones, agrees on that.
TEST(DibSurface, BlendsNeverReadOutsideTheSource) {
  struct Case {
    const char* name;
    RECT from;
    RECT drawn;  // destination pixels that get source pixels
  };
  // A 32 x 32 source drawn into (0, 0, 32, 32) of a 40 x 40 destination.
  const Case cases[] = {
      {"lower right quadrant and beyond", MakeRect(16, 16, 32, 32), MakeRect(0, 0, 16, 16)},
      {"upper left and beyond", MakeRect(-8, -4, 32, 32), MakeRect(8, 4, 24, 28)},
      {"wholly outside", MakeRect(100, 100, 32, 32), MakeRect(0, 0, 0, 0)},
  };
  using Run = std::function<HRESULT(CDibSurface&, CDibSurface&, const RECT&, const RECT&)>;
  struct Op {
    const char* name;
    int alpha;  // global alpha the operation applies
    Run run;
  };
  const Op ops[] = {
      {"Blend", 255,
       [](CDibSurface& s, CDibSurface& d, const RECT& t, const RECT& f) {
         return s.Blend(d, t, f);
       }},
      {"BlendScaled", 255,
       [](CDibSurface& s, CDibSurface& d, const RECT& t, const RECT& f) {
         return s.BlendScaled(d, t, f);
       }},
      {"BlendMode add", 255,
       [](CDibSurface& s, CDibSurface& d, const RECT& t, const RECT& f) {
         return s.BlendMode(d, t, f, DRAW_ADD);
       }},
      {"BlendScaledMode nearest", 255,
       [](CDibSurface& s, CDibSurface& d, const RECT& t, const RECT& f) {
         return s.BlendScaledMode(d, t, f, 0x4000);
       }},
      {"Draw with alpha", 254,
       [](CDibSurface& s, CDibSurface& d, const RECT& t, const RECT& f) {
         return s.Draw(d, t, f, DRAW_ALPHA, nullptr, 254, nullptr);
       }},
  };
  CDibSurface source;
  ASSERT_TRUE(source.Create(32, 32, 32));  // exactly one page of pixels
  FillPattern(source);
  const RECT to = MakeRect(0, 0, 32, 32);
  for (const Op& op : ops) {
    for (const Case& c : cases) {
      SCOPED_TRACE(std::string(op.name) + ": " + c.name);
      CDibSurface dest;
      ASSERT_TRUE(dest.Create(40, 40, 24));
      EXPECT_EQ(op.run(source, dest, to, c.from), S_OK);
      int wrong = 0;
      for (int y = 0; y < 40; ++y) {
        for (int x = 0; x < 40; ++x) {
          Bgr expected{0, 0, 0};
          if (Inside(c.drawn, x, y)) {
            const Bgra p = Pattern(x + c.from.left, y + c.from.top);
            // Opaque source over black: (s * alpha + 0) / 255.
            for (int i = 0; i < 3; ++i) expected[i] = p[i] * op.alpha / 255;
          }
          wrong += Rgb(dest, x, y) != expected;
        }
      }
      EXPECT_EQ(wrong, 0);
    }
  }
}

// Every blend form with every pairing of hostile rectangles, from a source that changes
// nothing where it lands: transparent black for the alpha blends, the brightness key and
// mixing, white for the inverse key (which takes only the brightness in its 1:1 form). The
// destination, padding included, must come out exactly as it went in: a byte read from
// outside the source or written outside the destination's place would show.
TEST(DibSurface, BlendsSurviveHostileRectangles) {
  using Run = std::function<HRESULT(CDibSurface&, CDibSurface&, const RECT&, const RECT&)>;
  struct Op {
    const char* name;
    bool from24;  // neutral from a 24-bit source too (no alpha needed)
    Bgra neutral;
    Run run;
  };
  const Bgra clearBlack = {0, 0, 0, 0}, clearWhite = {255, 255, 255, 0};
  const int brightness = 40;
  const Op ops[] = {
      {"Blend", false, clearBlack,
       [](CDibSurface& s, CDibSurface& d, const RECT& t, const RECT& f) { return s.Blend(d, t, f); }},
      {"BlendScaled", false, clearBlack,
       [](CDibSurface& s, CDibSurface& d, const RECT& t, const RECT& f) {
         return s.BlendScaled(d, t, f);
       }},
      {"nearest", false, clearBlack,
       [](CDibSurface& s, CDibSurface& d, const RECT& t, const RECT& f) {
         return s.BlendMode(d, t, f, 0x4000);
       }},
      {"luma", true, clearBlack,
       [](CDibSurface& s, CDibSurface& d, const RECT& t, const RECT& f) {
         return s.BlendMode(d, t, f, DRAW_LUMA);
       }},
      {"inverse luma", true, clearWhite,
       [](CDibSurface& s, CDibSurface& d, const RECT& t, const RECT& f) {
         return s.BlendMode(d, t, f, DRAW_INVERSE_LUMA);
       }},
      {"add", true, clearBlack,
       [](CDibSurface& s, CDibSurface& d, const RECT& t, const RECT& f) {
         return s.BlendMode(d, t, f, DRAW_ADD);
       }},
      {"scaled add", true, clearBlack,
       [](CDibSurface& s, CDibSurface& d, const RECT& t, const RECT& f) {
         return s.BlendScaledMode(d, t, f, DRAW_ADD);
       }},
      {"Draw with alpha and brightness", false, clearBlack,
       [&](CDibSurface& s, CDibSurface& d, const RECT& t, const RECT& f) {
         return s.Draw(d, t, f, DRAW_ALPHA, nullptr, 100, &brightness);
       }},
      {"DrawRotated", false, clearBlack,
       [](CDibSurface& s, CDibSurface& d, const RECT&, const RECT& f) {
         RotationParams p;
         p.dest = &d;
         p.center_x = 8.0;
         p.center_y = 8.0;
         p.angle = 30.0;
         p.source = f;
         return s.DrawRotated(p);
       }},
  };
  for (int sourceBpp : {24, 32}) {
    for (const Op& op : ops) {
      SCOPED_TRACE(std::string(op.name) + " from " + std::to_string(sourceBpp) + " bits");
      CDibSurface source, dest;
      ASSERT_TRUE(source.Create(32, 32, sourceBpp));
      ASSERT_TRUE(dest.Create(17, 16, 24));
      FillPixels(source, op.neutral);
      FillPattern(dest);
      FillPadding(dest, 0x5A);
      const std::vector<BYTE> before = Snapshot(dest);
      for (const RECT& to : kHostileRects) {
        for (const RECT& from : kHostileRects) op.run(source, dest, to, from);
      }
      // A 24-bit source has no transparency: the alpha forms copy it, so only their
      // survival counts.
      if (sourceBpp == 32 || op.from24) EXPECT_EQ(Snapshot(dest), before);
    }
  }
}

TEST(DibSurface, ZeroSizeDestinationDrawsNothingAndSucceeds) {
  using Run = std::function<HRESULT(CDibSurface&, CDibSurface&, const RECT&)>;
  const int brightness = 20;
  const std::pair<const char*, Run> ops[] = {
      {"Blend",
       [](CDibSurface& s, CDibSurface& d, const RECT& t) { return s.Blend(d, t, s.GetRect()); }},
      {"BlendScaled", [](CDibSurface& s, CDibSurface& d,
                         const RECT& t) { return s.BlendScaled(d, t, s.GetRect()); }},
      {"BlendMode add", [](CDibSurface& s, CDibSurface& d,
                           const RECT& t) { return s.BlendMode(d, t, s.GetRect(), DRAW_ADD); }},
      {"BlendScaledMode luma",
       [](CDibSurface& s, CDibSurface& d, const RECT& t) {
         return s.BlendScaledMode(d, t, s.GetRect(), DRAW_LUMA);
       }},
      {"Draw",
       [&](CDibSurface& s, CDibSurface& d, const RECT& t) {
         return s.Draw(d, t, s.GetRect(), DRAW_ALPHA, nullptr, 200, &brightness);
       }},
  };
  const RECT empties[] = {MakeRect(1, 1, 0, 3), MakeRect(1, 1, 3, 0), MakeRect(0, 0, 0, 0)};
  for (int sourceBpp : {24, 32}) {
    CDibSurface source;
    ASSERT_TRUE(source.Create(3, 3, sourceBpp));
    FillPixels(source, {255, 255, 255, 255});
    for (const auto& op : ops) {
      for (const RECT& to : empties) {
        SCOPED_TRACE(std::string(op.first) + " from " + std::to_string(sourceBpp));
        CDibSurface dest;
        ASSERT_TRUE(dest.Create(5, 5, 24));
        EXPECT_EQ(op.second(source, dest, to), S_OK);
        EXPECT_EQ(Snapshot(dest), std::vector<BYTE>(dest.GetBitsSize(), 0));
      }
    }
  }
}

TEST(DibSurface, TwentyFourBitSourceIsCopiedWithoutTransparency) {
  CDibSurface source, dest;
  ASSERT_TRUE(source.Create(7, 3, 24));
  ASSERT_TRUE(dest.Create(426, 20, 24));
  FillPattern(source);
  Put(source, 2, 1, {0, 0, 0, 0});  // black stays black: nothing is transparent
  dest.FillWhite();
  const RECT to = MakeRect(419, 5, 7, 3);
  EXPECT_EQ(source.Blend(dest, to, source.GetRect()), S_OK);
  for (int y = 4; y < 9; ++y) {
    for (int x = 415; x < 426; ++x) {
      Bgr expected{255, 255, 255};
      if (Inside(to, x, y)) {
        const Bgra p = Pattern(x - 419, y - 5);
        expected = (x == 421 && y == 6) ? Bgr{0, 0, 0} : Bgr{p[0], p[1], p[2]};
      }
      EXPECT_EQ(Rgb(dest, x, y), expected) << x << "," << y;
    }
  }

  // Scaled, a plain colour fills the whole destination rectangle.
  CDibSurface plain, big;
  ASSERT_TRUE(plain.Create(2, 2, 24));
  ASSERT_TRUE(big.Create(8, 8, 24));
  FillPixels(plain, {10, 20, 30, 0});
  big.FillWhite();
  const RECT grown = MakeRect(2, 2, 4, 4);
  EXPECT_EQ(plain.BlendScaled(big, grown, plain.GetRect()), S_OK);
  for (int y = 0; y < 8; ++y)
    for (int x = 0; x < 8; ++x)
      EXPECT_EQ(Rgb(big, x, y), (Inside(grown, x, y) ? Bgr{10, 20, 30} : Bgr{255, 255, 255}))
          << x << "," << y;
}

TEST(DibSurface, BlendScaledInterpolatesBilinearly) {
  // 2 x 2 -> 4 x 4, opaque; blue values in storage order (bottom row first).
  CDibSurface source, dest;
  ASSERT_TRUE(source.Create(2, 2, 32));
  ASSERT_TRUE(dest.Create(4, 4, 24));
  const int blue[2][2] = {{0, 100}, {200, 42}};  // [storage row][column]
  for (int r = 0; r < 2; ++r)
    for (int c = 0; c < 2; ++c) Put(source, c, 1 - r, {blue[r][c], 0, 255, 255});
  EXPECT_EQ(source.BlendScaled(dest, dest.GetRect(), source.GetRect()), S_OK);
  const int expected[4][4] = {
      {0, 50, 100, 100}, {100, 86, 71, 71}, {200, 121, 42, 42}, {200, 121, 42, 42}};  // 86: rounded
  for (int r = 0; r < 4; ++r) {
    for (int c = 0; c < 4; ++c) {
      EXPECT_EQ(Rgb(dest, c, 3 - r), (Bgr{expected[r][c], 0, 255})) << c << "," << r;
    }
  }
}

TEST(DibSurface, BlendScaledInterpolatesAlphaBeforeMixing) {
  // White, opaque on the left, transparent on the right, 2 x 1 -> 4 x 1 over black.
  CDibSurface source, dest;
  ASSERT_TRUE(source.Create(2, 1, 32));
  ASSERT_TRUE(dest.Create(4, 1, 24));
  Put(source, 0, 0, {255, 255, 255, 255});
  Put(source, 1, 0, {255, 255, 255, 0});
  EXPECT_EQ(source.Blend(dest, dest.GetRect(), source.GetRect()), S_OK);
  const int expected[] = {255, 128, 0, 0};
  for (int x = 0; x < 4; ++x) EXPECT_EQ(Rgb(dest, x, 0)[0], expected[x]) << x;
}

// ---------------------------------------------------------------------------------------
// Draw modes

TEST(DibSurface, DrawModesFollowTheirRulesOneToOne) {
  struct Case {
    const char* name;
    int mode;
    int sourceBpp;
    Bgra source;
    Bgr dest;
    Bgr expected;
  };
  const Case cases[] = {
      {"add white over white",
       DRAW_ADD,
       32,
       {255, 255, 255, 255},
       {255, 255, 255},
       {255, 255, 255}},
      {"add saturates", DRAW_ADD, 32, {100, 100, 100, 0}, {200, 50, 10}, {255, 150, 110}},
      {"add from 24 bits", DRAW_ADD, 24, {1, 2, 3, 0}, {10, 20, 30}, {11, 22, 33}},
      {"luma of black leaves dest", DRAW_LUMA, 32, {0, 0, 0, 255}, {12, 34, 56}, {12, 34, 56}},
      {"luma of white covers", DRAW_LUMA, 32, {255, 255, 255, 0}, {12, 34, 56}, {255, 255, 255}},
      // 1:1 brightness keys ignore the source alpha (0 here).
      {"luma", DRAW_LUMA, 32, {30, 60, 90, 0}, {200, 200, 200}, {160, 167, 174}},
      {"luma from 24 bits", DRAW_LUMA, 24, {30, 60, 90, 0}, {200, 200, 200}, {160, 167, 174}},
      {"inverse luma", DRAW_INVERSE_LUMA, 32, {30, 60, 90, 0}, {200, 200, 200}, {70, 92, 115}},
      {"inverse luma of white leaves dest",
       DRAW_INVERSE_LUMA,
       32,
       {255, 255, 255, 255},
       {12, 34, 56},
       {12, 34, 56}},
      {"inverse luma of black covers",
       DRAW_INVERSE_LUMA,
       32,
       {0, 0, 0, 0},
       {12, 34, 56},
       {0, 0, 0}},
      {"other mode blends by alpha", 0x4000, 32, {200, 100, 0, 128}, {50, 50, 50}, {125, 75, 24}},
      {"other mode from 24 bits is opaque",
       0x4000,
       24,
       {200, 100, 0, 0},
       {50, 50, 50},
       {200, 100, 0}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    CDibSurface source, dest;
    ASSERT_TRUE(source.Create(3, 2, c.sourceBpp));
    ASSERT_TRUE(dest.Create(3, 2, 24));
    FillPixels(source, c.source);
    FillPixels(dest, {c.dest[0], c.dest[1], c.dest[2], 0});
    EXPECT_EQ(source.BlendMode(dest, dest.GetRect(), source.GetRect(), c.mode), S_OK);
    for (int y = 0; y < 2; ++y)
      for (int x = 0; x < 3; ++x) EXPECT_EQ(Rgb(dest, x, y), c.expected) << x << "," << y;
  }
}

TEST(DibSurface, ScaledDrawModesWeighInTheSourceAlpha) {
  struct Case {
    const char* name;
    int mode;
    Bgra source;
    Bgr expected;
  };
  // 1 x 1 -> 3 x 2 over grey 200.
  const Case cases[] = {
      {"luma", DRAW_LUMA, {30, 60, 90, 128}, {180, 183, 187}},                  // a = 60*128/255
      {"inverse luma", DRAW_INVERSE_LUMA, {30, 60, 90, 128}, {135, 146, 158}},  // a = 97
      {"add", DRAW_ADD, {30, 60, 90, 0}, {230, 255, 255}},
      {"other mode", 0x7000, {30, 60, 90, 0}, {200, 200, 200}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    CDibSurface source, dest;
    ASSERT_TRUE(source.Create(1, 1, 32));
    ASSERT_TRUE(dest.Create(3, 2, 24));
    FillPixels(source, c.source);
    FillPixels(dest, {200, 200, 200, 0});
    EXPECT_EQ(source.BlendScaledMode(dest, dest.GetRect(), source.GetRect(), c.mode), S_OK);
    for (int y = 0; y < 2; ++y)
      for (int x = 0; x < 3; ++x) EXPECT_EQ(Rgb(dest, x, y), c.expected) << x << "," << y;
  }
}

TEST(DibSurface, ScaledDrawModesPickNearestPixelsFromTheTop) {
  // 3 x 2 -> 7 x 3: columns trunc(x * 3/7) = 0 0 0 1 1 2 2, rows trunc(y * 2/3) = 0 0 1.
  CDibSurface source, dest;
  ASSERT_TRUE(source.Create(3, 2, 32));
  ASSERT_TRUE(dest.Create(9, 4, 24));
  FillPattern(source);
  const RECT to = MakeRect(1, 1, 7, 3);
  EXPECT_EQ(source.BlendScaledMode(dest, to, source.GetRect(), 0x4000), S_OK);
  const int columns[] = {0, 0, 0, 1, 1, 2, 2};
  const int rows[] = {0, 0, 1};
  for (int y = 0; y < 4; ++y) {
    for (int x = 0; x < 9; ++x) {
      Bgr expected{0, 0, 0};
      if (Inside(to, x, y)) {
        const Bgra p = Pattern(columns[x - 1], rows[y - 1]);
        expected = {p[0], p[1], p[2]};
      }
      EXPECT_EQ(Rgb(dest, x, y), expected) << x << "," << y;
    }
  }
}

// ---------------------------------------------------------------------------------------
// Draw: mask, global alpha, brightness

TEST(DibSurface, DrawAppliesMaskGlobalAlphaAndBrightness) {
  struct Case {
    const char* name;
    int sourceBpp;
    int maskValue;  // -1: no mask
    BYTE alpha;
    bool withBrightness;
    int brightness;
    Bgr expected;  // source (200, 100, 50) over white
  };
  const Case cases[] = {
      {"mask 128", 32, 128, 255, false, 0, {227, 177, 152}},
      {"alpha 128", 32, -1, 128, false, 0, {227, 177, 152}},
      {"mask and alpha", 32, 128, 128, false, 0, {241, 216, 203}},
      {"brightness +10", 32, -1, 255, true, 10, {210, 110, 60}},
      {"brightness clamps low", 32, -1, 255, true, -300, {0, 0, 0}},
      {"brightness clamps high", 32, -1, 255, true, 100, {255, 200, 150}},
      {"brightness extreme", 32, -1, 255, true, INT_MAX, {255, 255, 255}},
      {"all three", 32, 128, 128, true, 10, {243, 218, 206}},
      {"24-bit source with alpha", 24, -1, 128, false, 0, {227, 177, 152}},
      {"24-bit source with brightness", 24, -1, 255, true, 10, {210, 110, 60}},
      {"mask 0", 32, 0, 255, false, 0, {255, 255, 255}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    CDibSurface source, dest;
    ASSERT_TRUE(source.Create(3, 2, c.sourceBpp));
    ASSERT_TRUE(dest.Create(3, 2, 24));
    FillPixels(source, {200, 100, 50, 255});
    dest.FillWhite();
    const std::vector<BYTE> sourceBefore = Snapshot(source);
    cv::Mat mask(2, 3, CV_8UC1, cv::Scalar(c.maskValue < 0 ? 0 : c.maskValue));
    EXPECT_EQ(source.Draw(dest, dest.GetRect(), source.GetRect(), DRAW_ALPHA,
                          c.maskValue < 0 ? nullptr : &mask, c.alpha,
                          c.withBrightness ? &c.brightness : nullptr),
              S_OK);
    for (int y = 0; y < 2; ++y)
      for (int x = 0; x < 3; ++x) EXPECT_EQ(Rgb(dest, x, y), c.expected) << x << "," << y;
    EXPECT_EQ(Snapshot(source), sourceBefore);  // the work happens on a copy
  }
}

TEST(DibSurface, DrawMaskRowsFollowStorageOrder) {
  CDibSurface source, dest;
  ASSERT_TRUE(source.Create(3, 2, 32));
  ASSERT_TRUE(dest.Create(3, 2, 24));
  FillPixels(source, {0, 0, 0, 255});
  dest.FillWhite();
  cv::Mat mask(2, 3, CV_8UC1, cv::Scalar(0));
  mask.row(0).setTo(255);  // mask row 0 = storage row 0 = the bottom row
  mask.at<BYTE>(1, 2) = 255;
  EXPECT_EQ(source.Draw(dest, dest.GetRect(), source.GetRect(), DRAW_ALPHA, &mask, 255, nullptr),
            S_OK);
  for (int x = 0; x < 3; ++x) EXPECT_EQ(Rgb(dest, x, 1), (Bgr{0, 0, 0})) << x;
  EXPECT_EQ(Rgb(dest, 0, 0), (Bgr{255, 255, 255}));
  EXPECT_EQ(Rgb(dest, 1, 0), (Bgr{255, 255, 255}));
  EXPECT_EQ(Rgb(dest, 2, 0), (Bgr{0, 0, 0}));
}

TEST(DibSurface, DrawRefusesMasksOfTheWrongShape) {
  struct Case {
    const char* name;
    int rows, cols, type;
  };
  const Case cases[] = {{"too few rows", 1, 3, CV_8UC1},
                        {"too many columns", 2, 4, CV_8UC1},
                        {"three channels", 2, 3, CV_8UC3},
                        {"16-bit", 2, 3, CV_16UC1}};
  CDibSurface source;
  ASSERT_TRUE(source.Create(3, 2, 32));
  FillPixels(source, {0, 0, 0, 255});
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    CDibSurface dest;
    ASSERT_TRUE(dest.Create(3, 2, 24));
    cv::Mat mask(c.rows, c.cols, c.type, cv::Scalar::all(255));
    EXPECT_EQ(source.Draw(dest, dest.GetRect(), source.GetRect(), DRAW_ALPHA, &mask, 255, nullptr),
              E_FAIL);
    EXPECT_EQ(Snapshot(dest), std::vector<BYTE>(dest.GetBitsSize(), 0));
  }
  cv::Mat empty;
  CDibSurface dest;
  ASSERT_TRUE(dest.Create(3, 2, 24));
  EXPECT_EQ(source.Draw(dest, dest.GetRect(), source.GetRect(), DRAW_ALPHA, &empty, 255, nullptr),
            E_FAIL);
}

TEST(DibSurface, DrawWithEmptySourceRectangleDrawsNothing) {
  CDibSurface source, dest;
  ASSERT_TRUE(source.Create(3, 2, 32));
  ASSERT_TRUE(dest.Create(3, 2, 24));
  FillPixels(source, {255, 255, 255, 255});
  EXPECT_EQ(
      source.Draw(dest, dest.GetRect(), MakeRect(1, 1, 0, 1), DRAW_ALPHA, nullptr, 100, nullptr),
      S_OK);
  EXPECT_EQ(Snapshot(dest), std::vector<BYTE>(dest.GetBitsSize(), 0));
}

// ---------------------------------------------------------------------------------------
// DrawRotated

TEST(DibSurface, DrawRotatedWithoutTurnOrScaleDrawsOneToOneAroundTheCentre) {
  struct Case {
    const char* name;
    int sourceW, sourceH;
    RECT from;
  };
  const Case cases[] = {{"whole picture", 4, 6, MakeRect(0, 0, 4, 6)},
                        {"part of a picture", 9, 8, MakeRect(2, 1, 4, 6)}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    CDibSurface source, dest;
    ASSERT_TRUE(source.Create(c.sourceW, c.sourceH, 32));
    ASSERT_TRUE(dest.Create(20, 16, 24));
    FillPattern(source);
    RotationParams p;
    p.dest = &dest;
    p.center_x = 10.0;
    p.center_y = 8.0;
    p.scale = 1.0;
    p.angle = 0.0;
    p.source = c.from;
    EXPECT_EQ(source.DrawRotated(p), S_OK);
    const RECT drawn = MakeRect(8, 5, 4, 6);  // (10 - 4/2, 8 - 6/2)
    for (int y = 0; y < 16; ++y) {
      for (int x = 0; x < 20; ++x) {
        Bgr expected{0, 0, 0};
        if (Inside(drawn, x, y)) {
          const Bgra q = Pattern(x - 8 + c.from.left, y - 5 + c.from.top);
          expected = {q[0], q[1], q[2]};
        }
        EXPECT_EQ(Rgb(dest, x, y), expected) << x << "," << y;
      }
    }
  }
}

TEST(DibSurface, DrawRotatedScalesTheDrawnRectangleAroundTheCentre) {
  struct Case {
    double scale;
    RECT drawn;
  };
  // 4 x 6 around (10.5, 8): left = trunc(10.5 - scale * 2), top = trunc(8 - scale * 3).
  const Case cases[] = {
      {2.0, MakeRect(6, 2, 8, 12)}, {1.0, MakeRect(8, 5, 4, 6)}, {0.5, MakeRect(9, 6, 2, 3)}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.scale);
    CDibSurface source, dest;
    ASSERT_TRUE(source.Create(4, 6, 32));
    ASSERT_TRUE(dest.Create(20, 16, 24));
    FillPixels(source, {10, 20, 30, 255});
    RotationParams p;
    p.dest = &dest;
    p.center_x = 10.5;
    p.center_y = 8.0;
    p.scale = c.scale;
    p.source = source.GetRect();
    EXPECT_EQ(source.DrawRotated(p), S_OK);
    for (int y = 0; y < 16; ++y)
      for (int x = 0; x < 20; ++x)
        EXPECT_EQ(Rgb(dest, x, y), (Inside(c.drawn, x, y) ? Bgr{10, 20, 30} : Bgr{0, 0, 0}))
            << x << "," << y;
  }
}

TEST(DibSurface, DrawRotatedTurnsTheDisplayedPictureClockwiseForPositiveAngles) {
  struct Case {
    double angle;
    POINT marker;  // where the top-left pixel of the 7 x 7 source ends up
  };
  // The source is drawn at (6, 6)-(13, 13): centre (10, 10), left = trunc(10 - 3.5).
  const Case cases[] = {
      {0.0, {6, 6}}, {90.0, {12, 6}}, {180.0, {12, 12}}, {-90.0, {6, 12}}, {270.0, {6, 12}}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.angle);
    CDibSurface source, dest;
    ASSERT_TRUE(source.Create(7, 7, 32));
    ASSERT_TRUE(dest.Create(20, 20, 24));
    FillPixels(source, {10, 20, 30, 255});
    Put(source, 0, 0, {0, 0, 255, 255});
    RotationParams p;
    p.dest = &dest;
    p.center_x = 10.0;
    p.center_y = 10.0;
    p.angle = c.angle;
    p.source = source.GetRect();
    EXPECT_EQ(source.DrawRotated(p), S_OK);
    const RECT drawn = MakeRect(6, 6, 7, 7);
    for (int y = 0; y < 20; ++y) {
      for (int x = 0; x < 20; ++x) {
        Bgr expected{0, 0, 0};
        if (x == c.marker.x && y == c.marker.y) {
          expected = {0, 0, 255};
        } else if (Inside(drawn, x, y)) {
          expected = {10, 20, 30};
        }
        EXPECT_EQ(Rgb(dest, x, y), expected) << x << "," << y;
      }
    }
  }
}

TEST(DibSurface, DrawRotatedLeavesTurnedCornersTransparent) {
  CDibSurface source, dest;
  ASSERT_TRUE(source.Create(9, 9, 32));
  ASSERT_TRUE(dest.Create(9, 9, 24));
  FillPixels(source, {255, 255, 255, 255});
  RotationParams p;
  p.dest = &dest;
  p.center_x = 4.5;
  p.center_y = 4.5;
  p.angle = 45.0;
  p.source = source.GetRect();
  EXPECT_EQ(source.DrawRotated(p), S_OK);
  EXPECT_EQ(Rgb(dest, 4, 4), (Bgr{255, 255, 255}));
  for (POINT corner : {POINT{0, 0}, POINT{8, 0}, POINT{0, 8}, POINT{8, 8}})
    EXPECT_EQ(Rgb(dest, corner.x, corner.y), (Bgr{0, 0, 0})) << corner.x << "," << corner.y;
}

TEST(DibSurface, DrawRotatedPassesAlphaAndBrightnessOn) {
  CDibSurface source, dest;
  ASSERT_TRUE(source.Create(3, 3, 32));
  ASSERT_TRUE(dest.Create(3, 3, 24));
  FillPixels(source, {200, 100, 50, 255});
  dest.FillWhite();
  const int brightness = 10;
  RotationParams p;
  p.dest = &dest;
  p.center_x = 1.5;
  p.center_y = 1.5;
  p.source = source.GetRect();
  p.alpha = 0x1280;  // only the low byte counts
  p.brightness = &brightness;
  EXPECT_EQ(source.DrawRotated(p), S_OK);
  for (int y = 0; y < 3; ++y)
    for (int x = 0; x < 3; ++x) EXPECT_EQ(Rgb(dest, x, y), (Bgr{232, 182, 157})) << x << "," << y;
}

TEST(DibSurface, DrawRotatedRefusesUnusableArguments) {
  struct Case {
    const char* name;
    RECT from;
    double centre, scale;
    HRESULT result;
  };
  const double nan = std::nan("");
  const Case cases[] = {
      {"source rectangle past the picture", MakeRect(2, 2, 4, 4), 4.0, 1.0, E_FAIL},
      {"source rectangle left of 0", MakeRect(-1, 0, 3, 3), 4.0, 1.0, E_FAIL},
      {"huge source rectangle", RECT{INT_MIN, INT_MIN, INT_MAX, INT_MAX}, 4.0, 1.0, E_FAIL},
      {"not-a-number centre", MakeRect(0, 0, 4, 4), nan, 1.0, E_FAIL},
      {"huge scale", MakeRect(0, 0, 4, 4), 4.0, 1e300, E_FAIL},
      {"empty source rectangle", MakeRect(1, 1, 0, 2), 4.0, 1.0, S_OK},
      {"negative scale", MakeRect(0, 0, 4, 4), 4.0, -1.0, S_OK},
  };
  CDibSurface source;
  ASSERT_TRUE(source.Create(4, 4, 32));
  FillPixels(source, {255, 255, 255, 255});
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    CDibSurface dest;
    ASSERT_TRUE(dest.Create(8, 8, 24));
    RotationParams p;
    p.dest = &dest;
    p.center_x = c.centre;
    p.center_y = 4.0;
    p.scale = c.scale;
    p.source = c.from;
    EXPECT_EQ(source.DrawRotated(p), c.result);
    EXPECT_EQ(Snapshot(dest), std::vector<BYTE>(dest.GetBitsSize(), 0));
  }
  RotationParams none;
  none.source = source.GetRect();
  EXPECT_EQ(source.DrawRotated(none), E_FAIL);
}
