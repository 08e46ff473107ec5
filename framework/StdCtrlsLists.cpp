// List boxes and combo boxes: their items live in the window while it exists and in a
// string list of the control while it does not (before the window is made, and while it
// is made again).
#include <algorithm>

#include "framework/Forms.h"
#include "framework/StdCtrls.h"
#include "framework/SysUtils.h"
#include "framework/TypInfo.h"

// The items of a list box or combo box.
class TListItemsWindow : public TStrings {
 public:
  TListItemsWindow(TWinControl* Control, bool Combo) : FControl(Control), FCombo(Combo) {}

  AnsiString Get(int Index) const override;
  int GetCount() const override;
  TObject* GetObject(int Index) const override;
  void Put(int Index, const AnsiString& S) override;
  void PutObject(int Index, TObject* AObject) override;
  int Add(const AnsiString& S) override;
  void Insert(int Index, const AnsiString& S) override;
  void Delete(int Index) override;
  void Clear() override;

  // The window takes the kept items (which are then forgotten); the result is where each
  // kept item landed (a sorted window puts them in its order). Or the window gives its
  // items to keep.
  std::vector<int> LoadWindow();
  void SaveWindow();
  void SetSorted(bool Value);

 protected:
  void SetUpdateState(bool Updating) override;

 private:
  HWND Wnd() const {
    return FControl->HandleAllocated() ? const_cast<TWinControl*>(FControl)->GetHandle() : nullptr;
  }
  LRESULT Send(UINT ListMsg, UINT ComboMsg, WPARAM WParam, LPARAM LParam) const {
    return SendMessageA(Wnd(), FCombo ? ComboMsg : ListMsg, WParam, LParam);
  }
  void CheckIndex(int Index, int Limit) const {
    if (Index < 0 || Index > Limit) Error("List index out of bounds (%d)", Index);
  }
  // Where a text goes in a sorted list: after the items that are not greater (ignoring
  // case, as the window sorts).
  int SortedPosition(const AnsiString& S) const;
  void ItemInserted(int Index);
  void ItemDeleted(int Index);

  TWinControl* FControl;
  bool FCombo;
  bool FSorted = false;
  TStringList FKept;
};

AnsiString TListItemsWindow::Get(int Index) const {
  if (!Wnd()) {
    CheckIndex(Index, FKept.GetCount() - 1);
    return FKept.Get(Index);
  }
  const LRESULT length = Send(LB_GETTEXTLEN, CB_GETLBTEXTLEN, WPARAM(Index), 0);
  if (length == LB_ERR || length < 0) Error("List index out of bounds (%d)", Index);
  AnsiString text(size_t(length) + 1, '\0');
  const LRESULT got = Send(LB_GETTEXT, CB_GETLBTEXT, WPARAM(Index), reinterpret_cast<LPARAM>(&text[0]));
  text.resize(size_t(std::max<LRESULT>(0, std::min<LRESULT>(got, length))));
  return text;
}

int TListItemsWindow::GetCount() const {
  if (!Wnd()) return FKept.GetCount();
  const LRESULT count = Send(LB_GETCOUNT, CB_GETCOUNT, 0, 0);
  return count < 0 ? 0 : static_cast<int>(count);
}

TObject* TListItemsWindow::GetObject(int Index) const {
  if (!Wnd()) {
    CheckIndex(Index, FKept.GetCount() - 1);
    return FKept.GetObject(Index);
  }
  CheckIndex(Index, GetCount() - 1);
  return reinterpret_cast<TObject*>(Send(LB_GETITEMDATA, CB_GETITEMDATA, WPARAM(Index), 0));
}

void TListItemsWindow::PutObject(int Index, TObject* AObject) {
  if (!Wnd()) {
    CheckIndex(Index, FKept.GetCount() - 1);
    FKept.PutObject(Index, AObject);
    return;
  }
  CheckIndex(Index, GetCount() - 1);
  Send(LB_SETITEMDATA, CB_SETITEMDATA, WPARAM(Index), reinterpret_cast<LPARAM>(AObject));
}

void TListItemsWindow::Put(int Index, const AnsiString& S) {
  CheckIndex(Index, GetCount() - 1);
  if (!Wnd()) {
    FKept.Put(Index, S);
    return;
  }
  // The window has no "replace": the item goes and comes back with its object, and the
  // selection is put back.
  TObject* object = GetObject(Index);
  const int selected = static_cast<int>(Send(LB_GETCURSEL, CB_GETCURSEL, 0, 0));
  Send(LB_DELETESTRING, CB_DELETESTRING, WPARAM(Index), 0);
  Send(LB_INSERTSTRING, CB_INSERTSTRING, WPARAM(Index), reinterpret_cast<LPARAM>(S.c_str()));
  PutObject(Index, object);
  if (selected >= 0) Send(LB_SETCURSEL, CB_SETCURSEL, WPARAM(selected), 0);
}

