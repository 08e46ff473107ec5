// The list view: columns, items and the SysListView32 window that shows them. The window
// asks for texts and pictures when it draws them (callbacks), so the items here are the
// only copy; the selection, focus and checks live in the window while it exists.
#include "framework/ComCtrls.h"

#include <algorithm>
#include <cstring>

#include "framework/Forms.h"
#include "framework/SysUtils.h"
#include "framework/TypInfo.h"

#include <commctrl.h>

namespace {

const int kColumnFormats[] = {LVCFMT_LEFT, LVCFMT_RIGHT, LVCFMT_CENTER};

// Runs Action with Flag set, clearing it again also when Action raises.
template <class F>
void WithFlag(bool& Flag, F&& Action) {
  const bool old = Flag;
  Flag = true;
  try {
    Action();
  } catch (...) {
    Flag = old;
    throw;
  }
  Flag = old;
}

}  // namespace

// ---------------------------------------------------------------------------------------
// TListColumn, TListColumns

TListColumn::TListColumn(TCollection* Collection) : TCollectionItem(Collection) {}

TCustomListView* TListColumn::ListView() const {
  auto* columns = dynamic_cast<TListColumns*>(GetCollection());
  return columns ? columns->GetOwnerListView() : nullptr;
}

void TListColumn::Assign(TPersistent* Source) {
  auto* other = dynamic_cast<TListColumn*>(Source);
  if (!other) {
    TCollectionItem::Assign(Source);
    return;
  }
  FCaption = other->FCaption;
  FWidth = other->GetWidth();
  FAlignment = other->FAlignment;
  Changed(false);
}

void TListColumn::PublishProperties(TPropList& Props) const {
  TCollectionItem::PublishProperties(Props);
  Props.String("Caption", &TListColumn::GetCaption, &TListColumn::SetCaption, "TCaption");
}

void TListColumn::SetCaption(const AnsiString& Value) {
  if (FCaption == Value) return;
  FCaption = Value;
  Changed(false);
}

int TListColumn::GetWidth() const {
  TCustomListView* view = ListView();
  const int index = GetIndex();
  if (view && view->WindowShowsReport() && index >= 0) {
    HWND header = reinterpret_cast<HWND>(SendMessageA(view->GetHandle(), LVM_GETHEADER, 0, 0));
    if (header && index < static_cast<int>(SendMessageA(header, HDM_GETITEMCOUNT, 0, 0)))
      return static_cast<int>(SendMessageA(view->GetHandle(), LVM_GETCOLUMNWIDTH, WPARAM(index), 0));
  }
  return FWidth;
}

void TListColumn::SetWidth(int Value) {
  FWidth = Value;
  TCustomListView* view = ListView();
  if (view && view->HandleAllocated() && GetIndex() >= 0)
    SendMessageA(view->GetHandle(), LVM_SETCOLUMNWIDTH, WPARAM(GetIndex()), MAKELPARAM(Value, 0));
}

void TListColumn::SetAlignment(TAlignment Value) {
  if (FAlignment == Value) return;
  FAlignment = Value;
  Changed(false);
}

TListColumns::TListColumns(TCustomListView* AOwner)
    : TOwnedCollection(AOwner, CollectionItemOf<TListColumn>), FListView(AOwner) {
  SetPropName("Columns");
}

void TListColumns::Notify(TCollectionItem*, TCollectionNotification Action) {
  // Before the columns move, the widths the user gave them in the window are kept.
  if (Action == cnAdded || Action == cnExtracting) {
    for (int i = 0; i < GetCount(); ++i) {
      TListColumn* column = GetItem(i);
      column->FWidth = column->GetWidth();
    }
  }
}

void TListColumns::Update(TCollectionItem*) { FListView->UpdateColumns(); }

// ---------------------------------------------------------------------------------------
// TListItem

TListItem::TListItem(TListItems* AOwner) : FOwner(AOwner), FSubItems(std::make_unique<TStringList>()) {
  FSubItems->OnChange = [this](TObject*) { Update(); };
}

TListItem::~TListItem() = default;

void TListItem::Assign(TPersistent* Source) {
  auto* other = dynamic_cast<TListItem*>(Source);
  if (!other) {
    TPersistent::Assign(Source);
    return;
  }
  FCaption = other->FCaption;
  FSubItems->Assign(other->FSubItems.get());
  FSubItemImages = other->FSubItemImages;
  FImageIndex = other->FImageIndex;
  FStateIndex = other->FStateIndex;
  FData = other->FData;
  FChecked = other->GetChecked();
  if (GetListView() && GetListView()->GetCheckboxes()) SetChecked(FChecked);
  Update();
}

