// Writes pictures with our encoders for check_written.py, which reads them back with
// independent tools (PIL, ImageMagick, libtiff's and OpenJPEG's tools, netpbm): for every
// format, depth, width and kind of transparency one file, beside it the pixels the tools
// must find in it (the reference layout of make_fixtures.py), and in OUTDIR/written.txt a
// line per file: name, format id, tolerance, then the header or tag facts the file must
// state, as key=value (a TIFF key may name its page: "1:PageName").
#include <cstdio>
#include <string>
#include <utility>
#include <vector>

#include "image/Raster.h"
#include "image/RasterStream.h"
#include "image/RasterTIF.h"
#include "tests/image/TestPictures.h"

namespace {

using Facts = std::vector<std::pair<std::string, std::string>>;

class SampleWriter {
 public:
  explicit SampleWriter(std::string outdir) : m_outdir(std::move(outdir)) {}

  std::string Path(const std::string& name) const { return m_outdir + "/" + name; }

  // Saves the picture as `name`; `expected` is what the tools must decode.
  bool Save(CRaster& picture, const std::string& name, int32_t format,
            const std::vector<uint8_t>& expected, const Facts& facts = {}, int tolerance = 0) {
    if (!picture.Save(Path(name).c_str(), format)) {
      std::fprintf(stderr, "%s: %s\n", name.c_str(), picture.GetLastError());
      return false;
    }
    return Reference(name, picture.GetWidth(), picture.GetHeight(), expected) &&
           List(name, format, facts, tolerance);
  }

  // The pixels a file (or its page `page` > 0) must decode to.
  bool Reference(const std::string& name, int width, int height,
                 const std::vector<uint8_t>& expected, int page = 0) {
    std::vector<uint8_t> reference = {uint8_t(width), uint8_t(width >> 8), 0, 0,
                                      uint8_t(height), uint8_t(height >> 8), 0, 0};
    reference.insert(reference.end(), expected.begin(), expected.end());
    const std::string file = page > 0 ? name + "." + std::to_string(page) : name;
    if (WriteFileBytes(Path(file) + ".rgba", reference)) return true;
    std::fprintf(stderr, "%s: reference not written\n", name.c_str());
    return false;
  }

  bool List(const std::string& name, int32_t format, const Facts& facts, int tolerance) {
    std::string line = name + "\t" + std::to_string(format) + "\t" + std::to_string(tolerance);
    for (const auto& fact : facts) line += "\t" + fact.first + "=" + fact.second;
    m_lines += line + "\n";
    return true;
  }

  bool Finish() {
    FILE* f = std::fopen(Path("written.txt").c_str(), "w");
    if (!f) return false;
    const bool ok = std::fputs(m_lines.c_str(), f) >= 0;
    return std::fclose(f) == 0 && ok;
  }

 private:
  std::string m_outdir;
  std::string m_lines;
};

std::string Text(int value) { return std::to_string(value); }

// A 1-bit picture drawn in black and white, the white entry first when asked.
void BlackAndWhite(CRaster& picture, bool whiteFirst) {
  picture.SetPaletteEntry(0, whiteFirst ? 255 : 0, whiteFirst ? 255 : 0, whiteFirst ? 255 : 0, 0);
  picture.SetPaletteEntry(1, whiteFirst ? 0 : 255, whiteFirst ? 0 : 255, whiteFirst ? 0 : 255, 0);
}

// What a format without alpha keeps of the picture.
std::vector<uint8_t> Kept(const CRaster& picture, bool keepsAlpha) {
  return keepsAlpha ? ToRgba(picture) : Opaque(ToRgba(picture));
}

// The formats of the first encoders: PIL reads them (GIF files ImageMagick too).
bool WriteFirstFormats(SampleWriter& out) {
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
          const std::string name = Describe(shape) + "_" + coders[option] + ".gif";
          if (!out.Save(picture, name, IMAGE_FORMAT_GIF, ToRgba(picture))) return false;
        }
  struct Format {
    int32_t id;
    const char* extension;
  };
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
          const std::string name = Describe(shape) + "." + format.extension;
          if (!out.Save(picture, name, format.id, Kept(picture, format.id != IMAGE_FORMAT_BMP)))
            return false;
        }
  return true;
}

