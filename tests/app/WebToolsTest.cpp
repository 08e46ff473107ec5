// The portable web tools: the URL splitter and its text helpers, the status texts of the
// download component, and the rules of the web links and the update check.
#include <gtest/gtest.h>

#include <map>

#include "app/EwbUrl.h"
#include "app/UpdateRules.h"
#include "app/WebDownloadTools.h"

namespace {

// Formatting settings of an English locale for the duration of a test.
struct TEnglishNumbers {
  TFormatSettings Saved = FormatSettings;
  TEnglishNumbers() {
    FormatSettings.ThousandSeparator = ',';
    FormatSettings.DecimalSeparator = '.';
  }
  ~TEnglishNumbers() { FormatSettings = Saved; }
};

}  // namespace

TEST(EwbUrl, ParseUrlSplitsEveryPart) {
  struct Case {
    const char* url;
    const char* protocol;
    const char* user;
    const char* password;
    const char* host;
    int port;
    const char* path;
    const char* document;
    const char* parameters;
    const char* fragment;
  };
  const Case cases[] = {
      {"http://user:pa:ss@host.com:8080/dir/file.htm?x=1#top", "http", "user", "pa:ss", "host.com",
       8080, "/dir/", "file.htm", "?x=1", "top"},
      {"http://host.com/dir/file.htm", "http", "", "", "host.com", 80, "/dir/", "file.htm", "", ""},
      {"http://host.com:abc/a.txt", "http", "", "", "host.com", 80, "/", "a.txt", "", ""},
      {"http://host.com:99999/a.txt", "http", "", "", "host.com", 80, "/", "a.txt", "", ""},
      {"http://[::1]:81/x/y.html", "http", "", "", "::1", 81, "/x/", "y.html", "", ""},
      {"http://[fe80::1%25eth0]/", "http", "", "", "fe80::1%25eth0", 80, "/", "", "", ""},
      {"http:\\\\host\\dir\\file.htm", "http", "", "", "host", 80, "/dir/", "file.htm", "", ""},
      {"http://host/dir", "http", "", "", "host", 80, "/dir/", "", "", ""},  // slash added
      {"http://host/f.htm#part?q=1", "http", "", "", "host", 80, "/", "f.htm", "?q=1", "part"},
      {"http://host/f.php?a=b/c.d&e=f", "http", "", "", "host", 80, "/", "f.php", "?a=b/c.d&e=f", ""},
      {"http://host/s?a=1#frag", "http", "", "", "host", 80, "/", "s", "?a=1", "frag"},
      {"http://:secret@host/", "http", "", "", "host", 80, "/", "", "", ""},  // no user: no password
      {"http://a@b@host/", "http", "a@b", "", "host", 80, "/", "", "", ""},
      {"ftp://host", "ftp", "", "", "host", 80, "/", "", "", ""},
      {"dir/sub/file.txt?x", "", "", "", "", 80, "dir/sub/", "file.txt", "?x", ""},
      {"file.txt", "", "", "", "", 80, "", "file.txt", "", ""},
      {"a=b", "", "", "", "", 80, "", "a", "=b", ""},
      {"", "", "", "", "", 80, "/", "", "", ""},
  };
  for (const Case& c : cases) {
    TUrl url;
    url.ParseUrl(c.url);
    EXPECT_EQ(c.protocol, url.GetProtocol()) << c.url;
    EXPECT_EQ(c.user, url.GetUserName()) << c.url;
    EXPECT_EQ(c.password, url.GetPassword()) << c.url;
    EXPECT_EQ(c.host, url.GetHostName()) << c.url;
    EXPECT_EQ(c.port, url.GetPort()) << c.url;
    EXPECT_EQ(c.path, url.GetPath()) << c.url;
    EXPECT_EQ(c.document, url.GetDocument()) << c.url;
    EXPECT_EQ(c.parameters, url.GetParameters()) << c.url;
    EXPECT_EQ(c.fragment, url.GetFragment()) << c.url;
  }
}

