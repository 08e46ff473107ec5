#include "platform/dshow/BaseFilter.h"

#include <cwchar>

#include "platform/dshow/BasePin.h"

// ---------------------------------------------------------------------------------------
// CBaseFilter

CBaseFilter::CBaseFilter(const wchar_t* name, IUnknown* outer, CCritSec* lock, REFCLSID clsid)
    : CUnknown(name, outer), m_pLock(lock), m_clsid(clsid) {}

CBaseFilter::~CBaseFilter() {
  if (m_pClock) m_pClock->Release();
}

STDMETHODIMP CBaseFilter::NonDelegatingQueryInterface(REFIID riid, void** ppv) {
  if (!ppv) return E_POINTER;
  if (IsEqualIID(riid, IID_IBaseFilter)) return GetInterface(static_cast<IBaseFilter*>(this), ppv);
  if (IsEqualIID(riid, IID_IMediaFilter))
    return GetInterface(static_cast<IMediaFilter*>(this), ppv);
  if (IsEqualIID(riid, IID_IPersist)) return GetInterface(static_cast<IPersist*>(this), ppv);
  return CUnknown::NonDelegatingQueryInterface(riid, ppv);
}

STDMETHODIMP CBaseFilter::GetClassID(CLSID* clsid) {
  if (!clsid) return E_POINTER;
  *clsid = m_clsid;
  return S_OK;
}

STDMETHODIMP CBaseFilter::Stop() {
  CAutoLock lock(m_pLock);
  HRESULT result = S_OK;
  if (m_State.load() != State_Stopped) {
    for (int i = 0; i < GetPinCount(); ++i) {
      CBasePin* pin = GetPin(i);
      if (pin && pin->IsConnected()) {
        HRESULT hr = pin->Inactive();
        if (FAILED(hr) && SUCCEEDED(result)) result = hr;
      }
    }
  }
  m_State = State_Stopped;
  return result;
}

STDMETHODIMP CBaseFilter::Pause() {
  CAutoLock lock(m_pLock);
  if (m_State.load() == State_Stopped) {
    for (int i = 0; i < GetPinCount(); ++i) {
      CBasePin* pin = GetPin(i);
      if (pin && pin->IsConnected()) {
        HRESULT hr = pin->Active();
        if (FAILED(hr)) return hr;
      }
    }
  }
  m_State = State_Paused;
  return S_OK;
}

STDMETHODIMP CBaseFilter::Run(REFERENCE_TIME start) {
  CAutoLock lock(m_pLock);
  m_tStart = start;
  if (m_State.load() == State_Stopped) {
    HRESULT hr = Pause();
    if (FAILED(hr)) return hr;
  }
  for (int i = 0; i < GetPinCount(); ++i) {
    CBasePin* pin = GetPin(i);
    if (pin && pin->IsConnected()) {
      HRESULT hr = pin->Run(start);
      if (FAILED(hr)) return hr;
    }
  }
  m_State = State_Running;
  return S_OK;
}

STDMETHODIMP CBaseFilter::GetState(DWORD, FILTER_STATE* state) {
  if (!state) return E_POINTER;
  *state = m_State.load();
  return S_OK;
}

STDMETHODIMP CBaseFilter::SetSyncSource(IReferenceClock* clock) {
  CAutoLock lock(m_pLock);
  if (clock) clock->AddRef();
  if (m_pClock) m_pClock->Release();
  m_pClock = clock;
  return S_OK;
}

STDMETHODIMP CBaseFilter::GetSyncSource(IReferenceClock** clock) {
  if (!clock) return E_POINTER;
  CAutoLock lock(m_pLock);
  *clock = m_pClock;
  if (m_pClock) m_pClock->AddRef();
  return S_OK;
}

HRESULT CBaseFilter::StreamTime(REFERENCE_TIME* streamTime) {
  if (!streamTime) return E_POINTER;
  CAutoLock lock(m_pLock);
  if (!m_pClock) return VFW_E_NO_CLOCK;
  REFERENCE_TIME now = 0;
  HRESULT hr = m_pClock->GetTime(&now);
  if (FAILED(hr)) return hr;
  *streamTime = now - m_tStart;
  return S_OK;
}

STDMETHODIMP CBaseFilter::EnumPins(IEnumPins** ppEnum) {
  if (!ppEnum) return E_POINTER;
  auto* e = new (std::nothrow) CEnumPins(this, nullptr);
  *ppEnum = e;
  if (!e) return E_OUTOFMEMORY;
  e->AddRef();
  return S_OK;
}

STDMETHODIMP CBaseFilter::FindPin(LPCWSTR id, IPin** ppPin) {
  if (!id || !ppPin) return E_POINTER;
  *ppPin = nullptr;
  CAutoLock lock(m_pLock);
  for (int i = 0; i < GetPinCount(); ++i) {
    CBasePin* pin = GetPin(i);
    if (pin && pin->PinName() == id) {
      *ppPin = pin;
      pin->AddRef();
      return S_OK;
    }
  }
  return VFW_E_NOT_FOUND;
}