// TIFF: every depth and kind of picture the encoder tells apart, the compressions, alpha
// as an extra sample, resolution, and pages written one after another.
bool WriteTiffs(SampleWriter& out) {
  struct Case {
    const char* stem;
    int depth;
    Extra extra;
    bool grey;        // a grey ramp palette
    int whiteFirst;   // 1-bit: -1 as filled, 0 black first, 1 white first
    int compression;  // the format option; 0 = the encoder's choice
    Facts facts;
    int tolerance;
    bool alphaPlane = false;  // 8 bits: an alpha plane beside the palette
  };
  const Case cases[] = {
      {"bw",
       1,
       Extra::kNone,
       false,
       0,
       0,
       {{"Photometric", "0"},
        {"Compression", "4"},
        {"BitsPerSample", "1"},
        {"SamplesPerPixel", "1"}},
       0},
      {"wb", 1, Extra::kNone, false, 1, 0, {{"Photometric", "0"}, {"Compression", "4"}}, 0},
      {"pal4",
       4,
       Extra::kNone,
       false,
       -1,
       0,
       {{"Photometric", "3"}, {"Compression", "5"}, {"BitsPerSample", "4"}, {"Predictor", "-"}},
       0},
      {"grey4", 4, Extra::kNone, true, -1, 0, {{"Photometric", "1"}, {"BitsPerSample", "4"}}, 0},
      {"pal8",
       8,
       Extra::kNone,
       false,
       -1,
       0,
       {{"Photometric", "3"}, {"Compression", "5"}, {"BitsPerSample", "8"}, {"Predictor", "2"}},
       0},
      {"pal8_key",
       8,
       Extra::kTransparency,
       false,
       -1,
       0,
       {{"Photometric", "3"}, {"SamplesPerPixel", "1"}},
       0},
      {"grey8", 8, Extra::kNone, true, -1, 0, {{"Photometric", "1"}, {"Predictor", "2"}}, 0},
      {"grey8_alpha",
       8,
       Extra::kNone,
       true,
       -1,
       0,
       {{"Photometric", "1"},
        {"SamplesPerPixel", "2"},
        {"BitsPerSample", "8 8"},
        {"ExtraSamples", "2"}},
       0,
       true},
      {"pal8_alpha",
       8,
       Extra::kNone,
       false,
       -1,
       0,
       {{"Photometric", "3"}, {"SamplesPerPixel", "2"}, {"ExtraSamples", "2"}},
       0,
       true},
      {"rgb_jpeg",
       24,
       Extra::kNone,
       false,
       -1,
       0,
       {{"Photometric", "2"},
        {"Compression", "7"},
        {"SamplesPerPixel", "3"},
        {"BitsPerSample", "8 8 8"}},
       40},
      {"rgb_none", 24, Extra::kNone, false, -1, 1, {{"Compression", "1"}, {"Predictor", "-"}}, 0},
      {"rgb_lzw", 24, Extra::kNone, false, -1, 5, {{"Compression", "5"}, {"Predictor", "2"}}, 0},
      {"rgb_packbits", 24, Extra::kNone, false, -1, 32773, {{"Compression", "32773"}}, 0},
      {"rgb_deflate", 24, Extra::kNone, false, -1, 8, {{"Compression", "8"}}, 0},
      {"rgba_lzw",
       24,
       Extra::kTransparency,
       false,
       -1,
       5,
       {{"Photometric", "2"},
        {"SamplesPerPixel", "4"},
        {"BitsPerSample", "8 8 8 8"},
        {"ExtraSamples", "2"}},
       0},
      {"rgba_jpeg",
       24,
       Extra::kTransparency,
       false,
       -1,
       0,
       {{"Compression", "7"}, {"SamplesPerPixel", "4"}, {"ExtraSamples", "2"}},
       40},
  };
  for (const Case& c : cases)
    for (int width : {1, 17, 33}) {
      const PictureShape shape{c.depth, width, 9, c.extra};
      CRaster picture;
      FillPicture(picture, shape);
      if (c.grey) picture.SetGreyPalette();
      if (c.whiteFirst >= 0) BlackAndWhite(picture, c.whiteFirst == 1);
      if (c.alphaPlane) {
        picture.CreateAlphaPlane();
        for (int y = 0; y < shape.height; ++y)
          for (int x = 0; x < width; ++x) picture.SetAlpha(x, y, uint8_t((x * 41 + y * 13) % 256));
      }
      picture.SetFormatOption(c.compression, IMAGE_FORMAT_TIF);
      picture.SetQuality(90);
      picture.SetDpiX(150);
      picture.SetDpiY(75);
      Facts facts = c.facts;
      facts.insert(facts.end(), {{"ImageWidth", Text(width)},
                                 {"ImageLength", "9"},
                                 {"PlanarConfig", "1"},
                                 {"Orientation", "1"},
                                 {"ResolutionUnit", "2"},
                                 {"XResolution", "150"},
                                 {"YResolution", "75"},
                                 {"SubFileType", "0"},
                                 {"PageName", "-"}});
      const std::string name = std::string(c.stem) + "_w" + Text(width) + ".tif";
      // (A transparent index has no place in TIFF.)
      if (!out.Save(picture, name, IMAGE_FORMAT_TIF, Kept(picture, picture.HasAlphaPlane()), facts,
                    c.tolerance))
        return false;
    }

  // Pages: grey, colour with alpha, black and white, each named and numbered.
  const std::string name = "pages.tif";
  // (libtiff reads the directories it wrote to link the next one: read and write.)
  FILE* file = std::fopen(out.Path(name).c_str(), "w+b");
  if (!file) return false;
  CRasterFileStream stream(file);
  CRasterTIF writer;
  Facts facts = {{"pages", "3"}};
  const PictureShape shapes[] = {
      {8, 13, 5, Extra::kNone}, {24, 17, 9, Extra::kTransparency}, {1, 33, 7, Extra::kNone}};
  bool ok = true;
  for (int page = 0; page < 3 && ok; ++page) {
    CRaster picture;
    FillPicture(picture, shapes[page]);
    if (page == 0) picture.SetGreyPalette();
    if (page == 1) picture.SetFormatOption(5, IMAGE_FORMAT_TIF);
    if (page == 2) BlackAndWhite(picture, false);
    ok = out.Reference(name, picture.GetWidth(), picture.GetHeight(), ToRgba(picture), page);
    writer.ShareFrom(&picture);
    ok = ok && writer.Encode(&stream, page < 2);
    if (!ok) std::fprintf(stderr, "%s page %d: %s\n", name.c_str(), page, writer.GetLastError());
    const std::string p = Text(page) + ":";
    const std::string number = Text(page + 1);
    facts.insert(facts.end(), {{p + "SubFileType", "2"},
                               {p + "PageNumber", number + " " + number},
                               {p + "PageName", "Page " + number},
                               {p + "ImageWidth", Text(shapes[page].width)},
                               {p + "Photometric", page == 0   ? "1"
                                                   : page == 1 ? "2"
                                                               : "0"}});
  }
  ok = std::fclose(file) == 0 && ok;
  return ok && out.List(name, IMAGE_FORMAT_TIF, facts, 0);
}

