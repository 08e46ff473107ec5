// The face tracker on a real portrait (a public-domain photograph, see make_portrait.sh):
// the search finds the eyes, tracking follows the picture, the pose of turned, scaled and
// moved portraits, and frames no face can be found in, or that the picture library cannot
// take, end as frames without a face.
#include "engine/vision/FaceTracker.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <opencv2/imgproc.hpp>

#include <algorithm>
#include <cmath>
#include <string>

#include "engine/base/DibSurface.h"
#include "engine/base/SystemUtils.h"

namespace {

// Where the portrait's eyes are (measured on the picture), and so the point between them.
constexpr double kPortraitFaceX = 160.0;
constexpr double kPortraitFaceY = 86.0;
constexpr double kPortraitEyeDistance = 80.0;

std::string PortraitPath() { return GetProgramFolder() + "fixtures\\portrait.bmp"; }

// The portrait, upright, 24-bit.
cv::Mat Portrait() {
  CDibSurface file;
  if (FAILED(file.LoadPicture(PortraitPath().c_str()))) return cv::Mat();
  cv::Mat upright;
  cv::flip(*file.GetIplImage(), upright, 0);
  cv::cvtColor(upright, upright, cv::COLOR_BGRA2BGR);
  return upright;
}

// The portrait turned clockwise (as shown) by `degrees`, scaled by `scale` and moved, on
// the portrait's grey, in a frame of the given size.
cv::Mat Posed(const cv::Mat& portrait, double degrees, double scale, double dx, double dy,
              cv::Size frame = cv::Size(320, 240)) {
  cv::Mat m = cv::getRotationMatrix2D(cv::Point2f(160, 120), -degrees, scale);
  m.at<double>(0, 2) += dx + (frame.width - 320) / 2.0;
  m.at<double>(1, 2) += dy + (frame.height - 240) / 2.0;
  cv::Mat out;
  cv::warpAffine(portrait, out, m, frame, cv::INTER_LINEAR, cv::BORDER_CONSTANT,
                 cv::Scalar(128, 128, 128));
  return out;
}

// An output picture holding an upright picture.
void Show(const cv::Mat& upright, CDibSurface& output) {
  if (output.GetWidth() != upright.cols || output.GetHeight() != upright.rows) {
    ASSERT_TRUE(output.Create(upright.cols, upright.rows, 24));
  }
  cv::flip(upright, *output.GetIplImage(), 0);
}

class FaceTracker : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(tracker.Init(), S_OK) << "the cascades are in res beside the program";
    portrait = Portrait();
    ASSERT_FALSE(portrait.empty()) << PortraitPath();
  }

  // Runs the tracker on one picture.
  int Process(const cv::Mat& upright) {
    Show(upright, output);
    context = CFrameContext();
    context.output = &output;
    return tracker.ProcessFrame(&context);
  }

  CFaceTracker tracker;
  cv::Mat portrait;
  CDibSurface output;
  CFrameContext context;
};

TEST_F(FaceTracker, FindsTheEyesOfThePortraitAndFollowsItsMoves) {
  ASSERT_EQ(Process(portrait), 0);
  EXPECT_EQ(context.faceFound, 1);
  EXPECT_NEAR(context.faceX, kPortraitFaceX, 5);
  EXPECT_NEAR(context.faceY, kPortraitFaceY, 5);
  EXPECT_NEAR(context.faceSize, kPortraitEyeDistance, 8);
  EXPECT_GT(std::fabs(context.faceAngle), 175) << "a level face";
  const RECT eye1 = tracker.GetEyeRect(1), eye2 = tracker.GetEyeRect(2);
  EXPECT_LT(eye1.right, eye2.left) << "eye 1 is the left one on the picture";
  const RECT face = tracker.GetFaceRect();
  EXPECT_TRUE(face.left < eye1.left && eye2.right < face.right + 8);

  // The same picture again: the points stay where they are.
  ASSERT_EQ(Process(portrait), 0);
  EXPECT_TRUE(tracker.IsTracking());
  const double x = context.faceX, y = context.faceY;
  // Moved a little each frame, the eyes are followed.
  for (int step = 1; step <= 4; ++step) {
    ASSERT_EQ(Process(Posed(portrait, 0, 1.0, 3 * step, 2 * step)), 0) << step;
    EXPECT_NEAR(context.faceX, x + 3 * step, 1.5) << step;
    EXPECT_NEAR(context.faceY, y + 2 * step, 1.5) << step;
  }
  // A picture without a face ends the tracking; nothing else of the context changes.
  const double lastX = context.faceX;
  Show(cv::Mat(240, 320, CV_8UC3, cv::Scalar(128, 128, 128)), output);
  context.faceFound = 1;
  EXPECT_EQ(tracker.ProcessFrame(&context), 1);
  EXPECT_EQ(context.faceFound, 0);
  EXPECT_EQ(context.faceX, lastX);
  EXPECT_FALSE(tracker.IsTracking());
  EXPECT_EQ(Process(cv::Mat(240, 320, CV_8UC3, cv::Scalar(128, 128, 128))), 1);
}

