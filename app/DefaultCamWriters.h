// The writers of the default-camera dialog: each makes the virtual camera the selected
// camera of one other program by writing its name into that program's own settings
// store. Registry errors are ignored; a file is changed only after a dated backup of it
// was made beside it, and a file that cannot be read, backed up or understood is left as
// it is. No writer reports a failure. Windows only.
#pragma once

#include "app/SPTools.h"

// Where the other programs keep their settings.
struct TDefaultCamStores {
  AnsiString LocalAppData;  // the user's local application data folder
  AnsiString AppData;       // the user's roaming application data folder
  HKEY UserRoot;            // the user's registry (HKEY_CURRENT_USER)
  HKEY MachineRoot;         // the machine's registry (HKEY_LOCAL_MACHINE)
};

// The stores of the user running the program.
TDefaultCamStores GetUserDefaultCamStores();

class TDefaultCamWriters {
 public:
  // Writes CameraName (in the system code page) into the stores.
  TDefaultCamWriters(const AnsiString& CameraName, const TDefaultCamStores& Stores);

  // The check-box list row of each program and the rows that share its writer.
  enum TRow {
    rowAim = 0,
    rowMsn = 1,
    rowCamfrog = 2,
    rowSkype = 3,
    rowYahoo = 4,
    rowVfw = 5,       // also stands for row 6
    rowFlash = 7,     // also stands for rows 8 to 10
  };
  // The rows that have a writer, in the order OK runs them.
  static const int kRows[7];
  // Runs the writer of the row; false when the row has none.
  bool RunRow(int Row);

  // The preferences database "localStorage\common.cls" of every AIM account folder.
  void SetAimCamera();
  // The real-time-communication client's capture device.
  void SetMsnCamera();
  void SetCamfrogCamera();
  // The <Video><Device> of "config.xml" of every Skype account folder.
  void SetSkypeCamera();
  // Yahoo Messenger's device index among the video input devices (-1: not among them).
  void SetYahooCamera();
  // The device path of the video-for-Windows capture driver of WDM devices.
  void SetVfwCamera();
  // The default camera of the Flash Player's per-user settings file.
  void SetFlashCamera();

  // The Flash Player's per-user settings file under the roaming folder.
  AnsiString FlashSettingsFile() const;

 private:
  AnsiString FCameraName;
  TDefaultCamStores FStores;
};
