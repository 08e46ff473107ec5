#include "engine/base/DibSurface.h"
