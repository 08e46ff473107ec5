// Pictures: the graphic base, the picture holder with its file formats, bitmaps and
// icons.
#include <algorithm>
#include <cstring>
#include <mutex>

#include "framework/Graphics.h"

// ---------------------------------------------------------------------------------------
// TBitmapCanvas: a memory context with the bitmap selected, made when first drawn on and
// freed when the bitmap changes its picture, or by FreeMemoryContexts while unlocked.

class TBitmapCanvas : public TCanvas {
 public:
  explicit TBitmapCanvas(TBitmap* Bitmap) : FBitmap(Bitmap) {}
  ~TBitmapCanvas() override { FreeContext(); }

  void FreeContext() {
    if (!FDC) return;
    Unregister();
    SetHandle(nullptr);
    if (FOldBitmap) SelectObject(FDC, FOldBitmap);
    DeleteDC(FDC);
    FDC = nullptr;
    FOldBitmap = nullptr;
  }

  static void FreeIdle() {
    std::vector<TBitmapCanvas*> idle;
    {
      std::lock_guard<std::mutex> lock(ListMutex());
      idle = List();
    }
    for (TBitmapCanvas* canvas : idle) {
      // A canvas whose bitmap goes meanwhile is no longer listed.
      {
        std::lock_guard<std::mutex> lock(ListMutex());
        if (std::find(List().begin(), List().end(), canvas) == List().end()) continue;
      }
      if (canvas->TryLock()) {
        if (canvas->GetLockCount() == 1) canvas->FreeContext();
        canvas->Unlock();
      }
    }
  }

 protected:
  void CreateHandle() override {
    HDC dc = CreateCompatibleDC(nullptr);
    if (!dc) throw EOutOfResources("Out of system resources");
    FOldBitmap = FBitmap->FHandle ? SelectObject(dc, FBitmap->FHandle.get()) : nullptr;
    FDC = dc;
    SetHandle(dc);
    std::lock_guard<std::mutex> lock(ListMutex());
    List().push_back(this);
  }
  void Changed() override {
    TCanvas::Changed();
    FBitmap->Changed(this);
  }

 private:
  // Both kept to the end of the process (bitmaps freed at exit still use them).
  static std::mutex& ListMutex() {
    static auto* mutex = new std::mutex;
    return *mutex;
  }
  static std::vector<TBitmapCanvas*>& List() {
    static auto* list = new std::vector<TBitmapCanvas*>;
    return *list;
  }
  void Unregister() {
    std::lock_guard<std::mutex> lock(ListMutex());
    auto& list = List();
    list.erase(std::remove(list.begin(), list.end(), this), list.end());
  }

  TBitmap* FBitmap;
  HDC FDC = nullptr;
  HGDIOBJ FOldBitmap = nullptr;
};

void FreeMemoryContexts() { TBitmapCanvas::FreeIdle(); }

