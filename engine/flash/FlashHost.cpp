#include "engine/flash/FlashHost.h"

#include <windowsx.h>

#include <cstring>

#include "engine/api/ModuleObjects.h"
#include "engine/flash/AxHostWindow.h"
#include "platform/flash/FlashControl.h"

namespace {

constexpr UINT_PTR kCaptureTimer = 0;

template <typename T>
void ReleaseInterface(T*& pointer) {
  if (pointer) {
    T* held = pointer;
    pointer = nullptr;
    held->Release();
  }
}

// A member of the control by name.
HRESULT MemberId(IDispatch* object, const wchar_t* name, DISPID* id) {
  LPOLESTR names[] = {const_cast<LPOLESTR>(name)};
  return object->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, id);
}

HRESULT PutMember(IDispatch* object, const wchar_t* name, VARIANT value) {
  DISPID id = DISPID_UNKNOWN;
  HRESULT hr = MemberId(object, name, &id);
  if (FAILED(hr)) return hr;
  DISPID named = DISPID_PROPERTYPUT;
  DISPPARAMS params = {&value, &named, 1, 1};
  return object->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_PROPERTYPUT, &params,
                        nullptr, nullptr, nullptr);
}

HRESULT GetMember(IDispatch* object, const wchar_t* name, VARIANT* result) {
  DISPID id = DISPID_UNKNOWN;
  HRESULT hr = MemberId(object, name, &id);
  if (FAILED(hr)) return hr;
  DISPPARAMS params = {nullptr, nullptr, 0, 0};
  return object->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_PROPERTYGET, &params, result,
                        nullptr, nullptr);
}

HRESULT CallMember(IDispatch* object, const wchar_t* name, VARIANT argument) {
  DISPID id = DISPID_UNKNOWN;
  HRESULT hr = MemberId(object, name, &id);
  if (FAILED(hr)) return hr;
  DISPPARAMS params = {&argument, nullptr, 1, 0};
  return object->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &params, nullptr,
                        nullptr, nullptr);
}

HRESULT PutText(IDispatch* object, const wchar_t* name, const std::wstring& text) {
  VARIANT value;
  VariantInit(&value);
  value.vt = VT_BSTR;
  value.bstrVal = SysAllocStringLen(text.data(), UINT(text.size()));
  if (!value.bstrVal) return E_OUTOFMEMORY;
  const HRESULT hr = PutMember(object, name, value);
  VariantClear(&value);
  return hr;
}

// The i-th argument of an event, counted in the order the event declares them (the
// dispatch parameters hold them last first); null when it is not there or of another type.
const VARIANT* Argument(const DISPPARAMS* params, UINT count, UINT index, VARTYPE type) {
  if (!params || params->cArgs != count || !params->rgvarg || index >= count) return nullptr;
  const VARIANT* argument = &params->rgvarg[count - 1 - index];
  return argument->vt == type ? argument : nullptr;
}

std::string TextOf(BSTR text) { return text ? NarrowText(text) : std::string(); }

}  // namespace

// ---------------------------------------------------------------------------------------
// CFlashHost

CFlashHost::CFlashHost() = default;

CFlashHost::~CFlashHost() {
  if (m_hostWindow && ::IsWindow(m_hostWindow)) ::SendMessageA(m_hostWindow, WM_CLOSE, 0, 0);
  ReleaseControl();
  HookWindow(nullptr);
  if (m_hostWindow && ::IsWindow(m_hostWindow)) DestroyWindow(m_hostWindow);
  m_hostWindow = nullptr;
}

STDMETHODIMP CFlashHost::QueryInterface(REFIID riid, void** object) {
  if (!object) return E_POINTER;
  if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IDispatch) ||
      IsEqualIID(riid, DIID__IShockwaveFlashEvents)) {
    *object = static_cast<IDispatch*>(this);
    AddRef();
    return S_OK;
  }
  *object = nullptr;
  return E_NOINTERFACE;
}

