#include "skin/data/SkinStore.h"

#include <cstring>

#include "framework/IniFiles.h"
#include "framework/TypInfo.h"
#include "framework/ZLib.h"
#include "skin/data/SPUtils.h"
#include "skin/data/SkinSections.h"

namespace {

// The smallest bitmap file: a file header and a core header.
constexpr size_t kMinBmpFileSize = kBmpFileHeaderSize + 12;

// Reads the image block field by field, each against the bytes that are left.
class TBlockReader {
 public:
  TBlockReader(const uint8_t* Data, size_t Size) : FData(Data), FSize(Size) {}

  size_t Left() const { return FSize - FPos; }

  int32_t Int32() {
    Need(4, "The skin data ends early");
    const uint8_t* p = FData + FPos;
    FPos += 4;
    return static_cast<int32_t>(uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 |
                                uint32_t(p[3]) << 24);
  }

  uint8_t Byte() {
    Need(1, "The skin data ends early");
    return FData[FPos++];
  }

  // A bitmap file image taken by its own size.
  void Bitmap(TDibImage& Image) {
    Need(kBmpFileHeaderSize, "A skin picture runs past the end of the skin data");
    const uint32_t size = BmpFileSize(FData + FPos, Left());
    Need(size, "A skin picture runs past the end of the skin data");
    CheckPixelBytes(FData + FPos, size);
    ReadBmpFile(FData + FPos, size, Image);
    FPos += size;
  }

  // A flag byte and, after a 0, a bitmap.
  void OptionalBitmap(TDibImage& Image) {
    if (Byte() == 0) Bitmap(Image);
  }

  AnsiString Rest() {
    AnsiString text(reinterpret_cast<const char*>(FData + FPos), Left());
    FPos = FSize;
    return text;
  }

 private:
  void Need(uint64_t Count, const char* Message) const {
    if (Count > Left()) throw ESkinDataError(Message);
  }

  // Refuses a bitmap whose header asks for more pixel bytes than a skin picture may have,
  // before anything is made for it.
  static void CheckPixelBytes(const uint8_t* File, size_t Size) {
    const uint8_t* info = File + kBmpFileHeaderSize;
    const size_t infoSize = Size - kBmpFileHeaderSize;
    if (infoSize < 4) return;  // the bitmap reader refuses it
    const uint32_t headerSize = uint32_t(info[0]) | uint32_t(info[1]) << 8 |
                                uint32_t(info[2]) << 16 | uint32_t(info[3]) << 24;
    int64_t width = 0, height = 0;
    uint16_t bits = 0;
    if (headerSize == 12 && infoSize >= 12) {
      width = info[4] | info[5] << 8;
      height = info[6] | info[7] << 8;
      bits = uint16_t(info[10] | info[11] << 8);
    } else if (headerSize >= 40 && infoSize >= 16) {
      width = static_cast<int32_t>(uint32_t(info[4]) | uint32_t(info[5]) << 8 |
                                   uint32_t(info[6]) << 16 | uint32_t(info[7]) << 24);
      height = static_cast<int32_t>(uint32_t(info[8]) | uint32_t(info[9]) << 8 |
                                    uint32_t(info[10]) << 16 | uint32_t(info[11]) << 24);
      bits = uint16_t(info[14] | info[15] << 8);
    } else {
      return;
    }
    if (height < 0) height = -height;
    if (width <= 0 || height <= 0) return;  // the bitmap reader refuses it
    const uint64_t pixelBytes =
        uint64_t(TDibImage::RowBytes(static_cast<int32_t>(width), bits)) * uint64_t(height);
    if (pixelBytes > kMaxSkinPictureBytes)
      throw ESkinDataError("A skin picture of %dx%d pixels is too large",
                           {static_cast<int>(width), static_cast<int>(height)});
  }

  const uint8_t* FData;
  size_t FSize;
  size_t FPos = 0;
};

}  // namespace

void ReadSkinImageBlock(const uint8_t* Data, size_t Size, TspSkinImageBlock& Block) {
  TBlockReader reader(Data, Size);
  TspSkinImageBlock block;
  block.Version = reader.Int32();
  if (block.Version > kMaxSkinImageVersion)
    throw ESkinDataError("Skin data of version %d cannot be read", {block.Version});
  reader.OptionalBitmap(block.Picture);
  if (block.Version == 2 || block.Version == 3) reader.OptionalBitmap(block.InactivePicture);
  reader.OptionalBitmap(block.Mask);
  if (block.Version == 1 || block.Version == 2) {
    reader.OptionalBitmap(block.RollUpPicture);
    reader.OptionalBitmap(block.RollUpMask);
  }
  const int32_t count = reader.Int32();
  if (count < 0 || uint64_t(count) > reader.Left() / kMinBmpFileSize)
    throw ESkinDataError("The skin data's picture count %d is not valid", {count});
  block.ActivePictures.resize(static_cast<size_t>(count));
  for (TDibImage& image : block.ActivePictures) reader.Bitmap(image);
  block.IniText = reader.Rest();
  Block = std::move(block);
}

