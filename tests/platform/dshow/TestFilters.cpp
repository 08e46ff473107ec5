#include "tests/platform/dshow/TestFilters.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

// {6D1F3A52-8E0B-4C61-9A77-2B5E31C0D401}
const CLSID CTestSource::kClsid = {
    0x6d1f3a52, 0x8e0b, 0x4c61, {0x9a, 0x77, 0x2b, 0x5e, 0x31, 0xc0, 0xd4, 0x01}};
// {6D1F3A52-8E0B-4C61-9A77-2B5E31C0D402}
const CLSID CTestRenderer::kClsid = {
    0x6d1f3a52, 0x8e0b, 0x4c61, {0x9a, 0x77, 0x2b, 0x5e, 0x31, 0xc0, 0xd4, 0x02}};

uint8_t FrameByte(uint32_t index, uint32_t row, uint32_t offset) {
  switch (offset) {
    case 0:
      return static_cast<uint8_t>(index);
    case 1:
      return static_cast<uint8_t>(index >> 8);
    case 2:
      return static_cast<uint8_t>(row);
    case 3:
      return static_cast<uint8_t>(row >> 8);
    default:
      return static_cast<uint8_t>(index * 29 + row * 7 + offset * 13 + (offset >> 8));
  }
}

void FillFrame(uint8_t* data, int width, int height, int bytesPerPixel, uint32_t index) {
  const int stride = width * bytesPerPixel;
  for (int row = 0; row < height; ++row)
    for (int x = 0; x < stride; ++x) data[row * stride + x] = FrameByte(index, row, x);
}

int64_t DecodeFrame(const uint8_t* data, size_t length, int width, int height, int bytesPerPixel) {
  const size_t stride = static_cast<size_t>(width) * bytesPerPixel;
  if (stride < 4 || length < stride * height) return -1;
  const uint32_t index = data[0] | (data[1] << 8);
  for (int row = 0; row < height; ++row)
    for (size_t x = 0; x < stride; ++x)
      if (data[row * stride + x] != FrameByte(index, row, static_cast<uint32_t>(x))) return -1;
  return index;
}

CMediaType MakeVideoType(const GUID& subtype, int width, int height, REFERENCE_TIME frameTime) {
  CMediaType mt(&MEDIATYPE_Video);
  mt.SetSubtype(&subtype);
  mt.SetFormatType(&FORMAT_VideoInfo);
  auto* vih = reinterpret_cast<VIDEOINFOHEADER*>(mt.AllocFormatBuffer(sizeof(VIDEOINFOHEADER)));
  WORD bits = 24;
  DWORD compression = BI_RGB;
  if (IsEqualGUID(subtype, MEDIASUBTYPE_RGB32)) bits = 32;
  if (IsEqualGUID(subtype, MEDIASUBTYPE_YUY2)) {
    bits = 16;
    compression = MAKEFOURCC('Y', 'U', 'Y', '2');
  }
  vih->AvgTimePerFrame = frameTime;
  vih->bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  vih->bmiHeader.biWidth = width;
  vih->bmiHeader.biHeight = height;
  vih->bmiHeader.biPlanes = 1;
  vih->bmiHeader.biBitCount = bits;
  vih->bmiHeader.biCompression = compression;
  vih->bmiHeader.biSizeImage = ((width * bits / 8 + 3) & ~3) * height;
  mt.SetSampleSize(vih->bmiHeader.biSizeImage);
  mt.SetTemporalCompression(FALSE);
  return mt;
}

// ---------------------------------------------------------------------------------------

CTestStream::CTestStream(CTestSource* filter, HRESULT* phr, const SourceConfig& config)
    : CSourceStream(L"Test stream", phr, filter, L"Out"), m_Config(config) {}

