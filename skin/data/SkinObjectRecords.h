// Unit SkinData, its object records: one record per entry of a skin's SKINOBJECTS list,
// describing an active part of a skinned form's frame or of its menus: caption buttons,
// the caption, labels, gauges, track bars, animations and switches drawn on the frame, and
// the items of popup menus and of the main-menu bar. The form frame and the menus find a
// record by name (TspSkinData::GetObjectIndex). Unlike a control record's, an object's
// SkinRect is its place on the form frame, in the coordinates of the skin's Picture.
// The family follows the rules of the control records (SkinControlRecords.h): own section
// named IDName, fields in VisitFields parent first. Most classes have no constructor of
// their own, so their own fields start zero, empty or False until they are read.
// Portable: no Windows header.
#pragma once

#include <memory>

#include "skin/data/SkinFields.h"

// The base (no type word of its own). ActivePictureIndex picks the picture of the skin
// data's ActivePictures (-1: none) that holds the object's state pictures, such as
// ActiveSkinRect (under the mouse) and InactiveSkinRect (on an inactive form); Morphing
// with MorphKind blends between the normal and the active picture; RollUp keeps the object
// on a rolled-up form; Hint is the object's hint text.
class TspDataSkinObject : public TObject, public TspSkinFieldOwner {
 public:
  explicit TspDataSkinObject(const AnsiString& AIDName);
  virtual void LoadFromIni(TCustomIniFile* Ini);
  virtual void SaveToIni(TCustomIniFile* Ini);
  void VisitFields(TspSkinFieldVisitor& V) override;

  AnsiString IDName;
  AnsiString Hint;
  bool SkinRectInAPicture = false;
  TRect SkinRect;
  TRect ActiveSkinRect;
  TRect InactiveSkinRect;
  bool Morphing = false;
  TspMorphKind MorphKind = mkDefault;
  int32_t ActivePictureIndex = -1;
  int32_t CursorIndex = -1;
  bool RollUp = false;
  // The name the form frame knows this field by.
  TRect& InActiveSkinRect = InactiveSkinRect;
};

// "userobject": reads and writes only "rollup", "skinrect" and "cursorindex"; every other
// field keeps its creation value.
class TspDataUserObject : public TspDataSkinObject {
 public:
  using TspDataSkinObject::TspDataSkinObject;
  void VisitFields(TspSkinFieldVisitor& V) override;
};

// "switch"
class TspDataSkinSwitch : public TspDataSkinObject {
 public:
  using TspDataSkinObject::TspDataSkinObject;
};

// "button": a frame button; buttons with the same GroupIndex other than -1 form a group.
class TspDataSkinButton : public TspDataSkinObject {
 public:
  explicit TspDataSkinButton(const AnsiString& AIDName);
  void VisitFields(TspSkinFieldVisitor& V) override;

  int32_t GroupIndex = -1;
  TRect DownRect;
  TRect DisableSkinRsect;
  // The name the form frame knows this field by.
  TRect& DisableSkinRect = DisableSkinRsect;
};

// "stdbutton": a caption button with a window command; the restore rectangles are its
// pictures while the form is maximized or rolled up, when the button restores it.
class TspDataSkinStdButton : public TspDataSkinButton {
 public:
  using TspDataSkinButton::TspDataSkinButton;
  void VisitFields(TspSkinFieldVisitor& V) override;

  TStdCommand Command = cmClose;
  TRect RestoreRect;
  TRect RestoreActiveRect;
  TRect RestoreDownRect;
  TRect RestoreInactiveRect;
  TRect& RestoreInActiveRect = RestoreInactiveRect;
};

// "mainmenubarbutton": the buttons of the main-menu bar.
class TspDataSkinMainMenuBarButton : public TspDataSkinStdButton {
 public:
  using TspDataSkinStdButton::TspDataSkinStdButton;
};

// "caption": the caption text with font and shadow per state, an optional frame behind
// the text, an optional light behind it, and an animation of FrameCount frames.
class TspDataSkinCaption : public TspDataSkinObject {
 public:
  using TspDataSkinObject::TspDataSkinObject;
  void VisitFields(TspSkinFieldVisitor& V) override;

