// The few Windows types and result codes that the engine's portable code (list texts,
// the package file, size arithmetic) shares with the rest of the engine. On Windows they
// come from the system's own type headers (not windows.h); elsewhere they are defined
// here with the same sizes, so the portable code also builds natively for the sanitizer
// and fuzzing runs.
#pragma once

#include <cstdint>

#ifdef _WIN32
#include <windef.h>
#include <winerror.h>
#else
typedef int32_t LONG;
typedef int32_t BOOL;
typedef int32_t HRESULT;
typedef uint8_t BYTE;
typedef uint16_t WORD;
typedef uint32_t DWORD;
typedef uint32_t UINT;
#ifndef TRUE
#define TRUE 1
#define FALSE 0
#endif
struct RECT {
  LONG left, top, right, bottom;
};
struct SIZE {
  LONG cx, cy;
};
struct POINT {
  LONG x, y;
};
#define S_OK ((HRESULT)0)
#define S_FALSE ((HRESULT)1)
#define E_FAIL ((HRESULT)0x80004005u)
#define E_INVALIDARG ((HRESULT)0x80070057u)
#define E_OUTOFMEMORY ((HRESULT)0x8007000Eu)
#define E_POINTER ((HRESULT)0x80004003u)
#define SUCCEEDED(hr) (((HRESULT)(hr)) >= 0)
#define FAILED(hr) (((HRESULT)(hr)) < 0)
#endif
