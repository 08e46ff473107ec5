#include "skin/data/PngChunks.h"

#include <zlib.h>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstring>
#include <new>

#include "image/Raster.h"

// ---------------------------------------------------------------------------------------
// Errors

namespace {
const char kLineBreak[] = "\r\n";
}

EPNGInvalidFileHeader::EPNGInvalidFileHeader()
    : EPNGError(
          "The file being readed is not a valid \"Portable Network Graphics\" image because "
          "it contains an invalid header. This file may be corruped, try obtaining it "
          "again.") {}
EPngUnexpectedEnd::EPngUnexpectedEnd()
    : EPNGError(
          "This \"Portable Network Graphics\" image is invalid because the decoder found "
          "an unexpected end of the file.") {}
EPNGIHDRNotFirst::EPNGIHDRNotFirst()
    : EPNGError(AnsiString("This \"Portable Network Graphics\" image is not supported or it "
                           "might be invalid.") +
                kLineBreak + "(IHDR chunk is not the first)") {}
EPNGUnknownCriticalChunk::EPNGUnknownCriticalChunk()
    : EPNGError(
          "This \"Portable Network Graphics\" image contains an unknown critical part "
          "which could not be decoded.") {}
EPNGNoImageData::EPNGNoImageData()
    : EPNGError("This \"Portable Network Graphics\" image contains no data.") {}
EPNGHeaderNotPresent::EPNGHeaderNotPresent()
    : EPNGError(
          "This operation is not valid because the current image contains no valid "
          "header.") {}
EPngError::EPngError()
    : EPNGError(
          "The \"Portable Network Graphics\" image can not be resize by changing width "
          "and height properties. Try assigning the image from a bitmap.") {}
EPngInvalidCRC::EPngInvalidCRC()
    : EPNGError(
          "This \"Portable Network Graphics\" image is not valid because it contains "
          "invalid pieces of data (crc error)") {}
EPngInvalidIHDR::EPngInvalidIHDR()
    : EPNGError(
          "The \"Portable Network Graphics\" image could not be loaded because one of "
          "its main piece of data (ihdr) might be corrupted") {}
EPNGMissingMultipleIDAT::EPNGMissingMultipleIDAT()
    : EPNGError(
          "This \"Portable Network Graphics\" image is invalid because it has missing "
          "image parts.") {}
EPNGInvalidPalette::EPNGInvalidPalette()
    : EPNGError("The \"Portable Network Graphics\" image contains an invalid palette.") {}
EPNGSizeExceeds::EPNGSizeExceeds()
    : EPNGError(
          "This \"Portable Network Graphics\" image is not supported because either it's "
          "width or height exceeds the maximum size, which is 65535 pixels length.") {}
EPNGUnknownCompression::EPNGUnknownCompression()
    : EPNGError(
          "This \"Portable Network Graphics\" image is encoded with an unknown "
          "compression scheme which could not be decoded.") {}
EPNGUnknownInterlace::EPNGUnknownInterlace()
    : EPNGError(
          "This \"Portable Network Graphics\" image uses an unknown interlace scheme "
          "which could not be decoded.") {}
EPNGOutMemory::EPNGOutMemory()
    : EPNGError(
          "Some operation could not be performed because the system is out of "
          "resources. Close some windows and try again.") {}
EPNGZLIBError::EPNGZLIBError(const AnsiString& Description)
    : EPNGError(AnsiString("Could not decompress the image because it contains invalid "
                           "compressed data.") +
                kLineBreak + " Description: " + Description) {}

// ---------------------------------------------------------------------------------------
// Helpers

namespace {

const uint8_t kSignature[8] = {137, 80, 78, 71, 13, 10, 26, 10};
// The largest picture (bytes of rows, alpha or low bytes) a header makes, as the image
// library's decoder allows.
constexpr uint64_t kMaxPixelBytes = CRaster::kMaxMemory;
// The largest text a compressed text chunk may inflate to.
constexpr size_t kMaxTextBytes = size_t(16) << 20;

uint32_t GetBE32(const uint8_t* P) {
  return uint32_t(P[0]) << 24 | uint32_t(P[1]) << 16 | uint32_t(P[2]) << 8 | P[3];
}
uint16_t GetBE16(const uint8_t* P) { return uint16_t(P[0] << 8 | P[1]); }
void PutBE32(std::vector<uint8_t>& Out, uint32_t V) {
  Out.insert(Out.end(), {uint8_t(V >> 24), uint8_t(V >> 16), uint8_t(V >> 8), uint8_t(V)});
}
void PutBE16(std::vector<uint8_t>& Out, uint16_t V) {
  Out.insert(Out.end(), {uint8_t(V >> 8), uint8_t(V)});
}

bool SameName(const TChunkName& A, const char* B) { return std::memcmp(A.data(), B, 4) == 0; }

uint32_t ChunkCrc(const TChunkName& Name, const uint8_t* Data, size_t Size) {
  uLong crc = crc32(0, reinterpret_cast<const Bytef*>(Name.data()), 4);
  // zlib takes lengths as uInt: feed large blocks in parts.
  while (Size > 0) {
    const uInt part = uInt(std::min<size_t>(Size, 1u << 30));
    crc = crc32(crc, Data, part);
    Data += part;
    Size -= part;
  }
  return uint32_t(crc);
}

// A whole chunk (length, name, data, CRC) appended to Out.
void AppendChunk(std::vector<uint8_t>& Out, const char* Name, const uint8_t* Data, size_t Size) {
  PutBE32(Out, uint32_t(Size));
  const TChunkName name = ChunkName(Name);
  Out.insert(Out.end(), name.begin(), name.end());
  if (Size) Out.insert(Out.end(), Data, Data + Size);
  PutBE32(Out, ChunkCrc(name, Data, Size));
}

// The bytes left in a stream after its position.
int64_t Remaining(TStream* Stream) { return Stream->GetSize() - Stream->GetPosition(); }

// A chunk length that fits the stream: at most 2^31 - 1, and the data and CRC present.
bool LengthFits(TStream* Stream, uint32_t Length) {
  return Length <= 0x7FFFFFFFu && int64_t(Length) + 4 <= Remaining(Stream);
}

// Reads exactly Count bytes; a short stream is an unexpected end.
void ReadExactly(TStream* Stream, void* Buffer, int64_t Count) {
  if (Count > 0 && Stream->Read(Buffer, Count) != Count) throw EPngUnexpectedEnd();
}

// A sample of Bits bits (1, 2, 4 or 8) at pixel X of a row, the first pixel in the high
// bits of the first byte.
inline uint32_t PackedSample(const uint8_t* Row, int X, int Bits) {
  if (Bits == 8) return Row[X];
  const int perByte = 8 / Bits;
  const int shift = 8 - Bits * (X % perByte + 1);
  return uint32_t(Row[X / perByte] >> shift) & ((1u << Bits) - 1);
}
inline void SetPackedSample(uint8_t* Row, int X, int Bits, uint32_t Value) {
  if (Bits == 8) {
    Row[X] = uint8_t(Value);
    return;
  }
  const int perByte = 8 / Bits;
  const int shift = 8 - Bits * (X % perByte + 1);
  const uint8_t mask = uint8_t(((1u << Bits) - 1) << shift);
  Row[X / perByte] = uint8_t((Row[X / perByte] & ~mask) | ((Value << shift) & mask));
}

inline uint32_t Rgb(uint8_t R, uint8_t G, uint8_t B) {
  return uint32_t(R) | uint32_t(G) << 8 | uint32_t(B) << 16;
}

int Channels(uint8_t ColorType) {
  switch (ColorType) {
    case COLOR_RGB:
      return 3;
    case COLOR_GRAYSCALEALPHA:
      return 2;
    case COLOR_RGBALPHA:
      return 4;
    default:
      return 1;
  }
}

}  // namespace

TChunkName ChunkName(const char* Name) {
  TChunkName n;
  std::memcpy(n.data(), Name, 4);
  return n;
}

int32_t DibRowBytes(int32_t W, int Bits) { return int32_t(((int64_t(W) * Bits + 31) / 32) * 4); }

