// The filters that work on one frame alone: the colour matrix (ELEMENT_COLOR_MATRIX), the
// edge filter (ELEMENT_EDGE), the emboss filter (ELEMENT_EMBOSS) and the mosaic
// (ELEMENT_MOSAIC). Colours are colour references 0x00BBGGRR.
#pragma once

#include <cstdint>
#include <vector>

#include "engine/base/DibSurface.h"
#include "engine/filters/PixelFilter.h"

// Every pixel's red, green and blue become an offset plus weighted (1/256) sums of the
// three; the twelve coefficients travel as one text "c0,c1,...,c11".
class CColorMatrixFilter : public CPixelFilter {
 public:
  static constexpr int kCoefficientCount = 12;

  CColorMatrixFilter();

  HRESULT GetProperty(int32_t id, std::string& value) override;
  // A text of fewer than twelve items leaves the matrix as it is (still S_OK, still
  // announced).
  HRESULT SetProperty(int32_t id, const std::string& value) override;
  HRESULT Load(CPackageFile* package) override;
  HRESULT Save(CPackageFile* package) override;
  HRESULT AnnounceProperties() override;

  const int32_t* GetCoefficients() const { return m_c; }

 protected:
  void Filter(CDibSurface& picture, const RECT& rect, const RECT& destination) override;

 private:
  std::string GetText() const;
  void SetText(const std::string& text);

  // Red' = c0 + R c1 + G c2 + B c3, green' = c4 + ..., blue' = c8 + ... (products / 256).
  int32_t m_c[kCoefficientCount];
};

// Outlines: the Roberts cross of each pixel, strong edges in the edge colour over the
// background colour (or over the picture itself with background -1).
class CEdgeFilter : public CPixelFilter {
 public:
  CEdgeFilter();
  HRESULT SetFrameSize(int32_t width, int32_t height) override;

 protected:
  void Filter(CDibSurface& picture, const RECT& rect, const RECT& destination) override;

 private:
  CDibSurface m_copy;
  int32_t m_edgeColour = 0x0000FF;
  int32_t m_background = 0;
};

// Relief: each pixel's brightness against its neighbour in one of eight directions, lit
// slopes in the light colour and the others in the shadow colour over the base colour.
class CEmbossFilter : public CPixelFilter {
 public:
  CEmbossFilter();
  HRESULT SetFrameSize(int32_t width, int32_t height) override;

 protected:
  void Filter(CDibSurface& picture, const RECT& rect, const RECT& destination) override;

 private:
  CDibSurface m_copy;
  int32_t m_light = 0xFFFFFF;
  int32_t m_shadow = 0;
  int32_t m_base = 0x808080;
  int32_t m_direction = 7;  // 0 below, then clockwise as displayed to 7 below-right
};

// Blocks of n x n pixels, each filled with its average colour.
class CMosaicFilter : public CPixelFilter {
 public:
  static constexpr int32_t kMinBlock = 1;
  static constexpr int32_t kMaxBlock = 100;

  CMosaicFilter();

 protected:
  void Filter(CDibSurface& picture, const RECT& rect, const RECT& destination) override;

 private:
  int32_t m_block = 8;
  std::vector<uint32_t> m_sums;  // per block of a band of blocks: blue, green, red, count
};
