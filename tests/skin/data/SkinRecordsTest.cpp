// The control and object records: their type words, what each class reads from its own
// section, the adjustments after reading, and saving in the readers' notation.
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <vector>

#include "skin/data/SkinControlRecords.h"
#include "skin/data/SkinObjectRecords.h"
#include "tests/skin/data/SkinTestSupport.h"

namespace {

const char* const kControlWords[] = {
    "slider",      "bevel",      "panel",     "expanel",        "menubutton",
    "button",      "checkradio", "gauge",     "splitter",       "trackbar",
    "label",       "stdlabel",   "bitlabel",  "frameregulator", "framegauge",
    "animate",     "updown",     "switch",    "grid",           "tab",
    "mainmenubar", "controlbar", "memo",      "edit",           "checklistbox",
    "listbox",     "combobox",   "scrollbar", "spinedit",       "scrollbox",
    "treeview",    "listview",   "richedit"};
const char* const kObjectWords[] = {
    "menuitem", "mainmenubaritem", "mainmenuitem", "stdbutton",  "mainmenubarbutton", "button",
    "caption",  "trackbar",        "gauge",        "framegauge", "frameregulator",    "label",
    "bitlabel", "switch",          "animate",      "userobject"};

// A record of each kind, made by its type word.
struct TRecordKind {
  AnsiString Word;
  bool Control;
};

std::vector<TRecordKind> AllKinds() {
  std::vector<TRecordKind> kinds;
  for (const char* w : kControlWords) kinds.push_back({w, true});
  for (const char* w : kObjectWords) kinds.push_back({w, false});
  return kinds;
}

// A record that loads and saves, whichever family it belongs to.
struct TAnyRecord {
  std::unique_ptr<TspDataSkinControl> Control;
  std::unique_ptr<TspDataSkinObject> Object;

  static TAnyRecord Make(const TRecordKind& Kind, const AnsiString& Name) {
    TAnyRecord r;
    if (Kind.Control)
      r.Control = CreateControlRecord(Kind.Word, Name);
    else
      r.Object = CreateObjectRecord(Kind.Word, Name);
    return r;
  }
  TspSkinFieldOwner& Fields() {
    return Control ? static_cast<TspSkinFieldOwner&>(*Control) : *Object;
  }
  void Load(TCustomIniFile* Ini) { Control ? Control->LoadFromIni(Ini) : Object->LoadFromIni(Ini); }
  void Save(TCustomIniFile* Ini) { Control ? Control->SaveToIni(Ini) : Object->SaveToIni(Ini); }
  AnsiString ClassName() const { return Control ? Control->ClassName() : Object->ClassName(); }
};

// Gives every field a value of its own (within what its key can hold).
void FillDistinct(TspSkinFieldOwner& Record) {
  TspSkinFieldList list;
  Record.VisitFields(list);
  int i = 1;
  for (const TspSkinFieldList::TField& f : list.Fields()) {
    switch (f.Kind) {
      case TspSkinFieldList::fkInteger:
        *static_cast<int32_t*>(f.Place) = 100 + i;
        break;
      case TspSkinFieldList::fkBoolean:
        *static_cast<bool*>(f.Place) = i % 2 == 0;
        break;
      case TspSkinFieldList::fkRect:
        *static_cast<TRect*>(f.Place) = TRect(i, i + 1, i + 20, i + 30);
        break;
      case TspSkinFieldList::fkPoint:
        *static_cast<TPoint*>(f.Place) = TPoint(i, i + 2);
        break;
      case TspSkinFieldList::fkText:
        *static_cast<AnsiString*>(f.Place) = "text " + IntToStr(i) + "=x";
        break;
      case TspSkinFieldList::fkFontStyles:
        *static_cast<TFontStyles*>(f.Place) = TFontStyles::FromBits(uint64_t(i % 16));
        break;
      case TspSkinFieldList::fkAlignment:
        *static_cast<TAlignment*>(f.Place) = static_cast<TAlignment>(i % 3);
        break;
      case TspSkinFieldList::fkWord:
        *static_cast<uint8_t*>(f.Place) = uint8_t(i % f.Words->Count);
        break;
      case TspSkinFieldList::fkStrings:
        static_cast<TStrings*>(f.Place)->SetText("line " + IntToStr(i) + "\r\n\r\nlast\r\n");
        break;
    }
    ++i;
  }
}

}  // namespace

