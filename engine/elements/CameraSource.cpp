#include "engine/elements/CameraSource.h"

#include <dshow.h>

#include <cstring>
#include <new>

#include "engine/base/EngineClock.h"
#include "engine/base/ModuleValues.h"
#include "engine/base/PackageFile.h"
#include "engine/base/TextUtils.h"
#include "engine/device/CaptureDevices.h"
#include "engine/effects/Effect.h"
#include "engine/effects/EffectHost.h"
#include "engine/effects/PropertyIds.h"
#include "engine/elements/CameraView.h"
#include "engine/graphs/CameraGraph.h"

namespace {

constexpr char kCameraPrefix[] = "@cam:";

// Bytes per pixel of a sample that is plain 24- or 32-bit RGB as its subtype says; 0 for
// anything else.
int SampleBytesPerPixel(const BITMAPINFOHEADER& header, const GUID& subtype) {
  if (IsEqualGUID(subtype, MEDIASUBTYPE_RGB24))
    return header.biBitCount == 24 && header.biCompression == BI_RGB ? 3 : 0;
  if (IsEqualGUID(subtype, MEDIASUBTYPE_RGB32))
    return header.biBitCount == 32 &&
                   (header.biCompression == BI_RGB || header.biCompression == BI_BITFIELDS)
               ? 4
               : 0;
  return 0;
}

}  // namespace

CCameraSource::CCameraSource(const std::string& engineCameraName)
    : m_engineCameraName(engineCameraName) {
  m_frameMutex.Create();
}

CCameraSource::~CCameraSource() {
  UpdateClock();
  if (m_state != STATE_STOPPED) {
    m_state = STATE_STOPPED;
    if (m_owner) m_owner->SetRefreshEnabled(FALSE);
  }
  DestroyGraph();
}

std::unique_ptr<CCameraGraph> CCameraSource::MakeGraph() {
  return std::unique_ptr<CCameraGraph>(new (std::nothrow) CCameraGraph(this));
}

void CCameraSource::DestroyGraph() {
  if (!m_graph) return;
  // Stopping detaches this element from the renderer and waits for a delivery in progress,
  // which may need the frame mutex: it is not held here.
  m_graph->Stop();
  std::unique_ptr<CCameraGraph> old;
  CMutexLock lock(m_frameMutex, INFINITE);
  old = std::move(m_graph);
}

HRESULT CCameraSource::OpenCamera() {
  m_state = STATE_STOPPED;
  // A frame that asks for a refresh while the old graph stops need not wait for it.
  if (m_owner) m_owner->SetRefreshEnabled(FALSE);
  DestroyGraph();

  std::string name = m_deviceName;
  if (StartsWithNoCase(name, kCameraPrefix)) name.erase(0, sizeof(kCameraPrefix) - 1);
  if (name.empty()) {
    const CCaptureDeviceList devices = EnumVideoInputDevices(m_engineCameraName);
    if (devices.GetCount() == 0) {
      // Nothing to open and nothing wrong: no picture.
      CMutexLock lock(m_frameMutex, INFINITE);
      m_failed = FALSE;
      return S_OK;
    }
    m_deviceName = name = devices.displayNames[size_t(GetDefaultVideoDevice(devices))];
  }

  std::unique_ptr<CCameraGraph> graph = MakeGraph();
  const HRESULT hr = graph ? graph->OpenDevice(name) : E_OUTOFMEMORY;
  if (FAILED(hr)) {
    // A graph that could not run keeps no device.
    if (graph) graph->Stop();
    graph.reset();
    {
      CMutexLock lock(m_frameMutex, INFINITE);
      m_failed = TRUE;
    }
    if (m_owner) {
      if (!m_deviceName.empty()) m_owner->NotifyHost(kCameraFailedEvent, m_deviceName);
      m_owner->SetRefreshEnabled(FALSE);
    }
    return hr;
  }
  {
    CMutexLock lock(m_frameMutex, INFINITE);
    m_graph = std::move(graph);
    m_failed = FALSE;
  }
  m_lastClock = GetClockMs();
  m_state = STATE_PLAYING;
  if (m_owner) m_owner->SetRefreshEnabled(TRUE);
  return S_OK;
}

