// The framework's message numbers and the typed views of the message record.
#include <gtest/gtest.h>

#include <vector>

#include "framework/Messages.h"

TEST(Messages, FrameworkNumbersStayClearOfWindowsAndTheSkinToolkitsMessages) {
  const std::vector<uint32_t> framework = {
      CM_ACTIVATE, CM_DEACTIVATE, CM_CANCELMODE, CM_DIALOGKEY, CM_DIALOGCHAR, CM_FOCUSCHANGED,
      CM_PARENTFONTCHANGED, CM_PARENTCOLORCHANGED, CM_HITTEST, CM_VISIBLECHANGED,
      CM_ENABLEDCHANGED, CM_COLORCHANGED, CM_FONTCHANGED, CM_CURSORCHANGED, CM_TEXTCHANGED,
      CM_MOUSEENTER, CM_MOUSELEAVE, CM_APPKEYDOWN, CM_APPSYSCOMMAND, CM_SHOWINGCHANGED, CM_ENTER,
      CM_EXIT, CM_ICONCHANGED, CM_WANTSPECIALKEY, CM_RELEASE, CM_SHOWHINTCHANGED,
      CM_PARENTSHOWHINTCHANGED, CM_TABSTOPCHANGED, CM_CONTROLLISTCHANGE, CM_CHILDKEY, CM_DRAG,
      CM_HINTSHOW, CM_RECREATEWND, CM_INVALIDATE, CM_CONTROLCHANGE, CM_BORDERCHANGED,
      CM_ACTIONUPDATE, CM_ACTIONEXECUTE, CM_HINTSHOWPAUSE, CM_MOUSEWHEEL, CN_CHARTOITEM,
      CN_COMMAND, CN_COMPAREITEM, CN_CTLCOLORBTN, CN_CTLCOLORDLG, CN_CTLCOLOREDIT,
      CN_CTLCOLORLISTBOX, CN_CTLCOLORMSGBOX, CN_CTLCOLORSCROLLBAR, CN_CTLCOLORSTATIC,
      CN_DELETEITEM, CN_DRAWITEM, CN_HSCROLL, CN_MEASUREITEM, CN_PARENTNOTIFY, CN_VKEYTOITEM,
      CN_VSCROLL, CN_KEYDOWN, CN_KEYUP, CN_CHAR, CN_SYSKEYDOWN, CN_SYSCHAR, CN_NOTIFY};
  // The skin toolkit's own messages and the answers its windows give.
  const std::vector<uint32_t> skin = {45490, 45512, 45513, 48202, 48203};
  for (uint32_t m : framework) {
    SCOPED_TRACE(m);
    EXPECT_GE(m, uint32_t(WM_APP)) << "above the window messages and WM_USER + n";
    EXPECT_LT(m, 0xC000u) << "below the registered messages";
    EXPECT_FALSE(m >= WM_USER + 201 && m <= WM_USER + 270);
    for (uint32_t s : skin) EXPECT_NE(s, m);
  }
  for (size_t i = 0; i < framework.size(); ++i)
    for (size_t j = i + 1; j < framework.size(); ++j) EXPECT_NE(framework[i], framework[j]);
}

TEST(Messages, TypedViewsReadAndWriteTheRecord) {
  TMessage m;
  m.Msg = WM_KEYDOWN;
  m.WParam = VK_RETURN;
  m.LParam = 0x201C0001;
  TWMKey key(m);
  EXPECT_EQ(VK_RETURN, key.GetCharCode());
  EXPECT_EQ(0x201C0001, key.GetKeyData());
  key.SetCharCode(0);
  EXPECT_EQ(0u, m.WParam);
  TMessage mouse;
  mouse.WParam = MK_LBUTTON;
  mouse.LParam = PointToLParam(TPoint(-5, 300));
  TWMMouse view(mouse);
  EXPECT_EQ(MK_LBUTTON, view.GetKeys());
  EXPECT_EQ(-5, view.GetXPos());
  EXPECT_EQ(300, view.GetYPos());
  EXPECT_EQ(TPoint(-5, 300), view.GetPos());
}

TEST(Messages, TypedViewsOfHitTestsSizesWheelsAndFrameworkNotifications) {
  TMessage hit;
  hit.Msg = WM_NCHITTEST;
  hit.LParam = PointToLParam(TPoint(-20, 700));
  TWMNCHitTest hitView(hit);
  EXPECT_EQ(TPoint(-20, 700), hitView.GetPos()) << "a point left of the primary screen";
  hitView.SetResult(HTCAPTION);
  EXPECT_EQ(HTCAPTION, hit.Result);

  NCCALCSIZE_PARAMS params = {};
  params.rgrc[0] = {10, 20, 110, 220};
  TMessage calc;
  calc.Msg = WM_NCCALCSIZE;
  calc.WParam = TRUE;
  calc.LParam = reinterpret_cast<NativeInt>(&params);
  TWMNCCalcSize calcView(calc);
  EXPECT_EQ(&params, calcView.GetCalcSizeParams());
  calcView.GetClientRect().left += 5;
  EXPECT_EQ(15, params.rgrc[0].left);
  RECT single = {0, 0, 50, 60};
  calc.WParam = FALSE;
  calc.LParam = reinterpret_cast<NativeInt>(&single);
  EXPECT_EQ(nullptr, calcView.GetCalcSizeParams());
  calcView.GetClientRect().bottom -= 6;
  EXPECT_EQ(54, single.bottom);

  WINDOWPOS pos = {};
  pos.cx = 33;
  TMessage changing;
  changing.Msg = WM_WINDOWPOSCHANGING;
  changing.LParam = reinterpret_cast<NativeInt>(&pos);
  EXPECT_EQ(33, TWMWindowPosMsg(changing).GetWindowPos()->cx);

  // A turn towards the user is negative; on 64-bit systems the second word's sign may be
  // spread over WParam's upper half too, which changes nothing.
  struct TWheel {
    NativeUInt WParam;
    int Delta;
    uint32_t Keys;
  };
  const TWheel wheels[] = {
      {TWMMouseWheel::MakeWParam(MK_CONTROL, -120), -120, MK_CONTROL},
      {TWMMouseWheel::MakeWParam(MK_SHIFT, 240), 240, MK_SHIFT},
      {static_cast<NativeUInt>(static_cast<NativeInt>(-120) * 65536) | MK_LBUTTON, -120, MK_LBUTTON},
      {static_cast<NativeUInt>(0x7FFF0000u), 32767, 0},
  };
  for (const TWheel& w : wheels) {
    SCOPED_TRACE(w.Delta);
    TMessage wheel;
    wheel.Msg = WM_MOUSEWHEEL;
    wheel.WParam = w.WParam;
    wheel.LParam = PointToLParam(TPoint(-3, 4));
    TWMMouseWheel view(wheel);
    EXPECT_EQ(w.Delta, view.GetWheelDelta());
    EXPECT_EQ(w.Keys, view.GetKeys());
    EXPECT_EQ(TPoint(-3, 4), view.GetPos());
  }

  TMessage cancel;
  cancel.Msg = CM_CANCELMODE;
  TControl* pressed = reinterpret_cast<TControl*>(&pos);  // any address; never used as a control
  cancel.LParam = TCMCancelMode::LParamOf(pressed);
  EXPECT_EQ(pressed, TCMCancelMode(cancel).GetSender());
  TMessage focus;
  focus.Msg = CM_FOCUSCHANGED;
  TWinControl* focused = reinterpret_cast<TWinControl*>(&params);
  focus.LParam = TCMFocusChanged::LParamOf(focused);
  EXPECT_EQ(focused, TCMFocusChanged(focus).GetSender());
}
