// The settings store: constants of the program's folder with "oem.dat" over "const.dat",
// "Setting.dat" in the chosen configuration folder written through on every change, the
// remembered message-box answers and the all-users flag of "UserFlag.ini".
#include <gtest/gtest.h>

#include "framework/WinApi.h"

#include "app/SPTools.h"
#include "app/Settings.h"
#include "tests/framework/TestFolder.h"

namespace {

// A program folder of its own whose constants send the configuration into folders of the
// test's own under the user's and the machine's application data.
class SettingsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    static int counter = 0;
    FConfigPath = "TaviscoTests\\Settings-" + IntToStr(GetCurrentProcessId()) + "-" +
                  IntToStr(counter++);
    WriteWholeFile(FProgram.File("const.dat"),
                   "[const]\r\nApp.ConfigPath=" + FConfigPath +
                       "\r\nApp.Ver=4.2.0.0\r\nApp.SubVer=7\r\nApp.ID=1234\r\n"
                       "MainForm.Width=600\r\nDriver.HardwareID=root\\TaviscoVCam\r\n");
    // The test's own two folders, worked out once: only they are ever removed.
    TSettings settings(FProgram.Path());
    FFolders = {settings.GetPerUserFolder(), settings.GetAllUsersFolder()};
    RemoveFolders();
  }
  void TearDown() override { RemoveFolders(); }

  void RemoveFolders() {
    for (const AnsiString& folder : FFolders) {
      ASSERT_NE(AnsiString::npos, folder.find(FConfigPath)) << folder;
      RemoveFolderTree(folder);
    }
  }

  std::vector<AnsiString> FFolders;
  TTestFolder FProgram;
  AnsiString FConfigPath;
};

}  // namespace

TEST_F(SettingsTest, ConstantsComeFromOemFirstThenConst) {
  WriteWholeFile(FProgram.File("oem.dat"), "[const]\r\nApp.ID=\r\nApp.MagicWord=oem word\r\n");
  TSettings settings(FProgram.Path());
  EXPECT_EQ("", settings.ReadConst("App.ID"));  // present in oem.dat, even empty
  EXPECT_EQ(77, settings.ReadConstInt("App.ID", 77));
  EXPECT_EQ("oem word", settings.ReadConst("app.magicword"));
  EXPECT_EQ("root\\TaviscoVCam", settings.ReadConst("Driver.HardwareID"));
  EXPECT_EQ(600, settings.ReadConstInt("MainForm.Width", 484));
  EXPECT_EQ("", settings.ReadConst("Missing"));
  EXPECT_EQ(5, settings.ReadConstInt("Missing", 5));
  EXPECT_TRUE(settings.ReadConstBool("Missing", true));
  EXPECT_FALSE(settings.ReadConstBool("App.ID", false));

  EXPECT_EQ("4.2.0.0", settings.GetVersionText());
  EXPECT_EQ(0x4200, settings.GetPackedVersion());
  EXPECT_EQ(7, settings.GetSubVersion());
  EXPECT_EQ(IncludeBackslash(GetLongPath(FProgram.Path())), settings.GetProgramFolder());

  // The two folders: the user's and the machine's application data + App.ConfigPath.
  EXPECT_EQ(IncludeBackslash(GetShellFolder("AppData")) + FConfigPath + "\\",
            settings.GetPerUserFolder());
  EXPECT_EQ(IncludeBackslash(GetCommonShellFolder("Common AppData")) + FConfigPath + "\\",
            settings.GetAllUsersFolder());
}

TEST_F(SettingsTest, MissingConstantFilesReadEmpty) {
  DeleteFile(FProgram.File("const.dat"));
  TSettings settings(FProgram.Path());
  EXPECT_EQ("", settings.ReadConst("App.Ver"));
  EXPECT_EQ(0, settings.GetPackedVersion());
  EXPECT_EQ(0, settings.GetSubVersion());
}

TEST_F(SettingsTest, UserSettingsReadDefaultsUntilTheFileIsOpen) {
  TSettings settings(FProgram.Path());
  EXPECT_FALSE(settings.IsConfigOpen());
  EXPECT_EQ("English", settings.Read(Setting::Language));
  settings.WriteString("Skin", "ignored");
  EXPECT_EQ("Default", settings.Read(Setting::Skin));
  EXPECT_TRUE(settings.GetShowAgain(5));
  EXPECT_EQ(1, settings.GetShowAgainResult(5));
  EXPECT_FALSE(FileExists(settings.GetPerUserFolder() + "Setting.dat"));
  EXPECT_FALSE(settings.Flush());
}

