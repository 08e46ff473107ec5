#include "engine/elements/FlashSource.h"

#include <new>

#include "engine/base/DibSurface.h"
#include "engine/base/EngineClock.h"
#include "engine/base/PackageFile.h"
#include "engine/base/SystemUtils.h"
#include "engine/base/TextUtils.h"
#include "engine/effects/Effect.h"
#include "engine/effects/PropertyIds.h"
#include "engine/flash/FlashHost.h"

namespace {

// Players are made without a listener, in the transparent window mode, so that what the
// movie leaves empty shows what lies below it.
constexpr BOOL kTransparentMovies = TRUE;

}  // namespace

CFlashSource::CFlashSource() = default;

CFlashSource::~CFlashSource() { ClosePlayer(); }

void CFlashSource::ClosePlayer() {
  if (m_player) {
    m_player->Close();
    m_player.reset();
  }
  if (!m_tempPath.empty()) DeleteFileA(m_tempPath.c_str());
  m_tempPath.clear();
}

HRESULT CFlashSource::StartMovie(const std::vector<uint8_t>& bytes) {
  if (bytes.empty()) return E_FAIL;
  const std::string temp = NewTempFile();
  if (temp.empty()) return E_FAIL;
  HRESULT hr = WriteFileBytes(temp, bytes.data(), bytes.size());
  if (FAILED(hr)) {
    DeleteFileA(temp.c_str());
    return hr;
  }
  std::unique_ptr<CFlashPlayer> player(new (std::nothrow) CFlashPlayer());
  if (!player) {
    DeleteFileA(temp.c_str());
    return E_OUTOFMEMORY;
  }
  hr = player->CreateFromFile(temp, kTransparentMovies, nullptr);
  if (FAILED(hr)) {
    player.reset();
    DeleteFileA(temp.c_str());
    return hr;
  }
  ClosePlayer();
  m_player = std::move(player);
  m_tempPath = temp;
  return S_OK;
}

HRESULT CFlashSource::LoadMovieFile(const std::string& path) {
  const uint64_t size = GetFileSize64(path);
  if (size == 0 || size > kMaxMovieSize) return E_FAIL;
  std::vector<uint8_t> bytes(static_cast<size_t>(size));
  size_t read = 0;
  if (FAILED(ReadFileBytes(path, bytes.data(), bytes.size(), &read)) || read != bytes.size())
    return E_FAIL;
  if (FAILED(StartMovie(bytes))) return E_FAIL;
  m_movie.swap(bytes);
  return S_OK;
}

HRESULT CFlashSource::GetProperty(int32_t id, std::string& value) {
  switch (id) {
    case PROP_FLASH_IGNORED:
      value = FormatSize(static_cast<int64_t>(m_movie.size()));
      return S_OK;
    case PROP_FLASH_PATH:
      value = "1";
      return S_OK;
    default:
      return E_FAIL;
  }
}

HRESULT CFlashSource::SetProperty(int32_t id, const std::string& value) {
  switch (id) {
    case PROP_FLASH_IGNORED:
      return S_OK;
    case PROP_FLASH_PATH:
      LoadMovieFile(value);
      NotifyChange(PROP_FLASH_PATH);
      return S_OK;
    default:
      return E_FAIL;
  }
}

HRESULT CFlashSource::Open(const std::string& path) {
  if (FAILED(LoadMovieFile(path))) return E_FAIL;
  m_sourceText = path;
  return S_OK;
}

HRESULT CFlashSource::Load(CPackageFile* package) {
  if (!package) return E_POINTER;
  std::vector<uint8_t> bytes;
  if (package->GetBytes(PROP_MEDIA_DATA, bytes) == 0) return Open(package->GetPath());
  if (FAILED(StartMovie(bytes))) return E_FAIL;
  m_movie.swap(bytes);
  m_sourceText.clear();
  return S_OK;
}

HRESULT CFlashSource::Save(CPackageFile* package) {
  if (!package) return E_POINTER;
  if (m_movie.empty()) return E_FAIL;
  package->SetBytes(PROP_MEDIA_DATA, m_movie.data(), m_movie.size());
  return S_OK;
}

HRESULT CFlashSource::LockFrame(CFrameContext*, CFrameLock* lock) {
  m_pictureLocked = false;
  if (!m_player) return S_OK;
  CDibSurface* picture = m_player->LockPicture();
  if (!picture) return S_OK;
  m_pictureLocked = true;
  if (lock && picture->GetBits()) lock->picture = picture;
  return S_OK;
}

HRESULT CFlashSource::UnlockFrame() {
  if (m_pictureLocked && m_player) m_player->UnlockPicture();
  m_pictureLocked = false;
  return S_OK;
}

HRESULT CFlashSource::Render(CFrameContext*, const RECT&) { return E_FAIL; }

BOOL CFlashSource::IsFilter() { return FALSE; }

HRESULT CFlashSource::GetSize(int32_t* width, int32_t* height) {
  int32_t w = 0, h = 0;
  if (m_player) {
    if (CDibSurface* picture = m_player->LockPicture()) {
      if (picture->GetBitmap()) {
        w = picture->GetWidth();
        h = picture->GetHeight();
      }
      m_player->UnlockPicture();
    }
  }
  if (width) *width = w;
  if (height) *height = h;
  return S_OK;
}

HRESULT CFlashSource::Play() {
  if (m_owner) m_owner->SetRefreshEnabled(FALSE);
  if (m_state == STATE_PLAYING) return S_FALSE;
  m_lastClock = GetClockMs();
  m_state = STATE_PLAYING;
  return S_OK;
}

HRESULT CFlashSource::Pause() {
  if (m_state != STATE_PLAYING) return S_FALSE;
  m_state = STATE_PAUSED;
  return S_OK;
}

HRESULT CFlashSource::Stop() {
  if (m_state == STATE_STOPPED) return S_FALSE;
  m_state = STATE_STOPPED;
  return S_OK;
}
