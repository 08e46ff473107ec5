// Extra controls: the timer, panels, bevels, the image control, and plain controls that
// stand in for skinned ones until those exist: a speed button with groups, a slider and a
// spin edit. The stand-ins follow the value, clamping and event rules the program's
// property binding relies on; those rules stay the same when the skinned controls take
// their place.
#pragma once

#include <memory>

#include "framework/Controls.h"
#include "framework/ImgList.h"
#include "framework/StdCtrls.h"

// ---------------------------------------------------------------------------------------
// TTimer

// Runs OnTimer every Interval milliseconds while Enabled, from the message loop (a timer
// message of the thread: nothing fires while messages are not handled). The timer may be
// disabled or freed inside its own OnTimer.
class TTimer : public TComponent {
 public:
  explicit TTimer(TComponent* AOwner);
  ~TTimer() override;
  void BeforeDestruction() override;
  bool GetEnabled() const { return FEnabled; }
  void SetEnabled(bool Value);
  // Milliseconds; 0 stops the timer.
  unsigned GetInterval() const { return FInterval; }
  void SetInterval(unsigned Value);
  TNotifyEvent OnTimer;

 protected:
  friend struct TTimerWindow;
  virtual void Timer();

 private:
  void UpdateTimer();
  UINT_PTR FId = 0;
  bool FRunning = false;
  bool FEnabled = true;
  unsigned FInterval = 1000;
};

// ---------------------------------------------------------------------------------------
// Panels and bevels

enum TBevelCut { bvNone, bvLowered, bvRaised, bvSpace };
using TBevelWidth = int;

// A container with a raised or lowered edge (outer and inner bevels around a border) and
// a caption in its middle; its children are aligned inside the edges.
class TCustomPanel : public TCustomControl {
 public:
  explicit TCustomPanel(TComponent* AOwner);
  void PublishProperties(TPropList& Props) const override;
  TAlignment GetAlignment() const { return FAlignment; }
  void SetAlignment(TAlignment Value);
  TBevelCut GetBevelInner() const { return FBevelInner; }
  void SetBevelInner(TBevelCut Value);
  TBevelCut GetBevelOuter() const { return FBevelOuter; }
  void SetBevelOuter(TBevelCut Value);
  int GetBevelWidth() const { return FBevelWidth; }
  void SetBevelWidth(int Value);
  int GetBorderWidth() const { return FBorderWidth; }
  void SetBorderWidth(int Value);
  TBorderStyle GetBorderStyle() const { return FBorderStyle; }
  void SetBorderStyle(TBorderStyle Value);
  void Dispatch(TMessage& Message) override;

 protected:
  void CreateParams(TCreateParams& Params) override;
  void AdjustClientRect(TRect& Rect) override;
  void Paint() override;

 private:
  void EdgesChanged();
  TAlignment FAlignment = taCenter;
  TBevelCut FBevelInner = bvNone;
  TBevelCut FBevelOuter = bvRaised;
  int FBevelWidth = 1;
  int FBorderWidth = 0;
  TBorderStyle FBorderStyle = bsNone;
};

class TPanel : public TCustomPanel {
 public:
  explicit TPanel(TComponent* AOwner) : TCustomPanel(AOwner) {}
};

enum TBevelShape { bsBox, bsFrame, bsTopLine, bsBottomLine, bsLeftLine, bsRightLine, bsSpacer };
enum TBevelStyle { bsLowered, bsRaised };

// A box, frame or line drawn in the button shadow and highlight colours.
class TBevel : public TGraphicControl {
 public:
  explicit TBevel(TComponent* AOwner);
  TBevelShape GetShape() const { return FShape; }
  void SetShape(TBevelShape Value);
  TBevelStyle GetStyle() const { return FStyle; }
  void SetStyle(TBevelStyle Value);

 protected:
  void Paint() override;

 private:
  TBevelShape FShape = bsBox;
  TBevelStyle FStyle = bsLowered;
};

// Shows a picture: at its own size from the top-left corner, or centred, stretched over
// the control, or scaled to fit it keeping its proportions.
class TImage : public TGraphicControl {
 public:
  explicit TImage(TComponent* AOwner);
  ~TImage() override;

