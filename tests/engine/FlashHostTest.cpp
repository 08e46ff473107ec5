// The Flash host and player against the stand-in control: the two ways the control is
// made, the movie's picture taken about ten times a second (opaque, or transparent around
// what the movie draws), the movie size from the header, the events and the reply to a
// call, drawing on the window's thread, closing.
#include "engine/flash/FlashHost.h"

#include <gtest/gtest.h>

#include <memory>
#include <set>
#include <string>
#include <atomic>
#include <thread>
#include <vector>

#include "engine/flash/AxHostWindow.h"
#include "platform/dshow/ComBase.h"
#include "platform/flash/FlashControl.h"
#include "platform/flash/FlashStandIn.h"
#include "tests/engine/FlashTestSupport.h"

namespace {

using flash_test::PumpMessages;
using swf_test::SwfLayout;

// The frame the picture's pixel shows, -1 for none; `alpha` receives its alpha.
int FrameAt(CDibSurface& picture, int x, int y, int* alpha = nullptr) {
  const BYTE* p =
      picture.GetBits() + size_t(picture.GetHeight() - 1 - y) * picture.GetStride() + size_t(x) * 4;
  if (alpha) *alpha = p[3];
  return StandInFrameOfColour(p[0], p[1], p[2]);
}

struct Event {
  std::string what;
  bool operator==(const Event& o) const { return what == o.what; }
};

class RecordingListener : public IFlashListener {
 public:
  void OnReadyStateChange(int32_t state) override {
    events.push_back("ready " + std::to_string(state));
  }
  void OnProgress(int32_t percent) override { events.push_back("progress " + std::to_string(percent)); }
  void OnFSCommand(const std::string& command, const std::string& arguments) override {
    events.push_back("command " + command + " " + arguments);
  }
  std::string OnFlashCall(const std::string& request) override {
    events.push_back("call " + request);
    return "<string>reply</string>";
  }
  std::vector<std::string> events;
};

class FlashHostTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)));
    folder = GetProgramFolder();
    flash_test::RegisterStandIn(folder, false);  // a killed run may have left it
    ASSERT_TRUE(flash_test::InstallStandInFile(folder));
    movie = flash_test::WriteMovie("movie.swf", SwfLayout());
    ASSERT_FALSE(movie.empty());
    files.push_back(movie);
  }
  void TearDown() override {
    player.reset();
    for (const std::string& path : files) DeleteFileA(path.c_str());
    flash_test::RegisterStandIn(folder, false);
    flash_test::RemoveStandInFile(folder);
    CoUninitialize();
  }

  std::string Movie(const std::string& name, const SwfLayout& layout) {
    files.push_back(flash_test::WriteMovie(name, layout));
    return files.back();
  }

  IDispatch* Control() {
    control.Reset();
    EXPECT_EQ(player->QueryControl(IID_IDispatch, reinterpret_cast<void**>(&control)), S_OK);
    return control.Get();
  }

  std::string folder;
  std::string movie;
  std::vector<std::string> files;
  std::unique_ptr<CFlashPlayer> player;
  CComPtr<IDispatch> control;
};

