// Standard controls on shown forms: list and combo boxes keep their items, objects and
// selection when their windows are made again (also from their own handlers), owner-drawn
// rows, a combo box's edit and list hooks, labels measured and drawn through DoDrawText,
// and edits, buttons, check and radio boxes driven by real input.
#include <gtest/gtest.h>

#include "framework/StdCtrls.h"
#include "tests/framework/ControlTestSupport.h"
#include "tests/framework/TestControls.h"

namespace {

template <class T>
T* Put(TWinControl* Parent, const char* Name, int Left, int Top, int Width = -1, int Height = -1) {
  T* control = new T(Parent);
  control->SetName(Name);
  control->SetBounds(Left, Top, Width < 0 ? control->GetWidth() : Width, Height < 0 ? control->GetHeight() : Height);
  control->SetParent(Parent);
  return control;
}

TTestForm* ShownForm(int Width = 360, int Height = 260) {
  auto* form = new TTestForm(Application, Width, Height);
  form->Show();
  SetForegroundWindow(form->GetHandle());
  PumpFor(50);
  return form;
}

std::vector<std::string> WindowItems(HWND List) {
  std::vector<std::string> items;
  const int count = int(SendMessageA(List, LB_GETCOUNT, 0, 0));
  for (int i = 0; i < count; ++i) {
    char text[256] = {};
    SendMessageA(List, LB_GETTEXT, WPARAM(i), reinterpret_cast<LPARAM>(text));
    items.push_back(text);
  }
  return items;
}

// A label that records how it was asked to draw.
class TRecordingLabel : public TLabel {
 public:
  using TLabel::TLabel;
  std::vector<int> Flags;

 protected:
  void DoDrawText(TRect& Rect, int DrawFlags) override {
    Flags.push_back(DrawFlags);
    TLabel::DoDrawText(Rect, DrawFlags);
  }
};

// The box of the screen pixels in a control's client rectangle that differ from
// Background: {Left, Top, Right, Bottom} past the last, all -1 when there are none.
TRect InkBox(TControl* Control, TColor Background) {
  GdiFlush();
  const TPoint origin = ScreenPoint(Control, 0, 0);
  TWindowDC screen;
  TRect box(-1, -1, -1, -1);
  for (int y = 0; y < Control->GetHeight(); ++y)
    for (int x = 0; x < Control->GetWidth(); ++x) {
      if (static_cast<TColor>(GetPixel(screen, origin.X + x, origin.Y + y)) == Background) continue;
      if (box.Left < 0) box = TRect(x, y, x + 1, y + 1);
      box.Left = std::min(box.Left, x);
      box.Right = std::max(box.Right, x + 1);
      box.Bottom = y + 1;
    }
  return box;
}

}  // namespace

TEST(StdControls, ListBoxKeepsItemsObjectsAndSelectionWhenItsWindowIsMadeAgain) {
  TFailOnException failures;
  TOwned<TTestForm> form(ShownForm());
  TObject tags[5];
  // Items given before the list has a window.
  auto* list = new TListBox(form.get());
  list->SetBounds(10, 10, 120, 100);
  const char* names[] = {"delta", "alpha", "echo", "charlie", "bravo"};
  for (int i = 0; i < 5; ++i) list->GetItems()->AddObject(names[i], &tags[i]);
  list->SetItemIndex(2);
  list->GetItems()->Insert(0, "first");  // the kept selection moves with its item
  EXPECT_EQ(3, list->GetItemIndex());
  list->GetItems()->Delete(0);
  EXPECT_EQ(2, list->GetItemIndex());
  list->SetParent(form.get());
  PumpFor(30);
  ASSERT_TRUE(list->HandleAllocated());
  EXPECT_EQ((std::vector<std::string>{"delta", "alpha", "echo", "charlie", "bravo"}), WindowItems(list->GetHandle()));
  EXPECT_EQ(2, list->GetItemIndex());

  int clicks = 0;
  list->OnClick = [&](TObject*) { ++clicks; };
  struct Step {
    const char* name;
    std::function<void()> act;
  };
  const Step steps[] = {
      {"made again", [&] { list->RecreateWnd(); }},
      {"style changed", [&] { list->SetBorderStyle(bsNone); }},
      {"sorted", [&] { list->SetSorted(true); }},
  };
  for (const Step& s : steps) {
    SCOPED_TRACE(s.name);
    HWND old = list->GetHandle();
    s.act();
    EXPECT_NE(old, list->GetHandle());
    EXPECT_EQ(5, list->GetCount());
    EXPECT_EQ("echo", list->GetItems()->Get(list->GetItemIndex()));
    for (int i = 0; i < 5; ++i) {
      const AnsiString text = list->GetItems()->Get(i);
      const int original = int(std::find_if(std::begin(names), std::end(names),
                                             [&](const char* n) { return text == n; }) - std::begin(names));
      EXPECT_EQ(&tags[original], list->GetItems()->GetObject(i)) << text;
    }
  }
  EXPECT_EQ((std::vector<std::string>{"alpha", "bravo", "charlie", "delta", "echo"}), WindowItems(list->GetHandle()));

  // Several rows selected, kept too; the focused row is the item index.
  list->SetMultiSelect(true);
  list->SetSelected(0, true);
  list->SetSelected(3, true);
  list->SetSelected(4, true);
  list->SetTopIndex(1);
  list->RecreateWnd();
  EXPECT_EQ(3, list->GetSelCount());
  EXPECT_TRUE(list->GetSelected(0));
  EXPECT_FALSE(list->GetSelected(1));
  EXPECT_TRUE(list->GetSelected(4));
  EXPECT_EQ(0, clicks);

  // Made again from inside its own click handler: the click the user gave is kept.
  list->SetMultiSelect(false);
  list->OnClick = [&](TObject*) {
    ++clicks;
    list->RecreateWnd();
  };
  TInputDriver input;
  input.Add([&] {
    TPoint p = ScreenPoint(list, 20, list->ItemRect(1).Top + 3);
    ClickAt(p.X, p.Y);
  });
  input.Run();
  EXPECT_EQ(1, clicks);
  EXPECT_EQ(1, list->GetItemIndex());
  EXPECT_EQ(5, list->GetCount());
}

