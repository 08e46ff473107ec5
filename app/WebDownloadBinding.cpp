#include "app/WebDownloadBinding.h"

#include <algorithm>
#include <atomic>
#include <cstring>
#include <vector>

#include "app/EwbUrl.h"
#include "app/WebDownloadTools.h"
#include "framework/ExtCtrls.h"

#include <sddl.h>
#include <wininet.h>

namespace {

std::atomic<long> LiveObjects{0};

// Objects made and given by the system carry a reference each; these let go of one.
template <class T>
void ReleaseAndNil(T*& Object) {
  if (T* doomed = Object) {
    Object = nullptr;
    doomed->Release();
  }
}

AnsiString Narrow(LPCWSTR Text) { return Text ? WideToAnsi(Text) : AnsiString(); }
WideString Wide(LPCWSTR Text) { return Text ? WideString(Text) : WideString(); }

// Whether two interface pointers belong to one object.
bool SameObject(IUnknown* A, IUnknown* B) {
  IUnknown* a = nullptr;
  IUnknown* b = nullptr;
  if (A) A->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&a));
  if (B) B->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&b));
  const bool same = a && a == b;
  if (a) a->Release();
  if (b) b->Release();
  return same;
}

const wchar_t kHolderName[] = L"_BSCB_Holder_";
const DISPID kReadyStateDispId = -525;
const int kReadyStateComplete = 4;
const UINT kReadyStateMessage = 1025;
// The most one read of the binding's data takes at once.
const DWORD kReadBlockSize = 64 * 1024;

}  // namespace

long TBSCB::LiveCount() { return LiveObjects.load(); }

TBSCB::TBSCB(TCustomWebDownload* Component, bool CreateSuspended, IMoniker* Moniker,
             IBindCtx* BindCtx)
    : FComponent(Component), FStream(std::make_unique<TMemoryStream>()) {
  (void)CreateSuspended;
  ++LiveObjects;
  FThreadID = GetCurrentThreadId();
  if (Moniker) {
    FMoniker = Moniker;
    FMoniker->AddRef();
  }
  if (BindCtx) {
    FBindCtx = BindCtx;
    FBindCtx->AddRef();
  }
}

TBSCB::~TBSCB() {
  ReleaseSystemObjects();
  FreeAndNil(FTimer);
  FFileStream.reset();
  if (FPostBlock) GlobalFree(FPostBlock);
  if (FDescriptor) LocalFree(FDescriptor);
  if (FBindingDone) CloseHandle(FBindingDone);
  --LiveObjects;
}

void TBSCB::ReleaseSystemObjects() {
  ReleaseAndNil(FPrevBSCB);
  ReleaseAndNil(FDataStream);
  ReleaseAndNil(FObject);
  ReleaseAndNil(FBinding);
  ReleaseAndNil(FBindCtx);
  ReleaseAndNil(FMoniker);
}

void TBSCB::Detach() {
  if (!FComponent) return;
  FreeAndNil(FTimer);
  // A binding left running (cancelled) would go on calling an object nobody waits for.
  if (FBinding && FStarted && !FStopped && !FAborted) {
    FAborted = true;
    FBinding->Abort();
  }
  if (FListed) {
    FComponent->FList->Remove(this);
    FListed = false;
  }
  if (FCounted) {
    FCounted = false;
    FComponent->DownloadStopped();
  }
  FFileStream.reset();
  FComponent = nullptr;
  ReleaseSystemObjects();
}

// ---------------------------------------------------------------------------------------
// Reports and events

void TBSCB::Error(uint32_t Code, const AnsiString& Text) {
  if (FComponent) FComponent->ReportError(Code, Text);
}

void TBSCB::Connect(HRESULT Result, const AnsiString& Text) {
  if (FComponent && FComponent->OnConnect) Fire([&] { FComponent->OnConnect(this, Result, Text); });
}

template <class F>
void TBSCB::Fire(F&& Handler) {
  try {
    Handler();
  } catch (Exception& e) {
    Error(static_cast<uint32_t>(E_FAIL), e.Message);
  } catch (std::exception& e) {
    Error(static_cast<uint32_t>(E_FAIL), e.what());
  } catch (...) {
    Error(static_cast<uint32_t>(E_FAIL), "Unknown exception");
  }
}

bool TBSCB::CancelRequested() {
  if (FComponent && !FComponent->FCancel && !FRefused) return false;
  if (FBinding && !FStopped && !FAborted) {
    FAborted = true;
    FBinding->Abort();
  }
  return true;
}

// ---------------------------------------------------------------------------------------
// The binding

void TBSCB::StartTiming() {
  QueryPerformanceFrequency(&FFrequency);
  QueryPerformanceCounter(&FStart);
  FRead = 0;
  FRedirected = false;
  FStopped = false;
  FTimer = new TTimer(nullptr);
  FTimer->SetInterval(FInfo->TimeOut > 0 ? static_cast<unsigned>(FInfo->TimeOut) : 0);
  FTimer->OnTimer = [this](TObject*) { TimerTick(); };
  FTimedOut = false;
  FormatSettings.LongTimeFormat = "mm:ss.zzz";
}

void TBSCB::TimerTick() {
  // No data for TimeOut: the binding is stopped; it ends with the time-out as its result.
  FTimedOut = true;
  if (FTimer) FTimer->SetEnabled(false);
  if (FBinding && FStarted && !FStopped && !FAborted) {
    FAborted = true;
    FBinding->Abort();
  }
}

