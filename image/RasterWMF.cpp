// Metafiles rendered through GDI: a placeable metafile is converted to an enhanced one
// with extents for the screen's resolution, an enhanced one is taken as it is, and the
// picture is played into a bitmap compatible with the screen.
#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <memory>
#include <vector>

#include "image/RasterWMF.h"
#include "image/StreamFields.h"

namespace {

// The most bytes of a metafile read into memory.
constexpr int64_t kMaxMetafileBytes = 64 * 1024 * 1024;

struct ScreenDc {
  HDC dc = GetDC(nullptr);
  ~ScreenDc() {
    if (dc) ReleaseDC(nullptr, dc);
  }
};

struct MetafileCloser {
  void operator()(HENHMETAFILE__* emf) const { DeleteEnhMetaFile(emf); }
};
using MetafilePtr = std::unique_ptr<HENHMETAFILE__, MetafileCloser>;

struct GdiObject {
  HGDIOBJ object = nullptr;
  ~GdiObject() {
    if (object) DeleteObject(object);
  }
};

struct MemoryDc {
  HDC dc = nullptr;
  ~MemoryDc() {
    if (dc) DeleteDC(dc);
  }
};

}  // namespace

bool CRasterWMF::Decode(CRasterStream* stream, int32_t largestWidth, int32_t largestHeight) {
  if (!stream) return false;
  auto fail = [this](const char* text) {
    SetLastError(text);
    return false;
  };
  const int64_t start = stream->Tell();
  ScreenDc screen;
  if (!screen.dc) return fail("corrupted WMF");
  const int32_t dpiX = GetDeviceCaps(screen.dc, LOGPIXELSX);
  const int32_t dpiY = GetDeviceCaps(screen.dc, LOGPIXELSY);

  MetafilePtr emf;
  int32_t width = 0, height = 0;
  WmfPlaceableHeader placeable;
  const WmfPlaceableKind kind = ReadWmfPlaceableHeader(stream, placeable);
  if (kind == WmfPlaceableKind::kEmpty) return fail("empty WMF");
  if (kind == WmfPlaceableKind::kPlaceable) {
    int32_t xExtent = 0, yExtent = 0;
    if (!WmfConversionExtents(placeable, dpiX, dpiY, xExtent, yExtent) ||
        !WmfPictureSize(placeable, dpiX, dpiY, width, height))
      return fail("empty WMF");
    if (int64_t(placeable.metafileBytes) <= kMaxMetafileBytes && stream->Seek(start + 22, SEEK_SET)) {
      std::vector<uint8_t> bits(static_cast<size_t>(placeable.metafileBytes));
      if (ReadBytes(stream, bits.data(), bits.size())) {
        METAFILEPICT picture = {MM_ANISOTROPIC, xExtent, yExtent, nullptr};
        emf.reset(SetWinMetaFileBits(UINT(bits.size()), bits.data(), screen.dc, &picture));
        if (!emf) {
          picture.mm = MM_TEXT;
          emf.reset(SetWinMetaFileBits(UINT(bits.size()), bits.data(), screen.dc, &picture));
        }
      }
    }
  }
  if (!emf) {
    // An enhanced metafile from the remembered position.
    if (!stream->Seek(start, SEEK_SET)) return fail("corrupted WMF");
    const int64_t size = BytesLeft(stream);
    if (size <= 0 || size > kMaxMetafileBytes) return fail("corrupted WMF");
    std::vector<uint8_t> bits(static_cast<size_t>(size));
    if (!ReadBytes(stream, bits.data(), bits.size())) return fail("corrupted WMF");
    emf.reset(SetEnhMetaFileBits(UINT(bits.size()), bits.data()));
    ENHMETAHEADER header = {};
    if (!emf || !GetEnhMetaFileHeader(emf.get(), sizeof header, &header)) return fail("corrupted WMF");
    // The bounds are the file's values: their difference is taken in 64 bits, and a side
    // beyond 32 bits is shrunk below like any other large one.
    const int64_t boundsWidth = int64_t(header.rclBounds.right) - header.rclBounds.left;
    const int64_t boundsHeight = int64_t(header.rclBounds.bottom) - header.rclBounds.top;
    width = int32_t(std::clamp<int64_t>(boundsWidth, 0, INT32_MAX));
    height = int32_t(std::clamp<int64_t>(boundsHeight, 0, INT32_MAX));
  }
  if (m_info.cancelRequest != 0) return fail("Cancelled");
  if (width <= 0 || height <= 0) return fail("empty WMF");
  if (largestWidth > 0) width = largestWidth;
  if (largestHeight > 0) height = largestHeight;
  ShrinkMetafile(width, height);
  if (width <= 0 || height <= 0) return fail("empty WMF");

  GdiObject bitmap;
  bitmap.object = CreateCompatibleBitmap(screen.dc, width, height);
  MemoryDc memory;
  memory.dc = CreateCompatibleDC(screen.dc);
  if (!bitmap.object || !memory.dc) return fail("Cancelled");
  const HGDIOBJ oldBitmap = SelectObject(memory.dc, bitmap.object);
  RECT rect = {0, 0, width, height};
  SetBkColor(memory.dc, GetSysColor(COLOR_WINDOW));
  ExtTextOutA(memory.dc, 0, 0, ETO_OPAQUE, &rect, nullptr, 0, nullptr);
  GdiObject palette;
  HPALETTE oldPalette = nullptr;
  const UINT entries = GetEnhMetaFilePaletteEntries(emf.get(), 0, nullptr);
  if (entries > 0 && entries != GDI_ERROR) {
    std::vector<uint8_t> block(sizeof(LOGPALETTE) + entries * sizeof(PALETTEENTRY));
    auto* logical = reinterpret_cast<LOGPALETTE*>(block.data());
    logical->palVersion = 0x300;
    logical->palNumEntries = WORD(entries);
    GetEnhMetaFilePaletteEntries(emf.get(), entries, logical->palPalEntry);
    palette.object = CreatePalette(logical);
    if (!palette.object) {
      SelectObject(memory.dc, oldBitmap);
      return fail("Cancelled");
    }
    oldPalette = SelectPalette(memory.dc, HPALETTE(palette.object), FALSE);
    RealizePalette(memory.dc);
  }
  PlayEnhMetaFile(memory.dc, emf.get(), &rect);
  emf.reset();
  const int bits = GetDeviceCaps(memory.dc, BITSPIXEL) * GetDeviceCaps(memory.dc, PLANES);
  if (oldPalette) SelectPalette(memory.dc, oldPalette, FALSE);
  SelectObject(memory.dc, oldBitmap);
  if (m_info.cancelRequest != 0) return fail("Cancelled");

  if (!Create(width, height, bits, IMAGE_FORMAT_WMF)) return false;
  // The block starts with the bitmap information GDI fills the rows (and palette) from.
  auto* info = reinterpret_cast<BITMAPINFO*>(const_cast<uint8_t*>(GetBlock()));
  const int rows = GetDIBits(memory.dc, HBITMAP(bitmap.object), 0, UINT(height), GetPixels(), info, DIB_RGB_COLORS);
  StoreHeaderInBlock();
  if (rows <= 0) return fail("corrupted WMF");
  m_info.frameCount = 1;
  return true;
}
