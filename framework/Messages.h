// The framework's own messages and typed views of the message record. Framework
// notifications (CM_...) start at CM_BASE; messages a parent reflects to the child they
// concern (CN_...) are CN_BASE plus the window message. Both ranges lie between the
// window messages and the registered ones, clear of the skin toolkit's messages
// (WM_USER + 201 ... WM_USER + 270, and its five answers at 45490, 45512, 45513, 48202
// and 48203, which no CM_ or CN_ message here takes).
#pragma once

#include <cstdint>

#include "framework/System.h"
#include "framework/Types.h"
#include "framework/WinApi.h"

constexpr uint32_t CM_BASE = 0xB000;
constexpr uint32_t CM_ACTIVATE = CM_BASE + 0;
constexpr uint32_t CM_DEACTIVATE = CM_BASE + 1;
constexpr uint32_t CM_CANCELMODE = CM_BASE + 4;         // LParam: the control pressed
constexpr uint32_t CM_DIALOGKEY = CM_BASE + 5;          // WParam: key, LParam: key data
constexpr uint32_t CM_DIALOGCHAR = CM_BASE + 6;         // WParam: character
constexpr uint32_t CM_FOCUSCHANGED = CM_BASE + 7;       // LParam: the control with the focus
constexpr uint32_t CM_PARENTFONTCHANGED = CM_BASE + 8;
constexpr uint32_t CM_PARENTCOLORCHANGED = CM_BASE + 9;
constexpr uint32_t CM_HITTEST = CM_BASE + 10;           // LParam: client point (x, y words)
constexpr uint32_t CM_VISIBLECHANGED = CM_BASE + 11;    // WParam: the new visibility
constexpr uint32_t CM_ENABLEDCHANGED = CM_BASE + 12;
constexpr uint32_t CM_COLORCHANGED = CM_BASE + 13;
constexpr uint32_t CM_FONTCHANGED = CM_BASE + 14;
constexpr uint32_t CM_CURSORCHANGED = CM_BASE + 15;
constexpr uint32_t CM_TEXTCHANGED = CM_BASE + 18;
constexpr uint32_t CM_MOUSEENTER = CM_BASE + 19;
constexpr uint32_t CM_MOUSELEAVE = CM_BASE + 20;
constexpr uint32_t CM_APPKEYDOWN = CM_BASE + 22;
constexpr uint32_t CM_APPSYSCOMMAND = CM_BASE + 23;
constexpr uint32_t CM_SHOWINGCHANGED = CM_BASE + 25;
constexpr uint32_t CM_ENTER = CM_BASE + 26;
constexpr uint32_t CM_EXIT = CM_BASE + 27;
constexpr uint32_t CM_ICONCHANGED = CM_BASE + 29;
constexpr uint32_t CM_WANTSPECIALKEY = CM_BASE + 30;    // WParam: key; non-zero answer: wanted
constexpr uint32_t CM_RELEASE = CM_BASE + 33;
constexpr uint32_t CM_SHOWHINTCHANGED = CM_BASE + 34;
constexpr uint32_t CM_PARENTSHOWHINTCHANGED = CM_BASE + 35;
constexpr uint32_t CM_TABSTOPCHANGED = CM_BASE + 40;
constexpr uint32_t CM_CONTROLLISTCHANGE = CM_BASE + 44; // WParam: control, LParam: inserted
constexpr uint32_t CM_CHILDKEY = CM_BASE + 46;          // WParam: key, LParam: the control
constexpr uint32_t CM_DRAG = CM_BASE + 47;              // WParam: TDragMessage, LParam: TDragRec*
constexpr uint32_t CM_HINTSHOW = CM_BASE + 48;          // LParam: THintInfo*; non-zero: no hint
constexpr uint32_t CM_RECREATEWND = CM_BASE + 51;
constexpr uint32_t CM_INVALIDATE = CM_BASE + 52;
constexpr uint32_t CM_CONTROLCHANGE = CM_BASE + 54;     // WParam: control, LParam: inserted
constexpr uint32_t CM_BORDERCHANGED = CM_BASE + 59;
constexpr uint32_t CM_ACTIONUPDATE = CM_BASE + 63;
constexpr uint32_t CM_ACTIONEXECUTE = CM_BASE + 64;
constexpr uint32_t CM_HINTSHOWPAUSE = CM_BASE + 65;     // WParam: hint shown, LParam: int* pause
constexpr uint32_t CM_MOUSEWHEEL = CM_BASE + 67;
constexpr uint32_t CM_LAST = CM_BASE + 67;

