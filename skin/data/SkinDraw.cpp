#include "skin/data/SkinDraw.h"

#include <functional>
#include <memory>
#include <vector>

#include "framework/Forms.h"
#include "framework/Scopes.h"
#include "skin/data/SkinDrawPrivate.h"
#include "skin/data/SkinRegions.h"

// ---------------------------------------------------------------------------------------
// Glyph and caption

void DrawGlyph(TCanvas* Canvas, int X, int Y, TBitmap* Glyph, int NumGlyphs, int GlyphNum) {
  if (!Glyph || Glyph->GetEmpty() || NumGlyphs < 1 || GlyphNum < 1 || GlyphNum > NumGlyphs) return;
  const int w = Glyph->GetWidth() / NumGlyphs;
  const int h = Glyph->GetHeight();
  if (w <= 0) return;
  std::unique_ptr<TBitmap, TObjectFree> piece(new TBitmap);
  piece->SetSize(w, h);
  piece->GetCanvas()->CopyRect(Rect(0, 0, w, h), Glyph->GetCanvas(),
                               Rect((GlyphNum - 1) * w, 0, GlyphNum * w, h));
  piece->SetTransparent(true);
  Canvas->Draw(X, Y, piece.get());
}

void DrawContentAndText(TCanvas* Canvas, const TRect& R, int Margin, int Spacing, int Layout,
                        const AnsiString& Caption, const TButtonContent& Content, bool Down,
                        bool DrawMarker, TColor MarkerColor) {
  const int gw = Content.Width;
  const int gh = Content.Height;
  int tw = 0, th = 0;
  if (!Caption.empty()) {
    RECT measure = {0, 0, R.Width(), R.Height()};
    if (Layout == blGlyphLeft || Layout == blGlyphRight) measure.right -= gw;
    if (Layout == blGlyphTop || Layout == blGlyphBottom) measure.bottom -= gh;
    DrawTextA(Canvas->GetHandle(), Caption.data(), int(Caption.size()), &measure,
              kCaptionMeasureFlags);
    tw = measure.right - measure.left;
    th = measure.bottom - measure.top;
  }
  if (Content.ClearBrushAlways || !Caption.empty()) Canvas->GetBrush()->SetStyle(bsClear);
  int tx = 0, ty = 0, gx = 0, gy = 0;
  CalcButtonLayout(Layout, R, gw, gh, tw, th, Spacing, Margin, tx, ty, gx, gy);
  if (Down) {
    ++tx;
    ++ty;
    ++gx;
    ++gy;
  }
  const TRect textRect(tx, ty, tx + tw + 2, ty + th);
  if (!Caption.empty()) {
    RECT r = ToRECT(textRect);
    DrawTextA(Canvas->GetHandle(), Caption.data(), int(Caption.size()), &r, kCaptionDrawFlags);
  }
  // Three lines of the marker colour under a part.
  auto markerLines = [Canvas, MarkerColor](int Left, int Right, int Row) {
    Canvas->GetPen()->SetColor(MarkerColor);
    for (int y = Row - 1; y <= Row + 1; ++y) {
      Canvas->MoveTo(Left, y);
      Canvas->LineTo(Right, y);
    }
  };
  if (Content.Present) {
    Content.Draw(gx, gy);
    if (DrawMarker) markerLines(gx, gx + Content.MarkerWidth, gy + Content.MarkerHeight - 1);
  } else if (DrawMarker) {
    if (!Caption.empty()) {
      markerLines(textRect.Left, textRect.Right, textRect.Bottom);
    } else {
      Canvas->GetBrush()->SetStyle(bsSolid);
      Canvas->GetBrush()->SetColor(MarkerColor);
      Canvas->FillRect(Down ? Rect(R.Left + 4, R.Top + 5, R.Right - 2, R.Bottom - 3)
                            : Rect(R.Left + 4, R.Top + 4, R.Right - 2, R.Bottom - 4));
    }
  }
}

