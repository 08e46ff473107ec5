// The Flash element against the stand-in control: its two properties, the movie's bytes
// kept and stored in a package and read back unchanged, the temporary file the control
// plays, failed loads that keep the movie there is, the picture handed out, the states.
#include "engine/elements/FlashSource.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/base/DibSurface.h"
#include "engine/base/PackageFile.h"
#include "engine/base/SystemUtils.h"
#include "engine/base/TextUtils.h"
#include "engine/effects/Effect.h"
#include "engine/effects/PropertyIds.h"
#include "engine/elements/ElementFactory.h"
#include "engine/elements/SourceProxy.h"
#include "engine/flash/FlashHost.h"
#include "platform/flash/FlashStandIn.h"
#include "tests/engine/FlashTestSupport.h"

namespace {

using swf_test::SwfLayout;

struct ElementDeleter {
  void operator()(CFlashSource* element) const {
    if (element) element->Release();
  }
};
using FlashElement = std::unique_ptr<CFlashSource, ElementDeleter>;

FlashElement NewElement() {
  IFrameElement* made = CreateFrameElement(ELEMENT_FLASH, nullptr);
  return FlashElement(dynamic_cast<CFlashSource*>(made));
}

std::string Property(CFlashSource& element, int32_t id) {
  std::string value = "unset";
  EXPECT_EQ(element.GetProperty(id, value), S_OK) << id;
  return value;
}

class FlashSourceTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)));
    folder = GetProgramFolder();
    flash_test::RegisterStandIn(folder, false);
    ASSERT_TRUE(flash_test::InstallStandInFile(folder));
    movie = Movie("movie.swf", SwfLayout());
    SwfLayout packed;
    packed.compressed = true;
    packed.xMax = 20 * 320;
    packed.yMax = 20 * 240;
    packed.fileSize = 3000;
    other = Movie("other.swf", packed);
    SwfLayout exact;
    exact.fileSize = 300;
    tooShort = Movie("short.swf", exact);
  }
  void TearDown() override {
    for (const std::string& path : files) DeleteFileA(path.c_str());
    flash_test::RemoveStandInFile(folder);
    CoUninitialize();
  }
  std::string Movie(const std::string& name, const SwfLayout& layout) {
    files.push_back(flash_test::WriteMovie(name, layout));
    return files.back();
  }

  std::string folder;
  std::string movie, other, tooShort;
  std::vector<std::string> files;
};

TEST_F(FlashSourceTest, OpensAMovieAndAnswersItsProperties) {
  FlashElement element = NewElement();
  ASSERT_TRUE(element);
  EXPECT_EQ(element->IsFilter(), FALSE);
  int32_t width = -1, height = -1;
  EXPECT_EQ(element->GetSize(&width, &height), S_OK);
  EXPECT_EQ(width, 0);
  EXPECT_EQ(height, 0);

  ASSERT_EQ(element->Open(movie), S_OK);
  const std::vector<uint8_t> bytes = flash_test::FileBytes(movie);
  EXPECT_EQ(element->GetMovieBytes(), bytes);
  EXPECT_EQ(element->GetSourceText(), movie);
  EXPECT_EQ(element->GetSize(&width, &height), S_OK);
  EXPECT_EQ(width, 550);
  EXPECT_EQ(height, 400);
  EXPECT_EQ(Property(*element, PROP_FLASH_IGNORED), FormatSize(int64_t(bytes.size())));
  EXPECT_EQ(Property(*element, PROP_FLASH_PATH), "1");
  std::string value;
  EXPECT_EQ(element->GetProperty(PROP_IMAGE_LOADED, value), E_FAIL);
  EXPECT_EQ(element->SetProperty(PROP_IMAGE_LOADED, "1"), E_FAIL);

  // Setting the size does nothing; setting the path loads that movie.
  EXPECT_EQ(element->SetProperty(PROP_FLASH_IGNORED, "12 KB"), S_OK);
  EXPECT_EQ(element->GetMovieBytes(), bytes);
  EXPECT_EQ(element->SetProperty(PROP_FLASH_PATH, other), S_OK);
  EXPECT_EQ(element->GetMovieBytes(), flash_test::FileBytes(other));
  EXPECT_EQ(element->GetSize(&width, &height), S_OK);
  EXPECT_EQ(width, 320);
  EXPECT_EQ(height, 240);
  EXPECT_EQ(Property(*element, PROP_FLASH_PATH), "1");
}

