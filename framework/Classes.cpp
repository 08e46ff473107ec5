// Persistent objects, components, the loading scope, pointer lists and collections.
#include "framework/Classes.h"

#include <algorithm>

#include "framework/TypInfo.h"

namespace {

template <class T>
bool RemoveFrom(std::vector<T*>& list, T* item) {
  auto found = std::find(list.begin(), list.end(), item);
  if (found == list.end()) return false;
  list.erase(found);
  return true;
}

}  // namespace

// ---------------------------------------------------------------------------------------
// TPersistent

void TPersistent::Assign(TPersistent* Source) {
  if (Source) {
    Source->AssignTo(this);
  } else {
    AssignError(nullptr);
  }
}

void TPersistent::AssignTo(TPersistent* Dest) { Dest->AssignError(this); }

void TPersistent::AssignError(TPersistent* Source) {
  AnsiString sourceName = Source ? Source->ClassName() : AnsiString("nil");
  throw EConvertError("Cannot assign a %s to a %s", {sourceName, ClassName()});
}

AnsiString TPersistent::GetNamePath() const {
  AnsiString result = ClassName();
  if (TPersistent* owner = GetOwner()) {
    AnsiString ownerPath = owner->GetNamePath();
    if (!ownerPath.empty()) result = ownerPath + "." + result;
  }
  return result;
}

void TPersistent::PublishProperties(TPropList&) const {}

// ---------------------------------------------------------------------------------------
// TComponent

TComponent::TComponent(TComponent* AOwner) {
  if (AOwner) AOwner->InsertComponent(this);
}

TComponent::~TComponent() {
  // Freed with delete rather than Free: the same steps, but this object's own overrides
  // are gone already (the others are whole).
  FinishDestruction();
  if (FLoading) FLoading->Detach();
}

void TComponent::BeforeDestruction() { FinishDestruction(); }

void TComponent::FinishDestruction() {
  if (FDestructionStarted) return;
  FDestructionStarted = true;
  Destroying();
  SendFreeNotifications();
  DestroyComponents();
  if (FOwner) FOwner->RemoveComponent(this);
}

void TComponent::Destroying() {
  if (FComponentState.Contains(csDestroying)) return;
  FComponentState.Include(csDestroying);
  for (TComponent* component : FComponents) component->Destroying();
}

void TComponent::SendFreeNotifications() {
  while (!FFreeNotifies.empty()) {
    TComponent* other = FFreeNotifies.back();
    FFreeNotifies.pop_back();
    RemoveFrom(other->FFreeNotifies, this);
    other->Notification(this, opRemove);
  }
}

void TComponent::DestroyComponents() {
  while (!FComponents.empty()) {
    TComponent* component = FComponents.back();
    // Everyone still here is told before the component goes, while it is whole.
    RemoveComponent(component);
    if (!FComponents.empty() && FComponents.back() == component) Remove(component);
    component->Free();
  }
}

TComponent* TComponent::GetComponent(int Index) const {
  if (Index < 0 || Index >= GetComponentCount())
    throw EListError("List index out of bounds (%d)", {Index});
  return FComponents[static_cast<size_t>(Index)];
}

int TComponent::GetComponentIndex() const {
  if (!FOwner) return -1;
  auto& list = FOwner->FComponents;
  auto found = std::find(list.begin(), list.end(), this);
  return found == list.end() ? -1 : static_cast<int>(found - list.begin());
}

void TComponent::SetComponentIndex(int Value) {
  if (!FOwner) return;
  int current = GetComponentIndex();
  if (current < 0) return;
  auto& list = FOwner->FComponents;
  int last = static_cast<int>(list.size()) - 1;
  Value = std::max(0, std::min(Value, last));
  if (Value == current) return;
  list.erase(list.begin() + current);
  list.insert(list.begin() + Value, this);
}

TComponent* TComponent::FindComponent(const AnsiString& AName) const {
  if (AName.empty()) return nullptr;
  for (TComponent* component : FComponents)
    if (SameText(component->FName, AName)) return component;
  return nullptr;
}

