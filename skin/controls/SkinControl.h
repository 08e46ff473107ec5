// Unit SkinCtrls, the bases of the skinned controls. A skinned control is bound to one
// skin data component (SkinData) and names one record of the skin's control records
// (SkinDataName). It looks that record up again before every paint, size change and skin
// change and keeps its position as the skin index (-1: no record). With a record it paints
// from the skin picture (CreateControlSkinImage), without one its own plain look
// (CreateControlDefaultImage) when DrawDefault is on. Every paint builds the whole control
// in a bitmap off screen and copies it out, blended with what lies behind the control
// when AlphaBlend is on; the background is never erased.
//
// TspSkinControl and TspSkinCustomControl have windows; TspGraphicSkinControl and
// TspGraphicSkinCustomControl are their windowless twins (no window region, no border
// paint mode; their parent paints them and hands them the mouse). The Custom classes add
// the geometry of the record's picture: nine parts cut by four corner points, or three
// parts along one axis, stretched or tiled to the control's size, and, for the windowed
// one, the window region from the record's mask picture.
//
// Skin changes: the form frame calls BeforeChangeSkinData on every skinned control before
// a skin is replaced (the skin index becomes -1, so nothing reads the old records any
// more) and ChangeSkinData after it (the record is read again, the control takes the size
// the skin gives it, its region is rebuilt and it repaints).
#pragma once

#include <memory>
#include <vector>

#include "framework/Controls.h"
#include "framework/ImgList.h"
#include "skin/data/SkinData.h"

class TspSkinToolBar;

// How a record's picture is cut (the skin image kind).
constexpr int kSkinImageNone = -1;      // SkinRect is empty: no picture
constexpr int kSkinImageFixed = 0;      // the picture as it is; the control takes its size
constexpr int kSkinImageNineParts = 1;  // nine parts: any width and height
constexpr int kSkinImageHorz = 2;       // three parts side by side: the height is fixed
constexpr int kSkinImageVert = 3;       // three parts stacked: the width is fixed

// The longest side a record's SkinRect may have. A larger one (only a damaged or hostile
// skin has it) would make a control, and the bitmap it paints into, that large; such a
// record draws nothing and leaves the size alone, as a SkinRect outside its picture does.
constexpr int kMaxSkinRectExtent = 4096;

// The geometry of a record's picture and its copy moved to the control's current size.
// Both skinned custom bases hold one; the routines are those of the windowed base.
class TspSkinGeometry {
 public:
  // The skin image kind of a record's geometry.
  static int SkinImageKindOf(const TRect& SkinRect, const TPoint& RTPt, const TPoint& LBPt,
                             const TPoint& RBPt);
  // Whether a rectangle of the picture can be drawn from: not empty and inside Pic.
  static bool PieceInPicture(TBitmap* Pic, const TRect& R);
  // Forgets the images built from the skin's pictures (before a skin goes).
  void ForgetSkinImages();

  TPoint LTPt, RTPt, LBPt, RBPt;
  TRect SkinRect;
  TRect ClRect;
  TPoint NewLTPt, NewRTPt, NewLBPt, NewRBPt;
  TRect NewClRect;
  TBitmap* Picture = nullptr;  // the skin's, not owned
  int SkinImageKind = kSkinImageFixed;
  bool StretchEffect = false;
  bool LeftStretch = false;
  bool TopStretch = false;
  bool RightStretch = false;
  bool BottomStretch = false;
  TspStretchType StretchType = stFull;


 protected:
  // Copies the record's geometry and takes its picture from the skin.
  void TakeGeometry(const TspDataSkinCustomControl* Record, TspSkinData* SkinData);
  // A record of another class: a fixed picture of its SkinRect's size without a bitmap.
  void ClearGeometry(const TspDataSkinControl* Record);
  // CalcSize on the geometry: W and H become the size the skin allows, the New values the
  // geometry moved to it. Nothing changes without a record or for kind -1.
  void CalcGeometry(bool HasRecord, int& W, int& H);
  // A rectangle of the skin picture (relative to SkinRect) moved to a control of W x H.
  TRect MapRectToSize(const TRect& R, int W, int H) const;

