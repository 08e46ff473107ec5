// The property binding on a small form that binds one control of every kind to a store of
// property values standing in for the engine: what each kind writes into its control and
// reads back, the playlist and slider rules, the guard that keeps a refresh from being sent
// back, the module and activity rules of property changes, and the edits' rules.
#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <string>
#include <vector>

#include "framework/ActnList.h"
#include "framework/ComCtrls.h"
#include "framework/ExtCtrls.h"
#include "framework/Menus.h"
#include "framework/StdCtrls.h"

#include "app/BasePropertiesForm.h"
#include "engine/api/VDEngine.h"
#include "tests/framework/FormTestSupport.h"

namespace {

constexpr int kModule = -1;

// The form: its engine is a map of property values; every write is logged.
class TBindingTestForm : public TfrmBasePropertiesForm {
 public:
  explicit TBindingTestForm(TComponent* AOwner) : TfrmBasePropertiesForm(AOwner) {
    TComponentLoading loading(this);
    SetBounds(50, 50, 400, 300);
    loading.Finish();
    HandleNeeded();
  }
  std::map<int32_t, AnsiString> Engine;
  std::vector<std::string> Reads;
  std::vector<std::string> Writes;

  template <class T>
  T* Add(const char* Name = nullptr) {
    T* control = new T(this);
    if (Name) control->SetName(Name);
    if (auto* c = dynamic_cast<TControl*>(static_cast<TComponent*>(control))) {
      c->SetParent(this);
      if (auto* w = dynamic_cast<TWinControl*>(c)) w->HandleNeeded();
      if (auto* spin = dynamic_cast<TSpinEdit*>(c)) spin->GetEditor()->HandleNeeded();
    }
    return control;
  }

 protected:
  bool ReadProperty(int Module, int32_t PropertyId, AnsiString& Value) override {
    Reads.push_back(std::to_string(Module) + ":" + std::to_string(PropertyId));
    auto found = Engine.find(PropertyId);
    if (found == Engine.end()) return false;
    Value = found->second;
    return true;
  }
  bool WriteProperty(int Module, int32_t PropertyId, const AnsiString& Value) override {
    Writes.push_back(std::to_string(Module) + ":" + std::to_string(PropertyId) + "=" + Value);
    Engine[PropertyId] = Value;
    return true;
  }
};

// A colour control and a tool-bar control as kinds 7 and 27 see them.
class TTestColorControl : public TCustomControl, public IColorValueControl {
 public:
  explicit TTestColorControl(TComponent* AOwner) : TCustomControl(AOwner) {}
  int GetColorValue() const override { return FValue; }
  void SetValueAndNotify(int Value) override {
    FValue = Value;
    ++Notified;
  }
  int Notified = 0;

 private:
  int FValue = 0;
};

class TTestToolBarControl : public TGraphicControl, public IUnlinkedValueControl {
 public:
  explicit TTestToolBarControl(TComponent* AOwner) : TGraphicControl(AOwner) {}
  int UnlinkedControlGetValue() const override { return FValue; }
  void UnlinkedControlSetValue(int Value) override { FValue = Value; }

 private:
  int FValue = 0;
};

TBindingTestForm* NewForm() { return new TBindingTestForm(Application); }

// Binds the control under property 100, writes the value through a refresh, and returns
// what the kind reads back from the control.
AnsiString WriteThenRead(TBindingTestForm* Form, TComponent* Control, TPropertieKind Kind, const AnsiString& Value) {
  const int index = Form->GetBindings()->GetCount();
  Form->BindControl(Control, 100 + index, Kind, 2);
  EXPECT_EQ(index, Control->GetTag()) << "the control's Tag is its binding's index";
  Form->Engine[100 + index] = Value;
  Form->RefreshBinding(index);
  return Form->GetControlValue(Control, Kind);
}

}  // namespace

