// Ini files: the reading rules, writing back, the in-memory and write-through forms.
#include <gtest/gtest.h>

#include <vector>

#include "framework/IniFiles.h"
#include "tests/framework/TestFolder.h"

namespace {

using Items = std::vector<AnsiString>;

Items ItemsOf(const TStrings& list) {
  Items items;
  for (int i = 0; i < list.GetCount(); ++i) items.push_back(list.Get(i));
  return items;
}

const char kSample[] =
    "; a language file\r\n"
    "[Info]\r\n"
    "Language = Deutsch \r\n"
    "Version=4.2.0.0\r\n"
    "\r\n"
    "[ResString]\r\n"
    "MSG_1=First\r\n"
    "msg_1=Second\r\n"
    "Empty=\r\n"
    "Hex=$1F\r\n"
    "Hex2=0x1f\r\n"
    "HexUpper=0X10\r\n"
    "Neg=-12\r\n"
    "Bad=12a\r\n"
    "Bool=1\r\n"
    "BoolText=true\r\n"
    "Spaced = a = b \r\n"
    "no equals sign\r\n"
    "; comment=not a key\r\n"
    "[TfrmAboutForm]\r\n"
    "btnOK.Caption=&OK\r\n"
    "lvList.Columns[0].Caption=Name\r\n"
    "[resstring]\r\n"
    "Later=merged\r\n";

}  // namespace

TEST(IniFile, ReadingRules) {
  TMemIniFile ini;
  ini.SetText(kSample);
  struct Case {
    const char* section;
    const char* key;
    const char* expected;
  };
  const Case strings[] = {
      {"Info", "Language", "Deutsch"},   // names and values trimmed
      {"INFO", "language", "Deutsch"},   // sections and keys ignore case
      {"ResString", "MSG_1", "First"},   // the first of two equal keys wins
      {"ResString", "Empty", ""},        // present but empty: empty, not the default
      {"ResString", "Missing", "<default>"},
      {"Missing", "Language", "<default>"},
      {"ResString", "Spaced", "a = b"},
      {"ResString", "no equals sign", "<default>"},
      {"ResString", "; comment", "<default>"},
      {"TfrmAboutForm", "lvList.Columns[0].Caption", "Name"},
      {"ResString", "Later", "merged"},  // a section named twice is one section
  };
  for (const Case& c : strings)
    EXPECT_EQ(c.expected, ini.ReadString(c.section, c.key, "<default>")) << c.key;
  const std::pair<const char*, int> integers[] = {
      {"Hex", 31}, {"Hex2", 31}, {"HexUpper", 16}, {"Neg", -12},
      {"Bad", -1}, {"Empty", -1}, {"Missing", -1}, {"MSG_1", -1}};
  for (const auto& c : integers)
    EXPECT_EQ(c.second, ini.ReadInteger("ResString", c.first, -1)) << c.first;
  EXPECT_TRUE(ini.ReadBool("ResString", "Bool", false));
  EXPECT_FALSE(ini.ReadBool("ResString", "BoolText", false));  // not a number: the default
  EXPECT_TRUE(ini.ReadBool("ResString", "BoolText", true));
  EXPECT_DOUBLE_EQ(-12.0, ini.ReadFloat("ResString", "Neg", 0));

  TStringList list;
  ini.ReadSection("resstring", &list);
  EXPECT_EQ((Items{"MSG_1", "Empty", "Hex", "Hex2", "HexUpper", "Neg", "Bad", "Bool", "BoolText",
                   "Spaced", "Later"}),
            ItemsOf(list));
  ini.ReadSectionValues("Info", &list);
  EXPECT_EQ((Items{"Language=Deutsch", "Version=4.2.0.0"}), ItemsOf(list));
  ini.ReadSections(&list);
  EXPECT_EQ((Items{"Info", "ResString", "TfrmAboutForm"}), ItemsOf(list));
  EXPECT_TRUE(ini.SectionExists("tfrmaboutform"));
  EXPECT_FALSE(ini.SectionExists("Nope"));
  EXPECT_TRUE(ini.ValueExists("ResString", "empty"));
  EXPECT_FALSE(ini.ValueExists("ResString", "nope"));
  ini.ReadSection("Nope", &list);
  EXPECT_TRUE(list.GetCount() == 0);
}

TEST(IniFile, WritingAndErasing) {
  TMemIniFile ini;
  ini.SetText(kSample);
  ini.WriteString("resstring", "msg_1", "Changed");  // the first of the two
  EXPECT_EQ("Changed", ini.ReadString("ResString", "MSG_1", ""));
  ini.DeleteKey("ResString", "MSG_1");
  EXPECT_EQ("Second", ini.ReadString("ResString", "MSG_1", ""));  // now the second shows
  ini.WriteInteger("New", "Count", 3);
  ini.WriteBool("New", "Flag", true);
  ini.WriteFloat("New", "Ratio", 0.5);
  EXPECT_EQ("3", ini.ReadString("New", "Count", ""));
  EXPECT_EQ("1", ini.ReadString("New", "Flag", ""));
  EXPECT_EQ("0.5", ini.ReadString("New", "Ratio", ""));
  ini.EraseSection("info");
  EXPECT_FALSE(ini.SectionExists("Info"));
  EXPECT_EQ("Name", ini.ReadString("TfrmAboutForm", "lvList.Columns[0].Caption", ""));
  ini.EraseSection("Nope");
  ini.Clear();
  TStringList sections;
  ini.ReadSections(&sections);
  EXPECT_EQ(0, sections.GetCount());
}

