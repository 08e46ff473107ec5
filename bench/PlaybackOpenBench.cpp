// Opens and closes the same clip many times and prints, after every cycle, the process's
// private memory, handles, GDI objects, threads and the project's own live COM objects, so
// that what an opened clip leaves behind shows as a steady rise, and the layer that keeps it
// can be found by running the layers one by one. At the end: where each remaining thread
// started (module and offset).
//
// Layers; the first four use the system's interfaces only, no project code:
//   system-graph         the file source, its parser, a sample grabber for RGB24 into a null
//                        renderer, and the DirectSound audio renderer; run for the play time
//   system-build         the same graph built and released, never run
//   system-silent-graph  system-graph without the audio renderer
//   system-silent-build  system-build without the audio renderer
//   audio-clock          the DirectSound audio renderer made, its clock asked for one advise,
//                        the renderer released
//   own-renderer         system-graph with the engine's renderer instead of grabber and null
//                        renderer
//   build                the engine's file playback graph built and destroyed, never run
//   graph                the engine's file playback graph built, run for the play time and
//                        destroyed
//   video                the engine's video element opened, played for the play time, released
// Prefixes for the system graphs: "system-clock-" gives the graph a system clock of its own,
// "no-clock-" none; "remove-filters-" removes every filter before the graph is released.
//
//   playback_open_bench.exe [layer] [cycles] [play ms] [clip frames at 20 a second]
#include <windows.h>

#include <dshow.h>
#include <psapi.h>
#include <qedit.h>
#include <tlhelp32.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "engine/elements/VideoSource.h"
#include "engine/graphs/FilePlayerGraph.h"
#include "engine/graphs/FrameRenderer.h"
#include "platform/dshow/ComBase.h"
#include "tests/engine/ThreadCount.h"
#include "tests/framework/GdiCount.h"
#include "tests/platform/dshow/AviWriter.h"

namespace {

// {C1F400A4-3F08-11D3-9F0B-006008039E37}: the system's null renderer.
const CLSID kNullRenderer = {
    0xc1f400a4, 0x3f08, 0x11d3, {0x9f, 0x0b, 0x00, 0x60, 0x08, 0x03, 0x9e, 0x37}};

// {C1F400A0-3F08-11D3-9F0B-006008039E37}: the system's sample grabber.
const CLSID kSampleGrabber = {
    0xc1f400a0, 0x3f08, 0x11d3, {0x9f, 0x0b, 0x00, 0x60, 0x08, 0x03, 0x9e, 0x37}};

struct Figures {
  double privateMb;
  DWORD handles;
  DWORD gdi;
  int threads;
  LONG objects;
};

// Where each thread of the process started: module and offset.
void PrintThreadStarts() {
  using QueryThread = LONG(WINAPI*)(HANDLE, int, PVOID, ULONG, PULONG);
  const auto query = reinterpret_cast<QueryThread>(reinterpret_cast<void*>(
      GetProcAddress(GetModuleHandleA("ntdll.dll"), "NtQueryInformationThread")));
  const DWORD self = GetCurrentProcessId();
  HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
  if (snapshot == INVALID_HANDLE_VALUE || !query) return;
  THREADENTRY32 entry = {};
  entry.dwSize = sizeof(entry);
  for (BOOL more = Thread32First(snapshot, &entry); more; more = Thread32Next(snapshot, &entry)) {
    if (entry.th32OwnerProcessID != self) continue;
    HANDLE thread = OpenThread(THREAD_QUERY_INFORMATION, FALSE, entry.th32ThreadID);
    void* start = nullptr;
    if (thread)
      query(thread, 9 /* ThreadQuerySetWin32StartAddress */, &start, sizeof(start), nullptr);
    HMODULE module = nullptr;
    char name[MAX_PATH] = "?";
    if (start && GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS |
                                        GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                                    static_cast<LPCSTR>(start), &module))
      GetModuleFileNameA(module, name, MAX_PATH);
    std::printf("  thread %lu starts at %p in %s+0x%llx\n", entry.th32ThreadID, start, name,
                static_cast<unsigned long long>(static_cast<char*>(start) -
                                                reinterpret_cast<char*>(module)));
    if (thread) CloseHandle(thread);
  }
  CloseHandle(snapshot);
}

