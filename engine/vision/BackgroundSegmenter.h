// Separates the person in front of the camera from the background, so that a background
// effect shows through behind them: every time its effect draws its source picture, the
// segmenter computes an 8-bit mask of the picture's size (0 background, up to 255 the
// person), in the picture's storage row order, which the effect passes to the surface's
// masked drawing.
//
// Two methods: the difference to a reference picture of the empty scene (method 0, after a
// capture), and the hue distance to the hue at a key point (method 1, once a key point is
// set). Both clean the raw mask the same way: erode, dilate, blur and threshold; then the
// outlines of the first 20 outer shapes, those longer than 200 pixels, are filled, and
// everything the background around them does not reach counts as the person.
//
// Pictures of 32 bits are taken as their 24-bit colours. Property calls and the capture run
// on the main thread, Segment on the compositor's thread, both under the compositor mutex.
// Nothing the picture library throws leaves Segment or the capture: that frame has no mask.
#pragma once

#include <windows.h>

#include <cstdint>
#include <memory>
#include <string>

class CDibSurface;
class CEffect;
namespace cv {
class Mat;
}

class CBackgroundSegmenter {
 public:
  static constexpr int32_t kDefaultThreshold = 15;
  static constexpr int kMaxContours = 20;
  static constexpr int kMinOutline = 190;     // chain points of an outline worth looking at
  static constexpr double kMinLength = 200;   // length of an outline that is kept

  explicit CBackgroundSegmenter(CEffect* owner);
  ~CBackgroundSegmenter();
  CBackgroundSegmenter(const CBackgroundSegmenter&) = delete;
  CBackgroundSegmenter& operator=(const CBackgroundSegmenter&) = delete;

  // Computes the mask of a source picture (24 or 32 bits). E_FAIL when not ready, when
  // the reference does not match the picture's size (method 0), without a valid key point
  // (method 1), or when the picture cannot be processed.
  HRESULT Segment(CDibSurface& source);
  // The reference becomes a blurred copy of the owner's current source picture; a source
  // without a picture changes nothing.
  HRESULT CaptureReference();

  // PROP_SEGMENT_READY (read only), _METHOD, _CAPTURE (write only), _KEY_X, _KEY_Y and
  // _THRESHOLD; other ids E_FAIL.
  HRESULT GetProperty(int32_t id, std::string& value);
  HRESULT SetProperty(int32_t id, const std::string& value);

  // The mask of the last successful Segment (1 channel, the source's size), else null.
  const cv::Mat* GetMask() const;
  BOOL IsReady() const { return m_ready; }
  int32_t GetMethod() const { return m_method; }

 private:
  struct Pictures;
  HRESULT SegmentByDifference(const cv::Mat& source);
  HRESULT SegmentByKey(const cv::Mat& source);
  void EnsureWorkingPictures(const cv::Mat& source);
  // Cleans the raw mask and fills the outlines of the shapes, with threshold `level`.
  void MaskStep(int level);
  void NotifyChange(int32_t id);

  CEffect* m_owner;
  std::unique_ptr<Pictures> m_pictures;
  int32_t m_method = 0;
  BOOL m_ready = FALSE;
  int32_t m_keyX = -1;  // thousandths of the width, 0 .. 1000; -1 unset
  int32_t m_keyY = -1;
  int32_t m_threshold = kDefaultThreshold;
  bool m_hasMask = false;
};