TEST(EwbUrl, ClearEmptiesThePartsAndEnsureTrailingSlashLooksAtTheLastSegment) {
  TUrl url("http://u:p@h:81/d/f.htm?q#f");
  EXPECT_EQ("http://u:p@h:81/d/f.htm?q#f", url.GetUrl());
  url.ParseUrl(url.GetUrl());
  url.Clear();
  EXPECT_EQ("", url.GetUrl());
  EXPECT_EQ("", url.GetHostName());
  EXPECT_EQ("", url.GetDocument());
  EXPECT_EQ(80, url.GetPort());

  struct Case {
    const char* in;
    const char* out;
  };
  const Case cases[] = {
      {"http://host/dir", "http://host/dir/"},  {"http://host/a.txt", "http://host/a.txt"},
      {"http://host/dir/", "http://host/dir/"}, {"http://host.com", "http://host.com"},
      {"a.b/dir", "a.b/dir/"},                  {"", "/"},
      {"name", "name/"},
      // A URL with a query or fragment names a resource: no slash is added there.
      {"http://host/s?a=1", "http://host/s?a=1"},
      {"http://host/s#top", "http://host/s#top"},
      {"page=1", "page=1"},
  };
  for (const Case& c : cases) EXPECT_EQ(c.out, TUrl::EnsureTrailingSlash(c.in)) << c.in;
}

TEST(EwbUrl, TextHelpers) {
  AnsiString source = "key=value=more";
  AnsiString before;
  SplitAtFirst(source, "=", false, before);
  EXPECT_EQ("key", before);
  EXPECT_EQ("key=value=more", source);
  SplitAtFirst(source, "=", true, before);
  EXPECT_EQ("key", before);
  EXPECT_EQ("value=more", source);
  SplitAtFirst(source, "#", true, before);
  EXPECT_EQ("value=more", before);
  EXPECT_EQ("", source);
  source = "no separator";
  SplitAtFirst(source, "#", false, before);
  EXPECT_EQ("no separator", before);
  EXPECT_EQ("no separator", source);

  struct PosCase {
    const char* sub;
    const char* text;
    int start;
    int expected;
  };
  const PosCase positions[] = {
      {"/", "a/b/c", -1, 4}, {"/", "a/b/c", 3, 2},  {"/", "a/b/c", 4, 4}, {"/", "a/b/c", 1, 0},
      {"/", "a/b/c", 99, 4}, {"AB", "xabyab", -1, 5}, {"ab", "xABy", 2, 2}, {"ab", "xABy", 1, 0},
      {"", "abc", -1, 0},    {"abcd", "abc", -1, 0}, {"c", "abc", -1, 3},  {"a", "abc", 0, 0},
  };
  for (const PosCase& c : positions)
    EXPECT_EQ(c.expected, LastPosBefore(c.sub, c.text, c.start)) << c.sub << " in " << c.text << " @" << c.start;

  EXPECT_TRUE(EndsWithText(".htm", "file.htm"));
  EXPECT_FALSE(EndsWithText(".HTM", "file.htm"));
  EXPECT_TRUE(EndsWithText("", "x"));
  EXPECT_FALSE(EndsWithText("longer", "x"));
  EXPECT_EQ("a/b/c/", ForwardSlashes("a\\b/c\\"));
  EXPECT_EQ("a.txt", ReplaceChar("a?txt", '?', '.'));
  EXPECT_EQ(81, PortFromText("81"));
  EXPECT_EQ(0, PortFromText("0"));
  EXPECT_EQ(65535, PortFromText("65535"));
  EXPECT_EQ(80, PortFromText("65536"));
  EXPECT_EQ(80, PortFromText("-1"));
  EXPECT_EQ(80, PortFromText(" 81"));
  EXPECT_EQ(80, PortFromText(""));
}