  // What an image built from the skin depends on: the picture, the part of it, the size
  // and the whole geometry. Built images are kept under their key, so that a repaint
  // that changes none of it copies the image instead of cutting the picture again.
  struct TImageKey {
    TBitmap* Picture = nullptr;
    HBITMAP Handle = nullptr;
    TRect Src;
    int W = 0, H = 0, Kind = 0, Mode = 0;
    TPoint LT, RT, LB, RB, NewLT, NewRT, NewLB, NewRB;
    TRect Cl, NewCl;
    int Flags = 0;
    bool operator==(const TImageKey& O) const;
  };
  // Mode tells apart images of the same part made in different ways.
  TImageKey ImageKey(TBitmap* Pic, const TRect& Src, int W, int H, int Mode) const;
  static constexpr int kTiledClientImage = 6;
  static constexpr int kFilledPartImage = 7;
  // The kept image of Key (nullptr when there is none) and keeping one; a few are kept,
  // one per look of the control.
  TBitmap* FindSkinImage(const TImageKey& Key) const;
  TBitmap* KeepSkinImage(const TImageKey& Key, TBitmap* Image);
  // The image of the source rectangle Src of Pic at W x H by the skin image kind into B;
  // a nine-part picture only when NineParts (the border paint mode draws it otherwise).
  void BuildImage(TBitmap* B, TBitmap* Pic, const TRect& Src, int W, int H, bool NineParts);
  void BuildImageNow(TBitmap* B, TBitmap* Pic, const TRect& Src, int W, int H, bool NineParts);
 private:
  struct TKeptImage {
    TImageKey Key;
    std::unique_ptr<TBitmap> Image;
  };
  std::vector<TKeptImage> FKept;
  size_t FNextKept = 0;
};

// The colour bitmaps skinned controls paint into: 24 bits of W x H (at least 1 x 1), filled
// with the button face so that a part nothing paints never shows stale memory.
std::unique_ptr<TBitmap> NewPaintBitmap(int W, int H);
// The control's image blended with what lies behind the control (GetParentImage): each
// channel becomes Alpha / 255 x control + (1 - Alpha / 255) x parent; drawn at (0, 0).
void DrawBlendedWithParent(TControl* Control, HDC DC, TBitmap* Image, uint8_t Alpha);
// The bitmap a control paints into, kept in Slot from paint to paint: W x H (at least
// 1 x 1), filled with the button face (unless Fill is off: the caller covers it whole).
TBitmap* PaintBitmapIn(std::unique_ptr<TBitmap>& Slot, int W, int H, bool Fill = true);
// Copies a bitmap onto a context at (X, Y), 1:1.
void CopyBitmapTo(HDC DC, int X, int Y, TBitmap* Bitmap);
// Tiles the piece Src of Pic over Dest of the canvas: columns 0 .. width div piece width
// and rows 0 .. height div piece height from Dest's top-left corner, cut at Dest's edges.
// Nothing for an empty piece or one outside the picture.
void TileSkinPiece(TCanvas* Canvas, const TRect& Dest, TBitmap* Pic, const TRect& Src);
// The client of a skin part over Dest: tiled without StretchEffect; with it stretched by
// StretchType (stFull over Dest, stHorz a strip as high as Dest repeated to the right,
// stVert a strip as wide as Dest repeated downwards). Nothing for an empty piece or Dest.
void FillSkinClient(TCanvas* Canvas, const TRect& Dest, TBitmap* Pic, const TRect& Src,
                    bool StretchEffect, TspStretchType StretchType);
// A piece of a picture drawn with one colour left out (the colour is transparent).
void DrawTransparentPiece(TCanvas* Canvas, int X, int Y, TBitmap* Pic, const TRect& Src,
                          TColor Transparent);

// ---------------------------------------------------------------------------------------
// What both bases are, with a window (TBase TCustomControl) or without (TGraphicControl)

// A control bound to skin data and a record name: the skin index, the plain look and the
// skin's painted whole in one bitmap, blending with the parent's image, the skin cursor,
// the hint values and the mouse events.
template <class TBase>
class TspSkinBinding : public TBase {
 public:
  explicit TspSkinBinding(TComponent* AOwner) : TBase(AOwner) {}
  void Dispatch(TMessage& Message) override;

