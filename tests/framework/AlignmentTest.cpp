// Bounds and alignment: aligned panels share the client area in the order top, bottom,
// left, right, client; anchored controls keep their distances as the parent resizes;
// AdjustClientRect, DisableAlign, constraints and hidden controls take part.
#include <gtest/gtest.h>

#include "tests/framework/FormTestSupport.h"
#include "tests/framework/TestControls.h"

namespace {

TTestPanel* Panel(TWinControl* Parent, TAlign Align, int Size, const char* Name) {
  auto* panel = new TTestPanel(Parent);
  panel->SetName(Name);
  if (Align == alLeft || Align == alRight)
    panel->SetWidth(Size);
  else
    panel->SetHeight(Size);
  panel->SetAlign(Align);
  panel->SetParent(Parent);
  return panel;
}

}  // namespace

TEST(Alignment, AlignedPanelsAndAnchoredControlsFollowTheClientArea) {
  TOwned<TTestForm> form(new TTestForm(Application, 400, 300));
  TTestPanel* top = Panel(form.get(), alTop, 30, "top");
  TTestPanel* bottom = Panel(form.get(), alBottom, 20, "bottom");
  TTestPanel* left = Panel(form.get(), alLeft, 50, "left");
  TTestPanel* right = Panel(form.get(), alRight, 60, "right");
  TTestPanel* client = Panel(form.get(), alClient, 0, "client");
  client->SetColor(clWhite);
  int resized = 0;
  client->OnResize = [&resized](TObject*) { ++resized; };
  form->Show();
  PumpFor(30);
  ASSERT_EQ(Rect(0, 0, 400, 300), form->GetClientRect());
  EXPECT_EQ(Rect(0, 0, 400, 30), top->GetBoundsRect());
  EXPECT_EQ(Rect(0, 280, 400, 300), bottom->GetBoundsRect());
  EXPECT_EQ(Rect(0, 30, 50, 280), left->GetBoundsRect());
  EXPECT_EQ(Rect(340, 30, 400, 280), right->GetBoundsRect());
  EXPECT_EQ(Rect(50, 30, 340, 280), client->GetBoundsRect());
  EXPECT_GT(resized, 0);

  // Anchored children of the client panel (290 x 250).
  auto* corner = new TTestBox(form.get());
  corner->SetBounds(250, 210, 20, 20);
  corner->SetAnchors({akRight, akBottom});
  corner->SetParent(client);
  auto* stretched = new TTestBox(form.get());
  stretched->SetBounds(10, 10, 270, 10);
  stretched->SetAnchors({akLeft, akTop, akRight});
  stretched->SetParent(client);
  auto* centred = new TTestBox(form.get());
  centred->SetBounds(135, 115, 20, 20);
  centred->SetAnchors({});
  centred->SetParent(client);
  auto* fixed = new TTestBox(form.get());
  fixed->SetBounds(5, 200, 10, 10);
  fixed->SetParent(client);

  struct Case {
    int clientW, clientH;
    TRect top, bottom, left, right, client, corner, stretched, centred;
  };
  const Case cases[] = {
      {500, 400, Rect(0, 0, 500, 30), Rect(0, 380, 500, 400), Rect(0, 30, 50, 380),
       Rect(440, 30, 500, 380), Rect(50, 30, 440, 380), Rect(350, 310, 370, 330),
       Rect(10, 10, 380, 20), Rect(185, 165, 205, 185)},
      {200, 100, Rect(0, 0, 200, 30), Rect(0, 80, 200, 100), Rect(0, 30, 50, 80),
       Rect(140, 30, 200, 80), Rect(50, 30, 140, 80), Rect(50, 10, 70, 30), Rect(10, 10, 80, 20),
       Rect(35, 15, 55, 35)},
      {400, 300, Rect(0, 0, 400, 30), Rect(0, 280, 400, 300), Rect(0, 30, 50, 280),
       Rect(340, 30, 400, 280), Rect(50, 30, 340, 280), Rect(250, 210, 270, 230),
       Rect(10, 10, 280, 20), Rect(135, 115, 155, 135)},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.clientW << "x" << c.clientH);
    form->SetClientWidth(c.clientW);
    form->SetClientHeight(c.clientH);
    PumpFor(20);
    EXPECT_EQ(Rect(0, 0, c.clientW, c.clientH), form->GetClientRect());
    EXPECT_EQ(c.top, top->GetBoundsRect());
    EXPECT_EQ(c.bottom, bottom->GetBoundsRect());
    EXPECT_EQ(c.left, left->GetBoundsRect());
    EXPECT_EQ(c.right, right->GetBoundsRect());
    EXPECT_EQ(c.client, client->GetBoundsRect());
    EXPECT_EQ(c.corner, corner->GetBoundsRect());
    EXPECT_EQ(c.stretched, stretched->GetBoundsRect());
    EXPECT_EQ(c.centred, centred->GetBoundsRect());
    EXPECT_EQ(Rect(5, 200, 15, 210), fixed->GetBoundsRect());
    // The windows are where the objects say.
    RECT r;
    GetWindowRect(client->GetHandle(), &r);
    MapWindowPoints(nullptr, form->GetHandle(), reinterpret_cast<POINT*>(&r), 2);
    EXPECT_EQ(c.client, FromRECT(r));
  }
  Screenshot(form->GetHandle(), "alignment");

  // A hidden panel gives its place up; shown again it takes it back.
  top->SetVisible(false);
  EXPECT_EQ(Rect(0, 0, 50, 280), left->GetBoundsRect());
  top->SetVisible(true);
  EXPECT_EQ(Rect(0, 30, 50, 280), left->GetBoundsRect());

  // While alignment is disabled nothing moves; enabling it aligns once.
  form->DisableAlign();
  top->SetHeight(60);
  EXPECT_EQ(Rect(0, 30, 50, 280), left->GetBoundsRect());
  form->EnableAlign();
  EXPECT_EQ(Rect(0, 60, 50, 280), left->GetBoundsRect());

  // Constraints hold a panel's size; the others follow it.
  top->GetConstraints()->SetMaxHeight(40);
  EXPECT_EQ(40, top->GetHeight());
  EXPECT_EQ(Rect(0, 40, 50, 280), left->GetBoundsRect());
  top->SetHeight(10);
  EXPECT_EQ(Rect(0, 0, 400, 10), top->GetBoundsRect());
  EXPECT_EQ(Rect(0, 10, 50, 280), left->GetBoundsRect());
}

