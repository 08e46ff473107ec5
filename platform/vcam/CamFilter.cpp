// The stand-in virtual camera: a DirectShow capture source that other programs find in
// the video input category and open as a camera. Its one capture pin serves the newest
// frame the engine wrote into the shared frame buffer, as RGB24 at the size of the last
// size request, 30 frames a second, while the filter runs (a live source delivers nothing
// while paused). Before the engine sends anything it shows black.
#include <windows.h>
#include <dshow.h>
#include <ks.h>
#include <ksproxy.h>

#include <algorithm>
#include <cstring>
#include <vector>

#include "platform/dshow/ClassFactory.h"
#include "platform/dshow/Source.h"
#include "platform/vcam/VcamDevice.h"
#include "platform/vcam/VcamProtocol.h"

namespace {

const CLSID kCameraClsid = {0x5c2e7a14, 0x8f3b, 0x4d62, {0xa1, 0xc9, 0x7e, 0x40, 0xb3, 0xd5, 0xf2, 0x18}};
constexpr REFERENCE_TIME kFrameTime = 333333;  // 100 ns units: 30 frames a second
constexpr DWORD kPausePollMs = 5;
constexpr int kDefaultWidth = 320;
constexpr int kDefaultHeight = 240;

HMODULE gModule = nullptr;

// The RGB24 type of a picture of the given size, rows bottom-up.
void MakeRgb24Type(CMediaType* mt, int width, int height) {
  mt->InitMediaType();
  VIDEOINFOHEADER vih = {};
  vih.AvgTimePerFrame = kFrameTime;
  vih.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  vih.bmiHeader.biWidth = width;
  vih.bmiHeader.biHeight = height;
  vih.bmiHeader.biPlanes = 1;
  vih.bmiHeader.biBitCount = 24;
  vih.bmiHeader.biCompression = BI_RGB;
  vih.bmiHeader.biSizeImage = DWORD(((width * 24 + 31) / 32) * 4 * height);
  vih.dwBitRate = DWORD(uint64_t(vih.bmiHeader.biSizeImage) * 8 * 30);
  mt->SetType(&MEDIATYPE_Video);
  mt->SetSubtype(&MEDIASUBTYPE_RGB24);
  mt->SetFormatType(&FORMAT_VideoInfo);
  mt->SetTemporalCompression(FALSE);
  mt->SetSampleSize(vih.bmiHeader.biSizeImage);
  mt->SetFormat(reinterpret_cast<const BYTE*>(&vih), sizeof(vih));
}

bool SizeOfType(const AM_MEDIA_TYPE* mt, int* width, int* height) {
  if (!mt || !IsEqualGUID(mt->majortype, MEDIATYPE_Video) ||
      !IsEqualGUID(mt->subtype, MEDIASUBTYPE_RGB24) ||
      !IsEqualGUID(mt->formattype, FORMAT_VideoInfo) || !mt->pbFormat ||
      mt->cbFormat < sizeof(VIDEOINFOHEADER))
    return false;
  const auto* vih = reinterpret_cast<const VIDEOINFOHEADER*>(mt->pbFormat);
  if (vih->bmiHeader.biBitCount != 24 || vih->bmiHeader.biCompression != BI_RGB ||
      vih->bmiHeader.biWidth <= 0 || vih->bmiHeader.biHeight <= 0 ||
      vih->bmiHeader.biWidth > vcam::kMaxWidth || vih->bmiHeader.biHeight > vcam::kMaxHeight)
    return false;
  *width = vih->bmiHeader.biWidth;
  *height = vih->bmiHeader.biHeight;
  return true;
}

class CCameraSource;

class CCameraStream : public CSourceStream, public IAMStreamConfig, public IKsPropertySet {
 public:
  CCameraStream(HRESULT* phr, CCameraSource* filter);

  DECLARE_IUNKNOWN
  STDMETHODIMP NonDelegatingQueryInterface(REFIID riid, void** ppv) override {
    if (riid == IID_IAMStreamConfig) return GetInterface(static_cast<IAMStreamConfig*>(this), ppv);
    if (riid == IID_IKsPropertySet) return GetInterface(static_cast<IKsPropertySet*>(this), ppv);
    return CSourceStream::NonDelegatingQueryInterface(riid, ppv);
  }

