// The object model: class names, ownership, notifications, loading, names, assignment,
// collections and pointer lists.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "framework/Classes.h"

namespace {

std::vector<std::string> g_log;

std::string StateText(const TComponent* c) {
  TComponentState s = c->GetComponentState();
  std::string text;
  if (s.Contains(csLoading)) text += "L";
  if (s.Contains(csReading)) text += "R";
  if (s.Contains(csDestroying)) text += "D";
  return text;
}

// Logs its notifications, Loaded calls and destruction; holds one reference to a peer
// that notifications must clear.
class TLogged : public TComponent {
 public:
  TLogged(TComponent* AOwner, const char* name) : TComponent(AOwner) { SetName(name); }
  ~TLogged() override { g_log.push_back("free " + GetName() + " " + StateText(this)); }

  TComponent* GetPeer() const { return FPeer; }
  void SetPeer(TComponent* Value) {
    if (FPeer) FPeer->RemoveFreeNotification(this);
    FPeer = Value;
    if (FPeer) FPeer->FreeNotification(this);
  }
  bool LogNotifications = false;
  std::function<void()> OnLoaded;

 protected:
  void Notification(TComponent* AComponent, TOperation Operation) override {
    TComponent::Notification(AComponent, Operation);
    if (Operation == opRemove && AComponent == FPeer) FPeer = nullptr;
    if (LogNotifications)
      g_log.push_back(GetName() + (Operation == opInsert ? " +" : " -") + AComponent->GetName());
  }
  void Loaded() override {
    TComponent::Loaded();
    g_log.push_back("loaded " + GetName() + " " + StateText(this));
    if (OnLoaded) OnLoaded();
  }

 private:
  TComponent* FPeer = nullptr;
};

class TfrmMainFormLumetra : public TComponent {
 public:
  using TComponent::TComponent;
};

class TAnon : public TObject {};

// A form built in its constructor the way a stored form is read.
class TfrmAboutForm : public TLogged {
 public:
  explicit TfrmAboutForm(TComponent* AOwner, bool fail = false) : TLogged(AOwner, "frmAbout") {
    TComponentLoading loading(this);
    btnOK = new TLogged(this, "btnOK");
    g_log.push_back("built btnOK " + StateText(btnOK));
    lbVersion = new TLogged(this, "lbVersion");
    if (fail) throw EComponentError("broken form");
    loading.Finish();
  }
  TLogged* btnOK;
  TLogged* lbVersion;
};

}  // namespace

TEST(ObjectModel, ClassNameIsTheMostDerivedClassWithoutNamespaces) {
  TComponent* form = new TfrmMainFormLumetra(nullptr);
  TComponent* base = form;
  EXPECT_EQ("TfrmMainFormLumetra", base->ClassName());
  EXPECT_TRUE(base->InheritsFrom<TPersistent>());
  EXPECT_FALSE(base->InheritsFrom<TStrings>());
  form->Free();
  TAnon anon;
  EXPECT_EQ("TAnon", anon.ClassName());
  TStringList list;
  EXPECT_EQ("TStringList", static_cast<TObject&>(list).ClassName());
  EXPECT_EQ("TMemoryStream", TMemoryStream().ClassName());
}

TEST(ObjectModel, DispatchEndsInTheDefaultHandler) {
  struct THandler : TObject {
    std::vector<uint32_t> handled, defaulted;
    void Dispatch(TMessage& Message) override {
      if (Message.Msg == 1) {
        handled.push_back(Message.Msg);
        Message.Result = 7;
        return;
      }
      TObject::Dispatch(Message);
    }
    void DefaultHandler(TMessage& Message) override { defaulted.push_back(Message.Msg); }
  } handler;
  TMessage one{1, 0, 0, 0}, two{2, 0, 0, 0};
  handler.Dispatch(one);
  handler.Dispatch(two);
  EXPECT_EQ(7, one.Result);
  EXPECT_EQ(std::vector<uint32_t>{1}, handler.handled);
  EXPECT_EQ(std::vector<uint32_t>{2}, handler.defaulted);
}