Figures Measure() {
  PROCESS_MEMORY_COUNTERS_EX counters = {};
  counters.cb = sizeof(counters);
  GetProcessMemoryInfo(GetCurrentProcess(), reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&counters),
                       sizeof(counters));
  const SIZE_T bytes = counters.PrivateUsage ? counters.PrivateUsage : counters.PagefileUsage;
  DWORD handles = 0;  // Wine answers 0
  GetProcessHandleCount(GetCurrentProcess(), &handles);
  return Figures{bytes / 1048576.0, handles, static_cast<DWORD>(GdiObjectCount()), ThreadCount(),
                 CUnknown::ObjectCount()};
}

class CNullSink : public IFrameSink {
 public:
  HRESULT OnFrame(const BITMAPINFOHEADER*, const BYTE*, const GUID&) override {
    ++frames;
    return S_OK;
  }
  volatile LONG frames = 0;
};

IPin* FirstPin(IBaseFilter* filter, PIN_DIRECTION direction) {
  IEnumPins* pins = nullptr;
  if (!filter || FAILED(filter->EnumPins(&pins))) return nullptr;
  IPin* pin = nullptr;
  while (pins->Next(1, &pin, nullptr) == S_OK) {
    PIN_DIRECTION d;
    if (SUCCEEDED(pin->QueryDirection(&d)) && d == direction) break;
    pin->Release();
    pin = nullptr;
  }
  pins->Release();
  return pin;
}

IBaseFilter* AddSystemFilter(IGraphBuilder* graph, REFCLSID clsid, const wchar_t* name) {
  IBaseFilter* filter = nullptr;
  if (FAILED(CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IBaseFilter,
                              reinterpret_cast<void**>(&filter))))
    return nullptr;
  graph->AddFilter(filter, name);
  return filter;
}

void ConnectPins(IGraphBuilder* graph, IBaseFilter* from, IBaseFilter* to) {
  IPin* out = FirstPin(from, PINDIR_OUTPUT);
  IPin* in = FirstPin(to, PINDIR_INPUT);
  if (out && in) graph->Connect(out, in);
  if (out) out->Release();
  if (in) in->Release();
}

bool g_removeFirst = false;
// The graph's clock: the one the graph picks, a system clock of its own, or none.
enum class ClockChoice { kDefault, kSystem, kNone };
ClockChoice g_clock = ClockChoice::kDefault;

enum class Video { kGrabber, kOwn };

