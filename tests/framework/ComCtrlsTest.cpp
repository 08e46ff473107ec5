// Common controls on shown forms: the list view keeps its items, sub-items, pictures,
// selection, checks and columns when its window is made again, finds rows at points,
// lets handlers draw rows and refuse editing, and tells of checks; the page control keeps
// its tabs and lets the user choose pages; the track bar and up-down take real input.
#include <gtest/gtest.h>

#include "framework/ComCtrls.h"
#include "tests/framework/ControlTestSupport.h"
#include "tests/framework/DemoForm.h"
#include "tests/framework/TestControls.h"

namespace {

TTestForm* ShownForm(int Width = 420, int Height = 300) {
  auto* form = new TTestForm(Application, Width, Height);
  form->Show();
  SetForegroundWindow(form->GetHandle());
  PumpFor(50);
  return form;
}

TListView* Playlist(TWinControl* Parent, TImageList* Images) {
  auto* view = new TListView(Parent);
  view->SetName("playlist");
  view->SetBounds(10, 10, 380, 200);
  view->SetViewStyle(vsReport);
  view->SetMultiSelect(true);
  view->SetRowSelect(true);
  view->SetCheckboxes(true);
  view->SetSmallImages(Images);
  view->GetColumns()->Add()->SetCaption("File");
  view->GetColumns()->Add()->SetCaption("Time");
  view->GetColumn(0)->SetWidth(200);
  view->GetColumn(1)->SetWidth(60);
  view->SetParent(Parent);
  return view;
}

// What the window shows of a row: its texts (through the text callback), picture, state.
struct TRowState {
  std::string caption, sub;
  int image;
  bool selected, focused, checked;
  bool operator==(const TRowState& Other) const {
    return caption == Other.caption && sub == Other.sub && image == Other.image && selected == Other.selected &&
           focused == Other.focused && checked == Other.checked;
  }
};

TRowState WindowRow(HWND Wnd, int Index) {
  char text[128] = {};
  LVITEMA item = {};
  item.iSubItem = 0;
  item.pszText = text;
  item.cchTextMax = sizeof(text);
  SendMessageA(Wnd, LVM_GETITEMTEXTA, WPARAM(Index), reinterpret_cast<LPARAM>(&item));
  TRowState row;
  row.caption = text;
  item.iSubItem = 1;
  text[0] = 0;
  SendMessageA(Wnd, LVM_GETITEMTEXTA, WPARAM(Index), reinterpret_cast<LPARAM>(&item));
  row.sub = text;
  LVITEMA info = {};
  info.mask = LVIF_IMAGE;
  info.iItem = Index;
  SendMessageA(Wnd, LVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&info));
  row.image = info.iImage;
  const LRESULT state = SendMessageA(Wnd, LVM_GETITEMSTATE, WPARAM(Index), LVIS_SELECTED | LVIS_FOCUSED | LVIS_STATEIMAGEMASK);
  row.selected = (state & LVIS_SELECTED) != 0;
  row.focused = (state & LVIS_FOCUSED) != 0;
  row.checked = ((state & LVIS_STATEIMAGEMASK) >> 12) == 2;
  return row;
}

std::ostream& operator<<(std::ostream& Out, const TRowState& Row) {
  return Out << Row.caption << "|" << Row.sub << "|" << Row.image << (Row.selected ? " sel" : "")
             << (Row.focused ? " foc" : "") << (Row.checked ? " chk" : "");
}

}  // namespace