TCustomListView* TListItem::GetListView() const { return FOwner ? FOwner->FOwner : nullptr; }

int TListItem::GetIndex() const { return FOwner ? FOwner->IndexOf(this) : -1; }

namespace {
// The window of the item's list view and the item's row, or nullptr.
HWND ItemWindow(const TListItem* Item, int& Index) {
  TCustomListView* view = Item->GetListView();
  Index = Item->GetIndex();
  if (!view || !view->HandleAllocated() || Index < 0) return nullptr;
  return view->GetHandle();
}

void SetItemState(HWND Wnd, int Index, UINT State, UINT Mask) {
  LVITEMA item = {};
  item.state = State;
  item.stateMask = Mask;
  SendMessageA(Wnd, LVM_SETITEMSTATE, WPARAM(Index), reinterpret_cast<LPARAM>(&item));
}
}  // namespace

void TListItem::Update() {
  int index;
  if (HWND wnd = ItemWindow(this, index)) SendMessageA(wnd, LVM_UPDATE, WPARAM(index), 0);
}

void TListItem::SetCaption(const AnsiString& Value) {
  if (FCaption == Value) return;
  FCaption = Value;
  Update();
}

void TListItem::SetImageIndex(int Value) {
  if (FImageIndex == Value) return;
  FImageIndex = Value;
  Update();
}

void TListItem::SetStateIndex(int Value) {
  if (FStateIndex == Value) return;
  FStateIndex = Value;
  int index;
  TCustomListView* view = GetListView();
  if (HWND wnd = ItemWindow(this, index); wnd && view && !view->GetCheckboxes())
    SetItemState(wnd, index, INDEXTOSTATEIMAGEMASK(Value + 1), LVIS_STATEIMAGEMASK);
}

int TListItem::GetSubItemImage(int Index) const {
  if (Index < 0 || size_t(Index) >= FSubItemImages.size()) return -1;
  return FSubItemImages[size_t(Index)];
}

void TListItem::SetSubItemImage(int Index, int Value) {
  if (Index < 0) throw EListError("List index out of bounds (%d)", {Index});
  if (size_t(Index) >= FSubItemImages.size()) FSubItemImages.resize(size_t(Index) + 1, -1);
  if (FSubItemImages[size_t(Index)] == Value) return;
  FSubItemImages[size_t(Index)] = Value;
  Update();
}

bool TListItem::GetSelected() const {
  int index;
  if (HWND wnd = ItemWindow(this, index))
    return (SendMessageA(wnd, LVM_GETITEMSTATE, WPARAM(index), LVIS_SELECTED) & LVIS_SELECTED) != 0;
  return FSelected;
}

void TListItem::SetSelected(bool Value) {
  int index;
  if (HWND wnd = ItemWindow(this, index)) {
    SetItemState(wnd, index, Value ? LVIS_SELECTED : 0, LVIS_SELECTED);
    return;
  }
  FSelected = Value;
  TCustomListView* view = GetListView();
  if (Value && view && !view->GetMultiSelect())
    for (TListItem* other : FOwner->FItems)
      if (other != this) other->FSelected = false;
}

bool TListItem::GetFocused() const {
  int index;
  if (HWND wnd = ItemWindow(this, index))
    return (SendMessageA(wnd, LVM_GETITEMSTATE, WPARAM(index), LVIS_FOCUSED) & LVIS_FOCUSED) != 0;
  return FFocused;
}

void TListItem::SetFocused(bool Value) {
  int index;
  if (HWND wnd = ItemWindow(this, index)) {
    SetItemState(wnd, index, Value ? LVIS_FOCUSED : 0, LVIS_FOCUSED);
    return;
  }
  FFocused = Value;
  if (Value && FOwner)
    for (TListItem* other : FOwner->FItems)
      if (other != this) other->FFocused = false;
}

bool TListItem::GetChecked() const {
  int index;
  TCustomListView* view = GetListView();
  if (HWND wnd = ItemWindow(this, index); wnd && view && view->WindowShowsCheckboxes())
    return ((SendMessageA(wnd, LVM_GETITEMSTATE, WPARAM(index), LVIS_STATEIMAGEMASK) & LVIS_STATEIMAGEMASK) >> 12) == 2;
  return FChecked;
}

void TListItem::SetChecked(bool Value) {
  FChecked = Value;
  int index;
  TCustomListView* view = GetListView();
  if (HWND wnd = ItemWindow(this, index); wnd && view && view->WindowShowsCheckboxes())
    SetItemState(wnd, index, INDEXTOSTATEIMAGEMASK(Value ? 2 : 1), LVIS_STATEIMAGEMASK);
}

