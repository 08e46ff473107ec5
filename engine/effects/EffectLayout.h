// Where and how large an effect appears in the output frame: size modes, placement modes
// (fixed, aligned, random, bouncing, scrolling, percent), presets, keeping the source's
// aspect ratio, and the attachment to the tracked face. The layout is a property holder
// (answering before the rest of its effect) and a section of the effect file.
//
// All arithmetic is integer arithmetic in 64 bits; results are clamped so that every
// rectangle stays inside the 32-bit range, whatever the stored values.
#pragma once

#include <cstdint>
#include <string>

#include "engine/base/WinTypes.h"

class CPackageFile;
class IPropertyNotify;

// Size modes.
constexpr int SIZE_PIXELS = 0;
constexpr int SIZE_PERCENT_OF_FRAME = 1;
constexpr int SIZE_PERCENT_OF_SOURCE = 2;
// Any other size mode means the whole frame width or height.

// Placement modes.
constexpr int PLACE_OFFSET = 0;
constexpr int PLACE_NEAR = 1;
constexpr int PLACE_CENTER = 2;
constexpr int PLACE_FAR = 3;
constexpr int PLACE_RANDOM = 4;
constexpr int PLACE_BOUNCE = 5;
constexpr int PLACE_SCROLL = 6;
constexpr int PLACE_PERCENT = 7;
// Any other placement mode acts as PLACE_NEAR.

class CEffectLayout {
 public:
  // The largest width or height the layout computes; larger sizes are held at this value.
  static constexpr int kMaxSide = 1 << 24;

  explicit CEffectLayout(IPropertyNotify* effect = nullptr);
  CEffectLayout(const CEffectLayout&) = delete;
  CEffectLayout& operator=(const CEffectLayout&) = delete;
  virtual ~CEffectLayout() = default;

  // Answers the layout's ids in decimal ("1"/"0" for flags); E_FAIL for other ids.
  virtual HRESULT GetProperty(int32_t id, std::string& value);
  // Changes one setting, notifies, and computes the placement (without a new random
  // position); E_FAIL for ids that are not the layout's.
  virtual HRESULT SetProperty(int32_t id, const std::string& value);
  virtual HRESULT NotifyChange(int32_t id);

  void SetEffect(IPropertyNotify* effect) { m_effect = effect; }

  // Computes the placement and drawn rectangles; `newRandomPosition` picks a new position
  // for the random placement modes, which otherwise keep their previous one.
  void Compute(bool newRandomPosition);
  void SetFrameRect(const RECT& frame) { m_frame = frame; }
  void SetSourceSize(int width, int height);
  void SetElapsed(int milliseconds) { m_elapsed = milliseconds; }
  // Places the effect at the rectangle in pixels (all four modes 0) and notifies; the
  // caller computes afterwards.
  void SetPlacementRect(const RECT& rect);
  void SetSize(int width, int height, int widthMode, int heightMode);
  // Presets 0-11; other numbers change nothing.
  void ApplyPreset(int preset);
  // Old effect files stored a 320 x 240 pixel size for "the whole frame".
  void UpgradeOldSize();
  void SetKeepAspect(BOOL keep) { m_keepAspect = keep ? TRUE : FALSE; }

  HRESULT Save(CPackageFile& package) const;
  HRESULT Load(const CPackageFile& package);

  const RECT& GetPlacementRect() const { return m_placement; }
  const RECT& GetDrawnRect() const { return m_drawn; }
  const RECT& GetFrameRect() const { return m_frame; }
  int GetFaceAttach() const { return m_faceAttach; }
  // The stored face scale: 100 - the value the property shows.
  int GetFaceScaleStored() const { return m_faceScale; }
  BOOL GetShowWithoutFace() const { return m_showWithoutFace; }
  BOOL GetKeepAspect() const { return m_keepAspect; }
  BOOL GetTextFit() const { return m_textFit; }
  int GetWidth() const { return m_width; }
  int GetHeight() const { return m_height; }
  int GetWidthMode() const { return m_widthMode; }
  int GetHeightMode() const { return m_heightMode; }
  int GetXMode() const { return m_xMode; }
  int GetYMode() const { return m_yMode; }
  int GetX() const { return m_x; }
  int GetY() const { return m_y; }

 private:
  // One axis of Compute: the size from its mode, then the position from its mode.
  int64_t ComputeSize(int mode, int value, int64_t frame, int64_t source) const;
  int64_t ComputePosition(int mode, int value, int64_t size, int64_t frameLow, int64_t frameHigh,
                          int64_t previous, bool newRandomPosition) const;
  void SetPositionMode(bool horizontal, int mode);

  int m_faceAttach = 0;
  int m_faceScale = 100;
  BOOL m_showWithoutFace = FALSE;
  int m_width = 100;
  int m_height = 100;
  int m_widthMode = SIZE_PERCENT_OF_SOURCE;
  int m_heightMode = SIZE_PERCENT_OF_SOURCE;
  int m_xMode = PLACE_OFFSET;
  int m_yMode = PLACE_OFFSET;
  int m_x = 0;
  int m_y = 0;
  BOOL m_keepAspect = FALSE;
  RECT m_frame = {0, 0, 0, 0};
  int m_elapsed = 0;
  RECT m_placement = {0, 0, 0, 0};
  RECT m_drawn = {0, 0, 0, 0};
  int m_sourceWidth = 0;
  int m_sourceHeight = 0;
  BOOL m_textFit = FALSE;
  IPropertyNotify* m_effect = nullptr;
};
