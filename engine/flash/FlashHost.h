// The Flash host: the Flash Player control in a hidden ActiveX host window, the receiver
// of the control's events, and the drawing of the control into a device context.
// CFlashPlayer adds a 32-bit picture of the movie, taken every 100 ms on the window's
// thread, which other threads read under the picture's mutex.
//
// The control comes from "3rd\Flash9.ocx" in the program's folder through its class
// factory, else from its registration. The host reaches the control's members by name
// through IDispatch, so any control that names them as the Flash Player does will serve.
//
// Everything but LockPicture and UnlockPicture runs on the thread that created the host,
// which must pump window messages for the captures to happen.
#pragma once

#include <ocidl.h>
#include <oleidl.h>
#include <windows.h>

#include <cstdint>
#include <string>

#include "engine/base/DibSurface.h"
#include "engine/base/SystemUtils.h"
#include "engine/compositor/WindowHook.h"
#include "engine/flash/SwfHeader.h"

// Receiver of the control's events.
class IFlashListener {
 public:
  virtual void OnReadyStateChange(int32_t state) = 0;
  virtual void OnProgress(int32_t percent) = 0;
  virtual void OnFSCommand(const std::string& command, const std::string& arguments) = 0;
  // The reply is handed back to the movie.
  virtual std::string OnFlashCall(const std::string& request) = 0;

 protected:
  ~IFlashListener() = default;
};

// The control's file below the program's folder.
constexpr const char kFlashControlFile[] = "3rd\\Flash9.ocx";

class CFlashHost : public IDispatch, public CWindowHook {
 public:
  // The message that has the window's thread draw the control: the device context in
  // WParam, x and y in the low and high word of LParam.
  static constexpr UINT kDrawMessage = 0x464;

  CFlashHost();
  // Closes the window (which releases the control) when it exists.
  ~CFlashHost() override;

  // IDispatch: the sink of the control's events. AddRef and Release only count: the owner
  // deletes the host.
  STDMETHODIMP QueryInterface(REFIID riid, void** object) override;
  STDMETHODIMP_(ULONG) AddRef() override;
  STDMETHODIMP_(ULONG) Release() override;
  STDMETHODIMP GetTypeInfoCount(UINT* count) override;
  STDMETHODIMP GetTypeInfo(UINT index, LCID locale, ITypeInfo** info) override;
  STDMETHODIMP GetIDsOfNames(REFIID riid, LPOLESTR* names, UINT count, LCID locale,
                             DISPID* ids) override;
  // The events: 150 FSCommand (two texts), 197 FlashCall (one text, whose reply goes back
  // to the control), 1958 OnProgress and -609 OnReadyStateChange (one integer each), to
  // the listener. Without listener, or with other arguments (also none at all), an event
  // is accepted and nothing happens; other ids give DISP_E_MEMBERNOTFOUND.
  STDMETHODIMP Invoke(DISPID id, REFIID riid, LCID locale, WORD flags, DISPPARAMS* params,
                      VARIANT* result, EXCEPINFO* exception, UINT* argumentError) override;

  // Sends WM_CLOSE to the window, which lets the control go. 1 without a window.
  virtual HRESULT Close();
  // Makes the hidden window of the size, the control in it (window mode "transparent" or
  // "Window"), the event connection, and loads the movie (looped). A movie without frames
  // gives E_FAIL; every other failure is returned as it came. A failed creation leaves
  // no window and no control.
  virtual HRESULT Create(const std::string& moviePath, int32_t width, int32_t height,
                         BOOL transparent, IFlashListener* listener);
  // Draws the control's content into the rectangle (x, y, x + width, y + height). E_FAIL
  // without a control.
  virtual HRESULT DrawTo(HDC dc, int32_t x, int32_t y);
  // Has the window's thread draw the control (kDrawMessage). E_FAIL without a window.
  virtual HRESULT DrawViaWindow(HDC dc, int32_t x, int32_t y);

  // The window's messages, before the window's own procedure.
  LRESULT WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) override;
  void OnAfterUnhook() override;

  HWND GetHostWindow() const { return m_hostWindow; }
  int32_t GetWidth() const { return m_width; }
  int32_t GetHeight() const { return m_height; }
  BOOL IsTransparent() const { return m_transparent; }
  // An interface of the control; E_FAIL without one.
  HRESULT QueryControl(REFIID riid, void** object);

 protected:
  // Unadvises the event sink and lets go of the control's interfaces; the size becomes 0.
  void ReleaseControl();

 private:
  HRESULT CreateControl();

  HWND m_hostWindow = nullptr;
  IDispatch* m_control = nullptr;  // the control's dual interface
  IViewObjectEx* m_view = nullptr;
  DWORD m_cookie = 0;
  IConnectionPointContainer* m_container = nullptr;
  IConnectionPoint* m_connectionPoint = nullptr;
  int32_t m_width = 0;
  int32_t m_height = 0;
  IFlashListener* m_listener = nullptr;
  BOOL m_transparent = FALSE;
  LONG m_references = 1;
};

class CFlashPlayer : public CFlashHost {
 public:
  // Time between the end of one capture and the next.
  static constexpr UINT kCaptureIntervalMs = 100;
  // How long a capture or a reader waits for the picture.
  static constexpr DWORD kPictureWaitMs = 200;

  CFlashPlayer();
  ~CFlashPlayer() override;

  // Stops the captures, then closes as the host does.
  HRESULT Close() override;
  // The host's Create; then the picture (width x height, 32-bit), a first capture and the
  // capture timer.
  HRESULT Create(const std::string& moviePath, int32_t width, int32_t height, BOOL transparent,
                 IFlashListener* listener) override;
  // Creates the player at the movie's own size, read from its header.
  HRESULT CreateFromFile(const std::string& moviePath, BOOL transparent,
                         IFlashListener* listener);

  // The picture, held until UnlockPicture; null when it cannot be had within 200 ms.
  CDibSurface* LockPicture();
  void UnlockPicture();

  LRESULT WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) override;
  // Takes a picture of the movie now: cleared to transparent black, the control drawn in,
  // and, unless the window mode is transparent, every pixel made opaque. Skipped when the
  // picture is not free within 200 ms.
  void Capture();

 private:
  void StopTimer();

  CDibSurface m_picture;
  CMutexHandle m_pictureMutex;
};

// The frame rectangle of a movie file in pixels: the file must be longer than the
// kSwfHeadSize bytes its header is read from (ParseSwfHeader). E_FAIL otherwise.
HRESULT ReadSwfFrameRect(const std::string& path, SwfHeader* header);
