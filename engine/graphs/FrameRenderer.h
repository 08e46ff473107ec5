// The engine's own video renderer: the last filter of every file playback and camera graph.
// It takes uncompressed 24- or 32-bit RGB video with a VIDEOINFOHEADER format only, so that
// the graph puts whatever decoder or colour converter is needed in front of it, and it
// hands every sample, unscaled, to one IFrameSink. Scaling, copying and locking are the
// sink's business.
//
// The filter is not registered with COM; the graph that owns it makes it with new and keeps
// one reference of its own.
#pragma once

#include <atomic>

#include "engine/elements/FrameElement.h"
#include "platform/dshow/BaseRenderer.h"

// {CF2E04A2-BC41-49F1-9EB7-F91EEF7FCCB4}
extern const CLSID CLSID_FrameRenderer;

class CFrameRenderer : public CBaseRenderer {
 public:
  // The object starts without references; `phr` receives the base class's failures.
  CFrameRenderer(IUnknown* outer, HRESULT* phr, IFrameSink* sink);
  ~CFrameRenderer() override;

  // Video, FORMAT_VideoInfo, RGB24 or RGB32: S_OK; null: E_POINTER; else E_INVALIDARG.
  HRESULT CheckMediaType(const CMediaType* mt) override;
  // Keeps the subtype and the bitmap header of an accepted type. E_UNEXPECTED when the
  // format block is missing or too short to hold a VIDEOINFOHEADER.
  HRESULT SetMediaType(const CMediaType* mt) override;
  // Hands the sample's pixels to the sink with the stored header and subtype, on the
  // streaming thread. Without sink, or when the sample holds fewer bytes than the header
  // describes, the sample is dropped. Always S_OK for a sample.
  HRESULT DoRenderSample(IMediaSample* sample) override;

  // Null detaches the sink. When this returns, no delivery to the previous sink is still
  // running and none will follow.
  void SetSink(IFrameSink* sink);
  IFrameSink* GetSink() const { return m_sink.load(); }

  // The connection's bitmap header and subtype (zeros and GUID_NULL before the first).
  BITMAPINFOHEADER GetVideoHeader();
  GUID GetSubtype();

 private:
  CCritSec m_FormatLock;  // the header and subtype; set while connecting or by a sample
  BITMAPINFOHEADER m_header{};
  GUID m_subtype = GUID_NULL;
  CCritSec m_SinkLock;  // held while a sample is with the sink
  std::atomic<IFrameSink*> m_sink;
};
