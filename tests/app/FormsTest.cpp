// The program's smaller dialogs on the test display: the splash window with its optional
// overlay (and no splash when its picture cannot be read), the URL input dialog, the
// about box and the options dialog, against the engine window with a fake engine.
#include "tests/app/FormsTestSupport.h"

#include "tests/framework/ControlTestSupport.h"

#include "app/AboutForm.h"
#include "app/InputUrlForm.h"
#include "app/OptionsForm.h"
#include "app/SplashForm.h"
#include "skin/data/PngImage.h"
#include "skin/data/PngImageList.h"
#include "skin/data/spMultiLangData.h"

namespace {

// Shows the form modally from a timer while the input steps run on their own thread; the
// modal result.
int RunModal(TForm* Form, TInputDriver& Input) {
  int result = -1;
  TOwned<TTimer> timer(new TTimer(nullptr));
  timer->SetInterval(10);
  timer->OnTimer = [&](TObject*) {
    timer->SetEnabled(false);
    result = Form->ShowModal();
  };
  Input.Run();
  PumpUntil([&] { return result != -1; }, 5000);
  return result;
}

// Waits (on the input thread) until the form's window shows, then a little for painting.
void WaitShown(HWND Wnd) {
  for (int i = 0; i < 300 && !IsWindowVisible(Wnd); ++i) Sleep(10);
  Sleep(150);
}

// Types the text as key presses (on the input thread).
void TypeText(const std::string& Text) {
  for (char c : Text) {
    const SHORT scan = VkKeyScanA(c);
    if (scan & 0x100)
      TypeKey(LOBYTE(scan), {VK_SHIFT});
    else
      TypeKey(LOBYTE(scan));
  }
}

// Clicks an item of a combo box's dropped-down list (on the input thread).
void ClickListItem(HWND Combo, int Index) {
  Sleep(200);
  COMBOBOXINFO info = {};
  info.cbSize = sizeof(info);
  ASSERT_TRUE(GetComboBoxInfo(Combo, &info));
  RECT r;
  GetWindowRect(info.hwndList, &r);
  const int itemHeight = static_cast<int>(SendMessageA(info.hwndList, LB_GETITEMHEIGHT, 0, 0));
  ClickAt(r.left + 10, r.top + 1 + itemHeight * Index + itemHeight / 2);
}

// The colour of a pixel of a picture drawn opaque, as the screen shows it.
TColor PicturePixel(TGraphic* Picture, int X, int Y) {
  TOwned<TBitmap> bitmap(new TBitmap);
  bitmap->SetPixelFormat(pf24bit);
  bitmap->SetSize(Picture->GetWidth(), Picture->GetHeight());
  bitmap->GetCanvas()->Draw(0, 0, Picture);
  return bitmap->GetCanvas()->GetPixel(X, Y);
}

// A PNG file of Width x Height in one colour with a square of another at the top-left
// corner; with Transparent the first colour is see-through.
void WritePng(const AnsiString& Path, int Width, int Height, TColor Field, TColor Square, bool Transparent) {
  TOwned<TBitmap> bitmap(new TBitmap);
  bitmap->SetPixelFormat(pf24bit);
  bitmap->SetSize(Width, Height);
  bitmap->GetCanvas()->GetBrush()->SetColor(Field);
  bitmap->GetCanvas()->FillRect(TRect(0, 0, Width, Height));
  bitmap->GetCanvas()->GetBrush()->SetColor(Square);
  bitmap->GetCanvas()->FillRect(TRect(0, 0, 20, 20));
  TPNGObject png;
  png.AssignFromBitmapHandle(bitmap->GetHandle(), Transparent, ColorToRGB(Field));
  png.SaveToFile(Path);
}

bool SameColour(TColor A, TColor B, int Tolerance = 2) {
  const COLORREF a = ColorToRGB(A), b = ColorToRGB(B);
  return std::abs(GetRValue(a) - GetRValue(b)) <= Tolerance && std::abs(GetGValue(a) - GetGValue(b)) <= Tolerance &&
         std::abs(GetBValue(a) - GetBValue(b)) <= Tolerance;
}

}  // namespace

// ---------------------------------------------------------------------------------------
// Splash

