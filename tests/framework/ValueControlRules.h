// The value and event rules of the controls whose values the program's own code writes by
// name (spin edit, slider, speed button, integer edit) and of the link label, as tables of
// cases that run against any class of such a control: the plain framework controls today,
// the skinned controls that replace them later. A test program instantiates each suite for
// its classes, in one source file (this header defines the tests):
//
//   INSTANTIATE_TYPED_TEST_SUITE_P(Plain, SpinEditRules, ::testing::Types<TSpinEdit>);
//
// The rules reach a control through the names the framework control has. A class that
// names a part differently specialises the T...Parts template of its suite (for example to
// reach a spin edit's inner edit, or a link label's hot colour). The controls sit on a form
// whose windows exist but that is not shown.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <limits>
#include <string>
#include <vector>

#include "framework/ExtCtrls.h"
#include "framework/StdCtrls.h"
#include "tests/framework/ControlTestSupport.h"
#include "tests/framework/TestControls.h"

namespace value_control_rules {

// Makes the window of a windowed control and of the windowed controls inside it.
inline void MakeWindows(TControl* Control) {
  auto* windowed = dynamic_cast<TWinControl*>(Control);
  if (!windowed) return;
  windowed->HandleNeeded();
  for (int i = 0; i < windowed->GetControlCount(); ++i) MakeWindows(windowed->GetControl(i));
}

// The fixture of every suite: a form with windows, not shown, and controls of the class
// under test on it.
template <class T>
class TOnHiddenForm : public ::testing::Test {
 protected:
  TOnHiddenForm() : FForm(new TTestForm(Application, 400, 300)) { FForm->HandleNeeded(); }

  T* Make() {
    T* control = new T(FForm.get());
    control->SetParent(FForm.get());
    MakeWindows(control);
    return control;
  }
  TTestForm* Form() const { return FForm.get(); }

 private:
  TOwned<TTestForm> FForm;
};

inline AnsiString Decimal(const char* Whole, const char* Fraction) {
  return AnsiString(Whole) + FormatSettings.DecimalSeparator + Fraction;
}

}  // namespace value_control_rules

// ---------------------------------------------------------------------------------------
// Spin edit: SetValue brings the value into MinValue..MaxValue (both 0: no range; a minimum
// above the maximum wins below it), shows it as a whole number (half to even) or with two
// decimals, and fires OnChange on every outer write; typed numbers take effect; leaving the
// field shows the value; the limits' setters bring the value in.

template <class TSpin>
struct TSpinEditParts {
  // The edit the user types into.
  static TWinControl* Editor(TSpin* Spin) { return Spin->GetEditor(); }
  static void SetFloat(TSpin* Spin, bool Float) { Spin->SetValueType(Float ? vtFloat : vtInteger); }
  static void UpClick(TSpin* Spin) { Spin->UpClick(); }
  static void DownClick(TSpin* Spin) { Spin->DownClick(); }
};

template <class TSpin>
class SpinEditRules : public value_control_rules::TOnHiddenForm<TSpin> {};
TYPED_TEST_SUITE_P(SpinEditRules);

