// Reference counting, aggregation, media types, enumerators and filter identity.
#include <gtest/gtest.h>

#include <thread>

#include "tests/platform/dshow/TestFilters.h"

namespace {

std::atomic<int> g_Destroyed{0};

// A plain object with one interface (IPersist), countable destruction.
class CThing : public CUnknown, public IPersist {
 public:
  static const CLSID kClsid;
  CThing(IUnknown* outer) : CUnknown(L"Thing", outer) {}
  ~CThing() override { ++g_Destroyed; }
  DECLARE_IUNKNOWN
  STDMETHODIMP NonDelegatingQueryInterface(REFIID riid, void** ppv) override {
    if (IsEqualIID(riid, IID_IPersist)) return GetInterface(static_cast<IPersist*>(this), ppv);
    return CUnknown::NonDelegatingQueryInterface(riid, ppv);
  }
  STDMETHODIMP GetClassID(CLSID* clsid) override {
    *clsid = kClsid;
    return S_OK;
  }
  LONG Count() const { return m_cRef.load(); }
};
// {6D1F3A52-8E0B-4C61-9A77-2B5E31C0D410}
const CLSID CThing::kClsid = {
    0x6d1f3a52, 0x8e0b, 0x4c61, {0x9a, 0x77, 0x2b, 0x5e, 0x31, 0xc0, 0xd4, 0x10}};

// An object that exposes IPersist only through an aggregated CThing.
class COuter : public CUnknown {
 public:
  COuter() : CUnknown(L"Outer", nullptr) {
    m_pThing = new CThing(GetOwner());
    m_pInner = m_pThing->GetInner();
    m_pInner->AddRef();
  }
  ~COuter() override {
    m_pInner->Release();
    ++g_Destroyed;
  }
  STDMETHODIMP NonDelegatingQueryInterface(REFIID riid, void** ppv) override {
    if (IsEqualIID(riid, IID_IPersist)) return m_pInner->QueryInterface(riid, ppv);
    return CUnknown::NonDelegatingQueryInterface(riid, ppv);
  }
  LONG Count() const { return m_cRef.load(); }
  CThing* m_pThing;
  IUnknown* m_pInner;
};

TEST(ComBase, ReferenceCountIsThreadSafe) {
  g_Destroyed = 0;
  auto* thing = new CThing(nullptr);
  IPersist* persist = thing;
  persist->AddRef();
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t)
    threads.emplace_back([persist] {
      for (int i = 0; i < 20000; ++i) {
        persist->AddRef();
        persist->Release();
      }
    });
  for (auto& t : threads) t.join();
  EXPECT_EQ(1, thing->Count());
  EXPECT_EQ(0, g_Destroyed.load());
  EXPECT_EQ(0u, persist->Release());
  EXPECT_EQ(1, g_Destroyed.load());
}

TEST(ComBase, StandaloneObjectHasOneIdentity) {
  CComPtr<IUnknown> unk;
  auto* thing = new CThing(nullptr);
  ASSERT_EQ(S_OK, thing->GetInner()->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&unk)));
  CComPtr<IPersist> persist;
  ASSERT_EQ(S_OK, unk.QueryInterface(IID_IPersist, &persist));
  CComPtr<IUnknown> again;
  ASSERT_EQ(S_OK, persist.QueryInterface(IID_IUnknown, &again));
  EXPECT_EQ(unk.Get(), again.Get());
  CComPtr<IBaseFilter> none;
  EXPECT_EQ(E_NOINTERFACE, persist.QueryInterface(IID_IBaseFilter, &none));
  EXPECT_EQ(nullptr, none.Get());
}

TEST(ComBase, AggregatedObjectSharesTheOuterIdentityAndCount) {
  g_Destroyed = 0;
  auto* outer = new COuter;
  CComPtr<IUnknown> outerUnknown;
  ASSERT_EQ(S_OK, outer->GetInner()->QueryInterface(IID_IUnknown,
                                                    reinterpret_cast<void**>(&outerUnknown)));
  EXPECT_EQ(1, outer->Count());

  CComPtr<IPersist> persist;
  ASSERT_EQ(S_OK, outerUnknown.QueryInterface(IID_IPersist, &persist));
  CLSID clsid;
  ASSERT_EQ(S_OK, persist->GetClassID(&clsid));
  EXPECT_TRUE(IsEqualCLSID(CThing::kClsid, clsid));
  // References taken through the inner object's interface count on the outer object.
  EXPECT_EQ(2, outer->Count());
  EXPECT_EQ(1, outer->m_pThing->Count());  // only the outer's own reference
  // The inner interface answers IUnknown with the outer identity.
  CComPtr<IUnknown> identity;
  ASSERT_EQ(S_OK, persist.QueryInterface(IID_IUnknown, &identity));
  EXPECT_EQ(outerUnknown.Get(), identity.Get());

  identity.Reset();
  persist.Reset();
  outerUnknown.Reset();
  EXPECT_EQ(2, g_Destroyed.load());  // outer and inner went together
}

CUnknown* NewThing(IUnknown* outer, HRESULT* phr) { return new CThing(outer); }

