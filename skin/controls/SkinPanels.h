// Unit SkinCtrls, the skinned containers: the panel (a nine-part surface, or a caption
// band with a check box that enables its children and a roll-up arrow that folds it to its
// band, a group look over the parent's background, a tiled or stretched background
// picture), the status bar with its size grip, and the tool bar that centres its children
// and scrolls an overflowing row with two buttons in its own non-client area.
#pragma once

#include "framework/ImgList.h"
#include "skin/controls/SkinControl.h"

enum TspImagePosition { spipDefault, spipLeft };
// The frame of a panel drawn without a skin.
enum class TspSkinBorderStyle { bvFrame, bvRaised, bvLowered, bvNone };

// ---------------------------------------------------------------------------------------
// TspSkinPanel

class TspSkinPanel : public TspSkinCustomControl {
 public:
  explicit TspSkinPanel(TComponent* AOwner);
  ~TspSkinPanel() override;
  void Dispatch(TMessage& Message) override;
  void SetBounds(int ALeft, int ATop, int AWidth, int AHeight) override;
  void GetSkinData() override;
  void ChangeSkinData() override;
  void SetAlphaBlend(bool Value) override;
  void SetAlphaBlendValue(uint8_t Value) override;
  // Rect(0, 0, Width, Height) passed through AdjustClientRect.
  TRect GetAdjustedClientRect();

  TspImagePosition GetImagePosition() const { return FImagePosition; }
  void SetImagePosition(TspImagePosition Value);
  bool GetTransparentMode() const { return FTransparentMode; }
  void SetTransparentMode(bool Value);
  TCustomImageList* GetCaptionImageList() const { return FCaptionImageList; }
  void SetCaptionImageList(TCustomImageList* Value);
  int GetCaptionImageIndex() const { return FCaptionImageIndex; }
  void SetCaptionImageIndex(int Value);
  int GetRealHeight() const { return FRealHeight; }
  void SetRealHeight(int Value) { FRealHeight = Value; }
  bool GetAutoEnabledControls() const { return FAutoEnabledControls; }
  void SetAutoEnabledControls(bool Value) { FAutoEnabledControls = Value; }
  bool GetCheckedMode() const { return FCheckedMode; }
  void SetCheckedMode(bool Value);
  bool GetChecked() const { return FChecked; }
  void SetChecked(bool Value);
  TBitmap* GetGlyph() const { return FGlyph.get(); }
  void SetGlyph(TBitmap* Value);
  int GetNumGlyphs() const { return FNumGlyphs; }
  void SetNumGlyphs(int Value);
  int GetSpacing() const { return FSpacing; }
  void SetSpacing(int Value);
  TAlignment GetDefaultAlignment() const { return FDefaultAlignment; }
  void SetDefaultAlignment(TAlignment Value);
  int GetDefaultCaptionHeight() const { return FDefaultCaptionHeight; }
  virtual void SetDefaultCaptionHeight(int Value);
  TspSkinBorderStyle GetBorderStyle() const { return FBorderStyle; }
  void SetBorderStyle(TspSkinBorderStyle Value);
  bool GetCaptionMode() const { return FCaptionMode; }
  virtual void SetCaptionMode(bool Value);
  bool GetRollUpMode() const { return FRollUpMode; }
  void SetRollUpMode(bool Value);
  bool GetRollUpState() const { return FRollUpState; }
  void SetRollUpState(bool Value);
  // The caption's hit rectangle as the last paint placed it.
  TRect GetCaptionHitRect() const { return FCaptionRect; }

  TNotifyEvent OnChecked;
  TNotifyEvent OnChangeRollUpState;

