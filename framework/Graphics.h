// The framework's graphics unit: colours, fonts, pens and brushes, the canvas that draws
// with them on a device context, and the pictures (bitmaps, icons, registered file
// formats) that canvases draw. Every GDI object is held by the object that made it and
// deleted with it; canvases select and deselect them so that nothing selected is deleted.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <type_traits>
#include <vector>

#include "framework/Classes.h"
#include "framework/GraphicsBmp.h"
#include "framework/Types.h"
#include "framework/UITypes.h"
#include "framework/WinApi.h"

// ---------------------------------------------------------------------------------------
// Handles

// The system has no GDI or window object left to give.
class EOutOfResources : public Exception {
 public:
  using Exception::Exception;
};

// Owners of GDI objects and memory device contexts: the handle is deleted with the owner.
struct TGdiObjectDeleter {
  void operator()(void* Handle) const {
    if (Handle) DeleteObject(static_cast<HGDIOBJ>(Handle));
  }
};
template <class H>
using TGdiHandle = std::unique_ptr<std::remove_pointer_t<H>, TGdiObjectDeleter>;
struct TDCDeleter {
  void operator()(HDC Handle) const {
    if (Handle) DeleteDC(Handle);
  }
};
using TMemoryDC = std::unique_ptr<std::remove_pointer_t<HDC>, TDCDeleter>;

// A 32-bit top-down DIB section and its pixels; raises EOutOfResources when none is made.
HBITMAP CreateDib32(int Width, int Height, void*& Bits);

// A window's device context for the life of the object (GetDC / ReleaseDC); 0 = screen.
class TWindowDC {
 public:
  explicit TWindowDC(HWND Wnd = nullptr) : FWnd(Wnd), FDC(GetDC(Wnd)) {}
  ~TWindowDC() {
    if (FDC) ReleaseDC(FWnd, FDC);
  }
  TWindowDC(const TWindowDC&) = delete;
  TWindowDC& operator=(const TWindowDC&) = delete;
  HDC Get() const { return FDC; }
  operator HDC() const { return FDC; }

 private:
  HWND FWnd;
  HDC FDC;
};

// Conversions between the framework's rectangles and points and the system's.
inline RECT ToRECT(const TRect& R) { return RECT{R.Left, R.Top, R.Right, R.Bottom}; }
inline TRect FromRECT(const RECT& R) { return TRect(R.left, R.top, R.right, R.bottom); }
inline POINT ToPOINT(const TPoint& P) { return POINT{P.X, P.Y}; }
inline TPoint FromPOINT(const POINT& P) { return TPoint(P.x, P.y); }

// ---------------------------------------------------------------------------------------
// Colours (TColor and the RGB colours are in UITypes.h)

constexpr TColor clScrollBar = SystemColor(COLOR_SCROLLBAR);
constexpr TColor clBackground = SystemColor(COLOR_BACKGROUND);
constexpr TColor clActiveCaption = SystemColor(COLOR_ACTIVECAPTION);
constexpr TColor clInactiveCaption = SystemColor(COLOR_INACTIVECAPTION);
constexpr TColor clMenu = SystemColor(COLOR_MENU);
constexpr TColor clWindow = SystemColor(COLOR_WINDOW);
constexpr TColor clWindowFrame = SystemColor(COLOR_WINDOWFRAME);
constexpr TColor clMenuText = SystemColor(COLOR_MENUTEXT);
constexpr TColor clWindowText = SystemColor(COLOR_WINDOWTEXT);
constexpr TColor clCaptionText = SystemColor(COLOR_CAPTIONTEXT);
constexpr TColor clActiveBorder = SystemColor(COLOR_ACTIVEBORDER);
constexpr TColor clInactiveBorder = SystemColor(COLOR_INACTIVEBORDER);
constexpr TColor clAppWorkSpace = SystemColor(COLOR_APPWORKSPACE);
constexpr TColor clHighlight = SystemColor(COLOR_HIGHLIGHT);
constexpr TColor clHighlightText = SystemColor(COLOR_HIGHLIGHTTEXT);
constexpr TColor clBtnFace = SystemColor(COLOR_BTNFACE);
constexpr TColor clBtnShadow = SystemColor(COLOR_BTNSHADOW);
constexpr TColor clGrayText = SystemColor(COLOR_GRAYTEXT);
constexpr TColor clBtnText = SystemColor(COLOR_BTNTEXT);
constexpr TColor clInactiveCaptionText = SystemColor(COLOR_INACTIVECAPTIONTEXT);
constexpr TColor clBtnHighlight = SystemColor(COLOR_BTNHIGHLIGHT);
constexpr TColor cl3DDkShadow = SystemColor(COLOR_3DDKSHADOW);
constexpr TColor cl3DLight = SystemColor(COLOR_3DLIGHT);
constexpr TColor clInfoText = SystemColor(COLOR_INFOTEXT);
constexpr TColor clInfoBk = SystemColor(COLOR_INFOBK);
constexpr TColor clHotLight = SystemColor(COLOR_HOTLIGHT);
constexpr TColor clGradientActiveCaption = SystemColor(COLOR_GRADIENTACTIVECAPTION);
constexpr TColor clGradientInactiveCaption = SystemColor(COLOR_GRADIENTINACTIVECAPTION);
constexpr TColor clMenuHighlight = SystemColor(COLOR_MENUHILIGHT);
constexpr TColor clMenuBar = SystemColor(COLOR_MENUBAR);
constexpr TColor clNone = 0x1FFFFFFF;
constexpr TColor clDefault = 0x20000000;

