// The file playback graph under the system's DirectShow: building the graph for a path,
// playing into the sink, state, position, volume and completion. The clips are small AVIs
// written by the tests (uncompressed, the frame number coded in the pixels) and clips that
// GStreamer wrote at build time (Motion JPEG, with and without sound).
#include "engine/graphs/FilePlayerGraph.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>

#include "engine/base/ModuleValues.h"
#include "engine/graphs/FrameRenderer.h"
#include "tests/engine/GraphTestSupport.h"
#include "tests/engine/ThreadCount.h"
#include "tests/platform/dshow/TestFilters.h"

using graph_test::Bgr;
using graph_test::CProbeGraph;
using graph_test::CRecordingSink;
using graph_test::SinkFrame;
using graph_test::WaitUntil;

namespace {

constexpr int kFrames = 20;
constexpr int kRate = 20;  // the clip lasts one second
constexpr int32_t kDurationMs = 1000;

bool Contains(const std::vector<std::wstring>& names, const std::wstring& name) {
  return std::find(names.begin(), names.end(), name) != names.end();
}

bool CopyClip(const std::string& from, const std::string& to) {
  return CopyFileA(from.c_str(), to.c_str(), FALSE) != 0;
}

class FilePlayerGraphTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(SUCCEEDED(com.hr));
    clip = graph_test::ScratchFolder() + "clip.avi";
    ASSERT_TRUE(graph_test::WriteCodedClip(clip, kFrames, kRate));
    graph = std::make_unique<CProbeGraph>(&sink);
  }

  void TearDown() override {
    graph.reset();
    graph_test::RemoveScratchFolder();
  }

  bool WaitForCompletion(DWORD timeoutMs) {
    return WaitUntil([&] { return graph->IsComplete() != FALSE; }, timeoutMs);
  }

  // The splitter learns the duration shortly after the graph was built.
  int32_t WaitForDuration() {
    int32_t position = 0, duration = 0;
    WaitUntil([&] { return SUCCEEDED(graph->GetPosition(&position, &duration)) && duration; },
              5000);
    return duration;
  }

  void ExpectPausedAndSettled() {
    OAFilterState state = State_Stopped;
    EXPECT_EQ(S_OK, graph->WaitForGraphState(10000, &state));
    EXPECT_EQ(State_Paused, state);
  }

  ComScope com;
  std::string clip;
  CRecordingSink sink;
  std::unique_ptr<CProbeGraph> graph;  // goes before the sink it delivers to
};

TEST_F(FilePlayerGraphTest, IsAFileGraphNamedAfterItsPath) {
  EXPECT_EQ(GRAPH_KIND_FILE, graph->GetKind());
  EXPECT_EQ(GRAPH_STOPPED, graph->GetState());
  ASSERT_EQ(S_OK, graph->OpenFile(clip));
  EXPECT_EQ(clip, graph->GetName());
  EXPECT_EQ(GRAPH_STOPPED, graph->GetState());
}

TEST_F(FilePlayerGraphTest, BuildsTheClipIntoTheFrameRendererBesideTheAudioRenderer) {
  ASSERT_EQ(S_OK, graph->OpenFile(clip));
  CComPtr<IBaseFilter> renderer = graph->FindFilter(L"my Render");
  ASSERT_TRUE(renderer);
  CLSID clsid = GUID_NULL;
  ASSERT_EQ(S_OK, renderer->GetClassID(&clsid));
  EXPECT_TRUE(IsEqualGUID(CLSID_FrameRenderer, clsid));
  CComPtr<IPin> input = FindPin(renderer, PINDIR_INPUT);
  CComPtr<IPin> peer;
  EXPECT_EQ(S_OK, input->ConnectedTo(&peer));

  CComPtr<IBaseFilter> audio = graph->FindFilter(L"Audio Renderer");
  ASSERT_TRUE(audio);
  ASSERT_EQ(S_OK, audio->GetClassID(&clsid));
  EXPECT_TRUE(IsEqualGUID(CLSID_DSoundRender, clsid));
  EXPECT_TRUE(graph->FindFilter(L"Video File"));
  // Building does not start the graph.
  Sleep(200);
  EXPECT_EQ(0u, sink.Count());
}