// A graph of the file source, its parser and a video renderer (the system's sample grabber
// for RGB24 and a null renderer, or the engine's renderer), with the DirectSound audio
// renderer when asked; run for the play time when it is not 0.
void SystemCycle(const std::wstring& clip, bool sound, DWORD playMs, Video video) {
  IGraphBuilder* graph = nullptr;
  if (FAILED(CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER, IID_IGraphBuilder,
                              reinterpret_cast<void**>(&graph))))
    return;
  static CNullSink sink;
  IBaseFilter* first = nullptr;  // where the source's output goes
  IBaseFilter* last = nullptr;
  if (video == Video::kOwn) {
    HRESULT hr = S_OK;
    auto* own = new CFrameRenderer(nullptr, &hr, &sink);
    own->NonDelegatingQueryInterface(IID_IBaseFilter, reinterpret_cast<void**>(&first));
    graph->AddFilter(first, L"my Render");
  } else {
    first = AddSystemFilter(graph, kSampleGrabber, L"grabber");
    ISampleGrabber* grab = nullptr;
    if (first &&
        SUCCEEDED(first->QueryInterface(IID_ISampleGrabber, reinterpret_cast<void**>(&grab)))) {
      AM_MEDIA_TYPE mt = {};
      mt.majortype = MEDIATYPE_Video;
      mt.subtype = MEDIASUBTYPE_RGB24;
      mt.formattype = FORMAT_VideoInfo;
      grab->SetMediaType(&mt);
      grab->Release();
    }
    last = AddSystemFilter(graph, kNullRenderer, L"null");
  }
  if (sound) {
    if (IBaseFilter* audio = AddSystemFilter(graph, CLSID_DSoundRender, L"Audio Renderer"))
      audio->Release();
  }
  IBaseFilter* source = nullptr;
  if (SUCCEEDED(graph->AddSourceFilter(clip.c_str(), L"Video File", &source))) {
    ConnectPins(graph, source, first);  // the parser comes in between
    if (last) ConnectPins(graph, first, last);
    source->Release();
  }
  if (first) first->Release();
  if (last) last->Release();
  if (g_clock != ClockChoice::kDefault) {
    IMediaFilter* graphFilter = nullptr;
    if (SUCCEEDED(
            graph->QueryInterface(IID_IMediaFilter, reinterpret_cast<void**>(&graphFilter)))) {
      IReferenceClock* own = nullptr;
      if (g_clock == ClockChoice::kSystem)
        CoCreateInstance(CLSID_SystemClock, nullptr, CLSCTX_INPROC_SERVER, IID_IReferenceClock,
                         reinterpret_cast<void**>(&own));
      graphFilter->SetSyncSource(own);
      if (own) own->Release();
      graphFilter->Release();
    }
  }
  IMediaControl* control = nullptr;
  if (playMs &&
      SUCCEEDED(graph->QueryInterface(IID_IMediaControl, reinterpret_cast<void**>(&control)))) {
    control->Run();
    Sleep(playMs);
    control->Stop();
    control->Release();
  }
  IReferenceClock* clock = nullptr;
  IMediaFilter* graphFilter = nullptr;
  if (SUCCEEDED(graph->QueryInterface(IID_IMediaFilter, reinterpret_cast<void**>(&graphFilter)))) {
    graphFilter->GetSyncSource(&clock);
    graphFilter->Release();
  }
  static bool told = false;
  if (!told) {
    told = true;
    IEnumFilters* filters = nullptr;
    graph->EnumFilters(&filters);
    IBaseFilter* filter = nullptr;
    while (filters && filters->Next(1, &filter, nullptr) == S_OK) {
      FILTER_INFO info = {};
      filter->QueryFilterInfo(&info);
      if (info.pGraph) info.pGraph->Release();
      std::printf("  filter %ls\n", info.achName);
      filter->Release();
    }
    if (filters) filters->Release();
  }
  // The filters the graph holds, with a reference of ours, to see whether the graph's
  // release frees them.
  IBaseFilter* held[16] = {};
  wchar_t heldNames[16][MAX_FILTER_NAME] = {};
  int heldCount = 0;
  {
    IEnumFilters* filters = nullptr;
    graph->EnumFilters(&filters);
    IBaseFilter* filter = nullptr;
    while (filters && heldCount < 16 && filters->Next(1, &filter, nullptr) == S_OK) {
      FILTER_INFO info = {};
      filter->QueryFilterInfo(&info);
      if (info.pGraph) info.pGraph->Release();
      wcscpy(heldNames[heldCount], info.achName);
      held[heldCount++] = filter;
    }
    if (filters) filters->Release();
  }
  if (g_removeFirst) {
    for (int i = 0; i < heldCount; ++i) graph->RemoveFilter(held[i]);
  }
  if (clock) {
    const ULONG kept = clock->Release();
    if (kept) std::printf("  the graph's clock: %lu references left\n", kept);
  }
  const ULONG left = graph->Release();
  if (left) std::printf("  the graph keeps %lu references\n", left);
  for (int i = 0; i < heldCount; ++i) {
    const ULONG kept = held[i]->Release();
    if (kept) std::printf("  %ls: %lu references left after the graph went\n", heldNames[i], kept);
  }
}

// The DirectSound audio renderer's clock asked once for an advise (which starts the
// clock's advise thread), then the renderer released.
void AudioClockCycle() {
  IBaseFilter* audio = nullptr;
  if (FAILED(CoCreateInstance(CLSID_DSoundRender, nullptr, CLSCTX_INPROC_SERVER, IID_IBaseFilter,
                              reinterpret_cast<void**>(&audio))))
    return;
  IReferenceClock* clock = nullptr;
  if (SUCCEEDED(audio->QueryInterface(IID_IReferenceClock, reinterpret_cast<void**>(&clock)))) {
    HANDLE event = CreateEventW(nullptr, FALSE, FALSE, nullptr);
    REFERENCE_TIME now = 0;
    clock->GetTime(&now);
    DWORD_PTR cookie = 0;
    if (SUCCEEDED(clock->AdviseTime(now, 10000, reinterpret_cast<HEVENT>(event), &cookie))) {
      WaitForSingleObject(event, 1000);
      clock->Unadvise(cookie);
    }
    CloseHandle(event);
    clock->Release();
  }
  const ULONG left = audio->Release();
  if (left) std::printf("  the audio renderer keeps %lu references\n", left);
}

