// Menus: trees of menu items (captions with "&" accelerators, "-" separators, short cuts,
// checks and radio groups, default items, images and actions), the main menu of a form (a
// tree of data that the form's menu bar draws; the form shows no Windows menu bar) and
// popup menus. Until a skinned menu takes over, a popup menu shows as a Windows popup
// built from its tree, and the chosen item's OnClick runs through DispatchCommand.
// Short cuts are keys with Shift, Ctrl and Alt, written "Ctrl+S", "Shift+Ctrl+F4".
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

#include "framework/ActnList.h"
#include "framework/Graphics.h"
#include "framework/ImgList.h"
#include "framework/Messages.h"

class TMenu;
class TMenuItem;

// ---------------------------------------------------------------------------------------
// Short cuts and captions

// A key with modifiers: the virtual key in the low byte, scShift, scCtrl and scAlt above.
using TShortCut = uint16_t;
constexpr TShortCut scShift = 0x2000;
constexpr TShortCut scCtrl = 0x4000;
constexpr TShortCut scAlt = 0x8000;
constexpr TShortCut scNone = 0;

TShortCut ShortCut(uint16_t Key, TShiftState Shift);
void ShortCutToKey(TShortCut ShortCut, uint16_t& Key, TShiftState& Shift);
// "Shift+", "Ctrl+" and "Alt+" (in that order) and the key's name: letters and digits as
// themselves, "F1".."F24", "BkSp", "Tab", "Enter", "Esc", "Space", "PgUp", "PgDn", "End",
// "Home", "Left", "Up", "Right", "Down", "Ins", "Del", the keypad as "Num 0".."Num 9",
// "Num *", "Num +", "Num -", "Num .", "Num /"; other keys by the keyboard's name for them.
// Empty for no short cut or a key without a name.
AnsiString ShortCutToText(TShortCut ShortCut);
// The reverse, ignoring case and blanks around the parts; 0 for a text that names no key.
TShortCut TextToShortCut(const AnsiString& Text);

// The caption without its accelerator marks ("&File" gives "File", "&&" gives "&").
AnsiString StripHotkey(const AnsiString& Text);
// The accelerator character of a caption (upper case), or 0.
char GetHotkey(const AnsiString& Text);
// Whether the character is the caption's accelerator (ignoring case).
bool IsAccel(uint16_t Char, const AnsiString& Caption);

// The caption of a separator item.
constexpr const char* cLineCaption = "-";

// ---------------------------------------------------------------------------------------
// TMenuItem

// Draws an owner-drawn item (a skinned menu passes its own item object as Sender).
using TMenuDrawItemEvent =
    std::function<void(TObject* Sender, TCanvas* ACanvas, TRect ARect, bool Selected)>;
using TMenuMeasureItemEvent =
    std::function<void(TObject* Sender, TCanvas* ACanvas, int& Width, int& Height)>;

class TMenuActionLink : public TActionLink {
 public:
  explicit TMenuActionLink(TObject* AClient) : TActionLink(AClient) {}
};

class TMenuItem : public TComponent {
 public:
  explicit TMenuItem(TComponent* AOwner);
  ~TMenuItem() override;
  void BeforeDestruction() override;