// ---------------------------------------------------------------------------------------
// TspCompressedStoredSkin

TspCompressedStoredSkin::TspCompressedStoredSkin(TComponent* AOwner)
    : TComponent(AOwner), FCompressedStream(new TMemoryStream) {}

TspCompressedStoredSkin::~TspCompressedStoredSkin() = default;

bool TspCompressedStoredSkin::IsEmpty() const { return FCompressedStream->GetSize() == 0; }

void TspCompressedStoredSkin::DecompressToStream(TStream* Target) {
  FCompressedStream->SetPosition(0);
  TDecompressionStream inflater(FCompressedStream.get(), kMaxSkinBlockSize);
  uint8_t buffer[4096];
  for (;;) {
    const int64_t count = inflater.Read(buffer, sizeof(buffer));
    if (count <= 0) break;
    Target->WriteBuffer(buffer, count);
  }
}

void TspCompressedStoredSkin::SaveToCompressedStream(TStream* Stream) {
  const int64_t size = FCompressedStream->GetSize();
  const uint32_t fields[2] = {uint32_t(kSkinContainerVersion), uint32_t(size)};
  for (uint32_t field : fields) {
    const uint8_t bytes[4] = {uint8_t(field), uint8_t(field >> 8), uint8_t(field >> 16),
                              uint8_t(field >> 24)};
    Stream->WriteBuffer(bytes, 4);
  }
  if (size > 0) Stream->WriteBuffer(FCompressedStream->GetMemory(), size);
}

namespace {

int32_t ReadInt32(TStream* Stream) {
  uint8_t bytes[4];
  Stream->ReadBuffer(bytes, 4);
  return static_cast<int32_t>(uint32_t(bytes[0]) | uint32_t(bytes[1]) << 8 |
                              uint32_t(bytes[2]) << 16 | uint32_t(bytes[3]) << 24);
}

}  // namespace

void TspCompressedStoredSkin::LoadFromCompressedStream(TStream* Stream) {
  FCompressedStream->Clear();
  Stream->SetPosition(0);
  if (ReadInt32(Stream) > kMaxSkinContainerVersion) return;
  const int32_t length = ReadInt32(Stream);
  const int64_t left = Stream->GetSize() - Stream->GetPosition();
  if (length < 0 || length > left)
    throw ESkinDataError("The skin file's data length %d is not valid", {length});
  if (length > 0) {
    FCompressedStream->CopyFrom(Stream, length);
    FCompressedStream->SetPosition(0);
  }
}

void TspCompressedStoredSkin::LoadFromCompressedFile(const AnsiString& FileName) {
  TFileStream stream(FileName, fmOpenRead | fmShareDenyWrite);
  LoadFromCompressedStream(&stream);
}

bool TspCompressedStoredSkin::CompressFromIni(const AnsiString& IniFileName) {
  TStringList lines;
  lines.LoadFromFile(IniFileName);
  TMemIniFile ini;
  ini.SetStrings(&lines);
  if (!CheckSkinIniSections(&ini)) return false;
  const AnsiString folder = ExtractFilePath(IniFileName);

  TMemoryStream block;
  auto writeInt32 = [&](int32_t value) {
    const uint32_t v = static_cast<uint32_t>(value);
    const uint8_t bytes[4] = {uint8_t(v), uint8_t(v >> 8), uint8_t(v >> 16), uint8_t(v >> 24)};
    block.WriteBuffer(bytes, 4);
  };
  // Pictures are read and written again as bitmap files, so only readable ones get in.
  auto writeBitmap = [&](const AnsiString& name) {
    TMemoryStream file;
    file.LoadFromFile(folder + name);
    TDibImage image;
    ReadBmpFile(static_cast<const uint8_t*>(file.GetMemory()), static_cast<size_t>(file.GetSize()),
                image);
    const std::vector<uint8_t> bytes = WriteBmpFile(image);
    block.WriteBuffer(bytes.data(), static_cast<int64_t>(bytes.size()));
  };
  writeInt32(kSkinImageVersion);
  for (const char* key : {"picture", "inactivepicture", "mask", "rolluppicture", "rollupmask"}) {
    const AnsiString name = ini.ReadString("PICTURES", key, "");
    const uint8_t flag = name.empty() ? 1 : 0;
    block.WriteBuffer(&flag, 1);
    if (!name.empty()) writeBitmap(name);
  }
  TStringList active;
  ReadCountList(&ini, "PICTURES", "activepictures", &active);
  writeInt32(active.GetCount());
  for (int i = 0; i < active.GetCount(); ++i) writeBitmap(active.Get(i));
  const AnsiString text = lines.GetText();
  block.WriteBuffer(text.data(), static_cast<int64_t>(text.size()));

  TMemoryStream compressed;
  {
    TCompressionStream deflater(zcMax, &compressed);
    deflater.WriteBuffer(block.GetMemory(), block.GetSize());
    deflater.Finish();
  }
  FCompressedStream->Clear();
  FCompressedStream->CopyFrom(&compressed, 0);
  FCompressedStream->SetPosition(0);
  return true;
}