TEST(ComBase, ClassFactoryAllowsAggregationOnlyThroughIUnknown) {
  const CFactoryTemplate templates[] = {
      {L"Thing", &CThing::kClsid, NewThing, nullptr, nullptr, nullptr}};
  CComPtr<IClassFactory> factory;
  ASSERT_EQ(S_OK, DllGetClassObjectFromTemplates(templates, 1, CThing::kClsid, IID_IClassFactory,
                                                 reinterpret_cast<void**>(&factory)));
  CComPtr<IUnknown> unused;
  EXPECT_EQ(CLASS_E_CLASSNOTAVAILABLE,
            DllGetClassObjectFromTemplates(templates, 1, CTestSource::kClsid, IID_IClassFactory,
                                           reinterpret_cast<void**>(&unused)));

  CComPtr<IPersist> persist;
  ASSERT_EQ(S_OK,
            factory->CreateInstance(nullptr, IID_IPersist, reinterpret_cast<void**>(&persist)));
  auto* outer = new COuter;
  outer->NonDelegatingAddRef();
  CComPtr<IPersist> refused;
  EXPECT_EQ(CLASS_E_NOAGGREGATION, factory->CreateInstance(outer->GetOwner(), IID_IPersist,
                                                           reinterpret_cast<void**>(&refused)));
  CComPtr<IUnknown> inner;
  EXPECT_EQ(S_OK, factory->CreateInstance(outer->GetOwner(), IID_IUnknown,
                                          reinterpret_cast<void**>(&inner)));
  inner.Reset();
  outer->NonDelegatingRelease();
}

// ---------------------------------------------------------------------------------------

TEST(MediaType, CopyOwnsItsFormatBlock) {
  CMediaType original = MakeVideoType(MEDIASUBTYPE_RGB24, 64, 48, 333333);
  CMediaType copy(original);
  ASSERT_NE(original.Format(), copy.Format());
  EXPECT_TRUE(copy == original);
  reinterpret_cast<VIDEOINFOHEADER*>(original.Format())->bmiHeader.biWidth = 32;
  EXPECT_FALSE(copy == original);
  EXPECT_EQ(64, reinterpret_cast<VIDEOINFOHEADER*>(copy.Format())->bmiHeader.biWidth);

  AM_MEDIA_TYPE* raw = CreateMediaType(&copy);
  ASSERT_NE(nullptr, raw);
  EXPECT_TRUE(CMediaType(*raw) == copy);
  DeleteMediaType(raw);

  copy.InitMediaType();
  EXPECT_FALSE(copy.IsValid());
  EXPECT_EQ(nullptr, copy.Format());
  EXPECT_EQ(0u, copy.FormatLength());
}

struct PartialCase {
  const char* name;
  const GUID* major;
  const GUID* sub;
  const GUID* format;
  bool matches;
};

// Names the case in test listings (the raw bytes would include padding).
void PrintTo(const PartialCase& c, std::ostream* os) { *os << c.name; }

class MediaTypePartial : public ::testing::TestWithParam<PartialCase> {};

TEST_P(MediaTypePartial, MatchesOnlyTheFieldsItSets) {
  CMediaType full = MakeVideoType(MEDIASUBTYPE_RGB24, 64, 48, 333333);
  CMediaType partial;
  partial.SetType(GetParam().major);
  partial.SetSubtype(GetParam().sub);
  partial.SetFormatType(GetParam().format);
  EXPECT_EQ(GetParam().matches, full.MatchesPartial(&partial));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, MediaTypePartial,
    ::testing::Values(
        PartialCase{"Empty", &GUID_NULL, &GUID_NULL, &GUID_NULL, true},
        PartialCase{"MajorOnly", &MEDIATYPE_Video, &GUID_NULL, &GUID_NULL, true},
        PartialCase{"OtherMajor", &MEDIATYPE_Audio, &GUID_NULL, &GUID_NULL, false},
        PartialCase{"MajorAndSubtype", &MEDIATYPE_Video, &MEDIASUBTYPE_RGB24, &GUID_NULL, true},
        PartialCase{"OtherSubtype", &MEDIATYPE_Video, &MEDIASUBTYPE_RGB32, &GUID_NULL, false},
        // A format type without a format block does not match a type that has one.
        PartialCase{"FormatWithoutBlock", &GUID_NULL, &GUID_NULL, &FORMAT_VideoInfo, false},
        PartialCase{"OtherFormat", &GUID_NULL, &GUID_NULL, &FORMAT_VideoInfo2, false}),
    [](const ::testing::TestParamInfo<PartialCase>& info) { return info.param.name; });

// ---------------------------------------------------------------------------------------