namespace {

// A BITMAPINFO with room for a full colour table or the three colour masks.
struct TBitmapInfo {
  BITMAPINFOHEADER Header;
  RGBQUAD Colors[256];
  BITMAPINFO* Get() { return reinterpret_cast<BITMAPINFO*>(this); }
};

int BitsOf(TPixelFormat Format) {
  switch (Format) {
    case pf1bit: return 1;
    case pf4bit: return 4;
    case pf8bit: return 8;
    case pf15bit:
    case pf16bit: return 16;
    case pf24bit: return 24;
    case pf32bit: return 32;
    default: return 0;
  }
}

// The colours a new picture of 1, 4 or 8 bits starts with: black and white; the 16 VGA
// colours; the halftone palette.
std::vector<RGBQUAD> DefaultPalette(int Bits) {
  std::vector<RGBQUAD> colors;
  auto add = [&colors](COLORREF c) {
    colors.push_back(RGBQUAD{GetBValue(c), GetGValue(c), GetRValue(c), 0});
  };
  if (Bits == 1) {
    add(RGB(0, 0, 0));
    add(RGB(255, 255, 255));
  } else if (Bits == 4) {
    static const COLORREF kVga[16] = {
        RGB(0, 0, 0),       RGB(128, 0, 0),   RGB(0, 128, 0),   RGB(128, 128, 0),
        RGB(0, 0, 128),     RGB(128, 0, 128), RGB(0, 128, 128), RGB(128, 128, 128),
        RGB(192, 192, 192), RGB(255, 0, 0),   RGB(0, 255, 0),   RGB(255, 255, 0),
        RGB(0, 0, 255),     RGB(255, 0, 255), RGB(0, 255, 255), RGB(255, 255, 255)};
    for (COLORREF c : kVga) add(c);
  } else if (Bits == 8) {
    TWindowDC screen;
    TGdiHandle<HPALETTE> halftone(CreateHalftonePalette(screen));
    PALETTEENTRY entries[256] = {};
    UINT count = halftone ? GetPaletteEntries(halftone.get(), 0, 256, entries) : 0;
    for (UINT i = 0; i < count; ++i) add(RGB(entries[i].peRed, entries[i].peGreen, entries[i].peBlue));
    while (colors.size() < 256) add(RGB(0, 0, 0));
  }
  return colors;
}

// A new picture object: a device-dependent bitmap for pfDevice, else a DIB section
// (bottom-up) of the format with the given colours and masks. 0 for an empty size.
HBITMAP CreatePicture(int Width, int Height, TPixelFormat Format,
                      const std::vector<RGBQUAD>* Colors = nullptr,
                      const uint32_t* Masks = nullptr) {
  if (Width <= 0 || Height <= 0) return nullptr;
  if (Format == pfDevice) {
    TWindowDC screen;
    HBITMAP bitmap = CreateCompatibleBitmap(screen, Width, Height);
    if (!bitmap) throw EOutOfResources("Out of system resources");
    return bitmap;
  }
  const int bits = BitsOf(Format);
  if (bits == 0) throw EInvalidGraphic("Invalid pixel format");
  if (uint64_t(TDibImage::RowBytes(Width, uint16_t(bits))) * uint64_t(Height) > kMaxDibBytes)
    throw EOutOfResources("Out of system resources");
  TBitmapInfo info = {};
  info.Header.biSize = sizeof(BITMAPINFOHEADER);
  info.Header.biWidth = Width;
  info.Header.biHeight = Height;
  info.Header.biPlanes = 1;
  info.Header.biBitCount = static_cast<WORD>(bits);
  info.Header.biCompression = BI_RGB;
  if (bits <= 8) {
    std::vector<RGBQUAD> colors = Colors && !Colors->empty() ? *Colors : DefaultPalette(bits);
    size_t count = std::min<size_t>(colors.size(), size_t(1) << bits);
    std::copy(colors.begin(), colors.begin() + count, info.Colors);
    info.Header.biClrUsed = static_cast<DWORD>(count);
  } else if (Masks || Format == pf16bit) {
    static const uint32_t k565[3] = {0xF800, 0x07E0, 0x001F};
    const uint32_t* masks = Masks ? Masks : k565;
    info.Header.biCompression = BI_BITFIELDS;
    std::memcpy(info.Colors, masks, 12);
  }
  void* pixels = nullptr;
  HBITMAP bitmap = CreateDIBSection(nullptr, info.Get(), DIB_RGB_COLORS, &pixels, nullptr, 0);
  if (!bitmap) throw EOutOfResources("Out of system resources");
  return bitmap;
}

}  // namespace

TPixelFormat PixelFormatOfBits(int BitCount, bool BitFields16) {
  switch (BitCount) {
    case 1: return pf1bit;
    case 4: return pf4bit;
    case 8: return pf8bit;
    case 16: return BitFields16 ? pf16bit : pf15bit;
    case 24: return pf24bit;
    case 32: return pf32bit;
    default: return pfDevice;
  }
}

// ---------------------------------------------------------------------------------------
// TGraphic

void TGraphic::SetTransparent(bool Value) {
  if (Value == FTransparent) return;
  FTransparent = Value;
  Changed(this);
}

void TGraphic::SetModified(bool Value) {
  if (Value)
    Changed(this);
  else
    FModified = false;
}

void TGraphic::Changed(TObject*) {
  FModified = true;
  if (OnChange) OnChange(this);
}

void TGraphic::LoadFromFile(const AnsiString& FileName) {
  TFileStream stream(FileName, fmOpenRead | fmShareDenyWrite);
  LoadFromStream(&stream);
}

void TGraphic::SaveToFile(const AnsiString& FileName) {
  TFileStream stream(FileName, fmCreate);
  SaveToStream(&stream);
}

// ---------------------------------------------------------------------------------------
// TPicture

namespace {

struct TFileFormat {
  AnsiString Extension;
  AnsiString Description;
  TGraphicClass GraphicClass;
};

std::vector<TFileFormat>& FileFormats() {
  static auto* formats = new std::vector<TFileFormat>{
      {"bmp", "Bitmaps", GraphicOf<TBitmap>},
      {"ico", "Icons", GraphicOf<TIcon>},
  };
  return *formats;
}

}  // namespace

void TPicture::TGraphicDeleter::operator()(TGraphic* Graphic) const {
  if (Graphic) Graphic->Free();
}

TPicture::TPicture() = default;
TPicture::~TPicture() = default;