// The RGB value of a colour: system colours resolved through the system's current
// colours; any other value as it is (without its top byte).
COLORREF ColorToRGB(TColor Color);

// ---------------------------------------------------------------------------------------
// Fonts, pens, brushes

// A font, pen or brush: its attributes and the GDI object made from them when first
// asked for. Changing an attribute tells OnChange (canvases deselect the old object
// there) and then deletes the old object.
class TGraphicsObject : public TPersistent {
 public:
  TNotifyEvent OnChange;

 protected:
  virtual void Changed();
  // Changed for an attribute of the GDI object: the listeners are told before the old
  // object is deleted, and whoever asks meanwhile gets a new one.
  template <class THandle>
  void ChangedReleasing(THandle& Handle) {
    auto old = Handle.release();
    TGraphicsObject::Changed();
    if (old) DeleteObject(old);
  }
};

enum TFontPitch { fpDefault, fpVariable, fpFixed };

class TFont : public TGraphicsObject {
 public:
  TFont();
  void Assign(TPersistent* Source) override;

  // The font object; made from the attributes when first asked for.
  HFONT GetHandle();
  // Takes the attributes of another font object (the object itself stays the caller's).
  void SetHandle(HFONT Value);
  AnsiString GetName() const { return FName; }
  void SetName(const AnsiString& Value);
  // The character height in pixels (negative: without the internal leading).
  int GetHeight() const { return FHeight; }
  void SetHeight(int Value);
  // The size in points at GetPixelsPerInch.
  int GetSize() const;
  void SetSize(int Value);
  TFontStyles GetStyle() const { return FStyle; }
  void SetStyle(TFontStyles Value);
  // The text colour canvases draw with (no part of the font object).
  TColor GetColor() const { return FColor; }
  void SetColor(TColor Value);
  TFontCharset GetCharset() const { return FCharset; }
  void SetCharset(TFontCharset Value);
  TFontPitch GetPitch() const { return FPitch; }
  void SetPitch(TFontPitch Value);
  int GetPixelsPerInch() const { return FPixelsPerInch; }
  void SetPixelsPerInch(int Value) { FPixelsPerInch = Value; }

 protected:
  void Changed() override;

 private:
  AnsiString FName;
  int FHeight;
  TFontStyles FStyle;
  TColor FColor = clWindowText;
  TFontCharset FCharset = DEFAULT_CHARSET;
  TFontPitch FPitch = fpDefault;
  int FPixelsPerInch;
  TGdiHandle<HFONT> FHandle;
};

enum TPenStyle { psSolid, psDash, psDot, psDashDot, psDashDotDot, psClear, psInsideFrame };
enum TPenMode {
  pmBlack, pmWhite, pmNop, pmNot, pmCopy, pmNotCopy, pmMergePenNot, pmMaskPenNot,
  pmMergeNotPen, pmMaskNotPen, pmMerge, pmNotMerge, pmMask, pmNotMask, pmXor, pmNotXor
};

