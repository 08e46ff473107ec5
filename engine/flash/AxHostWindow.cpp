#include "engine/flash/AxHostWindow.h"

#include <ocidl.h>

#include <atomic>
#include <cstring>
#include <new>

namespace {

// HIMETRIC units (0.01 mm) of a length in pixels of the screen.
LONG PixelsToHimetric(LONG pixels, int pixelsPerInch) {
  return MulDiv(pixels, 2540, pixelsPerInch > 0 ? pixelsPerInch : 96);
}

// The host site of one host window: the control's client site, in-place site and frame.
class CAxHostSite final : public IOleClientSite,
                          public IOleInPlaceSite,
                          public IOleInPlaceFrame,
                          public IAxWinHostWindow {
 public:
  explicit CAxHostSite(HWND window) : m_window(window) {}

  // IUnknown
  STDMETHODIMP QueryInterface(REFIID riid, void** object) override {
    if (!object) return E_POINTER;
    *object = nullptr;
    if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IOleClientSite))
      *object = static_cast<IOleClientSite*>(this);
    else if (IsEqualIID(riid, IID_IOleWindow) || IsEqualIID(riid, IID_IOleInPlaceSite))
      *object = static_cast<IOleInPlaceSite*>(this);
    else if (IsEqualIID(riid, IID_IOleInPlaceUIWindow) || IsEqualIID(riid, IID_IOleInPlaceFrame))
      *object = static_cast<IOleInPlaceFrame*>(this);
    else if (IsEqualIID(riid, IID_IAxWinHostWindow))
      *object = static_cast<IAxWinHostWindow*>(this);
    else
      return E_NOINTERFACE;
    AddRef();
    return S_OK;
  }
  STDMETHODIMP_(ULONG) AddRef() override { return ULONG(++m_references); }
  STDMETHODIMP_(ULONG) Release() override {
    const LONG left = --m_references;
    if (left == 0) delete this;
    return ULONG(left);
  }

  // IOleClientSite
  STDMETHODIMP SaveObject() override { return E_NOTIMPL; }
  STDMETHODIMP GetMoniker(DWORD, DWORD, IMoniker** moniker) override {
    if (moniker) *moniker = nullptr;
    return E_NOTIMPL;
  }
  STDMETHODIMP GetContainer(IOleContainer** container) override {
    if (container) *container = nullptr;
    return E_NOINTERFACE;
  }
  STDMETHODIMP ShowObject() override { return S_OK; }
  STDMETHODIMP OnShowWindow(BOOL) override { return S_OK; }
  STDMETHODIMP RequestNewObjectLayout() override { return E_NOTIMPL; }

  // IOleWindow (the in-place site's and the frame's)
  STDMETHODIMP GetWindow(HWND* window) override {
    if (!window) return E_POINTER;
    *window = m_window;
    return m_window ? S_OK : E_FAIL;
  }
  STDMETHODIMP ContextSensitiveHelp(BOOL) override { return S_OK; }

  // IOleInPlaceSite
  STDMETHODIMP CanInPlaceActivate() override { return S_OK; }
  STDMETHODIMP OnInPlaceActivate() override {
    m_inPlaceActive = true;
    return S_OK;
  }
  STDMETHODIMP OnUIActivate() override { return S_OK; }
  STDMETHODIMP GetWindowContext(IOleInPlaceFrame** frame, IOleInPlaceUIWindow** document,
                                LPRECT position, LPRECT clip,
                                LPOLEINPLACEFRAMEINFO info) override {
    if (!frame || !document || !position || !clip) return E_POINTER;
    *frame = static_cast<IOleInPlaceFrame*>(this);
    AddRef();
    *document = nullptr;
    GetClientRect(m_window, position);
    *clip = *position;
    if (info) {
      info->fMDIApp = FALSE;
      info->hwndFrame = m_window;
      info->haccel = nullptr;
      info->cAccelEntries = 0;
    }
    return S_OK;
  }
  STDMETHODIMP Scroll(SIZE) override { return E_NOTIMPL; }
  STDMETHODIMP OnUIDeactivate(BOOL) override { return S_OK; }
  STDMETHODIMP OnInPlaceDeactivate() override {
    m_inPlaceActive = false;
    return S_OK;
  }
  STDMETHODIMP DiscardUndoState() override { return S_OK; }
  STDMETHODIMP DeactivateAndUndo() override { return S_OK; }
  STDMETHODIMP OnPosRectChange(LPCRECT) override { return S_OK; }

  // IOleInPlaceUIWindow and IOleInPlaceFrame: the host shows no tools, menus or status.
  STDMETHODIMP GetBorder(LPRECT) override { return INPLACE_E_NOTOOLSPACE; }
  STDMETHODIMP RequestBorderSpace(LPCBORDERWIDTHS) override { return INPLACE_E_NOTOOLSPACE; }
  STDMETHODIMP SetBorderSpace(LPCBORDERWIDTHS) override { return S_OK; }
  STDMETHODIMP SetActiveObject(IOleInPlaceActiveObject*, LPCOLESTR) override { return S_OK; }
  STDMETHODIMP InsertMenus(HMENU, LPOLEMENUGROUPWIDTHS) override { return E_NOTIMPL; }
  STDMETHODIMP SetMenu(HMENU, HOLEMENU, HWND) override { return S_OK; }
  STDMETHODIMP RemoveMenus(HMENU) override { return E_NOTIMPL; }
  STDMETHODIMP SetStatusText(LPCOLESTR) override { return S_OK; }
  STDMETHODIMP EnableModeless(BOOL) override { return S_OK; }
  STDMETHODIMP TranslateAccelerator(LPMSG, WORD) override { return S_FALSE; }

  // IAxWinHostWindow
  STDMETHODIMP CreateControl(LPCOLESTR, HWND, IStream*) override { return E_NOTIMPL; }
  STDMETHODIMP CreateControlEx(LPCOLESTR, HWND, IStream*, IUnknown** control, REFIID,
                               IUnknown*) override {
    if (control) *control = nullptr;
    return E_NOTIMPL;
  }
  STDMETHODIMP AttachControl(IUnknown* control, HWND window) override {
    if (!control) return E_POINTER;
    if (m_control) return E_UNEXPECTED;
    if (window && window != m_window) return E_INVALIDARG;
    IOleObject* object = nullptr;
    HRESULT hr = control->QueryInterface(IID_IOleObject, reinterpret_cast<void**>(&object));
    if (FAILED(hr) || !object) return FAILED(hr) ? hr : E_NOINTERFACE;
    m_control = object;

    // Controls such as Flash want their site before anything else.
    hr = object->SetClientSite(static_cast<IOleClientSite*>(this));
    if (SUCCEEDED(hr)) {
      IPersistStreamInit* persist = nullptr;
      if (SUCCEEDED(object->QueryInterface(IID_IPersistStreamInit,
                                           reinterpret_cast<void**>(&persist))) &&
          persist) {
        persist->InitNew();
        persist->Release();
      }
      RECT client = {};
      GetClientRect(m_window, &client);
      HDC screen = GetDC(nullptr);
      SIZEL extent = {PixelsToHimetric(client.right, GetDeviceCaps(screen, LOGPIXELSX)),
                      PixelsToHimetric(client.bottom, GetDeviceCaps(screen, LOGPIXELSY))};
      ReleaseDC(nullptr, screen);
      object->SetExtent(DVASPECT_CONTENT, &extent);
      hr = object->DoVerb(OLEIVERB_INPLACEACTIVATE, nullptr, static_cast<IOleClientSite*>(this),
                          0, m_window, &client);
    }
    if (FAILED(hr)) Detach();
    return hr;
  }
  STDMETHODIMP QueryControl(REFIID riid, void** object) override {
    if (!object) return E_POINTER;
    *object = nullptr;
    if (!m_control) return E_FAIL;
    return m_control->QueryInterface(riid, object);
  }
  STDMETHODIMP SetExternalDispatch(IDispatch*) override { return E_NOTIMPL; }
  STDMETHODIMP SetExternalUIHandler(IUnknown*) override { return E_NOTIMPL; }

  // The window's size changed: the control follows.
  void Resize() {
    if (!m_control || !m_inPlaceActive) return;
    IOleInPlaceObject* inPlace = nullptr;
    if (SUCCEEDED(m_control->QueryInterface(IID_IOleInPlaceObject,
                                            reinterpret_cast<void**>(&inPlace))) &&
        inPlace) {
      RECT client = {};
      GetClientRect(m_window, &client);
      inPlace->SetObjectRects(&client, &client);
      inPlace->Release();
    }
  }

  // Deactivates and closes the control and lets it go.
  void Detach() {
    IOleObject* object = m_control;
    if (!object) return;
    m_control = nullptr;
    if (m_inPlaceActive) {
      IOleInPlaceObject* inPlace = nullptr;
      if (SUCCEEDED(object->QueryInterface(IID_IOleInPlaceObject,
                                           reinterpret_cast<void**>(&inPlace))) &&
          inPlace) {
        inPlace->InPlaceDeactivate();
        inPlace->Release();
      }
    }
    object->Close(OLECLOSE_NOSAVE);
    object->SetClientSite(nullptr);
    object->Release();
    m_inPlaceActive = false;
  }

  void WindowGone() {
    Detach();
    m_window = nullptr;
  }

 private:
  ~CAxHostSite() = default;

  std::atomic<LONG> m_references{1};
  HWND m_window;
  IOleObject* m_control = nullptr;
  bool m_inPlaceActive = false;
};