TEST(Ownership, ComponentsInCreationOrderFreedInReverse) {
  g_log.clear();
  auto* owner = new TLogged(nullptr, "owner");
  auto* a = new TLogged(owner, "a");
  auto* b = new TLogged(owner, "b");
  auto* c = new TLogged(owner, "c");
  new TLogged(b, "b1");
  ASSERT_EQ(3, owner->GetComponentCount());
  EXPECT_EQ(a, owner->GetComponent(0));
  EXPECT_EQ(c, owner->GetComponent(2));
  EXPECT_EQ(owner, c->GetOwner());
  EXPECT_EQ(2, c->GetComponentIndex());
  EXPECT_EQ(b, owner->FindComponent("B"));
  EXPECT_EQ(nullptr, owner->FindComponent("b1"));  // only what it owns itself
  EXPECT_EQ(nullptr, owner->FindComponent(""));
  EXPECT_THROW(owner->GetComponent(3), EListError);
  c->SetComponentIndex(0);
  EXPECT_EQ(c, owner->GetComponent(0));
  c->SetComponentIndex(2);
  owner->Free();
  // Every component knows it is being destroyed before anything goes.
  EXPECT_EQ((std::vector<std::string>{"free c D", "free b1 D", "free b D", "free a D",
                                      "free owner D"}),
            g_log);
}

TEST(Ownership, FreeingOneComponentTakesItOutOfItsOwner) {
  g_log.clear();
  auto* owner = new TLogged(nullptr, "owner");
  auto* a = new TLogged(owner, "a");
  auto* b = new TLogged(owner, "b");
  a->Free();
  ASSERT_EQ(1, owner->GetComponentCount());
  EXPECT_EQ(b, owner->GetComponent(0));
  auto* other = new TLogged(nullptr, "other");
  other->InsertComponent(b);  // moves it
  EXPECT_EQ(0, owner->GetComponentCount());
  EXPECT_EQ(other, b->GetOwner());
  owner->Free();
  other->Free();
  EXPECT_EQ((std::vector<std::string>{"free a D", "free owner D", "free b D", "free other D"}),
            g_log);
}

TEST(Ownership, DeleteInsteadOfFreeStillReleasesEverything) {
  g_log.clear();
  auto* owner = new TLogged(nullptr, "owner");
  new TLogged(owner, "a");
  auto* b = new TLogged(owner, "b");
  delete b;
  EXPECT_EQ(1, owner->GetComponentCount());
  delete owner;
  // The derived destructors run before the component's own steps, so they see no
  // destroying state; the owned components still go through Free.
  EXPECT_EQ((std::vector<std::string>{"free b ", "free owner ", "free a D"}), g_log);
}

TEST(Notifications, OwnerAndSiblingsHearOfInsertionAndRemoval) {
  g_log.clear();
  auto* owner = new TLogged(nullptr, "owner");
  owner->LogNotifications = true;
  auto* a = new TLogged(owner, "a");
  a->LogNotifications = true;
  auto* b = new TLogged(owner, "b");  // named after insertion: the log shows no name yet
  b->LogNotifications = true;
  g_log.clear();
  a->Free();
  // The owner hears first and passes it on to its components, the last first.
  EXPECT_EQ((std::vector<std::string>{"b -a", "a -a", "owner -a", "free a D"}), g_log);
  g_log.clear();
  owner->Free();
  EXPECT_EQ((std::vector<std::string>{"b -b", "owner -b", "free b D", "free owner D"}), g_log);
}

