// The value, clamping and event rules of the controls the program's property binding
// writes (spin edit, list and combo boxes, integer edit, check and radio boxes, track bar,
// speed buttons, slider), as tables of cases. The controls sit on a form whose windows
// exist but that is not shown.
#include <gtest/gtest.h>

#include <functional>

#include "framework/ComCtrls.h"
#include "framework/ExtCtrls.h"
#include "framework/StdCtrls.h"
#include "tests/framework/ControlTestSupport.h"
#include "tests/framework/TestControls.h"

namespace {

// A control on Parent, with its window when it is a windowed one (and the edit of a spin
// edit with its own).
template <class T>
T* On(TWinControl* Parent, const char* Name = nullptr) {
  T* control = new T(Parent);
  if (Name) control->SetName(Name);
  control->SetParent(Parent);
  if (auto* windowed = dynamic_cast<TWinControl*>(static_cast<TControl*>(control))) windowed->HandleNeeded();
  if (auto* spin = dynamic_cast<TSpinEdit*>(static_cast<TControl*>(control))) spin->GetEditor()->HandleNeeded();
  return control;
}

// A form with windows, not shown.
TTestForm* HiddenForm() {
  auto* form = new TTestForm(Application, 400, 300);
  form->HandleNeeded();
  return form;
}

AnsiString Decimal(const char* Whole, const char* Fraction) {
  return AnsiString(Whole) + FormatSettings.DecimalSeparator + Fraction;
}

}  // namespace

