#include "engine/elements/PlaylistSource.h"

#include <windows.h>

#include <algorithm>
#include <functional>
#include <vector>

#include "engine/base/PackageFile.h"
#include "engine/base/TextUtils.h"
#include "engine/effects/Effect.h"
#include "engine/effects/EffectHost.h"
#include "engine/effects/PropertyIds.h"

namespace {

constexpr char kSeparator = '|';
constexpr char kQuote = '"';

// "-12", "0", "7": an optional minus and digits, nothing else.
bool IsIntegerText(const std::string& text) {
  size_t pos = !text.empty() && text[0] == '-' ? 1 : 0;
  if (pos == text.size()) return false;
  for (; pos < text.size(); ++pos) {
    if (text[pos] < '0' || text[pos] > '9') return false;
  }
  return true;
}

bool FileExists(const std::string& path) {
  return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

bool IsEmptyRect(const RECT& r) { return r.right <= r.left || r.bottom <= r.top; }

// The pieces of a list value, unescaped.
CSortedStringArray SplitList(const std::string& value) {
  CSortedStringArray pieces;
  pieces.Split(value, kSeparator, kQuote, false);
  return pieces;
}

}  // namespace

bool IsEscapedListItem(const std::string& text) {
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == ',') return false;
    if (text[i] == '&') {
      if (i + 1 == text.size() || (text[i + 1] != 'A' && text[i + 1] != 'C')) return false;
      ++i;
    }
  }
  return true;
}

std::string DecodeAddedPath(const std::string& piece) {
  if (!IsEscapedListItem(piece)) return piece;
  std::string decoded = UnescapeListItem(piece);
  if (decoded == piece) return piece;
  if (!IsUrl(piece) && FileExists(piece) && !FileExists(decoded)) return piece;
  return decoded;
}

bool IsMissingLocalFile(const std::string& path) {
  if (path.empty() || IsUrl(path)) return false;
  return !FileExists(path);
}

CPlaylistSource::CPlaylistSource() { m_state = STATE_EMPTY; }

CPlaylistSource::~CPlaylistSource() = default;

// ---------------------------------------------------------------------------------------
// State and notifications

void CPlaylistSource::SyncState() { m_state = m_itemProxy.GetState(); }

void CPlaylistSource::NotifyPlayerState() {
  for (int32_t id : {PROP_PLAYER_POSITION, PROP_PLAYLIST_INDEX, PROP_PLAYER_PLAY, PROP_PLAYER_PAUSE,
                     PROP_PLAYLIST_PREVIOUS, PROP_PLAYLIST_NEXT, PROP_PLAYER_STOP,
                     PROP_PLAYLIST_LOOP, PROP_PLAYLIST_LOOP_ONE, PROP_PLAYLIST_LOOP_ALL}) {
    NotifyChange(id);
  }
}

HRESULT CPlaylistSource::AnnounceProperties() {
  for (int32_t id :
       {PROP_PLAYLIST_ITEMS, PROP_PLAYLIST_INDEX, PROP_PLAYLIST_ADD, PROP_PLAYLIST_REMOVE,
        PROP_PLAYLIST_MOVE, PROP_PLAYER_STOP, PROP_PLAYLIST_LOOP, PROP_PLAYLIST_LOOP_ONE,
        PROP_PLAYLIST_LOOP_ALL, PROP_PLAYER_PLAY, PROP_PLAYER_PAUSE, PROP_PLAYLIST_PREVIOUS,
        PROP_PLAYLIST_NEXT, PROP_PLAYER_MUTE, PROP_PLAYER_VOLUME, PROP_PLAYLIST_IMAGE_SECONDS,
        PROP_PLAYLIST_STORED_FLAG, PROP_PLAYLIST_STORED_TEXT, PROP_PLAYER_POSITION}) {
    NotifyChange(id);
  }
  return S_OK;
}

// ---------------------------------------------------------------------------------------
// Properties