void DrawGlyphAndText(TCanvas* Canvas, const TRect& R, int Margin, int Spacing, int Layout,
                      const AnsiString& Caption, TBitmap* Glyph, int NumGlyphs, int GlyphNum,
                      bool Down, bool DrawMarker, TColor MarkerColor) {
  TButtonContent content;
  content.Present = Glyph && !Glyph->GetEmpty();
  if (content.Present && NumGlyphs >= 1) {
    content.Width = Glyph->GetWidth() / NumGlyphs;
    content.Height = Glyph->GetHeight();
  }
  if (content.Present) {
    // The marker spans the whole strip.
    content.MarkerWidth = Glyph->GetWidth();
    content.MarkerHeight = Glyph->GetHeight();
  }
  content.Draw = [Canvas, Glyph, NumGlyphs, GlyphNum](int X, int Y) {
    DrawGlyph(Canvas, X, Y, Glyph, NumGlyphs, GlyphNum);
  };
  DrawContentAndText(Canvas, R, Margin, Spacing, Layout, Caption, content, Down, DrawMarker,
                     MarkerColor);
}

void DrawImageAndText(TCanvas* Canvas, const TRect& R, int Margin, int Spacing, int Layout,
                      const AnsiString& Caption, int ImageIndex, TCustomImageList* ImageList,
                      bool Down, bool Enabled, bool DrawMarker, TColor MarkerColor) {
  TButtonContent content;
  content.Present = ImageList && ImageIndex >= 0 && ImageIndex < ImageList->GetCount();
  if (content.Present) {
    content.Width = content.MarkerWidth = ImageList->GetWidth();
    content.Height = content.MarkerHeight = ImageList->GetHeight();
  }
  content.ClearBrushAlways = true;
  content.Draw = [Canvas, ImageList, ImageIndex, Enabled](int X, int Y) {
    ImageList->Draw(Canvas, X, Y, ImageIndex, Enabled);
  };
  DrawContentAndText(Canvas, R, Margin, Spacing, Layout, Caption, content, Down, DrawMarker,
                     MarkerColor);
}

// ---------------------------------------------------------------------------------------
// Parent images

namespace {

// Paints what lies behind Control into Canvas, Offset being the point of the control at
// the canvas's origin.
void PaintParentImage(TControl* Control, const TPoint& Offset, TCanvas* Canvas) {
  if (!Control || !Control->GetParent()) return;
  TWinControl* parent = Control->GetParent();
  const TRect bounds = Control->GetBoundsRect();
  TControlStateScope parentCopy(parent, csPaintCopy);
  HDC dc = Canvas->GetHandle();
  {
    TSavedDC saved(dc);
    SetViewportOrgEx(dc, -bounds.Left - Offset.X, -bounds.Top - Offset.Y, nullptr);
    IntersectClipRect(dc, 0, 0, parent->GetClientWidth(), parent->GetClientHeight());
    auto* form = dynamic_cast<TCustomForm*>(parent);
    if (form && form->GetFormStyle() == fsMDIForm) {
      SendMessageA(form->GetClientHandle(), WM_ERASEBKGND, WPARAM(dc), 0);
    } else if (form) {
      parent->Perform(WM_ERASEBKGND, NativeUInt(dc), 0);
    } else {
      // The parent's background and own painting, without its children; the client area
      // lies at the origin, so the window's corner goes where its frame puts it.
      TPoint corner(0, 0);
      if (parent->HandleAllocated()) {
        RECT window;
        GetWindowRect(parent->GetHandle(), &window);
        corner = parent->ScreenToClient(TPoint(window.left, window.top));
      }
      parent->PaintTo(dc, corner.X, corner.Y, false);
    }
  }
  // The windowless siblings below the control (the list holds them first).
  for (int i = 0; i < parent->GetControlCount(); ++i) {
    TControl* sibling = parent->GetControl(i);
    if (sibling == Control) break;
    TRect common;
    if (!sibling->GetVisible() || !dynamic_cast<TGraphicControl*>(sibling) ||
        !IntersectRect(common, sibling->GetBoundsRect(), bounds))
      continue;
    TControlStateScope siblingCopy(sibling, csPaintCopy);
    TSavedDC saved(dc);
    SetViewportOrgEx(dc, sibling->GetLeft() - bounds.Left - Offset.X,
                     sibling->GetTop() - bounds.Top - Offset.Y, nullptr);
    IntersectClipRect(dc, 0, 0, sibling->GetWidth(), sibling->GetHeight());
    sibling->Perform(WM_PAINT, NativeUInt(dc), 0);
  }
}

}  // namespace

