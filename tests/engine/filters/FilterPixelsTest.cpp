// What the pixel filters do to a frame: the arithmetic of each filter on pictures whose
// result is known, as a table; frames without a matching size, rectangles outside the
// picture; and the filters that carry state from frame to frame.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <utility>
#include <vector>

#include "FilterTestSupport.h"
#include "engine/base/PackageFile.h"
#include "engine/effects/Effect.h"
#include "engine/effects/PropertyIds.h"
#include "engine/filters/RippleShakeFilters.h"
#include "engine/filters/WarpFilter.h"

namespace {

using filter_test::Bgr;
using filter_test::Differences;
using filter_test::MakeFilter;
using filter_test::MakePicture;
using filter_test::PictureFunction;
using filter_test::PixelOf;
using filter_test::RenderFrames;
using filter_test::ScopedNumbers;
using Settings = std::vector<std::pair<int32_t, std::string>>;

constexpr Bgr kBlack = {0, 0, 0};
constexpr Bgr kWhite = {255, 255, 255};

// A picture where every pixel differs from its neighbours.
Bgr Pattern(int x, int y) { return {(x * 7 + y) % 256, (y * 5 + x * 3) % 256, (x * y + 40) % 256}; }

// Left half black, right half white.
Bgr Step(int x, int, int width) { return x < width / 2 ? kBlack : kWhite; }

struct PixelCase {
  const char* name;
  int32_t code;
  Settings settings;
  int width, height;
  PictureFunction picture;
  RECT rect;  // {0, 0, 0, 0}: the whole picture
  // The expected result from the point and the picture's own pixel there.
  std::function<Bgr(int x, int y, const Bgr& own)> expected;
};

std::vector<PixelCase> PixelCases() {
  const auto scaled = [](int v) { return (v * 255) >> 8; };
  std::vector<PixelCase> cases;
  cases.push_back({"default colour matrix: red full, green and blue scaled by 255/256",
                   ELEMENT_COLOR_MATRIX, {}, 64, 48, Pattern, {},
                   [&](int, int, const Bgr& o) { return Bgr{scaled(o.b), scaled(o.g), 255}; }});
  cases.push_back({"identity colour matrix", ELEMENT_COLOR_MATRIX,
                   {{PROP_COLOR_MATRIX, "0,256,0,0,0,0,256,0,0,0,0,256"}}, 64, 48, Pattern, {},
                   [](int, int, const Bgr& o) { return o; }});
  cases.push_back({"negative coefficients round toward minus infinity", ELEMENT_COLOR_MATRIX,
                   {{PROP_COLOR_MATRIX, "100,0,-1,0,0,0,256,0,0,0,0,256"}}, 64, 48, Pattern, {},
                   [](int, int, const Bgr& o) { return Bgr{o.b, o.g, o.g > 0 ? 99 : 100}; }});
  cases.push_back({"extreme coefficients do not overflow", ELEMENT_COLOR_MATRIX,
                   {{PROP_COLOR_MATRIX,
                     "0,2147483647,0,0,-2147483648,2147483647,2147483647,2147483647,"
                     "0,0,0,-2147483647"}},
                   64, 48, Pattern, {},
                   [](int, int, const Bgr& o) {
                     // Green: -2^31 plus at most three products of 255 * (2^31 - 1) / 256.
                     const int64_t g = -2147483648LL + ((int64_t(o.r) * 2147483647) >> 8) +
                                       ((int64_t(o.g) * 2147483647) >> 8) +
                                       ((int64_t(o.b) * 2147483647) >> 8);
                     return Bgr{0, int(std::min<int64_t>(255, std::max<int64_t>(0, g))),
                                o.r > 0 ? 255 : 0};
                   }});
  cases.push_back({"edge on a flat picture: black but the bottom row and last column",
                   ELEMENT_EDGE, {}, 64, 48, [](int, int) { return Bgr{0x40, 0x80, 0xC0}; }, {},
                   [](int x, int y, const Bgr& o) { return x == 63 || y == 47 ? o : kBlack; }});
  cases.push_back({"edge of a step in the edge colour over the picture itself", ELEMENT_EDGE,
                   {{PROP_EDGE_BACKGROUND, "-1"}}, 64, 48,
                   [](int x, int y) { return Step(x, y, 64); }, {},
                   [&](int x, int y, const Bgr& o) {
                     if (x == 63 || y == 47) return o;
                     if (x == 31) return Bgr{0, 0, 254};  // full edge strength: red * 255/256
                     return Bgr{scaled(o.b), scaled(o.g), scaled(o.r)};
                   }});
  cases.push_back({"emboss of a flat picture: base colour", ELEMENT_EMBOSS, {}, 64, 48,
                   [](int, int) { return Bgr{10, 200, 90}; }, {},
                   [&](int x, int y, const Bgr&) {
                     const bool border = x == 0 || y == 0 || x == 63 || y == 47;
                     const int v = border ? 0x80 : scaled(0x80);
                     return Bgr{v, v, v};
                   }});
  cases.push_back({"emboss with an unknown direction: flat base colour", ELEMENT_EMBOSS,
                   {{PROP_EMBOSS_DIRECTION, "8"}}, 64, 48, Pattern, {},
                   [&](int x, int y, const Bgr&) {
                     const bool border = x == 0 || y == 0 || x == 63 || y == 47;
                     const int v = border ? 0x80 : scaled(0x80);
                     return Bgr{v, v, v};
                   }});
  cases.push_back({"emboss of a step against the left neighbour: a lit edge", ELEMENT_EMBOSS,
                   {{PROP_EMBOSS_DIRECTION, "2"}}, 64, 48,
                   [](int x, int y) { return Step(x, y, 64); }, {},
                   [&](int x, int y, const Bgr&) {
                     const bool border = x == 0 || y == 0 || x == 63 || y == 47;
                     const int v = border ? 0x80 : x == 32 ? 254 : scaled(0x80);
                     return Bgr{v, v, v};
                   }});
  cases.push_back({"mosaic blocks laid from the left edge and the bottom line", ELEMENT_MOSAIC,
                   {{PROP_MOSAIC_BLOCK, "8"}}, 64, 44,
                   [](int x, int y) { return Bgr{x, y, 0}; }, {},
                   [](int x, int y, const Bgr&) {
                     // Storage rows from the bottom: block rows of 8, the top one only 4.
                     const int row = 43 - y;
                     const int top = row / 8 * 8, bottom = std::min(44, top + 8);
                     int sum = 0;  // of y = 43 - row over the block's rows
                     for (int r = top; r < bottom; ++r) sum += 43 - r;
                     return Bgr{x / 8 * 8 + 3, sum / (bottom - top), 0};
                   }});
  cases.push_back({"mosaic of one pixel keeps the picture", ELEMENT_MOSAIC,
                   {{PROP_MOSAIC_BLOCK, "1"}}, 64, 48, Pattern, {},
                   [](int, int, const Bgr& o) { return o; }});
  cases.push_back({"mosaic inside a rectangle only", ELEMENT_MOSAIC, {{PROP_MOSAIC_BLOCK, "4"}},
                   64, 48, [](int x, int) { return Bgr{x, 0, 0}; }, {10, 20, 18, 24},
                   [](int x, int y, const Bgr& o) {
                     if (x < 10 || x >= 18 || y < 20 || y >= 24) return o;
                     return Bgr{x < 14 ? 11 : 15, 0, 0};
                   }});
  cases.push_back({"warp tiles 1 x 1 keep the picture", ELEMENT_WARP,
                   {{PROP_WARP_MODE, "0"}, {PROP_WARP_PARAM1, "1"}, {PROP_WARP_PARAM2, "1"}}, 64,
                   48, Pattern, {}, [](int, int, const Bgr& o) { return o; }});
  cases.push_back({"warp tiles 2 x 2: four reduced copies", ELEMENT_WARP, {}, 64, 48, Pattern,
                   {}, [](int x, int y, const Bgr&) { return Pattern(2 * x % 64, 2 * y % 48); }});
  cases.push_back({"warp zoom 100 %", ELEMENT_WARP,
                   {{PROP_WARP_MODE, "2"}, {PROP_WARP_PARAM1, "100"}, {PROP_WARP_PARAM2, "100"}},
                   64, 48, Pattern, {}, [](int, int, const Bgr& o) { return o; }});
  cases.push_back({"warp zoom -100 % mirrors left to right", ELEMENT_WARP,
                   {{PROP_WARP_MODE, "2"}, {PROP_WARP_PARAM1, "-100"}, {PROP_WARP_PARAM2, "100"}},
                   64, 48, Pattern, {},
                   [](int x, int y, const Bgr&) { return Pattern(63 - x, y); }});
  cases.push_back({"warp zoom -200 % mirrors the enlarged centre", ELEMENT_WARP,
                   {{PROP_WARP_MODE, "2"}, {PROP_WARP_PARAM1, "-200"}, {PROP_WARP_PARAM2, "100"}},
                   64, 48, Pattern, {},
                   [](int x, int y, const Bgr&) { return Pattern(63 - (32 + (x - 32) / 2), y); }});
  cases.push_back({"warp zoom 1 % on a wide picture: positions beyond 16 bits stay outside",
                   ELEMENT_WARP,
                   {{PROP_WARP_MODE, "2"}, {PROP_WARP_PARAM1, "1"}, {PROP_WARP_PARAM2, "100"}},
                   1600, 4, Pattern, {},
                   [](int x, int y, const Bgr&) {
                     const int source = 800 + 100 * (x - 800);
                     return source >= 0 && source < 1600 ? Pattern(source, y) : kBlack;
                   }});
  cases.push_back({"warp bands 2 x 1: the right half mirrors the left", ELEMENT_WARP,
                   {{PROP_WARP_MODE, "8"}, {PROP_WARP_PARAM1, "2"}, {PROP_WARP_PARAM2, "1"}}, 64,
                   48, Pattern, {},
                   [](int x, int y, const Bgr&) { return Pattern(x < 32 ? x : 63 - x, y); }});
  cases.push_back({"warp mirrored tiles -2 x 1: the left tile mirrored", ELEMENT_WARP,
                   {{PROP_WARP_MODE, "1"}, {PROP_WARP_PARAM1, "-2"}, {PROP_WARP_PARAM2, "1"}}, 64,
                   48, Pattern, {},
                   [](int x, int y, const Bgr&) {
                     const int t = 2 * x % 64;
                     return Pattern(x < 32 ? 63 - t : t, y);
                   }});
  cases.push_back({"warp nested frames 1 x 100 % keep the picture", ELEMENT_WARP,
                   {{PROP_WARP_MODE, "7"}, {PROP_WARP_PARAM1, "1"}, {PROP_WARP_PARAM2, "100"}}, 64,
                   48, Pattern, {}, [](int, int, const Bgr& o) { return o; }});
  cases.push_back({"warp anchored at a smaller rectangle: what falls outside is black",
                   ELEMENT_WARP, {}, 64, 48, Pattern, {40, 30, 104, 78},
                   [](int x, int y, const Bgr& o) {
                     if (x < 40 || y < 30) return o;
                     // Tiles 2 x 2 of the map's 64 x 48 area, from the rectangle's corner.
                     const int j = x - 40, i = y - 30;
                     return j < 12 && i < 9 ? Pattern(40 + 2 * j, 30 + 2 * i) : kBlack;
                   }});
  cases.push_back({"ripple without drops on padded rows: the picture, black outermost lines",
                   ELEMENT_RIPPLE, {{PROP_RIPPLE_RATE, "0"}}, 321, 41, Pattern, {},
                   [](int x, int y, const Bgr& o) {
                     return x == 0 || y == 0 || x == 320 || y == 40 ? kBlack : o;
                   }});
  cases.push_back({"shake 0, 0 keeps the picture", ELEMENT_SHAKE,
                   {{PROP_SHAKE_X, "0"}, {PROP_SHAKE_Y, "0"}}, 64, 48, Pattern, {},
                   [](int, int, const Bgr& o) { return o; }});
  cases.push_back({"trail on its first frame: the picture over a black history", ELEMENT_TRAIL,
                   {{PROP_TRAIL_LENGTH, "3"}}, 64, 48, Pattern, {},
                   [](int, int, const Bgr& o) { return Bgr{o.b / 4, o.g / 4, o.r / 4}; }});
  return cases;
}

TEST(FilterPixels, EachFilterGivesItsKnownResult) {
  for (const PixelCase& c : PixelCases()) {
    SCOPED_TRACE(c.name);
    auto filter = MakeFilter(c.code, c.settings);
    ASSERT_TRUE(filter);
    auto picture = MakePicture(c.width, c.height, c.picture);
    const RECT rect = c.rect.right > 0 ? c.rect : RECT{0, 0, c.width, c.height};
    RenderFrames(*filter, *picture, rect);
    std::string first;
    const PictureFunction expected = [&](int x, int y) { return c.expected(x, y, c.picture(x, y)); };
    EXPECT_EQ(Differences(*picture, expected, &first), 0) << first;
  }
}

TEST(FilterPixels, NoFilterChangesAFrameOutsideItsRectangleOrWithoutItsSize) {
  for (int32_t code = ELEMENT_COLOR_MATRIX; code <= ELEMENT_SHAKE; ++code) {
    SCOPED_TRACE("type " + std::to_string(code));
    ScopedNumbers numbers({3, 1, 4, 1, 5, 9, 2, 6});
    const bool keepsCopies = code != ELEMENT_COLOR_MATRIX && code != ELEMENT_MOSAIC;
    CFrameContext context;

    // A rectangle beside the picture.
    auto filter = MakeFilter(code);
    if (code == ELEMENT_RIPPLE) filter->SetProperty(PROP_RIPPLE_RATE, "100");
    auto picture = MakePicture(64, 48, Pattern);
    context.output = picture.get();
    filter->SetFrameSize(64, 48);
    EXPECT_EQ(filter->Render(&context, RECT{64, 0, 100, 48}), S_OK);
    EXPECT_EQ(filter->Render(&context, RECT{-30, -30, 0, 0}), S_OK);
    std::string first;
    EXPECT_EQ(Differences(*picture, Pattern, &first), 0) << first;
    if (!keepsCopies) continue;

    // Never sized, and sized for another picture: the frame is left alone.
    auto unsized = MakeFilter(code);
    EXPECT_EQ(unsized->Render(&context, RECT{0, 0, 64, 48}), S_OK);
    EXPECT_EQ(Differences(*picture, Pattern, &first), 0) << "never sized: " << first;
    unsized->SetFrameSize(32, 24);
    EXPECT_EQ(unsized->Render(&context, RECT{0, 0, 64, 48}), S_OK);
    EXPECT_EQ(Differences(*picture, Pattern, &first), 0) << "sized smaller: " << first;
    auto bigger = MakePicture(80, 60, Pattern);
    unsized->SetFrameSize(64, 48);
    context.output = bigger.get();
    EXPECT_EQ(unsized->Render(&context, RECT{0, 0, 80, 60}), S_OK);
    EXPECT_EQ(Differences(*bigger, Pattern, &first), 0) << "sized smaller than the frame: " << first;
  }
}

TEST(FilterPixels, WarpMapsStayInsideThePictureForEveryModeAndParameterExtreme) {
  // Lens centres at or beyond the corner (no positive radius), the largest and smallest
  // parameters, parameters from a file that no set allows.
  const std::vector<std::vector<std::pair<int32_t, int32_t>>> settings = {
      {{3, -160}, {-120, 0}}, {{3, -1000000}, {-1000000, 0}}, {{3, 160}, {120, 0}},
      {{4, 1000}, {1, 0}},    {{4, -7}, {0, 0}},             {{5, 100000}, {0, 0}},
      {{6, -3}, {0, 0}},      {{7, 50}, {1, 0}},             {{7, 1}, {100, 0}},
      {{1, 0}, {0, 0}},       {{8, -2147483647}, {-2147483647, 0}},
  };
  for (const auto& s : settings) {
    const int32_t mode = s[0].first, p1 = s[0].second, p2 = s[1].first;
    SCOPED_TRACE("mode " + std::to_string(mode) + " p1 " + std::to_string(p1) + " p2 " +
                 std::to_string(p2));
    CPackageFile package(kEffectFileTag);
    package.SetInt(PROP_WARP_MODE, mode);
    package.SetInt(PROP_WARP_PARAM1, p1);
    package.SetInt(PROP_WARP_PARAM2, p2);
    auto filter = MakeFilter(ELEMENT_WARP);
    ASSERT_EQ(filter->Load(&package), S_OK);
    for (const SIZE size : {SIZE{320, 240}, SIZE{3, 2}, SIZE{1, 1}}) {
      filter->SetFrameSize(size.cx, size.cy);
      const auto& map = static_cast<CWarpFilter*>(filter.get())->GetMap();
      ASSERT_EQ(map.size(), size_t(size.cx) * size_t(size.cy) * 2);
      for (size_t i = 0; i < map.size(); i += 2) {
        ASSERT_TRUE(map[i] >= 0 && map[i] < size.cx) << "entry " << i / 2 << " x " << map[i];
        ASSERT_TRUE(map[i + 1] >= 0 && map[i + 1] < size.cy) << "entry " << i / 2;
      }
    }
  }
}

TEST(FilterPixels, WarpModeNineKeepsTheMapAndIgnoresItsParameters) {
  auto filter = MakeFilter(ELEMENT_WARP);
  auto* warp = static_cast<CWarpFilter*>(filter.get());
  filter->SetFrameSize(16, 8);
  const std::vector<int16_t> tiles = warp->GetMap();
  EXPECT_EQ(filter->SetProperty(PROP_WARP_MODE, "9"), S_OK);
  EXPECT_EQ(filter->SetProperty(PROP_WARP_PARAM1, "1"), S_OK);
  EXPECT_EQ(warp->GetMode(), 9);
  EXPECT_EQ(warp->GetParam1(), 2);
  EXPECT_EQ(warp->GetMap(), tiles);
  filter->SetFrameSize(4, 4);  // new entries of a new size are 0
  EXPECT_EQ(warp->GetMap().size(), 32u);
}

TEST(FilterPixels, TrailFadesInAfterAResizeAndAveragesWithItsHistory) {
  auto filter = MakeFilter(ELEMENT_TRAIL, {{PROP_TRAIL_LENGTH, "1"}});
  const Bgr a = {200, 100, 40}, b = {0, 60, 240};
  auto picture = MakePicture(32, 24, [&](int, int) { return a; });
  RenderFrames(*filter, *picture, {0, 0, 32, 24});
  EXPECT_EQ(PixelOf(*picture, 5, 5), (Bgr{100, 50, 20})) << "half over a black history";
  auto next = MakePicture(32, 24, [&](int, int) { return b; });
  RenderFrames(*filter, *next, {0, 0, 32, 24});
  EXPECT_EQ(PixelOf(*next, 5, 5), (Bgr{50, 55, 130})) << "half the picture, half the last output";
  // A new size starts from black again.
  auto resized = MakePicture(40, 30, [&](int, int) { return a; });
  RenderFrames(*filter, *resized, {0, 0, 40, 30});
  EXPECT_EQ(PixelOf(*resized, 39, 29), (Bgr{100, 50, 20}));
}

TEST(FilterPixels, MotionFireFlaresOnTheFirstFrameAndCoolsOnAStillPicture) {
  // A bright square on black: against the black first "previous frame" it burns.
  const auto square = [](int x, int y) {
    return x >= 10 && x < 20 && y >= 20 && y < 30 ? kWhite : kBlack;
  };
  for (const char* background : {"-1", "0"}) {
    SCOPED_TRACE(std::string("background ") + background);
    auto filter = MakeFilter(ELEMENT_MOTION_FIRE, {{PROP_FIRE_BACKGROUND, background}});
    auto picture = MakePicture(32, 40, square);
    RenderFrames(*filter, *picture, {0, 0, 32, 40});
    // Heat 255 makes the hot colour (yellow) at full strength: (255 * c) >> 8.
    EXPECT_EQ(PixelOf(*picture, 15, 29), (Bgr{0, 254, 254})) << "the square's bottom row burns";
    EXPECT_EQ(PixelOf(*picture, 15, 10), kBlack) << "far above nothing burns yet";
    // Still frames: no new heat, the flames cool and leave the picture (or the background).
    for (int i = 0; i < 200; ++i) {
      picture = MakePicture(32, 40, square);
      RenderFrames(*filter, *picture, {0, 0, 32, 40});
    }
    const bool own = std::string(background) == "-1";
    std::string first;
    EXPECT_EQ(Differences(*picture,
                          [&](int x, int y) {
                            const Bgr c = square(x, y);
                            return own ? Bgr{c.b * 255 >> 8, c.g * 255 >> 8, c.r * 255 >> 8}
                                       : kBlack;
                          },
                          &first),
              0)
        << first;
  }
}

TEST(FilterPixels, SnowFallsToTheBottomOfTheRectangleAndCollectsThere) {
  // Numbers that start flakes in the middle columns and let them fall straight down.
  ScopedNumbers numbers({2});
  auto filter = MakeFilter(ELEMENT_SNOW, {{PROP_SNOW_RATE, "1"}, {PROP_SNOW_COLOR, "16777215"}});
  const RECT rect = {4, 6, 20, 26};  // storage rows 14 .. 33 of a 40-row picture
  std::unique_ptr<CDibSurface> picture;
  for (int frame = 0; frame < 60; ++frame) {
    picture = MakePicture(24, 40, [](int, int) { return kBlack; });
    RenderFrames(*filter, *picture, rect);
  }
  // A flake starts at column 4 + 2 % 14 = 6 of the top line each frame and falls a row per
  // frame, fading a step per row, until it settles on the bottom line.
  const Bgr bottom = PixelOf(*picture, 6, 25);
  EXPECT_GT(bottom.r, 100) << "snow collected on the bottom line";
  for (int y = 0; y < 40; ++y) {
    for (int x = 0; x < 24; ++x) {
      if (x == 6 && y >= 6 && y < 26) continue;
      ASSERT_EQ(PixelOf(*picture, x, y), kBlack) << x << "," << y;
    }
  }
  // Rectangles without room for new flakes: one row, or fewer than three columns.
  for (const RECT narrow : {RECT{4, 6, 6, 26}, RECT{4, 6, 20, 7}, RECT{4, 6, 5, 26}}) {
    auto other = MakeFilter(ELEMENT_SNOW);
    auto black = MakePicture(24, 40, [](int, int) { return kBlack; });
    RenderFrames(*other, *black, narrow, 30);
    std::string first;
    EXPECT_EQ(Differences(*black, [](int, int) { return kBlack; }, &first), 0) << first;
  }
}

TEST(FilterPixels, ShakeMovesThePictureByTheDrawnOffset) {
  // x amplitude 5: offset 7 % 10 - 5 = 2; y amplitude 3: 4 % 6 - 3 = 1.
  ScopedNumbers numbers({7, 4});
  auto filter = MakeFilter(ELEMENT_SHAKE, {{PROP_SHAKE_X, "5"}, {PROP_SHAKE_Y, "3"}});
  auto picture = MakePicture(64, 48, Pattern);
  RenderFrames(*filter, *picture, {0, 0, 64, 48});
  std::string first;
  EXPECT_EQ(Differences(*picture,
                        [](int x, int y) {
                          return x + 2 < 64 && y + 1 < 48 ? Pattern(x + 2, y + 1) : Pattern(x, y);
                        },
                        &first),
            0)
      << first;
}

TEST(FilterPixels, RippleDropsRaiseTheSurfaceWithinTheirRadius) {
  CRippleMap map;
  ASSERT_TRUE(map.Create(20, 10));
  map.Drop(5, 5, 1, 1, 0);
  int raised = 0;
  for (int32_t h : map.GetBuffer(0)) raised += h;
  EXPECT_EQ(raised, 1);
  EXPECT_EQ(map.GetBuffer(0)[5 * 20 + 5], 1) << "radius 1 raises only the cell under the point";
  // At the border only interior cells are raised.
  map.Drop(1, 1, 2, 10, 1);
  const auto& b = map.GetBuffer(1);
  int sum = 0;
  for (int32_t h : b) sum += h;
  EXPECT_EQ(sum, 40) << "the four interior cells of the drop";
  EXPECT_EQ(b[0], 0);
  EXPECT_EQ(b[20], 0);
  EXPECT_EQ(b[21], 10);
  EXPECT_EQ(b[42], 10);
  // A drop at rate 100 changes the picture, frame after frame, and never outside the frame.
  ScopedNumbers numbers({1, 2, 3});
  auto filter = MakeFilter(ELEMENT_RIPPLE, {{PROP_RIPPLE_RATE, "100"}, {PROP_RIPPLE_RADIUS, "10"}});
  auto picture = MakePicture(61, 33, Pattern);
  RenderFrames(*filter, *picture, {0, 0, 61, 33}, 5);
  EXPECT_GT(Differences(*picture, Pattern, nullptr), 100);
}

}  // namespace