TEST_F(FilePlayerGraphTest, PlaysTheClipPixelExactAndInOrderThenCompletes) {
  Watchdog watchdog(60000, "playing the clip");
  ASSERT_EQ(S_OK, graph->OpenFile(clip));
  ASSERT_TRUE(SUCCEEDED(graph->Run()));
  EXPECT_EQ(GRAPH_RUNNING, graph->GetState());
  ASSERT_TRUE(WaitForCompletion(15000));
  EXPECT_EQ(GRAPH_COMPLETE, graph->GetState());
  std::vector<SinkFrame> frames = sink.Frames();
  ASSERT_EQ(static_cast<size_t>(kFrames), frames.size());
  for (size_t i = 0; i < frames.size(); ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(static_cast<int64_t>(i), frames[i].index);  // every byte, rows upright
    EXPECT_EQ(64, frames[i].header.biWidth);
    EXPECT_EQ(48, frames[i].header.biHeight);
    EXPECT_TRUE(IsEqualGUID(MEDIASUBTYPE_RGB24, frames[i].subtype) ||
                IsEqualGUID(MEDIASUBTYPE_RGB32, frames[i].subtype));
  }
}

TEST_F(FilePlayerGraphTest, OpenBuildsAndRuns) {
  Watchdog watchdog(60000, "opening and running");
  ASSERT_TRUE(SUCCEEDED(graph->Open(clip)));
  EXPECT_EQ(GRAPH_RUNNING, graph->GetState());
  EXPECT_TRUE(sink.WaitForCount(3, 10000));
}

TEST_F(FilePlayerGraphTest, AnswersDurationAndPositionInMilliseconds) {
  Watchdog watchdog(60000, "position and duration");
  ASSERT_EQ(S_OK, graph->OpenFile(clip));
  EXPECT_EQ(kDurationMs, WaitForDuration());
  int32_t position = -1, duration = -1;
  ASSERT_EQ(S_OK, graph->GetPosition(&position, &duration));
  EXPECT_EQ(0, position);

  // Half way through.
  ASSERT_TRUE(SUCCEEDED(graph->Pause()));
  ExpectPausedAndSettled();
  ASSERT_TRUE(SUCCEEDED(graph->SetPosition(kDurationMs / 2)));
  ExpectPausedAndSettled();
  ASSERT_EQ(S_OK, graph->GetPosition(&position, &duration));
  EXPECT_EQ(kDurationMs / 2, position);
  EXPECT_EQ(kDurationMs, duration);

  // At the end the position has reached the duration.
  ASSERT_TRUE(SUCCEEDED(graph->Run()));
  ASSERT_TRUE(WaitForCompletion(15000));
  ASSERT_EQ(S_OK, graph->GetPosition(&position, &duration));
  EXPECT_GE(position, kDurationMs - 100);
  EXPECT_LE(position, kDurationMs);
  EXPECT_EQ(E_POINTER, graph->GetPosition(nullptr, &duration));
}

TEST_F(FilePlayerGraphTest, SeekingWhilePausedPlaysOnFromThePosition) {
  Watchdog watchdog(60000, "seeking");
  ASSERT_EQ(S_OK, graph->OpenFile(clip));
  ASSERT_TRUE(SUCCEEDED(graph->Pause()));
  ExpectPausedAndSettled();
  ASSERT_TRUE(SUCCEEDED(graph->SetPosition(500)));  // frame 10
  ExpectPausedAndSettled();
  EXPECT_EQ(0u, sink.Count());  // a paused graph shows nothing yet
  ASSERT_TRUE(SUCCEEDED(graph->Run()));
  ASSERT_TRUE(WaitForCompletion(15000));
  std::vector<int64_t> expected;
  for (int i = 10; i < kFrames; ++i) expected.push_back(i);
  EXPECT_EQ(expected, sink.Indices());
  EXPECT_EQ(E_INVALIDARG, graph->SetPosition(-1));
}

