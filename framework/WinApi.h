// The Windows API for the framework's Windows-side code: windows.h without the macros whose
// names the framework's units use for their own functions and methods (call the A forms of
// those functions by name). Include this instead of windows.h wherever framework headers
// are used too.
#pragma once

#ifndef _WIN32
#error "framework/WinApi.h is for Windows builds only"
#endif

#include <windows.h>

#ifdef DeleteFile
#undef DeleteFile
#endif
#ifdef GetObject
#undef GetObject
#endif
#ifdef TextOut
#undef TextOut
#endif
#ifdef MessageBox
#undef MessageBox
#endif
#ifdef DrawText
#undef DrawText
#endif
