// Self-registration of a filter DLL built with the class-factory helpers: the system
// device enumerator lists it among the video capture devices, COM creates it from its
// moniker, and unregistering removes both entries. (Wine 8.0's device enumerator lists
// the filters that IFilterMapper2::RegisterFilter put in the video input category at
// once, with "FriendlyName" and "CLSID", and forgets them as soon as they are removed.)
#include <gtest/gtest.h>

#include <string>

#include "tests/platform/dshow/TestFilterDll.h"
#include "tests/platform/dshow/TestFilters.h"

namespace {

std::wstring DllPath() {
  wchar_t exe[MAX_PATH];
  DWORD n = GetModuleFileNameW(nullptr, exe, MAX_PATH);
  std::wstring path(exe, n);
  return path.substr(0, path.find_last_of(L"\\/") + 1) + L"dshow_test_filter.dll";
}

// The moniker of the video capture device with this friendly name, or none.
CComPtr<IMoniker> FindVideoInput(const wchar_t* friendlyName) {
  CComPtr<ICreateDevEnum> devices;
  if (FAILED(CoCreateInstance(CLSID_SystemDeviceEnum, nullptr, CLSCTX_INPROC_SERVER,
                              IID_ICreateDevEnum, reinterpret_cast<void**>(&devices))))
    return {};
  CComPtr<IEnumMoniker> monikers;
  // S_FALSE: the category is empty.
  if (devices->CreateClassEnumerator(CLSID_VideoInputDeviceCategory, &monikers, 0) != S_OK)
    return {};
  for (;;) {
    CComPtr<IMoniker> moniker;
    if (monikers->Next(1, &moniker, nullptr) != S_OK) return {};
    CComPtr<IPropertyBag> bag;
    if (FAILED(moniker->BindToStorage(nullptr, nullptr, IID_IPropertyBag,
                                      reinterpret_cast<void**>(&bag))))
      continue;
    VARIANT name;
    VariantInit(&name);
    bool match = SUCCEEDED(bag->Read(L"FriendlyName", &name, nullptr)) && name.vt == VT_BSTR &&
                 wcscmp(name.bstrVal, friendlyName) == 0;
    VariantClear(&name);
    if (match) return moniker;
  }
}

class FilterRegistration : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(SUCCEEDED(com.hr));
    // CTest runs test programs in parallel; these tests share one registry entry, so
    // they take turns across processes.
    turn = CreateMutexW(nullptr, FALSE, L"Local\\TaviscoDShowRegistrationTests");
    ASSERT_NE(nullptr, turn);
    DWORD wait = WaitForSingleObject(turn, 60000);
    ASSERT_TRUE(wait == WAIT_OBJECT_0 || wait == WAIT_ABANDONED);
    haveTurn = true;
    module = LoadLibraryW(DllPath().c_str());
    ASSERT_NE(nullptr, module);
    registerServer = reinterpret_cast<HRESULT(WINAPI*)()>(
        reinterpret_cast<void*>(GetProcAddress(module, "DllRegisterServer")));
    unregisterServer = reinterpret_cast<HRESULT(WINAPI*)()>(
        reinterpret_cast<void*>(GetProcAddress(module, "DllUnregisterServer")));
    canUnloadNow = reinterpret_cast<HRESULT(WINAPI*)()>(
        reinterpret_cast<void*>(GetProcAddress(module, "DllCanUnloadNow")));
    ASSERT_NE(nullptr, registerServer);
    ASSERT_NE(nullptr, unregisterServer);
    ASSERT_NE(nullptr, canUnloadNow);
    unregisterServer();  // a clean start even after an interrupted run
  }

  void TearDown() override {
    if (unregisterServer) unregisterServer();  // leaves the prefix as it was
    if (module) FreeLibrary(module);
    if (haveTurn) ReleaseMutex(turn);
    if (turn) CloseHandle(turn);
  }

  ComScope com;
  HANDLE turn = nullptr;
  bool haveTurn = false;
  HMODULE module = nullptr;
  HRESULT(WINAPI* registerServer)() = nullptr;
  HRESULT(WINAPI* unregisterServer)() = nullptr;
  HRESULT(WINAPI* canUnloadNow)() = nullptr;
};

