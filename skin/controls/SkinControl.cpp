#include "skin/controls/SkinControl.h"

#include <algorithm>

#include "framework/Scopes.h"
#include "skin/controls/SkinPanels.h"
#include "skin/data/EffectBmp.h"
#include "skin/data/SPUtils.h"
#include "skin/data/SkinDraw.h"
#include "skin/data/SkinImages.h"
#include "skin/data/SkinRegions.h"

namespace {

int SkinIndexOf(TspSkinData* SkinData, const AnsiString& Name) {
  if (!SkinData || SkinData->GetEmpty()) return -1;
  return SkinData->GetControlIndex(Name);
}

TCursor SkinCursorOf(TspSkinData* SkinData, int CursorIndex) {
  if (CursorIndex == -1 || !SkinData) return crDefault;
  return SkinData->FirstCursorIndex + CursorIndex;
}

// The copies i = 0 .. Length div Piece of a piece repeated from Start that reach into the
// clip box of DC along one axis (Last < First when none does).
struct TTileSpan {
  int First, Last;
};
TTileSpan VisibleTiles(HDC DC, int Start, int Length, int Piece, bool Horizontal) {
  RECT box;
  if (GetClipBox(DC, &box) == NULLREGION || Piece <= 0 || Length < 0) return {0, -1};
  const int64_t lo = Horizontal ? box.left : box.top;
  const int64_t hi = Horizontal ? box.right : box.bottom;
  const int64_t count = int64_t(Length) / Piece;
  const int64_t first = std::max<int64_t>(0, (lo - Start) / Piece - 1);
  const int64_t last = std::min<int64_t>(count, (hi - Start) / Piece + 1);
  return {int(std::min<int64_t>(first, count + 1)), int(std::max<int64_t>(last, -1))};
}

std::unique_ptr<TFont> NewDefaultFont() {
  auto font = std::make_unique<TFont>();
  font->SetName("Arial");
  font->SetHeight(14);
  font->SetStyle(TFontStyles());
  return font;
}

}  // namespace

// ---------------------------------------------------------------------------------------
// Drawing helpers

std::unique_ptr<TBitmap> NewPaintBitmap(int W, int H) {
  auto b = std::make_unique<TBitmap>();
  b->SetSize(std::max(W, 1), std::max(H, 1));
  TCanvas* canvas = b->GetCanvas();
  canvas->GetBrush()->SetStyle(bsSolid);
  canvas->GetBrush()->SetColor(clBtnFace);
  canvas->FillRect(Rect(0, 0, b->GetWidth(), b->GetHeight()));
  return b;
}

TBitmap* PaintBitmapIn(std::unique_ptr<TBitmap>& Slot, int W, int H, bool Fill) {
  W = std::max(W, 1);
  H = std::max(H, 1);
  if (!Slot) Slot = std::make_unique<TBitmap>();
  if (Slot->GetWidth() != W || Slot->GetHeight() != H) Slot->SetSize(W, H);
  TCanvas* canvas = Slot->GetCanvas();
  if (!Fill) return Slot.get();
  canvas->GetBrush()->SetStyle(bsSolid);
  canvas->GetBrush()->SetColor(clBtnFace);
  canvas->FillRect(Rect(0, 0, W, H));
  return Slot.get();
}

void DrawBlendedWithParent(TControl* Control, HDC DC, TBitmap* Image, uint8_t Alpha) {
  std::unique_ptr<TBitmap> back = NewPaintBitmap(Image->GetWidth(), Image->GetHeight());
  GetParentImage(Control, back->GetCanvas());
  TspEffectBmp self(Image->GetHandle());
  TspEffectBmp behind(back->GetHandle());
  self.Morph(&behind, 1.0 - Alpha / 255.0);
  self.Draw(DC, 0, 0);
}

void CopyBitmapTo(HDC DC, int X, int Y, TBitmap* Bitmap) {
  if (!Bitmap || Bitmap->GetEmpty()) return;
  BitBlt(DC, X, Y, Bitmap->GetWidth(), Bitmap->GetHeight(), Bitmap->GetCanvas()->GetHandle(), 0, 0,
         SRCCOPY);
}

void TileSkinPiece(TCanvas* Canvas, const TRect& Dest, TBitmap* Pic, const TRect& Src) {
  if (!TspSkinGeometry::PieceInPicture(Pic, Src) || IsNullRect(Dest)) return;
  const int pw = RectWidth(Src);
  const int ph = RectHeight(Src);
  HDC dc = Canvas->GetHandle();
  HDC source = Pic->GetCanvas()->GetHandle();
  TSavedDC saved(dc);
  IntersectClipRect(dc, Dest.Left, Dest.Top, Dest.Right, Dest.Bottom);
  // Only the copies that can show are drawn: a Dest far larger than the picture drawn on
  // (a broken skin's) costs no more than the picture's own size.
  const TTileSpan columns = VisibleTiles(dc, Dest.Left, RectWidth(Dest), pw, true);
  const TTileSpan rows = VisibleTiles(dc, Dest.Top, RectHeight(Dest), ph, false);
  for (int i = columns.First; i <= columns.Last; ++i)
    for (int j = rows.First; j <= rows.Last; ++j)
      BitBlt(dc, Dest.Left + i * pw, Dest.Top + j * ph, pw, ph, source, Src.Left, Src.Top, SRCCOPY);
}

