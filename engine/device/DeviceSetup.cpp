#include "engine/device/DeviceSetup.h"

#include <setupapi.h>

#include <cstdio>
#include <cstring>
#include <mutex>
#include <vector>

#include "engine/base/SystemUtils.h"

namespace {

std::mutex gDiagnosticLock;
std::string gDiagnostic;

// Records "<step> FAILURE:(0x%08x) <message>" for the error and leaves the system error
// code as it was, so callers still see it.
void SetDiagnostic(const char* step, DWORD error) {
  char* message = nullptr;
  const DWORD n = FormatMessageA(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, error, 0, reinterpret_cast<char*>(&message), 0, nullptr);
  char head[160];
  std::string text;
  if (n > 0 && message) {
    std::snprintf(head, sizeof(head), "%s FAILURE:(0x%08lx) ", step, static_cast<unsigned long>(error));
    text = std::string(head) + message;
  } else {
    std::snprintf(head, sizeof(head), "%s FAILURE: (0x%08lx)", step, static_cast<unsigned long>(error));
    text = head;
  }
  if (message) LocalFree(message);
  {
    std::lock_guard<std::mutex> lock(gDiagnosticLock);
    gDiagnostic = text;
  }
  SetLastError(error);
}

// Releases a device set without disturbing the system error code.
void DestroyDeviceSet(HDEVINFO set) {
  const DWORD error = GetLastError();
  SetupDiDestroyDeviceInfoList(set);
  SetLastError(error);
}

// Whether one of the zero-terminated strings in the first `size` bytes equals the id,
// ignoring case. The list ends at its first empty string or at the end of the data.
bool ListHasId(const std::vector<BYTE>& data, DWORD size, const char* hardwareId) {
  const char* p = reinterpret_cast<const char*>(data.data());
  const char* end = p + (size < data.size() ? size : data.size());
  while (p < end && *p) {
    const void* z = std::memchr(p, 0, static_cast<size_t>(end - p));
    const size_t len = z ? static_cast<const char*>(z) - p : static_cast<size_t>(end - p);
    if (lstrcmpiA(std::string(p, len).c_str(), hardwareId) == 0) return true;
    p += len + 1;
  }
  return false;
}

std::string InstallerCommand(const char* tail) {
  return "\"" + GetProgramFolder() + "drvinst.exe\" " + tail;
}

}  // namespace

std::string GetDeviceDiagnostic() {
  std::lock_guard<std::mutex> lock(gDiagnosticLock);
  return gDiagnostic;
}

BOOL WINAPI FindDevice(const char* hardwareId) {
  if (!hardwareId) return FALSE;
  HDEVINFO set = SetupDiGetClassDevsA(nullptr, nullptr, nullptr, DIGCF_PRESENT | DIGCF_ALLCLASSES);
  if (set == INVALID_HANDLE_VALUE) {
    SetDiagnostic("GetClassDevs(All Present Devices)", GetLastError());
    return FALSE;
  }
  SP_DEVINFO_DATA device;
  device.cbSize = sizeof(device);
  for (DWORD index = 0; SetupDiEnumDeviceInfo(set, index, &device); ++index) {
    std::vector<BYTE> buffer;
    DWORD size = 0;
    bool read = false;
    while (!(read = SetupDiGetDeviceRegistryPropertyA(set, &device, SPDRP_HARDWAREID, nullptr,
                                                      buffer.empty() ? nullptr : buffer.data(),
                                                      static_cast<DWORD>(buffer.size()), &size))) {
      // Grow only when the system asks for more than we have; anything else ends the loop.
      if (GetLastError() != ERROR_INSUFFICIENT_BUFFER || size <= buffer.size()) break;
      buffer.assign(size, 0);
    }
    if (!read) {
      const DWORD error = GetLastError();
      if (error == ERROR_INVALID_DATA) continue;  // a device without hardware ids
      SetDiagnostic("GetDeviceRegistryProperty", error);
      DestroyDeviceSet(set);
      return FALSE;
    }
    if (ListHasId(buffer, size, hardwareId)) {
      DestroyDeviceSet(set);
      return TRUE;
    }
  }
  const DWORD error = GetLastError();
  if (error != 0) SetDiagnostic("EnumDeviceInfo", error);
  DestroyDeviceSet(set);
  return FALSE;
}

int WINAPI InstallDevice(const char* infFile, const char* hardwareId) {
  // The INF path goes in unquoted, as the installer expects; only its own path is quoted.
  RunProcessAndWait(InstallerCommand((std::string("/i ") + (infFile ? infFile : "") + " /n " +
                                      (hardwareId ? hardwareId : ""))
                                         .c_str()));
  return 1;
}

int WINAPI RemoveDevice(const char* hardwareId) {
  RunProcessAndWait(InstallerCommand((std::string("/u /n ") + (hardwareId ? hardwareId : "")).c_str()));
  return 1;
}