void GetParentImage(TControl* Control, TCanvas* Canvas) {
  PaintParentImage(Control, Point(0, 0), Canvas);
}

void GetParentImageRect(TControl* Control, const TRect& R, TCanvas* Canvas) {
  PaintParentImage(Control, R.TopLeft(), Canvas);
}

// ---------------------------------------------------------------------------------------
// Texts

void CorrectTextByWidth(TCanvas* Canvas, AnsiString& S, int Width) {
  if (Canvas->TextWidth(S) <= Width) return;
  while (!S.empty()) {
    S.pop_back();
    if (Canvas->TextWidth(S + "...") <= Width) break;
  }
  S += "...";
}

void CorrectWideTextByWidth(TCanvas* Canvas, WideString& S, int Width) {
  if (WideTextWidth(Canvas, S) <= Width) return;
  while (!S.empty()) {
    S.pop_back();
    if (WideTextWidth(Canvas, S + L"...") <= Width) break;
  }
  S += L"...";
}

int DrawWideText(TCanvas* Canvas, const WideString& S, TRect& R, UINT Format) {
  RECT r = ToRECT(R);
  int result;
  if (PlatformIsNT) {
    result = DrawTextW(Canvas->GetHandle(), S.data(), int(S.size()), &r, Format);
  } else {
    AnsiString text;
    const int n =
        WideCharToMultiByte(CP_ACP, 0, S.data(), int(S.size()), nullptr, 0, nullptr, nullptr);
    if (n > 0) {
      text.resize(size_t(n));
      WideCharToMultiByte(CP_ACP, 0, S.data(), int(S.size()), &text[0], n, nullptr, nullptr);
    }
    result = DrawTextA(Canvas->GetHandle(), text.data(), int(text.size()), &r, Format);
  }
  R = FromRECT(r);
  return result;
}

int WideTextWidth(TCanvas* Canvas, const WideString& S) {
  TRect r;
  DrawWideText(Canvas, S, r, DT_CALCRECT);
  return r.Width();
}

int WideTextHeight(TCanvas* Canvas, const WideString& S) {
  TRect r;
  DrawWideText(Canvas, S, r, DT_CALCRECT);
  return r.Height();
}

void DrawSingleLineText(TCanvas* Canvas, const AnsiString& S, const TRect& R) {
  if (S.empty()) return;
  RECT r = ToRECT(R);
  DrawTextA(Canvas->GetHandle(), S.data(), int(S.size()), &r, DT_SINGLELINE | DT_VCENTER);
}

void DrawTextInRectOffset(TCanvas* Canvas, const AnsiString& S, const TRect& R, int Offset) {
  if (S.empty()) return;
  Canvas->TextRect(R, R.Left + Offset + 2, R.Top + R.Height() / 2 - Canvas->TextHeight(S) / 2, S);
}

void DrawTextInRect(TCanvas* Canvas, const AnsiString& S, const TRect& R) {
  DrawTextInRectOffset(Canvas, S, R, 0);
}

// ---------------------------------------------------------------------------------------
// Vector glyphs

namespace {

void Line(TCanvas* Canvas, int X1, int Y1, int X2, int Y2) {
  Canvas->MoveTo(X1, Y1);
  Canvas->LineTo(X2, Y2);
}

}  // namespace

void DrawSmallDownArrow(TCanvas* Canvas, const TRect& R, TColor Color) {
  Canvas->GetPen()->SetColor(Color);
  const TPoint c = CenterPoint(R);
  for (int n = 2; n >= 0; --n) Line(Canvas, c.X - n, c.Y - n + 2, c.X + n + 1, c.Y - n + 2);
}