void TBSCB::Execute() {
  const HRESULT ole = OleInitialize(nullptr);
  FInfo = std::make_unique<TInfoData>(FComponent);
  StartTiming();
  if (FInfo->BindF & BINDF_ASYNCHRONOUS) {
    FComponent->FList->Add(this);
    FListed = true;
  }
  struct TOleScope {
    HRESULT Result;
    ~TOleScope() {
      if (SUCCEEDED(Result)) OleUninitialize();
    }
  } oleScope{ole};

  RunBinding();

  if (FComponent && FInfo) {
    const AnsiString path = FInfo->DownloadFolder + FInfo->FileName;
    FComponent->FFileNameAndPath = path;
    FComponent->FFileExtension = ExtractFileExt(path);
    FComponent->FFileName = ExtractFileName(path);
    FComponent->FDownloadFolder = ExtractFilePath(path);
  }
}

bool TBSCB::RunBinding() {
  FStarted = false;
  HRESULT hr = S_OK;
  if (!FMoniker) {
    hr = CreateURLMonikerEx(nullptr, FInfo->Url.c_str(), &FMoniker, URL_MK_UNIFORM);
    if (FAILED(hr)) {
      Error(GetLastError(), "Error while CreateURLMonikerEx: " + ResponseCodeToText(hr));
      return false;
    }
    Connect(hr, "CreateURLMonikerEx: " + ResponseCodeToText(hr));
  }
  if (!FBindCtx) {
    hr = CreateAsyncBindCtx(0, static_cast<IBindStatusCallback*>(this), nullptr, &FBindCtx);
    if (FAILED(hr)) {
      Error(GetLastError(), "Error while CreateAsyncBindCtx: " + ResponseCodeToText(hr));
      return false;
    }
    Connect(hr, "CreateAsyncBindCtx: " + ResponseCodeToText(hr));
  }
  if (FMoniker->IsRunning(FBindCtx, nullptr, nullptr) == S_OK) {
    LPOLESTR name = nullptr;
    if (SUCCEEDED(FMoniker->GetDisplayName(FBindCtx, nullptr, &name)) && name) {
      FInfo->Url = name;
      FComponent->FUrl = WideToAnsi(name);
    }
    if (name) CoTaskMemFree(name);
  }
  TUrl url;
  url.ParseUrl(WideToAnsi(FInfo->Url));
  // A name given for the download (or its renamed file) is kept; else the URL names it.
  if (FInfo->FileName.empty()) FInfo->FileName = PlainFileName(url.GetDocument());
  FInfo->FileExtension = ExtractFileExt(FInfo->FileName);
  FInfo->Host = url.GetHostName();

  IBindStatusCallback* self = static_cast<IBindStatusCallback*>(this);
  IBindStatusCallback* previous = nullptr;
  hr = RegisterBindStatusCallback(FBindCtx, self, &previous, 0);
  if (FAILED(hr) && previous) {
    FBindCtx->RevokeObjectParam(const_cast<LPOLESTR>(kHolderName));
    hr = RegisterBindStatusCallback(FBindCtx, self, nullptr, 0);
    if (SUCCEEDED(hr))
      Connect(hr, "RegisterBindStatusCallback: " + ResponseCodeToText(hr));
    else
      Error(GetLastError(), "Error while RegisterBindStatusCallback: " + ResponseCodeToText(hr));
  } else if (SUCCEEDED(hr)) {
    Connect(hr, "RegisterBindStatusCallback: " + ResponseCodeToText(hr));
  } else {
    Error(GetLastError(), "Error while RegisterBindStatusCallback: " + ResponseCodeToText(hr));
  }
  // The bind context made for this object already holds it: that is no other callback.
  if (previous && SUCCEEDED(hr) && !SameObject(previous, self))
    FPrevBSCB = previous;
  else if (previous)
    previous->Release();

  FBindingDone = CreateEventA(nullptr, TRUE, FALSE, nullptr);
  IStream* stream = nullptr;
  hr = FMoniker->BindToStorage(FBindCtx, nullptr, IID_IStream, reinterpret_cast<void**>(&stream));
  if (stream) {
    ReleaseAndNil(FDataStream);
    FDataStream = stream;
  }
  if (FAILED(hr)) {
    Error(GetLastError(), "Error while MonikerBindToStorage " + ResponseCodeToText(hr));
  } else {
    FStarted = true;
    Connect(hr, "MonikerBindToStorage: " + ResponseCodeToText(hr));
    try {
      while (FComponent && !FComponent->FCancel && !FStopped)
        FComponent->WaitForDownload(FBindingDone, FComponent->FStartTick, FInfo->TimeOut);
    } catch (...) {
      Error(static_cast<uint32_t>(E_FAIL), "ProcessEvents fails to wait until complete.");
      throw;
    }
  }

  if (FBindCtx) {
    hr = RevokeBindStatusCallback(FBindCtx, self);
    if (FAILED(hr)) hr = RevokeBindStatusCallback(FBindCtx, self);
    if (FAILED(hr))
      Error(static_cast<uint32_t>(hr), "Error while RevokeBindStatusCallback. " + ResponseCodeToText(hr));
    else
      Connect(hr, "RevokeBindStatusCallback: " + ResponseCodeToText(0));
  }
  if (FComponent) {
    if (FComponent->FActiveCount == 0) FComponent->FBusy = false;
    if (FListed) {
      FComponent->FList->Remove(this);
      FListed = false;
    }
  }
  return FStarted;
}

