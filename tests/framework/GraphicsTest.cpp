// The graphics unit on real GDI: colours, fonts, pens and brushes, canvas operations on
// bitmaps, bitmap formats through streams, transparency, icons, pictures and their file
// formats, and the GDI objects all of it holds.
#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "framework/Graphics.h"
#include "tests/framework/BmpBuilder.h"
#include "tests/framework/GdiCount.h"
#include "tests/framework/TestFolder.h"

namespace {

// Objects freed at the end of the scope.
struct TFreeDeleter {
  void operator()(TObject* object) const {
    if (object) object->Free();
  }
};
using TBitmapPtr = std::unique_ptr<TBitmap, TFreeDeleter>;

// A file beside the test program (the fixtures the build copies there).
AnsiString BesideProgram(const AnsiString& name) {
  char path[MAX_PATH];
  DWORD n = GetModuleFileNameA(nullptr, path, MAX_PATH);
  AnsiString folder(path, n);
  return folder.substr(0, folder.find_last_of("\\/") + 1) + name;
}

TBitmapPtr Filled(int w, int h, TColor color, TPixelFormat format = pf24bit) {
  TBitmapPtr b(new TBitmap);
  b->SetPixelFormat(format);
  b->SetSize(w, h);
  b->GetCanvas()->GetBrush()->SetColor(color);
  b->GetCanvas()->FillRect(Rect(0, 0, w, h));
  return b;
}

}  // namespace

TEST(Graphics, ColorsResolveSystemColoursAndKeepRgbValues) {
  struct Case {
    TColor color;
    COLORREF rgb;
  };
  const Case cases[] = {
      {clRed, RGB(255, 0, 0)},
      {clNavy, RGB(0, 0, 128)},
      {clWhite, RGB(255, 255, 255)},
      {0x123456, 0x123456},
      {clBtnFace, GetSysColor(COLOR_BTNFACE)},
      {clWindowText, GetSysColor(COLOR_WINDOWTEXT)},
      {clInfoBk, GetSysColor(COLOR_INFOBK)},
      {clHighlight, GetSysColor(COLOR_HIGHLIGHT)},
  };
  for (const Case& c : cases) EXPECT_EQ(c.rgb, ColorToRGB(c.color)) << std::hex << c.color;
}

TEST(Graphics, FontsPensAndBrushesMakeTheirObjectsAndTellOnlyRealChanges) {
  TFont font;
  int changes = 0;
  font.OnChange = [&changes](TObject*) { ++changes; };
  font.SetName("Arial");
  font.SetHeight(-20);
  font.SetStyle({fsBold, fsUnderline});
  font.SetCharset(ANSI_CHARSET);
  EXPECT_EQ(4, changes);
  font.SetName("Arial");
  font.SetHeight(-20);
  font.SetStyle({fsBold, fsUnderline});
  EXPECT_EQ(4, changes);
  LOGFONTA lf = {};
  ASSERT_EQ(int(sizeof(lf)), GetObjectA(font.GetHandle(), sizeof(lf), &lf));
  EXPECT_STREQ("Arial", lf.lfFaceName);
  EXPECT_EQ(-20, lf.lfHeight);
  EXPECT_EQ(FW_BOLD, lf.lfWeight);
  EXPECT_TRUE(lf.lfUnderline);
  EXPECT_FALSE(lf.lfItalic);
  EXPECT_EQ(ANSI_CHARSET, lf.lfCharSet);
  EXPECT_EQ(15, font.GetSize());  // 20 pixels at 96 pixels per inch

  // A change makes a new object; the colour is no part of the object.
  HFONT before = font.GetHandle();
  font.SetColor(clRed);
  EXPECT_EQ(5, changes);
  EXPECT_EQ(before, font.GetHandle());
  font.SetStyle({});
  EXPECT_NE(nullptr, font.GetHandle());

  // The attributes of another font object, and copies.
  TGdiHandle<HFONT> other(CreateFontA(-13, 0, 0, 0, FW_NORMAL, TRUE, FALSE, FALSE, DEFAULT_CHARSET, 0,
                                      0, 0, FIXED_PITCH, "Courier New"));
  font.SetHandle(other.get());
  EXPECT_EQ("Courier New", font.GetName());
  EXPECT_EQ(-13, font.GetHeight());
  EXPECT_EQ(TFontStyles({fsItalic}), font.GetStyle());
  EXPECT_EQ(fpFixed, font.GetPitch());
  TFont copy;
  int copyChanges = 0;
  copy.OnChange = [&copyChanges](TObject*) { ++copyChanges; };
  copy.Assign(&font);
  EXPECT_EQ(1, copyChanges);
  copy.Assign(&font);
  EXPECT_EQ(1, copyChanges);
  EXPECT_EQ(clRed, copy.GetColor());
  EXPECT_EQ("Courier New", copy.GetName());
  TPen pen;
  EXPECT_THROW(copy.Assign(&pen), EConvertError);

  pen.SetColor(clBlue);
  pen.SetWidth(3);
  LOGPEN lp = {};
  ASSERT_NE(0, GetObjectA(pen.GetHandle(), sizeof(lp), &lp));
  EXPECT_EQ(3, lp.lopnWidth.x);
  EXPECT_EQ(RGB(0, 0, 255), lp.lopnColor);
  pen.SetStyle(psClear);
  ASSERT_NE(0, GetObjectA(pen.GetHandle(), sizeof(lp), &lp));
  EXPECT_EQ(UINT(PS_NULL), lp.lopnStyle);

  TBrush brush;
  brush.SetStyle(bsClear);
  LOGBRUSH lb = {};
  ASSERT_NE(0, GetObjectA(brush.GetHandle(), sizeof(lb), &lb));
  EXPECT_EQ(UINT(BS_HOLLOW), lb.lbStyle);
  brush.SetColor(clLime);  // a colour makes a clear brush solid
  EXPECT_EQ(bsSolid, brush.GetStyle());
  ASSERT_NE(0, GetObjectA(brush.GetHandle(), sizeof(lb), &lb));
  EXPECT_EQ(UINT(BS_SOLID), lb.lbStyle);
  EXPECT_EQ(RGB(0, 255, 0), lb.lbColor);
}

