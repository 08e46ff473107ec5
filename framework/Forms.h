// Forms, the application object and the screen. A form is a top-level window with a
// border style, icons, a window state and a position; it shows modeless (Show) or modal
// (ShowModal, ending with ModalResult), closes through OnCloseQuery and OnClose, and is
// freed later rather than inside its own handlers (Release). The application owns the
// hidden window that stands for the program on the taskbar and owns every form, runs the
// message loop until the main form closes, routes keys and short cuts, does the idle work
// (actions, mouse enter and leave, hints), and reports exceptions that handlers raise.
// The screen lists the forms and knows the active form and control and the cursors.
#pragma once

#include <functional>
#include <map>
#include <memory>
#include <vector>

#include "framework/Controls.h"

class TForm;
class TApplication;
class TScreen;

extern TApplication* Application;
extern TScreen* Screen;

enum TBorderIcon { biSystemMenu, biMinimize, biMaximize, biHelp };
using TBorderIcons = TSet<TBorderIcon>;
enum TFormStyle { fsNormal, fsMDIChild, fsMDIForm, fsStayOnTop };
enum TWindowState { wsNormal, wsMinimized, wsMaximized };
enum TPosition {
  poDesigned, poDefault, poDefaultPosOnly, poDefaultSizeOnly, poScreenCenter, poDesktopCenter,
  poMainFormCenter, poOwnerFormCenter
};
enum TCloseAction { caNone, caHide, caFree, caMinimize };
enum TFormStateFlag { fsCreating, fsVisible, fsShowing, fsModal, fsCreatedMDIChild, fsActivated };
using TFormState = TSet<TFormStateFlag>;

using TCloseEvent = std::function<void(TObject* Sender, TCloseAction& Action)>;
using TCloseQueryEvent = std::function<void(TObject* Sender, bool& CanClose)>;
using TShortCutEvent = std::function<void(TWMKey& Msg, bool& Handled)>;

// ---------------------------------------------------------------------------------------
// TCustomForm, TForm

class TCustomForm : public TWinControl {
 public:
  explicit TCustomForm(TComponent* AOwner);
  ~TCustomForm() override;
  void BeforeDestruction() override;

  TWinControl* GetActiveControl() const { return FActiveControl; }
  // Raises EInvalidOperation "Cannot focus a disabled or invisible window" for a control
  // that is not on this form or cannot take the focus.
  void SetActiveControl(TWinControl* Control);
  // Whether the form is the active window.
  bool GetActive() const { return FActive; }
  TBorderIcons GetBorderIcons() const { return FBorderIcons; }
  void SetBorderIcons(TBorderIcons Value);
  TFormBorderStyle GetBorderStyle() const { return FBorderStyle; }
  void SetBorderStyle(TFormBorderStyle Value);
  TFormStyle GetFormStyle() const { return FFormStyle; }
  void SetFormStyle(TFormStyle Value);
  TWindowState GetWindowState() const { return FWindowState; }
  void SetWindowState(TWindowState Value);
  TPosition GetPosition() const { return FPosition; }
  void SetPosition(TPosition Value) { FPosition = Value; }
  // The icon of the window (the application's when empty).
  TIcon* GetIcon() const { return FIcon.get(); }
  void SetIcon(TIcon* Value) { FIcon->Assign(Value); }
  // The form sees keys before its controls do.
  bool GetKeyPreview() const { return FKeyPreview; }
  void SetKeyPreview(bool Value) { FKeyPreview = Value; }
  TModalResult GetModalResult() const { return FModalResult; }
  void SetModalResult(TModalResult Value) { FModalResult = Value; }
  // The main menu (data only: the form shows no native menu bar). Its short cuts are
  // the form's.
  TMenu* GetMenu() const { return FMenu; }
  void SetMenu(TMenu* Value);
  // The item under which the children of an MDI form are listed (data only, as the menu).
  TMenuItem* GetWindowMenu() const { return FWindowMenu; }
  void SetWindowMenu(TMenuItem* Value);
  // Kept for the forms that set it; the form shows no scroll bars of its own.
  bool GetAutoScroll() const { return FAutoScroll; }
  void SetAutoScroll(bool Value) { FAutoScroll = Value; }
  TCanvas* GetCanvas() const { return FCanvas.get(); }
  TFormState GetFormState() const { return FFormState; }

