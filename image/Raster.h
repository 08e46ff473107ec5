// CRaster: the image object of the engine. One heap block holds a bitmap information
// header, the palette and the pixel rows (bottom-up, each padded to 4 bytes), laid out so
// that GDI takes it without conversion. Beside it the object keeps its own copy of the
// header, an information block (format, last error, transparency, resolution, progress
// and cancel request, options) and two optional side buffers: an alpha plane and a
// selection mask, one byte per pixel each, bottom row first.
//
// Pixel coordinates are (x, y) with y counted in stored rows: y = 0 is the bottom line.
// Failures are false or null results with the reason in GetLastError().
//
// Format classes derive from CRaster and read or write it through a CRasterStream; the
// dispatch (Decode, Encode, Load, Save, DecodeMemory, EncodeMemory) makes one format object
// per call and moves a decoded picture into this object only when decoding succeeded.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <memory>

#include "image/ImageTypes.h"

class CRasterStream;

// Interpolation methods of CRaster::SampleInterpolated (other values: bilinear).
constexpr int32_t INTERPOLATION_NEAREST = 1;
constexpr int32_t INTERPOLATION_BILINEAR = 2;
constexpr int32_t INTERPOLATION_BSPLINE = 3;
constexpr int32_t INTERPOLATION_CUBIC = 4;
constexpr int32_t INTERPOLATION_CUBIC_HALF = 5;
constexpr int32_t INTERPOLATION_LANCZOS = 6;
constexpr int32_t INTERPOLATION_BOX = 7;
constexpr int32_t INTERPOLATION_HERMITE = 8;
constexpr int32_t INTERPOLATION_DAMPED_HERMITE = 9;
constexpr int32_t INTERPOLATION_SINC = 10;
constexpr int32_t INTERPOLATION_BLACKMAN = 11;
constexpr int32_t INTERPOLATION_BESSEL = 12;
constexpr int32_t INTERPOLATION_GAUSSIAN = 13;
constexpr int32_t INTERPOLATION_QUADRATIC = 14;
constexpr int32_t INTERPOLATION_MITCHELL = 15;
constexpr int32_t INTERPOLATION_CATMULL_ROM = 16;

// What a sample outside the picture yields.
constexpr int32_t OVERFLOW_BACKGROUND = 1;
constexpr int32_t OVERFLOW_TRANSPARENT_COLOR = 2;
constexpr int32_t OVERFLOW_TRANSPARENT = 3;
constexpr int32_t OVERFLOW_WRAP = 4;
constexpr int32_t OVERFLOW_REPEAT = 5;
constexpr int32_t OVERFLOW_MIRROR = 6;

// What a decoder leaves with the picture it made for later operations on the same
// object: the next decode going on from there (the next frame of an animation, without
// decoding the frames before it again), or a save writing the file's metadata back (the
// EXIF data of a JPEG). Owned by the picture and moved with it; a decoder that finds one
// that is not its own, or not of the same file, starts afresh, and a successful decode
// replaces it.
class CRasterContinuation {
 public:
  virtual ~CRasterContinuation() = default;
  // The picture was turned or mirrored: state that describes its orientation is reset.
  virtual void PictureTurned() {}
};

// Format ids.
constexpr int32_t IMAGE_FORMAT_UNKNOWN = 0;
constexpr int32_t IMAGE_FORMAT_BMP = 1;
constexpr int32_t IMAGE_FORMAT_GIF = 2;
constexpr int32_t IMAGE_FORMAT_JPG = 3;
constexpr int32_t IMAGE_FORMAT_PNG = 4;
constexpr int32_t IMAGE_FORMAT_ICO = 5;
constexpr int32_t IMAGE_FORMAT_TIF = 6;
constexpr int32_t IMAGE_FORMAT_TGA = 7;
constexpr int32_t IMAGE_FORMAT_PCX = 8;
constexpr int32_t IMAGE_FORMAT_WBMP = 9;
constexpr int32_t IMAGE_FORMAT_WMF = 10;
constexpr int32_t IMAGE_FORMAT_JP2 = 11;
constexpr int32_t IMAGE_FORMAT_JPC = 12;
constexpr int32_t IMAGE_FORMAT_PGX = 13;
constexpr int32_t IMAGE_FORMAT_PNM = 14;
constexpr int32_t IMAGE_FORMAT_RAS = 15;
constexpr int32_t IMAGE_FORMAT_COUNT = 16;

