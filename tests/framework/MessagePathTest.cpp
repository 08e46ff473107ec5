// The message path: WindowProc replaced before or after the window is made, Dispatch
// with the most derived handler first, DefaultHandler reaching the window class's own
// procedure, native controls wrapped by superclassing, reflection to the child object,
// window procedures of windows without a control, windows made again inside their own
// handlers, and exceptions stopped at the native procedure.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "tests/framework/FormTestSupport.h"
#include "tests/framework/TestControls.h"

#include <commctrl.h>

namespace {

bool Contains(const std::vector<uint32_t>& list, uint32_t value) {
  return std::find(list.begin(), list.end(), value) != list.end();
}
size_t IndexOf(const std::vector<uint32_t>& list, uint32_t value) {
  return static_cast<size_t>(std::find(list.begin(), list.end(), value) - list.begin());
}

// A frame component's way: the saved WindowProc is called for what it does not take.
struct TProcSpy {
  TWndMethod Saved;
  std::vector<uint32_t> Seen;
  std::vector<NativeUInt> CalcSizeWParams;
  void Attach(TControl* Control) {
    Saved = Control->WindowProc;
    Control->WindowProc = [this](TMessage& Message) {
      Seen.push_back(Message.Msg);
      if (Message.Msg == WM_NCCALCSIZE) CalcSizeWParams.push_back(Message.WParam);
      Saved(Message);
    };
  }
  void Detach(TControl* Control) { Control->WindowProc = Saved; }
};

// A class chain whose handlers log the order they run in.
class TBaseHandler : public TCustomControl {
 public:
  using TCustomControl::TCustomControl;
  static constexpr uint32_t CM_PROBE = CM_BASE + 100;
  void Dispatch(TMessage& Message) override {
    if (Message.Msg == CM_PROBE) {
      Log("base");
      TCustomControl::Dispatch(Message);  // inherited: on to DefaultHandler
      return;
    }
    TCustomControl::Dispatch(Message);
  }
  void DefaultHandler(TMessage& Message) override {
    if (Message.Msg == CM_PROBE) Log("default");
    TCustomControl::DefaultHandler(Message);
  }
};
class TDerivedHandler : public TBaseHandler {
 public:
  using TBaseHandler::TBaseHandler;
  void Dispatch(TMessage& Message) override {
    if (Message.Msg == CM_PROBE) {
      Log("derived");
      Message.Result = 7;
      TBaseHandler::Dispatch(Message);
      return;
    }
    TBaseHandler::Dispatch(Message);
  }
};

}  // namespace

TEST(MessagePath, AReplacedWindowProcSeesTheCreationMessages) {
  // Replaced before the window exists: the first messages of the window come through it.
  TOwned<TTestForm> form(new TTestForm(Application));
  TProcSpy spy;
  spy.Attach(form.get());
  form->HandleNeeded();
  ASSERT_FALSE(spy.Seen.empty());
  EXPECT_TRUE(spy.Seen.front() == WM_GETMINMAXINFO || spy.Seen.front() == WM_NCCREATE)
      << spy.Seen.front();
  EXPECT_LT(IndexOf(spy.Seen, WM_NCCREATE), IndexOf(spy.Seen, WM_CREATE));
  EXPECT_TRUE(Contains(spy.Seen, WM_NCCALCSIZE));
  // Measured under Wine: the non-client size is asked with WParam FALSE at creation.
  ASSERT_FALSE(spy.CalcSizeWParams.empty());
  EXPECT_EQ(0u, spy.CalcSizeWParams.front());

  // Replaced after: making the window again shows the new procedure the creation.
  spy.Detach(form.get());
  TProcSpy later;
  later.Attach(form.get());
  HWND before = form->GetHandle();
  form->RecreateWnd();
  EXPECT_NE(before, form->GetHandle());
  EXPECT_TRUE(Contains(later.Seen, WM_NCCREATE));
  EXPECT_TRUE(Contains(later.Seen, WM_NCDESTROY));
  EXPECT_LT(IndexOf(later.Seen, WM_NCDESTROY), IndexOf(later.Seen, WM_NCCREATE));

  // Perform goes through WindowProc too.
  later.Seen.clear();
  form->Perform(CM_BASE + 99, 0, 0);
  ASSERT_EQ(1u, later.Seen.size());
  EXPECT_EQ(CM_BASE + 99, later.Seen[0]);
  later.Detach(form.get());
}

