// Unit SkinData, stored skins: a skin travels as one block of zlib-compressed bytes
// holding its bitmaps followed by its ini text. TspCompressedStoredSkin holds the block in
// memory, reads and writes it in the ".skn" container and builds it from a skin folder (an
// ini file and the BMP files beside it); TspCompressedSkinList gathers stored skins in a
// numbered list. The skin data component inflates a stored skin and reads its image block
// (ReadSkinImageBlock). Portable: no Windows header.
//
// Container (".skn" files; a skin list item's "Skin"), little-endian:
//   int32 container version (written 2; 3 and below are read), int32 N, N bytes of zlib.
// Image block (the inflated bytes), little-endian:
//   int32 image version (written 2);
//   picture, [inactive picture: versions 2, 3], mask, [roll-up picture and roll-up mask:
//   versions 1, 2], each a flag byte (non-zero: none) and, after a 0, a BMP file image
//   whose own header gives its length;
//   int32 K and K BMP file images without flags (the active pictures);
//   the ini text, lines ending in CR LF, to the end.
#pragma once

#include <memory>
#include <vector>

#include "framework/Classes.h"
#include "framework/GraphicsBmp.h"

// A stored skin or container that cannot be read.
class ESkinDataError : public EStreamError {
 public:
  using EStreamError::EStreamError;
};

// The container version that is written, and the highest that is read.
constexpr int32_t kSkinContainerVersion = 2;
constexpr int32_t kMaxSkinContainerVersion = 3;
// The image block version that is written, and the highest that is read.
constexpr int32_t kSkinImageVersion = 2;
constexpr int32_t kMaxSkinImageVersion = 3;
// The most bytes a stored skin inflates to, and the most pixel bytes of one of its
// pictures: a few kilobytes of damaged or hostile data cannot ask for more.
constexpr int64_t kMaxSkinBlockSize = int64_t(64) << 20;
constexpr uint64_t kMaxSkinPictureBytes = uint64_t(64) << 20;

// The inflated image block, read.
struct TspSkinImageBlock {
  int32_t Version = 0;
  // The five main pictures; a picture the block does not carry has Width 0.
  TDibImage Picture;
  TDibImage InactivePicture;
  TDibImage Mask;
  TDibImage RollUpPicture;
  TDibImage RollUpMask;
  std::vector<TDibImage> ActivePictures;
  AnsiString IniText;
};

// Reads an image block of Size bytes. Raises ESkinDataError for a version above 3, a
// picture count below 0 or larger than the bytes left could hold, a bitmap whose own size
// runs past the block or whose pixels would take more than kMaxSkinPictureBytes, and
// EInvalidGraphic for a bitmap that does not decode; Block is only filled on success.
void ReadSkinImageBlock(const uint8_t* Data, size_t Size, TspSkinImageBlock& Block);

// The skin as compressed data. Published: Description, FileName (the skin ini file it was
// built from), CompressedFileName (the ".skn" file it was read from); neither name is read
// at run time. The form property "CompressedData" is the compressed block itself.
class TspCompressedStoredSkin : public TComponent {
 public:
  explicit TspCompressedStoredSkin(TComponent* AOwner);
  ~TspCompressedStoredSkin() override;

  // No compressed bytes are held.
  bool IsEmpty() const;
  // Inflates the whole compressed block into Target (reads of 4096 bytes). Raises
  // EDecompressionError for data that breaks off, is damaged, or inflates to more than
  // kMaxSkinBlockSize bytes.
  void DecompressToStream(TStream* Target);
  // Writes the container (version 2, N, the N bytes) at the stream's position.
  void SaveToCompressedStream(TStream* Stream);
  // Empties the stored skin, then reads the container from the start of the stream: a
  // version above 3 leaves it empty, as does N = 0. Raises ESkinDataError for a negative N
  // or one beyond the stream's end, EReadError for a stream too short for the header; the
  // stored skin is empty then.
  void LoadFromCompressedStream(TStream* Stream);
  // The same from a file (raises EFOpenError for a file that cannot be opened).
  void LoadFromCompressedFile(const AnsiString& FileName);
  // Builds the block from a skin folder: the ini file and the BMP files its PICTURES
  // section names beside it. False, and nothing changed, when the ini lacks one of the
  // sections VERSION, PICTURES, FORMINFO, SKINOBJECTS, SKINCONTROLS. Raises for a picture
  // file that is missing or not a bitmap (nothing changed then either).
  bool CompressFromIni(const AnsiString& IniFileName);

