#include "image/Raster.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <new>

namespace {

uint8_t* AllocateBytes(uint64_t size) {
  if (size == 0 || size > SIZE_MAX) return nullptr;
  return static_cast<uint8_t*>(std::malloc(static_cast<size_t>(size)));
}

void PutU16(uint8_t* p, uint16_t v) {
  p[0] = uint8_t(v);
  p[1] = uint8_t(v >> 8);
}

void PutU32(uint8_t* p, uint32_t v) {
  for (int i = 0; i < 4; ++i) p[i] = uint8_t(v >> (8 * i));
}

int32_t RoundedDepth(int32_t bitDepth) {
  if (bitDepth <= 1) return 1;
  if (bitDepth <= 4) return 4;
  if (bitDepth <= 8) return 8;
  return 24;
}

// Dots per inch as pels per metre, kept to what the header field holds.
int32_t PelsPerMetre(int32_t dpi) {
  const double pels = std::floor(dpi * 39.37007874015748 + 0.5);
  return static_cast<int32_t>(std::min<double>(pels, INT32_MAX));
}

}  // namespace

CRaster::CRaster(int32_t formatId) { Initialize(formatId); }

CRaster::CRaster(int32_t width, int32_t height, int32_t bitDepth, int32_t formatId) {
  Initialize(formatId);
  Create(width, height, bitDepth, formatId);
}

CRaster::CRaster(const CRaster& source, bool copyPixels, bool copySelection, bool copyAlpha) {
  Initialize(source.m_info.formatId);
  CopyFrom(source, copyPixels, copySelection, copyAlpha);
}

CRaster::~CRaster() { Destroy(); }

void CRaster::Initialize(int32_t formatId) {
  m_block = m_pixels = m_alpha = m_selection = nullptr;
  m_sharedSource = nullptr;
  m_continuation.reset();
  std::memset(&m_header, 0, sizeof m_header);
  std::memset(&m_info, 0, sizeof m_info);
  m_info.formatId = formatId;
  m_info.quality = 90;
  m_info.alphaMaximum = 255;
  m_info.transparentIndex = -1;
  m_info.enabled = true;
  SetDpiX(96);
  SetDpiY(96);
}

bool CRaster::Destroy() {
  if (m_sharedSource) return false;
  std::free(m_selection);
  std::free(m_alpha);
  std::free(m_block);
  m_block = m_pixels = m_alpha = m_selection = nullptr;
  return true;
}

void CRaster::SetLastError(const char* text) {
  if (!text) text = "";
  std::strncpy(m_info.lastError, text, sizeof m_info.lastError - 1);
  m_info.lastError[sizeof m_info.lastError - 1] = '\0';
}

uint8_t* CRaster::Create(int32_t width, int32_t height, int32_t bitDepth, int32_t formatId) {
  if (!Destroy()) return nullptr;
  // A new picture has nothing of the old one's decoder state (its EXIF data, the
  // animation it was a frame of).
  if (!m_decodingForCaller) m_continuation.reset();
  if (width <= 0 || height <= 0) {
    SetLastError("CRaster::Create : width and height must be greater than zero");
    return nullptr;
  }
  const int32_t depth = RoundedDepth(bitDepth);
  // Padded rows, all in 64 bits: a lying header cannot wrap the size around.
  const uint64_t rowBytes = ((uint64_t(width) * uint64_t(depth) + 31) >> 5) * 4;
  const uint64_t imageSize = rowBytes * uint64_t(height);
  if (imageSize > kMaxMemory) {
    SetLastError("RASTER_MAX_MEMORY exceeded");
    return nullptr;
  }
  const uint32_t colours = depth == 1 ? 2 : depth == 4 ? 16 : depth == 8 ? 256 : 0;
  m_header.biClrUsed = colours;
  m_info.rowBytes = static_cast<uint32_t>(rowBytes);
  m_info.formatId = formatId;
  m_header.biBitCount = static_cast<uint16_t>(depth);
  m_header.biSize = kBitmapInfoHeaderSize;
  m_header.biWidth = width;
  m_header.biHeight = height;
  m_header.biPlanes = 1;
  m_header.biCompression = BI_RGB;
  m_header.biSizeImage = static_cast<uint32_t>(imageSize);
  m_header.biClrImportant = 0;

  const uint64_t paletteBytes = uint64_t(colours) * 4;
  m_block = AllocateBytes(kBitmapInfoHeaderSize + paletteBytes + imageSize);
  if (!m_block) {
    SetLastError("CRaster::Create can't allocate memory");
    return nullptr;
  }
  std::memset(m_block + kBitmapInfoHeaderSize, 0, static_cast<size_t>(paletteBytes));
  m_info.nearestValid = false;  // the palette it answered from is gone
  std::free(m_selection);
  m_selection = nullptr;
  ClearSelection();
  DeleteAlphaPlane();
  StoreHeaderInBlock();
  m_pixels = m_block + kBitmapInfoHeaderSize + paletteBytes;
  // The bytes of each row past its last whole pixel byte are cleared, so that the padding
  // (and the unused bits of a last partial byte) of a saved file are 0 whatever fills the
  // pixels.
  const size_t used = size_t(uint64_t(width) * uint64_t(depth) / 8);
  if (used < rowBytes)
    for (int32_t y = 0; y < height; ++y)
      std::memset(m_pixels + size_t(y) * size_t(rowBytes) + used, 0, size_t(rowBytes) - used);
  return m_block;
}

