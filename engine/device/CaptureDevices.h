// Lists of the system's DirectShow capture devices: friendly names and moniker display
// names, the virtual camera itself taken out of the video list.
#pragma once

#include <string>
#include <vector>

struct CCaptureDeviceList {
  std::vector<std::string> friendlyNames;
  std::vector<std::string> displayNames;  // entry i describes the same device as friendlyNames[i]
  std::string cameraDisplayName;          // video lists: the virtual camera's, empty when absent

  size_t GetCount() const { return friendlyNames.size(); }
};

// Video input devices; the device whose friendly name equals cameraName exactly is left
// out and its display name kept. Friendly names come out unique regardless of case.
CCaptureDeviceList EnumVideoInputDevices(const std::string& cameraName);
// Audio input devices.
CCaptureDeviceList EnumAudioCaptureDevices();

// The default choice of a list (0 for an empty list).
int GetDefaultVideoDevice(const CCaptureDeviceList& list);
int GetDefaultAudioDevice(const CCaptureDeviceList& list);

// Adds a friendly name to a video list, numbering it "%s (%d)" from 2 when the name is
// already listed without regard to case.
void AddUniqueFriendlyName(std::vector<std::string>& names, const std::string& name);