  // The form property "CompressedData": the block alone, read from the stream's position
  // to its end, and written whole.
  void ReadCompressedData(TStream* Stream);
  void WriteCompressedData(TStream* Stream);

  TMemoryStream* GetCompressedStream() const { return FCompressedStream.get(); }
  AnsiString GetDescription() const { return FDescription; }
  void SetDescription(const AnsiString& Value) { FDescription = Value; }
  AnsiString GetFileName() const { return FFileName; }
  void SetFileName(const AnsiString& Value) { FFileName = Value; }
  AnsiString GetCompressedFileName() const { return FCompressedFileName; }
  void SetCompressedFileName(const AnsiString& Value) { FCompressedFileName = Value; }

  void PublishProperties(TPropList& Props) const override;

 private:
  std::unique_ptr<TMemoryStream> FCompressedStream;
  AnsiString FDescription;
  AnsiString FFileName;
  AnsiString FCompressedFileName;
};

class TspSkinContent;

// Inflates a stored skin and reads its image block into Block and its ini text into
// Content (whose record lists are appended to). Raises what the steps raise: the
// decompression error, ESkinDataError and EInvalidGraphic of the image block, the
// conversion error of a rectangle or point with too few numbers.
void ReadStoredSkin(TspCompressedStoredSkin* StoredSkin, TspSkinImageBlock& Block,
                    TspSkinContent& Content);

class TspSkinListItems;

// A skin of a TspCompressedSkinList. Its Name is "spSkin" and its index when it was made.
// The form property "Skin" is the item's skin as a whole container.
class TspSkinListItem : public TCollectionItem {
 public:
  explicit TspSkinListItem(TCollection* Collection);
  ~TspSkinListItem() override;

  void Assign(TPersistent* Source) override;
  AnsiString GetDisplayName() const override { return FName; }
  // The form property "Skin".
  void ReadSkin(TStream* Stream) { FStoredSkin->LoadFromCompressedStream(Stream); }
  void WriteSkin(TStream* Stream) { FStoredSkin->SaveToCompressedStream(Stream); }

  TspCompressedStoredSkin* GetStoredSkin() const { return FStoredSkin.get(); }
  AnsiString GetDescription() const { return FDescription; }
  void SetDescription(const AnsiString& Value) { FDescription = Value; }
  AnsiString GetFileName() const { return FStoredSkin->GetFileName(); }
  void SetFileName(const AnsiString& Value) { FStoredSkin->SetFileName(Value); }
  AnsiString GetCompressedFileName() const { return FStoredSkin->GetCompressedFileName(); }
  void SetCompressedFileName(const AnsiString& Value) { FStoredSkin->SetCompressedFileName(Value); }
  AnsiString GetName() const { return FName; }
  void SetName(const AnsiString& Value) { FName = Value; }

  void PublishProperties(TPropList& Props) const override;

 private:
  struct TStoredSkinDeleter {
    void operator()(TspCompressedStoredSkin* Skin) const;
  };
  std::unique_ptr<TspCompressedStoredSkin, TStoredSkinDeleter> FStoredSkin;
  AnsiString FDescription;
  AnsiString FName;
};

// The items of a TspCompressedSkinList.
class TspSkinListItems : public TOwnedCollection {
 public:
  explicit TspSkinListItems(TPersistent* AOwner);
  TspSkinListItem* GetItem(int Index) const {
    return static_cast<TspSkinListItem*>(TCollection::GetItem(Index));
  }
  TspSkinListItem* Add() { return static_cast<TspSkinListItem*>(TCollection::Add()); }
};

// A numbered list of stored skins (published as Skins).
class TspCompressedSkinList : public TComponent {
 public:
  explicit TspCompressedSkinList(TComponent* AOwner);
  ~TspCompressedSkinList() override;

  TspSkinListItems* GetSkins() const { return FSkins.get(); }
  // Replaces the items by copies of Value's.
  void SetSkins(TspSkinListItems* Value) { FSkins->Assign(Value); }

  void PublishProperties(TPropList& Props) const override;

 private:
  std::unique_ptr<TspSkinListItems> FSkins;
};