TEST(Graphics, CanvasOperationsPaintTheirPixels) {
  TBitmapPtr b = Filled(60, 40, clWhite);
  TCanvas* c = b->GetCanvas();
  int changes = 0;
  c->OnChange = [&changes](TObject*) { ++changes; };

  c->GetBrush()->SetColor(clRed);
  c->FillRect(Rect(2, 2, 6, 6));
  EXPECT_EQ(clRed, c->GetPixel(2, 2));
  EXPECT_EQ(clRed, c->GetPixel(5, 5));
  EXPECT_EQ(clWhite, c->GetPixel(6, 6));  // right and bottom edges are outside

  c->GetBrush()->SetColor(clBlue);
  c->FrameRect(Rect(10, 2, 16, 8));
  EXPECT_EQ(clBlue, c->GetPixel(10, 2));
  EXPECT_EQ(clBlue, c->GetPixel(15, 7));
  EXPECT_EQ(clWhite, c->GetPixel(12, 4));

  c->GetPen()->SetColor(clGreen);
  c->GetBrush()->SetColor(clYellow);
  c->Rectangle(20, 2, 30, 10);
  EXPECT_EQ(clGreen, c->GetPixel(20, 2));
  EXPECT_EQ(clYellow, c->GetPixel(25, 6));
  c->Ellipse(32, 2, 42, 12);
  EXPECT_EQ(clYellow, c->GetPixel(37, 7));
  EXPECT_EQ(clWhite, c->GetPixel(32, 2));

  c->GetPen()->SetColor(clBlack);
  c->MoveTo(0, 20);
  c->LineTo(10, 20);
  EXPECT_EQ(clBlack, c->GetPixel(0, 20));
  EXPECT_EQ(clBlack, c->GetPixel(9, 20));
  EXPECT_EQ(clWhite, c->GetPixel(10, 20));  // the end point is not drawn
  EXPECT_EQ(Point(10, 20), c->GetPenPos());
  c->Polyline({Point(0, 25), Point(5, 25), Point(5, 30)});
  EXPECT_EQ(clBlack, c->GetPixel(5, 27));
  c->GetBrush()->SetColor(clPurple);
  c->Polygon({Point(12, 22), Point(22, 22), Point(22, 32), Point(12, 32)});
  EXPECT_EQ(clPurple, c->GetPixel(17, 27));

  c->SetPixel(59, 39, clTeal);
  EXPECT_EQ(clTeal, c->GetPixel(59, 39));
  EXPECT_EQ(clNone, c->GetPixel(60, 40));
  EXPECT_EQ(Rect(0, 0, 60, 40), c->GetClipRect());
  EXPECT_EQ(8, changes);  // one per drawing operation

  // Text: the extent is GDI's own measurement of the canvas's font; the pen moves on.
  c->GetFont()->SetName("Arial");
  c->GetFont()->SetHeight(-14);
  c->GetFont()->SetColor(clBlack);
  c->GetBrush()->SetColor(clWhite);
  SIZE expected = {};
  {
    TMemoryDC dc(CreateCompatibleDC(nullptr));
    HGDIOBJ old = SelectObject(dc.get(), c->GetFont()->GetHandle());
    GetTextExtentPoint32A(dc.get(), "Wide", 4, &expected);
    SelectObject(dc.get(), old);
  }
  EXPECT_EQ(expected.cx, c->TextWidth("Wide"));
  EXPECT_EQ(expected.cy, c->TextHeight("Wide"));
  c->GetBrush()->SetColor(clWhite);
  c->FillRect(Rect(0, 0, 60, 40));
  c->TextOut(2, 2, "Wide");
  EXPECT_EQ(Point(2 + expected.cx, 2), c->GetPenPos());
  int dark = 0;
  for (int y = 2; y < 2 + expected.cy; ++y)
    for (int x = 2; x < 2 + expected.cx; ++x)
      if (c->GetPixel(x, y) == clBlack) ++dark;
  EXPECT_GT(dark, 10);

  // TextRect clips to its rectangle and fills it with the brush.
  c->GetBrush()->SetColor(clAqua);
  c->TextRect(Rect(40, 20, 50, 30), 40, 20, "WWWWWWWW");
  EXPECT_EQ(clWhite, c->GetPixel(55, 25));
  bool filled = false;
  for (int x = 40; x < 50; ++x) filled |= c->GetPixel(x, 29) == clAqua;
  EXPECT_TRUE(filled);

  // CopyRect copies (and stretches) from another canvas with the copy mode.
  TBitmapPtr source = Filled(4, 4, clFuchsia);
  c->CopyRect(Rect(0, 30, 8, 38), source->GetCanvas(), Rect(0, 0, 4, 4));
  EXPECT_EQ(clFuchsia, c->GetPixel(7, 37));
  c->SetCopyMode(cmWhiteness);
  c->CopyRect(Rect(0, 30, 8, 38), source->GetCanvas(), Rect(0, 0, 4, 4));
  EXPECT_EQ(clWhite, c->GetPixel(7, 37));

  // A canvas without a context of its own cannot draw.
  TCanvas bare;
  EXPECT_THROW(bare.FillRect(Rect(0, 0, 1, 1)), EInvalidOperation);
}

