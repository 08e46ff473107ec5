// The PNG image list: items and the list's placeholders kept in step, names, sizes,
// pictures drawn by the list (faded when disabled), the faded copies' alpha, and glyphs
// of an image list beside captions.
#include <gtest/gtest.h>

#include <cmath>

#include "skin/data/PngImageList.h"
#include "skin/data/SkinDraw.h"
#include "tests/skin/data/SkinDrawSupport.h"

namespace {

std::string FixturePath(const std::string& Name) {
  return std::string(PNG_FIXTURE_DIR) + "/" + Name;
}

TOwned<TspPngImage> LoadPng(const std::string& Name) {
  TOwned<TspPngImage> picture(new TspPngImage);
  picture->LoadFromFile(FixturePath(Name));
  return picture;
}

// A 20 x 20 list with the fixtures' pictures.
TOwned<TspPngImageList> MakeList(std::initializer_list<const char*> Names) {
  TOwned<TspPngImageList> list(new TspPngImageList(nullptr));
  list->SetPngWidth(20);
  list->SetPngHeight(20);
  for (const char* name : Names) list->GetPngImages()->Add()->SetPngImage(LoadPng(name).get());
  return list;
}

TColor Composite(TColor S, int A, TColor D) {
  int out[3];
  for (int c = 0; c < 3; ++c) {
    const int s = (S >> (8 * c)) & 0xFF, d = (D >> (8 * c)) & 0xFF;
    out[c] = (A * s + (255 - A) * d + 255) >> 8;
  }
  return Rgb(out[0], out[1], out[2]);
}

}  // namespace

TEST(PngImageList, ItemsAndPlaceholdersStayInStep) {
  TOwned<TspPngImageList> list = MakeList({"rgb8_13x7.png", "pal4_13x7.png", "icon_rgba.png"});
  TspPngImageItems* items = list->GetPngImages();
  ASSERT_EQ(3, items->GetCount());
  EXPECT_EQ(3, list->GetCount());
  // Named by their index when made.
  EXPECT_EQ("PngImage0", items->GetItem(0)->GetName());
  EXPECT_EQ("PngImage2", items->GetItem(2)->GetName());
  EXPECT_EQ("PngImage2", items->GetItem(2)->GetDisplayName());
  items->GetItem(2)->SetName("");
  EXPECT_NE("", items->GetItem(2)->GetDisplayName());
  // Deleting, inserting and moving items moves their placeholders with them.
  items->Delete(1);
  EXPECT_EQ(2, list->GetCount());
  TspPngImageItem* inserted = static_cast<TspPngImageItem*>(items->Insert(0));
  EXPECT_EQ(0, inserted->GetIndex());
  EXPECT_EQ(3, list->GetCount());
  inserted->SetIndex(2);
  EXPECT_EQ(3, list->GetCount());
  items->Clear();
  EXPECT_EQ(0, list->GetCount());

  // A new picture size empties the list; the same size keeps it.
  TOwned<TspPngImageList> sized = MakeList({"rgb8_13x7.png", "grey8_13x7.png"});
  sized->SetPngWidth(20);
  sized->SetPngHeight(20);
  EXPECT_EQ(2, sized->GetPngImages()->GetCount());
  sized->SetPngWidth(24);
  EXPECT_EQ(24, sized->GetWidth());
  EXPECT_EQ(0, sized->GetPngImages()->GetCount());
  EXPECT_EQ(0, sized->GetCount());
  // While the list is being built as a form is read, its items stay.
  TOwned<TspPngImageList> loading = MakeList({"rgb8_13x7.png"});
  {
    TComponentLoading building(loading.get());
    loading->SetPngHeight(32);
    EXPECT_EQ(1, loading->GetPngImages()->GetCount());
    building.Finish();
  }

  // Copies of items and of whole collections.
  TOwned<TspPngImageList> copy(new TspPngImageList(nullptr));
  copy->SetPngWidth(20);
  copy->SetPngHeight(20);
  TOwned<TspPngImageList> source = MakeList({"icon_rgba.png", "pal8_trns_partial.png"});
  copy->SetPngImages(source->GetPngImages());
  ASSERT_EQ(2, copy->GetPngImages()->GetCount());
  EXPECT_EQ(2, copy->GetCount());
  EXPECT_EQ("PngImage1", copy->GetPngImages()->GetItem(1)->GetName());
  EXPECT_EQ(2, copy->GetPngImages()->GetItem(1)->GetPngImage()->TransparencyKind());
  EXPECT_NE(source->GetPngImages()->GetItem(1)->GetPngImage(),
            copy->GetPngImages()->GetItem(1)->GetPngImage());
}

