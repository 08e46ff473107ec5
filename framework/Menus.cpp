// Menu items, menus, short-cut texts and the Windows popup that shows a popup menu.
#include "framework/Menus.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <set>

#include "framework/ControlsPrivate.h"
#include "framework/Forms.h"
#include "framework/SysUtils.h"
#include "framework/TypInfo.h"

// ---------------------------------------------------------------------------------------
// Short cuts

namespace {

struct TKeyName {
  uint16_t Key;
  const char* Name;
};
const TKeyName kKeyNames[] = {
    {VK_BACK, "BkSp"},      {VK_TAB, "Tab"},         {VK_RETURN, "Enter"},   {VK_ESCAPE, "Esc"},
    {VK_SPACE, "Space"},    {VK_PRIOR, "PgUp"},      {VK_NEXT, "PgDn"},      {VK_END, "End"},
    {VK_HOME, "Home"},      {VK_LEFT, "Left"},       {VK_UP, "Up"},          {VK_RIGHT, "Right"},
    {VK_DOWN, "Down"},      {VK_INSERT, "Ins"},      {VK_DELETE, "Del"},     {VK_MULTIPLY, "Num *"},
    {VK_ADD, "Num +"},      {VK_SUBTRACT, "Num -"},  {VK_DECIMAL, "Num ."},  {VK_DIVIDE, "Num /"},
};

AnsiString KeyName(uint16_t Key) {
  if ((Key >= '0' && Key <= '9') || (Key >= 'A' && Key <= 'Z')) return AnsiString(1, char(Key));
  if (Key >= VK_F1 && Key <= VK_F24) return "F" + IntToStr(Key - VK_F1 + 1);
  if (Key >= VK_NUMPAD0 && Key <= VK_NUMPAD9) return "Num " + IntToStr(Key - VK_NUMPAD0);
  for (const TKeyName& k : kKeyNames)
    if (k.Key == Key) return k.Name;
  // Other keys (punctuation) by the keyboard's own name for them.
  const UINT scan = MapVirtualKeyA(Key, MAPVK_VK_TO_VSC);
  if (scan == 0) return AnsiString();
  char name[64] = {};
  const int n = GetKeyNameTextA(static_cast<LONG>(scan << 16), name, sizeof(name));
  return n > 0 ? AnsiString(name, size_t(n)) : AnsiString();
}

// Removes a leading modifier ("Ctrl+") from Text, ignoring case and blanks.
bool TakePrefix(AnsiString& Text, const char* Prefix) {
  const size_t n = std::strlen(Prefix);
  if (Text.size() <= n) return false;
  if (!SameText(Text.substr(0, n), Prefix)) return false;
  Text = TrimLeft(Text.substr(n));
  return true;
}

}  // namespace

TShortCut ShortCut(uint16_t Key, TShiftState Shift) {
  if (Key & 0xFF00) return 0;
  TShortCut result = Key;
  if (Shift.Contains(ssShift)) result |= scShift;
  if (Shift.Contains(ssCtrl)) result |= scCtrl;
  if (Shift.Contains(ssAlt)) result |= scAlt;
  return result;
}

void ShortCutToKey(TShortCut ShortCut, uint16_t& Key, TShiftState& Shift) {
  Key = ShortCut & 0xFF;
  Shift = TShiftState();
  if (ShortCut & scShift) Shift.Include(ssShift);
  if (ShortCut & scCtrl) Shift.Include(ssCtrl);
  if (ShortCut & scAlt) Shift.Include(ssAlt);
}

AnsiString ShortCutToText(TShortCut ShortCut) {
  AnsiString name = KeyName(ShortCut & 0xFF);
  if (name.empty()) return AnsiString();
  AnsiString result;
  if (ShortCut & scShift) result += "Shift+";
  if (ShortCut & scCtrl) result += "Ctrl+";
  if (ShortCut & scAlt) result += "Alt+";
  return result + name;
}

TShortCut TextToShortCut(const AnsiString& Text) {
  AnsiString rest = Trim(Text);
  TShortCut shift = 0;
  for (;;) {
    if (TakePrefix(rest, "Shift+")) shift |= scShift;
    else if (TakePrefix(rest, "Ctrl+")) shift |= scCtrl;
    else if (TakePrefix(rest, "Alt+")) shift |= scAlt;
    else break;
  }
  rest = Trim(rest);
  if (rest.empty()) return 0;
  for (uint16_t key = 0x08; key <= 0xFF; ++key) {
    AnsiString name = KeyName(key);
    if (!name.empty() && SameText(name, rest)) return static_cast<TShortCut>(key | shift);
  }
  return 0;
}

