// The base renderer and the push source inside real filter graphs of the system's
// DirectShow (under Wine: quartz).
#include <gtest/gtest.h>

#include "tests/platform/dshow/TestFilters.h"

namespace {

class RendererGraph : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(SUCCEEDED(com.hr));
    ASSERT_EQ(S_OK, CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER,
                                     IID_IGraphBuilder, reinterpret_cast<void**>(&graph)));
    ASSERT_EQ(S_OK, graph.QueryInterface(IID_IMediaControl, &control));
    ASSERT_EQ(S_OK, graph.QueryInterface(IID_IMediaEvent, &events));
  }

  void TearDown() override {
    if (control) control->Stop();
  }

  // Source and renderer in the graph, connected directly.
  void Build(const SourceConfig& config, std::vector<GUID> accepted = {MEDIASUBTYPE_RGB24}) {
    source = CTestSource::Create(config);
    rendererFilter = CTestRenderer::Create(std::move(accepted), &renderer);
    ASSERT_EQ(S_OK, graph->AddFilter(source, L"Source"));
    ASSERT_EQ(S_OK, graph->AddFilter(rendererFilter, L"Renderer"));
    ASSERT_EQ(S_OK, graph->ConnectDirect(FindPin(source, PINDIR_OUTPUT),
                                         FindPin(rendererFilter, PINDIR_INPUT), nullptr));
  }

  ComScope com;
  CComPtr<IGraphBuilder> graph;
  CComPtr<IMediaControl> control;
  CComPtr<IMediaEvent> events;
  CComPtr<IBaseFilter> source;
  CComPtr<IBaseFilter> rendererFilter;
  CTestRenderer* renderer = nullptr;
};

// Wine 8.0's IMediaControl::Run is asynchronous: it pauses every filter (the renderer
// answers S_FALSE until its first sample), and a thread of the graph calls Run on the
// filters once their GetState reports the pause complete, with stream time 0 set about
// 200 ms after that moment on the system clock.
TEST_F(RendererGraph, DeliversFramesInOrderAndPixelExactThenCompletes) {
  SourceConfig config;
  config.frames = 15;
  Build(config);
  Watchdog watchdog(30000, "playing 15 frames");
  const LONGLONG begin = NowMs();
  ASSERT_TRUE(SUCCEEDED(control->Run()));
  long code = 0;
  ASSERT_EQ(S_OK, events->WaitForCompletion(10000, &code));
  EXPECT_EQ(EC_COMPLETE, code);
  const LONGLONG elapsed = NowMs() - begin;

  std::vector<RenderedFrame> frames = renderer->Frames();
  ASSERT_EQ(15u, frames.size());
  for (size_t i = 0; i < frames.size(); ++i) EXPECT_EQ(static_cast<int64_t>(i), frames[i].index);
  // 15 frames at 30 a second take half a second on the graph clock.
  EXPECT_GE(elapsed, 350);
  EXPECT_LT(elapsed, 5000);
  EXPECT_GE(frames.back().arrivalMs - frames.front().arrivalMs, 300);
}

TEST_F(RendererGraph, RendersAsSoonAsDeliveredWithoutClock) {
  SourceConfig config;
  config.frames = 90;
  config.firstStart = 3600LL * 10000000;  // an hour into the stream: a clock would wait
  Build(config);
  CComPtr<IMediaFilter> graphFilter;
  ASSERT_EQ(S_OK, graph.QueryInterface(IID_IMediaFilter, &graphFilter));
  ASSERT_EQ(S_OK, graphFilter->SetSyncSource(nullptr));
  Watchdog watchdog(60000, "playing without clock");
  const LONGLONG begin = NowMs();
  ASSERT_TRUE(SUCCEEDED(control->Run()));
  long code = 0;
  ASSERT_EQ(S_OK, events->WaitForCompletion(20000, &code));
  EXPECT_EQ(EC_COMPLETE, code);
  EXPECT_LT(NowMs() - begin, 20000);  // far from the hour, with room for a loaded machine
  std::vector<RenderedFrame> frames = renderer->Frames();
  ASSERT_EQ(90u, frames.size());
  for (size_t i = 0; i < frames.size(); ++i) EXPECT_EQ(static_cast<int64_t>(i), frames[i].index);
}

TEST_F(RendererGraph, RendersUntimedSamplesAtOnce) {
  SourceConfig config;
  config.frames = 60;
  config.frameTime = 10000000;  // a second a frame: samples paced by it would take a minute
  config.timestamps = false;
  Build(config);
  Watchdog watchdog(60000, "playing untimed samples");
  const LONGLONG begin = NowMs();
  ASSERT_TRUE(SUCCEEDED(control->Run()));
  long code = 0;
  ASSERT_EQ(S_OK, events->WaitForCompletion(20000, &code));
  EXPECT_LT(NowMs() - begin, 20000);  // with room for a loaded machine
  std::vector<RenderedFrame> frames = renderer->Frames();
  ASSERT_EQ(60u, frames.size());
  EXPECT_FALSE(frames.front().timed);
}

