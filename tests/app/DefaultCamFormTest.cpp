// The default-camera dialog on the test display, over the engine window with a fake
// engine: its rows from the language, the checks on show, the row grouping (also under a
// real click), OK running the writers of the checked rows between its two notices, the
// link, the first-run help, and the engine window opening it.
#include "tests/app/EngineWndSupport.h"

#include "app/DefaultCamForm.h"
#include "tests/app/BrowserStandIn.h"
#include "tests/framework/ControlTestSupport.h"

namespace {

const char kRegistryRoot[] = "Software\\TaviscoTests\\DefaultCamForm";

const char* const kBuiltInRows[] = {"AIM",     "MSN",     "Camfrog", "Skype",   "Yahoo Messenger",
                                    "ICQ",     "Paltalk", "YouTube", "Ustream", "Stickam",
                                    "Other online webcam applications"};

class DefaultCamForm : public EngineWndTest {
 protected:
  void SetUp() override {
    EngineWndTest::SetUp();
    Create();
    FMain = new TRecordingMainForm(nullptr);
    Window->SetMainForm(FMain);
  }
  void TearDown() override {
    if (Dialog) Dialog->Free();
    Dialog = nullptr;
    FMain->Free();
    RegDeleteTreeA(HKEY_CURRENT_USER, kRegistryRoot);
    EngineWndTest::TearDown();
  }

  TfrmDefaultCam* MakeDialog() {
    Dialog = new TfrmDefaultCam(Window);
    return Dialog;
  }
  // Stores of the test's own: folders under the program folder, registry keys under the
  // test's key.
  TDefaultCamStores TestStores() {
    RegDeleteTreeA(HKEY_CURRENT_USER, kRegistryRoot);
    auto key = [](const char* Name) {
      HKEY key = nullptr;
      RegCreateKeyExA(HKEY_CURRENT_USER, (AnsiString(kRegistryRoot) + "\\" + Name).c_str(), 0, nullptr, 0,
                      KEY_ALL_ACCESS, nullptr, &key, nullptr);
      return key;
    };
    FUser = key("User");
    FMachine = key("Machine");
    return TDefaultCamStores{Program.File("Local"), Program.File("Roaming"), FUser, FMachine};
  }
  void CloseStores() {
    RegCloseKey(FUser);
    RegCloseKey(FMachine);
  }
  static AnsiString UserValue(const char* Key, const char* Name) {
    char data[512] = {};
    DWORD size = sizeof data;
    const AnsiString path = AnsiString(kRegistryRoot) + "\\User\\" + Key;
    if (RegGetValueA(HKEY_CURRENT_USER, path.c_str(), Name, RRF_RT_ANY, nullptr, data, &size) != ERROR_SUCCESS)
      return "<none>";
    return AnsiString(data);
  }
  std::vector<bool> Checks() const {
    std::vector<bool> checks;
    TListItems* items = Dialog->lvApplication->GetItems();
    for (int i = 0; i < items->GetCount(); ++i) checks.push_back(items->GetItem(i)->GetChecked());
    return checks;
  }
  // A language whose list has Rows lines, loaded into the engine window.
  void LoadRows(int Rows) {
    AnsiString text;
    for (int i = 0; i < Rows; ++i) text += (i ? "<BR>" : "") + AnsiString("App ") + IntToStr(i);
    ForceDirectories(Program.File("langs"));
    WriteWholeFile(Program.File("langs\\Many.lan"),
                   "[ResString]\r\nstrOtherApp=" + text +
                       "\r\n[TfrmDefaultCam]\r\nlbSetDefaultInfo.Caption=Pick them\r\n");
    Window->LoadLanguage("Many");
  }

  TfrmDefaultCam* Dialog = nullptr;
  TForm* FMain = nullptr;
  HKEY FUser = nullptr;
  HKEY FMachine = nullptr;
};

std::vector<bool> Pattern(std::initializer_list<int> Bits) {
  std::vector<bool> out;
  for (int b : Bits) out.push_back(b != 0);
  return out;
}

}  // namespace

