// Finding, installing and removing the virtual-camera device. FindDevice, InstallDevice
// and RemoveDevice are exports of the engine library.
#pragma once

#include <windows.h>

#include <string>

extern "C" {
BOOL WINAPI FindDevice(const char* hardwareId);
int WINAPI InstallDevice(const char* infFile, const char* hardwareId);
int WINAPI RemoveDevice(const char* hardwareId);
}

// The diagnostic text of the last failed device-management step:
// "<step> FAILURE:(0x%08x) <system message>".
std::string GetDeviceDiagnostic();
