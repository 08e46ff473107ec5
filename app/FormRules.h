// Rules of the preview box, the preview window and the options dialog that need no
// window: docking the box to a side of the main window, scaling preview points to output
// pixels, the output sizes of the size list and the slider's hint. Portable.
#pragma once

#include "framework/Types.h"
#include "framework/System.h"

// Sides of the main window the preview box docks to.
enum TMagnetSide { msNone = -1, msAbove = 0, msRight = 1, msBelow = 2, msLeft = 3 };

// Where a box at BoxRect docks to a main window at MainRect: when an edge of the box lies
// less than Distance pixels from the facing edge of the main window and the ranges along
// that edge overlap (an end of either inside the other, ends included), the side and the
// offset along it (box top minus main top on the left and right, box left minus main left
// above and below). The left side is tried first, then the right, above and below; none
// gives msNone.
struct TMagnetDock {
  TMagnetSide Side = msNone;
  int Offset = 0;
};
TMagnetDock FindMagnetDock(const TRect& BoxRect, const TRect& MainRect, int Distance);

// The docking kept in the settings: a side from 0 to 3 (anything else: not docked) and an
// offset brought into -32768..32767, so that placing the box cannot overflow.
TMagnetDock StoredMagnetDock(int Side, int Offset);

// A client width or height of the box kept in the settings, or the default when it is
// below 1 or above 8192 pixels.
int StoredBoxSize(int Value, int Default);

// The top-left corner of a box of BoxWidth x BoxHeight docked on a side of the main
// window at an offset; msNone gives the main window's top-left corner.
TPoint MagnetPlace(TMagnetSide Side, int Offset, int BoxWidth, int BoxHeight, const TRect& MainRect);

// A coordinate of a window ClientSize pixels across scaled to an output OutputSize pixels
// across (integer division towards zero); unscaled when ClientSize is 0.
int ScalePreviewCoordinate(int Value, int OutputSize, int ClientSize);

// The output size of an item of the options' size list: 176x144, 320x240, 352x288,
// 640x480; any other index (-1 too) gives 320x240.
TSize WebcamSourceSizeOf(int Index);

// A window's rectangle moved (not sized, unless it is larger than the area) so that it
// lies inside the area: a place kept from a screen layout that has changed (a monitor
// since removed) brought back where the user can reach it. A window already inside stays.
TRect KeepInsideArea(const TRect& Window, const TRect& Area);

// The position slider's hint after a seek: "   mm:ss / mm:ss" of the position and the
// length, both in milliseconds.
AnsiString MediaSliderHint(int PositionMs, int LengthMs);
