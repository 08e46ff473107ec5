// Unit SkinData, its control records: one record per entry of a skin's SKINCONTROLS list,
// holding the pictures, rectangles, fonts and colours with which one kind of skinned
// control draws itself. A skinned control finds its record by name
// (TspSkinData::GetControlIndex) and reads its fields while painting; the records only
// load and save. Each record reads its own section, the one named by its IDName; the
// fields are listed in VisitFields, parent fields first, each with its key and the
// default a missing key reads as. Portable: no Windows header.
//
// Rectangles whose keys end in "rect" are parts of the record's picture; "active" is the
// look under the mouse, "down" pressed, "focus"/"focused" with the keyboard focus,
// "disabled"/"unenabled" disabled; keys ending in "area" are regions inside the control;
// the corner points and the client rectangle of TspDataSkinCustomControl are relative to
// the top-left corner of SkinRect. A picture index chooses a picture of the skin data's
// ActivePictures (-1: none).
#pragma once

#include <memory>

#include "skin/data/SkinFields.h"

// The base of the family (no type word of its own).
class TspDataSkinControl : public TObject, public TspSkinFieldOwner {
 public:
  explicit TspDataSkinControl(const AnsiString& AIDName);
  // Reads the record from the section named IDName; classes that adjust values after
  // reading run their parent's LoadFromIni first.
  virtual void LoadFromIni(TCustomIniFile* Ini);
  // Erases the section named IDName and writes every field in its reader's notation.
  virtual void SaveToIni(TCustomIniFile* Ini);
  void VisitFields(TspSkinFieldVisitor& V) override;

  AnsiString IDName;
  int32_t PictureIndex = -1;
  int32_t MaskPictureIndex = -1;
  TRect SkinRect;
  int32_t CursorIndex = -1;
};

// The base of the records drawn by the nine-part builders: the four corner points and
// ClientRect cut SkinRect into fixed corners, sides and the client part; each side flag
// stretches that side instead of tiling it; StretchEffect with StretchType stretches the
// client part instead of tiling it.
class TspDataSkinCustomControl : public TspDataSkinControl {
 public:
  using TspDataSkinControl::TspDataSkinControl;
  void VisitFields(TspSkinFieldVisitor& V) override;

  TPoint LeftTopPoint;
  TPoint RightTopPoint;
  TPoint LeftBottomPoint;
  TPoint RightBottomPoint;
  TRect ClientRect;
  bool StretchEffect = false;
  bool LeftStretch = false;
  bool TopStretch = false;
  bool RightStretch = false;
  bool BottomStretch = false;
  TspStretchType StretchType = stFull;
  // The names the skinned controls know these fields by.
  TPoint& LTPoint = LeftTopPoint;
  TPoint& RTPoint = RightTopPoint;
  TPoint& LBPoint = LeftBottomPoint;
  TPoint& RBPoint = RightBottomPoint;
  TRect& ClRect = ClientRect;
};

// A strip of equal frames: SkinRect is the first, the others follow it side by side or
// one below the other.
class TspDataSkinFrameControl : public TspDataSkinControl {
 public:
  using TspDataSkinControl::TspDataSkinControl;
  // A frame count below 1 reads as 1.
  void LoadFromIni(TCustomIniFile* Ini) override;
  void VisitFields(TspSkinFieldVisitor& V) override;

  int32_t FramesCount = 1;
  TspFramesPlacement FramesPlacement = fpHorizontal;
};

// "animate"
class TspDataSkinAnimateControl : public TspDataSkinFrameControl {
 public:
  using TspDataSkinFrameControl::TspDataSkinFrameControl;
};
// "switch"
class TspDataSkinSwitchControl : public TspDataSkinFrameControl {
 public:
  using TspDataSkinFrameControl::TspDataSkinFrameControl;
};
// "framegauge"
class TspDataSkinFrameGauge : public TspDataSkinFrameControl {
 public:
  using TspDataSkinFrameControl::TspDataSkinFrameControl;
};
// "frameregulator"
class TspDataSkinFrameRegulator : public TspDataSkinFrameControl {
 public:
  using TspDataSkinFrameControl::TspDataSkinFrameControl;
  void VisitFields(TspSkinFieldVisitor& V) override;

