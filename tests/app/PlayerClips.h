// The clips of the player's end-to-end tests: short uncompressed AVI files whose pixels code
// their frame numbers, so that what a messenger's capture graph on the camera receives
// names the clip it came from. One name holds "&" and ",".
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "framework/SysUtils.h"
#include "tests/platform/dshow/AviWriter.h"

struct TPlayerClip {
  char name;
  const char* file;
  int first;
  int frames;
  bool Holds(int64_t index) const { return index >= first && index < first + frames; }
};
inline const TPlayerClip kClipA{'A', "clip one.avi", 0, 10};
inline const TPlayerClip kClipB{'B', "Tom & Jerry, live.avi", 100, 10};
constexpr int kClipWidth = 64, kClipHeight = 48;

// The clip a coded frame number belongs to ('-' for none).
inline char ClipOf(int64_t Index) {
  for (const TPlayerClip& clip : {kClipA, kClipB})
    if (clip.Holds(Index)) return clip.name;
  return '-';
}

// The clips the camera showed, in order, each run of one clip once.
inline std::string ClipRuns(const std::vector<int64_t>& Indices) {
  std::string runs;
  for (int64_t index : Indices) {
    const char clip = ClipOf(index);
    if (clip != '-' && (runs.empty() || runs.back() != clip)) runs += clip;
  }
  return runs;
}

// Writes both clips into the folder (with its trailing separator); false when one cannot
// be written.
inline bool WritePlayerClips(const AnsiString& Folder) {
  for (const TPlayerClip& clip : {kClipA, kClipB}) {
    AviClip avi;
    avi.width = kClipWidth;
    avi.height = kClipHeight;
    avi.frames = clip.frames;
    avi.rate = 10;
    avi.firstIndex = uint32_t(clip.first);
    const AnsiString path = Folder + clip.file;
    if (!WriteAvi(std::wstring(path.begin(), path.end()), avi)) return false;
  }
  return true;
}