TEST(WebDownloadTools, ResponseCodeTexts) {
  struct Case {
    uint32_t code;
    const char* text;
  };
  const Case cases[] = {
      {0, "The operation was successful"},
      {5, "Downloading data..."},
      {37, "A a cookie has been initialized. "},
      {56, "Download progress values are above the maximum 32-bit file size limit."},
      {100, "Continue"},
      {200, "OK"},
      {206, "Partial Content"},
      {302, "Moved Temporarily"},
      {404, "Not Found"},
      {406, "None Acceptable"},
      {417, "Expectation Failed"},
      {505, "HTTP Version Not Supported"},
      {12037, "SSL certificate date that was received from the server is bad. The certificate is expired."},
      {12170, "SSL certificate was revoked."},
      {0x000401E8, "Asynchronous mode."},
      {0x80004004, "Operation Aborted."},
      {0x8007000E, "There was insufficient memory ..."},
      {0x800C000B, "The Internet connection has timed out."},
      {0x800C0018, "Binding is terminated."},
  };
  for (const Case& c : cases) EXPECT_EQ(c.text, ResponseCodeToText(c.code)) << c.code;
  EXPECT_EQ(0u, ResponseCodeToText(12038).find("SSL certificate common name (host name field) is incorrect"));
  // Codes outside the table, also gaps inside the ranges.
  for (uint32_t code : {57u, 207u, 306u, 418u, 506u, 12047u, 0x800C0019u}) {
    const AnsiString text = ResponseCodeToText(code);
    const AnsiString prefix = "Unknown Response: " + IntToStr(static_cast<int32_t>(code)) + " ";
    EXPECT_EQ(0u, text.find(prefix)) << text;
  }
}

TEST(WebDownloadTools, DataFlagClockAndSizeTexts) {
  TEnglishNumbers english;
  EXPECT_EQ("Identifed the first call to OnDataAvailable.", DataFlagsToText(1));
  EXPECT_EQ("Identifed the last call to OnDataAvailable.", DataFlagsToText(4));
  EXPECT_EQ("Size of the data available is unknown.", DataFlagsToText(16));
  EXPECT_EQ(ResponseCodeToText(5), DataFlagsToText(5));  // a combination reads as a code

  struct ClockCase {
    int64_t seconds;
    const char* text;
  };
  const ClockCase clocks[] = {{0, "00:00:00"},      {5, "00:00:05"},     {3725, "01:02:05"},
                              {216000, "00:00:00"}, {215999, "59:59:59"}};
  for (const ClockCase& c : clocks) EXPECT_EQ(c.text, SecondsToClock(c.seconds)) << c.seconds;

  struct SizeCase {
    double bytes;
    const char* text;
  };
  const SizeCase sizes[] = {{0, ""},
                            {-5, ""},
                            {1, "1.00 b"},
                            {1023, "1,023.00 b"},
                            {1024, "1.00 Kb"},
                            {1536, "1.50 Kb"},
                            {1048575, "1,024.00 Kb"},
                            {1048576, "1.00 Mb"},
                            {5.0 * 1024 * 1024 * 1024, "5,120.00 Mb"}};
  for (const SizeCase& c : sizes) EXPECT_EQ(c.text, FormatByteSize(c.bytes)) << c.bytes;
}

TEST(WebDownloadTools, ProgressFigures) {
  TEnglishNumbers english;
  TProgressTexts half = ProgressTexts(1024, 2048, 2);
  EXPECT_EQ("1.00 Kb", half.Downloaded);
  EXPECT_EQ("50.0 %", half.Percent);
  EXPECT_EQ("00:00:02", half.ElapsedTime);
  EXPECT_EQ("0.5 kb/sec", half.Speed);
  // max / speed / 1000 - progress / speed / 1000, each rounded: 4 - 2.
  EXPECT_EQ("00:00:02", half.RemainingTime);

  TProgressTexts start = ProgressTexts(0, 0, 0);
  EXPECT_EQ("", start.Downloaded);
  EXPECT_EQ("", start.Percent);
  EXPECT_EQ("0.0 kb/sec", start.Speed);
  EXPECT_EQ("00:00:00", start.RemainingTime);

  TProgressTexts done = ProgressTexts(4096, 4096, 4);
  EXPECT_EQ("100.0 %", done.Percent);
  EXPECT_EQ("1.0 kb/sec", done.Speed);
  EXPECT_EQ("00:00:00", done.RemainingTime);  // nothing left
}

TEST(WebDownloadTools, FileNamesFromContentDispositionAndUrls) {
  struct Case {
    const char* value;
    const char* name;
  };
  const Case cases[] = {
      {"attachment; filename=\"a.zip\"; size=3", "a.zip"},
      {"attachment; filename=\"a.zip\"", "a.zip"},
      {"attachment; filename=b.txt; size=3", "b.txt"},
      {"attachment; FILENAME=c.txt", "c.txt"},
      {"attachment; filename=\"x;y.txt\"; size=1", "x;y.txt"},
      {"attachment; filename=\"../../evil.exe\"", "evil.exe"},
      {"attachment; filename=C:\\Windows\\evil.dll", "evil.dll"},
      {"attachment; filename=\"..\"", ""},
      {"inline", ""},
      {"", ""},
      {"filename=\"", ""},  // a lone quote is no pair, and no file-name character
  };
  for (const Case& c : cases) EXPECT_EQ(c.name, FileNameFromContentDisposition(c.value)) << c.value;
  EXPECT_EQ("report.pdf", PlainFileName("dir/sub\\report.pdf"));
  EXPECT_EQ("ab.txt", PlainFileName("a<>|*?\"b.txt"));
  EXPECT_EQ("", PlainFileName("dir/"));
}

