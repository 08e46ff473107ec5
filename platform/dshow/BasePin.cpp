#include "platform/dshow/BasePin.h"

#include <cwchar>
#include <new>

namespace {

// Bounds the walk through a peer's media-type enumerator, which might never end.
constexpr int kMaxTypesTried = 256;

}  // namespace

// ---------------------------------------------------------------------------------------
// CBasePin

CBasePin::CBasePin(const wchar_t* objectName, CBaseFilter* filter, CCritSec* lock, HRESULT*,
                   const wchar_t* pinName, PIN_DIRECTION dir)
    : CUnknown(objectName, nullptr),
      m_pFilter(filter),
      m_pLock(lock),
      m_Name(pinName ? pinName : L""),
      m_dir(dir) {}

CBasePin::~CBasePin() {
  // A pin is deleted with its filter, when nothing can reach it any more; a remaining
  // connection reference is dropped without calling the peer.
  if (IPin* peer = m_Connected.exchange(nullptr)) peer->Release();
}

STDMETHODIMP CBasePin::NonDelegatingQueryInterface(REFIID riid, void** ppv) {
  if (!ppv) return E_POINTER;
  if (IsEqualIID(riid, IID_IPin)) return GetInterface(static_cast<IPin*>(this), ppv);
  return CUnknown::NonDelegatingQueryInterface(riid, ppv);
}

STDMETHODIMP_(ULONG) CBasePin::NonDelegatingAddRef() { return m_pFilter->AddRef(); }
STDMETHODIMP_(ULONG) CBasePin::NonDelegatingRelease() { return m_pFilter->Release(); }

STDMETHODIMP CBasePin::Connect(IPin* receivePin, const AM_MEDIA_TYPE* pmt) {
  if (!receivePin) return E_POINTER;
  CAutoLock lock(m_pLock);
  if (IsConnected()) return VFW_E_ALREADY_CONNECTED;
  if (!IsStopped()) return VFW_E_NOT_STOPPED;
  CMediaType partial;
  if (pmt && FAILED(partial.Set(*pmt))) return E_OUTOFMEMORY;
  HRESULT hr = CheckConnect(receivePin);
  if (FAILED(hr)) {
    BreakConnect();
    return hr;
  }
  hr = AgreeMediaType(receivePin, pmt ? &partial : nullptr);
  if (FAILED(hr)) BreakConnect();
  return hr;
}

HRESULT CBasePin::AgreeMediaType(IPin* receivePin, const CMediaType* partial) {
  if (partial && !partial->IsPartiallySpecified()) {
    HRESULT hr = AttemptConnection(receivePin, partial);
    return FAILED(hr) ? hr : S_OK;
  }
  // The receiving pin's preferred types first, then this pin's own.
  bool triedAny = false;
  for (int pass = 0; pass < 2; ++pass) {
    IEnumMediaTypes* types = nullptr;
    HRESULT hr = pass == 0 ? receivePin->EnumMediaTypes(&types) : EnumMediaTypes(&types);
    if (FAILED(hr) || !types) continue;
    hr = TryMediaTypes(receivePin, partial, types, &triedAny);
    types->Release();
    if (hr == S_OK) return S_OK;
  }
  return VFW_E_NO_ACCEPTABLE_TYPES;
}

HRESULT CBasePin::TryMediaTypes(IPin* receivePin, const CMediaType* partial, IEnumMediaTypes* types,
                                bool* triedAny) {
  int resets = 0;
  for (int i = 0; i < kMaxTypesTried; ++i) {
    AM_MEDIA_TYPE* pmt = nullptr;
    ULONG fetched = 0;
    HRESULT hr = types->Next(1, &pmt, &fetched);
    if (hr == VFW_E_ENUM_OUT_OF_SYNC && resets++ < 4) {
      types->Reset();
      continue;
    }
    if (hr != S_OK || fetched != 1 || !pmt) {
      if (pmt) DeleteMediaType(pmt);
      return S_FALSE;
    }
    CMediaType mt;
    hr = mt.Set(*pmt);
    DeleteMediaType(pmt);
    if (FAILED(hr)) return hr;
    if (partial && !mt.MatchesPartial(partial)) continue;
    *triedAny = true;
    if (SUCCEEDED(AttemptConnection(receivePin, &mt))) return S_OK;
  }
  return S_FALSE;
}

