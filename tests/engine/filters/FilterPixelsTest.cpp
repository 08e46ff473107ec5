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

TEST(FilterPixels, EmbossLightsThePixelAboveItsNeighbourInEachDirectionAndShadesTheOther) {
  // One bright pixel P on black. In direction d the pixel whose neighbour is P lies at
  // P minus d's step, so a sign or axis mistaken in any direction lights or shades the
  // wrong pixel. The light and shadow colours differ in every channel.
  struct Direction {
    int dx, dy;  // the neighbour's step as shown: y grows downwards
  };
  const Direction steps[8] = {{0, 1},  {-1, 1}, {-1, 0}, {-1, -1},
                              {0, -1}, {1, -1}, {1, 0},  {1, 1}};
  const Bgr light = {200, 100, 40}, shadow = {10, 60, 120}, base = {0x50, 0x90, 0x30};
  const int px = 6, py = 5;
  const auto mix = [](const Bgr& colour, int strength, const Bgr& under) {
    return Bgr{(strength * colour.b + (255 - strength) * under.b) >> 8,
               (strength * colour.g + (255 - strength) * under.g) >> 8,
               (strength * colour.r + (255 - strength) * under.r) >> 8};
  };
  for (int d = 0; d < 8; ++d) {
    SCOPED_TRACE("direction " + std::to_string(d));
    auto filter = MakeFilter(ELEMENT_EMBOSS, {{PROP_EMBOSS_LIGHT_COLOR, filter_test::Colorref(light)},
                                              {PROP_EMBOSS_SHADOW_COLOR, filter_test::Colorref(shadow)},
                                              {PROP_EMBOSS_BASE_COLOR, filter_test::Colorref(base)},
                                              {PROP_EMBOSS_DIRECTION, std::to_string(d)}});
    auto picture = MakePicture(16, 12, [&](int x, int y) { return x == px && y == py ? kWhite : kBlack; });
    RenderFrames(*filter, *picture, {0, 0, 16, 12});
    const int qx = px - steps[d].dx, qy = py - steps[d].dy;
    std::string first;
    EXPECT_EQ(Differences(*picture,
                          [&](int x, int y) {
                            if (x == 0 || y == 0 || x == 15 || y == 11) return base;
                            if (x == px && y == py) return mix(light, 255, base);   // d = 255
                            if (x == qx && y == qy) return mix(shadow, 255, base);  // d = -255
                            return mix(light, 0, base);
                          },
                          &first),
              0)
        << first;
  }
  // A step too small to count (d below 32) leaves the base colour: 2 x 15 = 30.
  auto filter = MakeFilter(ELEMENT_EMBOSS, {{PROP_EMBOSS_DIRECTION, "6"}});
  auto picture = MakePicture(16, 12, [](int x, int) { return x < 8 ? Bgr{5, 5, 5} : kBlack; });
  RenderFrames(*filter, *picture, {0, 0, 16, 12});
  EXPECT_EQ(PixelOf(*picture, 7, 5), (Bgr{127, 127, 127}));
}

