#include "framework/ImgList.h"

#include <algorithm>
#include <cstring>

#include <commctrl.h>

namespace {

// The pixels of a bitmap, top row first, 0xAARRGGBB. Bitmaps without alpha (all alpha
// bytes 0, or not 32-bit) come out opaque.
std::vector<uint32_t> BitmapPixels(TBitmap* Bitmap) {
  const int w = Bitmap->GetWidth(), h = Bitmap->GetHeight();
  std::vector<uint32_t> pixels(size_t(w) * size_t(h), 0);
  if (w <= 0 || h <= 0) return pixels;
  bool hasAlpha = false;
  if (Bitmap->GetPixelFormat() == pf32bit) {
    TDibImage dib = Bitmap->GetDib();
    const size_t row = TDibImage::RowBytes(dib.Width, dib.BitCount);
    for (int y = 0; y < h; ++y) {
      const uint8_t* src = dib.Bits.data() + row * size_t(h - 1 - y);
      std::memcpy(&pixels[size_t(y) * size_t(w)], src, size_t(w) * 4);
    }
    for (uint32_t p : pixels) hasAlpha = hasAlpha || (p >> 24) != 0;
  } else {
    void* bits = nullptr;
    TGdiHandle<HBITMAP> dib(CreateDib32(w, h, bits));
    TMemoryDC dc(CreateCompatibleDC(nullptr));
    HGDIOBJ old = SelectObject(dc.get(), dib.get());
    TCanvas* canvas = Bitmap->GetCanvas();
    canvas->Lock();
    BitBlt(dc.get(), 0, 0, w, h, canvas->GetHandle(), 0, 0, SRCCOPY);
    canvas->Unlock();
    GdiFlush();
    SelectObject(dc.get(), old);
    std::memcpy(pixels.data(), bits, pixels.size() * 4);
  }
  if (!hasAlpha)
    for (uint32_t& p : pixels) p |= 0xFF000000u;
  return pixels;
}

uint32_t Premultiply(uint32_t P) {
  const uint32_t a = P >> 24;
  auto channel = [a](uint32_t c) { return (c * a + 127) / 255; };
  return (a << 24) | (channel((P >> 16) & 0xFF) << 16) | (channel((P >> 8) & 0xFF) << 8) |
         channel(P & 0xFF);
}

}  // namespace

// ---------------------------------------------------------------------------------------
// TChangeLink

TChangeLink::~TChangeLink() {
  if (FSender) FSender->UnRegisterChanges(this);
}

void TChangeLink::Change() {
  if (OnChange) OnChange(FSender);
}

// ---------------------------------------------------------------------------------------
// TCustomImageList

TCustomImageList::TCustomImageList(TComponent* AOwner) : TComponent(AOwner) {}

TCustomImageList::~TCustomImageList() {
  while (!FClients.empty()) UnRegisterChanges(FClients.back());
  FreeHandle();
}

void TCustomImageList::Assign(TPersistent* Source) {
  auto* other = dynamic_cast<TCustomImageList*>(Source);
  if (!other) {
    TComponent::Assign(Source);
    return;
  }
  if (FHandle && (FWidth != other->FWidth || FHeight != other->FHeight))
    ImageList_SetIconSize(FHandle, other->FWidth, other->FHeight);
  FWidth = other->FWidth;
  FHeight = other->FHeight;
  FImages = other->FImages;
  SyncHandle();
  Change();
}

void TCustomImageList::FreeHandle() {
  if (FHandle) ImageList_Destroy(FHandle);
  FHandle = nullptr;
}

void TCustomImageList::SetWidth(int Value) { SetSize(Value, FHeight); }
void TCustomImageList::SetHeight(int Value) { SetSize(FWidth, Value); }

void TCustomImageList::SetSize(int AWidth, int AHeight) {
  AWidth = std::max(1, AWidth);
  AHeight = std::max(1, AHeight);
  if (AWidth == FWidth && AHeight == FHeight) return;
  FWidth = AWidth;
  FHeight = AHeight;
  FImages.clear();
  if (FHandle) ImageList_SetIconSize(FHandle, FWidth, FHeight);  // empties it
  Change();
}

