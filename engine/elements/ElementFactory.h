// Makes a frame element of a type code (ELEMENT_IMAGE .. ELEMENT_PLAYLIST_ALT) for its
// owning effect. Only the source proxy calls it.
#pragma once

#include <cstdint>

class CEffect;
class IFrameElement;

// A new element with its defaults, not yet given its owner; null for codes outside
// 1..20 and for element types this build does not make.
IFrameElement* CreateFrameElement(int32_t code, CEffect* owner);
