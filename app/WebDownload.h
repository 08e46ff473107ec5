// The web download component: fetches one URL through the system's URL monikers on the
// calling thread and hands the result to its owner as a memory stream (dmStream) or as a
// file (dmFile). The transfer is an asynchronous URL binding driven by a per-download
// callback object (TBSCB, WebDownloadBinding.h); while it runs the component keeps
// dispatching the thread's window messages, so handlers of other windows (and of its own
// events) run inside Download. Windows only.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "framework/Classes.h"
#include "framework/WinApi.h"

#include <urlmon.h>

class TBSCB;
class TCustomWebDownload;

// ---------------------------------------------------------------------------------------
// Option sets. Element i of TBindF_Options adds 2 to the power i to the binding flags; the
// other sets add the values of their own tables (BindFlagWord and its siblings).

enum class TBindF_Options {
  Asynchronous, AsyncStorage, NoProgressiveRendering, OfflineOperation, GetNewestVersion,
  NoWriteCache, NeedFile, PullData, IgnoreSecurityProblem, Resynchronize, AllowHyperlink,
  No_UI, SilentOperation, Pragma_No_Cache, GetClassObject, Reserved_1, Free_Threaded,
  DirectReadIgnoreSize, HandleAsFormsSubmit, GetFromCacheIfNetFail, FromUrlmon, FisrtTryCache,
  PreferDefaultHandler, RestrictedSitesZone
};
using TBindF = TSet<TBindF_Options>;

enum class TBindF2_Options {
  DisableBasicAuth, DisableAutoCookie, DisableRedirectUnlessSID, ReadDataOver4GB, Reserved_2,
  Reserved_11
};
using TBindF2 = TSet<TBindF2_Options>;

enum class TBindInfoF_Options { PostData, ExtraInfo };
using TBindInfoF = TSet<TBindInfoF_Options>;

enum class TBindInfoOptions_Options {
  UseBindInfoOptions, EnableUtf8, DisableUtf8, UseIE_Encoding, BindToObject, SecurityOptOut,
  IgnoreMimeTextPlain, UseBindStrCredentials, IgnoreHttp2HttpsRedirect, IgnoreSslErrOnce,
  WpcDownloadBlocked, WpcLoggingEnabled, DisableAutoRedirect, ShDocVw_Reserved,
  AllowConnectMessages
};
using TBindInfoOptions = TSet<TBindInfoOptions_Options>;

// The sums of the values of the elements present.
uint32_t BindFlagWord(TBindF Options);
uint32_t BindFlag2Word(TBindF2 Options);
uint32_t BindInfoFlagWord(TBindInfoF Options);
uint32_t BindInfoOptionsWord(TBindInfoOptions Options);

enum class TBindVerb { Get = 0, Post = 1, Put = 2, Custom = 3 };
enum class TCodePageOption : uint32_t {
  Ansi = 0, OEM = 1, Mac = 2, ThreadsAnsi = 3, Symbol = 42, UTF7 = 65000, UTF8 = 65001
};
enum TDownloadMethod { dmStream, dmFile };
enum TFileExistsOption { feOverWrite, feSkip, feRename };
enum TState { sBusy, sReady, sStopped };

// ---------------------------------------------------------------------------------------
// Settings objects of the component

// The proxy the component applies when it has been loaded.
class TProxySettings : public TPersistent {
 public:
  void Assign(TPersistent* Source) override;
  bool GetAutoLoadProxy() const { return FAutoLoadProxy; }
  void SetAutoLoadProxy(bool Value) { FAutoLoadProxy = Value; }
  int GetPort() const { return FPort; }
  void SetPort(int Value) { FPort = Value; }
  AnsiString GetServer() const { return FServer; }
  void SetServer(const AnsiString& Value) { FServer = Value; }

 private:
  bool FAutoLoadProxy = false;
  int FPort = 80;
  AnsiString FServer;
};

