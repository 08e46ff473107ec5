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

INSTANTIATE_TEST_SUITE_P(Fixtures, CrossCheck, ::testing::ValuesIn(Manifest()),
                         [](const auto& info) {
                           std::string name = info.param.file;
                           for (char& c : name)
                             if (!isalnum(static_cast<unsigned char>(c))) c = '_';
                           return name;
                         });
