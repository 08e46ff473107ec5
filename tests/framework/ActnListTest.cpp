// Actions and action lists without a message loop: the list handling execution and
// updates, execution only while enabled (after an update), checked groups, actions and
// lists going away, and controls that follow their action (caption, enabled state, hint,
// visibility, a check box's check) at assignment, at load time and on every change.
#include <gtest/gtest.h>

#include "framework/ActnList.h"
#include "framework/StdCtrls.h"
#include "framework/TypInfo.h"
#include "tests/framework/FormTestSupport.h"

TEST(Actions, TheListHandlesFirstAndActionsRunOnlyWhileEnabled) {
  TOwned<TComponent> owner(new TComponent(nullptr));
  auto* list = new TActionList(owner.get());
  auto* action = new TAction(owner.get());
  action->SetActionList(list);
  std::vector<std::string> log;
  bool listHandles = false, enable = true;
  list->OnExecute = [&](TBasicAction* Action, bool& Handled) {
    EXPECT_EQ(action, Action);
    log.push_back("list execute");
    Handled = listHandles;
  };
  list->OnUpdate = [&](TBasicAction*, bool& Handled) {
    log.push_back("list update");
    Handled = false;
  };
  action->OnUpdate = [&](TObject*) {
    log.push_back("update");
    action->SetEnabled(enable);
  };
  action->OnExecute = [&](TObject*) { log.push_back("execute"); };

  struct Case {
    const char* name;
    bool listHandles, enable;
    bool result;
    std::vector<std::string> log;
  };
  const Case cases[] = {
      {"the action runs", false, true, true, {"list update", "update", "list execute", "execute"}},
      {"the list handles it", true, true, true, {"list update", "update", "list execute"}},
      {"disabled by its update", false, false, false, {"list update", "update"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    listHandles = c.listHandles;
    enable = c.enable;
    log.clear();
    EXPECT_EQ(c.result, action->Execute());
    EXPECT_EQ(c.log, log);
  }
  // A list that handles the update keeps the action's own update from running.
  list->OnUpdate = [&](TBasicAction*, bool& Handled) { Handled = true; };
  log.clear();
  list->UpdateActions();
  EXPECT_TRUE(log.empty());
}

TEST(Actions, GroupsIndexesAndGoingAway) {
  TOwned<TComponent> owner(new TComponent(nullptr));
  auto* list = new TActionList(owner.get());
  std::vector<TAction*> actions;
  for (int i = 0; i < 4; ++i) {
    auto* action = new TAction(owner.get());
    action->SetActionList(list);
    action->SetGroupIndex(i < 3 ? 1 : 0);
    actions.push_back(action);
  }
  EXPECT_EQ(4, list->GetActionCount());
  EXPECT_EQ(2, actions[2]->GetIndex());
  actions[0]->SetChecked(true);
  actions[3]->SetChecked(true);  // no group
  actions[1]->SetChecked(true);
  EXPECT_FALSE(actions[0]->GetChecked());
  EXPECT_TRUE(actions[1]->GetChecked());
  EXPECT_TRUE(actions[3]->GetChecked());
  actions[3]->SetIndex(0);
  EXPECT_EQ(actions[3], list->GetAction(0));
  EXPECT_THROW(list->GetAction(4), EListError);

  // Published texts for the language files.
  SetStrProp(actions[0], "Caption", "&Play");
  EXPECT_EQ("&Play", actions[0]->GetCaption());
  SetStrProp(actions[0], "Hint", "Play it");
  EXPECT_EQ("Play it", actions[0]->GetHint());

  // An action going away leaves its list and its clients.
  auto* button = new TButton(owner.get());
  button->SetAction(actions[2]);
  actions[2]->Free();
  EXPECT_EQ(3, list->GetActionCount());
  EXPECT_EQ(nullptr, button->GetAction());
  // The list going away leaves its actions without a list.
  list->Free();
  EXPECT_EQ(nullptr, actions[0]->GetActionList());
  EXPECT_EQ(-1, actions[0]->GetIndex());
  int runs = 0;
  actions[0]->OnExecute = [&](TObject*) { ++runs; };
  EXPECT_TRUE(actions[0]->Execute());  // still usable
  EXPECT_EQ(1, runs);
}

TEST(Actions, ControlsFollowTheirActionAtAssignmentLoadAndEveryChange) {
  TOwned<TComponent> owner(new TComponent(nullptr));
  auto* action = new TAction(owner.get());
  action->SetCaption("&Remove All");
  action->SetHint("Remove every row");
  action->SetChecked(true);

  // At assignment: everything.
  auto* button = new TButton(owner.get());
  button->SetCaption("mine");
  button->SetAction(action);
  EXPECT_EQ("&Remove All", button->GetCaption());
  EXPECT_EQ("Remove every row", button->GetHint());
  auto* check = new TCheckBox(owner.get());
  int checkClicks = 0;
  check->OnClick = [&](TObject*) { ++checkClicks; };
  check->SetAction(action);
  EXPECT_TRUE(check->GetChecked());
  EXPECT_EQ(0, checkClicks);  // following the action is no click

  // On every change.
  action->SetEnabled(false);
  EXPECT_FALSE(button->GetEnabled());
  EXPECT_FALSE(check->GetEnabled());
  action->SetEnabled(true);
  EXPECT_TRUE(button->GetEnabled());
  action->SetCaption("Clear");
  EXPECT_EQ("Clear", button->GetCaption());
  action->SetChecked(false);
  EXPECT_FALSE(check->GetChecked());
  action->SetVisible(false);
  EXPECT_FALSE(button->GetVisible());
  action->SetVisible(true);

  // A click without an OnClick runs the action; with one, only the OnClick.
  int runs = 0, clicks = 0;
  action->OnExecute = [&](TObject*) { ++runs; };
  button->Click();
  EXPECT_EQ(1, runs);
  button->OnClick = [&](TObject*) { ++clicks; };
  button->Click();
  EXPECT_EQ(1, runs);
  EXPECT_EQ(1, clicks);

  // When a form is read, a control keeps what it was given and takes from its action
  // (read with it) only what it has not.
  struct Case {
    const char* name;
    const char* caption;
    bool enabled;
    const char* expectedCaption;
    bool expectedEnabled;
  };
  const Case cases[] = {
      {"own caption kept", "Own", true, "Own", false},
      {"empty caption taken", "", true, "Load", false},
      {"disabled kept", "Own", false, "Own", false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    auto* root = new TComponent(owner.get());
    TButton* loaded = nullptr;
    {
      TComponentLoading loading(root);
      auto* loadedAction = new TAction(root);
      loadedAction->SetCaption("Load");
      loadedAction->SetEnabled(false);
      loaded = new TButton(root);
      loaded->SetCaption(c.caption);
      loaded->SetEnabled(c.enabled);
      loaded->SetAction(loadedAction);
      loading.Finish();
    }
    EXPECT_EQ(c.expectedCaption, loaded->GetCaption());
    EXPECT_EQ(c.expectedEnabled, loaded->GetEnabled());
    root->Free();
  }
}
