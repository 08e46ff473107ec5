// Painting: windowless controls painted by their parent, opaque children left out of the
// parent's painting, WM_PAINT with a context in WParam, and the GDI objects it all holds.
#include <gtest/gtest.h>

#include "framework/ExtCtrls.h"
#include "tests/framework/FormTestSupport.h"
#include "tests/framework/GdiCount.h"
#include "tests/framework/TestControls.h"

TEST(Painting, GraphicControlsArePaintedByTheirParent) {
  TOwned<TTestForm> form(new TTestForm(Application, 300, 200));
  form->SetColor(clWhite);
  auto* panel = new TTestPanel(form.get());
  panel->SetName("panel");
  panel->SetBounds(10, 10, 150, 100);
  panel->SetColor(clYellow);
  panel->SetParent(form.get());
  auto* box = new TTestBox(form.get());
  box->SetBounds(20, 30, 40, 20);
  box->SetColor(clRed);
  box->SetParent(panel);
  auto* formBox = new TTestBox(form.get());
  formBox->SetBounds(200, 50, 30, 30);
  formBox->SetColor(clBlue);
  formBox->SetParent(form.get());
  form->Show();
  ASSERT_TRUE(PumpUntil([&] { return box->Paints > 0 && formBox->Paints > 0; }));
  PumpFor(100);
  Screenshot(form->GetHandle(), "painting");
  EXPECT_EQ(clYellow, ScreenPixel(ScreenPoint(panel, 5, 5)));
  EXPECT_EQ(clRed, ScreenPixel(ScreenPoint(panel, 25, 35)));
  EXPECT_EQ(clRed, ScreenPixel(ScreenPoint(panel, 59, 49)));
  EXPECT_EQ(clYellow, ScreenPixel(ScreenPoint(panel, 60, 50)));
  EXPECT_EQ(clBlue, ScreenPixel(ScreenPoint(form.get(), 215, 65)));
  EXPECT_EQ(clWhite, ScreenPixel(ScreenPoint(form.get(), 250, 150)));
}

TEST(Painting, APaintMessageWithAContextPaintsIntoThatContext) {
  TOwned<TTestForm> form(new TTestForm(Application, 200, 100));
  form->OnPaint = [&](TObject*) {
    form->GetCanvas()->GetBrush()->SetColor(clBlue);
    form->GetCanvas()->FillRect(form->GetClientRect());
  };
  struct TSilentBox : TTestBox {
    using TTestBox::TTestBox;
    void Paint() override { ++Paints; }  // paints nothing: what is under it stays
  };
  auto* opaque = new TSilentBox(form.get());
  opaque->SetControlStyle(opaque->GetControlStyle() + TControlStyle{csOpaque});
  opaque->SetBounds(10, 10, 20, 20);
  opaque->SetParent(form.get());
  auto* clear = new TSilentBox(form.get());
  clear->SetBounds(40, 10, 20, 20);
  clear->SetParent(form.get());
  TTestBox* red = new TTestBox(form.get());
  red->SetBounds(70, 10, 20, 20);
  red->SetParent(form.get());
  auto* panel = new TTestPanel(form.get());
  panel->SetBounds(100, 10, 50, 50);
  panel->SetColor(clYellow);
  panel->SetParent(form.get());
  TTestBox* inner = new TTestBox(form.get());
  inner->SetBounds(5, 5, 10, 10);
  inner->SetColor(clLime);
  inner->SetParent(panel);
  form->Show();
  PumpFor(50);

  TOwned<TBitmap> copy(new TBitmap);
  copy->SetPixelFormat(pf24bit);
  copy->SetSize(200, 100);
  copy->GetCanvas()->GetBrush()->SetColor(clWhite);
  copy->GetCanvas()->FillRect(Rect(0, 0, 200, 100));
  HDC dc = copy->GetCanvas()->GetHandle();
  form->Perform(WM_PAINT, reinterpret_cast<NativeUInt>(dc), 0);
  TCanvas* c = copy->GetCanvas();
  EXPECT_EQ(clBlue, c->GetPixel(5, 5));     // the form's own painting
  EXPECT_EQ(clWhite, c->GetPixel(15, 15));  // left out under the opaque child
  EXPECT_EQ(clBlue, c->GetPixel(45, 15));   // painted under the transparent one
  EXPECT_EQ(clRed, c->GetPixel(75, 15));    // windowless children at their place
  EXPECT_EQ(clBlue, c->GetPixel(110, 20));  // windowed children paint themselves
  // The panel's own paint message puts its windowless child at the child's place.
  c->FillRect(Rect(0, 0, 200, 100));
  panel->Perform(WM_PAINT, reinterpret_cast<NativeUInt>(dc), 0);
  EXPECT_EQ(clYellow, c->GetPixel(2, 2));
  EXPECT_EQ(clLime, c->GetPixel(7, 7));

  // Repaint: an opaque windowless control is painted at once, another through its parent.
  int before = opaque->Paints;
  opaque->Repaint();
  EXPECT_EQ(before + 1, opaque->Paints);
  before = red->Paints;
  red->Repaint();
  EXPECT_EQ(before + 1, red->Paints);
  // An invisible one is not painted.
  red->SetVisible(false);
  before = red->Paints;
  form->Repaint();
  PumpFor(20);
  EXPECT_EQ(before, red->Paints);
}

