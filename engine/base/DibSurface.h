// CDibSurface: the engine's picture buffer. A device-independent bitmap section (24 or 32
// bits per pixel, rows bottom-up, pixels blue, green, red[, alpha]) that GDI draws into and
// copies from, that OpenCV sees without copying, and that carries the operations putting one
// picture into another (alpha blending, brightness keys, additive mixing, masks, global
// alpha, brightness offset, bilinear or nearest-neighbour scaling, rotation).
//
// Rows are padded to 4 bytes as GDI lays them out: storage row r starts at r * GetStride().
// Rectangles that callers pass are top-down, as in GDI: row y of a rectangle is storage row
// height - 1 - y. A surface has no lock; one thread uses it at a time.
#pragma once

#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

namespace cv {
class Mat;
}

// Draw modes of the blend operations.
constexpr int DRAW_ALPHA = 0;              // blend by source alpha; scaled blending is bilinear
constexpr int DRAW_LUMA = 0x1000;          // source brightness is the alpha
constexpr int DRAW_INVERSE_LUMA = 0x2000;  // 255 - source brightness is the alpha
constexpr int DRAW_ADD = 0x3000;           // each channel min(255, s + d)
// Any other non-zero mode blends by source alpha with nearest-neighbour scaling.

class CDibSurface;

// Arguments of CDibSurface::DrawRotated.
struct RotationParams {
  CDibSurface* dest = nullptr;  // destination surface
  double center_x = 0.0;        // centre of the drawn picture in the destination
  double center_y = 0.0;
  double scale = 1.0;
  double angle = 0.0;               // degrees; positive turns the displayed picture clockwise
  RECT source = {0, 0, 0, 0};       // part of the source surface that is drawn
  int alpha = 255;                  // global alpha, low byte used
  const int* brightness = nullptr;  // added to blue, green and red, or null
};

class CDibSurface {
 public:
  // Largest side and largest pixel buffer that Create accepts.
  static constexpr int kMaxSide = 16384;
  static constexpr uint64_t kMaxBytes = 512ull * 1024 * 1024;

  CDibSurface();
  ~CDibSurface();
  CDibSurface(const CDibSurface&) = delete;
  CDibSurface& operator=(const CDibSurface&) = delete;

  // Frees the surface and makes a new DIB section of width x height at 24 or 32 bits per
  // pixel. Invalid arguments (non-positive or oversized sides, other depths) return false
  // and leave the surface as it was; a DIB section the system refuses returns false and
  // leaves the surface empty.
  bool Create(int width, int height, int bitsPerPixel);
  // Releases the image view, the memory DC, the bitmap and the header.
  void Free();
  // As Free, but the bitmap is not deleted: the caller owns the returned handle.
  HBITMAP Detach();
  // Memory DC with the bitmap selected, made on first use; null without a bitmap.
  HDC GetDC();

  // Copies GetBitsSize() bytes (same row layout) from a block of `size` bytes; false when
  // the surface has no pixels or the block is null or smaller.
  bool CopyBits(const void* bits, size_t size);
  // Copies another surface's pixels, re-creating this one when width, height or depth
  // differ. False when the other has no pixels or re-creation fails.
  bool CopyFrom(const CDibSurface& other);
  void Clear();      // every byte 0
  void FillWhite();  // every byte 0xFF
  // 32-bit: every alpha becomes 255 - alpha. Other depths or no pixels: E_FAIL.
  HRESULT InvertAlpha();

  SIZE GetSize() const;
  RECT GetRect() const;
  int GetBytesPerPixel() const;
  int GetWidth() const;
  int GetHeight() const;
  int GetBitsPerPixel() const;
  int GetStride() const;       // bytes per storage row, padded to 4
  size_t GetBitsSize() const;  // GetStride() * GetHeight()
  BYTE* GetBits() { return bits_; }
  const BYTE* GetBits() const { return bits_; }
  const BITMAPINFOHEADER* GetHeader() const;
  HBITMAP GetBitmap() const { return bitmap_; }

  // OpenCV header over the pixels (no copy), 8-bit, channels = bytes per pixel, row 0 the
  // bottom row; made on first request and kept until the surface is freed or re-created.
  // Null when there are no pixels.
  cv::Mat* GetIplImage();

  // This surface (32-bit) takes blue, green, red of a 24-bit source of the same size, alpha
  // 255. E_FAIL for any other combination.
  HRESULT Convert24To32(const CDibSurface& source);
  // Copies the source rectangle of this surface into the destination rectangle of `dest`
  // byte for byte. Same depth and equal sizes required, and both rectangles must lie inside
  // their surfaces; E_FAIL otherwise.
  HRESULT CopyRect(CDibSurface& dest, const RECT& destRect, const RECT& sourceRect) const;

  // The blends draw this surface into `dest`. Destination rectangles are clipped to the
  // destination, and source pixels outside this surface are never read. They return 0, or
  // E_FAIL when a surface has no pixels or a rectangle is absurdly large.
  HRESULT Blend(CDibSurface& dest, const RECT& destRect, const RECT& sourceRect);
  HRESULT BlendScaled(CDibSurface& dest, const RECT& destRect, const RECT& sourceRect);
  HRESULT BlendMode(CDibSurface& dest, const RECT& destRect, const RECT& sourceRect, int mode);
  HRESULT BlendScaledMode(CDibSurface& dest, const RECT& destRect, const RECT& sourceRect,
                          int mode);
  // Blend with an 8-bit single-channel mask of this surface's size (storage row order), a
  // global alpha and a brightness offset. E_FAIL for an unusable source or mask.
  HRESULT Draw(CDibSurface& dest, const RECT& destRect, const RECT& sourceRect, int mode,
               const cv::Mat* mask, BYTE alpha, const int* brightness);
  // Draws the source rectangle turned by the angle and scaled around the centre point.
  HRESULT DrawRotated(const RotationParams& params);

  // Pictures (engine/picture/Picture.cpp). Decodes a picture file (`size` -1: `source` is
  // a path, its format detected) or a PNG buffer of `size` bytes into a 32-bit surface
  // with alpha. E_FAIL when decoding fails; the surface is then unchanged.
  HRESULT LoadPicture(const void* source, int64_t size = -1);
  // Encodes the surface into a new buffer in a picture format (an image library format
  // id); the caller frees it with FreeEncoded.
  HRESULT EncodePicture(uint8_t** buffer, uint32_t* size, int formatId) const;
  static void FreeEncoded(uint8_t* buffer);

 private:
  HRESULT StretchHalftone(CDibSurface& dest, const RECT& destRect, const RECT& sourceRect);
  // Working surface `index` (0 or 1) of the rotated drawing into this surface, of that size
  // and depth; made again only when those change. Null when it cannot be made.
  CDibSurface* WorkSurface(int index, int width, int height, int bitsPerPixel);
  void Release(bool deleteBitmap);

  std::unique_ptr<BITMAPINFO> header_;
  BYTE* bits_ = nullptr;
  HDC dc_ = nullptr;
  HBITMAP bitmap_ = nullptr;
  HGDIOBJ previous_object_ = nullptr;
  std::unique_ptr<cv::Mat> image_view_;
  // Working rows of the blends that draw into this surface, and the working pictures of
  // rotated drawing into it, kept from frame to frame.
  std::vector<uint8_t> scratch_;
  std::unique_ptr<CDibSurface> work_[2];
};
