// The page control and its tab sheets, the track bar and the up-down control.
#include <algorithm>

#include "framework/ComCtrls.h"
#include "framework/Forms.h"
#include "framework/TypInfo.h"

#include <commctrl.h>

// ---------------------------------------------------------------------------------------
// TTabSheet

TTabSheet::TTabSheet(TComponent* AOwner) : TWinControl(AOwner) {
  SetControlStyle(GetControlStyle() + TControlStyle{csAcceptsControls});
  SetVisible(false);
  SetAlign(alClient);
}

void TTabSheet::BeforeDestruction() {
  if (FPageControl) FPageControl->RemovePage(this);
  TWinControl::BeforeDestruction();
}

void TTabSheet::PublishProperties(TPropList& Props) const {
  TWinControl::PublishProperties(Props);
  Props.String("Caption", &TControl::GetCaption, &TControl::SetCaption, "TCaption");
  Props.String("Hint", &TControl::GetHint, &TControl::SetHint);
}

void TTabSheet::CreateParams(TCreateParams& Params) {
  TWinControl::CreateParams(Params);
  Params.WindowClass.style &= ~UINT(CS_HREDRAW | CS_VREDRAW);
}

void TTabSheet::SetPageControl(TPageControl* Value) {
  if (FPageControl == Value) return;
  if (FPageControl) FPageControl->RemovePage(this);
  FSettingParent = true;
  try {
    TWinControl::SetParent(Value);
  } catch (...) {
    FSettingParent = false;
    throw;
  }
  FSettingParent = false;
  if (Value) Value->InsertPage(this);
}

void TTabSheet::SetParent(TWinControl* AParent) {
  if (FSettingParent) {
    TWinControl::SetParent(AParent);
    return;
  }
  if (auto* pages = dynamic_cast<TPageControl*>(AParent)) {
    SetPageControl(pages);
    return;
  }
  if (FPageControl) FPageControl->RemovePage(this);
  TWinControl::SetParent(AParent);
}

int TTabSheet::GetPageIndex() const {
  if (!FPageControl) return -1;
  auto& pages = FPageControl->FPages;
  auto found = std::find(pages.begin(), pages.end(), this);
  return found == pages.end() ? -1 : static_cast<int>(found - pages.begin());
}

void TTabSheet::SetPageIndex(int Value) {
  const int current = GetPageIndex();
  if (current < 0) return;
  auto& pages = FPageControl->FPages;
  Value = std::max(0, std::min(Value, static_cast<int>(pages.size()) - 1));
  if (Value == current) return;
  pages.erase(pages.begin() + current);
  pages.insert(pages.begin() + Value, this);
  FPageControl->UpdateTabs();
}

int TTabSheet::GetTabIndex() const {
  if (!FPageControl || !FTabVisible) return -1;
  int index = 0;
  for (TTabSheet* page : FPageControl->FPages) {
    if (page == this) return index;
    if (page->FTabVisible) ++index;
  }
  return -1;
}

void TTabSheet::SetTabVisible(bool Value) {
  if (FTabVisible == Value) return;
  FTabVisible = Value;
  if (FPageControl) FPageControl->UpdateTabs();
}

void TTabSheet::SetImageIndex(int Value) {
  if (FImageIndex == Value) return;
  FImageIndex = Value;
  if (FPageControl) FPageControl->UpdateTabs();
}

void TTabSheet::Dispatch(TMessage& Message) {
  TWinControl::Dispatch(Message);
  if (Message.Msg == CM_TEXTCHANGED && FPageControl) FPageControl->UpdateTabs();
}

// ---------------------------------------------------------------------------------------
// TPageControl

TPageControl::TPageControl(TComponent* AOwner)
    : TWinControl(AOwner), FImageChangeLink(std::make_unique<TChangeLink>()) {
  FImageChangeLink->OnChange = [this](TObject*) { UpdateTabs(); };
  SetControlStyle(TControlStyle{csAcceptsControls, csDoubleClicks});
  SetBounds(GetLeft(), GetTop(), 289, 193);
  SetTabStop(true);
  SetColor(clBtnFace);
}

TPageControl::~TPageControl() {
  for (TTabSheet* page : FPages) page->FPageControl = nullptr;
}

