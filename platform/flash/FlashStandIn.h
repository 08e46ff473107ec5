// The project's stand-in for the Flash Player control, for machines without one (the
// tests' machines): a COM server DLL (FlashStandIn.dll) with the control's class, whose
// object answers the members the engine's host uses by name through IDispatch, is an OLE
// object that activates in place in its site's window, draws through IViewObjectEx and
// fires the control's events through its connection point.
//
// It plays no real movie. It reads the movie's header for the frame rate and count, and
// draws the current frame (the time since the movie was set, at the movie's frame rate,
// looped) as a colour that tells the frame: over the whole drawing rectangle in the window
// mode "Window" (with GDI, so a 32-bit picture's alpha stays 0), and only over the inner
// half of it in the mode "transparent" (written with alpha 255; the rest is left alone).
//
// Setting the movie fires, in this order: OnReadyStateChange(1), OnProgress(50),
// OnProgress(100), OnReadyStateChange(4), FSCommand("loaded", the movie's path) and
// FlashCall(kStandInFlashCall), whose reply (given back through SetReturnValue) the member
// "StandInReturnValue" reads.
#pragma once

#include <windows.h>

#include <cstdint>

// Members beyond those of the real control, for the tests.
#define STANDIN_MEMBER_RETURN_VALUE L"StandInReturnValue"  // the last SetReturnValue text
#define STANDIN_MEMBER_DRAW_COUNT L"StandInDrawCount"      // Draw calls so far
#define STANDIN_MEMBER_DRAW_THREAD L"StandInDrawThread"    // thread id of the last Draw
#define STANDIN_MEMBER_FRAME L"FrameNum"                   // the current frame, as the real one

constexpr const char kStandInFlashCall[] = "<invoke name=\"ready\" returntype=\"xml\"></invoke>";

// The colour (a COLORREF) that draws frame `frame`: blue steps with the frame (five per
// frame, 52 frames apart), green 0x40, red 0xC0.
inline COLORREF StandInFrameColour(int32_t frame) {
  return RGB(0xC0, 0x40, (frame % 52) * 5);
}

// The frame a drawn colour tells, or -1 for a colour the stand-in does not draw.
inline int32_t StandInFrameOfColour(uint8_t blue, uint8_t green, uint8_t red) {
  if (green != 0x40 || red != 0xC0 || blue % 5 != 0) return -1;
  return blue / 5;
}

// The inner half of a drawing rectangle, which the transparent mode paints.
inline RECT StandInInnerRect(const RECT& bounds) {
  const LONG w = bounds.right - bounds.left, h = bounds.bottom - bounds.top;
  return RECT{bounds.left + w / 4, bounds.top + h / 4, bounds.right - w / 4, bounds.bottom - h / 4};
}
