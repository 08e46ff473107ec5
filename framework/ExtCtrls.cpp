#include "framework/ExtCtrls.h"

#include <cmath>

TImage::TImage(TComponent* AOwner) : TGraphicControl(AOwner), FPicture(std::make_unique<TPicture>()) {
  SetControlStyle(GetControlStyle() + TControlStyle{csReplicatable});
  FPicture->OnChange = [this](TObject* Sender) { PictureChanged(Sender); };
  SetBounds(FLeft, FTop, 105, 105);
}

TImage::~TImage() = default;

TCanvas* TImage::GetCanvas() {
  if (!FPicture->GetGraphic()) {
    TBitmap* bitmap = FPicture->GetBitmap();
    bitmap->SetSize(GetWidth(), GetHeight());
  }
  auto* bitmap = dynamic_cast<TBitmap*>(FPicture->GetGraphic());
  if (!bitmap) throw EInvalidOperation("Can only modify an image if it contains a bitmap");
  return bitmap->GetCanvas();
}

void TImage::SetStretch(bool Value) {
  if (Value == FStretch) return;
  FStretch = Value;
  PictureChanged(this);
}

void TImage::SetCenter(bool Value) {
  if (Value == FCenter) return;
  FCenter = Value;
  PictureChanged(this);
}

void TImage::SetProportional(bool Value) {
  if (Value == FProportional) return;
  FProportional = Value;
  PictureChanged(this);
}

void TImage::SetTransparent(bool Value) {
  if (Value == FTransparent) return;
  FTransparent = Value;
  PictureChanged(this);
}

TRect TImage::DestRect() {
  int w = FPicture->GetWidth(), h = FPicture->GetHeight();
  const int cw = GetClientWidth(), ch = GetClientHeight();
  if (FStretch || (FProportional && (w > cw || h > ch))) {
    if (FProportional && w > 0 && h > 0) {
      const double aspect = double(w) / double(h);
      if (w > h) {
        w = cw;
        h = static_cast<int>(std::trunc(cw / aspect));
        if (h > ch) {
          h = ch;
          w = static_cast<int>(std::trunc(ch * aspect));
        }
      } else {
        h = ch;
        w = static_cast<int>(std::trunc(ch * aspect));
        if (w > cw) {
          w = cw;
          h = static_cast<int>(std::trunc(cw / aspect));
        }
      }
    } else {
      w = cw;
      h = ch;
    }
  }
  TRect r(0, 0, w, h);
  if (FCenter) r = OffsetRect(r, (cw - w) / 2, (ch - h) / 2);
  return r;
}

void TImage::Paint() {
  FDrawing = true;
  try {
    TGraphicControl::GetCanvas()->StretchDraw(DestRect(), FPicture->GetGraphic());
  } catch (...) {
    FDrawing = false;
    throw;
  }
  FDrawing = false;
}

bool TImage::CanAutoSize(int& NewWidth, int& NewHeight) {
  if (FPicture->GetWidth() > 0 && FPicture->GetHeight() > 0) {
    TAlign align = GetAlign();
    if (align == alNone || align == alLeft || align == alRight) NewWidth = FPicture->GetWidth();
    if (align == alNone || align == alTop || align == alBottom) NewHeight = FPicture->GetHeight();
  }
  return true;
}

void TImage::PictureChanged(TObject*) {
  if (GetAutoSize() && FPicture->GetWidth() > 0 && FPicture->GetHeight() > 0)
    SetBounds(GetLeft(), GetTop(), FPicture->GetWidth(), FPicture->GetHeight());
  TControlStyle style = GetControlStyle();
  if (TGraphic* graphic = FPicture->GetGraphic()) {
    if (!dynamic_cast<TIcon*>(graphic) && graphic->GetTransparent() != FTransparent)
      graphic->SetTransparent(FTransparent);
    TRect d = DestRect();
    // A picture that covers the whole control hides what is behind it.
    if (!graphic->GetTransparent() && d.Left <= 0 && d.Top <= 0 && d.Right >= GetWidth() &&
        d.Bottom >= GetHeight())
      style.Include(csOpaque);
    else
      style.Exclude(csOpaque);
  } else {
    style.Exclude(csOpaque);
  }
  SetControlStyle(style);
  if (!FDrawing) Invalidate();
}