TEST(BaseFilter, AnswersItsIdentityPinsAndGraph) {
  ComScope com;
  CComPtr<IBaseFilter> filter = CTestSource::Create(SourceConfig{});
  CLSID clsid;
  ASSERT_EQ(S_OK, filter->GetClassID(&clsid));
  EXPECT_TRUE(IsEqualCLSID(CTestSource::kClsid, clsid));

  CComPtr<IPin> pin;
  ASSERT_EQ(S_OK, filter->FindPin(L"Out", &pin));
  CComPtr<IPin> missing;
  EXPECT_EQ(VFW_E_NOT_FOUND, filter->FindPin(L"In", &missing));
  LPWSTR id = nullptr;
  ASSERT_EQ(S_OK, pin->QueryId(&id));
  EXPECT_STREQ(L"Out", id);
  CoTaskMemFree(id);
  PIN_INFO info;
  ASSERT_EQ(S_OK, pin->QueryPinInfo(&info));
  EXPECT_EQ(filter.Get(), info.pFilter);
  EXPECT_EQ(PINDIR_OUTPUT, info.dir);
  info.pFilter->Release();

  CComPtr<IFilterGraph> graph;
  ASSERT_EQ(S_OK, CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER,
                                   IID_IFilterGraph, reinterpret_cast<void**>(&graph)));
  ASSERT_EQ(S_OK, graph->AddFilter(filter, L"Named source"));
  FILTER_INFO finfo;
  ASSERT_EQ(S_OK, filter->QueryFilterInfo(&finfo));
  EXPECT_STREQ(L"Named source", finfo.achName);
  EXPECT_EQ(graph.Get(), finfo.pGraph);
  finfo.pGraph->Release();
  ASSERT_EQ(S_OK, graph->RemoveFilter(filter));
  ASSERT_EQ(S_OK, filter->QueryFilterInfo(&finfo));
  EXPECT_EQ(nullptr, finfo.pGraph);
}

TEST(BaseFilter, PinEnumeratorNoticesChangedPins) {
  CTestSource* source = nullptr;
  CComPtr<IBaseFilter> filter = CTestSource::Create(SourceConfig{}, &source);
  CComPtr<IEnumPins> pins;
  ASSERT_EQ(S_OK, filter->EnumPins(&pins));
  new CTestStream(source, nullptr, SourceConfig{});  // a second pin, owned by the filter
  CComPtr<IPin> pin;
  EXPECT_EQ(VFW_E_ENUM_OUT_OF_SYNC, pins->Next(1, &pin, nullptr));
  ASSERT_EQ(S_OK, pins->Reset());
  IPin* both[3] = {};
  ULONG fetched = 0;
  EXPECT_EQ(S_FALSE, pins->Next(3, both, &fetched));
  EXPECT_EQ(2u, fetched);
  for (ULONG i = 0; i < fetched; ++i) both[i]->Release();
}

TEST(BaseFilter, MediaTypeEnumeratorListsOfferedTypesInOrder) {
  SourceConfig config;
  config.subtypes = {MEDIASUBTYPE_RGB32, MEDIASUBTYPE_RGB24, MEDIASUBTYPE_YUY2};
  CComPtr<IBaseFilter> filter = CTestSource::Create(config);
  CComPtr<IEnumMediaTypes> types;
  ASSERT_EQ(S_OK, FindPin(filter, PINDIR_OUTPUT)->EnumMediaTypes(&types));
  ASSERT_EQ(S_OK, types->Skip(1));
  CComPtr<IEnumMediaTypes> clone;
  ASSERT_EQ(S_OK, types->Clone(&clone));
  AM_MEDIA_TYPE* got[3] = {};
  ULONG fetched = 0;
  EXPECT_EQ(S_FALSE, clone->Next(3, got, &fetched));
  ASSERT_EQ(2u, fetched);
  EXPECT_TRUE(IsEqualGUID(MEDIASUBTYPE_RGB24, got[0]->subtype));
  EXPECT_TRUE(IsEqualGUID(MEDIASUBTYPE_YUY2, got[1]->subtype));
  for (ULONG i = 0; i < fetched; ++i) DeleteMediaType(got[i]);
  EXPECT_EQ(S_FALSE, types->Skip(5));
}

TEST(BaseFilter, UnconnectedRendererHasNoSeeking) {
  CComPtr<IBaseFilter> filter = CTestRenderer::Create({MEDIASUBTYPE_RGB24}, nullptr);
  CComPtr<IMediaSeeking> seeking;
  ASSERT_EQ(S_OK, filter.QueryInterface(IID_IMediaSeeking, &seeking));
  LONGLONG duration = 0;
  EXPECT_EQ(VFW_E_NOT_CONNECTED, seeking->GetDuration(&duration));
  CComPtr<IAMFilterMiscFlags> flags;
  ASSERT_EQ(S_OK, filter.QueryInterface(IID_IAMFilterMiscFlags, &flags));
  EXPECT_EQ(static_cast<ULONG>(AM_FILTER_MISC_FLAGS_IS_RENDERER), flags->GetMiscFlags());
  // Pausing an unconnected renderer completes at once.
  EXPECT_EQ(S_OK, filter->Pause());
  FILTER_STATE state;
  EXPECT_EQ(S_OK, filter->GetState(0, &state));
  EXPECT_EQ(State_Paused, state);
  EXPECT_EQ(S_OK, filter->Stop());
}

}  // namespace