// The information block: settings and state that travel with a picture between a format
// object and the caller's object. Reset, copied and moved as one unit.
struct CRasterInfo {
  uint32_t rowBytes;
  int32_t formatId;
  char lastError[256];
  int32_t progress;       // percent done by long operations
  int32_t cancelRequest;  // non-zero stops; -1 before a decode asks for the size only
  int32_t transparentIndex;
  RGBQUAD transparentColor;
  uint8_t quality;
  uint8_t scaleDenominator;
  int32_t frameToDecode;
  int32_t frameCount;
  int32_t frameDelay;
  int32_t dpiX;
  int32_t dpiY;
  RECT selectionBox;  // stored-row coordinates, top >= bottom
  uint8_t alphaMaximum;
  bool paletteAlphaEnabled;
  bool enabled;
  int32_t placementX;
  int32_t placementY;
  int32_t formatOptions[IMAGE_FORMAT_COUNT];
  uint32_t nearestColor;
  uint8_t nearestIndex;
  bool nearestValid;
};

class CRaster {
 public:
  // Largest pixel-row block (rows padded, in bytes) that Create accepts.
  static constexpr uint64_t kMaxMemory = 256000000;

  explicit CRaster(int32_t formatId = IMAGE_FORMAT_UNKNOWN);
  CRaster(int32_t width, int32_t height, int32_t bitDepth, int32_t formatId);
  CRaster(const CRaster& source, bool copyPixels, bool copySelection, bool copyAlpha);
  virtual ~CRaster();
  CRaster(const CRaster&) = delete;
  CRaster& operator=(const CRaster&) = delete;

  // Life cycle.
  void Initialize(int32_t formatId);
  // Frees the buffers (false, nothing freed, for a shared view). Header copy and
  // information block stay.
  bool Destroy();
  // Makes a picture of width x height; depths round up to 1, 4, 8 or 24. Returns the
  // pixel block or null (the reason in GetLastError()). The rows are not cleared.
  uint8_t* Create(int32_t width, int32_t height, int32_t bitDepth, int32_t formatId);
  // A picture from caller pixels of depth 1, 4, 8, 24 or 32 (blue, green, red, alpha:
  // 24 bits and an alpha plane); rows bottom-up unless topDown.
  bool CreateFromPixels(const uint8_t* pixels, int32_t width, int32_t height, int32_t bitDepth,
                        int32_t sourceRowBytes, bool topDown);
  void CopyFrom(const CRaster& source, bool copyPixels, bool copySelection, bool copyAlpha);
  // Takes the source's picture and buffers, leaving it empty.
  bool MoveFrom(CRaster& source);
  // Views the source's buffers without owning them (for encoders).
  void ShareFrom(CRaster* source);
  // Copies the source's information block when this object has no pixel block.
  void CopyInfoFrom(const CRaster& source);
  // Before a decode into this (empty) format object: a fresh information block that
  // keeps only what the caller asks the decode with (frame to decode, cancel request,
  // format options, quality and scale), so nothing of the caller's previous picture
  // (transparency, palette alpha, resolution, colour cache) leaks into the result.
  void TakeDecodeRequest(const CRaster& caller);
  // Forgets the last FindNearestIndex answer (the palette changed behind this object).
  void ForgetNearestColor() { m_info.nearestValid = false; }
  // The decoder's continuation state (see CRasterContinuation).
  CRasterContinuation* GetContinuation() const { return m_continuation.get(); }
  std::unique_ptr<CRasterContinuation> TakeContinuation() {
    m_continuationTaken = true;
    return std::move(m_continuation);
  }
  // Whether TakeContinuation was called on this object (a decoder used the state).
  bool ContinuationTaken() const { return m_continuationTaken; }
  void SetContinuation(std::unique_ptr<CRasterContinuation> state) {
    m_continuation = std::move(state);
  }
  void Clear(uint8_t value);
  static void FreeBuffer(uint8_t* buffer);

