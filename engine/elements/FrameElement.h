// Frame elements: every picture source (image, Flash movie, colour, camera, video file,
// screen, text, playlist, drawing board) and every pixel filter of the engine.
//
// IFrameElement is the interface an effect's source proxy talks to; its operations keep a
// fixed order. CFrameElement is the common base: the play state, a millisecond clock that
// does not count paused time, volume, mute, a flags word, the owning effect and the text
// the element was opened from. Elements are made with new by the proxy's factory and end
// only through Release.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

#include "engine/elements/FrameContext.h"

class CDibSurface;
class CEffect;
class CPackageFile;

// Element states.
constexpr int32_t STATE_STOPPED = 0;   // not running; the clock does not advance
constexpr int32_t STATE_PLAYING = 1;   // running; the clock advances on every clock step
constexpr int32_t STATE_PAUSED = 2;    // halted; the clock does not advance
constexpr int32_t STATE_FINISHED = 3;  // the clock reached the duration, or the medium ended
constexpr int32_t STATE_EMPTY = 4;     // a source proxy without element; a new playlist

// Element type codes (PROP_SOURCE_TYPE values).
constexpr int32_t ELEMENT_IMAGE = 1;
constexpr int32_t ELEMENT_FLASH = 2;
constexpr int32_t ELEMENT_COLOR = 3;
constexpr int32_t ELEMENT_CAMERA = 4;
constexpr int32_t ELEMENT_VIDEO = 5;
constexpr int32_t ELEMENT_SCREEN = 6;
constexpr int32_t ELEMENT_TEXT = 7;
constexpr int32_t ELEMENT_COLOR_MATRIX = 8;
constexpr int32_t ELEMENT_WARP = 9;
constexpr int32_t ELEMENT_MOTION_FIRE = 10;
constexpr int32_t ELEMENT_EDGE = 11;
constexpr int32_t ELEMENT_MOSAIC = 12;
constexpr int32_t ELEMENT_EMBOSS = 13;
constexpr int32_t ELEMENT_TRAIL = 14;
constexpr int32_t ELEMENT_RIPPLE = 15;
constexpr int32_t ELEMENT_SNOW = 16;
constexpr int32_t ELEMENT_SHAKE = 17;
constexpr int32_t ELEMENT_PLAYLIST = 18;
constexpr int32_t ELEMENT_DRAWING_BOARD = 19;
constexpr int32_t ELEMENT_PLAYLIST_ALT = 20;

// What LockFrame hands out: the picture to draw (null when there is nothing to show) and the
// part of it to draw, in the picture's pixels; an empty rectangle means the whole picture.
// The caller zeroes the record before the call. The picture stays the element's and is
// valid until the matching UnlockFrame.
struct CFrameLock {
  CDibSurface* picture = nullptr;
  RECT source = {0, 0, 0, 0};
  // Set by elements that know every pixel of the picture to be transparent (alpha 0), so
  // that drawing it by its alpha can be left out.
  bool clear = false;
};

