#include "app/BasePropertiesForm.h"

#include <vector>

#include "framework/ActnList.h"
#include "framework/ComCtrls.h"
#include "framework/ExtCtrls.h"
#include "framework/Menus.h"
#include "framework/Scopes.h"
#include "framework/StdCtrls.h"

#include "app/ListText.h"
#include "engine/api/VDEngine.h"
#include "app/SPTools.h"

namespace {

// The control as the class a kind needs; EInvalidOperation when it is another.
template <class T>
T* As(TComponent* Control) {
  if (auto* typed = dynamic_cast<T*>(Control)) return typed;
  throw EInvalidOperation("The bound component does not fit its binding kind");
}

AnsiString Decimal(int64_t Value) { return IntToStr(Value); }

// The value texts of a combo or list box (its TabWidths): the index of the first whose
// text equals Value ignoring case; 0 when there is none.
int IndexOfValue(TStrings* Values, const AnsiString& Value) {
  if (Values)
    for (int i = 0; i < Values->GetCount(); ++i)
      if (SameText(Values->Get(i), Value)) return i;
  return 0;
}

// The value of the selected item; the index in decimal when it names no value.
AnsiString ValueOfIndex(TStrings* Values, int Index) {
  if (Values && Index >= 0 && Index < Values->GetCount()) return Values->Get(Index);
  return Decimal(Index);
}

// The parts of a value text split at "|".
std::unique_ptr<TStringList> Parts(const AnsiString& Value) {
  auto parts = std::make_unique<TStringList>();
  SplitText(Value, "|", parts.get());
  return parts;
}

// Playlist rows from the engine's value: the current index, then every item.
void WritePlayList(TCustomListView* List, const AnsiString& Value) {
  TListItems* items = List->GetItems();
  std::vector<AnsiString> selected;
  for (int i = 0; i < items->GetCount(); ++i) {
    TListItem* item = items->GetItem(i);
    if (item->GetSelected() && item->GetSubItems()->GetCount() > 0)
      selected.push_back(item->GetSubItems()->Get(0));
  }
  UpdateWhile(items, [&] {
    items->Clear();
    auto parts = Parts(Value);
    if (parts->GetCount() < 2) return;
    const int current = SafeStrToInt(parts->Get(0), 0);
    for (int i = 1; i < parts->GetCount(); ++i) {
      const AnsiString piece = parts->Get(i);
      TListItem* item = items->Add();
      item->SetImageIndex(int64_t(i) == int64_t(current) + 1 ? 1 : 0);
      // The row shows the file as it is called (a source named by its prefix alone, such as
      // the screen, by its whole text); the piece stays as the engine wrote it.
      const AnsiString path = UnescapeListItem(piece);
      const AnsiString name = ExtractFileName(path);
      item->SetCaption(Decimal(i) + ".  " + (name.empty() ? path : name));
      item->GetSubItems()->Add(piece);
      item->SetSubItemImage(0, 2);
    }
    for (int i = 0; i < items->GetCount(); ++i) {
      TListItem* item = items->GetItem(i);
      for (const AnsiString& path : selected)
        if (item->GetSubItems()->Get(0) == path) {
          item->SetSelected(true);
          break;
        }
    }
  });
}

void WriteSlider(TSlider* Slider, const AnsiString& Value) {
  auto parts = Parts(Value);
  if (parts->GetCount() != 2) return;
  const int maximum = SafeStrToInt(parts->Get(1), 0);
  if (maximum <= 0) {
    Slider->SetEnabled(false);
    Slider->SetValue(0);
    Slider->SetMaxValue(0);
    return;
  }
  Slider->SetEnabled(true);
  // The value first: one beyond the old maximum waits for the next refresh.
  Slider->SetValue(SafeStrToInt(parts->Get(0), 0));
  Slider->SetMaxValue(maximum);
  Slider->SetIncrement(maximum / 10);
}

void WriteTrackBar(TTrackBar* Bar, const AnsiString& Value) {
  auto parts = Parts(Value);
  if (parts->GetCount() == 2) {
    Bar->SetValue(SafeStrToInt(parts->Get(0), 0));
    Bar->SetMaxValue(SafeStrToInt(parts->Get(1), 0));
  } else {
    Bar->SetValue(SafeStrToInt(Value, 0));
    Bar->SetMaxValue(100);
  }
}

void WritePageTag(TPageControl* Pages, int Tag) {
  if (Pages->GetPageCount() == 0) return;
  int found = 0;
  for (int i = 0; i < Pages->GetPageCount(); ++i)
    if (Pages->GetPage(i)->GetTag() == Tag) {
      found = i;
      break;
    }
  Pages->SetActivePageIndex(found);
}

}  // namespace

