// The stand-in Flash control (see FlashStandIn.h).
#include "platform/flash/FlashStandIn.h"

#include <ocidl.h>
#include <olectl.h>

#include <cstdio>
#include <cwchar>
#include <new>
#include <string>

#include "engine/flash/SwfHeader.h"
#include "platform/dshow/ClassFactory.h"
#include "platform/flash/FlashControl.h"

namespace {

HMODULE g_module = nullptr;

enum MemberId : DISPID {
  kWMode = 1,
  kMovie,
  kTotalFrames,
  kLoop,
  kSetReturnValue,
  kReadyState,
  kFrameNum,
  kReturnValue,
  kDrawCount,
  kDrawThread,
};

struct Member {
  const wchar_t* name;
  DISPID id;
};

const Member kMembers[] = {
    {FLASH_MEMBER_WMODE, kWMode},
    {FLASH_MEMBER_MOVIE, kMovie},
    {FLASH_MEMBER_TOTAL_FRAMES, kTotalFrames},
    {FLASH_MEMBER_LOOP, kLoop},
    {FLASH_MEMBER_SET_RETURN_VALUE, kSetReturnValue},
    {L"ReadyState", kReadyState},
    {STANDIN_MEMBER_FRAME, kFrameNum},
    {STANDIN_MEMBER_RETURN_VALUE, kReturnValue},
    {STANDIN_MEMBER_DRAW_COUNT, kDrawCount},
    {STANDIN_MEMBER_DRAW_THREAD, kDrawThread},
};

HRESULT ReturnText(VARIANT* result, const std::wstring& text) {
  if (!result) return S_OK;
  VariantInit(result);
  result->vt = VT_BSTR;
  result->bstrVal = SysAllocStringLen(text.data(), UINT(text.size()));
  return result->bstrVal ? S_OK : E_OUTOFMEMORY;
}

HRESULT ReturnLong(VARIANT* result, LONG value) {
  if (!result) return S_OK;
  VariantInit(result);
  result->vt = VT_I4;
  result->lVal = value;
  return S_OK;
}

// The first argument of a call as text or integer.
HRESULT ArgumentText(const DISPPARAMS* params, std::wstring* text) {
  if (!params || params->cArgs < 1 || !params->rgvarg) return DISP_E_BADPARAMCOUNT;
  VARIANT copy;
  VariantInit(&copy);
  HRESULT hr = VariantChangeType(&copy, &params->rgvarg[0], 0, VT_BSTR);
  if (FAILED(hr)) return DISP_E_TYPEMISMATCH;
  *text = copy.bstrVal ? std::wstring(copy.bstrVal, SysStringLen(copy.bstrVal)) : std::wstring();
  VariantClear(&copy);
  return S_OK;
}

HRESULT ArgumentBool(const DISPPARAMS* params, bool* value) {
  if (!params || params->cArgs < 1 || !params->rgvarg) return DISP_E_BADPARAMCOUNT;
  VARIANT copy;
  VariantInit(&copy);
  if (FAILED(VariantChangeType(&copy, &params->rgvarg[0], 0, VT_BOOL))) return DISP_E_TYPEMISMATCH;
  *value = copy.boolVal != VARIANT_FALSE;
  return S_OK;
}

class CStandInFlash;

// The control's one connection point: its events go to one sink at a time.
class CEventPoint : public IConnectionPoint {
 public:
  explicit CEventPoint(CStandInFlash* owner) : m_owner(owner) {}
  ~CEventPoint() {
    if (m_sink) m_sink->Release();
  }

  STDMETHODIMP QueryInterface(REFIID riid, void** object) override {
    if (!object) return E_POINTER;
    if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IConnectionPoint)) {
      *object = static_cast<IConnectionPoint*>(this);
      AddRef();
      return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
  }
  STDMETHODIMP_(ULONG) AddRef() override;
  STDMETHODIMP_(ULONG) Release() override;

