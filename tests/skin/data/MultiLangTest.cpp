// The multi-language components: language files in their stored form, lookups with the
// current language before the default one, and forms re-labelled through their published
// properties.
#include <gtest/gtest.h>

#include "framework/TypInfo.h"
#include "skin/data/spMultiLang.h"
#include "tests/framework/TestFolder.h"

namespace {

class TLangColumn : public TCollectionItem {
 public:
  using TCollectionItem::TCollectionItem;
  AnsiString GetCaption() const { return FCaption; }
  void SetCaption(const AnsiString& Value) { FCaption = Value; }
  void PublishProperties(TPropList& Props) const override {
    TCollectionItem::PublishProperties(Props);
    Props.String("Caption", &TLangColumn::GetCaption, &TLangColumn::SetCaption, "TCaption");
  }

 private:
  AnsiString FCaption;
};

// A control as the forms have them: a caption, a hint, lines, columns and a read-only text.
class TLangControl : public TComponent {
 public:
  explicit TLangControl(TComponent* AOwner)
      : TComponent(AOwner), FLines(new TStringList),
        FColumns(new TCollection(CollectionItemOf<TLangColumn>)) {}
  ~TLangControl() override {
    delete FLines;
    delete FColumns;
  }
  AnsiString GetCaption() const { return FCaption; }
  void SetCaption(const AnsiString& Value) {
    if (Value == "refuse me") throw Exception("refused");
    FCaption = Value;
  }
  AnsiString GetHint() const { return FHint; }
  void SetHint(const AnsiString& Value) { FHint = Value; }
  AnsiString GetKind() const { return "fixed"; }
  TStrings* GetLines() const { return FLines; }
  TCollection* GetColumns() const { return FColumns; }
  int GetLevel() const { return FLevel; }
  void SetLevel(int Value) { FLevel = Value; }
  void PublishProperties(TPropList& Props) const override {
    TComponent::PublishProperties(Props);
    Props.String("Caption", &TLangControl::GetCaption, &TLangControl::SetCaption, "TCaption");
    Props.String("Hint", &TLangControl::GetHint, &TLangControl::SetHint);
    Props.String("Kind", &TLangControl::GetKind, nullptr);
    Props.Object("Lines", &TLangControl::GetLines);
    Props.Object("Columns", &TLangControl::GetColumns);
    Props.Integer("Level", &TLangControl::GetLevel, &TLangControl::SetLevel);
  }

 private:
  int FLevel = 0;
  AnsiString FCaption, FHint;
  TStringList* FLines;
  TCollection* FColumns;
};

// A form: its own caption, controls and a language component that points at data owned
// elsewhere (the engine window's, in the program).
class TfrmLangTestForm : public TLangControl {
 public:
  TfrmLangTestForm(TspMultiLangData* Current, TspMultiLangData* Default,
                   TspMultiLangConfig* Config)
      : TLangControl(nullptr) {
    TComponentLoading loading(this);
    SetName("frmLangTestForm");
    SetCaption("Design caption");
    btnOK = new TLangControl(this);
    btnOK->SetName("btnOK");
    btnOK->SetCaption("&OK");
    lvList = new TLangControl(this);
    lvList->SetName("lvList");
    static_cast<TLangColumn*>(lvList->GetColumns()->Add())->SetCaption("Column 0");
    static_cast<TLangColumn*>(lvList->GetColumns()->Add())->SetCaption("Column 1");
    unnamed = new TLangControl(this);
    unnamed->SetCaption("unnamed");
    smLanguage = new TspMultiLang(this);
    smLanguage->SetName("smLanguage");
    smLanguage->SetDefaultData(Default);
    smLanguage->SetData(Current);
    smLanguage->SetConfig(Config);
    smLanguage->OnChangeLanguage = [this](TObject*) { ++Changes; };
    loading.Finish();
  }
  TLangControl* btnOK;
  TLangControl* lvList;
  TLangControl* unnamed;
  TspMultiLang* smLanguage;
  int Changes = 0;
};

// The engine window's three language components.
struct TLanguages {
  TComponent* owner = new TComponent(nullptr);
  TspMultiLangConfig* config = new TspMultiLangConfig(owner);
  TspMultiLangData* current = new TspMultiLangData(owner);
  TspMultiLangData* builtin = new TspMultiLangData(owner);
  TLanguages() { config->SetAutoApply(true); }
  ~TLanguages() { owner->Free(); }
  TLanguages(const TLanguages&) = delete;
  TLanguages& operator=(const TLanguages&) = delete;
};

}  // namespace