STDMETHODIMP CTestStream::NonDelegatingQueryInterface(REFIID riid, void** ppv) {
  if (m_Config.capturePin && IsEqualIID(riid, IID_IKsPropertySet))
    return GetInterface(static_cast<IKsPropertySet*>(this), ppv);
  return CSourceStream::NonDelegatingQueryInterface(riid, ppv);
}

STDMETHODIMP CTestStream::Set(REFGUID, DWORD, void*, DWORD, void*, DWORD) {
  return E_PROP_ID_UNSUPPORTED;
}

HRESULT GetCapturePinCategory(REFGUID set, DWORD id, void* data, DWORD size, DWORD* returned) {
  if (!IsEqualGUID(set, AMPROPSETID_Pin)) return E_PROP_SET_UNSUPPORTED;
  if (id != AMPROPERTY_PIN_CATEGORY) return E_PROP_ID_UNSUPPORTED;
  if (!data && !returned) return E_POINTER;
  if (returned) *returned = sizeof(GUID);
  if (!data) return S_OK;
  if (size < sizeof(GUID)) return E_UNEXPECTED;
  *static_cast<GUID*>(data) = PIN_CATEGORY_CAPTURE;
  return S_OK;
}

HRESULT QueryCapturePinCategory(REFGUID set, DWORD id, DWORD* support) {
  if (!IsEqualGUID(set, AMPROPSETID_Pin)) return E_PROP_SET_UNSUPPORTED;
  if (id != AMPROPERTY_PIN_CATEGORY) return E_PROP_ID_UNSUPPORTED;
  if (support) *support = KSPROPERTY_SUPPORT_GET;
  return S_OK;
}

STDMETHODIMP CTestStream::Get(REFGUID set, DWORD id, void*, DWORD, void* data, DWORD size,
                              DWORD* returned) {
  return GetCapturePinCategory(set, id, data, size, returned);
}

STDMETHODIMP CTestStream::QuerySupported(REFGUID set, DWORD id, DWORD* support) {
  return QueryCapturePinCategory(set, id, support);
}

HRESULT CTestStream::GetMediaType(int position, CMediaType* mt) {
  if (position < 0) return E_INVALIDARG;
  if (position >= static_cast<int>(m_Config.subtypes.size())) return VFW_S_NO_MORE_ITEMS;
  *mt = MakeVideoType(m_Config.subtypes[position], m_Config.width, m_Config.height,
                      m_Config.frameTime);
  return S_OK;
}

HRESULT CTestStream::DecideBufferSize(IMemAllocator* allocator, ALLOCATOR_PROPERTIES* request) {
  request->cBuffers = request->cBuffers > 2 ? request->cBuffers : 2;
  request->cbBuffer = static_cast<long>(m_mt.GetSampleSize());
  if (request->cbAlign < 1) request->cbAlign = 1;
  ALLOCATOR_PROPERTIES actual = {};
  HRESULT hr = allocator->SetProperties(request, &actual);
  if (FAILED(hr)) return hr;
  return actual.cbBuffer < request->cbBuffer ? E_FAIL : S_OK;
}

HRESULT CTestStream::OnThreadCreate() {
  m_Next = 0;
  return S_OK;
}

HRESULT CTestStream::FillBuffer(IMediaSample* sample) {
  if (m_Config.frames >= 0 && m_Next >= static_cast<uint32_t>(m_Config.frames)) return S_FALSE;
  if (m_Next == 0 && m_Config.gate) {
    HANDLE waits[2] = {m_Config.gate, StopEvent()};
    if (WaitForMultipleObjects(2, waits, FALSE, INFINITE) != WAIT_OBJECT_0) return S_FALSE;
  }
  BYTE* data = nullptr;
  sample->GetPointer(&data);
  const auto* vih = reinterpret_cast<const VIDEOINFOHEADER*>(m_mt.Format());
  const int bpp = vih->bmiHeader.biBitCount / 8;
  const long size = m_Config.width * bpp * m_Config.height;
  if (sample->GetSize() < size) return E_FAIL;
  FillFrame(data, m_Config.width, m_Config.height, bpp, m_Next);
  sample->SetActualDataLength(size);
  if (m_Config.timestamps) {
    REFERENCE_TIME start = m_Config.firstStart + m_Next * m_Config.frameTime;
    REFERENCE_TIME stop = start + m_Config.frameTime;
    sample->SetTime(&start, &stop);
  } else {
    sample->SetTime(nullptr, nullptr);
  }
  sample->SetSyncPoint(TRUE);
  ++m_Next;
  return S_OK;
}

