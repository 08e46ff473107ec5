#include "app/WebDownload.h"

#include <iterator>

#include "app/EwbUrl.h"
#include "app/SPTools.h"
#include "app/WebDownloadBinding.h"
#include "app/WebDownloadTools.h"

#include <shellapi.h>
#include <wininet.h>

namespace {

// COM for the thread that loads the program: the download runs on it.
struct TComInitialization {
  HRESULT Result;
  TComInitialization() : Result(CoInitialize(nullptr)) {}
  ~TComInitialization() {
    if (SUCCEEDED(Result)) CoUninitialize();
  }
};
TComInitialization ComInitialization;

const uint32_t kBindF2Values[] = {0x1, 0x2, 0x8, 0x4, 0x40000000, 0x80000000};
const uint32_t kBindInfoOptionsValues[] = {
    0x10000,   0x20000,   0x40000,    0x80000,    0x100000,   0x200000,   0x400000,   0x800000,
    0x1000000, 0x2000000, 0x8000000, 0x10000000, 0x40000000, 0x80000000, 0x20000000};

template <class E, size_t N>
uint32_t SumOfValues(TSet<E> Options, const uint32_t (&Values)[N]) {
  uint32_t word = 0;
  for (size_t i = 0; i < N; ++i)
    if (Options.Contains(static_cast<E>(i))) word += Values[i];
  return word;
}

// Protocol names that make a URL complete as it is.
const char* const kProtocolNames[] = {
    "about", "cdl",   "dvd",     "file",    "ftp", "gopher",   "http",     "ipp",
    "its",   "javascript", "local", "mailto", "mk", "msdaipp", "ms-help", "ms-its",
    "mso",   "res",   "sysimage", "tv",     "vbscript", "via", "https"};

}  // namespace

uint32_t BindFlagWord(TBindF Options) {
  return static_cast<uint32_t>(Options.ToBits() & 0xFFFFFFFFu);
}
uint32_t BindFlag2Word(TBindF2 Options) { return SumOfValues(Options, kBindF2Values); }
uint32_t BindInfoFlagWord(TBindInfoF Options) {
  return static_cast<uint32_t>(Options.ToBits() & 3u);
}
uint32_t BindInfoOptionsWord(TBindInfoOptions Options) {
  return SumOfValues(Options, kBindInfoOptionsValues);
}

// ---------------------------------------------------------------------------------------
// Settings objects

void TProxySettings::Assign(TPersistent* Source) {
  if (auto* source = dynamic_cast<TProxySettings*>(Source)) {
    FAutoLoadProxy = source->FAutoLoadProxy;
    FPort = source->FPort;
    FServer = source->FServer;
    return;
  }
  TPersistent::Assign(Source);
}

void TSecurity::Assign(TPersistent* Source) {
  if (auto* source = dynamic_cast<TSecurity*>(Source)) {
    FInheritHandle = source->FInheritHandle;
    FDescriptor = source->FDescriptor;
    return;
  }
  TPersistent::Assign(Source);
}

void TRange::Assign(TPersistent* Source) {
  if (auto* source = dynamic_cast<TRange*>(Source)) {
    FRangeBegin = source->FRangeBegin;
    FRangeEnd = source->FRangeEnd;
    return;
  }
  TPersistent::Assign(Source);
}

TInfoData::TInfoData(TCustomWebDownload* Component) : Sender(Component) {
  TStrings* headers = Component->GetAdditionalHeader();
  for (int i = 0; i < headers->GetCount(); ++i) AdditionalHeader.push_back(headers->Get(i));
  BindF = Component->FBindFWord;
  BindF2 = Component->FBindF2Word;
  BindInfoF = Component->FBindInfoFWord;
  BindVerb = static_cast<uint32_t>(Component->FBindVerb);
  CodePage = static_cast<uint32_t>(Component->FCodePage);
  CustomVerb = Component->FCustomVerb;
  Descriptor = Component->FSecurity->GetDescriptor();
  InheritHandle = Component->FSecurity->GetInheritHandle();
  DownloadFolder = Component->FDownloadFolder;
  ExtraInfo = Component->FExtraInfo;
  FileName = Component->FFileName;
  FileExtension = ExtractFileExt(Component->FFileName);
  UserName = Component->FUserName;
  Password = Component->FPassword;
  PostData = Component->FPostData;
  PutFileName = Component->FPutFileName;
  RangeBegin = Component->FRange->GetRangeBegin();
  RangeEnd = Component->FRange->GetRangeEnd();
  TimeOut = Component->FTimeOut;
  Url = AnsiToWide(Component->FUrl);
}

TBSCBList::TBSCBList() = default;

