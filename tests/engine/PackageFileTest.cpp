#include "engine/base/PackageFile.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <zlib.h>

#include <algorithm>
#include <cstring>
#include <functional>
#include <ostream>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<uint8_t>;
using ::testing::ElementsAre;
using ::testing::ElementsAreArray;

constexpr uint32_t kFcec = MakePackageTag("FCEC");

void PutU32(Bytes& out, uint32_t value) {
  for (int shift = 0; shift < 32; shift += 8) out.push_back(static_cast<uint8_t>(value >> shift));
}

void PutText(Bytes& out, const char* text) {
  out.insert(out.end(), text, text + std::strlen(text));
}

void Append(Bytes& out, const Bytes& more) { out.insert(out.end(), more.begin(), more.end()); }

uint32_t U32At(const Bytes& bytes, size_t at) {
  return bytes[at] | bytes[at + 1] << 8 | bytes[at + 2] << 16 |
         static_cast<uint32_t>(bytes[at + 3]) << 24;
}

void SetU32At(Bytes& bytes, size_t at, uint32_t value) {
  for (int i = 0; i < 4; ++i) bytes[at + i] = static_cast<uint8_t>(value >> (8 * i));
}

// One 16-byte index record.
Bytes Record(uint32_t id, uint16_t type, uint32_t value, uint32_t length, uint16_t subKey = 0) {
  Bytes out;
  PutU32(out, id);
  out.push_back(static_cast<uint8_t>(type));
  out.push_back(static_cast<uint8_t>(type >> 8));
  out.push_back(static_cast<uint8_t>(subKey));
  out.push_back(static_cast<uint8_t>(subKey >> 8));
  PutU32(out, value);
  PutU32(out, length);
  return out;
}

Bytes Text(const char* text) {
  Bytes out;
  PutText(out, text);
  return out;
}

// A compressed block as packages store it: the u32 size, then the zlib stream.
Bytes Compressed(const Bytes& source) {
  uLongf size = compressBound(static_cast<uLong>(source.size()));
  Bytes stream(size);
  const Bytef empty = 0;
  EXPECT_EQ(compress(stream.data(), &size, source.empty() ? &empty : source.data(),
                     static_cast<uLong>(source.size())),
            Z_OK);
  stream.resize(size);
  Bytes out;
  PutU32(out, static_cast<uint32_t>(source.size()));
  Append(out, stream);
  return out;
}

// A package block assembled by hand from its index and data blocks as stored.
Bytes Assemble(const Bytes& indexBlock, const Bytes& dataBlock, uint32_t flags, uint32_t tag) {
  Bytes out;
  PutText(out, "SPPK");
  Append(out, indexBlock);
  Append(out, dataBlock);
  const uint32_t indexSize = static_cast<uint32_t>(indexBlock.size());
  const uint32_t dataSize = static_cast<uint32_t>(dataBlock.size());
  for (uint32_t field :
       {4u, indexSize, 4 + indexSize, dataSize, 4 + indexSize + dataSize + 32, flags, tag}) {
    PutU32(out, field);
  }
  PutText(out, "SPPK");
  return out;
}

Bytes Serialized(const CPackageFile& package) {
  Bytes out;
  EXPECT_EQ(package.Serialize(out), S_OK);
  return out;
}

HRESULT Load(CPackageFile& package, const Bytes& bytes) {
  return package.LoadFromMemory(bytes.data(), bytes.size());
}

TEST(PackageFile, MakesTagFromLittleEndianCharacters) {
  EXPECT_EQ(MakePackageTag("FCEC"), 0x43454346u);
  EXPECT_EQ(CPackageFile::kMagic, 0x4B505053u);
}

TEST(PackageFile, EmptyPackageSerializesToMagicAndTrailer) {
  const Bytes bytes = Serialized(CPackageFile(kFcec, 0));
  EXPECT_THAT(bytes, ElementsAre('S', 'P', 'P', 'K',                   //
                                 4, 0, 0, 0, 0, 0, 0, 0, 4, 0, 0, 0,   //
                                 0, 0, 0, 0, 36, 0, 0, 0, 0, 0, 0, 0,  //
                                 0x46, 0x43, 0x45, 0x43, 'S', 'P', 'P', 'K'));
}