TEST(MessagePath, HandlersRunMostDerivedFirstAndTheRestReachesTheWindowClass) {
  TOwned<TTestForm> form(new TTestForm(Application));
  auto* control = new TDerivedHandler(form.get());
  control->SetParent(form.get());
  TestLog().clear();
  EXPECT_EQ(7, control->Perform(TBaseHandler::CM_PROBE, 0, 0));
  EXPECT_EQ((std::vector<std::string>{"derived", "base", "default"}), TestLog());

  // What no handler takes reaches the window's class procedure: the window's text.
  form->SetCaption("Caption through WM_SETTEXT");
  char text[64] = {};
  GetWindowTextA(form->GetHandle(), text, sizeof(text));
  EXPECT_STREQ("Caption through WM_SETTEXT", text);
  EXPECT_EQ("Caption through WM_SETTEXT", form->GetCaption());
  // A windowless control keeps its text itself.
  auto* box = new TTestBox(form.get());
  box->SetParent(form.get());
  box->SetName("boxName");  // a control whose caption is its name takes new names
  EXPECT_EQ("boxName", box->GetCaption());
  box->SetCaption("box text");
  box->SetName("renamed");
  EXPECT_EQ("box text", box->GetCaption());
  EXPECT_EQ("box text", box->GetCaption());
  // Text changes are told once.
  int changes = 0;
  TWndMethod saved = box->WindowProc;
  box->WindowProc = [&](TMessage& m) {
    if (m.Msg == CM_TEXTCHANGED) ++changes;
    saved(m);
  };
  box->SetCaption("box text");
  box->SetCaption("other");
  EXPECT_EQ(1, changes);
  box->WindowProc = saved;
}

TEST(MessagePath, NativeControlsAreSuperclassedAndSeeTheirFirstMessage) {
  TOwned<TTestForm> form(new TTestForm(Application, 500, 300));
  auto* edit = new TTestNative(form.get(), "EDIT", ES_AUTOHSCROLL | WS_BORDER);
  edit->SetParent(form.get());
  auto* list = new TTestNative(form.get(), "LISTBOX", LBS_NOTIFY | LBS_OWNERDRAWFIXED | LBS_HASSTRINGS);
  list->SetBounds(130, 0, 120, 80);
  list->SetParent(form.get());
  auto* view = new TTestNative(form.get(), "SysListView32", LVS_REPORT);
  view->SetBounds(0, 100, 200, 100);
  view->SetParent(form.get());
  auto* tabs = new TTestNative(form.get(), "SysTabControl32");
  tabs->SetBounds(260, 0, 60, 60);
  tabs->SetParent(form.get());
  form->Show();
  PumpFor(50);

  for (TTestNative* native : std::vector<TTestNative*>{edit, list, view, tabs}) {
    // The first window message (framework messages may come before the window exists).
    auto first = std::find_if(native->Messages.begin(), native->Messages.end(),
                              [](uint32_t m) { return m < WM_USER; });
    ASSERT_NE(native->Messages.end(), first);
    EXPECT_EQ(WM_NCCREATE, *first);
    char name[64] = {};
    GetClassNameA(native->Handle(), name, sizeof(name));
    EXPECT_STREQ("TTestNative", name);
  }
  // The native procedures do their work behind the objects.
  SetWindowTextA(edit->Handle(), "typed");
  EXPECT_EQ("typed", edit->GetText());
  EXPECT_EQ(0, SendMessageA(list->Handle(), LB_ADDSTRING, 0, reinterpret_cast<LPARAM>("one")));
  EXPECT_EQ(1, SendMessageA(list->Handle(), LB_GETCOUNT, 0, 0));
  // The owner-draw list's item height was asked of the list object while it was made.
  EXPECT_TRUE(Contains(list->Reflected, CN_MEASUREITEM));
  EXPECT_EQ(17, SendMessageA(list->Handle(), LB_GETITEMHEIGHT, 0, 0));
  // The list view's header announces itself to the list view object by WM_PARENTNOTIFY
  // (measured under Wine: the header is made when the list view first shows).
  EXPECT_NE(view->ChildClasses.end(),
            std::find(view->ChildClasses.begin(), view->ChildClasses.end(), "SysHeader32"));
  EXPECT_EQ(view->ChildClasses.size(), size_t(std::count(view->Messages.begin(), view->Messages.end(),
                                                         WM_PARENTNOTIFY)));
  // Tabs wider than the control bring an up-down child.
  for (int i = 0; i < 6; ++i) {
    TCITEMA item = {};
    item.mask = TCIF_TEXT;
    char text[] = "A long tab";
    item.pszText = text;
    SendMessageA(tabs->Handle(), TCM_INSERTITEMA, i, reinterpret_cast<LPARAM>(&item));
  }
  PumpFor(50);
  EXPECT_NE(tabs->ChildClasses.end(),
            std::find(tabs->ChildClasses.begin(), tabs->ChildClasses.end(), "msctls_updown32"));
  Screenshot(form->GetHandle(), "native");
}

