// Extra controls: the image control.
#pragma once

#include <memory>

#include "framework/Controls.h"

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
