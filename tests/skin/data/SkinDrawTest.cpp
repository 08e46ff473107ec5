// The shared drawing routines on real GDI: the vector glyphs pixel by pixel, texts
// shortened, measured and placed, and glyph strips laid out beside captions.
#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <utility>
#include <vector>

#include "skin/data/SkinDraw.h"
#include "tests/skin/data/SkinDrawSupport.h"

namespace {

using TPixels = std::set<std::pair<int, int>>;

// The pixels of a one-pixel line without its last point (horizontal, vertical or at
// 45 degrees, the lines the glyphs are made of).
void AddLine(TPixels& P, int X1, int Y1, int X2, int Y2) {
  const int dx = (X2 > X1) - (X2 < X1), dy = (Y2 > Y1) - (Y2 < Y1);
  for (int x = X1, y = Y1; x != X2 || y != Y2; x += dx, y += dy) P.insert({x, y});
}

// Rectangle(L, T, R, B): the outline of L..R-1 x T..B-1, or all of it when filled.
void AddRectangle(TPixels& P, int L, int T, int R, int B, bool Filled) {
  for (int y = T; y < B; ++y)
    for (int x = L; x < R; ++x)
      if (Filled || x == L || x == R - 1 || y == T || y == B - 1) P.insert({x, y});
}

// The pixels of a bitmap that are not white.
TPixels Marked(TBitmap* B) {
  TPixels p;
  for (int y = 0; y < B->GetHeight(); ++y)
    for (int x = 0; x < B->GetWidth(); ++x)
      if (PixelOf(B, x, y) != clWhite) p.insert({x, y});
  return p;
}

// The smallest rectangle holding the pixels (empty for none).
TRect BoxOf(const TPixels& P) {
  if (P.empty()) return TRect();
  TRect r(1 << 20, 1 << 20, -(1 << 20), -(1 << 20));
  for (const auto& p : P) {
    r.Left = std::min(r.Left, p.first);
    r.Top = std::min(r.Top, p.second);
    r.Right = std::max(r.Right, p.first + 1);
    r.Bottom = std::max(r.Bottom, p.second + 1);
  }
  return r;
}

}  // namespace

