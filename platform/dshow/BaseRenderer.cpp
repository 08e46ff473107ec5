#include "platform/dshow/BaseRenderer.h"

// ---------------------------------------------------------------------------------------
// CRendererInputPin

CRendererInputPin::CRendererInputPin(CBaseRenderer* renderer, HRESULT* phr, const wchar_t* pinName)
    : CBaseInputPin(L"Renderer input pin", renderer, renderer->FilterLock(), phr, pinName),
      m_pRenderer(renderer) {}

HRESULT CRendererInputPin::CheckMediaType(const CMediaType* mt) {
  return m_pRenderer->CheckMediaType(mt);
}

HRESULT CRendererInputPin::SetMediaType(const CMediaType* mt) {
  HRESULT hr = CBaseInputPin::SetMediaType(mt);
  if (FAILED(hr)) return hr;
  return m_pRenderer->SetMediaType(mt);
}

HRESULT CRendererInputPin::CompleteConnect(IPin* pin) {
  HRESULT hr = CBaseInputPin::CompleteConnect(pin);
  if (FAILED(hr)) return hr;
  return m_pRenderer->CompleteConnect(pin);
}

HRESULT CRendererInputPin::BreakConnect() {
  HRESULT hr = m_pRenderer->BreakConnect();
  CBaseInputPin::BreakConnect();
  return hr;
}

STDMETHODIMP CRendererInputPin::Receive(IMediaSample* sample) {
  HRESULT hr = CBaseInputPin::Receive(sample);
  if (hr != S_OK) return hr;
  return m_pRenderer->Receive(sample);
}

STDMETHODIMP CRendererInputPin::EndOfStream() {
  HRESULT hr = CheckStreaming();
  if (hr != S_OK) return hr == S_FALSE ? S_OK : hr;  // end of stream while flushing: ignored
  return m_pRenderer->EndOfStream();
}

STDMETHODIMP CRendererInputPin::BeginFlush() {
  CAutoLock lock(m_pLock);
  CBaseInputPin::BeginFlush();
  return m_pRenderer->BeginFlush();
}

STDMETHODIMP CRendererInputPin::EndFlush() {
  CAutoLock lock(m_pLock);
  HRESULT hr = m_pRenderer->EndFlush();
  CBaseInputPin::EndFlush();
  return hr;
}

STDMETHODIMP CRendererInputPin::NewSegment(REFERENCE_TIME start, REFERENCE_TIME stop, double rate) {
  CBaseInputPin::NewSegment(start, stop, rate);
  return m_pRenderer->NewSegment(start, stop, rate);
}

// ---------------------------------------------------------------------------------------
// CBaseRenderer

CBaseRenderer::CBaseRenderer(REFCLSID clsid, const wchar_t* name, IUnknown* outer, HRESULT* phr)
    : CBaseFilter(name, outer, &m_InterfaceLock, clsid) {
  m_evWake = CreateEventW(nullptr, FALSE, FALSE, nullptr);
  m_evTimer = CreateEventW(nullptr, FALSE, FALSE, nullptr);
  m_evReady = CreateEventW(nullptr, TRUE, TRUE, nullptr);
  if (!m_evWake || !m_evTimer || !m_evReady) {
    if (phr) *phr = E_OUTOFMEMORY;
  }
  m_pInputPin.reset(new (std::nothrow) CRendererInputPin(this, phr, L"In"));
  if (!m_pInputPin && phr) *phr = E_OUTOFMEMORY;
}

CBaseRenderer::~CBaseRenderer() {
  if (m_pPositionInner) m_pPositionInner->Release();
  m_pInputPin.reset();
  for (HANDLE h : {m_evWake, m_evTimer, m_evReady})
    if (h) CloseHandle(h);
}

