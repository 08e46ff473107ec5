// The engine's renderer filter: the media types it takes, what it keeps of them, and the
// samples it hands to its sink, alone and inside a graph of the system.
#include "engine/graphs/FrameRenderer.h"

#include <dvdmedia.h>
#include <gtest/gtest.h>

#include <vector>

#include "tests/engine/GraphTestSupport.h"
#include "tests/platform/dshow/TestFilters.h"

using graph_test::CRecordingSink;
using graph_test::SinkFrame;

namespace {

// A media sample over a buffer the test owns.
class CFakeSample : public IMediaSample {
 public:
  explicit CFakeSample(std::vector<BYTE>& buffer) : m_buffer(buffer) {}
  STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override {
    if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IMediaSample)) {
      *ppv = static_cast<IMediaSample*>(this);
      return S_OK;
    }
    *ppv = nullptr;
    return E_NOINTERFACE;
  }
  STDMETHODIMP_(ULONG) AddRef() override { return 2; }
  STDMETHODIMP_(ULONG) Release() override { return 1; }
  STDMETHODIMP GetPointer(BYTE** buffer) override {
    *buffer = m_buffer.data();
    return S_OK;
  }
  STDMETHODIMP_(long) GetSize() override { return static_cast<long>(m_buffer.size()); }
  STDMETHODIMP GetTime(REFERENCE_TIME*, REFERENCE_TIME*) override {
    return VFW_E_SAMPLE_TIME_NOT_SET;
  }
  STDMETHODIMP SetTime(REFERENCE_TIME*, REFERENCE_TIME*) override { return S_OK; }
  STDMETHODIMP IsSyncPoint() override { return S_OK; }
  STDMETHODIMP SetSyncPoint(BOOL) override { return S_OK; }
  STDMETHODIMP IsPreroll() override { return S_FALSE; }
  STDMETHODIMP SetPreroll(BOOL) override { return S_OK; }
  STDMETHODIMP_(long) GetActualDataLength() override { return actualLength; }
  STDMETHODIMP SetActualDataLength(long length) override {
    actualLength = length;
    return S_OK;
  }
  STDMETHODIMP GetMediaType(AM_MEDIA_TYPE** type) override {
    *type = nullptr;
    return S_FALSE;
  }
  STDMETHODIMP SetMediaType(AM_MEDIA_TYPE*) override { return S_OK; }
  STDMETHODIMP IsDiscontinuity() override { return S_FALSE; }
  STDMETHODIMP SetDiscontinuity(BOOL) override { return S_OK; }
  STDMETHODIMP GetMediaTime(LONGLONG*, LONGLONG*) override { return VFW_E_MEDIA_TIME_NOT_SET; }
  STDMETHODIMP SetMediaTime(LONGLONG*, LONGLONG*) override { return S_OK; }

  long actualLength = 0;

 private:
  std::vector<BYTE>& m_buffer;
};

// A renderer with one reference held by the test.
struct RendererHolder {
  explicit RendererHolder(IFrameSink* sink) {
    HRESULT hr = S_OK;
    renderer = new CFrameRenderer(nullptr, &hr, sink);
    EXPECT_EQ(S_OK, hr);
    renderer->NonDelegatingAddRef();
  }
  ~RendererHolder() { renderer->NonDelegatingRelease(); }
  CFrameRenderer* renderer;
};

CMediaType VideoInfo2Type(const GUID& subtype) {
  CMediaType mt(&MEDIATYPE_Video);
  mt.SetSubtype(&subtype);
  mt.SetFormatType(&FORMAT_VideoInfo2);
  auto* vih = reinterpret_cast<VIDEOINFOHEADER2*>(mt.AllocFormatBuffer(sizeof(VIDEOINFOHEADER2)));
  vih->bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  vih->bmiHeader.biWidth = 64;
  vih->bmiHeader.biHeight = 48;
  vih->bmiHeader.biPlanes = 1;
  vih->bmiHeader.biBitCount = 24;
  return mt;
}

struct TypeCase {
  const char* name;
  CMediaType type;
  HRESULT expected;
};

