// Unit SkinCtrls, the gauge: a progress bar showing Value between MinValue and MaxValue as
// the filled part of a progress area, across or (Vertical) upwards, with an optional text
// (a fixed text and/or the percentage) and an optional animation that now and then runs a
// strip of frames along the filled part. Its pictures come from a gauge record ("gauge",
// "vgauge"); OnGaugePaint may draw the filled part instead.
#pragma once

#include <functional>
#include <memory>

#include "framework/ExtCtrls.h"
#include "skin/controls/SkinControl.h"

using TspGaugePaintEvent =
    std::function<void(TObject* Sender, TCanvas* Cnvs, TRect AProgressArea, TRect AProgressRect)>;

class TspSkinGauge : public TspSkinCustomControl {
 public:
  explicit TspSkinGauge(TComponent* AOwner);
  ~TspSkinGauge() override;
  void Dispatch(TMessage& Message) override;
  void GetSkinData() override;
  void ChangeSkinData() override;
  void CalcSize(int& W, int& H) override;

  int GetProgressAnimationPause() const { return FProgressAnimationPause; }
  void SetProgressAnimationPause(int Value) {
    if (Value >= 0) FProgressAnimationPause = Value;
  }
  bool GetUseSkinSize() const { return FUseSkinSize; }
  void SetUseSkinSize(bool Value) { FUseSkinSize = Value; }
  bool GetTextAlphaBlend() const { return FTextAlphaBlend; }
  void SetTextAlphaBlend(bool Value);
  uint8_t GetTextAlphaBlendValue() const { return FTextAlphaBlendValue; }
  void SetTextAlphaBlendValue(uint8_t Value);
  AnsiString GetProgressText() const { return FProgressText; }
  void SetProgressText(const AnsiString& Value);
  bool GetShowProgressText() const { return FShowProgressText; }
  void SetShowProgressText(bool Value);
  bool GetShowPercent() const { return FShowPercent; }
  void SetShowPercent(bool Value);
  int GetMinValue() const { return FMinValue; }
  void SetMinValue(int Value);
  int GetMaxValue() const { return FMaxValue; }
  void SetMaxValue(int Value);
  int GetValue() const { return FValue; }
  // Clamped to MinValue .. MaxValue; a new value invalidates (no event).
  void SetValue(int Value);
  bool GetVertical() const { return FVertical; }
  void SetVertical(bool Value);

  void StartProgressAnimation();
  void StopProgressAnimation();
  // The filled part of an area by the value.
  TRect CalcProgressRect(const TRect& Area) const;
  // The text shown: ProgressText and/or the percentage.
  AnsiString GaugeText() const;
  // The animation frame drawn now (0: none).
  int GetAnimationFrame() const { return FFrame; }
  bool AnimationRunning() const { return FFrameTimer != nullptr; }
  TRect GetProgressArea() const { return FProgressAreaNow; }

  TspGaugePaintEvent OnGaugePaint;

 protected:
  void Paint() override;
  void CreateControlDefaultImage(TBitmap* B) override;
  void CreateControlSkinImage(TBitmap* B) override;
  void DrawGaugeText(TCanvas* Canvas);

 private:
  bool TextShown() const { return !GaugeText().empty(); }
  // False when the part cannot be drawn (its source has no length): nothing more is drawn.
  bool DrawFilledPart(TBitmap* B, const TRect& P);
  bool ComposeFilledPart(TBitmap* Part, bool Animating);
  void StartRun();
  void EndRun();
  void FrameTick();
  // Timers given up inside a timer's own handler are freed once it has returned.
  void ReleaseTimers();

  int FProgressAnimationPause = 1000;
  bool FUseSkinSize = true;
  bool FTextAlphaBlend = false;
  uint8_t FTextAlphaBlendValue = 200;
  AnsiString FProgressText;
  bool FShowProgressText = false;
  bool FShowPercent = false;
  int FMinValue = 0;
  int FMaxValue = 100;
  int FValue = 50;
  bool FVertical = false;

  // From the gauge record.
  TRect FProgressRect;
  TRect FProgressArea;
  int FBeginOffset = 0;
  int FEndOffset = 0;
  AnsiString FFontName = "Arial";
  TFontStyles FFontStyle;
  int FFontHeight = 14;
  TColor FFontColor = 0;
  bool FProgressTransparent = false;
  TColor FProgressTransparentColor = 0xFF00FF;
  bool FProgressStretch = false;
  TRect FAnimationRect;
  int FAnimationFrames = 0;
  int FAnimationInterval = 0;

  TRect FProgressAreaNow;
  std::unique_ptr<TBitmap> FPartBitmap;
  std::unique_ptr<TTimer> FPauseTimer;
  std::unique_ptr<TTimer> FFrameTimer;
  std::vector<std::unique_ptr<TTimer>> FReleased;
  int FInTimer = 0;
  int FFrame = 0;
};
