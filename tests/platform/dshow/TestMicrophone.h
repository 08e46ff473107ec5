// The test microphone of the test filter DLL: a sound capture source registered as an
// audio input device under its own name, which streams silence (16-bit mono PCM at 8000
// samples a second, in pieces of 100 ms, in real time). Tests register it through the
// DLL's exported function and name it to the engine by its moniker display name.
#pragma once

#include <objbase.h>
#include <windows.h>

class CUnknown;

// {6D1F3A52-8E0B-4C61-9A77-2B5E31C0D440}
static const CLSID CLSID_TestMicrophone = {
    0x6d1f3a52, 0x8e0b, 0x4c61, {0x9a, 0x77, 0x2b, 0x5e, 0x31, 0xc0, 0xd4, 0x40}};
#define TEST_MICROPHONE_NAME L"Tavisco Test Microphone"
#define TEST_MICROPHONE_INSTANCE L"TaviscoTestMicrophone"
// The moniker display name of the registered microphone.
#define TEST_MICROPHONE_DISPLAY_NAME \
  "@device:sw:{33D9A762-90C8-11D0-BD43-00A0C911CE86}\\TaviscoTestMicrophone"

// Exported by the DLL: registers (TRUE) or unregisters (FALSE) the microphone only.
typedef HRESULT(WINAPI* TestMicrophoneRegisterFunction)(BOOL doRegister);

// Maker of the microphone, for the DLL's class table.
CUnknown* NewTestMicrophone(IUnknown* outer, HRESULT* phr);
