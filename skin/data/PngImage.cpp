#include "skin/data/PngImage.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace {

const BITMAPINFO* InfoOf(const TPngPixels& Pixels) {
  static_assert(sizeof(BITMAPINFOHEADER) == 40, "the header part of TPngBitmapInfo");
  return reinterpret_cast<const BITMAPINFO*>(&Pixels.BitmapInfo);
}

TChunkIHDR* HeaderOf(const TPngImageCore& Core) {
  const TPNGList& list = Core.GetChunkList();
  return list.GetCount() > 0 ? dynamic_cast<TChunkIHDR*>(list.GetItem(0)) : nullptr;
}

// A logical palette of the colour table's first Count entries.
HPALETTE PaletteOfTable(const TPngBitmapInfo& Info, int Count) {
  std::vector<uint8_t> block(sizeof(LOGPALETTE) + sizeof(PALETTEENTRY) * size_t(Count));
  auto* palette = reinterpret_cast<LOGPALETTE*>(block.data());
  palette->palVersion = 0x300;
  palette->palNumEntries = WORD(Count);
  for (int i = 0; i < Count; ++i) {
    palette->palPalEntry[i].peRed = Info.bmiColors[i][2];
    palette->palPalEntry[i].peGreen = Info.bmiColors[i][1];
    palette->palPalEntry[i].peBlue = Info.bmiColors[i][0];
    palette->palPalEntry[i].peFlags = 0;
  }
  return CreatePalette(palette);
}

// Selects a palette into the picture's device context, realizes it and keeps it, deleting
// the one it replaces.
void UsePalette(TPngPixels& Pixels, HPALETTE Palette) {
  HDC dc = static_cast<HDC>(Pixels.ImageDC);
  if (dc && Palette) {
    SelectPalette(dc, Palette, FALSE);
    RealizePalette(dc);
  }
  if (Pixels.ImagePalette && Pixels.ImagePalette != Palette)
    DeleteObject(static_cast<HPALETTE>(Pixels.ImagePalette));
  Pixels.ImagePalette = Palette;
}

inline uint32_t PackedIndex(const uint8_t* Row, int X, int Bits) {
  if (Bits == 8) return Row[X];
  const int perByte = 8 / Bits;
  return uint32_t(Row[X / perByte] >> (8 - Bits * (X % perByte + 1))) & ((1u << Bits) - 1);
}

}  // namespace

// ---------------------------------------------------------------------------------------
// TCustomPngImage

TCustomPngImage::TCustomPngImage(bool Strict) : TPngImageCore(Strict) {}

// The pixels go while this class's storage hooks still run.
TCustomPngImage::~TCustomPngImage() { FreeChunks(); }

void TCustomPngImage::AllocatePixels(TPngPixels& Pixels) {
  HDC dc = CreateCompatibleDC(nullptr);
  if (!dc) throw EPNGOutMemory();
  void* bits = nullptr;
  HBITMAP dib = CreateDIBSection(dc, InfoOf(Pixels), DIB_RGB_COLORS, &bits, nullptr, 0);
  if (!dib || !bits) {
    if (dib) DeleteObject(dib);
    DeleteDC(dc);
    throw EPNGOutMemory();
  }
  SelectObject(dc, dib);
  Pixels.ImageDC = dc;
  Pixels.ImageHandle = dib;
  Pixels.ImageData = static_cast<uint8_t*>(bits);
  Pixels.ImagePalette = nullptr;
  if (Pixels.HasPalette)
    UsePalette(Pixels, PaletteOfTable(Pixels.BitmapInfo, 1 << Pixels.BitmapInfo.biBitCount));
}

void TCustomPngImage::FreePixels(TPngPixels& Pixels) {
  if (Pixels.ImageDC) DeleteDC(static_cast<HDC>(Pixels.ImageDC));
  if (Pixels.ImageHandle) DeleteObject(static_cast<HBITMAP>(Pixels.ImageHandle));
  if (Pixels.ImagePalette) DeleteObject(static_cast<HPALETTE>(Pixels.ImagePalette));
  Pixels.ImageDC = Pixels.ImageHandle = Pixels.ImagePalette = nullptr;
  Pixels.ImageData = nullptr;
}

