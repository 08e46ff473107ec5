// The sections a skin's ini text gives the skin data: VERSION, PICTURES, FORMINFO with its
// adjustments, POPUPWINDOW, HINTWINDOW, SKINCOLORS, SKINAREAS and the two record lists.
#include <gtest/gtest.h>

#include <chrono>

#include "skin/data/SkinSections.h"

namespace {

void ReadText(TspSkinContent& Content, const char* Text) {
  TMemIniFile ini;
  ini.SetText(Text);
  Content.ReadSkinIni(&ini);
}

}  // namespace

TEST(SkinSections, FormInfoIsReadAndItsCornerPointsPulledIntoTheClientRectangle) {
  TspSkinContent skin;
  ReadText(skin,
           "[formINFO]\r\nlefttoppoint=0,0\r\nclientrect=5,20,100,90\r\nrightbottompoint=120,95\r\n"
           "righttoppoint=130,2\r\nleftbottompoint=1,99\r\nSTRETCHTYPE=stvert\r\n"
           "mdibgstretchtype=StVert\r\ninactiveeffect=blur\r\nbuttonsinleft=1\r\n"
           "borderwidth=$10\r\nformminwidth=0x20\r\nbuttonsoffset=abc\r\n"
           "statusbarname=status bar\r\nmaskrectarea=1,1,2,2\r\nhittestlefttoppoint=0,7\r\n");
  EXPECT_EQ(TPoint(5, 20), skin.LeftTopPoint);
  EXPECT_EQ(TPoint(100, 90), skin.RightBottomPoint);
  EXPECT_EQ(TPoint(100, 20), skin.RightTopPoint);
  EXPECT_EQ(TPoint(5, 90), skin.LeftBottomPoint);
  EXPECT_EQ(stVert, skin.StretchType);  // sections and keys ignore case, words do not
  EXPECT_EQ(stHorz, skin.MDIBGStretchType);
  EXPECT_EQ(ieGrayScale, skin.InactiveEffect);
  EXPECT_TRUE(skin.ButtonsInLeft);
  EXPECT_EQ(16, skin.BorderWidth);
  EXPECT_EQ(32, skin.FormMinWidth);
  EXPECT_EQ(0, skin.ButtonsOffset);  // not a number: the default
  EXPECT_EQ("status bar", skin.StatusBarName);
  EXPECT_EQ(-1, skin.CursorIndex);
  EXPECT_EQ(-1, skin.BGPictureIndex);
  // Without a mask picture the mask area and hit-test points stay as read.
  EXPECT_EQ(TRect(1, 1, 2, 2), skin.MaskRectArea);
  EXPECT_EQ(TPoint(0, 7), skin.HitTestLeftTopPoint);
  EXPECT_EQ(TPoint(), skin.HitTestRightBottomPoint);

  TspSkinContent missing;
  ReadText(missing, "[VERSION]\r\nskinname=x\r\n");
  EXPECT_EQ(ieBrightness, missing.InactiveEffect);
  EXPECT_EQ(stFull, missing.StretchType);
  EXPECT_EQ(TRect(), missing.ClientRect);
  EXPECT_EQ("x", missing.SkinName);
}

TEST(SkinSections, AMaskPictureCompletesTheMaskAreaAndHitTestPoints) {
  TspSkinContent skin;
  ReadText(skin,
           "[PICTURES]\r\nmask=mask.bmp\r\n"
           "[FORMINFO]\r\nclientrect=5,20,100,90\r\nlefttoppoint=30,30\r\nrighttoppoint=90,30\r\n"
           "leftbottompoint=30,80\r\nrightbottompoint=90,80\r\nmaskrectarea=10,10,50,95\r\n"
           "hittestlefttoppoint=0,7\r\nhittestrighttoppoint=3,4\r\nhittestleftbottompoint=6,0\r\n");
  EXPECT_EQ("mask.bmp", skin.MaskName);
  EXPECT_EQ(TRect(5, 10, 100, 95), skin.MaskRectArea);  // grown to hold the client rectangle
  EXPECT_EQ(TPoint(30, 30), skin.HitTestLeftTopPoint);  // X was 0
  EXPECT_EQ(TPoint(3, 4), skin.HitTestRightTopPoint);
  EXPECT_EQ(TPoint(30, 80), skin.HitTestLeftBottomPoint);   // Y was 0
  EXPECT_EQ(TPoint(90, 80), skin.HitTestRightBottomPoint);  // missing

  TspSkinContent empty;
  ReadText(empty, "[PICTURES]\r\nmask=m.bmp\r\n[FORMINFO]\r\nclientrect=5,20,100,90\r\n");
  EXPECT_EQ(TRect(5, 20, 100, 90), empty.MaskRectArea);  // empty: the client rectangle
  EXPECT_EQ(TPoint(), empty.LeftTopPoint);  // corner points that coincide are left alone
}