// ---------------------------------------------------------------------------------------
// TChunk

TChunk::TChunk(TPngImageCore* Owner, const TChunkName& Name) : FOwner(Owner), FName(Name) {}

void TChunk::ReadData(TStream* Stream, uint32_t Length) {
  FData.resize(Length);
  ReadExactly(Stream, FData.data(), Length);
  uint8_t crc[4];
  ReadExactly(Stream, crc, 4);
  if (GetBE32(crc) != ChunkCrc(FName, FData.data(), FData.size())) throw EPngInvalidCRC();
}

bool TChunk::LoadFromStream(TStream* Stream, const TChunkName& Name, uint32_t Length) {
  FName = Name;
  ReadData(Stream, Length);
  return true;
}

void TChunk::WriteChunk(TStream* Stream, const uint8_t* Data, size_t Size) {
  std::vector<uint8_t> out;
  out.reserve(Size + 12);
  PutBE32(out, uint32_t(Size));
  out.insert(out.end(), FName.begin(), FName.end());
  if (Size) out.insert(out.end(), Data, Data + Size);
  PutBE32(out, ChunkCrc(FName, Data, Size));
  Stream->WriteBuffer(out.data(), int64_t(out.size()));
}

void TChunk::SaveToStream(TStream* Stream) { WriteChunk(Stream, FData.data(), FData.size()); }

void TChunk::Assign(TChunk* Source) {
  FName = Source->FName;
  FData = Source->FData;
}

TChunkIHDR* TChunk::Header() const { return FOwner->ActiveList().ItemFromClass<TChunkIHDR>(); }

// ---------------------------------------------------------------------------------------
// TChunkIHDR

TChunkIHDR::TChunkIHDR(TPngImageCore* Owner, const TChunkName& Name) : TChunk(Owner, Name) {}

TChunkIHDR::~TChunkIHDR() { FreeImageData(); }

bool TChunkIHDR::LoadFromStream(TStream* Stream, const TChunkName& Name, uint32_t Length) {
  TChunk::LoadFromStream(Stream, Name, Length);
  if (FData.size() != 13) throw EPngInvalidIHDR();
  const uint32_t w = GetBE32(&FData[0]);
  const uint32_t h = GetBE32(&FData[4]);
  BitDepth = FData[8];
  ColorType = FData[9];
  CompressionMethod = FData[10];
  FilterMethod = FData[11];
  InterlaceMethod = FData[12];
  if (w == 0 || h == 0 || w > 0x7FFFFFFFu || h > 0x7FFFFFFFu) throw EPngInvalidIHDR();
  if (w > 65535 || h > 65535) throw EPNGSizeExceeds();
  bool depthFits;
  switch (ColorType) {
    case COLOR_GRAYSCALE:
      depthFits =
          BitDepth == 1 || BitDepth == 2 || BitDepth == 4 || BitDepth == 8 || BitDepth == 16;
      break;
    case COLOR_PALETTE:
      depthFits = BitDepth == 1 || BitDepth == 2 || BitDepth == 4 || BitDepth == 8;
      break;
    case COLOR_RGB:
    case COLOR_GRAYSCALEALPHA:
    case COLOR_RGBALPHA:
      depthFits = BitDepth == 8 || BitDepth == 16;
      break;
    default:
      depthFits = false;
  }
  if (!depthFits || FilterMethod != 0) throw EPngInvalidIHDR();
  if (CompressionMethod != 0) throw EPNGUnknownCompression();
  if (InterlaceMethod > 1) throw EPNGUnknownInterlace();
  Width = int32_t(w);
  Height = int32_t(h);
  PrepareImageData();
  return true;
}

int TChunkIHDR::DibBitCount() const {
  switch (ColorType) {
    case COLOR_GRAYSCALE:
    case COLOR_PALETTE:
      return BitDepth == 16 ? 8 : BitDepth == 2 ? 4 : BitDepth;
    case COLOR_GRAYSCALEALPHA:
      return 8;
    default:
      return 24;
  }
}

void TChunkIHDR::PrepareImageData() {
  FreeImageData();
  const int bits = DibBitCount();
  const int32_t rowBytes = DibRowBytes(Width, bits);
  const uint64_t total = uint64_t(rowBytes) * uint64_t(Height);
  if (total > kMaxPixelBytes || uint64_t(Width) * uint64_t(Height) > kMaxPixelBytes)
    throw EPNGOutMemory();
  TPngBitmapInfo& info = Pixels.BitmapInfo;
  info = TPngBitmapInfo();
  info.biWidth = Width;
  info.biHeight = Height;
  info.biBitCount = uint16_t(bits);
  info.biSizeImage = uint32_t(total);
  Pixels.BytesPerRow = rowBytes;
  Pixels.HasPalette = bits <= 8;
  if (Pixels.HasPalette) {
    info.biClrUsed = 1u << bits;
    // Grey pictures show their levels through a ramp of the file's depth.
    if (ColorType == COLOR_GRAYSCALE || ColorType == COLOR_GRAYSCALEALPHA) {
      const int depth = ColorType == COLOR_GRAYSCALEALPHA || BitDepth == 16 ? 8 : BitDepth;
      const int levels = 1 << depth;
      for (int i = 0; i < levels; ++i) {
        const uint8_t v = uint8_t(i * 255 / (levels - 1));
        info.bmiColors[i][0] = info.bmiColors[i][1] = info.bmiColors[i][2] = v;
      }
    }
  }
  try {
    if (ColorType == COLOR_GRAYSCALEALPHA || ColorType == COLOR_RGBALPHA)
      ImageAlpha.assign(size_t(Width) * size_t(Height), 0);
    if (BitDepth == 16) ExtraImageData.assign(size_t(total), 0);
  } catch (const std::bad_alloc&) {
    throw EPNGOutMemory();
  }
  FOwner->AllocatePixels(Pixels);
  if (!Pixels.ImageData) throw EPNGOutMemory();
  std::memset(Pixels.ImageData, 0, size_t(total));
}

void TChunkIHDR::FreeImageData() {
  if (Pixels.ImageData || Pixels.ImageHandle) FOwner->FreePixels(Pixels);
  Pixels.ImageData = nullptr;
  Pixels.Memory.clear();
  Pixels.Memory.shrink_to_fit();
  ImageAlpha.clear();
  ExtraImageData.clear();
}

void TChunkIHDR::SaveToStream(TStream* Stream) {
  std::vector<uint8_t> data;
  PutBE32(data, uint32_t(Width));
  PutBE32(data, uint32_t(Height));
  data.push_back(BitDepth);
  data.push_back(ColorType);
  data.push_back(0);
  data.push_back(0);
  data.push_back(FOwner->EncoderInterlace == 1 ? 1 : 0);
  FData = data;
  WriteChunk(Stream, data.data(), data.size());
}

void TChunkIHDR::Assign(TChunk* Source) {
  TChunk::Assign(Source);
  auto* source = dynamic_cast<TChunkIHDR*>(Source);
  if (!source) return;
  Width = source->Width;
  Height = source->Height;
  BitDepth = source->BitDepth;
  ColorType = source->ColorType;
  CompressionMethod = source->CompressionMethod;
  FilterMethod = source->FilterMethod;
  InterlaceMethod = source->InterlaceMethod;
  PrepareImageData();
  std::memcpy(Pixels.BitmapInfo.bmiColors, source->Pixels.BitmapInfo.bmiColors,
              sizeof(Pixels.BitmapInfo.bmiColors));
  FOwner->PaletteChanged(Pixels);
  if (source->Pixels.ImageData)
    std::memcpy(Pixels.ImageData, source->Pixels.ImageData, Pixels.BitmapInfo.biSizeImage);
  ImageAlpha = source->ImageAlpha;
  ExtraImageData = source->ExtraImageData;
}

// ---------------------------------------------------------------------------------------
// TChunkPLTE

