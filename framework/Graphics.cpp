// Colours, fonts, pens, brushes and the canvas.
#include "framework/Graphics.h"

#include <cstring>

namespace {

int ScreenPixelsPerInch() {
  static const int ppi = [] {
    TWindowDC screen;
    int value = GetDeviceCaps(screen, LOGPIXELSY);
    return value > 0 ? value : 96;
  }();
  return ppi;
}

HGDIOBJ StockFont() { return GetStockObject(SYSTEM_FONT); }
HGDIOBJ StockPen() { return GetStockObject(BLACK_PEN); }
HGDIOBJ StockBrush() { return GetStockObject(HOLLOW_BRUSH); }

}  // namespace

HBITMAP CreateDib32(int Width, int Height, void*& Bits) {
  BITMAPINFO info = {};
  info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  info.bmiHeader.biWidth = Width;
  info.bmiHeader.biHeight = -Height;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  Bits = nullptr;
  HBITMAP dib = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &Bits, nullptr, 0);
  if (!dib || !Bits) {
    if (dib) DeleteObject(dib);
    throw EOutOfResources("Out of system resources");
  }
  return dib;
}

COLORREF ColorToRGB(TColor Color) {
  if (Color < 0) return GetSysColor(Color & 0xFF);
  return static_cast<COLORREF>(Color) & 0x00FFFFFF;
}

// ---------------------------------------------------------------------------------------
// TGraphicsObject

void TGraphicsObject::Changed() {
  if (OnChange) OnChange(this);
}

// ---------------------------------------------------------------------------------------
// TFont

TFont::TFont()
    : FName("MS Sans Serif"),
      FHeight(-MulDiv(8, ScreenPixelsPerInch(), 72)),
      FPixelsPerInch(ScreenPixelsPerInch()) {}

void TFont::Changed() { ChangedReleasing(FHandle); }

void TFont::Assign(TPersistent* Source) {
  if (TFont* font = dynamic_cast<TFont*>(Source)) {
    if (font == this) return;
    bool same = FName == font->FName && FHeight == font->FHeight && FStyle == font->FStyle &&
                FCharset == font->FCharset && FPitch == font->FPitch;
    bool sameColor = FColor == font->FColor;
    FName = font->FName;
    FHeight = font->FHeight;
    FStyle = font->FStyle;
    FCharset = font->FCharset;
    FPitch = font->FPitch;
    FColor = font->FColor;
    if (!same)
      Changed();
    else if (!sameColor)
      TGraphicsObject::Changed();
    return;
  }
  TGraphicsObject::Assign(Source);
}

HFONT TFont::GetHandle() {
  if (!FHandle) {
    LOGFONTA lf = {};
    lf.lfHeight = FHeight;
    lf.lfWeight = FStyle.Contains(fsBold) ? FW_BOLD : FW_NORMAL;
    lf.lfItalic = FStyle.Contains(fsItalic);
    lf.lfUnderline = FStyle.Contains(fsUnderline);
    lf.lfStrikeOut = FStyle.Contains(fsStrikeOut);
    lf.lfCharSet = FCharset;
    lf.lfOutPrecision = OUT_DEFAULT_PRECIS;
    lf.lfClipPrecision = CLIP_DEFAULT_PRECIS;
    lf.lfQuality = DEFAULT_QUALITY;
    lf.lfPitchAndFamily = FPitch == fpVariable ? VARIABLE_PITCH
                          : FPitch == fpFixed  ? FIXED_PITCH
                                               : DEFAULT_PITCH;
    std::strncpy(lf.lfFaceName, FName.c_str(), LF_FACESIZE - 1);
    FHandle.reset(CreateFontIndirectA(&lf));
  }
  return FHandle.get();
}

void TFont::SetHandle(HFONT Value) {
  LOGFONTA lf = {};
  if (!Value || GetObjectA(Value, sizeof(lf), &lf) == 0) return;
  FName = AnsiString(lf.lfFaceName, strnlen(lf.lfFaceName, LF_FACESIZE));
  FHeight = lf.lfHeight;
  TFontStyles style;
  if (lf.lfWeight >= FW_BOLD) style.Include(fsBold);
  if (lf.lfItalic) style.Include(fsItalic);
  if (lf.lfUnderline) style.Include(fsUnderline);
  if (lf.lfStrikeOut) style.Include(fsStrikeOut);
  FStyle = style;
  FCharset = lf.lfCharSet;
  int pitch = lf.lfPitchAndFamily & 3;
  FPitch = pitch == VARIABLE_PITCH ? fpVariable : pitch == FIXED_PITCH ? fpFixed : fpDefault;
  Changed();
}

