// The framework's control layer: controls with and without windows of their own, the
// path every window message takes, painting, alignment, focus and keys, the mouse,
// dragging, hints.
//
// The message path. Each framework window's native procedure hands its message to the
// control's WindowProc (replaceable; WndProc unless replaced), WndProc does the work that
// must come before any handler (focus bookkeeping, mouse messages of windowless children,
// hints) and calls Dispatch. A class that handles messages overrides Dispatch with a
// switch that calls its handler methods (WMPaint, CMMouseEnter) and passes every other
// message to its base class; a handler that wants the inherited handling calls its base
// class's Dispatch. What no class handles reaches DefaultHandler, which for a windowed
// control calls the window procedure the control's window class had (DefWindowProc, or
// the native control's own procedure for superclassed EDIT, LISTBOX, SysListView32, ...).
// Perform calls WindowProc directly. An exception a handler raises stops at the native
// procedure: the application reports it and the message loop goes on.
#pragma once

#include <functional>
#include <memory>
#include <vector>

#include "framework/Classes.h"
#include "framework/Graphics.h"
#include "framework/Menus.h"
#include "framework/Messages.h"
#include "framework/WinApi.h"

class TControl;
class TWinControl;
class TCustomForm;
class THintWindow;

// ---------------------------------------------------------------------------------------
// Kinds and events

enum TAlign { alNone, alTop, alBottom, alLeft, alRight, alClient, alCustom };
enum TAnchorKind { akLeft, akTop, akRight, akBottom };
using TAnchors = TSet<TAnchorKind>;
enum TMouseButton { mbLeft, mbRight, mbMiddle };
enum TDragMode { dmManual, dmAutomatic };
enum TDragState { dsDragEnter, dsDragLeave, dsDragMove };
enum TDragMessage { dmDragEnter, dmDragLeave, dmDragMove, dmDragDrop, dmDragCancel, dmFindTarget };
// Which way the control's text reads and lines up.
enum TBiDiMode { bdLeftToRight, bdRightToLeft, bdRightToLeftNoAlign, bdRightToLeftReadingOnly };
enum TFormBorderStyle { bsNone, bsSingle, bsSizeable, bsDialog, bsToolWindow, bsSizeToolWin };
using TBorderStyle = TFormBorderStyle;  // controls use bsNone and bsSingle

// What a control is and does (ControlStyle).
enum TControlStyleFlag {
  csAcceptsControls,  // other controls can be placed on it
  csCaptureMouse,     // takes the mouse while a button is down on it
  csClickEvents,      // a press and release on it is a click
  csFramed,
  csSetCaption,       // its name becomes its caption while its caption is empty
  csOpaque,           // it paints all of its area (nothing behind it is painted)
  csDoubleClicks,     // a double click is a double click, not a second press
  csFixedWidth,
  csFixedHeight,
  csNoStdEvents,      // mouse and key messages do not run its On... events
  csReplicatable,
  csActionClient,     // it has an action
  csMenuEvents
};
using TControlStyle = TSet<TControlStyleFlag>;

// What a control is doing (ControlState).
enum TControlStateFlag {
  csLButtonDown,
  csClicked,
  csAlignmentNeeded,
  csFocusing,
  csCreating,         // its window is being made
  csPaintCopy,        // it paints into a copy (a picture of the form), not onto the screen
  csCustomPaint,
  csDestroyingHandle,
  csRecreating        // its window is being made again
};
using TControlState = TSet<TControlStateFlag>;

// Cursors: indexes into Screen's cursor table; the negative ones are the system's.
using TCursor = int;
constexpr TCursor crDefault = 0;
constexpr TCursor crNone = -1;
constexpr TCursor crArrow = -2;
constexpr TCursor crCross = -3;
constexpr TCursor crIBeam = -4;
constexpr TCursor crSizeNESW = -6;
constexpr TCursor crSizeNS = -7;
constexpr TCursor crSizeNWSE = -8;
constexpr TCursor crSizeWE = -9;
constexpr TCursor crUpArrow = -10;
constexpr TCursor crHourGlass = -11;
constexpr TCursor crDrag = -12;
constexpr TCursor crNoDrop = -13;
constexpr TCursor crHSplit = -14;
constexpr TCursor crVSplit = -15;
constexpr TCursor crMultiDrag = -16;
constexpr TCursor crSQLWait = -17;
constexpr TCursor crNo = -18;
constexpr TCursor crAppStart = -19;
constexpr TCursor crHelp = -20;
constexpr TCursor crHandPoint = -21;
constexpr TCursor crSizeAll = -22;
constexpr TCursor crSize = -22;

