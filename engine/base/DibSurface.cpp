#include "engine/base/DibSurface.h"

#include <opencv2/core.hpp>
#include <opencv2/imgproc.hpp>

#include <algorithm>
#include <cmath>
#include <cstring>

namespace {

// Rectangles larger than this on a side are refused by the scaling blends, so that every
// product of their arithmetic stays inside 64 bits.
constexpr int64_t kMaxRectSide = int64_t{1} << 24;

int64_t RectWidth(const RECT& r) { return int64_t{r.right} - r.left; }
int64_t RectHeight(const RECT& r) { return int64_t{r.bottom} - r.top; }

// The geometry of one surface as the pixel loops see it.
struct Pixels {
  BYTE* bits;
  int64_t width;
  int64_t height;
  int64_t stride;
  int bpp;  // bytes per pixel

  // First byte of the top-down row y (storage row height - 1 - y).
  BYTE* TopDownRow(int64_t y) const { return bits + (height - 1 - y) * stride; }
  BYTE* StorageRow(int64_t r) const { return bits + r * stride; }
};

int StrideFor(int width, int bitsPerPixel) {
  return static_cast<int>(((int64_t{width} * bitsPerPixel + 31) / 32) * 4);
}

inline BYTE Mix(unsigned s, unsigned d, unsigned a) {
  return static_cast<BYTE>(std::min(255u, (s * a + d * (255u - a)) / 255u));
}

// Channels that a blend touches: the destination's, but no more than the source has.
inline int BlendChannels(int sourceBpp, int destBpp) { return std::min(sourceBpp, destBpp); }

inline unsigned Luma(const BYTE* s) { return (unsigned{s[0]} + s[1] + s[2]) / 3u; }

// Per-pixel rules of the draw modes. `weighAlpha` says whether the brightness keys also
// weigh in the source alpha (the scaled form does, the 1:1 form does not).
struct AlphaRule {
  static void Apply(const BYTE* s, BYTE* d, int n, int sourceBpp, bool) {
    const unsigned a = sourceBpp == 4 ? s[3] : 255u;
    for (int c = 0; c < n; ++c) d[c] = Mix(s[c], d[c], a);
  }
};
struct LumaRule {
  static void Apply(const BYTE* s, BYTE* d, int n, int sourceBpp, bool weighAlpha) {
    unsigned a = Luma(s);
    if (weighAlpha && sourceBpp == 4) a = a * s[3] / 255u;
    for (int c = 0; c < n; ++c) d[c] = Mix(s[c], d[c], a);
  }
};
struct InverseLumaRule {
  static void Apply(const BYTE* s, BYTE* d, int n, int sourceBpp, bool weighAlpha) {
    unsigned a = 255u - Luma(s);
    if (weighAlpha && sourceBpp == 4) a = s[3] * a / 255u;
    for (int c = 0; c < n; ++c) d[c] = Mix(s[c], d[c], a);
  }
};
struct AddRule {
  static void Apply(const BYTE* s, BYTE* d, int n, int, bool) {
    for (int c = 0; c < n; ++c) d[c] = static_cast<BYTE>(std::min(255u, unsigned{s[c]} + d[c]));
  }
};

// 1:1 pairing: destination pixel (x, y) takes source pixel (x + sl - dl, y + st - dt). The
// destination rectangle is clipped to the destination, and further so that every source
// pixel read lies inside the source surface.
// Calls visit with the pixel rule of a draw mode; unknown modes blend by alpha.
template <typename Visit>
void WithModeRule(int mode, Visit visit) {
  switch (mode) {
    case DRAW_LUMA:
      visit(LumaRule{});
      break;
    case DRAW_INVERSE_LUMA:
      visit(InverseLumaRule{});
      break;
    case DRAW_ADD:
      visit(AddRule{});
      break;
    default:
      visit(AlphaRule{});
      break;
  }
}

template <typename Rule>
void Blend1to1(const Pixels& src, const Pixels& dst, const RECT& dr, const RECT& sr) {
  const int64_t ox = int64_t{sr.left} - dr.left;
  const int64_t oy = int64_t{sr.top} - dr.top;
  const int64_t x0 = std::max({int64_t{dr.left}, int64_t{0}, -ox});
  const int64_t x1 = std::min({int64_t{dr.right}, dst.width, src.width - ox});
  const int64_t y0 = std::max({int64_t{dr.top}, int64_t{0}, -oy});
  const int64_t y1 = std::min({int64_t{dr.bottom}, dst.height, src.height - oy});
  const int n = BlendChannels(src.bpp, dst.bpp);
  for (int64_t y = y0; y < y1; ++y) {
    BYTE* d = dst.TopDownRow(y) + x0 * dst.bpp;
    const BYTE* s = src.TopDownRow(y + oy) + (x0 + ox) * src.bpp;
    for (int64_t x = x0; x < x1; ++x, d += dst.bpp, s += src.bpp) {
      Rule::Apply(s, d, n, src.bpp, false);
    }
  }
}

// Nearest-neighbour scaling with 32-bit float ratios, truncated toward zero.
template <typename Rule>
void BlendNearest(const Pixels& src, const Pixels& dst, const RECT& dr, const RECT& sr) {
  const float xr = static_cast<float>(RectWidth(sr)) / static_cast<float>(RectWidth(dr));
  const float yr = static_cast<float>(RectHeight(sr)) / static_cast<float>(RectHeight(dr));
  const int64_t x0 = std::max(int64_t{dr.left}, int64_t{0});
  const int64_t x1 = std::min(int64_t{dr.right}, dst.width);
  const int64_t y0 = std::max(int64_t{dr.top}, int64_t{0});
  const int64_t y1 = std::min(int64_t{dr.bottom}, dst.height);
  const int n = BlendChannels(src.bpp, dst.bpp);
  for (int64_t y = y0; y < y1; ++y) {
    const int64_t sy = sr.top + static_cast<int64_t>(static_cast<float>(y - dr.top) * yr);
    if (sy < 0 || sy >= src.height) continue;
    BYTE* d = dst.TopDownRow(y) + x0 * dst.bpp;
    const BYTE* srow = src.TopDownRow(sy);
    for (int64_t x = x0; x < x1; ++x, d += dst.bpp) {
      const int64_t sx = sr.left + static_cast<int64_t>(static_cast<float>(x - dr.left) * xr);
      if (sx < 0 || sx >= src.width) continue;
      Rule::Apply(srow + sx * src.bpp, d, n, src.bpp, true);
    }
  }
}

// Bilinear scaling of a 32-bit source; `T` is wide enough for M * 255 + M / 2.
template <typename T>
void BlendBilinear(const Pixels& src, const Pixels& dst, const RECT& dr, const RECT& sr) {
  const int64_t dw = RectWidth(dr), dh = RectHeight(dr);
  const int64_t sw = RectWidth(sr), sh = RectHeight(sr);
  const T m = static_cast<T>(dw * dh);
  const T half = m / 2;
  // Destination rows counted from the rectangle's bottom: row k is storage row s0 + k.
  const int64_t s0 = dst.height - dr.bottom;
  const int64_t kBegin = std::max(int64_t{0}, -s0);
  const int64_t kEnd = std::min(dh, dst.height - s0);
  const int64_t jBegin = std::max(int64_t{0}, -int64_t{dr.left});
  const int64_t jEnd = std::min(dw, dst.width - dr.left);
  // Source storage rows and columns that may be read.
  const int64_t rBase = src.height - sr.bottom;
  const int64_t rLo = std::max(rBase, int64_t{0});
  const int64_t rHi = std::min(src.height, src.height - int64_t{sr.top});
  const int64_t cLo = std::max(int64_t{sr.left}, int64_t{0});
  const int64_t cHi = std::min(src.width, int64_t{sr.right});
  const int n = BlendChannels(4, dst.bpp);

  for (int64_t k = kBegin; k < kEnd; ++k) {
    const int64_t r = rBase + (k * sh) / dh;
    const T v = static_cast<T>((k * sh) % dh);
    if (r < rLo) continue;
    if (r >= rHi) break;
    const int64_t r1 = r + 1 < rHi ? r + 1 : r;
    const BYTE* row0 = src.StorageRow(r);
    const BYTE* row1 = src.StorageRow(r1);
    BYTE* drow = dst.StorageRow(s0 + k);
    for (int64_t j = jBegin; j < jEnd; ++j) {
      const int64_t c = sr.left + (j * sw) / dw;
      const T u = static_cast<T>((j * sw) % dw);
      if (c < cLo) continue;
      if (c >= cHi) break;
      const int64_t c1 = c + 1 < cHi ? c + 1 : c;
      const BYTE* p00 = row0 + c * 4;
      const BYTE* p01 = row0 + c1 * 4;
      const BYTE* p10 = row1 + c * 4;
      const BYTE* p11 = row1 + c1 * 4;
      const T w00 = (static_cast<T>(dw) - u) * (static_cast<T>(dh) - v);
      const T w10 = (static_cast<T>(dw) - u) * v;
      const T w01 = u * (static_cast<T>(dh) - v);
      const T w11 = u * v;
      BYTE s[4];
      for (int ch = 0; ch < 4; ++ch) {
        s[ch] = static_cast<BYTE>(
            (w00 * p00[ch] + w10 * p10[ch] + w01 * p01[ch] + w11 * p11[ch] + half) / m);
      }
      BYTE* d = drow + (dr.left + j) * dst.bpp;
      for (int ch = 0; ch < n; ++ch) d[ch] = Mix(s[ch], d[ch], s[3]);
    }
  }
}

}  // namespace

