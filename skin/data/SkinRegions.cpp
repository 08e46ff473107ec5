#include "skin/data/SkinRegions.h"

#include <algorithm>
#include <cstdlib>

#include "skin/data/SkinImages.h"
#include "skin/data/SkinLayout.h"

// ---------------------------------------------------------------------------------------
// TFBitmap

TFBitmap::TFBitmap(HBITMAP Bitmap) {
  {
    TWindowDC screen;
    CreateFromBitmap(Bitmap, screen);
  }
  if (!FPixelBits) return;
  FRowPointers.resize(size_t(FHeight));
  for (int y = 0; y < FHeight; ++y)
    FRowPointers[size_t(y)] = FPixelBits + size_t(y) * size_t(GetRowBytes());
  FMemoryDC = CreateCompatibleDC(nullptr);
  if (FMemoryDC) FOldBitmap = SelectObject(FMemoryDC, FDibHandle);
}

TFBitmap::~TFBitmap() {
  if (FMemoryDC) {
    SelectObject(FMemoryDC, FOldBitmap);
    DeleteDC(FMemoryDC);
  }
}

uint8_t* TFBitmap::GetRowPointer(int Y) const {
  return Y >= 0 && Y < FHeight ? FRowPointers[size_t(Y)] : nullptr;
}

// ---------------------------------------------------------------------------------------
// Regions from masks

int CreateRgnDataFromMask(TBitmap* Mask, int OffsetX, int OffsetY, std::vector<uint8_t>& Data) {
  if (!Mask || Mask->GetEmpty()) return 0;
  std::vector<TRect> rects;
  int w = 0, h = 0;
  {
    TFBitmap copy(Mask->GetHandle());
    w = copy.GetWidth();
    h = copy.GetHeight();
    CollectMaskRuns(
        w, h, [&copy](int y) { return copy.GetRowPointer(y); }, OffsetX, OffsetY, rects);
  }
  Data = BuildRegionData(
      rects, Rect(OffsetX, OffsetY, OffsetX + Mask->GetWidth(), OffsetY + Mask->GetHeight()));
  return static_cast<int>(Data.size());
}

namespace {

HRGN RegionFromData(const std::vector<uint8_t>& Data) {
  return ExtCreateRegion(nullptr, static_cast<DWORD>(Data.size()),
                         reinterpret_cast<const RGNDATA*>(Data.data()));
}

}  // namespace

void CreateRegionFromMask(HRGN& Rgn, TBitmap* Mask) {
  Rgn = nullptr;
  std::vector<uint8_t> data;
  if (CreateRgnDataFromMask(Mask, 0, 0, data) > 0) Rgn = RegionFromData(data);
}

void CreateSkinRegion(HRGN& Rgn, const TPoint& LTPoint, const TPoint& RTPoint,
                      const TPoint& LBPoint, const TPoint& RBPoint, const TRect& ClRect,
                      const TPoint& NewLTPoint, const TPoint& NewRTPoint, const TPoint& NewLBPoint,
                      const TPoint& NewRBPoint, const TRect& NewClRect, TBitmap* Mask, int NewW,
                      int NewH) {
  Rgn = nullptr;
  if (NewRTPoint.X < NewLTPoint.X || NewLBPoint.Y < NewLTPoint.Y) return;
  TBitmap top, left, right, bottom;
  CreateSkinBorderMasks(LTPoint, RTPoint, LBPoint, RBPoint, ClRect, NewLTPoint, NewRTPoint,
                        NewLBPoint, NewRBPoint, NewClRect, Mask, &top, &left, &right, &bottom, NewW,
                        NewH);
  struct TPart {
    TBitmap* Mask;
    TPoint Offset;
  };
  const TPart parts[] = {{&top, Point(0, 0)},
                         {&bottom, Point(0, NewClRect.Bottom)},
                         {&left, Point(0, NewClRect.Top)},
                         {&right, Point(NewClRect.Right, NewClRect.Top)}};
  std::vector<HRGN> borders;
  for (const TPart& part : parts) {
    if (part.Mask->GetWidth() <= 0 || part.Mask->GetHeight() <= 0) continue;
    std::vector<uint8_t> data;
    if (CreateRgnDataFromMask(part.Mask, part.Offset.X, part.Offset.Y, data) > 0)
      if (HRGN border = RegionFromData(data)) borders.push_back(border);
  }
  if (NewClRect.Width() > 0 && NewClRect.Height() > 0) {
    Rgn = CreateRectRgn(NewClRect.Left, NewClRect.Top, NewClRect.Right, NewClRect.Bottom);
    for (HRGN border : borders) CombineRgn(Rgn, Rgn, border, RGN_OR);
  }
  for (HRGN border : borders) DeleteObject(border);
}

// ---------------------------------------------------------------------------------------
// Platform

