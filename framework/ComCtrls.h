// Common controls: the list view (report and icon views over SysListView32, with columns,
// items, sub-items, images, check boxes and custom drawing), the page control and its tab
// sheets (SysTabControl32), the track bar and the up-down control. The list view and the
// page control keep their items, columns and tabs themselves: their windows show them, and
// a window made again shows them as they were (with the selection and the checks).
#pragma once

#include <functional>
#include <memory>
#include <vector>

#include "framework/Controls.h"
#include "framework/ImgList.h"
#include "framework/StdCtrls.h"

class TCustomListView;
class TListItems;

// ---------------------------------------------------------------------------------------
// List view

enum TViewStyle { vsIcon, vsSmallIcon, vsList, vsReport };
enum TDisplayCode { drBounds, drIcon, drLabel, drSelectBounds };
enum TItemChange { ctText, ctImage, ctState };
enum TItemStateFlag { isNone, isCut, isDropHilited, isFocused, isSelected, isActivating };
// The state of an item being drawn: the system's CDIS_ bits in their order.
enum TCustomDrawStateFlag {
  cdsSelected, cdsGrayed, cdsDisabled, cdsChecked, cdsFocused, cdsDefault, cdsHot, cdsMarked,
  cdsIndeterminate
};
using TCustomDrawState = TSet<TCustomDrawStateFlag>;

class TListColumn : public TCollectionItem {
 public:
  explicit TListColumn(TCollection* Collection);
  void Assign(TPersistent* Source) override;
  void PublishProperties(TPropList& Props) const override;
  AnsiString GetCaption() const { return FCaption; }
  void SetCaption(const AnsiString& Value);
  // The width (the window's while it shows the column: the user may drag it).
  int GetWidth() const;
  void SetWidth(int Value);
  TAlignment GetAlignment() const { return FAlignment; }
  void SetAlignment(TAlignment Value);
  AnsiString GetDisplayName() const override { return FCaption.empty() ? TCollectionItem::GetDisplayName() : FCaption; }

 private:
  friend class TCustomListView;
  friend class TListColumns;
  TCustomListView* ListView() const;
  AnsiString FCaption;
  int FWidth = 50;
  TAlignment FAlignment = taLeftJustify;
};

class TListColumns : public TOwnedCollection {
 public:
  explicit TListColumns(TCustomListView* AOwner);
  TListColumn* Add() { return static_cast<TListColumn*>(TCollection::Add()); }
  TListColumn* GetItem(int Index) const { return static_cast<TListColumn*>(TCollection::GetItem(Index)); }
  TCustomListView* GetOwnerListView() const { return FListView; }

 protected:
  void Update(TCollectionItem* Item) override;
  void Notify(TCollectionItem* Item, TCollectionNotification Action) override;

 private:
  TCustomListView* FListView;
};

// One row: a caption, the texts and pictures of the further columns, a picture, a state
// picture, the selection, focus and check, and a pointer the program keeps with it.
class TListItem : public TPersistent {
 public:
  explicit TListItem(TListItems* AOwner);
  ~TListItem() override;
  void Assign(TPersistent* Source) override;

  AnsiString GetCaption() const { return FCaption; }
  void SetCaption(const AnsiString& Value);
  // The texts of columns 1, 2, ...
  TStrings* GetSubItems() const { return FSubItems.get(); }
  void SetSubItems(TStrings* Value) { FSubItems->Assign(Value); }
  int GetImageIndex() const { return FImageIndex; }
  void SetImageIndex(int Value);
  int GetStateIndex() const { return FStateIndex; }
  void SetStateIndex(int Value);
  // The picture of sub-item Index (-1: none).
  int GetSubItemImage(int Index) const;
  void SetSubItemImage(int Index, int Value);
  bool GetSelected() const;
  void SetSelected(bool Value);
  bool GetFocused() const;
  void SetFocused(bool Value);
  bool GetChecked() const;
  void SetChecked(bool Value);
  void* GetData() const { return FData; }
  void SetData(void* Value) { FData = Value; }
  int GetIndex() const;
  TListItems* GetListItems() const { return FOwner; }
  TCustomListView* GetListView() const;
  // A part of the row in the list view's client coordinates (empty without a window).
  TRect DisplayRect(TDisplayCode Code) const;
  // The whole cell of column Index (0: the caption's).
  TRect SubItemRect(int Index) const;
  void MakeVisible(bool PartialOK);
  // Shows the item's texts and pictures afresh.
  void Update();
  // Takes the item out of its list and frees it.
  void Delete();