  // Plain accessors.
  int32_t GetWidth() const { return m_header.biWidth; }
  int32_t GetHeight() const { return m_header.biHeight; }
  int32_t GetBitDepth() const { return m_header.biBitCount; }
  uint32_t GetPaletteSize() const { return m_header.biClrUsed; }
  uint32_t GetRowBytes() const { return m_info.rowBytes; }
  bool HasPixels() const { return m_block != nullptr; }
  bool IsPaletted() const { return m_header.biClrUsed != 0; }
  int32_t GetColorKind() const;
  int32_t GetFormatId() const { return m_info.formatId; }
  const char* GetLastError() const { return m_info.lastError; }
  void SetLastError(const char* text);
  int32_t GetFrameCount() const { return m_info.frameCount; }
  void SelectFrame(int32_t index) { m_info.frameToDecode = index; }
  int32_t GetFrameDelay() const { return m_info.frameDelay; }
  uint8_t GetQuality() const { return m_info.quality; }
  uint8_t GetScaleDenominator() const { return m_info.scaleDenominator; }
  void SetQuality(uint8_t quality) { m_info.quality = quality; }
  // JPEG decoding at 1/2, 1/4 or 1/8 of the size (0 and 1: full size).
  void SetScaleDenominator(uint8_t denominator) { m_info.scaleDenominator = denominator; }
  int32_t GetTransparentIndex() const { return m_info.transparentIndex; }
  void SetTransparentIndex(int32_t index) { m_info.transparentIndex = index; }
  bool HasTransparentColor() const { return m_info.transparentIndex >= 0; }
  void SetTransparentColor(RGBQUAD color);
  RGBQUAD GetTransparentColor() const;
  void SetPlacement(int32_t x, int32_t y);
  int32_t GetDpiX() const { return m_info.dpiX; }
  int32_t GetDpiY() const { return m_info.dpiY; }
  void SetDpiX(int32_t dpi);
  void SetDpiY(int32_t dpi);
  int32_t GetFormatOption(int32_t formatId) const;
  bool SetFormatOption(int32_t value, int32_t formatId);
  uint8_t* GetRowPointer(int32_t y) const;
  uint64_t GetBlockSize() const;
  bool ContainsPoint(int32_t x, int32_t y) const;
  int32_t GetProgress() const { return m_info.progress; }
  int32_t GetCancelRequest() const { return m_info.cancelRequest; }
  void SetCancelRequest(int32_t value) { m_info.cancelRequest = value; }
  uint8_t GetAlphaMaximum() const { return m_info.alphaMaximum; }
  void SetAlphaMaximum(uint8_t value) { m_info.alphaMaximum = value; }
  bool IsPaletteAlphaEnabled() const { return m_info.paletteAlphaEnabled; }
  void EnablePaletteAlpha(bool enable) { m_info.paletteAlphaEnabled = enable; }
  const BITMAPINFOHEADER& GetHeader() const { return m_header; }
  // The whole block (header, palette, rows) and the first pixel row; null when empty.
  const uint8_t* GetBlock() const { return m_block; }
  uint8_t* GetPixels() const { return m_pixels; }
  const uint8_t* GetAlphaPlane() const { return m_alpha; }
  const uint8_t* GetSelectionMask() const { return m_selection; }
  RECT GetSelectionBox() const { return m_info.selectionBox; }
  bool IsSharedView() const { return m_sharedSource != nullptr; }

