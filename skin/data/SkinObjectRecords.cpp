#include "skin/data/SkinObjectRecords.h"

#include "skin/data/SPUtils.h"

TspDataSkinObject::TspDataSkinObject(const AnsiString& AIDName) : IDName(AIDName) {}

void TspDataSkinObject::LoadFromIni(TCustomIniFile* Ini) {
  TspSkinIniReader reader(Ini, IDName);
  VisitFields(reader);
}

void TspDataSkinObject::SaveToIni(TCustomIniFile* Ini) {
  Ini->EraseSection(IDName);
  TspSkinIniWriter writer(Ini, IDName);
  VisitFields(writer);
}

void TspDataSkinObject::VisitFields(TspSkinFieldVisitor& V) {
  V.Text("hint", Hint, "");
  V.Boolean("skinrectinapicture", SkinRectInAPicture);
  V.Rect("skinrect", SkinRect);
  V.Rect("activeskinrect", ActiveSkinRect);
  V.Rect("inactiveskinrect", InactiveSkinRect);
  V.Boolean("morphing", Morphing);
  V.Enum("morphkind", MorphKind, kMorphKindWords);
  V.Integer("activepictureindex", ActivePictureIndex, -1);
  V.Integer("cursorindex", CursorIndex, -1);
  V.Boolean("rollup", RollUp);
}

void TspDataUserObject::VisitFields(TspSkinFieldVisitor& V) {
  V.Boolean("rollup", RollUp);
  V.Rect("skinrect", SkinRect);
  V.Integer("cursorindex", CursorIndex, -1);
}

TspDataSkinButton::TspDataSkinButton(const AnsiString& AIDName) : TspDataSkinObject(AIDName) {}

void TspDataSkinButton::VisitFields(TspSkinFieldVisitor& V) {
  TspDataSkinObject::VisitFields(V);
  V.Integer("groupindex", GroupIndex, -1);
  V.Rect("downrect", DownRect);
  V.Rect("disableskinrsect", DisableSkinRsect);
}

void TspDataSkinStdButton::VisitFields(TspSkinFieldVisitor& V) {
  TspDataSkinButton::VisitFields(V);
  V.Enum("command", Command, kCommandWords);
  V.Rect("restorerect", RestoreRect);
  V.Rect("restoreactiverect", RestoreActiveRect);
  V.Rect("restoredownrect", RestoreDownRect);
  V.Rect("restoreinactiverect", RestoreInactiveRect);
}

void TspDataSkinCaption::VisitFields(TspSkinFieldVisitor& V) {
  TspDataSkinObject::VisitFields(V);
  V.Text("fontname", FontName, "Arial");
  V.Integer("fontheight", FontHeight, 14);
  V.FontStyles("fontstyle", FontStyle);
  V.Color("fontcolor", FontColor, 0);
  V.Color("activefontcolor", ActiveFontColor, 0);
  V.Color("shadowcolor", ShadowColor, 0);
  V.Color("activeshadowcolor", ActiveShadowColor, 0);
  V.Boolean("shadow", Shadow);
  V.Alignment("alignment", Alignment);
  V.Rect("textrect", TextRect);
  V.Boolean("defaultcaption", DefaultCaption);
  V.Rect("framerect", FrameRect);
  V.Rect("activeframerect", ActiveFrameRect);
  V.Integer("frameleftoffset", FrameLeftOffset, 0);
  V.Integer("framerightoffset", FrameRightOffset, 0);
  V.Rect("frametextrect", FrameTextRect);
  V.Boolean("light", Light);
  V.Color("lightcolor", LightColor, 0);
  V.Color("activelightcolor", ActiveLightColor, 0);
  V.Boolean("stretcheffect", StretchEffect);
  V.Rect("animateskinrect", AnimateSkinRect);
  V.Integer("framecount", FrameCount, 0);
  V.Integer("animateinterval", AnimateInterval, 25);
  V.Boolean("inactiveanimation", InactiveAnimation);
  V.Boolean("fullframe", FullFrame);
}

void TspDataSkinLabel::VisitFields(TspSkinFieldVisitor& V) {
  TspDataSkinObject::VisitFields(V);
  // Skin files spell this key "fontName"; the ini matches key names without regard to case.
  V.Text("fontname", FontName, "Arial");
  V.Integer("fontheight", FontHeight, 14);
  V.FontStyles("fontstyle", FontStyle);
  V.Color("fontcolor", FontColor, 0);
  V.Color("activefontcolor", ActiveFontColor, 0);
  V.Alignment("alignment", Alignment);
  V.Text("textvalue", TextValue, "");
}

