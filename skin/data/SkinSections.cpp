#include "skin/data/SkinSections.h"

#include <algorithm>

#include "skin/data/SPUtils.h"

// ---------------------------------------------------------------------------------------
// Colours, popup and hint windows

void TspSkinColors::LoadFromIni(TCustomIniFile* Ini) {
  TspSkinIniReader reader(Ini, "SKINCOLORS");
  VisitFields(reader);
}

void TspSkinColors::ResetToSystem() {
  cBtnFace = SystemColor(15);
  cBtnText = SystemColor(18);
  cWindow = SystemColor(5);
  cWindowText = SystemColor(8);
  cHighLight = SystemColor(13);
  cHighLightText = SystemColor(14);
  cBtnHighLight = SystemColor(20);
  cBtnShadow = SystemColor(16);
  c3DLight = SystemColor(22);
  c3DDkShadow = SystemColor(21);
}

void TspSkinColors::VisitFields(TspSkinFieldVisitor& V) {
  V.Color("cbtnface", cBtnFace, 0);
  V.Color("cbtntext", cBtnText, 0);
  V.Color("cwindow", cWindow, 0);
  V.Color("cwindowtext", cWindowText, 0);
  V.Color("chighlight", cHighLight, 0);
  V.Color("chighlighttext", cHighLightText, 0);
  V.Color("cbtnhighlight", cBtnHighLight, 0);
  V.Color("cbtnshadow", cBtnShadow, 0);
  V.Color("c3dlight", c3DLight, 0);
  V.Color("c3ddkshadow", c3DDkShadow, 0);
}

void TspDataSkinPopupWindow::LoadFromIni(TCustomIniFile* Ini) {
  TspSkinIniReader reader(Ini, "POPUPWINDOW");
  VisitFields(reader);
}

void TspDataSkinPopupWindow::VisitFields(TspSkinFieldVisitor& V) {
  V.Integer("windowpictureindex", WindowPictureIndex, -1);
  V.Integer("maskpictureindex", MaskPictureIndex, -1);
  V.Point("lefttoppoint", LeftTopPoint);
  V.Point("righttoppoint", RightTopPoint);
  V.Point("leftbottompoint", LeftBottomPoint);
  V.Point("rightbottompoint", RightBottomPoint);
  V.Rect("itemsrect", ItemsRect);
  V.Color("scrollmarkercolor", ScrollMarkerColor, 0);
  V.Color("scrollmarkeractivecolor", ScrollMarkerActiveColor, 0);
  V.Integer("cursorindex", CursorIndex, -1);
  V.Boolean("topstretch", TopStretch);
  V.Boolean("leftstretch", LeftStretch);
  V.Boolean("rightstretch", RightStretch);
  V.Boolean("bottomstretch", BottomStretch);
  V.Boolean("stretcheffect", StretchEffect);
  V.Enum("stretchtype", StretchType, kStretchTypeWords);
}

void TspDataSkinHintWindow::LoadFromIni(TCustomIniFile* Ini) {
  TspSkinIniReader reader(Ini, "HINTWINDOW");
  VisitFields(reader);
}

void TspDataSkinHintWindow::VisitFields(TspSkinFieldVisitor& V) {
  V.Integer("windowpictureindex", WindowPictureIndex, -1);
  V.Integer("maskpictureindex", MaskPictureIndex, -1);
  V.Point("lefttoppoint", LeftTopPoint);
  V.Point("righttoppoint", RightTopPoint);
  V.Point("leftbottompoint", LeftBottomPoint);
  V.Point("rightbottompoint", RightBottomPoint);
  V.Rect("clientrect", ClientRect);
  V.Text("fontname", FontName, "Arial");
  V.FontStyles("fontstyle", FontStyle);
  V.Integer("fontheight", FontHeight, 14);
  V.Color("fontcolor", FontColor, 0);
  V.Boolean("topstretch", TopStretch);
  V.Boolean("leftstretch", LeftStretch);
  V.Boolean("rightstretch", RightStretch);
  V.Boolean("bottomstretch", BottomStretch);
  V.Boolean("stretcheffect", StretchEffect);
  V.Enum("stretchtype", StretchType, kStretchTypeWords);
}

