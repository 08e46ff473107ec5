// The row kernels under the picture blends: plain memory work on one row of pixels at a
// time, with SSE2 where the processor has it (every x86-64 processor does). Pixels are
// blue, green, red[, alpha] bytes; a row is `count` pixels without padding. The surface
// code (DibSurface.cpp) walks rectangles, clips and scales, and hands rows to these.
//
// Every kernel gives exactly the bytes of the plain per-pixel rules; the fast paths only
// skip work whose result is known: transparent source pixels leave the destination as it
// is, opaque ones replace it.
#pragma once

#include <cstddef>
#include <cstdint>

// x / 255 rounded down, exact for 0 <= x <= 65534 (every product of two bytes).
constexpr uint32_t Div255(uint32_t x) { return (x + 1 + (x >> 8)) >> 8; }

// How a source pixel goes onto a destination pixel (s source, d destination byte, A source
// alpha, L = (blue + green + red) / 3 of the source pixel):
//   kAlpha        (s * A + d * (255 - A)) / 255, A = 255 for 3-byte sources
//   kLuma         the same with L in place of A (weighed: L * A / 255 for 4-byte sources)
//   kInverseLuma  the same with 255 - L (weighed: A * (255 - L) / 255 for 4-byte sources)
//   kAdd          min(255, s + d)
enum class PixelRule { kAlpha, kLuma, kInverseLuma, kAdd };

// Puts `count` source pixels of `sourceBpp` bytes (3 or 4) onto as many destination pixels
// of `destBpp` bytes (3 or 4) by the rule. The first min(sourceBpp, destBpp) bytes of each
// destination pixel change; `weighAlpha` makes the brightness keys weigh in the alpha.
void BlendPixelRow(PixelRule rule, const uint8_t* source, int sourceBpp, uint8_t* dest, int destBpp,
                   size_t count, bool weighAlpha);

// The kernels use SSSE3 where the processor has it, SSE2 otherwise. Switching the SSSE3
// kernels off (and on again) lets tests check both; returns whether they are on.
bool UsePixelByteShuffles(bool use);

// `count` pixels of `sourceBpp` bytes (3 or 4) as 4-byte pixels; 3-byte ones become opaque.
void ExpandPixelRow(const uint8_t* source, int sourceBpp, uint8_t* out, size_t count);

// Changes 4-byte pixels in place: with a mask (one byte per pixel) every alpha becomes
// alpha * m / 255; with a global alpha other than 255, alpha * global / 255; with a
// brightness offset, blue, green and red each gain it, limited to 0..255. Divisions round
// down, in that order.
void AdjustPixelRow(uint8_t* pixels, size_t count, const uint8_t* mask, uint32_t alpha,
                    const int* brightness);

// Division by the weight sum of a bilinear scaling, rounding down as integer division
// does. Up to kFastDivisor (every rectangle of 3840 x 2160 and below) it multiplies by a
// reciprocal, exact for every numerator below 256 * divisor; above, it divides.
class CBilinearDivisor {
 public:
  static constexpr uint64_t kFastDivisor = uint64_t{1} << 23;

  // False (and unusable) for 0.
  bool Init(uint64_t divisor);
  bool IsFast() const { return m_magic != 0; }
  // The reciprocal and its shift (fast divisors only; the reciprocal is below 2^32).
  uint32_t Magic() const { return static_cast<uint32_t>(m_magic); }
  int Shift() const { return m_shift; }
  uint64_t Divide(uint64_t numerator) const {
    return m_magic ? (numerator * m_magic) >> m_shift : numerator / m_divisor;
  }

 private:
  uint64_t m_divisor = 0;
  uint64_t m_magic = 0;
  int m_shift = 0;
};

// One row of a bilinear scaling. The destination rectangle is dw x dh; destination column
// j reads source column c = c0 + floor(j * sw / dw) with fraction u = (j * sw) mod dw, and
// its right neighbour c + 1, limited to `lastColumn`; the row's vertical fraction is v.
struct BilinearRow {
  const uint8_t* row0 = nullptr;  // 4-byte source pixels of the row r (column 0 first)
  const uint8_t* row1 = nullptr;  // the row r + 1, or r again at the picture's edge
  int64_t column = 0;             // c of the first pixel made
  uint32_t fraction = 0;          // u of the first pixel made
  int64_t lastColumn = 0;         // the last column that may be read
  uint32_t stepWhole = 0;         // sw / dw
  uint32_t stepRest = 0;          // sw mod dw
  uint32_t dw = 0, dh = 0, v = 0;
};

// Makes `count` interpolated 4-byte pixels: each channel is
// ((dw - u)(dh - v) P00 + (dw - u) v P10 + u (dh - v) P01 + u v P11 + dw dh / 2) / (dw dh),
// with P00 = (c, r), P01 = (c + 1, r), P10 = (c, r + 1), P11 = (c + 1, r + 1). Pixels whose
// four neighbours are all transparent come out as 0 (they change nothing under kAlpha).
// The divisor divides by dw * dh.
void InterpolatePixelRow(const BilinearRow& row, const CBilinearDivisor& divisor, uint8_t* out,
                         size_t count);
