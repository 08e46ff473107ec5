// The framework's class library: persistent objects, components and their ownership,
// collections, lists, string lists and streams. Portable: no Windows header.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "framework/SysUtils.h"
#include "framework/System.h"

class TPropList;
class TComponent;
class TStream;

using TNotifyEvent = std::function<void(TObject* Sender)>;

// ---------------------------------------------------------------------------------------
// Errors

class EListError : public Exception {
 public:
  using Exception::Exception;
};
class EStringListError : public EListError {
 public:
  using EListError::EListError;
};
class EComponentError : public Exception {
 public:
  using Exception::Exception;
};
class EStreamError : public Exception {
 public:
  using Exception::Exception;
};
class EFCreateError : public EStreamError {
 public:
  using EStreamError::EStreamError;
};
class EFOpenError : public EStreamError {
 public:
  using EStreamError::EStreamError;
};
class EReadError : public EStreamError {
 public:
  using EStreamError::EStreamError;
};
class EWriteError : public EStreamError {
 public:
  using EStreamError::EStreamError;
};
// An operation the object cannot do in its present state.
class EInvalidOperation : public Exception {
 public:
  using Exception::Exception;
};
class EResNotFound : public Exception {
 public:
  using Exception::Exception;
};

// Runs Body between Target's BeginUpdate and EndUpdate; EndUpdate runs also when Body
// raises (lists and collections tell their changes once, at the end).
template <class T, class F>
void UpdateWhile(T* Target, F&& Body) {
  Target->BeginUpdate();
  try {
    Body();
  } catch (...) {
    Target->EndUpdate();
    throw;
  }
  Target->EndUpdate();
}

// ---------------------------------------------------------------------------------------
// TPersistent

// An object that can copy itself from another (Assign) and publishes properties by name.
class TPersistent : public TObject {
 public:
  // Copies Source into this object: Source's AssignTo decides. Classes that know how to
  // take a source override Assign and hand the rest to their base class. Raises
  // EConvertError "Cannot assign a TX to a TY" when nobody knows how.
  virtual void Assign(TPersistent* Source);
  // The name by which the object is known to its owner (a component's Name).
  virtual AnsiString GetNamePath() const;
  // Adds the class's published properties to the table (after its base class's): see
  // TypInfo.h. The table is built once per class.
  virtual void PublishProperties(TPropList& Props) const;

 protected:
  friend class TCollection;
  // Copies this object into Dest; the default raises the "cannot assign" error.
  virtual void AssignTo(TPersistent* Dest);
  virtual TPersistent* GetOwner() const { return nullptr; }
  [[noreturn]] void AssignError(TPersistent* Source);
};

// ---------------------------------------------------------------------------------------
// TComponent

enum TOperation { opInsert, opRemove };

enum TComponentStateFlag { csLoading, csReading, csDestroying };
using TComponentState = TSet<TComponentStateFlag>;

class TComponentLoading;

// A named object with an owner. The owner frees what it owns, in reverse order of
// creation; components tell each other when one goes away (Notification with opRemove),
// so that references to it are cleared. Components are created with new and freed with
// Free (or by their owner), never on the stack.
class TComponent : public TPersistent {
 public:
  explicit TComponent(TComponent* AOwner);
  ~TComponent() override;

  TComponent* GetOwner() const override { return FOwner; }
  AnsiString GetName() const { return FName; }
  // Raises EComponentError for a name that is no identifier or that another component of
  // the same owner has (ignoring case). An empty name is allowed.
  virtual void SetName(const AnsiString& Value);
  NativeInt GetTag() const { return FTag; }
  void SetTag(NativeInt Value) { FTag = Value; }
  TComponentState GetComponentState() const { return FComponentState; }

  // The owned components in creation order.
  int GetComponentCount() const { return static_cast<int>(FComponents.size()); }
  TComponent* GetComponent(int Index) const;
  int GetComponentIndex() const;
  void SetComponentIndex(int Value);
  // The owned component with that name (ignoring case), or nullptr.
  TComponent* FindComponent(const AnsiString& AName) const;

  // Takes AComponent over from its current owner (if any); both tell their components.
  void InsertComponent(TComponent* AComponent);
  void RemoveComponent(TComponent* AComponent);
  // Asks to be told (Notification opRemove) when AComponent goes away; the link works both
  // ways and is dropped when either goes.
  void FreeNotification(TComponent* AComponent);
  void RemoveFreeNotification(TComponent* AComponent);
  // Frees the owned components, the last created first.
  void DestroyComponents();
  // Marks this component and everything it owns as being destroyed.
  void Destroying();