class TPen : public TGraphicsObject {
 public:
  void Assign(TPersistent* Source) override;
  HPEN GetHandle();
  TColor GetColor() const { return FColor; }
  void SetColor(TColor Value);
  int GetWidth() const { return FWidth; }
  void SetWidth(int Value);
  TPenStyle GetStyle() const { return FStyle; }
  void SetStyle(TPenStyle Value);
  // The raster operation lines are drawn with (no part of the pen object).
  TPenMode GetMode() const { return FMode; }
  void SetMode(TPenMode Value);

 protected:
  void Changed() override;

 private:
  TColor FColor = clBlack;
  int FWidth = 1;
  TPenStyle FStyle = psSolid;
  TPenMode FMode = pmCopy;
  TGdiHandle<HPEN> FHandle;
};

enum TBrushStyle {
  bsSolid, bsClear, bsHorizontal, bsVertical, bsFDiagonal, bsBDiagonal, bsCross, bsDiagCross
};

class TBrush : public TGraphicsObject {
 public:
  void Assign(TPersistent* Source) override;
  HBRUSH GetHandle();
  TColor GetColor() const { return FColor; }
  // Setting a colour while the style is bsClear makes the brush solid.
  void SetColor(TColor Value);
  TBrushStyle GetStyle() const { return FStyle; }
  void SetStyle(TBrushStyle Value);

 protected:
  void Changed() override;

 private:
  TColor FColor = clWhite;
  TBrushStyle FStyle = bsSolid;
  TGdiHandle<HBRUSH> FHandle;
};

// ---------------------------------------------------------------------------------------
// Canvas

class TGraphic;

// Raster operations of CopyRect and of drawing opaque bitmaps.
using TCopyMode = DWORD;
constexpr TCopyMode cmBlackness = BLACKNESS;
constexpr TCopyMode cmDstInvert = DSTINVERT;
constexpr TCopyMode cmMergeCopy = MERGECOPY;
constexpr TCopyMode cmMergePaint = MERGEPAINT;
constexpr TCopyMode cmNotSrcCopy = NOTSRCCOPY;
constexpr TCopyMode cmNotSrcErase = NOTSRCERASE;
constexpr TCopyMode cmPatCopy = PATCOPY;
constexpr TCopyMode cmPatInvert = PATINVERT;
constexpr TCopyMode cmPatPaint = PATPAINT;
constexpr TCopyMode cmSrcAnd = SRCAND;
constexpr TCopyMode cmSrcCopy = SRCCOPY;
constexpr TCopyMode cmSrcErase = SRCERASE;
constexpr TCopyMode cmSrcInvert = SRCINVERT;
constexpr TCopyMode cmSrcPaint = SRCPAINT;
constexpr TCopyMode cmWhiteness = WHITENESS;

// Draws on a device context with its own Font, Pen and Brush, which it selects into the
// context when an operation needs them. The context comes from SetHandle (the caller
// keeps it) or from CreateHandle of a subclass (bitmaps, controls). Lock keeps another
// thread, and the framework's freeing of idle contexts, away while drawing.
class TCanvas : public TPersistent {
 public:
  TCanvas();
  ~TCanvas() override;

  // The device context with the canvas's font, pen and brush selected, for drawing
  // through the system's functions (DrawText on the handle draws in the canvas's font).
  HDC GetHandle();
  void SetHandle(HDC Value);
  bool HandleAllocated() const { return FHandle != nullptr; }
  void Lock();
  void Unlock();
  bool TryLock();
  int GetLockCount() const { return FLockCount; }

  TFont* GetFont() const { return FFont.get(); }
  void SetFont(TFont* Value) { FFont->Assign(Value); }
  TPen* GetPen() const { return FPen.get(); }
  void SetPen(TPen* Value) { FPen->Assign(Value); }
  TBrush* GetBrush() const { return FBrush.get(); }
  void SetBrush(TBrush* Value) { FBrush->Assign(Value); }
  TCopyMode GetCopyMode() const { return FCopyMode; }
  void SetCopyMode(TCopyMode Value) { FCopyMode = Value; }
  TPoint GetPenPos();
  void SetPenPos(const TPoint& Value);
  // The part of the context drawing reaches (its clipping box).
  TRect GetClipRect();
  // Pixels[X][Y].
  TColor GetPixel(int X, int Y);
  void SetPixel(int X, int Y, TColor Value);
  // ExtTextOut options every text is drawn with (ETO_...).
  int GetTextFlags() const { return FTextFlags; }
  void SetTextFlags(int Value) { FTextFlags = Value; }

