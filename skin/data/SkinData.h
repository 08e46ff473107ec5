// Unit SkinData, the skin data component: TspSkinData holds one loaded skin (its pictures,
// the frame of skinned forms, the popup-menu and hint windows, the colours and the area,
// object and control records of TspSkinContent) that every skinned control, frame, menu
// and hint reads while painting, and tells every form before and after a change of skin.
// It loads from a stored skin, a ".skn" file or an item of a skin list. A load reads the
// whole skin into fresh objects first and changes the loaded skin only when all of it
// could be read; a skin that cannot be read leaves the loaded one as it was.
#pragma once

#include <memory>

#include "framework/Graphics.h"
#include "skin/data/SkinMessages.h"
#include "skin/data/SkinResStrings.h"
#include "skin/data/SkinSections.h"
#include "skin/data/SkinStore.h"

class TspSkinData : public TComponent, public TspSkinContent {
 public:
  explicit TspSkinData(TComponent* AOwner);
  ~TspSkinData() override;
  void BeforeDestruction() override;

  // Loads the stored skin: nothing happens (and false) when it holds no compressed bytes.
  // Otherwise the skin is read whole; when that fails the loaded skin stays, nothing is
  // sent, SkinChanging ends False and the result is false (GetLastLoadError says why).
  // When it succeeds: SkinEmpty and SkinChanging become True, WM_SKIN_BEFORE_CHANGE goes to
  // the forms, the old skin is cleared and the new one takes its place, SkinEmpty becomes
  // False, WM_SKIN_CHANGED goes out, SkinChanging becomes False, WM_SKIN_AFTER_CHANGE goes
  // out; true.
  bool LoadCompressedStoredSkin(TspCompressedStoredSkin* StoredSkin);
  // The same from a ".skn" file; false also for a file that cannot be opened and for one
  // that holds nothing to load (a container version above 3, a length of 0).
  bool LoadFromCompressedFile(const AnsiString& FileName);
  // Why the last load failed (empty after a successful one).
  AnsiString GetLastLoadError() const { return FLastLoadError; }

  // ClearObjects, the five pictures and their names emptied, SkinEmpty. The VERSION texts
  // and the frame values stay until the next load.
  void ClearAll();
  // Frees every record and active picture, empties the lists and ActivePictureNames, sets
  // the picture index of PopupWindow and HintWindow to -1 and gives SkinColors the system
  // colours.
  void ClearObjects();
  // Sends Msg (WParam this, LParam 1000) to the owner when it is a form, then to every
  // other form of the screen in list order; a form whose window does not exist yet gets
  // it made.
  void SendSkinDataMessage(uint32_t Msg);

  // Published properties.
  bool GetSkinnableForm() const { return FSkinnableForm; }
  // A change tells the forms (WM_SKIN_SKINNABLE_CHANGED), except while loading.
  void SetSkinnableForm(bool Value);
  bool GetEnableSkinEffects() const { return FEnableSkinEffects; }
  void SetEnableSkinEffects(bool Value) { FEnableSkinEffects = Value; }
  TspCompressedStoredSkin* GetCompressedStoredSkin() const { return FCompressedStoredSkin; }
  // Loads the stored skin at once (also when the same one is written again).
  void SetCompressedStoredSkin(TspCompressedStoredSkin* Value);
  TspResourceStrData* GetResourceStrData() const { return FResourceStrData; }
  // Tells the forms (WM_SKIN_RESSTRINGS_CHANGED), also for nullptr.
  void SetResourceStrData(TspResourceStrData* Value);
  TspCompressedSkinList* GetSkinList() const { return FSkinList; }
  // Loads the item SkinIndex when the list has it.
  void SetSkinList(TspCompressedSkinList* Value);
  int GetSkinIndex() const { return FSkinIndex; }
  // With a list, an index outside it is ignored and one inside it loads that item.
  void SetSkinIndex(int Value);

  // True at creation, after ClearAll and for the whole of a load; False once a skin is
  // loaded.
  bool GetSkinEmpty() const { return FSkinEmpty; }
  bool GetEmpty() const { return FSkinEmpty; }
  // True from the start of a load until WM_SKIN_CHANGED has been sent.
  bool GetSkinChanging() const { return FSkinChanging; }

  // The five main pictures (empty bitmaps when the skin has none) and the numbered active
  // pictures every picture index of a record points into (-1: none).
  std::unique_ptr<TBitmap> Picture;
  std::unique_ptr<TBitmap> InactivePicture;
  std::unique_ptr<TBitmap> Mask;
  std::unique_ptr<TBitmap> RollUpPicture;
  std::unique_ptr<TBitmap> RollUpMask;
  TspOwnedList<TBitmap> ActivePictures;
  TspOwnedList<TBitmap>& PictureList = ActivePictures;
  // The picture a record's picture index (PictureIndex, MaskPictureIndex,
  // ActivePictureIndex, BGPictureIndex, WindowPictureIndex, ...) points to: nullptr, "no
  // picture", for -1 and for any index outside the list. Every reader of a picture index
  // goes through it, so that an index a skin file got wrong never raises while painting.
  TBitmap* GetActivePicture(int PictureIndex) const { return ActivePictures.Find(PictureIndex); }
  // Added to a record's cursor index to make the screen's cursor number.
  int32_t CursorIndexBase = 1;
  int32_t& FirstCursorIndex = CursorIndexBase;

 protected:
  void Notification(TComponent* AComponent, TOperation Operation) override;

 private:
  void LoadStoredSkinOf(TspCompressedSkinList* List, int Index);
  void Refer(TComponent* Old, TComponent* New);

  bool FSkinnableForm = true;
  bool FEnableSkinEffects = true;
  TspCompressedStoredSkin* FCompressedStoredSkin = nullptr;
  TspResourceStrData* FResourceStrData = nullptr;
  TspCompressedSkinList* FSkinList = nullptr;
  int FSkinIndex = 0;
  bool FSkinEmpty = true;
  bool FSkinChanging = false;
  AnsiString FLastLoadError;
};

// The text a skinned part shows for a resource-text name: that of the skin's resource
// texts when SkinData has them, else the built-in one (GetEffectiveResStr above).
inline AnsiString GetEffectiveResStr(const TspSkinData* SkinData, const AnsiString& Name) {
  return GetEffectiveResStr(SkinData ? SkinData->GetResourceStrData() : nullptr, Name);
}