TspDataSkinBitLabel::TspDataSkinBitLabel(const AnsiString& AIDName)
    : TspDataSkinObject(AIDName), Symbols(new TStringList) {}

void TspDataSkinBitLabel::LoadFromIni(TCustomIniFile* Ini) {
  TspDataSkinObject::LoadFromIni(Ini);
  Morphing = false;
}

void TspDataSkinBitLabel::VisitFields(TspSkinFieldVisitor& V) {
  TspDataSkinObject::VisitFields(V);
  V.Strings("symbols", *Symbols);
  V.Text("textvalue", TextValue, "");
  V.Integer("symbolwidth", SymbolWidth, 0);
  V.Integer("symbolheight", SymbolHeight, 0);
  V.Boolean("transparent", Transparent);
  V.Color("transparentcolor", TransparentColor, 0xFF00FF);
}

void TspDataSkinAnimate::LoadFromIni(TCustomIniFile* Ini) {
  TspDataSkinObject::LoadFromIni(Ini);
  Morphing = false;
}

void TspDataSkinAnimate::VisitFields(TspSkinFieldVisitor& V) {
  TspDataSkinObject::VisitFields(V);
  V.Integer("countframes", CountFrames, 1);
  V.Boolean("cycle", Cycle);
  V.Boolean("buttonstyle", ButtonStyle);
  V.Integer("timerinterval", TimerInterval, 50);
  V.Enum("command", Command, kCommandWords);
  V.Rect("downskinrect", DownSkinRect);
  V.Rect("restorerect", RestoreRect);
  V.Rect("restoreactiverect", RestoreActiveRect);
  V.Rect("restoredownrect", RestoreDownRect);
  V.Rect("restoreinactiverect", RestoreInactiveRect);
}

void TspDataSkinGauge::VisitFields(TspSkinFieldVisitor& V) {
  TspDataSkinObject::VisitFields(V);
  V.Integer("minvalue", MinValue, 0);
  V.Integer("maxvalue", MaxValue, 0);
  V.Enum("kind", Kind, kGaugeKindWords);
}

void TspDataSkinFrameGaugeObject::VisitFields(TspSkinFieldVisitor& V) {
  TspDataSkinObject::VisitFields(V);
  V.Integer("minvalue", MinValue, 0);
  V.Integer("maxvalue", MaxValue, 0);
  V.Integer("countframes", CountFrames, 0);
  V.Enum("framesplacement", FramesPlacement, kFramesPlacementWords);
}

void TspDataSkinFrameRegulatorObject::VisitFields(TspSkinFieldVisitor& V) {
  TspDataSkinObject::VisitFields(V);
  V.Integer("minvalue", MinValue, 0);
  V.Integer("maxvalue", MaxValue, 0);
  V.Integer("countframes", CountFrames, 0);
  V.Enum("framesplacement", FramesPlacement, kFramesPlacementWords);
  V.Enum("kind", Kind, kRegulatorKindWords);
}

void TspDataSkinTrackBar::LoadFromIni(TCustomIniFile* Ini) {
  TspDataSkinObject::LoadFromIni(Ini);
  Morphing = false;
}

void TspDataSkinTrackBar::VisitFields(TspSkinFieldVisitor& V) {
  TspDataSkinObject::VisitFields(V);
  V.Rect("buttonrect", ButtonRect);
  V.Rect("activebuttonrect", ActiveButtonRect);
  V.Point("beginpoint", BeginPoint);
  V.Point("endpoint", EndPoint);
  V.Integer("minvalue", MinValue, 0);
  V.Integer("maxvalue", MaxValue, 0);
  V.Boolean("mousedownchangevalue", MouseDownChangeValue);
  V.Boolean("buttontransparent", ButtonTransparent);
  V.Color("buttontransparentcolor", ButtonTransparentColor, 0);
}

void TspDataSkinMenuItem::LoadFromIni(TCustomIniFile* Ini) {
  TspDataSkinObject::LoadFromIni(Ini);
  if (IsNullRect(ActiveCheckImageRect)) ActiveCheckImageRect = CheckImageRect;
  if (IsNullRect(ActiveRadioImageRect)) ActiveRadioImageRect = RadioImageRect;
  if (IsNullRect(ActiveArrowImageRect)) ActiveArrowImageRect = ArrowImageRect;
}

