// Menus without windows: short-cut texts both ways, accelerators of captions, the item
// tree (adding, inserting, deleting, hidden items keeping their indexes), radio groups and
// default items, command numbers and DispatchCommand, short cuts, and items that take
// their state from an action.
#include <gtest/gtest.h>

#include <set>

#include "framework/Forms.h"
#include "framework/Menus.h"
#include "framework/TypInfo.h"
#include "tests/framework/FormTestSupport.h"

namespace {

TMenuItem* NewItem(TComponent* Owner, TMenuItem* Parent, const char* Caption) {
  auto* item = new TMenuItem(Owner);
  item->SetCaption(Caption);
  if (Parent) Parent->Add(item);
  return item;
}

// Sets the keyboard state of this thread: the given keys down, every other up.
void SetKeysDown(std::initializer_list<int> Keys) {
  BYTE state[256] = {};
  for (int key : Keys) state[key] = 0x80;
  SetKeyboardState(state);
}

}  // namespace

TEST(Menus, ShortCutTextsBothWays) {
  struct Case {
    TShortCut shortCut;
    const char* text;
  };
  const Case cases[] = {
      {TShortCut('S' | scCtrl), "Ctrl+S"},
      {TShortCut(VK_F4 | scAlt), "Alt+F4"},
      {TShortCut(VK_F4 | scCtrl), "Ctrl+F4"},
      {TShortCut('A' | scShift | scCtrl), "Shift+Ctrl+A"},
      {TShortCut(VK_DELETE), "Del"},
      {TShortCut(VK_INSERT | scShift), "Shift+Ins"},
      {TShortCut(VK_RETURN | scAlt), "Alt+Enter"},
      {TShortCut(VK_ESCAPE), "Esc"},
      {TShortCut(VK_SPACE | scCtrl), "Ctrl+Space"},
      {TShortCut(VK_BACK), "BkSp"},
      {TShortCut(VK_TAB | scCtrl | scShift), "Shift+Ctrl+Tab"},
      {TShortCut(VK_PRIOR), "PgUp"},
      {TShortCut(VK_NEXT), "PgDn"},
      {TShortCut(VK_HOME), "Home"},
      {TShortCut(VK_END | scCtrl), "Ctrl+End"},
      {TShortCut(VK_LEFT), "Left"},
      {TShortCut(VK_UP), "Up"},
      {TShortCut(VK_RIGHT), "Right"},
      {TShortCut(VK_DOWN | scAlt), "Alt+Down"},
      {TShortCut('7' | scCtrl | scAlt), "Ctrl+Alt+7"},
      {TShortCut(VK_F12 | scShift | scCtrl | scAlt), "Shift+Ctrl+Alt+F12"},
      {TShortCut(VK_F24), "F24"},
      {TShortCut(VK_NUMPAD5), "Num 5"},
      {TShortCut(VK_ADD | scCtrl), "Ctrl+Num +"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(c.text, ShortCutToText(c.shortCut));
    EXPECT_EQ(c.shortCut, TextToShortCut(c.text));
  }

  // Reading ignores case and blanks around the parts; texts naming no key give 0.
  struct Read {
    const char* text;
    TShortCut shortCut;
  };
  const Read reads[] = {
      {"ctrl+s", TShortCut('S' | scCtrl)},
      {"  CTRL+ALT+del ", TShortCut(VK_DELETE | scCtrl | scAlt)},
      {"Ctrl+ F4", TShortCut(VK_F4 | scCtrl)},
      {"alt+f4", TShortCut(VK_F4 | scAlt)},
      {"", 0},
      {"Ctrl+", 0},
      {"Ctrl+Nothing", 0},
      {"Hyper+S", 0},
      {"F25", 0},
  };
  for (const Read& r : reads) {
    SCOPED_TRACE(r.text);
    EXPECT_EQ(r.shortCut, TextToShortCut(r.text));
  }
  EXPECT_EQ("", ShortCutToText(0));

  // Keys and shift states.
  EXPECT_EQ(TShortCut('S' | scCtrl | scShift), ShortCut('S', TShiftState{ssCtrl, ssShift}));
  EXPECT_EQ(TShortCut(VK_F1), ShortCut(VK_F1, TShiftState{ssLeft}));  // mouse buttons are no modifiers
  EXPECT_EQ(0, ShortCut(0x1FF, {}));
  uint16_t key = 0;
  TShiftState shift;
  ShortCutToKey(TShortCut(VK_F4 | scAlt | scShift), key, shift);
  EXPECT_EQ(VK_F4, key);
  EXPECT_TRUE(shift == (TShiftState{ssAlt, ssShift}));
}

TEST(Menus, CaptionAccelerators) {
  struct Case {
    const char* caption;
    const char* stripped;
    char hotkey;
  };
  const Case cases[] = {
      {"&File", "File", 'F'},       {"E&xit", "Exit", 'X'},      {"Add D&VD/VCD", "Add DVD/VCD", 'V'},
      {"Fish && Chips", "Fish & Chips", 0}, {"&& &Both", "& Both", 'B'}, {"No accelerator", "No accelerator", 0},
      {"Trailing &", "Trailing ", 0}, {"", "", 0},                 {"-", "-", 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.caption);
    EXPECT_EQ(c.stripped, StripHotkey(c.caption));
    EXPECT_EQ(c.hotkey, GetHotkey(c.caption));
    if (c.hotkey) {
      EXPECT_TRUE(IsAccel(uint16_t(tolower(c.hotkey)), c.caption));
      EXPECT_TRUE(IsAccel(uint16_t(c.hotkey), c.caption));
    }
    EXPECT_FALSE(IsAccel('Q', c.caption));
  }
}

TEST(Menus, TreesKeepTheirOrderAndHiddenItemsTheirIndexes) {
  TOwned<TComponent> owner(new TComponent(nullptr));
  auto* menu = new TPopupMenu(owner.get());
  TMenuItem* root = menu->GetItems();
  TMenuItem* none = NewItem(owner.get(), root, "No Repeating");
  TMenuItem* item = NewItem(owner.get(), root, "Toggle Specific Item Repeating");
  TMenuItem* list = NewItem(owner.get(), root, "Toggle Playlist Repeating");
  item->SetVisible(false);
  ASSERT_EQ(3, root->GetCount());
  EXPECT_EQ(list, root->GetItem(2));  // the hidden item still counts
  EXPECT_EQ(1, item->GetMenuIndex());
  EXPECT_EQ(root, item->GetParent());
  EXPECT_EQ(menu, list->GetParentMenu());
  EXPECT_EQ(nullptr, NewItem(owner.get(), nullptr, "loose")->GetParentMenu());

  // Insert, move, find, delete.
  TMenuItem* first = new TMenuItem(owner.get());
  first->SetCaption("&First");
  root->Insert(0, first);
  EXPECT_EQ(0, first->GetMenuIndex());
  EXPECT_EQ(1, none->GetMenuIndex());
  list->SetMenuIndex(0);
  EXPECT_EQ(list, root->GetItem(0));
  EXPECT_EQ(first, root->Find("first"));
  EXPECT_EQ(first, root->Find("&FIRST"));
  EXPECT_EQ(nullptr, root->Find("Last"));
  EXPECT_EQ(3, root->IndexOf(item));
  root->Delete(root->IndexOf(first));  // out of the tree, still alive
  EXPECT_EQ(nullptr, first->GetParent());
  EXPECT_EQ(3, root->GetCount());
  EXPECT_EQ(-1, first->GetMenuIndex());

  // Errors leave the tree as it was.
  EXPECT_THROW(root->Add(item), EMenuError);                   // has a parent already
  EXPECT_THROW(root->Insert(9, first), EMenuError);            // beyond the end
  EXPECT_THROW(first->Add(first), EMenuError);                 // into itself
  NewItem(owner.get(), first, "child");
  EXPECT_THROW(first->GetItem(0)->Add(first), EMenuError);     // into its own child
  EXPECT_THROW(root->GetItem(5), EMenuError);
  EXPECT_EQ(3, root->GetCount());

  // A freed item leaves its parent; Clear frees the children, and their children.
  TMenuItem* sub = NewItem(owner.get(), root, "Sub");
  NewItem(owner.get(), NewItem(owner.get(), sub, "a"), "a1");
  NewItem(owner.get(), sub, "b");
  const int components = owner->GetComponentCount();
  sub->GetItem(1)->Free();
  EXPECT_EQ(1, sub->GetCount());
  EXPECT_EQ(components - 1, owner->GetComponentCount());
  sub->Clear();
  EXPECT_EQ(0, sub->GetCount());
  EXPECT_EQ(components - 3, owner->GetComponentCount());
  // Freeing the menu frees its tree (none, item, list and sub); the items that left it
  // stay.
  const int before = owner->GetComponentCount();
  menu->Free();
  EXPECT_EQ(before - 5, owner->GetComponentCount());
  EXPECT_EQ("child", first->GetItem(0)->GetCaption());
}

TEST(Menus, RadioGroupsDefaultItemsAndCommands) {
  TOwned<TComponent> owner(new TComponent(nullptr));
  auto* menu = new TMainMenu(owner.get());
  TMenuItem* root = menu->GetItems();
  std::vector<TMenuItem*> radio;
  for (int i = 0; i < 4; ++i) {
    TMenuItem* item = NewItem(owner.get(), root, "radio");
    item->SetRadioItem(true);
    item->SetGroupIndex(i < 3 ? 1 : 2);  // the last one is a group of its own
    radio.push_back(item);
  }
  TMenuItem* plain = NewItem(owner.get(), root, "plain");
  radio[0]->SetChecked(true);
  radio[3]->SetChecked(true);
  plain->SetChecked(true);
  radio[2]->SetChecked(true);
  EXPECT_FALSE(radio[0]->GetChecked());
  EXPECT_TRUE(radio[2]->GetChecked());
  EXPECT_TRUE(radio[3]->GetChecked());  // another group
  EXPECT_TRUE(plain->GetChecked());     // no radio item
  radio[2]->SetChecked(false);          // unchecking checks no other
  for (TMenuItem* item : radio) EXPECT_EQ(item == radio[3], item->GetChecked());

  // One default item per menu level.
  radio[0]->SetDefault(true);
  radio[1]->SetDefault(true);
  EXPECT_FALSE(radio[0]->GetDefault());
  EXPECT_TRUE(radio[1]->GetDefault());

  // Commands are unique while their items live; DispatchCommand clicks.
  std::set<uint16_t> commands;
  for (int i = 0; i < root->GetCount(); ++i) commands.insert(root->GetItem(i)->GetCommand());
  EXPECT_EQ(size_t(root->GetCount()), commands.size());
  EXPECT_EQ(0u, commands.count(0));
  std::vector<std::string> clicks;
  plain->OnClick = [&](TObject* Sender) { clicks.push_back(static_cast<TMenuItem*>(Sender)->GetCaption()); };
  EXPECT_TRUE(menu->DispatchCommand(plain->GetCommand()));
  EXPECT_FALSE(menu->DispatchCommand(0x7FFF));  // no such item
  plain->SetEnabled(false);
  EXPECT_TRUE(menu->DispatchCommand(plain->GetCommand()));  // found, but a disabled item does not click
  EXPECT_EQ(1u, clicks.size());
  EXPECT_EQ(plain, menu->FindItem(plain->GetCommand(), fkCommand));

  // Changes reach the menu's OnChange.
  int changes = 0;
  menu->OnChange = [&](TObject*, TMenuItem*, bool) { ++changes; };
  plain->SetCaption("renamed");
  plain->SetCaption("renamed");  // no change
  EXPECT_EQ(1, changes);
  // Captions and hints are published for the language files.
  SetStrProp(plain, "Caption", "&Plain");
  EXPECT_EQ("&Plain", plain->GetCaption());
  SetStrProp(plain, "Hint", "A hint");
  EXPECT_EQ("A hint", plain->GetHint());
}

TEST(Menus, ShortCutsClickEnabledItemsAfterTheirActionsUpdate) {
  TOwned<TComponent> owner(new TComponent(nullptr));
  auto* menu = new TMainMenu(owner.get());
  TMenuItem* file = NewItem(owner.get(), menu->GetItems(), "&File");
  TMenuItem* open = NewItem(owner.get(), file, "&Open");
  open->SetShortCut(TextToShortCut("Ctrl+O"));
  TMenuItem* hidden = NewItem(owner.get(), file, "Hidden");
  hidden->SetShortCut(TextToShortCut("F5"));
  hidden->SetVisible(false);
  auto* action = new TAction(owner.get());
  bool allowed = true;
  int runs = 0;
  action->OnUpdate = [&](TObject*) { action->SetEnabled(allowed); };
  action->OnExecute = [&](TObject*) { ++runs; };
  TMenuItem* save = NewItem(owner.get(), file, "");
  save->SetAction(action);
  save->SetShortCut(TextToShortCut("Ctrl+S"));
  int opens = 0, hiddens = 0;
  open->OnClick = [&](TObject*) { ++opens; };
  hidden->OnClick = [&](TObject*) { ++hiddens; };

  auto press = [&](uint16_t Key, std::initializer_list<int> Down) {
    SetKeysDown(Down);
    TMessage message;
    message.Msg = WM_KEYDOWN;
    message.WParam = Key;
    TWMKey key(message);
    const bool result = menu->IsShortCut(key);
    SetKeysDown({});
    return result;
  };
  EXPECT_TRUE(press('O', {VK_CONTROL}));
  EXPECT_FALSE(press('O', {}));                      // no Ctrl
  EXPECT_FALSE(press('O', {VK_CONTROL, VK_SHIFT}));  // another short cut
  EXPECT_TRUE(press(VK_F5, {}));                     // hidden items still answer
  EXPECT_EQ(1, opens);
  EXPECT_EQ(1, hiddens);
  EXPECT_TRUE(press('S', {VK_CONTROL}));
  EXPECT_EQ(1, runs);
  allowed = false;  // the update before the key disables the action, and so the item
  EXPECT_FALSE(press('S', {VK_CONTROL}));
  EXPECT_EQ(1, runs);
  allowed = true;
  file->SetEnabled(false);  // a disabled parent stops its children's short cuts
  EXPECT_FALSE(press('O', {VK_CONTROL}));
  EXPECT_EQ(1, opens);
}

TEST(Menus, ItemsFollowTheirActionAtAssignmentAndOnEveryChange) {
  TOwned<TComponent> owner(new TComponent(nullptr));
  auto* menu = new TPopupMenu(owner.get());
  auto* images = new TImageList(owner.get());
  auto* list = new TActionList(owner.get());
  list->SetImages(images);
  auto* action = new TAction(owner.get());
  action->SetActionList(list);
  action->SetCaption("&Always On Top");
  action->SetHint("Keep the window on top");
  action->SetImageIndex(3);
  action->SetChecked(true);
  TMenuItem* item = NewItem(owner.get(), menu->GetItems(), "old caption");
  item->SetAction(action);
  EXPECT_EQ("&Always On Top", item->GetCaption());
  EXPECT_EQ("Keep the window on top", item->GetHint());
  EXPECT_EQ(3, item->GetImageIndex());
  EXPECT_TRUE(item->GetChecked());
  EXPECT_TRUE(item->GetEnabled());

  action->SetEnabled(false);
  EXPECT_FALSE(item->GetEnabled());
  action->SetChecked(false);
  EXPECT_FALSE(item->GetChecked());
  action->SetCaption("On &Top");
  EXPECT_EQ("On &Top", item->GetCaption());
  action->SetVisible(false);
  EXPECT_FALSE(item->GetVisible());
  action->SetVisible(true);
  action->SetEnabled(true);

  // A click runs the action (the item has no OnClick of its own).
  int runs = 0;
  action->OnExecute = [&](TObject*) { ++runs; };
  item->Click();
  EXPECT_EQ(1, runs);
  // An OnClick of the item's own wins.
  int clicks = 0;
  item->OnClick = [&](TObject*) { ++clicks; };
  item->Click();
  EXPECT_EQ(1, runs);
  EXPECT_EQ(1, clicks);

  // The action going away leaves the item as it is, without an action.
  action->Free();
  EXPECT_EQ(nullptr, item->GetAction());
  EXPECT_EQ("On &Top", item->GetCaption());
  item->Click();
  EXPECT_EQ(2, clicks);
}

TEST(Menus, RethinkLinesHidesTheSeparatorsThatSeparateNothingAndShowsThemAgain) {
  TOwned<TPopupMenu> menu(new TPopupMenu(nullptr));
  EXPECT_EQ(maAutomatic, menu->GetAutoLineReduction());
  TMenuItem* root = menu->GetItems();
  // - A - - B -(hidden by the program) C -
  TMenuItem* lead = NewItem(menu.get(), root, "-");
  TMenuItem* a = NewItem(menu.get(), root, "A");
  TMenuItem* line1 = NewItem(menu.get(), root, "-");
  TMenuItem* line2 = NewItem(menu.get(), root, "-");
  TMenuItem* b = NewItem(menu.get(), root, "B");
  TMenuItem* kept = NewItem(menu.get(), root, "-");
  kept->SetVisible(false);
  TMenuItem* c = NewItem(menu.get(), root, "C");
  TMenuItem* trail = NewItem(menu.get(), root, "-");
  int changes = 0;
  menu->OnChange = [&](TObject*, TMenuItem*, bool) { ++changes; };
  auto shown = [&] {
    std::string s;
    for (int i = 0; i < root->GetCount(); ++i)
      if (root->GetItem(i)->GetVisible()) s += root->GetItem(i)->GetCaption();
    return s;
  };
  EXPECT_TRUE(root->RethinkLines());
  EXPECT_EQ("A-BC", shown());
  EXPECT_EQ(1, changes) << "one change for the whole tree";
  EXPECT_FALSE(lead->GetVisible());
  EXPECT_TRUE(line1->GetVisible());
  EXPECT_FALSE(line2->GetVisible());
  EXPECT_FALSE(trail->GetVisible());
  EXPECT_FALSE(root->RethinkLines()) << "nothing more to do";
  // B goes: one line still stands between A and C; the program's hidden line stays hidden.
  b->SetVisible(false);
  root->RethinkLines();
  EXPECT_EQ("A-C", shown());
  // A goes too: no item before the line any more.
  a->SetVisible(false);
  root->RethinkLines();
  EXPECT_EQ("C", shown());
  // Both back: the lines the reduction hid come back where they separate something.
  a->SetVisible(true);
  b->SetVisible(true);
  root->RethinkLines();
  EXPECT_EQ("A-BC", shown());
  EXPECT_FALSE(kept->GetVisible()) << "hidden by the program";
  (void)c;
  menu->SetAutoLineReduction(maManual);
  EXPECT_EQ(maManual, menu->GetAutoLineReduction());
}

TEST(Menus, AllocatedWindowsHandTheirMessagesToTheMethodUntilDeallocated) {
  constexpr UINT WM_PROBE = WM_USER + 5;
  int probes = 0;
  HWND wnd = nullptr;
  wnd = AllocateHWnd([&](TMessage& Message) {
    if (Message.Msg == WM_PROBE) {
      ++probes;
      if (Message.WParam == 2) throw Exception("probe failed");
      Message.Result = 42;
      return;
    }
    Message.Result = DefWindowProcA(wnd, Message.Msg, Message.WParam, Message.LParam);
  });
  ASSERT_NE(nullptr, wnd);
  EXPECT_FALSE(IsWindowVisible(wnd));
  EXPECT_EQ(GetDesktopWindow(), GetAncestor(wnd, GA_PARENT)) << "top-level, to get broadcasts";
  EXPECT_EQ(42, SendMessageA(wnd, WM_PROBE, 0, 0));
  int reported = 0;
  Application->OnException = [&](TObject*, Exception& E) {
    ++reported;
    EXPECT_EQ("probe failed", E.Message);
  };
  EXPECT_EQ(0, SendMessageA(wnd, WM_PROBE, 2, 0));
  EXPECT_EQ(1, reported);
  Application->OnException = nullptr;
  DeallocateHWnd(wnd);
  EXPECT_FALSE(IsWindow(wnd));
  EXPECT_EQ(2, probes);
  DeallocateHWnd(nullptr);
  // Freed from inside its own message.
  HWND self = nullptr;
  self = AllocateHWnd([&](TMessage& Message) {
    if (Message.Msg == WM_PROBE) {
      DeallocateHWnd(self);
      Message.Result = 7;
    }
  });
  EXPECT_EQ(7, SendMessageA(self, WM_PROBE, 0, 0));
  EXPECT_FALSE(IsWindow(self));
}

TEST(Menus, FormsKnowTheirWindowMenuAndHelpTopicAndDrawTextByTheirReadingOrder) {
  TOwned<TForm> form(new TForm(nullptr));
  auto* menu = new TMainMenu(form.get());
  TMenuItem* window = NewItem(menu, menu->GetItems(), "&Window");
  form->SetMenu(menu);
  form->SetWindowMenu(window);
  EXPECT_EQ(window, form->GetWindowMenu());
  window->Free();
  EXPECT_EQ(nullptr, form->GetWindowMenu()) << "a freed item is forgotten";
  menu->Free();
  EXPECT_EQ(nullptr, form->GetMenu()) << "a freed menu is forgotten";

  form->SetHelpContext(1234);
  EXPECT_FALSE(Application->HelpContext(form->GetHelpContext())) << "no help without OnHelp";
  int asked = -1;
  Application->OnHelp = [&](uint16_t Command, NativeInt Data, bool&) {
    EXPECT_EQ(HELP_CONTEXT, Command);
    asked = int(Data);
    return true;
  };
  EXPECT_TRUE(Application->HelpContext(form->GetHelpContext()));
  EXPECT_EQ(1234, asked);
  Application->OnHelp = nullptr;

  struct TCase {
    TBiDiMode Mode;
    uint32_t Flags, Expected;
  };
  const TCase cases[] = {
      {bdLeftToRight, DT_VCENTER, DT_VCENTER},
      {bdLeftToRight, DT_CENTER | DT_VCENTER, DT_CENTER | DT_VCENTER},
      {bdRightToLeft, DT_VCENTER, DT_VCENTER | DT_RIGHT | DT_RTLREADING},
      {bdRightToLeft, DT_RIGHT, DT_RTLREADING},
      {bdRightToLeft, DT_CENTER, DT_CENTER | DT_RTLREADING},
      {bdRightToLeftNoAlign, DT_VCENTER, DT_VCENTER | DT_RTLREADING},
      {bdRightToLeftReadingOnly, DT_RIGHT, DT_RIGHT | DT_RTLREADING},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(int(c.Mode));
    form->SetBiDiMode(c.Mode);
    EXPECT_EQ(c.Expected, form->DrawTextBiDiModeFlags(c.Flags));
  }
}