TEST(SkinDraw, VectorGlyphsDrawTheirLinesAndRectangles) {
  struct Case {
    const char* name;
    std::function<void(TCanvas*)> draw;
    std::function<void(TPixels&)> expected;
  };
  const int X = 10, Y = 10;
  const TColor c = clRed;
  const Case cases[] = {
      {"small down arrow", [&](TCanvas* k) { DrawSmallDownArrow(k, Rect(10, 10, 30, 30), c); },
       [](TPixels& p) {
         AddLine(p, 18, 20, 23, 20);
         AddLine(p, 19, 21, 22, 21);
         AddLine(p, 20, 22, 21, 22);
       }},
      {"arrow left", [&](TCanvas* k) { DrawArrowImage(k, Rect(10, 10, 30, 30), c, 1); },
       [](TPixels& p) {
         for (int i = 0; i <= 3; ++i) AddLine(p, 20 + i - 2, 20 - i, 20 + i - 2, 20 + i + 1);
       }},
      {"arrow right", [&](TCanvas* k) { DrawArrowImage(k, Rect(10, 10, 30, 30), c, 2); },
       [](TPixels& p) {
         for (int n = 3; n >= 0; --n) AddLine(p, 20 - n + 2, 20 + n, 20 - n + 2, 20 - n - 1);
       }},
      {"arrow up", [&](TCanvas* k) { DrawArrowImage(k, Rect(10, 10, 31, 29), c, 3); },
       [](TPixels& p) {
         for (int i = 0; i <= 3; ++i) AddLine(p, 20 - i, 19 + i - 2, 20 + i + 1, 19 + i - 2);
       }},
      {"arrow down", [&](TCanvas* k) { DrawArrowImage(k, Rect(10, 10, 30, 30), c, 4); },
       [](TPixels& p) {
         for (int n = 3; n >= 0; --n) AddLine(p, 20 - n, 20 - n + 2, 20 + n + 1, 20 - n + 2);
       }},
      {"arrow of no kind", [&](TCanvas* k) { DrawArrowImage(k, Rect(10, 10, 30, 30), c, 5); },
       [](TPixels&) {}},
      {"radio", [&](TCanvas* k) { DrawRadioImage(k, X, Y, c); },
       [](TPixels& p) { AddRectangle(p, 10, 10, 16, 16, true); }},
      {"check", [&](TCanvas* k) { DrawCheckImage(k, X, Y, c); },
       [](TPixels& p) {
         for (int i = 0; i <= 2; ++i) {
           AddLine(p, 10, 10 - i + 5, 12, 10 - i + 7);
           AddLine(p, 12, 10 - i + 7, 17, 10 - i + 2);
         }
       }},
      {"close", [&](TCanvas* k) { DrawCloseImage(k, X, Y, c); },
       [](TPixels& p) {
         AddLine(p, 11, 11, 19, 19);
         AddLine(p, 19, 11, 11, 19);
         AddLine(p, 12, 11, 20, 19);
         AddLine(p, 18, 11, 10, 19);
       }},
      {"system menu", [&](TCanvas* k) { DrawSysMenuImage(k, X, Y, c); },
       [](TPixels& p) { AddRectangle(p, 11, 13, 19, 16, false); }},
      {"minimize", [&](TCanvas* k) { DrawMinimizeImage(k, X, Y, c); },
       [](TPixels& p) {
         AddLine(p, 11, 18, 19, 18);
         AddLine(p, 11, 19, 19, 19);
       }},
      {"maximize", [&](TCanvas* k) { DrawMaximizeImage(k, X, Y, c); },
       [](TPixels& p) {
         AddRectangle(p, 10, 10, 21, 20, false);
         AddRectangle(p, 10, 10, 21, 12, false);
       }},
      {"restore", [&](TCanvas* k) { DrawRestoreImage(k, X, Y, c); },
       [](TPixels& p) {
         AddRectangle(p, 12, 10, 20, 16, false);
         AddRectangle(p, 12, 10, 20, 12, false);
         AddRectangle(p, 10, 14, 17, 20, false);
         AddRectangle(p, 10, 14, 17, 16, false);
       }},
      {"roll down", [&](TCanvas* k) { DrawRollDownImage(k, X, Y, c); },
       [](TPixels& p) {
         for (int i = 0; i <= 4; ++i) AddLine(p, 10 - i + 5, 10 - i + 6, 10 + i + 5, 10 - i + 6);
       }},
      {"roll up", [&](TCanvas* k) { DrawRollUpImage(k, X, Y, c); },
       [](TPixels& p) {
         for (int i = 0; i <= 4; ++i) AddLine(p, 10 - i + 5, 10 + i + 2, 10 + i + 5, 10 + i + 2);
       }},
      {"tray", [&](TCanvas* k) { DrawTrayImage(k, X, Y, c); },
       [](TPixels& p) { AddRectangle(p, 12, 12, 17, 17, true); }},
  };
  TBitmapPtr sheet = FilledBitmap(40 * 8, 40 * 2, clWhite);
  int n = 0;
  for (const Case& cs : cases) {
    TBitmapPtr b = FilledBitmap(40, 40, clWhite);
    // The glyph that draws only lines keeps the brush it found; a clear one must not fill.
    b->GetCanvas()->GetBrush()->SetColor(clWhite);
    cs.draw(b->GetCanvas());
    TPixels expected;
    cs.expected(expected);
    EXPECT_EQ(expected, Marked(b.get())) << cs.name;
    for (const auto& p : Marked(b.get()))
      EXPECT_EQ(clRed, PixelOf(b.get(), p.first, p.second)) << cs.name;
    sheet->GetCanvas()->Draw(40 * (n % 8), 40 * (n / 8), b.get());
    ++n;
  }
  SaveShot(sheet.get(), "vector_glyphs");
}

