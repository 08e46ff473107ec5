// Scopes: what a block takes and must give back on every way out, an exception included.
// A window's paint context, a device context's saved state, an object selected into a
// context, a variable or a flag set for the block, a counter raised for it.
//
//   TPaintDC paint(Handle);                        // BeginPaint ... EndPaint
//   TSavedDC saved(paint.GetDC());                 // SaveDC ... RestoreDC
//   TSelectedObject font(dc, FontHandle);          // SelectObject ... the old one back
//   TControlStateScope copy(Control, csPaintCopy); // the flag set, then as it was
#pragma once

#include "framework/Controls.h"

// The paint context of a window's WM_PAINT (BeginPaint), given back with EndPaint.
class TPaintDC {
 public:
  explicit TPaintDC(HWND Wnd) : FWnd(Wnd) { FDC = BeginPaint(Wnd, &FPaint); }
  ~TPaintDC() { EndPaint(FWnd, &FPaint); }
  TPaintDC(const TPaintDC&) = delete;
  TPaintDC& operator=(const TPaintDC&) = delete;
  HDC GetDC() const { return FDC; }
  const PAINTSTRUCT& GetPaintStruct() const { return FPaint; }
  // The part of the window to paint.
  const RECT& GetPaintRect() const { return FPaint.rcPaint; }

 private:
  HWND FWnd;
  HDC FDC = nullptr;
  PAINTSTRUCT FPaint = {};
};

// A device context's state (origin, clipping, selected objects, modes), saved now and
// restored with the object.
class TSavedDC {
 public:
  explicit TSavedDC(HDC DC) : FDC(DC), FSaved(SaveDC(DC)) {}
  ~TSavedDC() {
    if (FSaved != 0) RestoreDC(FDC, FSaved);
  }
  TSavedDC(const TSavedDC&) = delete;
  TSavedDC& operator=(const TSavedDC&) = delete;

 private:
  HDC FDC;
  int FSaved;
};

// An object selected into a device context; the object it replaced is selected again with
// the scope (so that the object can be deleted afterwards).
class TSelectedObject {
 public:
  TSelectedObject(HDC DC, HGDIOBJ Object) : FDC(DC), FOld(SelectObject(DC, Object)) {}
  ~TSelectedObject() {
    if (FOld && FOld != HGDI_ERROR) SelectObject(FDC, FOld);
  }
  TSelectedObject(const TSelectedObject&) = delete;
  TSelectedObject& operator=(const TSelectedObject&) = delete;

 private:
  HDC FDC;
  HGDIOBJ FOld;
};

// A variable set to Value for the block; its old value back afterwards.
template <class T>
class TValueScope {
 public:
  TValueScope(T& Variable, T Value) : FVariable(Variable), FSaved(Variable) { FVariable = Value; }
  ~TValueScope() { FVariable = FSaved; }
  TValueScope(const TValueScope&) = delete;
  TValueScope& operator=(const TValueScope&) = delete;

 private:
  T& FVariable;
  T FSaved;
};

// A flag set for the block (a guard against re-entry, "updating", "loading"); its old value
// back afterwards.
class TFlagScope : public TValueScope<bool> {
 public:
  explicit TFlagScope(bool& Flag, bool Value = true) : TValueScope<bool>(Flag, Value) {}
};

// A counter raised by one for the block (how deep a handler runs in itself).
class TDepthScope {
 public:
  explicit TDepthScope(int& Depth) : FDepth(Depth) { ++FDepth; }
  ~TDepthScope() { --FDepth; }
  TDepthScope(const TDepthScope&) = delete;
  TDepthScope& operator=(const TDepthScope&) = delete;

 private:
  int& FDepth;
};

// A flag of a state set (a control's ControlState, a form's FormState) included for the
// block; afterwards the flag is as it was before (excluded unless an outer block set it).
template <class TState, class TFlag>
class TStateScope {
 public:
  TStateScope(TState& State, TFlag Flag) : FState(State), FFlag(Flag), FWasIn(State.Contains(Flag)) {
    FState.Include(FFlag);
  }
  ~TStateScope() {
    if (!FWasIn) FState.Exclude(FFlag);
  }
  TStateScope(const TStateScope&) = delete;
  TStateScope& operator=(const TStateScope&) = delete;

 private:
  TState& FState;
  TFlag FFlag;
  bool FWasIn;
};

// A flag of a control's ControlState set for the block and afterwards as it was before,
// through the control's public state (for code outside the control classes).
class TControlStateScope {
 public:
  TControlStateScope(TControl* Control, TControlStateFlag Flag)
      : FControl(Control), FFlag(Flag), FWasIn(Control->GetControlState().Contains(Flag)) {
    Set(true);
  }
  ~TControlStateScope() {
    if (!FWasIn) Set(false);
  }
  TControlStateScope(const TControlStateScope&) = delete;
  TControlStateScope& operator=(const TControlStateScope&) = delete;

 private:
  void Set(bool On) {
    TControlState state = FControl->GetControlState();
    if (On)
      state.Include(FFlag);
    else
      state.Exclude(FFlag);
    FControl->SetControlState(state);
  }
  TControl* FControl;
  TControlStateFlag FFlag;
  bool FWasIn;
};
