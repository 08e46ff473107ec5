// Loads each picture named on the command line through the engine's LoadPicture, as the
// program loads a picture source, and prints the answer, the frame count, the time taken
// and the process's peak private memory. Run it once per file to time a whole process.
//
//   picture_load_bench.exe file...
#include <windows.h>
#include <psapi.h>

#include <cstdio>

#include "engine/api/VDEngine.h"

int main(int argc, char** argv) {
  IVDEngine* engine = CreateEngine();
  if (!engine) return 2;
  LARGE_INTEGER frequency;
  QueryPerformanceFrequency(&frequency);
  for (int i = 1; i < argc; ++i) {
    LARGE_INTEGER start, end;
    QueryPerformanceCounter(&start);
    HBITMAP bitmap = nullptr;
    int frames = 0;
    const BOOL loaded = engine->LoadPicture(argv[i], &bitmap, &frames, nullptr);
    QueryPerformanceCounter(&end);
    if (bitmap) DeleteObject(bitmap);
    PROCESS_MEMORY_COUNTERS_EX memory = {};
    GetProcessMemoryInfo(GetCurrentProcess(), reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&memory),
                         sizeof memory);
    std::printf("%s: %s, %d frames, %.0f ms, peak %.0f MB\n", argv[i], loaded ? "loaded" : "refused",
                frames, double(end.QuadPart - start.QuadPart) * 1000.0 / double(frequency.QuadPart),
                double(memory.PeakPagefileUsage) / (1024.0 * 1024.0));
  }
  engine->Release();
  return 0;
}
