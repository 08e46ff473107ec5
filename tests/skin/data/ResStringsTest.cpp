// The skin's resource texts: the default lines, lookups by name, replacing the lines, and
// the built-in texts of unit spconst.
#include <gtest/gtest.h>

#include "framework/TypInfo.h"
#include "skin/data/SkinResStrings.h"
#include "skin/data/spconst.h"

namespace {

struct TResStrings {
  TspResourceStrData* Data = new TspResourceStrData(nullptr);
  ~TResStrings() { Data->Free(); }
};

// The names the skinned parts ask for.
const char* const kAskedFor[] = {
    "MI_MINCAPTION",       "MI_MAXCAPTION",   "MI_RESTORECAPTION", "MI_ROLLUPCAPTION",
    "MI_MINTOTRAYCAPTION", "MI_CLOSECAPTION", "CLOSEBUTTON_HINT",  "MAXBUTTON_HINT",
    "MINBUTTON_HINT",      "MENUBUTTON_HINT", "ROLLUPBUTTON_HINT", "TRAYBUTTON_HINT",
    "EDIT_UNDO",           "EDIT_CUT",        "EDIT_COPY",         "EDIT_PASTE",
    "EDIT_DELETE",         "EDIT_SELECTALL",  "MSG_BTN_YES",       "MSG_BTN_NO",
    "MSG_BTN_OK",          "MSG_BTN_CANCEL",  "MSG_BTN_ABORT",     "MSG_BTN_RETRY",
    "MSG_BTN_IGNORE",      "MSG_BTN_ALL",     "MSG_BTN_NOTOALL",   "MSG_BTN_YESTOALL",
    "MSG_BTN_HELP",        "MSG_CAP_SHOWFLAG"};

}  // namespace

TEST(ResourceTexts, DefaultsHoldTheHundredAndTwentyLinesInOrder) {
  TResStrings r;
  TStrings* lines = r.Data->GetResStrings();
  ASSERT_EQ(120, lines->GetCount());
  EXPECT_EQ("MI_MINCAPTION=Mi&nimize", lines->Get(0));
  EXPECT_EQ("MSG_BTN_YES=&Yes", lines->Get(18));
  EXPECT_EQ("MSG_BTN_STRETCH_HINT=Stretch Picture", lines->Get(36));
  EXPECT_EQ("MSG_CAP_SHOWFLAG=Do not display this message again", lines->Get(51));
  EXPECT_EQ("FLV_LOOKIN=Look in: ", lines->Get(71));  // the trailing blank belongs to it
  EXPECT_EQ("FIND_REPLACE_All=Replace All", lines->Get(115));
  EXPECT_EQ("CUSTOMCOLOR=Custom...", lines->Get(119));
  EXPECT_EQ(1, r.Data->GetCharSet());
  for (int i = 0; i < lines->GetCount(); ++i)
    EXPECT_NE(AnsiString::npos, lines->Get(i).find('=')) << lines->Get(i);
  for (const char* name : kAskedFor) EXPECT_NE("", r.Data->GetResStr(name)) << name;
}

TEST(ResourceTexts, LookupsIgnoreCaseAndTakeEverythingAfterTheFirstEquals) {
  TResStrings r;
  struct Case {
    const char* name;
    const char* text;
  };
  for (const Case& c :
       {Case{"mi_closecaption", "&Close"}, Case{"MSG_LV_ICON", "Large icons"},
        Case{"FLV_LOOKIN", "Look in: "}, Case{"NOSUCHNAME", ""}, Case{"", ""}, Case{"MI_MIN", ""}})
    EXPECT_EQ(c.text, r.Data->GetResStr(c.name)) << c.name;

  TStringList replaced;
  replaced.SetText(
      "MSG_BTN_OK=a=b\r\nMI_MINCAPTION=first\r\nmi_mincaption=second\r\nno equals\r\n");
  r.Data->SetResStrings(&replaced);
  replaced.Clear();  // the component keeps its own copy
  EXPECT_EQ(4, r.Data->GetResStrings()->GetCount());
  EXPECT_EQ("a=b", r.Data->GetResStr("MSG_BTN_OK"));
  EXPECT_EQ("first", r.Data->GetResStr("MI_MINCAPTION"));
  EXPECT_EQ("", r.Data->GetResStr("EDIT_UNDO"));  // not the built-in text
  EXPECT_EQ("", r.Data->GetResStr("no equals"));
  r.Data->InitDefaults();
  EXPECT_EQ("Undo", r.Data->GetResStr("EDIT_UNDO"));
  r.Data->SetCharSet(204);
  EXPECT_EQ(204, r.Data->GetCharSet());
  EXPECT_TRUE(GetObjectProp(r.Data, "ResStrings") == r.Data->GetResStrings());
}

