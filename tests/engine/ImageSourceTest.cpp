// The image source: the band of the elapsed time, looping, its properties, the
// "count|delays|path" form, its package items, and its picture through an effect.
#include "engine/elements/ImageSource.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "EngineTestSupport.h"
#include "engine/base/PackageFile.h"
#include "engine/base/SystemUtils.h"
#include "engine/base/TextUtils.h"
#include "engine/effects/Effect.h"
#include "engine/effects/PropertyIds.h"
#include "engine/elements/SourceProxy.h"
#include "image/Raster.h"

namespace {

using test_support::Bgra;
using test_support::FakeEffectHost;
using test_support::PixelAt;
using test_support::ScopedFakeClock;
using ::testing::ElementsAre;
using Bytes = std::vector<uint8_t>;

struct ElementDeleter {
  void operator()(IFrameElement* e) const { e->Release(); }
};
using ImagePtr = std::unique_ptr<CImageSource, ElementDeleter>;

ImagePtr MakeImage() { return ImagePtr(new CImageSource()); }

// Band k of the test pictures.
Bgra BandColour(int k) { return {10 + 40 * k, 200 - 30 * k, 50 + k, 255}; }

// A PNG of `bands` bands of `bandHeight` rows one below the other, band k in BandColour(k).
Bytes StripPng(int width, int bandHeight, int bands) {
  CDibSurface picture;
  EXPECT_TRUE(picture.Create(width, bandHeight * bands, 32));
  for (int y = 0; y < picture.GetHeight(); ++y) {
    const Bgra c = BandColour(y / bandHeight);
    for (int x = 0; x < width; ++x) {
      BYTE* p = test_support::At(picture, x, y);
      for (int i = 0; i < 4; ++i) p[i] = BYTE(c[i]);
    }
  }
  uint8_t* buffer = nullptr;
  uint32_t size = 0;
  EXPECT_EQ(picture.EncodePicture(&buffer, &size, IMAGE_FORMAT_PNG), S_OK);
  Bytes png(buffer, buffer + size);
  CDibSurface::FreeEncoded(buffer);
  return png;
}

// A file in the temporary folder, removed at the end of the test.
class TempFile {
 public:
  explicit TempFile(const Bytes& bytes, const std::string& extension = "png") {
    m_path = GetTempFolder() + "image_source_test_" + std::to_string(GetCurrentProcessId()) + "_" +
             std::to_string(s_counter++) + "." + extension;
    EXPECT_EQ(WriteFileBytes(m_path, bytes.data(), bytes.size()), S_OK);
  }
  ~TempFile() { DeleteFileA(m_path.c_str()); }
  const std::string& Path() const { return m_path; }

 private:
  static inline int s_counter = 0;
  std::string m_path;
};

std::string Get(IFrameElement& e, int32_t id) {
  std::string value = "unset";
  EXPECT_EQ(e.GetProperty(id, value), S_OK) << id;
  return value;
}

int32_t Height(IFrameElement& e) {
  int32_t w = -1, h = -1;
  e.GetSize(&w, &h);
  return h;
}

// The band that LockFrame hands out, after checking it shows the colour of that band.
RECT LockedBand(CImageSource& image) {
  CFrameLock lock;
  EXPECT_EQ(image.LockFrame(nullptr, &lock), S_OK);
  EXPECT_EQ(image.UnlockFrame(), S_OK);
  if (!lock.picture) return RECT{-1, -1, -1, -1};
  const int h = lock.source.bottom - lock.source.top;
  if (h > 0) {
    EXPECT_EQ(PixelAt(*lock.picture, 0, lock.source.top), BandColour(lock.source.top / h));
  }
  return lock.source;
}

bool SameRect(const RECT& a, const RECT& b) {
  return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

// An image of three 4 x 2 frames with the delays 100, 200 and 300.
class ImageSourceFrames : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(image->SetProperty(PROP_IMAGE_LOAD, "3|100,200,300|" + file.Path()), S_OK);
    ASSERT_EQ(Get(*image, PROP_IMAGE_FRAME_COUNT), "3");
  }
  ScopedFakeClock clock;
  TempFile file{StripPng(4, 2, 3)};
  ImagePtr image = MakeImage();
};

