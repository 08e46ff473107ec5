// The records of buttons, check boxes, panels, lists, combo boxes, tabs and grids, and the
// SKINCONTROLS type words.
#include "skin/data/SkinControlRecords.h"
#include "skin/data/SkinRecordKeys.h"

void TspDataSkinButtonControl::VisitFields(TspSkinFieldVisitor& V) {
  TspDataSkinCustomControl::VisitFields(V);
  VisitFontKeys(V, *this);
  V.Color("activefontcolor", ActiveFontColor, 0);
  V.Color("downfontcolor", DownFontColor, 0);
  V.Color("disabledfontcolor", DisabledFontColor, 0);
  V.Boolean("morphing", Morphing);
  V.Enum("morphkind", MorphKind, kMorphKindWords);
  V.Rect("activeskinrect", ActiveSkinRect);
  V.Rect("downskinrect", DownSkinRect);
  V.Rect("disabledskinrect", DisabledSkinRect);
  V.Rect("focusedskinrect", FocusedSkinRect);
  V.Rect("animateskinrect", AnimateSkinRect);
  V.Integer("framecount", FrameCount, 0);
  V.Integer("animateinterval", AnimateInterval, 25);
  V.Boolean("showfocus", ShowFocus);
  V.Rect("menumarkerflatrect", MenuMarkerFlatRect);
  V.Rect("menumarkerrect", MenuMarkerRect);
  V.Rect("menumarkeractiverect", MenuMarkerActiveRect);
  V.Rect("menumarkerdownrect", MenuMarkerDownRect);
  V.Color("menumarkertransparentcolor", MenuMarkerTransparentColor, 0);
}

void TspDataSkinMenuButtonControl::VisitFields(TspSkinFieldVisitor& V) {
  TspDataSkinButtonControl::VisitFields(V);
  V.Rect("trackbuttonrect", TrackButtonRect);
}

void TspDataSkinCheckRadioControl::VisitFields(TspSkinFieldVisitor& V) {
  TspDataSkinCustomControl::VisitFields(V);
  VisitFontKeys(V, *this);
  V.Color("activefontcolor", ActiveFontColor, 0);
  V.Color("unenabledfontcolor", UnEnabledFontColor, 0);
  V.Boolean("morphing", Morphing);
  V.Enum("morphkind", MorphKind, kMorphKindWords);
  V.Rect("activeskinrect", ActiveSkinRect);
  V.Rect("checkimagearea", CheckImageArea);
  V.Rect("textarea", TextArea);
  V.Rect("checkimagerect", CheckImageRect);
  V.Rect("uncheckimagerect", UncheckImageRect);
  V.Rect("activecheckimagerect", ActiveCheckImageRect);
  V.Rect("activeuncheckimagerect", ActiveUncheckImageRect);
  V.Rect("unenabledcheckimagerect", UnEnabledCheckImageRect);
  V.Rect("unenableduncheckimagerect", UnEnabledUncheckImageRect);
  V.Rect("grayedcheckimagerect", GrayedCheckImageRect);
  V.Rect("activegrayedcheckimagerect", ActiveGrayedCheckImageRect);
  V.Color("framefontcolor", FrameFontColor, 0);
}

void TspDataSkinPanelControl::VisitFields(TspSkinFieldVisitor& V) {
  TspDataSkinCustomControl::VisitFields(V);
  V.Rect("captionrect", CaptionRect);
  V.Alignment("alignment", Alignment);
  VisitFontKeys(V, *this);
  V.Integer("bgpictureindex", BGPictureIndex, -1);
  V.Rect("checkimagerect", CheckImageRect);
  V.Rect("uncheckimagerect", UncheckImageRect);
  V.Rect("markframerect", MarkFrameRect);
  V.Rect("framerect", FrameRect);
  V.Integer("frameleftoffset", FrameLeftOffset, 0);
  V.Integer("framerightoffset", FrameRightOffset, 0);
  V.Rect("frametextrect", FrameTextRect);
  V.Rect("gripperrect", GripperRect);
  V.Boolean("grippertransparent", GripperTransparent);
  V.Color("grippertransparentcolor", GripperTransparentColor, 0);
}

