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

}  // namespace
