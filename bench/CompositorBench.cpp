// Prints what one composed frame costs the compositor, for output sizes 320 x 240,
// 640 x 480 and 1280 x 720 with the main source (a solid colour) alone and under 4 and 16
// effects that each cover the whole frame (the scene of CompositorScene.h), what each pixel
// filter adds over the whole frame at 640 x 480 and 1280 x 720, and how evenly the
// multimedia timer delivers frames at 30 frames a second.
//
// Each cost is also given in blend passes: the time of a plain scalar per-pixel alpha-blend
// loop over a whole frame of that size (a 32-bit picture onto the 24-bit frame), measured
// beside it in the same run, so that figures from different machines compare. No camera is
// installed and no preview window is given, so the figures are the composition alone.
//
//   compositor_bench.exe [frames per measurement] [seconds of timer run]
#include <windows.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "bench/CompositorScene.h"
#include "engine/api/EngineSink.h"
#include "engine/api/VDEngine.h"
#include "engine/base/ModuleValues.h"
#include "engine/compositor/EffectCompositor.h"
#include "engine/effects/PropertyIds.h"

namespace {

class CQuietSink : public IVDEngineSink {
 public:
  LRESULT SendHostMessage(UINT, WPARAM, LPARAM) override { return -1; }
  LRESULT PostHostMessage(UINT, WPARAM, LPARAM) override { return -1; }
  void ReportEvent(int32_t, const std::string&) override {}
  HWND GetNotifyWindow() override { return nullptr; }
  HWND GetOwnerWindow() override { return nullptr; }
  int32_t GetOutputWidth() override { return width; }
  int32_t GetOutputHeight() override { return height; }
  std::string GetCameraName() override { return "Benchmark Camera"; }
  int32_t width = 0;
  int32_t height = 0;
};

// A compositor that notes when each timer tick starts.
class CTimedCompositor : public CEffectCompositor {
 public:
  explicit CTimedCompositor(IVDEngineSink* sink, size_t capacity) : CEffectCompositor(sink) {
    m_ticks.resize(capacity);
  }
  ~CTimedCompositor() override { CMediaTimer::Stop(); }
  void OnTimer(UINT timerId) override {
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    const LONG index = InterlockedIncrement(&m_count) - 1;
    if (index >= 0 && size_t(index) < m_ticks.size()) m_ticks[size_t(index)] = now.QuadPart;
    CEffectCompositor::OnTimer(timerId);
  }
  void ResetTicks() { InterlockedExchange(&m_count, 0); }
  std::vector<int64_t> Ticks() const {
    const size_t n = std::min<size_t>(size_t(m_count), m_ticks.size());
    return std::vector<int64_t>(m_ticks.begin(), m_ticks.begin() + ptrdiff_t(n));
  }

 private:
  std::vector<int64_t> m_ticks;
  volatile LONG m_count = 0;
};

double Frequency() {
  LARGE_INTEGER f;
  QueryPerformanceFrequency(&f);
  return double(f.QuadPart);
}

int64_t Now() {
  LARGE_INTEGER t;
  QueryPerformanceCounter(&t);
  return t.QuadPart;
}

// The reference: every pixel of a 32-bit picture blended onto a 24-bit frame by its alpha,
// (s * a + d * (255 - a)) / 255 per channel, one pixel at a time as plainly written code
// does it (kept from being vectorised, so the yardstick does not move with the compiler).
__attribute__((noinline, optimize("no-tree-vectorize"))) void PlainBlend(const uint8_t* source,
                                                                         uint8_t* frame,
                                                                         size_t pixels) {
  for (size_t i = 0; i < pixels; ++i, source += 4, frame += 3) {
    const unsigned a = source[3];
    for (int c = 0; c < 3; ++c) frame[c] = uint8_t((source[c] * a + frame[c] * (255 - a)) / 255);
  }
}

class CReferenceBlend {
 public:
  CReferenceBlend(int width, int height)
      : m_pixels(size_t(width) * size_t(height)), m_source(m_pixels * 4), m_frame(m_pixels * 3) {
    for (size_t i = 0; i < m_pixels; ++i) {
      for (int c = 0; c < 4; ++c) m_source[i * 4 + c] = uint8_t((i * (7 + c * 13)) >> 3);
    }
  }
  void Run(int times) {
    for (int i = 0; i < times; ++i) PlainBlend(m_source.data(), m_frame.data(), m_pixels);
  }

