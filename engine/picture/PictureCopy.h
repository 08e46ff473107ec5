// Decoding a picture for the engine and putting its pixels into a 32-bit surface.
#pragma once

#include <cstdint>

#include "engine/base/DibSurface.h"
#include "image/Raster.h"

// Decodes a picture file (size -1: `source` is a path, its format detected) or a PNG
// buffer of `size` bytes. The picture's frame to decode is honoured.
bool DecodePicture(CRaster& picture, const void* source, int64_t size);

// Writes the picture as blue, green, red, alpha into the band of `surface` (32 bits) whose
// top line is storage row `bandTop` and which is `bandHeight` rows high, the picture's top
// line at the band's top line. What does not fit the band and the surface is left out.
// Alpha is the picture's alpha plane or palette alpha when it has one, else 0 at its
// transparent pixels and 255 elsewhere.
void CopyPictureToBand(const CRaster& picture, CDibSurface& surface, int bandTop, int bandHeight);
