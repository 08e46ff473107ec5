#include "tests/platform/dshow/TestCamera.h"

#include <algorithm>
#include <new>
#include <vector>

#include "tests/platform/dshow/TestFilterDll.h"
#include "tests/platform/dshow/TestFilters.h"

namespace {

// What the tests chose, shared by every camera of the process.
CCritSec g_Lock;
TestCameraSettings g_Settings;
TestCameraStats g_Stats = {};
std::vector<BYTE> g_Picture;  // top-down, 3 bytes a pixel, no padding
int32_t g_PictureWidth = 0;
int32_t g_PictureHeight = 0;

bool ValidSize(int32_t width, int32_t height) {
  return width > 0 && height > 0 && width <= 4096 && height <= 4096;
}

REFERENCE_TIME FrameTime(const TestCameraSettings& settings) {
  return 10000000 / std::clamp(settings.framesPerSecond, 1, 120);
}

// The camera's video type of a size in the settings' depth and row order.
CMediaType CameraType(const TestCameraSettings& settings, int32_t width, int32_t height) {
  CMediaType mt = MakeVideoType(settings.rgb32Only ? MEDIASUBTYPE_RGB32 : MEDIASUBTYPE_RGB24, width,
                                height, FrameTime(settings));
  if (settings.topDown) reinterpret_cast<VIDEOINFOHEADER*>(mt.Format())->bmiHeader.biHeight = -height;
  return mt;
}

class CTestCamera;

// The capture pin.
class CTestCameraPin : public CSourceStream, public IKsPropertySet, public IAMStreamConfig {
 public:
  CTestCameraPin(CTestCamera* filter, HRESULT* phr, const TestCameraSettings& settings);
  DECLARE_IUNKNOWN
  STDMETHODIMP NonDelegatingQueryInterface(REFIID riid, void** ppv) override;

  // IKsPropertySet: the pin category, read-only.
  STDMETHODIMP Set(REFGUID, DWORD, void*, DWORD, void*, DWORD) override {
    return E_PROP_ID_UNSUPPORTED;
  }
  STDMETHODIMP Get(REFGUID set, DWORD id, void*, DWORD, void* data, DWORD size,
                   DWORD* returned) override;
  STDMETHODIMP QuerySupported(REFGUID set, DWORD id, DWORD* support) override;

  // IAMStreamConfig over the settings' size list.
  STDMETHODIMP SetFormat(AM_MEDIA_TYPE* pmt) override;
  STDMETHODIMP GetFormat(AM_MEDIA_TYPE** ppmt) override;
  STDMETHODIMP GetNumberOfCapabilities(int* count, int* size) override;
  STDMETHODIMP GetStreamCaps(int index, AM_MEDIA_TYPE** ppmt, BYTE* caps) override;

  HRESULT GetMediaType(int position, CMediaType* mt) override;
  HRESULT CheckMediaType(const CMediaType* mt) override;
  HRESULT SetMediaType(const CMediaType* mt) override;
  HRESULT DecideBufferSize(IMemAllocator* allocator, ALLOCATOR_PROPERTIES* request) override;
  HRESULT OnThreadCreate() override;
  HRESULT FillBuffer(IMediaSample* sample) override;

 private:
  void FillPicture(BYTE* data, int width, int height, int bytesPerPixel, bool topDown);

