// The control records' base classes and the records of the simpler controls.
#include "skin/data/SkinControlRecords.h"
#include "skin/data/SkinRecordKeys.h"

namespace {

// The font and background keys that the tree view, list view and rich edit records share.
template <class R>
void VisitFontAndBackground(TspSkinFieldVisitor& V, R& Record) {
  VisitFontKeys(V, Record);
  V.Color("bgcolor", Record.BGColor, 0);
}

}  // namespace

// ---------------------------------------------------------------------------------------
// Bases

TspDataSkinControl::TspDataSkinControl(const AnsiString& AIDName) : IDName(AIDName) {}

void TspDataSkinControl::LoadFromIni(TCustomIniFile* Ini) {
  TspSkinIniReader reader(Ini, IDName);
  VisitFields(reader);
}

void TspDataSkinControl::SaveToIni(TCustomIniFile* Ini) {
  Ini->EraseSection(IDName);
  TspSkinIniWriter writer(Ini, IDName);
  VisitFields(writer);
}

void TspDataSkinControl::VisitFields(TspSkinFieldVisitor& V) {
  V.Integer("pictureindex", PictureIndex, -1);
  V.Integer("maskpictureindex", MaskPictureIndex, -1);
  V.Rect("skinrect", SkinRect);
  V.Integer("cursorindex", CursorIndex, -1);
}

void TspDataSkinCustomControl::VisitFields(TspSkinFieldVisitor& V) {
  TspDataSkinControl::VisitFields(V);
  V.Point("lefttoppoint", LeftTopPoint);
  V.Point("righttoppoint", RightTopPoint);
  V.Point("leftbottompoint", LeftBottomPoint);
  V.Point("rightbottompoint", RightBottomPoint);
  V.Rect("clientrect", ClientRect);
  V.Boolean("stretcheffect", StretchEffect);
  V.Boolean("leftstretch", LeftStretch);
  V.Boolean("topstretch", TopStretch);
  V.Boolean("rightstretch", RightStretch);
  V.Boolean("bottomstretch", BottomStretch);
  V.Enum("stretchtype", StretchType, kStretchTypeWords);
}

void TspDataSkinFrameControl::LoadFromIni(TCustomIniFile* Ini) {
  TspDataSkinControl::LoadFromIni(Ini);
  if (FramesCount < 1) FramesCount = 1;
}

void TspDataSkinFrameControl::VisitFields(TspSkinFieldVisitor& V) {
  TspDataSkinControl::VisitFields(V);
  V.Integer("framescount", FramesCount, 1);
  V.Enum("framesplacement", FramesPlacement, kFramesPlacementWords);
}

void TspDataSkinFrameRegulator::VisitFields(TspSkinFieldVisitor& V) {
  TspDataSkinFrameControl::VisitFields(V);
  V.Enum("kind", Kind, kRegulatorKindWords);
}

// ---------------------------------------------------------------------------------------
// Simple records

void TspDataSkinBevel::VisitFields(TspSkinFieldVisitor& V) {
  TspDataSkinControl::VisitFields(V);
  V.Color("lightcolor", LightColor, 0);
  V.Color("darkcolor", DarkColor, 0);
}

void TspDataSkinSlider::VisitFields(TspSkinFieldVisitor& V) {
  TspDataSkinControl::VisitFields(V);
  V.Rect("hrulerrect", HRulerRect);
  V.Rect("hthumbrect", HThumbRect);
  V.Rect("vrulerrect", VRulerRect);
  V.Rect("vthumbrect", VThumbRect);
  V.Integer("edgesize", EdgeSize, 0);
  V.Color("bgcolor", BGColor, 0);
  V.Color("pointscolor", PointsColor, 0);
}

void TspDataSkinTreeView::VisitFields(TspSkinFieldVisitor& V) {
  TspDataSkinControl::VisitFields(V);
  VisitFontAndBackground(V, *this);
}

void TspDataSkinListView::VisitFields(TspSkinFieldVisitor& V) {
  TspDataSkinControl::VisitFields(V);
  VisitFontAndBackground(V, *this);
}

void TspDataSkinRichEdit::VisitFields(TspSkinFieldVisitor& V) {
  TspDataSkinControl::VisitFields(V);
  VisitFontAndBackground(V, *this);
}