// Results are HRESULT-style: 0 success, negative failure, 1 when nothing was done.
class IFrameElement {
 public:
  // Property values as text. An id the element does not handle gives E_FAIL, so that the
  // next holder is asked.
  virtual HRESULT GetProperty(int32_t id, std::string& value) = 0;
  virtual HRESULT SetProperty(int32_t id, const std::string& value) = 0;
  // Reports a property change to the owning effect.
  virtual HRESULT NotifyChange(int32_t id) = 0;
  // Ends the element (runs its destructor).
  virtual void Release() = 0;
  virtual HRESULT SetOwner(CEffect* owner) = 0;
  virtual HRESULT Load(CPackageFile* package) = 0;
  virtual HRESULT Open(const std::string& path) = 0;
  virtual HRESULT Save(CPackageFile* package) = 0;
  // Sources hand out their current picture; UnlockFrame always follows, also when no
  // picture was given.
  virtual HRESULT LockFrame(CFrameContext* context, CFrameLock* lock) = 0;
  virtual HRESULT UnlockFrame() = 0;
  // Filters change the output picture in place within the destination rectangle.
  virtual HRESULT Render(CFrameContext* context, const RECT& destination) = 0;
  virtual BOOL IsFilter() = 0;
  virtual HRESULT GetSize(int32_t* width, int32_t* height) = 0;
  // Idle work on the main thread, on every engine tick.
  virtual HRESULT OnIdle() = 0;
  virtual HRESULT GetTime(int32_t* position, int32_t* duration) = 0;
  virtual HRESULT SetPosition(int32_t milliseconds) = 0;
  virtual HRESULT SetVolume(int32_t volume) = 0;
  virtual HRESULT Play() = 0;
  virtual HRESULT Pause() = 0;
  virtual HRESULT Stop() = 0;
  virtual int32_t GetState() = 0;
  virtual HRESULT SetFlags(int32_t flags) = 0;
  virtual int32_t GetFlags() = 0;
  virtual BOOL IsFinished() = 0;
  virtual HRESULT SetDuration(int32_t milliseconds) = 0;
  virtual HRESULT SetMute(BOOL mute) = 0;
  virtual BOOL GetMute() = 0;
  virtual HRESULT MouseInput(UINT message, int32_t x, int32_t y) = 0;
  virtual HRESULT SetFrameSize(int32_t width, int32_t height) = 0;
  virtual std::string GetSourcePath() = 0;
  // Reports every property of the element as changed, so that the user interface re-reads
  // them after the element was made or replaced.
  virtual HRESULT AnnounceProperties() = 0;

 protected:
  // Only Release destroys an element.
  virtual ~IFrameElement() = default;
};

// The renderer filter's frame callback, called on a streaming thread for every sample.
class IFrameSink {
 public:
  virtual HRESULT OnFrame(const BITMAPINFOHEADER* header, const BYTE* bits,
                          const GUID& subtype) = 0;

 protected:
  virtual ~IFrameSink() = default;
};

class CFrameElement : public IFrameElement {
 public:
  CFrameElement() = default;
  CFrameElement(const CFrameElement&) = delete;
  CFrameElement& operator=(const CFrameElement&) = delete;

  HRESULT NotifyChange(int32_t id) override;
  void Release() override;
  HRESULT SetOwner(CEffect* owner) override;
  HRESULT OnIdle() override;
  HRESULT GetTime(int32_t* position, int32_t* duration) override;
  HRESULT SetPosition(int32_t milliseconds) override;
  HRESULT SetVolume(int32_t volume) override;
  HRESULT Play() override;
  HRESULT Pause() override;
  HRESULT Stop() override;
  int32_t GetState() override;
  HRESULT SetFlags(int32_t flags) override;
  int32_t GetFlags() override;
  BOOL IsFinished() override;
  HRESULT SetDuration(int32_t milliseconds) override;
  HRESULT SetMute(BOOL mute) override;
  BOOL GetMute() override;
  HRESULT MouseInput(UINT message, int32_t x, int32_t y) override;
  HRESULT SetFrameSize(int32_t width, int32_t height) override;
  std::string GetSourcePath() override;
  HRESULT AnnounceProperties() override;

  CEffect* GetOwner() const { return m_owner; }
  int32_t GetVolume() const { return m_volume; }
  const std::string& GetSourceText() const { return m_sourceText; }

 protected:
  ~CFrameElement() override = default;

  // The clock step: while playing, adds the time since the last step to the position and
  // finishes the element when the position reaches the duration.
  void UpdateClock();

  int32_t m_flags = 1;
  int32_t m_state = STATE_STOPPED;
  std::string m_sourceText;
  CEffect* m_owner = nullptr;
  uint32_t m_lastClock = 0;
  int32_t m_elapsed = 0;
  int32_t m_duration = -1;
  BOOL m_mute = FALSE;
  int32_t m_volume = 50;
};

// Clips a filter's destination rectangle to the picture: (max(0, left), max(0, top),
// min(width, right), min(height, bottom)). False when nothing is left to draw.
bool ClipToPicture(RECT& rect, const CDibSurface& picture);