TEST_F(SettingsTest, SettingFileIsMadeWrittenThroughAndCountsRuns) {
  AnsiString file;
  {
    TSettings settings(FProgram.Path());
    settings.SelectConfigFolder(false);
    EXPECT_EQ(settings.GetPerUserFolder(), settings.GetConfigFolder());
    file = settings.GetConfigFolder() + "Setting.dat";
    EXPECT_EQ(0, settings.GetRunCount());  // the first run reports 0
    EXPECT_EQ(0u, ReadWholeFile(file).find("[setting]\r\nRunTimes=1\r\n"));

    settings.Write(Setting::StreamWidth, 640);
    EXPECT_NE(AnsiString::npos, ReadWholeFile(file).find("Stream.Width=640\r\n"));
    settings.WriteBool("FirstTimeRun", false);
    EXPECT_NE(AnsiString::npos, ReadWholeFile(file).find("FirstTimeRun=0\r\n"));
    settings.WriteString("MainForm.Width", "wide");
    EXPECT_EQ(484, settings.Read(Setting::MainFormWidth));  // not a number: the default
    EXPECT_FALSE(FileExists(file + ".new"));

    // Selecting again does not count again.
    settings.SelectConfigFolder(false);
    EXPECT_EQ(0, settings.GetRunCount());
    EXPECT_EQ(640, settings.Read(Setting::StreamWidth));
  }
  {
    TSettings settings(FProgram.Path());
    settings.SelectConfigFolder(false);
    EXPECT_EQ(1, settings.GetRunCount());
    EXPECT_EQ(640, settings.Read(Setting::StreamWidth));
    EXPECT_FALSE(settings.Read(Setting::FirstTimeRun));
  }
  // Deleted between runs: made again, holding one blank line, and every setting reads its
  // default.
  DeleteFile(file);
  {
    TSettings settings(FProgram.Path());
    settings.SelectConfigFolder(false);
    EXPECT_EQ(0, settings.GetRunCount());
    EXPECT_EQ(320, settings.Read(Setting::StreamWidth));
    EXPECT_TRUE(settings.Read(Setting::FirstTimeRun));
  }
}

TEST_F(SettingsTest, DefaultsAndSpellingsOfTheSettings) {
  TSettings settings(FProgram.Path());
  settings.SelectConfigFolder(false);
  struct IntCase {
    TIntSetting setting;
    const char* key;
    int value;
  };
  const IntCase ints[] = {
      {Setting::MainFormWidth, "MainForm.Width", 484},
      {Setting::MainFormHeight, "MainForm.Height", 580},
      {Setting::StreamWidth, "Stream.Width", 320},
      {Setting::StreamHeight, "Stream.Height", 240},
      {Setting::StreamRate, "Stream.Rate", 20},
      {Setting::LastUpdateDate, "LastUpdateDate", 0},
      {Setting::WebcamSourceSize, "WebcamSourceSize", 1},
      {Setting::PreviewClientWidth, "Preivew.ClientWidth", 320},
      {Setting::PreviewClientHeight, "Preivew.ClientHeight", 270},
      {Setting::PreviewMagnetFlag, "Preivew.MagnetFlag", 1},
      {Setting::PreviewMagnetPos, "Preivew.MagnetPos", 0},
  };
  for (const IntCase& c : ints) {
    EXPECT_STREQ(c.key, c.setting.Key);
    EXPECT_EQ(c.value, settings.Read(c.setting)) << c.key;
  }
  struct BoolCase {
    TBoolSetting setting;
    const char* key;
    bool value;
  };
  const BoolCase bools[] = {
      {Setting::MainFormPreviewSize, "MainForm.PreviewSize", true},
      {Setting::FirstTimeRun, "FirstTimeRun", true},
      {Setting::EffectSort, "Effect.sort", true},
      {Setting::AutoCheckUpdate, "AutoCheckUpdate", true},
  };
  for (const BoolCase& c : bools) {
    EXPECT_STREQ(c.key, c.setting.Key);
    EXPECT_EQ(c.value, settings.Read(c.setting)) << c.key;
  }
  struct TextCase {
    TTextSetting setting;
    const char* key;
    const char* value;
  };
  const TextCase texts[] = {
      {Setting::Skin, "Skin", "Default"},
      {Setting::Language, "Language", "English"},
      {Setting::VideoVolume, "Video.Volume", "50"},
      {Setting::VideoMute, "Video.Mute", "0"},
      {Setting::VideoLoop, "Video.Loop", "1"},
      {Setting::EffectMultiEffects, "Effect.MultiEffects", ""},
  };
  for (const TextCase& c : texts) {
    EXPECT_STREQ(c.key, c.setting.Key);
    EXPECT_EQ(c.value, settings.Read(c.setting)) << c.key;
  }
  EXPECT_STREQ("MainForm.Left", Setting::MainFormLeft);
  EXPECT_STREQ("MainForm.Top", Setting::MainFormTop);
  EXPECT_STREQ("OD.", Setting::OpenDialogPrefix);
  EXPECT_STREQ("RunTimes", Setting::RunTimes.Key);
}