TEST(ListView, KeepsItemsSelectionChecksAndColumnsWhenItsWindowIsMadeAgain) {
  TFailOnException failures;
  TOwned<TTestForm> form(ShownForm());
  auto* images = new TImageList(form.get());
  for (TColor c : {clRed, clLime, clBlue}) {
    TOwned<TBitmap> b(SolidBitmap(16, 16, c));
    images->Add(b.get(), nullptr);
  }
  TListView* view = Playlist(form.get(), images);
  int data[5] = {};
  for (int i = 0; i < 5; ++i) {
    TListItem* item = view->GetItems()->Add();
    item->SetCaption(IntToStr(i + 1) + ".  clip" + IntToStr(i) + ".avi");
    item->GetSubItems()->Add(IntToStr(i * 10) + "s");
    item->SetImageIndex(i % 3);
    item->SetData(&data[i]);
    item->SetChecked(i % 2 == 0);
  }
  view->GetItems()->GetItem(1)->SetSelected(true);
  view->GetItems()->GetItem(3)->SetSelected(true);
  view->GetItems()->GetItem(3)->SetFocused(true);
  SendMessageA(view->GetHandle(), LVM_SETCOLUMNWIDTH, 1, MAKELPARAM(90, 0));  // the user drags it
  PumpFor(30);
  std::vector<TRowState> before;
  for (int i = 0; i < 5; ++i) before.push_back(WindowRow(view->GetHandle(), i));
  EXPECT_EQ("2.  clip1.avi", before[1].caption);
  EXPECT_EQ("10s", before[1].sub);
  EXPECT_TRUE(before[0].checked);
  EXPECT_FALSE(before[1].checked);
  EXPECT_TRUE(before[3].selected && before[3].focused);
  EXPECT_EQ(90, view->GetColumn(1)->GetWidth());

  int changes = 0;
  view->OnChange = [&](TObject*, TListItem*, TItemChange) { ++changes; };
  struct Step {
    const char* name;
    std::function<void()> act;
  };
  const Step steps[] = {
      {"made again", [&] { view->RecreateWnd(); }},
      {"another view and back", [&] { view->SetViewStyle(vsList), view->SetViewStyle(vsReport); }},
      {"check boxes off and on", [&] { view->SetCheckboxes(false), view->SetCheckboxes(true); }},
      {"headers hidden", [&] { view->SetShowColumnHeaders(false); }},
  };
  for (const Step& s : steps) {
    SCOPED_TRACE(s.name);
    s.act();
    PumpFor(20);
    ASSERT_EQ(5, int(SendMessageA(view->GetHandle(), LVM_GETITEMCOUNT, 0, 0)));
    for (int i = 0; i < 5; ++i) {
      EXPECT_EQ(before[size_t(i)], WindowRow(view->GetHandle(), i)) << i;
      EXPECT_EQ(&data[i], view->GetItems()->GetItem(i)->GetData());
    }
    EXPECT_EQ(2, view->GetSelCount());
    EXPECT_EQ(view->GetItems()->GetItem(1), view->GetSelected());
    EXPECT_EQ(view->GetItems()->GetItem(3), view->GetItemFocused());
    EXPECT_EQ(90, view->GetColumn(1)->GetWidth());
    EXPECT_EQ("Time", view->GetColumn(1)->GetCaption());
  }
  EXPECT_EQ(0, changes);  // the control's own rebuilding tells nobody

  // Items, columns and texts change in the window at once.
  view->GetItems()->GetItem(2)->SetCaption("renamed");
  view->GetItems()->GetItem(2)->GetSubItems()->Put(0, "99s");
  EXPECT_EQ("renamed", WindowRow(view->GetHandle(), 2).caption);
  EXPECT_EQ("99s", WindowRow(view->GetHandle(), 2).sub);
  std::vector<void*> deleted;
  view->OnDeletion = [&](TObject*, TListItem* Item) { deleted.push_back(Item->GetData()); };
  view->GetItems()->Delete(0);
  EXPECT_EQ(4, int(SendMessageA(view->GetHandle(), LVM_GETITEMCOUNT, 0, 0)));
  EXPECT_EQ("2.  clip1.avi", WindowRow(view->GetHandle(), 0).caption);
  view->GetItems()->Insert(1)->SetCaption("inserted");
  EXPECT_EQ("inserted", WindowRow(view->GetHandle(), 1).caption);
  view->GetColumns()->Add()->SetCaption("Size");
  HWND header = reinterpret_cast<HWND>(SendMessageA(view->GetHandle(), LVM_GETHEADER, 0, 0));
  EXPECT_EQ(3, int(SendMessageA(header, HDM_GETITEMCOUNT, 0, 0)));
  EXPECT_EQ(90, view->GetColumn(1)->GetWidth());  // kept while the columns changed
  view->GetColumns()->Delete(0);
  EXPECT_EQ(2, int(SendMessageA(header, HDM_GETITEMCOUNT, 0, 0)));
  EXPECT_EQ(90, view->GetColumn(0)->GetWidth());
  view->GetItems()->Clear();
  EXPECT_EQ(0, int(SendMessageA(view->GetHandle(), LVM_GETITEMCOUNT, 0, 0)));
  EXPECT_EQ(6u, deleted.size());  // the first one, then the five left
  EXPECT_EQ(&data[0], deleted[0]);
}

