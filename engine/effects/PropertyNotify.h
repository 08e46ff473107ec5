// The one operation through which the parts of an effect (its layout and its lifetime)
// report their property changes to the effect that holds them.
#pragma once

#include <cstdint>

#include "engine/base/WinTypes.h"

class IPropertyNotify {
 public:
  virtual HRESULT NotifyChange(int32_t id) = 0;

 protected:
  ~IPropertyNotify() = default;
};
