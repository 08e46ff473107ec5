// Pictures the image tests build and compare: a reproducible pattern at any depth, the
// pixels of a picture as top-down red, green, blue, alpha bytes, and file helpers.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "image/Raster.h"

// What a test picture carries besides its pattern of colours.
enum class Extra { kNone, kTransparency, kPaletteAlpha };

struct PictureShape {
  int depth;  // 1, 4, 8 or 24
  int width;
  int height;
  Extra extra;  // 24 bits: kTransparency is an alpha plane of varied values
};

std::string Describe(const PictureShape& shape);

// Every depth (1, 4, 8, 24) and width (1, 3, 5, 17, 33), each with and without
// transparency, at the given height: the round-trip table of the file formats.
std::vector<PictureShape> AllDepthsAndWidths(int height);

// Creates the picture: paletted depths get distinct colours and a pattern of indices;
// kTransparency makes index 1 transparent (paletted) or adds an alpha plane (24 bits).
void FillPicture(CRaster& picture, const PictureShape& shape);

// Every pixel top line first as red, green, blue, alpha. Alpha follows the engine's rule:
// the alpha plane or palette alpha when there is one, else 0 at transparent pixels and 255
// elsewhere.
std::vector<uint8_t> ToRgba(const CRaster& picture);

// The same pixels with alpha forced to 255 (what a format without alpha keeps).
std::vector<uint8_t> Opaque(std::vector<uint8_t> rgba);

// Compares two RGBA pictures of the same size; colours of pixels whose alpha is 0 in
// both do not count. Returns an empty text when equal, else the first difference.
std::string CompareRgba(const std::vector<uint8_t>& expected, const std::vector<uint8_t>& actual,
                        int width);

std::vector<uint8_t> ReadFileBytes(const std::string& path);
bool WriteFileBytes(const std::string& path, const std::vector<uint8_t>& bytes);

// The picture encoded in a format; empty when encoding failed (the reason stays in the
// picture's last-error text).
std::vector<uint8_t> Encoded(CRaster& picture, int32_t format);

// Every pixel compared channel by channel, with a tolerance; empty when all are within it.
std::string CompareRgbaWithin(const std::vector<uint8_t>& expected, const std::vector<uint8_t>& actual,
                              int width, int tolerance);

// Decodes `file` into a picture that holds something already: empty when decoding failed
// with `error` and left that picture as it was, else what went wrong.
std::string RefusedKeepingPicture(const std::vector<uint8_t>& file, int32_t format,
                                  const char* error);