int TListItemsWindow::SortedPosition(const AnsiString& S) const {
  int index = 0;
  while (index < FKept.GetCount() && AnsiCompareText(FKept.Get(index), S) <= 0) ++index;
  return index;
}

int TListItemsWindow::Add(const AnsiString& S) {
  if (!Wnd()) {
    const int index = FSorted ? SortedPosition(S) : FKept.GetCount();
    FKept.Insert(index, S);
    ItemInserted(index);
    return index;
  }
  const LRESULT index = Send(LB_ADDSTRING, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(S.c_str()));
  if (index < 0) throw EOutOfResources("Insufficient space to add the item");
  return static_cast<int>(index);
}

void TListItemsWindow::Insert(int Index, const AnsiString& S) {
  CheckIndex(Index, GetCount());
  if (!Wnd()) {
    FKept.Insert(Index, S);
    ItemInserted(Index);
    return;
  }
  if (Send(LB_INSERTSTRING, CB_INSERTSTRING, WPARAM(Index), reinterpret_cast<LPARAM>(S.c_str())) < 0)
    throw EOutOfResources("Insufficient space to add the item");
}

void TListItemsWindow::Delete(int Index) {
  CheckIndex(Index, GetCount() - 1);
  if (!Wnd()) {
    FKept.Delete(Index);
    ItemDeleted(Index);
    return;
  }
  Send(LB_DELETESTRING, CB_DELETESTRING, WPARAM(Index), 0);
}

void TListItemsWindow::Clear() {
  if (!Wnd()) {
    FKept.Clear();
    ItemDeleted(-1);
    return;
  }
  Send(LB_RESETCONTENT, CB_RESETCONTENT, 0, 0);
}

void TListItemsWindow::ItemInserted(int Index) {
  if (auto* list = dynamic_cast<TCustomListBox*>(FControl)) {
    auto& selected = list->FSaveSelected;
    if (size_t(Index) <= selected.size()) selected.insert(selected.begin() + Index, false);
    if (list->FSaveItemIndex >= Index) ++list->FSaveItemIndex;
  } else if (auto* combo = dynamic_cast<TCustomComboBox*>(FControl)) {
    if (combo->FSaveItemIndex >= Index) ++combo->FSaveItemIndex;
  }
}

void TListItemsWindow::ItemDeleted(int Index) {
  int* itemIndex = nullptr;
  if (auto* list = dynamic_cast<TCustomListBox*>(FControl)) {
    auto& selected = list->FSaveSelected;
    if (Index < 0)
      selected.clear();
    else if (size_t(Index) < selected.size())
      selected.erase(selected.begin() + Index);
    itemIndex = &list->FSaveItemIndex;
  } else if (auto* combo = dynamic_cast<TCustomComboBox*>(FControl)) {
    itemIndex = &combo->FSaveItemIndex;
  }
  if (!itemIndex) return;
  if (Index < 0 || *itemIndex == Index)
    *itemIndex = -1;
  else if (*itemIndex > Index)
    --*itemIndex;
}

std::vector<int> TListItemsWindow::LoadWindow() {
  std::vector<int> places;
  if (!Wnd()) return places;
  Send(LB_RESETCONTENT, CB_RESETCONTENT, 0, 0);
  for (int i = 0; i < FKept.GetCount(); ++i) {
    const AnsiString text = FKept.Get(i);
    // A sorted window sorts what it is given; another one keeps the kept order.
    const LRESULT at = FSorted ? Send(LB_ADDSTRING, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str()))
                               : Send(LB_INSERTSTRING, CB_INSERTSTRING, WPARAM(i), reinterpret_cast<LPARAM>(text.c_str()));
    if (at < 0) throw EOutOfResources("Insufficient space to add the item");
    Send(LB_SETITEMDATA, CB_SETITEMDATA, WPARAM(at), reinterpret_cast<LPARAM>(FKept.GetObject(i)));
    // Items added before this one that now lie at or after its place move one down.
    for (int& place : places)
      if (place >= at) ++place;
    places.push_back(static_cast<int>(at));
  }
  FKept.Clear();
  return places;
}

void TListItemsWindow::SaveWindow() {
  if (!Wnd()) return;
  FKept.Clear();
  const int count = GetCount();
  for (int i = 0; i < count; ++i) FKept.AddObject(Get(i), GetObject(i));
}

