// A media file played through a file playback graph (ELEMENT_VIDEO). The graph's renderer
// hands every decoded sample to this element on a streaming thread; the element scales it
// into its picture so that the picture covers the engine's output size with the video's
// proportions. The play state mirrors the graph's state; the element's own clock is unused.
//
// Threads: OnFrame runs on DirectShow streaming threads and writes the picture under the
// frame mutex, waiting at most 200 ms and dropping the frame otherwise. LockFrame and
// UnlockFrame run on the compositor's thread (or, without a frame rate, on the streaming
// thread through the host's refresh) and hold the mutex without limit while the picture is
// drawn. Everything else runs on the main thread, which alone makes, runs and replaces the
// graph. The graph is never stopped while the frame mutex is held: stopping waits for the
// delivery in progress, and that delivery may be waiting for the picture.
#pragma once

#include <windows.h>

#include <cstdint>
#include <memory>
#include <string>

#include "engine/base/DibSurface.h"
#include "engine/base/SystemUtils.h"
#include "engine/elements/FrameElement.h"

class CFilePlayerGraph;

class CVideoSource : public CFrameElement, public IFrameSink {
 public:
  // How long a frame waits for the picture before it is dropped.
  static constexpr DWORD kFrameWaitMs = 200;

  CVideoSource();

  // The element has no properties: E_FAIL for every id.
  HRESULT GetProperty(int32_t id, std::string& value) override;
  HRESULT SetProperty(int32_t id, const std::string& value) override;
  // The path becomes the source text and a new graph is built for it (not run). 0 also when
  // the file cannot be played: the element then shows no picture.
  HRESULT Open(const std::string& path) override;
  // The path from the package's video path item ("" without it), then as Open.
  HRESULT Load(CPackageFile* package) override;
  HRESULT Save(CPackageFile* package) override;
  // Takes the frame mutex (no limit), synchronises the state and hands out the picture,
  // which has no pixels before the first frame.
  HRESULT LockFrame(CFrameContext* context, CFrameLock* lock) override;
  HRESULT UnlockFrame() override;
  HRESULT Render(CFrameContext* context, const RECT& destination) override;
  BOOL IsFilter() override;
  // The picture's size; 0 x 0 before the first frame.
  HRESULT GetSize(int32_t* width, int32_t* height) override;
  // The graph's position and duration in milliseconds (0 and 0 without a graph).
  HRESULT GetTime(int32_t* position, int32_t* duration) override;
  // Seeks the graph; a refused position returns the graph's error.
  HRESULT SetPosition(int32_t milliseconds) override;
  // Stores the volume, clears the mute and hands the volume to the graph.
  HRESULT SetVolume(int32_t volume) override;
  // The graph gets volume 0 while muted, else the stored volume.
  HRESULT SetMute(BOOL mute) override;
  // Run, pause or stop the graph, then take over its state. A stopped graph delivers no
  // more frames, also when it runs again: the picture keeps the last frame.
  HRESULT Play() override;
  HRESULT Pause() override;
  HRESULT Stop() override;
  // Read under the frame mutex: the compositor's thread updates the state in LockFrame.
  int32_t GetState() override;
  BOOL IsFinished() override;
  std::string GetSourcePath() override;

  // IFrameSink: scales the sample into the picture (RGB24 and RGB32 samples; rows of any
  // width, padded to 4 bytes, bottom-up or top-down), then asks the owner to refresh.
  HRESULT OnFrame(const BITMAPINFOHEADER* header, const BYTE* bits, const GUID& subtype) override;

  // The graph, or null before the first Open or Load. Main thread only.
  CFilePlayerGraph* GetGraph() const { return m_graph.get(); }

 protected:
  ~CVideoSource() override;

  // Makes the graph object for a new file, delivering to this element.
  virtual std::unique_ptr<CFilePlayerGraph> MakeGraph();

 private:
  // Replaces the graph with one built for the source text, with the current volume.
  void OpenGraph();
  // Stops and destroys the graph, if any.
  void DestroyGraph();
  // The state becomes the graph's (its completion asked first); stopped without a graph.
  // The caller holds the frame mutex.
  void SyncStateLocked();
  // Takes the frame mutex and synchronises the state.
  void SyncState();
  // Scales the sample into the picture at the size that covers the output; the caller
  // holds the frame mutex. Nothing is copied from a sample that is not plain 24- or 32-bit
  // RGB as its subtype says.
  void DrawSampleLocked(const BITMAPINFOHEADER& header, const BYTE* bits, const GUID& subtype,
                        int32_t outputWidth, int32_t outputHeight);

  CDibSurface m_picture;
  std::unique_ptr<CFilePlayerGraph> m_graph;
  CMutexHandle m_frameMutex;
};
