// A live camera (ELEMENT_CAMERA): a camera graph delivers the device's frames to this
// element on a streaming thread; the element keeps the newest one at the camera's own size
// and hands it out with the source rectangle of its digital zoom and pan. A camera that
// cannot be opened is reported to the host (event 1009 with the device name) and shows the
// host's stock picture 1 until another device is set.
//
// The device is named by its moniker display name, optionally after "@cam:". An empty
// name means the default device: the first whose display name holds "usb", else the first
// plug-and-play device, else the first, never the engine's own virtual camera.
//
// Threads: OnFrame runs on a streaming thread and writes the picture under the frame mutex
// (at most 200 ms, else the frame is dropped); LockFrame and UnlockFrame run on the
// compositor's thread and hold the mutex without limit; everything else runs on the main
// thread, which alone makes, runs and replaces the graph. As in the video source, a graph
// is never stopped while the frame mutex is held.
#pragma once

#include <windows.h>

#include <cstdint>
#include <memory>
#include <string>

#include "engine/base/DibSurface.h"
#include "engine/base/SystemUtils.h"
#include "engine/elements/FrameElement.h"

class CCameraGraph;

class CCameraSource : public CFrameElement, public IFrameSink {
 public:
  static constexpr DWORD kFrameWaitMs = 200;
  static constexpr int32_t kCameraFailedEvent = 1009;

  // The engine's own camera (its friendly name) is never chosen as the default device.
  explicit CCameraSource(const std::string& engineCameraName);

  HRESULT GetProperty(int32_t id, std::string& value) override;
  HRESULT SetProperty(int32_t id, const std::string& value) override;
  // The device name becomes the text and the camera is opened; the text is kept as the
  // source text. 0 also when the camera cannot be opened.
  HRESULT Open(const std::string& path) override;
  // The device name from the package's device item ("" without it), then as Open.
  HRESULT Load(CPackageFile* package) override;
  HRESULT Save(CPackageFile* package) override;
  // Takes the frame mutex (no limit). A failed camera hands out the host's stock picture 1
  // (E_FAIL without host); otherwise the camera picture (no pixels before the first frame)
  // with the zoom and pan rectangle, or the whole picture at zoom 100.
  HRESULT LockFrame(CFrameContext* context, CFrameLock* lock) override;
  HRESULT UnlockFrame() override;
  HRESULT Render(CFrameContext* context, const RECT& destination) override;
  BOOL IsFilter() override;
  // The size the graph asked the device for; without a graph the picture's size. A camera
  // that failed to open answers the size its graph would have asked for (the engine's
  // output size), so that an effect opened on it places the stock picture it shows as it
  // would place the camera's frames, not as a picture of no size that draws nothing.
  HRESULT GetSize(int32_t* width, int32_t* height) override;
  // E_FAIL for a failed camera. An empty device name first picks the default device and
  // opens it. A camera that was stopped opens its device again (a stopped graph delivers
  // no more frames); a paused one runs on.
  HRESULT Play() override;
  HRESULT Pause() override;
  HRESULT Stop() override;
  HRESULT AnnounceProperties() override;

  // IFrameSink: copies the sample into the picture (RGB24 and RGB32, rows padded to 4
  // bytes, bottom-up or top-down), then asks the owner to refresh.
  HRESULT OnFrame(const BITMAPINFOHEADER* header, const BYTE* bits, const GUID& subtype) override;

  // Main thread.
  CCameraGraph* GetGraph() const { return m_graph.get(); }
  bool IsFailed() const { return m_failed != FALSE; }

 protected:
  ~CCameraSource() override;

  virtual std::unique_ptr<CCameraGraph> MakeGraph();

 private:
  // Replaces the graph with one opened on the device name (the default device when the
  // name is empty). Failure: failed set, event 1009 unless the name is empty, refresh off.
  HRESULT OpenCamera();
  // Stops and destroys the graph, if any.
  void DestroyGraph();
  void CopySampleLocked(const BITMAPINFOHEADER& header, const BYTE* bits, const GUID& subtype);

  std::string m_deviceName;
  CDibSurface m_picture;
  int32_t m_zoom = 100;
  int32_t m_panX = 0;
  int32_t m_panY = 0;
  std::unique_ptr<CCameraGraph> m_graph;
  CMutexHandle m_frameMutex;
  BOOL m_failed = FALSE;
  std::string m_engineCameraName;
};
