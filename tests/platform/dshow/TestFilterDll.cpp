// A filter DLL built with the class-factory and registration helpers: it registers its
// source filter and the test camera as COM servers and in the video capture device
// category, and the camera's settings page as a COM server.
#include "tests/platform/dshow/TestFilterDll.h"

#include "tests/platform/dshow/TestCamera.h"
#include "tests/platform/dshow/TestFilters.h"
#include "tests/platform/dshow/TestMicrophone.h"

namespace {

HMODULE g_hModule = nullptr;

CUnknown* NewTestDllSource(IUnknown* outer, HRESULT* phr) {
  SourceConfig config;  // endless RGB24 frames, 64 x 48 at 30 a second, capture pin
  config.capturePin = true;
  return new (std::nothrow) CTestSource(config, outer, CLSID_TestDllSource, phr);
}

const REGPINTYPES kPinTypes[] = {{&MEDIATYPE_Video, &MEDIASUBTYPE_RGB24}};
const REGFILTERPINS kPins[] = {
    {const_cast<LPWSTR>(L"Out"), FALSE, TRUE, FALSE, FALSE, &CLSID_NULL, nullptr, 1, kPinTypes}};
const AMOVIESETUP_FILTER kSetup = {&CLSID_TestDllSource, TEST_DLL_SOURCE_NAME, MERIT_DO_NOT_USE, 1,
                                   kPins};

const REGFILTERPINS kCameraPins[] = {{const_cast<LPWSTR>(L"Capture"), FALSE, TRUE, FALSE, FALSE,
                                      &CLSID_NULL, nullptr, 1, kPinTypes}};
const AMOVIESETUP_FILTER kCameraSetup = {&CLSID_TestCamera, TEST_CAMERA_NAME, MERIT_DO_NOT_USE, 1,
                                         kCameraPins};

const REGPINTYPES kSoundTypes[] = {{&MEDIATYPE_Audio, &MEDIASUBTYPE_PCM}};
const REGFILTERPINS kMicrophonePins[] = {{const_cast<LPWSTR>(L"Capture"), FALSE, TRUE, FALSE,
                                          FALSE, &CLSID_NULL, nullptr, 1, kSoundTypes}};
const AMOVIESETUP_FILTER kMicrophoneSetup = {&CLSID_TestMicrophone, TEST_MICROPHONE_NAME,
                                             MERIT_DO_NOT_USE, 1, kMicrophonePins};

// The camera and its page come next: TestCameraRegister registers only those two; the
// microphone comes last, and TestMicrophoneRegister registers only that one.
const CFactoryTemplate g_Templates[] = {
    {TEST_DLL_SOURCE_NAME, &CLSID_TestDllSource, NewTestDllSource, &kSetup,
     &CLSID_VideoInputDeviceCategory, TEST_DLL_SOURCE_NAME},
    {TEST_CAMERA_NAME, &CLSID_TestCamera, NewTestCamera, &kCameraSetup,
     &CLSID_VideoInputDeviceCategory, TEST_CAMERA_INSTANCE},
    {L"Tavisco Test Camera Page", &CLSID_TestCameraPage, NewTestCameraPage, nullptr, nullptr,
     nullptr},
    {TEST_MICROPHONE_NAME, &CLSID_TestMicrophone, NewTestMicrophone, &kMicrophoneSetup,
     &CLSID_AudioInputDeviceCategory, TEST_MICROPHONE_INSTANCE}};
const int g_cTemplates = sizeof(g_Templates) / sizeof(g_Templates[0]);

}  // namespace

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, void*) {
  if (reason == DLL_PROCESS_ATTACH) {
    g_hModule = instance;
    DisableThreadLibraryCalls(instance);
  }
  return TRUE;
}

STDAPI DllGetClassObject(REFCLSID clsid, REFIID riid, void** ppv) {
  return DllGetClassObjectFromTemplates(g_Templates, g_cTemplates, clsid, riid, ppv);
}

STDAPI DllCanUnloadNow() { return DllCanUnloadNowFromTemplates(); }

// The source, camera and page; the microphone registers on its own.
STDAPI DllRegisterServer() { return RegisterTemplates(g_Templates, 3, g_hModule, TRUE); }

STDAPI DllUnregisterServer() { return RegisterTemplates(g_Templates, 3, g_hModule, FALSE); }

extern "C" HRESULT WINAPI TestCameraRegister(BOOL doRegister) {
  return RegisterTemplates(g_Templates + 1, 2, g_hModule, doRegister);
}

extern "C" HRESULT WINAPI TestMicrophoneRegister(BOOL doRegister) {
  return RegisterTemplates(g_Templates + 3, 1, g_hModule, doRegister);
}
