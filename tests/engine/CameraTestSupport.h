// Helpers of the tests that drive the engine library into the stand-in camera: the
// camera's names and its installation, a messenger's capture graph on it with a renderer
// that records what it receives, and the folder of the test program.
#pragma once

#include <dshow.h>
#include <windows.h>

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/dshow/BaseRenderer.h"

namespace engine_client {
class Library;
}

namespace camera_test {

constexpr const char* kHardwareId = "root\\TaviscoVCam";
constexpr const char* kCameraName = "Tavisco Virtual Camera";  // as the INF file names it

// The folder of the test program, with a trailing "\".
std::string ProgramFolder();

// Installs the stand-in camera through the engine library's exports, first removing the
// one a killed run may have left; true when the camera is then installed.
bool InstallCamera(engine_client::Library& library);

// A renderer that keeps a copy of the last RGB24 sample, as a messenger's window would
// show, and the frame number each sample codes (-1 for a picture that codes none).
class CGrabber : public CBaseRenderer {
 public:
  explicit CGrabber(HRESULT* phr);
  HRESULT CheckMediaType(const CMediaType* mt) override;
  HRESULT SetMediaType(const CMediaType* mt) override;
  HRESULT DoRenderSample(IMediaSample* sample) override;

  int Samples() const { return m_samples; }
  std::vector<BYTE> Last();
  std::vector<int64_t> Indices();
  void ClearIndices();
  BITMAPINFOHEADER Header() const { return m_header; }

 private:
  CCritSec m_lock;
  std::vector<BYTE> m_last;
  std::vector<int64_t> m_indices;
  std::atomic<int> m_samples{0};
  BITMAPINFOHEADER m_header = {};
};

// The camera's filter, found by its name among the video capture devices; null when absent.
CComPtr<IBaseFilter> BindCamera();

// One picture of the camera as a capture graph receives it.
struct Captured {
  BITMAPINFOHEADER header = {};
  std::vector<BYTE> pixels;  // rows bottom-up, blue, green, red

  const BYTE* At(int x, int y) const {
    const size_t stride = size_t(((header.biWidth * 24 + 31) / 32) * 4);
    return pixels.data() + size_t(header.biHeight - 1 - y) * stride + size_t(x) * 3;
  }
};

// A capture graph on the camera rendering into a grabber, running from Start to Stop (or
// its end).
class CameraCapture {
 public:
  CameraCapture() = default;
  ~CameraCapture() { Stop(); }
  CameraCapture(const CameraCapture&) = delete;
  CameraCapture& operator=(const CameraCapture&) = delete;

  // Builds and runs the graph; false (with a test failure) when it cannot.
  bool Start();
  void Stop();
  CGrabber* Grabber() { return m_grabber; }
  // The last picture received.
  Captured Last();

 private:
  CGrabber* m_grabber = nullptr;  // owned by m_grabberFilter
  CComPtr<IBaseFilter> m_grabberFilter;
  CComPtr<IGraphBuilder> m_graph;
  CComPtr<IMediaControl> m_control;
};

// Runs a capture graph on the camera until a few samples arrived and keeps the last.
bool CaptureFromCamera(Captured& out);

// The picture file drawn to a size on black, as GDI+ scales it (GDI+ must be started).
Captured ScaledPicture(const std::string& path, int width, int height);
// The mean difference of the colour bytes of two pictures of the same size (255 when the
// sizes differ or both are empty).
double MeanDifference(const Captured& a, const Captured& b);

}  // namespace camera_test
