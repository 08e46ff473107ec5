// The engine object from inside the library: its sink towards the program's window, the
// last-event slot under reports from many threads, and creating COM objects from a module
// file without registration.
#include "engine/api/Engine.h"

#include <dshow.h>
#include <objbase.h>
#include <windows.h>

#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "engine/api/ModuleObjects.h"
#include "engine/base/SystemUtils.h"

namespace {

// {5C2E7A14-8F3B-4D62-A1C9-7E40B3D5F218}: the stand-in camera's capture filter.
const CLSID kCameraClsid = {
    0x5c2e7a14, 0x8f3b, 0x4d62, {0xa1, 0xc9, 0x7e, 0x40, 0xb3, 0xd5, 0xf2, 0x18}};
// A class no module and no registration knows.
const CLSID kUnknownClsid = {
    0x1d2c3b4a, 0x5f6e, 0x4a7b, {0x8c, 0x9d, 0x0e, 0x1f, 0x2a, 0x3b, 0x4c, 0x5d}};

class ScopedEngine {
 public:
  ScopedEngine() : m_engine(static_cast<CEngine*>(CreateEngine())) {}
  ~ScopedEngine() { m_engine->Release(); }
  CEngine* operator->() const { return m_engine; }

 private:
  CEngine* m_engine;
};

// The text holder as the program implements it.
class Holder : public IVDString {
 public:
  void VDAPI Release() override {}
  const char* VDAPI GetText() override { return text.c_str(); }
  void VDAPI SetText(const char* value) override { text = value ? value : ""; }
  std::string text;
};

TEST(Engine, SinkWithoutNotifyWindowDropsMessagesAndAnswersMinusOne) {
  ScopedEngine engine;
  EXPECT_EQ(engine->GetNotifyWindow(), nullptr);
  EXPECT_EQ(engine->PostHostMessage(WM_ENGINE_EVENT, 0, 0), -1);
  EXPECT_EQ(engine->SendHostMessage(WM_ENGINE_EVENT, 0, 0), -1);
  engine->SetOwnerWindow(GetDesktopWindow());
  EXPECT_EQ(engine->GetOwnerWindow(), GetDesktopWindow());
  EXPECT_EQ(engine->GetOutputWidth(), 0) << "nothing set yet";
  EXPECT_EQ(engine->SetOutputSize(640, 480), 1);
  EXPECT_EQ(engine->GetOutputWidth(), 640);
  EXPECT_EQ(engine->GetOutputHeight(), 480);
  EXPECT_EQ(engine->GetCompositor(), nullptr);
}

TEST(Engine, EventsReportedFromManyThreadsAlwaysReadAsOneWholeEvent) {
  ScopedEngine engine;
  std::atomic<bool> stop{false};
  std::vector<std::thread> reporters;
  for (int t = 0; t < 4; ++t) {
    reporters.emplace_back([&, t] {
      for (int i = 0; !stop; ++i) {
        const int code = 1000 + t * 100000 + i % 50000;
        engine->ReportEvent(code,
                            "event " + std::to_string(code) + std::string(size_t(i % 97), 'x'));
      }
    });
  }
  Holder text;
  int seen = 0;
  const DWORD start = GetTickCount();
  while (GetTickCount() - start < 300) {
    int code = -1;
    engine->GetLastEvent(&code, &text);
    if (code == 0) continue;
    ++seen;
    const std::string expected = "event " + std::to_string(code);
    ASSERT_EQ(text.text.compare(0, expected.size(), expected), 0) << code << " " << text.text;
    ASSERT_EQ(text.text.find_first_not_of('x', expected.size()), std::string::npos);
  }
  stop = true;
  for (std::thread& t : reporters) t.join();
  EXPECT_GT(seen, 0);
}

TEST(Engine, CreateObjectFromModuleUsesTheModulesClassFactoryOrFallsBack) {
  ASSERT_TRUE(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)));
  const std::string module = GetProgramFolder() + "TaviscoCam.dll";
  {
    IBaseFilter* filter = nullptr;
    ASSERT_EQ(CreateObjectFromModule(module, kCameraClsid, nullptr, CLSCTX_INPROC_SERVER,
                                     IID_IBaseFilter, reinterpret_cast<void**>(&filter)),
              S_OK);
    ASSERT_NE(filter, nullptr);
    CLSID classId = {};
    EXPECT_EQ(filter->GetClassID(&classId), S_OK);
    EXPECT_TRUE(IsEqualGUID(classId, kCameraClsid));
    filter->Release();
    EXPECT_NE(GetModuleHandleA(module.c_str()), nullptr) << "a module that served stays loaded";
  }
  {
    // Without such a module: the registered class.
    IUnknown* graph = nullptr;
    EXPECT_EQ(CreateObjectFromModule(GetProgramFolder() + "no such module.ocx", CLSID_FilterGraph,
                                     nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown,
                                     reinterpret_cast<void**>(&graph)),
              S_OK);
    ASSERT_NE(graph, nullptr);
    graph->Release();
  }
  {
    // A module that does not know the class, and no registration either.
    IUnknown* none = reinterpret_cast<IUnknown*>(1);
    EXPECT_EQ(CreateObjectFromModule(module, kUnknownClsid, nullptr, CLSCTX_INPROC_SERVER,
                                     IID_IUnknown, reinterpret_cast<void**>(&none)),
              REGDB_E_CLASSNOTREG);
    EXPECT_EQ(none, nullptr);
  }
  CoUninitialize();
}

}  // namespace
