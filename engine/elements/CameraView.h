// The digital zoom and pan of the camera source: the part of the camera picture that is
// shown. Integer arithmetic, divisions truncating toward zero.
#pragma once

#include <cstdint>

#include "engine/base/WinTypes.h"

constexpr int32_t kCameraZoomMin = 100;  // percent
constexpr int32_t kCameraZoomMax = 400;
constexpr int32_t kCameraPanLimit = 100;  // -100 .. 100 each way

// The shown rectangle of a width x height picture (top-down) at a zoom in percent and pans
// of -100 .. 100: at zoom z a window of width * 100 / z by height * 100 / z, centred, moved
// by the pans; pan 100 puts it at the edge with the smaller coordinate, -100 at the other.
// Zoom and pans outside their ranges are brought into them.
RECT CameraViewRect(int32_t width, int32_t height, int32_t zoom, int32_t panX, int32_t panY);