void TCustomPngImage::PaletteChanged(TPngPixels& Pixels) {
  if (!Pixels.HasPalette || !Pixels.ImageDC) return;
  const int count = 1 << Pixels.BitmapInfo.biBitCount;
  SetDIBColorTable(static_cast<HDC>(Pixels.ImageDC), 0, UINT(count),
                   reinterpret_cast<const RGBQUAD*>(Pixels.BitmapInfo.bmiColors));
  UsePalette(Pixels, PaletteOfTable(Pixels.BitmapInfo, count));
}

void TCustomPngImage::LoadFromStream(TStream* Stream) {
  LoadChunks(Stream);
  Changed(this);
}

void TCustomPngImage::SaveToStream(TStream* Stream) { SaveChunks(Stream); }

void TCustomPngImage::Assign(TPersistent* Source) {
  if (!Source && !IsStrict()) {
    FreeChunks();
    PixelsChanged();
    Changed(this);
    return;
  }
  if (Source && SameClass(Source)) {
    AssignCore(*dynamic_cast<TPngImageCore*>(Source));
    Changed(this);
    return;
  }
  if (auto* bitmap = dynamic_cast<TBitmap*>(Source)) {
    AssignFromBitmapHandle(bitmap->GetHandle(), bitmap->GetTransparent(),
                           ColorToRGB(bitmap->GetTransparentColor()));
    return;
  }
  TGraphic::Assign(Source);
}

void TCustomPngImage::AssignTo(TPersistent* Dest) {
  if (Dest && SameClass(Dest)) {
    Dest->Assign(this);
    return;
  }
  TGraphic::AssignTo(Dest);
}

void TCustomPngImage::AssignFromBitmapHandle(HBITMAP Bitmap, bool Transparent,
                                             COLORREF TransparentColor) {
  BITMAP info = {};
  FreeChunks();
  // An empty bitmap (or no bitmap object) gives an empty picture.
  if (!Bitmap || !GetObjectA(Bitmap, sizeof(info), &info) || info.bmWidth <= 0 ||
      info.bmHeight == 0) {
    PixelsChanged();
    Changed(this);
    return;
  }
  const int bits = info.bmBitsPixel * info.bmPlanes;
  const bool palette = bits < 16;
  TPNGList& list = GetChunkList();
  auto* header = static_cast<TChunkIHDR*>(CreateChunk(ChunkName("IHDR")));
  list.Add(header);
  header->Width = info.bmWidth;
  header->Height = std::abs(info.bmHeight);
  header->BitDepth = uint8_t(palette ? (bits <= 1 ? 1 : bits <= 4 ? 4 : 8) : 8);
  header->ColorType = palette ? COLOR_PALETTE : COLOR_RGB;
  header->PrepareImageData();
  // The bitmap's canvas lets go of it, so that its pixels can be read.
  FreeMemoryContexts();
  {
    HDC dc = CreateCompatibleDC(nullptr);
    GetDIBits(dc, Bitmap, 0, UINT(header->Height), header->Pixels.ImageData,
              reinterpret_cast<BITMAPINFO*>(&header->Pixels.BitmapInfo), DIB_RGB_COLORS);
    DeleteDC(dc);
  }
  if (palette) {
    auto* plte = static_cast<TChunkPLTE*>(CreateChunk(ChunkName("PLTE")));
    list.Add(plte);
    const int count = 1 << header->BitDepth;
    plte->SetCount(count);
    const auto& table = header->Pixels.BitmapInfo.bmiColors;
    for (int i = 0; i < count; ++i) plte->SetItem(i, table[i][2], table[i][1], table[i][0]);
  }
  if (Transparent) {
    auto* trns = static_cast<TChunktRNS*>(CreateChunk(ChunkName("tRNS")));
    list.Add(trns);
    trns->SetTransparentColor(TransparentColor & 0xFFFFFF);
  }
  list.Add(CreateChunk(ChunkName("IDAT")));
  list.Add(CreateChunk(ChunkName("IEND")));
  if (palette) {
    // The colour table as a logical palette of the picture.
    HPALETTE logical = PaletteOfTable(header->Pixels.BitmapInfo, 1 << header->BitDepth);
    if (auto* own = dynamic_cast<TspPngImage*>(this))
      own->ReplacePalette(logical, false);
    else
      UsePalette(header->Pixels, logical);
  }
  PixelsChanged();
  Changed(this);
}

