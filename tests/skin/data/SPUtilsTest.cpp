// The value routines of the skin file format: rectangle arithmetic, the coordinate-text
// parsers and the skin-ini readers and writers.
#include <gtest/gtest.h>

#include <chrono>

#include "skin/data/SPUtils.h"

TEST(SkinValues, RectangleAndPointPredicates) {
  EXPECT_EQ(7, IntMax(3, 7));
  EXPECT_EQ(7, IntMax(7, 3));
  EXPECT_EQ(3, IntMin(3, 7));
  EXPECT_EQ(-4, IntMin(-4, -4));
  EXPECT_EQ(-5, RectWidth(TRect(10, 0, 5, 0)));  // may be negative
  EXPECT_EQ(8, RectHeight(TRect(0, 2, 0, 10)));
  EXPECT_EQ(TRect(0, 0, 0, 0), NullRect());

  struct NullCase {
    TRect r;
    bool null;
  };
  for (const NullCase& c : {NullCase{TRect(5, 5, 5, 10), true}, NullCase{TRect(0, 0, 1, 1), false},
                            NullCase{TRect(0, 0, 3, 0), true}, NullCase{TRect(4, 4, 2, 9), true}})
    EXPECT_EQ(c.null, IsNullRect(c.r)) << c.r.Left << "," << c.r.Top << "," << c.r.Right;
  EXPECT_TRUE(IsNullPoint(TPoint(0, 5)));
  EXPECT_TRUE(IsNullPoint(TPoint(5, 0)));
  EXPECT_FALSE(IsNullPoint(TPoint(1, 1)));
  EXPECT_TRUE(RectsEqual(TRect(1, 2, 3, 4), TRect(1, 2, 3, 4)));
  EXPECT_FALSE(RectsEqual(TRect(1, 2, 3, 4), TRect(1, 2, 3, 5)));

  const TRect r(10, 10, 20, 20);
  EXPECT_TRUE(PointInRect(r, TPoint(20, 20)));  // right and bottom edges inside
  EXPECT_TRUE(PointInRect(r, TPoint(10, 10)));
  EXPECT_FALSE(PointInRect(r, TPoint(21, 15)));
  EXPECT_FALSE(RectInRect(r, r));  // the bottom-right corner is outside by PtInRect
  EXPECT_TRUE(RectInRect(TRect(11, 11, 19, 19), r));
  EXPECT_FALSE(RectInRect(TRect(11, 11, 20, 19), r));
}

TEST(SkinValues, ParsersKeepOnlyDigitsAndCommas) {
  struct Case {
    const char* text;
    TRect rect;
  };
  const Case rects[] = {
      {"10, 20 ,30,40", TRect(10, 20, 30, 40)},
      {"-5,0,8,9", TRect(5, 0, 8, 9)},       // the minus sign is dropped
      {"1a2,b3,4c,d5", TRect(12, 3, 4, 5)},  // so are letters
      {"1,2,3,4,5,6", TRect(1, 2, 3, 4)},    // fields past the fourth are ignored
      {"0,0,2147483647,0", TRect(0, 0, 2147483647, 0)},
  };
  for (const Case& c : rects) EXPECT_EQ(c.rect, ParseRect(c.text)) << c.text;
  EXPECT_EQ(TPoint(3, 4), ParsePoint(" 3 , -4 "));
  EXPECT_EQ(TPoint(7, 8), ParsePoint("7,8,9"));

  // A field without a digit is the framework's conversion error with the empty text.
  for (const char* text : {"1,2", "1,2,,4", "", "1,2,3,", "x,y,z,w", "1,2,3,99999999999"}) {
    try {
      ParseRect(text);
      ADD_FAILURE() << text << " parsed";
    } catch (const EConvertError& e) {
      if (std::string(text) != "1,2,3,99999999999")
        EXPECT_EQ("'' is not a valid integer value", e.Message) << text;
    }
  }
  EXPECT_THROW(ParsePoint("12"), EConvertError);
  EXPECT_THROW(ParsePoint(","), EConvertError);
}

TEST(SkinValues, ReadersGiveDefaultsForMissingKeys) {
  TMemIniFile ini;
  ini.SetText(
      "[S]\r\nrect=1,2,3,4\r\npoint=5,6\r\nshort=1,2\r\none=1\r\ntwo=2\r\nword=true\r\n"
      "empty=\r\nstyles=fsbold,fsitalic\r\nrun=fsitalicfsbold\r\nupper=FSBOLD\r\n"
      "all=fsstrikeout fsunderline fsbold fsitalic\r\ncentre=tacenter\r\nleft=taleftjustify\r\n"
      "shout=TACENTER\r\nright=tarightjustify\r\n");
  EXPECT_EQ(TRect(1, 2, 3, 4), ReadRect(&ini, "S", "rect"));
  EXPECT_EQ(TRect(), ReadRect(&ini, "S", "missing"));
  EXPECT_EQ(TRect(), ReadRect(&ini, "Missing", "rect"));
  EXPECT_EQ(TPoint(5, 6), ReadPoint(&ini, "S", "point"));
  EXPECT_EQ(TPoint(), ReadPoint(&ini, "S", "missing"));
  EXPECT_THROW(ReadRect(&ini, "S", "short"), EConvertError);
  EXPECT_THROW(ReadRect(&ini, "S", "empty"), EConvertError);  // present but empty

  EXPECT_TRUE(ReadBoolean(&ini, "S", "one"));
  EXPECT_FALSE(ReadBoolean(&ini, "S", "two"));
  EXPECT_FALSE(ReadBoolean(&ini, "S", "word"));
  EXPECT_FALSE(ReadBoolean(&ini, "S", "missing"));

  struct StyleCase {
    const char* key;
    TFontStyles styles;
  };
  for (const StyleCase& c :
       {StyleCase{"styles", {fsBold, fsItalic}}, StyleCase{"run", {fsBold, fsItalic}},
        StyleCase{"upper", {}}, StyleCase{"missing", {}},
        StyleCase{"all", {fsBold, fsItalic, fsUnderline, fsStrikeOut}}})
    EXPECT_EQ(c.styles, ReadFontStyles(&ini, "S", c.key)) << c.key;

  struct AlignCase {
    const char* key;
    TAlignment alignment;
  };
  for (const AlignCase& c :
       {AlignCase{"centre", taCenter}, AlignCase{"missing", taCenter},
        AlignCase{"left", taLeftJustify}, AlignCase{"shout", taRightJustify},
        AlignCase{"right", taRightJustify}, AlignCase{"empty", taRightJustify}})
    EXPECT_EQ(c.alignment, ReadAlignment(&ini, "S", c.key)) << c.key;
}