TEST(MessagePath, ParentsReflectNotificationsToTheChildObject) {
  TOwned<TTestForm> form(new TTestForm(Application, 400, 200));
  auto* edit = new TTestNative(form.get(), "EDIT", WS_BORDER);
  edit->SetColor(clLime);
  edit->SetParent(form.get());
  auto* list = new TTestNative(form.get(), "LISTBOX", LBS_OWNERDRAWFIXED | LBS_HASSTRINGS);
  list->SetBounds(150, 0, 120, 80);
  list->SetParent(form.get());
  auto* view = new TTestNative(form.get(), "SysListView32", LVS_REPORT);
  view->SetBounds(0, 100, 200, 90);
  view->SetParent(form.get());
  form->Show();
  SendMessageA(list->Handle(), LB_ADDSTRING, 0, reinterpret_cast<LPARAM>("item"));
  PumpFor(100);

  // WM_COMMAND (EN_CHANGE), WM_CTLCOLOREDIT, WM_DRAWITEM and WM_NOTIFY come to the child
  // objects as CN_ messages.
  edit->Reflected.clear();
  SetWindowTextA(edit->Handle(), "changed");
  EXPECT_TRUE(Contains(edit->Reflected, CN_COMMAND));
  InvalidateRect(edit->Handle(), nullptr, TRUE);
  UpdateWindow(edit->Handle());
  EXPECT_TRUE(Contains(edit->Reflected, CN_CTLCOLOREDIT));
  InvalidateRect(list->Handle(), nullptr, TRUE);
  UpdateWindow(list->Handle());
  EXPECT_TRUE(Contains(list->Reflected, CN_DRAWITEM));
  LVCOLUMNA column = {};
  column.mask = LVCF_TEXT | LVCF_WIDTH;
  column.cx = 80;
  char title[] = "Column";
  column.pszText = title;
  SendMessageA(view->Handle(), LVM_INSERTCOLUMNA, 0, reinterpret_cast<LPARAM>(&column));
  LVITEMA item = {};
  item.mask = LVIF_TEXT;
  char text[] = "row";
  item.pszText = text;
  SendMessageA(view->Handle(), LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item));
  PumpFor(50);
  EXPECT_TRUE(Contains(view->Reflected, CN_NOTIFY));
  PumpFor(50);
  Screenshot(form->GetHandle(), "reflection");
  // The edit's background is the object's colour (its CN_CTLCOLOREDIT answer).
  EXPECT_EQ(clLime, ScreenPixel(ScreenPoint(edit, edit->GetClientWidth() - 3, edit->GetClientHeight() - 3)));
  // The owner-drawn item is the object's drawing.
  EXPECT_EQ(clBlue, ScreenPixel(ScreenPoint(list, 5, 5)));
}

TEST(MessagePath, WindowsWithoutAControlGetASavedProcedureHook) {
  TOwned<TTestForm> form(new TTestForm(Application));
  auto* view = new TTestNative(form.get(), "SysListView32", LVS_REPORT);
  view->SetParent(form.get());
  form->Show();
  HWND header = reinterpret_cast<HWND>(SendMessageA(view->Handle(), LVM_GETHEADER, 0, 0));
  ASSERT_NE(nullptr, header);
  EXPECT_EQ(nullptr, FindControl(header));
  std::vector<uint32_t> seen;
  {
    TWindowProcHook hook(header);
    hook.WindowProc = [&](TMessage& Message) {
      seen.push_back(Message.Msg);
      if (Message.Msg == WM_GETTEXTLENGTH) {
        Message.Result = 1234;  // taken here, not passed on
        return;
      }
      hook.CallDefault(Message);
    };
    EXPECT_EQ(1234, SendMessageA(header, WM_GETTEXTLENGTH, 0, 0));
    EXPECT_EQ(0, SendMessageA(header, HDM_GETITEMCOUNT, 0, 0));  // passed on to the header
    EXPECT_TRUE(Contains(seen, HDM_GETITEMCOUNT));
  }
  // The hook gave the old procedure back when it went.
  seen.clear();
  EXPECT_NE(1234, SendMessageA(header, WM_GETTEXTLENGTH, 0, 0));
  EXPECT_TRUE(seen.empty());
}

