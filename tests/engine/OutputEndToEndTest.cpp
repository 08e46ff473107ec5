// The engine's output end to end, through the engine library as the program loads it and
// the stand-in camera: a main source with one pixel filter over the whole frame gives
// known pixels in the frames a messenger's capture graph receives; the trail starts again
// after a change of the output size; every filter type keeps its settings through an
// effect file; snapshots of the output; a copied old face effect still ends on time.
#include <dshow.h>
#include <windows.h>

#include <gdiplus.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <memory>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "EngineClient.h"
#include "engine/base/PackageFile.h"
#include "engine/effects/PropertyIds.h"
#include "platform/vcam/VcamDevice.h"
#include "tests/engine/CameraTestSupport.h"
#include "tests/engine/EngineOnCamera.h"

namespace {

using engine_client::Engine;

constexpr int kWidth = 320;
constexpr int kHeight = 240;
constexpr int kRate = 20;
constexpr int kMainSource = -1;

struct Bgr {
  int b, g, r;
  bool operator==(const Bgr& o) const { return b == o.b && g == o.g && r == o.r; }
  bool operator!=(const Bgr& o) const { return !(*this == o); }
};

std::ostream& operator<<(std::ostream& out, const Bgr& c) {
  return out << "(b " << c.b << ", g " << c.g << ", r " << c.r << ")";
}

using PictureFunction = std::function<Bgr(int x, int y)>;

constexpr Bgr kMain = {0x80, 0x40, 0x20};  // the colour main source
constexpr Bgr kBlack = {0, 0, 0};
constexpr Bgr kWhite = {255, 255, 255};

// Blue follows the column, green the line: every pixel tells where it came from.
Bgr Gradient(int x, int y) { return {x % 256, y, 0x30}; }
// Black above the middle line, white below.
Bgr Halves(int, int y) { return y < kHeight / 2 ? kBlack : kWhite; }

int Scaled(int v) { return (v * 255) >> 8; }

std::string TempPath(const std::string& name) {
  char temp[MAX_PATH];
  GetTempPathA(MAX_PATH, temp);
  return std::string(temp) + "filters e2e " + std::to_string(GetCurrentProcessId()) + " " + name;
}

void Put(std::vector<BYTE>& out, uint32_t v, int bytes) {
  for (int i = 0; i < bytes; ++i) out.push_back(BYTE(v >> (8 * i)));
}

// A 24-bit BMP of the output size drawn from the function.
bool WritePicture(const std::string& path, const PictureFunction& f) {
  const uint32_t stride = uint32_t((kWidth * 3 + 3) & ~3);
  std::vector<BYTE> file = {'B', 'M'};
  Put(file, 54 + stride * kHeight, 4);
  Put(file, 0, 4);
  Put(file, 54, 4);
  Put(file, 40, 4);
  Put(file, kWidth, 4);
  Put(file, kHeight, 4);
  Put(file, 1, 2);
  Put(file, 24, 2);
  for (int i = 0; i < 6; ++i) Put(file, 0, 4);
  for (int y = kHeight - 1; y >= 0; --y) {
    for (int x = 0; x < kWidth; ++x) {
      const Bgr c = f(x, y);
      file.insert(file.end(), {BYTE(c.b), BYTE(c.g), BYTE(c.r)});
    }
    file.resize(file.size() + (stride - kWidth * 3), 0);
  }
  FILE* out = fopen(path.c_str(), "wb");
  if (!out) return false;
  const bool ok = fwrite(file.data(), 1, file.size(), out) == file.size();
  return fclose(out) == 0 && ok;
}

// The number of pixels of a captured picture that differ from the expected one.
int Differences(const camera_test::Captured& frame, const PictureFunction& expected,
                std::string* first) {
  if (frame.header.biWidth != kWidth || std::abs(frame.header.biHeight) != kHeight ||
      frame.pixels.size() < size_t(kWidth) * kHeight * 3) {
    if (first) *first = "no picture of the output size";
    return -1;
  }
  int count = 0;
  for (int y = 0; y < kHeight; ++y) {
    for (int x = 0; x < kWidth; ++x) {
      const BYTE* p = frame.At(x, y);
      const Bgr got = {p[0], p[1], p[2]};
      const Bgr want = expected(x, y);
      if (got != want && count++ == 0 && first) {
        std::ostringstream text;
        text << "at " << x << "," << y << ": " << got << " instead of " << want;
        *first = text.str();
      }
    }
  }
  return count;
}

class OutputEndToEnd : public camera_test::EngineOnCamera {
 protected:
  OutputEndToEnd() : EngineOnCamera(kWidth, kHeight, kRate) {}