TEST(SkinRecords, TypeWordsMakeTheirClassesExactlyAndCaseSensitively) {
  struct Case {
    const char* word;
    const char* className;
  };
  const Case controls[] = {{"slider", "TspDataSkinSlider"},
                           {"bevel", "TspDataSkinBevel"},
                           {"panel", "TspDataSkinPanelControl"},
                           {"expanel", "TspDataSkinExPanelControl"},
                           {"menubutton", "TspDataSkinMenuButtonControl"},
                           {"button", "TspDataSkinButtonControl"},
                           {"checkradio", "TspDataSkinCheckRadioControl"},
                           {"gauge", "TspDataSkinGaugeControl"},
                           {"splitter", "TspDataSkinSplitterControl"},
                           {"trackbar", "TspDataSkinTrackBarControl"},
                           {"label", "TspDataSkinLabelControl"},
                           {"stdlabel", "TspDataSkinStdLabelControl"},
                           {"bitlabel", "TspDataSkinBitLabelControl"},
                           {"frameregulator", "TspDataSkinFrameRegulator"},
                           {"framegauge", "TspDataSkinFrameGauge"},
                           {"animate", "TspDataSkinAnimateControl"},
                           {"updown", "TspDataSkinUpDownControl"},
                           {"switch", "TspDataSkinSwitchControl"},
                           {"grid", "TspDataSkinGridControl"},
                           {"tab", "TspDataSkinTabControl"},
                           {"mainmenubar", "TspDataSkinMainMenuBar"},
                           {"controlbar", "TspDataSkinControlBar"},
                           {"memo", "TspDataSkinMemoControl"},
                           {"edit", "TspDataSkinEditControl"},
                           {"checklistbox", "TspDataSkinCheckListBox"},
                           {"listbox", "TspDataSkinListBox"},
                           {"combobox", "TspDataSkinComboBox"},
                           {"scrollbar", "TspDataSkinScrollBarControl"},
                           {"spinedit", "TspDataSkinSpinEditControl"},
                           {"scrollbox", "TspDataSkinScrollBoxControl"},
                           {"treeview", "TspDataSkinTreeView"},
                           {"listview", "TspDataSkinListView"},
                           {"richedit", "TspDataSkinRichEdit"}};
  for (const Case& c : controls) {
    std::unique_ptr<TspDataSkinControl> record = CreateControlRecord(c.word, "name");
    ASSERT_TRUE(record) << c.word;
    EXPECT_EQ(c.className, record->ClassName());
    EXPECT_EQ("name", record->IDName);
    EXPECT_EQ(c.word, ControlRecordTypeWord(record.get()));
  }
  const Case objects[] = {{"menuitem", "TspDataSkinMenuItem"},
                          {"mainmenubaritem", "TspDataSkinMainMenuBarItem"},
                          {"mainmenuitem", "TspDataSkinMainMenuItem"},
                          {"stdbutton", "TspDataSkinStdButton"},
                          {"mainmenubarbutton", "TspDataSkinMainMenuBarButton"},
                          {"button", "TspDataSkinButton"},
                          {"caption", "TspDataSkinCaption"},
                          {"trackbar", "TspDataSkinTrackBar"},
                          {"gauge", "TspDataSkinGauge"},
                          {"framegauge", "TspDataSkinFrameGaugeObject"},
                          {"frameregulator", "TspDataSkinFrameRegulatorObject"},
                          {"label", "TspDataSkinLabel"},
                          {"bitlabel", "TspDataSkinBitLabel"},
                          {"switch", "TspDataSkinSwitch"},
                          {"animate", "TspDataSkinAnimate"},
                          {"userobject", "TspDataUserObject"}};
  for (const Case& c : objects) {
    std::unique_ptr<TspDataSkinObject> record = CreateObjectRecord(c.word, "name");
    ASSERT_TRUE(record) << c.word;
    EXPECT_EQ(c.className, record->ClassName());
    EXPECT_EQ(c.word, ObjectRecordTypeWord(record.get()));
  }
  for (const char* word : {"Button", "BUTTON", "button ", "", "stdbutton"})
    EXPECT_FALSE(CreateControlRecord(word, "x")) << word;
  for (const char* word : {"MenuItem", "edit", ""})
    EXPECT_FALSE(CreateObjectRecord(word, "x")) << word;

  // The family trees the skinned parts test for.
  auto menuButton = CreateControlRecord("menubutton", "m");
  EXPECT_TRUE(dynamic_cast<TspDataSkinButtonControl*>(menuButton.get()));
  EXPECT_TRUE(dynamic_cast<TspDataSkinCustomControl*>(CreateControlRecord("memo", "m").get()));
  EXPECT_TRUE(dynamic_cast<TspDataSkinEditControl*>(CreateControlRecord("memo", "m").get()));
  EXPECT_TRUE(dynamic_cast<TspDataSkinListBox*>(CreateControlRecord("checklistbox", "c").get()));
  EXPECT_TRUE(dynamic_cast<TspDataSkinFrameControl*>(CreateControlRecord("switch", "s").get()));
  EXPECT_FALSE(dynamic_cast<TspDataSkinCustomControl*>(CreateControlRecord("tab", "t").get()));
  EXPECT_FALSE(dynamic_cast<TspDataSkinCustomControl*>(CreateControlRecord("slider", "t").get()));
  EXPECT_TRUE(
      dynamic_cast<TspDataSkinStdButton*>(CreateObjectRecord("mainmenubarbutton", "b").get()));
  EXPECT_TRUE(dynamic_cast<TspDataSkinButton*>(CreateObjectRecord("stdbutton", "b").get()));
  EXPECT_TRUE(
      dynamic_cast<TspDataSkinMainMenuItem*>(CreateObjectRecord("mainmenubaritem", "b").get()));
}