TEST_F(FlashHostTest, TheControlComesFromItsFileBeforeItsRegistration) {
  const std::string file = flash_test::ControlFile(folder);
  flash_test::RemoveStandInFile(folder);
  ASSERT_EQ(GetFileAttributesA(file.c_str()), INVALID_FILE_ATTRIBUTES);

  // Neither the file nor a registered class: no control.
  player.reset(new CFlashPlayer());
  EXPECT_EQ(player->CreateFromFile(movie, FALSE, nullptr), REGDB_E_CLASSNOTREG);
  EXPECT_EQ(player->GetHostWindow(), nullptr);
  EXPECT_EQ(player->LockPicture()->GetBits(), nullptr);
  player->UnlockPicture();

  // The registered class, when the file is missing.
  ASSERT_EQ(flash_test::RegisterStandIn(folder, true), S_OK);
  player.reset(new CFlashPlayer());
  ASSERT_EQ(player->CreateFromFile(movie, FALSE, nullptr), S_OK);
  EXPECT_NE(GetModuleHandleA("FlashStandIn.dll"), nullptr);
  EXPECT_EQ(GetModuleHandleA("Flash9.ocx"), nullptr);
  EXPECT_EQ(flash_test::ReadLongMember(Control(), FLASH_MEMBER_TOTAL_FRAMES), 50);

  // The file, through its class factory, when it is there, also with the class registered.
  ASSERT_TRUE(flash_test::InstallStandInFile(folder));
  player.reset(new CFlashPlayer());
  ASSERT_EQ(player->CreateFromFile(movie, FALSE, nullptr), S_OK);
  HMODULE fromFile = GetModuleHandleA("Flash9.ocx");
  ASSERT_NE(fromFile, nullptr);
  char path[MAX_PATH] = {};
  GetModuleFileNameA(fromFile, path, MAX_PATH);
  EXPECT_EQ(_stricmp(path, file.c_str()), 0) << path;
  // The module that served stays loaded after the player is gone.
  player.reset();
  EXPECT_EQ(GetModuleHandleA("Flash9.ocx"), fromFile);
}

TEST_F(FlashHostTest, AnOpaqueMovieIsPicturedWholeAboutTenTimesASecond) {
  player.reset(new CFlashPlayer());
  ASSERT_EQ(player->CreateFromFile(movie, FALSE, nullptr), S_OK);
  EXPECT_EQ(player->GetWidth(), 550);
  EXPECT_EQ(player->GetHeight(), 400);
  EXPECT_FALSE(IsWindowVisible(player->GetHostWindow()));
  IDispatch* stand = Control();
  EXPECT_EQ(flash_test::ReadTextMember(stand, FLASH_MEMBER_WMODE), L"Window");
  EXPECT_EQ(flash_test::ReadLongMember(stand, FLASH_MEMBER_LOOP), -1);  // VARIANT_TRUE

  // Every pixel shows the frame, opaque, though GDI drew it with alpha 0.
  {
    CDibSurface* picture = player->LockPicture();
    ASSERT_NE(picture, nullptr);
    EXPECT_EQ(picture->GetWidth(), 550);
    EXPECT_EQ(picture->GetHeight(), 400);
    EXPECT_EQ(picture->GetBitsPerPixel(), 32);
    const int frame = FrameAt(*picture, 0, 0);
    EXPECT_GE(frame, 0);
    int wrong = 0;
    for (int y = 0; y < 400; y += 7) {
      for (int x = 0; x < 550; x += 7) {
        int alpha = 0;
        if (FrameAt(*picture, x, y, &alpha) != frame || alpha != 255) ++wrong;
      }
    }
    EXPECT_EQ(wrong, 0);
    player->UnlockPicture();
  }

  // The movie runs at 25 frames a second; the pictures are taken 100 ms apart.
  const long drawsBefore = flash_test::ReadLongMember(stand, STANDIN_MEMBER_DRAW_COUNT);
  std::vector<int> frames;
  const DWORD start = GetTickCount();
  while (GetTickCount() - start < 2000) {
    PumpMessages(10);
    CDibSurface* picture = player->LockPicture();
    ASSERT_NE(picture, nullptr);
    const int frame = FrameAt(*picture, 275, 200);
    player->UnlockPicture();
    if (frames.empty() || frames.back() != frame) frames.push_back(frame);
  }
  const long draws = flash_test::ReadLongMember(stand, STANDIN_MEMBER_DRAW_COUNT) - drawsBefore;
  EXPECT_GE(draws, 10);
  EXPECT_LE(draws, 24);
  EXPECT_GE(frames.size(), size_t(10));
  EXPECT_LE(frames.size(), size_t(25));
  for (int frame : frames) EXPECT_GE(frame, 0);
}

