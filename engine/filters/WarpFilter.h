// CWarpFilter (ELEMENT_WARP): geometric distortions. Each mode is a map that gives every
// pixel of a W x H area the position of the pixel to copy from; the map is built when the
// size or a setting changes, and a frame only looks it up.
//
// Modes and their two parameters: 0 tiles (across, down), 1 mirrored tiles, 2 zoom
// (percent across, percent down; negative mirrors), 3 sphere lens (centre offset x, y),
// 4 waves (amplitude, wavelength), 5 swirl (strength), 6 root lens (factor), 7 nested
// frames (count, innermost size in percent), 8 mirrored bands (across, down).
#pragma once

#include <cstdint>
#include <vector>

#include "engine/base/DibSurface.h"
#include "engine/filters/PixelFilter.h"

class CWarpFilter : public CPixelFilter {
 public:
  static constexpr int32_t kModeCount = 9;
  // A map entry that points outside every picture: the pixel turns black.
  static constexpr int16_t kOutside = INT16_MIN;

  CWarpFilter();

  // The mode puts its own parameters in place; a parameter is held to the range of the
  // current mode (and changes nothing while the mode is not one of the nine). Every set
  // rebuilds the map at once.
  HRESULT SetProperty(int32_t id, const std::string& value) override;
  // The stored values as they are (each mode's builder guards its own parameters); the map
  // is rebuilt at the next SetFrameSize.
  HRESULT Load(CPackageFile* package) override;
  // Re-creates the working copy for a new size and rebuilds the map when needed.
  HRESULT SetFrameSize(int32_t width, int32_t height) override;

  int32_t GetMode() const { return m_mode; }
  int32_t GetParam1() const { return m_p1; }
  int32_t GetParam2() const { return m_p2; }
  // Two entries (source x, source y) per pixel of the W x H area, row by row from the top.
  const std::vector<int16_t>& GetMap() const { return m_map; }

 protected:
  void Filter(CDibSurface& picture, const RECT& rect, const RECT& destination) override;

 private:
  void BuildMap(int width, int height);

  std::vector<int16_t> m_map;
  CDibSurface m_copy;
  int32_t m_mode = 0;
  int32_t m_p1 = 2;
  int32_t m_p2 = 2;
  bool m_rebuild = true;
  int m_width = 0;  // the size the working copy was asked for
  int m_height = 0;
};
