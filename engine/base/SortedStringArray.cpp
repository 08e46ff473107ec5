#include "engine/base/SortedStringArray.h"
