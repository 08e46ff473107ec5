// Stored skins: the ".skn" container, the image block inside the compressed data, building
// a stored skin from a skin folder, and skin lists. The skin files come from an
// independent writer (make_skin_fixtures.py), damaged ones included.
#include <gtest/gtest.h>

#include <fstream>
#include <memory>
#include <vector>

#include "framework/TypInfo.h"
#include "framework/ZLib.h"
#include "skin/data/SkinSections.h"
#include "skin/data/SkinStore.h"
#include "tests/framework/TestFolder.h"
#include "tests/skin/data/SkinTestSupport.h"

namespace {

// A component made without an owner, freed at the end of the scope.
template <class T>
struct TOwned {
  T* Object = new T(nullptr);
  ~TOwned() { Object->Free(); }
  T* operator->() const { return Object; }
  T* get() const { return Object; }
};

std::vector<uint8_t> BytesOf(TMemoryStream& Stream) {
  const auto* p = static_cast<const uint8_t*>(Stream.GetMemory());
  return std::vector<uint8_t>(p, p + Stream.GetSize());
}

void PutInt32(TStream& Stream, int32_t Value) {
  const uint32_t v = static_cast<uint32_t>(Value);
  const uint8_t bytes[4] = {uint8_t(v), uint8_t(v >> 8), uint8_t(v >> 16), uint8_t(v >> 24)};
  Stream.WriteBuffer(bytes, 4);
}

// The fixture files with what the writer expects of each.
std::vector<std::pair<AnsiString, AnsiString>> FixtureOutcomes() {
  std::vector<std::pair<AnsiString, AnsiString>> outcomes;
  std::ifstream in(SkinFixture("skins.txt").c_str());
  std::string name, outcome;
  while (in >> name >> outcome) outcomes.push_back({name, outcome});
  return outcomes;
}

TDibImage BmpOf(int Width, int Height, uint8_t Shade) {
  TDibImage image;
  image.Width = Width;
  image.Height = Height;
  image.BitCount = 24;
  image.Bits.assign(TDibImage::RowBytes(Width, 24) * size_t(Height), Shade);
  return image;
}

void WriteBmp(const AnsiString& FileName, const TDibImage& Image) {
  std::vector<uint8_t> bytes = WriteBmpFile(Image);
  WriteWholeFile(FileName, AnsiString(bytes.begin(), bytes.end()));
}

}  // namespace

TEST(StoredSkin, ContainerSavedAndReadBackHoldsTheSameBytesFromTheStreamsStart) {
  TOwned<TspCompressedStoredSkin> skin;
  EXPECT_TRUE(skin->IsEmpty());
  skin->LoadFromCompressedFile(SkinFixture("sample.skn"));
  ASSERT_FALSE(skin->IsEmpty());
  TMemoryStream container;
  container.WriteBuffer("junk", 4);  // the container is written at the stream's position
  TMemoryStream saved;
  skin->SaveToCompressedStream(&saved);
  const std::vector<uint8_t> bytes = BytesOf(saved);
  ASSERT_GE(bytes.size(), 8u);
  EXPECT_EQ(2, bytes[0]);  // version 2
  EXPECT_EQ(skin->GetCompressedStream()->GetSize(),
            int64_t(bytes[4] | bytes[5] << 8 | bytes[6] << 16 | uint32_t(bytes[7]) << 24));
  // The file as the independent writer made it is what is written again.
  EXPECT_EQ(AnsiString(bytes.begin(), bytes.end()), ReadWholeFile(SkinFixture("sample.skn")));

  TOwned<TspCompressedStoredSkin> again;
  saved.SetPosition(saved.GetSize());  // read from the start wherever the stream stands
  again->LoadFromCompressedStream(&saved);
  EXPECT_EQ(BytesOf(*skin->GetCompressedStream()), BytesOf(*again->GetCompressedStream()));
}

