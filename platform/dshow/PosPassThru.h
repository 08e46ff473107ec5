// Seeking pass-through: IMediaSeeking and IMediaPosition of a filter (typically a
// renderer) answered by the filter's upstream peer, the output pin connected to the
// filter's input pin. The graph manager asks renderers for seeking; a parser or source
// upstream carries it out.
#pragma once

#include "platform/dshow/ComBase.h"

class CPosPassThru : public CUnknown, public IMediaSeeking, public IMediaPosition {
 public:
  // `pin` is the filter's input pin; it must outlive this object (a filter keeps both).
  CPosPassThru(const wchar_t* name, IUnknown* outer, HRESULT* phr, IPin* pin);

  DECLARE_IUNKNOWN
  STDMETHODIMP NonDelegatingQueryInterface(REFIID riid, void** ppv) override;

  // IMediaSeeking
  STDMETHODIMP GetCapabilities(DWORD* caps) override;
  STDMETHODIMP CheckCapabilities(DWORD* caps) override;
  STDMETHODIMP IsFormatSupported(const GUID* format) override;
  STDMETHODIMP QueryPreferredFormat(GUID* format) override;
  STDMETHODIMP GetTimeFormat(GUID* format) override;
  STDMETHODIMP IsUsingTimeFormat(const GUID* format) override;
  STDMETHODIMP SetTimeFormat(const GUID* format) override;
  STDMETHODIMP GetDuration(LONGLONG* duration) override;
  STDMETHODIMP GetStopPosition(LONGLONG* stop) override;
  STDMETHODIMP GetCurrentPosition(LONGLONG* current) override;
  STDMETHODIMP ConvertTimeFormat(LONGLONG* target, const GUID* targetFormat, LONGLONG source,
                                 const GUID* sourceFormat) override;
  STDMETHODIMP SetPositions(LONGLONG* current, DWORD currentFlags, LONGLONG* stop,
                            DWORD stopFlags) override;
  STDMETHODIMP GetPositions(LONGLONG* current, LONGLONG* stop) override;
  STDMETHODIMP GetAvailable(LONGLONG* earliest, LONGLONG* latest) override;
  STDMETHODIMP SetRate(double rate) override;
  STDMETHODIMP GetRate(double* rate) override;
  STDMETHODIMP GetPreroll(LONGLONG* preroll) override;

  // IDispatch (no type information: IMediaPosition is used through its vtable)
  STDMETHODIMP GetTypeInfoCount(UINT* count) override;
  STDMETHODIMP GetTypeInfo(UINT, LCID, ITypeInfo** info) override;
  STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override;
  STDMETHODIMP Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*,
                      UINT*) override;

  // IMediaPosition, in seconds, mapped onto the peer's IMediaSeeking in media time.
  STDMETHODIMP get_Duration(REFTIME* length) override;
  STDMETHODIMP put_CurrentPosition(REFTIME time) override;
  STDMETHODIMP get_CurrentPosition(REFTIME* time) override;
  STDMETHODIMP get_StopTime(REFTIME* time) override;
  STDMETHODIMP put_StopTime(REFTIME time) override;
  STDMETHODIMP get_PrerollTime(REFTIME* time) override;
  STDMETHODIMP put_PrerollTime(REFTIME time) override;
  STDMETHODIMP put_Rate(double rate) override;
  STDMETHODIMP get_Rate(double* rate) override;
  STDMETHODIMP CanSeekForward(LONG* can) override;
  STDMETHODIMP CanSeekBackward(LONG* can) override;

 protected:
  // The connected peer's IMediaSeeking: VFW_E_NOT_CONNECTED without a peer, E_NOTIMPL
  // when the peer cannot seek.
  HRESULT GetPeerSeeking(IMediaSeeking** seeking);

 private:
  IPin* m_pPin;
};
