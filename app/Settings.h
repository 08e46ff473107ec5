// The program's single settings object: the product constants of "const.dat" and
// "oem.dat" beside the program, the user settings of "Setting.dat" (written through at
// once) with the answers remembered by message boxes, and the choice between the per-user
// and the all-users configuration folder ("UserFlag.ini"). Windows only.
#pragma once

#include <cstdint>
#include <memory>

#include "framework/IniFiles.h"

// A user setting: its key in [setting] and the default it reads as.
struct TIntSetting {
  const char* Key;
  int Default;
};
struct TBoolSetting {
  const char* Key;
  bool Default;
};
struct TTextSetting {
  const char* Key;
  const char* Default;
};

// The user settings with their defaults. The keys are spelled as the stored files have
// them ("Preivew" included). "MainForm.Left" and "MainForm.Top" default to the window's
// design position and "MainForm.Width"/"MainForm.Height" to the constants of the same names
// (484 and 580 without them); "OD." + dialog kind holds the open dialog's last file.
namespace Setting {
constexpr const char* MainFormLeft = "MainForm.Left";
constexpr const char* MainFormTop = "MainForm.Top";
constexpr TIntSetting MainFormWidth{"MainForm.Width", 484};
constexpr TIntSetting MainFormHeight{"MainForm.Height", 580};
constexpr TBoolSetting MainFormPreviewSize{"MainForm.PreviewSize", true};
constexpr TTextSetting Skin{"Skin", "Default"};
constexpr TTextSetting Language{"Language", "English"};
constexpr TTextSetting VideoVolume{"Video.Volume", "50"};
constexpr TTextSetting VideoMute{"Video.Mute", "0"};
constexpr TTextSetting VideoLoop{"Video.Loop", "1"};
constexpr TBoolSetting FirstTimeRun{"FirstTimeRun", true};
constexpr TIntSetting StreamWidth{"Stream.Width", 320};
constexpr TIntSetting StreamHeight{"Stream.Height", 240};
constexpr TIntSetting StreamRate{"Stream.Rate", 20};
constexpr TTextSetting EffectMultiEffects{"Effect.MultiEffects", ""};
constexpr TBoolSetting EffectSort{"Effect.sort", true};
constexpr TIntSetting LastUpdateDate{"LastUpdateDate", 0};
constexpr TBoolSetting AutoCheckUpdate{"AutoCheckUpdate", true};
constexpr TIntSetting WebcamSourceSize{"WebcamSourceSize", 1};
constexpr const char* OpenDialogPrefix = "OD.";
constexpr TIntSetting PreviewClientWidth{"Preivew.ClientWidth", 320};
constexpr TIntSetting PreviewClientHeight{"Preivew.ClientHeight", 270};
constexpr TIntSetting PreviewMagnetFlag{"Preivew.MagnetFlag", 1};
constexpr TIntSetting PreviewMagnetPos{"Preivew.MagnetPos", 0};
constexpr TIntSetting RunTimes{"RunTimes", 0};
}  // namespace Setting

class TSettings : public TObject {
 public:
  // Reads the constants of the program's folder (ProgramFolder overrides it; it is given
  // with or without a trailing backslash) and works out the two configuration folders.
  // The user settings read their defaults until SelectConfigFolder opens "Setting.dat".
  explicit TSettings(const AnsiString& ProgramFolder = AnsiString());
  ~TSettings() override;

  // Constants: "oem.dat" wins when its [const] section has the key (even with an empty
  // value), else "const.dat"; empty when neither has it.
  AnsiString ReadConst(const AnsiString& Key) const;
  int ReadConstInt(const AnsiString& Key, int Default) const;
  bool ReadConstBool(const AnsiString& Key, bool Default) const;

