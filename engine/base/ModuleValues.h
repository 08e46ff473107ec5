// Values that hold once per loaded engine library and that every engine object shares: the
// output size (read by sources that size their pictures after the output frame) and the
// host program's version (stored by effects as their application version). The engine
// object replaces them when the program sets them; any thread may read them.
#pragma once

#include "engine/base/WinTypes.h"

// The output size, 320 x 240 until the program sets another.
SIZE GetModuleOutputSize();
void SetModuleOutputSize(int width, int height);

// The host program's packed version, 0 until the program sets it.
int GetHostVersion();
void SetHostVersion(int version);
