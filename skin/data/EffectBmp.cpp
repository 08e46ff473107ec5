#include "skin/data/EffectBmp.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "framework/SysUtils.h"

namespace {

// Nearest integer, halves to the even neighbour (the processor's default rounding).
inline int RoundEven(double Value) { return static_cast<int>(std::nearbyint(Value)); }

inline uint8_t ClampRGB(int Value) {
  return static_cast<uint8_t>(Value < 0 ? 0 : Value > 255 ? 255 : Value);
}

// A factor brought into 0..1; a value that is not a number counts as 0.
inline double ClampFactor(double Kf) {
  if (!(Kf >= 0)) return 0;
  return Kf > 1 ? 1 : Kf;
}

// new = Round(KSelf x self + KOther x other) for the three channels of one pixel.
inline void MixPixel(uint8_t* Self, const uint8_t* Other, double KSelf, double KOther) {
  for (int c = 0; c < 3; ++c) Self[c] = ClampRGB(RoundEven(KSelf * Self[c] + KOther * Other[c]));
}

// Blending with K: K of this picture, 1 - K of the other.
inline void BlendPixel(uint8_t* Self, const uint8_t* Other, double K) {
  MixPixel(Self, Other, K, 1 - K);
}

inline void CopyPixel(uint8_t* Dest, const uint8_t* Source) { std::memcpy(Dest, Source, 3); }

}  // namespace

TspEffectBmp::TspEffectBmp(int W, int H) { CreateDib(W, H); }

TspEffectBmp::TspEffectBmp(HBITMAP Bitmap) {
  HDC dc = CreateDCA("DISPLAY", nullptr, nullptr, nullptr);
  CreateFromBitmap(Bitmap, dc);
  DeleteDC(dc);
}

bool TspEffectBmp::SameSize(const TspEffectBmp* Other) const {
  return Other && FPixelBits && Other->FPixelBits && Other->FWidth == FWidth &&
         Other->FHeight == FHeight;
}

void TspEffectBmp::Draw(HDC DC, int X, int Y) const {
  if (!FPixelBits) return;
  SetDIBitsToDevice(DC, X, Y, static_cast<DWORD>(FWidth), static_cast<DWORD>(FHeight), 0, 0, 0,
                    static_cast<UINT>(FHeight), FPixelBits, &FDibInfo, DIB_RGB_COLORS);
}

uint8_t* TspEffectBmp::GetLinePtr(int Y) const {
  if (!FPixelBits || Y < 0 || Y >= FHeight) return nullptr;
  return FPixelBits + static_cast<size_t>(Y) * static_cast<size_t>(GetRowBytes());
}

uint32_t TspEffectBmp::GetPixel(int X, int Y) const {
  const uint8_t* row = GetLinePtr(Y);
  if (!row || X < 0 || X >= FWidth) return 0;
  const uint8_t* p = row + 3 * X;
  return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16;
}

void TspEffectBmp::SetPixel(int X, int Y, uint32_t Colour) {
  uint8_t* row = GetLinePtr(Y);
  if (!row || X < 0 || X >= FWidth) return;
  uint8_t* p = row + 3 * X;
  p[0] = uint8_t(Colour);
  p[1] = uint8_t(Colour >> 8);
  p[2] = uint8_t(Colour >> 16);
}

void TspEffectBmp::GetLine(int Y, void* Buffer) const {
  if (const uint8_t* row = GetLinePtr(Y)) std::memcpy(Buffer, row, size_t(FWidth) * 3);
}

void TspEffectBmp::SetLine(int Y, const void* Buffer) {
  if (uint8_t* row = GetLinePtr(Y)) std::memcpy(row, Buffer, size_t(FWidth) * 3);
}

// ---------------------------------------------------------------------------------------
// Transitions

void TspEffectBmp::Morph(const TspEffectBmp* Other, double Kf) {
  if (!SameSize(Other)) return;
  Kf = ClampFactor(Kf);
  for (int y = 0; y < FHeight; ++y) {
    uint8_t* row = GetLinePtr(y);
    const uint8_t* other = Other->GetLinePtr(y);
    for (int x = 0; x < FWidth; ++x) MixPixel(row + 3 * x, other + 3 * x, 1 - Kf, Kf);
  }
}