AnsiString StripHotkey(const AnsiString& Text) {
  AnsiString result;
  for (size_t i = 0; i < Text.size(); ++i) {
    if (Text[i] == '&') {
      if (i + 1 < Text.size() && Text[i + 1] == '&') {
        result += '&';
        ++i;
      }
      continue;
    }
    result += Text[i];
  }
  return result;
}

char GetHotkey(const AnsiString& Text) {
  for (size_t i = 0; i + 1 < Text.size(); ++i) {
    if (Text[i] != '&') continue;
    if (Text[i + 1] == '&') {
      ++i;
      continue;
    }
    return static_cast<char>(std::toupper(static_cast<unsigned char>(Text[i + 1])));
  }
  return 0;
}

bool IsAccel(uint16_t Char, const AnsiString& Caption) {
  const char hotkey = GetHotkey(Caption);
  return hotkey != 0 && Char < 256 && std::toupper(int(Char)) == static_cast<unsigned char>(hotkey);
}

// ---------------------------------------------------------------------------------------
// Command numbers

namespace {

std::set<uint16_t>& UsedCommands() {
  static auto* used = new std::set<uint16_t>;
  return *used;
}

uint16_t AllocateCommand() {
  static uint16_t next = 0;
  auto& used = UsedCommands();
  for (int tries = 0; tries < 0x7FFF; ++tries) {
    next = next >= 0x7FFF ? 1 : uint16_t(next + 1);
    if (used.insert(next).second) return next;
  }
  throw EMenuError("Too many menu items");
}

void FreeCommand(uint16_t Command) {
  if (Command) UsedCommands().erase(Command);
}

}  // namespace

// ---------------------------------------------------------------------------------------
// TMenuItem

TMenuItem::TMenuItem(TComponent* AOwner) : TComponent(AOwner), FCommand(AllocateCommand()) {}

TMenuItem::~TMenuItem() { FreeCommand(FCommand); }

void TMenuItem::BeforeDestruction() {
  Destroying();
  if (FParent) FParent->Remove(this);
  while (!FItems.empty()) {
    TMenuItem* child = FItems.back();
    FItems.pop_back();
    child->FParent = nullptr;
    child->Free();
  }
  if (TBasicAction* action = GetAction()) action->RemoveFreeNotification(this);
  FActionLink.reset();
  TComponent::BeforeDestruction();
}

void TMenuItem::SetCaption(const AnsiString& Value) {
  if (FCaption == Value) return;
  FCaption = Value;
  MenuChanged(true);
}

void TMenuItem::SetShortCut(TShortCut Value) {
  if (FShortCut == Value) return;
  FShortCut = Value;
  MenuChanged(true);
}

void TMenuItem::SetEnabled(bool Value) {
  if (FEnabled == Value) return;
  FEnabled = Value;
  MenuChanged(true);
}

void TMenuItem::SetVisible(bool Value) {
  if (FVisible == Value) return;
  FVisible = Value;
  MenuChanged(true);
}

void TMenuItem::SetChecked(bool Value) {
  if (FChecked == Value) return;
  FChecked = Value;
  if (Value && FRadioItem) TurnSiblingsOff();
  MenuChanged(true);
}

void TMenuItem::TurnSiblingsOff() {
  if (!FParent) return;
  for (TMenuItem* item : FParent->FItems)
    if (item != this && item->FRadioItem && item->FGroupIndex == FGroupIndex && item->FChecked) {
      item->FChecked = false;
      item->MenuChanged(true);
    }
}

void TMenuItem::SetRadioItem(bool Value) {
  if (FRadioItem == Value) return;
  FRadioItem = Value;
  if (FChecked && Value) TurnSiblingsOff();
  MenuChanged(true);
}

void TMenuItem::SetGroupIndex(uint8_t Value) {
  if (FGroupIndex == Value) return;
  FGroupIndex = Value;
  if (FChecked && FRadioItem) TurnSiblingsOff();
  MenuChanged(true);
}

