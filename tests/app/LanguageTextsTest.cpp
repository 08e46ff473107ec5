// The program's built-in English texts: the same as langs/English.lan, holding every text id
// the program's code asks for (found by reading the code) with the wording the program
// promises, and the skinned parts' texts.
#include <gtest/gtest.h>

#include <algorithm>
#include <regex>
#include <set>

#include "app/BuiltinLanguage.h"
#include "app/SPTools.h"
#include "skin/data/spMultiLang.h"
#include "tests/framework/TestFolder.h"

#ifndef TAVISCO_SOURCE_DIR
#error "TAVISCO_SOURCE_DIR names the source tree"
#endif

namespace {

AnsiString Source(const AnsiString& relative) {
  AnsiString path = AnsiString(TAVISCO_SOURCE_DIR) + "/" + relative;
#ifdef _WIN32
  path = SlashToBackslash(path);
#endif
  return path;
}

// Every source and header file under a folder of the source tree.
void SourceFiles(const AnsiString& folder, std::vector<AnsiString>& files) {
  TStringList found;
  FindFilesRecursive(folder, &found, "*.cpp", true);
  FindFilesRecursive(folder, &found, "*.h", true);
  for (int i = 0; i < found.GetCount(); ++i) files.push_back(found.Get(i));
}

// The language texts the program's code names: quoted ids, and the error codes it shows.
std::set<AnsiString> IdsAskedForByTheCode() {
  std::vector<AnsiString> files;
  SourceFiles(Source("app"), files);
  SourceFiles(Source("skin"), files);
  std::set<AnsiString> ids;
  const std::regex quoted(
      "\"(MSGBOX_[A-Za-z0-9_]+|ERRORMSG_[0-9]+|DLGCAPTION_[A-Za-z0-9_]+|str[A-Z][A-Za-z0-9_]*)\"");
  const std::regex errorCode("ShowErrorMessage\\(\\s*(\\d+)");
  for (const AnsiString& file : files) {
    const std::string text = LoadFileToString(file);
    for (std::sregex_iterator it(text.begin(), text.end(), quoted), end; it != end; ++it) {
      ids.insert((*it)[1].str());
    }
    for (std::sregex_iterator it(text.begin(), text.end(), errorCode), end; it != end; ++it)
      ids.insert("ERRORMSG_" + (*it)[1].str());
  }
  // The engine's events are shown by their codes.
  const std::string engine = LoadFileToString(Source("engine/api/VDEngine.h"));
  const std::regex event("ENGINE_EVENT_[A-Z_]+ = (\\d+);");
  for (std::sregex_iterator it(engine.begin(), engine.end(), event), end; it != end; ++it)
    ids.insert("ERRORMSG_" + (*it)[1].str());
  return ids;
}

struct TBuiltin {
  TComponent* owner = new TComponent(nullptr);
  TspMultiLangData* data = new TspMultiLangData(owner);
  TspMultiLang* lang = new TspMultiLang(owner);
  TBuiltin() {
    data->LoadFromText(BuiltinLanguageText());
    lang->SetDefaultData(data);
  }
  ~TBuiltin() { owner->Free(); }
  TBuiltin(const TBuiltin&) = delete;
  TBuiltin& operator=(const TBuiltin&) = delete;
};

}  // namespace

TEST(LanguageTexts, BuiltInTextsAreTheShippedEnglishFile) {
  const AnsiString file = LoadFileToString(Source("langs/English.lan"));
  ASSERT_FALSE(file.empty());
  EXPECT_EQ(file, BuiltinLanguageText());
  TBuiltin builtin;
  EXPECT_EQ("English", builtin.data->GetLanguage());
  EXPECT_EQ("4.2.0.0", builtin.data->GetVersion());
}

TEST(LanguageTexts, EveryIdTheCodeAsksForIsBuiltIn) {
  const std::set<AnsiString> ids = IdsAskedForByTheCode();
  // The scan finds the ids (the engine's four events at least).
  EXPECT_GE(ids.size(), 4u);
  TBuiltin builtin;
  for (const AnsiString& id : ids) {
    AnsiString value;
    EXPECT_TRUE(builtin.data->FindValue("ResString", "", id, value)) << id;
    EXPECT_FALSE(value.empty()) << id;
  }
}