TEST(ImageSource, NewSourceHasNoFrameAndNothingToShow) {
  ImagePtr image = MakeImage();
  EXPECT_EQ(image->GetCurrentFrame(), -1);
  EXPECT_EQ(image->GetTotalTime(), 0);
  EXPECT_EQ(image->GetState(), STATE_STOPPED);
  EXPECT_EQ(image->GetFlags(), 1);
  int32_t w = -1, h = -1;
  EXPECT_EQ(image->GetSize(&w, &h), S_OK);
  EXPECT_EQ(w, 0);
  EXPECT_EQ(h, 0);
  CFrameLock lock;
  EXPECT_EQ(image->LockFrame(nullptr, &lock), E_FAIL);
  EXPECT_EQ(lock.picture, nullptr);
  EXPECT_FALSE(image->IsFilter());
  EXPECT_EQ(image->Render(nullptr, RECT{0, 0, 1, 1}), E_FAIL);
  EXPECT_EQ(Get(*image, PROP_IMAGE_LOADED), "0B");
  EXPECT_EQ(Get(*image, PROP_IMAGE_LOAD), "1");
}

TEST_F(ImageSourceFrames, SelectsTheBandOfTheElapsedTime) {
  struct Case {
    int32_t flags;
    int32_t elapsed;
    int32_t frame;
  };
  for (const Case& c :
       {// Looping: the time runs round the 600 ms of one pass.
        Case{1, 0, 0}, Case{1, 50, 0}, Case{1, 100, 0}, Case{1, 101, 1}, Case{1, 150, 1},
        Case{1, 300, 1}, Case{1, 301, 2}, Case{1, 599, 2}, Case{1, 600, 0}, Case{1, 650, 0},
        Case{1, 6250, 1}, Case{-3, 650, 0},
        // Without looping the last frame stays.
        Case{0, 50, 0}, Case{0, 300, 1}, Case{0, 600, 2}, Case{0, 650, 2}, Case{0, 5000, 2},
        // Positions before the start show the first frame.
        Case{1, -50, 0}, Case{0, -50, 0}}) {
    image->SetFlags(c.flags);
    ASSERT_EQ(image->SetPosition(c.elapsed), S_OK);
    EXPECT_EQ(image->GetCurrentFrame(), c.frame) << "flags " << c.flags << " at " << c.elapsed;
    EXPECT_TRUE(SameRect(LockedBand(*image), RECT{0, 2 * c.frame, 4, 2 * c.frame + 2}))
        << "flags " << c.flags << " at " << c.elapsed;
  }
}

TEST_F(ImageSourceFrames, PlayingAdvancesTheBandWithTheClock) {
  EXPECT_EQ(image->GetTotalTime(), 600);
  EXPECT_EQ(image->Play(), S_OK);
  EXPECT_EQ(image->Play(), S_FALSE);
  const struct {
    uint32_t advance;
    int frame;
  } steps[] = {{50, 0}, {100, 1}, {150, 1}, {1, 2}, {298, 2}, {1, 0}, {50, 0}, {300, 2}};
  for (const auto& step : steps) {
    clock.Advance(step.advance);
    const RECT band = LockedBand(*image);
    EXPECT_EQ(band.top, 2 * step.frame) << "after " << step.advance;
  }
  // Stopped, the clock no longer moves the band.
  EXPECT_EQ(image->Stop(), S_OK);
  EXPECT_EQ(image->Stop(), S_FALSE);
  clock.Advance(200);
  EXPECT_EQ(LockedBand(*image).top, 4);
}

TEST_F(ImageSourceFrames, WithADurationItFinishesAndStaysOnItsFrame) {
  image->SetDuration(250);
  ASSERT_EQ(image->Play(), S_OK);
  clock.Advance(150);
  EXPECT_EQ(LockedBand(*image).top, 2);
  clock.Advance(400);
  EXPECT_EQ(LockedBand(*image).top, 2) << "the frame of the last step before the end";
  EXPECT_TRUE(image->IsFinished());
  // A finished animation can be paused; a paused one not again.
  EXPECT_EQ(image->Pause(), S_OK);
  EXPECT_EQ(image->GetState(), STATE_PAUSED);
  EXPECT_EQ(image->Pause(), S_FALSE);
}