void TspCompressedStoredSkin::ReadCompressedData(TStream* Stream) {
  FCompressedStream->Clear();
  const int64_t left = Stream->GetSize() - Stream->GetPosition();
  if (left > 0) FCompressedStream->CopyFrom(Stream, left);
  FCompressedStream->SetPosition(0);
}

void TspCompressedStoredSkin::WriteCompressedData(TStream* Stream) {
  if (!IsEmpty()) Stream->WriteBuffer(FCompressedStream->GetMemory(), FCompressedStream->GetSize());
}

void TspCompressedStoredSkin::PublishProperties(TPropList& Props) const {
  TComponent::PublishProperties(Props);
  Props.String("Description", &TspCompressedStoredSkin::GetDescription,
               &TspCompressedStoredSkin::SetDescription);
  Props.String("FileName", &TspCompressedStoredSkin::GetFileName,
               &TspCompressedStoredSkin::SetFileName);
  Props.String("CompressedFileName", &TspCompressedStoredSkin::GetCompressedFileName,
               &TspCompressedStoredSkin::SetCompressedFileName);
}

void ReadStoredSkin(TspCompressedStoredSkin* StoredSkin, TspSkinImageBlock& Block,
                    TspSkinContent& Content) {
  TMemoryStream inflated;
  StoredSkin->DecompressToStream(&inflated);
  ReadSkinImageBlock(static_cast<const uint8_t*>(inflated.GetMemory()),
                     static_cast<size_t>(inflated.GetSize()), Block);
  TStringList lines;
  lines.SetText(Block.IniText);
  TMemIniFile ini;
  ini.SetStrings(&lines);
  Content.ReadSkinIni(&ini);
}

// ---------------------------------------------------------------------------------------
// Skin lists

void TspSkinListItem::TStoredSkinDeleter::operator()(TspCompressedStoredSkin* Skin) const {
  if (Skin) Skin->Free();
}

TspSkinListItem::TspSkinListItem(TCollection* Collection)
    : TCollectionItem(Collection), FStoredSkin(new TspCompressedStoredSkin(nullptr)) {
  FName = Format("spSkin%d", {GetIndex()});
}

TspSkinListItem::~TspSkinListItem() = default;

void TspSkinListItem::Assign(TPersistent* Source) {
  auto* source = dynamic_cast<TspSkinListItem*>(Source);
  if (!source) {
    TCollectionItem::Assign(Source);
    return;
  }
  FDescription = source->FDescription;
  FName = source->FName;
  SetFileName(source->GetFileName());
  SetCompressedFileName(source->GetCompressedFileName());
  TMemoryStream* from = source->FStoredSkin->GetCompressedStream();
  from->SetPosition(0);
  FStoredSkin->ReadCompressedData(from);
}

void TspSkinListItem::PublishProperties(TPropList& Props) const {
  TCollectionItem::PublishProperties(Props);
  Props.String("Description", &TspSkinListItem::GetDescription, &TspSkinListItem::SetDescription);
  Props.String("FileName", &TspSkinListItem::GetFileName, &TspSkinListItem::SetFileName);
  Props.String("CompressedFileName", &TspSkinListItem::GetCompressedFileName,
               &TspSkinListItem::SetCompressedFileName);
  Props.String("Name", &TspSkinListItem::GetName, &TspSkinListItem::SetName);
}

TspSkinListItems::TspSkinListItems(TPersistent* AOwner)
    : TOwnedCollection(AOwner, CollectionItemOf<TspSkinListItem>) {}

TspCompressedSkinList::TspCompressedSkinList(TComponent* AOwner)
    : TComponent(AOwner), FSkins(new TspSkinListItems(this)) {
  FSkins->SetPropName("Skins");
}

TspCompressedSkinList::~TspCompressedSkinList() = default;

void TspCompressedSkinList::PublishProperties(TPropList& Props) const {
  TComponent::PublishProperties(Props);
  Props.Object("Skins", &TspCompressedSkinList::GetSkins);
}
