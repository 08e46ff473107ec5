// The JPEG-2000 family (JP2, JPC, PGX, PNM, Sun raster) shares one model of a decoded
// picture: a list of components, each a plane of integer samples with its own size and
// precision, and one set of rules that turns the components into a CRaster. The encoders
// share the way back: a grey or RGB picture as one or three 8-bit components.
#pragma once

#include <cstdint>
#include <vector>

#include "image/Raster.h"

// Colour space of a component list, as far as the rules need it.
enum class ComponentSpace { kUnknown, kGrey, kRgb, kYcc, kCmyk };

struct RasterComponent {
  int32_t width = 0;
  int32_t height = 0;
  int32_t precision = 8;  // bits of a sample
  bool isSigned = false;
  bool isAlpha = false;   // marked as opacity by the file
  const int32_t* data = nullptr;  // width x height samples, top row first, held elsewhere
  std::vector<int32_t> owned;     // the samples when the component holds them itself

  // Makes the component hold its own samples, all 0 (filled by the caller).
  void Allocate(int32_t w, int32_t h, int32_t bits, bool withSign = false);
  const int32_t* Samples() const { return owned.empty() ? data : owned.data(); }
};

struct RasterComponents {
  std::vector<RasterComponent> components;
  ComponentSpace space = ComponentSpace::kUnknown;
};

// The most a decoder may spend on the samples of one picture (4 bytes a sample).
constexpr uint64_t kMaxComponentBytes = 512ull * 1024 * 1024;

// The base of the family's format classes: the rules from components to the picture and
// back.
class CRasterComponentFormat : public CRaster {
 public:
  explicit CRasterComponentFormat(int32_t formatId) : CRaster(formatId) {}

 protected:
  // Makes this object's picture from the components, under the format id given:
  // - three or more colour components (the second and third may be subsampled; YCC and
  //   CMYK are turned into RGB) give a 24-bit picture, with an alpha plane from a fourth
  //   component of the same size;
  // - a grey component with an alpha component gives a grey picture with an alpha plane;
  // - a single component of 1, 4 or 8 bits, and any other layout, gives one grey picture
  //   per component (the frames: the frame to decode chooses one, the frame count is the
  //   number of components);
  // - samples of other precisions are scaled to 8 bits, and a single such component is
  //   shown as a 24-bit grey picture.
  // On failure the last-error text says why and the result is false.
  bool BuildFromComponents(const RasterComponents& components, int32_t formatId);

  // The samples an encoder writes: one 8-bit component for a grey picture (a palette
  // whose entry i is (i, i, i)), three for a true-colour one. False, with the text set,
  // for a picture with any other palette.
  bool ComponentsFromPicture(RasterComponents& components);
};
