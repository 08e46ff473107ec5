#include "tests/image/TestPictures.h"

#include <cstdio>
#include <sstream>

std::string Describe(const PictureShape& shape) {
  std::ostringstream s;
  s << shape.depth << "bit_w" << shape.width << "_h" << shape.height
    << (shape.extra == Extra::kTransparency   ? "_transparent"
        : shape.extra == Extra::kPaletteAlpha ? "_palettealpha"
                                             : "");
  return s.str();
}

void FillPicture(CRaster& picture, const PictureShape& shape) {
  picture.Create(shape.width, shape.height, shape.depth, IMAGE_FORMAT_UNKNOWN);
  const uint32_t colours = picture.GetPaletteSize();
  for (uint32_t i = 0; i < colours; ++i)
    picture.SetPaletteEntry(i, uint8_t(i * 53 + 17), uint8_t(i * 101 + 3), uint8_t(i * 29 + 200),
                            shape.extra == Extra::kPaletteAlpha ? uint8_t(255 - i * 37) : 0);
  if (shape.extra == Extra::kPaletteAlpha) picture.EnablePaletteAlpha(true);
  picture.Clear(0);
  for (int y = 0; y < shape.height; ++y)
    for (int x = 0; x < shape.width; ++x) {
      if (colours) {
        picture.SetPixelIndex(x, y, uint8_t((x * 3 + y * 7 + x * y) % colours));
      } else {
        RGBQUAD c = {};
        c.rgbRed = uint8_t(x * 37 + y * 11);
        c.rgbGreen = uint8_t(x * 5 + y * 29 + 7);
        c.rgbBlue = uint8_t(x * y + 90);
        picture.SetPixelColor(x, y, c, false);
      }
    }
  if (shape.extra == Extra::kTransparency) {
    if (colours) {
      picture.SetTransparentIndex(1);
    } else {
      picture.CreateAlphaPlane();
      static const uint8_t kAlpha[] = {0, 255, 128, 40, 255, 7};
      for (int y = 0; y < shape.height; ++y)
        for (int x = 0; x < shape.width; ++x) picture.SetAlpha(x, y, kAlpha[(x + 2 * y) % 6]);
    }
  }
}

std::vector<uint8_t> ToRgba(const CRaster& picture) {
  const int w = picture.GetWidth(), h = picture.GetHeight();
  std::vector<uint8_t> out;
  out.reserve(size_t(w) * h * 4);
  const bool quadAlpha = picture.HasAlphaPlane() || picture.HasPaletteAlpha();
  for (int line = 0; line < h; ++line)
    for (int x = 0; x < w; ++x) {
      const int y = h - 1 - line;
      const RGBQUAD c = picture.GetPixelColor(x, y, true);
      uint8_t alpha = 255;
      if (quadAlpha)
        alpha = c.rgbReserved;
      else if (picture.HasTransparentColor() && picture.IsPixelTransparent(x, y))
        alpha = 0;
      out.insert(out.end(), {c.rgbRed, c.rgbGreen, c.rgbBlue, alpha});
    }
  return out;
}

std::vector<uint8_t> Opaque(std::vector<uint8_t> rgba) {
  for (size_t i = 3; i < rgba.size(); i += 4) rgba[i] = 255;
  return rgba;
}

std::string CompareRgba(const std::vector<uint8_t>& expected, const std::vector<uint8_t>& actual,
                        int width) {
  if (expected.size() != actual.size()) return "sizes differ";
  for (size_t i = 0; i < expected.size(); i += 4) {
    const bool bothClear = expected[i + 3] == 0 && actual[i + 3] == 0;
    for (size_t c = 0; c < 4; ++c) {
      if (bothClear && c < 3) continue;
      if (expected[i + c] != actual[i + c]) {
        std::ostringstream s;
        const size_t pixel = i / 4;
        s << "pixel (" << pixel % width << ", " << pixel / width << " from the top) channel " << c
          << ": expected " << int(expected[i + c]) << ", got " << int(actual[i + c]);
        return s.str();
      }
    }
  }
  return "";
}

std::vector<uint8_t> ReadFileBytes(const std::string& path) {
  std::vector<uint8_t> bytes;
  FILE* f = std::fopen(path.c_str(), "rb");
  if (!f) return bytes;
  uint8_t buffer[65536];
  size_t n;
  while ((n = std::fread(buffer, 1, sizeof buffer, f)) > 0)
    bytes.insert(bytes.end(), buffer, buffer + n);
  std::fclose(f);
  return bytes;
}

bool WriteFileBytes(const std::string& path, const std::vector<uint8_t>& bytes) {
  FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) return false;
  const bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
  return std::fclose(f) == 0 && ok;
}

std::vector<PictureShape> AllDepthsAndWidths(int height) {
  std::vector<PictureShape> shapes;
  for (int depth : {1, 4, 8, 24})
    for (int width : {1, 3, 5, 17, 33})
      for (Extra extra : {Extra::kNone, Extra::kTransparency})
        shapes.push_back({depth, width, height, extra});
  return shapes;
}

std::vector<uint8_t> Encoded(CRaster& picture, int32_t format) {
  uint8_t* buffer = nullptr;
  size_t size = 0;
  if (!picture.EncodeMemory(buffer, size, format)) return {};
  std::vector<uint8_t> bytes(buffer, buffer + size);
  CRaster::FreeBuffer(buffer);
  return bytes;
}

std::string CompareRgbaWithin(const std::vector<uint8_t>& expected, const std::vector<uint8_t>& actual,
                              int width, int tolerance) {
  if (expected.size() != actual.size()) return "sizes differ";
  for (size_t i = 0; i < expected.size(); ++i) {
    const int d = int(expected[i]) - int(actual[i]);
    if (d > tolerance || d < -tolerance) {
      std::ostringstream s;
      const size_t pixel = i / 4;
      s << "pixel (" << pixel % width << ", " << pixel / width << " from the top) channel " << i % 4
        << ": expected " << int(expected[i]) << ", got " << int(actual[i]);
      return s.str();
    }
  }
  return "";
}

std::string RefusedKeepingPicture(const std::vector<uint8_t>& file, int32_t format,
                                  const char* error) {
  CRaster picture(2, 2, 8, 0);
  picture.Clear(7);
  if (picture.DecodeMemory(file.data(), file.size(), format)) return "decoded";
  if (std::string(picture.GetLastError()) != error)
    return std::string("failed with \"") + picture.GetLastError() + "\"";
  if (!picture.HasPixels() || picture.GetWidth() != 2 || picture.GetPixelIndex(1, 1) != 7)
    return "the picture changed";
  return "";
}