 protected:
  void Notification(TComponent* AComponent, TOperation Operation) override;
  bool CanAutoSize(int& NewWidth, int& NewHeight) override;
  void AdjustClientRect(TRect& Rect) override;
  void CreateParams(TCreateParams& Params) override;
  void Paint() override;
  void MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) override;
  void CreateControlDefaultImage(TBitmap* B) override;
  void CreateControlSkinImage(TBitmap* B) override;
  // Runs on the bitmap of the two transparent paths before it goes to the screen.
  virtual void PaintHook(TCanvas* Canvas) {}
  void DrawSkinCaption(TCanvas* Canvas);
  // A piece of the record's picture drawn with its lower-left pixel's colour left out.
  void DrawSkinPiece(TCanvas* Canvas, const TRect& Piece, int X, int Y);
  int CaptionBlockWidth(TCanvas* Canvas);
  TRect GetTransparentClientRect();
  // The colour of the group caption: the "stdlabel" record's font colour, else the skin's
  // button text.
  TColor GetGroupCaptionColor();
  void ApplyRollUp(bool Up);
  void HideControls();
  void ShowControls();
  bool Skinned() const { return FSkinIndex != -1; }
  // The font of the caption: the record's (UseSkinFont) or DefaultFont.
  void SetCaptionFont(TCanvas* Canvas);
  bool GlyphShown() const { return FGlyph && !FGlyph->GetEmpty(); }
  bool ImageListIconShown() const;
  int GlyphNumber() const { return !GetEnabled() && FNumGlyphs == 2 ? 2 : 1; }

  // Values of the panel record.
  TRect FSkinCaptionRect;
  TAlignment FAlignment = taCenter;
  AnsiString FFontName = "Arial";
  TFontStyles FFontStyle;
  int FFontHeight = 14;
  TColor FFontColor = 0;
  int FBGPictureIndex = -1;
  TRect FCheckImageRect;
  TRect FUnCheckImageRect;
  TRect FMarkFrameRect;
  TRect FFrameRect;
  TRect FFrameTextRect;
  int FFrameLeftOffset = 0;
  int FFrameRightOffset = 0;

  TRect FCaptionRect;  // hit rectangle in control coordinates
  bool FRolling = false;

 private:
  void PaintTransparent(bool Group);
  void PaintBackgroundPicture(TBitmap* Pic, bool WholeClient);
  void DrawDefaultCaptionBand(TCanvas* Canvas);
  void DrawIcon(TCanvas* Canvas, int X, int Y);
  int IconWidth() const;
  int IconHeight() const;

  TspImagePosition FImagePosition = spipDefault;
  bool FTransparentMode = false;
  TCustomImageList* FCaptionImageList = nullptr;
  int FCaptionImageIndex = -1;
  int FRealHeight = -1;
  bool FAutoEnabledControls = true;
  bool FCheckedMode = false;
  bool FChecked = false;
  std::unique_ptr<TBitmap> FGlyph;
  int FNumGlyphs = 1;
  int FSpacing = 2;
  TAlignment FDefaultAlignment = taLeftJustify;
  int FDefaultCaptionHeight = 22;
  TspSkinBorderStyle FBorderStyle = TspSkinBorderStyle::bvFrame;
  bool FCaptionMode = false;
  bool FRollUpMode = false;
  bool FRollUpState = false;
  int FSavedMaxWidth = 0, FSavedMinWidth = 0, FSavedMaxHeight = 0, FSavedMinHeight = 0;
};

// The rectangle (0, 0, Width, Height) passed through the panel's AdjustClientRect.
inline TRect GetAdjustedClientRect(TspSkinPanel* Control) {
  return Control->GetAdjustedClientRect();
}

// A 1-pixel three-dimensional frame on R (top and left in TopLeft, bottom and right in
// BottomRight); R shrinks by one pixel on each side.
void Frame3D(TCanvas* Canvas, TRect& R, TColor TopLeft, TColor BottomRight);

// ---------------------------------------------------------------------------------------
// TspSkinStatusBar

class TspSkinStatusBar : public TspSkinPanel {
 public:
  explicit TspSkinStatusBar(TComponent* AOwner);
  void Dispatch(TMessage& Message) override;
  void GetSkinData() override;
  void SetSkinData(TspSkinData* Value) override;

  bool GetSizeGrip() const { return FSizeGrip; }
  void SetSizeGrip(bool Value);
  // Shows or hides the grip (the form frame hides it while the form is maximized).
  void SetSizeGripVisible(bool Value);
  bool GetSizeGripVisible() const { return FGripShown; }
  // The grip is drawn and hit: SizeGrip on and the grip shown.
  bool GripActive() const { return FSizeGrip && FGripShown; }
  TRect GetGripRect();

 protected:
  void AdjustClientRect(TRect& Rect) override;
  void CreateControlDefaultImage(TBitmap* B) override;
  void CreateControlSkinImage(TBitmap* B) override;
  void DrawGripLines(TCanvas* Canvas, const TRect& R, TColor Light, TColor Dark);

 private:
  bool InGrip(const TPoint& ScreenPoint);

  bool FSizeGrip = false;
  bool FGripShown = true;
  TRect FGripperRect;
  bool FGripperTransparent = false;
  TColor FGripperTransparentColor = 0xFF00FF;
};

// ---------------------------------------------------------------------------------------
// TspSkinToolBar

// Hit-test codes of the tool bar's two scroll buttons.
constexpr int kHitScrollLeft = 119;
constexpr int kHitScrollRight = 120;
// Width of a scroll button.
constexpr int kToolBarScrollButtonWidth = 12;