bool TChunkPLTE::LoadFromStream(TStream* Stream, const TChunkName& Name, uint32_t Length) {
  TChunk::LoadFromStream(Stream, Name, Length);
  if (FData.empty() || FData.size() % 3 != 0 || FData.size() / 3 > 256) throw EPNGInvalidPalette();
  FCount = int(FData.size() / 3);
  TChunkIHDR* header = Header();
  if (header && header->ColorType == COLOR_PALETTE && FCount > (1 << header->BitDepth))
    throw EPNGInvalidPalette();
  for (int i = 0; i < FCount; ++i) StoreItem(i, FData[3 * i], FData[3 * i + 1], FData[3 * i + 2]);
  Changed();
  return true;
}

uint32_t TChunkPLTE::GetItem(int Index) const {
  if (Index < 0 || Index >= 256) return 0;
  return Rgb(FEntries[Index][0], FEntries[Index][1], FEntries[Index][2]);
}

void TChunkPLTE::SetCount(int Value) { FCount = std::clamp(Value, 0, 256); }

void TChunkPLTE::SetItem(int Index, uint8_t Red, uint8_t Green, uint8_t Blue) {
  StoreItem(Index, Red, Green, Blue);
  Changed();
}

void TChunkPLTE::StoreItem(int Index, uint8_t Red, uint8_t Green, uint8_t Blue) {
  if (Index < 0 || Index >= 256) return;
  FEntries[Index][0] = Red;
  FEntries[Index][1] = Green;
  FEntries[Index][2] = Blue;
  // Palette pictures show their pixels through the entries.
  TChunkIHDR* header = Header();
  if (header && header->ColorType == COLOR_PALETTE && header->Pixels.HasPalette) {
    uint8_t* entry = header->Pixels.BitmapInfo.bmiColors[Index];
    entry[0] = Blue;
    entry[1] = Green;
    entry[2] = Red;
  }
}

void TChunkPLTE::Changed() {
  TChunkIHDR* header = Header();
  if (header && header->ColorType == COLOR_PALETTE && header->Pixels.HasPalette)
    FOwner->PaletteChanged(header->Pixels);
}

void TChunkPLTE::SaveToStream(TStream* Stream) {
  std::vector<uint8_t> data;
  for (int i = 0; i < FCount; ++i) data.insert(data.end(), FEntries[i], FEntries[i] + 3);
  FData = data;
  WriteChunk(Stream, data.data(), data.size());
}

void TChunkPLTE::Assign(TChunk* Source) {
  TChunk::Assign(Source);
  if (auto* source = dynamic_cast<TChunkPLTE*>(Source)) {
    FCount = source->FCount;
    for (int i = 0; i < 256; ++i)
      StoreItem(i, source->FEntries[i][0], source->FEntries[i][1], source->FEntries[i][2]);
    Changed();
  }
}

// ---------------------------------------------------------------------------------------
// TChunktRNS

bool TChunktRNS::LoadFromStream(TStream* Stream, const TChunkName& Name, uint32_t Length) {
  TChunk::LoadFromStream(Stream, Name, Length);
  std::fill(std::begin(PaletteValues), std::end(PaletteValues), uint8_t(255));
  DataSize = uint32_t(FData.size());
  BitTransparency = true;
  TChunkIHDR* header = Header();
  const uint8_t type = header ? header->ColorType : COLOR_PALETTE;
  if (type == COLOR_PALETTE) {
    const size_t n = std::min<size_t>(FData.size(), 256);
    for (size_t i = 0; i < n; ++i) {
      PaletteValues[i] = FData[i];
      if (FData[i] != 0 && FData[i] != 255) BitTransparency = false;
    }
  } else if (type == COLOR_GRAYSCALE && FData.size() >= 2) {
    FGray = GetBE16(&FData[0]);
  } else if (type == COLOR_RGB && FData.size() >= 6) {
    FRed = GetBE16(&FData[0]);
    FGreen = GetBE16(&FData[2]);
    FBlue = GetBE16(&FData[4]);
  }
  return true;
}

uint32_t TChunktRNS::GetTransparentColor() const {
  TChunkIHDR* header = Header();
  if (!header) return 0;
  const int depth = header->BitDepth;
  switch (header->ColorType) {
    case COLOR_PALETTE: {
      const auto& colors = header->Pixels.BitmapInfo.bmiColors;
      for (int i = 0; i < 256; ++i)
        if (PaletteValues[i] == 0) return Rgb(colors[i][2], colors[i][1], colors[i][0]);
      return 0;
    }
    case COLOR_GRAYSCALE: {
      uint8_t v;
      if (depth == 16)
        v = uint8_t(FGray >> 8);
      else
        v = uint8_t(std::min<uint32_t>(FGray, (1u << depth) - 1) * 255 / ((1u << depth) - 1));
      return Rgb(v, v, v);
    }
    case COLOR_RGB:
      if (depth == 16) return Rgb(uint8_t(FRed >> 8), uint8_t(FGreen >> 8), uint8_t(FBlue >> 8));
      return Rgb(uint8_t(FRed), uint8_t(FGreen), uint8_t(FBlue));
    default:
      return 0;
  }
}

void TChunktRNS::SetTransparentColor(uint32_t Color) {
  TChunkIHDR* header = Header();
  if (!header) return;
  const uint8_t r = uint8_t(Color), g = uint8_t(Color >> 8), b = uint8_t(Color >> 16);
  BitTransparency = true;
  switch (header->ColorType) {
    case COLOR_PALETTE: {
      std::fill(std::begin(PaletteValues), std::end(PaletteValues), uint8_t(255));
      const auto& colors = header->Pixels.BitmapInfo.bmiColors;
      const int count = 1 << header->DibBitCount();
      int index = -1;
      for (int i = 0; i < count && index < 0; ++i)
        if (colors[i][2] == r && colors[i][1] == g && colors[i][0] == b) index = i;
      if (index < 0) index = FOwner->NearestPaletteIndex(Color);
      PaletteValues[index] = 0;
      DataSize = uint32_t(index + 1);
      break;
    }
    case COLOR_GRAYSCALE: {
      const int depth = header->BitDepth;
      FGray = depth == 16 ? uint16_t(r << 8 | r) : uint16_t(r * ((1 << depth) - 1) / 255);
      DataSize = 2;
      break;
    }
    case COLOR_RGB:
      if (header->BitDepth == 16) {
        FRed = uint16_t(r << 8 | r);
        FGreen = uint16_t(g << 8 | g);
        FBlue = uint16_t(b << 8 | b);
      } else {
        FRed = r;
        FGreen = g;
        FBlue = b;
      }
      DataSize = 6;
      break;
    default:
      break;
  }
}

void TChunktRNS::SaveToStream(TStream* Stream) {
  TChunkIHDR* header = Header();
  std::vector<uint8_t> data;
  const uint8_t type = header ? header->ColorType : COLOR_PALETTE;
  if (type == COLOR_PALETTE) {
    data.assign(PaletteValues, PaletteValues + std::min<uint32_t>(DataSize, 256));
  } else if (type == COLOR_GRAYSCALE) {
    PutBE16(data, FGray);
  } else if (type == COLOR_RGB) {
    PutBE16(data, FRed);
    PutBE16(data, FGreen);
    PutBE16(data, FBlue);
  } else {
    data = FData;
  }
  FData = data;
  WriteChunk(Stream, data.data(), data.size());
}

void TChunktRNS::Assign(TChunk* Source) {
  TChunk::Assign(Source);
  if (auto* source = dynamic_cast<TChunktRNS*>(Source)) {
    std::memcpy(PaletteValues, source->PaletteValues, sizeof(PaletteValues));
    BitTransparency = source->BitTransparency;
    DataSize = source->DataSize;
    FGray = source->FGray;
    FRed = source->FRed;
    FGreen = source->FGreen;
    FBlue = source->FBlue;
  }
}

// ---------------------------------------------------------------------------------------
// TChunkIDAT: decoding

