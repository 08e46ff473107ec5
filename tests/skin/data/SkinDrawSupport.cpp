#include "tests/skin/data/SkinDrawSupport.h"

#include <cstdlib>

TBitmapPtr MakeBitmap(int W, int H, const std::function<TColor(int, int)>& Pattern,
                      TPixelFormat Format) {
  TBitmapPtr b(new TBitmap);
  b->SetPixelFormat(Format);
  b->SetSize(W, H);
  TCanvas* canvas = b->GetCanvas();
  for (int y = 0; y < H; ++y)
    for (int x = 0; x < W; ++x) canvas->SetPixel(x, y, Pattern(x, y));
  return b;
}

TBitmapPtr FilledBitmap(int W, int H, TColor Color, TPixelFormat Format) {
  TBitmapPtr b(new TBitmap);
  b->SetPixelFormat(Format);
  b->SetSize(W, H);
  b->GetCanvas()->GetBrush()->SetColor(Color);
  b->GetCanvas()->FillRect(Rect(0, 0, W, H));
  return b;
}

TColor PixelOf(TBitmap* Bitmap, int X, int Y) {
  return TColor(ColorToRGB(Bitmap->GetCanvas()->GetPixel(X, Y)) & 0xFFFFFF);
}

void SaveShot(TBitmap* Bitmap, const char* Name) {
  const char* folder = std::getenv("TAVISCO_SHOT_DIR");
  if (!folder || !*folder) return;
  Bitmap->SaveToFile(AnsiString(folder) + "\\" + Name + ".bmp");
}