STDMETHODIMP CBaseRenderer::NonDelegatingQueryInterface(REFIID riid, void** ppv) {
  if (!ppv) return E_POINTER;
  if (IsEqualIID(riid, IID_IAMFilterMiscFlags))
    return GetInterface(static_cast<IAMFilterMiscFlags*>(this), ppv);
  if (IsEqualIID(riid, IID_IMediaSeeking) || IsEqualIID(riid, IID_IMediaPosition)) {
    // The graph manager finds seeking on its renderers; without it a graph of this
    // renderer reports no duration (measured under Wine).
    CAutoLock lock(&m_InterfaceLock);
    if (!m_pPositionInner) {
      HRESULT hr = S_OK;
      auto* pass =
          new (std::nothrow) CPosPassThru(L"Renderer seeking", GetOwner(), &hr, m_pInputPin.get());
      if (!pass) return E_OUTOFMEMORY;
      m_pPositionInner = pass->GetInner();
      m_pPositionInner->AddRef();
    }
    return m_pPositionInner->QueryInterface(riid, ppv);
  }
  return CBaseFilter::NonDelegatingQueryInterface(riid, ppv);
}

CBasePin* CBaseRenderer::GetPin(int n) { return n == 0 ? m_pInputPin.get() : nullptr; }

void CBaseRenderer::UpdatePauseReadyLocked() {
  if (m_bSampleWaiting || m_bEOS || !m_pInputPin->IsConnected())
    SetEvent(m_evReady);
  else
    ResetEvent(m_evReady);
}

STDMETHODIMP CBaseRenderer::Stop() {
  CAutoLock lock(&m_InterfaceLock);
  if (m_State.load() == State_Stopped) return S_OK;
  {
    CAutoLock rlock(&m_RendererLock);
    m_State = State_Stopped;
    ++m_Epoch;
    m_bEOS = false;
    m_bEOSDelivered = false;
    SetEvent(m_evReady);
    SetEvent(m_evWake);
  }
  // Decommitting the allocator makes upstream's GetBuffer fail, so its thread stops
  // waiting for buffers that a stopped renderer will never release.
  if (m_pInputPin->IsConnected()) m_pInputPin->Inactive();
  return S_OK;
}

STDMETHODIMP CBaseRenderer::Pause() {
  CAutoLock lock(&m_InterfaceLock);
  FILTER_STATE old = m_State.load();
  if (old == State_Stopped && m_pInputPin->IsConnected()) {
    HRESULT hr = m_pInputPin->Active();
    if (FAILED(hr)) return hr;
  }
  CAutoLock rlock(&m_RendererLock);
  if (old == State_Stopped) {
    m_bEOS = false;
    m_bEOSDelivered = false;
    m_bSampleWaiting = false;
  }
  m_State = State_Paused;
  UpdatePauseReadyLocked();
  SetEvent(m_evWake);
  return WaitForSingleObject(m_evReady, 0) == WAIT_OBJECT_0 ? S_OK : S_FALSE;
}

STDMETHODIMP CBaseRenderer::Run(REFERENCE_TIME start) {
  CAutoLock lock(&m_InterfaceLock);
  if (m_State.load() == State_Stopped) {
    HRESULT hr = Pause();
    if (FAILED(hr)) return hr;
  }
  bool sendComplete = false;
  // The graph counts its renderers' completions afresh on every start (Wine's also drops
  // the completions still queued), so a renderer with nothing left to present, at the end
  // of its stream or not connected at all, reports completion each time it starts.
  const bool connected = m_pInputPin->IsConnected();
  {
    CAutoLock rlock(&m_RendererLock);
    m_tStart = start;
    m_State = State_Running;
    SetEvent(m_evWake);
    if (m_bEOS || !connected) {
      m_bEOSDelivered = true;
      sendComplete = true;
    }
  }
  if (sendComplete) NotifyEvent(EC_COMPLETE, S_OK, 0);
  return S_OK;
}

STDMETHODIMP CBaseRenderer::GetState(DWORD timeoutMs, FILTER_STATE* state) {
  if (!state) return E_POINTER;
  *state = m_State.load();
  if (*state != State_Paused) return S_OK;
  // Waits without any lock: the sample that completes the pause comes on another
  // thread, through the renderer lock.
  return WaitForSingleObject(m_evReady, timeoutMs) == WAIT_OBJECT_0 ? S_OK
                                                                    : VFW_S_STATE_INTERMEDIATE;
}

