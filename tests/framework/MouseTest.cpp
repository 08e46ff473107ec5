// The mouse, driven by real input from another thread: enter and leave of the deepest
// control under the cursor (windowless and disabled ones included, the old one told
// first), dragging with OnDragOver and OnDragDrop, hints after their pause in the
// application's hint window class, context menus.
#include <gtest/gtest.h>

#include <algorithm>

#include "tests/framework/FormTestSupport.h"
#include "tests/framework/TestControls.h"

namespace {

class TLoggingForm : public TLoggingControl<TTestForm> {
 public:
  using TLoggingControl<TTestForm>::TLoggingControl;
};

TTestBox* Box(TWinControl* Parent, const char* Name, TRect Bounds, TColor Color) {
  auto* box = new TTestBox(Parent);
  box->SetName(Name);
  box->SetBoundsRect(Bounds);
  box->SetColor(Color);
  box->SetParent(Parent);
  return box;
}

TTestPanel* PanelIn(TWinControl* Parent, const char* Name, TRect Bounds, TColor Color) {
  auto* panel = new TTestPanel(Parent);
  panel->SetName(Name);
  panel->SetBoundsRect(Bounds);
  panel->SetColor(Color);
  panel->SetParent(Parent);
  return panel;
}

void MoveTo(TInputDriver& Input, TControl* Control, int X, int Y) {
  Input.Add([Control, X, Y] {
    TPoint p = ScreenPoint(Control, X, Y);
    MoveMouseTo(p.X, p.Y);
  });
}

void MoveOutside(TInputDriver& Input) {
  Input.Add([] { MoveMouseTo(GetSystemMetrics(SM_CXSCREEN) - 3, GetSystemMetrics(SM_CYSCREEN) - 3); });
}

}  // namespace

TEST(Mouse, EnterAndLeaveFollowTheDeepestControlUnderTheCursor) {
  TOwned<TLoggingForm> form(new TLoggingForm(Application, 300, 200));
  form->SetName("form");
  TTestPanel* panel = PanelIn(form.get(), "panel", Rect(10, 10, 210, 160), clYellow);
  TTestBox* g1 = Box(panel, "g1", Rect(10, 10, 40, 40), clRed);
  TTestBox* g2 = Box(panel, "g2", Rect(50, 10, 80, 40), clGray);
  g2->SetEnabled(false);
  TTestPanel* w = PanelIn(panel, "w", Rect(10, 60, 130, 120), clAqua);
  TTestBox* g3 = Box(w, "g3", Rect(10, 10, 40, 40), clLime);
  auto* d = new TTestButton(w);
  d->SetName("d");
  d->SetBounds(60, 10, 40, 30);
  d->SetEnabled(false);
  d->SetParent(w);
  form->Show();
  PumpFor(50);
  Screenshot(form->GetHandle(), "mouse");

  TInputDriver input;
  MoveOutside(input);
  input.Run();
  TestLog().clear();
  MoveTo(input, form.get(), 250, 150);
  MoveTo(input, panel, 5, 5);
  MoveTo(input, g1, 5, 5);
  MoveTo(input, g2, 5, 5);
  MoveTo(input, w, 5, 5);
  MoveTo(input, g3, 5, 5);
  MoveTo(input, d, 5, 5);
  MoveTo(input, g1, 6, 6);  // from deep inside back up: only the two ends are told
  MoveOutside(input);
  input.Run();
  const std::vector<std::string> expected = {
      "enter form", "leave form", "enter panel", "leave panel", "enter g1", "leave g1",
      "enter g2",   "leave g2",   "enter w",     "leave w",     "enter g3", "leave g3",
      "enter d",    "leave d",    "enter g1",    "leave g1"};
  EXPECT_EQ(expected, TestLog());
  EXPECT_EQ(nullptr, Application->GetMouseControl());
}

