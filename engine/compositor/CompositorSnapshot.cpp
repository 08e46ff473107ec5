// The snapshot of the output picture.
#include "engine/compositor/EffectCompositor.h"

#include "image/Raster.h"

HRESULT CEffectCompositor::Snapshot(const std::string& path, int32_t formatId) {
  CRaster picture;
  {
    CMutexLock lock(m_mutex, INFINITE);
    if (!lock.IsLocked() || !m_output || !m_output->GetBits()) return E_FAIL;
    if (!picture.CreateFromPixels(m_output->GetBits(), m_output->GetWidth(),
                                  m_output->GetHeight(), 24, m_output->GetStride(), false))
      return E_FAIL;
  }
  // GIF holds 256 colours: each pixel takes the nearest of the default palette, without
  // error diffusion.
  if (formatId == IMAGE_FORMAT_GIF && !picture.ReduceBitDepth(8, false, nullptr, 0)) return E_FAIL;
  // Encoded into memory first: a format that cannot be written leaves no broken file and
  // never replaces a file that was there.
  uint8_t* encoded = nullptr;
  size_t size = 0;
  if (!picture.EncodeMemory(encoded, size, formatId)) return E_FAIL;
  const HRESULT written = WriteFileBytes(path, encoded, size);
  CRaster::FreeBuffer(encoded);
  return written;
}
