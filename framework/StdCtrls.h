// Standard controls: labels, edits, buttons, check boxes, radio buttons, list boxes and
// combo boxes over the system's EDIT, BUTTON, LISTBOX and COMBOBOX windows (superclassed,
// so the control sees every message of its window), and two plain controls that stand in
// for skinned ones until those exist: a link label and an integer edit.
//
// Where the program's forms set values through these controls (check boxes, radio
// buttons, list boxes, combo boxes, the integer edit), the controls follow the value and
// event rules the program's property binding relies on; those rules stay the same when
// skinned controls take their place.
#pragma once

#include <memory>
#include <vector>

#include "framework/Controls.h"
#include "framework/UITypes.h"

enum TTextLayout { tlTop, tlCenter, tlBottom };
enum TEditCharCase { ecNormal, ecUpperCase, ecLowerCase };

// The state of an item drawn by its owner: the system's ODS_ bits in their order.
enum TOwnerDrawStateFlag {
  odSelected, odGrayed, odDisabled, odChecked, odFocused, odDefault, odHotLight, odInactive,
  odNoAccel, odNoFocusRect, odReserved1, odReserved2, odComboBoxEdit
};
using TOwnerDrawState = TSet<TOwnerDrawStateFlag>;
// The owner-draw state of a DRAWITEMSTRUCT's itemState.
TOwnerDrawState OwnerDrawStateOf(UINT ItemState);

using TDrawItemEvent =
    std::function<void(TWinControl* Control, int Index, TRect Rect, TOwnerDrawState State)>;
using TMeasureItemEvent = std::function<void(TWinControl* Control, int Index, int& Height)>;

// ---------------------------------------------------------------------------------------
// Labels

// A text drawn on its parent. Painting and auto-sizing both go through the virtual
// DoDrawText, so a subclass that draws its text another way is measured the same way.
class TCustomLabel : public TGraphicControl {
 public:
  explicit TCustomLabel(TComponent* AOwner);
  void PublishProperties(TPropList& Props) const override;

  TAlignment GetAlignment() const { return FAlignment; }
  void SetAlignment(TAlignment Value);
  TTextLayout GetLayout() const { return FLayout; }
  void SetLayout(TTextLayout Value);
  bool GetWordWrap() const { return FWordWrap; }
  void SetWordWrap(bool Value);
  // "&" marks the accelerator ("&&" is an ampersand) unless this is off.
  bool GetShowAccelChar() const { return FShowAccelChar; }
  void SetShowAccelChar(bool Value);
  // Transparent labels leave the parent's background under their text.
  bool GetTransparent() const { return !GetControlStyle().Contains(csOpaque); }
  void SetTransparent(bool Value);
  // The control that takes the focus when the label's accelerator is typed.
  TWinControl* GetFocusControl() const { return FFocusControl; }
  void SetFocusControl(TWinControl* Value);
  void SetAutoSize(bool Value) override;

  void Dispatch(TMessage& Message) override;

 protected:
  // The text shown (the caption).
  virtual AnsiString GetLabelText();
  // Draws the text in Rect with DrawText flags; with DT_CALCRECT it measures instead and
  // Rect becomes the text's extent.
  virtual void DoDrawText(TRect& Rect, int Flags);
  // The drawing DoDrawText does with the canvas font as it is set: the label text (a
  // blank when measuring an empty text), embossed while disabled (a copy one pixel down
  // and right in Highlight under the text in Shadow). Measuring takes in what the drawn
  // glyphs cover beyond DrawText's measure, and drawing keeps that inside Rect.
  void DrawLabelText(TRect& Rect, int Flags, TColor Highlight = clBtnHighlight,
                     TColor Shadow = clBtnShadow);
  // Takes the size of the text when AutoSize is on (not while the label is being read).
  virtual void AdjustBounds();
  void Paint() override;
  void Loaded() override;
  void Notification(TComponent* AComponent, TOperation Operation) override;

 private:
  // How far the drawn text reaches out of the box DrawText measures it in.
  struct TInkMargins {
    int Left = 0, Right = 0, Bottom = 0;
  };
  // Draws Text with Font in a Width x Height box off screen and returns how far its
  // pixels go out of the box.
  static TInkMargins MeasureInk(HFONT Font, const AnsiString& Text, int Width, int Height, UINT Flags,
                                bool Embossed);

  TInkMargins FInk;
  TAlignment FAlignment = taLeftJustify;
  TTextLayout FLayout = tlTop;
  bool FWordWrap = false;
  bool FShowAccelChar = true;
  TWinControl* FFocusControl = nullptr;
};