void TPicture::RegisterFileFormat(const AnsiString& Extension, const AnsiString& Description,
                                  TGraphicClass GraphicClass) {
  AnsiString ext = LowerCase(Extension);
  if (!ext.empty() && ext[0] == '.') ext.erase(0, 1);
  auto& formats = FileFormats();
  formats.erase(std::remove_if(formats.begin(), formats.end(),
                               [&ext](const TFileFormat& f) { return f.Extension == ext; }),
                formats.end());
  formats.push_back({ext, Description, GraphicClass});
}

void TPicture::UnregisterGraphicClass(TGraphicClass GraphicClass) {
  auto& formats = FileFormats();
  formats.erase(std::remove_if(formats.begin(), formats.end(),
                               [GraphicClass](const TFileFormat& f) {
                                 return f.GraphicClass == GraphicClass;
                               }),
                formats.end());
}

TGraphicClass TPicture::FindGraphicClass(const AnsiString& Extension) {
  AnsiString ext = LowerCase(Extension);
  if (!ext.empty() && ext[0] == '.') ext.erase(0, 1);
  for (const TFileFormat& f : FileFormats())
    if (f.Extension == ext) return f.GraphicClass;
  return nullptr;
}

void TPicture::Hold(TGraphic* Graphic) {
  FGraphic.reset(Graphic);
  if (Graphic) Graphic->OnChange = [this](TObject* Sender) { Changed(Sender); };
}

void TPicture::Changed(TObject*) {
  if (OnChange) OnChange(this);
}

void TPicture::SetGraphic(TGraphic* Value) {
  if (Value == FGraphic.get()) return;
  TGraphic* copy = nullptr;
  if (Value) {
    copy = Value->ClassType()();
    try {
      copy->Assign(Value);
    } catch (...) {
      copy->Free();
      throw;
    }
  }
  Hold(copy);
  Changed(this);
}

TBitmap* TPicture::GetBitmap() {
  if (!dynamic_cast<TBitmap*>(FGraphic.get())) {
    Hold(new TBitmap);
    Changed(this);
  }
  return static_cast<TBitmap*>(FGraphic.get());
}

void TPicture::SetBitmap(TBitmap* Value) { SetGraphic(Value); }

TIcon* TPicture::GetIcon() {
  if (!dynamic_cast<TIcon*>(FGraphic.get())) {
    Hold(new TIcon);
    Changed(this);
  }
  return static_cast<TIcon*>(FGraphic.get());
}

int TPicture::GetWidth() const { return FGraphic ? FGraphic->GetWidth() : 0; }
int TPicture::GetHeight() const { return FGraphic ? FGraphic->GetHeight() : 0; }

void TPicture::Assign(TPersistent* Source) {
  if (!Source) {
    SetGraphic(nullptr);
  } else if (TPicture* picture = dynamic_cast<TPicture*>(Source)) {
    SetGraphic(picture->GetGraphic());
  } else if (TGraphic* graphic = dynamic_cast<TGraphic*>(Source)) {
    SetGraphic(graphic);
  } else {
    TPersistent::Assign(Source);
  }
}

void TPicture::AssignTo(TPersistent* Dest) {
  if (TGraphic* graphic = dynamic_cast<TGraphic*>(Dest)) {
    if (FGraphic) {
      graphic->Assign(FGraphic.get());
      return;
    }
  }
  TPersistent::AssignTo(Dest);
}

void TPicture::LoadFromFile(const AnsiString& FileName) {
  AnsiString ext = ExtractFileExt(FileName);
  if (!ext.empty() && ext[0] == '.') ext.erase(0, 1);
  TGraphicClass graphicClass = FindGraphicClass(ext);
  if (!graphicClass) throw EInvalidGraphic("Unknown picture file extension (.%s)", {ext});
  TGraphic* graphic = graphicClass();
  try {
    graphic->LoadFromFile(FileName);
  } catch (...) {
    graphic->Free();
    throw;
  }
  Hold(graphic);
  Changed(this);
}

void TPicture::SaveToFile(const AnsiString& FileName) {
  if (FGraphic) FGraphic->SaveToFile(FileName);
}

// ---------------------------------------------------------------------------------------
// TBitmap

TBitmap::TBitmap() = default;

TBitmap::~TBitmap() { FreeCanvasContext(); }

void TBitmap::FreeCanvasContext() {
  if (FCanvas) {
    FCanvas->Lock();
    FCanvas->FreeContext();
    FCanvas->Unlock();
  }
}

