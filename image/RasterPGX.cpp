// PGX files: "PG", the byte order ("ML": most significant byte first, "LM": least), an
// optional sign ("+" unsigned, "-" signed), the depth in bits (1 to 16), the width and the
// height, a line end, then one grey sample a pixel, top row first: one byte up to 8 bits,
// two bytes up to 16.
#include "image/RasterJasPer.h"

#include <cstdio>
#include <new>
#include <vector>

#include "image/StreamFields.h"

namespace {

bool IsBlank(int c) { return c == ' ' || c == '\t'; }

void SkipBlanks(CStreamByteReader& in) {
  while (IsBlank(in.Peek())) in.Get();
}

// A number after blanks (the header is one line).
bool ReadNumber(CStreamByteReader& in, uint32_t limit, uint32_t& value) {
  SkipBlanks(in);
  return ReadDecimal(in, limit, value);
}

}  // namespace

bool CRasterPGX::Decode(CRasterStream* stream) {
  if (!stream) return false;
  auto fail = [this]() {
    SetLastError("error: cannot load image data");
    return false;
  };
  CStreamByteReader in(stream);
  if (in.Get() != 'P' || in.Get() != 'G') return fail();
  SkipBlanks(in);
  const int a = in.Get(), b = in.Get();
  bool bigEndian;
  if (a == 'M' && b == 'L') bigEndian = true;
  else if (a == 'L' && b == 'M') bigEndian = false;
  else return fail();
  SkipBlanks(in);
  bool isSigned = false;
  if (in.Peek() == '+' || in.Peek() == '-') isSigned = in.Get() == '-';
  uint32_t depth = 0, width = 0, height = 0;
  if (!ReadNumber(in, 16, depth) || !ReadNumber(in, INT32_MAX, width) || !ReadNumber(in, INT32_MAX, height))
    return fail();
  if (depth == 0 || width == 0 || height == 0) return fail();
  SkipBlanks(in);
  int c = in.Get();
  if (c == '\r' && in.Peek() == '\n') c = in.Get();
  if (c != '\n') return fail();

  const uint32_t bytes = depth > 8 ? 2 : 1;
  const uint64_t samples = uint64_t(width) * height;
  if (samples * 4 > kMaxComponentBytes) return SetLastError("error: cannot allocate memory"), false;
  const int64_t left = in.Left();
  if (left >= 0 && uint64_t(left) < samples * bytes) return fail();

  RasterComponents list;
  list.space = ComponentSpace::kGrey;
  list.components.resize(1);
  RasterComponent& component = list.components[0];
  try {
    component.Allocate(int32_t(width), int32_t(height), int32_t(depth), isSigned);
  } catch (const std::bad_alloc&) {
    return SetLastError("error: cannot allocate memory"), false;
  }
  std::vector<uint8_t> row(size_t(width) * bytes);
  for (uint32_t y = 0; y < height; ++y) {
    if (in.Read(row.data(), row.size()) != row.size()) return fail();
    for (uint32_t x = 0; x < width; ++x) {
      int32_t v;
      if (bytes == 1) {
        v = isSigned ? int32_t(int8_t(row[x])) : int32_t(row[x]);
      } else {
        const uint8_t* p = row.data() + 2 * size_t(x);
        const uint16_t u = bigEndian ? uint16_t(p[0] << 8 | p[1]) : uint16_t(p[1] << 8 | p[0]);
        v = isSigned ? int32_t(int16_t(u)) : int32_t(u);
      }
      component.owned[size_t(y) * width + x] = v;
    }
  }
  return BuildFromComponents(list, IMAGE_FORMAT_PGX);
}

bool CRasterPGX::Encode(CRasterStream* stream) {
  if (CheckEncodeTarget(stream)) return false;
  if (!IsPaletted()) {
    SetLastError("PGX can save only GrayScale images");
    return false;
  }
  RasterComponents list;
  if (!ComponentsFromPicture(list)) return false;
  const int32_t w = GetWidth();
  const int32_t h = GetHeight();
  char header[64];
  const int n = std::snprintf(header, sizeof header, "PG ML + 8 %d %d\n", w, h);
  std::vector<uint8_t> out(header, header + n);
  for (int32_t s : list.components[0].owned) out.push_back(uint8_t(s));
  if (!WriteBytes(stream, out.data(), out.size())) {
    SetLastError("error: cannot encode image\n");
    return false;
  }
  return true;
}