TEST(PackageFile, IntegerItemSerializesToOneIndexRecord) {
  CPackageFile package(kFcec, 0);
  package.SetInt(4, 0x1000000);
  const Bytes bytes = Serialized(package);
  ASSERT_EQ(bytes.size(), 52u);
  EXPECT_THAT(Bytes(bytes.begin() + 4, bytes.begin() + 20),
              ElementsAre(4, 0, 0, 0, 1, 0, 0, 0, 0, 0, 0, 1, 0, 0, 0, 0));
  EXPECT_EQ(bytes, Assemble(Record(4, 1, 0x1000000, 0), {}, 0, kFcec));
}

TEST(PackageFile, TextItemIsStoredWithoutTerminatingZero) {
  CPackageFile package(kFcec, 0);
  package.SetText(1, "Misc");
  const Bytes bytes = Serialized(package);
  EXPECT_EQ(bytes, Assemble(Record(1, 2, 0, 4), Text("Misc"), 0, kFcec));

  CPackageFile reader(kFcec, 0);
  ASSERT_EQ(Load(reader, bytes), S_OK);
  EXPECT_EQ(reader.GetText(1, "none"), "Misc");
}

TEST(PackageFile, DataItemsGetConsecutiveOffsetsInItemOrder) {
  CPackageFile package(kFcec, 0);
  package.SetText(1, "ab");
  package.SetInt(2, -1);
  const uint8_t bytes[] = {9, 8, 7};
  package.SetBytes(3, bytes, sizeof(bytes), 5);
  Bytes index = Record(1, 2, 0, 2);
  Append(index, Record(2, 1, 0xFFFFFFFF, 0));
  Append(index, Record(3, 3, 2, 3, 5));
  EXPECT_EQ(Serialized(package), Assemble(index, {'a', 'b', 9, 8, 7}, 0, kFcec));
}

TEST(PackageFile, SettingAKeyAgainReplacesTheItemInItsPlace) {
  CPackageFile package(kFcec, 0);
  package.SetInt(4, 1);
  package.SetText(5, "five");
  package.SetInt(4, 2);
  ASSERT_EQ(package.GetItems().size(), 2u);
  EXPECT_EQ(package.GetItems()[0].id, 4u);
  EXPECT_EQ(package.GetInt(4, 0), 2);

  package.SetText(4, "four");  // another type replaces the integer, still in first place
  ASSERT_EQ(package.GetItems().size(), 2u);
  EXPECT_EQ(package.GetItems()[0].type, CPackageFile::kTypeText);
  EXPECT_EQ(package.GetInt(4, -7), -7);
  EXPECT_EQ(package.GetText(4, ""), "four");

  package.SetInt(5, 3);  // and an integer drops the old text
  EXPECT_TRUE(package.GetItems()[1].data.empty());
}

TEST(PackageFile, SubKeyIsPartOfTheKey) {
  CPackageFile package(kFcec, 0);
  package.SetInt(4, 10);
  package.SetInt(4, 11, 1);
  ASSERT_EQ(package.GetItems().size(), 2u);
  EXPECT_EQ(package.GetInt(4, 0), 10);
  EXPECT_EQ(package.GetInt(4, 0, 1), 11);
  EXPECT_EQ(package.Find(4, 1), &package.GetItems()[1]);
  EXPECT_EQ(package.Find(4, 2), nullptr);
}

TEST(PackageFile, BoolIsStoredAsZeroOrOne) {
  CPackageFile package(kFcec, 0);
  package.SetBool(1, -1);
  package.SetBool(2, FALSE);
  EXPECT_EQ(package.GetInt(1, 5), 1);
  EXPECT_EQ(package.GetInt(2, 5), 0);
  EXPECT_EQ(package.GetBool(1, FALSE), TRUE);
  EXPECT_EQ(package.GetBool(2, TRUE), FALSE);
  EXPECT_EQ(package.GetBool(3, -1), TRUE);  // missing: the default, made 0 or 1
}