TEST(SkinDraw, TextsAreShortenedToTheirWidthWithAnEllipsis) {
  TBitmapPtr b = FilledBitmap(10, 10, clWhite);
  TCanvas* canvas = b->GetCanvas();
  canvas->GetFont()->SetName("Arial");
  canvas->GetFont()->SetHeight(-13);
  const AnsiString text = "Skinned caption text";
  const int full = canvas->TextWidth(text);
  AnsiString s = text;
  CorrectTextByWidth(canvas, s, full);
  EXPECT_EQ(text, s);  // it fits: no "..."
  for (int width : {full - 1, full / 2, canvas->TextWidth("S..."), 3, 0, -5}) {
    s = text;
    CorrectTextByWidth(canvas, s, width);
    ASSERT_GE(s.size(), 3u);
    ASSERT_EQ("...", s.substr(s.size() - 3)) << width;
    const AnsiString kept = s.substr(0, s.size() - 3);
    EXPECT_EQ(kept, text.substr(0, kept.size())) << width;
    if (!kept.empty()) {
      EXPECT_LE(canvas->TextWidth(s), width) << width;
    }
    // One more character would not fit.
    if (kept.size() < text.size() && !kept.empty()) {
      EXPECT_GT(canvas->TextWidth(text.substr(0, kept.size() + 1) + "..."), width) << width;
    }
  }
  s = text;
  CorrectTextByWidth(canvas, s, 0);
  EXPECT_EQ("...", s);  // not even one character fits

  const WideString wide = L"Gr\u00FC\u00DFe \u03A9mega \u0416";
  const int wideFull = WideTextWidth(canvas, wide);
  EXPECT_GT(wideFull, 0);
  WideString w = wide;
  CorrectWideTextByWidth(canvas, w, wideFull);
  EXPECT_EQ(wide, w);
  w = wide;
  CorrectWideTextByWidth(canvas, w, wideFull / 2);
  ASSERT_GE(w.size(), 3u);
  EXPECT_EQ(L"...", w.substr(w.size() - 3));
  EXPECT_LE(WideTextWidth(canvas, w), wideFull / 2);
  EXPECT_EQ(wide.substr(0, w.size() - 3), w.substr(0, w.size() - 3));
  w = wide;
  CorrectWideTextByWidth(canvas, w, 1);
  EXPECT_EQ(L"...", w);
}

TEST(SkinDraw, WideTextsAreMeasuredAndDrawnInTheCanvasFont) {
  TBitmapPtr b = FilledBitmap(200, 40, clWhite);
  TCanvas* canvas = b->GetCanvas();
  canvas->GetFont()->SetName("Arial");
  canvas->GetFont()->SetHeight(-16);
  canvas->GetFont()->SetColor(clBlack);
  const WideString text = L"\u0416\u00FCrich";
  SIZE size = {};
  GetTextExtentPoint32W(canvas->GetHandle(), text.data(), int(text.size()), &size);
  EXPECT_EQ(size.cx, WideTextWidth(canvas, text));
  EXPECT_EQ(size.cy, WideTextHeight(canvas, text));
  TRect r = Rect(5, 5, 195, 35);
  const int height = DrawWideText(canvas, text, r, DT_SINGLELINE | DT_LEFT | DT_TOP);
  EXPECT_EQ(size.cy, height);
  EXPECT_EQ(Rect(5, 5, 195, 35), r);
  const TRect box = BoxOf(Marked(b.get()));
  EXPECT_GE(box.Left, 5);
  EXPECT_LE(box.Right, 5 + size.cx + 1);
  EXPECT_GE(box.Top, 5);
  EXPECT_LE(box.Bottom, 5 + size.cy);
  SaveShot(b.get(), "wide_text");
  // With DT_CALCRECT the rectangle becomes the extent and nothing is drawn.
  TBitmapPtr clean = FilledBitmap(200, 40, clWhite);
  clean->GetCanvas()->GetFont()->Assign(canvas->GetFont());
  TRect calc = Rect(3, 4, 3, 4);
  DrawWideText(clean->GetCanvas(), text, calc, DT_CALCRECT);
  EXPECT_EQ(Rect(3, 4, 3 + size.cx, 4 + size.cy), calc);
  EXPECT_TRUE(Marked(clean.get()).empty());
}