CTestSource::CTestSource(const SourceConfig& config, IUnknown* outer, REFCLSID clsid, HRESULT* phr)
    : CSource(L"Test source", outer, clsid, phr) {
  m_pStream = new CTestStream(this, phr, config);
}

CComPtr<IBaseFilter> CTestSource::Create(const SourceConfig& config, CTestSource** self) {
  HRESULT hr = S_OK;
  auto* source = new CTestSource(config, nullptr, kClsid, &hr);
  if (self) *self = source;
  return CComPtr<IBaseFilter>(static_cast<IBaseFilter*>(source));
}

// ---------------------------------------------------------------------------------------

CTestRenderer::CTestRenderer(std::vector<GUID> accepted, HRESULT* phr)
    : CBaseRenderer(kClsid, L"Test renderer", nullptr, phr), m_Accepted(std::move(accepted)) {
  m_evFrame = CreateEventW(nullptr, FALSE, FALSE, nullptr);
}

CTestRenderer::~CTestRenderer() { CloseHandle(m_evFrame); }

CComPtr<IBaseFilter> CTestRenderer::Create(std::vector<GUID> accepted, CTestRenderer** self) {
  HRESULT hr = S_OK;
  auto* renderer = new CTestRenderer(std::move(accepted), &hr);
  if (self) *self = renderer;
  return CComPtr<IBaseFilter>(static_cast<IBaseFilter*>(renderer));
}

HRESULT CTestRenderer::CheckMediaType(const CMediaType* mt) {
  if (!IsEqualGUID(*mt->Type(), MEDIATYPE_Video) ||
      !IsEqualGUID(*mt->FormatType(), FORMAT_VideoInfo) ||
      mt->FormatLength() < sizeof(VIDEOINFOHEADER))
    return E_INVALIDARG;
  for (const GUID& g : m_Accepted)
    if (IsEqualGUID(g, *mt->Subtype())) return S_OK;
  return E_INVALIDARG;
}

STDMETHODIMP CTestRenderer::NonDelegatingQueryInterface(REFIID riid, void** ppv) {
  if (hideSeeking &&
      (IsEqualIID(riid, IID_IMediaSeeking) || IsEqualIID(riid, IID_IMediaPosition))) {
    if (ppv) *ppv = nullptr;
    return E_NOINTERFACE;
  }
  return CBaseRenderer::NonDelegatingQueryInterface(riid, ppv);
}

HRESULT CTestRenderer::SetMediaType(const CMediaType* mt) {
  const auto* vih = reinterpret_cast<const VIDEOINFOHEADER*>(mt->Format());
  std::lock_guard<std::mutex> lock(m_Mutex);
  m_Subtype = *mt->Subtype();
  m_Width = vih->bmiHeader.biWidth;
  m_Height = vih->bmiHeader.biHeight < 0 ? -vih->bmiHeader.biHeight : vih->bmiHeader.biHeight;
  m_BytesPerPixel = vih->bmiHeader.biBitCount / 8;
  return S_OK;
}

HRESULT CTestRenderer::DoRenderSample(IMediaSample* sample) {
  BYTE* data = nullptr;
  sample->GetPointer(&data);
  RenderedFrame frame{};
  REFERENCE_TIME stop = 0;
  frame.timed = SUCCEEDED(sample->GetTime(&frame.start, &stop));
  frame.arrivalMs = NowMs();
  {
    std::lock_guard<std::mutex> lock(m_Mutex);
    frame.index = DecodeFrame(data, static_cast<size_t>(sample->GetActualDataLength()), m_Width,
                              m_Height, m_BytesPerPixel);
    m_Frames.push_back(frame);
  }
  SetEvent(m_evFrame);
  return S_OK;
}