TEST(FrameRenderer, AcceptsOnlyRgb24AndRgb32VideoWithVideoInfoFormat) {
  CMediaType audio = MakeVideoType(MEDIASUBTYPE_RGB24, 64, 48, 333333);
  audio.SetType(&MEDIATYPE_Audio);
  const TypeCase cases[] = {
      {"RGB24", MakeVideoType(MEDIASUBTYPE_RGB24, 64, 48, 333333), S_OK},
      {"RGB32", MakeVideoType(MEDIASUBTYPE_RGB32, 64, 48, 333333), S_OK},
      {"YUY2", MakeVideoType(MEDIASUBTYPE_YUY2, 64, 48, 333333), E_INVALIDARG},
      {"RGB24 in VideoInfo2", VideoInfo2Type(MEDIASUBTYPE_RGB24), E_INVALIDARG},
      {"RGB565", MakeVideoType(MEDIASUBTYPE_RGB565, 64, 48, 333333), E_INVALIDARG},
      {"audio", audio, E_INVALIDARG},
  };
  RendererHolder holder(nullptr);
  for (const TypeCase& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(c.expected, holder.renderer->CheckMediaType(&c.type));
    if (c.expected != S_OK) {
      EXPECT_EQ(c.expected, holder.renderer->SetMediaType(&c.type));
    }
  }
  EXPECT_EQ(E_POINTER, holder.renderer->CheckMediaType(nullptr));
  EXPECT_EQ(E_POINTER, holder.renderer->SetMediaType(nullptr));
}

TEST(FrameRenderer, KeepsTheHeaderAndSubtypeOfTheConnection) {
  RendererHolder holder(nullptr);
  CMediaType mt = MakeVideoType(MEDIASUBTYPE_RGB32, 80, 60, 333333);
  ASSERT_EQ(S_OK, holder.renderer->SetMediaType(&mt));
  const BITMAPINFOHEADER header = holder.renderer->GetVideoHeader();
  EXPECT_EQ(0, memcmp(&header, &reinterpret_cast<VIDEOINFOHEADER*>(mt.Format())->bmiHeader,
                      sizeof(header)));
  EXPECT_EQ(80, header.biWidth);
  EXPECT_EQ(32, header.biBitCount);
  EXPECT_TRUE(IsEqualGUID(MEDIASUBTYPE_RGB32, holder.renderer->GetSubtype()));
}

TEST(FrameRenderer, RefusesAFormatBlockThatIsMissingOrTooShort) {
  RendererHolder holder(nullptr);
  CMediaType none = MakeVideoType(MEDIASUBTYPE_RGB24, 64, 48, 333333);
  none.ResetFormatBuffer();
  none.SetFormatType(&FORMAT_VideoInfo);
  EXPECT_EQ(E_UNEXPECTED, holder.renderer->SetMediaType(&none));
  CMediaType shortBlock = MakeVideoType(MEDIASUBTYPE_RGB24, 64, 48, 333333);
  const std::vector<BYTE> block(shortBlock.Format(), shortBlock.Format() + sizeof(VIDEOINFOHEADER));
  ASSERT_TRUE(shortBlock.SetFormat(block.data(), sizeof(VIDEOINFOHEADER) - 1));
  EXPECT_EQ(E_UNEXPECTED, holder.renderer->SetMediaType(&shortBlock));
  // Nothing of a refused type is kept.
  EXPECT_TRUE(IsEqualGUID(GUID_NULL, holder.renderer->GetSubtype()));
}

TEST(FrameRenderer, HandsTheSampleBufferToTheSinkWithHeaderAndSubtype) {
  CRecordingSink sink;
  RendererHolder holder(&sink);
  CMediaType mt = MakeVideoType(MEDIASUBTYPE_RGB24, 64, 48, 333333);
  ASSERT_EQ(S_OK, holder.renderer->SetMediaType(&mt));
  std::vector<BYTE> buffer(64 * 3 * 48);
  FillFrame(buffer.data(), 64, 48, 3, 7);
  CFakeSample sample(buffer);
  sample.actualLength = 0;  // the data length is not what the renderer goes by
  EXPECT_EQ(S_OK, holder.renderer->DoRenderSample(&sample));
  std::vector<SinkFrame> frames = sink.Frames();
  ASSERT_EQ(1u, frames.size());
  EXPECT_EQ(buffer.data(), frames[0].bits);  // unscaled, uncopied
  EXPECT_EQ(64, frames[0].header.biWidth);
  EXPECT_EQ(48, frames[0].header.biHeight);
  EXPECT_EQ(24, frames[0].header.biBitCount);
  EXPECT_TRUE(IsEqualGUID(MEDIASUBTYPE_RGB24, frames[0].subtype));
  EXPECT_EQ(7, frames[0].index);
  EXPECT_EQ(E_POINTER, holder.renderer->DoRenderSample(nullptr));
}