// A form's modal result: the button that closed it.
using TModalResult = int;
constexpr TModalResult mrNone = 0;
constexpr TModalResult mrOk = IDOK;
constexpr TModalResult mrCancel = IDCANCEL;
constexpr TModalResult mrAbort = IDABORT;
constexpr TModalResult mrRetry = IDRETRY;
constexpr TModalResult mrIgnore = IDIGNORE;
constexpr TModalResult mrYes = IDYES;
constexpr TModalResult mrNo = IDNO;
constexpr TModalResult mrAll = mrNo + 1;
constexpr TModalResult mrNoToAll = mrAll + 1;
constexpr TModalResult mrYesToAll = mrNoToAll + 1;

using TMouseEvent =
    std::function<void(TObject* Sender, TMouseButton Button, TShiftState Shift, int X, int Y)>;
using TMouseMoveEvent = std::function<void(TObject* Sender, TShiftState Shift, int X, int Y)>;
using TMouseWheelEvent = std::function<void(TObject* Sender, TShiftState Shift, int WheelDelta,
                                            TPoint MousePos, bool& Handled)>;
using TKeyEvent = std::function<void(TObject* Sender, uint16_t& Key, TShiftState Shift)>;
using TKeyPressEvent = std::function<void(TObject* Sender, char& Key)>;
using TDragOverEvent = std::function<void(TObject* Sender, TObject* Source, int X, int Y,
                                          TDragState State, bool& Accept)>;
using TDragDropEvent = std::function<void(TObject* Sender, TObject* Source, int X, int Y)>;
using TEndDragEvent = std::function<void(TObject* Sender, TObject* Target, int X, int Y)>;
using TContextPopupEvent = std::function<void(TObject* Sender, TPoint MousePos, bool& Handled)>;
using TCanResizeEvent =
    std::function<void(TObject* Sender, int& NewWidth, int& NewHeight, bool& Resize)>;
using TConstrainedResizeEvent = std::function<void(TObject* Sender, int& MinWidth, int& MinHeight,
                                                   int& MaxWidth, int& MaxHeight)>;

// A replaceable window procedure.
using TWndMethod = std::function<void(TMessage& Message)>;

// The shift state of key data or of the key state in a mouse message's WParam.
TShiftState KeysToShiftState(uint32_t Keys);
TShiftState KeyDataToShiftState(int32_t KeyData);
// The shift state of the keyboard right now.
TShiftState KeyboardStateToShiftState();

// What CM_DRAG carries in LParam.
struct TDragRec {
  TPoint Pos;        // screen point
  TObject* Source;   // the dragged control
  TControl* Target;
};

// What CM_HINTSHOW carries in LParam; a control and Application.OnShowHint may change it.
struct THintInfo {
  TControl* HintControl = nullptr;
  TPoint HintPos;           // screen point of the hint's top-left corner
  int HintMaxWidth = 0;
  TColor HintColor = clInfoBk;
  TRect CursorRect;         // the hint stays while the cursor is in here (control's client)
  TPoint CursorPos;         // in the control's client coordinates
  int ReshowTimeout = 0;
  int HideTimeout = 0;
  AnsiString HintStr;
  void* HintData = nullptr;
};

// ---------------------------------------------------------------------------------------
// TSizeConstraints

// The smallest and largest size a control takes (0: no limit).
class TSizeConstraints : public TPersistent {
 public:
  explicit TSizeConstraints(TControl* Control) : FControl(Control) {}
  void Assign(TPersistent* Source) override;
  int GetMinWidth() const { return FMinWidth; }
  void SetMinWidth(int Value);
  int GetMinHeight() const { return FMinHeight; }
  void SetMinHeight(int Value);
  int GetMaxWidth() const { return FMaxWidth; }
  void SetMaxWidth(int Value);
  int GetMaxHeight() const { return FMaxHeight; }
  void SetMaxHeight(int Value);
  TNotifyEvent OnChange;

 protected:
  void Change();

 private:
  TControl* FControl;
  int FMinWidth = 0;
  int FMinHeight = 0;
  int FMaxWidth = 0;
  int FMaxHeight = 0;
};

// ---------------------------------------------------------------------------------------
// TControlCanvas

