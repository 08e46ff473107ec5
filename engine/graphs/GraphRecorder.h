// Recording graphs: the engine records its own output by capturing its virtual camera (the
// driver gets every composed frame and offers it again as a camera), optionally with a
// sound capture device, into an AVI file (video as delivered, sound compressed to MPEG
// Layer-3, written through the engine's own file writer) or an ASF file (the Windows Media
// ASF writer with a fixed system profile).
//
// CGraphRecorder holds the graph and its control, event and seeking interfaces and runs,
// pauses, stops and times it; CCaptureRecorder finds the camera and the sound device;
// CAviRecorder and CAsfRecorder build their graphs. A failing build step writes its error
// text (with the failing HRESULT) and returns that result; a recorder whose build failed
// never runs. All of it runs on the engine's main thread.
#pragma once

#include <dshow.h>
#include <windows.h>

#include <cstdint>
#include <string>

#include "platform/dshow/ComBase.h"

class CGraphRecorder {
 public:
  // How long GetState waits for a graph that is still changing its state.
  static constexpr DWORD kStateWaitMs = 1000;

  CGraphRecorder() = default;
  // Stops the graph when there is one, then releases every filter and interface.
  virtual ~CGraphRecorder();
  CGraphRecorder(const CGraphRecorder&) = delete;
  CGraphRecorder& operator=(const CGraphRecorder&) = delete;

  // Builds the graph; the base has nothing to build and returns 0.
  virtual HRESULT Build();
  // Releases what the class added, then what its base holds.
  virtual void ReleaseAll();

  // E_FAIL without a control interface or before a successful build. Once the graph runs,
  // the recording takes its place (OnRunning); when it cannot, the graph stops again and
  // that error (with its error text) is returned.
  HRESULT Run();
  HRESULT Pause();
  // Stops the sources, then the whole graph. E_FAIL without a control interface.
  HRESULT Stop();
  // The graph's state (0 stopped, 1 paused, 2 running), waiting at most kStateWaitMs for
  // a transition to end (a graph still in transition answers the state it is going to);
  // 0 without a control interface or when the graph cannot tell.
  int32_t GetState();
  // Position and duration in milliseconds: the graph's own position when it can tell one
  // that is not beyond the time the recording has been running (pauses left out), else
  // that running time (then also as the duration); a graph that cannot tell its duration
  // answers the position as duration. E_FAIL before a successful build.
  HRESULT GetPosition(int32_t* position, int32_t* duration);
  // The time the graph has been running, in milliseconds.
  int64_t GetRunningTime() const;
  std::string GetErrorText() const { return m_errorText; }
  bool IsBuilt() const { return m_built; }

 protected:
  // Makes the filter graph manager (in-process) and takes the graph builder, control,
  // event and seeking interfaces from it, each only when not yet present.
  HRESULT CreateGraph();
  // Writes the error text of a failed step and returns the step's result.
  HRESULT Fail(const char* format, HRESULT hr);
  HRESULT AddFilter(IBaseFilter* filter, const std::wstring& name);
  // Connects a's first output pin to b's first input pin through the graph builder
  // (intelligent connect may put converters between them).
  HRESULT ConnectFilters(IBaseFilter* from, IBaseFilter* to);
  // Connects output pin `outIndex` of `from` to input pin `inIndex` of `to`.
  HRESULT ConnectPins(IBaseFilter* from, int outIndex, IBaseFilter* to, int inIndex);
  void SetBuilt(bool built) { m_built = built; }
  // Stops the filters that produce data, before the graph stops the rest.
  virtual void StopSources() {}
  // Stops every filter of the graph itself, sources first: after a start that failed
  // part-way the graph counts itself stopped while some of its filters run.
  void StopEveryFilter();
  // The graph runs: what was written so far becomes the recording the caller named.
  virtual HRESULT OnRunning() { return S_OK; }

  CComPtr<IGraphBuilder> m_graph;
  CComPtr<IGraphBuilder> m_builder;
  CComPtr<IMediaControl> m_control;
  CComPtr<IMediaEventEx> m_events;
  CComPtr<IMediaSeeking> m_seeking;
  std::string m_errorText;

 private:
  void StartRunningClock();
  void StopRunningClock();

  bool m_built = false;
  bool m_clockRunning = false;
  uint64_t m_clockStart = 0;
  int64_t m_runningMs = 0;
};

class CCaptureRecorder : public CGraphRecorder {
 public:
  // The friendly name of the engine's virtual camera.
  explicit CCaptureRecorder(const std::string& cameraName);
  ~CCaptureRecorder() override;

  void ReleaseAll() override;
  // "NONE" (no sound), "AUTO" (the default sound capture device, when there is one) or a
  // device moniker's display name; an empty text gives E_FAIL and changes nothing.
  virtual HRESULT SetAudioDevice(const std::string& device);
  void SetOutputPath(const std::string& path) { m_outputPath = path; }

  const std::string& GetAudioDevice() const { return m_audioDevice; }
  const std::string& GetCameraDisplayName() const { return m_cameraDisplayName; }
  bool HasSound() const { return m_audioCapture.Get() != nullptr; }

 protected:
  // The common first steps: the camera's display name, the graph (failure: the graph
  // error text), the camera bound and added as "Cam" (failure: the camera error text),
  // then the sound capture filter, whose absence or failure is no error.
  HRESULT BuildCapture(const char* graphError, const char* cameraError);

  std::string m_audioDevice = "AUTO";
  std::string m_outputPath;
  std::string m_cameraDisplayName;
  CComPtr<IBaseFilter> m_camera;
  CComPtr<IBaseFilter> m_audioCapture;  // null without sound
  std::string m_cameraName;

  void StopSources() override;

 private:
  void AddSound();
};

// AVI: camera (and sound through the MPEG Layer-3 compressor) into the AVI multiplexer,
// fully interleaved, into the engine's file writer.
class CAviRecorder : public CCaptureRecorder {
 public:
  using CCaptureRecorder::CCaptureRecorder;
  ~CAviRecorder() override;
  HRESULT Build() override;
  void ReleaseAll() override;

 protected:
  // The file writer writes beside the named file until the graph runs; then its file
  // replaces the named one.
  HRESULT OnRunning() override;

 private:
  CComPtr<IBaseFilter> m_compressor;
  CComPtr<IBaseFilter> m_multiplexer;
  CComPtr<IBaseFilter> m_writer;
};

// ASF: camera (and sound) into the Windows Media ASF writer.
class CAsfRecorder : public CCaptureRecorder {
 public:
  using CCaptureRecorder::CCaptureRecorder;
  ~CAsfRecorder() override;
  HRESULT Build() override;
  void ReleaseAll() override;

 private:
  CComPtr<IBaseFilter> m_asfWriter;
};

// The recorder for a path: ASF when its extension is "asf" in any letter case, else AVI;
// null when out of memory.
CCaptureRecorder* NewRecorderForPath(const std::string& path, const std::string& cameraName);
