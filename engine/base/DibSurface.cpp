#include "engine/base/DibSurface.h"

#include <opencv2/core.hpp>
#include <opencv2/imgproc.hpp>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <new>
#include <vector>

#include "engine/base/PixelRows.h"

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

// Pixels handed to the row kernels at a time from the stack.
constexpr int64_t kChunk = 256;

PixelRule RuleOfMode(int mode) {
  switch (mode) {
    case DRAW_LUMA:
      return PixelRule::kLuma;
    case DRAW_INVERSE_LUMA:
      return PixelRule::kInverseLuma;
    case DRAW_ADD:
      return PixelRule::kAdd;
    default:
      return PixelRule::kAlpha;  // DRAW_ALPHA and every unknown mode
  }
}

// What Draw does to the source pixels before they are blended: an 8-bit mask in storage
// row order, a global alpha and a brightness offset. Pixels that are adjusted are first
// widened to 4 bytes, as a 32-bit copy of the source would hold them.
struct SourceAdjust {
  const cv::Mat* mask = nullptr;
  uint32_t alpha = 255;
  const int* brightness = nullptr;

  bool Any() const { return mask || alpha != 255 || brightness; }
  const uint8_t* MaskRow(int64_t storageRow) const {
    return mask ? mask->ptr<uint8_t>(static_cast<int>(storageRow)) : nullptr;
  }
  // `count` source pixels (of `bpp` bytes) from column `x` of a storage row, adjusted, as
  // 4-byte pixels in `out`.
  void Row(const Pixels& src, int64_t storageRow, int64_t x, uint8_t* out, size_t count) const {
    ExpandPixelRow(src.StorageRow(storageRow) + x * src.bpp, src.bpp, out, count);
    const uint8_t* maskRow = MaskRow(storageRow);
    AdjustPixelRow(out, count, maskRow ? maskRow + x : nullptr, alpha, brightness);
  }
};

// 1:1 pairing: destination pixel (x, y) takes source pixel (x + sl - dl, y + st - dt). The
// destination rectangle is clipped to the destination, and further so that every source
// pixel read lies inside the source surface.
void Blend1to1(PixelRule rule, const Pixels& src, const Pixels& dst, const RECT& dr, const RECT& sr,
               const SourceAdjust& adjust) {
  const int64_t ox = int64_t{sr.left} - dr.left;
  const int64_t oy = int64_t{sr.top} - dr.top;
  const int64_t x0 = std::max({int64_t{dr.left}, int64_t{0}, -ox});
  const int64_t x1 = std::min({int64_t{dr.right}, dst.width, src.width - ox});
  const int64_t y0 = std::max({int64_t{dr.top}, int64_t{0}, -oy});
  const int64_t y1 = std::min({int64_t{dr.bottom}, dst.height, src.height - oy});
  if (x0 >= x1) return;
  for (int64_t y = y0; y < y1; ++y) {
    BYTE* d = dst.TopDownRow(y) + x0 * dst.bpp;
    if (!adjust.Any()) {
      BlendPixelRow(rule, src.TopDownRow(y + oy) + (x0 + ox) * src.bpp, src.bpp, d, dst.bpp,
                    size_t(x1 - x0), false);
      continue;
    }
    const int64_t storageRow = src.height - 1 - (y + oy);
    uint8_t pixels[kChunk * 4];
    for (int64_t x = x0; x < x1; x += kChunk) {
      const int64_t n = std::min(kChunk, x1 - x);
      adjust.Row(src, storageRow, x + ox, pixels, size_t(n));
      BlendPixelRow(rule, pixels, 4, dst.TopDownRow(y) + x * dst.bpp, dst.bpp, size_t(n), false);
    }
  }
}

