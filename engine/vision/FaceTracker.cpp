#include "engine/vision/FaceTracker.h"

#include <opencv2/core.hpp>
#include <opencv2/imgproc.hpp>
#include <opencv2/objdetect.hpp>
#include <opencv2/video/tracking.hpp>

#include <algorithm>
#include <cmath>
#include <exception>
#include <vector>

#include "engine/base/DibSurface.h"
#include "engine/base/SystemUtils.h"

namespace {

constexpr int kPointCount = 7;
// Face search: scale step, minimum neighbours (raw candidates), smallest face.
constexpr double kFaceScaleStep = 1.5;
const cv::Size kSmallestFace(53, 40);
// Eye search.
constexpr double kEyeScaleStep = 1.1;
const cv::Size kSmallestEye(8, 8);
// Optical flow.
const cv::Size kFlowWindow(5, 5);
constexpr int kFlowLevels = 2;
// Room around the followed points for their move to the next frame (far more than the
// flow's window and levels can follow).
constexpr int kTrackMargin = 48;
const cv::TermCriteria kFlowStop(cv::TermCriteria::COUNT | cv::TermCriteria::EPS, 260, 0.001);
// Candidates of one eye that overlap this much are one candidate.
constexpr double kEyeGrouping = 0.2;

RECT ToRect(const cv::Rect& r) { return RECT{r.x, r.y, r.x + r.width, r.y + r.height}; }

// The largest raw face candidate; of equal ones the topmost, then leftmost.
cv::Rect LargestCandidate(const std::vector<cv::Rect>& candidates) {
  return *std::max_element(candidates.begin(), candidates.end(),
                           [](const cv::Rect& a, const cv::Rect& b) {
                             if (a.area() != b.area()) return a.area() < b.area();
                             if (a.y != b.y) return a.y > b.y;
                             return a.x > b.x;
                           });
}

// The eye candidate most raw candidates agree on: the mean rectangle of the largest group
// of similar ones; of equally large groups the one of larger rectangles, then the topmost.
cv::Rect StrongestCandidate(const std::vector<cv::Rect>& candidates) {
  std::vector<int> labels;
  const int groups = cv::partition(candidates, labels, cv::SimilarRects(kEyeGrouping));
  std::vector<int> count(size_t(groups), 0);
  std::vector<cv::Vec4d> sum(size_t(groups), cv::Vec4d(0, 0, 0, 0));
  for (size_t i = 0; i < candidates.size(); ++i) {
    const cv::Rect& r = candidates[i];
    ++count[size_t(labels[i])];
    sum[size_t(labels[i])] += cv::Vec4d(r.x, r.y, r.width, r.height);
  }
  int best = 0;
  cv::Rect bestRect;
  for (int g = 0; g < groups; ++g) {
    const cv::Vec4d mean = sum[size_t(g)] * (1.0 / count[size_t(g)]);
    const cv::Rect rect(cvRound(mean[0]), cvRound(mean[1]), cvRound(mean[2]), cvRound(mean[3]));
    const bool better = g == 0 || count[size_t(g)] > count[size_t(best)] ||
                        (count[size_t(g)] == count[size_t(best)] &&
                         (rect.area() > bestRect.area() ||
                          (rect.area() == bestRect.area() && rect.y < bestRect.y)));
    if (better) {
      best = g;
      bestRect = rect;
    }
  }
  return bestRect;
}

// The spread |a - b| + |b - c| + |c - a| of three values.
float Spread(float a, float b, float c) { return std::fabs(a - b) + std::fabs(b - c) + std::fabs(c - a); }

}  // namespace

struct CFaceTracker::State {
  cv::CascadeClassifier faceCascade;
  cv::CascadeClassifier eyeCascade;
  cv::Mat upright;  // the frame, row 0 the top row as displayed
  cv::Mat grey, previousGrey;
  // (Not brace-initialised: that would make matrices of the three numbers.)
  cv::Mat small = cv::Mat(kSmallHeight, kSmallWidth, CV_8UC1);
  cv::Mat eyePicture = cv::Mat(kEyeHeight, kEyeWidth, CV_8UC1);
  std::vector<cv::Point2f> points = std::vector<cv::Point2f>(kPointCount);
  std::vector<cv::Point2f> previousPoints = std::vector<cv::Point2f>(kPointCount);
  cv::Rect face, eye1, eye2;
  bool tracking = false;
  cv::Point2f eye1Centre, eye2Centre, faceCentre;
  double eyeDistance = 0.0;
  double angle = 0.0;
};

CFaceTracker::CFaceTracker() : m_state(std::make_unique<State>()) {}

