// File names, files and folders.
#include <gtest/gtest.h>

#include <algorithm>
#include <set>

#include "framework/SysUtils.h"
#include "tests/framework/TestFolder.h"

namespace {
// The cases are written with "\"; off Windows the separator is "/".
AnsiString P(const char* path) {
  AnsiString result = path;
  std::replace(result.begin(), result.end(), '\\', PathDelim);
  return result;
}
}  // namespace

TEST(Files, NamePartsSplitAtTheLastSeparator) {
  struct Case {
    const char* name;
    const char* path;
    const char* dir;
    const char* file;
    const char* ext;
  };
  const Case cases[] = {
      {"a\\b\\c.txt", "a\\b\\", "a\\b", "c.txt", ".txt"},
      {"c.tar.gz", "", "", "c.tar.gz", ".gz"},
      {"a.d\\noext", "a.d\\", "a.d", "noext", ""},
      {"a\\b\\", "a\\b\\", "a\\b", "", ""},
      {"\\root.ini", "\\", "\\", "root.ini", ".ini"},
      {".hidden", "", "", ".hidden", ".hidden"},
      {"", "", "", "", ""},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(P(c.path), ExtractFilePath(P(c.name))) << c.name;
    EXPECT_EQ(P(c.dir), ExtractFileDir(P(c.name))) << c.name;
    EXPECT_EQ(c.file, ExtractFileName(P(c.name))) << c.name;
    EXPECT_EQ(c.ext, ExtractFileExt(P(c.name))) << c.name;
  }
  EXPECT_EQ(P("a\\b.bak"), ChangeFileExt(P("a\\b.txt"), ".bak"));
  EXPECT_EQ(P("a.d\\b.bak"), ChangeFileExt(P("a.d\\b"), ".bak"));
  EXPECT_EQ(P("a\\"), IncludeTrailingPathDelimiter(P("a")));
  EXPECT_EQ(P("a\\"), IncludeTrailingPathDelimiter(P("a\\")));
  EXPECT_EQ(P("a"), ExcludeTrailingPathDelimiter(P("a\\")));
#ifdef _WIN32
  EXPECT_EQ("C:\\", ExtractFilePath("C:\\x.txt"));
  EXPECT_EQ("C:\\", ExtractFileDir("C:\\x.txt"));
  EXPECT_EQ("x.txt", ExtractFileName("C:x.txt"));
  EXPECT_EQ("C:", ExtractFileDrive("C:\\x"));
  EXPECT_EQ("\\\\srv\\share", ExtractFileDrive("\\\\srv\\share\\x"));
#endif
}

TEST(Files, FilesAndFolders) {
  TTestFolder folder;
  AnsiString deep = folder.File(P("one\\two\\three"));
  EXPECT_FALSE(DirectoryExists(deep));
  EXPECT_TRUE(ForceDirectories(deep + PathDelim));
  EXPECT_TRUE(DirectoryExists(deep));
  EXPECT_TRUE(ForceDirectories(deep));  // already there
  EXPECT_THROW(ForceDirectories(""), EInOutError);

  AnsiString file = folder.File("data.bin");
  EXPECT_FALSE(FileExists(file));
  EXPECT_EQ(-1, FileSizeOf(file));
  TDateTime age;
  EXPECT_FALSE(FileAge(file, age));
  WriteWholeFile(file, "12345");
  EXPECT_TRUE(FileExists(file));
  EXPECT_FALSE(FileExists(deep));  // a folder is no file
  EXPECT_FALSE(DirectoryExists(file));
  EXPECT_EQ(5, FileSizeOf(file));
  EXPECT_TRUE(FileAge(file, age));
  EXPECT_NEAR(Now(), age, 1.0 / 24);

  AnsiString other = folder.File("other.bin");
  WriteWholeFile(other, "x");
  EXPECT_FALSE(RenameFile(file, other));  // never replaces
  EXPECT_TRUE(RenameFile(file, folder.File("moved.bin")));
  EXPECT_FALSE(FileExists(file));
  EXPECT_TRUE(DeleteFile(folder.File("moved.bin")));
  EXPECT_FALSE(DeleteFile(folder.File("moved.bin")));

  AnsiString saved = GetCurrentDir();
  EXPECT_TRUE(SetCurrentDir(deep));
  EXPECT_EQ(IncludeTrailingPathDelimiter(GetCurrentDir()) + "x", ExpandFileName("x"));
  EXPECT_TRUE(SetCurrentDir(saved));
}

TEST(Files, FindFirstListsMatchingEntriesWithAttributes) {
  TTestFolder folder;
  WriteWholeFile(folder.File("a.txt"), "aaa");
  WriteWholeFile(folder.File("b.TXT"), "b");
  WriteWholeFile(folder.File("c.dat"), "");
  ForceDirectories(folder.File("sub.txt"));

  auto list = [&](const char* mask, int attr) {
    std::set<AnsiString> names;
    TSearchRec entry;
    if (FindFirst(folder.File(mask), attr, entry) == 0) {
      do {
        names.insert(entry.Name + ((entry.Attr & faDirectory) ? "/" : ""));
        if (entry.Name == "a.txt") {
          EXPECT_EQ(3, entry.Size);
          EXPECT_NEAR(Now(), entry.TimeStamp, 1.0 / 24);
        }
      } while (FindNext(entry) == 0);
      FindClose(entry);
    }
    return names;
  };
  EXPECT_EQ((std::set<AnsiString>{"a.txt", "b.TXT"}), list("*.txt", faAnyFile & ~faDirectory));
  EXPECT_EQ((std::set<AnsiString>{"a.txt", "b.TXT", "sub.txt/"}), list("*.txt", faDirectory));
  EXPECT_EQ((std::set<AnsiString>{"a.txt", "b.TXT", "c.dat"}), list("*.*", 0));
  EXPECT_EQ((std::set<AnsiString>{"c.dat"}), list("?.dat", 0));
  EXPECT_TRUE(list("*.none", faAnyFile).empty());
  TSearchRec entry;
  EXPECT_NE(0, FindFirst(folder.File(P("missing\\*")), faAnyFile, entry));
  EXPECT_NE(0, FindNext(entry));
}
