#include "skin/data/SkinImages.h"

#include <algorithm>
#include <memory>

#include "framework/Scopes.h"
#include "skin/data/SkinLayout.h"

namespace {

bool HasArea(const TRect& R) { return R.Width() > 0 && R.Height() > 0; }

struct TFreeDeleter {
  void operator()(TObject* Object) const {
    if (Object) Object->Free();
  }
};
using TBitmapPtr = std::unique_ptr<TBitmap, TFreeDeleter>;

// A picture to paint into: sized, and usable only when it has pixels.
bool Resize(TBitmap* B, int W, int H) {
  B->SetSize(std::max(W, 0), std::max(H, 0));
  return !B->GetEmpty();
}

// copy Src of S -> Dest of D (equal sizes wherever the builders use it). Pieces without
// area are left out, so that nothing is ever mirrored.
void CopyPiece(TBitmap* D, const TRect& Dest, TBitmap* S, const TRect& Src) {
  if (!HasArea(Dest) || !HasArea(Src)) return;
  D->GetCanvas()->CopyRect(Dest, S->GetCanvas(), Src);
}

// Src copied into a picture of its own size.
TBitmapPtr CutPiece(TBitmap* S, const TRect& Src) {
  TBitmapPtr piece(new TBitmap);
  piece->SetSize(Src.Width(), Src.Height());
  piece->GetCanvas()->CopyRect(Rect(0, 0, Src.Width(), Src.Height()), S->GetCanvas(), Src);
  return piece;
}

// stretch Src of S -> Dest of D, through a picture of Src's size.
void StretchPiece(TBitmap* D, const TRect& Dest, TBitmap* S, const TRect& Src) {
  if (!HasArea(Dest) || !HasArea(Src)) return;
  TBitmapPtr piece = CutPiece(S, Src);
  D->GetCanvas()->StretchDraw(Dest, piece.get());
}

// Src tiled across the columns A .. B of the rows Top .. Bottom.
void TileH(TBitmap* D, TBitmap* S, const TRect& Src, int A, int B, int Top, int Bottom) {
  for (const TTilePiece& p : TileCut(A, B, Src.Width()))
    CopyPiece(D, Rect(p.Pos, Top, p.Pos + p.Length, Bottom), S,
              Rect(Src.Left, Src.Top, Src.Left + p.Length, Src.Bottom));
}

// Src tiled down the rows A .. B of the columns Left .. Right.
void TileV(TBitmap* D, TBitmap* S, const TRect& Src, int A, int B, int Left, int Right) {
  for (const TTilePiece& p : TileCut(A, B, Src.Height()))
    CopyPiece(D, Rect(Left, p.Pos, Right, p.Pos + p.Length), S,
              Rect(Src.Left, Src.Top, Src.Right, Src.Top + p.Length));
}

// A side: stretched into Dest, or tiled along it (horizontally for top and bottom sides).
void PaintSide(TBitmap* D, const TRect& Dest, TBitmap* S, const TRect& Src, bool Stretch,
               bool Horizontal) {
  if (Stretch)
    StretchPiece(D, Dest, S, Src);
  else if (Horizontal)
    TileH(D, S, Src, Dest.Left, Dest.Right, Dest.Top, Dest.Bottom);
  else
    TileV(D, S, Src, Dest.Top, Dest.Bottom, Dest.Left, Dest.Right);
}

// The client part C of S in Target of D: stretched by StretchType with StretchEffect,
// otherwise tiled in both directions from Target's top-left corner.
void PaintClient(TBitmap* D, const TRect& Target, TBitmap* S, const TRect& C, bool StretchEffect,
                 int StretchType) {
  const int cw = C.Width();
  const int ch = C.Height();
  if (cw <= 0 || ch <= 0) return;  // a client without area has nothing to repeat
  if (!StretchEffect) {
    const int nw = Target.Width();
    const int nh = Target.Height();
    if (nw <= 0 || nh <= 0) return;
    for (int i = 0; i <= nw / cw; ++i) {
      for (int j = 0; j <= nh / ch; ++j) {
        const int cutX = std::max(0, (i + 1) * cw - nw);
        const int cutY = std::max(0, (j + 1) * ch - nh);
        const int x = Target.Left + i * cw;
        const int y = Target.Top + j * ch;
        CopyPiece(D, Rect(x, y, x + cw - cutX, y + ch - cutY), S,
                  Rect(C.Left, C.Top, C.Right - cutX, C.Bottom - cutY));
      }
    }
    return;
  }
  if (!HasArea(Target)) return;
  TBitmapPtr t = CutPiece(S, C);
  TCanvas* canvas = D->GetCanvas();
  if (StretchType == stFull) {
    canvas->StretchDraw(Target, t.get());
    return;
  }
  if (StretchType != stHorz && StretchType != stVert) return;
  // One copy stretched across the short way, repeated the long way inside Target.
  const bool horz = StretchType == stHorz;
  TBitmapPtr t2(new TBitmap);
  t2->SetSize(horz ? cw : Target.Width(), horz ? Target.Height() : ch);
  t2->GetCanvas()->StretchDraw(Rect(0, 0, t2->GetWidth(), t2->GetHeight()), t.get());
  canvas->Lock();
  {
    HDC dc = canvas->GetHandle();
    TSavedDC saved(dc);
    IntersectClipRect(dc, Target.Left, Target.Top, Target.Right, Target.Bottom);
    if (horz) {
      for (int i = 0; i <= Target.Width() / t2->GetWidth(); ++i)
        canvas->Draw(Target.Left + i * t2->GetWidth(), Target.Top, t2.get());
    } else {
      for (int j = 0; j <= Target.Height() / t2->GetHeight(); ++j)
        canvas->Draw(Target.Left, Target.Top + j * t2->GetHeight(), t2.get());
    }
  }
  canvas->Unlock();
}

// The middle of a three-part strip, with a width of 0 counted as 1.
TRect StripMiddle(int LO, int RO, const TRect& R) {
  TRect m(R.Left + LO, R.Top, R.Right - RO, R.Bottom);
  if (m.Width() == 0) m.Right = m.Left + 1;
  return m;
}

}  // namespace

