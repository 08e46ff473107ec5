// Drawing into memory device contexts through GDI: unscaled and scaled, smooth or not,
// transparency by index, colour and alpha, clipping, and device bitmaps.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <vector>

#include "image/Raster.h"
#include "tests/image/TestPictures.h"

namespace {

RGBQUAD Rgb(uint8_t r, uint8_t g, uint8_t b) {
  RGBQUAD q = {};
  q.rgbRed = r;
  q.rgbGreen = g;
  q.rgbBlue = b;
  return q;
}

// A memory device context over a 24-bit top-down DIB of w x h filled with one colour.
class Canvas {
 public:
  Canvas(int w, int h, RGBQUAD fill) : m_w(w), m_h(h) {
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = w;
    info.bmiHeader.biHeight = -h;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 24;
    m_dc = CreateCompatibleDC(nullptr);
    void* bits = nullptr;
    m_bitmap = CreateDIBSection(m_dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    m_bits = static_cast<uint8_t*>(bits);
    m_old = SelectObject(m_dc, m_bitmap);
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x) {
        uint8_t* p = Pixel(x, y);
        p[0] = fill.rgbBlue;
        p[1] = fill.rgbGreen;
        p[2] = fill.rgbRed;
      }
  }
  ~Canvas() {
    SelectObject(m_dc, m_old);
    DeleteObject(m_bitmap);
    DeleteDC(m_dc);
  }
  HDC Dc() const { return m_dc; }
  uint8_t* Pixel(int x, int y) const { return m_bits + size_t(y) * Stride() + size_t(x) * 3; }
  RGBQUAD At(int x, int y) const {
    GdiFlush();
    const uint8_t* p = Pixel(x, y);
    return Rgb(p[2], p[1], p[0]);
  }
  size_t Stride() const { return size_t((m_w * 3 + 3) & ~3); }
  std::vector<uint8_t> Bytes() const {
    GdiFlush();
    return std::vector<uint8_t>(m_bits, m_bits + Stride() * size_t(m_h));
  }

 private:
  int m_w, m_h;
  HDC m_dc;
  HBITMAP m_bitmap;
  HGDIOBJ m_old;
  uint8_t* m_bits;
};

uint32_t Hex(RGBQUAD q) { return uint32_t(q.rgbRed) << 16 | uint32_t(q.rgbGreen) << 8 | q.rgbBlue; }

// Bilinear sampling of a 24-bit picture at (x, y) with coordinates outside it moved to its
// nearest border pixel, worked out here from the rule: weights of the four neighbours in
// single precision at the border, in 1/256 steps inside.
RGBQUAD ReferenceBilinear(const CRaster& picture, float x, float y) {
  const int w = picture.GetWidth(), h = picture.GetHeight();
  auto below = [](float v) { return int(v) - (v < 0 ? 1 : 0); };
  const int xi = below(x), yi = below(y);
  auto at = [&](int px, int py) {
    return picture.GetPixelColor(std::min(std::max(px, 0), w - 1), std::min(std::max(py, 0), h - 1), false);
  };
  const RGBQUAD c[4] = {at(xi, yi), at(xi + 1, yi), at(xi, yi + 1), at(xi + 1, yi + 1)};
  RGBQUAD out = {};
  uint8_t RGBQUAD::*channels[3] = {&RGBQUAD::rgbBlue, &RGBQUAD::rgbGreen, &RGBQUAD::rgbRed};
  if (xi < 0 || yi < 0 || xi + 1 >= w || yi + 1 >= h) {
    const float dx = x - float(xi), dy = y - float(yi);
    const float w11 = dx * dy, w10 = dx - w11, w01 = dy - w11, w00 = (1 - dx) - w01;
    for (auto channel : channels)
      out.*channel = uint8_t(int(w00 * float(c[0].*channel) + w10 * float(c[1].*channel) +
                                 w01 * float(c[2].*channel) + w11 * float(c[3].*channel)));
  } else {
    const int fx = int((x - float(xi)) * 256), fy = int((y - float(yi)) * 256);
    const int w11 = (fx * fy) >> 8, w01 = fy - w11, w10 = fx - w11, w00 = 256 - fx - fy + w11;
    for (auto channel : channels)
      out.*channel = uint8_t((w00 * c[0].*channel + w10 * c[1].*channel + w01 * c[2].*channel +
                              w11 * c[3].*channel) >> 8);
  }
  return out;
}

}  // namespace

