#include "engine/graphs/FrameRenderer.h"

#include <cstddef>
#include <cstdint>

const CLSID CLSID_FrameRenderer = {
    0xcf2e04a2, 0xbc41, 0x49f1, {0x9e, 0xb7, 0xf9, 0x1e, 0xef, 0x7f, 0xcc, 0xb4}};

namespace {

// Bytes of pixel data the header describes: rows padded to 4 bytes, top-down or bottom-up.
// 0 for a header that describes no picture.
uint64_t ImageBytes(const BITMAPINFOHEADER& header) {
  if (header.biWidth <= 0 || header.biHeight == 0 || header.biBitCount == 0) return 0;
  const uint64_t stride = (static_cast<uint64_t>(header.biWidth) * header.biBitCount + 31) / 32 * 4;
  const int64_t height = header.biHeight;
  return stride * static_cast<uint64_t>(height < 0 ? -height : height);
}

}  // namespace

CFrameRenderer::CFrameRenderer(IUnknown* outer, HRESULT* phr, IFrameSink* sink)
    : CBaseRenderer(CLSID_FrameRenderer, nullptr, outer, phr), m_sink(sink) {}

CFrameRenderer::~CFrameRenderer() = default;

HRESULT CFrameRenderer::CheckMediaType(const CMediaType* mt) {
  if (!mt) return E_POINTER;
  if (!IsEqualGUID(mt->majortype, MEDIATYPE_Video) ||
      !IsEqualGUID(mt->formattype, FORMAT_VideoInfo))
    return E_INVALIDARG;
  if (!IsEqualGUID(mt->subtype, MEDIASUBTYPE_RGB24) &&
      !IsEqualGUID(mt->subtype, MEDIASUBTYPE_RGB32))
    return E_INVALIDARG;
  return S_OK;
}

HRESULT CFrameRenderer::SetMediaType(const CMediaType* mt) {
  if (!mt) return E_POINTER;
  HRESULT hr = CheckMediaType(mt);
  if (FAILED(hr)) return hr;
  if (!mt->pbFormat || mt->cbFormat < sizeof(VIDEOINFOHEADER)) return E_UNEXPECTED;
  const auto* info = reinterpret_cast<const VIDEOINFOHEADER*>(mt->pbFormat);
  CAutoLock lock(&m_FormatLock);
  m_subtype = mt->subtype;
  m_header = info->bmiHeader;
  return S_OK;
}

HRESULT CFrameRenderer::DoRenderSample(IMediaSample* sample) {
  if (!sample) return E_POINTER;
  BYTE* bits = nullptr;
  if (FAILED(sample->GetPointer(&bits)) || !bits) return S_OK;
  const long bufferSize = sample->GetSize();
  BITMAPINFOHEADER header;
  GUID subtype;
  {
    CAutoLock lock(&m_FormatLock);
    header = m_header;
    subtype = m_subtype;
  }
  // The sink reads as many bytes as the header describes; a shorter buffer is not passed on.
  const uint64_t needed = ImageBytes(header);
  if (needed == 0 || bufferSize < 0 || needed > static_cast<uint64_t>(bufferSize)) return S_OK;
  CAutoLock lock(&m_SinkLock);
  if (IFrameSink* sink = m_sink.load()) sink->OnFrame(&header, bits, subtype);
  return S_OK;
}

void CFrameRenderer::SetSink(IFrameSink* sink) {
  CAutoLock lock(&m_SinkLock);
  m_sink.store(sink);
}

BITMAPINFOHEADER CFrameRenderer::GetVideoHeader() {
  CAutoLock lock(&m_FormatLock);
  return m_header;
}

GUID CFrameRenderer::GetSubtype() {
  CAutoLock lock(&m_FormatLock);
  return m_subtype;
}
