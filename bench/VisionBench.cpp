// Prints what face tracking and background segmentation cost per frame at 320 x 240 and
// 640 x 480, on one core: a face search on a frame with the portrait of the face tests, a
// search on a frame without an upright face (the portrait on its side; every frame searches
// then), a tracking frame (the
// portrait moving a pixel), and each segmentation method on a scene with a person-sized
// shape. Figures are the median of several rounds, in milliseconds, beside the share of a
// 30 fps frame (33.3 ms) and the ratio to copying the frame once (the plain reference,
// measured in the same run).
//
//   vision_bench.exe [frames per measurement]
#include <windows.h>

#include <opencv2/core.hpp>
#include <opencv2/core/utility.hpp>
#include <opencv2/imgproc.hpp>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "engine/base/DibSurface.h"
#include "engine/base/SystemUtils.h"
#include "engine/effects/Effect.h"
#include "engine/effects/PropertyIds.h"
#include "engine/elements/FrameContext.h"
#include "engine/vision/BackgroundSegmenter.h"
#include "engine/vision/FaceTracker.h"

namespace {

constexpr double kFrameBudgetMs = 1000.0 / 30;

double Milliseconds(const std::function<void()>& step, int frames) {
  LARGE_INTEGER f, a, b;
  QueryPerformanceFrequency(&f);
  std::vector<double> rounds;
  for (int round = 0; round < 5; ++round) {
    QueryPerformanceCounter(&a);
    for (int i = 0; i < frames; ++i) step();
    QueryPerformanceCounter(&b);
    rounds.push_back(double(b.QuadPart - a.QuadPart) * 1000.0 / double(f.QuadPart) / frames);
  }
  std::sort(rounds.begin(), rounds.end());
  return rounds[rounds.size() / 2];
}

// An upright picture into a 24-bit surface.
void Show(const cv::Mat& upright, CDibSurface& surface) {
  surface.Create(upright.cols, upright.rows, 24);
  cv::flip(upright, *surface.GetIplImage(), 0);
}

struct Row {
  std::string name;
  double ms[2];
};

}  // namespace