namespace {

// Copies the picture the image library decoded into the header's rows and planes.
void TakeDecodedPicture(TChunkIHDR& Header, const CRaster& Picture) {
  const int32_t w = Header.Width;
  const int32_t h = Header.Height;
  const bool alpha = Header.ColorType == COLOR_GRAYSCALEALPHA || Header.ColorType == COLOR_RGBALPHA;
  const int bits = Header.DibBitCount();
  if (Picture.GetWidth() != w || Picture.GetHeight() != h ||
      Picture.GetBitDepth() != (alpha ? 24 : bits) || (alpha && !Picture.HasAlphaPlane()))
    throw EPNGZLIBError("unexpected picture layout");
  const size_t rowBytes = size_t(Header.Pixels.BytesPerRow);
  // The bytes of a row that hold pixels; the rest of the row, and the unused low bits of
  // its last byte, stay 0.
  const size_t usedBits = size_t(w) * size_t(bits);
  const size_t usedBytes = (usedBits + 7) / 8;
  const uint8_t lastMask = uint8_t(0xFF << ((8 - usedBits % 8) % 8));
  for (int32_t y = 0; y < h; ++y) {  // stored rows: 0 is the bottom one in both
    uint8_t* target = Header.Pixels.ImageData + rowBytes * size_t(y);
    const uint8_t* source = Picture.GetRowPointer(y);
    if (Header.ColorType == COLOR_GRAYSCALEALPHA) {
      // Grey and alpha came as grey RGB: one channel is the grey level.
      for (int32_t x = 0; x < w; ++x) target[x] = source[3 * x];
    } else {
      std::memcpy(target, source, std::min<size_t>(usedBytes, Picture.GetRowBytes()));
      target[usedBytes - 1] &= lastMask;
    }
    if (alpha) {
      uint8_t* plane = Header.ImageAlpha.data() + size_t(h - 1 - y) * size_t(w);
      for (int32_t x = 0; x < w; ++x) plane[x] = Picture.GetAlphaFast(x, y);
    }
  }
  // The decoder gives 16-bit samples as their high bytes; the low bytes repeat them (the
  // exact widening of 8-bit levels to 16 bits).
  if (Header.BitDepth == 16)
    std::memcpy(Header.ExtraImageData.data(), Header.Pixels.ImageData,
                Header.ExtraImageData.size());
}

// The error of a decode the image library refused, by its text.
[[noreturn]] void RaiseDecodeError(const char* Text) {
  const AnsiString text = Text ? Text : "";
  if (text.find("Not enough image data") != AnsiString::npos ||
      text.find("Read Error") != AnsiString::npos)
    throw EPNGMissingMultipleIDAT();
  if (text.find("emory") != AnsiString::npos || text.find("allocate") != AnsiString::npos)
    throw EPNGOutMemory();
  if (text.find("CRC") != AnsiString::npos) throw EPngInvalidCRC();
  throw EPNGZLIBError(text);
}

}  // namespace

bool TChunkIDAT::LoadFromStream(TStream* Stream, const TChunkName& Name, uint32_t Length) {
  TChunk::LoadFromStream(Stream, Name, Length);
  // The image data goes on in the image-data chunks right after this one.
  std::vector<uint8_t> data = std::move(FData);
  FData.clear();
  for (;;) {
    uint8_t head[8];
    if (Remaining(Stream) < 8) break;
    ReadExactly(Stream, head, 8);
    const uint32_t length = GetBE32(head);
    const TChunkName name = ChunkName(reinterpret_cast<const char*>(head + 4));
    if (!SameName(name, "IDAT") || !LengthFits(Stream, length)) {
      Stream->Seek(-8, soCurrent);
      break;
    }
    TChunk next(FOwner, name);
    next.LoadFromStream(Stream, name, length);
    data.insert(data.end(), next.GetData().begin(), next.GetData().end());
  }
  TChunkIHDR* header = Header();
  if (!header) return false;
  TChunkPLTE* palette = FOwner->ActiveList().ItemFromClass<TChunkPLTE>();
  if (header->ColorType == COLOR_PALETTE && !palette) throw EPNGInvalidPalette();

  // A stream of the header, the palette and the image data alone for the decoder: the
  // transparency stays with this picture, which keeps 16-bit samples' colour keys and
  // palette indexes as they are.
  std::vector<uint8_t> png(kSignature, kSignature + 8);
  std::vector<uint8_t> ihdr;
  PutBE32(ihdr, uint32_t(header->Width));
  PutBE32(ihdr, uint32_t(header->Height));
  ihdr.insert(ihdr.end(), {header->BitDepth, header->ColorType, 0, 0, header->InterlaceMethod});
  AppendChunk(png, "IHDR", ihdr.data(), ihdr.size());
  if (header->ColorType == COLOR_PALETTE) {
    std::vector<uint8_t> entries;
    for (int i = 0; i < palette->GetCount(); ++i) {
      const uint32_t c = palette->GetItem(i);
      entries.insert(entries.end(), {uint8_t(c), uint8_t(c >> 8), uint8_t(c >> 16)});
    }
    AppendChunk(png, "PLTE", entries.data(), entries.size());
  }
  AppendChunk(png, "IDAT", data.data(), data.size());
  AppendChunk(png, "IEND", nullptr, 0);
  data.clear();
  data.shrink_to_fit();

  CRaster picture;
  if (!picture.DecodeMemory(png.data(), png.size(), IMAGE_FORMAT_PNG))
    RaiseDecodeError(picture.GetLastError());
  TakeDecodedPicture(*header, picture);
  return true;
}

// ---------------------------------------------------------------------------------------
// TChunkIDAT: encoding

namespace {

// The samples of one pixel (top-based row Y) as 8- or 16-bit values.
int PixelSamples(const TChunkIHDR& H, const uint8_t* Row, const uint8_t* Extra,
                 const uint8_t* Alpha, int X, uint16_t* Out) {
  const bool wide = H.BitDepth == 16;
  auto sample = [&](size_t At) -> uint16_t {
    return wide ? uint16_t(Row[At] << 8 | (Extra ? Extra[At] : Row[At])) : Row[At];
  };
  auto alpha = [&]() -> uint16_t {
    const uint8_t a = Alpha ? Alpha[X] : 255;
    return wide ? uint16_t(a << 8 | a) : a;
  };
  switch (H.ColorType) {
    case COLOR_GRAYSCALE:
      Out[0] = wide ? sample(size_t(X)) : uint16_t(PackedSample(Row, X, H.DibBitCount()));
      return 1;
    case COLOR_PALETTE:
      Out[0] = uint16_t(PackedSample(Row, X, H.DibBitCount()));
      return 1;
    case COLOR_GRAYSCALEALPHA:
      Out[0] = sample(size_t(X));
      Out[1] = alpha();
      return 2;
    case COLOR_RGB:
    case COLOR_RGBALPHA:
      Out[0] = sample(size_t(3 * X + 2));
      Out[1] = sample(size_t(3 * X + 1));
      Out[2] = sample(size_t(3 * X));
      if (H.ColorType == COLOR_RGB) return 3;
      Out[3] = alpha();
      return 4;
    default:
      return 0;
  }
}

// One PNG row of the pixels X0, X0 + Step, ... of top-based row Y, without filter byte.
void PackRow(const TChunkIHDR& H, TPngImageCore& Core, int Y, int X0, int Step,
             std::vector<uint8_t>& Out) {
  Out.clear();
  const uint8_t* row = Core.RowAddress(Y);
  const uint8_t* extra = Core.ExtraRowAddress(Y);
  const uint8_t* alpha = Core.AlphaRowAddress(Y);
  const int depth = H.BitDepth;
  uint16_t samples[4];
  uint32_t bitBuffer = 0;
  int bitCount = 0;
  for (int x = X0; x < H.Width; x += Step) {
    const int n = PixelSamples(H, row, extra, alpha, x, samples);
    for (int i = 0; i < n; ++i) {
      if (depth == 16) {
        Out.push_back(uint8_t(samples[i] >> 8));
        Out.push_back(uint8_t(samples[i]));
      } else if (depth == 8) {
        Out.push_back(uint8_t(samples[i]));
      } else {
        bitBuffer = bitBuffer << depth | (samples[i] & ((1u << depth) - 1));
        bitCount += depth;
        if (bitCount == 8) {
          Out.push_back(uint8_t(bitBuffer));
          bitBuffer = 0;
          bitCount = 0;
        }
      }
    }
  }
  if (bitCount > 0) Out.push_back(uint8_t(bitBuffer << (8 - bitCount)));
}

uint8_t Paeth(int A, int B, int C) {
  const int p = A + B - C;
  const int pa = std::abs(p - A), pb = std::abs(p - B), pc = std::abs(p - C);
  if (pa <= pb && pa <= pc) return uint8_t(A);
  return uint8_t(pb <= pc ? B : C);
}

// The row filtered by one filter, the filter's number first.
void FilterRow(TFilter Filter, const std::vector<uint8_t>& Row, const std::vector<uint8_t>& Prior,
               int Bpp, std::vector<uint8_t>& Out) {
  Out.resize(Row.size() + 1);
  Out[0] = uint8_t(Filter);
  for (size_t i = 0; i < Row.size(); ++i) {
    const int a = i >= size_t(Bpp) ? Row[i - size_t(Bpp)] : 0;
    const int b = Prior.empty() ? 0 : Prior[i];
    const int c = (i >= size_t(Bpp) && !Prior.empty()) ? Prior[i - size_t(Bpp)] : 0;
    int predicted = 0;
    switch (Filter) {
      case pfNone:
        predicted = 0;
        break;
      case pfSub:
        predicted = a;
        break;
      case pfUp:
        predicted = b;
        break;
      case pfAverage:
        predicted = (a + b) / 2;
        break;
      case pfPaeth:
        predicted = Paeth(a, b, c);
        break;
    }
    Out[i + 1] = uint8_t(Row[i] - predicted);
  }
}

// Deflates the rows into Out.
class TRowDeflater {
 public:
  explicit TRowDeflater(int Level) {
    FStream = {};
    if (deflateInit(&FStream, std::clamp(Level, 0, 9)) != Z_OK) throw EPNGOutMemory();
  }
  ~TRowDeflater() { deflateEnd(&FStream); }
  void Add(const std::vector<uint8_t>& Bytes, std::vector<uint8_t>& Out, bool Finish) {
    FStream.next_in = const_cast<Bytef*>(Bytes.data());
    FStream.avail_in = uInt(Bytes.size());
    uint8_t buffer[16384];
    for (;;) {
      FStream.next_out = buffer;
      FStream.avail_out = sizeof(buffer);
      const int result = deflate(&FStream, Finish ? Z_FINISH : Z_NO_FLUSH);
      if (result == Z_STREAM_ERROR) throw EPNGOutMemory();
      Out.insert(Out.end(), buffer, buffer + (sizeof(buffer) - FStream.avail_out));
      if (Finish ? result == Z_STREAM_END : FStream.avail_in == 0 && FStream.avail_out != 0) break;
    }
  }

