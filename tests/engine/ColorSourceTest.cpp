// The colour source: its "@color:" texts, its property and items, and its picture.
#include "engine/elements/ColorSource.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "EngineTestSupport.h"
#include "engine/base/ModuleValues.h"
#include "engine/base/PackageFile.h"
#include "engine/effects/PropertyIds.h"

namespace {

using test_support::Bgra;
using test_support::PixelAt;

struct ElementDeleter {
  void operator()(IFrameElement* e) const { e->Release(); }
};
using ColourPtr = std::unique_ptr<CColorSource, ElementDeleter>;

// Sets the engine's output size for one test.
class ScopedOutputSize {
 public:
  ScopedOutputSize(int w, int h) : m_previous(GetModuleOutputSize()) { SetModuleOutputSize(w, h); }
  ~ScopedOutputSize() { SetModuleOutputSize(m_previous.cx, m_previous.cy); }

 private:
  SIZE m_previous;
};

// Every pixel of the picture has this colour and alpha 255.
void ExpectSolid(CColorSource& source, DWORD colour) {
  CFrameLock lock;
  ASSERT_EQ(source.LockFrame(nullptr, &lock), S_OK);
  ASSERT_NE(lock.picture, nullptr);
  CDibSurface& p = *lock.picture;
  ASSERT_NE(p.GetBits(), nullptr);
  EXPECT_EQ(p.GetBitsPerPixel(), 32);
  const Bgra expected = test_support::FromColourRef(colour, 255);
  for (int y = 0; y < p.GetHeight(); ++y)
    for (int x = 0; x < p.GetWidth(); ++x) ASSERT_EQ(PixelAt(p, x, y), expected) << x << "," << y;
  EXPECT_EQ(source.UnlockFrame(), S_OK);
}

std::string ColourText(CColorSource& source) {
  std::string value;
  EXPECT_EQ(source.GetProperty(PROP_COLOR_VALUE, value), S_OK);
  return value;
}

TEST(ColorSource, NewSourceIsTheDefaultColourAtTheOutputSize) {
  ScopedOutputSize size(16, 12);
  ColourPtr source(new CColorSource());
  int32_t w = 0, h = 0;
  source->GetSize(&w, &h);
  EXPECT_EQ(w, 16);
  EXPECT_EQ(h, 12);
  EXPECT_EQ(ColourText(*source), "1151057");
  ExpectSolid(*source, 0x119051);
  EXPECT_FALSE(source->IsFilter());
  EXPECT_EQ(source->Render(nullptr, RECT{0, 0, 1, 1}), E_FAIL);
}

TEST(ColorSource, OpenReadsTheHexadecimalNumberAfterThePrefix) {
  struct Case {
    const char* path;
    int32_t colour;
  };
  for (const Case& c :
       {Case{"@color:0x00FF00", 0x00FF00}, Case{"@COLOR:0xff", 0x0000FF},
        Case{"@color:0x1234ab and more", 0x1234AB},
        Case{"@color:00FF00", CColorSource::kDefaultColour},
        Case{"@color:0X00FF00", CColorSource::kDefaultColour},
        Case{"@color:0x", CColorSource::kDefaultColour},
        Case{"@color:0xZZ", CColorSource::kDefaultColour},
        Case{"@color:", CColorSource::kDefaultColour}, Case{"@color:0x1FFFFFF", 0xFFFFFF},
        Case{"@color:0xFFFFFFFFFFFFFFFFFFFF", 0xFFFFFF}}) {
    ScopedOutputSize size(8, 4);
    ColourPtr source(new CColorSource());
    EXPECT_EQ(source->Open(c.path), S_OK);
    EXPECT_EQ(source->GetColour(), c.colour) << c.path;
    EXPECT_EQ(source->GetSourceText(), c.path);
    ExpectSolid(*source, c.colour);
  }
}

TEST(ColorSource, PropertyIsLimitedToColourReferencesAndRebuildsThePicture) {
  struct Case {
    const char* written;
    int32_t colour;
  };
  for (const Case& c : {Case{"255", 255}, Case{"-5", 0}, Case{"99999999", 0xFFFFFF},
                        Case{"green", 0}, Case{"65280", 0x00FF00}}) {
    ScopedOutputSize size(4, 4);
    ColourPtr source(new CColorSource());
    ASSERT_EQ(source->SetProperty(PROP_COLOR_VALUE, c.written), S_OK);
    EXPECT_EQ(ColourText(*source), std::to_string(c.colour)) << c.written;
    ExpectSolid(*source, c.colour);
  }
  ColourPtr source(new CColorSource());
  std::string value = "kept";
  EXPECT_EQ(source->GetProperty(PROP_TEXT, value), E_FAIL);
  EXPECT_EQ(source->SetProperty(PROP_TEXT, "x"), E_FAIL);
  EXPECT_EQ(value, "kept");
}

TEST(ColorSource, PictureKeepsItsSizeUntilTheColourIsSetAgain) {
  ScopedOutputSize size(8, 8);
  ColourPtr source(new CColorSource());
  SetModuleOutputSize(16, 4);
  EXPECT_EQ(source->GetPicture().GetWidth(), 8);
  source->SetProperty(PROP_COLOR_VALUE, "0");
  EXPECT_EQ(source->GetPicture().GetWidth(), 16);
  EXPECT_EQ(source->GetPicture().GetHeight(), 4);
}

TEST(ColorSource, AnUnusableOutputSizeGivesAnEmptyPicture) {
  ScopedOutputSize size(-3, 0);
  ColourPtr source(new CColorSource());
  EXPECT_EQ(source->GetPicture().GetBits(), nullptr);
  int32_t w = -1, h = -1;
  source->GetSize(&w, &h);
  EXPECT_EQ(w, 0);
  EXPECT_EQ(h, 0);
}

TEST(ColorSource, SavesAndLoadsItsColourItem) {
  ScopedOutputSize size(4, 4);
  ColourPtr source(new CColorSource());
  source->Open("@color:0x00FF00");
  CPackageFile package(MakePackageTag("FCEC"));
  ASSERT_EQ(source->Save(&package), S_OK);
  ASSERT_EQ(package.GetItems().size(), 1u);
  EXPECT_EQ(package.GetInt(PROP_COLOR_VALUE, -1), 0x00FF00);

  ColourPtr loaded(new CColorSource());
  ASSERT_EQ(loaded->Load(&package), S_OK);
  EXPECT_EQ(loaded->GetColour(), 0x00FF00);
  EXPECT_EQ(loaded->GetSourceText(), "");
  ExpectSolid(*loaded, 0x00FF00);

  struct Case {
    bool present;
    int32_t stored;
    int32_t colour;
  };
  for (const Case& c : {Case{false, 0, 0}, Case{true, -1, 0}, Case{true, 0x7FFFFFFF, 0xFFFFFF}}) {
    CPackageFile items(MakePackageTag("FCEC"));
    if (c.present) items.SetInt(PROP_COLOR_VALUE, c.stored);
    ColourPtr other(new CColorSource());
    ASSERT_EQ(other->Load(&items), S_OK);
    EXPECT_EQ(other->GetColour(), c.colour);
  }
}

}  // namespace
