#include "engine/base/PixelRows.h"

#include <algorithm>
#include <cstring>

#if defined(__SSE2__) || defined(_M_X64) || (defined(_M_IX86_FP) && _M_IX86_FP >= 2)
#include <emmintrin.h>
#define PIXEL_ROWS_SSE2 1
#endif

namespace {

inline uint8_t Mix(uint32_t s, uint32_t d, uint32_t a) {
  return static_cast<uint8_t>(Div255(s * a + d * (255u - a)));
}

inline uint32_t Luma(const uint8_t* s) { return (uint32_t{s[0]} + s[1] + s[2]) / 3u; }

// The alpha rule, one pixel at a time.
void AlphaRowScalar(const uint8_t* s, int sourceBpp, uint8_t* d, int destBpp, size_t count) {
  const int n = std::min(sourceBpp, destBpp);
  for (size_t i = 0; i < count; ++i, s += sourceBpp, d += destBpp) {
    const uint32_t a = sourceBpp == 4 ? s[3] : 255u;
    if (a == 0) continue;
    if (a == 255) {
      for (int c = 0; c < n; ++c) d[c] = s[c];
      continue;
    }
    for (int c = 0; c < n; ++c) d[c] = Mix(s[c], d[c], a);
  }
}

#ifdef PIXEL_ROWS_SSE2

// 12 bytes (four 3-byte pixels) into the low bytes of a register, reading nothing beyond.
inline __m128i Load12(const uint8_t* p) {
  uint32_t high;
  std::memcpy(&high, p + 8, sizeof high);
  return _mm_unpacklo_epi64(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(p)),
                            _mm_cvtsi32_si128(static_cast<int>(high)));
}

// Four packed 3-byte pixels as four 4-byte lanes (the fourth byte 0).
inline __m128i Spread3To4(__m128i x) {
  const __m128i low = _mm_set1_epi64x(0xFFFFFF);
  const __m128i v = _mm_unpacklo_epi64(x, _mm_srli_si128(x, 6));  // pixels 0-1 | 2-3
  return _mm_or_si128(_mm_and_si128(v, low),
                      _mm_slli_epi64(_mm_and_si128(_mm_srli_epi64(v, 24), low), 32));
}

// The first three bytes of four lanes, packed into 12 bytes at p; nothing beyond is written.
inline void Store4As3(uint8_t* p, __m128i lanes) {
  const __m128i low = _mm_set1_epi64x(0xFFFFFF);
  const __m128i next = _mm_set1_epi64x(0xFFFFFF000000);
  const __m128i q =
      _mm_or_si128(_mm_and_si128(lanes, low), _mm_and_si128(_mm_srli_epi64(lanes, 8), next));
  const __m128i packed = _mm_or_si128(
      _mm_move_epi64(q), _mm_srli_si128(_mm_unpackhi_epi64(_mm_setzero_si128(), q), 2));
  _mm_storel_epi64(reinterpret_cast<__m128i*>(p), packed);
  const uint32_t high = static_cast<uint32_t>(_mm_cvtsi128_si32(_mm_srli_si128(packed, 8)));
  std::memcpy(p + 8, &high, sizeof high);
}

// (s * a + d * (255 - a)) / 255 per byte of two pixels widened to 16 bits; a is each
// pixel's fourth byte.
inline __m128i MixWide(__m128i s, __m128i d) {
  const __m128i a = _mm_shufflehi_epi16(_mm_shufflelo_epi16(s, 0xFF), 0xFF);
  const __m128i x = _mm_add_epi16(_mm_mullo_epi16(s, a),
                                  _mm_mullo_epi16(d, _mm_sub_epi16(_mm_set1_epi16(255), a)));
  return _mm_srli_epi16(_mm_add_epi16(_mm_add_epi16(x, _mm_set1_epi16(1)), _mm_srli_epi16(x, 8)),
                        8);
}

