#include "engine/elements/VideoSource.h"

#include <dshow.h>

#include <new>

#include "engine/base/PackageFile.h"
#include "engine/base/TextUtils.h"
#include "engine/effects/Effect.h"
#include "engine/effects/PropertyIds.h"
#include "engine/graphs/FilePlayerGraph.h"

namespace {

// The bitmap header GDI is given for a sample: the sample's own header reduced to what
// plain 24- or 32-bit RGB needs, so that GDI reads neither a longer header nor a colour
// table nor masks that the sample does not carry. False when the header does not describe
// the subtype's pixels (another depth, compressed data), and for every other subtype.
bool SampleBitmapInfo(const BITMAPINFOHEADER& sample, const GUID& subtype, BITMAPINFO* info) {
  WORD bits = 0;
  if (IsEqualGUID(subtype, MEDIASUBTYPE_RGB24)) {
    bits = 24;
  } else if (IsEqualGUID(subtype, MEDIASUBTYPE_RGB32)) {
    bits = 32;
  } else {
    return false;
  }
  if (sample.biBitCount != bits) return false;
  // 32-bit samples may name their (standard) masks; the layout is the same.
  if (sample.biCompression != BI_RGB && !(bits == 32 && sample.biCompression == BI_BITFIELDS))
    return false;
  *info = BITMAPINFO{};
  BITMAPINFOHEADER& header = info->bmiHeader;
  header.biSize = sizeof(BITMAPINFOHEADER);
  header.biWidth = sample.biWidth;
  header.biHeight = sample.biHeight;  // negative: rows top-down; GDI draws both upright
  header.biPlanes = 1;
  header.biBitCount = bits;
  header.biCompression = BI_RGB;
  return true;
}

}  // namespace

CVideoSource::CVideoSource() { m_frameMutex.Create(); }

CVideoSource::~CVideoSource() { DestroyGraph(); }

std::unique_ptr<CFilePlayerGraph> CVideoSource::MakeGraph() {
  return std::unique_ptr<CFilePlayerGraph>(new (std::nothrow) CFilePlayerGraph(this));
}

HRESULT CVideoSource::GetProperty(int32_t, std::string&) { return E_FAIL; }

HRESULT CVideoSource::SetProperty(int32_t, const std::string&) { return E_FAIL; }

HRESULT CVideoSource::Open(const std::string& path) {
  m_sourceText = path;
  OpenGraph();
  return S_OK;
}

HRESULT CVideoSource::Load(CPackageFile* package) {
  if (!package) return E_POINTER;
  m_sourceText = package->GetText(PROP_VIDEO_PATH, std::string());
  OpenGraph();
  return S_OK;
}

HRESULT CVideoSource::Save(CPackageFile* package) {
  if (!package) return E_POINTER;
  package->SetText(PROP_VIDEO_PATH, m_sourceText);
  return S_OK;
}

void CVideoSource::DestroyGraph() {
  if (!m_graph) return;
  // Stopping detaches this element from the renderer and waits for a delivery in progress,
  // which may need the frame mutex: it is not held here.
  m_graph->Stop();
  std::unique_ptr<CFilePlayerGraph> old;
  {
    CMutexLock lock(m_frameMutex, INFINITE);
    old = std::move(m_graph);
    SyncStateLocked();
  }
}

void CVideoSource::OpenGraph() {
  DestroyGraph();
  std::unique_ptr<CFilePlayerGraph> graph = MakeGraph();
  // A graph that could not be built stays: it shows nothing, and Play runs what was built.
  if (graph && SUCCEEDED(graph->OpenFile(m_sourceText))) graph->SetVolume(m_mute ? 0 : m_volume);
  CMutexLock lock(m_frameMutex, INFINITE);
  m_graph = std::move(graph);
  SyncStateLocked();
}

void CVideoSource::SyncStateLocked() {
  if (!m_graph) {
    m_state = STATE_STOPPED;
    return;
  }
  m_graph->IsComplete();  // turns the graph's state to complete once the stream ended
  m_state = m_graph->GetState();
}

void CVideoSource::SyncState() {
  CMutexLock lock(m_frameMutex, INFINITE);
  SyncStateLocked();
}

HRESULT CVideoSource::Play() {
  if (m_graph) m_graph->Run();
  SyncState();
  return S_OK;
}

HRESULT CVideoSource::Pause() {
  if (m_graph) m_graph->Pause();
  SyncState();
  return S_OK;
}

HRESULT CVideoSource::Stop() {
  if (m_graph) m_graph->Stop();
  SyncState();
  return S_OK;
}

int32_t CVideoSource::GetState() {
  CMutexLock lock(m_frameMutex, INFINITE);
  return m_state;
}