 private:
  friend class TListItems;
  friend class TCustomListView;
  TListItems* FOwner;
  AnsiString FCaption;
  std::unique_ptr<TStringList> FSubItems;
  std::vector<int> FSubItemImages;
  int FImageIndex = -1;
  int FStateIndex = -1;
  void* FData = nullptr;
  // Kept while the list view has no window.
  bool FSelected = false;
  bool FFocused = false;
  bool FChecked = false;
  bool FDeleting = false;
};

class TListItems : public TPersistent {
 public:
  explicit TListItems(TCustomListView* AOwner) : FOwner(AOwner) {}
  ~TListItems() override;
  void Assign(TPersistent* Source) override;

  TListItem* Add();
  TListItem* Insert(int Index);
  void Delete(int Index);
  void Clear();
  int GetCount() const { return static_cast<int>(FItems.size()); }
  TListItem* GetItem(int Index) const;  // Item[]
  int IndexOf(const TListItem* Value) const;
  void BeginUpdate();
  void EndUpdate();
  TCustomListView* GetListView() const { return FOwner; }

 private:
  friend class TListItem;
  friend class TCustomListView;
  TCustomListView* FOwner;
  std::vector<TListItem*> FItems;
  int FUpdateCount = 0;
};

using TLVChangeEvent = std::function<void(TObject* Sender, TListItem* Item, TItemChange Change)>;
using TLVChangingEvent =
    std::function<void(TObject* Sender, TListItem* Item, TItemChange Change, bool& AllowChange)>;
using TLVSelectItemEvent = std::function<void(TObject* Sender, TListItem* Item, bool Selected)>;
using TLVDeletedEvent = std::function<void(TObject* Sender, TListItem* Item)>;
using TLVEditingEvent = std::function<void(TObject* Sender, TListItem* Item, bool& AllowEdit)>;
using TLVEditedEvent = std::function<void(TObject* Sender, TListItem* Item, AnsiString& S)>;
using TLVColumnClickEvent = std::function<void(TObject* Sender, TListColumn* Column)>;
using TLVCustomDrawEvent = std::function<void(TCustomListView* Sender, const TRect& ARect, bool& DefaultDraw)>;
using TLVCustomDrawItemEvent = std::function<void(TCustomListView* Sender, TListItem* Item,
                                                  TCustomDrawState State, bool& DefaultDraw)>;
using TLVCustomDrawSubItemEvent = std::function<void(TCustomListView* Sender, TListItem* Item, int SubItem,
                                                     TCustomDrawState State, bool& DefaultDraw)>;

class TCustomListView : public TWinControl {
 public:
  explicit TCustomListView(TComponent* AOwner);
  ~TCustomListView() override;
  void BeforeDestruction() override;
  void PublishProperties(TPropList& Props) const override;