  // MDI: the client window of an MDI form, and its children.
  HWND GetClientHandle() const { return FClientHandle; }
  TCustomForm* GetActiveMDIChild();
  int GetMDIChildCount();
  TCustomForm* GetMDIChild(int Index);
  void Cascade();
  void Tile();
  void ArrangeIcons();
  void Next();
  void Previous();

  void Show() override;
  void Hide() override;
  // Shows the form modally: other windows are disabled until ModalResult is set (or the
  // application ends: mrCancel); the form then hides and the result is returned. Raises
  // EInvalidOperation "Cannot make a visible window modal" for a visible form.
  virtual int ShowModal();
  // Asks OnCloseQuery, then OnClose; hides the form (the main form ends the application,
  // caFree releases the form). A modal form just takes mrCancel.
  void Close();
  // Frees the form once the messages already waiting are handled.
  void Release();
  virtual bool CloseQuery();
  void FocusControl(TWinControl* Control);
  // Moves the focus bookkeeping to Control (CM_EXIT and CM_ENTER down the control tree,
  // CM_FOCUSCHANGED to every control of the form); false when a handler moved the focus
  // elsewhere meanwhile.
  bool SetFocusedControl(TWinControl* Control);
  void DefocusControl(TWinControl* Control, bool Removing);
  void SetFocus() override;
  bool CanFocus() override;
  // OnShortCut, then the menu's short cuts.
  virtual bool IsShortCut(TWMKey& Message);
  // Updates the actions of the form's controls (at idle).
  void UpdateActions();
  // CM_CANCELMODE to the active control (before every press on the form).
  void SendCancelMode(TControl* Sender);
  TRect GetClientRect() override;

  void Dispatch(TMessage& Message) override;
  void DefaultHandler(TMessage& Message) override;
  // The caption and hint, for the language files.
  void PublishProperties(TPropList& Props) const override;

  TNotifyEvent OnActivate;
  TNotifyEvent OnDeactivate;
  TCloseEvent OnClose;
  TCloseQueryEvent OnCloseQuery;
  TNotifyEvent OnCreate;
  TNotifyEvent OnDestroy;
  TNotifyEvent OnShow;
  TNotifyEvent OnHide;
  TNotifyEvent OnPaint;
  TShortCutEvent OnShortCut;

 protected:
  friend class TWinControl;
  friend class TApplication;
  friend class TScreen;

  void AfterConstruction() override;
  void Notification(TComponent* AComponent, TOperation Operation) override;
  void CreateParams(TCreateParams& Params) override;
  void CreateWnd() override;
  void CreateWindowHandle(const TCreateParams& Params) override;
  void DestroyWindowHandle() override;
  void PaintWindow(HDC DC) override;
  virtual void Paint();
  virtual void Activate();
  virtual void Deactivate();
  virtual void DoShow();
  virtual void DoHide();
  virtual void DoClose(TCloseAction& Action);
  virtual void DoCreate();
  virtual void DoDestroy();
  void VisibleChanging() override;
  void AlignControls(TControl* AControl, TRect& Rect) override;
  void SetWindowFocus();
  void SetActive(bool Value);
  void CloseModal();
  HICON GetIconHandle();