  // The skin data (the property SkinData; GetSkinData is the record lookup).
  TspSkinData* GetSkinDataComponent() const { return FSkinData; }
  // Stores the skin data; unless it is nullptr or empty, ChangeSkinData.
  virtual void SetSkinData(TspSkinData* Value);
  AnsiString GetSkinDataName() const { return FSkinDataName; }
  // Only stores: the new record shows after the next skin change or paint.
  virtual void SetSkinDataName(const AnsiString& Value) { FSkinDataName = Value; }
  AnsiString GetAreaName() const { return FAreaName; }
  void SetAreaName(const AnsiString& Value) { FAreaName = Value; }
  bool GetDrawDefault() const { return FDrawDefault; }
  void SetDrawDefault(bool Value) { FDrawDefault = Value; }
  bool GetAlphaBlend() const { return FAlphaBlend; }
  virtual void SetAlphaBlend(bool Value);
  uint8_t GetAlphaBlendValue() const { return FAlphaBlendValue; }
  virtual void SetAlphaBlendValue(uint8_t Value);
  bool GetUseSkinCursor() const { return FUseSkinCursor; }
  void SetUseSkinCursor(bool Value) { FUseSkinCursor = Value; }
  AnsiString GetHintTitle() const { return FHintTitle; }
  void SetHintTitle(const AnsiString& Value) { FHintTitle = Value; }
  int GetHintImageIndex() const { return FHintImageIndex; }
  void SetHintImageIndex(int Value) { FHintImageIndex = Value; }
  TCustomImageList* GetHintImageList() const { return FHintImageList; }
  void SetHintImageList(TCustomImageList* Value);
  // The position of the record in the skin's control records; -1: none.
  int GetSkinIndex() const { return FSkinIndex; }
  int GetCursorIndex() const { return FCursorIndex; }

  // The skin-change steps the form frame drives.
  virtual void BeforeChangeSkinData();
  virtual void ChangeSkinData();
  // Looks the record up again (skin index, and in the descendants what they copy of it).
  virtual void GetSkinData();

  TNotifyEvent OnMouseEnter;
  TNotifyEvent OnMouseLeave;

 protected:
  // Paints the plain look, or the skin's, into a bitmap of the control's size.
  virtual void CreateControlDefaultImage(TBitmap* B) {}
  virtual void CreateControlSkinImage(TBitmap* B) {}
  // WM_SKIN_PARENT_BG_CHANGED: the image behind the control changed; repaint when
  // blending.
  virtual void ParentBackgroundChanged();
  // The cursor of the record (when UseSkinCursor).
  void ApplySkinCursor();
  // The whole control in one bitmap, blended with the parent's image when AlphaBlend.
  void PaintWhole();
  void Paint() override;
  void Notification(TComponent* AComponent, TOperation Operation) override;
  bool HasRecord() const { return FSkinIndex != -1; }
  // The record at the skin index (nullptr without one).
  TspDataSkinControl* SkinRecord() const;

  int FSkinIndex = -1;
  int FCursorIndex = -1;
  std::unique_ptr<TBitmap> FPaintBitmap;

 private:
  TspSkinData* FSkinData = nullptr;
  AnsiString FAreaName;
  AnsiString FSkinDataName;
  bool FDrawDefault = true;
  bool FAlphaBlend = false;
  uint8_t FAlphaBlendValue = 200;
  bool FUseSkinCursor = false;
  AnsiString FHintTitle;
  int FHintImageIndex = 0;
  TCustomImageList* FHintImageList = nullptr;
};

// The skin-picture geometry over a binding: the record's picture cut into nine or three
// parts at the control's size, the size the skin fixes, the default font and size of the
// plain look.
template <class TBase>
class TspSkinCustomBinding : public TBase, public TspSkinGeometry {
 public:
  explicit TspSkinCustomBinding(TComponent* AOwner);
  ~TspSkinCustomBinding() override;

  void SetBounds(int ALeft, int ATop, int AWidth, int AHeight) override;
  void GetSkinData() override;
  void BeforeChangeSkinData() override;
  void ChangeSkinData() override;
  // W and H become the size the skin gives a control asked to be W x H.
  virtual void CalcSize(int& W, int& H);
  // A rectangle of the record's picture (relative to SkinRect) moved to the control's size.
  TRect MapSkinRectToSize(const TRect& R) const;

  bool GetUseSkinFont() const { return FUseSkinFont; }
  void SetUseSkinFont(bool Value) { FUseSkinFont = Value; }
  int GetDefaultWidth() const { return FDefaultWidth; }
  void SetDefaultWidth(int Value);
  int GetDefaultHeight() const { return FDefaultHeight; }
  void SetDefaultHeight(int Value);
  TFont* GetDefaultFont() const { return FDefaultFont.get(); }
  void SetDefaultFont(TFont* Value);