TEST_F(FormsTest, SplashShowsItsPictureSizedToItAndTheOverlayOverIt) {
  TFailOnException failures;
  const AnsiString images = Program.File("res\\images\\");
  TPNGObject picture;
  picture.LoadFromFile(images + "splash.png");

  struct Case {
    const char* what;
    const char* overlay;  // written as splashoem.png: "" none, "png" a picture, "junk" bytes
  };
  const Case cases[] = {{"splash alone", ""}, {"with the overlay", "png"}, {"unreadable overlay", "junk"}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    DeleteFileA((images + "splashoem.png").c_str());
    if (std::string(c.overlay) == "png")
      WritePng(images + "splashoem.png", 60, 40, clFuchsia, clRed, true);
    else if (std::string(c.overlay) == "junk")
      WriteWholeFile(images + "splashoem.png", "not a picture");

    TfrmSplashForm* splash = ShowSplashForm();
    ASSERT_NE(nullptr, splash);
    EXPECT_EQ(splash, frmSplashForm);
    PumpFor(100);
    EXPECT_TRUE(IsWindowVisible(splash->GetHandle()));
    EXPECT_EQ(0, GetWindowLongA(splash->GetHandle(), GWL_STYLE) & WS_CAPTION);
    EXPECT_EQ(picture.GetWidth(), splash->GetClientWidth());
    EXPECT_EQ(picture.GetHeight(), splash->GetClientHeight());
    // In the middle of the screen.
    EXPECT_NEAR((Screen->GetWidth() - splash->GetWidth()) / 2, splash->GetLeft(), 1);
    EXPECT_NEAR((Screen->GetHeight() - splash->GetHeight()) / 2, splash->GetTop(), 1);
    Screenshot(splash->GetHandle(), std::string("splash-") + c.overlay);

    // The splash picture shows, the overlay's square over its corner.
    const bool overlaid = std::string(c.overlay) == "png";
    EXPECT_EQ(overlaid, splash->GetOverlayPicture() && !splash->GetOverlayPicture()->GetEmpty());
    for (TPoint p : {TPoint(10, 10), TPoint(100, 100), TPoint(300, 150)}) {
      const TColor expected = overlaid && p.X < 20 && p.Y < 20 ? clRed : PicturePixel(&picture, p.X, p.Y);
      EXPECT_TRUE(SameColour(expected, ScreenPixel(ScreenPoint(splash, p.X, p.Y))))
          << p.X << "," << p.Y << ": " << std::hex << ColorToRGB(ScreenPixel(ScreenPoint(splash, p.X, p.Y)));
    }
    CloseSplashForm();
    EXPECT_EQ(nullptr, frmSplashForm);
    CloseSplashForm();  // nothing left to close
  }
}

TEST_F(FormsTest, ASplashPictureThatCannotBeReadSkipsTheSplash) {
  TFailOnException failures;
  const AnsiString splashFile = Program.File("res\\images\\splash.png");
  struct Case {
    const char* what;
    AnsiString bytes;
    bool write;
  };
  const Case cases[] = {{"missing", "", false},
                        {"not a picture", "GIF89a...", true},
                        {"empty", "", true},
                        {"cut short", AnsiString("\x89PNG\r\n\x1a\n\0\0\0\rIHDR\0\0", 18), true}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    DeleteFileA(splashFile.c_str());
    if (c.write) WriteWholeFile(splashFile, c.bytes);
    const int forms = Screen->GetCustomFormCount();
    EXPECT_EQ(nullptr, ShowSplashForm());
    EXPECT_EQ(nullptr, frmSplashForm);
    EXPECT_EQ(forms, Screen->GetCustomFormCount());  // nothing left behind
    CloseSplashForm();
  }
  // Start-up goes on: the engine window is made after it as usual.
  EXPECT_TRUE(Create()->HasEngine());
}

// ---------------------------------------------------------------------------------------
// URL input