void TspDataSkinStdLabelControl::VisitFields(TspSkinFieldVisitor& V) {
  TspDataSkinControl::VisitFields(V);
  VisitFontKeys(V, *this);
  V.Color("activefontcolor", ActiveFontColor, 0xFF0000);
}

void TspDataSkinLabelControl::VisitFields(TspSkinFieldVisitor& V) {
  TspDataSkinCustomControl::VisitFields(V);
  VisitFontKeys(V, *this);
}

TspDataSkinBitLabelControl::TspDataSkinBitLabelControl(const AnsiString& AIDName)
    : TspDataSkinCustomControl(AIDName), Symbols(new TStringList) {}

void TspDataSkinBitLabelControl::VisitFields(TspSkinFieldVisitor& V) {
  TspDataSkinCustomControl::VisitFields(V);
  V.Rect("skintextrect", SkinTextRect);
  V.Integer("symbolwidth", SymbolWidth, 0);
  V.Integer("symbolheight", SymbolHeight, 0);
  V.Strings("symbols", *Symbols);
}

void TspDataSkinSplitterControl::VisitFields(TspSkinFieldVisitor& V) {
  TspDataSkinCustomControl::VisitFields(V);
  V.Rect("gripperrect", GripperRect);
  V.Boolean("grippertransparent", GripperTransparent);
  V.Color("grippertransparentcolor", GripperTransparentColor, 0);
}

void TspDataSkinScrollBoxControl::VisitFields(TspSkinFieldVisitor& V) {
  TspDataSkinCustomControl::VisitFields(V);
  V.Integer("bgpictureindex", BGPictureIndex, -1);
}

void TspDataSkinEditControl::VisitFields(TspSkinFieldVisitor& V) {
  TspDataSkinCustomControl::VisitFields(V);
  V.Rect("activeskinrect", ActiveSkinRect);
  VisitFontKeys(V, *this);
  V.Color("disabledfontcolor", DisabledFontColor, 0);
  V.Color("activefontcolor", ActiveFontColor, 0);
  V.Rect("buttonrect", ButtonRect);
  V.Rect("activebuttonrect", ActiveButtonRect);
  V.Rect("downbuttonrect", DownButtonRect);
  V.Rect("unenabledbuttonrect", UnEnabledButtonRect);
}

void TspDataSkinMemoControl::VisitFields(TspSkinFieldVisitor& V) {
  TspDataSkinEditControl::VisitFields(V);
  V.Color("bgcolor", BGColor, 0);
  V.Color("activebgcolor", ActiveBGColor, 0);
}

void TspDataSkinSpinEditControl::VisitFields(TspSkinFieldVisitor& V) {
  TspDataSkinCustomControl::VisitFields(V);
  V.Rect("activeskinrect", ActiveSkinRect);
  VisitFontKeys(V, *this);
  V.Color("activefontcolor", ActiveFontColor, 0);
  V.Color("disabledfontcolor", DisabledFontColor, 0);
  VisitUpDownButtonKeys(V, *this);
}

void TspDataSkinUpDownControl::ClearGeometry() {
  LeftTopPoint = RightTopPoint = LeftBottomPoint = RightBottomPoint = TPoint();
  ClientRect = TRect();
}

void TspDataSkinUpDownControl::LoadFromIni(TCustomIniFile* Ini) {
  TspDataSkinCustomControl::LoadFromIni(Ini);
  ClearGeometry();
}

void TspDataSkinUpDownControl::SaveToIni(TCustomIniFile* Ini) {
  ClearGeometry();
  TspDataSkinCustomControl::SaveToIni(Ini);
}

void TspDataSkinUpDownControl::VisitFields(TspSkinFieldVisitor& V) {
  TspDataSkinCustomControl::VisitFields(V);
  VisitUpDownButtonKeys(V, *this);
}

void TspDataSkinTrackBarControl::VisitFields(TspSkinFieldVisitor& V) {
  TspDataSkinCustomControl::VisitFields(V);
  V.Rect("activeskinrect", ActiveSkinRect);
  V.Rect("trackarea", TrackArea);
  V.Rect("buttonrect", ButtonRect);
  V.Rect("activebuttonrect", ActiveButtonRect);
  V.Boolean("vertical", Vertical);
  V.Boolean("buttontransparent", ButtonTransparent);
  V.Color("buttontransparentcolor", ButtonTransparentColor, 0);
}