TEST_F(FilePlayerGraphTest, PauseHoldsTheFramesAndRunGoesOn) {
  Watchdog watchdog(60000, "pause and run cycles");
  // A clip long enough for a few cycles: five seconds.
  const std::string longClip = graph_test::ScratchFolder() + "long.avi";
  ASSERT_TRUE(graph_test::WriteCodedClip(longClip, 100, kRate));
  ASSERT_EQ(S_OK, graph->OpenFile(longClip));
  ASSERT_TRUE(SUCCEEDED(graph->Run()));
  for (int cycle = 0; cycle < 3; ++cycle) {
    SCOPED_TRACE(cycle);
    ASSERT_TRUE(sink.WaitForCount(sink.Count() + 2, 10000));
    ASSERT_TRUE(SUCCEEDED(graph->Pause()));
    EXPECT_EQ(GRAPH_PAUSED, graph->GetState());
    ExpectPausedAndSettled();
    const size_t held = sink.Count();
    // Paused for three frame times: nothing arrives.
    EXPECT_FALSE(sink.WaitForCount(held + 1, 150));
    ASSERT_TRUE(SUCCEEDED(graph->Run()));
    EXPECT_EQ(GRAPH_RUNNING, graph->GetState());
  }
  ASSERT_TRUE(sink.WaitForCount(sink.Count() + 2, 10000));
  // The frames ran on in order through the pauses.
  std::vector<int64_t> indices = sink.Indices();
  for (size_t i = 0; i < indices.size(); ++i) EXPECT_EQ(static_cast<int64_t>(i), indices[i]);
  EXPECT_FALSE(graph->IsComplete());
}

TEST_F(FilePlayerGraphTest, AfterStopNoFrameReachesTheSinkAlsoWhenRunAgain) {
  Watchdog watchdog(60000, "stop and run");
  ASSERT_EQ(S_OK, graph->OpenFile(clip));
  ASSERT_TRUE(SUCCEEDED(graph->Run()));
  ASSERT_TRUE(sink.WaitForCount(3, 10000));
  ASSERT_TRUE(SUCCEEDED(graph->Stop()));
  EXPECT_EQ(GRAPH_STOPPED, graph->GetState());
  OAFilterState state = State_Running;
  EXPECT_EQ(S_OK, graph->WaitForGraphState(5000, &state));
  EXPECT_EQ(State_Stopped, state);
  const size_t delivered = sink.Count();
  // The graph plays the clip again, to its end, without the sink.
  ASSERT_TRUE(SUCCEEDED(graph->Run()));
  ASSERT_TRUE(WaitForCompletion(15000));
  EXPECT_EQ(delivered, sink.Count());
  ASSERT_TRUE(SUCCEEDED(graph->Pause()));
  EXPECT_EQ(GRAPH_PAUSED, graph->GetState());
  ASSERT_TRUE(SUCCEEDED(graph->Stop()));
  EXPECT_EQ(GRAPH_STOPPED, graph->GetState());
}

enum class Replay { kStopThenRun, kRewindWhileRunning };

class FilePlayerGraphReplay : public FilePlayerGraphTest,
                              public ::testing::WithParamInterface<Replay> {};

// Under Wine the graph's own completion wait keeps answering "complete" once any pass
// completed; the second pass must still be reported only at its own end.
TEST_P(FilePlayerGraphReplay, CompletionOfASecondPassComesAtItsEndNotAtOnce) {
  Watchdog watchdog(60000, "playing twice");
  ASSERT_EQ(S_OK, graph->OpenFile(clip));
  ASSERT_TRUE(SUCCEEDED(graph->Run()));
  ASSERT_TRUE(WaitForCompletion(15000));
  const LONGLONG secondPassStart = NowMs();
  if (GetParam() == Replay::kStopThenRun) {
    ASSERT_TRUE(SUCCEEDED(graph->Stop()));
    EXPECT_FALSE(graph->IsComplete());
    EXPECT_EQ(GRAPH_STOPPED, graph->GetState());
    ASSERT_TRUE(SUCCEEDED(graph->Run()));
  } else {
    sink.Clear();
    ASSERT_TRUE(SUCCEEDED(graph->SetPosition(0)));
    EXPECT_EQ(GRAPH_RUNNING, graph->GetState());
  }
  EXPECT_FALSE(graph->IsComplete());
  EXPECT_EQ(GRAPH_RUNNING, graph->GetState());
  ASSERT_TRUE(WaitForCompletion(15000));
  EXPECT_EQ(GRAPH_COMPLETE, graph->GetState());
  // The second pass took the clip's time.
  EXPECT_GE(NowMs() - secondPassStart, kDurationMs - 200);
  if (GetParam() == Replay::kRewindWhileRunning) {
    std::vector<int64_t> indices = sink.Indices();
    ASSERT_FALSE(indices.empty());
    EXPECT_EQ(kFrames - 1, indices.back());
  }
}