class TLabel : public TCustomLabel {
 public:
  explicit TLabel(TComponent* AOwner) : TCustomLabel(AOwner) {}
};

// A label that looks and acts as a link: underlined, in its active colour while the mouse
// is over it, with the hand cursor; a click runs OnClick and then opens URL (when set)
// with the system shell. It stands in for the skinned link label.
class TLinkLabel : public TCustomLabel {
 public:
  explicit TLinkLabel(TComponent* AOwner);
  AnsiString GetURL() const { return FURL; }
  void SetURL(const AnsiString& Value) { FURL = Value; }
  bool GetUseUnderLine() const { return FUseUnderLine; }
  void SetUseUnderLine(bool Value);
  TColor GetActiveFontColor() const { return FActiveFontColor; }
  void SetActiveFontColor(TColor Value) { FActiveFontColor = Value; }
  bool GetHot() const { return FHot; }
  void Dispatch(TMessage& Message) override;
  void Click() override;

 protected:
  void DoDrawText(TRect& Rect, int Flags) override;

 private:
  AnsiString FURL;
  bool FUseUnderLine = true;
  TColor FActiveFontColor = clBlue;
  bool FHot = false;
};

// ---------------------------------------------------------------------------------------
// Edits

class TCustomEdit : public TWinControl {
 public:
  explicit TCustomEdit(TComponent* AOwner);
  void PublishProperties(TPropList& Props) const override;

  int GetMaxLength() const { return FMaxLength; }
  void SetMaxLength(int Value);
  bool GetReadOnly() const { return FReadOnly; }
  void SetReadOnly(bool Value);
  char GetPasswordChar() const { return FPasswordChar; }
  void SetPasswordChar(char Value);
  TEditCharCase GetCharCase() const { return FCharCase; }
  void SetCharCase(TEditCharCase Value);
  TBorderStyle GetBorderStyle() const { return FBorderStyle; }
  void SetBorderStyle(TBorderStyle Value);
  bool GetHideSelection() const { return FHideSelection; }
  void SetHideSelection(bool Value);
  // The whole text is selected when the edit takes the focus.
  bool GetAutoSelect() const { return FAutoSelect; }
  void SetAutoSelect(bool Value) { FAutoSelect = Value; }
  // The height follows the font.
  void SetAutoSize(bool Value) override;
  bool GetModified();
  void SetModified(bool Value);

  // The selection (0-based character positions).
  int GetSelStart();
  void SetSelStart(int Value);
  int GetSelLength();
  void SetSelLength(int Value);
  AnsiString GetSelText();
  void SetSelText(const AnsiString& Value);
  void SelectAll();
  void ClearSelection();
  void Clear();
  void CopyToClipboard();
  void CutToClipboard();
  void PasteFromClipboard();
  void Undo();
  bool CanUndo();

  void Dispatch(TMessage& Message) override;

  TNotifyEvent OnChange;

 protected:
  void CreateParams(TCreateParams& Params) override;
  void CreateWnd() override;
  void DestroyWnd() override;
  // The text changed (typed, or set while the window exists): OnChange.
  virtual void Change();
  bool CanAutoSize(int& NewWidth, int& NewHeight) override;

 private:
  int FMaxLength = 0;
  bool FReadOnly = false;
  char FPasswordChar = 0;
  TEditCharCase FCharCase = ecNormal;
  TBorderStyle FBorderStyle = bsSingle;
  bool FHideSelection = true;
  bool FAutoSelect = true;
  bool FModified = false;
  bool FCreating = false;
  AnsiString FChangedText;  // the text at the last change told
};

class TEdit : public TCustomEdit {
 public:
  explicit TEdit(TComponent* AOwner) : TCustomEdit(AOwner) {}
};

// An edit with an input mask. The mask is kept for the forms that set one; the text is
// not checked against it.
class TCustomMaskEdit : public TCustomEdit {
 public:
  explicit TCustomMaskEdit(TComponent* AOwner) : TCustomEdit(AOwner) {}
  void PublishProperties(TPropList& Props) const override;
  AnsiString GetEditMask() const { return FEditMask; }
  void SetEditMask(const AnsiString& Value) { FEditMask = Value; }
  bool IsMasked() const { return false; }

 private:
  AnsiString FEditMask;
};

class TMaskEdit : public TCustomMaskEdit {
 public:
  explicit TMaskEdit(TComponent* AOwner) : TCustomMaskEdit(AOwner) {}
};