void TBitmap::NewImage(HBITMAP Handle) {
  FreeCanvasContext();
  FHandle.reset(Handle);
  FWidth = FHeight = 0;
  FBits = nullptr;
  FTopDown = false;
  if (!Handle) return;
  DIBSECTION dib = {};
  int got = GetObjectA(Handle, sizeof(dib), &dib);
  if (got == sizeof(DIBSECTION) && dib.dsBm.bmBits) {
    FWidth = dib.dsBmih.biWidth;
    FHeight = std::abs(dib.dsBmih.biHeight);
    FTopDown = dib.dsBmih.biHeight < 0;
    FBits = dib.dsBm.bmBits;
    bool fields565 = dib.dsBmih.biCompression == BI_BITFIELDS && dib.dsBitfields[1] == 0x07E0;
    FPixelFormat = PixelFormatOfBits(dib.dsBmih.biBitCount, fields565);
  } else {
    BITMAP bm = {};
    GetObjectA(Handle, sizeof(bm), &bm);
    FWidth = bm.bmWidth;
    FHeight = bm.bmHeight;
    FPixelFormat = pfDevice;
  }
}

TCanvas* TBitmap::GetCanvas() {
  if (!FCanvas) FCanvas = std::make_unique<TBitmapCanvas>(this);
  return FCanvas.get();
}

void TBitmap::Changed(TObject* Sender) { TGraphic::Changed(Sender); }

void TBitmap::SetHandle(HBITMAP Value) {
  if (Value == FHandle.get()) return;
  NewImage(Value);
  Changed(this);
}

HBITMAP TBitmap::ReleaseHandle() {
  FreeCanvasContext();
  HBITMAP handle = FHandle.release();
  NewImage(nullptr);
  return handle;
}

bool TBitmap::GetMonochrome() const {
  if (FPixelFormat == pf1bit) return true;
  if (!FHandle || FPixelFormat != pfDevice) return false;
  BITMAP bm = {};
  GetObjectA(FHandle.get(), sizeof(bm), &bm);
  return bm.bmBitsPixel == 1 && bm.bmPlanes == 1;
}

void TBitmap::SetMonochrome(bool Value) {
  if (Value == GetMonochrome()) return;
  SetPixelFormat(Value ? pf1bit : pfDevice);
}

void TBitmap::SetSize(int AWidth, int AHeight) {
  AWidth = std::max(AWidth, 0);
  AHeight = std::max(AHeight, 0);
  if (AWidth == FWidth && AHeight == FHeight) return;
  if (AWidth == 0 || AHeight == 0) {
    NewImage(nullptr);
    FWidth = AWidth;
    FHeight = AHeight;
    Changed(this);
    return;
  }
  TGdiHandle<HBITMAP> picture(CreatePicture(AWidth, AHeight, FPixelFormat));
  {
    TMemoryDC dc(CreateCompatibleDC(nullptr));
    HGDIOBJ old = SelectObject(dc.get(), picture.get());
    PatBlt(dc.get(), 0, 0, AWidth, AHeight, WHITENESS);
    if (FHandle) {
      TCanvas* source = GetCanvas();
      source->Lock();
      BitBlt(dc.get(), 0, 0, std::min(AWidth, FWidth), std::min(AHeight, FHeight),
             source->GetHandle(), 0, 0, SRCCOPY);
      source->Unlock();
    }
    SelectObject(dc.get(), old);
  }
  NewImage(picture.release());
  Changed(this);
}

void TBitmap::SetPixelFormat(TPixelFormat Value) {
  if (Value == pfCustom) throw EInvalidGraphic("Invalid pixel format");
  if (Value == FPixelFormat) return;
  if (!FHandle) {
    FPixelFormat = Value;
    return;
  }
  TGdiHandle<HBITMAP> picture(CreatePicture(FWidth, FHeight, Value));
  {
    TMemoryDC dc(CreateCompatibleDC(nullptr));
    HGDIOBJ old = SelectObject(dc.get(), picture.get());
    TCanvas* source = GetCanvas();
    source->Lock();
    BitBlt(dc.get(), 0, 0, FWidth, FHeight, source->GetHandle(), 0, 0, SRCCOPY);
    source->Unlock();
    SelectObject(dc.get(), old);
  }
  NewImage(picture.release());
  Changed(this);
}

void* TBitmap::GetScanLine(int Row) {
  if (!FBits || Row < 0 || Row >= FHeight) throw EInvalidGraphic("Scan line index out of range");
  const size_t stride = TDibImage::RowBytes(FWidth, uint16_t(BitsOf(FPixelFormat)));
  GdiFlush();
  const int line = FTopDown ? Row : FHeight - 1 - Row;
  return static_cast<uint8_t*>(FBits) + size_t(line) * stride;
}

TColor TBitmap::GetTransparentColor() {
  if (FTransparentColor != clDefault) return static_cast<TColor>(ColorToRGB(FTransparentColor));
  if (GetEmpty()) return clNone;
  if (GetMonochrome()) return clWhite;
  return GetCanvas()->GetPixel(0, FHeight - 1);
}

