// The chunks of a PNG picture and the object that reads, keeps and writes them. The
// header chunk holds the decoded picture in the layout of a bottom-up device-independent
// bitmap (grey and palette pictures with a colour table, RGB pictures at 24 bits), an
// alpha plane for the colour types with alpha and, for 16-bit samples, a plane with the
// samples' low bytes. Image data is decoded through the image library's PNG decoder and
// written by the chunk itself (filtered rows, deflated, split into chunks).
//
// Portable (no Windows header): the picture classes of the skin toolkit (PngImage.h) put
// the pixels into a DIB section through the storage hooks of TPngImageCore; the native
// build keeps them in memory, so that the reader also runs under the sanitizers and the
// fuzzer.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <vector>

#include "framework/Classes.h"
#include "framework/SysUtils.h"

// ---------------------------------------------------------------------------------------
// Errors of the strict picture (TPNGObject)

class EPNGError : public Exception {
 public:
  using Exception::Exception;
};
// Each class carries its own message.
#define PNG_ERROR_CLASS(Name)     \
  class Name : public EPNGError { \
   public:                        \
    Name();                       \
  }
PNG_ERROR_CLASS(EPNGInvalidFileHeader);
PNG_ERROR_CLASS(EPngUnexpectedEnd);
PNG_ERROR_CLASS(EPNGIHDRNotFirst);
PNG_ERROR_CLASS(EPNGUnknownCriticalChunk);
PNG_ERROR_CLASS(EPNGNoImageData);
PNG_ERROR_CLASS(EPNGHeaderNotPresent);
PNG_ERROR_CLASS(EPngError);
PNG_ERROR_CLASS(EPngInvalidCRC);
PNG_ERROR_CLASS(EPngInvalidIHDR);
PNG_ERROR_CLASS(EPNGMissingMultipleIDAT);
PNG_ERROR_CLASS(EPNGInvalidPalette);
PNG_ERROR_CLASS(EPNGSizeExceeds);
PNG_ERROR_CLASS(EPNGUnknownCompression);
PNG_ERROR_CLASS(EPNGUnknownInterlace);
PNG_ERROR_CLASS(EPNGOutMemory);
#undef PNG_ERROR_CLASS
// The inflater's failure, with its own text as the description.
class EPNGZLIBError : public EPNGError {
 public:
  explicit EPNGZLIBError(const AnsiString& Description);
};

// ---------------------------------------------------------------------------------------
// Chunks

class TPngImageCore;
class TChunkIHDR;

// Colour types of the header.
constexpr uint8_t COLOR_GRAYSCALE = 0;
constexpr uint8_t COLOR_RGB = 2;
constexpr uint8_t COLOR_PALETTE = 3;
constexpr uint8_t COLOR_GRAYSCALEALPHA = 4;
constexpr uint8_t COLOR_RGBALPHA = 6;

// A chunk's four-letter name.
using TChunkName = std::array<char, 4>;
TChunkName ChunkName(const char* Name);

// A chunk of the picture: a generic one keeps its bytes; the known kinds read their
// fields from them and write them back.
class TChunk : public TObject {
 public:
  TChunk(TPngImageCore* Owner, const TChunkName& Name);
  const TChunkName& GetName() const { return FName; }
  AnsiString GetNameText() const { return AnsiString(FName.data(), 4); }
  TPngImageCore* GetOwner() const { return FOwner; }
  const std::vector<uint8_t>& GetData() const { return FData; }
  // Reads Length bytes of data and the CRC after them; false stops the load. A wrong CRC
  // raises EPngInvalidCRC.
  virtual bool LoadFromStream(TStream* Stream, const TChunkName& Name, uint32_t Length);
  // Writes length, name, data and CRC.
  virtual void SaveToStream(TStream* Stream);
  // Copies another chunk of the same class.
  virtual void Assign(TChunk* Source);

 protected:
  // Reads the data and checks the CRC.
  void ReadData(TStream* Stream, uint32_t Length);
  // Writes a chunk of this name around Data.
  void WriteChunk(TStream* Stream, const uint8_t* Data, size_t Size);
  TChunkIHDR* Header() const;
  TPngImageCore* FOwner;
  TChunkName FName;
  std::vector<uint8_t> FData;
};