TEST(Graphics, Frame3DDrawsTopLeftAndBottomRightSidesAndShrinksTheRect) {
  TBitmapPtr b = Filled(20, 20, clWhite);
  TRect r = Rect(2, 2, 12, 12);
  Frame3D(b->GetCanvas(), r, clRed, clBlue, 2);
  EXPECT_EQ(Rect(4, 4, 10, 10), r);
  TCanvas* c = b->GetCanvas();
  EXPECT_EQ(clRed, c->GetPixel(2, 2));
  EXPECT_EQ(clRed, c->GetPixel(2, 10));
  EXPECT_EQ(clRed, c->GetPixel(10, 2));
  EXPECT_EQ(clRed, c->GetPixel(3, 3));
  EXPECT_EQ(clBlue, c->GetPixel(11, 11));
  EXPECT_EQ(clBlue, c->GetPixel(11, 3));
  EXPECT_EQ(clBlue, c->GetPixel(3, 11));
  EXPECT_EQ(clBlue, c->GetPixel(10, 10));
  EXPECT_EQ(clWhite, c->GetPixel(5, 5));
  EXPECT_EQ(clWhite, c->GetPixel(12, 12));
}

TEST(Bitmap, EveryPixelFormatRoundTripsThroughABmpStream) {
  struct Case {
    TPixelFormat format;
    int bits;
    TColor colour;  // a colour every format holds exactly
  };
  const Case cases[] = {
      {pf1bit, 1, clWhite},    {pf4bit, 4, clRed},     {pf8bit, 8, clBlack},
      {pf15bit, 16, clBlue},   {pf16bit, 16, clLime},  {pf24bit, 24, 0x123456},
      {pf32bit, 32, 0x654321}, {pfDevice, 32, 0x345678},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.format);
    TBitmapPtr b = Filled(7, 5, clBlack, c.format);
    EXPECT_EQ(c.format, b->GetPixelFormat());
    b->GetCanvas()->SetPixel(6, 0, c.colour);
    b->GetCanvas()->SetPixel(0, 4, c.format == pf1bit ? clWhite : clRed);
    TMemoryStream stream;
    b->SaveToStream(&stream);
    const int64_t written = stream.GetSize();
    EXPECT_EQ(written, stream.GetPosition());
    // The file says its own size and the bit count of the format.
    uint8_t header[30] = {};
    stream.SetPosition(0);
    stream.ReadBuffer(header, sizeof(header));
    EXPECT_EQ(written, int64_t(header[2] | header[3] << 8 | header[4] << 16 | header[5] << 24));
    EXPECT_EQ(c.bits, header[28]);
    stream.SetPosition(0);
    TBitmapPtr back(new TBitmap);
    back->LoadFromStream(&stream);
    EXPECT_EQ(written, stream.GetPosition());
    EXPECT_EQ(7, back->GetWidth());
    EXPECT_EQ(5, back->GetHeight());
    EXPECT_EQ(c.format == pfDevice ? pf32bit : c.format, back->GetPixelFormat());
    EXPECT_EQ(c.colour, back->GetCanvas()->GetPixel(6, 0));
    EXPECT_EQ(c.format == pf1bit ? clWhite : clRed, back->GetCanvas()->GetPixel(0, 4));
    EXPECT_EQ(c.format == pf1bit ? clBlack : clBlack, back->GetCanvas()->GetPixel(3, 2));
  }
}