TEST(StdControls, OwnerDrawnListBoxRefusesRowHeightsBelowOne) {
  TFailOnException failures;
  TOwned<TTestForm> form(ShownForm());
  auto* list = Put<TListBox>(form.get(), "list", 10, 10, 150, 120);
  list->SetStyle(lbOwnerDrawFixed);
  list->SetItemHeight(20);
  for (const char* s : {"one", "two", "three"}) list->GetItems()->Add(s);
  list->SetItemIndex(1);
  std::vector<std::pair<int, bool>> drawn;
  list->OnDrawItem = [&](TWinControl* Control, int Index, TRect Rect, TOwnerDrawState State) {
    drawn.emplace_back(Index, State.Contains(odSelected));
    TCanvas* canvas = static_cast<TListBox*>(Control)->GetCanvas();
    canvas->GetBrush()->SetColor(State.Contains(odSelected) ? clBlue : clLime);
    canvas->FillRect(Rect);
  };
  list->Invalidate();
  PumpFor(100);
  for (int bad : {0, -3}) {
    list->SetItemHeight(bad);
    EXPECT_EQ(20, list->GetItemHeight());
  }
  EXPECT_EQ(20, int(SendMessageA(list->GetHandle(), LB_GETITEMHEIGHT, 0, 0)));
  list->RecreateWnd();
  PumpFor(100);
  EXPECT_EQ(20, int(SendMessageA(list->GetHandle(), LB_GETITEMHEIGHT, 0, 0)));
  ASSERT_FALSE(drawn.empty());
  EXPECT_TRUE(std::find(drawn.begin(), drawn.end(), std::make_pair(1, true)) != drawn.end());
  EXPECT_TRUE(std::find(drawn.begin(), drawn.end(), std::make_pair(2, false)) != drawn.end());
  const TRect row1 = list->ItemRect(1), row2 = list->ItemRect(2);
  EXPECT_EQ(20, row1.Height());
  EXPECT_EQ(clBlue, ScreenPixel(ScreenPoint(list, row1.Left + 10, row1.Top + 10)));
  EXPECT_EQ(clLime, ScreenPixel(ScreenPoint(list, row2.Left + 10, row2.Top + 10)));
  EXPECT_EQ(2, list->ItemAtPos(TPoint(10, row2.Top + 5), true));
  EXPECT_EQ(-1, list->ItemAtPos(TPoint(10, 110), true));
  EXPECT_EQ(3, list->ItemAtPos(TPoint(10, 110), false));
  Screenshot(form->GetHandle(), "owner-drawn-list");
}