TEST_F(FormsTest, UrlDialogGivesTheTypedAddressOnOkAndNothingOnCancel) {
  TFailOnException failures;
  CreateWindows();
  Main->Show();
  Application->SetMainForm(Main);
  TOwned<TfrmInputUrlForm> form(new TfrmInputUrlForm(Main));
  EXPECT_EQ("Input URL", form->GetCaption());
  EXPECT_EQ("URL", form->lbURL->GetCaption());
  EXPECT_EQ("&OK", form->btnOK->GetCaption());
  EXPECT_EQ("&Cancel", form->btnCancel->GetCaption());
  EXPECT_EQ(499, form->GetClientWidth());
  EXPECT_EQ(96, form->GetClientHeight());
  EXPECT_EQ(425, form->edURL->GetWidth());
  HWND wnd = form->GetHandle();
  form->edURL->HandleNeeded();

  // Typed, then Enter (the default button).
  TInputDriver input;
  input.Add([&] {
    WaitShown(wnd);
    TypeText("www.example.org/clip 1.avi");
  });
  input.Add([&] {
    ScreenshotRect([&] { RECT r; GetWindowRect(wnd, &r); return r; }(), "url-dialog");
    TypeKey(VK_RETURN);
  });
  EXPECT_EQ(mrOk, RunModal(form.get(), input));
  EXPECT_EQ("www.example.org/clip 1.avi", form->GetUrl());
  // Centred on the main window.
  EXPECT_NEAR(Main->GetLeft() + (Main->GetWidth() - form->GetWidth()) / 2, form->GetLeft(), 1);

  // Escape cancels.
  input.Add([&] {
    WaitShown(wnd);
    TypeKey(VK_ESCAPE);
  });
  EXPECT_EQ(mrCancel, RunModal(form.get(), input));
  Application->SetMainForm(nullptr);
}

// ---------------------------------------------------------------------------------------
// About

TEST_F(FormsTest, AboutBoxShowsVersionCopyrightLogoAndTranslator) {
  TFailOnException failures;
  WriteConst("App.Copyright=the Tavisco authors\r\nURL.home=http://127.0.0.1:1/home\r\n");
  MakeSettings();
  CreateWindows();
  Main->Show();
  {
    TOwned<TfrmAboutForm> about(new TfrmAboutForm(Main));
    EXPECT_EQ("About Lumetra", about->GetCaption());
    EXPECT_EQ("Lumetra", about->lbAbout->GetCaption());
    EXPECT_EQ("Version 4.2.0.0", about->lbVersion->GetCaption());
    EXPECT_EQ("Copyright (C) the Tavisco authors", about->lbCopyRight->GetCaption());
    EXPECT_EQ("", about->lbTranslater->GetCaption());  // English
    EXPECT_EQ("http://127.0.0.1:1/home", about->imgLogo->GetURL());
    EXPECT_EQ(crHandPoint, about->imgLogo->GetCursor());
    TGraphic* logo = about->imgLogo->GetPicture()->GetGraphic();
    ASSERT_NE(nullptr, logo);
    EXPECT_EQ(80, logo->GetWidth());

    TInputDriver input;
    input.Add([&] {
      WaitShown(about->GetHandle());
      RECT r;
      GetWindowRect(about->GetHandle(), &r);
      ScreenshotRect(r, "about");
      TypeKey(VK_RETURN);
    });
    about->HandleNeeded();
    EXPECT_EQ(mrOk, RunModal(about.get(), input));
  }

  // A logo file of its own shows; one that cannot be read leaves the built-in logo.
  const AnsiString logoFile = Program.File("res\\images\\logo.png");
  WritePng(logoFile, 40, 30, clNavy, clYellow, false);
  {
    TOwned<TfrmAboutForm> about(new TfrmAboutForm(Main));
    EXPECT_EQ(40, about->imgLogo->GetPicture()->GetWidth());
  }
  for (const char* bytes : {"", "no picture"}) {
    WriteWholeFile(logoFile, bytes);
    TOwned<TfrmAboutForm> about(new TfrmAboutForm(Main));
    EXPECT_EQ(80, about->imgLogo->GetPicture()->GetWidth()) << bytes;
    EXPECT_EQ(80, about->imgLogo->GetPicture()->GetHeight()) << bytes;
  }
  DeleteFileA(logoFile.c_str());
  {
    TOwned<TfrmAboutForm> about(new TfrmAboutForm(Main));
    EXPECT_EQ(80, about->imgLogo->GetPicture()->GetWidth());
  }

  // A translated language names its translator, and its version text is used.
  ForceDirectories(Program.File("langs"));
  WriteWholeFile(Program.File("langs\\Deutsch.lan"),
                 "[Info]\r\nLanguage=Deutsch\r\nTranslator=Hanna Weber\r\n"
                 "[TfrmAboutForm]\r\nlbVersion.Lines=Fassung %1\r\nlbCopyRight.Caption=(C)<SP>\r\n");
  Window->LoadLanguage("Deutsch");
  {
    TOwned<TfrmAboutForm> about(new TfrmAboutForm(Main));
    EXPECT_EQ("Deutsch is tranlated by \r\nHanna Weber", about->lbTranslater->GetCaption());
    EXPECT_EQ("Fassung 4.2.0.0", about->lbVersion->GetCaption());
    EXPECT_EQ("(C) the Tavisco authors", about->lbCopyRight->GetCaption());
    EXPECT_EQ("About Lumetra", about->GetCaption());  // not in the file: the built-in text
  }
  // Named "English" (or without a name) there is no translator line.
  WriteWholeFile(Program.File("langs\\English.lan"), "[Info]\r\nLanguage=English\r\nTranslator=Someone\r\n");
  Window->LoadLanguage("English");
  {
    TOwned<TfrmAboutForm> about(new TfrmAboutForm(Main));
    EXPECT_EQ("", about->lbTranslater->GetCaption());
  }
  WriteWholeFile(Program.File("langs\\Nameless.lan"), "[Info]\r\nTranslator=Someone\r\n");
  Window->LoadLanguage("Nameless");
  {
    TOwned<TfrmAboutForm> about(new TfrmAboutForm(Main));
    EXPECT_EQ("", about->lbTranslater->GetCaption());
  }
}