TEST_F(DefaultCamForm, RowsComeFromTheLanguageAndAreAllCheckedWhenShown) {
  WriteConst("URL.setdefault=http://set.example/default.php\r\n");
  MakeSettings();
  MakeDialog();
  EXPECT_EQ("Set Lumetra As Default Webcam", Dialog->GetCaption());
  EXPECT_EQ(342, Dialog->GetClientWidth());
  EXPECT_EQ(370, Dialog->GetClientHeight());
  TListItems* items = Dialog->lvApplication->GetItems();
  ASSERT_EQ(11, items->GetCount());
  for (int i = 0; i < 11; ++i) EXPECT_EQ(kBuiltInRows[i], items->GetItem(i)->GetCaption()) << i;
  EXPECT_EQ(std::vector<bool>(11, false), Checks());
  EXPECT_TRUE(Dialog->lbSetOthers->GetVisible());
  EXPECT_FALSE(Dialog->lbSetDefaultHelp->GetVisible());
  Dialog->SetFirstRun(true);
  EXPECT_TRUE(Dialog->lbSetDefaultHelp->GetVisible());

  Dialog->Show();
  PumpFor(200);
  EXPECT_EQ(std::vector<bool>(11, true), Checks());
  EXPECT_TRUE(Dialog->lvApplication->WindowShowsCheckboxes());
  EXPECT_FALSE(Dialog->lvApplication->GetShowColumnHeaders());
  EXPECT_EQ(280, Dialog->lvApplication->GetColumn(0)->GetWidth());
  // Every row is in sight: the last one lies inside the list.
  const TRect last = items->GetItem(10)->DisplayRect(drBounds);
  EXPECT_GT(last.Bottom, 0);
  EXPECT_LE(last.Bottom, Dialog->lvApplication->GetClientHeight());
  // The labels and buttons lie inside the client area and do not overlap.
  const TControl* order[] = {Dialog->lbSetDefaultInfo, Dialog->lvApplication, Dialog->lbSetOthers,
                             Dialog->lbSetDefaultHelp, Dialog->btnOK};
  for (size_t i = 0; i + 1 < std::size(order); ++i)
    EXPECT_LE(order[i]->GetTop() + order[i]->GetHeight(), order[i + 1]->GetTop()) << i;
  EXPECT_LE(Dialog->btnCancel->GetLeft() + Dialog->btnCancel->GetWidth(), 342);
  EXPECT_LE(Dialog->btnCancel->GetTop() + Dialog->btnCancel->GetHeight(), 370);
  // The link's one line fits its width with room to spare.
  {
    HDC dc = GetDC(nullptr);
    HGDIOBJ old = SelectObject(dc, Dialog->lbSetOthers->GetFont()->GetHandle());
    const AnsiString text = Dialog->lbSetOthers->GetCaption();
    SIZE extent = {};
    GetTextExtentPoint32A(dc, text.c_str(), int(text.size()), &extent);
    SelectObject(dc, old);
    ReleaseDC(nullptr, dc);
    EXPECT_LT(extent.cx + 10, Dialog->lbSetOthers->GetWidth());
  }

  RECT frame;
  GetWindowRect(Dialog->GetHandle(), &frame);
  ScreenshotRect(frame, "default-camera-dialog");

  // A new language re-labels the dialog and rebuilds the rows, unchecked.
  LoadRows(12);
  EXPECT_EQ("Pick them", Dialog->lbSetDefaultInfo->GetCaption());
  ASSERT_EQ(12, items->GetCount());
  EXPECT_EQ("App 11", items->GetItem(11)->GetCaption());
  EXPECT_EQ(std::vector<bool>(12, false), Checks());
}

TEST_F(DefaultCamForm, RowsGoTogetherOnlyInAListOfTwelveOrMore) {
  const struct {
    int Rows;
    int Row;  // the row unchecked after the show, then checked again
    std::vector<bool> Unchecked;
  } cases[] = {
      // The built-in list: every row on its own.
      {11, 5, Pattern({1, 1, 1, 1, 1, 0, 1, 1, 1, 1, 1})},
      {11, 7, Pattern({1, 1, 1, 1, 1, 1, 1, 0, 1, 1, 1})},
      {11, 6, Pattern({1, 1, 1, 1, 1, 1, 0, 1, 1, 1, 1})},
      // Twelve rows or more: 5 and 6 go together, and 7 to 11.
      {12, 9, Pattern({1, 1, 1, 1, 1, 1, 1, 0, 0, 0, 0, 0})},
      {12, 6, Pattern({1, 1, 1, 1, 1, 0, 0, 1, 1, 1, 1, 1})},
      {12, 5, Pattern({1, 1, 1, 1, 1, 0, 0, 1, 1, 1, 1, 1})},
      {12, 3, Pattern({1, 1, 1, 0, 1, 1, 1, 1, 1, 1, 1, 1})},
      {13, 11, Pattern({1, 1, 1, 1, 1, 1, 1, 0, 0, 0, 0, 0, 1})},
      {13, 12, Pattern({1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 0})},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(IntToStr(c.Rows) + " rows, row " + IntToStr(c.Row));
    if (c.Rows != 11) LoadRows(c.Rows);
    MakeDialog();
    Dialog->Show();
    ASSERT_EQ(c.Rows, Dialog->lvApplication->GetItems()->GetCount());
    // Selecting rows changes no check.
    Dialog->lvApplication->GetItems()->GetItem(c.Row)->SetSelected(true);
    Dialog->lvApplication->GetItems()->GetItem(8 % c.Rows)->SetSelected(true);
    EXPECT_EQ(std::vector<bool>(size_t(c.Rows), true), Checks());
    Dialog->lvApplication->GetItems()->GetItem(c.Row)->SetChecked(false);
    EXPECT_EQ(c.Unchecked, Checks());
    Dialog->lvApplication->GetItems()->GetItem(c.Row)->SetChecked(true);
    EXPECT_EQ(std::vector<bool>(size_t(c.Rows), true), Checks());
    Dialog->Free();
    Dialog = nullptr;
  }
}

