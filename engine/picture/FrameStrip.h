// CFrameStrip: every frame of an animated picture in one 32-bit surface, frame 0 the top
// band of the displayed picture, frame k the k-th band below it, with one delay per frame.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "engine/base/DibSurface.h"

class CFrameStrip : public CDibSurface {
 public:
  CFrameStrip() = default;
  ~CFrameStrip() = default;

  // Decodes every frame of a picture file (size -1) or PNG buffer into the strip. A single
  // picture with a caller count above 1 is taken as a strip that already holds that many
  // frames. Caller delays replace the decoded ones when the counts agree. E_FAIL when a
  // decode fails; frames decoded before stay in the surface.
  HRESULT LoadFrames(const void* source, int64_t size, const uint32_t* callerDelays,
                     int callerCount);
  // Band of frame k: (0, k * h, width, k * h + h) with h = height / count (0 without frames).
  RECT GetFrameRect(int frame) const;
  // Resizes the delays to n (new entries 300) and sets the count.
  void SetFrameCount(int count);
  int GetFrameCount() const { return frame_count_; }
  const std::vector<uint32_t>& GetDelays() const { return delays_; }
  // Delays from a comma-separated text: item i for frame i, the last item for frames
  // beyond the items; 0 or no number gives 300.
  void SetDelaysText(const std::string& text);
  std::string GetDelaysText() const;

 private:
  int frame_count_ = 0;
  std::vector<uint32_t> delays_;
};
