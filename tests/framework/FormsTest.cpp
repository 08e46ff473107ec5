// Forms and the application: modal forms ending with their button's result, closing
// through OnCloseQuery and OnClose, forms released from their own handlers, the form
// events, the application window (taskbar owner; minimising it), the screen's lists and
// cursors, MDI, actions updated at idle, and the window class named after the form.
#include <gtest/gtest.h>

#include <algorithm>

#include "tests/framework/FormTestSupport.h"
#include "tests/framework/TestControls.h"

namespace {

TTestButton* ButtonOn(TWinControl* Parent, const char* Name, int Left, TModalResult Result = mrNone) {
  auto* b = new TTestButton(Parent);
  b->SetName(Name);
  b->SetCaption(Name);
  b->SetBounds(Left, 10, 60, 24);
  b->ModalResult = Result;
  b->SetParent(Parent);
  return b;
}

void ClickOn(TInputDriver& Input, TControl* Control) {
  Input.Add([Control] {
    // The control shows once a modal loop has started; wait for it.
    for (int i = 0; i < 300; ++i) {
      TCustomForm* form = GetParentForm(Control);
      if (form && form->HandleAllocated() && IsWindowVisible(form->GetHandle())) break;
      Sleep(10);
    }
    TPoint p = ScreenPoint(Control, 5, 5);
    MoveMouseTo(p.X, p.Y);
  });
  Input.Add([] {
    MouseButton(true);
    MouseButton(false);
  });
}

class TfrmMainFormLumetra : public TTestForm {
 public:
  using TTestForm::TTestForm;
};

}  // namespace

TEST(Forms, ShowModalReturnsTheModalResultOfTheButtonThatClosedIt) {
  TOwned<TTestForm> main(new TTestForm(Application, 300, 100));
  TTestButton* open = ButtonOn(main.get(), "open", 10);
  TOwned<TTestForm> dialog(new TTestForm(Application, 250, 80));
  dialog->SetPosition(poMainFormCenter);
  TTestButton* ok = ButtonOn(dialog.get(), "ok", 10, mrOk);
  TTestButton* cancel = ButtonOn(dialog.get(), "cancel", 100, mrCancel);
  cancel->Cancel = true;
  std::vector<int> results;
  bool mainDisabled = false;
  dialog->OnShow = [&](TObject*) { mainDisabled = !IsWindowEnabled(main->GetHandle()); };
  open->OnClick = [&](TObject*) { results.push_back(dialog->ShowModal()); };
  ok->HandleNeeded();  // the input thread finds the dialog's windows made already
  cancel->HandleNeeded();
  main->Show();
  SetForegroundWindow(main->GetHandle());
  PumpFor(50);

  TInputDriver input;
  ClickOn(input, open);
  ClickOn(input, ok);
  input.Run();
  ASSERT_EQ(1u, results.size());
  EXPECT_EQ(mrOk, results[0]);
  EXPECT_TRUE(mainDisabled);
  EXPECT_TRUE(IsWindowEnabled(main->GetHandle()));
  EXPECT_FALSE(dialog->GetVisible());
  EXPECT_FALSE(IsWindowVisible(dialog->GetHandle()));
  EXPECT_FALSE(dialog->GetFormState().Contains(fsModal));

  // Escape (the cancel button as a dialog key), and a close query that refuses once.
  int queries = 0;
  dialog->OnCloseQuery = [&](TObject*, bool& CanClose) { CanClose = ++queries > 1; };
  ClickOn(input, open);
  input.Add([&] {
    for (int i = 0; i < 300 && !IsWindowVisible(dialog->GetHandle()); ++i) Sleep(10);
    TypeKey(VK_ESCAPE);
  });
  input.Add([] { TypeKey(VK_ESCAPE); });
  input.Run();
  ASSERT_EQ(2u, results.size());
  EXPECT_EQ(mrCancel, results[1]);
  EXPECT_EQ(2, queries);
  Screenshot(main->GetHandle(), "modal-main");

  // A visible form cannot be shown modally.
  EXPECT_THROW(main->ShowModal(), EInvalidOperation);
}

