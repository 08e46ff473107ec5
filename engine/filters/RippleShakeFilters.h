// Two filters driven by the engine's random numbers: the ripple (ELEMENT_RIPPLE), where
// drops fall at a point that wanders over the rectangle and the picture shows through the
// rings of a simulated water surface, and the shake (ELEMENT_SHAKE), which moves the
// picture by a random offset every frame.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "engine/base/DibSurface.h"
#include "engine/filters/PixelFilter.h"

// The water surface: two height fields of W x H cells (row r is storage row r of the
// pictures) between which each wave step alternates.
class CRippleMap {
 public:
  static constexpr int kDampingShift = 5;  // a step loses 1/32 of the height

  CRippleMap() = default;
  CRippleMap(const CRippleMap&) = delete;
  CRippleMap& operator=(const CRippleMap&) = delete;

  // Both fields of width x height cells, flat; selector 0. False for a size that cannot be
  // held (the map is then empty).
  bool Create(int width, int height);
  // Adds `strength` to every cell of buffer 0 (A) or 1 (B) within the radius around (x, y):
  // offsets u, v from -radius to radius - 1 with u^2 + v^2 < radius^2, interior cells only.
  void Drop(int x, int y, int radius, int strength, int buffer);
  // One wave step: selector 1 reads A and writes B, 0 the other way round.
  void Step(int selector, int dampingShift);
  // Draws `source` refracted through the surface into `dest` (24-bit pictures of W x H
  // whose rows are `stride` bytes apart). Border rows and columns are never written.
  void Refract(const BYTE* source, BYTE* dest, size_t stride) const;
  // Refract, Step with the selector, then the other selector.
  void Update(const BYTE* source, BYTE* dest, size_t stride);

  int GetWidth() const { return m_width; }
  int GetHeight() const { return m_height; }
  int GetSelector() const { return m_selector; }
  const std::vector<int32_t>& GetBuffer(int index) const { return index ? m_b : m_a; }

 private:
  int m_width = 0;
  int m_height = 0;
  int m_selector = 0;
  std::vector<int32_t> m_a;
  std::vector<int32_t> m_b;
};

class CRippleFilter : public CPixelFilter {
 public:
  CRippleFilter();
  HRESULT SetFrameSize(int32_t width, int32_t height) override;

  const CRippleMap* GetMap() const { return m_map.get(); }
  POINT GetDropPoint() const { return {m_x, m_y}; }

 protected:
  void Filter(CDibSurface& picture, const RECT& rect, const RECT& destination) override;

 private:
  CDibSurface m_work;
  std::unique_ptr<CRippleMap> m_map;
  int32_t m_rate = 10;    // percent chance of a drop per frame
  int32_t m_radius = 50;  // drop radius in pixels, also its strength
  int32_t m_x = 0;        // the wandering drop point
  int32_t m_y = 0;
  int32_t m_vx;
  int32_t m_vy;
};

class CShakeFilter : public CPixelFilter {
 public:
  CShakeFilter();
  HRESULT SetFrameSize(int32_t width, int32_t height) override;

 protected:
  void Filter(CDibSurface& picture, const RECT& rect, const RECT& destination) override;

 private:
  CDibSurface m_copy;
  int32_t m_x = 5;  // amplitudes in pixels; offsets lie in -amplitude .. amplitude - 1
  int32_t m_y = 5;
};
