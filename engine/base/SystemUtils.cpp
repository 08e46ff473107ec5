#include "engine/base/SystemUtils.h"
