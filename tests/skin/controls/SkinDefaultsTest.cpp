// What every class of this toolkit is when it has just been made, before a skin or a form
// touches it: sizes, record names, border and paint modes, and the values of the
// properties each one publishes.
#include <gtest/gtest.h>

#include "skin/controls/SkinExCtrls.h"
#include "skin/controls/SkinGauge.h"
#include "skin/controls/SkinLabels.h"
#include "skin/controls/SkinPanels.h"
#include "tests/skin/controls/TestSkin.h"

namespace {

template <class T>
void ExpectBaseDefaults(T* C, const char* Record) {
  SCOPED_TRACE(C->ClassName().c_str());
  EXPECT_EQ(Record, C->GetSkinDataName());
  EXPECT_EQ(nullptr, C->GetSkinDataComponent());
  EXPECT_EQ(-1, C->GetSkinIndex());
  EXPECT_TRUE(C->GetDrawDefault());
  EXPECT_FALSE(C->GetAlphaBlend());
  EXPECT_EQ(200, C->GetAlphaBlendValue());
  EXPECT_FALSE(C->GetUseSkinCursor());
  EXPECT_EQ(0, C->GetHintImageIndex());
  EXPECT_EQ(nullptr, C->GetHintImageList());
  EXPECT_TRUE(C->GetUseSkinFont());
  EXPECT_EQ(0, C->GetDefaultWidth());
  EXPECT_EQ("Arial", C->GetDefaultFont()->GetName());
  EXPECT_EQ(14, C->GetDefaultFont()->GetHeight());
  EXPECT_TRUE(C->GetDefaultFont()->GetStyle().Empty());
}

}  // namespace