void TMenuItem::SetDefault(bool Value) {
  if (FDefault == Value) return;
  if (Value && FParent)
    for (TMenuItem* item : FParent->FItems)
      if (item != this && item->FDefault) {
        item->FDefault = false;
        item->MenuChanged(true);
      }
  FDefault = Value;
  MenuChanged(true);
}

void TMenuItem::SetHint(const AnsiString& Value) { FHint = Value; }

void TMenuItem::SetImageIndex(int Value) {
  if (FImageIndex == Value) return;
  FImageIndex = Value;
  MenuChanged(true);
}

TBitmap* TMenuItem::GetBitmap() {
  if (!FBitmap) {
    FBitmap = std::make_unique<TBitmap>();
    FBitmap->OnChange = [this](TObject*) { MenuChanged(true); };
  }
  return FBitmap.get();
}

void TMenuItem::SetBitmap(TBitmap* Value) { GetBitmap()->Assign(Value); }

void TMenuItem::SetAction(TBasicAction* Value) {
  if (!Value) {
    if (TBasicAction* old = GetAction()) old->RemoveFreeNotification(this);
    FActionLink.reset();
    return;
  }
  if (!FActionLink) FActionLink = std::make_unique<TMenuActionLink>(this);
  if (TBasicAction* old = GetAction(); old && old != Value) old->RemoveFreeNotification(this);
  FActionLink->SetAction(Value);
  FActionLink->OnChange = [this](TObject* Sender) {
    if (Sender == GetAction()) ActionChange(Sender, false);
  };
  ActionChange(Value, Value->GetComponentState().Contains(csLoading));
  Value->FreeNotification(this);
}

void TMenuItem::ActionChange(TObject* Sender, bool CheckDefaults) {
  auto* action = dynamic_cast<TCustomAction*>(Sender);
  if (!action) return;
  if (!CheckDefaults || FCaption.empty()) SetCaption(action->GetCaption());
  if (!CheckDefaults || FEnabled) SetEnabled(action->GetEnabled());
  if (!CheckDefaults || !FChecked) SetChecked(action->GetChecked());
  if (!CheckDefaults || FHint.empty()) SetHint(action->GetHint());
  if (!CheckDefaults || FImageIndex == -1) SetImageIndex(action->GetImageIndex());
  if (!CheckDefaults || FVisible) SetVisible(action->GetVisible());
}

void TMenuItem::Loaded() {
  TComponent::Loaded();
  if (TBasicAction* action = GetAction()) ActionChange(action, true);
}

void TMenuItem::Notification(TComponent* AComponent, TOperation Operation) {
  TComponent::Notification(AComponent, Operation);
  if (Operation == opRemove && AComponent == GetAction()) SetAction(nullptr);
}

TMenuItem* TMenuItem::GetItem(int Index) const {
  if (Index < 0 || Index >= GetCount()) throw EMenuError("Menu index out of range");
  return FItems[size_t(Index)];
}

int TMenuItem::GetMenuIndex() const { return FParent ? FParent->IndexOf(const_cast<TMenuItem*>(this)) : -1; }

void TMenuItem::SetMenuIndex(int Value) {
  if (!FParent) return;
  TMenuItem* parent = FParent;
  const int count = parent->GetCount();
  Value = std::max(0, std::min(Value, count - 1));
  const int current = GetMenuIndex();
  if (Value == current) return;
  parent->FItems.erase(parent->FItems.begin() + current);
  parent->FItems.insert(parent->FItems.begin() + Value, this);
  parent->MenuChanged(true);
}

void TMenuItem::Add(TMenuItem* Item) { Insert(GetCount(), Item); }

void TMenuItem::Insert(int Index, TMenuItem* Item) {
  if (!Item) return;
  if (Item->FParent) throw EMenuError("Menu inserted twice");
  if (Index < 0 || Index > GetCount()) throw EMenuError("Menu index out of range");
  for (TMenuItem* p = this; p; p = p->FParent)
    if (p == Item) throw EMenuError("Menu inserted twice");
  FItems.insert(FItems.begin() + Index, Item);
  Item->FParent = this;
  if (Item->FChecked && Item->FRadioItem) Item->TurnSiblingsOff();
  MenuChanged(true);
}

