#include "app/Settings.h"

#include "framework/WinApi.h"

#include <shlobj.h>

#include "app/SPTools.h"

const char* const kConstFileName = "const.dat";
const char* const kOemFileName = "oem.dat";
const char* const kSettingFileName = "Setting.dat";
const char* const kUserFlagFileName = "UserFlag.ini";

namespace {

const char kConstSection[] = "const";
const char kSettingSection[] = "setting";
const char kShowAgainSection[] = "ShowAgain";
const char kShowAgainResultSection[] = "ShowAgainModuleResult";
const char kFlagSection[] = "Flag";
const char kAllUsersKey[] = "AllUsers";

TSettings* gSettings = nullptr;

// The shell folder of that name from the registry, or, when the registry has none, the
// system's own answer, so that settings never land in a folder relative to the drive root.
AnsiString ShellFolder(const AnsiString& Name, bool Common) {
  AnsiString folder = Common ? GetCommonShellFolder(Name) : GetShellFolder(Name);
  if (!folder.empty()) return folder;
  char path[MAX_PATH] = {};
  const int id = Common ? CSIDL_COMMON_APPDATA : CSIDL_APPDATA;
  if (SUCCEEDED(SHGetFolderPathA(nullptr, id | CSIDL_FLAG_CREATE, nullptr, 0, path)))
    folder = path;
  return folder;
}

bool MakeFolder(const AnsiString& Folder) {
  try {
    return ForceDirectories(ExcludeTrailingPathDelimiter(Folder));
  } catch (const Exception&) {
    return false;
  }
}

}  // namespace

std::unique_ptr<TMemIniFile> OpenIniFile(const AnsiString& FileName) {
  try {
    return std::make_unique<TMemIniFile>(FileName);
  } catch (const Exception&) {
    return std::make_unique<TMemIniFile>();
  }
}

TSettings::TSettings(const AnsiString& ProgramFolder) {
  FProgramFolder =
      IncludeBackslash(GetLongPath(ProgramFolder.empty() ? GetExeFolder() : ProgramFolder));
  FConstIni = OpenIniFile(FProgramFolder + kConstFileName);
  FOemIni = OpenIniFile(FProgramFolder + kOemFileName);
  const AnsiString configPath = IncludeBackslash(ReadConst("App.ConfigPath"));
  FPerUserFolder = IncludeBackslash(ShellFolder("AppData", false)) + configPath;
  FAllUsersFolder = IncludeBackslash(ShellFolder("Common AppData", true)) + configPath;
  FVersionText = ReadConst("App.Ver");
  FPackedVersion = PackVersion(FVersionText);
  FSubVersion = SafeStrToInt(ReadConst("App.SubVer"), 0);
}

TSettings::~TSettings() = default;

AnsiString TSettings::ReadConst(const AnsiString& Key) const {
  if (FOemIni->ValueExists(kConstSection, Key))
    return FOemIni->ReadString(kConstSection, Key, AnsiString());
  return FConstIni->ReadString(kConstSection, Key, AnsiString());
}

int TSettings::ReadConstInt(const AnsiString& Key, int Default) const {
  return SafeStrToInt(ReadConst(Key), Default);
}

bool TSettings::ReadConstBool(const AnsiString& Key, bool Default) const {
  return ReadConstInt(Key, Default ? 1 : 0) != 0;
}

AnsiString TSettings::ReadString(const AnsiString& Key, const AnsiString& Default) const {
  if (!FSettingsIni) return Default;
  return FSettingsIni->ReadString(kSettingSection, Key, Default);
}

void TSettings::WriteString(const AnsiString& Key, const AnsiString& Value) {
  if (!FSettingsIni) return;
  FSettingsIni->WriteString(kSettingSection, Key, Value);
  Flush();
}

int TSettings::ReadInteger(const AnsiString& Key, int Default) const {
  return SafeStrToInt(ReadString(Key, AnsiString()), Default);
}

void TSettings::WriteInteger(const AnsiString& Key, int Value) { WriteString(Key, IntToStr(Value)); }