TEST(SkinSections, VersionPicturesWindowsAndColours) {
  TspSkinContent skin;
  ReadText(skin,
           "[VERSION]\r\nskinname=Blue\r\nskinauthor=Me\r\nauthoremail=a@b\r\nauthorurl=u\r\n"
           "skincomments=c\r\n"
           "[PICTURES]\r\npicture=p.bmp\r\nrolluppicture=r.bmp\r\nrollupmask=rm.bmp\r\n"
           "inactivepicture=i.bmp\r\nactivepicturescount=3\r\n0=a.bmp\r\n2=c.bmp\r\n"
           "[POPUPWINDOW]\r\nwindowpictureindex=2\r\nitemsrect=1,2,3,4\r\nstretchtype=stvert\r\n"
           "[HINTWINDOW]\r\nclientrect=3,3,50,20\r\nfontstyle=fsboldfsitalic\r\n"
           "[SKINCOLORS]\r\ncbtnface=15790320\r\nchighlight=-16777203\r\n");
  EXPECT_EQ("Blue", skin.SkinName);
  EXPECT_EQ("Me", skin.SkinAuthor);
  EXPECT_EQ("a@b", skin.AuthorEmail);
  EXPECT_EQ("u", skin.AuthorUrl);
  EXPECT_EQ("c", skin.SkinComments);
  EXPECT_EQ("p.bmp", skin.PictureName);
  EXPECT_EQ("", skin.MaskName);
  EXPECT_EQ("r.bmp", skin.RollUpPictureName);
  EXPECT_EQ("rm.bmp", skin.RollUpMaskName);
  EXPECT_EQ("a.bmp\r\n\r\nc.bmp\r\n", skin.ActivePictureNames->GetText());
  EXPECT_EQ(2, skin.PopupWindow->WindowPictureIndex);
  EXPECT_EQ(-1, skin.PopupWindow->MaskPictureIndex);
  EXPECT_EQ(TRect(1, 2, 3, 4), skin.PopupWindow->ItemsRect);
  EXPECT_EQ(stVert, skin.PopupWindow->StretchType);
  EXPECT_EQ(TRect(3, 3, 50, 20), skin.HintWindow->ClRect);
  EXPECT_EQ(14, skin.HintWindow->FontHeight);  // 12 at creation, 14 when read
  EXPECT_EQ((TFontStyles{fsBold, fsItalic}), skin.HintWindow->FontStyle);
  EXPECT_EQ(15790320, skin.SkinColors->cBtnFace);
  EXPECT_EQ(static_cast<TColor>(0xFF00000D), skin.SkinColors->cHighLight);
  EXPECT_EQ(0, skin.SkinColors->cBtnText);  // missing keys read as black
}

TEST(SkinSections, ColoursWithoutASectionAreBlackAndAClearGivesTheSystemColours) {
  TspSkinContent skin;
  EXPECT_EQ(0, skin.SkinColors->cBtnFace);  // a new set holds 0
  skin.ClearRecords();
  const std::pair<TColor, int> system[] = {
      {skin.SkinColors->cBtnFace, 15},      {skin.SkinColors->cBtnText, 18},
      {skin.SkinColors->cWindow, 5},        {skin.SkinColors->cWindowText, 8},
      {skin.SkinColors->cHighLight, 13},    {skin.SkinColors->cHighLightText, 14},
      {skin.SkinColors->cBtnHighLight, 20}, {skin.SkinColors->cBtnShadow, 16},
      {skin.SkinColors->c3DLight, 22},      {skin.SkinColors->c3DDkShadow, 21}};
  for (const auto& c : system)
    EXPECT_EQ(static_cast<TColor>(0xFF000000u | unsigned(c.second)), c.first);
  EXPECT_EQ(static_cast<TColor>(0xFF00000F), skin.SkinColors->cBtnFace);

  ReadText(skin, "[VERSION]\r\nskinname=no colours\r\n");
  EXPECT_EQ(0, skin.SkinColors->cBtnFace);
  EXPECT_EQ(0, skin.SkinColors->c3DDkShadow);
}