  AnsiString GetCaption() const { return FCaption; }
  void SetCaption(const AnsiString& Value);
  // A separator: the caption "-".
  bool IsLine() const { return FCaption == cLineCaption; }
  TShortCut GetShortCut() const { return FShortCut; }
  void SetShortCut(TShortCut Value);
  bool GetEnabled() const { return FEnabled; }
  void SetEnabled(bool Value);
  // A hidden item is not shown but keeps its index among its siblings.
  bool GetVisible() const { return FVisible; }
  void SetVisible(bool Value);
  // Checking a radio item unchecks the other radio items of its parent with its group.
  bool GetChecked() const { return FChecked; }
  void SetChecked(bool Value);
  bool GetRadioItem() const { return FRadioItem; }
  void SetRadioItem(bool Value);
  uint8_t GetGroupIndex() const { return FGroupIndex; }
  void SetGroupIndex(uint8_t Value);
  // The default item of a menu is shown in bold.
  bool GetDefault() const { return FDefault; }
  void SetDefault(bool Value);
  AnsiString GetHint() const { return FHint; }
  void SetHint(const AnsiString& Value);
  // The picture from the menu's image list (-1: none); a bitmap is shown without one.
  int GetImageIndex() const { return FImageIndex; }
  void SetImageIndex(int Value);
  TBitmap* GetBitmap();  // made when first asked for
  void SetBitmap(TBitmap* Value);
  bool HasBitmap() const { return FBitmap && !FBitmap->GetEmpty(); }
  TBasicAction* GetAction() const { return FActionLink ? FActionLink->GetAction() : nullptr; }
  void SetAction(TBasicAction* Value);
  TBasicActionLink* GetActionLink() const { return FActionLink.get(); }
  // The item's command number, unique in the program while the item lives (1 .. 32767).
  uint16_t GetCommand() const { return FCommand; }

  // The tree.
  int GetCount() const { return static_cast<int>(FItems.size()); }
  TMenuItem* GetItem(int Index) const;  // Items[]
  TMenuItem* GetParent() const { return FParent; }
  int GetMenuIndex() const;
  void SetMenuIndex(int Value);
  // Adds (or inserts at Index, 0 .. Count) an item that has no parent; raises
  // EMenuError "Menu inserted twice" for an item that has one, and EMenuError "Menu index
  // out of range" for a bad index.
  void Add(TMenuItem* Item);
  void Insert(int Index, TMenuItem* Item);
  // Takes the item out of the tree; it stays alive (its owner frees it).
  void Delete(int Index);
  void Remove(TMenuItem* Item);
  // Frees every child.
  void Clear();
  int IndexOf(TMenuItem* Item) const;
  // The child whose caption is the text, ignoring case and accelerator marks.
  TMenuItem* Find(const AnsiString& ACaption) const;
  // The menu the tree belongs to, or nullptr.
  TMenu* GetParentMenu() const;
  // Hides the separators among the children that separate nothing (before the first and
  // after the last visible item, or right after another shown separator) and shows again
  // those it hid that separate something now; separators the program hid stay hidden.
  // True when a separator changed.
  bool RethinkLines();
  TCustomImageList* GetImages() const;

  // Runs OnClick, or else the action, while the item is enabled.
  virtual void Click();
  // Updates the item's action (its OnUpdate).
  virtual void InitiateAction();
  // Updates the actions of the item's children and their children.
  void InitiateActions();

  void PublishProperties(TPropList& Props) const override;

  TNotifyEvent OnClick;
  TMenuDrawItemEvent OnDrawItem;
  TMenuMeasureItemEvent OnMeasureItem;

 protected:
  friend class TMenu;
  // The action changed: the item takes its caption, enabled and checked state, hint,
  // image index and visibility (at load time only where the item still has its defaults).
  virtual void ActionChange(TObject* Sender, bool CheckDefaults);
  void Loaded() override;
  void Notification(TComponent* AComponent, TOperation Operation) override;
  // Tells the menu that this item (Rebuild: or the tree) changed.
  void MenuChanged(bool Rebuild);

 private:
  void TurnSiblingsOff();

  AnsiString FCaption;
  TShortCut FShortCut = 0;
  bool FEnabled = true;
  bool FVisible = true;
  bool FChecked = false;
  bool FRadioItem = false;
  uint8_t FGroupIndex = 0;
  bool FDefault = false;
  AnsiString FHint;
  int FImageIndex = -1;
  std::unique_ptr<TBitmap> FBitmap;
  std::unique_ptr<TBasicActionLink> FActionLink;
  uint16_t FCommand = 0;
  std::vector<TMenuItem*> FItems;
  TMenuItem* FParent = nullptr;
  TMenu* FMenu = nullptr;  // set on the root item of a menu
  bool FLineHidden = false;  // a separator RethinkLines hid
};