TEST(Forms, CloseAsksThenActsAndAReleasedFormGoesAfterItsHandler) {
  struct Case {
    const char* name;
    bool canClose;
    TCloseAction action;
    bool visible, iconic, freed;
  };
  const Case cases[] = {
      {"refused", false, caHide, true, false, false},
      {"none", true, caNone, true, false, false},
      {"hide", true, caHide, false, false, false},
      {"minimize", true, caMinimize, true, true, false},
      {"free", true, caFree, false, false, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    auto* form = new TTestForm(Application, 200, 80);
    bool destroyed = false;
    form->OnDestroy = [&](TObject*) { destroyed = true; };
    form->OnCloseQuery = [&](TObject*, bool& CanClose) { CanClose = c.canClose; };
    form->OnClose = [&](TObject*, TCloseAction& Action) {
      EXPECT_EQ(caHide, Action);
      Action = c.action;
    };
    form->Show();
    PumpFor(30);
    HWND wnd = form->GetHandle();
    form->Close();
    PumpFor(50);
    EXPECT_EQ(c.freed, destroyed);
    if (!c.freed) {
      EXPECT_EQ(c.visible, form->GetVisible());
      EXPECT_EQ(c.iconic, IsIconic(wnd) != FALSE);
      form->Free();
    } else {
      EXPECT_FALSE(IsWindow(wnd));
      for (int i = 0; i < Screen->GetFormCount(); ++i) EXPECT_NE(wnd, Screen->GetForm(i)->GetHandle());
    }
  }

  // Released from its own button's click: the form goes once the click is handled.
  auto* form = new TTestForm(Application, 200, 80);
  TTestButton* close = ButtonOn(form, "close", 10);
  bool destroyed = false;
  bool clickReturned = false;
  form->OnDestroy = [&](TObject*) {
    destroyed = true;
    EXPECT_TRUE(clickReturned);
  };
  close->OnClick = [&](TObject*) {
    form->Release();
    PumpFor(0);
    clickReturned = true;
  };
  form->Show();
  SetForegroundWindow(form->GetHandle());
  HWND wnd = form->GetHandle();
  TInputDriver input;
  ClickOn(input, close);
  input.Run();
  PumpUntil([&] { return destroyed; }, 2000);
  EXPECT_TRUE(destroyed);
  EXPECT_FALSE(IsWindow(wnd));
}

TEST(Forms, RunEndsWhenTheMainFormClosesAndTheFormEventsCome) {
  std::vector<std::string> events;
  auto* main = new TfrmMainFormLumetra(Application, 200, 100);
  main->OnCreate = [&](TObject*) { events.push_back("create"); };  // set after loading: not fired
  // A form built with its events set while loading fires OnCreate when complete.
  struct TEventForm : TForm {
    explicit TEventForm(TComponent* AOwner, std::vector<std::string>& Events) : TForm(AOwner) {
      TComponentLoading loading(this);
      OnCreate = [&Events](TObject*) { Events.push_back("create"); };
      loading.Finish();
    }
  };
  TOwned<TEventForm> other(new TEventForm(Application, events));
  EXPECT_EQ((std::vector<std::string>{"create"}), events);
  events.clear();
  // The window class is the form's class name (the running program is found by it).
  char name[64] = {};
  GetClassNameA(main->GetHandle(), name, sizeof(name));
  EXPECT_STREQ("TfrmMainFormLumetra", name);
  // The application window owns the forms (the program's taskbar entry).
  EXPECT_EQ(Application->GetHandle(), GetWindow(main->GetHandle(), GW_OWNER));

  main->OnShow = [&](TObject*) { events.push_back("show"); };
  main->OnActivate = [&](TObject*) { events.push_back("activate"); };
  main->OnPaint = [&](TObject*) {
    if (std::find(events.begin(), events.end(), "paint") == events.end()) events.push_back("paint");
  };
  main->OnCloseQuery = [&](TObject*, bool& CanClose) { events.push_back("closequery"); };
  main->OnClose = [&](TObject*, TCloseAction&) { events.push_back("close"); };
  main->OnHide = [&](TObject*) { events.push_back("hide"); };
  main->OnDestroy = [&](TObject*) { events.push_back("destroy"); };
  Application->SetMainForm(main);
  HWND mainWnd = main->GetHandle();
  std::thread closer([&] {
    for (int i = 0; i < 300 && !IsWindowVisible(mainWnd); ++i) Sleep(10);
    Sleep(100);
    PostMessageA(mainWnd, WM_CLOSE, 0, 0);
  });
  Application->Run();
  closer.join();
  EXPECT_TRUE(Application->GetTerminated());
  EXPECT_EQ(main, Application->GetMainForm());
  main->Free();
  EXPECT_EQ(nullptr, Application->GetMainForm());
  const std::vector<std::string> expected = {"show", "activate", "paint", "closequery", "close",
                                             "hide", "destroy"};
  EXPECT_EQ(expected, events);
}

TEST(Forms, TheApplicationWindowIsMinimisedForTheMainForm) {
  TOwned<TTestForm> main(new TTestForm(Application, 200, 100));
  Application->SetMainForm(main.get());
  std::vector<WPARAM> sizes;
  int hook = Application->HookMainWindow([&](TMessage& Message) {
    if (Message.Msg == WM_SIZE) sizes.push_back(Message.WParam);
    return false;
  });
  int minimized = 0, restored = 0;
  Application->OnMinimize = [&](TObject*) { ++minimized; };
  Application->OnRestore = [&](TObject*) { ++restored; };
  main->Show();
  PumpFor(50);
  EXPECT_TRUE(IsWindowVisible(Application->GetHandle())) << "shown with the first visible form";
  // The main form's minimize command minimises the application window instead.
  SendMessageA(main->GetHandle(), WM_SYSCOMMAND, SC_MINIMIZE, 0);
  PumpFor(100);
  EXPECT_TRUE(IsIconic(Application->GetHandle()));
  EXPECT_NE(sizes.end(), std::find(sizes.begin(), sizes.end(), WPARAM(SIZE_MINIMIZED)));
  EXPECT_EQ(1, minimized);
  EXPECT_FALSE(IsIconic(main->GetHandle()));
  EXPECT_EQ(wsNormal, main->GetWindowState());
  // The owned main form is hidden with its minimised owner (Wine leaves owned windows
  // shown; the application hides them itself).
  EXPECT_FALSE(IsWindowVisible(main->GetHandle()));
  Application->Restore();
  PumpFor(100);
  EXPECT_FALSE(IsIconic(Application->GetHandle()));
  EXPECT_TRUE(IsWindowVisible(main->GetHandle()));
  EXPECT_EQ(1, restored);
  Application->UnhookMainWindow(hook);
  Application->OnMinimize = nullptr;
  Application->OnRestore = nullptr;
  Application->SetMainForm(nullptr);
  main->Hide();
  PumpFor(30);
  EXPECT_FALSE(IsWindowVisible(Application->GetHandle())) << "hidden with the last form";
}

TEST(Forms, RestoringFromTheTrayShowsTheOtherFormsAgain) {
  TOwned<TTestForm> main(new TTestForm(Application, 200, 100));
  TOwned<TTestForm> second(new TTestForm(Application, 150, 80));
  Application->SetMainForm(main.get());
  main->Show();
  second->Show();
  PumpFor(50);
  HWND app = Application->GetHandle();
  // To the tray: the application minimises, then the tray icon hides the main form and
  // the application window.
  Application->Minimize();
  main->SetVisible(false);
  ShowWindow(app, SW_HIDE);
  PumpFor(50);
  EXPECT_FALSE(IsWindowVisible(second->GetHandle()));
  // Back from the tray: the application window first, then the main form, then Restore.
  ShowWindow(app, SW_RESTORE);
  main->SetVisible(true);
  Application->Restore();
  PumpFor(100);
  EXPECT_FALSE(IsIconic(app));
  EXPECT_TRUE(IsWindowVisible(main->GetHandle()));
  EXPECT_TRUE(IsWindowVisible(second->GetHandle())) << "the second form is back too";
  EXPECT_TRUE(second->GetVisible());
  // A second Restore does nothing more.
  int restored = 0;
  Application->OnRestore = [&](TObject*) { ++restored; };
  Application->Restore();
  EXPECT_EQ(0, restored);
  Application->OnRestore = nullptr;
  Application->SetMainForm(nullptr);
  second->Hide();
  main->Hide();
  PumpFor(30);
}

TEST(Forms, TheScreenListsFormsByFocusAndKeepsTheCursors) {
  TOwned<TTestForm> first(new TTestForm(Application, 200, 100));
  TOwned<TTestForm> second(new TTestForm(Application, 200, 100));
  second->SetLeft(350);
  TTestButton* b1 = ButtonOn(first.get(), "b1", 10);
  TTestButton* b2 = ButtonOn(second.get(), "b2", 10);
  int formChanges = 0, controlChanges = 0;
  Screen->OnActiveFormChange = [&](TObject*) { ++formChanges; };
  Screen->OnActiveControlChange = [&](TObject*) { ++controlChanges; };
  first->Show();
  second->Show();
  // A window of another program may take the foreground for a moment on a busy display:
  // the request is made again until the form holds it.
  auto activate = [](TForm* Form, TWinControl* Control) {
    for (int attempt = 0; attempt < 10 && !Control->Focused(); ++attempt) {
      SetForegroundWindow(Form->GetHandle());
      PumpUntil([&] { return Control->Focused(); }, 1000);
    }
  };
  activate(first.get(), b1);
  EXPECT_EQ(first.get(), Screen->GetActiveForm());
  EXPECT_EQ(b1, Screen->GetActiveControl());
  EXPECT_EQ(static_cast<TForm*>(first.get()), Screen->GetForm(0));
  activate(second.get(), b2);
  EXPECT_EQ(second.get(), Screen->GetActiveForm());
  EXPECT_EQ(b2, Screen->GetActiveControl());
  EXPECT_EQ(static_cast<TForm*>(second.get()), Screen->GetForm(0));
  EXPECT_EQ(static_cast<TForm*>(first.get()), Screen->GetForm(1));
  EXPECT_GE(formChanges, 2);
  EXPECT_GE(controlChanges, 2);
  Screen->OnActiveFormChange = nullptr;
  Screen->OnActiveControlChange = nullptr;
  EXPECT_EQ(GetSystemMetrics(SM_CXSCREEN), Screen->GetWidth());
  EXPECT_EQ(GetSystemMetrics(SM_CYSCREEN), Screen->GetHeight());

  // Cursors: the system's at their indexes, the program's where it puts them.
  EXPECT_EQ(LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_IBEAM)), Screen->GetCursors(crIBeam));
  EXPECT_EQ(LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW)), Screen->GetCursors(42));
  const BYTE andMask[32 * 4] = {}, xorMask[32 * 4] = {};
  HCURSOR made = CreateCursor(GetModuleHandleA(nullptr), 0, 0, 32, 32, andMask, xorMask);
  HCURSOR other = CreateCursor(GetModuleHandleA(nullptr), 1, 1, 32, 32, andMask, xorMask);
  Screen->SetCursors(1, made);
  EXPECT_EQ(made, Screen->GetCursors(1));
  Screen->SetCursors(1, other);  // the one replaced is destroyed
  EXPECT_EQ(other, Screen->GetCursors(1));
  ICONINFO info = {};
  EXPECT_FALSE(GetIconInfo(made, &info));
  Screen->SetCursors(1, nullptr);
  EXPECT_EQ(LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW)), Screen->GetCursors(1));
  // A control's cursor shows over it.
  b2->SetCursor(crHandPoint);
  TInputDriver input;
  // From outside the button first: a pointer that is already there sends no move.
  input.Add([&] {
    TPoint p = ScreenPoint(b2, 5, 5);
    MoveMouseTo(p.X, p.Y - 40);
  });
  input.Add([&] {
    TPoint p = ScreenPoint(b2, 5, 5);
    MoveMouseTo(p.X, p.Y);
  });
  input.Run();
  CURSORINFO ci = {sizeof(ci)};
  GetCursorInfo(&ci);
  EXPECT_EQ(Screen->GetCursors(crHandPoint), ci.hCursor);
}

