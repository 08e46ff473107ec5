#include "image/RasterComponents.h"

#include <algorithm>
#include <cmath>

namespace {

bool IsPlainPrecision(int32_t bits) { return bits == 1 || bits == 4 || bits == 8; }

// A sample brought to 0..2^precision - 1 (signed samples are moved up by half the range).
uint32_t Unsigned(int32_t value, const RasterComponent& c) {
  int64_t v = value;
  if (c.isSigned) v += int64_t(1) << (c.precision - 1);
  const int64_t top = (int64_t(1) << c.precision) - 1;
  return uint32_t(std::max<int64_t>(0, std::min(v, top)));
}

// A sample as a byte: 8-bit samples as they are, others scaled to 0..255.
uint8_t ToByte(int32_t value, const RasterComponent& c) {
  const uint64_t u = Unsigned(value, c);
  if (c.precision == 8) return uint8_t(u);
  const uint64_t top = (uint64_t(1) << c.precision) - 1;
  return uint8_t((u * 255 + top / 2) / top);
}

uint8_t Clamp(double v) { return uint8_t(std::lround(std::max(0.0, std::min(255.0, v)))); }

// The sample of component `c` that covers pixel (x, y) of a picture `w` x `h` pixels wide
// (subsampled components cover several pixels with one sample).
int32_t SampleAt(const RasterComponent& c, int32_t x, int32_t y, int32_t w, int32_t h) {
  const int64_t cx = int64_t(x) * c.width / w;
  const int64_t cy = int64_t(y) * c.height / h;
  return c.Samples()[size_t(cy) * size_t(c.width) + size_t(cx)];
}

bool Covers(const RasterComponent& small, const RasterComponent& large) {
  return small.width <= large.width && small.height <= large.height;
}

}  // namespace

void RasterComponent::Allocate(int32_t w, int32_t h, int32_t bits, bool withSign) {
  width = w;
  height = h;
  precision = bits;
  isSigned = withSign;
  owned.assign(size_t(w) * size_t(h), 0);
  data = nullptr;
}