class EMenuError : public Exception {
 public:
  using Exception::Exception;
};

// ---------------------------------------------------------------------------------------
// TMenu, TMainMenu, TPopupMenu

enum TFindItemKind { fkCommand, fkShortCut };
// Whether the menus shown from a menu drop their redundant separators themselves
// (TMenuItem::RethinkLines) or show them as the tree has them.
enum TMenuAutoFlag { maAutomatic, maManual };
using TMenuChangeEvent = std::function<void(TObject* Sender, TMenuItem* Source, bool Rebuild)>;

class TMenu : public TComponent {
 public:
  explicit TMenu(TComponent* AOwner);
  ~TMenu() override;
  void BeforeDestruction() override;

  // The root of the tree: its children are the menu's items.
  TMenuItem* GetItems() const { return FItems; }
  TCustomImageList* GetImages() const { return FImages; }
  void SetImages(TCustomImageList* Value);
  TMenuAutoFlag GetAutoLineReduction() const { return FAutoLineReduction; }
  void SetAutoLineReduction(TMenuAutoFlag Value) { FAutoLineReduction = Value; }
  // The item (anywhere in the tree, hidden ones too) with that command or short cut.
  TMenuItem* FindItem(int Value, TFindItemKind Kind) const;
  // Clicks the item with that command; false when there is none.
  bool DispatchCommand(uint16_t ACommand);
  // Whether the key (with the keyboard's Shift, Ctrl and Alt) is the short cut of an item
  // of the menu; the item's action is updated first, and the item is clicked when it and
  // every item above it are enabled (only then the answer is true).
  virtual bool IsShortCut(TWMKey& Message);

  // An item of the tree (Source; nullptr: the whole menu) changed; Rebuild: its children.
  TMenuChangeEvent OnChange;

 protected:
  friend class TMenuItem;
  virtual void MenuChanged(TMenuItem* Source, bool Rebuild);
  void Notification(TComponent* AComponent, TOperation Operation) override;

 private:
  TMenuItem* FItems;
  TCustomImageList* FImages = nullptr;
  std::unique_ptr<TChangeLink> FImageChangeLink;
  TMenuAutoFlag FAutoLineReduction = maAutomatic;
};

// A form's main menu: its items are data for the menu bar that draws them.
class TMainMenu : public TMenu {
 public:
  explicit TMainMenu(TComponent* AOwner) : TMenu(AOwner) {}
};

enum TPopupAlignment { paLeft, paRight, paCenter };

class TPopupMenu : public TMenu {
 public:
  explicit TPopupMenu(TComponent* AOwner) : TMenu(AOwner) {}
  // Shows the menu at a screen point. It tells OnPopup first (an EAbort raised there
  // cancels the popup and is passed on to the caller) and updates the items' actions;
  // the chosen item is clicked after the menu closed, before Popup returns.
  virtual void Popup(int X, int Y);
  // The control whose context menu is showing.
  TComponent* GetPopupComponent() const { return FPopupComponent; }
  void SetPopupComponent(TComponent* Value);
  // Shown by the controls that name it on a context-menu request (the default).
  bool GetAutoPopup() const { return FAutoPopup; }
  void SetAutoPopup(bool Value) { FAutoPopup = Value; }
  // Where the point lies against the menu.
  TPopupAlignment GetAlignment() const { return FAlignment; }
  void SetAlignment(TPopupAlignment Value) { FAlignment = Value; }
  // The window of the menu shown by the last Popup while it shows (nullptr otherwise).
  static HMENU ShowingMenu();

  TNotifyEvent OnPopup;

 protected:
  virtual void DoPopup(TObject* Sender);
  void Notification(TComponent* AComponent, TOperation Operation) override;

 private:
  TComponent* FPopupComponent = nullptr;
  bool FAutoPopup = true;
  TPopupAlignment FAlignment = paLeft;
};