TEST_F(FilterRegistration, DeviceEnumeratorFindsTheRegisteredFilterByFriendlyName) {
  ASSERT_EQ(nullptr, FindVideoInput(TEST_DLL_SOURCE_NAME).Get());
  ASSERT_EQ(S_OK, registerServer());

  CComPtr<IMoniker> moniker = FindVideoInput(TEST_DLL_SOURCE_NAME);
  ASSERT_NE(nullptr, moniker.Get());
  CComPtr<IPropertyBag> bag;
  ASSERT_EQ(S_OK, moniker->BindToStorage(nullptr, nullptr, IID_IPropertyBag,
                                         reinterpret_cast<void**>(&bag)));
  VARIANT clsidText;
  VariantInit(&clsidText);
  ASSERT_EQ(S_OK, bag->Read(L"CLSID", &clsidText, nullptr));
  CLSID clsid = CLSID_NULL;
  ASSERT_EQ(VT_BSTR, clsidText.vt);
  EXPECT_EQ(S_OK, CLSIDFromString(clsidText.bstrVal, &clsid));
  EXPECT_TRUE(IsEqualCLSID(CLSID_TestDllSource, clsid));
  VariantClear(&clsidText);

  // Binding the moniker creates the filter through the registered COM server.
  CComPtr<IBaseFilter> filter;
  ASSERT_EQ(S_OK, moniker->BindToObject(nullptr, nullptr, IID_IBaseFilter,
                                        reinterpret_cast<void**>(&filter)));
  ASSERT_EQ(S_OK, filter->GetClassID(&clsid));
  EXPECT_TRUE(IsEqualCLSID(CLSID_TestDllSource, clsid));
  EXPECT_EQ(S_FALSE, canUnloadNow());  // a filter of the DLL is alive

  // And it streams as a capture device: the capture graph builder finds its capture pin
  // and renders it into the renderer already in the graph.
  CComPtr<IGraphBuilder> graph;
  ASSERT_EQ(S_OK, CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER,
                                   IID_IGraphBuilder, reinterpret_cast<void**>(&graph)));
  CComPtr<ICaptureGraphBuilder2> builder;
  ASSERT_EQ(S_OK, CoCreateInstance(CLSID_CaptureGraphBuilder2, nullptr, CLSCTX_INPROC_SERVER,
                                   IID_ICaptureGraphBuilder2, reinterpret_cast<void**>(&builder)));
  ASSERT_EQ(S_OK, builder->SetFiltergraph(graph));
  CTestRenderer* renderer = nullptr;
  CComPtr<IBaseFilter> rendererFilter = CTestRenderer::Create({MEDIASUBTYPE_RGB24}, &renderer);
  ASSERT_EQ(S_OK, graph->AddFilter(rendererFilter, L"my Render"));
  ASSERT_EQ(S_OK, graph->AddFilter(filter, TEST_DLL_SOURCE_NAME));
  ASSERT_TRUE(SUCCEEDED(builder->RenderStream(&PIN_CATEGORY_CAPTURE, &MEDIATYPE_Video, filter,
                                              nullptr, rendererFilter)));
  CComPtr<IMediaControl> control;
  ASSERT_EQ(S_OK, graph.QueryInterface(IID_IMediaControl, &control));
  {
    Watchdog watchdog(30000, "streaming from the DLL's filter");
    ASSERT_TRUE(SUCCEEDED(control->Run()));
    EXPECT_TRUE(renderer->WaitForFrames(3, 5000));
    EXPECT_TRUE(SUCCEEDED(control->Stop()));
  }
  EXPECT_EQ(0, renderer->Frames().front().index);
  control.Reset();
  builder.Reset();
  graph.Reset();
  filter.Reset();
  moniker.Reset();
  bag.Reset();
  EXPECT_EQ(S_OK, canUnloadNow());
}

TEST_F(FilterRegistration, UnregisteringRemovesTheDeviceAndTheServer) {
  ASSERT_EQ(S_OK, registerServer());
  ASSERT_NE(nullptr, FindVideoInput(TEST_DLL_SOURCE_NAME).Get());
  ASSERT_EQ(S_OK, unregisterServer());
  EXPECT_EQ(nullptr, FindVideoInput(TEST_DLL_SOURCE_NAME).Get());
  CComPtr<IBaseFilter> filter;
  EXPECT_EQ(REGDB_E_CLASSNOTREG,
            CoCreateInstance(CLSID_TestDllSource, nullptr, CLSCTX_INPROC_SERVER, IID_IBaseFilter,
                             reinterpret_cast<void**>(&filter)));
  wchar_t key[80] = L"CLSID\\";
  StringFromGUID2(CLSID_TestDllSource, key + 6, 40);
  HKEY opened = nullptr;
  EXPECT_EQ(ERROR_FILE_NOT_FOUND, RegOpenKeyExW(HKEY_CLASSES_ROOT, key, 0, KEY_READ, &opened));
}

TEST_F(FilterRegistration, ServerEntryNamesTheDllAndItsThreadingModel) {
  ASSERT_EQ(S_OK, registerServer());
  wchar_t clsid[40] = {};
  StringFromGUID2(CLSID_TestDllSource, clsid, 40);
  const std::wstring key = std::wstring(L"CLSID\\") + clsid + L"\\InprocServer32";
  wchar_t value[MAX_PATH] = {};
  DWORD bytes = sizeof(value);
  ASSERT_EQ(ERROR_SUCCESS, RegGetValueW(HKEY_CLASSES_ROOT, key.c_str(), nullptr, RRF_RT_REG_SZ,
                                        nullptr, value, &bytes));
  EXPECT_EQ(0, lstrcmpiW(DllPath().c_str(), value));
  bytes = sizeof(value);
  ASSERT_EQ(ERROR_SUCCESS, RegGetValueW(HKEY_CLASSES_ROOT, key.c_str(), L"ThreadingModel",
                                        RRF_RT_REG_SZ, nullptr, value, &bytes));
  EXPECT_STREQ(L"Both", value);
}

}  // namespace
