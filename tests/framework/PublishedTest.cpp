// Published properties: per-class tables inherited by subclasses, read and set by name, the
// way language files re-label a form.
#include <gtest/gtest.h>

#include <vector>

#include "framework/IniFiles.h"
#include "framework/TypInfo.h"

namespace {

class TTestControl : public TComponent {
 public:
  using TComponent::TComponent;
  AnsiString GetCaption() const { return FCaption; }
  void SetCaption(const AnsiString& Value) { FCaption = Value; }
  AnsiString GetHint() const { return FHint; }
  void SetHint(const AnsiString& Value) { FHint = Value; }
  AnsiString GetKind() const { return "control"; }
  void PublishProperties(TPropList& Props) const override {
    TComponent::PublishProperties(Props);
    Props.String("Caption", &TTestControl::GetCaption, &TTestControl::SetCaption, "TCaption");
    Props.String("Hint", &TTestControl::GetHint, &TTestControl::SetHint);
    Props.String("Kind", &TTestControl::GetKind, nullptr);
  }

 private:
  AnsiString FCaption, FHint;
};

class TTestButton : public TTestControl {
 public:
  using TTestControl::TTestControl;
};

class TTestLabel : public TTestControl {
 public:
  explicit TTestLabel(TComponent* AOwner) : TTestControl(AOwner), FLines(new TStringList) {}
  ~TTestLabel() override { delete FLines; }
  TStrings* GetLines() const { return FLines; }
  WideString GetWideText() const { return FWide; }
  void SetWideText(const WideString& Value) { FWide = Value; }
  // A caption of its own kind replaces the inherited entry in place.
  AnsiString GetUpperCaption() const { return UpperCase(GetCaption()); }
  uint8_t GetCharset() const { return FCharset; }
  void SetCharset(uint8_t Value) { FCharset = Value; }
  int GetIndent() const { return FIndent; }
  void SetIndent(int Value) { FIndent = Value; }
  void PublishProperties(TPropList& Props) const override {
    TTestControl::PublishProperties(Props);
    Props.Object("Lines", &TTestLabel::GetLines);
    Props.Wide("WideText", &TTestLabel::GetWideText, &TTestLabel::SetWideText);
    Props.String("Caption", &TTestLabel::GetUpperCaption, &TTestControl::SetCaption, "TCaption");
    Props.Integer("Charset", &TTestLabel::GetCharset, &TTestLabel::SetCharset, "TFontCharset");
    Props.Integer("Indent", &TTestLabel::GetIndent, &TTestLabel::SetIndent);
  }

 private:
  uint8_t FCharset = 1;
  int FIndent = 0;
  TStringList* FLines;
  WideString FWide;
};

class TListColumn : public TCollectionItem {
 public:
  using TCollectionItem::TCollectionItem;
  AnsiString GetCaption() const { return FCaption; }
  void SetCaption(const AnsiString& Value) { FCaption = Value; }
  void PublishProperties(TPropList& Props) const override {
    TCollectionItem::PublishProperties(Props);
    Props.String("Caption", &TListColumn::GetCaption, &TListColumn::SetCaption, "TCaption");
  }

 private:
  AnsiString FCaption;
};

class TListColumns : public TOwnedCollection {
 public:
  explicit TListColumns(TPersistent* AOwner)
      : TOwnedCollection(AOwner, &CollectionItemOf<TListColumn>) {}
};

class TTestListView : public TTestControl {
 public:
  explicit TTestListView(TComponent* AOwner) : TTestControl(AOwner), FColumns(this) {
    FColumns.Add();
    FColumns.Add();
  }
  TListColumns* GetColumns() const { return const_cast<TListColumns*>(&FColumns); }
  TTestControl* GetBuddy() const { return nullptr; }  // an object that is neither
  void PublishProperties(TPropList& Props) const override {
    TTestControl::PublishProperties(Props);
    Props.Object("Columns", &TTestListView::GetColumns);
    Props.Object("Buddy", &TTestListView::GetBuddy);
  }

