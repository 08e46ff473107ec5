// Windowed controls: the focus and the tab order, and the keys (the form's key preview,
// the control's key events, menu short cuts, dialog keys and characters).
#include <algorithm>

#include "framework/ControlsPrivate.h"
#include "framework/Forms.h"

// ---------------------------------------------------------------------------------------
// Focus and tab order

bool TWinControl::CanFocus() {
  TCustomForm* form = GetParentForm(this);
  if (!form) return false;
  for (TControl* control = this; control != form; control = control->FParent)
    if (!control->FVisible || !control->GetEnabled()) return false;
  return true;
}

bool TWinControl::Focused() const { return FHandle && GetFocus() == FHandle; }

void TWinControl::SetFocus() {
  if (TCustomForm* form = GetParentForm(this))
    form->FocusControl(this);
  else if (FParentWindow)
    ::SetFocus(GetHandle());
  else
    ValidParentForm(this);
}

void TWinControl::RemoveFocus(bool Removing) {
  if (TCustomForm* form = GetParentForm(this)) form->DefocusControl(this, Removing);
}

int TWinControl::GetTabOrder() const {
  if (!FParent) return -1;
  auto& list = FParent->FTabList;
  auto found = std::find(list.begin(), list.end(), this);
  return found == list.end() ? -1 : static_cast<int>(found - list.begin());
}

void TWinControl::SetTabOrder(int Value) {
  int current = GetTabOrder();
  if (current < 0) return;
  auto& list = FParent->FTabList;
  Value = std::max(0, std::min(Value, static_cast<int>(list.size()) - 1));
  if (Value == current) return;
  list.erase(list.begin() + current);
  list.insert(list.begin() + Value, this);
}

void TWinControl::SetTabStop(bool Value) {
  if (FTabStop == Value) return;
  FTabStop = Value;
  if (FHandle) {
    LONG_PTR style = GetWindowLongPtrA(FHandle, GWL_STYLE);
    SetWindowLongPtrA(FHandle, GWL_STYLE, Value ? style | WS_TABSTOP : style & ~LONG_PTR(WS_TABSTOP));
  }
  Perform(CM_TABSTOPCHANGED, 0, 0);
}

void TWinControl::GetTabOrderList(std::vector<TWinControl*>& List) {
  for (TWinControl* control : FTabList) {
    List.push_back(control);
    control->GetTabOrderList(List);
  }
}

TWinControl* TWinControl::FindNextControl(TWinControl* CurControl, bool GoForward, bool CheckTabStop,
                                          bool CheckParent) {
  std::vector<TWinControl*> list;
  GetTabOrderList(list);
  if (list.empty()) return nullptr;
  const int count = static_cast<int>(list.size());
  auto found = std::find(list.begin(), list.end(), CurControl);
  int start = found == list.end() ? (GoForward ? count - 1 : 0) : static_cast<int>(found - list.begin());
  int i = start;
  do {
    if (GoForward) {
      if (++i == count) i = 0;
    } else {
      if (i == 0) i = count;
      --i;
    }
    TWinControl* candidate = list[static_cast<size_t>(i)];
    if (candidate->CanFocus() && (!CheckTabStop || candidate->FTabStop) &&
        (!CheckParent || candidate->FParent == this))
      return candidate;
  } while (i != start);
  return nullptr;
}

void TWinControl::SelectNext(TWinControl* CurControl, bool GoForward, bool CheckTabStop) {
  if (TWinControl* next = FindNextControl(CurControl, GoForward, CheckTabStop, !CheckTabStop))
    next->SetFocus();
}

void TWinControl::DoEnter() {
  if (OnEnter) OnEnter(this);
}

void TWinControl::DoExit() {
  if (OnExit) OnExit(this);
}

void TWinControl::CMEnter(TMessage&) { DoEnter(); }
void TWinControl::CMExit(TMessage&) { DoExit(); }
void TWinControl::CMFocusChanged(TMessage& Message) { Broadcast(Message); }
void TWinControl::CMDialogKey(TMessage& Message) { Broadcast(Message); }
void TWinControl::CMDialogChar(TMessage& Message) { Broadcast(Message); }

void TWinControl::CMChildKey(TMessage& Message) {
  if (FParent) {
    TWndMethod proc = FParent->WindowProc;
    proc(Message);
  }
}

// ---------------------------------------------------------------------------------------
// Keys

void TWinControl::KeyDown(uint16_t& Key, TShiftState Shift) {
  if (OnKeyDown) OnKeyDown(this, Key, Shift);
}

void TWinControl::KeyUp(uint16_t& Key, TShiftState Shift) {
  if (OnKeyUp) OnKeyUp(this, Key, Shift);
}

