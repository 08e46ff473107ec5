// JPEG and EXIF: files written by PIL and exiftool decoded within the codec's tolerance of
// PIL with their resolution, scaled decoding, CMYK, the EXIF fields, hostile EXIF data,
// the marker section limits, and saving with the loaded file's EXIF data.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "image/Raster.h"
#include "image/RasterExif.h"
#include "image/RasterJPG.h"
#include "image/RasterStream.h"
#include "tests/image/TestPictures.h"

namespace {

using Bytes = std::vector<uint8_t>;

std::string Fixture(const std::string& name) { return std::string(IMAGE_FIXTURE_DIR) + "/" + name; }

struct Listed {
  std::string file;
  int dpiX, dpiY;
};

std::vector<Listed> Jpegs() {
  std::vector<Listed> list;
  std::ifstream in(Fixture("jpegs.txt"));
  Listed l;
  while (in >> l.file >> l.dpiX >> l.dpiY) list.push_back(l);
  return list;
}

// The largest difference of one channel between two RGBA pictures; 255 for other sizes.
int LargestDifference(const Bytes& reference, const CRaster& picture) {
  if (reference.size() < 8) return 255;
  const int w = reference[0] | reference[1] << 8, h = reference[4] | reference[5] << 8;
  if (w != picture.GetWidth() || h != picture.GetHeight()) return 255;
  const Bytes rgba = ToRgba(picture);
  int largest = 0;
  for (size_t i = 0; i < rgba.size(); ++i)
    largest = std::max(largest, std::abs(int(rgba[i]) - int(reference[8 + i])));
  return largest;
}

// Big- or little-endian TIFF data: entries of one directory, values after it.
class Tiff {
 public:
  explicit Tiff(bool motorola) : m_motorola(motorola) {}
  void U16(Bytes& b, uint32_t v) const {
    if (m_motorola)
      b.insert(b.end(), {uint8_t(v >> 8), uint8_t(v)});
    else
      b.insert(b.end(), {uint8_t(v), uint8_t(v >> 8)});
  }
  void U32(Bytes& b, uint32_t v) const {
    if (m_motorola)
      b.insert(b.end(), {uint8_t(v >> 24), uint8_t(v >> 16), uint8_t(v >> 8), uint8_t(v)});
    else
      b.insert(b.end(), {uint8_t(v), uint8_t(v >> 8), uint8_t(v >> 16), uint8_t(v >> 24)});
  }
  struct Entry {
    uint16_t tag, format;
    uint32_t count;
    Bytes value;          // stored after the directory when longer than 4 bytes
    int64_t offset = -1;  // a raw offset field instead
  };
  // "Exif\0\0", the TIFF header, one directory at offset 8 and its values; `next` is the
  // link after the entries.
  Bytes App1Body(const std::vector<Entry>& entries, uint32_t next = 0, int64_t firstOffset = 8) const {
    Bytes t = {m_motorola ? uint8_t('M') : uint8_t('I'), m_motorola ? uint8_t('M') : uint8_t('I')};
    U16(t, 42);
    U32(t, uint32_t(firstOffset));
    U16(t, uint32_t(entries.size()));
    Bytes values;
    const uint32_t valuesAt = uint32_t(8 + 2 + 12 * entries.size() + 4);
    for (const Entry& e : entries) {
      U16(t, e.tag);
      U16(t, e.format);
      U32(t, e.count);
      if (e.offset >= 0) {
        U32(t, uint32_t(e.offset));
      } else if (e.value.size() <= 4) {
        Bytes v = e.value;
        v.resize(4, 0);
        t.insert(t.end(), v.begin(), v.end());
      } else {
        U32(t, uint32_t(valuesAt + values.size()));
        values.insert(values.end(), e.value.begin(), e.value.end());
      }
    }
    U32(t, next);
    t.insert(t.end(), values.begin(), values.end());
    Bytes body = {'E', 'x', 'i', 'f', 0, 0};
    body.insert(body.end(), t.begin(), t.end());
    return body;
  }
  Entry Short(uint16_t tag, uint16_t v) const {
    Entry e{tag, 3, 1, {}};
    U16(e.value, v);
    return e;
  }
  Entry Long(uint16_t tag, uint32_t v) const {
    Entry e{tag, 4, 1, {}};
    U32(e.value, v);
    return e;
  }
  Entry Rational(uint16_t tag, uint32_t num, uint32_t den, uint16_t format = 5) const {
    Entry e{tag, format, 1, {}};
    U32(e.value, num);
    U32(e.value, den);
    return e;
  }
  Entry Double(uint16_t tag, double v) const {
    uint64_t bits;
    std::memcpy(&bits, &v, 8);
    Entry e{tag, 12, 1, {}};
    U32(e.value, uint32_t(m_motorola ? bits >> 32 : bits));
    U32(e.value, uint32_t(m_motorola ? bits : bits >> 32));
    return e;
  }
  Entry Text(uint16_t tag, const std::string& text, uint16_t format = 2) const {
    return Entry{tag, format, uint32_t(text.size()), Bytes(text.begin(), text.end())};
  }