STDMETHODIMP CBaseRenderer::SetSyncSource(IReferenceClock* clock) {
  CAutoLock lock(&m_InterfaceLock);
  CAutoLock rlock(&m_RendererLock);
  return CBaseFilter::SetSyncSource(clock);
}

bool CBaseRenderer::IsEndOfStream() {
  CAutoLock rlock(&m_RendererLock);
  return m_bEOS;
}

HRESULT CBaseRenderer::Receive(IMediaSample* sample) {
  REFERENCE_TIME start = 0, stop = 0;
  const bool timed = SUCCEEDED(sample->GetTime(&start, &stop));

  m_RendererLock.Lock();
  if (m_bEOS) {
    m_RendererLock.Unlock();
    return VFW_E_SAMPLE_REJECTED_EOS;
  }
  if (m_bFlushing || m_State.load() == State_Stopped) {
    HRESULT hr = m_bFlushing ? S_FALSE : VFW_E_WRONG_STATE;
    m_RendererLock.Unlock();
    return hr;
  }
  const ULONG epoch = m_Epoch;
  m_bSampleWaiting = true;
  bool render = false;
  for (;;) {
    if (m_Epoch != epoch || m_State.load() == State_Stopped) break;  // stopped or flushed
    if (m_State.load() == State_Paused) {
      // Holding the sample completes the pause; wait for Run, Stop or a flush.
      SetEvent(m_evReady);
      m_RendererLock.Unlock();
      WaitForSingleObject(m_evWake, INFINITE);
      m_RendererLock.Lock();
      continue;
    }
    // Running.
    IReferenceClock* clock = m_pClock;
    if (!timed || !clock) {
      render = true;
      break;
    }
    REFERENCE_TIME now = 0;
    if (FAILED(clock->GetTime(&now)) || now >= m_tStart + start) {
      render = true;
      break;
    }
    DWORD_PTR cookie = 0;
    ResetEvent(m_evTimer);
    if (FAILED(clock->AdviseTime(m_tStart, start, reinterpret_cast<HEVENT>(m_evTimer), &cookie))) {
      render = true;
      break;
    }
    clock->AddRef();
    m_RendererLock.Unlock();
    HANDLE waits[2] = {m_evWake, m_evTimer};
    WaitForMultipleObjects(2, waits, FALSE, INFINITE);
    clock->Unadvise(cookie);
    clock->Release();
    m_RendererLock.Lock();
    // Loop: the time has come, or the state changed and is looked at again.
  }
  m_bSampleWaiting = false;
  m_RendererLock.Unlock();
  if (!render) return S_FALSE;
  return DoRenderSample(sample);
}

HRESULT CBaseRenderer::EndOfStream() {
  bool sendComplete = false;
  {
    CAutoLock rlock(&m_RendererLock);
    if (m_State.load() == State_Stopped) return VFW_E_WRONG_STATE;
    if (m_bFlushing) return S_OK;
    m_bEOS = true;
    SetEvent(m_evReady);
    if (m_State.load() == State_Running && !m_bEOSDelivered) {
      m_bEOSDelivered = true;
      sendComplete = true;
    }
  }
  if (sendComplete) NotifyEvent(EC_COMPLETE, S_OK, 0);
  return S_OK;
}

HRESULT CBaseRenderer::BeginFlush() {
  CAutoLock rlock(&m_RendererLock);
  m_bFlushing = true;
  ++m_Epoch;
  m_bEOS = false;
  m_bEOSDelivered = false;
  SetEvent(m_evWake);
  return S_OK;
}

HRESULT CBaseRenderer::EndFlush() {
  CAutoLock rlock(&m_RendererLock);
  m_bFlushing = false;
  // After a flush (a seek) a paused renderer waits for the first new sample again.
  m_bSampleWaiting = false;
  if (m_State.load() == State_Paused) UpdatePauseReadyLocked();
  return S_OK;
}

HRESULT CBaseRenderer::NewSegment(REFERENCE_TIME, REFERENCE_TIME, double) { return S_OK; }