TEST(StoredSkin, ContainerHeadersThatHoldNothingOrLieAreRefused) {
  TMemoryStream valid;
  {
    TOwned<TspCompressedStoredSkin> skin;
    skin->LoadFromCompressedFile(SkinFixture("sample.skn"));
    skin->WriteCompressedData(&valid);
  }
  struct Case {
    const char* what;
    int32_t version;
    int64_t length;  // the N written; the valid block follows
    bool raises;
  };
  const Case cases[] = {{"version 3 is read", 3, -2, false},
                        {"version 4 holds nothing", 4, -2, false},
                        {"N = 0 holds nothing", 2, 0, false},
                        {"negative N", 2, -1, true},
                        {"N past the end", 2, valid.GetSize() + 1, true},
                        {"N of two gigabytes", 2, 0x7FFFFFFF, true}};
  for (const Case& c : cases) {
    TMemoryStream stream;
    PutInt32(stream, c.version);
    PutInt32(stream, static_cast<int32_t>(c.length == -2 ? valid.GetSize() : c.length));
    stream.WriteBuffer(valid.GetMemory(), valid.GetSize());
    TOwned<TspCompressedStoredSkin> skin;
    skin->ReadCompressedData(&valid);  // something held before: a load always empties first
    valid.SetPosition(0);
    if (c.raises) {
      EXPECT_THROW(skin->LoadFromCompressedStream(&stream), ESkinDataError) << c.what;
      EXPECT_TRUE(skin->IsEmpty()) << c.what;
    } else {
      skin->LoadFromCompressedStream(&stream);
      EXPECT_EQ(c.version <= 3 && c.length != 0, !skin->IsEmpty()) << c.what;
    }
  }
  TMemoryStream shortHeader;
  PutInt32(shortHeader, 2);
  TOwned<TspCompressedStoredSkin> skin;
  EXPECT_THROW(skin->LoadFromCompressedStream(&shortHeader), EReadError);
  EXPECT_THROW(skin->LoadFromCompressedFile(SkinFixture("no such file.skn")), EFOpenError);
}

// Every file of the independent writer ends as it expects: loaded, nothing to load, or
// refused with an error that says what is wrong.
TEST(StoredSkin, EveryWrittenFileLoadsOrIsRefusedWithAReason) {
  const auto outcomes = FixtureOutcomes();
  ASSERT_GE(outcomes.size(), 20u);
  for (const auto& [name, outcome] : outcomes) {
    SCOPED_TRACE(name);
    AnsiString error;
    bool empty = false;
    try {
      TOwned<TspCompressedStoredSkin> skin;
      skin->LoadFromCompressedFile(SkinFixture(name + ".skn"));
      empty = skin->IsEmpty();
      if (!empty) {
        TspSkinImageBlock block;
        TspSkinContent content;
        ReadStoredSkin(skin.get(), block, content);
      }
    } catch (const Exception& e) {
      error = e.Message;
    }
    if (outcome == "loads") {
      EXPECT_EQ("", error);
      EXPECT_FALSE(empty);
    } else if (outcome == "empty") {
      EXPECT_EQ("", error);
      EXPECT_TRUE(empty);
    } else {
      EXPECT_NE("", error);
    }
  }
}