void TBSCB::FinishBinding() {
  bool cancel = false;
  if (FComponent && FComponent->OnTerminate) {
    const AnsiString fileName = FInfo ? FInfo->FileName : AnsiString();
    Fire([&] { FComponent->OnTerminate(this, FThreadID, fileName, cancel); });
  }
  if (cancel && FComponent) FComponent->CancelAll();
  FTerminated = true;
}

// ---------------------------------------------------------------------------------------
// HTTP answers

bool TBSCB::QueryNumber(DWORD Level, DWORD& Value) {
  Value = 0;
  if (!FBinding) return false;
  IWinInetHttpInfo* info = nullptr;
  if (FAILED(FBinding->QueryInterface(IID_IWinInetHttpInfo, reinterpret_cast<void**>(&info))) ||
      !info)
    return false;
  DWORD size = sizeof(Value);
  DWORD flags = 0;
  const HRESULT hr = info->QueryInfo(Level | HTTP_QUERY_FLAG_NUMBER, &Value, &size, &flags, nullptr);
  info->Release();
  return hr == S_OK && size == sizeof(Value);
}

AnsiString TBSCB::QueryText(DWORD Level) {
  if (!FBinding) return AnsiString();
  IWinInetHttpInfo* info = nullptr;
  if (FAILED(FBinding->QueryInterface(IID_IWinInetHttpInfo, reinterpret_cast<void**>(&info))) ||
      !info)
    return AnsiString();
  std::vector<char> buffer(4096, 0);
  DWORD size = static_cast<DWORD>(buffer.size() - 1);
  DWORD flags = 0;
  const HRESULT hr = info->QueryInfo(Level, buffer.data(), &size, &flags, nullptr);
  info->Release();
  if (hr != S_OK) return AnsiString();
  return AnsiString(buffer.data(), std::min<size_t>(size, buffer.size() - 1));
}

void TBSCB::ParseContentDisposition() {
  const AnsiString name = FileNameFromContentDisposition(QueryText(HTTP_QUERY_CONTENT_DISPOSITION));
  if (name.empty() || !FInfo) return;
  FInfo->FileName = name;
  FInfo->FileExtension = ExtractFileExt(name);
  if (FComponent) FComponent->FFileName = name;
}

AnsiString TBSCB::TargetPath() const {
  return ReplaceChar(FInfo->DownloadFolder + FInfo->FileName, '?', '_');
}

bool TBSCB::OpenTargetFile(bool Append) {
  FFileStream.reset();
  try {
    const AnsiString path = TargetPath();
    if (Append && FileExists(path)) {
      FFileStream = std::make_unique<TFileStream>(path, fmOpenReadWrite | fmShareDenyWrite);
      FFileStream->Seek(0, soEnd);
    } else {
      FFileStream = std::make_unique<TFileStream>(path, fmCreate);
    }
    return true;
  } catch (Exception& e) {
    Error(static_cast<uint32_t>(E_FAIL), e.Message);
    return false;
  }
}

// ---------------------------------------------------------------------------------------
// IUnknown

STDMETHODIMP TBSCB::QueryInterface(REFIID riid, void** ppv) {
  if (!ppv) return E_POINTER;
  *ppv = nullptr;
  if (FComponent && FComponent->OnQueryInterface) {
    void* object = nullptr;
    HRESULT hr = E_NOINTERFACE;
    Fire([&] { hr = FComponent->OnQueryInterface(riid, object); });
    if (SUCCEEDED(hr) && object) {
      *ppv = object;
      return S_OK;
    }
  }
  if (riid == IID_IUnknown || riid == IID_IBindStatusCallback || riid == IID_IBindStatusCallbackEx)
    *ppv = static_cast<IBindStatusCallbackEx*>(this);
  else if (riid == IID_IServiceProvider)
    *ppv = static_cast<IServiceProvider*>(this);
  else if (riid == IID_IPropertyNotifySink)
    *ppv = static_cast<IPropertyNotifySink*>(this);
  else if (riid == IID_IWindowForBindingUI || riid == IID_IHttpSecurity)
    *ppv = static_cast<IHttpSecurity*>(this);
  else if (riid == IID_IHttpNegotiate || riid == IID_IHttpNegotiate2 || riid == IID_IHttpNegotiate3)
    *ppv = static_cast<IHttpNegotiate3*>(this);
  else if (riid == IID_ICodeInstall)
    *ppv = static_cast<ICodeInstall*>(this);
  else if (riid == IID_IBindHost)
    *ppv = static_cast<IBindHost*>(this);
  else if (riid == IID_IMonikerProp)
    *ppv = static_cast<IMonikerProp*>(this);
  else if (riid == IID_IAuthenticate || riid == IID_IAuthenticateEx)
    *ppv = static_cast<IAuthenticateEx*>(this);
  if (!*ppv) return E_NOINTERFACE;
  AddRef();
  return S_OK;
}

STDMETHODIMP_(ULONG) TBSCB::AddRef() { return static_cast<ULONG>(InterlockedIncrement(&FRefCount)); }

STDMETHODIMP_(ULONG) TBSCB::Release() {
  const LONG count = InterlockedDecrement(&FRefCount);
  if (count == 0) delete this;
  return static_cast<ULONG>(count);
}

