// The program's portable free routines: texts, numbers, paths and files.
#include <gtest/gtest.h>

#include <algorithm>

#include "app/SPTools.h"
#include "tests/framework/TestFolder.h"

namespace {

std::vector<AnsiString> Items(TStrings* list) {
  std::vector<AnsiString> items;
  for (int i = 0; i < list->GetCount(); ++i) items.push_back(list->Get(i));
  return items;
}

std::vector<AnsiString> Split(const AnsiString& text, const AnsiString& separator) {
  TStringList list;
  SplitText(text, separator, &list);
  return Items(&list);
}

}  // namespace

TEST(SPTools, FormatArgsFillsNumberedPlaceholdersAndKeepsOtherPercentSigns) {
  struct Case {
    const char* text;
    std::vector<AnsiString> args;
    const char* expected;
  };
  const Case cases[] = {
      {"%1", {"path"}, "path"},
      {"a %1 b %2 c", {"x", "y"}, "a x b y c"},
      {"%2 only", {"one"}, " only"},           // a missing argument is dropped
      {"100%", {}, "100%"},                    // a percent sign at the end stays
      {"%%1", {"x"}, "%1"},                    // two percent signs give one
      {"50%% off", {}, "50% off"},
      {"%d and %s", {"x"}, "%d and %s"},       // before a letter: both kept once
      {"%0", {"x"}, "%0"},                     // "0" is no placeholder
      {"%9", {"1", "2", "3", "4", "5", "6", "7", "8", "nine"}, "nine"},
      {"%1%1", {"ab"}, "abab"},
      {"%1", {"%2 stays"}, "%2 stays"},        // arguments are not formatted again
      {"", {"x"}, ""},
      {"no placeholders", {"x"}, "no placeholders"},
  };
  for (const Case& c : cases) EXPECT_EQ(c.expected, FormatArgs(c.text, c.args)) << c.text;
}

TEST(SPTools, PackVersionPacksFourFieldsOfFourBits) {
  struct Case {
    const char* text;
    int32_t expected;
  };
  const Case cases[] = {
      {"4.2.0.0", 0x4200},
      {"1.2.3.4", 0x1234},
      {"4.2.0.17", 0x4201},            // only the low four bits count
      {"4.2.0.0 beta 2", 0x4200},      // text after the first blank is ignored
      {"4.2.0", 0},                    // three parts
      {"4.2.0.0.1", 0},                // five parts
      {"", 0},
      {"a.b.c.d", 0},                  // parts that are no numbers read as 0
      {"15.15.15.15", 0xFFFF},
      {"4..1.1", 0x4011},
  };
  for (const Case& c : cases) EXPECT_EQ(c.expected, PackVersion(c.text)) << c.text;
}

TEST(SPTools, SecondsToTimeTextShowsHoursOnlyWhenThereAreSome) {
  EXPECT_EQ("01:05", SecondsToTimeText(65));
  EXPECT_EQ("01:02:05", SecondsToTimeText(3725));
  EXPECT_EQ("00:00", SecondsToTimeText(0));
  EXPECT_EQ("59:59", SecondsToTimeText(3599));
  EXPECT_EQ("01:00:00", SecondsToTimeText(3600));
  EXPECT_EQ("100:00:00", SecondsToTimeText(360000));
  EXPECT_EQ("00:00", SecondsToTimeText(-5));
}

TEST(SPTools, AppendUrlQueryJoinsWithQuestionMarkOrAmpersand) {
  struct Case {
    const char* address;
    const char* expected;
  };
  const Case cases[] = {
      {"", "q=1"},
      {"http://a/b", "http://a/b?q=1"},
      {"http://a/b?x=2", "http://a/b?x=2&q=1"},
      {"http://a/b?x=2&", "http://a/b?x=2&q=1"},
      {"http://a/b?", "http://a/b?q=1"},
      {"http://a/b&", "http://a/b&?q=1"},  // no "?" yet: the "&" is part of the path
  };
  for (const Case& c : cases) EXPECT_EQ(c.expected, AppendUrlQuery(c.address, "q=1")) << c.address;
}