TEST_F(DefaultCamForm, AClickOnACheckBoxMovesItsGroup) {
  LoadRows(12);
  MakeDialog();
  Dialog->Show();
  ForceForegroundWindow(Dialog->GetHandle());
  PumpFor(100);
  // The check box of row 8 (left of its caption).
  TListItem* item = Dialog->lvApplication->GetItems()->GetItem(8);
  const TRect icon = item->DisplayRect(drBounds);
  const TPoint at = Dialog->lvApplication->ClientToScreen(TPoint(icon.Left + 8, (icon.Top + icon.Bottom) / 2));
  TInputDriver input;
  input.Add([&] { MoveMouseTo(at.X, at.Y); });
  input.Add([] { MouseButton(true); });
  input.Add([] { MouseButton(false); });
  input.Run();
  EXPECT_EQ(Pattern({1, 1, 1, 1, 1, 1, 1, 0, 0, 0, 0, 0}), Checks());
}

TEST_F(DefaultCamForm, OkWritesTheCheckedRowsBetweenItsTwoNotices) {
  MakeDialog();
  Dialog->SetStores(TestStores());
  // A Skype account whose configuration row 3 changes.
  ForceDirectories(Program.File("Roaming\\Skype\\me"));
  WriteWholeFile(Program.File("Roaming\\Skype\\me\\config.xml"),
                 "<config><Video><Device>Old</Device></Video></config>\r\n");
  Dialog->Show();
  Dialog->lvApplication->GetItems()->GetItem(1)->SetChecked(false);  // MSN
  Dialog->lvApplication->GetItems()->GetItem(4)->SetChecked(false);  // Yahoo
  TBoxAnswerer answers([](const TShownBox&, bool&) { return mrOk; });
  Dialog->btnOK->Click();
  EXPECT_EQ(mrOk, Dialog->GetModalResult());
  ASSERT_EQ(2u, answers.Shown.size());
  EXPECT_EQ(Window->GetText("MSGBOX_OtherAppClose"), answers.Shown[0].Text);
  EXPECT_EQ(Window->GetText("MSGBOX_OtherAppRestart"), answers.Shown[1].Text);
  EXPECT_TRUE(answers.Shown[0].OffersStop);
  EXPECT_TRUE(answers.Shown[1].OffersStop);
  CloseStores();

  EXPECT_EQ("<none>", UserValue("Software\\Microsoft\\RTC", "TermVideoCapture"));
  EXPECT_EQ("Tavisco Camera", UserValue("Software\\Camfrog\\Connector", "videoDeviceName"));
  EXPECT_EQ("<none>", UserValue("Software\\Yahoo\\Pager", "Camera Src"));
  EXPECT_EQ("<config><Video><Device>Tavisco Camera</Device></Video></config>\r\n",
            ReadWholeFile(Program.File("Roaming\\Skype\\me\\config.xml")));

  // Stopped notices are not shown again; the writers still run.
  GetSettings()->SetShowAgain(6, false);
  GetSettings()->SetShowAgain(7, false);
  Dialog->lvApplication->GetItems()->GetItem(1)->SetChecked(true);
  TDefaultCamStores stores = TestStores();
  Dialog->SetStores(stores);
  Dialog->btnOK->Click();
  EXPECT_EQ(2u, answers.Shown.size());
  CloseStores();
  EXPECT_EQ("Tavisco Camera", UserValue("Software\\Microsoft\\RTC", "TermVideoCapture"));
}