// Every class: its values survive saving and reading again; reading, saving into an empty
// ini and reading again gives equal fields; saving writes only the record's own section.
TEST(SkinRecords, EveryClassSavesAndReadsBackEveryField) {
  for (const TRecordKind& kind : AllKinds()) {
    SCOPED_TRACE(kind.Word + (kind.Control ? " control" : " object"));
    TAnyRecord source = TAnyRecord::Make(kind, "Rec");
    FillDistinct(source.Fields());
    TMemIniFile first;
    first.WriteString("Other", "key", "kept");
    first.WriteString("Rec", "stale", "erased");
    source.Save(&first);
    EXPECT_EQ("kept", first.ReadString("Other", "key", ""));
    EXPECT_FALSE(first.ValueExists("Rec", "stale"));

    TAnyRecord read = TAnyRecord::Make(kind, "rec");  // section names ignore case
    read.Load(&first);
    std::vector<AnsiString> changed = SkinFieldDifferences(source.Fields(), read.Fields());
    // Three object classes never morph, whatever their section says.
    if (!kind.Control &&
        (kind.Word == "trackbar" || kind.Word == "animate" || kind.Word == "bitlabel"))
      EXPECT_EQ(std::vector<AnsiString>{"morphing"}, changed);
    else
      EXPECT_TRUE(changed.empty()) << ::testing::PrintToString(changed);

    TMemIniFile second;
    read.Save(&second);
    TAnyRecord again = TAnyRecord::Make(kind, "rec");
    again.Load(&second);
    EXPECT_TRUE(SkinFieldDifferences(read.Fields(), again.Fields()).empty());
  }
}

