#include "platform/dshow/PosPassThru.h"

#include <cmath>

namespace {

constexpr double kUnitsPerSecond = 10000000.0;  // REFERENCE_TIME: 100 ns

LONGLONG SecondsToUnits(REFTIME seconds) {
  return static_cast<LONGLONG>(std::llround(seconds * kUnitsPerSecond));
}

}  // namespace

CPosPassThru::CPosPassThru(const wchar_t* name, IUnknown* outer, HRESULT*, IPin* pin)
    : CUnknown(name, outer), m_pPin(pin) {}

STDMETHODIMP CPosPassThru::NonDelegatingQueryInterface(REFIID riid, void** ppv) {
  if (!ppv) return E_POINTER;
  if (IsEqualIID(riid, IID_IMediaSeeking))
    return GetInterface(static_cast<IMediaSeeking*>(this), ppv);
  if (IsEqualIID(riid, IID_IMediaPosition) || IsEqualIID(riid, IID_IDispatch))
    return GetInterface(static_cast<IMediaPosition*>(this), ppv);
  return CUnknown::NonDelegatingQueryInterface(riid, ppv);
}

HRESULT CPosPassThru::GetPeerSeeking(IMediaSeeking** seeking) {
  *seeking = nullptr;
  IPin* peer = nullptr;
  if (FAILED(m_pPin->ConnectedTo(&peer)) || !peer) return VFW_E_NOT_CONNECTED;
  HRESULT hr = peer->QueryInterface(IID_IMediaSeeking, reinterpret_cast<void**>(seeking));
  peer->Release();
  return FAILED(hr) ? E_NOTIMPL : S_OK;
}

// Every IMediaSeeking method is the peer's.
#define FORWARD_SEEKING(call)         \
  CComPtr<IMediaSeeking> peer;        \
  HRESULT hr = GetPeerSeeking(&peer); \
  if (FAILED(hr)) return hr;          \
  return peer->call

STDMETHODIMP CPosPassThru::GetCapabilities(DWORD* caps) { FORWARD_SEEKING(GetCapabilities(caps)); }
STDMETHODIMP CPosPassThru::CheckCapabilities(DWORD* caps) {
  FORWARD_SEEKING(CheckCapabilities(caps));
}
STDMETHODIMP CPosPassThru::IsFormatSupported(const GUID* format) {
  FORWARD_SEEKING(IsFormatSupported(format));
}
STDMETHODIMP CPosPassThru::QueryPreferredFormat(GUID* format) {
  FORWARD_SEEKING(QueryPreferredFormat(format));
}
STDMETHODIMP CPosPassThru::GetTimeFormat(GUID* format) { FORWARD_SEEKING(GetTimeFormat(format)); }
STDMETHODIMP CPosPassThru::IsUsingTimeFormat(const GUID* format) {
  FORWARD_SEEKING(IsUsingTimeFormat(format));
}
STDMETHODIMP CPosPassThru::SetTimeFormat(const GUID* format) {
  FORWARD_SEEKING(SetTimeFormat(format));
}
STDMETHODIMP CPosPassThru::GetDuration(LONGLONG* duration) {
  FORWARD_SEEKING(GetDuration(duration));
}
STDMETHODIMP CPosPassThru::GetStopPosition(LONGLONG* stop) {
  FORWARD_SEEKING(GetStopPosition(stop));
}
STDMETHODIMP CPosPassThru::GetCurrentPosition(LONGLONG* current) {
  FORWARD_SEEKING(GetCurrentPosition(current));
}
STDMETHODIMP CPosPassThru::ConvertTimeFormat(LONGLONG* target, const GUID* targetFormat,
                                             LONGLONG source, const GUID* sourceFormat) {
  FORWARD_SEEKING(ConvertTimeFormat(target, targetFormat, source, sourceFormat));
}
STDMETHODIMP CPosPassThru::SetPositions(LONGLONG* current, DWORD currentFlags, LONGLONG* stop,
                                        DWORD stopFlags) {
  FORWARD_SEEKING(SetPositions(current, currentFlags, stop, stopFlags));
}
STDMETHODIMP CPosPassThru::GetPositions(LONGLONG* current, LONGLONG* stop) {
  FORWARD_SEEKING(GetPositions(current, stop));
}
STDMETHODIMP CPosPassThru::GetAvailable(LONGLONG* earliest, LONGLONG* latest) {
  FORWARD_SEEKING(GetAvailable(earliest, latest));
}
STDMETHODIMP CPosPassThru::SetRate(double rate) { FORWARD_SEEKING(SetRate(rate)); }
STDMETHODIMP CPosPassThru::GetRate(double* rate) { FORWARD_SEEKING(GetRate(rate)); }
STDMETHODIMP CPosPassThru::GetPreroll(LONGLONG* preroll) { FORWARD_SEEKING(GetPreroll(preroll)); }