TEST(SPTools, OnlyHttpAndHttpsAddressesAreWebAddresses) {
  const struct {
    const char* address;
    bool web;
  } cases[] = {
      {"http://a.example/get?x=1", true},
      {"HTTPS://a.example", true},
      {"http://127.0.0.1:8080/", true},
      {"http://", false},
      {"http:///path", false},
      {"C:\\Windows\\system32\\calc.exe", false},
      {"\\\\server\\share\\setup.exe", false},
      {"file:///C:/setup.exe", false},
      {"ftp://a.example/x", false},
      {"httpx://a.example", false},
      {"http:a.example", false},
      {"http://a.example/\" -new C:\\x.exe", false},
      {"http://a.example/a b", false},
      {"http://a.example/\r\nx", false},
      {"http://a.example/\x7f", false},
      {" http://a.example", false},
      {"", false},
  };
  for (const auto& c : cases) EXPECT_EQ(c.web, IsWebAddress(c.address)) << c.address;
}

TEST(SPTools, CombinePathResolvesAgainstDriveAndNetworkFolders) {
  struct Case {
    const char* folder;
    const char* path;
    const char* expected;
  };
  const Case cases[] = {
      {"C:\\Program\\Tavisco", "\\data\\x.inf", "C:\\data\\x.inf"},  // drive-rooted
      {"C:\\Program\\Tavisco", "sub/x.inf", "C:\\Program\\Tavisco\\sub\\x.inf"},
      {"C:\\Program\\Tavisco\\", "x.inf", "C:\\Program\\Tavisco\\x.inf"},
      {"C:\\Program", "D:/other/x.inf", "D:\\other\\x.inf"},  // absolute paths stay
      {"\\\\server\\share", "x/y.inf", "x\\y.inf"},          // network folder
      {"relative\\folder", "x.inf", "x.inf"},                // no drive: unchanged
      {"C:\\Program", "\\", "C:\\Program\\\\"},              // a lone "\" is appended
      {"C:", "x.inf", "C:\\x.inf"},
  };
  for (const Case& c : cases)
    EXPECT_EQ(c.expected, CombinePath(c.folder, c.path)) << c.folder << " + " << c.path;
  EXPECT_EQ("C:\\Program\\drvinst.exe", ExpandRelativePath("C:\\Program\\Tavisco.exe", "drvinst.exe"));
  EXPECT_EQ("C:\\x.inf", ExpandRelativePath("C:\\Program\\Tavisco.exe", "\\x.inf"));
}

TEST(SPTools, BackslashHelpers) {
  EXPECT_EQ("", IncludeBackslash(""));
  EXPECT_EQ("a\\", IncludeBackslash("a"));
  EXPECT_EQ("a\\b\\", IncludeBackslash("a/b/"));
  EXPECT_EQ("a\\b\\", IncludeBackslash("a\\b\\"));
  EXPECT_EQ("\\a\\b\\", SlashToBackslash("/a/b/"));
}

TEST(SPTools, SmallTextAndNumberRoutines) {
  EXPECT_EQ(42, SafeStrToInt("42", 7));
  EXPECT_EQ(7, SafeStrToInt("", 7));
  EXPECT_EQ(7, SafeStrToInt("4x", 7));
  EXPECT_EQ(-3, SafeStrToInt(" -3", 7));
  EXPECT_EQ(7, SafeStrToInt("99999999999", 7));

  EXPECT_EQ("007", IntToStrPad(7, 3, '0'));
  EXPECT_EQ("1234", IntToStrPad(1234, 3, '0'));
  EXPECT_EQ("  5", IntToStrPad(5, 3, ' '));
  EXPECT_EQ("01", IntToStrPad(1, 2, '0'));

  EXPECT_TRUE(StartsWithText("HTTP://x", "http"));
  EXPECT_TRUE(StartsWithText("abc", ""));
  EXPECT_FALSE(StartsWithText("ht", "http"));
  EXPECT_FALSE(StartsWithText("ftp://", "http"));

  const unsigned char bytes[] = {0x00, 0x0F, 0xA5, 0xFF};
  EXPECT_EQ("000FA5FF", HexEncode(bytes, sizeof(bytes)));
  EXPECT_EQ("", HexEncode(bytes, 0));

  EXPECT_EQ(1, TestBit(0x80000000u, 31));
  EXPECT_EQ(1, TestBit(0x2u, 33));  // n and 31
  EXPECT_EQ(0, TestBit(0x2u, 0));
}

