// The system's video input devices as the default-camera dialog sees them: each device's
// friendly name, a name made unique by the duplicate rule below, its moniker's display
// name and the moniker itself. Windows only; COM must be initialised on the thread.
#pragma once

#include "framework/Classes.h"

struct IMoniker;
struct _GUID;

// One device. The moniker is held for the life of the object.
class TCapDeviceInfo : public TObject {
 public:
  // Reads the moniker's display name (and holds a reference to it); a null moniker leaves
  // the display name empty.
  TCapDeviceInfo(const AnsiString& FriendlyName, const AnsiString& Name, IMoniker* Moniker);
  // A device known by its texts only.
  TCapDeviceInfo(const AnsiString& FriendlyName, const AnsiString& Name,
                 const AnsiString& DisplayName);
  ~TCapDeviceInfo() override;
  TCapDeviceInfo(const TCapDeviceInfo&) = delete;
  TCapDeviceInfo& operator=(const TCapDeviceInfo&) = delete;

  // The name as the device reports it.
  AnsiString GetFriendlyName() const { return FFriendlyName; }
  // The friendly name with the duplicate suffix.
  AnsiString GetName() const { return FName; }
  // The moniker's display name ("@device:pnp:..." for plug-and-play devices).
  AnsiString GetDisplayName() const { return FDisplayName; }
  IMoniker* GetMoniker() const { return FMoniker; }

 private:
  AnsiString FFriendlyName;
  AnsiString FName;
  AnsiString FDisplayName;
  IMoniker* FMoniker = nullptr;
};

// A list that owns its TCapDeviceInfo objects.
class TCapDeviceList : public TObjectList {
 public:
  TCapDeviceList() : TObjectList(true) {}
  TCapDeviceInfo* GetDevice(int Index) const { return static_cast<TCapDeviceInfo*>(GetItem(Index)); }
};

// The name a device with this friendly name gets when appended to the list: n is the
// IndexOfCapDevice of the name in the list so far; when n > 1 the name is followed by
// " (n)", otherwise the name itself.
AnsiString CapDeviceName(const AnsiString& FriendlyName, const TCapDeviceList* List);
// Clears the list and fills it with the devices of the category in the system device
// enumerator's order: devices whose property bag cannot be read, or whose friendly name
// is empty or blank, are left out.
void EnumCapDevices(const _GUID& Category, TCapDeviceList* List);
// The index of the last entry whose friendly name equals the text exactly; -1 for none.
int IndexOfCapDevice(const AnsiString& FriendlyName, const TCapDeviceList* List);
// The display name of the first video input device whose Name is the text exactly, or
// empty.
AnsiString GetCapDevicePath(const AnsiString& Name);
// The list index of that device among the video input devices, or -1.
int GetCapDeviceIndex(const AnsiString& Name);
// The text after the first ":" and, of what remains, after the first ":" again: the device
// path of a moniker's display name ("@device:pnp:\\?\usb#..." gives "\\?\usb#...").
AnsiString StripMonikerPrefix(const AnsiString& Text);