TEST(FrameRenderer, DropsSamplesWithoutSinkOrShorterThanTheHeaderSays) {
  CRecordingSink sink;
  RendererHolder holder(nullptr);
  // 30 pixels of 3 bytes make 90 bytes a row, padded to 92.
  CMediaType mt = MakeVideoType(MEDIASUBTYPE_RGB24, 30, 10, 333333);
  ASSERT_EQ(S_OK, holder.renderer->SetMediaType(&mt));
  std::vector<BYTE> whole(92 * 10);
  CFakeSample sample(whole);
  EXPECT_EQ(S_OK, holder.renderer->DoRenderSample(&sample));  // no sink: dropped
  holder.renderer->SetSink(&sink);
  std::vector<BYTE> unpadded(90 * 10);
  CFakeSample shortSample(unpadded);
  EXPECT_EQ(S_OK, holder.renderer->DoRenderSample(&shortSample));
  EXPECT_EQ(0u, sink.Count());
  EXPECT_EQ(S_OK, holder.renderer->DoRenderSample(&sample));
  EXPECT_EQ(1u, sink.Count());
  holder.renderer->SetSink(nullptr);
  EXPECT_EQ(S_OK, holder.renderer->DoRenderSample(&sample));
  EXPECT_EQ(1u, sink.Count());
}

TEST(FrameRenderer, IsAFilterOfItsOwnClassWithOneInputPin) {
  RendererHolder holder(nullptr);
  CComPtr<IBaseFilter> filter;
  ASSERT_EQ(S_OK, holder.renderer->NonDelegatingQueryInterface(IID_IBaseFilter,
                                                               reinterpret_cast<void**>(&filter)));
  CLSID clsid = GUID_NULL;
  ASSERT_EQ(S_OK, filter->GetClassID(&clsid));
  const CLSID expected = {
      0xcf2e04a2, 0xbc41, 0x49f1, {0x9e, 0xb7, 0xf9, 0x1e, 0xef, 0x7f, 0xcc, 0xb4}};
  EXPECT_TRUE(IsEqualGUID(expected, clsid));
  CComPtr<IPin> pin;
  EXPECT_EQ(S_OK, GetPin(filter, 0, PINDIR_INPUT, &pin));
  EXPECT_TRUE(pin);
  CComPtr<IPin> none;
  EXPECT_EQ(E_FAIL, GetPin(filter, 1, PINDIR_INPUT, &none));
  EXPECT_EQ(E_FAIL, GetPin(filter, 0, PINDIR_OUTPUT, &none));
  EXPECT_FALSE(none);
}

// Inside a graph of the system, fed by a push source of numbered frames.
class FrameRendererInGraph : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(SUCCEEDED(com.hr));
    ASSERT_EQ(S_OK, CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER,
                                     IID_IGraphBuilder, reinterpret_cast<void**>(&graph)));
    ASSERT_EQ(S_OK, graph.QueryInterface(IID_IMediaControl, &control));
    ASSERT_EQ(S_OK, graph.QueryInterface(IID_IMediaEvent, &events));
    HRESULT hr = S_OK;
    renderer = new CFrameRenderer(nullptr, &hr, &sink);
    ASSERT_EQ(S_OK, renderer->NonDelegatingQueryInterface(
                        IID_IBaseFilter, reinterpret_cast<void**>(&rendererFilter)));
    ASSERT_EQ(S_OK, graph->AddFilter(rendererFilter, L"my Render"));
  }
  void TearDown() override {
    if (control) control->Stop();
  }
  HRESULT Connect(const SourceConfig& config) {
    source = CTestSource::Create(config);
    HRESULT hr = graph->AddFilter(source, L"Source");
    if (FAILED(hr)) return hr;
    return graph->ConnectDirect(FindPin(source, PINDIR_OUTPUT),
                                FindPin(rendererFilter, PINDIR_INPUT), nullptr);
  }

  ComScope com;
  CRecordingSink sink;
  CComPtr<IGraphBuilder> graph;
  CComPtr<IMediaControl> control;
  CComPtr<IMediaEvent> events;
  CFrameRenderer* renderer = nullptr;  // kept alive by rendererFilter
  CComPtr<IBaseFilter> rendererFilter;
  CComPtr<IBaseFilter> source;
};