  void WMActivate(TMessage& Message);
  void WMClose(TMessage& Message);
  void WMSysCommand(TMessage& Message);
  void WMSize(TMessage& Message);
  void WMGetMinMaxInfo(TMessage& Message);
  void WMPaintForm(TMessage& Message);
  void WMEraseBkgnd(TMessage& Message);
  void WMQueryEndSession(TMessage& Message);
  void CMActivate(TMessage& Message);
  void CMDeactivate(TMessage& Message);
  void CMDialogKey(TMessage& Message);
  void CMShowingChanged(TMessage& Message);
  void CMRelease(TMessage& Message);
  void CMIconChanged(TMessage& Message);

 private:
  class TModalLoopScope;
  void IconChanged(TObject* Sender);

  TWinControl* FActiveControl = nullptr;
  TWinControl* FFocusedControl = nullptr;
  bool FActive = false;
  TBorderIcons FBorderIcons{biSystemMenu, biMinimize, biMaximize};
  TFormBorderStyle FBorderStyle = bsSizeable;
  TFormStyle FFormStyle = fsNormal;
  TWindowState FWindowState = wsNormal;
  TPosition FPosition = poDesigned;
  std::unique_ptr<TIcon> FIcon;
  bool FKeyPreview = false;
  TModalResult FModalResult = mrNone;
  TMenu* FMenu = nullptr;
  TMenuItem* FWindowMenu = nullptr;
  bool FAutoScroll = false;
  std::unique_ptr<TControlCanvas> FCanvas;
  TFormState FFormState;
  HWND FClientHandle = nullptr;
  std::unique_ptr<TWindowProcHook> FClientHook;
  bool FDestroyFired = false;
};

class TForm : public TCustomForm {
 public:
  explicit TForm(TComponent* AOwner) : TCustomForm(AOwner) {}
};

// ---------------------------------------------------------------------------------------
// TScreen

class TScreen : public TComponent {
 public:
  explicit TScreen(TComponent* AOwner);
  ~TScreen() override;

  // The forms, the most recently focused first.
  int GetFormCount() const;
  TForm* GetForm(int Index) const;
  int GetCustomFormCount() const { return static_cast<int>(FCustomForms.size()); }
  TCustomForm* GetCustomForm(int Index) const;
  TForm* GetActiveForm() const { return FActiveForm; }
  TCustomForm* GetActiveCustomForm() const { return FActiveCustomForm; }
  TWinControl* GetActiveControl() const { return FActiveControl; }
  TCustomForm* GetFocusedForm() const { return FFocusedForm; }

  // The cursor every control shows while not crDefault.
  TCursor GetCursor() const { return FCursor; }
  void SetCursor(TCursor Value);
  // The cursor table: the system's cursors at crArrow ... crHandPoint, and whatever the
  // program puts at other indexes (the screen destroys those when replaced and at the
  // end). An index without a cursor gives the arrow.
  HCURSOR GetCursors(int Index) const;
  void SetCursors(int Index, HCURSOR Handle);

  int GetWidth() const { return GetSystemMetrics(SM_CXSCREEN); }
  int GetHeight() const { return GetSystemMetrics(SM_CYSCREEN); }
  int GetDesktopLeft() const { return GetSystemMetrics(SM_XVIRTUALSCREEN); }
  int GetDesktopTop() const { return GetSystemMetrics(SM_YVIRTUALSCREEN); }
  int GetDesktopWidth() const { return GetSystemMetrics(SM_CXVIRTUALSCREEN); }
  int GetDesktopHeight() const { return GetSystemMetrics(SM_CYVIRTUALSCREEN); }
  TRect GetWorkAreaRect() const;
  int GetPixelsPerInch() const { return FPixelsPerInch; }
  TFont* GetHintFont() const { return FHintFont.get(); }

  TNotifyEvent OnActiveControlChange;
  TNotifyEvent OnActiveFormChange;

 protected:
  friend class TCustomForm;
  friend class TApplication;
  void AddForm(TCustomForm* AForm);
  void RemoveForm(TCustomForm* AForm);
  void MoveFormToFocusFront(TCustomForm* AForm);
  void UpdateLastActive();
  void ControlDestroyed(TControl* Control);

