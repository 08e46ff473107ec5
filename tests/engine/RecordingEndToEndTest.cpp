// Recording end to end, through the engine library as the program loads it: the engine's
// output goes through the stand-in camera into a recording graph and an AVI file, which
// the tests read back chunk by chunk. Failing starts report their exact texts as event
// 1001 and leave a recorder that never runs.
#include <dshow.h>
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "EngineClient.h"
#include "tests/engine/AviFileReader.h"
#include "tests/engine/CameraTestSupport.h"
#include "tests/engine/EngineOnCamera.h"
#include "tests/platform/dshow/TestMicrophone.h"

namespace {

using engine_client::Engine;
using engine_client::EngineObject;
using engine_client::kEngineEvent;
using engine_client::kRecordError;
using engine_client::Message;
using engine_client::Text;


constexpr int kWidth = 320;
constexpr int kHeight = 240;
constexpr int kRate = 30;  // the engine's, and the stand-in camera's
constexpr int kMainSource = -1;
constexpr int kStopped = 0, kPaused = 1, kRunning = 2;

constexpr const char* kMp3Compressor =
    "@device:cm:{33D9A761-90C8-11D0-BD43-00A0C911CE86}\\85MPEG Layer-3";
constexpr const char* kAsfWriter =
    "@device:sw:{083863F1-70DE-11D0-BD40-00A0C911CE86}\\{7C23220E-55BB-11D3-8B16-00C04FB6BD3D}";

struct Bgr {
  int b, g, r;
};

std::string ColourPath(const Bgr& c) {
  char text[32];
  std::snprintf(text, sizeof(text), "@color:0x%02X%02X%02X", c.b, c.g, c.r);
  return text;
}

std::string TempPath(const std::string& name) {
  char temp[MAX_PATH];
  GetTempPathA(MAX_PATH, temp);
  return std::string(temp) + "recording " + std::to_string(GetCurrentProcessId()) + " " + name;
}

std::string Hex(HRESULT hr) {
  char text[16];
  std::snprintf(text, sizeof(text), "0x%08X", unsigned(hr));
  return text;
}

// What the system answers when a filter is bound from the display name, as the recorder
// does it.
HRESULT BindResult(const char* displayName) {
  CComPtr<IBindCtx> context;
  HRESULT hr = CreateBindCtx(0, &context);
  if (FAILED(hr)) return hr;
  std::wstring name(displayName, displayName + strlen(displayName));
  ULONG eaten = 0;
  CComPtr<IMoniker> moniker;
  hr = MkParseDisplayName(context, name.c_str(), &eaten, &moniker);
  if (FAILED(hr)) return hr;
  CComPtr<IBaseFilter> filter;
  return moniker->BindToObject(context, nullptr, IID_IBaseFilter,
                               reinterpret_cast<void**>(&filter));
}

uint64_t FileSize(const std::string& path) {
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data)) return 0;
  return uint64_t(data.nFileSizeHigh) << 32 | data.nFileSizeLow;
}

// A file of `size` bytes of 0xA5, standing where a recording will go.
bool WriteOldFile(const std::string& path, uint64_t size) {
  HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  std::vector<char> block(1 << 20, char(0xA5));
  bool ok = true;
  for (uint64_t done = 0; ok && done < size; done += block.size()) {
    DWORD written = 0;
    const DWORD count = DWORD(std::min<uint64_t>(block.size(), size - done));
    ok = WriteFile(file, block.data(), count, &written, nullptr) && written == count;
  }
  CloseHandle(file);
  return ok;
}

// Whether every pixel of a 24-bit frame of the output size is the colour.
bool AllPixels(const avi_test::AviFile& file, const avi_test::AviChunk& chunk, const Bgr& c) {
  if (chunk.size != uint32_t(kWidth * kHeight * 3)) return false;
  const uint8_t* p = file.Data(chunk);
  for (int i = 0; i < kWidth * kHeight; ++i, p += 3) {
    if (p[0] != c.b || p[1] != c.g || p[2] != c.r) return false;
  }
  return true;
}

class RecordingEndToEnd : public camera_test::EngineOnCamera {
 protected:
  RecordingEndToEnd() : EngineOnCamera(kWidth, kHeight, kRate) {}
  void TearDown() override {
    engine.reset();
    RegisterMicrophone(FALSE);
    if (testFilters) FreeLibrary(testFilters);
    EngineOnCamera::TearDown();
  }