  TspRegulatorKind Kind = rkRound;
};

// "bevel"
class TspDataSkinBevel : public TspDataSkinControl {
 public:
  using TspDataSkinControl::TspDataSkinControl;
  void VisitFields(TspSkinFieldVisitor& V) override;

  TColor LightColor = 0;
  TColor DarkColor = 0;
};

// "slider": the horizontal and vertical ruler and thumb parts of a slider.
class TspDataSkinSlider : public TspDataSkinControl {
 public:
  using TspDataSkinControl::TspDataSkinControl;
  void VisitFields(TspSkinFieldVisitor& V) override;

  TRect HRulerRect;
  TRect HThumbRect;
  TRect VRulerRect;
  TRect VThumbRect;
  int32_t EdgeSize = 0;
  TColor BGColor = 0;
  TColor PointsColor = 0;
};

// "treeview"
class TspDataSkinTreeView : public TspDataSkinControl {
 public:
  using TspDataSkinControl::TspDataSkinControl;
  void VisitFields(TspSkinFieldVisitor& V) override;

  AnsiString FontName = "Arial";
  TFontStyles FontStyle;
  int32_t FontHeight = 14;
  TColor FontColor = 0;
  TColor BGColor = 0xFFFFFF;
};
// "listview"
class TspDataSkinListView : public TspDataSkinControl {
 public:
  using TspDataSkinControl::TspDataSkinControl;
  void VisitFields(TspSkinFieldVisitor& V) override;

  AnsiString FontName = "Arial";
  TFontStyles FontStyle;
  int32_t FontHeight = 14;
  TColor FontColor = 0;
  TColor BGColor = 0xFFFFFF;
};
// "richedit"
class TspDataSkinRichEdit : public TspDataSkinControl {
 public:
  using TspDataSkinControl::TspDataSkinControl;
  void VisitFields(TspSkinFieldVisitor& V) override;

  AnsiString FontName = "Arial";
  TFontStyles FontStyle;
  int32_t FontHeight = 14;
  TColor FontColor = 0;
  TColor BGColor = 0xFFFFFF;
};

// "stdlabel": a label drawn with the skin's font and colours only.
class TspDataSkinStdLabelControl : public TspDataSkinControl {
 public:
  using TspDataSkinControl::TspDataSkinControl;
  void VisitFields(TspSkinFieldVisitor& V) override;

  AnsiString FontName = "Arial";
  TFontStyles FontStyle;
  int32_t FontHeight = 12;
  TColor FontColor = 0;
  TColor ActiveFontColor = 0xFF0000;
};

// "label"
class TspDataSkinLabelControl : public TspDataSkinCustomControl {
 public:
  using TspDataSkinCustomControl::TspDataSkinCustomControl;
  void VisitFields(TspSkinFieldVisitor& V) override;

  AnsiString FontName = "Arial";
  TFontStyles FontStyle;
  int32_t FontHeight = 12;
  TColor FontColor = 0;
};

// "bitlabel": a label drawn from picture symbols. SkinTextRect holds a grid of cells of
// SymbolWidth x SymbolHeight; line n of Symbols lists the characters of grid row n, so a
// character found at position p of line n is drawn from the cell in column p, row n.
class TspDataSkinBitLabelControl : public TspDataSkinCustomControl {
 public:
  explicit TspDataSkinBitLabelControl(const AnsiString& AIDName);
  void VisitFields(TspSkinFieldVisitor& V) override;

  TRect SkinTextRect;
  int32_t SymbolWidth = 0;
  int32_t SymbolHeight = 0;
  std::unique_ptr<TStringList> Symbols;
};

// "splitter"
class TspDataSkinSplitterControl : public TspDataSkinCustomControl {
 public:
  using TspDataSkinCustomControl::TspDataSkinCustomControl;
  void VisitFields(TspSkinFieldVisitor& V) override;