void TBitmap::SetTransparentColor(TColor Value) {
  if (Value == FTransparentColor) return;
  FTransparentColor = Value;
  FTransparentMode = Value == clDefault ? tmAuto : tmFixed;
  Changed(this);
}

void TBitmap::SetTransparentMode(TTransparentMode Value) {
  if (Value == FTransparentMode) return;
  if (Value == tmAuto)
    SetTransparentColor(clDefault);
  else
    SetTransparentColor(GetTransparentColor());
}

void TBitmap::Draw(TCanvas* ACanvas, const TRect& Rect) {
  if (GetEmpty()) return;
  TCanvas* source = GetCanvas();
  source->Lock();
  HDC dest = ACanvas->GetHandle();
  HDC src = source->GetHandle();
  if (GetTransparent()) {
    GdiTransparentBlt(dest, Rect.Left, Rect.Top, Rect.Width(), Rect.Height(), src, 0, 0, FWidth,
                      FHeight, ColorToRGB(GetTransparentColor()));
  } else {
    StretchBlt(dest, Rect.Left, Rect.Top, Rect.Width(), Rect.Height(), src, 0, 0, FWidth,
               FHeight, ACanvas->GetCopyMode());
  }
  source->Unlock();
}

TDibImage TBitmap::GetDib() const {
  TDibImage image;
  if (!FHandle) return image;
  const_cast<TBitmap*>(this)->FreeCanvasContext();  // GetDIBits needs the bitmap unselected
  int bits = FPixelFormat == pfDevice ? 32 : BitsOf(FPixelFormat);
  TBitmapInfo info = {};
  info.Header.biSize = sizeof(BITMAPINFOHEADER);
  info.Header.biWidth = FWidth;
  info.Header.biHeight = FHeight;
  info.Header.biPlanes = 1;
  info.Header.biBitCount = static_cast<WORD>(bits);
  info.Header.biCompression = FPixelFormat == pf16bit ? BI_BITFIELDS : BI_RGB;
  image.Width = FWidth;
  image.Height = FHeight;
  image.BitCount = static_cast<uint16_t>(bits);
  image.Bits.resize(TDibImage::RowBytes(FWidth, image.BitCount) * size_t(FHeight));
  TWindowDC screen;
  GetDIBits(screen, FHandle.get(), 0, static_cast<UINT>(FHeight), image.Bits.data(), info.Get(),
            DIB_RGB_COLORS);
  if (bits <= 8) {
    size_t count = size_t(1) << bits;
    image.Palette.resize(count * 4);
    for (size_t i = 0; i < count; ++i) {
      image.Palette[i * 4] = info.Colors[i].rgbBlue;
      image.Palette[i * 4 + 1] = info.Colors[i].rgbGreen;
      image.Palette[i * 4 + 2] = info.Colors[i].rgbRed;
    }
  } else if (FPixelFormat == pf16bit) {
    image.BitFields = true;
    image.RedMask = 0xF800;
    image.GreenMask = 0x07E0;
    image.BlueMask = 0x001F;
  }
  return image;
}

void TBitmap::SetDib(const TDibImage& Image) {
  TPixelFormat format = PixelFormatOfBits(Image.BitCount,
                                          Image.BitFields && Image.GreenMask == 0x07E0);
  std::vector<RGBQUAD> colors;
  for (int i = 0; i < Image.PaletteCount(); ++i)
    colors.push_back(RGBQUAD{Image.Palette[size_t(i) * 4], Image.Palette[size_t(i) * 4 + 1],
                             Image.Palette[size_t(i) * 4 + 2], 0});
  // Pictures of 1, 4 and 8 bits with a short colour table get black for the rest.
  if (Image.BitCount <= 8) colors.resize(size_t(1) << Image.BitCount, RGBQUAD{0, 0, 0, 0});
  const uint32_t masks[3] = {Image.RedMask, Image.GreenMask, Image.BlueMask};
  TGdiHandle<HBITMAP> picture(CreatePicture(Image.Width, Image.Height, format, &colors,
                                            Image.BitFields ? masks : nullptr));
  DIBSECTION dib = {};
  if (picture && GetObjectA(picture.get(), sizeof(dib), &dib) == sizeof(dib) && dib.dsBm.bmBits) {
    size_t bytes = std::min(Image.Bits.size(),
                            TDibImage::RowBytes(Image.Width, Image.BitCount) * size_t(Image.Height));
    std::memcpy(dib.dsBm.bmBits, Image.Bits.data(), bytes);
  }
  NewImage(picture.release());
  FPixelFormat = format;
  Changed(this);
}