void TspDataSkinExPanelControl::VisitFields(TspSkinFieldVisitor& V) {
  TspDataSkinCustomControl::VisitFields(V);
  V.Rect("rollhskinrect", RollHSkinRect);
  V.Rect("rollvskinrect", RollVSkinRect);
  V.Integer("rollleftoffset", RollLeftOffset, 0);
  V.Integer("rollrightoffset", RollRightOffset, 0);
  V.Integer("rolltopoffset", RollTopOffset, 0);
  V.Integer("rollbottomoffset", RollBottomOffset, 0);
  V.Rect("rollvcaptionrect", RollVCaptionRect);
  V.Rect("rollhcaptionrect", RollHCaptionRect);
  V.Rect("closebuttonrect", CloseButtonRect);
  V.Rect("closebuttonactiverect", CloseButtonActiveRect);
  V.Rect("closebuttondownrect", CloseButtonDownRect);
  V.Rect("hrollbuttonrect", HRollButtonRect);
  V.Rect("hrollbuttonactiverect", HRollButtonActiveRect);
  V.Rect("hrollbuttondownrect", HRollButtonDownRect);
  V.Rect("hrestorebuttonrect", HRestoreButtonRect);
  V.Rect("hrestorebuttonactiverect", HRestoreButtonActiveRect);
  V.Rect("hrestorebuttondownrect", HRestoreButtonDownRect);
  V.Rect("vrollbuttonrect", VRollButtonRect);
  V.Rect("vrollbuttonactiverect", VRollButtonActiveRect);
  V.Rect("vrollbuttondownrect", VRollButtonDownRect);
  V.Rect("vrestorebuttonrect", VRestoreButtonRect);
  V.Rect("vrestorebuttonactiverect", VRestoreButtonActiveRect);
  V.Rect("vrestorebuttondownrect", VRestoreButtonDownRect);
  V.Rect("captionrect", CaptionRect);
  VisitFontKeys(V, *this);
  V.Boolean("buttonstransparent", ButtonsTransparent);
  V.Color("buttonstransparentcolor", ButtonsTransparentColor, 0);
}

void TspDataSkinListBox::VisitFields(TspSkinFieldVisitor& V) {
  TspDataSkinCustomControl::VisitFields(V);
  V.Rect("itemrect", ItemRect);
  V.Rect("activeitemrect", ActiveItemRect);
  V.Rect("focusitemrect", FocusItemRect);
  V.Integer("itemleftoffset", ItemLeftOffset, 0);
  V.Integer("itemrightoffset", ItemRightOffset, 0);
  V.Rect("itemtextrect", ItemTextRect);
  VisitFontKeys(V, *this);
  V.Color("activefontcolor", ActiveFontColor, 0);
  V.Color("focusfontcolor", FocusFontColor, 0);
  V.Rect("captionrect", CaptionRect);
  V.Text("captionfontname", CaptionFontName, "Arial");
  V.FontStyles("captionfontstyle", CaptionFontStyle);
  V.Integer("captionfontheight", CaptionFontHeight, 14);
  V.Color("captionfontcolor", CaptionFontColor, 0);
  VisitUpDownButtonKeys(V, *this);
  V.Rect("checkbuttonrect", CheckButtonRect);
  V.Rect("activecheckbuttonrect", ActiveCheckButtonRect);
  V.Rect("downcheckbuttonrect", DownCheckButtonRect);
  V.Text("hscrollbarname", HScrollBarName, "hscrollbar");
  V.Text("vscrollbarname", VScrollBarName, "vscrollbar");
  V.Text("bothhscrollbarname", BothHScrollBarName, "bothhscrollbar");
  V.Boolean("showfocus", ShowFocus);
}

void TspDataSkinCheckListBox::VisitFields(TspSkinFieldVisitor& V) {
  TspDataSkinListBox::VisitFields(V);
  V.Rect("uncheckimagerect", UncheckImageRect);
  V.Rect("checkimagerect", CheckImageRect);
  V.Rect("itemcheckrect", ItemCheckRect);
}

