// Focus and keys, driven by real key presses: Tab order through nested controls, CM_EXIT
// and CM_ENTER down the control tree, CM_FOCUSCHANGED to every control, dialog keys and
// characters answered by the form's controls, keys a control wants for itself, key
// preview, short cuts and the application's message hook.
#include <gtest/gtest.h>

#include "tests/framework/FormTestSupport.h"
#include "tests/framework/TestControls.h"

namespace {

struct TKeyForm {
  TOwned<TTestForm> form{new TTestForm(Application, 320, 160)};
  TTestButton* b1 = Button("b1", 10);
  TTestButton* b2 = Button("b2", 80);
  TTestButton* b3 = Button("b3", 150);  // disabled
  TTestButton* b4 = Button("b4", 220);  // hidden
  TTestPanel* p = nullptr;
  TTestButton* b5 = nullptr;

  TKeyForm() {
    b3->SetEnabled(false);
    b4->SetVisible(false);
    p = new TTestPanel(form.get());
    p->SetName("p");
    p->SetBounds(10, 60, 200, 60);
    p->SetParent(form.get());
    b5 = new TTestButton(form.get());
    b5->SetName("b5");
    b5->SetCaption("b5");
    b5->SetBounds(10, 10, 60, 24);
    b5->SetParent(p);
    form->Show();
    SetForegroundWindow(form->GetHandle());
    PumpUntil([this] { return form->GetActive() && b1->Focused(); });
  }
  TTestButton* Button(const char* name, int left) {
    auto* b = new TTestButton(form.get());
    b->SetName(name);
    b->SetCaption(name);
    b->SetLeft(left);
    b->SetTop(10);
    b->SetParent(form.get());
    return b;
  }
  TWinControl* Focused() { return FindControl(GetFocus()); }
};

}  // namespace

TEST(FocusKeys, TabWalksTheTabOrderAndFocusMessagesFollowTheTree) {
  TKeyForm f;
  ASSERT_TRUE(f.b1->Focused()) << "the first control in tab order takes the focus";
  EXPECT_EQ(f.b1, f.form->GetActiveControl());
  EXPECT_EQ(f.b1, Screen->GetActiveControl());
  EXPECT_EQ(f.form.get(), Screen->GetActiveForm());
  PumpFor(100);
  Screenshot(f.form->GetHandle(), "focus");

  for (TLoggingControl<TCustomControl>* c :
       std::vector<TLoggingControl<TCustomControl>*>{f.b1, f.b2, f.b3, f.b4, f.b5, f.p})
    c->FocusChanges.clear();
  TestLog().clear();
  TInputDriver input;
  for (int i = 0; i < 4; ++i)
    input.Add([] { TypeKey(VK_TAB); });
  input.Run();
  std::vector<std::string> expected = {"CM_EXIT b1", "CM_ENTER b2", "CM_EXIT b2", "CM_ENTER p",
                                       "CM_ENTER b5", "CM_EXIT b5", "CM_EXIT p", "CM_ENTER b1",
                                       "CM_EXIT b1", "CM_ENTER b2"};
  EXPECT_EQ(expected, TestLog());
  EXPECT_TRUE(f.b2->Focused());
  // Every control of the form heard of every change, the nested one too.
  EXPECT_EQ(4u, f.b5->FocusChanges.size());
  EXPECT_EQ(f.b5, f.b1->FocusChanges[1]);
  EXPECT_EQ(f.b2, f.b3->FocusChanges.back());

  // Backwards, and a changed tab order.
  input.Add([] { TypeKey(VK_TAB, {VK_SHIFT}); });
  input.Run();
  EXPECT_TRUE(f.b1->Focused());
  f.b2->SetTabOrder(0);
  EXPECT_EQ(0, f.b2->GetTabOrder());
  EXPECT_EQ(1, f.b1->GetTabOrder());
  input.Add([] { TypeKey(VK_TAB); });
  input.Run();
  EXPECT_TRUE(f.b5->Focused()) << "after b1 come the disabled, the hidden, the panel's button";
  // An arrow key moves among the focused control's siblings, tab stops or not.
  f.b1->SetFocus();
  PumpFor(20);
  input.Add([] { TypeKey(VK_RIGHT); });
  input.Run();
  EXPECT_TRUE(f.p->Focused());
  input.Add([] { TypeKey(VK_LEFT); });
  input.Run();
  EXPECT_TRUE(f.b1->Focused());
}

TEST(FocusKeys, KeysAControlDoesNotWantReachTheFormAsDialogKeysAndCharacters) {
  TKeyForm f;
  f.b1->Default = true;
  f.b5->Cancel = true;
  f.b2->Accelerator = 'a';
  f.b2->SetFocus();
  PumpFor(20);
  TInputDriver input;
  input.Add([] { TypeKey(VK_RETURN); });
  input.Add([] { TypeKey(VK_ESCAPE); });
  input.Add([] { TypeKey('A', {VK_MENU}); });
  input.Run();
  EXPECT_EQ(1, f.b1->Clicks) << "Enter: the default button";
  EXPECT_EQ(1, f.b5->Clicks) << "Escape: the cancel button";
  EXPECT_EQ(1, f.b2->Clicks) << "Alt+A: the accelerator";
  EXPECT_TRUE(f.b2->KeysDown.empty() || f.b2->KeysDown.back() != VK_RETURN);

  // A control that wants Enter gets it itself.
  f.b2->WantsReturn = true;
  input.Add([] { TypeKey(VK_RETURN); });
  input.Run();
  EXPECT_EQ(1, f.b1->Clicks);
  ASSERT_FALSE(f.b2->KeysDown.empty());
  EXPECT_EQ(VK_RETURN, f.b2->KeysDown.back());
}