 private:
  bool m_motorola;
};

// A JPEG stream of marker sections (type, body) after the start of image.
Bytes Sections(const std::vector<std::pair<uint8_t, Bytes>>& sections, const Bytes& after = {}) {
  Bytes b = {0xFF, 0xD8};
  for (const auto& [type, body] : sections) {
    b.insert(b.end(), {0xFF, type, uint8_t((body.size() + 2) >> 8), uint8_t(body.size() + 2)});
    b.insert(b.end(), body.begin(), body.end());
  }
  b.insert(b.end(), after.begin(), after.end());
  return b;
}

bool ParseBody(CRasterExifReader& reader, const Bytes& body) {
  return reader.ParseExif(body.data(), body.size());
}

Bytes EncodeJpeg(CRaster& picture) {
  uint8_t* buffer = nullptr;
  size_t size = 0;
  Bytes out;
  if (picture.EncodeMemory(buffer, size, IMAGE_FORMAT_JPG)) out.assign(buffer, buffer + size);
  CRaster::FreeBuffer(buffer);
  return out;
}

}  // namespace

class JpegFixtures : public ::testing::TestWithParam<Listed> {};

TEST_P(JpegFixtures, DecodeWithinTheCodecsToleranceOfPilAtTheirResolution) {
  const std::string path = Fixture(GetParam().file);
  for (int32_t id : {IMAGE_FORMAT_JPG, IMAGE_FORMAT_UNKNOWN}) {
    CRaster picture;
    ASSERT_TRUE(picture.Load(path.c_str(), id)) << picture.GetLastError();
    EXPECT_EQ(IMAGE_FORMAT_JPG, picture.GetFormatId());
    EXPECT_LE(LargestDifference(ReadFileBytes(path + ".rgba"), picture), 2);
    EXPECT_EQ(GetParam().dpiX, picture.GetDpiX());
    EXPECT_EQ(GetParam().dpiY, picture.GetDpiY());
  }
  CRaster half;
  half.SetScaleDenominator(2);
  ASSERT_TRUE(half.Load(path.c_str(), IMAGE_FORMAT_JPG)) << half.GetLastError();
  EXPECT_LE(LargestDifference(ReadFileBytes(path + ".half.rgba"), half), 2);
}

INSTANTIATE_TEST_SUITE_P(Fixtures, JpegFixtures, ::testing::ValuesIn(Jpegs()), [](const auto& info) {
  std::string name = info.param.file;
  for (char& c : name)
    if (!isalnum(static_cast<unsigned char>(c))) c = '_';
  return name;
});

TEST(JpegFixtures, Listed) { EXPECT_GE(Jpegs().size(), 10u); }

// A baseline JPEG of `components` components (1 to 10) of flat blocks: one quantisation
// table, Huffman tables of a single code each (DC difference 0, end of block), so every
// block is two 0 bits. The first four components have a scan each (a scan may name no
// others); the rest stay 0. 2 and 5 to 10 components have no known colour space.
Bytes JpegOfComponents(int components, int width, int height) {
  Bytes f = {0xFF, 0xD8, 0xFF, 0xDB, 0x00, 0x43, 0x00};
  f.insert(f.end(), 64, 1);
  const int sofLength = 8 + 3 * components;
  f.insert(f.end(), {0xFF, 0xC0, uint8_t(sofLength >> 8), uint8_t(sofLength), 8, uint8_t(height >> 8),
                     uint8_t(height), uint8_t(width >> 8), uint8_t(width), uint8_t(components)});
  for (int k = 0; k < components; ++k) f.insert(f.end(), {uint8_t(k + 1), 0x11, 0});
  f.insert(f.end(), {0xFF, 0xC4, 0x00, 38});
  for (uint8_t table : {uint8_t(0x00), uint8_t(0x10)}) {
    f.push_back(table);
    f.push_back(1);  // one code of length 1
    f.insert(f.end(), 15, 0);
    f.push_back(0);  // its symbol: category 0, or end of block
  }
  const size_t blocks = size_t((width + 7) / 8) * size_t((height + 7) / 8);
  for (int k = 0; k < std::min(components, 4); ++k) {
    f.insert(f.end(), {0xFF, 0xDA, 0x00, 0x08, 1, uint8_t(k + 1), 0x00, 0, 63, 0});
    const size_t bits = blocks * 2;
    f.insert(f.end(), bits / 8, 0x00);
    if (bits % 8) f.push_back(uint8_t(0xFF >> (bits % 8)));  // padded with 1 bits
  }
  f.insert(f.end(), {0xFF, 0xD9});
  return f;
}

