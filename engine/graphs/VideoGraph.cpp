#include "engine/graphs/VideoGraph.h"

#include <new>

#include "engine/graphs/FrameRenderer.h"

CVideoGraph::CVideoGraph(IFrameSink* sink) : m_sink(sink) {
  HRESULT hr = S_OK;
  m_renderer = new (std::nothrow) CFrameRenderer(nullptr, &hr, sink);
  if (!m_renderer) return;
  m_renderer->NonDelegatingAddRef();
  if (FAILED(hr)) {
    m_renderer->NonDelegatingRelease();
    m_renderer = nullptr;
  }
}

CVideoGraph::~CVideoGraph() { CVideoGraph::Close(); }

HRESULT CVideoGraph::Close() {
  // A graph released while it runs stops on the way; its renderer must not reach the sink
  // meanwhile.
  if (m_renderer) m_renderer->SetSink(nullptr);
  m_events.Reset();
  m_control.Reset();
  m_graph.Reset();
  m_rendererFilter.Reset();
  if (m_renderer) {
    CFrameRenderer* renderer = m_renderer;
    m_renderer = nullptr;
    renderer->NonDelegatingRelease();
  }
  return S_OK;
}

HRESULT CVideoGraph::Stop() {
  if (m_renderer) m_renderer->SetSink(nullptr);
  if (!m_control) return 1;
  m_state.store(GRAPH_STOPPED);
  const HRESULT hr = m_control->Stop();
  OnStopped();
  return hr;
}

HRESULT CVideoGraph::Pause() {
  if (!m_control) return 1;
  m_state.store(GRAPH_PAUSED);
  return m_control->Pause();
}

HRESULT CVideoGraph::Run() {
  if (!m_control) return 1;
  m_state.store(GRAPH_RUNNING);
  return m_control->Run();
}

int32_t CVideoGraph::GetKind() { return m_kind; }

std::string CVideoGraph::GetName() { return m_sourceName; }

HRESULT CVideoGraph::AddRenderer() {
  if (!m_renderer) return E_OUTOFMEMORY;
  if (!m_graph) return E_UNEXPECTED;
  if (!m_rendererFilter) {
    HRESULT hr = m_renderer->NonDelegatingQueryInterface(
        IID_IBaseFilter, reinterpret_cast<void**>(&m_rendererFilter));
    if (FAILED(hr)) return hr;
  }
  return m_graph->AddFilter(m_rendererFilter, L"my Render");
}