BOOL CVideoSource::IsFinished() { return GetState() == STATE_FINISHED ? TRUE : FALSE; }

HRESULT CVideoSource::GetTime(int32_t* position, int32_t* duration) {
  int32_t graphPosition = 0, graphDuration = 0;
  if (m_graph) m_graph->GetPosition(&graphPosition, &graphDuration);
  SyncState();
  if (position) *position = graphPosition;
  if (duration) *duration = graphDuration;
  return S_OK;
}

HRESULT CVideoSource::SetPosition(int32_t milliseconds) {
  const HRESULT hr = m_graph ? m_graph->SetPosition(milliseconds) : S_OK;
  SyncState();
  return FAILED(hr) ? hr : S_OK;
}

HRESULT CVideoSource::SetVolume(int32_t volume) {
  CFrameElement::SetVolume(volume);
  if (m_graph) m_graph->SetVolume(volume);
  return S_OK;
}

HRESULT CVideoSource::SetMute(BOOL mute) {
  m_mute = mute;
  if (m_graph) m_graph->SetVolume(mute ? 0 : m_volume);
  return S_OK;
}

std::string CVideoSource::GetSourcePath() { return m_sourceText; }

HRESULT CVideoSource::LockFrame(CFrameContext*, CFrameLock* lock) {
  m_frameMutex.Wait(INFINITE);  // UnlockFrame always follows and releases it
  SyncStateLocked();
  if (lock) {
    lock->picture = &m_picture;
    lock->source = RECT{0, 0, 0, 0};
  }
  return S_OK;
}

HRESULT CVideoSource::UnlockFrame() {
  m_frameMutex.Release();
  return S_OK;
}

HRESULT CVideoSource::Render(CFrameContext*, const RECT&) { return E_FAIL; }

BOOL CVideoSource::IsFilter() { return FALSE; }

HRESULT CVideoSource::GetSize(int32_t* width, int32_t* height) {
  CMutexLock lock(m_frameMutex, INFINITE);
  if (width) *width = m_picture.GetWidth();
  if (height) *height = m_picture.GetHeight();
  return S_OK;
}

HRESULT CVideoSource::OnFrame(const BITMAPINFOHEADER* header, const BYTE* bits,
                              const GUID& subtype) {
  CEffect* owner = GetOwner();
  if (!owner) return S_OK;
  // The output size is asked before the picture is taken, so that nothing outside the
  // element runs while this thread holds the frame mutex.
  int32_t outputWidth = 0, outputHeight = 0;
  owner->GetOutputSize(&outputWidth, &outputHeight);
  if (outputWidth <= 0 || outputHeight <= 0) return S_OK;
  {
    // On time-out the frame is dropped; the owner is still asked to refresh.
    CMutexLock lock(m_frameMutex, kFrameWaitMs);
    if (lock.IsLocked() && header && bits)
      DrawSampleLocked(*header, bits, subtype, outputWidth, outputHeight);
  }
  owner->RequestRefresh();
  return S_OK;
}

void CVideoSource::DrawSampleLocked(const BITMAPINFOHEADER& header, const BYTE* bits,
                                    const GUID& subtype, int32_t outputWidth,
                                    int32_t outputHeight) {
  const int64_t width = header.biWidth;
  const int64_t height = header.biHeight < 0 ? -int64_t{header.biHeight} : header.biHeight;
  if (width <= 0 || height <= 0 || height > INT32_MAX) return;

  // The picture keeps the video's proportions and covers the output in both directions.
  const SIZE cover =
      CoverSize(static_cast<int>(width), static_cast<int>(height), outputWidth, outputHeight);
  if (!m_picture.GetBits() || m_picture.GetBitsPerPixel() != 24 ||
      m_picture.GetWidth() != cover.cx || m_picture.GetHeight() != cover.cy) {
    // A cover size no surface can have (a sliver of a video) leaves no picture.
    if (!m_picture.Create(cover.cx, cover.cy, 24)) {
      m_picture.Free();
      return;
    }
  }

  BITMAPINFO info;
  if (!SampleBitmapInfo(header, subtype, &info)) return;
  HDC dc = m_picture.GetDC();
  if (!dc) return;
  // GDI takes the rows as the header lays them out: padded to 4 bytes, either direction.
  SetStretchBltMode(dc, HALFTONE);
  SetBrushOrgEx(dc, 0, 0, nullptr);
  StretchDIBits(dc, 0, 0, cover.cx, cover.cy, 0, 0, static_cast<int>(width),
                static_cast<int>(height), bits, &info, DIB_RGB_COLORS, SRCCOPY);
  GdiFlush();  // the compositor reads the pixels directly
}
