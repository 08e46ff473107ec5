#include "skin/data/SkinImages.h"

#include <algorithm>
#include <memory>

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
  HDC dc = canvas->GetHandle();
  const int saved = SaveDC(dc);
  IntersectClipRect(dc, Target.Left, Target.Top, Target.Right, Target.Bottom);
  if (horz) {
    for (int i = 0; i <= Target.Width() / t2->GetWidth(); ++i)
      canvas->Draw(Target.Left + i * t2->GetWidth(), Target.Top, t2.get());
  } else {
    for (int j = 0; j <= Target.Height() / t2->GetHeight(); ++j)
      canvas->Draw(Target.Left, Target.Top + j * t2->GetHeight(), t2.get());
  }
  RestoreDC(dc, saved);
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

void CreateSkinImage2(const TPoint& LTPoint, const TPoint& RTPoint, const TPoint& LBPoint,
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

void CreateSkinBorderImages(const TPoint& LTPoint, const TPoint& RTPoint, const TPoint& LBPoint,
                            const TPoint& RBPoint, const TRect& ClRect, const TPoint& NewLTPoint,
                            const TPoint& NewRTPoint, const TPoint& NewLBPoint,
                            const TPoint& NewRBPoint, const TRect& NewClRect, TBitmap* LeftB,
                            TBitmap* TopB, TBitmap* RightB, TBitmap* BottomB, TBitmap* SB,
                            const TRect& R, int NewW, int NewH, bool LeftStretch, bool TopStretch,
                            bool RightStretch, bool BottomStretch) {
  const int l = R.Left;
  const int t = R.Top;
  // Top border: the tiles start at the border's own origin, the corners go over them.
  const int th = NewClRect.Top;
  if (NewW > 0 && th > 0 && RTPoint.X - LTPoint.X > 0 && Resize(TopB, NewW, th)) {
    const TRect middle(l + LTPoint.X, t, l + RTPoint.X, t + th);
    if (TopStretch)
      StretchPiece(TopB, Rect(NewLTPoint.X, 0, NewRTPoint.X, th), SB, middle);
    else
      TileH(TopB, SB, middle, 0, TopB->GetWidth(), 0, th);
    CopyPiece(TopB, Rect(0, 0, NewLTPoint.X, th), SB, Rect(l, t, l + LTPoint.X, t + th));
    CopyPiece(TopB, Rect(NewRTPoint.X, 0, TopB->GetWidth(), th), SB,
              Rect(l + RTPoint.X, t, R.Right, t + th));
  }
  const int bh = NewH - NewClRect.Bottom;
  if (NewW > 0 && bh > 0 && RBPoint.X - LBPoint.X > 0 && Resize(BottomB, NewW, bh)) {
    const TRect middle(l + LBPoint.X, R.Bottom - bh, l + RBPoint.X, R.Bottom);
    if (BottomStretch)
      StretchPiece(BottomB, Rect(NewLBPoint.X, 0, NewRBPoint.X, bh), SB, middle);
    else
      TileH(BottomB, SB, middle, 0, BottomB->GetWidth(), 0, bh);
    CopyPiece(BottomB, Rect(0, 0, NewLBPoint.X, bh), SB,
              Rect(l, R.Bottom - bh, l + LBPoint.X, R.Bottom));
    CopyPiece(BottomB, Rect(NewRBPoint.X, 0, BottomB->GetWidth(), bh), SB,
              Rect(l + RBPoint.X, R.Bottom - bh, R.Right, R.Bottom));
  }
  // The side borders run between the top and bottom borders as they now are.
  const int lh = NewH - BottomB->GetHeight() - TopB->GetHeight();
  const int lw = NewClRect.Left;
  if (lw > 0 && lh > 0 && LBPoint.Y - LTPoint.Y > 0 && Resize(LeftB, lw, lh)) {
    const TRect middle(l, t + LTPoint.Y, l + lw, t + LBPoint.Y);
    if (LeftStretch)
      StretchPiece(LeftB, Rect(0, LTPoint.Y - ClRect.Top, lw, lh + LBPoint.Y - ClRect.Bottom), SB,
                   middle);
    else
      TileV(LeftB, SB, middle, 0, lh, 0, lw);
    if (LTPoint.Y - ClRect.Top > 0)
      CopyPiece(LeftB, Rect(0, 0, lw, LTPoint.Y - ClRect.Top), SB,
                Rect(l, t + ClRect.Top, l + lw, t + LTPoint.Y));
    if (ClRect.Bottom - LBPoint.Y > 0)
      CopyPiece(LeftB, Rect(0, lh - (ClRect.Bottom - LBPoint.Y), lw, lh), SB,
                Rect(l, t + LBPoint.Y, l + lw, t + ClRect.Bottom));
  }
  const int rw = NewW - NewClRect.Right;
  if (rw >= 1 && lh >= 1 && RBPoint.Y - RTPoint.Y >= 1 && Resize(RightB, rw, lh)) {
    const TRect middle(l + ClRect.Right, t + RTPoint.Y, R.Right, t + RBPoint.Y);
    if (RightStretch)
      StretchPiece(RightB, Rect(0, RTPoint.Y - ClRect.Top, rw, lh + RBPoint.Y - ClRect.Bottom), SB,
                   middle);
    else
      TileV(RightB, SB, middle, 0, lh, 0, rw);
    if (RTPoint.Y - ClRect.Top > 0)
      CopyPiece(RightB, Rect(0, 0, rw, RTPoint.Y - ClRect.Top), SB,
                Rect(l + ClRect.Right, t + ClRect.Top, R.Right, t + RTPoint.Y));
    if (ClRect.Bottom - RBPoint.Y >= 1)
      CopyPiece(RightB, Rect(0, lh - (ClRect.Bottom - RBPoint.Y), rw, lh), SB,
                Rect(l + ClRect.Right, t + RBPoint.Y, R.Right, t + ClRect.Bottom));
  }
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

  if (NewW > 0 && ClRect.Top > 0 && Resize(TopM, NewW, ClRect.Top)) {
    if (RTPoint.X != LTPoint.X)
      TileH(TopM, Mask, Rect(LTPoint.X, 0, RTPoint.X, ClRect.Top), NewLTPoint.X, NewRTPoint.X, 0,
            ClRect.Top);
    CopyPiece(TopM, Rect(0, 0, LTPoint.X, ClRect.Top), Mask, Rect(0, 0, LTPoint.X, ClRect.Top));
    CopyPiece(TopM, Rect(NewRTPoint.X, 0, TopM->GetWidth(), ClRect.Top), Mask,
              Rect(RTPoint.X, 0, mw, ClRect.Top));
  }
  const int bh = mh - ClRect.Bottom;
  if (NewW >= 1 && bh >= 1 && Resize(BottomM, NewW, bh)) {
    if (RBPoint.X != LBPoint.X)
      TileH(BottomM, Mask, Rect(LBPoint.X, ClRect.Bottom, RBPoint.X, mh), NewLBPoint.X,
            NewRBPoint.X, 0, bh);
    CopyPiece(BottomM, Rect(0, 0, LBPoint.X, bh), Mask, Rect(0, ClRect.Bottom, LBPoint.X, mh));
    CopyPiece(BottomM, Rect(NewRBPoint.X, 0, BottomM->GetWidth(), bh), Mask,
              Rect(RBPoint.X, ClRect.Bottom, mw, mh));
  }
}
