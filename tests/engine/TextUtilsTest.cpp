#include "engine/base/TextUtils.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstdint>
#include <string>

TEST(TextUtils, ParseIntReadsLeadingNumberOrGivesDefault) {
  struct Case {
    const char* text;
    int defaultValue;
    int expected;
  };
  const Case cases[] = {
      {"", 7, 7},
      {"12abc", 0, 12},
      {"abc", 5, 5},
      {"  -42", 0, -42},
      {"\t\r\n 9", 0, 9},
      {"+8", 0, 8},
      {"007", 1, 7},
      {"1.5", 0, 1},
      {"0x10", 3, 0},
      {"-", 3, 3},
      {"+", 3, 3},
      {"- 5", 3, 3},
      {"x12", 3, 3},
      {"2147483647", 0, INT_MAX},
      {"-2147483648", 0, INT_MIN},
      // Beyond the int range: clamped.
      {"2147483648", 0, INT_MAX},
      {"-2147483649", 0, INT_MIN},
      {"99999999999999999999999999", 0, INT_MAX},
      {"-99999999999999999999999999", 0, INT_MIN},
  };
  for (const Case& c : cases) EXPECT_EQ(ParseInt(c.text, c.defaultValue), c.expected) << c.text;
}

TEST(TextUtils, ParseBoolReducesDefaultAndResultToZeroOrOne) {
  struct Case {
    const char* text;
    int defaultValue;
    int expected;
  };
  const Case cases[] = {
      {"", 5, 1}, {"", 0, 0}, {"x", -2, 1}, {"0", 1, 0}, {"1", 0, 1}, {"-3", 0, 1}, {"7abc", 0, 1},
  };
  for (const Case& c : cases) EXPECT_EQ(ParseBool(c.text, c.defaultValue), c.expected) << c.text;
}

TEST(TextUtils, LimitToRangeClampsToBounds) {
  EXPECT_EQ(LimitToRange(5, 0, 10), 5);
  EXPECT_EQ(LimitToRange(-5, 0, 10), 0);
  EXPECT_EQ(LimitToRange(15, 0, 10), 10);
  EXPECT_EQ(LimitToRange(INT_MIN, INT_MIN, INT_MAX), INT_MIN);
  EXPECT_EQ(LimitToRange(3, 8, 4), 4);  // low above high: high wins
}

TEST(TextUtils, IntAndBoolToText) {
  EXPECT_EQ(IntToText(0), "0");
  EXPECT_EQ(IntToText(-15), "-15");
  EXPECT_EQ(IntToText(INT_MIN), "-2147483648");
  EXPECT_EQ(BoolToText(0), "0");
  EXPECT_EQ(BoolToText(1), "1");
  EXPECT_EQ(BoolToText(-1), "1");
}

TEST(TextUtils, MakeRectSpansWidthAndHeight) {
  const RECT r = MakeRect(10, -20, 30, 40);
  EXPECT_EQ(r.left, 10);
  EXPECT_EQ(r.top, -20);
  EXPECT_EQ(r.right, 40);
  EXPECT_EQ(r.bottom, 20);
  EXPECT_EQ(MakeRect(INT_MAX - 1, 0, 100, 1).right, INT_MAX);  // clamped, no overflow
}