// Nearest-neighbour scaling with 32-bit float ratios, truncated toward zero. The source
// column grows with x, so the columns that lie inside the source form one run per row.
void BlendNearest(PixelRule rule, const Pixels& src, const Pixels& dst, const RECT& dr,
                  const RECT& sr, const SourceAdjust& adjust) {
  const float xr = static_cast<float>(RectWidth(sr)) / static_cast<float>(RectWidth(dr));
  const float yr = static_cast<float>(RectHeight(sr)) / static_cast<float>(RectHeight(dr));
  const int64_t x0 = std::max(int64_t{dr.left}, int64_t{0});
  const int64_t x1 = std::min(int64_t{dr.right}, dst.width);
  const int64_t y0 = std::max(int64_t{dr.top}, int64_t{0});
  const int64_t y1 = std::min(int64_t{dr.bottom}, dst.height);
  auto sourceColumn = [&](int64_t x) {
    return sr.left + static_cast<int64_t>(static_cast<float>(x - dr.left) * xr);
  };
  // Gathered pixels keep the source's depth unless they are adjusted.
  const int gatheredBpp = adjust.Any() ? 4 : src.bpp;
  for (int64_t y = y0; y < y1; ++y) {
    const int64_t sy = sr.top + static_cast<int64_t>(static_cast<float>(y - dr.top) * yr);
    if (sy < 0 || sy >= src.height) continue;
    const int64_t storageRow = src.height - 1 - sy;
    const BYTE* srow = src.StorageRow(storageRow);
    const uint8_t* maskRow = adjust.MaskRow(storageRow);
    uint8_t pixels[kChunk * 4];
    uint8_t mask[kChunk];
    int64_t x = x0;
    while (x < x1) {
      // The next run of destination pixels whose source column is inside the source.
      int64_t sx = sourceColumn(x);
      while (x < x1 && (sx < 0 || sx >= src.width)) sx = sourceColumn(++x);
      const int64_t start = x;
      int64_t n = 0;
      for (; x < x1 && n < kChunk; ++x, ++n) {
        sx = sourceColumn(x);
        if (sx < 0 || sx >= src.width) break;
        if (adjust.Any()) {
          ExpandPixelRow(srow + sx * src.bpp, src.bpp, pixels + n * 4, 1);
          if (maskRow) mask[n] = maskRow[sx];
        } else {
          std::memcpy(pixels + n * src.bpp, srow + sx * src.bpp, size_t(src.bpp));
        }
      }
      if (n == 0) break;
      if (adjust.Any()) {
        AdjustPixelRow(pixels, size_t(n), maskRow ? mask : nullptr, adjust.alpha,
                       adjust.brightness);
      }
      BlendPixelRow(rule, pixels, gatheredBpp, dst.TopDownRow(y) + start * dst.bpp, dst.bpp,
                    size_t(n), true);
    }
  }
}

