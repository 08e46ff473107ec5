// An image list whose pictures are PNG pictures with alpha. Menus, tool buttons and other
// controls that take an image list use it unchanged: the list keeps one monochrome
// placeholder per picture, so that counts and indexes work, and draws the PNG picture
// itself, translucent when the entry is drawn disabled. Item i of PngImages is entry i of
// the list.
#pragma once

#include "framework/ImgList.h"
#include "skin/data/PngImage.h"

class TspPngImageList;

class TspPngImageItem : public TCollectionItem {
 public:
  // Makes its picture, is named "PngImage<index>" and puts its placeholder into the list.
  explicit TspPngImageItem(TCollection* Collection);
  // Takes its placeholder out of the list (when the list still has that entry).
  ~TspPngImageItem() override;
  // From another item: its picture and its name.
  void Assign(TPersistent* Source) override;
  // The name, or the framework's default when it is empty.
  AnsiString GetDisplayName() const override;
  // Moving the item moves its placeholder with it.
  void SetIndex(int Value) override;

  AnsiString GetName() const { return FName; }
  void SetName(const AnsiString& Value) { FName = Value; }
  TspPngImage* GetPngImage() const { return FPngImage; }
  // The item's picture copies Value; the collection hears that every item changed.
  void SetPngImage(TspPngImage* Value);

 private:
  TspPngImageList* List() const;
  AnsiString FName;
  TspPngImage* FPngImage;  // owned
};

class TspPngImageItems : public TOwnedCollection {
 public:
  explicit TspPngImageItems(TspPngImageList* Owner);
  TspPngImageItem* GetItem(int Index) const {
    return static_cast<TspPngImageItem*>(TCollection::GetItem(Index));
  }
  TspPngImageItem* Add() { return static_cast<TspPngImageItem*>(TCollection::Add()); }
};

class TspPngImageList : public TCustomImageList {
 public:
  explicit TspPngImageList(TComponent* AOwner);
  ~TspPngImageList() override;

  TspPngImageItems* GetPngImages() const { return FPngImages; }
  // The collection copies Value.
  void SetPngImages(TspPngImageItems* Value);
  // The list's picture size. A new size empties the list (unless it is being loaded).
  int GetPngWidth() const { return GetWidth(); }
  void SetPngWidth(int Value);
  int GetPngHeight() const { return GetHeight(); }
  void SetPngHeight(int Value);

 protected:
  // Draws item Index's picture into the rectangle of the list's size at (X, Y).
  void DoDraw(int Index, TCanvas* Canvas, int X, int Y, uint32_t Style, bool Enabled) override;

 private:
  TspPngImageItems* FPngImages;
};

// A monochrome bitmap of the list's size put into the list at Index, and the entry at
// Index taken out.
void InsertPlaceholder(TCustomImageList* List, int Index);
void RemovePlaceholder(TCustomImageList* List, int Index);
// The picture into Rect; a disabled one through a faded copy.
void DrawPngItem(TspPngImage* Picture, TCanvas* Canvas, const TRect& Rect, bool Enabled);
// The picture made translucent: grey and palette pictures become RGB with alpha Alpha (0
// for their transparent colour), pictures with alpha get alpha x (Alpha + 1) / 256
// (rounded, halves to even; 0 for a transparent colour).
void MakeFadedCopy(TspPngImage* Image, int Alpha);