class FrameRendererGraph : public FrameRendererInGraph,
                           public ::testing::WithParamInterface<GUID> {};

TEST_P(FrameRendererGraph, DeliversEveryFrameInOrderWithTheConnectionsSubtype) {
  SourceConfig config;
  config.frames = 12;
  config.subtypes = {GetParam()};
  ASSERT_EQ(S_OK, Connect(config));
  Watchdog watchdog(30000, "playing into the frame renderer");
  ASSERT_TRUE(SUCCEEDED(control->Run()));
  ASSERT_TRUE(WaitForEvent(events, EC_COMPLETE, 10000));
  std::vector<SinkFrame> frames = sink.Frames();
  ASSERT_EQ(12u, frames.size());
  for (size_t i = 0; i < frames.size(); ++i) {
    EXPECT_EQ(static_cast<int64_t>(i), frames[i].index);
    EXPECT_TRUE(IsEqualGUID(GetParam(), frames[i].subtype));
    EXPECT_EQ(IsEqualGUID(GetParam(), MEDIASUBTYPE_RGB32) ? 32 : 24, frames[i].header.biBitCount);
  }
}

TEST_P(FrameRendererGraph, WithoutSinkSamplesAreDroppedAndTheStreamEndsNormally) {
  renderer->SetSink(nullptr);
  SourceConfig config;
  config.frames = 5;
  config.subtypes = {GetParam()};
  ASSERT_EQ(S_OK, Connect(config));
  Watchdog watchdog(30000, "playing without sink");
  ASSERT_TRUE(SUCCEEDED(control->Run()));
  EXPECT_TRUE(WaitForEvent(events, EC_COMPLETE, 10000));
  EXPECT_EQ(0u, sink.Count());
}

INSTANTIATE_TEST_SUITE_P(Subtypes, FrameRendererGraph,
                         ::testing::Values(MEDIASUBTYPE_RGB24, MEDIASUBTYPE_RGB32),
                         [](const ::testing::TestParamInfo<GUID>& info) {
                           return IsEqualGUID(info.param, MEDIASUBTYPE_RGB32) ? "Rgb32" : "Rgb24";
                         });

// A graph completes when each of its renderers reported completion; one without input,
// such as the picture renderer of a sound-only file, must not hold it up.
TEST_F(FrameRendererInGraph, AnUnconnectedRendererReportsCompletionOnEveryRun) {
  Watchdog watchdog(30000, "running without connection");
  ASSERT_TRUE(SUCCEEDED(control->Run()));
  EXPECT_TRUE(WaitForEvent(events, EC_COMPLETE, 5000));
  control->Pause();
  ASSERT_TRUE(SUCCEEDED(control->Run()));
  EXPECT_TRUE(WaitForEvent(events, EC_COMPLETE, 5000));
}

TEST_F(FrameRendererInGraph, AtTheEndOfTheStreamEveryRunReportsCompletionAgain) {
  SourceConfig config;
  config.frames = 3;
  ASSERT_EQ(S_OK, Connect(config));
  Watchdog watchdog(30000, "pausing and running at the end");
  ASSERT_TRUE(SUCCEEDED(control->Run()));
  ASSERT_TRUE(WaitForEvent(events, EC_COMPLETE, 10000));
  for (int cycle = 0; cycle < 2; ++cycle) {
    SCOPED_TRACE(cycle);
    control->Pause();
    ASSERT_TRUE(SUCCEEDED(control->Run()));
    EXPECT_TRUE(WaitForEvent(events, EC_COMPLETE, 5000));
  }
  EXPECT_EQ(3u, sink.Count());
}

TEST_F(FrameRendererInGraph, RefusesADirectConnectionOfYuvVideo) {
  SourceConfig config;
  config.subtypes = {MEDIASUBTYPE_YUY2};
  EXPECT_TRUE(FAILED(Connect(config)));
}

}  // namespace
