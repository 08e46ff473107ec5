// Unit SPUtils: the shared routines of the skin toolkit. This header holds the portable
// value routines on which the skin data and all skinned painting rest: integer and
// rectangle arithmetic, the parsers of the skin file's coordinate texts, and the readers
// and writers that turn ini keys into rectangles, points, Booleans, font styles,
// alignments and string lists. Their rules are the rules of the skin file format.
// Portable: no Windows header (the drawing routines of the unit live beside it, for
// Windows only).
#pragma once

#include "framework/Classes.h"
#include "framework/IniFiles.h"
#include "framework/Types.h"
#include "framework/UITypes.h"

// ---------------------------------------------------------------------------------------
// Integers and rectangles

// A when B < A, else B.
constexpr int IntMax(int A, int B) { return B < A ? A : B; }
// A when A < B, else B.
constexpr int IntMin(int A, int B) { return A < B ? A : B; }
// Right - Left and Bottom - Top; both may be negative.
constexpr int RectWidth(const TRect& R) { return R.Right - R.Left; }
constexpr int RectHeight(const TRect& R) { return R.Bottom - R.Top; }
constexpr TRect NullRect() { return TRect(0, 0, 0, 0); }
// A rectangle that shows nothing: its width or its height is 0 or less.
constexpr bool IsNullRect(const TRect& R) { return RectWidth(R) <= 0 || RectHeight(R) <= 0; }
// A point with either coordinate 0.
constexpr bool IsNullPoint(const TPoint& P) { return P.X == 0 || P.Y == 0; }
constexpr bool RectsEqual(const TRect& R1, const TRect& R2) { return R1 == R2; }
// Left <= X <= Right and Top <= Y <= Bottom: the right and bottom edges count as inside.
constexpr bool PointInRect(const TRect& R, const TPoint& P) {
  return R.Left <= P.X && P.X <= R.Right && R.Top <= P.Y && P.Y <= R.Bottom;
}
// Both the top-left and the bottom-right corner of R1 inside R2 by the system's
// point-in-rectangle test (right and bottom edges outside), so a rectangle is never inside
// itself.
constexpr bool RectInRect(const TRect& R1, const TRect& R2) {
  return PtInRect(R2, R1.TopLeft()) && PtInRect(R2, R1.BottomRight());
}

// ---------------------------------------------------------------------------------------
// Coordinate texts

// "x,y" and "left,top,right,bottom". Only digits and commas count: every other character
// (minus signs, blanks, letters) is dropped, so coordinates are never negative. A field
// without any digit (an empty text, two commas in a row, missing trailing fields) raises
// EConvertError "'' is not a valid integer value", as does a number beyond 32 bits. Fields
// after the second (point) or the fourth (rectangle) are ignored.
TPoint ParsePoint(const AnsiString& S);
TRect ParseRect(const AnsiString& S);

// ---------------------------------------------------------------------------------------
// Skin ini readers and writers. A missing key reads as the default given; a present
// rectangle or point with too few numbers raises the conversion error of ParseRect.

// ParseRect of the value, "0,0,0,0" when missing.
TRect ReadRect(TCustomIniFile* Ini, const AnsiString& Section, const AnsiString& Key);
// ParsePoint of the value, "0,0" when missing.
TPoint ReadPoint(TCustomIniFile* Ini, const AnsiString& Section, const AnsiString& Key);
// Only the integer 1 is True.
bool ReadBoolean(TCustomIniFile* Ini, const AnsiString& Section, const AnsiString& Key);
// The styles whose words "fsbold", "fsitalic", "fsunderline", "fsstrikeout" occur anywhere
// in the value (case-sensitive; no separators needed).
TFontStyles ReadFontStyles(TCustomIniFile* Ini, const AnsiString& Section, const AnsiString& Key);
// "tacenter" (also when missing) centre, "taleftjustify" left, any other text right.
TAlignment ReadAlignment(TCustomIniFile* Ini, const AnsiString& Section, const AnsiString& Key);
// Appends the lines Prefix + "line0", "line1", ... of the count under Prefix +
// "linecount" to Strings (not cleared first); a missing line gives an empty one.
void ReadStrings(TCustomIniFile* Ini, const AnsiString& Section, const AnsiString& Prefix,
                 TStrings* Strings);
// Appends the values of the plain keys "0", "1", ... of the count under Prefix + "count"
// to List; a missing key gives an empty entry. The skin file's lists of pictures, objects
// and controls have this shape.
void ReadCountList(TCustomIniFile* Ini, const AnsiString& Section, const AnsiString& Prefix,
                   TStrings* List);

// How many entries a list of Count entries under the keys KeyPrefix + "0", "1", ...
// really gets. A count up to kSkinListFullCount is taken as it is (missing keys give empty
// entries); a larger one stops after the last key that is present, so that a count such as
// 2147483647 does not make billions of empty entries.
constexpr int kSkinListFullCount = 256;
int SkinListLength(TCustomIniFile* Ini, const AnsiString& Section, const AnsiString& KeyPrefix,
                   int Count);

void WriteRect(TCustomIniFile* Ini, const AnsiString& Section, const AnsiString& Key,
               const TRect& R);
void WritePoint(TCustomIniFile* Ini, const AnsiString& Section, const AnsiString& Key,
                const TPoint& P);
// 1 or 0.
void WriteBoolean(TCustomIniFile* Ini, const AnsiString& Section, const AnsiString& Key, bool B);
// The words of the set in the order "fsbold", "fsitalic", "fsunderline", "fsstrikeout",
// joined by ","; an empty value for no style.
void WriteFontStyles(TCustomIniFile* Ini, const AnsiString& Section, const AnsiString& Key,
                     TFontStyles Styles);
// "taleftjustify", "tacenter", "tarightjustify".
void WriteAlignment(TCustomIniFile* Ini, const AnsiString& Section, const AnsiString& Key,
                    TAlignment A);
// Prefix + "linecount" and the lines as Prefix + "line0", "line1", ...
void WriteStrings(TCustomIniFile* Ini, const AnsiString& Section, const AnsiString& Prefix,
                  TStrings* Strings);