TEST(Jpeg, OnlyGreyColourAndCmykComponentCountsAreDecoded) {
  for (int components = 1; components <= 10; ++components) {
    SCOPED_TRACE(components);
    const Bytes file = JpegOfComponents(components, 64, 16);
    CRaster picture(2, 2, 8, 0);
    picture.Clear(7);
    const bool decoded = picture.DecodeMemory(file.data(), file.size(), IMAGE_FORMAT_JPG);
    if (components == 1 || components == 3 || components == 4) {
      ASSERT_TRUE(decoded) << picture.GetLastError();
      EXPECT_EQ(64, picture.GetWidth());
      EXPECT_EQ(components == 1 ? 8 : 24, picture.GetBitDepth());
    } else {
      EXPECT_FALSE(decoded);
      EXPECT_STREQ("JPEG file with an unsupported number of colour components", picture.GetLastError());
      EXPECT_EQ(2, picture.GetWidth());
      EXPECT_EQ(7, picture.GetPixelIndex(1, 1));
    }
    // The size alone is still told.
    CRaster size;
    size.SetCancelRequest(-1);
    EXPECT_TRUE(size.DecodeMemory(file.data(), file.size(), IMAGE_FORMAT_JPG));
    EXPECT_EQ(64, size.GetWidth());
  }
}

TEST(Jpeg, ScaleDenominatorZeroIsFullSize) {
  CRaster picture;
  FillPicture(picture, {24, 64, 48, Extra::kNone});
  const Bytes file = EncodeJpeg(picture);
  for (const auto& [denominator, width] : std::vector<std::pair<int, int>>{{0, 64}, {1, 64}, {2, 32}, {4, 16}, {8, 8}}) {
    CRaster r;
    r.SetScaleDenominator(uint8_t(denominator));
    ASSERT_TRUE(r.DecodeMemory(file.data(), file.size(), IMAGE_FORMAT_JPG)) << denominator;
    EXPECT_EQ(width, r.GetWidth()) << denominator;
    EXPECT_EQ(width * 3 / 4, r.GetHeight()) << denominator;
  }
  CRaster size;
  size.SetCancelRequest(-1);
  ASSERT_TRUE(size.DecodeMemory(file.data(), file.size(), IMAGE_FORMAT_JPG));
  EXPECT_EQ(64, size.GetWidth());
  EXPECT_FALSE(size.HasPixels());
}

TEST(Jpeg, SavedPicturesKeepTheirColoursGreyAndResolution) {
  CRaster picture(16, 8, 24, 0);
  for (int y = 0; y < 8; ++y)
    for (int x = 0; x < 16; ++x) picture.SetPixelColor(x, y, RGBQUAD{20, 40, 230, 0}, false);  // red
  picture.SetDpiX(150);
  picture.SetDpiY(75);
  Bytes file = EncodeJpeg(picture);
  ASSERT_GT(file.size(), 20u);
  // JFIF header: density unit 1, 150 x 75.
  EXPECT_EQ(0, std::memcmp(file.data() + 6, "JFIF", 4));
  EXPECT_EQ(1, file[13]);
  EXPECT_EQ(150, file[14] << 8 | file[15]);
  EXPECT_EQ(75, file[16] << 8 | file[17]);
  CRaster back;
  ASSERT_TRUE(back.DecodeMemory(file.data(), file.size(), IMAGE_FORMAT_JPG));
  const RGBQUAD c = back.GetPixelColor(5, 5, false);
  EXPECT_NEAR(230, c.rgbRed, 3);
  EXPECT_NEAR(40, c.rgbGreen, 3);
  EXPECT_NEAR(20, c.rgbBlue, 3);
  EXPECT_EQ(150, back.GetDpiX());

  CRaster grey(8, 8, 8, 0);
  grey.SetGreyPalette();
  grey.Clear(77);
  file = EncodeJpeg(grey);
  ASSERT_FALSE(file.empty());
  const Bytes sofMarker = {0xFF, 0xC0};
  const auto sof = std::search(file.begin(), file.end(), sofMarker.begin(), sofMarker.end());
  ASSERT_NE(file.end(), sof);
  EXPECT_EQ(1, *(sof + 9));  // one component
  ASSERT_TRUE(back.DecodeMemory(file.data(), file.size(), IMAGE_FORMAT_JPG));
  EXPECT_EQ(8, back.GetBitDepth());
  EXPECT_NEAR(77, back.GetPixelIndex(3, 3), 1);

  CRaster sixteen(4, 4, 4, 0);
  sixteen.SetDefaultPalette();
  EXPECT_TRUE(EncodeJpeg(sixteen).empty());
  EXPECT_STREQ("JPEG can save only RGB or GreyScale images", sixteen.GetLastError());
}

