// The player end to end, as the program and a messenger use it: the stand-in camera is
// installed, an engine is initialised through the library, its main source is made a
// playlist and given clips whose pixels code their frame numbers, and the program's
// main-thread tick runs while a capture graph on the camera watches. The camera shows the
// clips in list order and as the loop mode says, skips a missing file after reporting it,
// and shows the stock picture of a stopped list; the player's position, duration and
// volume read back in the program's units.
#include <dshow.h>
#include <gdiplus.h>
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "EngineClient.h"
#include "engine/effects/PropertyIds.h"
#include "platform/vcam/VcamDevice.h"
#include "tests/engine/CameraTestSupport.h"
#include "tests/platform/dshow/AviWriter.h"

namespace {

using camera_test::CameraCapture;
using camera_test::Captured;
using camera_test::kCameraName;
using camera_test::kHardwareId;
using camera_test::MeanDifference;
using camera_test::ProgramFolder;
using camera_test::ScaledPicture;
using engine_client::Engine;
using engine_client::EngineObject;
using engine_client::kEngineEvent;
using engine_client::Library;
using engine_client::Message;
using engine_client::NotifyWindow;
using engine_client::Text;

constexpr int kRate = 20;
// The output has the clips' size, so their frames reach the camera pixel for pixel.
constexpr int kWidth = 64;
constexpr int kHeight = 48;
constexpr int kPlaylistType = 18;
constexpr int kMainSource = -1;
constexpr int kMediaFailedEvent = 1013;
constexpr DWORD kTickPeriodMs = 300;  // the program's main-thread tick

// The clips: coded numbers, ten frames a second, video only.
struct ClipRange {
  char name;
  int first;
  int frames;
  int Last() const { return first + frames - 1; }
  bool Holds(int64_t index) const { return index >= first && index <= Last(); }
};
constexpr ClipRange kClipA{'A', 0, 10};
constexpr ClipRange kClipB{'B', 100, 10};
constexpr ClipRange kClipLong{'L', 200, 30};  // three seconds
constexpr ClipRange kClips[] = {kClipA, kClipB, kClipLong};

// A stretch of frames of one clip in rising order; a clip that starts again opens a new one.
struct Segment {
  char clip;
  int64_t first;
  int64_t last;
  int distinct;
};

std::vector<Segment> Segments(const std::vector<int64_t>& indices) {
  std::vector<Segment> segments;
  for (int64_t index : indices) {
    const ClipRange* clip = nullptr;
    for (const ClipRange& c : kClips)
      if (c.Holds(index)) clip = &c;
    if (!clip) continue;  // a picture that is not a clip frame
    if (!segments.empty() && segments.back().clip == clip->name && index >= segments.back().last) {
      if (index > segments.back().last) ++segments.back().distinct;
      segments.back().last = index;
      continue;
    }
    segments.push_back({clip->name, index, index, 1});
  }
  return segments;
}

std::string Names(const std::vector<Segment>& segments) {
  std::string names;
  for (const Segment& s : segments) names += s.clip;
  return names;
}

std::string Describe(const std::vector<Segment>& segments) {
  std::string text;
  for (const Segment& s : segments)
    text += std::string(1, s.clip) + "[" + std::to_string(s.first) + ".." + std::to_string(s.last) +
            " " + std::to_string(s.distinct) + "] ";
  return text;
}

// A segment that shows the clip from near its start to near its end, allowing for frames
// the camera's rate missed.
void ExpectWholeClip(const Segment& segment, const ClipRange& clip) {
  EXPECT_EQ(segment.clip, clip.name);
  EXPECT_LE(segment.first, clip.first + 2) << "the clip is shown from its start";
  EXPECT_GE(segment.last, clip.Last() - 2) << "the clip is shown to its end";
  EXPECT_GE(segment.distinct, clip.frames / 2) << "most of its frames are shown";
}

class PlaylistEndToEnd : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    Gdiplus::GdiplusStartupInput input;
    Gdiplus::GdiplusStartup(&s_gdiplus, &input, nullptr);
  }
  static void TearDownTestSuite() { Gdiplus::GdiplusShutdown(s_gdiplus); }

  void SetUp() override {
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    ASSERT_TRUE(library.Loaded());
    ASSERT_TRUE(camera_test::InstallCamera(library));
    ASSERT_TRUE(buffer.Open());

    char temp[MAX_PATH];
    GetTempPathA(MAX_PATH, temp);
    folder = std::string(temp) + "playlist end to end " + std::to_string(GetCurrentProcessId());
    CreateDirectoryA(folder.c_str(), nullptr);
    for (const ClipRange& clip : kClips) {
      AviClip avi;
      avi.width = kWidth;
      avi.height = kHeight;
      avi.frames = clip.frames;
      avi.rate = 10;
      avi.firstIndex = uint32_t(clip.first);
      const std::string path = ClipPath(clip);
      ASSERT_TRUE(WriteAvi(std::wstring(path.begin(), path.end()), avi)) << path;
    }
  }

  void TearDown() override {
    capture.Stop();
    for (const ClipRange& clip : kClips) DeleteFileA(ClipPath(clip).c_str());
    RemoveDirectoryA(folder.c_str());
    library.RemoveDevice(kHardwareId);
    CoUninitialize();
  }

  std::string ClipPath(const ClipRange& clip) const {
    return folder + "\\clip " + clip.name + ".avi";
  }

  // Initialises the engine as the program does and makes its main source a playlist; then
  // a messenger's capture graph starts on the camera.
  void StartPlaylist(Engine* e) {
    VD(e, SetNotifyWindow, notify.Handle());
    ASSERT_EQ(VD(e, SetOutputSize, kWidth, kHeight), 1);
    ASSERT_EQ(VD(e, SetFrameRate, kRate), 1);
    VD(e, Initialize, kCameraName);
    ASSERT_EQ(
        VD(e, SetProperty, kMainSource, PROP_SOURCE_TYPE, std::to_string(kPlaylistType).c_str()),
        TRUE);
    // The capture graph takes the size of the frames the camera holds when it starts.
    ASSERT_TRUE(RunUntil(
        e,
        [&] {
          std::vector<uint8_t> frame;
          int32_t width = 0, height = 0;
          uint32_t count = 0;
          return buffer.ReadFrame(frame, width, height, count) && width == kWidth &&
                 height == kHeight;
        },
        5000))
        << "the engine sends frames of the output size";
    ASSERT_TRUE(capture.Start());
    ASSERT_TRUE(RunUntil(
        e, [&] { return capture.Grabber()->Samples() > 0; }, 5000))
        << "the camera sends pictures";
  }

  void Set(Engine* e, int property, const std::string& value) {
    EXPECT_EQ(VD(e, SetProperty, kMainSource, property, value.c_str()), TRUE)
        << std::hex << property << " = " << value;
  }

  std::string Get(Engine* e, int property) {
    Text value;
    EXPECT_EQ(VD(e, GetProperty, kMainSource, property, "", &value), TRUE) << std::hex << property;
    return value.value;
  }

  // The program's main loop: messages are dispatched and the engine ticks every 300 ms
  // until the condition holds or the time runs out.
  bool RunUntil(Engine* e, const std::function<bool()>& condition, DWORD timeoutMs) {
    const DWORD start = GetTickCount();
    DWORD lastTick = start;
    for (;;) {
      if (condition()) return true;
      const DWORD now = GetTickCount();
      if (now - start >= timeoutMs) return false;
      if (now - lastTick >= kTickPeriodMs) {
        VD(e, Tick);
        lastTick = now;
      }
      notify.Pump(10);
    }
  }

  // Runs until the camera's frames, split into clips, name at least `wanted` in order.
  std::vector<Segment> RunUntilSegments(Engine* e, const std::string& wanted, DWORD timeoutMs) {
    RunUntil(
        e,
        [&] {
          const std::string names = Names(Segments(capture.Grabber()->Indices()));
          return names.size() >= wanted.size() && names.compare(0, wanted.size(), wanted) == 0;
        },
        timeoutMs);
    return Segments(capture.Grabber()->Indices());
  }

  static ULONG_PTR s_gdiplus;
  Library library;
  NotifyWindow notify;
  vcam::FrameBuffer buffer;
  CameraCapture capture;
  std::string folder;
};