// ---------------------------------------------------------------------------------------
// Options

TEST_F(FormsTest, OptionsShowTheSettingsAndOkStoresThemAndAppliesSizeAndRate) {
  TFailOnException failures;
  WriteConst("Menu.ShowUpdate=1\r\n");
  MakeSettings();
  PresetSettings("Stream.Rate=25\r\nWebcamSourceSize=3\r\nStream.Width=640\r\nStream.Height=480\r\n"
                 "AutoCheckUpdate=0\r\n");
  CreateWindows();
  Main->Show();
  int sizeChanges = 0;
  Window->OnStreamSizeChanged = [&](TObject*) { ++sizeChanges; };
  TSettings& settings = *GetSettings();

  TOwned<TfrmOptionForm> options(new TfrmOptionForm(Main));
  EXPECT_EQ("Lumetra Options", options->GetCaption());
  EXPECT_EQ("Webcam source rate", options->lbWebcamRate->GetCaption());
  EXPECT_EQ("Adopt the settings of", options->lbSettingfor->GetCaption());
  EXPECT_EQ("Cancel", options->btnCancel->GetCaption());
  EXPECT_TRUE(options->cbAutoUpdate->GetVisible());
  EXPECT_FALSE(options->cbAutoUpdate->GetChecked());
  EXPECT_EQ(3, options->cbWebcamSourceSize->GetItemIndex());
  EXPECT_EQ(25, options->edSourceRate->GetValue());
  EXPECT_EQ(2, options->cbAllUsers->GetItems()->GetCount());
  EXPECT_EQ("Current User", options->cbAllUsers->GetItems()->Get(1));
  EXPECT_EQ(Window->GetAllUsers() ? 0 : 1, options->cbAllUsers->GetItemIndex());

  // The user picks 352x288 (one up from 640x480), types a rate of 31 (the most is 30),
  // ticks the update box and presses OK.
  HWND wnd = options->GetHandle();
  HWND size = options->cbWebcamSourceSize->GetHandle();
  HWND rate = options->edSourceRate->GetEditor()->GetHandle();
  HWND check = options->cbAutoUpdate->GetHandle();
  HWND ok = options->btnOk->GetHandle();
  Engine->Calls.clear();
  TInputDriver input;
  input.Add([&] {
    WaitShown(wnd);
    ClickWindow(size);  // drops the list down
  });
  input.Add([&] { ClickListItem(size, 2); });
  input.Add([&] {
    ClickWindow(rate);
    TypeKey(VK_END);
    TypeKey(VK_BACK);
    TypeKey(VK_BACK);
    TypeText("31");
  });
  input.Add([&] { ClickWindow(check); });
  input.Add([&] {
    RECT r;
    GetWindowRect(wnd, &r);
    ScreenshotRect(r, "options");
    ClickWindow(ok);
  });
  EXPECT_EQ(mrOk, RunModal(options.get(), input));
  EXPECT_EQ("352x288", options->cbWebcamSourceSize->GetComboText());
  EXPECT_EQ("2", settings.ReadString("WebcamSourceSize", ""));
  EXPECT_EQ("352", settings.ReadString("Stream.Width", ""));
  EXPECT_EQ("288", settings.ReadString("Stream.Height", ""));
  EXPECT_EQ("30", settings.ReadString("Stream.Rate", ""));
  EXPECT_TRUE(settings.ReadBool("AutoCheckUpdate", false));
  // The engine takes the new size and rate at once, and the main window hears of the size.
  EXPECT_EQ((std::vector<std::string>{"SetOutputSize(352x288)"}), Engine->CallsStartingWith("SetOutputSize"));
  EXPECT_EQ((std::vector<std::string>{"SetFrameRate(30)"}), Engine->CallsStartingWith("SetFrameRate"));
  EXPECT_EQ(352, Window->GetStreamWidth());
  EXPECT_EQ(1, sizeChanges);
}

