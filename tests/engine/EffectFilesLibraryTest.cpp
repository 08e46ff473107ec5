// The engine's picture and effect-file operations through the library as the program
// loads it: thumbnails for cameras, effect files (also named by ".lne" files) and what
// cannot be read; new effect files and their identity texts; copies under new names;
// pictures handed out as bitmaps the caller owns, and pictures drawn into a device context.
#include <objbase.h>
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "EngineClient.h"
#include "engine/base/PackageFile.h"
#include "engine/effects/PropertyIds.h"

namespace {

using engine_client::Engine;
using engine_client::EngineObject;
using engine_client::Library;
using engine_client::NotifyWindow;
using engine_client::Text;
using engine_client::TextList;

constexpr uint32_t kEffectTag = MakePackageTag("FCEC");

std::string ProgramFolder() {
  char path[MAX_PATH];
  const DWORD n = GetModuleFileNameA(nullptr, path, MAX_PATH);
  std::string folder(path, n);
  return folder.substr(0, folder.rfind('\\') + 1);
}

std::string Unique(const std::string& name) {
  return "effect files " + std::to_string(GetCurrentProcessId()) + " " + name;
}

std::string TempPath(const std::string& name) {
  char temp[MAX_PATH];
  GetTempPathA(MAX_PATH, temp);
  return std::string(temp) + Unique(name);
}

bool WriteBytes(const std::string& path, const std::vector<uint8_t>& bytes) {
  FILE* f = fopen(path.c_str(), "wb");
  if (!f) return false;
  const bool ok = fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
  return fclose(f) == 0 && ok;
}

std::vector<uint8_t> ReadBytes(const std::string& path) {
  std::vector<uint8_t> bytes;
  if (FILE* f = fopen(path.c_str(), "rb")) {
    uint8_t buffer[4096];
    size_t n;
    while ((n = fread(buffer, 1, sizeof(buffer), f)) > 0) bytes.insert(bytes.end(), buffer, buffer + n);
    fclose(f);
  }
  return bytes;
}

void Put(std::vector<uint8_t>& out, uint32_t v, int bytes) {
  for (int i = 0; i < bytes; ++i) out.push_back(uint8_t(v >> (8 * i)));
}

// A 24-bit BMP of one colour (blue, green, red).
std::vector<uint8_t> SolidBmp(int width, int height, uint8_t b, uint8_t g, uint8_t r) {
  const uint32_t stride = uint32_t((width * 3 + 3) & ~3);
  std::vector<uint8_t> file = {'B', 'M'};
  Put(file, 54 + stride * uint32_t(height), 4);
  Put(file, 0, 4);
  Put(file, 54, 4);
  Put(file, 40, 4);
  Put(file, uint32_t(width), 4);
  Put(file, uint32_t(height), 4);
  Put(file, 1, 2);
  Put(file, 24, 2);
  for (int i = 0; i < 6; ++i) Put(file, 0, 4);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) file.insert(file.end(), {b, g, r});
    file.resize(file.size() + (stride - uint32_t(width) * 3), 0);
  }
  return file;
}

// What a bitmap handle holds; the size 0 x 0 when it is not a DIB section.
struct BitmapFacts {
  int width = 0, height = 0, bits = 0;
};

BitmapFacts FactsOf(HBITMAP bitmap) {
  BitmapFacts facts;
  DIBSECTION section = {};
  if (bitmap && GetObjectA(bitmap, sizeof(section), &section) == sizeof(section)) {
    facts.width = section.dsBm.bmWidth;
    facts.height = section.dsBm.bmHeight;
    facts.bits = section.dsBm.bmBitsPixel;
  }
  return facts;
}

// The colour (0x00BBGGRR) at a point of a bitmap, through a memory device context.
COLORREF PixelOf(HBITMAP bitmap, int x, int y) {
  HDC dc = CreateCompatibleDC(nullptr);
  HGDIOBJ old = SelectObject(dc, bitmap);
  const COLORREF c = GetPixel(dc, x, y);
  SelectObject(dc, old);
  DeleteDC(dc);
  return c;
}