// ---------------------------------------------------------------------------------------
// IServiceProvider, IPropertyNotifySink, IWindowForBindingUI, IHttpSecurity, ICodeInstall

STDMETHODIMP TBSCB::QueryService(REFGUID guidService, REFIID riid, void** ppv) {
  if (!ppv) return E_POINTER;
  *ppv = nullptr;
  IUnknown* object = nullptr;
  if (FComponent && FComponent->OnQueryService)
    Fire([&] { FComponent->OnQueryService(this, guidService, riid, object); });
  if (!object) return E_NOINTERFACE;
  *ppv = object;
  return S_OK;
}

STDMETHODIMP TBSCB::OnChanged(DISPID dispID) {
  if (dispID != kReadyStateDispId || !FObject) return S_OK;
  IDispatch* dispatch = nullptr;
  if (FAILED(FObject->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(&dispatch))) ||
      !dispatch)
    return S_OK;
  DISPPARAMS none = {};
  VARIANT state;
  VariantInit(&state);
  if (SUCCEEDED(dispatch->Invoke(kReadyStateDispId, IID_NULL, LOCALE_USER_DEFAULT,
                                 DISPATCH_PROPERTYGET, &none, &state, nullptr, nullptr))) {
    VARIANT number;
    VariantInit(&number);
    if (SUCCEEDED(VariantChangeType(&number, &state, 0, VT_I4)) &&
        number.lVal == kReadyStateComplete)
      PostThreadMessageA(GetCurrentThreadId(), kReadyStateMessage, 0, 0);
    VariantClear(&number);
  }
  VariantClear(&state);
  dispatch->Release();
  return S_OK;
}

STDMETHODIMP TBSCB::OnRequestEdit(DISPID) { return E_NOTIMPL; }

STDMETHODIMP TBSCB::GetWindow(REFGUID rguidReason, HWND* phwnd) {
  if (!phwnd) return E_INVALIDARG;
  *phwnd = nullptr;
  HRESULT hr = S_OK;
  if (FComponent && FComponent->OnGetWindow) {
    HWND window = nullptr;
    Fire([&] { hr = FComponent->OnGetWindow(this, rguidReason, window); });
    *phwnd = window;
  }
  return hr;
}

STDMETHODIMP TBSCB::OnSecurityProblem(DWORD dwProblem) {
  HRESULT hr = S_FALSE;
  if (FComponent && FComponent->OnSecurityProblem)
    Fire([&] { hr = FComponent->OnSecurityProblem(this, dwProblem, ResponseCodeToText(dwProblem)); });
  return hr;
}

STDMETHODIMP TBSCB::OnCodeInstallProblem(ULONG ulStatusCode, LPCWSTR szDestination,
                                         LPCWSTR szSource, DWORD dwReserved) {
  HRESULT hr = S_OK;
  if (FComponent && FComponent->OnCodeInstallProblem)
    Fire([&] {
      hr = FComponent->OnCodeInstallProblem(this, ulStatusCode, Wide(szDestination), Wide(szSource),
                                            dwReserved, ResponseCodeToText(ulStatusCode));
    });
  return hr;
}

// ---------------------------------------------------------------------------------------
// IHttpNegotiate, IHttpNegotiate2, IHttpNegotiate3

STDMETHODIMP TBSCB::BeginningTransaction(LPCWSTR szURL, LPCWSTR szHeaders, DWORD dwReserved,
                                         LPWSTR* pszAdditionalHeaders) {
  if (pszAdditionalHeaders) *pszAdditionalHeaders = nullptr;
  if (CancelRequested()) return E_ABORT;
  if (!FInfo) return E_FAIL;
  AnsiString headers = FComponent->UserAgentLine();
  if (FInfo->FileName.empty()) {
    FInfo->RangeBegin = 0;
    FInfo->RangeEnd = 0;
  } else {
    const AnsiString path = TargetPath();
    const int64_t size = FileSizeOf(path);
    if (size >= 0) {
      FInfo->RangeEnd = 0;
      TFileExistsOption action = FComponent->FFileExistsOption;
      if (FComponent->OnResume) {
        Fire([&] { FComponent->OnResume(this, path, action); });
        FInfo->RangeBegin = size;
      }
      AnsiString newName;
      action = FComponent->FFileExistsOption;
      if (FComponent->OnFileExists)
        Fire([&] { FComponent->OnFileExists(action, path, newName); });
      if (newName.empty()) newName = TimeToStr(Now()) + "_" + FInfo->FileName;
      switch (action) {
        case feSkip:
          if (FBinding) FBinding->Abort();
          return E_ABORT;
        case feRename:
          FInfo->FileName = PlainFileName(newName);
          break;
        case feOverWrite:
          if (FBinding) FBinding->Resume();
          if (FComponent->OnResume) Fire([&] { FComponent->OnResume(this, path, action); });
          FInfo->RangeBegin = 0;
          break;
      }
    }
  }
  if (FInfo->RangeBegin != 0 || FInfo->RangeEnd != 0)
    headers += "Range: bytes=" + IntToStr(FInfo->RangeBegin) + "-" +
               (FInfo->RangeEnd != 0 ? IntToStr(FInfo->RangeEnd) : AnsiString()) + "\r\n";
  for (const AnsiString& line : FInfo->AdditionalHeader) headers += line + "\r\n";
  WideString additional = AnsiToWide(headers);
  HRESULT hr = S_OK;
  if (FComponent->OnBeginningTransaction)
    Fire([&] {
      hr = FComponent->OnBeginningTransaction(this, Wide(szURL), Wide(szHeaders), dwReserved,
                                              additional);
    });
  if (pszAdditionalHeaders && !additional.empty()) *pszAdditionalHeaders = OleStrAlloc(additional);
  if (FTimer) FTimer->SetEnabled(true);
  FTimedOut = false;
  return hr;
}

