// The run-time library's texts, numbers, dates and command line.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "framework/SysUtils.h"

namespace {

// Formatting settings of a US locale for the duration of a test.
class FormatSettingsFixture : public ::testing::Test {
 protected:
  void SetUp() override {
    saved_ = FormatSettings;
    FormatSettings = TFormatSettings();
  }
  void TearDown() override { FormatSettings = saved_; }
  TFormatSettings saved_;
};

using FormatTest = FormatSettingsFixture;
using DateTimeTextTest = FormatSettingsFixture;

}  // namespace

TEST_F(FormatTest, SpecifiersAsTheProgramUsesThem) {
  int dummy = 0;
  struct Case {
    const char* format;
    std::vector<TVarRec> args;
    const char* expected;
  };
  const AnsiString text = "abc";
  const Case cases[] = {
      {"%d", {42}, "42"},
      {"%d", {-42}, "-42"},
      {"%5d|%-5d|", {42, 42}, "   42|42   |"},
      {"%2.2d:%2.2d:%2.2d", {1, 2, 5}, "01:02:05"},
      {"%.3d", {-5}, "-005"},
      {"%d", {int64_t{-9007199254740993}}, "-9007199254740993"},
      {"%x", {255}, "FF"},
      {"%x", {-1}, "FFFFFFFF"},
      {"%.4x", {10}, "000A"},
      {"%x", {int64_t{-1}}, "FFFFFFFFFFFFFFFF"},
      {"%u", {-1}, "4294967295"},
      {"%s", {text}, "abc"},
      {"%.2s|%5s", {text, "ab"}, "ab|   ab"},
      {"%s%s", {'x', "y"}, "xy"},
      {"100%%", {}, "100%"},
      {"%.1f", {1.25}, "1.3"},  // halves away from zero on the decimal digits
      {"%.1f", {0.05}, "0.1"},
      {"%.2f", {2.675}, "2.67"},  // 2.67499999... in binary
      {"%f", {1.0}, "1.00"},
      {"%.0f", {2.5}, "3"},
      {"%.1f %%", {45.67}, "45.7 %"},
      {"%.1f", {99.96}, "100.0"},
      {"%.2n b", {1023.0}, "1,023.00 b"},
      {"%.2n", {1234567.891}, "1,234,567.89"},
      {"%n", {-1234.5}, "-1,234.50"},
      {"%.2n Kb", {0.999}, "1.00 Kb"},
      {"%.2n", {999999.999}, "1,000,000.00"},
      {"%e", {1234.5}, "1.23450000000000E+003"},
      {"%.3e", {-0.00012345}, "-1.23E-004"},
      {"%g", {1e20}, "1E20"},
      {"%g", {0.5}, "0.5"},
      {"%g", {1e-5}, "1E-5"},
      {"%1:s %0:s %s", {"a", "b"}, "b a b"},
      {"%*d|%-*d|", {4, 7, 3, 8}, "   7|8  |"},
      {"%.*f", {1, 2.25}, "2.3"},
      {"spSkin%d", {2}, "spSkin2"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(c.expected, Format(c.format, c.args.data(), c.args.size())) << c.format;
  }
  (void)dummy;
  EXPECT_EQ(16u, Format("%p", {static_cast<const void*>(&dummy)}).size() * (sizeof(void*) == 8));
}

TEST_F(FormatTest, UsesTheDecimalAndThousandSeparators) {
  FormatSettings.DecimalSeparator = ',';
  FormatSettings.ThousandSeparator = '.';
  EXPECT_EQ("1.234,50", Format("%.2n", {1234.5}));
  EXPECT_EQ("0,5", FloatToStr(0.5));
  EXPECT_EQ(0.25, StrToFloat("0,25"));
  FormatSettings.ThousandSeparator = '\0';
  EXPECT_EQ("1234,50", Format("%.2n", {1234.5}));
}

TEST_F(FormatTest, BadFormatsAndArgumentsRaiseConvertErrors) {
  struct Case {
    const char* format;
    std::vector<TVarRec> args;
    const char* message;
  };
  const Case cases[] = {
      {"%d", {"x"}, "Format '%d' invalid or incompatible with argument"},
      {"%s", {1}, "Format '%s' invalid or incompatible with argument"},
      {"%f", {1}, "Format '%f' invalid or incompatible with argument"},
      {"%s %s", {"a"}, "No argument for format '%s %s'"},
      {"50%", {}, "Format '50%' invalid or incompatible with argument"},
      {"%y", {1}, "Format '%y' invalid or incompatible with argument"},
      {"%-", {1}, "Format '%-' invalid or incompatible with argument"},
      {"%9:d", {1}, "No argument for format '%9:d'"},
  };
  for (const Case& c : cases) {
    try {
      Format(c.format, c.args.data(), c.args.size());
      ADD_FAILURE() << "no error for " << c.format;
    } catch (const EConvertError& e) {
      EXPECT_EQ(c.message, e.Message);
    }
  }
}

TEST(SysUtils, RoundHalvesToEvenAndTruncCutsTowardsZero) {
  const std::pair<double, int64_t> rounds[] = {
      {0.5, 0},   {1.5, 2},   {2.5, 2},   {3.5, 4},   {-0.5, 0}, {-1.5, -2},
      {-2.5, -2}, {2.4999, 2}, {2.6, 3},  {-2.6, -3}, {0, 0},    {4503599627370497.0, 4503599627370497}};
  for (const auto& r : rounds) EXPECT_EQ(r.second, Round(r.first)) << r.first;
  EXPECT_EQ(-2, Trunc(-2.7));
  EXPECT_EQ(2, Trunc(2.7));
  EXPECT_NEAR(0.25, Frac(3.25), 1e-12);
  EXPECT_EQ(INT64_MIN, Round(-9223372036854775808.0));
  for (double bad : {std::nan(""), 1e19, -1e19, std::numeric_limits<double>::infinity()}) {
    EXPECT_THROW(Round(bad), EInvalidOp);
    EXPECT_THROW(Trunc(bad), EInvalidOp);
  }
}

TEST(SysUtils, IntegerTextsReadAsTheFrameworkReadsThem) {
  const std::pair<const char*, int> good[] = {
      {"42", 42},          {" 42", 42},  {"-7", -7},         {"+7", 7},
      {"$1F", 31},         {"0x1f", 31}, {"0X1F", 31},       {"x10", 16},
      {"$FFFFFFFF", -1},   {"-$10", -16}, {"2147483647", 2147483647},
      {"-2147483648", INT32_MIN}, {"007", 7}};
  for (const auto& g : good) {
    EXPECT_EQ(g.second, StrToInt(g.first)) << g.first;
    EXPECT_EQ(g.second, StrToIntDef(g.first, 99)) << g.first;
  }
  const char* bad[] = {"", " ", "42 ", "4 2", "2147483648", "-2147483649", "abc", "0x",
                       "$",  "1e3", "--1", "$100000000", "\t1"};
  for (const char* b : bad) {
    EXPECT_EQ(-5, StrToIntDef(b, -5)) << b;
    try {
      StrToInt(b);
      ADD_FAILURE() << "accepted " << b;
    } catch (const EConvertError& e) {
      EXPECT_EQ("'" + AnsiString(b) + "' is not a valid integer value", e.Message);
    }
  }
  EXPECT_EQ(-5, StrToIntDef(AnsiString("1\0" "2", 3), -5));  // a NUL inside is no digit
  EXPECT_EQ(int64_t{9223372036854775807}, StrToInt64("9223372036854775807"));
  EXPECT_EQ(INT64_MIN, StrToInt64("-9223372036854775808"));
  EXPECT_EQ(-1, StrToInt64("$FFFFFFFFFFFFFFFF"));
  EXPECT_EQ(4294967295, StrToInt64("$FFFFFFFF"));
  EXPECT_THROW(StrToInt64("9223372036854775808"), EConvertError);
}

TEST(SysUtils, NumbersAsTexts) {
  EXPECT_EQ("-9223372036854775808", IntToStr(INT64_MIN));
  EXPECT_EQ("00FF", IntToHex(255, 4));
  EXPECT_EQ("1234", IntToHex(0x1234, 2));
  EXPECT_EQ("0", IntToHex(0, 0));
  EXPECT_EQ("FFFFFFFF", IntToHex(-1, 2));
  EXPECT_EQ("FFFFFFFFFFFFFFFF", IntToHex(-1, 16));
  EXPECT_EQ("4200", IntToHex(0x4200 & 0xFFFF, 4));
  const std::pair<double, const char*> floats[] = {
      {0.1, "0.1"},  {1.5, "1.5"},     {-2.0, "-2"},   {1e20, "1E20"},
      {1e15, "1E15"}, {123456789012345.0, "123456789012345"}, {0.0001, "0.0001"},
      {1.0 / 3, "0.333333333333333"}, {0, "0"}};
  for (const auto& f : floats) EXPECT_EQ(f.second, FloatToStr(f.first)) << f.first;
  EXPECT_EQ(1.5, StrToFloat(" 1.5 "));
  EXPECT_EQ(-2e3, StrToFloat("-2E3"));
  for (const char* bad : {"", "1.5x", "1..5", ".", "e3", "1e", "1,5", "inf", "nan"})
    EXPECT_EQ(7.0, StrToFloatDef(bad, 7.0)) << bad;
  EXPECT_THROW(StrToFloat("x"), EConvertError);
  EXPECT_EQ("True", BoolToStr(true, true));
  EXPECT_EQ("-1", BoolToStr(true));
}

TEST(SysUtils, PositionsCountFromOneAndStayInsideTheText) {
  EXPECT_EQ(0, Pos("", "abc"));
  EXPECT_EQ(3, Pos("c", "abc"));
  EXPECT_EQ(0, Pos("x", "abc"));
  EXPECT_EQ(4, PosEx("a", "abca", 2));
  EXPECT_EQ(0, PosEx("a", "abca", 5));
  EXPECT_EQ(0, PosEx("a", "abca", 0));
  struct CopyCase {
    int index, count;
    const char* expected;
  };
  for (const CopyCase& c : {CopyCase{1, 2, "ab"}, CopyCase{0, 2, "ab"}, CopyCase{-5, 1, "a"},
                            CopyCase{3, 5, "c"}, CopyCase{4, 1, ""}, CopyCase{2, -1, ""},
                            CopyCase{2, 0, ""}, CopyCase{1, INT32_MAX, "abc"}})
    EXPECT_EQ(c.expected, Copy("abc", c.index, c.count)) << c.index << "," << c.count;
  struct DeleteCase {
    int index, count;
    const char* expected;
  };
  for (const DeleteCase& c : {DeleteCase{2, 10, "a"}, DeleteCase{0, 1, "abc"},
                              DeleteCase{4, 1, "abc"}, DeleteCase{1, 1, "bc"},
                              DeleteCase{2, -1, "abc"}}) {
    AnsiString s = "abc";
    Delete(s, c.index, c.count);
    EXPECT_EQ(c.expected, s) << c.index << "," << c.count;
  }
  for (const auto& c : {std::make_pair(1, "Xabc"), std::make_pair(0, "Xabc"),
                        std::make_pair(3, "abXc"), std::make_pair(4, "abcX"),
                        std::make_pair(99, "abcX")}) {
    AnsiString s = "abc";
    Insert("X", s, c.first);
    EXPECT_EQ(c.second, s) << c.first;
  }
  EXPECT_EQ(4, LastDelimiter("\\.", "a\\b.c"));
  EXPECT_EQ(0, LastDelimiter("/", "abc"));
}

TEST(SysUtils, TextFunctions) {
  EXPECT_EQ("x", Trim(" \t x \r\n"));
  EXPECT_EQ("x \n", TrimLeft("\n x \n"));
  EXPECT_EQ("", Trim("  "));
  EXPECT_EQ("ABC\xE9", UpperCase("abc\xE9"));
  EXPECT_EQ("bAb", StringReplace("aAa", "a", "b", {rfReplaceAll}));
  EXPECT_EQ("bbb", StringReplace("aAa", "a", "b", {rfReplaceAll, rfIgnoreCase}));
  EXPECT_EQ("bAa", StringReplace("aAa", "a", "b", {}));
  EXPECT_EQ("x<BR>y", StringReplace("x<br>y", "<BR>", "<BR>", {rfReplaceAll, rfIgnoreCase}));
  EXPECT_EQ("aaaa", StringReplace("aa", "a", "aa", {rfReplaceAll}));
  EXPECT_EQ("abc", StringReplace("abc", "", "x", {rfReplaceAll}));
  EXPECT_EQ("'it''s'", QuotedStr("it's"));
  EXPECT_EQ("it's", AnsiDequotedStr("'it''s'", '\''));
  EXPECT_EQ("'a'b", AnsiDequotedStr("'a'b", '\''));
  EXPECT_EQ("'", AnsiDequotedStr("'", '\''));
  size_t pos = 0;
  EXPECT_EQ("ab\"c", AnsiExtractQuotedStr("\"ab\"\"c\"d", pos, '"'));
  EXPECT_EQ(7u, pos);
  pos = 0;
  EXPECT_EQ("open", AnsiExtractQuotedStr("\"open", pos, '"'));  // no closing quote
  EXPECT_EQ(5u, pos);
  EXPECT_TRUE(SameText("Tfrm", "TFRM"));
  EXPECT_FALSE(SameText("a", "ab"));
  EXPECT_LT(CompareText("abc", "ABD"), 0);
  EXPECT_GT(CompareStr("b", "a"), 0);
  EXPECT_TRUE(AnsiSameText("Caption", "CAPTION"));
  EXPECT_TRUE(IsValidIdent("btnOK_1"));
  for (const char* bad : {"", "1a", "a b", "a.b", "\xE9"}) EXPECT_FALSE(IsValidIdent(bad)) << bad;
  EXPECT_EQ("---", StringOfChar('-', 3));
  EXPECT_EQ("", StringOfChar('-', -3));
}

TEST(SysUtils, Utf8RoundTripsAndReplacesBrokenBytes) {
  WideString wide = L"a\u00E9\u20AC";
  wide += static_cast<wchar_t>(0xD83D);  // U+1F600 as UTF-16 on Windows
  if (sizeof(wchar_t) == 2) {
    wide += static_cast<wchar_t>(0xDE00);
  } else {
    wide.back() = static_cast<wchar_t>(0x1F600);
  }
  AnsiString utf8 = UTF8Encode(wide);
  EXPECT_EQ("a\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80", utf8);
  EXPECT_EQ(wide, UTF8Decode(utf8));
  WideString broken = UTF8Decode("\xC3" "a\x80\xF0\x9F");
  EXPECT_EQ((WideString{0xFFFD, L'a', 0xFFFD, 0xFFFD}), broken);
  EXPECT_EQ(L"abc", AnsiToWide("abc"));
  EXPECT_EQ("abc", WideToAnsi(L"abc"));
}

TEST(SysUtils, ExceptionsCarryTheirMessages) {
  try {
    throw EConvertError("'%s' is not a valid integer value", {"x"});
  } catch (const Exception& e) {
    EXPECT_EQ("'x' is not a valid integer value", e.Message);
    EXPECT_STREQ("'x' is not a valid integer value", e.what());
  }
  try {
    Abort();
  } catch (const EAbort& e) {
    EXPECT_EQ("Operation aborted", e.Message);
  }
  try {
    RaiseLastOSError(2);
  } catch (const EOSError& e) {
    EXPECT_EQ(2u, e.ErrorCode);
    EXPECT_EQ(0, e.Message.find("System Error.  Code: 2.\r\n"));
    EXPECT_GT(e.Message.size(), 25u);
  }
  EXPECT_FALSE(SysErrorMessage(2).empty());
  EXPECT_NE('.', SysErrorMessage(2).back());
}

TEST(SysUtils, DatesCountDaysFrom18991230) {
  EXPECT_EQ(0, EncodeDate(1899, 12, 30));
  EXPECT_EQ(36526, EncodeDate(2000, 1, 1));
  EXPECT_EQ(-693593, EncodeDate(1, 1, 1));
  EXPECT_EQ(2958465, EncodeDate(9999, 12, 31));
  EXPECT_DOUBLE_EQ(0.75, EncodeTime(18, 0, 0, 0));
  int y, m, d, h, n, s, ms;
  DecodeDate(-1.25, y, m, d);
  DecodeTime(-1.25, h, n, s, ms);
  EXPECT_EQ((std::vector<int>{1899, 12, 29, 6, 0, 0, 0}), (std::vector<int>{y, m, d, h, n, s, ms}));
  // A time a hair before midnight rounds to the next day, never to 24:00.
  DecodeDate(EncodeDate(2024, 2, 28) + 0.9999999999, y, m, d);
  DecodeTime(EncodeDate(2024, 2, 28) + 0.9999999999, h, n, s, ms);
  EXPECT_EQ((std::vector<int>{2024, 2, 29, 0, 0, 0, 0}), (std::vector<int>{y, m, d, h, n, s, ms}));
  for (int year : {1, 1600, 1899, 1900, 2000, 2024, 2100, 9999}) {
    for (int month = 1; month <= 12; ++month) {
      TDateTime date = EncodeDate(year, month, 28);
      // Before 1899-12-30 the fraction counts forward from the day too: -1.25 is 06:00.
      DecodeDate(date + (date >= 0 ? 0.5 : 0.0), y, m, d);
      EXPECT_EQ((std::vector<int>{year, month, 28}), (std::vector<int>{y, m, d}));
    }
  }
  EXPECT_EQ(5, DayOfWeek(EncodeDate(2026, 12, 10)));  // a Thursday
  EXPECT_EQ(7, DayOfWeek(0));
  EXPECT_EQ(6, DayOfWeek(-1));
  EXPECT_TRUE(IsLeapYear(2000));
  EXPECT_FALSE(IsLeapYear(1900));
  TDateTime out;
  EXPECT_FALSE(TryEncodeDate(2023, 2, 29, out));
  EXPECT_FALSE(TryEncodeDate(0, 1, 1, out));
  EXPECT_FALSE(TryEncodeTime(24, 0, 0, 0, out));
  EXPECT_THROW(EncodeDate(2023, 13, 1), EConvertError);
  EXPECT_THROW(EncodeTime(1, 60, 0, 0), EConvertError);
  EXPECT_THROW(DecodeDate(1e300, y, m, d), EConvertError);
  TDateTime now = Now();
  EXPECT_GT(now, EncodeDate(2020, 1, 1));
  EXPECT_LE(Date(), now);
  EXPECT_EQ(Trunc(Date()), Date());
}

TEST_F(DateTimeTextTest, PatternsTheProgramUses) {
  TDateTime t = EncodeDate(2026, 12, 10) + EncodeTime(17, 5, 9, 45);
  const std::pair<const char*, const char*> cases[] = {
      {"yyyymmdd", "20261210"},
      {"ss", "09"},
      {"zzz", "045"},
      {"sszzz", "09045"},
      {"s.z", "9.45"},
      {"hh:nn:ss", "17:05:09"},
      {"h:mm", "17:05"},  // "m" right after an hour means minutes
      {"yyyy-mm-dd hh:mm:ss.zzz", "2026-12-10 17:05:09.045"},
      {"d/m/yy", "10/12/26"},
      {"ddd dddd", "Thu Thursday"},
      {"mmm mmmm", "Dec December"},
      {"h:nn am/pm", "5:05 pm"},
      {"hh AM/PM", "05 PM"},
      {"h a/p", "5 p"},
      {"hh ampm", "05 PM"},
      {"'yyyy' yyyy", "yyyy 2026"},
      {"\"h\"h", "h17"},
      {"c", "12/10/2026 5:05:09 PM"},
      {"tt", "5:05:09 PM"},
      {"t", "5:05 PM"},
      {"ddddd", "12/10/2026"},
      {"dddddd", "Thursday, December 10, 2026"},
      {"'open", "open"},
      {"x", "x"},
  };
  for (const auto& c : cases) EXPECT_EQ(c.second, FormatDateTime(c.first, t)) << c.first;
  EXPECT_EQ("12/10/2026", FormatDateTime("c", EncodeDate(2026, 12, 10)));  // no time at midnight
  EXPECT_EQ("12 AM", FormatDateTime("h ampm", EncodeDate(2026, 12, 10)));
  EXPECT_EQ("12/10/2026 5:05:09 PM", DateTimeToStr(t));
  EXPECT_EQ("12/10/2026", DateToStr(t));
}

TEST_F(DateTimeTextTest, TimeToStrFollowsTheProcessWideTimeSeparatorAndFormat) {
  TDateTime t = EncodeTime(17, 5, 9, 0);
  EXPECT_EQ("5:05:09 PM", TimeToStr(t));
  FormatSettings.TimeSeparator = '_';  // what the download component sets for file names
  EXPECT_EQ("5_05_09 PM", TimeToStr(t));
  FormatSettings.LongTimeFormat = "hh:nn:ss";
  EXPECT_EQ("17_05_09", TimeToStr(t));
  FormatSettings.DateSeparator = '-';
  EXPECT_EQ("12-10-2026", DateToStr(EncodeDate(2026, 12, 10)));
}

TEST(SysUtils, CommandLineSwitches) {
  std::vector<AnsiString> params =
      SplitCommandLine("prog.exe  -a \"b c\" d\"e f\"g \"\" /QUIT\t-Install");
  EXPECT_EQ((std::vector<AnsiString>{"prog.exe", "-a", "b c", "de fg", "", "/QUIT", "-Install"}),
            params);
  EXPECT_TRUE(FindCmdLineSwitch(params, "quit"));
  EXPECT_TRUE(FindCmdLineSwitch(params, "install"));
  EXPECT_FALSE(FindCmdLineSwitch(params, "install", "-/", false));
  EXPECT_TRUE(FindCmdLineSwitch(params, "Install", "-/", false));
  EXPECT_FALSE(FindCmdLineSwitch(params, "qui"));
  EXPECT_FALSE(FindCmdLineSwitch(params, "prog.exe"));  // the program is no switch
  EXPECT_FALSE(FindCmdLineSwitch(params, "QUIT", "-"));
  EXPECT_TRUE(FindCmdLineSwitch(params, "b c", ""));
  EXPECT_TRUE(SplitCommandLine(" \t ").empty());
  EXPECT_EQ((std::vector<AnsiString>{"open quote"}), SplitCommandLine("\"open quote"));
  EXPECT_GE(ParamCount(), 0);
  EXPECT_FALSE(ParamStr(0).empty());
  EXPECT_EQ("", ParamStr(-1));
  EXPECT_EQ("", ParamStr(ParamCount() + 1));
}

TEST(SysUtils, RandomStaysInRange) {
  RandSeed = 12345;
  int counts[4] = {};
  for (int i = 0; i < 4000; ++i) {
    int r = Random(4);
    ASSERT_GE(r, 0);
    ASSERT_LT(r, 4);
    ++counts[r];
  }
  for (int c : counts) EXPECT_GT(c, 800);
  EXPECT_EQ(0, Random(0));
  EXPECT_EQ(0, Random(-3));
  double f = Random();
  EXPECT_GE(f, 0.0);
  EXPECT_LT(f, 1.0);
  RandSeed = 1;
  int first = Random(1000);
  RandSeed = 1;
  EXPECT_EQ(first, Random(1000));  // the same seed gives the same sequence
}
