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
  FLineHidden = false;  // the program's word counts from now on
  if (FVisible == Value) return;
  FVisible = Value;
  MenuChanged(true);
}

bool TMenuItem::RethinkLines() {
  bool changed = false;
  auto show = [&changed](TMenuItem* Line, bool Shown) {
    if (Shown && !Line->FVisible && Line->FLineHidden) {
      Line->FVisible = true;
      Line->FLineHidden = false;
      changed = true;
    } else if (!Shown && Line->FVisible) {
      Line->FVisible = false;
      Line->FLineHidden = true;
      changed = true;
    }
  };
  bool itemBefore = false;         // a visible item came before
  TMenuItem* pending = nullptr;    // the separator to show when a visible item follows
  for (TMenuItem* child : FItems) {
    if (child->IsLine()) {
      if (!child->FVisible && !child->FLineHidden) continue;  // the program hid it
      if (itemBefore && !pending) {
        pending = child;
      } else {
        show(child, false);
      }
    } else if (child->FVisible) {
      itemBefore = true;
      if (pending) show(pending, true);
      pending = nullptr;
    }
  }
  if (pending) show(pending, false);
  if (changed) MenuChanged(true);
  return changed;
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
  if (ReplaceImageListReference(this, FImages, Value, FImageChangeLink.get())) MenuChanged(nullptr, false);
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

// The font of the system's menus (and its bold form for default items).
TFont* MenuFont(bool Bold) {
  static TFont* fonts[2] = {};
  if (!fonts[0]) {
    for (TFont*& font : fonts) {
      font = new TFont;
      NONCLIENTMETRICSA metrics = {};
      metrics.cbSize = sizeof(metrics);
      if (SystemParametersInfoA(SPI_GETNONCLIENTMETRICS, sizeof(metrics), &metrics, 0)) {
        TGdiHandle<HFONT> handle(CreateFontIndirectA(&metrics.lfMenuFont));
        if (handle) font->SetHandle(handle.get());
      }
    }
    fonts[1]->SetStyle(TFontStyles{fsBold});
  }
  return fonts[Bold ? 1 : 0];
}

// The items of the popup are drawn here (the system's own drawing lays out pictures and
// short-cut texts unevenly): a column for the picture or the check mark, the caption,
// and the short cut at the right. Items with OnDrawItem draw themselves.
constexpr int kMenuTextGap = 4;
constexpr int kMenuShortCutGap = 24;
constexpr int kMenuArrowRoom = 16;

int PictureColumn(TMenuItem* Item) {
  TCustomImageList* images = Item->GetImages();
  return std::max(16, images ? images->GetWidth() : 0) + 6;
}

void MeasureMenuItem(TMenuItem* Item, MEASUREITEMSTRUCT* Measure) {
  TCanvas canvas;
  TWindowDC screen;
  canvas.SetHandle(screen);
  canvas.SetFont(MenuFont(Item->GetDefault()));
  RECT r = {0, 0, 0, 0};
  const AnsiString caption = Item->GetCaption();
  DrawTextA(canvas.GetHandle(), caption.c_str(), -1, &r, DT_SINGLELINE | DT_CALCRECT);
  int w = PictureColumn(Item) + kMenuTextGap + (r.right - r.left) + kMenuArrowRoom;
  if (Item->GetShortCut() != 0) w += kMenuShortCutGap + canvas.TextWidth(ShortCutToText(Item->GetShortCut()));
  TCustomImageList* images = Item->GetImages();
  int h = std::max<int>(GetSystemMetrics(SM_CYMENUSIZE), canvas.TextHeight("Wg") + 6);
  if (images) h = std::max(h, images->GetHeight() + 4);
  if (Item->HasBitmap()) h = std::max(h, Item->GetBitmap()->GetHeight() + 4);
  if (Item->OnMeasureItem) Item->OnMeasureItem(Item, &canvas, w, h);
  canvas.SetHandle(nullptr);
  Measure->itemWidth = UINT(std::max(0, w));
  Measure->itemHeight = UINT(std::max(0, h));
}

void DrawMenuItem(TMenuItem* Item, DRAWITEMSTRUCT* Draw) {
  TCanvas canvas;
  canvas.SetHandle(Draw->hDC);
  const TRect r = FromRECT(Draw->rcItem);
  const bool selected = (Draw->itemState & ODS_SELECTED) != 0;
  if (Item->OnDrawItem) {
    Item->OnDrawItem(Item, &canvas, r, selected);
    canvas.SetHandle(nullptr);
    return;
  }
  const bool enabled = !(Draw->itemState & (ODS_GRAYED | ODS_DISABLED));
  canvas.GetBrush()->SetColor(selected ? clHighlight : clMenu);
  canvas.FillRect(r);
  // The picture column: the picture (framed while checked), else the check mark.
  const int column = PictureColumn(Item);
  const TRect box(r.Left, r.Top, r.Left + column, r.Bottom);
  TCustomImageList* images = Item->GetImages();
  const bool fromList = images && Item->GetImageIndex() >= 0 && Item->GetImageIndex() < images->GetCount();
  if (fromList || Item->HasBitmap()) {
    const int w = fromList ? images->GetWidth() : Item->GetBitmap()->GetWidth();
    const int h = fromList ? images->GetHeight() : Item->GetBitmap()->GetHeight();
    const int x = box.Left + (box.Width() - w) / 2, y = box.Top + (box.Height() - h) / 2;
    if (Item->GetChecked()) {
      TRect frame(x - 2, y - 2, x + w + 2, y + h + 2);
      Frame3D(&canvas, frame, clBtnShadow, clBtnHighlight, 1);
    }
    if (fromList)
      images->Draw(&canvas, x, y, Item->GetImageIndex(), enabled);
    else
      canvas.Draw(x, y, Item->GetBitmap());
  } else if (Item->GetChecked()) {
    const TColor mark = selected ? clHighlightText : enabled ? clMenuText : clGrayText;
    const int cx = (box.Left + box.Right) / 2, cy = (box.Top + box.Bottom) / 2;
    canvas.GetPen()->SetColor(mark);
    canvas.GetBrush()->SetColor(mark);
    if (Item->GetRadioItem()) {
      canvas.Ellipse(cx - 3, cy - 3, cx + 4, cy + 4);
    } else {
      for (int i = 0; i < 3; ++i) {  // a tick three pixels thick
        canvas.MoveTo(cx - 4, cy - 1 + i);
        canvas.LineTo(cx - 1, cy + 2 + i);
        canvas.LineTo(cx + 5, cy - 4 + i);
      }
    }
  }
  // The caption and the short cut.
  canvas.SetFont(MenuFont(Item->GetDefault()));
  canvas.GetFont()->SetColor(selected ? (enabled ? clHighlightText : clGrayText) : enabled ? clMenuText : clGrayText);
  canvas.GetBrush()->SetStyle(bsClear);
  const UINT prefix = (Draw->itemState & ODS_NOACCEL) ? DT_HIDEPREFIX : 0;
  RECT text = {r.Left + column + kMenuTextGap, r.Top, r.Right - kMenuArrowRoom, r.Bottom};
  const AnsiString caption = Item->GetCaption();
  DrawTextA(canvas.GetHandle(), caption.c_str(), -1, &text, DT_SINGLELINE | DT_VCENTER | DT_LEFT | prefix);
  if (Item->GetShortCut() != 0) {
    const AnsiString shortCut = ShortCutToText(Item->GetShortCut());
    DrawTextA(canvas.GetHandle(), shortCut.c_str(), -1, &text, DT_SINGLELINE | DT_VCENTER | DT_RIGHT | DT_NOPREFIX);
  }
  canvas.SetHandle(nullptr);
}

// The position in a popup of the item whose accelerator is Char, or -1.
int AcceleratorPosition(HMENU Menu, uint16_t Char) {
  const int count = GetMenuItemCount(Menu);
  for (int i = 0; i < count; ++i) {
    MENUITEMINFOA info = {};
    info.cbSize = sizeof(info);
    info.fMask = MIIM_DATA | MIIM_FTYPE | MIIM_STATE;
    if (!GetMenuItemInfoA(Menu, UINT(i), TRUE, &info) || !info.dwItemData) continue;
    auto* item = reinterpret_cast<TMenuItem*>(info.dwItemData);
    if (!(info.fState & MFS_GRAYED) && IsAccel(Char, item->GetCaption())) return i;
  }
  return -1;
}

// The hidden window that owns the Windows popup: it measures and draws the items and
// finds the item of a typed accelerator.
// The messages of the window the menus show from: owner-drawn items measured and drawn,
// accelerators of the items chosen.
void PopupWindowMessage(HWND Wnd, TMessage& Message) {
  const WPARAM WParam = Message.WParam;
  const LPARAM LParam = Message.LParam;
  if (Message.Msg == WM_MEASUREITEM) {
    auto* measure = reinterpret_cast<MEASUREITEMSTRUCT*>(LParam);
    if (measure && measure->CtlType == ODT_MENU && measure->itemData) {
      MeasureMenuItem(reinterpret_cast<TMenuItem*>(measure->itemData), measure);
      Message.Result = TRUE;
      return;
    }
  } else if (Message.Msg == WM_DRAWITEM) {
    auto* draw = reinterpret_cast<DRAWITEMSTRUCT*>(LParam);
    if (draw && draw->CtlType == ODT_MENU && draw->itemData) {
      DrawMenuItem(reinterpret_cast<TMenuItem*>(draw->itemData), draw);
      Message.Result = TRUE;
      return;
    }
  } else if (Message.Msg == WM_MENUCHAR) {
    const int position = AcceleratorPosition(reinterpret_cast<HMENU>(LParam), LOWORD(WParam));
    Message.Result = position >= 0 ? MAKELRESULT(position, MNC_EXECUTE) : MAKELRESULT(0, MNC_IGNORE);
    return;
  }
  Message.Result = DefWindowProcA(Wnd, Message.Msg, WParam, LParam);
}

HWND PopupWindow() {
  static HWND wnd = nullptr;
  if (!wnd) wnd = AllocateHWnd([](TMessage& Message) { PopupWindowMessage(wnd, Message); });
  return wnd;
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
    if (item->IsLine()) {
      info.fType = MFT_SEPARATOR;
    } else {
      info.fType = MFT_OWNERDRAW;
      info.dwItemData = reinterpret_cast<ULONG_PTR>(item);
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

void TPopupMenu::SetPopupComponent(TComponent* Value) { ReplaceComponentReference(this, FPopupComponent, Value); }

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
