// The web download component against a local HTTP server: stream and file downloads, the
// request it sends, failed replies, time-outs, cancelling, redirects, bindings that never
// start, and the lifetime of its per-download object.
#include <gtest/gtest.h>

#include "framework/WinApi.h"

#include <wininet.h>

#include "app/EwbUrl.h"
#include "app/WebDownload.h"
#include "app/WebDownloadBinding.h"
#include "tests/app/WebTestServer.h"
#include "tests/framework/TestFolder.h"

namespace {

// A download component with everything it reports written down.
struct TRecorder {
  TWebDownload* Component = new TWebDownload(nullptr);
  std::vector<AnsiString> Events;
  std::vector<std::pair<uint32_t, AnsiString>> Errors;
  AnsiString Body;
  HRESULT Result = S_OK;
  int StreamCompletions = 0;
  int Completions = 0;
  bool PositionAtEnd = false;

  TRecorder() {
    Component->SetDownloadMethod(dmStream);
    Component->SetTimeOut(10000);
    Component->OnStateChange = [this](TState state) {
      Events.push_back("state " + IntToStr(int(state)));
    };
    Component->OnStopBinding = [this](TBSCB*, HRESULT hr, const AnsiString&) {
      Events.push_back("stop " + IntToHex(uint32_t(hr), 8));
    };
    Component->OnStreamComplete = [this](TBSCB*, TStream* stream, HRESULT hr) {
      Events.push_back("stream " + IntToHex(uint32_t(hr), 8));
      ++StreamCompletions;
      Result = hr;
      PositionAtEnd = stream->GetPosition() == stream->GetSize();
      Body.assign(static_cast<const char*>(static_cast<TMemoryStream*>(stream)->GetMemory()),
                  size_t(stream->GetSize()));
    };
    Component->OnComplete = [this](TCustomWebDownload*, const AnsiString&, const AnsiString&,
                                   const AnsiString&, const AnsiString&, int active) {
      Events.push_back("complete " + IntToStr(active));
      ++Completions;
    };
    Component->OnError = [this](uint32_t code, const AnsiString& text) {
      Errors.emplace_back(code, text);
    };
  }
  ~TRecorder() { Component->Free(); }

  bool HasError(uint32_t code, const AnsiString& text) const {
    for (const auto& error : Errors)
      if (error.first == code && error.second == text) return true;
    return false;
  }
  bool HasErrorStartingWith(const AnsiString& text) const {
    for (const auto& error : Errors)
      if (error.second.compare(0, text.size(), text) == 0) return true;
    return false;
  }
  void Reset() {
    Events.clear();
    Errors.clear();
    Body.clear();
    Result = S_OK;
    StreamCompletions = Completions = 0;
  }
};

int IndexOf(const std::vector<AnsiString>& lines, const AnsiString& line) {
  for (size_t i = 0; i < lines.size(); ++i)
    if (lines[i] == line) return int(i);
  return -1;
}

// A moniker whose binding fails at once, without ever calling back.
class TFailingMoniker : public IMoniker {
 public:
  LONG References = 1;
  int Binds = 0;
  STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override {
    if (riid == IID_IUnknown || riid == IID_IPersist || riid == IID_IPersistStream ||
        riid == IID_IMoniker) {
      *ppv = static_cast<IMoniker*>(this);
      AddRef();
      return S_OK;
    }
    *ppv = nullptr;
    return E_NOINTERFACE;
  }
  STDMETHODIMP_(ULONG) AddRef() override { return ULONG(InterlockedIncrement(&References)); }
  STDMETHODIMP_(ULONG) Release() override { return ULONG(InterlockedDecrement(&References)); }
  STDMETHODIMP GetClassID(CLSID*) override { return E_NOTIMPL; }
  STDMETHODIMP IsDirty() override { return S_FALSE; }
  STDMETHODIMP Load(IStream*) override { return E_NOTIMPL; }
  STDMETHODIMP Save(IStream*, BOOL) override { return E_NOTIMPL; }
  STDMETHODIMP GetSizeMax(ULARGE_INTEGER*) override { return E_NOTIMPL; }
  STDMETHODIMP BindToObject(IBindCtx*, IMoniker*, REFIID, void**) override { return E_NOTIMPL; }
  STDMETHODIMP BindToStorage(IBindCtx*, IMoniker*, REFIID, void** ppv) override {
    ++Binds;
    *ppv = nullptr;
    return INET_E_RESOURCE_NOT_FOUND;
  }
  STDMETHODIMP Reduce(IBindCtx*, DWORD, IMoniker**, IMoniker**) override { return E_NOTIMPL; }
  STDMETHODIMP ComposeWith(IMoniker*, BOOL, IMoniker**) override { return E_NOTIMPL; }
  STDMETHODIMP Enum(BOOL, IEnumMoniker**) override { return E_NOTIMPL; }
  STDMETHODIMP IsEqual(IMoniker*) override { return S_FALSE; }
  STDMETHODIMP Hash(DWORD*) override { return E_NOTIMPL; }
  STDMETHODIMP IsRunning(IBindCtx*, IMoniker*, IMoniker*) override { return S_FALSE; }
  STDMETHODIMP GetTimeOfLastChange(IBindCtx*, IMoniker*, FILETIME*) override { return E_NOTIMPL; }
  STDMETHODIMP Inverse(IMoniker**) override { return E_NOTIMPL; }
  STDMETHODIMP CommonPrefixWith(IMoniker*, IMoniker**) override { return E_NOTIMPL; }
  STDMETHODIMP RelativePathTo(IMoniker*, IMoniker**) override { return E_NOTIMPL; }
  STDMETHODIMP GetDisplayName(IBindCtx*, IMoniker*, LPOLESTR*) override { return E_NOTIMPL; }
  STDMETHODIMP ParseDisplayName(IBindCtx*, IMoniker*, LPOLESTR, ULONG*, IMoniker**) override {
    return E_NOTIMPL;
  }
  STDMETHODIMP IsSystemMoniker(DWORD* kind) override {
    *kind = MKSYS_NONE;
    return S_FALSE;
  }
};

TCustomWebDownload* gTimerTarget = nullptr;
void CALLBACK CancelSoon(HWND, UINT, UINT_PTR id, DWORD) {
  KillTimer(nullptr, id);
  gTimerTarget->Cancel();
}
void CALLBACK QuitSoon(HWND, UINT, UINT_PTR id, DWORD) {
  KillTimer(nullptr, id);
  PostQuitMessage(7);
}

}  // namespace