void TListItemsWindow::SetSorted(bool Value) {
  FSorted = Value;
  if (!Value || Wnd()) return;
  // The kept items are put in the order the window will give them.
  std::vector<std::pair<AnsiString, TObject*>> items;
  for (int i = 0; i < FKept.GetCount(); ++i) items.emplace_back(FKept.Get(i), FKept.GetObject(i));
  std::stable_sort(items.begin(), items.end(),
                   [](const auto& a, const auto& b) { return AnsiCompareText(a.first, b.first) < 0; });
  FKept.Clear();
  for (auto& item : items) FKept.AddObject(item.first, item.second);
}

void TListItemsWindow::SetUpdateState(bool Updating) {
  if (!Wnd()) return;
  SendMessageA(Wnd(), WM_SETREDRAW, Updating ? 0 : 1, 0);
  if (!Updating) InvalidateRect(Wnd(), nullptr, TRUE);
}

namespace {

// Draws an owner-drawn item on the control's canvas: the selected look, the item, the
// focus rectangle.
template <class C, class F>
void OwnerDrawItem(C* Control, TCanvas* Canvas, TMessage& Message, F&& Draw) {
  auto* item = reinterpret_cast<DRAWITEMSTRUCT*>(Message.LParam);
  if (!item) return;
  const TOwnerDrawState state = OwnerDrawStateOf(item->itemState);
  Canvas->Lock();
  try {
    Canvas->SetHandle(item->hDC);
    Canvas->SetFont(Control->GetFont());
    Canvas->GetBrush()->SetColor(Control->GetBrush()->GetColor());
    if (state.Contains(odSelected)) {
      Canvas->GetBrush()->SetColor(clHighlight);
      Canvas->GetFont()->SetColor(clHighlightText);
    }
    const TRect rect = FromRECT(item->rcItem);
    if (int(item->itemID) >= 0)
      Draw(int(item->itemID), rect, state);
    else
      Canvas->FillRect(rect);
    if (state.Contains(odFocused) && !state.Contains(odNoFocusRect)) DrawFocusRect(item->hDC, &item->rcItem);
  } catch (...) {
    Canvas->SetHandle(nullptr);
    Canvas->Unlock();
    throw;
  }
  Canvas->SetHandle(nullptr);
  Canvas->Unlock();
  Message.Result = 1;
}

}  // namespace

// ---------------------------------------------------------------------------------------
// TCustomListBox

TCustomListBox::TCustomListBox(TComponent* AOwner)
    : TWinControl(AOwner),
      FItems(std::make_unique<TListItemsWindow>(this, false)),
      FTabWidths(std::make_unique<TStringList>()),
      FCanvas(std::make_unique<TControlCanvas>()) {
  FCanvas->SetControl(this);
  SetControlStyle(TControlStyle{csDoubleClicks, csOpaque});
  SetBounds(GetLeft(), GetTop(), 121, 97);
  SetTabStop(true);
  SetColor(clWindow);
  SetParentColor(false);
}

TCustomListBox::~TCustomListBox() = default;

void TCustomListBox::PublishProperties(TPropList& Props) const {
  TWinControl::PublishProperties(Props);
  Props.String("Hint", &TControl::GetHint, &TControl::SetHint);
  Props.Object("Items", &TCustomListBox::GetItems);
  Props.Object("TabWidths", &TCustomListBox::GetTabWidths);
}

TStrings* TCustomListBox::GetItems() const { return FItems.get(); }
void TCustomListBox::SetItems(TStrings* Value) { FItems->Assign(Value); }
int TCustomListBox::GetCount() const { return FItems->GetCount(); }

void TCustomListBox::CreateParams(TCreateParams& Params) {
  TWinControl::CreateParams(Params);
  CreateSubClass(Params, "LISTBOX");
  Params.Style |= WS_VSCROLL | LBS_NOTIFY | LBS_HASSTRINGS;
  if (!FIntegralHeight) Params.Style |= LBS_NOINTEGRALHEIGHT;
  if (FMultiSelect) Params.Style |= FExtendedSelect ? LBS_EXTENDEDSEL : LBS_MULTIPLESEL;
  if (FSorted) Params.Style |= LBS_SORT;
  if (FStyle == lbOwnerDrawFixed) Params.Style |= LBS_OWNERDRAWFIXED;
  if (FStyle == lbOwnerDrawVariable) Params.Style |= LBS_OWNERDRAWVARIABLE;
  if (FBorderStyle == bsSingle) Params.ExStyle |= WS_EX_CLIENTEDGE;
  Params.WindowClass.style &= ~UINT(CS_HREDRAW | CS_VREDRAW);
}