INSTANTIATE_TEST_SUITE_P(Ways, FilePlayerGraphReplay,
                         ::testing::Values(Replay::kStopThenRun, Replay::kRewindWhileRunning),
                         [](const ::testing::TestParamInfo<Replay>& info) {
                           return info.param == Replay::kStopThenRun ? "StopThenRun"
                                                                     : "RewindWhileRunning";
                         });

TEST_F(FilePlayerGraphTest, RunningACompletedGraphAgainReportsItCompleteAgain) {
  Watchdog watchdog(60000, "running a completed graph");
  ASSERT_EQ(S_OK, graph->OpenFile(clip));
  ASSERT_TRUE(SUCCEEDED(graph->Run()));
  ASSERT_TRUE(WaitForCompletion(15000));
  // Still running at the end: nothing more will play, so it stays complete.
  ASSERT_TRUE(SUCCEEDED(graph->Run()));
  EXPECT_EQ(GRAPH_RUNNING, graph->GetState());
  EXPECT_TRUE(graph->IsComplete());
  EXPECT_EQ(GRAPH_COMPLETE, graph->GetState());
}

TEST_F(FilePlayerGraphTest, AMissingLocalFileFailsBeforeAnyGraphIsMade) {
  const std::string missing = graph_test::ScratchFolder() + "no such folder\\clip.avi";
  EXPECT_EQ(E_FAIL, graph->OpenFile(missing));
  EXPECT_EQ(missing, graph->GetName());
  EXPECT_EQ(nullptr, graph->Graph());
  // Everything that needs the graph answers without it.
  EXPECT_EQ(1, graph->Run());
  EXPECT_EQ(1, graph->Pause());
  EXPECT_EQ(1, graph->Stop());
  EXPECT_EQ(GRAPH_STOPPED, graph->GetState());
  EXPECT_EQ(E_FAIL, graph->SetVolume(50));
  EXPECT_EQ(E_FAIL, graph->SetPosition(0));
  int32_t position = -1, duration = -1;
  EXPECT_EQ(E_FAIL, graph->GetPosition(&position, &duration));
  EXPECT_EQ(0, position);
  EXPECT_EQ(0, duration);
  EXPECT_FALSE(graph->IsComplete());

  CFilePlayerGraph other(&sink);
  EXPECT_EQ(E_FAIL, other.Open(missing));
  EXPECT_EQ(GRAPH_STOPPED, other.GetState());
}

TEST_F(FilePlayerGraphTest, AnAddressSkipsTheFileCheck) {
  Watchdog watchdog(60000, "opening an address");
  // Nothing listens there; what matters is that a graph was made for it.
  graph->OpenFile("http://127.0.0.1:9/clip.avi");
  EXPECT_NE(nullptr, graph->Graph());
  EXPECT_TRUE(graph->FindFilter(L"my Render"));
}

TEST_F(FilePlayerGraphTest, OpensOnlyOnce) {
  ASSERT_EQ(S_OK, graph->OpenFile(clip));
  EXPECT_EQ(E_UNEXPECTED, graph->OpenFile(clip));
  graph->Close();
  EXPECT_EQ(nullptr, graph->Graph());
  EXPECT_EQ(E_UNEXPECTED, graph->OpenFile(clip));
  EXPECT_EQ(1, graph->Run());
}

struct AsfCase {
  const char* name;
  const char* file;  // inside the scratch folder; a folder part is made first
  bool asfReader;
};