TEST(PackageFile, GettersGiveTheDefaultForMissingOrMismatchedItems) {
  CPackageFile package(kFcec, 0);
  package.SetInt(1, 42);
  package.SetText(2, "text");
  package.SetBytes(3, "\x01\x00\x02", 3);
  package.SetText(4, std::string("ab\0cd", 5));
  package.SetText(5, "");

  EXPECT_EQ(package.GetInt(2, -3), -3);
  EXPECT_EQ(package.GetInt(3, -3), -3);
  EXPECT_EQ(package.GetInt(9, -3), -3);
  EXPECT_EQ(package.GetBool(2, FALSE), FALSE);
  EXPECT_EQ(package.GetText(1, "d"), "d");
  EXPECT_EQ(package.GetText(3, "d"), "d");
  EXPECT_EQ(package.GetText(4, "d"), "ab");  // up to the first zero byte
  EXPECT_EQ(package.GetText(5, "d"), "d");   // a text without data

  Bytes out{0xEE};
  EXPECT_EQ(package.GetBytes(2, out), 4u);  // a text item's bytes
  EXPECT_EQ(out, Text("text"));
  EXPECT_EQ(package.GetBytes(3, out), 3u);
  EXPECT_THAT(out, ElementsAre(1, 0, 2));
  EXPECT_EQ(package.GetBytes(1, out), 0u);  // an integer has no data
  EXPECT_TRUE(out.empty());
  out = {0xEE};
  EXPECT_EQ(package.GetBytes(9, out), 0u);
  EXPECT_TRUE(out.empty());
}

TEST(PackageFile, RejectsPackagesWithoutItemsByTheirSize) {
  const Bytes empty = Serialized(CPackageFile(kFcec, 0));
  ASSERT_EQ(empty.size(), 36u);
  for (size_t size : {size_t{0}, size_t{1}, size_t{35}, size_t{36}}) {
    SCOPED_TRACE(size);
    CPackageFile reader(kFcec, 0);
    reader.SetInt(1, 1);
    Bytes bytes(empty.end() - static_cast<ptrdiff_t>(size), empty.end());
    EXPECT_EQ(Load(reader, bytes), E_FAIL);
    EXPECT_TRUE(reader.GetItems().empty());
  }
  CPackageFile reader(kFcec, 0);
  EXPECT_EQ(reader.LoadFromMemory(nullptr, 100), E_FAIL);
}

TEST(PackageFile, ReadsAPackageAtTheEndOfOtherBytes) {
  CPackageFile package(kFcec, 0);
  package.SetInt(4, 0x1000000);
  package.SetText(1, "Misc");
  Bytes bytes(1000, 0x5A);
  Append(bytes, Serialized(package));

  CPackageFile reader(kFcec, 0);
  ASSERT_EQ(Load(reader, bytes), S_OK);
  ASSERT_EQ(reader.GetItems().size(), 2u);
  EXPECT_EQ(reader.GetInt(4, 0), 0x1000000);
  EXPECT_EQ(reader.GetText(1, ""), "Misc");
}

TEST(PackageFile, ReaderWithAnyTagAcceptsAndTakesOverTheTag) {
  CPackageFile package(MakePackageTag("ABCD"), 0);
  package.SetInt(1, 1);
  CPackageFile reader(CPackageFile::kAnyTag, 0);
  ASSERT_EQ(Load(reader, Serialized(package)), S_OK);
  EXPECT_EQ(reader.GetTag(), MakePackageTag("ABCD"));
  EXPECT_EQ(reader.GetInt(1, 0), 1);
}