CDibSurface::CDibSurface() = default;

CDibSurface::~CDibSurface() { Free(); }

bool CDibSurface::Create(int width, int height, int bitsPerPixel) {
  if (width <= 0 || height <= 0 || width > kMaxSide || height > kMaxSide) return false;
  if (bitsPerPixel != 24 && bitsPerPixel != 32) return false;
  if (uint64_t(StrideFor(width, bitsPerPixel)) * uint64_t(height) > kMaxBytes) return false;

  Free();
  auto info = std::make_unique<BITMAPINFO>();  // value-initialised: all members 0
  BITMAPINFOHEADER& h = info->bmiHeader;
  h.biSize = sizeof(BITMAPINFOHEADER);
  h.biWidth = width;
  h.biHeight = height;  // positive: rows bottom-up
  h.biPlanes = 1;
  h.biBitCount = static_cast<WORD>(bitsPerPixel);
  h.biCompression = BI_RGB;

  HDC screen = ::GetDC(nullptr);
  void* bits = nullptr;
  HBITMAP bitmap = CreateDIBSection(screen, info.get(), DIB_RGB_COLORS, &bits, nullptr, 0);
  ::ReleaseDC(nullptr, screen);
  if (!bitmap || !bits) {
    if (bitmap) DeleteObject(bitmap);
    return false;
  }
  header_ = std::move(info);
  bitmap_ = bitmap;
  bits_ = static_cast<BYTE*>(bits);
  return true;
}