TEST(SkinDraw, SingleLineAndRectTextsArePlacedInTheirRectangle) {
  const AnsiString text = "Hig";
  struct Case {
    const char* name;
    std::function<void(TCanvas*, const AnsiString&)> draw;
    int left;  // first column the text may start at
  };
  const TRect r = Rect(20, 10, 60, 40);
  const Case cases[] = {
      {"single line", [&](TCanvas* k, const AnsiString& s) { DrawSingleLineText(k, s, r); }, 20},
      {"in rect", [&](TCanvas* k, const AnsiString& s) { DrawTextInRect(k, s, r); }, 22},
      {"in rect offset", [&](TCanvas* k, const AnsiString& s) { DrawTextInRectOffset(k, s, r, 9); },
       31},
  };
  for (const Case& c : cases) {
    TBitmapPtr b = FilledBitmap(100, 60, clWhite);
    TCanvas* canvas = b->GetCanvas();
    canvas->GetFont()->SetName("Arial");
    canvas->GetFont()->SetHeight(-14);
    canvas->GetFont()->SetColor(clBlack);
    canvas->GetBrush()->SetStyle(bsClear);
    c.draw(canvas, "");
    EXPECT_TRUE(Marked(b.get()).empty()) << c.name << ": an empty text draws nothing";
    c.draw(canvas, text);
    const TRect box = BoxOf(Marked(b.get()));
    ASSERT_FALSE(IsRectEmpty(box)) << c.name;
    // Starts at its column, centred vertically: the cell (text height) sits in the middle.
    const int th = canvas->TextHeight(text);
    const int top = r.Top + r.Height() / 2 - th / 2;
    EXPECT_GE(box.Left, c.left) << c.name;
    EXPECT_LE(box.Left, c.left + 2) << c.name;
    EXPECT_GE(box.Top, top - 1) << c.name;
    EXPECT_LE(box.Bottom, top + th + 1) << c.name;
  }
  // DrawTextInRect clips to its rectangle.
  TBitmapPtr b = FilledBitmap(100, 60, clWhite);
  TCanvas* canvas = b->GetCanvas();
  canvas->GetFont()->SetHeight(-30);
  canvas->GetFont()->SetColor(clBlack);
  canvas->GetBrush()->SetStyle(bsClear);
  DrawTextInRect(canvas, "WWWWWW", Rect(10, 20, 40, 30));
  const TRect box = BoxOf(Marked(b.get()));
  EXPECT_GE(box.Left, 10);
  EXPECT_LE(box.Right, 40);
  EXPECT_GE(box.Top, 20);
  EXPECT_LE(box.Bottom, 30);
}

namespace {

// A strip of three 8 x 6 glyphs: magenta around a 4 x 2 block of the glyph's colour.
const TColor kGlyphColours[] = {Rgb(200, 0, 0), Rgb(0, 160, 0), Rgb(0, 0, 220)};
TBitmapPtr GlyphStrip() {
  return MakeBitmap(24, 6, [](int x, int y) {
    const int u = x % 8;
    return (u >= 2 && u < 6 && y >= 2 && y < 4) ? kGlyphColours[x / 8] : Rgb(255, 0, 255);
  });
}

}  // namespace

TEST(SkinDraw, GlyphStripsDrawOneGlyphTransparently) {
  TBitmapPtr strip = GlyphStrip();
  for (int n = 1; n <= 3; ++n) {
    TBitmapPtr b = FilledBitmap(20, 20, clWhite);
    DrawGlyph(b->GetCanvas(), 5, 7, strip.get(), 3, n);
    TPixels expected;
    AddRectangle(expected, 7, 9, 11, 11, true);
    EXPECT_EQ(expected, Marked(b.get())) << n;
    EXPECT_EQ(kGlyphColours[n - 1], PixelOf(b.get(), 8, 10)) << n;
  }
  // No glyph for an empty strip, a glyph number outside it or no glyphs at all.
  TBitmapPtr empty(new TBitmap);
  for (auto draw : std::vector<std::function<void(TCanvas*)>>{
           [&](TCanvas* k) { DrawGlyph(k, 0, 0, empty.get(), 1, 1); },
           [&](TCanvas* k) { DrawGlyph(k, 0, 0, strip.get(), 3, 0); },
           [&](TCanvas* k) { DrawGlyph(k, 0, 0, strip.get(), 3, 4); },
           [&](TCanvas* k) { DrawGlyph(k, 0, 0, strip.get(), 0, 1); }}) {
    TBitmapPtr b = FilledBitmap(30, 10, clWhite);
    draw(b->GetCanvas());
    EXPECT_TRUE(Marked(b.get()).empty());
  }
}

