// Popup menus shown as Windows popups from their trees, driven by real input: an abort in
// OnPopup cancels the popup, the menu shows the tree as it stands once the items' actions
// updated (hidden items left out, disabled ones grey), accelerators and submenus choose
// items, and items with OnDrawItem draw themselves.
#include <gtest/gtest.h>

#include "framework/Menus.h"
#include "tests/framework/ControlTestSupport.h"
#include "tests/framework/TestControls.h"

namespace {

TMenuItem* NewItem(TComponent* Owner, TMenuItem* Parent, const char* Caption) {
  auto* item = new TMenuItem(Owner);
  item->SetCaption(Caption);
  Parent->Add(item);
  return item;
}

// A right click on the control (from the input thread).
void RightClick(TControl* Control) {
  TPoint p = ScreenPoint(Control, 10, 10);
  ClickAt(p.X, p.Y, true);
}

// The Windows menu that shows now, from the input thread (nullptr when none comes).
HMENU ShownMenu(DWORD TimeoutMs = 3000) {
  HWND wnd = WaitForTopWindow("#32768", nullptr, TimeoutMs);
  if (!wnd) return nullptr;
  Sleep(200);  // painted
  return reinterpret_cast<HMENU>(SendMessageA(wnd, MN_GETHMENU, 0, 0));
}

TTestPanel* PanelOn(TTestForm* Form) {
  auto* panel = new TTestPanel(Form);
  panel->SetBounds(10, 10, 200, 150);
  panel->SetParent(Form);
  return panel;
}

void ShowAndFocus(TTestForm* Form) {
  Form->Show();
  SetForegroundWindow(Form->GetHandle());
  PumpFor(50);
}

// A window the way a menu draws its own popups: top-level, no form, never active.
class TTestPopupWindow : public TTestPanel {
 public:
  using TTestPanel::TTestPanel;

 protected:
  void CreateParams(TCreateParams& Params) override {
    TTestPanel::CreateParams(Params);
    Params.Style = WS_POPUP | WS_BORDER;
    Params.ExStyle = WS_EX_TOOLWINDOW | WS_EX_TOPMOST;
    Params.WndParent = Application->GetHandle();
  }
};

}  // namespace

TEST(PopupMenu, AnAbortInOnPopupCancelsThePopup) {
  TFailOnException failures;
  TOwned<TTestForm> form(new TTestForm(Application, 300, 200));
  TTestPanel* panel = PanelOn(form.get());
  auto* menu = new TPopupMenu(form.get());
  int clicks = 0;
  TMenuItem* item = NewItem(form.get(), menu->GetItems(), "&Jump to");
  item->OnClick = [&](TObject*) { ++clicks; };
  panel->SetPopupMenu(menu);
  int popups = 0;
  menu->OnPopup = [&](TObject* Sender) {
    EXPECT_EQ(menu, Sender);
    EXPECT_EQ(panel, menu->GetPopupComponent());
    ++popups;
    Abort();
  };
  ShowAndFocus(form.get());

  TInputDriver input;
  HMENU shown = nullptr;
  input.Add([&] {
    RightClick(panel);
    shown = ShownMenu(500);
    if (shown) TypeKey(VK_ESCAPE);
  });
  input.Run();
  EXPECT_EQ(1, popups);
  EXPECT_EQ(nullptr, shown);
  EXPECT_EQ(0, clicks);
  // Called by the program, the abort reaches the caller.
  EXPECT_THROW(menu->Popup(50, 50), EAbort);
  EXPECT_EQ(nullptr, TPopupMenu::ShowingMenu());
}