  AnsiString GetNamePath() const override { return FName; }
  void PublishProperties(TPropList& Props) const override;
  void BeforeDestruction() override;

 protected:
  friend class TComponentLoading;
  // Runs once the component is completely built (after its properties were set while
  // csLoading was set). Overrides call the base first; it clears csLoading.
  virtual void Loaded();
  // Runs on the root of a load once every component of it is loaded (a form fires its
  // OnCreate here).
  virtual void AfterConstruction() {}
  // AComponent was inserted into or is being removed from this component's owner
  // family, or a component this one asked to be told about goes away. The default passes
  // it on to the owned components; overrides clear their references, then call the base.
  virtual void Notification(TComponent* AComponent, TOperation Operation);
  void SetComponentStateFlag(TComponentStateFlag Flag, bool On);

 private:
  void Insert(TComponent* AComponent);
  void Remove(TComponent* AComponent);
  void ValidateRename(TComponent* AComponent, const AnsiString& CurName,
                      const AnsiString& NewName) const;
  void SendFreeNotifications();
  void FinishDestruction();

  TComponent* FOwner = nullptr;
  AnsiString FName;
  NativeInt FTag = 0;
  TComponentState FComponentState;
  std::vector<TComponent*> FComponents;
  std::vector<TComponent*> FFreeNotifies;
  TComponentLoading* FLoading = nullptr;  // set on a root while it is being built
  bool FDestructionStarted = false;
};

// Builds a component (typically a form in its constructor) the way a stored form would be
// read: while it lives, the root and every component created with the root as owner carry
// csLoading and csReading; Finish clears csReading and calls Loaded on the root and then on
// the others in creation order. Left without Finish (an exception while building), it only
// clears the states.
class TComponentLoading {
 public:
  explicit TComponentLoading(TComponent* Root);
  ~TComponentLoading();
  TComponentLoading(const TComponentLoading&) = delete;
  TComponentLoading& operator=(const TComponentLoading&) = delete;
  void Finish();

 private:
  friend class TComponent;
  void Add(TComponent* Component);
  void Forget(TComponent* Component);
  void Detach();

  TComponent* FRoot;
  std::vector<TComponent*> FLoaded;
  bool FFinishing = false;
};

// ---------------------------------------------------------------------------------------
// TBasicAction, TBasicActionLink

class TBasicAction;

// Links a client (a control, a menu item) to an action: the client executes the action
// and hears of its changes.
class TBasicActionLink : public TObject {
 public:
  explicit TBasicActionLink(TObject* AClient);
  ~TBasicActionLink() override;
  // Runs the action with AComponent as its ActionComponent; false when nothing ran.
  virtual bool Execute(TComponent* AComponent = nullptr);
  // Asks the action to update itself (its OnUpdate); false when nothing ran.
  virtual bool Update();
  TBasicAction* GetAction() const { return FAction; }
  virtual void SetAction(TBasicAction* Value);
  TNotifyEvent OnChange;

 protected:
  friend class TBasicAction;
  virtual void AssignClient(TObject* AClient) {}
  // The action changed: tells OnChange.
  virtual void Change();
  TBasicAction* FAction = nullptr;
};

// A command that clients (controls, menu items) execute and that updates itself when the
// program is idle.
class TBasicAction : public TComponent {
 public:
  explicit TBasicAction(TComponent* AOwner) : TComponent(AOwner) {}
  ~TBasicAction() override;
  void BeforeDestruction() override;
  // OnExecute; false when there is none.
  virtual bool Execute();
  // OnUpdate; false when there is none.
  virtual bool Update();
  void RegisterChanges(TBasicActionLink* Value);
  void UnRegisterChanges(TBasicActionLink* Value);
  // The component that executes the action at the moment (the clicked control).
  TComponent* GetActionComponent() const { return FActionComponent; }
  void SetActionComponent(TComponent* Value) { FActionComponent = Value; }

  TNotifyEvent OnExecute;
  TNotifyEvent OnUpdate;

 protected:
  // Tells every linked client that the action changed.
  virtual void Change();

 private:
  void UnlinkClients();
  TComponent* FActionComponent = nullptr;
  std::vector<TBasicActionLink*> FClients;
};

// ---------------------------------------------------------------------------------------
// TList, TObjectList

enum TListNotification { lnAdded, lnExtracted, lnDeleted };
using TListSortCompare = std::function<int(void* Item1, void* Item2)>;