 private:
  TListColumns FColumns;
};

class TfrmAboutForm : public TTestControl {
 public:
  explicit TfrmAboutForm(TComponent* AOwner) : TTestControl(AOwner) {
    SetName("frmAboutForm");
    btnOK = new TTestButton(this);
    btnOK->SetName("btnOK");
    btnOK->SetCaption("&OK");
    lbVersion = new TTestLabel(this);
    lbVersion->SetName("lbVersion");
    lbVersion->GetLines()->SetText("Version %1");
    lvList = new TTestListView(this);
    lvList->SetName("lvList");
  }
  TTestButton* btnOK;
  TTestLabel* lbVersion;
  TTestListView* lvList;
};

// What the language component does for one component: every text property but component
// names, string lists as a whole, and the text properties of collection items.
void ApplyTexts(TComponent* component, TMemIniFile& ini) {
  AnsiString section = component->GetOwner() ? component->GetOwner()->ClassName()
                                             : component->ClassName();
  AnsiString prefix = component->GetName();
  auto find = [&](const AnsiString& name, AnsiString& value) {
    AnsiString key = prefix + "." + name;
    if (!ini.ValueExists(section, key)) return false;
    value = ini.ReadString(section, key, "");
    return true;
  };
  for (const TPropInfo& prop : GetPropList(component)) {
    AnsiString value;
    if (prop.Kind == tkClass) {
      TPersistent* object = prop.GetObject(component);
      if (prop.TypeName == "TStrings") {
        if (find(prop.Name, value)) static_cast<TStrings*>(object)->SetText(value);
      } else if (auto* collection = dynamic_cast<TCollection*>(object)) {
        for (int i = 0; i < collection->GetCount(); ++i) {
          TCollectionItem* item = collection->GetItem(i);
          for (const TPropInfo& itemProp : GetPropList(item)) {
            if (itemProp.Kind == tkClass || !itemProp.SetText) continue;
            if (find(prop.Name + "[" + IntToStr(i) + "]." + itemProp.Name, value))
              itemProp.SetText(item, value);
          }
        }
      }
    } else if (prop.TypeName != "TComponentName" && prop.SetText) {
      if (find(prop.Name, value)) prop.SetText(component, value);
    }
  }
}

std::vector<AnsiString> Names(const TPropList& props) {
  std::vector<AnsiString> names;
  for (const TPropInfo& prop : props) names.push_back(prop.Name + ":" + prop.TypeName);
  return names;
}

}  // namespace

TEST(PublishedProperties, TablesAreInheritedBySubclasses) {
  auto* form = new TfrmAboutForm(nullptr);
  EXPECT_EQ((std::vector<AnsiString>{"Name:TComponentName", "Caption:TCaption",
                                     "Hint:AnsiString", "Kind:AnsiString"}),
            Names(GetPropList(form->btnOK)));
  EXPECT_EQ((std::vector<AnsiString>{"Name:TComponentName", "Caption:TCaption",
                                     "Hint:AnsiString", "Kind:AnsiString", "Lines:TStrings",
                                     "WideText:WideString", "Charset:TFontCharset",
                                     "Indent:Integer"}),
            Names(GetPropList(form->lbVersion)));
  EXPECT_EQ((std::vector<AnsiString>{"Name:TComponentName", "Caption:TCaption",
                                     "Hint:AnsiString", "Kind:AnsiString",
                                     "Columns:TListColumns", "Buddy:TTestControl"}),
            Names(GetPropList(form->lvList)));
  EXPECT_EQ(&GetPropList(form->btnOK), &GetPropList(new TTestButton(form)));  // once a class
  EXPECT_EQ(0, GetPropList(static_cast<TPersistent*>(nullptr)).Count());
  TStringList plain;
  EXPECT_EQ(0, GetPropList(&plain).Count());
  form->Free();
}

