// Pictures into engine surfaces, surfaces into encoded pictures, and frame strips.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "engine/base/DibSurface.h"
#include "engine/base/SystemUtils.h"
#include "engine/picture/FrameStrip.h"
#include "image/Raster.h"

namespace {

using Bytes = std::vector<uint8_t>;

// Pixel (x, y) of a surface, y counted from the top.
const BYTE* At(const CDibSurface& s, int x, int y) {
  return s.GetBits() + size_t(s.GetHeight() - 1 - y) * s.GetStride() +
         size_t(x) * s.GetBytesPerPixel();
}

Bytes Encode(CRaster& picture, int32_t format) {
  uint8_t* buffer = nullptr;
  size_t size = 0;
  if (!picture.EncodeMemory(buffer, size, format)) return {};
  Bytes out(buffer, buffer + size);
  CRaster::FreeBuffer(buffer);
  return out;
}

// A file of this process's own in the temporary folder (other test processes run beside).
std::string WriteTemp(const char* name, const Bytes& bytes) {
  const std::string path =
      GetTempFolder() + "picture_test_" + std::to_string(GetCurrentProcessId()) + "_" + name;
  FILE* f = std::fopen(path.c_str(), "wb");
  if (f) {
    std::fwrite(bytes.data(), 1, bytes.size(), f);
    std::fclose(f);
  }
  return path;
}

void Put16(Bytes& b, uint16_t v) { b.insert(b.end(), {uint8_t(v), uint8_t(v >> 8)}); }
void Put32(Bytes& b, uint32_t v) {
  for (int i = 0; i < 4; ++i) b.push_back(uint8_t(v >> (8 * i)));
}

// An icon file with one 24-bit picture per size, each filled with its own colour.
Bytes IconOfSizes(const std::vector<std::pair<int, int>>& sizes) {
  std::vector<Bytes> pictures;
  for (size_t i = 0; i < sizes.size(); ++i) {
    const auto [w, h] = sizes[i];
    Bytes p;
    Put32(p, 40);
    Put32(p, uint32_t(w));
    Put32(p, uint32_t(2 * h));
    Put16(p, 1);
    Put16(p, 24);
    for (int k = 0; k < 6; ++k) Put32(p, 0);
    const int rowBytes = (w * 3 + 3) / 4 * 4;
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < rowBytes; ++x) p.push_back(x < w * 3 ? uint8_t(10 + 40 * i) : 0);
    p.insert(p.end(), size_t((w + 31) / 32 * 4 * h), 0);
    pictures.push_back(p);
  }
  Bytes file;
  Put16(file, 0);
  Put16(file, 1);
  Put16(file, uint16_t(sizes.size()));
  uint32_t offset = uint32_t(6 + 16 * sizes.size());
  for (size_t i = 0; i < sizes.size(); ++i) {
    file.insert(file.end(), {uint8_t(sizes[i].first), uint8_t(sizes[i].second), 0, 0});
    Put16(file, 1);
    Put16(file, 24);
    Put32(file, uint32_t(pictures[i].size()));
    Put32(file, offset);
    offset += uint32_t(pictures[i].size());
  }
  for (const Bytes& p : pictures) file.insert(file.end(), p.begin(), p.end());
  return file;
}

}  // namespace

TEST(Picture, LoadPictureGivesA32BitSurfaceWithAlpha) {
  CRaster picture(3, 2, 24, 0);
  picture.Clear(0x40);
  picture.CreateAlphaPlane();
  picture.SetAlpha(2, 1, 99);  // top right
  const Bytes png = Encode(picture, IMAGE_FORMAT_PNG);
  CDibSurface surface;
  ASSERT_EQ(S_OK, surface.LoadPicture(png.data(), int64_t(png.size())));
  EXPECT_EQ(32, surface.GetBitsPerPixel());
  EXPECT_EQ(3, surface.GetWidth());
  EXPECT_EQ(99, At(surface, 2, 0)[3]);
  EXPECT_EQ(255, At(surface, 0, 1)[3]);
  EXPECT_EQ(0x40, At(surface, 0, 1)[1]);
}

TEST(Picture, TransparentIndexBecomesAlphaZeroExactlyThere) {
  CRaster picture(4, 1, 8, 0);
  picture.SetDefaultPalette();
  for (int x = 0; x < 4; ++x) picture.SetPixelIndex(x, 0, uint8_t(x == 2 ? 7 : 3));
  picture.SetTransparentIndex(7);
  const std::string path = WriteTemp("keyed.png", Encode(picture, IMAGE_FORMAT_PNG));
  CDibSurface surface;
  ASSERT_EQ(S_OK, surface.LoadPicture(path.c_str()));
  for (int x = 0; x < 4; ++x) EXPECT_EQ(x == 2 ? 0 : 255, At(surface, x, 0)[3]) << x;
  std::remove(path.c_str());
}