TEST_F(FlashHostTest, ATransparentMovieLeavesWhatItDoesNotDrawClear) {
  player.reset(new CFlashPlayer());
  ASSERT_EQ(player->CreateFromFile(movie, TRUE, nullptr), S_OK);
  EXPECT_EQ(flash_test::ReadTextMember(Control(), FLASH_MEMBER_WMODE), L"transparent");
  PumpMessages(250);
  CDibSurface* picture = player->LockPicture();
  ASSERT_NE(picture, nullptr);
  const RECT inner = StandInInnerRect(RECT{0, 0, 550, 400});
  int wrongInside = 0, wrongOutside = 0;
  for (int y = 0; y < 400; y += 5) {
    for (int x = 0; x < 550; x += 5) {
      int alpha = 0;
      const int frame = FrameAt(*picture, x, y, &alpha);
      const BYTE* p =
          picture->GetBits() + size_t(399 - y) * picture->GetStride() + size_t(x) * 4;
      const bool inside = x >= inner.left && x < inner.right && y >= inner.top && y < inner.bottom;
      if (inside && (frame < 0 || alpha != 255)) ++wrongInside;
      if (!inside && (p[0] | p[1] | p[2] | p[3]) != 0) ++wrongOutside;
    }
  }
  player->UnlockPicture();
  EXPECT_EQ(wrongInside, 0);
  EXPECT_EQ(wrongOutside, 0);
}

TEST_F(FlashHostTest, TheSizeComesFromEitherHeaderAndBadMoviesFail) {
  SwfLayout packed;
  packed.compressed = true;
  SwfLayout small;
  small.xMax = 20 * 64;
  small.yMax = 20 * 48;
  small.compressed = true;
  SwfLayout exact;  // 300 bytes: not longer than the header read
  exact.fileSize = 300;
  SwfLayout framesless;
  framesless.frameCount = 0;
  SwfLayout other;
  other.signature[0] = 'X';
  struct Case {
    const char* name;
    std::string path;
    HRESULT result;
    int width, height;
  };
  const Case cases[] = {
      {"compressed", Movie("packed.swf", packed), S_OK, 550, 400},
      {"small", Movie("small.swf", small), S_OK, 64, 48},
      {"300 bytes", Movie("exact.swf", exact), E_FAIL, 0, 0},
      {"no frames", Movie("framesless.swf", framesless), E_FAIL, 0, 0},
      {"another kind", Movie("other.swf", other), E_FAIL, 0, 0},
      {"missing", flash_test::TempPath("missing.swf"), E_FAIL, 0, 0},
  };
  ASSERT_EQ(flash_test::FileBytes(cases[2].path).size(), 300u);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    SwfHeader header;
    const HRESULT read = ReadSwfFrameRect(c.path, &header);
    player.reset(new CFlashPlayer());
    EXPECT_EQ(player->CreateFromFile(c.path, FALSE, nullptr), c.result);
    EXPECT_EQ(player->GetWidth(), c.width);
    EXPECT_EQ(player->GetHeight(), c.height);
    if (c.result == S_OK) {
      EXPECT_EQ(read, S_OK);
      EXPECT_EQ(header.Width(), c.width);
      EXPECT_NE(player->GetHostWindow(), nullptr);
    } else {
      // Nothing half made stays: no window, no control, no picture.
      EXPECT_EQ(player->GetHostWindow(), nullptr);
      void* object = nullptr;
      EXPECT_EQ(player->QueryControl(IID_IDispatch, &object), E_FAIL);
      EXPECT_EQ(player->LockPicture()->GetBits(), nullptr);
      player->UnlockPicture();
    }
  }
}