void EngineGraphCycle(const std::string& clip, bool run, DWORD playMs) {
  CNullSink sink;
  CFilePlayerGraph graph(&sink);
  if (FAILED(graph.OpenFile(clip))) {
    std::printf("the clip could not be opened\n");
    return;
  }
  if (run) {
    graph.Run();
    Sleep(playMs);
    graph.Stop();
  }
}

void VideoCycle(const std::string& clip, DWORD playMs) {
  auto* video = new CVideoSource();
  video->Open(clip);
  video->Play();
  Sleep(playMs);
  video->Release();
}

}  // namespace

int main(int argc, char** argv) {
  std::string layer = argc > 1 ? argv[1] : "graph";
  for (bool more = true; more;) {
    more = false;
    for (const char* prefix : {"remove-filters-", "system-clock-", "no-clock-"}) {
      const size_t length = strlen(prefix);
      if (layer.compare(0, length, prefix) != 0) continue;
      if (prefix[0] == 'r') g_removeFirst = true;
      if (prefix[0] == 's') g_clock = ClockChoice::kSystem;
      if (prefix[0] == 'n') g_clock = ClockChoice::kNone;
      layer = layer.substr(length);
      more = true;
    }
  }
  const int cycles = argc > 2 ? std::max(1, atoi(argv[2])) : 20;
  const DWORD playMs = argc > 3 ? DWORD(std::max(0, atoi(argv[3]))) : 500;
  const int frames = argc > 4 ? std::max(1, atoi(argv[4])) : 60;

  CoInitializeEx(nullptr, COINIT_MULTITHREADED);
  char temp[MAX_PATH];
  GetTempPathA(MAX_PATH, temp);
  const std::string clip =
      std::string(temp) + "playback_open_bench_" + std::to_string(GetCurrentProcessId()) + ".avi";
  AviClip avi;
  avi.width = 320;
  avi.height = 240;
  avi.frames = frames;
  avi.rate = 20;
  const std::wstring wideClip(clip.begin(), clip.end());
  if (!WriteAvi(wideClip, avi)) {
    std::printf("the clip could not be written\n");
    return 1;
  }

  std::printf("layer %s, %d cycles, %lu ms of playing each\n", layer.c_str(), cycles, playMs);
  std::printf("cycle  private MB  handles  GDI  threads  own objects\n");
  Figures first{};
  for (int i = 0; i <= cycles; ++i) {
    if (i > 0) {
      if (layer == "system-graph") {
        SystemCycle(wideClip, true, playMs, Video::kGrabber);
      } else if (layer == "system-build") {
        SystemCycle(wideClip, true, 0, Video::kGrabber);
      } else if (layer == "system-silent-graph") {
        SystemCycle(wideClip, false, playMs, Video::kGrabber);
      } else if (layer == "system-silent-build") {
        SystemCycle(wideClip, false, 0, Video::kGrabber);
      } else if (layer == "audio-clock") {
        AudioClockCycle();
      } else if (layer == "own-renderer") {
        SystemCycle(wideClip, true, playMs, Video::kOwn);
      } else if (layer == "build") {
        EngineGraphCycle(clip, false, 0);
      } else if (layer == "graph") {
        EngineGraphCycle(clip, true, playMs);
      } else if (layer == "video") {
        VideoCycle(clip, playMs);
      } else {
        std::printf("unknown layer %s\n", layer.c_str());
        return 1;
      }
    }
    Sleep(200);  // let threads that end with the graph go
    const Figures now = Measure();
    if (i == 1) first = now;
    std::printf("%5d  %10.1f  %7lu  %3lu  %7d  %11ld\n", i, now.privateMb, now.handles, now.gdi,
                now.threads, now.objects);
    if (i == cycles && cycles > 1) {
      std::printf(
          "per cycle after the first: %.3f MB, %.2f handles, %.2f GDI objects, %.2f threads\n",
          (now.privateMb - first.privateMb) / (cycles - 1),
          (double(now.handles) - first.handles) / (cycles - 1),
          (double(now.gdi) - first.gdi) / (cycles - 1),
          double(now.threads - first.threads) / (cycles - 1));
    }
  }
  PrintThreadStarts();
  DeleteFileA(clip.c_str());
  CoUninitialize();
  return 0;
}
