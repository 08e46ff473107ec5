#include "engine/elements/CameraView.h"

#include <algorithm>

RECT CameraViewRect(int32_t width, int32_t height, int32_t zoom, int32_t panX, int32_t panY) {
  const int64_t w = width, h = height;
  const int64_t z = std::clamp<int64_t>(zoom, kCameraZoomMin, kCameraZoomMax);
  const int64_t px = std::clamp<int64_t>(panX, -kCameraPanLimit, kCameraPanLimit);
  const int64_t py = std::clamp<int64_t>(panY, -kCameraPanLimit, kCameraPanLimit);
  const int64_t vw = w * 100 / z;
  const int64_t vh = h * 100 / z;
  const int64_t fx = (vw - w) * px / 200;
  const int64_t fy = (vh - h) * py / 200;
  RECT rect;
  rect.left = static_cast<LONG>(w / 2 + fx - vw / 2);
  rect.top = static_cast<LONG>(h / 2 + fy - vh / 2);
  rect.right = static_cast<LONG>(vw / 2 + w / 2 + fx);
  rect.bottom = static_cast<LONG>(vh / 2 + h / 2 + fy);
  return rect;
}
