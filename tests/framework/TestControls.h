// Small controls the form tests build their forms from: a panel and a box that paint
// their colour, a button that sets its form's modal result, native controls wrapped the
// way the standard controls wrap them, and a log of the messages they saw.
#pragma once

#include <cctype>
#include <string>
#include <vector>

#include "framework/Forms.h"

// What the test controls report, in order.
inline std::vector<std::string>& TestLog() {
  static std::vector<std::string> log;
  return log;
}
inline void Log(const std::string& Entry) { TestLog().push_back(Entry); }

// Logs mouse enter and leave under its name.
template <class Base>
class TLoggingControl : public Base {
 public:
  using Base::Base;
  void Dispatch(TMessage& Message) override {
    switch (Message.Msg) {
      case CM_MOUSEENTER: Log("enter " + this->GetName()); break;
      case CM_MOUSELEAVE: Log("leave " + this->GetName()); break;
      case CM_ENTER: Log("CM_ENTER " + this->GetName()); break;
      case CM_EXIT: Log("CM_EXIT " + this->GetName()); break;
      case CM_FOCUSCHANGED:
        FocusChanges.push_back(reinterpret_cast<TControl*>(Message.LParam));
        break;
      case CM_CANCELMODE: {
        auto* by = reinterpret_cast<TControl*>(Message.LParam);
        Log("CM_CANCELMODE " + this->GetName() + " by " + (by ? by->GetName() : std::string("nil")));
        break;
      }
      default: break;
    }
    Base::Dispatch(Message);
  }
  std::vector<TControl*> FocusChanges;
};

// A windowed container that paints its colour.
class TTestPanel : public TLoggingControl<TCustomControl> {
 public:
  explicit TTestPanel(TComponent* AOwner) : TLoggingControl<TCustomControl>(AOwner) {
    SetControlStyle(GetControlStyle() + TControlStyle{csAcceptsControls, csOpaque});
    SetBounds(0, 0, 100, 50);
  }
  // An inner border the aligned children keep clear of.
  int Border = 0;
  int Paints = 0;

 protected:
  void AdjustClientRect(TRect& Rect) override { Rect = InflateRect(Rect, -Border, -Border); }
  void Paint() override {
    ++Paints;
    GetCanvas()->GetBrush()->SetColor(GetColor());
    GetCanvas()->FillRect(GetClientRect());
  }
};

// A windowless control that paints its colour (and counts its paints).
class TTestBox : public TLoggingControl<TGraphicControl> {
 public:
  explicit TTestBox(TComponent* AOwner) : TLoggingControl<TGraphicControl>(AOwner) {
    SetBounds(0, 0, 20, 20);
    SetColor(clRed);
  }
  int Paints = 0;

 protected:
  void Paint() override {
    ++Paints;
    GetCanvas()->GetBrush()->SetColor(GetColor());
    GetCanvas()->FillRect(GetClientRect());
  }
};

// A focusable windowed control; Default and Cancel make it answer Enter or Escape as a
// dialog key (as the form's default and cancel buttons do), and a click sets the form's
// modal result.
class TTestButton : public TLoggingControl<TCustomControl> {
 public:
  explicit TTestButton(TComponent* AOwner) : TLoggingControl<TCustomControl>(AOwner) {
    SetTabStop(true);
    SetBounds(0, 0, 60, 24);
    SetColor(clBtnFace);
  }
  TModalResult ModalResult = mrNone;
  bool Default = false;
  bool Cancel = false;
  char Accelerator = 0;      // the Alt+letter that clicks it
  bool WantsReturn = false;  // takes Enter itself (CM_WANTSPECIALKEY)
  int Clicks = 0;
  std::vector<uint16_t> KeysDown;

  void Dispatch(TMessage& Message) override {
    if (Message.Msg == CM_DIALOGKEY &&
        ((Message.WParam == VK_RETURN && Default) || (Message.WParam == VK_ESCAPE && Cancel))) {
      Click();
      Message.Result = 1;
      return;
    }
    if (Message.Msg == CM_DIALOGCHAR && Accelerator &&
        toupper(static_cast<int>(Message.WParam)) == toupper(Accelerator)) {
      Click();
      Message.Result = 1;
      return;
    }
    if (Message.Msg == CM_WANTSPECIALKEY && WantsReturn && Message.WParam == VK_RETURN) {
      Message.Result = 1;
      return;
    }
    TLoggingControl<TCustomControl>::Dispatch(Message);
  }