  // A full-frame effect of the filter type with its settings; its id.
  int AddFilter(int type, const std::vector<std::pair<int, std::string>>& settings) {
    Engine* e = Eng();
    EXPECT_EQ(VD(e, AddEffect, "@color:0x000000", "Filter", nullptr, nullptr), TRUE);
    const int id = VD(e, GetSelectedEffect);
    EXPECT_EQ(VD(e, SetProperty, id, PROP_SOURCE_TYPE, std::to_string(type).c_str()), TRUE);
    EXPECT_EQ(VD(e, SetProperty, id, PROP_LAYOUT_PRESET, "0"), TRUE);
    for (const auto& s : settings) {
      EXPECT_EQ(VD(e, SetProperty, id, s.first, s.second.c_str()), TRUE) << s.first;
    }
    return id;
  }
};

TEST_F(OutputEndToEnd, EachFilterGivesItsKnownPixelsInTheCapturedFrames) {
  const std::string gradient = TempPath("gradient.bmp");
  const std::string halves = TempPath("halves.bmp");
  files.push_back(gradient);
  files.push_back(halves);
  ASSERT_TRUE(WritePicture(gradient, Gradient));
  ASSERT_TRUE(WritePicture(halves, Halves));
  const std::string colour = "@color:0x" + [] {
    char text[8];
    snprintf(text, sizeof(text), "%02X%02X%02X", kMain.b, kMain.g, kMain.r);
    return std::string(text);
  }();

  struct Case {
    const char* name;
    std::string main;  // the main source
    int type;          // 0: no filter
    std::vector<std::pair<int, std::string>> settings;
    std::function<Bgr(int x, int y)> expected;
  };
  const auto flat = [](int v) { return Bgr{v, v, v}; };
  const std::vector<Case> cases = {
      {"the colour main source alone", colour, 0, {}, [](int, int) { return kMain; }},
      {"the picture main source alone", gradient, 0, {}, Gradient},
      {"default colour matrix: red full, green and blue scaled", colour, 8, {},
       [](int, int) { return Bgr{Scaled(kMain.b), Scaled(kMain.g), 255}; }},
      {"edge of the step between the halves", halves, 11, {{PROP_EDGE_BACKGROUND, "-1"}},
       [](int x, int y) {
         if (x == kWidth - 1 || y == kHeight - 1) return Halves(x, y);
         if (y == kHeight / 2 - 1) return Bgr{0, 0, 254};
         const Bgr own = Halves(x, y);
         return Bgr{Scaled(own.b), Scaled(own.g), Scaled(own.r)};
       }},
      {"emboss of a flat picture: the base colour", colour, 13, {},
       [&](int x, int y) {
         const bool border = x == 0 || y == 0 || x == kWidth - 1 || y == kHeight - 1;
         return flat(border ? 0x80 : Scaled(0x80));
       }},
      {"mosaic blocks of 8", gradient, 12, {{PROP_MOSAIC_BLOCK, "8"}},
       [](int x, int y) {
         const int row = kHeight - 1 - y, top = row / 8 * 8;
         int sum = 0;
         for (int r = top; r < top + 8; ++r) sum += kHeight - 1 - r;
         return Bgr{x / 8 * 8 % 256 + 3, sum / 8, 0x30};
       }},
      {"warp zoom 200 %: the centre enlarged", gradient, 9,
       {{PROP_WARP_MODE, "2"}, {PROP_WARP_PARAM1, "200"}, {PROP_WARP_PARAM2, "200"}},
       [](int x, int y) { return Gradient(160 + (x - 160) / 2, 120 + (y - 120) / 2); }},
      {"warp zoom -100 %: mirrored left to right", gradient, 9,
       {{PROP_WARP_MODE, "2"}, {PROP_WARP_PARAM1, "-100"}, {PROP_WARP_PARAM2, "100"}},
       [](int x, int y) { return Gradient(kWidth - 1 - x, y); }},
      {"warp bands 2 x 1: the right half mirrors the left", gradient, 9,
       {{PROP_WARP_MODE, "8"}, {PROP_WARP_PARAM1, "2"}, {PROP_WARP_PARAM2, "1"}},
       [](int x, int y) { return Gradient(x < kWidth / 2 ? x : kWidth - 1 - x, y); }},
      {"ripple at rate 0: the picture, its outermost lines black", gradient, 15,
       {{PROP_RIPPLE_RATE, "0"}},
       [](int x, int y) {
         return x == 0 || y == 0 || x == kWidth - 1 || y == kHeight - 1 ? kBlack : Gradient(x, y);
       }},
      {"shake 0, 0: the picture", gradient, 17, {{PROP_SHAKE_X, "0"}, {PROP_SHAKE_Y, "0"}},
       Gradient},
  };

  camera_test::CameraCapture capture;
  ASSERT_TRUE(capture.Start());
  Engine* e = Eng();
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ASSERT_EQ(VD(e, OpenElementFile, kMainSource, c.main.c_str()), TRUE);
    if (c.type != 0) AddFilter(c.type, c.settings);
    std::string first;
    int differences = -1;
    const DWORD start = GetTickCount();
    while (GetTickCount() - start < 4000) {
      Run(60);
      differences = Differences(capture.Last(), c.expected, &first);
      if (differences == 0) break;
    }
    EXPECT_EQ(differences, 0) << first;
    EXPECT_EQ(VD(e, ClearEffects), 0);
  }
}

