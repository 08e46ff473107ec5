// The demo form: one of each control, a main menu, a popup menu, an action list and a
// timer together on a shown form, driven by real input.
#include <gtest/gtest.h>

#include "tests/framework/ControlTestSupport.h"
#include "framework/TypInfo.h"
#include "tests/framework/DemoForm.h"

TEST(DemoForm, EveryControlShowsAndTheMenusActionsAndTimerWork) {
  TFailOnException failures;
  TOwned<TDemoForm> form(new TDemoForm(Application));
  int opened = 0, popupChoice = -1;
  form->miOpen->OnClick = [&](TObject*) { ++opened; };
  for (int i = 0; i < form->Popup->GetItems()->GetCount(); ++i)
    form->Popup->GetItems()->GetItem(i)->OnClick = [&popupChoice, i](TObject*) { popupChoice = i; };
  form->Show();
  SetForegroundWindow(form->GetHandle());
  PumpFor(300);

  // Every windowed control has its window, shown.
  for (TWinControl* control : std::initializer_list<TWinControl*>{
           form->Edit, form->MaskEdit, form->IntEdit, form->Button, form->CheckBox, form->Radio1, form->ListBox,
           form->ComboBox, form->Spin, form->Slider, form->ListView, form->Pages, form->TrackBar, form->UpDown}) {
    SCOPED_TRACE(control->GetName());
    ASSERT_TRUE(control->HandleAllocated());
    EXPECT_TRUE(IsWindowVisible(control->GetHandle()));
  }
  EXPECT_FALSE(IsWindowVisible(form->Panel->GetHandle()));  // on the page not chosen
  Screenshot(form->GetHandle(), "demo-form");

  // The timer ticked while messages were handled.
  EXPECT_GT(form->Ticks, 2);

  // The action's caption reached the button and the menu item at assignment.
  EXPECT_EQ("&Refresh", form->Button->GetCaption());
  EXPECT_EQ("&Refresh", form->miRefresh->GetCaption());
  EXPECT_EQ(1, form->miRefresh->GetImageIndex());
  // Disabled by its update handler: both grey at the next idle.
  form->RefreshAllowed = false;
  PumpFor(100);
  EXPECT_FALSE(form->acRefresh->GetEnabled());
  EXPECT_FALSE(IsWindowEnabled(form->Button->GetHandle()));
  EXPECT_FALSE(form->miRefresh->GetEnabled());
  form->RefreshAllowed = true;
  PumpFor(100);
  EXPECT_TRUE(IsWindowEnabled(form->Button->GetHandle()));
  EXPECT_TRUE(form->miRefresh->GetEnabled());

  TInputDriver input;
  // Ctrl+O is the main menu's short cut.
  input.Add([&] { TypeKey('O', {VK_CONTROL}); });
  // The list box's popup menu on a right click; "U" chooses "&Up".
  input.Add([&] {
    RECT r;
    GetWindowRect(form->ListBox->GetHandle(), &r);
    ClickAt(r.left + 20, r.top + 5, true);
    if (WaitForTopWindow("#32768")) {
      Sleep(300);  // painted
      RECT r;
      GetWindowRect(form->GetHandle(), &r);
      ScreenshotRect(r, "demo-popup");
    }
    TypeKey('U');
  });
  input.Run();
  EXPECT_EQ(1, opened);
  EXPECT_EQ(1, popupChoice);
  EXPECT_EQ(form->ListBox, form->Popup->GetPopupComponent());

  // The texts a language file re-labels, by name.
  struct Text {
    TPersistent* object;
    const char* property;
  };
  const Text texts[] = {
      {form.get(), "Caption"},         {form->Label, "Caption"},     {form->Button, "Caption"},
      {form->CheckBox, "Caption"},     {form->Radio1, "Caption"},    {form->Link, "Caption"},
      {form->Panel, "Caption"},        {form->Sheet1, "Caption"},    {form->miOpen, "Caption"},
      {form->acRefresh, "Caption"},    {form->ListView->GetColumn(1), "Caption"},
      {form->Speed[0], "Hint"},        {form->Edit, "Hint"},         {form->ComboBox, "Hint"},
  };
  for (const Text& t : texts) {
    SCOPED_TRACE(t.property);
    SetStrProp(t.object, t.property, "Relabelled");
    EXPECT_EQ("Relabelled", GetStrProp(t.object, t.property));
  }
  EXPECT_EQ("Relabelled", form->GetCaption());
  EXPECT_EQ("Relabelled", form->Sheet1->GetCaption());
  EXPECT_EQ("TStrings", GetPropInfo(form->ComboBox, "Items")->TypeName);
  EXPECT_EQ("TStrings", GetPropInfo(form->ListBox, "Items")->TypeName);
  EXPECT_NE(nullptr, GetPropInfo(form->ListView, "Columns"));
}