// A list of pointers. Indexes outside the list raise EListError.
class TList : public TObject {
 public:
  ~TList() override;
  int Add(void* Item);
  void Insert(int Index, void* Item);
  void Delete(int Index);
  int Remove(void* Item);  // the index it had, -1 when not found
  void* Extract(void* Item);
  void Clear();
  int IndexOf(void* Item) const;
  void Exchange(int Index1, int Index2);
  void Move(int CurIndex, int NewIndex);
  void Pack();  // removes nullptr items
  void Sort(const TListSortCompare& Compare);
  void* First() const { return Get(0); }
  void* Last() const { return Get(GetCount() - 1); }

  int GetCount() const { return static_cast<int>(FList.size()); }
  void SetCount(int Value);
  int GetCapacity() const { return static_cast<int>(FList.capacity()); }
  void SetCapacity(int Value);
  void* Get(int Index) const;  // Items[]
  void Put(int Index, void* Item);

 protected:
  virtual void Notify(void* Ptr, TListNotification Action) {}
  [[noreturn]] void Error(const char* Msg, int Data) const;

 private:
  std::vector<void*> FList;
};

// A list of objects that frees the objects it drops while OwnsObjects is set (the default).
class TObjectList : public TList {
 public:
  explicit TObjectList(bool AOwnsObjects = true) : FOwnsObjects(AOwnsObjects) {}
  ~TObjectList() override;
  int Add(TObject* Item) { return TList::Add(Item); }
  void Insert(int Index, TObject* Item) { TList::Insert(Index, Item); }
  int Remove(TObject* Item) { return TList::Remove(Item); }
  TObject* Extract(TObject* Item) { return static_cast<TObject*>(TList::Extract(Item)); }
  int IndexOf(TObject* Item) const { return TList::IndexOf(Item); }
  TObject* GetItem(int Index) const { return static_cast<TObject*>(Get(Index)); }
  void SetItem(int Index, TObject* Item) { Put(Index, Item); }
  TObject* First() const { return GetItem(0); }
  TObject* Last() const { return GetItem(GetCount() - 1); }
  bool GetOwnsObjects() const { return FOwnsObjects; }
  void SetOwnsObjects(bool Value) { FOwnsObjects = Value; }

 protected:
  void Notify(void* Ptr, TListNotification Action) override;

 private:
  bool FOwnsObjects;
};

// ---------------------------------------------------------------------------------------
// TCollection

class TCollection;
class TCollectionItem;
// Makes a new item of the collection's item class (the item enters the collection itself).
using TCollectionItemClass = TCollectionItem* (*)(TCollection* Collection);
template <class T>
TCollectionItem* CollectionItemOf(TCollection* Collection) {
  return new T(Collection);
}

enum TCollectionNotification { cnAdded, cnExtracting, cnDeleting };

// An item of a collection. Freeing it takes it out of its collection.
class TCollectionItem : public TPersistent {
 public:
  explicit TCollectionItem(TCollection* Collection);
  ~TCollectionItem() override;

  TCollection* GetCollection() const { return FCollection; }
  // Moves the item into another collection (nullptr: into none).
  void SetCollection(TCollection* Value);
  int GetIndex() const;
  virtual void SetIndex(int Value);
  int GetID() const { return FID; }
  virtual AnsiString GetDisplayName() const;
  AnsiString GetNamePath() const override;

 protected:
  TPersistent* GetOwner() const override;
  // Tells the collection that this item (or, with AllItems, every item) changed.
  void Changed(bool AllItems);

 private:
  friend class TCollection;
  TCollection* FCollection = nullptr;
  int FID = 0;
};

// A list of items of one class that the collection owns.
class TCollection : public TPersistent {
 public:
  explicit TCollection(TCollectionItemClass ItemClass);
  ~TCollection() override;

  TCollectionItem* Add();
  TCollectionItem* Insert(int Index);
  void Delete(int Index);
  void Clear();
  int GetCount() const { return static_cast<int>(FItems.size()); }
  TCollectionItem* GetItem(int Index) const;  // Items[]
  void SetItem(int Index, TCollectionItem* Value);  // assigns Value into the item
  TCollectionItem* FindItemID(int ID) const;
  TCollectionItemClass GetItemClass() const { return FItemClass; }
  // Replaces the items by copies of Source's (a collection).
  void Assign(TPersistent* Source) override;
  virtual void BeginUpdate();
  virtual void EndUpdate();
  int GetUpdateCount() const { return FUpdateCount; }
  AnsiString GetNamePath() const override;
  TPersistent* GetOwner() const override { return nullptr; }
  // The name of the owner's property that holds this collection (for name paths).
  void SetPropName(const AnsiString& Value) { FPropName = Value; }