inline __m128i Mix4(__m128i s, __m128i d) {
  const __m128i zero = _mm_setzero_si128();
  const __m128i low = MixWide(_mm_unpacklo_epi8(s, zero), _mm_unpacklo_epi8(d, zero));
  const __m128i high = MixWide(_mm_unpackhi_epi8(s, zero), _mm_unpackhi_epi8(d, zero));
  return _mm_packus_epi16(low, high);
}

// The alpha rule from 4-byte pixels, four at a time: groups that are wholly transparent
// are skipped, wholly opaque ones copied.
void AlphaRow4(const uint8_t* s, uint8_t* d, int destBpp, size_t count) {
  const __m128i alphaBits = _mm_set1_epi32(static_cast<int>(0xFF000000u));
  const __m128i zero = _mm_setzero_si128();
  size_t i = 0;
  for (; i + 4 <= count; i += 4) {
    const __m128i sp = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + i * 4));
    const __m128i alpha = _mm_and_si128(sp, alphaBits);
    if (_mm_movemask_epi8(_mm_cmpeq_epi32(alpha, zero)) == 0xFFFF) continue;
    const bool opaque = _mm_movemask_epi8(_mm_cmpeq_epi32(alpha, alphaBits)) == 0xFFFF;
    uint8_t* dp = d + i * size_t(destBpp);
    if (destBpp == 4) {
      __m128i* to = reinterpret_cast<__m128i*>(dp);
      _mm_storeu_si128(to, opaque ? sp : Mix4(sp, _mm_loadu_si128(to)));
    } else {
      Store4As3(dp, opaque ? sp : Mix4(sp, Spread3To4(Load12(dp))));
    }
  }
  AlphaRowScalar(s + i * 4, 4, d + i * size_t(destBpp), destBpp, count - i);
}

#endif  // PIXEL_ROWS_SSE2

template <PixelRule kRule>
void RuleRow(const uint8_t* s, int sourceBpp, uint8_t* d, int destBpp, size_t count,
             bool weighAlpha) {
  const int n = std::min(sourceBpp, destBpp);
  const bool weigh = weighAlpha && sourceBpp == 4;
  for (size_t i = 0; i < count; ++i, s += sourceBpp, d += destBpp) {
    if (kRule == PixelRule::kAdd) {
      for (int c = 0; c < n; ++c) d[c] = static_cast<uint8_t>(std::min(255u, uint32_t{s[c]} + d[c]));
      continue;
    }
    uint32_t a;
    if (kRule == PixelRule::kLuma) {
      a = Luma(s);
      if (weigh) a = Div255(a * s[3]);
    } else {
      a = 255u - Luma(s);
      if (weigh) a = Div255(s[3] * a);
    }
    for (int c = 0; c < n; ++c) d[c] = Mix(s[c], d[c], a);
  }
}

}  // namespace

void BlendPixelRow(PixelRule rule, const uint8_t* source, int sourceBpp, uint8_t* dest,
                   int destBpp, size_t count, bool weighAlpha) {
  switch (rule) {
    case PixelRule::kAlpha:
#ifdef PIXEL_ROWS_SSE2
      if (sourceBpp == 4) {
        AlphaRow4(source, dest, destBpp, count);
        return;
      }
#endif
      AlphaRowScalar(source, sourceBpp, dest, destBpp, count);
      return;
    case PixelRule::kLuma:
      RuleRow<PixelRule::kLuma>(source, sourceBpp, dest, destBpp, count, weighAlpha);
      return;
    case PixelRule::kInverseLuma:
      RuleRow<PixelRule::kInverseLuma>(source, sourceBpp, dest, destBpp, count, weighAlpha);
      return;
    case PixelRule::kAdd:
      RuleRow<PixelRule::kAdd>(source, sourceBpp, dest, destBpp, count, weighAlpha);
      return;
  }
}

void ExpandPixelRow(const uint8_t* source, int sourceBpp, uint8_t* out, size_t count) {
  if (sourceBpp == 4) {
    std::memcpy(out, source, count * 4);
    return;
  }
  for (size_t i = 0; i < count; ++i, source += 3, out += 4) {
    out[0] = source[0];
    out[1] = source[1];
    out[2] = source[2];
    out[3] = 255;
  }
}