void FillSkinClient(TCanvas* Canvas, const TRect& Dest, TBitmap* Pic, const TRect& Src,
                    bool StretchEffect, TspStretchType StretchType) {
  if (!TspSkinGeometry::PieceInPicture(Pic, Src) || IsNullRect(Dest)) return;
  if (!StretchEffect) {
    TileSkinPiece(Canvas, Dest, Pic, Src);
    return;
  }
  HDC dc = Canvas->GetHandle();
  HDC source = Pic->GetCanvas()->GetHandle();
  TSavedDC saved(dc);
  IntersectClipRect(dc, Dest.Left, Dest.Top, Dest.Right, Dest.Bottom);
  SetStretchBltMode(dc, COLORONCOLOR);
  const int pw = RectWidth(Src);
  const int ph = RectHeight(Src);
  if (StretchType == stHorz) {
    // A strip of the piece's width and Dest's height, repeated to the right.
    const TTileSpan columns = VisibleTiles(dc, Dest.Left, RectWidth(Dest), pw, true);
    for (int i = columns.First; i <= columns.Last; ++i)
      StretchBlt(dc, Dest.Left + i * pw, Dest.Top, pw, RectHeight(Dest), source, Src.Left, Src.Top,
                 pw, ph, SRCCOPY);
  } else if (StretchType == stVert) {
    const TTileSpan rows = VisibleTiles(dc, Dest.Top, RectHeight(Dest), ph, false);
    for (int j = rows.First; j <= rows.Last; ++j)
      StretchBlt(dc, Dest.Left, Dest.Top + j * ph, RectWidth(Dest), ph, source, Src.Left, Src.Top,
                 pw, ph, SRCCOPY);
  } else {
    StretchBlt(dc, Dest.Left, Dest.Top, RectWidth(Dest), RectHeight(Dest), source, Src.Left,
               Src.Top, pw, ph, SRCCOPY);
  }
}

void DrawTransparentPiece(TCanvas* Canvas, int X, int Y, TBitmap* Pic, const TRect& Src,
                          TColor Transparent) {
  if (!TspSkinGeometry::PieceInPicture(Pic, Src)) return;
  TransparentBlt(Canvas->GetHandle(), X, Y, RectWidth(Src), RectHeight(Src),
                 Pic->GetCanvas()->GetHandle(), Src.Left, Src.Top, RectWidth(Src), RectHeight(Src),
                 ColorToRGB(Transparent));
}

int CentredTopInToolBar(TWinControl* Parent, int Top, int Height, bool Always) {
  auto* bar = dynamic_cast<TspSkinToolBar*>(Parent);
  if (!bar || (!Always && !bar->GetAdjustControls())) return Top;
  const TRect r = GetAdjustedClientRect(bar);
  return RectHeight(r) / 2 + r.Top - Height / 2;
}

// ---------------------------------------------------------------------------------------
// TspSkinGeometry

int TspSkinGeometry::SkinImageKindOf(const TRect& SkinRect, const TPoint& RTPt,
                                     const TPoint& LBPt, const TPoint& RBPt) {
  if (RectWidth(SkinRect) <= 0 || RectHeight(SkinRect) <= 0) return kSkinImageNone;
  if (RBPt.X != 0 && RBPt.Y != 0) return kSkinImageNineParts;
  if (RTPt.X != 0 || RTPt.Y != 0) return kSkinImageHorz;
  if (LBPt.X != 0 || LBPt.Y != 0) return kSkinImageVert;
  return kSkinImageFixed;
}

bool TspSkinGeometry::PieceInPicture(TBitmap* Pic, const TRect& R) {
  return Pic && !Pic->GetEmpty() && !IsNullRect(R) && R.Left >= 0 && R.Top >= 0 &&
         R.Right <= Pic->GetWidth() && R.Bottom <= Pic->GetHeight();
}

