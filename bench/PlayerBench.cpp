// Prints three figures of Tavisco.exe's player with the stand-in camera installed:
//  - the time from starting the program to the first frame of a clip in the camera, with a
//    playlist of 20 clips restored at the first show (median of warm starts; the first
//    start of the run warms the prefix and is not counted), beside the time a plain
//    program takes to start and end in the same run, and their ratio;
//  - the processor time the program takes while idle (an empty playlist, the stock picture
//    at the default 320 x 240 and 20 frames a second), as a fraction of one core;
//  - the same while it plays a 640 x 480 clip at 30 frames a second into a 640 x 480, 30
//    frames a second output, beside a plain loop that only writes 640 x 480 frames into the
//    camera 30 times a second (the least any program feeding the camera does), and their
//    ratio.
// The program's processor time is read from the Linux process that runs it (Wine gives no
// times for other processes); the Wine server's own work for it is not counted.
//
//   player_bench.exe [starts] [seconds of each processor measurement]
#include "framework/WinApi.h"

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <thread>
#include <vector>

#include "app/EngineLibrary.h"
#include "app/Instance.h"
#include "app/SPTools.h"
#include "platform/vcam/VcamDevice.h"
#include "tests/app/ProgramRun.h"
#include "tests/app/StandInCamera.h"
#include "tests/platform/dshow/AviWriter.h"
#include "tests/platform/dshow/TestFilters.h"

