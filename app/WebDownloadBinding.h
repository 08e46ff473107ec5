// The per-download object of the web download component: it drives one asynchronous URL
// binding and is the binding's callback, turning every notification into an event of its
// component (passing itself as Sender). It runs on the thread that called Download: its
// Execute is called directly and dispatches the thread's messages until the binding stops.
//
// Lifetime: the object counts its own references. The component holds one from creation
// to the end of its download and then lets go (Detach, Release); the URL-moniker system
// holds others while it uses the object, so the object is freed when the last holder lets
// go, exactly once. After Detach the object no longer reaches its component: late calls
// from the system are answered without effect. Windows only.
#pragma once

#include <cstdint>
#include <memory>

#include "app/WebDownload.h"
#include "framework/Classes.h"
#include "framework/WinApi.h"

#include <ocidl.h>
#include <servprov.h>
#include <urlmon.h>

class TTimer;

class TBSCB : public TObject,
              public IServiceProvider,
              public IPropertyNotifySink,
              public IHttpSecurity,
              public IHttpNegotiate3,
              public ICodeInstall,
              public IBindStatusCallbackEx,
              public IBindHost,
              public IMonikerProp,
              public IAuthenticateEx {
 public:
  // Made with one reference, for the component. CreateSuspended is kept for the design's
  // shape: the object is never run as a thread.
  TBSCB(TCustomWebDownload* Component, bool CreateSuspended, IMoniker* Moniker, IBindCtx* BindCtx);

  // The binding, start to stop, on the calling thread.
  void Execute();
  // Whether the binding reached OnStopBinding.
  bool GetStopped() const { return FStopped; }
  // The component is done with this download: a binding still running is aborted, the
  // references to the system's objects are let go, a download the binding did not count
  // off (it never started, or was cancelled) is counted off, and later calls reach nothing.
  void Detach();

  TCustomWebDownload* GetComponent() const { return FComponent; }
  TInfoData* GetInfo() const { return FInfo.get(); }
  IBinding* GetBinding() const { return FBinding; }
  TMemoryStream* GetStream() const { return FStream.get(); }
  DWORD GetThreadID() const { return FThreadID; }
  bool GetTerminated() const { return FTerminated; }
  bool GetTimedOut() const { return FTimedOut; }

  // The objects alive (made and not yet freed), for checks of the lifetime rule.
  static long LiveCount();

  // IUnknown
  STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override;
  STDMETHODIMP_(ULONG) AddRef() override;
  STDMETHODIMP_(ULONG) Release() override;
  // IServiceProvider
  STDMETHODIMP QueryService(REFGUID guidService, REFIID riid, void** ppv) override;
  // IPropertyNotifySink
  STDMETHODIMP OnChanged(DISPID dispID) override;
  STDMETHODIMP OnRequestEdit(DISPID dispID) override;
  // IWindowForBindingUI (through IHttpSecurity and ICodeInstall)
  STDMETHODIMP GetWindow(REFGUID rguidReason, HWND* phwnd) override;
  // IHttpSecurity
  STDMETHODIMP OnSecurityProblem(DWORD dwProblem) override;
  // IHttpNegotiate, IHttpNegotiate2, IHttpNegotiate3
  STDMETHODIMP BeginningTransaction(LPCWSTR szURL, LPCWSTR szHeaders, DWORD dwReserved,
                                    LPWSTR* pszAdditionalHeaders) override;
  STDMETHODIMP OnResponse(DWORD dwResponseCode, LPCWSTR szResponseHeaders,
                          LPCWSTR szRequestHeaders, LPWSTR* pszAdditionalRequestHeaders) override;
  STDMETHODIMP GetRootSecurityId(BYTE* pbSecurityId, DWORD* pcbSecurityId,
                                 DWORD_PTR dwReserved) override;
  STDMETHODIMP GetSerializedClientCertContext(BYTE** ppbCert, DWORD* pcbCert) override;
  // ICodeInstall
  STDMETHODIMP OnCodeInstallProblem(ULONG ulStatusCode, LPCWSTR szDestination, LPCWSTR szSource,
                                    DWORD dwReserved) override;
  // IBindStatusCallback, IBindStatusCallbackEx
  STDMETHODIMP OnStartBinding(DWORD dwReserved, IBinding* pib) override;
  STDMETHODIMP GetPriority(LONG* pnPriority) override;
  STDMETHODIMP OnLowResource(DWORD reserved) override;
  STDMETHODIMP OnProgress(ULONG ulProgress, ULONG ulProgressMax, ULONG ulStatusCode,
                          LPCWSTR szStatusText) override;
  STDMETHODIMP OnStopBinding(HRESULT hresult, LPCWSTR szError) override;
  STDMETHODIMP GetBindInfo(DWORD* grfBINDF, BINDINFO* pbindinfo) override;
  STDMETHODIMP OnDataAvailable(DWORD grfBSCF, DWORD dwSize, FORMATETC* pformatetc,
                               STGMEDIUM* pstgmed) override;
  STDMETHODIMP OnObjectAvailable(REFIID riid, IUnknown* punk) override;
  STDMETHODIMP GetBindInfoEx(DWORD* grfBINDF, BINDINFO* pbindinfo, DWORD* grfBINDF2,
                             DWORD* pdwReserved) override;
  // IBindHost
  STDMETHODIMP CreateMoniker(LPOLESTR szName, IBindCtx* pBC, IMoniker** ppmk,
                             DWORD dwReserved) override;
  STDMETHODIMP MonikerBindToStorage(IMoniker* pMk, IBindCtx* pBC, IBindStatusCallback* pBSC,
                                    REFIID riid, void** ppvObj) override;
  STDMETHODIMP MonikerBindToObject(IMoniker* pMk, IBindCtx* pBC, IBindStatusCallback* pBSC,
                                   REFIID riid, void** ppvObj) override;
  // IMonikerProp
  STDMETHODIMP PutProperty(MONIKERPROPERTY mkp, LPCWSTR val) override;
  // IAuthenticate, IAuthenticateEx
  STDMETHODIMP Authenticate(HWND* phwnd, LPWSTR* pszUsername, LPWSTR* pszPassword) override;
  STDMETHODIMP AuthenticateEx(HWND* phwnd, LPWSTR* pszUsername, LPWSTR* pszPassword,
                              AUTHENTICATEINFO* pauthinfo) override;

 private:
  ~TBSCB() override;

  void StartTiming();
  void TimerTick();
  // The steps of the binding; false when it did not start.
  bool RunBinding();
  void ReleaseSystemObjects();
  // Reports through the component (nothing once detached).
  void Error(uint32_t Code, const AnsiString& Text);
  void Connect(HRESULT Result, const AnsiString& Text);
  // The cancel request of the component (set too once detached): the binding is aborted.
  bool CancelRequested();
  // Runs an event of the component; an exception it raises is reported, not passed on.
  template <class F>
  void Fire(F&& Handler);
  // Queries of the binding's HTTP answer.
  bool QueryNumber(DWORD Level, DWORD& Value);
  AnsiString QueryText(DWORD Level);
  void ParseContentDisposition();
  // Opens or creates the target file of a file download.
  bool OpenTargetFile(bool Append);
  AnsiString TargetPath() const;
  HRESULT FillBindInfo(DWORD* grfBINDF, BINDINFO* pbindinfo);
  // The own moniker bound in the own bind context for a stream, which is kept and given out.
  HRESULT BindOwnMoniker(bool ToObject, void** ppvObj);
  void FinishBinding();

  volatile LONG FRefCount = 1;
  TCustomWebDownload* FComponent;
  std::unique_ptr<TInfoData> FInfo;
  IMoniker* FMoniker = nullptr;
  IBindCtx* FBindCtx = nullptr;
  IBinding* FBinding = nullptr;
  IStream* FDataStream = nullptr;
  IBindStatusCallback* FPrevBSCB = nullptr;
  IUnknown* FObject = nullptr;  // the object of a BindToObject, for its ready state
  std::unique_ptr<TFileStream> FFileStream;
  std::unique_ptr<TMemoryStream> FStream;
  TTimer* FTimer = nullptr;
  LARGE_INTEGER FFrequency = {};
  LARGE_INTEGER FStart = {};
  uint64_t FRead = 0;
  HGLOBAL FPostBlock = nullptr;
  SIZE_T FPostSize = 0;
  PSECURITY_DESCRIPTOR FDescriptor = nullptr;
  bool FRedirected = false;
  bool FRefused = false;     // OnResponse refused the answer
  HRESULT FRefusal = S_OK;
  bool FAborted = false;     // the binding was told to abort
  bool FTimedOut = false;
  bool FStarted = false;     // BindToStorage accepted the binding
  bool FStopped = false;     // OnStopBinding ran
  bool FCounted = true;      // the download is still counted among the running ones
  bool FTerminated = false;
  bool FListed = false;      // in the component's list of asynchronous bindings
  HANDLE FBindingDone = nullptr;
  DWORD FThreadID = 0;
};