void TspSkinGeometry::TakeGeometry(const TspDataSkinCustomControl* Record, TspSkinData* SkinData) {
  LTPt = Record->LTPoint;
  RTPt = Record->RTPoint;
  LBPt = Record->LBPoint;
  RBPt = Record->RBPoint;
  SkinRect = Record->SkinRect;
  ClRect = Record->ClRect;
  StretchEffect = Record->StretchEffect;
  LeftStretch = Record->LeftStretch;
  TopStretch = Record->TopStretch;
  RightStretch = Record->RightStretch;
  BottomStretch = Record->BottomStretch;
  StretchType = Record->StretchType;
  Picture = SkinData->GetActivePicture(Record->PictureIndex);
  SkinImageKind = SkinImageKindOf(SkinRect, RTPt, LBPt, RBPt);
  // Points and the client rectangle belong inside the part they cut; a record whose values
  // lie elsewhere cannot be cut and draws nothing.
  const int w = RectWidth(SkinRect);
  const int h = RectHeight(SkinRect);
  auto inside = [&](const TPoint& P) { return P.X >= 0 && P.Y >= 0 && P.X <= w && P.Y <= h; };
  if (SkinImageKind > kSkinImageFixed &&
      (!inside(LTPt) || !inside(RTPt) || !inside(LBPt) || !inside(RBPt) ||
       !inside(ClRect.TopLeft()) || !inside(ClRect.BottomRight())))
    SkinImageKind = kSkinImageNone;
  // A record that would size the control beyond reason, or that draws from outside its
  // picture, is drawn as nothing and sizes nothing.
  if (SkinImageKind != kSkinImageNone &&
      (RectWidth(SkinRect) > kMaxSkinRectExtent || RectHeight(SkinRect) > kMaxSkinRectExtent ||
       (Picture && !PieceInPicture(Picture, SkinRect))))
    SkinImageKind = kSkinImageNone;
}

void TspSkinGeometry::ClearGeometry(const TspDataSkinControl* Record) {
  Picture = nullptr;
  SkinRect = Record->SkinRect;
  ClRect = NewClRect = NullRect();
  LTPt = RTPt = LBPt = RBPt = TPoint();
  // A fixed picture of the record's size; a record without one (most records of other
  // classes have none) leaves the size alone instead of making the control 0 x 0.
  SkinImageKind = IsNullRect(SkinRect) || RectWidth(SkinRect) > kMaxSkinRectExtent ||
                          RectHeight(SkinRect) > kMaxSkinRectExtent
                      ? kSkinImageNone
                      : kSkinImageFixed;
}

void TspSkinGeometry::CalcGeometry(bool HasRecord, int& W, int& H) {
  if (!HasRecord || SkinImageKind == kSkinImageNone) return;
  if (SkinImageKind == kSkinImageFixed) {
    W = RectWidth(SkinRect);
    H = RectHeight(SkinRect);
    NewClRect = ClRect;
    return;
  }
  const int dW = W - RectWidth(SkinRect);
  const int dH = H - RectHeight(SkinRect);
  NewLTPt = LTPt;
  NewRTPt = RTPt;
  NewLBPt = LBPt;
  NewRBPt = RBPt;
  NewClRect = ClRect;
  switch (SkinImageKind) {
    case kSkinImageNineParts:
      NewRTPt = Point(RTPt.X + dW, RTPt.Y);
      NewLBPt = Point(LBPt.X, LBPt.Y + dH);
      NewRBPt = Point(RBPt.X + dW, RBPt.Y + dH);
      NewClRect.Right += dW;
      NewClRect.Bottom += dH;
      break;
    case kSkinImageHorz:
      H = RectHeight(SkinRect);
      NewRTPt = Point(RTPt.X + dW, RTPt.Y);
      NewClRect.Right += dW;
      break;
    case kSkinImageVert:
      W = RectWidth(SkinRect);
      NewLBPt = Point(LBPt.X, LBPt.Y + dH);
      NewClRect.Bottom += dH;
      break;
  }
}

TRect TspSkinGeometry::MapRectToSize(const TRect& R, int W, int H) const {
  const int dW = W - RectWidth(SkinRect);
  const int dH = H - RectHeight(SkinRect);
  TRect result = R;
  const int sw = RectWidth(SkinRect);
  const int sh = RectHeight(SkinRect);
  switch (SkinImageKind) {
    case kSkinImageNineParts: {
      const TRect lt(0, 0, LTPt.X, LTPt.Y);
      const TRect lb(0, LBPt.Y, LBPt.X, sh);
      const TRect rt(RTPt.X, 0, sw, RTPt.Y);
      const TRect rb(RBPt.X, RBPt.Y, sw, sh);
      if (RectInRect(R, lt)) return result;
      if (RectInRect(R, rt)) return OffsetRect(result, dW, 0);
      if (RectInRect(R, lb)) return OffsetRect(result, 0, dH);
      if (RectInRect(R, rb)) return OffsetRect(result, dW, dH);
      const TPoint tl = R.TopLeft();
      const TPoint br = R.BottomRight();
      if (PointInRect(lt, tl) && PointInRect(rb, br)) {
        result.Right += dW;
        result.Bottom += dH;
      } else if (PointInRect(lt, tl) && PointInRect(rt, br)) {
        result.Right += dW;
      } else if (PointInRect(lb, tl) && PointInRect(rb, br)) {
        result.Right += dW;
        result = OffsetRect(result, 0, dH);
      } else if (PointInRect(lt, tl) && PointInRect(lb, br)) {
        result.Bottom += dH;
      } else if (PointInRect(rt, tl) && PointInRect(rb, br)) {
        result = OffsetRect(result, dW, 0);
        result.Bottom += dH;
      }
      return result;
    }
    case kSkinImageHorz:
      if (R.Left <= LTPt.X && R.Right >= RTPt.X)
        result.Right += dW;
      else if (R.Left >= RTPt.X && R.Right > RTPt.X)
        result = OffsetRect(result, dW, 0);
      return result;
    case kSkinImageVert:
      if (R.Top <= LTPt.Y && R.Bottom >= LBPt.Y)
        result.Bottom += dH;
      else if (R.Top >= LBPt.Y && R.Bottom > LBPt.Y)
        result = OffsetRect(result, 0, dH);
      return result;
    default:
      return result;
  }
}