namespace {

constexpr int kPlaylistItems = 20;

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

double FileTimeMs(const FILETIME& Time) {
  return double((uint64_t(Time.dwHighDateTime) << 32) | Time.dwLowDateTime) / 10000.0;
}

// A whole small file (a /proc entry reports no size, so it is read until its end).
AnsiString ReadSmallFile(const AnsiString& Name) {
  HANDLE file = CreateFileA(Name.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0,
                            nullptr);
  if (file == INVALID_HANDLE_VALUE) return AnsiString();
  AnsiString text;
  char chunk[4096];
  DWORD got = 0;
  while (ReadFile(file, chunk, sizeof(chunk), &got, nullptr) && got > 0 && text.size() < 65536) text.append(chunk, got);
  CloseHandle(file);
  return text;
}

// Kernel and user time of the program, in milliseconds. Wine answers no times for other
// processes, so they are read from the Linux process that runs the program (found by its
// command line, which holds the program's own folder): utime and stime of /proc/N/stat,
// in ticks of 10 ms. -1 when it cannot be found.
double ProgramCpuMs(const AnsiString& ExePath) {
  WIN32_FIND_DATAA entry;
  HANDLE search = FindFirstFileA("Z:\\proc\\*", &entry);
  if (search == INVALID_HANDLE_VALUE) return -1;
  double found = -1;
  do {
    const AnsiString name = entry.cFileName;
    if (name.empty() || name.find_first_not_of("0123456789") != AnsiString::npos) continue;
    const AnsiString folder = "Z:\\proc\\" + name + "\\";
    if (UpperCase(ReadSmallFile(folder + "cmdline")).find(UpperCase(ExePath)) == AnsiString::npos) continue;
    const AnsiString stat = ReadSmallFile(folder + "stat");
    const size_t close = stat.rfind(')');
    if (close == AnsiString::npos) continue;
    TStringList fields;
    fields.SetDelimiter(' ');
    fields.SetDelimitedText(stat.substr(close + 2));
    // After the name: state is field 3 of the line; utime and stime are fields 14 and 15.
    if (fields.GetCount() < 13) continue;
    found = (StrToInt64Def(fields.Get(11), 0) + StrToInt64Def(fields.Get(12), 0)) * 10.0;
    break;
  } while (FindNextFileA(search, &entry));
  FindClose(search);
  return found;
}

double ThreadCpuMs(HANDLE Thread) {
  FILETIME created, exited, kernel, user;
  if (!GetThreadTimes(Thread, &created, &exited, &kernel, &user)) return 0;
  return FileTimeMs(kernel) + FileTimeMs(user);
}

// A plain program started and run to its end: the reference of the start.
double PlainProgramMs() {
  std::string line = "\"" + GetExeFolder() + "exit_with_code.exe\" 0";
  STARTUPINFOA startup = {};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION info = {};
  const double start = Now();
  if (!CreateProcessA(nullptr, &line[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &info)) return 0;
  WaitForSingleObject(info.hProcess, INFINITE);
  const double took = Now() - start;
  CloseHandle(info.hProcess);
  CloseHandle(info.hThread);
  return took;
}

// The number of frames written into the camera so far.
uint32_t FramesWritten(vcam::FrameBuffer& Buffer) {
  std::vector<uint8_t> pixels;
  int32_t width = 0, height = 0;
  uint32_t count = 0;
  return Buffer.ReadFrame(pixels, width, height, count) ? count : 0;
}

// Whether the camera's newest frame came after the first Since frames and is a frame of a
// clip (its pixels code a number).
bool CameraShowsANewClipFrame(vcam::FrameBuffer& Buffer, uint32_t Since) {
  std::vector<uint8_t> pixels;
  int32_t width = 0, height = 0;
  uint32_t count = 0;
  if (!Buffer.ReadFrame(pixels, width, height, count) || pixels.empty() || count <= Since) return false;
  return DecodeFrame(pixels.data(), pixels.size(), width, height, 3) >= 0;
}

void Quit(TProgramRun& Program) {
  if (HWND main = Program.WaitForMainWindow(5000)) SendMessageA(main, WM_MAIN_COMMAND, 0, 0);
  Program.WaitForExit(30000);
}

// From the start of the program to the first clip frame in the camera; 0 when none came
// in 30 s.
double StartToClipMs(TProgramRun& Program, vcam::FrameBuffer& Buffer) {
  const uint32_t before = FramesWritten(Buffer);
  const double start = Now();
  if (!Program.Start()) return 0;
  double took = 0;
  while (Now() - start < 30000) {
    if (CameraShowsANewClipFrame(Buffer, before)) {
      took = Now() - start;
      break;
    }
    Sleep(2);
  }
  Quit(Program);
  return took;
}

// The program's processor time over the seconds given, as a fraction of one core (it runs
// for 3 s first, so that it is past its start).
double ProgramLoad(TProgramRun& Program, int Seconds) {
  if (!Program.Start() || !Program.WaitForMainWindow()) return -1;
  Sleep(3000);
  const double cpu0 = ProgramCpuMs(Program.ExePath()), wall0 = Now();
  Sleep(DWORD(Seconds) * 1000);
  const double cpu1 = ProgramCpuMs(Program.ExePath());
  const double load = cpu0 < 0 || cpu1 < 0 ? -1 : (cpu1 - cpu0) / (Now() - wall0);
  Quit(Program);
  return load;
}

// The reference: a thread that writes a 640 x 480 frame into the camera 30 times a second
// for the seconds given; its processor time as a fraction of one core.
double PlainFeedLoad(vcam::FrameBuffer& Buffer, int Seconds) {
  std::vector<uint8_t> source(640 * 480 * 3), frame(source.size());
  for (size_t i = 0; i < source.size(); ++i) source[i] = uint8_t(i * 7);
  double load = 0;
  std::thread feeder([&] {
    HANDLE self = GetCurrentThread();
    timeBeginPeriod(1);
    const double cpu0 = ThreadCpuMs(self), wall0 = Now();
    for (int n = 0; Now() - wall0 < Seconds * 1000.0; ++n) {
      std::copy(source.begin(), source.end(), frame.begin());
      frame[0] = uint8_t(n);
      Buffer.SetSize(640, 480);
      Buffer.WriteFrame(frame.data(), uint32_t(frame.size()));
      const double next = wall0 + (n + 1) * 1000.0 / 30;
      const double wait = next - Now();
      if (wait > 0) Sleep(DWORD(wait));
    }
    load = (ThreadCpuMs(self) - cpu0) / (Now() - wall0);
    timeEndPeriod(1);
  });
  feeder.join();
  return load;
}

bool WriteClip(const AnsiString& Path, int Width, int Height, int Frames, int Rate, int First) {
  AviClip avi;
  avi.width = Width;
  avi.height = Height;
  avi.frames = Frames;
  avi.rate = uint32_t(Rate);
  avi.firstIndex = uint32_t(First);
  return WriteAvi(std::wstring(Path.begin(), Path.end()), avi);
}

}  // namespace

int main(int argc, char** argv) {
  const int starts = argc > 1 ? std::max(1, atoi(argv[1])) : 5;
  const int seconds = argc > 2 ? std::max(1, atoi(argv[2])) : 60;

  if (!InstallStandInCamera()) {
    std::printf("the stand-in camera could not be installed\n");
    return 1;
  }
  vcam::FrameBuffer buffer;
  buffer.Open();
  int status = 0;
  {
    TProgramRun program;

    // Start to the first clip frame with 20 clips restored (the output has the clips' size,
    // so their frames reach the camera pixel for pixel).
    AnsiString list;
    for (int i = 0; i < kPlaylistItems; ++i) {
      const AnsiString clip = program.Folder().File("clip " + IntToStr(i + 1) + ".avi");
      WriteClip(clip, 320, 240, 20, 10, i * 100);
      list += clip + "\r\n";
    }
    program.PresetSettings("Video.Loop=2\r\n");
    WriteWholeFile(program.UserFolder() + "play.lst", list);
    StartToClipMs(program, buffer);
    PlainProgramMs();
    std::vector<double> program_ms, plain_ms;
    for (int i = 0; i < starts; ++i) {
      program_ms.push_back(StartToClipMs(program, buffer));
      plain_ms.push_back(PlainProgramMs());
    }
    const double p = Median(program_ms), r = Median(plain_ms);
    std::printf("start to the first clip frame in the camera, %d clips restored (median of %d warm starts): %.0f ms\n",
                kPlaylistItems, starts, p);
    std::printf("a plain program started and ended (median, the reference): %.0f ms\n", r);
    std::printf("ratio: %.2f plain program starts\n", r > 0 ? p / r : 0.0);
    if (p == 0) status = 1;

    // Idle: nothing in the playlist.
    DeleteFileA((program.UserFolder() + "play.lst").c_str());
    program.PresetSettings();
    const double idle = ProgramLoad(program, seconds);
    std::printf("idle program (empty playlist, 320 x 240 at 20 frames a second), over %d s: %.3f of one core\n",
                seconds, idle);

    // Playing 640 x 480 at 30 frames a second, the clip repeating.
    const AnsiString big = program.Folder().File("big.avi");
    WriteClip(big, 640, 480, 30, 30, 0);
    program.PresetSettings("Stream.Width=640\r\nStream.Height=480\r\nStream.Rate=30\r\nVideo.Loop=1\r\n");
    WriteWholeFile(program.UserFolder() + "play.lst", big + "\r\n");
    const double playing = ProgramLoad(program, seconds);
    const double plain = PlainFeedLoad(buffer, std::min(seconds, 20));
    std::printf("playing 640 x 480 at 30 frames a second, over %d s: %.3f of one core\n", seconds, playing);
    std::printf("a plain loop writing 640 x 480 frames into the camera 30 times a second (the reference): "
                "%.4f of one core\n",
                plain);
    std::printf("ratio: %.1f plain frame feeds\n", plain > 0 ? playing / plain : 0.0);
    if (idle < 0 || playing < 0) status = 1;
  }
  buffer.Close();
  RemoveStandInCamera();
  return status;
}