STDMETHODIMP_(ULONG) CFlashHost::AddRef() { return ULONG(InterlockedIncrement(&m_references)); }

STDMETHODIMP_(ULONG) CFlashHost::Release() {
  return ULONG(InterlockedDecrement(&m_references));
}

STDMETHODIMP CFlashHost::GetTypeInfoCount(UINT* count) {
  if (count) *count = 0;
  return E_NOTIMPL;
}

STDMETHODIMP CFlashHost::GetTypeInfo(UINT, LCID, ITypeInfo** info) {
  if (info) *info = nullptr;
  return E_NOTIMPL;
}

STDMETHODIMP CFlashHost::GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) {
  return E_NOTIMPL;
}

STDMETHODIMP CFlashHost::Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS* params, VARIANT*,
                                EXCEPINFO*, UINT*) {
  switch (id) {
    case DISPID_FLASH_FSCOMMAND: {
      const VARIANT* command = Argument(params, 2, 0, VT_BSTR);
      const VARIANT* arguments = Argument(params, 2, 1, VT_BSTR);
      if (m_listener && command && arguments)
        m_listener->OnFSCommand(TextOf(command->bstrVal), TextOf(arguments->bstrVal));
      return S_OK;
    }
    case DISPID_FLASH_FLASHCALL: {
      const VARIANT* request = Argument(params, 1, 0, VT_BSTR);
      if (m_listener && request) {
        const std::string reply = m_listener->OnFlashCall(TextOf(request->bstrVal));
        if (m_control) {
          VARIANT value;
          VariantInit(&value);
          value.vt = VT_BSTR;
          const std::wstring wide = WidenText(reply);
          value.bstrVal = SysAllocStringLen(wide.data(), UINT(wide.size()));
          if (value.bstrVal) CallMember(m_control, FLASH_MEMBER_SET_RETURN_VALUE, value);
          VariantClear(&value);
        }
      }
      return S_OK;
    }
    case DISPID_FLASH_ONPROGRESS: {
      const VARIANT* percent = Argument(params, 1, 0, VT_I4);
      if (m_listener && percent) m_listener->OnProgress(percent->lVal);
      return S_OK;
    }
    case DISPID_FLASH_READYSTATECHANGE: {
      const VARIANT* state = Argument(params, 1, 0, VT_I4);
      if (m_listener && state) m_listener->OnReadyStateChange(state->lVal);
      return S_OK;
    }
    default:
      return DISP_E_MEMBERNOTFOUND;
  }
}

HRESULT CFlashHost::Close() {
  if (!m_hostWindow || !::IsWindow(m_hostWindow)) return S_FALSE;
  ::SendMessageA(m_hostWindow, WM_CLOSE, 0, 0);
  return S_OK;
}

HRESULT CFlashHost::CreateControl() {
  const std::string module = GetProgramFolder() + kFlashControlFile;
  return CreateObjectFromModule(module, CLSID_ShockwaveFlash, nullptr, CLSCTX_ALL,
                                IID_IShockwaveFlash, reinterpret_cast<void**>(&m_control));
}