TTabSheet* TPageControl::GetPage(int Index) const {
  if (Index < 0 || Index >= GetPageCount()) throw EListError("List index out of bounds (%d)", {Index});
  return FPages[size_t(Index)];
}

void TPageControl::CreateParams(TCreateParams& Params) {
  TWinControl::CreateParams(Params);
  CreateSubClass(Params, WC_TABCONTROLA);
  Params.Style |= TCS_TABS | WS_CLIPCHILDREN;
  if (FMultiLine) Params.Style |= TCS_MULTILINE;
  if (FTabPosition == tpBottom) Params.Style |= TCS_BOTTOM;
  Params.WindowClass.style &= ~UINT(CS_HREDRAW | CS_VREDRAW);
}

void TPageControl::CreateWnd() {
  TWinControl::CreateWnd();
  UpdateTabs();
}

void TPageControl::AdjustClientRect(TRect& Rect) {
  if (HandleAllocated()) {
    RECT r = ToRECT(Rect);
    SendMessageA(GetHandle(), TCM_ADJUSTRECT, FALSE, reinterpret_cast<LPARAM>(&r));
    Rect = FromRECT(r);
  }
}

void TPageControl::UpdateTabs() {
  if (!HandleAllocated() || GetComponentState().Contains(csDestroying)) return;
  HWND wnd = GetHandle();
  SendMessageA(wnd, TCM_SETIMAGELIST, 0, reinterpret_cast<LPARAM>(FImages ? FImages->GetHandle() : nullptr));
  SendMessageA(wnd, TCM_DELETEALLITEMS, 0, 0);
  int index = 0;
  for (TTabSheet* page : FPages) {
    if (!page->FTabVisible) continue;
    const AnsiString caption = page->GetCaption();
    TCITEMA item = {};
    item.mask = TCIF_TEXT | TCIF_IMAGE | TCIF_PARAM;
    item.pszText = const_cast<char*>(caption.c_str());
    item.iImage = page->FImageIndex;
    item.lParam = reinterpret_cast<LPARAM>(page);
    SendMessageA(wnd, TCM_INSERTITEMA, WPARAM(index++), reinterpret_cast<LPARAM>(&item));
  }
  const int active = FActivePage ? FActivePage->GetTabIndex() : -1;
  SendMessageA(wnd, TCM_SETCURSEL, WPARAM(active), 0);
  Realign();
}

void TPageControl::ShowActivePage() {
  for (TTabSheet* page : std::vector<TTabSheet*>(FPages))
    if (page != FActivePage) page->SetVisible(false);
  if (FActivePage) {
    FActivePage->BringToFront();
    FActivePage->SetVisible(true);
  }
}

void TPageControl::InsertPage(TTabSheet* Page) {
  if (std::find(FPages.begin(), FPages.end(), Page) != FPages.end()) return;
  FPages.push_back(Page);
  Page->FPageControl = this;
  Page->FreeNotification(this);
  if (!FActivePage) {
    FActivePage = Page;
    ShowActivePage();
  }
  UpdateTabs();
}

void TPageControl::RemovePage(TTabSheet* Page) {
  auto found = std::find(FPages.begin(), FPages.end(), Page);
  if (found == FPages.end()) return;
  if (FActivePage == Page) {
    TTabSheet* next = FindNextPage(Page, true, true);
    FActivePage = next == Page ? nullptr : next;
  }
  FPages.erase(std::find(FPages.begin(), FPages.end(), Page));
  Page->FPageControl = nullptr;
  Page->RemoveFreeNotification(this);
  ShowActivePage();
  UpdateTabs();
}

void TPageControl::Notification(TComponent* AComponent, TOperation Operation) {
  TWinControl::Notification(AComponent, Operation);
  if (Operation != opRemove) return;
  if (AComponent == FImages) {
    FImages->UnRegisterChanges(FImageChangeLink.get());
    FImages = nullptr;
    UpdateTabs();
  }
  if (auto* page = dynamic_cast<TTabSheet*>(AComponent)) RemovePage(page);
}