TEST(Painting, GdiObjectsStaySteadyAcrossAThousandRepaintsAndRecreations) {
  TOwned<TTestForm> form(new TTestForm(Application, 300, 150));
  auto* panel = new TTestPanel(form.get());
  panel->SetBounds(10, 10, 120, 100);
  panel->SetColor(clYellow);
  panel->SetParent(form.get());
  TTestBox* box = new TTestBox(form.get());
  box->SetBounds(5, 5, 30, 30);
  box->SetParent(panel);
  auto* button = new TTestButton(form.get());
  button->SetCaption("Text");
  button->SetBounds(150, 10, 80, 30);
  button->SetParent(form.get());
  auto* edit = new TTestNative(form.get(), "EDIT", WS_BORDER);
  edit->SetBounds(150, 50, 100, 24);
  edit->SetParent(form.get());
  form->Show();
  PumpFor(50);
  for (int i = 0; i < 20; ++i) {
    form->Repaint();
    PumpFor(0);
  }
  const int before = GdiObjectCount();
  ASSERT_GT(before, 0);
  for (int i = 0; i < 1000; ++i) {
    box->SetColor(TColor(i * 7919 % 0xFFFFFF));
    box->Repaint();
    button->Repaint();
    panel->Invalidate();
    if (i % 50 == 0) {
      panel->RecreateWnd();
      edit->RecreateWnd();
      button->RecreateWnd();
      button->GetFont()->SetHeight(-10 - i % 5);
      form->GetFont()->SetStyle(i % 100 ? TFontStyles{fsBold} : TFontStyles{});
    }
    if (i % 10 == 0) Application->ProcessMessages();
  }
  Application->ProcessMessages();
  PumpFor(50);
  const int after = GdiObjectCount();
  EXPECT_LE(after, before + 4) << "before " << before << ", after " << after;
}

