#include "engine/effects/Effect.h"

#include <algorithm>

#include "engine/base/ModuleValues.h"
#include "engine/base/SystemUtils.h"
#include "engine/base/TextUtils.h"
#include "engine/effects/EffectHost.h"
#include "engine/effects/PropertyIds.h"
#include "engine/elements/FrameContext.h"
#include "engine/vision/BackgroundSegmenter.h"
#include "image/Raster.h"

namespace {

const char kDefaultName[] = "Unknow";
const char kDefaultCategory[] = "Misc";
const char kDefaultKind[] = "Frame";
const char kDefaultExtra[] = "Unknow";
const char kEmotionKind[] = "Emotion";

// Blend modes outside 0..3 are taken as the plain alpha blend.
int ValidBlendMode(int mode) {
  return mode >= BLEND_ALPHA && mode <= BLEND_ADD ? mode : BLEND_ALPHA;
}

int DrawModeOfBlend(int blendMode) {
  switch (blendMode) {
    case BLEND_LUMA:
      return DRAW_LUMA;
    case BLEND_INVERSE_LUMA:
      return DRAW_INVERSE_LUMA;
    case BLEND_ADD:
      return DRAW_ADD;
    default:
      return DRAW_ALPHA;
  }
}

bool IsEmpty(const RECT& r) { return r.right <= r.left || r.bottom <= r.top; }

// Every pixel of a 24-bit surface in the colour 0x00BBGGRR.
void FillColour(CDibSurface& surface, uint32_t colour) {
  BYTE* bits = surface.GetBits();
  if (!bits || surface.GetBytesPerPixel() != 3) return;
  const BYTE blue = static_cast<BYTE>(colour >> 16);
  const BYTE green = static_cast<BYTE>(colour >> 8);
  const BYTE red = static_cast<BYTE>(colour);
  for (int y = 0; y < surface.GetHeight(); ++y) {
    BYTE* p = bits + size_t(y) * surface.GetStride();
    for (int x = 0; x < surface.GetWidth(); ++x, p += 3) {
      p[0] = blue;
      p[1] = green;
      p[2] = red;
    }
  }
}

// The element's picture between LockFrame and UnlockFrame; the unlock always happens.
class CPictureLock {
 public:
  CPictureLock(CSourceProxy& proxy, CFrameContext* context) : m_proxy(proxy) {
    m_proxy.LockFrame(context, &m_lock);
  }
  ~CPictureLock() { m_proxy.UnlockFrame(); }
  CPictureLock(const CPictureLock&) = delete;
  CPictureLock& operator=(const CPictureLock&) = delete;

  // The picture when it has pixels, else null.
  CDibSurface* Picture() const {
    return m_lock.picture && m_lock.picture->GetBits() ? m_lock.picture : nullptr;
  }
  // The part to draw: the lock's rectangle, or the whole picture when that is empty.
  RECT Source() const {
    return IsEmpty(m_lock.source) && m_lock.picture ? m_lock.picture->GetRect() : m_lock.source;
  }
  // Every pixel of the picture is transparent.
  bool Clear() const { return m_lock.clear; }

 private:
  CSourceProxy& m_proxy;
  CFrameLock m_lock;
};

}  // namespace

CEffect::CEffect()
    : m_name(kDefaultName),
      m_category(kDefaultCategory),
      m_kind(kDefaultKind),
      m_extra(kDefaultExtra),
      m_appVersion(GetHostVersion() & 0xFF00),
      m_layout(this),
      m_lifetime(this),
      m_proxy(this) {}

CEffect::~CEffect() = default;

void CEffect::Release() { delete this; }

// ---------------------------------------------------------------------------------------
// Properties

HRESULT CEffect::GetProperty(int32_t id, std::string& value) {
  HRESULT hr = m_layout.GetProperty(id, value);
  if (SUCCEEDED(hr)) return hr;
  hr = m_lifetime.GetProperty(id, value);
  if (SUCCEEDED(hr)) return hr;
  hr = m_proxy.GetProperty(id, value);
  if (SUCCEEDED(hr)) return hr;
  if (m_segmenter) {
    hr = m_segmenter->GetProperty(id, value);
    if (SUCCEEDED(hr)) return hr;
  }
  return GetOwnProperty(id, value);
}