void TPageControl::SetActivePage(TTabSheet* Value) {
  if (Value && Value->FPageControl != this) return;
  if (Value == FActivePage) return;
  FActivePage = Value;
  ShowActivePage();
  if (HandleAllocated())
    SendMessageA(GetHandle(), TCM_SETCURSEL, WPARAM(Value ? Value->GetTabIndex() : -1), 0);
}

int TPageControl::GetActivePageIndex() const { return FActivePage ? FActivePage->GetPageIndex() : -1; }

void TPageControl::SetActivePageIndex(int Value) {
  SetActivePage(Value >= 0 && Value < GetPageCount() ? FPages[size_t(Value)] : nullptr);
}

int TPageControl::GetTabIndex() const {
  if (HandleAllocated())
    return static_cast<int>(SendMessageA(const_cast<TPageControl*>(this)->GetHandle(), TCM_GETCURSEL, 0, 0));
  return FActivePage ? FActivePage->GetTabIndex() : -1;
}

void TPageControl::SetImages(TCustomImageList* Value) {
  if (ReplaceImageListReference(this, FImages, Value, FImageChangeLink.get())) UpdateTabs();
}

void TPageControl::SetMultiLine(bool Value) {
  if (FMultiLine == Value) return;
  FMultiLine = Value;
  RecreateWnd();
}

void TPageControl::SetTabPosition(TTabPosition Value) {
  if (FTabPosition == Value) return;
  FTabPosition = Value;
  RecreateWnd();
}

TTabSheet* TPageControl::FindNextPage(TTabSheet* CurrentPage, bool GoForward, bool CheckTabVisible) const {
  if (FPages.empty()) return nullptr;
  const int count = GetPageCount();
  int start = CurrentPage ? CurrentPage->GetPageIndex() : -1;
  if (start < 0) start = GoForward ? count - 1 : 0;
  int i = start;
  do {
    i = GoForward ? (i + 1) % count : (i + count - 1) % count;
    TTabSheet* page = FPages[size_t(i)];
    if (!CheckTabVisible || page->FTabVisible) return page;
  } while (i != start);
  return nullptr;
}

void TPageControl::SelectNextPage(bool GoForward) {
  TTabSheet* page = FindNextPage(FActivePage, GoForward, true);
  if (page && page != FActivePage && CanChange()) {
    SetActivePage(page);
    Change();
  }
}

TRect TPageControl::TabRect(int TabIndex) {
  RECT r = {};
  if (HandleAllocated()) SendMessageA(GetHandle(), TCM_GETITEMRECT, WPARAM(TabIndex), reinterpret_cast<LPARAM>(&r));
  return FromRECT(r);
}

bool TPageControl::CanChange() {
  bool allow = true;
  if (OnChanging) OnChanging(this, allow);
  return allow;
}

void TPageControl::Change() {
  if (OnChange) OnChange(this);
}

void TPageControl::Dispatch(TMessage& Message) {
  switch (Message.Msg) {
    case CN_NOTIFY: {
      auto* header = reinterpret_cast<NMHDR*>(Message.LParam);
      if (!header) break;
      if (header->code == TCN_SELCHANGING) {
        Message.Result = CanChange() ? FALSE : TRUE;
      } else if (header->code == TCN_SELCHANGE) {
        const int tab = static_cast<int>(SendMessageA(GetHandle(), TCM_GETCURSEL, 0, 0));
        TCITEMA item = {};
        item.mask = TCIF_PARAM;
        if (tab >= 0 && SendMessageA(GetHandle(), TCM_GETITEMA, WPARAM(tab), reinterpret_cast<LPARAM>(&item))) {
          FActivePage = reinterpret_cast<TTabSheet*>(item.lParam);
          ShowActivePage();
        }
        Change();
      }
      break;
    }
    case CM_DIALOGKEY:
      if (Message.WParam == VK_TAB && (GetKeyState(VK_CONTROL) < 0) && FActivePage) {
        SelectNextPage(GetKeyState(VK_SHIFT) >= 0);
        Message.Result = 1;
        break;
      }
      TWinControl::Dispatch(Message);
      break;
    case WM_SIZE:
      TWinControl::Dispatch(Message);
      Realign();  // the tab rows may change with the width
      break;
    default:
      TWinControl::Dispatch(Message);
      break;
  }
}