  // The offered type: RGB24 at the size of the last size request (or the format chosen
  // through IAMStreamConfig).
  HRESULT GetMediaType(CMediaType* mt) override {
    CAutoLock lock(&m_formatLock);
    MakeRgb24Type(mt, m_width, m_height);
    return S_OK;
  }
  HRESULT CheckMediaType(const CMediaType* mt) override {
    int w = 0, h = 0;
    if (!SizeOfType(mt, &w, &h)) return E_INVALIDARG;
    CAutoLock lock(&m_formatLock);
    return w == m_width && h == m_height ? S_OK : E_INVALIDARG;
  }
  HRESULT DecideBufferSize(IMemAllocator* allocator, ALLOCATOR_PROPERTIES* request) override {
    int w, h;
    {
      CAutoLock lock(&m_formatLock);
      w = m_width;
      h = m_height;
    }
    // Two buffers at least: Wine's Smart Tee, which capture graphs put behind a capture
    // pin, keeps hold of a sample, and with a single buffer the stream stalls for good.
    request->cBuffers = std::max<long>(request->cBuffers, 2);
    request->cbBuffer = std::max<long>(request->cbBuffer, long(((w * 24 + 31) / 32) * 4 * h));
    request->cbAlign = std::max<long>(request->cbAlign, 1);
    ALLOCATOR_PROPERTIES actual;
    HRESULT hr = allocator->SetProperties(request, &actual);
    if (FAILED(hr)) return hr;
    return actual.cbBuffer < request->cbBuffer ? E_FAIL : S_OK;
  }

  HRESULT OnThreadCreate() override {
    m_frameNumber = 0;
    m_startTick = GetTickCount();
    return m_buffer.Open() ? S_OK : E_FAIL;
  }
  HRESULT OnThreadDestroy() override {
    m_buffer.Close();
    return S_OK;
  }

  HRESULT FillBuffer(IMediaSample* sample) override {
    // A live camera delivers nothing while paused; when it runs again the stream goes on
    // from the next frame, due at once.
    if (m_pFilter->State() == State_Paused) {
      while (m_pFilter->State() == State_Paused) {
        if (WaitForSingleObject(StopEvent(), kPausePollMs) == WAIT_OBJECT_0) return S_FALSE;
      }
      m_startTick = GetTickCount() - DWORD((m_frameNumber * kFrameTime) / 10000);
    }
    // Pace the stream at 30 frames a second; a stop request ends the wait at once.
    const DWORD due = m_startTick + DWORD((m_frameNumber * kFrameTime) / 10000);
    const DWORD now = GetTickCount();
    if (int32_t(due - now) > 0 && WaitForSingleObject(StopEvent(), due - now) == WAIT_OBJECT_0)
      return S_FALSE;

    BYTE* data = nullptr;
    if (FAILED(sample->GetPointer(&data))) return E_FAIL;
    int w, h;
    {
      CAutoLock lock(&m_formatLock);
      w = m_width;
      h = m_height;
    }
    const size_t stride = size_t(((w * 24 + 31) / 32) * 4);
    const size_t bytes = stride * size_t(h);
    if (size_t(sample->GetSize()) < bytes) return E_FAIL;
    CopyNewestFrame(data, w, h, stride);
    sample->SetActualDataLength(long(bytes));

    REFERENCE_TIME start = m_frameNumber * kFrameTime, stop = start + kFrameTime;
    sample->SetTime(&start, &stop);
    sample->SetSyncPoint(TRUE);
    ++m_frameNumber;
    return S_OK;
  }

