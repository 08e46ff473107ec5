// Media-type negotiation between the push source's output pin and the base renderer's
// input pin: directly and through the graph's intelligent connect.
#include <gtest/gtest.h>

#include "tests/platform/dshow/TestFilters.h"

namespace {

class MediaTypeNegotiation : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(SUCCEEDED(com.hr));
    ASSERT_EQ(S_OK, CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER,
                                     IID_IGraphBuilder, reinterpret_cast<void**>(&graph)));
  }

  void Add(std::vector<GUID> offered, std::vector<GUID> accepted) {
    SourceConfig config;
    config.subtypes = std::move(offered);
    source = CTestSource::Create(config);
    rendererFilter = CTestRenderer::Create(std::move(accepted), &renderer);
    ASSERT_EQ(S_OK, graph->AddFilter(source, L"Source"));
    ASSERT_EQ(S_OK, graph->AddFilter(rendererFilter, L"Renderer"));
    out = FindPin(source, PINDIR_OUTPUT);
    in = FindPin(rendererFilter, PINDIR_INPUT);
  }

  ComScope com;
  CComPtr<IGraphBuilder> graph;
  CComPtr<IBaseFilter> source, rendererFilter;
  CComPtr<IPin> out, in;
  CTestRenderer* renderer = nullptr;
};

std::wstring Name(const GUID& g) {
  wchar_t text[40] = {};
  StringFromGUID2(g, text, 40);
  return text;
}

TEST_F(MediaTypeNegotiation, ConnectionTakesTheFirstOfferedTypeTheRendererAccepts) {
  Add({MEDIASUBTYPE_YUY2, MEDIASUBTYPE_RGB32, MEDIASUBTYPE_RGB24},
      {MEDIASUBTYPE_RGB24, MEDIASUBTYPE_RGB32});
  ASSERT_EQ(S_OK, graph->ConnectDirect(out, in, nullptr));
  EXPECT_EQ(Name(MEDIASUBTYPE_RGB32), Name(renderer->ConnectedSubtype()));
  AM_MEDIA_TYPE outType, inType;
  ASSERT_EQ(S_OK, out->ConnectionMediaType(&outType));
  ASSERT_EQ(S_OK, in->ConnectionMediaType(&inType));
  EXPECT_TRUE(CMediaType(outType) == CMediaType(inType));
  FreeMediaType(outType);
  FreeMediaType(inType);
}

TEST_F(MediaTypeNegotiation, PartialTypeLimitsTheCandidates) {
  Add({MEDIASUBTYPE_RGB32, MEDIASUBTYPE_RGB24}, {MEDIASUBTYPE_RGB24, MEDIASUBTYPE_RGB32});
  CMediaType partial(&MEDIATYPE_Video);
  partial.SetSubtype(&MEDIASUBTYPE_RGB24);
  ASSERT_EQ(S_OK, graph->ConnectDirect(out, in, &partial));
  EXPECT_EQ(Name(MEDIASUBTYPE_RGB24), Name(renderer->ConnectedSubtype()));
}

struct RefusedCase {
  const char* name;
  bool fullType;  // connect with the complete YUY2 type instead of none
  HRESULT expected;
};

void PrintTo(const RefusedCase& c, std::ostream* os) { *os << c.name; }

class RefusedDirectConnection : public MediaTypeNegotiation,
                                public ::testing::WithParamInterface<RefusedCase> {};

TEST_P(RefusedDirectConnection, LeavesBothPinsUnconnected) {
  Add({MEDIASUBTYPE_YUY2}, {MEDIASUBTYPE_RGB24});
  CMediaType yuy2 = MakeVideoType(MEDIASUBTYPE_YUY2, 64, 48, 333333);
  EXPECT_EQ(GetParam().expected,
            graph->ConnectDirect(out, in, GetParam().fullType ? &yuy2 : nullptr));
  CComPtr<IPin> peer;
  EXPECT_EQ(VFW_E_NOT_CONNECTED, out->ConnectedTo(&peer));
  EXPECT_EQ(VFW_E_NOT_CONNECTED, in->ConnectedTo(&peer));
  // The failed attempt left nothing behind: the source pin connects to a renderer
  // that takes its type.
  CTestRenderer* other = nullptr;
  CComPtr<IBaseFilter> otherFilter = CTestRenderer::Create({MEDIASUBTYPE_YUY2}, &other);
  ASSERT_EQ(S_OK, graph->AddFilter(otherFilter, L"Other"));
  EXPECT_EQ(S_OK, graph->ConnectDirect(out, FindPin(otherFilter, PINDIR_INPUT), nullptr));
  EXPECT_EQ(Name(MEDIASUBTYPE_YUY2), Name(other->ConnectedSubtype()));
}

INSTANTIATE_TEST_SUITE_P(Cases, RefusedDirectConnection,
                         ::testing::Values(RefusedCase{"AnyType", false, VFW_E_NO_ACCEPTABLE_TYPES},
                                           RefusedCase{"FullType", true, VFW_E_TYPE_NOT_ACCEPTED}),
                         [](const ::testing::TestParamInfo<RefusedCase>& info) {
                           return info.param.name;
                         });

int CountFilters(IGraphBuilder* graph) {
  CComPtr<IEnumFilters> filters;
  if (FAILED(graph->EnumFilters(&filters))) return -1;
  int count = 0;
  for (;;) {
    CComPtr<IBaseFilter> filter;
    if (filters->Next(1, &filter, nullptr) != S_OK) return count;
    ++count;
  }
}

// A refused type makes intelligent connect look for a converter. Windows inserts its
// colour space converter or AVI decompressor. Wine 8.0 registers no converter between
// uncompressed formats (measured: YUY2 to RGB24 or RGB32, RGB32 to RGB24 and RGB24 to
// RGB32 all fail with VFW_E_CANNOT_CONNECT), so there the connection fails cleanly.
TEST_F(MediaTypeNegotiation, IntelligentConnectNeverHandsTheRendererARefusedType) {
  Add({MEDIASUBTYPE_YUY2}, {MEDIASUBTYPE_RGB24});
  HRESULT hr = graph->Connect(out, in);
  CComPtr<IPin> peer;
  if (SUCCEEDED(hr)) {
    EXPECT_EQ(Name(MEDIASUBTYPE_RGB24), Name(renderer->ConnectedSubtype()));
    ASSERT_EQ(S_OK, in->ConnectedTo(&peer));
    EXPECT_NE(out.Get(), peer.Get());  // something converts in between
  } else {
    EXPECT_EQ(VFW_E_CANNOT_CONNECT, hr);
    EXPECT_EQ(VFW_E_NOT_CONNECTED, in->ConnectedTo(&peer));
    EXPECT_EQ(VFW_E_NOT_CONNECTED, out->ConnectedTo(&peer));
    EXPECT_EQ(2, CountFilters(graph));  // filters tried on the way were removed again
  }
}

}  // namespace