HRESULT CEffect::SetProperty(int32_t id, const std::string& value) {
  HRESULT hr = m_layout.SetProperty(id, value);
  if (SUCCEEDED(hr)) return hr;
  hr = m_lifetime.SetProperty(id, value);
  if (SUCCEEDED(hr)) return hr;
  hr = m_proxy.SetProperty(id, value);
  if (SUCCEEDED(hr)) return hr;
  if (m_segmenter) {
    hr = m_segmenter->SetProperty(id, value);
    if (SUCCEEDED(hr)) return hr;
  }
  return SetOwnProperty(id, value);
}

HRESULT CEffect::GetOwnProperty(int32_t id, std::string& value) {
  switch (id) {
    case PROP_EFFECT_NAME:
      value = m_name;
      break;
    case PROP_EFFECT_CATEGORY:
      value = m_category;
      break;
    case PROP_EFFECT_EXTRA:
      value = m_extra;
      break;
    case PROP_EFFECT_VERSION:
      value = IntToText(m_version);
      break;
    case PROP_EFFECT_APP_VERSION:
      value = IntToText(m_appVersion);
      break;
    case PROP_EFFECT_KIND:
      value = m_kind;
      break;
    case PROP_EFFECT_SAVE_AS:
    case PROP_EFFECT_MAKE_THUMBNAIL:
      value.clear();
      break;
    case PROP_EFFECT_BLEND_MODE:
      value = IntToText(m_blendMode);
      break;
    case PROP_EFFECT_BACKGROUND:
      value = BoolToText(m_background);
      break;
    case PROP_SEGMENT_ENABLE:
      value = BoolToText(m_segmentation);
      break;
    case PROP_EFFECT_FILE_PATH:
      value = m_filePath;
      break;
    default:
      return E_FAIL;
  }
  return S_OK;
}

HRESULT CEffect::SetOwnProperty(int32_t id, const std::string& value) {
  switch (id) {
    case PROP_EFFECT_NAME:
      m_name = value;
      break;
    case PROP_EFFECT_CATEGORY:
      m_category = value;
      break;
    case PROP_EFFECT_EXTRA:
      m_extra = value;
      break;
    case PROP_EFFECT_VERSION:
      m_version = ParseInt(value, 0);
      break;
    case PROP_EFFECT_APP_VERSION:
      m_appVersion = ParseInt(value, 0);
      break;
    case PROP_EFFECT_KIND:
      m_kind = value;
      break;
    case PROP_EFFECT_SAVE_AS:
      return SaveToFile(value);
    case PROP_EFFECT_BLEND_MODE:
      m_blendMode = ValidBlendMode(ParseInt(value, 0));
      break;
    case PROP_EFFECT_BACKGROUND:
      m_background = ParseBool(value, 0);
      break;
    case PROP_SEGMENT_ENABLE:
      return EnableSegmentation(ParseBool(value, 0));
    case PROP_EFFECT_MAKE_THUMBNAIL:
      return MakeThumbnail(ParseInt(value, 0));
    default:
      return E_FAIL;
  }
  NotifyChange(id);
  return S_OK;
}

HRESULT CEffect::NotifyChange(int32_t id) {
  if (m_host) m_host->PostNotify(m_id, id);
  return S_OK;
}

HRESULT CEffect::RequestRefresh() {
  if (!m_mainSource) return S_FALSE;
  if (m_host) m_host->Refresh();
  return S_OK;
}

HRESULT CEffect::SetRefreshEnabled(BOOL enabled) {
  if (!m_mainSource) return S_FALSE;
  if (m_host) m_host->SetRefreshEnabled(enabled);
  return S_OK;
}

// ---------------------------------------------------------------------------------------
// Identity and simple settings

