// A part of the desktop, with the mouse cursor, as a picture (ELEMENT_SCREEN): the whole
// desktop, a fixed rectangle, a rectangle centred on the mouse, or a window's rectangle.
// A new copy is taken on every divider-th frame; between copies the last one is shown.
#pragma once

#include <cstdint>
#include <string>

#include "engine/base/DibSurface.h"
#include "engine/elements/FrameElement.h"

// Capture modes.
constexpr int32_t SCREEN_DESKTOP = 0;
constexpr int32_t SCREEN_RECTANGLE = 1;
constexpr int32_t SCREEN_AROUND_MOUSE = 2;
constexpr int32_t SCREEN_WINDOW = 3;

class CScreenSource : public CFrameElement {
 public:
  // The size starts as the engine's output size.
  CScreenSource();

  HRESULT GetProperty(int32_t id, std::string& value) override;
  HRESULT SetProperty(int32_t id, const std::string& value) override;
  HRESULT Load(CPackageFile* package) override;
  HRESULT Open(const std::string& path) override;
  HRESULT Save(CPackageFile* package) override;
  // Takes a new desktop copy when this frame is due and hands out the last copy; no picture
  // when the capture rectangle is empty.
  HRESULT LockFrame(CFrameContext* context, CFrameLock* lock) override;
  HRESULT UnlockFrame() override;
  HRESULT Render(CFrameContext* context, const RECT& destination) override;
  BOOL IsFilter() override;
  HRESULT GetSize(int32_t* width, int32_t* height) override;
  HRESULT AnnounceProperties() override;

  // The rectangle that the next copy takes, in screen coordinates, for the cursor at
  // `cursor`; empty when there is nothing to copy.
  RECT GetCaptureRect(const POINT& cursor) const;
  // Whether the LockFrame call that finds `counter` frames before it takes a new copy.
  static bool IsCopyFrame(uint32_t counter, int32_t divider);

  CDibSurface& GetPicture() { return m_picture; }

 protected:
  ~CScreenSource() override;

 private:
  // The field behind a property id; null for ids that are not the source's.
  int32_t* Field(int32_t id);
  // The range a value of the id is held in.
  static int32_t Limit(int32_t id, int32_t value);
  void Copy(const RECT& rect, const POINT& cursor);

  CDibSurface m_picture;
  int32_t m_left = 0;
  int32_t m_top = 0;
  int32_t m_width = 0;
  int32_t m_height = 0;
  int32_t m_mode = SCREEN_AROUND_MOUSE;
  int32_t m_cursor = 1;
  uint32_t m_frameCounter = 0;
  int32_t m_window = 0;
  int32_t m_divider = 2;
};