void TspEffectBmp::MorphRect(const TspEffectBmp* Other, const TRect& Rect, double Kf, int SrcX,
                             int SrcY) {
  if (!Other || !FPixelBits || !Other->FPixelBits) return;
  Kf = ClampFactor(Kf);
  // Pairs of columns and rows that lie inside both pictures.
  const int left = std::max({Rect.Left, 0, Rect.Left - SrcX});
  const int right = std::min({Rect.Right, FWidth, Rect.Left + (Other->FWidth - SrcX)});
  const int top = std::max({Rect.Top, 0, Rect.Top - SrcY});
  const int bottom = std::min({Rect.Bottom, FHeight, Rect.Top + (Other->FHeight - SrcY)});
  for (int y = top; y < bottom; ++y) {
    uint8_t* row = GetLinePtr(y);
    const uint8_t* other = Other->GetLinePtr(SrcY + (y - Rect.Top));
    for (int x = left; x < right; ++x)
      MixPixel(row + 3 * x, other + 3 * (SrcX + (x - Rect.Left)), 1 - Kf, Kf);
  }
}

void TspEffectBmp::MorphGrad(const TspEffectBmp* Other, double Kf) {
  if (FWidth < FHeight)
    MorphVGrad(Other, Kf);
  else
    MorphHGrad(Other, Kf);
}

void TspEffectBmp::MorphHGrad(const TspEffectBmp* Other, double Kf) {
  if (!SameSize(Other)) return;
  Kf = ClampFactor(Kf);
  const int w = FWidth;
  const int x = RoundEven(w * Kf);
  const int half = (w - x) / 2;
  const double step = half == 0 ? 1 : 1.0 / half;
  const int l = std::clamp(w / 2 - x / 2, 0, w - 1);
  const int r = std::clamp(w / 2 + x / 2, 0, w - 1);
  for (int y = 0; y < FHeight; ++y) {
    uint8_t* row = GetLinePtr(y);
    const uint8_t* other = Other->GetLinePtr(y);
    for (int j = l; j <= r; ++j) CopyPixel(row + 3 * j, other + 3 * j);
    double k = 0;
    for (int j = l; j >= 0; --j) {
      BlendPixel(row + 3 * j, other + 3 * j, k);
      k = std::min(1.0, k + step);
    }
    k = 0;
    for (int j = r; j < w; ++j) {
      BlendPixel(row + 3 * j, other + 3 * j, k);
      k = std::min(1.0, k + step);
    }
  }
}

void TspEffectBmp::MorphVGrad(const TspEffectBmp* Other, double Kf) {
  if (!SameSize(Other)) return;
  Kf = ClampFactor(Kf);
  const int h = FHeight;
  const int y0 = RoundEven(h * Kf);
  const int half = (h - 1 - y0) / 2;
  const double step = half == 0 ? 0 : 1.0 / half;
  const int t = std::clamp(h / 2 - y0 / 2, 0, h - 1);
  const int b = std::clamp(h / 2 + y0 / 2, 0, h - 1);
  const size_t rowBytes = size_t(FWidth) * 3;
  for (int y = t; y <= b; ++y) std::memcpy(GetLinePtr(y), Other->GetLinePtr(y), rowBytes);
  auto blendRow = [&](int y, double k) {
    uint8_t* row = GetLinePtr(y);
    const uint8_t* other = Other->GetLinePtr(y);
    for (int x = 0; x < FWidth; ++x) BlendPixel(row + 3 * x, other + 3 * x, k);
  };
  double k = 0;
  for (int y = t; y >= 0; --y) {
    blendRow(y, k);
    k = std::min(1.0, k + step);
  }
  k = 0;
  for (int y = b; y < h; ++y) {
    blendRow(y, k);
    k = std::min(1.0, k + step);
  }
}