TEST(SkinRecords, MissingFontKeysReadAsArialOfHeight14WhateverTheCreationValues) {
  TMemIniFile empty;
  for (const TRecordKind& kind : AllKinds()) {
    TAnyRecord record = TAnyRecord::Make(kind, "r");
    record.Load(&empty);
    TspSkinFieldList list;
    record.Fields().VisitFields(list);
    for (const TspSkinFieldList::TField& f : list.Fields()) {
      const AnsiString key = LowerCase(f.Key);
      if (key.size() >= 8 && key.compare(key.size() - 8, 8, "fontname") == 0)
        EXPECT_EQ("Arial", TspSkinFieldList::ValueText(f)) << kind.Word << " " << f.Key;
      if (key.size() >= 10 && key.compare(key.size() - 10, 10, "fontheight") == 0)
        EXPECT_EQ("14", TspSkinFieldList::ValueText(f)) << kind.Word << " " << f.Key;
    }
  }
  // ...although several constructors start with 12.
  EXPECT_EQ(12, TspDataSkinButtonControl("b").FontHeight);
  EXPECT_EQ(12, TspDataSkinStdLabelControl("s").FontHeight);
  EXPECT_EQ(14, TspDataSkinListBox("l").FontHeight);
  EXPECT_EQ("", TspDataSkinListBox("l").VScrollBarName);
  EXPECT_EQ(0xFFFFFF, TspDataSkinTreeView("t").BGColor);
  EXPECT_EQ(0xFF00FF, TspDataSkinTrackBarControl("t").ButtonTransparentColor);
  EXPECT_EQ(1, TspDataSkinAnimateControl("a").FramesCount);
  EXPECT_EQ(-1, TspDataSkinControl("c").PictureIndex);
  EXPECT_EQ(-1, TspDataSkinObject("o").ActivePictureIndex);
  EXPECT_EQ(-1, TspDataSkinButton("o").GroupIndex);
  EXPECT_EQ(0xFF00FF, TspDataSkinBitLabel("o").TransparentColor);
  EXPECT_EQ("", TspDataSkinCaption("o").FontName);  // no constructor of its own
  EXPECT_EQ(0, TspDataSkinAnimate("o").CountFrames);
}