// ---------------------------------------------------------------------------------------
// Three-part strips

void CreateHSkinImage(int LO, int RO, TBitmap* B, TBitmap* SB, const TRect& R, int NewW, int NewH,
                      bool Stretch) {
  if (!Resize(B, NewW, R.Height())) return;
  const int w = B->GetWidth();
  const int h = B->GetHeight();
  if (LO != 0) CopyPiece(B, Rect(0, 0, LO, h), SB, Rect(R.Left, R.Top, R.Left + LO, R.Bottom));
  if (RO != 0)
    CopyPiece(B, Rect(w - RO, 0, w, h), SB, Rect(R.Right - RO, R.Top, R.Right, R.Bottom));
  PaintSide(B, Rect(LO, 0, w - RO, h), SB, StripMiddle(LO, RO, R), Stretch, true);
}

void CreateHSkinImageNoRight(int LO, int RO, TBitmap* B, TBitmap* SB, const TRect& R, int NewW,
                             int NewH, bool Stretch) {
  if (!Resize(B, NewW, R.Height())) return;
  const int w = B->GetWidth();
  const int h = B->GetHeight();
  if (LO != 0) CopyPiece(B, Rect(0, 0, LO, h), SB, Rect(R.Left, R.Top, R.Left + LO, R.Bottom));
  PaintSide(B, Rect(LO, 0, w, h), SB, StripMiddle(LO, RO, R), Stretch, true);
}

void CreateHSkinImageMiddle(int LO, int RO, TBitmap* B, TBitmap* SB, const TRect& R, int NewW,
                            int NewH, bool Stretch) {
  if (!Resize(B, NewW, R.Height())) return;
  PaintSide(B, Rect(0, 0, B->GetWidth(), B->GetHeight()), SB, StripMiddle(LO, RO, R), Stretch,
            true);
}