  TRect GripperRect;
  bool GripperTransparent = false;
  TColor GripperTransparentColor = 0xFF00FF;
};

// "scrollbox"
class TspDataSkinScrollBoxControl : public TspDataSkinCustomControl {
 public:
  using TspDataSkinCustomControl::TspDataSkinCustomControl;
  void VisitFields(TspSkinFieldVisitor& V) override;

  int32_t BGPictureIndex = -1;
};

// "edit": an edit box with an optional button (button rectangles relative to SkinRect).
class TspDataSkinEditControl : public TspDataSkinCustomControl {
 public:
  using TspDataSkinCustomControl::TspDataSkinCustomControl;
  void VisitFields(TspSkinFieldVisitor& V) override;

  TRect ActiveSkinRect;
  AnsiString FontName = "Arial";
  TFontStyles FontStyle;
  int32_t FontHeight = 12;
  TColor FontColor = 0;
  TColor DisabledFontColor = 0;
  TColor ActiveFontColor = 0;
  TRect ButtonRect;
  TRect ActiveButtonRect;
  TRect DownButtonRect;
  TRect UnEnabledButtonRect;
};

// "memo"
class TspDataSkinMemoControl : public TspDataSkinEditControl {
 public:
  using TspDataSkinEditControl::TspDataSkinEditControl;
  void VisitFields(TspSkinFieldVisitor& V) override;

  TColor BGColor = 0;
  TColor ActiveBGColor = 0;
};

// "spinedit" (button rectangles relative to SkinRect).
class TspDataSkinSpinEditControl : public TspDataSkinCustomControl {
 public:
  using TspDataSkinCustomControl::TspDataSkinCustomControl;
  void VisitFields(TspSkinFieldVisitor& V) override;

  TRect ActiveSkinRect;
  AnsiString FontName = "Arial";
  TFontStyles FontStyle;
  int32_t FontHeight = 12;
  TColor FontColor = 0;
  TColor ActiveFontColor = 0;
  TColor DisabledFontColor = 0;
  TRect UpButtonRect;
  TRect ActiveUpButtonRect;
  TRect DownUpButtonRect;
  TRect DownButtonRect;
  TRect ActiveDownButtonRect;
  TRect DownDownButtonRect;
};

// "updown": the two arrow buttons in their normal, active and down looks. It has no
// nine-part geometry: its corner points and client rectangle are always zero.
class TspDataSkinUpDownControl : public TspDataSkinCustomControl {
 public:
  using TspDataSkinCustomControl::TspDataSkinCustomControl;
  void LoadFromIni(TCustomIniFile* Ini) override;
  void SaveToIni(TCustomIniFile* Ini) override;
  void VisitFields(TspSkinFieldVisitor& V) override;

  TRect UpButtonRect;
  TRect ActiveUpButtonRect;
  TRect DownUpButtonRect;
  TRect DownButtonRect;
  TRect ActiveDownButtonRect;
  TRect DownDownButtonRect;

 private:
  void ClearGeometry();
};

// "trackbar"
class TspDataSkinTrackBarControl : public TspDataSkinCustomControl {
 public:
  using TspDataSkinCustomControl::TspDataSkinCustomControl;
  void VisitFields(TspSkinFieldVisitor& V) override;

  TRect ActiveSkinRect;
  TRect TrackArea;
  TRect ButtonRect;
  TRect ActiveButtonRect;
  bool Vertical = false;
  bool ButtonTransparent = false;
  TColor ButtonTransparentColor = 0xFF00FF;
};

// "gauge": a progress bar whose part ProgressRect fills ProgressArea, optionally animated
// by the frames of the two animation rectangles.
class TspDataSkinGaugeControl : public TspDataSkinCustomControl {
 public:
  using TspDataSkinCustomControl::TspDataSkinCustomControl;
  void VisitFields(TspSkinFieldVisitor& V) override;