TEST(SkinSections, AreaObjectAndControlListsMakeTheirRecordsInOrder) {
  TspSkinContent skin;
  ReadText(skin,
           "[SKINAREAS]\r\ncount=3\r\n0=area1:1,2,3,4\r\n1=area2: -5 , 6,7,8\r\n2=no colon here\r\n"
           "[SKINOBJECTS]\r\ncount=5\r\n0=close:stdbutton\r\n1=odd:nosuchtype\r\n"
           "2=odd2:caption:extra\r\n3=caption:caption\r\n"
           "[SKINCONTROLS]\r\ncount=7\r\n0=button:button\r\n1=capital:Button\r\n2=edit:edit\r\n"
           "3=button:panel\r\n4=no colon\r\n5=:label\r\n6=Button:stdlabel\r\n"
           "[close]\r\ncommand=cmclose\r\n[button]\r\nfontcolor=5\r\n[edit]\r\nfontcolor=6\r\n");
  ASSERT_EQ(3, skin.AreaRecords.GetCount());
  EXPECT_EQ("area1", skin.AreaRecords[0]->IDName);
  EXPECT_EQ(TRect(1, 2, 3, 4), skin.AreaRecords[0]->Bounds);
  EXPECT_EQ(TRect(5, 6, 7, 8), skin.AreaRecords[1]->Bounds);
  EXPECT_EQ("", skin.AreaRecords[2]->IDName);  // still appended, with an empty rectangle
  EXPECT_EQ(TRect(), skin.AreaRecords[2]->Bounds);
  EXPECT_EQ(1, skin.GetAreaIndex("area2"));
  EXPECT_EQ(-1, skin.GetAreaIndex("AREA2"));

  // Two records for a count of 5: the missing entry and the unknown words (the type word
  // runs from the first colon to the end) make nothing.
  ASSERT_EQ(2, skin.ObjectRecords.GetCount());
  EXPECT_EQ("close", skin.ObjectRecords[0]->IDName);
  EXPECT_EQ(cmClose, static_cast<TspDataSkinStdButton*>(skin.ObjectRecords[0])->Command);
  EXPECT_EQ("caption", skin.ObjectRecords[1]->IDName);
  EXPECT_EQ(-1, skin.GetObjectIndex("odd"));
  EXPECT_EQ(-1, skin.GetObjectIndex("odd2"));

  ASSERT_EQ(5, skin.ControlRecords.GetCount());
  const char* names[] = {"button", "edit", "button", "", "Button"};
  for (int i = 0; i < 5; ++i) EXPECT_EQ(names[i], skin.ControlRecords[i]->IDName);
  EXPECT_TRUE(dynamic_cast<TspDataSkinEditControl*>(skin.ControlRecords[1]));
  EXPECT_EQ(6, static_cast<TspDataSkinEditControl*>(skin.ControlRecords[1])->FontColor);
  // Lookups are exact and case-sensitive, and find the first of two equal names.
  EXPECT_EQ(0, skin.GetControlIndex("button"));
  EXPECT_EQ(4, skin.GetControlIndex("Button"));
  EXPECT_EQ(3, skin.GetControlIndex(""));
  EXPECT_EQ(-1, skin.GetControlIndex("BUTTON"));
  EXPECT_TRUE(dynamic_cast<TspDataSkinButtonControl*>(skin.ControlRecords[0]));
  EXPECT_TRUE(dynamic_cast<TspDataSkinPanelControl*>(skin.ControlRecords[2]));
  EXPECT_THROW(skin.ControlRecords.Get(5), EListError);

  TspSkinContent empty;
  ReadText(empty, "[SKINCONTROLS]\r\ncount=-4\r\n0=button:button\r\n");
  EXPECT_EQ(0, empty.ControlRecords.GetCount());
}