int main(int argc, char** argv) {
  const int frames = argc > 1 ? std::max(1, atoi(argv[1])) : 40;
  // One core: the process and the picture library's own parallel loops.
  SetProcessAffinityMask(GetCurrentProcess(), 1);
  SetThreadAffinityMask(GetCurrentThread(), 1);
  cv::setNumThreads(1);

  CDibSurface file;
  if (FAILED(file.LoadPicture((GetProgramFolder() + "fixtures\\portrait.bmp").c_str()))) {
    fprintf(stderr, "the portrait fixtures\\portrait.bmp is missing\n");
    return 1;
  }
  cv::Mat portrait;
  cv::flip(*file.GetIplImage(), portrait, 0);
  cv::cvtColor(portrait, portrait, cv::COLOR_BGRA2BGR);

  const cv::Size sizes[2] = {cv::Size(320, 240), cv::Size(640, 480)};
  std::vector<Row> rows = {{"frame copy (reference)", {}},
                           {"face search, face found", {}},
                           {"face search, no face found", {}},
                           {"face tracking", {}},
                           {"segmentation: difference", {}},
                           {"segmentation: hue key", {}}};
  bool allTracked = true;
  for (int s = 0; s < 2; ++s) {
    const cv::Size size = sizes[s];
    cv::Mat face, shifted, empty;
    cv::resize(portrait, face, size, 0, 0, cv::INTER_LINEAR);
    // No upright face, but the same picture's detail: the portrait on its side.
    cv::rotate(face, empty, cv::ROTATE_90_CLOCKWISE);
    cv::resize(empty, empty, size, 0, 0, cv::INTER_LINEAR);
    const cv::Mat shift = (cv::Mat_<double>(2, 3) << 1, 0, 1, 0, 1, 0);
    cv::warpAffine(face, shifted, shift, size, cv::INTER_LINEAR, cv::BORDER_REPLICATE);
    CDibSurface faceFrame, shiftedFrame, emptyFrame, copy;
    Show(face, faceFrame);
    Show(shifted, shiftedFrame);
    Show(empty, emptyFrame);
    copy.Create(size.width, size.height, 24);

    rows[0].ms[s] = Milliseconds([&] { copy.CopyBits(faceFrame.GetBits(), faceFrame.GetBitsSize()); },
                                 frames * 20);

    CFaceTracker tracker;
    if (FAILED(tracker.Init())) {
      fprintf(stderr, "the cascades are missing in res\n");
      return 1;
    }
    CFrameContext context;
    rows[1].ms[s] = Milliseconds(
        [&] {
          tracker.Reset();
          context.output = &faceFrame;
          tracker.ProcessFrame(&context);
        },
        frames);
    rows[2].ms[s] = Milliseconds(
        [&] {
          context.output = &emptyFrame;
          tracker.ProcessFrame(&context);
        },
        frames);
    tracker.Reset();
    context.output = &faceFrame;
    tracker.ProcessFrame(&context);
    int turn = 0;
    rows[3].ms[s] = Milliseconds(
        [&] {
          context.output = (++turn & 1) ? &shiftedFrame : &faceFrame;
          allTracked = tracker.ProcessFrame(&context) == 0 && allTracked;
        },
        frames * 4);

    // Segmentation of a scene with a person-sized shape, the empty scene captured first.
    cv::Mat sceneImage(size, CV_8UC3), personImage;
    for (int y = 0; y < size.height; ++y)
      for (int x = 0; x < size.width; ++x)
        sceneImage.at<cv::Vec3b>(y, x) = cv::Vec3b(uchar(60 + x / 8), uchar(90 + y / 8), uchar(70 + (x + y) % 40));
    personImage = sceneImage.clone();
    cv::ellipse(personImage, cv::Point(size.width / 2, size.height * 2 / 3),
                cv::Size(size.width / 5, size.height / 3), 0, 0, 360, cv::Scalar(30, 40, 200),
                cv::FILLED);
    CDibSurface scene, person;
    Show(sceneImage, scene);
    Show(personImage, person);
    const std::string path = GetTempFolder() + "vision bench " + std::to_string(GetCurrentProcessId()) + ".bmp";
    uint8_t* bytes = nullptr;
    uint32_t length = 0;
    scene.EncodePicture(&bytes, &length, 1);
    WriteFileBytes(path, bytes, length);
    CDibSurface::FreeEncoded(bytes);
    CEffect effect;
    effect.OpenFile(path);
    effect.Start();
    effect.EnableSegmentation(TRUE);
    effect.SetProperty(PROP_SEGMENT_CAPTURE, "1");
    DeleteFileA(path.c_str());
    CBackgroundSegmenter& segmenter = *effect.GetSegmenter();
    rows[4].ms[s] = Milliseconds([&] { segmenter.Segment(person); }, frames);
    segmenter.SetProperty(PROP_SEGMENT_METHOD, "1");
    segmenter.SetProperty(PROP_SEGMENT_KEY_X, "20");
    segmenter.SetProperty(PROP_SEGMENT_KEY_Y, "20");
    rows[5].ms[s] = Milliseconds([&] { segmenter.Segment(person); }, frames);
  }

  printf("Face tracking and segmentation per frame on one core, median of 5 rounds\n");
  printf("%-28s %9s %8s %8s %9s %8s %8s\n", "", "320x240", "budget", "x copy", "640x480",
         "budget", "x copy");
  for (const Row& row : rows) {
    printf("%-28s", row.name.c_str());
    for (int s = 0; s < 2; ++s)
      printf(" %7.3fms %7.1f%% %8.1f", row.ms[s], row.ms[s] * 100 / kFrameBudgetMs,
             row.ms[s] / rows[0].ms[s]);
    printf("\n");
  }
  printf("(budget: share of a frame at 30 frames a second, 33.3 ms)\n");
  const double loading = Milliseconds(
      [] {
        CFaceTracker tracker;
        tracker.Init();
      },
      2);
  printf("loading both cascades (once per compositor): %.1f ms\n", loading);
  if (!allTracked) printf("warning: the face was lost during the tracking measurement\n");
  return 0;
}