TEST(ImageSource, PlayTellsTheOwnerNotToRefreshOnDemand) {
  FakeEffectHost host;
  CEffect effect;
  effect.SetHost(&host);
  effect.SetMainSource(TRUE);
  ASSERT_EQ(effect.GetSourceProxy().CreateElement(ELEMENT_IMAGE), S_OK);
  host.refreshEnabled.clear();
  EXPECT_EQ(effect.GetSourceProxy().Play(), S_OK);
  EXPECT_THAT(host.refreshEnabled, ElementsAre(FALSE));
}

TEST(ImageSource, OpenGivesAStillPictureThreeSeconds) {
  TempFile file(StripPng(6, 5, 1));
  ImagePtr image = MakeImage();
  ASSERT_EQ(image->Open(file.Path()), S_OK);
  EXPECT_EQ(Get(*image, PROP_IMAGE_FRAME_COUNT), "1");
  EXPECT_EQ(Get(*image, PROP_IMAGE_FRAME_DELAYS), "3000");
  EXPECT_EQ(image->GetTotalTime(), 3000);
  EXPECT_EQ(image->GetSourceText(), file.Path());
  EXPECT_TRUE(image->GetPictureBytes().empty());
  EXPECT_EQ(Get(*image, PROP_IMAGE_LOADED), "0B");
  int32_t w = 0, h = 0;
  image->GetSize(&w, &h);
  EXPECT_EQ(w, 6);
  EXPECT_EQ(h, 5);
  EXPECT_TRUE(SameRect(LockedBand(*image), RECT{0, 0, 6, 5}));
}

TEST(ImageSource, OpenOfAnUnreadableFileFailsAndKeepsThePicture) {
  TempFile good(StripPng(6, 5, 1));
  TempFile bad(Bytes{'n', 'o', 't', ' ', 'a', ' ', 'p', 'i', 'c'});
  ImagePtr image = MakeImage();
  ASSERT_EQ(image->Open(good.Path()), S_OK);
  EXPECT_EQ(image->Open(bad.Path()), E_FAIL);
  EXPECT_EQ(image->Open(GetTempFolder() + "no_such_picture.png"), E_FAIL);
  EXPECT_EQ(image->GetSourceText(), good.Path());
  EXPECT_EQ(Height(*image), 5);

  // Through the proxy, an unreadable picture leaves no element.
  CSourceProxy proxy;
  EXPECT_EQ(proxy.OpenPath(bad.Path()), E_FAIL);
  EXPECT_EQ(proxy.GetTypeCode(), ELEMENT_IMAGE);
  EXPECT_EQ(proxy.GetElement(), nullptr);
  ASSERT_EQ(proxy.OpenPath(good.Path()), S_OK);
  EXPECT_NE(dynamic_cast<CImageSource*>(proxy.GetElement()), nullptr);
}

TEST(ImageSource, LoadTextCutsThePictureIntoBandsAndFitsTheEffect) {
  TempFile file(StripPng(100, 100, 3));
  FakeEffectHost host;
  CEffect effect;
  effect.SetHost(&host);
  effect.SetId(4);
  ASSERT_EQ(effect.SetProperty(PROP_SOURCE_TYPE, "1"), S_OK);
  host.notifications.clear();
  ASSERT_EQ(effect.SetProperty(PROP_IMAGE_LOAD, "3|100,100,100|" + file.Path()), S_OK);

  auto* image = dynamic_cast<CImageSource*>(effect.GetSourceProxy().GetElement());
  ASSERT_NE(image, nullptr);
  int32_t w = 0, h = 0;
  image->GetSize(&w, &h);
  EXPECT_EQ(w, 100);
  EXPECT_EQ(h, 100);
  EXPECT_EQ(Get(*image, PROP_IMAGE_FRAME_DELAYS), "100,100,100");
  EXPECT_EQ(image->GetStrip().GetFrameRect(1).top, 100);
  EXPECT_EQ(image->GetStrip().GetFrameRect(1).bottom, 200);
  ASSERT_EQ(image->SetPosition(150), S_OK);
  EXPECT_TRUE(SameRect(LockedBand(*image), RECT{0, 100, 100, 200}));

  // The effect takes the size of one frame.
  std::string width, height;
  effect.GetProperty(PROP_LAYOUT_WIDTH, width);
  effect.GetProperty(PROP_LAYOUT_HEIGHT, height);
  EXPECT_EQ(width, "100");
  EXPECT_EQ(height, "100");

  // The picture is kept as PNG, the whole tall picture.
  const Bytes& bytes = image->GetPictureBytes();
  ASSERT_GT(bytes.size(), 8u);
  EXPECT_EQ(bytes[1], 'P');
  CDibSurface decoded;
  ASSERT_EQ(decoded.LoadPicture(bytes.data(), int64_t(bytes.size())), S_OK);
  EXPECT_EQ(decoded.GetWidth(), 100);
  EXPECT_EQ(decoded.GetHeight(), 300);
  EXPECT_EQ(PixelAt(decoded, 50, 250), BandColour(2));
  EXPECT_EQ(Get(*image, PROP_IMAGE_LOADED), FormatSize(int64_t(bytes.size())));

  std::vector<int32_t> imageIds;
  for (int32_t id : host.PropertiesOf(4)) {
    if (id == PROP_IMAGE_LOAD || id == PROP_IMAGE_FRAME_DELAYS || id == PROP_IMAGE_LOADED)
      imageIds.push_back(id);
  }
  EXPECT_THAT(imageIds, ElementsAre(PROP_IMAGE_LOAD, PROP_IMAGE_FRAME_DELAYS, PROP_IMAGE_LOADED));
}

