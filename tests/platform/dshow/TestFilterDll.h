// Identity of the filters in the test filter DLL: a small source of numbered RGB24 frames
// registered as a video capture device, and the test camera (TestCamera.h).
#pragma once

#include <objbase.h>
#include <windows.h>

class CUnknown;

// {6D1F3A52-8E0B-4C61-9A77-2B5E31C0D420}
static const CLSID CLSID_TestDllSource = {
    0x6d1f3a52, 0x8e0b, 0x4c61, {0x9a, 0x77, 0x2b, 0x5e, 0x31, 0xc0, 0xd4, 0x20}};
#define TEST_DLL_SOURCE_NAME L"Tavisco DirectShow Test Source 6D1F3A52"

// Makers of the test camera and its settings page, for the DLL's class table.
CUnknown* NewTestCamera(IUnknown* outer, HRESULT* phr);
CUnknown* NewTestCameraPage(IUnknown* outer, HRESULT* phr);