void TspEffectBmp::MorphLeftGrad(const TspEffectBmp* Other, double Kf) {
  if (!SameSize(Other)) return;
  Kf = ClampFactor(Kf);
  int x = RoundEven(FWidth * Kf);
  if (x < 1) x = 1;
  if (x > FWidth - 1) x = FWidth - 1;
  const double step = x <= 0 ? 1 : 1.0 / x;
  for (int y = 0; y < FHeight; ++y) {
    uint8_t* row = GetLinePtr(y);
    const uint8_t* other = Other->GetLinePtr(y);
    double k = 0;
    for (int j = 0; j <= x; ++j) {
      BlendPixel(row + 3 * j, other + 3 * j, k);
      k = std::min(1.0, k + step);
    }
  }
}

void TspEffectBmp::MorphRightGrad(const TspEffectBmp* Other, double Kf) {
  if (!SameSize(Other)) return;
  Kf = ClampFactor(Kf);
  int x = FWidth - RoundEven(FWidth * Kf);
  if (x < 0) x = 0;
  if (x > FWidth - 1) x = FWidth - 1;
  const double step = FWidth - x <= 0 ? 1 : 1.0 / (FWidth - x);
  for (int y = 0; y < FHeight; ++y) {
    uint8_t* row = GetLinePtr(y);
    const uint8_t* other = Other->GetLinePtr(y);
    double k = 0;
    for (int j = FWidth - 1; j >= x; --j) {
      BlendPixel(row + 3 * j, other + 3 * j, k);
      k = std::min(1.0, k + step);
    }
  }
}

void TspEffectBmp::MorphPush(const TspEffectBmp* Other, double Kf) {
  if (!SameSize(Other)) return;
  Kf = ClampFactor(Kf);
  const int w = FWidth;
  const int x = std::clamp(RoundEven(w * Kf), 0, w - 1);
  for (int y = 0; y < FHeight; ++y) {
    uint8_t* row = GetLinePtr(y);
    const uint8_t* other = Other->GetLinePtr(y);
    // Going from the right, every source column lies left of the column written, so it
    // still holds its old pixel.
    for (int j = w - 1; j >= x; --j) CopyPixel(row + 3 * j, row + 3 * std::max(j - x - 1, 0));
    int s = std::max(w - 1 - x, 0);
    for (int j = 0; j <= x; ++j) {
      CopyPixel(row + 3 * j, other + 3 * s);
      s = std::min(s + 1, w - 1);
    }
  }
}

void TspEffectBmp::Slide(const TspEffectBmp* Other, double Kf, bool ToRight) {
  if (!SameSize(Other)) return;
  Kf = ClampFactor(Kf);
  int x = RoundEven(FWidth * Kf);
  if (x < 1) x = 1;
  if (x > FWidth - 1) x = FWidth - 1;
  for (int y = 0; y < FHeight; ++y) {
    uint8_t* row = GetLinePtr(y);
    const uint8_t* other = Other->GetLinePtr(y);
    int s = std::max(FWidth - 1 - x, 0);
    for (int k = 0; k < x; ++k) {
      s = std::min(s + 1, FWidth - 1);
      if (ToRight)
        CopyPixel(row + 3 * s, other + 3 * k);
      else
        CopyPixel(row + 3 * k, other + 3 * s);
    }
  }
}

void TspEffectBmp::MorphLeftSlide(const TspEffectBmp* Other, double Kf) { Slide(Other, Kf, false); }

void TspEffectBmp::MorphRightSlide(const TspEffectBmp* Other, double Kf) { Slide(Other, Kf, true); }

void TspEffectBmp::MorphByKind(int Kind, const TspEffectBmp* Other, double Kf) {
  switch (Kind) {
    case mkGradient:
      MorphGrad(Other, Kf);
      break;
    case mkLeftGradient:
      MorphLeftGrad(Other, Kf);
      break;
    case mkRightGradient:
      MorphRightGrad(Other, Kf);
      break;
    case mkLeftSlide:
      MorphLeftSlide(Other, Kf);
      break;
    case mkRightSlide:
      MorphRightSlide(Other, Kf);
      break;
    case mkPush:
      MorphPush(Other, Kf);
      break;
    default:
      Morph(Other, Kf);
      break;
  }
}

// ---------------------------------------------------------------------------------------
// Looks of inactive windows