TEST(Bitmap, StreamsReadExactlyTheFilesOwnSizeAndBadDataKeepsTheBitmap) {
  TMemoryStream stream;
  {
    TBitmapPtr red = Filled(3, 3, clRed);
    TBitmapPtr blue = Filled(2, 4, clBlue, pf8bit);
    red->SaveToStream(&stream);
    blue->SaveToStream(&stream);
    stream.WriteBuffer("tail", 4);
  }
  stream.SetPosition(0);
  TBitmapPtr b(new TBitmap);
  b->LoadFromStream(&stream);
  EXPECT_EQ(3, b->GetWidth());
  b->LoadFromStream(&stream);
  EXPECT_EQ(2, b->GetWidth());
  EXPECT_EQ(clBlue, b->GetCanvas()->GetPixel(1, 3));
  char tail[4];
  stream.ReadBuffer(tail, 4);
  EXPECT_EQ(0, memcmp(tail, "tail", 4));

  // The reader's table of broken files is in the layout tests; here the stream side:
  // a size larger than the stream, a short header, an unknown layout. The bitmap keeps
  // its picture every time.
  const TBmpLayout good = Layout24(2, 1, {{0, 0, 255}, {0, 255, 0}});
  std::vector<uint8_t> tooLong = BuildBmp(good);
  tooLong[2] = 0xFF;
  std::vector<uint8_t> shortHeader = BuildBmp(good);
  shortHeader.resize(9);
  std::vector<uint8_t> badLayout = BuildBmp(good);
  badLayout[28] = 3;  // three bits per pixel
  for (const auto* bytes : {&tooLong, &shortHeader, &badLayout}) {
    TMemoryStream bad;
    bad.WriteBuffer(bytes->data(), int64_t(bytes->size()));
    bad.SetPosition(0);
    EXPECT_ANY_THROW(b->LoadFromStream(&bad));
    EXPECT_EQ(2, b->GetWidth());
    EXPECT_EQ(4, b->GetHeight());
    EXPECT_EQ(clBlue, b->GetCanvas()->GetPixel(1, 3));
  }
  TMemoryStream bad;
  bad.WriteBuffer(tooLong.data(), int64_t(tooLong.size()));
  bad.SetPosition(0);
  try {
    b->LoadFromStream(&bad);
  } catch (const EInvalidGraphic& e) {
    EXPECT_EQ("Bitmap image is not valid", e.Message);
  }
  TMemoryStream cut;
  cut.WriteBuffer(shortHeader.data(), int64_t(shortHeader.size()));
  cut.SetPosition(0);
  EXPECT_THROW(b->LoadFromStream(&cut), EReadError);
}

