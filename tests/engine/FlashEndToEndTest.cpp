// Flash movies end to end, through the engine library and the stand-in camera, with the
// stand-in Flash control where the engine looks for the control: a movie's pictures reach
// a messenger's capture graph about ten times a second, a transparent movie shows what
// lies below it, a movie too short to be one is reported from a playlist, and an effect
// file carries the movie's bytes unchanged.
#include <dshow.h>
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "EngineClient.h"
#include "engine/base/PackageFile.h"
#include "engine/effects/PropertyIds.h"
#include "platform/flash/FlashStandIn.h"
#include "tests/engine/CameraTestSupport.h"
#include "tests/engine/EngineOnCamera.h"
#include "tests/engine/FlashTestSupport.h"

namespace {

using engine_client::Engine;
using engine_client::EngineObject;
using engine_client::kEngineEvent;
using engine_client::Message;
using engine_client::Text;

using camera_test::ProgramFolder;
using swf_test::SwfLayout;

constexpr int kWidth = 320;
constexpr int kHeight = 240;
constexpr int kRate = 20;
constexpr int kMainSource = -1;
constexpr int kPlaylistType = 18;
constexpr int kMediaFailedEvent = 1013;

class FlashEndToEnd : public camera_test::EngineOnCamera {
 protected:
  FlashEndToEnd() : EngineOnCamera(kWidth, kHeight, kRate) {}
  void SetUp() override {
    folder = ProgramFolder();
    flash_test::RegisterStandIn(folder, false);  // a killed run may have left it
    ASSERT_TRUE(flash_test::InstallStandInFile(folder));
    EngineOnCamera::SetUp();
    movie = NewMovie("movie.swf", SwfLayout());
  }
  void TearDown() override {
    capture.Stop();
    EngineOnCamera::TearDown();
    flash_test::RemoveStandInFile(folder);
  }

  std::string NewMovie(const std::string& name, const SwfLayout& layout) {
    files.push_back(flash_test::WriteMovie(name, layout));
    return files.back();
  }

  // Keeps the program's side going (its messages, among them the Flash window's timer,
  // and the engine's tick) until the condition holds; false on time-out.
  bool RunUntil(const std::function<bool()>& condition, DWORD timeoutMs) {
    const DWORD start = GetTickCount();
    for (;;) {
      if (condition()) return true;
      if (GetTickCount() - start > timeoutMs) return false;
      notify.Pump(10);
      VD(Eng(), Tick);
    }
  }

  // Starts a messenger's capture graph once the camera holds frames of the output size.
  void StartCapture() {
    ASSERT_TRUE(RunUntil(
        [&] {
          std::vector<uint8_t> frame;
          int32_t width = 0, height = 0;
          uint32_t count = 0;
          return buffer.ReadFrame(frame, width, height, count) && width == kWidth &&
                 height == kHeight;
        },
        5000));
    ASSERT_TRUE(capture.Start());
    ASSERT_TRUE(RunUntil([&] { return capture.Grabber()->Samples() > 0; }, 5000));
  }

  // The movie frame a pixel of the last captured picture shows, -1 for none.
  int FrameAt(int x, int y) {
    const camera_test::Captured frame = capture.Last();
    if (frame.header.biWidth != kWidth || frame.pixels.empty()) return -1;
    const BYTE* p = frame.At(x, y);
    return StandInFrameOfColour(p[0], p[1], p[2]);
  }

