// The value, clamping and event rules of the controls the program's property binding
// writes (spin edit, list and combo boxes, integer edit, check and radio boxes, track bar,
// speed buttons, slider) and of the link label, as tables of cases. The rules that the
// skinned controls share with the plain ones (ValueControlRules.h) run here against the
// plain framework controls. The controls sit on a form whose windows exist but that is not
// shown.
#include <gtest/gtest.h>

#include <functional>

#include "framework/ComCtrls.h"
#include "framework/ExtCtrls.h"
#include "framework/StdCtrls.h"
#include "tests/framework/ControlTestSupport.h"
#include "tests/framework/TestControls.h"
#include "tests/framework/ValueControlRules.h"

INSTANTIATE_TYPED_TEST_SUITE_P(StandIns, SpinEditRules, ::testing::Types<TSpinEdit>);
INSTANTIATE_TYPED_TEST_SUITE_P(StandIns, SliderRules, ::testing::Types<TSlider>);
INSTANTIATE_TYPED_TEST_SUITE_P(StandIns, SpeedButtonRules, ::testing::Types<TSpeedButton>);
INSTANTIATE_TYPED_TEST_SUITE_P(StandIns, IntEditRules, ::testing::Types<TIntEdit>);
INSTANTIATE_TYPED_TEST_SUITE_P(StandIns, LinkLabelRules, ::testing::Types<TLinkLabel>);

namespace {

// A control on Parent, with its window when it is a windowed one.
template <class T>
T* On(TWinControl* Parent, const char* Name = nullptr) {
  T* control = new T(Parent);
  if (Name) control->SetName(Name);
  control->SetParent(Parent);
  value_control_rules::MakeWindows(control);
  return control;
}

// A form with windows, not shown.
TTestForm* HiddenForm() {
  auto* form = new TTestForm(Application, 400, 300);
  form->HandleNeeded();
  return form;
}

}  // namespace

