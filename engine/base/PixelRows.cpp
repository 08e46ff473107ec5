#include "engine/base/PixelRows.h"

#include <algorithm>
#include <atomic>
#include <cstring>

#if defined(__SSE2__) || defined(_M_X64) || (defined(_M_IX86_FP) && _M_IX86_FP >= 2)
#include <emmintrin.h>
#define PIXEL_ROWS_SSE2 1
#if defined(__GNUC__)
#include <cpuid.h>
#include <tmmintrin.h>
#define PIXEL_ROWS_SSSE3 1
#endif
#endif

// The vector helpers must melt into their loops: called, they would pass their registers
// through memory (the 64-bit Windows convention passes vectors by address).
#if defined(__GNUC__)
#define PIXEL_INLINE inline __attribute__((always_inline))
#else
#define PIXEL_INLINE inline
#endif

#ifdef PIXEL_ROWS_SSE2
namespace {
namespace sse2_kernels {
#define PIXEL_ROWS_BYTE_SHUFFLE 0
#include "engine/base/PixelRowKernels.inc"
#undef PIXEL_ROWS_BYTE_SHUFFLE
}  // namespace sse2_kernels
}  // namespace
#endif

#ifdef PIXEL_ROWS_SSSE3
#if defined(__clang__)
#pragma clang attribute push(__attribute__((target("ssse3"))), apply_to = function)
#else
#pragma GCC push_options
#pragma GCC target("ssse3")
#endif
namespace {
namespace ssse3_kernels {
#define PIXEL_ROWS_BYTE_SHUFFLE 1
#include "engine/base/PixelRowKernels.inc"
#undef PIXEL_ROWS_BYTE_SHUFFLE
}  // namespace ssse3_kernels
}  // namespace
#if defined(__clang__)
#pragma clang attribute pop
#else
#pragma GCC pop_options
#endif
#endif

