// The engine window's update check and web links: its download component as the update
// check sets it up, the answers shown in the window's message boxes, the query of the
// embedded mode, and the owner of an opened link.
#include "tests/app/EngineWndSupport.h"

#include "app/Main.h"
#include "app/UpdateRules.h"
#include "app/WebDownload.h"
#include "tests/app/WebTestServer.h"

TEST_F(EngineWndTest, TheUpdateCheckShowsItsAnswersInTheWindowsMessageBoxes) {
  TWebTestServer server;
  ASSERT_NE(0, server.Port());
  WriteConst("App.MagicWord=Tavisco\r\nURL.update=" + std::string(server.Url("/update.php")) + "\r\n");
  MakeSettings();
  Create();

  // The download component as the update check uses it.
  TWebDownload* connection = Window->iedNetConnection;
  ASSERT_NE(nullptr, connection);
  EXPECT_EQ(connection, Window->FindComponent("iedNetConnection"));
  EXPECT_EQ(dmStream, connection->GetDownloadMethod());
  EXPECT_EQ(5000, connection->GetTimeOut());
  EXPECT_EQ(UpdateUserAgent(""), connection->GetUserAgent());
  ASSERT_EQ(1, connection->GetAdditionalHeader()->GetCount());
  EXPECT_EQ("Content-Type: application/x-www-form-urlencoded", connection->GetAdditionalHeader()->Get(0));

  TBoxAnswerer answers([](const TShownBox&, bool&) { return mrOk; });
  auto* main = new TRecordingMainForm(nullptr);
  Window->SetMainForm(main);

  server.Answer("/update.php", 200, "magicword=Tavisco\r\nResult=0\r\n");
  Window->CheckForUpdate(true);
  ASSERT_EQ(1u, answers.Shown.size());
  EXPECT_EQ("Your Lumetra is the lastest version already!", answers.Shown[0].Text);
  EXPECT_EQ("Lumetra  4.2.0.0", answers.Shown[0].Caption);
  EXPECT_EQ(int(Trunc(Date())), GetSettings()->Read(Setting::LastUpdateDate));

  server.Answer("/update.php", 404, "");
  Window->CheckForUpdate(true);
  ASSERT_EQ(2u, answers.Shown.size());
  EXPECT_EQ(0u, answers.Shown[1].Text.find("Cannot connect to the update server.")) << answers.Shown[1].Text;
  EXPECT_FALSE(Window->GetUpdateCheck()->GetInProgress());

  // Embedded: the host's name goes into the query, and no answer is shown.
  EmbedHostWnd = reinterpret_cast<NativeInt>(main->GetHandle());
  EmbedHostName = "Other App";
  server.ClearRequests();
  server.Answer("/update.php", 200, "magicword=Tavisco\r\nResult=0\r\n");
  Window->CheckForUpdate(true);
  EmbedHostWnd = 0;
  EmbedHostName.clear();
  EXPECT_EQ(2u, answers.Shown.size());
  const std::vector<TRecordedRequest> requests = server.Requests();
  ASSERT_EQ(1u, requests.size());
  EXPECT_NE(std::string::npos, requests[0].Line.find("&CONT=Other%20App&"));
  EXPECT_EQ(0u, Window->BuildQueryString().find_first_of("0123456789"));
  main->Free();
}