HRESULT CBasePin::AttemptConnection(IPin* receivePin, const CMediaType* mt) {
  if (CheckMediaType(mt) != S_OK) return VFW_E_TYPE_NOT_ACCEPTED;
  receivePin->AddRef();
  m_Connected = receivePin;
  HRESULT hr = SetMediaType(mt);
  if (SUCCEEDED(hr)) {
    hr = receivePin->ReceiveConnection(this, mt);
    if (SUCCEEDED(hr)) {
      hr = CompleteConnect(receivePin);
      if (SUCCEEDED(hr)) return S_OK;
      receivePin->Disconnect();
    }
  }
  ClearConnection();
  return FAILED(hr) ? hr : E_FAIL;
}

void CBasePin::ClearConnection() {
  if (IPin* peer = m_Connected.exchange(nullptr)) peer->Release();
  m_mt.InitMediaType();
}

STDMETHODIMP CBasePin::ReceiveConnection(IPin* connector, const AM_MEDIA_TYPE* pmt) {
  if (!connector || !pmt) return E_POINTER;
  CAutoLock lock(m_pLock);
  if (IsConnected()) return VFW_E_ALREADY_CONNECTED;
  if (!IsStopped()) return VFW_E_NOT_STOPPED;
  HRESULT hr = CheckConnect(connector);
  if (FAILED(hr)) {
    BreakConnect();
    return hr;
  }
  CMediaType mt;
  if (FAILED(mt.Set(*pmt))) {
    BreakConnect();
    return E_OUTOFMEMORY;
  }
  if (CheckMediaType(&mt) != S_OK) {
    BreakConnect();
    return VFW_E_TYPE_NOT_ACCEPTED;
  }
  connector->AddRef();
  m_Connected = connector;
  hr = SetMediaType(&mt);
  if (SUCCEEDED(hr)) hr = CompleteConnect(connector);
  if (SUCCEEDED(hr)) return S_OK;
  ClearConnection();
  BreakConnect();
  return hr;
}

STDMETHODIMP CBasePin::Disconnect() {
  CAutoLock lock(m_pLock);
  if (!IsStopped()) return VFW_E_NOT_STOPPED;
  if (!IsConnected()) return S_FALSE;
  HRESULT hr = BreakConnect();
  ClearConnection();
  return FAILED(hr) ? hr : S_OK;
}

STDMETHODIMP CBasePin::ConnectedTo(IPin** pin) {
  if (!pin) return E_POINTER;
  CAutoLock lock(m_pLock);
  *pin = m_Connected.load();
  if (!*pin) return VFW_E_NOT_CONNECTED;
  (*pin)->AddRef();
  return S_OK;
}

STDMETHODIMP CBasePin::ConnectionMediaType(AM_MEDIA_TYPE* pmt) {
  if (!pmt) return E_POINTER;
  CAutoLock lock(m_pLock);
  if (!IsConnected()) {
    ZeroMemory(pmt, sizeof(*pmt));
    return VFW_E_NOT_CONNECTED;
  }
  return CopyMediaType(pmt, &m_mt);
}

STDMETHODIMP CBasePin::QueryPinInfo(PIN_INFO* info) {
  if (!info) return E_POINTER;
  info->pFilter = m_pFilter;
  m_pFilter->AddRef();
  wcsncpy(info->achName, m_Name.c_str(), MAX_PIN_NAME - 1);
  info->achName[MAX_PIN_NAME - 1] = L'\0';
  info->dir = m_dir;
  return S_OK;
}