  STDMETHODIMP GetConnectionInterface(IID* iid) override {
    if (!iid) return E_POINTER;
    *iid = DIID__IShockwaveFlashEvents;
    return S_OK;
  }
  STDMETHODIMP GetConnectionPointContainer(IConnectionPointContainer** container) override;
  STDMETHODIMP Advise(IUnknown* sink, DWORD* cookie) override {
    if (!sink || !cookie) return E_POINTER;
    *cookie = 0;
    if (m_sink) return CONNECT_E_ADVISELIMIT;
    IDispatch* events = nullptr;
    if (FAILED(sink->QueryInterface(DIID__IShockwaveFlashEvents,
                                    reinterpret_cast<void**>(&events))) ||
        !events)
      return CONNECT_E_CANNOTCONNECT;
    m_sink = events;
    *cookie = ++m_lastCookie;
    return S_OK;
  }
  STDMETHODIMP Unadvise(DWORD cookie) override {
    if (!m_sink || cookie != m_lastCookie) return CONNECT_E_NOCONNECTION;
    IDispatch* sink = m_sink;
    m_sink = nullptr;
    sink->Release();
    return S_OK;
  }
  STDMETHODIMP EnumConnections(IEnumConnections** connections) override {
    if (connections) *connections = nullptr;
    return E_NOTIMPL;
  }

  // Fires an event with its arguments in declaration order.
  void Fire(DISPID id, VARIANT* arguments, UINT count) {
    if (!m_sink) return;
    VARIANT reversed[2];
    for (UINT i = 0; i < count && i < 2; ++i) reversed[i] = arguments[count - 1 - i];
    DISPPARAMS params = {count ? reversed : nullptr, nullptr, count, 0};
    IDispatch* sink = m_sink;
    sink->AddRef();
    sink->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &params, nullptr, nullptr,
                 nullptr);
    sink->Release();
  }

 private:
  CStandInFlash* m_owner;
  IDispatch* m_sink = nullptr;
  DWORD m_lastCookie = 0;
};