TEST(SkinDraw, GlyphAndTextFollowTheButtonLayout) {
  TBitmapPtr strip = GlyphStrip();
  const TRect r = Rect(0, 0, 80, 30);
  // A glyph alone, centred: hw = (8 + 4) div 2 (the spacing counts beside a glyph), so
  // x = 40 - 6; y = 15 - 3.
  for (bool down : {false, true}) {
    TBitmapPtr b = FilledBitmap(80, 30, clWhite);
    DrawGlyphAndText(b->GetCanvas(), r, -1, 4, blGlyphLeft, "", strip.get(), 3, 2, down, false,
                     clNone);
    const int d = down ? 1 : 0;
    TPixels expected;
    AddRectangle(expected, 34 + 2 + d, 12 + 2 + d, 34 + 6 + d, 12 + 4 + d, true);
    EXPECT_EQ(expected, Marked(b.get())) << down;
    EXPECT_EQ(kGlyphColours[1], PixelOf(b.get(), 36 + d, 14 + d));
  }
  // The marker: three lines across the whole strip at the glyph's last rows.
  {
    TBitmapPtr b = FilledBitmap(80, 30, clWhite);
    DrawGlyphAndText(b->GetCanvas(), r, 3, 4, blGlyphLeft, "", strip.get(), 3, 1, false, true,
                     clBlue);
    // Margin 3: glyph at x = 3, y = 12; marker rows 16, 17, 18 from x = 3 to 27.
    for (int y = 16; y <= 18; ++y) {
      EXPECT_EQ(clBlue, PixelOf(b.get(), 3, y));
      EXPECT_EQ(clBlue, PixelOf(b.get(), 26, y));
      EXPECT_EQ(clWhite, PixelOf(b.get(), 27, y));
    }
    EXPECT_EQ(clWhite, PixelOf(b.get(), 10, 15));
    EXPECT_EQ(clWhite, PixelOf(b.get(), 10, 19));
  }
  // Neither glyph nor caption: the marker fills the button, a row lower when down.
  for (bool down : {false, true}) {
    TBitmapPtr b = FilledBitmap(80, 30, clWhite);
    TBitmapPtr none(new TBitmap);
    DrawGlyphAndText(b->GetCanvas(), r, -1, 4, blGlyphLeft, "", none.get(), 1, 1, down, true,
                     clGreen);
    TPixels expected;
    AddRectangle(expected, 4, down ? 5 : 4, 78, down ? 27 : 26, true);
    EXPECT_EQ(expected, Marked(b.get())) << down;
  }
  // Glyph and caption: the caption measured as DrawText measures it, placed by the layout.
  struct Case {
    int layout;
    const char* caption;
  };
  const Case cases[] = {
      {blGlyphLeft, "OK"}, {blGlyphRight, "Cancel"}, {blGlyphTop, "Up"}, {blGlyphBottom, "Down"}};
  TBitmapPtr sheet = FilledBitmap(100 * 4, 50, clWhite);
  int n = 0;
  for (const Case& c : cases) {
    TBitmapPtr b = FilledBitmap(100, 50, clWhite);
    TCanvas* canvas = b->GetCanvas();
    canvas->GetFont()->SetName("Arial");
    canvas->GetFont()->SetHeight(-13);
    canvas->GetFont()->SetColor(clBlack);
    const TRect br = Rect(0, 0, 100, 50);
    RECT measure = {0, 0, 100, 50};
    if (c.layout <= blGlyphRight)
      measure.right -= 8;
    else
      measure.bottom -= 6;
    DrawTextA(canvas->GetHandle(), c.caption, -1, &measure,
              DT_CALCRECT | DT_EXPANDTABS | DT_WORDBREAK);
    int tx, ty, gx, gy;
    CalcButtonLayout(c.layout, br, 8, 6, measure.right, measure.bottom, 5, -1, tx, ty, gx, gy);
    DrawGlyphAndText(canvas, br, -1, 5, c.layout, c.caption, strip.get(), 3, 3, false, true, clRed);
    EXPECT_EQ(kGlyphColours[2], PixelOf(b.get(), gx + 2, gy + 2)) << c.caption;
    // Text pixels (black) lie in the text rectangle; the marker (red) under the glyph.
    TPixels text;
    for (const auto& p : Marked(b.get()))
      if (PixelOf(b.get(), p.first, p.second) == clBlack) text.insert(p);
    const TRect box = BoxOf(text);
    ASSERT_FALSE(IsRectEmpty(box)) << c.caption;
    EXPECT_GE(box.Left, tx) << c.caption;
    EXPECT_LE(box.Right, tx + measure.right + 2) << c.caption;
    EXPECT_GE(box.Top, ty) << c.caption;
    EXPECT_LE(box.Bottom, ty + measure.bottom) << c.caption;
    EXPECT_EQ(clRed, PixelOf(b.get(), gx, gy + 4)) << c.caption;
    EXPECT_EQ(clRed, PixelOf(b.get(), gx + 23, gy + 6)) << c.caption;
    // The caption leaves its background alone (the brush became clear).
    EXPECT_EQ(clWhite, PixelOf(b.get(), tx, ty)) << c.caption;
    sheet->GetCanvas()->Draw(100 * n++, 0, b.get());
  }
  SaveShot(sheet.get(), "glyph_and_text");
}