void CDibSurface::Release(bool deleteBitmap) {
  image_view_.reset();
  if (dc_) {
    SelectObject(dc_, previous_object_);
    DeleteDC(dc_);
    dc_ = nullptr;
    previous_object_ = nullptr;
  }
  if (bitmap_ && deleteBitmap) DeleteObject(bitmap_);
  bitmap_ = nullptr;
  header_.reset();
  bits_ = nullptr;
}

void CDibSurface::Free() { Release(true); }

HBITMAP CDibSurface::Detach() {
  HBITMAP bitmap = bitmap_;
  Release(false);
  return bitmap;
}

HDC CDibSurface::GetDC() {
  if (dc_) return dc_;
  if (!bitmap_) return nullptr;
  HDC screen = ::GetDC(nullptr);
  HDC dc = CreateCompatibleDC(screen);
  ::ReleaseDC(nullptr, screen);
  if (!dc) return nullptr;
  previous_object_ = SelectObject(dc, bitmap_);
  dc_ = dc;
  return dc_;
}

bool CDibSurface::CopyBits(const void* bits, size_t size) {
  if (!bits_ || !bits || size < GetBitsSize()) return false;
  std::memcpy(bits_, bits, GetBitsSize());
  return true;
}

bool CDibSurface::CopyFrom(const CDibSurface& other) {
  if (!other.bitmap_ || !other.bits_) return false;
  if (&other == this) return true;
  if (GetWidth() != other.GetWidth() || GetHeight() != other.GetHeight() ||
      GetBitsPerPixel() != other.GetBitsPerPixel() || !bits_) {
    if (!Create(other.GetWidth(), other.GetHeight(), other.GetBitsPerPixel())) return false;
  }
  std::memcpy(bits_, other.bits_, GetBitsSize());
  return true;
}