TRect TListItem::DisplayRect(TDisplayCode Code) const {
  int index;
  HWND wnd = ItemWindow(this, index);
  if (!wnd) return TRect();
  static const int kCodes[] = {LVIR_BOUNDS, LVIR_ICON, LVIR_LABEL, LVIR_SELECTBOUNDS};
  RECT r = {};
  r.left = kCodes[Code];
  SendMessageA(wnd, LVM_GETITEMRECT, WPARAM(index), reinterpret_cast<LPARAM>(&r));
  return FromRECT(r);
}

TRect TListItem::SubItemRect(int Index) const {
  int index;
  HWND wnd = ItemWindow(this, index);
  if (!wnd) return TRect();
  RECT r = {};
  r.top = Index;
  r.left = LVIR_BOUNDS;
  SendMessageA(wnd, LVM_GETSUBITEMRECT, WPARAM(index), reinterpret_cast<LPARAM>(&r));
  if (Index == 0) {
    // The system gives the whole row for column 0: it ends where the column does.
    r.right = r.left + static_cast<int>(SendMessageA(wnd, LVM_GETCOLUMNWIDTH, 0, 0));
  }
  return FromRECT(r);
}

void TListItem::MakeVisible(bool PartialOK) {
  int index;
  if (HWND wnd = ItemWindow(this, index)) SendMessageA(wnd, LVM_ENSUREVISIBLE, WPARAM(index), PartialOK ? 1 : 0);
}

void TListItem::Delete() {
  if (FOwner && !FDeleting) FOwner->Delete(GetIndex());
}

// ---------------------------------------------------------------------------------------
// TListItems

TListItems::~TListItems() {
  for (TListItem* item : FItems) {
    item->FOwner = nullptr;
    delete item;
  }
}

void TListItems::Assign(TPersistent* Source) {
  auto* other = dynamic_cast<TListItems*>(Source);
  if (!other) {
    TPersistent::Assign(Source);
    return;
  }
  BeginUpdate();
  try {
    Clear();
    for (TListItem* item : other->FItems) Add()->Assign(item);
  } catch (...) {
    EndUpdate();
    throw;
  }
  EndUpdate();
}

TListItem* TListItems::Add() { return Insert(GetCount()); }

TListItem* TListItems::Insert(int Index) {
  if (Index < 0 || Index > GetCount()) throw EListError("List index out of bounds (%d)", {Index});
  auto* item = new TListItem(this);
  FItems.insert(FItems.begin() + Index, item);
  if (FOwner->HandleAllocated()) FOwner->InsertWindowItem(Index, item);
  FOwner->InsertItem(item);
  return item;
}

void TListItems::Delete(int Index) {
  TListItem* item = GetItem(Index);
  item->FDeleting = true;
  try {
    FOwner->Delete(item);
  } catch (...) {
    item->FDeleting = false;
    throw;
  }
  Index = IndexOf(item);  // the handler may have moved things
  if (Index < 0) return;
  FItems.erase(FItems.begin() + Index);
  if (FOwner->HandleAllocated())
    WithFlag(FOwner->FChangingWindow, [&] { SendMessageA(FOwner->GetHandle(), LVM_DELETEITEM, WPARAM(Index), 0); });
  item->FOwner = nullptr;
  delete item;
}

void TListItems::Clear() {
  if (FItems.empty()) return;
  BeginUpdate();
  try {
    while (!FItems.empty()) Delete(GetCount() - 1);
  } catch (...) {
    EndUpdate();
    throw;
  }
  EndUpdate();
}

TListItem* TListItems::GetItem(int Index) const {
  if (Index < 0 || Index >= GetCount()) throw EListError("List index out of bounds (%d)", {Index});
  return FItems[size_t(Index)];
}

int TListItems::IndexOf(const TListItem* Value) const {
  auto found = std::find(FItems.begin(), FItems.end(), Value);
  return found == FItems.end() ? -1 : static_cast<int>(found - FItems.begin());
}

void TListItems::BeginUpdate() {
  if (FUpdateCount++ == 0 && FOwner->HandleAllocated()) SendMessageA(FOwner->GetHandle(), WM_SETREDRAW, 0, 0);
}

void TListItems::EndUpdate() {
  if (FUpdateCount == 0 || --FUpdateCount > 0 || !FOwner->HandleAllocated()) return;
  SendMessageA(FOwner->GetHandle(), WM_SETREDRAW, 1, 0);
  InvalidateRect(FOwner->GetHandle(), nullptr, TRUE);
}

// ---------------------------------------------------------------------------------------
// TCustomListView

