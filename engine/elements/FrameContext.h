// The record handed to every effect and element while one output frame is composed: the
// output picture, what the face tracker found in it, and the frame's start time. The
// compositor zeroes it before each frame.
#pragma once

#include <cstdint>

class CDibSurface;

struct CFrameContext {
  CDibSurface* output = nullptr;  // the output picture being composed
  int32_t faceFound = 0;          // non-zero when the face fields below are valid
  double faceX = 0.0;             // face centre in output pixels, counted from the top left
  double faceY = 0.0;
  double faceSize = 0.0;   // distance between the eye centres, in output pixels
  double faceAngle = 0.0;  // roll angle in degrees
  uint32_t time = 0;       // clock reading at the frame's start, in milliseconds
};
