// Skin image builders: a rectangle R cut out of a skin picture SB becomes a picture of any
// new size. Fixed parts (corners, end caps) are copied unchanged, the parts between them
// are tiled or stretched, the middle (client) part is tiled, stretched, or stretched one
// way and repeated the other. The same cutting makes the four borders of a window frame
// and their masks. Points and client rectangles of the source are relative to R's
// top-left corner; the new ones are in the new picture's coordinates.
//
// Nine-part geometry: the top band (ClRect.Top high) is split at LTPoint.X and RTPoint.X
// into left corner, top side and right corner; the bottom band (from ClRect.Bottom to
// R's bottom) at LBPoint.X and RBPoint.X; the left band (ClRect.Left wide) between
// ClRect.Top and ClRect.Bottom at LTPoint.Y and LBPoint.Y; the right band (from
// ClRect.Right to R's right) at RTPoint.Y and RBPoint.Y.
#pragma once

#include "framework/Graphics.h"
#include "skin/data/SkinKinds.h"

// Three-part strips. LO and RO are the widths of the fixed left and right end caps of R;
// B becomes NewW wide and as high as R (NewH is not used), the middle is stretched or
// tiled from the left and cut at the right cap (a middle of width 0 counts as 1).
void CreateHSkinImage(int LO, int RO, TBitmap* B, TBitmap* SB, const TRect& R, int NewW, int NewH,
                      bool Stretch);
// Without the right cap: the middle runs to the right edge.
void CreateHSkinImageNoRight(int LO, int RO, TBitmap* B, TBitmap* SB, const TRect& R, int NewW,
                             int NewH, bool Stretch);
// Only the middle, over the whole new width.
void CreateHSkinImageMiddle(int LO, int RO, TBitmap* B, TBitmap* SB, const TRect& R, int NewW,
                            int NewH, bool Stretch);
// The same along the height: TO and BO are the heights of the top and bottom caps; B
// becomes as wide as R and NewH high (NewW is not used).
void CreateVSkinImage(int TO, int BO, TBitmap* B, TBitmap* SB, const TRect& R, int NewW, int NewH,
                      bool Stretch);

// The nine-part picture at NewW x NewH: corners copied, each side tiled from its new
// split point or stretched by its flag, and, with DrawClient, the client tiled or, with
// StretchEffect, stretched by StretchType. Nothing is painted beyond sizing B when the
// corner points coincide (RBPoint.X = LTPoint.X or RBPoint.Y = LTPoint.Y) or SB is empty.
void CreateSkinImage(const TPoint& LTPoint, const TPoint& RTPoint, const TPoint& LBPoint,
                     const TPoint& RBPoint, const TRect& ClRect, const TPoint& NewLTPoint,
                     const TPoint& NewRTPoint, const TPoint& NewLBPoint, const TPoint& NewRBPoint,
                     const TRect& NewClRect, TBitmap* B, TBitmap* SB, const TRect& R, int NewW,
                     int NewH, bool DrawClient, bool LeftStretch, bool TopStretch,
                     bool RightStretch, bool BottomStretch, bool StretchEffect, int StretchType);
// The same builder under the name the skinned menus and hints call.
inline constexpr auto& CreateSkinImage2 = CreateSkinImage;
// A picture without a right column: the top, the bottom and the client run to the right
// edge (RightStretch, NewRTPoint and NewRBPoint are not used).
void CreateSkinImageOpenRight(const TPoint& LTPoint, const TPoint& RTPoint, const TPoint& LBPoint,
                              const TPoint& RBPoint, const TRect& ClRect, const TPoint& NewLTPoint,
                              const TPoint& NewRTPoint, const TPoint& NewLBPoint,
                              const TPoint& NewRBPoint, const TRect& NewClRect, TBitmap* B,
                              TBitmap* SB, const TRect& R, int NewW, int NewH, bool DrawClient,
                              bool LeftStretch, bool TopStretch, bool RightStretch,
                              bool BottomStretch, bool StretchEffect, int StretchType);
// A nine-part picture at B's current size whose fixed corners are the corners of ClRect;
// everything between them (and the client, with DrawClient) stretched.
void CreateStretchSkinImage(TBitmap* B, TBitmap* SB, const TRect& R, const TRect& ClRect,
                            bool DrawClient);

// The four borders of a window frame at the new size as separate pictures: top and
// bottom across the whole width with their corners, left and right over the height
// between them (the heights TopB and BottomB have then). A border whose size or middle
// piece is not positive is left as it was.
void CreateSkinBorderImages(const TPoint& LTPoint, const TPoint& RTPoint, const TPoint& LBPoint,
                            const TPoint& RBPoint, const TRect& ClRect, const TPoint& NewLTPoint,
                            const TPoint& NewRTPoint, const TPoint& NewLBPoint,
                            const TPoint& NewRBPoint, const TRect& NewClRect, TBitmap* LeftB,
                            TBitmap* TopB, TBitmap* RightB, TBitmap* BottomB, TBitmap* SB,
                            const TRect& R, int NewW, int NewH, bool LeftStretch, bool TopStretch,
                            bool RightStretch, bool BottomStretch);
// The same cut of a mask picture (black = inside the window; the mask's own coordinates
// play the part of R) into four border masks, every middle part tiled. NewH is not used.
void CreateSkinBorderMasks(const TPoint& LTPoint, const TPoint& RTPoint, const TPoint& LBPoint,
                           const TPoint& RBPoint, const TRect& ClRect, const TPoint& NewLTPoint,
                           const TPoint& NewRTPoint, const TPoint& NewLBPoint,
                           const TPoint& NewRBPoint, const TRect& NewClRect, TBitmap* Mask,
                           TBitmap* TopM, TBitmap* LeftM, TBitmap* RightM, TBitmap* BottomM,
                           int NewW, int NewH);