void TComponent::ValidateRename(TComponent* AComponent, const AnsiString& CurName,
                                const AnsiString& NewName) const {
  if (AComponent && !NewName.empty() && !SameText(CurName, NewName) && FindComponent(NewName))
    throw EComponentError("A component named %s already exists", {NewName});
}

void TComponent::SetName(const AnsiString& Value) {
  if (FName == Value) return;
  if (!Value.empty() && !IsValidIdent(Value))
    throw EComponentError("'%s' is not a valid component name", {Value});
  if (FOwner) FOwner->ValidateRename(this, FName, Value);
  FName = Value;
}

void TComponent::Insert(TComponent* AComponent) {
  FComponents.push_back(AComponent);
  AComponent->FOwner = this;
  if (FLoading) FLoading->Add(AComponent);
}

void TComponent::Remove(TComponent* AComponent) {
  AComponent->FOwner = nullptr;
  RemoveFrom(FComponents, AComponent);
  if (FLoading) FLoading->Forget(AComponent);
}

void TComponent::InsertComponent(TComponent* AComponent) {
  if (!AComponent || AComponent->FOwner == this) return;
  // A name that clashes here leaves the component where it was.
  ValidateRename(AComponent, AnsiString(), AComponent->FName);
  if (AComponent->FOwner) AComponent->FOwner->RemoveComponent(AComponent);
  Insert(AComponent);
  Notification(AComponent, opInsert);
}

void TComponent::RemoveComponent(TComponent* AComponent) {
  if (!AComponent || AComponent->FOwner != this) return;
  Notification(AComponent, opRemove);
  if (AComponent->FOwner == this) Remove(AComponent);
}

void TComponent::FreeNotification(TComponent* AComponent) {
  if (!AComponent || AComponent == this) return;
  if (std::find(FFreeNotifies.begin(), FFreeNotifies.end(), AComponent) == FFreeNotifies.end())
    FFreeNotifies.push_back(AComponent);
  auto& others = AComponent->FFreeNotifies;
  if (std::find(others.begin(), others.end(), this) == others.end()) others.push_back(this);
}

void TComponent::RemoveFreeNotification(TComponent* AComponent) {
  if (!AComponent) return;
  RemoveFrom(FFreeNotifies, AComponent);
  RemoveFrom(AComponent->FFreeNotifies, this);
}

void TComponent::Notification(TComponent* AComponent, TOperation Operation) {
  if (Operation == opRemove && AComponent) RemoveFreeNotification(AComponent);
  // Handlers may free or add components: walk down from the end and re-check the index.
  size_t i = FComponents.size();
  while (i > 0) {
    --i;
    if (i >= FComponents.size()) {
      if (FComponents.empty()) break;
      i = FComponents.size() - 1;
    }
    FComponents[i]->Notification(AComponent, Operation);
  }
}

void TComponent::Loaded() { FComponentState.Exclude(csLoading); }

void TComponent::SetComponentStateFlag(TComponentStateFlag Flag, bool On) {
  if (On) {
    FComponentState.Include(Flag);
  } else {
    FComponentState.Exclude(Flag);
  }
}

void TComponent::PublishProperties(TPropList& Props) const {
  TPersistent::PublishProperties(Props);
  Props.String("Name", &TComponent::GetName, &TComponent::SetName, "TComponentName");
}

// ---------------------------------------------------------------------------------------
// TComponentLoading

TComponentLoading::TComponentLoading(TComponent* Root) : FRoot(Root) {
  if (!FRoot) return;
  if (FRoot->FLoading) throw EComponentError("%s is already being loaded", {FRoot->ClassName()});
  FRoot->FLoading = this;
  FRoot->FComponentState << csLoading << csReading;
}

TComponentLoading::~TComponentLoading() {
  if (!FRoot) return;
  for (TComponent* component : FLoaded)
    if (component) component->FComponentState >> csLoading >> csReading;
  FRoot->FComponentState >> csLoading >> csReading;
  Detach();
}