  std::string NewPath(const std::string& name) {
    files.push_back(TempPath(name));
    DeleteFileA(files.back().c_str());
    return files.back();
  }

  std::string RecordingTime() {
    Text time("unset");
    EXPECT_EQ(VD(Eng(), GetRecordingTime, &time), TRUE);
    return time.value;
  }

  // The 1001 events since the last look, with their texts.
  std::vector<std::string> RecordErrors() {
    std::vector<std::string> texts;
    for (const Message& m : notify.Take(kEngineEvent)) {
      EXPECT_EQ(m.wParam, 1);
      int code = 0;
      Text text;
      VD(Eng(), GetLastEvent, &code, &text);
      if (m.lParam == kRecordError) texts.push_back(text.value);
    }
    return texts;
  }

  // The test microphone in the audio input category (a killed run may have left it).
  HRESULT RegisterMicrophone(BOOL doRegister) {
    if (!testFilters) testFilters = LoadLibraryA("dshow_test_filter.dll");
    if (!testFilters) return E_FAIL;
    const auto registerMicrophone = reinterpret_cast<TestMicrophoneRegisterFunction>(
        reinterpret_cast<void*>(GetProcAddress(testFilters, "TestMicrophoneRegister")));
    return registerMicrophone ? registerMicrophone(doRegister) : E_FAIL;
  }

  HMODULE testFilters = nullptr;
};

TEST_F(RecordingEndToEnd, AColourRecordedWithoutSoundGivesOneVideoStreamOfThatColour) {
  Engine* e = Eng();
  const Bgr colour = {0x30, 0x90, 0xC0};
  ASSERT_EQ(VD(e, OpenElementFile, kMainSource, ColourPath(colour).c_str()), TRUE);
  Run(300);

  // An older, longer file of the same name: nothing of it may stay behind the recording.
  const std::string path = NewPath("colour.avi");
  constexpr uint64_t kOldSize = 64ull << 20;
  ASSERT_TRUE(WriteOldFile(path, kOldSize));

  ASSERT_EQ(VD(e, StartRecording, path.c_str(), "NONE"), TRUE);
  EXPECT_TRUE(RecordErrors().empty());
  EXPECT_EQ(VD(e, GetRecordingState), kRunning);
  Run(2000);
  const std::string time = RecordingTime();
  EXPECT_TRUE(time == "00:01" || time == "00:02") << time;
  EXPECT_EQ(VD(e, StopRecording), TRUE);
  EXPECT_EQ(VD(e, GetRecordingState), kStopped);
  EXPECT_EQ(VD(e, StopRecording), FALSE);

  const avi_test::AviFile avi = avi_test::ReadAviFile(path);
  ASSERT_TRUE(avi.valid) << avi.error;
  // The RIFF list ends the file (a multiplexer may pad it with a few zero bytes).
  const uint64_t size = FileSize(path);
  EXPECT_GE(size, avi.riffEnd);
  EXPECT_LE(size, avi.riffEnd + 16);
  EXPECT_LT(size, kOldSize);

  ASSERT_EQ(avi.streams.size(), 1u);
  const avi_test::AviStream& video = avi.streams[0];
  EXPECT_EQ(video.type, "vids");
  EXPECT_EQ(video.width, kWidth);
  EXPECT_EQ(abs(video.height), kHeight);
  EXPECT_EQ(video.bitCount, 24);
  EXPECT_EQ(video.compression, uint32_t(BI_RGB));
  EXPECT_EQ(avi.width, uint32_t(kWidth));
  EXPECT_EQ(avi.height, uint32_t(kHeight));
  // About the camera's 30 frames a second, for about 2 seconds.
  EXPECT_NEAR(double(avi.microSecPerFrame), 1e6 / kRate, 1e6 / kRate / 10);
  const std::vector<avi_test::AviChunk> frames = avi.ChunksOf(0);
  EXPECT_GE(frames.size(), size_t(kRate * 2 / 2));
  EXPECT_LE(frames.size(), size_t(kRate * 2 * 2));
  int wrong = 0;
  for (const avi_test::AviChunk& frame : frames) wrong += AllPixels(avi, frame, colour) ? 0 : 1;
  EXPECT_EQ(wrong, 0) << "of " << frames.size() << " frames";
}