  void FillRect(const TRect& Rect);
  void FrameRect(const TRect& Rect);
  void Rectangle(int X1, int Y1, int X2, int Y2);
  void Rectangle(const TRect& Rect) { Rectangle(Rect.Left, Rect.Top, Rect.Right, Rect.Bottom); }
  void RoundRect(int X1, int Y1, int X2, int Y2, int X3, int Y3);
  void Ellipse(int X1, int Y1, int X2, int Y2);
  void Ellipse(const TRect& Rect) { Ellipse(Rect.Left, Rect.Top, Rect.Right, Rect.Bottom); }
  void MoveTo(int X, int Y);
  void LineTo(int X, int Y);
  void Polyline(const std::vector<TPoint>& Points);
  void Polygon(const std::vector<TPoint>& Points);
  void DrawFocusRect(const TRect& Rect);
  // Text at (X, Y) in the font; the pen moves to its end.
  void TextOut(int X, int Y, const AnsiString& Text);
  // Text at (X, Y) clipped to Rect, whose background the brush fills unless it is clear.
  void TextRect(const TRect& Rect, int X, int Y, const AnsiString& Text);
  TSize TextExtent(const AnsiString& Text);
  int TextWidth(const AnsiString& Text) { return TextExtent(Text).cx; }
  int TextHeight(const AnsiString& Text) { return TextExtent(Text).cy; }
  // The graphic at its own size with its top-left corner at (X, Y); transparent graphics
  // leave what is under their transparent parts.
  void Draw(int X, int Y, TGraphic* Graphic);
  void StretchDraw(const TRect& Rect, TGraphic* Graphic);
  // Copies Source of another canvas onto Dest here (stretched to fit) with CopyMode.
  void CopyRect(const TRect& Dest, TCanvas* Canvas, const TRect& Source);
  // Selects the font, pen and brush afresh (after something else drew on the context).
  void Refresh();

  TNotifyEvent OnChange;
  TNotifyEvent OnChanging;

 protected:
  enum TState { csHandleValid = 1, csFontValid = 2, csPenValid = 4, csBrushValid = 8 };
  // Makes a context when there is none; the base makes none.
  virtual void CreateHandle() {}
  // Makes sure the context (and the objects named) are selected; raises
  // EInvalidOperation "Canvas does not allow drawing" without a context.
  void RequiredState(int State);
  void DeselectHandles();
  virtual void Changing();
  virtual void Changed();

 private:
  void FontChanged(TObject*);
  void PenChanged(TObject*);
  void BrushChanged(TObject*);

  HDC FHandle = nullptr;
  int FState = 0;
  std::unique_ptr<TFont> FFont;
  std::unique_ptr<TPen> FPen;
  std::unique_ptr<TBrush> FBrush;
  TPoint FPenPos;
  TCopyMode FCopyMode = cmSrcCopy;
  int FTextFlags = 0;
  int FLockCount = 0;
  CRITICAL_SECTION FLock;
};

// Frees the device contexts of bitmap canvases that are not locked; the framework does it
// after every message it handled, so that idle bitmaps hold no context.
void FreeMemoryContexts();

// Draws a frame Width pixels wide inside Rect: its top and left sides in TopColor, its
// bottom and right sides in BottomColor; Rect becomes the part inside the frame.
void Frame3D(TCanvas* Canvas, TRect& Rect, TColor TopColor, TColor BottomColor, int Width);

// ---------------------------------------------------------------------------------------
// Graphics

// A picture that canvases can draw: bitmaps, icons and the formats others register.
class TGraphic;
// Makes a new, empty graphic of one class (the class of a registered file format).
using TGraphicClass = TGraphic* (*)();
template <class T>
TGraphic* GraphicOf() {
  return new T;
}

class TGraphic : public TPersistent {
 public:
  // The maker of new graphics of this object's own class.
  virtual TGraphicClass ClassType() const = 0;
  virtual bool GetEmpty() const = 0;
  virtual int GetWidth() const = 0;
  virtual int GetHeight() const = 0;
  virtual void SetWidth(int Value) = 0;
  virtual void SetHeight(int Value) = 0;
  virtual bool GetTransparent() const { return FTransparent; }
  virtual void SetTransparent(bool Value);
  bool GetModified() const { return FModified; }
  void SetModified(bool Value);