class FilePlayerGraphAsf : public FilePlayerGraphTest,
                           public ::testing::WithParamInterface<AsfCase> {};

// The ASF reader opens a file only by its extension, in any case; a Windows Media name
// elsewhere in the path does not count.
TEST_P(FilePlayerGraphAsf, ChoosesTheAsfReaderByTheFileExtensionOnly) {
  Watchdog watchdog(60000, "choosing the source filter");
  const std::string folder = graph_test::ScratchFolder();
  const std::string file = GetParam().file;
  const size_t slash = file.rfind('\\');
  if (slash != std::string::npos) {
    ASSERT_TRUE(CreateDirectoryA((folder + file.substr(0, slash)).c_str(), nullptr));
  }
  const std::string path = folder + file;
  ASSERT_TRUE(CopyClip(clip, path));
  const HRESULT hr = graph->OpenFile(path);
  const std::vector<std::wstring> names = graph->FilterNames();
  EXPECT_EQ(GetParam().asfReader, Contains(names, L"ASF Reader"));
  EXPECT_EQ(!GetParam().asfReader, Contains(names, L"Video File"));
  if (!GetParam().asfReader) {
    ASSERT_EQ(S_OK, hr);
    ASSERT_TRUE(SUCCEEDED(graph->Run()));
    EXPECT_TRUE(WaitForCompletion(15000));
    EXPECT_EQ(static_cast<size_t>(kFrames), sink.Count());
  }
}

INSTANTIATE_TEST_SUITE_P(
    Paths, FilePlayerGraphAsf,
    ::testing::Values(AsfCase{"Wmv", "clip.wmv", true}, AsfCase{"WmvInCapitals", "clip.WMV", true},
                      AsfCase{"Wma", "clip.wma", true}, AsfCase{"Asf", "clip.Asf", true},
                      AsfCase{"AviInAFolderNamedWmv", "x.wmv\\clip.avi", false},
                      AsfCase{"WmvBeforeTheExtension", "clip.wmv.avi", false}),
    [](const ::testing::TestParamInfo<AsfCase>& info) { return info.param.name; });

struct ExtraFilterCase {
  const char* name;
  const char* file;
  int kind;
  bool enabled;
};

class FilePlayerGraphExtraFilters : public FilePlayerGraphTest,
                                    public ::testing::WithParamInterface<ExtraFilterCase> {
 protected:
  void TearDown() override {
    EnableSourceFilter(GetParam().kind, true);
    FilePlayerGraphTest::TearDown();
  }
};

// The RealMedia and FLV filters are not on this system: whether their switch is on or off,
// the file opens with the system's source filter.
TEST_P(FilePlayerGraphExtraFilters, FilesOpenWithoutTheMissingExtraFilters) {
  Watchdog watchdog(60000, "opening without the extra filters");
  EnableSourceFilter(GetParam().kind, GetParam().enabled);
  const std::string path = graph_test::ScratchFolder() + GetParam().file;
  ASSERT_TRUE(CopyClip(clip, path));
  ASSERT_EQ(S_OK, graph->OpenFile(path));
  EXPECT_TRUE(graph->FindFilter(L"Video File"));
  ASSERT_TRUE(SUCCEEDED(graph->Run()));
  EXPECT_TRUE(sink.WaitForCount(3, 10000));
}

INSTANTIATE_TEST_SUITE_P(
    Files, FilePlayerGraphExtraFilters,
    ::testing::Values(ExtraFilterCase{"RmOn", "clip.rm", SOURCE_FILTER_REALMEDIA, true},
                      ExtraFilterCase{"RmvbOff", "clip.RMVB", SOURCE_FILTER_REALMEDIA, false},
                      ExtraFilterCase{"FlvOn", "clip.flv", SOURCE_FILTER_FLV, true},
                      ExtraFilterCase{"FlvOff", "clip.flv", SOURCE_FILTER_FLV, false}),
    [](const ::testing::TestParamInfo<ExtraFilterCase>& info) { return info.param.name; });