  TListColumns* GetColumns() const { return FColumns.get(); }
  TListColumn* GetColumn(int Index) const { return FColumns->GetItem(Index); }
  TListItems* GetItems() const { return FItems.get(); }
  TViewStyle GetViewStyle() const { return FViewStyle; }
  void SetViewStyle(TViewStyle Value);
  bool GetMultiSelect() const { return FMultiSelect; }
  void SetMultiSelect(bool Value);
  bool GetRowSelect() const { return FRowSelect; }
  void SetRowSelect(bool Value);
  bool GetShowColumnHeaders() const { return FShowColumnHeaders; }
  void SetShowColumnHeaders(bool Value);
  bool GetHideSelection() const { return FHideSelection; }
  void SetHideSelection(bool Value);
  // Captions cannot be edited in place while this is on (the default).
  bool GetReadOnly() const { return FReadOnly; }
  void SetReadOnly(bool Value);
  bool GetCheckboxes() const { return FCheckboxes; }
  void SetCheckboxes(bool Value);
  bool GetGridLines() const { return FGridLines; }
  void SetGridLines(bool Value);
  TBorderStyle GetBorderStyle() const { return FBorderStyle; }
  void SetBorderStyle(TBorderStyle Value);
  TCustomImageList* GetSmallImages() const { return FSmallImages; }
  void SetSmallImages(TCustomImageList* Value);
  TCustomImageList* GetLargeImages() const { return FLargeImages; }
  void SetLargeImages(TCustomImageList* Value);
  TCustomImageList* GetStateImages() const { return FStateImages; }
  void SetStateImages(TCustomImageList* Value);
  TCanvas* GetCanvas() const { return FCanvas.get(); }

  // The first selected item, and the focused one (nullptr for none).
  TListItem* GetSelected() const;
  void SetSelected(TListItem* Value);
  TListItem* GetItemFocused() const;
  void SetItemFocused(TListItem* Value);
  int GetSelCount() const;
  void ClearSelection();
  void SelectAll();
  // The item whose row (any column) is at a client point, or nullptr.
  TListItem* GetItemAt(int X, int Y) const;
  TListItem* GetTopItem() const;
  // The next item after Start (nullptr: from the first) that has every state asked for
  // (isSelected, isFocused), or nullptr.
  TListItem* GetNextItem(TListItem* StartItem, TSet<TItemStateFlag> States) const;
  void Clear() { FItems->Clear(); }
  // What the window shows now (it may differ from the properties while it is being made
  // again).
  bool WindowShowsReport() const;
  bool WindowShowsCheckboxes() const;

  void Dispatch(TMessage& Message) override;

  TLVChangeEvent OnChange;
  TLVChangingEvent OnChanging;
  TLVSelectItemEvent OnSelectItem;
  TLVDeletedEvent OnDeletion;
  TLVDeletedEvent OnInsert;
  TLVEditingEvent OnEditing;
  TLVEditedEvent OnEdited;
  TLVColumnClickEvent OnColumnClick;
  TLVCustomDrawEvent OnCustomDraw;
  TLVCustomDrawItemEvent OnCustomDrawItem;
  TLVCustomDrawSubItemEvent OnCustomDrawSubItem;

 protected:
  friend class TListItem;
  friend class TListItems;
  friend class TListColumn;
  friend class TListColumns;
  void CreateParams(TCreateParams& Params) override;
  void CreateWnd() override;
  void DestroyWnd() override;
  void WndProc(TMessage& Message) override;
  void Notification(TComponent* AComponent, TOperation Operation) override;
  virtual void Change(TListItem* Item, TItemChange Change);
  virtual bool CanChange(TListItem* Item, TItemChange Change);
  virtual bool CanEdit(TListItem* Item);
  virtual void Edit(TListItem* Item, const AnsiString& Text);
  virtual void Delete(TListItem* Item);
  virtual void InsertItem(TListItem* Item);
  virtual bool CustomDraw(const TRect& ARect);
  virtual bool CustomDrawItem(TListItem* Item, TCustomDrawState State);
  virtual bool CustomDrawSubItem(TListItem* Item, int SubItem, TCustomDrawState State);
  // The window's part of the work.
  void UpdateColumns();
  void UpdateExtendedStyle();
  void UpdateImageLists();
  void InsertWindowItem(int Index, TListItem* Item);