TfrmBasePropertiesForm::TfrmBasePropertiesForm(TComponent* AOwner)
    : TForm(AOwner), FBindings(std::make_unique<TPropertieInfos>()) {}

TfrmBasePropertiesForm::~TfrmBasePropertiesForm() = default;

void TfrmBasePropertiesForm::BindControl(TComponent* Control, int32_t PropertyId, TPropertieKind Kind,
                                         uint8_t Flag) {
  FBindings->AddInfo(Control, PropertyId, Kind, Flag);
  if (Kind == pkNumEdit)
    if (auto* edit = dynamic_cast<TWinControl*>(Control))
      edit->OnExit = [this](TObject* Sender) { NormalizeEditText(Sender); };
}

void TfrmBasePropertiesForm::SetModuleId(int Value) {
  FModuleId = Value;
  RefreshAll();
}

void TfrmBasePropertiesForm::SetBindingActive(bool Value) {
  if (Value && !FBindingActive) RefreshAll();
  FBindingActive = Value;
}

void TfrmBasePropertiesForm::RefreshAll() {
  for (int i = 0; i < FBindings->GetCount(); ++i) RefreshBinding(i);
}

void TfrmBasePropertiesForm::PropertyChanged(int32_t PropertyId) {
  if (!FBindingActive) return;
  for (int i = 0; i < FBindings->GetCount(); ++i)
    if (FBindings->GetItem(i)->GetPropertyId() == PropertyId) RefreshBinding(i);
}

void TfrmBasePropertiesForm::RefreshBinding(int Index) {
  if (Index < 0 || Index >= FBindings->GetCount()) return;
  TPropertieInfo* info = FBindings->GetItem(Index);
  if (!info->GetControl()) return;
  try {
    AnsiString value;
    if (!ReadProperty(FModuleId, info->GetPropertyId(), value)) return;
    SetControlValue(info->GetControl(), value, info->GetPropertyId(), info->GetKind());
  } catch (const std::exception&) {
    // The control keeps its state.
  }
}

void TfrmBasePropertiesForm::ApplyBinding(int Index) {
  if (!FBindingActive || Index < 0 || Index >= FBindings->GetCount()) return;
  TPropertieInfo* info = FBindings->GetItem(Index);
  TComponent* control = info->GetControl();
  if (!control) return;
  // An edit goes to the engine only while its text is its value (not while it is being
  // typed into a number the edit does not take).
  if (info->GetKind() == pkNumEdit) {
    auto* edit = dynamic_cast<TIntEdit*>(control);
    int typed;
    if (!edit || !TryStrToInt(edit->GetText(), typed) || typed != edit->GetValue()) return;
  } else if (info->GetKind() == pkSpinEdit) {
    auto* spin = dynamic_cast<TSpinEdit*>(control);
    double typed;
    if (!spin || !TryStrToFloat(spin->GetEditor()->GetText(), typed) || typed != spin->GetValue()) return;
  }
  WriteProperty(FModuleId, info->GetPropertyId(), GetControlValue(control, info->GetKind()));
}