TEST(SourceFilterSwitches, AreOnByDefaultAndFollowTheProgram) {
  EXPECT_TRUE(IsSourceFilterEnabled(SOURCE_FILTER_REALMEDIA));
  EXPECT_TRUE(IsSourceFilterEnabled(SOURCE_FILTER_FLV));
  EnableSourceFilter(SOURCE_FILTER_FLV, false);
  EXPECT_FALSE(IsSourceFilterEnabled(SOURCE_FILTER_FLV));
  EXPECT_TRUE(IsSourceFilterEnabled(SOURCE_FILTER_REALMEDIA));
  EnableSourceFilter(SOURCE_FILTER_FLV, true);
  EXPECT_TRUE(IsSourceFilterEnabled(SOURCE_FILTER_FLV));
  EnableSourceFilter(3, false);  // no such kind
  EXPECT_FALSE(IsSourceFilterEnabled(3));
  EXPECT_FALSE(IsSourceFilterEnabled(0));
}

TEST(FilePlayerVolume, MapsZeroToSilenceAndOneToHundredOntoThirtyDecibels) {
  const struct {
    int32_t volume;
    long attenuation;
  } cases[] = {{0, -10000}, {1, -2970}, {50, -1500}, {70, -900}, {99, -30}, {100, 0}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.volume);
    EXPECT_EQ(c.attenuation, VolumeToAttenuation(c.volume));
  }
}

TEST(FilePlayerPaths, WindowsMediaFilesAreKnownByTheirExtension) {
  EXPECT_TRUE(IsWindowsMediaPath("C:\\media\\clip.wmv"));
  EXPECT_TRUE(IsWindowsMediaPath("C:\\media\\song.WMA"));
  EXPECT_TRUE(IsWindowsMediaPath("http://host/show.asf"));
  // An address's query is not part of its extension.
  EXPECT_TRUE(IsWindowsMediaPath("http://host/clip.wmv?id=1"));
  EXPECT_TRUE(IsWindowsMediaPath("mms://host/live.ASF?user=a.b&x=1"));
  EXPECT_FALSE(IsWindowsMediaPath("http://host/play.php?file=clip.wmv"));
  EXPECT_FALSE(IsWindowsMediaPath("C:\\x.wmv\\clip.avi"));
  EXPECT_FALSE(IsWindowsMediaPath("C:\\media\\clip.wmvx"));
  EXPECT_FALSE(IsWindowsMediaPath("C:\\media\\wmv"));
}

TEST_F(FilePlayerGraphTest, VolumeReachesTheAudioRendererOfAClipWithSound) {
  Watchdog watchdog(60000, "playing with sound");
  ASSERT_EQ(S_OK, graph->OpenFile(graph_test::BuildClip("sound.avi")));
  CComPtr<IPin> audioInput = FindPin(graph->FindFilter(L"Audio Renderer"), PINDIR_INPUT);
  CComPtr<IPin> peer;
  ASSERT_EQ(S_OK, audioInput->ConnectedTo(&peer));
  for (int32_t volume : {50, 0, 1, 100, 70}) {
    SCOPED_TRACE(volume);
    ASSERT_EQ(S_OK, graph->SetVolume(volume));
    EXPECT_EQ(VolumeToAttenuation(volume), graph->ReadVolume());
  }
  // Out of range: refused, the volume stays.
  EXPECT_EQ(E_INVALIDARG, graph->SetVolume(101));
  EXPECT_EQ(E_INVALIDARG, graph->SetVolume(-1));
  EXPECT_EQ(VolumeToAttenuation(70), graph->ReadVolume());
  // It plays, and stops in time.
  ASSERT_TRUE(SUCCEEDED(graph->Run()));
  EXPECT_TRUE(sink.WaitForCount(3, 10000));
  ASSERT_EQ(S_OK, graph->SetVolume(30));
  EXPECT_EQ(VolumeToAttenuation(30), graph->ReadVolume());
  const LONGLONG begin = NowMs();
  EXPECT_TRUE(SUCCEEDED(graph->Stop()));
  EXPECT_LT(NowMs() - begin, 5000);
  EXPECT_EQ(GRAPH_STOPPED, graph->GetState());
}

