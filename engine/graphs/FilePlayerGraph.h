// The file playback graph: a media file's picture goes to the engine's renderer, its sound
// to the DirectSound audio renderer. Extra source filters come in for RealMedia and FLV
// files (when their switches are on) and the Windows Media ASF reader opens ".asf",
// ".wma" and ".wmv" files.
#pragma once

#include "engine/graphs/GraphHelpers.h"
#include "engine/graphs/VideoGraph.h"

// Plays a media file: picture to the renderer, sound to the DirectSound audio renderer.
class CFilePlayerGraph : public CVideoGraph {
 public:
  explicit CFilePlayerGraph(IFrameSink* sink);
  ~CFilePlayerGraph() override;

  HRESULT Close() override;
  // OpenFile, then Run. The failure of OpenFile is returned and nothing runs.
  HRESULT Open(const std::string& path) override;
  // Position and duration in milliseconds (truncated); both 0 on failure. E_FAIL without
  // seeking, E_NOINTERFACE when the graph cannot seek in media time.
  virtual HRESULT GetPosition(int32_t* position, int32_t* duration);
  // Seeks to an absolute position in milliseconds; the stop position stays. E_FAIL
  // without seeking, E_INVALIDARG for a negative position.
  virtual HRESULT SetPosition(int32_t milliseconds);
  // Volume 0..100 as attenuation (VolumeToAttenuation). E_FAIL without audio,
  // E_INVALIDARG outside 0..100 (the audio is left as it was).
  virtual HRESULT SetVolume(int32_t volume);
  // Builds the graph for a path without running it. A local file that does not exist
  // fails with E_FAIL before any COM object is made; URLs are not checked.
  virtual HRESULT OpenFile(const std::string& path);
  // True once the current pass through the file ended (the state becomes GRAPH_COMPLETE).
  // A pass begins when the graph runs from the stopped state or is sought; a completion
  // of an earlier pass never counts.
  virtual BOOL IsComplete();

 protected:
  void OnStopped() override;

 private:
  HRESULT BuildChain(const std::string& path);
  // Creates a filter and adds it to the graph under the name; `filter` (optional) receives
  // it with a reference.
  HRESULT AddFilter(REFCLSID clsid, DWORD context, const wchar_t* name,
                    IBaseFilter** filter = nullptr);
  HRESULT RenderPin(IBaseFilter* filter, int index);
  // The graph's reference clock. An audio renderer that plays the file's sound stays the
  // clock, as the graph chooses by itself. One that got no stream (a file without sound)
  // gives way to a system clock of the graph's own: its clock would only pass the system
  // time on, and under Wine an audio renderer's clock, once asked for a time, is not freed
  // with the renderer: its thread and about 1 MB stayed behind for every file opened.
  // S_FALSE when the graph keeps its choice; failures leave the graph's own choice.
  HRESULT ChooseClock();
  // Reads the graph's event queue; true when a completion was among the events. Called
  // with the completion lock held.
  bool DrainEventsLocked();
  // Forgets the completion so far: what is queued now belongs to an ended pass.
  void ForgetCompletionLocked();

  CComPtr<IMediaSeeking> m_seeking;
  CComPtr<IBasicAudio> m_audio;
  CCritSec m_completionLock;  // the completion flag and the event queue reads
  bool m_completed = false;
};

// put_Volume's attenuation in hundredths of a decibel for a volume 0..100: 0 is silence
// (-10000), 1..100 are volume x 30 - 3000 (100 is 0 dB).
long VolumeToAttenuation(int32_t volume);
// Whether the path names a Windows Media file by its extension (".asf", ".wma", ".wmv",
// any case), which the ASF reader opens.
bool IsWindowsMediaPath(const std::string& path);