  // [setting] of "Setting.dat". Readers give the default while the file is not open;
  // writers save the whole file at once and do nothing while it is not open.
  AnsiString ReadString(const AnsiString& Key, const AnsiString& Default) const;
  void WriteString(const AnsiString& Key, const AnsiString& Value);
  int ReadInteger(const AnsiString& Key, int Default) const;
  void WriteInteger(const AnsiString& Key, int Value);
  bool ReadBool(const AnsiString& Key, bool Default) const;
  void WriteBool(const AnsiString& Key, bool Value);
  // The same for the settings of the table above, with their own defaults.
  int Read(const TIntSetting& Setting) const { return ReadInteger(Setting.Key, Setting.Default); }
  bool Read(const TBoolSetting& Setting) const { return ReadBool(Setting.Key, Setting.Default); }
  AnsiString Read(const TTextSetting& Setting) const {
    return ReadString(Setting.Key, Setting.Default);
  }
  void Write(const TIntSetting& Setting, int Value) { WriteInteger(Setting.Key, Value); }
  void Write(const TBoolSetting& Setting, bool Value) { WriteBool(Setting.Key, Value); }
  void Write(const TTextSetting& Setting, const AnsiString& Value) {
    WriteString(Setting.Key, Value);
  }

  // The show-again choice of a message box ([ShowAgain], default true) and the answer
  // remembered when the user stopped it ([ShowAgainModuleResult], default 1).
  bool GetShowAgain(int Id) const;
  void SetShowAgain(int Id, bool Value);
  int GetShowAgainResult(int Id) const;
  void SetShowAgainResult(int Id, int Result);
  // Forgets every choice and every remembered answer.
  void ClearShowAgain();

  // [Flag] AllUsers of "UserFlag.ini" in the per-user folder.
  bool HasAllUsersFlag() const;
  bool GetAllUsersFlag() const;
  void SetAllUsersFlag(bool Value);
  // Whether the all-users folder can be made and written; any error gives false.
  bool CanWriteAllUsers() const;

  // Makes the all-users or the per-user folder the configuration folder and opens its
  // "Setting.dat" (made holding one blank line when missing). The first opening of the run
  // counts it in "RunTimes".
  void SelectConfigFolder(bool AllUsers);
  // Saves "Setting.dat"; false when it could not be written (the values stay in memory).
  bool Flush();

  AnsiString GetProgramFolder() const { return FProgramFolder; }
  AnsiString GetConfigFolder() const { return FConfigFolder; }
  AnsiString GetPerUserFolder() const { return FPerUserFolder; }
  AnsiString GetAllUsersFolder() const { return FAllUsersFolder; }
  bool GetAllUsers() const { return FAllUsers; }
  bool IsConfigOpen() const { return FSettingsIni != nullptr; }
  // The constant "App.Ver" as stored, packed (four 4-bit fields), and "App.SubVer".
  AnsiString GetVersionText() const { return FVersionText; }
  int32_t GetPackedVersion() const { return FPackedVersion; }
  int32_t GetSubVersion() const { return FSubVersion; }
  // "RunTimes" as read at the first opening of "Setting.dat" in this run.
  int32_t GetRunCount() const { return FRunCount; }

 private:
  AnsiString UserFlagFile() const;

  bool FAllUsers = false;
  std::unique_ptr<TMemIniFile> FConstIni;
  std::unique_ptr<TMemIniFile> FOemIni;
  std::unique_ptr<TMemIniFile> FSettingsIni;
  AnsiString FProgramFolder;
  AnsiString FConfigFolder;
  AnsiString FPerUserFolder;
  AnsiString FAllUsersFolder;
  AnsiString FVersionText;
  int32_t FPackedVersion = 0;
  int32_t FSubVersion = 0;
  int32_t FRunCount = 0;
  bool FOpenedOnce = false;
};

// The program's one settings object: made once, reached from everywhere, freed once. Its
// constants come from the program's folder (or the folder given).
// An ini file of the program read whole into memory. A file that exists but cannot be read
// gives an object without a file name: it reads as empty and never writes over the file.
std::unique_ptr<TMemIniFile> OpenIniFile(const AnsiString& FileName);

TSettings* CreateSettings(const AnsiString& ProgramFolder = AnsiString());
TSettings* GetSettings();
void FreeSettings();

// File names of the settings store.
extern const char* const kConstFileName;    // "const.dat"
extern const char* const kOemFileName;      // "oem.dat"
extern const char* const kSettingFileName;  // "Setting.dat"
extern const char* const kUserFlagFileName; // "UserFlag.ini"