// An edit for a whole number between MinValue and MaxValue (no limits while both are
// equal). Typing keeps the value as the text's number when the text is one (brought into
// the limits); SetIntEditValue writes a value. It stands in for the integer edit that the
// program's property binding writes with SetIntEditValue.
class TIntEdit : public TCustomEdit {
 public:
  explicit TIntEdit(TComponent* AOwner);
  int GetMinValue() const { return FMinValue; }
  void SetMinValue(int Value) { FMinValue = Value; }
  int GetMaxValue() const { return FMaxValue; }
  void SetMaxValue(int Value) { FMaxValue = Value; }
  // The current integer value.
  int GetValue() const { return FValue; }
  // The value brought into the limits.
  int CheckValue(int Value) const;

 protected:
  friend void SetIntEditValue(TIntEdit* Control, int Value);
  void Change() override;
  void KeyPress(char& Key) override;

 private:
  int FMinValue = 0;
  int FMaxValue = 0;
  int FValue = 0;
  bool FWriting = false;
};

// Writes a value into an integer edit: brought into its limits, stored as its value and
// written as decimal text, without running the edit's own change handling (OnChange).
void SetIntEditValue(TIntEdit* Control, int Value);

// ---------------------------------------------------------------------------------------
// Buttons, check boxes, radio buttons

// The base of the controls over the system's BUTTON class.
class TButtonControl : public TWinControl {
 public:
  explicit TButtonControl(TComponent* AOwner);
  void PublishProperties(TPropList& Props) const override;
  virtual bool GetChecked() const { return false; }
  virtual void SetChecked(bool Value) {}
  bool GetWordWrap() const { return FWordWrap; }
  void SetWordWrap(bool Value);

 protected:
  void CreateParams(TCreateParams& Params) override;
  // OnClick (else the action) unless clicks are held back while the control follows its
  // action.
  void Click() override;
  // Takes the action's check too (check and radio boxes).
  void ActionChange(TObject* Sender, bool CheckDefaults) override;
  bool FClicksDisabled = false;

 private:
  bool FWordWrap = false;
};

class TButton : public TButtonControl {
 public:
  explicit TButton(TComponent* AOwner);
  // The default button answers Enter and the cancel button Escape (as dialog keys),
  // unless another button has the focus (then Enter is that button's).
  bool GetDefault() const { return FDefault; }
  void SetDefault(bool Value);
  bool GetCancel() const { return FCancel; }
  void SetCancel(bool Value) { FCancel = Value; }
  // The modal result the button gives its form when clicked.
  TModalResult GetModalResult() const { return FModalResult; }
  void SetModalResult(TModalResult Value) { FModalResult = Value; }
  void Click() override;
  void Dispatch(TMessage& Message) override;

 protected:
  void CreateParams(TCreateParams& Params) override;
  void SetButtonStyle(bool ADefault);

 private:
  bool FDefault = false;
  bool FCancel = false;
  bool FActive = false;
  TModalResult FModalResult = mrNone;
};

enum TCheckBoxState { cbUnchecked, cbChecked, cbGrayed };

// A check box. Setting Checked stores it (a grayed box set unchecked stays grayed) and
// fires OnClick; setting State does the same with the state itself. A click toggles it
// (with AllowGrayed through unchecked, grayed, checked).
class TCustomCheckBox : public TButtonControl {
 public:
  explicit TCustomCheckBox(TComponent* AOwner);
  bool GetChecked() const override { return FState == cbChecked; }
  void SetChecked(bool Value) override;
  TCheckBoxState GetState() const { return FState; }
  void SetState(TCheckBoxState Value);
  bool GetAllowGrayed() const { return FAllowGrayed; }
  void SetAllowGrayed(bool Value) { FAllowGrayed = Value; }
  // Where the caption is against the box: taRightJustify (the default) puts it right.
  TAlignment GetAlignment() const { return FAlignment; }
  void SetAlignment(TAlignment Value);
  // What a click does.
  virtual void Toggle();
  void Dispatch(TMessage& Message) override;

 protected:
  void CreateParams(TCreateParams& Params) override;
  void CreateWnd() override;
  void UpdateCheck();

 private:
  TCheckBoxState FState = cbUnchecked;
  bool FAllowGrayed = false;
  TAlignment FAlignment = taRightJustify;
};

class TCheckBox : public TCustomCheckBox {
 public:
  explicit TCheckBox(TComponent* AOwner) : TCustomCheckBox(AOwner) {}
};