void CRaster::StoreHeaderInBlock() {
  if (!m_block) return;
  uint8_t* p = m_block;
  PutU32(p + 0, m_header.biSize);
  PutU32(p + 4, static_cast<uint32_t>(m_header.biWidth));
  PutU32(p + 8, static_cast<uint32_t>(m_header.biHeight));
  PutU16(p + 12, m_header.biPlanes);
  PutU16(p + 14, m_header.biBitCount);
  PutU32(p + 16, m_header.biCompression);
  PutU32(p + 20, m_header.biSizeImage);
  PutU32(p + 24, static_cast<uint32_t>(m_header.biXPelsPerMeter));
  PutU32(p + 28, static_cast<uint32_t>(m_header.biYPelsPerMeter));
  PutU32(p + 32, m_header.biClrUsed);
  PutU32(p + 36, m_header.biClrImportant);
}

size_t CRaster::PixelCount() const {
  if (!m_block) return 0;
  return size_t(m_header.biWidth) * size_t(m_header.biHeight);
}

bool CRaster::CreateFromPixels(const uint8_t* pixels, int32_t width, int32_t height,
                               int32_t bitDepth, int32_t sourceRowBytes, bool topDown) {
  if (!pixels) return false;
  if (bitDepth != 1 && bitDepth != 4 && bitDepth != 8 && bitDepth != 24 && bitDepth != 32)
    return false;
  if (sourceRowBytes <= 0) return false;
  // Short source rows are refused before the old picture is given up.
  if (bitDepth == 32 && sourceRowBytes < int64_t(width) * 4) return false;
  if (!Create(width, height, bitDepth, IMAGE_FORMAT_UNKNOWN)) return false;
  if (bitDepth < 24) SetGreyPalette();
  if (bitDepth == 32 && !CreateAlphaPlane()) return false;
  const size_t rowCopy = std::min<size_t>(m_info.rowBytes, size_t(sourceRowBytes));
  for (int32_t i = 0; i < height; ++i) {
    const uint8_t* src = pixels + size_t(i) * size_t(sourceRowBytes);
    const int32_t y = topDown ? height - 1 - i : i;
    uint8_t* dst = GetRowPointer(y);
    if (bitDepth == 32) {
      uint8_t* alpha = m_alpha + size_t(y) * size_t(width);
      for (int32_t x = 0; x < width; ++x) {
        dst[3 * x] = src[4 * x];
        dst[3 * x + 1] = src[4 * x + 1];
        dst[3 * x + 2] = src[4 * x + 2];
        alpha[x] = src[4 * x + 3];
      }
    } else {
      std::memcpy(dst, src, rowCopy);
    }
  }
  return true;
}

void CRaster::CopyFrom(const CRaster& source, bool copyPixels, bool copySelection, bool copyAlpha) {
  m_info = source.m_info;
  const RECT box = source.m_info.selectionBox;
  if (!Create(source.GetWidth(), source.GetHeight(), source.GetBitDepth(), source.m_info.formatId))
    return;
  if (copyPixels && source.m_block) {
    std::memcpy(m_block, source.m_block, static_cast<size_t>(source.GetBlockSize()));
  } else if (source.m_block) {
    SetPaletteFromQuads(source.GetPalette(), std::min<uint32_t>(source.GetPaletteSize(), 256));
  }
  if (copySelection && source.m_selection) {
    m_selection = AllocateBytes(PixelCount());
    if (m_selection) {
      std::memcpy(m_selection, source.m_selection, PixelCount());
      m_info.selectionBox = box;
    }
  }
  if (copyAlpha && source.m_alpha) CopyAlphaPlane(source);
}