TCustomListView::TCustomListView(TComponent* AOwner)
    : TWinControl(AOwner),
      FColumns(std::make_unique<TListColumns>(this)),
      FItems(std::make_unique<TListItems>(this)),
      FCanvas(std::make_unique<TControlCanvas>()),
      FImageChangeLink(std::make_unique<TChangeLink>()) {
  FCanvas->SetControl(this);
  FImageChangeLink->OnChange = [this](TObject*) {
    if (HandleAllocated()) Invalidate();
  };
  SetControlStyle(TControlStyle{csCaptureMouse, csDoubleClicks});
  SetBounds(GetLeft(), GetTop(), 250, 150);
  SetTabStop(true);
  SetColor(clWindow);
  SetParentColor(false);
}

TCustomListView::~TCustomListView() = default;

void TCustomListView::BeforeDestruction() {
  FChangingWindow = true;  // no events while going
  SetSmallImages(nullptr);
  SetLargeImages(nullptr);
  SetStateImages(nullptr);
  TWinControl::BeforeDestruction();
}

void TCustomListView::PublishProperties(TPropList& Props) const {
  TWinControl::PublishProperties(Props);
  Props.String("Hint", &TControl::GetHint, &TControl::SetHint);
  Props.Object("Columns", &TCustomListView::GetColumns);
}

void TCustomListView::CreateParams(TCreateParams& Params) {
  TWinControl::CreateParams(Params);
  CreateSubClass(Params, WC_LISTVIEWA);
  static const DWORD kViews[] = {LVS_ICON, LVS_SMALLICON, LVS_LIST, LVS_REPORT};
  Params.Style |= LVS_SHAREIMAGELISTS | LVS_AUTOARRANGE | kViews[FViewStyle];
  if (!FMultiSelect) Params.Style |= LVS_SINGLESEL;
  if (!FShowColumnHeaders) Params.Style |= LVS_NOCOLUMNHEADER;
  if (!FHideSelection) Params.Style |= LVS_SHOWSELALWAYS;
  if (!FReadOnly) Params.Style |= LVS_EDITLABELS;
  if (FBorderStyle == bsSingle) Params.ExStyle |= WS_EX_CLIENTEDGE;
  Params.WindowClass.style &= ~UINT(CS_HREDRAW | CS_VREDRAW);
}

void TCustomListView::CreateWnd() {
  TWinControl::CreateWnd();
  WithFlag(FChangingWindow, [&] {
    UpdateExtendedStyle();
    UpdateImageLists();
    UpdateColumns();
    SendMessageA(GetHandle(), LVM_SETITEMCOUNT, WPARAM(FItems->GetCount()), 0);
    for (int i = 0; i < FItems->GetCount(); ++i) InsertWindowItem(i, FItems->FItems[size_t(i)]);
  });
}

void TCustomListView::DestroyWnd() {
  // The window's state is kept for the next window.
  for (int i = 0; i < FColumns->GetCount(); ++i) GetColumn(i)->FWidth = GetColumn(i)->GetWidth();
  for (TListItem* item : FItems->FItems) {
    item->FSelected = item->GetSelected();
    item->FFocused = item->GetFocused();
    item->FChecked = item->GetChecked();
  }
  WithFlag(FChangingWindow, [&] { TWinControl::DestroyWnd(); });
}

bool TCustomListView::WindowShowsReport() const {
  if (!HandleAllocated()) return false;
  HWND wnd = const_cast<TCustomListView*>(this)->GetHandle();
  return (GetWindowLongPtrA(wnd, GWL_STYLE) & LVS_TYPEMASK) == LVS_REPORT;
}

bool TCustomListView::WindowShowsCheckboxes() const {
  if (!HandleAllocated()) return false;
  HWND wnd = const_cast<TCustomListView*>(this)->GetHandle();
  return (SendMessageA(wnd, LVM_GETEXTENDEDLISTVIEWSTYLE, 0, 0) & LVS_EX_CHECKBOXES) != 0;
}

void TCustomListView::UpdateExtendedStyle() {
  if (!HandleAllocated()) return;
  const DWORD mask = LVS_EX_FULLROWSELECT | LVS_EX_GRIDLINES | LVS_EX_CHECKBOXES | LVS_EX_SUBITEMIMAGES;
  DWORD style = LVS_EX_SUBITEMIMAGES;
  if (FRowSelect) style |= LVS_EX_FULLROWSELECT;
  if (FGridLines) style |= LVS_EX_GRIDLINES;
  if (FCheckboxes) style |= LVS_EX_CHECKBOXES;
  SendMessageA(GetHandle(), LVM_SETEXTENDEDLISTVIEWSTYLE, mask, style);
}

