// Our decoders against PIL: every fixture that PIL and ImageMagick wrote at build time
// (see make_fixtures.py) must decode to the pixels PIL decodes from it.
#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <vector>

#include "image/Raster.h"
#include "tests/image/TestPictures.h"

namespace {

struct Fixture {
  std::string file;
  int32_t format;
};

std::vector<Fixture> Manifest() {
  std::vector<Fixture> fixtures;
  std::ifstream in(std::string(IMAGE_FIXTURE_DIR) + "/manifest.txt");
  std::string name;
  int32_t format;
  while (in >> name >> format) fixtures.push_back({name, format});
  return fixtures;
}

}  // namespace

class CrossCheck : public ::testing::TestWithParam<Fixture> {};

TEST_P(CrossCheck, DecodesThePixelsPilDecodes) {
  const std::string path = std::string(IMAGE_FIXTURE_DIR) + "/" + GetParam().file;
  const std::vector<uint8_t> reference = ReadFileBytes(path + ".rgba");
  ASSERT_GE(reference.size(), 8u);
  const int width = reference[0] | reference[1] << 8;
  const int height = reference[4] | reference[5] << 8;
  const std::vector<uint8_t> expected(reference.begin() + 8, reference.end());

  for (int32_t id : {GetParam().format, IMAGE_FORMAT_UNKNOWN}) {
    CRaster picture;
    ASSERT_TRUE(picture.Load(path.c_str(), id)) << picture.GetLastError();
    EXPECT_EQ(GetParam().format, picture.GetFormatId());
    ASSERT_EQ(width, picture.GetWidth());
    ASSERT_EQ(height, picture.GetHeight());
    EXPECT_EQ("", CompareRgba(expected, ToRgba(picture), width)) << "format id " << id;
  }
}

TEST(CrossCheck, ManifestListsFixtures) { EXPECT_GE(Manifest().size(), 30u); }

// TIFF, Targa, PCX, WBMP and the JPEG-2000 family, written by PIL, ImageMagick, libtiff's
// and OpenJPEG's tools and netpbm (make_more_fixtures.py): each file (or page) decodes to the
// pixels listed for it, within the tolerance of lossy files, by its format id and by
// detection. One test for all, to start the test program once.
TEST(CrossCheck, OtherFormatsDecodeToTheToolsPixels) {
  std::ifstream in(std::string(IMAGE_FIXTURE_DIR) + "/formats.txt");
  std::string name;
  int32_t format = 0, tolerance = 0, frame = 0;
  int checked = 0;
  while (in >> name >> format >> tolerance >> frame) {
    SCOPED_TRACE(name + " page " + std::to_string(frame));
    const std::string path = std::string(IMAGE_FIXTURE_DIR) + "/" + name;
    const std::vector<uint8_t> reference =
        ReadFileBytes(frame ? path + "." + std::to_string(frame) + ".rgba" : path + ".rgba");
    ASSERT_GE(reference.size(), 8u);
    const int width = reference[0] | reference[1] << 8;
    const int height = reference[4] | reference[5] << 8;
    const std::vector<uint8_t> expected(reference.begin() + 8, reference.end());
    for (int32_t id : {format, IMAGE_FORMAT_UNKNOWN}) {
      CRaster picture;
      picture.SelectFrame(frame);
      ASSERT_TRUE(picture.Load(path.c_str(), id)) << picture.GetLastError();
      EXPECT_EQ(format, picture.GetFormatId());
      ASSERT_EQ(width, picture.GetWidth());
      ASSERT_EQ(height, picture.GetHeight());
      EXPECT_EQ("", CompareRgbaWithin(expected, ToRgba(picture), width, tolerance)) << "format id " << id;
    }
    ++checked;
  }
  EXPECT_GE(checked, 80);
}

INSTANTIATE_TEST_SUITE_P(Fixtures, CrossCheck, ::testing::ValuesIn(Manifest()),
                         [](const auto& info) {
                           std::string name = info.param.file;
                           for (char& c : name)
                             if (!isalnum(static_cast<unsigned char>(c))) c = '_';
                           return name;
                         });