 private:
  z_stream FStream;
};

}  // namespace

void TChunkIDAT::SaveToStream(TStream* Stream) {
  TChunkIHDR* header = Header();
  if (!header || !header->Pixels.ImageData) return;
  const int bpp = std::max(1, Channels(header->ColorType) * header->BitDepth / 8);
  // Adam7 passes (first column, first row, column step, row step), or the whole picture.
  struct TPass {
    int X0, Y0, DX, DY;
  };
  static const TPass kAdam7[] = {{0, 0, 8, 8}, {4, 0, 8, 8}, {0, 4, 4, 8}, {2, 0, 4, 4},
                                 {0, 2, 2, 4}, {1, 0, 2, 2}, {0, 1, 1, 2}};
  static const TPass kWhole[] = {{0, 0, 1, 1}};
  const bool interlaced = FOwner->EncoderInterlace == 1;
  const TPass* passes = interlaced ? kAdam7 : kWhole;
  const int passCount = interlaced ? 7 : 1;
  std::vector<TFilter> filters;
  for (TFilter f : {pfNone, pfSub, pfUp, pfAverage, pfPaeth})
    if (FOwner->EncoderFilters.Contains(f)) filters.push_back(f);
  if (filters.empty()) filters.push_back(pfNone);

  std::vector<uint8_t> compressed, row, prior, candidate, best;
  TRowDeflater deflater(FOwner->EncoderLevel);
  for (int p = 0; p < passCount; ++p) {
    const TPass& pass = passes[p];
    if (pass.X0 >= header->Width || pass.Y0 >= header->Height) continue;
    prior.clear();
    for (int y = pass.Y0; y < header->Height; y += pass.DY) {
      PackRow(*header, *FOwner, y, pass.X0, pass.DX, row);
      // Of the filters allowed, the one whose bytes lie nearest to zero.
      uint64_t bestScore = UINT64_MAX;
      for (TFilter f : filters) {
        FilterRow(f, row, prior, bpp, candidate);
        uint64_t score = 0;
        for (size_t i = 1; i < candidate.size(); ++i)
          score += uint64_t(std::abs(int(int8_t(candidate[i]))));
        if (score < bestScore) {
          bestScore = score;
          best.swap(candidate);
        }
      }
      deflater.Add(best, compressed, false);
      prior = row;
    }
  }
  deflater.Add({}, compressed, true);
  const size_t chunkSize = size_t(std::max(1, FOwner->GetMaxDataChunkSize()));
  for (size_t at = 0; at < compressed.size(); at += chunkSize)
    WriteChunk(Stream, compressed.data() + at, std::min(chunkSize, compressed.size() - at));
  if (compressed.empty()) WriteChunk(Stream, nullptr, 0);
}

// ---------------------------------------------------------------------------------------
// Ancillary chunks

bool TChunkgAMA::LoadFromStream(TStream* Stream, const TChunkName& Name, uint32_t Length) {
  TChunk::LoadFromStream(Stream, Name, Length);
  if (FData.size() == 4) {
    FGamma = GetBE32(FData.data());
    FOwner->SetGammaTables(FGamma);
  }
  return true;
}

void TChunkgAMA::SetGamma(uint32_t Value) {
  FGamma = Value;
  FData.clear();
  PutBE32(FData, Value);
  FOwner->SetGammaTables(Value);
}

void TChunkgAMA::Assign(TChunk* Source) {
  TChunk::Assign(Source);
  if (auto* source = dynamic_cast<TChunkgAMA*>(Source)) SetGamma(source->FGamma);
}

bool TChunktIME::LoadFromStream(TStream* Stream, const TChunkName& Name, uint32_t Length) {
  TChunk::LoadFromStream(Stream, Name, Length);
  if (FData.size() == 7) {
    Year = GetBE16(FData.data());
    Month = FData[2];
    Day = FData[3];
    Hour = FData[4];
    Minute = FData[5];
    Second = FData[6];
  }
  return true;
}

void TChunktIME::SaveToStream(TStream* Stream) {
  std::vector<uint8_t> data;
  PutBE16(data, Year);
  data.insert(data.end(), {Month, Day, Hour, Minute, Second});
  FData = data;
  WriteChunk(Stream, data.data(), data.size());
}

void TChunktIME::Assign(TChunk* Source) {
  TChunk::Assign(Source);
  if (auto* s = dynamic_cast<TChunktIME*>(Source)) {
    Year = s->Year;
    Month = s->Month;
    Day = s->Day;
    Hour = s->Hour;
    Minute = s->Minute;
    Second = s->Second;
  }
}

bool TChunktEXt::LoadFromStream(TStream* Stream, const TChunkName& Name, uint32_t Length) {
  TChunk::LoadFromStream(Stream, Name, Length);
  const auto zero = std::find(FData.begin(), FData.end(), uint8_t(0));
  Keyword.assign(FData.begin(), zero);
  Text.assign(zero == FData.end() ? zero : zero + 1, FData.end());
  return true;
}

void TChunktEXt::SaveToStream(TStream* Stream) {
  std::vector<uint8_t> data(Keyword.begin(), Keyword.end());
  data.push_back(0);
  data.insert(data.end(), Text.begin(), Text.end());
  FData = data;
  WriteChunk(Stream, data.data(), data.size());
}

void TChunktEXt::Assign(TChunk* Source) {
  TChunk::Assign(Source);
  if (auto* s = dynamic_cast<TChunktEXt*>(Source)) {
    Keyword = s->Keyword;
    Text = s->Text;
  }
}