void TBitmap::Assign(TPersistent* Source) {
  if (!Source) {
    NewImage(nullptr);
    Changed(this);
    return;
  }
  TBitmap* bitmap = dynamic_cast<TBitmap*>(Source);
  if (!bitmap) {
    TGraphic::Assign(Source);
    return;
  }
  if (bitmap == this) return;
  FTransparentColor = bitmap->FTransparentColor;
  FTransparentMode = bitmap->FTransparentMode;
  if (bitmap->GetTransparent() != GetTransparent()) TGraphic::SetTransparent(bitmap->GetTransparent());
  if (bitmap->GetEmpty()) {
    NewImage(nullptr);
    FPixelFormat = bitmap->FPixelFormat;
    Changed(this);
  } else if (bitmap->FPixelFormat != pfDevice) {
    SetDib(bitmap->GetDib());
  } else {
    TGdiHandle<HBITMAP> picture(CreatePicture(bitmap->FWidth, bitmap->FHeight, pfDevice));
    {
      TMemoryDC dc(CreateCompatibleDC(nullptr));
      HGDIOBJ old = SelectObject(dc.get(), picture.get());
      TCanvas* source = bitmap->GetCanvas();
      source->Lock();
      BitBlt(dc.get(), 0, 0, bitmap->FWidth, bitmap->FHeight, source->GetHandle(), 0, 0, SRCCOPY);
      source->Unlock();
      SelectObject(dc.get(), old);
    }
    NewImage(picture.release());
    Changed(this);
  }
}

void TBitmap::LoadFromStream(TStream* Stream) {
  uint8_t header[kBmpFileHeaderSize];
  Stream->ReadBuffer(header, sizeof(header));
  const uint32_t fileSize = BmpFileSize(header, sizeof(header));
  // Nothing is read beyond the file's own size, and a size the stream cannot hold is
  // refused before anything is made for it.
  const int64_t position = Stream->GetPosition();
  const int64_t size = Stream->GetSize();
  if (size >= position && int64_t(fileSize) - int64_t(kBmpFileHeaderSize) > size - position)
    throw EInvalidGraphic("Bitmap image is not valid");
  std::vector<uint8_t> data(fileSize);
  std::memcpy(data.data(), header, sizeof(header));
  Stream->ReadBuffer(data.data() + sizeof(header), int64_t(fileSize) - int64_t(sizeof(header)));
  TDibImage image;
  ReadBmpFile(data.data(), data.size(), image);
  SetDib(image);
}

void TBitmap::SaveToStream(TStream* Stream) {
  if (GetEmpty()) return;
  std::vector<uint8_t> data = WriteBmpFile(GetDib());
  Stream->WriteBuffer(data.data(), int64_t(data.size()));
}

void TBitmap::LoadFromResource(HINSTANCE Instance, LPCSTR ResName, const AnsiString& Shown) {
  HRSRC resource = FindResourceA(Instance, ResName, MAKEINTRESOURCEA(2) /*RT_BITMAP*/);
  HGLOBAL loaded = resource ? LoadResource(Instance, resource) : nullptr;
  const void* data = loaded ? LockResource(loaded) : nullptr;
  if (!data) throw EResNotFound("Resource %s not found", {Shown});
  TDibImage image;
  ReadDib(static_cast<const uint8_t*>(data), SizeofResource(Instance, resource), image);
  SetDib(image);
}

void TBitmap::LoadFromResourceName(HINSTANCE Instance, const AnsiString& ResName) {
  LoadFromResource(Instance, ResName.c_str(), ResName);
}

void TBitmap::LoadFromResourceID(HINSTANCE Instance, int ResID) {
  LoadFromResource(Instance, MAKEINTRESOURCEA(ResID), IntToStr(ResID));
}

// ---------------------------------------------------------------------------------------
// TIcon

namespace {

// The size of an icon object's picture.
void IconSize(HICON Icon, int& Width, int& Height) {
  Width = Height = 0;
  ICONINFO info = {};
  if (!GetIconInfo(Icon, &info)) return;
  BITMAP bm = {};
  if (info.hbmColor && GetObjectA(info.hbmColor, sizeof(bm), &bm)) {
    Width = bm.bmWidth;
    Height = bm.bmHeight;
  } else if (info.hbmMask && GetObjectA(info.hbmMask, sizeof(bm), &bm)) {
    Width = bm.bmWidth;
    Height = bm.bmHeight / 2;  // a monochrome icon's mask holds both halves
  }
  if (info.hbmColor) DeleteObject(info.hbmColor);
  if (info.hbmMask) DeleteObject(info.hbmMask);
}

// Makes the icon object of the best picture of an icon file; raises EInvalidGraphic.
HICON IconFromFile(const std::vector<uint8_t>& Data, int WantWidth, int WantHeight, int& Width,
                   int& Height) {
  std::vector<TIconDirEntry> entries = ReadIconDirectory(Data.data(), Data.size());
  const TIconDirEntry& entry = entries[BestIconEntry(entries, WantWidth, WantHeight)];
  HICON icon = CreateIconFromResourceEx(const_cast<uint8_t*>(Data.data()) + entry.Offset,
                                        entry.Size, TRUE, 0x00030000, entry.Width, entry.Height,
                                        LR_DEFAULTCOLOR);
  if (!icon) throw EInvalidGraphic("Icon image is not valid");
  IconSize(icon, Width, Height);
  return icon;
}

}  // namespace

