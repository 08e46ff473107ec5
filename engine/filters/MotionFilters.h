// The filters that carry state from one frame to the next: motion fire
// (ELEMENT_MOTION_FIRE: whatever moves glows and burns upward), trail (ELEMENT_TRAIL: a
// fading trail behind what moves) and snow (ELEMENT_SNOW: flakes fall from the top of the
// rectangle and settle on the picture's edges).
//
// Their per-pixel arrays have one cell per pixel of the frame size: the cell of storage
// row r and column c is r * W + c, and the cell + W lies one row higher on screen. They
// persist across frames and are reset only by a change of the frame size.
#pragma once

#include <cstdint>
#include <vector>

#include "engine/base/DibSurface.h"
#include "engine/filters/PixelFilter.h"

class CMotionFireFilter : public CPixelFilter {
 public:
  CMotionFireFilter();
  HRESULT SetFrameSize(int32_t width, int32_t height) override;

 protected:
  void Filter(CDibSurface& picture, const RECT& rect, const RECT& destination) override;

 private:
  CDibSurface m_previous;  // the last frame before it was changed
  int32_t m_hot = 0x00FFFF;
  int32_t m_cool = 0x0000FF;
  int32_t m_background = -1;  // -1: the picture stays under the flames
  std::vector<int32_t> m_heat;
  std::vector<int32_t> m_previousHeat;
  int m_colours[256 * 3] = {};  // the flame colour of each heat, made every frame
};

class CTrailFilter : public CPixelFilter {
 public:
  static constexpr int32_t kMinLength = 1;
  static constexpr int32_t kMaxLength = 20;

  CTrailFilter();
  HRESULT SetFrameSize(int32_t width, int32_t height) override;

 protected:
  void Filter(CDibSurface& picture, const RECT& rect, const RECT& destination) override;

 private:
  CDibSurface m_history;
  int32_t m_length = 7;
};

class CSnowFilter : public CPixelFilter {
 public:
  CSnowFilter();
  HRESULT SetFrameSize(int32_t width, int32_t height) override;

  const std::vector<int32_t>& GetFlakes() const { return m_flakes; }

 protected:
  void Filter(CDibSurface& picture, const RECT& rect, const RECT& destination) override;

 private:
  int32_t m_rate = 10;  // flakes started per frame
  int32_t m_colour = 0xFFFFFF;
  std::vector<int32_t> m_flakes;  // 0 .. 255
  std::vector<int32_t> m_edges;   // 0 or 255
  int m_width = 0;
  int m_height = 0;
};