TEST(Notifications, AFreedComponentLeavesNoReferenceInItsPeers) {
  g_log.clear();
  // Each scenario builds two forms, links components across and within them, frees
  // something and checks the references. Freed peers that were still linked would be
  // touched after their end, which the sanitizer build reports.
  enum Scenario { kSiblingFreed, kOtherOwnersComponentFreed, kPeerOwnerFreed, kHolderFreedFirst,
                  kBothFormsFreed, kLinkDroppedBeforeFree };
  for (Scenario scenario : {kSiblingFreed, kOtherOwnersComponentFreed, kPeerOwnerFreed,
                            kHolderFreedFirst, kBothFormsFreed, kLinkDroppedBeforeFree}) {
    SCOPED_TRACE(scenario);
    auto* form1 = new TLogged(nullptr, "form1");
    auto* form2 = new TLogged(nullptr, "form2");
    auto* button = new TLogged(form1, "button");
    auto* popup = new TLogged(form1, "popup");
    auto* images = new TLogged(form2, "images");
    button->SetPeer(popup);
    popup->SetPeer(images);
    images->SetPeer(button);  // a cycle across the forms
    switch (scenario) {
      case kSiblingFreed:
        popup->Free();
        EXPECT_EQ(nullptr, button->GetPeer());
        EXPECT_EQ(button, images->GetPeer());
        break;
      case kOtherOwnersComponentFreed:
        images->Free();
        EXPECT_EQ(nullptr, popup->GetPeer());
        EXPECT_EQ(popup, button->GetPeer());
        break;
      case kPeerOwnerFreed:
        form2->Free();
        form2 = nullptr;
        EXPECT_EQ(nullptr, popup->GetPeer());
        break;
      case kHolderFreedFirst:
        button->Free();
        EXPECT_EQ(nullptr, images->GetPeer());
        popup->Free();
        images->Free();
        break;
      case kBothFormsFreed:
        form1->Free();
        form1 = nullptr;
        EXPECT_EQ(nullptr, images->GetPeer());
        break;
      case kLinkDroppedBeforeFree:
        button->SetPeer(nullptr);
        popup->Free();
        EXPECT_EQ(nullptr, button->GetPeer());
        break;
    }
    FreeAndNil(form1);
    FreeAndNil(form2);
    EXPECT_EQ(nullptr, form1);
  }
}

TEST(Loading, ComponentsBuiltInAConstructorAreLoadedAfterwardsInOrder) {
  g_log.clear();
  auto* app = new TLogged(nullptr, "app");
  auto* form = new TfrmAboutForm(app);
  EXPECT_EQ((std::vector<std::string>{"built btnOK LR", "loaded frmAbout ", "loaded btnOK ",
                                      "loaded lbVersion "}),
            g_log);
  EXPECT_EQ("", StateText(form));
  EXPECT_EQ("", StateText(form->btnOK));
  // After loading, new components are plain ones.
  auto* later = new TLogged(form, "later");
  EXPECT_EQ("", StateText(later));
  app->Free();
}

TEST(Loading, HandlersThatFreeOrCreateComponentsAndFailedBuilds) {
  g_log.clear();
  auto* root = new TLogged(nullptr, "root");
  TLogged* first = nullptr;
  TLogged* second = nullptr;
  TLogged* extra = nullptr;
  {
    TComponentLoading loading(root);
    first = new TLogged(root, "first");
    second = new TLogged(root, "second");
    EXPECT_EQ("LR", StateText(root));
    first->OnLoaded = [&] {
      second->Free();                         // freed before its turn: never loaded
      extra = new TLogged(root, "extra");     // made while loading ends: not part of it
    };
    loading.Finish();
  }
  EXPECT_EQ((std::vector<std::string>{"loaded root ", "loaded first ", "free second LD"}), g_log);
  EXPECT_EQ("", StateText(extra));
  root->Free();

  g_log.clear();
  auto* app = new TLogged(nullptr, "app");
  EXPECT_THROW(new TfrmAboutForm(app, true), EComponentError);
  EXPECT_EQ(0, app->GetComponentCount());  // the half-built form and its parts are gone
  EXPECT_EQ((std::vector<std::string>{"built btnOK LR", "free frmAbout ", "free lbVersion D",
                                      "free btnOK D"}),
            g_log);
  app->Free();
}