TEST(StdControls, ComboBoxKeepsItsStateAndHooksItsEditAndList) {
  TFailOnException failures;
  TOwned<TTestForm> form(ShownForm());
  auto* combo = Put<TComboBox>(form.get(), "combo", 10, 10, 150);
  for (const char* s : {"red", "green", "blue"}) combo->GetItems()->Add(s);
  combo->SetItemIndex(1);
  PumpFor(30);
  ASSERT_NE(nullptr, combo->GetEditHandle());
  ASSERT_NE(nullptr, combo->GetListHandle());

  // Kept across its windows: items, index and text; a drop-down list has no edit.
  combo->RecreateWnd();
  EXPECT_EQ(3, combo->GetItems()->GetCount());
  EXPECT_EQ(1, combo->GetItemIndex());
  EXPECT_EQ("green", combo->GetText());
  combo->SetText("typed");
  combo->RecreateWnd();
  EXPECT_EQ("typed", combo->GetText());
  combo->SetStyle(csDropDownList);
  EXPECT_EQ(nullptr, combo->GetEditHandle());
  EXPECT_NE(nullptr, combo->GetListHandle());
  EXPECT_EQ(3, combo->GetItems()->GetCount());
  combo->SetItemIndex(2);
  combo->SetStyle(csDropDown);
  EXPECT_EQ(2, combo->GetItemIndex());
  EXPECT_EQ("blue", combo->GetText());

  // The edit's hook sees the typed characters first; the combo's key events fire and the
  // text changes as typed.
  std::string seen;
  TWindowProcHook* hook = combo->GetEditHook();
  TWndMethod old = hook->WindowProc;
  hook->WindowProc = [&, old](TMessage& Message) {
    if (Message.Msg == WM_CHAR) seen += char(Message.WParam);
    old(Message);
  };
  std::string pressed;
  combo->OnKeyPress = [&](TObject*, char& Key) { pressed += Key; };
  int changes = 0;
  combo->OnChange = [&](TObject*) { ++changes; };
  TInputDriver input;
  input.Add([&] {
    SetForegroundWindow(form->GetHandle());
    ClickWindow(combo->GetEditHandle());
  });
  input.Add([] { TypeKey(VK_END); });
  input.Add([] {
    TypeKey('X');
    TypeKey('Y');
  });
  input.Run();
  EXPECT_EQ("xy", seen);
  EXPECT_EQ("xy", pressed);
  EXPECT_EQ("bluexy", combo->GetText());
  EXPECT_EQ(2, changes);

  // Dropping the list tells OnDropDown and shows DropDownCount rows at most.
  int drops = 0;
  combo->OnDropDown = [&](TObject*) { ++drops; };
  for (int i = 0; i < 20; ++i) combo->GetItems()->Add("more " + IntToStr(i));
  combo->SetDropDownCount(5);
  combo->SetDroppedDown(true);
  PumpFor(50);
  EXPECT_EQ(1, drops);
  EXPECT_TRUE(combo->GetDroppedDown());
  RECT list;
  GetWindowRect(combo->GetListHandle(), &list);
  const int rows = (list.bottom - list.top) / combo->GetItemHeight();
  EXPECT_GE(rows, 4);
  EXPECT_LE(rows, 6);
  Screenshot(form->GetHandle(), "combo-dropped");
  combo->SetDroppedDown(false);
}