std::vector<TCustomImageList::TImagePixels> TCustomImageList::SplitBitmap(TBitmap* Image, TBitmap* Mask,
                                                                          bool UseMaskColor,
                                                                          TColor MaskColor) const {
  std::vector<TImagePixels> result;
  if (!Image || Image->GetEmpty()) return result;
  const int w = Image->GetWidth(), h = Image->GetHeight();
  std::vector<uint32_t> pixels = BitmapPixels(Image);
  std::vector<uint32_t> mask;
  if (Mask && !Mask->GetEmpty()) mask = BitmapPixels(Mask);
  const int mw = Mask ? Mask->GetWidth() : 0, mh = Mask ? Mask->GetHeight() : 0;
  const COLORREF key = ColorToRGB(MaskColor);
  const uint32_t keyPixel = (GetRValue(key) << 16) | (GetGValue(key) << 8) | GetBValue(key);
  const int count = std::max(1, w / FWidth);
  for (int n = 0; n < count; ++n) {
    TImagePixels picture(size_t(FWidth) * size_t(FHeight), 0);
    for (int y = 0; y < FHeight && y < h; ++y) {
      for (int x = 0; x < FWidth; ++x) {
        const int sx = n * FWidth + x;
        if (sx >= w) break;
        uint32_t p = pixels[size_t(y) * size_t(w) + size_t(sx)];
        if (UseMaskColor && (p & 0xFFFFFF) == keyPixel) p = 0;
        if (!mask.empty() && sx < mw && y < mh && (mask[size_t(y) * size_t(mw) + size_t(sx)] & 0xFFFFFF) != 0)
          p = 0;
        picture[size_t(y) * size_t(FWidth) + size_t(x)] = p;
      }
    }
    result.push_back(std::move(picture));
  }
  return result;
}

void TCustomImageList::CheckIndex(int Index, int Limit) const {
  if (Index < 0 || Index > Limit) throw EInvalidOperation("Invalid image list index");
}

HBITMAP TCustomImageList::MakeDib(const TImagePixels& Pixels, bool Premultiplied) const {
  void* bits = nullptr;
  HBITMAP dib = CreateDib32(FWidth, FHeight, bits);
  auto* out = static_cast<uint32_t*>(bits);
  for (size_t i = 0; i < Pixels.size(); ++i) out[i] = Premultiplied ? Premultiply(Pixels[i]) : Pixels[i];
  return dib;
}

void TCustomImageList::AddToHandle(const TImagePixels& Pixels) {
  TGdiHandle<HBITMAP> image(MakeDib(Pixels, false));
  TGdiHandle<HBITMAP> mask(CreateBitmap(FWidth, FHeight, 1, 1, nullptr));
  {
    TMemoryDC dc(CreateCompatibleDC(nullptr));
    HGDIOBJ old = SelectObject(dc.get(), mask.get());
    PatBlt(dc.get(), 0, 0, FWidth, FHeight, BLACKNESS);
    for (int y = 0; y < FHeight; ++y)
      for (int x = 0; x < FWidth; ++x)
        if ((Pixels[size_t(y) * size_t(FWidth) + size_t(x)] >> 24) == 0)
          ::SetPixel(dc.get(), x, y, RGB(255, 255, 255));
    SelectObject(dc.get(), old);
  }
  ImageList_Add(FHandle, image.get(), mask.get());
}

void TCustomImageList::SyncHandle() {
  // The object stays the same (native controls hold it); its pictures are made again.
  if (!FHandle) return;
  ImageList_RemoveAll(FHandle);
  for (const TImagePixels& pixels : FImages) AddToHandle(pixels);
}

void TCustomImageList::InsertImages(int Index, std::vector<TImagePixels>&& Images) {
  if (Images.empty()) return;
  const bool atEnd = Index == GetCount();
  FImages.insert(FImages.begin() + Index, std::make_move_iterator(Images.begin()),
                 std::make_move_iterator(Images.end()));
  if (FHandle) {
    if (atEnd)
      for (size_t i = size_t(Index); i < FImages.size(); ++i) AddToHandle(FImages[i]);
    else
      SyncHandle();
  }
  Change();
}

int TCustomImageList::Add(TBitmap* Image, TBitmap* Mask) {
  const int index = GetCount();
  InsertImages(index, SplitBitmap(Image, Mask, false, clNone));
  return index;
}

int TCustomImageList::AddMasked(TBitmap* Image, TColor MaskColor) {
  const int index = GetCount();
  InsertImages(index, SplitBitmap(Image, nullptr, true, MaskColor));
  return index;
}

void TCustomImageList::Insert(int Index, TBitmap* Image, TBitmap* Mask) {
  CheckIndex(Index, GetCount());
  InsertImages(Index, SplitBitmap(Image, Mask, false, clNone));
}

void TCustomImageList::InsertMasked(int Index, TBitmap* Image, TColor MaskColor) {
  CheckIndex(Index, GetCount());
  InsertImages(Index, SplitBitmap(Image, nullptr, true, MaskColor));
}

void TCustomImageList::Replace(int Index, TBitmap* Image, TBitmap* Mask) {
  CheckIndex(Index, GetCount() - 1);
  std::vector<TImagePixels> images = SplitBitmap(Image, Mask, false, clNone);
  if (images.empty()) return;
  FImages[size_t(Index)] = std::move(images.front());
  SyncHandle();
  Change();
}

void TCustomImageList::Delete(int Index) {
  CheckIndex(Index, GetCount() - 1);
  FImages.erase(FImages.begin() + Index);
  if (FHandle) ImageList_Remove(FHandle, Index);
  Change();
}

