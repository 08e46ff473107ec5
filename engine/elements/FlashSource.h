// A Flash movie (ELEMENT_FLASH): the movie's bytes, kept so that effect files can carry
// the movie, written to a temporary file that the Flash control plays, and the player's
// picture, taken ten times a second, handed out to the compositor. The movie runs in the
// control from its start to the element's end; Play, Pause and Stop change only the
// element's state.
//
// A movie that cannot be started (unreadable, too short, of another kind, without frames,
// or without a Flash control on the machine) leaves the element as it was: the movie it
// played before plays on.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "engine/elements/FrameElement.h"

class CFlashPlayer;

class CFlashSource : public CFrameElement {
 public:
  // The largest movie file the element reads.
  static constexpr uint64_t kMaxMovieSize = 256u << 20;

  CFlashSource();

  // PROP_FLASH_IGNORED: the size of the movie's bytes as a size text; setting it does
  // nothing. PROP_FLASH_PATH: "1"; setting it loads the movie file it names (a failure
  // changes nothing) and announces the property.
  HRESULT GetProperty(int32_t id, std::string& value) override;
  HRESULT SetProperty(int32_t id, const std::string& value) override;
  // The movie of item PROP_MEDIA_DATA; without it, the package's own file as a movie.
  HRESULT Load(CPackageFile* package) override;
  HRESULT Open(const std::string& path) override;
  // The kept movie bytes as item PROP_MEDIA_DATA; E_FAIL without a movie.
  HRESULT Save(CPackageFile* package) override;
  // The player's picture (none when it is not free within 200 ms, or without a player).
  HRESULT LockFrame(CFrameContext* context, CFrameLock* lock) override;
  HRESULT UnlockFrame() override;
  HRESULT Render(CFrameContext* context, const RECT& destination) override;
  BOOL IsFilter() override;
  // The player's picture size, 0 x 0 without one.
  HRESULT GetSize(int32_t* width, int32_t* height) override;
  HRESULT Play() override;
  HRESULT Pause() override;
  HRESULT Stop() override;

  const std::vector<uint8_t>& GetMovieBytes() const { return m_movie; }
  const std::string& GetTempPath() const { return m_tempPath; }
  CFlashPlayer* GetPlayer() const { return m_player.get(); }

 protected:
  ~CFlashSource() override;

 private:
  // Starts a player on a new temporary file of the bytes; only when it plays does it
  // replace the current player and file.
  HRESULT StartMovie(const std::vector<uint8_t>& bytes);
  // Reads a movie file and starts it; the bytes are kept on success.
  HRESULT LoadMovieFile(const std::string& path);
  void ClosePlayer();

  std::unique_ptr<CFlashPlayer> m_player;
  std::string m_tempPath;
  std::vector<uint8_t> m_movie;
  bool m_pictureLocked = false;
};