TEST(Mouse, DraggingTellsTargetsAndTheSource) {
  TOwned<TTestForm> form(new TTestForm(Application, 300, 200));
  TTestBox* source = Box(form.get(), "source", Rect(10, 10, 50, 50), clRed);
  source->SetDragMode(dmAutomatic);
  TTestPanel* target = PanelIn(form.get(), "target", Rect(100, 10, 200, 110), clYellow);
  TTestPanel* refuser = PanelIn(form.get(), "refuser", Rect(10, 120, 100, 190), clGray);
  std::vector<std::string> events;
  target->OnDragOver = [&](TObject*, TObject* Source, int X, int Y, TDragState State, bool& Accept) {
    events.push_back(std::string(State == dsDragEnter ? "enter" : State == dsDragLeave ? "leave" : "move") +
                     " target");
    Accept = Source == source;
  };
  target->OnDragDrop = [&](TObject*, TObject* Source, int X, int Y) {
    events.push_back("drop " + static_cast<TComponent*>(Source)->GetName() + " at " + std::to_string(X) +
                     "," + std::to_string(Y));
  };
  source->OnEndDrag = [&](TObject*, TObject* Target, int X, int Y) {
    events.push_back("end on " + (Target ? static_cast<TComponent*>(Target)->GetName() : std::string("nothing")));
  };
  form->Show();
  PumpFor(50);
  TInputDriver input;
  MoveTo(input, source, 10, 10);
  input.Add([] { MouseButton(true); });
  MoveTo(input, source, 11, 11);  // within the drag distance: nothing yet
  input.Add([&] { events.push_back(source->Dragging() ? "pending" : "no drag"); });
  MoveTo(input, refuser, 20, 20);
  MoveTo(input, target, 30, 40);
  MoveTo(input, target, 31, 41);
  input.Add([] { MouseButton(false); });
  input.Run();
  // (one move or more per step: the mouse messages are the system's)
  events.erase(std::unique(events.begin(), events.end()), events.end());
  const std::vector<std::string> expected = {"pending", "enter target", "move target",
                                             "drop source at 31,41", "end on target"};
  EXPECT_EQ(expected, events);
  EXPECT_FALSE(source->Dragging());

  // Dropped where nobody accepts: the source hears of it, no target does.
  events.clear();
  MoveTo(input, source, 10, 10);
  input.Add([] { MouseButton(true); });
  MoveTo(input, refuser, 20, 20);
  input.Add([] { MouseButton(false); });
  input.Run();
  EXPECT_EQ((std::vector<std::string>{"end on nothing"}), events);
}

namespace {

struct THintRecord {
  TRect Rect;
  std::string Text;
  DWORD Tick;
};
std::vector<THintRecord> g_Hints;

class TTestHintWindow : public THintWindow {
 public:
  using THintWindow::THintWindow;
  void ActivateHint(TRect Rect, const AnsiString& AHint) override {
    g_Hints.push_back({Rect, AHint, GetTickCount()});
    THintWindow::ActivateHint(Rect, AHint);
  }
};

}  // namespace