void TComponentLoading::Add(TComponent* Component) {
  if (FFinishing) return;  // made by a Loaded handler: not part of the load
  FLoaded.push_back(Component);
  Component->FComponentState << csLoading << csReading;
}

void TComponentLoading::Forget(TComponent* Component) {
  for (TComponent*& entry : FLoaded)
    if (entry == Component) entry = nullptr;
}

void TComponentLoading::Detach() {
  if (FRoot && FRoot->FLoading == this) FRoot->FLoading = nullptr;
  FRoot = nullptr;
}

void TComponentLoading::Finish() {
  if (!FRoot || FFinishing) return;
  FFinishing = true;
  TComponent* root = FRoot;
  root->FComponentState >> csReading;
  for (TComponent* component : FLoaded)
    if (component) component->FComponentState >> csReading;
  root->Loaded();
  root->FComponentState >> csLoading;
  // A Loaded handler may free other components of the load: their owner's removal clears
  // their entries here (Forget). Should a handler raise, the destructor clears the states
  // of the rest.
  for (size_t i = 0; i < FLoaded.size(); ++i) {
    TComponent* component = FLoaded[i];
    if (!component) continue;
    component->Loaded();
    if (FLoaded[i] == component) component->FComponentState >> csLoading;
    FLoaded[i] = nullptr;
  }
  FLoaded.clear();
  Detach();
  root->AfterConstruction();
}

// ---------------------------------------------------------------------------------------
// TBasicActionLink, TBasicAction

TBasicActionLink::TBasicActionLink(TObject* AClient) { AssignClient(AClient); }

TBasicActionLink::~TBasicActionLink() {
  if (FAction) FAction->UnRegisterChanges(this);
}

bool TBasicActionLink::Execute(TComponent* AComponent) {
  if (!FAction) return false;
  TBasicAction* action = FAction;
  action->SetActionComponent(AComponent);
  bool result;
  try {
    result = action->Execute();
  } catch (...) {
    if (FAction) FAction->SetActionComponent(nullptr);
    throw;
  }
  if (FAction) FAction->SetActionComponent(nullptr);
  return result;
}

bool TBasicActionLink::Update() { return FAction ? FAction->Update() : false; }

void TBasicActionLink::SetAction(TBasicAction* Value) {
  if (Value == FAction) return;
  if (FAction) FAction->UnRegisterChanges(this);
  FAction = Value;
  if (Value) Value->RegisterChanges(this);
}

void TBasicActionLink::Change() {
  if (OnChange) OnChange(FAction);
}

TBasicAction::~TBasicAction() { UnlinkClients(); }

void TBasicAction::BeforeDestruction() {
  TComponent::BeforeDestruction();
  UnlinkClients();
}

void TBasicAction::UnlinkClients() {
  while (!FClients.empty()) UnRegisterChanges(FClients.back());
}

bool TBasicAction::Execute() {
  if (!OnExecute) return false;
  OnExecute(this);
  return true;
}

bool TBasicAction::Update() {
  if (!OnUpdate) return false;
  OnUpdate(this);
  return true;
}

void TBasicAction::RegisterChanges(TBasicActionLink* Value) {
  if (std::find(FClients.begin(), FClients.end(), Value) == FClients.end())
    FClients.push_back(Value);
  Value->FAction = this;
}

void TBasicAction::UnRegisterChanges(TBasicActionLink* Value) {
  if (RemoveFrom(FClients, Value)) Value->FAction = nullptr;
}

void TBasicAction::Change() {
  // A client may drop its link while told: walk a copy.
  std::vector<TBasicActionLink*> clients = FClients;
  for (TBasicActionLink* link : clients)
    if (std::find(FClients.begin(), FClients.end(), link) != FClients.end()) link->Change();
}

// ---------------------------------------------------------------------------------------
// TList

TList::~TList() { Clear(); }

void TList::Error(const char* Msg, int Data) const { throw EListError(Msg, {Data}); }

int TList::Add(void* Item) {
  FList.push_back(Item);
  if (Item) Notify(Item, lnAdded);
  return GetCount() - 1;
}

