// The base of the forms that show engine properties. Such a form keeps a table of bindings
// (TPropertieInfos): it writes a bound control from the engine when the engine reports a
// change of its property, and sends the control's value to the engine when the user
// operates it. A guard flag, set while the form writes a control, keeps the control's own
// change events from sending the value straight back. Windows only.
#pragma once

#include <cstdint>
#include <memory>

#include "framework/Forms.h"

#include "app/Properties.h"

// A colour control as binding kind 7 writes and reads it: an integer colour value (-1 for
// none) stored and repainted, with the control's change event fired.
class IColorValueControl {
 public:
  virtual int GetColorValue() const = 0;
  // Stores the colour, repaints, and fires the change event unless the control is loading.
  virtual void SetValueAndNotify(int Value) = 0;

 protected:
  ~IColorValueControl() = default;
};

// A control of a tool-bar area as binding kind 27 writes and reads it: an integer value
// stored and repainted.
class IUnlinkedValueControl {
 public:
  virtual int UnlinkedControlGetValue() const = 0;
  virtual void UnlinkedControlSetValue(int Value) = 0;

 protected:
  ~IUnlinkedValueControl() = default;
};

class TfrmBasePropertiesForm : public TForm {
 public:
  explicit TfrmBasePropertiesForm(TComponent* AOwner);
  ~TfrmBasePropertiesForm() override;

  // Appends a binding (the control's Tag becomes its index). The exit event of a kind-2
  // edit becomes the form's text normaliser.
  void BindControl(TComponent* Control, int32_t PropertyId, TPropertieKind Kind, uint8_t Flag);
  int GetModuleId() const { return FModuleId; }
  // Stores the module id and refreshes every binding.
  void SetModuleId(int Value);
  bool GetBindingActive() const { return FBindingActive; }
  // Switching on refreshes every binding first; then the flag is stored. Before that no
  // engine change reaches the controls and no control value reaches the engine.
  void SetBindingActive(bool Value);
  // Whether the form is writing a control at the moment.
  bool GetWritingControl() const { return FWritingControl; }
  TPropertieInfos* GetBindings() const { return FBindings.get(); }

  // Reads the property of a binding from the engine and writes it into the control; any
  // failure leaves the control as it was.
  void RefreshBinding(int Index);
  // Sends the control's value of a binding to the engine (only while bindings are active,
  // for an index of the table, and for the edits only while their text is their value).
  void ApplyBinding(int Index);

  // Every binding, in index order (also while bindings are not active).
  virtual void RefreshAll();
  // Writes a value text into a control by the kind, with the guard flag on meanwhile.
  virtual void SetControlValue(TComponent* Control, const AnsiString& Value, int32_t PropertyId,
                               TPropertieKind Kind);
  // The control's value as the engine takes it.
  virtual AnsiString GetControlValue(TComponent* Control, TPropertieKind Kind);
  // While bindings are active: refreshes every binding of that property id, in index order.
  virtual void PropertyChanged(int32_t PropertyId);

  // The engine's WM_ENGINE_PROPERTY_CHANGED (WParam the module id, LParam the property
  // id), handed over by the engine window: changes of this form's module refresh.
  void EnginePropertyChanged(TMessage& Message);
  void Dispatch(TMessage& Message) override;
  // The handler of bound buttons and actions: applies the binding whose index is the
  // sender's Tag, unless the form is writing a control.
  void ValueChange(TObject* Sender);

 protected:
  // The engine's property value of the form's module; false when the engine has none.
  virtual bool ReadProperty(int Module, int32_t PropertyId, AnsiString& Value) = 0;
  virtual bool WriteProperty(int Module, int32_t PropertyId, const AnsiString& Value) = 0;
  // Bindings lose their control when it goes.
  void Notification(TComponent* AComponent, TOperation Operation) override;

 private:
  // The exit event of bound edits: the text shows the value again.
  void NormalizeEditText(TObject* Sender);

  bool FBindingActive = false;
  int FModuleId = 0;
  std::unique_ptr<TPropertieInfos> FBindings;
  bool FWritingControl = false;
};