TEST(PngImageList, TheListDrawsItsPicturesFadedWhenDisabled) {
  TOwned<TspPngImageList> list = MakeList({"rgb8_13x7.png", "icon_rgba.png"});
  auto rgb = LoadPng("rgb8_13x7.png");
  const TColor background = Rgb(30, 60, 90);
  // Enabled: the picture stretched over the list's 20 x 20 at the point.
  TBitmapPtr b = FilledBitmap(60, 30, background);
  list->Draw(b->GetCanvas(), 5, 4, 0, true);
  EXPECT_EQ(TColor(rgb->ReadPixel(0, 0)), PixelOf(b.get(), 5, 4));
  EXPECT_EQ(TColor(rgb->ReadPixel(12, 6)), PixelOf(b.get(), 24, 23));
  EXPECT_EQ(background, PixelOf(b.get(), 25, 4));
  // Disabled: every pixel of an opaque picture at alpha 128.
  TBitmapPtr d = FilledBitmap(60, 30, background);
  list->Draw(d->GetCanvas(), 5, 4, 0, false);
  EXPECT_EQ(Composite(TColor(rgb->ReadPixel(0, 0)), 128, background), PixelOf(d.get(), 5, 4));
  EXPECT_EQ(Composite(TColor(rgb->ReadPixel(12, 6)), 128, background), PixelOf(d.get(), 24, 23));
  // An index without an item draws nothing.
  TBitmapPtr none = FilledBitmap(30, 30, background);
  list->Draw(none->GetCanvas(), 0, 0, 2, true);
  list->Draw(none->GetCanvas(), 0, 0, -1, true);
  EXPECT_EQ(background, PixelOf(none.get(), 10, 10));
  // A sheet for a look: the icon enabled and disabled.
  TBitmapPtr sheet =
      MakeBitmap(50, 24, [](int x, int y) { return ((x / 4 + y / 4) % 2) ? clWhite : clSilver; });
  list->Draw(sheet->GetCanvas(), 2, 2, 1, true);
  list->Draw(sheet->GetCanvas(), 26, 2, 1, false);
  SaveShot(sheet.get(), "png_list_icons");
}

TEST(PngImageList, FadedCopiesTakeAlphaByColourType) {
  struct Case {
    const char* name;
    std::function<int(int Alpha, bool Transparent)> expected;
  };
  const Case cases[] = {
      // An RGB picture gets an opaque plane: 255 / 256 x 128 = 127.5 goes to the even 128.
      {"rgb8_13x7.png", [](int, bool) { return 128; }},
      // Grey and palette pictures become RGB with alpha 127, 0 for the transparent colour.
      {"grey4_13x7.png", [](int, bool) { return 127; }},
      {"pal4_trns_bit.png", [](int, bool transparent) { return transparent ? 0 : 127; }},
      {"grey8_key.png", [](int, bool transparent) { return transparent ? 0 : 127; }},
      // Alpha pictures: Round(alpha / 256 x 128), halves to even.
      {"rgba8_33x17.png", [](int a, bool) { return int(std::nearbyint(a / 256.0 * 128)); }},
      {"ga16_13x7.png", [](int a, bool) { return int(std::nearbyint(a / 256.0 * 128)); }},
  };
  for (const Case& c : cases) {
    auto original = LoadPng(c.name);
    auto faded = LoadPng(c.name);
    MakeFadedCopy(faded.get(), 127);
    TChunkIHDR* h = faded->GetHeaderChunk();
    ASSERT_TRUE(h->ColorType == COLOR_RGBALPHA || h->ColorType == COLOR_GRAYSCALEALPHA) << c.name;
    const bool keyed = original->TransparencyKind() == 1;
    for (int y = 0; y < h->Height; ++y)
      for (int x = 0; x < h->Width; ++x) {
        const int before = original->AlphaRowAddress(y) ? original->AlphaRowAddress(y)[x] : 255;
        const bool transparent =
            keyed && original->ReadPixel(x, y) == original->PngTransparentColor();
        ASSERT_EQ(c.expected(before, transparent), faded->AlphaRowAddress(y)[x])
            << c.name << " " << x << "," << y;
        ASSERT_EQ(original->ReadPixel(x, y), faded->ReadPixel(x, y)) << c.name;
      }
  }
  // Halves go to the even neighbour: 3 / 256 x 128 = 1.5 -> 2, 5 / 256 x 128 = 2.5 -> 2.
  EXPECT_EQ(2, int(std::nearbyint(3 / 256.0 * 128)));
  EXPECT_EQ(2, int(std::nearbyint(5 / 256.0 * 128)));
}