std::vector<RenderedFrame> CTestRenderer::Frames() {
  std::lock_guard<std::mutex> lock(m_Mutex);
  return m_Frames;
}

size_t CTestRenderer::FrameCount() {
  std::lock_guard<std::mutex> lock(m_Mutex);
  return m_Frames.size();
}

void CTestRenderer::ClearFrames() {
  std::lock_guard<std::mutex> lock(m_Mutex);
  m_Frames.clear();
}

bool CTestRenderer::WaitForFrames(size_t count, DWORD timeoutMs) {
  const LONGLONG deadline = NowMs() + timeoutMs;
  for (;;) {
    if (FrameCount() >= count) return true;
    LONGLONG left = deadline - NowMs();
    if (left <= 0) return false;
    WaitForSingleObject(m_evFrame, static_cast<DWORD>(left < 50 ? left : 50));
  }
}

GUID CTestRenderer::ConnectedSubtype() {
  std::lock_guard<std::mutex> lock(m_Mutex);
  return m_Subtype;
}

// ---------------------------------------------------------------------------------------

Watchdog::Watchdog(DWORD timeoutMs, const char* what) : m_TimeoutMs(timeoutMs), m_What(what) {
  m_evDone = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  m_hThread = CreateThread(nullptr, 0, Run, this, 0, nullptr);
}

Watchdog::~Watchdog() {
  SetEvent(m_evDone);
  WaitForSingleObject(m_hThread, INFINITE);
  CloseHandle(m_hThread);
  CloseHandle(m_evDone);
}

DWORD WINAPI Watchdog::Run(void* param) {
  auto* self = static_cast<Watchdog*>(param);
  if (WaitForSingleObject(self->m_evDone, self->m_TimeoutMs) == WAIT_TIMEOUT) {
    fprintf(stderr, "watchdog: '%s' did not finish within %lu ms (deadlock?)\n", self->m_What,
            static_cast<unsigned long>(self->m_TimeoutMs));
    fflush(stderr);
    TerminateProcess(GetCurrentProcess(), 3);
  }
  return 0;
}

LONGLONG NowMs() {
  LARGE_INTEGER counter, frequency;
  QueryPerformanceCounter(&counter);
  QueryPerformanceFrequency(&frequency);
  return counter.QuadPart * 1000 / frequency.QuadPart;
}

CComPtr<IPin> FindPin(IBaseFilter* filter, PIN_DIRECTION wanted) {
  CComPtr<IEnumPins> pins;
  if (FAILED(filter->EnumPins(&pins))) return {};
  for (;;) {
    CComPtr<IPin> pin;
    if (pins->Next(1, &pin, nullptr) != S_OK) return {};
    PIN_DIRECTION dir;
    if (SUCCEEDED(pin->QueryDirection(&dir)) && dir == wanted) return pin;
  }
}

bool WaitForEvent(IMediaEvent* events, long code, DWORD timeoutMs) {
  const LONGLONG deadline = NowMs() + timeoutMs;
  for (;;) {
    const LONGLONG left = deadline - NowMs();
    if (left < 0) return false;
    long got = 0;
    LONG_PTR p1 = 0, p2 = 0;
    HRESULT hr = events->GetEvent(&got, &p1, &p2, static_cast<long>(left));
    if (hr == E_ABORT) {
      // Wine 8.0 answers E_ABORT at once, whatever the time-out, on the first call after
      // the queue ran empty; the next call waits as asked.
      continue;
    }
    if (FAILED(hr)) return false;
    events->FreeEventParams(got, p1, p2);
    if (got == code) return true;
  }
}