void TCustomListBox::CreateWnd() {
  TWinControl::CreateWnd();
  const std::vector<int> places = FItems->LoadWindow();
  auto placeOf = [&places](int Index) { return Index >= 0 && size_t(Index) < places.size() ? places[size_t(Index)] : -1; };
  if (FStyle == lbOwnerDrawFixed) SendMessageA(GetHandle(), LB_SETITEMHEIGHT, 0, FItemHeight);
  if (FMultiSelect) {
    for (size_t i = 0; i < FSaveSelected.size(); ++i)
      if (FSaveSelected[i] && placeOf(int(i)) >= 0) SendMessageA(GetHandle(), LB_SETSEL, TRUE, placeOf(int(i)));
    if (placeOf(FSaveItemIndex) >= 0) SendMessageA(GetHandle(), LB_SETCARETINDEX, WPARAM(placeOf(FSaveItemIndex)), 0);
  } else if (placeOf(FSaveItemIndex) >= 0) {
    SendMessageA(GetHandle(), LB_SETCURSEL, WPARAM(placeOf(FSaveItemIndex)), 0);
  }
  if (FSaveTopIndex > 0) SendMessageA(GetHandle(), LB_SETTOPINDEX, WPARAM(FSaveTopIndex), 0);
  FSaveSelected.clear();
  FSaveItemIndex = -1;
  FSaveTopIndex = 0;
}

void TCustomListBox::DestroyWnd() {
  const int count = GetCount();
  FSaveItemIndex = GetItemIndex();
  FSaveTopIndex = GetTopIndex();
  FSaveSelected.assign(size_t(count), false);
  if (FMultiSelect)
    for (int i = 0; i < count; ++i) FSaveSelected[size_t(i)] = GetSelected(i);
  FItems->SaveWindow();
  TWinControl::DestroyWnd();
}

int TCustomListBox::GetItemIndex() const {
  if (!HandleAllocated()) return FSaveItemIndex;
  HWND wnd = const_cast<TCustomListBox*>(this)->GetHandle();
  const LRESULT index = SendMessageA(wnd, FMultiSelect ? LB_GETCARETINDEX : LB_GETCURSEL, 0, 0);
  if (FMultiSelect && index >= 0 && SendMessageA(wnd, LB_GETSELCOUNT, 0, 0) == 0) return -1;
  return index < 0 ? -1 : static_cast<int>(index);
}

void TCustomListBox::SetItemIndex(int Value) {
  if (Value < -1 || Value >= GetCount()) Value = -1;
  if (!HandleAllocated()) {
    FSaveItemIndex = Value;
    if (FMultiSelect) {
      FSaveSelected.assign(size_t(GetCount()), false);
      if (Value >= 0) FSaveSelected[size_t(Value)] = true;
    }
    return;
  }
  if (FMultiSelect) {
    SendMessageA(GetHandle(), LB_SETSEL, FALSE, -1);
    if (Value >= 0) {
      SendMessageA(GetHandle(), LB_SETSEL, TRUE, Value);
      SendMessageA(GetHandle(), LB_SETCARETINDEX, WPARAM(Value), 0);
    }
  } else {
    SendMessageA(GetHandle(), LB_SETCURSEL, WPARAM(Value), 0);
  }
}

bool TCustomListBox::GetSelected(int Index) const {
  if (Index < 0 || Index >= GetCount()) throw EListError("List index out of bounds (%d)", {Index});
  if (!FMultiSelect) return GetItemIndex() == Index;
  if (!HandleAllocated()) return size_t(Index) < FSaveSelected.size() && FSaveSelected[size_t(Index)];
  return SendMessageA(const_cast<TCustomListBox*>(this)->GetHandle(), LB_GETSEL, WPARAM(Index), 0) > 0;
}

void TCustomListBox::SetSelected(int Index, bool Value) {
  if (Index < 0 || Index >= GetCount()) throw EListError("List index out of bounds (%d)", {Index});
  if (!FMultiSelect) {
    if (Value)
      SetItemIndex(Index);
    else if (GetItemIndex() == Index)
      SetItemIndex(-1);
    return;
  }
  if (!HandleAllocated()) {
    FSaveSelected.resize(size_t(GetCount()), false);
    FSaveSelected[size_t(Index)] = Value;
    return;
  }
  SendMessageA(GetHandle(), LB_SETSEL, Value ? TRUE : FALSE, Index);
}

int TCustomListBox::GetSelCount() const {
  if (!FMultiSelect) return GetItemIndex() >= 0 ? 1 : 0;
  if (!HandleAllocated()) return static_cast<int>(std::count(FSaveSelected.begin(), FSaveSelected.end(), true));
  return static_cast<int>(SendMessageA(const_cast<TCustomListBox*>(this)->GetHandle(), LB_GETSELCOUNT, 0, 0));
}

void TCustomListBox::SetMultiSelect(bool Value) {
  if (FMultiSelect == Value) return;
  FMultiSelect = Value;
  RecreateWnd();
}