void TMenuItem::Delete(int Index) {
  if (Index < 0 || Index >= GetCount()) throw EMenuError("Menu index out of range");
  TMenuItem* item = FItems[size_t(Index)];
  FItems.erase(FItems.begin() + Index);
  item->FParent = nullptr;
  MenuChanged(true);
}

void TMenuItem::Remove(TMenuItem* Item) {
  const int index = IndexOf(Item);
  if (index >= 0) Delete(index);
}

void TMenuItem::Clear() {
  while (!FItems.empty()) FItems.back()->Free();
}

int TMenuItem::IndexOf(TMenuItem* Item) const {
  auto found = std::find(FItems.begin(), FItems.end(), Item);
  return found == FItems.end() ? -1 : static_cast<int>(found - FItems.begin());
}

TMenuItem* TMenuItem::Find(const AnsiString& ACaption) const {
  const AnsiString wanted = StripHotkey(ACaption);
  for (TMenuItem* item : FItems)
    if (SameText(StripHotkey(item->FCaption), wanted)) return item;
  return nullptr;
}

TMenu* TMenuItem::GetParentMenu() const {
  const TMenuItem* item = this;
  while (item->FParent) item = item->FParent;
  return item->FMenu;
}

TCustomImageList* TMenuItem::GetImages() const {
  TMenu* menu = GetParentMenu();
  return menu ? menu->GetImages() : nullptr;
}

void TMenuItem::Click() {
  if (!FEnabled) return;
  if (OnClick)
    OnClick(this);
  else if (FActionLink)
    FActionLink->Execute(this);
}

void TMenuItem::InitiateAction() {
  if (FActionLink) FActionLink->Update();
}

void TMenuItem::InitiateActions() {
  std::vector<TMenuItem*> items = FItems;
  for (TMenuItem* item : items) {
    if (IndexOf(item) < 0) continue;  // taken out by an update handler
    item->InitiateAction();
    item->InitiateActions();
  }
}

void TMenuItem::MenuChanged(bool Rebuild) {
  if (GetComponentState().Contains(csDestroying)) return;
  if (TMenu* menu = GetParentMenu()) menu->MenuChanged(this, Rebuild);
}

void TMenuItem::PublishProperties(TPropList& Props) const {
  TComponent::PublishProperties(Props);
  Props.String("Caption", &TMenuItem::GetCaption, &TMenuItem::SetCaption, "TCaption");
  Props.String("Hint", &TMenuItem::GetHint, &TMenuItem::SetHint);
}

// ---------------------------------------------------------------------------------------
// TMenu

TMenu::TMenu(TComponent* AOwner) : TComponent(AOwner), FItems(new TMenuItem(this)) {
  FItems->FMenu = this;
  FImageChangeLink = std::make_unique<TChangeLink>();
  FImageChangeLink->OnChange = [this](TObject*) { MenuChanged(nullptr, false); };
}

TMenu::~TMenu() = default;

void TMenu::BeforeDestruction() {
  SetImages(nullptr);
  TComponent::BeforeDestruction();  // frees the root item, which frees the tree
}

void TMenu::SetImages(TCustomImageList* Value) {
  if (FImages == Value) return;
  if (FImages) {
    FImages->UnRegisterChanges(FImageChangeLink.get());
    FImages->RemoveFreeNotification(this);
  }
  FImages = Value;
  if (Value) {
    Value->RegisterChanges(FImageChangeLink.get());
    Value->FreeNotification(this);
  }
  MenuChanged(nullptr, false);
}

void TMenu::Notification(TComponent* AComponent, TOperation Operation) {
  TComponent::Notification(AComponent, Operation);
  if (Operation == opRemove && AComponent == FImages) {
    FImages->UnRegisterChanges(FImageChangeLink.get());
    FImages = nullptr;
  }
}

namespace {
TMenuItem* FindIn(TMenuItem* Parent, int Value, TFindItemKind Kind) {
  for (int i = 0; i < Parent->GetCount(); ++i) {
    TMenuItem* item = Parent->GetItem(i);
    if ((Kind == fkCommand && item->GetCommand() == Value) ||
        (Kind == fkShortCut && item->GetShortCut() != 0 && item->GetShortCut() == Value))
      return item;
    if (TMenuItem* found = FindIn(item, Value, Kind)) return found;
  }
  return nullptr;
}
}  // namespace