// ---------------------------------------------------------------------------------------
// TspSkinContent

TspSkinContent::TspSkinContent()
    : ActivePictureNames(new TStringList),
      SkinColors(new TspSkinColors),
      PopupWindow(new TspDataSkinPopupWindow),
      HintWindow(new TspDataSkinHintWindow) {}

TspSkinContent::~TspSkinContent() = default;

void TspSkinContent::ReadSkinIni(TCustomIniFile* Ini) {
  SkinName = Ini->ReadString("VERSION", "skinname", "");
  SkinAuthor = Ini->ReadString("VERSION", "skinauthor", "");
  AuthorEmail = Ini->ReadString("VERSION", "authoremail", "");
  AuthorUrl = Ini->ReadString("VERSION", "authorurl", "");
  SkinComments = Ini->ReadString("VERSION", "skincomments", "");
  PictureName = Ini->ReadString("PICTURES", "picture", "");
  MaskName = Ini->ReadString("PICTURES", "mask", "");
  RollUpPictureName = Ini->ReadString("PICTURES", "rolluppicture", "");
  RollUpMaskName = Ini->ReadString("PICTURES", "rollupmask", "");
  ReadCountList(Ini, "PICTURES", "activepictures", ActivePictureNames.get());
  LoadFormInfo(Ini);
  PopupWindow->LoadFromIni(Ini);
  HintWindow->LoadFromIni(Ini);
  SkinColors->LoadFromIni(Ini);
  LoadAreas(Ini);
  LoadObjects(Ini);
  LoadControls(Ini);
}

void TspSkinContent::VisitFormInfo(TspSkinFieldVisitor& V) {
  V.Rect("sizegriparea", SizeGripArea);
  V.Text("statusbarname", StatusBarName, "");
  V.Rect("buttonsrect", ButtonsRect);
  V.Rect("captionrect", CaptionRect);
  V.Integer("buttonsoffset", ButtonsOffset, 0);
  V.Boolean("buttonsinleft", ButtonsInLeft);
  V.Boolean("autorenderinginactiveimage", AutoRenderingInactiveImage);
  V.Enum("inactiveeffect", InactiveEffect, kInactiveEffectWords);
  V.Integer("cursorindex", CursorIndex, -1);
  V.Point("lefttoppoint", LeftTopPoint);
  V.Point("righttoppoint", RightTopPoint);
  V.Point("leftbottompoint", LeftBottomPoint);
  V.Point("rightbottompoint", RightBottomPoint);
  V.Integer("bgpictureindex", BGPictureIndex, -1);
  V.Integer("mdibgpictureindex", MDIBGPictureIndex, -1);
  V.Rect("mainmenurect", MainMenuRect);
  V.Rect("iconrect", IconRect);
  V.Boolean("mainmenupopupup", MainMenuPopupUp);
  V.Rect("maskrectarea", MaskRectArea);
  V.Point("hittestlefttoppoint", HitTestLeftTopPoint);
  V.Point("hittestrighttoppoint", HitTestRightTopPoint);
  V.Point("hittestleftbottompoint", HitTestLeftBottomPoint);
  V.Point("hittestrightbottompoint", HitTestRightBottomPoint);
  V.Rect("clientrect", ClientRect);
  V.Integer("borderwidth", BorderWidth, 0);
  V.Integer("formminwidth", FormMinWidth, 0);
  V.Boolean("mditabstransparent", MDITabsTransparent);
  V.Boolean("mainmenubartransparent", MainMenuBarTransparent);
  V.Boolean("topstretch", TopStretch);
  V.Boolean("leftstretch", LeftStretch);
  V.Boolean("rightstretch", RightStretch);
  V.Boolean("bottomstretch", BottomStretch);
  V.Boolean("stretcheffect", StretchEffect);
  V.Enum("stretchtype", StretchType, kStretchTypeWords);
  V.Boolean("mdibgstretcheffect", MDIBGStretchEffect);
  V.Enum("mdibgstretchtype", MDIBGStretchType, kStretchTypeWords);
  V.Point("rollupleftpoint", RollUpLeftPoint);
  V.Point("rolluprightpoint", RollUpRightPoint);
}