TEST_F(FaceTracker, AnEyeIsLostOnceItsPointsSpreadPastAQuarterOfTheFrame) {
  // Each eye's points lie at its left end, middle and right end: their x values spread by
  // about twice its width, their y values by nothing while the face is level. Tracking
  // holds an eye whose points spread up to a quarter of the frame's width in x (80) and a
  // quarter of its height in y (60). The portrait, found level, is followed while it grows
  // a little each frame, level or first turned upright (then the eyes' spread is in y),
  // until the spread passes the limit of its axis.
  ASSERT_EQ(Process(portrait), 0);
  const RECT eye1 = tracker.GetEyeRect(1), eye2 = tracker.GetEyeRect(2);
  const double spread = 2.0 * std::max(eye1.right - eye1.left, eye2.right - eye2.left);
  ASSERT_LT(spread, 60) << "the portrait's eyes are held level and upright";
  struct Case {
    const char* what;
    double degrees;
    double limit;
  };
  for (const Case& c : {Case{"level", 0, 320 / 4}, Case{"upright", 90, 240 / 4}}) {
    SCOPED_TRACE(c.what);
    tracker.Reset();
    ASSERT_EQ(Process(portrait), 0);
    for (double degrees = 3; degrees <= c.degrees; degrees += 3)
      ASSERT_EQ(Process(Posed(portrait, degrees, 1.0, 0, 0)), 0) << "turned " << degrees;
    double lostAt = 0;
    for (double scale = 1.02; scale < 2.5 && lostAt == 0; scale += 0.02) {
      if (Process(Posed(portrait, c.degrees, scale, 0, 0)) != 0) lostAt = scale;
    }
    ASSERT_GT(lostAt, 0) << "never lost";
    // The followed points drift a little from the found eye's ends; the other axis's
    // limit lies a third of the scale away.
    EXPECT_NEAR(lostAt, c.limit / spread, 0.12);
    EXPECT_EQ(context.faceFound, 0);
    EXPECT_FALSE(tracker.IsTracking());
    // Lost, the next frame searches again.
    EXPECT_EQ(Process(portrait), 0);
    EXPECT_TRUE(tracker.IsTracking());
  }
}

TEST_F(FaceTracker, PoseOfTurnedScaledAndMovedPortraits) {
  struct Case {
    double degrees, scale, dx, dy;  // clockwise as shown
    cv::Size frame;
    double x, y, distance;
  };
  const cv::Size k320(320, 240), k640(640, 480), k176(176, 144);
  const Case cases[] = {
      {0, 1.0, 0, 0, k320, 160, 86, 80},
      {10, 1.0, 0, 0, k320, 0, 0, 80},
      {-10, 1.0, 0, 0, k320, 0, 0, 80},
      {15, 1.0, 0, 0, k320, 0, 0, 80},
      {-15, 1.0, 0, 0, k320, 0, 0, 80},
      {0, 1.0, -40, 10, k320, 120, 96, 80},
      {0, 0.8, 0, 0, k320, 160, 93, 64},
      {0, 2.0, 0, 0, k640, 320, 172, 160},
      {0, 0.55, 0, 0, k176, 88, 53, 44},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE("turned " + std::to_string(c.degrees) + " scaled " + std::to_string(c.scale) +
                 " in " + std::to_string(c.frame.width));
    tracker.Reset();
    ASSERT_EQ(Process(Posed(portrait, c.degrees, c.scale, c.dx, c.dy, c.frame)), 0);
    // Turned clockwise, eye 2 (the right one) is lower: the angle lies between -180 and
    // -90 degrees; turned the other way between 90 and 180.
    const double expected = c.degrees >= 0 ? -180 + c.degrees : 180 + c.degrees;
    double error = std::fabs(context.faceAngle - expected);
    if (error > 180) error = 360 - error;
    EXPECT_LT(error, 4.0) << context.faceAngle << " for " << expected;
    if (c.degrees != 0) {
      EXPECT_EQ(context.faceAngle < 0, c.degrees > 0) << context.faceAngle;
    }
    EXPECT_NEAR(context.faceSize, c.distance, c.distance * 0.12);
    if (c.x != 0) {
      EXPECT_NEAR(context.faceX, c.x, 6 * c.scale);
      EXPECT_NEAR(context.faceY, c.y, 6 * c.scale);
    }
  }
}

