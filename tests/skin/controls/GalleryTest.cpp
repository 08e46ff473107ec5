// Every control of this toolkit on one form, first with its plain look, then under the
// shipped default skin, then plain again after the skin is cleared: pixel facts that the
// look follows the skin, and screenshots to look at.
#include <gtest/gtest.h>

#include "skin/controls/SkinExCtrls.h"
#include "skin/controls/SkinGauge.h"
#include "skin/controls/SkinLabels.h"
#include "skin/controls/SkinPanels.h"
#include "tests/skin/controls/TestSkin.h"

namespace {

struct TGallery {
  explicit TGallery(TspSkinData* Data) : Form(NewTestForm(420, 300, Rgb(200, 200, 200))) {
    TForm* form = Form.get();
    auto place = [&](TControl* C, int X, int Y, int W, int H, TWinControl* Parent = nullptr) {
      C->SetParent(Parent ? Parent : form);
      C->SetBounds(X, Y, W, H);
    };
    Panel = new TspSkinPanel(form);
    place(Panel, 10, 10, 190, 110);
    Panel->SetCaptionMode(true);
    Panel->SetCheckedMode(true);
    Panel->SetChecked(true);
    Panel->SetRollUpMode(true);
    Panel->SetCaption("Options");
    Group = new TspSkinPanel(form);
    place(Group, 210, 10, 200, 110);
    Group->SetTransparentMode(true);
    Group->SetCaptionMode(true);
    Group->SetCaption("Group");
    Label = new TspSkinStdLabel(form);
    place(Label, 8, 30, 120, 16, Panel);
    Label->SetCaption("A standard label");
    Text = new TspSkinTextLabel(form);
    place(Text, 8, 24, 120, 40, Group);
    Text->GetLines()->Add("A text label");
    Text->GetLines()->Add("of two lines");
    Link = new TspSkinLinkLabel(form);
    place(Link, 8, 70, 100, 16, Group);
    Link->SetCaption("A link label");
    Gauge = new TspSkinGauge(form);
    place(Gauge, 10, 130, 190, 20);
    Gauge->SetValue(60);
    Gauge->SetShowPercent(true);
    VGauge = new TspSkinGauge(form);
    VGauge->SetSkinDataName("vgauge");
    VGauge->SetVertical(true);
    place(VGauge, 380, 130, 20, 100);
    VGauge->SetValue(30);
    Tools = new TspSkinToolBar(form);
    place(Tools, 10, 160, 300, 30);
    Bevel = new TspSkinBevel(form);
    place(Bevel, 60, 0, 6, 20, Tools);
    Bevel->SetShape(bsLeftLine);
    Status = new TspSkinStatusBar(form);
    Status->SetParent(form);
    Status->SetSizeGrip(true);
    Status->SetCaption("Ready");
    for (TControl* c : std::initializer_list<TControl*>{Panel, Group, Gauge, VGauge, Tools, Status})
      if (auto* s = dynamic_cast<TspSkinControl*>(c)) s->SetSkinData(Data);
    Label->SetSkinData(Data);
    Text->SetSkinData(Data);
    Link->SetSkinData(Data);
    Bevel->SetSkinData(Data);
    FollowSkinChanges(form);
  }
  TOwned<TForm> Form;
  TspSkinPanel* Panel;
  TspSkinPanel* Group;
  TspSkinStdLabel* Label;
  TspSkinTextLabel* Text;
  TspSkinLinkLabel* Link;
  TspSkinGauge* Gauge;
  TspSkinGauge* VGauge;
  TspSkinToolBar* Tools;
  TspSkinBevel* Bevel;
  TspSkinStatusBar* Status;
};

// The pixel of the record's picture at the top-left corner of its part.
TColor PartCorner(TspSkinData* Data, const char* Record) {
  auto* r = dynamic_cast<TspDataSkinCustomControl*>(
      Data->ControlRecords.Find(Data->GetControlIndex(Record)));
  if (!r) return TColor(-1);
  TBitmap* pic = Data->GetActivePicture(r->PictureIndex);
  return pic ? pic->GetCanvas()->GetPixel(r->SkinRect.Left, r->SkinRect.Top) : TColor(-1);
}

}  // namespace

TEST(Gallery, EveryControlPlainUnderTheDefaultSkinAndPlainAgain) {
  TOwned<TspSkinData> data(new TspSkinData(nullptr));
  TGallery g(data.get());
  ShowAndPaint(g.Form.get());
  Screenshot(g.Form->GetHandle(), "gallery_plain");
  const TColor shadow = TColor(ColorToRGB(clBtnShadow));
  EXPECT_EQ(shadow, ControlPixel(g.Panel, 0, 0));
  EXPECT_EQ(shadow, ControlPixel(g.Gauge, 0, 0));
  const TColor highlight = TColor(ColorToRGB(clBtnHighlight));
  EXPECT_EQ(shadow, ControlPixel(g.Bevel, 0, 10));  // lowered: dark left, light right
  EXPECT_EQ(highlight, ControlPixel(g.Bevel, 1, 10));

  LoadDefaultSkin(data.get());
  ShowAndPaint(g.Form.get());
  Screenshot(g.Form->GetHandle(), "gallery_default");
  EXPECT_EQ(PartCorner(data.get(), "panel"), ControlPixel(g.Panel, 0, 0));
  EXPECT_EQ(PartCorner(data.get(), "gauge"), ControlPixel(g.Gauge, 0, 0));
  EXPECT_EQ(PartCorner(data.get(), "vgauge"), ControlPixel(g.VGauge, 0, 0));
  EXPECT_EQ(PartCorner(data.get(), "statusbar"), ControlPixel(g.Status, 0, 0));
  EXPECT_EQ(PartCorner(data.get(), "toolpanel"), ControlPixel(g.Tools, 0, 0));
  // Labels and links in the label record's font colour, the bevel in the bevel record's.
  auto* label = dynamic_cast<TspDataSkinStdLabelControl*>(
      data->ControlRecords.Find(data->GetControlIndex("stdlabel")));
  ASSERT_NE(nullptr, label);
  EXPECT_TRUE(ControlShows(g.Label, label->FontColor));
  EXPECT_TRUE(ControlShows(g.Text, label->FontColor));
  EXPECT_TRUE(ControlShows(g.Link, label->FontColor));
  auto* bevel = dynamic_cast<TspDataSkinBevel*>(data->ControlRecords.Find(data->GetControlIndex("bevel")));
  ASSERT_NE(nullptr, bevel);
  EXPECT_EQ(TColor(ColorToRGB(bevel->DarkColor)), ControlPixel(g.Bevel, 0, 10));
  EXPECT_EQ(TColor(ColorToRGB(bevel->LightColor)), ControlPixel(g.Bevel, 1, 10));

  data->ClearAll();
  BeforeSkinChange(g.Form.get());
  AfterSkinChange(g.Form.get());
  ShowAndPaint(g.Form.get());
  EXPECT_EQ(shadow, ControlPixel(g.Panel, 0, 0));
  EXPECT_EQ(shadow, ControlPixel(g.Gauge, 0, 0));
}
