// The test camera of the test filter DLL: a capture source registered as a video input
// device under its own name, for the tests that open cameras as a user's program would.
// Its capture pin names its category through IKsPropertySet, offers a list of sizes through
// IAMStreamConfig, streams in real time from at least two buffers, and shows numbered
// frames or a picture the test gives it. How it answers format requests and whether it can
// run is chosen per test through the DLL's exported functions, which a test reaches by
// loading the same DLL (the filter then lives in the test's process).
#pragma once

#include <windows.h>

#include <cstdint>

// {6D1F3A52-8E0B-4C61-9A77-2B5E31C0D430}
static const CLSID CLSID_TestCamera = {
    0x6d1f3a52, 0x8e0b, 0x4c61, {0x9a, 0x77, 0x2b, 0x5e, 0x31, 0xc0, 0xd4, 0x30}};
// {6D1F3A52-8E0B-4C61-9A77-2B5E31C0D431}: its settings page.
static const CLSID CLSID_TestCameraPage = {
    0x6d1f3a52, 0x8e0b, 0x4c61, {0x9a, 0x77, 0x2b, 0x5e, 0x31, 0xc0, 0xd4, 0x31}};
#define TEST_CAMERA_NAME L"Tavisco Test Camera"
#define TEST_CAMERA_INSTANCE L"TaviscoTestCamera"
// The moniker display name of the registered camera.
#define TEST_CAMERA_DISPLAY_NAME \
  "@device:sw:{860BB310-5D01-11D0-BD3B-00A0C911CE86}\\TaviscoTestCamera"

// How the camera answers IAMStreamConfig::SetFormat.
enum TestCameraFormatPolicy : int32_t {
  TEST_CAMERA_ACCEPT_LISTED = 0,  // any listed size (in its offered depth)
  TEST_CAMERA_ACCEPT_320 = 1,     // only 320 x 240
  TEST_CAMERA_REFUSE_ALL = 2,     // nothing: the first listed size stays
};

struct TestCameraSettings {
  int32_t policy = TEST_CAMERA_ACCEPT_LISTED;
  int32_t rgb32Only = 0;  // offers and accepts only 32-bit RGB (else only 24-bit)
  int32_t failRun = 0;    // the filter refuses to start (pause or run)
  int32_t topDown = 0;    // samples carry their rows top-down (negative height)
  int32_t framesPerSecond = 30;
  // The sizes of IAMStreamConfig's list; the first is the format before any request.
  int32_t sizeCount = 3;
  int32_t sizes[8][2] = {{640, 480}, {320, 240}, {176, 144}};
};

struct TestCameraStats {
  int32_t framesDelivered;   // since the settings were last applied
  int32_t formatRequests;    // SetFormat calls
  int32_t acceptedWidth;     // size of the last accepted SetFormat, 0 x 0 when none
  int32_t acceptedHeight;
  int32_t streamingWidth;    // size of the last connection
  int32_t streamingHeight;
  int32_t runRequests;       // Run calls
  int32_t pageActivations;   // times the settings page was shown
  HWND pageWindow;           // the page's window while it is shown, else null
};

// Exported by the DLL (see TestFilterDll.def).
// Registers (TRUE) or unregisters (FALSE) the camera and its settings page only.
typedef HRESULT(WINAPI* TestCameraRegisterFunction)(BOOL doRegister);
// Applies settings for filters made from now on and resets the counters.
typedef void(WINAPI* TestCameraConfigureFunction)(const TestCameraSettings* settings);
// The picture shown from the next frame on (24-bit blue, green, red, rows top-down, no
// padding), scaled to the streaming size; null returns to numbered frames.
typedef void(WINAPI* TestCameraSetPictureFunction)(const BYTE* pixels, int32_t width,
                                                    int32_t height);
typedef void(WINAPI* TestCameraGetStatsFunction)(TestCameraStats* stats);