TEST_F(RecordingEndToEnd, AColourChangeWhileRecordingAppearsInOrder) {
  Engine* e = Eng();
  const Bgr first = {0x10, 0x20, 0xF0};
  const Bgr second = {0xE0, 0xD0, 0x08};
  ASSERT_EQ(VD(e, OpenElementFile, kMainSource, ColourPath(first).c_str()), TRUE);
  Run(300);
  const std::string path = NewPath("change.avi");
  ASSERT_EQ(VD(e, StartRecording, path.c_str(), "none"), TRUE);
  Run(1200);
  ASSERT_EQ(VD(e, OpenElementFile, kMainSource, ColourPath(second).c_str()), TRUE);
  Run(1200);
  EXPECT_EQ(VD(e, StopRecording), TRUE);

  const avi_test::AviFile avi = avi_test::ReadAviFile(path);
  ASSERT_TRUE(avi.valid) << avi.error;
  std::string sequence;  // one letter a frame: a, b, or ? for anything else
  for (const avi_test::AviChunk& frame : avi.ChunksOf(0)) {
    sequence += AllPixels(avi, frame, first) ? 'a' : AllPixels(avi, frame, second) ? 'b' : '?';
  }
  const size_t firstB = sequence.find('b');
  ASSERT_NE(firstB, std::string::npos) << sequence;
  EXPECT_EQ(sequence.find('?'), std::string::npos) << sequence;
  EXPECT_GE(firstB, size_t(10)) << sequence;
  EXPECT_EQ(sequence.find('a', firstB), std::string::npos) << sequence;
  EXPECT_GE(sequence.size() - firstB, size_t(10)) << sequence;
}

TEST_F(RecordingEndToEnd, PauseTogglesBetweenPausedAndRunningAndTheTimeWaitsMeanwhile) {
  Engine* e = Eng();
  ASSERT_EQ(VD(e, OpenElementFile, kMainSource, "@color:0x405060"), TRUE);
  const std::string path = NewPath("paused.avi");
  ASSERT_EQ(VD(e, StartRecording, path.c_str(), "NONE"), TRUE);
  EXPECT_EQ(VD(e, GetRecordingState), kRunning);
  Run(1200);

  for (int round = 0; round < 2; ++round) {
    SCOPED_TRACE(round);
    EXPECT_EQ(VD(e, PauseRecording), TRUE);
    EXPECT_EQ(VD(e, GetRecordingState), kPaused);
    const std::string paused = RecordingTime();
    Run(1300);
    EXPECT_EQ(RecordingTime(), paused);
    EXPECT_EQ(VD(e, PauseRecording), TRUE);
    EXPECT_EQ(VD(e, GetRecordingState), kRunning);
    Run(300);
  }
  // About 1.8 s of running, none of the 2.6 s paused.
  const std::string time = RecordingTime();
  EXPECT_TRUE(time == "00:01" || time == "00:02") << time;
  EXPECT_EQ(VD(e, StopRecording), TRUE);
  const avi_test::AviFile avi = avi_test::ReadAviFile(path);
  ASSERT_TRUE(avi.valid) << avi.error;
  EXPECT_EQ(avi.streams.size(), 1u);
  // The camera delivers nothing while paused: about 1.8 s of frames, not 4.4 s.
  const size_t frames = avi.ChunksOf(0).size();
  EXPECT_GE(frames, size_t(kRate));
  EXPECT_LE(frames, size_t(kRate * 3));
}