TEST_F(DefaultCamForm, WithoutTheCameraNameNothingIsWritten) {
  // "oem.dat" wins over "const.dat", also with an empty value.
  WriteWholeFile(Program.File("oem.dat"), "[const]\r\nDriver.FriendName=\r\n");
  MakeSettings();
  MakeDialog();
  Dialog->SetStores(TestStores());
  Dialog->Show();
  TBoxAnswerer answers([](const TShownBox&, bool&) { return mrOk; });
  Dialog->btnOK->Click();
  EXPECT_EQ(2u, answers.Shown.size());
  CloseStores();
  EXPECT_EQ("<none>", UserValue("Software\\Microsoft\\RTC", "TermVideoCapture"));
  EXPECT_EQ("<none>", UserValue("Software\\Camfrog\\Connector", "videoDeviceName"));
  EXPECT_EQ("<none>", UserValue("Software\\Yahoo\\Pager", "Camera Src"));
}

// The link opens the engine window's "setdefault" web link in the browser of the prefix:
// the launch recorder stands in for it and writes down the address it was given.
TEST_F(DefaultCamForm, TheLinkOpensTheSetDefaultPageUnlessTheConstantHidesIt) {
  WriteConst("URL.setdefault=http://set.example/default.php\r\n");
  MakeSettings();
  TBrowserStandIn browser;
  const AnsiString out = Program.File("browser.txt");
  ReplaceBrowser("\"" + GetExeFolder() + "record_launch.exe\" \"" + out + "\" \"%1\"");
  MakeDialog();
  Dialog->Show();
  Dialog->lbSetOthers->Click();
  for (int i = 0; i < 200 && !FileExists(out); ++i) Sleep(50);
  Sleep(100);
  TStringList lines;
  lines.SetText(ReadWholeFile(out));
  ASSERT_GE(lines.GetCount(), 1);
  // The link's address with the installation's query (which begins with a number of its
  // own each time) and the link's name.
  const AnsiString line = lines.Get(0);
  const size_t at = line.find(" \"http://set.example/default.php?");
  ASSERT_NE(AnsiString::npos, at) << line;
  EXPECT_NE(AnsiString::npos, line.find("&ACTION=setdefault\"", at)) << line;
  Dialog->Free();
  Dialog = nullptr;

  // The constant hides it; so does an installation that gives the link no address (nor a
  // redirect address); a redirect address serves it.
  const struct {
    const char* constants;
    bool shown;
  } cases[] = {
      {"nosetothers=1\r\nURL.setdefault=http://set.example/default.php\r\n", false},
      {"", false},
      {"URL.Redirect=http://redirect.example/r\r\n", true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.constants);
    WriteConst(c.constants);
    MakeSettings();
    MakeDialog();
    EXPECT_EQ(c.shown, Dialog->lbSetOthers->GetVisible());
    Dialog->Free();
    Dialog = nullptr;
  }
}

TEST_F(DefaultCamForm, TheEngineWindowOpensItModallyAndFreesIt) {
  // The dialog is looked at and cancelled from a timer while its modal loop runs.
  struct TSeen {
    bool Found = false;
    bool Help = false;
    std::vector<bool> Checks;
    TComponent* Owner = nullptr;
  };
  std::vector<TSeen> seen;
  TTimer timer(nullptr);
  timer.SetInterval(30);
  timer.OnTimer = [&](TObject*) {
    for (int i = 0; i < Screen->GetCustomFormCount(); ++i) {
      auto* dialog = dynamic_cast<TfrmDefaultCam*>(Screen->GetCustomForm(i));
      if (!dialog || !dialog->GetVisible() || dialog->GetModalResult() != mrNone) continue;
      TSeen s;
      s.Found = true;
      s.Help = dialog->lbSetDefaultHelp->GetVisible();
      s.Owner = dialog->GetOwner();
      for (int r = 0; r < dialog->lvApplication->GetItems()->GetCount(); ++r)
        s.Checks.push_back(dialog->lvApplication->GetItems()->GetItem(r)->GetChecked());
      seen.push_back(s);
      dialog->SetModalResult(mrCancel);
    }
  };
  auto saved = TfrmEngineWndLumetra::DefaultCamDialog;
  TfrmEngineWndLumetra::DefaultCamDialog = RunDefaultCamDialog;  // as the program sets it
  Window->ShowDefaultCamDialog();
  GetSettings()->Write(Setting::FirstTimeRun, false);
  Window->ShowDefaultCamDialog();
  TfrmEngineWndLumetra::DefaultCamDialog = saved;
  ASSERT_EQ(2u, seen.size());
  EXPECT_TRUE(seen[0].Help);
  EXPECT_FALSE(seen[1].Help);
  EXPECT_EQ(Window, seen[0].Owner);
  EXPECT_EQ(std::vector<bool>(11, true), seen[0].Checks);
  // Freed after each showing.
  for (int i = 0; i < Screen->GetCustomFormCount(); ++i)
    EXPECT_EQ(nullptr, dynamic_cast<TfrmDefaultCam*>(Screen->GetCustomForm(i)));
}