void CreateVSkinImage(int TO, int BO, TBitmap* B, TBitmap* SB, const TRect& R, int NewW, int NewH,
                      bool Stretch) {
  if (!Resize(B, R.Width(), NewH)) return;
  const int w = B->GetWidth();
  const int h = B->GetHeight();
  if (TO != 0) CopyPiece(B, Rect(0, 0, w, TO), SB, Rect(R.Left, R.Top, R.Right, R.Top + TO));
  if (BO != 0)
    CopyPiece(B, Rect(0, h - BO, w, h), SB, Rect(R.Left, R.Bottom - BO, R.Right, R.Bottom));
  PaintSide(B, Rect(0, TO, w, h - BO), SB, Rect(R.Left, R.Top + TO, R.Right, R.Bottom - BO),
            Stretch, false);
}

// ---------------------------------------------------------------------------------------
// Nine-part pictures

namespace {

// The parts of CreateSkinImage and CreateSkinImageOpenRight. OpenRight: no right column,
// the top, bottom and client reach NewW.
void BuildNinePart(const TPoint& LTPoint, const TPoint& RTPoint, const TPoint& LBPoint,
                   const TPoint& RBPoint, const TRect& ClRect, const TPoint& NewLTPoint,
                   const TPoint& NewRTPoint, const TPoint& NewLBPoint, const TPoint& NewRBPoint,
                   const TRect& NewClRect, TBitmap* B, TBitmap* SB, const TRect& R, int NewW,
                   int NewH, bool DrawClient, bool LeftStretch, bool TopStretch, bool RightStretch,
                   bool BottomStretch, bool StretchEffect, int StretchType, bool OpenRight) {
  if (!Resize(B, NewW, NewH)) return;
  if (RBPoint.X == LTPoint.X || RBPoint.Y == LTPoint.Y || !SB || SB->GetEmpty()) return;
  const int l = R.Left;
  const int t = R.Top;

  const TRect topSrc(l + LTPoint.X, t, l + RTPoint.X, t + ClRect.Top);
  PaintSide(B, Rect(NewLTPoint.X, 0, OpenRight ? NewW : NewRTPoint.X, NewClRect.Top), SB, topSrc,
            TopStretch, true);
  const TRect bottomSrc(l + LBPoint.X, t + ClRect.Bottom, l + RBPoint.X, R.Bottom);
  PaintSide(B, Rect(NewLBPoint.X, NewClRect.Bottom, OpenRight ? NewW : NewRBPoint.X, NewH), SB,
            bottomSrc, BottomStretch, true);
  // A tiled left side takes a source as wide as the new left band.
  const TRect leftSrc(l, t + LTPoint.Y, l + (LeftStretch ? ClRect.Left : NewClRect.Left),
                      t + LBPoint.Y);
  PaintSide(B, Rect(0, NewLTPoint.Y, NewClRect.Left, NewLBPoint.Y), SB, leftSrc, LeftStretch,
            false);
  if (!OpenRight) {
    const TRect rightSrc(l + ClRect.Right, t + RTPoint.Y, R.Right, t + RBPoint.Y);
    PaintSide(B, Rect(NewClRect.Right, NewRTPoint.Y, NewW, NewRBPoint.Y), SB, rightSrc,
              RightStretch, false);
  }

  // Corner pieces: the horizontal and the vertical half of each L-shaped corner.
  CopyPiece(B, Rect(0, 0, NewLTPoint.X, NewClRect.Top), SB,
            Rect(l, t, l + LTPoint.X, t + ClRect.Top));
  CopyPiece(B, Rect(0, NewClRect.Top, NewClRect.Left, NewLTPoint.Y), SB,
            Rect(l, t + ClRect.Top, l + ClRect.Left, t + LTPoint.Y));
  if (!OpenRight) {
    CopyPiece(B, Rect(NewRTPoint.X, 0, NewW, NewClRect.Top), SB,
              Rect(l + RTPoint.X, t, R.Right, t + ClRect.Top));
    CopyPiece(B, Rect(NewClRect.Right, NewClRect.Top, NewW, NewRTPoint.Y), SB,
              Rect(l + ClRect.Right, t + ClRect.Top, R.Right, t + RTPoint.Y));
  }
  CopyPiece(B, Rect(0, NewLBPoint.Y, NewClRect.Left, NewH), SB,
            Rect(l, t + LBPoint.Y, l + ClRect.Left, R.Bottom));
  CopyPiece(B, Rect(NewClRect.Left, NewClRect.Bottom, NewLBPoint.X, NewH), SB,
            Rect(l + ClRect.Left, t + ClRect.Bottom, l + LBPoint.X, R.Bottom));
  if (!OpenRight) {
    CopyPiece(B, Rect(NewRBPoint.X, NewClRect.Bottom, NewW, NewH), SB,
              Rect(l + RBPoint.X, t + ClRect.Bottom, R.Right, R.Bottom));
    CopyPiece(B, Rect(NewClRect.Right, NewRBPoint.Y, NewW, NewClRect.Bottom), SB,
              Rect(l + ClRect.Right, t + RBPoint.Y, R.Right, t + ClRect.Bottom));
  }

  if (DrawClient) {
    const TRect c(l + ClRect.Left, t + ClRect.Top, l + ClRect.Right, t + ClRect.Bottom);
    TRect target = NewClRect;
    if (OpenRight) target.Right = NewW;
    PaintClient(B, target, SB, c, StretchEffect, StretchType);
  }
}

}  // namespace