  // IAMStreamConfig: one capability, the current size.
  STDMETHODIMP SetFormat(AM_MEDIA_TYPE* pmt) override {
    int w = 0, h = 0;
    if (!pmt) return S_OK;  // keep the current format
    if (!SizeOfType(pmt, &w, &h)) return VFW_E_INVALIDMEDIATYPE;
    CAutoLock lock(&m_formatLock);
    if (IsConnected() && (w != m_width || h != m_height)) return VFW_E_ALREADY_CONNECTED;
    m_width = w;
    m_height = h;
    return S_OK;
  }
  STDMETHODIMP GetFormat(AM_MEDIA_TYPE** ppmt) override {
    if (!ppmt) return E_POINTER;
    CMediaType mt;
    GetMediaType(&mt);
    *ppmt = CreateMediaType(&mt);
    return *ppmt ? S_OK : E_OUTOFMEMORY;
  }
  STDMETHODIMP GetNumberOfCapabilities(int* count, int* size) override {
    if (!count || !size) return E_POINTER;
    *count = 1;
    *size = sizeof(VIDEO_STREAM_CONFIG_CAPS);
    return S_OK;
  }
  STDMETHODIMP GetStreamCaps(int index, AM_MEDIA_TYPE** ppmt, BYTE* scc) override {
    if (!ppmt || !scc) return E_POINTER;
    if (index != 0) return S_FALSE;
    CMediaType mt;
    GetMediaType(&mt);
    const auto* vih = reinterpret_cast<const VIDEOINFOHEADER*>(mt.Format());
    VIDEO_STREAM_CONFIG_CAPS caps = {};
    caps.guid = FORMAT_VideoInfo;
    caps.InputSize = caps.MinCroppingSize = caps.MaxCroppingSize = caps.MinOutputSize =
        caps.MaxOutputSize = SIZE{vih->bmiHeader.biWidth, vih->bmiHeader.biHeight};
    caps.CropGranularityX = caps.CropGranularityY = 1;
    caps.OutputGranularityX = caps.OutputGranularityY = 1;
    caps.MinFrameInterval = caps.MaxFrameInterval = kFrameTime;
    caps.MinBitsPerSecond = caps.MaxBitsPerSecond = LONG(vih->dwBitRate);
    std::memcpy(scc, &caps, sizeof(caps));
    *ppmt = CreateMediaType(&mt);
    return *ppmt ? S_OK : E_OUTOFMEMORY;
  }

  // IKsPropertySet: the pin is a capture pin.
  STDMETHODIMP Set(REFGUID, DWORD, void*, DWORD, void*, DWORD) override { return E_NOTIMPL; }
  STDMETHODIMP Get(REFGUID set, DWORD id, void*, DWORD, void* data, DWORD dataSize,
                   DWORD* returned) override {
    if (set != AMPROPSETID_Pin) return E_PROP_SET_UNSUPPORTED;
    if (id != AMPROPERTY_PIN_CATEGORY) return E_PROP_ID_UNSUPPORTED;
    if (returned) *returned = sizeof(GUID);
    if (!data) return returned ? S_OK : E_POINTER;
    if (dataSize < sizeof(GUID)) return E_UNEXPECTED;
    *static_cast<GUID*>(data) = PIN_CATEGORY_CAPTURE;
    return S_OK;
  }
  STDMETHODIMP QuerySupported(REFGUID set, DWORD id, DWORD* support) override {
    if (set != AMPROPSETID_Pin) return E_PROP_SET_UNSUPPORTED;
    if (id != AMPROPERTY_PIN_CATEGORY) return E_PROP_ID_UNSUPPORTED;
    if (support) *support = KSPROPERTY_SUPPORT_GET;
    return S_OK;
  }

 private:
  // The newest frame, nearest-neighbour scaled when the engine's size changed after the
  // connection was made; black before the first frame.
  void CopyNewestFrame(BYTE* out, int w, int h, size_t stride) {
    int32_t fw = 0, fh = 0;
    uint32_t count = 0;
    if (!m_buffer.ReadFrame(m_frame, fw, fh, count)) {
      std::memset(out, 0, stride * size_t(h));
      return;
    }
    const size_t frameRow = size_t(fw) * 3;
    for (int y = 0; y < h; ++y) {
      BYTE* dst = out + size_t(y) * stride;
      const BYTE* srcRow = m_frame.data() + size_t(int64_t(y) * fh / h) * frameRow;
      if (fw == w) {
        std::memcpy(dst, srcRow, frameRow);
      } else {
        for (int x = 0; x < w; ++x)
          std::memcpy(dst + size_t(x) * 3, srcRow + size_t(int64_t(x) * fw / w) * 3, 3);
      }
      std::memset(dst + size_t(w) * 3, 0, stride - size_t(w) * 3);
    }
  }

