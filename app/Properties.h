// The bindings of a form's controls to engine properties: each binding ties one control
// (or action, or menu) to one property id of the form's module and to a kind that says how
// the property's value text maps onto that control. Windows only.
#pragma once

#include <cstdint>

#include "framework/Classes.h"

// How a property's value text maps onto a control. Values 8, 10, 11, 21 and 28 are not
// used: writing them does nothing and reading gives an empty text.
enum TPropertieKind : uint8_t {
  pkTextHint = 0,        // any control: Text and Hint
  pkComboIndex = 1,      // combo box: the selected index
  pkNumEdit = 2,         // integer edit
  pkSpinEdit = 3,        // spin edit
  pkMaskText = 4,        // mask edit: Text
  pkText = 5,            // any control: Text
  pkComboText = 6,       // combo box: the text of the selected item
  pkColor = 7,           // colour control
  pkCheck = 9,           // check or radio box
  pkEnabled = 12,        // any control: Enabled
  pkPlayList = 13,       // list view: the playlist rows
  pkSlider = 14,         // slider: position and maximum
  pkTrackBar = 15,       // track bar: value (and maximum)
  pkVisible = 16,        // any control: Visible
  pkComboValue = 17,     // combo box with one value per item in its TabWidths
  pkPageTag = 18,        // page control: the page with that Tag
  pkTrigger = 19,        // anything: sends "1"
  pkListValue = 20,      // list box with one value per item in its TabWidths
  pkListMark = 22,       // list view: the current row's picture
  pkActionEnabled = 23,  // action: Enabled
  pkMenuRadio = 24,      // popup menu: the checked item
  pkActionChecked = 25,  // action: Checked
  pkButtonDown = 26,     // speed button: Down
  pkToolBarValue = 27,   // tool-bar-area control: its integer value
  pkVisibleSwap = 29,    // any control: Visible, and moved to the left edge
};

// One binding.
class TPropertieInfo : public TCollectionItem {
 public:
  explicit TPropertieInfo(TCollection* Collection) : TCollectionItem(Collection) {}
  // Copies the four fields of another binding.
  void Assign(TPersistent* Source) override;

  TComponent* GetControl() const { return FControl; }
  void SetControl(TComponent* Value) { FControl = Value; }
  int32_t GetPropertyId() const { return FPropertyId; }
  void SetPropertyId(int32_t Value) { FPropertyId = Value; }
  // Kept with the binding (2 in every binding of this program) and not read.
  uint8_t GetFlag() const { return FFlag; }
  void SetFlag(uint8_t Value) { FFlag = Value; }
  TPropertieKind GetKind() const { return FKind; }
  void SetKind(TPropertieKind Value) { FKind = Value; }

 private:
  TComponent* FControl = nullptr;
  int32_t FPropertyId = 0;
  uint8_t FFlag = 0;
  TPropertieKind FKind = pkTextHint;
};

// The bindings of a form, in index order.
class TPropertieInfos : public TCollection {
 public:
  TPropertieInfos() : TCollection(CollectionItemOf<TPropertieInfo>) {}
  // Appends a binding and sets the control's Tag to its index.
  TPropertieInfo* AddInfo(TComponent* Control, int32_t PropertyId, TPropertieKind Kind, uint8_t Flag);
  TPropertieInfo* GetItem(int Index) const { return static_cast<TPropertieInfo*>(TCollection::GetItem(Index)); }
};