class CStandInFlash : public CUnknown,
                      public IDispatch,
                      public IOleObject,
                      public IOleInPlaceObject,
                      public IViewObjectEx,
                      public IConnectionPointContainer {
 public:
  CStandInFlash(IUnknown* outer, HRESULT*) : CUnknown(L"Flash stand-in", outer), m_events(this) {}
  ~CStandInFlash() override {
    Deactivate();
    if (m_site) m_site->Release();
  }

  static CUnknown* CreateInstance(IUnknown* outer, HRESULT* phr) {
    auto* control = new (std::nothrow) CStandInFlash(outer, phr);
    if (!control && phr) *phr = E_OUTOFMEMORY;
    return control;
  }

  DECLARE_IUNKNOWN
  STDMETHODIMP NonDelegatingQueryInterface(REFIID riid, void** object) override {
    if (!object) return E_POINTER;
    if (IsEqualIID(riid, IID_IDispatch) || IsEqualIID(riid, IID_IShockwaveFlash))
      return GetInterface(static_cast<IDispatch*>(this), object);
    if (IsEqualIID(riid, IID_IOleObject)) return GetInterface(static_cast<IOleObject*>(this), object);
    if (IsEqualIID(riid, IID_IOleWindow) || IsEqualIID(riid, IID_IOleInPlaceObject))
      return GetInterface(static_cast<IOleInPlaceObject*>(this), object);
    if (IsEqualIID(riid, IID_IViewObject) || IsEqualIID(riid, IID_IViewObject2) ||
        IsEqualIID(riid, IID_IViewObjectEx))
      return GetInterface(static_cast<IViewObjectEx*>(this), object);
    if (IsEqualIID(riid, IID_IConnectionPointContainer))
      return GetInterface(static_cast<IConnectionPointContainer*>(this), object);
    return CUnknown::NonDelegatingQueryInterface(riid, object);
  }

  // IDispatch
  STDMETHODIMP GetTypeInfoCount(UINT* count) override {
    if (count) *count = 0;
    return S_OK;
  }
  STDMETHODIMP GetTypeInfo(UINT, LCID, ITypeInfo** info) override {
    if (info) *info = nullptr;
    return E_NOTIMPL;
  }
  STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID, DISPID* ids) override {
    if (!names || !ids) return E_POINTER;
    HRESULT hr = S_OK;
    for (UINT i = 0; i < count; ++i) {
      ids[i] = DISPID_UNKNOWN;
      for (const Member& member : kMembers) {
        if (i == 0 && names[i] && _wcsicmp(names[i], member.name) == 0) ids[i] = member.id;
      }
      if (ids[i] == DISPID_UNKNOWN) hr = DISP_E_UNKNOWNNAME;
    }
    return hr;
  }
  STDMETHODIMP Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* params, VARIANT* result,
                      EXCEPINFO*, UINT*) override {
    const bool put = (flags & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF)) != 0;
    switch (id) {
      case kWMode: {
        if (!put) return ReturnText(result, m_windowMode);
        return ArgumentText(params, &m_windowMode);
      }
      case kMovie: {
        if (!put) return ReturnText(result, m_movie);
        std::wstring movie;
        HRESULT hr = ArgumentText(params, &movie);
        if (FAILED(hr)) return hr;
        LoadMovie(movie);
        return S_OK;
      }
      case kTotalFrames:
        return put ? DISP_E_MEMBERNOTFOUND : ReturnLong(result, m_totalFrames);
      case kLoop: {
        if (!put) {
          if (result) {
            VariantInit(result);
            result->vt = VT_BOOL;
            result->boolVal = m_loop ? VARIANT_TRUE : VARIANT_FALSE;
          }
          return S_OK;
        }
        return ArgumentBool(params, &m_loop);
      }
      case kSetReturnValue:
        return ArgumentText(params, &m_returnValue);
      case kReadyState:
        return ReturnLong(result, m_readyState);
      case kFrameNum:
        return ReturnLong(result, CurrentFrame());
      case kReturnValue:
        return ReturnText(result, m_returnValue);
      case kDrawCount:
        return ReturnLong(result, m_drawCount);
      case kDrawThread:
        return ReturnLong(result, LONG(m_drawThread));
      default:
        return DISP_E_MEMBERNOTFOUND;
    }
  }

  // IOleObject
  STDMETHODIMP SetClientSite(IOleClientSite* site) override {
    if (site) site->AddRef();
    if (m_site) m_site->Release();
    m_site = site;
    return S_OK;
  }
  STDMETHODIMP GetClientSite(IOleClientSite** site) override {
    if (!site) return E_POINTER;
    *site = m_site;
    if (m_site) m_site->AddRef();
    return S_OK;
  }
  STDMETHODIMP SetHostNames(LPCOLESTR, LPCOLESTR) override { return S_OK; }
  STDMETHODIMP Close(DWORD) override {
    Deactivate();
    return S_OK;
  }
  STDMETHODIMP SetMoniker(DWORD, IMoniker*) override { return E_NOTIMPL; }
  STDMETHODIMP GetMoniker(DWORD, DWORD, IMoniker** moniker) override {
    if (moniker) *moniker = nullptr;
    return E_NOTIMPL;
  }
  STDMETHODIMP InitFromData(IDataObject*, BOOL, DWORD) override { return E_NOTIMPL; }
  STDMETHODIMP GetClipboardData(DWORD, IDataObject** data) override {
    if (data) *data = nullptr;
    return E_NOTIMPL;
  }
  STDMETHODIMP DoVerb(LONG verb, LPMSG, IOleClientSite* site, LONG, HWND, LPCRECT rect) override {
    if (verb != OLEIVERB_INPLACEACTIVATE && verb != OLEIVERB_SHOW && verb != OLEIVERB_UIACTIVATE)
      return OLEOBJ_S_INVALIDVERB;
    IOleClientSite* from = site ? site : m_site;
    if (!from) return E_UNEXPECTED;
    if (m_inPlaceSite) return S_OK;
    IOleInPlaceSite* inPlace = nullptr;
    if (FAILED(from->QueryInterface(IID_IOleInPlaceSite, reinterpret_cast<void**>(&inPlace))) ||
        !inPlace)
      return E_NOINTERFACE;
    if (inPlace->CanInPlaceActivate() != S_OK) {
      inPlace->Release();
      return E_FAIL;
    }
    inPlace->OnInPlaceActivate();
    IOleInPlaceFrame* frame = nullptr;
    IOleInPlaceUIWindow* document = nullptr;
    RECT position = {}, clip = {};
    OLEINPLACEFRAMEINFO info = {};
    info.cb = sizeof(info);
    if (SUCCEEDED(inPlace->GetWindowContext(&frame, &document, &position, &clip, &info))) {
      if (frame) frame->Release();
      if (document) document->Release();
    }
    if (rect) m_rect = *rect;
    m_inPlaceSite = inPlace;
    return S_OK;
  }
  STDMETHODIMP EnumVerbs(IEnumOLEVERB** verbs) override {
    if (verbs) *verbs = nullptr;
    return E_NOTIMPL;
  }
  STDMETHODIMP Update() override { return S_OK; }
  STDMETHODIMP IsUpToDate() override { return S_OK; }
  STDMETHODIMP GetUserClassID(CLSID* clsid) override {
    if (!clsid) return E_POINTER;
    *clsid = CLSID_ShockwaveFlash;
    return S_OK;
  }
  STDMETHODIMP GetUserType(DWORD, LPOLESTR* type) override {
    if (type) *type = nullptr;
    return OLE_S_USEREG;
  }
  STDMETHODIMP SetExtent(DWORD aspect, SIZEL* size) override {
    if (aspect != DVASPECT_CONTENT) return DV_E_DVASPECT;
    if (!size) return E_POINTER;
    m_extent = *size;
    return S_OK;
  }
  STDMETHODIMP GetExtent(DWORD aspect, SIZEL* size) override {
    if (aspect != DVASPECT_CONTENT) return DV_E_DVASPECT;
    if (!size) return E_POINTER;
    *size = m_extent;
    return S_OK;
  }
  STDMETHODIMP Advise(IAdviseSink*, DWORD* connection) override {
    if (connection) *connection = 0;
    return E_NOTIMPL;
  }
  STDMETHODIMP Unadvise(DWORD) override { return E_NOTIMPL; }
  STDMETHODIMP EnumAdvise(IEnumSTATDATA** advise) override {
    if (advise) *advise = nullptr;
    return E_NOTIMPL;
  }
  STDMETHODIMP GetMiscStatus(DWORD, DWORD* status) override {
    if (!status) return E_POINTER;
    *status = OLEMISC_SETCLIENTSITEFIRST | OLEMISC_ACTIVATEWHENVISIBLE | OLEMISC_INSIDEOUT |
              OLEMISC_RECOMPOSEONRESIZE;
    return S_OK;
  }
  STDMETHODIMP SetColorScheme(LOGPALETTE*) override { return E_NOTIMPL; }

  // IOleWindow and IOleInPlaceObject: the stand-in has no window of its own.
  STDMETHODIMP GetWindow(HWND* window) override {
    if (window) *window = nullptr;
    return E_FAIL;
  }
  STDMETHODIMP ContextSensitiveHelp(BOOL) override { return E_NOTIMPL; }
  STDMETHODIMP InPlaceDeactivate() override {
    Deactivate();
    return S_OK;
  }
  STDMETHODIMP UIDeactivate() override { return S_OK; }
  STDMETHODIMP SetObjectRects(LPCRECT position, LPCRECT) override {
    if (position) m_rect = *position;
    return S_OK;
  }
  STDMETHODIMP ReactivateAndUndo() override { return E_NOTIMPL; }

  // IViewObject, IViewObject2, IViewObjectEx
  STDMETHODIMP Draw(DWORD aspect, LONG, void*, DVTARGETDEVICE*, HDC, HDC dc, LPCRECTL bounds,
                    LPCRECTL, BOOL(STDMETHODCALLTYPE*)(ULONG_PTR), ULONG_PTR) override {
    if (aspect != DVASPECT_CONTENT) return DV_E_DVASPECT;
    if (!dc || !bounds) return E_INVALIDARG;
    ++m_drawCount;
    m_drawThread = GetCurrentThreadId();
    const RECT whole = {bounds->left, bounds->top, bounds->right, bounds->bottom};
    const COLORREF colour = StandInFrameColour(CurrentFrame());
    if (_wcsicmp(m_windowMode.c_str(), L"transparent") != 0) {
      HBRUSH brush = CreateSolidBrush(colour);
      FillRect(dc, &whole, brush);
      DeleteObject(brush);
      return S_OK;
    }
    const RECT inner = StandInInnerRect(whole);
    if (!PaintOpaquePixels(dc, inner, colour)) {
      HBRUSH brush = CreateSolidBrush(colour);
      FillRect(dc, &inner, brush);
      DeleteObject(brush);
    }
    return S_OK;
  }
  STDMETHODIMP GetColorSet(DWORD, LONG, void*, DVTARGETDEVICE*, HDC, LOGPALETTE** set) override {
    if (set) *set = nullptr;
    return E_NOTIMPL;
  }
  STDMETHODIMP Freeze(DWORD, LONG, void*, DWORD* freeze) override {
    if (freeze) *freeze = 0;
    return E_NOTIMPL;
  }
  STDMETHODIMP Unfreeze(DWORD) override { return E_NOTIMPL; }
  STDMETHODIMP SetAdvise(DWORD, DWORD, IAdviseSink*) override { return E_NOTIMPL; }
  STDMETHODIMP GetAdvise(DWORD*, DWORD*, IAdviseSink** sink) override {
    if (sink) *sink = nullptr;
    return E_NOTIMPL;
  }
  STDMETHODIMP GetExtent(DWORD aspect, LONG, DVTARGETDEVICE*, LPSIZEL size) override {
    return GetExtent(aspect, size);
  }
  STDMETHODIMP GetRect(DWORD, LPRECTL) override { return E_NOTIMPL; }
  STDMETHODIMP GetViewStatus(DWORD* status) override {
    if (!status) return E_POINTER;
    *status = VIEWSTATUS_SOLIDBKGND;
    return S_OK;
  }
  STDMETHODIMP QueryHitPoint(DWORD, LPCRECT, POINT, LONG, DWORD* result) override {
    if (result) *result = HITRESULT_OUTSIDE;
    return E_NOTIMPL;
  }
  STDMETHODIMP QueryHitRect(DWORD, LPCRECT, LPCRECT, LONG, DWORD* result) override {
    if (result) *result = HITRESULT_OUTSIDE;
    return E_NOTIMPL;
  }
  STDMETHODIMP GetNaturalExtent(DWORD, LONG, DVTARGETDEVICE*, HDC, DVEXTENTINFO*,
                                LPSIZEL) override {
    return E_NOTIMPL;
  }

  // IConnectionPointContainer
  STDMETHODIMP EnumConnectionPoints(IEnumConnectionPoints** points) override {
    if (points) *points = nullptr;
    return E_NOTIMPL;
  }
  STDMETHODIMP FindConnectionPoint(REFIID riid, IConnectionPoint** point) override {
    if (!point) return E_POINTER;
    *point = nullptr;
    if (!IsEqualIID(riid, DIID__IShockwaveFlashEvents)) return CONNECT_E_NOCONNECTION;
    *point = &m_events;
    m_events.AddRef();
    return S_OK;
  }

 private:
  void Deactivate() {
    if (!m_inPlaceSite) return;
    IOleInPlaceSite* site = m_inPlaceSite;
    m_inPlaceSite = nullptr;
    site->OnInPlaceDeactivate();
    site->Release();
  }

  // Reads the movie's header and tells the host about the loading, as the control does.
  void LoadMovie(const std::wstring& movie) {
    m_movie = movie;
    m_totalFrames = 0;
    m_frameRate = 0;
    m_readyState = 1;
    FILE* file = _wfopen(movie.c_str(), L"rb");
    if (file) {
      uint8_t head[kSwfHeadSize];
      const size_t read = fread(head, 1, sizeof(head), file);
      fclose(file);
      SwfHeader header;
      if (SUCCEEDED(ParseSwfHeader(head, read, &header)) && header.hasTiming) {
        m_totalFrames = header.frameCount;
        m_frameRate = header.frameRate;
      }
    }
    m_loadTick = GetTickCount();
    VARIANT arguments[2];
    arguments[0].vt = VT_I4;
    arguments[0].lVal = 1;
    m_events.Fire(DISPID_FLASH_READYSTATECHANGE, arguments, 1);
    arguments[0].lVal = 50;
    m_events.Fire(DISPID_FLASH_ONPROGRESS, arguments, 1);
    arguments[0].lVal = 100;
    m_events.Fire(DISPID_FLASH_ONPROGRESS, arguments, 1);
    m_readyState = 4;
    arguments[0].lVal = 4;
    m_events.Fire(DISPID_FLASH_READYSTATECHANGE, arguments, 1);
    arguments[0].vt = VT_BSTR;
    arguments[0].bstrVal = SysAllocString(L"loaded");
    arguments[1].vt = VT_BSTR;
    arguments[1].bstrVal = SysAllocStringLen(movie.data(), UINT(movie.size()));
    m_events.Fire(DISPID_FLASH_FSCOMMAND, arguments, 2);
    VariantClear(&arguments[0]);
    VariantClear(&arguments[1]);
    std::wstring call;
    for (const char* c = kStandInFlashCall; *c; ++c) call += wchar_t(*c);
    arguments[0].vt = VT_BSTR;
    arguments[0].bstrVal = SysAllocString(call.c_str());
    m_events.Fire(DISPID_FLASH_FLASHCALL, arguments, 1);
    VariantClear(&arguments[0]);
  }

  LONG CurrentFrame() const {
    if (m_totalFrames <= 0) return 0;
    const uint64_t elapsed = GetTickCount() - m_loadTick;
    const uint64_t frame = elapsed * m_frameRate / 256 / 1000;
    if (m_loop) return LONG(frame % uint64_t(m_totalFrames));
    return frame >= uint64_t(m_totalFrames) ? m_totalFrames - 1 : LONG(frame);
  }

  // Writes the colour with alpha 255 into the rectangle of a 32-bit DIB section selected
  // into the context; false when the context holds no such picture.
  static bool PaintOpaquePixels(HDC dc, const RECT& rect, COLORREF colour) {
    HGDIOBJ bitmap = GetCurrentObject(dc, OBJ_BITMAP);
    DIBSECTION section = {};
    if (!bitmap || GetObjectA(bitmap, sizeof(section), &section) != sizeof(section) ||
        section.dsBm.bmBitsPixel != 32 || !section.dsBm.bmBits)
      return false;
    GdiFlush();
    const LONG width = section.dsBm.bmWidth;
    const LONG height = section.dsBm.bmHeight;
    const bool topDown = section.dsBmih.biHeight < 0;
    const uint32_t pixel = 0xFF000000u | uint32_t(GetRValue(colour)) << 16 |
                           uint32_t(GetGValue(colour)) << 8 | GetBValue(colour);
    for (LONG y = rect.top < 0 ? 0 : rect.top; y < rect.bottom && y < height; ++y) {
      auto* row = reinterpret_cast<uint32_t*>(static_cast<BYTE*>(section.dsBm.bmBits) +
                                              size_t(topDown ? y : height - 1 - y) *
                                                  size_t(section.dsBm.bmWidthBytes));
      for (LONG x = rect.left < 0 ? 0 : rect.left; x < rect.right && x < width; ++x) row[x] = pixel;
    }
    return true;
  }

  friend class CEventPoint;
  CEventPoint m_events;
  IOleClientSite* m_site = nullptr;
  IOleInPlaceSite* m_inPlaceSite = nullptr;
  std::wstring m_windowMode = L"Window";
  std::wstring m_movie;
  std::wstring m_returnValue;
  LONG m_totalFrames = 0;
  uint32_t m_frameRate = 0;
  bool m_loop = true;
  LONG m_readyState = 0;
  DWORD m_loadTick = 0;
  SIZEL m_extent = {0, 0};
  RECT m_rect = {0, 0, 0, 0};
  LONG m_drawCount = 0;
  DWORD m_drawThread = 0;
};