HRESULT CPlaylistSource::GetProperty(int32_t id, std::string& value) {
  switch (id) {
    case PROP_PLAYLIST_LOOP:
      value = IntToText(m_loopMode);
      break;
    case PROP_PLAYLIST_ITEMS: {
      CSortedStringArray list;
      list.Add(IntToText(GetIndex()));
      for (int i = 0; i < m_items.GetSize(); ++i) list.Add(m_items[i]);
      value = list.JoinWithTexts("|", nullptr, true);
      break;
    }
    case PROP_PLAYLIST_INDEX:
      value = IntToText(GetIndex());
      break;
    case PROP_PLAYER_PLAY:
      SyncState();
      value = m_state == STATE_PLAYING ? "0" : "1";
      break;
    case PROP_PLAYER_PAUSE:
      SyncState();
      value = m_state == STATE_PLAYING ? "1" : "0";
      break;
    case PROP_PLAYLIST_PREVIOUS:
    case PROP_PLAYLIST_NEXT:
      SyncState();
      value = "1";
      break;
    case PROP_PLAYER_MUTE:
      value = BoolToText(m_mute);
      break;
    case PROP_PLAYER_VOLUME:
      value = IntToText(m_volume);
      break;
    case PROP_PLAYLIST_IMAGE_SECONDS:
      value = IntToText(m_pictureTime / 1000);
      break;
    case PROP_PLAYLIST_STORED_FLAG:
      value = BoolToText(m_storedFlag);
      break;
    case PROP_PLAYLIST_STORED_TEXT:
      value = m_storedText;
      break;
    case PROP_PLAYLIST_LOOP_ONE:
      value = BoolToText(m_loopMode != PLAYLIST_LOOP_ONE);
      break;
    case PROP_PLAYLIST_LOOP_ALL:
      value = BoolToText(m_loopMode != PLAYLIST_LOOP_ALL);
      break;
    case PROP_PLAYER_STOP:
      SyncState();
      value = BoolToText(m_state == STATE_PLAYING || m_state == STATE_PAUSED);
      break;
    case PROP_PLAYER_POSITION: {
      SyncState();
      int32_t position = 0, duration = 0;
      if (m_state == STATE_PLAYING || m_state == STATE_PAUSED) {
        m_itemProxy.GetTime(&position, &duration);
      }
      value = IntToText(position) + "|" + IntToText(duration);
      break;
    }
    default:
      return E_FAIL;
  }
  return S_OK;
}

HRESULT CPlaylistSource::SetProperty(int32_t id, const std::string& value) {
  switch (id) {
    case PROP_PLAYLIST_LOOP:
      m_loopMode = ParseInt(value, 0);
      NotifyPlayerState();
      break;
    case PROP_PLAYLIST_ITEMS:
      ReplaceItems(value, true);
      NotifyChange(PROP_PLAYLIST_ITEMS);
      break;
    case PROP_PLAYLIST_INDEX:
      Jump(ParseInt(value, 0));
      NotifyPlayerState();
      break;
    case PROP_PLAYLIST_ADD:
      AddItems(value);
      NotifyPlayerState();
      NotifyChange(PROP_PLAYLIST_ITEMS);
      break;
    case PROP_PLAYLIST_MOVE:
      MoveItems(value);
      NotifyPlayerState();
      NotifyChange(PROP_PLAYLIST_ITEMS);
      break;
    case PROP_PLAYLIST_REMOVE:
      RemoveItems(value);
      NotifyChange(PROP_PLAYLIST_ITEMS);
      break;
    case PROP_PLAYER_PLAY:
      PlayCommand();
      NotifyPlayerState();
      break;
    case PROP_PLAYER_PAUSE:
      Pause();
      NotifyPlayerState();
      break;
    case PROP_PLAYLIST_PREVIOUS:
      StepAndContinue(-1);
      break;
    case PROP_PLAYLIST_NEXT:
      StepAndContinue(1);
      break;
    case PROP_PLAYER_MUTE:
      SetMute(ParseInt(value, 0) != 0 ? TRUE : FALSE);
      NotifyChange(PROP_PLAYER_MUTE);
      break;
    case PROP_PLAYER_VOLUME:
      SetVolume(ParseInt(value, 0));
      NotifyChange(PROP_PLAYER_MUTE);
      NotifyChange(PROP_PLAYER_VOLUME);
      break;
    case PROP_PLAYLIST_IMAGE_SECONDS:
      SetPictureSeconds(value);
      break;
    case PROP_PLAYLIST_STORED_FLAG:
      m_storedFlag = ParseInt(value, 0) != 0 ? TRUE : FALSE;
      break;
    case PROP_PLAYLIST_STORED_TEXT:
      m_storedText = value;
      break;
    case PROP_PLAYLIST_LOOP_ONE:
      m_loopMode = PLAYLIST_LOOP_ONE;
      NotifyPlayerState();
      break;
    case PROP_PLAYLIST_LOOP_ALL:
      m_loopMode = PLAYLIST_LOOP_ALL;
      NotifyPlayerState();
      break;
    case PROP_PLAYER_STOP:
      Stop();
      NotifyPlayerState();
      break;
    case PROP_PLAYER_POSITION:
      m_itemProxy.SetPosition(ParseInt(value, 0));
      break;
    default:
      return E_FAIL;
  }
  return S_OK;
}