void CDibSurface::Clear() {
  if (bits_) std::memset(bits_, 0, GetBitsSize());
}

void CDibSurface::FillWhite() {
  if (bits_) std::memset(bits_, 0xFF, GetBitsSize());
}

HRESULT CDibSurface::InvertAlpha() {
  if (!bits_ || GetBitsPerPixel() != 32) return E_FAIL;
  const size_t count = size_t(GetWidth()) * size_t(GetHeight());
  for (size_t i = 0; i < count; ++i) bits_[i * 4 + 3] ^= 0xFF;
  return S_OK;
}

SIZE CDibSurface::GetSize() const { return SIZE{GetWidth(), GetHeight()}; }

RECT CDibSurface::GetRect() const { return RECT{0, 0, GetWidth(), GetHeight()}; }

int CDibSurface::GetBytesPerPixel() const { return GetBitsPerPixel() / 8; }

int CDibSurface::GetWidth() const { return header_ ? header_->bmiHeader.biWidth : 0; }

int CDibSurface::GetHeight() const { return header_ ? header_->bmiHeader.biHeight : 0; }

int CDibSurface::GetBitsPerPixel() const { return header_ ? header_->bmiHeader.biBitCount : 0; }

int CDibSurface::GetStride() const {
  return header_ ? StrideFor(GetWidth(), GetBitsPerPixel()) : 0;
}

size_t CDibSurface::GetBitsSize() const { return size_t(GetStride()) * size_t(GetHeight()); }

const BITMAPINFOHEADER* CDibSurface::GetHeader() const {
  return header_ ? &header_->bmiHeader : nullptr;
}

cv::Mat* CDibSurface::GetIplImage() {
  if (!bits_) return nullptr;
  if (!image_view_) {
    image_view_ = std::make_unique<cv::Mat>(GetHeight(), GetWidth(), CV_8UC(GetBytesPerPixel()),
                                            bits_, size_t(GetStride()));
  }
  return image_view_.get();
}

HRESULT CDibSurface::Convert24To32(const CDibSurface& source) {
  if (!bits_ || !source.bits_ || GetBitsPerPixel() != 32 || source.GetBitsPerPixel() != 24 ||
      GetWidth() != source.GetWidth() || GetHeight() != source.GetHeight()) {
    return E_FAIL;
  }
  const int w = GetWidth();
  for (int r = 0; r < GetHeight(); ++r) {
    const BYTE* s = source.bits_ + size_t(r) * source.GetStride();
    BYTE* d = bits_ + size_t(r) * GetStride();
    for (int x = 0; x < w; ++x, s += 3, d += 4) {
      d[0] = s[0];
      d[1] = s[1];
      d[2] = s[2];
      d[3] = 255;
    }
  }
  return S_OK;
}

