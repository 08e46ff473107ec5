#include "engine/graphs/FilePlayerGraph.h"

#include "engine/base/ModuleValues.h"
#include "engine/base/SystemUtils.h"
#include "engine/base/TextUtils.h"

namespace {

// {E21BE468-5C18-43EB-B0CC-DB93A847D769}
const CLSID CLSID_RealMediaSplitter = {
    0xe21be468, 0x5c18, 0x43eb, {0xb0, 0xcc, 0xdb, 0x93, 0xa8, 0x47, 0xd7, 0x69}};
// {941A4793-A705-4312-8DFC-C11CA05F397E}
const CLSID CLSID_RealMediaAudioDecoder = {
    0x941a4793, 0xa705, 0x4312, {0x8d, 0xfc, 0xc1, 0x1c, 0xa0, 0x5f, 0x39, 0x7e}};
// {238D0F23-5DC9-45A6-9BE2-666160C324DD}
const CLSID CLSID_RealMediaVideoDecoder = {
    0x238d0f23, 0x5dc9, 0x45a6, {0x9b, 0xe2, 0x66, 0x61, 0x60, 0xc3, 0x24, 0xdd}};
// {47E792CF-0BBE-4F7A-859C-194B0768650A}
const CLSID CLSID_FlvSplitter = {
    0x47e792cf, 0x0bbe, 0x4f7a, {0x85, 0x9c, 0x19, 0x4b, 0x07, 0x68, 0x65, 0x0a}};
// {187463A0-5BB7-11D3-ACBE-0080C75E246E}
const CLSID CLSID_AsfReader = {
    0x187463a0, 0x5bb7, 0x11d3, {0xac, 0xbe, 0x00, 0x80, 0xc7, 0x5e, 0x24, 0x6e}};

bool IsCompletion(long code) {
  return code == EC_COMPLETE || code == EC_ERRORABORT || code == EC_USERABORT;
}

}  // namespace

long VolumeToAttenuation(int32_t volume) { return volume == 0 ? -10000 : volume * 30 - 3000; }

bool IsWindowsMediaPath(const std::string& path) {
  return ExtensionInList(PathWithoutQuery(path), "asf,wma,wmv");
}

CFilePlayerGraph::CFilePlayerGraph(IFrameSink* sink) : CVideoGraph(sink) {
  m_kind = GRAPH_KIND_FILE;
}

CFilePlayerGraph::~CFilePlayerGraph() {
  CVideoGraph::Stop();
  m_seeking.Reset();
  m_audio.Reset();
  Close();
}

HRESULT CFilePlayerGraph::Open(const std::string& path) {
  HRESULT hr = OpenFile(path);
  if (FAILED(hr)) return hr;
  return Run();
}

HRESULT CFilePlayerGraph::OpenFile(const std::string& path) {
  // The graph is built once; the renderer cannot join a second one.
  if (m_graph || !m_renderer) return E_UNEXPECTED;
  m_sourceName = path;
  if (!IsUrl(path) && GetFileAttributesA(path.c_str()) == INVALID_FILE_ATTRIBUTES) return E_FAIL;

  HRESULT hr = CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER, IID_IGraphBuilder,
                                reinterpret_cast<void**>(&m_graph));
  if (FAILED(hr)) return hr;
  m_graph.QueryInterface(IID_IMediaControl, &m_control);
  m_graph.QueryInterface(IID_IMediaEventEx, &m_events);
  m_graph.QueryInterface(IID_IMediaSeeking, &m_seeking);

  hr = AddRenderer();
  if (FAILED(hr)) return hr;
  hr = BuildChain(path);
  // Also a graph built only in part runs what it has, against the clock chosen here.
  ChooseClock();
  if (FAILED(hr)) return hr;

  // The first filter that controls the sound (normally the audio renderer).
  CComPtr<IEnumFilters> filters;
  if (SUCCEEDED(m_graph->EnumFilters(&filters)) && filters) {
    for (;;) {
      CComPtr<IBaseFilter> filter;
      if (filters->Next(1, &filter, nullptr) != S_OK || !filter) break;
      if (SUCCEEDED(filter.QueryInterface(IID_IBasicAudio, &m_audio)) && m_audio) break;
    }
  }
  return S_OK;
}

