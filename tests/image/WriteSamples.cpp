// Writes pictures with our encoders for check_written.py, which decodes them with PIL:
// for every format, depth, width and kind of transparency one file, and beside it the
// pixels PIL must find in it (the reference layout of make_fixtures.py).
#include <cstdio>
#include <string>
#include <vector>

#include "image/Raster.h"
#include "tests/image/TestPictures.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s OUTDIR\n", argv[0]);
    return 2;
  }
  const std::string outdir = argv[1];
  struct Format {
    int32_t id;
    const char* extension;
  };
  int written = 0;
  auto write = [&](CRaster& picture, const std::string& name, std::vector<uint8_t> expected,
                   int32_t format, int width, int height) {
    if (!picture.Save(name.c_str(), format)) {
      std::fprintf(stderr, "%s: %s\n", name.c_str(), picture.GetLastError());
      return false;
    }
    std::vector<uint8_t> reference = {uint8_t(width), uint8_t(width >> 8), 0, 0,
                                      uint8_t(height), uint8_t(height >> 8), 0, 0};
    reference.insert(reference.end(), expected.begin(), expected.end());
    ++written;
    return WriteFileBytes(name + ".rgba", reference);
  };
  // GIF with every coder; true-colour pictures as the tile mosaic.
  const char* const coders[] = {"lzw", "literal", "runs"};
  for (int option = 0; option < 3; ++option)
    for (int depth : {1, 4, 8, 24})
      for (int width : {1, 3, 5, 17, 33, 40})
        for (Extra extra : {Extra::kNone, Extra::kTransparency}) {
          if (depth == 24 && extra == Extra::kTransparency) continue;
          const int height = width == 40 ? 20 : 7;
          const PictureShape shape{depth, width, height, extra};
          CRaster picture;
          FillPicture(picture, shape);
          picture.SetFormatOption(option, IMAGE_FORMAT_GIF);
          const std::string name = outdir + "/" + Describe(shape) + "_" + coders[option] + ".gif";
          if (!write(picture, name, ToRgba(picture), IMAGE_FORMAT_GIF, width, height)) return 1;
        }
  for (const Format& format : {Format{IMAGE_FORMAT_BMP, "bmp"}, Format{IMAGE_FORMAT_PNG, "png"},
                               Format{IMAGE_FORMAT_ICO, "ico"}})
    for (int depth : {1, 4, 8, 24})
      for (int width : {1, 3, 5, 17, 33})
        for (Extra extra : {Extra::kNone, Extra::kTransparency, Extra::kPaletteAlpha}) {
          if (depth == 24 && extra == Extra::kPaletteAlpha) continue;
          if (format.id != IMAGE_FORMAT_PNG && extra == Extra::kPaletteAlpha) continue;
          const PictureShape shape{depth, width, 7, extra};
          CRaster picture;
          FillPicture(picture, shape);
          std::vector<uint8_t> expected = ToRgba(picture);
          if (format.id == IMAGE_FORMAT_BMP) expected = Opaque(expected);
          const std::string name = outdir + "/" + Describe(shape) + "." + format.extension;
          if (!picture.Save(name.c_str(), format.id)) {
            std::fprintf(stderr, "%s: %s\n", name.c_str(), picture.GetLastError());
            return 1;
          }
          std::vector<uint8_t> reference = {uint8_t(width), uint8_t(width >> 8), 0, 0, 7, 0, 0, 0};
          reference.insert(reference.end(), expected.begin(), expected.end());
          if (!WriteFileBytes(name + ".rgba", reference)) return 1;
          ++written;
        }
  std::printf("%d files written\n", written);
  return 0;
}