// Security attributes of the binding: whether handles are inherited and a security
// descriptor in the system's descriptor language (empty: none).
class TSecurity : public TPersistent {
 public:
  void Assign(TPersistent* Source) override;
  bool GetInheritHandle() const { return FInheritHandle; }
  void SetInheritHandle(bool Value) { FInheritHandle = Value; }
  AnsiString GetDescriptor() const { return FDescriptor; }
  void SetDescriptor(const AnsiString& Value) { FDescriptor = Value; }

 private:
  bool FInheritHandle = false;
  AnsiString FDescriptor;
};

// The byte range to request (0, 0: the whole resource).
class TRange : public TPersistent {
 public:
  void Assign(TPersistent* Source) override;
  int64_t GetRangeBegin() const { return FRangeBegin; }
  void SetRangeBegin(int64_t Value) { FRangeBegin = Value; }
  int64_t GetRangeEnd() const { return FRangeEnd; }
  void SetRangeEnd(int64_t Value) { FRangeEnd = Value; }

 private:
  int64_t FRangeBegin = 0;
  int64_t FRangeEnd = 0;
};

// The settings of one download, copied from the component when its binding starts.
class TInfoData : public TObject {
 public:
  explicit TInfoData(TCustomWebDownload* Component);

  TCustomWebDownload* Sender;
  std::vector<AnsiString> AdditionalHeader;
  uint32_t BindF = 0;
  uint32_t BindF2 = 0;
  uint32_t BindInfoF = 0;
  uint32_t BindVerb = 0;
  uint32_t CodePage = 0;
  AnsiString CustomVerb;
  AnsiString Descriptor;
  bool InheritHandle = false;
  AnsiString DownloadFolder;
  AnsiString ExtraInfo;
  AnsiString FileName;
  AnsiString FileExtension;
  AnsiString Host;
  int64_t FileSize = 0;
  AnsiString UserName;
  AnsiString Password;
  AnsiString PostData;
  AnsiString PutFileName;
  int64_t RangeBegin = 0;
  int64_t RangeEnd = 0;
  int TimeOut = 0;
  WideString Url;
};

// The asynchronous bindings in progress, and every URL requested.
class TBSCBList : public TObject {
 public:
  TBSCBList();
  void Add(TBSCB* Item);
  void Remove(TBSCB* Item);
  int GetCount() const { return static_cast<int>(FItems.size()); }
  TBSCB* Get(int Index) const { return FItems.at(static_cast<size_t>(Index)); }
  TStringList* GetUrls() { return &FUrls; }

 private:
  std::vector<TBSCB*> FItems;
  TStringList FUrls;
};

// ---------------------------------------------------------------------------------------
// Events

using TAuthenticateEvent = std::function<void(TBSCB* Sender, HWND& tmpHWND, WideString& szUserName,
                                              WideString& szPassWord, HRESULT& Rezult)>;
using TAuthenticateExEvent =
    std::function<void(TBSCB* Sender, HWND& tmpHWND, WideString& szUserName,
                       WideString& szPassWord, AUTHENTICATEINFO* pauthinfo, HRESULT& Rezult)>;
using TBeforeDownloadEvent = std::function<void(
    TInfoData* Sender, const AnsiString& Url, const AnsiString& FileName,
    const AnsiString& FileExtension, const AnsiString& Host, const AnsiString& DownloadFolder,
    int64_t FileSize, bool& Cancel)>;
// The additional headers arrive as the component built them and may be changed.
using TBeginningTransactionEvent =
    std::function<HRESULT(TBSCB* Sender, const WideString& szURL, const WideString& szHeaders,
                          DWORD dwReserved, WideString& szAdditionalHeaders)>;
using TCodeInstallProblemEvent = std::function<HRESULT(
    TBSCB* Sender, ULONG ulStatusCode, const WideString& szDestination, const WideString& szSource,
    DWORD dwReserved, const AnsiString& stResult)>;
using TCompleteEvent = std::function<void(
    TCustomWebDownload* Sender, const AnsiString& aFileNameAndPath, const AnsiString& aFileName,
    const AnsiString& aFolderName, const AnsiString& aExtension, int ActiveConnections)>;