 private:
  size_t m_pixels;
  std::vector<uint8_t> m_source;
  std::vector<uint8_t> m_frame;
};

struct Sample {
  double composeMs = 0;
  double blendMs = 0;
  double Passes() const { return blendMs > 0 ? composeMs / blendMs : 0; }
};

// Builds a running compositor of that size with the scene's `effects` effects.
std::unique_ptr<CTimedCompositor> Build(CQuietSink& sink, int width, int height, int effects,
                                        int rate, size_t tickCapacity, const std::string& folder,
                                        bool veil = false) {
  sink.width = width;
  sink.height = height;
  SetModuleOutputSize(width, height);
  auto compositor = std::make_unique<CTimedCompositor>(&sink, tickCapacity);
  compositor->SetOutputSize(width, height);
  compositor->SetFrameRate(rate);
  compositor->LoadStockImages();
  compositor->Start();
  if (!BuildCompositorScene(*compositor, width, height, effects, folder) ||
      (veil && !AddCompositorVeil(*compositor, width, height, folder))) {
    fprintf(stderr, "the scene of %dx%d with %d effects could not be built\n", width, height,
            effects);
    exit(1);
  }
  return compositor;
}

// The composition and the reference in alternating rounds; the fastest round of each
// counts, which keeps other work on the machine out of both.
Sample Measure(int width, int height, int effects, int frames, const std::string& folder,
               bool veil = false) {
  CQuietSink sink;
  auto compositor = Build(sink, width, height, effects, 0, 1, folder, veil);
  compositor->SetRefreshEnabled(TRUE);
  for (int i = 0; i < 10; ++i) compositor->Refresh();  // warm up: pictures made, text drawn
  CReferenceBlend reference(width, height);
  reference.Run(2);
  const double frequency = Frequency();
  Sample best;
  for (int round = 0; round < 5; ++round) {
    int64_t start = Now();
    for (int i = 0; i < frames; ++i) compositor->Refresh();
    const double compose = double(Now() - start) * 1000.0 / frequency / frames;
    start = Now();
    reference.Run(frames);
    const double blend = double(Now() - start) * 1000.0 / frequency / frames;
    if (round == 0 || compose < best.composeMs) best.composeMs = compose;
    if (round == 0 || blend < best.blendMs) best.blendMs = blend;
  }
  return best;
}

// Cost of one frame with a pixel filter over the whole frame, for every filter type,
// beside the same frame without one (the main source alone).
void PrintFilterCosts(int frames, double frequency, const std::string& folder) {
  struct Type {
    int32_t code;
    const char* name;
  };
  const Type types[] = {{8, "colour matrix"}, {9, "warp"},    {10, "motion fire"}, {11, "edge"},
                        {12, "mosaic"},       {13, "emboss"}, {14, "trail"},       {15, "ripple"},
                        {16, "snow"},         {17, "shake"}};
  const SIZE sizes[] = {{640, 480}, {1280, 720}};
  const auto measure = [&](const SIZE& size, int32_t code) {
    CQuietSink sink;
    auto compositor = Build(sink, size.cx, size.cy, 0, 0, 1, folder);
    if (code != 0) {
      compositor->AddEffect("@color:0x000000", "Bench", nullptr, nullptr);
      const int32_t id = compositor->GetSelectedEffect();
      compositor->SetProperty(id, PROP_SOURCE_TYPE, std::to_string(code));
      compositor->SetProperty(id, PROP_LAYOUT_PRESET, "0");  // the whole frame
    }
    compositor->SetRefreshEnabled(TRUE);
    for (int i = 0; i < 10; ++i) compositor->Refresh();
    const int64_t start = Now();
    for (int i = 0; i < frames; ++i) compositor->Refresh();
    return double(Now() - start) * 1000.0 / frequency / frames;
  };
  printf("\nPixel filters over the whole frame: frame cost (ms) and the filter's share\n");
  printf("%-14s %10s %10s %10s %10s\n", "filter", "640x480", "filter", "1280x720", "filter");
  double plain[2] = {0, 0};
  for (int s = 0; s < 2; ++s) plain[s] = measure(sizes[s], 0);
  printf("%-14s %10.3f %10s %10.3f %10s\n", "none", plain[0], "", plain[1], "");
  fflush(stdout);
  for (const Type& type : types) {
    printf("%-14s", type.name);
    for (int s = 0; s < 2; ++s) {
      const double ms = measure(sizes[s], type.code);
      printf(" %10.3f %10.3f", ms, ms - plain[s]);
    }
    printf("\n");
    fflush(stdout);
  }
  printf("(a frame at 30 frames a second lasts 33.3 ms)\n");
}

}  // namespace