TEST(PopupMenu, ShowsTheTreeAfterItsActionsUpdateAndChoosesByKeysAndSubmenus) {
  TFailOnException failures;
  TOwned<TTestForm> form(new TTestForm(Application, 300, 200));
  TTestPanel* panel = PanelOn(form.get());
  auto* menu = new TPopupMenu(form.get());
  auto* action = new TAction(form.get());
  action->SetCaption("&Jump to");
  bool jumpAllowed = false;
  action->OnUpdate = [&](TObject*) { action->SetEnabled(jumpAllowed); };
  TEventLog log;
  action->OnExecute = [&](TObject*) { log("jump"); };
  TMenuItem* jump = NewItem(form.get(), menu->GetItems(), "");
  jump->SetAction(action);
  NewItem(form.get(), menu->GetItems(), "&Hidden")->SetVisible(false);
  TMenuItem* loop = NewItem(form.get(), menu->GetItems(), "&Loop");
  const char* modes[] = {"No Repeating", "Item Repeating", "Playlist Repeating"};
  for (int i = 0; i < 3; ++i) {
    TMenuItem* mode = NewItem(form.get(), loop, modes[i]);
    mode->SetRadioItem(true);
    mode->SetChecked(i == 0);
    mode->OnClick = [&log, i](TObject*) { log("mode " + std::to_string(i)); };
  }
  NewItem(form.get(), menu->GetItems(), "-");
  TMenuItem* drawn = NewItem(form.get(), menu->GetItems(), "&Drawn");
  drawn->OnDrawItem = [&](TObject* Sender, TCanvas* Canvas, TRect Rect, bool Selected) {
    EXPECT_EQ(drawn, Sender);
    Canvas->GetBrush()->SetColor(Selected ? clBlue : clLime);
    Canvas->FillRect(Rect);
  };
  drawn->OnClick = [&](TObject*) { log("drawn"); };
  panel->SetPopupMenu(menu);
  ShowAndFocus(form.get());

  TInputDriver input;
  int shownCount = -1;
  UINT jumpState = 0;
  TColor drawnPixel = clNone;
  // One step for the whole popup: while the menu is open the program is never idle.
  input.Add([&] {
    RightClick(panel);
    HMENU shown = ShownMenu();
    if (!shown) return;
    shownCount = GetMenuItemCount(shown);
    MENUITEMINFOA info = {};
    info.cbSize = sizeof(info);
    info.fMask = MIIM_STATE;
    GetMenuItemInfoA(shown, 0, TRUE, &info);
    jumpState = info.fState;
    RECT r;
    if (GetMenuItemRect(nullptr, shown, 3, &r)) drawnPixel = ScreenPixel(TPoint(r.left + 3, r.top + 3));
    RECT shot;
    GetWindowRect(form->GetHandle(), &shot);
    ScreenshotRect(shot, "popup-menu");
    TypeKey('J');  // a disabled item: nothing
    Sleep(100);
    TypeKey('L');  // opens the submenu
    Sleep(200);
    TypeKey(VK_DOWN);
    TypeKey(VK_DOWN);
    Sleep(100);
    TypeKey(VK_RETURN);  // the third mode
  });
  input.Run();
  EXPECT_EQ(4, shownCount);  // the hidden item is left out
  EXPECT_TRUE(jumpState & MFS_GRAYED);
  EXPECT_EQ(clLime, drawnPixel);
  EXPECT_EQ("mode 2", log.Text());

  // Allowed now: the accelerator runs the action; an item that draws itself is chosen
  // by its accelerator too.
  jumpAllowed = true;
  log.Clear();
  input.Add([&] {
    RightClick(panel);
    if (ShownMenu()) TypeKey('J');
  });
  input.Add([&] {
    RightClick(panel);
    if (ShownMenu()) TypeKey('D');
  });
  input.Run();
  EXPECT_EQ("jump drawn", log.Text());
}

TEST(PopupWindow, ATopLevelControlShowsWithoutActivationAndHidesThroughVisibleShowAndHide) {
  TOwned<TTestForm> form(new TTestForm(Application));
  ShowAndFocus(form.get());
  ASSERT_EQ(form->GetHandle(), GetActiveWindow());
  TOwned<TTestPopupWindow> popup(new TTestPopupWindow(nullptr));
  popup->SetVisible(false);
  EXPECT_FALSE(popup->HandleAllocated()) << "a hidden popup needs no window yet";
  popup->SetBounds(150, 150, 120, 80);
  auto* item = new TTestPanel(popup.get());
  item->SetBounds(5, 5, 50, 20);
  item->SetParent(popup.get());

  struct TStep {
    const char* Name;
    std::function<void()> Do;
    bool Shown;
  };
  TTestPopupWindow* p = popup.get();
  const TStep steps[] = {
      {"Visible := true", [p] { p->SetVisible(true); }, true},
      {"Hide", [p] { p->Hide(); }, false},
      {"Show", [p] { p->Show(); }, true},
      {"Visible := false", [p] { p->SetVisible(false); }, false},
  };
  for (const TStep& step : steps) {
    SCOPED_TRACE(step.Name);
    step.Do();
    PumpFor(30);
    ASSERT_TRUE(popup->HandleAllocated());
    EXPECT_EQ(step.Shown, IsWindowVisible(popup->GetHandle()) != FALSE);
    EXPECT_EQ(step.Shown, popup->GetShowing());
    EXPECT_EQ(step.Shown, item->HandleAllocated() && IsWindowVisible(item->GetHandle()));
    EXPECT_EQ(form->GetHandle(), GetActiveWindow()) << "the popup never activates";
  }

  // A control without parent whose window would be a child window is no popup: making it
  // visible makes no window (and raises nothing).
  TOwned<TTestPanel> orphan(new TTestPanel(nullptr));
  orphan->SetVisible(false);
  orphan->SetVisible(true);
  EXPECT_FALSE(orphan->HandleAllocated());
}
