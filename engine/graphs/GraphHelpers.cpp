#include "engine/graphs/GraphHelpers.h"

#include <limits>

#include "engine/base/SystemUtils.h"
#include "engine/base/TextUtils.h"
#include "platform/dshow/ComBase.h"

namespace {

// {4315D437-5B8C-11D0-BD3B-00A0C911CE86}: the system's device moniker.
const CLSID kDeviceMonikerClass = {
    0x4315d437, 0x5b8c, 0x11d0, {0xbd, 0x3b, 0x00, 0xa0, 0xc9, 0x11, 0xce, 0x86}};

// 100-ns units as whole milliseconds, truncated and kept inside int32.
int32_t ToMilliseconds(LONGLONG units) {
  const LONGLONG ms = units / 10000;
  if (ms > std::numeric_limits<int32_t>::max()) return std::numeric_limits<int32_t>::max();
  if (ms < std::numeric_limits<int32_t>::min()) return std::numeric_limits<int32_t>::min();
  return static_cast<int32_t>(ms);
}

}  // namespace

HRESULT GetPin(IBaseFilter* filter, int index, PIN_DIRECTION direction, IPin** pin) {
  if (!pin) return E_POINTER;
  *pin = nullptr;
  if (!filter) return E_POINTER;
  CComPtr<IEnumPins> pins;
  HRESULT hr = filter->EnumPins(&pins);
  if (FAILED(hr)) return hr;
  if (!pins) return E_FAIL;
  int matching = 0;
  for (int looked = 0; looked < 50; ++looked) {
    CComPtr<IPin> candidate;
    if (pins->Next(1, &candidate, nullptr) != S_OK || !candidate) break;
    PIN_DIRECTION candidateDirection;
    if (FAILED(candidate->QueryDirection(&candidateDirection)) || candidateDirection != direction)
      continue;
    if (matching++ == index) {
      *pin = candidate.Detach();
      return S_OK;
    }
  }
  return E_FAIL;
}

bool IsDeviceMonikerName(const std::string& name) { return StartsWithNoCase(name, "@device:"); }

HRESULT BindMonikerFilter(const std::string& displayName, bool deviceOnly, IBaseFilter** filter,
                          std::string* friendlyName) {
  if (!filter) return E_POINTER;
  *filter = nullptr;
  if (friendlyName) friendlyName->clear();
  if (deviceOnly && !IsDeviceMonikerName(displayName)) return E_INVALIDARG;
  CComPtr<IBindCtx> context;
  HRESULT hr = CreateBindCtx(0, &context);
  if (FAILED(hr)) return hr;
  const std::wstring name = WidenText(displayName);
  ULONG eaten = 0;
  CComPtr<IMoniker> moniker;
  hr = MkParseDisplayName(context.Get(), name.c_str(), &eaten, &moniker);
  if (FAILED(hr)) return hr;
  if (!moniker) return E_FAIL;
  if (deviceOnly) {
    // Only the device moniker itself: no composite that another parser added to.
    CLSID monikerClass = CLSID_NULL;
    if (FAILED(moniker->GetClassID(&monikerClass)) ||
        !IsEqualCLSID(monikerClass, kDeviceMonikerClass))
      return E_INVALIDARG;
  }
  if (friendlyName) {
    CComPtr<IPropertyBag> bag;
    if (SUCCEEDED(moniker->BindToStorage(context.Get(), nullptr, IID_IPropertyBag,
                                         reinterpret_cast<void**>(&bag))) &&
        bag) {
      VARIANT value;
      VariantInit(&value);
      if (SUCCEEDED(bag->Read(L"FriendlyName", &value, nullptr)) && value.vt == VT_BSTR)
        *friendlyName = NarrowText(value.bstrVal);
      VariantClear(&value);
    }
  }
  CComPtr<IBaseFilter> bound;
  hr = moniker->BindToObject(context.Get(), nullptr, IID_IBaseFilter,
                             reinterpret_cast<void**>(&bound));
  if (FAILED(hr)) return hr;
  if (!bound) return E_FAIL;
  *filter = bound.Detach();
  return S_OK;
}

HRESULT ReadMediaPosition(IMediaSeeking* seeking, int32_t* position, int32_t* duration,
                          bool durationFromPosition) {
  if (!position || !duration) return E_POINTER;
  *position = 0;
  *duration = 0;
  if (!seeking) return E_FAIL;
  if (seeking->IsFormatSupported(&TIME_FORMAT_MEDIA_TIME) != S_OK) return E_NOINTERFACE;
  GUID format = TIME_FORMAT_NONE;
  HRESULT hr = seeking->GetTimeFormat(&format);
  if (FAILED(hr)) return hr;
  // Graphs change their time format only when stopped; switch only when needed.
  const bool switched = !IsEqualGUID(format, TIME_FORMAT_MEDIA_TIME);
  if (switched) {
    hr = seeking->SetTimeFormat(&TIME_FORMAT_MEDIA_TIME);
    if (FAILED(hr)) return hr;
  }
  LONGLONG current = 0, length = 0;
  hr = seeking->GetCurrentPosition(&current);
  if (SUCCEEDED(hr)) {
    const HRESULT measured = seeking->GetDuration(&length);
    if (FAILED(measured)) {
      if (durationFromPosition)
        length = current;
      else
        hr = measured;
    }
  }
  if (switched) {
    const HRESULT restored = seeking->SetTimeFormat(&format);
    if (SUCCEEDED(hr) && FAILED(restored)) hr = restored;
  }
  if (FAILED(hr)) return hr;
  *position = ToMilliseconds(current);
  *duration = ToMilliseconds(length);
  return S_OK;
}