void TFont::SetName(const AnsiString& Value) {
  if (Value.empty() || Value == FName) return;
  FName = Value;
  Changed();
}

void TFont::SetHeight(int Value) {
  if (Value == FHeight) return;
  FHeight = Value;
  Changed();
}

int TFont::GetSize() const { return -MulDiv(FHeight, 72, FPixelsPerInch); }

void TFont::SetSize(int Value) { SetHeight(-MulDiv(Value, FPixelsPerInch, 72)); }

void TFont::SetStyle(TFontStyles Value) {
  if (Value == FStyle) return;
  FStyle = Value;
  Changed();
}

void TFont::SetColor(TColor Value) {
  if (Value == FColor) return;
  FColor = Value;
  TGraphicsObject::Changed();  // the font object stays as it is
}

void TFont::SetCharset(TFontCharset Value) {
  if (Value == FCharset) return;
  FCharset = Value;
  Changed();
}

void TFont::SetPitch(TFontPitch Value) {
  if (Value == FPitch) return;
  FPitch = Value;
  Changed();
}

// ---------------------------------------------------------------------------------------
// TPen

void TPen::Changed() { ChangedReleasing(FHandle); }

void TPen::Assign(TPersistent* Source) {
  if (TPen* pen = dynamic_cast<TPen*>(Source)) {
    if (pen == this) return;
    bool same = FColor == pen->FColor && FWidth == pen->FWidth && FStyle == pen->FStyle;
    bool sameMode = FMode == pen->FMode;
    FColor = pen->FColor;
    FWidth = pen->FWidth;
    FStyle = pen->FStyle;
    FMode = pen->FMode;
    if (!same)
      Changed();
    else if (!sameMode)
      TGraphicsObject::Changed();
    return;
  }
  TGraphicsObject::Assign(Source);
}

HPEN TPen::GetHandle() {
  if (!FHandle) {
    static const int kStyles[] = {PS_SOLID,      PS_DASH, PS_DOT,        PS_DASHDOT,
                                  PS_DASHDOTDOT, PS_NULL, PS_INSIDEFRAME};
    FHandle.reset(CreatePen(kStyles[FStyle], FWidth, ColorToRGB(FColor)));
  }
  return FHandle.get();
}

void TPen::SetColor(TColor Value) {
  if (Value == FColor) return;
  FColor = Value;
  Changed();
}

void TPen::SetWidth(int Value) {
  if (Value < 0 || Value == FWidth) return;
  FWidth = Value;
  Changed();
}

void TPen::SetStyle(TPenStyle Value) {
  if (Value == FStyle) return;
  FStyle = Value;
  Changed();
}

void TPen::SetMode(TPenMode Value) {
  if (Value == FMode) return;
  FMode = Value;
  TGraphicsObject::Changed();
}

// ---------------------------------------------------------------------------------------
// TBrush

void TBrush::Changed() { ChangedReleasing(FHandle); }

void TBrush::Assign(TPersistent* Source) {
  if (TBrush* brush = dynamic_cast<TBrush*>(Source)) {
    if (brush == this) return;
    if (FColor == brush->FColor && FStyle == brush->FStyle) return;
    FColor = brush->FColor;
    FStyle = brush->FStyle;
    Changed();
    return;
  }
  TGraphicsObject::Assign(Source);
}

HBRUSH TBrush::GetHandle() {
  if (!FHandle) {
    LOGBRUSH lb = {};
    lb.lbColor = ColorToRGB(FColor);
    switch (FStyle) {
      case bsSolid:
        lb.lbStyle = BS_SOLID;
        break;
      case bsClear:
        lb.lbStyle = BS_HOLLOW;
        break;
      default:
        lb.lbStyle = BS_HATCHED;
        static const int kHatches[] = {HS_HORIZONTAL, HS_VERTICAL, HS_FDIAGONAL,
                                       HS_BDIAGONAL,  HS_CROSS,    HS_DIAGCROSS};
        lb.lbHatch = static_cast<ULONG_PTR>(kHatches[FStyle - bsHorizontal]);
        break;
    }
    FHandle.reset(CreateBrushIndirect(&lb));
  }
  return FHandle.get();
}