TEST(TextUtils, FitAndCoverSizeKeepProportions) {
  struct Case {
    int w, h, boxW, boxH;
    LONG fitW, fitH, coverW, coverH;
  };
  const Case cases[] = {
      {640, 480, 320, 320, 320, 240, 426, 320},
      {480, 640, 320, 320, 240, 320, 320, 426},
      {320, 240, 640, 480, 640, 480, 640, 480},
      {100, 100, 640, 480, 480, 480, 640, 640},
      // Zero anywhere: the box size (a zero source is not divided by).
      {0, 480, 320, 240, 320, 240, 320, 240},
      {640, 0, 320, 240, 320, 240, 320, 240},
      {640, 480, 0, 240, 0, 240, 0, 240},
      {640, 480, 320, 0, 320, 0, 320, 0},
      // Products beyond 32 bits.
      {100000, 100000, 70000, 50000, 50000, 50000, 70000, 70000},
      {200000, 100000, 100000, 100000, 100000, 50000, 200000, 100000},
  };
  for (const Case& c : cases) {
    const SIZE fit = FitSize(c.w, c.h, c.boxW, c.boxH);
    const SIZE cover = CoverSize(c.w, c.h, c.boxW, c.boxH);
    EXPECT_EQ(fit.cx, c.fitW) << c.w << "x" << c.h << " in " << c.boxW << "x" << c.boxH;
    EXPECT_EQ(fit.cy, c.fitH) << c.w << "x" << c.h << " in " << c.boxW << "x" << c.boxH;
    EXPECT_EQ(cover.cx, c.coverW) << c.w << "x" << c.h << " in " << c.boxW << "x" << c.boxH;
    EXPECT_EQ(cover.cy, c.coverH) << c.w << "x" << c.h << " in " << c.boxW << "x" << c.boxH;
  }
}

TEST(TextUtils, CoverSizeBeyondIntRangeIsClamped) {
  const SIZE cover = CoverSize(INT_MAX, 1, 1000, 1000);
  EXPECT_EQ(cover.cx, INT_MAX);
  EXPECT_EQ(cover.cy, 1000);
}

TEST(TextUtils, FitAndCoverRectCentreInBox) {
  const RECT source = MakeRect(5, 5, 640, 480);
  const RECT box = MakeRect(10, 20, 320, 320);
  const RECT fit = FitRect(source, box);
  EXPECT_EQ(fit.left, 10);
  EXPECT_EQ(fit.top, 60);
  EXPECT_EQ(fit.right, 330);
  EXPECT_EQ(fit.bottom, 300);
  const RECT cover = CoverRect(source, box);
  EXPECT_EQ(cover.left, -43);
  EXPECT_EQ(cover.top, 20);
  EXPECT_EQ(cover.right, 383);
  EXPECT_EQ(cover.bottom, 340);
}

TEST(TextUtils, IsUrlNeedsColonBeyondDriveLetter) {
  const std::pair<const char*, bool> cases[] = {
      {"C:\\x", false},
      {"mms://x", true},
      {"http://", true},
      {"@cam:Camera", true},
      {"C:\\a\\b:c", true},
      {"ab:", true},
      {"a:b", false},
      {"ab", false},
      {"", false},
      {"abc", false},
      {"C:\\dir\\file.avi", false},
  };
  for (const auto& c : cases) EXPECT_EQ(IsUrl(c.first), c.second) << c.first;
}

TEST(TextUtils, PathPartsSplitAtLastBackslashAndDot) {
  struct Case {
    const char* path;
    const char* fileName;
    const char* directory;
    const char* extension;
  };
  const Case cases[] = {
      {"C:\\a\\b.txt", "b.txt", "C:\\a", "txt"},
      {"b.tar.gz", "b.tar.gz", "", "gz"},
      {"C:\\a\\", "", "C:\\a", ""},
      {"\\x", "x", "", ""},
      {"C:\\dir.d\\name", "name", "C:\\dir.d", ""},
      {"file.", "file.", "", ""},
      {".hidden", ".hidden", "", "hidden"},
      {"", "", "", ""},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(FileNameOfPath(c.path), c.fileName) << c.path;
    EXPECT_EQ(DirectoryOfPath(c.path), c.directory) << c.path;
    EXPECT_EQ(ExtensionOfPath(c.path), c.extension) << c.path;
  }
}

TEST(TextUtils, ExtensionInListMatchesWholeExtensionsWithoutCase) {
  struct Case {
    const char* path;
    const char* list;
    bool expected;
  };
  const Case cases[] = {
      {"x.JPG", "jpg,png,", true},  {"C:\\a\\x.png", "JPG,PNG,", true},
      {"x.png", "jpg,png", true},    // last entry without its comma
      {"x.png", "jpg, png,", true},  // blanks around entries
      {"x.pg", "jpg,", false},       // the tail of a listed extension
      {"x.jp", "jpg,", false},      {"x.gif", "jpg,png,", false},
      {"x", "jpg,", false},         {"x.", "jpg,,", false},  // an empty extension is never listed
      {"x.jpg", "", false},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ExtensionInList(c.path, c.list), c.expected) << c.path << " in " << c.list;
  }
}

