// Seeking through the base renderer: the graph's IMediaSeeking reaches the file's
// parser through the renderer's pass-through. Files are small uncompressed AVIs written
// by the test (Wine 8.0 opens them with its GStreamer splitter).
#include <gtest/gtest.h>

#include "tests/platform/dshow/AviWriter.h"
#include "tests/platform/dshow/TestFilters.h"

namespace {

// Wine's GStreamer splitter (which opens AVI files in Wine 8.0) learns the duration a
// few milliseconds after the graph was built; until then the graph answers 0.
LONGLONG WaitForDuration(IMediaSeeking* seeking) {
  LONGLONG duration = 0;
  for (int i = 0; i < 1000; ++i) {  // ten seconds at most, for a loaded machine
    if (SUCCEEDED(seeking->GetDuration(&duration)) && duration != 0) break;
    Sleep(10);
  }
  return duration;
}

class RendererSeeking : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(SUCCEEDED(com.hr));
    wchar_t dir[MAX_PATH];
    ASSERT_NE(0u, GetTempPathW(MAX_PATH, dir));
    path = std::wstring(dir) + L"dshow_seek_" + std::to_wstring(GetCurrentProcessId()) + L".avi";
    ASSERT_TRUE(WriteAvi(path, avi));
    ASSERT_EQ(S_OK, CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER,
                                     IID_IGraphBuilder, reinterpret_cast<void**>(&graph)));
    ASSERT_EQ(S_OK, graph.QueryInterface(IID_IMediaControl, &control));
    ASSERT_EQ(S_OK, graph.QueryInterface(IID_IMediaEvent, &events));
    ASSERT_EQ(S_OK, graph.QueryInterface(IID_IMediaSeeking, &seeking));
    rendererFilter = CTestRenderer::Create({MEDIASUBTYPE_RGB24}, &renderer);
  }

  void TearDown() override {
    if (control) control->Stop();
    control.Reset();
    events.Reset();
    seeking.Reset();
    graph.Reset();
    DeleteFileW(path.c_str());
  }

  // The engine's way: the renderer is in the graph first, then the file's source filter
  // is added and its pin rendered into the renderers already there.
  void BuildFileGraph() {
    ASSERT_EQ(S_OK, graph->AddFilter(rendererFilter, L"my Render"));
    CComPtr<IBaseFilter> source;
    ASSERT_EQ(S_OK, graph->AddSourceFilter(path.c_str(), L"Video File", &source));
    CComPtr<IFilterGraph2> graph2;
    ASSERT_EQ(S_OK, graph.QueryInterface(IID_IFilterGraph2, &graph2));
    ASSERT_TRUE(SUCCEEDED(graph2->RenderEx(FindPin(source, PINDIR_OUTPUT),
                                           AM_RENDEREX_RENDERTOEXISTINGRENDERERS, nullptr)));
    CComPtr<IPin> peer;
    ASSERT_EQ(S_OK, renderer->InputPin()->ConnectedTo(&peer));
  }

  ComScope com;
  AviClip avi;  // 20 frames at 10 a second: two seconds
  std::wstring path;
  CComPtr<IGraphBuilder> graph;
  CComPtr<IMediaControl> control;
  CComPtr<IMediaEvent> events;
  CComPtr<IMediaSeeking> seeking;
  CComPtr<IBaseFilter> rendererFilter;
  CTestRenderer* renderer = nullptr;
};

TEST_F(RendererSeeking, GraphReportsTheDurationOfTheRenderedFile) {
  BuildFileGraph();
  EXPECT_EQ(20000000, WaitForDuration(seeking));
  CComPtr<IMediaPosition> position;
  ASSERT_EQ(S_OK, graph.QueryInterface(IID_IMediaPosition, &position));
  REFTIME seconds = 0;
  ASSERT_EQ(S_OK, position->get_Duration(&seconds));
  EXPECT_DOUBLE_EQ(2.0, seconds);
  // The renderer's own seeking interfaces answer the same.
  CComPtr<IMediaSeeking> own;
  ASSERT_EQ(S_OK, rendererFilter.QueryInterface(IID_IMediaSeeking, &own));
  LONGLONG duration = 0;
  ASSERT_EQ(S_OK, own->GetDuration(&duration));
  EXPECT_EQ(20000000, duration);
}