TEST(WebDownload, StreamDownloadDeliversTheWholeBodyAndTheRequestCarriesItsHeaders) {
  TWebTestServer server;
  ASSERT_NE(0, server.Port());
  const AnsiString body = TestBytes(300000);
  server.AnswerBytes("/data/file.bin", int(body.size()), {"Content-Type:text/plain"});
  TRecorder r;
  r.Component->SetUserAgent("Test Agent 1.0");
  TStringList headers;
  headers.Add("X-First: one");
  headers.Add("X-Second: two");
  r.Component->SetAdditionalHeader(&headers);
  r.Component->Download(server.Url("/data/file.bin"));

  EXPECT_EQ(body.size(), r.Body.size());
  EXPECT_TRUE(r.Body == body);
  EXPECT_EQ(S_OK, r.Result);
  EXPECT_TRUE(r.PositionAtEnd);
  const std::vector<AnsiString> expected = {"state 0", "stop 00000000", "state 2",
                                            "stream 00000000", "complete 0", "state 1"};
  EXPECT_EQ(expected, r.Events);
  EXPECT_TRUE(r.Errors.empty()) << r.Errors.front().second;
  EXPECT_EQ(sReady, r.Component->GetState());
  EXPECT_EQ(0, r.Component->GetActiveCount());
  EXPECT_FALSE(r.Component->GetBusy());
  EXPECT_EQ("text/plain", r.Component->GetMimeType());
  EXPECT_EQ(server.Url("/data/file.bin"), r.Component->GetUrl());
  EXPECT_EQ(server.Url("/data/file.bin"), r.Component->GetList()->GetUrls()->Get(0));
  EXPECT_EQ(0, r.Component->GetList()->GetCount());
  EXPECT_TRUE(AllBindingObjectsFreed());

  const std::vector<TRecordedRequest> requests = server.Requests();
  ASSERT_EQ(1u, requests.size());
  EXPECT_EQ("GET /data/file.bin HTTP/1.1", requests[0].Line);
  const int agent = IndexOf(requests[0].Headers,
                            "User-agent: Mozilla/4.0 (compatible; MSIE 6.0; Windows NT 5.1; SV1)"
                            "(Test Agent 1.0)");
  const int first = IndexOf(requests[0].Headers, "X-First: one");
  const int second = IndexOf(requests[0].Headers, "X-Second: two");
  EXPECT_GE(agent, 0);
  EXPECT_LT(agent, first);
  EXPECT_LT(first, second);
}