bool TspSkinGeometry::TImageKey::operator==(const TImageKey& O) const {
  return Picture == O.Picture && Handle == O.Handle && Src == O.Src && W == O.W && H == O.H &&
         Kind == O.Kind && Mode == O.Mode && LT == O.LT && RT == O.RT && LB == O.LB &&
         RB == O.RB && NewLT == O.NewLT && NewRT == O.NewRT && NewLB == O.NewLB &&
         NewRB == O.NewRB && Cl == O.Cl && NewCl == O.NewCl && Flags == O.Flags;
}

TspSkinGeometry::TImageKey TspSkinGeometry::ImageKey(TBitmap* Pic, const TRect& Src, int W, int H,
                                                     int Mode) const {
  TImageKey key;
  key.Picture = Pic;
  key.Handle = Pic ? Pic->GetHandle() : nullptr;
  key.Src = Src;
  key.W = W;
  key.H = H;
  key.Kind = SkinImageKind;
  key.Mode = Mode;
  key.LT = LTPt;
  key.RT = RTPt;
  key.LB = LBPt;
  key.RB = RBPt;
  key.NewLT = NewLTPt;
  key.NewRT = NewRTPt;
  key.NewLB = NewLBPt;
  key.NewRB = NewRBPt;
  key.Cl = ClRect;
  key.NewCl = NewClRect;
  key.Flags = int(StretchEffect) | int(LeftStretch) << 1 | int(TopStretch) << 2 |
              int(RightStretch) << 3 | int(BottomStretch) << 4 | int(StretchType) << 5;
  return key;
}

TBitmap* TspSkinGeometry::FindSkinImage(const TImageKey& Key) const {
  for (const TKeptImage& kept : FKept)
    if (kept.Image && kept.Key == Key) return kept.Image.get();
  return nullptr;
}

TBitmap* TspSkinGeometry::KeepSkinImage(const TImageKey& Key, TBitmap* Image) {
  constexpr size_t kLooks = 4;
  if (!Image || Image->GetEmpty()) return nullptr;
  if (FKept.size() < kLooks) FKept.emplace_back();
  TKeptImage& slot = FKept[FNextKept % FKept.size()];
  FNextKept = (FNextKept + 1) % kLooks;
  slot.Key = Key;
  if (!slot.Image) slot.Image = std::make_unique<TBitmap>();
  slot.Image->SetSize(Image->GetWidth(), Image->GetHeight());
  CopyBitmapTo(slot.Image->GetCanvas()->GetHandle(), 0, 0, Image);
  return slot.Image.get();
}

void TspSkinGeometry::ForgetSkinImages() {
  FKept.clear();
  FNextKept = 0;
}

void TspSkinGeometry::BuildImage(TBitmap* B, TBitmap* Pic, const TRect& Src, int W, int H,
                                 bool NineParts) {
  if (!PieceInPicture(Pic, Src)) return;
  const TImageKey key = ImageKey(Pic, Src, W, H, NineParts ? 1 : 0);
  if (TBitmap* kept = FindSkinImage(key)) {
    if (B->GetWidth() != kept->GetWidth() || B->GetHeight() != kept->GetHeight())
      B->SetSize(kept->GetWidth(), kept->GetHeight());
    CopyBitmapTo(B->GetCanvas()->GetHandle(), 0, 0, kept);
    return;
  }
  BuildImageNow(B, Pic, Src, W, H, NineParts);
  if (SkinImageKind != kSkinImageNone && (SkinImageKind != kSkinImageNineParts || NineParts))
    KeepSkinImage(key, B);
}