void TCustomListBox::SetExtendedSelect(bool Value) {
  if (FExtendedSelect == Value) return;
  FExtendedSelect = Value;
  RecreateWnd();
}

void TCustomListBox::SetSorted(bool Value) {
  if (FSorted == Value) return;
  FSorted = Value;
  FItems->SetSorted(Value);
  RecreateWnd();
}

void TCustomListBox::SetStyle(TListBoxStyle Value) {
  if (FStyle == Value) return;
  FStyle = Value;
  RecreateWnd();
}

int TCustomListBox::GetItemHeight() const {
  if (HandleAllocated() && FStyle == lbStandard) {
    const LRESULT height = SendMessageA(const_cast<TCustomListBox*>(this)->GetHandle(), LB_GETITEMHEIGHT, 0, 0);
    if (height > 0) return static_cast<int>(height);
  }
  return FItemHeight;
}

void TCustomListBox::SetItemHeight(int Value) {
  if (Value < 1 || Value == FItemHeight) return;
  FItemHeight = Value;
  if (HandleAllocated() && FStyle == lbOwnerDrawFixed) {
    SendMessageA(GetHandle(), LB_SETITEMHEIGHT, 0, Value);
    Invalidate();
  }
}

int TCustomListBox::GetTopIndex() const {
  if (!HandleAllocated()) return FSaveTopIndex;
  return static_cast<int>(SendMessageA(const_cast<TCustomListBox*>(this)->GetHandle(), LB_GETTOPINDEX, 0, 0));
}

void TCustomListBox::SetTopIndex(int Value) {
  if (!HandleAllocated()) {
    FSaveTopIndex = std::max(0, Value);
    return;
  }
  SendMessageA(GetHandle(), LB_SETTOPINDEX, WPARAM(std::max(0, Value)), 0);
}

void TCustomListBox::SetIntegralHeight(bool Value) {
  if (FIntegralHeight == Value) return;
  FIntegralHeight = Value;
  RecreateWnd();
}

void TCustomListBox::SetBorderStyle(TBorderStyle Value) {
  if (FBorderStyle == Value) return;
  FBorderStyle = Value;
  RecreateWnd();
}

TRect TCustomListBox::ItemRect(int Index) const {
  RECT r = {};
  if (!HandleAllocated()) return TRect();
  const int count = GetCount();
  HWND wnd = const_cast<TCustomListBox*>(this)->GetHandle();
  if (Index >= 0 && Index < count) {
    SendMessageA(wnd, LB_GETITEMRECT, WPARAM(Index), reinterpret_cast<LPARAM>(&r));
  } else if (Index == count && count > 0) {
    SendMessageA(wnd, LB_GETITEMRECT, WPARAM(count - 1), reinterpret_cast<LPARAM>(&r));
    OffsetRect(&r, 0, r.bottom - r.top);
  } else if (count == 0) {
    r.right = const_cast<TCustomListBox*>(this)->GetClientWidth();
    r.bottom = GetItemHeight();
  }
  return FromRECT(r);
}

int TCustomListBox::ItemAtPos(const TPoint& Pos, bool Existing) const {
  if (HandleAllocated()) {
    const int count = GetCount();
    for (int i = GetTopIndex(); i < count; ++i) {
      TRect r = ItemRect(i);
      if (r.Top > Pos.Y) break;
      if (PtInRect(r, Pos)) return i;
    }
    if (!Existing) return count;
  }
  return -1;
}

void TCustomListBox::Clear() { FItems->Clear(); }

void TCustomListBox::DrawItem(int Index, TRect Rect, TOwnerDrawState State) {
  if (OnDrawItem) {
    OnDrawItem(this, Index, Rect, State);
    return;
  }
  FCanvas->FillRect(Rect);
  if (Index < GetCount()) {
    FCanvas->GetBrush()->SetStyle(bsClear);
    FCanvas->TextOut(Rect.Left + 2, Rect.Top, FItems->Get(Index));
  }
}

void TCustomListBox::MeasureItem(int Index, int& Height) {
  if (OnMeasureItem) OnMeasureItem(this, Index, Height);
}

void TCustomListBox::Dispatch(TMessage& Message) {
  switch (Message.Msg) {
    case CN_COMMAND:
      switch (HIWORD(Message.WParam)) {
        case LBN_SELCHANGE: Click(); break;
        case LBN_DBLCLK: DblClick(); break;
      }
      break;
    case CN_DRAWITEM:
      OwnerDrawItem(this, FCanvas.get(), Message,
                    [this](int Index, const TRect& Rect, TOwnerDrawState State) { DrawItem(Index, Rect, State); });
      break;
    case CN_MEASUREITEM: {
      auto* item = reinterpret_cast<MEASUREITEMSTRUCT*>(Message.LParam);
      if (item) {
        int height = FItemHeight;
        if (FStyle == lbOwnerDrawVariable) MeasureItem(static_cast<int>(item->itemID), height);
        item->itemHeight = UINT(std::max(1, height));
      }
      Message.Result = 1;
      break;
    }
    default:
      TWinControl::Dispatch(Message);
      break;
  }
}