TEST(Bitmap, FilesFromDiskAndResourcesReadTheirPixels) {
  // three_by_two.bmp: bottom row blue, green, red; top row white, black, grey.
  AnsiString fixture = BesideProgram("fixtures\\three_by_two.bmp");
  TBitmapPtr b(new TBitmap);
  b->LoadFromFile(fixture);
  EXPECT_EQ(3, b->GetWidth());
  EXPECT_EQ(2, b->GetHeight());
  EXPECT_EQ(pf24bit, b->GetPixelFormat());
  TCanvas* c = b->GetCanvas();
  EXPECT_EQ(clWhite, c->GetPixel(0, 0));
  EXPECT_EQ(clGray, c->GetPixel(2, 0));
  EXPECT_EQ(clBlue, c->GetPixel(0, 1));
  EXPECT_EQ(clRed, c->GetPixel(2, 1));
  // Rows through ScanLine run from the top.
  const uint8_t* top = static_cast<const uint8_t*>(b->GetScanLine(0));
  EXPECT_EQ(255, top[0]);
  const uint8_t* bottom = static_cast<const uint8_t*>(b->GetScanLine(1));
  EXPECT_EQ(255, bottom[0]);  // blue
  EXPECT_EQ(0, bottom[2]);
  EXPECT_THROW(b->GetScanLine(2), EInvalidGraphic);

  TBitmapPtr r(new TBitmap);
  r->LoadFromResourceName(GetModuleHandleA(nullptr), "THREE_BY_TWO");
  EXPECT_EQ(3, r->GetWidth());
  EXPECT_EQ(clRed, r->GetCanvas()->GetPixel(2, 1));
  try {
    r->LoadFromResourceName(GetModuleHandleA(nullptr), "NO_SUCH_BITMAP");
    ADD_FAILURE();
  } catch (const EResNotFound& e) {
    EXPECT_EQ("Resource NO_SUCH_BITMAP not found", e.Message);
  }
  EXPECT_EQ(3, r->GetWidth());

  TTestFolder folder;
  b->SaveToFile(folder.File("copy.bmp"));
  TBitmapPtr again(new TBitmap);
  again->LoadFromFile(folder.File("copy.bmp"));
  EXPECT_EQ(clGray, again->GetCanvas()->GetPixel(2, 0));
}

TEST(Bitmap, ResizingConvertingCopyingAndHandlesKeepThePicture) {
  TBitmapPtr b = Filled(4, 4, clRed);
  int changes = 0;
  b->OnChange = [&changes](TObject*) { ++changes; };
  b->SetSize(6, 3);
  EXPECT_EQ(1, changes);
  EXPECT_EQ(clRed, b->GetCanvas()->GetPixel(3, 2));
  EXPECT_EQ(clWhite, b->GetCanvas()->GetPixel(5, 0));  // new area is white
  b->SetSize(6, 3);
  EXPECT_EQ(1, changes);
  b->SetPixelFormat(pf8bit);
  EXPECT_EQ(pf8bit, b->GetPixelFormat());
  EXPECT_EQ(clRed, b->GetCanvas()->GetPixel(0, 0));
  EXPECT_THROW(b->SetPixelFormat(pfCustom), EInvalidGraphic);
  b->GetCanvas()->SetPixel(0, 0, clBlue);  // drawing tells the bitmap's listeners
  EXPECT_GT(changes, 2);

  TBitmapPtr copy(new TBitmap);
  copy->Assign(b.get());
  EXPECT_EQ(6, copy->GetWidth());
  EXPECT_EQ(pf8bit, copy->GetPixelFormat());
  EXPECT_EQ(clBlue, copy->GetCanvas()->GetPixel(0, 0));
  copy->GetCanvas()->SetPixel(0, 0, clLime);  // a copy, not a shared picture
  EXPECT_EQ(clBlue, b->GetCanvas()->GetPixel(0, 0));

  HBITMAP own = copy->ReleaseHandle();
  EXPECT_TRUE(copy->GetEmpty());
  EXPECT_EQ(0, copy->GetWidth());
  ASSERT_NE(nullptr, own);
  copy->SetHandle(own);  // taken over again, and deleted with the bitmap
  EXPECT_EQ(6, copy->GetWidth());
  EXPECT_EQ(pf8bit, copy->GetPixelFormat());
  copy->SetSize(0, 5);
  EXPECT_TRUE(copy->GetEmpty());
  copy->Assign(nullptr);
  EXPECT_TRUE(copy->GetEmpty());
  TBitmapPtr mono(new TBitmap);
  mono->SetMonochrome(true);
  mono->SetSize(3, 3);
  EXPECT_TRUE(mono->GetMonochrome());
  EXPECT_EQ(clWhite, mono->GetTransparentColor());
}

