#include "engine/elements/ImageSource.h"

#include <algorithm>

#include "engine/base/EngineClock.h"
#include "engine/base/PackageFile.h"
#include "engine/base/SortedStringArray.h"
#include "engine/base/TextUtils.h"
#include "engine/effects/Effect.h"
#include "engine/effects/PropertyIds.h"
#include "image/Raster.h"

namespace {

// The delay of a frame that the stored delays leave out.
constexpr uint32_t kDefaultDelay = 300;

// Encodes a surface as PNG into `bytes`; false (and `bytes` unchanged) when that fails.
bool EncodePng(const CDibSurface& surface, std::vector<uint8_t>& bytes) {
  uint8_t* buffer = nullptr;
  uint32_t size = 0;
  if (FAILED(surface.EncodePicture(&buffer, &size, IMAGE_FORMAT_PNG)) || !buffer) return false;
  bytes.assign(buffer, buffer + size);
  CDibSurface::FreeEncoded(buffer);
  return true;
}

}  // namespace

CImageSource::CImageSource() : m_strip(std::make_unique<CFrameStrip>()) { FramesChanged(); }

CImageSource::~CImageSource() = default;

int32_t CImageSource::FrameHeight() const {
  const int count = m_strip->GetFrameCount();
  return count > 0 ? m_strip->GetHeight() / count : 0;
}

void CImageSource::FramesChanged() {
  const std::vector<uint32_t>& delays = m_strip->GetDelays();
  const size_t count = std::min(size_t(std::max(0, m_strip->GetFrameCount())), delays.size());
  m_totalTime = 0;
  for (size_t i = 0; i < count; ++i) m_totalTime += delays[i];
  SelectFrame();
}

void CImageSource::SelectFrame() {
  const std::vector<uint32_t>& delays = m_strip->GetDelays();
  const int count = std::min(m_strip->GetFrameCount(), static_cast<int>(delays.size()));
  if (count <= 0) {
    m_currentFrame = -1;
    return;
  }
  int64_t t = m_elapsed;
  if (m_flags != 0 && m_totalTime != 0) t %= m_totalTime;
  for (int i = 0; i < count; ++i) {
    t -= delays[size_t(i)];
    if (t <= 0) {
      m_currentFrame = i;
      return;
    }
  }
  m_currentFrame = count - 1;
}

void CImageSource::StepFrame() {
  UpdateClock();
  if (m_state == STATE_PLAYING) SelectFrame();
}

HRESULT CImageSource::GetProperty(int32_t id, std::string& value) {
  switch (id) {
    case PROP_IMAGE_FRAME_COUNT:
      value = IntToText(m_strip->GetFrameCount());
      return S_OK;
    case PROP_IMAGE_FRAME_DELAYS:
      value = m_strip->GetDelaysText();
      return S_OK;
    case PROP_IMAGE_LOADED:
      value = FormatSize(static_cast<int64_t>(m_pictureBytes.size()));
      return S_OK;
    case PROP_IMAGE_LOAD:
      value = "1";
      return S_OK;
    default:
      return E_FAIL;
  }
}

HRESULT CImageSource::SetProperty(int32_t id, const std::string& value) {
  switch (id) {
    case PROP_IMAGE_FRAME_COUNT:
      m_strip->SetFrameCount(LimitToRange(ParseInt(value, 0), 1, kMaxFrameCountProperty));
      FramesChanged();
      NotifyChange(PROP_IMAGE_FRAME_COUNT);
      return S_OK;
    case PROP_IMAGE_FRAME_DELAYS:
      m_strip->SetDelaysText(value);
      FramesChanged();
      NotifyChange(PROP_IMAGE_FRAME_DELAYS);
      return S_OK;
    case PROP_IMAGE_LOADED:
      return S_OK;
    case PROP_IMAGE_LOAD:
      LoadByText(value);
      return S_OK;
    default:
      return E_FAIL;
  }
}

void CImageSource::LoadByText(const std::string& value) {
  CSortedStringArray pieces;
  if (pieces.Split(value, '|', '"', false) != 3) return;

  // The file as one tall picture, kept as PNG; a picture that cannot be read or encoded
  // leaves the previous one.
  auto strip = std::make_unique<CFrameStrip>();
  std::vector<uint8_t> bytes;
  if (SUCCEEDED(strip->LoadFrames(pieces[2].c_str(), -1, nullptr, 1)) && EncodePng(*strip, bytes)) {
    m_strip = std::move(strip);
    m_pictureBytes.swap(bytes);
  }

  // Cutting it into bands makes a strip of frames drawn one below the other an animation.
  const int count = ParseInt(pieces[0], 0);
  m_strip->SetFrameCount(count <= 0 ? 0 : std::min(count, kMaxFrameCount));
  m_strip->SetDelaysText(pieces[1]);
  FramesChanged();
  if (m_owner) m_owner->FitToSource();
  NotifyChange(PROP_IMAGE_LOAD);
  NotifyChange(PROP_IMAGE_FRAME_DELAYS);
  NotifyChange(PROP_IMAGE_LOADED);
}