// ---------------------------------------------------------------------------------------
// TCustomComboBox

TCustomComboBox::TCustomComboBox(TComponent* AOwner)
    : TWinControl(AOwner),
      FItems(std::make_unique<TListItemsWindow>(this, true)),
      FTabWidths(std::make_unique<TStringList>()),
      FCanvas(std::make_unique<TControlCanvas>()) {
  FCanvas->SetControl(this);
  SetControlStyle(TControlStyle{csDoubleClicks, csFixedHeight});
  SetBounds(GetLeft(), GetTop(), 145, 21);
  SetTabStop(true);
  SetColor(clWindow);
  SetParentColor(false);
}

TCustomComboBox::~TCustomComboBox() = default;

void TCustomComboBox::PublishProperties(TPropList& Props) const {
  TWinControl::PublishProperties(Props);
  Props.String("Hint", &TControl::GetHint, &TControl::SetHint);
  Props.String("Text", &TControl::GetText, &TControl::SetText, "TCaption");
  Props.Object("Items", &TCustomComboBox::GetItems);
  Props.Object("TabWidths", &TCustomComboBox::GetTabWidths);
}

TStrings* TCustomComboBox::GetItems() const { return FItems.get(); }
void TCustomComboBox::SetItems(TStrings* Value) { FItems->Assign(Value); }

namespace {
bool IsListStyle(TComboBoxStyle Style) { return Style != csDropDown && Style != csSimple; }
}  // namespace

void TCustomComboBox::CreateParams(TCreateParams& Params) {
  TWinControl::CreateParams(Params);
  CreateSubClass(Params, "COMBOBOX");
  Params.Style |= WS_VSCROLL | CBS_AUTOHSCROLL | CBS_HASSTRINGS;
  static const DWORD kStyles[] = {CBS_DROPDOWN, CBS_SIMPLE, CBS_DROPDOWNLIST,
                                  CBS_DROPDOWNLIST | CBS_OWNERDRAWFIXED,
                                  CBS_DROPDOWNLIST | CBS_OWNERDRAWVARIABLE};
  Params.Style |= kStyles[FStyle];
  if (FSorted) Params.Style |= CBS_SORT;
  // The height asked for at creation is that of the dropped list too.
  Params.Height = FHeight + GetItemHeight() * FDropDownCount + 2;
  Params.WindowClass.style &= ~UINT(CS_HREDRAW | CS_VREDRAW);
}

void TCustomComboBox::CreateWnd() {
  const AnsiString text = FText;
  TWinControl::CreateWnd();
  COMBOBOXINFO info = {};
  info.cbSize = sizeof(info);
  if (GetComboBoxInfo(GetHandle(), &info)) {
    if (!IsListStyle(FStyle) && info.hwndItem && info.hwndItem != GetHandle()) {
      FEditHook = std::make_unique<TWindowProcHook>(info.hwndItem);
      FEditHook->WindowProc = [this](TMessage& Message) { EditWndProc(Message); };
    }
    if (info.hwndList) {
      FListHook = std::make_unique<TWindowProcHook>(info.hwndList);
      FListHook->WindowProc = [this](TMessage& Message) { ListWndProc(Message); };
    }
  }
  const std::vector<int> places = FItems->LoadWindow();
  if (FMaxLength > 0) SendMessageA(GetHandle(), CB_LIMITTEXT, WPARAM(FMaxLength), 0);
  if (FSaveItemIndex >= 0 && size_t(FSaveItemIndex) < places.size())
    SendMessageA(GetHandle(), CB_SETCURSEL, WPARAM(places[size_t(FSaveItemIndex)]), 0);
  FSaveItemIndex = -1;
  if (!IsListStyle(FStyle)) SetWindowTextA(GetHandle(), text.c_str());
}

void TCustomComboBox::DestroyWnd() {
  FSaveItemIndex = GetItemIndex();
  FItems->SaveWindow();
  TWinControl::DestroyWnd();
}

void TCustomComboBox::DestroyWindowHandle() {
  TWinControl::DestroyWindowHandle();
  FEditHook.reset();
  FListHook.reset();
}

int TCustomComboBox::GetItemIndex() const {
  if (!HandleAllocated()) return FSaveItemIndex;
  const LRESULT index = SendMessageA(const_cast<TCustomComboBox*>(this)->GetHandle(), CB_GETCURSEL, 0, 0);
  return index < 0 ? -1 : static_cast<int>(index);
}

