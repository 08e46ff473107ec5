#include "platform/dshow/Source.h"

#include <algorithm>

// ---------------------------------------------------------------------------------------
// CSource

CSource::CSource(const wchar_t* name, IUnknown* outer, REFCLSID clsid, HRESULT*)
    : CBaseFilter(name, outer, &m_cStateLock, clsid) {}

CSource::~CSource() {
  while (!m_paStreams.empty()) delete m_paStreams.back();  // each one unregisters
}

int CSource::GetPinCount() {
  CAutoLock lock(&m_cStateLock);
  return static_cast<int>(m_paStreams.size());
}

CBasePin* CSource::GetPin(int n) {
  CAutoLock lock(&m_cStateLock);
  if (n < 0 || n >= static_cast<int>(m_paStreams.size())) return nullptr;
  return m_paStreams[n];
}

HRESULT CSource::AddPin(CSourceStream* stream) {
  CAutoLock lock(&m_cStateLock);
  m_paStreams.push_back(stream);
  IncrementPinVersion();
  return S_OK;
}

HRESULT CSource::RemovePin(CSourceStream* stream) {
  CAutoLock lock(&m_cStateLock);
  auto it = std::find(m_paStreams.begin(), m_paStreams.end(), stream);
  if (it == m_paStreams.end()) return S_FALSE;
  m_paStreams.erase(it);
  IncrementPinVersion();
  return S_OK;
}

STDMETHODIMP CSource::Stop() {
  CAutoLock control(&m_csControl);
  std::vector<CSourceStream*> streams;
  {
    CAutoLock lock(&m_cStateLock);
    streams = m_paStreams;
  }
  // The threads end first, while the filter lock is free.
  for (CSourceStream* stream : streams) stream->StopStreaming();
  return CBaseFilter::Stop();
}

STDMETHODIMP CSource::Pause() {
  CAutoLock control(&m_csControl);
  return CBaseFilter::Pause();
}

STDMETHODIMP CSource::Run(REFERENCE_TIME start) {
  CAutoLock control(&m_csControl);
  return CBaseFilter::Run(start);
}

// ---------------------------------------------------------------------------------------
// CSourceStream

CSourceStream::CSourceStream(const wchar_t* objectName, HRESULT* phr, CSource* filter,
                             const wchar_t* pinName)
    : CBaseOutputPin(objectName, filter, filter->pStateLock(), phr, pinName),
      m_pSourceFilter(filter) {
  m_evStop = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  if (!m_evStop && phr) *phr = E_OUTOFMEMORY;
  filter->AddPin(this);
}

CSourceStream::~CSourceStream() {
  StopStreaming();
  m_pSourceFilter->RemovePin(this);
  if (m_evStop) CloseHandle(m_evStop);
}

HRESULT CSourceStream::GetMediaType(int position, CMediaType* mt) {
  if (position < 0) return E_INVALIDARG;
  if (position > 0) return VFW_S_NO_MORE_ITEMS;
  return GetMediaType(mt);
}

HRESULT CSourceStream::CheckMediaType(const CMediaType* mt) {
  for (int i = 0;; ++i) {
    CMediaType offered;
    if (GetMediaType(i, &offered) != S_OK) return E_INVALIDARG;
    if (offered == *mt) return S_OK;
  }
}

bool CSourceStream::ThreadExists() {
  CAutoLock lock(&m_csThread);
  return m_hThread != nullptr;
}

HRESULT CSourceStream::Active() {
  HRESULT hr = CBaseOutputPin::Active();
  if (FAILED(hr)) return hr;
  CAutoLock lock(&m_csThread);
  if (m_hThread) return S_OK;
  ResetEvent(m_evStop);
  m_hThread = CreateThread(nullptr, 0, ThreadProc, this, 0, nullptr);
  if (!m_hThread) {
    hr = HRESULT_FROM_WIN32(GetLastError());
    CBaseOutputPin::Inactive();
    return hr;
  }
  return S_OK;
}

HRESULT CSourceStream::Inactive() {
  StopStreaming();
  return CBaseOutputPin::Inactive();
}

HRESULT CSourceStream::StopStreaming() {
  HANDLE thread = nullptr;
  {
    CAutoLock lock(&m_csThread);
    thread = m_hThread;
    if (!thread) return S_FALSE;
    SetEvent(m_evStop);
  }
  // A thread waiting for a free buffer wakes with an error.
  if (m_pAllocator) m_pAllocator->Decommit();
  WaitForSingleObject(thread, INFINITE);
  CloseHandle(thread);
  CAutoLock lock(&m_csThread);
  m_hThread = nullptr;
  return S_OK;
}

DWORD WINAPI CSourceStream::ThreadProc(void* param) {
  auto* self = static_cast<CSourceStream*>(param);
  HRESULT hrCom = CoInitializeEx(nullptr, COINIT_MULTITHREADED);
  HRESULT hr = self->OnThreadCreate();
  if (SUCCEEDED(hr)) {
    self->DoBufferProcessingLoop();
  } else {
    self->DeliverEndOfStream();
    self->m_pFilter->NotifyEvent(EC_ERRORABORT, hr, 0);
    self->WaitForStop();
  }
  self->OnThreadDestroy();
  if (SUCCEEDED(hrCom)) CoUninitialize();
  return 0;
}

void CSourceStream::DoBufferProcessingLoop() {
  while (WaitForSingleObject(m_evStop, 0) != WAIT_OBJECT_0) {
    IMediaSample* sample = nullptr;
    HRESULT hr = GetDeliveryBuffer(&sample, nullptr, nullptr, 0);
    if (FAILED(hr) || !sample) {
      // The allocator was decommitted: downstream stopped, and so will this filter.
      break;
    }
    hr = FillBuffer(sample);
    if (hr == S_OK) {
      hr = Deliver(sample);
      sample->Release();
      // S_FALSE: downstream wants no more data (flushing or stopping); an error: it
      // cannot take any. Either way this stream is done until the next start.
      if (hr != S_OK) break;
      continue;
    }
    sample->Release();
    if (WaitForSingleObject(m_evStop, 0) == WAIT_OBJECT_0) break;  // FillBuffer gave up
    DeliverEndOfStream();
    if (FAILED(hr)) m_pFilter->NotifyEvent(EC_ERRORABORT, hr, 0);
    break;
  }
  WaitForStop();
}