TEST(ImageSource, LoadTextNeedsExactlyThreePieces) {
  TempFile file(StripPng(4, 2, 2));
  for (const std::string& text :
       {std::string("2|100"), std::string(""), "2|100|" + file.Path() + "|extra"}) {
    ImagePtr image = MakeImage();
    EXPECT_EQ(image->SetProperty(PROP_IMAGE_LOAD, text), S_OK) << text;
    EXPECT_EQ(Get(*image, PROP_IMAGE_FRAME_COUNT), "0") << text;
    EXPECT_TRUE(image->GetPictureBytes().empty()) << text;
  }
  // A quoted path may hold the separator.
  ImagePtr image = MakeImage();
  image->SetProperty(PROP_IMAGE_LOAD, "2|100|\"" + file.Path() + "\"");
  EXPECT_EQ(Height(*image), 2);
}

TEST(ImageSource, LoadTextWithAnUnreadablePictureKeepsItButTakesCountAndDelays) {
  TempFile file(StripPng(4, 3, 2));
  ImagePtr image = MakeImage();
  ASSERT_EQ(image->SetProperty(PROP_IMAGE_LOAD, "2|100|" + file.Path()), S_OK);
  const Bytes before = image->GetPictureBytes();
  ASSERT_EQ(image->SetProperty(PROP_IMAGE_LOAD, "3|50,60|" + file.Path() + ".missing"), S_OK);
  EXPECT_EQ(image->GetPictureBytes(), before);
  EXPECT_EQ(Get(*image, PROP_IMAGE_FRAME_COUNT), "3");
  EXPECT_EQ(Get(*image, PROP_IMAGE_FRAME_DELAYS), "50,60,60");
  EXPECT_EQ(Height(*image), 2);
}

TEST(ImageSource, LoadTextWithoutAPositiveCountLeavesNoFrames) {
  TempFile file(StripPng(4, 2, 2));
  for (const char* count : {"0", "-2", "x"}) {
    ImagePtr image = MakeImage();
    ASSERT_EQ(image->SetProperty(PROP_IMAGE_LOAD, std::string(count) + "|100|" + file.Path()),
              S_OK);
    EXPECT_EQ(image->GetCurrentFrame(), -1) << count;
    EXPECT_EQ(Height(*image), 0) << count;
    CFrameLock lock;
    EXPECT_EQ(image->LockFrame(nullptr, &lock), E_FAIL) << count;
    EXPECT_EQ(lock.picture, nullptr) << count;
    CPackageFile package(kEffectFileTag);
    EXPECT_EQ(image->Save(&package), E_FAIL) << count;
  }
}

TEST(ImageSource, MoreFramesThanRowsShowNothing) {
  TempFile file(StripPng(4, 1, 2));
  ImagePtr image = MakeImage();
  ASSERT_EQ(image->SetProperty(PROP_IMAGE_LOAD, "5|100|" + file.Path()), S_OK);
  EXPECT_EQ(Height(*image), 0);
  CFrameLock lock;
  EXPECT_EQ(image->LockFrame(nullptr, &lock), E_FAIL);
  EXPECT_EQ(lock.picture, nullptr);
}

