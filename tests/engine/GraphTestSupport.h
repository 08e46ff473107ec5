// Helpers of the DirectShow graph tests: a frame sink that records what the renderer hands
// it, a file graph that lets the tests look inside, the clips the tests play and waiting
// with a limit.
#pragma once

#include <windows.h>

#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "engine/elements/FrameElement.h"
#include "engine/graphs/FilePlayerGraph.h"

namespace graph_test {

// One frame as the sink saw it. The pixels are repacked to 3 bytes a pixel, rows unpadded
// and in the order of the buffer (bottom-up for a positive height).
struct SinkFrame {
  BITMAPINFOHEADER header;
  GUID subtype;
  const BYTE* bits;  // the renderer's buffer; valid only during the call
  std::vector<uint8_t> pixels;
  // The coded frame number, -1 when the frame is not intact: the three colour bytes of each
  // pixel hold the pattern, or, for a 32-bit source that codes them all, all four.
  int64_t index;
};

class CRecordingSink : public IFrameSink {
 public:
  HRESULT OnFrame(const BITMAPINFOHEADER* header, const BYTE* bits, const GUID& subtype) override;

  std::vector<SinkFrame> Frames();
  size_t Count();
  void Clear();
  // True when at least `count` frames arrived within the time.
  bool WaitForCount(size_t count, DWORD timeoutMs);
  // The coded numbers of the frames so far.
  std::vector<int64_t> Indices();

 private:
  std::mutex m_mutex;
  std::condition_variable m_arrived;
  std::vector<SinkFrame> m_frames;
};

// Blue, green, red of the pixel (x, y) counted from the top of an upright picture.
struct Bgr {
  int b, g, r;
};
Bgr PixelAt(const SinkFrame& frame, int x, int y);

// A file graph whose graph manager the tests can look into.
class CProbeGraph : public CFilePlayerGraph {
 public:
  using CFilePlayerGraph::CFilePlayerGraph;
  IGraphBuilder* Graph() { return m_graph; }
  // Names of the filters in the graph.
  std::vector<std::wstring> FilterNames();
  // The filter of that name, or null.
  CComPtr<IBaseFilter> FindFilter(const std::wstring& name);
  // The volume the graph's sound control reports; 1 when there is none.
  long ReadVolume();
  // Waits up to the limit for the graph manager's state transition to finish.
  HRESULT WaitForGraphState(DWORD timeoutMs, OAFilterState* state);
  // Whether the graph keeps time by the filter of that name (the clock is that filter's
  // own); false without clock or filter.
  bool KeepsTimeBy(const std::wstring& name);
  // Whether the graph has a reference clock at all.
  bool HasClock();
};


// Polls the condition every 10 ms; true when it held within the time.
bool WaitUntil(const std::function<bool()>& condition, DWORD timeoutMs);

// A folder of this test process under the temporary folder, with a trailing "\"; made on
// first use. RemoveScratchFolder deletes it with its files.
std::string ScratchFolder();
void RemoveScratchFolder();
// Writes an uncompressed RGB24 AVI of 64 x 48 frames whose pixels code the frame number;
// false when it cannot be written.
bool WriteCodedClip(const std::string& path, int frames, int rate);
// A clip made at build time by GStreamer, by its file name ("mjpeg.avi", "sound.avi").
std::string BuildClip(const std::string& name);

}  // namespace graph_test