// The colour table of a header's picture in the layout of BITMAPINFO: the 40-byte
// information header followed by 256 entries of blue, green, red and 0.
struct TPngBitmapInfo {
  uint32_t biSize = 40;
  int32_t biWidth = 0;
  int32_t biHeight = 0;
  uint16_t biPlanes = 1;
  uint16_t biBitCount = 0;
  uint32_t biCompression = 0;
  uint32_t biSizeImage = 0;
  int32_t biXPelsPerMeter = 0;
  int32_t biYPelsPerMeter = 0;
  uint32_t biClrUsed = 0;
  uint32_t biClrImportant = 0;
  uint8_t bmiColors[256][4] = {};
};
static_assert(sizeof(TPngBitmapInfo) == 40 + 1024, "BITMAPINFO with 256 colours");

// The decoded picture of a header: rows bottom-up, each BytesPerRow long, in the storage
// the owner made for them (a DIB section in a memory device context for the picture
// classes, memory otherwise).
struct TPngPixels {
  TPngBitmapInfo BitmapInfo;
  uint8_t* ImageData = nullptr;
  int32_t BytesPerRow = 0;
  bool HasPalette = false;       // the DIB has a colour table (grey and palette pictures)
  void* ImageHandle = nullptr;   // HBITMAP
  void* ImageDC = nullptr;       // HDC holding it
  void* ImagePalette = nullptr;  // HPALETTE of grey and palette pictures
  std::vector<uint8_t> Memory;   // the rows, when no DIB section holds them
};

class TChunkIHDR : public TChunk {
 public:
  TChunkIHDR(TPngImageCore* Owner, const TChunkName& Name);
  ~TChunkIHDR() override;
  bool LoadFromStream(TStream* Stream, const TChunkName& Name, uint32_t Length) override;
  void SaveToStream(TStream* Stream) override;
  void Assign(TChunk* Source) override;

  int32_t Width = 0;
  int32_t Height = 0;
  uint8_t BitDepth = 0;
  uint8_t ColorType = 0;
  uint8_t CompressionMethod = 0;
  uint8_t FilterMethod = 0;
  uint8_t InterlaceMethod = 0;

  TPngPixels Pixels;
  std::vector<uint8_t> ImageAlpha;      // Width x Height, row 0 first (colour types 4 and 6)
  std::vector<uint8_t> ExtraImageData;  // low bytes of 16-bit samples, laid out as the rows

  // Makes the picture for the fields (zero pixels, grey ramp for grey pictures), freeing
  // the one there was.
  void PrepareImageData();
  void FreeImageData();
  // Bits per pixel of the picture's rows: 1, 4, 8 or 24.
  int DibBitCount() const;
};

class TChunkPLTE : public TChunk {
 public:
  using TChunk::TChunk;
  bool LoadFromStream(TStream* Stream, const TChunkName& Name, uint32_t Length) override;
  void SaveToStream(TStream* Stream) override;
  void Assign(TChunk* Source) override;
  int GetCount() const { return FCount; }
  // Entry i as an RGB colour (red in the low byte).
  uint32_t GetItem(int Index) const;
  void SetItem(int Index, uint8_t Red, uint8_t Green, uint8_t Blue);
  void SetCount(int Value);

 private:
  // Stores an entry (and the picture's colour for it) without telling the owner.
  void StoreItem(int Index, uint8_t Red, uint8_t Green, uint8_t Blue);
  // Tells the owner that the picture's colours changed.
  void Changed();
  int FCount = 0;
  uint8_t FEntries[256][3] = {};
};

class TChunktRNS : public TChunk {
 public:
  using TChunk::TChunk;
  bool LoadFromStream(TStream* Stream, const TChunkName& Name, uint32_t Length) override;
  void SaveToStream(TStream* Stream) override;
  void Assign(TChunk* Source) override;
  // One alpha value per palette entry (255 where the chunk gives none).
  uint8_t PaletteValues[256];
  // Every value is 0 or 255.
  bool BitTransparency = false;
  // The transparent colour as RGB (red in the low byte), as the picture's pixels show it.
  uint32_t GetTransparentColor() const;
  // Makes the colour transparent: the RGB values for grey and RGB pictures, the first
  // palette entry of that colour (or the nearest) for palette pictures.
  void SetTransparentColor(uint32_t Color);
  // Bytes of the chunk's data (palette pictures: values written).
  uint32_t DataSize = 0;

 private:
  uint16_t FGray = 0;
  uint16_t FRed = 0, FGreen = 0, FBlue = 0;
};

