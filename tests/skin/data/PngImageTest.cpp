// The PNG picture classes on real GDI: drawing opaque, with a transparent colour and with
// alpha per pixel (scaled by nearest pixel, composited by the integer formula), copies to
// and from framework bitmaps, sizes, canvases and palettes, the picture registered for
// ".png" files, and the GDI objects it all holds.
#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <sstream>

#include "skin/data/PngImage.h"
#include "tests/framework/GdiCount.h"
#include "tests/framework/TestFolder.h"
#include "tests/skin/data/SkinDrawSupport.h"

namespace {

std::string FixturePath(const std::string& Name) {
  return std::string(PNG_FIXTURE_DIR) + "/" + Name;
}

// PIL's reading of a fixture: width, height and RGBA bytes top line first.
struct TReference {
  int W = 0, H = 0;
  std::string Pixels;
  explicit TReference(const std::string& Name) {
    std::ifstream in(FixturePath(Name + ".rgba"), std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    const std::string bytes = s.str();
    uint32_t w, h;
    std::memcpy(&w, bytes.data(), 4);
    std::memcpy(&h, bytes.data() + 4, 4);
    W = int(w);
    H = int(h);
    Pixels = bytes.substr(8);
  }
  const uint8_t* At(int X, int Y) const {
    return reinterpret_cast<const uint8_t*>(Pixels.data()) +
           4 * (size_t(Y) * size_t(W) + size_t(X));
  }
};

template <class T>
TOwned<T> Load(const std::string& Name) {
  TOwned<T> picture(new T);
  picture->LoadFromFile(FixturePath(Name));
  return picture;
}

// The picture drawn at 1:1 over a background colour.
TBitmapPtr DrawnOver(TGraphic* Picture, TColor Background, int Scale = 1) {
  TBitmapPtr b =
      FilledBitmap(Picture->GetWidth() * Scale, Picture->GetHeight() * Scale, Background);
  b->GetCanvas()->StretchDraw(Rect(0, 0, b->GetWidth(), b->GetHeight()), Picture);
  return b;
}

// (a x s + (255 - a) x d + 255) div 256 per channel.
TColor Composite(const uint8_t* S, int A, TColor D) {
  const int d[3] = {int(D & 0xFF), int(D >> 8 & 0xFF), int(D >> 16 & 0xFF)};
  int out[3];
  for (int c = 0; c < 3; ++c) out[c] = (A * S[c] + (255 - A) * d[c] + 255) >> 8;
  return Rgb(out[0], out[1], out[2]);
}

}  // namespace

TEST(PngImage, OpaquePicturesDrawTheirPixels) {
  for (const char* name :
       {"rgb8_13x7.png", "rgb16_33x17.png", "grey2_13x7.png", "grey16_13x7.png", "pal1_33x17.png",
        "pal4_13x7.png", "pal8_33x17.png", "rgb8_interlaced.png"}) {
    for (bool strict : {false, true}) {
      TOwned<TCustomPngImage> picture;
      if (strict)
        picture.reset(Load<TPNGObject>(name).release());
      else
        picture.reset(Load<TspPngImage>(name).release());
      EXPECT_FALSE(picture->GetTransparent()) << name;
      const TReference ref(name);
      TBitmapPtr b = DrawnOver(picture.get(), Rgb(1, 2, 3));
      for (int y = 0; y < ref.H; ++y)
        for (int x = 0; x < ref.W; ++x) {
          const uint8_t* p = ref.At(x, y);
          ASSERT_EQ(Rgb(p[0], p[1], p[2]), PixelOf(b.get(), x, y)) << name << " " << x << "," << y;
        }
    }
  }
}

TEST(PngImage, TransparentColourLeavesTheBackground) {
  for (const char* name : {"rgb8_key.png", "grey8_key.png", "pal4_trns_bit.png"}) {
    auto picture = Load<TspPngImage>(name);
    ASSERT_EQ(1, picture->TransparencyKind()) << name;
    EXPECT_TRUE(picture->GetTransparent());
    const TReference ref(name);
    const uint32_t key = picture->PngTransparentColor();
    for (int scale : {1, 2}) {
      TBitmapPtr b = DrawnOver(picture.get(), Rgb(0, 0, 255), scale);
      if (scale == 2) SaveShot(b.get(), "png_key_x2");
      int transparent = 0;
      for (int y = 0; y < ref.H * scale; ++y)
        for (int x = 0; x < ref.W * scale; ++x) {
          const uint8_t* p = ref.At(x / scale, y / scale);
          const TColor colour = Rgb(p[0], p[1], p[2]);
          const bool clear = uint32_t(colour) == key;
          transparent += clear;
          ASSERT_EQ(clear ? Rgb(0, 0, 255) : colour, PixelOf(b.get(), x, y))
              << name << " " << x << "," << y;
        }
      EXPECT_GT(transparent, 0) << name;
    }
  }
}

TEST(PngImage, AlphaPicturesCompositeOverWhatTheDeviceShows) {
  const TColor background = Rgb(40, 200, 90);
  for (const char* name : {"rgba8_13x7.png", "rgba16_33x17.png", "ga8_33x17.png", "ga16_13x7.png",
                           "pal8_trns_partial.png", "rgba16_interlaced.png", "icon_rgba.png"}) {
    auto picture = Load<TspPngImage>(name);
    ASSERT_EQ(2, picture->TransparencyKind()) << name;
    const TReference ref(name);
    TBitmapPtr b = DrawnOver(picture.get(), background);
    for (int y = 0; y < ref.H; ++y)
      for (int x = 0; x < ref.W; ++x) {
        const uint8_t* p = ref.At(x, y);
        TColor expected = Composite(p, p[3], background);
        // RGB pictures copy opaque pixels and leave fully clear ones.
        if (p[3] == 0 && picture->GetHeaderChunk()->ColorType == COLOR_RGBALPHA)
          expected = background;
        if (p[3] == 255 && picture->GetHeaderChunk()->ColorType == COLOR_RGBALPHA)
          expected = Rgb(p[0], p[1], p[2]);
        ASSERT_EQ(expected, PixelOf(b.get(), x, y)) << name << " " << x << "," << y;
      }
  }
  // The icon over a chequerboard, for a look.
  auto icon = Load<TspPngImage>("icon_rgba.png");
  TBitmapPtr board = MakeBitmap(
      110, 40, [](int x, int y) { return ((x / 5 + y / 5) % 2) ? clWhite : Rgb(160, 160, 160); });
  board->GetCanvas()->Draw(2, 4, icon.get());
  board->GetCanvas()->StretchDraw(Rect(40, 0, 104, 40), icon.get());
  SaveShot(board.get(), "png_icon");
  // 128 of 255 over black: (128 x 255 + 255) div 256 = 128.
  const uint8_t white[3] = {255, 255, 255};
  EXPECT_EQ(Rgb(128, 128, 128), Composite(white, 128, Rgb(0, 0, 0)));

  // Scaled by nearest pixel: destination column x reads column x x width div the target
  // width, so column 63 of a 64-pixel target reads column 32 of a 33-pixel picture.
  auto picture = Load<TspPngImage>("rgba8_33x17.png");
  const TReference ref("rgba8_33x17.png");
  TBitmapPtr b = FilledBitmap(80, 40, background);
  b->GetCanvas()->StretchDraw(Rect(3, 2, 67, 36), picture.get());
  SaveShot(b.get(), "png_alpha_scaled");
  for (int y = 0; y < 34; y += 3)
    for (int x = 0; x < 64; ++x) {
      const uint8_t* p = ref.At(x * 33 / 64, y * 17 / 34);
      TColor expected = p[3] == 0     ? background
                        : p[3] == 255 ? Rgb(p[0], p[1], p[2])
                                      : Composite(p, p[3], background);
      ASSERT_EQ(expected, PixelOf(b.get(), 3 + x, 2 + y)) << x << "," << y;
    }
  EXPECT_EQ(background, PixelOf(b.get(), 2, 2));
  EXPECT_EQ(background, PixelOf(b.get(), 67, 2));
  // A reversed rectangle is drawn as its normal form; an empty one draws nothing.
  TBitmapPtr reversed = FilledBitmap(80, 40, background);
  reversed->GetCanvas()->StretchDraw(Rect(67, 36, 3, 2), picture.get());
  for (int x = 0; x < 80; x += 7)
    for (int y = 0; y < 40; y += 5)
      ASSERT_EQ(PixelOf(b.get(), x, y), PixelOf(reversed.get(), x, y));
  TBitmapPtr empty = FilledBitmap(10, 10, background);
  empty->GetCanvas()->StretchDraw(Rect(2, 2, 2, 9), picture.get());
  EXPECT_EQ(background, PixelOf(empty.get(), 2, 2));
}

TEST(PngImage, BitmapsTakeThePictureAndGiveTheirs) {
  // Quiet picture into a bitmap: the pixel format by depth and alpha.
  struct Case {
    const char* name;
    TPixelFormat format;
    bool transparent;
  };
  const Case cases[] = {
      {"rgba8_13x7.png", pf24bit, false}, {"pal1_13x7.png", pf1bit, false},
      {"pal4_13x7.png", pf4bit, false},   {"grey2_13x7.png", pf4bit, false},
      {"pal8_13x7.png", pf8bit, false},   {"rgb16_13x7.png", pf24bit, false},
      {"grey8_13x7.png", pf24bit, false}, {"rgb8_key.png", pf24bit, true},
  };
  for (const Case& c : cases) {
    auto picture = Load<TspPngImage>(c.name);
    TBitmapPtr bitmap(new TBitmap);
    bitmap->Assign(picture.get());
    EXPECT_EQ(c.format, bitmap->GetPixelFormat()) << c.name;
    EXPECT_EQ(picture->GetWidth(), bitmap->GetWidth()) << c.name;
    EXPECT_EQ(picture->GetHeight(), bitmap->GetHeight()) << c.name;
    EXPECT_EQ(c.transparent, bitmap->GetTransparent()) << c.name;
    if (c.transparent) {
      EXPECT_EQ(TColor(picture->PngTransparentColor()), bitmap->GetTransparentColor());
    }
    if (c.format == pf24bit && !c.transparent && std::string(c.name) != "rgba8_13x7.png") {
      const TReference ref(c.name);
      const uint8_t* p = ref.At(5, 3);
      EXPECT_EQ(Rgb(p[0], p[1], p[2]), PixelOf(bitmap.get(), 5, 3)) << c.name;
    }
  }
  // The strict picture gives a bitmap of the DIB's format, with the picture's colours.
  for (const char* name :
       {"rgb8_13x7.png", "pal8_13x7.png", "pal4_13x7.png", "rgb8_key.png", "grey2_13x7.png"}) {
    auto picture = Load<TPNGObject>(name);
    TBitmapPtr bitmap(new TBitmap);
    bitmap->Assign(picture.get());
    EXPECT_EQ(PixelFormatOfBits(picture->GetHeaderChunk()->Pixels.BitmapInfo.biBitCount),
              bitmap->GetPixelFormat())
        << name;
    const TReference ref(name);
    const uint8_t* p = ref.At(7, 2);
    EXPECT_EQ(Rgb(p[0], p[1], p[2]), PixelOf(bitmap.get(), 7, 2)) << name;
    EXPECT_EQ(picture->TransparencyKind() == 1, bitmap->GetTransparent()) << name;
  }

  // A 24-bit bitmap becomes an RGB picture of depth 8 without palette chunk.
  TBitmapPtr rgb = MakeBitmap(9, 5, [](int x, int y) { return Rgb(x * 20, y * 40, 77); });
  TspPngImage fromRgb;
  fromRgb.Assign(rgb.get());
  TChunkIHDR* h = fromRgb.GetHeaderChunk();
  ASSERT_NE(nullptr, h);
  EXPECT_EQ(COLOR_RGB, h->ColorType);
  EXPECT_EQ(8, h->BitDepth);
  EXPECT_EQ(nullptr, fromRgb.GetChunkList().ItemFromClass<TChunkPLTE>());
  EXPECT_EQ(3, fromRgb.GetChunkList().GetCount());  // header, image data, end
  EXPECT_EQ(uint32_t(Rgb(160, 160, 77)), fromRgb.ReadPixel(8, 4));
  // An 8-bit bitmap becomes a palette picture; a transparent one gets a transparency chunk.
  TBitmapPtr pal = MakeBitmap(
      6, 4, [](int x, int) { return x < 3 ? Rgb(255, 0, 0) : Rgb(0, 0, 255); }, pf8bit);
  pal->SetTransparentColor(Rgb(0, 0, 255));
  pal->SetTransparent(true);
  TPNGObject fromPal;
  fromPal.Assign(pal.get());
  ASSERT_TRUE(fromPal.HasHeader());
  EXPECT_EQ(COLOR_PALETTE, fromPal.GetHeaderChunk()->ColorType);
  EXPECT_EQ(8, fromPal.GetHeaderChunk()->BitDepth);
  ASSERT_NE(nullptr, fromPal.GetChunkList().ItemFromClass<TChunkPLTE>());
  EXPECT_EQ(256, fromPal.GetChunkList().ItemFromClass<TChunkPLTE>()->GetCount());
  EXPECT_EQ(1, fromPal.TransparencyKind());
  EXPECT_EQ(uint32_t(Rgb(0, 0, 255)), fromPal.PngTransparentColor());
  TBitmapPtr shown = DrawnOver(&fromPal, Rgb(9, 9, 9));
  EXPECT_EQ(Rgb(255, 0, 0), PixelOf(shown.get(), 1, 1));
  EXPECT_EQ(Rgb(9, 9, 9), PixelOf(shown.get(), 4, 1));
  // An empty bitmap gives an empty picture.
  TBitmapPtr empty(new TBitmap);
  TPNGObject fromEmpty;
  fromEmpty.Assign(pal.get());
  fromEmpty.Assign(empty.get());
  EXPECT_TRUE(fromEmpty.GetEmpty());
  // And written, it reads back the same.
  TMemoryStream stream;
  fromPal.SaveToStream(&stream);
  stream.SetPosition(0);
  TspPngImage back;
  back.LoadFromStream(&stream);
  EXPECT_EQ(1, back.TransparencyKind());
  EXPECT_EQ(uint32_t(Rgb(255, 0, 0)), back.ReadPixel(2, 3));
}

TEST(PngImage, SizesChangeOnlyOnTheQuietPicture) {
  TPNGObject strict;
  strict.LoadFromFile(FixturePath("rgb8_13x7.png"));
  try {
    strict.SetWidth(20);
    FAIL() << "no error";
  } catch (const EPngError& e) {
    EXPECT_STREQ(
        "The \"Portable Network Graphics\" image can not be resize by changing width and height "
        "properties. Try assigning the image from a bitmap.",
        e.what());
  }
  EXPECT_THROW(strict.SetHeight(3), EPngError);
  EXPECT_EQ(13, strict.GetWidth());

  auto quiet = Load<TspPngImage>("rgba8_13x7.png");
  auto original = Load<TspPngImage>("rgba8_13x7.png");
  int changes = 0;
  quiet->OnChange = [&changes](TObject*) { ++changes; };
  quiet->SetWidth(18);
  quiet->SetHeight(9);
  EXPECT_EQ(2, changes);
  EXPECT_EQ(18, quiet->GetWidth());
  EXPECT_EQ(9, quiet->GetHeight());
  EXPECT_EQ(original->ReadPixel(12, 6), quiet->ReadPixel(12, 6));
  EXPECT_EQ(original->AlphaRowAddress(6)[12], quiet->AlphaRowAddress(6)[12]);
  EXPECT_EQ(255, quiet->AlphaRowAddress(2)[15]);  // new columns are opaque
  EXPECT_EQ(255, quiet->AlphaRowAddress(8)[0]);
  // Its own canvas draws on the resized picture.
  TCanvas* canvas = quiet->GetCanvas();
  ASSERT_TRUE(canvas->HandleAllocated());
  canvas->GetBrush()->SetColor(Rgb(10, 20, 30));
  canvas->FillRect(Rect(15, 7, 18, 9));
  EXPECT_EQ(uint32_t(Rgb(10, 20, 30)), quiet->ReadPixel(17, 8));
  EXPECT_EQ(uint32_t(Rgb(10, 20, 30)), quiet->ReadPixel(15, 7));
  EXPECT_NE(uint32_t(Rgb(10, 20, 30)), quiet->ReadPixel(14, 7));
}

TEST(PngImage, PalettesOfGreyAndPalettePictures) {
  auto pal = Load<TspPngImage>("pal4_13x7.png");
  HPALETTE palette = pal->GetPalette();
  ASSERT_NE(nullptr, palette);
  PALETTEENTRY entries[16] = {};
  ASSERT_EQ(16u, GetPaletteEntries(palette, 0, 16, entries));
  TChunkPLTE* plte = pal->GetChunkList().ItemFromClass<TChunkPLTE>();
  EXPECT_EQ(plte->GetItem(5),
            uint32_t(Rgb(entries[5].peRed, entries[5].peGreen, entries[5].peBlue)));
  // A new palette copied into the colour table recolours the picture.
  std::vector<uint8_t> block(sizeof(LOGPALETTE) + 16 * sizeof(PALETTEENTRY));
  auto* logical = reinterpret_cast<LOGPALETTE*>(block.data());
  logical->palVersion = 0x300;
  logical->palNumEntries = 16;
  for (int i = 0; i < 16; ++i) logical->palPalEntry[i] = {BYTE(i * 16), 0, 0, 0};
  pal->SetPalette(CreatePalette(logical));
  const uint8_t index = pal->RowAddress(0)[0] >> 4;
  EXPECT_EQ(uint32_t(Rgb(index * 16, 0, 0)), pal->ReadPixel(0, 0));
  TBitmapPtr shown = DrawnOver(pal.get(), clWhite);
  EXPECT_EQ(Rgb(index * 16, 0, 0), PixelOf(shown.get(), 0, 0));

  auto strictGrey = Load<TPNGObject>("grey4_13x7.png");
  HPALETTE cached = strictGrey->GetPalette();
  ASSERT_NE(nullptr, cached);
  EXPECT_EQ(cached, strictGrey->GetPalette());  // made once
  EXPECT_EQ(256u, GetPaletteEntries(cached, 0, 256, nullptr));
  auto strictRgb = Load<TPNGObject>("rgb8_13x7.png");
  EXPECT_EQ(nullptr, strictRgb->GetPalette());
}

TEST(PngImage, PicturesOpenPngFilesAndKeepWhatTheyHadOnBadOnes) {
  TPicture picture;
  picture.LoadFromFile(FixturePath("rgba8_13x7.png"));
  ASSERT_NE(nullptr, dynamic_cast<TPNGObject*>(picture.GetGraphic()));
  EXPECT_EQ(13, picture.GetWidth());
  EXPECT_EQ(GraphicOf<TPNGObject>, TPicture::FindGraphicClass("png"));
  // A damaged file raises with its text; the picture keeps what it had.
  TTestFolder folder;
  const AnsiString badPath = folder.File("bad.png");
  WriteWholeFile(badPath, AnsiString("\x89PNX\r\n\x1a\nrest of a file"));
  try {
    picture.LoadFromFile(badPath);
    FAIL() << "no error";
  } catch (const EPNGInvalidFileHeader& e) {
    EXPECT_EQ(0u, std::string(e.what()).find("The file being readed is not a valid"));
  }
  ASSERT_NE(nullptr, picture.GetGraphic());
  EXPECT_EQ(13, picture.GetWidth());
  // The quiet picture is merely empty.
  TspPngImage quiet;
  quiet.LoadFromFile(badPath);
  EXPECT_TRUE(quiet.GetEmpty());
  EXPECT_EQ(0, quiet.GetWidth());
  TBitmapPtr b = FilledBitmap(5, 5, clWhite);
  b->GetCanvas()->Draw(0, 0, &quiet);  // draws nothing
  EXPECT_EQ(clWhite, PixelOf(b.get(), 0, 0));
  // Same-class copies; other classes raise the framework's assignment error.
  TspPngImage copy;
  copy.Assign(Load<TspPngImage>("ga8_13x7.png").get());
  EXPECT_EQ(2, copy.TransparencyKind());
  copy.Assign(nullptr);
  EXPECT_TRUE(copy.GetEmpty());
  TPNGObject strict;
  EXPECT_THROW(strict.Assign(&copy), EConvertError);
  EXPECT_THROW(strict.GetHeaderChunk(), EPNGHeaderNotPresent);
}

TEST(PngImage, ClipboardDataIsABitmapOfThePicture) {
  auto picture = Load<TPNGObject>("rgb8_13x7.png");
  uint16_t format = 0;
  HANDLE data = nullptr;
  HPALETTE palette = nullptr;
  picture->SaveToClipboardFormat(format, data, palette);
  EXPECT_EQ(CF_BITMAP, format);
  ASSERT_NE(nullptr, data);
  TPNGObject back;
  back.LoadFromClipboardFormat(format, data, palette);
  DeleteObject(data);
  EXPECT_EQ(COLOR_RGB, back.GetHeaderChunk()->ColorType);
  for (int y = 0; y < 7; y += 2)
    for (int x = 0; x < 13; x += 3) EXPECT_EQ(picture->ReadPixel(x, y), back.ReadPixel(x, y));
  EXPECT_THROW(back.LoadFromClipboardFormat(CF_TEXT, data, nullptr), EInvalidGraphic);
}

TEST(PngImage, PicturesGiveBackTheirGdiObjects) {
  auto round = [] {
    for (const char* name :
         {"pal8_trns_partial.png", "rgb8_key.png", "grey16_13x7.png", "rgba8_13x7.png"}) {
      auto quiet = Load<TspPngImage>(name);
      auto strict = Load<TPNGObject>(name);
      strict->GetPalette();
      TBitmapPtr b = DrawnOver(quiet.get(), clWhite, 2);
      b->GetCanvas()->Draw(0, 0, strict.get());
      quiet->SetWidth(20);
      TBitmapPtr copy(new TBitmap);
      copy->Assign(strict.get());
    }
    FreeMemoryContexts();
  };
  round();  // what the first round makes once (stock objects, cached fonts) stays
  const int before = GdiObjectCount();
  for (int i = 0; i < 60; ++i) round();
  EXPECT_LE(GdiObjectCount(), before + 2);
}
