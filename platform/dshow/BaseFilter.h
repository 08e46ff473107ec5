// Base filter: IBaseFilter with its pins, the Stop/Pause/Run state machine, the reference
// clock, the graph the filter joined and event notification to that graph.
#pragma once

#include <atomic>
#include <string>

#include "platform/dshow/ComBase.h"

class CBasePin;

class CBaseFilter : public CUnknown, public IBaseFilter {
 public:
  // The lock is the filter lock that guards state and connections; the filter does not
  // own it (derived classes usually keep it as a member).
  CBaseFilter(const wchar_t* name, IUnknown* outer, CCritSec* lock, REFCLSID clsid);
  ~CBaseFilter() override;

  DECLARE_IUNKNOWN
  STDMETHODIMP NonDelegatingQueryInterface(REFIID riid, void** ppv) override;

  // IPersist
  STDMETHODIMP GetClassID(CLSID* clsid) override;
  // IMediaFilter. Stop/Pause/Run activate and deactivate the connected pins.
  STDMETHODIMP Stop() override;
  STDMETHODIMP Pause() override;
  STDMETHODIMP Run(REFERENCE_TIME start) override;
  STDMETHODIMP GetState(DWORD timeoutMs, FILTER_STATE* state) override;
  STDMETHODIMP SetSyncSource(IReferenceClock* clock) override;
  STDMETHODIMP GetSyncSource(IReferenceClock** clock) override;
  // IBaseFilter
  STDMETHODIMP EnumPins(IEnumPins** ppEnum) override;
  STDMETHODIMP FindPin(LPCWSTR id, IPin** ppPin) override;
  STDMETHODIMP QueryFilterInfo(FILTER_INFO* info) override;
  STDMETHODIMP JoinFilterGraph(IFilterGraph* graph, LPCWSTR name) override;
  STDMETHODIMP QueryVendorInfo(LPWSTR* info) override;

  // The pins. Pins live as long as the filter; GetPin returns no reference.
  virtual int GetPinCount() = 0;
  virtual CBasePin* GetPin(int n) = 0;
  // Changes whenever the set of pins changes; pin enumerators compare it.
  virtual LONG GetPinVersion() { return m_PinVersion.load(); }
  void IncrementPinVersion() { ++m_PinVersion; }

  // Sends an event to the graph's IMediaEventSink; EC_COMPLETE carries this filter as
  // its second parameter when none is given. Callable from any thread.
  HRESULT NotifyEvent(long code, LONG_PTR param1, LONG_PTR param2);

  FILTER_STATE State() const { return m_State.load(); }
  bool IsStopped() const { return m_State.load() == State_Stopped; }
  bool IsActive() const { return m_State.load() != State_Stopped; }
  // Stream time: the clock's time minus the run start time (VFW_E_NO_CLOCK without clock).
  HRESULT StreamTime(REFERENCE_TIME* streamTime);
  CCritSec* FilterLock() const { return m_pLock; }
  // The graph the filter joined (no reference: the graph owns the filter).
  IFilterGraph* GetFilterGraph() const { return m_pGraph; }

 protected:
  CCritSec* m_pLock;
  std::atomic<FILTER_STATE> m_State{State_Stopped};
  REFERENCE_TIME m_tStart = 0;          // stream time 0 in clock time, set by Run
  IReferenceClock* m_pClock = nullptr;  // one reference held

 private:
  CLSID m_clsid;
  std::wstring m_Name;
  IFilterGraph* m_pGraph = nullptr;                // weak
  std::atomic<IMediaEventSink*> m_pSink{nullptr};  // weak, the graph's
  std::atomic<LONG> m_PinVersion{1};
};

// IEnumPins over a filter's pins. Reports VFW_E_ENUM_OUT_OF_SYNC when the pins changed.
class CEnumPins : public CUnknown, public IEnumPins {
 public:
  CEnumPins(CBaseFilter* filter, const CEnumPins* copyFrom);
  ~CEnumPins() override;
  DECLARE_IUNKNOWN
  STDMETHODIMP NonDelegatingQueryInterface(REFIID riid, void** ppv) override;

  STDMETHODIMP Next(ULONG count, IPin** pins, ULONG* fetched) override;
  STDMETHODIMP Skip(ULONG count) override;
  STDMETHODIMP Reset() override;
  STDMETHODIMP Clone(IEnumPins** ppEnum) override;

 private:
  CBaseFilter* m_pFilter;  // one reference held
  int m_Position = 0;
  LONG m_Version;
};