TEST_F(FlashHostTest, EventsReachTheListenerAndTheCallGetsItsReply) {
  RecordingListener listener;
  player.reset(new CFlashPlayer());
  ASSERT_EQ(player->CreateFromFile(movie, FALSE, &listener), S_OK);
  const std::vector<std::string> expected = {
      "ready 1", "progress 50", "progress 100", "ready 4", "command loaded " + movie,
      std::string("call ") + kStandInFlashCall};
  EXPECT_EQ(listener.events, expected);
  EXPECT_EQ(flash_test::ReadTextMember(Control(), STANDIN_MEMBER_RETURN_VALUE),
            L"<string>reply</string>");

  // The sink answers for the event interface and counts without ever freeing the host.
  CFlashHost& host = *player;
  IUnknown* sink = nullptr;
  ASSERT_EQ(host.QueryInterface(DIID__IShockwaveFlashEvents, reinterpret_cast<void**>(&sink)),
            S_OK);
  EXPECT_EQ(sink, static_cast<IDispatch*>(&host));
  sink->Release();
  EXPECT_EQ(host.QueryInterface(IID_IOleObject, reinterpret_cast<void**>(&sink)), E_NOINTERFACE);
  // The count starts at 1; the control's connection holds one more.
  EXPECT_EQ(host.AddRef(), 3u);
  EXPECT_EQ(host.Release(), 2u);
  UINT count = 9;
  EXPECT_EQ(host.GetTypeInfoCount(&count), E_NOTIMPL);
  EXPECT_EQ(host.GetIDsOfNames(IID_NULL, nullptr, 0, 0, nullptr), E_NOTIMPL);

  // Events with no, too few or mistyped arguments are taken and do nothing; unknown ones
  // are refused.
  listener.events.clear();
  VARIANT text;
  text.vt = VT_BSTR;
  text.bstrVal = SysAllocString(L"x");
  VARIANT number;
  number.vt = VT_I4;
  number.lVal = 7;
  VARIANT two[2] = {number, text};
  DISPPARAMS oneText = {&text, nullptr, 1, 0};
  DISPPARAMS oneNumber = {&number, nullptr, 1, 0};
  DISPPARAMS mixed = {two, nullptr, 2, 0};
  DISPPARAMS countWithoutArguments = {nullptr, nullptr, 2, 0};
  struct Call {
    DISPID id;
    DISPPARAMS* params;
    HRESULT result;
  };
  const Call calls[] = {
      {DISPID_FLASH_FSCOMMAND, nullptr, S_OK},
      {DISPID_FLASH_FSCOMMAND, &oneText, S_OK},
      {DISPID_FLASH_FSCOMMAND, &mixed, S_OK},
      {DISPID_FLASH_FSCOMMAND, &countWithoutArguments, S_OK},
      {DISPID_FLASH_FLASHCALL, nullptr, S_OK},
      {DISPID_FLASH_FLASHCALL, &oneNumber, S_OK},
      {DISPID_FLASH_ONPROGRESS, &oneText, S_OK},
      {DISPID_FLASH_ONPROGRESS, nullptr, S_OK},
      {DISPID_FLASH_READYSTATECHANGE, &mixed, S_OK},
      {DISPID_FLASH_READYSTATECHANGE, nullptr, S_OK},
      {12345, &oneText, DISP_E_MEMBERNOTFOUND},
      {0, nullptr, DISP_E_MEMBERNOTFOUND},
  };
  for (const Call& c : calls) {
    EXPECT_EQ(host.Invoke(c.id, IID_NULL, 0, DISPATCH_METHOD, c.params, nullptr, nullptr, nullptr),
              c.result)
        << c.id;
  }
  EXPECT_TRUE(listener.events.empty());
  // Well-formed ones arrive.
  EXPECT_EQ(host.Invoke(DISPID_FLASH_ONPROGRESS, IID_NULL, 0, DISPATCH_METHOD, &oneNumber,
                        nullptr, nullptr, nullptr),
            S_OK);
  EXPECT_EQ(listener.events, std::vector<std::string>{"progress 7"});
  VariantClear(&text);

  // Closing ends the connection; the count reaching 0 frees nothing.
  EXPECT_EQ(player->Close(), S_OK);
  EXPECT_EQ(host.Release(), 0u);
  EXPECT_EQ(host.AddRef(), 1u);
  EXPECT_EQ(host.Invoke(DISPID_FLASH_ONPROGRESS, IID_NULL, 0, DISPATCH_METHOD, &oneNumber,
                        nullptr, nullptr, nullptr),
            S_OK);
}

