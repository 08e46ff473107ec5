// The update check and the web links against a local HTTP server: the request as it goes
// out, what each kind of reply shows, "LastUpdateDate", checks that cannot start, and web
// links opened with the browser registered in the prefix (a stand-in that writes down how
// it was started).
#include <gtest/gtest.h>

#include <regex>

#include "framework/WinApi.h"

#include "app/SPTools.h"
#include "app/Settings.h"
#include "app/UpdateCheck.h"
#include "app/UpdateRules.h"
#include "app/WebDownloadBinding.h"
#include "tests/app/BrowserStandIn.h"
#include "tests/app/WebTestServer.h"
#include "tests/framework/TestFolder.h"

namespace {

struct TShown {
  AnsiString TextId;
  TMsgDlgType Type;
  uint64_t Buttons;
};

class UpdateCheckTest : public ::testing::Test {
 protected:
  void SetUp() override {
    static int counter = 0;
    const AnsiString unique = IntToStr(GetCurrentProcessId()) + "-" + IntToStr(counter++);
    FConfigPath = "TaviscoTests\\Update-" + unique;
    FRegPath = "TaviscoTests\\Update-" + unique;
    ASSERT_NE(0, FServer.Port());
    WriteConstants("");
    RegDeleteTreeA(HKEY_LOCAL_MACHINE, ("Software\\" + FRegPath).c_str());
    FSettings = std::make_unique<TSettings>(FProgram.Path());
    FSettings->SelectConfigFolder(false);
    FConnection = new TWebDownload(nullptr);
    FCheck = std::make_unique<TUpdateCheck>(FConnection, FSettings.get(), Host());
  }

  void TearDown() override {
    FCheck.reset();
    FConnection->Free();
    const AnsiString folder = FSettings->GetPerUserFolder();
    FSettings.reset();
    if (folder.find(FConfigPath) != AnsiString::npos) RemoveFolderTree(folder);
    RegDeleteTreeA(HKEY_LOCAL_MACHINE, ("Software\\" + FRegPath).c_str());
  }

  // The product constants, the update address on the test's server, and more lines.
  void WriteConstants(const AnsiString& More) {
    WriteWholeFile(FProgram.File("const.dat"),
                   "[const]\r\nApp.ConfigPath=" + FConfigPath + "\r\nApp.RegPath=" + FRegPath +
                       "\r\nApp.Ver=4.2.0.0\r\nApp.SubVer=7\r\nApp.MagicWord=Tavisco\r\n"
                       "URL.update=" + FServer.Url("/update/check.php") + "\r\n" + More);
  }
  void Reload() {
    FCheck.reset();
    FSettings = std::make_unique<TSettings>(FProgram.Path());
    FSettings->SelectConfigFolder(false);
    FCheck = std::make_unique<TUpdateCheck>(FConnection, FSettings.get(), Host());
  }

  TUpdateCheckHost Host() {
    TUpdateCheckHost host;
    host.ShowMessageBox = [this](const AnsiString& id, TMsgDlgType type, TMsgDlgButtons buttons) {
      FShown.push_back({id, type, buttons.ToBits()});
      const int answer = FAnswers.empty() ? 0 : FAnswers.front();
      if (!FAnswers.empty()) FAnswers.erase(FAnswers.begin());
      return answer;
    };
    host.ShowErrorMessage = [this](int code) { FErrors.push_back(code); };
    host.OpenUrl = [this](const AnsiString& address) { FOpened.push_back(address); };
    host.EmbedHostName = [this] { return FHostName; };
    host.Embedded = [this] { return !FHostName.empty(); };
    return host;
  }

  void ForgetShown() {
    FShown.clear();
    FErrors.clear();
    FOpened.clear();
  }

  TTestFolder FProgram;
  TWebTestServer FServer;
  AnsiString FConfigPath;
  AnsiString FRegPath;
  std::unique_ptr<TSettings> FSettings;
  TWebDownload* FConnection = nullptr;
  std::unique_ptr<TUpdateCheck> FCheck;
  AnsiString FHostName;
  std::vector<int> FAnswers;
  std::vector<TShown> FShown;
  std::vector<int> FErrors;
  std::vector<AnsiString> FOpened;
};

const char kLatest[] = "magicword=Tavisco\r\nResult=0\r\n";

}  // namespace