using TConnectEvent = std::function<void(TBSCB* Sender, HRESULT Res, const AnsiString& stMessage)>;
// The block read and its length; the handler may replace both (the length is clamped to
// the block).
using TDataAvailableEvent =
    std::function<void(TBSCB* Sender, std::vector<uint8_t>& Buffer, DWORD& BufLength)>;
using TDataAvailableInfoEvent =
    std::function<void(TBSCB* Sender, DWORD grfBSCF, const AnsiString& Status)>;
using TErrorEvent = std::function<void(uint32_t ErrorCode, const AnsiString& stError)>;
using TFileExistsEvent = std::function<void(TFileExistsOption& Action, const AnsiString& aFileName,
                                            AnsiString& NewFileName)>;
using TGetBindInfoEvent =
    std::function<HRESULT(TBSCB* Sender, DWORD& grfBINDF, BINDINFO& BindInfo)>;
using TGetBindInfoExEvent = std::function<HRESULT(TBSCB* Sender, DWORD& grfBINDF,
                                                  BINDINFO* pbindinfo, DWORD& grfBINDF2)>;
using TGetBindResultsEvent =
    std::function<void(TBSCB* Sender, const CLSID& clsidProtocol, DWORD dwResult,
                       const WideString& szResult, const AnsiString& stResult)>;
using TGetRootSecurityIdEvent =
    std::function<HRESULT(BYTE* SecurityIdBuffer, DWORD& BufferSize)>;
using TGetSerializedClientCertContextEvent =
    std::function<HRESULT(TBSCB* Sender, BYTE*& ppbCert, DWORD& pcbCert)>;
using TGetWindowEvent = std::function<HRESULT(TBSCB* Sender, const GUID& GUIDReason, HWND& hwnd)>;
using TProgressEvent = std::function<void(
    TBSCB* Sender, ULONG ulProgress, ULONG ulProgressMax, ULONG ulStatusCode, ULONG FileSize,
    const AnsiString& szStatusText, const AnsiString& Downloaded, const AnsiString& ElapsedTime,
    const AnsiString& Speed, const AnsiString& RemainingTime, const AnsiString& Status,
    const AnsiString& Percent)>;
using TPutPropertyEvent =
    std::function<HRESULT(TBSCB* Sender, MONIKERPROPERTY mkp, const WideString& val)>;
// An object given back must carry a reference for the caller.
using TQueryInterfaceEvent = std::function<HRESULT(const IID& IID, void*& Obj)>;
using TQueryServiceEvent =
    std::function<void(TBSCB* Sender, const GUID& rsid, const IID& iid, IUnknown*& Obj)>;
using TRedirectEvent = std::function<void(TBSCB* Sender, bool& AbortRedirect,
                                          const AnsiString& FromUrl, const AnsiString& DestUrl)>;
using TResponseEvent = std::function<HRESULT(
    TBSCB* Sender, DWORD dwResponseCode, const WideString& szResponseHeaders,
    const WideString& szRequestHeaders, WideString& szAdditionalRequestHeaders)>;
using TResumeEvent =
    std::function<void(TBSCB* Sender, const AnsiString& FileName, TFileExistsOption& Action)>;
using TSecurityProblemEvent =
    std::function<HRESULT(TBSCB* Sender, DWORD dwProblem, const AnsiString& Problem)>;
using TStartBindingEvent = std::function<void(TBSCB* Sender, bool& Cancel, IBinding* pib,
                                              const AnsiString& FileName, int64_t FileSize)>;
using TStateChangeEvent = std::function<void(TState State)>;
using TStopBindingEvent =
    std::function<void(TBSCB* Sender, HRESULT HResult, const AnsiString& szError)>;
// The stream is the download's memory; it is valid only during the call.
using TStreamCompleteEvent =
    std::function<void(TBSCB* Sender, TStream* Stream, HRESULT Result)>;