TEST(PublishedProperties, ReadAndSetByName) {
  auto* form = new TfrmAboutForm(nullptr);
  SetStrProp(form->btnOK, "caption", "&Close");
  EXPECT_EQ("&Close", form->btnOK->GetCaption());
  EXPECT_EQ("&Close", GetStrProp(form->btnOK, "Caption"));
  form->lbVersion->SetCaption("mixed");
  EXPECT_EQ("MIXED", GetStrProp(form->lbVersion, "Caption"));
  SetStrProp(form->lbVersion, "WideText", "caf\xE9");
  EXPECT_EQ(1u, form->lbVersion->GetWideText().size() - 3);
  EXPECT_EQ("caf\xE9", GetStrProp(form->lbVersion, "WideText"));
  EXPECT_EQ(form->lbVersion->GetLines(), GetObjectProp(form->lbVersion, "Lines"));
  SetStrProp(form->btnOK, "Name", "btnClose");  // names go through the component's checks
  EXPECT_EQ("btnClose", form->btnOK->GetName());
  EXPECT_THROW(SetStrProp(form->btnOK, "Name", "lvList"), EComponentError);
  const std::pair<const char*, const char*> errors[] = {
      {"Nothing", "Unknown property: 'Nothing'"},
      {"Lines", "Invalid property type: 'Lines'"},
      {"Kind", "Property Kind is read-only"}};
  for (const auto& e : errors) {
    try {
      SetStrProp(form->lbVersion, e.first, "x");
      ADD_FAILURE() << e.first;
    } catch (const EPropertyError& error) {
      EXPECT_EQ(e.second, error.Message);
    }
  }
  EXPECT_THROW(GetObjectProp(form->lbVersion, "Caption"), EPropertyError);

  // Numbers: read and set as numbers only, and only with values their type holds.
  EXPECT_EQ(1, GetOrdProp(form->lbVersion, "charset"));
  SetOrdProp(form->lbVersion, "Charset", 255);
  EXPECT_EQ(255, form->lbVersion->GetCharset());
  SetOrdProp(form->lbVersion, "Indent", -40);
  EXPECT_EQ(-40, GetOrdProp(form->lbVersion, "Indent"));
  const std::pair<int64_t, const char*> ranges[] = {
      {256, "256 is not a valid TFontCharset value"},
      {-1, "-1 is not a valid TFontCharset value"}};
  for (const auto& r : ranges) {
    try {
      SetOrdProp(form->lbVersion, "Charset", r.first);
      ADD_FAILURE() << r.first;
    } catch (const EPropertyError& error) {
      EXPECT_EQ(r.second, error.Message);
    }
  }
  EXPECT_EQ(255, form->lbVersion->GetCharset());
  EXPECT_THROW(SetOrdProp(form->lbVersion, "Indent", int64_t(1) << 40), EPropertyError);
  EXPECT_THROW(GetStrProp(form->lbVersion, "Charset"), EPropertyError);
  EXPECT_THROW(SetStrProp(form->lbVersion, "Charset", "2"), EPropertyError);
  EXPECT_THROW(GetOrdProp(form->lbVersion, "Caption"), EPropertyError);
  EXPECT_THROW(GetOrdProp(form->lbVersion, "Lines"), EPropertyError);
  const TPropInfo* caption = GetPropInfo(form->btnOK, "Caption");
  ASSERT_NE(nullptr, caption);
  TStringList notAControl;
  EXPECT_THROW(caption->GetText(&notAControl), EPropertyError);
  form->Free();
}

TEST(PublishedProperties, LanguageTextsRelabelAFormThroughTheTable) {
  TMemIniFile ini;
  ini.SetText(
      "[TfrmAboutForm]\r\n"
      "frmAboutForm.Caption=About\r\n"
      "btnOK.Caption=&Fine\r\n"
      "btnOK.Name=hacked\r\n"
      "btnOK.Hint=\r\n"
      "btnOK.Kind=other\r\n"
      "lbVersion.Lines=Version %1\r\nsecond line\r\n"
      "lvList.Columns[0].Caption=File\r\n"
      "lvList.Columns[1].Caption=Path\r\n"
      "lvList.Columns[2].Caption=Nothing\r\n"
      "lvList.Buddy=ignored\r\n"
      "[TfrmOther]\r\n"
      "btnOK.Caption=Wrong form\r\n");
  auto* form = new TfrmAboutForm(nullptr);
  form->btnOK->SetHint("old hint");
  // The form in its owner's section: here the form has no owner, so its own class.
  ApplyTexts(form, ini);
  for (int i = 0; i < form->GetComponentCount(); ++i) ApplyTexts(form->GetComponent(i), ini);
  EXPECT_EQ("About", form->GetCaption());
  EXPECT_EQ("&Fine", form->btnOK->GetCaption());
  EXPECT_EQ("btnOK", form->btnOK->GetName());  // component names are never changed
  EXPECT_EQ("", form->btnOK->GetHint());        // an empty value counts as found
  EXPECT_EQ("Version %1\r\n", form->lbVersion->GetLines()->GetText());
  auto* columns = form->lvList->GetColumns();
  EXPECT_EQ("File", static_cast<TListColumn*>(columns->GetItem(0))->GetCaption());
  EXPECT_EQ("Path", static_cast<TListColumn*>(columns->GetItem(1))->GetCaption());
  EXPECT_EQ("", form->lvList->GetCaption());
  form->Free();
}