TEST_F(FlashHostTest, DrawingThroughTheWindowHappensOnItsThread) {
  player.reset(new CFlashPlayer());
  ASSERT_EQ(player->CreateFromFile(movie, FALSE, nullptr), S_OK);
  CDibSurface target;
  ASSERT_TRUE(target.Create(600, 450, 32));
  HDC dc = target.GetDC();
  std::atomic<bool> done{false};
  std::atomic<HRESULT> result{E_UNEXPECTED};
  std::thread other([&] {
    result = player->DrawViaWindow(dc, 30, 40);
    done = true;
  });
  const DWORD start = GetTickCount();
  while (!done && GetTickCount() - start < 5000) PumpMessages(5);
  other.join();
  EXPECT_EQ(result.load(), S_OK);
  EXPECT_EQ(DWORD(flash_test::ReadLongMember(Control(), STANDIN_MEMBER_DRAW_THREAD)),
            GetCurrentThreadId());
  GdiFlush();
  // The movie's rectangle begins at (30, 40); the rest of the target stays as it was.
  EXPECT_GE(FrameAt(target, 30, 40), 0);
  EXPECT_GE(FrameAt(target, 579, 439), 0);
  EXPECT_EQ(FrameAt(target, 29, 40), -1);
  EXPECT_EQ(FrameAt(target, 30, 39), -1);
  EXPECT_EQ(FrameAt(target, 580, 100), -1);

  // Straight onto a context.
  target.Clear();
  EXPECT_EQ(player->DrawTo(dc, 0, 0), S_OK);
  GdiFlush();
  EXPECT_GE(FrameAt(target, 549, 399), 0);
  EXPECT_EQ(FrameAt(target, 550, 399), -1);
}

TEST_F(FlashHostTest, ClosingLetsTheControlGo) {
  player.reset(new CFlashPlayer());
  ASSERT_EQ(player->CreateFromFile(movie, FALSE, nullptr), S_OK);
  const HWND window = player->GetHostWindow();
  ASSERT_TRUE(IsWindow(window));
  char className[32] = {};
  GetClassNameA(window, className, sizeof(className));
  EXPECT_STREQ(className, "AtlAxWin71");
  IAxWinHostWindow* host = nullptr;
  ASSERT_EQ(GetAxHostWindow(window, &host), S_OK);
  CComPtr<IDispatch> attached;
  EXPECT_EQ(host->QueryControl(IID_IDispatch, reinterpret_cast<void**>(&attached)), S_OK);
  EXPECT_EQ(host->AttachControl(attached, window), E_UNEXPECTED);  // one control a window
  host->Release();
  attached.Reset();

  EXPECT_EQ(player->Close(), S_OK);
  EXPECT_FALSE(IsWindow(window));
  EXPECT_EQ(player->GetHostWindow(), nullptr);
  EXPECT_EQ(player->GetWidth(), 0);
  EXPECT_EQ(player->GetHeight(), 0);
  void* object = nullptr;
  EXPECT_EQ(player->QueryControl(IID_IDispatch, &object), E_FAIL);
  EXPECT_EQ(player->DrawTo(nullptr, 0, 0), E_FAIL);
  EXPECT_EQ(player->DrawViaWindow(nullptr, 0, 0), E_FAIL);
  EXPECT_EQ(player->Close(), S_FALSE);
  // A window that is not a host window has no host.
  EXPECT_EQ(GetAxHostWindow(GetDesktopWindow(), &host), E_INVALIDARG);
}

}  // namespace