using TTerminateEvent = std::function<void(TBSCB* Sender, DWORD ThreadId,
                                           const AnsiString& aFileName, bool& bCancel)>;

// ---------------------------------------------------------------------------------------
// The component

class TCustomWebDownload : public TComponent {
 public:
  explicit TCustomWebDownload(TComponent* AOwner);
  ~TCustomWebDownload() override;
  void BeforeDestruction() override;

  // Downloads the URL (into memory or into a file of the download folder, by
  // DownloadMethod); returns when the binding has stopped, was cancelled or could not
  // start. Results arrive through the events and the result properties.
  void Download(const AnsiString& Url);
  // The download itself; Moniker and BindCtx may be given (otherwise they are made for the
  // URL). False when it did not get as far as a binding.
  bool BeginDownload(const AnsiString& Url, const AnsiString& FileName, IMoniker* Moniker,
                     IBindCtx* BindCtx, const AnsiString& Folder);
  // Asks a running download to stop (every callback then aborts the binding, and the wait
  // ends at its next round) and dispatches the pending messages.
  void Cancel();
  void CancelAll();
  // Opens the folder with the shell's "explore" verb; OnError when that fails.
  bool ExploreDownloadFolder(const AnsiString& Folder);
  // Applies a proxy (empty: none) to the internet settings of the process.
  static bool ApplyProxySettings(const AnsiString& Agent, const AnsiString& Proxy);
  // "User-agent: ..." with the UserAgent text, ending with CR LF.
  AnsiString UserAgentLine() const;
  // A file name for a URL: its document part (reduced to a plain file name), or
  // DefaultUrlFileName when it names none.
  AnsiString FileNameFromUrl(const AnsiString& Url) const;
  // The URL as it is when it holds one of the protocol names anywhere, else with
  // DefaultProtocol in front.
  AnsiString NormalizeUrl(const AnsiString& Url) const;

  // Published properties.
  AnsiString GetAbout() const;
  void SetAbout(const AnsiString&) {}
  TStrings* GetAdditionalHeader() const { return FAdditionalHeader.get(); }
  void SetAdditionalHeader(TStrings* Value);
  TBindF GetBindF() const { return FBindF; }
  void SetBindF(TBindF Value);
  TBindF2 GetBindF2() const { return FBindF2; }
  void SetBindF2(TBindF2 Value);
  TBindInfoF GetBindInfoF() const { return FBindInfoF; }
  void SetBindInfoF(TBindInfoF Value);
  TBindVerb GetBindVerb() const { return FBindVerb; }
  void SetBindVerb(TBindVerb Value);
  TBindInfoOptions GetBindInfoOptions() const { return FBindInfoOptions; }
  void SetBindInfoOptions(TBindInfoOptions Value);
  TCodePageOption GetCodePage() const { return FCodePage; }
  void SetCodePage(TCodePageOption Value);
  AnsiString GetCustomVerb() const { return FCustomVerb; }
  void SetCustomVerb(const AnsiString& Value) { FCustomVerb = Value; }
  AnsiString GetDefaultProtocol() const { return FDefaultProtocol; }
  void SetDefaultProtocol(const AnsiString& Value);
  AnsiString GetDefaultUrlFileName() const { return FDefaultUrlFileName; }
  void SetDefaultUrlFileName(const AnsiString& Value) { FDefaultUrlFileName = Value; }
  AnsiString GetDownloadFolder() const { return FDownloadFolder; }
  void SetDownloadFolder(const AnsiString& Value) { FDownloadFolder = Value; }
  TDownloadMethod GetDownloadMethod() const { return FDownloadMethod; }
  void SetDownloadMethod(TDownloadMethod Value) { FDownloadMethod = Value; }
  AnsiString GetExtraInfo() const { return FExtraInfo; }
  void SetExtraInfo(const AnsiString& Value) { FExtraInfo = Value; }
  TFileExistsOption GetFileExistsOption() const { return FFileExistsOption; }
  void SetFileExistsOption(TFileExistsOption Value) { FFileExistsOption = Value; }
  AnsiString GetFileName() const { return FFileName; }
  void SetFileName(const AnsiString& Value) { FFileName = Value; }
  bool GetOpenDownloadFolder() const { return FOpenDownloadFolder; }
  void SetOpenDownloadFolder(bool Value) { FOpenDownloadFolder = Value; }
  AnsiString GetPassword() const { return FPassword; }
  void SetPassword(const AnsiString& Value) { FPassword = Value; }
  AnsiString GetPostData() const { return FPostData; }
  void SetPostData(const AnsiString& Value) { FPostData = Value; }
  TProxySettings* GetProxySettings() const { return FProxySettings.get(); }
  void SetProxySettings(TProxySettings* Value) { FProxySettings->Assign(Value); }
  AnsiString GetPutFileName() const { return FPutFileName; }
  void SetPutFileName(const AnsiString& Value) { FPutFileName = Value; }
  TRange* GetRange() const { return FRange.get(); }
  void SetRange(TRange* Value) { FRange->Assign(Value); }
  TSecurity* GetSecurity() const { return FSecurity.get(); }
  void SetSecurity(TSecurity* Value) { FSecurity->Assign(Value); }
  int GetTimeOut() const { return FTimeOut; }
  void SetTimeOut(int Value) { FTimeOut = Value; }
  AnsiString GetUrl() const { return FUrl; }
  void SetUrl(const AnsiString& Value) { FUrl = Value; }
  AnsiString GetUserAgent() const { return FUserAgent; }
  void SetUserAgent(const AnsiString& Value) { FUserAgent = Value; }
  AnsiString GetUserName() const { return FUserName; }
  void SetUserName(const AnsiString& Value) { FUserName = Value; }
  bool GetUseSystemDownloadFolder() const { return FUseSystemDownloadFolder; }
  void SetUseSystemDownloadFolder(bool Value) { FUseSystemDownloadFolder = Value; }
  bool GetValidateUrl() const { return FValidateUrl; }
  void SetValidateUrl(bool Value) { FValidateUrl = Value; }