TEST(PackageFile, RejectsAForeignTagAndEmptiesThePackage) {
  CPackageFile package(MakePackageTag("ABCD"), 0);
  package.SetInt(1, 1);
  CPackageFile reader(kFcec, 0);
  reader.SetInt(2, 2);
  EXPECT_EQ(Load(reader, Serialized(package)), E_FAIL);
  EXPECT_TRUE(reader.GetItems().empty());
  EXPECT_EQ(reader.GetTag(), kFcec);
}

TEST(PackageFile, LoadingReplacesEarlierItems) {
  CPackageFile package(kFcec, 0);
  package.SetInt(1, 1);
  CPackageFile reader(kFcec, 0);
  reader.SetInt(2, 2);
  ASSERT_EQ(Load(reader, Serialized(package)), S_OK);
  ASSERT_EQ(reader.GetItems().size(), 1u);
  EXPECT_EQ(reader.GetItems()[0].id, 1u);
}

TEST(PackageFile, ReadsRecordsAtTheirStatedDataOffsets) {
  // The data of the second item comes first in the data block.
  Bytes index = Record(1, 2, 3, 2);
  Append(index, Record(2, 3, 0, 3));
  const Bytes bytes = Assemble(index, {7, 8, 9, 'h', 'i'}, 0, kFcec);

  CPackageFile reader(kFcec, 0);
  ASSERT_EQ(Load(reader, bytes), S_OK);
  EXPECT_EQ(reader.GetText(1, ""), "hi");
  EXPECT_EQ(reader.GetItems()[0].value, 3u);  // after reading: the data offset
  Bytes out;
  EXPECT_EQ(reader.GetBytes(2, out), 3u);
  EXPECT_THAT(out, ElementsAre(7, 8, 9));

  Bytes renumbered = Record(1, 2, 0, 2);
  Append(renumbered, Record(2, 3, 2, 3));
  EXPECT_EQ(Serialized(reader), Assemble(renumbered, {'h', 'i', 7, 8, 9}, 0, kFcec));
}

TEST(PackageFile, CompressedPackageHoldsBothBlocksAsSizeAndZlibStream) {
  CPackageFile package(kFcec, 3);
  package.SetInt(4, 0x1000000);
  package.SetText(1, "Misc");
  Bytes index = Record(4, 1, 0x1000000, 0);
  Append(index, Record(1, 2, 0, 4));
  EXPECT_EQ(Serialized(package), Assemble(Compressed(index), Compressed(Text("Misc")), 3, kFcec));
}

struct FlagsCase {
  uint32_t flags;
  bool indexCompressed;
  bool dataCompressed;
};

void PrintTo(const FlagsCase& flags, std::ostream* out) { *out << "flags " << flags.flags; }

class PackageFileFlags : public ::testing::TestWithParam<FlagsCase> {};

TEST_P(PackageFileFlags, RoundTripsEveryKindOfItem) {
  const FlagsCase& param = GetParam();
  CPackageFile package(kFcec, param.flags);
  Bytes big(5000);
  for (size_t i = 0; i < big.size(); ++i) big[i] = static_cast<uint8_t>(i * 7 % 251);
  package.SetInt(1, -5);
  package.SetText(2, "Misc");
  package.SetBytes(3, big.data(), big.size(), 9);
  package.SetBool(4, TRUE);
  package.SetText(5, "");
  const Bytes bytes = Serialized(package);

  // The trailer's flags are the package's; each block is compressed as its bit says.
  const size_t trailer = bytes.size() - 32;
  EXPECT_EQ(U32At(bytes, trailer + 20), param.flags);
  const uint32_t indexSize = U32At(bytes, trailer + 4);
  const uint32_t dataOffset = U32At(bytes, trailer + 8);
  if (param.indexCompressed) {
    EXPECT_EQ(U32At(bytes, 4), 5u * 16);
  } else {
    EXPECT_EQ(indexSize, 5u * 16);
  }
  if (param.dataCompressed) {
    EXPECT_EQ(U32At(bytes, dataOffset), 4u + big.size());
    EXPECT_LT(U32At(bytes, trailer + 12), big.size());
  } else {
    EXPECT_EQ(U32At(bytes, trailer + 12), 4u + big.size());
  }

  CPackageFile reader(CPackageFile::kAnyTag, 0);
  ASSERT_EQ(Load(reader, bytes), S_OK);
  ASSERT_EQ(reader.GetItems().size(), 5u);
  EXPECT_EQ(reader.GetInt(1, 0), -5);
  EXPECT_EQ(reader.GetText(2, ""), "Misc");
  Bytes out;
  EXPECT_EQ(reader.GetBytes(3, out, 9), big.size());
  EXPECT_EQ(out, big);
  EXPECT_EQ(reader.GetBool(4, FALSE), TRUE);
  EXPECT_EQ(reader.GetText(5, "default"), "default");
  EXPECT_EQ(reader.GetTag(), kFcec);
  EXPECT_EQ(reader.GetPath(), "");
}