TEST(StdControls, LabelsAreMeasuredAndDrawnThroughDoDrawText) {
  TFailOnException failures;
  TOwned<TTestForm> form(ShownForm());
  form->SetColor(clYellow);
  auto* label = Put<TRecordingLabel>(form.get(), "label", 10, 10);
  label->SetColor(clWhite);
  label->SetCaption("Webcam source &rate");
  PumpFor(50);
  // Auto size: the text's extent as the system measures it in the label's font.
  {
    TWindowDC screen;
    HGDIOBJ old = SelectObject(screen, label->GetFont()->GetHandle());
    RECT r = {0, 0, 0, 0};
    DrawTextA(screen, "Webcam source &rate", -1, &r, DT_CALCRECT | DT_EXPANDTABS);
    SelectObject(screen, old);
    EXPECT_EQ(r.right, label->GetWidth());
    EXPECT_EQ(r.bottom, label->GetHeight());
  }
  ASSERT_FALSE(label->Flags.empty());
  EXPECT_TRUE(label->Flags.front() & DT_CALCRECT);
  EXPECT_TRUE(std::any_of(label->Flags.begin(), label->Flags.end(), [](int f) { return !(f & DT_CALCRECT); }));
  // Opaque: its colour behind the text; transparent: the form's.
  EXPECT_EQ(clWhite, ScreenPixel(ScreenPoint(label, label->GetWidth() - 1, 0)));
  label->SetTransparent(true);
  PumpFor(50);
  EXPECT_EQ(clYellow, ScreenPixel(ScreenPoint(label, label->GetWidth() - 1, 0)));

  // Right-aligned auto-sized labels keep their right edge; an empty caption keeps a
  // blank's height; word wrap in a fixed width grows the height.
  const int right = label->GetLeft() + label->GetWidth();
  label->SetAlignment(taRightJustify);
  label->SetCaption("Rate");
  EXPECT_EQ(right, label->GetLeft() + label->GetWidth());
  const int lineHeight = label->GetHeight();
  label->SetCaption("");
  EXPECT_EQ(lineHeight, label->GetHeight());
  EXPECT_GT(label->GetWidth(), 0);
  label->SetAutoSize(false);
  label->SetBounds(10, 40, 60, 20);
  label->SetWordWrap(true);
  label->SetCaption("several words that wrap");
  label->SetAutoSize(true);
  EXPECT_GT(label->GetHeight(), lineHeight * 2);
  EXPECT_LE(label->GetWidth(), 60);

  // The accelerator takes the focus to the label's control.
  auto* edit = Put<TEdit>(form.get(), "edit", 10, 120);
  auto* other = Put<TEdit>(form.get(), "other", 10, 150);
  label->SetWordWrap(false);
  label->SetCaption("&Name");
  label->SetFocusControl(edit);
  other->SetFocus();
  TInputDriver input;
  input.Add([] { TypeKey('N', {VK_MENU}); });
  input.Run();
  EXPECT_TRUE(edit->Focused());
  // A disabled label draws its text embossed: light under dark.
  label->SetEnabled(false);
  label->SetTransparent(false);
  PumpFor(50);
  Screenshot(form->GetHandle(), "labels");
  // The link label runs OnClick when clicked (an empty URL opens nothing).
  auto* link = Put<TLinkLabel>(form.get(), "link", 200, 10);
  link->SetCaption("Click Here");
  int clicks = 0;
  link->OnClick = [&](TObject*) { ++clicks; };
  EXPECT_EQ(crHandPoint, link->GetCursor());
  input.Add([&] {
    TPoint p = ScreenPoint(link, 5, 5);
    ClickAt(p.X, p.Y);
  });
  input.Run();
  EXPECT_EQ(1, clicks);
  EXPECT_TRUE(link->GetHot());
}

// Auto size holds all that the label draws: under Wine the glyphs are placed a little wider
// apart than DrawText measures them (a long line in the 8-point sans font lost its last
// letter), and italics, the underline of a link, prefixes, a trailing blank, line breaks,
// right alignment and the embossed text of a disabled label each change what is drawn.
TEST(StdControls, AutoSizedLabelsHoldAllTheyDraw) {
  TFailOnException failures;
  TOwned<TTestForm> form(ShownForm(520, 420));
  const TColor background = TColor(0x808000);
  form->SetColor(background);
  const char* kLong = "Set other webcam applications which are not in the above list";
  struct Case {
    const char* name;
    const char* text;
    bool link;
    const char* font;  // nullptr: the default font
    int size;
    TFontStyles style;
    bool accel;
    TAlignment alignment;
    bool enabled;
  };
  const Case cases[] = {
      {"link", kLong, true, nullptr, 0, {}, true, taLeftJustify, true},
      {"plain", kLong, false, nullptr, 0, {}, true, taLeftJustify, true},
      {"bold", kLong, false, "Tahoma", 8, {fsBold}, true, taLeftJustify, true},
      {"italic", "Wolf of Waterford", false, "Times New Roman", 12, {fsItalic}, true, taLeftJustify, true},
      {"leanLeft", "jolly jumpy f", false, "Times New Roman", 14, {fsItalic}, true, taLeftJustify, true},
      {"prefixes", "&File and &&more && a last &x", false, "Arial", 10, {}, true, taLeftJustify, true},
      {"noPrefixes", "&File and &&more", false, "Arial", 10, {}, false, taLeftJustify, true},
      {"trailingBlank", "trailing blank ", true, "Arial", 10, {}, true, taLeftJustify, true},
      {"lines", "first line\r\nsecond, a longer line of the two", true, nullptr, 0, {}, true, taLeftJustify, true},
      {"right", "right aligned and leaning f", false, "Times New Roman", 12, {fsItalic}, true, taRightJustify, true},
      {"disabled", kLong, false, nullptr, 0, {}, true, taLeftJustify, false},
  };
  int top = 8;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    // Right-aligned labels keep their right edge as they size.
    const int left = c.alignment == taRightJustify ? 300 : 40;
    TCustomLabel* label = c.link ? static_cast<TCustomLabel*>(Put<TLinkLabel>(form.get(), c.name, left, top))
                                 : Put<TLabel>(form.get(), c.name, left, top);
    label->SetTransparent(true);
    label->SetAlignment(c.alignment);
    label->SetShowAccelChar(c.accel);
    label->SetEnabled(c.enabled);
    if (c.font) {
      label->GetFont()->SetName(c.font);
      label->GetFont()->SetSize(c.size);
    }
    label->GetFont()->SetStyle(label->GetFont()->GetStyle() + c.style);
    label->GetFont()->SetColor(clBlack);
    label->SetCaption(c.text);
    const TRect bounds = label->GetBoundsRect();
    // The same label with room around it (away from the side its text keeps to) shows
    // whether anything would have been cut.
    label->SetAutoSize(false);
    const int room = 30;
    if (c.alignment == taRightJustify)
      label->SetBounds(bounds.Left - room, bounds.Top, bounds.Width() + room, bounds.Height() + room);
    else
      label->SetBounds(bounds.Left, bounds.Top, bounds.Width() + room, bounds.Height() + room);
    label->Repaint();
    PumpFor(30);
    const int shift = c.alignment == taRightJustify ? room : 0;
    const TRect ink = InkBox(label, background);
    ASSERT_GE(ink.Left, 0);
    EXPECT_GE(ink.Left, shift);
    EXPECT_LE(ink.Right, shift + bounds.Width());
    EXPECT_LE(ink.Bottom, bounds.Height());
    top += bounds.Height() + 6;
  }
  Screenshot(form->GetHandle(), "labels-auto-size");
}