TEST_F(OutputEndToEnd, TrailStartsFromBlackAfterTheOutputSizeChanges) {
  Engine* e = Eng();
  ASSERT_EQ(VD(e, OpenElementFile, kMainSource, "@color:0x804020"), TRUE);  // kMain
  AddFilter(14, {{PROP_TRAIL_LENGTH, "1"}});
  Run(500);  // the history has caught up with the picture

  // The frames after the change, until the trail has caught up again.
  ASSERT_EQ(VD(e, SetOutputSize, 160, 120), 1);
  std::vector<Bgr> seen;
  std::vector<uint8_t> pixels;
  int32_t w = 0, h = 0;
  uint32_t count = 0, last = 0;
  const DWORD start = GetTickCount();
  while (GetTickCount() - start < 3000 && seen.size() < 12) {
    notify.Pump(5);
    if (!buffer.ReadFrame(pixels, w, h, count) || count == last || w != 160 || h != 120) continue;
    last = count;
    const uint8_t* p = pixels.data() + (size_t(60) * 160 + 80) * 3;
    seen.push_back({p[0], p[1], p[2]});
  }
  ASSERT_GE(seen.size(), 8u) << "frames of the new size arrive";
  // k = 1: each frame is the picture and the last output, half and half, from black.
  std::vector<Bgr> fading;
  Bgr history = kBlack;
  for (int i = 0; i < 12; ++i) {
    history = {(kMain.b + history.b) / 2, (kMain.g + history.g) / 2, (kMain.r + history.r) / 2};
    fading.push_back(history);
  }
  // The first frame read may come a frame or two late; from there on every frame follows.
  const auto at = std::find(fading.begin(), fading.begin() + 3, seen.front());
  ASSERT_NE(at, fading.begin() + 3) << "starts from black: first seen " << seen.front();
  for (size_t i = 1; i < seen.size() && at + ptrdiff_t(i) < fading.end(); ++i) {
    EXPECT_EQ(seen[i], *(at + ptrdiff_t(i))) << "frame " << i;
  }
  EXPECT_EQ(seen.back(), (Bgr{kMain.b - 1, kMain.g - 1, kMain.r - 1})) << "caught up";
}