TEST(StandIns, SpinEditValueRangeTextAndChangeRules) {
  TOwned<TTestForm> form(HiddenForm());
  struct Case {
    const char* name;
    TValueType type;
    double min, max;
    double set;
    double value;
    AnsiString text;
  };
  const Case cases[] = {
      {"whole: half to even, down", vtInteger, 0, 0, 2.5, 2.5, "2"},
      {"whole: half to even, up", vtInteger, 0, 0, 3.5, 3.5, "4"},
      {"whole: negative", vtInteger, 0, 0, -7, -7, "-7"},
      {"float with two places", vtFloat, 0, 0, 1, 1, Decimal("1", "00")},
      {"float rounded to two places", vtFloat, 0, 0, 2.345, 2.345, Decimal("2", "35")},
      {"above the range", vtInteger, 0, 30, 45, 30, "30"},
      {"below the range", vtInteger, 0, 30, -5, 0, "0"},
      {"below a positive minimum", vtInteger, 10, 30, 5, 10, "10"},
      {"both limits 0: no range", vtInteger, 0, 0, 1000000, 1000000, "1000000"},
      {"minimum above maximum", vtInteger, 20, 10, 15, 20, "20"},
      {"minimum above maximum, high", vtInteger, 20, 10, 25, 10, "10"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    auto* spin = On<TSpinEdit>(form.get());
    spin->SetValueType(c.type);
    spin->SetMinValue(c.min);
    spin->SetMaxValue(c.max);
    int changes = 0;
    spin->OnChange = [&](TObject*) { ++changes; };
    spin->SetValue(c.set);
    EXPECT_DOUBLE_EQ(c.value, spin->GetValue());
    EXPECT_EQ(c.text, spin->GetText());
    EXPECT_EQ(c.text, spin->GetEditor()->GetText());
    EXPECT_EQ(1, changes);
    spin->SetValue(c.set);  // unchanged: OnChange all the same
    EXPECT_EQ(2, changes);
    spin->Free();
  }

  // Typed texts: numbers take effect (brought into the range); a number beyond a limit away
  // from zero is replaced at once, one below a positive minimum is left as typed.
  struct Typed {
    const char* name;
    double min, max, start;
    const char* typed;
    double value;
    const char* text;
    int changes;
  };
  const Typed typed[] = {
      {"within", 0, 30, 0, "25", 25, "25", 1},
      {"beyond the maximum", 0, 30, 0, "45", 30, "30", 1},
      {"below a positive minimum", 10, 30, 20, "1", 10, "1", 1},
      {"then the whole number", 10, 30, 10, "15", 15, "15", 1},
      {"negative below a positive minimum", 10, 30, 20, "-1", 10, "10", 1},
      {"a lone minus", 0, 30, 5, "-", 5, "-", 0},
      {"a minus inside", 0, 30, 5, "1-2", 5, "1-2", 0},
      {"letters", 0, 30, 5, "abc", 5, "abc", 0},
      {"a point in a whole number", 0, 30, 5, "1.5", 5, "1.5", 0},
      {"beyond 32 bits", 0, 0, 5, "99999999999", 5, "99999999999", 0},
      {"the same value", 0, 30, 7, "7", 7, "7", 0},
  };
  for (const Typed& t : typed) {
    SCOPED_TRACE(t.name);
    auto* spin = On<TSpinEdit>(form.get());
    spin->SetMinValue(t.min);
    spin->SetMaxValue(t.max);
    spin->SetValue(t.start);
    int changes = 0;
    spin->OnChange = [&](TObject*) { ++changes; };
    spin->GetEditor()->SetText(t.typed);  // as typing does: through the edit's change
    EXPECT_DOUBLE_EQ(t.value, spin->GetValue());
    EXPECT_EQ(t.text, spin->GetEditor()->GetText());
    EXPECT_EQ(t.changes, changes);
    // Leaving the field shows the value.
    spin->GetEditor()->OnExit(spin->GetEditor());
    EXPECT_EQ(IntToStr(Round(t.value)), spin->GetEditor()->GetText());
    spin->Free();
  }

  // A SetValue from OnChange only rewrites the text; the limits' setters bring the value
  // in and tell; whole numbers step by a whole increment.
  auto* spin = On<TSpinEdit>(form.get());
  int changes = 0;
  spin->OnChange = [&](TObject*) {
    ++changes;
    spin->SetValue(3);
  };
  spin->SetValue(8);
  EXPECT_EQ(1, changes);
  EXPECT_DOUBLE_EQ(3, spin->GetValue());
  EXPECT_EQ("3", spin->GetText());
  spin->OnChange = [&](TObject*) { ++changes; };
  spin->SetValue(8);
  spin->SetMaxValue(5);
  EXPECT_DOUBLE_EQ(5, spin->GetValue());
  EXPECT_EQ(3, changes);
  spin->SetMinValue(6);  // above the maximum: 6 is not below it, and is brought down to 5
  EXPECT_DOUBLE_EQ(5, spin->GetValue());
  spin->SetValueType(vtFloat);
  spin->SetIncrement(0.4);
  spin->SetValueType(vtInteger);
  EXPECT_DOUBLE_EQ(1, spin->GetIncrement());
  spin->SetMinValue(0);
  spin->SetMaxValue(0);  // the value above it comes down to 0, which both limits 0 allow
  EXPECT_DOUBLE_EQ(0, spin->GetValue());
  spin->UpClick();
  EXPECT_DOUBLE_EQ(1, spin->GetValue());
  spin->DownClick();
  spin->DownClick();
  EXPECT_DOUBLE_EQ(-1, spin->GetValue());
}

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

TEST(StandIns, ListBoxIndexIntEditAndTrackBarRules) {
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

  // The integer edit.
  struct IntCase {
    const char* name;
    int min, max, set, value;
  };
  const IntCase ints[] = {
      {"within", 0, 30, 12, 12},  {"above", 0, 30, 45, 30},          {"below", 5, 30, 2, 5},
      {"no limits", 0, 0, 45, 45}, {"equal limits", 7, 7, -3, -3},    {"negative range", -10, -5, 0, -5},
  };
  for (const IntCase& c : ints) {
    SCOPED_TRACE(c.name);
    auto* edit = On<TIntEdit>(form.get());
    edit->SetMinValue(c.min);
    edit->SetMaxValue(c.max);
    int changes = 0;
    edit->OnChange = [&](TObject*) { ++changes; };
    SetIntEditValue(edit, c.set);
    EXPECT_EQ(c.value, edit->GetValue());
    EXPECT_EQ(IntToStr(c.value), edit->GetText());
    EXPECT_EQ(0, changes);  // the edit's own change handling does not run
    // Typed numbers become the value (within the limits); other text leaves it.
    edit->SetText("abc");
    EXPECT_EQ(c.value, edit->GetValue());
    edit->SetText(IntToStr(c.set));
    EXPECT_EQ(c.value, edit->GetValue());
    EXPECT_EQ(2, changes);
    edit->Free();
  }

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

TEST(StandIns, CheckAndRadioBoxesAndSpeedButtonGroups) {
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

  std::vector<TSpeedButton*> buttons;
  for (int i = 0; i < 4; ++i) {
    auto* b = On<TSpeedButton>(form.get());
    b->SetGroupIndex(i < 3 ? 1 : 0);
    buttons.push_back(b);
  }
  struct SpeedCase {
    const char* name;
    std::function<void()> act;
    const char* down;
  };
  const SpeedCase speeds[] = {
      {"down", [&] { buttons[0]->SetDown(true); }, "1000"},
      {"another of the group", [&] { buttons[1]->SetDown(true); }, "0100"},
      {"no group", [&] { buttons[3]->SetDown(true); }, "0101"},
      {"all may be up", [&] { buttons[2]->SetAllowAllUp(true), buttons[2]->SetDown(true); }, "0111"},
      {"up", [&] { buttons[1]->SetDown(false); }, "0011"},
  };
  for (const SpeedCase& c : speeds) {
    SCOPED_TRACE(c.name);
    c.act();
    std::string state;
    for (TSpeedButton* b : buttons) state += b->GetDown() ? '1' : '0';
    EXPECT_EQ(c.down, state);
  }
  buttons[0]->SetImageIndex(12);
  EXPECT_EQ(12, buttons[0]->GetImageIndex());
}

TEST(StandIns, SliderRangeIncrementAndValueRules) {
  TOwned<TTestForm> form(HiddenForm());
  auto* slider = On<TSlider>(form.get());
  TEventLog log;
  slider->OnChange = [&](TObject*) { log("change " + std::to_string(slider->GetValue())); };
  slider->OnChanged = [&](TObject*) { log("changed"); };
  auto key = [&](uint16_t Key) { slider->Perform(WM_KEYDOWN, Key, 0); };
  struct Case {
    const char* name;
    std::function<void()> act;
    int value, max, increment;
    const char* events;
  };
  const Case cases[] = {
      {"within", [&] { slider->SetValue(33); }, 33, 100, 10, "change 33"},
      {"unchanged", [&] { slider->SetValue(33); }, 33, 100, 10, ""},
      {"above", [&] { slider->SetValue(101); }, 100, 100, 10, "change 100"},
      {"below", [&] { slider->SetValue(-1); }, 0, 100, 10, "change 0"},
      {"step right to a multiple", [&] { slider->SetValue(33), log.Clear(), key(VK_RIGHT); }, 40, 100, 10,
       "change 40 changed"},
      {"step left", [&] { key(VK_LEFT); }, 30, 100, 10, "change 30 changed"},
      {"end", [&] { key(VK_END); }, 100, 100, 10, "change 100 changed"},
      {"end again: no change, still changed", [&] { key(VK_END); }, 100, 100, 10, "changed"},
      {"home", [&] { key(VK_HOME); }, 0, 100, 10, "change 0 changed"},
      {"increment not positive", [&] { slider->SetIncrement(0), slider->SetIncrement(-5); }, 0, 100, 10, ""},
      {"increment", [&] { slider->SetIncrement(25); }, 0, 100, 25, ""},
      {"a maximum under the value", [&] { slider->SetValue(80), log.Clear(), slider->SetMaxValue(50); }, 50, 50, 25,
       "change 50"},
      {"no range: maximum 0", [&] { slider->SetMaxValue(0); }, 0, 0, 25, "change 0"},
      {"a value while the maximum is 0", [&] { slider->SetValue(1500); }, 0, 0, 25, ""},
      {"then the maximum", [&] { slider->SetMaxValue(60000); }, 0, 60000, 25, ""},
      {"then the value", [&] { slider->SetValue(1500); }, 1500, 60000, 25, "change 1500"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    log.Clear();
    c.act();
    EXPECT_EQ(c.value, slider->GetValue());
    EXPECT_EQ(c.max, slider->GetMaxValue());
    EXPECT_EQ(c.increment, slider->GetIncrement());
    EXPECT_EQ(c.events, log.Text());
  }
  // The thumb sits at the value's place along the ruler.
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
