#include "engine/graphs/CameraGraph.h"

#include <olectl.h>

#include <new>

#include "engine/base/ModuleValues.h"
#include "engine/base/SystemUtils.h"
#include "engine/base/TextUtils.h"
#include "platform/dshow/MediaType.h"

namespace {

constexpr int32_t kFallbackWidth = 320;
constexpr int32_t kFallbackHeight = 240;
constexpr REFERENCE_TIME kFrameTime = 333333;  // 30 frames a second
// How long an open waits for a graph that is still starting when Run returns.
constexpr LONG kStartWaitMs = 3000;

// What the property-page thread is given; it owns the filter reference and the module
// reference.
struct PageThreadStart {
  IBaseFilter* filter;
  HWND owner;
  HMODULE module;
};

void ShowPages(IBaseFilter* filter, HWND owner) {
  const HRESULT com = CoInitialize(nullptr);
  {
    CComPtr<ISpecifyPropertyPages> specify;
    if (SUCCEEDED(filter->QueryInterface(IID_ISpecifyPropertyPages,
                                         reinterpret_cast<void**>(&specify))) &&
        specify) {
      CAUUID pages = {};
      if (SUCCEEDED(specify->GetPages(&pages))) {
        IUnknown* object = filter;
        OleCreatePropertyFrame(owner, 30, 30, nullptr, 1, &object, pages.cElems, pages.pElems, 0,
                               0, nullptr);
        CoTaskMemFree(pages.pElems);
      }
    }
  }
  filter->Release();
  if (SUCCEEDED(com)) CoUninitialize();
}

// The modal frame runs code of this library: the thread's module reference keeps the
// library loaded until the thread has left it.
DWORD WINAPI PageThread(void* param) {
  const PageThreadStart start = *static_cast<PageThreadStart*>(param);
  delete static_cast<PageThreadStart*>(param);
  ShowPages(start.filter, start.owner);
  FreeLibraryAndExitThread(start.module, 0);
}

}  // namespace

AM_MEDIA_TYPE* MakeCaptureFormat(int32_t width, int32_t height) {
  if (width <= 0 || height <= 0 || width > 16384 || height > 16384) return nullptr;
  auto* mt = static_cast<AM_MEDIA_TYPE*>(CoTaskMemAlloc(sizeof(AM_MEDIA_TYPE)));
  if (!mt) return nullptr;
  *mt = AM_MEDIA_TYPE{};
  auto* info = static_cast<VIDEOINFO*>(CoTaskMemAlloc(sizeof(VIDEOINFO)));
  if (!info) {
    CoTaskMemFree(mt);
    return nullptr;
  }
  *info = VIDEOINFO{};
  const uint64_t stride = (uint64_t(width) * 3 + 3) & ~uint64_t(3);
  const uint64_t imageSize = stride * uint64_t(height);
  info->AvgTimePerFrame = kFrameTime;
  info->dwBitRate = static_cast<DWORD>(imageSize * 240);
  info->bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  info->bmiHeader.biWidth = width;
  info->bmiHeader.biHeight = height;
  info->bmiHeader.biPlanes = 1;
  info->bmiHeader.biBitCount = 24;
  info->bmiHeader.biCompression = BI_RGB;
  info->bmiHeader.biSizeImage = static_cast<DWORD>(imageSize);
  mt->majortype = MEDIATYPE_Video;
  mt->subtype = MEDIASUBTYPE_RGB24;
  mt->formattype = FORMAT_VideoInfo;
  mt->bFixedSizeSamples = TRUE;
  mt->bTemporalCompression = FALSE;
  mt->lSampleSize = static_cast<ULONG>(imageSize);
  mt->cbFormat = sizeof(VIDEOINFO);
  mt->pbFormat = reinterpret_cast<BYTE*>(info);
  return mt;
}

CCameraGraph::CCameraGraph(IFrameSink* sink) : CVideoGraph(sink) {
  m_kind = GRAPH_KIND_CAMERA;
  const SIZE size = GetModuleOutputSize();
  m_requestedWidth = size.cx;
  m_requestedHeight = size.cy;
}

CCameraGraph::~CCameraGraph() { CCameraGraph::Close(); }

HRESULT CCameraGraph::Close() {
  m_builder.Reset();
  m_device.Reset();
  return CVideoGraph::Close();
}

HRESULT CCameraGraph::Open(const std::string& displayName) { return OpenDevice(displayName); }

HRESULT CCameraGraph::BindDevice() {
  m_device.Reset();
  HRESULT hr = BindMonikerFilter(m_sourceName, true, &m_device, &m_friendlyName);
  if (FAILED(hr)) return hr;
  if (m_friendlyName.empty()) m_friendlyName = m_sourceName;
  return S_OK;
}