void TCustomImageList::Move(int CurIndex, int NewIndex) {
  CheckIndex(CurIndex, GetCount() - 1);
  CheckIndex(NewIndex, GetCount() - 1);
  if (CurIndex == NewIndex) return;
  TImagePixels moved = std::move(FImages[size_t(CurIndex)]);
  FImages.erase(FImages.begin() + CurIndex);
  FImages.insert(FImages.begin() + NewIndex, std::move(moved));
  SyncHandle();
  Change();
}

void TCustomImageList::Clear() {
  if (FImages.empty()) return;
  FImages.clear();
  if (FHandle) ImageList_RemoveAll(FHandle);
  Change();
}

bool TCustomImageList::GetBitmap(int Index, TBitmap* Image) const {
  if (!Image || Index < 0 || Index >= GetCount()) return false;
  TDibImage dib;
  dib.Width = FWidth;
  dib.Height = FHeight;
  dib.BitCount = 32;
  dib.Bits.resize(size_t(FWidth) * size_t(FHeight) * 4);
  const TImagePixels& pixels = FImages[size_t(Index)];
  for (int y = 0; y < FHeight; ++y)
    std::memcpy(&dib.Bits[size_t(FHeight - 1 - y) * size_t(FWidth) * 4], &pixels[size_t(y) * size_t(FWidth)],
                size_t(FWidth) * 4);
  Image->SetDib(dib);
  return true;
}

uint32_t TCustomImageList::GetPixel(int Index, int X, int Y) const {
  if (Index < 0 || Index >= GetCount() || X < 0 || Y < 0 || X >= FWidth || Y >= FHeight) return 0;
  return FImages[size_t(Index)][size_t(Y) * size_t(FWidth) + size_t(X)];
}

void TCustomImageList::Draw(TCanvas* Canvas, int X, int Y, int Index, bool Enabled) {
  DoDraw(Index, Canvas, X, Y, dsNormal, Enabled);
}

void TCustomImageList::DoDraw(int Index, TCanvas* Canvas, int X, int Y, uint32_t, bool Enabled) {
  if (!Canvas || Index < 0 || Index >= GetCount()) return;
  TImagePixels pixels = FImages[size_t(Index)];
  if (!Enabled) {
    for (uint32_t& p : pixels) {
      const uint32_t r = (p >> 16) & 0xFF, g = (p >> 8) & 0xFF, b = p & 0xFF;
      const uint32_t grey = (r * 30 + g * 59 + b * 11) / 100;
      p = ((p >> 25) << 24) | (grey << 16) | (grey << 8) | grey;
    }
  }
  TGdiHandle<HBITMAP> dib(MakeDib(pixels, true));
  TMemoryDC dc(CreateCompatibleDC(nullptr));
  HGDIOBJ old = SelectObject(dc.get(), dib.get());
  BLENDFUNCTION blend = {AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
  Canvas->Lock();
  AlphaBlend(Canvas->GetHandle(), X, Y, FWidth, FHeight, dc.get(), 0, 0, FWidth, FHeight, blend);
  Canvas->Unlock();
  SelectObject(dc.get(), old);
}

HIMAGELIST TCustomImageList::GetHandle() {
  if (FHandle) return FHandle;
  FHandle = ImageList_Create(FWidth, FHeight, ILC_COLOR32 | ILC_MASK, std::max(4, GetCount()), 4);
  if (!FHandle) throw EOutOfResources("Out of system resources");
  SyncHandle();
  return FHandle;
}

void TCustomImageList::RegisterChanges(TChangeLink* Value) {
  if (!Value) return;
  if (std::find(FClients.begin(), FClients.end(), Value) == FClients.end()) FClients.push_back(Value);
  Value->SetSender(this);
}

void TCustomImageList::UnRegisterChanges(TChangeLink* Value) {
  if (!Value) return;
  auto found = std::find(FClients.begin(), FClients.end(), Value);
  if (found != FClients.end()) FClients.erase(found);
  if (Value->GetSender() == this) Value->SetSender(nullptr);
}

void TCustomImageList::BeginUpdate() { ++FUpdateCount; }

void TCustomImageList::EndUpdate() {
  if (FUpdateCount > 0 && --FUpdateCount == 0 && FChanged) Change();
}

bool ReplaceImageListReference(TComponent* Client, TCustomImageList*& Field, TCustomImageList* Value,
                               TChangeLink* Link) {
  TCustomImageList* old = Field;
  if (!ReplaceComponentReference(Client, Field, Value)) return false;
  if (old) old->UnRegisterChanges(Link);
  if (Value) Value->RegisterChanges(Link);
  return true;
}

void TCustomImageList::Change() {
  FChanged = true;
  if (FUpdateCount > 0) return;
  FChanged = false;
  // A client may drop its link while told: walk a copy.
  std::vector<TChangeLink*> clients = FClients;
  for (TChangeLink* link : clients)
    if (std::find(FClients.begin(), FClients.end(), link) != FClients.end()) link->Change();
  if (OnChange) OnChange(this);
}