INSTANTIATE_TEST_SUITE_P(PackageFile, PackageFileFlags,
                         ::testing::Values(FlagsCase{0, false, false}, FlagsCase{1, true, false},
                                           FlagsCase{2, false, true}, FlagsCase{3, true, true},
                                           FlagsCase{4, false, false}));

TEST(PackageFile, CompressedPackageWithoutItemsIsRead) {
  const Bytes bytes = Serialized(CPackageFile(kFcec, 3));
  ASSERT_GT(bytes.size(), 36u);
  CPackageFile reader(kFcec, 0);
  reader.SetInt(1, 1);
  EXPECT_EQ(Load(reader, bytes), S_OK);
  EXPECT_TRUE(reader.GetItems().empty());
}

Bytes PayloadOfLength(size_t length) {
  Bytes out(length);
  for (size_t i = 0; i < length; ++i) out[i] = static_cast<uint8_t>('a' + i % 3);
  return out;
}

TEST(PackageFile, InflatesIndividuallyCompressedItemsAndWritesThemPlain) {
  const Bytes payload = PayloadOfLength(3000);
  const Bytes stored = Compressed(payload);
  Bytes index = Record(7, 0x1003, 0, static_cast<uint32_t>(stored.size()));
  Append(index, Record(8, 2, static_cast<uint32_t>(stored.size()), 2));
  Bytes data = stored;
  Append(data, Text("ok"));

  CPackageFile reader(kFcec, 0);
  ASSERT_EQ(Load(reader, Assemble(index, data, 0, kFcec)), S_OK);
  ASSERT_NE(reader.Find(7), nullptr);
  EXPECT_EQ(reader.Find(7)->type, 0x1003);
  Bytes out;
  EXPECT_EQ(reader.GetBytes(7, out), payload.size());
  EXPECT_EQ(out, payload);
  EXPECT_EQ(reader.GetText(8, ""), "ok");

  // Written again, the inflated data is stored plain, so it is marked plain too.
  CPackageFile again(kFcec, 0);
  ASSERT_EQ(Load(again, Serialized(reader)), S_OK);
  EXPECT_EQ(again.Find(7)->type, 3);
  EXPECT_EQ(again.GetBytes(7, out), payload.size());
  EXPECT_EQ(out, payload);
}

TEST(PackageFile, LoadsFromBytesHeldByItsOwnItem) {
  CPackageFile inner(kFcec, 0);
  inner.SetText(1, "inner");
  const Bytes innerBytes = Serialized(inner);

  CPackageFile package(kFcec, 0);
  package.SetBytes(9, innerBytes.data(), innerBytes.size());
  const Bytes& held = package.Find(9)->data;
  ASSERT_EQ(package.LoadFromMemory(held.data(), held.size()), S_OK);
  EXPECT_EQ(package.GetText(1, ""), "inner");

  package.SetBytes(2, package.Find(1)->data.data(), 3);      // from another of its items
  package.SetBytes(1, package.Find(1)->data.data() + 1, 2);  // and from the item itself
  Bytes out;
  package.GetBytes(2, out);
  EXPECT_EQ(out, Text("inn"));
  package.GetBytes(1, out);
  EXPECT_EQ(out, Text("nn"));
}

