// Every blend of CDibSurface against a plain per-pixel model of its rules, on random
// pictures (runs of transparent, opaque and half-transparent pixels), odd sizes, rectangles
// that reach outside both pictures, every draw mode and every depth pairing. Whatever the
// blends do to be fast, they must give exactly these pixels.
#include "engine/base/DibSurface.h"

#include <gtest/gtest.h>
#include <opencv2/core.hpp>

#include <algorithm>
#include <cstdint>
#include <random>
#include <string>
#include <vector>

namespace {

// A picture as the model sees it: top-down rows of `bpp` bytes per pixel, no padding.
struct Model {
  int width = 0, height = 0, bpp = 0;
  std::vector<int> bytes;
  int* At(int x, int y) { return &bytes[(size_t(y) * width + x) * bpp]; }
  bool Inside(int64_t x, int64_t y) const { return x >= 0 && y >= 0 && x < width && y < height; }
};

Model ModelOf(CDibSurface& s) {
  Model m{s.GetWidth(), s.GetHeight(), s.GetBytesPerPixel(), {}};
  m.bytes.resize(size_t(m.width) * m.height * m.bpp);
  for (int y = 0; y < m.height; ++y) {
    const BYTE* row = s.GetBits() + size_t(m.height - 1 - y) * s.GetStride();
    for (int i = 0; i < m.width * m.bpp; ++i) m.bytes[size_t(y) * m.width * m.bpp + i] = row[i];
  }
  return m;
}

// Random pixels in runs: transparent, opaque, any alpha, or one pixel repeated, and rows
// that repeat the row below, as real pictures have them.
void FillRuns(CDibSurface& s, std::mt19937& random) {
  const int bpp = s.GetBytesPerPixel();
  for (int r = 0; r < s.GetHeight(); ++r) {
    BYTE* row = s.GetBits() + size_t(r) * s.GetStride();
    if (r > 0 && random() % 3 == 0) {
      std::copy(row - s.GetStride(), row, row);
      continue;
    }
    BYTE* p = row;
    int left = 0, kind = 0;
    for (int x = 0; x < s.GetWidth(); ++x, p += bpp) {
      if (left-- <= 0) {
        left = int(random() % 13);
        kind = int(random() % 4);
      }
      if (kind == 3 && x > 0) {
        std::copy(p - bpp, p, p);
        continue;
      }
      for (int c = 0; c < 3; ++c) p[c] = BYTE(random());
      if (bpp == 4) p[3] = kind == 0 ? 0 : kind == 1 ? 255 : BYTE(random());
    }
  }
}

int Luma(const int* s) { return (s[0] + s[1] + s[2]) / 3; }

// One destination pixel under a draw mode (weigh: the scaled forms weigh the brightness
// keys by the source alpha).
void Apply(int mode, const int* s, int sourceBpp, int* d, int destBpp, bool weigh) {
  const int n = std::min(sourceBpp, destBpp);
  const int alpha = sourceBpp == 4 ? s[3] : 255;
  int a = alpha;
  switch (mode) {
    case DRAW_ADD:
      for (int c = 0; c < n; ++c) d[c] = std::min(255, s[c] + d[c]);
      return;
    case DRAW_LUMA:
      a = Luma(s);
      if (weigh && sourceBpp == 4) a = a * alpha / 255;
      break;
    case DRAW_INVERSE_LUMA:
      a = 255 - Luma(s);
      if (weigh && sourceBpp == 4) a = alpha * a / 255;
      break;
    default:
      break;
  }
  for (int c = 0; c < n; ++c) d[c] = std::min(255, (s[c] * a + d[c] * (255 - a)) / 255);
}

void OneToOne(Model& src, Model& dst, const RECT& dr, const RECT& sr, int mode) {
  for (int64_t y = std::max<int64_t>(dr.top, 0); y < std::min<int64_t>(dr.bottom, dst.height);
       ++y) {
    for (int64_t x = std::max<int64_t>(dr.left, 0); x < std::min<int64_t>(dr.right, dst.width);
         ++x) {
      const int64_t sx = sr.left + x - dr.left, sy = sr.top + y - dr.top;
      if (!src.Inside(sx, sy)) continue;
      Apply(mode, src.At(int(sx), int(sy)), src.bpp, dst.At(int(x), int(y)), dst.bpp, false);
    }
  }
}

void Nearest(Model& src, Model& dst, const RECT& dr, const RECT& sr, int mode) {
  const float xr = float(int64_t{sr.right} - sr.left) / float(int64_t{dr.right} - dr.left);
  const float yr = float(int64_t{sr.bottom} - sr.top) / float(int64_t{dr.bottom} - dr.top);
  for (int64_t y = std::max<int64_t>(dr.top, 0); y < std::min<int64_t>(dr.bottom, dst.height);
       ++y) {
    const int64_t sy = sr.top + int64_t(float(y - dr.top) * yr);
    for (int64_t x = std::max<int64_t>(dr.left, 0); x < std::min<int64_t>(dr.right, dst.width);
         ++x) {
      const int64_t sx = sr.left + int64_t(float(x - dr.left) * xr);
      if (!src.Inside(sx, sy)) continue;
      Apply(mode, src.At(int(sx), int(sy)), src.bpp, dst.At(int(x), int(y)), dst.bpp, true);
    }
  }
}

// The bilinear scaling of a 32-bit source, in storage rows counted from the bottom.
void Bilinear(Model& src, Model& dst, const RECT& dr, const RECT& sr) {
  const int64_t dw = int64_t{dr.right} - dr.left, dh = int64_t{dr.bottom} - dr.top;
  const int64_t sw = int64_t{sr.right} - sr.left, sh = int64_t{sr.bottom} - sr.top;
  const int64_t m = dw * dh;
  const int64_t rBase = src.height - sr.bottom;
  const int64_t rLo = std::max<int64_t>(rBase, 0);
  const int64_t rHi = std::min<int64_t>(src.height, src.height - int64_t{sr.top});
  const int64_t cLo = std::max<int64_t>(sr.left, 0), cHi = std::min<int64_t>(src.width, sr.right);
  auto pixel = [&](int64_t column, int64_t storageRow) {
    return src.At(int(column), int(src.height - 1 - storageRow));
  };
  for (int64_t k = 0; k < dh; ++k) {
    const int64_t storage = dst.height - dr.bottom + k;
    const int64_t r = rBase + k * sh / dh, v = k * sh % dh;
    if (r < rLo) continue;
    if (r >= rHi) break;
    if (storage < 0 || storage >= dst.height) continue;
    const int64_t r1 = r + 1 < rHi ? r + 1 : r;
    for (int64_t j = 0; j < dw; ++j) {
      const int64_t x = dr.left + j;
      const int64_t c = sr.left + j * sw / dw, u = j * sw % dw;
      if (c < cLo) continue;
      if (c >= cHi) break;
      if (x < 0 || x >= dst.width) continue;
      const int64_t c1 = c + 1 < cHi ? c + 1 : c;
      int s[4];
      for (int ch = 0; ch < 4; ++ch) {
        s[ch] = int(((dw - u) * (dh - v) * pixel(c, r)[ch] + (dw - u) * v * pixel(c, r1)[ch] +
                     u * (dh - v) * pixel(c1, r)[ch] + u * v * pixel(c1, r1)[ch] + m / 2) /
                    m) &
                0xFF;
      }
      Apply(DRAW_ALPHA, s, 4, dst.At(int(x), int(dst.height - 1 - storage)), dst.bpp, false);
    }
  }
}

bool SameSize(const RECT& a, const RECT& b) {
  return int64_t{a.right} - a.left == int64_t{b.right} - b.left &&
         int64_t{a.bottom} - a.top == int64_t{b.bottom} - b.top;
}

bool EmptyRect(const RECT& r) { return r.right <= r.left || r.bottom <= r.top; }

// BlendMode of the model: the dispatch of the surface's blends, for sources that take no
// GDI path.
void ModelBlendMode(Model& src, Model& dst, const RECT& dr, const RECT& sr, int mode) {
  if (SameSize(dr, sr) && (mode != DRAW_ALPHA || src.bpp == 4)) {
    OneToOne(src, dst, dr, sr, mode);
  } else if (!EmptyRect(dr) && !EmptyRect(sr)) {
    if (mode == DRAW_ALPHA) {
      Bilinear(src, dst, dr, sr);
    } else {
      Nearest(src, dst, dr, sr, mode);
    }
  }
}

// Draw: a 32-bit copy with mask, global alpha and brightness applied, then BlendMode.
void ModelDraw(Model src, Model& dst, const RECT& dr, const RECT& sr, int mode, const cv::Mat* mask,
               int alpha, const int* brightness) {
  if (EmptyRect(dr) || EmptyRect(sr)) return;
  Model copy{src.width, src.height, 4, {}};
  copy.bytes.resize(size_t(src.width) * src.height * 4);
  for (int y = 0; y < src.height; ++y) {
    for (int x = 0; x < src.width; ++x) {
      const int* s = src.At(x, y);
      int* p = copy.At(x, y);
      for (int c = 0; c < 3; ++c) p[c] = s[c];
      p[3] = src.bpp == 4 ? s[3] : 255;
      if (mask) p[3] = p[3] * mask->at<uint8_t>(src.height - 1 - y, x) / 255;
      if (alpha != 255) p[3] = p[3] * alpha / 255;
      if (brightness) {
        const int offset = std::clamp(*brightness, -255, 255);
        for (int c = 0; c < 3; ++c) p[c] = std::clamp(p[c] + offset, 0, 255);
      }
    }
  }
  ModelBlendMode(copy, dst, dr, sr, mode);
}

RECT RandomRect(std::mt19937& random, int width, int height) {
  auto pick = [&](int side) { return int(random() % unsigned(side + 12)) - 6; };
  const int left = pick(width), top = pick(height);
  const int w = int(random() % unsigned(width * 2 + 3)),
            h = int(random() % unsigned(height * 2 + 3));
  return RECT{left, top, left + w, top + h};
}

std::string Describe(const RECT& r) {
  return "(" + std::to_string(r.left) + "," + std::to_string(r.top) + "," +
         std::to_string(r.right) + "," + std::to_string(r.bottom) + ")";
}

}  // namespace