void TspSkinContent::LoadFormInfo(TCustomIniFile* Ini) {
  TspSkinIniReader reader(Ini, "FORMINFO");
  VisitFormInfo(reader);
  if (!MaskName.empty()) {
    if (IsNullRect(MaskRectArea)) {
      MaskRectArea = ClientRect;
    } else {
      MaskRectArea.Left = std::min(MaskRectArea.Left, ClientRect.Left);
      MaskRectArea.Top = std::min(MaskRectArea.Top, ClientRect.Top);
      MaskRectArea.Right = std::max(MaskRectArea.Right, ClientRect.Right);
      MaskRectArea.Bottom = std::max(MaskRectArea.Bottom, ClientRect.Bottom);
    }
    if (IsNullPoint(HitTestLeftTopPoint)) HitTestLeftTopPoint = LeftTopPoint;
    if (IsNullPoint(HitTestRightTopPoint)) HitTestRightTopPoint = RightTopPoint;
    if (IsNullPoint(HitTestLeftBottomPoint)) HitTestLeftBottomPoint = LeftBottomPoint;
    if (IsNullPoint(HitTestRightBottomPoint)) HitTestRightBottomPoint = RightBottomPoint;
  }
  if (RightBottomPoint.X != LeftTopPoint.X && RightBottomPoint.Y != LeftTopPoint.Y) {
    LeftTopPoint.X = std::max(LeftTopPoint.X, ClientRect.Left);
    LeftTopPoint.Y = std::max(LeftTopPoint.Y, ClientRect.Top);
    RightTopPoint.X = std::min(RightTopPoint.X, ClientRect.Right);
    RightTopPoint.Y = std::max(RightTopPoint.Y, ClientRect.Top);
    LeftBottomPoint.X = std::max(LeftBottomPoint.X, ClientRect.Left);
    LeftBottomPoint.Y = std::min(LeftBottomPoint.Y, ClientRect.Bottom);
    RightBottomPoint.X = std::min(RightBottomPoint.X, ClientRect.Right);
    RightBottomPoint.Y = std::min(RightBottomPoint.Y, ClientRect.Bottom);
  }
}

void TspSkinContent::SplitNameAndType(const AnsiString& Value, AnsiString& Name,
                                      AnsiString& TypeWord) {
  const size_t colon = Value.find(':');
  if (colon == AnsiString::npos) {
    Name.clear();
    TypeWord.clear();
    return;
  }
  Name = Value.substr(0, colon);
  TypeWord = Value.substr(colon + 1);
}

void TspSkinContent::SplitAreaNameAndRect(const AnsiString& Value, AnsiString& Name, TRect& Rect) {
  const size_t colon = Value.find(':');
  if (colon == AnsiString::npos) {
    Name.clear();
    Rect = NullRect();
    return;
  }
  Name = Value.substr(0, colon);
  Rect = ParseRect(Value.substr(colon + 1));
}

void TspSkinContent::AddArea(const AnsiString& Name, const TRect& Rect) {
  AreaRecords.Add(std::make_unique<TspDataSkinArea>(Name, Rect));
}