STDMETHODIMP CBasePin::QueryDirection(PIN_DIRECTION* dir) {
  if (!dir) return E_POINTER;
  *dir = m_dir;
  return S_OK;
}

STDMETHODIMP CBasePin::QueryId(LPWSTR* id) {
  if (!id) return E_POINTER;
  size_t bytes = (m_Name.size() + 1) * sizeof(wchar_t);
  *id = static_cast<LPWSTR>(CoTaskMemAlloc(bytes));
  if (!*id) return E_OUTOFMEMORY;
  memcpy(*id, m_Name.c_str(), bytes);
  return S_OK;
}

STDMETHODIMP CBasePin::QueryAccept(const AM_MEDIA_TYPE* pmt) {
  if (!pmt) return E_POINTER;
  CMediaType mt;
  if (FAILED(mt.Set(*pmt))) return E_OUTOFMEMORY;
  return CheckMediaType(&mt) == S_OK ? S_OK : S_FALSE;
}

STDMETHODIMP CBasePin::EnumMediaTypes(IEnumMediaTypes** ppEnum) {
  if (!ppEnum) return E_POINTER;
  auto* e = new (std::nothrow) CEnumMediaTypes(this, nullptr);
  *ppEnum = e;
  if (!e) return E_OUTOFMEMORY;
  e->AddRef();
  return S_OK;
}

STDMETHODIMP CBasePin::QueryInternalConnections(IPin**, ULONG*) { return E_NOTIMPL; }

STDMETHODIMP CBasePin::EndOfStream() { return S_OK; }

STDMETHODIMP CBasePin::NewSegment(REFERENCE_TIME start, REFERENCE_TIME stop, double rate) {
  m_tStart = start;
  m_tStop = stop;
  m_dRate = rate;
  return S_OK;
}

HRESULT CBasePin::SetMediaType(const CMediaType* mt) { return m_mt.Set(*mt); }

HRESULT CBasePin::CheckConnect(IPin* pin) {
  PIN_DIRECTION dir;
  HRESULT hr = pin->QueryDirection(&dir);
  if (FAILED(hr)) return hr;
  return dir == m_dir ? VFW_E_INVALID_DIRECTION : S_OK;
}

HRESULT CBasePin::CompleteConnect(IPin*) { return S_OK; }
HRESULT CBasePin::BreakConnect() { return S_OK; }
HRESULT CBasePin::GetMediaType(int, CMediaType*) { return VFW_S_NO_MORE_ITEMS; }

// ---------------------------------------------------------------------------------------
// CEnumMediaTypes

CEnumMediaTypes::CEnumMediaTypes(CBasePin* pin, const CEnumMediaTypes* copyFrom)
    : CUnknown(L"CEnumMediaTypes", nullptr), m_pPin(pin) {
  m_pPin->AddRef();
  if (copyFrom) {
    m_Position = copyFrom->m_Position;
    m_Version = copyFrom->m_Version;
  } else {
    m_Version = pin->GetMediaTypeVersion();
  }
}

CEnumMediaTypes::~CEnumMediaTypes() { m_pPin->Release(); }

STDMETHODIMP CEnumMediaTypes::NonDelegatingQueryInterface(REFIID riid, void** ppv) {
  if (!ppv) return E_POINTER;
  if (IsEqualIID(riid, IID_IEnumMediaTypes))
    return GetInterface(static_cast<IEnumMediaTypes*>(this), ppv);
  return CUnknown::NonDelegatingQueryInterface(riid, ppv);
}