void TWinControl::KeyPress(char& Key) {
  if (OnKeyPress) OnKeyPress(this, Key);
}

bool TWinControl::DoKeyEvent(TMessage& Message, bool (TWinControl::*FormFirst)(TMessage&),
                             void (TWinControl::*Handler)(uint16_t&, TShiftState)) {
  TCustomForm* form = GetParentForm(this);
  if (form && form != this && form->GetKeyPreview() && (form->*FormFirst)(Message)) return true;
  if (!FControlStyle.Contains(csNoStdEvents)) {
    TWMKey key(Message);
    uint16_t code = key.GetCharCode();
    (this->*Handler)(code, KeyDataToShiftState(key.GetKeyData()));
    key.SetCharCode(code);
    if (code == 0) return true;
  }
  return false;
}

bool TWinControl::DoKeyDown(TMessage& Message) {
  return DoKeyEvent(Message, &TWinControl::DoKeyDown, &TWinControl::KeyDown);
}

bool TWinControl::DoKeyUp(TMessage& Message) {
  return DoKeyEvent(Message, &TWinControl::DoKeyUp, &TWinControl::KeyUp);
}

bool TWinControl::DoKeyPress(TMessage& Message) {
  TCustomForm* form = GetParentForm(this);
  if (form && form != this && form->GetKeyPreview() && form->DoKeyPress(Message)) return true;
  if (!FControlStyle.Contains(csNoStdEvents)) {
    TWMKey key(Message);
    char ch = static_cast<char>(key.GetCharCode());
    KeyPress(ch);
    key.SetCharCode(static_cast<uint8_t>(ch));
    if (ch == 0) return true;
  }
  return false;
}

void TWinControl::WMKeyDown(TMessage& Message) {
  if (!DoKeyDown(Message)) DefaultHandler(Message);
}

void TWinControl::WMKeyUp(TMessage& Message) {
  if (!DoKeyUp(Message)) DefaultHandler(Message);
}

void TWinControl::WMChar(TMessage& Message) {
  if (!DoKeyPress(Message)) DefaultHandler(Message);
}

bool TWinControl::IsMenuKey(TMessage& Message) {
  TWMKey key(Message);
  for (TControl* control = this; control; control = control->FParent)
    if (TPopupMenu* menu = control->GetPopupMenu(); menu && menu->IsShortCut(key)) return true;
  if (TCustomForm* form = GetParentForm(this); form && form->IsShortCut(key)) return true;
  if (Application &&
      SendMessageA(Application->GetHandle(), CM_APPKEYDOWN, Message.WParam, Message.LParam) != 0)
    return true;
  return false;
}

void TWinControl::CNKeyDown(TMessage& Message) {
  Message.Result = 1;
  if (IsMenuKey(Message)) return;
  if (Perform(CM_CHILDKEY, Message.WParam, reinterpret_cast<NativeInt>(this)) != 0) return;
  UINT mask = 0;
  switch (Message.WParam) {
    case VK_TAB: mask = DLGC_WANTTAB; break;
    case VK_LEFT:
    case VK_RIGHT:
    case VK_UP:
    case VK_DOWN: mask = DLGC_WANTARROWS; break;
    case VK_RETURN:
    case VK_EXECUTE:
    case VK_ESCAPE:
    case VK_CANCEL: mask = DLGC_WANTALLKEYS; break;
  }
  if (mask != 0 && Perform(CM_WANTSPECIALKEY, Message.WParam, 0) == 0 &&
      (Perform(WM_GETDLGCODE, 0, 0) & mask) == 0) {
    if (TCustomForm* form = GetParentForm(this);
        form && form->Perform(CM_DIALOGKEY, Message.WParam, Message.LParam) != 0)
      return;
  }
  Message.Result = 0;
}

void TWinControl::CNKeyUp(TMessage& Message) { Message.Result = 0; }

void TWinControl::CNChar(TMessage& Message) {
  Message.Result = 1;
  if ((Perform(WM_GETDLGCODE, 0, 0) & DLGC_WANTCHARS) == 0) {
    if (TCustomForm* form = GetParentForm(this);
        form && form->Perform(CM_DIALOGCHAR, Message.WParam, Message.LParam) != 0)
      return;
  }
  Message.Result = 0;
}

void TWinControl::CNSysKeyDown(TMessage& Message) {
  Message.Result = 1;
  if (IsMenuKey(Message)) return;
  Message.Result = 0;
}

void TWinControl::CNSysChar(TMessage& Message) {
  if (Message.WParam != VK_SPACE) {
    if (TCustomForm* form = GetParentForm(this))
      Message.Result = form->Perform(CM_DIALOGCHAR, Message.WParam, Message.LParam);
  }
}