bool PlatformIsNT = false;
TMonitorFromWindow MonitorFromWindowEntry = nullptr;
TGetMonitorInfo GetMonitorInfoEntry = nullptr;

namespace {

// Looks the platform facts up when the program starts and forgets them when it ends.
struct TPlatformUnit {
  TPlatformUnit() {
    OSVERSIONINFOA info = {};
    info.dwOSVersionInfoSize = sizeof(info);
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
    if (GetVersionExA(&info)) PlatformIsNT = info.dwPlatformId == VER_PLATFORM_WIN32_NT;
#pragma GCC diagnostic pop
    if (HMODULE user32 = GetModuleHandleA("user32.dll")) {
      MonitorFromWindowEntry = reinterpret_cast<TMonitorFromWindow>(
          reinterpret_cast<void*>(GetProcAddress(user32, "MonitorFromWindow")));
      GetMonitorInfoEntry = reinterpret_cast<TGetMonitorInfo>(
          reinterpret_cast<void*>(GetProcAddress(user32, "GetMonitorInfoA")));
    }
  }
  ~TPlatformUnit() {
    MonitorFromWindowEntry = nullptr;
    GetMonitorInfoEntry = nullptr;
  }
};
TPlatformUnit g_PlatformUnit;

}  // namespace

void GetWindowsVersion(int& Major, int& Minor) {
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
  const DWORD version = GetVersion();
#pragma GCC diagnostic pop
  Major = int(version & 0xFF);
  Minor = int((version >> 8) & 0xFF);
}

bool IsWindowsVistaOrLater(int Major, int Minor) { return Major > 5; }
bool IsWindowsXPOrLater(int Major, int Minor) { return Major > 5 || (Major == 5 && Minor == 1); }
bool IsWindows2000OrLater(int Major, int Minor) {
  return Major > 5 || (Major == 5 && Minor >= 0 && Minor <= 2);
}

bool IsWindowsVistaOrLater() {
  int major, minor;
  GetWindowsVersion(major, minor);
  return IsWindowsVistaOrLater(major, minor);
}

bool IsWindowsXPOrLater() {
  int major, minor;
  GetWindowsVersion(major, minor);
  return IsWindowsXPOrLater(major, minor);
}

bool IsWindows2000OrLater() {
  int major, minor;
  GetWindowsVersion(major, minor);
  return IsWindows2000OrLater(major, minor);
}

void SetLayeredAlpha(HWND Wnd, int Alpha) {
  using TSetLayeredWindowAttributes = BOOL(WINAPI*)(HWND, COLORREF, BYTE, DWORD);
  HMODULE user32 = LoadLibraryA("USER32");
  if (!user32) return;
  auto setAttributes = reinterpret_cast<TSetLayeredWindowAttributes>(
      reinterpret_cast<void*>(GetProcAddress(user32, "SetLayeredWindowAttributes")));
  if (setAttributes) setAttributes(Wnd, 0, static_cast<BYTE>(Alpha), LWA_ALPHA);
  FreeLibrary(user32);
}

void CopyScreenToBitmap(int X, int Y, TBitmap* Bitmap) {
  if (!Bitmap || Bitmap->GetEmpty()) return;
  TWindowDC screen;
  TCanvas* canvas = Bitmap->GetCanvas();
  canvas->Lock();
  BitBlt(canvas->GetHandle(), 0, 0, Bitmap->GetWidth(), Bitmap->GetHeight(), screen, X, Y, SRCCOPY);
  canvas->Unlock();
}

bool MultiMonitorAvailable() {
  return GetSystemMetrics(SM_CMONITORS) > 1 && GetMonitorInfoEntry != nullptr;
}

TRect GetScreenWorkArea(bool WorkArea) {
  if (WorkArea) {
    RECT r = {};
    if (SystemParametersInfoA(SPI_GETWORKAREA, 0, &r, 0)) return FromRECT(r);
  }
  return Rect(0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN));
}

TRect GetNearestMonitorArea(HWND Wnd, bool WorkArea) {
  if (!MonitorFromWindowEntry || !GetMonitorInfoEntry) return GetScreenWorkArea(WorkArea);
  MONITORINFO info = {};
  info.cbSize = sizeof(info);
  HMONITOR monitor = MonitorFromWindowEntry(Wnd, MONITOR_DEFAULTTONEAREST);
  // A monitor that cannot be asked leaves the screen's area, never an unset rectangle.
  if (!monitor || !GetMonitorInfoEntry(monitor, &info)) return GetScreenWorkArea(WorkArea);
  return FromRECT(WorkArea ? info.rcWork : info.rcMonitor);
}

TRect GetMonitorWorkArea(HWND Wnd, bool WorkArea) {
  if (!MultiMonitorAvailable()) return GetScreenWorkArea(WorkArea);
  return GetNearestMonitorArea(Wnd, WorkArea);
}