STDMETHODIMP_(ULONG) CEventPoint::AddRef() { return m_owner->AddRef(); }
STDMETHODIMP_(ULONG) CEventPoint::Release() { return m_owner->Release(); }
STDMETHODIMP CEventPoint::GetConnectionPointContainer(IConnectionPointContainer** container) {
  if (!container) return E_POINTER;
  *container = static_cast<IConnectionPointContainer*>(m_owner);
  m_owner->AddRef();
  return S_OK;
}

const CFactoryTemplate kTemplates[] = {
    {L"Shockwave Flash Object", &CLSID_ShockwaveFlash, CStandInFlash::CreateInstance, nullptr,
     nullptr, nullptr},
};

}  // namespace

extern "C" {

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, void*) {
  if (reason == DLL_PROCESS_ATTACH) {
    g_module = instance;
    DisableThreadLibraryCalls(instance);
  }
  return TRUE;
}

STDAPI DllGetClassObject(REFCLSID clsid, REFIID riid, void** object) {
  return DllGetClassObjectFromTemplates(kTemplates, 1, clsid, riid, object);
}

STDAPI DllCanUnloadNow() { return DllCanUnloadNowFromTemplates(); }

// Registers the stand-in as the Flash control's class (an apartment-threaded in-process
// server), for hosts that create the registered control.
STDAPI DllRegisterServer() {
  wchar_t path[MAX_PATH * 4];
  const DWORD n = GetModuleFileNameW(g_module, path, DWORD(sizeof(path) / sizeof(path[0])));
  if (n == 0 || n >= sizeof(path) / sizeof(path[0])) return E_FAIL;
  return RegisterComServer(CLSID_ShockwaveFlash, L"Shockwave Flash Object", path, L"Apartment");
}

STDAPI DllUnregisterServer() { return UnregisterComServer(CLSID_ShockwaveFlash); }

}  // extern "C"