TEST_F(FlashSourceTest, TheControlPlaysATemporaryCopyThatGoesWithTheMovie) {
  FlashElement element = NewElement();
  ASSERT_EQ(element->Open(movie), S_OK);
  const std::string first = element->GetTempPath();
  ASSERT_FALSE(first.empty());
  EXPECT_NE(first, movie);
  EXPECT_EQ(flash_test::FileBytes(first), flash_test::FileBytes(movie));
  ASSERT_EQ(element->Open(other), S_OK);
  const std::string second = element->GetTempPath();
  EXPECT_NE(second, first);
  EXPECT_EQ(GetFileAttributesA(first.c_str()), INVALID_FILE_ATTRIBUTES);
  EXPECT_EQ(flash_test::FileBytes(second), flash_test::FileBytes(other));
  element.reset();
  EXPECT_EQ(GetFileAttributesA(second.c_str()), INVALID_FILE_ATTRIBUTES);
}

TEST_F(FlashSourceTest, AMovieThatCannotStartLeavesTheOneThereWas) {
  const std::string missing = flash_test::TempPath("missing.swf");
  const std::string empty = Movie("empty.swf", SwfLayout());
  { FILE* f = fopen(empty.c_str(), "wb"); fclose(f); }
  SwfLayout framesless;
  framesless.frameCount = 0;
  const std::string noFrames = Movie("frameless.swf", framesless);
  const std::string bad[] = {tooShort, missing, empty, noFrames};

  // A new element: no movie, no picture.
  for (const std::string& path : bad) {
    FlashElement element = NewElement();
    EXPECT_EQ(element->Open(path), E_FAIL) << path;
    EXPECT_TRUE(element->GetMovieBytes().empty());
    EXPECT_EQ(element->GetPlayer(), nullptr);
    EXPECT_TRUE(element->GetTempPath().empty());
  }

  // An element with a movie keeps it, playing, with its source and temporary file.
  FlashElement element = NewElement();
  ASSERT_EQ(element->Open(movie), S_OK);
  const std::vector<uint8_t> bytes = element->GetMovieBytes();
  const std::string temp = element->GetTempPath();
  CFlashPlayer* player = element->GetPlayer();
  for (const std::string& path : bad) {
    SCOPED_TRACE(path);
    EXPECT_EQ(element->Open(path), E_FAIL);
    EXPECT_EQ(element->SetProperty(PROP_FLASH_PATH, path), S_OK);
    CPackageFile package(kEffectFileTag);
    package.SetBytes(PROP_MEDIA_DATA, flash_test::FileBytes(path).data(),
                     flash_test::FileBytes(path).size());
    if (!flash_test::FileBytes(path).empty()) EXPECT_EQ(element->Load(&package), E_FAIL);
    EXPECT_EQ(element->GetMovieBytes(), bytes);
    EXPECT_EQ(element->GetTempPath(), temp);
    EXPECT_EQ(element->GetPlayer(), player);
    EXPECT_EQ(element->GetSourceText(), movie);
  }
  // The element's own temporary copy is untouched.
  EXPECT_EQ(flash_test::FileBytes(temp), bytes);
}

