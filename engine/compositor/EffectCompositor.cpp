// The compositor's frame pump: construction, the timer tick and the on-demand frame, the
// render order, finished effects, housekeeping, resizing, the host operations and
// destruction. The effect lists and property routing are in EffectLists.cpp.
#include "engine/compositor/EffectCompositor.h"

#include <exception>
#include <new>

#include "engine/api/EngineSink.h"
#include "engine/api/VDEngine.h"
#include "engine/base/EngineClock.h"
#include "engine/base/TextUtils.h"
#include "engine/effects/Effect.h"
#include "engine/effects/PropertyIds.h"
#include "engine/elements/FrameContext.h"
#include "engine/elements/FrameElement.h"
#include "engine/vision/FaceTracker.h"

namespace {

// The timer resolution asked for: the finest the system allows.
constexpr UINT kTimerResolutionMs = 1;

// The path prefix of camera sources.
const std::string kCameraPrefix = "@cam:";

// A GDI object selected into a device context for one scope.
class CSelectObject {
 public:
  CSelectObject(HDC dc, HGDIOBJ object) : m_dc(dc), m_previous(SelectObject(dc, object)) {}
  ~CSelectObject() { SelectObject(m_dc, m_previous); }
  CSelectObject(const CSelectObject&) = delete;
  CSelectObject& operator=(const CSelectObject&) = delete;

 private:
  HDC m_dc;
  HGDIOBJ m_previous;
};

}  // namespace

void CEffectCompositor::EffectRelease::operator()(CEffect* effect) const {
  if (effect) effect->Release();
}

CEffectCompositor::CEffectCompositor(IVDEngineSink* sink)
    : CMediaTimer(kTimerResolutionMs),
      m_output(std::make_unique<CDibSurface>()),
      m_preview(std::make_unique<CDibSurface>()),
      m_channel(sink ? sink->GetCameraName() : std::string()),
      m_sink(sink),
      m_faceTracker(std::make_unique<CFaceTracker>()) {
  m_mutex.Create();
  m_faceTracker->Init();  // without cascades no face is ever found
}

CEffectCompositor::~CEffectCompositor() {
  {
    CMutexLock lock(m_mutex, INFINITE);
    m_running = FALSE;
    // A tick in progress gives up on the lock within 500 ms; the kill waits for it.
    CMediaTimer::Stop();
    m_selected = nullptr;
    m_mainSource.reset();
    m_drawingBoard.reset();
    m_layers.clear();
    m_userEffects.clear();
    m_finished.clear();
    m_faceTracker.reset();
  }
  m_previewWindow.SetWindow(nullptr);
}

// ---------------------------------------------------------------------------------------
// IEffectHost

HRESULT CEffectCompositor::Refresh() {
  // Streaming threads ask after every frame; most of the time the timer composes and the
  // answer needs no lock.
  if (!m_initialised || !m_running || !m_refreshEnabled || m_frameRate != 0) return S_FALSE;
  CMutexLock lock(m_mutex, kFrameLockTimeoutMs);
  if (!lock.IsLocked()) return S_FALSE;
  if (!m_initialised || !m_running || !m_refreshEnabled || m_frameRate != 0 || m_composing)
    return S_FALSE;
  return FrameStep() ? S_OK : S_FALSE;
}

HRESULT CEffectCompositor::SetRefreshEnabled(BOOL enabled) {
  m_refreshEnabled = enabled ? TRUE : FALSE;
  return S_OK;
}

HRESULT CEffectCompositor::PostNotify(int32_t effectId, int32_t propertyId) {
  if (m_sink) {
    m_sink->PostHostMessage(WM_ENGINE_PROPERTY_CHANGED, static_cast<WPARAM>(INT_PTR{effectId}),
                            static_cast<LPARAM>(propertyId));
  }
  return S_OK;
}

HRESULT CEffectCompositor::CopyOutputFrame(CDibSurface* destination) {
  if (!destination) return E_POINTER;
  CMutexLock lock(m_mutex, INFINITE);
  HDC to = destination->GetDC();
  HDC from = m_output->GetDC();
  if (to && from) {
    StretchBlt(to, 0, 0, destination->GetWidth(), destination->GetHeight(), from, 0, 0,
               m_output->GetWidth(), m_output->GetHeight(), SRCCOPY);
    GdiFlush();
  }
  return S_OK;
}

HRESULT CEffectCompositor::Notify(int32_t code, const std::string& text) {
  if (m_sink) m_sink->ReportEvent(code, text);
  return S_OK;
}

int32_t CEffectCompositor::GetOutputWidth() { return m_sink ? m_sink->GetOutputWidth() : 0; }

int32_t CEffectCompositor::GetOutputHeight() { return m_sink ? m_sink->GetOutputHeight() : 0; }

CDibSurface* CEffectCompositor::GetStockImage(int32_t index) {
  return index >= 0 && index < kStockImageCount ? &m_stock[index] : nullptr;
}