class TChunkIDAT : public TChunk {
 public:
  using TChunk::TChunk;
  // Reads this chunk's data and that of the image-data chunks that follow it, then
  // decodes the picture into the header.
  bool LoadFromStream(TStream* Stream, const TChunkName& Name, uint32_t Length) override;
  // Encodes the header's picture into one or more image-data chunks.
  void SaveToStream(TStream* Stream) override;
  void Assign(TChunk* Source) override {}
};

class TChunkIEND : public TChunk {
 public:
  using TChunk::TChunk;
};

class TChunkgAMA : public TChunk {
 public:
  using TChunk::TChunk;
  bool LoadFromStream(TStream* Stream, const TChunkName& Name, uint32_t Length) override;
  void Assign(TChunk* Source) override;
  // The file gamma times 100000.
  uint32_t GetGamma() const { return FGamma; }
  void SetGamma(uint32_t Value);

 private:
  uint32_t FGamma = 0;
};

class TChunktIME : public TChunk {
 public:
  using TChunk::TChunk;
  bool LoadFromStream(TStream* Stream, const TChunkName& Name, uint32_t Length) override;
  void SaveToStream(TStream* Stream) override;
  void Assign(TChunk* Source) override;
  uint16_t Year = 0;
  uint8_t Month = 0, Day = 0, Hour = 0, Minute = 0, Second = 0;
};

class TChunktEXt : public TChunk {
 public:
  using TChunk::TChunk;
  bool LoadFromStream(TStream* Stream, const TChunkName& Name, uint32_t Length) override;
  void SaveToStream(TStream* Stream) override;
  void Assign(TChunk* Source) override;
  AnsiString Keyword;
  AnsiString Text;
};

class TChunkzTXt : public TChunktEXt {
 public:
  using TChunktEXt::TChunktEXt;
  bool LoadFromStream(TStream* Stream, const TChunkName& Name, uint32_t Length) override;
  void SaveToStream(TStream* Stream) override;
};

class TChunkpHYs : public TChunk {
 public:
  using TChunk::TChunk;
  bool LoadFromStream(TStream* Stream, const TChunkName& Name, uint32_t Length) override;
  void SaveToStream(TStream* Stream) override;
  void Assign(TChunk* Source) override;
  uint32_t PPUnitX = 0;
  uint32_t PPUnitY = 0;
  uint8_t UnitType = 0;
};

// The chunks of a picture in file order; the list owns them.
class TPNGPointerList : public TObject {
 public:
  ~TPNGPointerList() override;
  int GetCount() const { return static_cast<int>(FItems.size()); }
  TChunk* GetItem(int Index) const { return FItems[static_cast<size_t>(Index)]; }
  void Add(TChunk* Chunk);
  void Insert(int Index, TChunk* Chunk);
  // Frees the chunk at Index.
  void Delete(int Index);
  void Clear();
  // Takes the other list's chunks, giving it this list's.
  void Swap(TPNGPointerList& Other) { FItems.swap(Other.FItems); }

 protected:
  std::vector<TChunk*> FItems;
};

class TPNGList : public TPNGPointerList {
 public:
  // The first chunk of a class, or nullptr.
  template <class T>
  T* ItemFromClass() const {
    for (TChunk* chunk : FItems)
      if (T* found = dynamic_cast<T*>(chunk)) return found;
    return nullptr;
  }
  int IndexOf(const TChunk* Chunk) const;
};

// The names the skin toolkit's picture class gives its chunk classes.
using TspPngLayer = TChunk;
using TspPngLayerIHDR = TChunkIHDR;
using TspPngLayerPLTE = TChunkPLTE;
using TspPngLayertRNS = TChunktRNS;
using TspPngLayerIDAT = TChunkIDAT;
using TspPngLayerIEND = TChunkIEND;
using TspPngLayergAMA = TChunkgAMA;
using TspPngLayertIME = TChunktIME;
using TspPngLayertEXt = TChunktEXt;
using TspPngLayerzTXt = TChunkzTXt;
using TspPngLayerpHYs = TChunkpHYs;
using TspPngPointerList = TPNGPointerList;
using TspPngList = TPNGList;

// ---------------------------------------------------------------------------------------
// The picture's chunks and what it does with them

// Row filters the encoder may try.
enum TFilter { pfNone, pfSub, pfUp, pfAverage, pfPaeth };
using TFilters = TSet<TFilter>;