void TCustomListView::UpdateImageLists() {
  if (!HandleAllocated()) return;
  auto handleOf = [](TCustomImageList* List) { return reinterpret_cast<LPARAM>(List ? List->GetHandle() : nullptr); };
  SendMessageA(GetHandle(), LVM_SETIMAGELIST, LVSIL_SMALL, handleOf(FSmallImages));
  SendMessageA(GetHandle(), LVM_SETIMAGELIST, LVSIL_NORMAL, handleOf(FLargeImages));
  if (!FCheckboxes) SendMessageA(GetHandle(), LVM_SETIMAGELIST, LVSIL_STATE, handleOf(FStateImages));
}

void TCustomListView::UpdateColumns() {
  if (!HandleAllocated()) return;
  HWND wnd = GetHandle();
  HWND header = reinterpret_cast<HWND>(SendMessageA(wnd, LVM_GETHEADER, 0, 0));
  int shown = header ? static_cast<int>(SendMessageA(header, HDM_GETITEMCOUNT, 0, 0)) : 0;
  const int count = FColumns->GetCount();
  while (shown > count && SendMessageA(wnd, LVM_DELETECOLUMN, WPARAM(shown - 1), 0)) --shown;
  for (int i = 0; i < count; ++i) {
    TListColumn* column = GetColumn(i);
    LVCOLUMNA info = {};
    info.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_FMT;
    info.pszText = const_cast<char*>(column->FCaption.c_str());
    info.cx = column->FWidth;
    info.fmt = kColumnFormats[column->FAlignment];
    if (i == 0) info.fmt = LVCFMT_LEFT;  // the first column is always left-aligned
    SendMessageA(wnd, i < shown ? LVM_SETCOLUMNA : LVM_INSERTCOLUMNA, WPARAM(i), reinterpret_cast<LPARAM>(&info));
  }
}

void TCustomListView::InsertWindowItem(int Index, TListItem* Item) {
  LVITEMA info = {};
  info.mask = LVIF_TEXT | LVIF_IMAGE | LVIF_PARAM;
  info.iItem = Index;
  info.pszText = LPSTR_TEXTCALLBACKA;
  info.iImage = I_IMAGECALLBACK;
  info.lParam = reinterpret_cast<LPARAM>(Item);
  WithFlag(FChangingWindow, [&] {
    const LRESULT at = SendMessageA(GetHandle(), LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&info));
    if (at < 0) throw EOutOfResources("Insufficient space to add the item");
    // The state is set after the insertion: a list view with check boxes makes every new
    // row unchecked.
    UINT state = (Item->FSelected ? LVIS_SELECTED : 0) | (Item->FFocused ? LVIS_FOCUSED : 0);
    if (FCheckboxes)
      state |= INDEXTOSTATEIMAGEMASK(Item->FChecked ? 2 : 1);
    else
      state |= INDEXTOSTATEIMAGEMASK(Item->FStateIndex + 1);
    SetItemState(GetHandle(), static_cast<int>(at), state, LVIS_SELECTED | LVIS_FOCUSED | LVIS_STATEIMAGEMASK);
  });
}

void TCustomListView::SetViewStyle(TViewStyle Value) {
  if (FViewStyle == Value) return;
  FViewStyle = Value;
  RecreateWnd();
}

void TCustomListView::SetMultiSelect(bool Value) {
  if (FMultiSelect == Value) return;
  FMultiSelect = Value;
  RecreateWnd();
}

void TCustomListView::SetRowSelect(bool Value) {
  if (FRowSelect == Value) return;
  FRowSelect = Value;
  UpdateExtendedStyle();
}

void TCustomListView::SetShowColumnHeaders(bool Value) {
  if (FShowColumnHeaders == Value) return;
  FShowColumnHeaders = Value;
  RecreateWnd();
}

void TCustomListView::SetHideSelection(bool Value) {
  if (FHideSelection == Value) return;
  FHideSelection = Value;
  RecreateWnd();
}

void TCustomListView::SetReadOnly(bool Value) {
  if (FReadOnly == Value) return;
  FReadOnly = Value;
  RecreateWnd();
}

void TCustomListView::SetCheckboxes(bool Value) {
  if (FCheckboxes == Value) return;
  FCheckboxes = Value;  // the window's state is kept as it is made again
  RecreateWnd();
}

void TCustomListView::SetGridLines(bool Value) {
  if (FGridLines == Value) return;
  FGridLines = Value;
  UpdateExtendedStyle();
}

void TCustomListView::SetBorderStyle(TBorderStyle Value) {
  if (FBorderStyle == Value) return;
  FBorderStyle = Value;
  RecreateWnd();
}

void TCustomListView::SetImageList(TCustomImageList*& Field, TCustomImageList* Value) {
  if (ReplaceImageListReference(this, Field, Value, FImageChangeLink.get())) UpdateImageLists();
}