TEST(MessagePath, ExceptionsInHandlersAreReportedAndTheLoopGoesOn) {
  TOwned<TTestForm> form(new TTestForm(Application, 200, 100));
  auto* raiser = new TTestButton(form.get());
  // Presses in quick succession at one place are presses, not double clicks.
  raiser->SetControlStyle(raiser->GetControlStyle() - TControlStyle{csDoubleClicks});
  raiser->SetParent(form.get());
  int clicks = 0;
  raiser->OnClick = [&](TObject*) {
    ++clicks;
    if (clicks == 1) throw EConvertError("first click fails");
    if (clicks == 2) throw EAbort("silent");
    if (clicks == 3) throw std::runtime_error("plain C++ error");
    form->Close();  // the fourth click ends Run
  };
  std::vector<std::string> reports;
  std::vector<TObject*> senders;
  Application->OnException = [&](TObject* Sender, Exception& E) {
    reports.push_back(E.Message);
    senders.push_back(Sender);
  };
  Application->SetMainForm(form.get());
  // Run is the loop under test: the input thread works while it runs (on windows made
  // here, on this thread).
  raiser->HandleNeeded();
  HWND wnd = form->GetHandle();
  TIdleCounter idle;
  std::atomic<bool> done{false};
  std::thread worker([&] {
    for (int i = 0; i < 200 && !IsWindowVisible(wnd); ++i) Sleep(10);
    TPoint p = ScreenPoint(raiser, 10, 10);
    MoveMouseTo(p.X, p.Y);
    TInputDriver::WaitIdle(idle, Application->GetHandle());
    for (int i = 0; i < 4 && !done; ++i) {
      MouseButton(true);
      MouseButton(false);
      if (i < 3) TInputDriver::WaitIdle(idle, Application->GetHandle());  // the last one ends Run
    }
    // Should a click have gone astray, the loop still ends (and the count tells).
    for (int i = 0; i < 300 && !done; ++i) Sleep(10);
    if (!done) PostMessageA(wnd, WM_CLOSE, 0, 0);
  });
  Application->Run();
  done = true;
  worker.join();
  Application->SetMainForm(nullptr);
  Application->OnException = nullptr;
  EXPECT_EQ(4, clicks);
  EXPECT_EQ((std::vector<std::string>{"first click fails", "plain C++ error"}), reports);
  ASSERT_EQ(2u, senders.size());
  EXPECT_EQ(raiser, senders[0]);  // the control whose message it was
}

TEST(MessagePath, AControlMadeAgainInsideItsOwnHandlerKeepsItsState) {
  TOwned<TTestForm> form(new TTestForm(Application, 300, 150));
  auto* edit = new TTestNative(form.get(), "EDIT", WS_BORDER);
  edit->SetParent(form.get());
  auto* button = new TTestButton(form.get());
  button->SetBounds(150, 10, 80, 24);
  button->SetParent(form.get());
  form->Show();
  SetWindowTextA(edit->Handle(), "kept text");
  edit->SetFocus();
  PumpFor(50);
  ASSERT_TRUE(edit->Focused());
  HWND oldEdit = edit->Handle();
  // The edit makes itself again while it handles a key.
  edit->OnKeyDown = [&](TObject*, uint16_t& Key, TShiftState) {
    if (Key == VK_F5) {
      edit->RecreateWnd();
      Key = 0;
    }
  };
  // The button makes itself again inside its click (from its own mouse message).
  HWND oldButton = button->GetHandle();
  button->OnClick = [&](TObject*) { button->RecreateWnd(); };
  TInputDriver input;
  input.Add([] { TypeKey(VK_F5); });
  input.Add([&] {
    TPoint p = ScreenPoint(button, 10, 10);
    MoveMouseTo(p.X, p.Y);
  });
  input.Add([] {
    MouseButton(true);
    MouseButton(false);
  });
  input.Run();
  EXPECT_NE(oldEdit, edit->Handle());
  EXPECT_TRUE(IsWindow(edit->Handle()));
  EXPECT_FALSE(IsWindow(oldEdit));
  EXPECT_EQ("kept text", edit->GetText());
  EXPECT_EQ(Rect(0, 0, 120, 80), edit->GetBoundsRect());
  EXPECT_NE(oldButton, button->GetHandle());
  EXPECT_TRUE(IsWindowVisible(button->GetHandle()));
  EXPECT_EQ(1, button->Clicks);
  EXPECT_TRUE(button->Focused());  // it had the focus (taken by the press) and keeps it
  // A form made again keeps its children, bounds and caption.
  TRect bounds = form->GetBoundsRect();
  form->RecreateWnd();
  PumpFor(50);
  EXPECT_EQ(bounds, form->GetBoundsRect());
  EXPECT_EQ("Test form", form->GetCaption());
  EXPECT_EQ(form->GetHandle(), GetParent(edit->Handle()));
  EXPECT_TRUE(IsWindowVisible(form->GetHandle()));
  EXPECT_EQ("kept text", edit->GetText());
}