// Damaged, truncated and lying packages. Each is made from a sound package by one change.
struct DamageCase {
  const char* name;
  std::function<Bytes()> make;
};

constexpr size_t kTrailerIndexOffset = 0;
constexpr size_t kTrailerIndexSize = 4;
constexpr size_t kTrailerDataOffset = 8;
constexpr size_t kTrailerDataSize = 12;
constexpr size_t kTrailerTotal = 16;

// A sound plain package: an integer, a text "Misc" and 3 bytes.
Bytes SoundIndex() {
  Bytes index = Record(1, 1, 77, 0);
  Append(index, Record(2, 2, 0, 4));
  Append(index, Record(3, 3, 4, 3));
  return index;
}

Bytes SoundData() { return {'M', 'i', 's', 'c', 1, 2, 3}; }

Bytes SoundPlain() { return Assemble(SoundIndex(), SoundData(), 0, kFcec); }

Bytes WithTrailerField(size_t field, uint32_t value) {
  Bytes bytes = SoundPlain();
  SetU32At(bytes, bytes.size() - 32 + field, value);
  return bytes;
}

Bytes WithRecord(size_t position, const Bytes& record) {
  Bytes index = SoundIndex();
  std::copy(record.begin(), record.end(), index.begin() + static_cast<ptrdiff_t>(16 * position));
  return Assemble(index, SoundData(), 0, kFcec);
}

Bytes WithCompressedIndex(const std::function<void(Bytes&)>& change) {
  Bytes index = Compressed(SoundIndex());
  change(index);
  return Assemble(index, SoundData(), 1, kFcec);
}

Bytes WithCompressedData(const std::function<void(Bytes&)>& change) {
  Bytes data = Compressed(SoundData());
  change(data);
  return Assemble(SoundIndex(), data, 2, kFcec);
}

Bytes WithCompressedItem(const std::function<void(Bytes&)>& change) {
  Bytes stored = Compressed(PayloadOfLength(500));
  change(stored);
  return Assemble(Record(1, 0x1003, 0, static_cast<uint32_t>(stored.size())), stored, 0, kFcec);
}

void FlipStreamByte(Bytes& block) { block[block.size() / 2 + 2] ^= 0x55; }