class EffectFilesLibrary : public ::testing::Test {
 protected:
  void SetUp() override {
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    ASSERT_TRUE(library.Loaded());
    engine.reset(new EngineObject(library));
    ASSERT_NE(engine->get(), nullptr);
    // A red picture, and an effect of it in the program folder.
    ASSERT_TRUE(WriteBytes(Keep(TempPath("red.bmp")), SolidBmp(40, 30, 0, 0, 255)));
    redEffectName = Unique("red.efc");
    redEffect = Keep(ProgramFolder() + redEffectName);
    ASSERT_EQ(VD(Eng(), CreateEffectFile, redEffect.c_str(), "ignored", "ignored", "Frame", 1,
                 ("1|1000|" + TempPath("red.bmp")).c_str()),
              TRUE);
  }
  void TearDown() override {
    engine.reset();
    for (const std::string& path : files) DeleteFileA(path.c_str());
    CoUninitialize();
  }

  Engine* Eng() { return engine->get(); }
  const std::string& Keep(const std::string& path) {
    files.push_back(path);
    return files.back();
  }

  std::vector<std::string> Info(const std::string& path, BOOL* result = nullptr) {
    TextList list;
    const BOOL ok = VD(Eng(), ReadEffectInfo, path.c_str(), &list);
    if (result) *result = ok;
    return list.items;
  }

  Library library;
  NotifyWindow notify;
  std::unique_ptr<EngineObject> engine;
  std::vector<std::string> files;
  std::string redEffect;
  std::string redEffectName;
};

TEST_F(EffectFilesLibrary, ThumbnailsForCamerasEffectFilesAndWhatCannotBeRead) {
  // A ".lne" file naming the effect relative to the program folder, line end and all.
  const std::string lne = Keep(TempPath("red.lne"));
  ASSERT_TRUE(WriteBytes(lne, std::vector<uint8_t>(redEffectName.begin(), redEffectName.end())));
  {
    std::string text = redEffectName + "\r\n";
    ASSERT_TRUE(WriteBytes(lne, std::vector<uint8_t>(text.begin(), text.end())));
  }
  // A package without a thumbnail, one of another tag, and bytes that are no package.
  CPackageFile bare(kEffectTag);
  bare.SetText(PROP_EFFECT_NAME, "bare");
  std::vector<uint8_t> bytes;
  ASSERT_EQ(bare.Serialize(bytes), S_OK);
  const std::string noThumbnail = Keep(TempPath("bare.efc"));
  ASSERT_TRUE(WriteBytes(noThumbnail, bytes));
  CPackageFile other(MakePackageTag("XXXX"));
  other.SetText(PROP_EFFECT_NAME, "other");
  ASSERT_EQ(other.Serialize(bytes), S_OK);
  const std::string otherTag = Keep(TempPath("other.efc"));
  ASSERT_TRUE(WriteBytes(otherTag, bytes));
  const std::string garbage = Keep(TempPath("garbage.efc"));
  ASSERT_TRUE(WriteBytes(garbage, std::vector<uint8_t>(100, 0x5A)));

  enum Shows { kCamera, kError, kRed };
  struct Case {
    std::string source;
    Shows shows;
  };
  const std::vector<Case> cases = {
      {"@CAM:Some Camera", kCamera}, {"@cam:", kCamera},
      {redEffect, kRed},             {redEffectName, kRed},  // relative to the program folder
      {lne, kRed},                   {"C:\\no\\such\\effect.efc", kError},
      {noThumbnail, kError},         {otherTag, kError},
      {garbage, kError},             {"", kError},
      {TempPath("missing.lne"), kError},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.source);
    HBITMAP bitmap = reinterpret_cast<HBITMAP>(1);
    EXPECT_EQ(VD(Eng(), GetThumbnail, c.source.c_str(), &bitmap), TRUE);
    const BitmapFacts facts = FactsOf(bitmap);
    switch (c.shows) {
      case kCamera:  // res\webcam.png: 72 x 54, the camera picture
        EXPECT_EQ(facts.width, 72);
        EXPECT_EQ(facts.height, 54);
        EXPECT_NE(PixelOf(bitmap, 36, 27), RGB(255, 0, 0));
        break;
      case kError:  // res\error.png: 64 x 48
        EXPECT_EQ(facts.width, 64);
        EXPECT_EQ(facts.height, 48);
        break;
      case kRed:  // the effect's own thumbnail: the red picture on white, 72 x 54
        EXPECT_EQ(facts.width, 72);
        EXPECT_EQ(facts.height, 54);
        EXPECT_EQ(PixelOf(bitmap, 36, 27), RGB(255, 0, 0));
        break;
    }
    EXPECT_TRUE(DeleteObject(bitmap)) << "the caller owns the bitmap";
  }
}