CFaceTracker::~CFaceTracker() = default;

HRESULT CFaceTracker::Init() { return Init(GetProgramFolder()); }

HRESULT CFaceTracker::Init(const std::string& folder) {
  State& s = *m_state;
  try {
    s.eyeCascade.load(folder + kEyeCascadeFile);
    s.faceCascade.load(folder + kFaceCascadeFile);
  } catch (const std::exception&) {
    // A damaged file leaves that cascade empty.
  }
  return !s.faceCascade.empty() && !s.eyeCascade.empty() ? S_OK : E_FAIL;
}

void CFaceTracker::Reset() { m_state->tracking = false; }

int CFaceTracker::ProcessFrame(CFrameContext* context) {
  if (!context) return 1;
  State& s = *m_state;
  cv::Mat* view = context->output ? context->output->GetIplImage() : nullptr;
  if (!view || view->channels() != 3 || view->empty()) {
    s.tracking = false;
  } else {
    try {
      cv::flip(*view, s.upright, 0);  // the surface's rows are bottom-up
      if (s.tracking)
        TrackEyes();
      else
        Detect();
      if (s.tracking) {
        cv::swap(s.grey, s.previousGrey);
        std::swap(s.points, s.previousPoints);
      }
    } catch (const std::exception&) {
      // A frame the picture library cannot process (cv::Exception, no memory) has no face.
      s.tracking = false;
    }
  }
  context->faceFound = s.tracking ? 1 : 0;
  if (s.tracking) {
    context->faceX = s.faceCentre.x;
    context->faceY = s.faceCentre.y;
    context->faceSize = s.eyeDistance;
    context->faceAngle = s.angle;
  }
  return s.tracking ? 0 : 1;
}

int CFaceTracker::Detect() {
  State& s = *m_state;
  s.tracking = false;
  if (s.faceCascade.empty() || s.eyeCascade.empty()) return 1;
  const int width = s.upright.cols, height = s.upright.rows;

  cv::cvtColor(s.upright, s.grey, cv::COLOR_BGR2GRAY);
  cv::resize(s.grey, s.small, s.small.size(), 0, 0, cv::INTER_LINEAR);
  cv::equalizeHist(s.small, s.small);
  std::vector<cv::Rect> faces;
  s.faceCascade.detectMultiScale(s.small, faces, kFaceScaleStep, 0, 0, kSmallestFace);
  if (faces.empty()) return 1;
  const cv::Rect found = LargestCandidate(faces);
  const double sx = double(width) / kSmallWidth, sy = double(height) / kSmallHeight;
  const cv::Rect face(cvRound(found.x * sx), cvRound(found.y * sy), cvRound(found.width * sx),
                      cvRound(found.height * sy));

  // The eye regions, in units of an 88-unit face.
  const double ux = face.width / 88.0, uy = face.height / 88.0;
  const int regionWidth = cvRound(33 * ux), regionHeight = cvRound(34 * uy);
  const int top = cvRound(face.y + 24 * uy);
  const cv::Rect frame(0, 0, width, height);
  cv::Rect eyes[2];
  for (int e = 0; e < 2; ++e) {
    const bool mirrored = e == 1;
    const int left = cvRound(face.x + (mirrored ? 49 : 6) * ux);
    // A region reaching out of the frame is searched where it lies inside.
    const cv::Rect region = cv::Rect(left, top, regionWidth, regionHeight) & frame;
    if (region.width < 1 || region.height < 1) return 1;
    cv::resize(s.grey(region), s.eyePicture, s.eyePicture.size(), 0, 0, cv::INTER_LINEAR);
    if (mirrored) cv::flip(s.eyePicture, s.eyePicture, 1);
    std::vector<cv::Rect> candidates;
    s.eyeCascade.detectMultiScale(s.eyePicture, candidates, kEyeScaleStep, 0, 0, kSmallestEye);
    if (candidates.empty()) return 1;
    const cv::Rect r = StrongestCandidate(candidates);
    const double kx = double(region.width) / kEyeWidth, ky = double(region.height) / kEyeHeight;
    const int x = mirrored ? cvRound(region.x + region.width - 1 - kx * (r.x + r.width))
                           : cvRound(region.x + kx * r.x);
    eyes[e] = cv::Rect(x, cvRound(region.y + ky * r.y), cvRound(kx * r.width),
                       cvRound(ky * r.height));
  }

  s.face = face;
  s.eye1 = eyes[0];
  s.eye2 = eyes[1];
  s.tracking = true;
  s.points[0] = cv::Point2f(float(face.x + face.width / 2), float(face.y + 2 * face.height / 3));
  for (int e = 0; e < 2; ++e) {
    const cv::Rect& eye = eyes[e];
    const float y = float(eye.y + eye.height / 2);
    s.points[size_t(1 + 3 * e)] = cv::Point2f(float(eye.x), y);
    s.points[size_t(2 + 3 * e)] = cv::Point2f(float(eye.x + eye.width / 2), y);
    s.points[size_t(3 + 3 * e)] = cv::Point2f(float(eye.x + eye.width), y);
  }
  ComputePose();
  return 0;
}