TEST(Bitmap, TransparentBitmapsLeaveOutTheBottomLeftColourUnlessToldOtherwise) {
  TBitmapPtr sprite = Filled(4, 4, clFuchsia);
  sprite->GetCanvas()->GetBrush()->SetColor(clBlue);
  sprite->GetCanvas()->FillRect(Rect(1, 1, 3, 3));
  EXPECT_EQ(tmAuto, sprite->GetTransparentMode());
  EXPECT_EQ(clFuchsia, sprite->GetTransparentColor());
  sprite->GetCanvas()->SetPixel(0, 3, clLime);  // the rule reads the pixel every time
  EXPECT_EQ(clLime, sprite->GetTransparentColor());
  sprite->GetCanvas()->SetPixel(0, 3, clFuchsia);

  TBitmapPtr target = Filled(12, 12, clYellow);
  target->GetCanvas()->Draw(0, 0, sprite.get());  // opaque
  EXPECT_EQ(clFuchsia, target->GetCanvas()->GetPixel(0, 0));
  sprite->SetTransparent(true);
  target->GetCanvas()->Draw(6, 6, sprite.get());
  EXPECT_EQ(clYellow, target->GetCanvas()->GetPixel(6, 6));
  EXPECT_EQ(clBlue, target->GetCanvas()->GetPixel(7, 7));
  EXPECT_EQ(clYellow, target->GetCanvas()->GetPixel(9, 9));
  // Stretched drawing leaves the same colour out.
  TBitmapPtr big = Filled(16, 16, clYellow);
  big->GetCanvas()->StretchDraw(Rect(0, 0, 16, 16), sprite.get());
  EXPECT_EQ(clYellow, big->GetCanvas()->GetPixel(1, 1));
  EXPECT_EQ(clBlue, big->GetCanvas()->GetPixel(8, 8));

  // A fixed colour replaces the rule; tmAuto brings it back.
  sprite->SetTransparentColor(clBlue);
  EXPECT_EQ(tmFixed, sprite->GetTransparentMode());
  TBitmapPtr third = Filled(4, 4, clYellow);
  third->GetCanvas()->Draw(0, 0, sprite.get());
  EXPECT_EQ(clFuchsia, third->GetCanvas()->GetPixel(0, 0));
  EXPECT_EQ(clYellow, third->GetCanvas()->GetPixel(1, 1));
  sprite->SetTransparentMode(tmAuto);
  EXPECT_EQ(clFuchsia, sprite->GetTransparentColor());
  sprite->SetTransparentMode(tmFixed);
  EXPECT_EQ(clFuchsia, sprite->GetTransparentColor());
  EXPECT_EQ(tmFixed, sprite->GetTransparentMode());
  // Copies keep the transparency.
  TBitmapPtr copy(new TBitmap);
  copy->Assign(sprite.get());
  EXPECT_TRUE(copy->GetTransparent());
  EXPECT_EQ(tmFixed, copy->GetTransparentMode());
}