TEST(FocusKeys, KeyPreviewShortCutsAndTheMessageHookComeFirst) {
  TKeyForm f;
  std::vector<uint16_t> formKeys;
  f.form->OnKeyDown = [&](TObject*, uint16_t& Key, TShiftState) {
    formKeys.push_back(Key);
    if (Key == 'Q') Key = 0;  // swallowed
  };
  std::vector<char> pressed;
  f.b1->OnKeyPress = [&](TObject*, char& Key) { pressed.push_back(Key); };
  TInputDriver input;
  input.Add([] { TypeKey('Q'); });
  input.Add([] { TypeKey('W'); });
  input.Run();
  // Without KeyPreview the form sees nothing.
  EXPECT_TRUE(formKeys.empty());
  EXPECT_EQ((std::vector<uint16_t>{'Q', 'W'}), f.b1->KeysDown);
  f.b1->KeysDown.clear();
  f.form->SetKeyPreview(true);
  input.Add([] { TypeKey('Q'); });
  input.Add([] { TypeKey('W'); });
  input.Run();
  EXPECT_EQ((std::vector<uint16_t>{'Q', 'W'}), formKeys);
  EXPECT_EQ((std::vector<uint16_t>{'W'}), f.b1->KeysDown);
  EXPECT_EQ('w', pressed.back());

  // Short cuts: the form's OnShortCut, then the application's.
  std::vector<uint16_t> formShortCuts, appShortCuts;
  f.form->OnShortCut = [&](TWMKey& Msg, bool& Handled) {
    formShortCuts.push_back(Msg.GetCharCode());
    Handled = Msg.GetCharCode() == 'S' && GetKeyState(VK_CONTROL) < 0;
  };
  Application->OnShortCut = [&](TWMKey& Msg, bool& Handled) {
    appShortCuts.push_back(Msg.GetCharCode());
    Handled = Msg.GetCharCode() == VK_F2;
  };
  f.b1->KeysDown.clear();
  formKeys.clear();
  input.Add([] { TypeKey('S', {VK_CONTROL}); });
  input.Add([] { TypeKey(VK_F2); });
  input.Run();
  Application->OnShortCut = nullptr;
  EXPECT_NE(formShortCuts.end(), std::find(formShortCuts.begin(), formShortCuts.end(), 'S'));
  EXPECT_NE(appShortCuts.end(), std::find(appShortCuts.begin(), appShortCuts.end(), VK_F2));
  EXPECT_EQ(appShortCuts.end(), std::find(appShortCuts.begin(), appShortCuts.end(), 'S'));
  for (uint16_t key : f.b1->KeysDown) EXPECT_TRUE(key != 'S' && key != VK_F2) << key;
  for (uint16_t key : formKeys) EXPECT_TRUE(key != 'S' && key != VK_F2) << key;

  // OnMessage sees messages before anything else; what it handles is dropped.
  std::vector<UINT> seen;
  Application->OnMessage = [&](MSG& Msg, bool& Handled) {
    if (Msg.message == WM_KEYDOWN) {
      seen.push_back(static_cast<UINT>(Msg.wParam));
      Handled = Msg.wParam == 'Z';
    }
  };
  f.b1->KeysDown.clear();
  input.Add([] { TypeKey('Z'); });
  input.Add([] { TypeKey('X'); });
  input.Run();
  Application->OnMessage = nullptr;
  EXPECT_EQ((std::vector<UINT>{'Z', 'X'}), seen);
  EXPECT_EQ((std::vector<uint16_t>{'X'}), f.b1->KeysDown);
}

TEST(FocusKeys, APressSendsCancelModeToTheActiveControlFirst) {
  TKeyForm f;
  f.b1->SetFocus();
  PumpFor(20);
  TestLog().clear();
  TInputDriver input;
  input.Add([&] {
    TPoint p = ScreenPoint(f.b2, 5, 5);
    MoveMouseTo(p.X, p.Y);
  });
  input.Add([] {
    MouseButton(true);
    MouseButton(false);
  });
  input.Run();
  std::vector<std::string> cancels;
  for (const std::string& entry : TestLog())
    if (entry.rfind("CM_CANCELMODE", 0) == 0) cancels.push_back(entry);
  EXPECT_EQ((std::vector<std::string>{"CM_CANCELMODE b1 by b2"}), cancels);
  EXPECT_TRUE(f.b2->Focused());
  EXPECT_EQ(1, f.b2->Clicks);
}
