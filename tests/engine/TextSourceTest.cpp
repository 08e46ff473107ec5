// The text source rendered by GDI into its 32-bit picture, checked by pixel facts. Sizes
// are compared with GDI's own measurement of the same text and font, never with fixed
// font metrics.
#include "engine/elements/TextSource.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "EngineTestSupport.h"
#include "engine/base/PackageFile.h"
#include "engine/effects/PropertyIds.h"

namespace {

using test_support::Bgra;
using test_support::PixelAt;
using ::testing::ElementsAre;

// Releases an element at the end of a test.
struct ElementDeleter {
  void operator()(IFrameElement* e) const { e->Release(); }
};
using TextPtr = std::unique_ptr<CTextSource, ElementDeleter>;

TextPtr MakeText() { return TextPtr(new CTextSource()); }

// The text rectangle GDI measures for the text in the font, as the source measures it.
SIZE Measure(const std::string& text, const std::string& face, int height) {
  HFONT font =
      CreateFontA(height, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                  OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, 0x20, face.c_str());
  HDC dc = CreateDCA("DISPLAY", nullptr, nullptr, nullptr);
  HGDIOBJ old = SelectObject(dc, font);
  RECT rect = {0, 0, 1024, 1024};
  DrawTextA(dc, text.c_str(), int(text.size()), &rect, DT_CALCRECT | DT_NOPREFIX | DT_WORDBREAK);
  SelectObject(dc, old);
  DeleteDC(dc);
  DeleteObject(font);
  return SIZE{rect.right - rect.left, rect.bottom - rect.top};
}

// The colour GDI gives a rectangle filled with a brush of `colour` on a 32-bit picture.
Bgra GdiFillColour(int32_t colour) {
  CDibSurface s;
  EXPECT_TRUE(s.Create(4, 4, 32));
  HBRUSH brush = CreateSolidBrush(static_cast<COLORREF>(colour));
  RECT r = {0, 0, 4, 4};
  FillRect(s.GetDC(), &r, brush);
  DeleteObject(brush);
  GdiFlush();
  Bgra c = PixelAt(s, 1, 1);
  c[3] = -1;
  return c;
}

Bgra Opaque(Bgra c) { return {c[0], c[1], c[2], -1}; }

void Set(CTextSource& text, int32_t id, const std::string& value) {
  ASSERT_EQ(text.SetProperty(id, value), S_OK) << id;
}

int CountColour(CDibSurface& s, const Bgra& colour, int alpha) {
  int n = 0;
  for (int y = 0; y < s.GetHeight(); ++y)
    for (int x = 0; x < s.GetWidth(); ++x) {
      const Bgra p = PixelAt(s, x, y);
      n += p[0] == colour[0] && p[1] == colour[1] && p[2] == colour[2] && p[3] == alpha;
    }
  return n;
}

const Bgra kRed = {0, 0, 255, -1};
const Bgra kWhite = {255, 255, 255, -1};

TEST(TextSource, NewTextHasItsDefaults) {
  TextPtr text = MakeText();
  EXPECT_EQ(text->GetText(), "Text");
  EXPECT_EQ(text->GetFontName(), "Arial");
  EXPECT_EQ(text->GetFontSize(), 20);
  EXPECT_EQ(text->GetColour(), 255);
  EXPECT_EQ(text->GetShadowColour(), 0xFFFFFF);
  EXPECT_EQ(text->GetBoxColour(), int32_t(0xFF000000u));
  EXPECT_EQ(text->GetBorderColour(), int32_t(0xFF000000u));
  EXPECT_EQ(text->GetOpacity(), 200);
  std::string value;
  ASSERT_EQ(text->GetProperty(PROP_TEXT_TRANSPARENCY, value), S_OK);
  EXPECT_EQ(value, "55");
  int32_t w = -1, h = -1;
  text->GetSize(&w, &h);
  EXPECT_EQ(w, 0) << "nothing is rendered before the first frame";
  EXPECT_EQ(text->Open("anything"), S_OK);
}

TEST(TextSource, NewTextShowsRedTextWithWhiteShadowOnBoxAndBorder) {
  TextPtr text = MakeText();
  CFrameLock lock;
  ASSERT_EQ(text->LockFrame(nullptr, &lock), S_OK);
  ASSERT_EQ(lock.picture, &text->GetPicture());
  CDibSurface& picture = *lock.picture;
  ASSERT_NE(picture.GetBits(), nullptr);
  EXPECT_EQ(picture.GetBitsPerPixel(), 32);

  // Text rectangle plus shadow 2, box padding 2 * 3 and 2 * 1, border 2 * 1.
  const SIZE t = Measure("Text", "Arial", 20);
  EXPECT_EQ(picture.GetWidth(), t.cx + 2 + 6 + 2);
  EXPECT_EQ(picture.GetHeight(), t.cy + 2 + 2 + 2);
  int32_t w = 0, h = 0;
  text->GetSize(&w, &h);
  EXPECT_EQ(w, picture.GetWidth());
  EXPECT_EQ(h, picture.GetHeight());

  // Box and border cover everything: every pixel has the opacity.
  for (int y = 0; y < picture.GetHeight(); ++y)
    for (int x = 0; x < picture.GetWidth(); ++x) ASSERT_EQ(PixelAt(picture, x, y)[3], 200);
  const Bgra box = GdiFillColour(int32_t(0xFF000000u));
  EXPECT_EQ(Opaque(PixelAt(picture, 0, 0)), box) << "border";
  EXPECT_EQ(Opaque(PixelAt(picture, 2, 1)), box) << "box padding";
  EXPECT_EQ(Opaque(PixelAt(picture, picture.GetWidth() - 1, picture.GetHeight() - 1)), box);
  EXPECT_GT(CountColour(picture, kRed, 200), 0);
  EXPECT_GT(CountColour(picture, kWhite, 200), 0);
  EXPECT_EQ(text->UnlockFrame(), S_OK);
}

TEST(TextSource, GeometryGrowsWithTheFontSize) {
  struct Case {
    int size;
    int extraWidth;   // shadow 2 + 2 * pad x + 2 * border
    int extraHeight;  // shadow 2 + 2 * pad y + 2 * border
  };
  for (const Case& c : {Case{5, 2 + 4 + 2, 2 + 2 + 2}, Case{20, 2 + 6 + 2, 2 + 2 + 2},
                        Case{60, 2 + 20 + 6, 2 + 10 + 6}, Case{100, 2 + 32 + 12, 2 + 16 + 12}}) {
    TextPtr text = MakeText();
    Set(*text, PROP_TEXT_SIZE, std::to_string(c.size));
    const SIZE t = Measure("Text", "Arial", c.size);
    EXPECT_EQ(text->GetPicture().GetWidth(), t.cx + c.extraWidth) << c.size;
    EXPECT_EQ(text->GetPicture().GetHeight(), t.cy + c.extraHeight) << c.size;
  }
}

TEST(TextSource, WithoutBoxAndBorderOnlyTextAndShadowShow) {
  TextPtr text = MakeText();
  Set(*text, PROP_TEXT_BOX_COLOR, "-1");
  Set(*text, PROP_TEXT_BORDER_COLOR, "-1");
  Set(*text, PROP_TEXT_TRANSPARENCY, "0");
  Set(*text, PROP_TEXT, "Hi");
  CDibSurface& picture = text->GetPicture();
  const SIZE t = Measure("Hi", "Arial", 20);
  ASSERT_EQ(picture.GetWidth(), t.cx + 2);
  ASSERT_EQ(picture.GetHeight(), t.cy + 2);
  EXPECT_EQ(PixelAt(picture, 0, picture.GetHeight() - 1)[3], 0) << "corner is transparent";

  // Every pixel is either transparent or fully opaque; the shadow lies one pixel up and to
  // the left of the text, so the first opaque row and column hold only shadow colour.
  int firstRow = -1, firstColumn = picture.GetWidth();
  for (int y = 0; y < picture.GetHeight(); ++y)
    for (int x = 0; x < picture.GetWidth(); ++x) {
      const int alpha = PixelAt(picture, x, y)[3];
      ASSERT_TRUE(alpha == 0 || alpha == 255) << x << "," << y;
      if (alpha == 255) {
        if (firstRow < 0) firstRow = y;
        firstColumn = std::min(firstColumn, x);
      }
    }
  ASSERT_GE(firstRow, 0);
  for (int x = 0; x < picture.GetWidth(); ++x) {
    if (PixelAt(picture, x, firstRow)[3] == 255) {
      EXPECT_EQ(Opaque(PixelAt(picture, x, firstRow)), kWhite) << x;
    }
  }
  for (int y = 0; y < picture.GetHeight(); ++y) {
    if (PixelAt(picture, firstColumn, y)[3] == 255) {
      EXPECT_EQ(Opaque(PixelAt(picture, firstColumn, y)), kWhite) << y;
    }
  }
  EXPECT_GT(CountColour(picture, kRed, 255), 0);
}

TEST(TextSource, WithoutShadowTheTextRectangleIsThePicture) {
  TextPtr text = MakeText();
  Set(*text, PROP_TEXT_SHADOW_COLOR, "-1");
  Set(*text, PROP_TEXT_BOX_COLOR, "-1");
  Set(*text, PROP_TEXT_BORDER_COLOR, "-1");
  Set(*text, PROP_TEXT_COLOR, std::to_string(0x00FF00));
  CDibSurface& picture = text->GetPicture();
  const SIZE t = Measure("Text", "Arial", 20);
  EXPECT_EQ(picture.GetWidth(), t.cx);
  EXPECT_EQ(picture.GetHeight(), t.cy);
  EXPECT_GT(CountColour(picture, Bgra{0, 255, 0, -1}, 200), 0);
  EXPECT_EQ(CountColour(picture, kWhite, 200), 0);
}

TEST(TextSource, BoxShowsItsColourAroundTheText) {
  TextPtr text = MakeText();
  Set(*text, PROP_TEXT_BORDER_COLOR, std::to_string(0x0000FF));
  Set(*text, PROP_TEXT_BOX_COLOR, std::to_string(0xFF0000));
  CDibSurface& picture = text->GetPicture();
  EXPECT_EQ(PixelAt(picture, 0, 0), (Bgra{0, 0, 255, 200})) << "border";
  EXPECT_EQ(PixelAt(picture, 1, 1), (Bgra{255, 0, 0, 200})) << "box";
  EXPECT_EQ(PixelAt(picture, picture.GetWidth() - 2, picture.GetHeight() - 2),
            (Bgra{255, 0, 0, 200}));
}

TEST(TextSource, LinesBreakAndWrapAsGdiMeasuresThem) {
  for (const std::string& s :
       {std::string("one\r\ntwo\r\nthree"),
        std::string(200, 'w').insert(100, " ") + " words words words words words"}) {
    TextPtr text = MakeText();
    Set(*text, PROP_TEXT_SHADOW_COLOR, "-1");
    Set(*text, PROP_TEXT_BOX_COLOR, "-1");
    Set(*text, PROP_TEXT_BORDER_COLOR, "-1");
    Set(*text, PROP_TEXT, s);
    const SIZE t = Measure(s, "Arial", 20);
    EXPECT_EQ(text->GetPicture().GetWidth(), t.cx);
    EXPECT_EQ(text->GetPicture().GetHeight(), t.cy);
    EXPECT_GT(t.cy, Measure("one", "Arial", 20).cy) << "more than one line";
  }
}

TEST(TextSource, AMissingFontFallsBackToAnotherFace) {
  TextPtr text = MakeText();
  Set(*text, PROP_TEXT_FONT, "No Such Font Face");
  EXPECT_EQ(text->GetFontName(), "No Such Font Face");
  EXPECT_GT(text->GetPicture().GetWidth(), 10);
  EXPECT_GT(CountColour(text->GetPicture(), kRed, 200), 0);
}

TEST(TextSource, PropertiesAreClampedAndTransparencyIsTheComplement) {
  struct Case {
    int32_t id;
    const char* written;
    const char* readBack;
  };
  for (const Case& c :
       {Case{PROP_TEXT_SIZE, "3", "5"}, Case{PROP_TEXT_SIZE, "500", "100"},
        Case{PROP_TEXT_SIZE, "x", "5"}, Case{PROP_TEXT_SIZE, "37", "37"},
        Case{PROP_TEXT_TRANSPARENCY, "0", "0"}, Case{PROP_TEXT_TRANSPARENCY, "300", "255"},
        Case{PROP_TEXT_TRANSPARENCY, "-5", "0"}, Case{PROP_TEXT_TRANSPARENCY, "100", "100"},
        Case{PROP_TEXT_COLOR, "-1", "-1"}, Case{PROP_TEXT_FONT, "Courier", "Courier"},
        Case{PROP_TEXT, "a|b", "a|b"}}) {
    TextPtr text = MakeText();
    Set(*text, c.id, c.written);
    std::string value;
    ASSERT_EQ(text->GetProperty(c.id, value), S_OK);
    EXPECT_EQ(value, c.readBack) << c.id << " " << c.written;
  }
  TextPtr text = MakeText();
  Set(*text, PROP_TEXT_TRANSPARENCY, "0");
  EXPECT_EQ(text->GetOpacity(), 255);
  std::string value = "kept";
  EXPECT_EQ(text->GetProperty(PROP_COLOR_VALUE, value), E_FAIL);
  EXPECT_EQ(text->SetProperty(PROP_SCREEN_MODE, "1"), E_FAIL);
  EXPECT_EQ(value, "kept");
}

TEST(TextSource, OpacityIsTheAlphaOfEverythingDrawn) {
  TextPtr text = MakeText();
  Set(*text, PROP_TEXT_TRANSPARENCY, "155");
  EXPECT_EQ(PixelAt(text->GetPicture(), 0, 0)[3], 100);
}

TEST(TextSource, SavesItsItemsAndLoadsThemBack) {
  TextPtr text = MakeText();
  Set(*text, PROP_TEXT, "Hello");
  Set(*text, PROP_TEXT_FONT, "Courier New");
  Set(*text, PROP_TEXT_SIZE, "30");
  Set(*text, PROP_TEXT_COLOR, "123");
  Set(*text, PROP_TEXT_SHADOW_COLOR, "-1");
  Set(*text, PROP_TEXT_BOX_COLOR, "456");
  Set(*text, PROP_TEXT_BORDER_COLOR, "789");
  Set(*text, PROP_TEXT_TRANSPARENCY, "5");
  CPackageFile package(MakePackageTag("FCEC"));
  ASSERT_EQ(text->Save(&package), S_OK);
  std::vector<uint32_t> ids;
  for (const auto& item : package.GetItems()) ids.push_back(item.id);
  EXPECT_THAT(ids, ElementsAre(0x3000, 0x3001, 0x3002, 0x3003, 0x3004, 0x3005, 0x3006, 0x3007));
  EXPECT_EQ(package.Find(0x3000)->type, CPackageFile::kTypeText);
  EXPECT_EQ(package.Find(0x3001)->type, CPackageFile::kTypeText);
  EXPECT_EQ(package.GetInt(0x3007, -1), 250) << "the opacity itself";

  TextPtr loaded = MakeText();
  ASSERT_EQ(loaded->Load(&package), S_OK);
  for (int32_t id = PROP_TEXT; id <= PROP_TEXT_TRANSPARENCY; ++id) {
    std::string a, b;
    text->GetProperty(id, a);
    loaded->GetProperty(id, b);
    EXPECT_EQ(a, b) << id;
  }
}

TEST(TextSource, LoadingTakesMissingItemsFromTheCurrentValuesButTheTextIsEmpty) {
  TextPtr text = MakeText();
  CFrameLock lock;
  text->LockFrame(nullptr, &lock);
  const int before = text->GetPicture().GetWidth();
  CPackageFile package(MakePackageTag("FCEC"));
  package.SetInt(PROP_TEXT_SIZE, 1000);
  package.SetInt(PROP_TEXT_TRANSPARENCY, -40);
  ASSERT_EQ(text->Load(&package), S_OK);
  EXPECT_EQ(text->GetText(), "");
  EXPECT_EQ(text->GetFontName(), "Arial");
  EXPECT_EQ(text->GetFontSize(), 100);
  EXPECT_EQ(text->GetOpacity(), 0);
  EXPECT_EQ(text->GetShadowColour(), 0xFFFFFF);
  // The new settings show at the next frame.
  CFrameLock again;
  text->LockFrame(nullptr, &again);
  ASSERT_NE(again.picture, nullptr);
  EXPECT_NE(again.picture->GetWidth(), before);
}

TEST(TextSource, AnnouncesItsEightProperties) {
  // Without an owner the notifications go nowhere; the element still answers 0.
  TextPtr text = MakeText();
  EXPECT_EQ(text->AnnounceProperties(), S_OK);
}

}  // namespace