TEST(Alignment, AdjustClientRectKeepsAlignedChildrenInsideTheBorder) {
  TOwned<TTestForm> form(new TTestForm(Application, 200, 200));
  auto* frame = new TTestPanel(form.get());
  frame->Border = 6;
  frame->SetBounds(10, 10, 120, 100);
  frame->SetParent(form.get());
  auto* inner = new TTestPanel(form.get());
  inner->SetAlign(alClient);
  inner->SetParent(frame);
  auto* bar = new TTestBox(form.get());
  bar->SetHeight(8);
  bar->SetAlign(alBottom);
  bar->SetParent(frame);
  form->Show();
  PumpFor(20);
  EXPECT_EQ(Rect(6, 6, 114, 86), inner->GetBoundsRect());
  EXPECT_EQ(Rect(6, 86, 114, 94), bar->GetBoundsRect());
  frame->SetBounds(10, 10, 60, 50);
  EXPECT_EQ(Rect(6, 6, 54, 36), inner->GetBoundsRect());
  EXPECT_EQ(Rect(6, 36, 54, 44), bar->GetBoundsRect());
  // A top bar turned into a left bar swaps its height into its width.
  bar->SetAlign(alLeft);
  EXPECT_EQ(8, bar->GetWidth());
}

TEST(Alignment, BoundsGoThroughSetBoundsAndClientGeometryFollows) {
  TOwned<TTestForm> form(new TTestForm(Application, 300, 200));
  struct TCounting : TTestPanel {
    using TTestPanel::TTestPanel;
    std::vector<TRect> Calls;
    void SetBounds(int L, int T, int W, int H) override {
      Calls.push_back(Bounds(L, T, W, H));
      TTestPanel::SetBounds(L, T, W, H);
    }
  };
  auto* panel = new TCounting(form.get());
  panel->SetParent(form.get());
  panel->Calls.clear();
  panel->SetLeft(5);
  panel->SetTop(6);
  panel->SetWidth(70);
  panel->SetHeight(40);
  panel->SetBoundsRect(Rect(1, 2, 81, 52));
  EXPECT_EQ(5u, panel->Calls.size());
  EXPECT_EQ(Rect(1, 2, 81, 52), panel->GetBoundsRect());
  form->Show();
  EXPECT_EQ(Rect(1, 2, 81, 52), panel->GetBoundsRect());
  EXPECT_EQ(Rect(0, 0, 80, 50), panel->GetClientRect());
  TPoint origin = panel->ClientToScreen(TPoint(0, 0));
  POINT p = {0, 0};
  ClientToScreen(panel->GetHandle(), &p);
  EXPECT_EQ(FromPOINT(p), origin);
  EXPECT_EQ(TPoint(3, 4), panel->ScreenToClient(TPoint(origin.X + 3, origin.Y + 4)));
  auto* box = new TTestBox(form.get());
  box->SetBounds(7, 9, 10, 10);
  box->SetParent(panel);
  EXPECT_EQ(TPoint(origin.X + 7, origin.Y + 9), box->ClientToScreen(TPoint(0, 0)));
  // Controls[]: windowless children first, then windowed ones, each in the order they came.
  auto* second = new TTestPanel(form.get());
  second->SetParent(form.get());
  auto* graphic = new TTestBox(form.get());
  graphic->SetParent(form.get());
  ASSERT_EQ(3, form->GetControlCount());
  EXPECT_EQ(graphic, form->GetControl(0));
  EXPECT_EQ(panel, form->GetControl(1));
  EXPECT_EQ(second, form->GetControl(2));
  EXPECT_THROW(form->GetControl(3), EListError);
  EXPECT_EQ(form.get(), GetParentForm(box));
  EXPECT_EQ(nullptr, GetParentForm(nullptr));
}
