// Window regions from mask pictures, the frame region of a nine-part mask at a new size,
// the version rules, layered-window alpha and the monitor work areas.
#include <gtest/gtest.h>

#include <vector>

#include "skin/data/SkinRegions.h"
#include "tests/skin/data/SkinDrawSupport.h"

namespace {

int32_t Int32At(const std::vector<uint8_t>& Data, size_t At) {
  return int32_t(uint32_t(Data[At]) | uint32_t(Data[At + 1]) << 8 | uint32_t(Data[At + 2]) << 16 |
                 uint32_t(Data[At + 3]) << 24);
}

// A mask from rows of text: '#' black, '.' white, 'r' a dark red (1, 0, 0).
TBitmapPtr MaskOf(const std::vector<const char*>& Rows, TPixelFormat Format = pf24bit) {
  const int w = int(strlen(Rows[0]));
  return MakeBitmap(
      w, int(Rows.size()),
      [&Rows](int x, int y) {
        const char c = Rows[size_t(y)][x];
        return c == '#' ? Rgb(0, 0, 0) : c == 'r' ? Rgb(1, 0, 0) : Rgb(255, 255, 255);
      },
      Format);
}

struct TRegion {
  HRGN Handle = nullptr;
  ~TRegion() {
    if (Handle) DeleteObject(Handle);
  }
};

}  // namespace

TEST(SkinRegions, MaskGivesRegionDataOfItsPureBlackRuns) {
  for (TPixelFormat format : {pf24bit, pf32bit, pfDevice}) {
    TBitmapPtr mask = MaskOf({"...#####..", "..........", "#r#......#"}, format);
    std::vector<uint8_t> data;
    ASSERT_EQ(32 + 16 * 4, CreateRgnDataFromMask(mask.get(), 7, 9, data)) << format;
    ASSERT_EQ(size_t(32 + 16 * 4), data.size());
    const int32_t expected[] = {32, 1,  4,  0,  7,  9,  17, 12,  // header: bound = offsets + size
                                10, 9,  15, 10,                  // row 0: x = 3 .. 7
                                7,  11, 8,  12,                  // row 2: the dark pixel splits
                                9,  11, 10, 12, 16, 11, 17, 12};
    for (size_t i = 0; i < sizeof(expected) / sizeof(expected[0]); ++i)
      EXPECT_EQ(expected[i], Int32At(data, 4 * i)) << "field " << i << " format " << format;
  }
  // A wholly white mask: the header alone; an empty bitmap: 0, and Data untouched.
  TBitmapPtr white = MaskOf({"....", "...."});
  std::vector<uint8_t> data;
  EXPECT_EQ(32, CreateRgnDataFromMask(white.get(), 0, 0, data));
  EXPECT_EQ(0, Int32At(data, 8));
  TBitmapPtr empty(new TBitmap);
  data.assign(3, 0xEE);
  EXPECT_EQ(0, CreateRgnDataFromMask(empty.get(), 0, 0, data));
  EXPECT_EQ(3u, data.size());
  EXPECT_EQ(0, CreateRgnDataFromMask(nullptr, 0, 0, data));
}

TEST(SkinRegions, RegionFromMaskHoldsExactlyTheBlackPixels) {
  const std::vector<const char*> rows = {".##.", "####", "#r.#"};
  TBitmapPtr mask = MaskOf(rows);
  // The canvas still holds the bitmap while the region is made from it.
  mask->GetCanvas()->GetPixel(0, 0);
  TRegion rgn;
  CreateRegionFromMask(rgn.Handle, mask.get());
  ASSERT_NE(nullptr, rgn.Handle);
  for (int y = 0; y < 3; ++y)
    for (int x = 0; x < 4; ++x)
      EXPECT_EQ(rows[size_t(y)][x] == '#', PtInRegion(rgn.Handle, x, y) != FALSE) << x << "," << y;
  TRegion none;
  TBitmapPtr white = MaskOf({"..", ".."});
  CreateRegionFromMask(none.Handle, white.get());
  // A mask without black pixels gives an empty region (which callers must not give a
  // window: it would vanish); an empty bitmap none at all.
  ASSERT_NE(nullptr, none.Handle);
  RECT box;
  EXPECT_EQ(NULLREGION, GetRgnBox(none.Handle, &box));
  TBitmapPtr empty(new TBitmap);
  TRegion nothing;
  nothing.Handle = CreateRectRgn(0, 0, 1, 1);
  DeleteObject(nothing.Handle);
  CreateRegionFromMask(nothing.Handle, empty.get());
  EXPECT_EQ(nullptr, nothing.Handle);
}