void AdjustPixelRow(uint8_t* pixels, size_t count, const uint8_t* mask, uint32_t alpha,
                    const int* brightness) {
  if (mask) {
    for (size_t i = 0; i < count; ++i) pixels[i * 4 + 3] = uint8_t(Div255(pixels[i * 4 + 3] * uint32_t{mask[i]}));
  }
  if (alpha != 255) {
    for (size_t i = 0; i < count; ++i) pixels[i * 4 + 3] = uint8_t(Div255(pixels[i * 4 + 3] * alpha));
  }
  if (brightness) {
    const int offset = std::clamp(*brightness, -255, 255);
    for (size_t i = 0; i < count; ++i) {
      uint8_t* p = pixels + i * 4;
      for (int c = 0; c < 3; ++c) p[c] = static_cast<uint8_t>(std::clamp(p[c] + offset, 0, 255));
    }
  }
}

bool CBilinearDivisor::Init(uint64_t divisor) {
  m_divisor = divisor;
  m_magic = 0;
  m_shift = 0;
  if (divisor == 0) return false;
  if (divisor > kFastDivisor) return true;
  // Numerators stay below 256 * divisor; with 2^shift >= 256 * divisor^2 the rounded-up
  // reciprocal errs by less than one step of the quotient, and numerator * magic stays
  // below 2^31 * (2^32 + 1).
  const uint64_t bound = 256 * divisor * divisor;
  int shift = 0;
  while ((uint64_t{1} << shift) < bound) ++shift;
  m_shift = shift;
  m_magic = ((uint64_t{1} << shift) + divisor - 1) / divisor;
  return true;
}

namespace {

// T holds 255 * dw * dh + dw * dh / 2.
template <typename T>
void Interpolate(const BilinearRow& row, const CBilinearDivisor& divisor, uint8_t* out,
                 size_t count) {
  const T dw = row.dw, dh = row.dh;
  const T wy1 = row.v, wy0 = dh - row.v;
  const T half = (dw * dh) / 2;
  int64_t c = row.column;
  uint32_t u = row.fraction;
  for (size_t i = 0; i < count; ++i, out += 4) {
    const int64_t c1 = c < row.lastColumn ? c + 1 : c;
    const uint8_t* p00 = row.row0 + c * 4;
    const uint8_t* p01 = row.row0 + c1 * 4;
    const uint8_t* p10 = row.row1 + c * 4;
    const uint8_t* p11 = row.row1 + c1 * 4;
    uint32_t a, b, e, f;
    std::memcpy(&a, p00, 4);
    std::memcpy(&b, p01, 4);
    std::memcpy(&e, p10, 4);
    std::memcpy(&f, p11, 4);
    if (a == b && a == e && a == f) {
      // Weights summing to dw * dh over one value give that value.
      std::memcpy(out, &a, 4);
    } else if ((p00[3] | p01[3] | p10[3] | p11[3]) == 0) {
      std::memset(out, 0, 4);
    } else {
      const T wx1 = u, wx0 = dw - u;
      for (int ch = 0; ch < 4; ++ch) {
        const T top = wx0 * p00[ch] + wx1 * p01[ch];
        const T bottom = wx0 * p10[ch] + wx1 * p11[ch];
        out[ch] = static_cast<uint8_t>(divisor.Divide(wy0 * top + wy1 * bottom + half));
      }
    }
    c += row.stepWhole;
    u += row.stepRest;
    if (u >= row.dw) {
      u -= row.dw;
      ++c;
    }
  }
}

}  // namespace

void InterpolatePixelRow(const BilinearRow& row, const CBilinearDivisor& divisor, uint8_t* out,
                         size_t count) {
  if (divisor.IsFast()) {
    Interpolate<uint32_t>(row, divisor, out, count);
  } else {
    Interpolate<uint64_t>(row, divisor, out, count);
  }
}
