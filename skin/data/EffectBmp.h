// The effects bitmap: a small 24-bit picture in a DIB section (rows top-down, 3 bytes
// per pixel in blue, green, red order, rows padded to 4 bytes) on which skinned controls,
// menus and frames compute transitions between two looks, translucent blends and the
// looks of inactive windows before they draw the result. An object lives for one
// painting step: made from a size or a bitmap, changed, drawn, freed.
#pragma once

#include <cstdint>

#include "skin/data/Dib24.h"
#include "skin/data/SkinKinds.h"

class TspEffectBmp : public TspDib24 {
 public:
  // A picture of W x H whose pixels start as the system gives them (zero). A size the
  // system cannot make leaves the picture without pixels: every operation then does
  // nothing.
  TspEffectBmp(int W, int H);
  // CreateFromBitmap: a copy of a bitmap's pixels at its size.
  explicit TspEffectBmp(HBITMAP Bitmap);

  // The whole picture at (X, Y) of the device context.
  void Draw(HDC DC, int X, int Y) const;
  // A colour whose three low bytes are the pixel's bytes as they lie in memory (blue in
  // the lowest byte). Coordinates outside the picture read 0 and write nothing.
  uint32_t GetPixel(int X, int Y) const;
  void SetPixel(int X, int Y, uint32_t Colour);
  uint8_t* GetLinePtr(int Y) const;
  // Width x 3 bytes of row Y out of and into Buffer.
  void GetLine(int Y, void* Buffer) const;
  void SetLine(int Y, const void* Buffer);

  // Transitions from this picture towards Other at progress Kf (0 this picture, 1 the
  // other). Kf is brought into 0..1 (a value that is not a number counts as 0); pictures
  // of different sizes change nothing.
  void Morph(const TspEffectBmp* Other, double Kf);
  void MorphGrad(const TspEffectBmp* Other, double Kf);
  void MorphHGrad(const TspEffectBmp* Other, double Kf);
  void MorphVGrad(const TspEffectBmp* Other, double Kf);
  void MorphLeftGrad(const TspEffectBmp* Other, double Kf);
  void MorphRightGrad(const TspEffectBmp* Other, double Kf);
  void MorphLeftSlide(const TspEffectBmp* Other, double Kf);
  void MorphRightSlide(const TspEffectBmp* Other, double Kf);
  void MorphPush(const TspEffectBmp* Other, double Kf);
  // The plain blend inside Rect of this picture, against Other's pixels from (SrcX, SrcY)
  // on; the parts of the rectangle outside either picture are left out.
  void MorphRect(const TspEffectBmp* Other, const TRect& Rect, double Kf, int SrcX, int SrcY);
  // The transition of a morph kind (mkDefault .. mkPush); other kinds blend plainly.
  void MorphByKind(int Kind, const TspEffectBmp* Other, double Kf);

  // Looks of inactive windows.
  void ChangeBrightness(double Kf);
  void ChangeDarkness(double Kf);
  void GrayScale();
  // Adds one random value of -Amount div 2 .. Amount - 1 - Amount div 2 per pixel to its
  // three channels; nothing for an Amount below 1.
  void AddNoise(int Amount);
  // Each pixel becomes the mean of the four pixels Amount columns and rows away (in
  // place, so that rows above read their new values); nothing for an Amount of 0.
  void SplitBlur(int Amount);
  void Invert();

  // This picture turned or flipped into Dest, which the caller made Height x Width (the
  // turns) or Width x Height (the flip); a Dest of another size is left alone.
  void Rotate90CCW(TspEffectBmp* Dest) const;
  void Rotate90CW(TspEffectBmp* Dest) const;
  void FlipVertical(TspEffectBmp* Dest) const;

 private:
  bool SameSize(const TspEffectBmp* Other) const;
  // The slides: the other picture's right part covers the left X columns, or its left part
  // the right X columns.
  void Slide(const TspEffectBmp* Other, double Kf, bool ToRight);
};