TEST(SkinSections, CountsOfTwoBillionMakeOnlyTheEntriesPresentAtOnce) {
  const auto start = std::chrono::steady_clock::now();
  TspSkinContent skin;
  ReadText(
      skin,
      "[PICTURES]\r\nactivepicturescount=2147483647\r\n0=a.bmp\r\n"
      "[SKINAREAS]\r\ncount=2147483647\r\n0=only:1,2,3,4\r\n"
      "[SKINOBJECTS]\r\ncount=2147483647\r\n0=close:stdbutton\r\n3=caption:caption\r\n"
      "[SKINCONTROLS]\r\ncount=2147483647\r\n0=digits:bitlabel\r\n1=edit:edit\r\n"
      "[digits]\r\nsymbolslinecount=2147483647\r\nsymbolsline0=0123456789\r\nsymbolsline2=ABC\r\n");
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
  EXPECT_EQ(1, skin.ActivePictureNames->GetCount());
  EXPECT_EQ(1, skin.AreaRecords.GetCount());
  EXPECT_EQ(2, skin.ObjectRecords.GetCount());
  ASSERT_EQ(2, skin.ControlRecords.GetCount());
  auto* digits = dynamic_cast<TspDataSkinBitLabelControl*>(skin.ControlRecords[0]);
  ASSERT_TRUE(digits);
  EXPECT_EQ("0123456789\r\n\r\nABC\r\n", digits->Symbols->GetText());
}

TEST(SkinSections, ARectangleWithTooFewNumbersStopsTheReading) {
  TspSkinContent skin;
  EXPECT_THROW(ReadText(skin, "[SKINCONTROLS]\r\ncount=1\r\n0=b:button\r\n[b]\r\nskinrect=1,2\r\n"),
               EConvertError);
  TspSkinContent area;
  EXPECT_THROW(ReadText(area, "[SKINAREAS]\r\ncount=1\r\n0=a:\r\n"), EConvertError);
}

TEST(SkinSections, TakingContentKeepsTheSharedObjectsAndMovesTheRecords) {
  TspSkinContent current;
  ReadText(current,
           "[SKINCONTROLS]\r\ncount=1\r\n0=old:button\r\n[HINTWINDOW]\r\nfontheight=9\r\n");
  TspDataSkinHintWindow* hint = current.HintWindow.get();
  TspSkinColors* colours = current.SkinColors.get();
  TspSkinContent fresh;
  ReadText(fresh,
           "[VERSION]\r\nskinname=New\r\n[FORMINFO]\r\nclientrect=1,2,3,4\r\n"
           "[HINTWINDOW]\r\nfontheight=20\r\n[SKINCOLORS]\r\ncbtnface=7\r\n"
           "[SKINCONTROLS]\r\ncount=1\r\n0=new:edit\r\n[PICTURES]\r\nactivepicturescount=1\r\n0=n."
           "bmp\r\n");
  current.TakeSkinContent(fresh);
  EXPECT_EQ("New", current.SkinName);
  EXPECT_EQ(TRect(1, 2, 3, 4), current.ClientRect);
  EXPECT_EQ(hint, current.HintWindow.get());
  EXPECT_EQ(20, hint->FontHeight);
  EXPECT_EQ(colours, current.SkinColors.get());
  EXPECT_EQ(7, colours->cBtnFace);
  ASSERT_EQ(1, current.ControlRecords.GetCount());
  EXPECT_EQ("new", current.ControlRecords[0]->IDName);
  EXPECT_EQ("n.bmp\r\n", current.ActivePictureNames->GetText());
  EXPECT_EQ("old", fresh.ControlRecords[0]->IDName);  // freed with the fresh content
}

TEST(SkinSections, CheckSkinIniSectionsWantsTheFiveMainSections) {
  TMemIniFile ini;
  ini.SetText(
      "[VERSION]\r\na=1\r\n[PICTURES]\r\na=1\r\n[FORMINFO]\r\na=1\r\n[SKINOBJECTS]\r\n"
      "count=0\r\n[SKINCONTROLS]\r\ncount=0\r\n");
  EXPECT_TRUE(CheckSkinIniSections(&ini));
  ini.EraseSection("skinobjects");
  EXPECT_FALSE(CheckSkinIniSections(&ini));
}
