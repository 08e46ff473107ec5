// The camera graph: a capture device's capture pin rendered into the engine's renderer,
// asking the device for 24-bit RGB at the engine's output size (else 320 x 240, else the
// device's own format, which the renderer takes when it is 24- or 32-bit RGB).
//
// The device comes from its moniker display name. Only device monikers ("@device:...")
// are bound: the name can come from an effect file, and the system's display-name parser
// would also bind class, file, URL and script monikers.
//
// The device's property pages show on a thread of their own; that thread holds a
// reference on this module while its modal frame is open, so the library can be released
// meanwhile.
#pragma once

#include <dshow.h>
#include <windows.h>

#include <cstdint>
#include <string>

#include "engine/graphs/GraphHelpers.h"
#include "engine/graphs/VideoGraph.h"

class CCameraGraph : public CVideoGraph {
 public:
  // The requested size is the engine's output size now.
  explicit CCameraGraph(IFrameSink* sink);
  ~CCameraGraph() override;

  HRESULT Close() override;
  // OpenDevice: builds the graph for a device moniker's display name and runs it.
  HRESULT Open(const std::string& displayName) override;
  HRESULT OpenDevice(const std::string& displayName);
  // Binds the device moniker of the source name: the device filter and its friendly name
  // (the display name when the moniker has no property bag). E_INVALIDARG for a name that
  // is not a device moniker.
  virtual HRESULT BindDevice();
  // Shows the device's property pages on a new thread and returns at once. E_FAIL without
  // a device.
  HRESULT ShowPropertyPages();

  int32_t GetRequestedWidth() const { return m_requestedWidth; }
  int32_t GetRequestedHeight() const { return m_requestedHeight; }
  IBaseFilter* GetDevice() const { return m_device.Get(); }
  const std::string& GetFriendlyName() const { return m_friendlyName; }

 private:
  // Asks the capture pin for RGB24 at the requested size, else 320 x 240. S_OK also when
  // the pin has no stream configuration or refuses both.
  HRESULT SetCaptureFormat();

  CComPtr<ICaptureGraphBuilder2> m_builder;
  CComPtr<IBaseFilter> m_device;
  int32_t m_requestedWidth;
  int32_t m_requestedHeight;
};

// The format a camera is asked for: RGB24, w x h, 30 frames a second, in a VIDEOINFO block.
// Null when out of memory; free with DeleteMediaType.
AM_MEDIA_TYPE* MakeCaptureFormat(int32_t width, int32_t height);