TMenuItem* TMenu::FindItem(int Value, TFindItemKind Kind) const {
  if (Value == 0) return nullptr;
  return FindIn(FItems, Value, Kind);
}

bool TMenu::DispatchCommand(uint16_t ACommand) {
  TMenuItem* item = FindItem(ACommand, fkCommand);
  if (!item) return false;
  item->Click();
  return true;
}

bool TMenu::IsShortCut(TWMKey& Message) {
  const TShortCut shortCut = ShortCut(Message.GetCharCode(), KeyboardStateToShiftState());
  TMenuItem* item = FindItem(shortCut, fkShortCut);
  if (!item) return false;
  // The item's and its parents' actions say whether the key may run it now.
  for (TMenuItem* p = item; p && p != FItems; p = p->GetParent()) p->InitiateAction();
  for (TMenuItem* p = item; p && p != FItems; p = p->GetParent())
    if (!p->GetEnabled()) return false;
  item->Click();
  return true;
}

void TMenu::MenuChanged(TMenuItem* Source, bool Rebuild) {
  if (GetComponentState().Contains(csDestroying)) return;
  if (OnChange) OnChange(this, Source, Rebuild);
}

// ---------------------------------------------------------------------------------------
// TPopupMenu: a Windows popup menu built from the tree

namespace {

HMENU g_ShowingMenu = nullptr;

// The hidden window that owns the Windows popup: it measures and draws the items that
// draw themselves and the pictures of items with images.
LRESULT CALLBACK PopupWndProc(HWND Wnd, UINT Msg, WPARAM WParam, LPARAM LParam);

HWND PopupWindow() {
  static HWND wnd = [] {
    WNDCLASSA wc = {};
    wc.lpfnWndProc = &PopupWndProc;
    wc.hInstance = FrameworkInstance();
    wc.lpszClassName = "TPopupMenuWindow";
    RegisterClassA(&wc);
    return CreateWindowExA(WS_EX_TOOLWINDOW, wc.lpszClassName, "", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr,
                           FrameworkInstance(), nullptr);
  }();
  return wnd;
}

// Whether the item shows a picture (from the image list or its bitmap).
bool HasPicture(TMenuItem* Item) {
  TCustomImageList* images = Item->GetImages();
  return (images && Item->GetImageIndex() >= 0 && Item->GetImageIndex() < images->GetCount()) ||
         Item->HasBitmap();
}

LRESULT CALLBACK PopupWndProc(HWND Wnd, UINT Msg, WPARAM WParam, LPARAM LParam) {
  try {
    if (Msg == WM_MEASUREITEM) {
      auto* mis = reinterpret_cast<MEASUREITEMSTRUCT*>(LParam);
      if (mis && mis->CtlType == ODT_MENU && mis->itemData) {
        auto* item = reinterpret_cast<TMenuItem*>(mis->itemData);
        TCustomImageList* images = item->GetImages();
        int w = images ? images->GetWidth() : 16, h = images ? images->GetHeight() : 16;
        if (item->OnDrawItem) {
          TCanvas canvas;
          TWindowDC screen;
          canvas.SetHandle(screen);
          w = canvas.TextWidth(StripHotkey(item->GetCaption())) + w + 16;
          h = std::max(h + 4, canvas.TextHeight("Wg") + 6);
          if (item->OnMeasureItem) item->OnMeasureItem(item, &canvas, w, h);
          canvas.SetHandle(nullptr);
        } else if (!images && item->HasBitmap()) {
          w = item->GetBitmap()->GetWidth();
          h = item->GetBitmap()->GetHeight();
        }
        mis->itemWidth = UINT(std::max(0, w));
        mis->itemHeight = UINT(std::max(0, h));
        return TRUE;
      }
    } else if (Msg == WM_DRAWITEM) {
      auto* dis = reinterpret_cast<DRAWITEMSTRUCT*>(LParam);
      if (dis && dis->CtlType == ODT_MENU && dis->itemData) {
        auto* item = reinterpret_cast<TMenuItem*>(dis->itemData);
        TCanvas canvas;
        canvas.SetHandle(dis->hDC);
        const TRect r = FromRECT(dis->rcItem);
        const bool selected = (dis->itemState & ODS_SELECTED) != 0;
        if (item->OnDrawItem) {
          item->OnDrawItem(item, &canvas, r, selected);
        } else if (TCustomImageList* images = item->GetImages();
                   images && item->GetImageIndex() >= 0) {
          images->Draw(&canvas, r.Left + (r.Width() - images->GetWidth()) / 2,
                       r.Top + (r.Height() - images->GetHeight()) / 2, item->GetImageIndex(),
                       item->GetEnabled());
        } else if (item->HasBitmap()) {
          canvas.Draw(r.Left, r.Top, item->GetBitmap());
        }
        canvas.SetHandle(nullptr);
        return TRUE;
      }
    }
  } catch (...) {
    if (Application) Application->HandleException(nullptr);
    return 0;
  }
  return DefWindowProcA(Wnd, Msg, WParam, LParam);
}

HMENU BuildPopup(TMenuItem* Parent) {
  HMENU menu = CreatePopupMenu();
  if (!menu) throw EOutOfResources("Out of system resources");
  UINT position = 0;
  for (int i = 0; i < Parent->GetCount(); ++i) {
    TMenuItem* item = Parent->GetItem(i);
    if (!item->GetVisible()) continue;
    MENUITEMINFOA info = {};
    info.cbSize = sizeof(info);
    info.fMask = MIIM_FTYPE | MIIM_STATE | MIIM_ID | MIIM_DATA;
    info.wID = item->GetCommand();
    info.dwItemData = reinterpret_cast<ULONG_PTR>(item);
    AnsiString text;  // copied by the system when the item is inserted
    if (item->IsLine()) {
      info.fType = MFT_SEPARATOR;
    } else {
      text = item->GetCaption();
      if (item->GetShortCut() != 0) text += "\t" + ShortCutToText(item->GetShortCut());
      if (item->OnDrawItem) {
        info.fType = MFT_OWNERDRAW;
      } else {
        info.fType = MFT_STRING;
        info.fMask |= MIIM_STRING;
        info.dwTypeData = const_cast<char*>(text.c_str());
        if (HasPicture(item)) {
          info.fMask |= MIIM_BITMAP;
          info.hbmpItem = HBMMENU_CALLBACK;
        }
      }
      if (item->GetRadioItem()) info.fType |= MFT_RADIOCHECK;
      if (item->GetChecked()) info.fState |= MFS_CHECKED;
      if (!item->GetEnabled()) info.fState |= MFS_GRAYED;
      if (item->GetDefault()) info.fState |= MFS_DEFAULT;
      if (item->GetCount() > 0) {
        info.fMask |= MIIM_SUBMENU;
        info.hSubMenu = BuildPopup(item);
      }
    }
    InsertMenuItemA(menu, position++, TRUE, &info);
  }
  return menu;
}

}  // namespace