BOOL CEffect::IsExpired() { return m_lifetime.IsExpired(); }
const std::string& CEffect::GetName() const { return m_name; }
const std::string& CEffect::GetCategory() const { return m_category; }
const std::string& CEffect::GetExtra() const { return m_extra; }
const std::string& CEffect::GetFilePath() const { return m_filePath; }
int CEffect::GetVersion() const { return m_version; }
int CEffect::GetAppVersion() const { return m_appVersion; }
const std::string& CEffect::GetKind() const { return m_kind; }

HRESULT CEffect::SetName(const std::string& name) {
  m_name = name;
  return S_OK;
}

HRESULT CEffect::SetCategory(const std::string& category) {
  m_category = category;
  return S_OK;
}

HRESULT CEffect::SetKind(const std::string& kind) {
  m_kind = kind;
  return S_OK;
}

HRESULT CEffect::OnIdle() { return m_proxy.OnIdle(); }

void CEffect::SetPaused(BOOL paused) { m_lifetime.SetPaused(paused); }

BOOL CEffect::IsPaused() const { return m_lifetime.IsPaused(); }

HRESULT CEffect::Start() {
  if (m_started) return S_OK;
  SetRefreshEnabled(FALSE);
  m_lifetime.Update(true);
  m_started = TRUE;
  const HRESULT hr = m_proxy.Play();
  return FAILED(hr) ? hr : S_OK;
}

HRESULT CEffect::Stop() {
  m_started = FALSE;
  return S_OK;
}

RECT CEffect::GetRect() const { return m_layout.GetPlacementRect(); }

HRESULT CEffect::SetRect(const RECT& rect) {
  m_layout.SetPlacementRect(rect);
  m_layout.Compute(false);
  return S_OK;
}

BOOL CEffect::IsFaceAttached() const { return m_layout.GetFaceAttach() == 1 ? TRUE : FALSE; }

HRESULT CEffect::SetFrameRect(const RECT& rect) {
  m_layout.SetFrameRect(rect);
  m_layout.Compute(true);
  return S_OK;
}

int32_t CEffect::GetId() const { return m_id; }

void CEffect::SetId(int32_t id) { m_id = id; }

HRESULT CEffect::SetIdAndPlace(int32_t id) {
  m_id = id;
  m_layout.Compute(true);
  return S_OK;
}

HRESULT CEffect::SetHost(IEffectHost* host) {
  m_host = host;
  return S_OK;
}

HRESULT CEffect::SetMainSource(BOOL mainSource) {
  m_mainSource = mainSource ? TRUE : FALSE;
  return S_OK;
}

HRESULT CEffect::Reset() {
  m_name = kDefaultName;
  m_category = kDefaultCategory;
  m_kind = kDefaultKind;
  m_extra = kDefaultExtra;
  m_version = kVersion;
  m_appVersion = GetHostVersion() & 0xFF00;
  m_started = FALSE;
  m_background = FALSE;
  m_segmentation = FALSE;
  m_segmenter.reset();
  m_onTop = FALSE;
  m_blendMode = BLEND_ALPHA;
  m_proxy.Close();
  return S_OK;
}

HRESULT CEffect::ApplyPreset(int preset) {
  m_layout.ApplyPreset(preset);
  return S_OK;
}

HRESULT CEffect::SetKeepAspect(BOOL keep) {
  m_layout.SetKeepAspect(keep);
  return S_OK;
}

HRESULT CEffect::MouseInput(UINT message, int32_t x, int32_t y) {
  return m_proxy.MouseInput(message, x, y);
}

HRESULT CEffect::FitToSource() {
  int32_t width = 0, height = 0;
  m_proxy.GetSize(&width, &height);
  m_layout.SetSize(width, height, SIZE_PIXELS, SIZE_PIXELS);
  m_layout.Compute(true);
  return S_OK;
}

BOOL CEffect::IsOnTop() const { return m_onTop; }

void CEffect::SetOnTop(BOOL onTop) { m_onTop = onTop ? TRUE : FALSE; }

HRESULT CEffect::NotifyHost(int32_t code, const std::string& text) {
  return m_host ? m_host->Notify(code, text) : S_OK;
}

void CEffect::GetOutputSize(int32_t* width, int32_t* height) {
  if (width) *width = m_host ? m_host->GetOutputWidth() : 0;
  if (height) *height = m_host ? m_host->GetOutputHeight() : 0;
}