TEST_F(EffectFilesLibrary, NewEffectFilesCarryTheDefaultTextsAndThePlacementOfTheirKind) {
  BOOL ok = FALSE;
  EXPECT_EQ(Info(redEffect, &ok), (std::vector<std::string>{"Frame", "Misc", "Unknow"}));
  EXPECT_EQ(ok, TRUE);

  VD(Eng(), SetNotifyWindow, notify.Handle());
  EXPECT_EQ(VD(Eng(), SetOutputSize, 320, 240), 1);
  VD(Eng(), Initialize, "No Such Camera");
  // The placement each kind stores, and whether it follows the face or is a background.
  // The picture (40 x 30) sizes a new effect in pixels at the offset 0, 0.
  struct Placement {
    int xMode, yMode, x, y, sizeMode, width, height, faceAttach, background;
  };
  constexpr Placement kOwn = {0, 0, 0, 0, 0, 40, 30, 0, 0};
  constexpr Placement kWholeFrame = {0, 0, 0, 0, 1, 100, 100, 0, 0};        // preset 0
  constexpr Placement kCentred = {2, 2, 0, 0, 0, 40, 30, 0, 0};             // preset 7
  constexpr Placement kBounceAlongTheBottom = {5, 3, 3, 3, 0, 40, 30, 0, 0};  // preset 6
  constexpr Placement kOnTheFace = {0, 0, 3, 3, 0, 40, 30, 1, 0};           // preset 8
  struct Case {
    const char* kind;
    Placement placement;
  };
  const Case cases[] = {
      {"background", {0, 0, 0, 0, 1, 100, 100, 0, 1}},
      {"Transform", kWholeFrame},
      {"MASK", kOnTheFace},
      {"frame", kCentred},
      {"Emotion", kCentred},
      {"TEXT", kBounceAlongTheBottom},
      {"Sticker", kOwn},
      {"", kOwn},
  };
  const std::string picture = "1|1000|" + TempPath("red.bmp");
  for (const Case& c : cases) {
    SCOPED_TRACE(c.kind);
    const Placement& p = c.placement;
    const std::string path = Keep(TempPath(std::string("kind ") + c.kind + ".efc"));
    ASSERT_EQ(VD(Eng(), CreateEffectFile, path.c_str(), nullptr, nullptr, c.kind, 1, picture.c_str()),
              TRUE);
    EXPECT_EQ(Info(path), (std::vector<std::string>{"Frame", "Misc", "Unknow"}))
        << "the kind text is not stored";
    CPackageFile file(kEffectTag);
    const std::vector<uint8_t> bytes = ReadBytes(path);
    ASSERT_EQ(file.LoadFromMemory(bytes.data(), bytes.size()), S_OK);
    const struct {
      int32_t id;
      int expected;
    } items[] = {{PROP_LAYOUT_X_MODE, p.xMode},        {PROP_LAYOUT_Y_MODE, p.yMode},
                 {PROP_LAYOUT_X, p.x},                 {PROP_LAYOUT_Y, p.y},
                 {PROP_LAYOUT_WIDTH_MODE, p.sizeMode}, {PROP_LAYOUT_HEIGHT_MODE, p.sizeMode},
                 {PROP_LAYOUT_WIDTH, p.width},         {PROP_LAYOUT_HEIGHT, p.height},
                 {PROP_LAYOUT_FACE_ATTACH, p.faceAttach}, {PROP_LAYOUT_KEEP_ASPECT, 0},
                 {PROP_EFFECT_BACKGROUND, p.background}};
    for (const auto& item : items)
      EXPECT_EQ(file.GetInt(uint32_t(item.id), -999), item.expected) << "item " << item.id;

    // The engine places the effect as the file says.
    ASSERT_EQ(VD(Eng(), AddEffect, path.c_str(), nullptr, nullptr, nullptr), TRUE);
    const int id = VD(Eng(), GetSelectedEffect);
    Text value;
    ASSERT_EQ(VD(Eng(), GetProperty, id, PROP_LAYOUT_FACE_ATTACH, "", &value), TRUE);
    EXPECT_EQ(value.value, std::to_string(p.faceAttach));
    ASSERT_EQ(VD(Eng(), GetProperty, id, PROP_EFFECT_BACKGROUND, "", &value), TRUE);
    EXPECT_EQ(value.value, std::to_string(p.background));
    ASSERT_EQ(VD(Eng(), GetProperty, id, PROP_LAYOUT_X_MODE, "", &value), TRUE);
    EXPECT_EQ(value.value, std::to_string(p.xMode));
    EXPECT_EQ(VD(Eng(), RemoveEffect, id), 0);
  }
  // Files that cannot be made or read.
  EXPECT_EQ(VD(Eng(), CreateEffectFile, "C:\\no\\such\\folder\\x.efc", nullptr, nullptr, "Frame", 3,
               nullptr),
            FALSE);
  TextList untouched{"kept"};
  EXPECT_EQ(VD(Eng(), ReadEffectInfo, "C:\\no\\such\\x.efc", &untouched), FALSE);
  EXPECT_EQ(untouched.items, (std::vector<std::string>{"kept"}));
}

