// PNG pictures as framework graphics: loaded from and saved to streams chunk by chunk
// (PngChunks.h), kept decoded in a DIB section, drawn opaque, with one transparent colour
// or with alpha per pixel. Two variants share one class and differ by its switch:
//   TspPngImage - the skin toolkit's: quiet on bad input, resizable, with its own canvas;
//   TPNGObject  - registered with TPicture for the extension "PNG": raises an EPNG error
//                 with its message on every bad input.
#pragma once

#include <memory>

#include "framework/Graphics.h"
#include "skin/data/PngChunks.h"

class TCustomPngImage : public TGraphic, public TPngImageCore {
 public:
  ~TCustomPngImage() override;

  // Another picture of the same class: its encoder settings and chunks; a framework
  // bitmap: AssignFromBitmapHandle; nullptr (quiet pictures): empty.
  void Assign(TPersistent* Source) override;
  bool GetEmpty() const override { return GetChunkList().GetCount() == 0; }
  int GetWidth() const override { return GetPngWidth(); }
  int GetHeight() const override { return GetPngHeight(); }
  bool GetTransparent() const override { return TransparencyKind() != 0; }
  void LoadFromStream(TStream* Stream) override;
  void SaveToStream(TStream* Stream) override;

  // The palette of grey and palette pictures (see the variants).
  virtual HPALETTE GetPalette() = 0;
  virtual void SetPalette(HPALETTE Palette) {}
  // The bitmap's pixels as a palette picture (below 16 bits per pixel) or an RGB picture
  // of bit depth 8, with a transparency chunk of the colour when Transparent. An empty
  // bitmap gives an empty picture.
  void AssignFromBitmapHandle(HBITMAP Bitmap, bool Transparent, COLORREF TransparentColor);

  // Pixels in a DIB section held by a memory device context, with a palette for grey and
  // palette pictures.
  void AllocatePixels(TPngPixels& Pixels) override;
  void FreePixels(TPngPixels& Pixels) override;
  void PaletteChanged(TPngPixels& Pixels) override;

 protected:
  explicit TCustomPngImage(bool Strict);
  // Another picture of the same class copies this one; a framework bitmap takes the
  // picture (see the variants).
  void AssignTo(TPersistent* Dest) override;
  // By TransparencyKind: opaque (stretched), one transparent colour, alpha per pixel.
  void Draw(TCanvas* ACanvas, const TRect& Rect) override;
  // The picture composited over what the device shows in Rect (scaled by nearest pixel).
  void DrawPartialAlpha(HDC DC, const TRect& Rect);
  // The same class as this picture.
  virtual bool SameClass(TPersistent* Other) const = 0;
};

class TspPngImage : public TCustomPngImage {
 public:
  TspPngImage();
  ~TspPngImage() override;
  TGraphicClass ClassType() const override { return GraphicOf<TspPngImage>; }
  // Width and height change the picture's size (ResizeImage).
  void SetWidth(int Value) override;
  void SetHeight(int Value) override;
  HPALETTE GetPalette() override;
  void SetPalette(HPALETTE Palette) override { ReplacePalette(Palette, true); }
  // A canvas drawing on the picture itself (nullptr-bound without a header).
  TCanvas* GetCanvas() const { return FOwnCanvas.get(); }
  // Pictures with a palette: the palette's entries into the colour table (CopyToTable),
  // the palette selected into the picture's device context; the picture keeps it.
  void ReplacePalette(HPALETTE Palette, bool CopyToTable);
  void FreePixels(TPngPixels& Pixels) override;
  void PixelsChanged() override;

 protected:
  // Pixel format by the picture (24 bits with alpha), size, the picture drawn on it, and
  // bit transparency as its transparent colour.
  void AssignTo(TPersistent* Dest) override;
  bool SameClass(TPersistent* Other) const override { return dynamic_cast<TspPngImage*>(Other); }

 private:
  std::unique_ptr<TCanvas> FOwnCanvas;
};

class TPNGObject : public TCustomPngImage {
 public:
  TPNGObject();
  ~TPNGObject() override;
  TGraphicClass ClassType() const override { return GraphicOf<TPNGObject>; }
  // Raises EPngError: the picture is not resized through its width and height.
  void SetWidth(int Value) override;
  void SetHeight(int Value) override;
  // Grey and palette pictures: a palette of the 256 colour-table entries, made once.
  HPALETTE GetPalette() override;
  // A bitmap of the picture for the clipboard (CF_BITMAP; the caller owns Data), and a
  // picture from clipboard data of that format.
  void SaveToClipboardFormat(uint16_t& Format, HANDLE& Data, HPALETTE& Palette);
  void LoadFromClipboardFormat(uint16_t Format, HANDLE Data, HPALETTE Palette);

 protected:
  // A device bitmap made from the DIB, its pixel format the DIB's, bit transparency as its
  // transparent colour.
  void AssignTo(TPersistent* Dest) override;
  bool SameClass(TPersistent* Other) const override { return dynamic_cast<TPNGObject*>(Other); }

 private:
  HPALETTE FCachedPalette = nullptr;
};

// Draws a DIB stretched into Rect leaving out TransparentColor, through masks.
void DrawTransparentDIB(HDC DC, const void* Bits, const BITMAPINFO* Info, const TRect& Rect,
                        COLORREF TransparentColor);