IEffectHost* CEffect::GetHost() const { return m_host; }

BOOL CEffect::HasNoElement() const { return m_proxy.GetTypeCode() == 0 ? TRUE : FALSE; }

BOOL CEffect::IsBackground() const { return m_background; }

HRESULT CEffect::EnableSegmentation(BOOL enable) {
  enable = enable ? TRUE : FALSE;
  if (enable == m_segmentation) return S_FALSE;
  if (enable) {
    if (!m_segmenter) m_segmenter = std::make_unique<CBackgroundSegmenter>(this);
    NotifyChange(PROP_SEGMENT_READY);
  } else {
    m_segmenter.reset();
  }
  m_segmentation = enable;
  NotifyChange(PROP_SEGMENT_ENABLE);
  return S_OK;
}

CSourceProxy& CEffect::GetSourceProxy() { return m_proxy; }

int CEffect::GetTransitionLevel() const {
  const int elapsed = m_lifetime.GetElapsed();
  if (elapsed >= kTransitionMs) return 0;
  return 256 - (elapsed * 256) / kTransitionMs;
}

// ---------------------------------------------------------------------------------------
// Drawing

void CEffect::PlaceForFrame(int32_t sourceWidth, int32_t sourceHeight) {
  m_layout.SetSourceSize(sourceWidth, sourceHeight);
  if (!m_lifetime.IsPaused()) {
    m_layout.SetElapsed(m_lifetime.GetElapsed());
    m_layout.Compute(false);
  }
}

HRESULT CEffect::Render(CFrameContext* context) {
  if (!context || !context->output) return E_POINTER;
  CDibSurface& output = *context->output;

  m_lifetime.Update(false);
  m_proxy.SetFrameSize(output.GetWidth(), output.GetHeight());

  if (m_proxy.IsFilter()) {
    int32_t width = 0, height = 0;
    m_proxy.GetSize(&width, &height);
    PlaceForFrame(width, height);
    m_proxy.Render(context, m_layout.GetDrawnRect());
    return S_OK;
  }

  if (m_mainSource && !m_proxy.GetElement()) {
    // The main source without a source shows the host's placeholder picture.
    if (m_host) {
      int32_t width = 0, height = 0;
      m_proxy.GetSize(&width, &height);
      PlaceForFrame(width, height);
      CDibSurface* stock = m_host->GetStockImage(2);
      if (stock && stock->GetBits()) {
        stock->BlendScaledMode(output, m_layout.GetDrawnRect(), stock->GetRect(), DRAW_ALPHA);
      }
    }
    return S_OK;
  }

  CPictureLock lock(m_proxy, context);
  CDibSurface* picture = lock.Picture();
  if (!picture) return S_FALSE;
  PlaceForFrame(picture->GetWidth(), picture->GetHeight());

  // The entrance transition over the first two seconds.
  BYTE alpha = 255;
  int brightness = 0;
  const int* brightnessOffset = nullptr;
  const int level = GetTransitionLevel();
  if (level != 0) {
    switch (m_lifetime.GetTransition()) {
      case TRANSITION_BRIGHTEN:
        brightness = level;
        brightnessOffset = &brightness;
        break;
      case TRANSITION_DARKEN:
        brightness = -level;
        brightnessOffset = &brightness;
        break;
      case TRANSITION_FADE_IN:
        alpha = static_cast<BYTE>(std::clamp(255 - level, 0, 255));
        break;
      default:
        break;
    }
  }

  const RECT source = lock.Source();
  int mode = DrawModeOfBlend(m_blendMode);
  if (IsFaceAttached()) {
    const int scale = m_layout.GetFaceScaleStored();
    if (context->faceFound && scale > 0) {
      // Sits on the face: sized by the eye distance, turned with the head.
      RotationParams params;
      params.dest = &output;
      params.center_x = context->faceX;
      params.center_y = context->faceY;
      params.scale =
          context->faceSize * 400.0 / (double(scale) * double(int64_t{source.right} - source.left));
      params.angle = context->faceAngle + 180.0;
      params.source = source;
      params.alpha = alpha;
      params.brightness = brightnessOffset;
      picture->DrawRotated(params);
      return S_OK;
    }
    if (!context->faceFound && !m_layout.GetShowWithoutFace()) return S_OK;
    mode = DRAW_ALPHA;
  }

  // With segmentation, the person cut out of the picture.
  const cv::Mat* mask = nullptr;
  if (m_segmentation && m_segmenter && SUCCEEDED(m_segmenter->Segment(*picture)) &&
      m_segmenter->IsReady())
    mask = m_segmenter->GetMask();
  // A wholly transparent picture blended by its alpha changes nothing.
  if (lock.Clear() && mode != DRAW_LUMA && mode != DRAW_INVERSE_LUMA && mode != DRAW_ADD) {
    return S_OK;
  }
  picture->Draw(output, m_layout.GetDrawnRect(), source, mode, mask, alpha, brightnessOffset);
  return S_OK;
}