TIcon::TIcon() = default;

TIcon::~TIcon() { FreeIcon(); }

void TIcon::FreeIcon() {
  if (FHandle) DestroyIcon(FHandle);
  FHandle = nullptr;
}

int TIcon::GetWidth() const {
  if (FHandle) return FIconWidth;
  if (!FData.empty()) {
    std::vector<TIconDirEntry> entries = ReadIconDirectory(FData.data(), FData.size());
    int want = FRequestedWidth ? FRequestedWidth : GetSystemMetrics(SM_CXICON);
    int wantH = FRequestedHeight ? FRequestedHeight : GetSystemMetrics(SM_CYICON);
    return entries[BestIconEntry(entries, want, wantH)].Width;
  }
  return FRequestedWidth ? FRequestedWidth : GetSystemMetrics(SM_CXICON);
}

int TIcon::GetHeight() const {
  if (FHandle) return FIconHeight;
  if (!FData.empty()) {
    std::vector<TIconDirEntry> entries = ReadIconDirectory(FData.data(), FData.size());
    int want = FRequestedWidth ? FRequestedWidth : GetSystemMetrics(SM_CXICON);
    int wantH = FRequestedHeight ? FRequestedHeight : GetSystemMetrics(SM_CYICON);
    return entries[BestIconEntry(entries, want, wantH)].Height;
  }
  return FRequestedHeight ? FRequestedHeight : GetSystemMetrics(SM_CYICON);
}

void TIcon::SetWidth(int Value) {
  if (Value == FRequestedWidth) return;
  if (FHandle && FData.empty())
    throw EInvalidGraphicOperation("Cannot change the size of an icon");
  FRequestedWidth = Value;
  FreeIcon();  // made again from the file at the new size
  Changed(this);
}

void TIcon::SetHeight(int Value) {
  if (Value == FRequestedHeight) return;
  if (FHandle && FData.empty())
    throw EInvalidGraphicOperation("Cannot change the size of an icon");
  FRequestedHeight = Value;
  FreeIcon();
  Changed(this);
}

HICON TIcon::GetHandle() {
  if (!FHandle && !FData.empty()) {
    int want = FRequestedWidth ? FRequestedWidth : GetSystemMetrics(SM_CXICON);
    int wantH = FRequestedHeight ? FRequestedHeight : GetSystemMetrics(SM_CYICON);
    FHandle = IconFromFile(FData, want, wantH, FIconWidth, FIconHeight);
  }
  return FHandle;
}

void TIcon::SetHandle(HICON Value) {
  if (Value == FHandle) return;
  FreeIcon();
  FData.clear();
  FHandle = Value;
  if (Value) IconSize(Value, FIconWidth, FIconHeight);
  Changed(this);
}

HICON TIcon::ReleaseHandle() {
  HICON handle = GetHandle();
  FHandle = nullptr;
  FData.clear();
  return handle;
}

void TIcon::Assign(TPersistent* Source) {
  if (!Source) {
    FreeIcon();
    FData.clear();
    Changed(this);
    return;
  }
  TIcon* icon = dynamic_cast<TIcon*>(Source);
  if (!icon) {
    TGraphic::Assign(Source);
    return;
  }
  if (icon == this) return;
  FreeIcon();
  FData = icon->FData;
  FRequestedWidth = icon->FRequestedWidth;
  FRequestedHeight = icon->FRequestedHeight;
  if (FData.empty() && icon->FHandle) {
    FHandle = CopyIcon(icon->FHandle);
    FIconWidth = icon->FIconWidth;
    FIconHeight = icon->FIconHeight;
  }
  Changed(this);
}