 protected:
  void CreateControlDefaultImage(TBitmap* B) override;
  void CreateControlSkinImage(TBitmap* B) override;
  // The image of a source rectangle of a picture (a state of the control) by the kind.
  void CreateSkinImageFromRect(TBitmap* B, TBitmap* Pic, const TRect& Src);
  virtual void DefaultFontChanged() {}
  // The font of the skin texts' character set when the skin has resource texts.
  void ApplySkinCharset(TFont* Font) const;
  // What the windowed base adds: the mask of a record (TakeMask), the nine parts drawn
  // elsewhere in its border paint mode (DrawsNineParts), the window region rebuilt and the
  // children told after a size change (AfterResize, AfterSetBounds) and after a skin
  // change that kept the size (AfterSkinChange).
  virtual void TakeMask(const TspDataSkinCustomControl* Record) {}
  virtual bool DrawsNineParts() const { return true; }
  virtual void AfterResize() { this->Repaint(); }
  virtual void AfterSkinChange() { this->Repaint(); }
  virtual void AfterSetBounds() {}

 private:
  void FontChange(TObject* Sender);

  bool FUseSkinFont = true;
  int FDefaultWidth = 0;
  int FDefaultHeight = 0;
  std::unique_ptr<TFont> FDefaultFont;
};

// ---------------------------------------------------------------------------------------
// TspSkinControl, TspSkinCustomControl

class TspSkinControl : public TspSkinBinding<TCustomControl> {
 public:
  explicit TspSkinControl(TComponent* AOwner);
  ~TspSkinControl() override;
  void Dispatch(TMessage& Message) override;
  // True while the control handles WM_PAINT (descendants test it in WM_ERASEBKGND).
  bool GetInPaint() const { return FInPaint; }

 protected:
  // Repaints when blending, then tells the children.
  void ParentBackgroundChanged() override;
  // WM_SKIN_PARENT_BG_CHANGED to every child: by SendMessage to windowed ones, by Perform
  // to windowless ones.
  void NotifyChildrenParentBackground();

 private:
  bool FInPaint = false;
};

class TspSkinCustomControl : public TspSkinCustomBinding<TspSkinControl> {
 public:
  explicit TspSkinCustomControl(TComponent* AOwner);
  ~TspSkinCustomControl() override;

  // Builds or removes the window region from the record's mask picture.
  virtual void SetControlRegion();

  bool GetBorderPaintMode() const { return FBorderPaintMode; }
  void SetBorderPaintMode(bool Value) { FBorderPaintMode = Value; }
  bool GetFillClientArea() const { return FFillClientArea; }
  void SetFillClientArea(bool Value) { FFillClientArea = Value; }
  TBitmap* GetMaskPicture() const { return MaskPicture; }
  // Whether the window has a region from the mask picture (the window owns it).
  bool HasWindowRegion() const { return FHasRegion; }

  TBitmap* MaskPicture = nullptr;  // the skin's, not owned

 protected:
  void Paint() override;
  void CreateWnd() override;
  void TakeMask(const TspDataSkinCustomControl* Record) override;
  bool DrawsNineParts() const override { return !FBorderPaintMode; }
  void AfterResize() override;
  void AfterSkinChange() override;
  void AfterSetBounds() override;

 private:
  void PaintBorders();

  bool FBorderPaintMode = false;
  bool FFillClientArea = true;
  bool FHasRegion = false;
  std::unique_ptr<TBitmap> FTopBitmap;  // the top border a caption is drawn on
};

// ---------------------------------------------------------------------------------------
// Windowless twins: no window region, no border paint mode; the parent paints them and
// hands them the mouse.

class TspGraphicSkinControl : public TspSkinBinding<TGraphicControl> {
 public:
  explicit TspGraphicSkinControl(TComponent* AOwner);
  ~TspGraphicSkinControl() override;
};

class TspGraphicSkinCustomControl : public TspSkinCustomBinding<TspGraphicSkinControl> {
 public:
  explicit TspGraphicSkinCustomControl(TComponent* AOwner);
  ~TspGraphicSkinCustomControl() override;
};

// The top a child of Height pixels gets in a tool bar that centres its children, or Top
// unchanged when Parent is no such tool bar (AdjustControls off, or another control).
// Always centres when Always is set (bevels centre whatever AdjustControls says).
int CentredTopInToolBar(TWinControl* Parent, int Top, int Height, bool Always = false);