TEST(Picture, LoadPictureFailsAndKeepsTheSurface) {
  CDibSurface surface;
  ASSERT_TRUE(surface.Create(2, 2, 24));
  const Bytes junk(32, 'x');
  EXPECT_EQ(E_FAIL, surface.LoadPicture(junk.data(), int64_t(junk.size())));
  EXPECT_EQ(E_FAIL, surface.LoadPicture("no_such_picture.png"));
  EXPECT_EQ(E_FAIL, surface.LoadPicture(nullptr, 4));
  EXPECT_EQ(E_FAIL, surface.LoadPicture(junk.data(), -5));
  EXPECT_EQ(24, surface.GetBitsPerPixel());
  // A buffer is taken as PNG only, even when it holds another format.
  CRaster picture(2, 2, 24, 0);
  const Bytes bmp = Encode(picture, IMAGE_FORMAT_BMP);
  EXPECT_EQ(E_FAIL, surface.LoadPicture(bmp.data(), int64_t(bmp.size())));
}

TEST(Picture, EncodePictureKeepsPaddedRowsAndAlpha) {
  for (int bpp : {24, 32}) {
    CDibSurface surface;
    ASSERT_TRUE(surface.Create(5, 3, bpp));  // 24 bits: rows of 15 bytes padded to 16
    for (int y = 0; y < 3; ++y)
      for (int x = 0; x < 5; ++x) {
        BYTE* p = const_cast<BYTE*>(At(surface, x, y));
        p[0] = BYTE(x * 40);
        p[1] = BYTE(y * 80);
        p[2] = BYTE(x + y);
        if (bpp == 32) p[3] = BYTE(x * 60);
      }
    uint8_t* buffer = nullptr;
    uint32_t size = 0;
    ASSERT_EQ(S_OK, surface.EncodePicture(&buffer, &size, IMAGE_FORMAT_PNG)) << bpp;
    CDibSurface back;
    const HRESULT hr = back.LoadPicture(buffer, size);
    CDibSurface::FreeEncoded(buffer);
    ASSERT_EQ(S_OK, hr);
    for (int y = 0; y < 3; ++y)
      for (int x = 0; x < 5; ++x) {
        const BYTE* p = At(back, x, y);
        EXPECT_EQ(x * 40, p[0]) << bpp << " " << x << "," << y;
        EXPECT_EQ(y * 80, p[1]);
        EXPECT_EQ(x + y, p[2]);
        EXPECT_EQ(bpp == 32 ? x * 60 : 255, p[3]);
      }
  }
  CDibSurface empty;
  uint8_t* buffer = nullptr;
  uint32_t size = 0;
  EXPECT_EQ(E_FAIL, empty.EncodePicture(&buffer, &size, IMAGE_FORMAT_PNG));
}

TEST(Picture, StockPicturesLoadAt320x240) {
  for (int i = 1; i <= 4; ++i) {
    const std::string path =
        GetProgramFolder() + "res\\images\\source" + std::to_string(i) + ".png";
    CDibSurface surface;
    ASSERT_EQ(S_OK, surface.LoadPicture(path.c_str())) << path;
    EXPECT_EQ(320, surface.GetWidth());
    EXPECT_EQ(240, surface.GetHeight());
    EXPECT_EQ(255, At(surface, 0, 0)[3]);
  }
}

TEST(FrameStrip, StillPictureWithCallerCountIsAStripOfThatMany) {
  CRaster picture(4, 8, 24, 0);
  picture.Clear(1);
  const Bytes png = Encode(picture, IMAGE_FORMAT_PNG);
  CFrameStrip strip;
  ASSERT_EQ(S_OK, strip.LoadFrames(png.data(), int64_t(png.size()), nullptr, 4));
  EXPECT_EQ(4, strip.GetFrameCount());
  EXPECT_EQ(8, strip.GetHeight());
  EXPECT_EQ((std::vector<uint32_t>{300, 1000, 1000, 1000}), strip.GetDelays());
  const RECT r = strip.GetFrameRect(1);
  EXPECT_EQ(2, r.top);
  EXPECT_EQ(4, r.bottom);
  const uint32_t mine[4] = {10, 20, 30, 40};
  ASSERT_EQ(S_OK, strip.LoadFrames(png.data(), int64_t(png.size()), mine, 4));
  EXPECT_EQ((std::vector<uint32_t>{10, 20, 30, 40}), strip.GetDelays());
  ASSERT_EQ(S_OK, strip.LoadFrames(png.data(), int64_t(png.size()), mine, 1));
  EXPECT_EQ(1, strip.GetFrameCount());
  EXPECT_EQ(10u, strip.GetDelays()[0]);
}