STDMETHODIMP TBSCB::OnResponse(DWORD dwResponseCode, LPCWSTR szResponseHeaders,
                               LPCWSTR szRequestHeaders, LPWSTR* pszAdditionalRequestHeaders) {
  if (pszAdditionalRequestHeaders) *pszAdditionalRequestHeaders = nullptr;
  if (CancelRequested()) return E_ABORT;
  HRESULT hr = S_OK;
  DWORD value = 0;
  if ((QueryNumber(HTTP_QUERY_CUSTOM, value) && value == 0) ||
      (QueryNumber(HTTP_QUERY_CONTENT_LENGTH, value) && value == 0) || dwResponseCode >= 400) {
    Error(dwResponseCode, ResponseCodeToText(dwResponseCode));
    hr = E_ABORT;
  }
  if (FComponent->OnResponse) {
    WideString extra;
    Fire([&] {
      hr = FComponent->OnResponse(this, dwResponseCode, Wide(szResponseHeaders),
                                  Wide(szRequestHeaders), extra);
    });
    if (pszAdditionalRequestHeaders && !extra.empty())
      *pszAdditionalRequestHeaders = OleStrAlloc(extra);
  }
  // A refused answer ends the binding, also where the system goes on after the refusal:
  // the next notification aborts it, its data is not kept, and it ends with the refusal.
  if (FAILED(hr)) {
    FRefused = true;
    FRefusal = hr;
  }
  // The target file is touched only for an answer that is taken: an error page must not
  // replace (or empty) a file already there.
  if (SUCCEEDED(hr) && FInfo && FComponent->FDownloadMethod == dmFile && !FInfo->FileName.empty()) {
    bool append = false;
    if (FInfo->RangeBegin != 0) {
      append = SameText(QueryText(HTTP_QUERY_ACCEPT_RANGES), "bytes") || dwResponseCode == 206;
      if (!append) FInfo->RangeBegin = 0;
    }
    if (!OpenTargetFile(append)) {
      if (FBinding) FBinding->Abort();
      hr = E_ABORT;
    }
  }
  return hr;
}

STDMETHODIMP TBSCB::GetRootSecurityId(BYTE* pbSecurityId, DWORD* pcbSecurityId, DWORD_PTR) {
  if (!FComponent || !FComponent->OnGetRootSecurityId || !pcbSecurityId) return E_NOTIMPL;
  HRESULT hr = E_NOTIMPL;
  Fire([&] { hr = FComponent->OnGetRootSecurityId(pbSecurityId, *pcbSecurityId); });
  return hr;
}

STDMETHODIMP TBSCB::GetSerializedClientCertContext(BYTE** ppbCert, DWORD* pcbCert) {
  if (!FComponent || !FComponent->OnGetSerializedClientCertContext || !ppbCert || !pcbCert)
    return S_FALSE;
  HRESULT hr = S_FALSE;
  Fire([&] { hr = FComponent->OnGetSerializedClientCertContext(this, *ppbCert, *pcbCert); });
  return hr;
}

// ---------------------------------------------------------------------------------------
// IBindStatusCallback, IBindStatusCallbackEx

STDMETHODIMP TBSCB::OnStartBinding(DWORD, IBinding* pib) {
  if (!FComponent || FComponent->FCancel) {
    if (pib) pib->Abort();
    return E_FAIL;
  }
  if (pib) {
    ReleaseAndNil(FBinding);
    FBinding = pib;
    FBinding->AddRef();
  }
  DWORD length = 0;
  if (QueryNumber(HTTP_QUERY_CONTENT_LENGTH, length)) FInfo->FileSize = length;
  ParseContentDisposition();
  bool cancel = false;
  if (FComponent->OnBeforeDownload)
    Fire([&] {
      FComponent->OnBeforeDownload(FInfo.get(), WideToAnsi(FInfo->Url), FInfo->FileName,
                                   FInfo->FileExtension, FInfo->Host, FInfo->DownloadFolder,
                                   FInfo->FileSize, cancel);
    });
  FComponent->FFileName = FInfo->FileName;
  FComponent->FDownloadFolder = FInfo->DownloadFolder;
  if (FPrevBSCB) FPrevBSCB->OnStopBinding(200, nullptr);
  if (FComponent->FDownloadMethod == dmStream) {
    FInfo->FileName.clear();
  } else if (FInfo->FileName.empty() && !FComponent->FRenamed) {
    FInfo->FileName = FComponent->FileNameFromUrl(WideToAnsi(FInfo->Url));
  }
  if (!cancel && FComponent->OnStartBinding)
    Fire([&] { FComponent->OnStartBinding(this, cancel, pib, FInfo->FileName, FInfo->FileSize); });
  if (cancel) {
    FComponent->FCancel = true;
    return E_FAIL;
  }
  return S_OK;
}

