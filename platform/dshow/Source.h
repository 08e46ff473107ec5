// Push source: a filter whose output pins each run a streaming thread that fills buffers
// (FillBuffer) and delivers them downstream while the filter is paused or running.
//
// Threads: the thread starts when the filter leaves Stopped and ends on Stop. Stopping
// signals the thread, decommits the allocator (so a wait for a free buffer ends) and
// joins it without holding the filter lock; the thread itself never takes the filter
// lock, so a FillBuffer may call anything on the filter. The downstream filters must be
// stopped first (the graph manager does so), or a downstream Receive that blocks would
// keep the thread from ending.
#pragma once

#include <vector>

#include "platform/dshow/BasePin.h"

class CSourceStream;

class CSource : public CBaseFilter {
 public:
  CSource(const wchar_t* name, IUnknown* outer, REFCLSID clsid, HRESULT* phr);
  ~CSource() override;  // deletes the remaining streams

  STDMETHODIMP Stop() override;
  STDMETHODIMP Pause() override;
  STDMETHODIMP Run(REFERENCE_TIME start) override;

  int GetPinCount() override;
  CBasePin* GetPin(int n) override;

  // Streams register themselves on construction and unregister when deleted.
  HRESULT AddPin(CSourceStream* stream);
  HRESULT RemovePin(CSourceStream* stream);

  CCritSec* pStateLock() { return &m_cStateLock; }

 protected:
  CCritSec m_cStateLock;  // the filter lock

 private:
  CCritSec m_csControl;  // serialises Stop/Pause/Run; taken before the filter lock
  std::vector<CSourceStream*> m_paStreams;
};

class CSourceStream : public CBaseOutputPin {
 public:
  CSourceStream(const wchar_t* objectName, HRESULT* phr, CSource* filter, const wchar_t* pinName);
  ~CSourceStream() override;

  // Fills one sample (data, length, time stamps). S_OK delivers it; S_FALSE ends the
  // stream (end of stream is sent downstream); an error ends it too and reports
  // EC_ERRORABORT to the graph. Runs on the streaming thread. A FillBuffer that waits
  // must also wait for StopEvent(), which is set when the stream is told to stop.
  virtual HRESULT FillBuffer(IMediaSample* sample) = 0;
  // Run on the streaming thread when it starts and before it ends.
  virtual HRESULT OnThreadCreate() { return S_OK; }
  virtual HRESULT OnThreadDestroy() { return S_OK; }

  // The offered types: by default the single type of GetMediaType(CMediaType*).
  HRESULT GetMediaType(int position, CMediaType* mt) override;
  virtual HRESULT GetMediaType(CMediaType* mt) { return E_UNEXPECTED; }
  // By default a type is accepted when it equals one of the offered types.
  HRESULT CheckMediaType(const CMediaType* mt) override;

  HRESULT Active() override;    // commits the allocator and starts the thread
  HRESULT Inactive() override;  // ends the thread and decommits the allocator

  // Signals the thread to end and waits for it. Never call with the filter lock held.
  HRESULT StopStreaming();
  bool ThreadExists();
  HANDLE StopEvent() const { return m_evStop; }

 protected:
  // The thread's loop: buffer, FillBuffer, Deliver until told to stop or the stream ends.
  virtual void DoBufferProcessingLoop();
  CSource* m_pSourceFilter;

 private:
  static DWORD WINAPI ThreadProc(void* param);
  void WaitForStop() { WaitForSingleObject(m_evStop, INFINITE); }

  CCritSec m_csThread;  // guards the thread handle
  HANDLE m_hThread = nullptr;
  HANDLE m_evStop;  // manual-reset
};