// The JPEG-2000 family: grey pictures as one component, true colour as three (alpha is
// not kept), losslessly at quality 100; PGX, PNM and Sun raster at every width's padding.
bool WriteJpeg2000Family(SampleWriter& out) {
  for (int width : {1, 17, 33})
    for (int kind = 0; kind < 3; ++kind) {
      const bool grey = kind == 0;
      const PictureShape shape{grey ? 8 : 24, width, 11,
                               kind == 2 ? Extra::kTransparency : Extra::kNone};
      const std::string stem = std::string(grey        ? "grey"
                                           : kind == 1 ? "rgb"
                                                       : "rgba") +
                               "_w" + Text(width);
      CRaster picture;
      FillPicture(picture, shape);
      if (grey) picture.SetGreyPalette();
      picture.SetQuality(100);
      const std::vector<uint8_t> expected = Kept(picture, false);
      const std::string components = grey ? "1" : "3";
      const Facts codeFacts = {{"numcomps", components},
                               {"prec", "8"},
                               {"sgnd", "0"},
                               {"x1", Text(width)},
                               {"y1", "11"}};
      Facts fileFacts = codeFacts;
      fileFacts.push_back({"colour", grey ? "17" : "16"});
      if (!out.Save(picture, stem + ".jp2", IMAGE_FORMAT_JP2, expected, fileFacts) ||
          !out.Save(picture, stem + ".j2k", IMAGE_FORMAT_JPC, expected, codeFacts))
        return false;
      if (grey && !out.Save(picture, stem + ".pgx", IMAGE_FORMAT_PGX, expected,
                            {{"header", "PG ML + 8 " + Text(width) + " 11"}}))
        return false;
      if (!out.Save(picture, stem + (grey ? ".pgm" : ".ppm"), IMAGE_FORMAT_PNM, expected,
                    {{"magic", grey ? "P5" : "P6"},
                     {"width", Text(width)},
                     {"height", "11"},
                     {"maxval", "255"}}))
        return false;
      const int depth = grey ? 8 : 24;
      const int rowBytes = (width * depth + 15) / 16 * 2;
      if (!out.Save(picture, stem + ".ras", IMAGE_FORMAT_RAS, expected,
                    {{"magic", "59a66a95"},
                     {"width", Text(width)},
                     {"height", "11"},
                     {"depth", Text(depth)},
                     {"length", Text(rowBytes * 11)},
                     {"type", "1"},
                     {"map_type", "0"},
                     {"map_length", "0"}}))
        return false;
    }
  // Lossy: quality 25 asks for a quarter of the samples' bytes (smooth colours, which
  // survive that nearly whole).
  CRaster picture(64, 48, 24, 0);
  for (int y = 0; y < 48; ++y)
    for (int x = 0; x < 64; ++x)
      picture.SetPixelColor(x, y, MakeQuad(uint8_t(2 * (x + y)), uint8_t(5 * y), uint8_t(4 * x)),
                            false);
  picture.SetQuality(25);
  const Facts quarter = {{"numcomps", "3"}, {"most_bytes", Text(64 * 48 * 3 / 4 + 400)}};
  if (!out.Save(picture, "smooth_q25.jp2", IMAGE_FORMAT_JP2, ToRgba(picture), quarter, 8))
    return false;
  // A busy picture loses more: the tools must find what this library reads back.
  FillPicture(picture, {24, 64, 48, Extra::kNone});
  picture.SetQuality(25);
  CRaster back;
  const std::vector<uint8_t> file = Encoded(picture, IMAGE_FORMAT_JP2);
  if (!back.DecodeMemory(file.data(), file.size(), IMAGE_FORMAT_JP2)) return false;
  return out.Save(picture, "busy_q25.jp2", IMAGE_FORMAT_JP2, ToRgba(back), quarter);
}

