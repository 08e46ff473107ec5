// Prints what one composed frame costs the compositor, for output sizes 320 x 240,
// 640 x 480 and 1280 x 720 with the main source (a solid colour) plus 0, 4 and 16 effects,
// what each pixel filter adds over the whole frame at 640 x 480 and 1280 x 720, and how
// evenly the multimedia timer delivers frames at 30 frames a second.
//
// The effects alternate between texts and colour pictures placed in the quarters and the
// centre of the frame. No camera is installed and no preview window is given, so the
// figures are the composition alone: clearing, drawing every effect, copying to the
// preview picture.
//
//   compositor_bench.exe [frames per measurement] [seconds of timer run]
#include <windows.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

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

// Builds a running compositor of that size with the colour main source and `effects`
// effects.
std::unique_ptr<CTimedCompositor> Build(CQuietSink& sink, int width, int height, int effects,
                                        int rate, size_t tickCapacity) {
  sink.width = width;
  sink.height = height;
  SetModuleOutputSize(width, height);
  auto compositor = std::make_unique<CTimedCompositor>(&sink, tickCapacity);
  compositor->SetOutputSize(width, height);
  compositor->SetFrameRate(rate);
  compositor->LoadStockImages();
  compositor->Start();
  compositor->SetKindMultiple("Bench", TRUE);
  compositor->OpenElementFile(MODULE_MAIN_SOURCE, "@color:0x604020");
  for (int i = 0; i < effects; ++i) {
    char path[32];
    snprintf(path, sizeof(path), "@color:0x%06X", 0x101010 * (i % 15 + 1));
    compositor->AddEffect(path, "Bench", nullptr, nullptr);
    const int32_t id = compositor->GetSelectedEffect();
    if (i % 2 == 0) {
      compositor->SetProperty(id, PROP_SOURCE_TYPE, "7");
      compositor->SetProperty(id, PROP_TEXT, "Effect " + std::to_string(i));
      compositor->SetProperty(id, PROP_TEXT_SIZE, "32");
      compositor->SetProperty(id, PROP_LAYOUT_PRESET, "11");
      compositor->SetProperty(id, PROP_LAYOUT_X_MODE, "7");
      compositor->SetProperty(id, PROP_LAYOUT_Y_MODE, "7");
      compositor->SetProperty(id, PROP_LAYOUT_X, std::to_string(5 + (i * 13) % 60));
      compositor->SetProperty(id, PROP_LAYOUT_Y, std::to_string(5 + (i * 29) % 80));
    } else {
      compositor->SetProperty(id, PROP_LAYOUT_PRESET, std::to_string(1 + (i / 2) % 5));
    }
  }
  return compositor;
}

// Cost of one frame with a pixel filter over the whole frame, for every filter type,
// beside the same frame without one (the main source alone).
void PrintFilterCosts(int frames, double frequency) {
  struct Type {
    int32_t code;
    const char* name;
  };
  const Type types[] = {{8, "colour matrix"}, {9, "warp"},    {10, "motion fire"},
                        {11, "edge"},          {12, "mosaic"}, {13, "emboss"},
                        {14, "trail"},         {15, "ripple"}, {16, "snow"},
                        {17, "shake"}};
  const SIZE sizes[] = {{640, 480}, {1280, 720}};
  const auto measure = [&](const SIZE& size, int32_t code) {
    CQuietSink sink;
    auto compositor = Build(sink, size.cx, size.cy, 0, 0, 1);
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

  printf("Compositor cost per frame (ms), %d frames each, main source + effects\n", frames);
  printf("%-10s %10s %10s %10s\n", "size", "0 effects", "4 effects", "16 effects");
  for (const SIZE& size : sizes) {
    printf("%4ldx%-5ld", size.cx, size.cy);
    for (const int effects : effectCounts) {
      CQuietSink sink;
      auto compositor = Build(sink, size.cx, size.cy, effects, 0, 1);
      compositor->SetRefreshEnabled(TRUE);
      for (int i = 0; i < 10; ++i) compositor->Refresh();  // warm up: pictures made, text drawn
      const int64_t start = Now();
      for (int i = 0; i < frames; ++i) compositor->Refresh();
      const double ms = double(Now() - start) * 1000.0 / frequency / frames;
      printf(" %10.3f", ms);
      fflush(stdout);
    }
    printf("\n");
  }

  PrintFilterCosts(frames, frequency);

  printf("\nFrame interval at 30 frames a second (period %u ms), main source + 4 effects, %d s\n",
         1000u / 30u, seconds);
  printf("%-10s %8s %8s %8s %8s %8s %12s\n", "size", "frames", "mean", "stddev", "min", "max",
         "|dev|>2ms");
  for (const SIZE& size : sizes) {
    CQuietSink sink;
    auto compositor = Build(sink, size.cx, size.cy, 4, 30, size_t(seconds) * 40 + 64);
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
  return 0;
}