void TList::Insert(int Index, void* Item) {
  if (Index < 0 || Index > GetCount()) Error("List index out of bounds (%d)", Index);
  FList.insert(FList.begin() + Index, Item);
  if (Item) Notify(Item, lnAdded);
}

void TList::Delete(int Index) {
  if (Index < 0 || Index >= GetCount()) Error("List index out of bounds (%d)", Index);
  void* item = FList[static_cast<size_t>(Index)];
  FList.erase(FList.begin() + Index);
  if (item) Notify(item, lnDeleted);
}

int TList::Remove(void* Item) {
  int index = IndexOf(Item);
  if (index >= 0) Delete(index);
  return index;
}

void* TList::Extract(void* Item) {
  int index = IndexOf(Item);
  if (index < 0) return nullptr;
  FList.erase(FList.begin() + index);
  if (Item) Notify(Item, lnExtracted);
  return Item;
}

void TList::Clear() {
  SetCount(0);
  FList.shrink_to_fit();
}

int TList::IndexOf(void* Item) const {
  auto found = std::find(FList.begin(), FList.end(), Item);
  return found == FList.end() ? -1 : static_cast<int>(found - FList.begin());
}

void TList::Exchange(int Index1, int Index2) {
  if (Index1 < 0 || Index1 >= GetCount()) Error("List index out of bounds (%d)", Index1);
  if (Index2 < 0 || Index2 >= GetCount()) Error("List index out of bounds (%d)", Index2);
  std::swap(FList[static_cast<size_t>(Index1)], FList[static_cast<size_t>(Index2)]);
}

void TList::Move(int CurIndex, int NewIndex) {
  if (CurIndex == NewIndex) return;
  if (NewIndex < 0 || NewIndex >= GetCount()) Error("List index out of bounds (%d)", NewIndex);
  void* item = Get(CurIndex);
  FList.erase(FList.begin() + CurIndex);
  FList.insert(FList.begin() + NewIndex, item);
}

void TList::Pack() { FList.erase(std::remove(FList.begin(), FList.end(), nullptr), FList.end()); }

void TList::Sort(const TListSortCompare& Compare) {
  std::stable_sort(FList.begin(), FList.end(),
                   [&](void* a, void* b) { return Compare(a, b) < 0; });
}

void TList::SetCount(int Value) {
  if (Value < 0) Error("List count out of bounds (%d)", Value);
  if (Value > GetCount()) {
    FList.resize(static_cast<size_t>(Value), nullptr);
  } else {
    for (int i = GetCount() - 1; i >= Value; --i) Delete(i);
  }
}

void TList::SetCapacity(int Value) {
  if (Value < GetCount()) Error("List capacity out of bounds (%d)", Value);
  FList.reserve(static_cast<size_t>(Value));
}

void* TList::Get(int Index) const {
  if (Index < 0 || Index >= GetCount()) Error("List index out of bounds (%d)", Index);
  return FList[static_cast<size_t>(Index)];
}

void TList::Put(int Index, void* Item) {
  if (Index < 0 || Index >= GetCount()) Error("List index out of bounds (%d)", Index);
  void* old = FList[static_cast<size_t>(Index)];
  if (old == Item) return;
  FList[static_cast<size_t>(Index)] = Item;
  if (old) Notify(old, lnDeleted);
  if (Item) Notify(Item, lnAdded);
}

TObjectList::~TObjectList() { Clear(); }

void TObjectList::Notify(void* Ptr, TListNotification Action) {
  if (FOwnsObjects && Action == lnDeleted) static_cast<TObject*>(Ptr)->Free();
}

// ---------------------------------------------------------------------------------------
// TCollection

TCollectionItem::TCollectionItem(TCollection* Collection) { SetCollection(Collection); }

TCollectionItem::~TCollectionItem() {
  if (FCollection) FCollection->RemoveItem(this);
}

void TCollectionItem::SetCollection(TCollection* Value) {
  if (FCollection == Value) return;
  if (FCollection) FCollection->RemoveItem(this);
  if (Value) Value->InsertItem(this);
}