constexpr uint32_t CN_BASE = 0xBC00;
constexpr uint32_t CN_CHARTOITEM = CN_BASE + WM_CHARTOITEM;
constexpr uint32_t CN_COMMAND = CN_BASE + WM_COMMAND;
constexpr uint32_t CN_COMPAREITEM = CN_BASE + WM_COMPAREITEM;
constexpr uint32_t CN_CTLCOLORBTN = CN_BASE + WM_CTLCOLORBTN;
constexpr uint32_t CN_CTLCOLORDLG = CN_BASE + WM_CTLCOLORDLG;
constexpr uint32_t CN_CTLCOLOREDIT = CN_BASE + WM_CTLCOLOREDIT;
constexpr uint32_t CN_CTLCOLORLISTBOX = CN_BASE + WM_CTLCOLORLISTBOX;
constexpr uint32_t CN_CTLCOLORMSGBOX = CN_BASE + WM_CTLCOLORMSGBOX;
constexpr uint32_t CN_CTLCOLORSCROLLBAR = CN_BASE + WM_CTLCOLORSCROLLBAR;
constexpr uint32_t CN_CTLCOLORSTATIC = CN_BASE + WM_CTLCOLORSTATIC;
constexpr uint32_t CN_DELETEITEM = CN_BASE + WM_DELETEITEM;
constexpr uint32_t CN_DRAWITEM = CN_BASE + WM_DRAWITEM;
constexpr uint32_t CN_HSCROLL = CN_BASE + WM_HSCROLL;
constexpr uint32_t CN_MEASUREITEM = CN_BASE + WM_MEASUREITEM;
constexpr uint32_t CN_PARENTNOTIFY = CN_BASE + WM_PARENTNOTIFY;
constexpr uint32_t CN_VKEYTOITEM = CN_BASE + WM_VKEYTOITEM;
constexpr uint32_t CN_VSCROLL = CN_BASE + WM_VSCROLL;
constexpr uint32_t CN_KEYDOWN = CN_BASE + WM_KEYDOWN;
constexpr uint32_t CN_KEYUP = CN_BASE + WM_KEYUP;
constexpr uint32_t CN_CHAR = CN_BASE + WM_CHAR;
constexpr uint32_t CN_SYSKEYDOWN = CN_BASE + WM_SYSKEYDOWN;
constexpr uint32_t CN_SYSCHAR = CN_BASE + WM_SYSCHAR;
constexpr uint32_t CN_NOTIFY = CN_BASE + WM_NOTIFY;

// The window point a mouse message carries in LParam (signed words).
inline TPoint PointFromLParam(NativeInt LParam) {
  return TPoint(static_cast<int16_t>(LParam & 0xFFFF), static_cast<int16_t>((LParam >> 16) & 0xFFFF));
}
inline NativeInt PointToLParam(const TPoint& P) {
  return static_cast<NativeInt>(static_cast<uint32_t>(static_cast<uint16_t>(P.X)) |
                                static_cast<uint32_t>(static_cast<uint16_t>(P.Y)) << 16);
}

// Key messages (WM_KEYDOWN ... WM_SYSCHAR, their CN_ reflections, CM_DIALOGKEY and
// CM_DIALOGCHAR): the key or character in WParam, the key data in LParam. A handler that
// sets CharCode to 0 swallows the key.
class TWMKey {
 public:
  explicit TWMKey(TMessage& AMessage) : Message(AMessage) {}
  uint16_t GetCharCode() const { return static_cast<uint16_t>(Message.WParam); }
  void SetCharCode(uint16_t Value) { Message.WParam = Value; }
  int32_t GetKeyData() const { return static_cast<int32_t>(Message.LParam); }
  TMessage& Message;
};