TEST(DibSurfaceBlends, EveryBlendGivesThePixelsOfItsRules) {
  std::mt19937 random(20240601);
  const int modes[] = {DRAW_ALPHA, DRAW_LUMA, DRAW_INVERSE_LUMA, DRAW_ADD, 0x4000};
  const int depths[][2] = {{32, 24}, {32, 32}, {24, 24}, {24, 32}};
  int checked = 0;
  for (int round = 0; round < 60; ++round) {
    for (const auto& depth : depths) {
      const int sw = 1 + int(random() % 37), shh = 1 + int(random() % 23);
      const int dw = 1 + int(random() % 41), dh = 1 + int(random() % 19);
      CDibSurface source, dest;
      ASSERT_TRUE(source.Create(sw, shh, depth[0]));
      ASSERT_TRUE(dest.Create(dw, dh, depth[1]));
      FillRuns(source, random);
      const RECT to = random() % 4 == 0 ? dest.GetRect() : RandomRect(random, dw, dh);
      RECT from = RandomRect(random, sw, shh);
      if (random() % 3 == 0)
        from = RECT{from.left, from.top, from.left + (to.right - to.left),
                    from.top + (to.bottom - to.top)};
      cv::Mat mask(shh, sw, CV_8UC1);
      for (int r = 0; r < shh; ++r)
        for (int c = 0; c < sw; ++c)
          mask.at<uint8_t>(r, c) = uint8_t(random() % 3 == 0 ? 255 : random());
      const int brightness = int(random() % 121) - 60;

      for (int mode : modes) {
        // Blend forms that stay in the surface's own arithmetic (24-bit sources under
        // DRAW_ALPHA are GDI's halftone stretch, covered elsewhere).
        struct Call {
          const char* name;
          bool plain;  // no mask, alpha or brightness
          const cv::Mat* mask;
          int alpha;
          const int* brightness;
        };
        const Call calls[] = {{"BlendMode", true, nullptr, 255, nullptr},
                              {"Draw mask", false, &mask, 255, nullptr},
                              {"Draw alpha", false, nullptr, int(random() % 255), nullptr},
                              {"Draw all", false, &mask, 1 + int(random() % 254), &brightness}};
        for (const Call& call : calls) {
          if (call.plain && mode == DRAW_ALPHA && depth[0] == 24) continue;
          FillRuns(dest, random);
          Model want = ModelOf(dest);
          const Model from32 = ModelOf(source);
          HRESULT hr;
          if (call.plain) {
            Model src = from32;
            ModelBlendMode(src, want, to, from, mode);
            hr = SameSize(to, from) ? source.BlendMode(dest, to, from, mode)
                                    : source.BlendScaledMode(dest, to, from, mode);
          } else {
            ModelDraw(from32, want, to, from, mode, call.mask, call.alpha, call.brightness);
            hr = source.Draw(dest, to, from, mode, call.mask, BYTE(call.alpha), call.brightness);
          }
          ASSERT_EQ(hr, S_OK);
          const Model got = ModelOf(dest);
          size_t wrong = 0;
          for (size_t i = 0; i < got.bytes.size(); ++i) wrong += got.bytes[i] != want.bytes[i];
          ASSERT_EQ(wrong, 0u) << call.name << " mode 0x" << std::hex << mode << std::dec
                               << " depths " << depth[0] << "->" << depth[1] << " source " << sw
                               << "x" << shh << " dest " << dw << "x" << dh << " to "
                               << Describe(to) << " from " << Describe(from);
          ++checked;
        }
      }
    }
  }
  EXPECT_GT(checked, 4000);
}

