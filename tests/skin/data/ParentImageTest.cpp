// What lies behind a control, painted into a canvas: the parent's background and
// painting, the windowless siblings below the control and none above it, parts of it,
// an MDI main form's client background, and the paint-copy flags meanwhile.
#include <gtest/gtest.h>

#include "framework/Forms.h"
#include "skin/data/SkinDraw.h"
#include "tests/skin/data/SkinDrawSupport.h"

namespace {

bool PaintingCopy(TControl* Control) { return Control->GetControlState().Contains(csPaintCopy); }

// A parent that paints stripes 10 pixels wide: green, then yellow.
class TStripes : public TCustomControl {
 public:
  explicit TStripes(TComponent* AOwner) : TCustomControl(AOwner) {
    SetControlStyle(GetControlStyle() + TControlStyle{csAcceptsControls});
  }
  int Paints = 0;
  bool CopyFlagWhilePainting = false;

 protected:
  void Paint() override {
    ++Paints;
    CopyFlagWhilePainting = PaintingCopy(this);
    for (int x = 0; x < GetWidth(); x += 10) {
      GetCanvas()->GetBrush()->SetColor((x / 10) % 2 ? clYellow : clLime);
      GetCanvas()->FillRect(Rect(x, 0, x + 10, GetHeight()));
    }
  }
};

// A windowless box of one colour that notes whether it painted as a copy.
class TBox : public TGraphicControl {
 public:
  explicit TBox(TComponent* AOwner) : TGraphicControl(AOwner) {}
  int Paints = 0;
  bool CopyFlagWhilePainting = false;

 protected:
  void Paint() override {
    ++Paints;
    CopyFlagWhilePainting = PaintingCopy(this);
    GetCanvas()->GetBrush()->SetColor(GetColor());
    GetCanvas()->FillRect(GetClientRect());
  }
};

TColor Stripe(int ParentX) { return (ParentX / 10) % 2 ? clYellow : clLime; }

}  // namespace

TEST(ParentImage, PaintsTheParentAndTheWindowlessSiblingsBelowTheControl) {
  TOwned<TForm> form(new TForm(nullptr));
  form->SetBounds(50, 50, 300, 200);
  TStripes* parent = new TStripes(form.get());
  parent->SetParent(form.get());
  parent->SetBounds(0, 0, 200, 100);
  TBox* below = new TBox(form.get());  // under the control, overlapping it
  below->SetColor(clRed);
  below->SetBounds(10, 10, 30, 30);
  below->SetParent(parent);
  TBox* hidden = new TBox(form.get());  // under it, but not visible
  hidden->SetColor(clFuchsia);
  hidden->SetBounds(60, 20, 10, 10);
  hidden->SetVisible(false);
  hidden->SetParent(parent);
  TBox* away = new TBox(form.get());  // under it, not overlapping
  away->SetColor(clNavy);
  away->SetBounds(150, 70, 10, 10);
  away->SetParent(parent);
  TBox* control = new TBox(form.get());
  control->SetBounds(20, 20, 60, 40);
  control->SetParent(parent);
  TBox* above = new TBox(form.get());  // after the control: never painted into its image
  above->SetColor(clBlue);
  above->SetBounds(30, 30, 20, 20);
  above->SetParent(parent);

  TBitmapPtr image = FilledBitmap(60, 40, clWhite);
  GetParentImage(control, image->GetCanvas());
  SaveShot(image.get(), "parent_image");
  EXPECT_EQ(1, parent->Paints);
  EXPECT_TRUE(parent->CopyFlagWhilePainting);
  EXPECT_FALSE(PaintingCopy(parent));
  EXPECT_EQ(1, below->Paints);
  EXPECT_TRUE(below->CopyFlagWhilePainting);
  EXPECT_FALSE(PaintingCopy(below));
  EXPECT_EQ(0, hidden->Paints);
  EXPECT_EQ(0, away->Paints);
  EXPECT_EQ(0, above->Paints);
  EXPECT_EQ(0, control->Paints);
  for (int y = 0; y < 40; ++y)
    for (int x = 0; x < 60; ++x) {
      const int px = 20 + x, py = 20 + y;
      const bool inBelow = px >= 10 && px < 40 && py >= 10 && py < 40;
      ASSERT_EQ(inBelow ? clRed : Stripe(px), PixelOf(image.get(), x, y)) << x << "," << y;
    }

  // A part of the control: the canvas's origin is the part's top-left corner.
  TBitmapPtr part = FilledBitmap(30, 20, clWhite);
  GetParentImageRect(control, Rect(10, 5, 40, 25), part->GetCanvas());
  for (int y = 0; y < 20; ++y)
    for (int x = 0; x < 30; ++x) {
      const int px = 30 + x, py = 25 + y;
      const bool inBelow = px < 40 && py < 40;
      ASSERT_EQ(inBelow ? clRed : Stripe(px), PixelOf(part.get(), x, y)) << x << "," << y;
    }
  // The canvas draws with its own objects afterwards.
  image->GetCanvas()->GetBrush()->SetColor(clGray);
  image->GetCanvas()->FillRect(Rect(0, 0, 2, 2));
  EXPECT_EQ(clGray, PixelOf(image.get(), 1, 1));

  // A control without a parent: nothing.
  TOwned<TBox> lone(new TBox(nullptr));
  lone->SetBounds(0, 0, 10, 10);
  TBitmapPtr nothing = FilledBitmap(10, 10, clWhite);
  GetParentImage(lone.get(), nothing->GetCanvas());
  GetParentImage(nullptr, nothing->GetCanvas());
  EXPECT_EQ(clWhite, PixelOf(nothing.get(), 5, 5));
}