TEST(SkinValues, StringAndCountListsKeepGapsAndStopAfterTheLastKeyOfHugeCounts) {
  TMemIniFile ini;
  ini.SetText(
      "[S]\r\nsymbolslinecount=3\r\nsymbolsline0=abc\r\nSYMBOLSLINE2=ghi\r\n"
      "hugelinecount=2147483647\r\nhugeline0=first\r\nhugeline5=sixth\r\nhugeline007=padded\r\n"
      "negativelinecount=-3\r\nhugeline99999999999=far\r\n"
      "[P]\r\nactivepicturescount=2\r\n0=a.bmp\r\n"
      "[Q]\r\ncount=2147483647\r\n1=b\r\n3=d\r\n");
  TStringList list;
  list.Add("kept");
  ReadStrings(&ini, "S", "symbols", &list);  // the list is not cleared first
  EXPECT_EQ("kept\r\nabc\r\n\r\nghi\r\n", list.GetText());

  // A count far beyond the keys: entries up to the last key present, gaps kept empty.
  const auto start = std::chrono::steady_clock::now();
  TStringList huge;
  ReadStrings(&ini, "S", "huge", &huge);
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2));
  ASSERT_EQ(6, huge.GetCount());
  EXPECT_EQ("first", huge.Get(0));
  EXPECT_EQ("", huge.Get(4));
  EXPECT_EQ("sixth", huge.Get(5));

  TStringList none;
  ReadStrings(&ini, "S", "negative", &none);
  ReadStrings(&ini, "S", "missing", &none);
  EXPECT_EQ(0, none.GetCount());

  TStringList pictures;
  ReadCountList(&ini, "P", "activepictures", &pictures);
  EXPECT_EQ("a.bmp\r\n\r\n", pictures.GetText());  // a small count keeps its missing entries
  TStringList entries;
  ReadCountList(&ini, "Q", "", &entries);
  EXPECT_EQ("\r\nb\r\n\r\nd\r\n", entries.GetText());

  EXPECT_EQ(0, SkinListLength(&ini, "Q", "", 0));
  EXPECT_EQ(kSkinListFullCount, SkinListLength(&ini, "Q", "", kSkinListFullCount));
  EXPECT_EQ(4, SkinListLength(&ini, "Q", "", kSkinListFullCount + 1));
}

TEST(SkinValues, WritersUseTheReadersNotation) {
  TMemIniFile ini;
  WriteRect(&ini, "S", "rect", TRect(-1, 2, 3, 4));
  WritePoint(&ini, "S", "point", TPoint(7, -8));
  WriteBoolean(&ini, "S", "yes", true);
  WriteBoolean(&ini, "S", "no", false);
  WriteFontStyles(&ini, "S", "styles", TFontStyles{fsStrikeOut, fsBold, fsUnderline});
  WriteFontStyles(&ini, "S", "none", TFontStyles{});
  WriteAlignment(&ini, "S", "l", taLeftJustify);
  WriteAlignment(&ini, "S", "r", taRightJustify);
  WriteAlignment(&ini, "S", "c", taCenter);
  TStringList lines;
  lines.SetText("one\r\n\r\nthree\r\n");
  WriteStrings(&ini, "S", "symbols", &lines);

  EXPECT_EQ("-1,2,3,4", ini.ReadString("S", "rect", ""));
  EXPECT_EQ(TRect(1, 2, 3, 4),
            ReadRect(&ini, "S", "rect"));  // negative coordinates come back positive
  EXPECT_EQ(TPoint(7, 8), ReadPoint(&ini, "S", "point"));
  EXPECT_EQ("1", ini.ReadString("S", "yes", ""));
  EXPECT_EQ("0", ini.ReadString("S", "no", ""));
  EXPECT_EQ("fsbold,fsunderline,fsstrikeout", ini.ReadString("S", "styles", ""));
  EXPECT_TRUE(ini.ValueExists("S", "none"));
  EXPECT_EQ("", ini.ReadString("S", "none", "x"));
  EXPECT_EQ("taleftjustify", ini.ReadString("S", "l", ""));
  EXPECT_EQ("tarightjustify", ini.ReadString("S", "r", ""));
  EXPECT_EQ("tacenter", ini.ReadString("S", "c", ""));
  EXPECT_EQ("3", ini.ReadString("S", "symbolslinecount", ""));
  EXPECT_EQ("three", ini.ReadString("S", "symbolsline2", ""));
  TStringList back;
  ReadStrings(&ini, "S", "symbols", &back);
  EXPECT_TRUE(back.Equals(&lines));
}
