// Image lists: pictures added, inserted, moved and deleted by index, drawn by pixel facts
// (in range, out of range, blended by their alpha, disabled), masks and mask colours,
// strips split into pictures, the image list object for native controls, change notices.
#include <gtest/gtest.h>

#include "framework/Forms.h"
#include "framework/ImgList.h"
#include "tests/framework/DemoForm.h"

namespace {

// A white 24-bit canvas to draw on.
TBitmap* WhiteSheet(int Width, int Height) {
  auto* sheet = new TBitmap;
  sheet->SetPixelFormat(pf24bit);
  sheet->SetSize(Width, Height);
  sheet->GetCanvas()->GetBrush()->SetColor(clWhite);
  sheet->GetCanvas()->FillRect(TRect(0, 0, Width, Height));
  return sheet;
}

// Each channel within a few steps of the wanted colour.
::testing::AssertionResult Near(TColor Actual, TColor Wanted, int Tolerance = 3) {
  const COLORREF a = ColorToRGB(Actual), w = ColorToRGB(Wanted);
  if (std::abs(int(GetRValue(a)) - int(GetRValue(w))) <= Tolerance &&
      std::abs(int(GetGValue(a)) - int(GetGValue(w))) <= Tolerance &&
      std::abs(int(GetBValue(a)) - int(GetBValue(w))) <= Tolerance)
    return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure() << std::hex << "colour 0x" << a << " wanted 0x" << w;
}

}  // namespace

TEST(ImageList, DrawsPicturesInRangeByTheirAlphaAndNothingOutOfRange) {
  TOwned<TImageList> list(new TImageList(nullptr));
  ASSERT_EQ(16, list->GetWidth());
  {
    TOwned<TBitmap> red(SolidBitmap(16, 16, clRed));
    TOwned<TBitmap> halfBlue(PixelBitmap(16, 16, [](int, int) { return 0x800000FFu; }));
    // Left half opaque green, right half fully transparent.
    TOwned<TBitmap> half(PixelBitmap(16, 16, [](int x, int) { return x < 8 ? 0xFF00FF00u : 0x00000000u; }));
    EXPECT_EQ(0, list->Add(red.get(), nullptr));
    EXPECT_EQ(1, list->Add(halfBlue.get(), nullptr));
    EXPECT_EQ(2, list->Add(half.get(), nullptr));
  }
  ASSERT_EQ(3, list->GetCount());

  struct Case {
    const char* name;
    int index;
    bool enabled;
    TPoint at;         // where the test looks, relative to the drawing place
    TColor expected;
  };
  const Case cases[] = {
      {"opaque", 0, true, TPoint(8, 8), clRed},
      {"opaque corner", 0, true, TPoint(15, 15), clRed},
      {"half alpha", 1, true, TPoint(3, 3), TColor(0xFF7F7F)},
      {"opaque half", 2, true, TPoint(2, 2), clLime},
      {"transparent half", 2, true, TPoint(12, 2), clWhite},
      {"disabled: grey at half opacity", 0, false, TPoint(8, 8), TColor(0xA6A6A6)},
      {"below the range", -1, true, TPoint(8, 8), clWhite},
      {"beyond the range", 3, true, TPoint(8, 8), clWhite},
      {"far beyond", 1000, true, TPoint(8, 8), clWhite},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TOwned<TBitmap> sheet(WhiteSheet(40, 40));
    list->Draw(sheet->GetCanvas(), 10, 12, c.index, c.enabled);
    EXPECT_TRUE(Near(sheet->GetCanvas()->GetPixel(10 + c.at.X, 12 + c.at.Y), c.expected));
    EXPECT_EQ(clWhite, sheet->GetCanvas()->GetPixel(9, 11));   // nothing outside the picture
    EXPECT_EQ(clWhite, sheet->GetCanvas()->GetPixel(26, 28));
  }
  // The stored pixels come back as they went in.
  EXPECT_EQ(0x800000FFu, list->GetPixel(1, 5, 5));
  EXPECT_EQ(0u, list->GetPixel(2, 12, 0));
  EXPECT_EQ(0u, list->GetPixel(7, 0, 0));
  TOwned<TBitmap> copy(new TBitmap);
  EXPECT_TRUE(list->GetBitmap(1, copy.get()));
  EXPECT_EQ(pf32bit, copy->GetPixelFormat());
  EXPECT_EQ(16, copy->GetWidth());
  EXPECT_FALSE(list->GetBitmap(3, copy.get()));
  EXPECT_EQ(16, copy->GetWidth());  // left as it was
}