TEST_F(ImageSourceFrames, FrameCountPropertyIsClampedAndKeepsTheDelays) {
  struct Case {
    const char* written;
    const char* count;
    const char* delays;
  };
  for (const Case& c :
       {Case{"5", "5", "100,200,300,300,300"}, Case{"2", "2", "100,200"}, Case{"0", "1", "100"},
        Case{"-7", "1", "100"}, Case{"abc", "1", "100"}, Case{"500", "100", nullptr}}) {
    ASSERT_EQ(image->SetProperty(PROP_IMAGE_FRAME_COUNT, c.written), S_OK);
    EXPECT_EQ(Get(*image, PROP_IMAGE_FRAME_COUNT), c.count) << c.written;
    if (c.delays) {
      EXPECT_EQ(Get(*image, PROP_IMAGE_FRAME_DELAYS), c.delays) << c.written;
    }
  }
  EXPECT_EQ(image->GetTotalTime(), 100 + 99 * 300);
}

TEST_F(ImageSourceFrames, DelaysPropertyFollowsTheListRules) {
  struct Case {
    const char* written;
    const char* delays;
    int64_t total;
  };
  for (const Case& c : {Case{"", "300,300,300", 900}, Case{"100,0", "100,300,300", 700},
                        Case{"40", "40,40,40", 120}, Case{"7,8,9,10", "7,8,9", 24},
                        Case{"x,20", "300,20,20", 340}}) {
    ASSERT_EQ(image->SetProperty(PROP_IMAGE_FRAME_DELAYS, c.written), S_OK);
    EXPECT_EQ(Get(*image, PROP_IMAGE_FRAME_DELAYS), c.delays) << c.written;
    EXPECT_EQ(image->GetTotalTime(), c.total) << c.written;
  }
  // The new delays choose the frame at once.
  image->SetProperty(PROP_IMAGE_FRAME_DELAYS, "10,10,1000");
  image->SetPosition(30);
  EXPECT_EQ(image->GetCurrentFrame(), 2);
}

TEST(ImageSource, PropertyChangesAreNotified) {
  FakeEffectHost host;
  CEffect effect;
  effect.SetHost(&host);
  effect.SetId(2);
  effect.GetSourceProxy().CreateElement(ELEMENT_IMAGE);
  IFrameElement& image = *effect.GetSourceProxy().GetElement();
  image.SetProperty(PROP_IMAGE_FRAME_COUNT, "2");
  image.SetProperty(PROP_IMAGE_FRAME_DELAYS, "5");
  EXPECT_EQ(image.SetProperty(PROP_IMAGE_LOADED, "99"), S_OK);
  EXPECT_THAT(host.PropertiesOf(2), ElementsAre(PROP_IMAGE_FRAME_COUNT, PROP_IMAGE_FRAME_DELAYS));
}

TEST(ImageSource, LoadedPropertyIsTheSizeOfThePictureBytes) {
  // Bytes after the end of a PNG are kept with the picture and counted.
  const Bytes png = StripPng(4, 2, 1);
  for (const auto& c :
       {std::make_pair(size_t(999), "999B"), std::make_pair(size_t(123456), "123KB"),
        std::make_pair(size_t(2500000), "2MB")}) {
    Bytes padded = png;
    padded.resize(c.first, 0);
    CPackageFile package(kEffectFileTag);
    package.SetInt(PROP_IMAGE_FRAME_COUNT, 1);
    package.SetBytes(PROP_MEDIA_DATA, padded.data(), padded.size());
    ImagePtr image = MakeImage();
    ASSERT_EQ(image->Load(&package), S_OK) << c.first;
    EXPECT_EQ(Get(*image, PROP_IMAGE_LOADED), c.second);
  }
}

TEST(ImageSource, OtherIdsAreLeftToTheNextHolder) {
  ImagePtr image = MakeImage();
  std::string value = "kept";
  for (int32_t id : {0, PROP_MEDIA_DATA, PROP_COLOR_VALUE, PROP_BOARD_COLOR}) {
    EXPECT_EQ(image->GetProperty(id, value), E_FAIL) << id;
    EXPECT_EQ(image->SetProperty(id, "1"), E_FAIL) << id;
  }
  EXPECT_EQ(value, "kept");
}