HRESULT CDibSurface::CopyRect(CDibSurface& dest, const RECT& destRect,
                              const RECT& sourceRect) const {
  if (!bits_ || !dest.bits_ || GetBitsPerPixel() != dest.GetBitsPerPixel()) return E_FAIL;
  const int64_t w = RectWidth(sourceRect), h = RectHeight(sourceRect);
  if (w < 0 || h < 0 || w != RectWidth(destRect) || h != RectHeight(destRect)) return E_FAIL;
  auto inside = [](const RECT& r, const CDibSurface& s) {
    return r.left >= 0 && r.top >= 0 && r.right <= s.GetWidth() && r.bottom <= s.GetHeight();
  };
  if (!inside(sourceRect, *this) || !inside(destRect, dest)) return E_FAIL;

  const Pixels src{bits_, GetWidth(), GetHeight(), GetStride(), GetBytesPerPixel()};
  const Pixels dst{dest.bits_, dest.GetWidth(), dest.GetHeight(), dest.GetStride(),
                   dest.GetBytesPerPixel()};
  const size_t rowBytes = size_t(w) * size_t(src.bpp);
  auto copyRow = [&](int64_t y) {
    std::memmove(dst.TopDownRow(destRect.top + y) + int64_t{destRect.left} * dst.bpp,
                 src.TopDownRow(sourceRect.top + y) + int64_t{sourceRect.left} * src.bpp, rowBytes);
  };
  // Within one surface, copy in the order that reads every row before it is overwritten.
  if (&dest == this && destRect.top > sourceRect.top) {
    for (int64_t y = h - 1; y >= 0; --y) copyRow(y);
  } else {
    for (int64_t y = 0; y < h; ++y) copyRow(y);
  }
  return S_OK;
}

HRESULT CDibSurface::StretchHalftone(CDibSurface& dest, const RECT& destRect,
                                     const RECT& sourceRect) {
  HDC destDc = dest.GetDC();
  HDC sourceDc = GetDC();
  if (!destDc || !sourceDc) return E_FAIL;
  SetStretchBltMode(destDc, HALFTONE);
  StretchBlt(destDc, destRect.left, destRect.top, destRect.right - destRect.left,
             destRect.bottom - destRect.top, sourceDc, sourceRect.left, sourceRect.top,
             sourceRect.right - sourceRect.left, sourceRect.bottom - sourceRect.top, SRCCOPY);
  GdiFlush();  // the pixels are read directly afterwards
  return S_OK;
}

HRESULT CDibSurface::Blend(CDibSurface& dest, const RECT& destRect, const RECT& sourceRect) {
  if (!bits_ || !dest.bits_) return E_FAIL;
  if (RectWidth(destRect) != RectWidth(sourceRect) ||
      RectHeight(destRect) != RectHeight(sourceRect) || GetBitsPerPixel() != 32) {
    return BlendScaled(dest, destRect, sourceRect);
  }
  const Pixels src{bits_, GetWidth(), GetHeight(), GetStride(), 4};
  const Pixels dst{dest.bits_, dest.GetWidth(), dest.GetHeight(), dest.GetStride(),
                   dest.GetBytesPerPixel()};
  Blend1to1<AlphaRule>(src, dst, destRect, sourceRect);
  return S_OK;
}

HRESULT CDibSurface::BlendScaled(CDibSurface& dest, const RECT& destRect, const RECT& sourceRect) {
  if (!bits_ || !dest.bits_) return E_FAIL;
  const int64_t dw = RectWidth(destRect), dh = RectHeight(destRect);
  const int64_t sw = RectWidth(sourceRect), sh = RectHeight(sourceRect);
  if (dw <= 0 || dh <= 0 || sw <= 0 || sh <= 0) return S_OK;
  if (dw > kMaxRectSide || dh > kMaxRectSide || sw > kMaxRectSide || sh > kMaxRectSide) {
    return E_FAIL;
  }
  if (GetBitsPerPixel() != 32) return StretchHalftone(dest, destRect, sourceRect);

  const Pixels src{bits_, GetWidth(), GetHeight(), GetStride(), 4};
  const Pixels dst{dest.bits_, dest.GetWidth(), dest.GetHeight(), dest.GetStride(),
                   dest.GetBytesPerPixel()};
  // 32-bit arithmetic while the weighted sums fit, 64-bit for large rectangles.
  if (uint64_t(dw * dh) * 256 <= UINT32_MAX) {
    BlendBilinear<uint32_t>(src, dst, destRect, sourceRect);
  } else {
    BlendBilinear<uint64_t>(src, dst, destRect, sourceRect);
  }
  return S_OK;
}

