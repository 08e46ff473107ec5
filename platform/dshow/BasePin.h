// Pins: the base pin (connection protocol and media-type negotiation), the input pin with
// IMemInputPin and the output pin with allocator negotiation and delivery.
#pragma once

#include <atomic>
#include <string>

#include "platform/dshow/BaseFilter.h"
#include "platform/dshow/MediaType.h"

// A pin belongs to its filter: AddRef and Release go to the filter, so a pin reference
// keeps the whole filter alive. The filter deletes its pins.
class CBasePin : public CUnknown, public IPin {
 public:
  CBasePin(const wchar_t* objectName, CBaseFilter* filter, CCritSec* lock, HRESULT* phr,
           const wchar_t* pinName, PIN_DIRECTION dir);
  ~CBasePin() override;

  DECLARE_IUNKNOWN
  STDMETHODIMP NonDelegatingQueryInterface(REFIID riid, void** ppv) override;
  STDMETHODIMP_(ULONG) NonDelegatingAddRef() override;
  STDMETHODIMP_(ULONG) NonDelegatingRelease() override;

  // IPin
  STDMETHODIMP Connect(IPin* receivePin, const AM_MEDIA_TYPE* pmt) override;
  STDMETHODIMP ReceiveConnection(IPin* connector, const AM_MEDIA_TYPE* pmt) override;
  STDMETHODIMP Disconnect() override;
  STDMETHODIMP ConnectedTo(IPin** pin) override;
  STDMETHODIMP ConnectionMediaType(AM_MEDIA_TYPE* pmt) override;
  STDMETHODIMP QueryPinInfo(PIN_INFO* info) override;
  STDMETHODIMP QueryDirection(PIN_DIRECTION* dir) override;
  STDMETHODIMP QueryId(LPWSTR* id) override;
  STDMETHODIMP QueryAccept(const AM_MEDIA_TYPE* pmt) override;
  STDMETHODIMP EnumMediaTypes(IEnumMediaTypes** ppEnum) override;
  STDMETHODIMP QueryInternalConnections(IPin** pins, ULONG* count) override;
  STDMETHODIMP EndOfStream() override;
  STDMETHODIMP BeginFlush() override = 0;
  STDMETHODIMP EndFlush() override = 0;
  STDMETHODIMP NewSegment(REFERENCE_TIME start, REFERENCE_TIME stop, double rate) override;

  // Connection hooks, called with the filter lock held.
  // S_OK accepts the type; anything else refuses it.
  virtual HRESULT CheckMediaType(const CMediaType* mt) = 0;
  // Stores the agreed type; overrides call this first.
  virtual HRESULT SetMediaType(const CMediaType* mt);
  // Checks the peer before any type is tried (direction, transport).
  virtual HRESULT CheckConnect(IPin* pin);
  // Called once both sides agreed on the type.
  virtual HRESULT CompleteConnect(IPin* pin);
  // Undoes CheckConnect/CompleteConnect (on failure and on disconnection).
  virtual HRESULT BreakConnect();
  // The preferred types, position 0 first; VFW_S_NO_MORE_ITEMS past the last.
  virtual HRESULT GetMediaType(int position, CMediaType* mt);
  virtual LONG GetMediaTypeVersion() { return m_TypeVersion.load(); }
  void IncrementTypeVersion() { ++m_TypeVersion; }

  // State hooks, called by the filter with its lock held for connected pins.
  virtual HRESULT Active() { return S_OK; }
  virtual HRESULT Inactive() { return S_OK; }
  virtual HRESULT Run(REFERENCE_TIME start) { return S_OK; }

  bool IsConnected() const { return m_Connected.load() != nullptr; }
  IPin* GetConnected() const { return m_Connected.load(); }  // no reference
  const CMediaType& CurrentMediaType() const { return m_mt; }
  const std::wstring& PinName() const { return m_Name; }
  PIN_DIRECTION Direction() const { return m_dir; }
  bool IsStopped() const { return m_pFilter->IsStopped(); }
  CBaseFilter* Filter() const { return m_pFilter; }
  REFERENCE_TIME CurrentStartTime() const { return m_tStart; }
  REFERENCE_TIME CurrentStopTime() const { return m_tStop; }
  double CurrentRate() const { return m_dRate; }

 protected:
  // Disconnects after a failed attempt, or on Disconnect.
  void ClearConnection();

  CBaseFilter* m_pFilter;
  CCritSec* m_pLock;
  std::atomic<IPin*> m_Connected{nullptr};  // one reference held while connected
  CMediaType m_mt;
  REFERENCE_TIME m_tStart = 0, m_tStop = MAXLONGLONG;
  double m_dRate = 1.0;

 private:
  HRESULT AgreeMediaType(IPin* receivePin, const CMediaType* partial);
  HRESULT TryMediaTypes(IPin* receivePin, const CMediaType* partial, IEnumMediaTypes* types,
                        bool* triedAny);
  HRESULT AttemptConnection(IPin* receivePin, const CMediaType* mt);

  std::wstring m_Name;
  PIN_DIRECTION m_dir;
  std::atomic<LONG> m_TypeVersion{1};
};