void TfrmBasePropertiesForm::SetControlValue(TComponent* Control, const AnsiString& Value,
                                             int32_t PropertyId, TPropertieKind Kind) {
  TFlagScope writing(FWritingControl);
  switch (Kind) {
    case pkTextHint: {
      auto* control = As<TControl>(Control);
      control->SetText(Value);
      control->SetHint(Value);
      break;
    }
    case pkComboIndex:
      As<TCustomComboBox>(Control)->SetItemIndex(SafeStrToInt(Value, 0));
      break;
    case pkNumEdit:
      SetIntEditValue(As<TIntEdit>(Control), SafeStrToInt(Value, 0));
      break;
    case pkSpinEdit:
      As<TSpinEdit>(Control)->SetValue(SafeStrToInt(Value, 0));
      break;
    case pkMaskText:
      As<TCustomMaskEdit>(Control)->SetText(Value);
      break;
    case pkText:
      As<TControl>(Control)->SetText(Value);
      break;
    case pkComboText:
      As<TCustomComboBox>(Control)->SelectItemByText(Value);
      break;
    case pkColor: {
      const int color = SafeStrToInt(Value, -1);
      As<IColorValueControl>(Control)->SetValueAndNotify(color);
      As<TControl>(Control)->SetText(color == -1 ? "None" : "");
      break;
    }
    case pkCheck:
      As<TButtonControl>(Control)->SetChecked(SafeStrToInt(Value, 0) != 0);
      break;
    case pkEnabled:
      As<TControl>(Control)->SetEnabled(SafeStrToInt(Value, 0) != 0);
      break;
    case pkPlayList:
      WritePlayList(As<TCustomListView>(Control), Value);
      break;
    case pkSlider:
      WriteSlider(As<TSlider>(Control), Value);
      break;
    case pkTrackBar:
      WriteTrackBar(As<TTrackBar>(Control), Value);
      break;
    case pkVisible:
      As<TControl>(Control)->SetVisible(SafeStrToInt(Value, 0) != 0);
      break;
    case pkComboValue: {
      auto* combo = As<TCustomComboBox>(Control);
      combo->SetItemIndex(IndexOfValue(combo->GetTabWidths(), Value));
      break;
    }
    case pkPageTag:
      WritePageTag(As<TPageControl>(Control), SafeStrToInt(Value, 0));
      break;
    case pkTrigger:
      break;
    case pkListValue: {
      auto* list = As<TCustomListBox>(Control);
      list->SetItemIndex(IndexOfValue(list->GetTabWidths(), Value));
      break;
    }
    case pkListMark: {
      TListItems* items = As<TCustomListView>(Control)->GetItems();
      const int current = SafeStrToInt(Value, -1);
      for (int i = 0; i < items->GetCount(); ++i) items->GetItem(i)->SetImageIndex(i == current ? 1 : 0);
      break;
    }
    case pkActionEnabled:
      As<TCustomAction>(Control)->SetEnabled(SafeStrToInt(Value, 0) != 0);
      break;
    case pkMenuRadio: {
      TMenuItem* items = As<TMenu>(Control)->GetItems();
      const int checked = SafeStrToInt(Value, 0);
      for (int i = 0; i < items->GetCount(); ++i) items->GetItem(i)->SetChecked(i == checked);
      break;
    }
    case pkActionChecked:
      As<TCustomAction>(Control)->SetChecked(SafeStrToInt(Value, 0) != 0);
      break;
    case pkButtonDown:
      As<TSpeedButton>(Control)->SetDown(SafeStrToInt(Value, 0) != 0);
      break;
    case pkToolBarValue:
      As<IUnlinkedValueControl>(Control)->UnlinkedControlSetValue(SafeStrToInt(Value, 0));
      break;
    case pkVisibleSwap: {
      auto* control = As<TControl>(Control);
      control->SetVisible(SafeStrToInt(Value, 0) != 0);
      control->SetLeft(0);
      break;
    }
    default:
      break;
  }
}