STDMETHODIMP CEnumMediaTypes::Next(ULONG count, AM_MEDIA_TYPE** types, ULONG* fetched) {
  if (!types) return E_POINTER;
  if (!fetched && count != 1) return E_INVALIDARG;
  if (fetched) *fetched = 0;
  if (m_Version != m_pPin->GetMediaTypeVersion()) return VFW_E_ENUM_OUT_OF_SYNC;
  ULONG n = 0;
  while (n < count) {
    CMediaType mt;
    if (m_pPin->GetMediaType(m_Position, &mt) != S_OK) break;
    AM_MEDIA_TYPE* copy = CreateMediaType(&mt);
    if (!copy) {
      for (ULONG i = 0; i < n; ++i) DeleteMediaType(types[i]);
      return E_OUTOFMEMORY;
    }
    types[n++] = copy;
    ++m_Position;
  }
  if (fetched) *fetched = n;
  return n == count ? S_OK : S_FALSE;
}

STDMETHODIMP CEnumMediaTypes::Skip(ULONG count) {
  if (m_Version != m_pPin->GetMediaTypeVersion()) return VFW_E_ENUM_OUT_OF_SYNC;
  for (; count > 0; --count) {
    CMediaType mt;
    if (m_pPin->GetMediaType(m_Position, &mt) != S_OK) return S_FALSE;
    ++m_Position;
  }
  return S_OK;
}

STDMETHODIMP CEnumMediaTypes::Reset() {
  m_Position = 0;
  m_Version = m_pPin->GetMediaTypeVersion();
  return S_OK;
}

STDMETHODIMP CEnumMediaTypes::Clone(IEnumMediaTypes** ppEnum) {
  if (!ppEnum) return E_POINTER;
  if (m_Version != m_pPin->GetMediaTypeVersion()) {
    *ppEnum = nullptr;
    return VFW_E_ENUM_OUT_OF_SYNC;
  }
  auto* e = new (std::nothrow) CEnumMediaTypes(m_pPin, this);
  *ppEnum = e;
  if (!e) return E_OUTOFMEMORY;
  e->AddRef();
  return S_OK;
}

// ---------------------------------------------------------------------------------------
// CBaseInputPin

CBaseInputPin::CBaseInputPin(const wchar_t* objectName, CBaseFilter* filter, CCritSec* lock,
                             HRESULT* phr, const wchar_t* pinName)
    : CBasePin(objectName, filter, lock, phr, pinName, PINDIR_INPUT) {}

CBaseInputPin::~CBaseInputPin() {
  if (m_pAllocator) m_pAllocator->Release();
}

STDMETHODIMP CBaseInputPin::NonDelegatingQueryInterface(REFIID riid, void** ppv) {
  if (!ppv) return E_POINTER;
  if (IsEqualIID(riid, IID_IMemInputPin))
    return GetInterface(static_cast<IMemInputPin*>(this), ppv);
  return CBasePin::NonDelegatingQueryInterface(riid, ppv);
}

STDMETHODIMP CBaseInputPin::GetAllocator(IMemAllocator** allocator) {
  if (!allocator) return E_POINTER;
  CAutoLock lock(m_pLock);
  if (!m_pAllocator) {
    HRESULT hr = CoCreateInstance(CLSID_MemoryAllocator, nullptr, CLSCTX_INPROC_SERVER,
                                  IID_IMemAllocator, reinterpret_cast<void**>(&m_pAllocator));
    if (FAILED(hr)) {
      *allocator = nullptr;
      return hr;
    }
  }
  *allocator = m_pAllocator;
  m_pAllocator->AddRef();
  return S_OK;
}

STDMETHODIMP CBaseInputPin::NotifyAllocator(IMemAllocator* allocator, BOOL readOnly) {
  if (!allocator) return E_POINTER;
  CAutoLock lock(m_pLock);
  allocator->AddRef();
  if (m_pAllocator) m_pAllocator->Release();
  m_pAllocator = allocator;
  m_bReadOnly = readOnly;
  return S_OK;
}

STDMETHODIMP CBaseInputPin::GetAllocatorRequirements(ALLOCATOR_PROPERTIES*) { return E_NOTIMPL; }