void CreateSkinImage(const TPoint& LTPoint, const TPoint& RTPoint, const TPoint& LBPoint,
                     const TPoint& RBPoint, const TRect& ClRect, const TPoint& NewLTPoint,
                     const TPoint& NewRTPoint, const TPoint& NewLBPoint, const TPoint& NewRBPoint,
                     const TRect& NewClRect, TBitmap* B, TBitmap* SB, const TRect& R, int NewW,
                     int NewH, bool DrawClient, bool LeftStretch, bool TopStretch,
                     bool RightStretch, bool BottomStretch, bool StretchEffect, int StretchType) {
  BuildNinePart(LTPoint, RTPoint, LBPoint, RBPoint, ClRect, NewLTPoint, NewRTPoint, NewLBPoint,
                NewRBPoint, NewClRect, B, SB, R, NewW, NewH, DrawClient, LeftStretch, TopStretch,
                RightStretch, BottomStretch, StretchEffect, StretchType, false);
}

void CreateSkinImageOpenRight(const TPoint& LTPoint, const TPoint& RTPoint, const TPoint& LBPoint,
                              const TPoint& RBPoint, const TRect& ClRect, const TPoint& NewLTPoint,
                              const TPoint& NewRTPoint, const TPoint& NewLBPoint,
                              const TPoint& NewRBPoint, const TRect& NewClRect, TBitmap* B,
                              TBitmap* SB, const TRect& R, int NewW, int NewH, bool DrawClient,
                              bool LeftStretch, bool TopStretch, bool RightStretch,
                              bool BottomStretch, bool StretchEffect, int StretchType) {
  BuildNinePart(LTPoint, RTPoint, LBPoint, RBPoint, ClRect, NewLTPoint, NewRTPoint, NewLBPoint,
                NewRBPoint, NewClRect, B, SB, R, NewW, NewH, DrawClient, LeftStretch, TopStretch,
                RightStretch, BottomStretch, StretchEffect, StretchType, true);
}

void CreateStretchSkinImage(TBitmap* B, TBitmap* SB, const TRect& R, const TRect& ClRect,
                            bool DrawClient) {
  const int w = B->GetWidth();
  const int h = B->GetHeight();
  const TRect newCl(ClRect.Left, ClRect.Top, ClRect.Right + w - R.Width(),
                    ClRect.Bottom + h - R.Height());
  CreateSkinImage(ClRect.TopLeft(), Point(ClRect.Right, ClRect.Top),
                  Point(ClRect.Left, ClRect.Bottom), ClRect.BottomRight(), ClRect, newCl.TopLeft(),
                  Point(newCl.Right, newCl.Top), Point(newCl.Left, newCl.Bottom),
                  newCl.BottomRight(), newCl, B, SB, R, w, h, DrawClient, true, true, true, true,
                  true, stFull);
}