void TCustomListView::SetSmallImages(TCustomImageList* Value) { SetImageList(FSmallImages, Value); }
void TCustomListView::SetLargeImages(TCustomImageList* Value) { SetImageList(FLargeImages, Value); }
void TCustomListView::SetStateImages(TCustomImageList* Value) { SetImageList(FStateImages, Value); }

void TCustomListView::Notification(TComponent* AComponent, TOperation Operation) {
  TWinControl::Notification(AComponent, Operation);
  if (Operation != opRemove) return;
  bool changed = false;
  for (TCustomImageList** field : {&FSmallImages, &FLargeImages, &FStateImages})
    if (*field == AComponent) {
      (*field)->UnRegisterChanges(FImageChangeLink.get());
      *field = nullptr;
      changed = true;
    }
  if (changed && !GetComponentState().Contains(csDestroying)) UpdateImageLists();
}

TListItem* TCustomListView::GetSelected() const { return GetNextItem(nullptr, {isSelected}); }

void TCustomListView::SetSelected(TListItem* Value) {
  ClearSelection();
  if (Value) {
    Value->SetSelected(true);
    Value->SetFocused(true);
  }
}

TListItem* TCustomListView::GetItemFocused() const { return GetNextItem(nullptr, {isFocused}); }

void TCustomListView::SetItemFocused(TListItem* Value) {
  if (Value)
    Value->SetFocused(true);
  else if (TListItem* focused = GetItemFocused())
    focused->SetFocused(false);
}

int TCustomListView::GetSelCount() const {
  if (HandleAllocated())
    return static_cast<int>(SendMessageA(const_cast<TCustomListView*>(this)->GetHandle(), LVM_GETSELECTEDCOUNT, 0, 0));
  return static_cast<int>(std::count_if(FItems->FItems.begin(), FItems->FItems.end(),
                                        [](TListItem* item) { return item->FSelected; }));
}

void TCustomListView::ClearSelection() {
  for (TListItem* item : FItems->FItems)
    if (item->GetSelected()) item->SetSelected(false);
}

void TCustomListView::SelectAll() {
  for (TListItem* item : FItems->FItems) item->SetSelected(true);
}

TListItem* TCustomListView::GetNextItem(TListItem* StartItem, TSet<TItemStateFlag> States) const {
  int start = StartItem ? FItems->IndexOf(StartItem) + 1 : 0;
  for (int i = std::max(0, start); i < FItems->GetCount(); ++i) {
    TListItem* item = FItems->FItems[size_t(i)];
    if (States.Contains(isSelected) && !item->GetSelected()) continue;
    if (States.Contains(isFocused) && !item->GetFocused()) continue;
    return item;
  }
  return nullptr;
}

TListItem* TCustomListView::GetItemAt(int X, int Y) const {
  if (!HandleAllocated()) return nullptr;
  HWND wnd = const_cast<TCustomListView*>(this)->GetHandle();
  LVHITTESTINFO info = {};
  info.pt.x = X;
  info.pt.y = Y;
  const UINT message = FViewStyle == vsReport ? LVM_SUBITEMHITTEST : LVM_HITTEST;
  SendMessageA(wnd, message, 0, reinterpret_cast<LPARAM>(&info));
  if (info.iItem < 0 || info.iItem >= FItems->GetCount() || !(info.flags & LVHT_ONITEM)) {
    // Over the row but right of its texts (report view): the row's item all the same.
    if (FViewStyle != vsReport) return nullptr;
    for (TListItem* item : FItems->FItems) {
      TRect r = item->DisplayRect(drBounds);
      if (Y >= r.Top && Y < r.Bottom && X >= r.Left) return item;
    }
    return nullptr;
  }
  return FItems->FItems[size_t(info.iItem)];
}

TListItem* TCustomListView::GetTopItem() const {
  if (!HandleAllocated() || (FViewStyle != vsReport && FViewStyle != vsList)) return nullptr;
  const LRESULT index = SendMessageA(const_cast<TCustomListView*>(this)->GetHandle(), LVM_GETTOPINDEX, 0, 0);
  return index >= 0 && index < FItems->GetCount() ? FItems->FItems[size_t(index)] : nullptr;
}

void TCustomListView::Change(TListItem* Item, TItemChange Change) {
  if (OnChange) OnChange(this, Item, Change);
}

bool TCustomListView::CanChange(TListItem* Item, TItemChange Change) {
  bool allow = true;
  if (OnChanging) OnChanging(this, Item, Change, allow);
  return allow;
}

bool TCustomListView::CanEdit(TListItem* Item) {
  bool allow = !FReadOnly;
  if (OnEditing) OnEditing(this, Item, allow);
  return allow;
}

void TCustomListView::Edit(TListItem* Item, const AnsiString& Text) {
  AnsiString text = Text;
  if (OnEdited) OnEdited(this, Item, text);
  if (Item) Item->SetCaption(text);
}

