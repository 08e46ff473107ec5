// The player's playlist (ELEMENT_PLAYLIST and ELEMENT_PLAYLIST_ALT): media paths played one
// after the other through a nested source proxy, so that every item becomes the element its
// path asks for (video, picture, Flash, camera, screen, colour). It carries the player's
// commands and state as properties (play, pause, stop, previous, next, jump, loop mode,
// volume, mute, position, how long a still picture stays), keeps the last picture of a
// finishing item on screen until the next item shows, and moves on by its loop mode on the
// main thread's tick after an item finished.
//
// An item that cannot be made into an element (a missing local file, an unreadable picture,
// a medium no element plays) is reported to the host as event 1013 with its path; while the
// list plays, the next tick skips it by the loop mode. A list whose every item failed in a
// row stops skipping.
//
// Properties, Play/Pause/Stop and OnIdle run on the main thread, LockFrame and UnlockFrame
// on the frame thread; the engine holds the compositor lock around both, and the item's
// element is only replaced on the main thread.
#pragma once

#include <atomic>
#include <cstdint>
#include <string>

#include "engine/base/DibSurface.h"
#include "engine/base/SortedStringArray.h"
#include "engine/elements/FrameElement.h"
#include "engine/elements/SourceProxy.h"

// Loop modes (PROP_PLAYLIST_LOOP).
constexpr int32_t PLAYLIST_LOOP_NONE = 0;  // play the list once
constexpr int32_t PLAYLIST_LOOP_ONE = 1;   // repeat the current item
constexpr int32_t PLAYLIST_LOOP_ALL = 2;   // repeat the list

class CPlaylistSource : public CFrameElement {
 public:
  // The engine event for an item that could not be opened; its text is the path.
  static constexpr int32_t kMediaFailedEvent = 1013;
  // How long a still picture plays, in milliseconds, and the seconds the property accepts.
  static constexpr int32_t kDefaultPictureTime = 10000;
  static constexpr int32_t kMinPictureSeconds = 1;
  static constexpr int32_t kMaxPictureSeconds = 100;
  // The stock picture of a stopped list.
  static constexpr int32_t kStoppedStockImage = 3;

  CPlaylistSource();

  HRESULT GetProperty(int32_t id, std::string& value) override;
  HRESULT SetProperty(int32_t id, const std::string& value) override;
  HRESULT SetOwner(CEffect* owner) override;
  // Playlists are made by type code; opening a path does nothing.
  HRESULT Open(const std::string& path) override;
  HRESULT Load(CPackageFile* package) override;
  HRESULT Save(CPackageFile* package) override;
  HRESULT LockFrame(CFrameContext* context, CFrameLock* lock) override;
  HRESULT UnlockFrame() override;
  HRESULT Render(CFrameContext* context, const RECT& destination) override;
  BOOL IsFilter() override;
  HRESULT GetSize(int32_t* width, int32_t* height) override;
  // Moves on when the current item finished (or could not be opened while playing).
  HRESULT OnIdle() override;
  HRESULT SetVolume(int32_t volume) override;
  HRESULT Play() override;
  HRESULT Pause() override;
  HRESULT Stop() override;
  HRESULT SetMute(BOOL mute) override;
  // Positions go through PROP_PLAYER_POSITION; this does nothing.
  HRESULT SetPosition(int32_t milliseconds) override;
  HRESULT AnnounceProperties() override;

  int32_t GetItemCount() const { return m_items.GetSize(); }
  const std::string& GetItem(int32_t index) const { return m_items.GetAt(index); }
  // The current index; -1 after the whole list was removed.
  int32_t GetIndex() const { return m_hasIndex ? m_index : -1; }
  int32_t GetLoopMode() const { return m_loopMode; }
  int32_t GetPictureTime() const { return m_pictureTime; }
  bool IsAdvancePending() const { return m_advancePending.load(); }
  bool IsSkipPending() const { return m_skipPending; }
  CSourceProxy& GetItemProxy() { return m_itemProxy; }
  const CDibSurface& GetKeptPicture() const { return m_keptPicture; }

 protected:
  ~CPlaylistSource() override;

 private:
  // The playlist's state becomes the current item's state (STATE_EMPTY without element).
  void SyncState();
  // Player-state notification: position, index, the commands and the loop modes.
  void NotifyPlayerState();

  // Opens the item at the index in the item proxy (none outside the list), reports an item
  // that cannot be opened, and hands the item the audio settings, the picture time and the
  // pause. False when a path was there and could not be opened.
  bool OpenCurrentItem();
  // Plays the opened item. Without element the list is stopped, and when the item failed
  // to open a skip is scheduled.
  void PlayItem();
  // Counts a failed item and lets the next tick skip it, unless every item of the list has
  // failed in a row.
  void ScheduleSkip();

  // Index moves.
  void Jump(int32_t index);
  void Step(int32_t delta);
  // Previous and next: step, open the new item and play it when the list was playing.
  void StepAndContinue(int32_t delta);
  void ContinueAfterMove();
  // The next item after a finish, or after an item that failed to open.
  void Advance();
  void SkipFailedItem();
  // The play command.
  void PlayCommand();

  // List changes.
  void ReplaceItems(const std::string& listText, bool leadingIndex);
  void AddItems(const std::string& value);
  void RemoveItems(const std::string& value);
  void MoveItems(const std::string& value);
  void SetPictureSeconds(const std::string& value);
  // The current path, "" when the index is outside the list.
  std::string CurrentPath() const;
  // The items in the list text format.
  std::string ItemsText() const;

  // Copies the part of the item's picture that it shows into the kept picture.
  void KeepPicture(const CFrameLock& lock);

  CSourceProxy m_itemProxy;
  BOOL m_hasIndex = TRUE;
  int32_t m_index = 0;
  CSortedStringArray m_items;  // in play order, unescaped
  int32_t m_loopMode = PLAYLIST_LOOP_ALL;
  int32_t m_pictureTime = kDefaultPictureTime;
  BOOL m_storedFlag = FALSE;
  std::string m_storedText;
  std::atomic<bool> m_advancePending{false};  // set on the frame thread
  CDibSurface m_keptPicture;
  BOOL m_locked = FALSE;

  // The last OpenCurrentItem had a path it could not open.
  bool m_openFailed = false;
  // A failed item waits for the next tick to be skipped.
  bool m_skipPending = false;
  // Items that failed to open one after the other while playing.
  int32_t m_failedInRow = 0;
};

// The list-text rules applied to a path added from outside. A path in escaped form (no ","
// and every "&" followed by "A" or "C", as list texts carry their items) is decoded once; any
// other path is taken as it is. A local file whose real name has that form (such as
// "Q&A.avi") keeps its name when it exists and its decoded name does not.
std::string DecodeAddedPath(const std::string& piece);
// Whether the text has the escaped form of a list item.
bool IsEscapedListItem(const std::string& text);
// Whether the path names a local file (not an address or a prefixed source text) that does
// not exist.
bool IsMissingLocalFile(const std::string& path);