TEST_F(FormsTest, OptionsOkWritesEachSizeOfTheListAndTheRate) {
  TFailOnException failures;
  CreateWindows();
  TSettings& settings = *GetSettings();
  struct Case {
    int index;
    double rate;
    const char* width;
    const char* height;
    const char* storedRate;
  };
  const Case cases[] = {
      {0, 25, "176", "144", "25"}, {1, 20, "320", "240", "20"}, {2, 5, "352", "288", "5"},
      {3, 30, "640", "480", "30"}, {-1, 15, "320", "240", "15"},  // no selection: 320x240
      {1, 0, "320", "240", "1"},  // no frames would stop the camera: at least one
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.index);
    TOwned<TfrmOptionForm> options(new TfrmOptionForm(Main));
    options->cbWebcamSourceSize->SetItemIndex(c.index);
    options->edSourceRate->SetValue(c.rate);
    options->SaveOptions();
    EXPECT_EQ(IntToStr(c.index), settings.ReadString("WebcamSourceSize", ""));
    EXPECT_EQ(c.width, settings.ReadString("Stream.Width", ""));
    EXPECT_EQ(c.height, settings.ReadString("Stream.Height", ""));
    EXPECT_EQ(c.storedRate, settings.ReadString("Stream.Rate", ""));
    EXPECT_EQ(atoi(c.width), Window->GetStreamWidth());
  }
  // The spin edit takes no rate above 30 and none below 1; a stored 0 shows as 1.
  TOwned<TfrmOptionForm> options(new TfrmOptionForm(Main));
  options->edSourceRate->SetValue(45);
  EXPECT_EQ(30, options->edSourceRate->GetValue());
  options->edSourceRate->SetValue(0);
  EXPECT_EQ(1, options->edSourceRate->GetValue());
  options->edSourceRate->SetValue(-2);
  EXPECT_EQ(1, options->edSourceRate->GetValue());
  options.reset();
  settings.Write(Setting::StreamRate, 0);
  options.reset(new TfrmOptionForm(Main));
  EXPECT_EQ(1, options->edSourceRate->GetValue());
}

TEST_F(FormsTest, HiddenUpdateBoxStillWritesItsLoadedState) {
  TFailOnException failures;
  PresetSettings("AutoCheckUpdate=0\r\n");
  CreateWindows();  // "Menu.ShowUpdate" is not set
  TOwned<TfrmOptionForm> options(new TfrmOptionForm(Main));
  EXPECT_FALSE(options->cbAutoUpdate->GetVisible());
  GetSettings()->WriteString("AutoCheckUpdate", "1");  // changed behind the dialog's back
  options->SaveOptions();
  EXPECT_EQ("0", GetSettings()->ReadString("AutoCheckUpdate", ""));
}