CAxHostSite* SiteOf(HWND window) {
  return reinterpret_cast<CAxHostSite*>(GetWindowLongPtrA(window, GWLP_USERDATA));
}

LRESULT CALLBACK HostWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_CREATE:
      return SUCCEEDED(CreateAxHostForWindow(window)) ? 0 : -1;
    case WM_SIZE:
      if (CAxHostSite* site = SiteOf(window)) site->Resize();
      break;
    case WM_DESTROY:
      if (CAxHostSite* site = SiteOf(window)) {
        SetWindowLongPtrA(window, GWLP_USERDATA, 0);
        site->WindowGone();
        site->Release();
      }
      break;
    default:
      break;
  }
  return DefWindowProcA(window, message, wParam, lParam);
}

bool IsHostWindowOfThisModule(HWND window) {
  if (!IsWindow(window)) return false;
  char name[sizeof(kAxHostWindowClass) + 1] = {};
  if (GetClassNameA(window, name, sizeof(name)) != int(sizeof(kAxHostWindowClass) - 1) ||
      std::strcmp(name, kAxHostWindowClass) != 0)
    return false;
  return reinterpret_cast<HINSTANCE>(GetWindowLongPtrA(window, GWLP_HINSTANCE)) ==
         GetEngineModuleInstance();
}

}  // namespace