// A package of an image of `count` frames of 4 x 3 with the stored delays.
CPackageFile ImagePackage(int count, const std::vector<uint32_t>& delays) {
  CPackageFile package(kEffectFileTag);
  package.SetInt(PROP_IMAGE_FRAME_COUNT, count);
  Bytes delayBytes;
  for (uint32_t d : delays)
    for (int i = 0; i < 4; ++i) delayBytes.push_back(uint8_t(d >> (8 * i)));
  package.SetBytes(PROP_IMAGE_FRAME_DELAYS, delayBytes.data(), delayBytes.size());
  const Bytes png = StripPng(4, 3, count);
  package.SetBytes(PROP_MEDIA_DATA, png.data(), png.size());
  return package;
}

TEST(ImageSource, PackageRoundTripKeepsFramesDelaysAndPixels) {
  const CPackageFile stored = ImagePackage(3, {150, 250, 70000});
  ImagePtr image = MakeImage();
  CPackageFile input = stored;
  ASSERT_EQ(image->Load(&input), S_OK);
  EXPECT_EQ(Get(*image, PROP_IMAGE_FRAME_COUNT), "3");
  EXPECT_EQ(Get(*image, PROP_IMAGE_FRAME_DELAYS), "150,250,70000");
  EXPECT_EQ(image->GetTotalTime(), 70400);
  EXPECT_EQ(image->GetSourceText(), "");
  EXPECT_EQ(Height(*image), 3);
  image->SetPosition(300);
  EXPECT_TRUE(SameRect(LockedBand(*image), RECT{0, 3, 4, 6}));

  CPackageFile saved(kEffectFileTag);
  ASSERT_EQ(image->Save(&saved), S_OK);
  ASSERT_EQ(saved.GetItems().size(), 3u);
  EXPECT_EQ(saved.GetItems()[0].id, uint32_t(PROP_IMAGE_FRAME_COUNT));
  EXPECT_EQ(saved.GetItems()[1].id, uint32_t(PROP_IMAGE_FRAME_DELAYS));
  EXPECT_EQ(saved.GetItems()[2].id, uint32_t(PROP_MEDIA_DATA));
  EXPECT_EQ(saved.GetInt(PROP_IMAGE_FRAME_COUNT, -1), 3);
  for (int32_t id : {PROP_IMAGE_FRAME_DELAYS, PROP_MEDIA_DATA}) {
    Bytes written, read;
    saved.GetBytes(uint32_t(id), written);
    stored.GetBytes(uint32_t(id), read);
    EXPECT_EQ(written, read) << id;
  }

  // Through a file and the proxy's kind mapping, as an effect file stores it.
  std::vector<uint8_t> block;
  saved.SetInt(PROP_LEGACY_KIND, 18);
  saved.SetInt(PROP_SOURCE_TYPE, ELEMENT_IMAGE);
  ASSERT_EQ(saved.Serialize(block), S_OK);
  CPackageFile reread(kEffectFileTag);
  ASSERT_EQ(reread.LoadFromMemory(block.data(), block.size()), S_OK);
  CSourceProxy proxy;
  ASSERT_EQ(proxy.Load(&reread), S_OK);
  auto* again = dynamic_cast<CImageSource*>(proxy.GetElement());
  ASSERT_NE(again, nullptr);
  EXPECT_EQ(Get(*again, PROP_IMAGE_FRAME_DELAYS), "150,250,70000");
  again->SetPosition(70399);
  EXPECT_TRUE(SameRect(LockedBand(*again), RECT{0, 6, 4, 9}));
}