  TPicture* GetPicture() const { return FPicture.get(); }
  void SetPicture(TPicture* Value) { FPicture->Assign(Value); }
  // The canvas of the picture's bitmap (an empty picture gets a bitmap of the control's
  // size). Raises EInvalidOperation "Can only modify an image if it contains a bitmap"
  // when the picture holds another kind of graphic.
  TCanvas* GetCanvas();
  bool GetStretch() const { return FStretch; }
  void SetStretch(bool Value);
  bool GetCenter() const { return FCenter; }
  void SetCenter(bool Value);
  // Pictures larger than the control are scaled down to fit, keeping their proportions.
  bool GetProportional() const { return FProportional; }
  void SetProportional(bool Value);
  bool GetTransparent() const { return FTransparent; }
  void SetTransparent(bool Value);
  // Where the picture is drawn in the control.
  TRect DestRect();

 protected:
  void Paint() override;
  bool CanAutoSize(int& NewWidth, int& NewHeight) override;
  void PictureChanged(TObject* Sender);

 private:
  std::unique_ptr<TPicture> FPicture;
  bool FStretch = false;
  bool FCenter = false;
  bool FProportional = false;
  bool FTransparent = false;
  bool FDrawing = false;
};

// ---------------------------------------------------------------------------------------
// Stand-ins of skinned controls

// A button without a window that shows a picture of an image list and, optionally, its
// caption. Buttons of one parent with the same non-zero GroupIndex are a group: setting
// one down (while AllowAllUp is off) puts the others up. A press puts an up button down
// (a group button clicks at once); the release over the button puts a button of no group
// up again and clicks it; a group button that was down at the press goes up and clicks
// only with AllowAllUp.
class TSpeedButton : public TGraphicControl {
 public:
  explicit TSpeedButton(TComponent* AOwner);
  void PublishProperties(TPropList& Props) const override;
  bool GetDown() const { return FDown; }
  void SetDown(bool Value);
  int GetGroupIndex() const { return FGroupIndex; }
  void SetGroupIndex(int Value) { FGroupIndex = Value; }
  bool GetAllowAllUp() const { return FAllowAllUp; }
  void SetAllowAllUp(bool Value) { FAllowAllUp = Value; }
  bool GetFlat() const { return FFlat; }
  void SetFlat(bool Value);
  TCustomImageList* GetImageList() const { return FImageList; }
  void SetImageList(TCustomImageList* Value);
  int GetImageIndex() const { return FImageIndex; }
  // Stores the index; repaints when the button has an image list.
  void SetImageIndex(int Value);
  bool GetShowCaption() const { return FShowCaption; }
  void SetShowCaption(bool Value);
  bool GetHot() const { return FHot; }
  void Dispatch(TMessage& Message) override;

 protected:
  // The button's click: OnClick, else the action.
  virtual void ButtonClick();
  void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override;
  void MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) override;
  void Paint() override;
  void Notification(TComponent* AComponent, TOperation Operation) override;

 private:
  bool FDown = false;
  int FGroupIndex = 0;
  bool FAllowAllUp = false;
  bool FFlat = false;
  TCustomImageList* FImageList = nullptr;
  int FImageIndex = -1;
  bool FShowCaption = true;
  bool FHot = false;
  bool FWasDown = false;
};

enum TSliderOrientation { soHorizontal, soVertical };

// A thumb on a ruler for a whole number between MinValue and MaxValue. Setting Value
// brings it into the range and fires OnChange when it changed; a new maximum (or minimum)
// brings the value into the new range; Increment (ignored when not positive) is the step
// of the keys and of presses on the ruler. Dragging the thumb fires OnChange on every
// change and OnChanged at the release; keys and ruler presses fire OnChanged after their
// step.
class TSlider : public TCustomControl {
 public:
  explicit TSlider(TComponent* AOwner);
  int GetMinValue() const { return FMinValue; }
  void SetMinValue(int Value);
  int GetMaxValue() const { return FMaxValue; }
  void SetMaxValue(int Value);
  int GetIncrement() const { return FIncrement; }
  void SetIncrement(int Value);
  int GetValue() const { return FValue; }
  void SetValue(int Value);
  TSliderOrientation GetOrientation() const { return FOrientation; }
  void SetOrientation(TSliderOrientation Value);
  // The thumb's rectangle in the control.
  TRect ThumbRect() const;
  // The thumb's offset along the ruler for a value, and the value of an offset.
  int ValueToOffset(int Value) const;
  int OffsetToValue(int Offset) const;
  void Dispatch(TMessage& Message) override;

  TNotifyEvent OnChange;
  TNotifyEvent OnChanged;