TEST(SkinRegions, SkinRegionIsTheClientRectangleWithTheBorderMasksAtTheNewSize) {
  // A 12 x 10 frame mask with cut corners: the corner pixels are white, a notch in the
  // middle of the top band (columns 5..6 of row 0) is white too and gets tiled.
  std::vector<const char*> rows = {
      "..###..###..",  //
      ".##########.",  //
      "############",  //
      "############",  //
      "############",  //
      "############",  //
      "############",  //
      "############",  //
      ".##########.",  //
      "..########..",
  };
  TBitmapPtr mask = MaskOf(rows);
  const TRect cl = Rect(3, 3, 9, 7);
  const TPoint lt(4, 4), rt(8, 4), lb(4, 6), rb(8, 6);
  // At 20 x 16: the client grows by 8 and 6; the top band's middle (columns 4..7) is tiled
  // from 4 to 16, so its notch (source columns 5 and 6 of row 0) repeats every 4 columns.
  const TRect newCl = Rect(3, 3, 17, 13);
  const TPoint nlt(4, 4), nrt(16, 4), nlb(4, 12), nrb(16, 12);
  TRegion rgn;
  CreateSkinRegion(rgn.Handle, lt, rt, lb, rb, cl, nlt, nrt, nlb, nrb, newCl, mask.get(), 20, 16);
  ASSERT_NE(nullptr, rgn.Handle);
  RECT box;
  ASSERT_EQ(COMPLEXREGION, GetRgnBox(rgn.Handle, &box));
  EXPECT_EQ(Rect(0, 0, 20, 16), FromRECT(box));
  struct TProbe {
    int x, y;
    bool inside;
  };
  const TProbe probes[] = {
      {0, 0, false},  {1, 0, false},  {2, 0, true},   {4, 0, true},    {5, 0, false},
      {6, 0, false},  {7, 0, true},   {9, 0, false},  {10, 0, false},  {11, 0, true},
      {12, 0, true},  {13, 0, false}, {15, 0, true},  {16, 0, true},   {17, 0, true},
      {18, 0, false}, {19, 0, false}, {0, 1, false},  {19, 1, false},  {1, 1, true},
      {0, 8, true},   {10, 8, true},  {19, 12, true}, {0, 14, false},  {0, 15, false},
      {1, 15, false}, {2, 15, true},  {17, 15, true}, {18, 15, false}, {19, 14, false},
      {18, 14, true},
  };
  for (const TProbe& p : probes)
    EXPECT_EQ(p.inside, PtInRegion(rgn.Handle, p.x, p.y) != FALSE) << p.x << "," << p.y;

  // Reversed new points or an empty new client rectangle give no region.
  TRegion none;
  CreateSkinRegion(none.Handle, lt, rt, lb, rb, cl, nlt, Point(3, 4), nlb, nrb, newCl, mask.get(),
                   20, 16);
  EXPECT_EQ(nullptr, none.Handle);
  CreateSkinRegion(none.Handle, lt, rt, lb, rb, cl, nlt, nrt, Point(4, 3), nrb, newCl, mask.get(),
                   20, 16);
  EXPECT_EQ(nullptr, none.Handle);
  CreateSkinRegion(none.Handle, lt, rt, lb, rb, cl, nlt, nrt, nlb, nrb, Rect(3, 3, 3, 13),
                   mask.get(), 20, 16);
  EXPECT_EQ(nullptr, none.Handle);
}