HRESULT CEffect::MakeThumbnail(int32_t colour) {
  m_thumbnailBytes.clear();
  if (!m_thumbnail.Create(kThumbnailWidth, kThumbnailHeight, 24)) return E_OUTOFMEMORY;
  if (HDC dc = m_thumbnail.GetDC()) SetStretchBltMode(dc, HALFTONE);
  m_thumbnail.FillWhite();

  if (colour == -1) {
    if (m_host) m_host->CopyOutputFrame(&m_thumbnail);
  } else {
    FillColour(m_thumbnail, static_cast<uint32_t>(colour) & 0xFFFFFF);
    CPictureLock lock(m_proxy, nullptr);
    if (CDibSurface* picture = lock.Picture()) {
      const RECT whole = picture->GetRect();
      const RECT box = m_thumbnail.GetRect();
      const RECT target = IsFaceAttached() ? CoverRect(whole, box) : FitRect(whole, box);
      picture->BlendScaledMode(m_thumbnail, target, whole, DRAW_ALPHA);
    } else {
      // No picture of its own: the engine's effect picture, in its own size at the corner.
      CDibSurface placeholder;
      const std::string path = GetProgramFolder() + "res\\effect.png";
      if (SUCCEEDED(placeholder.LoadPicture(path.c_str()))) {
        const RECT whole = placeholder.GetRect();
        placeholder.Blend(m_thumbnail, whole, whole);
      }
    }
  }

  // The effect file keeps the thumbnail as PNG.
  uint8_t* encoded = nullptr;
  uint32_t size = 0;
  if (SUCCEEDED(m_thumbnail.EncodePicture(&encoded, &size, IMAGE_FORMAT_PNG))) {
    m_thumbnailBytes.assign(encoded, encoded + size);
    CDibSurface::FreeEncoded(encoded);
  }
  return S_OK;
}