TEST(StoredSkin, TheSampleSkinsPicturesAndTextAreRead) {
  TOwned<TspCompressedStoredSkin> skin;
  skin->LoadFromCompressedFile(SkinFixture("sample.skn"));
  TspSkinImageBlock block;
  TspSkinContent content;
  ReadStoredSkin(skin.get(), block, content);
  EXPECT_EQ(2, block.Version);
  ASSERT_EQ(8, block.Picture.Width);
  EXPECT_EQ(6, block.Picture.Height);
  EXPECT_EQ(24, block.Picture.BitCount);
  // Pixel (x, y) from the top is (x * 30, y * 40, 200); rows are bottom-up, blue first.
  const size_t row = TDibImage::RowBytes(8, 24);
  const uint8_t* topLeftOfRow1 = block.Picture.Bits.data() + row * (6 - 1 - 1);
  EXPECT_EQ(200, topLeftOfRow1[0 * 3 + 0]);
  EXPECT_EQ(40, topLeftOfRow1[3 * 3 + 1]);
  EXPECT_EQ(90, topLeftOfRow1[3 * 3 + 2]);
  EXPECT_EQ(8, block.InactivePicture.Width);
  EXPECT_EQ(0, block.Mask.Width);
  EXPECT_EQ(8, block.RollUpPicture.Width);
  EXPECT_EQ(2, block.RollUpPicture.Height);
  EXPECT_EQ(0, block.RollUpMask.Width);
  ASSERT_EQ(2u, block.ActivePictures.size());
  EXPECT_EQ(4, block.ActivePictures[0].Width);
  EXPECT_EQ(8, block.ActivePictures[1].BitCount);
  EXPECT_EQ(3, block.ActivePictures[1].PaletteCount());

  EXPECT_EQ("Sample", content.SkinName);
  EXPECT_EQ("a.bmp\r\nb.bmp\r\n", content.ActivePictureNames->GetText());
  EXPECT_EQ(TPoint(5, 20), content.LeftTopPoint);
  EXPECT_EQ(3, content.AreaRecords.GetCount());
  EXPECT_EQ(4, content.ObjectRecords.GetCount());
  EXPECT_EQ(5, content.ControlRecords.GetCount());
  auto* close = dynamic_cast<TspDataSkinStdButton*>(
      content.ObjectRecords[content.GetObjectIndex("closebutton")]);
  ASSERT_TRUE(close);
  EXPECT_EQ(mkPush, close->MorphKind);
  auto* caption = dynamic_cast<TspDataSkinCaption*>(content.ObjectRecords[1]);
  ASSERT_TRUE(caption);
  EXPECT_EQ("Verdana", caption->FontName);
  EXPECT_EQ(taLeftJustify, caption->Alignment);
  auto* button = dynamic_cast<TspDataSkinButtonControl*>(content.ControlRecords[0]);
  ASSERT_TRUE(button);
  EXPECT_EQ((TFontStyles{fsBold, fsUnderline}), button->FontStyle);
  EXPECT_EQ(mkDefault, button->MorphKind);  // "MkPush" is not a word
  EXPECT_EQ(-1, content.GetControlIndex("capital"));
}

TEST(StoredSkin, ImageVersionsCarryTheirOwnPictureSlots) {
  struct Case {
    const char* file;
    int version;
    bool inactive, rollUp;
  };
  for (const Case& c :
       {Case{"sample_v0.skn", 0, false, false}, Case{"sample_v1.skn", 1, false, true},
        Case{"sample.skn", 2, true, true}, Case{"sample_v3.skn", 3, true, false}}) {
    TOwned<TspCompressedStoredSkin> skin;
    skin->LoadFromCompressedFile(SkinFixture(c.file));
    TspSkinImageBlock block;
    TspSkinContent content;
    ReadStoredSkin(skin.get(), block, content);
    EXPECT_EQ(c.version, block.Version) << c.file;
    EXPECT_EQ(8, block.Picture.Width) << c.file;
    EXPECT_EQ(c.inactive ? 8 : 0, block.InactivePicture.Width) << c.file;
    EXPECT_EQ(c.rollUp ? 8 : 0, block.RollUpPicture.Width) << c.file;
    EXPECT_EQ(2u, block.ActivePictures.size()) << c.file;
    EXPECT_EQ("Sample", content.SkinName) << c.file;  // the text follows the pictures exactly
  }
}