TEST_F(SettingsTest, ShowAgainChoicesAndAnswers) {
  TSettings settings(FProgram.Path());
  settings.SelectConfigFolder(false);
  const AnsiString file = settings.GetConfigFolder() + "Setting.dat";
  EXPECT_TRUE(settings.GetShowAgain(5));
  EXPECT_EQ(1, settings.GetShowAgainResult(5));
  settings.SetShowAgain(5, false);
  settings.SetShowAgainResult(5, 2);
  const AnsiString text = ReadWholeFile(file);
  EXPECT_NE(AnsiString::npos, text.find("[ShowAgain]\r\n5=0\r\n"));
  EXPECT_NE(AnsiString::npos, text.find("[ShowAgainModuleResult]\r\n5=2\r\n"));
  EXPECT_FALSE(settings.GetShowAgain(5));
  EXPECT_EQ(2, settings.GetShowAgainResult(5));
  EXPECT_TRUE(settings.GetShowAgain(6));
  settings.ClearShowAgain();
  EXPECT_TRUE(settings.GetShowAgain(5));
  EXPECT_EQ(1, settings.GetShowAgainResult(5));
  EXPECT_EQ(AnsiString::npos, ReadWholeFile(file).find("ShowAgain"));
}

TEST_F(SettingsTest, AllUsersFlagAndFolders) {
  TSettings settings(FProgram.Path());
  EXPECT_FALSE(settings.HasAllUsersFlag());
  EXPECT_TRUE(DirectoryExists(ExcludeTrailingPathDelimiter(settings.GetPerUserFolder())));
  EXPECT_TRUE(settings.GetAllUsersFlag());  // the default asks for all users
  settings.SetAllUsersFlag(false);
  EXPECT_TRUE(settings.HasAllUsersFlag());
  EXPECT_FALSE(settings.GetAllUsersFlag());
  EXPECT_EQ(0u, ReadWholeFile(settings.GetPerUserFolder() + "UserFlag.ini")
                    .find("[Flag]\r\nAllUsers=0\r\n"));
  settings.SetAllUsersFlag(true);
  EXPECT_TRUE(settings.GetAllUsersFlag());

  // Wine's machine-wide application data is writable.
  EXPECT_TRUE(settings.CanWriteAllUsers());
  settings.SelectConfigFolder(true);
  EXPECT_TRUE(settings.GetAllUsers());
  EXPECT_EQ(settings.GetAllUsersFolder(), settings.GetConfigFolder());
  EXPECT_TRUE(FileExists(settings.GetAllUsersFolder() + "Setting.dat"));
  // The flag file stays in the user's folder.
  EXPECT_FALSE(FileExists(settings.GetAllUsersFolder() + "UserFlag.ini"));
}

TEST_F(SettingsTest, ASettingFileThatCannotBeReadIsLeftAsItIs) {
  AnsiString file;
  {
    TSettings settings(FProgram.Path());
    settings.SelectConfigFolder(false);
    settings.WriteString("Skin", "Mine");
    file = settings.GetConfigFolder() + "Setting.dat";
  }
  const AnsiString before = ReadWholeFile(file);
  HANDLE lock = CreateFileA(file.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(INVALID_HANDLE_VALUE, lock);
  {
    TSettings settings(FProgram.Path());
    settings.SelectConfigFolder(false);
    EXPECT_EQ("Default", settings.Read(Setting::Skin));  // reads as empty ...
    settings.WriteString("Skin", "Other");               // ... and never writes over it
    EXPECT_EQ("Other", settings.Read(Setting::Skin));
    EXPECT_FALSE(settings.Flush());
  }
  CloseHandle(lock);
  EXPECT_EQ(before, ReadWholeFile(file));
}

TEST_F(SettingsTest, TheProgramsOneSettingsObject) {
  EXPECT_EQ(nullptr, GetSettings());
  TSettings* settings = CreateSettings();
  ASSERT_NE(nullptr, settings);
  EXPECT_EQ(settings, CreateSettings());
  EXPECT_EQ(settings, GetSettings());
  EXPECT_EQ(GetExeFolder(), settings->GetProgramFolder());
  FreeSettings();
  EXPECT_EQ(nullptr, GetSettings());
  FreeSettings();
}