void TIcon::LoadFromStream(TStream* Stream) {
  const int64_t remaining = Stream->GetSize() - Stream->GetPosition();
  if (remaining <= 0 || remaining > (int64_t(64) << 20)) throw EInvalidGraphic("Icon image is not valid");
  std::vector<uint8_t> data(static_cast<size_t>(remaining));
  Stream->ReadBuffer(data.data(), remaining);
  int want = FRequestedWidth ? FRequestedWidth : GetSystemMetrics(SM_CXICON);
  int wantH = FRequestedHeight ? FRequestedHeight : GetSystemMetrics(SM_CYICON);
  int width = 0, height = 0;
  HICON icon = IconFromFile(data, want, wantH, width, height);
  FreeIcon();
  FData = std::move(data);
  FHandle = icon;
  FIconWidth = width;
  FIconHeight = height;
  Changed(this);
}

void TIcon::SaveToStream(TStream* Stream) {
  if (!FData.empty()) {
    Stream->WriteBuffer(FData.data(), int64_t(FData.size()));
    return;
  }
  if (!FHandle) return;
  // One 32-bit picture with its mask, from the icon object.
  ICONINFO info = {};
  if (!GetIconInfo(FHandle, &info)) throw EInvalidGraphic("Icon image is not valid");
  TGdiHandle<HBITMAP> color(info.hbmColor);
  TGdiHandle<HBITMAP> mask(info.hbmMask);
  const int w = FIconWidth;
  const int h = FIconHeight;
  TWindowDC screen;
  TBitmapInfo bi = {};
  bi.Header.biSize = sizeof(BITMAPINFOHEADER);
  bi.Header.biWidth = w;
  bi.Header.biHeight = h;
  bi.Header.biPlanes = 1;
  bi.Header.biBitCount = 32;
  std::vector<uint8_t> colorBits(size_t(w) * size_t(h) * 4);
  if (color) {
    GetDIBits(screen, color.get(), 0, UINT(h), colorBits.data(), bi.Get(), DIB_RGB_COLORS);
  }
  const size_t maskStride = TDibImage::RowBytes(w, 1);
  std::vector<uint8_t> maskBits(maskStride * size_t(h));
  TBitmapInfo mi = {};
  mi.Header.biSize = sizeof(BITMAPINFOHEADER);
  mi.Header.biWidth = w;
  mi.Header.biHeight = color ? h : h * 2;
  mi.Header.biPlanes = 1;
  mi.Header.biBitCount = 1;
  std::vector<uint8_t> fullMask(maskStride * size_t(color ? h : h * 2));
  GetDIBits(screen, mask.get(), 0, UINT(mi.Header.biHeight), fullMask.data(), mi.Get(),
            DIB_RGB_COLORS);
  // A monochrome icon's mask bitmap holds the AND half on top (the later rows bottom-up).
  std::memcpy(maskBits.data(), fullMask.data() + (color ? 0 : maskStride * size_t(h)),
              maskBits.size());
  if (!color) {
    // Its XOR half becomes the colour: white where set, black elsewhere.
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x) {
        bool set = fullMask[size_t(y) * maskStride + size_t(x / 8)] & (0x80 >> (x % 8));
        uint8_t v = set ? 255 : 0;
        uint8_t* p = &colorBits[(size_t(y) * size_t(w) + size_t(x)) * 4];
        p[0] = p[1] = p[2] = v;
      }
  }
  std::vector<uint8_t> picture;
  auto put32 = [&picture](uint32_t v) {
    for (int i = 0; i < 4; ++i) picture.push_back(uint8_t(v >> (8 * i)));
  };
  put32(40);
  put32(uint32_t(w));
  put32(uint32_t(h * 2));
  picture.push_back(1);
  picture.push_back(0);
  picture.push_back(32);
  picture.push_back(0);
  put32(0);
  put32(uint32_t(colorBits.size() + maskBits.size()));
  put32(0);
  put32(0);
  put32(0);
  put32(0);
  picture.insert(picture.end(), colorBits.begin(), colorBits.end());
  picture.insert(picture.end(), maskBits.begin(), maskBits.end());
  std::vector<uint8_t> file = WriteIconFile(picture, w, h, 32);
  Stream->WriteBuffer(file.data(), int64_t(file.size()));
}

void TIcon::LoadFromResourceName(HINSTANCE Instance, const AnsiString& ResName) {
  HICON icon = static_cast<HICON>(LoadImageA(Instance, ResName.c_str(), IMAGE_ICON,
                                             FRequestedWidth, FRequestedHeight, LR_DEFAULTCOLOR));
  if (!icon) throw EResNotFound("Resource %s not found", {ResName});
  SetHandle(icon);
}

void TIcon::Draw(TCanvas* ACanvas, const TRect& Rect) {
  HICON icon = GetHandle();
  if (!icon) return;
  DrawIconEx(ACanvas->GetHandle(), Rect.Left, Rect.Top, icon, Rect.Width(), Rect.Height(), 0,
             nullptr, DI_NORMAL);
}