TEST(StoredSkin, ImageBlocksThatLieAboutTheirPicturesAreRefusedBeforeAnythingIsMade) {
  const std::vector<uint8_t> bmp = WriteBmpFile(BmpOf(3, 2, 0x40));
  auto block = [&](int32_t version, std::vector<uint8_t> picture, int32_t count,
                   std::vector<uint8_t> tail) {
    std::vector<uint8_t> out;
    for (int i = 0; i < 4; ++i) out.push_back(uint8_t(uint32_t(version) >> (8 * i)));
    out.push_back(picture.empty() ? 1 : 0);
    out.insert(out.end(), picture.begin(), picture.end());
    const int flags = version == 2 ? 4 : version == 3 ? 2 : version == 1 ? 3 : 1;
    out.insert(out.end(), size_t(flags), 1);
    for (int i = 0; i < 4; ++i) out.push_back(uint8_t(uint32_t(count) >> (8 * i)));
    out.insert(out.end(), tail.begin(), tail.end());
    return out;
  };
  std::vector<uint8_t> longSize = bmp;
  longSize[2] = 0xFF, longSize[3] = 0xFF, longSize[4] = 0xFF;
  std::vector<uint8_t> huge = bmp;
  huge[18] = 0x40, huge[19] = 0x9C, huge[22] = 0x40, huge[23] = 0x9C;  // 40000 x 40000
  struct Case {
    const char* what;
    std::vector<uint8_t> data;
  };
  const Case cases[] = {
      {"version 4", block(4, bmp, 0, {})},
      {"a count past the bytes left", block(2, bmp, 2, bmp)},
      {"a negative count", block(2, bmp, -1, {})},
      {"a picture longer than the block", block(2, longSize, 0, {})},
      {"a picture of 40000 x 40000 pixels", block(2, huge, 0, {})},
      {"an active picture cut short",
       block(2, {}, 1, std::vector<uint8_t>(bmp.begin(), bmp.end() - 1))},
      {"nothing at all", {}},
      {"a version and no more", {2, 0, 0, 0}},
  };
  for (const Case& c : cases) {
    TspSkinImageBlock result;
    result.Version = 77;
    try {
      ReadSkinImageBlock(c.data.data(), c.data.size(), result);
      ADD_FAILURE() << c.what << " was read";
    } catch (const Exception& e) {
      EXPECT_NE("", e.Message) << c.what;
    }
    EXPECT_EQ(77, result.Version) << c.what;  // nothing filled
  }
  TspSkinImageBlock ok;
  const std::vector<uint8_t> good = block(2, bmp, 1, bmp);
  ReadSkinImageBlock(good.data(), good.size(), ok);
  EXPECT_EQ(1u, ok.ActivePictures.size());
  EXPECT_EQ("", ok.IniText);
}

TEST(StoredSkin, ASkinFolderIsPackedIntoTheBlockTheLoaderReads) {
  TTestFolder folder;
  WriteBmp(folder.File("frame.bmp"), BmpOf(10, 8, 0x11));
  WriteBmp(folder.File("mask.bmp"), BmpOf(10, 8, 0x00));
  WriteBmp(folder.File("a.bmp"), BmpOf(2, 2, 0x22));
  WriteBmp(folder.File("b.bmp"), BmpOf(3, 1, 0x33));
  const char* text =
      "[VERSION]\r\nskinname=Packed\r\n[PICTURES]\r\npicture=frame.bmp\r\nmask=mask.bmp\r\n"
      "activepicturescount=2\r\n0=a.bmp\r\n1=b.bmp\r\n[FORMINFO]\r\nclientrect=1,1,9,7\r\n"
      "[SKINOBJECTS]\r\ncount=0\r\n[SKINCONTROLS]\r\ncount=1\r\n0=b:button\r\n";
  WriteWholeFile(folder.File("skin.ini"), text);
  TOwned<TspCompressedStoredSkin> skin;
  ASSERT_TRUE(skin->CompressFromIni(folder.File("skin.ini")));

  TMemoryStream inflated;
  skin->DecompressToStream(&inflated);
  const std::vector<uint8_t> bytes = BytesOf(inflated);
  ASSERT_GT(bytes.size(), 9u);
  EXPECT_EQ(2, bytes[0]);  // image version 2
  EXPECT_EQ(0, bytes[4]);  // a picture follows
  TspSkinImageBlock block;
  TspSkinContent content;
  ReadStoredSkin(skin.get(), block, content);
  EXPECT_EQ(10, block.Picture.Width);
  EXPECT_EQ(0x11, block.Picture.Bits[0]);
  EXPECT_EQ(0, block.InactivePicture.Width);  // no "inactivepicture": the flag 1
  EXPECT_EQ(10, block.Mask.Width);
  EXPECT_EQ(0, block.RollUpPicture.Width);
  ASSERT_EQ(2u, block.ActivePictures.size());
  EXPECT_EQ(0x33, block.ActivePictures[1].Bits[0]);
  EXPECT_EQ(AnsiString(text), block.IniText);  // the lines, each ending in CR LF
  EXPECT_EQ("Packed", content.SkinName);
  EXPECT_EQ(1, content.ControlRecords.GetCount());

  // Building again from a folder that cannot be built keeps what is held.
  const std::vector<uint8_t> before = BytesOf(*skin->GetCompressedStream());
  WriteWholeFile(folder.File("partial.ini"), "[VERSION]\r\nskinname=x\r\n[PICTURES]\r\n0=a\r\n");
  EXPECT_FALSE(skin->CompressFromIni(folder.File("partial.ini")));
  WriteWholeFile(folder.File("missing.ini"),
                 AnsiString(text).replace(AnsiString(text).find("b.bmp"), 5, "c.bmp"));
  EXPECT_THROW(skin->CompressFromIni(folder.File("missing.ini")), EFOpenError);
  WriteWholeFile(folder.File("c.bmp"), "not a bitmap at all");
  EXPECT_THROW(skin->CompressFromIni(folder.File("missing.ini")), EInvalidGraphic);
  EXPECT_EQ(before, BytesOf(*skin->GetCompressedStream()));
}