 private:
  // Every form, the most recently focused first (forms of the class TForm are Forms[]).
  std::vector<TCustomForm*> FCustomForms;
  std::vector<TCustomForm*> FSaveFocusedList;
  TForm* FActiveForm = nullptr;
  TCustomForm* FActiveCustomForm = nullptr;
  TWinControl* FActiveControl = nullptr;
  TCustomForm* FFocusedForm = nullptr;
  TWinControl* FLastActiveControl = nullptr;
  TCustomForm* FLastActiveCustomForm = nullptr;
  TCursor FCursor = crDefault;
  int FCursorCount = 0;
  std::map<int, HCURSOR> FCursors;
  std::map<int, HCURSOR> FOwnedCursors;
  int FPixelsPerInch = 96;
  std::unique_ptr<TFont> FHintFont;
};

// ---------------------------------------------------------------------------------------
// TApplication

using TMessageEvent = std::function<void(MSG& Msg, bool& Handled)>;
using TExceptionEvent = std::function<void(TObject* Sender, Exception& E)>;
using TIdleEvent = std::function<void(TObject* Sender, bool& Done)>;
using TShowHintEvent = std::function<void(AnsiString& HintStr, bool& CanShow, THintInfo& HintInfo)>;
// Sees every message of the application window first; true when it handled it.
using TWindowHook = std::function<bool(TMessage& Message)>;
// Asked for help (Command: HELP_CONTEXT, Data: the topic); true when it gave it.
using THelpEvent = std::function<bool(uint16_t Command, NativeInt Data, bool& CallHelp)>;

class TApplication : public TComponent {
 public:
  explicit TApplication(TComponent* AOwner);
  ~TApplication() override;
  void BeforeDestruction() override;

  // The application window: hidden, the owner of every form, the program's taskbar entry.
  HWND GetHandle() const { return FHandle; }
  TForm* GetMainForm() const { return FMainForm; }
  void SetMainForm(TForm* Value) { FMainForm = Value; }
  // Makes a form owned by the application; the first form made so is the main form.
  template <class T>
  void CreateForm(T*& Reference) {
    T* form = new T(this);
    Reference = form;
    if (!FMainForm)
      if (TForm* asForm = dynamic_cast<TForm*>(form)) {
        asForm->HandleNeeded();
        FMainForm = asForm;
      }
  }

  // Shows the main form and handles messages until the application ends (Terminate, or
  // the main form closed).
  void Run();
  void Terminate();
  bool GetTerminated() const { return FTerminate; }
  // Handles every message waiting, then returns.
  void ProcessMessages();
  // Handles one message, or does the idle work and waits for one.
  void HandleMessage();
  // Reports the exception being handled (call it inside a catch block): EAbort is
  // silent, OnException gets the others, else a message box shows them.
  void HandleException(TObject* Sender);
  void ShowException(Exception& E);
  void Minimize();
  void Restore();
  void BringToFront();
  int MessageBox(const AnsiString& Text, const AnsiString& Caption, UINT Flags = MB_OK);
  // Shows the help topic (a form's or a control's HelpContext) through OnHelp; false
  // when nothing showed it (the program has no help file of its own).
  bool HelpContext(int Context);
  bool GetActive() const { return FActive; }
  AnsiString GetTitle() const;
  void SetTitle(const AnsiString& Value);
  AnsiString GetExeName() const;
  TIcon* GetIcon() const { return FIcon.get(); }
  // The long part of the hint of the control under the mouse.
  AnsiString GetHint() const { return FHint; }
  void SetHint(const AnsiString& Value);
  bool GetShowMainForm() const { return FShowMainForm; }
  void SetShowMainForm(bool Value) { FShowMainForm = Value; }