namespace {

// Runs Change over the three channels of every pixel.
template <class F>
void ForEachPixel(TspEffectBmp& Bmp, F&& Change) {
  for (int y = 0; y < Bmp.GetHeight(); ++y) {
    uint8_t* row = Bmp.GetLinePtr(y);
    for (int x = 0; x < Bmp.GetWidth(); ++x) Change(row + 3 * x);
  }
}

}  // namespace

void TspEffectBmp::ChangeBrightness(double Kf) {
  Kf = ClampFactor(Kf);
  ForEachPixel(*this, [Kf](uint8_t* p) {
    for (int c = 0; c < 3; ++c) p[c] = ClampRGB(RoundEven((1 - Kf) * p[c] + 255 * Kf));
  });
}

void TspEffectBmp::ChangeDarkness(double Kf) {
  Kf = ClampFactor(Kf);
  ForEachPixel(*this, [Kf](uint8_t* p) {
    for (int c = 0; c < 3; ++c) p[c] = ClampRGB(RoundEven((1 - Kf) * p[c]));
  });
}

void TspEffectBmp::GrayScale() {
  ForEachPixel(*this, [](uint8_t* p) {
    const uint8_t grey = ClampRGB(RoundEven(0.3 * p[2] + 0.59 * p[1] + 0.11 * p[0]));
    p[0] = p[1] = p[2] = grey;
  });
}

void TspEffectBmp::AddNoise(int Amount) {
  if (Amount < 1) return;
  ForEachPixel(*this, [Amount](uint8_t* p) {
    const int n = Random(Amount) - Amount / 2;
    for (int c = 0; c < 3; ++c) p[c] = ClampRGB(p[c] + n);
  });
}

void TspEffectBmp::SplitBlur(int Amount) {
  if (Amount == 0 || !FPixelBits) return;
  // Neighbours that would lie outside the picture (an Amount not smaller than the size)
  // are brought back to its edge.
  auto inside = [](int Value, int Size) { return std::clamp(Value, 0, Size - 1); };
  for (int i = 0; i < FHeight; ++i) {
    const int upper = inside(i - Amount < 0 ? i : i - Amount, FHeight);
    const int lower = inside(i + Amount >= FHeight ? FHeight - i : i + Amount, FHeight);
    const uint8_t* up = GetLinePtr(upper);
    const uint8_t* down = GetLinePtr(lower);
    uint8_t* row = GetLinePtr(i);
    for (int j = 0; j < FWidth; ++j) {
      const int left = 3 * inside(j - Amount < 0 ? j : j - Amount, FWidth);
      const int right = 3 * inside(j + Amount >= FWidth ? FWidth - j : j + Amount, FWidth);
      for (int c = 0; c < 3; ++c)
        row[3 * j + c] =
            uint8_t((up[left + c] + down[left + c] + up[right + c] + down[right + c]) >> 2);
    }
  }
}

void TspEffectBmp::Invert() {
  ForEachPixel(*this, [](uint8_t* p) {
    for (int c = 0; c < 3; ++c) p[c] = uint8_t(255 - p[c]);
  });
}

// ---------------------------------------------------------------------------------------
// Geometry

void TspEffectBmp::Rotate90CCW(TspEffectBmp* Dest) const {
  if (!Dest || Dest->FWidth != FHeight || Dest->FHeight != FWidth || !FPixelBits) return;
  for (int y = 0; y < FHeight; ++y)
    for (int x = 0; x < FWidth; ++x) Dest->SetPixel(y, FWidth - 1 - x, GetPixel(x, y));
}

void TspEffectBmp::Rotate90CW(TspEffectBmp* Dest) const {
  if (!Dest || Dest->FWidth != FHeight || Dest->FHeight != FWidth || !FPixelBits) return;
  for (int y = 0; y < FHeight; ++y)
    for (int x = 0; x < FWidth; ++x) Dest->SetPixel(FHeight - 1 - y, x, GetPixel(x, y));
}

void TspEffectBmp::FlipVertical(TspEffectBmp* Dest) const {
  if (!Dest || Dest->FWidth != FWidth || Dest->FHeight != FHeight || !FPixelBits) return;
  for (int y = 0; y < FHeight; ++y)
    for (int x = 0; x < FWidth; ++x) Dest->SetPixel(x, FHeight - 1 - y, GetPixel(x, y));
}