TEST(Painting, AnImageDrawsItsPictureWhereItsSettingsPutIt) {
  TOwned<TTestForm> form(new TTestForm(Application, 200, 150));
  form->SetColor(clWhite);
  auto* image = new TImage(form.get());
  image->SetBounds(10, 10, 100, 80);
  image->SetParent(form.get());
  // A picture of 20 x 10: left half red, right half blue.
  TBitmap* bitmap = image->GetPicture()->GetBitmap();
  bitmap->SetPixelFormat(pf24bit);
  bitmap->SetSize(20, 10);
  bitmap->GetCanvas()->GetBrush()->SetColor(clRed);
  bitmap->GetCanvas()->FillRect(Rect(0, 0, 10, 10));
  bitmap->GetCanvas()->GetBrush()->SetColor(clBlue);
  bitmap->GetCanvas()->FillRect(Rect(10, 0, 20, 10));
  form->Show();
  auto at = [&](int x, int y) {
    PumpFor(60);
    return ScreenPixel(ScreenPoint(image, x, y));
  };
  EXPECT_EQ(clRed, at(5, 5));
  EXPECT_EQ(clBlue, at(15, 5));
  EXPECT_EQ(clWhite, at(25, 5));
  EXPECT_EQ(Rect(0, 0, 20, 10), image->DestRect());
  image->SetCenter(true);
  EXPECT_EQ(Rect(40, 35, 60, 45), image->DestRect());
  EXPECT_EQ(clRed, at(45, 40));
  EXPECT_EQ(clWhite, at(5, 5));
  image->SetStretch(true);
  EXPECT_EQ(Rect(0, 0, 100, 80), image->DestRect());
  EXPECT_TRUE(image->GetControlStyle().Contains(csOpaque)) << "the picture covers the control";
  EXPECT_EQ(clRed, at(10, 70));
  EXPECT_EQ(clBlue, at(90, 10));
  image->SetStretch(false);
  image->SetCenter(false);
  image->SetBounds(10, 10, 10, 10);
  image->SetProportional(true);
  EXPECT_EQ(Rect(0, 0, 10, 5), image->DestRect()) << "scaled down keeping 2:1";
  // Transparent: the bottom-left colour (red) is left out.
  image->SetProportional(false);
  image->SetBounds(10, 10, 100, 80);
  image->SetTransparent(true);
  EXPECT_TRUE(bitmap->GetTransparent());
  EXPECT_FALSE(image->GetControlStyle().Contains(csOpaque));
  EXPECT_EQ(clWhite, at(5, 5));
  EXPECT_EQ(clBlue, at(15, 5));
  Screenshot(form->GetHandle(), "image");
  // AutoSize takes the picture's size.
  image->SetAutoSize(true);
  EXPECT_EQ(20, image->GetWidth());
  EXPECT_EQ(10, image->GetHeight());

  // Drawing on an image without a picture gives it a bitmap of the image's size.
  auto* sketch = new TImage(form.get());
  sketch->SetBounds(120, 10, 40, 30);
  sketch->SetParent(form.get());
  sketch->GetCanvas()->GetBrush()->SetColor(clLime);
  sketch->GetCanvas()->FillRect(Rect(0, 0, 40, 30));
  EXPECT_EQ(40, sketch->GetPicture()->GetWidth());
  PumpFor(60);
  EXPECT_EQ(clLime, ScreenPixel(ScreenPoint(sketch, 5, 5)));
  sketch->GetPicture()->GetIcon();
  EXPECT_THROW(sketch->GetCanvas(), EInvalidOperation);
}

namespace {

// A control whose painting raises, as a control does that meets a bad skin index; its
// canvas has drawn a little before.
class TThrowingPanel : public TTestPanel {
 public:
  using TTestPanel::TTestPanel;
  int Throws = 0;

 protected:
  void Paint() override {
    TTestPanel::Paint();
    ++Throws;
    throw Exception("bad picture index");
  }
};

}  // namespace

TEST(Painting, APaintThatRaisesLeaksNoContextsOrObjectsOverManyRepaints) {
  TOwned<TTestForm> form(new TTestForm(Application, 300, 150));
  // One painting straight on the window, one into the framework's double buffer, each with
  // a windowless child (the painting with children saves the context's state).
  TThrowingPanel* panels[2];
  for (int i = 0; i < 2; ++i) {
    panels[i] = new TThrowingPanel(form.get());
    panels[i]->SetBounds(10 + i * 140, 10, 120, 100);
    panels[i]->SetColor(clYellow);
    panels[i]->SetDoubleBuffered(i == 1);
    panels[i]->SetParent(form.get());
    auto* box = new TTestBox(form.get());
    box->SetBounds(5, 5, 30, 30);
    box->SetParent(panels[i]);
  }
  int reported = 0;
  Application->OnException = [&](TObject*, Exception&) { ++reported; };
  form->Show();
  PumpFor(50);
  for (int i = 0; i < 20; ++i) {
    form->Repaint();
    PumpFor(0);
  }
  const int before = GdiObjectCount();
  ASSERT_GT(before, 0);
  const int throwsBefore = panels[0]->Throws + panels[1]->Throws;
  for (int i = 0; i < 300; ++i) {
    panels[0]->Repaint();
    panels[1]->Repaint();
    if (i % 10 == 0) Application->ProcessMessages();
  }
  Application->ProcessMessages();
  PumpFor(50);
  const int after = GdiObjectCount();
  Application->OnException = nullptr;
  EXPECT_GE(panels[0]->Throws + panels[1]->Throws - throwsBefore, 600);
  EXPECT_GE(reported, 600) << "every failed paint is reported";
  EXPECT_LE(after, before + 4) << "before " << before << ", after " << after;
  // The state flags a paint sets are cleared again.
  EXPECT_FALSE(panels[0]->GetControlState().Contains(csCustomPaint));
  EXPECT_FALSE(panels[1]->GetControlState().Contains(csCustomPaint));
}