void CPlaylistSource::SetPictureSeconds(const std::string& value) {
  const int32_t seconds = LimitToRange(ParseInt(value, 0), kMinPictureSeconds, kMaxPictureSeconds);
  m_pictureTime = seconds * 1000;
  if (m_itemProxy.GetTypeCode() == ELEMENT_IMAGE) m_itemProxy.SetDuration(m_pictureTime);
}

// ---------------------------------------------------------------------------------------
// The list

std::string CPlaylistSource::CurrentPath() const {
  return m_index >= 0 && m_index < m_items.GetSize() ? m_items[m_index] : std::string();
}

std::string CPlaylistSource::ItemsText() const { return m_items.JoinWithTexts("|", nullptr, true); }

void CPlaylistSource::ReplaceItems(const std::string& listText, bool leadingIndex) {
  const CSortedStringArray pieces = SplitList(listText);
  // The list text read from the items property starts with the index: it is not an item.
  int first = 0;
  if (leadingIndex && pieces.GetSize() > 0 && IsIntegerText(pieces[0])) first = 1;
  m_items.RemoveAll();
  for (int i = first; i < pieces.GetSize(); ++i) {
    if (!pieces[i].empty()) m_items.Add(pieces[i]);
  }
  m_index = 0;
  m_hasIndex = TRUE;
}

void CPlaylistSource::AddItems(const std::string& value) {
  // Split the value as it came: escaping first makes the split's unescaping give every
  // piece back unchanged. Each piece is then decoded by itself.
  const CSortedStringArray pieces = SplitList(EscapeListItem(value));
  for (int i = 0; i < pieces.GetSize(); ++i) {
    if (!pieces[i].empty()) m_items.Add(DecodeAddedPath(pieces[i]));
  }
}

void CPlaylistSource::RemoveItems(const std::string& value) {
  m_failedInRow = 0;
  const std::string before = CurrentPath();
  const CSortedStringArray pieces = SplitList(value);
  std::vector<int32_t> indices;
  bool removeAll = false;
  for (int i = 0; i < pieces.GetSize(); ++i) {
    const int32_t index = ParseInt(pieces[i], -1);  // not a number counts as -1
    if (index == -1) {
      removeAll = true;
      break;
    }
    if (index >= 0 && index < m_items.GetSize()) indices.push_back(index);
  }
  if (removeAll) {
    m_items.RemoveAll();
    m_hasIndex = FALSE;
    m_index = 0;
  } else {
    std::sort(indices.begin(), indices.end(), std::greater<int32_t>());
    for (int32_t index : indices) {
      // A repeated index removes the item that moved into its place, while there is one.
      if (index >= m_items.GetSize()) continue;
      m_items.RemoveAt(index);
      if (index < m_index) --m_index;
    }
  }
  if (CurrentPath() != before) ContinueAfterMove();
  if (CurrentPath().empty()) {
    Stop();
    NotifyPlayerState();
  }
}