TEST(MultiLang, StoredFormEscapesEveryByteButLineBreaksAndPrintables) {
  AnsiString all;
  for (int c = 0; c < 256; ++c) {
    if (c != '+') all += static_cast<char>(c);  // "+" comes back as a blank, below
  }
  const AnsiString stored = EscapeLanguageText(all);
  EXPECT_EQ(all, DecodeLanguageText(stored));
  for (char c : stored) {
    const unsigned char u = static_cast<unsigned char>(c);
    EXPECT_TRUE(u == '\r' || u == '\n' || (u >= 0x20 && u <= 0x7E)) << int(u);
  }
  EXPECT_EQ("100%25 sure", EscapeLanguageText("100% sure"));
  EXPECT_EQ("caf%e9%09x", EscapeLanguageText("caf\xe9\tx"));
  EXPECT_EQ("a+b", EscapeLanguageText("a+b"));  // "+" is kept ...
  EXPECT_EQ("a b", DecodeLanguageText("a+b"));  // ... and reads as a blank
  EXPECT_EQ("%", DecodeLanguageText("%25"));
  EXPECT_EQ("\xAB", DecodeLanguageText("%Ab"));
  // Malformed escapes stay as they are.
  EXPECT_EQ("%", DecodeLanguageText("%"));
  EXPECT_EQ("%4", DecodeLanguageText("%4"));
  EXPECT_EQ("%zz1", DecodeLanguageText("%zz1"));
}

TEST(MultiLang, ValuesExpandLineBreakAndBlankTagsInAnyCase) {
  TLanguages lang;
  lang.current->LoadFromText(
      "[ResString]\r\nTwoLines=first<BR>second\r\nLower=a<br>b<Sp>c\r\nPlus=a+b\r\n"
      "Percent=100% %1\r\nEmpty=\r\n");
  AnsiString value;
  ASSERT_TRUE(lang.current->FindValue("ResString", "", "TwoLines", value));
  EXPECT_EQ("first\r\nsecond", value);
  ASSERT_TRUE(lang.current->FindValue("resstring", "", "lower", value));
  EXPECT_EQ("a\r\nb c", value);
  ASSERT_TRUE(lang.current->FindValue("ResString", "", "Plus", value));
  EXPECT_EQ("a b", value);
  ASSERT_TRUE(lang.current->FindValue("ResString", "", "Percent", value));
  EXPECT_EQ("100% %1", value);
  value = "unchanged";
  ASSERT_TRUE(lang.current->FindValue("ResString", "", "Empty", value));  // found, empty
  EXPECT_EQ("", value);
  value = "unchanged";
  EXPECT_FALSE(lang.current->FindValue("ResString", "", "Missing", value));
  EXPECT_EQ("unchanged", value);
}

TEST(MultiLang, LookupsAskTheCurrentLanguageThenTheDefaultThenGiveTheId) {
  TLanguages lang;
  lang.builtin->LoadFromText("[ResString]\r\nA=default A\r\nB=default B\r\n");
  lang.current->LoadFromText("[ResString]\r\nA=current A\r\n");
  TfrmLangTestForm* form = new TfrmLangTestForm(lang.current, lang.builtin, lang.config);
  EXPECT_EQ("current A", form->smLanguage->GetResString("A"));
  EXPECT_EQ("default B", form->smLanguage->GetResString("B"));
  EXPECT_EQ("NoSuchId", form->smLanguage->GetResString("NoSuchId"));

  TStringList section;
  ReadLanguageSection(form->smLanguage, "ResString", &section);
  EXPECT_EQ("A=current A\r\nB=default B\r\n", section.GetText());
  form->Free();
}