bool TChunkzTXt::LoadFromStream(TStream* Stream, const TChunkName& Name, uint32_t Length) {
  TChunk::LoadFromStream(Stream, Name, Length);
  const auto zero = std::find(FData.begin(), FData.end(), uint8_t(0));
  Keyword.assign(FData.begin(), zero);
  Text.clear();
  // After the keyword: its terminator, the compression method, the deflated text.
  if (zero == FData.end() || FData.end() - zero < 2) return true;
  const uint8_t* in = &*(zero + 2);
  const size_t inSize = size_t(FData.end() - (zero + 2));
  z_stream z = {};
  if (inflateInit(&z) != Z_OK) throw EPNGOutMemory();
  z.next_in = const_cast<Bytef*>(in);
  z.avail_in = uInt(inSize);
  uint8_t buffer[16384];
  int result;
  do {
    z.next_out = buffer;
    z.avail_out = sizeof(buffer);
    result = inflate(&z, Z_NO_FLUSH);
    if (result != Z_OK && result != Z_STREAM_END) break;
    Text.append(reinterpret_cast<const char*>(buffer), sizeof(buffer) - z.avail_out);
    if (Text.size() > kMaxTextBytes) {
      result = Z_MEM_ERROR;
      break;
    }
  } while (result != Z_STREAM_END && (z.avail_in > 0 || z.avail_out == 0));
  const AnsiString message = z.msg                   ? z.msg
                             : result == Z_MEM_ERROR ? "text too long"
                                                     : "incomplete data";
  inflateEnd(&z);
  if (result != Z_STREAM_END) {
    Text.clear();
    throw EPNGZLIBError(message);
  }
  return true;
}

void TChunkzTXt::SaveToStream(TStream* Stream) {
  std::vector<uint8_t> data(Keyword.begin(), Keyword.end());
  data.push_back(0);
  data.push_back(0);
  uLongf size = compressBound(uLong(Text.size()));
  std::vector<uint8_t> packed(size);
  compress2(packed.data(), &size, reinterpret_cast<const Bytef*>(Text.data()), uLong(Text.size()),
            std::clamp(FOwner->EncoderLevel, 0, 9));
  data.insert(data.end(), packed.begin(), packed.begin() + std::ptrdiff_t(size));
  FData = data;
  WriteChunk(Stream, data.data(), data.size());
}

bool TChunkpHYs::LoadFromStream(TStream* Stream, const TChunkName& Name, uint32_t Length) {
  TChunk::LoadFromStream(Stream, Name, Length);
  if (FData.size() == 9) {
    PPUnitX = GetBE32(&FData[0]);
    PPUnitY = GetBE32(&FData[4]);
    UnitType = FData[8];
  }
  return true;
}

void TChunkpHYs::SaveToStream(TStream* Stream) {
  std::vector<uint8_t> data;
  PutBE32(data, PPUnitX);
  PutBE32(data, PPUnitY);
  data.push_back(UnitType);
  FData = data;
  WriteChunk(Stream, data.data(), data.size());
}

void TChunkpHYs::Assign(TChunk* Source) {
  TChunk::Assign(Source);
  if (auto* s = dynamic_cast<TChunkpHYs*>(Source)) {
    PPUnitX = s->PPUnitX;
    PPUnitY = s->PPUnitY;
    UnitType = s->UnitType;
  }
}

// ---------------------------------------------------------------------------------------
// Lists

TPNGPointerList::~TPNGPointerList() { Clear(); }

void TPNGPointerList::Add(TChunk* Chunk) {
  // The list grows in steps of 10 entries.
  if (FItems.size() == FItems.capacity()) FItems.reserve(FItems.size() + 10);
  FItems.push_back(Chunk);
}

void TPNGPointerList::Insert(int Index, TChunk* Chunk) {
  FItems.insert(FItems.begin() + std::clamp(Index, 0, GetCount()), Chunk);
}

void TPNGPointerList::Delete(int Index) {
  if (Index < 0 || Index >= GetCount()) return;
  TChunk* chunk = FItems[size_t(Index)];
  FItems.erase(FItems.begin() + Index);
  delete chunk;
}

void TPNGPointerList::Clear() {
  // Last first: the header, which holds the picture, goes after the chunks that use it.
  while (!FItems.empty()) {
    TChunk* chunk = FItems.back();
    FItems.pop_back();
    delete chunk;
  }
}

int TPNGList::IndexOf(const TChunk* Chunk) const {
  for (size_t i = 0; i < FItems.size(); ++i)
    if (FItems[i] == Chunk) return int(i);
  return -1;
}

// ---------------------------------------------------------------------------------------
// TPngImageCore

TPngImageCore::TPngImageCore(bool Strict) : FStrict(Strict) { SetGammaTables(0); }

TPngImageCore::~TPngImageCore() { FreeChunks(); }

void TPngImageCore::SetMaxDataChunkSize(int Value) {
  FMaxDataChunkSize = Value < 65535 ? 65535 : Value;
}

void TPngImageCore::SetGammaTables(uint32_t Gamma) {
  for (int i = 0; i < 256; ++i) GammaMap[i] = GammaUnmap[i] = uint8_t(i);
  if (Gamma == 0) return;
  // Samples stored with the file gamma g shown on a display of gamma 2.2.
  const double exponent = 1.0 / (Gamma / 100000.0 * 2.2);
  for (int i = 0; i < 256; ++i) {
    GammaMap[i] =
        uint8_t(std::clamp(std::nearbyint(255 * std::pow(i / 255.0, exponent)), 0.0, 255.0));
    GammaUnmap[i] =
        uint8_t(std::clamp(std::nearbyint(255 * std::pow(i / 255.0, 1 / exponent)), 0.0, 255.0));
  }
}

TChunk* TPngImageCore::CreateChunk(const TChunkName& Name) {
  if (SameName(Name, "IHDR")) return new TChunkIHDR(this, Name);
  if (SameName(Name, "PLTE")) return new TChunkPLTE(this, Name);
  if (SameName(Name, "tRNS")) return new TChunktRNS(this, Name);
  if (SameName(Name, "IDAT")) return new TChunkIDAT(this, Name);
  if (SameName(Name, "IEND")) return new TChunkIEND(this, Name);
  if (SameName(Name, "gAMA")) return new TChunkgAMA(this, Name);
  if (SameName(Name, "tIME")) return new TChunktIME(this, Name);
  if (SameName(Name, "tEXt")) return new TChunktEXt(this, Name);
  if (SameName(Name, "zTXt")) return new TChunkzTXt(this, Name);
  if (!FStrict && SameName(Name, "pHYs")) return new TChunkpHYs(this, Name);
  return new TChunk(this, Name);
}

void TPngImageCore::FreeChunks() {
  FChunkList.Clear();
  SetGammaTables(0);
}

void TPngImageCore::ReadChunks(TStream* Stream, TPNGList& List) {
  uint8_t signature[8];
  if (Stream->Read(signature, 8) != 8 || std::memcmp(signature, kSignature, 8) != 0) {
    if (FStrict) throw EPNGInvalidFileHeader();
    return;
  }
  bool first = true;
  bool hasImageData = false;
  for (;;) {
    uint8_t head[8];
    if (Stream->Read(head, 8) != 8) {
      if (FStrict) throw EPngUnexpectedEnd();
      return;
    }
    const uint32_t length = GetBE32(head);
    const TChunkName name = ChunkName(reinterpret_cast<const char*>(head + 4));
    // Every length is checked before anything is skipped or allocated for it.
    if (!LengthFits(Stream, length)) {
      if (FStrict) throw EPngUnexpectedEnd();
      return;
    }
    if (first && !SameName(name, "IHDR")) {
      if (FStrict) throw EPNGIHDRNotFirst();
      return;
    }
    first = false;
    if (SameName(name, "cHRM") || (SameName(name, "IDAT") && hasImageData)) {
      Stream->Seek(int64_t(length) + 4, soCurrent);
      continue;
    }
    if (SameName(name, "IDAT")) hasImageData = true;
    TChunk* chunk = CreateChunk(name);
    if (FStrict && typeid(*chunk) == typeid(TChunk) &&
        std::isupper(static_cast<unsigned char>(name[0]))) {
      delete chunk;
      throw EPNGUnknownCriticalChunk();
    }
    List.Add(chunk);
    bool goOn;
    try {
      goOn = chunk->LoadFromStream(Stream, name, length);
    } catch (...) {
      List.Delete(List.GetCount() - 1);  // a chunk that failed is dropped
      throw;
    }
    if (!goOn || SameName(name, "IEND")) break;
  }
  if (FStrict && !hasImageData) throw EPNGNoImageData();
}