TEST(Jpeg, OptionsReachTheCodec) {
  CRaster picture;
  FillPicture(picture, {24, 40, 24, Extra::kNone});
  struct Case {
    int32_t options;
    uint8_t marker;  // a start-of-frame marker the file must hold
  };
  for (const Case& c : {Case{0, 0xC0}, Case{JPEG_OPTION_PROGRESSIVE, 0xC2},
                        Case{JPEG_OPTION_ARITHMETIC, 0xC9}, Case{JPEG_OPTION_OPTIMIZE, 0xC0},
                        Case{JPEG_OPTION_GREY, 0xC0}}) {
    SCOPED_TRACE(c.options);
    picture.SetFormatOption(c.options, IMAGE_FORMAT_JPG);
    const Bytes file = EncodeJpeg(picture);
    const Bytes marker = {0xFF, c.marker};
    const auto sof = std::search(file.begin(), file.end(), marker.begin(), marker.end());
    ASSERT_NE(file.end(), sof);
    EXPECT_EQ(c.options == JPEG_OPTION_GREY ? 1 : 3, *(sof + 9));
    CRaster back;
    ASSERT_TRUE(back.DecodeMemory(file.data(), file.size(), IMAGE_FORMAT_JPG)) << back.GetLastError();
  }
  picture.SetFormatOption(0, IMAGE_FORMAT_JPG);
  const Bytes file = EncodeJpeg(picture);
  CRaster grey;
  grey.SetFormatOption(JPEG_OPTION_DECODE_GREY, IMAGE_FORMAT_JPG);
  ASSERT_TRUE(grey.DecodeMemory(file.data(), file.size(), IMAGE_FORMAT_JPG));
  EXPECT_EQ(8, grey.GetBitDepth());
  CRaster quantized;
  quantized.SetFormatOption(JPEG_OPTION_QUANTIZE, IMAGE_FORMAT_JPG);
  quantized.SetQuality(16);
  ASSERT_TRUE(quantized.DecodeMemory(file.data(), file.size(), IMAGE_FORMAT_JPG));
  EXPECT_EQ(8, quantized.GetBitDepth());
}

TEST(Jpeg, DamagedFilesFailWithTheCodecsTextOrEndEarly) {
  CRaster picture;
  FillPicture(picture, {24, 64, 64, Extra::kNone});
  const Bytes file = EncodeJpeg(picture);
  // Cut in the middle of the data: the rest is filled, the picture decodes.
  CRaster cut;
  ASSERT_TRUE(cut.DecodeMemory(file.data(), file.size() / 2, IMAGE_FORMAT_JPG)) << cut.GetLastError();
  EXPECT_EQ(64, cut.GetWidth());
  // Nothing at all, and a header that claims far more than the file holds.
  CRaster kept(2, 2, 24, 0);
  EXPECT_FALSE(kept.DecodeMemory(file.data(), 0, IMAGE_FORMAT_JPG));
  EXPECT_TRUE(kept.HasPixels());
  Bytes huge = file;
  const Bytes sofMarker = {0xFF, 0xC0};
  const auto sof = std::search(huge.begin(), huge.end(), sofMarker.begin(), sofMarker.end());
  ASSERT_NE(huge.end(), sof);
  sof[5] = 0xEA;  // height 60000
  sof[6] = 0x60;
  sof[7] = 0xEA;  // width 60000
  sof[8] = 0x60;
  EXPECT_FALSE(kept.DecodeMemory(huge.data(), huge.size(), IMAGE_FORMAT_JPG));
  EXPECT_STREQ("JPEG picture larger than its data can hold", kept.GetLastError());
  EXPECT_EQ(2, kept.GetWidth());
}