TEST(MultiLang, ApplyRelabelsPublishedTextsListsAndCollectionItemsOfTheFormOnly) {
  TLanguages lang;
  lang.builtin->LoadFromText("[TfrmLangTestForm]\r\nbtnOK.Hint=default hint\r\n");
  TfrmLangTestForm* form = new TfrmLangTestForm(lang.current, lang.builtin, lang.config);
  TfrmLangTestForm* other = new TfrmLangTestForm(lang.current, lang.builtin, lang.config);
  EXPECT_EQ("default hint", form->btnOK->GetHint());  // AutoApply at Loaded
  const int changesBefore = form->Changes;

  lang.current->LoadFromText(
      "[TfrmLangTestForm]\r\n"
      "frmLangTestForm.Caption=Form caption\r\n"
      "btnOK.Caption=&Yes please\r\n"
      "btnOK.Name=renamed\r\n"            // component names are never changed
      "btnOK.Kind=changed\r\n"            // read-only properties are not written
      "btnOK.Level=7\r\n"                 // numbers are not texts
      "lvList.Lines=one<BR>two\r\n"
      "lvList.Columns[1].Caption=Second\r\n"
      "lvList.Columns[5].Caption=none\r\n"
      "Caption=no prefix\r\n"
      "[TfrmOther]\r\nbtnOK.Caption=wrong form\r\n");
  for (TfrmLangTestForm* f : {form, other}) {
    EXPECT_EQ("Form caption", f->GetCaption());
    EXPECT_EQ("&Yes please", f->btnOK->GetCaption());
    EXPECT_EQ("default hint", f->btnOK->GetHint());
    EXPECT_EQ("btnOK", f->btnOK->GetName());
    EXPECT_EQ("fixed", f->btnOK->GetKind());
    EXPECT_EQ(0, f->btnOK->GetLevel());
    EXPECT_EQ("one\r\ntwo\r\n", f->lvList->GetLines()->GetText());
    EXPECT_EQ("Column 0", static_cast<TLangColumn*>(f->lvList->GetColumns()->GetItem(0))->GetCaption());
    EXPECT_EQ("Second", static_cast<TLangColumn*>(f->lvList->GetColumns()->GetItem(1))->GetCaption());
    EXPECT_EQ("unnamed", f->unnamed->GetCaption());
    EXPECT_EQ("smLanguage", f->smLanguage->GetName());
  }
  EXPECT_EQ(changesBefore + 1, form->Changes);  // OnChangeLanguage once per load

  // A setter that refuses a value leaves that property and re-labels the rest.
  lang.current->LoadFromText(
      "[TfrmLangTestForm]\r\nbtnOK.Caption=refuse me\r\nbtnOK.Hint=still set\r\n");
  EXPECT_EQ("&Yes please", form->btnOK->GetCaption());
  EXPECT_EQ("still set", form->btnOK->GetHint());
  other->Free();
  form->Free();
}

TEST(MultiLang, AnUnreadableFileFallsBackToTheDefaultLanguage) {
  TLanguages lang;
  lang.builtin->LoadFromText("[ResString]\r\nA=default\r\n");
  lang.current->LoadFromText("[ResString]\r\nA=current\r\n");
  TfrmLangTestForm* form = new TfrmLangTestForm(lang.current, lang.builtin, lang.config);
  lang.current->LoadFromFile("no-such-folder/missing.lan");
  EXPECT_EQ("default", form->smLanguage->GetResString("A"));
  EXPECT_EQ(0, lang.current->GetData()->GetCount());
  form->Free();
}