  TRect ProgressArea;
  TRect ProgressRect;
  bool ProgressTransparent = false;
  TColor ProgressTransparentColor = 0xFF00FF;
  bool ProgressStretch = false;
  bool Vertical = false;
  int32_t BeginOffset = 0;
  int32_t EndOffset = 0;
  AnsiString FontName = "Arial";
  TFontStyles FontStyle;
  int32_t FontHeight = 14;
  TColor FontColor = 0;
  TRect AnimationSkinRect;
  int32_t AnimationCountFrames = 0;
  int32_t AnimationTimerInterval = 0;
  TRect ProgressAnimationSkinRect;
  int32_t ProgressAnimationCountFrames = 0;
  int32_t ProgressAnimationTimerInterval = 0;
  int32_t AnimationBeginOffset = 0;
  int32_t AnimationEndOffset = 0;
};

// "scrollbar"
class TspDataSkinScrollBarControl : public TspDataSkinCustomControl {
 public:
  using TspDataSkinCustomControl::TspDataSkinCustomControl;
  void VisitFields(TspSkinFieldVisitor& V) override;

  TRect TrackArea;
  TRect UpButtonRect;
  TRect ActiveUpButtonRect;
  TRect DownUpButtonRect;
  TRect DownButtonRect;
  TRect ActiveDownButtonRect;
  TRect DownDownButtonRect;
  TRect ThumbRect;
  TRect ActiveThumbRect;
  TRect DownThumbRect;
  int32_t ThumbOffset1 = 0;
  int32_t ThumbOffset2 = 0;
  TRect GlyphRect;
  TRect ActiveGlyphRect;
  TRect DownGlyphRect;
  bool GlyphTransparent = false;
  TColor GlyphTransparentColor = 0xFF00FF;
  bool ThumbTransparent = false;
  TColor ThumbTransparentColor = 0xFF00FF;
  bool ThumbStretchEffect = false;
  int32_t ThumbMinSize = 0;
  int32_t ThumbMinPageSize = 0;
};

// "mainmenubar": the texts name the SKINOBJECTS records of the bar's items and of its
// close, maximize, minimize and system-menu buttons.
class TspDataSkinMainMenuBar : public TspDataSkinControl {
 public:
  using TspDataSkinControl::TspDataSkinControl;
  void VisitFields(TspSkinFieldVisitor& V) override;

  TRect ItemsRect;
  AnsiString MenuBarItem;
  AnsiString CloseButton;
  AnsiString MaxButton;
  AnsiString MinButton;
  AnsiString SysMenuButton;
  TColor TrackMarkColor = 0;
  TColor TrackMarkActiveColor = 0;
  bool StretchEffect = false;
  bool ItemTransparent = false;
};

// "controlbar"
class TspDataSkinControlBar : public TspDataSkinCustomControl {
 public:
  using TspDataSkinCustomControl::TspDataSkinCustomControl;
  void VisitFields(TspSkinFieldVisitor& V) override;

  TRect ItemRect;
  int32_t BGPictureIndex = -1;
  TRect HGripRect;
  TRect VGripRect;
  int32_t GripOffset1 = 0;
  int32_t GripOffset2 = 0;
  bool ItemStretchEffect = false;
  int32_t ItemOffset1 = 0;
  int32_t ItemOffset2 = 0;
  bool ItemTransparent = false;
  TColor ItemTransparentColor = 0;
  bool GripTransparent = false;
  TColor GripTransparentColor = 0;
};

// ---------------------------------------------------------------------------------------
// The richer records: buttons, check boxes, panels, lists, combo boxes, tabs and grids.

// "button": push buttons, tool buttons and the buttons of skinned dialogs. AnimateSkinRect
// holds FrameCount frames shown in turn every AnimateInterval ms; the four menu-marker
// rectangles are the arrow drawn on buttons that open a menu.
class TspDataSkinButtonControl : public TspDataSkinCustomControl {
 public:
  using TspDataSkinCustomControl::TspDataSkinCustomControl;
  void VisitFields(TspSkinFieldVisitor& V) override;

