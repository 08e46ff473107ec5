// The camera installer: "drvinst /i <inf file> /n <hardware id>" installs the virtual
// camera, "drvinst /u /n <hardware id>" removes it. The INF path comes unquoted and may
// hold blanks. Installing registers the capture filter named in the INF under its
// friendly name and creates a root device with the hardware id; removing undoes both.
// What it did is written to drvinst.log beside the program. Exit code 0 on success.
#include <windows.h>
#include <setupapi.h>
#include <initguid.h>
#include <devguid.h>

#include <objbase.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {

std::string gFolder;  // with trailing backslash

void Log(const char* fmt, ...) {
  std::FILE* f = std::fopen((gFolder + "drvinst.log").c_str(), "a");
  if (!f) return;
  SYSTEMTIME t;
  GetLocalTime(&t);
  std::fprintf(f, "%04d-%02d-%02d %02d:%02d:%02d ", t.wYear, t.wMonth, t.wDay, t.wHour, t.wMinute,
               t.wSecond);
  va_list args;
  va_start(args, fmt);
  std::vfprintf(f, fmt, args);
  va_end(args);
  std::fputc('\n', f);
  std::fclose(f);
}

std::string Trim(const std::string& s) {
  size_t a = s.find_first_not_of(" \t");
  size_t b = s.find_last_not_of(" \t");
  return a == std::string::npos ? std::string() : s.substr(a, b - a + 1);
}

std::string Unquote(std::string s) {
  s = Trim(s);
  if (s.size() >= 2 && s.front() == '"' && s.back() == '"') s = s.substr(1, s.size() - 2);
  return s;
}

// The arguments after the program's own name, as one text.
std::string ArgumentText() {
  const char* p = GetCommandLineA();
  if (*p == '"') {
    const char* end = std::strchr(p + 1, '"');
    p = end ? end + 1 : p + std::strlen(p);
  } else {
    while (*p && *p != ' ' && *p != '\t') ++p;
  }
  return Trim(p);
}

bool StartsWithSwitch(const std::string& s, const char* sw) {
  const size_t n = std::strlen(sw);
  return s.size() >= n && _strnicmp(s.c_str(), sw, n) == 0 && (s.size() == n || s[n] == ' ');
}

std::string IniString(const std::string& inf, const char* key) {
  std::vector<char> buf(1024);
  GetPrivateProfileStringA("Strings", key, "", buf.data(), DWORD(buf.size()), inf.c_str());
  return Unquote(buf.data());
}

bool HasHardwareId(HDEVINFO set, SP_DEVINFO_DATA* dev, const std::string& hwid) {
  std::vector<BYTE> buf;
  DWORD size = 0;
  while (!SetupDiGetDeviceRegistryPropertyA(set, dev, SPDRP_HARDWAREID, nullptr,
                                            buf.empty() ? nullptr : buf.data(), DWORD(buf.size()),
                                            &size)) {
    if (GetLastError() != ERROR_INSUFFICIENT_BUFFER || size <= buf.size()) return false;
    buf.assign(size + 2, 0);
  }
  buf.resize(size + 2, 0);  // keep the list terminated whatever the system returned
  for (const char* s = reinterpret_cast<const char*>(buf.data());
       *s && s < reinterpret_cast<const char*>(buf.data()) + size; s += std::strlen(s) + 1) {
    if (lstrcmpiA(s, hwid.c_str()) == 0) return true;
  }
  return false;
}

// Removes every present device with the hardware id; returns how many.
int RemoveDevices(const std::string& hwid) {
  HDEVINFO set = SetupDiGetClassDevsA(nullptr, nullptr, nullptr, DIGCF_PRESENT | DIGCF_ALLCLASSES);
  if (set == INVALID_HANDLE_VALUE) return 0;
  int removed = 0;
  SP_DEVINFO_DATA dev;
  dev.cbSize = sizeof(dev);
  for (DWORD i = 0; SetupDiEnumDeviceInfo(set, i, &dev); ++i) {
    if (HasHardwareId(set, &dev, hwid) && SetupDiRemoveDevice(set, &dev)) ++removed;
  }
  SetupDiDestroyDeviceInfoList(set);
  return removed;
}