void TBrush::SetColor(TColor Value) {
  if (Value == FColor && FStyle != bsClear) return;
  FColor = Value;
  if (FStyle == bsClear) FStyle = bsSolid;
  Changed();
}

void TBrush::SetStyle(TBrushStyle Value) {
  if (Value == FStyle) return;
  FStyle = Value;
  Changed();
}

// ---------------------------------------------------------------------------------------
// TCanvas

TCanvas::TCanvas()
    : FFont(std::make_unique<TFont>()),
      FPen(std::make_unique<TPen>()),
      FBrush(std::make_unique<TBrush>()) {
  InitializeCriticalSection(&FLock);
  FFont->OnChange = [this](TObject* Sender) { FontChanged(Sender); };
  FPen->OnChange = [this](TObject* Sender) { PenChanged(Sender); };
  FBrush->OnChange = [this](TObject* Sender) { BrushChanged(Sender); };
}

TCanvas::~TCanvas() {
  SetHandle(nullptr);
  DeleteCriticalSection(&FLock);
}

HDC TCanvas::GetHandle() {
  RequiredState(csHandleValid | csFontValid | csPenValid | csBrushValid);
  return FHandle;
}

void TCanvas::SetHandle(HDC Value) {
  if (FHandle == Value) return;
  if (FHandle) {
    DeselectHandles();
    POINT p;
    if (GetCurrentPositionEx(FHandle, &p)) FPenPos = FromPOINT(p);
    FHandle = nullptr;
    FState &= ~csHandleValid;
  }
  if (Value) {
    FHandle = Value;
    FState |= csHandleValid;
    MoveToEx(FHandle, FPenPos.X, FPenPos.Y, nullptr);
  }
}

void TCanvas::Lock() {
  EnterCriticalSection(&FLock);
  ++FLockCount;
}

void TCanvas::Unlock() {
  --FLockCount;
  LeaveCriticalSection(&FLock);
}

bool TCanvas::TryLock() {
  if (!TryEnterCriticalSection(&FLock)) return false;
  ++FLockCount;
  return true;
}

void TCanvas::DeselectHandles() {
  if (FHandle && (FState & (csFontValid | csPenValid | csBrushValid))) {
    SelectObject(FHandle, StockPen());
    SelectObject(FHandle, StockBrush());
    SelectObject(FHandle, StockFont());
    FState &= ~(csFontValid | csPenValid | csBrushValid);
  }
}

void TCanvas::RequiredState(int State) {
  int needed = State & ~FState;
  if (!needed) return;
  if (needed & csHandleValid) {
    CreateHandle();
    if (!FHandle) throw EInvalidOperation("Canvas does not allow drawing");
  }
  if (needed & csFontValid) {
    SelectObject(FHandle, FFont->GetHandle());
    ::SetTextColor(FHandle, ColorToRGB(FFont->GetColor()));
  }
  if (needed & csPenValid) {
    static const int kModes[] = {R2_BLACK,       R2_WHITE,       R2_NOP,         R2_NOT,
                                 R2_COPYPEN,     R2_NOTCOPYPEN,  R2_MERGEPENNOT, R2_MASKPENNOT,
                                 R2_MERGENOTPEN, R2_MASKNOTPEN,  R2_MERGEPEN,    R2_NOTMERGEPEN,
                                 R2_MASKPEN,     R2_NOTMASKPEN,  R2_XORPEN,      R2_NOTXORPEN};
    SelectObject(FHandle, FPen->GetHandle());
    SetROP2(FHandle, kModes[FPen->GetMode()]);
  }
  if (needed & csBrushValid) {
    HBRUSH brush = FBrush->GetHandle();
    UnrealizeObject(brush);
    SelectObject(FHandle, brush);
    if (FBrush->GetStyle() == bsSolid) {
      SetBkColor(FHandle, ColorToRGB(FBrush->GetColor()));
      SetBkMode(FHandle, OPAQUE);
    } else {
      // Hatches show on the background colour only when it differs from the brush's.
      SetBkColor(FHandle, ~ColorToRGB(FBrush->GetColor()) & 0x00FFFFFF);
      SetBkMode(FHandle, TRANSPARENT);
    }
  }
  FState |= needed;
}