 protected:
  virtual void Change();
  virtual void Changed();
  void Paint() override;
  void KeyDown(uint16_t& Key, TShiftState Shift) override;
  void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override;
  void MouseMove(TShiftState Shift, int X, int Y) override;
  void MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) override;
  // Steps: 1 to the minimum, 2 to the maximum, 3 up and 4 down by Increment (to a
  // multiple of Increment counted from 0).
  void ChangeValue(int Kind);

 private:
  int RulerLength() const;
  int JumpKind(int X, int Y) const;
  void StopTracking();
  int FMinValue = 0;
  int FMaxValue = 100;
  int FIncrement = 10;
  int FValue = 0;
  TSliderOrientation FOrientation = soHorizontal;
  bool FThumbTracking = false;
  bool FRulerTracking = false;
  int FHitOffset = 0;
  TPoint FTrackPoint;
  int FJumpKind = 0;
  bool FTimer = false;
};

enum TValueType { vtInteger, vtFloat };

class TSpinEdit;

// The edit inside a spin edit: Up and Down and the mouse wheel step the value; it takes
// digits, a minus sign and (for floating-point values) the decimal separator.
class TSpinInnerEdit : public TCustomEdit {
 public:
  explicit TSpinInnerEdit(TSpinEdit* AOwner);
  void Dispatch(TMessage& Message) override;

 protected:
  void KeyDown(uint16_t& Key, TShiftState Shift) override;
  void KeyPress(char& Key) override;

 private:
  TSpinEdit* FSpin;
};

// A number with up and down buttons. SetValue brings the value into MinValue..MaxValue
// (both 0: no limits), shows it (rounded half to even for whole numbers, with Decimal
// places otherwise) and fires OnChange, also when it did not change; a SetValue inside
// OnChange rewrites the text only. Typed text that is a number sets the value (brought
// into the range; the text is replaced at once when the range brought it nearer to zero)
// and fires OnChange when the value changed; leaving the field shows the value. A button
// steps by Increment when released over it, and repeats while held.
class TSpinEdit : public TCustomControl {
 public:
  explicit TSpinEdit(TComponent* AOwner);
  double GetValue() const { return FValue; }
  void SetValue(double Value);
  double GetMinValue() const { return FMinValue; }
  void SetMinValue(double Value);
  double GetMaxValue() const { return FMaxValue; }
  void SetMaxValue(double Value);
  double GetIncrement() const { return FIncrement; }
  void SetIncrement(double Value) { FIncrement = Value; }
  TValueType GetValueType() const { return FValueType; }
  void SetValueType(TValueType Value);
  int GetDecimal() const { return FDecimal; }
  void SetDecimal(int Value) { FDecimal = std::max(0, std::min(Value, 15)); }
  TSpinInnerEdit* GetEditor() const { return FEdit; }
  // The value brought into the range, and the text of a value.
  double CheckValue(double Value) const;
  AnsiString ValueText(double Value) const;
  // Whether the text is a number the edit takes.
  bool IsNumText(const AnsiString& Text) const;
  void UpClick();
  void DownClick();
  void Dispatch(TMessage& Message) override;

  TNotifyEvent OnChange;
  TNotifyEvent OnUpButtonClick;
  TNotifyEvent OnDownButtonClick;

 protected:
  virtual void Change();
  void Paint() override;
  void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override;
  void MouseMove(TShiftState Shift, int X, int Y) override;
  void MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) override;

 private:
  friend class TSpinInnerEdit;
  void EditChange(TObject* Sender);
  void EditExit(TObject* Sender);
  void TextChanged();
  void AdjustEditorPosition();
  void TestActive(int X, int Y);
  void ButtonDown(int Index);
  void ButtonUp(int Index);
  void ButtonEnter(int Index);
  void ButtonLeave(int Index);
  void StopRepeat();

  TSpinInnerEdit* FEdit;
  double FValue = 0;
  double FMinValue = 0;
  double FMaxValue = 0;
  double FIncrement = 1;
  TValueType FValueType = vtInteger;
  int FDecimal = 2;
  bool FChanging = false;
  bool FTextFromEdit = false;
  struct TSpinButton {
    TRect Rect;
    bool MouseIn = false;
    bool Down = false;
  } FButtons[2];
  int FActiveButton = -1;
  int FCapturedButton = -1;
  int FTimerMode = 0;  // 1 stepping down, 2 stepping up
  bool FFirstTick = false;
};