// A radio button. Checking it unchecks the other radio buttons of its parent that have
// the same non-zero GroupIndex (1 by default: all radio buttons of a parent form a group);
// OnClick fires only when it becomes or is set checked. Clicking a checked one does
// nothing.
class TRadioButton : public TButtonControl {
 public:
  explicit TRadioButton(TComponent* AOwner);
  bool GetChecked() const override { return FChecked; }
  void SetChecked(bool Value) override;
  int GetGroupIndex() const { return FGroupIndex; }
  void SetGroupIndex(int Value) { FGroupIndex = Value; }
  TAlignment GetAlignment() const { return FAlignment; }
  void SetAlignment(TAlignment Value);
  void Dispatch(TMessage& Message) override;

 protected:
  void CreateParams(TCreateParams& Params) override;
  void CreateWnd() override;

 private:
  bool FChecked = false;
  int FGroupIndex = 1;
  TAlignment FAlignment = taRightJustify;
};

// ---------------------------------------------------------------------------------------
// List boxes and combo boxes

class TListItemsWindow;

enum TListBoxStyle { lbStandard, lbOwnerDrawFixed, lbOwnerDrawVariable };

// A list of texts. The items, their objects, the selection and the top row are kept
// while the window is made again (and kept by the control while it has no window).
class TCustomListBox : public TWinControl {
 public:
  explicit TCustomListBox(TComponent* AOwner);
  ~TCustomListBox() override;
  void PublishProperties(TPropList& Props) const override;

  TStrings* GetItems() const;
  void SetItems(TStrings* Value);
  int GetCount() const;
  // The selected row (multi-select lists: the row with the focus); -1 for none.
  virtual int GetItemIndex() const;
  virtual void SetItemIndex(int Value);
  bool GetSelected(int Index) const;
  void SetSelected(int Index, bool Value);
  int GetSelCount() const;
  bool GetMultiSelect() const { return FMultiSelect; }
  void SetMultiSelect(bool Value);
  bool GetExtendedSelect() const { return FExtendedSelect; }
  void SetExtendedSelect(bool Value);
  bool GetSorted() const { return FSorted; }
  void SetSorted(bool Value);
  TListBoxStyle GetStyle() const { return FStyle; }
  void SetStyle(TListBoxStyle Value);
  // The row height of owner-drawn lists; values below 1 are refused (nothing changes).
  int GetItemHeight() const;
  void SetItemHeight(int Value);
  int GetTopIndex() const;
  void SetTopIndex(int Value);
  bool GetIntegralHeight() const { return FIntegralHeight; }
  void SetIntegralHeight(bool Value);
  TBorderStyle GetBorderStyle() const { return FBorderStyle; }
  void SetBorderStyle(TBorderStyle Value);
  // Texts kept beside the items (the program keeps one value per item there).
  TStrings* GetTabWidths() const { return FTabWidths.get(); }
  void SetTabWidths(TStrings* Value) { FTabWidths->Assign(Value); }
  TCanvas* GetCanvas() const { return FCanvas.get(); }
  // The row at a client point (-1 outside the rows unless Existing is false: then the
  // row after the last).
  int ItemAtPos(const TPoint& Pos, bool Existing) const;
  TRect ItemRect(int Index) const;
  void Clear();

  void Dispatch(TMessage& Message) override;

  TDrawItemEvent OnDrawItem;
  TMeasureItemEvent OnMeasureItem;

 protected:
  friend class TListItemsWindow;
  void CreateParams(TCreateParams& Params) override;
  void CreateWnd() override;
  void DestroyWnd() override;
  virtual void DrawItem(int Index, TRect Rect, TOwnerDrawState State);
  virtual void MeasureItem(int Index, int& Height);

 private:
  std::unique_ptr<TListItemsWindow> FItems;
  std::unique_ptr<TStringList> FTabWidths;
  std::unique_ptr<TControlCanvas> FCanvas;
  // Kept while there is no window.
  std::vector<bool> FSaveSelected;
  int FSaveItemIndex = -1;
  int FSaveTopIndex = 0;
  bool FMultiSelect = false;
  bool FExtendedSelect = true;
  bool FSorted = false;
  TListBoxStyle FStyle = lbStandard;
  int FItemHeight = 16;
  bool FIntegralHeight = false;
  TBorderStyle FBorderStyle = bsSingle;
};

class TListBox : public TCustomListBox {
 public:
  explicit TListBox(TComponent* AOwner) : TCustomListBox(AOwner) {}
};