HRESULT CFlashHost::Create(const std::string& moviePath, int32_t width, int32_t height,
                           BOOL transparent, IFlashListener* listener) {
  if (m_hostWindow) return E_UNEXPECTED;
  if (width <= 0 || height <= 0 || width > kMaxSwfSide || height > kMaxSwfSide)
    return E_INVALIDARG;
  m_width = width;
  m_height = height;
  if (!RegisterAxHostWindowClass()) return HRESULT_FROM_WIN32(GetLastError());
  m_hostWindow = CreateWindowExA(0, kAxHostWindowClass, nullptr, WS_POPUP, 0, 0, width, height,
                                 nullptr, nullptr, GetEngineModuleInstance(), nullptr);
  if (!m_hostWindow) {
    m_width = m_height = 0;
    const DWORD error = GetLastError();
    return error ? HRESULT_FROM_WIN32(error) : E_FAIL;
  }

  HRESULT hr = CreateControl();
  if (SUCCEEDED(hr) && !m_control) hr = E_NOINTERFACE;
  if (SUCCEEDED(hr)) {
    m_transparent = transparent;
    PutText(m_control, FLASH_MEMBER_WMODE, transparent ? L"transparent" : L"Window");
    IAxWinHostWindow* host = nullptr;
    hr = GetAxHostWindow(m_hostWindow, &host);
    if (hr == E_FAIL && SUCCEEDED(CreateAxHostForWindow(m_hostWindow)))
      hr = GetAxHostWindow(m_hostWindow, &host);
    if (SUCCEEDED(hr)) {
      hr = host->AttachControl(m_control, m_hostWindow);
      host->Release();
    }
  }
  if (SUCCEEDED(hr))
    hr = m_control->QueryInterface(IID_IViewObjectEx, reinterpret_cast<void**>(&m_view));
  if (SUCCEEDED(hr))
    hr = m_control->QueryInterface(IID_IConnectionPointContainer,
                                   reinterpret_cast<void**>(&m_container));
  if (SUCCEEDED(hr)) hr = m_container->FindConnectionPoint(DIID__IShockwaveFlashEvents,
                                                           &m_connectionPoint);
  if (SUCCEEDED(hr) && !m_connectionPoint) hr = E_NOINTERFACE;
  if (SUCCEEDED(hr)) hr = m_connectionPoint->Advise(static_cast<IDispatch*>(this), &m_cookie);
  if (SUCCEEDED(hr)) {
    HookWindow(m_hostWindow);
    m_listener = listener;
    hr = PutText(m_control, FLASH_MEMBER_MOVIE, WidenText(moviePath));
  }
  if (SUCCEEDED(hr)) {
    VARIANT frames;
    VariantInit(&frames);
    hr = GetMember(m_control, FLASH_MEMBER_TOTAL_FRAMES, &frames);
    if (SUCCEEDED(hr)) hr = VariantChangeType(&frames, &frames, 0, VT_I4);
    if (SUCCEEDED(hr) && frames.lVal < 1) hr = E_FAIL;
    VariantClear(&frames);
  }
  if (SUCCEEDED(hr)) {
    VARIANT loop;
    VariantInit(&loop);
    loop.vt = VT_BOOL;
    loop.boolVal = VARIANT_TRUE;
    PutMember(m_control, FLASH_MEMBER_LOOP, loop);
    return S_OK;
  }

  // Nothing half made stays behind: the control goes with its window.
  ReleaseControl();
  m_listener = nullptr;
  HookWindow(nullptr);
  DestroyWindow(m_hostWindow);
  m_hostWindow = nullptr;
  return hr;
}

void CFlashHost::ReleaseControl() {
  if (m_connectionPoint && m_cookie) m_connectionPoint->Unadvise(m_cookie);
  m_cookie = 0;
  m_width = 0;
  m_height = 0;
  ReleaseInterface(m_connectionPoint);
  ReleaseInterface(m_container);
  ReleaseInterface(m_control);
  ReleaseInterface(m_view);
}

HRESULT CFlashHost::DrawTo(HDC dc, int32_t x, int32_t y) {
  if (!m_view) return E_FAIL;
  const RECTL bounds = {x, y, x + m_width, y + m_height};
  return m_view->Draw(DVASPECT_CONTENT, 0, nullptr, nullptr, nullptr, dc, &bounds, nullptr,
                      nullptr, 0);
}

HRESULT CFlashHost::DrawViaWindow(HDC dc, int32_t x, int32_t y) {
  if (!m_hostWindow || !::IsWindow(m_hostWindow)) return E_FAIL;
  ::SendMessageA(m_hostWindow, kDrawMessage, reinterpret_cast<WPARAM>(dc),
               MAKELPARAM(WORD(int16_t(x)), WORD(int16_t(y))));
  return S_OK;
}