HRESULT CEffect::PaintPreview(HDC dc, int x, int y, int cx, int cy) {
  CPictureLock lock(m_proxy, nullptr);
  CDibSurface* picture = lock.Picture();
  HDC pictureDc = picture ? picture->GetDC() : nullptr;
  if (pictureDc) {
    StretchBlt(dc, x, y, cx, cy, pictureDc, 0, 0, picture->GetWidth(), picture->GetHeight(),
               SRCCOPY);
  } else {
    const RECT rect = MakeRect(x, y, cx, cy);
    FillRect(dc, &rect, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
  }
  return S_OK;
}

// ---------------------------------------------------------------------------------------
// Files

HRESULT CEffect::Save(CPackageFile& package) {
  package.SetText(PROP_EFFECT_NAME, m_name);
  package.SetText(PROP_EFFECT_CATEGORY, m_category);
  package.SetText(PROP_EFFECT_KIND, m_kind);
  package.SetText(PROP_EFFECT_EXTRA, m_extra);
  package.SetInt(PROP_EFFECT_VERSION, kVersion);
  package.SetInt(PROP_EFFECT_APP_VERSION, GetHostVersion() & 0xFF00);
  package.SetBytes(PROP_EFFECT_THUMBNAIL, m_thumbnailBytes.data(), m_thumbnailBytes.size());
  package.SetInt(PROP_EFFECT_BLEND_MODE, m_blendMode);
  package.SetInt(PROP_LEGACY_KIND, 18);  // the element type follows in PROP_SOURCE_TYPE
  package.SetBool(PROP_EFFECT_BACKGROUND, m_background);
  const HRESULT layout = m_layout.Save(package);
  const HRESULT lifetime = m_lifetime.Save(package);
  const HRESULT source = m_proxy.Save(&package);
  if (FAILED(layout)) return layout;
  if (FAILED(lifetime)) return lifetime;
  return FAILED(source) ? source : S_OK;
}

HRESULT CEffect::Load(CPackageFile& package) {
  Reset();
  m_name = package.GetText(PROP_EFFECT_NAME, m_name);
  m_category = package.GetText(PROP_EFFECT_CATEGORY, m_category);
  m_kind = package.GetText(PROP_EFFECT_KIND, m_kind);
  m_extra = package.GetText(PROP_EFFECT_EXTRA, m_extra);
  m_version = package.GetInt(PROP_EFFECT_VERSION, 0);
  m_appVersion = package.GetInt(PROP_EFFECT_APP_VERSION, m_appVersion);
  m_background = package.GetInt(PROP_EFFECT_BACKGROUND, m_background) != 0 ? TRUE : FALSE;
  package.GetBytes(PROP_EFFECT_THUMBNAIL, m_thumbnailBytes);
  m_blendMode = ValidBlendMode(package.GetInt(PROP_EFFECT_BLEND_MODE, m_blendMode));

  HRESULT hr = m_layout.Load(package);
  if (SUCCEEDED(hr)) hr = m_lifetime.Load(package);
  if (SUCCEEDED(hr)) hr = m_proxy.Load(&package);
  if (FAILED(hr)) return hr;

  int32_t width = 0, height = 0;
  m_proxy.GetSize(&width, &height);
  m_layout.SetSourceSize(width, height);
  m_layout.Compute(true);
  if (m_version <= kOldVersionLimit) {
    m_layout.UpgradeOldSize();
    // An old face effect without a mode of its own ends after its duration.
    if (EqualsNoCase(m_kind, kEmotionKind)) m_lifetime.SetDefaultMode(LIFETIME_TIMED);
  }
  if (m_proxy.GetTypeCode() == ELEMENT_TEXT) m_layout.ApplyPreset(11);
  return S_OK;
}

HRESULT CEffect::SaveToFile(const std::string& path) {
  CPackageFile package(kEffectFileTag, 0);
  HRESULT hr = Save(package);
  if (FAILED(hr)) return hr;
  hr = package.Save(path);
  if (SUCCEEDED(hr)) m_filePath = GetLongPath(path);
  return hr;
}

HRESULT CEffect::OpenFile(const std::string& path) {
  if (EqualsNoCase(ExtensionOfPath(path), "efc")) {
    CPackageFile package(kEffectFileTag);
    HRESULT hr = package.Open(path);
    if (SUCCEEDED(hr)) hr = Load(package);
    if (SUCCEEDED(hr)) m_filePath = GetLongPath(path);
    return FAILED(hr) ? hr : S_OK;
  }

  Reset();
  const HRESULT hr = m_proxy.OpenPath(path);
  if (FAILED(hr)) return hr;
  int32_t width = 0, height = 0;
  m_proxy.GetSize(&width, &height);
  m_layout.SetSourceSize(width, height);
  FitToSource();
  m_filePath = GetLongPath(path);
  if (m_proxy.GetTypeCode() == ELEMENT_TEXT) m_layout.ApplyPreset(11);
  return S_OK;
}

HRESULT CEffect::LoadElementFromFile(const std::string& path) {
  CPackageFile package(kEffectFileTag);
  HRESULT hr = package.Open(path);
  if (FAILED(hr)) return hr;
  hr = m_proxy.Load(&package);
  int32_t width = 0, height = 0;
  m_proxy.GetSize(&width, &height);
  m_layout.SetSourceSize(width, height);
  m_layout.Compute(true);
  m_started = FALSE;
  return FAILED(hr) ? hr : S_OK;
}