int CFaceTracker::TrackEyes() {
  State& s = *m_state;
  s.tracking = false;
  cv::cvtColor(s.upright, s.grey, cv::COLOR_BGR2GRAY);
  if (s.previousGrey.size() != s.grey.size()) return 1;  // the frame size changed
  // The flow is computed in the part of the frame around the points only: its pyramids
  // cost the area they cover. The part's corners are multiples of 4, so that the 2-level
  // pyramid samples as it does on the whole frame; next to its edges the pyramid reads the
  // pixels beyond them.
  const cv::Rect around = cv::boundingRect(s.previousPoints);
  const int left = std::max(0, (around.x - kTrackMargin) & ~3);
  const int top = std::max(0, (around.y - kTrackMargin) & ~3);
  const int right = std::min(s.grey.cols, (around.x + around.width + kTrackMargin + 3) & ~3);
  const int bottom = std::min(s.grey.rows, (around.y + around.height + kTrackMargin + 3) & ~3);
  if (right <= left || bottom <= top) return 1;
  const cv::Rect part(left, top, right - left, bottom - top);
  const cv::Point2f offset = cv::Point2f(float(left), float(top));
  std::vector<cv::Point2f> from(s.previousPoints);
  for (cv::Point2f& point : from) point -= offset;
  std::vector<uchar> status;
  std::vector<float> errors;
  std::vector<cv::Point2f> next;
  cv::calcOpticalFlowPyrLK(s.previousGrey(part), s.grey(part), from, next, status, errors,
                           kFlowWindow, kFlowLevels, kFlowStop, 0);
  if (next.size() != size_t(kPointCount) || status.size() != size_t(kPointCount)) return 1;
  for (cv::Point2f& point : next) point += offset;
  for (uchar found : status)
    if (!found) return 1;
  // Each eye's three points must keep a plausible shape.
  const float widthLimit = float(s.grey.cols / 4), heightLimit = float(s.grey.rows / 4);
  for (size_t first : {size_t(1), size_t(4)}) {
    const cv::Point2f& a = next[first];
    const cv::Point2f& b = next[first + 1];
    const cv::Point2f& c = next[first + 2];
    if (Spread(a.x, b.x, c.x) > widthLimit || Spread(a.y, b.y, c.y) > heightLimit) return 1;
  }
  s.points = std::move(next);
  ComputePose();
  s.tracking = true;
  return 0;
}

void CFaceTracker::ComputePose() {
  State& s = *m_state;
  const float third = 0.33333334f;
  const std::vector<cv::Point2f>& p = s.points;
  s.eye1Centre = cv::Point2f((p[1].x + p[2].x + p[3].x) * third, (p[1].y + p[2].y + p[3].y) * third);
  s.eye2Centre = cv::Point2f((p[4].x + p[5].x + p[6].x) * third, (p[4].y + p[5].y + p[6].y) * third);
  s.faceCentre = cv::Point2f((s.eye1Centre.x + s.eye2Centre.x) / 2, (s.eye1Centre.y + s.eye2Centre.y) / 2);
  const double dx = double(s.eye1Centre.x) - s.eye2Centre.x;
  const double dy = double(s.eye1Centre.y) - s.eye2Centre.y;
  s.eyeDistance = std::sqrt(dx * dx + dy * dy);
  s.angle = std::atan2(dy, dx) * 180.0 / CV_PI;
}

bool CFaceTracker::IsTracking() const { return m_state->tracking; }
RECT CFaceTracker::GetFaceRect() const { return ToRect(m_state->face); }
RECT CFaceTracker::GetEyeRect(int eye) const { return ToRect(eye == 2 ? m_state->eye2 : m_state->eye1); }
double CFaceTracker::GetFaceX() const { return m_state->faceCentre.x; }
double CFaceTracker::GetFaceY() const { return m_state->faceCentre.y; }
double CFaceTracker::GetEyeDistance() const { return m_state->eyeDistance; }
double CFaceTracker::GetAngle() const { return m_state->angle; }
