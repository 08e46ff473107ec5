#include "framework/ActnList.h"

#include <algorithm>

#include "framework/ImgList.h"
#include "framework/TypInfo.h"

// ---------------------------------------------------------------------------------------
// TContainedAction

void TContainedAction::BeforeDestruction() {
  SetActionList(nullptr);
  TBasicAction::BeforeDestruction();
}

void TContainedAction::SetActionList(TCustomActionList* Value) {
  if (Value == FActionList) return;
  if (FActionList) FActionList->RemoveAction(this);
  if (Value) Value->AddAction(this);
}

int TContainedAction::GetIndex() const {
  if (!FActionList) return -1;
  auto& list = FActionList->FActions;
  auto found = std::find(list.begin(), list.end(), this);
  return found == list.end() ? -1 : static_cast<int>(found - list.begin());
}

void TContainedAction::SetIndex(int Value) {
  const int current = GetIndex();
  if (current < 0) return;
  auto& list = FActionList->FActions;
  Value = std::max(0, std::min(Value, static_cast<int>(list.size()) - 1));
  if (Value == current) return;
  list.erase(list.begin() + current);
  list.insert(list.begin() + Value, this);
  FActionList->Change();
}

void TContainedAction::SetCategory(const AnsiString& Value) {
  if (FCategory == Value) return;
  FCategory = Value;
  if (FActionList) FActionList->Change();
}

bool TContainedAction::Execute() {
  if (FActionList && FActionList->ExecuteAction(this)) return true;
  return TBasicAction::Execute();
}

bool TContainedAction::Update() {
  if (FActionList && FActionList->UpdateAction(this)) return true;
  return TBasicAction::Update();
}

// ---------------------------------------------------------------------------------------
// TCustomAction

void TCustomAction::SetCaption(const AnsiString& Value) {
  if (FCaption == Value) return;
  FCaption = Value;
  Change();
}

void TCustomAction::SetEnabled(bool Value) {
  if (FEnabled == Value) return;
  FEnabled = Value;
  Change();
}

void TCustomAction::SetChecked(bool Value) {
  if (FChecked == Value || FChecking) return;
  FChecking = true;
  try {
    FChecked = Value;
    if (Value && FGroupIndex > 0 && GetActionList()) {
      TCustomActionList* list = GetActionList();
      for (int i = 0; i < list->GetActionCount(); ++i) {
        auto* other = dynamic_cast<TCustomAction*>(list->GetAction(i));
        if (other && other != this && other->FGroupIndex == FGroupIndex) other->SetChecked(false);
      }
    }
    Change();
  } catch (...) {
    FChecking = false;
    throw;
  }
  FChecking = false;
}

void TCustomAction::SetGroupIndex(int Value) {
  if (FGroupIndex == Value) return;
  FGroupIndex = Value;
  if (FChecked && Value > 0) {
    FChecked = false;  // checked again through the setter, which clears the group
    SetChecked(true);
  }
}

void TCustomAction::SetHint(const AnsiString& Value) {
  if (FHint == Value) return;
  FHint = Value;
  Change();
}

void TCustomAction::SetImageIndex(int Value) {
  if (FImageIndex == Value) return;
  FImageIndex = Value;
  Change();
}

void TCustomAction::SetVisible(bool Value) {
  if (FVisible == Value) return;
  FVisible = Value;
  Change();
}

TCustomImageList* TCustomAction::GetImages() const {
  return GetActionList() ? GetActionList()->GetImages() : nullptr;
}

bool TCustomAction::Execute() {
  Update();
  return FEnabled && TContainedAction::Execute();
}

void TCustomAction::PublishProperties(TPropList& Props) const {
  TContainedAction::PublishProperties(Props);
  Props.String("Caption", &TCustomAction::GetCaption, &TCustomAction::SetCaption, "TCaption");
  Props.String("Category", &TContainedAction::GetCategory, &TContainedAction::SetCategory);
  Props.String("Hint", &TCustomAction::GetHint, &TCustomAction::SetHint);
}

// ---------------------------------------------------------------------------------------
// TCustomActionList

void TCustomActionList::BeforeDestruction() {
  while (!FActions.empty()) RemoveAction(FActions.back());
  TComponent::BeforeDestruction();
}

TContainedAction* TCustomActionList::GetAction(int Index) const {
  if (Index < 0 || Index >= GetActionCount()) throw EListError("List index out of bounds (%d)", {Index});
  return FActions[size_t(Index)];
}

void TCustomActionList::SetImages(TCustomImageList* Value) {
  if (ReplaceComponentReference(this, FImages, Value)) Change();
}

void TCustomActionList::AddAction(TContainedAction* Action) {
  FActions.push_back(Action);
  Action->FActionList = this;
  Action->FreeNotification(this);
  Change();
}

void TCustomActionList::RemoveAction(TContainedAction* Action) {
  auto found = std::find(FActions.begin(), FActions.end(), Action);
  if (found == FActions.end()) return;
  FActions.erase(found);
  Action->FActionList = nullptr;
  Action->RemoveFreeNotification(this);
  Change();
}

void TCustomActionList::Notification(TComponent* AComponent, TOperation Operation) {
  TComponent::Notification(AComponent, Operation);
  if (Operation != opRemove) return;
  if (FImages == AComponent) FImages = nullptr;
  if (auto* action = dynamic_cast<TContainedAction*>(AComponent)) RemoveAction(action);
}

bool TCustomActionList::ExecuteAction(TBasicAction* Action) {
  bool handled = false;
  if (OnExecute) OnExecute(Action, handled);
  return handled;
}

bool TCustomActionList::UpdateAction(TBasicAction* Action) {
  bool handled = false;
  if (OnUpdate) OnUpdate(Action, handled);
  return handled;
}

void TCustomActionList::UpdateActions() {
  for (TContainedAction* action : std::vector<TContainedAction*>(FActions))
    if (std::find(FActions.begin(), FActions.end(), action) != FActions.end()) action->Update();
}

void TCustomActionList::Change() {
  if (OnChange) OnChange(this);
}