// ---------------------------------------------------------------------------------------
// Drawing

void TCustomPngImage::Draw(TCanvas* ACanvas, const TRect& Rect) {
  TChunkIHDR* header = HeaderOf(*this);
  if (GetEmpty() || !header || !header->Pixels.ImageData) return;
  HDC dc = ACanvas->GetHandle();
  switch (TransparencyKind()) {
    case 1:
      DrawTransparentDIB(dc, header->Pixels.ImageData, InfoOf(header->Pixels), Rect,
                         PngTransparentColor());
      break;
    case 2:
      DrawPartialAlpha(dc, Rect);
      break;
    default:
      if (!IsStrict()) SetStretchBltMode(dc, COLORONCOLOR);
      StretchDIBits(dc, Rect.Left, Rect.Top, Rect.Width(), Rect.Height(), 0, 0, header->Width,
                    header->Height, header->Pixels.ImageData, InfoOf(header->Pixels),
                    DIB_RGB_COLORS, SRCCOPY);
      break;
  }
}

void TCustomPngImage::DrawPartialAlpha(HDC DC, const TRect& Rect) {
  TChunkIHDR* header = HeaderOf(*this);
  if (!header || Rect.Width() == 0 || Rect.Height() == 0) return;
  const TRect r(std::min(Rect.Left, Rect.Right), std::min(Rect.Top, Rect.Bottom),
                std::max(Rect.Left, Rect.Right), std::max(Rect.Top, Rect.Bottom));
  const int w = r.Width(), h = r.Height();
  const int imageW = header->Width, imageH = header->Height;
  BITMAPINFO info = {};
  info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  info.bmiHeader.biWidth = w;
  info.bmiHeader.biHeight = -h;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  HDC mem = CreateCompatibleDC(DC);
  void* bits = nullptr;
  HBITMAP dib = CreateDIBSection(mem, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  if (!dib || !bits) {
    if (dib) DeleteObject(dib);
    DeleteDC(mem);
    return;
  }
  HGDIOBJ old = SelectObject(mem, dib);
  BitBlt(mem, 0, 0, w, h, DC, r.Left, r.Top, SRCCOPY);
  GdiFlush();
  const TChunktRNS* trns = GetChunkList().ItemFromClass<TChunktRNS>();
  const int dibBits = header->DibBitCount();
  const auto& colours = header->Pixels.BitmapInfo.bmiColors;
  auto blend = [](uint8_t& D, int S, int A) { D = uint8_t((A * S + (255 - A) * D + 255) >> 8); };
  for (int y = 0; y < h; ++y) {
    const int sy = int(int64_t(y) * imageH / h);
    const uint8_t* row = RowAddress(sy);
    const uint8_t* alpha = AlphaRowAddress(sy);
    uint8_t* d = static_cast<uint8_t*>(bits) + size_t(y) * size_t(w) * 4;
    for (int x = 0; x < w; ++x, d += 4) {
      const int sx = int(int64_t(x) * imageW / w);
      if (header->ColorType == COLOR_GRAYSCALEALPHA) {
        const int a = alpha ? alpha[sx] : 255;
        for (int c = 0; c < 3; ++c) blend(d[c], row[sx], a);
      } else if (header->ColorType == COLOR_PALETTE) {
        const uint32_t index = PackedIndex(row, sx, dibBits);
        const int a = trns ? trns->PaletteValues[index] : 255;
        for (int c = 0; c < 3; ++c) blend(d[c], colours[index][c], a);
      } else {
        const int a = alpha ? alpha[sx] : 255;
        if (a == 0) continue;
        const uint8_t* s = row + 3 * sx;
        if (a == 255) {
          d[0] = s[0];
          d[1] = s[1];
          d[2] = s[2];
        } else {
          for (int c = 0; c < 3; ++c) blend(d[c], s[c], a);
        }
      }
    }
  }
  BitBlt(DC, r.Left, r.Top, w, h, mem, 0, 0, SRCCOPY);
  SelectObject(mem, old);
  DeleteObject(dib);
  DeleteDC(mem);
}

void DrawTransparentDIB(HDC DC, const void* Bits, const BITMAPINFO* Info, const TRect& Rect,
                        COLORREF TransparentColor) {
  const int sw = std::abs(Info->bmiHeader.biWidth), sh = std::abs(Info->bmiHeader.biHeight);
  const int w = Rect.Width(), h = Rect.Height();
  if (w == 0 || h == 0 || sw == 0 || sh == 0) return;
  HDC screen = GetDC(nullptr);
  HBITMAP picture = CreateDIBitmap(screen, &Info->bmiHeader, CBM_INIT, Bits, Info, DIB_RGB_COLORS);
  ReleaseDC(nullptr, screen);
  if (!picture) return;
  HDC pictureDC = CreateCompatibleDC(DC);
  HGDIOBJ oldPicture = SelectObject(pictureDC, picture);
  // Masks of the destination size: 1 where the picture has the transparent colour.
  HBITMAP mask = CreateBitmap(std::abs(w), std::abs(h), 1, 1, nullptr);
  HBITMAP inverse = CreateBitmap(std::abs(w), std::abs(h), 1, 1, nullptr);
  HDC maskDC = CreateCompatibleDC(DC);
  HDC inverseDC = CreateCompatibleDC(DC);
  HGDIOBJ oldMask = SelectObject(maskDC, mask);
  HGDIOBJ oldInverse = SelectObject(inverseDC, inverse);
  SetBkColor(pictureDC, TransparentColor);
  SetStretchBltMode(maskDC, COLORONCOLOR);
  StretchBlt(maskDC, 0, 0, w, h, pictureDC, 0, 0, sw, sh, SRCCOPY);
  BitBlt(inverseDC, 0, 0, w, h, maskDC, 0, 0, NOTSRCCOPY);
  // The background under the transparent pixels, the picture's pixels elsewhere.
  HBITMAP work = CreateCompatibleBitmap(DC, std::abs(w), std::abs(h));
  HBITMAP stretched = CreateCompatibleBitmap(DC, std::abs(w), std::abs(h));
  HDC workDC = CreateCompatibleDC(DC);
  HDC stretchedDC = CreateCompatibleDC(DC);
  HGDIOBJ oldWork = SelectObject(workDC, work);
  HGDIOBJ oldStretched = SelectObject(stretchedDC, stretched);
  BitBlt(workDC, 0, 0, w, h, DC, Rect.Left, Rect.Top, SRCCOPY);
  // A monochrome source gives white for 1 and black for 0 against these colours.
  SetBkColor(workDC, RGB(255, 255, 255));
  SetTextColor(workDC, RGB(0, 0, 0));
  BitBlt(workDC, 0, 0, w, h, maskDC, 0, 0, SRCAND);
  SetStretchBltMode(stretchedDC, COLORONCOLOR);
  StretchBlt(stretchedDC, 0, 0, w, h, pictureDC, 0, 0, sw, sh, SRCCOPY);
  SetBkColor(stretchedDC, RGB(255, 255, 255));
  SetTextColor(stretchedDC, RGB(0, 0, 0));
  BitBlt(stretchedDC, 0, 0, w, h, inverseDC, 0, 0, SRCAND);
  BitBlt(workDC, 0, 0, w, h, stretchedDC, 0, 0, SRCPAINT);
  BitBlt(DC, Rect.Left, Rect.Top, w, h, workDC, 0, 0, SRCCOPY);
  SelectObject(stretchedDC, oldStretched);
  SelectObject(workDC, oldWork);
  SelectObject(inverseDC, oldInverse);
  SelectObject(maskDC, oldMask);
  SelectObject(pictureDC, oldPicture);
  DeleteDC(stretchedDC);
  DeleteDC(workDC);
  DeleteDC(inverseDC);
  DeleteDC(maskDC);
  DeleteDC(pictureDC);
  DeleteObject(stretched);
  DeleteObject(work);
  DeleteObject(inverse);
  DeleteObject(mask);
  DeleteObject(picture);
}

// ---------------------------------------------------------------------------------------
// TspPngImage

TspPngImage::TspPngImage() : TCustomPngImage(false), FOwnCanvas(new TCanvas) {}

TspPngImage::~TspPngImage() { FreeChunks(); }

void TspPngImage::SetWidth(int Value) {
  ResizeImage(Value, GetHeight());
  Changed(this);
}

void TspPngImage::SetHeight(int Value) {
  ResizeImage(GetWidth(), Value);
  Changed(this);
}

HPALETTE TspPngImage::GetPalette() {
  TChunkIHDR* header = HeaderOf(*this);
  return header ? static_cast<HPALETTE>(header->Pixels.ImagePalette) : nullptr;
}

void TspPngImage::ReplacePalette(HPALETTE Palette, bool CopyToTable) {
  TChunkIHDR* header = HeaderOf(*this);
  if (!header || !header->Pixels.HasPalette || !Palette) return;
  if (CopyToTable) {
    PALETTEENTRY entries[256] = {};
    const UINT n = GetPaletteEntries(Palette, 0, 256, entries);
    for (UINT i = 0; i < n; ++i) {
      header->Pixels.BitmapInfo.bmiColors[i][0] = entries[i].peBlue;
      header->Pixels.BitmapInfo.bmiColors[i][1] = entries[i].peGreen;
      header->Pixels.BitmapInfo.bmiColors[i][2] = entries[i].peRed;
    }
    SetDIBColorTable(static_cast<HDC>(header->Pixels.ImageDC), 0,
                     UINT(1 << header->Pixels.BitmapInfo.biBitCount),
                     reinterpret_cast<const RGBQUAD*>(header->Pixels.BitmapInfo.bmiColors));
  }
  UsePalette(header->Pixels, Palette);
}

void TspPngImage::FreePixels(TPngPixels& Pixels) {
  // The canvas lets go of the device context before it goes.
  if (FOwnCanvas && Pixels.ImageDC && FOwnCanvas->HandleAllocated() &&
      FOwnCanvas->GetHandle() == Pixels.ImageDC)
    FOwnCanvas->SetHandle(nullptr);
  TCustomPngImage::FreePixels(Pixels);
}

void TspPngImage::PixelsChanged() {
  if (!FOwnCanvas) return;
  TChunkIHDR* header = HeaderOf(*this);
  FOwnCanvas->SetHandle(header ? static_cast<HDC>(header->Pixels.ImageDC) : nullptr);
}

void TspPngImage::AssignTo(TPersistent* Dest) {
  auto* bitmap = dynamic_cast<TBitmap*>(Dest);
  TChunkIHDR* header = HeaderOf(*this);
  if (!bitmap || !header) {
    TCustomPngImage::AssignTo(Dest);
    return;
  }
  const int kind = TransparencyKind();
  TPixelFormat format;
  if (kind == 2) {
    format = pf24bit;
  } else {
    switch (header->BitDepth) {
      case 1:
        format = pf1bit;
        break;
      case 2:
      case 4:
        format = pf4bit;
        break;
      case 8:
      case 16:
        if (header->ColorType == COLOR_GRAYSCALE || header->ColorType == COLOR_RGB) {
          format = pf24bit;
          break;
        }
        if (header->ColorType == COLOR_PALETTE) {
          format = pf8bit;
          break;
        }
        throw Exception("");
      default:
        throw Exception("");
    }
  }
  bitmap->SetPixelFormat(format);
  bitmap->SetSize(header->Width, header->Height);
  Draw(bitmap->GetCanvas(), Rect(0, 0, header->Width, header->Height));
  if (kind == 1) {
    bitmap->SetTransparentColor(TColor(PngTransparentColor()));
    bitmap->SetTransparent(true);
  }
}

// ---------------------------------------------------------------------------------------
// TPNGObject

TPNGObject::TPNGObject() : TCustomPngImage(true) {}

TPNGObject::~TPNGObject() {
  FreeChunks();
  if (FCachedPalette) DeleteObject(FCachedPalette);
}

void TPNGObject::SetWidth(int) { throw EPngError(); }
void TPNGObject::SetHeight(int) { throw EPngError(); }

HPALETTE TPNGObject::GetPalette() {
  TChunkIHDR* header = HeaderOf(*this);
  if (!header || (header->ColorType != COLOR_GRAYSCALE && header->ColorType != COLOR_PALETTE))
    return nullptr;
  if (!FCachedPalette) FCachedPalette = PaletteOfTable(header->Pixels.BitmapInfo, 256);
  return FCachedPalette;
}

void TPNGObject::AssignTo(TPersistent* Dest) {
  auto* bitmap = dynamic_cast<TBitmap*>(Dest);
  TChunkIHDR* header = HeaderOf(*this);
  if (!bitmap || !header) {
    TCustomPngImage::AssignTo(Dest);
    return;
  }
  // The DIB as it is, colour table included, so that palette pictures keep their colours.
  const TPngPixels& pixels = header->Pixels;
  TDibImage image;
  image.Width = header->Width;
  image.Height = header->Height;
  image.BitCount = pixels.BitmapInfo.biBitCount;
  if (pixels.HasPalette)
    image.Palette.assign(&pixels.BitmapInfo.bmiColors[0][0],
                         &pixels.BitmapInfo.bmiColors[0][0] + 4 * (size_t(1) << image.BitCount));
  image.Bits.assign(pixels.ImageData,
                    pixels.ImageData + size_t(pixels.BytesPerRow) * size_t(header->Height));
  bitmap->SetDib(image);
  if (TransparencyKind() == 1) {
    bitmap->SetTransparentColor(TColor(PngTransparentColor()));
    bitmap->SetTransparent(true);
  }
}

void TPNGObject::SaveToClipboardFormat(uint16_t& Format, HANDLE& Data, HPALETTE& Palette) {
  TBitmap bitmap;
  bitmap.SetSize(GetWidth(), GetHeight());
  bitmap.GetCanvas()->StretchDraw(Rect(0, 0, GetWidth(), GetHeight()), this);
  Format = CF_BITMAP;
  Data = bitmap.ReleaseHandle();
  Palette = nullptr;
}

void TPNGObject::LoadFromClipboardFormat(uint16_t Format, HANDLE Data, HPALETTE Palette) {
  if (Format != CF_BITMAP || !Data) throw EInvalidGraphic("Unsupported clipboard format");
  TBitmap bitmap;
  bitmap.SetHandle(static_cast<HBITMAP>(CopyImage(Data, IMAGE_BITMAP, 0, 0, 0)));
  AssignFromBitmapHandle(bitmap.GetHandle(), false, 0);
}

// ---------------------------------------------------------------------------------------
// Registration

namespace {

// TPicture opens ".png" files as TPNGObject pictures while the program runs.
struct TPngImageUnit {
  TPngImageUnit() {
    TPicture::RegisterFileFormat("PNG", "Portable Network Graphics", GraphicOf<TPNGObject>);
  }
  ~TPngImageUnit() { TPicture::UnregisterGraphicClass(GraphicOf<TPNGObject>); }
};
TPngImageUnit g_PngImageUnit;

}  // namespace
