#include "engine/base/MediaTimer.h"