// ---------------------------------------------------------------------------------------
// Frame borders and their masks

namespace {

// A top or bottom border Height rows high from source row SrcTop: its middle (source
// columns SplitLeft .. SplitRight of R) tiled from the border's own origin or stretched
// between the new split points, its ends copied over it.
void HorizontalBorder(TBitmap* B, TBitmap* SB, const TRect& R, int NewW, int Height, int SrcTop,
                      int SplitLeft, int SplitRight, int NewSplitLeft, int NewSplitRight,
                      bool Stretch) {
  if (!Resize(B, NewW, Height)) return;
  const int bottom = SrcTop + Height;
  const TRect middle(R.Left + SplitLeft, SrcTop, R.Left + SplitRight, bottom);
  if (Stretch)
    StretchPiece(B, Rect(NewSplitLeft, 0, NewSplitRight, Height), SB, middle);
  else
    TileH(B, SB, middle, 0, B->GetWidth(), 0, Height);
  CopyPiece(B, Rect(0, 0, NewSplitLeft, Height), SB,
            Rect(R.Left, SrcTop, R.Left + SplitLeft, bottom));
  CopyPiece(B, Rect(NewSplitRight, 0, B->GetWidth(), Height), SB,
            Rect(R.Left + SplitRight, SrcTop, R.Right, bottom));
}

// A left or right border of source columns SrcLeft .. SrcRight, Width x Height: its
// middle (rows SplitTop .. SplitBottom of R) tiled from 0 or stretched, the pieces between
// the client's top and SplitTop and between SplitBottom and the client's bottom copied to
// its ends.
void VerticalBorder(TBitmap* B, TBitmap* SB, const TRect& R, const TRect& ClRect, int SrcLeft,
                    int SrcRight, int Width, int Height, int SplitTop, int SplitBottom,
                    bool Stretch) {
  if (!Resize(B, Width, Height)) return;
  const int t = R.Top;
  const TRect middle(SrcLeft, t + SplitTop, SrcRight, t + SplitBottom);
  if (Stretch)
    StretchPiece(B, Rect(0, SplitTop - ClRect.Top, Width, Height + SplitBottom - ClRect.Bottom), SB,
                 middle);
  else
    TileV(B, SB, middle, 0, Height, 0, Width);
  if (SplitTop - ClRect.Top > 0)
    CopyPiece(B, Rect(0, 0, Width, SplitTop - ClRect.Top), SB,
              Rect(SrcLeft, t + ClRect.Top, SrcRight, t + SplitTop));
  if (ClRect.Bottom - SplitBottom > 0)
    CopyPiece(B, Rect(0, Height - (ClRect.Bottom - SplitBottom), Width, Height), SB,
              Rect(SrcLeft, t + SplitBottom, SrcRight, t + ClRect.Bottom));
}

}  // namespace

void CreateSkinBorderImages(const TPoint& LTPoint, const TPoint& RTPoint, const TPoint& LBPoint,
                            const TPoint& RBPoint, const TRect& ClRect, const TPoint& NewLTPoint,
                            const TPoint& NewRTPoint, const TPoint& NewLBPoint,
                            const TPoint& NewRBPoint, const TRect& NewClRect, TBitmap* LeftB,
                            TBitmap* TopB, TBitmap* RightB, TBitmap* BottomB, TBitmap* SB,
                            const TRect& R, int NewW, int NewH, bool LeftStretch, bool TopStretch,
                            bool RightStretch, bool BottomStretch) {
  const int th = NewClRect.Top;
  if (NewW > 0 && th > 0 && RTPoint.X - LTPoint.X > 0)
    HorizontalBorder(TopB, SB, R, NewW, th, R.Top, LTPoint.X, RTPoint.X, NewLTPoint.X, NewRTPoint.X,
                     TopStretch);
  const int bh = NewH - NewClRect.Bottom;
  if (NewW > 0 && bh > 0 && RBPoint.X - LBPoint.X > 0)
    HorizontalBorder(BottomB, SB, R, NewW, bh, R.Bottom - bh, LBPoint.X, RBPoint.X, NewLBPoint.X,
                     NewRBPoint.X, BottomStretch);
  // The side borders run between the top and bottom borders as they now are.
  const int lh = NewH - BottomB->GetHeight() - TopB->GetHeight();
  const int lw = NewClRect.Left;
  if (lw > 0 && lh > 0 && LBPoint.Y - LTPoint.Y > 0)
    VerticalBorder(LeftB, SB, R, ClRect, R.Left, R.Left + lw, lw, lh, LTPoint.Y, LBPoint.Y,
                   LeftStretch);
  const int rw = NewW - NewClRect.Right;
  if (rw > 0 && lh > 0 && RBPoint.Y - RTPoint.Y > 0)
    VerticalBorder(RightB, SB, R, ClRect, R.Left + ClRect.Right, R.Right, rw, lh, RTPoint.Y,
                   RBPoint.Y, RightStretch);
}