TYPED_TEST_P(SpinEditRules, SetValueClampsShowsAndTells) {
  using Parts = TSpinEditParts<TypeParam>;
  using value_control_rules::Decimal;
  struct Case {
    const char* name;
    bool isFloat;
    double min, max;
    double set;
    double value;
    AnsiString text;
  };
  const Case cases[] = {
      {"whole: half to even, down", false, 0, 0, 2.5, 2.5, "2"},
      {"whole: half to even, up", false, 0, 0, 3.5, 3.5, "4"},
      {"whole: negative", false, 0, 0, -7, -7, "-7"},
      {"float with two places", true, 0, 0, 1, 1, Decimal("1", "00")},
      {"float rounded to two places", true, 0, 0, 2.345, 2.345, Decimal("2", "35")},
      {"above the range", false, 0, 30, 45, 30, "30"},
      {"below the range", false, 0, 30, -5, 0, "0"},
      {"below a positive minimum", false, 10, 30, 5, 10, "10"},
      {"both limits 0: no range", false, 0, 0, 1000000, 1000000, "1000000"},
      {"minimum above maximum", false, 20, 10, 15, 20, "20"},
      {"minimum above maximum, high", false, 20, 10, 25, 10, "10"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TypeParam* spin = this->Make();
    Parts::SetFloat(spin, c.isFloat);
    spin->SetMinValue(c.min);
    spin->SetMaxValue(c.max);
    int changes = 0;
    spin->OnChange = [&](TObject*) { ++changes; };
    spin->SetValue(c.set);
    EXPECT_DOUBLE_EQ(c.value, spin->GetValue());
    EXPECT_EQ(c.text, spin->GetText());
    EXPECT_EQ(c.text, Parts::Editor(spin)->GetText());
    EXPECT_EQ(1, changes);
    spin->SetValue(c.set);  // unchanged: OnChange all the same
    EXPECT_EQ(2, changes);
    spin->Free();
  }
}

TYPED_TEST_P(SpinEditRules, TypedNumbersTakeEffectAndLeavingShowsTheValue) {
  using Parts = TSpinEditParts<TypeParam>;
  // A number beyond a limit away from zero is replaced at once, one below a positive
  // minimum is left as typed (it may be the start of a larger one).
  struct Case {
    const char* name;
    double min, max, start;
    const char* typed;
    double value;
    const char* text;
    int changes;
  };
  const Case cases[] = {
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
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TypeParam* spin = this->Make();
    spin->SetMinValue(c.min);
    spin->SetMaxValue(c.max);
    spin->SetValue(c.start);
    int changes = 0;
    spin->OnChange = [&](TObject*) { ++changes; };
    TWinControl* editor = Parts::Editor(spin);
    editor->SetText(c.typed);  // as typing does: through the edit's change
    EXPECT_DOUBLE_EQ(c.value, spin->GetValue());
    EXPECT_EQ(c.text, editor->GetText());
    EXPECT_EQ(c.changes, changes);
    editor->Perform(CM_EXIT, 0, 0);  // leaving the field shows the value
    EXPECT_EQ(IntToStr(Round(c.value)), editor->GetText());
    spin->Free();
  }
}

TYPED_TEST_P(SpinEditRules, NestedWritesLimitsIncrementAndSteps) {
  using Parts = TSpinEditParts<TypeParam>;
  TypeParam* spin = this->Make();
  TEventLog log;
  // A SetValue from OnChange only rewrites the text.
  spin->OnChange = [&](TObject*) {
    log("change");
    spin->SetValue(3);
  };
  spin->SetValue(8);
  EXPECT_EQ("change", log.Text());
  EXPECT_DOUBLE_EQ(3, spin->GetValue());
  EXPECT_EQ("3", spin->GetText());
  spin->OnChange = [&](TObject*) { log(FloatToStr(spin->GetValue())); };
  struct Case {
    const char* name;
    std::function<void()> act;
    double value;
    double increment;
    const char* events;
  };
  const Case cases[] = {
      {"a value", [&] { spin->SetValue(8); }, 8, 1, "8"},
      {"a maximum under the value", [&] { spin->SetMaxValue(5); }, 5, 1, "5"},
      // The value below the new minimum is written again, and the maximum still holds it.
      {"a minimum above the maximum", [&] { spin->SetMinValue(6); }, 5, 1, "5"},
      {"a fraction of a step, made whole",
       [&] { Parts::SetFloat(spin, true), spin->SetIncrement(0.4), Parts::SetFloat(spin, false); }, 5, 1, ""},
      {"both limits 0", [&] { spin->SetMinValue(0), spin->SetMaxValue(0); }, 0, 1, "0"},
      {"up", [&] { Parts::UpClick(spin); }, 1, 1, "1"},
      {"down twice", [&] { Parts::DownClick(spin), Parts::DownClick(spin); }, -1, 1, "0 -1"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    log.Clear();
    c.act();
    EXPECT_DOUBLE_EQ(c.value, spin->GetValue());
    EXPECT_DOUBLE_EQ(c.increment, spin->GetIncrement());
    EXPECT_EQ(c.events, log.Text());
  }
}

REGISTER_TYPED_TEST_SUITE_P(SpinEditRules, SetValueClampsShowsAndTells,
                            TypedNumbersTakeEffectAndLeavingShowsTheValue,
                            NestedWritesLimitsIncrementAndSteps);

// ---------------------------------------------------------------------------------------
// Slider: SetValue clamps and tells only a change; SetMaxValue changes the maximum whenever
// it differs (also to 0: the media position slider has no range without media) and brings
// the value in; SetIncrement ignores steps that are not positive; keys step to multiples of
// the increment and tell OnChanged after every step.

template <class T>
class SliderRules : public value_control_rules::TOnHiddenForm<T> {};
TYPED_TEST_SUITE_P(SliderRules);

TYPED_TEST_P(SliderRules, RangeIncrementValueAndKeys) {
  TypeParam* slider = this->Make();
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
}

REGISTER_TYPED_TEST_SUITE_P(SliderRules, RangeIncrementValueAndKeys);

// ---------------------------------------------------------------------------------------
// Speed button: SetDown stores Down and, for a button of a group (GroupIndex not 0) that
// does not allow all up, releases the other buttons of its group on the same parent;
// SetImageIndex stores the index.

template <class T>
class SpeedButtonRules : public value_control_rules::TOnHiddenForm<T> {};
TYPED_TEST_SUITE_P(SpeedButtonRules);

TYPED_TEST_P(SpeedButtonRules, DownReleasesTheGroupAndTheImageIndexIsKept) {
  std::vector<TypeParam*> buttons;
  for (int i = 0; i < 4; ++i) {
    TypeParam* b = this->Make();
    b->SetGroupIndex(i < 3 ? 1 : 0);
    buttons.push_back(b);
  }
  // A group of the same number on another parent is another group.
  auto* panel = new TTestPanel(this->Form());
  panel->SetParent(this->Form());
  auto* elsewhere = new TypeParam(this->Form());
  elsewhere->SetParent(panel);
  elsewhere->SetGroupIndex(1);
  elsewhere->SetDown(true);
  struct Case {
    const char* name;
    std::function<void()> act;
    const char* down;  // one character per button
  };
  const Case cases[] = {
      {"down", [&] { buttons[0]->SetDown(true); }, "1000"},
      {"another of the group", [&] { buttons[1]->SetDown(true); }, "0100"},
      {"again", [&] { buttons[1]->SetDown(true); }, "0100"},
      {"no group", [&] { buttons[3]->SetDown(true); }, "0101"},
      {"all may be up", [&] { buttons[2]->SetAllowAllUp(true), buttons[2]->SetDown(true); }, "0111"},
      {"up", [&] { buttons[1]->SetDown(false); }, "0011"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    c.act();
    std::string state;
    for (TypeParam* b : buttons) state += b->GetDown() ? '1' : '0';
    EXPECT_EQ(c.down, state);
    EXPECT_TRUE(elsewhere->GetDown());
  }
  for (int index : {12, -1, 0}) {
    buttons[0]->SetImageIndex(index);
    EXPECT_EQ(index, buttons[0]->GetImageIndex());
  }
}

REGISTER_TYPED_TEST_SUITE_P(SpeedButtonRules, DownReleasesTheGroupAndTheImageIndexIsKept);

// ---------------------------------------------------------------------------------------
// Integer edit: SetIntEditValue brings the value into MinValue..MaxValue (equal limits: no
// range), keeps it as the edit's value and writes it as decimal text without running the
// edit's own change handling; typed whole numbers become the value (within the limits),
// other text leaves it.

template <class T>
class IntEditRules : public value_control_rules::TOnHiddenForm<T> {};
TYPED_TEST_SUITE_P(IntEditRules);

TYPED_TEST_P(IntEditRules, WrittenAndTypedValues) {
  struct Case {
    const char* name;
    int min, max, set, value;
  };
  const Case cases[] = {
      {"within", 0, 30, 12, 12},
      {"above", 0, 30, 45, 30},
      {"below", 5, 30, 2, 5},
      {"no limits", 0, 0, 45, 45},
      {"equal limits", 7, 7, -3, -3},
      {"negative range", -10, -5, 0, -5},
      {"the largest", 0, 0, std::numeric_limits<int>::max(), std::numeric_limits<int>::max()},
      {"the smallest", 0, 0, std::numeric_limits<int>::min(), std::numeric_limits<int>::min()},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TypeParam* edit = this->Make();
    edit->SetMinValue(c.min);
    edit->SetMaxValue(c.max);
    int changes = 0;
    edit->OnChange = [&](TObject*) { ++changes; };
    SetIntEditValue(edit, c.set);
    EXPECT_EQ(c.value, edit->GetValue());
    EXPECT_EQ(IntToStr(c.value), edit->GetText());
    EXPECT_EQ(0, changes);  // the edit's own change handling does not run
    edit->SetText("abc");
    EXPECT_EQ(c.value, edit->GetValue());
    edit->SetText(IntToStr(c.set));
    EXPECT_EQ(c.value, edit->GetValue());
    EXPECT_EQ(2, changes);
    edit->Free();
  }
}

REGISTER_TYPED_TEST_SUITE_P(IntEditRules, WrittenAndTypedValues);

// ---------------------------------------------------------------------------------------
// Link label (without a skin): a click fires OnClick (and opens nothing with an empty URL);
// while the mouse is over it its text takes the hot colour; an enabled label is underlined
// only with UseUnderLine, a disabled one always.

template <class T>
struct TLinkLabelParts {
  // The font the label draws its text with.
  static TFont* TextFont(T* Label) { return Label->GetFont(); }
  static void SetHotColor(T* Label, TColor Color) { Label->SetActiveFontColor(Color); }
};

template <class T>
class LinkLabelRules : public value_control_rules::TOnHiddenForm<T> {
 protected:
  // How many pixels of each colour the label paints on a white ground, in its own size.
  std::vector<int> Ink(T* Label, std::vector<TColor> Colors) {
    TBitmap bitmap;
    bitmap.SetPixelFormat(pf24bit);
    bitmap.SetSize(Label->GetWidth(), Label->GetHeight());
    TCanvas* canvas = bitmap.GetCanvas();
    canvas->GetBrush()->SetColor(clWhite);
    canvas->FillRect(TRect(0, 0, bitmap.GetWidth(), bitmap.GetHeight()));
    Label->Perform(WM_PAINT, reinterpret_cast<WPARAM>(canvas->GetHandle()), 0);
    std::vector<int> counts(Colors.size(), 0);
    for (int y = 0; y < bitmap.GetHeight(); ++y)
      for (int x = 0; x < bitmap.GetWidth(); ++x) {
        const TColor pixel = canvas->GetPixel(x, y);
        for (size_t i = 0; i < Colors.size(); ++i)
          if (pixel == TColor(ColorToRGB(Colors[i]))) ++counts[i];
      }
    return counts;
  }
};
TYPED_TEST_SUITE_P(LinkLabelRules);

TYPED_TEST_P(LinkLabelRules, ClickHotColourAndUnderline) {
  using Parts = TLinkLabelParts<TypeParam>;
  TypeParam* label = this->Make();
  const TColor text = TColor(0x004000), hot = TColor(0x0000C0);
  Parts::TextFont(label)->SetColor(text);
  Parts::SetHotColor(label, hot);
  // Blanks only: what the label draws is its underline.
  label->SetCaption("          ");
  ASSERT_GT(label->GetWidth(), 10);
  int clicks = 0;
  label->OnClick = [&](TObject*) { ++clicks; };
  label->Click();
  EXPECT_EQ(1, clicks);

  struct Case {
    const char* name;
    std::function<void()> act;
    bool textInk, hotInk, otherInk;
  };
  const Case cases[] = {
      {"at rest", [] {}, true, false, false},
      {"the mouse over it", [&] { label->Perform(CM_MOUSEENTER, 0, 0); }, false, true, false},
      {"without underline", [&] { label->SetUseUnderLine(false); }, false, false, false},
      {"the mouse gone", [&] { label->Perform(CM_MOUSELEAVE, 0, 0), label->SetUseUnderLine(true); }, true, false,
       false},
      {"disabled without underline: underlined all the same",
       [&] { label->SetUseUnderLine(false), label->SetEnabled(false); }, false, false, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    c.act();
    const std::vector<int> ink = this->Ink(label, {text, hot, clWhite});
    const int total = label->GetWidth() * label->GetHeight();
    EXPECT_EQ(c.textInk, ink[0] > 0) << ink[0];
    EXPECT_EQ(c.hotInk, ink[1] > 0) << ink[1];
    EXPECT_EQ(c.otherInk, total - ink[0] - ink[1] - ink[2] > 0);
  }
}

REGISTER_TYPED_TEST_SUITE_P(LinkLabelRules, ClickHotColourAndUnderline);