TEST(WebDownload, FailedRepliesStillCompleteAndTheComponentStaysUsable) {
  TWebTestServer server;
  ASSERT_NE(0, server.Port());
  server.Answer("/missing", 404, "no such page");
  server.Answer("/empty", 200, "");
  server.Answer("/stall", 200, "late", 8);
  server.Answer("/good", 200, "fine");
  struct Case {
    const char* name;
    AnsiString url;
    int timeOut;
    uint32_t errorCode;  // 0: any error text
    const char* errorText;
  };
  const Case cases[] = {
      {"404", server.Url("/missing"), 10000, 404, "Not Found"},
      {"no content", server.Url("/empty"), 10000, 200, "OK"},
      {"server gone", "http://127.0.0.1:" + IntToStr(ClosedPort()) + "/x", 10000, 0, nullptr},
      {"time-out", server.Url("/stall"), 1500, uint32_t(INET_E_CONNECTION_TIMEOUT),
       "The Internet connection has timed out."},
  };
  TRecorder r;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    r.Reset();
    r.Component->SetTimeOut(c.timeOut);
    const DWORD start = GetTickCount();
    r.Component->Download(c.url);
    EXPECT_LT(GetTickCount() - start, 7000u);
    EXPECT_EQ(1, r.StreamCompletions);
    EXPECT_TRUE(FAILED(r.Result)) << IntToHex(uint32_t(r.Result), 8);
    if (c.errorText) {
      EXPECT_TRUE(r.HasError(c.errorCode, c.errorText));
    } else {
      EXPECT_FALSE(r.Errors.empty() && SUCCEEDED(r.Result));
    }
    if (c.errorCode == uint32_t(INET_E_CONNECTION_TIMEOUT)) {
      EXPECT_EQ(INET_E_CONNECTION_TIMEOUT, r.Result);
    }
    EXPECT_EQ(1, r.Completions);
    EXPECT_EQ(sReady, r.Component->GetState());
    EXPECT_EQ(0, r.Component->GetActiveCount());
    EXPECT_TRUE(AllBindingObjectsFreed());

    // The next download on the same component works.
    r.Reset();
    r.Component->SetTimeOut(10000);
    r.Component->Download(server.Url("/good"));
    EXPECT_EQ("fine", r.Body);
    EXPECT_EQ(S_OK, r.Result);
  }
}

TEST(WebDownload, ABindingThatNeverStartsEndsTheDownload) {
  TFailingMoniker moniker;
  TRecorder r;
  r.Component->SetTimeOut(0x7FFFFFFF);
  const DWORD start = GetTickCount();
  r.Component->BeginDownload("http://127.0.0.1:1/never", "", &moniker, nullptr, "");
  EXPECT_LT(GetTickCount() - start, 3000u);
  EXPECT_EQ(1, moniker.Binds);
  EXPECT_TRUE(r.HasErrorStartingWith("Error while MonikerBindToStorage "));
  EXPECT_EQ(0, r.StreamCompletions);  // the binding never ran
  EXPECT_EQ(1, r.Completions);
  EXPECT_EQ(sReady, r.Component->GetState());
  EXPECT_EQ(0, r.Component->GetActiveCount());
  EXPECT_FALSE(r.Component->GetBusy());
  EXPECT_TRUE(AllBindingObjectsFreed());
  EXPECT_EQ(1, moniker.References);  // every reference taken was given back

  // An empty address gets no binding at all.
  r.Reset();
  r.Component->Download("");
  EXPECT_EQ(1, r.Completions);
  EXPECT_EQ(0, r.Component->GetActiveCount());
}