HRESULT CBaseInputPin::CheckStreaming() {
  if (!IsConnected()) return VFW_E_NOT_CONNECTED;
  if (IsStopped()) return VFW_E_WRONG_STATE;
  if (m_bFlushing.load()) return S_FALSE;
  if (m_bRunTimeError.load()) return VFW_E_RUNTIME_ERROR;
  return S_OK;
}

STDMETHODIMP CBaseInputPin::Receive(IMediaSample* sample) {
  if (!sample) return E_POINTER;
  HRESULT hr = CheckStreaming();
  if (hr != S_OK) return hr;
  // A sample may announce a new media type (dynamic format change). Refusing it stops
  // this stream: the graph is told, and further samples fail until the next stop.
  AM_MEDIA_TYPE* pmt = nullptr;
  if (sample->GetMediaType(&pmt) == S_OK && pmt) {
    CMediaType mt;
    hr = mt.Set(*pmt);
    DeleteMediaType(pmt);
    if (SUCCEEDED(hr)) {
      CAutoLock lock(m_pLock);
      hr = CheckMediaType(&mt) == S_OK ? SetMediaType(&mt) : VFW_E_TYPE_NOT_ACCEPTED;
    }
    if (FAILED(hr)) {
      m_bRunTimeError = true;
      m_pFilter->NotifyEvent(EC_ERRORABORT, hr, 0);
      return VFW_E_INVALIDMEDIATYPE;
    }
  }
  return S_OK;
}

STDMETHODIMP CBaseInputPin::ReceiveMultiple(IMediaSample** samples, long count, long* processed) {
  if (!samples || !processed) return E_POINTER;
  *processed = 0;
  HRESULT hr = S_OK;
  while (*processed < count) {
    hr = Receive(samples[*processed]);
    if (hr != S_OK) break;
    ++*processed;
  }
  return hr;
}

STDMETHODIMP CBaseInputPin::ReceiveCanBlock() { return S_OK; }

STDMETHODIMP CBaseInputPin::BeginFlush() {
  CAutoLock lock(m_pLock);
  m_bFlushing = true;
  return S_OK;
}

STDMETHODIMP CBaseInputPin::EndFlush() {
  CAutoLock lock(m_pLock);
  m_bFlushing = false;
  m_bRunTimeError = false;
  return S_OK;
}

HRESULT CBaseInputPin::BreakConnect() {
  if (m_pAllocator) {
    m_pAllocator->Decommit();
    m_pAllocator->Release();
    m_pAllocator = nullptr;
  }
  return S_OK;
}

HRESULT CBaseInputPin::Inactive() {
  m_bRunTimeError = false;
  m_bFlushing = false;
  // Decommitting makes an upstream thread waiting in GetBuffer give up at once.
  if (m_pAllocator) m_pAllocator->Decommit();
  return S_OK;
}

// ---------------------------------------------------------------------------------------
// CBaseOutputPin

CBaseOutputPin::CBaseOutputPin(const wchar_t* objectName, CBaseFilter* filter, CCritSec* lock,
                               HRESULT* phr, const wchar_t* pinName)
    : CBasePin(objectName, filter, lock, phr, pinName, PINDIR_OUTPUT) {}

CBaseOutputPin::~CBaseOutputPin() {
  if (m_pAllocator) m_pAllocator->Release();
  if (m_pInputPin) m_pInputPin->Release();
}

HRESULT CBaseOutputPin::CheckConnect(IPin* pin) {
  HRESULT hr = CBasePin::CheckConnect(pin);
  if (FAILED(hr)) return hr;
  if (m_pInputPin) {
    m_pInputPin->Release();
    m_pInputPin = nullptr;
  }
  hr = pin->QueryInterface(IID_IMemInputPin, reinterpret_cast<void**>(&m_pInputPin));
  return FAILED(hr) ? VFW_E_NO_TRANSPORT : S_OK;
}

HRESULT CBaseOutputPin::CompleteConnect(IPin*) {
  if (!m_pInputPin) return VFW_E_NO_TRANSPORT;
  return DecideAllocator(m_pInputPin, &m_pAllocator);
}