STDMETHODIMP TBSCB::GetPriority(LONG* pnPriority) {
  CancelRequested();
  if (pnPriority) *pnPriority = THREAD_PRIORITY_NORMAL;
  return S_OK;
}

STDMETHODIMP TBSCB::OnLowResource(DWORD) { return E_NOTIMPL; }

STDMETHODIMP TBSCB::OnProgress(ULONG ulProgress, ULONG ulProgressMax, ULONG ulStatusCode,
                               LPCWSTR szStatusText) {
  if (CancelRequested()) return S_OK;
  ulProgressMax = std::max(ulProgressMax, ulProgress);
  FComponent->FFileSize = ulProgressMax;
  if (FPrevBSCB) {
    if (ulStatusCode == BINDSTATUS_CONTENTDISPOSITIONATTACH) return S_OK;
    FPrevBSCB->OnProgress(ulProgress, ulProgressMax, ulStatusCode, szStatusText);
  }
  const AnsiString text = Narrow(szStatusText);
  AnsiString status = ResponseCodeToText(ulStatusCode);
  TProgressTexts figures;
  switch (ulStatusCode) {
    case BINDSTATUS_CONNECTING:
      FComponent->FServerAddress = text;
      break;
    case BINDSTATUS_REDIRECTING: {
      FRedirected = true;
      FComponent->FLastUrl = text;
      if (FComponent->OnRedirect && text != FComponent->FUrl) {
        bool abortRedirect = false;
        Fire([&] { FComponent->OnRedirect(this, abortRedirect, FComponent->FUrl, text); });
        if (abortRedirect) {
          FComponent->FCancel = true;
          return E_INVALIDARG;
        }
      }
      break;
    }
    case BINDSTATUS_BEGINDOWNLOADDATA:
      FComponent->FLastUrl = text;
      break;
    case BINDSTATUS_DOWNLOADINGDATA:
      if (FComponent->OnProgress) {
        LARGE_INTEGER now;
        QueryPerformanceCounter(&now);
        int64_t seconds = 0;
        if (now.QuadPart > FStart.QuadPart && FFrequency.QuadPart > 0)
          seconds = Round(double(now.QuadPart - FStart.QuadPart) / double(FFrequency.QuadPart));
        figures = ProgressTexts(ulProgress, ulProgressMax, seconds);
      }
      break;
    case BINDSTATUS_ENDDOWNLOADDATA:
      figures.Downloaded = "Done.";
      status = "Done.";
      figures.Speed = "0/00kb/sec";
      figures.RemainingTime = "00.00.00";
      figures.Percent = "100%";
      ulProgress = 0;
      ulProgressMax = 0;
      break;
    case BINDSTATUS_MIMETYPEAVAILABLE:
      FComponent->FMimeType = text;
      break;
    default:
      break;
  }
  if (FComponent->OnProgress)
    Fire([&] {
      FComponent->OnProgress(this, ulProgress, ulProgressMax, ulStatusCode, ulProgressMax, text,
                             figures.Downloaded, figures.ElapsedTime, figures.Speed,
                             figures.RemainingTime, status, figures.Percent);
    });
  return S_OK;
}

STDMETHODIMP TBSCB::OnDataAvailable(DWORD grfBSCF, DWORD dwSize, FORMATETC*, STGMEDIUM* pstgmed) {
  if (CancelRequested()) return S_OK;
  if (FComponent->OnDataAvailableInfo)
    Fire([&] { FComponent->OnDataAvailableInfo(this, grfBSCF, DataFlagsToText(grfBSCF)); });
  if (FTimer) {
    FTimer->SetEnabled(false);
    FTimer->SetEnabled(true);
  }
  if (((grfBSCF & BSCF_FIRSTDATANOTIFICATION) || !FDataStream) && pstgmed &&
      pstgmed->tymed == TYMED_ISTREAM && pstgmed->pstm) {
    ReleaseAndNil(FDataStream);
    FDataStream = pstgmed->pstm;
    FDataStream->AddRef();
    if (FPrevBSCB && !FFileStream && FInfo && !FInfo->FileName.empty()) {
      FInfo->RangeBegin = 0;
      if (!OpenTargetFile(false)) {
        if (FBinding) FBinding->Abort();
        return E_FAIL;
      }
    }
  }
  if (!FDataStream) return S_OK;
  // Everything the stream has now: a binding that waits for its data to be pulled sends
  // its next notification only after a read has found no more (S_FALSE or E_PENDING), so
  // reading just the size announced here would leave the rest of the answer unread.
  (void)dwSize;
  for (;;) {
    std::vector<uint8_t> block(kReadBlockSize);
    ULONG got = 0;
    const HRESULT hr = FDataStream->Read(block.data(), kReadBlockSize, &got);
    if (got == 0) break;
    block.resize(got);
    DWORD length = got;
    if (FComponent->OnDataAvailable)
      Fire([&] { FComponent->OnDataAvailable(this, block, length); });
    length = static_cast<DWORD>(std::min<size_t>(length, block.size()));
    try {
      if (FFileStream && FInfo && !FInfo->FileName.empty())
        FFileStream->WriteBuffer(block.data(), length);
      else
        FStream->WriteBuffer(block.data(), length);
    } catch (Exception& e) {
      Error(static_cast<uint32_t>(E_FAIL), e.Message);
      if (FBinding) FBinding->Abort();
      return E_FAIL;
    }
    FRead += got;
    if (hr != S_OK) break;
  }
  return S_OK;
}

