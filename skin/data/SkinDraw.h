// Drawing routines every skinned control, menu and frame shares: a glyph and a caption
// laid out in a button rectangle, texts shortened to a width, measured and drawn (ANSI
// and wide), and the small vector glyphs drawn where a skin has no picture. Each draws on
// the canvas it is given, with that canvas's font, pen and brush unless it says otherwise.
#pragma once

#include "framework/Controls.h"
#include "framework/Graphics.h"
#include "framework/ImgList.h"
#include "skin/data/SkinLayout.h"

// DrawText flags of the caption: measured with DT_CALCRECT | DT_EXPANDTABS | DT_WORDBREAK,
// drawn with DT_EXPANDTABS | DT_WORDBREAK | DT_VCENTER | DT_CENTER.
constexpr UINT kCaptionMeasureFlags = DT_CALCRECT | DT_EXPANDTABS | DT_WORDBREAK;
constexpr UINT kCaptionDrawFlags = DT_EXPANDTABS | DT_WORDBREAK | DT_VCENTER | DT_CENTER;

// Picture ImageIndex of an image list and a word-wrapped caption laid out in R
// (CalcButtonLayout; Margin -1 centres them), moved one pixel right and down when Down;
// the picture drawn with Enabled (the list's disabled form when False). No picture for a
// missing list or an index outside it. With DrawMarker, a bar of MarkerColor under the
// picture, under the caption when there is no picture, or filling the button when there
// is neither.
void DrawImageAndText(TCanvas* Canvas, const TRect& R, int Margin, int Spacing, int Layout,
                      const AnsiString& Caption, int ImageIndex, TCustomImageList* ImageList,
                      bool Down, bool Enabled, bool DrawMarker, TColor MarkerColor);
// Glyph number GlyphNum (counted from 1) of a strip of NumGlyphs glyphs of equal width,
// drawn transparently at (X, Y): the colour of the glyph's bottom-left pixel is left out.
// Nothing for an empty strip or a glyph number outside the strip.
void DrawGlyph(TCanvas* Canvas, int X, int Y, TBitmap* Glyph, int NumGlyphs, int GlyphNum);
// A glyph of a strip and a word-wrapped caption laid out in R (CalcButtonLayout; Margin
// -1 centres them), moved one pixel right and down when Down. With DrawMarker, a bar of
// MarkerColor under the glyph, under the caption when there is no glyph, or filling the
// button when there is neither.
void DrawGlyphAndText(TCanvas* Canvas, const TRect& R, int Margin, int Spacing, int Layout,
                      const AnsiString& Caption, TBitmap* Glyph, int NumGlyphs, int GlyphNum,
                      bool Down, bool DrawMarker, TColor MarkerColor);

// S unchanged when it fits Width pixels; otherwise the longest beginning that fits with
// "..." after it, or "..." alone.
void CorrectTextByWidth(TCanvas* Canvas, AnsiString& S, int Width);
void CorrectWideTextByWidth(TCanvas* Canvas, WideString& S, int Width);
// DrawText of a wide text (DrawTextW on Windows NT, else the text in the system code page
// through DrawTextA); with DT_CALCRECT, R becomes its extent.
int DrawWideText(TCanvas* Canvas, const WideString& S, TRect& R, UINT Format);
int WideTextWidth(TCanvas* Canvas, const WideString& S);
int WideTextHeight(TCanvas* Canvas, const WideString& S);
// One line, left-aligned and centred vertically in R; nothing for an empty text.
void DrawSingleLineText(TCanvas* Canvas, const AnsiString& S, const TRect& R);
// Clipped to R at x = R.Left + 2 (+ Offset), centred vertically; nothing for an empty text.
void DrawTextInRect(TCanvas* Canvas, const AnsiString& S, const TRect& R);
void DrawTextInRectOffset(TCanvas* Canvas, const AnsiString& S, const TRect& R, int Offset);

// What lies behind a control, painted into a canvas of the control's size in the
// control's coordinates: the parent's background (for an MDI main form, its client
// window's) and painting, then every visible windowless sibling before the control in
// the parent's list that overlaps it. Nothing without a parent. The parent (and each
// sibling while it paints) carries csPaintCopy meanwhile.
void GetParentImage(TControl* Control, TCanvas* Canvas);
// The same for the part R of the control, painted at the canvas's origin.
void GetParentImageRect(TControl* Control, const TRect& R, TCanvas* Canvas);

// Vector glyphs in Color (the pen, and for filled ones the brush, take it).
// A down triangle of rows 5, 3 and 1 pixels wide under the centre of R.
void DrawSmallDownArrow(TCanvas* Canvas, const TRect& R, TColor Color);
// A triangle of four lines (1, 3, 5, 7 pixels) centred in R: Kind 1 left, 2 right, 3 up,
// 4 down; other kinds draw nothing.
void DrawArrowImage(TCanvas* Canvas, const TRect& R, TColor Color, int Kind);
void DrawRadioImage(TCanvas* Canvas, int X, int Y, TColor Color);
void DrawCheckImage(TCanvas* Canvas, int X, int Y, TColor Color);
// Caption-button glyphs.
void DrawCloseImage(TCanvas* Canvas, int X, int Y, TColor Color);
void DrawSysMenuImage(TCanvas* Canvas, int X, int Y, TColor Color);
void DrawMinimizeImage(TCanvas* Canvas, int X, int Y, TColor Color);
void DrawMaximizeImage(TCanvas* Canvas, int X, int Y, TColor Color);
void DrawRestoreImage(TCanvas* Canvas, int X, int Y, TColor Color);
void DrawRollDownImage(TCanvas* Canvas, int X, int Y, TColor Color);
void DrawRollUpImage(TCanvas* Canvas, int X, int Y, TColor Color);
void DrawTrayImage(TCanvas* Canvas, int X, int Y, TColor Color);