HRESULT CDibSurface::BlendMode(CDibSurface& dest, const RECT& destRect, const RECT& sourceRect,
                               int mode) {
  if (mode == DRAW_ALPHA) return Blend(dest, destRect, sourceRect);
  if (!bits_ || !dest.bits_) return E_FAIL;
  if (RectWidth(destRect) != RectWidth(sourceRect) ||
      RectHeight(destRect) != RectHeight(sourceRect)) {
    return BlendScaledMode(dest, destRect, sourceRect, mode);
  }
  const Pixels src{bits_, GetWidth(), GetHeight(), GetStride(), GetBytesPerPixel()};
  const Pixels dst{dest.bits_, dest.GetWidth(), dest.GetHeight(), dest.GetStride(),
                   dest.GetBytesPerPixel()};
  WithModeRule(mode, [&](auto rule) { Blend1to1<decltype(rule)>(src, dst, destRect, sourceRect); });
  return S_OK;
}

HRESULT CDibSurface::BlendScaledMode(CDibSurface& dest, const RECT& destRect,
                                     const RECT& sourceRect, int mode) {
  if (mode == DRAW_ALPHA) return BlendScaled(dest, destRect, sourceRect);
  if (!bits_ || !dest.bits_) return E_FAIL;
  const int64_t dw = RectWidth(destRect), dh = RectHeight(destRect);
  const int64_t sw = RectWidth(sourceRect), sh = RectHeight(sourceRect);
  if (dw <= 0 || dh <= 0 || sw <= 0 || sh <= 0) return S_OK;
  if (dw > kMaxRectSide || dh > kMaxRectSide || sw > kMaxRectSide || sh > kMaxRectSide) {
    return E_FAIL;
  }
  const Pixels src{bits_, GetWidth(), GetHeight(), GetStride(), GetBytesPerPixel()};
  const Pixels dst{dest.bits_, dest.GetWidth(), dest.GetHeight(), dest.GetStride(),
                   dest.GetBytesPerPixel()};
  WithModeRule(mode, [&](auto rule) { BlendNearest<decltype(rule)>(src, dst, destRect, sourceRect); });
  return S_OK;
}