TEST(ListView, FindsRowsLetsHandlersDrawThemRefusesEditingAndTellsOfChecks) {
  TFailOnException failures;
  TOwned<TTestForm> form(ShownForm());
  auto* images = new TImageList(form.get());
  {
    TOwned<TBitmap> b(SolidBitmap(16, 16, clRed));
    images->Add(b.get(), nullptr);
  }
  TListView* view = Playlist(form.get(), images);
  view->SetCheckboxes(false);
  view->SetShowColumnHeaders(false);
  for (int i = 0; i < 4; ++i) {
    TListItem* item = view->GetItems()->Add();
    item->SetCaption("row " + IntToStr(i));
    item->GetSubItems()->Add("x");
  }
  PumpFor(30);

  // Rows at points: any column of the row, nothing below the last.
  for (int i = 0; i < 4; ++i) {
    SCOPED_TRACE(i);
    TListItem* item = view->GetItems()->GetItem(i);
    const TRect bounds = item->DisplayRect(drBounds);
    EXPECT_EQ(item, view->GetItemAt(bounds.Left + 5, (bounds.Top + bounds.Bottom) / 2));
    EXPECT_EQ(item, view->GetItemAt(250, (bounds.Top + bounds.Bottom) / 2));  // second column
    EXPECT_EQ(item, view->GetItemAt(350, (bounds.Top + bounds.Bottom) / 2));  // right of the columns
    EXPECT_EQ(200, item->SubItemRect(0).Width());
    EXPECT_EQ(200, item->SubItemRect(1).Left - bounds.Left);
  }
  EXPECT_EQ(nullptr, view->GetItemAt(20, 190));

  // Custom drawing: row 1 drawn by the handler alone, row 2 by the system in the colours
  // the handler chose; the handler sees the selection.
  view->GetItems()->GetItem(2)->SetSelected(true);
  std::vector<std::pair<int, bool>> drawn;
  view->OnCustomDrawItem = [&](TCustomListView* Sender, TListItem* Item, TCustomDrawState State, bool& DefaultDraw) {
    const int index = Item->GetIndex();
    drawn.emplace_back(index, State.Contains(cdsSelected));
    if (index == 1) {
      Sender->GetCanvas()->GetBrush()->SetColor(clLime);
      Sender->GetCanvas()->FillRect(Item->DisplayRect(drBounds));
      images->Draw(Sender->GetCanvas(), Item->DisplayRect(drBounds).Left + 2, Item->DisplayRect(drBounds).Top, 0);
      DefaultDraw = false;
    } else if (index == 3) {
      Sender->GetCanvas()->GetBrush()->SetColor(clAqua);
    }
  };
  view->Invalidate();
  PumpFor(100);
  Screenshot(form->GetHandle(), "listview-custom-draw");
  EXPECT_TRUE(std::find(drawn.begin(), drawn.end(), std::make_pair(2, true)) != drawn.end());
  EXPECT_TRUE(std::find(drawn.begin(), drawn.end(), std::make_pair(1, false)) != drawn.end());
  const TRect row1 = view->GetItems()->GetItem(1)->DisplayRect(drBounds);
  EXPECT_EQ(clLime, ScreenPixel(ScreenPoint(view, 230, row1.Top + 2)));
  EXPECT_EQ(clRed, ScreenPixel(ScreenPoint(view, row1.Left + 6, row1.Top + 4)));
  const TRect row3 = view->GetItems()->GetItem(3)->DisplayRect(drLabel);
  EXPECT_EQ(clAqua, ScreenPixel(ScreenPoint(view, row3.Right - 2, row3.Top + 1)));
  view->OnCustomDrawItem = nullptr;

  // In-place editing is refused by the handler (and allowed otherwise).
  view->SetReadOnly(false);
  bool allow = false;
  int asked = 0;
  view->OnEditing = [&](TObject*, TListItem*, bool& AllowEdit) {
    ++asked;
    AllowEdit = allow;
  };
  view->SetFocus();
  EXPECT_EQ(0, SendMessageA(view->GetHandle(), LVM_EDITLABELA, 0, 0));
  allow = true;
  HWND editor = reinterpret_cast<HWND>(SendMessageA(view->GetHandle(), LVM_EDITLABELA, 0, 0));
  EXPECT_NE(nullptr, editor);
  if (editor) SendMessageA(view->GetHandle(), LVM_CANCELEDITLABEL, 0, 0);
  EXPECT_EQ(2, asked);

  // Checks tell OnChange; a click on a row selects it and clicks once.
  view->SetCheckboxes(true);
  TEventLog log;
  view->OnChange = [&](TObject*, TListItem* Item, TItemChange Change) {
    if (Change == ctState) log("change " + IntToStr(Item ? Item->GetIndex() : -1));
  };
  view->OnClick = [&](TObject*) { log("click"); };
  view->OnSelectItem = [&](TObject*, TListItem* Item, bool Selected) {
    if (Selected) log("select " + IntToStr(Item->GetIndex()));
  };
  view->GetItems()->GetItem(0)->SetChecked(true);
  EXPECT_EQ("change 0", log.Text());
  EXPECT_TRUE(view->GetItems()->GetItem(0)->GetChecked());
  log.Clear();
  view->ClearSelection();
  log.Clear();
  TInputDriver input;
  input.Add([&] {
    TPoint p = ScreenPoint(view, 120, view->GetItems()->GetItem(3)->DisplayRect(drBounds).Top + 4);
    ClickAt(p.X, p.Y);
  });
  input.Run();
  const std::string events = log.Text();
  EXPECT_NE(std::string::npos, events.find("select 3"));
  size_t clicks = 0;
  for (size_t at = events.find("click"); at != std::string::npos; at = events.find("click", at + 1)) ++clicks;
  EXPECT_EQ(1u, clicks) << events;
  EXPECT_EQ(view->GetItems()->GetItem(3), view->GetSelected());
}