TEST_F(FormsTest, ClearShowAgainForgetsTheStoppedMessages) {
  TFailOnException failures;
  CreateWindows();
  TSettings& settings = *GetSettings();
  settings.SetShowAgain(5, false);
  settings.SetShowAgainResult(5, 2);
  TOwned<TfrmOptionForm> options(new TfrmOptionForm(Main));
  options->btnClearShowAgainFlag->Click();
  EXPECT_TRUE(settings.GetShowAgain(5));
  EXPECT_EQ(1, settings.GetShowAgainResult(5));
}

TEST_F(FormsTest, ChoosingTheOtherSettingsFolderAsksAndOnOkRestarts) {
  TFailOnException failures;
  CreateWindows();
  Main->Show();
  std::vector<std::string> restarts;
  auto savedRestart = TfrmEngineWndLumetra::RestartProgram;
  TfrmEngineWndLumetra::RestartProgram = [&](const AnsiString& CommandLine) {
    restarts.push_back(CommandLine);
    return true;
  };
  ASSERT_TRUE(Window->GetAllUsers());  // the first run chose the writable all-users folder
  TSettings& settings = *GetSettings();

  for (int answer : {int(mrCancel), int(mrOk)}) {
    SCOPED_TRACE(answer);
    TBoxAnswerer answers([&](const TShownBox&, bool&) { return answer; });
    TOwned<TfrmOptionForm> options(new TfrmOptionForm(Main));
    EXPECT_EQ(0, options->cbAllUsers->GetItemIndex());  // loading asks nothing
    EXPECT_TRUE(answers.Shown.empty());
    HWND wnd = options->GetHandle();
    HWND folder = options->cbAllUsers->GetHandle();
    TInputDriver input;
    input.Add([&] {
      WaitShown(wnd);
      ClickWindow(folder);  // drops the list down
    });
    input.Add([&] { ClickListItem(folder, 1); });
    if (answer == mrCancel) {
      // The dialog stays with the new choice shown; its OK then switches nothing.
      input.Add([&] {
        Sleep(300);  // the question was answered
        TypeKey(VK_RETURN);
      });
    }
    const int result = RunModal(options.get(), input);
    PumpFor(100);  // the posted switch arrives
    ASSERT_EQ(1u, answers.Shown.size());
    EXPECT_EQ("Lumetra will start again and keep its settings and effects for the current user only. Go on?",
              answers.Shown[0].Text);
    EXPECT_EQ(1, options->cbAllUsers->GetItemIndex());
    if (answer == mrCancel) {
      EXPECT_EQ(mrOk, result);
      EXPECT_TRUE(restarts.empty());
      EXPECT_TRUE(settings.GetAllUsersFlag());
    } else {
      EXPECT_EQ(mrCancel, result);  // closed by the switch
      ASSERT_EQ(1u, restarts.size());
      EXPECT_EQ("\"" + GetExeFileName() + "\" -r", restarts[0]);
      EXPECT_FALSE(settings.GetAllUsersFlag());
    }
  }
  TfrmEngineWndLumetra::RestartProgram = savedRestart;
}


// ---------------------------------------------------------------------------------------
// Pictures

// The pictures the program ships: the icon list holds every icon the windows name (0 to
// 15) at 20 x 20 without a gap, and the logo and splash read.
TEST_F(FormsTest, TheProgramsPicturesAreCompleteAndRead) {
  Create();
  EXPECT_EQ(16, Window->liIconsPng->GetCount());
  EXPECT_EQ(20, Window->liIconsPng->GetWidth());
  EXPECT_EQ(20, Window->liIconsPng->GetHeight());
  EXPECT_FALSE(FileExists(Program.File("res\\images\\il_17.png")));
  struct Case {
    const char* file;
    int width, height;
  };
  const Case cases[] = {{"logo.png", 80, 80}, {"splash.png", 400, 200}, {"il_01.png", 20, 20}, {"il_16.png", 20, 20}};
  for (const Case& c : cases) {
    TPNGObject picture;
    picture.LoadFromFile(Program.File(AnsiString("res\\images\\") + c.file));
    EXPECT_EQ(c.width, picture.GetWidth()) << c.file;
    EXPECT_EQ(c.height, picture.GetHeight()) << c.file;
  }
  // The about box's own logo is the shipped one.
  EXPECT_EQ(ReadWholeFile(Program.File("res\\images\\logo.png")), BuiltinLogoPng());
}