TEST(IniFile, GetStringsWritesTheContentBackAndKeepsComments) {
  TMemIniFile ini;
  ini.SetText(kSample);
  ini.WriteString("Info", "Translator", "Ich");
  TStringList lines;
  ini.GetStrings(&lines);
  EXPECT_EQ(
      "; a language file\r\n"
      "[Info]\r\nLanguage=Deutsch\r\nVersion=4.2.0.0\r\nTranslator=Ich\r\n\r\n"
      "[ResString]\r\nMSG_1=First\r\nmsg_1=Second\r\nEmpty=\r\nHex=$1F\r\nHex2=0x1f\r\n"
      "HexUpper=0X10\r\nNeg=-12\r\nBad=12a\r\nBool=1\r\nBoolText=true\r\nSpaced=a = b\r\n"
      "no equals sign\r\n; comment=not a key\r\nLater=merged\r\n\r\n"
      "[TfrmAboutForm]\r\nbtnOK.Caption=&OK\r\nlvList.Columns[0].Caption=Name\r\n\r\n",
      lines.GetText());
  TMemIniFile again;
  again.SetStrings(&lines);
  TStringList linesAgain;
  again.GetStrings(&linesAgain);
  EXPECT_TRUE(lines.Equals(&linesAgain));
}

TEST(IniFile, FilesAreReadWholeAndWrittenByUpdateFile) {
  TTestFolder folder;
  AnsiString name = folder.File("Setting.dat");
  {
    TMemIniFile missing(name);  // a missing file reads as empty
    EXPECT_EQ(7, missing.ReadInteger("setting", "MainForm.Width", 7));
    missing.WriteInteger("setting", "MainForm.Width", 640);
    EXPECT_FALSE(FileExists(name));  // nothing written before UpdateFile
    missing.UpdateFile();
  }
  EXPECT_EQ("[setting]\r\nMainForm.Width=640\r\n\r\n", ReadWholeFile(name));
  TMemIniFile ini(name);
  EXPECT_EQ(640, ini.ReadInteger("Setting", "mainform.width", 0));
  EXPECT_EQ(name, ini.GetFileName());
  WriteWholeFile(name, "[a]\nk=v\n");
  EXPECT_EQ(640, ini.ReadInteger("Setting", "mainform.width", 0));  // held in memory
  ini.Rename(name, true);
  EXPECT_EQ("v", ini.ReadString("A", "K", ""));
  TMemIniFile noFile;
  noFile.WriteString("x", "y", "z");
  noFile.UpdateFile();  // no file name: nothing to do

  TMemIniFile unwritable(folder.File("no-folder") + PathDelim + "x.ini");
  unwritable.WriteString("x", "y", "z");
  EXPECT_THROW(unwritable.UpdateFile(), EFCreateError);
  EXPECT_EQ("z", unwritable.ReadString("x", "y", ""));  // the content stays
}

TEST(IniFile, IniFileWritesThroughAndSeesOtherWriters) {
  TTestFolder folder;
  AnsiString name = folder.File("UserFlag.ini");
  TIniFile writer(name);
  TIniFile reader(name);
  EXPECT_EQ("none", reader.ReadString("Config", "AllUsers", "none"));
  writer.WriteBool("Config", "AllUsers", true);
  EXPECT_EQ("[Config]\r\nAllUsers=1\r\n\r\n", ReadWholeFile(name));
  EXPECT_TRUE(reader.ReadBool("Config", "AllUsers", false));
  writer.WriteString("Config", "Other", "x");
  EXPECT_TRUE(reader.ValueExists("config", "other"));
  reader.DeleteKey("Config", "Other");
  EXPECT_FALSE(writer.ValueExists("Config", "Other"));
  // Another program changes the file with the same size: still seen.
  WriteWholeFile(name, "[Config]\r\nAllUsers=0\r\n\r\n");
  EXPECT_FALSE(reader.ReadBool("Config", "AllUsers", true));
  reader.EraseSection("Config");
  EXPECT_FALSE(writer.SectionExists("Config"));
  TStringList list;
  writer.ReadSections(&list);
  EXPECT_EQ(0, list.GetCount());
}

TEST(IniFile, HostileTextsReadAsDocumented) {
  AnsiString big(2 << 20, 'v');
  AnsiString text = AnsiString("[A]\r\nnul") + '\0' + "key=x" + '\0' + "y\r\n" + "long=" + big +
                    "\r\n[\r\n=\r\n]\r\n[]\r\n=only value\r\n" + "[B]\r\n";
  for (int i = 0; i < 50000; ++i) text += "k" + IntToStr(i % 1000) + "=" + IntToStr(i) + "\r\n";
  TMemIniFile ini;
  ini.SetText(text);
  EXPECT_EQ(AnsiString("x") + '\0' + "y", ini.ReadString("A", AnsiString("nul") + '\0' + "key", ""));
  EXPECT_EQ(big.size(), ini.ReadString("A", "long", "").size());
  EXPECT_EQ("none", ini.ReadString("", "=only value", "none"));  // "=..." is no key
  EXPECT_EQ("none", ini.ReadString("", "", "none"));
  EXPECT_EQ("999", ini.ReadString("B", "k999", ""));  // the first of fifty
  TStringList keys;
  ini.ReadSection("B", &keys);
  EXPECT_EQ(1000, keys.GetCount());
  TStringList sections;
  ini.ReadSections(&sections);
  EXPECT_EQ((Items{"A", "", "B"}), ItemsOf(sections));
}
