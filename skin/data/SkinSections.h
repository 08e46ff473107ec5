// Unit SkinData, the sections of a skin's ini text that the skin data reads for itself:
// VERSION, PICTURES, FORMINFO (the frame of skinned forms), POPUPWINDOW, HINTWINDOW,
// SKINCOLORS, SKINAREAS, and the index lists SKINOBJECTS and SKINCONTROLS that name the
// record sections. TspSkinContent holds all of it; the skin data component adds the
// pictures. Section and key names match without regard to case, value words exactly;
// every value is read with a default, so a missing section or key is never an error.
// Portable: no Windows header.
#pragma once

#include <memory>
#include <vector>

#include "skin/data/SkinControlRecords.h"
#include "skin/data/SkinObjectRecords.h"

// A list of records it owns, in the order they were added.
template <class T>
class TspOwnedList {
 public:
  int GetCount() const { return static_cast<int>(FItems.size()); }
  // Raises EListError for an index outside the list.
  T* Get(int Index) const {
    if (Index < 0 || Index >= GetCount())
      throw EListError("List index out of bounds (%d)", {Index});
    return FItems[static_cast<size_t>(Index)].get();
  }
  T* operator[](int Index) const { return Get(Index); }
  // The item, or nullptr for an index outside the list (-1 among them: "none").
  T* Find(int Index) const {
    return Index < 0 || Index >= GetCount() ? nullptr : FItems[static_cast<size_t>(Index)].get();
  }
  int Add(std::unique_ptr<T> Item) {
    FItems.push_back(std::move(Item));
    return GetCount() - 1;
  }
  void Clear() { FItems.clear(); }
  void Swap(TspOwnedList& Other) { FItems.swap(Other.FItems); }

  class const_iterator {
   public:
    explicit const_iterator(typename std::vector<std::unique_ptr<T>>::const_iterator It)
        : FIt(It) {}
    T* operator*() const { return FIt->get(); }
    const_iterator& operator++() {
      ++FIt;
      return *this;
    }
    bool operator!=(const const_iterator& Other) const { return FIt != Other.FIt; }

   private:
    typename std::vector<std::unique_ptr<T>>::const_iterator FIt;
  };
  const_iterator begin() const { return const_iterator(FItems.begin()); }
  const_iterator end() const { return const_iterator(FItems.end()); }

 private:
  std::vector<std::unique_ptr<T>> FItems;
};

// Section SKINCOLORS: the ten colours that replace the system's. A new object holds 0 in
// all ten; ResetToSystem gives each the system colour it replaces.
class TspSkinColors : public TObject, public TspSkinFieldOwner {
 public:
  void LoadFromIni(TCustomIniFile* Ini);
  void ResetToSystem();
  void VisitFields(TspSkinFieldVisitor& V) override;

  TColor cBtnFace = 0;
  TColor cBtnText = 0;
  TColor cWindow = 0;
  TColor cWindowText = 0;
  TColor cHighLight = 0;
  TColor cHighLightText = 0;
  TColor cBtnHighLight = 0;
  TColor cBtnShadow = 0;
  TColor c3DLight = 0;
  TColor c3DDkShadow = 0;
};

// Section POPUPWINDOW: the window of skinned popup menus (corner points in the coordinates
// of the picture, ItemsRect the part of the picture that holds the items).
class TspDataSkinPopupWindow : public TObject, public TspSkinFieldOwner {
 public:
  void LoadFromIni(TCustomIniFile* Ini);
  void VisitFields(TspSkinFieldVisitor& V) override;

  int32_t WindowPictureIndex = -1;
  int32_t MaskPictureIndex = -1;
  TPoint LeftTopPoint;
  TPoint RightTopPoint;
  TPoint LeftBottomPoint;
  TPoint RightBottomPoint;
  TRect ItemsRect;
  TColor ScrollMarkerColor = 0;
  TColor ScrollMarkerActiveColor = 0;
  int32_t CursorIndex = -1;
  bool TopStretch = false;
  bool LeftStretch = false;
  bool RightStretch = false;
  bool BottomStretch = false;
  bool StretchEffect = false;
  TspStretchType StretchType = stFull;
};