TEST(PngImageList, ImageAndTextFollowTheButtonLayout) {
  TOwned<TspPngImageList> list = MakeList({"rgb8_13x7.png"});
  auto rgb = LoadPng("rgb8_13x7.png");
  const TRect r = Rect(0, 0, 100, 40);
  // The picture alone, centred (the spacing counts beside a picture): hw = (20 + 4) div 2.
  for (bool down : {false, true}) {
    TBitmapPtr b = FilledBitmap(100, 40, clWhite);
    DrawImageAndText(b->GetCanvas(), r, -1, 4, blGlyphLeft, "", 0, list.get(), down, true, false,
                     clNone);
    const int d = down ? 1 : 0;
    EXPECT_EQ(TColor(rgb->ReadPixel(0, 0)), PixelOf(b.get(), 38 + d, 10 + d)) << down;
    EXPECT_EQ(clWhite, PixelOf(b.get(), 37 + d, 10 + d)) << down;
  }
  // Disabled: the list's faded form.
  TBitmapPtr faded = FilledBitmap(100, 40, clWhite);
  DrawImageAndText(faded->GetCanvas(), r, 2, 4, blGlyphLeft, "", 0, list.get(), false, false, false,
                   clNone);
  EXPECT_EQ(Composite(TColor(rgb->ReadPixel(0, 0)), 128, clWhite), PixelOf(faded.get(), 2, 10));
  // The marker under the picture: rows of its last one, one above and one below.
  TBitmapPtr marked = FilledBitmap(100, 40, clWhite);
  DrawImageAndText(marked->GetCanvas(), r, 2, 4, blGlyphLeft, "", 0, list.get(), false, true, true,
                   clRed);
  for (int y : {28, 29, 30}) {
    EXPECT_EQ(clRed, PixelOf(marked.get(), 2, y));
    EXPECT_EQ(clRed, PixelOf(marked.get(), 21, y));
    EXPECT_EQ(clWhite, PixelOf(marked.get(), 22, y));
  }
  // An index equal to the count, or no list: no picture, the caption laid out alone.
  for (TCustomImageList* images :
       {static_cast<TCustomImageList*>(list.get()), static_cast<TCustomImageList*>(nullptr)}) {
    TBitmapPtr text = FilledBitmap(100, 40, clWhite);
    TCanvas* canvas = text->GetCanvas();
    canvas->GetFont()->SetColor(clBlack);
    canvas->GetFont()->SetHeight(-13);
    DrawImageAndText(canvas, r, -1, 4, blGlyphLeft, "Word", 1, images, false, true, false, clNone);
    RECT measure = {0, 0, 100, 40};
    DrawTextA(canvas->GetHandle(), "Word", -1, &measure,
              DT_CALCRECT | DT_EXPANDTABS | DT_WORDBREAK);
    int tx, ty, gx, gy;
    CalcButtonLayout(blGlyphLeft, r, 0, 0, measure.right, measure.bottom, 4, -1, tx, ty, gx, gy);
    int left = 100;
    for (int y = 0; y < 40; ++y)
      for (int x = 0; x < 100; ++x)
        if (PixelOf(text.get(), x, y) != clWhite) left = std::min(left, x);
    EXPECT_GE(left, tx);
    EXPECT_LE(left, tx + 3);
  }
}