TEST(FilterPixels, MotionFireHeatRisesSpreadsAndCoolsByItsKnownValues) {
  // A 4 x 3 picture whose bottom row changed against the black first frame at (1, 2)
  // strongly (motion 2 x 40 = 80) and at (3, 2) just not enough (2 x 32 = 64). The heat of
  // each pixel, row by row from the top as shown, over three still frames:
  //   frame 1: only the bottom row burns, (prev + 5 x 80) / 2 = 200 at (1, 2);
  //   frame 2: the bottom row halves; the row above takes 8 x below and 5 x the lower
  //            neighbours, over 15 at the rectangle's sides and 20 inside;
  //   frame 3: the same once more, reaching the top row.
  const int heat[3][3][4] = {
      {{0, 0, 0, 0}, {0, 0, 0, 0}, {0, 200, 0, 0}},
      {{0, 0, 0, 0}, {66, 80, 50, 0}, {0, 100, 0, 0}},
      {{61, 61, 40, 16}, {37, 44, 27, 0}, {0, 50, 0, 0}},
  };
  const Bgr moved = {20, 10, 10}, barely = {16, 8, 8};
  const auto scene = [&](int x, int y) {
    return y == 2 && x == 1 ? moved : y == 2 && x == 3 ? barely : kBlack;
  };
  const Bgr hot = {255, 128, 64}, cool = {0, 32, 192};  // blue, green, red
  for (const char* background : {"-1", "0"}) {
    SCOPED_TRACE(std::string("background ") + background);
    const bool own = std::string(background) == "-1";
    auto filter = MakeFilter(ELEMENT_MOTION_FIRE, {{PROP_FIRE_HOT_COLOR, filter_test::Colorref(hot)},
                                                   {PROP_FIRE_COOL_COLOR, filter_test::Colorref(cool)},
                                                   {PROP_FIRE_BACKGROUND, background}});
    for (int frame = 0; frame < 3; ++frame) {
      SCOPED_TRACE("frame " + std::to_string(frame + 1));
      auto picture = MakePicture(4, 3, scene);
      RenderFrames(*filter, *picture, {0, 0, 4, 3});
      std::string first;
      EXPECT_EQ(Differences(*picture,
                            [&](int x, int y) {
                              const int a = heat[frame][y][x], j = 255 - a;
                              const Bgr under = own ? scene(x, y) : kBlack;
                              // The flame colour of the heat, each product divided alone.
                              const Bgr c = {j * cool.b / 255 + a * hot.b / 255,
                                             j * cool.g / 255 + a * hot.g / 255,
                                             j * cool.r / 255 + a * hot.r / 255};
                              return Bgr{(a * c.b + j * under.b) >> 8, (a * c.g + j * under.g) >> 8,
                                         (a * c.r + j * under.r) >> 8};
                            },
                            &first),
                0)
          << first;
    }
  }
}