STDMETHODIMP TBSCB::OnObjectAvailable(REFIID, IUnknown* punk) {
  if (CancelRequested()) return S_OK;
  if (punk) {
    ReleaseAndNil(FObject);
    FObject = punk;
    FObject->AddRef();
  }
  return S_OK;
}

STDMETHODIMP TBSCB::OnStopBinding(HRESULT hresult, LPCWSTR szError) {
  // A late call (the download ended without it) or a second one changes nothing.
  if (!FComponent || FStopped) return S_OK;
  if (FTimer) FTimer->SetEnabled(false);
  if (FPrevBSCB) {
    const HRESULT hr = FBindCtx ? FBindCtx->RegisterObjectParam(const_cast<LPOLESTR>(kHolderName), FPrevBSCB)
                                : E_FAIL;
    if (FAILED(hr)) {
      const DWORD error = GetLastError();
      Error(error, SysErrorMessage(error));
    } else {
      Connect(hr, "Registering new moniker: " + ResponseCodeToText(hr));
    }
    ReleaseAndNil(FPrevBSCB);
  }
  if (FBinding) {
    CLSID protocol = CLSID_NULL;
    DWORD result = 0;
    LPOLESTR resultText = nullptr;
    const HRESULT hr = FBinding->GetBindResult(&protocol, &result, &resultText, nullptr);
    if (SUCCEEDED(hr)) {
      if (FComponent->OnGetBindResults) {
        const WideString text = Wide(resultText);
        Fire([&] {
          FComponent->OnGetBindResults(this, protocol, result, text, ResponseCodeToText(result));
        });
      }
    } else {
      Error(static_cast<uint32_t>(hr), Narrow(resultText));
    }
    if (resultText) CoTaskMemFree(resultText);
  }
  if (FRefused && SUCCEEDED(hresult)) hresult = FRefusal;
  if (FTimedOut) {
    hresult = INET_E_CONNECTION_TIMEOUT;
    Error(static_cast<uint32_t>(INET_E_CONNECTION_TIMEOUT), "The Internet connection has timed out.");
  }
  const AnsiString errorText = Narrow(szError);
  if (FComponent && FComponent->OnStopBinding)
    Fire([&] { FComponent->OnStopBinding(this, hresult, errorText); });
  if (FComponent) FComponent->SetState(sStopped);
  FFileStream.reset();
  if (FComponent && FComponent->OnStreamComplete)
    Fire([&] { FComponent->OnStreamComplete(this, FStream.get(), hresult); });
  FStopped = true;
  if (FBindingDone) SetEvent(FBindingDone);
  FinishBinding();
  if (FComponent && FCounted) {
    FCounted = false;
    FComponent->DownloadStopped();
  }
  return hresult;
}

HRESULT TBSCB::FillBindInfo(DWORD* grfBINDF, BINDINFO* pbindinfo) {
  if (!grfBINDF || !pbindinfo) return E_INVALIDARG;
  if (!FInfo) return E_FAIL;
  *grfBINDF = FInfo->BindF;
  // The caller says how much of the record it has; nothing past that is written.
  const ULONG size = pbindinfo->cbSize;
  if (size < offsetof(BINDINFO, iid)) return E_INVALIDARG;
  std::memset(pbindinfo, 0, std::min<size_t>(size, sizeof(BINDINFO)));
  pbindinfo->cbSize = size;
  if (!FInfo->ExtraInfo.empty()) pbindinfo->szExtraInfo = OleStrAlloc(AnsiToWide(FInfo->ExtraInfo));
  pbindinfo->grfBindInfoF = FInfo->BindInfoF;
  const uint32_t verb = FRedirected ? static_cast<uint32_t>(BINDVERB_GET) : FInfo->BindVerb;
  pbindinfo->dwBindVerb = verb;
  if (verb == BINDVERB_CUSTOM) pbindinfo->szCustomVerb = OleStrAlloc(AnsiToWide(FInfo->CustomVerb));
  pbindinfo->dwCodePage = FInfo->CodePage;
  if (!FDescriptor && !FInfo->Descriptor.empty())
    ConvertStringSecurityDescriptorToSecurityDescriptorA(FInfo->Descriptor.c_str(), SDDL_REVISION_1,
                                                         &FDescriptor, nullptr);
  pbindinfo->securityAttributes.nLength = sizeof(SECURITY_ATTRIBUTES);
  pbindinfo->securityAttributes.lpSecurityDescriptor = FDescriptor;
  pbindinfo->securityAttributes.bInheritHandle = FInfo->InheritHandle ? TRUE : FALSE;
  if (!FPostBlock && verb == BINDVERB_POST) {
    FPostBlock = GlobalAlloc(GMEM_FIXED | GMEM_ZEROINIT, FInfo->PostData.size() + 1);
    if (FPostBlock) {
      std::memcpy(FPostBlock, FInfo->PostData.data(), FInfo->PostData.size());
      FPostSize = FInfo->PostData.size();
    }
  } else if (!FPostBlock && verb == BINDVERB_PUT) {
    try {
      TFileStream file(FInfo->PutFileName, fmOpenRead | fmShareDenyWrite);
      const int64_t length = file.GetSize();
      if (length < 0 || uint64_t(length) > 0x7FFFFFFFull) throw EReadError("File too large to put");
      FPostBlock = GlobalAlloc(GMEM_FIXED | GMEM_ZEROINIT, SIZE_T(length) + 1);
      if (FPostBlock) {
        file.ReadBuffer(FPostBlock, length);
        FPostSize = SIZE_T(length);
      }
    } catch (Exception& e) {
      Error(static_cast<uint32_t>(E_FAIL), e.Message);
      return E_FAIL;
    }
  }
  if (verb != BINDVERB_GET && FPostBlock) {
    pbindinfo->stgmedData.tymed = TYMED_HGLOBAL;
    pbindinfo->stgmedData.hGlobal = FPostBlock;
    // The block stays this object's: releasing the medium lets go of a reference.
    pbindinfo->stgmedData.pUnkForRelease = static_cast<IBindStatusCallbackEx*>(this);
    AddRef();
    pbindinfo->cbstgmedData = static_cast<DWORD>(FPostSize);
  }
  return S_OK;
}

