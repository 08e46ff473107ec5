#include "engine/device/CaptureDevices.h"

#include <windows.h>
#include <dshow.h>

#include <cstdio>

#include "engine/base/SystemUtils.h"
#include "engine/base/TextUtils.h"

namespace {

template <typename T>
struct ComPtr {
  T* p = nullptr;
  ~ComPtr() {
    if (p) p->Release();
  }
  T** operator&() { return &p; }
  T* operator->() const { return p; }
  explicit operator bool() const { return p != nullptr; }
};

bool ContainsName(const std::vector<std::string>& names, const std::string& name) {
  for (const std::string& n : names)
    if (EqualsNoCase(n, name)) return true;
  return false;
}

// Walks the category's monikers and hands each device's display and friendly name on.
template <typename Visit>
void EnumerateCategory(REFCLSID category, Visit visit) {
  ComPtr<ICreateDevEnum> devices;
  if (FAILED(CoCreateInstance(CLSID_SystemDeviceEnum, nullptr, CLSCTX_INPROC_SERVER,
                              IID_ICreateDevEnum, reinterpret_cast<void**>(&devices))))
    return;
  ComPtr<IEnumMoniker> monikers;
  // S_FALSE: the category is empty and no enumerator is made.
  if (devices->CreateClassEnumerator(category, &monikers, 0) != S_OK || !monikers) return;
  for (;;) {
    ComPtr<IMoniker> moniker;
    if (monikers->Next(1, &moniker, nullptr) != S_OK || !moniker) break;
    wchar_t* wideName = nullptr;
    std::string displayName;
    if (SUCCEEDED(moniker->GetDisplayName(nullptr, nullptr, &wideName))) {
      displayName = NarrowText(wideName);
      CoTaskMemFree(wideName);
    }
    if (displayName.empty()) continue;
    ComPtr<IPropertyBag> bag;
    if (FAILED(moniker->BindToStorage(nullptr, nullptr, IID_IPropertyBag,
                                      reinterpret_cast<void**>(&bag))))
      continue;
    VARIANT value;
    VariantInit(&value);
    if (FAILED(bag->Read(L"FriendlyName", &value, nullptr)) || value.vt != VT_BSTR) {
      VariantClear(&value);
      continue;
    }
    const std::string friendlyName = NarrowText(value.bstrVal);
    VariantClear(&value);
    visit(displayName, friendlyName);
  }
}

}  // namespace

void AddUniqueFriendlyName(std::vector<std::string>& names, const std::string& name) {
  if (!ContainsName(names, name)) {
    names.push_back(name);
    return;
  }
  for (int i = 2;; ++i) {
    char suffix[32];
    std::snprintf(suffix, sizeof(suffix), " (%d)", i);
    std::string candidate = name + suffix;
    if (!ContainsName(names, candidate)) {
      names.push_back(candidate);
      return;
    }
  }
}

CCaptureDeviceList EnumVideoInputDevices(const std::string& cameraName) {
  CCaptureDeviceList list;
  EnumerateCategory(CLSID_VideoInputDeviceCategory,
                    [&](const std::string& displayName, const std::string& friendlyName) {
                      if (friendlyName == cameraName) {
                        list.cameraDisplayName = displayName;
                        return;
                      }
                      list.displayNames.push_back(displayName);
                      AddUniqueFriendlyName(list.friendlyNames, friendlyName);
                    });
  return list;
}

CCaptureDeviceList EnumAudioCaptureDevices() {
  CCaptureDeviceList list;
  EnumerateCategory(CLSID_AudioInputDeviceCategory,
                    [&](const std::string& displayName, const std::string& friendlyName) {
                      list.displayNames.push_back(displayName);
                      list.friendlyNames.push_back(friendlyName);
                    });
  return list;
}

namespace {
int FirstContaining(const CCaptureDeviceList& list, const char* text) {
  for (size_t i = 0; i < list.displayNames.size(); ++i)
    if (list.displayNames[i].find(text) != std::string::npos) return static_cast<int>(i);
  return -1;
}
}  // namespace

int GetDefaultVideoDevice(const CCaptureDeviceList& list) {
  int i = FirstContaining(list, "usb");
  if (i < 0) i = FirstContaining(list, "@device:pnp:");
  return i < 0 ? 0 : i;
}

int GetDefaultAudioDevice(const CCaptureDeviceList& list) {
  int i = FirstContaining(list, "@device:pnp:");
  if (i < 0) i = FirstContaining(list, "usb");
  return i < 0 ? 0 : i;
}