 private:
  void CNNotify(TMessage& Message);
  void SetImageList(TCustomImageList*& Field, TCustomImageList* Value);
  std::unique_ptr<TListColumns> FColumns;
  std::unique_ptr<TListItems> FItems;
  std::unique_ptr<TControlCanvas> FCanvas;
  std::unique_ptr<TChangeLink> FImageChangeLink;
  TViewStyle FViewStyle = vsIcon;
  bool FMultiSelect = false;
  bool FRowSelect = false;
  bool FShowColumnHeaders = true;
  bool FHideSelection = true;
  bool FReadOnly = true;
  bool FCheckboxes = false;
  bool FGridLines = false;
  TBorderStyle FBorderStyle = bsSingle;
  TCustomImageList* FSmallImages = nullptr;
  TCustomImageList* FLargeImages = nullptr;
  TCustomImageList* FStateImages = nullptr;
  bool FChangingWindow = false;  // set while the control itself changes the window
};

class TListView : public TCustomListView {
 public:
  explicit TListView(TComponent* AOwner) : TCustomListView(AOwner) {}
};

// ---------------------------------------------------------------------------------------
// Page control

class TPageControl;

// A page of a page control: a container the page control shows while its tab is chosen.
class TTabSheet : public TWinControl {
 public:
  explicit TTabSheet(TComponent* AOwner);
  void BeforeDestruction() override;
  void PublishProperties(TPropList& Props) const override;
  TPageControl* GetPageControl() const { return FPageControl; }
  void SetPageControl(TPageControl* Value);
  // The position among the pages.
  int GetPageIndex() const;
  void SetPageIndex(int Value);
  // The position among the visible tabs (-1 while the tab is hidden).
  int GetTabIndex() const;
  bool GetTabVisible() const { return FTabVisible; }
  void SetTabVisible(bool Value);
  int GetImageIndex() const { return FImageIndex; }
  void SetImageIndex(int Value);
  void SetParent(TWinControl* AParent) override;
  void Dispatch(TMessage& Message) override;

 protected:
  void CreateParams(TCreateParams& Params) override;

 private:
  friend class TPageControl;
  TPageControl* FPageControl = nullptr;
  bool FTabVisible = true;
  int FImageIndex = -1;
  bool FSettingParent = false;
};

enum TTabPosition { tpTop, tpBottom };
using TTabChangingEvent = std::function<void(TObject* Sender, bool& AllowChange)>;

class TPageControl : public TWinControl {
 public:
  explicit TPageControl(TComponent* AOwner);
  ~TPageControl() override;
  int GetPageCount() const { return static_cast<int>(FPages.size()); }
  TTabSheet* GetPage(int Index) const;  // Pages[]
  TTabSheet* GetActivePage() const { return FActivePage; }
  void SetActivePage(TTabSheet* Value);
  int GetActivePageIndex() const;
  void SetActivePageIndex(int Value);
  // The chosen tab among the visible ones (-1 for none).
  int GetTabIndex() const;
  TCustomImageList* GetImages() const { return FImages; }
  void SetImages(TCustomImageList* Value);
  bool GetMultiLine() const { return FMultiLine; }
  void SetMultiLine(bool Value);
  TTabPosition GetTabPosition() const { return FTabPosition; }
  void SetTabPosition(TTabPosition Value);
  // The next (or previous) page from CurrentPage with a visible tab.
  TTabSheet* FindNextPage(TTabSheet* CurrentPage, bool GoForward, bool CheckTabVisible) const;
  void SelectNextPage(bool GoForward);
  // The rectangle of a visible tab in client coordinates.
  TRect TabRect(int TabIndex);
  void Dispatch(TMessage& Message) override;

  TNotifyEvent OnChange;
  TTabChangingEvent OnChanging;