HRESULT CFilePlayerGraph::AddFilter(REFCLSID clsid, DWORD context, const wchar_t* name,
                                    IBaseFilter** filter) {
  CComPtr<IBaseFilter> made;
  HRESULT hr =
      CoCreateInstance(clsid, nullptr, context, IID_IBaseFilter, reinterpret_cast<void**>(&made));
  if (FAILED(hr)) return hr;
  hr = m_graph->AddFilter(made, name);
  if (FAILED(hr)) return hr;
  if (filter) *filter = made.Detach();
  return hr;
}

HRESULT CFilePlayerGraph::RenderPin(IBaseFilter* filter, int index) {
  CComPtr<IPin> pin;
  HRESULT hr = GetPin(filter, index, PINDIR_OUTPUT, &pin);
  if (FAILED(hr)) return hr;
  CComPtr<IFilterGraph2> graph2;
  hr = m_graph.QueryInterface(IID_IFilterGraph2, &graph2);
  if (FAILED(hr)) return hr;
  // Only into the renderers already in the graph: ours and the audio renderer. Filters
  // added beforehand are tried first by intelligent connect.
  return graph2->RenderEx(pin, AM_RENDEREX_RENDERTOEXISTINGRENDERERS, nullptr);
}

HRESULT CFilePlayerGraph::BuildChain(const std::string& path) {
  HRESULT hr = AddFilter(CLSID_DSoundRender, CLSCTX_INPROC_SERVER, L"Audio Renderer");
  if (FAILED(hr)) return hr;

  // Extra source filters; a machine without them plays what the system can.
  // Addresses are known by the extension of their path, without the query.
  const std::string named = PathWithoutQuery(path);
  if (ExtensionInList(named, "rm,rmvb") && IsSourceFilterEnabled(SOURCE_FILTER_REALMEDIA)) {
    if (SUCCEEDED(AddFilter(CLSID_RealMediaSplitter, CLSCTX_ALL, L"rmspliter")) &&
        SUCCEEDED(AddFilter(CLSID_RealMediaAudioDecoder, CLSCTX_ALL, L"rm audio"))) {
      AddFilter(CLSID_RealMediaVideoDecoder, CLSCTX_ALL, L"rm video");
    }
  } else if (ExtensionInList(named, "flv") && IsSourceFilterEnabled(SOURCE_FILTER_FLV)) {
    AddFilter(CLSID_FlvSplitter, CLSCTX_ALL, L"flv");
  }

  const std::wstring widePath = WidenText(path);
  if (IsWindowsMediaPath(path)) {
    CComPtr<IBaseFilter> reader;
    hr = AddFilter(CLSID_AsfReader, CLSCTX_INPROC_SERVER, L"ASF Reader", &reader);
    if (FAILED(hr)) return hr;
    CComPtr<IFileSourceFilter> source;
    hr = reader.QueryInterface(IID_IFileSourceFilter, &source);
    if (FAILED(hr)) return hr;
    hr = source->Load(widePath.c_str(), nullptr);
    if (FAILED(hr)) return hr;
    // One output pin per stream: a file with sound only (".wma") or picture only has one.
    hr = RenderPin(reader, 0);
    if (FAILED(hr)) return hr;
    CComPtr<IPin> second;
    if (SUCCEEDED(GetPin(reader, 1, PINDIR_OUTPUT, &second))) hr = RenderPin(reader, 1);
    return hr;
  }

  CComPtr<IBaseFilter> source;
  hr = m_graph->AddSourceFilter(widePath.c_str(), L"Video File", &source);
  if (FAILED(hr)) return hr;
  return RenderPin(source, 0);
}