enum TComboBoxStyle { csDropDown, csSimple, csDropDownList, csOwnerDrawFixed, csOwnerDrawVariable };

// A combo box. Its edit and list windows have hooks whose WindowProc a subclass may
// replace. The combo text follows the selection; OnChange fires whenever the text changes
// (typed, chosen, or set), OnClick when an item is taken.
class TCustomComboBox : public TWinControl {
 public:
  explicit TCustomComboBox(TComponent* AOwner);
  ~TCustomComboBox() override;
  void PublishProperties(TPropList& Props) const override;

  TStrings* GetItems() const;
  void SetItems(TStrings* Value);
  int GetItemIndex() const;
  // Selects the item (an index naming no item: none), copies its text into the combo
  // text (OnChange when it differs) and, unless the form is being loaded, fires OnClick
  // and Change.
  void SetItemIndex(int Value);
  // Unless the text is the combo text already: selects the first item equal to it
  // ignoring case and fires OnChange once more; with no such item a drop-down list loses
  // its selection and an editable combo takes the text as typed (and OnChange fires).
  void SelectItemByText(const AnsiString& Value);
  // The combo text: the edit's text, or, for a drop-down list, the text of the item last
  // taken (kept when the selection is dropped).
  AnsiString GetComboText() const;
  // Texts kept beside the items (the program keeps one value per item there).
  TStrings* GetTabWidths() const { return FTabWidths.get(); }
  void SetTabWidths(TStrings* Value) { FTabWidths->Assign(Value); }
  TComboBoxStyle GetStyle() const { return FStyle; }
  void SetStyle(TComboBoxStyle Value);
  int GetDropDownCount() const { return FDropDownCount; }
  void SetDropDownCount(int Value) { FDropDownCount = std::max(1, Value); }
  bool GetSorted() const { return FSorted; }
  void SetSorted(bool Value);
  int GetMaxLength() const { return FMaxLength; }
  void SetMaxLength(int Value);
  int GetItemHeight() const;
  void SetItemHeight(int Value);
  bool GetDroppedDown() const;
  void SetDroppedDown(bool Value);
  TCanvas* GetCanvas() const { return FCanvas.get(); }
  int GetSelStart();
  void SetSelStart(int Value);
  int GetSelLength();
  void SetSelLength(int Value);
  void SelectAll();
  void Clear();

  // The edit (editable styles) and list windows, and their hooks (nullptr without).
  HWND GetEditHandle() const { return FEditHook ? FEditHook->GetHandle() : nullptr; }
  HWND GetListHandle() const { return FListHook ? FListHook->GetHandle() : nullptr; }
  TWindowProcHook* GetEditHook() const { return FEditHook.get(); }
  TWindowProcHook* GetListHook() const { return FListHook.get(); }

  void Dispatch(TMessage& Message) override;

  TNotifyEvent OnChange;
  TNotifyEvent OnDropDown;
  TNotifyEvent OnCloseUp;
  TNotifyEvent OnSelect;
  TDrawItemEvent OnDrawItem;
  TMeasureItemEvent OnMeasureItem;

 protected:
  friend class TListItemsWindow;
  void CreateParams(TCreateParams& Params) override;
  void CreateWnd() override;
  void DestroyWnd() override;
  void DestroyWindowHandle() override;
  // After a selection is taken and after an edit change (nothing here).
  virtual void Change() {}
  // The combo text changed: OnChange.
  virtual void TextChanged();
  // Messages of the edit and list windows (the hooks' default WindowProc): keys of the
  // edit take the combo's key events; the rest goes to the windows.
  virtual void EditWndProc(TMessage& Message);
  virtual void ListWndProc(TMessage& Message);
  virtual void DrawItem(int Index, TRect Rect, TOwnerDrawState State);
  virtual void MeasureItem(int Index, int& Height);
  void AdjustDropDown();

 private:
  std::unique_ptr<TListItemsWindow> FItems;
  std::unique_ptr<TStringList> FTabWidths;
  std::unique_ptr<TControlCanvas> FCanvas;
  std::unique_ptr<TWindowProcHook> FEditHook;
  std::unique_ptr<TWindowProcHook> FListHook;
  int FSaveItemIndex = -1;
  AnsiString FComboText;
  TComboBoxStyle FStyle = csDropDown;
  int FDropDownCount = 8;
  bool FSorted = false;
  int FMaxLength = 0;
  int FItemHeight = 16;
};

class TComboBox : public TCustomComboBox {
 public:
  explicit TComboBox(TComponent* AOwner) : TCustomComboBox(AOwner) {}
};
