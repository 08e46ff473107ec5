// Wireless bitmaps and Windows metafiles: WBMP round trips and multi-byte sizes, the
// placeable metafile header and its sizes, and (on Windows) metafiles rendered by GDI.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "image/Raster.h"
#include "image/RasterStream.h"
#include "image/RasterWMF.h"
#include "tests/image/TestPictures.h"

#ifdef _WIN32
#include <windows.h>
#endif

namespace {

using Bytes = std::vector<uint8_t>;

uint32_t Hex(RGBQUAD q) { return uint32_t(q.rgbRed) << 16 | uint32_t(q.rgbGreen) << 8 | q.rgbBlue; }

void Put16(Bytes& b, uint16_t v) {
  b.push_back(uint8_t(v));
  b.push_back(uint8_t(v >> 8));
}
void Put32(Bytes& b, uint32_t v) {
  for (int i = 0; i < 4; ++i) b.push_back(uint8_t(v >> (8 * i)));
}

// A placeable header (with its checksum unless told otherwise) before the metafile bytes.
Bytes Placeable(int16_t left, int16_t top, int16_t right, int16_t bottom, uint16_t unitsPerInch,
                const Bytes& metafile, bool goodChecksum = true) {
  Bytes b;
  Put32(b, 0x9AC6CDD7);
  Put16(b, 0);
  Put16(b, uint16_t(left));
  Put16(b, uint16_t(top));
  Put16(b, uint16_t(right));
  Put16(b, uint16_t(bottom));
  Put16(b, unitsPerInch);
  Put32(b, 0);
  uint16_t sum = 0;
  for (size_t i = 0; i < 20; i += 2) sum ^= uint16_t(b[i] | b[i + 1] << 8);
  Put16(b, goodChecksum ? sum : uint16_t(sum ^ 1));
  b.insert(b.end(), metafile.begin(), metafile.end());
  return b;
}

// A metafile of the header and an end record only, `extraWords` words longer than it says
// when asked.
Bytes EmptyMetafile(uint32_t claimedWords = 12) {
  Bytes b;
  Put16(b, 1);
  Put16(b, 9);
  Put16(b, 0x300);
  Put32(b, claimedWords);
  Put16(b, 0);
  Put32(b, 3);
  Put16(b, 0);
  Put32(b, 3);  // end record
  Put16(b, 0);
  return b;
}

}  // namespace

TEST(Wbmp, RoundTripsAndUsesMultiByteSizes) {
  for (int width : {1, 10, 127, 128, 200, 255}) {
    SCOPED_TRACE(width);
    CRaster picture;
    FillPicture(picture, {1, width, 3, Extra::kNone});
    picture.SetPaletteEntry(0, 0, 0, 0, 0);
    picture.SetPaletteEntry(1, 255, 255, 255, 0);
    const Bytes file = Encoded(picture, IMAGE_FORMAT_WBMP);
    ASSERT_FALSE(file.empty()) << picture.GetLastError();
    const size_t sizeBytes = width >= 128 ? 2 : 1;
    EXPECT_EQ(2 + sizeBytes + 1 + size_t((width + 7) / 8) * 3, file.size());
    if (width >= 128) {
      EXPECT_EQ(0x81, file[2]);
      EXPECT_EQ(width - 128, file[3]);
    } else {
      EXPECT_EQ(width, file[2]);
    }
    CRaster back;
    ASSERT_TRUE(back.DecodeMemory(file.data(), file.size(), IMAGE_FORMAT_WBMP)) << back.GetLastError();
    EXPECT_EQ(width, back.GetWidth());
    EXPECT_EQ("", CompareRgba(ToRgba(picture), ToRgba(back), width));
  }
  // A picture whose first entry is the white one keeps its colours.
  CRaster inverted(9, 2, 1, 0);
  inverted.SetPaletteEntry(0, 255, 255, 255, 0);
  inverted.SetPaletteEntry(1, 0, 0, 0, 0);
  inverted.Clear(0);
  inverted.SetPixelIndex(3, 1, 1);
  const Bytes file = Encoded(inverted, IMAGE_FORMAT_WBMP);
  CRaster back;
  ASSERT_TRUE(back.DecodeMemory(file.data(), file.size(), IMAGE_FORMAT_WBMP));
  EXPECT_EQ("", CompareRgba(ToRgba(inverted), ToRgba(back), 9));
}