 protected:
  friend class TTabSheet;
  void CreateParams(TCreateParams& Params) override;
  void CreateWnd() override;
  void AdjustClientRect(TRect& Rect) override;
  void Notification(TComponent* AComponent, TOperation Operation) override;
  virtual bool CanChange();
  virtual void Change();
  void InsertPage(TTabSheet* Page);
  void RemovePage(TTabSheet* Page);
  // Makes the tabs again from the pages (captions, images, visibility, the chosen one).
  void UpdateTabs();
  void ShowActivePage();

 private:
  std::vector<TTabSheet*> FPages;
  TTabSheet* FActivePage = nullptr;
  TCustomImageList* FImages = nullptr;
  std::unique_ptr<TChangeLink> FImageChangeLink;
  bool FMultiLine = false;
  TTabPosition FTabPosition = tpTop;
};

// ---------------------------------------------------------------------------------------
// Track bar, up-down

enum TTrackBarOrientation { trHorizontal, trVertical };

// A thumb on a track for a whole number between MinValue and MaxValue (0 and 100 unless
// set). Setting Value brings it into the range; when it changed it is stored, shown and
// OnChange fires (nothing when unchanged). A new MaxValue (MinValue) lowers (raises) the
// value to it without an event. Moving the thumb fires OnChange for every new value.
class TTrackBar : public TWinControl {
 public:
  explicit TTrackBar(TComponent* AOwner);
  int GetMinValue() const { return FMinValue; }
  void SetMinValue(int Value);
  int GetMaxValue() const { return FMaxValue; }
  void SetMaxValue(int Value);
  int GetValue() const { return FValue; }
  void SetValue(int Value);
  TTrackBarOrientation GetOrientation() const { return FOrientation; }
  void SetOrientation(TTrackBarOrientation Value);
  int GetFrequency() const { return FFrequency; }
  void SetFrequency(int Value);
  int GetPageSize() const { return FPageSize; }
  void SetPageSize(int Value);
  void Dispatch(TMessage& Message) override;
  TNotifyEvent OnChange;

 protected:
  void CreateParams(TCreateParams& Params) override;
  void CreateWnd() override;
  virtual void Changed();

 private:
  int FMinValue = 0;
  int FMaxValue = 100;
  int FValue = 0;
  TTrackBarOrientation FOrientation = trHorizontal;
  int FFrequency = 1;
  int FPageSize = 2;
};

enum TUDBtnType { btNext, btPrev };
enum TUDOrientation { udHorizontal, udVertical };
enum TUDAlignButton { udLeft, udRight };
using TUDClickEvent = std::function<void(TObject* Sender, TUDBtnType Button)>;
using TUDChangingEvent = std::function<void(TObject* Sender, bool& AllowChange)>;

// Two arrow buttons that step Position between Min and Max by Increment; with an
// associated edit the edit shows the position.
class TUpDown : public TWinControl {
 public:
  explicit TUpDown(TComponent* AOwner);
  int GetMin() const { return FMin; }
  void SetMin(int Value);
  int GetMax() const { return FMax; }
  void SetMax(int Value);
  int GetPosition() const;
  void SetPosition(int Value);
  int GetIncrement() const { return FIncrement; }
  void SetIncrement(int Value);
  bool GetWrap() const { return FWrap; }
  void SetWrap(bool Value);
  TUDOrientation GetOrientation() const { return FOrientation; }
  void SetOrientation(TUDOrientation Value);
  TWinControl* GetAssociate() const { return FAssociate; }
  void SetAssociate(TWinControl* Value);
  void Dispatch(TMessage& Message) override;

  TUDClickEvent OnClick;
  TUDChangingEvent OnChanging;

 protected:
  void CreateParams(TCreateParams& Params) override;
  void CreateWnd() override;
  void Notification(TComponent* AComponent, TOperation Operation) override;
  virtual bool CanChange();
  virtual void ButtonClick(TUDBtnType Button);

 private:
  int FMin = 0;
  int FMax = 100;
  int FPosition = 0;
  int FIncrement = 1;
  bool FWrap = false;
  TUDOrientation FOrientation = udVertical;
  TWinControl* FAssociate = nullptr;
};
