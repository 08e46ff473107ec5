#include "engine/picture/FrameStrip.h"

#include <algorithm>
#include <cstdlib>

#include "engine/base/SortedStringArray.h"
#include "engine/picture/PictureCopy.h"
#include "image/Raster.h"

namespace {

constexpr uint32_t kShortestDelay = 300;
constexpr uint32_t kStillDelay = 1000;

}  // namespace

HRESULT CFrameStrip::LoadFrames(const void* source, int64_t size, const uint32_t* callerDelays,
                                int callerCount) {
  CRaster picture;
  if (!DecodePicture(picture, source, size) || !picture.HasPixels()) return E_FAIL;
  const int frames = std::max(1, picture.GetFrameCount());
  const int count = frames == 1 && callerCount > 1 ? callerCount : frames;
  frame_count_ = count;
  delays_.assign(size_t(count), kStillDelay);

  const int width = picture.GetWidth();
  const int frameHeight = picture.GetHeight();
  if (int64_t(frameHeight) * frames > kMaxSide) return E_FAIL;
  if (!Create(width, frameHeight * frames, 32)) return E_FAIL;
  Clear();

  for (int j = 0; j < frames; ++j) {
    picture.SelectFrame(j);
    if (!DecodePicture(picture, source, size)) return E_FAIL;
    // Frame delays come in hundredths of a second.
    delays_[size_t(j)] = std::max(uint32_t(picture.GetFrameDelay()) * 10, kShortestDelay);
    // Each frame goes into its own band; a frame of another size is clipped to the band.
    const int bandTop = GetHeight() - 1 - j * frameHeight;
    CopyPictureToBand(picture, *this, bandTop, frameHeight);
  }
  if (callerDelays && count == callerCount) delays_.assign(callerDelays, callerDelays + count);
  return S_OK;
}

RECT CFrameStrip::GetFrameRect(int frame) const {
  const int h = frame_count_ > 0 ? GetHeight() / frame_count_ : 0;
  RECT r;
  r.left = 0;
  r.top = frame * h;
  r.right = GetWidth();
  r.bottom = frame * h + h;
  return r;
}

void CFrameStrip::SetFrameCount(int count) {
  count = std::max(0, count);
  delays_.resize(size_t(count), kShortestDelay);
  frame_count_ = count;
}

void CFrameStrip::SetDelaysText(const std::string& text) {
  CSortedStringArray items;
  items.Split(text, ',', '"', false);
  for (int i = 0; i < frame_count_ && size_t(i) < delays_.size(); ++i) {
    const int index = std::min(i, items.GetSize() - 1);
    const std::string item = index >= 0 ? items.GetAt(index) : std::string();
    const uint32_t value = uint32_t(std::strtoul(item.c_str(), nullptr, 10));
    delays_[size_t(i)] = value == 0 ? kShortestDelay : value;
  }
}

std::string CFrameStrip::GetDelaysText() const {
  CSortedStringArray items;
  for (uint32_t delay : delays_) items.Add(std::to_string(delay));
  return items.Join(',', 0, true);
}
