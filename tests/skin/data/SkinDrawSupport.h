// Helpers of the skin toolkit's tests on real GDI: pictures made from a pattern, pixels
// read back as RGB values, and pictures saved for a look by eye.
#pragma once

#include <functional>
#include <memory>

#include "framework/Graphics.h"
#include "tests/framework/FormTestSupport.h"

using TBitmapPtr = TOwned<TBitmap>;

// An RGB value (red in the low byte) from its channels.
constexpr TColor Rgb(int R, int G, int B) { return TColor(R | G << 8 | B << 16); }

// A bitmap of the format whose pixel (x, y) has the colour Pattern(x, y).
TBitmapPtr MakeBitmap(int W, int H, const std::function<TColor(int, int)>& Pattern,
                      TPixelFormat Format = pf24bit);
// A bitmap filled with one colour.
TBitmapPtr FilledBitmap(int W, int H, TColor Color, TPixelFormat Format = pf24bit);
// The RGB value of a pixel of a bitmap.
TColor PixelOf(TBitmap* Bitmap, int X, int Y);
// Saves the bitmap as "<name>.bmp" into the folder TAVISCO_SHOT_DIR names (nothing when
// it is not set), for a look at what the routines drew.
void SaveShot(TBitmap* Bitmap, const char* Name);