TEST(StdControls, EditsButtonsAndBoxesTakeRealInput) {
  TFailOnException failures;
  TOwned<TTestForm> form(ShownForm());
  auto* edit = Put<TEdit>(form.get(), "edit", 10, 10, 150);
  edit->SetText("");
  edit->SetMaxLength(5);
  std::vector<std::string> changes;
  edit->OnChange = [&](TObject*) { changes.push_back(edit->GetText()); };
  auto* ok = Put<TButton>(form.get(), "ok", 10, 50);
  ok->SetCaption("&OK");
  ok->SetDefault(true);
  ok->SetModalResult(mrOk);
  auto* cancel = Put<TButton>(form.get(), "cancel", 100, 50);
  cancel->SetCaption("Cancel");
  cancel->SetCancel(true);
  cancel->SetModalResult(mrCancel);
  auto* check = Put<TCheckBox>(form.get(), "check", 10, 90);
  check->SetCaption("Check");
  auto* r1 = Put<TRadioButton>(form.get(), "r1", 10, 120);
  auto* r2 = Put<TRadioButton>(form.get(), "r2", 130, 120);
  TEventLog log;
  ok->OnClick = [&](TObject*) { log("ok"); };
  cancel->OnClick = [&](TObject*) { log("cancel"); };
  check->OnClick = [&](TObject*) { log(check->GetChecked() ? "checked" : "unchecked"); };
  r1->OnClick = [&](TObject*) { log("r1"); };
  r2->OnClick = [&](TObject*) { log("r2"); };
  edit->SetFocus();
  PumpFor(30);

  TInputDriver input;
  input.Add([] {
    for (char c : std::string("abcdefg")) TypeKey(WORD(toupper(c)));
  });
  input.Add([] { TypeKey(VK_RETURN); });   // the default button
  input.Add([] { TypeKey(VK_ESCAPE); });   // the cancel button
  input.Add([&] { ClickWindow(check->GetHandle()); });
  input.Add([] { TypeKey(VK_SPACE); });    // the focused check box again
  input.Add([&] { ClickWindow(r2->GetHandle()); });
  input.Add([&] { ClickWindow(r2->GetHandle()); });  // checked already: nothing
  input.Add([&] { ClickWindow(r1->GetHandle()); });
  input.Add([&] { ClickWindow(ok->GetHandle()); });
  input.Run();
  EXPECT_EQ("abcde", edit->GetText());  // five at most
  EXPECT_EQ((std::vector<std::string>{"a", "ab", "abc", "abcd", "abcde"}), changes);
  EXPECT_EQ("ok cancel checked unchecked r2 r1 ok", log.Text());
  EXPECT_EQ(mrOk, form->GetModalResult());
  EXPECT_TRUE(r1->GetChecked());
  EXPECT_FALSE(r2->GetChecked());

  // The edit keeps its text and modified flag across its windows.
  EXPECT_TRUE(edit->GetModified());
  edit->RecreateWnd();
  EXPECT_EQ("abcde", edit->GetText());
  EXPECT_TRUE(edit->GetModified());
  edit->SetSelStart(1);
  edit->SetSelLength(2);
  EXPECT_EQ("bc", edit->GetSelText());
}