 protected:
  friend class TCollectionItem;
  // An item (nullptr: the whole collection) changed; runs unless an update is under way.
  virtual void Update(TCollectionItem* Item) {}
  virtual void Notify(TCollectionItem* Item, TCollectionNotification Action) {}
  void Changed();

 private:
  void InsertItem(TCollectionItem* Item);
  void RemoveItem(TCollectionItem* Item);

  TCollectionItemClass FItemClass;
  std::vector<TCollectionItem*> FItems;
  int FUpdateCount = 0;
  int FNextID = 0;
  AnsiString FPropName;
};

// A collection whose owner is a given persistent object (the component that publishes it).
class TOwnedCollection : public TCollection {
 public:
  TOwnedCollection(TPersistent* AOwner, TCollectionItemClass ItemClass)
      : TCollection(ItemClass), FOwner(AOwner) {}
  TPersistent* GetOwner() const override { return FOwner; }

 private:
  TPersistent* FOwner;
};

// ---------------------------------------------------------------------------------------
// TStrings, TStringList

// A list of texts, each with an associated object pointer (not owned). Abstract: string
// lists keep their texts themselves, controls keep them in their windows.
class TStrings : public TPersistent {
 public:
  // The storage of the list.
  virtual AnsiString Get(int Index) const = 0;  // Strings[]
  virtual int GetCount() const = 0;
  virtual TObject* GetObject(int Index) const;  // Objects[]
  virtual void Put(int Index, const AnsiString& S);
  virtual void PutObject(int Index, TObject* AObject);
  virtual void Insert(int Index, const AnsiString& S) = 0;
  virtual void Delete(int Index) = 0;
  virtual void Clear() = 0;

  virtual int Add(const AnsiString& S);
  virtual int AddObject(const AnsiString& S, TObject* AObject);
  void Append(const AnsiString& S) { Add(S); }
  virtual void AddStrings(TStrings* Strings);
  void InsertObject(int Index, const AnsiString& S, TObject* AObject);
  // Copies the texts and objects of another string list.
  void Assign(TPersistent* Source) override;
  virtual void Exchange(int Index1, int Index2);
  virtual void Move(int CurIndex, int NewIndex);
  bool Equals(TStrings* Strings) const;
  // The first index of the text, ignoring case (string lists may be told otherwise); -1.
  virtual int IndexOf(const AnsiString& S) const;
  int IndexOfObject(TObject* AObject) const;

  // Updates: nested BeginUpdate/EndUpdate pairs; the outermost pair's end tells the list.
  void BeginUpdate();
  void EndUpdate();
  int GetUpdateCount() const { return FUpdateCount; }

  // Every item followed by CR LF. Setting splits at CR, LF or CR LF; a line break at the
  // end gives no empty last item. Other bytes (NUL too) belong to the items.
  virtual AnsiString GetText() const;
  virtual void SetText(const AnsiString& Value);
  // The items separated by Delimiter; items holding a blank, a control character, the
  // quote character or the delimiter are quoted (inner quotes doubled). A list of one empty
  // item gives two quote characters. Reading: blanks and control characters outside quotes
  // separate items like the delimiter does (around it they are skipped); a quoted part ends
  // at its closing quote or at the end of the text; two delimiters in a row or one at the
  // end give an empty item.
  AnsiString GetDelimitedText() const;
  void SetDelimitedText(const AnsiString& Value);
  // The delimited text with "," and '"'.
  AnsiString GetCommaText() const;
  void SetCommaText(const AnsiString& Value);
  char GetDelimiter() const { return FDelimiter; }
  void SetDelimiter(char Value) { FDelimiter = Value; }
  char GetQuoteChar() const { return FQuoteChar; }
  void SetQuoteChar(char Value) { FQuoteChar = Value; }
  char GetNameValueSeparator() const { return FNameValueSeparator; }
  void SetNameValueSeparator(char Value) { FNameValueSeparator = Value; }