TEST(StandIns, ComboBoxIndexAndTextRules) {
  TOwned<TTestForm> form(HiddenForm());
  const char* sizes[] = {"176x144", "320x240", "352x288", "640x480"};
  TEventLog log;
  auto make = [&](TComboBoxStyle Style, int Index) {
    auto* combo = On<TComboBox>(form.get());
    combo->SetStyle(Style);
    for (const char* s : sizes) combo->GetItems()->Add(s);
    combo->SetItemIndex(Index);
    combo->OnChange = [&](TObject*) { log("change"); };
    combo->OnClick = [&](TObject*) { log("click"); };
    log.Clear();
    return combo;
  };
  struct Case {
    const char* name;
    TComboBoxStyle style;
    int start;
    std::function<void(TComboBox*)> act;
    int index;
    const char* text;
    const char* events;
  };
  const Case cases[] = {
      {"another item", csDropDownList, 0, [](TComboBox* c) { c->SetItemIndex(2); }, 2, "352x288", "change click"},
      {"the same item", csDropDownList, 2, [](TComboBox* c) { c->SetItemIndex(2); }, 2, "352x288", "click"},
      {"no such item", csDropDownList, 2, [](TComboBox* c) { c->SetItemIndex(7); }, -1, "352x288", "click"},
      {"none", csDropDownList, 1, [](TComboBox* c) { c->SetItemIndex(-1); }, -1, "320x240", "click"},
      {"editable: another item", csDropDown, 0, [](TComboBox* c) { c->SetItemIndex(3); }, 3, "640x480", "change click"},
      {"editable: no such item keeps the text", csDropDown, 1, [](TComboBox* c) { c->SetItemIndex(9); }, -1,
       "320x240", "click"},
      {"by text, ignoring case", csDropDownList, 0, [](TComboBox* c) { c->SelectItemByText("640X480"); }, 3,
       "640x480", "change click change"},
      {"by the current text", csDropDownList, 3, [](TComboBox* c) { c->SelectItemByText("640x480"); }, 3,
       "640x480", ""},
      {"by a text no item has", csDropDownList, 1, [](TComboBox* c) { c->SelectItemByText("1024x768"); }, -1,
       "320x240", "click change"},
      {"editable: by a text no item has", csDropDown, 1,
       [](TComboBox* c) { c->SelectItemByText("1024x768"); }, 1, "1024x768", "change change"},
      {"editable: set text", csDropDown, 1, [](TComboBox* c) { c->SetText("typed"); }, 1, "typed", "change"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TComboBox* combo = make(c.style, c.start);
    c.act(combo);
    EXPECT_EQ(c.index, combo->GetItemIndex());
    EXPECT_EQ(c.text, combo->GetComboText());
    EXPECT_EQ(c.events, log.Text());
    combo->Free();
  }

  // The values kept beside the items; no events while the form is read.
  TComboBox* combo = make(csDropDownList, 0);
  ASSERT_NE(nullptr, combo->GetTabWidths());
  combo->GetTabWidths()->SetCommaText("0,1");
  EXPECT_EQ("1", combo->GetTabWidths()->Get(1));
  TComboBox* loaded = nullptr;
  auto* root = new TComponent(form.get());
  {
    TComponentLoading loading(root);
    loaded = new TComboBox(root);
    loaded->SetStyle(csDropDownList);
    for (const char* s : sizes) loaded->GetItems()->Add(s);
    loaded->OnClick = [&](TObject*) { log("loaded click"); };
    loaded->SetItemIndex(1);
    loading.Finish();
  }
  EXPECT_EQ(1, loaded->GetItemIndex());
  EXPECT_EQ("", log.Text());
}

TEST(StandIns, ListBoxIndexAndTrackBarRules) {
  TOwned<TTestForm> form(HiddenForm());
  auto* list = On<TListBox>(form.get());
  for (const char* s : {"a", "b", "c"}) list->GetItems()->Add(s);
  int clicks = 0;
  list->OnClick = [&](TObject*) { ++clicks; };
  struct ListCase {
    int set, index;
  };
  for (const ListCase& c : {ListCase{2, 2}, ListCase{-1, -1}, ListCase{0, 0}, ListCase{3, -1}, ListCase{-7, -1}}) {
    SCOPED_TRACE(c.set);
    list->SetItemIndex(c.set);
    EXPECT_EQ(c.index, list->GetItemIndex());
  }
  EXPECT_EQ(0, clicks);  // setting the index tells nobody
  ASSERT_NE(nullptr, list->GetTabWidths());

  // The track bar.
  auto* bar = On<TTrackBar>(form.get());
  int changes = 0;
  bar->OnChange = [&](TObject*) { ++changes; };
  struct BarCase {
    const char* name;
    std::function<void()> act;
    int value, max, changes;
  };
  const BarCase bars[] = {
      {"within", [&] { bar->SetValue(30); }, 30, 100, 1},
      {"unchanged", [&] { bar->SetValue(30); }, 30, 100, 1},
      {"above", [&] { bar->SetValue(150); }, 100, 100, 2},
      {"below", [&] { bar->SetValue(-5); }, 0, 100, 3},
      {"a maximum under the value", [&] { bar->SetValue(80), bar->SetMaxValue(40); }, 40, 40, 4},
      {"a maximum above", [&] { bar->SetMaxValue(200); }, 40, 200, 4},
  };
  for (const BarCase& c : bars) {
    SCOPED_TRACE(c.name);
    c.act();
    EXPECT_EQ(c.value, bar->GetValue());
    EXPECT_EQ(c.max, bar->GetMaxValue());
    EXPECT_EQ(c.changes, changes);
    EXPECT_EQ(c.value, int(SendMessageA(bar->GetHandle(), TBM_GETPOS, 0, 0)));
  }
}

TEST(StandIns, CheckAndRadioBoxes) {
  TOwned<TTestForm> form(HiddenForm());
  TEventLog log;
  auto* check = On<TCheckBox>(form.get(), "check");
  check->OnClick = [&](TObject*) { log("check"); };
  struct CheckCase {
    const char* name;
    std::function<void()> act;
    TCheckBoxState state;
    const char* events;
  };
  const CheckCase checks[] = {
      {"checked", [&] { check->SetChecked(true); }, cbChecked, "check"},
      {"checked again", [&] { check->SetChecked(true); }, cbChecked, "check"},
      {"unchecked", [&] { check->SetChecked(false); }, cbUnchecked, "check"},
      {"grayed", [&] { check->SetState(cbGrayed); }, cbGrayed, "check"},
      {"grayed stays grayed when unchecked", [&] { check->SetChecked(false); }, cbGrayed, "check"},
      {"toggled from grayed", [&] { check->Toggle(); }, cbChecked, "check"},
      {"toggled with AllowGrayed", [&] { check->SetAllowGrayed(true), check->SetChecked(false), log.Clear(), check->Toggle(); },
       cbGrayed, "check"},
  };
  for (const CheckCase& c : checks) {
    SCOPED_TRACE(c.name);
    log.Clear();
    c.act();
    EXPECT_EQ(c.state, check->GetState());
    EXPECT_EQ(c.events, log.Text());
    EXPECT_EQ(LRESULT(c.state), SendMessageA(check->GetHandle(), BM_GETCHECK, 0, 0));
  }

  std::vector<TRadioButton*> radios;
  for (int i = 0; i < 4; ++i) {
    auto* radio = On<TRadioButton>(form.get(), ("r" + std::to_string(i)).c_str());
    radio->SetGroupIndex(i < 3 ? 1 : 2);
    radio->OnClick = [&log, i](TObject*) { log("r" + std::to_string(i)); };
    radios.push_back(radio);
  }
  struct RadioCase {
    const char* name;
    std::function<void()> act;
    const char* checked;  // one character per radio button
    const char* events;
  };
  const RadioCase cases[] = {
      {"checked", [&] { radios[0]->SetChecked(true); }, "1000", "r0"},
      {"another of the group", [&] { radios[1]->SetChecked(true); }, "0100", "r1"},
      {"another group", [&] { radios[3]->SetChecked(true); }, "0101", "r3"},
      {"checked again", [&] { radios[1]->SetChecked(true); }, "0101", "r1"},
      {"unchecked: no click", [&] { radios[1]->SetChecked(false); }, "0001", ""},
      {"group 0 stands alone", [&] { radios[2]->SetGroupIndex(0), radios[0]->SetChecked(true), radios[2]->SetChecked(true); },
       "1011", "r0 r2"},
  };
  for (const RadioCase& c : cases) {
    SCOPED_TRACE(c.name);
    log.Clear();
    c.act();
    std::string state;
    for (TRadioButton* r : radios) state += r->GetChecked() ? '1' : '0';
    EXPECT_EQ(c.checked, state);
    EXPECT_EQ(c.events, log.Text());
  }
}

// The plain slider's thumb sits at the value's place along its ruler (6 pixels in from each
// end, the 9-pixel thumb of the default picture).
TEST(StandIns, SliderThumbFollowsTheValue) {
  TOwned<TTestForm> form(HiddenForm());
  auto* slider = On<TSlider>(form.get());
  slider->SetBounds(0, 0, 212, 40);
  slider->SetMaxValue(100);
  slider->SetValue(0);
  EXPECT_EQ(6, slider->ThumbRect().Left);
  slider->SetValue(100);
  EXPECT_EQ(212 - 6 - 9, slider->ThumbRect().Left);
  slider->SetValue(50);
  EXPECT_EQ(6 + 96, slider->ThumbRect().Left);  // 95.5 rounded to even
  EXPECT_EQ(50, slider->OffsetToValue(slider->ValueToOffset(50)));
}