// The canvas of a control. While the control paints, it draws on the paint message's
// context; at other times it takes a context of the control's window (or of its parent's,
// moved and clipped to the control), which the framework gives back after the message
// that used it unless the canvas is locked.
class TControlCanvas : public TCanvas {
 public:
  TControlCanvas() = default;
  ~TControlCanvas() override;
  TControl* GetControl() const { return FControl; }
  void SetControl(TControl* Value);
  void FreeHandle();
  void UpdateTextFlags();
  // Runs Paint with the canvas drawing on DC in the control's font (locked meanwhile); the
  // canvas lets DC go afterwards, also when Paint raises.
  void PaintOn(HDC DC, const std::function<void()>& Paint);
  // Frees the contexts canvases hold of a window (before the window goes).
  static void FreeHandlesOf(HWND Wnd);

 protected:
  void CreateHandle() override;

 private:
  TControl* FControl = nullptr;
  HDC FDeviceContext = nullptr;
  HWND FWindowHandle = nullptr;
};

// Gives back the contexts of unlocked control canvases (after every handled message).
void FreeDeviceContexts();

// ---------------------------------------------------------------------------------------
// TControlActionLink

class TControlActionLink : public TBasicActionLink {
 public:
  explicit TControlActionLink(TObject* AClient) : TBasicActionLink(AClient) { AssignClient(AClient); }

 protected:
  void AssignClient(TObject* AClient) override;
  TControl* FClient = nullptr;
};

// ---------------------------------------------------------------------------------------
// TControl

// A control: a rectangle of a parent window that paints itself and takes the mouse.
// Controls without a window of their own (TGraphicControl) are painted by their parent and
// get their mouse messages from it.
class TControl : public TComponent {
 public:
  explicit TControl(TComponent* AOwner);
  ~TControl() override;
  void BeforeDestruction() override;
  // With csSetCaption, a control whose caption is its name takes the new name as its
  // caption too (not while it is being loaded).
  void SetName(const AnsiString& Value) override;

  TWinControl* GetParent() const { return FParent; }
  virtual void SetParent(TWinControl* AParent);

  // Bounds: every change goes through the virtual SetBounds.
  int GetLeft() const { return FLeft; }
  int GetTop() const { return FTop; }
  int GetWidth() const { return FWidth; }
  int GetHeight() const { return FHeight; }
  void SetLeft(int Value) { SetBounds(Value, FTop, FWidth, FHeight); }
  void SetTop(int Value) { SetBounds(FLeft, Value, FWidth, FHeight); }
  void SetWidth(int Value) { SetBounds(FLeft, FTop, Value, FHeight); }
  void SetHeight(int Value) { SetBounds(FLeft, FTop, FWidth, Value); }
  virtual void SetBounds(int ALeft, int ATop, int AWidth, int AHeight);
  TRect GetBoundsRect() const { return Bounds(FLeft, FTop, FWidth, FHeight); }
  void SetBoundsRect(const TRect& Rect) { SetBounds(Rect.Left, Rect.Top, Rect.Width(), Rect.Height()); }
  // The client area in the control's own coordinates.
  virtual TRect GetClientRect();
  int GetClientWidth() { return GetClientRect().Width(); }
  int GetClientHeight() { return GetClientRect().Height(); }
  void SetClientWidth(int Value);
  void SetClientHeight(int Value);
  // The screen point of the client area's top-left corner.
  virtual TPoint GetClientOrigin();
  TPoint ClientToScreen(const TPoint& Point);
  TPoint ScreenToClient(const TPoint& Point);

  bool GetVisible() const { return FVisible; }
  void SetVisible(bool Value);
  virtual void Show();
  virtual void Hide();
  virtual bool GetEnabled() const { return FEnabled; }
  virtual void SetEnabled(bool Value);

  // The caption (Text and Caption are the same): through WM_GETTEXT and WM_SETTEXT, so
  // a windowed control's text is its window's text.
  AnsiString GetText();
  void SetText(const AnsiString& Value);
  AnsiString GetCaption() { return GetText(); }
  void SetCaption(const AnsiString& Value) { SetText(Value); }