TEST_F(UpdateCheckTest, TheRequestCarriesTheQueryFieldsInOrderAndTheHeaders) {
  RegWriteString(HKEY_LOCAL_MACHINE, "Software\\" + FRegPath, "CHL", "\"C:\\dl\\chan nel.exe\"");
  FSettings->Write(Setting::Language, "Chinese Simplified");
  FHostName = "Host App&Co";
  FServer.Answer("/update/check.php", 200, kLatest);
  FCheck->CheckForUpdate(true);

  const std::vector<TRecordedRequest> requests = FServer.Requests();
  ASSERT_EQ(1u, requests.size());
  const AnsiString expectedTail =
      "&PRODUCT=Tavisco&LANG=Chinese%20Simplified&RUNTIME=" + IntToStr(FSettings->GetRunCount()) +
      "&VER=4200&SVER=7&WVER=" + EncodeQueryValue(SystemVersionText()) +
      "&WLANG=" + IntToStr(GetSystemDefaultLangID()) + "&CONT=Host%20App%26Co&CHL=" +
      HexEncode("chan nel.exe", 12) + "&ACTION=update";
  std::smatch match;
  const std::string line = requests[0].Line;
  ASSERT_TRUE(std::regex_match(line, match, std::regex("GET /update/check\\.php\\?([0-9]{5})(.*) HTTP/1\\.1")))
      << line;
  EXPECT_EQ(expectedTail, match[2].str());
  EXPECT_LT(std::stoi(match[1].str()), 60000);

  // The user agent first, then the form header, one line each.
  const std::vector<AnsiString>& headers = requests[0].Headers;
  const AnsiString agent = "User-agent: Mozilla/4.0 (compatible; MSIE 6.0; Windows NT 5.1; SV1)"
                           "(" + UpdateUserAgent(FSettings->ReadConst("URL.home")) + ")";
  int agentAt = -1, typeAt = -1, agents = 0;
  for (size_t i = 0; i < headers.size(); ++i) {
    if (headers[i] == agent) agentAt = int(i);
    if (headers[i] == "Content-Type: application/x-www-form-urlencoded") typeAt = int(i);
    if (SameText(headers[i].substr(0, 11), "User-agent:")) ++agents;
  }
  EXPECT_GE(agentAt, 0);
  EXPECT_GT(typeAt, agentAt);
  EXPECT_EQ(1, agents);
  EXPECT_FALSE(FCheck->GetInProgress());
}

