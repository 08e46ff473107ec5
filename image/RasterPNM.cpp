// PNM files: "P1" to "P6", width, height and (but for bitmaps) the maximum value as
// decimal text with "#" comments, one white-space byte, then the samples: text numbers
// (P1-P3) or bytes (P4-P6; two bytes, most significant first, when the maximum passes
// 255). In bitmaps 1 is black.
#include "image/RasterJasPer.h"

#include <cstdio>
#include <new>
#include <vector>

#include "image/StreamFields.h"

namespace {

bool IsSpace(int c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f'; }

// Skips white space and comments.
void SkipSpace(CStreamByteReader& in) {
  for (;;) {
    const int c = in.Peek();
    if (c == '#') {
      while (in.Peek() >= 0 && in.Peek() != '\n' && in.Peek() != '\r') in.Get();
    } else if (c >= 0 && IsSpace(c)) {
      in.Get();
    } else {
      return;
    }
  }
}

// A decimal number after white space and comments.
bool ReadNumber(CStreamByteReader& in, uint32_t limit, uint32_t& value) {
  SkipSpace(in);
  return ReadDecimal(in, limit, value);
}

}  // namespace

bool CRasterPNM::Decode(CRasterStream* stream) {
  if (!stream) return false;
  auto fail = [this]() {
    SetLastError("error: cannot load image data");
    return false;
  };
  CStreamByteReader in(stream);
  if (in.Get() != 'P') return fail();
  const int kind = in.Get() - '0';
  if (kind < 1 || kind > 6) return fail();
  const bool bitmap = kind == 1 || kind == 4;
  const bool plain = kind <= 3;
  const int channels = kind == 3 || kind == 6 ? 3 : 1;
  uint32_t width = 0, height = 0, maximum = 1;
  if (!ReadNumber(in, INT32_MAX, width) || !ReadNumber(in, INT32_MAX, height)) return fail();
  if (!bitmap && !ReadNumber(in, 65535, maximum)) return fail();
  if (width == 0 || height == 0 || maximum == 0) return fail();
  if (!IsSpace(in.Get())) return fail();  // the one byte before the samples

  const uint64_t samples = uint64_t(width) * height * channels;
  if (samples * 4 > kMaxComponentBytes) return SetLastError("error: cannot allocate memory"), false;
  // Every sample takes a byte at least (a raw bitmap a bit): a file too short for its
  // picture is refused before the picture is made.
  const uint64_t rowBits = uint64_t(width) * channels * (maximum > 255 ? 16 : 8);
  const uint64_t needed = kind == 4 ? (uint64_t(width) + 7) / 8 * height
                          : plain   ? samples
                                    : rowBits / 8 * height;
  const int64_t left = in.Left();
  if (left >= 0 && uint64_t(left) < needed) return fail();

  // Maxima of 2^n - 1 give n-bit samples; others are scaled to 16 bits.
  int precision = 0;
  while (precision < 16 && (1u << precision) - 1 < maximum) ++precision;
  const bool exact = (1u << precision) - 1 == maximum;
  RasterComponents list;
  list.space = channels == 3 ? ComponentSpace::kRgb : ComponentSpace::kGrey;
  list.components.resize(size_t(channels));
  try {
    for (RasterComponent& c : list.components)
      c.Allocate(int32_t(width), int32_t(height), exact ? precision : 16);
  } catch (const std::bad_alloc&) {
    return SetLastError("error: cannot allocate memory"), false;
  }
  auto store = [&](size_t i, int channel, uint32_t value) {
    if (value > maximum) value = maximum;
    if (bitmap) value = 1 - value;  // 1 is black
    else if (!exact) value = uint32_t((uint64_t(value) * 65535 + maximum / 2) / maximum);
    list.components[size_t(channel)].owned[i] = int32_t(value);
  };

  std::vector<uint8_t> row;
  if (kind == 4) row.resize((size_t(width) + 7) / 8);
  else if (!plain) row.resize(size_t(rowBits / 8));
  for (uint32_t y = 0; y < height; ++y) {
    const size_t base = size_t(y) * width;
    if (plain) {
      for (uint32_t x = 0; x < width; ++x)
        for (int ch = 0; ch < channels; ++ch) {
          uint32_t v = 0;
          if (kind == 1) {
            // Bitmap digits need no space between them.
            SkipSpace(in);
            const int c = in.Get();
            if (c != '0' && c != '1') return fail();
            v = uint32_t(c - '0');
          } else if (!ReadNumber(in, 65535, v)) {
            return fail();
          }
          store(base + x, ch, v);
        }
    } else {
      if (in.Read(row.data(), row.size()) != row.size()) return fail();
      for (uint32_t x = 0; x < width; ++x)
        for (int ch = 0; ch < channels; ++ch) {
          uint32_t v;
          if (kind == 4) {
            v = (row[x >> 3] >> (7 - (x & 7))) & 1;
          } else if (maximum > 255) {
            const size_t at = (size_t(x) * channels + size_t(ch)) * 2;
            v = uint32_t(row[at]) << 8 | row[at + 1];
          } else {
            v = row[size_t(x) * channels + size_t(ch)];
          }
          store(base + x, ch, v);
        }
    }
  }
  return BuildFromComponents(list, IMAGE_FORMAT_PNM);
}

bool CRasterPNM::Encode(CRasterStream* stream) {
  if (CheckEncodeTarget(stream)) return false;
  RasterComponents list;
  if (!ComponentsFromPicture(list)) return false;
  const int32_t w = GetWidth();
  const int32_t h = GetHeight();
  const size_t channels = list.components.size();
  char header[64];
  const int n = std::snprintf(header, sizeof header, "P%c\n%d %d\n255\n", channels == 1 ? '5' : '6', w, h);
  std::vector<uint8_t> out(header, header + n);
  out.reserve(out.size() + size_t(w) * size_t(h) * channels);
  for (size_t i = 0; i < size_t(w) * size_t(h); ++i)
    for (size_t ch = 0; ch < channels; ++ch) out.push_back(uint8_t(list.components[ch].owned[i]));
  if (!WriteBytes(stream, out.data(), out.size())) {
    SetLastError("error: cannot encode image\n");
    return false;
  }
  return true;
}