bool TSettings::ReadBool(const AnsiString& Key, bool Default) const {
  return ReadInteger(Key, Default ? 1 : 0) != 0;
}

void TSettings::WriteBool(const AnsiString& Key, bool Value) { WriteString(Key, Value ? "1" : "0"); }

bool TSettings::GetShowAgain(int Id) const {
  if (!FSettingsIni) return true;
  return FSettingsIni->ReadBool(kShowAgainSection, IntToStr(Id), true);
}

void TSettings::SetShowAgain(int Id, bool Value) {
  if (!FSettingsIni) return;
  FSettingsIni->WriteBool(kShowAgainSection, IntToStr(Id), Value);
  Flush();
}

int TSettings::GetShowAgainResult(int Id) const {
  if (!FSettingsIni) return 1;
  return SafeStrToInt(FSettingsIni->ReadString(kShowAgainResultSection, IntToStr(Id), AnsiString()),
                      1);
}

void TSettings::SetShowAgainResult(int Id, int Result) {
  if (!FSettingsIni) return;
  FSettingsIni->WriteInteger(kShowAgainResultSection, IntToStr(Id), Result);
  Flush();
}

void TSettings::ClearShowAgain() {
  if (!FSettingsIni) return;
  FSettingsIni->EraseSection(kShowAgainSection);
  FSettingsIni->EraseSection(kShowAgainResultSection);
  Flush();
}

AnsiString TSettings::UserFlagFile() const { return FPerUserFolder + kUserFlagFileName; }

bool TSettings::HasAllUsersFlag() const {
  MakeFolder(FPerUserFolder);
  return OpenIniFile(UserFlagFile())->ValueExists(kFlagSection, kAllUsersKey);
}

bool TSettings::GetAllUsersFlag() const {
  return OpenIniFile(UserFlagFile())->ReadBool(kFlagSection, kAllUsersKey, true);
}

void TSettings::SetAllUsersFlag(bool Value) {
  MakeFolder(FPerUserFolder);
  std::unique_ptr<TMemIniFile> ini = OpenIniFile(UserFlagFile());
  ini->WriteBool(kFlagSection, kAllUsersKey, Value);
  try {
    ini->UpdateFile();
  } catch (const Exception&) {
    // The flag is asked again at the next start.
  }
}

bool TSettings::CanWriteAllUsers() const {
  if (!MakeFolder(FAllUsersFolder)) return false;
  return CheckFileAccess(GENERIC_WRITE, ExcludeTrailingPathDelimiter(FAllUsersFolder));
}

void TSettings::SelectConfigFolder(bool AllUsers) {
  FAllUsers = AllUsers;
  AnsiString folder = AllUsers ? FAllUsersFolder : FPerUserFolder;
  MakeFolder(folder);
  FConfigFolder = IncludeBackslash(GetLongPath(ExcludeTrailingPathDelimiter(folder)));
  FSettingsIni.reset();
  const AnsiString file = FConfigFolder + kSettingFileName;
  if (!FileExists(file)) SaveTextToFile(" ", file);
  FSettingsIni = OpenIniFile(file);
  if (!FOpenedOnce) {
    FOpenedOnce = true;
    FRunCount = Read(Setting::RunTimes);
    Write(Setting::RunTimes, FRunCount + 1);
  }
}

bool TSettings::Flush() {
  if (!FSettingsIni || FSettingsIni->GetFileName().empty()) return false;
  // Written beside the file and then moved over it, so that a write that breaks off
  // leaves the old settings rather than half a file.
  TStringList lines;
  FSettingsIni->GetStrings(&lines);
  return SaveLinesReplacing(&lines, FSettingsIni->GetFileName());
}

TSettings* CreateSettings(const AnsiString& ProgramFolder) {
  if (!gSettings) gSettings = new TSettings(ProgramFolder);
  return gSettings;
}

TSettings* GetSettings() { return gSettings; }

void FreeSettings() {
  TSettings* settings = gSettings;
  gSettings = nullptr;
  delete settings;
}