HMENU TPopupMenu::ShowingMenu() { return g_ShowingMenu; }

void TPopupMenu::SetPopupComponent(TComponent* Value) {
  if (FPopupComponent == Value) return;
  if (FPopupComponent) FPopupComponent->RemoveFreeNotification(this);
  FPopupComponent = Value;
  if (Value) Value->FreeNotification(this);
}

void TPopupMenu::Notification(TComponent* AComponent, TOperation Operation) {
  TMenu::Notification(AComponent, Operation);
  if (Operation == opRemove && AComponent == FPopupComponent) FPopupComponent = nullptr;
}

void TPopupMenu::DoPopup(TObject* Sender) {
  if (OnPopup) OnPopup(Sender);
}

void TPopupMenu::Popup(int X, int Y) {
  DoPopup(this);
  GetItems()->InitiateActions();
  HMENU menu = BuildPopup(GetItems());
  static const UINT kAlign[] = {TPM_LEFTALIGN, TPM_RIGHTALIGN, TPM_CENTERALIGN};
  HWND owner = PopupWindow();
  // The owner must be the foreground window for the menu to close when the user clicks
  // elsewhere.
  SetForegroundWindow(owner);
  g_ShowingMenu = menu;
  const UINT command = static_cast<UINT>(TrackPopupMenuEx(
      menu, kAlign[FAlignment] | TPM_RIGHTBUTTON | TPM_RETURNCMD | TPM_NONOTIFY, X, Y, owner, nullptr));
  g_ShowingMenu = nullptr;
  PostMessageA(owner, WM_NULL, 0, 0);
  DestroyMenu(menu);
  if (command != 0) DispatchCommand(static_cast<uint16_t>(command));
}