TEST_F(FaceTracker, FramesItCannotTakeHaveNoFace) {
  // Without cascades (missing or damaged files) no face is found and nothing throws.
  const std::string folder = GetTempFolder() + "face tracker " + std::to_string(GetCurrentProcessId()) + "\\";
  ASSERT_EQ(CreateDirectoryPath(folder + "res"), S_OK);
  CFaceTracker blind;
  EXPECT_EQ(blind.Init(folder), E_FAIL);
  const char damaged[] = "<?xml version=\"1.0\"?><opencv_storage><cascade>broken";
  ASSERT_EQ(WriteFileBytes(folder + CFaceTracker::kFaceCascadeFile, damaged, sizeof(damaged) - 1), S_OK);
  ASSERT_EQ(WriteFileBytes(folder + CFaceTracker::kEyeCascadeFile, damaged, sizeof(damaged) - 1), S_OK);
  EXPECT_EQ(blind.Init(folder), E_FAIL);
  Show(portrait, output);
  CFrameContext frame;
  frame.output = &output;
  EXPECT_EQ(blind.ProcessFrame(&frame), 1);
  EXPECT_EQ(frame.faceFound, 0);
  DeleteFileA((folder + CFaceTracker::kFaceCascadeFile).c_str());
  DeleteFileA((folder + CFaceTracker::kEyeCascadeFile).c_str());
  RemoveDirectoryA((folder + "res").c_str());
  RemoveDirectoryA(folder.c_str());

  // No context, no picture, a picture of another depth.
  EXPECT_EQ(tracker.ProcessFrame(nullptr), 1);
  frame = CFrameContext();
  EXPECT_EQ(tracker.ProcessFrame(&frame), 1);
  CDibSurface wide;
  ASSERT_TRUE(wide.Create(320, 240, 32));
  frame.output = &wide;
  EXPECT_EQ(tracker.ProcessFrame(&frame), 1);

  // A face at the edges: its eye regions reach out of the frame.
  for (const cv::Point2d& move : {cv::Point2d(-130, 0), cv::Point2d(130, 0), cv::Point2d(0, -90),
                                  cv::Point2d(-120, -85), cv::Point2d(0, 110)}) {
    tracker.Reset();
    Process(Posed(portrait, 0, 1.3, move.x, move.y));
    if (context.faceFound) {
      EXPECT_GE(context.faceX, 0);
      EXPECT_LT(context.faceX, 320);
    }
  }
  // Tracking through a change of the frame size loses the face for that frame; the next
  // one searches at the new size.
  tracker.Reset();
  ASSERT_EQ(Process(portrait), 0);
  const cv::Mat larger = Posed(portrait, 0, 2.0, 0, 0, cv::Size(640, 480));
  EXPECT_EQ(Process(larger), 1);
  ASSERT_EQ(Process(larger), 0);
  EXPECT_NEAR(context.faceX, 320, 12);
  // Tiny frames hold no face.
  tracker.Reset();
  EXPECT_EQ(Process(cv::Mat(8, 8, CV_8UC3, cv::Scalar(90, 90, 90))), 1);
}

}  // namespace