void CPlaylistSource::MoveItems(const std::string& value) {
  const CSortedStringArray pieces = SplitList(value);
  const int32_t delta = pieces.GetSize() > 0 ? ParseInt(pieces[0], 0) : 0;
  if (delta == 0) return;
  const int32_t count = m_items.GetSize();
  std::vector<int32_t> indices;
  for (int i = 1; i < pieces.GetSize(); ++i) {
    const int32_t index = ParseInt(pieces[i], -1);
    if (index >= 0 && index < count) indices.push_back(index);
  }
  // Moving up starts with the smallest index, moving down with the largest, so the first
  // item whose target is outside the list stops the move before anything moved.
  if (delta < 0) {
    std::sort(indices.begin(), indices.end());
  } else {
    std::sort(indices.begin(), indices.end(), std::greater<int32_t>());
  }
  for (int32_t from : indices) {
    const int64_t target64 = int64_t{from} + delta;
    if (target64 < 0 || target64 >= count) break;
    const int32_t to = static_cast<int32_t>(target64);
    const std::string item = m_items[from];
    m_items.RemoveAt(from);
    m_items.InsertAt(to, item);
    if (from == m_index) {
      m_index = to;
    } else if (delta < 0 && from > m_index && to <= m_index) {
      ++m_index;
    } else if (delta > 0 && from < m_index && to >= m_index) {
      --m_index;
    }
  }
}

// ---------------------------------------------------------------------------------------
// Opening and playing items

bool CPlaylistSource::OpenCurrentItem() {
  // The item that finished or failed is replaced: nothing is left to move on from.
  m_advancePending = false;
  m_skipPending = false;
  m_openFailed = false;
  const std::string path = CurrentPath();
  m_itemProxy.Close();
  if (!path.empty()) {
    // The item being opened is the current one, also right after the list was emptied and
    // filled again.
    m_hasIndex = TRUE;
    // A local file that is not there is reported like any path that cannot be opened,
    // instead of an element that would stay stopped without a word.
    const bool opened = !IsMissingLocalFile(path) && SUCCEEDED(m_itemProxy.OpenPath(path));
    if (opened) {
      m_failedInRow = 0;
    } else {
      m_itemProxy.Close();
      m_openFailed = true;
      if (m_owner) m_owner->NotifyHost(kMediaFailedEvent, path);
    }
  }
  m_itemProxy.SetVolume(m_volume);
  m_itemProxy.SetMute(m_mute);
  if (m_itemProxy.GetTypeCode() == ELEMENT_IMAGE) m_itemProxy.SetDuration(m_pictureTime);
  if (m_state == STATE_PAUSED) m_itemProxy.Pause();
  return !m_openFailed;
}

void CPlaylistSource::PlayItem() {
  if (!m_itemProxy.GetElement()) {
    m_state = STATE_STOPPED;
    if (m_openFailed) ScheduleSkip();
    return;
  }
  m_itemProxy.Play();
  SyncState();
}

void CPlaylistSource::ScheduleSkip() {
  const int32_t count = m_items.GetSize();
  if (count == 0) return;
  ++m_failedInRow;
  if (m_failedInRow >= count) {
    // Every item failed once in a row: going round again would only fail again.
    m_failedInRow = 0;
    m_skipPending = false;
    return;
  }
  m_skipPending = true;
}

void CPlaylistSource::Jump(int32_t index) {
  m_failedInRow = 0;
  m_index = index >= 0 && index < m_items.GetSize() ? index : 0;
  m_hasIndex = TRUE;
  OpenCurrentItem();
  PlayItem();
}

void CPlaylistSource::Step(int32_t delta) {
  const int64_t count = m_items.GetSize();
  int64_t index = 0;
  if (count > 0) {
    index = int64_t{m_index} + delta;
    if (index < 0) {
      index += count;
    } else if (index >= count) {
      index %= count;
    }
    if (index < 0 || index >= count) index = 0;
  }
  m_index = static_cast<int32_t>(index);
  m_hasIndex = TRUE;
}

void CPlaylistSource::StepAndContinue(int32_t delta) {
  m_failedInRow = 0;
  Step(delta);
  ContinueAfterMove();
}