TEST(WebDownload, CancelAndQuitEndARunningDownloadPromptly) {
  TWebTestServer server;
  ASSERT_NE(0, server.Port());
  server.Answer("/stall", 200, "late", 15);
  server.Answer("/good", 200, "fine");
  TRecorder r;
  r.Component->SetTimeOut(60000);
  gTimerTarget = r.Component;

  SetTimer(nullptr, 0, 300, CancelSoon);
  DWORD start = GetTickCount();
  r.Component->Download(server.Url("/stall"));
  EXPECT_LT(GetTickCount() - start, 5000u);
  EXPECT_TRUE(r.Component->GetCancelRequested());
  EXPECT_EQ(0, r.Component->GetActiveCount());
  EXPECT_EQ(1, r.Completions);
  EXPECT_TRUE(AllBindingObjectsFreed());

  // The program being closed during a download: the download stops and the quit message
  // is there again for the program's message loop.
  r.Reset();
  SetTimer(nullptr, 0, 300, QuitSoon);
  start = GetTickCount();
  r.Component->Download(server.Url("/stall"));
  EXPECT_LT(GetTickCount() - start, 5000u);
  MSG msg;
  ASSERT_TRUE(PeekMessageA(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
  EXPECT_EQ(7u, msg.wParam);
  EXPECT_TRUE(AllBindingObjectsFreed());

  // And the component is good for the next download.
  r.Reset();
  r.Component->Download(server.Url("/good"));
  EXPECT_EQ("fine", r.Body);
}

TEST(WebDownload, RedirectsAreReportedAndCanBeRefused) {
  TWebTestServer server;
  ASSERT_NE(0, server.Port());
  server.Answer("/from", 302, "moved", 0, {"Location:" + server.Url("/to")});
  server.Answer("/to", 200, "arrived");
  TRecorder r;
  std::vector<std::pair<AnsiString, AnsiString>> redirects;
  bool refuse = false;
  r.Component->OnRedirect = [&](TBSCB*, bool& abortRedirect, const AnsiString& from,
                                const AnsiString& to) {
    redirects.emplace_back(from, to);
    abortRedirect = refuse;
  };
  r.Component->Download(server.Url("/from"));
  EXPECT_EQ("arrived", r.Body);
  ASSERT_EQ(1u, redirects.size());
  EXPECT_EQ(server.Url("/from"), redirects[0].first);
  EXPECT_EQ(server.Url("/to"), redirects[0].second);

  refuse = true;
  redirects.clear();
  r.Reset();
  server.ClearRequests();
  r.Component->Download(server.Url("/from"));
  EXPECT_EQ(1u, redirects.size());
  EXPECT_TRUE(r.Component->GetCancelRequested());
  EXPECT_EQ("", r.Body);
  EXPECT_EQ(1, r.Completions);
  EXPECT_TRUE(AllBindingObjectsFreed());
}

TEST(WebDownload, FileDownloadsKeepExistingFilesAsTold) {
  TWebTestServer server;
  ASSERT_NE(0, server.Port());
  server.Answer("/files/report.txt", 200, "new content");
  server.Answer("/files/gone.txt", 404, "error page");
  TTestFolder folder;
  TRecorder r;
  r.Component->SetDownloadMethod(dmFile);

  // Into the folder, under the URL's file name.
  r.Component->BeginDownload(server.Url("/files/report.txt"), "", nullptr, nullptr, folder.Path());
  EXPECT_EQ("new content", ReadWholeFile(folder.File("report.txt")));
  EXPECT_EQ(folder.File("report.txt"), r.Component->GetFileNameAndPath());
  EXPECT_EQ("report.txt", r.Component->GetFileName());
  EXPECT_EQ(".txt", r.Component->GetFileExtension());

  // An existing file: skipped without a request, or the download renamed.
  struct Case {
    TFileExistsOption option;
    const char* newName;
    const char* written;  // the file that receives the download
  };
  const Case cases[] = {{feSkip, "", nullptr}, {feRename, "renamed.txt", "renamed.txt"}};
  for (const Case& c : cases) {
    WriteWholeFile(folder.File("report.txt"), "old content");
    server.ClearRequests();
    r.Component->OnFileExists = [&](TFileExistsOption& action, const AnsiString& file,
                                    AnsiString& newName) {
      EXPECT_EQ(folder.File("report.txt"), file);
      action = c.option;
      newName = c.newName;
    };
    r.Component->BeginDownload(server.Url("/files/report.txt"), "", nullptr, nullptr, folder.Path());
    EXPECT_EQ("old content", ReadWholeFile(folder.File("report.txt"))) << c.option;
    if (c.written)
      EXPECT_EQ("new content", ReadWholeFile(folder.File(c.written))) << c.option;
    else
      EXPECT_TRUE(server.Requests().empty());
  }

  // An error page never replaces a file that is there.
  r.Component->OnFileExists = nullptr;
  r.Component->SetFileExistsOption(feOverWrite);
  WriteWholeFile(folder.File("gone.txt"), "kept");
  r.Component->BeginDownload(server.Url("/files/gone.txt"), "", nullptr, nullptr, folder.Path());
  EXPECT_EQ("kept", ReadWholeFile(folder.File("gone.txt")));
  EXPECT_TRUE(r.HasError(404, "Not Found"));
  EXPECT_TRUE(AllBindingObjectsFreed());
}

TEST(WebDownload, PostAndPutSendTheirBodiesExactly) {
  TWebTestServer server;
  ASSERT_NE(0, server.Port());
  server.Answer("/form", 200, "posted");
  server.Answer("/upload", 200, "put");
  TTestFolder folder;
  WriteWholeFile(folder.File("upload.bin"), AnsiString("\x01\x02\x00\x03", 4) + "tail");
  TRecorder r;
  r.Component->SetBindVerb(TBindVerb::Post);
  r.Component->SetPostData("a=1&b=two");
  r.Component->Download(server.Url("/form"));
  EXPECT_EQ("posted", r.Body);
  r.Reset();
  r.Component->SetBindVerb(TBindVerb::Put);
  r.Component->SetPutFileName(folder.File("upload.bin"));
  r.Component->Download(server.Url("/upload"));
  EXPECT_EQ("put", r.Body);

  const std::vector<TRecordedRequest> requests = server.Requests();
  ASSERT_EQ(2u, requests.size());
  EXPECT_EQ("POST /form HTTP/1.1", requests[0].Line);
  EXPECT_EQ("a=1&b=two", requests[0].Body);
  EXPECT_EQ("PUT /upload HTTP/1.1", requests[1].Line);
  EXPECT_EQ(AnsiString("\x01\x02\x00\x03", 4) + "tail", requests[1].Body);
  EXPECT_TRUE(AllBindingObjectsFreed());
}

TEST(WebDownload, PropertiesDefaultsAndFlagWords) {
  TWebDownload* component = new TWebDownload(nullptr);
  EXPECT_EQ(1, component->GetAdditionalHeader()->GetCount());
  EXPECT_EQ("Content-Type: application/x-www-form-urlencoded ", component->GetAdditionalHeader()->Get(0));
  EXPECT_EQ(0x1u | 0x2u | 0x10u | 0x20u | 0x80u, component->GetBindFWord());
  EXPECT_EQ(uint32_t(BINDF2_READ_DATA_GREATER_THAN_4GB), component->GetBindF2Word());
  EXPECT_EQ(0u, component->GetBindInfoFWord());
  EXPECT_EQ(0x10000u | 0x20000000u, component->GetBindInfoOptionsWord());
  EXPECT_EQ(TBindVerb::Get, component->GetBindVerb());
  EXPECT_EQ(TCodePageOption::Ansi, component->GetCodePage());
  EXPECT_EQ("http://", component->GetDefaultProtocol());
  EXPECT_EQ("index.html", component->GetDefaultUrlFileName());
  EXPECT_EQ(dmFile, component->GetDownloadMethod());
  EXPECT_EQ(feOverWrite, component->GetFileExistsOption());
  EXPECT_EQ(0, component->GetTimeOut());
  EXPECT_EQ(80, component->GetProxySettings()->GetPort());
  EXPECT_FALSE(component->GetProxySettings()->GetAutoLoadProxy());
  EXPECT_EQ(0, component->GetRange()->GetRangeBegin());
  EXPECT_EQ('_', FormatSettings.TimeSeparator);

  const AnsiString about = component->GetAbout();
  component->SetAbout("changed");
  EXPECT_EQ(about, component->GetAbout());
  component->SetDefaultProtocol("");
  EXPECT_EQ("http://", component->GetDefaultProtocol());

  struct FlagCase {
    TBindF set;
    uint32_t word;
  };
  const FlagCase flags[] = {
      {TBindF{}, 0},
      {TBindF{TBindF_Options::Asynchronous}, BINDF_ASYNCHRONOUS},
      {TBindF{TBindF_Options::NoWriteCache, TBindF_Options::Pragma_No_Cache},
       BINDF_NOWRITECACHE | BINDF_PRAGMA_NO_CACHE},
      {TBindF{TBindF_Options::GetFromCacheIfNetFail}, BINDF_GETFROMCACHE_IF_NET_FAIL},
      {TBindF{TBindF_Options::RestrictedSitesZone}, 0x800000},
  };
  for (const FlagCase& c : flags) {
    component->SetBindF(c.set);
    EXPECT_EQ(c.word, component->GetBindFWord());
  }
  component->SetBindF2(TBindF2{TBindF2_Options::DisableBasicAuth, TBindF2_Options::Reserved_11});
  EXPECT_EQ(0x80000001u, component->GetBindF2Word());
  component->SetBindF2(TBindF2{TBindF2_Options::DisableRedirectUnlessSID});
  EXPECT_EQ(uint32_t(BINDF2_DISABLE_HTTP_REDIRECT_XSECURITYID), component->GetBindF2Word());
  component->SetBindInfoF(TBindInfoF{TBindInfoF_Options::PostData, TBindInfoF_Options::ExtraInfo});
  EXPECT_EQ(3u, component->GetBindInfoFWord());
  component->SetBindInfoOptions(TBindInfoOptions{TBindInfoOptions_Options::WpcDownloadBlocked,
                                                 TBindInfoOptions_Options::ShDocVw_Reserved});
  EXPECT_EQ(0x8000000u | 0x80000000u, component->GetBindInfoOptionsWord());

  // A URL without any protocol name gets the default protocol; one that merely holds one
  // anywhere is kept.
  struct UrlCase {
    const char* in;
    const char* out;
  };
  const UrlCase urls[] = {
      {"www.example.com/a", "http://www.example.com/a"},
      {"www.example.com/res/a", "www.example.com/res/a"},
      {"HTTPS://x", "HTTPS://x"},
      {"file://c:/x", "file://c:/x"},
      {"127.0.0.1:8/x", "http://127.0.0.1:8/x"},
  };
  for (const UrlCase& c : urls) EXPECT_EQ(c.out, component->NormalizeUrl(c.in)) << c.in;
  component->Free();

  // A loaded component without a time-out waits without limit.
  struct TOwner : TComponent {
    TWebDownload* Download;
    TOwner() : TComponent(nullptr) {
      TComponentLoading loading(this);
      Download = new TWebDownload(this);
      loading.Finish();
    }
  };
  TOwner* owner = new TOwner;
  EXPECT_EQ(0x7FFFFFFF, owner->Download->GetTimeOut());
  owner->Free();
}

TEST(EwbUrl, CrackUrlAndStatusChecks) {
  TUrl url;
  WideString wide;
  ASSERT_TRUE(url.CrackUrl("http://me:pw@www.example.com:8080/dir/f.htm?x=1#top", ICU_ESCAPE, wide));
  EXPECT_EQ("http", url.GetProtocol());
  EXPECT_EQ("www.example.com", url.GetHostName());
  EXPECT_EQ(8080, url.GetPort());
  EXPECT_EQ("/dir/f.htm", url.GetPath());
  EXPECT_EQ("?x=1#top", url.GetExtraInfo());
  EXPECT_EQ("me", url.GetUserName());
  EXPECT_EQ("pw", url.GetPassword());
  EXPECT_EQ(L"http://me:pw@www.example.com:8080/dir/f.htm?x=1#top", wide);
  // A folder URL is cracked with its slash.
  ASSERT_TRUE(url.CrackUrl("http://host/dir", ICU_ESCAPE, wide));
  EXPECT_EQ("/dir/", url.GetPath());
  EXPECT_EQ(80, url.GetPort());
  EXPECT_FALSE(url.CrackUrl("not a url", ICU_ESCAPE, wide));
  EXPECT_EQ(L"", wide);
  EXPECT_EQ("", url.GetHostName());
  EXPECT_EQ("", url.GetProtocol());

  TWebTestServer server;
  ASSERT_NE(0, server.Port());
  server.Answer("/ok", 200, "ok");
  server.Answer("/login", 401, "who are you", 0, {"WWW-Authenticate:Basic realm=\"x\""});
  server.Answer("/missing", 404, "missing");
  EXPECT_EQ("200", TUrl::CheckUrl(server.Url("/ok"), HTTP_QUERY_STATUS_CODE));
  EXPECT_TRUE(TUrl::IsValidUrl(server.Url("/ok")));
  EXPECT_TRUE(TUrl::IsValidUrl(server.Url("/login")));
  EXPECT_FALSE(TUrl::IsValidUrl(server.Url("/missing")));
  EXPECT_FALSE(TUrl::IsValidUrl("http://127.0.0.1:" + IntToStr(ClosedPort()) + "/"));
  EXPECT_EQ("", TUrl::CheckUrl("http://127.0.0.1:" + IntToStr(ClosedPort()) + "/", HTTP_QUERY_STATUS_CODE));

  // The component checks the address first when told to.
  TRecorder r;
  r.Component->SetValidateUrl(true);
  r.Component->Download(server.Url("/missing"));
  EXPECT_EQ(0, r.StreamCompletions);
  EXPECT_EQ(1, r.Completions);
  EXPECT_TRUE(r.HasErrorStartingWith(""));
  EXPECT_EQ(0, r.Component->GetActiveCount());
}