int main(int argc, char** argv) {
  const int frames = argc > 1 ? std::max(10, atoi(argv[1])) : 200;
  const int seconds = argc > 2 ? std::max(1, atoi(argv[2])) : 5;
  const double frequency = Frequency();
  const SIZE sizes[] = {{320, 240}, {640, 480}, {1280, 720}};
  const int effectCounts[] = {0, 4, 16};
  const std::string folder = MakeSceneFolder();
  if (folder.empty()) {
    fprintf(stderr, "no folder for the scene's pictures\n");
    return 1;
  }

  printf(
      "Compositor cost per frame, %d frames each, best of 5 rounds: milliseconds, and in\n"
      "blend passes (the plain per-pixel alpha blend of a whole frame: ms in the last column)\n",
      frames);
  printf("%-10s %19s %19s %19s %10s\n", "size", "main source alone", "4 effects", "16 effects",
         "blend ms");
  Sample samples[3][3];
  for (int s = 0; s < 3; ++s) {
    const SIZE& size = sizes[s];
    printf("%4ldx%-5ld", size.cx, size.cy);
    double blendMs = 0;
    for (int e = 0; e < 3; ++e) {
      const Sample sample = Measure(size.cx, size.cy, effectCounts[e], frames, folder);
      samples[s][e] = sample;
      blendMs += sample.blendMs / 3;
      printf(" %8.3f ms %5.2fx", sample.composeMs, sample.Passes());
      fflush(stdout);
    }
    printf(" %10.3f\n", blendMs);
  }

  struct Goal {
    const char* what;
    int size, effects;
    double most;
  };
  const Goal goals[] = {{"640x480, main source alone", 1, 0, 0.3},
                        {"640x480, 4 full-frame effects", 1, 1, 4.0},
                        {"1280x720, 16 full-frame effects", 2, 2, 8.0}};
  printf("\nGoals in blend passes\n");
  for (const Goal& goal : goals) {
    const double passes = samples[goal.size][goal.effects].Passes();
    printf("  %-34s %6.2f  (at most %.1f: %s)\n", goal.what, passes, goal.most,
           passes <= goal.most ? "met" : "missed");
  }

  PrintFilterCosts(frames, frequency, folder);

  const Sample veil = Measure(640, 480, 0, frames, folder, true);
  printf(
      "\nThe veil alone (a half-transparent picture stretched over the frame), 640x480:\n"
      "  %.3f ms, %.2f blend passes with the main source\n",
      veil.composeMs, veil.Passes());

  printf("\nFrame interval at 30 frames a second (period %u ms), main source + 4 effects, %d s\n",
         1000u / 30u, seconds);
  printf("%-10s %8s %8s %8s %8s %8s %12s\n", "size", "frames", "mean", "stddev", "min", "max",
         "|dev|>2ms");
  for (const SIZE& size : sizes) {
    CQuietSink sink;
    auto compositor = Build(sink, size.cx, size.cy, 4, 30, size_t(seconds) * 40 + 64, folder);
    Sleep(500);
    compositor->ResetTicks();
    Sleep(DWORD(seconds) * 1000);
    const std::vector<int64_t> ticks = compositor->Ticks();
    compositor.reset();
    std::vector<double> intervals;
    for (size_t i = 1; i < ticks.size(); ++i)
      intervals.push_back(double(ticks[i] - ticks[i - 1]) * 1000.0 / frequency);
    if (intervals.empty()) {
      printf("%4ldx%-5ld no ticks\n", size.cx, size.cy);
      continue;
    }
    double sum = 0, low = intervals[0], high = intervals[0];
    for (double v : intervals) {
      sum += v;
      low = std::min(low, v);
      high = std::max(high, v);
    }
    const double mean = sum / double(intervals.size());
    double squares = 0;
    int outside = 0;
    for (double v : intervals) {
      squares += (v - mean) * (v - mean);
      outside += std::fabs(v - 33.0) > 2.0;
    }
    const double deviation = std::sqrt(squares / double(intervals.size()));
    printf("%4ldx%-5ld %8zu %8.2f %8.2f %8.2f %8.2f %11.1f%%\n", size.cx, size.cy, ticks.size(),
           mean, deviation, low, high, 100.0 * outside / double(intervals.size()));
  }
  RemoveSceneFolder(folder);
  return 0;
}
