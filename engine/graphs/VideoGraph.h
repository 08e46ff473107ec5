// The base of the DirectShow graphs that end in the engine's own renderer (the file
// playback graph and the camera graph): the graph manager, its control and event
// interfaces, the renderer and the sink it delivers to, the kind and the play state.
//
// A graph is built, run, paused, stopped and queried on the engine's main thread; GetState
// and the file graph's completion query are also called from the compositor's timer
// thread. DirectShow's streaming threads call the renderer, which calls the sink.
#pragma once

#include <dshow.h>
#include <windows.h>

#include <atomic>
#include <cstdint>
#include <string>

#include "engine/elements/FrameElement.h"
#include "platform/dshow/ComBase.h"

class CFrameRenderer;

// Graph kinds.
constexpr int32_t GRAPH_KIND_FILE = 1;
constexpr int32_t GRAPH_KIND_CAMERA = 4;

// Graph states; the element states of the same numbers.
constexpr int32_t GRAPH_STOPPED = 0;
constexpr int32_t GRAPH_RUNNING = 1;
constexpr int32_t GRAPH_PAUSED = 2;
constexpr int32_t GRAPH_COMPLETE = 3;

// Results are HRESULTs; a failing DirectShow or COM call's result is passed on unchanged.
class CVideoGraph {
 public:
  // The renderer is made here and knows the sink (not owned) from the start.
  explicit CVideoGraph(IFrameSink* sink);
  virtual ~CVideoGraph();
  CVideoGraph(const CVideoGraph&) = delete;
  CVideoGraph& operator=(const CVideoGraph&) = delete;

  // Releases the graph's interfaces and the renderer. Final: the graph cannot be built
  // again afterwards.
  virtual HRESULT Close();
  // Builds the graph for a file path or device name and starts it.
  virtual HRESULT Open(const std::string& source) = 0;
  // Detaches the renderer from its sink for good (no frame reaches the sink after this,
  // also when the graph runs again), then stops the graph. 1 without a graph.
  virtual HRESULT Stop();
  // 1 without a graph.
  virtual HRESULT Pause();
  // 1 without a graph.
  virtual HRESULT Run();
  virtual int32_t GetKind();
  virtual std::string GetName();

  // GRAPH_STOPPED, GRAPH_RUNNING, GRAPH_PAUSED or GRAPH_COMPLETE.
  int32_t GetState() const { return m_state.load(); }

 protected:
  // Adds the renderer to the graph as "my Render".
  HRESULT AddRenderer();
  // Called by Stop once the graph stopped; sets the stopped state. The file graph also
  // forgets the completion of the pass that ended.
  virtual void OnStopped() { m_state.store(GRAPH_STOPPED); }

  std::string m_sourceName;
  std::string m_friendlyName;
  CFrameRenderer* m_renderer = nullptr;  // one reference of our own
  CComPtr<IBaseFilter> m_rendererFilter;
  CComPtr<IGraphBuilder> m_graph;
  CComPtr<IMediaControl> m_control;
  CComPtr<IMediaEventEx> m_events;
  IFrameSink* m_sink;
  int32_t m_kind = 0;
  std::atomic<int32_t> m_state{GRAPH_STOPPED};
};
