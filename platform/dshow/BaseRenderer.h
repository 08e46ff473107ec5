// Base renderer: a filter with one input pin that presents each sample at its time on
// the graph's reference clock. A derived renderer decides which media types it takes
// (CheckMediaType) and what presenting a sample means (DoRenderSample).
//
// Scheduling, on the upstream filter's streaming thread inside Receive:
// - Paused: the sample is held (Receive blocks) and the pause counts as complete;
//   GetState reports VFW_S_STATE_INTERMEDIATE until a sample or end of stream arrived.
// - Running: the sample is rendered when the stream time reaches its start time; at
//   once without a clock or without a time stamp, or when it is late.
// - Stop and BeginFlush release a waiting sample without rendering it.
// - End of stream sends EC_COMPLETE to the graph while running; end of stream reached
//   while paused is reported when Run comes. Every Run reports it again while the
//   stream is at its end, and a renderer whose pin is not connected reports it on every
//   Run, because the graph counts completions afresh each time it starts.
//
// Locks: the filter lock (state, connection) is taken before the renderer lock (what the
// streaming thread shares with the control thread). The streaming thread takes only the
// renderer lock, never waits while holding it, and calls DoRenderSample and the graph's
// event sink without it.
#pragma once

#include <memory>

#include "platform/dshow/BasePin.h"
#include "platform/dshow/PosPassThru.h"

class CBaseRenderer;

class CRendererInputPin : public CBaseInputPin {
 public:
  CRendererInputPin(CBaseRenderer* renderer, HRESULT* phr, const wchar_t* pinName);

  HRESULT CheckMediaType(const CMediaType* mt) override;
  HRESULT SetMediaType(const CMediaType* mt) override;
  HRESULT CompleteConnect(IPin* pin) override;
  HRESULT BreakConnect() override;

  STDMETHODIMP Receive(IMediaSample* sample) override;
  STDMETHODIMP EndOfStream() override;
  STDMETHODIMP BeginFlush() override;
  STDMETHODIMP EndFlush() override;
  STDMETHODIMP NewSegment(REFERENCE_TIME start, REFERENCE_TIME stop, double rate) override;

 private:
  CBaseRenderer* m_pRenderer;
};

class CBaseRenderer : public CBaseFilter, public IAMFilterMiscFlags {
 public:
  CBaseRenderer(REFCLSID clsid, const wchar_t* name, IUnknown* outer, HRESULT* phr);
  ~CBaseRenderer() override;

  DECLARE_IUNKNOWN
  // Adds IMediaSeeking and IMediaPosition (passed upstream) and IAMFilterMiscFlags.
  STDMETHODIMP NonDelegatingQueryInterface(REFIID riid, void** ppv) override;

  // What a derived renderer provides.
  virtual HRESULT CheckMediaType(const CMediaType* mt) = 0;
  virtual HRESULT DoRenderSample(IMediaSample* sample) = 0;
  // Hooks around the connection; the defaults accept.
  virtual HRESULT SetMediaType(const CMediaType* mt) { return S_OK; }
  virtual HRESULT CompleteConnect(IPin* pin) { return S_OK; }
  virtual HRESULT BreakConnect() { return S_OK; }
  // Streaming entry points (called by the input pin after its own checks).
  virtual HRESULT Receive(IMediaSample* sample);
  virtual HRESULT EndOfStream();
  virtual HRESULT BeginFlush();
  virtual HRESULT EndFlush();
  virtual HRESULT NewSegment(REFERENCE_TIME start, REFERENCE_TIME stop, double rate);

  // IMediaFilter
  STDMETHODIMP Stop() override;
  STDMETHODIMP Pause() override;
  STDMETHODIMP Run(REFERENCE_TIME start) override;
  STDMETHODIMP GetState(DWORD timeoutMs, FILTER_STATE* state) override;
  STDMETHODIMP SetSyncSource(IReferenceClock* clock) override;

  // IAMFilterMiscFlags: the graph counts renderers to know when playback completed.
  STDMETHODIMP_(ULONG) GetMiscFlags() override { return AM_FILTER_MISC_FLAGS_IS_RENDERER; }

  int GetPinCount() override { return 1; }
  CBasePin* GetPin(int n) override;
  CRendererInputPin* InputPin() { return m_pInputPin.get(); }

  // End of stream reached since the last stop or flush.
  bool IsEndOfStream();

 private:
  // Marks the pause complete when a sample is waiting, end of stream came or nothing
  // is connected; otherwise GetState reports the pause as still in progress.
  void UpdatePauseReadyLocked();

  CCritSec m_InterfaceLock;  // the filter lock
  CCritSec m_RendererLock;   // shared with the streaming thread
  std::unique_ptr<CRendererInputPin> m_pInputPin;
  IUnknown* m_pPositionInner = nullptr;  // aggregated seeking pass-through, made on demand

  // Guarded by m_RendererLock.
  HANDLE m_evWake;    // auto-reset: state changed, a waiting Receive re-examines
  HANDLE m_evTimer;   // auto-reset: the clock advise for the waiting sample
  HANDLE m_evReady;   // manual-reset: the pause is complete
  ULONG m_Epoch = 0;  // bumped by Stop and BeginFlush: older waiting samples are dropped
  bool m_bFlushing = false;
  bool m_bSampleWaiting = false;
  bool m_bEOS = false;
  bool m_bEOSDelivered = false;
};
