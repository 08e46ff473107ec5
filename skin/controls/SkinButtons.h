// Unit SkinCtrls, the skinned push button: five pictures of its record (normal, active,
// down, focused, disabled), a fade between the normal and the active picture while the
// pointer or the focus comes and goes (or a strip of animation frames instead), repeated
// clicks while held, the dialog's default and cancel button, groups of buttons of which one
// stays down, and a glyph or an image-list image with the caption in one of four layouts.
#pragma once

#include <functional>
#include <memory>

#include "framework/ExtCtrls.h"
#include "framework/ImgList.h"
#include "skin/controls/SkinControl.h"
#include "skin/data/SkinLayout.h"

// The paint hook of a button: called with the canvas of the button's image, the text
// rectangle and the state; clearing DrawDefault leaves the image without caption or glyph.
using TspButtonPaintEvent = std::function<void(TObject* Sender, TCanvas* Cnvs, const TRect& R,
                                               bool ADown, bool AMouseIn, bool& DrawDefault)>;

class TspSkinButton : public TspSkinCustomControl {
 public:
  explicit TspSkinButton(TComponent* AOwner);
  ~TspSkinButton() override;
  void Dispatch(TMessage& Message) override;
  void GetSkinData() override;
  void ChangeSkinData() override;
  void CalcSize(int& W, int& H) override;

  TCustomImageList* GetImageList() const { return FImageList; }
  void SetImageList(TCustomImageList* Value);
  int GetImageIndex() const { return FImageIndex; }
  void SetImageIndex(int Value);
  bool GetUseSkinSize() const { return FUseSkinSize; }
  void SetUseSkinSize(bool Value) { FUseSkinSize = Value; }
  bool GetUseSkinFontColor() const { return FUseSkinFontColor; }
  void SetUseSkinFontColor(bool Value) { FUseSkinFontColor = Value; }
  bool GetRepeatMode() const { return FRepeatMode; }
  void SetRepeatMode(bool Value) { FRepeatMode = Value; }
  int GetRepeatInterval() const { return FRepeatInterval; }
  void SetRepeatInterval(int Value) { FRepeatInterval = Value; }
  bool GetAllowAllUp() const { return FAllowAllUp; }
  void SetAllowAllUp(bool Value) { FAllowAllUp = Value; }
  bool GetCancel() const { return FCancel; }
  void SetCancel(bool Value) { FCancel = Value; }
  TModalResult GetModalResult() const { return FModalResult; }
  void SetModalResult(TModalResult Value) { FModalResult = Value; }
  bool GetCanFocused() const { return FCanFocused; }
  // Stores and sets TabStop to the value.
  void SetCanFocused(bool Value);
  bool GetDown() const { return FDown; }
  void SetDown(bool Value);
  int GetGroupIndex() const { return FGroupIndex; }
  // A group button cannot take the focus: a non-zero value also clears CanFocused.
  void SetGroupIndex(int Value);
  TBitmap* GetGlyph() const { return FGlyph.get(); }
  void SetGlyph(TBitmap* Value);
  int GetNumGlyphs() const { return FNumGlyphs; }
  void SetNumGlyphs(int Value);
  int GetMargin() const { return FMargin; }
  void SetMargin(int Value);
  int GetSpacing() const { return FSpacing; }
  void SetSpacing(int Value);
  TspButtonLayout GetLayout() const { return FLayout; }
  void SetLayout(TspButtonLayout Value);
  bool GetDefault() const { return FDefault; }
  void SetDefault(bool Value);

  // State, for the form frame and the tests.
  bool GetHot() const { return FHot; }
  bool GetActiveDefault() const { return FActiveDefault; }
  double GetMorphFactor() const { return FMorphFactor; }
  bool MorphTimerRunning() const { return FMorphTimer != nullptr; }
  bool RepeatTimerRunning() const { return FRepeatTimer != nullptr; }
  bool AnimationRunning() const { return FAnimateTimer != nullptr; }
  int GetAnimationFrame() const { return FAnimateFrame; }

  // The click of the button: the form's ModalResult, then OnClick or the action.
  virtual void ButtonClick();

  TspButtonPaintEvent OnPaint;

 protected:
  void Notification(TComponent* AComponent, TOperation Operation) override;
  void CreateWnd() override;
  void Paint() override;
  void CreateControlDefaultImage(TBitmap* B) override;
  void CreateControlSkinImage(TBitmap* B) override {}
  // The image of the picture R of the record with the caption and glyph in the state.
  virtual void CreateButtonImage(TBitmap* B, const TRect& R, bool ADown, bool AMouseIn);
  void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override;
  void MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) override;
  // Clicks come only from ButtonClick.
  void Click() override {}
  void ActionChange(TObject* Sender, bool CheckDefaults) override;

 private:
  bool MorphingEnabled() const;
  bool EffectsEnabled() const;
  bool IsFocusedButton();
  // The down look's condition: down, and a group button, or hot, or focused and not
  // pressed.
  bool ShowsDown();
  int GlyphNumber(bool ADown, bool AMouseIn) const;
  void DrawContent(TCanvas* Canvas, const TRect& R, bool Pressed, int GlyphNum);
  void UpdateHotLook();
  void MorphTick();
  void StopMorph();
  void StartAnimation(bool Forward);
  void StopAnimation();
  void AnimationTick();
  bool CanAnimate();
  void StartRepeat();
  void StopRepeat();
  void MouseEnter();
  void MouseLeave();
  // Whether an enter or a leave changes the look.
  bool LookFollowsHot();
  void FocusChanged(TWinControl* Focused);
  void DialogKey(TMessage& Message);

  std::unique_ptr<TTimer> FAnimateTimer;
  int FAnimateFrame = 0;
  bool FAnimateForward = true;
  bool FUseSkinFontColor = true;
  bool FUseSkinSize = true;
  std::unique_ptr<TTimer> FRepeatTimer;
  bool FRepeatMode = false;
  int FRepeatInterval = 100;
  bool FActiveDefault = false;
  bool FAllowAllUp = false;
  bool FWasDown = false;
  bool FDefault = false;
  bool FCancel = false;
  TModalResult FModalResult = mrNone;
  bool FFocusing = false;
  bool FCanFocused = true;
  double FMorphFactor = 0;
  bool FDown = false;
  bool FHot = false;
  bool FPressed = false;
  int FGroupIndex = 0;
  std::unique_ptr<TBitmap> FGlyph;
  int FNumGlyphs = 1;
  int FMargin = -1;
  int FSpacing = 1;
  TspButtonLayout FLayout = blGlyphLeft;
  std::unique_ptr<TTimer> FMorphTimer;
  TCustomImageList* FImageList = nullptr;
  int FImageIndex = -1;

  // Values of the record.
  AnsiString FFontName = "Arial";
  TFontStyles FFontStyle;
  int FFontHeight = 14;
  TColor FFontColor = 0;
  TColor FActiveFontColor = 0;
  TColor FDownFontColor = 0;
  TColor FDisabledFontColor = 0;
  TRect FActiveSkinRect;
  TRect FDownSkinRect;
  TRect FDisabledSkinRect;
  TRect FFocusedSkinRect;
  TRect FAnimateSkinRect;
  bool FMorphing = false;
  int FMorphKind = 0;
  int FFrameCount = 0;
  int FFrameInterval = 25;
  bool FShowFocus = false;
};