TEST(Exif, FieldsFromFilesOfExiftoolAndPil) {
  CRasterJPG tool;
  FILE* f = std::fopen(Fixture("exif_tool.jpg").c_str(), "rb");
  ASSERT_NE(nullptr, f);
  CRasterFileStream stream(f);
  ASSERT_TRUE(tool.Decode(&stream));
  std::fclose(f);
  const CRasterExifRecord* r = tool.GetExifRecord();
  ASSERT_NE(nullptr, r);
  EXPECT_STREQ("Tool Make", r->cameraMake);
  EXPECT_STREQ("Tool Model 1", r->cameraModel);
  EXPECT_STREQ("2021:02:03 04:05:06", r->dateTime);
  EXPECT_EQ(400, r->isoEquivalent);
  EXPECT_FLOAT_EQ(1.0f / 64, r->exposureTime);
  EXPECT_FLOAT_EQ(4.0f, r->apertureFNumber);
  EXPECT_EQ(67, r->width);
  EXPECT_EQ(45, r->height);
  EXPECT_EQ(1, r->isColor);
  EXPECT_EQ(0xC0, r->process);
  ASSERT_NE(nullptr, r->thumbnail);  // found through the next-directory link (Motorola)
  EXPECT_EQ(749, r->thumbnailSize);
  EXPECT_EQ(0xFF, r->thumbnail[0]);
  EXPECT_EQ(0xD8, r->thumbnail[1]);

  CRasterJPG pil;
  f = std::fopen(Fixture("exif_pil.jpg").c_str(), "rb");
  ASSERT_NE(nullptr, f);
  CRasterFileStream pilStream(f);
  ASSERT_TRUE(pil.Decode(&pilStream));
  std::fclose(f);
  r = pil.GetExifRecord();
  ASSERT_NE(nullptr, r);
  EXPECT_STREQ("PIL camera", r->cameraMake);
  EXPECT_EQ(6, r->orientation);
  EXPECT_FLOAT_EQ(72, r->xResolution);
  EXPECT_FLOAT_EQ(1, r->resolutionUnit);
}

TEST(Exif, TagRulesInBothByteOrders) {
  for (bool motorola : {false, true}) {
    SCOPED_TRACE(motorola);
    const Tiff t(motorola);
    const std::string comment = std::string("ASCII\0\0\0Hello   ", 16);
    const Bytes body = t.App1Body({t.Short(0x8827, 2), t.Rational(0x9201, 6, 1, 10),
                                   t.Rational(0x9202, 4, 1), t.Short(0x0128, 3),
                                   t.Rational(0x011A, 2835, 100), t.Text(0x9286, comment, 7),
                                   t.Short(0x0112, 9), t.Rational(0x9204, uint32_t(-2), 3, 10)});
    CRasterExifReader reader;
    ASSERT_TRUE(ParseBody(reader, body)) << reader.GetError();
    const CRasterExifRecord& r = reader.Record();
    EXPECT_EQ(motorola, reader.MotorolaOrder());
    EXPECT_EQ(400, r.isoEquivalent);
    EXPECT_FLOAT_EQ(1.0f / 64, r.exposureTime);
    EXPECT_FLOAT_EQ(4.0f, r.apertureFNumber);
    EXPECT_FLOAT_EQ(0.3937008f, r.resolutionUnit);
    EXPECT_NEAR(72, r.xResolution / r.resolutionUnit, 0.05);
    EXPECT_STREQ("Hello", r.comments);
    EXPECT_EQ(0, r.orientation);
    EXPECT_STREQ("Undefined rotation value", reader.GetError());
    EXPECT_FLOAT_EQ(-2.0f / 3, r.exposureBias);  // a signed rational
    // Values far beyond the fields' ranges are clamped, not converted out of range.
    const Bytes huge = t.App1Body({t.Double(0x9207, 1e300), t.Double(0x8827, -1e300),
                                   t.Double(0x011A, 1e300), t.Double(0x0201, 1e20),
                                   t.Double(0x0128, std::nan(""))});
    CRasterExifReader clamped;
    ASSERT_TRUE(ParseBody(clamped, huge)) << clamped.GetError();
    EXPECT_EQ(INT32_MAX, clamped.Record().meteringMode);
    EXPECT_EQ(INT32_MIN, clamped.Record().isoEquivalent);
  }
}