  AnsiString FontName = "Arial";
  TFontStyles FontStyle;
  int32_t FontHeight = 12;
  TColor FontColor = 0;
  TColor ActiveFontColor = 0;
  TColor DownFontColor = 0;
  TColor DisabledFontColor = 0;
  bool Morphing = false;
  TspMorphKind MorphKind = mkDefault;
  TRect ActiveSkinRect;
  TRect DownSkinRect;
  TRect DisabledSkinRect;
  TRect FocusedSkinRect;
  TRect AnimateSkinRect;
  int32_t FrameCount = 0;
  int32_t AnimateInterval = 0;
  bool ShowFocus = false;
  TRect MenuMarkerFlatRect;
  TRect MenuMarkerRect;
  TRect MenuMarkerActiveRect;
  TRect MenuMarkerDownRect;
  TColor MenuMarkerTransparentColor = 0;
};

// "menubutton": a button with a separate drop-down part.
class TspDataSkinMenuButtonControl : public TspDataSkinButtonControl {
 public:
  using TspDataSkinButtonControl::TspDataSkinButtonControl;
  void VisitFields(TspSkinFieldVisitor& V) override;

  TRect TrackButtonRect;
};

// "checkradio": check boxes and radio buttons; the check pictures are drawn in
// CheckImageArea, the caption in TextArea.
class TspDataSkinCheckRadioControl : public TspDataSkinCustomControl {
 public:
  using TspDataSkinCustomControl::TspDataSkinCustomControl;
  void VisitFields(TspSkinFieldVisitor& V) override;

  AnsiString FontName = "Arial";
  TFontStyles FontStyle;
  int32_t FontHeight = 12;
  TColor FontColor = 0;
  TColor ActiveFontColor = 0;
  TColor UnEnabledFontColor = 0;
  bool Morphing = false;
  TspMorphKind MorphKind = mkDefault;
  TRect ActiveSkinRect;
  TRect CheckImageArea;
  TRect TextArea;
  TRect CheckImageRect;
  TRect UncheckImageRect;
  TRect ActiveCheckImageRect;
  TRect ActiveUncheckImageRect;
  TRect UnEnabledCheckImageRect;
  TRect UnEnabledUncheckImageRect;
  TRect GrayedCheckImageRect;
  TRect ActiveGrayedCheckImageRect;
  TColor FrameFontColor = 0;
  // The names the skinned controls know these fields by.
  TRect& UnCheckImageRect = UncheckImageRect;
  TRect& ActiveUnCheckImageRect = ActiveUncheckImageRect;
  TRect& UnEnabledUnCheckImageRect = UnEnabledUncheckImageRect;
};

// "panel": panels, and in the default skin also group boxes, status bars and tool panels.
class TspDataSkinPanelControl : public TspDataSkinCustomControl {
 public:
  using TspDataSkinCustomControl::TspDataSkinCustomControl;
  void VisitFields(TspSkinFieldVisitor& V) override;

  TRect CaptionRect;
  TAlignment Alignment = taCenter;
  AnsiString FontName = "Arial";
  TFontStyles FontStyle;
  int32_t FontHeight = 12;
  TColor FontColor = 0;
  int32_t BGPictureIndex = -1;
  TRect CheckImageRect;
  TRect UncheckImageRect;
  TRect MarkFrameRect;
  TRect FrameRect;
  int32_t FrameLeftOffset = 0;
  int32_t FrameRightOffset = 0;
  TRect FrameTextRect;
  TRect GripperRect;
  bool GripperTransparent = false;
  TColor GripperTransparentColor = 0xFF00FF;
  // The name the skinned controls know this field by.
  TRect& UnCheckImageRect = UncheckImageRect;
};

// "expanel": a panel that rolls up across or down, with close, roll and restore buttons
// for both ways.
class TspDataSkinExPanelControl : public TspDataSkinCustomControl {
 public:
  using TspDataSkinCustomControl::TspDataSkinCustomControl;
  void VisitFields(TspSkinFieldVisitor& V) override;

