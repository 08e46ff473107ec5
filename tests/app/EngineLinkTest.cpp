// The engine as the program holds it, and the engine window's rules that need no window:
// without an engine every call answers empty or false; the open-media filters; the text of
// an engine event; the show-again answers of message boxes.
#include <gtest/gtest.h>

#include "app/EngineLink.h"
#include "app/EngineWndRules.h"
#include "app/SPTools.h"
#include "app/Settings.h"
#include "tests/app/FakeEngine.h"
#include "tests/framework/TestFolder.h"

namespace {
AnsiString EnglishText(const AnsiString& id) {
  if (id == "strAllKnownMediaFiles") return "All the media files supported";
  if (id == "strPictureFiles") return "Picture Files";
  if (id == "strFlashFiles") return "Flash Files";
  if (id == "strMovieFiles") return "Movie Files";
  if (id == "strAllFiles") return "All Files";
  if (id == "ERRORMSG_1013") return "The Media File \"%1\" Error.";
  if (id == "ERRORMSG_1002") return "";
  return id;
}
}  // namespace

TEST(EngineLink, WithoutAnEngineEveryCallAnswersEmptyOrFalse) {
  TEngineLink link;
  EXPECT_FALSE(link.Exists());
  AnsiString value = "kept";
  EXPECT_FALSE(link.GetProperty(-1, 0x5008, value));
  EXPECT_EQ("kept", value);
  EXPECT_FALSE(link.SetProperty(-1, 0x5008, "1"));
  TStringList list;
  list.Add("old");
  EXPECT_FALSE(link.GetSourceList(&list));
  EXPECT_EQ(1, list.GetCount());
  EXPECT_FALSE(link.SetOutputSize(320, 240));
  EXPECT_FALSE(link.SetFrameRate(20));
  EXPECT_FALSE(link.SetKindMultiple("Text", true));
  int code = 5;
  AnsiString text = "x";
  EXPECT_FALSE(link.GetLastEvent(code, text));
  EXPECT_EQ(0, code);
  EXPECT_EQ("", text);
  link.SetHostVersion(1);
  link.SetNotifyWindow(nullptr);
  link.SetOwnerWindow(nullptr);
  link.Initialize("camera");
  link.SetKindOrder(&list);
  link.SetSortByKind(true);
  link.PreviewMouse(WM_MOUSEMOVE, 1, 2);
  link.SetPreviewWindow(nullptr);
  link.Tick();
  link.Release();
}

TEST(EngineLink, CallsReachTheEngineWithTrueAsMinusOne) {
  TFakeEngine* fake = new TFakeEngine;
  fake->Properties[0x5008] = "1";
  fake->Devices = {"Cam A", "@device:pnp:a", "Cam B", "@device:pnp:b"};
  {
    TEngineLink link(fake);
    AnsiString value;
    EXPECT_TRUE(link.GetProperty(-1, 0x5008, value, "arg"));
    EXPECT_EQ("1", value);
    EXPECT_FALSE(link.GetProperty(-1, 0x5009, value));
    EXPECT_EQ("", value);
    EXPECT_TRUE(link.SetProperty(-1, 0x5005, "a|b"));
    TStringList devices;
    EXPECT_TRUE(link.GetSourceList(&devices));
    EXPECT_EQ("Cam A\r\n@device:pnp:a\r\nCam B\r\n@device:pnp:b\r\n", devices.GetText());
    EXPECT_TRUE(link.SetKindMultiple("Text", true));
    link.SetSortByKind(true);
    link.SetSortByKind(false);
    link.PreviewMouse(WM_LBUTTONDOWN, 3, 4);
    TStringList kinds;
    kinds.SetCommaText("Background,Mask");
    link.SetKindOrder(&kinds);
    fake->EventCode = 1013;
    fake->EventText = "C:\\x.avi";
    int code = 0;
    AnsiString text;
    EXPECT_TRUE(link.GetLastEvent(code, text));
    EXPECT_EQ(1013, code);
    EXPECT_EQ("C:\\x.avi", text);
    EXPECT_EQ(std::vector<std::string>({"GetProperty(-1,20488,arg)", "GetProperty(-1,20489,)",
                                        "SetProperty(-1,20485,a|b)", "GetCaptureDevices()",
                                        "SetKindMultiple(Text,-1)", "SetSortByKind(-1)",
                                        "SetSortByKind(0)", "PreviewMouse(0,513,3,4)",
                                        "SetKindOrder(Background|Mask)", "GetLastEvent()"}),
              fake->Calls);
  }
  // Going away, the link stops the engine's messages and then releases it.
  ASSERT_GE(fake->Calls.size(), 2u);
  EXPECT_EQ("SetNotifyWindow(null)", fake->Calls[fake->Calls.size() - 2]);
  EXPECT_EQ("Release", fake->Calls.back());
  delete fake;
}