  // Items of the form name=value. Names[] of an item without "=" is empty.
  AnsiString GetName(int Index) const;  // Names[]
  AnsiString GetValueFromIndex(int Index) const;
  // The value of the first item whose name matches (ignoring case); empty when none.
  AnsiString GetValue(const AnsiString& Name) const;  // Values[]
  // Replaces the first matching item's value or appends name=value; an empty value
  // deletes the item.
  void SetValue(const AnsiString& Name, const AnsiString& Value);
  virtual int IndexOfName(const AnsiString& Name) const;

  virtual void LoadFromStream(TStream* Stream);
  virtual void SaveToStream(TStream* Stream) const;
  // Reads with read sharing; raises EFOpenError when the file cannot be opened.
  virtual void LoadFromFile(const AnsiString& FileName);
  virtual void SaveToFile(const AnsiString& FileName) const;

 protected:
  // Called with true when the outermost update starts, false when it ends.
  virtual void SetUpdateState(bool Updating) {}
  // Compares two texts as IndexOf and IndexOfName do.
  virtual int CompareStrings(const AnsiString& S1, const AnsiString& S2) const;
  [[noreturn]] void Error(const char* Msg, int Data) const;

 private:
  AnsiString JoinDelimited(char Delimiter, char Quote) const;
  void SplitDelimited(const AnsiString& Value, char Delimiter, char Quote);

  int FUpdateCount = 0;
  char FDelimiter = ',';
  char FQuoteChar = '"';
  char FNameValueSeparator = '=';
};

enum TDuplicates { dupIgnore, dupAccept, dupError };
class TStringList;
using TStringListSortCompare = std::function<int(TStringList* List, int Index1, int Index2)>;

// The string list that keeps its texts. Sorted lists keep their items in order (ignoring
// case unless CaseSensitive); Duplicates decides what adding an equal item does.
class TStringList : public TStrings {
 public:
  TStringList() = default;
  ~TStringList() override;

  AnsiString Get(int Index) const override;
  int GetCount() const override { return static_cast<int>(FList.size()); }
  TObject* GetObject(int Index) const override;
  void Put(int Index, const AnsiString& S) override;
  void PutObject(int Index, TObject* AObject) override;
  int Add(const AnsiString& S) override;
  int AddObject(const AnsiString& S, TObject* AObject) override;
  void Insert(int Index, const AnsiString& S) override;
  void Delete(int Index) override;
  void Clear() override;
  void Exchange(int Index1, int Index2) override;
  int IndexOf(const AnsiString& S) const override;
  // Binary search of a sorted list: true when found (Index is the first equal item), else
  // Index is where the text would go.
  virtual bool Find(const AnsiString& S, int& Index) const;
  virtual void Sort();
  virtual void CustomSort(const TStringListSortCompare& Compare);

  bool GetSorted() const { return FSorted; }
  void SetSorted(bool Value);
  TDuplicates GetDuplicates() const { return FDuplicates; }
  void SetDuplicates(TDuplicates Value) { FDuplicates = Value; }
  bool GetCaseSensitive() const { return FCaseSensitive; }
  void SetCaseSensitive(bool Value);

  TNotifyEvent OnChange;
  TNotifyEvent OnChanging;

 protected:
  void SetUpdateState(bool Updating) override;
  int CompareStrings(const AnsiString& S1, const AnsiString& S2) const override;
  virtual void Changed();
  virtual void Changing();
  void InsertItem(int Index, const AnsiString& S, TObject* AObject);

 private:
  struct TStringItem {
    AnsiString FString;
    TObject* FObject = nullptr;
  };
  std::vector<TStringItem> FList;
  bool FSorted = false;
  bool FCaseSensitive = false;
  TDuplicates FDuplicates = dupIgnore;
};

// ---------------------------------------------------------------------------------------
// Streams

enum TSeekOrigin { soBeginning, soCurrent, soEnd };

// A stream of bytes. Positions and sizes are 64-bit.
class TStream : public TObject {
 public:
  // Read and Write move up to Count bytes and return how many they moved.
  virtual int64_t Read(void* Buffer, int64_t Count) = 0;
  virtual int64_t Write(const void* Buffer, int64_t Count) = 0;
  // The new position; raises EStreamError where the stream cannot seek so.
  virtual int64_t Seek(int64_t Offset, TSeekOrigin Origin) = 0;
  // Exactly Count bytes, or EReadError "Stream read error" / EWriteError "Stream write error".
  void ReadBuffer(void* Buffer, int64_t Count);
  void WriteBuffer(const void* Buffer, int64_t Count);
  // Copies Count bytes from Source's position; Count 0 copies the whole of Source from its
  // start. Returns the bytes copied.
  int64_t CopyFrom(TStream* Source, int64_t Count);