std::string CEffectCompositor::GetCameraName() {
  return m_sink ? m_sink->GetCameraName() : std::string();
}

IVDEngineSink* CEffectCompositor::GetSink() { return m_sink; }

// ---------------------------------------------------------------------------------------
// Set-up

RECT CEffectCompositor::FrameRect() const { return RECT{0, 0, m_width, m_height}; }

HRESULT CEffectCompositor::SetOutputSize(int32_t width, int32_t height) {
  if (width <= 0 || height <= 0) return E_INVALIDARG;
  // The new pictures are made before the lock is taken, and the old ones freed after it
  // is released: the frame thread waits only for the exchange.
  auto output = std::make_unique<CDibSurface>();
  auto preview = std::make_unique<CDibSurface>();
  if (!output->Create(width, height, 24) || !preview->Create(width, height, 24))
    return E_OUTOFMEMORY;
  if (HDC dc = output->GetDC()) SetStretchBltMode(dc, HALFTONE);

  CMutexLock lock(m_mutex, INFINITE);
  m_width = width;
  m_height = height;
  m_output.swap(output);
  m_preview.swap(preview);
  m_frameErrorReported = false;
  const RECT frame = FrameRect();
  if (m_mainSource) m_mainSource->SetFrameRect(frame);
  if (m_drawingBoard) m_drawingBoard->SetFrameRect(frame);
  for (const EffectPtr& layer : m_layers) layer->SetFrameRect(frame);
  for (const EffectPtr& effect : m_userEffects) effect->SetFrameRect(frame);

  // A camera opens its device at the output size: make it again, on the same device.
  if (m_mainSource) {
    std::string type, device;
    if (SUCCEEDED(m_mainSource->GetProperty(PROP_SOURCE_TYPE, type)) &&
        ParseInt(type, 0) == ELEMENT_CAMERA) {
      m_mainSource->GetProperty(PROP_CAMERA_DEVICE, device);
      m_mainSource->SetProperty(PROP_SOURCE_TYPE, "0");
      if (device.empty()) {
        m_mainSource->SetProperty(PROP_SOURCE_TYPE, IntToText(ELEMENT_CAMERA));
      } else {
        m_mainSource->GetSourceProxy().OpenPath(StartsWithNoCase(device, kCameraPrefix)
                                                    ? device
                                                    : kCameraPrefix + device);
      }
    }
  }
  return S_OK;
}

void CEffectCompositor::StartTimer() {
  const int32_t rate = m_frameRate;
  m_timerPeriod = rate > 0 ? static_cast<UINT>(1000 / rate) : kIdlePeriodMs;
  CMediaTimer::Start(m_timerPeriod);
}

HRESULT CEffectCompositor::SetFrameRate(int32_t framesPerSecond) {
  CMutexLock lock(m_mutex, INFINITE);
  m_frameRate = LimitToRange(framesPerSecond, 0, kMaxFrameRate);
  if (m_initialised) {
    // The kill waits for a tick in progress, which gives up on the lock within 500 ms.
    CMediaTimer::Stop();
    StartTimer();
  }
  return S_OK;
}

HRESULT CEffectCompositor::LoadStockImages() {
  CMutexLock lock(m_mutex, INFINITE);
  for (int i = 0; i < kStockImageCount; ++i) {
    const std::string path = GetProgramFolder() + "res\\images\\source" + IntToText(i + 1) + ".png";
    m_stock[i].LoadPicture(path.c_str());
  }
  const HRESULT hr = CreateBuiltIns();
  m_initialised = TRUE;
  return hr;
}

HRESULT CEffectCompositor::CreateBuiltIns() {
  const RECT frame = FrameRect();

  EffectPtr main(new (std::nothrow) CEffect());
  if (!main) return E_OUTOFMEMORY;
  main->SetMainSource(TRUE);
  main->SetHost(this);
  main->SetFrameRect(frame);
  main->ApplyPreset(9);  // the whole frame, aspect kept
  main->SetIdAndPlace(MODULE_MAIN_SOURCE);
  m_mainSource = std::move(main);

  EffectPtr board(new (std::nothrow) CEffect());
  if (!board) return E_OUTOFMEMORY;
  board->SetHost(this);
  const HRESULT hr = board->SetProperty(PROP_SOURCE_TYPE, IntToText(ELEMENT_DRAWING_BOARD));
  if (FAILED(hr)) return hr;
  board->SetFrameRect(frame);
  board->SetIdAndPlace(EFFECT_ID_DRAWING_BOARD);
  m_drawingBoard = std::move(board);
  return S_OK;
}

HRESULT CEffectCompositor::Start() {
  CMutexLock lock(m_mutex, INFINITE);
  m_running = TRUE;
  StartTimer();
  return m_mainSource ? m_mainSource->Start() : S_OK;
}

HRESULT CEffectCompositor::EnableEffects(BOOL enable) {
  CMutexLock lock(m_mutex, INFINITE);
  m_effectsOn = enable ? TRUE : FALSE;
  return S_OK;
}