namespace {

// Points the chunks' header lookups at the list being loaded while it lives.
class TActiveListScope {
 public:
  TActiveListScope(TPNGList*& Slot, TPNGList* List) : FSlot(Slot), FOld(Slot) { FSlot = List; }
  ~TActiveListScope() { FSlot = FOld; }

 private:
  TPNGList*& FSlot;
  TPNGList* FOld;
};

}  // namespace

void TPngImageCore::LoadChunks(TStream* Stream) {
  if (FStrict) {
    // Read into a list of their own: a picture that cannot be read leaves the one there was.
    uint8_t map[256], unmap[256];
    std::memcpy(map, GammaMap, 256);
    std::memcpy(unmap, GammaUnmap, 256);
    SetGammaTables(0);
    TPNGList loaded;
    try {
      TActiveListScope scope(FActive, &loaded);
      ReadChunks(Stream, loaded);
    } catch (const std::bad_alloc&) {
      loaded.Clear();
      std::memcpy(GammaMap, map, 256);
      std::memcpy(GammaUnmap, unmap, 256);
      throw EPNGOutMemory();
    } catch (...) {
      loaded.Clear();
      std::memcpy(GammaMap, map, 256);
      std::memcpy(GammaUnmap, unmap, 256);
      throw;
    }
    FChunkList.Swap(loaded);
    loaded.Clear();
  } else {
    FreeChunks();
    TPNGList loaded;
    try {
      TActiveListScope scope(FActive, &loaded);
      ReadChunks(Stream, loaded);
    } catch (const Exception&) {
    } catch (const std::bad_alloc&) {
    }
    FChunkList.Swap(loaded);
  }
  PixelsChanged();
}

void TPngImageCore::SaveChunks(TStream* Stream) {
  Stream->WriteBuffer(kSignature, 8);
  for (int i = 0; i < FChunkList.GetCount(); ++i) FChunkList.GetItem(i)->SaveToStream(Stream);
}

void TPngImageCore::AssignCore(const TPngImageCore& Source) {
  if (&Source == this) return;
  EncoderFilters = Source.EncoderFilters;
  EncoderLevel = Source.EncoderLevel;
  EncoderInterlace = Source.EncoderInterlace;
  SetMaxDataChunkSize(Source.FMaxDataChunkSize);
  FreeChunks();
  for (int i = 0; i < Source.FChunkList.GetCount(); ++i) {
    TChunk* source = Source.FChunkList.GetItem(i);
    TChunk* chunk = CreateChunk(source->GetName());
    if (typeid(*chunk) != typeid(*source)) {
      delete chunk;
      chunk = new TChunk(this, source->GetName());
    }
    FChunkList.Add(chunk);
    chunk->Assign(source);
  }
  PixelsChanged();
}

namespace {

TChunkIHDR* FindHeader(const TPNGList& List) {
  return List.GetCount() > 0 ? dynamic_cast<TChunkIHDR*>(List.GetItem(0)) : nullptr;
}

}  // namespace

bool TPngImageCore::HasHeader() const { return FindHeader(FChunkList) != nullptr; }

TChunkIHDR* TPngImageCore::GetHeaderChunk() const {
  TChunkIHDR* header = FindHeader(FChunkList);
  if (!header && FStrict) throw EPNGHeaderNotPresent();
  return header;
}

int TPngImageCore::GetPngWidth() const {
  const TChunkIHDR* header = FindHeader(FChunkList);
  return header ? header->Width : 0;
}

int TPngImageCore::GetPngHeight() const {
  const TChunkIHDR* header = FindHeader(FChunkList);
  return header ? header->Height : 0;
}

int TPngImageCore::TransparencyKind() const {
  const TChunkIHDR* header = FindHeader(FChunkList);
  if (!header) return 0;
  const TChunktRNS* trns = FChunkList.ItemFromClass<TChunktRNS>();
  switch (header->ColorType) {
    case COLOR_GRAYSCALE:
    case COLOR_RGB:
      return trns ? 1 : 0;
    case COLOR_PALETTE:
      return trns ? (trns->BitTransparency ? 1 : 2) : 0;
    case COLOR_GRAYSCALEALPHA:
    case COLOR_RGBALPHA:
      return 2;
    default:
      return 0;
  }
}

uint32_t TPngImageCore::PngTransparentColor() const {
  const TChunktRNS* trns = FChunkList.ItemFromClass<TChunktRNS>();
  return trns && HasHeader() ? trns->GetTransparentColor() : 0;
}

uint8_t* TPngImageCore::RowAddress(int Y) const {
  const TChunkIHDR* header = FindHeader(FChunkList);
  if (!header || !header->Pixels.ImageData || Y < 0 || Y >= header->Height) return nullptr;
  return header->Pixels.ImageData +
         size_t(header->Pixels.BytesPerRow) * size_t(header->Height - 1 - Y);
}

uint8_t* TPngImageCore::AlphaRowAddress(int Y) const {
  TChunkIHDR* header = FindHeader(FChunkList);
  if (!header || header->ImageAlpha.empty() || Y < 0 || Y >= header->Height) return nullptr;
  return header->ImageAlpha.data() + size_t(Y) * size_t(header->Width);
}

uint8_t* TPngImageCore::ExtraRowAddress(int Y) const {
  TChunkIHDR* header = FindHeader(FChunkList);
  if (!header || header->ExtraImageData.empty() || Y < 0 || Y >= header->Height) return nullptr;
  return header->ExtraImageData.data() +
         size_t(header->Pixels.BytesPerRow) * size_t(header->Height - 1 - Y);
}

uint32_t TPngImageCore::ReadPixel(int X, int Y) {
  const TChunkIHDR* header = FindHeader(FChunkList);
  if (!header || X < 0 || Y < 0 || X >= header->Width || Y >= header->Height) return 0;
  const uint8_t* row = RowAddress(Y);
  if (!row) return 0;
  switch (header->ColorType) {
    case COLOR_PALETTE: {
      const uint32_t index = PackedSample(row, X, header->DibBitCount());
      const uint8_t* entry = header->Pixels.BitmapInfo.bmiColors[index];
      return Rgb(GammaMap[entry[2]], GammaMap[entry[1]], GammaMap[entry[0]]);
    }
    case COLOR_GRAYSCALE: {
      const int depth = header->BitDepth == 16 ? 8 : header->BitDepth;
      const uint32_t sample = PackedSample(row, X, header->DibBitCount());
      const uint8_t v = GammaMap[sample * 255 / ((1u << depth) - 1)];
      return Rgb(v, v, v);
    }
    case COLOR_GRAYSCALEALPHA:
      return Rgb(row[X], row[X], row[X]);
    default:
      return Rgb(row[3 * X + 2], row[3 * X + 1], row[3 * X]);
  }
}

void TPngImageCore::WritePixel(int X, int Y, uint32_t Color) {
  TChunkIHDR* header = FindHeader(FChunkList);
  if (!header || X < 0 || Y < 0 || X >= header->Width || Y >= header->Height) return;
  uint8_t* row = RowAddress(Y);
  uint8_t* extra = ExtraRowAddress(Y);
  if (!row) return;
  const uint8_t r = uint8_t(Color), g = uint8_t(Color >> 8), b = uint8_t(Color >> 16);
  switch (header->ColorType) {
    case COLOR_PALETTE:
    case COLOR_GRAYSCALE: {
      const int bits = header->DibBitCount();
      SetPackedSample(row, X, bits, uint32_t(NearestPaletteIndex(Color)));
      if (extra) extra[X] = row[X];
      break;
    }
    case COLOR_GRAYSCALEALPHA:
      row[X] = r;
      if (extra) extra[X] = r;
      break;
    default:
      row[3 * X] = b;
      row[3 * X + 1] = g;
      row[3 * X + 2] = r;
      if (extra) std::memcpy(extra + 3 * X, row + 3 * X, 3);
      break;
  }
}