TEST(Forms, AnMdiFormHoldsItsChildrenInItsClientWindow) {
  TOwned<TTestForm> frame(new TTestForm(Application, 400, 300));
  frame->SetFormStyle(fsMDIForm);
  auto* bar = new TTestPanel(frame.get());
  bar->SetHeight(30);
  bar->SetAlign(alTop);
  bar->SetParent(frame.get());
  Application->SetMainForm(frame.get());
  frame->Show();
  PumpFor(30);
  HWND client = frame->GetClientHandle();
  ASSERT_NE(nullptr, client);
  char name[32] = {};
  GetClassNameA(client, name, sizeof(name));
  EXPECT_STREQ("MDIClient", name) << "(case as the system names it)";
  RECT r;
  GetWindowRect(client, &r);
  MapWindowPoints(nullptr, frame->GetHandle(), reinterpret_cast<POINT*>(&r), 2);
  EXPECT_EQ(30, r.top) << "the client takes what the aligned controls leave";
  auto* child1 = new TTestForm(Application, 150, 100);
  child1->SetFormStyle(fsMDIChild);
  child1->Show();
  auto* child2 = new TTestForm(Application, 150, 100);
  child2->SetFormStyle(fsMDIChild);
  child2->Show();
  PumpFor(50);
  EXPECT_EQ(client, GetParent(child1->GetHandle()));
  EXPECT_EQ(2, frame->GetMDIChildCount());
  EXPECT_EQ(child2, frame->GetActiveMDIChild());
  frame->Next();
  PumpFor(20);
  EXPECT_EQ(child1, frame->GetActiveMDIChild());
  Screenshot(frame->GetHandle(), "mdi");
  EXPECT_THROW(child1->Hide(), EInvalidOperation);
  child2->Free();
  PumpFor(20);
  EXPECT_EQ(1, frame->GetMDIChildCount());
  child1->Free();
  Application->SetMainForm(nullptr);
}