TEST(SkinRecords, ControlRecordsReadTheirOwnKeysAndAdjust) {
  TMemIniFile ini;
  ini.SetText(
      "[lbl]\r\nclientrect=1,2,3,4\r\nfontcolor=255\r\n"
      "[zero]\r\nframescount=0\r\n[minus]\r\nframescount=-3\r\n[seven]\r\nframescount=7\r\n"
      "framesplacement=fpVertical\r\n"
      "[ud]\r\nlefttoppoint=4,4\r\nclientrect=1,1,9,9\r\nrightbottompoint=8,8\r\n"
      "upbuttonrect=0,0,8,8\r\n"
      "[bits]\r\nsymbolslinecount=2\r\nsymbolsline0=0123\r\n"
      "[tab]\r\nrightstretch=1\r\n"
      "[check]\r\nitemrect=1,2,3,4\r\nuncheckimagerect=5,6,7,8\r\nvscrollbarname=\r\n"
      "[menu]\r\nfontcolor=77\r\ntrackbuttonrect=26,0,37,30\r\nmorphkind=mkpush\r\n"
      "[shout]\r\nmorphkind=MkPush\r\nstretchtype=StVert\r\n"
      "[regulator]\r\nkind=rkhorizontal\r\n");

  TspDataSkinStdLabelControl label("lbl");
  label.LoadFromIni(&ini);
  EXPECT_EQ(255, label.FontColor);
  EXPECT_EQ(TRect(), label.SkinRect);

  for (const char* name : {"zero", "minus", "missing"}) {
    for (const char* word : {"animate", "switch", "framegauge", "frameregulator"}) {
      auto record = CreateControlRecord(word, name);
      record->LoadFromIni(&ini);
      EXPECT_EQ(1, static_cast<TspDataSkinFrameControl*>(record.get())->FramesCount)
          << word << name;
    }
  }
  TspDataSkinFrameGauge seven("seven");
  seven.LoadFromIni(&ini);
  EXPECT_EQ(7, seven.FramesCount);
  EXPECT_EQ(fpVertical, seven.FramesPlacement);  // any other word than "fphorizontal"
  TspDataSkinFrameRegulator regulator("regulator");
  regulator.LoadFromIni(&ini);
  EXPECT_EQ(rkHorizontal, regulator.Kind);

  TspDataSkinUpDownControl updown("ud");
  updown.LoadFromIni(&ini);
  EXPECT_EQ(TPoint(0, 0), updown.LeftTopPoint);
  EXPECT_EQ(TPoint(0, 0), updown.RightBottomPoint);
  EXPECT_EQ(TRect(), updown.ClientRect);
  EXPECT_EQ(TRect(0, 0, 8, 8), updown.UpButtonRect);
  updown.LeftTopPoint = TPoint(5, 5);
  TMemIniFile saved;
  updown.SaveToIni(&saved);
  EXPECT_EQ("0,0", saved.ReadString("ud", "lefttoppoint", ""));

  TspDataSkinBitLabelControl bits("bits");
  bits.LoadFromIni(&ini);
  EXPECT_EQ("0123\r\n\r\n", bits.Symbols->GetText());

  TspDataSkinTabControl tab("tab");
  tab.LoadFromIni(&ini);
  EXPECT_TRUE(tab.RightStretch);
  TMemIniFile tabIni;
  tab.SaveToIni(&tabIni);
  TspDataSkinTabControl tabAgain("tab");
  tabAgain.LoadFromIni(&tabIni);
  EXPECT_TRUE(tabAgain.RightStretch);
  EXPECT_EQ(&tab.LeftTopPoint, &tab.LTPoint);

  TspDataSkinCheckListBox check("check");
  check.LoadFromIni(&ini);
  EXPECT_EQ(TRect(1, 2, 3, 4), check.ItemRect);  // the list-box keys first
  EXPECT_EQ(TRect(5, 6, 7, 8), check.UncheckImageRect);
  EXPECT_EQ(TRect(), check.CheckImageRect);
  EXPECT_EQ("", check.VScrollBarName);  // present and empty
  EXPECT_EQ("hscrollbar", check.HScrollBarName);
  EXPECT_EQ("bothhscrollbar", check.BothHScrollBarName);

  TspDataSkinMenuButtonControl menu("menu");
  menu.LoadFromIni(&ini);
  EXPECT_EQ(77, menu.FontColor);
  EXPECT_EQ(TRect(26, 0, 37, 30), menu.TrackButtonRect);
  EXPECT_EQ(mkPush, menu.MorphKind);
  EXPECT_EQ(25, menu.AnimateInterval);
  TspDataSkinButtonControl shout("shout");
  shout.LoadFromIni(&ini);
  EXPECT_EQ(mkDefault, shout.MorphKind);
  EXPECT_EQ(stHorz, shout.StretchType);  // words are case-sensitive
}