TEST(Icon, LoadsTheNearestPictureDrawsTransparentlyAndSavesItsFile) {
  std::vector<uint8_t> file =
      BuildIcon({{16, 16, 32, IconPicture(16, 16, 0xFF00FF00u)}, {32, 32, 32, IconPicture(32, 32, 0xFFFF0000u)}});
  TMemoryStream stream;
  stream.WriteBuffer(file.data(), int64_t(file.size()));
  stream.SetPosition(0);
  TIcon* icon = new TIcon;
  icon->LoadFromStream(&stream);
  EXPECT_EQ(32, icon->GetWidth());
  EXPECT_TRUE(icon->GetTransparent());
  TBitmapPtr target = Filled(40, 40, clWhite);
  target->GetCanvas()->Draw(2, 2, icon);
  EXPECT_EQ(clRed, target->GetCanvas()->GetPixel(10, 10));  // 0xFFFF0000 is opaque red
  EXPECT_EQ(clWhite, target->GetCanvas()->GetPixel(35, 35));

  icon->SetWidth(16);
  icon->SetHeight(16);
  EXPECT_EQ(16, icon->GetWidth());
  target->GetCanvas()->Draw(0, 0, icon);
  EXPECT_EQ(clLime, target->GetCanvas()->GetPixel(5, 5));

  TMemoryStream saved;
  icon->SaveToStream(&saved);
  ASSERT_EQ(int64_t(file.size()), saved.GetSize());
  EXPECT_EQ(0, memcmp(file.data(), saved.GetMemory(), file.size()));

  // Bad data: an error, and the icon keeps what it had.
  TMemoryStream bad;
  bad.WriteBuffer("\0\0\1\0\1\0garbage", 15);
  bad.SetPosition(0);
  try {
    icon->LoadFromStream(&bad);
    ADD_FAILURE();
  } catch (const EInvalidGraphic& e) {
    EXPECT_EQ("Icon image is not valid", e.Message);
  }
  EXPECT_EQ(16, icon->GetWidth());

  // An icon object handed over is saved as a file of one picture that reads back.
  TIcon* fromHandle = new TIcon;
  fromHandle->SetHandle(icon->ReleaseHandle());
  EXPECT_TRUE(icon->GetEmpty());
  EXPECT_THROW(fromHandle->SetWidth(48), EInvalidGraphicOperation);
  TMemoryStream built;
  fromHandle->SaveToStream(&built);
  built.SetPosition(0);
  TIcon* again = new TIcon;
  again->SetWidth(16);
  again->SetHeight(16);
  again->LoadFromStream(&built);
  EXPECT_EQ(16, again->GetWidth());
  TBitmapPtr third = Filled(20, 20, clWhite);
  third->GetCanvas()->Draw(0, 0, again);
  EXPECT_EQ(clLime, third->GetCanvas()->GetPixel(8, 8));
  icon->Free();
  fromHandle->Free();
  again->Free();
}

namespace {

// A graphic format of the test's own: a file whose text is a colour name.
class TTestGraphic : public TGraphic {
 public:
  TGraphicClass ClassType() const override { return GraphicOf<TTestGraphic>; }
  bool GetEmpty() const override { return FText.empty(); }
  int GetWidth() const override { return 2; }
  int GetHeight() const override { return 2; }
  void SetWidth(int) override {}
  void SetHeight(int) override {}
  void LoadFromStream(TStream* Stream) override {
    FText = TStringStream().GetDataString();
    char c;
    while (Stream->Read(&c, 1) == 1) FText += c;
    if (FText == "bad") throw EInvalidGraphic("bad test graphic");
    Changed(this);
  }
  void SaveToStream(TStream* Stream) override { Stream->WriteBuffer(FText.data(), int64_t(FText.size())); }
  void Assign(TPersistent* Source) override {
    if (auto* other = dynamic_cast<TTestGraphic*>(Source)) {
      FText = other->FText;
      Changed(this);
      return;
    }
    TGraphic::Assign(Source);
  }
  AnsiString FText;

 protected:
  void Draw(TCanvas* ACanvas, const TRect& Rect) override {
    ACanvas->GetBrush()->SetColor(FText == "red" ? clRed : clGreen);
    ACanvas->FillRect(Rect);
  }
};

}  // namespace