TEST_F(OutputEndToEnd, EveryFilterTypeKeepsItsSettingsThroughAnEffectFile) {
  const std::vector<std::pair<int, std::vector<std::pair<int, std::string>>>> types = {
      {8, {{PROP_COLOR_MATRIX, "1,-2,3,-4,5,-6,7,-8,9,-10,11,-12"}}},
      {9, {{PROP_WARP_MODE, "7"}, {PROP_WARP_PARAM1, "3"}, {PROP_WARP_PARAM2, "60"}}},
      {10, {{PROP_FIRE_HOT_COLOR, "12"}, {PROP_FIRE_COOL_COLOR, "34"}, {PROP_FIRE_BACKGROUND, "0"}}},
      {11, {{PROP_EDGE_COLOR, "65280"}, {PROP_EDGE_BACKGROUND, "-1"}}},
      {12, {{PROP_MOSAIC_BLOCK, "33"}}},
      {13,
       {{PROP_EMBOSS_LIGHT_COLOR, "1"},
        {PROP_EMBOSS_SHADOW_COLOR, "2"},
        {PROP_EMBOSS_BASE_COLOR, "3"},
        {PROP_EMBOSS_DIRECTION, "4"}}},
      {14, {{PROP_TRAIL_LENGTH, "19"}}},
      {15, {{PROP_RIPPLE_RATE, "77"}, {PROP_RIPPLE_RADIUS, "5"}}},
      {16, {{PROP_SNOW_COLOR, "255"}, {PROP_SNOW_RATE, "42"}}},
      {17, {{PROP_SHAKE_X, "9"}, {PROP_SHAKE_Y, "0"}}},
  };
  Engine* e = Eng();
  ASSERT_EQ(VD(e, SetKindMultiple, "Filter", TRUE), TRUE);
  for (const auto& t : types) {
    SCOPED_TRACE("type " + std::to_string(t.first));
    const int id = AddFilter(t.first, t.second);
    const std::string path = TempPath("filter " + std::to_string(t.first) + ".efc");
    files.push_back(path);
    ASSERT_EQ(VD(e, SaveEffect, id, "Filter", "Filters", "Saved", path.c_str()), TRUE);
    EXPECT_EQ(VD(e, RemoveEffect, id), 0);
    ASSERT_EQ(VD(e, AddEffect, path.c_str(), nullptr, nullptr, nullptr), TRUE);
    const int loaded = VD(e, GetSelectedEffect);
    engine_client::Text value;
    ASSERT_EQ(VD(e, GetProperty, loaded, PROP_SOURCE_TYPE, "", &value), TRUE);
    EXPECT_EQ(value.value, std::to_string(t.first));
    for (const auto& s : t.second) {
      ASSERT_EQ(VD(e, GetProperty, loaded, s.first, "", &value), TRUE) << s.first;
      EXPECT_EQ(value.value, s.second) << s.first;
    }
  }
}

// A picture file as GDI+ reads it: its size and the colour at a point.
struct ReadPicture {
  int width = 0, height = 0;
  Bgr topLeft = {-1, -1, -1}, bottomRight = {-1, -1, -1}, middle = {-1, -1, -1};
};