  // The flag words as given to the binding.
  uint32_t GetBindFWord() const { return FBindFWord; }
  uint32_t GetBindF2Word() const { return FBindF2Word; }
  uint32_t GetBindInfoFWord() const { return FBindInfoFWord; }
  uint32_t GetBindInfoOptionsWord() const { return FBindInfoOptionsWord; }

  // Results of the last download.
  AnsiString GetFileNameAndPath() const { return FFileNameAndPath; }
  AnsiString GetFileExtension() const { return FFileExtension; }
  AnsiString GetMimeType() const { return FMimeType; }
  AnsiString GetLastUrl() const { return FLastUrl; }
  AnsiString GetServerAddress() const { return FServerAddress; }
  int64_t GetFileSize() const { return FFileSize; }
  TState GetState() const { return FState; }
  bool GetBusy() const { return FBusy; }
  bool GetCancelRequested() const { return FCancel; }
  int GetActiveCount() const { return FActiveCount; }
  TBSCBList* GetList() const { return FList.get(); }

  TAuthenticateEvent OnAuthenticate;
  TAuthenticateExEvent OnAuthenticateEx;
  TBeforeDownloadEvent OnBeforeDownload;
  TBeginningTransactionEvent OnBeginningTransaction;
  TCodeInstallProblemEvent OnCodeInstallProblem;
  TCompleteEvent OnComplete;
  TConnectEvent OnConnect;
  TDataAvailableEvent OnDataAvailable;
  TDataAvailableInfoEvent OnDataAvailableInfo;
  TErrorEvent OnError;
  TFileExistsEvent OnFileExists;
  TGetBindInfoEvent OnGetBindInfo;
  TGetBindInfoExEvent OnGetBindInfoEx;
  TGetBindResultsEvent OnGetBindResults;
  TGetRootSecurityIdEvent OnGetRootSecurityId;
  TGetSerializedClientCertContextEvent OnGetSerializedClientCertContext;
  TGetWindowEvent OnGetWindow;
  TProgressEvent OnProgress;
  TPutPropertyEvent OnPutProperty;
  TQueryInterfaceEvent OnQueryInterface;
  TQueryServiceEvent OnQueryService;
  TRedirectEvent OnRedirect;
  TResponseEvent OnResponse;
  TResumeEvent OnResume;
  TSecurityProblemEvent OnSecurityProblem;
  TStartBindingEvent OnStartBinding;
  TStateChangeEvent OnStateChange;
  TStopBindingEvent OnStopBinding;
  TStreamCompleteEvent OnStreamComplete;
  TTerminateEvent OnTerminate;