HRESULT CImageSource::Load(CPackageFile* package) {
  if (!package) return E_POINTER;
  const int32_t count = package->GetInt(PROP_IMAGE_FRAME_COUNT, 0);
  if (count <= 0 || count > kMaxFrameCount) return E_FAIL;
  std::vector<uint8_t> bytes;
  if (package->GetBytes(PROP_MEDIA_DATA, bytes) == 0) return E_FAIL;

  // Four bytes per frame; frames the item leaves out get the default delay.
  std::vector<uint8_t> delayBytes;
  package->GetBytes(PROP_IMAGE_FRAME_DELAYS, delayBytes);
  std::vector<uint32_t> delays(size_t(count), kDefaultDelay);
  for (size_t i = 0; i < delays.size() && 4 * i + 4 <= delayBytes.size(); ++i) {
    const uint8_t* p = &delayBytes[4 * i];
    delays[i] = uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
  }

  auto strip = std::make_unique<CFrameStrip>();
  const HRESULT loaded =
      strip->LoadFrames(bytes.data(), static_cast<int64_t>(bytes.size()), delays.data(), count);
  if (FAILED(loaded)) return loaded;
  m_strip = std::move(strip);
  m_pictureBytes.swap(bytes);
  m_sourceText.clear();
  FramesChanged();
  return S_OK;
}

HRESULT CImageSource::Open(const std::string& path) {
  auto strip = std::make_unique<CFrameStrip>();
  const HRESULT loaded = strip->LoadFrames(path.c_str(), -1, nullptr, 0);
  if (FAILED(loaded)) return loaded;
  if (strip->GetFrameCount() == 1) strip->SetDelaysText(std::to_string(kStillDelay));
  m_strip = std::move(strip);
  m_pictureBytes.clear();
  m_sourceText = path;
  FramesChanged();
  return S_OK;
}

HRESULT CImageSource::Save(CPackageFile* package) {
  if (!package) return E_POINTER;
  const int32_t count = m_strip->GetFrameCount();
  if (count == 0) return E_FAIL;

  // A picture opened from a file has no encoded form yet: it is stored as PNG, so that the
  // effect file holds the picture it shows.
  std::vector<uint8_t> encoded;
  const std::vector<uint8_t>* bytes = &m_pictureBytes;
  if (m_pictureBytes.empty() && m_strip->GetBits()) {
    if (!EncodePng(*m_strip, encoded)) return E_FAIL;
    bytes = &encoded;
  }

  std::vector<uint8_t> delayBytes;
  const std::vector<uint32_t>& delays = m_strip->GetDelays();
  delayBytes.reserve(delays.size() * 4);
  for (uint32_t delay : delays) {
    for (int shift = 0; shift < 32; shift += 8) delayBytes.push_back(uint8_t(delay >> shift));
  }
  package->SetInt(PROP_IMAGE_FRAME_COUNT, count);
  package->SetBytes(PROP_IMAGE_FRAME_DELAYS, delayBytes.data(), delayBytes.size());
  package->SetBytes(PROP_MEDIA_DATA, bytes->data(), bytes->size());
  return S_OK;
}

HRESULT CImageSource::LockFrame(CFrameContext*, CFrameLock* lock) {
  StepFrame();
  if (m_currentFrame < 0) return E_FAIL;
  // Bands less than a row high show nothing (more frames than the picture has rows).
  if (!m_strip->GetBits() || FrameHeight() <= 0) return E_FAIL;
  if (lock) {
    lock->picture = m_strip.get();
    lock->source = m_strip->GetFrameRect(m_currentFrame);
  }
  return S_OK;
}

HRESULT CImageSource::UnlockFrame() { return S_OK; }

HRESULT CImageSource::Render(CFrameContext*, const RECT&) { return E_FAIL; }

BOOL CImageSource::IsFilter() { return FALSE; }

HRESULT CImageSource::GetSize(int32_t* width, int32_t* height) {
  if (width) *width = m_strip->GetWidth();
  if (height) *height = FrameHeight();
  return S_OK;
}

HRESULT CImageSource::SetPosition(int32_t milliseconds) {
  StepFrame();
  m_elapsed = milliseconds;
  SelectFrame();
  return S_OK;
}

HRESULT CImageSource::Play() {
  if (m_owner) m_owner->SetRefreshEnabled(FALSE);
  StepFrame();
  if (m_state == STATE_PLAYING) return S_FALSE;
  m_lastClock = GetClockMs();
  m_state = STATE_PLAYING;
  return S_OK;
}

HRESULT CImageSource::Pause() {
  StepFrame();
  // A finished animation can be paused too.
  if (m_state != STATE_PLAYING && m_state != STATE_FINISHED) return S_FALSE;
  m_state = STATE_PAUSED;
  return S_OK;
}

HRESULT CImageSource::Stop() {
  StepFrame();
  if (m_state == STATE_STOPPED) return S_FALSE;
  m_state = STATE_STOPPED;
  return S_OK;
}