bool CRaster::MoveFrom(CRaster& source) {
  if (!Destroy()) return false;
  m_header = source.m_header;
  m_info = source.m_info;
  m_block = source.m_block;
  m_pixels = source.m_pixels;
  m_selection = source.m_selection;
  m_alpha = source.m_alpha;
  m_continuation = std::move(source.m_continuation);
  std::memset(&source.m_header, 0, sizeof source.m_header);
  std::memset(&source.m_info, 0, sizeof source.m_info);
  source.m_block = source.m_pixels = source.m_selection = source.m_alpha = nullptr;
  return true;
}

void CRaster::ShareFrom(CRaster* source) {
  if (!source || source == this) return;
  Destroy();
  m_header = source->m_header;
  m_info = source->m_info;
  m_block = source->m_block;
  m_pixels = source->m_pixels;
  m_selection = source->m_selection;
  m_alpha = source->m_alpha;
  m_sharedSource = source;
}

void CRaster::CopyInfoFrom(const CRaster& source) {
  if (!m_block) m_info = source.m_info;
}

void CRaster::TakeDecodeRequest(const CRaster& caller) {
  if (m_block) return;
  m_decodingForCaller = true;
  const int32_t formatId = m_info.formatId;
  std::memset(&m_info, 0, sizeof m_info);
  m_info.formatId = formatId;
  m_info.transparentIndex = -1;
  m_info.alphaMaximum = 255;
  m_info.enabled = true;
  SetDpiX(96);
  SetDpiY(96);
  m_info.quality = caller.m_info.quality;
  m_info.scaleDenominator = caller.m_info.scaleDenominator;
  m_info.frameToDecode = caller.m_info.frameToDecode;
  m_info.cancelRequest = caller.m_info.cancelRequest;
  std::memcpy(m_info.formatOptions, caller.m_info.formatOptions, sizeof m_info.formatOptions);
}

void CRaster::Clear(uint8_t value) {
  if (!m_block) return;
  uint8_t fill = value;
  if (m_header.biBitCount == 1 && value != 0) fill = 255;
  if (m_header.biBitCount == 4) fill = uint8_t((value & 0x0F) * 17);
  std::memset(m_pixels, fill, size_t(m_info.rowBytes) * size_t(m_header.biHeight));
}

void CRaster::FreeBuffer(uint8_t* buffer) { std::free(buffer); }

int32_t CRaster::GetColorKind() const {
  if (m_alpha) return 4;
  return m_header.biBitCount > 8 ? 2 : 1;
}

void CRaster::SetTransparentColor(RGBQUAD color) {
  color.rgbReserved = 0;
  m_info.transparentColor = color;
}

RGBQUAD CRaster::GetTransparentColor() const {
  if (m_header.biBitCount < 24 && m_info.transparentIndex >= 0)
    return GetPaletteEntry(static_cast<uint32_t>(m_info.transparentIndex));
  return m_info.transparentColor;
}

void CRaster::SetPlacement(int32_t x, int32_t y) {
  m_info.placementX = x;
  m_info.placementY = y;
}

void CRaster::SetDpiX(int32_t dpi) {
  if (dpi <= 0) dpi = 96;
  m_info.dpiX = dpi;
  m_header.biXPelsPerMeter = PelsPerMetre(dpi);
}

void CRaster::SetDpiY(int32_t dpi) {
  if (dpi <= 0) dpi = 96;
  m_info.dpiY = dpi;
  m_header.biYPelsPerMeter = PelsPerMetre(dpi);
}

int32_t CRaster::GetFormatOption(int32_t formatId) const {
  if (formatId < 0 || formatId >= IMAGE_FORMAT_COUNT) return 0;
  if (formatId == 0) formatId = m_info.formatId;
  if (formatId < 0 || formatId >= IMAGE_FORMAT_COUNT) return 0;
  return m_info.formatOptions[formatId];
}

bool CRaster::SetFormatOption(int32_t value, int32_t formatId) {
  if (formatId < 0 || formatId >= IMAGE_FORMAT_COUNT) return false;
  if (formatId == 0) formatId = m_info.formatId;
  if (formatId < 0 || formatId >= IMAGE_FORMAT_COUNT) return false;
  m_info.formatOptions[formatId] = value;
  return true;
}