void TspDataSkinComboBox::VisitFields(TspSkinFieldVisitor& V) {
  TspDataSkinCustomControl::VisitFields(V);
  V.Rect("itemrect", ItemRect);
  V.Rect("activeitemrect", ActiveItemRect);
  V.Rect("focusitemrect", FocusItemRect);
  V.Integer("itemleftoffset", ItemLeftOffset, 0);
  V.Integer("itemrightoffset", ItemRightOffset, 0);
  V.Rect("itemtextrect", ItemTextRect);
  VisitFontKeys(V, *this);
  V.Color("focusfontcolor", FocusFontColor, 0);
  V.Color("activefontcolor", ActiveFontColor, 0);
  V.Rect("buttonrect", ButtonRect);
  V.Rect("activebuttonrect", ActiveButtonRect);
  V.Rect("downbuttonrect", DownButtonRect);
  V.Rect("unenabledbuttonrect", UnEnabledButtonRect);
  V.Boolean("itemstretcheffect", ItemStretchEffect);
  V.Boolean("focusitemstretcheffect", FocusItemStretchEffect);
  V.Rect("activeskinrect", ActiveSkinRect);
  V.Boolean("showfocus", ShowFocus);
  V.Text("listboxname", ListBoxName, "");
}

void TspDataSkinTabControl::VisitFields(TspSkinFieldVisitor& V) {
  TspDataSkinControl::VisitFields(V);
  V.Rect("tabrect", TabRect);
  V.Rect("activetabrect", ActiveTabRect);
  V.Rect("focustabrect", FocusTabRect);
  V.Rect("mouseintabrect", MouseInTabRect);
  V.Rect("clientrect", ClientRect);
  V.Rect("tabsbgrect", TabsBGRect);
  V.Point("lefttoppoint", LeftTopPoint);
  V.Point("righttoppoint", RightTopPoint);
  V.Point("leftbottompoint", LeftBottomPoint);
  V.Point("rightbottompoint", RightBottomPoint);
  V.Integer("tableftoffset", TabLeftOffset, 0);
  V.Integer("tabrightoffset", TabRightOffset, 0);
  VisitFontKeys(V, *this);
  V.Color("activefontcolor", ActiveFontColor, 0);
  V.Color("focusfontcolor", FocusFontColor, 0);
  V.Color("mouseinfontcolor", MouseInFontColor, 0);
  V.Text("updown", UpDown, "");
  V.Integer("bgpictureindex", BGPictureIndex, -1);
  V.Boolean("tabstretcheffect", TabStretchEffect);
  V.Boolean("leftstretch", LeftStretch);
  V.Boolean("topstretch", TopStretch);
  V.Boolean("rightstretch", RightStretch);
  V.Boolean("bottomstretch", BottomStretch);
  V.Boolean("showfocus", ShowFocus);
  V.Integer("focusoffsetx", FocusOffsetX, 0);
  V.Integer("focusoffsety", FocusOffsetY, 0);
  V.Boolean("stretcheffect", StretchEffect);
  V.Enum("stretchtype", StretchType, kStretchTypeWords);
  V.Rect("closebuttonrect", CloseButtonRect);
  V.Rect("closebuttonactiverect", CloseButtonActiveRect);
  V.Rect("closebuttondownrect", CloseButtonDownRect);
  V.Boolean("buttontransparent", ButtonTransparent);
  V.Color("buttontransparentcolor", ButtonTransparentColor, 0);
}