// Section HINTWINDOW: the skinned hint window.
class TspDataSkinHintWindow : public TObject, public TspSkinFieldOwner {
 public:
  void LoadFromIni(TCustomIniFile* Ini);
  void VisitFields(TspSkinFieldVisitor& V) override;

  int32_t WindowPictureIndex = -1;
  int32_t MaskPictureIndex = -1;
  TPoint LeftTopPoint;
  TPoint RightTopPoint;
  TPoint LeftBottomPoint;
  TPoint RightBottomPoint;
  TRect ClientRect;
  AnsiString FontName = "Arial";
  TFontStyles FontStyle;
  int32_t FontHeight = 12;
  TColor FontColor = 0;
  bool TopStretch = false;
  bool LeftStretch = false;
  bool RightStretch = false;
  bool BottomStretch = false;
  bool StretchEffect = false;
  TspStretchType StretchType = stFull;
  // The name the hint window knows this field by.
  TRect& ClRect = ClientRect;
};

// An entry of SKINAREAS: a named rectangle in the window picture's coordinates that places
// the controls whose AreaName names it.
class TspDataSkinArea : public TObject {
 public:
  TspDataSkinArea(const AnsiString& AIDName, const TRect& ABounds)
      : IDName(AIDName), Bounds(ABounds) {}
  AnsiString IDName;
  TRect Bounds;
};

// FORMINFO, one field per key (see TspSkinContent::VisitFormInfo for keys and defaults).
// The four corner points and ClientRect cut the frame picture into the fixed corners, the
// stretched or tiled sides and the client part; MaskRectArea and the four hit-test points
// belong to skins with a mask picture; CaptionRect, ButtonsRect, IconRect, MainMenuRect
// and SizeGripArea place the caption text, the caption buttons, the icon, the main-menu
// bar and the size grip; BGPictureIndex and MDIBGPictureIndex pick the background
// pictures of the client area and the MDI client; StatusBarName names the record of the
// status bar; CursorIndex is the cursor of the frame.
struct TspSkinFormInfo {
  TRect SizeGripArea;
  AnsiString StatusBarName;
  TRect ButtonsRect;
  TRect CaptionRect;
  int32_t ButtonsOffset = 0;
  bool ButtonsInLeft = false;
  bool AutoRenderingInactiveImage = false;
  TspInactiveEffect InactiveEffect = ieBrightness;
  int32_t CursorIndex = -1;
  TPoint LeftTopPoint;
  TPoint RightTopPoint;
  TPoint LeftBottomPoint;
  TPoint RightBottomPoint;
  int32_t BGPictureIndex = -1;
  int32_t MDIBGPictureIndex = -1;
  TRect MainMenuRect;
  TRect IconRect;
  bool MainMenuPopupUp = false;
  TRect MaskRectArea;
  TPoint HitTestLeftTopPoint;
  TPoint HitTestRightTopPoint;
  TPoint HitTestLeftBottomPoint;
  TPoint HitTestRightBottomPoint;
  TRect ClientRect;
  int32_t BorderWidth = 0;
  int32_t FormMinWidth = 0;
  bool MDITabsTransparent = false;
  bool MainMenuBarTransparent = false;
  bool TopStretch = false;
  bool LeftStretch = false;
  bool RightStretch = false;
  bool BottomStretch = false;
  bool StretchEffect = false;
  TspStretchType StretchType = stFull;
  bool MDIBGStretchEffect = false;
  TspStretchType MDIBGStretchType = stFull;
  TPoint RollUpLeftPoint;
  TPoint RollUpRightPoint;
};

