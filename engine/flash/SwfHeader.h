// The header of a Flash movie (SWF), as far as the engine reads it: the signature, the
// frame rectangle that gives the movie's size, and the frame rate and count behind it.
//
//   bytes 0..2  "FWS" uncompressed, or "CWS" with everything from byte 8 on zlib-compressed
//               (compared without regard to case)
//   byte  3     version
//   bytes 4..7  file length
//   byte  8..   frame rectangle: a 5-bit field size n, then Xmin, Xmax, Ymin, Ymax as n-bit
//               two's complement values, most significant bit first, in twips (1/20 pixel);
//               then, from the next whole byte, the frame rate (8.8 fixed point) and the
//               frame count, each 16 bits little-endian.
//
// Portable: no Windows API, so the native sanitizer and fuzzing builds check it too.
#pragma once

#include <cstddef>
#include <cstdint>

#include "engine/base/WinTypes.h"

// How many bytes of a movie the header is read from; a movie must be longer.
constexpr size_t kSwfHeadSize = 300;
// The largest side a movie's picture may have.
constexpr int32_t kMaxSwfSide = 4096;

struct SwfHeader {
  bool compressed = false;
  // The frame rectangle in pixels (each twips value divided by 20, truncated).
  int32_t left = 0;
  int32_t top = 0;
  int32_t right = 0;
  int32_t bottom = 0;
  // Whether the frame rate and count follow the rectangle within the bytes read.
  bool hasTiming = false;
  uint16_t frameRate = 0;  // frames a second times 256
  uint16_t frameCount = 0;

  int32_t Width() const { return right - left; }
  int32_t Height() const { return bottom - top; }
};

// Reads the header from the first bytes of a movie (at most kSwfHeadSize of them are
// looked at). E_FAIL for another signature, for a compressed header that does not
// inflate, when the bytes end inside the frame rectangle, or when the movie's width or
// height is not within 1..kMaxSwfSide; `header` is written only on success.
HRESULT ParseSwfHeader(const uint8_t* data, size_t size, SwfHeader* header);