void TCanvas::FontChanged(TObject*) {
  if (FState & csFontValid) {
    FState &= ~csFontValid;
    SelectObject(FHandle, StockFont());
  }
}

void TCanvas::PenChanged(TObject*) {
  if (FState & csPenValid) {
    FState &= ~csPenValid;
    SelectObject(FHandle, StockPen());
  }
}

void TCanvas::BrushChanged(TObject*) {
  if (FState & csBrushValid) {
    FState &= ~csBrushValid;
    SelectObject(FHandle, StockBrush());
  }
}

void TCanvas::Refresh() { DeselectHandles(); }

void TCanvas::Changing() {
  if (OnChanging) OnChanging(this);
}

void TCanvas::Changed() {
  if (OnChange) OnChange(this);
}

TPoint TCanvas::GetPenPos() {
  RequiredState(csHandleValid);
  POINT p = {};
  GetCurrentPositionEx(FHandle, &p);
  return FromPOINT(p);
}

void TCanvas::SetPenPos(const TPoint& Value) { MoveTo(Value.X, Value.Y); }

TRect TCanvas::GetClipRect() {
  RequiredState(csHandleValid);
  RECT r = {};
  GetClipBox(FHandle, &r);
  return FromRECT(r);
}

TColor TCanvas::GetPixel(int X, int Y) {
  RequiredState(csHandleValid);
  COLORREF c = ::GetPixel(FHandle, X, Y);
  return c == CLR_INVALID ? clNone : static_cast<TColor>(c);
}

void TCanvas::SetPixel(int X, int Y, TColor Value) {
  Changing();
  RequiredState(csHandleValid | csPenValid);
  ::SetPixel(FHandle, X, Y, ColorToRGB(Value));
  Changed();
}

void TCanvas::FillRect(const TRect& Rect) {
  Changing();
  RequiredState(csHandleValid | csBrushValid);
  RECT r = ToRECT(Rect);
  ::FillRect(FHandle, &r, FBrush->GetHandle());
  Changed();
}

void TCanvas::FrameRect(const TRect& Rect) {
  Changing();
  RequiredState(csHandleValid | csBrushValid);
  RECT r = ToRECT(Rect);
  ::FrameRect(FHandle, &r, FBrush->GetHandle());
  Changed();
}

void TCanvas::Rectangle(int X1, int Y1, int X2, int Y2) {
  Changing();
  RequiredState(csHandleValid | csBrushValid | csPenValid);
  ::Rectangle(FHandle, X1, Y1, X2, Y2);
  Changed();
}

void TCanvas::RoundRect(int X1, int Y1, int X2, int Y2, int X3, int Y3) {
  Changing();
  RequiredState(csHandleValid | csBrushValid | csPenValid);
  ::RoundRect(FHandle, X1, Y1, X2, Y2, X3, Y3);
  Changed();
}

void TCanvas::Ellipse(int X1, int Y1, int X2, int Y2) {
  Changing();
  RequiredState(csHandleValid | csBrushValid | csPenValid);
  ::Ellipse(FHandle, X1, Y1, X2, Y2);
  Changed();
}

void TCanvas::MoveTo(int X, int Y) {
  RequiredState(csHandleValid);
  MoveToEx(FHandle, X, Y, nullptr);
}

void TCanvas::LineTo(int X, int Y) {
  Changing();
  RequiredState(csHandleValid | csPenValid | csBrushValid);
  ::LineTo(FHandle, X, Y);
  Changed();
}

void TCanvas::Polyline(const std::vector<TPoint>& Points) {
  if (Points.empty()) return;
  Changing();
  RequiredState(csHandleValid | csPenValid | csBrushValid);
  std::vector<POINT> points;
  points.reserve(Points.size());
  for (const TPoint& p : Points) points.push_back(ToPOINT(p));
  ::Polyline(FHandle, points.data(), static_cast<int>(points.size()));
  Changed();
}