TEST(Wbmp, ReadsRowsFromTheTop) {
  // Width 10: two bytes a row; the first file row is the top row.
  const Bytes file = {0, 0, 10, 2, 0x80, 0x40, 0x00, 0x00};
  CRaster r;
  ASSERT_TRUE(r.DecodeMemory(file.data(), file.size(), IMAGE_FORMAT_WBMP)) << r.GetLastError();
  EXPECT_EQ(1, r.GetBitDepth());
  EXPECT_EQ(1, r.GetPixelIndex(0, 1));
  EXPECT_EQ(1, r.GetPixelIndex(9, 1));
  EXPECT_EQ(0, r.GetPixelIndex(0, 0));
  EXPECT_EQ(0xFFFFFFu, Hex(r.GetPaletteEntry(1)));
  // A standard file 300 wide (sizes of two bytes).
  Bytes wide = {0, 0, 0x82, 0x2C, 1};
  wide.resize(wide.size() + 38, 0xFF);
  ASSERT_TRUE(r.DecodeMemory(wide.data(), wide.size(), IMAGE_FORMAT_WBMP)) << r.GetLastError();
  EXPECT_EQ(300, r.GetWidth());
  EXPECT_EQ(1, r.GetHeight());
}

TEST(Wbmp, RefusesWhatItCannotReadOrWrite) {
  struct Case {
    const char* name;
    Bytes file;
    const char* error;
  };
  const Case cases[] = {
      {"nothing", {}, "Not a WBMP"},
      {"type 1", {1, 0, 1, 1, 0}, "Unsupported WBMP type"},
      {"zero width", {0, 0, 0, 1, 0}, "Corrupted WBMP"},
      {"size cut short", {0, 0, 0x81}, "Corrupted WBMP"},
      {"size beyond 31 bits", {0, 0, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x7F, 1}, "Corrupted WBMP"},
      {"rows missing", {0, 0, 8, 3, 0xFF, 0xFF}, "Corrupted WBMP"},
  };
  for (const Case& c : cases)
    EXPECT_EQ("", RefusedKeepingPicture(c.file, IMAGE_FORMAT_WBMP, c.error)) << c.name;
  CRaster wide(256, 1, 1, 0);
  EXPECT_TRUE(Encoded(wide, IMAGE_FORMAT_WBMP).empty());
  EXPECT_STREQ("Can't save this image as WBMP", wide.GetLastError());
  CRaster deep(4, 4, 8, 0);
  EXPECT_TRUE(Encoded(deep, IMAGE_FORMAT_WBMP).empty());
  EXPECT_STREQ("Can't save this image as WBMP", deep.GetLastError());
}