void TspDataSkinGaugeControl::VisitFields(TspSkinFieldVisitor& V) {
  TspDataSkinCustomControl::VisitFields(V);
  V.Rect("progressarea", ProgressArea);
  V.Rect("progressrect", ProgressRect);
  V.Boolean("progresstransparent", ProgressTransparent);
  V.Color("progresstransparentcolor", ProgressTransparentColor, 0);
  V.Boolean("progressstretch", ProgressStretch);
  V.Boolean("vertical", Vertical);
  V.Integer("beginoffset", BeginOffset, 0);
  V.Integer("endoffset", EndOffset, 0);
  VisitFontKeys(V, *this);
  V.Rect("animationskinrect", AnimationSkinRect);
  V.Integer("animationcountframes", AnimationCountFrames, 0);
  V.Integer("animationtimerinterval", AnimationTimerInterval, 0);
  V.Rect("progressanimationskinrect", ProgressAnimationSkinRect);
  V.Integer("progressanimationcountframes", ProgressAnimationCountFrames, 0);
  V.Integer("progressanimationtimerinterval", ProgressAnimationTimerInterval, 0);
  V.Integer("animationbeginoffset", AnimationBeginOffset, 0);
  V.Integer("animationendoffset", AnimationEndOffset, 0);
}

void TspDataSkinScrollBarControl::VisitFields(TspSkinFieldVisitor& V) {
  TspDataSkinCustomControl::VisitFields(V);
  V.Rect("trackarea", TrackArea);
  VisitUpDownButtonKeys(V, *this);
  V.Rect("thumbrect", ThumbRect);
  V.Rect("activethumbrect", ActiveThumbRect);
  V.Rect("downthumbrect", DownThumbRect);
  V.Integer("thumboffset1", ThumbOffset1, 0);
  V.Integer("thumboffset2", ThumbOffset2, 0);
  V.Rect("glyphrect", GlyphRect);
  V.Rect("activeglyphrect", ActiveGlyphRect);
  V.Rect("downglyphrect", DownGlyphRect);
  V.Boolean("glyphtransparent", GlyphTransparent);
  V.Color("glyphtransparentcolor", GlyphTransparentColor, 0);
  V.Boolean("thumbtransparent", ThumbTransparent);
  V.Color("thumbtransparentcolor", ThumbTransparentColor, 0);
  V.Boolean("thumbstretcheffect", ThumbStretchEffect);
  V.Integer("thumbminsize", ThumbMinSize, 0);
  V.Integer("thumbminpagesize", ThumbMinPageSize, 0);
}

void TspDataSkinMainMenuBar::VisitFields(TspSkinFieldVisitor& V) {
  TspDataSkinControl::VisitFields(V);
  V.Rect("itemsrect", ItemsRect);
  V.Text("menubaritem", MenuBarItem, "");
  V.Text("closebutton", CloseButton, "");
  V.Text("maxbutton", MaxButton, "");
  V.Text("minbutton", MinButton, "");
  V.Text("sysmenubutton", SysMenuButton, "");
  V.Color("trackmarkcolor", TrackMarkColor, 0);
  V.Color("trackmarkactivecolor", TrackMarkActiveColor, 0);
  V.Boolean("stretcheffect", StretchEffect);
  V.Boolean("itemtransparent", ItemTransparent);
}

void TspDataSkinControlBar::VisitFields(TspSkinFieldVisitor& V) {
  TspDataSkinCustomControl::VisitFields(V);
  V.Rect("itemrect", ItemRect);
  V.Integer("bgpictureindex", BGPictureIndex, -1);
  V.Rect("hgriprect", HGripRect);
  V.Rect("vgriprect", VGripRect);
  V.Integer("gripoffset1", GripOffset1, 0);
  V.Integer("gripoffset2", GripOffset2, 0);
  V.Boolean("itemstretcheffect", ItemStretchEffect);
  V.Integer("itemoffset1", ItemOffset1, 3);
  V.Integer("itemoffset2", ItemOffset2, 3);
  V.Boolean("itemtransparent", ItemTransparent);
  V.Color("itemtransparentcolor", ItemTransparentColor, 0);
  V.Boolean("griptransparent", GripTransparent);
  V.Color("griptransparentcolor", GripTransparentColor, 0);
}