TEST(Mouse, HintsShowAfterTheirPauseInTheApplicationsHintWindowClass) {
  TOwned<TTestForm> form(new TTestForm(Application, 300, 200));
  TTestBox* box = Box(form.get(), "box", Rect(20, 20, 80, 60), clRed);
  box->SetHint("Short text|The long text");
  box->SetShowHint(true);
  TTestBox* plain = Box(form.get(), "plain", Rect(150, 20, 200, 60), clBlue);
  Application->SetHintWindowClass(HintWindowOf<TTestHintWindow>);
  Application->SetHintPause(200);
  form->Show();
  PumpFor(50);
  TInputDriver input;
  MoveTo(input, plain, 5, 5);
  input.Run();
  g_Hints.clear();
  DWORD entered = 0;
  input.Add([&] {
    entered = GetTickCount();
    TPoint p = ScreenPoint(box, 10, 10);
    MoveMouseTo(p.X, p.Y);
  });
  input.Run();
  ASSERT_TRUE(PumpUntil([] { return !g_Hints.empty(); }, 3000));
  EXPECT_EQ("Short text", g_Hints[0].Text);
  EXPECT_GE(g_Hints[0].Tick - entered + 16, 200u) << "the hint waits its pause (a tick of tolerance)";
  THintWindow* window = Application->GetHintWindow();
  ASSERT_NE(nullptr, dynamic_cast<TTestHintWindow*>(window));
  EXPECT_TRUE(IsWindowVisible(window->GetHandle()));
  EXPECT_EQ("The long text", Application->GetHint());
  // The hint opens below the cursor.
  TPoint cursor = ScreenPoint(box, 10, 10);
  EXPECT_GT(g_Hints[0].Rect.Top, cursor.Y);
  PumpFor(100);
  Screenshot(form->GetHandle(), "hint-form");
  Screenshot(window->GetHandle(), "hint");

  // Away from the control the hint goes.
  MoveTo(input, plain, 10, 10);
  input.Run();
  EXPECT_FALSE(IsWindowVisible(window->GetHandle()));

  // OnShowHint may change the text or refuse the hint.
  Application->OnShowHint = [](AnsiString& HintStr, bool& CanShow, THintInfo& Info) {
    HintStr = "Changed " + HintStr;
  };
  g_Hints.clear();
  MoveTo(input, box, 12, 12);
  input.Run();
  ASSERT_TRUE(PumpUntil([] { return !g_Hints.empty(); }, 3000));
  EXPECT_EQ("Changed Short text", g_Hints[0].Text);
  MoveTo(input, plain, 10, 10);
  input.Run();
  Application->OnShowHint = [](AnsiString&, bool& CanShow, THintInfo&) { CanShow = false; };
  g_Hints.clear();
  MoveTo(input, box, 14, 14);
  input.Run();
  PumpFor(400);
  EXPECT_TRUE(g_Hints.empty());
  Application->OnShowHint = nullptr;
  Application->SetHintWindowClass(HintWindowOf<THintWindow>);
}

namespace {

class TTestPopupMenu : public TPopupMenu {
 public:
  using TPopupMenu::TPopupMenu;
  std::vector<TPoint> Shown;
  void Popup(int X, int Y) override {
    TPopupMenu::Popup(X, Y);  // OnPopup; an EAbort there leaves before anything shows
    Shown.push_back(TPoint(X, Y));
  }
};

}  // namespace

TEST(Mouse, ARightClickShowsTheControlsPopupMenu) {
  TOwned<TTestForm> form(new TTestForm(Application, 300, 200));
  TTestPanel* panel = PanelIn(form.get(), "panel", Rect(10, 10, 110, 110), clYellow);
  TTestBox* box = Box(form.get(), "box", Rect(150, 10, 200, 60), clRed);
  auto* menu = new TTestPopupMenu(form.get());
  panel->SetPopupMenu(menu);
  box->SetPopupMenu(menu);
  form->Show();
  PumpFor(50);
  std::vector<std::string> reports;
  Application->OnException = [&](TObject*, Exception& E) { reports.push_back(E.Message); };
  auto rightClick = [](TInputDriver& input) {
    input.Add([] {
      MouseButton(true, true);
      MouseButton(false, true);
    });
  };
  TInputDriver input;
  MoveTo(input, panel, 20, 30);
  rightClick(input);
  MoveTo(input, box, 5, 6);
  rightClick(input);
  input.Run();
  ASSERT_EQ(2u, menu->Shown.size());
  EXPECT_EQ(ScreenPoint(panel, 20, 30), menu->Shown[0]);
  EXPECT_EQ(ScreenPoint(box, 5, 6), menu->Shown[1]);
  EXPECT_EQ(box, menu->GetPopupComponent());

  // OnContextPopup may take the request; an abort in OnPopup cancels the popup silently.
  box->OnContextPopup = [](TObject*, TPoint, bool& Handled) { Handled = true; };
  menu->OnPopup = [](TObject*) { throw EAbort("cancelled"); };
  MoveTo(input, box, 5, 6);
  rightClick(input);
  MoveTo(input, panel, 20, 30);
  rightClick(input);
  input.Run();
  EXPECT_EQ(2u, menu->Shown.size());
  EXPECT_TRUE(reports.empty());
  Application->OnException = nullptr;
  // A freed menu is no control's menu any more.
  menu->Free();
  EXPECT_EQ(nullptr, panel->GetPopupMenu());
  EXPECT_EQ(nullptr, box->GetPopupMenu());
}