HRESULT CBaseOutputPin::BreakConnect() {
  if (m_pAllocator) {
    m_pAllocator->Decommit();
    m_pAllocator->Release();
    m_pAllocator = nullptr;
  }
  if (m_pInputPin) {
    m_pInputPin->Release();
    m_pInputPin = nullptr;
  }
  return S_OK;
}

HRESULT CBaseOutputPin::InitAllocator(IMemAllocator** allocator) {
  return CoCreateInstance(CLSID_MemoryAllocator, nullptr, CLSCTX_INPROC_SERVER, IID_IMemAllocator,
                          reinterpret_cast<void**>(allocator));
}

HRESULT CBaseOutputPin::DecideAllocator(IMemInputPin* pin, IMemAllocator** allocator) {
  if (*allocator) {
    (*allocator)->Release();
    *allocator = nullptr;
  }
  ALLOCATOR_PROPERTIES request = {};
  pin->GetAllocatorRequirements(&request);  // optional; zeros mean "no wish"
  if (request.cbAlign == 0) request.cbAlign = 1;

  // The downstream pin's allocator first, then a system memory allocator of our own.
  HRESULT hr = pin->GetAllocator(allocator);
  if (SUCCEEDED(hr) && *allocator) {
    ALLOCATOR_PROPERTIES props = request;
    hr = DecideBufferSize(*allocator, &props);
    if (SUCCEEDED(hr)) hr = pin->NotifyAllocator(*allocator, FALSE);
    if (SUCCEEDED(hr)) return S_OK;
  }
  if (*allocator) {
    (*allocator)->Release();
    *allocator = nullptr;
  }
  hr = InitAllocator(allocator);
  if (SUCCEEDED(hr)) {
    ALLOCATOR_PROPERTIES props = request;
    hr = DecideBufferSize(*allocator, &props);
    if (SUCCEEDED(hr)) hr = pin->NotifyAllocator(*allocator, FALSE);
    if (SUCCEEDED(hr)) return S_OK;
  }
  if (*allocator) {
    (*allocator)->Release();
    *allocator = nullptr;
  }
  return hr;
}

HRESULT CBaseOutputPin::Active() {
  if (!m_pAllocator) return VFW_E_NO_ALLOCATOR;
  return m_pAllocator->Commit();
}

HRESULT CBaseOutputPin::Inactive() {
  if (!m_pAllocator) return VFW_E_NO_ALLOCATOR;
  return m_pAllocator->Decommit();
}

HRESULT CBaseOutputPin::GetDeliveryBuffer(IMediaSample** sample, REFERENCE_TIME* start,
                                          REFERENCE_TIME* stop, DWORD flags) {
  if (!m_pAllocator) return VFW_E_NO_ALLOCATOR;
  return m_pAllocator->GetBuffer(sample, start, stop, flags);
}

HRESULT CBaseOutputPin::Deliver(IMediaSample* sample) {
  if (!m_pInputPin) return VFW_E_NOT_CONNECTED;
  return m_pInputPin->Receive(sample);
}

HRESULT CBaseOutputPin::DeliverEndOfStream() {
  IPin* peer = GetConnected();
  return peer ? peer->EndOfStream() : VFW_E_NOT_CONNECTED;
}

HRESULT CBaseOutputPin::DeliverBeginFlush() {
  IPin* peer = GetConnected();
  return peer ? peer->BeginFlush() : VFW_E_NOT_CONNECTED;
}

HRESULT CBaseOutputPin::DeliverEndFlush() {
  IPin* peer = GetConnected();
  return peer ? peer->EndFlush() : VFW_E_NOT_CONNECTED;
}

HRESULT CBaseOutputPin::DeliverNewSegment(REFERENCE_TIME start, REFERENCE_TIME stop, double rate) {
  IPin* peer = GetConnected();
  return peer ? peer->NewSegment(start, stop, rate) : VFW_E_NOT_CONNECTED;
}