TEST(LanguageTexts, PromisedWordingAndPlaceholders) {
  TBuiltin builtin;
  struct Case {
    const char* id;
    std::vector<AnsiString> args;
    const char* expected;
  };
  const Case cases[] = {
      {"strAppName", {}, "Lumetra"},
      {"MSGBOX_Drivernotinstalled", {}, "Lumetra Capture Driver is not correctly installed. Fix it?"},
      {"MSGBOX_InstallDriverOK", {}, "Lumetra Capture Driver has been installed successfully."},
      {"MSGBOX_InstallDriverError", {}, "Lumetra Capture Driver Installation Error!"},
      {"MSGBOX_HavetoCurrentUser", {},
       "You are not authorized to write to the All Users folder, So the changes you made in "
       "settings and effects will be saved to Current User."},
      {"MSGBOX_QuitApp", {}, "Would you like to quit Lumetra?"},
      {"MSGBOX_AutoCheckUpdate", {}, "Automatically check updates when Lumetra starts next time?"},
      {"MSGBOX_LastVersionAlready", {}, "Your Lumetra is the lastest version already!"},
      {"ERRORMSG_1001", {"disk full"}, "Record Error: \r\ndisk full"},
      {"ERRORMSG_1002", {"C:\\snap.png"}, "Snap Error: \r\nC:\\snap.png"},
      {"ERRORMSG_1006", {}, "Please set the color quality of desktop to 32 bit"},
      {"ERRORMSG_1009", {"cam"},
       "This webcam is being used now. Please close the program which is using that webcam or "
       "select another one."},
      {"ERRORMSG_1013", {"C:\\a b.avi"}, "The Media File \"C:\\a b.avi\" Error."},
      {"ERRORMSG_1014", {"The frame could not be composed: not enough memory"},
       "Picture Error: \r\nThe frame could not be composed: not enough memory"},
      {"strAllKnownMediaFiles", {}, "All the media files supported"},
      {"strPictureFiles", {}, "Picture Files"},
      {"strFlashFiles", {}, "Flash Files"},
      {"strMovieFiles", {}, "Movie Files"},
      {"strAllFiles", {}, "All Files"},
  };
  for (const Case& c : cases)
    EXPECT_EQ(c.expected, FormatArgs(builtin.lang->GetResString(c.id), c.args)) << c.id;

  // The update failure names its two likely reasons on lines of their own.
  const AnsiString unreachable = builtin.lang->GetResString("ERRORMSG_1011");
  EXPECT_GE(std::count(unreachable.begin(), unreachable.end(), '\n'), 2);

  // The default-camera dialog's eleven rows.
  TStringList rows;
  rows.SetText(builtin.lang->GetResString("strOtherApp"));
  ASSERT_EQ(11, rows.GetCount());
  EXPECT_EQ("AIM", rows.Get(0));
  EXPECT_EQ("Yahoo Messenger", rows.Get(4));
  EXPECT_EQ("Other online webcam applications", rows.Get(10));
}

TEST(LanguageTexts, SkinTextsAndFormSections) {
  TBuiltin builtin;
  TStringList skin;
  ReadLanguageSection(builtin.lang, "SkinRes", &skin);
  EXPECT_EQ(120, skin.GetCount());
  EXPECT_EQ("MI_MINCAPTION=Mi&nimize", skin.Get(0));
  EXPECT_EQ("Look in: ", skin.GetValue("FLV_LOOKIN"));
  EXPECT_EQ("Do not display this message again", skin.GetValue("MSG_CAP_SHOWFLAG"));
  EXPECT_EQ("CUSTOMCOLOR=Custom...", skin.Get(119));

  struct Case {
    const char* section;
    const char* key;
    const char* expected;
  };
  const Case cases[] = {
      {"TfrmMainFormLumetra", "acPlayListAddFiles.Caption", "Add &File(s)"},
      {"TfrmMainFormLumetra", "acOpenMainFrame.Caption", "&Open Sarvendo..."},
      {"TfrmPreviewBoxForm", "mi100Size.Caption", "Orign Size"},
      {"TfrmOptionForm", "cbAllUsers.Items", "All Users\r\nCurrent User\r\n"},
      {"TfrmAboutForm", "lbVersion.Lines", "Version %1"},
      {"TfrmDefaultCam", "lvApplication.Columns[0].Caption", "Application"},
      {"TfrmInputUrlForm", "frmInputUrlForm.Caption", "Input URL"},
  };
  for (const Case& c : cases) {
    AnsiString value;
    EXPECT_TRUE(builtin.data->FindValue(c.section, "", c.key, value)) << c.key;
    EXPECT_EQ(c.expected, value) << c.key;
  }
}