void TspSkinGeometry::BuildImageNow(TBitmap* B, TBitmap* Pic, const TRect& Src, int W, int H,
                                    bool NineParts) {
  switch (SkinImageKind) {
    case kSkinImageFixed:
      B->SetSize(RectWidth(Src), RectHeight(Src));
      BitBlt(B->GetCanvas()->GetHandle(), 0, 0, RectWidth(Src), RectHeight(Src),
             Pic->GetCanvas()->GetHandle(), Src.Left, Src.Top, SRCCOPY);
      break;
    case kSkinImageNineParts:
      if (NineParts)
        CreateSkinImage(LTPt, RTPt, LBPt, RBPt, ClRect, NewLTPt, NewRTPt, NewLBPt, NewRBPt,
                        NewClRect, B, Pic, Src, W, H, true, LeftStretch, TopStretch, RightStretch,
                        BottomStretch, StretchEffect, StretchType);
      break;
    case kSkinImageHorz: {
      const int left = LTPt.X;
      const int right = RectWidth(SkinRect) - RTPt.X;
      if (left < 0 || right < 0 || left + right > RectWidth(Src)) return;
      CreateHSkinImage(left, right, B, Pic, Src, W, H, StretchEffect);
      break;
    }
    case kSkinImageVert: {
      const int top = LTPt.Y;
      const int bottom = RectHeight(SkinRect) - LBPt.Y;
      if (top < 0 || bottom < 0 || top + bottom > RectHeight(Src)) return;
      CreateVSkinImage(top, bottom, B, Pic, Src, W, H, StretchEffect);
      break;
    }
    default:
      break;
  }
}


// ---------------------------------------------------------------------------------------
// TspSkinBinding

template <class TBase>
void TspSkinBinding<TBase>::Dispatch(TMessage& Message) {
  switch (Message.Msg) {
    case WM_ERASEBKGND:
      Message.Result = 1;  // the background is never erased
      return;
    case WM_MOVE:
      TBase::Dispatch(Message);
      if (FAlphaBlend) this->Repaint();
      return;
    case CM_MOUSEENTER:
      TBase::Dispatch(Message);
      if (OnMouseEnter) OnMouseEnter(this);
      return;
    case CM_MOUSELEAVE:
      TBase::Dispatch(Message);
      if (OnMouseLeave) OnMouseLeave(this);
      return;
    case WM_SKIN_PARENT_BG_CHANGED:
      ParentBackgroundChanged();
      return;
    default:
      TBase::Dispatch(Message);
  }
}

template <class TBase>
void TspSkinBinding<TBase>::SetSkinData(TspSkinData* Value) {
  ReplaceComponentReference(this, FSkinData, Value);
  if (Value && !Value->GetEmpty()) ChangeSkinData();
}

template <class TBase>
void TspSkinBinding<TBase>::SetAlphaBlend(bool Value) {
  FAlphaBlend = Value;
  this->Repaint();
}

template <class TBase>
void TspSkinBinding<TBase>::SetAlphaBlendValue(uint8_t Value) {
  FAlphaBlendValue = Value;
  this->Repaint();
}

template <class TBase>
void TspSkinBinding<TBase>::SetHintImageList(TCustomImageList* Value) {
  ReplaceComponentReference(this, FHintImageList, Value);
}

template <class TBase>
void TspSkinBinding<TBase>::GetSkinData() {
  FSkinIndex = SkinIndexOf(FSkinData, FSkinDataName);
}

template <class TBase>
TspDataSkinControl* TspSkinBinding<TBase>::SkinRecord() const {
  if (FSkinIndex == -1 || !FSkinData) return nullptr;
  return FSkinData->ControlRecords.Find(FSkinIndex);
}

template <class TBase>
void TspSkinBinding<TBase>::BeforeChangeSkinData() {
  FSkinIndex = -1;
}

template <class TBase>
void TspSkinBinding<TBase>::ChangeSkinData() {
  GetSkinData();
  ApplySkinCursor();
  this->Repaint();
}

template <class TBase>
void TspSkinBinding<TBase>::ApplySkinCursor() {
  if (FUseSkinCursor) this->SetCursor(SkinCursorOf(FSkinData, FCursorIndex));
}

template <class TBase>
void TspSkinBinding<TBase>::ParentBackgroundChanged() {
  if (FAlphaBlend) this->Repaint();
}

template <class TBase>
void TspSkinBinding<TBase>::PaintWhole() {
  const int w = this->GetWidth();
  const int h = this->GetHeight();
  if (w <= 0 || h <= 0) return;
  GetSkinData();
  TBitmap* image = PaintBitmapIn(FPaintBitmap, w, h);
  if (HasRecord())
    CreateControlSkinImage(image);
  else if (FDrawDefault)
    CreateControlDefaultImage(image);
  HDC dc = this->GetCanvas()->GetHandle();
  if (FAlphaBlend)
    DrawBlendedWithParent(this, dc, image, FAlphaBlendValue);
  else
    CopyBitmapTo(dc, 0, 0, image);
}

template <class TBase>
void TspSkinBinding<TBase>::Paint() {
  PaintWhole();
}