HINSTANCE GetEngineModuleInstance() {
  HMODULE module = nullptr;
  GetModuleHandleExA(
      GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
      reinterpret_cast<LPCSTR>(reinterpret_cast<void*>(&HostWindowProc)), &module);
  return module;
}

bool RegisterAxHostWindowClass() {
  HINSTANCE instance = GetEngineModuleInstance();
  WNDCLASSA existing;
  if (GetClassInfoA(instance, kAxHostWindowClass, &existing)) return true;
  WNDCLASSA wc = {};
  wc.lpfnWndProc = &HostWindowProc;
  wc.hInstance = instance;
  wc.lpszClassName = kAxHostWindowClass;
  wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
  return RegisterClassA(&wc) != 0 || GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
}

HRESULT CreateAxHostForWindow(HWND window) {
  if (!IsHostWindowOfThisModule(window)) return E_INVALIDARG;
  if (SiteOf(window)) return S_FALSE;
  auto* site = new (std::nothrow) CAxHostSite(window);
  if (!site) return E_OUTOFMEMORY;
  SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(site));
  return S_OK;
}

HRESULT GetAxHostWindow(HWND window, IAxWinHostWindow** host) {
  if (!host) return E_POINTER;
  *host = nullptr;
  if (!IsHostWindowOfThisModule(window)) return E_INVALIDARG;
  CAxHostSite* site = SiteOf(window);
  if (!site) return E_FAIL;
  return site->QueryInterface(IID_IAxWinHostWindow, reinterpret_cast<void**>(host));
}