AnsiString TfrmBasePropertiesForm::GetControlValue(TComponent* Control, TPropertieKind Kind) {
  switch (Kind) {
    case pkTextHint:
    case pkText:
      return As<TControl>(Control)->GetText();
    case pkComboIndex:
      return Decimal(As<TCustomComboBox>(Control)->GetItemIndex());
    case pkNumEdit:
      return Decimal(As<TIntEdit>(Control)->GetValue());
    case pkSpinEdit:
      return Decimal(Round(As<TSpinEdit>(Control)->GetValue()));
    case pkMaskText:
      return As<TCustomMaskEdit>(Control)->GetText();
    case pkComboText:
      return As<TCustomComboBox>(Control)->GetComboText();
    case pkColor:
      return Decimal(As<IColorValueControl>(Control)->GetColorValue());
    case pkCheck:
      return As<TButtonControl>(Control)->GetChecked() ? "1" : "0";
    case pkEnabled:
    case pkTrigger:
    case pkActionEnabled:
    case pkVisibleSwap:
      return "1";
    case pkSlider:
      return Decimal(As<TSlider>(Control)->GetValue());
    case pkTrackBar:
      return Decimal(As<TTrackBar>(Control)->GetValue());
    case pkComboValue: {
      auto* combo = As<TCustomComboBox>(Control);
      return ValueOfIndex(combo->GetTabWidths(), combo->GetItemIndex());
    }
    case pkPageTag: {
      TTabSheet* page = As<TPageControl>(Control)->GetActivePage();
      return page ? Decimal(page->GetTag()) : AnsiString("0");
    }
    case pkListValue: {
      auto* list = As<TCustomListBox>(Control);
      return ValueOfIndex(list->GetTabWidths(), list->GetItemIndex());
    }
    case pkActionChecked:
      return As<TCustomAction>(Control)->GetChecked() ? "0" : "1";
    case pkButtonDown:
      return As<TSpeedButton>(Control)->GetDown() ? "1" : "0";
    case pkToolBarValue:
      return Decimal(As<IUnlinkedValueControl>(Control)->UnlinkedControlGetValue());
    default:  // the playlist, the current row, visibility, the menu, unused kinds
      return AnsiString();
  }
}

void TfrmBasePropertiesForm::EnginePropertyChanged(TMessage& Message) {
  if (static_cast<int>(Message.WParam) == FModuleId) PropertyChanged(static_cast<int32_t>(Message.LParam));
}

void TfrmBasePropertiesForm::Dispatch(TMessage& Message) {
  if (Message.Msg == WM_ENGINE_PROPERTY_CHANGED)
    EnginePropertyChanged(Message);
  else
    TForm::Dispatch(Message);
}

void TfrmBasePropertiesForm::ValueChange(TObject* Sender) {
  if (FWritingControl) return;
  if (auto* component = dynamic_cast<TComponent*>(Sender)) {
    const NativeInt tag = component->GetTag();
    if (tag >= 0 && tag < FBindings->GetCount()) ApplyBinding(static_cast<int>(tag));
  }
}

void TfrmBasePropertiesForm::NormalizeEditText(TObject* Sender) {
  auto* component = dynamic_cast<TComponent*>(Sender);
  if (!component) return;
  const NativeInt tag = component->GetTag();
  if (tag < 0 || tag >= FBindings->GetCount()) return;
  TPropertieInfo* info = FBindings->GetItem(static_cast<int>(tag));
  if (info->GetControl() != component) return;
  if (info->GetKind() == pkNumEdit) {
    if (auto* edit = dynamic_cast<TIntEdit*>(component)) edit->SetText(Decimal(edit->GetValue()));
  } else if (info->GetKind() == pkSpinEdit) {
    if (auto* spin = dynamic_cast<TSpinEdit*>(component)) spin->GetEditor()->SetText(Decimal(Round(spin->GetValue())));
  }
}

void TfrmBasePropertiesForm::Notification(TComponent* AComponent, TOperation Operation) {
  if (Operation == opRemove && FBindings)
    for (int i = 0; i < FBindings->GetCount(); ++i)
      if (FBindings->GetItem(i)->GetControl() == AComponent) FBindings->GetItem(i)->SetControl(nullptr);
  TForm::Notification(AComponent, Operation);
}