AnsiString TCustomComboBox::GetComboText() const { return const_cast<TCustomComboBox*>(this)->GetText(); }

void TCustomComboBox::SetItemIndex(int Value) {
  const int count = FItems->GetCount();
  if (Value < -1 || Value >= count) Value = -1;
  const AnsiString old = GetComboText();
  if (!HandleAllocated()) {
    FSaveItemIndex = Value;
  } else {
    SendMessageA(GetHandle(), CB_SETCURSEL, WPARAM(Value), 0);
    // The system clears the edit when the selection is dropped; the text stays.
    if (Value < 0 && !IsListStyle(FStyle)) SetWindowTextA(GetHandle(), old.c_str());
  }
  if (Value >= 0) {
    const AnsiString text = FItems->Get(Value);
    if (IsListStyle(FStyle))
      FComboText = text;
    else if (!HandleAllocated())
      FText = text;
    if (text != old) TextChanged();
  }
  Invalidate();
  if (!GetComponentState().Contains(csLoading)) {
    Click();
    Change();
  }
}

void TCustomComboBox::SelectItemByText(const AnsiString& Value) {
  if (Value == GetComboText()) return;
  if (GetComponentState().Contains(csLoading)) {
    SetText(Value);
    return;
  }
  HandleNeeded();
  const bool reading = GetComponentState().Contains(csReading);
  const int count = FItems->GetCount();
  for (int i = 0; i < count; ++i) {
    if (AnsiSameText(FItems->Get(i), Value)) {
      SetItemIndex(i);
      if (!reading) TextChanged();
      return;
    }
  }
  if (IsListStyle(FStyle))
    SetItemIndex(-1);
  else
    SetText(Value);
  if (!reading) TextChanged();
}

void TCustomComboBox::TextChanged() {
  if (OnChange) OnChange(this);
}

void TCustomComboBox::SetStyle(TComboBoxStyle Value) {
  if (FStyle == Value) return;
  const AnsiString text = GetComboText();
  FStyle = Value;
  if (IsListStyle(Value)) FComboText = text;
  RecreateWnd();
}

void TCustomComboBox::SetSorted(bool Value) {
  if (FSorted == Value) return;
  FSorted = Value;
  FItems->SetSorted(Value);
  RecreateWnd();
}

void TCustomComboBox::SetMaxLength(int Value) {
  FMaxLength = std::max(0, Value);
  if (HandleAllocated()) SendMessageA(GetHandle(), CB_LIMITTEXT, WPARAM(FMaxLength), 0);
}

int TCustomComboBox::GetItemHeight() const {
  if (HandleAllocated() && (FStyle != csOwnerDrawFixed && FStyle != csOwnerDrawVariable)) {
    const LRESULT height = SendMessageA(const_cast<TCustomComboBox*>(this)->GetHandle(), CB_GETITEMHEIGHT, 0, 0);
    if (height > 0) return static_cast<int>(height);
  }
  return FItemHeight;
}

void TCustomComboBox::SetItemHeight(int Value) {
  if (Value < 1 || Value == FItemHeight) return;
  FItemHeight = Value;
  if (FStyle == csOwnerDrawFixed || FStyle == csOwnerDrawVariable) RecreateWnd();
}

bool TCustomComboBox::GetDroppedDown() const {
  return HandleAllocated() &&
         SendMessageA(const_cast<TCustomComboBox*>(this)->GetHandle(), CB_GETDROPPEDSTATE, 0, 0) != 0;
}

void TCustomComboBox::SetDroppedDown(bool Value) {
  SendMessageA(GetHandle(), CB_SHOWDROPDOWN, Value ? TRUE : FALSE, 0);
}