TEST(Painting, PaintToDrawsTheControlWithItsChildrenIntoAContextAtAPoint) {
  TOwned<TTestForm> form(new TTestForm(Application, 300, 200));
  auto* panel = new TTestPanel(form.get());
  panel->SetBounds(10, 10, 120, 100);
  panel->SetColor(clYellow);
  panel->SetParent(form.get());
  auto* inner = new TTestPanel(form.get());
  inner->SetBounds(60, 50, 40, 30);
  inner->SetColor(clBlue);
  inner->SetParent(panel);
  auto* box = new TTestBox(form.get());
  box->SetBounds(5, 5, 30, 30);
  box->SetColor(clRed);
  box->SetParent(panel);
  form->Show();
  PumpFor(50);

  TBitmap bitmap;
  bitmap.SetSize(200, 150);
  bitmap.GetCanvas()->GetBrush()->SetColor(clWhite);
  bitmap.GetCanvas()->FillRect(Rect(0, 0, 200, 150));
  // Locked: the framework lets the contexts of unlocked canvases go after each message.
  bitmap.GetCanvas()->Lock();
  HDC dc = bitmap.GetCanvas()->GetHandle();
  auto pixel = [&](int X, int Y) { return GetPixel(dc, X, Y) & 0xFFFFFF; };
  struct TCase {
    const char* Name;
    bool WithChildren;
    COLORREF Box, Inner;
  };
  const TCase cases[] = {{"with children", true, RGB(255, 0, 0), RGB(0, 0, 255)},
                         {"without children", false, RGB(255, 255, 0), RGB(255, 255, 0)}};
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Name);
    bitmap.GetCanvas()->FillRect(Rect(0, 0, 200, 150));
    int saved = SaveDC(dc);
    panel->PaintTo(dc, 20, 30, c.WithChildren);
    EXPECT_EQ(saved, SaveDC(dc) - 1) << "the context's state is as before";
    RestoreDC(dc, -1);
    RestoreDC(dc, saved);
    EXPECT_EQ(RGB(255, 255, 255), pixel(19, 29)) << "outside";
    EXPECT_EQ(RGB(255, 255, 0), pixel(20 + 110, 30 + 10)) << "the panel";
    EXPECT_EQ(c.Box, pixel(20 + 15, 30 + 15)) << "the windowless child";
    EXPECT_EQ(c.Inner, pixel(20 + 70, 30 + 60)) << "the windowed child";
    EXPECT_EQ(RGB(255, 255, 255), pixel(20 + 121, 30 + 50)) << "clipped to the panel";
    EXPECT_FALSE(panel->GetControlState().Contains(csPaintCopy));
  }
  // A hidden panel paints all the same.
  panel->Hide();
  bitmap.GetCanvas()->FillRect(Rect(0, 0, 200, 150));
  panel->PaintTo(dc, 0, 0);
  EXPECT_EQ(RGB(255, 255, 0), pixel(110, 10)) << "the panel";
  EXPECT_EQ(RGB(0, 0, 255), pixel(70, 60)) << "its windowed child";
  bitmap.GetCanvas()->Unlock();
}
