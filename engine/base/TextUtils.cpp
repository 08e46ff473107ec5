#include "engine/base/TextUtils.h"