void TCustomListView::Delete(TListItem* Item) {
  if (OnDeletion && !FChangingWindow) OnDeletion(this, Item);
}

void TCustomListView::InsertItem(TListItem* Item) {
  if (OnInsert) OnInsert(this, Item);
}

bool TCustomListView::CustomDraw(const TRect& ARect) {
  bool defaultDraw = true;
  if (OnCustomDraw) OnCustomDraw(this, ARect, defaultDraw);
  return defaultDraw;
}

bool TCustomListView::CustomDrawItem(TListItem* Item, TCustomDrawState State) {
  bool defaultDraw = true;
  if (OnCustomDrawItem) OnCustomDrawItem(this, Item, State, defaultDraw);
  return defaultDraw;
}

bool TCustomListView::CustomDrawSubItem(TListItem* Item, int SubItem, TCustomDrawState State) {
  bool defaultDraw = true;
  if (OnCustomDrawSubItem) OnCustomDrawSubItem(this, Item, SubItem, State, defaultDraw);
  return defaultDraw;
}

void TCustomListView::WndProc(TMessage& Message) {
  // With automatic dragging the window still takes its press (it selects the row and
  // tells when a drag starts, LVN_BEGINDRAG).
  if ((Message.Msg == WM_LBUTTONDOWN || Message.Msg == WM_LBUTTONDBLCLK) && GetDragMode() == dmAutomatic &&
      !Dragging()) {
    FControlState.Include(csLButtonDown);
    Dispatch(Message);
    return;
  }
  TWinControl::WndProc(Message);
}

namespace {

// Copies a text into a notification's buffer (narrow or wide).
void CopyText(const AnsiString& Text, void* Buffer, int Size, bool Wide) {
  if (!Buffer || Size <= 0) return;
  if (Wide) {
    auto* out = static_cast<wchar_t*>(Buffer);
    int n = MultiByteToWideChar(CP_ACP, 0, Text.c_str(), static_cast<int>(Text.size()), out, Size - 1);
    out[std::max(0, n)] = L'\0';
  } else {
    auto* out = static_cast<char*>(Buffer);
    const size_t n = std::min(Text.size(), size_t(Size - 1));
    std::memcpy(out, Text.data(), n);
    out[n] = '\0';
  }
}

AnsiString NotifiedText(const void* Text, bool Wide) {
  if (!Text) return AnsiString();
  if (!Wide) return AnsiString(static_cast<const char*>(Text));
  return WideToAnsi(WideString(static_cast<const wchar_t*>(Text)));
}

}  // namespace