ULONG_PTR PlaylistEndToEnd::s_gdiplus = 0;

TEST_F(PlaylistEndToEnd, LoopAllPlaysTheClipsInListOrderAndStartsOverWithTheFirst) {
  EngineObject engine(library);
  StartPlaylist(engine.get());
  Set(engine.get(), PROP_PLAYLIST_ADD, ClipPath(kClipA) + "|" + ClipPath(kClipB));
  Set(engine.get(), PROP_PLAYLIST_LOOP_ALL, "1");
  EXPECT_EQ(Get(engine.get(), PROP_PLAYLIST_LOOP), "2");
  Set(engine.get(), PROP_PLAYER_PLAY, "1");

  const std::vector<Segment> segments = RunUntilSegments(engine.get(), "ABA", 20000);
  ASSERT_GE(segments.size(), 3u) << Describe(segments);
  EXPECT_EQ(Names(segments).substr(0, 3), "ABA") << Describe(segments);
  ExpectWholeClip(segments[0], kClipA);
  ExpectWholeClip(segments[1], kClipB);
  EXPECT_LE(segments[2].first, kClipA.first + 2) << "the first clip starts over";
}

TEST_F(PlaylistEndToEnd, LoopOneRepeatsTheCurrentClip) {
  EngineObject engine(library);
  StartPlaylist(engine.get());
  Set(engine.get(), PROP_PLAYLIST_ADD, ClipPath(kClipA) + "|" + ClipPath(kClipB));
  Set(engine.get(), PROP_PLAYLIST_LOOP_ONE, "1");
  EXPECT_EQ(Get(engine.get(), PROP_PLAYLIST_LOOP), "1");
  Set(engine.get(), PROP_PLAYER_PLAY, "1");

  const std::vector<Segment> segments = RunUntilSegments(engine.get(), "AAA", 20000);
  ASSERT_GE(segments.size(), 3u) << Describe(segments);
  EXPECT_EQ(Names(segments).find('B'), std::string::npos) << Describe(segments);
  ExpectWholeClip(segments[0], kClipA);
  ExpectWholeClip(segments[1], kClipA);
  EXPECT_EQ(Get(engine.get(), PROP_PLAYLIST_INDEX), "0");
}