  // Palette.
  uint32_t GetPaletteBytes() const;
  RGBQUAD* GetPalette() const;
  RGBQUAD GetPaletteEntry(uint32_t index) const;
  bool GetPaletteEntry(uint32_t index, uint8_t& red, uint8_t& green, uint8_t& blue) const;
  void SetPaletteEntry(uint32_t index, uint8_t red, uint8_t green, uint8_t blue, uint8_t alpha);
  void SetPaletteEntry(uint32_t index, RGBQUAD color);
  void SetPaletteFromChannels(uint32_t count, const uint8_t* red, const uint8_t* green,
                              const uint8_t* blue);
  void SetPaletteFromTriples(const uint8_t* triples, uint32_t count);
  void SetPaletteFromQuads(const RGBQUAD* quads, uint32_t count = 256);
  void SetGreyPalette();
  void SetDefaultPalette();
  bool IsIdentityGrey() const;
  bool HasPaletteAlpha() const;
  void ExchangeIndices(uint8_t a, uint8_t b);
  void SetImportantColors(uint32_t count);
  uint8_t FindNearestIndex(RGBQUAD color);
  // Exchanges the first and third byte of each whole 3-byte group of a 24-bit row.
  void SwapRedBlue(uint8_t* bytes, int64_t length) const;

  // Pixels.
  uint8_t GetPixelIndex(int32_t x, int32_t y) const;
  uint8_t GetPixelIndexFast(int32_t x, int32_t y) const;
  void SetPixelIndex(int32_t x, int32_t y, uint8_t index);
  RGBQUAD GetPixelColor(int32_t x, int32_t y, bool withAlpha) const;
  RGBQUAD GetPixelColorFast(int32_t x, int32_t y) const;
  void SetPixelColor(int32_t x, int32_t y, RGBQUAD color, bool setAlpha);
  void SetPixelColorRef(int32_t x, int32_t y, uint32_t colorRef);
  uint8_t* GetPixelAddress(int32_t x, int32_t y) const;
  bool IsPixelTransparent(int32_t x, int32_t y) const;

  // Alpha plane.
  bool HasAlphaPlane() const { return m_alpha != nullptr; }
  bool CreateAlphaPlane();
  void DeleteAlphaPlane();
  bool CopyAlphaPlane(const CRaster& source);
  void SetAlpha(int32_t x, int32_t y, uint8_t value);
  uint8_t GetAlpha(int32_t x, int32_t y) const;
  uint8_t GetAlphaFast(int32_t x, int32_t y) const;
  uint8_t* GetAlphaPointer(int32_t x, int32_t y) const;
  bool FlipAlphaPlane();
  bool MirrorAlphaPlane();

  // Selection.
  bool ClearSelection();
  bool IsSelected(int32_t x, int32_t y) const;
  bool CopySelection(const CRaster& source);

  // Whole-picture changes. Each replaces the pixel block (row pointers into the old one
  // are invalid afterwards) and keeps the information block; the selection mask goes.
  bool FlipVertical();
  bool MirrorHorizontal();
  // Quarter turns, into `output` when given (this picture then stays as it is).
  bool RotateCounterClockwise(CRaster* output = nullptr);
  bool RotateClockwise(CRaster* output = nullptr);
  bool Invert();
  // To 1, 4 or 8 bits: the given palette or the default one (black and white at 1 bit),
  // each pixel the nearest entry; with diffusion the error goes 7, 2, 4 and 1 sixteenths
  // to the pixel on the right and the three above.
  bool ReduceBitDepth(int32_t depth, bool diffusion, const RGBQUAD* palette,
                      uint32_t importantColors);