void TspDataSkinGridControl::VisitFields(TspSkinFieldVisitor& V) {
  TspDataSkinControl::VisitFields(V);
  V.Rect("fixedcellrect", FixedCellRect);
  V.Rect("selectcellrect", SelectCellRect);
  V.Rect("focuscellrect", FocusCellRect);
  V.Integer("fixedcellleftoffset", FixedCellLeftOffset, 0);
  V.Integer("fixedcellrightoffset", FixedCellRightOffset, 0);
  V.Rect("fixedcelltextrect", FixedCellTextRect);
  V.Integer("cellleftoffset", CellLeftOffset, 0);
  V.Integer("cellrightoffset", CellRightOffset, 0);
  V.Rect("celltextrect", CellTextRect);
  V.Color("linescolor", LinesColor, 0);
  V.Color("bgcolor", BGColor, 0);
  V.Integer("bgpictureindex", BGPictureIndex, -1);
  VisitFontKeys(V, *this);
  V.Color("selectfontcolor", SelectFontColor, 0);
  V.Color("focusfontcolor", FocusFontColor, 0);
  V.Text("fixedfontname", FixedFontName, "Arial");
  V.FontStyles("fixedfontstyle", FixedFontStyle);
  V.Integer("fixedfontheight", FixedFontHeight, 14);
  V.Color("fixedfontcolor", FixedFontColor, 0);
  V.Boolean("fixedcellstretcheffect", FixedCellStretchEffect);
  V.Boolean("cellstretcheffect", CellStretchEffect);
  V.Boolean("showfocus", ShowFocus);
}

// ---------------------------------------------------------------------------------------
// Type words

namespace {

using TType = TspRecordType<TspDataSkinControl>;

// In the order the words are tried.
const TType kControlTypes[] = {
    TType::Of<TspDataSkinSlider>("slider"),
    TType::Of<TspDataSkinBevel>("bevel"),
    TType::Of<TspDataSkinPanelControl>("panel"),
    TType::Of<TspDataSkinExPanelControl>("expanel"),
    TType::Of<TspDataSkinMenuButtonControl>("menubutton"),
    TType::Of<TspDataSkinButtonControl>("button"),
    TType::Of<TspDataSkinCheckRadioControl>("checkradio"),
    TType::Of<TspDataSkinGaugeControl>("gauge"),
    TType::Of<TspDataSkinSplitterControl>("splitter"),
    TType::Of<TspDataSkinTrackBarControl>("trackbar"),
    TType::Of<TspDataSkinLabelControl>("label"),
    TType::Of<TspDataSkinStdLabelControl>("stdlabel"),
    TType::Of<TspDataSkinBitLabelControl>("bitlabel"),
    TType::Of<TspDataSkinFrameRegulator>("frameregulator"),
    TType::Of<TspDataSkinFrameGauge>("framegauge"),
    TType::Of<TspDataSkinAnimateControl>("animate"),
    TType::Of<TspDataSkinUpDownControl>("updown"),
    TType::Of<TspDataSkinSwitchControl>("switch"),
    TType::Of<TspDataSkinGridControl>("grid"),
    TType::Of<TspDataSkinTabControl>("tab"),
    TType::Of<TspDataSkinMainMenuBar>("mainmenubar"),
    TType::Of<TspDataSkinControlBar>("controlbar"),
    TType::Of<TspDataSkinMemoControl>("memo"),
    TType::Of<TspDataSkinEditControl>("edit"),
    TType::Of<TspDataSkinCheckListBox>("checklistbox"),
    TType::Of<TspDataSkinListBox>("listbox"),
    TType::Of<TspDataSkinComboBox>("combobox"),
    TType::Of<TspDataSkinScrollBarControl>("scrollbar"),
    TType::Of<TspDataSkinSpinEditControl>("spinedit"),
    TType::Of<TspDataSkinScrollBoxControl>("scrollbox"),
    TType::Of<TspDataSkinTreeView>("treeview"),
    TType::Of<TspDataSkinListView>("listview"),
    TType::Of<TspDataSkinRichEdit>("richedit"),
};

}  // namespace

std::unique_ptr<TspDataSkinControl> CreateControlRecord(const AnsiString& TypeWord,
                                                        const AnsiString& IDName) {
  return CreateRecordOfType(kControlTypes, TypeWord, IDName);
}

AnsiString ControlRecordTypeWord(const TspDataSkinControl* Record) {
  return TypeWordOfRecord(kControlTypes, Record);
}