// Bilinear scaling of a source read as 32-bit pixels (4-byte ones, or any adjusted ones),
// then blended by the interpolated alpha.
void BlendBilinear(const Pixels& src, const Pixels& dst, const RECT& dr, const RECT& sr,
                   const SourceAdjust& adjust, std::vector<uint8_t>& scratch) {
  const int64_t dw = RectWidth(dr), dh = RectHeight(dr);
  const int64_t sw = RectWidth(sr), sh = RectHeight(sr);
  CBilinearDivisor divisor;
  if (!divisor.Init(uint64_t(dw * dh))) return;
  // Destination rows counted from the rectangle's bottom: row k is storage row s0 + k.
  const int64_t s0 = dst.height - dr.bottom;
  const int64_t kBegin = std::max(int64_t{0}, -s0);
  const int64_t kEnd = std::min(dh, dst.height - s0);
  // Source storage rows and columns that may be read.
  const int64_t rBase = src.height - sr.bottom;
  const int64_t rLo = std::max(rBase, int64_t{0});
  const int64_t rHi = std::min(src.height, src.height - int64_t{sr.top});
  const int64_t cLo = std::max(int64_t{sr.left}, int64_t{0});
  const int64_t cHi = std::min(src.width, int64_t{sr.right});
  if (cLo >= cHi) return;
  // Destination columns whose source column lies in [cLo, cHi): the column grows with j.
  auto firstReaching = [&](int64_t column) {  // first j with sr.left + j * sw / dw >= column
    return ((column - sr.left) * dw + sw - 1) / sw;
  };
  const int64_t jBegin = std::max({int64_t{0}, -int64_t{dr.left}, firstReaching(cLo)});
  const int64_t jEnd = std::min({dw, dst.width - dr.left, firstReaching(cHi)});
  if (jBegin >= jEnd) return;

  // Adjusted sources are read through two adjusted rows, made when the row changes.
  const bool adjusted = adjust.Any() || src.bpp != 4;
  const int64_t columns = cHi - cLo;
  if (adjusted) scratch.resize(size_t(columns) * 8);
  int64_t adjustedRows[2] = {-1, -1};

  BilinearRow row;
  row.dw = uint32_t(dw);
  row.dh = uint32_t(dh);
  row.stepWhole = uint32_t(sw / dw);
  row.stepRest = uint32_t(sw % dw);
  for (int64_t k = kBegin; k < kEnd; ++k) {
    const int64_t r = rBase + (k * sh) / dh;
    if (r < rLo) continue;
    if (r >= rHi) break;
    const int64_t r1 = r + 1 < rHi ? r + 1 : r;
    row.v = uint32_t((k * sh) % dh);
    int64_t origin = 0;
    if (adjusted) {
      const int64_t wanted[2] = {r, r1};
      for (int i = 0; i < 2; ++i) {
        if (adjustedRows[i] == wanted[i]) continue;
        if (adjustedRows[1 - i] == wanted[i]) {
          std::memcpy(scratch.data() + size_t(i) * size_t(columns) * 4,
                      scratch.data() + size_t(1 - i) * size_t(columns) * 4, size_t(columns) * 4);
        } else {
          adjust.Row(src, wanted[i], cLo, scratch.data() + size_t(i) * size_t(columns) * 4,
                     size_t(columns));
        }
        adjustedRows[i] = wanted[i];
      }
      row.row0 = scratch.data();
      row.row1 = scratch.data() + size_t(columns) * 4;
      origin = cLo;
    } else {
      row.row0 = src.StorageRow(r);
      row.row1 = src.StorageRow(r1);
    }
    row.lastColumn = cHi - 1 - origin;
    BYTE* drow = dst.StorageRow(s0 + k);
    uint8_t pixels[kChunk * 4];
    for (int64_t j = jBegin; j < jEnd; j += kChunk) {
      const int64_t n = std::min(kChunk, jEnd - j);
      row.column = sr.left + (j * sw) / dw - origin;
      row.fraction = uint32_t((j * sw) % dw);
      InterpolatePixelRow(row, divisor, pixels, size_t(n));
      BlendPixelRow(PixelRule::kAlpha, pixels, 4, drow + (dr.left + j) * dst.bpp, dst.bpp,
                    size_t(n), false);
    }
  }
}

// The checks of the scaling blends: false when nothing is to be drawn (result S_OK) or the
// rectangles are absurdly large (result E_FAIL).
bool ScalingRectsUsable(const RECT& destRect, const RECT& sourceRect, HRESULT* result) {
  const int64_t dw = RectWidth(destRect), dh = RectHeight(destRect);
  const int64_t sw = RectWidth(sourceRect), sh = RectHeight(sourceRect);
  *result = S_OK;
  if (dw <= 0 || dh <= 0 || sw <= 0 || sh <= 0) return false;
  if (dw > kMaxRectSide || dh > kMaxRectSide || sw > kMaxRectSide || sh > kMaxRectSide) {
    *result = E_FAIL;
    return false;
  }
  return true;
}

Pixels View(CDibSurface& s) {
  return Pixels{s.GetBits(), s.GetWidth(), s.GetHeight(), s.GetStride(), s.GetBytesPerPixel()};
}

bool Inside(const RECT& r, const CDibSurface& s) {
  return r.left >= 0 && r.top >= 0 && r.right <= s.GetWidth() && r.bottom <= s.GetHeight();
}

bool SameSize(const RECT& a, const RECT& b) {
  return RectWidth(a) == RectWidth(b) && RectHeight(a) == RectHeight(b);
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
  if (!Inside(sourceRect, *this) || !Inside(destRect, dest)) return E_FAIL;

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
  if (SameSize(destRect, sourceRect) && dest.GetBitsPerPixel() == 24 && Inside(sourceRect, *this)) {
    // At 1:1 the halftone stretch copies the pixels that lie inside the destination.
    Blend1to1(PixelRule::kAlpha, View(*this), View(dest), destRect, sourceRect, SourceAdjust{});
    return S_OK;
  }
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
  if (!SameSize(destRect, sourceRect) || GetBitsPerPixel() != 32) {
    return BlendScaled(dest, destRect, sourceRect);
  }
  Blend1to1(PixelRule::kAlpha, View(*this), View(dest), destRect, sourceRect, SourceAdjust{});
  return S_OK;
}