HRESULT CFilePlayerGraph::ChooseClock() {
  CComPtr<IBaseFilter> audio;
  if (FAILED(m_graph->FindFilterByName(L"Audio Renderer", &audio)) || !audio) return S_FALSE;
  CComPtr<IPin> input, peer;
  if (SUCCEEDED(GetPin(audio, 0, PINDIR_INPUT, &input)) && SUCCEEDED(input->ConnectedTo(&peer)) &&
      peer)
    return S_FALSE;  // it plays the file's sound: the pictures keep its time
  CComPtr<IReferenceClock> clock;
  HRESULT hr = CoCreateInstance(CLSID_SystemClock, nullptr, CLSCTX_INPROC_SERVER,
                                IID_IReferenceClock, reinterpret_cast<void**>(&clock));
  if (FAILED(hr)) return hr;
  CComPtr<IMediaFilter> graph;
  hr = m_graph.QueryInterface(IID_IMediaFilter, &graph);
  if (FAILED(hr)) return hr;
  return graph->SetSyncSource(clock);
}

HRESULT CFilePlayerGraph::GetPosition(int32_t* position, int32_t* duration) {
  return ReadMediaPosition(m_seeking.Get(), position, duration, false);
}

HRESULT CFilePlayerGraph::SetPosition(int32_t milliseconds) {
  if (!m_seeking) return E_FAIL;
  if (milliseconds < 0) return E_INVALIDARG;
  {
    // What ended before the seek is no completion of the pass that starts with it.
    CAutoLock lock(&m_completionLock);
    ForgetCompletionLocked();
  }
  LONGLONG to = static_cast<LONGLONG>(milliseconds) * 10000;
  const HRESULT hr = m_seeking->SetPositions(&to, AM_SEEKING_AbsolutePositioning, nullptr,
                                             AM_SEEKING_NoPositioning);
  if (SUCCEEDED(hr)) {
    // A completed graph still runs: after the seek it plays on from the new position.
    CAutoLock lock(&m_completionLock);
    if (!m_completed && m_state.load() == GRAPH_COMPLETE) m_state.store(GRAPH_RUNNING);
  }
  return hr;
}

HRESULT CFilePlayerGraph::SetVolume(int32_t volume) {
  if (!m_audio) return E_FAIL;
  if (volume < 0 || volume > 100) return E_INVALIDARG;
  return m_audio->put_Volume(VolumeToAttenuation(volume));
}

HRESULT CFilePlayerGraph::Close() {
  // The completion query may come from another thread while the graph goes.
  CAutoLock lock(&m_completionLock);
  return CVideoGraph::Close();
}

BOOL CFilePlayerGraph::IsComplete() {
  CAutoLock lock(&m_completionLock);
  if (!m_events) return FALSE;
  if (DrainEventsLocked()) m_completed = true;
  if (!m_completed) return FALSE;
  m_state.store(GRAPH_COMPLETE);
  return TRUE;
}

void CFilePlayerGraph::OnStopped() {
  CAutoLock lock(&m_completionLock);
  ForgetCompletionLocked();
  m_state.store(GRAPH_STOPPED);
}

bool CFilePlayerGraph::DrainEventsLocked() {
  // Not IMediaEvent::WaitForCompletion: under Wine it keeps answering "complete" once any
  // pass completed, also after a rewind or a stop and run. The queue holds each pass's
  // completion once.
  if (!m_events) return false;
  bool completed = false;
  for (;;) {
    long code = 0;
    LONG_PTR param1 = 0, param2 = 0;
    if (m_events->GetEvent(&code, &param1, &param2, 0) != S_OK) break;
    m_events->FreeEventParams(code, param1, param2);
    if (IsCompletion(code)) completed = true;
  }
  return completed;
}

void CFilePlayerGraph::ForgetCompletionLocked() {
  DrainEventsLocked();
  m_completed = false;
}
