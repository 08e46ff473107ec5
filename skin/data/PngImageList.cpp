#include "skin/data/PngImageList.h"

#include <cmath>

#include "framework/SysUtils.h"
#include "skin/data/SkinDrawPrivate.h"

// ---------------------------------------------------------------------------------------
// Placeholders, drawing, fading

void InsertPlaceholder(TCustomImageList* List, int Index) {
  std::unique_ptr<TBitmap, TObjectFree> placeholder(new TBitmap);
  placeholder->SetMonochrome(true);
  placeholder->SetSize(List->GetWidth(), List->GetHeight());
  List->Insert(Index, placeholder.get(), nullptr);
}

void RemovePlaceholder(TCustomImageList* List, int Index) { List->Delete(Index); }

void DrawPngItem(TspPngImage* Picture, TCanvas* Canvas, const TRect& Rect, bool Enabled) {
  if (Enabled) {
    Canvas->StretchDraw(Rect, Picture);
    return;
  }
  std::unique_ptr<TspPngImage, TObjectFree> faded(new TspPngImage);
  faded->Assign(Picture);
  MakeFadedCopy(faded.get(), 127);
  Canvas->StretchDraw(Rect, faded.get());
}

void MakeFadedCopy(TspPngImage* Image, int Alpha) {
  TChunkIHDR* header = Image->GetHeaderChunk();
  if (!header) return;
  const bool bit = Image->TransparencyKind() == 1;
  const uint32_t transparent = Image->PngTransparentColor();
  const int w = header->Width, h = header->Height;
  switch (header->ColorType) {
    case COLOR_GRAYSCALE:
    case COLOR_PALETTE: {
      // Rebuilt as an RGB picture with alpha: each pixel's colour, Alpha or clear.
      std::unique_ptr<TBitmap, TObjectFree> empty(new TBitmap);
      empty->SetSize(w, h);
      std::unique_ptr<TspPngImage, TObjectFree> rgb(new TspPngImage);
      rgb->Assign(empty.get());
      rgb->AddAlphaPlane();
      for (int y = 0; y < h; ++y) {
        uint8_t* alpha = rgb->AlphaRowAddress(y);
        for (int x = 0; x < w; ++x) {
          const uint32_t colour = Image->ReadPixel(x, y);
          rgb->WritePixel(x, y, colour);
          alpha[x] = uint8_t(bit && colour == transparent ? 0 : Alpha);
        }
      }
      Image->Assign(rgb.get());
      return;
    }
    case COLOR_RGB:
      Image->AddAlphaPlane();
      break;
    default:
      break;
  }
  for (int y = 0; y < h; ++y) {
    uint8_t* alpha = Image->AlphaRowAddress(y);
    if (!alpha) return;
    for (int x = 0; x < w; ++x) {
      if (bit && Image->ReadPixel(x, y) == transparent)
        alpha[x] = 0;
      else
        alpha[x] = uint8_t(std::nearbyint(alpha[x] / 256.0 * (Alpha + 1)));
    }
  }
}

// ---------------------------------------------------------------------------------------
// TspPngImageItem

TspPngImageItem::TspPngImageItem(TCollection* Collection)
    : TCollectionItem(Collection), FPngImage(new TspPngImage) {
  FName = Format("PngImage%d", {GetIndex()});
  if (TspPngImageList* list = List()) InsertPlaceholder(list, GetIndex());
}

TspPngImageItem::~TspPngImageItem() {
  FPngImage->Free();
  TspPngImageList* list = List();
  const int index = GetIndex();
  if (list && index >= 0 && index < list->GetCount()) RemovePlaceholder(list, index);
}

TspPngImageList* TspPngImageItem::List() const {
  return GetCollection() ? dynamic_cast<TspPngImageList*>(GetCollection()->GetOwner()) : nullptr;
}

void TspPngImageItem::Assign(TPersistent* Source) {
  if (auto* item = dynamic_cast<TspPngImageItem*>(Source)) {
    FPngImage->Assign(item->FPngImage);
    FName = item->FName;
    return;
  }
  TCollectionItem::Assign(Source);
}

AnsiString TspPngImageItem::GetDisplayName() const {
  return FName.empty() ? TCollectionItem::GetDisplayName() : FName;
}

void TspPngImageItem::SetIndex(int Value) {
  const int old = GetIndex();
  TCollectionItem::SetIndex(Value);
  TspPngImageList* list = List();
  const int now = GetIndex();
  if (list && now != old && old < list->GetCount() && now < list->GetCount()) list->Move(old, now);
}

void TspPngImageItem::SetPngImage(TspPngImage* Value) {
  FPngImage->Assign(Value);
  Changed(true);
}

// ---------------------------------------------------------------------------------------
// TspPngImageItems, TspPngImageList

TspPngImageItems::TspPngImageItems(TspPngImageList* Owner)
    : TOwnedCollection(Owner, CollectionItemOf<TspPngImageItem>) {
  SetPropName("PngImages");
}

TspPngImageList::TspPngImageList(TComponent* AOwner)
    : TCustomImageList(AOwner), FPngImages(new TspPngImageItems(this)) {}

TspPngImageList::~TspPngImageList() { FreeAndNil(FPngImages); }

void TspPngImageList::SetPngImages(TspPngImageItems* Value) { FPngImages->Assign(Value); }

void TspPngImageList::SetPngWidth(int Value) {
  if (Value == GetWidth()) return;
  SetWidth(Value);
  if (!GetComponentState().Contains(csLoading)) FPngImages->Clear();
}

void TspPngImageList::SetPngHeight(int Value) {
  if (Value == GetHeight()) return;
  SetHeight(Value);
  if (!GetComponentState().Contains(csLoading)) FPngImages->Clear();
}

void TspPngImageList::DoDraw(int Index, TCanvas* Canvas, int X, int Y, uint32_t Style,
                             bool Enabled) {
  if (!Canvas || Index < 0 || Index >= FPngImages->GetCount()) return;
  DrawPngItem(FPngImages->GetItem(Index)->GetPngImage(), Canvas,
              Rect(X, Y, X + GetWidth(), Y + GetHeight()), Enabled);
}