TEST(ResourceTexts, CharSetIsPublished) {
  TResStrings r;
  const TPropInfo* info = GetPropInfo(r.Data, "CharSet");
  ASSERT_NE(nullptr, info);
  EXPECT_EQ(tkInteger, info->Kind);
  EXPECT_EQ("TFontCharset", info->TypeName);
  EXPECT_EQ(1, GetOrdProp(r.Data, "charset"));
  SetOrdProp(r.Data, "CharSet", 204);
  EXPECT_EQ(204, r.Data->GetCharSet());
  EXPECT_THROW(SetOrdProp(r.Data, "CharSet", 256), EPropertyError);  // not a byte
  EXPECT_THROW(SetOrdProp(r.Data, "CharSet", -1), EPropertyError);
  EXPECT_EQ(204, r.Data->GetCharSet());
  EXPECT_THROW(GetStrProp(r.Data, "CharSet"), EPropertyError);
}

TEST(ResourceTexts, BuiltInTextsEqualTheDefaultLines) {
  TResStrings r;
  // Every built-in text is the default line of its name; 34 of the default lines have one.
  TStrings* lines = r.Data->GetResStrings();
  int withBuiltIn = 0;
  for (int i = 0; i < lines->GetCount(); ++i) {
    const AnsiString name = lines->GetName(i);
    const AnsiString builtIn = GetBuiltInResStr(name);
    if (builtIn.empty()) continue;
    ++withBuiltIn;
    EXPECT_EQ(r.Data->GetResStr(name), builtIn) << name;
  }
  EXPECT_EQ(34, withBuiltIn);
  for (const char* name : kAskedFor) EXPECT_NE("", GetBuiltInResStr(name)) << name;
  EXPECT_EQ(AnsiString(SP_MSG_CAP_SHOWFLAG), GetBuiltInResStr("MSG_CAP_SHOWFLAG"));
  EXPECT_EQ(AnsiString(SP_MSG_BTN_YESTOALL), GetBuiltInResStr("MSG_BTN_YESTOALL"));
  EXPECT_EQ(AnsiString(SP_MSG_CAP_CONFIRM), GetBuiltInResStr("MSG_CAP_CONFIRM"));
  EXPECT_EQ("&Close", GetBuiltInResStr("mi_closecaption"));
  EXPECT_EQ("", GetBuiltInResStr("MSG_BTN_OPEN"));  // a default line, but no built-in text
}

TEST(ResourceTexts, EffectiveTextIsTheResourceTextsAnswerElseTheBuiltInOne) {
  TResStrings r;
  TStringList lines;
  lines.SetText("MI_CLOSECAPTION=Schlie&ssen\r\nMSG_BTN_OK=\r\n");
  r.Data->SetResStrings(&lines);
  struct Case {
    const TspResourceStrData* texts;
    const char* name;
    const char* text;
  };
  const Case cases[] = {
      {nullptr, "MI_CLOSECAPTION", "&Close"},  // no texts: the built-in one
      {nullptr, "mi_mincaption", "Mi&nimize"},
      {nullptr, "MSG_BTN_OPEN", ""},  // no built-in text either
      {r.Data, "MI_CLOSECAPTION", "Schlie&ssen"},
      {r.Data, "MSG_BTN_OK", ""},  // the texts' empty one
      {r.Data, "EDIT_UNDO", ""},   // a name the texts lack: empty, not the built-in text
  };
  for (const Case& c : cases)
    EXPECT_EQ(c.text, GetEffectiveResStr(c.texts, c.name)) << c.name << (c.texts ? " with texts" : "");
}
