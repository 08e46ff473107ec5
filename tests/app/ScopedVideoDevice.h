// A device registered in the video input category for the life of the object, under a
// chosen instance name and friendly name, as the capture-device tests need them. A device
// of the same instance left behind by a killed run is removed first. Any class id serves:
// the tests read only the monikers' names and bind no filter.
#pragma once

#include "framework/WinApi.h"

#include <dshow.h>

#include "framework/SysUtils.h"

class TScopedVideoDevice {
 public:
  TScopedVideoDevice(const AnsiString& Instance, const WideString& FriendlyName)
      : FInstance(AnsiToWide(Instance)) {
    if (FAILED(CoCreateInstance(CLSID_FilterMapper2, nullptr, CLSCTX_INPROC_SERVER, IID_IFilterMapper2,
                                reinterpret_cast<void**>(&FMapper))))
      return;
    FMapper->UnregisterFilter(&CLSID_VideoInputDeviceCategory, FInstance.c_str(), kFilter);
    REGFILTER2 filter = {};
    filter.dwVersion = 1;
    filter.dwMerit = MERIT_DO_NOT_USE;
    FRegistered = SUCCEEDED(FMapper->RegisterFilter(kFilter, FriendlyName.c_str(), nullptr,
                                                    &CLSID_VideoInputDeviceCategory, FInstance.c_str(),
                                                    &filter));
  }
  ~TScopedVideoDevice() {
    if (FRegistered) FMapper->UnregisterFilter(&CLSID_VideoInputDeviceCategory, FInstance.c_str(), kFilter);
    if (FMapper) FMapper->Release();
  }
  TScopedVideoDevice(const TScopedVideoDevice&) = delete;
  TScopedVideoDevice& operator=(const TScopedVideoDevice&) = delete;

  bool Registered() const { return FRegistered; }
  // The moniker's display name Wine gives a device registered this way.
  AnsiString DisplayName() const {
    return "@device:sw:{860BB310-5D01-11D0-BD3B-00A0C911CE86}\\" + WideToAnsi(FInstance);
  }

 private:
  static constexpr CLSID kFilter = {0x5a0c2e61, 0x7f44, 0x4d0b, {0xa1, 0x3e, 0x58, 0x92, 0x0c, 0x6d, 0xe7, 0x19}};
  WideString FInstance;
  IFilterMapper2* FMapper = nullptr;
  bool FRegistered = false;
};