TEST(PageControl, TabsFollowTheSheetsAndTheUserChoosesPages) {
  TFailOnException failures;
  TOwned<TTestForm> form(ShownForm());
  auto* pages = new TPageControl(form.get());
  pages->SetBounds(10, 10, 300, 200);
  pages->SetParent(form.get());
  std::vector<TTabSheet*> sheets;
  for (const char* caption : {"General", "Hidden", "Video", "Audio"}) {
    auto* sheet = new TTabSheet(form.get());
    sheet->SetCaption(caption);
    sheet->SetPageControl(pages);
    sheets.push_back(sheet);
  }
  sheets[1]->SetTabVisible(false);
  PumpFor(30);
  HWND tabs = pages->GetHandle();
  auto tabTexts = [&] {
    tabs = pages->GetHandle();  // a new window after it was made again
    std::string all;
    const int count = int(SendMessageA(tabs, TCM_GETITEMCOUNT, 0, 0));
    for (int i = 0; i < count; ++i) {
      char text[64] = {};
      TCITEMA item = {};
      item.mask = TCIF_TEXT;
      item.pszText = text;
      item.cchTextMax = sizeof(text);
      SendMessageA(tabs, TCM_GETITEMA, WPARAM(i), reinterpret_cast<LPARAM>(&item));
      all += (all.empty() ? "" : ",") + std::string(text);
    }
    return all;
  };
  EXPECT_EQ("General,Video,Audio", tabTexts());
  EXPECT_EQ(sheets[0], pages->GetActivePage());
  EXPECT_TRUE(IsWindowVisible(sheets[0]->GetHandle()));
  EXPECT_EQ(-1, sheets[1]->GetTabIndex());
  EXPECT_EQ(1, sheets[2]->GetTabIndex());
  // The active sheet fills the page area.
  TRect area = pages->GetClientRect();
  RECT display = ToRECT(area);
  SendMessageA(tabs, TCM_ADJUSTRECT, FALSE, reinterpret_cast<LPARAM>(&display));
  EXPECT_EQ(FromRECT(display), sheets[0]->GetBoundsRect());

  TEventLog log;
  bool allow = true;
  pages->OnChanging = [&](TObject*, bool& AllowChange) {
    log("changing");
    AllowChange = allow;
  };
  pages->OnChange = [&](TObject*) { log("change " + pages->GetActivePage()->GetCaption()); };
  TInputDriver input;
  auto clickTab = [&](int Tab) {
    input.Add([&, Tab] {
      RECT r = {};
      SendMessageA(tabs, TCM_GETITEMRECT, WPARAM(Tab), reinterpret_cast<LPARAM>(&r));
      POINT p = {(r.left + r.right) / 2, (r.top + r.bottom) / 2};
      ClientToScreen(tabs, &p);
      ClickAt(p.x, p.y);
    });
  };
  clickTab(2);
  input.Run();
  EXPECT_EQ("changing change Audio", log.Text());
  EXPECT_EQ(sheets[3], pages->GetActivePage());
  EXPECT_TRUE(IsWindowVisible(sheets[3]->GetHandle()));
  EXPECT_FALSE(IsWindowVisible(sheets[0]->GetHandle()));
  log.Clear();
  allow = false;
  clickTab(0);
  input.Run();
  EXPECT_EQ("changing", log.Text());
  EXPECT_EQ(sheets[3], pages->GetActivePage());
  EXPECT_EQ(2, pages->GetTabIndex());
  allow = true;
  log.Clear();
  // Ctrl+Tab goes to the next page with a tab (round to the first).
  sheets[3]->SetFocus();
  input.Add([] { TypeKey(VK_TAB, {VK_CONTROL}); });
  input.Run();
  EXPECT_EQ("changing change General", log.Text());

  // Tabs survive the window; captions and hidden tabs follow the sheets.
  pages->RecreateWnd();
  EXPECT_EQ("General,Video,Audio", tabTexts());
  EXPECT_EQ(0, pages->GetTabIndex());
  sheets[2]->SetCaption("Picture");
  sheets[1]->SetTabVisible(true);
  EXPECT_EQ("General,Hidden,Picture,Audio", tabTexts());
  pages->SetActivePage(sheets[2]);
  EXPECT_EQ(2, pages->GetTabIndex());
  // The active sheet going away makes the next one active.
  sheets[2]->Free();
  EXPECT_EQ(sheets[3], pages->GetActivePage());
  EXPECT_EQ("General,Hidden,Audio", tabTexts());
  EXPECT_EQ(3, pages->GetPageCount());
  auto* label = new TLabel(form.get());
  label->SetCaption("On the audio page");
  label->SetBounds(10, 10, 100, 20);
  label->SetParent(sheets[3]);
  PumpFor(50);
  EXPECT_TRUE(IsWindowVisible(sheets[3]->GetHandle()));
  Screenshot(form->GetHandle(), "page-control");
}

