#include "engine/vision/BackgroundSegmenter.h"

#include <opencv2/core.hpp>
#include <opencv2/imgproc.hpp>

#include <algorithm>
#include <climits>
#include <exception>
#include <vector>

#include "engine/base/DibSurface.h"
#include "engine/base/TextUtils.h"
#include "engine/effects/Effect.h"
#include "engine/effects/PropertyIds.h"
#include "engine/elements/FrameElement.h"

namespace {

constexpr int kKeyLimit = 1000;
constexpr int kMargin = 3;  // of the canvas, left, right and before the first storage row
const cv::Size kReferenceBlur(5, 5);
const cv::Size kMaskBlur(3, 3);

// The picture's colours as 3 channels: the view itself for 24 bits, else a converted copy
// in `converted`. Null without pixels or at other depths.
const cv::Mat* ColourView(CDibSurface& surface, cv::Mat& converted) {
  cv::Mat* view = surface.GetIplImage();
  if (!view || view->empty() || view->depth() != CV_8U) return nullptr;
  if (view->channels() == 3) return view;
  if (view->channels() != 4) return nullptr;
  cv::cvtColor(*view, converted, cv::COLOR_BGRA2BGR);
  return &converted;
}

}  // namespace

struct CBackgroundSegmenter::Pictures {
  cv::Mat reference;   // blurred copy of the captured picture
  cv::Mat converted;   // 24-bit colours of a 32-bit source
  cv::Mat work;        // blurred source
  cv::Mat colourWork;  // difference picture or HSV picture
  cv::Mat mask;
  cv::Mat canvas;      // (width + 6) x (height + 3)
  cv::Mat keyLayer;
  cv::Mat hueLayer;
  std::vector<std::vector<cv::Point>> contours;
};

CBackgroundSegmenter::CBackgroundSegmenter(CEffect* owner)
    : m_owner(owner), m_pictures(std::make_unique<Pictures>()) {}

CBackgroundSegmenter::~CBackgroundSegmenter() = default;

void CBackgroundSegmenter::NotifyChange(int32_t id) {
  if (m_owner) m_owner->NotifyChange(id);
}

const cv::Mat* CBackgroundSegmenter::GetMask() const {
  return m_hasMask ? &m_pictures->mask : nullptr;
}

HRESULT CBackgroundSegmenter::GetProperty(int32_t id, std::string& value) {
  switch (id) {
    case PROP_SEGMENT_READY:
      value = BoolToText(m_ready);
      return S_OK;
    case PROP_SEGMENT_METHOD:
      value = BoolToText(m_method);
      return S_OK;
    case PROP_SEGMENT_KEY_X:
      value = IntToText(m_keyX);
      return S_OK;
    case PROP_SEGMENT_KEY_Y:
      value = IntToText(m_keyY);
      return S_OK;
    case PROP_SEGMENT_THRESHOLD:
      value = IntToText(m_threshold);
      return S_OK;
    default:
      return E_FAIL;
  }
}

HRESULT CBackgroundSegmenter::SetProperty(int32_t id, const std::string& value) {
  switch (id) {
    case PROP_SEGMENT_METHOD:
      m_method = ParseBool(value, m_method) ? 1 : 0;
      break;
    case PROP_SEGMENT_CAPTURE:
      CaptureReference();
      return S_OK;
    case PROP_SEGMENT_KEY_X:
      m_keyX = LimitToRange(ParseInt(value, m_keyX), 0, kKeyLimit);
      m_ready = TRUE;
      break;
    case PROP_SEGMENT_KEY_Y:
      m_keyY = LimitToRange(ParseInt(value, m_keyY), 0, kKeyLimit);
      m_ready = TRUE;
      break;
    case PROP_SEGMENT_THRESHOLD:
      m_threshold = ParseInt(value, m_threshold);
      break;
    default:
      return E_FAIL;
  }
  NotifyChange(id);
  return S_OK;
}

HRESULT CBackgroundSegmenter::CaptureReference() {
  if (!m_owner) return E_FAIL;
  CSourceProxy& proxy = m_owner->GetSourceProxy();
  CFrameLock lock;
  const HRESULT locked = proxy.LockFrame(nullptr, &lock);
  HRESULT hr = S_FALSE;
  if (SUCCEEDED(locked) && lock.picture && lock.picture->GetBits()) {
    try {
      cv::Mat converted;
      if (const cv::Mat* source = ColourView(*lock.picture, converted)) {
        cv::Mat reference;
        cv::blur(*source, reference, kReferenceBlur);
        m_pictures->reference = std::move(reference);
        m_ready = TRUE;
        hr = S_OK;
      }
    } catch (const std::exception&) {
      hr = E_FAIL;  // the old reference stays
    }
  }
  proxy.UnlockFrame();  // follows every lock
  return hr;
}