  // Hints.
  bool GetShowHint() const { return FShowHint; }
  void SetShowHint(bool Value);
  int GetHintPause() const { return FHintPause; }
  void SetHintPause(int Value) { FHintPause = Value; }
  int GetHintShortPause() const { return FHintShortPause; }
  void SetHintShortPause(int Value) { FHintShortPause = Value; }
  int GetHintHidePause() const { return FHintHidePause; }
  void SetHintHidePause(int Value) { FHintHidePause = Value; }
  TColor GetHintColor() const { return FHintColor; }
  void SetHintColor(TColor Value) { FHintColor = Value; }
  THintWindowClass GetHintWindowClass() const { return FHintWindowClass; }
  void SetHintWindowClass(THintWindowClass Value) { FHintWindowClass = Value; }
  THintWindow* GetHintWindow() const { return FHintWindow; }
  void ActivateHint(const TPoint& CursorPos);
  void CancelHint();
  void HideHint();
  void HintMouseMessage(TControl* Control, TMessage& Message);

  // Hooks see the application window's messages, the latest hook first; the number
  // returned unhooks it.
  int HookMainWindow(const TWindowHook& Hook);
  void UnhookMainWindow(int Hook);
  bool IsShortCut(TWMKey& Message);
  // The control the mouse is over, as the idle work last saw it.
  TControl* GetMouseControl() const { return FMouseControl; }
  // A control going away is forgotten as mouse, hint and capture control.
  void ControlDestroyed(TControl* Control);

  TMessageEvent OnMessage;
  TExceptionEvent OnException;
  TIdleEvent OnIdle;
  TShowHintEvent OnShowHint;
  TNotifyEvent OnHint;
  TNotifyEvent OnActivate;
  TNotifyEvent OnDeactivate;
  TNotifyEvent OnMinimize;
  TNotifyEvent OnRestore;
  THelpEvent OnHelp;
  TShortCutEvent OnShortCut;

 protected:
  friend class TCustomForm;
  void Notification(TComponent* AComponent, TOperation Operation) override;
  bool ProcessMessage(MSG& Msg);
  void Idle(const MSG& Msg);
  TControl* DoMouseIdle();
  void DoActionIdle();
  bool IsKeyMsg(MSG& Msg);
  bool IsHintMsg(MSG& Msg);
  bool IsMDIMsg(MSG& Msg);
  void UpdateVisible();
  void WndProc(TMessage& Message);

 private:
  static LRESULT CALLBACK AppWndProc(HWND Wnd, UINT Msg, WPARAM WParam, LPARAM LParam);
  void StartHintTimer(int Value, int Mode);
  void StopHintTimer();
  void HintTimerExpired();

  HWND FHandle = nullptr;
  TForm* FMainForm = nullptr;
  bool FTerminate = false;
  bool FActive = true;
  bool FShowMainForm = true;
  bool FOwnedHidden = false;  // Minimize hid the owned windows; Restore shows them
  AnsiString FHint;
  std::unique_ptr<TIcon> FIcon;
  std::vector<std::pair<int, TWindowHook>> FWindowHooks;
  int FNextHook = 0;
  TControl* FMouseControl = nullptr;
  // Hints.
  bool FShowHint = true;
  int FHintPause = 500;
  int FHintShortPause = 50;
  int FHintHidePause = 2500;
  TColor FHintColor = clInfoBk;
  THintWindowClass FHintWindowClass = HintWindowOf<THintWindow>;
  THintWindowClass FHintWindowMadeBy = nullptr;
  THintWindow* FHintWindow = nullptr;
  TControl* FHintControl = nullptr;
  bool FHintActive = false;
  TRect FHintCursorRect;
  int FTimerMode = 0;
  UINT_PTR FTimer = 0;
};

// The short part of a hint (before "|") and the long part (after it; the whole hint when
// it has no "|").
AnsiString GetShortHint(const AnsiString& Hint);
AnsiString GetLongHint(const AnsiString& Hint);
