// Image lists: pictures of one size, addressed by index, that menus, buttons, list views
// and tab controls draw from. The list keeps every picture as 32-bit colour with alpha
// (pictures without alpha become opaque, masks and mask colours make their pixels fully
// transparent) and draws it blended onto the canvas. Native controls get an image list
// object (Handle) made from those pictures and kept in step with them.
#pragma once

#include <cstdint>
#include <vector>

#include "framework/Graphics.h"

#include <commctrl.h>

class TCustomImageList;

// Tells a client (a menu, a list view) that the pictures of a list changed.
class TChangeLink : public TObject {
 public:
  TChangeLink() = default;
  ~TChangeLink() override;
  TCustomImageList* GetSender() const { return FSender; }
  void SetSender(TCustomImageList* Value) { FSender = Value; }
  virtual void Change();
  TNotifyEvent OnChange;

 private:
  TCustomImageList* FSender = nullptr;
};

// The drawing styles DoDraw is given (the image list object's ILD_ values).
constexpr uint32_t dsNormal = 0;       // ILD_NORMAL
constexpr uint32_t dsTransparent = 1;  // ILD_TRANSPARENT

class TCustomImageList : public TComponent {
 public:
  explicit TCustomImageList(TComponent* AOwner);
  ~TCustomImageList() override;
  void Assign(TPersistent* Source) override;

  // The size of every picture (16 x 16 unless set). A new size empties the list.
  int GetWidth() const { return FWidth; }
  void SetWidth(int Value);
  int GetHeight() const { return FHeight; }
  void SetHeight(int Value);
  void SetSize(int AWidth, int AHeight);
  int GetCount() const { return static_cast<int>(FImages.size()); }

  // Adds the pictures of Image: one per list width of it (a narrower bitmap gives one,
  // transparent where it does not reach). Mask (may be nullptr) is transparent where it is
  // not black. Returns the index of the first picture added.
  int Add(TBitmap* Image, TBitmap* Mask);
  // As Add; pixels of MaskColor are transparent.
  int AddMasked(TBitmap* Image, TColor MaskColor);
  // Inserts at Index (0 .. Count); raises EInvalidOperation "Invalid image list index"
  // for an index outside that and leaves the list as it was.
  void Insert(int Index, TBitmap* Image, TBitmap* Mask);
  void InsertMasked(int Index, TBitmap* Image, TColor MaskColor);
  void Replace(int Index, TBitmap* Image, TBitmap* Mask);
  void Delete(int Index);
  void Move(int CurIndex, int NewIndex);
  void Clear();
  // Copies picture Index into Image as a 32-bit bitmap with its alpha; false for an index
  // outside the list (Image is left as it was).
  bool GetBitmap(int Index, TBitmap* Image) const;
  // The alpha-weighted colour of one pixel of a picture, as 0xAARRGGBB (straight alpha);
  // 0 outside the list or the picture.
  uint32_t GetPixel(int Index, int X, int Y) const;

  // Draws picture Index with its top-left corner at (X, Y); a disabled picture is drawn
  // grey at half its opacity. An index outside the list draws nothing.
  void Draw(TCanvas* Canvas, int X, int Y, int Index, bool Enabled = true);
  void Draw(TCanvas* Canvas, int X, int Y, int Index, uint32_t Style, bool Enabled) {
    DoDraw(Index, Canvas, X, Y, Style, Enabled);
  }

  // The system image list object for native controls, made when first asked for.
  HIMAGELIST GetHandle();
  bool HandleAllocated() const { return FHandle != nullptr; }

  void RegisterChanges(TChangeLink* Value);
  void UnRegisterChanges(TChangeLink* Value);
  void BeginUpdate();
  void EndUpdate();

  TNotifyEvent OnChange;

 protected:
  // Draws picture Index; the drawing every Draw ends in. Subclasses that keep their own
  // pictures override it.
  virtual void DoDraw(int Index, TCanvas* Canvas, int X, int Y, uint32_t Style, bool Enabled);
  virtual void Change();

 private:
  // One picture: Width x Height pixels, top row first, 0xAARRGGBB with straight alpha.
  using TImagePixels = std::vector<uint32_t>;
  std::vector<TImagePixels> SplitBitmap(TBitmap* Image, TBitmap* Mask, bool UseMaskColor,
                                        TColor MaskColor) const;
  void InsertImages(int Index, std::vector<TImagePixels>&& Images);
  void AddToHandle(const TImagePixels& Pixels);
  void SyncHandle();
  void CheckIndex(int Index, int Limit) const;
  void FreeHandle();
  HBITMAP MakeDib(const TImagePixels& Pixels, bool Premultiplied) const;

  int FWidth = 16;
  int FHeight = 16;
  std::vector<TImagePixels> FImages;
  HIMAGELIST FHandle = nullptr;
  std::vector<TChangeLink*> FClients;
  int FUpdateCount = 0;
  bool FChanged = false;
};

// As ReplaceComponentReference for an image list, and Link hears of the new list's
// changes instead of the old one's.
bool ReplaceImageListReference(TComponent* Client, TCustomImageList*& Field, TCustomImageList* Value,
                               TChangeLink* Link);

class TImageList : public TCustomImageList {
 public:
  explicit TImageList(TComponent* AOwner) : TCustomImageList(AOwner) {}
};
