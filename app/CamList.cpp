// The video input devices through the DirectShow system device enumerator.
#include "framework/WinApi.h"

#include <dshow.h>

#include "app/CamList.h"

namespace {

// A COM interface pointer released when it goes.
template <class T>
class TComRef {
 public:
  ~TComRef() {
    if (FPointer) FPointer->Release();
  }
  T** Out() { return &FPointer; }
  void** OutVoid() { return reinterpret_cast<void**>(&FPointer); }
  T* Get() const { return FPointer; }
  T* operator->() const { return FPointer; }

 private:
  T* FPointer = nullptr;
};

AnsiString ReadDisplayName(IMoniker* Moniker) {
  TComRef<IBindCtx> context;
  if (FAILED(CreateBindCtx(0, context.Out()))) return AnsiString();
  LPOLESTR text = nullptr;
  if (FAILED(Moniker->GetDisplayName(context.Get(), nullptr, &text)) || !text) return AnsiString();
  const AnsiString name = WideToAnsi(WideString(text));
  CoTaskMemFree(text);
  return name;
}

// "FriendlyName" of the moniker's property bag; false when the moniker cannot give its
// bag. A value that is missing or no text reads as empty.
bool ReadFriendlyName(IMoniker* Moniker, AnsiString& Name) {
  TComRef<IPropertyBag> bag;
  if (FAILED(Moniker->BindToStorage(nullptr, nullptr, IID_IPropertyBag, bag.OutVoid())))
    return false;
  VARIANT value;
  VariantInit(&value);
  Name.clear();
  if (SUCCEEDED(bag->Read(L"FriendlyName", &value, nullptr)) && value.vt == VT_BSTR &&
      value.bstrVal)
    Name = WideToAnsi(WideString(value.bstrVal, SysStringLen(value.bstrVal)));
  VariantClear(&value);
  return true;
}

// The first video input device whose Name is the text, with its index; nullptr when none.
template <class TAnswer>
TAnswer FindVideoDevice(const AnsiString& Name, TAnswer None,
                        TAnswer (*Answer)(const TCapDeviceInfo*, int)) {
  TCapDeviceList list;
  EnumCapDevices(CLSID_VideoInputDeviceCategory, &list);
  for (int i = 0; i < list.GetCount(); ++i)
    if (list.GetDevice(i)->GetName() == Name) return Answer(list.GetDevice(i), i);
  return None;
}

}  // namespace

TCapDeviceInfo::TCapDeviceInfo(const AnsiString& FriendlyName, const AnsiString& Name,
                               IMoniker* Moniker)
    : FFriendlyName(FriendlyName), FName(Name), FMoniker(Moniker) {
  if (FMoniker) {
    FMoniker->AddRef();
    FDisplayName = ReadDisplayName(FMoniker);
  }
}

TCapDeviceInfo::TCapDeviceInfo(const AnsiString& FriendlyName, const AnsiString& Name,
                               const AnsiString& DisplayName)
    : FFriendlyName(FriendlyName), FName(Name), FDisplayName(DisplayName) {}

TCapDeviceInfo::~TCapDeviceInfo() {
  if (FMoniker) FMoniker->Release();
}

AnsiString CapDeviceName(const AnsiString& FriendlyName, const TCapDeviceList* List) {
  const int n = IndexOfCapDevice(FriendlyName, List);
  return n > 1 ? FriendlyName + Format(" (%d)", {n}) : FriendlyName;
}

void EnumCapDevices(const GUID& Category, TCapDeviceList* List) {
  List->Clear();
  TComRef<ICreateDevEnum> devices;
  if (FAILED(CoCreateInstance(CLSID_SystemDeviceEnum, nullptr, CLSCTX_INPROC,
                              IID_ICreateDevEnum, devices.OutVoid())))
    return;
  TComRef<IEnumMoniker> monikers;
  if (devices->CreateClassEnumerator(Category, monikers.Out(), 0) != S_OK || !monikers.Get())
    return;
  for (;;) {
    TComRef<IMoniker> moniker;
    if (monikers->Next(1, moniker.Out(), nullptr) != S_OK || !moniker.Get()) break;
    AnsiString friendlyName;
    if (!ReadFriendlyName(moniker.Get(), friendlyName) || Trim(friendlyName).empty()) continue;
    List->Add(new TCapDeviceInfo(friendlyName, CapDeviceName(friendlyName, List), moniker.Get()));
  }
}

int IndexOfCapDevice(const AnsiString& FriendlyName, const TCapDeviceList* List) {
  for (int i = List->GetCount() - 1; i >= 0; --i)
    if (List->GetDevice(i)->GetFriendlyName() == FriendlyName) return i;
  return -1;
}

AnsiString GetCapDevicePath(const AnsiString& Name) {
  return FindVideoDevice<AnsiString>(
      Name, AnsiString(), [](const TCapDeviceInfo* Device, int) { return Device->GetDisplayName(); });
}

int GetCapDeviceIndex(const AnsiString& Name) {
  return FindVideoDevice<int>(Name, -1, [](const TCapDeviceInfo*, int Index) { return Index; });
}

AnsiString StripMonikerPrefix(const AnsiString& Text) {
  AnsiString rest = Text;
  for (int i = 0; i < 2; ++i) {
    const size_t colon = rest.find(':');
    if (colon != AnsiString::npos) rest.erase(0, colon + 1);
  }
  return rest;
}