TEST(FilterPixels, RippleStepsAndRefractsByTheirKnownValues) {
  // A step with selector 1 reads buffer A and writes B: (sum of the eight neighbours >> 2)
  // minus B's old height, less 1/32 of it (arithmetic shifts, so -100 loses -4).
  CRippleMap map;
  ASSERT_TRUE(map.Create(5, 5));
  map.Drop(2, 2, 1, 256, 0);
  map.Drop(2, 2, 1, 100, 1);
  map.Step(1, 5);
  const std::vector<int32_t> stepped = {0, 0,  0,   0,  0,  //
                                        0, 62, 62,  62, 0,  //
                                        0, 62, -96, 62, 0,  //
                                        0, 62, 62,  62, 0,  //
                                        0, 0,  0,   0,  0};
  EXPECT_EQ(map.GetBuffer(1), stepped);
  EXPECT_EQ(map.GetBuffer(0)[12], 256) << "the source stays";
  // Selector 0: B is read and A written.
  map.Step(0, 5);
  const std::vector<int32_t> back = {0, 0,  0,    0,  0,  //
                                     0, 7,  37,   7,  0,  //
                                     0, 37, -127, 37, 0,  //
                                     0, 7,  37,   7,  0,  //
                                     0, 0,  0,    0,  0};
  EXPECT_EQ(map.GetBuffer(0), back);

  // Refraction, reading B (selector 0): a cell 9 high at row 3, column 3. Each interior
  // pixel i takes source pixel i + (dy >> 3) * W + (dx >> 3) less dx, with dx = h[i] -
  // h[i + 1] and dy = h[i] - h[i + W]: the raised cell looks one row and column on and is
  // darkened by 9 (green clamped at 0); the cell left of it looks two columns back
  // (-9 >> 3 is -2) and is brightened by 9 (blue clamped at 255); the cell below it (a
  // storage row lower) looks two rows back; every other pixel shows itself. The border is
  // never written.
  CRippleMap water;
  ASSERT_TRUE(water.Create(8, 8));
  water.Drop(3, 3, 1, 9, 1);
  const size_t stride = 8 * 3;
  const auto sourcePixel = [](int row, int column) {
    if (row == 4 && column == 4) return Bgr{100, 5, 60};
    if (row == 3 && column == 0) return Bgr{250, 40, 80};
    return Bgr{row * 16 + column * 2, 100, 200 - row * 10 - column};
  };
  std::vector<BYTE> source(stride * 8), dest(stride * 8, 0xEE);
  for (int row = 0; row < 8; ++row)
    for (int column = 0; column < 8; ++column) {
      const Bgr c = sourcePixel(row, column);
      BYTE* p = &source[size_t(row) * stride + size_t(column) * 3];
      p[0] = BYTE(c.b);
      p[1] = BYTE(c.g);
      p[2] = BYTE(c.r);
    }
  ASSERT_EQ(water.GetSelector(), 0);
  water.Refract(source.data(), dest.data(), stride);
  const auto shifted = [](const Bgr& c, int by) {
    const auto limit = [](int v) { return std::max(0, std::min(255, v)); };
    return Bgr{limit(c.b + by), limit(c.g + by), limit(c.r + by)};
  };
  int wrong = 0;
  for (int row = 0; row < 8; ++row)
    for (int column = 0; column < 8; ++column) {
      Bgr want = {0xEE, 0xEE, 0xEE};
      if (row > 0 && row < 7 && column > 0 && column < 7) {
        want = sourcePixel(row, column);
        if (row == 3 && column == 3) want = shifted(sourcePixel(4, 4), -9);
        if (row == 3 && column == 2) want = shifted(sourcePixel(3, 0), 9);
        if (row == 2 && column == 3) want = sourcePixel(0, 3);
      }
      const BYTE* p = &dest[size_t(row) * stride + size_t(column) * 3];
      const Bgr got = {p[0], p[1], p[2]};
      if (got != want) {
        ++wrong;
        ADD_FAILURE() << "row " << row << " column " << column << ": " << got << " instead of " << want;
      }
    }
  EXPECT_EQ(wrong, 0);
  EXPECT_EQ(shifted(sourcePixel(4, 4), -9).g, 0);
  EXPECT_EQ(shifted(sourcePixel(3, 0), 9).b, 255);

  // An update refracts, steps with the selector and turns the selector over.
  water.Update(source.data(), dest.data(), stride);
  EXPECT_EQ(water.GetSelector(), 1);
  // Step 0 wrote A from B: the raised cell's neighbours 9 >> 2, the cell itself nothing.
  EXPECT_EQ(water.GetBuffer(0)[2 * 8 + 3], 2);
  EXPECT_EQ(water.GetBuffer(0)[3 * 8 + 3], 0);
}

TEST(FilterPixels, TheRippleDropPointWandersAndTurnsAtTheRectangleEdges) {
  // Every number drawn is 3: both velocities start at 3; a turn at the far edge makes
  // -(3 % 5) - 1 = -4, at the near edge 3 % 5 + 1 = 4. In a 61 x 33 rectangle x runs 3, 6,
  // ..., 60, then turns at 63 back to 60; y runs up to 30, turns at 33 to 32, falls by 4 to
  // 0 (turning at -4) and rises again to 4 on frame 21.
  ScopedNumbers numbers({3});
  auto filter = MakeFilter(ELEMENT_RIPPLE, {{PROP_RIPPLE_RATE, "0"}});
  const auto* ripple = static_cast<const CRippleFilter*>(filter.get());
  auto picture = MakePicture(61, 33, Pattern);
  const struct {
    int frames;
    POINT point;
  } checks[] = {{1, {3, 3}}, {10, {30, 30}}, {11, {33, 32}}, {20, {60, 0}}, {21, {60, 4}}};
  int done = 0;
  for (const auto& check : checks) {
    RenderFrames(*filter, *picture, {0, 0, 61, 33}, check.frames - done);
    done = check.frames;
    EXPECT_EQ(ripple->GetDropPoint().x, check.point.x) << "frame " << done;
    EXPECT_EQ(ripple->GetDropPoint().y, check.point.y) << "frame " << done;
  }
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