namespace {

bool ProcessorHasSsse3() {
#ifdef PIXEL_ROWS_SSSE3
  unsigned a = 0, b = 0, c = 0, d = 0;
  return __get_cpuid(1, &a, &b, &c, &d) && (c & bit_SSSE3) != 0;
#else
  return false;
#endif
}

// Whether the SSSE3 kernels run: where the processor has SSSE3, unless switched off.
std::atomic<bool> g_byteShuffles{ProcessorHasSsse3()};

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

template <PixelRule kRule>
void RuleRow(const uint8_t* s, int sourceBpp, uint8_t* d, int destBpp, size_t count,
             bool weighAlpha) {
  const int n = std::min(sourceBpp, destBpp);
  const bool weigh = weighAlpha && sourceBpp == 4;
  for (size_t i = 0; i < count; ++i, s += sourceBpp, d += destBpp) {
    if (kRule == PixelRule::kAdd) {
      for (int c = 0; c < n; ++c)
        d[c] = static_cast<uint8_t>(std::min(255u, uint32_t{s[c]} + d[c]));
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

bool UsePixelByteShuffles(bool use) {
  const bool on = use && ProcessorHasSsse3();
  g_byteShuffles = on;
  return on;
}

void BlendPixelRow(PixelRule rule, const uint8_t* source, int sourceBpp, uint8_t* dest, int destBpp,
                   size_t count, bool weighAlpha) {
  size_t done = 0;
#ifdef PIXEL_ROWS_SSE2
  if (sourceBpp == 4) {
    const bool inverse = rule == PixelRule::kInverseLuma;
#ifdef PIXEL_ROWS_SSSE3
    if (g_byteShuffles.load(std::memory_order_relaxed)) {
      namespace k = ssse3_kernels;
      done = rule == PixelRule::kAlpha ? k::AlphaRow(source, dest, destBpp, count)
             : rule == PixelRule::kAdd
                 ? k::AddRow(source, dest, destBpp, count)
                 : k::KeyRow(source, dest, destBpp, count, inverse, weighAlpha);
    } else
#endif
    {
      namespace k = sse2_kernels;
      done = rule == PixelRule::kAlpha ? k::AlphaRow(source, dest, destBpp, count)
             : rule == PixelRule::kAdd
                 ? k::AddRow(source, dest, destBpp, count)
                 : k::KeyRow(source, dest, destBpp, count, inverse, weighAlpha);
    }
  }
#endif
  source += done * size_t(sourceBpp);
  dest += done * size_t(destBpp);
  count -= done;
  switch (rule) {
    case PixelRule::kAlpha:
      AlphaRowScalar(source, sourceBpp, dest, destBpp, count);
      break;
    case PixelRule::kAdd:
      RuleRow<PixelRule::kAdd>(source, sourceBpp, dest, destBpp, count, weighAlpha);
      break;
    case PixelRule::kLuma:
      RuleRow<PixelRule::kLuma>(source, sourceBpp, dest, destBpp, count, weighAlpha);
      break;
    case PixelRule::kInverseLuma:
      RuleRow<PixelRule::kInverseLuma>(source, sourceBpp, dest, destBpp, count, weighAlpha);
      break;
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
    for (size_t i = 0; i < count; ++i)
      pixels[i * 4 + 3] = uint8_t(Div255(pixels[i * 4 + 3] * uint32_t{mask[i]}));
  }
  if (alpha != 255) {
    for (size_t i = 0; i < count; ++i)
      pixels[i * 4 + 3] = uint8_t(Div255(pixels[i * 4 + 3] * alpha));
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

#ifdef PIXEL_ROWS_SSE2

// Destination pixels the vector path makes at a time; it takes a chunk only when its
// source columns are at most twice its pixels (scaling up, or down by less than 2).
constexpr size_t kVectorChunk = 128;
constexpr size_t kVectorColumns = 2 * kVectorChunk + 2;

// (wx0 * V(c) + wx1 * V(c + 1) + half) / (dw * dh) for the four channels of one
// destination pixel, from a column pair of 16-bit halves (see VerticalStep); `weights`
// holds wx0 | wx1 << 16 in every lane.
PIXEL_INLINE __m128i HorizontalStep(__m128i high, __m128i low, __m128i weights, __m128i half,
                                    __m128i magic, __m128i shift) {
  const __m128i n = _mm_add_epi32(
      _mm_add_epi32(_mm_slli_epi32(_mm_madd_epi16(high, weights), 8), _mm_madd_epi16(low, weights)),
      half);
  const __m128i even = _mm_srl_epi64(_mm_mul_epu32(n, magic), shift);
  const __m128i odd = _mm_srl_epi64(_mm_mul_epu32(_mm_srli_epi64(n, 32), magic), shift);
  return _mm_or_si128(even, _mm_slli_epi64(odd, 32));
}

PIXEL_INLINE uint32_t PackPixel(__m128i lanes) {
  const __m128i words = _mm_packs_epi32(lanes, lanes);
  return static_cast<uint32_t>(_mm_cvtsi128_si32(_mm_packus_epi16(words, words)));
}

// The working columns of one chunk: per source column its vertical sums (see VerticalStep)
// and whether every destination pixel that starts at it is known without arithmetic: its
// four neighbours are one colour (the pixel is that colour) or all transparent (it is 0).
struct VectorColumns {
  alignas(16) int16_t high[(kVectorColumns + 4) * 4];
  alignas(16) int16_t low[(kVectorColumns + 4) * 4];
  uint32_t known[kVectorColumns + 4];
  uint8_t isKnown[kVectorColumns + 4];
};

// The vertical step, for `count` source columns from `first` (the last of them is the
// last one's right neighbour too): per channel V = wy0 * P(c, r) + wy1 * P(c, r + 1), below
// 2^23, kept as V >> 8 and V & 255 so that the horizontal step multiplies in 16 bits.
void VerticalStep(const BilinearRow& row, int64_t first, size_t count, VectorColumns& columns) {
  const __m128i zero = _mm_setzero_si128();
  const __m128i weights =
      _mm_set1_epi32(static_cast<int>(row.dh - row.v) | static_cast<int>(row.v << 16));
  const __m128i lowByte = _mm_set1_epi32(255);
  const __m128i alphaBits = _mm_set1_epi32(static_cast<int>(0xFF000000u));
  // V halves of two columns (four 16-bit lanes each) from two pixels of each row, stored
  // from column `at`.
  auto two = [&](__m128i top, __m128i bottom, size_t at) {
    const __m128i t = _mm_unpacklo_epi8(top, zero), b = _mm_unpacklo_epi8(bottom, zero);
    const __m128i v0 = _mm_madd_epi16(_mm_unpacklo_epi16(t, b), weights);
    const __m128i v1 = _mm_madd_epi16(_mm_unpackhi_epi16(t, b), weights);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(columns.high + at * 4),
                     _mm_packs_epi32(_mm_srli_epi32(v0, 8), _mm_srli_epi32(v1, 8)));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(columns.low + at * 4),
                     _mm_packs_epi32(_mm_and_si128(v0, lowByte), _mm_and_si128(v1, lowByte)));
  };
  const uint8_t* top = row.row0 + first * 4;
  const uint8_t* bottom = row.row1 + first * 4;
  size_t i = 0;
  bool neighbourNeeded = false;
  // Four columns at a time while their right neighbours lie among the columns too.
  for (; i + 5 <= count; i += 4) {
    const __m128i t = _mm_loadu_si128(reinterpret_cast<const __m128i*>(top + i * 4));
    const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(bottom + i * 4));
    const __m128i tn = _mm_loadu_si128(reinterpret_cast<const __m128i*>(top + i * 4 + 4));
    const __m128i bn = _mm_loadu_si128(reinterpret_cast<const __m128i*>(bottom + i * 4 + 4));
    const __m128i same = _mm_and_si128(
        _mm_and_si128(_mm_cmpeq_epi32(t, tn), _mm_cmpeq_epi32(b, bn)), _mm_cmpeq_epi32(t, b));
    const __m128i clear = _mm_cmpeq_epi32(
        _mm_and_si128(_mm_or_si128(_mm_or_si128(t, tn), _mm_or_si128(b, bn)), alphaBits), zero);
    const int sameMask = _mm_movemask_ps(_mm_castsi128_ps(same));
    const int clearMask = _mm_movemask_ps(_mm_castsi128_ps(clear));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(columns.known + i), _mm_andnot_si128(clear, t));
    const int known = sameMask | clearMask;
    for (int k = 0; k < 4; ++k) columns.isKnown[i + size_t(k)] = (known >> k) & 1;
    // The sums are needed for the columns that are not known, and for the right neighbour
    // of such a column.
    if (known != 0xF || neighbourNeeded) {
      two(t, b, i);
      two(_mm_srli_si128(t, 8), _mm_srli_si128(b, 8), i + 2);
    }
    neighbourNeeded = (known & 8) == 0;
  }
  for (; i < count; ++i) {
    const size_t next = i + 1 < count ? i + 1 : i;
    uint32_t p[4];
    std::memcpy(&p[0], top + i * 4, 4);
    std::memcpy(&p[1], bottom + i * 4, 4);
    std::memcpy(&p[2], top + next * 4, 4);
    std::memcpy(&p[3], bottom + next * 4, 4);
    two(_mm_cvtsi32_si128(static_cast<int>(p[0])), _mm_cvtsi32_si128(static_cast<int>(p[1])), i);
    const bool same = p[0] == p[1] && p[0] == p[2] && p[0] == p[3];
    const bool clear = ((p[0] | p[1] | p[2] | p[3]) >> 24) == 0;
    columns.isKnown[i] = same || clear;
    columns.known[i] = clear ? 0 : p[0];
  }
}

// Up to kVectorChunk pixels by the vector path; false (nothing made) when it does not fit.
bool InterpolateVector(const BilinearRow& row, const CBilinearDivisor& divisor, uint8_t* out,
                       size_t count) {
  if (!divisor.IsFast() || row.dw > 32767 || row.dh > 32767 || count == 0) return false;
  // Source columns this chunk reads: from its first column to the last one.
  const uint64_t span = (uint64_t(row.fraction) + uint64_t(count - 1) * row.stepRest) / row.dw +
                        uint64_t(count - 1) * row.stepWhole;
  if (span + 1 > kVectorColumns || span + 1 > 2 * count + 2) return false;

  VectorColumns columns;
  // The last column read has a neighbour of its own unless it is the picture's last.
  const int64_t last = std::min(row.column + int64_t(span) + 1, row.lastColumn);
  VerticalStep(row, row.column, size_t(last - row.column) + 1, columns);

  const __m128i half = _mm_set1_epi32(static_cast<int>((row.dw * row.dh) / 2));
  const __m128i magic = _mm_set1_epi32(static_cast<int>(divisor.Magic()));
  const __m128i shift = _mm_cvtsi32_si128(divisor.Shift());
  const size_t lastIndex = size_t(last - row.column);
  const uint32_t dw = row.dw, stepWhole = row.stepWhole, stepRest = row.stepRest;
  size_t c = 0;
  uint32_t u = row.fraction;
  // One destination pixel's four channels as 32-bit lanes, and a step to the next pixel.
  auto lanes = [&]() {
    const size_t next = c < lastIndex ? c + 1 : c;
    __m128i result;
    if (columns.isKnown[c]) {
      result =
          _mm_unpacklo_epi8(_mm_unpacklo_epi8(_mm_cvtsi32_si128(static_cast<int>(columns.known[c])),
                                              _mm_setzero_si128()),
                            _mm_setzero_si128());
    } else {
      const __m128i h = _mm_unpacklo_epi16(
          _mm_loadl_epi64(reinterpret_cast<const __m128i*>(columns.high + c * 4)),
          _mm_loadl_epi64(reinterpret_cast<const __m128i*>(columns.high + next * 4)));
      const __m128i l = _mm_unpacklo_epi16(
          _mm_loadl_epi64(reinterpret_cast<const __m128i*>(columns.low + c * 4)),
          _mm_loadl_epi64(reinterpret_cast<const __m128i*>(columns.low + next * 4)));
      const __m128i weights = _mm_set1_epi32(static_cast<int>((dw - u) | (u << 16)));
      result = HorizontalStep(h, l, weights, half, magic, shift);
    }
    c += stepWhole;
    u += stepRest;
    if (u >= dw) {
      u -= dw;
      ++c;
    }
    return result;
  };
  size_t i = 0;
  for (; i + 2 <= count; i += 2) {
    const __m128i first = lanes();
    const __m128i words = _mm_packs_epi32(first, lanes());
    _mm_storel_epi64(reinterpret_cast<__m128i*>(out + i * 4), _mm_packus_epi16(words, words));
  }
  if (i < count) {
    const uint32_t pixel = PackPixel(lanes());
    std::memcpy(out + i * 4, &pixel, 4);
  }
  return true;
}

#endif  // PIXEL_ROWS_SSE2

void InterpolatePixelRow(const BilinearRow& row, const CBilinearDivisor& divisor, uint8_t* out,
                         size_t count) {
#ifdef PIXEL_ROWS_SSE2
  BilinearRow chunk = row;
  while (count > 0) {
    const size_t n = std::min(count, kVectorChunk);
    if (!InterpolateVector(chunk, divisor, out, n)) break;
    // Where the next chunk starts.
    const uint64_t advanced = uint64_t(chunk.fraction) + uint64_t(n) * chunk.stepRest;
    chunk.column += int64_t(uint64_t(n) * chunk.stepWhole + advanced / chunk.dw);
    chunk.fraction = uint32_t(advanced % chunk.dw);
    out += n * 4;
    count -= n;
  }
  if (count == 0) return;
  const BilinearRow& rest = chunk;
#else
  const BilinearRow& rest = row;
#endif
  if (divisor.IsFast()) {
    Interpolate<uint32_t>(rest, divisor, out, count);
  } else {
    Interpolate<uint64_t>(rest, divisor, out, count);
  }
}
