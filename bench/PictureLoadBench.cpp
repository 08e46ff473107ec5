// Loads each picture named on the command line through the engine's LoadPicture, as the
// program loads a picture source, and prints the answer, the frame count and the time
// taken. Run it once per file to time (and measure the memory of) a whole process.
// The engine library is the one beside the program, or the one given (to compare builds).
//
//   picture_load_bench.exe [-engine path\Quorvix.dll] file...
#include <windows.h>

#include <cstdio>
#include <cstring>

#include "engine/api/VDEngine.h"

int main(int argc, char** argv) {
  int first = 1;
  const char* library = "Quorvix.dll";
  if (argc > 2 && std::strcmp(argv[1], "-engine") == 0) {
    library = argv[2];
    first = 3;
  }
  HMODULE module = LoadLibraryA(library);
  if (!module) return 2;
  using Create = IVDEngine*(WINAPI*)();
  const auto create = reinterpret_cast<Create>(reinterpret_cast<void*>(GetProcAddress(module, "CreateEngine")));
  IVDEngine* engine = create ? create() : nullptr;
  if (!engine) return 2;
  LARGE_INTEGER frequency;
  QueryPerformanceFrequency(&frequency);
  for (int i = first; i < argc; ++i) {
    LARGE_INTEGER start, end;
    QueryPerformanceCounter(&start);
    HBITMAP bitmap = nullptr;
    int frames = 0;
    const BOOL loaded = engine->LoadPicture(argv[i], &bitmap, &frames, nullptr);
    QueryPerformanceCounter(&end);
    if (bitmap) DeleteObject(bitmap);
    std::printf("%s: %s, %d frames, %.0f ms\n", argv[i], loaded ? "loaded" : "refused", frames,
                double(end.QuadPart - start.QuadPart) * 1000.0 / double(frequency.QuadPart));
  }
  engine->Release();
  return 0;
}