  int64_t GetPosition() { return Seek(0, soCurrent); }
  void SetPosition(int64_t Value) { Seek(Value, soBeginning); }
  virtual int64_t GetSize();
  virtual void SetSize(int64_t NewSize);
};

// A stream over a file handle of the system (a HANDLE on Windows, a descriptor elsewhere).
class THandleStream : public TStream {
 public:
  explicit THandleStream(NativeInt AHandle) : FHandle(AHandle) {}
  int64_t Read(void* Buffer, int64_t Count) override;
  int64_t Write(const void* Buffer, int64_t Count) override;
  int64_t Seek(int64_t Offset, TSeekOrigin Origin) override;
  void SetSize(int64_t NewSize) override;
  NativeInt GetHandle() const { return FHandle; }

 protected:
  NativeInt FHandle;
};

// Open modes: one access mode or fmCreate, combined with one share mode (the share modes
// take effect on Windows).
enum : uint16_t {
  fmCreate = 0xFF00,  // create or empty the file, open it for reading and writing
  fmOpenRead = 0x0000,
  fmOpenWrite = 0x0001,
  fmOpenReadWrite = 0x0002,
  fmShareCompat = 0x0000,  // as fmShareExclusive
  fmShareExclusive = 0x0010,
  fmShareDenyWrite = 0x0020,
  fmShareDenyRead = 0x0030,
  fmShareDenyNone = 0x0040
};

class TFileStream : public THandleStream {
 public:
  // Raises EFCreateError or EFOpenError with the system's reason.
  TFileStream(const AnsiString& AFileName, uint16_t Mode);
  ~TFileStream() override;
  AnsiString GetFileName() const { return FFileName; }

 private:
  AnsiString FFileName;
};

// A stream over a block of memory.
class TCustomMemoryStream : public TStream {
 public:
  int64_t Read(void* Buffer, int64_t Count) override;
  int64_t Write(const void* Buffer, int64_t Count) override;  // raises: read-only memory
  int64_t Seek(int64_t Offset, TSeekOrigin Origin) override;
  int64_t GetSize() override { return FSize; }
  void* GetMemory() const { return FMemory; }
  void SaveToStream(TStream* Stream);
  void SaveToFile(const AnsiString& FileName);

 protected:
  // Streams over memory the caller keeps alive.
  void SetPointer(void* Ptr, int64_t Size);
  void* FMemory = nullptr;
  int64_t FSize = 0;
  int64_t FPosition = 0;
};

// A memory stream that owns and grows its block. Writing past the end grows it; the gap
// between the old end and a position beyond it reads as zeros.
class TMemoryStream : public TCustomMemoryStream {
 public:
  TMemoryStream() = default;
  ~TMemoryStream() override;
  int64_t Write(const void* Buffer, int64_t Count) override;
  void SetSize(int64_t NewSize) override;
  void Clear();
  void LoadFromStream(TStream* Stream);  // the whole stream from its start
  void LoadFromFile(const AnsiString& FileName);

 private:
  void SetCapacity(int64_t NewCapacity);
  int64_t FCapacity = 0;
};

// A memory stream over a read-only block the caller keeps alive (a resource, a constant).
class TReadOnlyMemoryStream : public TCustomMemoryStream {
 public:
  TReadOnlyMemoryStream(const void* Ptr, int64_t Size) {
    SetPointer(const_cast<void*>(Ptr), Size);
  }
};

// A stream over a text.
class TStringStream : public TStream {
 public:
  explicit TStringStream(const AnsiString& AString = AnsiString()) : FDataString(AString) {}
  int64_t Read(void* Buffer, int64_t Count) override;
  int64_t Write(const void* Buffer, int64_t Count) override;
  int64_t Seek(int64_t Offset, TSeekOrigin Origin) override;
  void SetSize(int64_t NewSize) override;
  AnsiString ReadString(int64_t Count);
  void WriteString(const AnsiString& AString) { WriteBuffer(AString.data(), static_cast<int64_t>(AString.size())); }
  const AnsiString& GetDataString() const { return FDataString; }

 private:
  AnsiString FDataString;
  int64_t FPosition = 0;
};

#ifdef _WIN32
// A read-only stream over a resource of a module (RT_RCDATA unless told). Raises
// EResNotFound "Resource %s not found".
class TResourceStream : public TCustomMemoryStream {
 public:
  TResourceStream(void* Instance, const AnsiString& ResName, const char* ResType = nullptr);
};
#endif
