// The snapshot of the output picture.
#include "engine/compositor/EffectCompositor.h"

#include <vector>

#include "image/Raster.h"

namespace {

// Makes the picture one of 256 colours for GIF: every pixel takes the nearest colour of the
// default 256-colour palette, without error diffusion. Pictures repeat their colours, so
// the answers are kept by colour.
bool ReduceToDefaultPalette(CRaster& picture) {
  const int32_t width = picture.GetWidth(), height = picture.GetHeight();
  CRaster reduced;
  if (!reduced.Create(width, height, 8, picture.GetFormatId())) return false;
  reduced.SetDefaultPalette();
  struct Answer {
    uint32_t colour;  // 0x00RRGGBB, or beyond 24 bits while empty
    uint8_t index;
  };
  std::vector<Answer> answers(1u << 16, Answer{0xFFFFFFFFu, 0});
  for (int32_t y = 0; y < height; ++y) {
    for (int32_t x = 0; x < width; ++x) {
      const RGBQUAD c = picture.GetPixelColor(x, y, false);
      const uint32_t colour = (uint32_t(c.rgbRed) << 16) | (uint32_t(c.rgbGreen) << 8) | c.rgbBlue;
      Answer& answer = answers[(colour ^ (colour >> 8) * 0x9E37u) & 0xFFFFu];
      if (answer.colour != colour) answer = {colour, reduced.FindNearestIndex(c)};
      reduced.SetPixelIndex(x, y, answer.index);
    }
  }
  return picture.MoveFrom(reduced);
}

}  // namespace

HRESULT CEffectCompositor::Snapshot(const std::string& path, int32_t formatId) {
  CRaster picture;
  {
    CMutexLock lock(m_mutex, INFINITE);
    if (!lock.IsLocked() || !m_output || !m_output->GetBits()) return E_FAIL;
    if (!picture.CreateFromPixels(m_output->GetBits(), m_output->GetWidth(),
                                  m_output->GetHeight(), 24, m_output->GetStride(), false))
      return E_FAIL;
  }
  if (formatId == IMAGE_FORMAT_GIF && !ReduceToDefaultPalette(picture)) return E_FAIL;
  // Encoded into memory first: a format that cannot be written leaves no broken file and
  // never replaces a file that was there.
  uint8_t* encoded = nullptr;
  size_t size = 0;
  if (!picture.EncodeMemory(encoded, size, formatId)) return E_FAIL;
  const HRESULT written = WriteFileBytes(path, encoded, size);
  CRaster::FreeBuffer(encoded);
  return written;
}