// Measured under Wine: the graph finds durations only on filters that expose seeking;
// without the renderer's pass-through the parser's duration is out of its reach.
TEST_F(RendererSeeking, GraphHasNoDurationWhenTheRendererHidesSeeking) {
  renderer->hideSeeking = true;
  BuildFileGraph();
  Sleep(200);  // the parser learns its duration shortly after it is connected
  LONGLONG duration = 0;
  EXPECT_NE(S_OK, seeking->GetDuration(&duration));
}

TEST_F(RendererSeeking, PlaysTheFileFramesInOrderAndPixelExact) {
  BuildFileGraph();
  Watchdog watchdog(60000, "playing the file");
  ASSERT_TRUE(SUCCEEDED(control->Run()));
  long code = 0;
  ASSERT_EQ(S_OK, events->WaitForCompletion(20000, &code));
  EXPECT_EQ(EC_COMPLETE, code);
  std::vector<RenderedFrame> frames = renderer->Frames();
  ASSERT_EQ(20u, frames.size());
  for (size_t i = 0; i < frames.size(); ++i) {
    EXPECT_EQ(static_cast<int64_t>(i), frames[i].index);
    EXPECT_TRUE(frames[i].timed);
    EXPECT_EQ(static_cast<REFERENCE_TIME>(i) * 1000000, frames[i].start);
  }
}

TEST_F(RendererSeeking, SeekingWhilePausedRestartsAtTheNewPosition) {
  BuildFileGraph();
  Watchdog watchdog(60000, "seeking");
  control->Pause();
  OAFilterState state = 0;
  ASSERT_EQ(S_OK, control->GetState(10000, &state));
  LONGLONG to = 10000000;  // one second: frame 10
  ASSERT_TRUE(SUCCEEDED(seeking->SetPositions(&to, AM_SEEKING_AbsolutePositioning, nullptr,
                                              AM_SEEKING_NoPositioning)));
  // The seek flushed the sample the paused renderer held; the pause completes again
  // with the first sample from the new position.
  ASSERT_EQ(S_OK, control->GetState(10000, &state));
  EXPECT_EQ(State_Paused, state);
  // The parser announced the new segment; sample times count from its start.
  EXPECT_EQ(10000000, renderer->InputPin()->CurrentStartTime());
  ASSERT_TRUE(SUCCEEDED(control->Run()));
  long code = 0;
  ASSERT_EQ(S_OK, events->WaitForCompletion(20000, &code));
  std::vector<RenderedFrame> frames = renderer->Frames();
  ASSERT_EQ(10u, frames.size());
  for (size_t i = 0; i < frames.size(); ++i) {
    EXPECT_EQ(static_cast<int64_t>(i + 10), frames[i].index);
    EXPECT_EQ(static_cast<REFERENCE_TIME>(i) * 1000000, frames[i].start);
  }
}

// Playing a file again from the start, the way a looping player does, gives a second
// complete pass and a second EC_COMPLETE. Measured under Wine 8.0: WaitForCompletion
// keeps answering S_OK with EC_COMPLETE once a run of the graph has completed, also
// after rewinding, or stopping, pausing and running again; only the event queue tells
// the passes apart.
TEST_F(RendererSeeking, RewindingAfterCompletionPlaysAndCompletesAgain) {
  BuildFileGraph();
  Watchdog watchdog(60000, "playing twice");
  ASSERT_TRUE(SUCCEEDED(control->Run()));
  ASSERT_TRUE(WaitForEvent(events, EC_COMPLETE, 20000));
  ASSERT_EQ(20u, renderer->FrameCount());
  renderer->ClearFrames();
  LONGLONG start = 0;
  ASSERT_TRUE(SUCCEEDED(seeking->SetPositions(&start, AM_SEEKING_AbsolutePositioning, nullptr,
                                              AM_SEEKING_NoPositioning)));
  ASSERT_TRUE(WaitForEvent(events, EC_COMPLETE, 20000));
  std::vector<RenderedFrame> frames = renderer->Frames();
  ASSERT_EQ(20u, frames.size());
  for (size_t i = 0; i < frames.size(); ++i) EXPECT_EQ(static_cast<int64_t>(i), frames[i].index);
}

TEST_F(RendererSeeking, RenderFileUsesTheRendererAlreadyInTheGraph) {
  ASSERT_EQ(S_OK, graph->AddFilter(rendererFilter, L"my Render"));
  ASSERT_EQ(S_OK, graph->RenderFile(path.c_str(), nullptr));
  CComPtr<IPin> peer;
  EXPECT_EQ(S_OK, renderer->InputPin()->ConnectedTo(&peer));
  EXPECT_EQ(20000000, WaitForDuration(seeking));
}

}  // namespace