TEST_F(PlaylistEndToEnd, AMissingFileIsReportedAndSkipped) {
  EngineObject engine(library);
  StartPlaylist(engine.get());
  const std::string missing = folder + "\\not there.avi";
  Set(engine.get(), PROP_PLAYLIST_ADD, ClipPath(kClipA) + "|" + missing + "|" + ClipPath(kClipB));
  notify.Take(kEngineEvent);
  Set(engine.get(), PROP_PLAYER_PLAY, "1");

  const std::vector<Segment> segments = RunUntilSegments(engine.get(), "ABA", 20000);
  ASSERT_GE(segments.size(), 3u) << Describe(segments);
  EXPECT_EQ(Names(segments).substr(0, 3), "ABA") << Describe(segments);
  ExpectWholeClip(segments[0], kClipA);
  ExpectWholeClip(segments[1], kClipB);

  const std::vector<Message> events = notify.Take(kEngineEvent);
  const Message failed{kEngineEvent, 1, kMediaFailedEvent};
  EXPECT_NE(std::find(events.begin(), events.end(), failed), events.end())
      << "the program is told that an item failed";
  int code = 0;
  Text text;
  EXPECT_EQ(VD(engine.get(), GetLastEvent, &code, &text), 1);
  EXPECT_EQ(code, kMediaFailedEvent);
  EXPECT_EQ(text.value, missing);
}