// Client-area mouse messages: the key and button state in WParam, the point in LParam.
class TWMMouse {
 public:
  explicit TWMMouse(TMessage& AMessage) : Message(AMessage) {}
  uint32_t GetKeys() const { return static_cast<uint32_t>(Message.WParam); }
  int GetXPos() const { return PointFromLParam(Message.LParam).X; }
  int GetYPos() const { return PointFromLParam(Message.LParam).Y; }
  TPoint GetPos() const { return PointFromLParam(Message.LParam); }
  TMessage& Message;
};

class TControl;
class TWinControl;

// WM_NCHITTEST: the screen point in LParam (signed words); the answer is a hit code (HT...).
class TWMNCHitTest {
 public:
  explicit TWMNCHitTest(TMessage& AMessage) : Message(AMessage) {}
  TPoint GetPos() const { return PointFromLParam(Message.LParam); }
  int GetXPos() const { return GetPos().X; }
  int GetYPos() const { return GetPos().Y; }
  NativeInt GetResult() const { return Message.Result; }
  void SetResult(NativeInt Value) { Message.Result = Value; }
  TMessage& Message;
};

// WM_NCCALCSIZE: with CalcValidRects (WParam non-zero) LParam points at NCCALCSIZE_PARAMS,
// else at one rectangle; either way the first rectangle is the window's proposed one,
// which the handler shrinks to the client area.
class TWMNCCalcSize {
 public:
  explicit TWMNCCalcSize(TMessage& AMessage) : Message(AMessage) {}
  bool GetCalcValidRects() const { return Message.WParam != 0; }
  // Only with CalcValidRects.
  NCCALCSIZE_PARAMS* GetCalcSizeParams() const {
    return GetCalcValidRects() ? reinterpret_cast<NCCALCSIZE_PARAMS*>(Message.LParam) : nullptr;
  }
  RECT& GetClientRect() const { return *reinterpret_cast<RECT*>(Message.LParam); }
  TMessage& Message;
};

// WM_WINDOWPOSCHANGING and WM_WINDOWPOSCHANGED: the new place in LParam (changeable while
// changing).
class TWMWindowPosMsg {
 public:
  explicit TWMWindowPosMsg(TMessage& AMessage) : Message(AMessage) {}
  WINDOWPOS* GetWindowPos() const { return reinterpret_cast<WINDOWPOS*>(Message.LParam); }
  TMessage& Message;
};

// WM_MOUSEWHEEL and CM_MOUSEWHEEL: the keys in WParam's low word, the signed turn in its
// second word (bits 16 to 31 only: on 64-bit systems WParam may carry the sign in its
// upper half too), the screen point in LParam.
class TWMMouseWheel {
 public:
  explicit TWMMouseWheel(TMessage& AMessage) : Message(AMessage) {}
  uint32_t GetKeys() const { return static_cast<uint32_t>(Message.WParam & 0xFFFF); }
  int GetWheelDelta() const { return static_cast<int16_t>((Message.WParam >> 16) & 0xFFFF); }
  TPoint GetPos() const { return PointFromLParam(Message.LParam); }
  static NativeUInt MakeWParam(uint32_t Keys, int WheelDelta) {
    return static_cast<NativeUInt>((Keys & 0xFFFF) | (static_cast<uint32_t>(static_cast<uint16_t>(WheelDelta)) << 16));
  }
  TMessage& Message;
};

// CM_CANCELMODE: the control pressed in LParam.
class TCMCancelMode {
 public:
  explicit TCMCancelMode(TMessage& AMessage) : Message(AMessage) {}
  TControl* GetSender() const { return reinterpret_cast<TControl*>(Message.LParam); }
  static NativeInt LParamOf(TControl* Sender) { return reinterpret_cast<NativeInt>(Sender); }
  TMessage& Message;
};

// CM_FOCUSCHANGED: the control that has the focus now in LParam.
class TCMFocusChanged {
 public:
  explicit TCMFocusChanged(TMessage& AMessage) : Message(AMessage) {}
  TWinControl* GetSender() const { return reinterpret_cast<TWinControl*>(Message.LParam); }
  static NativeInt LParamOf(TWinControl* Sender) { return reinterpret_cast<NativeInt>(Sender); }
  TMessage& Message;
};