bool CRasterComponentFormat::BuildFromComponents(const RasterComponents& list, int32_t formatId) {
  auto fail = [this](const char* text) {
    SetLastError(text);
    return false;
  };
  const std::vector<RasterComponent>& comps = list.components;
  if (comps.empty()) return fail("error: cannot load image data");
  if (comps.size() > 64) return fail("error: too much components");
  for (const RasterComponent& c : comps)
    if (c.width <= 0 || c.height <= 0 || c.precision < 1 || c.precision > 31 || !c.Samples())
      return fail("error: cannot load image data");
  const RasterComponent& first = comps[0];
  const int32_t w = first.width;
  const int32_t h = first.height;

  const bool colour = comps.size() >= 3 && list.space != ComponentSpace::kGrey &&
                      Covers(comps[1], first) && Covers(comps[2], first) &&
                      comps[1].precision == first.precision && comps[2].precision == first.precision;
  if (colour) {
    if (!Create(w, h, 24, formatId)) return fail("Can't allocate memory");
    const bool cmyk = list.space == ComponentSpace::kCmyk && comps.size() >= 4;
    const size_t alphaIndex = cmyk ? 4 : 3;
    const bool alpha = comps.size() > alphaIndex && comps[alphaIndex].width == w &&
                       comps[alphaIndex].height == h;
    if (alpha && !CreateAlphaPlane()) return fail("Can't allocate memory");
    for (int32_t y = 0; y < h; ++y) {
      uint8_t* row = GetRowPointer(h - 1 - y);
      for (int32_t x = 0; x < w; ++x) {
        double a = ToByte(SampleAt(comps[0], x, y, w, h), comps[0]);
        double b = ToByte(SampleAt(comps[1], x, y, w, h), comps[1]);
        double c = ToByte(SampleAt(comps[2], x, y, w, h), comps[2]);
        uint8_t red, green, blue;
        if (list.space == ComponentSpace::kYcc) {
          b -= 128;
          c -= 128;
          red = Clamp(a + 1.402 * c);
          green = Clamp(a - 0.344136 * b - 0.714136 * c);
          blue = Clamp(a + 1.772 * b);
        } else if (cmyk) {
          const double k = 255 - ToByte(SampleAt(comps[3], x, y, w, h), comps[3]);
          red = Clamp((255 - a) * k / 255);
          green = Clamp((255 - b) * k / 255);
          blue = Clamp((255 - c) * k / 255);
        } else {
          red = uint8_t(a);
          green = uint8_t(b);
          blue = uint8_t(c);
        }
        row[3 * x] = blue;
        row[3 * x + 1] = green;
        row[3 * x + 2] = red;
        if (alpha)
          SetAlpha(x, h - 1 - y, ToByte(SampleAt(comps[alphaIndex], x, y, w, h), comps[alphaIndex]));
      }
    }
    m_info.frameCount = 1;
    return true;
  }

  const bool greyAlpha = comps.size() == 2 && comps[1].isAlpha && comps[1].width == w &&
                         comps[1].height == h;
  if (greyAlpha || (comps.size() == 1 && !IsPlainPrecision(first.precision))) {
    // A grey picture with alpha, or grey samples of another precision shown in colour.
    if (!Create(w, h, greyAlpha ? 8 : 24, formatId)) return fail("Can't allocate memory");
    if (greyAlpha) {
      SetGreyPalette();
      if (!CreateAlphaPlane()) return fail("Can't allocate memory");
    }
    const int32_t* samples = first.Samples();
    for (int32_t y = 0; y < h; ++y) {
      uint8_t* row = GetRowPointer(h - 1 - y);
      for (int32_t x = 0; x < w; ++x) {
        const uint8_t v = ToByte(samples[size_t(y) * size_t(w) + size_t(x)], first);
        if (greyAlpha) {
          row[x] = v;
          SetAlpha(x, h - 1 - y, ToByte(comps[1].Samples()[size_t(y) * size_t(w) + size_t(x)], comps[1]));
        } else {
          row[3 * x] = row[3 * x + 1] = row[3 * x + 2] = v;
        }
      }
    }
    m_info.frameCount = 1;
    return true;
  }

  // Every component a grey frame of its own.
  m_info.frameCount = int32_t(comps.size());
  const int32_t frame = m_info.frameToDecode;
  if (frame < 0 || frame >= int32_t(comps.size())) return fail("wrong frame!");
  const RasterComponent& c = comps[size_t(frame)];
  const bool plain = IsPlainPrecision(c.precision);
  if (!Create(c.width, c.height, plain ? c.precision : 8, formatId)) return fail("Can't allocate memory");
  SetGreyPalette();
  const int32_t* samples = c.Samples();
  for (int32_t y = 0; y < c.height; ++y)
    for (int32_t x = 0; x < c.width; ++x) {
      const int32_t s = samples[size_t(y) * size_t(c.width) + size_t(x)];
      SetPixelIndex(x, c.height - 1 - y, plain ? uint8_t(Unsigned(s, c)) : ToByte(s, c));
    }
  return true;
}

bool CRasterComponentFormat::ComponentsFromPicture(RasterComponents& list) {
  const int32_t w = GetWidth();
  const int32_t h = GetHeight();
  const bool grey = IsPaletted();
  if (grey) {
    for (uint32_t i = 0; i < GetPaletteSize(); ++i) {
      const RGBQUAD c = GetPaletteEntry(i);
      if (c.rgbRed != i || c.rgbGreen != i || c.rgbBlue != i) {
        SetLastError("JasPer can save only RGB or GrayScale images");
        return false;
      }
    }
  }
  list.space = grey ? ComponentSpace::kGrey : ComponentSpace::kRgb;
  list.components.assign(grey ? 1 : 3, RasterComponent());
  for (RasterComponent& c : list.components) c.Allocate(w, h, 8);
  for (int32_t row = 0; row < h; ++row) {
    const int32_t y = h - 1 - row;
    for (int32_t x = 0; x < w; ++x) {
      const size_t i = size_t(row) * size_t(w) + size_t(x);
      if (grey) {
        list.components[0].owned[i] = GetPixelIndexFast(x, y);
      } else {
        const RGBQUAD c = GetPixelColorFast(x, y);
        list.components[0].owned[i] = c.rgbRed;
        list.components[1].owned[i] = c.rgbGreen;
        list.components[2].owned[i] = c.rgbBlue;
      }
    }
  }
  return true;
}