TEST_F(RendererGraph, PauseCompletesOnlyWhenTheFirstSampleArrives) {
  HANDLE gate = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  SourceConfig config;
  config.gate = gate;
  Build(config);
  Watchdog watchdog(30000, "pausing");
  control->Pause();
  OAFilterState state = 0;
  EXPECT_EQ(VFW_S_STATE_INTERMEDIATE, control->GetState(100, &state));
  EXPECT_EQ(State_Paused, state);
  FILTER_STATE filterState = State_Stopped;
  EXPECT_EQ(VFW_S_STATE_INTERMEDIATE, rendererFilter->GetState(0, &filterState));
  EXPECT_EQ(State_Paused, filterState);

  SetEvent(gate);
  EXPECT_EQ(S_OK, control->GetState(5000, &state));
  EXPECT_EQ(State_Paused, state);
  // The paused renderer holds the first sample; it is presented only when running.
  Sleep(100);
  EXPECT_EQ(0u, renderer->FrameCount());
  ASSERT_TRUE(SUCCEEDED(control->Run()));
  ASSERT_TRUE(renderer->WaitForFrames(3, 5000));
  EXPECT_EQ(0, renderer->Frames().front().index);
  control->Stop();
  CloseHandle(gate);
}

TEST_F(RendererGraph, EndOfStreamWhilePausedIsReportedWhenRunning) {
  SourceConfig config;
  config.frames = 0;  // end of stream right away
  Build(config);
  Watchdog watchdog(30000, "end of stream while paused");
  control->Pause();
  OAFilterState state = 0;
  // End of stream completes the pause as a sample would.
  EXPECT_EQ(S_OK, control->GetState(5000, &state));
  EXPECT_EQ(State_Paused, state);
  EXPECT_FALSE(WaitForEvent(events, EC_COMPLETE, 300));
  ASSERT_TRUE(SUCCEEDED(control->Run()));
  EXPECT_TRUE(WaitForEvent(events, EC_COMPLETE, 5000));
}

TEST_F(RendererGraph, StopReleasesASampleWaitingForItsTime) {
  SourceConfig config;
  config.firstStart = 3600LL * 10000000;  // an hour into the stream
  Build(config);
  Watchdog watchdog(30000, "stopping with a waiting sample");
  ASSERT_TRUE(SUCCEEDED(control->Run()));
  OAFilterState state = 0;
  EXPECT_EQ(S_OK, control->GetState(5000, &state));
  EXPECT_EQ(State_Running, state);
  Sleep(200);
  const LONGLONG begin = NowMs();
  EXPECT_TRUE(SUCCEEDED(control->Stop()));
  EXPECT_LT(NowMs() - begin, 2000);
  EXPECT_EQ(0u, renderer->FrameCount());
}

TEST_F(RendererGraph, SurvivesRepeatedStateChanges) {
  Build(SourceConfig{});
  Watchdog watchdog(60000, "state change cycles");
  for (int cycle = 0; cycle < 8; ++cycle) {
    SCOPED_TRACE(cycle);
    renderer->ClearFrames();
    ASSERT_TRUE(SUCCEEDED(control->Run()));
    ASSERT_TRUE(renderer->WaitForFrames(2, 5000));
    control->Pause();
    OAFilterState state = 0;
    EXPECT_EQ(S_OK, control->GetState(5000, &state));
    EXPECT_EQ(State_Paused, state);
    ASSERT_TRUE(SUCCEEDED(control->Run()));
    size_t before = renderer->FrameCount();
    ASSERT_TRUE(renderer->WaitForFrames(before + 2, 5000));
    // Wine's graph answers S_FALSE here: on Stop it sets the position back to the start
    // through IMediaSeeking, which this source cannot do.
    EXPECT_TRUE(SUCCEEDED(control->Stop()));
    // Every run starts the stream again at frame 0 and keeps the order.
    std::vector<RenderedFrame> frames = renderer->Frames();
    EXPECT_EQ(0, frames.front().index);
    for (size_t i = 1; i < frames.size(); ++i) EXPECT_EQ(frames[i - 1].index + 1, frames[i].index);
    control->Pause();
    EXPECT_TRUE(SUCCEEDED(control->Stop()));
    FILTER_STATE filterState = State_Running;
    EXPECT_EQ(S_OK, rendererFilter->GetState(0, &filterState));
    EXPECT_EQ(State_Stopped, filterState);
  }
}

TEST_F(RendererGraph, StopRacingEndOfStreamDoesNotDeadlock) {
  SourceConfig config;
  config.frames = 3;
  Build(config);
  CComPtr<IMediaFilter> graphFilter;
  ASSERT_EQ(S_OK, graph.QueryInterface(IID_IMediaFilter, &graphFilter));
  ASSERT_EQ(S_OK, graphFilter->SetSyncSource(nullptr));  // as fast as it goes
  Watchdog watchdog(60000, "stopping while the stream ends");
  for (int cycle = 0; cycle < 40; ++cycle) {
    ASSERT_TRUE(SUCCEEDED(control->Run()));
    if (cycle % 2) Sleep(1);
    ASSERT_TRUE(SUCCEEDED(control->Stop()));
  }
  // And the graph still plays to the end afterwards. (Wine 8.0's WaitForCompletion
  // keeps reporting the completion of an earlier run, through Stop and Run; the
  // renderer's end of stream is the reliable sign here.)
  renderer->ClearFrames();
  ASSERT_TRUE(SUCCEEDED(control->Run()));
  for (int i = 0; i < 500 && !renderer->IsEndOfStream(); ++i) Sleep(10);
  EXPECT_TRUE(renderer->IsEndOfStream());
  EXPECT_EQ(3u, renderer->FrameCount());
}

}  // namespace