TEST_F(RecordingEndToEnd, FailedStartsReportTheirTextAndLeaveARecorderThatNeverRuns) {
  Engine* e = Eng();
  ASSERT_EQ(VD(e, OpenElementFile, kMainSource, "@color:0x405060"), TRUE);
  RegisterMicrophone(FALSE);  // a killed run may have left it
  ASSERT_EQ(RegisterMicrophone(TRUE), S_OK);

  // This platform has neither the MPEG Layer-3 compressor nor the ASF writer.
  const HRESULT noCompressor = BindResult(kMp3Compressor);
  const HRESULT noAsfWriter = BindResult(kAsfWriter);
  ASSERT_TRUE(FAILED(noCompressor)) << Hex(noCompressor);
  ASSERT_TRUE(FAILED(noAsfWriter)) << Hex(noAsfWriter);

  struct Case {
    std::string file;  // in the temporary folder; empty for the missing folder
    const char* audio;
    std::string text;
  };
  const std::string missingFolder = TempPath("no such folder") + "\\x.avi";
  const Case cases[] = {
      {"asf.AsF", "NONE", "Create Writer Error " + Hex(noAsfWriter)},
      {"sound asf.asf", TEST_MICROPHONE_DISPLAY_NAME, "Create Writer Error " + Hex(noAsfWriter)},
      {"sound.avi", TEST_MICROPHONE_DISPLAY_NAME, "Create Compresser Error " + Hex(noCompressor)},
      {"", "NONE", "Create Writer Error " + Hex(HRESULT_FROM_WIN32(ERROR_PATH_NOT_FOUND))},
      {"no audio text.avi", "", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.file + " / " + c.audio);
    const std::string path = c.file.empty() ? missingFolder : NewPath(c.file);
    EXPECT_EQ(VD(e, StartRecording, path.c_str(), c.audio), FALSE);
    EXPECT_EQ(RecordErrors(), std::vector<std::string>{c.text});
    // The failed recorder stays, stopped; pausing cannot start its half-built graph.
    EXPECT_EQ(VD(e, GetRecordingState), kStopped);
    EXPECT_EQ(VD(e, PauseRecording), FALSE);
    EXPECT_EQ(VD(e, GetRecordingState), kStopped);
    EXPECT_EQ(RecordingTime(), "00:00");
    if (c.file == "sound.avi") {
      // The file was never made: the build ended before the writer.
      EXPECT_EQ(GetFileAttributesA(path.c_str()), INVALID_FILE_ATTRIBUTES);
    }
  }
  EXPECT_EQ(VD(e, StopRecording), TRUE);
  EXPECT_EQ(VD(e, StopRecording), FALSE);

  // Without the camera (an engine that was never given one), the camera's texts.
  const HRESULT noCamera = BindResult("");
  ASSERT_TRUE(FAILED(noCamera));
  EngineObject other(library);
  VD(other.get(), SetNotifyWindow, notify.Handle());
  for (const char* extension : {"avi", "asf"}) {
    const std::string path = NewPath(std::string("no camera.") + extension);
    EXPECT_EQ(VD(other.get(), StartRecording, path.c_str(), "NONE"), FALSE);
    std::vector<std::string> texts;
    for (const Message& m : notify.Take(kEngineEvent)) {
      int code = 0;
      Text text;
      VD(other.get(), GetLastEvent, &code, &text);
      if (m.lParam == kRecordError) texts.push_back(text.value);
    }
    const std::string expected =
        std::string(extension) == "avi" ? "Create CreateCam Error " : "Create Cam Error ";
    EXPECT_EQ(texts, std::vector<std::string>{expected + Hex(noCamera)});
  }
}

TEST_F(RecordingEndToEnd, OnlyDeviceMonikersNameTheSoundDevice) {
  Engine* e = Eng();
  ASSERT_EQ(VD(e, OpenElementFile, kMainSource, "@color:0x405060"), TRUE);
  RegisterMicrophone(FALSE);  // a killed run may have left it
  ASSERT_EQ(RegisterMicrophone(TRUE), S_OK);

  // The same microphone named by its class moniker, and texts that are no device at all:
  // none of them is parsed, and the recording has no sound.
  wchar_t clsid[64];
  StringFromGUID2(CLSID_TestMicrophone, clsid, 64);
  std::string classMoniker = "clsid:";
  for (const wchar_t* p = clsid + 1; *p && *p != L'}'; ++p) classMoniker += char(*p);
  const std::string texts[] = {classMoniker, "C:\\windows\\win.ini", "Tavisco Test Microphone"};
  for (const std::string& audio : texts) {
    SCOPED_TRACE(audio);
    const std::string path = NewPath("moniker.avi");
    ASSERT_EQ(VD(e, StartRecording, path.c_str(), audio.c_str()), TRUE);
    EXPECT_TRUE(RecordErrors().empty());
    Run(600);
    EXPECT_EQ(VD(e, StopRecording), TRUE);
    const avi_test::AviFile avi = avi_test::ReadAviFile(path);
    ASSERT_TRUE(avi.valid) << avi.error;
    EXPECT_EQ(avi.streams.size(), 1u);
    DeleteFileA(path.c_str());
  }

  // "AUTO" takes the machine's default sound device; with one, the missing compressor
  // fails the recording; without any, the recording has no sound.
  const std::string path = NewPath("auto.avi");
  const BOOL started = VD(e, StartRecording, path.c_str(), "AUTO");
  const std::vector<std::string> errors = RecordErrors();
  EXPECT_EQ(started, FALSE);  // the test microphone at least is there
  EXPECT_EQ(errors, std::vector<std::string>{"Create Compresser Error " +
                                             Hex(BindResult(kMp3Compressor))});
  EXPECT_EQ(VD(e, StopRecording), TRUE);
}

}  // namespace