TEST(Forms, ActionsUpdateAtIdleAndRunForControlsWithoutOnClick) {
  TOwned<TTestForm> form(new TTestForm(Application, 200, 100));
  TTestButton* button = ButtonOn(form.get(), "button", 10);
  auto* action = new TBasicAction(form.get());
  int updates = 0;
  std::vector<TComponent*> executedFor;
  action->OnUpdate = [&](TObject*) { ++updates; };
  action->OnExecute = [&](TObject* Sender) {
    executedFor.push_back(static_cast<TBasicAction*>(Sender)->GetActionComponent());
  };
  button->SetAction(action);
  EXPECT_TRUE(button->GetControlStyle().Contains(csActionClient));
  form->Show();
  PumpUntil([&] { return updates > 0; });
  EXPECT_GT(updates, 0);
  TInputDriver input;
  ClickOn(input, button);
  input.Run();
  EXPECT_EQ((std::vector<TComponent*>{button}), executedFor);
  // A hidden control's action is not updated; a freed action is forgotten.
  button->SetVisible(false);
  PumpFor(50);
  int before = updates;
  PumpFor(100);
  EXPECT_EQ(before, updates);
  action->Free();
  EXPECT_EQ(nullptr, button->GetAction());
  EXPECT_FALSE(button->GetControlStyle().Contains(csActionClient));
}