#undef FORWARD_SEEKING

STDMETHODIMP CPosPassThru::GetTypeInfoCount(UINT* count) {
  if (!count) return E_POINTER;
  *count = 0;
  return S_OK;
}
STDMETHODIMP CPosPassThru::GetTypeInfo(UINT, LCID, ITypeInfo** info) {
  if (info) *info = nullptr;
  return E_NOTIMPL;
}
STDMETHODIMP CPosPassThru::GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) {
  return E_NOTIMPL;
}
STDMETHODIMP CPosPassThru::Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*,
                                  UINT*) {
  return E_NOTIMPL;
}

STDMETHODIMP CPosPassThru::get_Duration(REFTIME* length) {
  if (!length) return E_POINTER;
  LONGLONG units = 0;
  HRESULT hr = GetDuration(&units);
  if (SUCCEEDED(hr)) *length = units / kUnitsPerSecond;
  return hr;
}

STDMETHODIMP CPosPassThru::put_CurrentPosition(REFTIME time) {
  LONGLONG units = SecondsToUnits(time);
  return SetPositions(&units, AM_SEEKING_AbsolutePositioning, nullptr, AM_SEEKING_NoPositioning);
}

STDMETHODIMP CPosPassThru::get_CurrentPosition(REFTIME* time) {
  if (!time) return E_POINTER;
  LONGLONG units = 0;
  HRESULT hr = GetCurrentPosition(&units);
  if (SUCCEEDED(hr)) *time = units / kUnitsPerSecond;
  return hr;
}

STDMETHODIMP CPosPassThru::get_StopTime(REFTIME* time) {
  if (!time) return E_POINTER;
  LONGLONG units = 0;
  HRESULT hr = GetStopPosition(&units);
  if (SUCCEEDED(hr)) *time = units / kUnitsPerSecond;
  return hr;
}

STDMETHODIMP CPosPassThru::put_StopTime(REFTIME time) {
  LONGLONG units = SecondsToUnits(time);
  return SetPositions(nullptr, AM_SEEKING_NoPositioning, &units, AM_SEEKING_AbsolutePositioning);
}

STDMETHODIMP CPosPassThru::get_PrerollTime(REFTIME* time) {
  if (!time) return E_POINTER;
  LONGLONG units = 0;
  HRESULT hr = GetPreroll(&units);
  if (SUCCEEDED(hr)) *time = units / kUnitsPerSecond;
  return hr;
}

STDMETHODIMP CPosPassThru::put_PrerollTime(REFTIME) { return E_NOTIMPL; }

STDMETHODIMP CPosPassThru::put_Rate(double rate) { return SetRate(rate); }

STDMETHODIMP CPosPassThru::get_Rate(double* rate) { return GetRate(rate); }

STDMETHODIMP CPosPassThru::CanSeekForward(LONG* can) {
  if (!can) return E_POINTER;
  DWORD caps = AM_SEEKING_CanSeekForwards;
  HRESULT hr = CheckCapabilities(&caps);
  *can = hr == S_OK ? OATRUE : OAFALSE;
  return S_OK;
}

STDMETHODIMP CPosPassThru::CanSeekBackward(LONG* can) {
  if (!can) return E_POINTER;
  DWORD caps = AM_SEEKING_CanSeekBackwards;
  HRESULT hr = CheckCapabilities(&caps);
  *can = hr == S_OK ? OATRUE : OAFALSE;
  return S_OK;
}