  const TestCameraSettings m_Settings;
  CCritSec m_FormatLock;
  CMediaType m_Format;  // what the pin connects with
  uint32_t m_Next = 0;
  DWORD m_StartTick = 0;
};

class CTestCamera : public CSource, public ISpecifyPropertyPages {
 public:
  CTestCamera(IUnknown* outer, HRESULT* phr)
      : CSource(TEST_CAMERA_NAME, outer, CLSID_TestCamera, phr) {
    TestCameraSettings settings;
    {
      CAutoLock lock(&g_Lock);
      settings = g_Settings;
    }
    m_Pin = new (std::nothrow) CTestCameraPin(this, phr, settings);
    if (!m_Pin && phr) *phr = E_OUTOFMEMORY;
    m_FailRun = settings.failRun != 0;
  }
  DECLARE_IUNKNOWN
  STDMETHODIMP NonDelegatingQueryInterface(REFIID riid, void** ppv) override {
    if (IsEqualIID(riid, IID_ISpecifyPropertyPages))
      return GetInterface(static_cast<ISpecifyPropertyPages*>(this), ppv);
    return CSource::NonDelegatingQueryInterface(riid, ppv);
  }
  // A camera that fails to start fails from the stopped state on: a graph pauses its
  // filters before it runs them, and may run them later on a thread of its own.
  STDMETHODIMP Pause() override {
    if (m_FailRun && IsStopped()) return E_FAIL;
    return CSource::Pause();
  }
  STDMETHODIMP Run(REFERENCE_TIME start) override {
    {
      CAutoLock lock(&g_Lock);
      ++g_Stats.runRequests;
    }
    if (m_FailRun) return E_FAIL;
    return CSource::Run(start);
  }
  // ISpecifyPropertyPages: the one settings page.
  STDMETHODIMP GetPages(CAUUID* pages) override {
    if (!pages) return E_POINTER;
    pages->pElems = static_cast<GUID*>(CoTaskMemAlloc(sizeof(GUID)));
    if (!pages->pElems) {
      pages->cElems = 0;
      return E_OUTOFMEMORY;
    }
    pages->cElems = 1;
    pages->pElems[0] = CLSID_TestCameraPage;
    return S_OK;
  }

