// Window shapes from mask pictures (black pixels belong to the window, all others are cut
// away), the platform checks that decide whether translucent (layered) windows can be
// used, a window's translucency, copies of the screen, and the work area of the monitor
// that holds a window, so that menus, hints and magnetic edges stay on it.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "framework/Graphics.h"
#include "skin/data/Dib24.h"

// A 24-bit top-down copy of a bitmap for fast scanning: rows padded to 4 bytes, 3 bytes
// per pixel in blue, green, red order, with a memory device context holding the copy.
class TFBitmap : public TspDib24 {
 public:
  explicit TFBitmap(HBITMAP Bitmap);
  ~TFBitmap() override;

  // RowPointers[y]: the first byte of row y (0 = top); nullptr outside the picture.
  uint8_t* GetRowPointer(int Y) const;
  int GetRowStride() const { return GetRowBytes(); }
  int GetRowGap() const { return FWidth % 4; }
  HDC GetMemoryDC() const { return FMemoryDC; }

 private:
  std::vector<uint8_t*> FRowPointers;
  HDC FMemoryDC = nullptr;
  HGDIOBJ FOldBitmap = nullptr;
};

// The region data (RGNDATA) of the mask's pure black pixels, one rectangle per horizontal
// run, shifted by the offsets; the result is Data's size in bytes (32 + 16 per rectangle),
// 0 with Data untouched for an empty mask (a bitmap without pixels). A mask with pixels but
// none of them black gives the 32-byte header alone: data of a region without any area.
int CreateRgnDataFromMask(TBitmap* Mask, int OffsetX, int OffsetY, std::vector<uint8_t>& Data);
// The region of the mask's black pixels (0 for an empty mask); the caller owns it.
// A mask without black pixels gives an EMPTY region, not 0: a window given that region
// vanishes. Callers that set a window's region from it must test it (GetRgnBox answers
// NULLREGION) and treat it as "no region": delete it and give the window none.
void CreateRegionFromMask(HRGN& Rgn, TBitmap* Mask);
// The region of a window frame at the new size: the client rectangle united with the
// regions of the four border masks cut from Mask (see CreateSkinBorderMasks). 0 when the
// new corner points are reversed or NewClRect is empty. The caller owns it.
void CreateSkinRegion(HRGN& Rgn, const TPoint& LTPoint, const TPoint& RTPoint,
                      const TPoint& LBPoint, const TPoint& RBPoint, const TRect& ClRect,
                      const TPoint& NewLTPoint, const TPoint& NewRTPoint, const TPoint& NewLBPoint,
                      const TPoint& NewRBPoint, const TRect& NewClRect, TBitmap* Mask, int NewW,
                      int NewH);

// Platform facts read when the program starts: the platform is Windows NT, and the
// monitor functions of user32 (nullptr when the system lacks them).
extern bool PlatformIsNT;
using TMonitorFromWindow = HMONITOR(WINAPI*)(HWND, DWORD);
using TGetMonitorInfo = BOOL(WINAPI*)(HMONITOR, LPMONITORINFO);
extern TMonitorFromWindow MonitorFromWindowEntry;
extern TGetMonitorInfo GetMonitorInfoEntry;

// The low byte (major) and the second byte (minor) of GetVersion.
void GetWindowsVersion(int& Major, int& Minor);
// Rules on a version: Vista or later (major above 5); XP or later (above 5, or exactly
// 5.1); 2000 or later (above 5, or 5.0, 5.1, 5.2): layered windows can be used.
bool IsWindowsVistaOrLater(int Major, int Minor);
bool IsWindowsXPOrLater(int Major, int Minor);
bool IsWindows2000OrLater(int Major, int Minor);
// The same rules on the running system.
bool IsWindowsVistaOrLater();
bool IsWindowsXPOrLater();
bool IsWindows2000OrLater();

// SetLayeredWindowAttributes(Wnd, 0, Alpha, LWA_ALPHA), looked up in "USER32" on every
// call; nothing without it.
void SetLayeredAlpha(HWND Wnd, int Alpha);
// The screen area of the bitmap's size at (X, Y) copied into the bitmap.
void CopyScreenToBitmap(int X, int Y, TBitmap* Bitmap);
// More than one monitor, and the monitor functions exist.
bool MultiMonitorAvailable();
// The work area of the screen (WorkArea) or the whole screen.
TRect GetScreenWorkArea(bool WorkArea);
// The work area (WorkArea) or the whole area of the monitor nearest to the window; the
// screen's when there is only one monitor or the monitor cannot be asked.
TRect GetMonitorWorkArea(HWND Wnd, bool WorkArea);
// The same through the monitor functions whatever the number of monitors (the screen's
// area when they are missing or fail).
TRect GetNearestMonitorArea(HWND Wnd, bool WorkArea);