// ---------------------------------------------------------------------------------------
// Frames

void CEffectCompositor::OnTimer(UINT) {
  CMutexLock lock(m_mutex, kFrameLockTimeoutMs);
  if (!lock.IsLocked()) return;  // this tick produces no frame
  if (m_initialised && m_running && m_frameRate != 0 && !m_composing) FrameStep();
}

bool CEffectCompositor::FrameStep() {
  CDibSurface& output = *m_output;
  if (!output.GetBits()) return false;  // no output size yet
  m_composing = true;
  std::string failure;
  try {
    ComposeFrame(output);
  } catch (const std::bad_alloc&) {
    failure = "not enough memory";
  } catch (const std::exception& e) {
    failure = e.what();
  } catch (...) {
    failure = "unknown error";
  }
  m_composing = false;
  if (failure.empty()) {
    ++m_framesComposed;
    return true;
  }
  // Nothing of the frame reached the camera or the preview: they keep the last good one.
  // One report for each output size, not one for every frame that fails the same way.
  if (!m_frameErrorReported) {
    m_frameErrorReported = true;
    Notify(ENGINE_EVENT_FRAME_ERROR, "The frame could not be composed: " + failure);
  }
  return false;
}

void CEffectCompositor::ComposeFrame(CDibSurface& output) {
  output.Clear();
  if (!m_effectsOn) {
    m_channel.SendFrame(output);
    m_previewWindow.Paint(output);
    return;
  }
  RenderFrame();
  GdiFlush();
  m_channel.SendFrame(output);
  m_preview->CopyBits(output.GetBits(), output.GetBitsSize());
  DrawSelection();
  m_previewWindow.Paint(*m_preview);
}

void CEffectCompositor::RenderFrame() {
  if (!m_initialised) return;
  CFrameContext context;
  context.output = m_output.get();
  context.time = GetClockMs();

  // A background effect has the main source cut out its person for that frame.
  bool background = false;
  for (const EffectPtr& effect : m_userEffects) background = background || effect->IsBackground();
  if (m_mainSource) m_mainSource->EnableSegmentation(background ? TRUE : FALSE);

  for (const EffectPtr& effect : m_userEffects) {
    if (!effect->IsExpired() && effect->IsBackground()) effect->Render(&context);
  }
  if (m_mainSource) m_mainSource->Render(&context);
  // Face-attached effects (also expired ones) have the face found in what is drawn so far.
  bool faceNeeded = false;
  for (const EffectPtr& effect : m_userEffects) faceNeeded = faceNeeded || effect->IsFaceAttached();
  if (faceNeeded && m_faceTracker) m_faceTracker->ProcessFrame(&context);
  for (const EffectPtr& effect : m_userEffects) {
    if (!effect->IsExpired() && !effect->IsOnTop() && !effect->IsBackground())
      effect->Render(&context);
  }
  for (const EffectPtr& layer : m_layers) layer->Render(&context);
  if (m_drawingBoard) m_drawingBoard->Render(&context);
  for (const EffectPtr& effect : m_userEffects) {
    if (!effect->IsExpired() && effect->IsOnTop() && !effect->IsBackground())
      effect->Render(&context);
  }
  MoveFinished();
}

void CEffectCompositor::MoveFinished() {
  if (m_editor.IsEditing()) return;
  for (size_t i = m_userEffects.size(); i-- > 0;) {
    if (!m_userEffects[i]->IsExpired()) continue;
    // Room first: an effect taken out of the list must reach the finished list, which
    // keeps it alive until the next housekeeping.
    m_finished.reserve(m_finished.size() + 1);
    m_finished.push_back(TakeUserEffect(i));
    PostEffectsChanged(m_changed);
  }
}

void CEffectCompositor::DrawSelection() {
  if (!m_editor.IsEditing() || !m_selected) return;
  HDC dc = m_preview->GetDC();
  if (!dc) return;
  const RECT rect = m_selected->GetRect();
  HPEN pen = CreatePen(PS_DASHDOT, 2, RGB(0, 0, 0));
  if (!pen) return;
  {
    CSelectObject selectPen(dc, pen);
    CSelectObject selectBrush(dc, GetStockObject(NULL_BRUSH));
    const int previousRop = SetROP2(dc, R2_NOT);
    Rectangle(dc, rect.left, rect.top, rect.right, rect.bottom);
    SetROP2(dc, previousRop);
  }
  DeleteObject(pen);
  GdiFlush();
}

HRESULT CEffectCompositor::Tick() {
  CMutexLock lock(m_mutex, INFINITE);
  m_finished.clear();
  if (m_mainSource) m_mainSource->OnIdle();
  for (const EffectPtr& layer : m_layers) layer->OnIdle();
  if (m_drawingBoard) m_drawingBoard->OnIdle();
  for (const EffectPtr& effect : m_userEffects) effect->OnIdle();
  return S_OK;
}