  TRect RollHSkinRect;
  TRect RollVSkinRect;
  int32_t RollLeftOffset = 0;
  int32_t RollRightOffset = 0;
  int32_t RollTopOffset = 0;
  int32_t RollBottomOffset = 0;
  TRect RollVCaptionRect;
  TRect RollHCaptionRect;
  TRect CloseButtonRect;
  TRect CloseButtonActiveRect;
  TRect CloseButtonDownRect;
  TRect HRollButtonRect;
  TRect HRollButtonActiveRect;
  TRect HRollButtonDownRect;
  TRect HRestoreButtonRect;
  TRect HRestoreButtonActiveRect;
  TRect HRestoreButtonDownRect;
  TRect VRollButtonRect;
  TRect VRollButtonActiveRect;
  TRect VRollButtonDownRect;
  TRect VRestoreButtonRect;
  TRect VRestoreButtonActiveRect;
  TRect VRestoreButtonDownRect;
  TRect CaptionRect;
  AnsiString FontName = "Arial";
  TFontStyles FontStyle;
  int32_t FontHeight = 12;
  TColor FontColor = 0;
  bool ButtonsTransparent = false;
  TColor ButtonsTransparentColor = 0xFF00FF;
};

// "listbox": the items, an optional caption with its own font, the caption's up/down and
// check buttons, and the names of the scroll-bar records the list uses.
class TspDataSkinListBox : public TspDataSkinCustomControl {
 public:
  using TspDataSkinCustomControl::TspDataSkinCustomControl;
  void VisitFields(TspSkinFieldVisitor& V) override;

  TRect ItemRect;
  TRect ActiveItemRect;
  TRect FocusItemRect;
  int32_t ItemLeftOffset = 0;
  int32_t ItemRightOffset = 0;
  TRect ItemTextRect;
  AnsiString FontName = "Arial";
  TFontStyles FontStyle;
  int32_t FontHeight = 14;
  TColor FontColor = 0;
  TColor ActiveFontColor = 0;
  TColor FocusFontColor = 0;
  TRect CaptionRect;
  AnsiString CaptionFontName = "Arial";
  TFontStyles CaptionFontStyle;
  int32_t CaptionFontHeight = 14;
  TColor CaptionFontColor = 0;
  TRect UpButtonRect;
  TRect ActiveUpButtonRect;
  TRect DownUpButtonRect;
  TRect DownButtonRect;
  TRect ActiveDownButtonRect;
  TRect DownDownButtonRect;
  TRect CheckButtonRect;
  TRect ActiveCheckButtonRect;
  TRect DownCheckButtonRect;
  AnsiString HScrollBarName;
  AnsiString VScrollBarName;
  AnsiString BothHScrollBarName;
  bool ShowFocus = false;
};

// "checklistbox"
class TspDataSkinCheckListBox : public TspDataSkinListBox {
 public:
  using TspDataSkinListBox::TspDataSkinListBox;
  void VisitFields(TspSkinFieldVisitor& V) override;

  TRect UncheckImageRect;
  TRect CheckImageRect;
  TRect ItemCheckRect;
};

// "combobox": ListBoxName names the list-box record of the drop-down list.
class TspDataSkinComboBox : public TspDataSkinCustomControl {
 public:
  using TspDataSkinCustomControl::TspDataSkinCustomControl;
  void VisitFields(TspSkinFieldVisitor& V) override;

  TRect ItemRect;
  TRect ActiveItemRect;
  TRect FocusItemRect;
  int32_t ItemLeftOffset = 0;
  int32_t ItemRightOffset = 0;
  TRect ItemTextRect;
  AnsiString FontName = "Arial";
  TFontStyles FontStyle;
  int32_t FontHeight = 14;
  TColor FontColor = 0;
  TColor FocusFontColor = 0;
  TColor ActiveFontColor = 0;
  TRect ButtonRect;
  TRect ActiveButtonRect;
  TRect DownButtonRect;
  TRect UnEnabledButtonRect;
  bool ItemStretchEffect = false;
  bool FocusItemStretchEffect = false;
  TRect ActiveSkinRect;
  bool ShowFocus = false;
  AnsiString ListBoxName;
};