void CreateSkinBorderMasks(const TPoint& LTPoint, const TPoint& RTPoint, const TPoint& LBPoint,
                           const TPoint& RBPoint, const TRect& ClRect, const TPoint& NewLTPoint,
                           const TPoint& NewRTPoint, const TPoint& NewLBPoint,
                           const TPoint& NewRBPoint, const TRect& NewClRect, TBitmap* Mask,
                           TBitmap* TopM, TBitmap* LeftM, TBitmap* RightM, TBitmap* BottomM,
                           int NewW, int NewH) {
  const int mw = Mask->GetWidth();
  const int mh = Mask->GetHeight();
  const int nh = NewClRect.Height();
  // A side mask: the middle between the split points tiled down, the pieces above and
  // below them copied to its ends.
  auto sideMask = [&](TBitmap* M, int Left, int Right, int SplitTop, int SplitBottom) {
    const int w = Right - Left;
    if (w <= 0 || nh <= 0 || !Resize(M, w, nh)) return;
    if (SplitBottom != SplitTop)
      TileV(M, Mask, Rect(Left, SplitTop, Right, SplitBottom), 0, M->GetHeight(), 0, w);
    if (SplitTop - ClRect.Top > 0)
      CopyPiece(M, Rect(0, 0, w, SplitTop - ClRect.Top), Mask,
                Rect(Left, ClRect.Top, Right, SplitTop));
    if (ClRect.Bottom - SplitBottom > 0)
      CopyPiece(M, Rect(0, M->GetHeight() - (ClRect.Bottom - SplitBottom), w, M->GetHeight()), Mask,
                Rect(Left, SplitBottom, Right, ClRect.Bottom));
  };
  sideMask(LeftM, 0, ClRect.Left, LTPoint.Y, LBPoint.Y);
  sideMask(RightM, ClRect.Right, mw, RTPoint.Y, RBPoint.Y);
  // A top or bottom mask of the mask's rows Top .. Bottom: the middle between the split
  // points tiled between the new ones, the ends copied.
  auto bandMask = [&](TBitmap* M, int Top, int Bottom, int SplitLeft, int SplitRight,
                      int NewSplitLeft, int NewSplitRight) {
    const int h = Bottom - Top;
    if (NewW <= 0 || h <= 0 || !Resize(M, NewW, h)) return;
    if (SplitRight != SplitLeft)
      TileH(M, Mask, Rect(SplitLeft, Top, SplitRight, Bottom), NewSplitLeft, NewSplitRight, 0, h);
    CopyPiece(M, Rect(0, 0, SplitLeft, h), Mask, Rect(0, Top, SplitLeft, Bottom));
    CopyPiece(M, Rect(NewSplitRight, 0, M->GetWidth(), h), Mask, Rect(SplitRight, Top, mw, Bottom));
  };
  bandMask(TopM, 0, ClRect.Top, LTPoint.X, RTPoint.X, NewLTPoint.X, NewRTPoint.X);
  bandMask(BottomM, ClRect.Bottom, mh, LBPoint.X, RBPoint.X, NewLBPoint.X, NewRBPoint.X);
}
