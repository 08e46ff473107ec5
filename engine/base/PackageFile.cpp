#include "engine/base/PackageFile.h"