ReadPicture ReadWithGdiPlus(const std::string& path) {
  ReadPicture out;
  ULONG_PTR token = 0;
  Gdiplus::GdiplusStartupInput input;
  if (Gdiplus::GdiplusStartup(&token, &input, nullptr) != Gdiplus::Ok) return out;
  {
    const std::wstring wide(path.begin(), path.end());
    Gdiplus::Bitmap picture(wide.c_str());
    if (picture.GetLastStatus() == Gdiplus::Ok) {
      out.width = int(picture.GetWidth());
      out.height = int(picture.GetHeight());
      const auto at = [&picture](int x, int y) {
        Gdiplus::Color c;
        picture.GetPixel(x, y, &c);
        return Bgr{c.GetB(), c.GetG(), c.GetR()};
      };
      out.topLeft = at(0, 0);
      out.bottomRight = at(out.width - 1, out.height - 1);
      out.middle = at(out.width / 2, out.height / 2);
    }
  }
  Gdiplus::GdiplusShutdown(token);
  return out;
}

uint64_t FileSize(const std::string& path) {
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data)) return 0;
  return (uint64_t(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

std::string FileStart(const std::string& path, size_t count) {
  std::string bytes(count, '\0');
  FILE* f = fopen(path.c_str(), "rb");
  if (!f) return std::string();
  bytes.resize(fread(&bytes[0], 1, count, f));
  fclose(f);
  return bytes;
}

TEST_F(OutputEndToEnd, SnapshotsOfTheOutputAndTheirFailures) {
  const std::string gradient = TempPath("snapshot gradient.bmp");
  files.push_back(gradient);
  ASSERT_TRUE(WritePicture(gradient, Gradient));
  Engine* e = Eng();
  ASSERT_EQ(VD(e, OpenElementFile, kMainSource, gradient.c_str()), TRUE);
  {
    camera_test::CameraCapture capture;
    ASSERT_TRUE(capture.Start());
    std::string first;
    const DWORD start = GetTickCount();
    while (GetTickCount() - start < 4000 && Differences(capture.Last(), Gradient, &first) != 0)
      Run(60);
    ASSERT_EQ(Differences(capture.Last(), Gradient, &first), 0) << "the picture is shown: " << first;
  }
  notify.TakeAll();

  // PNG (also for any name the engine does not know): upright, the output's size.
  for (const char* format : {"PNG", "png", "tiff"}) {
    SCOPED_TRACE(format);
    const std::string path = TempPath(std::string("snapshot ") + format + ".png");
    files.push_back(path);
    ASSERT_EQ(VD(e, SaveSnapshot, path.c_str(), format), TRUE);
    EXPECT_EQ(FileStart(path, 4), "\x89PNG");
    const ReadPicture read = ReadWithGdiPlus(path);
    EXPECT_EQ(read.width, kWidth);
    EXPECT_EQ(read.height, kHeight);
    EXPECT_EQ(read.topLeft, Gradient(0, 0));
    EXPECT_EQ(read.bottomRight, Gradient(kWidth - 1, kHeight - 1));
  }
  // BMP: the header and the rows, nothing more.
  const std::string bmp = TempPath("snapshot.bmp");
  files.push_back(bmp);
  ASSERT_EQ(VD(e, SaveSnapshot, bmp.c_str(), "Bmp"), TRUE);
  EXPECT_EQ(FileSize(bmp), uint64_t(14 + 40 + kWidth * kHeight * 3));
  const ReadPicture read = ReadWithGdiPlus(bmp);
  EXPECT_EQ(read.topLeft, Gradient(0, 0));
  EXPECT_EQ(read.middle, Gradient(kWidth / 2, kHeight / 2));
  EXPECT_TRUE(notify.Take(engine_client::kEngineEvent).empty()) << "no event for a success";

  // JPEG, and GIF in the 256 colours of the default palette: one picture of the output's
  // size, close to the output.
  struct Coded {
    const char* format;
    std::string magic;
  };
  for (const Coded& c : {Coded{"JPG", "\xFF\xD8"}, Coded{"gif", "GIF8"}}) {
    SCOPED_TRACE(c.format);
    const std::string path = TempPath(std::string("snapshot.") + c.format);
    files.push_back(path);
    ASSERT_EQ(VD(e, SaveSnapshot, path.c_str(), c.format), TRUE);
    int code = 0;
    engine_client::Text text;
    VD(e, GetLastEvent, &code, &text);
    EXPECT_EQ(code, 0);
    EXPECT_EQ(FileStart(path, c.magic.size()), c.magic);
    const ReadPicture read = ReadWithGdiPlus(path);
    EXPECT_EQ(read.width, kWidth);
    EXPECT_EQ(read.height, kHeight);
    const Bgr want = Gradient(kWidth / 2, kHeight / 2);
    const int off = std::abs(read.middle.b - want.b) + std::abs(read.middle.g - want.g) +
                    std::abs(read.middle.r - want.r);
    EXPECT_LE(off, 96) << read.middle << " for " << want;
  }

  // A path that cannot be written: event 1002 with the path.
  notify.TakeAll();
  const std::string unwritable = "C:\\no\\such\\folder\\snapshot.png";
  EXPECT_EQ(VD(e, SaveSnapshot, unwritable.c_str(), "PNG"), FALSE);
  const auto events = notify.Take(engine_client::kEngineEvent);
  ASSERT_EQ(events.size(), 1u);
  EXPECT_EQ(events[0].wParam, 1);
  EXPECT_EQ(events[0].lParam, 1002);
  int code = 0;
  engine_client::Text text;
  EXPECT_EQ(VD(e, GetLastEvent, &code, &text), 1);
  EXPECT_EQ(code, 1002);
  EXPECT_EQ(text.value, unwritable);
}

TEST_F(OutputEndToEnd, ACopiedOldFaceEffectStillEndsAfterItsDuration) {
  // An old face effect: no version item, kind "Emotion", lifetime mode 0 for "as the
  // default", one second long; a red colour.
  CPackageFile old(MakePackageTag("FCEC"));
  old.SetText(PROP_EFFECT_NAME, "Old face");
  old.SetText(PROP_EFFECT_KIND, "emotion");
  old.SetInt(PROP_LEGACY_KIND, 18);
  old.SetInt(PROP_LIFETIME_MODE, 0);
  old.SetInt(PROP_LIFETIME_DURATION, 1000);
  old.SetInt(PROP_SOURCE_TYPE, 3);
  old.SetInt(PROP_COLOR_VALUE, 0x0000FF);
  std::vector<uint8_t> bytes;
  ASSERT_EQ(old.Serialize(bytes), S_OK);
  const std::string original = TempPath("old face.efc");
  const std::string copy = TempPath("old face copy.efc");
  files.push_back(original);
  files.push_back(copy);
  {
    FILE* f = fopen(original.c_str(), "wb");
    ASSERT_NE(f, nullptr);
    ASSERT_EQ(fwrite(bytes.data(), 1, bytes.size(), f), bytes.size());
    fclose(f);
  }
  Engine* e = Eng();
  ASSERT_EQ(VD(e, OpenElementFile, kMainSource, "@color:0x000000"), TRUE);
  ASSERT_EQ(VD(e, CopyEffectFile, original.c_str(), copy.c_str(), "Emotion", "Faces", "Copy"),
            TRUE);
  for (const std::string& path : {original, copy}) {
    SCOPED_TRACE(path);
    ASSERT_EQ(VD(e, AddEffect, path.c_str(), nullptr, nullptr, nullptr), TRUE);
    const DWORD start = GetTickCount();
    DWORD ended = 0;
    while (GetTickCount() - start < 4000) {
      Run(50);
      engine_client::TextList list;
      int selected = 0;
      VD(e, GetEffectList, &list, &selected);
      if (list.items.empty()) {
        ended = GetTickCount() - start;
        break;
      }
    }
    EXPECT_GT(ended, 700u) << "shown for its duration";
    EXPECT_LT(ended, 2500u) << "and then removed";
  }
}

}  // namespace