  CCritSec m_formatLock;
  int m_width = kDefaultWidth;
  int m_height = kDefaultHeight;
  vcam::FrameBuffer m_buffer;
  std::vector<uint8_t> m_frame;
  LONGLONG m_frameNumber = 0;
  DWORD m_startTick = 0;
};

class CCameraSource : public CSource {
 public:
  CCameraSource(IUnknown* outer, HRESULT* phr) : CSource(L"Tavisco Virtual Camera", outer, kCameraClsid, phr) {
    new CCameraStream(phr, this);  // the stream registers itself with the filter, which owns it
  }
  // A live source: paused, it cannot cue data (and delivers none).
  STDMETHODIMP GetState(DWORD timeoutMs, FILTER_STATE* state) override {
    const HRESULT hr = CSource::GetState(timeoutMs, state);
    return SUCCEEDED(hr) && *state == State_Paused ? VFW_S_CANT_CUE : hr;
  }
  static CUnknown* CreateInstance(IUnknown* outer, HRESULT* phr) {
    auto* filter = new (std::nothrow) CCameraSource(outer, phr);
    if (!filter && phr) *phr = E_OUTOFMEMORY;
    return filter;
  }
};

CCameraStream::CCameraStream(HRESULT* phr, CCameraSource* filter)
    : CSourceStream(L"Capture", phr, filter, L"Capture") {
  // Offer the size the engine last asked for, so a camera opened while the engine runs
  // connects at the engine's output size.
  vcam::FrameBuffer buffer;
  int32_t w = 0, h = 0;
  if (buffer.Open() && buffer.GetSize(w, h) && w > 0 && h > 0) {
    m_width = w;
    m_height = h;
  }
}

const AMOVIESETUP_MEDIATYPE kPinTypes = {&MEDIATYPE_Video, &MEDIASUBTYPE_RGB24};
const AMOVIESETUP_PIN kPin = {nullptr, FALSE, TRUE, FALSE, FALSE, &CLSID_NULL, nullptr, 1, &kPinTypes};

const CFactoryTemplate kTemplates[] = {
    {L"Tavisco Virtual Camera", &kCameraClsid, CCameraSource::CreateInstance, nullptr, nullptr,
     nullptr},
};

}  // namespace

extern "C" {

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, void*) {
  if (reason == DLL_PROCESS_ATTACH) {
    gModule = instance;
    DisableThreadLibraryCalls(instance);
  }
  return TRUE;
}

STDAPI DllGetClassObject(REFCLSID clsid, REFIID riid, void** ppv) {
  return DllGetClassObjectFromTemplates(kTemplates, 1, clsid, riid, ppv);
}

STDAPI DllCanUnloadNow() { return DllCanUnloadNowFromTemplates(); }

// Called by the camera installer: registers the camera's class and lists it in the video
// input category under the friendly name; the instance name there is the class id, which
// the engine's device path rule expects.
HRESULT WINAPI VcamRegisterCamera(const wchar_t* friendlyName) {
  if (!friendlyName || !*friendlyName) return E_INVALIDARG;
  wchar_t path[MAX_PATH * 4];
  const DWORD n = GetModuleFileNameW(gModule, path, DWORD(std::size(path)));
  if (n == 0 || n >= std::size(path)) return E_FAIL;
  HRESULT hr = RegisterComServer(kCameraClsid, friendlyName, path, L"Both");
  if (FAILED(hr)) return hr;
  const AMOVIESETUP_FILTER setup = {&kCameraClsid, friendlyName, MERIT_DO_NOT_USE, 1, &kPin};
  hr = RegisterFilterInCategory(setup, &CLSID_VideoInputDeviceCategory, vcam::kFilterClsidTextW);
  if (FAILED(hr)) UnregisterComServer(kCameraClsid);
  return hr;
}

HRESULT WINAPI VcamUnregisterCamera() {
  const HRESULT a = UnregisterFilterFromCategory(kCameraClsid, &CLSID_VideoInputDeviceCategory,
                                                 vcam::kFilterClsidTextW);
  const HRESULT b = UnregisterComServer(kCameraClsid);
  return FAILED(a) ? a : b;
}

}  // extern "C"