TEST(SkinRecords, ObjectRecordsReadTheirOwnKeysAndAdjust) {
  TMemIniFile ini;
  ini.SetText(
      "[close]\r\ncommand=cmclose\r\n[tray]\r\ncommand=cmminimizetotray\r\n"
      "[other]\r\ncommand=close\r\n[none]\r\nhint=\r\n"
      "[menu]\r\ncheckimagerect=1,1,9,9\r\nradioimagerect=2,2,8,8\r\nactiveradioimagerect=0,0,0,"
      "5\r\n"
      "arrowimagerect=3,3,6,6\r\nactivearrowimagerect=10,10,16,16\r\n"
      "[morph]\r\nmorphing=1\r\nmorphkind=mkgradient\r\n"
      "[user]\r\nhint=ignored\r\nactiveskinrect=1,1,5,5\r\nskinrect=2,3,4,5\r\nrollup=1\r\n"
      "cursorindex=4\r\nactivepictureindex=2\r\n"
      "[vgauge]\r\nkind=gkvertical\r\n[xgauge]\r\nkind=diagonal\r\n"
      "[vreg]\r\nkind=rkvertical\r\n[hreg]\r\nkind=rkhorizontal\r\n"
      "[mainitem]\r\nUNENABLEDFONTCOLOR=99\r\n[lbl]\r\nfontName=Verdana\r\n"
      "[btn]\r\ndisableskinrsect=1,2,3,4\r\ngroupindex=3\r\n");

  struct CommandCase {
    const char* name;
    TStdCommand command;
  };
  for (const CommandCase& c :
       {CommandCase{"close", cmClose}, CommandCase{"tray", cmMinimizeToTray},
        CommandCase{"other", cmMinimizeToTray}, CommandCase{"none", cmDefault}}) {
    TspDataSkinStdButton button(c.name);
    button.LoadFromIni(&ini);
    EXPECT_EQ(c.command, button.Command) << c.name;
  }

  TspDataSkinMenuItem menu("menu");
  menu.LoadFromIni(&ini);
  EXPECT_EQ(TRect(1, 1, 9, 9), menu.ActiveCheckImageRect);  // missing: the plain one
  EXPECT_EQ(TRect(2, 2, 8, 8), menu.ActiveRadioImageRect);  // zero width: the plain one
  EXPECT_EQ(TRect(10, 10, 16, 16), menu.ActiveArrowImageRect);

  for (const char* word : {"trackbar", "animate", "bitlabel"}) {
    auto record = CreateObjectRecord(word, "morph");
    record->LoadFromIni(&ini);
    EXPECT_FALSE(record->Morphing) << word;
    EXPECT_EQ(mkGradient, record->MorphKind) << word;
  }
  TspDataSkinCaption caption("morph");
  caption.LoadFromIni(&ini);
  EXPECT_TRUE(caption.Morphing);

  TspDataUserObject user("user");
  user.LoadFromIni(&ini);
  EXPECT_EQ("", user.Hint);
  EXPECT_EQ(TRect(), user.ActiveSkinRect);
  EXPECT_EQ(-1, user.ActivePictureIndex);
  EXPECT_EQ(TRect(2, 3, 4, 5), user.SkinRect);
  EXPECT_TRUE(user.RollUp);
  EXPECT_EQ(4, user.CursorIndex);
  TMemIniFile userIni;
  user.SaveToIni(&userIni);
  TStringList keys;
  userIni.ReadSection("user", &keys);
  EXPECT_EQ("rollup\r\nskinrect\r\ncursorindex\r\n", keys.GetText());

  struct KindCase {
    const char* name;
    int gauge;
    int regulator;
  };
  for (const KindCase& c :
       {KindCase{"vgauge", gkVertical, rkVertical}, KindCase{"xgauge", gkVertical, rkVertical},
        KindCase{"vreg", gkVertical, rkVertical}, KindCase{"hreg", gkVertical, rkHorizontal},
        KindCase{"none", gkHorizontal, rkRound}}) {
    TspDataSkinGauge gauge(c.name);
    gauge.LoadFromIni(&ini);
    EXPECT_EQ(c.gauge, gauge.Kind) << c.name;
    TspDataSkinFrameRegulatorObject regulator(c.name);
    regulator.LoadFromIni(&ini);
    EXPECT_EQ(c.regulator, regulator.Kind) << c.name;
  }

  TspDataSkinMainMenuItem item("mainitem");
  item.LoadFromIni(&ini);
  EXPECT_EQ(99, item.UnEnabledFontColor);
  TMemIniFile itemIni;
  item.SaveToIni(&itemIni);
  TStringList itemKeys;
  itemIni.ReadSection("mainitem", &itemKeys);
  EXPECT_NE(-1, itemKeys.IndexOf("unenabledfontColor"));
  EXPECT_EQ("unenabledfontColor", itemKeys.Get(itemKeys.IndexOf("unenabledfontColor")));

  TspDataSkinLabel label("lbl");
  label.LoadFromIni(&ini);
  EXPECT_EQ("Verdana", label.FontName);
  EXPECT_EQ(14, label.FontHeight);
  EXPECT_EQ(taCenter, label.Alignment);

  TspDataSkinButton button("btn");
  button.LoadFromIni(&ini);
  EXPECT_EQ(TRect(1, 2, 3, 4), button.DisableSkinRect);
  EXPECT_EQ(3, button.GroupIndex);
}