// "tab": the tab pictures per look, the page frame with its own nine-part corner points
// and client rectangle, the strip behind the tabs, the close button of a tab, and UpDown
// naming the up-down record that scrolls the tabs.
class TspDataSkinTabControl : public TspDataSkinControl {
 public:
  using TspDataSkinControl::TspDataSkinControl;
  void VisitFields(TspSkinFieldVisitor& V) override;

  TRect TabRect;
  TRect ActiveTabRect;
  TRect FocusTabRect;
  TRect MouseInTabRect;
  TRect ClientRect;
  TRect TabsBGRect;
  TPoint LeftTopPoint;
  TPoint RightTopPoint;
  TPoint LeftBottomPoint;
  TPoint RightBottomPoint;
  int32_t TabLeftOffset = 0;
  int32_t TabRightOffset = 0;
  AnsiString FontName = "Arial";
  TFontStyles FontStyle;
  int32_t FontHeight = 14;
  TColor FontColor = 0;
  TColor ActiveFontColor = 0;
  TColor FocusFontColor = 0;
  TColor MouseInFontColor = 0;
  AnsiString UpDown;
  int32_t BGPictureIndex = -1;
  bool TabStretchEffect = false;
  bool LeftStretch = false;
  bool TopStretch = false;
  bool RightStretch = false;
  bool BottomStretch = false;
  bool ShowFocus = false;
  int32_t FocusOffsetX = 0;
  int32_t FocusOffsetY = 0;
  bool StretchEffect = false;
  TspStretchType StretchType = stFull;
  TRect CloseButtonRect;
  TRect CloseButtonActiveRect;
  TRect CloseButtonDownRect;
  bool ButtonTransparent = false;
  TColor ButtonTransparentColor = 0xFF00FF;
  // The names the skinned controls know these fields by.
  TPoint& LTPoint = LeftTopPoint;
  TPoint& RTPoint = RightTopPoint;
  TPoint& LBPoint = LeftBottomPoint;
  TPoint& RBPoint = RightBottomPoint;
  TRect& ClRect = ClientRect;
};

// "grid": fixed, selected and focused cells with their text rectangles, and the fonts of
// fixed and normal cells.
class TspDataSkinGridControl : public TspDataSkinControl {
 public:
  using TspDataSkinControl::TspDataSkinControl;
  void VisitFields(TspSkinFieldVisitor& V) override;

  TRect FixedCellRect;
  TRect SelectCellRect;
  TRect FocusCellRect;
  int32_t FixedCellLeftOffset = 0;
  int32_t FixedCellRightOffset = 0;
  TRect FixedCellTextRect;
  int32_t CellLeftOffset = 0;
  int32_t CellRightOffset = 0;
  TRect CellTextRect;
  TColor LinesColor = 0;
  TColor BGColor = 0;
  int32_t BGPictureIndex = -1;
  AnsiString FontName = "Arial";
  TFontStyles FontStyle;
  int32_t FontHeight = 14;
  TColor FontColor = 0;
  TColor SelectFontColor = 0;
  TColor FocusFontColor = 0;
  AnsiString FixedFontName = "Arial";
  TFontStyles FixedFontStyle;
  int32_t FixedFontHeight = 14;
  TColor FixedFontColor = 0;
  bool FixedCellStretchEffect = false;
  bool CellStretchEffect = false;
  bool ShowFocus = false;
};

// The record class that the SKINCONTROLS type word names (the words are tried in the
// order of the skin format, exactly and case-sensitively), made with IDName; nullptr for a
// word no record has.
std::unique_ptr<TspDataSkinControl> CreateControlRecord(const AnsiString& TypeWord,
                                                        const AnsiString& IDName);
// The type word that creates the record's class (for writing a SKINCONTROLS list).
AnsiString ControlRecordTypeWord(const TspDataSkinControl* Record);