template <class TBase>
void TspSkinBinding<TBase>::Notification(TComponent* AComponent, TOperation Operation) {
  TBase::Notification(AComponent, Operation);
  if (Operation != opRemove) return;
  if (AComponent == FSkinData) {
    FSkinData = nullptr;
    FSkinIndex = -1;
  }
  if (AComponent == FHintImageList) FHintImageList = nullptr;
}

// ---------------------------------------------------------------------------------------
// TspSkinCustomBinding

template <class TBase>
TspSkinCustomBinding<TBase>::TspSkinCustomBinding(TComponent* AOwner)
    : TBase(AOwner), FDefaultFont(NewDefaultFont()) {
  FDefaultFont->OnChange = [this](TObject* Sender) { FontChange(Sender); };
}

template <class TBase>
TspSkinCustomBinding<TBase>::~TspSkinCustomBinding() {
  FDefaultFont->OnChange = nullptr;
}

template <class TBase>
void TspSkinCustomBinding<TBase>::FontChange(TObject*) {
  DefaultFontChanged();
  if (this->FSkinIndex == -1) this->Repaint();
}

template <class TBase>
void TspSkinCustomBinding<TBase>::SetDefaultFont(TFont* Value) {
  FDefaultFont->Assign(Value);
  DefaultFontChanged();
}

template <class TBase>
void TspSkinCustomBinding<TBase>::SetDefaultWidth(int Value) {
  FDefaultWidth = Value;
  if (this->FSkinIndex == -1 && Value > 0) this->SetWidth(Value);
}

template <class TBase>
void TspSkinCustomBinding<TBase>::SetDefaultHeight(int Value) {
  FDefaultHeight = Value;
  if (this->FSkinIndex == -1 && Value > 0) this->SetHeight(Value);
}

template <class TBase>
void TspSkinCustomBinding<TBase>::ApplySkinCharset(TFont* Font) const {
  TspSkinData* data = this->GetSkinDataComponent();
  if (data && data->GetResourceStrData())
    Font->SetCharset(data->GetResourceStrData()->GetCharSet());
  else
    Font->SetCharset(FDefaultFont->GetCharset());
}

template <class TBase>
void TspSkinCustomBinding<TBase>::BeforeChangeSkinData() {
  TBase::BeforeChangeSkinData();
  ForgetSkinImages();
}

template <class TBase>
void TspSkinCustomBinding<TBase>::GetSkinData() {
  TBase::GetSkinData();
  if (this->FSkinIndex == -1) {
    // Nothing of a skin that may be gone stays within reach.
    Picture = nullptr;
    TakeMask(nullptr);
    ForgetSkinImages();
    return;
  }
  auto* record = dynamic_cast<TspDataSkinCustomControl*>(this->SkinRecord());
  if (!record) {
    ClearGeometry(this->SkinRecord());
    TakeMask(nullptr);
    return;
  }
  TakeGeometry(record, this->GetSkinDataComponent());
  this->FCursorIndex = record->CursorIndex;
  TakeMask(record);
}

template <class TBase>
void TspSkinCustomBinding<TBase>::CalcSize(int& W, int& H) {
  CalcGeometry(this->HasRecord(), W, H);
}

template <class TBase>
TRect TspSkinCustomBinding<TBase>::MapSkinRectToSize(const TRect& R) const {
  return MapRectToSize(R, this->GetWidth(), this->GetHeight());
}

template <class TBase>
void TspSkinCustomBinding<TBase>::ChangeSkinData() {
  ForgetSkinImages();
  GetSkinData();
  this->ApplySkinCursor();
  if (!this->HasRecord()) {
    if (FDefaultWidth > 0 && FDefaultWidth != this->GetWidth()) this->SetWidth(FDefaultWidth);
    if (FDefaultHeight > 0 && FDefaultHeight != this->GetHeight()) this->SetHeight(FDefaultHeight);
  } else {
    int w = this->GetWidth();
    int h = this->GetHeight();
    CalcSize(w, h);
    if (w != this->GetWidth() || h != this->GetHeight()) {
      // SetBounds rebuilds what depends on the size and repaints.
      this->SetBounds(this->GetLeft(), this->GetTop(), w, h);
      return;
    }
  }
  AfterSkinChange();
}

template <class TBase>
void TspSkinCustomBinding<TBase>::SetBounds(int ALeft, int ATop, int AWidth, int AHeight) {
  GetSkinData();
  const bool changed =
      this->HasRecord() && (AWidth != this->GetWidth() || AHeight != this->GetHeight());
  if (changed) {
    CalcSize(AWidth, AHeight);
    if (SkinImageKind == kSkinImageFixed) NewClRect = ClRect;
  }
  ATop = CentredTopInToolBar(this->GetParent(), ATop, AHeight);
  TBase::SetBounds(ALeft, ATop, AWidth, AHeight);
  if (changed) AfterResize();
  AfterSetBounds();
}