TEST(PropertyBinding, EveryKindWritesItsControlAndReadsItBack) {
  TOwned<TBindingTestForm> form(NewForm());
  TBindingTestForm* f = form.get();
  struct Case {
    const char* name;
    std::function<TComponent*()> make;
    TPropertieKind kind;
    AnsiString value;
    std::function<void(TComponent*)> check;
    AnsiString read;
  };
  auto combo = [f] {
    auto* c = f->Add<TComboBox>();
    c->SetStyle(csDropDownList);
    for (const char* s : {"176x144", "320x240", "352x288"}) c->GetItems()->Add(s);
    for (const char* v : {"1", "2", "Four"}) c->GetTabWidths()->Add(v);
    return c;
  };
  auto listBox = [f] {
    auto* l = f->Add<TListBox>();
    for (const char* s : {"Red", "Green", "Blue"}) l->GetItems()->Add(s);
    for (const char* v : {"255", "65280"}) l->GetTabWidths()->Add(v);  // one value short
    return l;
  };
  auto actionOf = [f] { return new TAction(f); };
  const Case cases[] = {
      {"text and hint", [f] { return f->Add<TEdit>(); }, pkTextHint, "clip one",
       [](TComponent* c) { EXPECT_EQ("clip one", static_cast<TEdit*>(c)->GetHint()); }, "clip one"},
      {"combo index", combo, pkComboIndex, "2",
       [](TComponent* c) { EXPECT_EQ("352x288", static_cast<TComboBox*>(c)->GetComboText()); }, "2"},
      {"combo index not a number", combo, pkComboIndex, "x",
       [](TComponent* c) { EXPECT_EQ(0, static_cast<TComboBox*>(c)->GetItemIndex()); }, "0"},
      {"integer edit clamped",
       [f] {
         auto* e = f->Add<TIntEdit>();
         e->SetMinValue(0);
         e->SetMaxValue(30);
         return e;
       },
       pkNumEdit, "45", [](TComponent* c) { EXPECT_EQ("30", static_cast<TIntEdit*>(c)->GetText()); }, "30"},
      {"spin edit", [f] { return f->Add<TSpinEdit>(); }, pkSpinEdit, "17",
       [](TComponent* c) { EXPECT_DOUBLE_EQ(17, static_cast<TSpinEdit*>(c)->GetValue()); }, "17"},
      {"spin edit not a number", [f] { return f->Add<TSpinEdit>(); }, pkSpinEdit, "1.5",
       [](TComponent* c) { EXPECT_DOUBLE_EQ(0, static_cast<TSpinEdit*>(c)->GetValue()); }, "0"},
      {"mask text", [f] { return f->Add<TMaskEdit>(); }, pkMaskText, "12:30", nullptr, "12:30"},
      {"text", [f] { return f->Add<TEdit>(); }, pkText, "Tom & Jerry",
       [](TComponent* c) { EXPECT_EQ("", static_cast<TEdit*>(c)->GetHint()); }, "Tom & Jerry"},
      {"combo text ignoring case", combo, pkComboText, "320X240",
       [](TComponent* c) { EXPECT_EQ(1, static_cast<TComboBox*>(c)->GetItemIndex()); }, "320x240"},
      {"colour", [f] { return f->Add<TTestColorControl>(); }, pkColor, "255",
       [](TComponent* c) {
         EXPECT_EQ(1, static_cast<TTestColorControl*>(c)->Notified);
         EXPECT_EQ("", static_cast<TTestColorControl*>(c)->GetText());
       },
       "255"},
      {"no colour", [f] { return f->Add<TTestColorControl>(); }, pkColor, "none",
       [](TComponent* c) { EXPECT_EQ("None", static_cast<TTestColorControl*>(c)->GetText()); }, "-1"},
      {"check box", [f] { return f->Add<TCheckBox>(); }, pkCheck, "5",
       [](TComponent* c) { EXPECT_TRUE(static_cast<TCheckBox*>(c)->GetChecked()); }, "1"},
      {"radio button off", [f] {
         auto* r = f->Add<TRadioButton>();
         r->SetChecked(true);
         return r;
       },
       pkCheck, "0", [](TComponent* c) { EXPECT_FALSE(static_cast<TRadioButton*>(c)->GetChecked()); }, "0"},
      {"enabled", [f] { return f->Add<TButton>(); }, pkEnabled, "0",
       [](TComponent* c) { EXPECT_FALSE(static_cast<TButton*>(c)->GetEnabled()); }, "1"},
      {"track bar", [f] { return f->Add<TTrackBar>(); }, pkTrackBar, "30",
       [](TComponent* c) { EXPECT_EQ(100, static_cast<TTrackBar*>(c)->GetMaxValue()); }, "30"},
      {"track bar with maximum", [f] { return f->Add<TTrackBar>(); }, pkTrackBar, "40|50",
       [](TComponent* c) { EXPECT_EQ(50, static_cast<TTrackBar*>(c)->GetMaxValue()); }, "40"},
      {"visible", [f] { return f->Add<TPanel>(); }, pkVisible, "0",
       [](TComponent* c) { EXPECT_FALSE(static_cast<TPanel*>(c)->GetVisible()); }, ""},
      {"combo value", combo, pkComboValue, "four",
       [](TComponent* c) { EXPECT_EQ(2, static_cast<TComboBox*>(c)->GetItemIndex()); }, "Four"},
      {"combo value unknown: item 0", combo, pkComboValue, "7",
       [](TComponent* c) { EXPECT_EQ(0, static_cast<TComboBox*>(c)->GetItemIndex()); }, "1"},
      {"trigger", [f] { return f->Add<TButton>(); }, pkTrigger, "0", nullptr, "1"},
      {"list value", listBox, pkListValue, "65280",
       [](TComponent* c) { EXPECT_EQ(1, static_cast<TListBox*>(c)->GetItemIndex()); }, "65280"},
      {"list value unknown: item 0", listBox, pkListValue, "x", nullptr, "255"},
      {"action enabled", actionOf, pkActionEnabled, "0",
       [](TComponent* c) { EXPECT_FALSE(static_cast<TAction*>(c)->GetEnabled()); }, "1"},
      {"action checked: sends the opposite", actionOf, pkActionChecked, "1",
       [](TComponent* c) { EXPECT_TRUE(static_cast<TAction*>(c)->GetChecked()); }, "0"},
      {"action unchecked", actionOf, pkActionChecked, "0", nullptr, "1"},
      {"speed button down", [f] { return f->Add<TSpeedButton>(); }, pkButtonDown, "1",
       [](TComponent* c) { EXPECT_TRUE(static_cast<TSpeedButton*>(c)->GetDown()); }, "1"},
      {"tool-bar value", [f] { return f->Add<TTestToolBarControl>(); }, pkToolBarValue, "12", nullptr, "12"},
      {"visible and to the left edge", [f] {
         auto* p = f->Add<TPanel>();
         p->SetBounds(80, 10, 30, 30);
         p->SetVisible(false);
         return p;
       },
       pkVisibleSwap, "1",
       [](TComponent* c) {
         EXPECT_TRUE(static_cast<TPanel*>(c)->GetVisible());
         EXPECT_EQ(0, static_cast<TPanel*>(c)->GetLeft());
       },
       "1"},
      {"unused kind 8 writes nothing", [f] { return f->Add<TEdit>(); }, TPropertieKind(8), "text",
       [](TComponent* c) { EXPECT_EQ("", static_cast<TEdit*>(c)->GetText()); }, ""},
      {"unused kind 28", [f] { return f->Add<TEdit>(); }, TPropertieKind(28), "text", nullptr, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TComponent* control = c.make();
    EXPECT_EQ(c.read, WriteThenRead(f, control, c.kind, c.value));
    if (c.check) c.check(control);
    EXPECT_FALSE(f->GetWritingControl());
  }

  // An index beyond the values (or none) reads as the index itself.
  auto* list = listBox();
  list->SetItemIndex(2);
  EXPECT_EQ("2", f->GetControlValue(list, pkListValue));
  list->SetItemIndex(-1);
  EXPECT_EQ("-1", f->GetControlValue(list, pkListValue));

  // Page control: the page whose Tag is the value; none: page 0. The menu: the item at the
  // index is checked, hidden items counted.
  auto* pages = f->Add<TPageControl>();
  for (int tag : {5, 9, 12}) {
    auto* sheet = new TTabSheet(f);
    sheet->SetTag(tag);
    sheet->SetPageControl(pages);
  }
  EXPECT_EQ("12", WriteThenRead(f, pages, pkPageTag, "12"));
  EXPECT_EQ(2, pages->GetActivePageIndex());
  EXPECT_EQ("5", WriteThenRead(f, pages, pkPageTag, "7"));
  auto* menu = new TPopupMenu(f);
  for (const char* caption : {"No Repeating", "Toggle Specific Item Repeating", "Toggle Playlist Repeating"}) {
    auto* item = new TMenuItem(f);
    item->SetCaption(caption);
    menu->GetItems()->Add(item);
  }
  menu->GetItems()->GetItem(1)->SetVisible(false);
  menu->GetItems()->GetItem(0)->SetChecked(true);
  EXPECT_EQ("", WriteThenRead(f, menu, pkMenuRadio, "2"));
  for (int i = 0; i < 3; ++i) EXPECT_EQ(i == 2, menu->GetItems()->GetItem(i)->GetChecked()) << i;

  // A control of another class than its kind needs keeps its state, and the guard is down.
  auto* edit = f->Add<TEdit>();
  edit->SetText("kept");
  EXPECT_THROW(f->GetControlValue(edit, pkSlider), Exception);
  f->BindControl(edit, 300, pkSlider, 2);
  f->Engine[300] = "3|10";
  f->RefreshBinding(static_cast<int>(edit->GetTag()));
  EXPECT_EQ("kept", edit->GetText());
  EXPECT_FALSE(f->GetWritingControl());
}

TEST(PropertyBinding, PlaylistRowsFromTheEngineValue) {
  TOwned<TBindingTestForm> form(NewForm());
  auto* list = form->Add<TListView>();
  list->SetViewStyle(vsReport);
  list->SetMultiSelect(true);
  list->GetColumns()->Add()->SetWidth(200);
  list->GetColumns()->Add()->SetWidth(30);
  form->BindControl(list, 0x5003, pkPlayList, 2);
  form->BindControl(list, 0x5004, pkListMark, 2);
  auto rows = [&] {
    std::vector<std::string> texts;
    for (int i = 0; i < list->GetItems()->GetCount(); ++i) {
      TListItem* item = list->GetItems()->GetItem(i);
      texts.push_back(item->GetCaption() + "|" + item->GetSubItems()->Get(0) + "|" +
                      std::to_string(item->GetImageIndex()) + "|" + std::to_string(item->GetSubItemImage(0)) +
                      (item->GetSelected() ? "|selected" : ""));
    }
    return texts;
  };
  struct Case {
    const char* name;
    const char* value;
    std::vector<int> selectBefore;
    std::vector<std::string> rows;
  };
  const Case cases[] = {
      {"current index 1 of two", "1|C:\\a.avi|D:\\clips\\b.mpg", {},
       {"1.  a.avi|C:\\a.avi|0|2", "2.  b.mpg|D:\\clips\\b.mpg|1|2"}},
      {"the selection follows the paths", "0|D:\\clips\\b.mpg|E:\\c.wmv|C:\\a.avi", {0, 1},
       {"1.  b.mpg|D:\\clips\\b.mpg|1|2|selected", "2.  c.wmv|E:\\c.wmv|0|2", "3.  a.avi|C:\\a.avi|0|2|selected"}},
      {"rows show the names unescaped, the pieces stay as the engine wrote them",
       "-1|D:\\Rock &A Roll&C live.mpg|C:\\x&A&Cy.avi", {},
       {"1.  Rock & Roll, live.mpg|D:\\Rock &A Roll&C live.mpg|0|2", "2.  x&,y.avi|C:\\x&A&Cy.avi|0|2"}},
      {"an index that is not a number counts as 0", "x|C:\\a.avi", {}, {"1.  a.avi|C:\\a.avi|1|2"}},
      {"a source without a file name shows its whole text", "0|@screen:|@color:255|C:\\clips\\",
       {},
       {"1.  @screen:|@screen:|1|2", "2.  255|@color:255|0|2", "3.  C:\\clips\\|C:\\clips\\|0|2"}},
      {"only the index: no rows", "0", {}, {}},
      {"nothing: no rows", "", {}, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    for (int i : c.selectBefore) list->GetItems()->GetItem(i)->SetSelected(true);
    form->Engine[0x5003] = c.value;
    form->RefreshBinding(0);
    EXPECT_EQ(c.rows, rows());
    list->ClearSelection();
  }

  // The current-row mark: the row at the index gets picture 1, an empty value none.
  form->Engine[0x5003] = "0|a|b|c";
  form->RefreshBinding(0);
  const struct {
    const char* value;
    std::vector<int> images;
  } marks[] = {{"2", {0, 0, 1}}, {"", {0, 0, 0}}, {"7", {0, 0, 0}}, {"0", {1, 0, 0}}};
  for (const auto& m : marks) {
    SCOPED_TRACE(m.value);
    form->Engine[0x5004] = m.value;
    form->RefreshBinding(1);
    std::vector<int> images;
    for (int i = 0; i < list->GetItems()->GetCount(); ++i) images.push_back(list->GetItems()->GetItem(i)->GetImageIndex());
    EXPECT_EQ(m.images, images);
  }
}

TEST(PropertyBinding, SliderTakesPositionAndMaximum) {
  TOwned<TBindingTestForm> form(NewForm());
  auto* slider = form->Add<TSlider>();
  slider->SetMaxValue(0);
  form->BindControl(slider, 0x10000001, pkSlider, 2);
  struct Step {
    const char* value;
    bool enabled;
    int position;
    int maximum;
    int increment;
  };
  const Step steps[] = {
      {"0|0", false, 0, 0, 10},
      // The value is set before the maximum: it waits for the next refresh.
      {"1500|60000", true, 0, 60000, 6000},
      {"1500|60000", true, 1500, 60000, 6000},
      {"70000|60000", true, 60000, 60000, 6000},
      {"300|5", true, 5, 5, 6000},  // an increment of 0 is refused
      {"5", true, 5, 5, 6000},       // one part: nothing changes
      {"1|2|3", true, 5, 5, 6000},
      {"9|-1", false, 0, 0, 6000},
  };
  for (const Step& s : steps) {
    SCOPED_TRACE(s.value);
    form->Engine[0x10000001] = s.value;
    form->RefreshBinding(0);
    EXPECT_EQ(s.enabled, slider->GetEnabled());
    EXPECT_EQ(s.position, slider->GetValue());
    EXPECT_EQ(s.maximum, slider->GetMaxValue());
    EXPECT_EQ(s.increment, slider->GetIncrement());
  }
}

TEST(PropertyBinding, RefreshesAreNotSentBackButUserChangesAre) {
  TOwned<TBindingTestForm> form(NewForm());
  auto* bar = form->Add<TTrackBar>();
  auto* check = form->Add<TCheckBox>();
  auto* edit = form->Add<TEdit>();
  form->BindControl(bar, 0x500D, pkTrackBar, 2);
  form->BindControl(check, 0x500C, pkCheck, 2);
  form->BindControl(edit, 0x3000, pkText, 2);
  TBindingTestForm* f = form.get();
  bar->OnChange = [f](TObject* Sender) { f->ValueChange(Sender); };
  check->OnClick = [f](TObject* Sender) { f->ValueChange(Sender); };
  edit->OnChange = [f](TObject* Sender) { f->ValueChange(Sender); };
  form->Engine = {{0x500D, "70"}, {0x500C, "1"}, {0x3000, "hello"}};
  form->SetBindingActive(true);
  EXPECT_EQ(70, bar->GetValue());
  EXPECT_TRUE(check->GetChecked());
  EXPECT_EQ("hello", edit->GetText());
  EXPECT_TRUE(form->Writes.empty()) << "the refresh's change events send nothing";

  // The user's changes go to the engine.
  bar->SetValue(20);
  check->SetChecked(false);
  edit->SetText("world");
  const std::vector<std::string> sent = {"0:20493=20", "0:20492=0", "0:12288=world"};
  EXPECT_EQ(sent, form->Writes);

  // A sender whose Tag is no binding index sends nothing; neither do inactive bindings.
  form->Writes.clear();
  auto* other = form->Add<TButton>();
  other->SetTag(7);
  form->ValueChange(other);
  other->SetTag(-1);
  form->ValueChange(other);
  form->SetBindingActive(false);
  bar->SetValue(30);
  form->ApplyBinding(0);
  EXPECT_TRUE(form->Writes.empty());
}

TEST(PropertyBinding, PropertyChangesOfTheFormsModuleRefreshWhileActive) {
  TOwned<TBindingTestForm> form(NewForm());
  auto* list = form->Add<TListView>();
  list->SetViewStyle(vsReport);
  list->GetColumns()->Add();
  list->GetColumns()->Add();
  auto* play = form->Add<TPanel>();
  auto* pause = form->Add<TPanel>();
  form->BindControl(list, 0x5003, pkPlayList, 2);
  form->BindControl(list, 0x5004, pkListMark, 2);
  form->BindControl(play, 0x5008, pkVisibleSwap, 2);
  form->BindControl(pause, 0x5009, pkVisibleSwap, 2);
  form->Engine = {{0x5003, "0|a.avi|b.avi"}, {0x5004, "1"}, {0x5008, "1"}, {0x5009, "0"}};

  // The module id refreshes everything, active or not; property changes need activity.
  form->SetModuleId(kModule);
  EXPECT_EQ(4u, form->Reads.size());
  EXPECT_EQ(2, list->GetItems()->GetCount());
  form->Reads.clear();
  // The engine window hands the engine's message on through the form's message path.
  struct TChange {
    NativeUInt module;
    NativeInt id;
  };
  TBindingTestForm* f = form.get();
  auto send = [f](TChange c) { f->Perform(WM_ENGINE_PROPERTY_CHANGED, c.module, c.id); };
  const TChange changed{NativeUInt(kModule), 0x5003};
  send(changed);
  EXPECT_TRUE(form->Reads.empty()) << "inactive";

  form->SetBindingActive(true);
  EXPECT_EQ((std::vector<std::string>{"-1:20483", "-1:20484", "-1:20488", "-1:20489"}), form->Reads)
      << "switching on refreshes every binding in index order";
  form->Reads.clear();
  form->SetBindingActive(true);
  EXPECT_TRUE(form->Reads.empty()) << "only the switch from off to on refreshes";

  // Rows are rebuilt before the current row is marked: both bindings of 0x5004 and 0x5003
  // run in index order.
  form->Engine[0x5003] = "1|a.avi|b.avi|c.avi";
  form->Engine[0x5004] = "2";
  send(changed);
  EXPECT_EQ((std::vector<std::string>{"-1:20483"}), form->Reads);
  EXPECT_EQ(3, list->GetItems()->GetCount());
  EXPECT_EQ(1, list->GetItems()->GetItem(1)->GetImageIndex());
  send({NativeUInt(kModule), 0x5004});
  EXPECT_EQ(1, list->GetItems()->GetItem(2)->GetImageIndex());

  // Another module's change is ignored; an unbound id reads nothing.
  form->Reads.clear();
  send({NativeUInt(-3), 0x5003});
  send({NativeUInt(kModule), 0x500D});
  EXPECT_TRUE(form->Reads.empty());

  // A property the engine cannot read leaves its control as it was.
  form->Engine.erase(0x5003);
  send(changed);
  EXPECT_EQ(3, list->GetItems()->GetCount());

  // Play and pause share one place: the one the engine offers is shown at the left.
  play->SetLeft(40);
  form->Engine[0x5008] = "0";
  form->Engine[0x5009] = "1";
  form->PropertyChanged(0x5008);
  form->PropertyChanged(0x5009);
  EXPECT_FALSE(play->GetVisible());
  EXPECT_TRUE(pause->GetVisible());
  EXPECT_EQ(0, play->GetLeft());
}

TEST(PropertyBinding, EditsGoToTheEngineOnlyWhileTheirTextIsTheirValue) {
  TOwned<TBindingTestForm> form(NewForm());
  auto* edit = form->Add<TIntEdit>();
  edit->SetMinValue(1);
  edit->SetMaxValue(100);
  auto* spin = form->Add<TSpinEdit>();
  spin->SetMaxValue(30);
  form->BindControl(edit, 0x3002, pkNumEdit, 2);
  form->BindControl(spin, 0x1010, pkSpinEdit, 2);
  form->SetBindingActive(true);
  struct Case {
    const char* typed;
    bool sent;
  };
  const Case editCases[] = {{"42", true}, {"", false}, {"0", false}, {"abc", false}, {"100", true}, {"250", false}};
  for (const Case& c : editCases) {
    SCOPED_TRACE(c.typed);
    form->Writes.clear();
    edit->SetText(c.typed);
    form->ApplyBinding(0);
    EXPECT_EQ(c.sent, !form->Writes.empty());
    if (c.sent) {
      EXPECT_EQ(std::string("0:12290=") + c.typed, form->Writes[0]);
    }
  }
  // Leaving the edit shows its value again.
  edit->SetText("250");
  ASSERT_TRUE(edit->OnExit);
  edit->OnExit(edit);
  EXPECT_EQ(IntToStr(edit->GetValue()), edit->GetText());

  // A number beyond the spin edit's range shows and sends the range's limit.
  const struct {
    const char* typed;
    const char* sent;
  } spinCases[] = {{"12", "0:4112=12"}, {"", ""}, {"45", "0:4112=30"}, {"x", ""}};
  for (const auto& c : spinCases) {
    SCOPED_TRACE(c.typed);
    form->Writes.clear();
    spin->GetEditor()->SetText(c.typed);
    form->ApplyBinding(1);
    EXPECT_EQ(c.sent, form->Writes.empty() ? std::string() : form->Writes[0]);
  }
}
