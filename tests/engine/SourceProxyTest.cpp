// The source proxy: the element chosen by path and by package, the type code property and
// its clamp, the forwarding of every operation, and the answers without element.
#include "engine/elements/SourceProxy.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "EngineTestSupport.h"
#include "engine/base/ModuleValues.h"
#include "engine/base/PackageFile.h"
#include "engine/base/TextUtils.h"
#include "engine/effects/Effect.h"
#include "engine/effects/PropertyIds.h"
#include "engine/elements/ColorSource.h"

namespace {

using test_support::FakeEffectHost;
using ::testing::ElementsAre;

std::string TypeOf(CSourceProxy& proxy) {
  std::string value;
  EXPECT_EQ(proxy.GetProperty(PROP_SOURCE_TYPE, value), S_OK);
  return value;
}

// Element types this build makes.
bool IsBuilt(int32_t code) {
  if (code == ELEMENT_VIDEO) return true;
  if (code >= ELEMENT_COLOR_MATRIX && code <= ELEMENT_SHAKE) return true;  // the pixel filters
  return code == ELEMENT_IMAGE || code == ELEMENT_FLASH || code == ELEMENT_COLOR ||
         code == ELEMENT_SCREEN || code == ELEMENT_TEXT || code == ELEMENT_DRAWING_BOARD ||
         code == ELEMENT_PLAYLIST || code == ELEMENT_PLAYLIST_ALT;
}

// Elements that open any text, without a file behind it. A video element opens every path;
// whether the file plays shows only later.
bool OpensAnyText(int32_t code) {
  // A camera is made also for a name it cannot open: it then shows the stock picture.
  return code == ELEMENT_COLOR || code == ELEMENT_SCREEN || code == ELEMENT_TEXT ||
         code == ELEMENT_VIDEO || code == ELEMENT_CAMERA;
}

TEST(SourceProxy, WithoutElementEveryOperationAnswersItsDefault) {
  CSourceProxy proxy;
  EXPECT_EQ(proxy.GetTypeCode(), 0);
  CFrameLock lock;
  lock.picture = reinterpret_cast<CDibSurface*>(0x1234);
  EXPECT_EQ(proxy.LockFrame(nullptr, &lock), S_OK);
  EXPECT_EQ(lock.picture, reinterpret_cast<CDibSurface*>(0x1234)) << "record untouched";
  EXPECT_EQ(proxy.UnlockFrame(), S_OK);
  EXPECT_EQ(proxy.Render(nullptr, RECT{0, 0, 1, 1}), S_FALSE);
  EXPECT_FALSE(proxy.IsFilter());
  int32_t w = -1, h = -1;
  EXPECT_EQ(proxy.GetSize(&w, &h), S_OK);
  EXPECT_EQ(w, 0);
  EXPECT_EQ(h, 0);
  EXPECT_EQ(proxy.OnIdle(), S_FALSE);
  int32_t position = -7, duration = -7;
  EXPECT_EQ(proxy.GetTime(&position, &duration), S_FALSE);
  EXPECT_EQ(position, -7);
  EXPECT_EQ(duration, -7);
  EXPECT_EQ(proxy.SetPosition(1), S_FALSE);
  EXPECT_EQ(proxy.SetVolume(1), S_FALSE);
  EXPECT_EQ(proxy.Play(), S_FALSE);
  EXPECT_EQ(proxy.Pause(), S_FALSE);
  EXPECT_EQ(proxy.Stop(), S_FALSE);
  EXPECT_EQ(proxy.SetFlags(1), S_FALSE);
  EXPECT_EQ(proxy.SetDuration(1), S_FALSE);
  EXPECT_EQ(proxy.SetMute(TRUE), S_FALSE);
  EXPECT_EQ(proxy.MouseInput(WM_MOUSEMOVE, 1, 1), S_FALSE);
  EXPECT_EQ(proxy.SetFrameSize(1, 1), S_FALSE);
  EXPECT_EQ(proxy.GetState(), STATE_EMPTY);
  EXPECT_EQ(proxy.GetFlags(), 0);
  EXPECT_FALSE(proxy.IsFinished());
  EXPECT_TRUE(proxy.GetMute());
  EXPECT_EQ(proxy.GetSourcePath(), "");
  EXPECT_EQ(proxy.NotifyChange(PROP_SOURCE_TYPE), S_FALSE) << "no owner";
  std::string value = "kept";
  EXPECT_EQ(proxy.GetProperty(PROP_COLOR_VALUE, value), E_FAIL);
  EXPECT_EQ(value, "kept");
  EXPECT_EQ(proxy.SetProperty(PROP_COLOR_VALUE, "1"), E_FAIL);
  CPackageFile package(kEffectFileTag);
  EXPECT_EQ(proxy.Save(&package), E_FAIL);
  EXPECT_EQ(package.GetInt(PROP_SOURCE_TYPE, -1), 0) << "the type is written all the same";
}

TEST(SourceProxy, OpenPathChoosesTheElementByPrefixThenExtension) {
  struct Case {
    const char* path;
    int32_t code;
  };
  const Case cases[] = {
      {"@COLOR:0x00FF00", ELEMENT_COLOR},
      {"@color:nonsense", ELEMENT_COLOR},
      {"@Screen:whatever", ELEMENT_SCREEN},
      {"@cam:USB Camera", ELEMENT_CAMERA},
      {"@CAM:USB Camera", ELEMENT_CAMERA},
      {"C:\\movies\\intro.SWF", ELEMENT_FLASH},
      {"C:\\pictures\\cat.Gif", ELEMENT_IMAGE},
      {"photo.jpg", ELEMENT_IMAGE},
      {"a.png", ELEMENT_IMAGE},
      {"a.BMP", ELEMENT_IMAGE},
      {"clip.avi", ELEMENT_VIDEO},
      {"file.xyz", ELEMENT_VIDEO},
      {"no extension", ELEMENT_VIDEO},
      {"", ELEMENT_VIDEO},
  };
  for (const Case& c : cases) {
    CSourceProxy proxy;
    const HRESULT hr = proxy.OpenPath(c.path);
    EXPECT_EQ(proxy.GetTypeCode(), c.code) << c.path;
    if (OpensAnyText(c.code)) {
      EXPECT_EQ(hr, S_OK) << c.path;
      ASSERT_NE(proxy.GetElement(), nullptr) << c.path;
      EXPECT_EQ(proxy.GetState(), STATE_STOPPED);
    } else {
      EXPECT_EQ(hr, E_FAIL) << c.path;
      EXPECT_EQ(proxy.GetElement(), nullptr) << c.path;
    }
  }
}

TEST(SourceProxy, OpenPathHandsTheWholeTextToTheElement) {
  CSourceProxy proxy;
  ASSERT_EQ(proxy.OpenPath("@Color:0x0000FF"), S_OK);
  auto* colour = dynamic_cast<CColorSource*>(proxy.GetElement());
  ASSERT_NE(colour, nullptr);
  EXPECT_EQ(colour->GetSourceText(), "@Color:0x0000FF");
  EXPECT_EQ(colour->GetColour(), 0x0000FF);
}

TEST(SourceProxy, AnotherPathReplacesTheElement) {
  CSourceProxy proxy;
  ASSERT_EQ(proxy.OpenPath("@color:0x000001"), S_OK);
  ASSERT_EQ(proxy.OpenPath("@color:0x000002"), S_OK);
  EXPECT_NE(proxy.GetElement(), nullptr);
  EXPECT_EQ(static_cast<CColorSource*>(proxy.GetElement())->GetColour(), 2);
  EXPECT_EQ(proxy.OpenPath("C:\\no\\such\\picture.png"), E_FAIL);
  EXPECT_EQ(proxy.GetElement(), nullptr);
  EXPECT_EQ(proxy.GetTypeCode(), ELEMENT_IMAGE);
  proxy.Close();
  EXPECT_EQ(proxy.GetTypeCode(), 0);
}

struct LoadCase {
  int32_t kind;   // item 6, or -1 for none
  int32_t flash;  // item 0x100D, or -1 for none
  int32_t type;   // item 0x1015, or -1 for none
  int32_t code;   // type code afterwards
  HRESULT result;
};

std::ostream& operator<<(std::ostream& os, const LoadCase& c) {
  return os << "kind " << c.kind << ", flash " << c.flash << ", type " << c.type;
}

class SourceProxyLoad : public ::testing::TestWithParam<LoadCase> {};

TEST_P(SourceProxyLoad, MapsTheKindOfTheFileToATypeCode) {
  const LoadCase& c = GetParam();
  CPackageFile package(kEffectFileTag);
  if (c.kind >= 0) package.SetInt(PROP_LEGACY_KIND, c.kind);
  if (c.flash >= 0) package.SetInt(PROP_LEGACY_FLASH, c.flash);
  if (c.type != -1) package.SetInt(PROP_SOURCE_TYPE, c.type);
  CSourceProxy proxy;
  ASSERT_EQ(proxy.OpenPath("@color:0x000001"), S_OK);
  const HRESULT expected = c.result != S_OK || IsBuilt(c.code) ? c.result : E_FAIL;
  EXPECT_EQ(proxy.Load(&package), expected);
  EXPECT_EQ(proxy.GetTypeCode(), c.code);
  EXPECT_EQ(proxy.GetElement() != nullptr, expected == S_OK);
}

INSTANTIATE_TEST_SUITE_P(
    Kinds, SourceProxyLoad,
    ::testing::Values(
        // An image element fails to load from a package without its picture, a Flash
        // element from one without its movie.
        LoadCase{0, -1, -1, ELEMENT_IMAGE, E_FAIL}, LoadCase{0, 1, -1, ELEMENT_FLASH, E_FAIL},
        LoadCase{0, 2, -1, ELEMENT_IMAGE, E_FAIL}, LoadCase{2, -1, -1, ELEMENT_COLOR_MATRIX, S_OK},
        LoadCase{3, -1, -1, ELEMENT_FLASH, E_FAIL}, LoadCase{6, -1, -1, ELEMENT_TEXT, S_OK},
        LoadCase{7, -1, -1, ELEMENT_WARP, S_OK}, LoadCase{8, -1, -1, ELEMENT_MOTION_FIRE, S_OK},
        LoadCase{9, -1, -1, ELEMENT_EDGE, S_OK}, LoadCase{10, -1, -1, ELEMENT_MOSAIC, S_OK},
        LoadCase{11, -1, -1, ELEMENT_EMBOSS, S_OK}, LoadCase{12, -1, -1, ELEMENT_TRAIL, S_OK},
        LoadCase{14, -1, -1, ELEMENT_RIPPLE, S_OK}, LoadCase{15, -1, -1, ELEMENT_SNOW, S_OK},
        LoadCase{16, -1, -1, ELEMENT_SHAKE, S_OK},
        // Kind 18: the type code is in its own item.
        LoadCase{18, -1, ELEMENT_COLOR, ELEMENT_COLOR, S_OK},
        LoadCase{18, -1, ELEMENT_SCREEN, ELEMENT_SCREEN, S_OK},
        LoadCase{18, -1, ELEMENT_TEXT, ELEMENT_TEXT, S_OK},
        LoadCase{18, -1, ELEMENT_DRAWING_BOARD, ELEMENT_DRAWING_BOARD, E_FAIL},
        LoadCase{18, -1, -1, 0, S_FALSE},
        // Type codes outside 1..20 are held in the property's range and make nothing.
        LoadCase{18, -1, 99, 21, E_FAIL}, LoadCase{18, -1, -7, 0, E_FAIL},
        LoadCase{18, -1, 0, 0, E_FAIL},
        // Unknown or missing kinds fail without element.
        LoadCase{-1, -1, ELEMENT_COLOR, 0, E_FAIL}, LoadCase{1, -1, -1, 0, E_FAIL},
        LoadCase{5, -1, -1, 0, E_FAIL}, LoadCase{13, -1, -1, 0, E_FAIL},
        LoadCase{17, -1, -1, 0, E_FAIL}, LoadCase{19, -1, -1, 0, E_FAIL}));

TEST(SourceProxy, LoadAnnouncesTheTypeAndTheElementsProperties) {
  FakeEffectHost host;
  CEffect owner;
  owner.SetHost(&host);
  owner.SetId(7);
  CSourceProxy proxy(&owner);
  CPackageFile package(kEffectFileTag);
  package.SetInt(PROP_LEGACY_KIND, 18);
  package.SetInt(PROP_SOURCE_TYPE, ELEMENT_COLOR);
  package.SetInt(PROP_COLOR_VALUE, 0x102030);
  ASSERT_EQ(proxy.Load(&package), S_OK);
  EXPECT_THAT(host.PropertiesOf(7), ElementsAre(PROP_SOURCE_TYPE, PROP_COLOR_VALUE));
  std::string value;
  ASSERT_EQ(proxy.GetProperty(PROP_COLOR_VALUE, value), S_OK);
  EXPECT_EQ(value, std::to_string(0x102030));
  EXPECT_EQ(static_cast<CFrameElement*>(proxy.GetElement())->GetOwner(), &owner);
}

TEST(SourceProxy, TypePropertyMakesAPlayingElementAndAnnouncesIt) {
  FakeEffectHost host;
  CEffect owner;
  owner.SetHost(&host);
  owner.SetId(3);
  CSourceProxy proxy(&owner);
  ASSERT_EQ(proxy.SetProperty(PROP_SOURCE_TYPE, "3"), S_OK);
  EXPECT_EQ(TypeOf(proxy), "3");
  ASSERT_NE(proxy.GetElement(), nullptr);
  EXPECT_EQ(proxy.GetState(), STATE_PLAYING);
  EXPECT_THAT(host.PropertiesOf(3), ElementsAre(PROP_SOURCE_TYPE, PROP_COLOR_VALUE));

  // The same code again changes nothing.
  IFrameElement* element = proxy.GetElement();
  host.notifications.clear();
  ASSERT_EQ(proxy.SetProperty(PROP_SOURCE_TYPE, " 3"), S_OK);
  EXPECT_EQ(proxy.GetElement(), element);
  EXPECT_TRUE(host.notifications.empty());
}

TEST(SourceProxy, TypePropertyIsClampedAndNotifiesWithOrWithoutElement) {
  struct Case {
    const char* written;
    const char* readBack;
  };
  for (const Case& c :
       {Case{"25", "21"}, Case{"-4", "0"}, Case{"abc", "0"}, Case{"19", "19"}, Case{"5", "5"}}) {
    FakeEffectHost host;
    CEffect owner;
    owner.SetHost(&host);
    CSourceProxy proxy(&owner);
    proxy.OpenPath("@color:0x000001");
    host.notifications.clear();
    ASSERT_EQ(proxy.SetProperty(PROP_SOURCE_TYPE, c.written), S_OK) << c.written;
    EXPECT_EQ(TypeOf(proxy), c.readBack) << c.written;
    const bool built = IsBuilt(ParseInt(c.readBack, 0));
    EXPECT_EQ(proxy.GetElement() != nullptr, built) << c.written;
    const std::vector<int32_t> posted = host.PropertiesOf(0);
    ASSERT_FALSE(posted.empty()) << c.written;
    EXPECT_EQ(posted.front(), PROP_SOURCE_TYPE) << c.written;
    if (!built) {
      EXPECT_EQ(posted.size(), 1u) << c.written;
    }
  }
}

TEST(SourceProxy, SaveWritesTheTypeThenTheElementItems) {
  CSourceProxy proxy;
  ASSERT_EQ(proxy.OpenPath("@color:0x00FF00"), S_OK);
  CPackageFile package(kEffectFileTag);
  ASSERT_EQ(proxy.Save(&package), S_OK);
  ASSERT_EQ(package.GetItems().size(), 2u);
  EXPECT_EQ(package.GetItems()[0].id, uint32_t(PROP_SOURCE_TYPE));
  EXPECT_EQ(package.GetInt(PROP_SOURCE_TYPE, -1), ELEMENT_COLOR);
  EXPECT_EQ(package.GetInt(PROP_COLOR_VALUE, -1), 0x00FF00);

  // A drawing board is written as a picture.
  CSourceProxy board;
  board.SetProperty(PROP_SOURCE_TYPE, "19");
  CPackageFile boardPackage(kEffectFileTag);
  board.Save(&boardPackage);
  EXPECT_EQ(boardPackage.GetInt(PROP_SOURCE_TYPE, -1), ELEMENT_IMAGE);
}

TEST(SourceProxy, ForwardsOperationsToItsElement) {
  CSourceProxy proxy;
  ASSERT_EQ(proxy.CreateElement(ELEMENT_COLOR), S_OK);
  ASSERT_EQ(proxy.SetProperty(PROP_COLOR_VALUE, "4660"), S_OK);
  std::string value;
  ASSERT_EQ(proxy.GetProperty(PROP_COLOR_VALUE, value), S_OK);
  EXPECT_EQ(value, "4660");
  EXPECT_EQ(proxy.GetProperty(PROP_TEXT, value), E_FAIL);
  EXPECT_EQ(proxy.GetState(), STATE_STOPPED);
  EXPECT_EQ(proxy.Play(), S_OK);
  EXPECT_EQ(proxy.GetState(), STATE_PLAYING);
  EXPECT_EQ(proxy.Pause(), S_OK);
  EXPECT_EQ(proxy.GetState(), STATE_PAUSED);
  EXPECT_EQ(proxy.Stop(), S_OK);
  EXPECT_EQ(proxy.SetVolume(20), S_OK);
  EXPECT_EQ(proxy.SetMute(TRUE), S_OK);
  EXPECT_TRUE(proxy.GetMute());
  EXPECT_EQ(proxy.SetFlags(0), S_OK);
  EXPECT_EQ(proxy.GetFlags(), 0);
  EXPECT_EQ(proxy.SetDuration(10), S_OK);
  EXPECT_EQ(proxy.OnIdle(), S_OK);
  int32_t position = -1, duration = 0;
  EXPECT_EQ(proxy.GetTime(&position, &duration), S_OK);
  EXPECT_EQ(duration, 10);
  CFrameLock lock;
  ASSERT_EQ(proxy.LockFrame(nullptr, &lock), S_OK);
  ASSERT_NE(lock.picture, nullptr);
  int32_t w = 0, h = 0;
  proxy.GetSize(&w, &h);
  EXPECT_EQ(w, lock.picture->GetWidth());
  EXPECT_EQ(h, lock.picture->GetHeight());
  EXPECT_EQ(proxy.UnlockFrame(), S_OK);
  EXPECT_EQ(proxy.Render(nullptr, RECT{0, 0, 1, 1}), E_FAIL) << "sources do not filter";
  EXPECT_FALSE(proxy.IsFilter());
}

TEST(SourceProxy, CreateElementKeepsTheCodeItCannotMake) {
  CSourceProxy proxy;
  for (int32_t code : {0, 21, -3, 1000}) {
    EXPECT_EQ(proxy.CreateElement(code), E_FAIL);
    EXPECT_EQ(proxy.GetTypeCode(), code);
    EXPECT_EQ(proxy.GetElement(), nullptr);
  }
}

TEST(SourceProxy, SetOwnerReachesTheElement) {
  CEffect owner;
  CSourceProxy proxy;
  ASSERT_EQ(proxy.CreateElement(ELEMENT_COLOR), S_OK);
  proxy.SetOwner(&owner);
  EXPECT_EQ(static_cast<CFrameElement*>(proxy.GetElement())->GetOwner(), &owner);
  proxy.Release();
  EXPECT_EQ(proxy.GetElement(), nullptr);
  EXPECT_EQ(proxy.GetTypeCode(), 0);
}

}  // namespace