TEST(Picture, LoadsFilesThroughTheFormatRegisteredForTheirExtension) {
  TTestFolder folder;
  WriteWholeFile(folder.File("a.tst"), "red");
  WriteWholeFile(folder.File("bad.TST"), "bad");
  WriteWholeFile(folder.File("a.xyz"), "red");
  TPicture picture;
  int changes = 0;
  picture.OnChange = [&changes](TObject*) { ++changes; };
  try {
    picture.LoadFromFile(folder.File("a.tst"));
    ADD_FAILURE();
  } catch (const EInvalidGraphic& e) {
    EXPECT_EQ("Unknown picture file extension (.tst)", e.Message);
  }
  TPicture::RegisterFileFormat("tst", "Test pictures", GraphicOf<TTestGraphic>);
  EXPECT_EQ(GraphicOf<TTestGraphic>, TPicture::FindGraphicClass(".TST"));
  picture.LoadFromFile(folder.File("a.tst"));
  ASSERT_NE(nullptr, dynamic_cast<TTestGraphic*>(picture.GetGraphic()));
  EXPECT_EQ(1, changes);
  EXPECT_EQ(2, picture.GetWidth());
  // A file the format refuses leaves the picture as it was.
  EXPECT_THROW(picture.LoadFromFile(folder.File("bad.TST")), EInvalidGraphic);
  EXPECT_EQ("red", static_cast<TTestGraphic*>(picture.GetGraphic())->FText);

  TBitmapPtr canvas = Filled(4, 4, clWhite);
  canvas->GetCanvas()->Draw(1, 1, picture.GetGraphic());
  EXPECT_EQ(clRed, canvas->GetCanvas()->GetPixel(2, 2));
  EXPECT_EQ(clWhite, canvas->GetCanvas()->GetPixel(3, 3));

  // Copies: of the graphic (its own class), and between pictures.
  TPicture other;
  other.Assign(&picture);
  ASSERT_NE(nullptr, dynamic_cast<TTestGraphic*>(other.GetGraphic()));
  EXPECT_NE(picture.GetGraphic(), other.GetGraphic());
  // Asking for the bitmap of a picture holding another format empties it into a bitmap.
  EXPECT_TRUE(other.GetBitmap()->GetEmpty());
  EXPECT_EQ(0, other.GetWidth());
  // Changes of the held graphic reach the picture's listener.
  int before = changes;
  picture.GetBitmap()->SetSize(3, 3);
  EXPECT_GT(changes, before);
  picture.LoadFromFile(BesideProgram("fixtures\\three_by_two.bmp"));
  EXPECT_EQ(3, picture.GetWidth());
  EXPECT_NE(nullptr, dynamic_cast<TBitmap*>(picture.GetGraphic()));

  TPicture::UnregisterGraphicClass(GraphicOf<TTestGraphic>);
  EXPECT_EQ(nullptr, TPicture::FindGraphicClass("tst"));
  EXPECT_THROW(picture.LoadFromFile(folder.File("a.xyz")), EInvalidGraphic);
}

TEST(Graphics, GdiObjectsAreGivenBackAfterAThousandDrawings) {
  // Warm up: stock objects and the halftone palette of 8-bit pictures are made once.
  { TBitmapPtr warm = Filled(8, 8, clRed, pf8bit); warm->GetCanvas()->TextOut(0, 0, "x"); }
  FreeMemoryContexts();
  const int before = GdiObjectCount();
  ASSERT_GT(before, 0);
  for (int i = 0; i < 1000; ++i) {
    TBitmapPtr b = Filled(16 + i % 5, 16, TColor(i * 997), i % 2 ? pf24bit : pfDevice);
    TCanvas* c = b->GetCanvas();
    c->GetFont()->SetHeight(-10 - i % 7);
    c->GetPen()->SetWidth(1 + i % 3);
    c->TextOut(0, 0, "abc");
    c->Ellipse(0, 0, 10, 10);
    b->SetSize(10, 10);
    TMemoryStream stream;
    b->SaveToStream(&stream);
    stream.SetPosition(0);
    TBitmapPtr back(new TBitmap);
    back->LoadFromStream(&stream);
    back->SetTransparent(true);
    c->Draw(0, 0, back.get());
    if (i % 100 == 0) FreeMemoryContexts();
  }
  FreeMemoryContexts();
  EXPECT_LE(GdiObjectCount(), before + 2);
  // Idle bitmap canvases give their contexts back; locked ones keep them.
  TBitmapPtr kept = Filled(4, 4, clRed);
  kept->GetCanvas()->Lock();
  HDC dc = kept->GetCanvas()->GetHandle();
  FreeMemoryContexts();
  EXPECT_TRUE(kept->GetCanvas()->HandleAllocated());
  EXPECT_EQ(dc, kept->GetCanvas()->GetHandle());
  kept->GetCanvas()->Unlock();
  FreeMemoryContexts();
  EXPECT_FALSE(kept->GetCanvas()->HandleAllocated());
  EXPECT_EQ(clRed, kept->GetCanvas()->GetPixel(1, 1));  // made again when drawn on
}
