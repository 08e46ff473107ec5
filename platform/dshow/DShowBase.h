// The project's DirectShow base classes in one include.
#pragma once

#include "platform/dshow/BaseFilter.h"
#include "platform/dshow/BasePin.h"
#include "platform/dshow/BaseRenderer.h"
#include "platform/dshow/ClassFactory.h"
#include "platform/dshow/ComBase.h"
#include "platform/dshow/MediaType.h"
#include "platform/dshow/PosPassThru.h"
#include "platform/dshow/Source.h"
