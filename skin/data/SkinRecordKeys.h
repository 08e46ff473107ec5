// Key groups that several control records share, each visited in the order the records
// list them. Used by the record sources only.
#pragma once

#include "skin/data/SkinFields.h"

// "fontname", "fontstyle", "fontheight", "fontcolor" (missing: Arial, no style, 14, black).
template <class R>
void VisitFontKeys(TspSkinFieldVisitor& V, R& Record) {
  V.Text("fontname", Record.FontName, "Arial");
  V.FontStyles("fontstyle", Record.FontStyle);
  V.Integer("fontheight", Record.FontHeight, 14);
  V.Color("fontcolor", Record.FontColor, 0);
}

// The up and down buttons in their normal, active and pressed looks.
template <class R>
void VisitUpDownButtonKeys(TspSkinFieldVisitor& V, R& Record) {
  V.Rect("upbuttonrect", Record.UpButtonRect);
  V.Rect("activeupbuttonrect", Record.ActiveUpButtonRect);
  V.Rect("downupbuttonrect", Record.DownUpButtonRect);
  V.Rect("downbuttonrect", Record.DownButtonRect);
  V.Rect("activedownbuttonrect", Record.ActiveDownButtonRect);
  V.Rect("downdownbuttonrect", Record.DownDownButtonRect);
}