TEST(StoredSkin, CompressedDataAndSkinListItems) {
  TOwned<TspCompressedStoredSkin> skin;
  skin->LoadFromCompressedFile(SkinFixture("sample.skn"));
  TMemoryStream data;
  skin->WriteCompressedData(&data);
  EXPECT_EQ(skin->GetCompressedStream()->GetSize(), data.GetSize());
  data.SetPosition(0);
  TOwned<TspCompressedStoredSkin> copy;
  copy->ReadCompressedData(&data);
  EXPECT_EQ(BytesOf(*skin->GetCompressedStream()), BytesOf(*copy->GetCompressedStream()));
  TMemoryStream none;
  TOwned<TspCompressedStoredSkin>().Object->WriteCompressedData(&none);
  EXPECT_EQ(0, none.GetSize());

  TOwned<TspCompressedSkinList> list;
  for (int i = 0; i < 3; ++i) list->GetSkins()->Add();
  EXPECT_EQ("spSkin2", list->GetSkins()->GetItem(2)->GetName());
  EXPECT_EQ("spSkin0", list->GetSkins()->GetItem(0)->GetDisplayName());
  TspSkinListItem* item = list->GetSkins()->GetItem(1);
  TMemoryStream container;
  skin->SaveToCompressedStream(&container);
  item->ReadSkin(&container);
  item->SetDescription("blue");
  item->SetFileName("blue.ini");
  EXPECT_EQ("blue.ini", item->GetStoredSkin()->GetFileName());
  TMemoryStream written;
  item->WriteSkin(&written);
  EXPECT_EQ(BytesOf(container), BytesOf(written));

  TOwned<TspCompressedSkinList> other;
  other->SetSkins(list->GetSkins());
  ASSERT_EQ(3, other->GetSkins()->GetCount());
  EXPECT_EQ("blue", other->GetSkins()->GetItem(1)->GetDescription());
  EXPECT_EQ(BytesOf(*item->GetStoredSkin()->GetCompressedStream()),
            BytesOf(*other->GetSkins()->GetItem(1)->GetStoredSkin()->GetCompressedStream()));
  EXPECT_EQ("blue", GetStrProp(other->GetSkins()->GetItem(1), "Description"));
  SetStrProp(skin.get(), "CompressedFileName", "x.skn");
  EXPECT_EQ("x.skn", skin->GetCompressedFileName());
}