  AnsiString FontName;
  int32_t FontHeight = 0;
  TFontStyles FontStyle;
  TColor FontColor = 0;
  TColor ActiveFontColor = 0;
  TColor ShadowColor = 0;
  TColor ActiveShadowColor = 0;
  bool Shadow = false;
  TAlignment Alignment = taLeftJustify;
  TRect TextRect;
  bool DefaultCaption = false;
  TRect FrameRect;
  TRect ActiveFrameRect;
  int32_t FrameLeftOffset = 0;
  int32_t FrameRightOffset = 0;
  TRect FrameTextRect;
  bool Light = false;
  TColor LightColor = 0;
  TColor ActiveLightColor = 0;
  bool StretchEffect = false;
  TRect AnimateSkinRect;
  int32_t FrameCount = 0;
  int32_t AnimateInterval = 0;
  bool InactiveAnimation = false;
  bool FullFrame = false;
  bool& InActiveAnimation = InactiveAnimation;
};

// "label": a text on the frame.
class TspDataSkinLabel : public TspDataSkinObject {
 public:
  using TspDataSkinObject::TspDataSkinObject;
  void VisitFields(TspSkinFieldVisitor& V) override;

  AnsiString FontName;
  int32_t FontHeight = 0;
  TFontStyles FontStyle;
  TColor FontColor = 0;
  TColor ActiveFontColor = 0;
  TAlignment Alignment = taLeftJustify;
  AnsiString TextValue;
};

// "bitlabel": a text drawn from picture symbols, as the bit label control, with its cells
// in ActiveSkinRect. It never morphs.
class TspDataSkinBitLabel : public TspDataSkinObject {
 public:
  explicit TspDataSkinBitLabel(const AnsiString& AIDName);
  void LoadFromIni(TCustomIniFile* Ini) override;
  void VisitFields(TspSkinFieldVisitor& V) override;

  std::unique_ptr<TStringList> Symbols;
  AnsiString TextValue;
  int32_t SymbolWidth = 0;
  int32_t SymbolHeight = 0;
  bool Transparent = false;
  TColor TransparentColor = 0xFF00FF;
};

// "animate": an animated frame object of CountFrames frames stepping every TimerInterval
// ms, cycling or shown as a button, with a window command and restore pictures. It never
// morphs.
class TspDataSkinAnimate : public TspDataSkinObject {
 public:
  using TspDataSkinObject::TspDataSkinObject;
  void LoadFromIni(TCustomIniFile* Ini) override;
  void VisitFields(TspSkinFieldVisitor& V) override;

  int32_t CountFrames = 0;
  bool Cycle = false;
  bool ButtonStyle = false;
  int32_t TimerInterval = 0;
  TStdCommand Command = cmClose;
  TRect DownSkinRect;
  TRect RestoreRect;
  TRect RestoreActiveRect;
  TRect RestoreDownRect;
  TRect RestoreInactiveRect;
  TRect& RestoreInActiveRect = RestoreInactiveRect;
};

// "gauge"
class TspDataSkinGauge : public TspDataSkinObject {
 public:
  using TspDataSkinObject::TspDataSkinObject;
  void VisitFields(TspSkinFieldVisitor& V) override;

  int32_t MinValue = 0;
  int32_t MaxValue = 0;
  TspGaugeKind Kind = gkHorizontal;
};

// "framegauge": a gauge drawn from a strip of CountFrames frames.
class TspDataSkinFrameGaugeObject : public TspDataSkinObject {
 public:
  using TspDataSkinObject::TspDataSkinObject;
  void VisitFields(TspSkinFieldVisitor& V) override;

  int32_t MinValue = 0;
  int32_t MaxValue = 0;
  int32_t CountFrames = 0;
  TspFramesPlacement FramesPlacement = fpHorizontal;
};

// "frameregulator": a regulator drawn from a strip of frames, turned round or moved across
// or down.
class TspDataSkinFrameRegulatorObject : public TspDataSkinObject {
 public:
  using TspDataSkinObject::TspDataSkinObject;
  void VisitFields(TspSkinFieldVisitor& V) override;

