// The default-camera writers.
#include "framework/WinApi.h"

#include "app/DefaultCamWriters.h"

#include "app/CamList.h"
#include "app/DefaultCamFiles.h"
#include "app/SQLiteTable3.h"

namespace {

const char kAimDataFolder[] = "\\AOL OCP\\AIM\\Storage\\data";
const char kAimDatabase[] = "\\localStorage\\common.cls";
const char kAimUpdate[] =
    "update preferences set value=? where key='aol.aimcc.av.video.inputdevice';";
const char kMsnKey[] = "Software\\Microsoft\\RTC";
const char kCamfrogKey[] = "Software\\Camfrog\\Connector";
const char kSkypeFolder[] = "\\Skype";
const char kSkypeConfig[] = "\\config.xml";
const char kYahooKey[] = "Software\\Yahoo\\Pager";
const char kVfwKey[] = "SYSTEM\\CurrentControlSet\\Control\\MediaResources\\msvideo\\MSVideo.VFWWDM";
// The Flash Player keeps its own settings in a folder named after its maker's web domain.
const char kFlashSettings[] =
    "\\Macromedia\\Flash Player\\macromedia.com\\support\\flashplayer\\sys\\settings.sol";

// The sub-folders of the folder (names only, in listing order).
void SubFolders(const AnsiString& Folder, TStringList& Names) {
  ListFolders(Folder + "\\*", &Names, false);
}

// Replaces the file's bytes; false when it cannot be written.
bool WriteFileBytes(const AnsiString& FileName, const AnsiString& Bytes) {
  try {
    TFileStream file(FileName, fmCreate);
    file.WriteBuffer(Bytes.data(), static_cast<int64_t>(Bytes.size()));
    return true;
  } catch (const Exception&) {
    return false;
  }
}

}  // namespace

TDefaultCamStores GetUserDefaultCamStores() {
  return TDefaultCamStores{GetShellFolder("Local AppData"), GetShellFolder("AppData"),
                           HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE};
}

const int TDefaultCamWriters::kRows[7] = {rowAim,   rowMsn, rowCamfrog, rowSkype,
                                          rowYahoo, rowVfw, rowFlash};

TDefaultCamWriters::TDefaultCamWriters(const AnsiString& CameraName,
                                       const TDefaultCamStores& Stores)
    : FCameraName(CameraName), FStores(Stores) {}

bool TDefaultCamWriters::RunRow(int Row) {
  switch (Row) {
    case rowAim: SetAimCamera(); return true;
    case rowMsn: SetMsnCamera(); return true;
    case rowCamfrog: SetCamfrogCamera(); return true;
    case rowSkype: SetSkypeCamera(); return true;
    case rowYahoo: SetYahooCamera(); return true;
    case rowVfw: SetVfwCamera(); return true;
    case rowFlash: SetFlashCamera(); return true;
    default: return false;
  }
}

void TDefaultCamWriters::SetAimCamera() {
  const AnsiString data = FStores.LocalAppData + kAimDataFolder;
  TStringList accounts;
  SubFolders(data, accounts);
  for (int i = 0; i < accounts.GetCount(); ++i) {
    const AnsiString file = data + "\\" + accounts.Get(i) + kAimDatabase;
    try {
      if (!FileExists(file) || !BackupFileDated(file)) continue;
      TSQLiteDatabase database(file);
      database.ExecSQL(kAimUpdate, {FCameraName});
    } catch (const std::exception&) {
      // This account's database stays as it was; the next one is tried.
    }
  }
}

void TDefaultCamWriters::SetMsnCamera() {
  RegWriteString(FStores.UserRoot, kMsnKey, "TermVideoCapture", FCameraName);
}

void TDefaultCamWriters::SetCamfrogCamera() {
  RegWriteString(FStores.UserRoot, kCamfrogKey, "videoDeviceName", FCameraName);
}

void TDefaultCamWriters::SetSkypeCamera() {
  const AnsiString base = FStores.AppData + kSkypeFolder;
  TStringList accounts;
  SubFolders(base, accounts);
  const AnsiString device = XmlEscapeText(CameraNameToUtf8(FCameraName));
  for (int i = 0; i < accounts.GetCount(); ++i) {
    if (SameText(accounts.Get(i), "Content")) continue;
    const AnsiString file = base + "\\" + accounts.Get(i) + kSkypeConfig;
    try {
      if (!FileExists(file) || !BackupFileDated(file)) continue;
      const AnsiString text = LoadFileToString(file);
      AnsiString patched;
      if (!text.empty() && PatchVideoDevice(text, device, patched)) SaveTextToFile(patched, file);
    } catch (const std::exception&) {
      // This account's configuration stays as it was; the next one is tried.
    }
  }
}

void TDefaultCamWriters::SetYahooCamera() {
  // Without the camera among the devices there is no index to give: the user's choice
  // stays (as the video-for-Windows writer keeps its path).
  const int index = GetCapDeviceIndex(FCameraName);
  if (index >= 0) RegWriteInteger(FStores.UserRoot, kYahooKey, "Camera Src", index);
}

void TDefaultCamWriters::SetVfwCamera() {
  const AnsiString path = GetCapDevicePath(FCameraName);
  if (!path.empty())
    RegWriteString(FStores.MachineRoot, kVfwKey, "DevicePath", StripMonikerPrefix(path));
}

AnsiString TDefaultCamWriters::FlashSettingsFile() const { return FStores.AppData + kFlashSettings; }

void TDefaultCamWriters::SetFlashCamera() {
  const AnsiString file = FlashSettingsFile();
  try {
    if (!FileExists(file) || !BackupFileDated(file)) return;
    const AnsiString data = LoadFileToString(file);
    AnsiString patched;
    if (!data.empty() && PatchFlashSettings(data, CameraNameToUtf8(FCameraName), patched))
      WriteFileBytes(file, patched);
  } catch (const std::exception&) {
    // The file stays as it was.
  }
}