LRESULT CFlashHost::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_CLOSE:
      ReleaseControl();
      break;
    case kDrawMessage:
      DrawTo(reinterpret_cast<HDC>(wParam), GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam));
      break;
    default:
      break;
  }
  return CWindowHook::WindowProc(window, message, wParam, lParam);
}

void CFlashHost::OnAfterUnhook() { m_hostWindow = nullptr; }

HRESULT CFlashHost::QueryControl(REFIID riid, void** object) {
  if (!object) return E_POINTER;
  *object = nullptr;
  if (!m_control) return E_FAIL;
  return m_control->QueryInterface(riid, object);
}

// ---------------------------------------------------------------------------------------
// CFlashPlayer

CFlashPlayer::CFlashPlayer() { m_pictureMutex.Create(); }

CFlashPlayer::~CFlashPlayer() {
  StopTimer();
  m_picture.Free();
}

void CFlashPlayer::StopTimer() {
  if (GetHostWindow() && ::IsWindow(GetHostWindow())) KillTimer(GetHostWindow(), kCaptureTimer);
}

HRESULT CFlashPlayer::Close() {
  StopTimer();
  return CFlashHost::Close();
}

HRESULT CFlashPlayer::Create(const std::string& moviePath, int32_t width, int32_t height,
                             BOOL transparent, IFlashListener* listener) {
  HRESULT hr = CFlashHost::Create(moviePath, width, height, transparent, listener);
  if (FAILED(hr)) return hr;
  {
    CMutexLock lock(m_pictureMutex, INFINITE);
    if (!m_picture.Create(width, height, 32)) {
      CFlashHost::Close();
      return E_OUTOFMEMORY;
    }
  }
  Capture();
  SetTimer(GetHostWindow(), kCaptureTimer, kCaptureIntervalMs, nullptr);
  return S_OK;
}

HRESULT CFlashPlayer::CreateFromFile(const std::string& moviePath, BOOL transparent,
                                     IFlashListener* listener) {
  SwfHeader header;
  const HRESULT hr = ReadSwfFrameRect(moviePath, &header);
  if (FAILED(hr)) return hr;
  return Create(moviePath, header.Width(), header.Height(), transparent, listener);
}

CDibSurface* CFlashPlayer::LockPicture() {
  return m_pictureMutex.Wait(kPictureWaitMs) ? &m_picture : nullptr;
}

void CFlashPlayer::UnlockPicture() { m_pictureMutex.Release(); }

void CFlashPlayer::Capture() {
  CMutexLock lock(m_pictureMutex, kPictureWaitMs);
  if (!lock.IsLocked() || !m_picture.GetBits()) return;
  m_picture.Clear();
  HDC dc = m_picture.GetDC();
  if (!dc) return;
  DrawTo(dc, 0, 0);
  GdiFlush();
  if (!IsTransparent()) {
    // GDI leaves the alpha of what it draws at 0: an opaque movie is opaque everywhere.
    BYTE* bits = m_picture.GetBits();
    const size_t pixels = m_picture.GetBitsSize() / 4;
    for (size_t i = 0; i < pixels; ++i) bits[i * 4 + 3] = 0xFF;
  }
}

LRESULT CFlashPlayer::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_TIMER && wParam == kCaptureTimer) {
    // The next capture comes a whole interval after this one ended.
    KillTimer(window, kCaptureTimer);
    Capture();
    SetTimer(window, kCaptureTimer, kCaptureIntervalMs, nullptr);
    return 0;
  }
  return CFlashHost::WindowProc(window, message, wParam, lParam);
}

HRESULT ReadSwfFrameRect(const std::string& path, SwfHeader* header) {
  if (!header) return E_POINTER;
  if (GetFileSize64(path) <= kSwfHeadSize) return E_FAIL;
  uint8_t head[kSwfHeadSize];
  size_t read = 0;
  if (FAILED(ReadFileBytes(path, head, sizeof(head), &read)) || read != sizeof(head))
    return E_FAIL;
  return ParseSwfHeader(head, read, header);
}