uint8_t* CRaster::GetRowPointer(int32_t y) const {
  if (!m_block) return nullptr;
  if (y < 0 || y >= m_header.biHeight) return nullptr;
  return m_pixels + size_t(y) * m_info.rowBytes;
}

uint64_t CRaster::GetBlockSize() const {
  return kBitmapInfoHeaderSize + uint64_t(m_header.biClrUsed) * 4 + m_header.biSizeImage;
}

bool CRaster::ContainsPoint(int32_t x, int32_t y) const {
  return x >= 0 && x < m_header.biWidth && y >= 0 && y < m_header.biHeight;
}

// Alpha plane.

bool CRaster::CreateAlphaPlane() {
  if (m_alpha) return true;
  if (!m_block) return false;
  m_alpha = AllocateBytes(PixelCount());
  if (!m_alpha) return false;
  std::memset(m_alpha, 255, PixelCount());
  return true;
}

void CRaster::DeleteAlphaPlane() {
  std::free(m_alpha);
  m_alpha = nullptr;
}

bool CRaster::CopyAlphaPlane(const CRaster& source) {
  if (!source.m_alpha || !m_block || source.GetWidth() != GetWidth() ||
      source.GetHeight() != GetHeight())
    return false;
  if (!m_alpha) {
    m_alpha = AllocateBytes(PixelCount());
    if (!m_alpha) return false;
  }
  std::memcpy(m_alpha, source.m_alpha, PixelCount());
  m_info.alphaMaximum = source.m_info.alphaMaximum;
  return true;
}

void CRaster::SetAlpha(int32_t x, int32_t y, uint8_t value) {
  if (m_alpha && ContainsPoint(x, y)) m_alpha[size_t(y) * size_t(GetWidth()) + size_t(x)] = value;
}

uint8_t CRaster::GetAlpha(int32_t x, int32_t y) const {
  if (m_alpha && ContainsPoint(x, y)) return m_alpha[size_t(y) * size_t(GetWidth()) + size_t(x)];
  return 0;
}

uint8_t CRaster::GetAlphaFast(int32_t x, int32_t y) const {
  return m_alpha[size_t(y) * size_t(GetWidth()) + size_t(x)];
}

uint8_t* CRaster::GetAlphaPointer(int32_t x, int32_t y) const {
  if (m_alpha && ContainsPoint(x, y)) return m_alpha + size_t(y) * size_t(GetWidth()) + size_t(x);
  return nullptr;
}

bool CRaster::FlipAlphaPlane() {
  if (!m_alpha) return false;
  uint8_t* flipped = AllocateBytes(PixelCount());
  if (!flipped) return false;
  const size_t w = size_t(GetWidth());
  const size_t h = size_t(GetHeight());
  for (size_t y = 0; y < h; ++y) std::memcpy(flipped + (h - 1 - y) * w, m_alpha + y * w, w);
  std::free(m_alpha);
  m_alpha = flipped;
  return true;
}

bool CRaster::MirrorAlphaPlane() {
  if (!m_alpha) return false;
  uint8_t* mirrored = AllocateBytes(PixelCount());
  if (!mirrored) return false;
  const size_t w = size_t(GetWidth());
  const size_t h = size_t(GetHeight());
  for (size_t y = 0; y < h; ++y)
    for (size_t x = 0; x < w; ++x) mirrored[y * w + (w - 1 - x)] = m_alpha[y * w + x];
  std::free(m_alpha);
  m_alpha = mirrored;
  return true;
}

// Selection.

bool CRaster::ClearSelection() {
  std::free(m_selection);
  m_selection = nullptr;
  m_info.selectionBox.left = GetWidth();
  m_info.selectionBox.top = 0;
  m_info.selectionBox.right = 0;
  m_info.selectionBox.bottom = GetHeight();
  return true;
}

bool CRaster::IsSelected(int32_t x, int32_t y) const {
  if (!ContainsPoint(x, y)) return false;
  return !m_selection || m_selection[size_t(y) * size_t(GetWidth()) + size_t(x)] != 0;
}

bool CRaster::CopySelection(const CRaster& source) {
  if (!source.m_selection || !m_block || source.GetWidth() != GetWidth() ||
      source.GetHeight() != GetHeight())
    return false;
  if (!m_selection) {
    m_selection = AllocateBytes(PixelCount());
    if (!m_selection) return false;
  }
  std::memcpy(m_selection, source.m_selection, PixelCount());
  m_info.selectionBox = source.m_info.selectionBox;
  return true;
}