TEST(Names, ComponentNamesAreIdentifiersUniqueInTheirOwner) {
  auto* form = new TLogged(nullptr, "form");
  auto* ok = new TLogged(form, "btnOK");
  auto* other = new TLogged(form, "other");
  struct Case {
    const char* name;
    const char* error;
  };
  for (const Case& c : {Case{"1st", "'1st' is not a valid component name"},
                        Case{"a b", "'a b' is not a valid component name"},
                        Case{"BTNok", "A component named BTNok already exists"}}) {
    try {
      other->SetName(c.name);
      ADD_FAILURE() << c.name;
    } catch (const EComponentError& e) {
      EXPECT_EQ(c.error, e.Message);
    }
    EXPECT_EQ("other", other->GetName());
  }
  ok->SetName("BtnOk");  // its own name in other letters
  EXPECT_EQ("BtnOk", ok->GetName());
  other->SetName("");
  new TLogged(form, "");  // any number without a name
  auto* stranger = new TLogged(nullptr, "btnok");
  EXPECT_THROW(form->InsertComponent(stranger), EComponentError);
  EXPECT_EQ(nullptr, stranger->GetOwner());
  stranger->Free();
  form->Free();
}

TEST(Assign, UnknownPairsRaiseCannotAssign) {
  TStringList list;
  auto* component = new TLogged(nullptr, "c");
  struct Case {
    TPersistent* dest;
    TPersistent* source;
    const char* message;
  };
  for (const Case& c : {Case{component, &list, "Cannot assign a TStringList to a TLogged"},
                        Case{component, nullptr, "Cannot assign a nil to a TLogged"},
                        Case{&list, component, "Cannot assign a TLogged to a TStringList"}}) {
    try {
      c.dest->Assign(c.source);
      ADD_FAILURE() << c.message;
    } catch (const EConvertError& e) {
      EXPECT_EQ(c.message, e.Message);
    }
  }
  component->Free();

  // A class that knows how to copy itself into another takes part through AssignTo.
  struct TPair : TPersistent {
    int value = 0;
  };
  struct TSource : TPersistent {
    void AssignTo(TPersistent* Dest) override {
      if (auto* pair = dynamic_cast<TPair*>(Dest)) {
        pair->value = 42;
        return;
      }
      TPersistent::AssignTo(Dest);
    }
  } source;
  TPair pair;
  pair.Assign(&source);
  EXPECT_EQ(42, pair.value);
}

namespace {

class TColumn : public TCollectionItem {
 public:
  using TCollectionItem::TCollectionItem;
  AnsiString GetCaption() const { return FCaption; }
  void SetCaption(const AnsiString& Value) {
    if (FCaption == Value) return;
    FCaption = Value;
    Changed(false);
  }
  void Assign(TPersistent* Source) override {
    if (auto* column = dynamic_cast<TColumn*>(Source)) {
      SetCaption(column->FCaption);
      return;
    }
    TCollectionItem::Assign(Source);
  }
  AnsiString GetDisplayName() const override { return FCaption; }

 private:
  AnsiString FCaption;
};

class TColumns : public TOwnedCollection {
 public:
  explicit TColumns(TPersistent* AOwner)
      : TOwnedCollection(AOwner, &CollectionItemOf<TColumn>) {}
  TColumn* Add() { return static_cast<TColumn*>(TCollection::Add()); }
  TColumn* GetItem(int Index) const { return static_cast<TColumn*>(TCollection::GetItem(Index)); }
  std::vector<std::string> updates;
  std::vector<std::string> notices;

 protected:
  void Update(TCollectionItem* Item) override {
    updates.push_back(Item ? static_cast<TColumn*>(Item)->GetCaption() : "*");
  }
  void Notify(TCollectionItem* Item, TCollectionNotification Action) override {
    notices.push_back((Action == cnAdded ? "+" : Action == cnDeleting ? "x" : "-") +
                      std::to_string(Item->GetID()));
  }
};

}  // namespace

