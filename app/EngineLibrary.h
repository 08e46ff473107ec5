// The engine library's four exports, which the program imports by name at load time:
// CreateEngine (declared with the engine interface) and the three that find, install and
// remove the virtual camera.
#pragma once

#include "framework/WinApi.h"

#include "engine/api/VDEngine.h"

extern "C" {
// Whether a device with the hardware id is present.
BOOL WINAPI FindDevice(const char* hardwareId);
// Runs the camera installer for the INF file and hardware id; the installer's result.
int WINAPI InstallDevice(const char* infFile, const char* hardwareId);
int WINAPI RemoveDevice(const char* hardwareId);
}
