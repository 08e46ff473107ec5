// Values that hold once per loaded engine library and that every engine object shares: the
// output size (read by sources that size their pictures after the output frame), the host
// program's version (stored by effects as their application version), the program's owner
// window (parent of camera property pages) and the optional source filters of the file
// playback graph. The engine object replaces them when the program sets them; any thread
// may read them.
#pragma once

#include "engine/base/WinTypes.h"

// The output size, 320 x 240 until the program sets another.
SIZE GetModuleOutputSize();
void SetModuleOutputSize(int width, int height);

// The host program's packed version, 0 until the program sets it.
int GetHostVersion();
void SetHostVersion(int version);

#ifdef _WIN32
// The program's application window, null until the program sets it.
HWND GetModuleOwnerWindow();
void SetModuleOwnerWindow(HWND window);
#endif

// Optional source filters of the file playback graph, both on at load.
constexpr int SOURCE_FILTER_REALMEDIA = 1;  // the RealMedia source chain
constexpr int SOURCE_FILTER_FLV = 2;        // the FLV splitter
// False for other kinds.
bool IsModuleSourceFilterEnabled(int kind);
// Other kinds change nothing.
void SetModuleSourceFilter(int kind, bool enable);