 private:
  CTestCameraPin* m_Pin = nullptr;  // owned by CSource
  bool m_FailRun = false;
};

CTestCameraPin::CTestCameraPin(CTestCamera* filter, HRESULT* phr,
                               const TestCameraSettings& settings)
    : CSourceStream(L"Test camera stream", phr, filter, L"Capture"), m_Settings(settings) {
  m_Format = CameraType(m_Settings, m_Settings.sizes[0][0], m_Settings.sizes[0][1]);
}

STDMETHODIMP CTestCameraPin::NonDelegatingQueryInterface(REFIID riid, void** ppv) {
  if (IsEqualIID(riid, IID_IKsPropertySet))
    return GetInterface(static_cast<IKsPropertySet*>(this), ppv);
  if (IsEqualIID(riid, IID_IAMStreamConfig))
    return GetInterface(static_cast<IAMStreamConfig*>(this), ppv);
  return CSourceStream::NonDelegatingQueryInterface(riid, ppv);
}

STDMETHODIMP CTestCameraPin::Get(REFGUID set, DWORD id, void*, DWORD, void* data, DWORD size,
                                 DWORD* returned) {
  return GetCapturePinCategory(set, id, data, size, returned);
}

STDMETHODIMP CTestCameraPin::QuerySupported(REFGUID set, DWORD id, DWORD* support) {
  return QueryCapturePinCategory(set, id, support);
}

STDMETHODIMP CTestCameraPin::SetFormat(AM_MEDIA_TYPE* pmt) {
  {
    CAutoLock lock(&g_Lock);
    ++g_Stats.formatRequests;
  }
  if (!pmt) return E_POINTER;
  if (IsConnected()) return VFW_E_ALREADY_CONNECTED;
  const GUID depth = m_Settings.rgb32Only ? MEDIASUBTYPE_RGB32 : MEDIASUBTYPE_RGB24;
  if (!IsEqualGUID(pmt->majortype, MEDIATYPE_Video) || !IsEqualGUID(pmt->subtype, depth) ||
      !IsEqualGUID(pmt->formattype, FORMAT_VideoInfo) || !pmt->pbFormat ||
      pmt->cbFormat < sizeof(VIDEOINFOHEADER))
    return VFW_E_INVALIDMEDIATYPE;
  const BITMAPINFOHEADER& header = reinterpret_cast<const VIDEOINFOHEADER*>(pmt->pbFormat)->bmiHeader;
  const int32_t width = header.biWidth;
  const int32_t height = header.biHeight < 0 ? -header.biHeight : header.biHeight;
  if (header.biBitCount != (m_Settings.rgb32Only ? 32 : 24)) return VFW_E_INVALIDMEDIATYPE;
  bool accepted = false;
  switch (m_Settings.policy) {
    case TEST_CAMERA_ACCEPT_LISTED:
      for (int i = 0; i < m_Settings.sizeCount; ++i)
        accepted = accepted || (m_Settings.sizes[i][0] == width && m_Settings.sizes[i][1] == height);
      break;
    case TEST_CAMERA_ACCEPT_320:
      accepted = width == 320 && height == 240;
      break;
    default:
      break;
  }
  if (!accepted) return VFW_E_INVALIDMEDIATYPE;
  {
    CAutoLock lock(&m_FormatLock);
    m_Format = CameraType(m_Settings, width, height);
  }
  CAutoLock lock(&g_Lock);
  g_Stats.acceptedWidth = width;
  g_Stats.acceptedHeight = height;
  return S_OK;
}

STDMETHODIMP CTestCameraPin::GetFormat(AM_MEDIA_TYPE** ppmt) {
  if (!ppmt) return E_POINTER;
  CAutoLock lock(&m_FormatLock);
  *ppmt = CreateMediaType(&m_Format);
  return *ppmt ? S_OK : E_OUTOFMEMORY;
}

STDMETHODIMP CTestCameraPin::GetNumberOfCapabilities(int* count, int* size) {
  if (!count || !size) return E_POINTER;
  *count = m_Settings.sizeCount;
  *size = sizeof(VIDEO_STREAM_CONFIG_CAPS);
  return S_OK;
}

STDMETHODIMP CTestCameraPin::GetStreamCaps(int index, AM_MEDIA_TYPE** ppmt, BYTE* caps) {
  if (!ppmt || !caps) return E_POINTER;
  if (index < 0 || index >= m_Settings.sizeCount) return S_FALSE;
  const SIZE size = {m_Settings.sizes[index][0], m_Settings.sizes[index][1]};
  CMediaType mt = CameraType(m_Settings, size.cx, size.cy);
  *ppmt = CreateMediaType(&mt);
  if (!*ppmt) return E_OUTOFMEMORY;
  VIDEO_STREAM_CONFIG_CAPS c = {};
  c.guid = FORMAT_VideoInfo;
  c.InputSize = c.MinCroppingSize = c.MaxCroppingSize = c.MinOutputSize = c.MaxOutputSize = size;
  c.CropGranularityX = c.CropGranularityY = c.OutputGranularityX = c.OutputGranularityY = 1;
  c.MinFrameInterval = c.MaxFrameInterval = FrameTime(m_Settings);
  c.MinBitsPerSecond = c.MaxBitsPerSecond =
      LONG(int64_t(size.cx) * size.cy * (m_Settings.rgb32Only ? 32 : 24) * m_Settings.framesPerSecond);
  *reinterpret_cast<VIDEO_STREAM_CONFIG_CAPS*>(caps) = c;
  return S_OK;
}

HRESULT CTestCameraPin::GetMediaType(int position, CMediaType* mt) {
  if (position < 0) return E_INVALIDARG;
  if (position > 0) return VFW_S_NO_MORE_ITEMS;
  CAutoLock lock(&m_FormatLock);
  *mt = m_Format;
  return S_OK;
}

HRESULT CTestCameraPin::CheckMediaType(const CMediaType* mt) {
  if (!mt) return E_POINTER;
  CAutoLock lock(&m_FormatLock);
  return *mt == m_Format ? S_OK : VFW_E_TYPE_NOT_ACCEPTED;
}

HRESULT CTestCameraPin::SetMediaType(const CMediaType* mt) {
  HRESULT hr = CSourceStream::SetMediaType(mt);
  if (SUCCEEDED(hr)) {
    const BITMAPINFOHEADER& header = reinterpret_cast<const VIDEOINFOHEADER*>(mt->Format())->bmiHeader;
    CAutoLock lock(&g_Lock);
    g_Stats.streamingWidth = header.biWidth;
    g_Stats.streamingHeight = header.biHeight < 0 ? -header.biHeight : header.biHeight;
  }
  return hr;
}

HRESULT CTestCameraPin::DecideBufferSize(IMemAllocator* allocator, ALLOCATOR_PROPERTIES* request) {
  // A capture pin behind a tee keeps one buffer there: stream from several.
  request->cBuffers = std::max<long>(request->cBuffers, 3);
  request->cbBuffer = static_cast<long>(m_mt.GetSampleSize());
  if (request->cbAlign < 1) request->cbAlign = 1;
  ALLOCATOR_PROPERTIES actual = {};
  HRESULT hr = allocator->SetProperties(request, &actual);
  if (FAILED(hr)) return hr;
  return actual.cbBuffer < request->cbBuffer || actual.cBuffers < 2 ? E_FAIL : S_OK;
}

HRESULT CTestCameraPin::OnThreadCreate() {
  m_Next = 0;
  m_StartTick = GetTickCount();
  return S_OK;
}

void CTestCameraPin::FillPicture(BYTE* data, int width, int height, int bytesPerPixel,
                                 bool topDown) {
  const size_t stride = (size_t(width) * bytesPerPixel + 3) & ~size_t(3);
  CAutoLock lock(&g_Lock);
  for (int row = 0; row < height; ++row) {
    BYTE* out = data + size_t(row) * stride;
    const int y = topDown ? row : height - 1 - row;  // the picture row shown in this one
    if (g_Picture.empty()) {
      for (size_t x = 0; x < size_t(width) * bytesPerPixel; ++x)
        out[x] = FrameByte(m_Next, uint32_t(row), uint32_t(x));
      continue;
    }
    const int64_t sy = int64_t(y) * g_PictureHeight / height;
    const BYTE* in = g_Picture.data() + size_t(sy) * size_t(g_PictureWidth) * 3;
    for (int x = 0; x < width; ++x, out += bytesPerPixel) {
      const BYTE* p = in + size_t(int64_t(x) * g_PictureWidth / width) * 3;
      out[0] = p[0];
      out[1] = p[1];
      out[2] = p[2];
      if (bytesPerPixel == 4) out[3] = 0xFF;
    }
  }
}

HRESULT CTestCameraPin::FillBuffer(IMediaSample* sample) {
  // A live source: frame n is due n frame times after the start.
  const DWORD due = m_StartTick + DWORD(int64_t(m_Next) * FrameTime(m_Settings) / 10000);
  const DWORD now = GetTickCount();
  const DWORD wait = int32_t(due - now) > 0 ? due - now : 0;
  if (WaitForSingleObject(StopEvent(), wait) == WAIT_OBJECT_0) return S_FALSE;

  BYTE* data = nullptr;
  if (FAILED(sample->GetPointer(&data)) || !data) return E_FAIL;
  const BITMAPINFOHEADER& header =
      reinterpret_cast<const VIDEOINFOHEADER*>(m_mt.Format())->bmiHeader;
  const int width = header.biWidth;
  const int height = header.biHeight < 0 ? -header.biHeight : header.biHeight;
  const int bytesPerPixel = header.biBitCount / 8;
  const long size = long(((size_t(width) * bytesPerPixel + 3) & ~size_t(3)) * height);
  if (sample->GetSize() < size) return E_FAIL;
  FillPicture(data, width, height, bytesPerPixel, header.biHeight < 0);
  sample->SetActualDataLength(size);
  sample->SetTime(nullptr, nullptr);
  sample->SetSyncPoint(TRUE);
  ++m_Next;
  CAutoLock lock(&g_Lock);
  ++g_Stats.framesDelivered;
  return S_OK;
}

// The settings page: one line of text.
class CTestCameraPage : public CUnknown, public IPropertyPage {
 public:
  explicit CTestCameraPage(IUnknown* outer) : CUnknown(L"Test camera page", outer) {}
  ~CTestCameraPage() override {
    if (m_Window) DestroyWindow(m_Window);
    if (m_Site) m_Site->Release();
  }
  DECLARE_IUNKNOWN
  STDMETHODIMP NonDelegatingQueryInterface(REFIID riid, void** ppv) override {
    if (IsEqualIID(riid, IID_IPropertyPage))
      return GetInterface(static_cast<IPropertyPage*>(this), ppv);
    return CUnknown::NonDelegatingQueryInterface(riid, ppv);
  }
  STDMETHODIMP SetPageSite(IPropertyPageSite* site) override {
    if (site) site->AddRef();
    if (m_Site) m_Site->Release();
    m_Site = site;
    return S_OK;
  }
  STDMETHODIMP Activate(HWND parent, LPCRECT rect, BOOL) override {
    if (!rect) return E_POINTER;
    m_Window = CreateWindowExW(0, L"STATIC", L"Test camera settings", WS_CHILD | WS_VISIBLE,
                               rect->left, rect->top, rect->right - rect->left,
                               rect->bottom - rect->top, parent, nullptr, nullptr, nullptr);
    if (!m_Window) return E_FAIL;
    CAutoLock lock(&g_Lock);
    ++g_Stats.pageActivations;
    g_Stats.pageWindow = m_Window;
    return S_OK;
  }
  STDMETHODIMP Deactivate() override {
    if (m_Window) DestroyWindow(m_Window);
    m_Window = nullptr;
    CAutoLock lock(&g_Lock);
    g_Stats.pageWindow = nullptr;
    return S_OK;
  }
  STDMETHODIMP GetPageInfo(PROPPAGEINFO* info) override {
    if (!info) return E_POINTER;
    static const wchar_t kTitle[] = L"Test Camera";
    info->cb = sizeof(PROPPAGEINFO);
    info->pszTitle = static_cast<LPOLESTR>(CoTaskMemAlloc(sizeof(kTitle)));
    if (!info->pszTitle) return E_OUTOFMEMORY;
    memcpy(info->pszTitle, kTitle, sizeof(kTitle));
    info->size = SIZE{200, 80};
    info->pszDocString = nullptr;
    info->pszHelpFile = nullptr;
    info->dwHelpContext = 0;
    return S_OK;
  }
  STDMETHODIMP SetObjects(ULONG, IUnknown**) override { return S_OK; }
  STDMETHODIMP Show(UINT command) override {
    if (m_Window) ShowWindow(m_Window, int(command));
    return S_OK;
  }
  STDMETHODIMP Move(LPCRECT rect) override {
    if (!rect) return E_POINTER;
    if (m_Window)
      MoveWindow(m_Window, rect->left, rect->top, rect->right - rect->left,
                 rect->bottom - rect->top, TRUE);
    return S_OK;
  }
  STDMETHODIMP IsPageDirty() override { return S_FALSE; }
  STDMETHODIMP Apply() override { return S_OK; }
  STDMETHODIMP Help(LPCOLESTR) override { return E_NOTIMPL; }
  STDMETHODIMP TranslateAccelerator(MSG*) override { return S_FALSE; }