template <class TBase>
void TspSkinCustomBinding<TBase>::CreateControlDefaultImage(TBitmap* B) {
  TCanvas* canvas = B->GetCanvas();
  canvas->GetBrush()->SetStyle(bsSolid);
  canvas->GetBrush()->SetColor(clBtnFace);
  canvas->FillRect(Rect(0, 0, this->GetWidth(), this->GetHeight()));
}

template <class TBase>
void TspSkinCustomBinding<TBase>::CreateControlSkinImage(TBitmap* B) {
  CreateSkinImageFromRect(B, Picture, SkinRect);
}

template <class TBase>
void TspSkinCustomBinding<TBase>::CreateSkinImageFromRect(TBitmap* B, TBitmap* Pic,
                                                          const TRect& Src) {
  int w = this->GetWidth();
  int h = this->GetHeight();
  CalcSize(w, h);
  BuildImage(B, Pic, Src, this->GetWidth(), this->GetHeight(), DrawsNineParts());
}

template class TspSkinBinding<TCustomControl>;
template class TspSkinBinding<TGraphicControl>;

// ---------------------------------------------------------------------------------------
// TspSkinControl

TspSkinControl::TspSkinControl(TComponent* AOwner) : TspSkinBinding<TCustomControl>(AOwner) {}

TspSkinControl::~TspSkinControl() = default;

void TspSkinControl::Dispatch(TMessage& Message) {
  if (Message.Msg == WM_PAINT) {
    TFlagScope painting(FInPaint);
    TspSkinBinding<TCustomControl>::Dispatch(Message);
    return;
  }
  TspSkinBinding<TCustomControl>::Dispatch(Message);
}

void TspSkinControl::ParentBackgroundChanged() {
  TspSkinBinding<TCustomControl>::ParentBackgroundChanged();
  NotifyChildrenParentBackground();
}

void TspSkinControl::NotifyChildrenParentBackground() {
  for (int i = 0; i < GetControlCount(); ++i) {
    TControl* child = GetControl(i);
    if (auto* windowed = dynamic_cast<TWinControl*>(child)) {
      if (windowed->HandleAllocated())
        SendMessageA(windowed->GetHandle(), WM_SKIN_PARENT_BG_CHANGED, 0, 0);
    } else {
      child->Perform(WM_SKIN_PARENT_BG_CHANGED, 0, 0);
    }
  }
}

// ---------------------------------------------------------------------------------------
// TspSkinCustomControl

template class TspSkinCustomBinding<TspSkinControl>;

TspSkinCustomControl::TspSkinCustomControl(TComponent* AOwner)
    : TspSkinCustomBinding<TspSkinControl>(AOwner) {}

TspSkinCustomControl::~TspSkinCustomControl() = default;

void TspSkinCustomControl::TakeMask(const TspDataSkinCustomControl* Record) {
  MaskPicture = Record ? GetSkinDataComponent()->GetActivePicture(Record->MaskPictureIndex) : nullptr;
}

void TspSkinCustomControl::AfterResize() {
  SetControlRegion();
  Repaint();
}

void TspSkinCustomControl::AfterSkinChange() {
  SetControlRegion();
  Repaint();
}

void TspSkinCustomControl::AfterSetBounds() {
  // The stretched background behind the children changed with the size (or may have).
  if (HasRecord() && StretchEffect) NotifyChildrenParentBackground();
}

void TspSkinCustomControl::CreateWnd() {
  TspSkinControl::CreateWnd();
  // A new window has no region; give it the skin's.
  FHasRegion = false;
  GetSkinData();
  if (HasRecord() && MaskPicture) SetControlRegion();
}

void TspSkinCustomControl::SetControlRegion() {
  if (!HandleAllocated()) return;  // the window gets its region when it is made
  const HWND wnd = GetHandle();
  auto removeRegion = [&] {
    if (!FHasRegion) return;
    SetWindowRgn(wnd, nullptr, TRUE);  // the system deletes the region it held
    FHasRegion = false;
  };
  if (!MaskPicture || MaskPicture->GetEmpty() || !HasRecord()) {
    removeRegion();
    return;
  }
  int w = GetWidth();
  int h = GetHeight();
  CalcSize(w, h);
  w = GetWidth();
  h = GetHeight();
  HRGN region = nullptr;
  switch (SkinImageKind) {
    case kSkinImageFixed:
      CreateRegionFromMask(region, MaskPicture);
      break;
    case kSkinImageNineParts:
      CreateSkinRegion(region, LTPt, RTPt, LBPt, RBPt, ClRect, NewLTPt, NewRTPt, NewLBPt, NewRBPt,
                       NewClRect, MaskPicture, w, h);
      break;
    case kSkinImageHorz: {
      const TPoint right(RTPt.X + w - RectWidth(SkinRect), RTPt.Y);
      CreateSkinRegion(region, LTPt, RTPt, LTPt, RTPt, ClRect, LTPt, right, LTPt, right, NewClRect,
                       MaskPicture, w, h);
      break;
    }
    case kSkinImageVert: {
      const TPoint bottom(LBPt.X, LBPt.Y + h - RectHeight(SkinRect));
      CreateSkinRegion(region, LTPt, LTPt, LBPt, LBPt, ClRect, LTPt, LTPt, bottom, bottom,
                       NewClRect, MaskPicture, w, h);
      break;
    }
    default:
      break;
  }
  RECT box;
  if (!region || GetRgnBox(region, &box) == NULLREGION) {
    // No shape, or one without any area (which would hide the window): no region.
    if (region) DeleteObject(region);
    removeRegion();
    return;
  }
  // From a successful set on, the region is the window's: the system deletes it when it is
  // replaced and when the window goes. Only a region the window did not take is ours.
  if (SetWindowRgn(wnd, region, TRUE))
    FHasRegion = true;
  else
    DeleteObject(region);
}