// Whole-picture changes.

bool CRaster::FlipVertical() {
  if (!m_block) return false;
  const size_t rowBytes = m_info.rowBytes;
  uint8_t* swap = AllocateBytes(rowBytes);
  if (!swap) return false;
  if (m_alpha && !FlipAlphaPlane()) {
    std::free(swap);
    return false;
  }
  for (int32_t y = 0, z = GetHeight() - 1; y < z; ++y, --z) {
    uint8_t* a = GetRowPointer(y);
    uint8_t* b = GetRowPointer(z);
    std::memcpy(swap, a, rowBytes);
    std::memcpy(a, b, rowBytes);
    std::memcpy(b, swap, rowBytes);
  }
  std::free(swap);
  std::free(m_selection);
  m_selection = nullptr;
  if (m_continuation) m_continuation->PictureTurned();
  return true;
}

bool CRaster::Invert() {
  if (!m_block) return false;
  if (GetBitDepth() > 8) {
    if (m_selection) {
      const RECT& box = m_info.selectionBox;
      for (int32_t y = std::max(0, int32_t(box.bottom));
           y < std::min(GetHeight(), int32_t(box.top)); ++y)
        for (int32_t x = std::max(0, int32_t(box.left));
             x < std::min(GetWidth(), int32_t(box.right)); ++x) {
          if (!IsSelected(x, y)) continue;
          RGBQUAD c = GetPixelColor(x, y, false);
          c.rgbBlue = uint8_t(~c.rgbBlue);
          c.rgbGreen = uint8_t(~c.rgbGreen);
          c.rgbRed = uint8_t(~c.rgbRed);
          SetPixelColor(x, y, c, false);
        }
    } else {
      const size_t n = size_t(m_info.rowBytes) * size_t(GetHeight());
      for (size_t i = 0; i < n; ++i) m_pixels[i] = uint8_t(~m_pixels[i]);
    }
    RGBQUAD& t = m_info.transparentColor;
    t.rgbBlue = uint8_t(~t.rgbBlue);
    t.rgbGreen = uint8_t(~t.rgbGreen);
    t.rgbRed = uint8_t(~t.rgbRed);
    return true;
  }
  if (!IsIdentityGrey()) {
    RGBQUAD* palette = GetPalette();
    for (uint32_t i = 0; palette && i < GetPaletteSize(); ++i) {
      palette[i].rgbBlue = uint8_t(~palette[i].rgbBlue);
      palette[i].rgbGreen = uint8_t(~palette[i].rgbGreen);
      palette[i].rgbRed = uint8_t(~palette[i].rgbRed);
    }
    m_info.nearestValid = false;
    return true;
  }
  for (int32_t y = 0; y < GetHeight(); ++y)
    for (int32_t x = 0; x < GetWidth(); ++x)
      if (IsSelected(x, y)) SetPixelIndex(x, y, uint8_t(~GetPixelIndex(x, y)));
  return true;
}

// Row iterator.

void CRasterRowIterator::Attach(CRaster* image) {
  m_image = image;
  m_x = 0;
  m_y = 0;
  m_row = image ? image->GetRowPointer(0) : nullptr;
}

uint8_t* CRasterRowIterator::SetRow(int32_t y) {
  if (m_image && y >= 0 && y < m_image->GetHeight()) {
    m_y = y;
    m_row = m_image->GetRowPointer(y);
  }
  return m_row;
}

void CRasterRowIterator::MoveToTop() {
  m_x = 0;
  if (!m_image) return;
  m_y = m_image->GetHeight() - 1;
  m_row = m_image->GetRowPointer(m_y);
}

void CRasterRowIterator::StoreRow(const uint8_t* bytes, int64_t length) {
  if (!bytes || !m_row || !m_image) return;
  const int64_t rowBytes = m_image->GetRowBytes();
  const int64_t n = length < 0 ? rowBytes : std::min(length, rowBytes);
  std::memcpy(m_row, bytes, static_cast<size_t>(n));
}

bool CRasterRowIterator::MoveDown() {
  if (!m_image || m_y <= 0) {
    m_y = -1;
    m_row = nullptr;
    return false;
  }
  --m_y;
  m_row = m_image->GetRowPointer(m_y);
  return true;
}