TEST(Exif, HostileDataIsRefusedWithinTheSection) {
  const Tiff t(true);
  struct Case {
    const char* what;
    Bytes body;
    const char* error;
  };
  Tiff::Entry wrapping{0x010F, 2, 0xFFFFFFF0u, {}, 0x20};
  Tiff::Entry beyond{0x010F, 2, 8, {}, 0xFFFFFFFCu};
  Tiff::Entry hugeCount{0x010F, 12, 0x40000000u, {}, 8};
  Tiff::Entry format13{0x010F, 13, 1, {}, 0};
  Bytes selfLink = t.App1Body({t.Short(0x0112, 1)}, 8);
  // An EXIF directory at 38 (the first value) whose own EXIF link points at itself.
  Bytes loopDirectory;
  t.U16(loopDirectory, 1);
  t.U16(loopDirectory, 0x8769);
  t.U16(loopDirectory, 4);
  t.U32(loopDirectory, 1);
  t.U32(loopDirectory, 38);
  t.U32(loopDirectory, 0);
  Bytes exifLoop = t.App1Body({t.Long(0x8769, 38), Tiff::Entry{0x1234, 7, 18, loopDirectory}});
  Bytes shortBody = t.App1Body({t.Short(0x0112, 1)});
  shortBody.resize(6 + 8 + 2 + 6);  // the entry is cut
  Bytes countBeyond = t.App1Body({});
  countBeyond[6 + 8] = 0x7F;  // 32512 entries in a few bytes
  const Case cases[] = {
      {"count times size wraps", t.App1Body({wrapping}), "Illegal pointer offset value in EXIF."},
      {"offset beyond", t.App1Body({beyond}), "Illegal pointer offset value in EXIF."},
      {"huge count of doubles", t.App1Body({hugeCount}), "Illegal pointer offset value in EXIF."},
      {"format 13", t.App1Body({format13}), "Illegal format code in EXIF dir"},
      {"next directory is itself", selfLink, "Illegal subdirectory link"},
      {"EXIF directory is itself", exifLoop, "Illegal subdirectory link"},
      {"entries cut", shortBody, "Illegally sized directory"},
      {"entry count beyond", countBeyond, "Illegally sized directory"},
      {"first directory beyond", t.App1Body({}, 0, 0x7FFFFFFF), "Illegal subdirectory link"},
      {"not Exif", Bytes{'E', 'x', 'i', 'x', 0, 0, 'M', 'M', 0, 42}, "Incorrect Exif header"},
      {"alignment", Bytes{'E', 'x', 'i', 'f', 0, 0, 'M', 'I', 0, 42, 0, 0, 0, 8}, "Invalid Exif alignment marker."},
      {"not 42", Bytes{'E', 'x', 'i', 'f', 0, 0, 'M', 'M', 0, 43, 0, 0, 0, 8}, "Invalid Exif start (1)"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    // A copy of exactly the body's length, so the sanitizer sees any read past it.
    std::unique_ptr<uint8_t[]> exact(new uint8_t[c.body.size()]);
    std::memcpy(exact.get(), c.body.data(), c.body.size());
    CRasterExifReader reader;
    EXPECT_FALSE(reader.ParseExif(exact.get(), c.body.size()));
    EXPECT_STREQ(c.error, reader.GetError());
  }
  // A directory whose next link sits past the end is read without the link; a user
  // comment that is not ASCII is cut to the field.
  const std::string longComment(3000, 'x');
  Bytes body = t.App1Body({t.Text(0x9286, longComment, 7)});
  CRasterExifReader reader;
  ASSERT_TRUE(ParseBody(reader, body));
  EXPECT_EQ(999u, std::strlen(reader.Record().comments));
  body = t.App1Body({t.Short(0x0112, 3)});
  body.resize(body.size() - 4);  // no room for the link
  std::unique_ptr<uint8_t[]> exact(new uint8_t[body.size()]);
  std::memcpy(exact.get(), body.data(), body.size());
  CRasterExifReader linkless;
  EXPECT_TRUE(linkless.ParseExif(exact.get(), body.size()));
  EXPECT_EQ(3, linkless.Record().orientation);
}

TEST(Exif, SectionsCommentsAndLimits) {
  const Tiff t(false);
  const Bytes exif = t.App1Body({t.Short(0x0112, 2)});
  const Bytes sof = {8, 0, 2, 0, 3, 3};  // 2 x 3, three components
  const Bytes dqt(65, 0);
  const Bytes com = {'a', '\r', '\n', 'b', 1};
  const Bytes sos = {1};
  // APP0, APP1, DQT, APP1, COM: the first APP1 and the comment are kept, in that order.
  Bytes file = Sections({{0xE0, {'J', 'F', 'I', 'F', 0}}, {0xE1, exif}, {0xDB, dqt}, {0xE1, exif},
                         {0xFE, com}, {0xC0, sof}, {0xDA, sos}},
                        {1, 2, 3, 0xFF, 0xD9});
  CRasterMemoryStream stream(file.data(), file.size());
  CRasterExifReader reader;
  ASSERT_TRUE(reader.ReadSections(&stream, CRasterExifReader::kReadExif | CRasterExifReader::kReadImageData));
  EXPECT_STREQ("a\nb?", reader.Record().comments);
  EXPECT_EQ(2, reader.Record().orientation);
  EXPECT_EQ(3, reader.Record().width);
  EXPECT_EQ(2, reader.Record().height);
  EXPECT_EQ(1, reader.Record().isExif);
  ASSERT_EQ(CRasterExifReader::kImageData, reader.Sections().back().type);
  EXPECT_EQ(5u, reader.Sections().back().data.size());
  reader.KeepExifAndComment();
  ASSERT_EQ(2u, reader.Sections().size());
  EXPECT_EQ(0xE1, reader.Sections()[0].type);
  EXPECT_EQ(0xFE, reader.Sections()[1].type);

  // The start of scan as the 20th section, with the image data after it, then 21
  // sections before any start of scan; a frame header too short to read.
  std::vector<std::pair<uint8_t, Bytes>> nineteen(19, {0xDB, dqt});
  std::vector<std::pair<uint8_t, Bytes>> twenty = nineteen;
  twenty.push_back({0xDA, sos});
  Bytes atLimit = Sections(twenty, {9, 9});
  CRasterMemoryStream limitStream(atLimit.data(), atLimit.size());
  CRasterExifReader limit;
  ASSERT_TRUE(limit.ReadSections(&limitStream, CRasterExifReader::kReadImageData));
  EXPECT_EQ(21u, limit.Sections().size());
  std::vector<std::pair<uint8_t, Bytes>> tooMany(21, {0xDB, dqt});
  tooMany.push_back({0xDA, sos});
  Bytes over = Sections(tooMany);
  CRasterMemoryStream overStream(over.data(), over.size());
  CRasterExifReader many;
  EXPECT_FALSE(many.ReadSections(&overStream, CRasterExifReader::kReadImageData));
  EXPECT_STREQ("Too many sections in jpg file", many.GetError());
  Bytes shortFrame = Sections({{0xC0, {8}}, {0xDA, sos}});
  CRasterMemoryStream shortStream(shortFrame.data(), shortFrame.size());
  CRasterExifReader frame;
  EXPECT_TRUE(frame.ReadSections(&shortStream, CRasterExifReader::kReadExif));
  EXPECT_EQ(0, frame.Record().width);
}

TEST(Exif, SavingALoadedPictureCarriesItsExifAndComment) {
  CRaster picture;
  ASSERT_TRUE(picture.Load(Fixture("exif_tool.jpg").c_str(), IMAGE_FORMAT_UNKNOWN));
  picture.SetPixelColor(0, 0, RGBQUAD{0, 0, 0, 0}, false);
  const Bytes file = EncodeJpeg(picture);
  ASSERT_GT(file.size(), 4u);
  EXPECT_EQ(0xE1, file[3]);  // the EXIF section in place of the JFIF header
  CRasterJPG back;
  CRasterMemoryStream stream(const_cast<uint8_t*>(file.data()), file.size());
  ASSERT_TRUE(back.Decode(&stream)) << back.GetLastError();
  const CRasterExifRecord* r = back.GetExifRecord();
  ASSERT_NE(nullptr, r);
  EXPECT_STREQ("Tool Make", r->cameraMake);
  EXPECT_STREQ("first line", r->comments);
  EXPECT_EQ(72, back.GetDpiX());
  // A picture decoded from another format afterwards carries nothing.
  CRaster png;
  FillPicture(png, {24, 4, 4, Extra::kNone});
  uint8_t* buffer = nullptr;
  size_t size = 0;
  ASSERT_TRUE(png.EncodeMemory(buffer, size, IMAGE_FORMAT_PNG));
  ASSERT_TRUE(picture.DecodeMemory(buffer, size, IMAGE_FORMAT_PNG));
  CRaster::FreeBuffer(buffer);
  const Bytes plain = EncodeJpeg(picture);
  ASSERT_GT(plain.size(), 4u);
  EXPECT_EQ(0xE0, plain[3]);
}

namespace {

// A JPEG of a 16 x 8 picture with an EXIF section of a camera make and an orientation.
Bytes JpegWithOrientation(bool motorola, uint16_t orientation) {
  CRaster picture;
  FillPicture(picture, {24, 16, 8, Extra::kNone});
  const Bytes plain = EncodeJpeg(picture);
  const Tiff tiff(motorola);
  const Bytes body = tiff.App1Body({tiff.Text(0x010F, "Old Camera"), tiff.Short(0x0112, orientation)});
  Bytes file = Sections({{0xE1, body}});
  file.insert(file.end(), plain.begin() + 2, plain.end());
  return file;
}

// The EXIF record of a JPEG file; isExif 0 without EXIF data.
CRasterExifRecord ExifOf(const Bytes& file) {
  CRasterExifRecord record = {};
  CRasterExifReader reader(&record);
  CRasterMemoryStream stream(const_cast<uint8_t*>(file.data()), file.size());
  reader.ReadSections(&stream, CRasterExifReader::kReadExif);
  return record;
}

}  // namespace

TEST(Exif, ANewPictureCarriesNoneOfTheOldFilesExif) {
  const Bytes file = JpegWithOrientation(false, 1);
  ASSERT_EQ(1, ExifOf(file).isExif);
  CRaster other;
  FillPicture(other, {24, 5, 5, Extra::kNone});
  const uint8_t pixels[16] = {};
  const std::vector<std::pair<const char*, std::function<bool(CRaster&)>>> news = {
      {"Create", [](CRaster& p) { return p.Create(8, 8, 24, IMAGE_FORMAT_UNKNOWN) != nullptr; }},
      {"CreateFromPixels", [&](CRaster& p) { return p.CreateFromPixels(pixels, 2, 2, 24, 8, true); }},
      {"CopyFrom", [&](CRaster& p) { p.CopyFrom(other, true, false, false); return p.GetWidth() == 5; }},
  };
  for (const auto& [name, make] : news) {
    SCOPED_TRACE(name);
    CRaster picture;
    ASSERT_TRUE(picture.DecodeMemory(file.data(), file.size(), IMAGE_FORMAT_JPG));
    ASSERT_EQ(1, ExifOf(EncodeJpeg(picture)).isExif);  // carried while it is the same picture
    ASSERT_TRUE(make(picture));
    const Bytes saved = EncodeJpeg(picture);
    ASSERT_GT(saved.size(), 4u);
    EXPECT_EQ(0xE0, saved[3]);
    EXPECT_EQ(0, ExifOf(saved).isExif);
  }
  // A failed decode leaves the picture and its EXIF data as they were.
  CRaster picture;
  ASSERT_TRUE(picture.DecodeMemory(file.data(), file.size(), IMAGE_FORMAT_JPG));
  const Bytes cut(file.begin(), file.begin() + 40);
  EXPECT_FALSE(picture.DecodeMemory(cut.data(), cut.size(), IMAGE_FORMAT_JPG));
  EXPECT_STREQ("Old Camera", ExifOf(EncodeJpeg(picture)).cameraMake);
}

TEST(Exif, TurnedOrMirroredPicturesAreSavedWithOrientationOne) {
  const std::vector<std::pair<const char*, std::function<bool(CRaster&)>>> turns = {
      {"clockwise", [](CRaster& p) { return p.RotateClockwise(); }},
      {"counter-clockwise", [](CRaster& p) { return p.RotateCounterClockwise(); }},
      {"mirrored", [](CRaster& p) { return p.MirrorHorizontal(); }},
      {"flipped", [](CRaster& p) { return p.FlipVertical(); }},
  };
  for (bool motorola : {false, true}) {
    const Bytes file = JpegWithOrientation(motorola, 6);
    ASSERT_EQ(6, ExifOf(file).orientation);
    for (const auto& [name, turn] : turns) {
      SCOPED_TRACE(std::string(name) + (motorola ? ", Motorola order" : ", Intel order"));
      CRaster picture;
      ASSERT_TRUE(picture.DecodeMemory(file.data(), file.size(), IMAGE_FORMAT_JPG));
      ASSERT_TRUE(turn(picture));
      const CRasterExifRecord saved = ExifOf(EncodeJpeg(picture));
      EXPECT_EQ(1, saved.isExif);
      EXPECT_EQ(1, saved.orientation);
      EXPECT_STREQ("Old Camera", saved.cameraMake);  // the rest of the data stays
    }
    // Untouched, the picture keeps its orientation.
    CRaster picture;
    ASSERT_TRUE(picture.DecodeMemory(file.data(), file.size(), IMAGE_FORMAT_JPG));
    EXPECT_EQ(6, ExifOf(EncodeJpeg(picture)).orientation);
  }
}