TEST_F(PlaylistEndToEnd, PositionDurationAndVolumeReadInTheProgramsUnits) {
  EngineObject engine(library);
  StartPlaylist(engine.get());
  EXPECT_EQ(Get(engine.get(), PROP_PLAYER_POSITION), "0|0") << "nothing plays yet";
  Set(engine.get(), PROP_PLAYLIST_ADD, ClipPath(kClipLong));
  Set(engine.get(), PROP_PLAYER_PLAY, "1");
  ASSERT_TRUE(RunUntil(
      engine.get(), [&] { return Names(Segments(capture.Grabber()->Indices())) == "L"; }, 10000));

  // Position and duration in milliseconds, joined by '|'.
  auto readTime = [&](int64_t& position, int64_t& duration) {
    const std::string value = Get(engine.get(), PROP_PLAYER_POSITION);
    const size_t bar = value.find('|');
    ASSERT_NE(bar, std::string::npos) << value;
    position = std::atoll(value.substr(0, bar).c_str());
    duration = std::atoll(value.substr(bar + 1).c_str());
  };
  int64_t position = 0, duration = 0;
  readTime(position, duration);
  EXPECT_NEAR(double(duration), 3000.0, 100.0);
  EXPECT_GE(position, 0);
  EXPECT_LE(position, duration);
  RunUntil(
      engine.get(), [] { return false; }, 800);
  int64_t later = 0;
  readTime(later, duration);
  EXPECT_GT(later, position + 300) << "the position runs in milliseconds";
  EXPECT_LE(later, duration);

  // The player's volume reads back as set.
  for (const char* volume : {"0", "35", "100"}) {
    Set(engine.get(), PROP_PLAYER_VOLUME, volume);
    EXPECT_EQ(Get(engine.get(), PROP_PLAYER_VOLUME), volume);
  }
}

TEST_F(PlaylistEndToEnd, AStoppedListShowsTheStoppedStockPicture) {
  EngineObject engine(library);
  StartPlaylist(engine.get());
  Set(engine.get(), PROP_PLAYLIST_ADD, ClipPath(kClipLong));
  Set(engine.get(), PROP_PLAYER_PLAY, "1");
  ASSERT_TRUE(RunUntil(
      engine.get(), [&] { return Names(Segments(capture.Grabber()->Indices())) == "L"; }, 10000));
  EXPECT_EQ(Get(engine.get(), PROP_PLAYER_STOP), "1") << "stopping makes sense while playing";

  Set(engine.get(), PROP_PLAYER_STOP, "1");
  const int after = capture.Grabber()->Samples();
  RunUntil(
      engine.get(), [&] { return capture.Grabber()->Samples() >= after + 5; }, 5000);
  const Captured shown = capture.Last();
  ASSERT_EQ(shown.header.biWidth, kWidth);
  ASSERT_EQ(shown.header.biHeight, kHeight);
  EXPECT_EQ(Get(engine.get(), PROP_PLAYER_STOP), "0");
  EXPECT_EQ(Get(engine.get(), PROP_PLAYER_POSITION), "0|0");

  // The picture is the fourth stock picture, and none of the others.
  double differences[4];
  for (int n = 0; n < 4; ++n) {
    const std::string path =
        ProgramFolder() + "res\\images\\source" + std::to_string(n + 1) + ".png";
    differences[n] = MeanDifference(shown, ScaledPicture(path, kWidth, kHeight));
  }
  EXPECT_LT(differences[3], 12.0);
  for (int n = 0; n < 3; ++n) EXPECT_GT(differences[n], differences[3] + 10.0) << n + 1;
}

}  // namespace