class TPngImageCore {
 public:
  // Strict pictures raise the EPNG errors on bad input; quiet ones keep what they could
  // read. Quiet pictures also know the physical-size chunk.
  explicit TPngImageCore(bool Strict);
  virtual ~TPngImageCore();
  TPngImageCore(const TPngImageCore&) = delete;
  TPngImageCore& operator=(const TPngImageCore&) = delete;

  bool IsStrict() const { return FStrict; }
  TPNGList& GetChunkList() { return FChunkList; }
  const TPNGList& GetChunkList() const { return FChunkList; }
  // The list whose chunks a chunk sees: the one being read during a load, else the
  // picture's own.
  TPNGList& ActiveList() const { return *FActive; }

  TFilters EncoderFilters = {pfSub};
  int EncoderLevel = 7;
  int EncoderInterlace = 0;
  int GetMaxDataChunkSize() const { return FMaxDataChunkSize; }
  // Values below 65535 become 65535.
  void SetMaxDataChunkSize(int Value);
  uint8_t GammaMap[256];
  uint8_t GammaUnmap[256];
  // Tables for a file gamma (times 100000); 0 gives the identity.
  void SetGammaTables(uint32_t Gamma);

  // Reads a whole PNG stream from its position. Strict pictures raise the EPNG errors and
  // keep the picture they had; quiet ones keep the chunks read up to the fault (an empty
  // picture for a bad signature or a first chunk that is no header).
  void LoadChunks(TStream* Stream);
  // The signature and every chunk's own save, in list order.
  void SaveChunks(TStream* Stream);
  // Frees every chunk (and its picture); the gamma tables become the identity.
  void FreeChunks();
  // Copies another picture's encoder settings and chunks.
  void AssignCore(const TPngImageCore& Source);

  bool HasHeader() const;
  // The header chunk; quiet pictures answer nullptr without one, strict ones raise
  // EPNGHeaderNotPresent.
  TChunkIHDR* GetHeaderChunk() const;
  int GetPngWidth() const;
  int GetPngHeight() const;
  // 0 opaque, 1 one transparent colour, 2 alpha per pixel.
  int TransparencyKind() const;
  // The transparency chunk's colour (RGB, red in the low byte), 0 without one.
  uint32_t PngTransparentColor() const;
  // Row Y counted from the top, of the pixels, the alpha plane (colour types 4 and 6, else
  // nullptr) and the low bytes.
  uint8_t* RowAddress(int Y) const;
  uint8_t* AlphaRowAddress(int Y) const;
  uint8_t* ExtraRowAddress(int Y) const;
  // RGB colour of a pixel (red in the low byte); 0 outside the picture.
  virtual uint32_t ReadPixel(int X, int Y);
  virtual void WritePixel(int X, int Y, uint32_t Color);
  // Grey and RGB pictures get an alpha plane of 255, palette pictures a transparency chunk
  // of 255s.
  void AddAlphaPlane();
  // Bytes of a PNG row of the picture and bytes per pixel; 0 and 0 without a header.
  void GetRowSizes(int& RowBytes, int& BytesPerPixel) const;
  // Changes the picture's size, keeping its top-left part (new alpha 255, new low bytes
  // 0); nothing for sizes below 1 or without a header.
  void ResizeImage(int W, int H);

  // Storage of a header's pixels (the hooks the picture classes replace): made for
  // Pixels.BitmapInfo, freed, told that the colour table changed.
  virtual void AllocatePixels(TPngPixels& Pixels);
  virtual void FreePixels(TPngPixels& Pixels);
  virtual void PaletteChanged(TPngPixels& Pixels) {}
  // The header's pixels were made anew (a load, an assignment, a resize).
  virtual void PixelsChanged() {}
  // The palette entry nearest to an RGB colour.
  virtual int NearestPaletteIndex(uint32_t Color);

 protected:
  // Makes the chunk object for a name (the generic class for unknown names).
  TChunk* CreateChunk(const TChunkName& Name);

 private:
  void ReadChunks(TStream* Stream, TPNGList& List);
  bool FStrict;
  TPNGList FChunkList;
  TPNGList* FActive = &FChunkList;
  int FMaxDataChunkSize = 65535;
};

// Bytes of one DIB row of W pixels at Bits bits, padded to 4.
int32_t DibRowBytes(int32_t W, int Bits);