TEST(RasterDraw, UnscaledPicturesByKindOfTransparency) {
  const RGBQUAD black = Rgb(0, 0, 0);
  struct Case {
    const char* what;
    int depth;
    int alpha;         // -1: no alpha plane
    int alphaMaximum;  // 255 unless set
    bool key;          // transparent colour FF00FF (24 bits) or index 1 (8 bits)
    uint32_t expectedWhite, expectedMagenta;  // what white and magenta pixels leave
  };
  const Case cases[] = {
      {"plain 24", 24, -1, 255, false, 0xFFFFFF, 0xFF00FF},
      {"colour key", 24, -1, 255, true, 0xFFFFFF, 0x000000},
      {"index key", 8, -1, 255, true, 0xFFFFFF, 0x000000},
      {"alpha 128", 24, 128, 255, false, 0x7F7F7F, 0x7F007F},
      {"alpha maximum 127", 24, 255, 127, false, 0x7E7E7E, 0x7E007E},  // a = 127
      {"opaque plane", 24, 255, 255, false, 0xFFFFFF, 0xFF00FF},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    CRaster picture(2, 1, c.depth, 0);
    if (c.depth == 8) {
      picture.SetPaletteEntry(0, 255, 255, 255, 0);
      picture.SetPaletteEntry(1, 255, 0, 255, 0);
      picture.SetPixelIndex(0, 0, 0);
      picture.SetPixelIndex(1, 0, 1);
      if (c.key) picture.SetTransparentIndex(1);
    } else {
      picture.SetPixelColor(0, 0, Rgb(255, 255, 255), false);
      picture.SetPixelColor(1, 0, Rgb(255, 0, 255), false);
      if (c.key) {
        picture.SetTransparentColor(Rgb(255, 0, 255));
        picture.SetTransparentIndex(0);
      }
    }
    if (c.alpha >= 0) {
      picture.CreateAlphaPlane();
      picture.SetAlpha(0, 0, uint8_t(c.alpha));
      picture.SetAlpha(1, 0, uint8_t(c.alpha));
    }
    picture.SetAlphaMaximum(uint8_t(c.alphaMaximum));
    Canvas canvas(6, 4, black);
    ASSERT_TRUE(picture.Draw(canvas.Dc(), 2, 1, -1, -1, nullptr, false));
    EXPECT_EQ(c.expectedWhite, Hex(canvas.At(2, 1)));
    EXPECT_EQ(c.expectedMagenta, Hex(canvas.At(3, 1)));
    EXPECT_EQ(0u, Hex(canvas.At(4, 1)));
    EXPECT_EQ(0u, Hex(canvas.At(2, 0)));
  }
  CRaster disabled(2, 2, 24, 0);
  disabled.Clear(255);
  disabled.Enable(false);
  Canvas canvas(4, 4, black);
  EXPECT_FALSE(disabled.Draw(canvas.Dc(), 0, 0, -1, -1, nullptr, false));
  EXPECT_EQ(0u, Hex(canvas.At(0, 0)));
  CRaster empty;
  EXPECT_FALSE(empty.Draw(canvas.Dc(), 0, 0, 4, 4, nullptr, false));
  EXPECT_FALSE(disabled.Draw(nullptr, 0, 0, 4, 4, nullptr, false));
}