HRESULT CDibSurface::BlendScaled(CDibSurface& dest, const RECT& destRect, const RECT& sourceRect) {
  if (!bits_ || !dest.bits_) return E_FAIL;
  HRESULT result;
  if (!ScalingRectsUsable(destRect, sourceRect, &result)) return result;
  if (GetBitsPerPixel() != 32) return StretchHalftone(dest, destRect, sourceRect);
  BlendBilinear(View(*this), View(dest), destRect, sourceRect, SourceAdjust{}, dest.scratch_);
  return S_OK;
}

HRESULT CDibSurface::BlendMode(CDibSurface& dest, const RECT& destRect, const RECT& sourceRect,
                               int mode) {
  if (mode == DRAW_ALPHA) return Blend(dest, destRect, sourceRect);
  if (!bits_ || !dest.bits_) return E_FAIL;
  if (!SameSize(destRect, sourceRect)) return BlendScaledMode(dest, destRect, sourceRect, mode);
  Blend1to1(RuleOfMode(mode), View(*this), View(dest), destRect, sourceRect, SourceAdjust{});
  return S_OK;
}

HRESULT CDibSurface::BlendScaledMode(CDibSurface& dest, const RECT& destRect,
                                     const RECT& sourceRect, int mode) {
  if (mode == DRAW_ALPHA) return BlendScaled(dest, destRect, sourceRect);
  if (!bits_ || !dest.bits_) return E_FAIL;
  HRESULT result;
  if (!ScalingRectsUsable(destRect, sourceRect, &result)) return result;
  BlendNearest(RuleOfMode(mode), View(*this), View(dest), destRect, sourceRect, SourceAdjust{});
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
  if (GetBitsPerPixel() != 32 && GetBitsPerPixel() != 24) return E_FAIL;

  // The source is read as a 32-bit copy with the mask, the alpha and the brightness applied
  // would hold it, a row at a time, and blended as BlendMode blends such a copy.
  const SourceAdjust adjust{mask, alpha, brightness};
  if (SameSize(destRect, sourceRect)) {
    Blend1to1(RuleOfMode(mode), View(*this), View(dest), destRect, sourceRect, adjust);
    return S_OK;
  }
  HRESULT result;
  if (!ScalingRectsUsable(destRect, sourceRect, &result)) return result;
  if (mode == DRAW_ALPHA) {
    BlendBilinear(View(*this), View(dest), destRect, sourceRect, adjust, dest.scratch_);
  } else {
    BlendNearest(RuleOfMode(mode), View(*this), View(dest), destRect, sourceRect, adjust);
  }
  return S_OK;
}

CDibSurface* CDibSurface::WorkSurface(int index, int width, int height, int bitsPerPixel) {
  std::unique_ptr<CDibSurface>& work = work_[index];
  if (!work) work.reset(new (std::nothrow) CDibSurface());
  if (!work) return nullptr;
  if (!work->GetBits() || work->GetWidth() != width || work->GetHeight() != height ||
      work->GetBitsPerPixel() != bitsPerPixel) {
    if (!work->Create(width, height, bitsPerPixel) || !work->GetBits()) return nullptr;
  }
  return work.get();
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

  // The working pictures belong to the destination, which keeps them from frame to frame.
  CDibSurface* turnedSurface = params.dest->WorkSurface(0, int(w), int(h), GetBitsPerPixel());
  if (!turnedSurface || turnedSurface == this) return E_FAIL;
  CDibSurface& turned = *turnedSurface;
  turned.FillWhite();

  cv::Mat* source = nullptr;
  if (sr.left == 0 && sr.top == 0 && sr.right == GetWidth() && sr.bottom == GetHeight()) {
    source = GetIplImage();
  } else {
    CDibSurface* part = params.dest->WorkSurface(1, int(w), int(h), GetBitsPerPixel());
    if (!part || part == this) return E_FAIL;
    if (FAILED(CopyRect(*part, part->GetRect(), sr))) return E_FAIL;
    source = part->GetIplImage();
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
