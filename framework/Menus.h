// Menus: the base of menus and the popup menu that controls show on a context-menu
// request. This unit holds what the control layer needs of menus (the popup menu a
// control names, its popup request and the short-cut question); menu items are added to
// it by the menu layer.
#pragma once

#include "framework/Classes.h"
#include "framework/Messages.h"

class TMenu : public TComponent {
 public:
  explicit TMenu(TComponent* AOwner) : TComponent(AOwner) {}
  // Whether the key is a short cut of one of the menu's items (which then ran).
  virtual bool IsShortCut(TWMKey& Message) { return false; }
};

class TPopupMenu : public TMenu {
 public:
  explicit TPopupMenu(TComponent* AOwner) : TMenu(AOwner) {}
  // Shows the menu at a screen point. It tells OnPopup first; an EAbort raised there
  // cancels the popup (and is passed on to the caller).
  virtual void Popup(int X, int Y);
  // The control whose context menu is showing.
  TComponent* GetPopupComponent() const { return FPopupComponent; }
  void SetPopupComponent(TComponent* Value) { FPopupComponent = Value; }
  // Shown by the controls that name it on a context-menu request (the default).
  bool GetAutoPopup() const { return FAutoPopup; }
  void SetAutoPopup(bool Value) { FAutoPopup = Value; }

  TNotifyEvent OnPopup;

 protected:
  virtual void DoPopup(TObject* Sender);

 private:
  TComponent* FPopupComponent = nullptr;
  bool FAutoPopup = true;
};