TEST(ImageSource, LoadRefusesPackagesItCannotShow) {
  struct Case {
    const char* what;
    int32_t count;  // -1: no item
    bool picture;
    bool pictureIsPng;
  };
  for (const Case& c :
       {Case{"no count", -1, true, true}, Case{"count 0", 0, true, true},
        Case{"negative count", -3, true, true}, Case{"absurd count", 1 << 30, true, true},
        Case{"no picture", 2, false, false}, Case{"not a PNG", 2, true, false}}) {
    TempFile kept(StripPng(5, 5, 1));
    ImagePtr image = MakeImage();
    ASSERT_EQ(image->Open(kept.Path()), S_OK);
    CPackageFile package(kEffectFileTag);
    if (c.count != -1) package.SetInt(PROP_IMAGE_FRAME_COUNT, c.count);
    const Bytes png = StripPng(4, 2, 2);
    const Bytes junk(64, 0x5A);
    if (c.picture) {
      const Bytes& bytes = c.pictureIsPng ? png : junk;
      package.SetBytes(PROP_MEDIA_DATA, bytes.data(), bytes.size());
    }
    EXPECT_EQ(image->Load(&package), E_FAIL) << c.what;
    // The picture shown before stays.
    EXPECT_EQ(Height(*image), 5) << c.what;
    EXPECT_EQ(image->GetSourceText(), kept.Path()) << c.what;
  }
  ImagePtr image = MakeImage();
  EXPECT_EQ(image->Load(nullptr), E_POINTER);
  EXPECT_EQ(image->Save(nullptr), E_POINTER);
}

TEST(ImageSource, LoadGivesFramesWithoutStoredDelayTheDefault) {
  for (const auto& stored : {std::vector<uint32_t>{}, std::vector<uint32_t>{120}}) {
    CPackageFile package = ImagePackage(3, stored);
    // A stray byte after the last whole delay is ignored.
    Bytes delays;
    package.GetBytes(PROP_IMAGE_FRAME_DELAYS, delays);
    delays.push_back(9);
    package.SetBytes(PROP_IMAGE_FRAME_DELAYS, delays.data(), delays.size());
    ImagePtr image = MakeImage();
    ASSERT_EQ(image->Load(&package), S_OK);
    EXPECT_EQ(Get(*image, PROP_IMAGE_FRAME_DELAYS), stored.empty() ? "300,300,300" : "120,300,300");
  }
}

TEST(ImageSource, APictureOpenedFromAFileIsSavedAsPng) {
  TempFile file(StripPng(4, 3, 2));
  ImagePtr image = MakeImage();
  ASSERT_EQ(image->Open(file.Path()), S_OK);
  image->SetProperty(PROP_IMAGE_FRAME_COUNT, "2");
  image->SetProperty(PROP_IMAGE_FRAME_DELAYS, "80,90");
  CPackageFile package(kEffectFileTag);
  ASSERT_EQ(image->Save(&package), S_OK);
  Bytes bytes;
  EXPECT_GT(package.GetBytes(PROP_MEDIA_DATA, bytes), 0u);
  EXPECT_TRUE(image->GetPictureBytes().empty()) << "saving keeps the element as it was";

  ImagePtr loaded = MakeImage();
  ASSERT_EQ(loaded->Load(&package), S_OK);
  EXPECT_EQ(Get(*loaded, PROP_IMAGE_FRAME_DELAYS), "80,90");
  loaded->SetPosition(85);
  EXPECT_TRUE(SameRect(LockedBand(*loaded), RECT{0, 3, 4, 6}));
}

TEST(ImageSource, AnEffectDrawsTheCurrentBand) {
  ScopedFakeClock clock;
  TempFile file(StripPng(8, 8, 2));
  CEffect effect;
  ASSERT_EQ(effect.OpenFile(file.Path()), S_OK);
  ASSERT_EQ(effect.SetProperty(PROP_IMAGE_FRAME_COUNT, "2"), S_OK);
  ASSERT_EQ(effect.SetProperty(PROP_IMAGE_FRAME_DELAYS, "100,100"), S_OK);
  effect.SetFrameRect(RECT{0, 0, 8, 8});
  effect.ApplyPreset(0);
  effect.Start();
  CDibSurface output;
  ASSERT_TRUE(output.Create(8, 8, 24));
  CFrameContext context;
  context.output = &output;
  const Bgra first = BandColour(0), second = BandColour(1);
  for (const auto& step :
       {std::make_pair(50u, first), std::make_pair(100u, second), std::make_pair(100u, first)}) {
    clock.Advance(step.first);
    ASSERT_EQ(effect.Render(&context), S_OK);
    EXPECT_EQ(PixelAt(output, 4, 4), (Bgra{step.second[0], step.second[1], step.second[2], -1}));
  }
}

}  // namespace