TEST(SkinDefaults, EveryClassStartsWithItsOwnValues) {
  TOwned<TForm> form(NewTestForm(100, 100));
  TForm* f = form.get();

  auto* custom = new TspSkinCustomControl(f);
  ExpectBaseDefaults(custom, "");
  EXPECT_FALSE(custom->GetBorderPaintMode());
  EXPECT_TRUE(custom->GetFillClientArea());
  auto* graphic = new TspGraphicSkinCustomControl(f);
  ExpectBaseDefaults(graphic, "");

  auto* panel = new TspSkinPanel(f);
  ExpectBaseDefaults(panel, "panel");
  EXPECT_EQ(150, panel->GetWidth());
  EXPECT_EQ(150, panel->GetHeight());
  EXPECT_TRUE(panel->GetBorderPaintMode());
  EXPECT_EQ(TControlStyle({csAcceptsControls, csCaptureMouse, csClickEvents, csSetCaption, csOpaque,
                           csDoubleClicks, csReplicatable}),
            panel->GetControlStyle());
  EXPECT_EQ(spipDefault, panel->GetImagePosition());
  EXPECT_FALSE(panel->GetTransparentMode());
  EXPECT_EQ(nullptr, panel->GetCaptionImageList());
  EXPECT_EQ(-1, panel->GetCaptionImageIndex());
  EXPECT_EQ(-1, panel->GetRealHeight());
  EXPECT_TRUE(panel->GetAutoEnabledControls());
  EXPECT_FALSE(panel->GetCheckedMode());
  EXPECT_FALSE(panel->GetChecked());
  EXPECT_TRUE(panel->GetGlyph()->GetEmpty());
  EXPECT_EQ(1, panel->GetNumGlyphs());
  EXPECT_EQ(2, panel->GetSpacing());
  EXPECT_EQ(taLeftJustify, panel->GetDefaultAlignment());
  EXPECT_EQ(22, panel->GetDefaultCaptionHeight());
  EXPECT_EQ(TspSkinBorderStyle::bvFrame, panel->GetBorderStyle());
  EXPECT_FALSE(panel->GetCaptionMode());
  EXPECT_FALSE(panel->GetRollUpMode());
  EXPECT_FALSE(panel->GetRollUpState());

  auto* status = new TspSkinStatusBar(f);
  ExpectBaseDefaults(status, "statusbar");
  EXPECT_EQ(alBottom, status->GetAlign());
  EXPECT_EQ(21, status->GetHeight());
  EXPECT_EQ(TspSkinBorderStyle::bvNone, status->GetBorderStyle());
  EXPECT_FALSE(status->GetBorderPaintMode());
  EXPECT_FALSE(status->GetSizeGrip());
  EXPECT_TRUE(status->GetSizeGripVisible());

  auto* tools = new TspSkinToolBar(f);
  ExpectBaseDefaults(tools, "toolpanel");
  EXPECT_EQ(25, tools->GetHeight());
  EXPECT_EQ(0, tools->GetDefaultHeight());
  EXPECT_EQ(TspSkinBorderStyle::bvNone, tools->GetBorderStyle());
  EXPECT_FALSE(tools->GetBorderPaintMode());
  EXPECT_TRUE(tools->GetAdjustControls());
  EXPECT_FALSE(tools->GetCanScroll());
  EXPECT_FALSE(tools->GetHotScroll());
  EXPECT_EQ(0, tools->GetScrollOffset());
  EXPECT_EQ(50, tools->GetScrollTimerInterval());
  EXPECT_EQ(0, tools->GetWidthWithCaptions());
  EXPECT_EQ(0, tools->GetWidthWithoutCaptions());
  EXPECT_FALSE(tools->GetAutoShowHideCaptions());
  EXPECT_FALSE(tools->GetShowCaptions());
  EXPECT_FALSE(tools->GetFlat());
  EXPECT_EQ(nullptr, tools->GetImages());
  EXPECT_EQ(nullptr, tools->GetHotImages());
  EXPECT_EQ(nullptr, tools->GetDisabledImages());
  EXPECT_FALSE(tools->GetScrollButtonsShown());

  auto* gauge = new TspSkinGauge(f);
  ExpectBaseDefaults(gauge, "gauge");
  EXPECT_EQ(100, gauge->GetWidth());
  EXPECT_EQ(20, gauge->GetHeight());
  EXPECT_EQ(1000, gauge->GetProgressAnimationPause());
  EXPECT_TRUE(gauge->GetUseSkinSize());
  EXPECT_FALSE(gauge->GetTextAlphaBlend());
  EXPECT_EQ(200, gauge->GetTextAlphaBlendValue());
  EXPECT_EQ("", gauge->GetProgressText());
  EXPECT_FALSE(gauge->GetShowProgressText());
  EXPECT_FALSE(gauge->GetShowPercent());
  EXPECT_EQ(0, gauge->GetMinValue());
  EXPECT_EQ(100, gauge->GetMaxValue());
  EXPECT_EQ(50, gauge->GetValue());
  EXPECT_FALSE(gauge->GetVertical());
  EXPECT_FALSE(gauge->AnimationRunning());

  auto* label = new TspSkinStdLabel(f);
  EXPECT_EQ("stdlabel", label->GetSkinDataName());
  EXPECT_EQ(-1, label->GetSkinIndex());
  EXPECT_TRUE(label->GetUseSkinFont());
  EXPECT_TRUE(label->GetUseSkinColor());
  EXPECT_EQ(spetNone, label->GetEllipsType());
  EXPECT_TRUE(label->GetTransparent());

  auto* text = new TspSkinTextLabel(f);
  EXPECT_EQ("stdlabel", text->GetSkinDataName());
  EXPECT_EQ(65, text->GetWidth());
  EXPECT_EQ(65, text->GetHeight());
  EXPECT_TRUE(text->GetAutoSize());
  EXPECT_EQ(taLeftJustify, text->GetAlignment());
  EXPECT_EQ(tlTop, text->GetLayout());
  EXPECT_FALSE(text->GetWordWrap());
  EXPECT_EQ(0, text->GetLines()->GetCount());
  EXPECT_FALSE(text->GetControlStyle().Contains(csOpaque));
  EXPECT_TRUE(text->GetControlStyle().Contains(csReplicatable));

  auto* bevel = new TspSkinBevel(f);
  EXPECT_EQ("bevel", bevel->GetSkinDataName());
  EXPECT_EQ(-1, bevel->GetSkinIndex());
  EXPECT_FALSE(bevel->GetDividerMode());
  EXPECT_EQ(TColor(clBtnHighlight), bevel->GetLightColor());
  EXPECT_EQ(TColor(clBtnShadow), bevel->GetDarkColor());

  auto* link = new TspSkinLinkLabel(f);
  EXPECT_EQ("stdlabel", link->GetSkinDataName());
  EXPECT_TRUE(link->GetUseUnderLine());
  EXPECT_TRUE(link->GetUseSkinFont());
  EXPECT_EQ(TColor(0xFF0000), link->GetDefaultActiveFontColor());
  EXPECT_EQ("", link->GetURL());
  EXPECT_EQ("Arial", link->GetDefaultFont()->GetName());
  EXPECT_EQ(14, link->GetDefaultFont()->GetHeight());
  EXPECT_EQ(TFontStyles{fsUnderline}, link->GetDefaultFont()->GetStyle());
  EXPECT_EQ("Arial", link->GetFont()->GetName());
  EXPECT_TRUE(link->GetTransparent());
  EXPECT_EQ(crHandPoint, link->GetCursor());
  EXPECT_FALSE(link->GetHot());

  auto* image = new TspSkinLinkImage(f);
  EXPECT_TRUE(image->GetAutoSize());
  EXPECT_EQ(crHandPoint, image->GetCursor());
  EXPECT_EQ("", image->GetURL());
}
