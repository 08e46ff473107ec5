// The compositor as its effects see it: the operations an effect (and through it an
// element) calls on the host that composes the frames.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

class CDibSurface;

class IEffectHost {
 public:
  // Composes one frame now when the host composes on demand (0); 1 otherwise.
  virtual HRESULT Refresh() = 0;
  virtual HRESULT SetRefreshEnabled(BOOL enabled) = 0;
  // Reports that property `propertyId` of effect `effectId` changed.
  virtual HRESULT PostNotify(int32_t effectId, int32_t propertyId) = 0;
  // Stretches the whole output picture into the whole destination picture.
  virtual HRESULT CopyOutputFrame(CDibSurface* destination) = 0;
  // Reports an engine event with its code and text.
  virtual HRESULT Notify(int32_t code, const std::string& text) = 0;
  virtual int32_t GetOutputWidth() = 0;
  virtual int32_t GetOutputHeight() = 0;
  // Stock picture 0-3 (an empty surface when it could not be loaded); null for other indexes.
  virtual CDibSurface* GetStockImage(int32_t index) = 0;
  virtual std::string GetCameraName() = 0;

 protected:
  ~IEffectHost() = default;
};