 protected:
  void Loaded() override;

 private:
  friend class TBSCB;
  friend class TInfoData;

  void ResetState();
  bool PrepareDownload(const AnsiString& Url, const AnsiString& FileName, const AnsiString& Folder);
  bool PrepareDownloadFolder(const AnsiString& Folder);
  void DoComplete();
  void SetState(TState Value);
  void UpdateFlagWords();
  // Waits for the event while dispatching messages, at most TimeOut ms (no limit for 0 or
  // less). True when the event is signalled.
  bool WaitForDownload(HANDLE Event, DWORD Start, int TimeOut);
  // Ends one download's count of the running ones; at 0 the download-done event is set.
  void DownloadStopped();
  void ProcessPendingMessages();
  // Reports through OnError; a handler that raises is not allowed to end the download.
  void ReportError(uint32_t Code, const AnsiString& Text);

  std::unique_ptr<TStringList> FAdditionalHeader;
  TBindF FBindF;
  TBindF2 FBindF2;
  TBindInfoF FBindInfoF;
  TBindVerb FBindVerb = TBindVerb::Get;
  TBindInfoOptions FBindInfoOptions;
  TCodePageOption FCodePage = TCodePageOption::Ansi;
  AnsiString FCustomVerb;
  AnsiString FDefaultProtocol = "http://";
  AnsiString FDefaultUrlFileName = "index.html";
  AnsiString FDownloadFolder;
  TDownloadMethod FDownloadMethod = dmFile;
  AnsiString FExtraInfo;
  TFileExistsOption FFileExistsOption = feOverWrite;
  AnsiString FFileName;
  bool FOpenDownloadFolder = false;
  AnsiString FPassword;
  AnsiString FPostData;
  std::unique_ptr<TProxySettings> FProxySettings;
  AnsiString FPutFileName;
  std::unique_ptr<TRange> FRange;
  std::unique_ptr<TSecurity> FSecurity;
  int FTimeOut = 0;
  AnsiString FUrl;
  AnsiString FUserAgent;
  AnsiString FUserName;
  bool FUseSystemDownloadFolder = false;
  bool FValidateUrl = false;

  uint32_t FBindFWord = 0;
  uint32_t FBindF2Word = 0;
  uint32_t FBindInfoFWord = 0;
  uint32_t FBindInfoOptionsWord = 0;

  AnsiString FFileNameAndPath;
  AnsiString FFileExtension;
  AnsiString FMimeType;
  AnsiString FLastUrl;
  AnsiString FServerAddress;
  int64_t FFileSize = 0;
  TState FState = sReady;
  bool FBusy = false;
  bool FCancel = false;
  bool FRenamed = false;
  DWORD FStartTick = 0;
  int FActiveCount = 0;
  HANDLE FDownloadDone = nullptr;  // manual reset, set when ActiveCount returns to 0
  TBSCB* FBSCB = nullptr;
  std::unique_ptr<TBSCBList> FList;
  // A quit message taken from the queue while waiting; it is posted again when the
  // download ends.
  bool FQuitPending = false;
  WPARAM FQuitCode = 0;
  bool FTimeoutReported = false;
};

class TWebDownload : public TCustomWebDownload {
 public:
  using TCustomWebDownload::TCustomWebDownload;
};