TEST_F(UpdateCheckTest, EachReplyKindShowsItsAnswerAndTheCheckCompletes) {
  const AnsiString page = FServer.Url("/download/page.html");
  struct Case {
    const char* name;
    int status;
    AnsiString body;
    bool serverGone;
    std::vector<int> answers;
    std::vector<AnsiString> shown;
    std::vector<int> errors;
    std::vector<AnsiString> opened;
  };
  const Case cases[] = {
      {"already latest", 200, kLatest, false, {}, {"MSGBOX_LastVersionAlready"}, {}, {}},
      {"new version", 200,
       "magicword=TAVISCO\r\nResult=1\r\ninfo=Version %1 is out%%\r\npage=" + page + "\r\n", false,
       {mrOk}, {"Version %1 is out%%"}, {}, {page}},
      {"new version declined", 200, "magicword=Tavisco\r\nResult=1\r\ninfo=MSG_New\r\n", false,
       {mrCancel}, {"MSG_New"}, {}, {}},
      // A page that is no web address is not opened: a program, a network path, a file,
      // an address that would add arguments to the browser's command.
      {"new version naming a program", 200,
       "magicword=Tavisco\r\nResult=1\r\ninfo=MSG_New\r\npage=C:\\windows\\system32\\calc.exe\r\n", false,
       {mrOk}, {"MSG_New"}, {}, {}},
      {"new version naming a network path", 200,
       "magicword=Tavisco\r\nResult=1\r\ninfo=MSG_New\r\npage=\\\\server\\share\\setup.exe\r\n", false,
       {mrOk}, {"MSG_New"}, {}, {}},
      {"new version naming a file address", 200,
       "magicword=Tavisco\r\nResult=1\r\ninfo=MSG_New\r\npage=file:///C:/setup.exe\r\n", false, {mrOk},
       {"MSG_New"}, {}, {}},
      {"new version naming arguments", 200,
       "magicword=Tavisco\r\nResult=1\r\ninfo=MSG_New\r\npage=http://x.example/\" -new-instance C:\\x.exe\r\n",
       false, {mrOk}, {"MSG_New"}, {}, {}},
      {"new version on a secure page", 200,
       "magicword=Tavisco\r\nResult=1\r\ninfo=MSG_New\r\npage=HTTPS://x.example/get\r\n", false, {mrOk},
       {"MSG_New"}, {}, {"HTTPS://x.example/get"}},
      {"error result", 200, "magicword=Someone else\r\nResult=1\r\n", false, {}, {}, {1011}, {}},
      {"unknown result", 200, "magicword=Tavisco\r\nResult=2\r\n", false, {}, {}, {}, {}},
      {"HTTP 404", 404, kLatest, false, {}, {}, {1011}, {}},
      {"no answer", 0, "", false, {}, {}, {1011}, {}},
      {"server gone", 200, kLatest, true, {}, {}, {1011}, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ForgetShown();
    FAnswers = c.answers;
    FSettings->Write(Setting::LastUpdateDate, 0);
    if (c.serverGone)
      WriteWholeFile(FProgram.File("const.dat"),
                     "[const]\r\nApp.ConfigPath=" + FConfigPath + "\r\nApp.MagicWord=Tavisco\r\n"
                     "URL.update=http://127.0.0.1:" + IntToStr(ClosedPort()) + "/update\r\n");
    else
      WriteConstants("");
    Reload();
    if (c.status == 0)
      FServer.Answer("/update/check.php", 200, "", 0, {}, true);  // the connection is dropped
    else
      FServer.Answer("/update/check.php", c.status, c.body);
    FCheck->CheckForUpdate(true);

    std::vector<AnsiString> shown;
    for (const TShown& s : FShown) shown.push_back(s.TextId);
    EXPECT_EQ(c.shown, shown);
    EXPECT_EQ(c.errors, FErrors);
    EXPECT_EQ(c.opened, FOpened);
    EXPECT_FALSE(FCheck->GetInProgress());
    EXPECT_EQ(int(Trunc(Date())), FSettings->Read(Setting::LastUpdateDate));
    EXPECT_TRUE(FSettings->Read(Setting::AutoCheckUpdate));  // a check from the menu never asks
    if (!FShown.empty()) {
      const bool announcement = FShown[0].TextId != "MSGBOX_LastVersionAlready";
      EXPECT_EQ(announcement ? mtConfirmation : mtInformation, FShown[0].Type);
      const uint64_t buttons =
          announcement ? TMsgDlgButtons{mbOK, mbCancel}.ToBits() : TMsgDlgButtons{mbOK}.ToBits();
      EXPECT_EQ(buttons, FShown[0].Buttons);
    }
  }
  // The next check is sent: nothing stayed in progress.
  WriteConstants("");
  Reload();
  FServer.ClearRequests();
  FServer.Answer("/update/check.php", 200, kLatest);
  FCheck->CheckForUpdate(false);
  EXPECT_EQ(1u, FServer.Requests().size());
  EXPECT_TRUE(AllBindingObjectsFreed());
}

TEST_F(UpdateCheckTest, AStalledServerTimesOutAndTheCheckCompletes) {
  FServer.Answer("/update/check.php", 200, kLatest, 12);
  const DWORD start = GetTickCount();
  FCheck->CheckForUpdate(true);
  const DWORD elapsed = GetTickCount() - start;
  EXPECT_GE(elapsed, 4500u);
  EXPECT_LT(elapsed, 9000u);
  EXPECT_EQ(std::vector<int>{1011}, FErrors);
  EXPECT_TRUE(FShown.empty());
  EXPECT_FALSE(FCheck->GetInProgress());
  EXPECT_EQ(int(Trunc(Date())), FSettings->Read(Setting::LastUpdateDate));
}

TEST_F(UpdateCheckTest, AutomaticChecksAskAboutThemselvesAndStaySilentOnFailure) {
  // A new version at start-up, declined: the question whether to go on checking; No turns
  // the automatic check off.
  FServer.Answer("/update/check.php", 200, "magicword=Tavisco\r\nResult=1\r\ninfo=MSG_New\r\n");
  FAnswers = {mrCancel, mrNo};
  FCheck->AutoCheckForUpdate();
  ASSERT_EQ(2u, FShown.size());
  EXPECT_EQ("MSG_New", FShown[0].TextId);
  EXPECT_EQ("MSGBOX_AutoCheckUpdate", FShown[1].TextId);
  EXPECT_EQ(mtConfirmation, FShown[1].Type);
  EXPECT_EQ((TMsgDlgButtons{mbYes, mbNo}.ToBits()), FShown[1].Buttons);
  EXPECT_FALSE(FSettings->Read(Setting::AutoCheckUpdate));
  EXPECT_FALSE(FCheck->GetManual());

  // Switched off: the request still goes out, nothing is shown.
  ForgetShown();
  FServer.ClearRequests();
  FCheck->AutoCheckForUpdate();
  EXPECT_EQ(1u, FServer.Requests().size());
  EXPECT_TRUE(FShown.empty());

  // Failures of automatic checks are silent; "up to date" is not shown either.
  FSettings->Write(Setting::AutoCheckUpdate, true);
  FServer.Answer("/update/check.php", 404, "");
  FCheck->AutoCheckForUpdate();
  FServer.Answer("/update/check.php", 200, kLatest);
  FCheck->AutoCheckForUpdate();
  EXPECT_TRUE(FShown.empty());
  EXPECT_TRUE(FErrors.empty());

  // Embedded in a host program no answer is shown, but the date is still written.
  FHostName = "Host";
  FSettings->Write(Setting::LastUpdateDate, 0);
  FServer.Answer("/update/check.php", 200, "magicword=Tavisco\r\nResult=1\r\ninfo=MSG_New\r\n");
  FCheck->CheckForUpdate(true);
  EXPECT_TRUE(FShown.empty());
  EXPECT_EQ(int(Trunc(Date())), FSettings->Read(Setting::LastUpdateDate));
  EXPECT_TRUE(FCheck->GetManual());
}

// An installation without an update address of its own sends no request anywhere, from
// the start nor from the menu.
TEST_F(UpdateCheckTest, WithoutAnUpdateAddressNoRequestIsSent) {
  FServer.Answer("/update/check.php", 200, kLatest);
  WriteWholeFile(FProgram.File("const.dat"),
                 "[const]\r\nApp.ConfigPath=" + FConfigPath + "\r\nApp.MagicWord=Tavisco\r\n"
                 "URL.Redirect=" + FServer.Url("/update/check.php") + "\r\n");
  Reload();
  EXPECT_FALSE(FCheck->HasWebLink("update"));
  EXPECT_EQ("", FCheck->BuildWebLink("update", true));
  FCheck->AutoCheckForUpdate();
  FCheck->CheckForUpdate(true);
  EXPECT_TRUE(FServer.Requests().empty());
  EXPECT_FALSE(FCheck->GetInProgress());
  EXPECT_TRUE(FShown.empty());
  EXPECT_TRUE(FErrors.empty());
  WriteConstants("");
  Reload();
  EXPECT_TRUE(FCheck->HasWebLink("update"));
}

TEST_F(UpdateCheckTest, ACheckThatCannotStartLeavesLaterChecksWorking) {
  // The address is checked first and refused: no binding, no completion event.
  FConnection->SetValidateUrl(true);
  WriteWholeFile(FProgram.File("const.dat"),
                 "[const]\r\nApp.ConfigPath=" + FConfigPath + "\r\nApp.MagicWord=Tavisco\r\n"
                 "URL.update=http://127.0.0.1:" + IntToStr(ClosedPort()) + "/update\r\n");
  Reload();
  FCheck->CheckForUpdate(true);
  EXPECT_FALSE(FCheck->GetInProgress());

  FConnection->SetValidateUrl(false);
  WriteConstants("");
  Reload();
  FServer.Answer("/update/check.php", 200, kLatest);
  FCheck->CheckForUpdate(true);
  EXPECT_EQ(1u, FServer.Requests().size());
  ASSERT_EQ(1u, FShown.size());
  EXPECT_EQ("MSGBOX_LastVersionAlready", FShown[0].TextId);
}

TEST_F(UpdateCheckTest, WebLinksOpenTheRegisteredBrowserWithTheirAddress) {
  WriteConstants("URL.home=http://home.example/start.php\r\nURL.help=%exepath%help.htm\r\n"
                 "URL.Redirect=http://redirect.example/r\r\n");
  Reload();
  // The browser of the prefix is the launch recorder while the test runs.
  const AnsiString out = FProgram.File("browser.txt");
  TBrowserStandIn browser;
  const AnsiString recorder = "\"" + GetExeFolder() + "record_launch.exe\" \"" + out + "\"";
  struct Case {
    AnsiString command;  // the registered command
    const char* link;
    AnsiString address;  // the address the browser gets, before the query
    bool hasQuery;
  };
  const Case cases[] = {
      {recorder + " \"%1\"", "home", "http://home.example/start.php", true},
      {recorder, "videodecoder", "http://redirect.example/r", true},  // no "%1": appended
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.link);
    DeleteFile(out);
    ReplaceBrowser(c.command);
    const AnsiString address = FCheck->BuildWebLink(c.link, true);
    ASSERT_EQ(0u, address.find(c.address + "?")) << address;
    EXPECT_NE(AnsiString::npos, address.find("&ACTION=" + AnsiString(c.link)));
    EXPECT_TRUE(OpenUrlInBrowser(nullptr, address));
    for (int i = 0; i < 200 && !FileExists(out); ++i) Sleep(50);
    Sleep(100);
    TStringList lines;
    lines.SetText(ReadWholeFile(out));
    ASSERT_GE(lines.GetCount(), 1);
    const bool withPlaceholder = c.command.find("%1") != AnsiString::npos;
    EXPECT_EQ(withPlaceholder ? recorder + " \"" + address + "\"" : recorder + "  \"" + address + "\"",
              lines.Get(0));
  }
  // The help file of the program folder: no query, as it is no web address.
  EXPECT_EQ(GetExeFolder() + "help.htm", FCheck->BuildWebLink("help", true));
  // OpenWebLink hands the link with its query to the window's browser routine.
  FCheck->OpenWebLink("home");
  ASSERT_EQ(1u, FOpened.size());
  EXPECT_EQ(0u, FOpened[0].find("http://home.example/start.php?"));
}
