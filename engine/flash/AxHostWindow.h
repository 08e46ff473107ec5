// The ActiveX host window: a window class of the name ATL gives its host windows
// ("AtlAxWin71"), written here because the engine is not built on ATL. Each window of the
// class makes a host site when it is created; a control attached to it is in-place
// activated in the window (its client site, in-place site and frame are the host's), and
// is deactivated and closed when the window is destroyed. The host is reached through the
// window as IAxWinHostWindow, with ATL's interface identity, of which the attaching and
// querying of a control are implemented.
//
// The window and its control live on the thread that made the window.
#pragma once

#include <ole2.h>
#include <windows.h>

// The class name of the host window.
constexpr const char kAxHostWindowClass[] = "AtlAxWin71";

// {B6EA2050-048A-11D1-82B9-00C04FB9942E}
static const IID IID_IAxWinHostWindow = {
    0xb6ea2050, 0x048a, 0x11d1, {0x82, 0xb9, 0x00, 0xc0, 0x4f, 0xb9, 0x94, 0x2e}};

struct IAxWinHostWindow : public IUnknown {
  // Creating controls from a name is not offered: E_NOTIMPL.
  virtual HRESULT STDMETHODCALLTYPE CreateControl(LPCOLESTR name, HWND window,
                                                  IStream* stream) = 0;
  virtual HRESULT STDMETHODCALLTYPE CreateControlEx(LPCOLESTR name, HWND window, IStream* stream,
                                                    IUnknown** control, REFIID sinkInterface,
                                                    IUnknown* sink) = 0;
  // Makes the host the control's site and activates it in place in the window. E_POINTER
  // for no control, E_NOINTERFACE for an object that is no OLE object, E_UNEXPECTED when
  // a control is attached already; the control's own failure otherwise.
  virtual HRESULT STDMETHODCALLTYPE AttachControl(IUnknown* control, HWND window) = 0;
  // An interface of the attached control; E_FAIL without one.
  virtual HRESULT STDMETHODCALLTYPE QueryControl(REFIID riid, void** object) = 0;
  virtual HRESULT STDMETHODCALLTYPE SetExternalDispatch(IDispatch* external) = 0;
  virtual HRESULT STDMETHODCALLTYPE SetExternalUIHandler(IUnknown* handler) = 0;
};

// Registers the window class for this module (once; later calls only report). True when
// the class is there.
bool RegisterAxHostWindowClass();
// The instance handle of the module the engine's code lives in.
HINSTANCE GetEngineModuleInstance();
// The host of a host window, with a reference; E_INVALIDARG for a window that is not a
// host window of this module, E_FAIL when it has no host.
HRESULT GetAxHostWindow(HWND window, IAxWinHostWindow** host);
// Gives a host window of this module a host when it has none (the window makes one when
// it is created); E_INVALIDARG for another window.
HRESULT CreateAxHostForWindow(HWND window);