  TFont* GetFont() const { return FFont.get(); }
  void SetFont(TFont* Value) { FFont->Assign(Value); }
  bool GetParentFont() const { return FParentFont; }
  void SetParentFont(bool Value);
  TColor GetColor() const { return FColor; }
  void SetColor(TColor Value);
  bool GetParentColor() const { return FParentColor; }
  void SetParentColor(bool Value);
  TCursor GetCursor() const { return FCursor; }
  void SetCursor(TCursor Value);
  TCursor GetDragCursor() const { return FDragCursor; }
  void SetDragCursor(TCursor Value) { FDragCursor = Value; }
  AnsiString GetHint() const { return FHint; }
  void SetHint(const AnsiString& Value) { FHint = Value; }
  bool GetShowHint() const { return FShowHint; }
  void SetShowHint(bool Value);
  bool GetParentShowHint() const { return FParentShowHint; }
  void SetParentShowHint(bool Value);
  TPopupMenu* GetPopupMenu() const { return FPopupMenu; }
  void SetPopupMenu(TPopupMenu* Value);
  // The topic of the program's help that belongs to the control (0: none).
  int GetHelpContext() const { return FHelpContext; }
  void SetHelpContext(int Value) { FHelpContext = Value; }
  TBiDiMode GetBiDiMode() const { return FBiDiMode; }
  void SetBiDiMode(TBiDiMode Value);
  bool UseRightToLeftReading() const { return FBiDiMode != bdLeftToRight; }
  bool UseRightToLeftAlignment() const { return FBiDiMode == bdRightToLeft; }
  // DrawText flags for the control's text: the horizontal alignment of Flags mirrored
  // for right-to-left alignment, DT_RTLREADING added for right-to-left reading.
  uint32_t DrawTextBiDiModeFlags(uint32_t Flags) const;
  TBasicAction* GetAction() const;
  void SetAction(TBasicAction* Value);
  TBasicActionLink* GetActionLink() const { return FActionLink.get(); }

  TAlign GetAlign() const { return FAlign; }
  void SetAlign(TAlign Value);
  TAnchors GetAnchors() const { return FAnchors; }
  void SetAnchors(TAnchors Value);
  TSizeConstraints* GetConstraints() const { return FConstraints.get(); }
  bool GetAutoSize() const { return FAutoSize; }
  virtual void SetAutoSize(bool Value);
  TControlStyle GetControlStyle() const { return FControlStyle; }
  void SetControlStyle(TControlStyle Value) { FControlStyle = Value; }
  TControlState GetControlState() const { return FControlState; }
  void SetControlState(TControlState Value) { FControlState = Value; }
  bool GetMouseCapture();
  void SetMouseCapture(bool Value);

  // Painting.
  virtual void Invalidate();
  virtual void Repaint();
  void Refresh() { Repaint(); }
  virtual void Update();
  virtual void BringToFront();
  virtual void SendToBack();

  // Dragging (dmAutomatic starts a drag when the left button goes down on the control).
  TDragMode GetDragMode() const { return FDragMode; }
  void SetDragMode(TDragMode Value) { FDragMode = Value; }
  // Starts dragging at once, or once the mouse has moved Threshold pixels (-1: the
  // system's drag distance) with the button down.
  void BeginDrag(bool Immediate, int Threshold = -1);
  void EndDrag(bool Drop);
  bool Dragging() const;

  // Messages.
  TWndMethod WindowProc;
  NativeInt Perform(uint32_t Msg, NativeUInt WParam, NativeInt LParam);
  void Dispatch(TMessage& Message) override;
  void DefaultHandler(TMessage& Message) override;
  // Updates the action (at idle).
  virtual void InitiateAction();
  bool HasParent() const { return FParent != nullptr; }

  TNotifyEvent OnClick;
  TNotifyEvent OnDblClick;
  TMouseEvent OnMouseDown;
  TMouseMoveEvent OnMouseMove;
  TMouseEvent OnMouseUp;
  TMouseWheelEvent OnMouseWheel;
  TNotifyEvent OnResize;
  TCanResizeEvent OnCanResize;
  TConstrainedResizeEvent OnConstrainedResize;
  TDragOverEvent OnDragOver;
  TDragDropEvent OnDragDrop;
  TEndDragEvent OnEndDrag;
  TContextPopupEvent OnContextPopup;

 protected:
  friend class TWinControl;
  friend class TControlCanvas;
  friend class TApplication;
  friend void DragDone(bool Drop);