// ---------------------------------------------------------------------------------------
// TTrackBar

TTrackBar::TTrackBar(TComponent* AOwner) : TWinControl(AOwner) {
  SetBounds(GetLeft(), GetTop(), 150, 45);
  SetTabStop(true);
}

void TTrackBar::CreateParams(TCreateParams& Params) {
  TWinControl::CreateParams(Params);
  CreateSubClass(Params, TRACKBAR_CLASSA);
  Params.Style |= TBS_AUTOTICKS | (FOrientation == trVertical ? TBS_VERT | TBS_RIGHT : TBS_HORZ | TBS_BOTTOM);
  Params.WindowClass.style &= ~UINT(CS_HREDRAW | CS_VREDRAW);
}

void TTrackBar::CreateWnd() {
  TWinControl::CreateWnd();
  HWND wnd = GetHandle();
  SendMessageA(wnd, TBM_SETRANGEMIN, FALSE, FMinValue);
  SendMessageA(wnd, TBM_SETRANGEMAX, FALSE, FMaxValue);
  SendMessageA(wnd, TBM_SETTICFREQ, WPARAM(FFrequency), 0);
  SendMessageA(wnd, TBM_SETPAGESIZE, 0, FPageSize);
  SendMessageA(wnd, TBM_SETPOS, TRUE, FValue);
}

void TTrackBar::SetValue(int Value) {
  Value = std::max(FMinValue, std::min(Value, FMaxValue));
  if (Value == FValue) return;
  FValue = Value;
  if (HandleAllocated()) SendMessageA(GetHandle(), TBM_SETPOS, TRUE, Value);
  Changed();
}

void TTrackBar::SetMaxValue(int Value) {
  FMaxValue = Value;
  if (FValue > Value) FValue = Value;
  if (HandleAllocated()) {
    SendMessageA(GetHandle(), TBM_SETRANGEMAX, TRUE, Value);
    SendMessageA(GetHandle(), TBM_SETPOS, TRUE, FValue);
  }
  Invalidate();
}

void TTrackBar::SetMinValue(int Value) {
  FMinValue = Value;
  if (FValue < Value) FValue = Value;
  if (HandleAllocated()) {
    SendMessageA(GetHandle(), TBM_SETRANGEMIN, TRUE, Value);
    SendMessageA(GetHandle(), TBM_SETPOS, TRUE, FValue);
  }
  Invalidate();
}

void TTrackBar::SetOrientation(TTrackBarOrientation Value) {
  if (FOrientation == Value) return;
  FOrientation = Value;
  if (!GetComponentState().Contains(csLoading)) SetBounds(GetLeft(), GetTop(), GetHeight(), GetWidth());
  RecreateWnd();
}

void TTrackBar::SetFrequency(int Value) {
  FFrequency = std::max(1, Value);
  if (HandleAllocated()) SendMessageA(GetHandle(), TBM_SETTICFREQ, WPARAM(FFrequency), 0);
}

void TTrackBar::SetPageSize(int Value) {
  FPageSize = std::max(1, Value);
  if (HandleAllocated()) SendMessageA(GetHandle(), TBM_SETPAGESIZE, 0, FPageSize);
}

void TTrackBar::Changed() {
  if (OnChange) OnChange(this);
}

void TTrackBar::Dispatch(TMessage& Message) {
  switch (Message.Msg) {
    case CN_HSCROLL:
    case CN_VSCROLL: {
      const int position = static_cast<int>(SendMessageA(GetHandle(), TBM_GETPOS, 0, 0));
      if (position != FValue) {
        FValue = position;
        Changed();
      }
      Message.Result = 0;
      break;
    }
    default:
      TWinControl::Dispatch(Message);
      break;
  }
}

// ---------------------------------------------------------------------------------------
// TUpDown

TUpDown::TUpDown(TComponent* AOwner) : TWinControl(AOwner) {
  SetControlStyle(GetControlStyle() - TControlStyle{csDoubleClicks, csClickEvents});
  SetBounds(GetLeft(), GetTop(), 17, 25);
}

