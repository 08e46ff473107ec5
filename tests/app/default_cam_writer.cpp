// Runs the default-camera writers against stores a test made: the application data
// folders given, and two registry keys of the current user standing in for the user's
// and the machine's registry. The camera name is read from a UTF-8 file. With --device the
// camera is also registered as a video input device for the time of the run (instance
// "!1-" INSTANCE), so the writers that look for it among the devices find it, after another
// device ("!0-" INSTANCE). Wine lists devices in the order of their instance names: these
// come first even when a killed run left a device behind.
//
//   default_cam_writer --local-appdata DIR --appdata DIR --user-key KEY --machine-key KEY
//                      --camera-file FILE [--device INSTANCE] ROW...
//
// It prints the code pages ("acp=N oemcp=N") and, with --device, the video input devices as
// the writers see them ("device<TAB>index<TAB>name<TAB>display name").
#include "framework/WinApi.h"

#include <dshow.h>

#include <cstdio>
#include <cstring>
#include <memory>
#include <vector>

#include "app/CamList.h"
#include "app/DefaultCamWriters.h"
#include "framework/Classes.h"
#include "tests/app/ScopedVideoDevice.h"

namespace {

HKEY CreateKey(const AnsiString& Key) {
  HKEY key = nullptr;
  if (RegCreateKeyExA(HKEY_CURRENT_USER, Key.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key,
                      nullptr) != ERROR_SUCCESS)
    return nullptr;
  return key;
}

int Fail(const char* Text) {
  std::fprintf(stderr, "default_cam_writer: %s\n", Text);
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  TDefaultCamStores stores{};
  AnsiString userKey, machineKey, cameraFile, device;
  std::vector<int> rows;
  for (int i = 1; i < argc; ++i) {
    const AnsiString arg = argv[i];
    auto value = [&]() { return i + 1 < argc ? AnsiString(argv[++i]) : AnsiString(); };
    if (arg == "--local-appdata")
      stores.LocalAppData = value();
    else if (arg == "--appdata")
      stores.AppData = value();
    else if (arg == "--user-key")
      userKey = value();
    else if (arg == "--machine-key")
      machineKey = value();
    else if (arg == "--camera-file")
      cameraFile = value();
    else if (arg == "--device")
      device = value();
    else
      rows.push_back(StrToInt(arg));
  }
  if (userKey.empty() || machineKey.empty() || cameraFile.empty()) return Fail("missing arguments");

  // The name in the system code page; a name that code page cannot hold is a test error.
  std::vector<char> bytes;
  if (FILE* file = std::fopen(cameraFile.c_str(), "rb")) {
    char buffer[4096];
    size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, file)) > 0) bytes.insert(bytes.end(), buffer, buffer + n);
    std::fclose(file);
  } else {
    return Fail("cannot read the camera file");
  }
  const WideString wideName = UTF8Decode(AnsiString(bytes.begin(), bytes.end()));
  const AnsiString cameraName = WideToAnsi(wideName);
  if (AnsiToWide(cameraName) != wideName) return Fail("the camera name does not fit the code page");

  stores.UserRoot = CreateKey(userKey);
  stores.MachineRoot = CreateKey(machineKey);
  if (!stores.UserRoot || !stores.MachineRoot) return Fail("cannot make the registry keys");

  std::printf("acp=%u oemcp=%u\n", GetACP(), GetOEMCP());
  CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  int status = 0;
  {
    std::unique_ptr<TScopedVideoDevice> other, registered;
    if (!device.empty()) {
      other = std::make_unique<TScopedVideoDevice>("!0-" + device, L"Another Camera");
      registered = std::make_unique<TScopedVideoDevice>("!1-" + device, wideName);
      if (!other->Registered() || !registered->Registered())
        status = Fail("cannot register the devices");
    }
    if (status == 0) {
      if (registered) {
        TCapDeviceList list;
        EnumCapDevices(CLSID_VideoInputDeviceCategory, &list);
        for (int i = 0; i < list.GetCount(); ++i)
          std::printf("device\t%d\t%s\t%s\n", i, UTF8Encode(AnsiToWide(list.GetDevice(i)->GetName())).c_str(),
                      list.GetDevice(i)->GetDisplayName().c_str());
      }
      TDefaultCamWriters writers(cameraName, stores);
      for (int row : rows)
        if (!writers.RunRow(row)) std::printf("row %d has no writer\n", row);
    }
  }
  CoUninitialize();
  RegCloseKey(stores.UserRoot);
  RegCloseKey(stores.MachineRoot);
  return status;
}