  virtual void WndProc(TMessage& Message);
  virtual void Click();
  virtual void DblClick();
  virtual void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y);
  virtual void MouseMove(TShiftState Shift, int X, int Y);
  virtual void MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y);
  virtual bool DoMouseWheel(TShiftState Shift, int WheelDelta, TPoint MousePos);
  virtual void Resize();
  virtual bool CanResize(int& NewWidth, int& NewHeight);
  virtual bool CanAutoSize(int& NewWidth, int& NewHeight);
  virtual void ConstrainedResize(int& MinWidth, int& MinHeight, int& MaxWidth, int& MaxHeight);
  // Limits a new size by CanResize, AutoSize and the constraints; false refuses it.
  bool CheckNewSize(int& NewWidth, int& NewHeight);
  // Asks the parent to realign its children.
  virtual void RequestAlign();
  // Makes an AutoSize control take its preferred size.
  virtual void AdjustSize();
  virtual void DoContextPopup(const TPoint& MousePos, bool& Handled);
  virtual void DragOver(TObject* Source, int X, int Y, TDragState State, bool& Accept);
  virtual void DragDrop(TObject* Source, int X, int Y);
  virtual void DoEndDrag(TObject* Target, int X, int Y);
  // The action changed: the control takes its caption, enabled state, hint and
  // visibility (at load time, CheckDefaults, only where the control still has its
  // defaults); subclasses take more (a check box its checked state).
  virtual void ActionChange(TObject* Sender, bool CheckDefaults);
  virtual TBasicActionLink* CreateActionLink() { return new TControlActionLink(this); }
  void Loaded() override;
  void Notification(TComponent* AComponent, TOperation Operation) override;
  // A context for drawing on the control outside painting: its window's, or its parent's
  // moved to the control and clipped.
  virtual HDC GetDeviceContext(HWND& WindowHandle);
  void InvalidateControl(bool IsVisible, bool IsOpaque);
  void SendCancelMode(TControl* Sender);
  // Called before Visible changes.
  virtual void VisibleChanging() {}
  virtual void SetZOrder(bool TopMost);
  void UpdateAnchorRules();
  // Sets the bounds as the window reports them, without moving anything.
  void UpdateBoundsRect(const TRect& R);
  virtual bool IsWindowed() const { return false; }

  // Handlers.
  void WMLButtonDown(TMessage& Message);
  void WMRButtonDown(TMessage& Message);
  void WMMButtonDown(TMessage& Message);
  void WMLButtonDblClk(TMessage& Message);
  void WMRButtonDblClk(TMessage& Message);
  void WMLButtonUp(TMessage& Message);
  void WMRButtonUp(TMessage& Message);
  void WMMButtonUp(TMessage& Message);
  void WMMouseMove(TMessage& Message);
  void WMCancelMode(TMessage& Message);
  void WMContextMenu(TMessage& Message);
  void WMWindowPosChanged(TMessage& Message);
  void CMVisibleChanged(TMessage& Message);
  void CMEnabledChanged(TMessage& Message);
  void CMFontChanged(TMessage& Message);
  void CMColorChanged(TMessage& Message);
  void CMParentFontChanged(TMessage& Message);
  void CMParentColorChanged(TMessage& Message);
  void CMParentShowHintChanged(TMessage& Message);
  void CMHitTest(TMessage& Message);
  void CMDrag(TMessage& Message);
  void CMMouseWheel(TMessage& Message);

  TWinControl* FParent = nullptr;
  int FLeft = 0;
  int FTop = 0;
  int FWidth = 0;
  int FHeight = 0;
  TControlStyle FControlStyle;
  TControlState FControlState;
  AnsiString FText;
  bool FVisible = true;
  bool FEnabled = true;
  std::unique_ptr<TFont> FFont;
  TColor FColor = clWindow;
  bool FParentFont = true;
  bool FParentColor = true;
  bool FAutoSize = false;

 private:
  void DoMouseDown(TMessage& Message, TMouseButton Button, TShiftState Shift);
  void DoMouseUp(TMessage& Message, TMouseButton Button);
  void FontChanged(TObject* Sender);
  void DoConstraintsChange(TObject* Sender);
  void DoActionChange(TObject* Sender);

  TCursor FCursor = crDefault;
  TCursor FDragCursor = crDrag;
  AnsiString FHint;
  bool FShowHint = false;
  bool FParentShowHint = true;
  TPopupMenu* FPopupMenu = nullptr;
  int FHelpContext = 0;
  TBiDiMode FBiDiMode = bdLeftToRight;
  std::unique_ptr<TBasicActionLink> FActionLink;
  TAlign FAlign = alNone;
  TAnchors FAnchors{akLeft, akTop};
  TPoint FAnchorRules;
  TPoint FOriginalParentSize;
  bool FAnchorMove = false;
  std::unique_ptr<TSizeConstraints> FConstraints;
  TDragMode FDragMode = dmManual;
  bool FDestroyed = false;
};

// ---------------------------------------------------------------------------------------
// TWinControl

// What CreateParams fills in for the window of a control.
struct TCreateParams {
  AnsiString Caption;
  DWORD Style = 0;
  DWORD ExStyle = 0;
  int X = 0;
  int Y = 0;
  int Width = 0;
  int Height = 0;
  HWND WndParent = nullptr;
  void* Param = nullptr;
  WNDCLASSA WindowClass = {};
  AnsiString WinClassName;
};

