// Actions and action lists. An action is a command with a caption, an enabled and a
// checked state, a hint and an image; the controls and menu items linked to it (through
// their Action) show those and run it when clicked. Every change of the action reaches its
// clients at once; OnUpdate runs when the program is idle (for the actions of the visible
// controls and menu items) and before a short cut or an execution, so an update handler
// keeps the state current. An action list gathers actions and may handle their execution
// and update for all of them.
#pragma once

#include <functional>
#include <vector>

#include "framework/Classes.h"

class TCustomActionList;
class TCustomImageList;

// The action's own link as its clients hold it.
class TActionLink : public TBasicActionLink {
 public:
  explicit TActionLink(TObject* AClient) : TBasicActionLink(AClient) {}
};

// An action that can belong to an action list.
class TContainedAction : public TBasicAction {
 public:
  explicit TContainedAction(TComponent* AOwner) : TBasicAction(AOwner) {}
  void BeforeDestruction() override;

  TCustomActionList* GetActionList() const { return FActionList; }
  void SetActionList(TCustomActionList* Value);
  // The action's position in its list (-1 without a list).
  int GetIndex() const;
  void SetIndex(int Value);
  AnsiString GetCategory() const { return FCategory; }
  void SetCategory(const AnsiString& Value);

  // The list's OnExecute first (it may handle the execution), then the action's own.
  bool Execute() override;
  // The list's OnUpdate first, then the action's own.
  bool Update() override;

 private:
  friend class TCustomActionList;
  TCustomActionList* FActionList = nullptr;
  AnsiString FCategory;
};

// An action with the properties its clients show.
class TCustomAction : public TContainedAction {
 public:
  explicit TCustomAction(TComponent* AOwner) : TContainedAction(AOwner) {}

  AnsiString GetCaption() const { return FCaption; }
  void SetCaption(const AnsiString& Value);
  bool GetEnabled() const { return FEnabled; }
  void SetEnabled(bool Value);
  bool GetChecked() const { return FChecked; }
  // Checking an action of a group (GroupIndex above 0) unchecks the others of its list.
  void SetChecked(bool Value);
  int GetGroupIndex() const { return FGroupIndex; }
  void SetGroupIndex(int Value);
  AnsiString GetHint() const { return FHint; }
  void SetHint(const AnsiString& Value);
  int GetImageIndex() const { return FImageIndex; }
  void SetImageIndex(int Value);
  bool GetVisible() const { return FVisible; }
  void SetVisible(bool Value);
  // The list's images (the action's image index points into them).
  TCustomImageList* GetImages() const;

  // Updates the action, then runs it only while it is enabled; false when it did not run.
  bool Execute() override;
  void PublishProperties(TPropList& Props) const override;

 private:
  AnsiString FCaption;
  bool FEnabled = true;
  bool FChecked = false;
  int FGroupIndex = 0;
  AnsiString FHint;
  int FImageIndex = -1;
  bool FVisible = true;
  bool FChecking = false;
};

class TAction : public TCustomAction {
 public:
  explicit TAction(TComponent* AOwner) : TCustomAction(AOwner) {}
};

// Handles an action's execution or update for the whole list; Handled stops the action's
// own handler.
using TActionEvent = std::function<void(TBasicAction* Action, bool& Handled)>;

class TCustomActionList : public TComponent {
 public:
  explicit TCustomActionList(TComponent* AOwner) : TComponent(AOwner) {}
  void BeforeDestruction() override;

  int GetActionCount() const { return static_cast<int>(FActions.size()); }
  TContainedAction* GetAction(int Index) const;  // Actions[]
  TCustomImageList* GetImages() const { return FImages; }
  void SetImages(TCustomImageList* Value);

  // OnExecute / OnUpdate of the list; true when the list handled the action.
  virtual bool ExecuteAction(TBasicAction* Action);
  virtual bool UpdateAction(TBasicAction* Action);
  // Updates every action of the list.
  void UpdateActions();

  TActionEvent OnExecute;
  TActionEvent OnUpdate;
  TNotifyEvent OnChange;

 protected:
  friend class TContainedAction;
  void AddAction(TContainedAction* Action);
  void RemoveAction(TContainedAction* Action);
  void Notification(TComponent* AComponent, TOperation Operation) override;
  virtual void Change();

 private:
  std::vector<TContainedAction*> FActions;
  TCustomImageList* FImages = nullptr;
};

class TActionList : public TCustomActionList {
 public:
  explicit TActionList(TComponent* AOwner) : TCustomActionList(AOwner) {}
};