TEST_F(EffectFilesLibrary, CopiesCarryTheNewTextsAndMissingSourcesCopyNothing) {
  const std::string lne = Keep(TempPath("copy source.lne"));
  const std::string line = redEffectName + "\n";
  ASSERT_TRUE(WriteBytes(lne, std::vector<uint8_t>(line.begin(), line.end())));
  const std::string copy = Keep(TempPath("copy.efc"));
  ASSERT_EQ(VD(Eng(), CopyEffectFile, lne.c_str(), copy.c_str(), "Emotion", "Faces", "Smile"), TRUE);
  EXPECT_EQ(Info(copy), (std::vector<std::string>{"Emotion", "Faces", "Smile"}));
  EXPECT_EQ(Info(redEffect), (std::vector<std::string>{"Frame", "Misc", "Unknow"}))
      << "the source is unchanged";

  const std::string nothing = TempPath("nothing.efc");
  EXPECT_EQ(VD(Eng(), CopyEffectFile, "C:\\no\\such.efc", nothing.c_str(), "a", "b", "c"), FALSE);
  EXPECT_EQ(GetFileAttributesA(nothing.c_str()), INVALID_FILE_ATTRIBUTES);
  EXPECT_EQ(VD(Eng(), CopyEffectFile, redEffect.c_str(), "C:\\no\\such\\folder\\x.efc", "a", "b",
               "c"),
            FALSE);
}