// A control with a window of its own; it holds other controls.
class TWinControl : public TControl {
 public:
  explicit TWinControl(TComponent* AOwner);
  ~TWinControl() override;
  void BeforeDestruction() override;

  // The window, made (with the parent's) when first asked for.
  HWND GetHandle();
  bool HandleAllocated() const { return FHandle != nullptr; }
  void HandleNeeded();
  // The window of a control placed on a window that is no framework control.
  HWND GetParentWindow() const { return FParentWindow; }
  void SetParentWindow(HWND Value);
  // Destroys the window and makes it again at once where it shows; the control keeps its
  // state. Safe inside the control's own message handlers.
  void RecreateWnd();
  // Whether the window shows (the control and every parent are visible).
  bool GetShowing() const { return FShowing; }

  // Children: graphic ones first, then windowed ones, each in the order they came.
  int GetControlCount() const;
  TControl* GetControl(int Index) const;
  void InsertControl(TControl* AControl);
  void RemoveControl(TControl* AControl);
  bool ContainsControl(TControl* Control) const;
  // The visible child at a client point (the topmost); AllowWinControls looks at windowed
  // children too.
  TControl* ControlAtPos(const TPoint& Pos, bool AllowDisabled, bool AllowWinControls = false);
  // Sends Message to every child until one answers (non-zero Result).
  void Broadcast(TMessage& Message);
  void NotifyControls(uint32_t Msg);

  // Alignment.
  void DisableAlign();
  void EnableAlign();
  void Realign();
  bool AlignDisabled() const { return FAlignLevel != 0; }
  // Moves the client area's contents (children and painting) by DeltaX, DeltaY.
  void ScrollBy(int DeltaX, int DeltaY);

  // Focus and tab order.
  virtual bool CanFocus();
  bool Focused() const;
  virtual void SetFocus();
  int GetTabOrder() const;
  void SetTabOrder(int Value);
  bool GetTabStop() const { return FTabStop; }
  void SetTabStop(bool Value);
  void GetTabOrderList(std::vector<TWinControl*>& List);
  TWinControl* FindNextControl(TWinControl* CurControl, bool GoForward, bool CheckTabStop,
                               bool CheckParent);
  void SelectNext(TWinControl* CurControl, bool GoForward, bool CheckTabStop);

  TBrush* GetBrush() const { return FBrush.get(); }
  bool GetDoubleBuffered() const { return FDoubleBuffered; }
  void SetDoubleBuffered(bool Value) { FDoubleBuffered = Value; }
  TRect GetClientRect() override;
  TPoint GetClientOrigin() override;
  void SetBounds(int ALeft, int ATop, int AWidth, int AHeight) override;
  void Invalidate() override;
  void Repaint() override;
  void Update() override;
  void SetParent(TWinControl* AParent) override;
  // Paints the graphic children from First on (all when nullptr) on DC.
  void PaintControls(HDC DC, TControl* First);
  // Paints the control as it shows into DC with the window's top-left corner at (X, Y),
  // under the paint-copy flag: its frame, background and painting, its windowless and
  // windowed children. Without children, only the background and the control's own
  // painting (what lies behind its children). Also for a control whose window is hidden.
  void PaintTo(HDC DC, int X, int Y, bool WithChildren = true);

  void Dispatch(TMessage& Message) override;
  void DefaultHandler(TMessage& Message) override;

  TNotifyEvent OnEnter;
  TNotifyEvent OnExit;
  TKeyEvent OnKeyDown;
  TKeyPressEvent OnKeyPress;
  TKeyEvent OnKeyUp;

 protected:
  friend class TControl;
  friend class TCustomForm;
  friend class TApplication;
  friend LRESULT CALLBACK InitWndProc(HWND Wnd, UINT Msg, WPARAM WParam, LPARAM LParam);