void CPlaylistSource::ContinueAfterMove() {
  SyncState();
  // A finished item and a failed item waiting to be skipped belong to a playing list.
  const bool wasPlaying = m_state == STATE_PLAYING || m_state == STATE_FINISHED || m_skipPending;
  OpenCurrentItem();
  if (wasPlaying) PlayItem();
  NotifyPlayerState();
}

void CPlaylistSource::PlayCommand() {
  m_failedInRow = 0;
  SyncState();
  switch (m_state) {
    case STATE_STOPPED:
    case STATE_EMPTY:
      OpenCurrentItem();
      PlayItem();
      break;
    case STATE_PAUSED:
    case STATE_FINISHED:
      m_itemProxy.Play();
      SyncState();
      break;
    default:
      break;
  }
}

void CPlaylistSource::Advance() {
  m_itemProxy.Close();
  switch (m_loopMode) {
    case PLAYLIST_LOOP_NONE:
      if (m_index + 1 == m_items.GetSize()) {
        // The end of the list: the last picture stays.
        NotifyPlayerState();
        return;
      }
      Step(1);
      break;
    case PLAYLIST_LOOP_ONE:
      Step(0);
      break;
    case PLAYLIST_LOOP_ALL:
      Step(1);
      break;
    default:
      break;
  }
  OpenCurrentItem();
  PlayItem();
  NotifyPlayerState();
}

void CPlaylistSource::SkipFailedItem() {
  m_itemProxy.Close();
  // An item that cannot be opened cannot repeat either: every mode but "play once" goes
  // round to the first item after the last.
  if (m_loopMode == PLAYLIST_LOOP_NONE && m_index + 1 >= m_items.GetSize()) {
    m_failedInRow = 0;
    NotifyPlayerState();
    return;
  }
  Step(1);
  OpenCurrentItem();
  PlayItem();
  NotifyPlayerState();
}

// ---------------------------------------------------------------------------------------
// Element operations

HRESULT CPlaylistSource::SetOwner(CEffect* owner) {
  m_owner = owner;
  m_itemProxy.SetOwner(owner);
  return S_OK;
}

HRESULT CPlaylistSource::Open(const std::string&) { return S_OK; }

HRESULT CPlaylistSource::Load(CPackageFile* package) {
  if (!package) return E_POINTER;
  ReplaceItems(package->GetText(PROP_PLAYLIST_SAVED_ITEMS, std::string()), false);
  m_loopMode = package->GetInt(PROP_PLAYLIST_LOOP, m_loopMode);
  // The picture time keeps to the range the property allows.
  m_pictureTime = LimitToRange(package->GetInt(PROP_PLAYLIST_IMAGE_SECONDS, m_pictureTime),
                               kMinPictureSeconds * 1000, kMaxPictureSeconds * 1000);
  m_storedFlag = package->GetInt(PROP_PLAYLIST_STORED_FLAG, m_storedFlag) != 0 ? TRUE : FALSE;
  m_storedText = package->GetText(PROP_PLAYLIST_STORED_TEXT, m_storedText);
  m_mute = package->GetBool(PROP_PLAYER_MUTE, m_mute) ? TRUE : FALSE;
  m_volume = package->GetInt(PROP_PLAYER_VOLUME, m_volume);
  OpenCurrentItem();
  return S_OK;
}

HRESULT CPlaylistSource::Save(CPackageFile* package) {
  if (!package) return E_POINTER;
  package->SetText(PROP_PLAYLIST_STORED_TEXT, m_storedText);
  package->SetText(PROP_PLAYLIST_SAVED_ITEMS, ItemsText());
  package->SetInt(PROP_PLAYLIST_LOOP, m_loopMode);
  package->SetInt(PROP_PLAYLIST_IMAGE_SECONDS, m_pictureTime);
  package->SetInt(PROP_PLAYLIST_STORED_FLAG, m_storedFlag);
  package->SetBool(PROP_PLAYER_MUTE, m_mute);
  package->SetInt(PROP_PLAYER_VOLUME, m_volume);
  return S_OK;
}

HRESULT CPlaylistSource::Play() {
  if (!m_itemProxy.GetElement()) OpenCurrentItem();
  PlayItem();
  return S_OK;
}