// Everything a skin's ini text gives: what the skin data reads for itself and the three
// record lists. A load reads into a fresh object and hands it over only when the whole
// skin was read (TakeSkinContent).
class TspSkinContent : public TspSkinFormInfo {
 public:
  TspSkinContent();
  ~TspSkinContent();
  TspSkinContent(const TspSkinContent&) = delete;
  TspSkinContent& operator=(const TspSkinContent&) = delete;

  // The sections in the skin data's order: VERSION, PICTURES, FORMINFO, POPUPWINDOW,
  // HINTWINDOW, SKINCOLORS, SKINAREAS, SKINOBJECTS, SKINCONTROLS. The record lists are
  // appended to. Raises the conversion error of a rectangle or point with too few numbers.
  void ReadSkinIni(TCustomIniFile* Ini);
  // FORMINFO's keys, then the adjustments: with a mask picture (MaskName not empty) an
  // empty MaskRectArea becomes ClientRect and a non-empty one grows to hold it, and each
  // hit-test point with an X or Y of 0 takes its corner point; when RightBottomPoint
  // differs from LeftTopPoint in X and in Y, the corner points are pulled into ClientRect.
  void LoadFormInfo(TCustomIniFile* Ini);
  void VisitFormInfo(TspSkinFieldVisitor& V);
  // SKINAREAS: "count" and the keys "0" .. count - 1, each a name, a colon and a rectangle.
  void LoadAreas(TCustomIniFile* Ini);
  // SKINOBJECTS and SKINCONTROLS: "count" and the keys "0" .. count - 1, each an IDName, a
  // colon and a type word; every known type word makes its record, which reads its own
  // section; unknown words and values without a colon make nothing.
  void LoadObjects(TCustomIniFile* Ini);
  void LoadControls(TCustomIniFile* Ini);
  // Splits at the first ':'; a value without one gives an empty name and type word.
  static void SplitNameAndType(const AnsiString& Value, AnsiString& Name, AnsiString& TypeWord);
  // Splits at the first ':' and parses the rest as a rectangle; a value without one gives
  // an empty name and an empty rectangle.
  static void SplitAreaNameAndRect(const AnsiString& Value, AnsiString& Name, TRect& Rect);
  void AddArea(const AnsiString& Name, const TRect& Rect);

  // The index of the first record whose IDName equals Name exactly (case-sensitive); -1.
  int GetAreaIndex(const AnsiString& Name) const;
  int GetObjectIndex(const AnsiString& Name) const;
  int GetControlIndex(const AnsiString& Name) const;

  // Frees every record and empties the lists and ActivePictureNames, sets the picture index
  // of PopupWindow and HintWindow to -1 and resets SkinColors to the system colours.
  void ClearRecords();
  // Takes over everything Source holds (Source keeps a valid remainder). SkinColors,
  // PopupWindow, HintWindow and ActivePictureNames stay the same objects and take
  // Source's values.
  void TakeSkinContent(TspSkinContent& Source);

  // VERSION
  AnsiString SkinName;
  AnsiString SkinAuthor;
  AnsiString AuthorUrl;
  AnsiString AuthorEmail;
  AnsiString SkinComments;
  // PICTURES: the file names of the pictures when the skin was built.
  AnsiString PictureName;
  AnsiString MaskName;
  AnsiString RollUpPictureName;
  AnsiString RollUpMaskName;
  std::unique_ptr<TStringList> ActivePictureNames;

  std::unique_ptr<TspSkinColors> SkinColors;
  std::unique_ptr<TspDataSkinPopupWindow> PopupWindow;
  std::unique_ptr<TspDataSkinHintWindow> HintWindow;
  TspOwnedList<TspDataSkinObject> ObjectRecords;
  TspOwnedList<TspDataSkinArea> AreaRecords;
  TspOwnedList<TspDataSkinControl> ControlRecords;
};

// True when all of VERSION, PICTURES, FORMINFO, SKINOBJECTS and SKINCONTROLS exist (a skin
// folder must have them to be built into a stored skin).
bool CheckSkinIniSections(TCustomIniFile* Ini);
