// What the program's command line asks for.
#include <gtest/gtest.h>

#include "app/CommandLine.h"

namespace {
TStartupRequest Parse(std::vector<AnsiString> args) {
  args.insert(args.begin(), "C:\\Program\\Tavisco.exe");
  return ParseCommandLine(args);
}
}  // namespace

TEST(CommandLine, SwitchesTakeMinusOrSlashInAnyCaseAndTheFirstInOrderDecides) {
  struct Case {
    std::vector<AnsiString> args;
    TStartupAction action;
  };
  const Case cases[] = {
      {{"-i"}, TStartupAction::InstallDriver},
      {{"/I"}, TStartupAction::InstallDriver},
      {{"i"}, TStartupAction::Start},  // a bare word is not a switch
      {{"-u"}, TStartupAction::RemoveDriver},
      {{"/U"}, TStartupAction::RemoveDriver},
      {{"-S"}, TStartupAction::StopRunning},
      {{"/s"}, TStartupAction::StopRunning},
      {{"-u", "-i"}, TStartupAction::InstallDriver},  // i is tested before u
      {{"-s", "-u"}, TStartupAction::RemoveDriver},
      {{"-r", "-s"}, TStartupAction::StopRunning},
      {{"--i"}, TStartupAction::Start},
      {{"-install"}, TStartupAction::Start},
      {{}, TStartupAction::Start},
      {{"-autorun"}, TStartupAction::Start},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.args.empty() ? AnsiString("(none)") : c.args[0]);
    EXPECT_EQ(c.action, Parse(c.args).Action);
  }
}

TEST(CommandLine, RestartEmbedAndAutorun) {
  TStartupRequest restart = Parse({"/R"});
  EXPECT_TRUE(restart.Restart);
  EXPECT_FALSE(restart.Embed);

  TStartupRequest embed = Parse({"-embed", "1234", "Host Messenger", "extra"});
  EXPECT_TRUE(embed.Embed);
  EXPECT_EQ(1234, embed.EmbedHostWnd);
  EXPECT_EQ("Host Messenger", embed.EmbedHostName);
  EXPECT_EQ("extra", embed.EmbedExtraParam);
  EXPECT_TRUE(embed.FileArgument.empty());

  TStartupRequest notNumber = Parse({"/EMBED", "window"});
  EXPECT_TRUE(notNumber.Embed);
  EXPECT_EQ(0, notNumber.EmbedHostWnd);
  EXPECT_EQ("", notNumber.EmbedHostName);

  // r comes before embed.
  TStartupRequest both = Parse({"-embed", "5", "-r"});
  EXPECT_TRUE(both.Restart);
  EXPECT_FALSE(both.Embed);

  EXPECT_TRUE(Parse({"-AutoRun"}).AutoRun);
  EXPECT_TRUE(Parse({"clip.avi", "/autorun"}).AutoRun);
  EXPECT_FALSE(Parse({"autorun"}).AutoRun);
}

TEST(CommandLine, AFirstArgumentThatIsNoSwitchIsAFileForTheRunningInstance) {
  EXPECT_EQ("C:\\Clips\\a b.avi", Parse({"C:\\Clips\\a b.avi"}).FileArgument);
  EXPECT_EQ("clip.avi", Parse({"clip.avi", "-r"}).FileArgument);
  EXPECT_EQ("", Parse({"-autorun", "clip.avi"}).FileArgument);  // the first is a switch
  EXPECT_EQ("", Parse({"/x"}).FileArgument);
  EXPECT_EQ("", Parse({""}).FileArgument);
  EXPECT_EQ("", Parse({}).FileArgument);
}
