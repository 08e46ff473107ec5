// The PNG chunks and what the picture does with them, natively and under Wine: every
// colour type and bit depth read to the pixels PIL reads from the same files, the chunk
// order rules, the errors of damaged files with their texts, pictures written and read
// back, and the pixel, alpha and size operations.
#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <functional>
#include <sstream>
#include <vector>

#include "skin/data/PngChunks.h"

namespace {

std::string FixturePath(const std::string& Name) {
  return std::string(PNG_FIXTURE_DIR) + "/" + Name;
}

std::string ReadBytes(const std::string& Path) {
  std::ifstream in(Path, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

struct TFixture {
  std::string Name;
  int ColorType, BitDepth;
  bool Key;
};

std::vector<TFixture> Manifest() {
  std::vector<TFixture> list;
  std::ifstream in(FixturePath("manifest.txt"));
  TFixture f;
  int key;
  while (in >> f.Name >> f.ColorType >> f.BitDepth >> key) {
    f.Key = key != 0;
    list.push_back(f);
  }
  return list;
}

// A picture read from bytes.
struct TPicture {
  explicit TPicture(bool Strict) : Core(Strict) {}
  void Load(const std::string& Bytes) {
    TStringStream stream(Bytes);
    Core.LoadChunks(&stream);
  }
  std::string Save() {
    TStringStream stream;
    Core.SaveChunks(&stream);
    return stream.GetDataString();
  }
  TPngImageCore Core;
};

uint32_t Rgb(int R, int G, int B) { return uint32_t(R | G << 8 | B << 16); }

// The alpha of a pixel as the picture keeps it: the alpha plane, the palette's
// transparency values, or 0 for the transparent colour of a colour key.
int AlphaOf(TPngImageCore& Core, int X, int Y) {
  TChunkIHDR* h = Core.GetHeaderChunk();
  if (const uint8_t* a = Core.AlphaRowAddress(Y)) return a[X];
  TChunktRNS* trns = Core.GetChunkList().ItemFromClass<TChunktRNS>();
  if (!trns) return 255;
  if (h->ColorType == COLOR_PALETTE) {
    const int bits = h->DibBitCount();
    const uint8_t* row = Core.RowAddress(Y);
    const int perByte = 8 / bits;
    const int index =
        bits == 8 ? row[X]
                  : (row[X / perByte] >> (8 - bits * (X % perByte + 1))) & ((1 << bits) - 1);
    return trns->PaletteValues[index];
  }
  return Core.ReadPixel(X, Y) == trns->GetTransparentColor() ? 0 : 255;
}

// Every pixel of the picture against PIL's reading of the file.
void ExpectPixelsOfReference(TPngImageCore& Core, const std::string& Name, bool KeyAlpha) {
  const std::string ref = ReadBytes(FixturePath(Name + ".rgba"));
  ASSERT_GE(ref.size(), 8u) << Name;
  uint32_t w, h;
  std::memcpy(&w, ref.data(), 4);
  std::memcpy(&h, ref.data() + 4, 4);
  ASSERT_EQ(int(w), Core.GetPngWidth()) << Name;
  ASSERT_EQ(int(h), Core.GetPngHeight()) << Name;
  const uint8_t* p = reinterpret_cast<const uint8_t*>(ref.data()) + 8;
  int wrong = 0;
  for (int y = 0; y < int(h); ++y)
    for (int x = 0; x < int(w); ++x, p += 4) {
      const uint32_t expected = Rgb(p[0], p[1], p[2]);
      const int alpha = AlphaOf(Core, x, y);
      if (Core.ReadPixel(x, y) != expected || (!KeyAlpha && alpha != p[3])) {
        if (++wrong <= 3)
          ADD_FAILURE() << Name << " at " << x << "," << y << ": " << std::hex
                        << Core.ReadPixel(x, y) << " alpha " << std::dec << alpha << ", PIL "
                        << std::hex << expected << " alpha " << std::dec << int(p[3]);
      }
    }
}

// A chunk built from its name and data.
std::string Chunk(const char* Name, const std::string& Data) {
  std::string out;
  const uint32_t n = uint32_t(Data.size());
  out += char(n >> 24);
  out += char(n >> 16);
  out += char(n >> 8);
  out += char(n);
  const std::string body = std::string(Name, 4) + Data;
  out += body;
  uint32_t crc = 0xFFFFFFFFu;
  for (unsigned char c : body) {
    crc ^= c;
    for (int k = 0; k < 8; ++k) crc = crc & 1 ? (crc >> 1) ^ 0xEDB88320u : crc >> 1;
  }
  crc ^= 0xFFFFFFFFu;
  out += char(crc >> 24);
  out += char(crc >> 16);
  out += char(crc >> 8);
  out += char(crc);
  return out;
}

const std::string kSignature("\x89PNG\r\n\x1a\n", 8);

// The chunks of a file: each as (offset, length, name).
struct TChunkAt {
  size_t Offset;
  uint32_t Length;
  std::string Name;
};
std::vector<TChunkAt> ChunksOf(const std::string& File) {
  std::vector<TChunkAt> list;
  for (size_t at = 8; at + 8 <= File.size();) {
    const uint8_t* p = reinterpret_cast<const uint8_t*>(File.data()) + at;
    const uint32_t n = uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | p[3];
    list.push_back({at, n, File.substr(at + 4, 4)});
    at += 12 + size_t(n);
  }
  return list;
}

}  // namespace

TEST(PngChunks, EveryColourTypeAndDepthReadsAsPilReadsIt) {
  const std::vector<TFixture> fixtures = Manifest();
  ASSERT_GE(fixtures.size(), 40u);
  for (const TFixture& f : fixtures) {
    for (bool strict : {true, false}) {
      TPicture picture(strict);
      picture.Load(ReadBytes(FixturePath(f.Name)));
      ASSERT_TRUE(picture.Core.HasHeader()) << f.Name;
      TChunkIHDR* h = picture.Core.GetHeaderChunk();
      EXPECT_EQ(f.ColorType, h->ColorType) << f.Name;
      EXPECT_EQ(f.BitDepth, h->BitDepth) << f.Name;
      // The picture's layout: palette rows of 1, 4 (for 2) or 8 bits, 8 for 16-bit grey and
      // grey with alpha, 24 bits for RGB.
      const int expectedBits = f.ColorType == COLOR_RGB || f.ColorType == COLOR_RGBALPHA ? 24
                               : f.ColorType == COLOR_GRAYSCALEALPHA || f.BitDepth == 16 ? 8
                               : f.BitDepth == 2                                         ? 4
                                                 : f.BitDepth;
      EXPECT_EQ(expectedBits, h->Pixels.BitmapInfo.biBitCount) << f.Name;
      EXPECT_EQ(h->Height, h->Pixels.BitmapInfo.biHeight) << f.Name;  // bottom-up
      EXPECT_EQ(DibRowBytes(h->Width, expectedBits), h->Pixels.BytesPerRow) << f.Name;
      EXPECT_EQ(f.BitDepth == 16, !h->ExtraImageData.empty()) << f.Name;
      ExpectPixelsOfReference(picture.Core, f.Name, f.Key);
    }
  }
}

TEST(PngChunks, TransparencyKindFollowsTheColourTypeAndTheTransparencyChunk) {
  struct Case {
    const char* file;
    int kind;
    uint32_t color;
  };
  const Case cases[] = {
      {"grey8_13x7.png", 0, 0},
      {"rgb16_13x7.png", 0, 0},
      {"pal4_13x7.png", 0, 0},
      {"ga8_13x7.png", 2, 0},
      {"rgba16_13x7.png", 2, 0},
      {"pal8_trns_partial.png", 2, Rgb(0, 40, 255)},
      {"grey8_key.png", 1, Rgb(60, 60, 60)},
      {"grey2_key.png", 1, Rgb(85, 85, 85)},
      {"rgb8_key.png", 1, Rgb(100, 7, 90)},
      {"rgb16_key.png", 1, Rgb(100, 7, 90)},
  };
  for (const Case& c : cases) {
    TPicture picture(true);
    picture.Load(ReadBytes(FixturePath(c.file)));
    EXPECT_EQ(c.kind, picture.Core.TransparencyKind()) << c.file;
    EXPECT_EQ(c.color, picture.Core.PngTransparentColor()) << c.file;
  }
  // A palette whose values are all 0 or 255 is bit transparency; its colour is the first
  // entry with 0.
  TPicture bit(true);
  bit.Load(ReadBytes(FixturePath("pal4_trns_bit.png")));
  EXPECT_EQ(1, bit.Core.TransparencyKind());
  TChunkPLTE* palette = bit.Core.GetChunkList().ItemFromClass<TChunkPLTE>();
  ASSERT_NE(nullptr, palette);
  EXPECT_EQ(palette->GetItem(1), bit.Core.PngTransparentColor());
}

TEST(PngChunks, ChunkOrderRulesKeepOneImageDataChunkAndSkipChromaticities) {
  // Three image-data chunks in a row are one chunk object; the ancillary chunks stay in
  // file order, the unknown ancillary one as a generic chunk.
  TPicture chunks(false);
  chunks.Load(ReadBytes(FixturePath("rgb8_chunks.png")));
  std::vector<std::string> names;
  for (int i = 0; i < chunks.Core.GetChunkList().GetCount(); ++i)
    names.push_back(chunks.Core.GetChunkList().GetItem(i)->GetNameText());
  EXPECT_EQ(
      (std::vector<std::string>{"IHDR", "tEXt", "tIME", "pHYs", "abCd", "IDAT", "zTXt", "IEND"}),
      names);
  auto* text = chunks.Core.GetChunkList().ItemFromClass<TChunktEXt>();
  ASSERT_NE(nullptr, text);
  EXPECT_EQ("Title", text->Keyword);
  EXPECT_EQ("Skin picture", text->Text);
  auto* ztxt = chunks.Core.GetChunkList().ItemFromClass<TChunkzTXt>();
  ASSERT_NE(nullptr, ztxt);
  EXPECT_EQ("Comment", ztxt->Keyword);
  EXPECT_EQ(20u * 21u, ztxt->Text.size());
  auto* time = chunks.Core.GetChunkList().ItemFromClass<TChunktIME>();
  ASSERT_NE(nullptr, time);
  EXPECT_EQ(2008, time->Year);
  EXPECT_EQ(30, time->Second);
  // The quiet picture knows the physical-size chunk, the strict one keeps it generic.
  auto* phys = chunks.Core.GetChunkList().ItemFromClass<TChunkpHYs>();
  ASSERT_NE(nullptr, phys);
  EXPECT_EQ(3780u, phys->PPUnitX);
  EXPECT_EQ(1, phys->UnitType);
  TPicture strict(true);
  strict.Load(ReadBytes(FixturePath("rgb8_chunks.png")));
  EXPECT_EQ(nullptr, strict.Core.GetChunkList().ItemFromClass<TChunkpHYs>());
  EXPECT_EQ(8, strict.Core.GetChunkList().GetCount());

  // Two image-data chunks followed by cHRM and another image-data chunk: one image-data
  // chunk, no cHRM chunk.
  TPicture late(true);
  late.Load(ReadBytes(FixturePath("grey8_late_chunks.png")));
  names.clear();
  for (int i = 0; i < late.Core.GetChunkList().GetCount(); ++i)
    names.push_back(late.Core.GetChunkList().GetItem(i)->GetNameText());
  EXPECT_EQ((std::vector<std::string>{"IHDR", "IDAT", "IEND"}), names);
  ExpectPixelsOfReference(late.Core, "grey8_late_chunks.png", false);
}

namespace {

// A damaged copy of a good file, what the strict picture raises for it (its message) and
// whether the quiet picture keeps a header.
struct TDamage {
  const char* what;
  std::function<std::string(const std::string&)> damage;
  std::function<bool(const std::exception&)> isExpected;
  const char* message;  // the start of the message
  bool quietKeepsHeader;
};

template <class E>
std::function<bool(const std::exception&)> Is() {
  return [](const std::exception& e) { return dynamic_cast<const E*>(&e) != nullptr; };
}

// The file with chunk number Index replaced.
std::string ReplaceChunk(const std::string& File, size_t Index, const std::string& With) {
  const TChunkAt c = ChunksOf(File)[Index];
  return File.substr(0, c.Offset) + With + File.substr(c.Offset + 12 + c.Length);
}

std::string Ihdr(uint32_t W, uint32_t H, int Depth, int Type, int Compression = 0, int Filter = 0,
                 int Interlace = 0) {
  std::string d;
  for (uint32_t v : {W, H}) {
    d += char(v >> 24);
    d += char(v >> 16);
    d += char(v >> 8);
    d += char(v);
  }
  d += char(Depth);
  d += char(Type);
  d += char(Compression);
  d += char(Filter);
  d += char(Interlace);
  return Chunk("IHDR", d);
}

}  // namespace

TEST(PngChunks, DamagedFilesRaiseTheirErrorInTheStrictPictureAndStayQuietOtherwise) {
  const std::string good = ReadBytes(FixturePath("rgb8_13x7.png"));
  const std::vector<TChunkAt> parts = ChunksOf(good);
  ASSERT_EQ(3u, parts.size());  // IHDR, IDAT, IEND
  const size_t idat = parts[1].Offset;
  const TDamage cases[] = {
      {"bad signature", [](const std::string& f) { return "\x88" + f.substr(1); },
       Is<EPNGInvalidFileHeader>(),
       "The file being readed is not a valid \"Portable Network Graphics\" image", false},
      {"empty stream", [](const std::string&) { return std::string(); },
       Is<EPNGInvalidFileHeader>(), "The file being readed", false},
      {"header not first",
       [&](const std::string& f) { return kSignature + Chunk("tEXt", "a\0b") + f.substr(8); },
       Is<EPNGIHDRNotFirst>(),
       "This \"Portable Network Graphics\" image is not supported or it might be invalid.\r\n(IHDR "
       "chunk is not the first)",
       false},
      {"end inside a length", [&](const std::string& f) { return f.substr(0, idat + 3); },
       Is<EPngUnexpectedEnd>(),
       "This \"Portable Network Graphics\" image is invalid because the decoder found an "
       "unexpected end",
       true},
      {"no end chunk", [&](const std::string& f) { return f.substr(0, parts[2].Offset); },
       Is<EPngUnexpectedEnd>(),
       "This \"Portable Network Graphics\" image is invalid because the decoder found", true},
      {"length beyond the file",
       [&](const std::string& f) {
         std::string d = f;
         d[idat] = 0x00;
         d[idat + 1] = 0x10;  // about a megabyte
         return d;
       },
       Is<EPngUnexpectedEnd>(), "This \"Portable Network Graphics\" image is invalid", true},
      {"length above 2^31 - 1",
       [&](const std::string& f) {
         std::string d = f;
         d[idat] = char(0xFF);
         return d;
       },
       Is<EPngUnexpectedEnd>(), "This \"Portable Network Graphics\" image is invalid", true},
      {"huge length of a skipped chunk",
       [&](const std::string& f) {
         return f.substr(0, idat) +
                "\x7F\xFF\xFF\xF0"
                "cHRM" +
                f.substr(idat);
       },
       Is<EPngUnexpectedEnd>(), "This \"Portable Network Graphics\" image is invalid", true},
      {"crc error",
       [&](const std::string& f) {
         std::string d = f;
         d[idat + 12] ^= 0x40;
         return d;
       },
       Is<EPngInvalidCRC>(),
       "This \"Portable Network Graphics\" image is not valid because it contains invalid pieces "
       "of data (crc error)",
       true},
      {"unknown critical chunk",
       [&](const std::string& f) {
         return f.substr(0, idat) + Chunk("ABCD", "x") + f.substr(idat);
       },
       Is<EPNGUnknownCriticalChunk>(),
       "This \"Portable Network Graphics\" image contains an unknown critical part", true},
      {"no image data",
       [&](const std::string& f) { return f.substr(0, idat) + f.substr(parts[2].Offset); },
       Is<EPNGNoImageData>(), "This \"Portable Network Graphics\" image contains no data.", true},
      {"header of 12 bytes",
       [&](const std::string& f) {
         return ReplaceChunk(f, 0, Chunk("IHDR", Ihdr(13, 7, 8, 2).substr(8, 12)));
       },
       Is<EPngInvalidIHDR>(),
       "The \"Portable Network Graphics\" image could not be loaded because one of its main piece",
       false},
      {"width 0", [&](const std::string& f) { return ReplaceChunk(f, 0, Ihdr(0, 7, 8, 2)); },
       Is<EPngInvalidIHDR>(), "The \"Portable Network Graphics\" image could not be loaded", false},
      {"RGB of 4 bits", [&](const std::string& f) { return ReplaceChunk(f, 0, Ihdr(13, 7, 4, 2)); },
       Is<EPngInvalidIHDR>(), "The \"Portable Network Graphics\" image could not be loaded", false},
      {"colour type 5", [&](const std::string& f) { return ReplaceChunk(f, 0, Ihdr(13, 7, 8, 5)); },
       Is<EPngInvalidIHDR>(), "The \"Portable Network Graphics\" image could not be loaded", false},
      {"width 65536",
       [&](const std::string& f) { return ReplaceChunk(f, 0, Ihdr(65536, 7, 8, 2)); },
       Is<EPNGSizeExceeds>(),
       "This \"Portable Network Graphics\" image is not supported because either it's width or "
       "height exceeds the maximum size, which is 65535 pixels length.",
       false},
      {"compression 1",
       [&](const std::string& f) { return ReplaceChunk(f, 0, Ihdr(13, 7, 8, 2, 1)); },
       Is<EPNGUnknownCompression>(),
       "This \"Portable Network Graphics\" image is encoded with an unknown compression scheme",
       false},
      {"interlace 2",
       [&](const std::string& f) { return ReplaceChunk(f, 0, Ihdr(13, 7, 8, 2, 0, 0, 2)); },
       Is<EPNGUnknownInterlace>(),
       "This \"Portable Network Graphics\" image uses an unknown interlace scheme", false},
      {"big picture",
       [&](const std::string& f) { return ReplaceChunk(f, 0, Ihdr(65535, 65535, 16, 6)); },
       Is<EPNGOutMemory>(),
       "Some operation could not be performed because the system is out of resources.", false},
      {"palette of 7 bytes",
       [&](const std::string& f) {
         return ReplaceChunk(f, 0, Ihdr(13, 7, 8, 2) + Chunk("PLTE", "1234567"));
       },
       Is<EPNGInvalidPalette>(),
       "The \"Portable Network Graphics\" image contains an invalid palette.", true},
      {"palette picture without palette",
       [&](const std::string& f) { return ReplaceChunk(f, 0, Ihdr(13, 7, 8, 3)); },
       Is<EPNGInvalidPalette>(),
       "The \"Portable Network Graphics\" image contains an invalid palette.", true},
      {"image data cut short",
       [&](const std::string& f) {
         const std::string data = f.substr(idat + 8, parts[1].Length);
         return ReplaceChunk(f, 1, Chunk("IDAT", data.substr(0, data.size() / 2)));
       },
       Is<EPNGError>(), "", true},
      {"garbage image data",
       [&](const std::string& f) {
         return ReplaceChunk(f, 1, Chunk("IDAT", std::string(40, '\x5A')));
       },
       Is<EPNGZLIBError>(),
       "Could not decompress the image because it contains invalid compressed data.\r\n "
       "Description: ",
       true},
      {"image data for too few rows",
       [&](const std::string& f) {
         std::string rows(1 + 13 * 3, '\0');
         std::string packed;
         // a valid zlib stream of a single stored block holding one row
         packed += "\x78\x01";
         packed += char(1);
         packed += char(rows.size() & 0xFF);
         packed += char(rows.size() >> 8);
         packed += char(~rows.size() & 0xFF);
         packed += char((~rows.size() >> 8) & 0xFF);
         packed += rows;
         uint32_t a = 1, b = 0;
         for (unsigned char c : rows) {
           a = (a + c) % 65521;
           b = (b + a) % 65521;
         }
         const uint32_t adler = b << 16 | a;
         packed += char(adler >> 24);
         packed += char(adler >> 16);
         packed += char(adler >> 8);
         packed += char(adler);
         return ReplaceChunk(f, 1, Chunk("IDAT", packed));
       },
       Is<EPNGMissingMultipleIDAT>(),
       "This \"Portable Network Graphics\" image is invalid because it has missing image parts.",
       true},
  };
  for (const TDamage& c : cases) {
    const std::string bytes = c.damage(good);
    // The strict picture raises, and keeps the picture it had.
    TPicture strict(true);
    strict.Load(ReadBytes(FixturePath("grey8_13x7.png")));
    bool raised = false;
    try {
      strict.Load(bytes);
    } catch (const std::exception& e) {
      raised = true;
      EXPECT_TRUE(c.isExpected(e)) << c.what << ": " << e.what();
      EXPECT_EQ(0u, std::string(e.what()).find(c.message)) << c.what << ": " << e.what();
    }
    EXPECT_TRUE(raised) << c.what;
    ASSERT_TRUE(strict.Core.HasHeader()) << c.what;
    EXPECT_EQ(COLOR_GRAYSCALE, strict.Core.GetHeaderChunk()->ColorType) << c.what;
    ExpectPixelsOfReference(strict.Core, "grey8_13x7.png", false);
    // The quiet picture raises nothing: an empty picture, or what it read before the fault.
    TPicture quiet(false);
    quiet.Load(ReadBytes(FixturePath("grey8_13x7.png")));
    EXPECT_NO_THROW(quiet.Load(bytes)) << c.what;
    EXPECT_EQ(c.quietKeepsHeader, quiet.Core.HasHeader()) << c.what;
    if (!c.quietKeepsHeader) {
      EXPECT_EQ(0, quiet.Core.GetChunkList().GetCount()) << c.what;
    }
  }
}

TEST(PngChunks, WrittenPicturesReadBackToTheSamePixels) {
  for (const TFixture& f : Manifest()) {
    for (int interlace : {0, 1}) {
      TPicture picture(true);
      picture.Load(ReadBytes(FixturePath(f.Name)));
      picture.Core.EncoderInterlace = interlace;
      picture.Core.EncoderFilters =
          interlace ? TFilters{pfNone, pfSub, pfUp, pfAverage, pfPaeth} : TFilters{pfSub};
      const std::string written = picture.Save();
      TPicture back(true);
      back.Load(written);
      TChunkIHDR* a = picture.Core.GetHeaderChunk();
      TChunkIHDR* b = back.Core.GetHeaderChunk();
      EXPECT_EQ(a->ColorType, b->ColorType) << f.Name;
      EXPECT_EQ(a->BitDepth, b->BitDepth) << f.Name;
      EXPECT_EQ(interlace, b->InterlaceMethod) << f.Name;
      EXPECT_EQ(0, std::memcmp(a->Pixels.ImageData, b->Pixels.ImageData,
                               a->Pixels.BitmapInfo.biSizeImage))
          << f.Name;
      EXPECT_EQ(a->ImageAlpha, b->ImageAlpha) << f.Name;
      EXPECT_EQ(picture.Core.TransparencyKind(), back.Core.TransparencyKind()) << f.Name;
      EXPECT_EQ(picture.Core.PngTransparentColor(), back.Core.PngTransparentColor()) << f.Name;
      ExpectPixelsOfReference(back.Core, f.Name, f.Key);
    }
  }
  // Image data longer than the largest chunk is split.
  TPicture big(true);
  big.Load(ReadBytes(FixturePath("rgb16_33x17.png")));
  big.Core.EncoderLevel = 0;
  big.Core.SetMaxDataChunkSize(100);
  EXPECT_EQ(65535, big.Core.GetMaxDataChunkSize());
  big.Core.SetMaxDataChunkSize(70000);
  EXPECT_EQ(70000, big.Core.GetMaxDataChunkSize());
  const std::string written = big.Save();
  int count = 0;
  for (const TChunkAt& c : ChunksOf(written)) count += c.Name == "IDAT";
  EXPECT_EQ(1, count);
}

TEST(PngChunks, PixelsAreReadAndWrittenInsideThePictureOnly) {
  TPicture pal(false);
  pal.Load(ReadBytes(FixturePath("pal4_13x7.png")));
  EXPECT_EQ(0u, pal.Core.ReadPixel(-1, 0));
  EXPECT_EQ(0u, pal.Core.ReadPixel(13, 0));
  EXPECT_EQ(0u, pal.Core.ReadPixel(0, 7));
  const std::string before(
      reinterpret_cast<const char*>(pal.Core.GetHeaderChunk()->Pixels.ImageData),
      pal.Core.GetHeaderChunk()->Pixels.BitmapInfo.biSizeImage);
  pal.Core.WritePixel(-1, 0, 0xFFFFFF);
  pal.Core.WritePixel(13, 3, 0xFFFFFF);
  EXPECT_EQ(before,
            std::string(reinterpret_cast<const char*>(pal.Core.GetHeaderChunk()->Pixels.ImageData),
                        before.size()));
  // Palette pictures take the nearest entry; its neighbours keep theirs.
  TChunkPLTE* palette = pal.Core.GetChunkList().ItemFromClass<TChunkPLTE>();
  const uint32_t left = pal.Core.ReadPixel(4, 2), right = pal.Core.ReadPixel(6, 2);
  pal.Core.WritePixel(5, 2, palette->GetItem(9) ^ 0x010101);
  EXPECT_EQ(palette->GetItem(9), pal.Core.ReadPixel(5, 2));
  EXPECT_EQ(left, pal.Core.ReadPixel(4, 2));
  EXPECT_EQ(right, pal.Core.ReadPixel(6, 2));
  // RGB pictures keep the colour; grey + alpha its red part.
  TPicture rgb(false);
  rgb.Load(ReadBytes(FixturePath("rgb8_13x7.png")));
  rgb.Core.WritePixel(12, 6, Rgb(1, 2, 3));
  EXPECT_EQ(Rgb(1, 2, 3), rgb.Core.ReadPixel(12, 6));
  EXPECT_EQ(3, rgb.Core.RowAddress(6)[36]);  // blue first
  TPicture ga(false);
  ga.Load(ReadBytes(FixturePath("ga16_13x7.png")));
  ga.Core.WritePixel(0, 0, Rgb(77, 2, 3));
  EXPECT_EQ(Rgb(77, 77, 77), ga.Core.ReadPixel(0, 0));
  EXPECT_EQ(77, ga.Core.ExtraRowAddress(0)[0]);
  // Grey pictures scale their level from the depth: 2 bits give 0, 85, 170, 255.
  TPicture grey(false);
  grey.Load(ReadBytes(FixturePath("grey2_13x7.png")));
  grey.Core.WritePixel(3, 3, Rgb(170, 170, 170));
  EXPECT_EQ(Rgb(170, 170, 170), grey.Core.ReadPixel(3, 3));
  // Without a header there is nothing to read; the strict picture has no header to give.
  TPicture none(true);
  EXPECT_EQ(0u, none.Core.ReadPixel(0, 0));
  none.Core.WritePixel(0, 0, 1);
  EXPECT_THROW(none.Core.GetHeaderChunk(), EPNGHeaderNotPresent);
  TPicture quietNone(false);
  EXPECT_EQ(nullptr, quietNone.Core.GetHeaderChunk());
  EXPECT_EQ(0, quietNone.Core.TransparencyKind());
  EXPECT_EQ(0, quietNone.Core.GetPngWidth());
}

TEST(PngChunks, GammaChunkMapsPaletteAndGreySamples) {
  // A gamma of 1/2.2 (45455) maps nearly onto itself; 100000 brightens by 1/2.2.
  std::string file = ReadBytes(FixturePath("grey8_13x7.png"));
  const std::string gama = Chunk("gAMA", std::string("\x00\x01\x86\xA0", 4));  // 100000
  file = file.substr(0, 33) + gama + file.substr(33);
  TPicture picture(false);
  picture.Load(file);
  ASSERT_NE(nullptr, picture.Core.GetChunkList().ItemFromClass<TChunkgAMA>());
  EXPECT_EQ(100000u, picture.Core.GetChunkList().ItemFromClass<TChunkgAMA>()->GetGamma());
  EXPECT_EQ(0, picture.Core.GammaMap[0]);
  EXPECT_EQ(255, picture.Core.GammaMap[255]);
  EXPECT_EQ(186, picture.Core.GammaMap[128]);  // 255 x (128 / 255)^(1 / 2.2)
  const uint8_t level = picture.Core.RowAddress(1)[4];
  const uint8_t v = picture.Core.GammaMap[level];
  EXPECT_EQ(Rgb(v, v, v), picture.Core.ReadPixel(4, 1));
  // The next load starts with the identity again.
  picture.Load(ReadBytes(FixturePath("grey8_13x7.png")));
  EXPECT_EQ(128, picture.Core.GammaMap[128]);
}

TEST(PngChunks, AlphaPlanesAreAddedByColourType) {
  TPicture rgb(false);
  rgb.Load(ReadBytes(FixturePath("rgb8_13x7.png")));
  rgb.Core.AddAlphaPlane();
  EXPECT_EQ(COLOR_RGBALPHA, rgb.Core.GetHeaderChunk()->ColorType);
  EXPECT_EQ(2, rgb.Core.TransparencyKind());
  EXPECT_EQ(255, rgb.Core.AlphaRowAddress(6)[12]);
  ExpectPixelsOfReference(rgb.Core, "rgb8_13x7.png", false);

  for (const char* name :
       {"grey2_13x7.png", "grey8_13x7.png", "grey16_13x7.png", "grey1_33x17.png"}) {
    TPicture grey(false);
    grey.Load(ReadBytes(FixturePath(name)));
    grey.Core.AddAlphaPlane();
    TChunkIHDR* h = grey.Core.GetHeaderChunk();
    EXPECT_EQ(COLOR_GRAYSCALEALPHA, h->ColorType) << name;
    EXPECT_EQ(8, h->Pixels.BitmapInfo.biBitCount) << name;
    EXPECT_EQ(255, grey.Core.AlphaRowAddress(0)[0]) << name;
    ExpectPixelsOfReference(grey.Core, name, false);
    // And it writes and reads back as grey with alpha.
    TPicture back(true);
    back.Load(grey.Save());
    ExpectPixelsOfReference(back.Core, name, false);
  }

  TPicture pal(false);
  pal.Load(ReadBytes(FixturePath("pal2_13x7.png")));
  pal.Core.AddAlphaPlane();
  TChunktRNS* trns = pal.Core.GetChunkList().ItemFromClass<TChunktRNS>();
  ASSERT_NE(nullptr, trns);
  EXPECT_EQ(2, pal.Core.GetChunkList().IndexOf(trns));  // after the palette
  EXPECT_EQ(4u, trns->DataSize);
  EXPECT_FALSE(trns->BitTransparency);
  EXPECT_EQ(2, pal.Core.TransparencyKind());
  // Read back, values that are all 255 count as bit transparency.
  TPicture back(true);
  back.Load(pal.Save());
  EXPECT_EQ(1, back.Core.TransparencyKind());
  EXPECT_EQ(4u, back.Core.GetChunkList().ItemFromClass<TChunktRNS>()->DataSize);
}

TEST(PngChunks, RowSizesFollowColourTypeAndDepth) {
  struct Case {
    const char* file;
    int rowBytes, bytesPerPixel;
  };
  const Case cases[] = {
      {"grey1_13x7.png", 2, 1},  {"grey2_13x7.png", 4, 1},   {"grey4_13x7.png", 7, 1},
      {"grey8_13x7.png", 13, 1}, {"grey16_13x7.png", 26, 2}, {"pal2_13x7.png", 4, 1},
      {"rgb8_13x7.png", 39, 3},  {"rgb16_13x7.png", 78, 6},  {"ga8_13x7.png", 26, 2},
      {"ga16_13x7.png", 52, 4},  {"rgba8_13x7.png", 52, 4},  {"rgba16_13x7.png", 104, 8},
  };
  for (const Case& c : cases) {
    TPicture picture(false);
    picture.Load(ReadBytes(FixturePath(c.file)));
    int rowBytes = -1, bpp = -1;
    picture.Core.GetRowSizes(rowBytes, bpp);
    EXPECT_EQ(c.rowBytes, rowBytes) << c.file;
    EXPECT_EQ(c.bytesPerPixel, bpp) << c.file;
  }
  TPicture none(false);
  int rowBytes = -1, bpp = -1;
  none.Core.GetRowSizes(rowBytes, bpp);
  EXPECT_EQ(0, rowBytes);
  EXPECT_EQ(0, bpp);
}

TEST(PngChunks, ResizingKeepsTheTopLeftPartAndFillsNewAlphaOpaque) {
  for (const char* name : {"rgba8_13x7.png", "pal4_13x7.png", "grey16_13x7.png"}) {
    TPicture picture(false);
    picture.Load(ReadBytes(FixturePath(name)));
    TPicture original(false);
    original.Load(ReadBytes(FixturePath(name)));
    picture.Core.ResizeImage(20, 5);
    EXPECT_EQ(20, picture.Core.GetPngWidth()) << name;
    EXPECT_EQ(5, picture.Core.GetPngHeight()) << name;
    for (int y = 0; y < 5; ++y)
      for (int x = 0; x < 13; ++x)
        ASSERT_EQ(original.Core.ReadPixel(x, y), picture.Core.ReadPixel(x, y))
            << name << " " << x << "," << y;
    if (picture.Core.AlphaRowAddress(0)) {
      EXPECT_EQ(original.Core.AlphaRowAddress(4)[12], picture.Core.AlphaRowAddress(4)[12]);
      EXPECT_EQ(255, picture.Core.AlphaRowAddress(4)[13]);
      EXPECT_EQ(255, picture.Core.AlphaRowAddress(0)[19]);
    }
    if (picture.Core.ExtraRowAddress(0)) {
      EXPECT_EQ(0, picture.Core.ExtraRowAddress(4)[19]);
    }
    // Sizes below 1 change nothing.
    picture.Core.ResizeImage(0, 9);
    picture.Core.ResizeImage(9, -1);
    EXPECT_EQ(20, picture.Core.GetPngWidth());
    // And the picture writes and reads back at its new size.
    TPicture back(true);
    back.Load(picture.Save());
    EXPECT_EQ(20, back.Core.GetPngWidth());
    EXPECT_EQ(original.Core.ReadPixel(12, 4), back.Core.ReadPixel(12, 4)) << name;
  }
}

TEST(PngChunks, AssigningCopiesSettingsAndChunks) {
  TPicture source(false);
  source.Load(ReadBytes(FixturePath("pal8_trns_partial.png")));
  source.Core.EncoderLevel = 3;
  source.Core.SetMaxDataChunkSize(80000);
  TPicture copy(false);
  copy.Load(ReadBytes(FixturePath("rgb8_13x7.png")));
  copy.Core.AssignCore(source.Core);
  EXPECT_EQ(3, copy.Core.EncoderLevel);
  EXPECT_EQ(80000, copy.Core.GetMaxDataChunkSize());
  EXPECT_EQ(source.Core.GetChunkList().GetCount(), copy.Core.GetChunkList().GetCount());
  EXPECT_EQ(2, copy.Core.TransparencyKind());
  ExpectPixelsOfReference(copy.Core, "pal8_trns_partial.png", false);
  // The copy owns its pixels.
  source.Core.FreeChunks();
  ExpectPixelsOfReference(copy.Core, "pal8_trns_partial.png", false);
}
