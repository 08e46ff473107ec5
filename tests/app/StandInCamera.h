// The stand-in camera as the program's tests and benchmarks install it: through the engine
// library's exports with the INF file beside the test program, after taking away what an
// interrupted run may have left. Windows only.
#pragma once

#include "app/EngineLibrary.h"
#include "app/SPTools.h"

constexpr const char* kStandInCameraId = "root\\TaviscoVCam";

// Whether the camera is installed afterwards.
inline bool InstallStandInCamera() {
  RemoveDevice(kStandInCameraId);
  InstallDevice((GetExeFolder() + "TaviscoCam.inf").c_str(), kStandInCameraId);
  return FindDevice(kStandInCameraId) != FALSE;
}

inline void RemoveStandInCamera() { RemoveDevice(kStandInCameraId); }