void TCustomListView::CNNotify(TMessage& Message) {
  auto* header = reinterpret_cast<NMHDR*>(Message.LParam);
  if (!header) return;
  auto itemAt = [this](int Index) -> TListItem* {
    return Index >= 0 && Index < FItems->GetCount() ? FItems->FItems[size_t(Index)] : nullptr;
  };
  switch (header->code) {
    case LVN_GETDISPINFOA:
    case LVN_GETDISPINFOW: {
      const bool wide = header->code == LVN_GETDISPINFOW;
      // Both forms start alike up to the text buffer.
      auto* info = reinterpret_cast<NMLVDISPINFOA*>(Message.LParam);
      TListItem* item = itemAt(info->item.iItem);
      if (!item) break;
      const int column = info->item.iSubItem;
      if (info->item.mask & LVIF_TEXT) {
        AnsiString text;
        if (column == 0)
          text = item->FCaption;
        else if (column - 1 < item->FSubItems->GetCount())
          text = item->FSubItems->Get(column - 1);
        CopyText(text, info->item.pszText, info->item.cchTextMax, wide);
      }
      if (info->item.mask & LVIF_IMAGE)
        info->item.iImage = column == 0 ? item->FImageIndex : item->GetSubItemImage(column - 1);
      break;
    }
    case LVN_ITEMCHANGING: {
      auto* info = reinterpret_cast<NMLISTVIEW*>(Message.LParam);
      if (!FChangingWindow && (info->uChanged & LVIF_STATE) && !CanChange(itemAt(info->iItem), ctState))
        Message.Result = TRUE;
      break;
    }
    case LVN_ITEMCHANGED: {
      auto* info = reinterpret_cast<NMLISTVIEW*>(Message.LParam);
      if (FChangingWindow || !(info->uChanged & LVIF_STATE)) break;
      TListItem* item = itemAt(info->iItem);
      Change(item, ctState);
      if (((info->uOldState ^ info->uNewState) & LVIS_SELECTED) && OnSelectItem)
        OnSelectItem(this, item, (info->uNewState & LVIS_SELECTED) != 0);
      break;
    }
    case LVN_BEGINLABELEDITA:
    case LVN_BEGINLABELEDITW: {
      auto* info = reinterpret_cast<NMLVDISPINFOA*>(Message.LParam);
      Message.Result = CanEdit(itemAt(info->item.iItem)) ? FALSE : TRUE;
      break;
    }
    case LVN_ENDLABELEDITA:
    case LVN_ENDLABELEDITW: {
      auto* info = reinterpret_cast<NMLVDISPINFOA*>(Message.LParam);
      if (info->item.pszText)
        Edit(itemAt(info->item.iItem), NotifiedText(info->item.pszText, header->code == LVN_ENDLABELEDITW));
      Message.Result = FALSE;  // the item keeps the text itself
      break;
    }
    case LVN_COLUMNCLICK: {
      auto* info = reinterpret_cast<NMLISTVIEW*>(Message.LParam);
      if (OnColumnClick && info->iSubItem >= 0 && info->iSubItem < FColumns->GetCount())
        OnColumnClick(this, GetColumn(info->iSubItem));
      break;
    }
    case LVN_BEGINDRAG:
    case LVN_BEGINRDRAG:
      if (GetDragMode() == dmAutomatic && header->code == LVN_BEGINDRAG) BeginDrag(true);
      break;
    case NM_CLICK: Click(); break;
    case NM_DBLCLK: DblClick(); break;
    case NM_CUSTOMDRAW: {
      auto* draw = reinterpret_cast<NMLVCUSTOMDRAW*>(Message.LParam);
      Message.Result = CDRF_DODEFAULT;
      const bool anyEvent = OnCustomDraw || OnCustomDrawItem || OnCustomDrawSubItem;
      if (!anyEvent) break;
      const DWORD stage = draw->nmcd.dwDrawStage;
      if (stage != CDDS_PREPAINT && stage != CDDS_ITEMPREPAINT && stage != (CDDS_ITEMPREPAINT | CDDS_SUBITEM))
        break;
      // The drawn row's index, taken by the structure's layout (header, stage, device context,
      // rectangle, row index, state, item data).
      const auto& [drawHeader, drawStage, drawDc, drawRect, drawRow, drawState, drawParam] = draw->nmcd;
      TListItem* item = stage == CDDS_PREPAINT ? nullptr : itemAt(static_cast<int>(drawRow));
      if (stage != CDDS_PREPAINT && !item) break;
      TCustomDrawState state = TCustomDrawState::FromBits(draw->nmcd.uItemState & 0x1FF);
      // The system does not always mark selected rows: the item's own state says.
      if (item) {
        if (item->GetSelected())
          state.Include(cdsSelected);
        else
          state.Exclude(cdsSelected);
      }
      bool defaultDraw = true;
      TColor textColor = clNone, backColor = clNone;
      FCanvas->Lock();
      try {
        FCanvas->SetHandle(draw->nmcd.hdc);
        FCanvas->SetFont(GetFont());
        FCanvas->GetBrush()->SetColor(GetColor());
        if (stage == CDDS_PREPAINT)
          defaultDraw = CustomDraw(FromRECT(draw->nmcd.rc));
        else if (stage == CDDS_ITEMPREPAINT)
          defaultDraw = CustomDrawItem(item, state);
        else
          defaultDraw = CustomDrawSubItem(item, draw->iSubItem, state);
        textColor = FCanvas->GetFont()->GetColor();
        backColor = FCanvas->GetBrush()->GetColor();
      } catch (...) {
        FCanvas->SetHandle(nullptr);
        FCanvas->Unlock();
        throw;
      }
      FCanvas->SetHandle(nullptr);
      FCanvas->Unlock();
      if (!defaultDraw) {
        Message.Result = CDRF_SKIPDEFAULT;
        break;
      }
      if (stage == CDDS_PREPAINT) {
        Message.Result = CDRF_NOTIFYITEMDRAW;
      } else {
        // The system draws the item in the colours the handler left on the canvas.
        draw->clrText = ColorToRGB(textColor);
        draw->clrTextBk = ColorToRGB(backColor);
        SelectObject(draw->nmcd.hdc, GetFont()->GetHandle());
        Message.Result = CDRF_NEWFONT;
        if (stage == CDDS_ITEMPREPAINT && OnCustomDrawSubItem) Message.Result |= CDRF_NOTIFYSUBITEMDRAW;
      }
      break;
    }
    default:
      break;
  }
}

void TCustomListView::Dispatch(TMessage& Message) {
  switch (Message.Msg) {
    case CN_NOTIFY: CNNotify(Message); break;
    default: TWinControl::Dispatch(Message); break;
  }
}