void TBSCBList::Add(TBSCB* Item) { FItems.push_back(Item); }

void TBSCBList::Remove(TBSCB* Item) {
  for (auto it = FItems.begin(); it != FItems.end(); ++it)
    if (*it == Item) {
      FItems.erase(it);
      return;
    }
}

// ---------------------------------------------------------------------------------------
// The component

TCustomWebDownload::TCustomWebDownload(TComponent* AOwner)
    : TComponent(AOwner),
      FAdditionalHeader(std::make_unique<TStringList>()),
      FProxySettings(std::make_unique<TProxySettings>()),
      FRange(std::make_unique<TRange>()),
      FSecurity(std::make_unique<TSecurity>()),
      FList(std::make_unique<TBSCBList>()) {
  FAdditionalHeader->Add("Content-Type: application/x-www-form-urlencoded ");
  FBindF = TBindF{TBindF_Options::Asynchronous, TBindF_Options::AsyncStorage,
                  TBindF_Options::GetNewestVersion, TBindF_Options::NoWriteCache,
                  TBindF_Options::PullData};
  FBindF2 = TBindF2{TBindF2_Options::ReadDataOver4GB};
  FBindInfoOptions = TBindInfoOptions{TBindInfoOptions_Options::UseBindInfoOptions,
                                      TBindInfoOptions_Options::AllowConnectMessages};
  UpdateFlagWords();
  FDownloadDone = CreateEventA(nullptr, TRUE, FALSE, nullptr);
  // File names made from times rely on it.
  FormatSettings.TimeSeparator = '_';
}

TCustomWebDownload::~TCustomWebDownload() {
  if (FDownloadDone) CloseHandle(FDownloadDone);
}

void TCustomWebDownload::BeforeDestruction() {
  if (FProxySettings->GetAutoLoadProxy()) ApplyProxySettings(AnsiString(), AnsiString());
  TComponent::BeforeDestruction();
}

void TCustomWebDownload::Loaded() {
  TComponent::Loaded();
  if (FTimeOut == 0) FTimeOut = 0x7FFFFFFF;
  if (FProxySettings->GetAutoLoadProxy() && !FProxySettings->GetServer().empty())
    ApplyProxySettings(UserAgentLine(),
                       FProxySettings->GetServer() + ":" + IntToStr(FProxySettings->GetPort()));
}

AnsiString TCustomWebDownload::GetAbout() const {
  return "TWebDownload, the web download component of " + AnsiString("http://www.lumetra.com");
}

void TCustomWebDownload::SetAdditionalHeader(TStrings* Value) {
  FAdditionalHeader->Assign(Value);
}

void TCustomWebDownload::UpdateFlagWords() {
  FBindFWord = BindFlagWord(FBindF);
  FBindF2Word = BindFlag2Word(FBindF2);
  FBindInfoFWord = BindInfoFlagWord(FBindInfoF);
  FBindInfoOptionsWord = BindInfoOptionsWord(FBindInfoOptions);
}

void TCustomWebDownload::SetBindF(TBindF Value) {
  FBindF = Value;
  FBindFWord = BindFlagWord(Value);
}

void TCustomWebDownload::SetBindF2(TBindF2 Value) {
  FBindF2 = Value;
  FBindF2Word = BindFlag2Word(Value);
}

void TCustomWebDownload::SetBindInfoF(TBindInfoF Value) {
  FBindInfoF = Value;
  FBindInfoFWord = BindInfoFlagWord(Value);
}

void TCustomWebDownload::SetBindInfoOptions(TBindInfoOptions Value) {
  FBindInfoOptions = Value;
  FBindInfoOptionsWord = BindInfoOptionsWord(Value);
}

void TCustomWebDownload::SetBindVerb(TBindVerb Value) { FBindVerb = Value; }

void TCustomWebDownload::SetCodePage(TCodePageOption Value) { FCodePage = Value; }

void TCustomWebDownload::SetDefaultProtocol(const AnsiString& Value) {
  FDefaultProtocol = Value.empty() ? AnsiString("http://") : Value;
}

AnsiString TCustomWebDownload::UserAgentLine() const {
  return "User-agent: Mozilla/4.0 (compatible; MSIE 6.0; Windows NT 5.1; SV1)(" + FUserAgent +
         ")\r\n";
}

AnsiString TCustomWebDownload::FileNameFromUrl(const AnsiString& Url) const {
  TUrl url;
  url.ParseUrl(Url);
  const AnsiString name = PlainFileName(url.GetDocument());
  return name.empty() ? FDefaultUrlFileName : name;
}