TEST(ImageList, MasksStripsAndIndexOperations) {
  TOwned<TImageList> list(new TImageList(nullptr));
  list->SetSize(8, 8);
  // A strip of three pictures: red, green, blue, each with a magenta corner pixel.
  const uint32_t colours[] = {0xFFFF0000u, 0xFF00FF00u, 0xFF0000FFu};
  TOwned<TBitmap> strip(PixelBitmap(24, 8, [&](int x, int y) {
    return (x % 8 == 0 && y == 0) ? 0xFFFF00FFu : colours[x / 8];
  }));
  // A 24-bit copy: without alpha, every pixel is opaque.
  strip->SetPixelFormat(pf24bit);
  EXPECT_EQ(0, list->AddMasked(strip.get(), clFuchsia));
  ASSERT_EQ(3, list->GetCount());
  EXPECT_EQ(0u, list->GetPixel(1, 0, 0));  // the mask colour is transparent
  EXPECT_EQ(0xFF00FF00u, list->GetPixel(1, 1, 0));
  // A mask bitmap: transparent where it is not black.
  TOwned<TBitmap> mask(PixelBitmap(8, 8, [](int x, int) { return x < 4 ? 0xFF000000u : 0xFFFFFFFFu; }));
  TOwned<TBitmap> yellow(SolidBitmap(8, 8, clYellow));
  list->Insert(1, yellow.get(), mask.get());
  ASSERT_EQ(4, list->GetCount());
  EXPECT_EQ(0xFFFFFF00u, list->GetPixel(1, 0, 0));
  EXPECT_EQ(0u, list->GetPixel(1, 5, 0));
  EXPECT_EQ(0xFF00FF00u, list->GetPixel(2, 1, 1));  // the green one moved up

  // Narrow bitmaps fill the picture from its top-left corner.
  TOwned<TBitmap> small(SolidBitmap(3, 3, clBlue));
  EXPECT_EQ(4, list->Add(small.get(), nullptr));
  EXPECT_EQ(0xFF0000FFu, list->GetPixel(4, 2, 2));
  EXPECT_EQ(0u, list->GetPixel(4, 3, 3));

  // Move, replace, delete; bad indexes raise and change nothing.
  list->Move(4, 0);
  EXPECT_EQ(0xFF0000FFu, list->GetPixel(0, 0, 0));
  list->Replace(0, yellow.get(), nullptr);
  EXPECT_EQ(0xFFFFFF00u, list->GetPixel(0, 7, 7));
  list->Delete(0);
  EXPECT_EQ(4, list->GetCount());
  EXPECT_THROW(list->Delete(4), EInvalidOperation);
  EXPECT_THROW(list->Insert(6, yellow.get(), nullptr), EInvalidOperation);
  EXPECT_THROW(list->Insert(-1, yellow.get(), nullptr), EInvalidOperation);
  EXPECT_THROW(list->Move(0, 9), EInvalidOperation);
  EXPECT_EQ(4, list->GetCount());
  EXPECT_EQ(4, list->Add(nullptr, nullptr));  // nothing to add
  EXPECT_EQ(4, list->GetCount());

  // Another size empties the list; the same size keeps it.
  list->SetSize(8, 8);
  EXPECT_EQ(4, list->GetCount());
  list->SetWidth(10);
  EXPECT_EQ(0, list->GetCount());
  EXPECT_EQ(10, list->GetWidth());
}

TEST(ImageList, TheImageListObjectFollowsThePicturesAndChangesAreTold) {
  TOwned<TImageList> list(new TImageList(nullptr));
  int changes = 0, linked = 0;
  list->OnChange = [&](TObject*) { ++changes; };
  TChangeLink link;
  link.OnChange = [&](TObject* Sender) {
    EXPECT_EQ(list.get(), Sender);
    ++linked;
  };
  list->RegisterChanges(&link);
  TOwned<TBitmap> red(SolidBitmap(16, 16, clRed));
  TOwned<TBitmap> blue(SolidBitmap(16, 16, clBlue));
  list->Add(red.get(), nullptr);
  EXPECT_EQ(1, changes);
  EXPECT_EQ(1, linked);

  HIMAGELIST handle = list->GetHandle();
  ASSERT_NE(nullptr, handle);
  EXPECT_EQ(1, ImageList_GetImageCount(handle));
  list->BeginUpdate();
  list->Add(blue.get(), nullptr);
  list->Insert(0, blue.get(), nullptr);
  list->EndUpdate();
  EXPECT_EQ(2, changes);  // told once, at the end
  EXPECT_EQ(handle, list->GetHandle());  // the same object: native controls hold it
  EXPECT_EQ(3, ImageList_GetImageCount(handle));
  list->Delete(0);
  EXPECT_EQ(2, ImageList_GetImageCount(handle));
  // The object draws the list's pictures in their order.
  TOwned<TBitmap> sheet(WhiteSheet(40, 20));
  ImageList_Draw(handle, 0, sheet->GetCanvas()->GetHandle(), 0, 0, ILD_NORMAL);
  ImageList_Draw(handle, 1, sheet->GetCanvas()->GetHandle(), 20, 0, ILD_NORMAL);
  EXPECT_TRUE(Near(sheet->GetCanvas()->GetPixel(8, 8), clRed));
  EXPECT_TRUE(Near(sheet->GetCanvas()->GetPixel(28, 8), clBlue));
  list->Clear();
  EXPECT_EQ(0, ImageList_GetImageCount(handle));
  list->UnRegisterChanges(&link);
  list->Add(red.get(), nullptr);
  EXPECT_EQ(4, linked);
  EXPECT_EQ(nullptr, link.GetSender());
}