const DamageCase kDamageCases[] = {
    {"TotalLargerThanTheBlock",
     [] {
       return WithTrailerField(kTrailerTotal, static_cast<uint32_t>(SoundPlain().size() + 1));
     }},
    {"TotalSmallerThanMagicAndTrailer", [] { return WithTrailerField(kTrailerTotal, 35); }},
    {"TotalHuge", [] { return WithTrailerField(kTrailerTotal, 0xFFFFFFFF); }},
    {"IndexOffsetBeyondTheBlock", [] { return WithTrailerField(kTrailerIndexOffset, 200); }},
    {"IndexOverlappingTheTrailer", [] { return WithTrailerField(kTrailerIndexSize, 64); }},
    {"IndexSizeWrappingIn32Bits", [] { return WithTrailerField(kTrailerIndexSize, 0xFFFFFFFC); }},
    {"DataOffsetBeyondTheBlock", [] { return WithTrailerField(kTrailerDataOffset, 0x7FFFFFFF); }},
    {"DataSizeOverflowing", [] { return WithTrailerField(kTrailerDataSize, 0xFFFFFFFD); }},
    {"IndexSizeNotAMultipleOf16", [] { return WithTrailerField(kTrailerIndexSize, 40); }},
    {"RecordDataBeyondTheDataBlock", [] { return WithRecord(2, Record(3, 3, 5, 3)); }},
    {"RecordOffsetBeyondTheDataBlock", [] { return WithRecord(1, Record(2, 2, 100, 1)); }},
    {"RecordLengthWrappingIn32Bits", [] { return WithRecord(2, Record(3, 3, 4, 0xFFFFFFFF)); }},
    {"RecordsSharingMoreBytesThanTheDataBlock", [] { return WithRecord(2, Record(3, 3, 0, 7)); }},
    {"CompressedIndexDamaged", [] { return WithCompressedIndex(FlipStreamByte); }},
    {"CompressedIndexCutShort",
     [] { return WithCompressedIndex([](Bytes& b) { b.resize(b.size() - 3); }); }},
    {"CompressedIndexShorterThanItsSize",
     [] { return WithCompressedIndex([](Bytes& b) { b.resize(3); }); }},
    {"CompressedIndexLargerThanDeclared",
     [] { return WithCompressedIndex([](Bytes& b) { SetU32At(b, 0, 32); }); }},
    {"CompressedIndexSmallerThanDeclared",
     [] { return WithCompressedIndex([](Bytes& b) { SetU32At(b, 0, 64); }); }},
    {"CompressedIndexSizeNotAMultipleOf16",
     [] { return WithCompressedIndex([](Bytes& b) { SetU32At(b, 0, 47); }); }},
    {"CompressedIndexSizeImplausible",
     [] { return WithCompressedIndex([](Bytes& b) { SetU32At(b, 0, 0x7FFFFFF0); }); }},
    {"CompressedDataDamaged", [] { return WithCompressedData(FlipStreamByte); }},
    {"CompressedDataCutShort",
     [] { return WithCompressedData([](Bytes& b) { b.resize(b.size() - 1); }); }},
    {"CompressedDataSizeMismatch",
     [] { return WithCompressedData([](Bytes& b) { SetU32At(b, 0, 8); }); }},
    {"CompressedItemDamaged", [] { return WithCompressedItem(FlipStreamByte); }},
    {"CompressedItemShorterThanItsSize",
     [] { return WithCompressedItem([](Bytes& b) { b.resize(3); }); }},
    {"CompressedItemSizeMismatch",
     [] { return WithCompressedItem([](Bytes& b) { SetU32At(b, 0, 499); }); }},
    {"CompressedItemSizeImplausible",
     [] { return WithCompressedItem([](Bytes& b) { SetU32At(b, 0, 0x10000000); }); }},
};

void PrintTo(const DamageCase& damage, std::ostream* out) { *out << damage.name; }

class PackageFileDamage : public ::testing::TestWithParam<DamageCase> {};

TEST_P(PackageFileDamage, IsRejectedAndLeavesThePackageEmpty) {
  const Bytes bytes = GetParam().make();
  CPackageFile reader(CPackageFile::kAnyTag, 0);
  reader.SetInt(50, 1);
  EXPECT_EQ(Load(reader, bytes), E_FAIL);
  EXPECT_TRUE(reader.GetItems().empty());
  EXPECT_EQ(reader.GetTag(), CPackageFile::kAnyTag);
}

INSTANTIATE_TEST_SUITE_P(PackageFile, PackageFileDamage, ::testing::ValuesIn(kDamageCases),
                         [](const ::testing::TestParamInfo<DamageCase>& info) {
                           return std::string(info.param.name);
                         });

TEST(PackageFile, SoundPackagesOfTheDamageTableAreRead) {
  // The damage cases above differ from these by their one change only.
  CPackageFile reader(kFcec, 0);
  ASSERT_EQ(Load(reader, SoundPlain()), S_OK);
  EXPECT_EQ(reader.GetInt(1, 0), 77);
  EXPECT_EQ(reader.GetText(2, ""), "Misc");
  for (const Bytes& bytes : {WithCompressedIndex([](Bytes&) {}), WithCompressedData([](Bytes&) {}),
                             WithCompressedItem([](Bytes&) {})}) {
    EXPECT_EQ(Load(reader, bytes), S_OK);
    EXPECT_FALSE(reader.GetItems().empty());
  }
}

}  // namespace