HRESULT CCameraSource::GetProperty(int32_t id, std::string& value) {
  switch (id) {
    case PROP_CAMERA_DEVICE:
      value = m_deviceName;
      return S_OK;
    case PROP_CAMERA_ZOOM:
      value = IntToText(m_zoom);
      return S_OK;
    case PROP_CAMERA_PAN_X:
      value = IntToText(m_panX);
      return S_OK;
    case PROP_CAMERA_PAN_Y:
      value = IntToText(m_panY);
      return S_OK;
    default:
      return E_FAIL;
  }
}

HRESULT CCameraSource::SetProperty(int32_t id, const std::string& value) {
  switch (id) {
    case PROP_CAMERA_DEVICE:
      m_deviceName = value;
      OpenCamera();
      NotifyChange(PROP_CAMERA_DEVICE);
      return S_OK;
    case PROP_CAMERA_SHOW_SETTINGS:
      return m_graph ? m_graph->ShowPropertyPages() : E_FAIL;
    case PROP_CAMERA_ZOOM:
    case PROP_CAMERA_PAN_X:
    case PROP_CAMERA_PAN_Y: {
      CMutexLock lock(m_frameMutex, INFINITE);
      if (id == PROP_CAMERA_ZOOM)
        m_zoom = LimitToRange(ParseInt(value, m_zoom), kCameraZoomMin, kCameraZoomMax);
      else if (id == PROP_CAMERA_PAN_X)
        m_panX = LimitToRange(ParseInt(value, m_panX), -kCameraPanLimit, kCameraPanLimit);
      else
        m_panY = LimitToRange(ParseInt(value, m_panY), -kCameraPanLimit, kCameraPanLimit);
      break;
    }
    case PROP_CAMERA_RESET_VIEW: {
      {
        CMutexLock lock(m_frameMutex, INFINITE);
        m_zoom = 100;
        m_panX = m_panY = 0;
      }
      NotifyChange(PROP_CAMERA_ZOOM);
      NotifyChange(PROP_CAMERA_PAN_X);
      NotifyChange(PROP_CAMERA_PAN_Y);
      return S_OK;
    }
    default:
      return E_FAIL;
  }
  NotifyChange(id);
  return S_OK;
}

HRESULT CCameraSource::AnnounceProperties() {
  for (int32_t id : {PROP_CAMERA_DEVICE, PROP_CAMERA_ZOOM, PROP_CAMERA_PAN_X, PROP_CAMERA_PAN_Y})
    NotifyChange(id);
  return S_OK;
}

HRESULT CCameraSource::Open(const std::string& path) {
  m_deviceName = path;
  OpenCamera();
  m_sourceText = path;
  return S_OK;
}

HRESULT CCameraSource::Load(CPackageFile* package) {
  if (!package) return E_POINTER;
  m_deviceName = package->GetText(PROP_CAMERA_DEVICE, std::string());
  OpenCamera();
  m_sourceText.clear();
  return S_OK;
}

HRESULT CCameraSource::Save(CPackageFile* package) {
  if (!package) return E_POINTER;
  package->SetText(PROP_CAMERA_DEVICE, m_deviceName);
  return S_OK;
}

HRESULT CCameraSource::Play() {
  if (m_failed) return E_FAIL;
  UpdateClock();
  // An empty name picks the default device; a stopped graph delivers no more frames, so a
  // stopped camera opens its device again.
  if (m_deviceName.empty() || (m_graph && m_state == STATE_STOPPED)) {
    OpenCamera();
    if (m_failed) return E_FAIL;
  }
  if (!m_graph) return S_OK;
  if (m_state == STATE_PLAYING) {
    // The camera delivers: whoever turned refresh off meanwhile (an effect that starts
    // does) must not keep its frames from being composed.
    if (m_owner) m_owner->SetRefreshEnabled(TRUE);
    return S_OK;
  }
  m_lastClock = GetClockMs();
  m_state = STATE_PLAYING;
  if (m_owner) m_owner->SetRefreshEnabled(TRUE);
  return m_graph->Run();
}

HRESULT CCameraSource::Pause() {
  UpdateClock();
  if (m_graph && m_state == STATE_PLAYING) {
    m_state = STATE_PAUSED;
    if (m_owner) m_owner->SetRefreshEnabled(FALSE);
    m_graph->Pause();
  }
  return S_OK;
}