  void WndProc(TMessage& Message) override;
  bool IsWindowed() const override { return true; }
  virtual void CreateParams(TCreateParams& Params);
  // Makes the params' window class the control's own superclass of a native class
  // (EDIT, LISTBOX, SysListView32, ...): the control then sees its messages from the first.
  void CreateSubClass(TCreateParams& Params, const char* ControlClassName);
  virtual void CreateWnd();
  virtual void CreateWindowHandle(const TCreateParams& Params);
  virtual void DestroyWnd();
  virtual void DestroyWindowHandle();
  void CreateHandle();
  void DestroyHandle();
  void UpdateShowing();
  // Shows or hides the window as the control and its parents say (for a control on a
  // form, a foreign window or one of its own: a top-level popup).
  void UpdateControlState();
  // A top-level window that is no form (a menu's popup window, a hint): Visible, Show and
  // Hide show it without activating it and hide it.
  bool IsPopupWindow();
  void UpdateBounds();
  virtual void AlignControls(TControl* AControl, TRect& Rect);
  // The part of the client area children are aligned in (shrink it for borders).
  virtual void AdjustClientRect(TRect& Rect);
  void AlignControl(TControl* AControl);
  virtual void PaintWindow(HDC DC);
  void PaintHandler(TMessage& Message);
  // WM_PAINT of a window that paints itself (PaintWindow paints, children follow).
  void CustomPaint(TMessage& Message);
  bool IsControlMouseMsg(TMessage& Message);
  virtual void KeyDown(uint16_t& Key, TShiftState Shift);
  virtual void KeyUp(uint16_t& Key, TShiftState Shift);
  virtual void KeyPress(char& Key);
  bool DoKeyDown(TMessage& Message);
  bool DoKeyUp(TMessage& Message);
  // The key goes to the form first (KeyPreview), then to Handler; true when swallowed.
  bool DoKeyEvent(TMessage& Message, bool (TWinControl::*FormFirst)(TMessage&),
                  void (TWinControl::*Handler)(uint16_t&, TShiftState));
  bool DoKeyPress(TMessage& Message);
  virtual void DoEnter();
  virtual void DoExit();
  // Short cuts of popup menus up the parent chain, of the form and of the application.
  virtual bool IsMenuKey(TMessage& Message);
  void SetZOrder(bool TopMost) override;
  void RemoveFocus(bool Removing);
  HDC GetDeviceContext(HWND& WindowHandle) override;
  // The window the control's window goes after in the parent's z-order.
  HWND PrecedingWindow(TWinControl* Control);
  void DoFlipChildren() {}

  // Handlers.
  void WMPaint(TMessage& Message);
  void WMEraseBkgnd(TMessage& Message);
  void WMCommand(TMessage& Message);
  void WMNotify(TMessage& Message);
  void WMDrawItem(TMessage& Message);
  void WMMeasureItem(TMessage& Message);
  void WMCompareItem(TMessage& Message);
  void WMDeleteItem(TMessage& Message);
  void WMScroll(TMessage& Message);
  void WMSize(TMessage& Message);
  void WMMove(TMessage& Message);
  void WMWindowPosChanged(TMessage& Message);
  void WMWindowPosChanging(TMessage& Message);
  void WMSetCursor(TMessage& Message);
  void WMKeyDown(TMessage& Message);
  void WMKeyUp(TMessage& Message);
  void WMChar(TMessage& Message);
  void WMNCDestroy(TMessage& Message);
  void WMKillFocus(TMessage& Message);
  void WMContextMenu(TMessage& Message);
  void WMMouseWheel(TMessage& Message);
  void CNKeyDown(TMessage& Message);
  void CNKeyUp(TMessage& Message);
  void CNChar(TMessage& Message);
  void CNSysKeyDown(TMessage& Message);
  void CNSysChar(TMessage& Message);
  void CMShowingChanged(TMessage& Message);
  void CMVisibleChanged(TMessage& Message);
  void CMEnabledChanged(TMessage& Message);
  void CMFontChanged(TMessage& Message);
  void CMColorChanged(TMessage& Message);
  void CMDialogKey(TMessage& Message);
  void CMDialogChar(TMessage& Message);
  void CMFocusChanged(TMessage& Message);
  void CMEnter(TMessage& Message);
  void CMExit(TMessage& Message);
  void CMRecreateWnd(TMessage& Message);
  void CMChildKey(TMessage& Message);
  void CMCursorChanged(TMessage& Message);
  void CMInvalidate(TMessage& Message);

  HWND FHandle = nullptr;
  WNDPROC FDefWndProc = nullptr;
  bool FShowing = false;

 private:
  friend void RunNativeMessage(TWinControl* Control, HWND Wnd, TMessage& Message);
  void Insert(TControl* AControl);
  void Remove(TControl* AControl);

  HWND FParentWindow = nullptr;
  std::unique_ptr<TBrush> FBrush;
  std::vector<TControl*> FControls;     // graphic children
  std::vector<TWinControl*> FWinControls;
  std::vector<TWinControl*> FTabList;
  bool FTabStop = false;
  bool FTearingDown = false;
  int FAlignLevel = 0;
  bool FDoubleBuffered = false;
  int FChildId = 0;
};

// ---------------------------------------------------------------------------------------
// TGraphicControl, TCustomControl