STDMETHODIMP TBSCB::GetBindInfo(DWORD* grfBINDF, BINDINFO* pbindinfo) {
  HRESULT hr = FillBindInfo(grfBINDF, pbindinfo);
  if (SUCCEEDED(hr) && FComponent && FComponent->OnGetBindInfo)
    Fire([&] { FComponent->OnGetBindInfo(this, *grfBINDF, *pbindinfo); });
  return hr;
}

STDMETHODIMP TBSCB::GetBindInfoEx(DWORD* grfBINDF, BINDINFO* pbindinfo, DWORD* grfBINDF2,
                                  DWORD* pdwReserved) {
  if (!grfBINDF || !pbindinfo || !grfBINDF2) return E_INVALIDARG;
  if (FComponent && FComponent->OnGetBindInfoEx)
    Fire([&] { FComponent->OnGetBindInfoEx(this, *grfBINDF, pbindinfo, *grfBINDF2); });
  const HRESULT hr = FillBindInfo(grfBINDF, pbindinfo);
  if (FInfo) *grfBINDF2 = FInfo->BindF2;
  if (pdwReserved) *pdwReserved = 0;
  return hr;
}

// ---------------------------------------------------------------------------------------
// IBindHost, IMonikerProp

STDMETHODIMP TBSCB::CreateMoniker(LPOLESTR, IBindCtx*, IMoniker** ppmk, DWORD) {
  if (!ppmk) return E_POINTER;
  *ppmk = nullptr;
  if (!FInfo) return E_FAIL;
  return CreateURLMonikerEx(nullptr, FInfo->Url.c_str(), ppmk, URL_MK_UNIFORM);
}

HRESULT TBSCB::BindOwnMoniker(bool ToObject, void** ppvObj) {
  if (!ppvObj) return E_POINTER;
  *ppvObj = nullptr;
  if (!FMoniker || !FBindCtx) return E_FAIL;
  IStream* stream = nullptr;
  void** target = reinterpret_cast<void**>(&stream);
  const HRESULT hr = ToObject ? FMoniker->BindToObject(FBindCtx, nullptr, IID_IStream, target)
                              : FMoniker->BindToStorage(FBindCtx, nullptr, IID_IStream, target);
  if (stream) {
    ReleaseAndNil(FDataStream);
    FDataStream = stream;
    FDataStream->AddRef();
    *ppvObj = stream;
  }
  return hr;
}

STDMETHODIMP TBSCB::MonikerBindToStorage(IMoniker*, IBindCtx*, IBindStatusCallback*, REFIID,
                                         void** ppvObj) {
  return BindOwnMoniker(false, ppvObj);
}

STDMETHODIMP TBSCB::MonikerBindToObject(IMoniker*, IBindCtx*, IBindStatusCallback*, REFIID,
                                        void** ppvObj) {
  return BindOwnMoniker(true, ppvObj);
}

STDMETHODIMP TBSCB::PutProperty(MONIKERPROPERTY mkp, LPCWSTR val) {
  if (!FComponent || !FComponent->OnPutProperty) return E_NOTIMPL;
  HRESULT hr = E_NOTIMPL;
  Fire([&] { hr = FComponent->OnPutProperty(this, mkp, Wide(val)); });
  return hr;
}

// ---------------------------------------------------------------------------------------
// IAuthenticate, IAuthenticateEx

namespace {
void HandOut(const WideString& Text, LPWSTR* Target) {
  if (Target) *Target = Text.empty() ? nullptr : OleStrAlloc(Text);
}
}  // namespace

STDMETHODIMP TBSCB::Authenticate(HWND* phwnd, LPWSTR* pszUsername, LPWSTR* pszPassword) {
  return AuthenticateEx(phwnd, pszUsername, pszPassword, nullptr);
}

STDMETHODIMP TBSCB::AuthenticateEx(HWND* phwnd, LPWSTR* pszUsername, LPWSTR* pszPassword,
                                   AUTHENTICATEINFO* pauthinfo) {
  HWND window = nullptr;
  WideString user, password;
  HRESULT hr = S_OK;
  if (FComponent) {
    if (pauthinfo && FComponent->OnAuthenticateEx)
      Fire([&] { FComponent->OnAuthenticateEx(this, window, user, password, pauthinfo, hr); });
    else if (FComponent->OnAuthenticate)
      Fire([&] { FComponent->OnAuthenticate(this, window, user, password, hr); });
  }
  if (phwnd) *phwnd = window;
  HandOut(user, pszUsername);
  HandOut(password, pszPassword);
  return hr;
}