HRESULT CBackgroundSegmenter::Segment(CDibSurface& source) {
  m_hasMask = false;
  if (!m_ready) return E_FAIL;
  try {
    const cv::Mat* colours = ColourView(source, m_pictures->converted);
    if (!colours) return E_FAIL;
    const HRESULT hr = m_method == 1 ? SegmentByKey(*colours) : SegmentByDifference(*colours);
    m_hasMask = SUCCEEDED(hr);
    return hr;
  } catch (const std::exception&) {
    return E_FAIL;
  }
}

void CBackgroundSegmenter::EnsureWorkingPictures(const cv::Mat& source) {
  Pictures& p = *m_pictures;
  if (p.work.size() == source.size() && p.work.type() == source.type()) return;
  p.work.create(source.size(), source.type());
  p.colourWork.create(source.size(), CV_8UC3);
  p.mask.create(source.size(), CV_8UC1);
  p.canvas.create(source.rows + kMargin, source.cols + 2 * kMargin, CV_8UC1);
  p.keyLayer.create(source.size(), CV_8UC1);
  p.hueLayer.create(source.size(), CV_8UC1);
}

HRESULT CBackgroundSegmenter::SegmentByDifference(const cv::Mat& source) {
  Pictures& p = *m_pictures;
  if (p.reference.size() != source.size() || p.reference.type() != source.type()) return E_FAIL;
  EnsureWorkingPictures(source);
  cv::blur(source, p.work, kReferenceBlur);
  cv::absdiff(p.reference, p.work, p.colourWork);
  cv::cvtColor(p.colourWork, p.mask, cv::COLOR_BGR2GRAY);
  MaskStep(m_threshold);
  return S_OK;
}

HRESULT CBackgroundSegmenter::SegmentByKey(const cv::Mat& source) {
  if (m_keyX < 0 || m_keyX >= kKeyLimit || m_keyY < 0 || m_keyY >= kKeyLimit) return E_FAIL;
  Pictures& p = *m_pictures;
  // The key point counts from the top as shown; the picture's rows are bottom-up.
  const int x = int(int64_t(source.cols) * m_keyX / kKeyLimit);
  const int y = int(int64_t(source.rows) * m_keyY / kKeyLimit);
  EnsureWorkingPictures(source);
  cv::cvtColor(source, p.colourWork, cv::COLOR_BGR2HSV);
  cv::extractChannel(p.colourWork, p.hueLayer, 0);
  cv::blur(p.hueLayer, p.hueLayer, kMaskBlur);
  p.keyLayer.setTo(p.hueLayer.at<uchar>(source.rows - 1 - y, x));
  cv::absdiff(p.keyLayer, p.hueLayer, p.mask);  // not taken round the hue circle
  MaskStep(m_threshold / 3);
  return S_OK;
}

void CBackgroundSegmenter::MaskStep(int level) {
  Pictures& p = *m_pictures;
  cv::Mat& mask = p.mask;
  cv::erode(mask, mask, cv::Mat());
  cv::dilate(mask, mask, cv::Mat());
  cv::blur(mask, mask, kMaskBlur);
  cv::threshold(mask, mask, level, 255, cv::THRESH_BINARY);

  p.contours.clear();
  cv::findContours(mask, p.contours, cv::RETR_EXTERNAL, cv::CHAIN_APPROX_NONE);
  p.canvas.setTo(255);
  const size_t count = std::min(p.contours.size(), size_t(kMaxContours));
  for (size_t i = 0; i < count; ++i) {
    const std::vector<cv::Point>& outline = p.contours[i];
    if (outline.size() < size_t(kMinOutline) || cv::arcLength(outline, true) <= kMinLength)
      continue;  // small things are no person
    cv::drawContours(p.canvas, p.contours, int(i), cv::Scalar(254), cv::FILLED, cv::LINE_8,
                     cv::noArray(), 0, cv::Point(kMargin, kMargin));
  }
  // The background reaches round the shapes through the margin; what it cannot reach
  // (the shapes, 254, and holes closed by them, 255) is the person.
  cv::floodFill(p.canvas, cv::Point(0, 0), cv::Scalar(0), nullptr, cv::Scalar(0), cv::Scalar(0), 8);
  p.canvas(cv::Rect(kMargin, kMargin, mask.cols, mask.rows)).copyTo(mask);
  cv::blur(mask, mask, kMaskBlur);
}