TEST(Collections, ItemsKeepOrderIdsAndReportChanges) {
  auto* owner = new TLogged(nullptr, "lvList");
  TColumns columns(owner);
  EXPECT_EQ(owner, columns.GetOwner());
  TColumn* name = columns.Add();
  name->SetCaption("Name");
  TColumn* path = columns.Add();
  path->SetCaption("Path");
  EXPECT_EQ(2, columns.GetCount());
  EXPECT_EQ(1, path->GetIndex());
  EXPECT_EQ(1, path->GetID());
  EXPECT_EQ((std::vector<std::string>{"*", "Name", "*", "Path"}), columns.updates);
  EXPECT_EQ((std::vector<std::string>{"+0", "+1"}), columns.notices);
  EXPECT_EQ("Path", columns.GetItem(1)->GetDisplayName());
  EXPECT_EQ(path, columns.FindItemID(1));
  EXPECT_THROW(columns.GetItem(2), EListError);

  columns.updates.clear();
  columns.BeginUpdate();
  path->SetIndex(0);
  columns.Add()->SetCaption("Size");
  columns.EndUpdate();
  EXPECT_EQ((std::vector<std::string>{"*"}), columns.updates);  // one change for the lot
  EXPECT_EQ("Path", columns.GetItem(0)->GetCaption());
  EXPECT_THROW(path->SetIndex(5), EListError);

  TColumn* inserted = static_cast<TColumn*>(columns.Insert(1));
  EXPECT_EQ(1, inserted->GetIndex());
  EXPECT_EQ(3, inserted->GetID());
  columns.notices.clear();
  columns.Delete(1);
  EXPECT_EQ((std::vector<std::string>{"x3", "-3"}), columns.notices);
  delete columns.GetItem(0);  // an item freed directly leaves its collection
  EXPECT_EQ(2, columns.GetCount());
  EXPECT_EQ("Name", columns.GetItem(0)->GetCaption());

  TColumns copy(nullptr);
  copy.Add()->SetCaption("old");
  copy.Assign(&columns);
  ASSERT_EQ(2, copy.GetCount());
  EXPECT_EQ("Name", copy.GetItem(0)->GetCaption());
  EXPECT_EQ("Size", copy.GetItem(1)->GetCaption());
  TStringList list;
  EXPECT_THROW(copy.Assign(&list), EConvertError);

  TColumn* moved = copy.GetItem(1);
  moved->SetCollection(&columns);
  EXPECT_EQ(1, copy.GetCount());
  EXPECT_EQ(3, columns.GetCount());
  EXPECT_EQ(&columns, moved->GetCollection());
  owner->Free();
}

TEST(Lists, PointerListsCheckIndexesAndOwnObjects) {
  TList list;
  int items[5];
  for (int& item : items) list.Add(&item);
  list.Insert(0, nullptr);
  EXPECT_EQ(6, list.GetCount());
  EXPECT_EQ(2, list.IndexOf(&items[1]));
  list.Pack();
  EXPECT_EQ(5, list.GetCount());
  list.Move(0, 4);
  EXPECT_EQ(&items[0], list.Last());
  list.Exchange(0, 4);
  EXPECT_EQ(&items[0], list.First());
  EXPECT_EQ(0, list.Remove(&items[0]));
  EXPECT_EQ(-1, list.Remove(&items[0]));
  EXPECT_EQ(&items[2], list.Extract(&items[2]));
  list.Sort([](void* a, void* b) { return a < b ? 1 : a > b ? -1 : 0; });
  EXPECT_EQ(&items[4], list.First());
  for (int bad : {-1, 3, 100}) {
    try {
      list.Get(bad);
      ADD_FAILURE() << bad;
    } catch (const EListError& e) {
      EXPECT_EQ("List index out of bounds (" + std::to_string(bad) + ")", e.Message);
    }
  }
  EXPECT_THROW(list.Insert(4, nullptr), EListError);
  EXPECT_THROW(list.Delete(3), EListError);
  list.SetCount(5);
  EXPECT_EQ(nullptr, list.Get(4));
  list.Clear();
  EXPECT_EQ(0, list.GetCount());

  g_log.clear();
  {
    TObjectList owned;
    owned.Add(new TLogged(nullptr, "one"));
    owned.Add(new TLogged(nullptr, "two"));
    auto* three = new TLogged(nullptr, "three");
    owned.Add(three);
    owned.Delete(0);
    EXPECT_EQ(three, owned.Extract(three));
    three->Free();
    TObjectList borrowed(false);
    borrowed.Add(owned.GetItem(0));
  }
  EXPECT_EQ((std::vector<std::string>{"free one D", "free three D", "free two D"}), g_log);
}