// WBMP, PCX and Targa.
bool WriteSmallFormats(SampleWriter& out) {
  // WBMP: sides of one and two bytes, either palette order.
  for (int width : {1, 10, 127, 128, 200, 255})
    for (int height : {3, 130})
      for (bool whiteFirst : {false, true}) {
        if (height == 130 && width != 200) continue;
        CRaster picture;
        FillPicture(picture, {1, width, height, Extra::kNone});
        BlackAndWhite(picture, whiteFirst);
        const std::string name = std::string(whiteFirst ? "wb" : "bw") + "_w" + Text(width) + "_h" +
                                 Text(height) + ".wbmp";
        const int headerBytes = 2 + (width >= 128 ? 2 : 1) + (height >= 128 ? 2 : 1);
        if (!out.Save(picture, name, IMAGE_FORMAT_WBMP, ToRgba(picture),
                      {{"type", "0"},
                       {"fixed", "0"},
                       {"width", Text(width)},
                       {"height", Text(height)},
                       {"header_bytes", Text(headerBytes)}}))
          return false;
      }

  // PCX: every plane layout the encoder writes, odd and even widths.
  struct PcxCase {
    const char* stem;
    int depth;
    Extra extra;
    int whiteFirst;  // 1-bit: 0 black first, 1 white first
    bool grey;
    int bits, planes, paletteInfo;
  };
  const PcxCase pcxCases[] = {
      {"bw", 1, Extra::kNone, 0, false, 1, 1, 0},
      {"wb", 1, Extra::kNone, 1, false, 1, 1, 0},
      {"pal4", 4, Extra::kNone, -1, false, 1, 4, 0},
      {"pal8", 8, Extra::kNone, -1, false, 8, 1, 0},
      {"pal8_key", 8, Extra::kTransparency, -1, false, 8, 1, 0},
      {"grey8", 8, Extra::kNone, -1, true, 8, 1, 0},
      {"rgb", 24, Extra::kNone, -1, false, 8, 3, 1},
      {"rgba", 24, Extra::kTransparency, -1, false, 8, 4, 1},
  };
  for (const PcxCase& c : pcxCases)
    for (int width : {1, 16, 17, 33}) {
      CRaster picture;
      FillPicture(picture, {c.depth, width, 9, c.extra});
      if (c.whiteFirst >= 0) BlackAndWhite(picture, c.whiteFirst == 1);
      if (c.grey) picture.SetGreyPalette();
      picture.SetDpiX(300);
      picture.SetDpiY(150);
      const int rowBytes = c.bits == 8 ? width : (width + 7) / 8;
      Facts facts = {{"manufacturer", "10"},
                     {"version", "5"},
                     {"encoding", "1"},
                     {"bits", Text(c.bits)},
                     {"xmin", "0"},
                     {"ymin", "0"},
                     {"xmax", Text(width - 1)},
                     {"ymax", "8"},
                     {"hdpi", "300"},
                     {"vdpi", "150"},
                     {"reserved", "0"},
                     {"planes", Text(c.planes)},
                     {"bytes_per_line", Text(rowBytes + (rowBytes & 1))},
                     {"palette_info", Text(c.paletteInfo)}};
      // 256 colours follow the data after a 12.
      if (c.bits == 8 && c.planes == 1) facts.push_back({"palette_signature", "12"});
      const std::string name = std::string(c.stem) + "_w" + Text(width) + ".pcx";
      if (!out.Save(picture, name, IMAGE_FORMAT_PCX, Kept(picture, picture.HasAlphaPlane()), facts))
        return false;
    }

  // Targa: colour-mapped and true colour, alpha as a fourth byte.
  struct TgaCase {
    const char* stem;
    int depth;
    Extra extra;
    bool grey;
  };
  const TgaCase tgaCases[] = {{"pal8", 8, Extra::kNone, false},
                              {"pal8_key", 8, Extra::kTransparency, false},
                              {"grey8", 8, Extra::kNone, true},
                              {"rgb", 24, Extra::kNone, false},
                              {"rgba", 24, Extra::kTransparency, false}};
  for (const TgaCase& c : tgaCases)
    for (int width : {1, 17, 33}) {
      CRaster picture;
      FillPicture(picture, {c.depth, width, 9, c.extra});
      if (c.grey) picture.SetGreyPalette();
      const bool mapped = c.depth == 8;
      const std::string name = std::string(c.stem) + "_w" + Text(width) + ".tga";
      if (!out.Save(picture, name, IMAGE_FORMAT_TGA, Kept(picture, picture.HasAlphaPlane()),
                    {{"id_length", "0"},
                     {"map_type", mapped ? "1" : "0"},
                     {"image_type", mapped ? "1" : "2"},
                     {"map_first", "0"},
                     {"map_length", mapped ? "256" : "0"},
                     {"map_entry_size", mapped ? "24" : "0"},
                     {"x_origin", "0"},
                     {"y_origin", "0"},
                     {"width", Text(width)},
                     {"height", "9"},
                     {"depth", picture.HasAlphaPlane() ? "32" : Text(c.depth)},
                     {"descriptor", "0"}}))
        return false;
    }
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s OUTDIR\n", argv[0]);
    return 2;
  }
  SampleWriter out(argv[1]);
  if (!WriteFirstFormats(out) || !WriteTiffs(out) || !WriteJpeg2000Family(out) ||
      !WriteSmallFormats(out) || !out.Finish())
    return 1;
  std::printf("files written\n");
  return 0;
}