STDMETHODIMP CBaseFilter::QueryFilterInfo(FILTER_INFO* info) {
  if (!info) return E_POINTER;
  CAutoLock lock(m_pLock);
  // Names longer than the fixed field are cut, always terminated.
  wcsncpy(info->achName, m_Name.c_str(), MAX_FILTER_NAME - 1);
  info->achName[MAX_FILTER_NAME - 1] = L'\0';
  info->pGraph = m_pGraph;
  if (m_pGraph) m_pGraph->AddRef();
  return S_OK;
}

STDMETHODIMP CBaseFilter::JoinFilterGraph(IFilterGraph* graph, LPCWSTR name) {
  CAutoLock lock(m_pLock);
  // The graph owns the filter; holding a reference to it would make a cycle, so both
  // the graph and its event sink are kept as plain pointers.
  m_pGraph = graph;
  IMediaEventSink* sink = nullptr;
  if (graph &&
      SUCCEEDED(graph->QueryInterface(IID_IMediaEventSink, reinterpret_cast<void**>(&sink))))
    sink->Release();
  m_pSink = sink;
  m_Name = (graph && name) ? name : L"";
  return S_OK;
}

STDMETHODIMP CBaseFilter::QueryVendorInfo(LPWSTR* info) {
  if (info) *info = nullptr;
  return E_NOTIMPL;
}

HRESULT CBaseFilter::NotifyEvent(long code, LONG_PTR param1, LONG_PTR param2) {
  IMediaEventSink* sink = m_pSink.load();
  if (!sink) return E_NOTIMPL;
  if (code == EC_COMPLETE && param2 == 0)
    param2 = reinterpret_cast<LONG_PTR>(static_cast<IBaseFilter*>(this));
  return sink->Notify(code, param1, param2);
}

// ---------------------------------------------------------------------------------------
// CEnumPins

CEnumPins::CEnumPins(CBaseFilter* filter, const CEnumPins* copyFrom)
    : CUnknown(L"CEnumPins", nullptr), m_pFilter(filter) {
  m_pFilter->AddRef();
  if (copyFrom) {
    m_Position = copyFrom->m_Position;
    m_Version = copyFrom->m_Version;
  } else {
    m_Version = filter->GetPinVersion();
  }
}

CEnumPins::~CEnumPins() { m_pFilter->Release(); }

STDMETHODIMP CEnumPins::NonDelegatingQueryInterface(REFIID riid, void** ppv) {
  if (!ppv) return E_POINTER;
  if (IsEqualIID(riid, IID_IEnumPins)) return GetInterface(static_cast<IEnumPins*>(this), ppv);
  return CUnknown::NonDelegatingQueryInterface(riid, ppv);
}

STDMETHODIMP CEnumPins::Next(ULONG count, IPin** pins, ULONG* fetched) {
  if (!pins) return E_POINTER;
  if (!fetched && count != 1) return E_INVALIDARG;
  if (fetched) *fetched = 0;
  if (m_Version != m_pFilter->GetPinVersion()) return VFW_E_ENUM_OUT_OF_SYNC;
  ULONG n = 0;
  while (n < count && m_Position < m_pFilter->GetPinCount()) {
    CBasePin* pin = m_pFilter->GetPin(m_Position++);
    if (!pin) break;
    pins[n] = pin;
    pin->AddRef();
    ++n;
  }
  if (fetched) *fetched = n;
  return n == count ? S_OK : S_FALSE;
}

STDMETHODIMP CEnumPins::Skip(ULONG count) {
  if (m_Version != m_pFilter->GetPinVersion()) return VFW_E_ENUM_OUT_OF_SYNC;
  int left = m_pFilter->GetPinCount() - m_Position;
  if (static_cast<ULONG>(left < 0 ? 0 : left) < count) {
    m_Position = m_pFilter->GetPinCount();
    return S_FALSE;
  }
  m_Position += static_cast<int>(count);
  return S_OK;
}

STDMETHODIMP CEnumPins::Reset() {
  m_Position = 0;
  m_Version = m_pFilter->GetPinVersion();
  return S_OK;
}

STDMETHODIMP CEnumPins::Clone(IEnumPins** ppEnum) {
  if (!ppEnum) return E_POINTER;
  if (m_Version != m_pFilter->GetPinVersion()) {
    *ppEnum = nullptr;
    return VFW_E_ENUM_OUT_OF_SYNC;
  }
  auto* e = new (std::nothrow) CEnumPins(m_pFilter, this);
  *ppEnum = e;
  if (!e) return E_OUTOFMEMORY;
  e->AddRef();
  return S_OK;
}