void TspSkinCustomControl::Paint() {
  if (GetWidth() < 1 || GetHeight() < 1) return;
  GetSkinData();
  int w = GetWidth();
  int h = GetHeight();
  CalcSize(w, h);
  if (FSkinIndex == -1 || !FBorderPaintMode || SkinImageKind != kSkinImageNineParts ||
      GetAlphaBlend())
    PaintWhole();
  else
    PaintBorders();
}

void TspSkinCustomControl::PaintBorders() {
  const int w = GetWidth();
  const int h = GetHeight();
  // The borders and the client as the skin gives them are kept; what descendants draw on
  // the top border (a caption) is drawn again on a copy of it every time.
  const TImageKey whole = ImageKey(Picture, SkinRect, w, h, FFillClientArea ? 3 : 2);
  const TImageKey band = ImageKey(Picture, SkinRect, w, h, 4);
  if (!FTopBitmap) FTopBitmap = std::make_unique<TBitmap>();
  TBitmap& top = *FTopBitmap;
  TBitmap* keptWhole = FindSkinImage(whole);
  TBitmap* keptTop = FindSkinImage(band);
  TBitmap* image = PaintBitmapIn(FPaintBitmap, w, h, !(keptWhole && keptTop));
  HDC dc = image->GetCanvas()->GetHandle();
  if (keptWhole && keptTop) {
    CopyBitmapTo(dc, 0, 0, keptWhole);
    if (top.GetWidth() != keptTop->GetWidth() || top.GetHeight() != keptTop->GetHeight())
      top.SetSize(keptTop->GetWidth(), keptTop->GetHeight());
    CopyBitmapTo(top.GetCanvas()->GetHandle(), 0, 0, keptTop);
  } else {
    TBitmap left, right, bottom;
    if (PieceInPicture(Picture, SkinRect))
      CreateSkinBorderImages(LTPt, RTPt, LBPt, RBPt, ClRect, NewLTPt, NewRTPt, NewLBPt, NewRBPt,
                             NewClRect, &left, &top, &right, &bottom, Picture, SkinRect, w, h,
                             LeftStretch, TopStretch, RightStretch, BottomStretch);
    if (FFillClientArea) {
      // The client piece must lie inside the record's part of the picture; an empty one
      // (nothing to repeat) is left out.
      TRect piece = OffsetRect(ClRect, SkinRect.Left, SkinRect.Top);
      TRect inside;
      if (IntersectRect(inside, piece, SkinRect) && inside == piece)
        FillSkinClient(image->GetCanvas(), NewClRect, Picture, piece, StretchEffect, StretchType);
    }
    CopyBitmapTo(dc, 0, 0, &top);
    CopyBitmapTo(dc, 0, top.GetHeight(), &left);
    CopyBitmapTo(dc, w - right.GetWidth(), top.GetHeight(), &right);
    CopyBitmapTo(dc, 0, h - bottom.GetHeight(), &bottom);
    KeepSkinImage(whole, image);
    KeepSkinImage(band, &top);
  }
  CreateControlSkinImage(&top);
  CopyBitmapTo(dc, 0, 0, &top);
  CopyBitmapTo(GetCanvas()->GetHandle(), 0, 0, image);
}


// ---------------------------------------------------------------------------------------
// Windowless twins

template class TspSkinCustomBinding<TspGraphicSkinControl>;

TspGraphicSkinControl::TspGraphicSkinControl(TComponent* AOwner)
    : TspSkinBinding<TGraphicControl>(AOwner) {}

TspGraphicSkinControl::~TspGraphicSkinControl() = default;

TspGraphicSkinCustomControl::TspGraphicSkinCustomControl(TComponent* AOwner)
    : TspSkinCustomBinding<TspGraphicSkinControl>(AOwner) {}

TspGraphicSkinCustomControl::~TspGraphicSkinCustomControl() = default;