HRESULT CCameraGraph::OpenDevice(const std::string& displayName) {
  // The graph is built once; the renderer cannot join a second one.
  if (m_graph || !m_renderer) return E_UNEXPECTED;
  m_sourceName = displayName;
  HRESULT hr = BindDevice();
  if (FAILED(hr)) return hr;

  hr = CoCreateInstance(CLSID_CaptureGraphBuilder2, nullptr, CLSCTX_INPROC_SERVER,
                        IID_ICaptureGraphBuilder2, reinterpret_cast<void**>(&m_builder));
  if (FAILED(hr)) return hr;
  hr = CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER, IID_IGraphBuilder,
                        reinterpret_cast<void**>(&m_graph));
  if (FAILED(hr)) return hr;
  hr = m_builder->SetFiltergraph(m_graph.Get());
  if (FAILED(hr)) return hr;
  m_graph.QueryInterface(IID_IMediaControl, &m_control);
  m_graph.QueryInterface(IID_IMediaEventEx, &m_events);
  if (!m_control) return E_NOINTERFACE;

  hr = AddRenderer();
  if (FAILED(hr)) return hr;
  const std::wstring friendlyName = WidenText(m_friendlyName);
  hr = m_graph->AddFilter(m_device.Get(), friendlyName.empty() ? nullptr : friendlyName.c_str());
  if (FAILED(hr)) return hr;

  SetCaptureFormat();  // a device that keeps its own format still plays

  hr = m_builder->RenderStream(&PIN_CATEGORY_CAPTURE, &MEDIATYPE_Interleaved, m_device.Get(),
                               nullptr, m_rendererFilter.Get());
  if (FAILED(hr)) {
    hr = m_builder->RenderStream(&PIN_CATEGORY_CAPTURE, &MEDIATYPE_Video, m_device.Get(), nullptr,
                                 m_rendererFilter.Get());
    if (FAILED(hr)) return hr;
  }
  hr = m_control->Run();
  if (hr == S_FALSE) {
    // The graph goes on starting on a thread of its own: a device that cannot start shows
    // only in the state the transition ends in.
    OAFilterState state = State_Stopped;
    const HRESULT started = m_control->GetState(kStartWaitMs, &state);
    if (FAILED(started)) return started;
  }
  return hr;
}

HRESULT CCameraGraph::SetCaptureFormat() {
  CComPtr<IAMStreamConfig> config;
  if (FAILED(m_builder->FindInterface(&PIN_CATEGORY_CAPTURE, &MEDIATYPE_Interleaved,
                                      m_device.Get(), IID_IAMStreamConfig,
                                      reinterpret_cast<void**>(&config))) ||
      !config) {
    config.Reset();
    if (FAILED(m_builder->FindInterface(&PIN_CATEGORY_CAPTURE, &MEDIATYPE_Video, m_device.Get(),
                                        IID_IAMStreamConfig, reinterpret_cast<void**>(&config))) ||
        !config)
      return S_OK;
  }
  const SIZE sizes[] = {{m_requestedWidth, m_requestedHeight}, {kFallbackWidth, kFallbackHeight}};
  for (const SIZE& size : sizes) {
    if (&size != sizes && size.cx == sizes[0].cx && size.cy == sizes[0].cy) break;
    AM_MEDIA_TYPE* format = MakeCaptureFormat(size.cx, size.cy);
    if (!format) return E_OUTOFMEMORY;
    const HRESULT hr = config->SetFormat(format);
    DeleteMediaType(format);
    if (SUCCEEDED(hr)) return S_OK;
  }
  return S_OK;
}

HRESULT CCameraGraph::ShowPropertyPages() {
  if (!m_device) return E_FAIL;
  HMODULE module = nullptr;
  if (!GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS,
                          reinterpret_cast<LPCWSTR>(reinterpret_cast<void*>(&PageThread)), &module))
    return HRESULT_FROM_WIN32(GetLastError());
  auto* start = new (std::nothrow) PageThreadStart{m_device.Get(), GetModuleOwnerWindow(), module};
  if (!start) {
    FreeLibrary(module);
    return E_OUTOFMEMORY;
  }
  m_device->AddRef();
  HANDLE thread = CreateThread(nullptr, 0, &PageThread, start, CREATE_SUSPENDED, nullptr);
  if (!thread) {
    const HRESULT hr = HRESULT_FROM_WIN32(GetLastError());
    m_device->Release();
    delete start;
    FreeLibrary(module);
    return hr;
  }
  SetThreadPriority(thread, THREAD_PRIORITY_NORMAL);
  ResumeThread(thread);
  CloseHandle(thread);
  return S_OK;
}
