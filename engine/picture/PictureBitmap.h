// Pictures handed to the program as bitmaps and drawn into its device contexts.
#pragma once

#include <windows.h>

class CRaster;

// A DIB section holding the picture's own header, palette and pixel rows (its alpha plane
// is not part of it); the caller owns it and frees it with DeleteObject. Null for an empty
// picture or when the system refuses the section.
HBITMAP MakeDibSection(const CRaster& picture);

// Draws the picture into the rectangle of the device context, scaled by nearest neighbour,
// over what the context shows: pixels with alpha (the alpha plane or palette alpha) or the
// picture's transparent colour are blended. False when there is nothing to draw.
bool DrawPictureInRect(const CRaster& picture, HDC dc, const RECT& rect);