// The 1:1 blend of a 32-bit source also takes the plain Blend call, and the scaled one
// BlendScaled; both agree with the model for wide rows, where the fast paths run long.
TEST(DibSurfaceBlends, WideRowsGiveThePixelsOfTheRules) {
  std::mt19937 random(77);
  const SIZE sizes[] = {{640, 48}, {1280, 9}, {333, 21}};
  for (const SIZE& size : sizes) {
    for (int destBpp : {24, 32}) {
      CDibSurface source, dest;
      ASSERT_TRUE(source.Create(size.cx, size.cy, 32));
      ASSERT_TRUE(dest.Create(size.cx, size.cy, destBpp));
      FillRuns(source, random);
      const RECT targets[] = {dest.GetRect(), RECT{3, 1, size.cx - 2, size.cy - 1},
                              RECT{-5, -2, size.cx / 2, size.cy + 4}};
      for (const RECT& to : targets) {
        for (bool scaled : {false, true}) {
          FillRuns(dest, random);
          Model want = ModelOf(dest);
          Model src = ModelOf(source);
          const RECT from =
              scaled ? source.GetRect() : RECT{0, 0, to.right - to.left, to.bottom - to.top};
          ModelBlendMode(src, want, to, from, DRAW_ALPHA);
          ASSERT_EQ(scaled ? source.BlendScaled(dest, to, from) : source.Blend(dest, to, from),
                    S_OK);
          EXPECT_EQ(ModelOf(dest).bytes, want.bytes)
              << size.cx << " " << destBpp << " " << Describe(to) << (scaled ? " scaled" : "");
        }
      }
    }
  }
}
