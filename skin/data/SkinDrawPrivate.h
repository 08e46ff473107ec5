// What the button painters share: the glyph or image beside a caption, laid out and drawn
// by one routine.
#pragma once

#include <functional>

#include "framework/Graphics.h"

struct TObjectFree {
  void operator()(TObject* Object) const {
    if (Object) Object->Free();
  }
};

// The picture a button painter lays out beside its caption.
struct TButtonContent {
  bool Present = false;  // there is a picture to draw
  int Width = 0;         // its size in the layout
  int Height = 0;
  int MarkerWidth = 0;            // the marker bar under it: as wide as this,
  int MarkerHeight = 0;           // and its three rows end at the picture's top + this
  bool ClearBrushAlways = false;  // the brush becomes clear even without a caption
  std::function<void(int X, int Y)> Draw;
};

// Lays out and draws the content and the caption (DrawGlyphAndText, DrawImageAndText).
void DrawContentAndText(TCanvas* Canvas, const TRect& R, int Margin, int Spacing, int Layout,
                        const AnsiString& Caption, const TButtonContent& Content, bool Down,
                        bool DrawMarker, TColor MarkerColor);