TEST(UpdateRules, QueryValuesAreEncodedAndKeptInOrder) {
  struct Case {
    const char* value;
    const char* encoded;
  };
  const Case cases[] = {
      {"English", "English"},
      {"AZaz09-._~", "AZaz09-._~"},  // unreserved characters stay byte-identical
      {"Service Pack 3", "Service%20Pack%203"},
      {"a&b=c", "a%26b%3Dc"},
      {"50%", "50%25"},
      {"Fran\xE7" "ais", "Fran%E7ais"},
      {"?#/+", "%3F%23%2F%2B"},
      {"", ""},
  };
  for (const Case& c : cases) EXPECT_EQ(c.encoded, EncodeQueryValue(c.value)) << c.value;

  TUpdateQueryFields fields;
  fields.TimeToken = "07123";
  fields.Product = "Tavisco";
  fields.Language = "English";
  fields.RunCount = "3";
  fields.Version = "1000";
  fields.SubVersion = "0";
  fields.SystemVersion = "5_1_Service Pack 3";
  fields.SystemLanguage = "1033";
  fields.HostName = "My Host&Co";
  fields.Channel = "6162";
  EXPECT_EQ("07123&PRODUCT=Tavisco&LANG=English&RUNTIME=3&VER=1000&SVER=0"
            "&WVER=5_1_Service%20Pack%203&WLANG=1033&CONT=My%20Host%26Co&CHL=6162",
            BuildQueryText(fields));

  EXPECT_EQ("4200", QueryVersionText(0x4200));
  EXPECT_EQ("FFFF", QueryVersionText(-1));
  EXPECT_EQ("0001", QueryVersionText(0x10001));
  EXPECT_EQ("756E6B6E6F77", QueryChannelText("unknow"));
  EXPECT_EQ("612E657865", QueryChannelText("\"C:\\Program Files\\a.exe\""));
  EXPECT_EQ("62", QueryChannelText("D:b"));
  EXPECT_EQ("", QueryChannelText(""));
}

TEST(UpdateRules, WebLinkAddresses) {
  const std::map<AnsiString, AnsiString> constants = {
      {"URL.help", "%ExePath%help\\index.htm"},
      {"URL.home", ""},
      {"URL.videodecoder", "http://decoder.example/get"},
      {"URL.setdefault", "http://x.example/set?"},
      {"URL.blank", "   "},
      {"URL.Redirect", "http://redirect.example/r.php"},
  };
  const TConstReader read = [&](const AnsiString& key) {
    auto it = constants.find(key);
    return it == constants.end() ? AnsiString() : it->second;
  };
  const TQueryBuilder query = [] { return AnsiString("Q"); };
  struct Case {
    const char* name;
    bool withQuery;
    AnsiString address;
  };
  const Case cases[] = {
      // A program-folder file: no query, since it is no web address.
      {"help", true, "C:\\Prog\\help\\index.htm"},
      // No address of its own: the redirect address with the query and the link name.
      {"home", true, "http://redirect.example/r.php?Q&ACTION=home"},
      {"blank", true, "http://redirect.example/r.php?Q&ACTION=blank"},
      {"videodecoder", true, "http://decoder.example/get?Q&ACTION=videodecoder"},
      {"videodecoder", false, "http://decoder.example/get"},
      // An address ending in "?" gets the query without "&".
      {"setdefault", true, "http://x.example/set?Q&ACTION=setdefault"},
      // The update link has no address but its own: none here, and not the redirect.
      {"update", true, ""},
      {"UPDATE", false, ""},
  };
  for (const Case& c : cases)
    EXPECT_EQ(c.address, BuildWebLinkAddress(c.name, c.withQuery, read, "C:\\Prog\\", query)) << c.name;
  // With an update address of its own, and with no redirect address at all.
  const TConstReader own = [](const AnsiString& key) {
    return key == "URL.update" ? AnsiString("http://updates.example/check") : AnsiString();
  };
  EXPECT_EQ("http://updates.example/check?Q&ACTION=update", BuildWebLinkAddress("update", true, own, "C:\\", query));
  EXPECT_EQ("", BuildWebLinkAddress("home", true, own, "C:\\", query));
  EXPECT_EQ("Lumetra 4.0 from: http://home.example", UpdateUserAgent("http://home.example"));
}