TEST(RasterDraw, ScaledPicturesRepeatOrSampleTheirPixels) {
  CRaster picture;
  FillPicture(picture, {24, 10, 6, Extra::kNone});
  for (bool composite : {false, true}) {
    for (bool smooth : {false, true}) {
      SCOPED_TRACE(std::string(composite ? "blend path" : "straight path") + (smooth ? " smooth" : ""));
      if (composite) picture.CreateAlphaPlane();  // all opaque: the blend path gives the same
      else picture.DeleteAlphaPlane();
      Canvas canvas(20, 12, Rgb(0, 0, 0));
      ASSERT_TRUE(picture.Draw(canvas.Dc(), 0, 0, 20, 12, nullptr, smooth));
      for (int y = 0; y < 12; ++y)
        for (int x = 0; x < 20; ++x) {
          // DIB column x, row k from the bottom: fx = x / 2, fy = 6 - (12 - k) / 2.
          const int k = 11 - y;
          const float fx = x * 0.5f, fy = 6 - (12 - k) * 0.5f;
          const RGBQUAD want = smooth ? ReferenceBilinear(picture, fx - 0.5f, fy - 0.5f)
                                      : picture.GetPixelColor(int(fx), int(fy), false);
          ASSERT_EQ(Hex(want), Hex(canvas.At(x, y))) << x << "," << y;
        }
      // Smooth drawing mixes neighbours: somewhere its colours are none of the picture's.
      if (smooth) {
        int mixed = 0;
        for (int y = 0; y < 12; ++y)
          for (int x = 0; x < 20; ++x) {
            const uint32_t c = Hex(canvas.At(x, y));
            bool found = false;
            for (int py = 0; py < 6 && !found; ++py)
              for (int px = 0; px < 10 && !found; ++px) found = Hex(picture.GetPixelColor(px, py, false)) == c;
            mixed += found ? 0 : 1;
          }
        EXPECT_GT(mixed, 20);
      }
    }
  }
}

TEST(RasterDraw, ClipRectangleLimitsTheDrawingAndTheClipRegionComesBack) {
  CRaster picture(8, 8, 24, 0);
  picture.Clear(255);
  picture.CreateAlphaPlane();  // the composite path reads the device only inside the clip
  Canvas canvas(10, 10, Rgb(0, 0, 0));
  RECT before = {};
  GetClipBox(canvas.Dc(), &before);
  const RECT clip = {2, 3, 5, 6};
  ASSERT_TRUE(picture.Draw(canvas.Dc(), 1, 1, -1, -1, &clip, false));
  for (int y = 0; y < 10; ++y)
    for (int x = 0; x < 10; ++x) {
      const bool inside = x >= 2 && x < 5 && y >= 3 && y < 6;
      EXPECT_EQ(inside ? 0xFFFFFFu : 0u, Hex(canvas.At(x, y))) << x << "," << y;
    }
  RECT after = {};
  GetClipBox(canvas.Dc(), &after);
  EXPECT_EQ(before.right, after.right);
  EXPECT_EQ(before.bottom, after.bottom);
  // A destination partly outside the device draws its visible part.
  Canvas small(4, 4, Rgb(0, 0, 0));
  ASSERT_TRUE(picture.Draw(small.Dc(), -3, 2, 16, 16, nullptr, false));
  EXPECT_EQ(0xFFFFFFu, Hex(small.At(0, 3)));
  EXPECT_EQ(0u, Hex(small.At(0, 1)));
  // DrawInRect is Draw with the rectangle's corner and size.
  Canvas rect(6, 6, Rgb(0, 0, 0));
  const RECT r = {1, 1, 3, 2};
  ASSERT_TRUE(picture.DrawInRect(rect.Dc(), r, nullptr, false));
  EXPECT_EQ(0xFFFFFFu, Hex(rect.At(2, 1)));
  EXPECT_EQ(0u, Hex(rect.At(3, 1)));
  EXPECT_EQ(0u, Hex(rect.At(1, 2)));
}

TEST(RasterDraw, DeviceBitmapsHoldThePixels) {
  CRaster picture;
  FillPicture(picture, {24, 5, 3, Extra::kNone});
  HBITMAP section = picture.MakeDeviceBitmap(nullptr);
  ASSERT_NE(nullptr, section);
  DIBSECTION dib = {};
  ASSERT_EQ(int(sizeof dib), GetObject(section, sizeof dib, &dib));
  EXPECT_EQ(0, std::memcmp(dib.dsBm.bmBits, picture.GetPixels(), picture.GetRowBytes() * 3));
  DeleteObject(section);
  HDC screen = GetDC(nullptr);
  HBITMAP device = picture.MakeDeviceBitmap(screen);
  ReleaseDC(nullptr, screen);
  ASSERT_NE(nullptr, device);
  BITMAP bm = {};
  GetObject(device, sizeof bm, &bm);
  EXPECT_EQ(5, bm.bmWidth);
  EXPECT_EQ(3, bm.bmHeight);
  DeleteObject(device);
  CRaster empty;
  EXPECT_EQ(nullptr, empty.MakeDeviceBitmap(nullptr));
}