TEST(ParentImage, AParentThatFailsToPaintLeavesNoFlagsBehind) {
  class TFailing : public TCustomControl {
   public:
    explicit TFailing(TComponent* AOwner) : TCustomControl(AOwner) {
      SetControlStyle(GetControlStyle() + TControlStyle{csAcceptsControls});
    }

   protected:
    void Paint() override { throw Exception("paint failed"); }
  };
  TOwned<TForm> form(new TForm(nullptr));
  TFailing* parent = new TFailing(form.get());
  parent->SetParent(form.get());
  TBox* control = new TBox(form.get());
  control->SetParent(parent);
  TBitmapPtr image = FilledBitmap(20, 20, clWhite);
  EXPECT_THROW(GetParentImage(control, image->GetCanvas()), Exception);
  EXPECT_FALSE(PaintingCopy(parent));
  image->GetCanvas()->GetBrush()->SetColor(clGray);
  image->GetCanvas()->FillRect(Rect(0, 0, 20, 20));
  EXPECT_EQ(clGray, PixelOf(image.get(), 10, 10));
}

namespace {

WNDPROC g_ClientProc = nullptr;

// The MDI client window's background, in a colour of the test's own.
LRESULT CALLBACK MagentaBackground(HWND Wnd, UINT Msg, WPARAM WParam, LPARAM LParam) {
  if (Msg == WM_ERASEBKGND) {
    HBRUSH brush = CreateSolidBrush(RGB(255, 0, 255));
    RECT r;
    GetClientRect(Wnd, &r);
    FillRect(reinterpret_cast<HDC>(WParam), &r, brush);
    DeleteObject(brush);
    return 1;
  }
  return CallWindowProcA(g_ClientProc, Wnd, Msg, WParam, LParam);
}

}  // namespace

TEST(ParentImage, AnMdiMainFormGivesItsClientWindowsBackground) {
  TOwned<TForm> form(new TForm(nullptr));
  form->SetFormStyle(fsMDIForm);
  form->SetBounds(50, 50, 300, 200);
  form->HandleNeeded();
  HWND client = form->GetClientHandle();
  ASSERT_NE(nullptr, client);
  g_ClientProc = reinterpret_cast<WNDPROC>(
      SetWindowLongPtrA(client, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(MagentaBackground)));
  TBox* control = new TBox(form.get());
  control->SetBounds(10, 10, 40, 30);
  control->SetParent(form.get());
  TBitmapPtr image = FilledBitmap(40, 30, clWhite);
  GetParentImage(control, image->GetCanvas());
  EXPECT_EQ(clFuchsia, PixelOf(image.get(), 0, 0));
  EXPECT_EQ(clFuchsia, PixelOf(image.get(), 39, 29));
  SetWindowLongPtrA(client, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(g_ClientProc));
}
