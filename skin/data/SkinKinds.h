// Unit SkinData, the kinds that the skin records store and the drawing routines act on:
// how a client part is stretched, how a control blends from one look to the next, and
// what an inactive skinned window does to its picture. Skin files write them as words
// (SkinFields.h reads and writes those); the numbers are those the words stand for.
// Portable: no Windows header.
#pragma once

#include <cstdint>

// How a client part is stretched instead of tiled: both ways, across only, down only.
enum TspStretchType : uint8_t { stFull = 0, stHorz = 1, stVert = 2 };

// How a control blends from one look to the next (TspEffectBmp's transitions).
enum TspMorphKind : uint8_t {
  mkDefault = 0,
  mkGradient = 1,
  mkLeftGradient = 2,
  mkRightGradient = 3,
  mkLeftSlide = 4,
  mkRightSlide = 5,
  mkPush = 6
};

// What an inactive skinned window does to its picture (TspEffectBmp's looks).
enum TspInactiveEffect : uint8_t {
  ieBrightness = 0,
  ieDarkness = 1,
  ieGrayScale = 2,
  ieNoise = 3,
  ieSplitBlur = 4,
  ieInvert = 5
};