TEST(UpdateRules, RepliesAndWhatTheyShow) {
  const AnsiString magic = "Tavisco";
  struct ReplyCase {
    int32_t result;
    bool hasBody;
    const char* body;
    bool failed;
    bool hasResult;
    int value;
    const char* info;
    const char* page;
  };
  const ReplyCase replies[] = {
      {0, true, "magicword=Tavisco\r\nResult=1\r\ninfo=MSG_New\r\npage=http://p/\r\n", false, true, 1,
       "MSG_New", "http://p/"},
      {0, true, "MAGICWORD=tavisco\nresult=0\n", false, true, 0, "", ""},
      {0, true, "magicword=Tavisco\nResult=1\nResult=0\ninfo=a=b\n", false, true, 1, "a=b", ""},
      {0, true, "magicword=Tavisco\nResult=x\n", false, false, 0, "", ""},
      {0, true, "magicword=Other\nResult=1\n", true, false, 0, "", ""},
      {0, true, "Result=1\n", true, false, 0, "", ""},
      {0, true, "magicword=Tavisco \nResult=1\n", true, false, 0, "", ""},
      {0, true, "", true, false, 0, "", ""},
      {0, false, "", true, false, 0, "", ""},
      {static_cast<int32_t>(0x800C000B), true, "magicword=Tavisco\nResult=1\n", true, false, 0, "", ""},
  };
  for (const ReplyCase& c : replies) {
    const TUpdateReply reply = ReadUpdateReply(c.result, c.hasBody, c.body, magic);
    EXPECT_EQ(c.failed, reply.Failed) << c.body;
    EXPECT_EQ(c.hasResult, reply.HasResult) << c.body;
    if (reply.HasResult) {
      EXPECT_EQ(c.value, reply.Result) << c.body;
    }
    EXPECT_EQ(c.info, reply.Info) << c.body;
    EXPECT_EQ(c.page, reply.Page) << c.body;
  }

  TUpdateReply newer;
  newer.Failed = false;
  newer.HasResult = true;
  newer.Result = 1;
  TUpdateReply latest = newer;
  latest.Result = 0;
  TUpdateReply other = newer;
  other.Result = 2;
  TUpdateReply failed;
  using A = TUpdateAnswer;
  struct AnswerCase {
    const TUpdateReply* reply;
    bool manual, autoCheck, noAutoCheck, embedded;
    A answer;
    bool reportsFailure;
  };
  const AnswerCase answers[] = {
      {&newer, false, true, false, false, A::Announcement, false},
      {&newer, true, false, true, false, A::Announcement, false},  // the menu overrides both
      {&newer, false, false, false, false, A::None, false},        // automatic checks switched off
      {&newer, false, true, true, false, A::None, false},          // the product turns them off
      {&newer, true, true, false, true, A::None, false},           // never embedded
      {&latest, true, true, false, false, A::LastVersionAlready, false},
      {&latest, false, true, false, false, A::None, false},
      {&other, true, true, false, false, A::None, false},
      {&failed, true, true, false, false, A::None, true},
      {&failed, true, true, false, true, A::None, true},
      {&failed, false, true, false, false, A::None, false},  // automatic checks fail silently
  };
  for (const AnswerCase& c : answers) {
    TUpdateAnswerRules rules;
    rules.Manual = c.manual;
    rules.AutoCheckUpdate = c.autoCheck;
    rules.NoAutoCheck = c.noAutoCheck;
    rules.Embedded = c.embedded;
    EXPECT_EQ(c.answer, ChooseUpdateAnswer(*c.reply, rules)) << &c - answers;
    EXPECT_EQ(c.reportsFailure, ReportsUpdateFailure(*c.reply, rules)) << &c - answers;
  }
}