void TUpDown::CreateParams(TCreateParams& Params) {
  TWinControl::CreateParams(Params);
  CreateSubClass(Params, UPDOWN_CLASSA);
  Params.Style |= UDS_ARROWKEYS | UDS_NOTHOUSANDS;
  if (FAssociate) Params.Style |= UDS_SETBUDDYINT | UDS_ALIGNRIGHT;
  if (FWrap) Params.Style |= UDS_WRAP;
  if (FOrientation == udHorizontal) Params.Style |= UDS_HORZ;
  Params.WindowClass.style &= ~UINT(CS_HREDRAW | CS_VREDRAW);
}

void TUpDown::CreateWnd() {
  TWinControl::CreateWnd();
  HWND wnd = GetHandle();
  SendMessageA(wnd, UDM_SETRANGE32, WPARAM(FMin), FMax);
  UDACCEL accel = {0, UINT(FIncrement)};
  SendMessageA(wnd, UDM_SETACCEL, 1, reinterpret_cast<LPARAM>(&accel));
  if (FAssociate) SendMessageA(wnd, UDM_SETBUDDY, reinterpret_cast<WPARAM>(FAssociate->GetHandle()), 0);
  SendMessageA(wnd, UDM_SETPOS32, 0, FPosition);
}

void TUpDown::SetMin(int Value) {
  FMin = Value;
  if (HandleAllocated()) SendMessageA(GetHandle(), UDM_SETRANGE32, WPARAM(FMin), FMax);
}

void TUpDown::SetMax(int Value) {
  FMax = Value;
  if (HandleAllocated()) SendMessageA(GetHandle(), UDM_SETRANGE32, WPARAM(FMin), FMax);
}

int TUpDown::GetPosition() const {
  if (HandleAllocated())
    return static_cast<int>(SendMessageA(const_cast<TUpDown*>(this)->GetHandle(), UDM_GETPOS32, 0, 0));
  return FPosition;
}

void TUpDown::SetPosition(int Value) {
  FPosition = std::max(FMin, std::min(Value, FMax));
  if (HandleAllocated()) SendMessageA(GetHandle(), UDM_SETPOS32, 0, FPosition);
}

void TUpDown::SetIncrement(int Value) {
  FIncrement = Value;
  if (HandleAllocated()) {
    UDACCEL accel = {0, UINT(Value)};
    SendMessageA(GetHandle(), UDM_SETACCEL, 1, reinterpret_cast<LPARAM>(&accel));
  }
}

void TUpDown::SetWrap(bool Value) {
  if (FWrap == Value) return;
  FWrap = Value;
  RecreateWnd();
}

void TUpDown::SetOrientation(TUDOrientation Value) {
  if (FOrientation == Value) return;
  FOrientation = Value;
  RecreateWnd();
}

void TUpDown::SetAssociate(TWinControl* Value) {
  if (ReplaceComponentReference(this, FAssociate, Value)) RecreateWnd();
}

void TUpDown::Notification(TComponent* AComponent, TOperation Operation) {
  TWinControl::Notification(AComponent, Operation);
  if (Operation == opRemove && AComponent == FAssociate) {
    FAssociate = nullptr;
    if (HandleAllocated()) SendMessageA(GetHandle(), UDM_SETBUDDY, 0, 0);
  }
}

bool TUpDown::CanChange() {
  bool allow = true;
  if (OnChanging) OnChanging(this, allow);
  return allow;
}

void TUpDown::ButtonClick(TUDBtnType Button) {
  if (OnClick) OnClick(this, Button);
}

void TUpDown::Dispatch(TMessage& Message) {
  switch (Message.Msg) {
    case CN_NOTIFY: {
      auto* header = reinterpret_cast<NMHDR*>(Message.LParam);
      if (header && header->code == UDN_DELTAPOS) Message.Result = CanChange() ? FALSE : TRUE;
      break;
    }
    case CN_HSCROLL:
    case CN_VSCROLL:
      if (LOWORD(Message.WParam) == SB_THUMBPOSITION) {
        const int position = GetPosition();
        if (position > FPosition)
          ButtonClick(btNext);
        else if (position < FPosition)
          ButtonClick(btPrev);
        FPosition = position;
      }
      break;
    default:
      TWinControl::Dispatch(Message);
      break;
  }
}