TEST_F(FilePlayerGraphTest, DecodesCompressedVideoIntoTheRenderer) {
  Watchdog watchdog(60000, "playing Motion JPEG");
  ASSERT_EQ(S_OK, graph->OpenFile(graph_test::BuildClip("mjpeg.avi")));
  ASSERT_TRUE(SUCCEEDED(graph->Run()));
  ASSERT_TRUE(WaitForCompletion(15000));
  std::vector<SinkFrame> frames = sink.Frames();
  ASSERT_EQ(static_cast<size_t>(kFrames), frames.size());
  for (const SinkFrame& frame : frames) {
    ASSERT_EQ(64, frame.header.biWidth);
    ASSERT_EQ(48, frame.header.biHeight < 0 ? -frame.header.biHeight : frame.header.biHeight);
    // The colour bars: white at the top left, dark blue at the bottom left.
    const Bgr top = graph_test::PixelAt(frame, 3, 3);
    const Bgr bottom = graph_test::PixelAt(frame, 3, 44);
    EXPECT_GT(std::min({top.b, top.g, top.r}), 200);
    EXPECT_NEAR(128, bottom.b, 48);
    EXPECT_GT(bottom.b - std::max(bottom.g, bottom.r), 40);
  }
}

TEST_F(FilePlayerGraphTest, ASoundOnlyFilePlaysToItsEnd) {
  Watchdog watchdog(60000, "playing sound only");
  ASSERT_EQ(S_OK, graph->OpenFile(graph_test::BuildClip("tone.wav")));
  EXPECT_EQ(S_OK, graph->SetVolume(50));
  ASSERT_TRUE(SUCCEEDED(graph->Run()));
  EXPECT_TRUE(WaitForCompletion(15000));
  EXPECT_EQ(0u, sink.Count());
}

TEST_F(FilePlayerGraphTest, KeepsTimeByTheAudioRendererOnlyWhenItPlaysSound) {
  Watchdog watchdog(60000, "choosing the clock");
  const struct {
    std::string path;
    bool sound;
  } cases[] = {
      {clip, false},
      {graph_test::BuildClip("mjpeg.avi"), false},
      {graph_test::BuildClip("sound.avi"), true},
      {graph_test::BuildClip("tone.wav"), true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.path);
    auto probe = std::make_unique<CProbeGraph>(&sink);
    ASSERT_EQ(S_OK, probe->OpenFile(c.path));
    ASSERT_TRUE(SUCCEEDED(probe->Run()));
    EXPECT_TRUE(probe->HasClock());
    EXPECT_EQ(c.sound, probe->KeepsTimeBy(L"Audio Renderer"));
    probe.reset();
  }
}

TEST_F(FilePlayerGraphTest, ClipsOpenedOneAfterAnotherLeaveNoThreadBehind) {
  // A playlist opens a new graph for every item: whatever a played graph leaves behind
  // adds up. A thread left per graph is the visible sign (under Wine the clock of an audio
  // renderer that played nothing stayed, with its thread and about 1 MB).
  Watchdog watchdog(120000, "opening clips one after another");
  constexpr int kOpens = 10;
  int afterFirst = 0;
  for (int i = 0; i < kOpens; ++i) {
    SCOPED_TRACE(i);
    sink.Clear();
    auto probe = std::make_unique<CProbeGraph>(&sink);
    ASSERT_TRUE(SUCCEEDED(probe->Open(clip)));
    ASSERT_TRUE(sink.WaitForCount(3, 10000));
    probe.reset();
    Sleep(50);  // threads that end with the graph have gone
    if (i == 0) afterFirst = ThreadCount();
  }
  EXPECT_LE(ThreadCount(), afterFirst + 2);
}

TEST_F(FilePlayerGraphTest, DestroyingARunningGraphEndsDeliveryAtOnce) {
  Watchdog watchdog(60000, "destroying a running graph");
  ASSERT_EQ(S_OK, graph->OpenFile(clip));
  ASSERT_TRUE(SUCCEEDED(graph->Run()));
  ASSERT_TRUE(sink.WaitForCount(2, 10000));
  graph.reset();
  const size_t delivered = sink.Count();
  EXPECT_FALSE(sink.WaitForCount(delivered + 1, 200));
}

}  // namespace