void TCanvas::Polygon(const std::vector<TPoint>& Points) {
  if (Points.empty()) return;
  Changing();
  RequiredState(csHandleValid | csPenValid | csBrushValid);
  std::vector<POINT> points;
  points.reserve(Points.size());
  for (const TPoint& p : Points) points.push_back(ToPOINT(p));
  ::Polygon(FHandle, points.data(), static_cast<int>(points.size()));
  Changed();
}

void TCanvas::DrawFocusRect(const TRect& Rect) {
  Changing();
  RequiredState(csHandleValid | csBrushValid);
  RECT r = ToRECT(Rect);
  ::DrawFocusRect(FHandle, &r);
  Changed();
}

void TCanvas::TextOut(int X, int Y, const AnsiString& Text) {
  Changing();
  RequiredState(csHandleValid | csFontValid | csBrushValid);
  ExtTextOutA(FHandle, X, Y, static_cast<UINT>(FTextFlags), nullptr, Text.data(),
              static_cast<UINT>(Text.size()), nullptr);
  MoveTo(X + TextWidth(Text), Y);
  Changed();
}

void TCanvas::TextRect(const TRect& Rect, int X, int Y, const AnsiString& Text) {
  Changing();
  RequiredState(csHandleValid | csFontValid | csBrushValid);
  UINT options = ETO_CLIPPED | static_cast<UINT>(FTextFlags);
  if (FBrush->GetStyle() != bsClear) options |= ETO_OPAQUE;
  RECT r = ToRECT(Rect);
  ExtTextOutA(FHandle, X, Y, options, &r, Text.data(), static_cast<UINT>(Text.size()), nullptr);
  Changed();
}

TSize TCanvas::TextExtent(const AnsiString& Text) {
  RequiredState(csHandleValid | csFontValid);
  SIZE size = {};
  GetTextExtentPoint32A(FHandle, Text.data(), static_cast<int>(Text.size()), &size);
  return TSize(size.cx, size.cy);
}

void TCanvas::Draw(int X, int Y, TGraphic* Graphic) {
  if (!Graphic || Graphic->GetEmpty()) return;
  StretchDraw(Bounds(X, Y, Graphic->GetWidth(), Graphic->GetHeight()), Graphic);
}

void TCanvas::StretchDraw(const TRect& Rect, TGraphic* Graphic) {
  if (!Graphic || Graphic->GetEmpty()) return;
  Changing();
  RequiredState(csHandleValid);
  SetBkColor(FHandle, ColorToRGB(FBrush->GetColor()));
  ::SetTextColor(FHandle, ColorToRGB(FFont->GetColor()));
  Graphic->Draw(this, Rect);
  Changed();
}

void TCanvas::CopyRect(const TRect& Dest, TCanvas* Canvas, const TRect& Source) {
  Changing();
  RequiredState(csHandleValid | csFontValid | csBrushValid);
  Canvas->RequiredState(csHandleValid | csBrushValid);
  StretchBlt(FHandle, Dest.Left, Dest.Top, Dest.Width(), Dest.Height(), Canvas->FHandle,
             Source.Left, Source.Top, Source.Width(), Source.Height(), FCopyMode);
  Changed();
}

void Frame3D(TCanvas* Canvas, TRect& Rect, TColor TopColor, TColor BottomColor, int Width) {
  Canvas->GetPen()->SetWidth(1);
  --Rect.Bottom;
  --Rect.Right;
  while (Width > 0) {
    --Width;
    TPoint topRight(Rect.Right, Rect.Top);
    TPoint bottomLeft(Rect.Left, Rect.Bottom);
    Canvas->GetPen()->SetColor(TopColor);
    Canvas->Polyline({bottomLeft, Rect.TopLeft(), topRight});
    Canvas->GetPen()->SetColor(BottomColor);
    --bottomLeft.X;
    Canvas->Polyline({topRight, Rect.BottomRight(), bottomLeft});
    Rect = InflateRect(Rect, -1, -1);
  }
  ++Rect.Bottom;
  ++Rect.Right;
}