// IEnumMediaTypes over a pin's GetMediaType list. Each type handed out is a new
// CoTaskMemAlloc'ed AM_MEDIA_TYPE that the caller frees with DeleteMediaType.
class CEnumMediaTypes : public CUnknown, public IEnumMediaTypes {
 public:
  CEnumMediaTypes(CBasePin* pin, const CEnumMediaTypes* copyFrom);
  ~CEnumMediaTypes() override;
  DECLARE_IUNKNOWN
  STDMETHODIMP NonDelegatingQueryInterface(REFIID riid, void** ppv) override;

  STDMETHODIMP Next(ULONG count, AM_MEDIA_TYPE** types, ULONG* fetched) override;
  STDMETHODIMP Skip(ULONG count) override;
  STDMETHODIMP Reset() override;
  STDMETHODIMP Clone(IEnumMediaTypes** ppEnum) override;

 private:
  CBasePin* m_pPin;  // one reference held
  int m_Position = 0;
  LONG m_Version;
};

// Input pin with the memory transport. Receive, EndOfStream and the flush calls arrive
// on the upstream filter's streaming thread (flushes on the thread that seeks).
class CBaseInputPin : public CBasePin, public IMemInputPin {
 public:
  CBaseInputPin(const wchar_t* objectName, CBaseFilter* filter, CCritSec* lock, HRESULT* phr,
                const wchar_t* pinName);
  ~CBaseInputPin() override;

  DECLARE_IUNKNOWN
  STDMETHODIMP NonDelegatingQueryInterface(REFIID riid, void** ppv) override;

  // IMemInputPin. The default allocator is the system memory allocator.
  STDMETHODIMP GetAllocator(IMemAllocator** allocator) override;
  STDMETHODIMP NotifyAllocator(IMemAllocator* allocator, BOOL readOnly) override;
  STDMETHODIMP GetAllocatorRequirements(ALLOCATOR_PROPERTIES* props) override;
  // Checks that streaming is allowed and follows a media type carried by the sample;
  // overrides call this first and return its result unless it is S_OK.
  STDMETHODIMP Receive(IMediaSample* sample) override;
  STDMETHODIMP ReceiveMultiple(IMediaSample** samples, long count, long* processed) override;
  STDMETHODIMP ReceiveCanBlock() override;

  // IPin
  STDMETHODIMP BeginFlush() override;
  STDMETHODIMP EndFlush() override;

  HRESULT BreakConnect() override;
  HRESULT Inactive() override;

  // S_OK when a sample may be processed now; S_FALSE while flushing; an error when
  // not connected, stopped or after a run-time error.
  HRESULT CheckStreaming();
  bool IsFlushing() const { return m_bFlushing.load(); }
  bool IsReadOnly() const { return m_bReadOnly; }
  IMemAllocator* Allocator() const { return m_pAllocator; }

 protected:
  IMemAllocator* m_pAllocator = nullptr;  // one reference held
  BOOL m_bReadOnly = FALSE;
  std::atomic<bool> m_bFlushing{false};
  std::atomic<bool> m_bRunTimeError{false};
};

// Output pin with the memory transport: finds the peer's IMemInputPin, agrees on an
// allocator (the peer's first, then the system memory allocator) and delivers to it.
class CBaseOutputPin : public CBasePin {
 public:
  CBaseOutputPin(const wchar_t* objectName, CBaseFilter* filter, CCritSec* lock, HRESULT* phr,
                 const wchar_t* pinName);
  ~CBaseOutputPin() override;

  // Sets the allocator's buffer count and size for the connection type.
  virtual HRESULT DecideBufferSize(IMemAllocator* allocator, ALLOCATOR_PROPERTIES* request) = 0;
  virtual HRESULT DecideAllocator(IMemInputPin* pin, IMemAllocator** allocator);
  virtual HRESULT InitAllocator(IMemAllocator** allocator);

  HRESULT CheckConnect(IPin* pin) override;
  HRESULT CompleteConnect(IPin* pin) override;
  HRESULT BreakConnect() override;
  // Commits the allocator (Stopped -> Paused) and decommits it (-> Stopped).
  HRESULT Active() override;
  HRESULT Inactive() override;

  // IPin calls that are meant for input pins.
  STDMETHODIMP EndOfStream() override { return E_UNEXPECTED; }
  STDMETHODIMP BeginFlush() override { return E_UNEXPECTED; }
  STDMETHODIMP EndFlush() override { return E_UNEXPECTED; }

  // Streaming helpers.
  virtual HRESULT GetDeliveryBuffer(IMediaSample** sample, REFERENCE_TIME* start,
                                    REFERENCE_TIME* stop, DWORD flags);
  virtual HRESULT Deliver(IMediaSample* sample);
  virtual HRESULT DeliverEndOfStream();
  virtual HRESULT DeliverBeginFlush();
  virtual HRESULT DeliverEndFlush();
  virtual HRESULT DeliverNewSegment(REFERENCE_TIME start, REFERENCE_TIME stop, double rate);

 protected:
  IMemAllocator* m_pAllocator = nullptr;  // one reference held while connected
  IMemInputPin* m_pInputPin = nullptr;    // one reference held while connected
};