HRESULT CPlaylistSource::Pause() {
  m_skipPending = false;
  if (m_itemProxy.GetElement()) {
    m_itemProxy.Pause();
    SyncState();
  } else {
    m_state = STATE_STOPPED;
  }
  return S_FALSE;
}

HRESULT CPlaylistSource::Stop() {
  // A stopped list does not move on by itself, also when its item has just finished.
  m_skipPending = false;
  m_advancePending = false;
  if (m_itemProxy.GetElement()) {
    m_itemProxy.Stop();
    SyncState();
  } else {
    m_state = STATE_STOPPED;
  }
  return S_FALSE;
}

HRESULT CPlaylistSource::SetVolume(int32_t volume) {
  CFrameElement::SetVolume(volume);
  m_itemProxy.SetVolume(volume);
  return S_OK;
}

HRESULT CPlaylistSource::SetMute(BOOL mute) {
  m_mute = mute;
  m_itemProxy.SetMute(mute);
  return S_OK;
}

HRESULT CPlaylistSource::SetPosition(int32_t) { return S_OK; }

HRESULT CPlaylistSource::GetSize(int32_t* width, int32_t* height) {
  return m_itemProxy.GetSize(width, height);
}

HRESULT CPlaylistSource::OnIdle() {
  if (m_advancePending.exchange(false)) {
    Advance();
  } else if (m_skipPending) {
    m_skipPending = false;
    SkipFailedItem();
  }
  return S_OK;
}

HRESULT CPlaylistSource::Render(CFrameContext*, const RECT&) { return E_FAIL; }

BOOL CPlaylistSource::IsFilter() { return FALSE; }

// ---------------------------------------------------------------------------------------
// Pictures

HRESULT CPlaylistSource::LockFrame(CFrameContext* context, CFrameLock* lock) {
  CFrameLock unused;
  if (!lock) lock = &unused;
  SyncState();
  m_locked = FALSE;
  if (m_state == STATE_STOPPED) {
    IEffectHost* host = m_owner ? m_owner->GetHost() : nullptr;
    lock->picture = host ? host->GetStockImage(kStoppedStockImage) : nullptr;
    return S_OK;
  }
  if (m_state == STATE_FINISHED) m_advancePending = true;
  const HRESULT hr = m_itemProxy.LockFrame(context, lock);
  if (hr != S_OK) return hr;
  m_locked = TRUE;
  const bool hasPixels = lock->picture && lock->picture->GetBits();
  if (m_advancePending) {
    if (!lock->picture) {
      lock->picture = &m_keptPicture;
      lock->clear = false;
      return S_OK;
    }
    if (hasPixels) KeepPicture(*lock);
  }
  if (!hasPixels) {
    lock->picture = &m_keptPicture;
    lock->source = RECT{0, 0, 0, 0};
    lock->clear = false;
  }
  return S_OK;
}

HRESULT CPlaylistSource::UnlockFrame() {
  if (!m_locked) return S_FALSE;
  m_locked = FALSE;
  m_itemProxy.UnlockFrame();
  return S_OK;
}

void CPlaylistSource::KeepPicture(const CFrameLock& lock) {
  const CDibSurface& picture = *lock.picture;
  if (IsEmptyRect(lock.source)) {
    m_keptPicture.CopyFrom(picture);
    return;
  }
  // Only the part the item shows (one frame of a strip) is kept.
  RECT part = lock.source;
  part.left = std::max<LONG>(part.left, 0);
  part.top = std::max<LONG>(part.top, 0);
  part.right = std::min<LONG>(part.right, picture.GetWidth());
  part.bottom = std::min<LONG>(part.bottom, picture.GetHeight());
  if (IsEmptyRect(part)) return;
  const int width = part.right - part.left;
  const int height = part.bottom - part.top;
  if (m_keptPicture.GetWidth() != width || m_keptPicture.GetHeight() != height ||
      m_keptPicture.GetBitsPerPixel() != picture.GetBitsPerPixel() || !m_keptPicture.GetBits()) {
    if (!m_keptPicture.Create(width, height, picture.GetBitsPerPixel())) return;
  }
  picture.CopyRect(m_keptPicture, m_keptPicture.GetRect(), part);
}