HRESULT CCameraSource::Stop() {
  UpdateClock();
  if (m_state == STATE_STOPPED) return S_FALSE;
  m_state = STATE_STOPPED;
  if (m_owner) m_owner->SetRefreshEnabled(FALSE);
  if (m_graph) m_graph->Stop();
  return S_OK;
}

HRESULT CCameraSource::LockFrame(CFrameContext*, CFrameLock* lock) {
  m_frameMutex.Wait(INFINITE);  // UnlockFrame always follows and releases it
  if (m_failed) {
    IEffectHost* host = m_owner ? m_owner->GetHost() : nullptr;
    if (!host) return E_FAIL;
    if (lock) {
      lock->picture = host->GetStockImage(1);
      lock->source = RECT{0, 0, 0, 0};
    }
    return S_OK;
  }
  if (lock) {
    lock->picture = &m_picture;
    lock->source = m_zoom != 100 && m_picture.GetBits()
                       ? CameraViewRect(m_picture.GetWidth(), m_picture.GetHeight(), m_zoom,
                                        m_panX, m_panY)
                       : RECT{0, 0, 0, 0};
  }
  return S_OK;
}

HRESULT CCameraSource::UnlockFrame() {
  m_frameMutex.Release();
  return S_OK;
}

HRESULT CCameraSource::Render(CFrameContext*, const RECT&) { return E_FAIL; }

BOOL CCameraSource::IsFilter() { return FALSE; }

HRESULT CCameraSource::GetSize(int32_t* width, int32_t* height) {
  int32_t w = 0, h = 0;
  if (m_graph) {
    w = m_graph->GetRequestedWidth();
    h = m_graph->GetRequestedHeight();
  } else {
    CMutexLock lock(m_frameMutex, INFINITE);
    if (m_failed) {
      const SIZE output = GetModuleOutputSize();
      w = output.cx;
      h = output.cy;
    } else {
      w = m_picture.GetWidth();
      h = m_picture.GetHeight();
    }
  }
  if (width) *width = w;
  if (height) *height = h;
  return S_OK;
}

HRESULT CCameraSource::OnFrame(const BITMAPINFOHEADER* header, const BYTE* bits,
                               const GUID& subtype) {
  {
    // On time-out the frame is dropped; the owner is still asked to refresh.
    CMutexLock lock(m_frameMutex, kFrameWaitMs);
    if (lock.IsLocked() && header && bits) CopySampleLocked(*header, bits, subtype);
  }
  if (CEffect* owner = GetOwner()) owner->RequestRefresh();
  return S_OK;
}

void CCameraSource::CopySampleLocked(const BITMAPINFOHEADER& header, const BYTE* bits,
                                     const GUID& subtype) {
  const int bytesPerPixel = SampleBytesPerPixel(header, subtype);
  if (bytesPerPixel == 0) return;
  const int64_t width = header.biWidth;
  const bool topDown = header.biHeight < 0;
  const int64_t height = topDown ? -int64_t{header.biHeight} : header.biHeight;
  if (width <= 0 || height <= 0 || width > CDibSurface::kMaxSide || height > CDibSurface::kMaxSide)
    return;
  if (!m_picture.GetBits() || m_picture.GetBitsPerPixel() != 24 || m_picture.GetWidth() != width ||
      m_picture.GetHeight() != height) {
    if (!m_picture.Create(static_cast<int>(width), static_cast<int>(height), 24)) {
      m_picture.Free();
      return;
    }
  }
  // The renderer passes only samples that hold every row the header describes: rows of
  // width x depth bytes padded to 4, the first one the top row when the height is negative.
  const size_t sourceStride = (size_t(width) * size_t(bytesPerPixel) + 3) & ~size_t(3);
  const size_t destStride = static_cast<size_t>(m_picture.GetStride());
  BYTE* dest = m_picture.GetBits();
  for (int64_t row = 0; row < height; ++row) {  // storage rows of the picture, bottom-up
    const BYTE* from = bits + size_t(topDown ? height - 1 - row : row) * sourceStride;
    BYTE* to = dest + size_t(row) * destStride;
    if (bytesPerPixel == 3) {
      memcpy(to, from, size_t(width) * 3);
    } else {
      for (int64_t x = 0; x < width; ++x, from += 4, to += 3) {
        to[0] = from[0];
        to[1] = from[1];
        to[2] = from[2];
      }
    }
  }
}