  // Sampling (modes and methods above); a null background means white with fourth byte 0.
  void WrapCoordinates(int32_t& x, int32_t& y, int32_t mode) const;
  void WrapCoordinates(float& x, float& y, int32_t mode) const;
  RGBQUAD GetColorOrOverflow(int32_t x, int32_t y, int32_t mode, const RGBQUAD* background) const;
  RGBQUAD SampleInterpolated(float x, float y, int32_t method, int32_t mode,
                             const RGBQUAD* background) const;
  bool IsEnabled() const { return m_info.enabled; }
  void Enable(bool enabled) { m_info.enabled = enabled; }

#ifdef _WIN32
  // Drawing onto a device context (GDI): at (x, y), cx x cy (negative: the picture's own
  // size), within the clip rectangle when given, bilinear when smooth; pictures with a
  // transparent index, an alpha plane or palette alpha are composed over what the device
  // shows.
  bool Draw(HDC dc, int32_t x, int32_t y, int32_t cx, int32_t cy, const RECT* clip, bool smooth);
  bool DrawInRect(HDC dc, const RECT& rect, const RECT* clip, bool smooth);
  // A device-dependent bitmap for the context, or a DIB section without one; null when
  // empty.
  HBITMAP MakeDeviceBitmap(HDC dc) const;
#endif
  // Turns 16-bit (two bytes a pixel, rows of ((width + 1) / 2) * 4 bytes) or 32-bit (rows
  // of width * 4 bytes) source rows into this 24-bit picture's rows. The source may be the
  // picture's own pixel rows: the work runs backward from the last pixel. Each 16-bit mask
  // gives its channel's shift and width; false for an empty mask or one wider than 8 bits.
  bool ExpandPackedPixels(const uint8_t* source, uint32_t redMask, uint32_t greenMask,
                          uint32_t blueMask, int bits);

  // Format dispatch: decode from or encode to a stream, file, open file or memory.
  bool CheckEncodeTarget(CRasterStream* stream);
  bool Decode(CRasterStream* stream, int32_t formatId);
  bool Encode(CRasterStream* stream, int32_t formatId);
  bool DecodeFileHandle(FILE* file, int32_t formatId);
  bool EncodeFileHandle(FILE* file, int32_t formatId);
  bool DecodeMemory(const uint8_t* bytes, size_t length, int32_t formatId);
  // The buffer reference must be null; on success it receives a buffer that the caller
  // frees with FreeBuffer.
  bool EncodeMemory(uint8_t*& buffer, size_t& size, int32_t formatId);
  bool Load(const char* path, int32_t formatId);
  bool Save(const char* path, int32_t formatId);

 protected:
  // Writes the header copy into the block's first 40 bytes, field by field.
  void StoreHeaderInBlock();
  size_t PixelCount() const;
  bool Rotate(CRaster* output, bool clockwise);
  CRaster* SharedSource() const { return m_sharedSource; }

  BITMAPINFOHEADER m_header;
  CRasterInfo m_info;

 private:
  uint8_t* m_block = nullptr;      // header, palette and rows
  uint8_t* m_pixels = nullptr;     // first pixel row inside the block
  uint8_t* m_alpha = nullptr;      // width x height bytes
  uint8_t* m_selection = nullptr;  // width x height bytes
  CRaster* m_sharedSource = nullptr;
  std::unique_ptr<CRasterContinuation> m_continuation;
  bool m_continuationTaken = false;
  // A format object decoding for a caller (TakeDecodeRequest): the caller's state stays
  // with it until the decode ends, whatever pictures it creates meanwhile.
  bool m_decodingForCaller = false;
};

// Brightness of a minus brightness of b, brightness = (601 g + 306 r + 117 b) >> 10.
int32_t CompareColorBrightness(RGBQUAD a, RGBQUAD b);

// A cursor over the rows of one picture, for decoders that write top line first.
class CRasterRowIterator {
 public:
  void Attach(CRaster* image);
  uint8_t* SetRow(int32_t y);
  void MoveToTop();
  // Copies min(length, row bytes) bytes, or the row bytes for a negative length.
  void StoreRow(const uint8_t* bytes, int64_t length);
  // One line down; false (and no move) below the bottom row.
  bool MoveDown();
  int32_t GetRow() const { return m_y; }
  uint8_t* GetRowAddress() const { return m_row; }

 private:
  CRaster* m_image = nullptr;
  int32_t m_x = 0;
  int32_t m_y = 0;
  uint8_t* m_row = nullptr;
};