namespace {

// The values of a section's count list ("count" and the keys "0", "1", ...).
template <class F>
void ForEachListValue(TCustomIniFile* Ini, const AnsiString& Section, F&& Each) {
  const int count = SkinListLength(Ini, Section, "", Ini->ReadInteger(Section, "count", 0));
  for (int i = 0; i < count; ++i) Each(Ini->ReadString(Section, IntToStr(i), ""));
}

template <class List>
int IndexOfName(const List& Records, const AnsiString& Name) {
  int index = 0;
  for (auto* record : Records) {
    if (record->IDName == Name) return index;
    ++index;
  }
  return -1;
}

}  // namespace

void TspSkinContent::LoadAreas(TCustomIniFile* Ini) {
  ForEachListValue(Ini, "SKINAREAS", [&](const AnsiString& value) {
    AnsiString name;
    TRect rect;
    SplitAreaNameAndRect(value, name, rect);
    AddArea(name, rect);
  });
}

void TspSkinContent::LoadObjects(TCustomIniFile* Ini) {
  ForEachListValue(Ini, "SKINOBJECTS", [&](const AnsiString& value) {
    AnsiString name, word;
    SplitNameAndType(value, name, word);
    std::unique_ptr<TspDataSkinObject> record = CreateObjectRecord(word, name);
    if (!record) return;
    TspDataSkinObject* added = record.get();
    ObjectRecords.Add(std::move(record));
    added->LoadFromIni(Ini);
  });
}

void TspSkinContent::LoadControls(TCustomIniFile* Ini) {
  ForEachListValue(Ini, "SKINCONTROLS", [&](const AnsiString& value) {
    AnsiString name, word;
    SplitNameAndType(value, name, word);
    std::unique_ptr<TspDataSkinControl> record = CreateControlRecord(word, name);
    if (!record) return;
    TspDataSkinControl* added = record.get();
    ControlRecords.Add(std::move(record));
    added->LoadFromIni(Ini);
  });
}

int TspSkinContent::GetAreaIndex(const AnsiString& Name) const {
  return IndexOfName(AreaRecords, Name);
}
int TspSkinContent::GetObjectIndex(const AnsiString& Name) const {
  return IndexOfName(ObjectRecords, Name);
}
int TspSkinContent::GetControlIndex(const AnsiString& Name) const {
  return IndexOfName(ControlRecords, Name);
}

void TspSkinContent::ClearRecords() {
  ObjectRecords.Clear();
  AreaRecords.Clear();
  ControlRecords.Clear();
  PopupWindow->WindowPictureIndex = -1;
  HintWindow->WindowPictureIndex = -1;
  ActivePictureNames->Clear();
  SkinColors->ResetToSystem();
}

void TspSkinContent::TakeSkinContent(TspSkinContent& Source) {
  std::swap(SkinName, Source.SkinName);
  std::swap(SkinAuthor, Source.SkinAuthor);
  std::swap(AuthorUrl, Source.AuthorUrl);
  std::swap(AuthorEmail, Source.AuthorEmail);
  std::swap(SkinComments, Source.SkinComments);
  std::swap(PictureName, Source.PictureName);
  std::swap(MaskName, Source.MaskName);
  std::swap(RollUpPictureName, Source.RollUpPictureName);
  std::swap(RollUpMaskName, Source.RollUpMaskName);
  ActivePictureNames->Assign(Source.ActivePictureNames.get());
  static_cast<TspSkinFormInfo&>(*this) = Source;
  CopySkinFields(*Source.SkinColors, *SkinColors);
  CopySkinFields(*Source.PopupWindow, *PopupWindow);
  CopySkinFields(*Source.HintWindow, *HintWindow);
  ObjectRecords.Swap(Source.ObjectRecords);
  AreaRecords.Swap(Source.AreaRecords);
  ControlRecords.Swap(Source.ControlRecords);
}

bool CheckSkinIniSections(TCustomIniFile* Ini) {
  for (const char* section : {"VERSION", "PICTURES", "FORMINFO", "SKINOBJECTS", "SKINCONTROLS"})
    if (!Ini->SectionExists(section)) return false;
  return true;
}