 private:
  IPropertyPageSite* m_Site = nullptr;
  HWND m_Window = nullptr;
};

}  // namespace

CUnknown* NewTestCamera(IUnknown* outer, HRESULT* phr) {
  return new (std::nothrow) CTestCamera(outer, phr);
}

CUnknown* NewTestCameraPage(IUnknown* outer, HRESULT*) {
  return new (std::nothrow) CTestCameraPage(outer);
}

extern "C" void WINAPI TestCameraConfigure(const TestCameraSettings* settings) {
  TestCameraSettings chosen = settings ? *settings : TestCameraSettings();
  chosen.sizeCount = std::clamp(chosen.sizeCount, 1, 8);
  for (int i = 0; i < chosen.sizeCount; ++i) {
    if (!ValidSize(chosen.sizes[i][0], chosen.sizes[i][1])) {
      chosen.sizes[i][0] = 320;
      chosen.sizes[i][1] = 240;
    }
  }
  CAutoLock lock(&g_Lock);
  g_Settings = chosen;
  const HWND page = g_Stats.pageWindow;
  g_Stats = TestCameraStats{};
  g_Stats.pageWindow = page;
}

extern "C" void WINAPI TestCameraSetPicture(const BYTE* pixels, int32_t width, int32_t height) {
  CAutoLock lock(&g_Lock);
  if (!pixels || !ValidSize(width, height)) {
    g_Picture.clear();
    g_PictureWidth = g_PictureHeight = 0;
    return;
  }
  g_Picture.assign(pixels, pixels + size_t(width) * height * 3);
  g_PictureWidth = width;
  g_PictureHeight = height;
}

extern "C" void WINAPI TestCameraGetStats(TestCameraStats* stats) {
  if (!stats) return;
  CAutoLock lock(&g_Lock);
  *stats = g_Stats;
}