 protected:
  void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override {
    if (Button == mbLeft && CanFocus()) SetFocus();
    TLoggingControl<TCustomControl>::MouseDown(Button, Shift, X, Y);
  }
  void KeyDown(uint16_t& Key, TShiftState Shift) override {
    KeysDown.push_back(Key);
    TLoggingControl<TCustomControl>::KeyDown(Key, Shift);
  }
  void Click() override {
    ++Clicks;
    if (TCustomForm* form = GetParentForm(this)) form->SetModalResult(ModalResult);
    TLoggingControl<TCustomControl>::Click();
  }
  void Paint() override {
    GetCanvas()->GetBrush()->SetColor(Focused() ? clHighlight : GetColor());
    GetCanvas()->FillRect(GetClientRect());
    TRect r = GetClientRect();
    Frame3D(GetCanvas(), r, clBtnHighlight, clBtnShadow, 1);
    GetCanvas()->GetBrush()->SetStyle(bsClear);
    AnsiString text = GetCaption();
    TSize size = GetCanvas()->TextExtent(text);
    GetCanvas()->TextOut((GetWidth() - size.cx) / 2, (GetHeight() - size.cy) / 2, text);
  }
};

// A native control of a system class, wrapped by superclassing; it logs the messages it
// sees (the first one names the start of its life).
class TTestNative : public TWinControl {
 public:
  TTestNative(TComponent* AOwner, const char* ClassName, DWORD Style = 0)
      : TWinControl(AOwner), FClassName(ClassName), FStyle(Style) {
    SetTabStop(true);
    SetBounds(0, 0, 120, 80);
  }
  std::vector<uint32_t> Messages;
  std::vector<std::string> ChildClasses;  // children announced by WM_PARENTNOTIFY
  std::vector<uint32_t> Reflected;        // CN_ messages received

  void Dispatch(TMessage& Message) override {
    Messages.push_back(Message.Msg);
    if (Message.Msg == WM_PARENTNOTIFY && LOWORD(Message.WParam) == WM_CREATE) {
      char name[64] = {};
      GetClassNameA(reinterpret_cast<HWND>(Message.LParam), name, sizeof(name));
      ChildClasses.push_back(name);
    }
    if (Message.Msg >= CN_BASE && Message.Msg < CN_BASE + 0x400) Reflected.push_back(Message.Msg);
    if (Message.Msg == CN_MEASUREITEM) {
      reinterpret_cast<MEASUREITEMSTRUCT*>(Message.LParam)->itemHeight = 17;
      Message.Result = 1;
      return;
    }
    if (Message.Msg == CN_DRAWITEM) {
      auto* item = reinterpret_cast<DRAWITEMSTRUCT*>(Message.LParam);
      TGdiHandle<HBRUSH> brush(CreateSolidBrush(RGB(0, 0, 255)));
      FillRect(item->hDC, &item->rcItem, brush.get());
      Message.Result = 1;
      return;
    }
    TWinControl::Dispatch(Message);
  }
  HWND Handle() { return GetHandle(); }

 protected:
  void CreateParams(TCreateParams& Params) override {
    TWinControl::CreateParams(Params);
    CreateSubClass(Params, FClassName);
    Params.Style |= FStyle;
  }

 private:
  const char* FClassName;
  DWORD FStyle;
};

// A form built in code the way a stored form is read.
class TTestForm : public TForm {
 public:
  explicit TTestForm(TComponent* AOwner, int ClientW = 300, int ClientH = 200) : TForm(AOwner) {
    TComponentLoading loading(this);
    SetBounds(100, 100, 320, 240);
    SetClientWidth(ClientW);
    SetClientHeight(ClientH);
    SetCaption("Test form");
    loading.Finish();
  }
};