int TCustomComboBox::GetSelStart() {
  DWORD start = 0, end = 0;
  SendMessageA(GetHandle(), CB_GETEDITSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
  return static_cast<int>(start);
}

void TCustomComboBox::SetSelStart(int Value) {
  SendMessageA(GetHandle(), CB_SETEDITSEL, 0, MAKELPARAM(Value, Value));
}

int TCustomComboBox::GetSelLength() {
  DWORD start = 0, end = 0;
  SendMessageA(GetHandle(), CB_GETEDITSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
  return static_cast<int>(end - start);
}

void TCustomComboBox::SetSelLength(int Value) {
  const int start = GetSelStart();
  SendMessageA(GetHandle(), CB_SETEDITSEL, 0, MAKELPARAM(start, start + Value));
}

void TCustomComboBox::SelectAll() { SendMessageA(GetHandle(), CB_SETEDITSEL, 0, MAKELPARAM(0, -1)); }

void TCustomComboBox::Clear() {
  SetText(AnsiString());
  FItems->Clear();
  FSaveItemIndex = -1;
}

void TCustomComboBox::AdjustDropDown() {
  // The window's height while it is dropped is the list's (its rectangle stays the edit's).
  const int count = std::max(1, std::min(FItems->GetCount(), FDropDownCount));
  SetWindowPos(GetHandle(), nullptr, 0, 0, FWidth, GetItemHeight() * count + FHeight + 2,
               SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOREDRAW);
}

void TCustomComboBox::EditWndProc(TMessage& Message) {
  switch (Message.Msg) {
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
      if (DoKeyDown(Message)) return;
      break;
    case WM_KEYUP:
    case WM_SYSKEYUP:
      if (DoKeyUp(Message)) return;
      break;
    case WM_CHAR:
      if (DoKeyPress(Message)) return;
      break;
  }
  FEditHook->CallDefault(Message);
}

void TCustomComboBox::ListWndProc(TMessage& Message) { FListHook->CallDefault(Message); }

void TCustomComboBox::DrawItem(int Index, TRect Rect, TOwnerDrawState State) {
  if (OnDrawItem) {
    OnDrawItem(this, Index, Rect, State);
    return;
  }
  FCanvas->FillRect(Rect);
  if (Index < FItems->GetCount()) {
    FCanvas->GetBrush()->SetStyle(bsClear);
    FCanvas->TextOut(Rect.Left + 2, Rect.Top, FItems->Get(Index));
  }
}

void TCustomComboBox::MeasureItem(int Index, int& Height) {
  if (OnMeasureItem) OnMeasureItem(this, Index, Height);
}

void TCustomComboBox::Dispatch(TMessage& Message) {
  const bool listStyle = IsListStyle(FStyle);
  switch (Message.Msg) {
    case WM_SETTEXT:
      if (listStyle) {
        // A drop-down list keeps its text itself: the item of that text is selected,
        // or none.
        FComboText = Message.LParam ? AnsiString(reinterpret_cast<const char*>(Message.LParam)) : AnsiString();
        if (HandleAllocated()) {
          const LRESULT found =
              SendMessageA(GetHandle(), CB_FINDSTRINGEXACT, WPARAM(-1), reinterpret_cast<LPARAM>(FComboText.c_str()));
          SendMessageA(GetHandle(), CB_SETCURSEL, WPARAM(found < 0 ? -1 : found), 0);
        }
        Message.Result = TRUE;
        return;
      }
      break;
    case WM_GETTEXT:
      if (listStyle) {
        if (Message.WParam == 0 || !Message.LParam) {
          Message.Result = 0;
          return;
        }
        const size_t n = std::min(FComboText.size(), size_t(Message.WParam) - 1);
        auto* buffer = reinterpret_cast<char*>(Message.LParam);
        std::copy(FComboText.begin(), FComboText.begin() + std::ptrdiff_t(n), buffer);
        buffer[n] = '\0';
        Message.Result = NativeInt(n);
        return;
      }
      break;
    case WM_GETTEXTLENGTH:
      if (listStyle) {
        Message.Result = NativeInt(FComboText.size());
        return;
      }
      break;
    case CM_TEXTCHANGED:
      TextChanged();
      return;
    case CN_COMMAND:
      switch (HIWORD(Message.WParam)) {
        case CBN_SELCHANGE: {
          const int index = GetItemIndex();
          const AnsiString old = GetComboText();
          const AnsiString text = index >= 0 ? FItems->Get(index) : AnsiString();
          if (index >= 0 && text != old) {
            if (listStyle)
              FComboText = text;
            else
              SetWindowTextA(GetHandle(), text.c_str());
            TextChanged();
          }
          Click();
          Change();
          if (OnSelect) OnSelect(this);
          break;
        }
        case CBN_EDITCHANGE:
          TextChanged();
          Change();
          break;
        case CBN_DROPDOWN:
          if (OnDropDown) OnDropDown(this);
          AdjustDropDown();
          break;
        case CBN_CLOSEUP:
          if (OnCloseUp) OnCloseUp(this);
          break;
      }
      return;
    case CN_DRAWITEM:
      OwnerDrawItem(this, FCanvas.get(), Message,
                    [this](int Index, const TRect& Rect, TOwnerDrawState State) { DrawItem(Index, Rect, State); });
      return;
    case CN_MEASUREITEM: {
      auto* item = reinterpret_cast<MEASUREITEMSTRUCT*>(Message.LParam);
      if (item) {
        int height = FItemHeight;
        if (FStyle == csOwnerDrawVariable && int(item->itemID) >= 0) MeasureItem(int(item->itemID), height);
        item->itemHeight = UINT(std::max(1, height));
      }
      Message.Result = 1;
      return;
    }
  }
  TWinControl::Dispatch(Message);
}