TEST_F(EffectFilesLibrary, PicturesComeAsBitmapsTheCallerOwnsAndDrawFittedAndCentred) {
  HBITMAP bitmap = reinterpret_cast<HBITMAP>(1);
  int frames = -1;
  Text delays("unset");
  ASSERT_EQ(VD(Eng(), LoadPicture, TempPath("red.bmp").c_str(), &bitmap, &frames, &delays), TRUE);
  const BitmapFacts facts = FactsOf(bitmap);
  EXPECT_EQ(facts.width, 40);
  EXPECT_EQ(facts.height, 30);
  EXPECT_EQ(facts.bits, 32);
  EXPECT_EQ(frames, 1);
  EXPECT_EQ(delays.value, "300");
  EXPECT_EQ(PixelOf(bitmap, 20, 15), RGB(255, 0, 0));
  EXPECT_TRUE(DeleteObject(bitmap)) << "the caller owns the bitmap";

  bitmap = reinterpret_cast<HBITMAP>(1);
  frames = -1;
  EXPECT_EQ(VD(Eng(), LoadPicture, "C:\\no\\such.png", &bitmap, &frames, &delays), FALSE);
  EXPECT_EQ(bitmap, nullptr);
  EXPECT_EQ(frames, 0);

  // A 40 x 30 picture in a 100 x 100 area: 100 x 75, centred.
  HDC screen = GetDC(nullptr);
  HDC dc = CreateCompatibleDC(screen);
  HBITMAP area = CreateCompatibleBitmap(screen, 100, 100);
  ReleaseDC(nullptr, screen);
  HGDIOBJ old = SelectObject(dc, area);
  RECT all = {0, 0, 100, 100};
  FillRect(dc, &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
  EXPECT_EQ(VD(Eng(), DrawPicture, TempPath("red.bmp").c_str(), dc, 100, 100), TRUE);
  EXPECT_EQ(GetPixel(dc, 50, 50), RGB(255, 0, 0));
  EXPECT_EQ(GetPixel(dc, 0, 13), RGB(255, 0, 0)) << "fills the width";
  EXPECT_EQ(GetPixel(dc, 50, 11), RGB(255, 255, 255)) << "centred: a band above";
  EXPECT_EQ(GetPixel(dc, 50, 88), RGB(255, 255, 255)) << "and below";
  EXPECT_EQ(VD(Eng(), DrawPicture, "C:\\no\\such.png", dc, 100, 100), FALSE);

  // A picture with a transparent colour is drawn over what the context shows: a 2 x 1 GIF
  // whose left pixel is transparent and whose right pixel is red, fitted to 100 x 50.
  constexpr uint32_t codes = 4u | 0u << 3 | 1u << 6 | 5u << 9;  // clear, 0, 1, end
  const std::vector<uint8_t> gif = {
      'G', 'I', 'F', '8', '9', 'a', 2, 0, 1, 0, 0x80, 0, 0,  // screen, two colours
      0, 0, 0, 255, 0, 0,                                      // black, red
      0x21, 0xF9, 4, 1, 0, 0, 0, 0,                            // index 0 is transparent
      0x2C, 0, 0, 0, 0, 2, 0, 1, 0, 0, 2,                      // the picture, codes of 3 bits
      2, uint8_t(codes), uint8_t(codes >> 8), 0, 0x3B};
  ASSERT_TRUE(WriteBytes(Keep(TempPath("half.gif")), gif));
  FillRect(dc, &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
  EXPECT_EQ(VD(Eng(), DrawPicture, TempPath("half.gif").c_str(), dc, 100, 100), TRUE);
  EXPECT_EQ(GetPixel(dc, 25, 50), RGB(255, 255, 255)) << "the transparent pixel shows the white";
  EXPECT_EQ(GetPixel(dc, 75, 50), RGB(255, 0, 0));
  EXPECT_EQ(GetPixel(dc, 75, 20), RGB(255, 255, 255)) << "centred: a band above";
  SelectObject(dc, old);
  DeleteObject(area);
  DeleteDC(dc);
}

}  // namespace