int TPngImageCore::NearestPaletteIndex(uint32_t Color) {
  const TChunkIHDR* header = FindHeader(FChunkList);
  if (!header || !header->Pixels.HasPalette) return 0;
  int count;
  if (header->ColorType == COLOR_PALETTE) {
    const TChunkPLTE* palette = FChunkList.ItemFromClass<TChunkPLTE>();
    count = palette ? palette->GetCount() : 1 << header->DibBitCount();
  } else {
    count = header->BitDepth >= 8 || header->ColorType == COLOR_GRAYSCALEALPHA
                ? 256
                : 1 << header->BitDepth;
  }
  const int r = int(Color & 0xFF), g = int(Color >> 8 & 0xFF), b = int(Color >> 16 & 0xFF);
  int best = 0;
  int bestDistance = INT32_MAX;
  for (int i = 0; i < std::max(count, 1); ++i) {
    const uint8_t* e = header->Pixels.BitmapInfo.bmiColors[i];
    const int d = (e[2] - r) * (e[2] - r) + (e[1] - g) * (e[1] - g) + (e[0] - b) * (e[0] - b);
    if (d < bestDistance) {
      bestDistance = d;
      best = i;
    }
  }
  return best;
}

void TPngImageCore::AddAlphaPlane() {
  TChunkIHDR* header = FindHeader(FChunkList);
  if (!header) return;
  switch (header->ColorType) {
    case COLOR_GRAYSCALE: {
      // Grey + alpha keeps one byte per grey level: pictures of fewer bits are widened.
      const int depth = header->BitDepth == 16 ? 8 : header->BitDepth;
      const int bits = header->DibBitCount();
      std::vector<uint8_t> levels(size_t(header->Width) * size_t(header->Height));
      for (int y = 0; y < header->Height; ++y) {
        const uint8_t* row = RowAddress(y);
        for (int x = 0; x < header->Width; ++x)
          levels[size_t(y) * size_t(header->Width) + size_t(x)] =
              uint8_t(PackedSample(row, x, bits) * 255 / ((1u << depth) - 1));
      }
      std::vector<uint8_t> extra = header->ExtraImageData;
      header->ColorType = COLOR_GRAYSCALEALPHA;
      if (header->BitDepth != 16) header->BitDepth = 8;
      header->PrepareImageData();
      for (int y = 0; y < header->Height; ++y)
        std::memcpy(RowAddress(y), &levels[size_t(y) * size_t(header->Width)],
                    size_t(header->Width));
      if (header->BitDepth == 16) header->ExtraImageData = extra;
      header->ImageAlpha.assign(size_t(header->Width) * size_t(header->Height), 255);
      PixelsChanged();
      break;
    }
    case COLOR_RGB:
      header->ColorType = COLOR_RGBALPHA;
      header->ImageAlpha.assign(size_t(header->Width) * size_t(header->Height), 255);
      break;
    case COLOR_PALETTE: {
      TChunktRNS* trns = FChunkList.ItemFromClass<TChunktRNS>();
      if (!trns) {
        trns = static_cast<TChunktRNS*>(CreateChunk(ChunkName("tRNS")));
        // After the palette (or the header), before the image data.
        const TChunkPLTE* palette = FChunkList.ItemFromClass<TChunkPLTE>();
        FChunkList.Insert(palette ? FChunkList.IndexOf(palette) + 1 : 1, trns);
      }
      std::fill(std::begin(trns->PaletteValues), std::end(trns->PaletteValues), uint8_t(255));
      trns->DataSize = 1u << header->BitDepth;
      trns->BitTransparency = false;
      break;
    }
    default:
      break;
  }
}

void TPngImageCore::GetRowSizes(int& RowBytes, int& BytesPerPixel) const {
  RowBytes = BytesPerPixel = 0;
  const TChunkIHDR* header = FindHeader(FChunkList);
  if (!header) return;
  const int depth = header->BitDepth;
  RowBytes = int((int64_t(header->Width) * Channels(header->ColorType) * depth + 7) / 8);
  switch (header->ColorType) {
    case COLOR_GRAYSCALE:
      BytesPerPixel = depth == 16 ? 2 : 1;
      break;
    case COLOR_PALETTE:
      BytesPerPixel = 1;
      break;
    case COLOR_RGB:
      BytesPerPixel = depth * 3 / 8;
      break;
    case COLOR_GRAYSCALEALPHA:
      BytesPerPixel = depth / 4;
      break;
    case COLOR_RGBALPHA:
      BytesPerPixel = depth / 2;
      break;
    default:
      BytesPerPixel = 0;
      break;
  }
}

void TPngImageCore::ResizeImage(int W, int H) {
  TChunkIHDR* header = FindHeader(FChunkList);
  if (!header || W < 1 || H < 1 || W > 65535 || H > 65535) return;
  const int bits = header->DibBitCount();
  const int32_t newRow = DibRowBytes(W, bits);
  if (uint64_t(newRow) * uint64_t(H) > kMaxPixelBytes) return;
  TPngPixels pixels;
  pixels.BitmapInfo = header->Pixels.BitmapInfo;
  pixels.BitmapInfo.biWidth = W;
  pixels.BitmapInfo.biHeight = H;
  pixels.BitmapInfo.biSizeImage = uint32_t(newRow) * uint32_t(H);
  pixels.BytesPerRow = newRow;
  pixels.HasPalette = header->Pixels.HasPalette;
  AllocatePixels(pixels);
  if (!pixels.ImageData) return;
  std::memset(pixels.ImageData, 0, pixels.BitmapInfo.biSizeImage);
  // Rows keep their distance from the top.
  const int rows = std::min(H, header->Height);
  const size_t bytes = size_t(std::min(newRow, header->Pixels.BytesPerRow));
  for (int y = 0; y < rows; ++y)
    std::memcpy(pixels.ImageData + size_t(newRow) * size_t(H - 1 - y), RowAddress(y), bytes);
  if (!header->ImageAlpha.empty()) {
    std::vector<uint8_t> alpha(size_t(W) * size_t(H), 255);
    for (int y = 0; y < rows; ++y)
      std::memcpy(&alpha[size_t(y) * size_t(W)], AlphaRowAddress(y),
                  size_t(std::min(W, header->Width)));
    header->ImageAlpha.swap(alpha);
  }
  if (!header->ExtraImageData.empty()) {
    std::vector<uint8_t> extra(size_t(newRow) * size_t(H), 0);
    for (int y = 0; y < rows; ++y)
      std::memcpy(&extra[size_t(newRow) * size_t(H - 1 - y)],
                  header->ExtraImageData.data() +
                      size_t(header->Pixels.BytesPerRow) * size_t(header->Height - 1 - y),
                  bytes);
    header->ExtraImageData.swap(extra);
  }
  FreePixels(header->Pixels);
  header->Pixels = std::move(pixels);
  if (header->Pixels.ImageData == nullptr) return;
  // Memory-held rows moved with the vector; their address stays valid.
  header->Width = W;
  header->Height = H;
  PixelsChanged();
}

void TPngImageCore::AllocatePixels(TPngPixels& Pixels) {
  try {
    Pixels.Memory.assign(Pixels.BitmapInfo.biSizeImage, 0);
  } catch (const std::bad_alloc&) {
    throw EPNGOutMemory();
  }
  Pixels.ImageData = Pixels.Memory.data();
}

void TPngImageCore::FreePixels(TPngPixels& Pixels) {
  Pixels.Memory.clear();
  Pixels.Memory.shrink_to_fit();
  Pixels.ImageData = nullptr;
}