// A 2 x 1 GIF animation over a black-and-white table: frame k shows (k odd, k even) with
// the delay given in hundredths of a second.
Bytes AnimatedGif(const std::vector<uint16_t>& delays) {
  Bytes b = {'G', 'I', 'F', '8', '9', 'a', 2, 0, 1, 0, 0x80, 0, 0, 0, 0, 0, 255, 255, 255};
  for (size_t k = 0; k < delays.size(); ++k) {
    b.insert(b.end(), {0x21, 0xF9, 4, 0, uint8_t(delays[k]), uint8_t(delays[k] >> 8), 0, 0});
    b.insert(b.end(), {0x2C, 0, 0, 0, 0, 2, 0, 1, 0, 0, 2});
    // Codes of 3 bits: clear (4), the two pixels, end (5).
    const uint32_t codes = 4u | uint32_t(k & 1) << 3 | uint32_t(~k & 1) << 6 | 5u << 9;
    b.insert(b.end(), {2, uint8_t(codes), uint8_t(codes >> 8), 0});
  }
  b.push_back(0x3B);
  return b;
}

TEST(FrameStrip, GifDelaysAreHundredthsOfASecondRaisedTo300Milliseconds) {
  const std::string path = WriteTemp("delays.gif", AnimatedGif({5, 50, 0}));
  CFrameStrip strip;
  ASSERT_EQ(S_OK, strip.LoadFrames(path.c_str(), -1, nullptr, 0));
  std::remove(path.c_str());
  EXPECT_EQ(3, strip.GetFrameCount());
  EXPECT_EQ((std::vector<uint32_t>{300, 500, 300}), strip.GetDelays());
  EXPECT_EQ(0, At(strip, 0, 0)[0]);  // frame 0: black, white
  EXPECT_EQ(255, At(strip, 1, 0)[0]);
  EXPECT_EQ(255, At(strip, 0, 1)[0]);  // frame 1: white, black
  EXPECT_EQ(0, At(strip, 1, 1)[0]);
}

TEST(FrameStrip, FramesAreStackedTopDownAndClippedToTheirBands) {
  // Frame 0 is 3 x 2; frame 1 is larger (clipped) and frame 2 smaller (top left of band).
  const std::string path = WriteTemp("frames.ico", IconOfSizes({{3, 2}, {6, 5}, {1, 1}}));
  CFrameStrip strip;
  ASSERT_EQ(S_OK, strip.LoadFrames(path.c_str(), -1, nullptr, 0));
  std::remove(path.c_str());
  EXPECT_EQ(3, strip.GetFrameCount());
  EXPECT_EQ(3, strip.GetWidth());
  EXPECT_EQ(6, strip.GetHeight());
  EXPECT_EQ(10, At(strip, 0, 0)[0]);  // frame 0 at the top
  EXPECT_EQ(10, At(strip, 2, 1)[0]);
  EXPECT_EQ(50, At(strip, 0, 2)[0]);  // frame 1, clipped to 3 x 2
  EXPECT_EQ(50, At(strip, 2, 3)[0]);
  EXPECT_EQ(90, At(strip, 0, 4)[0]);  // frame 2: one pixel
  EXPECT_EQ(0, At(strip, 1, 4)[3]);   // the rest of its band stays clear
  EXPECT_EQ(0, At(strip, 0, 5)[3]);
  const RECT r = strip.GetFrameRect(2);
  EXPECT_EQ(4, r.top);
  EXPECT_EQ(6, r.bottom);
}

TEST(FrameStrip, FrameRectWithoutFramesIsEmptyAtTheTop) {
  CFrameStrip strip;
  const RECT r = strip.GetFrameRect(0);
  EXPECT_EQ(0, r.top);
  EXPECT_EQ(0, r.bottom);
}

TEST(FrameStrip, DelaysFromText) {
  CFrameStrip strip;
  strip.SetFrameCount(3);
  EXPECT_EQ((std::vector<uint32_t>{300, 300, 300}), strip.GetDelays());
  strip.SetDelaysText("");
  EXPECT_EQ((std::vector<uint32_t>{300, 300, 300}), strip.GetDelays());
  strip.SetDelaysText("100,0");
  EXPECT_EQ((std::vector<uint32_t>{100, 300, 300}), strip.GetDelays());
  strip.SetDelaysText("50,x,70ms");
  EXPECT_EQ((std::vector<uint32_t>{50, 300, 70}), strip.GetDelays());
  strip.SetDelaysText("\"80\",90");
  EXPECT_EQ((std::vector<uint32_t>{80, 90, 90}), strip.GetDelays());
  EXPECT_EQ("80,90,90", strip.GetDelaysText());
  strip.SetFrameCount(1);
  EXPECT_EQ("80", strip.GetDelaysText());
}