  virtual void LoadFromStream(TStream* Stream) = 0;
  virtual void SaveToStream(TStream* Stream) = 0;
  // Files are read and written whole through a file stream.
  virtual void LoadFromFile(const AnsiString& FileName);
  virtual void SaveToFile(const AnsiString& FileName);

  TNotifyEvent OnChange;

 protected:
  friend class TCanvas;
  // Draws the picture stretched over Rect of the canvas.
  virtual void Draw(TCanvas* ACanvas, const TRect& Rect) = 0;
  // Sets Modified and tells OnChange.
  virtual void Changed(TObject* Sender);

 private:
  bool FTransparent = false;
  bool FModified = false;
};

class TBitmap;
class TIcon;

// Holds one graphic of any class; loads files by their extension through the registered
// file formats ("bmp" and "ico" are built in).
class TPicture : public TPersistent {
 public:
  TPicture();
  ~TPicture() override;

  TGraphic* GetGraphic() const { return FGraphic.get(); }
  // Holds a copy of Value (of Value's class); nullptr empties the picture.
  void SetGraphic(TGraphic* Value);
  // The graphic as a bitmap: a picture holding anything else is emptied into a bitmap.
  TBitmap* GetBitmap();
  void SetBitmap(TBitmap* Value);
  TIcon* GetIcon();
  int GetWidth() const;
  int GetHeight() const;
  void Assign(TPersistent* Source) override;

  // Raises EInvalidGraphic "Unknown picture file extension (.%s)" for an extension no
  // format is registered for; the picture keeps what it had when reading fails.
  void LoadFromFile(const AnsiString& FileName);
  void SaveToFile(const AnsiString& FileName);

  // File formats: the extension (without the dot, case ignored) and the class that reads
  // it. A later registration of the same extension takes its place.
  static void RegisterFileFormat(const AnsiString& Extension, const AnsiString& Description,
                                 TGraphicClass GraphicClass);
  static void UnregisterGraphicClass(TGraphicClass GraphicClass);
  // The class registered for the extension (without the dot), or nullptr.
  static TGraphicClass FindGraphicClass(const AnsiString& Extension);

  TNotifyEvent OnChange;

 protected:
  void AssignTo(TPersistent* Dest) override;
  virtual void Changed(TObject* Sender);

 private:
  struct TGraphicDeleter {
    void operator()(TGraphic* Graphic) const;
  };
  void Hold(TGraphic* Graphic);  // takes ownership and listens to its changes
  std::unique_ptr<TGraphic, TGraphicDeleter> FGraphic;
};

enum TPixelFormat { pfDevice, pf1bit, pf4bit, pf8bit, pf15bit, pf16bit, pf24bit, pf32bit, pfCustom };
enum TTransparentMode { tmAuto, tmFixed };

class TBitmapCanvas;

// A bitmap: a device-dependent bitmap of the screen's format (pfDevice, the default) or
// a DIB section of 1, 4, 8, 15, 16, 24 or 32 bits per pixel. Resizing keeps the picture's
// top-left part and fills the rest white. Transparent bitmaps leave their transparent
// colour out when drawn: the colour of the bottom-left pixel unless TransparentColor was
// set (tmFixed).
class TBitmap : public TGraphic {
 public:
  TBitmap();
  ~TBitmap() override;

  void Assign(TPersistent* Source) override;
  TGraphicClass ClassType() const override { return GraphicOf<TBitmap>; }
  bool GetEmpty() const override { return !FHandle; }
  int GetWidth() const override { return FWidth; }
  int GetHeight() const override { return FHeight; }
  void SetWidth(int Value) override { SetSize(Value, FHeight); }
  void SetHeight(int Value) override { SetSize(FWidth, Value); }
  void SetSize(int AWidth, int AHeight);