TEST(SPTools, SplitTextKeepsEmptyPiecesAndTheLastOne) {
  using V = std::vector<AnsiString>;
  EXPECT_EQ(V({"a", "b", "c"}), Split("a|b|c", "|"));
  EXPECT_EQ(V({"a", "", "c"}), Split("a||c", "|"));
  EXPECT_EQ(V({"a", ""}), Split("a|", "|"));
  EXPECT_EQ(V({"", "a"}), Split("|a", "|"));
  EXPECT_EQ(V({"", ""}), Split("|", "|"));
  EXPECT_EQ(V(), Split("", "|"));
  EXPECT_EQ(V({"one"}), Split("one", "|"));
  EXPECT_EQ(V({"a", "b"}), Split("a<BR>b", "<BR>"));

  // Appended inside one update: the list tells its change once.
  TStringList list;
  int changes = 0;
  list.OnChange = [&](TObject*) { ++changes; };
  SplitText("1|2|3", "|", &list);
  EXPECT_EQ(1, changes);
}

TEST(SPTools, FileExtInListComparesTheExtensionWithItsPoint) {
  const char* exts = ".avi,.MPG,.wmv";
  EXPECT_TRUE(FileExtInList("C:\\a\\clip.AVI", exts));
  EXPECT_TRUE(FileExtInList("clip.mpg", exts));
  EXPECT_FALSE(FileExtInList("clip.mp", exts));
  EXPECT_FALSE(FileExtInList("clip.avi.txt", exts));
  EXPECT_FALSE(FileExtInList("C:\\a.avi\\noext", exts));
  EXPECT_FALSE(FileExtInList("noext", ".avi,,.wmv"));  // an empty item matches nothing
  EXPECT_FALSE(FileExtInList("clip.avi", ""));
}

TEST(SPTools, ListsFilesAndFoldersOfAMask) {
  TTestFolder folder;
  WriteWholeFile(folder.File("a.vob"), "1");
  WriteWholeFile(folder.File("b.txt"), "2");
  ForceDirectories(folder.File("sub") + PathDelim + "deeper");
  WriteWholeFile(folder.File("sub") + PathDelim + "c.vob", "3");
  WriteWholeFile(folder.File("sub") + PathDelim + "deeper" + PathDelim + "d.vob", "4");

  TStringList files;
  ListFiles(folder.File("*"), &files, false);
  std::vector<AnsiString> names = Items(&files);
  std::sort(names.begin(), names.end());
  EXPECT_EQ(std::vector<AnsiString>({"a.vob", "b.txt"}), names);  // no folders

  TStringList full;
  ListFiles(folder.File("*.vob"), &full, true);
  EXPECT_EQ(std::vector<AnsiString>({folder.File("a.vob")}), Items(&full));

  TStringList folders;
  ListFolders(folder.File("*"), &folders, false);
  EXPECT_EQ(std::vector<AnsiString>({"sub"}), Items(&folders));  // without "." and ".."

  TStringList found;
  FindFilesRecursive(folder.Path(), &found, "*.vob", true);
  names = Items(&found);
  std::sort(names.begin(), names.end());
  const AnsiString sub = folder.File("sub") + PathDelim;
  EXPECT_EQ(std::vector<AnsiString>({folder.File("a.vob"), sub + "c.vob",
                                     sub + "deeper" + PathDelim + "d.vob"}),
            names);

  TStringList flat;
  FindFilesRecursive(folder.Path(), &flat, "*.vob", false);
  EXPECT_EQ(1, flat.GetCount());
}

TEST(SPTools, TextFilesAreWrittenAsLinesAndReadWhole) {
  TTestFolder folder;
  const AnsiString file = folder.File("play.lst");
  ASSERT_TRUE(SaveTextToFile("one\ntwo", file));
  EXPECT_EQ("one\r\ntwo\r\n", ReadWholeFile(file));
  EXPECT_EQ("one\r\ntwo\r\n", LoadFileToString(file));
  ASSERT_TRUE(SaveTextToFile(" ", file));  // replaces the file
  EXPECT_EQ(" \r\n", LoadFileToString(file));
  WriteWholeFile(file, AnsiString("a\0b", 3));
  EXPECT_EQ(AnsiString("a\0b", 3), LoadFileToString(file));
  EXPECT_EQ("", LoadFileToString(folder.File("missing")));
  EXPECT_FALSE(SaveTextToFile("x", folder.File("no") + PathDelim + "such" + PathDelim + "f"));
}