TEST(TextUtils, PathWithoutQueryCutsAtTheFirstQuestionMark) {
  struct Case {
    const char* path;
    const char* cut;
  };
  const Case cases[] = {
      {"http://host/clip.wmv?id=1", "http://host/clip.wmv"},
      {"http://host/a.asf?x=1?y=2", "http://host/a.asf"},
      {"http://host/clip.wmv?", "http://host/clip.wmv"},
      {"C:\\media\\clip.wmv", "C:\\media\\clip.wmv"},
      {"?only", ""},
      {"", ""},
  };
  for (const Case& c : cases) EXPECT_EQ(PathWithoutQuery(c.path), c.cut) << c.path;
}

TEST(TextUtils, CombinePathJoinsFolderAndName) {
  struct Case {
    const char* folder;
    const char* name;
    const char* expected;
  };
  const Case cases[] = {
      {"C:\\a", "\\b", "C:\\b"},    {"C:\\a", "b", "C:\\a\\b"},
      {"C:\\a\\", "b", "C:\\a\\b"}, {"", "b", "b"},
      {"C:\\a", "D:\\b", "D:\\b"},  {"\\\\srv\\share", "\\b", "\\b"},
      {"a", "\\b", "\\b"},          {"C:", "b", "C:\\b"},
      {"C:\\a", "", "C:\\a\\"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(CombinePath(c.folder, c.name), c.expected) << c.folder << " + " << c.name;
  }
}

TEST(TextUtils, EqualsAndStartsWithIgnoreCase) {
  EXPECT_TRUE(EqualsNoCase("Hello", "hELLO"));
  EXPECT_TRUE(EqualsNoCase("", ""));
  EXPECT_FALSE(EqualsNoCase("abc", "abd"));
  EXPECT_FALSE(EqualsNoCase("a", ""));
  EXPECT_FALSE(EqualsNoCase("abc", "ab"));

  EXPECT_TRUE(StartsWithNoCase("@CAM:Name", "@cam:"));
  EXPECT_TRUE(StartsWithNoCase("abc", "ABC"));
  EXPECT_TRUE(StartsWithNoCase("abc", ""));
  EXPECT_FALSE(StartsWithNoCase("ab", "abc"));
  EXPECT_FALSE(StartsWithNoCase("", "a"));
  EXPECT_FALSE(StartsWithNoCase("abc", "abd"));
}

TEST(TextUtils, FormatDurationShowsHoursFromOneHourOn) {
  const std::pair<int64_t, const char*> cases[] = {
      {0, "00:00"},
      {59, "00:59"},
      {60, "01:00"},
      {3599, "59:59"},
      {3600, "01:00:00"},
      {3661, "01:01:01"},
      {59 * 3600 + 3599, "59:59:59"},
      {61 * 3600, "61:00:00"},
      {100 * 3600 + 61, "100:01:01"},
      {-5, "00:00"},
      {INT64_MIN, "00:00"},
      {INT64_MAX, "2562047788015215:30:07"},
  };
  for (const auto& c : cases) EXPECT_EQ(FormatDuration(c.first), c.second) << c.first;
}

TEST(TextUtils, FormatDurationMsUsesWholeSeconds) {
  EXPECT_EQ(FormatDurationMs(3661999), "01:01:01");
  EXPECT_EQ(FormatDurationMs(999), "00:00");
  EXPECT_EQ(FormatDurationMs(-1000), "00:00");
}

TEST(TextUtils, FormatSizeUsesDecimalUnitsRoundedDown) {
  const std::pair<int64_t, const char*> cases[] = {
      {999999, "999KB"}, {1000000, "1MB"}, {999, "999B"}, {0, "0B"},
      {1000, "1KB"},     {1999999, "1MB"}, {-1, "0B"},    {5000000000000, "5000000MB"},
  };
  for (const auto& c : cases) EXPECT_EQ(FormatSize(c.first), c.second) << c.first;
}