void TCustomWebDownload::ReportError(uint32_t Code, const AnsiString& Text) {
  if (!OnError) return;
  try {
    OnError(Code, Text);
  } catch (...) {
    // A report that fails itself ends here; the download goes on to its end.
  }
}

void TCustomWebDownload::SetState(TState Value) {
  FState = Value;
  if (OnStateChange) {
    try {
      OnStateChange(Value);
    } catch (Exception& e) {
      ReportError(static_cast<uint32_t>(E_FAIL), e.Message);
    }
  }
}

void TCustomWebDownload::ResetState() {
  FBusy = true;
  FCancel = false;
  FRenamed = false;
  FFileNameAndPath.clear();
  FFileExtension.clear();
  FFileSize = 0;
  FMimeType.clear();
  FServerAddress.clear();
  FLastUrl.clear();
  FDownloadFolder.clear();
  FFileName.clear();
  FUrl.clear();
  FTimeoutReported = false;
  SetState(sBusy);
  FStartTick = GetTickCount();
  ++FActiveCount;
  ResetEvent(FDownloadDone);
}

void TCustomWebDownload::DownloadStopped() {
  if (FActiveCount > 0) --FActiveCount;
  if (FActiveCount == 0) {
    FBusy = false;
    SetEvent(FDownloadDone);
  }
}

AnsiString TCustomWebDownload::NormalizeUrl(const AnsiString& Url) const {
  const AnsiString upper = UpperCase(Url);
  for (const char* name : kProtocolNames)
    if (upper.find(UpperCase(name)) != AnsiString::npos) return Url;
  return FDefaultProtocol + Url;
}

bool TCustomWebDownload::PrepareDownloadFolder(const AnsiString& Folder) {
  AnsiString folder = Folder.empty() ? GetExeFolder() + "Downloads\\" : Folder;
  if (folder.empty()) return false;
  folder = IncludeTrailingPathDelimiter(folder);
  try {
    ForceDirectories(folder);
  } catch (Exception&) {
    const DWORD error = GetLastError();
    ReportError(error, SysErrorMessage(error) + " while creating download folder");
    return false;
  }
  FDownloadFolder = folder;
  return true;
}

bool TCustomWebDownload::PrepareDownload(const AnsiString& Url, const AnsiString& FileName,
                                         const AnsiString& Folder) {
  if (Url.empty()) return false;
  FUrl = NormalizeUrl(Url);
  if (FValidateUrl && !TUrl::IsValidUrl(FUrl)) {
    const DWORD error = GetLastError();
    ReportError(error, SysErrorMessage(error) + " " + FUrl);
    return false;
  }
  FList->GetUrls()->Add(FUrl);
  if (FDownloadMethod == dmStream) {
    FBindF.Include(TBindF_Options::GetNewestVersion);
  } else {
    if (!PrepareDownloadFolder(Folder)) return false;
    FFileName = FileName.empty() ? FileNameFromUrl(FUrl) : PlainFileName(FileName);
    if (FFileName.empty()) FFileName = FDefaultUrlFileName;
    const AnsiString path = FDownloadFolder + FFileName;
    if (FileExists(path)) {
      TFileExistsOption action = FFileExistsOption;
      AnsiString newName;
      if (OnFileExists) OnFileExists(action, path, newName);
      switch (action) {
        case feSkip:
          return false;
        case feRename:
          if (newName.empty()) newName = TimeToStr(Now()) + "_" + FFileName;
          FFileName = PlainFileName(newName);
          FRenamed = true;
          break;
        case feOverWrite:
          FBindF.Include(TBindF_Options::GetNewestVersion);
          break;
      }
    }
  }
  UpdateFlagWords();
  return true;
}

void TCustomWebDownload::DoComplete() {
  if (OnComplete) {
    try {
      OnComplete(this, FFileNameAndPath, FFileName, FDownloadFolder, FFileExtension, FActiveCount);
    } catch (Exception& e) {
      ReportError(static_cast<uint32_t>(E_FAIL), e.Message);
    }
  }
  SetState(sReady);
}

void TCustomWebDownload::Download(const AnsiString& Url) {
  BeginDownload(Url, AnsiString(), nullptr, nullptr, AnsiString());
  if (FOpenDownloadFolder) ExploreDownloadFolder(FDownloadFolder);
}