// A control without a window: its parent paints it (WM_PAINT with a context in WParam)
// and hands it its mouse messages.
class TGraphicControl : public TControl {
 public:
  explicit TGraphicControl(TComponent* AOwner);
  ~TGraphicControl() override;
  TCanvas* GetCanvas() const { return FCanvas.get(); }
  void Dispatch(TMessage& Message) override;

 protected:
  virtual void Paint() {}
  void WMPaint(TMessage& Message);

 private:
  std::unique_ptr<TControlCanvas> FCanvas;
};

// A windowed control that paints itself on its Canvas in Paint.
class TCustomControl : public TWinControl {
 public:
  explicit TCustomControl(TComponent* AOwner);
  ~TCustomControl() override;
  TCanvas* GetCanvas() const { return FCanvas.get(); }
  void Dispatch(TMessage& Message) override;

 protected:
  virtual void Paint() {}
  void PaintWindow(HDC DC) override;
  void WMPaint(TMessage& Message);

 private:
  std::unique_ptr<TControlCanvas> FCanvas;
};

// ---------------------------------------------------------------------------------------
// THintWindow

// The window a hint shows in. The application makes it of its HintWindowClass; a subclass
// draws hints its own way by overriding ActivateHint, CalcHintRect and Paint.
class THintWindow : public TCustomControl {
 public:
  explicit THintWindow(TComponent* AOwner);
  // Shows Hint in Rect (screen coordinates), on top, without activating.
  virtual void ActivateHint(TRect Rect, const AnsiString& AHint);
  virtual void ActivateHintData(const TRect& Rect, const AnsiString& AHint, void* AData);
  // The size the hint needs, as a rectangle at (0, 0).
  virtual TRect CalcHintRect(int MaxWidth, const AnsiString& AHint, void* AData);
  // Whether the message (keys, clicks, activation) ends the hint.
  virtual bool IsHintMsg(const MSG& Msg);
  void ReleaseHandle();

 protected:
  void CreateParams(TCreateParams& Params) override;
  void Paint() override;
};

using THintWindowClass = THintWindow* (*)(TComponent* AOwner);
template <class T>
THintWindow* HintWindowOf(TComponent* AOwner) {
  return new T(AOwner);
}

// ---------------------------------------------------------------------------------------
// Windows without a control

// Replaces the window procedure of a window that has no control (the edit and list of a
// combo box, the header of a list view, an MDI client): every message goes to WindowProc,
// whose default passes it on (CallDefault). Hooks on one window stack: the newest sees a
// message first and passes it to the one hooked before it, the oldest to the window's own
// procedure; any of them may be destroyed at any time, and when the last goes the window
// has its own procedure back. The hooks let go when the window goes.
class TWindowProcHook {
 public:
  explicit TWindowProcHook(HWND Wnd);
  ~TWindowProcHook();
  TWindowProcHook(const TWindowProcHook&) = delete;
  TWindowProcHook& operator=(const TWindowProcHook&) = delete;
  HWND GetHandle() const { return FWnd; }
  void CallDefault(TMessage& Message);
  TWndMethod WindowProc;

 private:
  static LRESULT CALLBACK HookProc(HWND Wnd, UINT Msg, WPARAM WParam, LPARAM LParam);
  HWND FWnd;
  WNDPROC FNativeProc = nullptr;  // used once the window's chain is gone
};

// A hidden top-level window of the program's own, whose messages go to Method (what Method
// does not answer it passes to DefWindowProc itself); being top-level, it also gets the
// messages sent to every top-level window (the taskbar's "TaskbarCreated"). An exception
// Method raises is reported by the application. DeallocateHWnd destroys the window; it may
// be called from inside Method.
HWND AllocateHWnd(const TWndMethod& Method);
void DeallocateHWnd(HWND Wnd);

// ---------------------------------------------------------------------------------------
// Finding controls

// The control whose window this is, or nullptr.
TWinControl* FindControl(HWND Handle);
// The control of the window at a screen point (or of its nearest ancestor with one).
TWinControl* FindVCLWindow(const TPoint& Pos);
// The deepest control at a screen point: windowed, windowless, and with AllowDisabled
// disabled ones too.
TControl* FindDragTarget(const TPoint& Pos, bool AllowDisabled);
// The control that has the mouse captured (a windowless one through its parent).
TControl* GetCaptureControl();
void SetCaptureControl(TControl* Control);
// The form a control lies on, or nullptr.
TCustomForm* GetParentForm(TControl* Control);
// As GetParentForm; raises EInvalidOperation "Control '%s' has no parent window" when none.
TCustomForm* ValidParentForm(TControl* Control);
// Whether the window is a framework control's.
bool IsVCLControl(HWND Handle);