HRESULT CDibSurface::Draw(CDibSurface& dest, const RECT& destRect, const RECT& sourceRect, int mode,
                          const cv::Mat* mask, BYTE alpha, const int* brightness) {
  if (!mask && alpha == 255 && !brightness) return BlendMode(dest, destRect, sourceRect, mode);
  if (RectWidth(destRect) <= 0 || RectHeight(destRect) <= 0 || RectWidth(sourceRect) <= 0 ||
      RectHeight(sourceRect) <= 0) {
    return S_OK;
  }
  if (!bits_ || !dest.bits_) return E_FAIL;
  if (mask && (mask->dims != 2 || mask->type() != CV_8UC1 || !mask->data ||
               mask->rows != GetHeight() || mask->cols != GetWidth())) {
    return E_FAIL;
  }

  CDibSurface copy;
  if (GetBitsPerPixel() == 32) {
    if (!copy.CopyFrom(*this)) return E_FAIL;
  } else if (GetBitsPerPixel() == 24) {
    if (!copy.Create(GetWidth(), GetHeight(), 32) || FAILED(copy.Convert24To32(*this))) {
      return E_FAIL;
    }
  } else {
    return E_FAIL;
  }

  const int w = copy.GetWidth();
  const int h = copy.GetHeight();
  const int stride = copy.GetStride();
  if (mask) {
    for (int r = 0; r < h; ++r) {
      BYTE* p = copy.bits_ + size_t(r) * stride;
      const BYTE* m = mask->ptr<BYTE>(r);
      for (int x = 0; x < w; ++x, p += 4) p[3] = static_cast<BYTE>(p[3] * unsigned{m[x]} / 255u);
    }
  }
  if (alpha != 255) {
    for (int r = 0; r < h; ++r) {
      BYTE* p = copy.bits_ + size_t(r) * stride;
      for (int x = 0; x < w; ++x, p += 4) p[3] = static_cast<BYTE>(p[3] * unsigned{alpha} / 255u);
    }
  }
  if (brightness) {
    const int offset = std::clamp(*brightness, -255, 255);
    for (int r = 0; r < h; ++r) {
      BYTE* p = copy.bits_ + size_t(r) * stride;
      for (int x = 0; x < w; ++x, p += 4) {
        for (int c = 0; c < 3; ++c) p[c] = static_cast<BYTE>(std::clamp(p[c] + offset, 0, 255));
      }
    }
  }
  return copy.BlendMode(dest, destRect, sourceRect, mode);
}

HRESULT CDibSurface::DrawRotated(const RotationParams& params) {
  if (!params.dest || !bits_) return E_FAIL;
  const RECT& sr = params.source;
  const int64_t w = RectWidth(sr), h = RectHeight(sr);
  if (w <= 0 || h <= 0) return S_OK;
  if (w > kMaxSide || h > kMaxSide) return E_FAIL;

  // Where the turned picture lands; coordinates beyond any surface are refused before they
  // are converted to integers.
  const double left = params.center_x - params.scale * double(w) * 0.5;
  const double top = params.center_y - params.scale * double(h) * 0.5;
  const double width = params.scale * double(w);
  const double height = params.scale * double(h);
  constexpr double kLimit = double(int64_t{1} << 29);
  for (double v : {left, top, width, height}) {
    if (!std::isfinite(v) || std::fabs(v) > kLimit) return E_FAIL;
  }

  CDibSurface turned;
  if (!turned.Create(int(w), int(h), GetBitsPerPixel())) return E_FAIL;
  turned.FillWhite();

  cv::Mat* source = nullptr;
  CDibSurface part;
  if (sr.left == 0 && sr.top == 0 && sr.right == GetWidth() && sr.bottom == GetHeight()) {
    source = GetIplImage();
  } else {
    if (!part.Create(int(w), int(h), GetBitsPerPixel())) return E_FAIL;
    if (FAILED(CopyRect(part, part.GetRect(), sr))) return E_FAIL;
    source = part.GetIplImage();
  }
  cv::Mat* target = turned.GetIplImage();
  if (!source || !target) return E_FAIL;

  try {
    cv::Mat matrix;
    cv::getRotationMatrix2D(cv::Point2f(float(w / 2), float(h / 2)), params.angle, 1.0)
        .convertTo(matrix, CV_32F);
    cv::warpAffine(*source, *target, matrix, target->size(), cv::INTER_LINEAR, cv::BORDER_CONSTANT,
                   cv::Scalar::all(0));
  } catch (const cv::Exception&) {
    return E_FAIL;
  }
  if (target->data != turned.GetBits()) return E_FAIL;

  RECT destRect;
  destRect.left = static_cast<LONG>(left);
  destRect.top = static_cast<LONG>(top);
  destRect.right = destRect.left + static_cast<LONG>(width);
  destRect.bottom = destRect.top + static_cast<LONG>(height);
  const RECT fromRect{0, 0, LONG(w), LONG(h)};
  return turned.Draw(*params.dest, destRect, fromRect, DRAW_ALPHA, nullptr,
                     static_cast<BYTE>(params.alpha & 0xFF), params.brightness);
}