  TCanvas* GetCanvas();
  // The bitmap object (0 while empty). SetHandle takes over a bitmap object the caller
  // made; ReleaseHandle gives the bitmap's own away and leaves the bitmap empty.
  HBITMAP GetHandle() const { return FHandle.get(); }
  void SetHandle(HBITMAP Value);
  HBITMAP ReleaseHandle();
  TPixelFormat GetPixelFormat() const { return FPixelFormat; }
  // Converts the picture to the format; raises EInvalidGraphic "Invalid pixel format"
  // for pfCustom.
  void SetPixelFormat(TPixelFormat Value);
  bool GetMonochrome() const;
  void SetMonochrome(bool Value);
  // The first byte of a row (0 = top) of a DIB section; raises EInvalidGraphic for a
  // device-dependent bitmap or a row outside it.
  void* GetScanLine(int Row);

  TColor GetTransparentColor();
  void SetTransparentColor(TColor Value);
  TTransparentMode GetTransparentMode() const { return FTransparentMode; }
  void SetTransparentMode(TTransparentMode Value);

  // A bitmap file from the stream's position, exactly as many bytes as the file says it
  // has; the stream is left after them. Unreadable data raises EInvalidGraphic
  // "Bitmap image is not valid" (a short stream EReadError) and keeps the bitmap as it was.
  void LoadFromStream(TStream* Stream) override;
  void SaveToStream(TStream* Stream) override;
  // A bitmap resource (RT_BITMAP) of a module; raises EResNotFound.
  void LoadFromResourceName(HINSTANCE Instance, const AnsiString& ResName);
  void LoadFromResourceID(HINSTANCE Instance, int ResID);

  // The picture as a DIB of its format (32 bits for pfDevice), and one made from such.
  TDibImage GetDib() const;
  void SetDib(const TDibImage& Image);

 protected:
  void Draw(TCanvas* ACanvas, const TRect& Rect) override;
  void Changed(TObject* Sender) override;

 private:
  friend class TBitmapCanvas;
  // Takes Handle as the picture (0: empty), reading its size and format.
  void NewImage(HBITMAP Handle);
  void LoadFromResource(HINSTANCE Instance, LPCSTR ResName, const AnsiString& Shown);
  void FreeCanvasContext();

  TGdiHandle<HBITMAP> FHandle;
  int FWidth = 0;
  int FHeight = 0;
  TPixelFormat FPixelFormat = pfDevice;
  void* FBits = nullptr;  // the pixels of a DIB section
  bool FTopDown = false;  // its rows run top-down
  TColor FTransparentColor = clDefault;
  TTransparentMode FTransparentMode = tmAuto;
  std::unique_ptr<TBitmapCanvas> FCanvas;
};

// The pixel format of a bit count (1, 4, 8, 16, 24, 32; pfDevice for others).
TPixelFormat PixelFormatOfBits(int BitCount, bool BitFields16 = false);

// An icon: a file of one or more pictures (the one nearest the wanted size is shown) or
// an icon object. Icons are always drawn transparently.
class TIcon : public TGraphic {
 public:
  TIcon();
  ~TIcon() override;

  void Assign(TPersistent* Source) override;
  TGraphicClass ClassType() const override { return GraphicOf<TIcon>; }
  bool GetEmpty() const override { return !FHandle && FData.empty(); }
  // The size of the picture shown; before anything is loaded, the wanted size (the
  // system's icon size unless set).
  int GetWidth() const override;
  int GetHeight() const override;
  // The wanted size of the picture taken from a file of several.
  void SetWidth(int Value) override;
  void SetHeight(int Value) override;
  bool GetTransparent() const override { return true; }

  // The icon object (made from the file when first asked for); SetHandle takes over an
  // icon the caller made; ReleaseHandle gives it away and empties the icon.
  HICON GetHandle();
  void SetHandle(HICON Value);
  HICON ReleaseHandle();

  // An icon file from the stream's position to its end. Unreadable data raises
  // EInvalidGraphic "Icon image is not valid" and keeps the icon as it was.
  void LoadFromStream(TStream* Stream) override;
  // The file it was read from, or one picture made from the icon object.
  void SaveToStream(TStream* Stream) override;
  void LoadFromResourceName(HINSTANCE Instance, const AnsiString& ResName);

 protected:
  void Draw(TCanvas* ACanvas, const TRect& Rect) override;

 private:
  void FreeIcon();
  HICON FHandle = nullptr;
  std::vector<uint8_t> FData;  // the file the icon came from, when it came from one
  int FRequestedWidth = 0;
  int FRequestedHeight = 0;
  int FIconWidth = 0;
  int FIconHeight = 0;
};