int TCollectionItem::GetIndex() const {
  if (!FCollection) return -1;
  auto& items = FCollection->FItems;
  auto found = std::find(items.begin(), items.end(), this);
  return found == items.end() ? -1 : static_cast<int>(found - items.begin());
}

void TCollectionItem::SetIndex(int Value) {
  int current = GetIndex();
  if (current < 0 || Value == current) return;
  auto& items = FCollection->FItems;
  if (Value < 0 || Value >= static_cast<int>(items.size()))
    throw EListError("List index out of bounds (%d)", {Value});
  items.erase(items.begin() + current);
  items.insert(items.begin() + Value, this);
  Changed(true);
}

AnsiString TCollectionItem::GetDisplayName() const { return ClassName(); }

AnsiString TCollectionItem::GetNamePath() const {
  if (!FCollection) return ClassName();
  return FCollection->GetNamePath() + "[" + IntToStr(GetIndex()) + "]";
}

TPersistent* TCollectionItem::GetOwner() const { return FCollection; }

void TCollectionItem::Changed(bool AllItems) {
  if (FCollection && FCollection->FUpdateCount == 0) FCollection->Update(AllItems ? nullptr : this);
}

TCollection::TCollection(TCollectionItemClass ItemClass) : FItemClass(ItemClass) {}

TCollection::~TCollection() {
  FUpdateCount = 1;  // no change notifications while going
  while (!FItems.empty()) delete FItems.back();
}

void TCollection::InsertItem(TCollectionItem* Item) {
  FItems.push_back(Item);
  Item->FCollection = this;
  Item->FID = FNextID++;
  Notify(Item, cnAdded);
  Changed();
}

void TCollection::RemoveItem(TCollectionItem* Item) {
  Notify(Item, cnExtracting);
  RemoveFrom(FItems, Item);
  Item->FCollection = nullptr;
  Changed();
}

TCollectionItem* TCollection::Add() {
  if (!FItemClass) throw EListError("The collection has no item class");
  return FItemClass(this);
}

TCollectionItem* TCollection::Insert(int Index) {
  if (Index < 0 || Index > GetCount()) throw EListError("List index out of bounds (%d)", {Index});
  TCollectionItem* item = nullptr;
  UpdateWhile(this, [&] {
    item = Add();
    item->SetIndex(Index);
  });
  return item;
}

void TCollection::Delete(int Index) {
  TCollectionItem* item = GetItem(Index);
  Notify(item, cnDeleting);
  delete item;
}

void TCollection::Clear() {
  if (FItems.empty()) return;
  BeginUpdate();
  while (!FItems.empty()) delete FItems.back();
  EndUpdate();
}

TCollectionItem* TCollection::GetItem(int Index) const {
  if (Index < 0 || Index >= GetCount()) throw EListError("List index out of bounds (%d)", {Index});
  return FItems[static_cast<size_t>(Index)];
}

void TCollection::SetItem(int Index, TCollectionItem* Value) { GetItem(Index)->Assign(Value); }

TCollectionItem* TCollection::FindItemID(int ID) const {
  for (TCollectionItem* item : FItems)
    if (item->FID == ID) return item;
  return nullptr;
}

void TCollection::Assign(TPersistent* Source) {
  auto* source = dynamic_cast<TCollection*>(Source);
  if (!source) {
    TPersistent::Assign(Source);
    return;
  }
  if (source == this) return;
  UpdateWhile(this, [&] {
    Clear();
    for (TCollectionItem* item : source->FItems) Add()->Assign(item);
  });
}

void TCollection::BeginUpdate() { ++FUpdateCount; }

void TCollection::EndUpdate() {
  if (FUpdateCount > 0) --FUpdateCount;
  Changed();
}

void TCollection::Changed() {
  if (FUpdateCount == 0) Update(nullptr);
}

AnsiString TCollection::GetNamePath() const {
  TPersistent* owner = GetOwner();
  if (!owner || FPropName.empty()) return ClassName();
  AnsiString ownerPath = owner->GetNamePath();
  return ownerPath.empty() ? FPropName : ownerPath + "." + FPropName;
}