TEST(EngineWndRules, OpenMediaFiltersByKind) {
  const char* pictures = "*.bmp;*.jpg";
  const char* flash = "*.swf";
  const char* video = "*.avi;*.wmv";
  EXPECT_EQ(
      "All the media files supported(*.bmp;*.jpg;*.swf;*.avi;*.wmv)|*.bmp;*.jpg;*.swf;*.avi;*.wmv|"
      "Picture Files(*.bmp;*.jpg)|*.bmp;*.jpg|Flash Files(*.swf)|*.swf|"
      "Movie Files(*.avi;*.wmv)|*.avi;*.wmv|All Files(*.*)|*.*||",
      MediaFilter(mdkAllMedia, pictures, flash, video, EnglishText));
  EXPECT_EQ("Picture Files(*.bmp;*.jpg)|*.bmp;*.jpg|All Files(*.*)|*.*||",
            MediaFilter(mdkPictures, pictures, flash, video, EnglishText));
  EXPECT_EQ("Flash Files(*.swf)|*.swf|All Files(*.*)|*.*||",
            MediaFilter(mdkFlash, pictures, flash, video, EnglishText));
  EXPECT_EQ(
      "All the media files supported(*.bmp;*.jpg;*.swf)|*.bmp;*.jpg;*.swf|"
      "Picture Files(*.bmp;*.jpg)|*.bmp;*.jpg|Flash Files(*.swf)|*.swf|All Files(*.*)|*.*||",
      MediaFilter(mdkPicturesAndFlash, pictures, flash, video, EnglishText));
  EXPECT_EQ("All Files(*.*)|*.*||", MediaFilter(7, pictures, flash, video, EnglishText));
}

TEST(EngineWndRules, EngineEventTextIsFormattedOnce) {
  EXPECT_EQ("The Media File \"C:\\a b.avi\" Error.",
            EngineEventText(1013, "C:\\a b.avi", EnglishText));
  // The engine's text is taken literally: its own placeholders and percent signs stay.
  EXPECT_EQ("The Media File \"C:\\100%% %1\\x.avi\" Error.",
            EngineEventText(1013, "C:\\100%% %1\\x.avi", EnglishText));
  // An empty language text shows the engine's text itself.
  EXPECT_EQ("C:\\snap.png", EngineEventText(1002, "C:\\snap.png", EnglishText));
  // An unknown code gives its id, without the engine text.
  EXPECT_EQ("ERRORMSG_4242", EngineEventText(4242, "text", EnglishText));
}

TEST(EngineWndRules, StoppedMessagesAnswerWithoutShowing) {
  TTestFolder program;
  WriteWholeFile(program.File("const.dat"),
                 "[const]\r\nApp.ConfigPath=TaviscoTests\\Rules-" +
                     IntToStr(GetCurrentProcessId()) + "\r\n");
  TSettings settings(program.Path());
  settings.SelectConfigFolder(false);
  int shown = 0;
  bool offered = false;
  auto answer = [&](int result, bool stop) {
    return [&, result, stop](bool offerStop, bool& stopRequested) {
      ++shown;
      offered = offerStop;
      stopRequested = stop;
      return result;
    };
  };
  // Id 0: shown without the box, every time.
  EXPECT_EQ(2, ShowWithShowAgain(settings, 0, 0, answer(2, true)));
  EXPECT_FALSE(offered);
  EXPECT_EQ(1, shown);
  // Shown with the box; not stopped: shown again next time.
  EXPECT_EQ(2, ShowWithShowAgain(settings, 5, 1, answer(2, false)));
  EXPECT_TRUE(offered);
  EXPECT_TRUE(settings.GetShowAgain(5));
  // Stopped with OK: from then on OK without showing (default result 1).
  EXPECT_EQ(1, ShowWithShowAgain(settings, 5, 1, answer(1, true)));
  EXPECT_EQ(3, shown);
  EXPECT_EQ(1, ShowWithShowAgain(settings, 5, 1, answer(2, false)));
  EXPECT_EQ(3, shown);
  // Without a default result the remembered answer counts.
  EXPECT_EQ(7, ShowWithShowAgain(settings, 6, 0, answer(7, true)));
  EXPECT_EQ(7, ShowWithShowAgain(settings, 6, 0, answer(1, false)));
  EXPECT_EQ(4, shown);
  settings.ClearShowAgain();
  EXPECT_EQ(2, ShowWithShowAgain(settings, 6, 0, answer(2, false)));
  EXPECT_EQ(5, shown);
  const AnsiString folder = settings.GetPerUserFolder();
  ASSERT_NE(AnsiString::npos, folder.find("TaviscoTests\\Rules-")) << folder;
  RemoveFolderTree(folder);
}
