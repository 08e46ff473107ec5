// Prints two figures of Tavisco.exe with the stand-in camera installed:
//  - the time from starting the program to the first frame the engine composes into the
//    camera, over several warm starts (the first start of the run warms the prefix and is
//    not counted), beside the time a plain program takes to start and end under the same
//    system in the same run, and their ratio;
//  - the program's private memory while it plays a playlist (two video clips, looping), a
//    few seconds in and after the time given (60 s unless said).
//
//   program_bench.exe [starts] [seconds of playing] [frames per clip, 0: no playlist]
#include "framework/WinApi.h"

#include <psapi.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "app/EngineLibrary.h"
#include "app/Instance.h"
#include "app/SPTools.h"
#include "platform/vcam/VcamDevice.h"
#include "tests/app/ProgramRun.h"
#include "tests/app/StandInCamera.h"
#include "tests/platform/dshow/AviWriter.h"

namespace {


uint32_t FramesWritten(vcam::FrameBuffer& Buffer) {
  std::vector<uint8_t> pixels;
  int32_t width = 0, height = 0;
  uint32_t count = 0;
  return Buffer.ReadFrame(pixels, width, height, count) ? count : 0;
}

double Now() {
  LARGE_INTEGER counter, frequency;
  QueryPerformanceCounter(&counter);
  QueryPerformanceFrequency(&frequency);
  return double(counter.QuadPart) * 1000.0 / double(frequency.QuadPart);
}

double Median(std::vector<double> Values) {
  std::sort(Values.begin(), Values.end());
  return Values.empty() ? 0 : Values[Values.size() / 2];
}

// A plain program started and run to its end: the reference.
double PlainProgramMs() {
  const std::string line = "\"" + GetExeFolder() + "exit_with_code.exe\" 0";
  std::string buffer = line;
  STARTUPINFOA startup = {};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION info = {};
  const double start = Now();
  if (!CreateProcessA(nullptr, &buffer[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &info))
    return 0;
  WaitForSingleObject(info.hProcess, INFINITE);
  const double took = Now() - start;
  CloseHandle(info.hProcess);
  CloseHandle(info.hThread);
  return took;
}

// From the start of the program to the first frame it writes into the camera; 0 when
// none came in 30 s.
double StartToFirstFrameMs(TProgramRun& Program, vcam::FrameBuffer& Buffer) {
  const uint32_t before = FramesWritten(Buffer);
  const double start = Now();
  if (!Program.Start()) return 0;
  double took = 0;
  while (Now() - start < 30000) {
    if (FramesWritten(Buffer) != before) {
      took = Now() - start;
      break;
    }
    Sleep(2);
  }
  if (HWND main = Program.WaitForMainWindow()) SendMessageA(main, WM_MAIN_COMMAND, 0, 0);
  Program.WaitForExit(30000);
  return took;
}

// The process's private (committed, unshared) bytes; the page-file usage where the
// system does not report them apart (the same figure on Windows).
SIZE_T PrivateBytes(HANDLE Process) {
  PROCESS_MEMORY_COUNTERS_EX counters = {};
  counters.cb = sizeof(counters);
  GetProcessMemoryInfo(Process, reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&counters), sizeof(counters));
  return counters.PrivateUsage ? counters.PrivateUsage : counters.PagefileUsage;
}

// How many different pictures the camera showed in ten looks 100 ms apart: more than one
// while the playlist plays.
int DistinctPictures(vcam::FrameBuffer& Buffer) {
  std::vector<std::vector<uint8_t>> seen;
  for (int i = 0; i < 10; ++i, Sleep(100)) {
    std::vector<uint8_t> pixels;
    int32_t width = 0, height = 0;
    uint32_t count = 0;
    if (!Buffer.ReadFrame(pixels, width, height, count)) continue;
    if (std::find(seen.begin(), seen.end(), pixels) == seen.end()) seen.push_back(pixels);
  }
  return int(seen.size());
}

}  // namespace

int main(int argc, char** argv) {
  const int starts = argc > 1 ? std::max(1, atoi(argv[1])) : 5;
  const int seconds = argc > 2 ? std::max(1, atoi(argv[2])) : 60;
  const int clipFrames = argc > 3 ? std::max(0, atoi(argv[3])) : 60;

  if (!InstallStandInCamera()) {
    std::printf("the stand-in camera could not be installed\n");
    return 1;
  }
  vcam::FrameBuffer buffer;
  buffer.Open();
  int status = 0;
  {
    TProgramRun program;
    program.PresetSettings();

    // Start to first frame, warm.
    StartToFirstFrameMs(program, buffer);
    PlainProgramMs();
    std::vector<double> program_ms, plain_ms;
    for (int i = 0; i < starts; ++i) {
      program_ms.push_back(StartToFirstFrameMs(program, buffer));
      plain_ms.push_back(PlainProgramMs());
    }
    const double p = Median(program_ms), r = Median(plain_ms);
    std::printf("start to first composed frame in the camera (median of %d warm starts): %.0f ms\n", starts, p);
    std::printf("a plain program started and ended (median, the reference):            %.0f ms\n", r);
    std::printf("ratio: %.2f plain program starts\n", r > 0 ? p / r : 0.0);
    if (p == 0) status = 1;

    // Private memory while a playlist plays.
    const AnsiString clip = program.Folder().File("clip.avi");
    AviClip avi;
    avi.width = 320;
    avi.height = 240;
    avi.frames = std::max(1, clipFrames);
    avi.rate = 20;
    WriteAvi(std::wstring(clip.begin(), clip.end()), avi);
    const AnsiString clip2 = program.Folder().File("clip two.avi");
    avi.firstIndex = 1000;
    WriteAvi(std::wstring(clip2.begin(), clip2.end()), avi);
    program.PresetSettings("Video.Loop=2\r\n");
    if (clipFrames > 0) WriteWholeFile(program.UserFolder() + "play.lst", clip + "\r\n" + clip2 + "\r\n");
    if (!program.Start() || !program.WaitForMainWindow()) {
      std::printf("the program did not start\n");
      status = 1;
    } else {
      Sleep(5000);
      const int picturesEarly = DistinctPictures(buffer);
      const SIZE_T early = PrivateBytes(program.Process());
      const uint32_t framesEarly = FramesWritten(buffer);
      Sleep(seconds > 5 ? DWORD(seconds - 5) * 1000 : 0);
      const SIZE_T late = PrivateBytes(program.Process());
      const uint32_t framesLate = FramesWritten(buffer);
      const int pictures = DistinctPictures(buffer);
      std::printf("private memory while playing a playlist: %.1f MB after 5 s, %.1f MB after %d s "
                  "(%u frames composed in between; %d and %d different pictures in a second at the two times)\n",
                  early / 1048576.0, late / 1048576.0, seconds, framesLate - framesEarly, picturesEarly, pictures);
      if (HWND main = program.WaitForMainWindow()) SendMessageA(main, WM_MAIN_COMMAND, 0, 0);
      program.WaitForExit(30000);
    }
  }
  buffer.Close();
  RemoveStandInCamera();
  return status;
}