void DrawArrowImage(TCanvas* Canvas, const TRect& R, TColor Color, int Kind) {
  if (Kind < 1 || Kind > 4) return;
  Canvas->GetPen()->SetColor(Color);
  const TPoint c = CenterPoint(R);
  switch (Kind) {
    case 1:
      for (int i = 0; i <= 3; ++i) Line(Canvas, c.X + i - 2, c.Y - i, c.X + i - 2, c.Y + i + 1);
      break;
    case 2:
      for (int n = 3; n >= 0; --n) Line(Canvas, c.X - n + 2, c.Y + n, c.X - n + 2, c.Y - n - 1);
      break;
    case 3:
      for (int i = 0; i <= 3; ++i) Line(Canvas, c.X - i, c.Y + i - 2, c.X + i + 1, c.Y + i - 2);
      break;
    case 4:
      for (int n = 3; n >= 0; --n) Line(Canvas, c.X - n, c.Y - n + 2, c.X + n + 1, c.Y - n + 2);
      break;
  }
}

void DrawRadioImage(TCanvas* Canvas, int X, int Y, TColor Color) {
  Canvas->GetPen()->SetColor(Color);
  Canvas->GetBrush()->SetColor(Color);
  Canvas->Rectangle(X, Y, X + 6, Y + 6);
}

void DrawCheckImage(TCanvas* Canvas, int X, int Y, TColor Color) {
  Canvas->GetPen()->SetColor(Color);
  for (int i = 0; i <= 2; ++i)
    Canvas->Polyline({Point(X, Y - i + 5), Point(X + 2, Y - i + 7), Point(X + 7, Y - i + 2)});
}

void DrawCloseImage(TCanvas* Canvas, int X, int Y, TColor Color) {
  Canvas->GetPen()->SetColor(Color);
  Line(Canvas, X + 1, Y + 1, X + 9, Y + 9);
  Line(Canvas, X + 9, Y + 1, X + 1, Y + 9);
  Line(Canvas, X + 2, Y + 1, X + 10, Y + 9);
  Line(Canvas, X + 8, Y + 1, X, Y + 9);
}

void DrawSysMenuImage(TCanvas* Canvas, int X, int Y, TColor Color) {
  Canvas->GetPen()->SetColor(Color);
  Canvas->GetBrush()->SetStyle(bsClear);
  Canvas->Rectangle(X + 1, Y + 3, X + 9, Y + 6);
}

void DrawMinimizeImage(TCanvas* Canvas, int X, int Y, TColor Color) {
  Canvas->GetPen()->SetColor(Color);
  Line(Canvas, X + 1, Y + 8, X + 9, Y + 8);
  Line(Canvas, X + 1, Y + 9, X + 9, Y + 9);
}

void DrawMaximizeImage(TCanvas* Canvas, int X, int Y, TColor Color) {
  Canvas->GetPen()->SetColor(Color);
  Canvas->GetBrush()->SetStyle(bsClear);
  Canvas->Rectangle(X, Y, X + 11, Y + 10);
  Canvas->Rectangle(X, Y, X + 11, Y + 2);
}

void DrawRestoreImage(TCanvas* Canvas, int X, int Y, TColor Color) {
  Canvas->GetPen()->SetColor(Color);
  Canvas->GetBrush()->SetStyle(bsClear);
  Canvas->Rectangle(X + 2, Y, X + 10, Y + 6);
  Canvas->Rectangle(X + 2, Y, X + 10, Y + 2);
  Canvas->Rectangle(X, Y + 4, X + 7, Y + 10);
  Canvas->Rectangle(X, Y + 4, X + 7, Y + 6);
}

void DrawRollDownImage(TCanvas* Canvas, int X, int Y, TColor Color) {
  Canvas->GetPen()->SetColor(Color);
  for (int i = 0; i <= 4; ++i) Line(Canvas, X - i + 5, Y - i + 6, X + i + 5, Y - i + 6);
}

void DrawRollUpImage(TCanvas* Canvas, int X, int Y, TColor Color) {
  Canvas->GetPen()->SetColor(Color);
  for (int i = 0; i <= 4; ++i) Line(Canvas, X - i + 5, Y + i + 2, X + i + 5, Y + i + 2);
}

void DrawTrayImage(TCanvas* Canvas, int X, int Y, TColor Color) {
  Canvas->GetPen()->SetColor(Color);
  Canvas->GetBrush()->SetColor(Color);
  Canvas->Rectangle(X + 2, Y + 2, X + 7, Y + 7);
}