  int32_t MinValue = 0;
  int32_t MaxValue = 0;
  int32_t CountFrames = 0;
  TspFramesPlacement FramesPlacement = fpHorizontal;
  TspRegulatorKind Kind = rkRound;
};

// "trackbar": a track bar whose button moves from BeginPoint to EndPoint. It never morphs.
class TspDataSkinTrackBar : public TspDataSkinObject {
 public:
  using TspDataSkinObject::TspDataSkinObject;
  void LoadFromIni(TCustomIniFile* Ini) override;
  void VisitFields(TspSkinFieldVisitor& V) override;

  TRect ButtonRect;
  TRect ActiveButtonRect;
  TPoint BeginPoint;
  TPoint EndPoint;
  int32_t MinValue = 0;
  int32_t MaxValue = 0;
  bool MouseDownChangeValue = false;
  bool ButtonTransparent = false;
  TColor ButtonTransparentColor = 0;
};

// "menuitem": the item of skinned popup menus: divider, text, image, check, radio and
// sub-menu arrow pictures, each normal and active, and an item animation. An empty active
// picture takes its normal one when the record is read.
class TspDataSkinMenuItem : public TspDataSkinObject {
 public:
  using TspDataSkinObject::TspDataSkinObject;
  void LoadFromIni(TCustomIniFile* Ini) override;
  void VisitFields(TspSkinFieldVisitor& V) override;

  TRect DividerRect;
  int32_t DividerLeftOffset = 0;
  int32_t DividerRightOffset = 0;
  int32_t ItemLeftOffset = 0;
  int32_t ItemRightOffset = 0;
  AnsiString FontName;
  int32_t FontHeight = 0;
  TFontStyles FontStyle;
  TColor UnEnabledFontColor = 0;
  TColor FontColor = 0;
  TColor ActiveFontColor = 0;
  TRect TextRect;
  bool StretchEffect = false;
  bool DividerStretchEffect = false;
  bool InactiveStretchEffect = false;
  TRect AnimateSkinRect;
  int32_t FrameCount = 0;
  int32_t AnimateInterval = 0;
  bool InactiveAnimation = false;
  TRect ImageRect;
  bool UseImageColor = false;
  TColor ImageColor = 0;
  TColor ActiveImageColor = 0;
  bool InactiveTransparent = false;
  TRect CheckImageRect;
  TRect ActiveCheckImageRect;
  TRect RadioImageRect;
  TRect ActiveRadioImageRect;
  TRect ArrowImageRect;
  TRect ActiveArrowImageRect;
  bool& InActiveAnimation = InactiveAnimation;
};

// "mainmenuitem": the item of a main menu drawn on the form frame.
class TspDataSkinMainMenuItem : public TspDataSkinObject {
 public:
  using TspDataSkinObject::TspDataSkinObject;
  void VisitFields(TspSkinFieldVisitor& V) override;

  TRect DownRect;
  AnsiString FontName;
  int32_t FontHeight = 0;
  TFontStyles FontStyle;
  TColor FontColor = 0;
  TColor ActiveFontColor = 0;
  TColor DownFontColor = 0;
  TColor UnEnabledFontColor = 0;
  TRect TextRect;
  int32_t ItemLeftOffset = 0;
  int32_t ItemRightOffset = 0;
  bool StretchEffect = false;
  TRect AnimateSkinRect;
  int32_t FrameCount = 0;
  int32_t AnimateInterval = 0;
  bool InactiveAnimation = false;
  bool& InActiveAnimation = InactiveAnimation;
};

// "mainmenubaritem": the items of the main-menu bar control.
class TspDataSkinMainMenuBarItem : public TspDataSkinMainMenuItem {
 public:
  using TspDataSkinMainMenuItem::TspDataSkinMainMenuItem;
};

// The record class that the SKINOBJECTS type word names (tried in the order of the skin
// format, exactly and case-sensitively), made with IDName; nullptr for a word no record
// has.
std::unique_ptr<TspDataSkinObject> CreateObjectRecord(const AnsiString& TypeWord,
                                                      const AnsiString& IDName);
// The type word that creates the record's class.
AnsiString ObjectRecordTypeWord(const TspDataSkinObject* Record);