bool TCustomWebDownload::BeginDownload(const AnsiString& Url, const AnsiString& FileName,
                                       IMoniker* Moniker, IBindCtx* BindCtx,
                                       const AnsiString& Folder) {
  ResetState();
  bool prepared = false;
  try {
    prepared = PrepareDownload(Url, FileName, Folder);
  } catch (Exception& e) {
    ReportError(static_cast<uint32_t>(E_FAIL), e.Message);
  }
  if (!prepared) {
    DownloadStopped();
    DoComplete();
    return false;
  }

  TBSCB* bscb = new TBSCB(this, true, Moniker, BindCtx);
  TBSCB* previous = FBSCB;
  FBSCB = bscb;
  // Whatever happens, the download is counted off and the object let go.
  struct TRelease {
    TCustomWebDownload* Component;
    TBSCB* Object;
    TBSCB* Previous;
    ~TRelease() {
      Component->FBSCB = Previous;
      Object->Detach();
      Object->Release();
    }
  } release{this, bscb, previous};

  // Execute dispatches messages until its binding has stopped or the download is
  // cancelled, so nothing is left to wait for when it returns. Detach then counts off a
  // download whose binding never started or was cancelled: the wait always ends.
  bscb->Execute();
  bscb->Detach();
  DoComplete();
  if (FQuitPending) {
    FQuitPending = false;
    PostQuitMessage(static_cast<int>(FQuitCode));
  }
  return true;
}

bool TCustomWebDownload::WaitForDownload(HANDLE Event, DWORD Start, int TimeOut) {
  const DWORD limit = TimeOut > 0 ? static_cast<DWORD>(TimeOut) : INFINITE;
  const DWORD result = MsgWaitForMultipleObjects(1, &Event, FALSE, limit, QS_ALLINPUT);
  if (result == WAIT_OBJECT_0) return true;
  auto checkTimeout = [&] {
    if (TimeOut > 0 && !FTimeoutReported && GetTickCount() - Start > limit) {
      FTimeoutReported = true;
      ReportError(GetLastError(), "Error: Timeout.");
    }
  };
  if (result == WAIT_OBJECT_0 + 1) {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
      if (msg.message == WM_QUIT) {
        // The program is ending: the download stops, and the quit message is posted again
        // for the message loop once the download has returned.
        FQuitPending = true;
        FQuitCode = msg.wParam;
        FCancel = true;
        break;
      }
      TranslateMessage(&msg);
      DispatchMessageA(&msg);
      checkTimeout();
    }
    checkTimeout();
    return false;
  }
  const DWORD error = result == WAIT_TIMEOUT ? WAIT_TIMEOUT : GetLastError();
  ReportError(error, SysErrorMessage(error));
  return false;
}

void TCustomWebDownload::ProcessPendingMessages() {
  MSG msg;
  while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
    if (msg.message == WM_QUIT) {
      FQuitPending = true;
      FQuitCode = msg.wParam;
      break;
    }
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
  }
}

void TCustomWebDownload::Cancel() {
  if (!FBusy || FState != sBusy) return;
  FCancel = true;
  ProcessPendingMessages();
}

void TCustomWebDownload::CancelAll() { Cancel(); }

bool TCustomWebDownload::ExploreDownloadFolder(const AnsiString& Folder) {
  const INT_PTR result = reinterpret_cast<INT_PTR>(
      ShellExecuteA(nullptr, "explore", Folder.c_str(), nullptr, nullptr, SW_SHOWNORMAL));
  if (result <= 32) {
    ReportError(static_cast<uint32_t>(result), "Error while opening folder");
    return false;
  }
  return true;
}

bool TCustomWebDownload::ApplyProxySettings(const AnsiString& Agent, const AnsiString& Proxy) {
  HINTERNET session =
      InternetOpenA(Agent.c_str(), INTERNET_OPEN_TYPE_DIRECT, nullptr, nullptr, 0);
  if (!session) return false;
  INTERNET_PER_CONN_OPTIONA options[3] = {};
  options[0].dwOption = INTERNET_PER_CONN_FLAGS;
  options[0].Value.dwValue = PROXY_TYPE_DIRECT | PROXY_TYPE_PROXY;
  options[1].dwOption = INTERNET_PER_CONN_PROXY_SERVER;
  options[1].Value.pszValue = const_cast<char*>(Proxy.c_str());
  options[2].dwOption = INTERNET_PER_CONN_PROXY_BYPASS;
  options[2].Value.pszValue = const_cast<char*>("<local>");
  INTERNET_PER_CONN_OPTION_LISTA list = {};
  list.dwSize = sizeof(list);
  list.pszConnection = nullptr;
  list.dwOptionCount = static_cast<DWORD>(std::size(options));
  list.pOptions = options;
  bool applied = InternetSetOptionA(session, INTERNET_OPTION_PER_CONNECTION_OPTION, &list,
                                    sizeof(list)) != FALSE;
  if (applied) applied = InternetSetOptionA(session, INTERNET_OPTION_REFRESH, nullptr, 0) != FALSE;
  InternetCloseHandle(session);
  return applied;
}