TEST(WmfHeader, ReadsThePlaceableHeaderAndItsSizes) {
  struct Case {
    const char* name;
    Bytes file;
    WmfPlaceableKind kind;
    int32_t width, height;  // at 96 dpi
  };
  const Bytes meta = EmptyMetafile();
  const Case cases[] = {
      {"2 x 1 inches", Placeable(0, 0, 2880, 1440, 1440, meta), WmfPlaceableKind::kPlaceable, 192, 96},
      {"moved box", Placeable(-100, 50, 620, 410, 720, meta), WmfPlaceableKind::kPlaceable, 96, 48},
      {"wrong checksum", Placeable(0, 0, 100, 100, 1440, meta, false), WmfPlaceableKind::kNotPlaceable, 0, 0},
      {"units per inch 0", Placeable(0, 0, 100, 100, 0, meta), WmfPlaceableKind::kNotPlaceable, 0, 0},
      {"units per inch 2541", Placeable(0, 0, 100, 100, 2541, meta), WmfPlaceableKind::kNotPlaceable, 0, 0},
      {"empty box", Placeable(10, 10, 10, 50, 1440, meta), WmfPlaceableKind::kEmpty, 0, 0},
      {"inverted box", Placeable(0, 500, 100, 100, 1440, meta), WmfPlaceableKind::kEmpty, 0, 0},
      {"metafile longer than the file", Placeable(0, 0, 100, 100, 96, EmptyMetafile(0xFFFFFFFF)),
       WmfPlaceableKind::kNotPlaceable, 0, 0},
      {"no metafile header", Placeable(0, 0, 100, 100, 96, {}), WmfPlaceableKind::kNotPlaceable, 0, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    CRasterMemoryStream stream(const_cast<uint8_t*>(c.file.data()), c.file.size());
    WmfPlaceableHeader header;
    EXPECT_EQ(c.kind, ReadWmfPlaceableHeader(&stream, header));
    if (c.kind != WmfPlaceableKind::kPlaceable) continue;
    EXPECT_EQ(meta.size(), header.metafileBytes + 0);
    int32_t w = 0, h = 0;
    ASSERT_TRUE(WmfPictureSize(header, 96, 96, w, h));
    EXPECT_EQ(c.width, w);
    EXPECT_EQ(c.height, h);
  }
}

TEST(WmfHeader, ConversionExtentsAndShrinkingStayBounded) {
  WmfPlaceableHeader header;
  header.right = 2880;
  header.bottom = 1440;
  header.unitsPerInch = 1440;
  int32_t x = 0, y = 0;
  ASSERT_TRUE(WmfConversionExtents(header, 96, 96, x, y));
  EXPECT_EQ(19200, x);  // 192 and 96, times 10 twice: the width passes 6553
  EXPECT_EQ(9600, y);
  // A box too small to give a pixel gives no extents (multiplying 0 would never end).
  header.right = 1;
  header.bottom = 1;
  header.unitsPerInch = 2540;
  EXPECT_FALSE(WmfConversionExtents(header, 96, 96, x, y));
  // A long thin box: the loop stops after ten rounds at the most.
  header.right = 1;
  header.bottom = 1;
  header.unitsPerInch = 1;
  ASSERT_TRUE(WmfConversionExtents(header, 1, 1, x, y));
  EXPECT_EQ(10000, x);
  struct Shrink {
    int32_t w, h, w2, h2;
  } shrinks[] = {{4800, 4800, 4000, 4000},
                 {8000, 100, 4000, 50},
                 {100, 9000, 44, 4000},
                 {300, 200, 300, 200},
                 // Sides that would round down to nothing keep a pixel.
                 {170246, 25, 4000, 1},
                 {3, 90000, 1, 4000},
                 {9000, 1, 4000, 1}};
  for (const Shrink& s : shrinks) {
    int32_t w = s.w, h = s.h;
    ShrinkMetafile(w, h);
    EXPECT_EQ(s.w2, w);
    EXPECT_EQ(s.h2, h);
  }
  CRaster picture(2, 2, 24, 0);
  EXPECT_TRUE(Encoded(picture, IMAGE_FORMAT_WMF).empty());
  EXPECT_STREQ("Save WMF not supported", picture.GetLastError());
}

#ifdef _WIN32

namespace {

// A Windows metafile drawn by GDI: the left half of a 2000 x 1000 unit box red, the right
// half blue.
Bytes DrawnMetafile() {
  HDC dc = CreateMetaFileA(nullptr);
  SetWindowExtEx(dc, 2000, 1000, nullptr);
  HBRUSH red = CreateSolidBrush(RGB(255, 0, 0));
  HBRUSH blue = CreateSolidBrush(RGB(0, 0, 255));
  RECT left = {0, 0, 1000, 1000}, right = {1000, 0, 2000, 1000};
  FillRect(dc, &left, red);
  FillRect(dc, &right, blue);
  HMETAFILE meta = CloseMetaFile(dc);
  DeleteObject(red);
  DeleteObject(blue);
  const UINT size = GetMetaFileBitsEx(meta, 0, nullptr);
  Bytes bits(size);
  GetMetaFileBitsEx(meta, size, bits.data());
  DeleteMetaFile(meta);
  return bits;
}

int ScreenDpi() {
  HDC screen = GetDC(nullptr);
  const int dpi = GetDeviceCaps(screen, LOGPIXELSX);
  ReleaseDC(nullptr, screen);
  return dpi;
}

}  // namespace

TEST(Wmf, RendersAPlaceableMetafileAtTheScreenResolution) {
  const int dpi = ScreenDpi();
  const Bytes file = Placeable(0, 0, 2000, 1000, 1000, DrawnMetafile());
  for (int32_t id : {IMAGE_FORMAT_WMF, IMAGE_FORMAT_UNKNOWN}) {
    CRaster r;
    ASSERT_TRUE(r.DecodeMemory(file.data(), file.size(), id)) << r.GetLastError();
    EXPECT_EQ(IMAGE_FORMAT_WMF, r.GetFormatId());
    ASSERT_EQ(2 * dpi, r.GetWidth());
    ASSERT_EQ(dpi, r.GetHeight());
    EXPECT_GE(r.GetBitDepth(), 8);
    EXPECT_EQ(0xFF0000u, Hex(r.GetPixelColor(dpi / 2, dpi / 2, false)));
    EXPECT_EQ(0x0000FFu, Hex(r.GetPixelColor(3 * dpi / 2, dpi / 2, false)));
  }
  // 50 x 50 inches are brought down to 4000 x 4000.
  const Bytes large = Placeable(0, 0, 25000, 25000, 500, DrawnMetafile());
  CRaster r;
  ASSERT_TRUE(r.DecodeMemory(large.data(), large.size(), IMAGE_FORMAT_WMF)) << r.GetLastError();
  EXPECT_EQ(4000, r.GetWidth());
  EXPECT_EQ(4000, r.GetHeight());
  // A strip far wider than high keeps a row when it is brought down.
  const Bytes strip = Placeable(-32000, 0, 32000, 1, 1, DrawnMetafile());
  CRaster thin;
  ASSERT_TRUE(thin.DecodeMemory(strip.data(), strip.size(), IMAGE_FORMAT_WMF))
      << thin.GetLastError();
  EXPECT_EQ(4000, thin.GetWidth());
  EXPECT_EQ(1, thin.GetHeight());
}

namespace {

// An enhanced metafile that fills (10,20)-(60,50) green, as the system writes it.
Bytes GreenBoxEnhancedMetafile() {
  HDC dc = CreateEnhMetaFileA(nullptr, nullptr, nullptr, nullptr);
  HBRUSH green = CreateSolidBrush(RGB(0, 255, 0));
  RECT box = {10, 20, 60, 50};
  FillRect(dc, &box, green);
  HENHMETAFILE emf = CloseEnhMetaFile(dc);
  DeleteObject(green);
  Bytes bits(GetEnhMetaFileBits(emf, 0, nullptr));
  GetEnhMetaFileBits(emf, UINT(bits.size()), bits.data());
  DeleteEnhMetaFile(emf);
  return bits;
}

}  // namespace

TEST(Wmf, RendersEnhancedMetafilesAndRefusesBrokenOnes) {
  Bytes bits = GreenBoxEnhancedMetafile();
  CRaster r;
  ASSERT_TRUE(r.DecodeMemory(bits.data(), bits.size(), IMAGE_FORMAT_WMF)) << r.GetLastError();
  EXPECT_GT(r.GetWidth(), 40);
  EXPECT_GT(r.GetHeight(), 20);
  EXPECT_EQ(0x00FF00u, Hex(r.GetPixelColor(r.GetWidth() / 2, r.GetHeight() / 2, false)));

  struct Case {
    const char* name;
    Bytes file;
    const char* error;
  };
  Bytes flat = bits;  // bounds 0 wide
  for (int i : {8, 16}) {
    flat[size_t(i)] = flat[8];
    flat[size_t(i) + 1] = flat[9];
    flat[size_t(i) + 2] = flat[10];
    flat[size_t(i) + 3] = flat[11];
  }
  const Case cases[] = {
      {"wrong checksum", Placeable(0, 0, 2000, 1000, 1000, DrawnMetafile(), false), "corrupted WMF"},
      {"inverted box", Placeable(0, 1000, 2000, 0, 1000, DrawnMetafile()), "empty WMF"},
      {"box below a pixel", Placeable(0, 0, 1, 1, 2540, DrawnMetafile()), "empty WMF"},
      {"enhanced, 0 wide", flat, "empty WMF"},
      {"junk", Bytes(100, 0x33), "corrupted WMF"},
  };
  for (const Case& c : cases)
    EXPECT_EQ("", RefusedKeepingPicture(c.file, IMAGE_FORMAT_WMF, c.error)) << c.name;
}

TEST(Wmf, EnhancedBoundsBeyondThirtyTwoBitsAreNotWrappedAround) {
  Bytes bits = GreenBoxEnhancedMetafile();
  // The header's bounds: left, top, right, bottom from byte 8.
  auto withBounds = [&bits](int32_t left, int32_t right) {
    Bytes b = bits;
    for (const auto& [at, v] : {std::pair<size_t, int32_t>{8, left}, {16, right}})
      for (int i = 0; i < 4; ++i) b[at + size_t(i)] = uint8_t(uint32_t(v) >> (8 * i));
    return b;
  };
  // Right of left by more than 32 bits can hold: a very wide picture, shrunk as wide ones are.
  const Bytes wide = withBounds(-2147483000, 2147483000);
  CRaster r;
  ASSERT_TRUE(r.DecodeMemory(wide.data(), wide.size(), IMAGE_FORMAT_WMF)) << r.GetLastError();
  EXPECT_EQ(4000, r.GetWidth());
  EXPECT_EQ(1, r.GetHeight());
  // Right of left by as much the other way: nothing to show.
  EXPECT_EQ("", RefusedKeepingPicture(withBounds(2147483000, -2147483000), IMAGE_FORMAT_WMF, "empty WMF"));
}

#endif