bool CreateRootDevice(const std::string& hwid, const std::string& description) {
  HDEVINFO set = SetupDiCreateDeviceInfoList(&GUID_DEVCLASS_IMAGE, nullptr);
  if (set == INVALID_HANDLE_VALUE) return false;
  SP_DEVINFO_DATA dev;
  dev.cbSize = sizeof(dev);
  bool ok = SetupDiCreateDeviceInfoA(set, "Image", &GUID_DEVCLASS_IMAGE, description.c_str(),
                                     nullptr, DICD_GENERATE_ID, &dev);
  if (ok) {
    std::vector<BYTE> ids(hwid.begin(), hwid.end());
    ids.push_back(0);
    ids.push_back(0);
    ok = SetupDiSetDeviceRegistryPropertyA(set, &dev, SPDRP_HARDWAREID, ids.data(), DWORD(ids.size()));
  }
  if (ok) ok = SetupDiCallClassInstaller(DIF_REGISTERDEVICE, set, &dev);
  if (!ok) Log("creating the device failed: error %lu", GetLastError());
  SetupDiDestroyDeviceInfoList(set);
  return ok;
}

typedef HRESULT(WINAPI* RegisterFn)(const wchar_t* friendlyName);
typedef HRESULT(WINAPI* UnregisterFn)();

HRESULT CallFilterDll(const std::string& dll, const std::string* friendlyName) {
  // The filter registers itself through COM's filter mapper.
  struct ComScope {
    HRESULT hr = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    ~ComScope() {
      if (SUCCEEDED(hr)) CoUninitialize();
    }
  } com;
  HMODULE module = LoadLibraryA(dll.c_str());
  if (!module) {
    Log("cannot load %s: error %lu", dll.c_str(), GetLastError());
    return E_FAIL;
  }
  HRESULT hr = E_FAIL;
  if (friendlyName) {
    auto fn = reinterpret_cast<RegisterFn>(reinterpret_cast<void*>(GetProcAddress(module, "VcamRegisterCamera")));
    std::wstring wide(friendlyName->size() + 1, L'\0');
    int n = MultiByteToWideChar(CP_ACP, 0, friendlyName->c_str(), -1, &wide[0], int(wide.size()));
    wide.resize(n > 0 ? n - 1 : 0);
    if (fn) hr = fn(wide.c_str());
  } else {
    auto fn = reinterpret_cast<UnregisterFn>(reinterpret_cast<void*>(GetProcAddress(module, "VcamUnregisterCamera")));
    if (fn) hr = fn();
  }
  FreeLibrary(module);
  return hr;
}

int Install(const std::string& inf, const std::string& hwid) {
  if (GetFileAttributesA(inf.c_str()) == INVALID_FILE_ATTRIBUTES) {
    Log("install: INF file not found: %s", inf.c_str());
    return 2;
  }
  std::string name = IniString(inf, "FriendlyName");
  std::string dll = IniString(inf, "FilterDll");
  if (name.empty() || dll.empty()) {
    Log("install: %s names no FriendlyName or FilterDll", inf.c_str());
    return 2;
  }
  HRESULT hr = CallFilterDll(gFolder + dll, &name);
  Log("install: registered filter %s as \"%s\": 0x%08lx", dll.c_str(), name.c_str(), hr);
  if (FAILED(hr)) return 3;
  RemoveDevices(hwid);  // a second install leaves one device
  if (!CreateRootDevice(hwid, name)) return 4;
  Log("install: created device %s", hwid.c_str());
  return 0;
}

int Remove(const std::string& hwid) {
  int n = RemoveDevices(hwid);
  Log("remove: removed %d device(s) with id %s", n, hwid.c_str());
  HRESULT hr = CallFilterDll(gFolder + "TaviscoCam.dll", nullptr);
  Log("remove: unregistered filter: 0x%08lx", hr);
  return 0;
}

}  // namespace

int main() {
  char path[MAX_PATH * 4];
  DWORD n = GetModuleFileNameA(nullptr, path, sizeof(path));
  gFolder.assign(path, n);
  gFolder.erase(gFolder.find_last_of('\\') + 1);

  const std::string args = ArgumentText();
  Log("command: %s", args.c_str());
  // The hardware id follows the last " /n ": the INF path before it may hold blanks.
  size_t at = std::string::npos;
  for (size_t p = args.find(" /"); p != std::string::npos; p = args.find(" /", p + 1)) {
    if (p + 3 <= args.size() && (args[p + 2] == 'n' || args[p + 2] == 'N') &&
        (p + 3 == args.size() || args[p + 3] == ' '))
      at = p;
  }
  const std::string hwid = at == std::string::npos ? std::string() : Unquote(args.substr(at + 3));
  const std::string head = at == std::string::npos ? args : Trim(args.substr(0, at));
  if (hwid.empty()) {
    Log("usage: drvinst /i <inf file> /n <hardware id> | /u /n <hardware id>");
    return 1;
  }
  if (StartsWithSwitch(head, "/i")) return Install(Unquote(head.substr(2)), hwid);
  if (StartsWithSwitch(head, "/u") && Trim(head.substr(2)).empty()) return Remove(hwid);
  Log("usage: drvinst /i <inf file> /n <hardware id> | /u /n <hardware id>");
  return 1;
}