void TspDataSkinMenuItem::VisitFields(TspSkinFieldVisitor& V) {
  TspDataSkinObject::VisitFields(V);
  V.Rect("dividerrect", DividerRect);
  V.Integer("dividerleftoffset", DividerLeftOffset, 0);
  V.Integer("dividerrightoffset", DividerRightOffset, 0);
  V.Integer("itemleftoffset", ItemLeftOffset, 0);
  V.Integer("itemrightoffset", ItemRightOffset, 0);
  V.Text("fontname", FontName, "Arial");
  V.Integer("fontheight", FontHeight, 14);
  V.FontStyles("fontstyle", FontStyle);
  V.Color("unenabledfontcolor", UnEnabledFontColor, 0);
  V.Color("fontcolor", FontColor, 0);
  V.Color("activefontcolor", ActiveFontColor, 0);
  V.Rect("textrect", TextRect);
  V.Boolean("stretcheffect", StretchEffect);
  V.Boolean("dividerstretcheffect", DividerStretchEffect);
  V.Boolean("inactivestretcheffect", InactiveStretchEffect);
  V.Rect("animateskinrect", AnimateSkinRect);
  V.Integer("framecount", FrameCount, 0);
  V.Integer("animateinterval", AnimateInterval, 25);
  V.Boolean("inactiveanimation", InactiveAnimation);
  V.Rect("imagerect", ImageRect);
  V.Boolean("useimagecolor", UseImageColor);
  V.Color("imagecolor", ImageColor, 0);
  V.Color("activeimagecolor", ActiveImageColor, 0);
  V.Boolean("inactivetransparent", InactiveTransparent);
  V.Rect("checkimagerect", CheckImageRect);
  V.Rect("activecheckimagerect", ActiveCheckImageRect);
  V.Rect("radioimagerect", RadioImageRect);
  V.Rect("activeradioimagerect", ActiveRadioImageRect);
  V.Rect("arrowimagerect", ArrowImageRect);
  V.Rect("activearrowimagerect", ActiveArrowImageRect);
}

void TspDataSkinMainMenuItem::VisitFields(TspSkinFieldVisitor& V) {
  TspDataSkinObject::VisitFields(V);
  V.Rect("downrect", DownRect);
  V.Text("fontname", FontName, "Arial");
  V.Integer("fontheight", FontHeight, 14);
  V.FontStyles("fontstyle", FontStyle);
  V.Color("fontcolor", FontColor, 0);
  V.Color("activefontcolor", ActiveFontColor, 0);
  V.Color("downfontcolor", DownFontColor, 0);
  V.Color("unenabledfontColor", UnEnabledFontColor, 0);
  V.Rect("textrect", TextRect);
  V.Integer("itemleftoffset", ItemLeftOffset, 0);
  V.Integer("itemrightoffset", ItemRightOffset, 0);
  V.Boolean("stretcheffect", StretchEffect);
  V.Rect("animateskinrect", AnimateSkinRect);
  V.Integer("framecount", FrameCount, 0);
  V.Integer("animateinterval", AnimateInterval, 25);
  V.Boolean("inactiveanimation", InactiveAnimation);
}

// ---------------------------------------------------------------------------------------
// Type words

namespace {

using TType = TspRecordType<TspDataSkinObject>;

// In the order the words are tried.
const TType kObjectTypes[] = {
    TType::Of<TspDataSkinMenuItem>("menuitem"),
    TType::Of<TspDataSkinMainMenuBarItem>("mainmenubaritem"),
    TType::Of<TspDataSkinMainMenuItem>("mainmenuitem"),
    TType::Of<TspDataSkinStdButton>("stdbutton"),
    TType::Of<TspDataSkinMainMenuBarButton>("mainmenubarbutton"),
    TType::Of<TspDataSkinButton>("button"),
    TType::Of<TspDataSkinCaption>("caption"),
    TType::Of<TspDataSkinTrackBar>("trackbar"),
    TType::Of<TspDataSkinGauge>("gauge"),
    TType::Of<TspDataSkinFrameGaugeObject>("framegauge"),
    TType::Of<TspDataSkinFrameRegulatorObject>("frameregulator"),
    TType::Of<TspDataSkinLabel>("label"),
    TType::Of<TspDataSkinBitLabel>("bitlabel"),
    TType::Of<TspDataSkinSwitch>("switch"),
    TType::Of<TspDataSkinAnimate>("animate"),
    TType::Of<TspDataUserObject>("userobject"),
};

}  // namespace

std::unique_ptr<TspDataSkinObject> CreateObjectRecord(const AnsiString& TypeWord,
                                                      const AnsiString& IDName) {
  return CreateRecordOfType(kObjectTypes, TypeWord, IDName);
}

AnsiString ObjectRecordTypeWord(const TspDataSkinObject* Record) {
  return TypeWordOfRecord(kObjectTypes, Record);
}