class TspSkinToolBar : public TspSkinPanel {
 public:
  explicit TspSkinToolBar(TComponent* AOwner);
  ~TspSkinToolBar() override;
  void Dispatch(TMessage& Message) override;
  void SetBounds(int ALeft, int ATop, int AWidth, int AHeight) override;
  void GetSkinData() override;
  void SetSkinData(TspSkinData* Value) override;
  void SetSkinDataName(const AnsiString& Value) override;

  bool GetAdjustControls() const { return FAdjustControls; }
  void SetAdjustControls(bool Value) { FAdjustControls = Value; }
  bool GetCanScroll() const { return FCanScroll; }
  void SetCanScroll(bool Value) { FCanScroll = Value; }
  bool GetHotScroll() const { return FHotScroll; }
  void SetHotScroll(bool Value) { FHotScroll = Value; }
  int GetScrollOffset() const { return FScrollOffset; }
  void SetScrollOffset(int Value) {
    if (Value >= 0) FScrollOffset = Value;
  }
  int GetScrollTimerInterval() const { return FScrollTimerInterval; }
  void SetScrollTimerInterval(int Value) {
    if (Value > 0) FScrollTimerInterval = Value;
  }
  int GetWidthWithCaptions() const { return FWidthWithCaptions; }
  void SetWidthWithCaptions(int Value) { FWidthWithCaptions = Value; }
  int GetWidthWithoutCaptions() const { return FWidthWithoutCaptions; }
  void SetWidthWithoutCaptions(int Value) { FWidthWithoutCaptions = Value; }
  bool GetAutoShowHideCaptions() const { return FAutoShowHideCaptions; }
  void SetAutoShowHideCaptions(bool Value) { FAutoShowHideCaptions = Value; }
  bool GetShowCaptions() const { return FShowCaptions; }
  void SetShowCaptions(bool Value);
  bool GetFlat() const { return FFlat; }
  void SetFlat(bool Value);
  TCustomImageList* GetImages() const { return FImages; }
  void SetImages(TCustomImageList* Value);
  TCustomImageList* GetHotImages() const { return FHotImages; }
  void SetHotImages(TCustomImageList* Value);
  TCustomImageList* GetDisabledImages() const { return FDisabledImages; }
  void SetDisabledImages(TCustomImageList* Value);

  // Scroll state, for the speed buttons and the tests.
  bool GetScrollButtonsShown() const { return FButtonsShown; }
  int GetScrollPosition() const { return FPosition; }
  int GetScrollExtent() const { return FExtent; }
  int GetScrollDirection() const { return FDirection; }
  TRect GetScrollButtonRect(int Index) const { return FButtons[Index & 1].Rect; }
  bool GetScrollButtonHot(int Index) const { return FButtons[Index & 1].Hot; }
  bool GetScrollButtonPressed(int Index) const { return FButtons[Index & 1].Pressed; }
  // Runs the layout update (as a move of the bar does).
  void UpdateScroll();

 protected:
  void Notification(TComponent* AComponent, TOperation Operation) override;
  void WndProc(TMessage& Message) override;
  void AdjustClientRect(TRect& Rect) override;
  void CreateControlSkinImage(TBitmap* B) override;
  void AlignControlsVertically();
  void DrawScrollButton(HDC DC, int Index);
  void ScrollContent(int D);
  void SetScrollButtonsVisible(bool Value);
  void ScrollStep(bool Right);
  void StartScrollTimer();
  void StopScrollTimer();

 private:
  struct TScrollButton {
    TRect Rect;
    bool Hot = false;
    bool Pressed = false;
  };
  void PaintScrollButtons();
  int ClientWidthNow();

  bool FAdjustControls = true;
  bool FCanScroll = false;
  bool FHotScroll = false;
  int FScrollOffset = 0;
  int FScrollTimerInterval = 50;
  int FWidthWithCaptions = 0;
  int FWidthWithoutCaptions = 0;
  bool FAutoShowHideCaptions = false;
  bool FShowCaptions = false;
  bool FFlat = false;
  TCustomImageList* FImages = nullptr;
  TCustomImageList* FHotImages = nullptr;
  TCustomImageList* FDisabledImages = nullptr;

  int FDirection = 0;
  int FExtent = 0;
  int FPosition = 0;
  int FMeasuredWidth = 0;
  int FApplied = 0;
  int FGrowth = 0;
  bool FButtonsShown = false;
  bool FTimerRunning = false;
  TScrollButton FButtons[2];
  TspDataSkinButtonControl* FButtonRecord = nullptr;
};