  camera_test::CameraCapture capture;
  std::string folder;
  std::string movie;
};

TEST_F(FlashEndToEnd, AMovieAsTheMainSourceReachesTheCameraAboutTenTimesASecond) {
  ASSERT_EQ(VD(Eng(), OpenElementFile, kMainSource, movie.c_str()), TRUE);
  StartCapture();
  ASSERT_TRUE(RunUntil([&] { return FrameAt(kWidth / 2, kHeight / 2) >= 0; }, 5000))
      << "the movie shows in the middle of the picture";

  // The movie runs at 25 frames a second; its pictures are taken every 100 ms.
  std::vector<int> frames;
  const DWORD start = GetTickCount();
  RunUntil(
      [&] {
        const int frame = FrameAt(kWidth / 2, kHeight / 2);
        if (frame >= 0 && (frames.empty() || frames.back() != frame)) frames.push_back(frame);
        return GetTickCount() - start >= 2000;
      },
      3000);
  EXPECT_GE(frames.size(), size_t(10));
  EXPECT_LE(frames.size(), size_t(26));
}

TEST_F(FlashEndToEnd, ATransparentMovieShowsTheLayerBelowAroundItsDrawing) {
  Engine* e = Eng();
  ASSERT_EQ(VD(e, OpenElementFile, kMainSource, "@color:0x30A050"), TRUE);
  ASSERT_EQ(VD(e, AddEffect, movie.c_str(), "Frame", nullptr, nullptr), TRUE);
  const int id = VD(e, GetSelectedEffect);
  ASSERT_GT(id, 0);
  EXPECT_EQ(VD(e, SetProperty, id, PROP_LAYOUT_PRESET, "0"), TRUE);  // the whole frame
  Text path;
  EXPECT_EQ(VD(e, GetProperty, id, PROP_FLASH_PATH, "", &path), TRUE);
  EXPECT_EQ(path.value, "1");
  StartCapture();
  ASSERT_TRUE(RunUntil([&] { return FrameAt(kWidth / 2, kHeight / 2) >= 0; }, 5000));

  const camera_test::Captured frame = capture.Last();
  const POINT corners[] = {{4, 4}, {kWidth - 5, 4}, {4, kHeight - 5}, {kWidth - 5, kHeight - 5}};
  for (const POINT& at : corners) {
    const BYTE* p = frame.At(at.x, at.y);
    // The colour reference 0x30A050: blue 0x30, green 0xA0, red 0x50.
    EXPECT_EQ(p[0], 0x30) << at.x << "," << at.y;
    EXPECT_EQ(p[1], 0xA0);
    EXPECT_EQ(p[2], 0x50);
  }
}

TEST_F(FlashEndToEnd, AMovieTooShortToBeOneIsReportedFromThePlaylist) {
  Engine* e = Eng();
  SwfLayout exact;
  exact.fileSize = 300;
  const std::string tooShort = NewMovie("short.swf", exact);
  ASSERT_EQ(flash_test::FileBytes(tooShort).size(), 300u);
  ASSERT_EQ(VD(e, SetProperty, kMainSource, PROP_SOURCE_TYPE,
               std::to_string(kPlaylistType).c_str()),
            TRUE);
  ASSERT_EQ(VD(e, SetProperty, kMainSource, PROP_PLAYLIST_ADD, tooShort.c_str()), TRUE);
  notify.Take(kEngineEvent);
  ASSERT_EQ(VD(e, SetProperty, kMainSource, PROP_PLAYER_PLAY, "1"), TRUE);
  const Message failed{kEngineEvent, 1, kMediaFailedEvent};
  std::vector<Message> events;
  EXPECT_TRUE(RunUntil(
      [&] {
        for (const Message& m : notify.Take(kEngineEvent)) events.push_back(m);
        return std::find(events.begin(), events.end(), failed) != events.end();
      },
      5000));
  int code = 0;
  Text text;
  EXPECT_EQ(VD(e, GetLastEvent, &code, &text), 1);
  EXPECT_EQ(code, kMediaFailedEvent);
  EXPECT_EQ(text.value, tooShort);
}

TEST_F(FlashEndToEnd, AnEffectFileCarriesTheMovieBytesUnchanged) {
  Engine* e = Eng();
  SwfLayout packed;
  packed.compressed = true;
  const std::string compressed = NewMovie("packed.swf", packed);
  const std::vector<uint8_t> bytes = flash_test::FileBytes(compressed);
  const std::string made = flash_test::TempPath("made.efc");
  const std::string saved = flash_test::TempPath("saved.efc");
  files.push_back(made);
  files.push_back(saved);

  ASSERT_EQ(VD(e, CreateEffectFile, made.c_str(), "", "", "Frame", 2, compressed.c_str()), TRUE);
  CPackageFile package(CPackageFile::kAnyTag);
  const std::vector<uint8_t> madeBytes = flash_test::FileBytes(made);
  ASSERT_EQ(package.LoadFromMemory(madeBytes.data(), madeBytes.size()), S_OK);
  std::vector<uint8_t> stored;
  package.GetBytes(PROP_MEDIA_DATA, stored);
  EXPECT_EQ(stored, bytes);
  EXPECT_EQ(package.GetInt(PROP_SOURCE_TYPE, 0), 2);

  // The effect plays the movie from the file's bytes, and saves them again unchanged.
  DeleteFileA(compressed.c_str());
  ASSERT_EQ(VD(e, AddEffect, made.c_str(), nullptr, nullptr, nullptr), TRUE);
  const int id = VD(e, GetSelectedEffect);
  EXPECT_EQ(VD(e, SetProperty, id, PROP_LAYOUT_PRESET, "0"), TRUE);
  StartCapture();
  EXPECT_TRUE(RunUntil([&] { return FrameAt(kWidth / 2, kHeight / 2) >= 0; }, 5000));
  ASSERT_EQ(VD(e, SaveEffect, id, "Frame", "Misc", "Movie", saved.c_str()), TRUE);
  CPackageFile again(CPackageFile::kAnyTag);
  const std::vector<uint8_t> savedBytes = flash_test::FileBytes(saved);
  ASSERT_EQ(again.LoadFromMemory(savedBytes.data(), savedBytes.size()), S_OK);
  std::vector<uint8_t> storedAgain;
  again.GetBytes(PROP_MEDIA_DATA, storedAgain);
  EXPECT_EQ(storedAgain, bytes);
}

}  // namespace