TEST(TrackBarAndUpDown, FollowTheKeyboardAndTheMouse) {
  TFailOnException failures;
  TOwned<TTestForm> form(ShownForm());
  auto* bar = new TTrackBar(form.get());
  bar->SetBounds(10, 10, 200, 40);
  bar->SetParent(form.get());
  bar->SetMaxValue(10);
  bar->SetValue(5);
  std::vector<int> values;
  bar->OnChange = [&](TObject*) { values.push_back(bar->GetValue()); };
  auto* edit = new TEdit(form.get());
  edit->SetBounds(10, 80, 60, 21);
  edit->SetParent(form.get());
  auto* updown = new TUpDown(form.get());
  updown->SetBounds(70, 80, 17, 21);
  updown->SetParent(form.get());
  updown->SetAssociate(edit);
  updown->SetMax(3);
  updown->SetPosition(2);
  std::vector<TUDBtnType> clicks;
  bool allow = true;
  updown->OnClick = [&](TObject*, TUDBtnType Button) { clicks.push_back(Button); };
  updown->OnChanging = [&](TObject*, bool& AllowChange) { AllowChange = allow; };
  bar->SetFocus();
  PumpFor(30);
  EXPECT_EQ("2", edit->GetText());

  TInputDriver input;
  input.Add([] { TypeKey(VK_RIGHT); });
  input.Add([] { TypeKey(VK_END); });
  RECT r;
  GetWindowRect(updown->GetHandle(), &r);
  const int x = (r.left + r.right) / 2, upY = r.top + 3, downY = r.bottom - 3;
  input.Add([=] { ClickAt(x, upY); });
  input.Add([=] { ClickAt(x, upY); });  // at the maximum: no change
  input.Add([=] { ClickAt(x, downY); });
  input.Run();
  EXPECT_EQ((std::vector<int>{6, 10}), values);
  EXPECT_EQ(10, bar->GetValue());
  EXPECT_EQ((std::vector<TUDBtnType>{btNext, btPrev}), clicks);
  EXPECT_EQ(2, updown->GetPosition());
  EXPECT_EQ("2", edit->GetText());
  allow = false;
  input.Add([=] { ClickAt(x, downY); });
  input.Run();
  EXPECT_EQ(2, updown->GetPosition());
  Screenshot(form->GetHandle(), "trackbar-updown");
}