TEST(SkinRegions, VersionRulesDecideLayeredWindowsAndShadows) {
  struct Case {
    int major, minor;
    bool vista, xp, w2000;
  };
  const Case cases[] = {
      {4, 0, false, false, false}, {4, 10, false, false, false}, {5, 0, false, false, true},
      {5, 1, false, true, true},   {5, 2, false, false, true},   {5, 3, false, false, false},
      {6, 0, true, true, true},    {6, 1, true, true, true},     {10, 0, true, true, true},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(c.vista, IsWindowsVistaOrLater(c.major, c.minor)) << c.major << "." << c.minor;
    EXPECT_EQ(c.xp, IsWindowsXPOrLater(c.major, c.minor)) << c.major << "." << c.minor;
    EXPECT_EQ(c.w2000, IsWindows2000OrLater(c.major, c.minor)) << c.major << "." << c.minor;
  }
  int major = 0, minor = 0;
  GetWindowsVersion(major, minor);
  const DWORD version = GetVersion();
  EXPECT_EQ(int(LOBYTE(LOWORD(version))), major);
  EXPECT_EQ(int(HIBYTE(LOWORD(version))), minor);
  EXPECT_EQ(IsWindows2000OrLater(major, minor), IsWindows2000OrLater());
  EXPECT_EQ(IsWindowsXPOrLater(major, minor), IsWindowsXPOrLater());
  EXPECT_EQ(IsWindowsVistaOrLater(major, minor), IsWindowsVistaOrLater());
  // Read when the program started.
  EXPECT_TRUE(PlatformIsNT);
  EXPECT_NE(nullptr, MonitorFromWindowEntry);
  EXPECT_NE(nullptr, GetMonitorInfoEntry);
}

TEST(SkinRegions, LayeredAlphaIsSetOnLayeredWindows) {
  HWND wnd = CreateWindowExA(WS_EX_LAYERED | WS_EX_TOOLWINDOW, "STATIC", "", WS_POPUP, 0, 0, 20, 20,
                             nullptr, nullptr, nullptr, nullptr);
  ASSERT_NE(nullptr, wnd);
  for (int alpha : {77, 255, 0, 200}) {
    SetLayeredAlpha(wnd, alpha);
    COLORREF key = 1;
    BYTE value = 0;
    DWORD flags = 0;
    ASSERT_TRUE(GetLayeredWindowAttributes(wnd, &key, &value, &flags));
    EXPECT_EQ(alpha, value);
    EXPECT_EQ(DWORD(LWA_ALPHA), flags);
  }
  DestroyWindow(wnd);
}

namespace {

BOOL WINAPI FailingMonitorInfo(HMONITOR, LPMONITORINFO) { return FALSE; }

}  // namespace

TEST(SkinRegions, MonitorAreasFallBackToTheScreenArea) {
  RECT work = {};
  ASSERT_TRUE(SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0));
  EXPECT_EQ(FromRECT(work), GetScreenWorkArea(true));
  EXPECT_EQ(Rect(0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)),
            GetScreenWorkArea(false));
  HWND wnd = CreateWindowExA(WS_EX_TOOLWINDOW, "STATIC", "", WS_POPUP, 10, 10, 20, 20, nullptr,
                             nullptr, nullptr, nullptr);
  ASSERT_NE(nullptr, wnd);
  // One monitor: the screen's areas.
  ASSERT_EQ(1, GetSystemMetrics(SM_CMONITORS));
  EXPECT_FALSE(MultiMonitorAvailable());
  EXPECT_EQ(GetScreenWorkArea(true), GetMonitorWorkArea(wnd, true));
  EXPECT_EQ(GetScreenWorkArea(false), GetMonitorWorkArea(wnd, false));
  // Through the monitor functions: the monitor's own areas.
  MONITORINFO info = {};
  info.cbSize = sizeof(info);
  ASSERT_TRUE(GetMonitorInfoA(MonitorFromWindow(wnd, MONITOR_DEFAULTTONEAREST), &info));
  EXPECT_EQ(FromRECT(info.rcWork), GetNearestMonitorArea(wnd, true));
  EXPECT_EQ(FromRECT(info.rcMonitor), GetNearestMonitorArea(wnd, false));
  // A monitor that cannot be asked gives the screen's areas, not an unset rectangle.
  const TGetMonitorInfo saved = GetMonitorInfoEntry;
  GetMonitorInfoEntry = FailingMonitorInfo;
  EXPECT_EQ(GetScreenWorkArea(true), GetNearestMonitorArea(wnd, true));
  EXPECT_EQ(GetScreenWorkArea(false), GetNearestMonitorArea(wnd, false));
  GetMonitorInfoEntry = nullptr;
  EXPECT_EQ(GetScreenWorkArea(true), GetNearestMonitorArea(wnd, true));
  EXPECT_EQ(GetScreenWorkArea(true), GetMonitorWorkArea(wnd, true));
  GetMonitorInfoEntry = saved;
  DestroyWindow(wnd);
}