TEST(MultiLang, LoadsFilesInTheirStoredFormAndTheInfoSection) {
  TTestFolder folder;
  const AnsiString file = folder.File("Deutsch.lan");
  WriteWholeFile(file,
                 "; comment\r\n[Info]\r\nLanguage=Deutsch\r\nTranslator=Hans\r\nVersion=4.2.0.0\r\n"
                 "[ResString]\r\nstrAppName=Gr\xfc\xdf Gott 50%\r\n");
  TLanguages lang;
  lang.current->LoadFromFile(file);
  EXPECT_EQ("Deutsch", lang.current->GetLanguage());
  EXPECT_EQ("Hans", lang.current->GetTranslator());
  EXPECT_EQ("4.2.0.0", lang.current->GetVersion());
  EXPECT_NE(AnsiString::npos, lang.current->GetData()->GetText().find("Gr%fc%df Gott 50%25"));
  AnsiString value;
  ASSERT_TRUE(lang.current->FindValue("ResString", "", "strAppName", value));
  EXPECT_EQ("Gr\xfc\xdf Gott 50%", value);

  // Writing [Info] stores the data again; the other texts survive.
  lang.current->SetTranslator("Anna");
  EXPECT_EQ("Anna", lang.current->GetTranslator());
  ASSERT_TRUE(lang.current->FindValue("ResString", "", "strAppName", value));
  EXPECT_EQ("Gr\xfc\xdf Gott 50%", value);
  EXPECT_NE(AnsiString::npos, lang.current->GetData()->GetText().find("Translator=Anna"));

  // Assigning copies the texts and re-labels the target's forms.
  TfrmLangTestForm* form = new TfrmLangTestForm(lang.builtin, nullptr, lang.config);
  lang.current->LoadFromText("[TfrmLangTestForm]\r\nbtnOK.Caption=assigned\r\n[Info]\r\nLanguage=X\r\n");
  lang.builtin->Assign(lang.current);
  EXPECT_EQ("assigned", form->btnOK->GetCaption());
  EXPECT_EQ("X", lang.builtin->GetLanguage());
  form->Free();

  // Setting Data from lines in the stored form.
  TStringList lines;
  lines.Add("[ResString]");
  lines.Add("Id=a%3db+c");
  lang.current->SetData(&lines);
  ASSERT_TRUE(lang.current->FindValue("ResString", "", "Id", value));
  EXPECT_EQ("a=b c", value);
}

TEST(MultiLang, LinksFollowTheFormsAndTheDataLifetimes) {
  TLanguages lang;
  TfrmLangTestForm* first = new TfrmLangTestForm(lang.current, lang.builtin, lang.config);
  TfrmLangTestForm* second = new TfrmLangTestForm(lang.current, lang.builtin, lang.config);
  EXPECT_EQ(2, lang.current->GetLinkCount());
  second->smLanguage->SetData(nullptr);  // cleared: unlinked
  EXPECT_EQ(1, lang.current->GetLinkCount());
  second->smLanguage->SetData(lang.current);
  second->smLanguage->SetData(lang.current);  // each at most once
  EXPECT_EQ(2, lang.current->GetLinkCount());
  first->Free();
  EXPECT_EQ(1, lang.current->GetLinkCount());
  lang.current->LoadFromText("[TfrmLangTestForm]\r\nbtnOK.Caption=after\r\n");
  EXPECT_EQ("after", second->btnOK->GetCaption());

  // Without a config nothing is re-labelled, but the change event still fires.
  second->smLanguage->SetConfig(nullptr);
  const int changes = second->Changes;
  lang.current->LoadFromText("[TfrmLangTestForm]\r\nbtnOK.Caption=ignored\r\n");
  EXPECT_EQ("after", second->btnOK->GetCaption());
  EXPECT_EQ(changes + 1, second->Changes);

  // Data that goes first leaves the form's component without it.
  lang.current->Free();
  lang.builtin->Free();
  EXPECT_EQ(nullptr, second->smLanguage->GetData());
  EXPECT_EQ(nullptr, second->smLanguage->GetDefaultData());
  EXPECT_EQ("Id", second->smLanguage->GetResString("Id"));
  second->smLanguage->Apply();  // nothing without data
  second->Free();
}

TEST(MultiLang, ConfigKeepsItsDesignOptions) {
  TLanguages lang;
  TspMultiLangConfig* config = new TspMultiLangConfig(lang.owner);
  EXPECT_EQ("TWebBrowser:\r\n:TComponentName\r\n.SkinDataName\r\n",
            config->GetExcludeProps()->GetText());
  EXPECT_FALSE(config->GetAutoApply());
}