TEST_F(FlashSourceTest, APackageKeepsTheMovieBytesUnchanged) {
  FlashElement element = NewElement();
  CPackageFile empty(kEffectFileTag);
  EXPECT_EQ(element->Save(&empty), E_FAIL);  // no movie, nothing to store
  EXPECT_EQ(empty.Find(PROP_MEDIA_DATA), nullptr);

  ASSERT_EQ(element->Open(other), S_OK);
  // The temporary copy going away changes nothing: the element saves what it keeps.
  DeleteFileA(element->GetTempPath().c_str());
  CPackageFile package(kEffectFileTag);
  ASSERT_EQ(element->Save(&package), S_OK);
  std::vector<uint8_t> stored;
  package.GetBytes(PROP_MEDIA_DATA, stored);
  EXPECT_EQ(stored, flash_test::FileBytes(other));

  // Through the file format and into a new element, then saved again.
  std::vector<uint8_t> serialized;
  ASSERT_EQ(package.Serialize(serialized), S_OK);
  CPackageFile read(kEffectFileTag);
  ASSERT_EQ(read.LoadFromMemory(serialized.data(), serialized.size()), S_OK);
  FlashElement loaded = NewElement();
  ASSERT_EQ(loaded->Load(&read), S_OK);
  EXPECT_EQ(loaded->GetSourceText(), "");
  int32_t width = 0, height = 0;
  loaded->GetSize(&width, &height);
  EXPECT_EQ(width, 320);
  EXPECT_EQ(height, 240);
  CPackageFile again(kEffectFileTag);
  ASSERT_EQ(loaded->Save(&again), S_OK);
  std::vector<uint8_t> storedAgain;
  again.GetBytes(PROP_MEDIA_DATA, storedAgain);
  EXPECT_EQ(storedAgain, stored);

  // A package without the movie opens its own file as the movie: an effect file is none.
  FlashElement fromPath = NewElement();
  CPackageFile withoutMovie(kEffectFileTag);
  EXPECT_EQ(fromPath->Load(&withoutMovie), E_FAIL);
  EXPECT_EQ(fromPath->Load(nullptr), E_POINTER);
}

TEST_F(FlashSourceTest, HandsOutThePlayersPictureAndKeepsItsOwnState) {
  FlashElement element = NewElement();
  CFrameLock lock;
  EXPECT_EQ(element->LockFrame(nullptr, &lock), S_OK);  // no movie: no picture
  EXPECT_EQ(lock.picture, nullptr);
  EXPECT_EQ(element->UnlockFrame(), S_OK);

  ASSERT_EQ(element->Open(movie), S_OK);
  flash_test::PumpMessages(150);
  lock = CFrameLock();
  EXPECT_EQ(element->LockFrame(nullptr, &lock), S_OK);
  ASSERT_NE(lock.picture, nullptr);
  EXPECT_EQ(lock.picture->GetWidth(), 550);
  EXPECT_EQ(lock.source.right - lock.source.left, 0);  // the whole picture
  // The player makes transparent movies: the inner half shows the frame, opaque.
  const BYTE* centre = lock.picture->GetBits() + size_t(200) * lock.picture->GetStride() + 275 * 4;
  EXPECT_GE(StandInFrameOfColour(centre[0], centre[1], centre[2]), 0);
  EXPECT_EQ(centre[3], 255);
  const BYTE* corner = lock.picture->GetBits();
  EXPECT_EQ(corner[3], 0);
  EXPECT_EQ(element->UnlockFrame(), S_OK);
  EXPECT_EQ(element->UnlockFrame(), S_OK);  // a second unlock does nothing

  struct Step {
    HRESULT (CFlashSource::*operation)();
    HRESULT result;
    int32_t state;
  };
  const Step steps[] = {
      {&CFlashSource::Pause, S_FALSE, STATE_STOPPED}, {&CFlashSource::Stop, S_FALSE, STATE_STOPPED},
      {&CFlashSource::Play, S_OK, STATE_PLAYING},     {&CFlashSource::Play, S_FALSE, STATE_PLAYING},
      {&CFlashSource::Pause, S_OK, STATE_PAUSED},     {&CFlashSource::Pause, S_FALSE, STATE_PAUSED},
      {&CFlashSource::Play, S_OK, STATE_PLAYING},     {&CFlashSource::Stop, S_OK, STATE_STOPPED},
  };
  for (const Step& step : steps) {
    EXPECT_EQ(((*element).*step.operation)(), step.result);
    EXPECT_EQ(element->GetState(), step.state);
  }
  EXPECT_FALSE(element->IsFinished());
}

TEST_F(FlashSourceTest, ASwfPathMakesAFlashElement) {
  CSourceProxy proxy;
  ASSERT_EQ(proxy.OpenPath(movie), S_OK);
  EXPECT_EQ(proxy.GetTypeCode(), ELEMENT_FLASH);
  EXPECT_NE(dynamic_cast<CFlashSource*>(proxy.GetElement()), nullptr);
  EXPECT_EQ(proxy.OpenPath(tooShort), E_FAIL);
  EXPECT_EQ(proxy.GetElement(), nullptr);
}

}  // namespace
